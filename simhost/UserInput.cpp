#include "UserInput.h"

#ifndef _WIN32
#include "WindowModel.h"
#endif

#include <vector>

namespace simhost {

void ClickButton(HWND button)
{
    SendMessageW(button, BM_CLICK, 0, 0);
}

void ClickListLine(HWND list, int line)
{
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

void TypeText(HWND edit, const std::u16string& text)
{
    std::vector<WCHAR> units(text.begin(), text.end());
    units.push_back(0);
    SetWindowTextW(edit, reinterpret_cast<LPCWSTR>(units.data()));
}

void ClickCloseBox(HWND window)
{
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DragFrame(HWND window, int dw, int dh)
{
    RECT outer = {};
    if (!GetWindowRect(window, &outer)) return;
    MINMAXINFO limits = {};
    limits.ptMinTrackSize = { 1, 1 };
    limits.ptMaxTrackSize = { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    LONG width = outer.right - outer.left + dw;
    LONG height = outer.bottom - outer.top + dh;
    if (width > limits.ptMaxTrackSize.x) width = limits.ptMaxTrackSize.x;
    if (height > limits.ptMaxTrackSize.y) height = limits.ptMaxTrackSize.y;
    if (width < limits.ptMinTrackSize.x) width = limits.ptMinTrackSize.x;
    if (height < limits.ptMinTrackSize.y) height = limits.ptMinTrackSize.y;
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LetTimePass(uint32_t milliseconds)
{
#ifdef _WIN32
    const DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<int32_t>(end - now) <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
#else
    win32stub::PassTime(milliseconds);
#endif
}

}  // namespace simhost
