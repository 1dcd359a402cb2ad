#include "WindowState.h"

#include "ScreenGeometry.h"

namespace win32stub {

State& S()
{
    static State state;
    return state;
}

Window* Find(HWND handle)
{
    auto it = S().windows.find(reinterpret_cast<uintptr_t>(handle));
    return it == S().windows.end() ? nullptr : it->second.get();
}

int64_t Value(HWND handle)
{
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(handle));
}

int FrameWidth(const Window& w)
{
    if (w.kind != Kind::Frame && w.kind != Kind::Dialog) return 0;
    if (w.style & WS_THICKFRAME) return kSizeFrame;
    return (w.style & (WS_CAPTION | WS_BORDER)) ? 1 : 0;
}

int CaptionHeight(const Window& w)
{
    if (w.kind != Kind::Frame && w.kind != Kind::Dialog) return 0;
    return (w.style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
}

RECT ClientRectOnScreen(const Window& w)
{
    const int frame = FrameWidth(w);
    RECT r = { w.rect.left + frame, w.rect.top + frame + CaptionHeight(w), w.rect.right - frame,
               w.rect.bottom - frame };
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool IsTopLevel(const Window& w)
{
    return w.kind == Kind::Frame || w.kind == Kind::Dialog;
}

Window* NewWindow(Kind kind, HWND parent, DWORD style, const RECT& rect)
{
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(S().nextHandle);
    S().nextHandle += 0x10;
    window->kind = kind;
    window->parent = parent;
    window->style = style;
    window->rect = rect;
    window->enabled = (style & WS_DISABLED) == 0;
    Window* raw = window.get();
    S().windows[reinterpret_cast<uintptr_t>(raw->handle)] = std::move(window);
    return raw;
}

std::vector<Window*> Children(HWND parent)
{
    std::vector<Window*> children;
    for (auto& entry : S().windows) {
        if (entry.second->parent == parent && !IsTopLevel(*entry.second)) children.push_back(entry.second.get());
    }
    return children;
}

}  // namespace win32stub
