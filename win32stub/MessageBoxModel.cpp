#include "MessageBoxModel.h"

#include "EventLog.h"
#include "MessageDelivery.h"
#include "TextConversion.h"

#include <cstdio>
#include <cstdlib>
#include <deque>

namespace win32stub {

namespace {

struct QueuedAnswer {
    int answer;
    std::function<void()> whileOpen;
};

struct BoxState {
    std::deque<QueuedAnswer> answers;
    std::vector<MessageBoxRecord> boxes;
    std::function<int(const MessageBoxRecord&)> unanswered;
    std::vector<UINT> beeps;
    int failingBeeps = 0;
};

BoxState& Boxes()
{
    static BoxState state;
    return state;
}

void DefaultUnansweredBox(const MessageBoxRecord& box)
{
    std::fprintf(stderr, "message box with no scripted answer: \"%s\" (title \"%s\")\n", box.text.c_str(),
                 box.title.c_str());
    std::abort();
}

}  // namespace

void QueueMessageBoxAnswer(int answer, std::function<void()> whileOpen)
{
    Boxes().answers.push_back(QueuedAnswer{ answer, std::move(whileOpen) });
}

size_t PendingMessageBoxAnswers()
{
    return Boxes().answers.size();
}

const std::vector<MessageBoxRecord>& MessageBoxes()
{
    return Boxes().boxes;
}

void SetUnansweredBoxHandler(std::function<int(const MessageBoxRecord& box)> handler)
{
    Boxes().unanswered = std::move(handler);
}

const std::vector<UINT>& Beeps()
{
    return Boxes().beeps;
}

void FailMessageBeeps(int count)
{
    Boxes().failingBeeps = count;
}

void ResetMessageBoxes()
{
    BoxState& s = Boxes();
    s.answers.clear();
    s.boxes.clear();
    s.unanswered = nullptr;
    s.beeps.clear();
    s.failingBeeps = 0;
}

}  // namespace win32stub

using namespace win32stub;

int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR title, UINT style)
{
    MessageBoxRecord box;
    box.owner = owner;
    box.text = ToUtf8(Units(text));
    box.title = ToUtf8(Units(title));
    box.style = style;
    Log("MessageBoxW", owner, { style }, box.text);
    QueuedAnswer answer = { 0, {} };
    if (Boxes().answers.empty()) {
        if (Boxes().unanswered) answer.answer = Boxes().unanswered(box);
        else DefaultUnansweredBox(box);
    } else {
        answer = std::move(Boxes().answers.front());
        Boxes().answers.pop_front();
    }
    box.answer = answer.answer;
    Boxes().boxes.push_back(box);
    // The box is modal to its owner and active while it is open; closing it
    // gives the activation to its owner.
    const bool disable = IsWindowEnabled(owner) != FALSE;
    if (disable) EnableWindow(owner, FALSE);
    Activate(nullptr);
    if (answer.whileOpen) answer.whileOpen();
    if (disable) EnableWindow(owner, TRUE);
    if (Window* ownerWindow = Find(owner)) Activate(ownerWindow);
    return answer.answer;
}

BOOL WINAPI MessageBeep(UINT type)
{
    Log("MessageBeep", nullptr, { static_cast<int64_t>(type) });
    if (Boxes().failingBeeps > 0) {
        --Boxes().failingBeeps;
        return FALSE;
    }
    Boxes().beeps.push_back(type);
    return TRUE;
}
