#include "Timers.h"

#include "EventLog.h"
#include "MessageDelivery.h"

#include <algorithm>
#include <vector>

namespace win32stub {

namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT interval;
    uint32_t due;
};

struct TimerState {
    uint32_t now = 0;
    std::vector<Timer> timers;
};

TimerState& Clock()
{
    static TimerState state;
    return state;
}

}  // namespace

uint32_t Now()
{
    return Clock().now;
}

void PassTime(uint32_t milliseconds)
{
    const uint32_t end = Clock().now + milliseconds;
    for (;;) {
        // The timer that comes due first, if any before the end.
        Timer* next = nullptr;
        for (Timer& timer : Clock().timers) {
            if (timer.due <= end && (next == nullptr || timer.due < next->due)) next = &timer;
        }
        if (next == nullptr) break;
        Clock().now = next->due;
        next->due += next->interval;
        const HWND window = next->window;
        const UINT_PTR id = next->id;
        if (Window* w = Find(window)) Deliver(w, WM_TIMER, id, 0, true);
    }
    Clock().now = end;
}

void KillTimersOf(HWND window)
{
    auto& timers = Clock().timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window; }),
                 timers.end());
}

void ResetTimers()
{
    Clock().now = 0;
    Clock().timers.clear();
}

}  // namespace win32stub

using namespace win32stub;

UINT_PTR WINAPI SetTimer(HWND handle, UINT_PTR id, UINT milliseconds, TIMERPROC)
{
    if (Find(handle) == nullptr) return 0;
    Log("SetTimer", handle, { static_cast<int64_t>(id), milliseconds });
    const UINT interval = milliseconds < 10 ? 10 : milliseconds;
    for (Timer& timer : Clock().timers) {
        if (timer.window == handle && timer.id == id) {
            timer.interval = interval;
            timer.due = Clock().now + interval;
            return id;
        }
    }
    Clock().timers.push_back(Timer{ handle, id, interval, Clock().now + interval });
    return id;
}

BOOL WINAPI KillTimer(HWND handle, UINT_PTR id)
{
    auto& timers = Clock().timers;
    const size_t before = timers.size();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const Timer& t) { return t.window == handle && t.id == id; }),
                 timers.end());
    return timers.size() != before;
}
