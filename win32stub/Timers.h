// The stand-in's clock and timers: time passes only when a test says so.
#pragma once

#include "Win32Stub.h"

#include <cstdint>

namespace win32stub {

// Milliseconds since the last reset.
uint32_t Now();
// Lets time pass, delivering WM_TIMER for every timer that comes due.
void PassTime(uint32_t milliseconds);

// Drops a destroyed window's timers.
void KillTimersOf(HWND window);
// Drops every timer and sets the clock back to 0.
void ResetTimers();

}  // namespace win32stub
