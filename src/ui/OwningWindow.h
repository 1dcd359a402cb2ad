// What a control asks of the window that owns it. The window's source
// answers, so a control names its window only by pointer and the window's
// header may include the controls'.
#pragma once

#include "core/Platform.h"

class FCUserWindow;

// The window's dialog handle; null for no window or a closed dialog.
HWND OwningWindowHandle(const FCUserWindow* window);
// Whether the window is collecting control moves and resizes; false for no
// window.
bool OwningWindowInBatchLayout(const FCUserWindow* window);
