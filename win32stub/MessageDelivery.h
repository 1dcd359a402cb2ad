// Delivering messages: to a window's procedure, or to a control's built-in
// behaviour, which tells its dialog what changed; and the moves and
// activation changes that send messages.
#pragma once

#include "WindowState.h"

namespace win32stub {

// Sends a message to a window's procedure, if it has one.
LRESULT CallProcedure(Window* w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT Deliver(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool wide);
void Activate(Window* w);
// Moves and sizes a window as SetWindowPos does, with its messages.
void ApplyPosition(Window* w, int x, int y, int cx, int cy, UINT flags);

}  // namespace win32stub
