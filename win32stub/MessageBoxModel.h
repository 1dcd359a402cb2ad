// The stand-in's message boxes and beeps: scripted answers, and a record of
// every box shown and every sound played.
#pragma once

#include "Win32Stub.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace win32stub {

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
// Forgets the boxes, beeps, queued answers and failures asked for.
void ResetMessageBoxes();

}  // namespace win32stub
