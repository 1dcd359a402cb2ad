#include "MessageDelivery.h"

#include "EventLog.h"
#include "TextConversion.h"

#include <algorithm>

namespace win32stub {

LRESULT CallProcedure(Window* w, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log(MessageName(message), w->handle, { static_cast<int64_t>(wParam), static_cast<int64_t>(lParam) });
    if (w->windowProcedure != nullptr) return w->windowProcedure(w->handle, message, wParam, lParam);
    if (w->procedure == nullptr) {
        if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
            return Deliver(w, WM_CLOSE, 0, 0, true);
        }
        return 0;
    }
    const HWND handle = w->handle;
    const INT_PTR handled = w->procedure(handle, message, wParam, lParam);
    // What a dialog's default procedure does when the dialog procedure
    // leaves a message alone.
    Window* still = Find(handle);
    if (handled == 0 && still != nullptr && message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        return Deliver(still, WM_CLOSE, 0, 0, true);
    }
    return handled;
}

namespace {

void Notify(Window* control, int code)
{
    Window* parent = Find(control->parent);
    if (parent == nullptr) return;
    Deliver(parent, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control->handle), true);
}

LRESULT ControlMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool wide)
{
    switch (message) {
    case WM_SETTEXT:
        w->text = wide ? Units(reinterpret_cast<const WCHAR*>(lParam))
                       : FromCodePage(reinterpret_cast<const char*>(lParam));
        if (w->kind == Kind::Edit) Notify(w, EN_CHANGE);
        return TRUE;
    case WM_GETTEXT:
        return wide ? CopyOut(w->text, reinterpret_cast<WCHAR*>(lParam), static_cast<int>(wParam))
                    : CopyOutA(w->text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    default:
        break;
    }
    if (w->kind == Kind::Button) {
        switch (message) {
        case BM_GETCHECK: return w->check;
        case BM_SETCHECK: w->check = static_cast<UINT>(wParam); return 0;
        case BM_CLICK:
            if ((w->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            Notify(w, BN_CLICKED);
            return 0;
        default: return 0;
        }
    }
    if (w->kind == Kind::ListBox) {
        const int count = static_cast<int>(w->lines.size());
        switch (message) {
        case LB_RESETCONTENT:
            w->lines.clear();
            w->selected = -1;
            return 0;
        case LB_ADDSTRING:
            w->lines.push_back(wide ? Units(reinterpret_cast<const WCHAR*>(lParam))
                                    : FromCodePage(reinterpret_cast<const char*>(lParam)));
            return count;
        case LB_GETCOUNT: return count;
        case LB_GETCURSEL: return w->selected;
        case LB_SETCURSEL: {
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            if (index < 0 || index >= count) {
                if (index == -1) w->selected = -1;
                return LB_ERR;
            }
            w->selected = index;
            return index;
        }
        case LB_GETTEXTLEN: {
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            return index < 0 || index >= count ? LB_ERR : static_cast<LRESULT>(w->lines[index].size());
        }
        case LB_GETTEXT: {
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            if (index < 0 || index >= count) return LB_ERR;
            const std::u16string& line = w->lines[index];
            return wide ? CopyOut(line, reinterpret_cast<WCHAR*>(lParam), static_cast<int>(line.size()) + 1)
                        : CopyOutA(line, reinterpret_cast<char*>(lParam), static_cast<int>(line.size()) + 1);
        }
        default: return 0;
        }
    }
    return 0;
}

}  // namespace

LRESULT Deliver(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool wide)
{
    if (IsTopLevel(*w)) return CallProcedure(w, message, wParam, lParam);
    std::string text;
    if (message == WM_SETTEXT || message == LB_ADDSTRING) {
        text = wide ? ToUtf8(Units(reinterpret_cast<const WCHAR*>(lParam)))
                    : ToUtf8(FromCodePage(reinterpret_cast<const char*>(lParam)));
    }
    Log(std::string(MessageName(message)) + (wide ? "" : " (A)"), w->handle,
        { static_cast<int64_t>(wParam), text.empty() ? static_cast<int64_t>(lParam) : 0 }, text);
    return ControlMessage(w, message, wParam, lParam, wide);
}

void Activate(Window* w)
{
    const HWND previous = S().active;
    if (w != nullptr && previous == w->handle) return;
    S().active = w != nullptr ? w->handle : nullptr;
    if (Window* old = Find(previous)) {
        Deliver(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(w != nullptr ? w->handle : nullptr), true);
    }
    if (w != nullptr && Find(w->handle) != nullptr) {
        Deliver(w, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous), true);
    }
}

namespace {

void MoveChildren(HWND parent, LONG dx, LONG dy)
{
    for (Window* child : Children(parent)) {
        if (IsTopLevel(*child)) continue;
        child->rect = { child->rect.left + dx, child->rect.top + dy, child->rect.right + dx, child->rect.bottom + dy };
        MoveChildren(child->handle, dx, dy);
    }
}

// A far edge of a window, kept within 32 bits: a stored size may be any
// number.
LONG FarEdge(LONG nearEdge, int length)
{
    const int64_t edge = static_cast<int64_t>(nearEdge) + std::max(length, 0);
    return edge > INT32_MAX ? INT32_MAX : static_cast<LONG>(edge);
}

}  // namespace

void ApplyPosition(Window* w, int x, int y, int cx, int cy, UINT flags)
{
    RECT next = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        if (w->kind != Kind::Frame && w->kind != Kind::Dialog) {
            if (Window* parent = Find(w->parent)) {
                const RECT client = ClientRectOnScreen(*parent);
                x += client.left;
                y += client.top;
            }
        }
        const LONG width = next.right - next.left;
        const LONG height = next.bottom - next.top;
        next = { x, y, x + width, y + height };
    }
    if (!(flags & SWP_NOSIZE)) {
        next.right = FarEdge(next.left, cx);
        next.bottom = FarEdge(next.top, cy);
    }
    if (!IsTopLevel(*w)) {
        w->rect = next;
        return;
    }
    const HWND handle = w->handle;
    WINDOWPOS position = { handle, nullptr, static_cast<int>(next.left), static_cast<int>(next.top),
                           static_cast<int>(next.right - next.left), static_cast<int>(next.bottom - next.top), flags };
    Deliver(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position), true);
    if ((w = Find(handle)) == nullptr) return;
    const RECT oldClient = ClientRectOnScreen(*w);
    const LONG movedX = next.left - w->rect.left;
    const LONG movedY = next.top - w->rect.top;
    w->rect = next;
    // Child windows lie in their parent's client area and move with it.
    if (movedX != 0 || movedY != 0) MoveChildren(handle, movedX, movedY);
    Deliver(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position), true);
    if ((w = Find(handle)) == nullptr) return;
    const RECT client = ClientRectOnScreen(*w);
    if (client.right - client.left != oldClient.right - oldClient.left ||
        client.bottom - client.top != oldClient.bottom - oldClient.top) {
        Deliver(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top), true);
    }
}

}  // namespace win32stub
