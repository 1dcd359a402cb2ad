#include "WindowModel.h"

#include "MessageDelivery.h"

namespace win32stub {

void FailDeferWindowPos(int nth)
{
    S().failingDefer = nth;
}

void FailBeginDeferWindowPos()
{
    S().failingBeginDefer = true;
}

void ResetWindows()
{
    State& s = S();
    s.windows.clear();
    s.active = nullptr;
    ClearEvents();
    ResetMessageBoxes();
    s.failingDefer = 0;
    s.failingBeginDefer = false;
    ResetTimers();
    s.batches.clear();
    // Handles start again where a new process's would.
    s.nextHandle = 0x10010;
    s.classes.clear();
}

std::vector<HWND> AllWindows()
{
    std::vector<HWND> handles;
    for (auto& entry : S().windows) handles.push_back(entry.second->handle);
    return handles;
}

}  // namespace win32stub

using namespace win32stub;

WORD WINAPI RegisterClassW(const WNDCLASSW* windowClass)
{
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return 0;
    const std::u16string name = Units(windowClass->lpszClassName);
    if (S().classes.count(name) != 0) return 0;
    S().classes[name] = windowClass->lpfnWndProc;
    return static_cast<WORD>(S().classes.size());
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) return SendMessageW(window, WM_CLOSE, 0, 0);
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName)
{
    static HINSTANCE__ program;
    return moduleName == nullptr ? &program : nullptr;
}

HWND WINAPI CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
    if (width == CW_USEDEFAULT) width = kScreenWidth;
    if (height == CW_USEDEFAULT) height = kFullScreenHeight;
    Window* w = NewWindow(Kind::Frame, parent, style, RECT{ x, y, x + width, y + height });
    w->text = Units(title);
    if (className != nullptr && !IS_INTRESOURCE(className)) {
        auto registered = S().classes.find(Units(className));
        if (registered != S().classes.end()) w->windowProcedure = registered->second;
    }
    w->visible = (style & WS_VISIBLE) != 0;
    Log("CreateWindowExW", w->handle, { x, y, width, height }, ToUtf8(w->text));
    if (w->visible) Activate(w);
    return w->handle;
}

BOOL WINAPI DestroyWindow(HWND handle)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    Log("DestroyWindow", handle, {});
    if (S().active == handle) {
        Window* owner = Find(w->parent);
        Activate(owner);
        if (S().active == handle) S().active = nullptr;
    }
    if ((w = Find(handle)) == nullptr) return TRUE;
    Deliver(w, WM_DESTROY, 0, 0, true);
    KillTimersOf(handle);
    for (Window* child : Children(handle)) S().windows.erase(reinterpret_cast<uintptr_t>(child->handle));
    // Owned pop-ups go with their owner.
    std::vector<HWND> owned;
    for (auto& entry : S().windows) {
        if (entry.second->parent == handle && IsTopLevel(*entry.second)) owned.push_back(entry.second->handle);
    }
    for (HWND popup : owned) DestroyWindow(popup);
    S().windows.erase(reinterpret_cast<uintptr_t>(handle));
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window)
{
    return Find(window) != nullptr;
}

HWND WINAPI GetParent(HWND window)
{
    Window* w = Find(window);
    return w != nullptr ? w->parent : nullptr;
}

BOOL WINAPI ShowWindow(HWND handle, int command)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    const BOOL wasVisible = w->visible;
    const bool show = command != SW_HIDE;
    Log("ShowWindow", handle, { command });
    if (!IsTopLevel(*w)) {
        w->visible = show;
        return wasVisible;
    }
    if (show != static_cast<bool>(wasVisible)) {
        Deliver(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0, true);
        if ((w = Find(handle)) == nullptr) return wasVisible;
        WINDOWPOS position = { handle, nullptr, 0, 0, 0, 0,
                               static_cast<UINT>(SWP_NOSIZE | SWP_NOMOVE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW)) };
        Deliver(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position), true);
        if ((w = Find(handle)) == nullptr) return wasVisible;
        w->visible = show;
        Deliver(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position), true);
        if ((w = Find(handle)) == nullptr) return wasVisible;
    }
    if (show) Activate(w);
    if (!show && S().active == handle) Activate(Find(w->parent));
    return wasVisible;
}

BOOL WINAPI IsWindowVisible(HWND handle)
{
    for (Window* w = Find(handle); w != nullptr; w = IsTopLevel(*w) ? nullptr : Find(w->parent)) {
        if (!w->visible) return FALSE;
    }
    return Find(handle) != nullptr;
}

BOOL WINAPI EnableWindow(HWND handle, BOOL enable)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    const BOOL wasDisabled = !w->enabled;
    Log("EnableWindow", handle, { enable ? 1 : 0 });
    if (w->enabled != static_cast<bool>(enable)) {
        w->enabled = enable != FALSE;
        Deliver(w, WM_ENABLE, enable ? TRUE : FALSE, 0, true);
    }
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND handle)
{
    Window* w = Find(handle);
    return w != nullptr && w->enabled;
}

