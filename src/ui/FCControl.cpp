#include "FCControl.h"

#include "host/HostFunctions.h"
#include "shell/Globals.h"
#include "ui/OwningWindow.h"

namespace {

const char kControlName[] = "FCControl";
const char kStaticName[] = "FCCtrlStatic";
const char kEditName[] = "FCCtrlEdit";
const char kListBoxName[] = "FCCtrlListBox";

// Item text travels as UTF-16 from this host version on, as 8-bit text below.
constexpr uint32_t kUTF16Host = 0x11000000;
// The capacity offered to the host for an item's text, terminator included.
constexpr int32_t kTextCapacity = 5000;

// Value kinds of the host's item-value functions.
constexpr int32_t kCheckValue = 1;
constexpr int32_t kIntegerValue = 3;

constexpr UINT kMoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
constexpr UINT kSizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

}  // namespace

const char* FCControl::ClassName() const
{
    return kControlName;
}

int32_t FCControl::GetControlType() const
{
    return 0;
}

HWND FCControl::WindowHandle() const
{
    return OwningWindowHandle(window_);
}

HWND FCControl::Item() const
{
    HWND window = WindowHandle();
    return window != nullptr ? GetDlgItem(window, item_) : nullptr;
}

void FCControl::Redraw()
{
    InvalidateRect(Item(), nullptr, FALSE);
}

void FCControl::SetEnable(bool enable)
{
    FX_EnableDlgItem(WindowHandle(), item_, enable ? 1 : 0);
}

bool FCControl::GetEnable()
{
    return IsWindowEnabled(Item()) != FALSE;
}

void FCControl::SetVisible(bool visible)
{
    ShowWindow(Item(), visible ? SW_SHOW : SW_HIDE);
}

void FCControl::SetText(const FCString* text)
{
    if (gHostVersion >= kUTF16Host) {
        static const uint16_t kEmpty[1] = { 0 };
        FX_SetDlgString_UTF16(WindowHandle(), item_, text != nullptr ? text->GetUTF16() : kEmpty);
        return;
    }
    if (text == nullptr) {
        FX_SetDlgString(WindowHandle(), item_, "");
        return;
    }
    FCString narrow(*text);
    FX_SetDlgString(WindowHandle(), item_, narrow.GetCString());
}

void FCControl::GetText(FCString* text)
{
    if (text == nullptr) return;
    if (gHostVersion >= kUTF16Host) {
        uint16_t* buffer = new uint16_t[kTextCapacity];
        buffer[0] = 0;
        FX_GetDlgString_UTF16(WindowHandle(), item_, buffer, kTextCapacity);
        buffer[kTextCapacity - 1] = 0;  // a host that fills the buffer is cut, not overrun
        text->SetUTF16(buffer);
        delete[] buffer;
        return;
    }
    char* buffer = new char[kTextCapacity];
    buffer[0] = 0;
    FX_GetDlgString(WindowHandle(), item_, buffer, kTextCapacity);
    buffer[kTextCapacity - 1] = 0;
    text->SetCString(buffer);
    delete[] buffer;
}

void FCControl::MoveBy(int32_t dx, int32_t dy)
{
    HWND item = Item();
    RECT rect = {};
    GetWindowRect(item, &rect);
    POINT corner = { rect.left, rect.top };
    ScreenToClient(WindowHandle(), &corner);
    const int32_t x = corner.x + dx;
    const int32_t y = corner.y + dy;
    if (OwningWindowInBatchLayout(window_)) {
        recordedX_ = x;
        recordedY_ = y;
        movePending_ = true;
        return;
    }
    SetWindowPos(item, nullptr, x, y, 0, 0, kMoveFlags);
}

void FCControl::ResizeBy(int32_t dw, int32_t dh)
{
    HWND item = Item();
    RECT rect = {};
    GetWindowRect(item, &rect);
    const int32_t width = rect.right - rect.left + dw;
    const int32_t height = rect.bottom - rect.top + dh;
    if (OwningWindowInBatchLayout(window_)) {
        recordedWidth_ = width;
        recordedHeight_ = height;
        sizePending_ = true;
        return;
    }
    SetWindowPos(item, nullptr, 0, 0, width, height, kSizeFlags);
}

const char* FCCtrlStatic::ClassName() const
{
    return kStaticName;
}

const char* FCCtrlEdit::ClassName() const
{
    return kEditName;
}

void FCCtrlEdit::GetText(FCString* text)
{
    FCControl::GetText(text);
}

int32_t FCCtrlEdit::GetInteger()
{
    return FX_GetDlgItemVal(WindowHandle(), GetItemNumber(), kIntegerValue);
}

void FCCtrlEdit::SetInteger(int32_t value)
{
    FX_SetDlgItemVal(WindowHandle(), GetItemNumber(), kIntegerValue, value);
}

const char* FCCtrlListBox::ClassName() const
{
    return kListBoxName;
}

void FCCtrlListBox::ClearLines()
{
    SendDlgItemMessageW(WindowHandle(), GetItemNumber(), LB_RESETCONTENT, 0, 0);
}

int32_t FCCtrlListBox::GetLineCount()
{
    return static_cast<int32_t>(SendDlgItemMessageW(WindowHandle(), GetItemNumber(), LB_GETCOUNT, 0, 0));
}

void FCCtrlListBox::AddString(FCString* text)
{
    if (text == nullptr) return;
    // UTF-16 hosts hold names beyond the 8-bit range: the line gets the
    // whole text. Older hosts' names are bytes of the system code page,
    // which the 8-bit call converts.
    if (gHostVersion >= kUTF16Host) {
        SendDlgItemMessageW(WindowHandle(), GetItemNumber(), LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(text->GetUTF16()));
        return;
    }
    SendDlgItemMessageA(WindowHandle(), GetItemNumber(), LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(text->GetCString()));
}

int32_t FCCtrlListBox::GetSelectedLine()
{
    return static_cast<int32_t>(SendDlgItemMessageW(WindowHandle(), GetItemNumber(), LB_GETCURSEL, 0, 0));
}

void FCCtrlListBox::SetSelectedLine(int32_t line)
{
    SendDlgItemMessageW(WindowHandle(), GetItemNumber(), LB_SETCURSEL, static_cast<WPARAM>(line), 0);
}

void FCCtrlCheckbox::SetCheck(int16_t state)
{
    FX_SetDlgItemVal(WindowHandle(), GetItemNumber(), kCheckValue, static_cast<int32_t>(state));
}

int16_t FCCtrlCheckbox::GetCheck()
{
    return static_cast<int16_t>(FX_GetDlgItemVal(WindowHandle(), GetItemNumber(), kCheckValue) & 0xFFFF);
}
