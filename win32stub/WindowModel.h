// The stand-in's window model, as tests see it: a fixed screen, a log of
// every message and user-interface call, a clock for timers, scripted
// answers for message boxes, and the input a person would give.
//
// Geometry is fixed so that tests can compute exact sizes:
// - one monitor, kScreenWidth x kScreenHeight pixels, no task bar;
// - a caption is kCaptionHeight pixels high; a thick (sizing) frame is
//   kSizeFrame pixels wide on each side, any other border 1 pixel;
// - dialog units become pixels with base units kBaseUnitX x kBaseUnitY
//   (x * kBaseUnitX / 4 and y * kBaseUnitY / 8, rounded as MulDiv rounds);
// - a dialog's client area is placed at its template position, taken from
//   its parent's client area (or from the screen's corner when it has none),
//   as Windows places it; its frame and caption lie around that;
// - 8-bit text is Windows-1252.
#pragma once

#include "Win32Stub.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win32stub {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kCaptionHeight = 19;
constexpr int kSizeFrame = 4;
constexpr int kFullScreenHeight = kScreenHeight - kCaptionHeight;
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// One entry of the log: a message delivered to a window (name "WM_SIZE",
// args wParam and lParam), or a call of the API (name "SetWindowPos", args
// as passed, with item windows given by their dialog item number). `text`
// holds a text argument as UTF-8.
struct Event {
    std::string name;
    HWND window = nullptr;
    std::vector<int64_t> args;
    std::string text;
};

const std::vector<Event>& Events();
void ClearEvents();
// The names of the logged events for one window (null: all windows), in
// order, leaving out the names in `ignored`.
std::vector<std::string> EventNames(HWND window = nullptr, const std::vector<std::string>& ignored = {});

// A message box as it was shown, and the answer it gave.
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string title;
    UINT style = 0;
    int answer = 0;
};

// Answers the next message box with `answer` (IDYES, IDNO, IDOK). While the
// box is open, `whileOpen` runs, as the nested message loop of a real box
// would let other windows' messages through.
void QueueMessageBoxAnswer(int answer, std::function<void()> whileOpen = {});
size_t PendingMessageBoxAnswers();
const std::vector<MessageBoxRecord>& MessageBoxes();
// Called for a box that no answer was queued for; the box answers what the
// handler returns (0: as a box that failed to appear). The default handler
// prints the box and aborts, so that no test passes on a silent default.
void SetUnansweredBoxHandler(std::function<int(const MessageBoxRecord& box)> handler);

// Sounds played with MessageBeep, in order.
const std::vector<UINT>& Beeps();
// The next `count` MessageBeep calls fail.
void FailMessageBeeps(int count);
// The nth DeferWindowPos call from now fails (1 = the next one).
void FailDeferWindowPos(int nth);

// Milliseconds since the last reset.
uint32_t Now();
// Lets time pass, delivering WM_TIMER for every timer that comes due.
void PassTime(uint32_t milliseconds);

// Destroys every window and clears the log, the clock, the timers, the
// message box queue and the failures asked for.
void ResetWindows();
// Every window that exists, in creation order.
std::vector<HWND> AllWindows();

// Text conversions of the stand-in.
std::string ToUtf8(const std::u16string& units);
std::u16string FromUtf8(const std::string& text);
std::u16string FromCodePage(const char* text);

}  // namespace win32stub
