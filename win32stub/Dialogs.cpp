// Dialogs made from a module's compiled template, and the calls on their items.
#include "DialogTemplate.h"
#include "EventLog.h"
#include "MessageDelivery.h"
#include "ModuleRegistry.h"
#include "ScreenGeometry.h"
#include "TextConversion.h"
#include "WindowState.h"

#include <cstdlib>

using namespace win32stub;

namespace {

constexpr uint16_t kDialogResource = 5;

}  // namespace

HWND WINAPI CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC procedure,
                               LPARAM param)
{
    if (!IS_INTRESOURCE(templateName)) return nullptr;
    const uint16_t number = static_cast<uint16_t>(reinterpret_cast<UINT_PTR>(templateName));
    const std::vector<uint8_t>* bytes = FindResourceBytes(instance, kDialogResource, number);
    DialogTemplate dialog;
    if (bytes == nullptr || !ParseDialogTemplate(bytes->data(), bytes->size(), dialog)) return nullptr;

    int originX = 0;
    int originY = 0;
    if (Window* owner = Find(parent)) {
        const RECT client = ClientRectOnScreen(*owner);
        originX = client.left;
        originY = client.top;
    }
    Window* w = NewWindow(Kind::Dialog, parent, dialog.style & ~static_cast<DWORD>(WS_VISIBLE), RECT{});
    // The template places the client area; the frame and caption lie around it.
    const int frame = FrameWidth(*w);
    const int left = originX + DialogUnitsToPixelsX(dialog.x) - frame;
    const int top = originY + DialogUnitsToPixelsY(dialog.y) - frame - CaptionHeight(*w);
    w->rect = { left, top, left + DialogUnitsToPixelsX(dialog.cx) + 2 * frame,
                top + DialogUnitsToPixelsY(dialog.cy) + 2 * frame + CaptionHeight(*w) };
    w->style = dialog.style;
    w->text = dialog.title;
    w->procedure = procedure;
    const HWND handle = w->handle;
    const RECT client = ClientRectOnScreen(*w);
    for (const DialogItemTemplate& item : dialog.items) {
        Kind kind = Kind::Static;
        if (item.itemClass == ItemClass::Button) kind = Kind::Button;
        if (item.itemClass == ItemClass::Edit) kind = Kind::Edit;
        if (item.itemClass == ItemClass::ListBox) kind = Kind::ListBox;
        const int x = client.left + DialogUnitsToPixelsX(item.x);
        const int y = client.top + DialogUnitsToPixelsY(item.y);
        Window* control = NewWindow(kind, handle, item.style,
                                    RECT{ x, y, x + DialogUnitsToPixelsX(item.cx), y + DialogUnitsToPixelsY(item.cy) });
        control->id = static_cast<int>(static_cast<int16_t>(item.id & 0xFFFF));
        control->text = item.text;
        control->visible = (item.style & WS_VISIBLE) != 0;
    }
    Log("CreateDialogParamW", handle, { number, Value(parent) });
    if (dialog.style & DS_SETFONT) CallProcedure(Find(handle), WM_SETFONT, 0, 0);
    if (Find(handle) == nullptr) return nullptr;
    CallProcedure(Find(handle), WM_INITDIALOG, 0, param);
    if (Find(handle) != nullptr && (dialog.style & WS_VISIBLE)) ShowWindow(handle, SW_SHOWNORMAL);
    return Find(handle) != nullptr ? handle : nullptr;
}

HWND WINAPI GetDlgItem(HWND dialog, int item)
{
    if (Find(dialog) == nullptr) return nullptr;
    for (Window* child : Children(dialog)) {
        if (child->id == static_cast<int>(static_cast<int16_t>(item & 0xFFFF))) return child->handle;
    }
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND window)
{
    Window* w = Find(window);
    return w != nullptr ? w->id : 0;
}

LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(GetDlgItem(dialog, item), message, wParam, lParam);
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(GetDlgItem(dialog, item), message, wParam, lParam);
}

BOOL WINAPI SetDlgItemTextW(HWND dialog, int item, LPCWSTR text)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return FALSE;
    return static_cast<BOOL>(SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int item, LPCSTR text)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return FALSE;
    return static_cast<BOOL>(SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

UINT WINAPI GetDlgItemTextW(HWND dialog, int item, LPWSTR buffer, int capacity)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) {
        CopyOut(std::u16string(), buffer, capacity);
        return 0;
    }
    return static_cast<UINT>(SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                          reinterpret_cast<LPARAM>(buffer)));
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int item, LPSTR buffer, int capacity)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) {
        if (buffer != nullptr && capacity > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(SendMessageA(control, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                          reinterpret_cast<LPARAM>(buffer)));
}

BOOL WINAPI SetDlgItemInt(HWND dialog, int item, UINT value, BOOL isSigned)
{
    char digits[16];
    if (isSigned) std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
    else std::snprintf(digits, sizeof digits, "%u", value);
    return SetDlgItemTextA(dialog, item, digits);
}

UINT WINAPI GetDlgItemInt(HWND dialog, int item, BOOL* translated, BOOL isSigned)
{
    if (translated != nullptr) *translated = FALSE;
    Window* w = Find(GetDlgItem(dialog, item));
    if (w == nullptr) return 0;
    // As Windows reads it: spaces, an optional minus sign, digits, spaces.
    const std::u16string& text = w->text;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (isSigned && i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    const size_t firstDigit = i;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > 0xFFFFFFFFll) return 0;
        ++i;
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == firstDigit || i != text.size()) return 0;
    if (negative) value = -value;
    if (isSigned && (value > INT32_MAX || value < INT32_MIN)) return 0;
    if (translated != nullptr) *translated = TRUE;
    return static_cast<UINT>(value);
}

BOOL WINAPI CheckDlgButton(HWND dialog, int item, UINT check)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return FALSE;
    SendMessageW(control, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int item)
{
    return static_cast<UINT>(SendMessageW(GetDlgItem(dialog, item), BM_GETCHECK, 0, 0));
}
