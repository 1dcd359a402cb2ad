// The stand-in's window model, as tests see it: a fixed screen, a log of
// every message and user-interface call, a clock for timers, scripted
// answers for message boxes, and the input a person would give. 8-bit text
// is Windows-1252.
#pragma once

#include "EventLog.h"
#include "MessageBoxModel.h"
#include "ScreenGeometry.h"
#include "TextConversion.h"
#include "Timers.h"
#include "Win32Stub.h"

#include <vector>

namespace win32stub {

// The nth DeferWindowPos call from now fails (1 = the next one).
void FailDeferWindowPos(int nth);
// The next BeginDeferWindowPos call fails, as when the system is out of memory.
void FailBeginDeferWindowPos();

// Destroys every window and clears the log, the clock, the timers, the
// message box queue and the failures asked for.
void ResetWindows();
// Every window that exists, in creation order.
std::vector<HWND> AllWindows();

}  // namespace win32stub
