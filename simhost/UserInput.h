// Input as a person gives it to a dialog, written as plain Win32 calls so
// that it drives the stand-in natively and Wine's user32 in FINALE.EXE.
#pragma once

#include "core/Platform.h"

#include <cstdint>
#include <string>

namespace simhost {

// A click on a button or check box (a check box toggles).
void ClickButton(HWND button);
// A click on a list line: it is selected and the dialog is told.
void ClickListLine(HWND list, int line);
// Typing into an edit, replacing what it held.
void TypeText(HWND edit, const std::u16string& text);
// A click on the window's close box.
void ClickCloseBox(HWND window);
// Dragging the window's frame by (dw, dh): the new size stays within the
// tracking sizes the window answers to WM_GETMINMAXINFO.
void DragFrame(HWND window, int dw, int dh);
// Lets time pass while the host's message loop runs, so timers fire.
void LetTimePass(uint32_t milliseconds);

}  // namespace simhost