HWND WINAPI SetActiveWindow(HWND handle)
{
    const HWND previous = S().active;
    Window* w = Find(handle);
    Log("SetActiveWindow", handle, {});
    if (w == nullptr || !IsTopLevel(*w)) return nullptr;
    Activate(w);
    return previous;
}

HWND WINAPI GetActiveWindow()
{
    return S().active;
}

BOOL WINAPI InvalidateRect(HWND handle, const RECT* rect, BOOL erase)
{
    if (Find(handle) == nullptr) return FALSE;
    Log("InvalidateRect", handle, { rect != nullptr ? 1 : 0, erase ? 1 : 0 });
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect)
{
    Window* w = Find(handle);
    if (w == nullptr || rect == nullptr) return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect)
{
    Window* w = Find(handle);
    if (w == nullptr || rect == nullptr) return FALSE;
    const RECT client = ClientRectOnScreen(*w);
    *rect = { 0, 0, client.right - client.left, client.bottom - client.top };
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND handle, LPPOINT point)
{
    Window* w = Find(handle);
    if (w == nullptr || point == nullptr) return FALSE;
    const RECT client = ClientRectOnScreen(*w);
    point->x -= client.left;
    point->y -= client.top;
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND handle, LPPOINT point)
{
    Window* w = Find(handle);
    if (w == nullptr || point == nullptr) return FALSE;
    const RECT client = ClientRectOnScreen(*w);
    point->x += client.left;
    point->y += client.top;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND handle, HWND, int x, int y, int width, int height, UINT flags)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    Log("SetWindowPos", handle, { w->id, x, y, width, height, flags });
    ApplyPosition(w, x, y, width, height, flags);
    return TRUE;
}

HDWP WINAPI BeginDeferWindowPos(int count)
{
    Log("BeginDeferWindowPos", nullptr, { count });
    if (count < 0 || S().failingBeginDefer) {
        S().failingBeginDefer = false;
        return nullptr;
    }
    const uintptr_t id = S().nextBatch++;
    S().batches[id];
    return reinterpret_cast<HDWP>(id);
}

HDWP WINAPI DeferWindowPos(HDWP batch, HWND handle, HWND, int x, int y, int width, int height, UINT flags)
{
    Window* w = Find(handle);
    Log("DeferWindowPos", handle, { w != nullptr ? w->id : 0, x, y, width, height, flags });
    auto it = S().batches.find(reinterpret_cast<uintptr_t>(batch));
    if (S().failingDefer > 0 && --S().failingDefer == 0) {
        if (it != S().batches.end()) S().batches.erase(it);
        return nullptr;
    }
    if (it == S().batches.end() || w == nullptr) return nullptr;
    it->second.push_back(DeferredMove{ handle, x, y, width, height, flags });
    return batch;
}

BOOL WINAPI EndDeferWindowPos(HDWP batch)
{
    Log("EndDeferWindowPos", nullptr, {});
    auto it = S().batches.find(reinterpret_cast<uintptr_t>(batch));
    if (it == S().batches.end()) return FALSE;
    const std::vector<DeferredMove> moves = it->second;
    S().batches.erase(it);
    for (const DeferredMove& move : moves) {
        if (Window* w = Find(move.window)) ApplyPosition(w, move.x, move.y, move.cx, move.cy, move.flags);
    }
    return TRUE;
}

HMONITOR WINAPI MonitorFromRect(const RECT* rect, DWORD flags)
{
    static HMONITOR__ screen;
    if (rect == nullptr) return nullptr;
    const bool overlaps =
        rect->left < kScreenWidth && rect->right > 0 && rect->top < kScreenHeight && rect->bottom > 0;
    return overlaps || flags != MONITOR_DEFAULTTONULL ? &screen : nullptr;
}

int WINAPI GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: return kScreenWidth;
    case SM_CYSCREEN: return kScreenHeight;
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME: return kSizeFrame;
    case SM_CXFULLSCREEN: return kScreenWidth;
    case SM_CYFULLSCREEN: return kFullScreenHeight;
    default: return 0;
    }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND handle, int index, LONG_PTR value)
{
    Window* w = Find(handle);
    if (w == nullptr) return 0;
    LONG_PTR& slot = index == DWLP_USER ? w->user : w->messageResult;
    const LONG_PTR previous = slot;
    slot = value;
    return previous;
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND handle, int index)
{
    Window* w = Find(handle);
    if (w == nullptr) return 0;
    return index == DWLP_USER ? w->user : w->messageResult;
}

LRESULT WINAPI SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(handle);
    return w != nullptr ? Deliver(w, message, wParam, lParam, true) : 0;
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(handle);
    return w != nullptr ? Deliver(w, message, wParam, lParam, false) : 0;
}


BOOL WINAPI SetWindowTextW(HWND handle, LPCWSTR text)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    if (IsTopLevel(*w)) {
        w->text = Units(text);
        return TRUE;
    }
    return static_cast<BOOL>(SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextW(HWND handle, LPWSTR buffer, int capacity)
{
    Window* w = Find(handle);
    if (w == nullptr) {
        CopyOut(std::u16string(), buffer, capacity);
        return 0;
    }
    return CopyOut(w->text, buffer, capacity);
}
