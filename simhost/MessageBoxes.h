// The host's side of message boxes in scripted runs: answers given ahead,
// the boxes shown with the answers they got, and the beeps. Natively this is
// the stand-in's record; in FINALE.EXE a timer of the host's thread finds
// each real box as it appears and clicks the scripted answer, and the
// plug-in's MessageBeep import is routed through a recorder.
#pragma once

#include "core/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace simhost {

struct ShownBox {
    std::string title;
    std::string text;
    bool question = false;  // Yes/No rather than OK
    int answer = 0;         // IDYES, IDNO, IDOK, or 0 when none was given
    HWND owner = nullptr;
};

// Starts watching: clears the queue and the record. `unanswered` is called
// for a box no answer was queued for, and its result answers the box (0:
// the box is left to close as failed).
void WatchMessageBoxes(std::function<int(const ShownBox& box)> unanswered);
void StopWatchingMessageBoxes();
void QueueBoxAnswer(int answer);
const std::vector<ShownBox>& ShownBoxes();
// Sounds the plug-in played, in order (MB_ICONEXCLAMATION, 0xFFFFFFFF).
const std::vector<UINT>& PlayedBeeps();

#ifdef _WIN32
// Routes the module's imported MessageBeep through the recorder.
bool RecordBeepsOf(HMODULE module);
#endif

}  // namespace simhost
