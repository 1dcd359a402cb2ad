// The stand-in's windows as its implementation sees them: every window that
// exists, the active one, registered classes and pending position batches.
#pragma once

#include "Win32Stub.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace win32stub {

enum class Kind { Frame, Dialog, Button, Edit, Static, ListBox };

struct Window {
    HWND handle = nullptr;
    Kind kind = Kind::Frame;
    HWND parent = nullptr;  // parent of a child, owner of a pop-up
    int id = 0;
    DWORD style = 0;
    std::u16string text;
    RECT rect = {};  // screen coordinates
    bool visible = false;
    bool enabled = true;
    DLGPROC procedure = nullptr;   // a dialog's procedure
    WNDPROC windowProcedure = nullptr;  // a window class's procedure
    LONG_PTR user = 0;
    LONG_PTR messageResult = 0;
    UINT check = BST_UNCHECKED;
    std::vector<std::u16string> lines;
    int selected = -1;
};

struct DeferredMove {
    HWND window;
    int x, y, cx, cy;
    UINT flags;
};

struct State {
    std::map<uintptr_t, std::unique_ptr<Window>> windows;  // by handle value, in creation order
    uintptr_t nextHandle = 0x10010;
    HWND active = nullptr;
    int failingDefer = 0;
    bool failingBeginDefer = false;
    std::map<uintptr_t, std::vector<DeferredMove>> batches;
    uintptr_t nextBatch = 1;
    std::map<std::u16string, WNDPROC> classes;
};

State& S();
Window* Find(HWND handle);
int64_t Value(HWND handle);
int FrameWidth(const Window& w);
int CaptionHeight(const Window& w);
RECT ClientRectOnScreen(const Window& w);
bool IsTopLevel(const Window& w);
Window* NewWindow(Kind kind, HWND parent, DWORD style, const RECT& rect);
std::vector<Window*> Children(HWND parent);

}  // namespace win32stub
