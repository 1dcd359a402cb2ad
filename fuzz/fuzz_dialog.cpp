// The tool window's dialog procedure on arbitrary message sequences: the
// dialog's own messages, commands from any item, timers, resizes, clicks and
// part switches, in any order. Nothing crashes, leaks or hangs, the edit
// depth comes back to 0, and the window object's handle is the dialog's or
// none.
#include "FuzzHost.h"
#include "UserInput.h"
#include "host/HostFunctions.h"
#include "shell/EntryPoints.h"
#include "shell/Globals.h"
#include "sync/FCPerfcopyWindow.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    simhost::Host& host = fuzz::FreshHost();
    host.score.staffOrder = { 1, 2, 3 };
    host.score.measureCount = 1;
    host.score.selection.startSlot = 1;
    host.score.selection.endSlot = 3;
    host.score.selection.startMeasure = host.score.selection.endMeasure = 1;
    host.OpenMainWindow();
    FinaleExtensionVersion(0x12050000);
    uint32_t flags = 0;
    FinaleExtensionInit(0, &flags);
    FinaleExtensionInvoke(host.mainWindow, 0, 0, 0);
    const uint32_t messages[] = { WM_INITDIALOG, WM_SHOWWINDOW, WM_COMMAND, WM_CLOSE, WM_SIZE, WM_GETMINMAXINFO,
                                  WM_ACTIVATE, WM_WINDOWPOSCHANGING, 0x036D, WM_TIMER, WM_NOTIFY, 0x0400 };
    const int16_t items[] = { 1, 2, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, -1, 999 };
    for (size_t i = 0; i + 3 < size && i < 400; i += 4) {
        FCPerfcopyWindow* window = gPerfcopyWindow;
        HWND dialog = window->GetWindowHandle();
        const uint8_t what = data[i] % 20;
        const uint16_t value = static_cast<uint16_t>(data[i + 1] | (data[i + 2] << 8));
        MINMAXINFO limits = {};
        NMHDR header = {};
        if (what < 12) {
            const uint32_t message = messages[what];
            WPARAM wParam = value;
            LPARAM lParam = data[i + 3];
            if (message == WM_COMMAND) wParam = MAKEWPARAM(static_cast<uint16_t>(items[value % 15]), data[i + 3]);
            if (message == WM_GETMINMAXINFO) lParam = reinterpret_cast<LPARAM>(&limits);
            if (message == WM_NOTIFY) lParam = reinterpret_cast<LPARAM>(&header);
            if (message == WM_SIZE) lParam = MAKELPARAM(value, data[i + 3] * 4);
            // Commands from "&Apply" ask; every box answers Yes or No.
            win32stub::QueueMessageBoxAnswer(data[i + 3] & 1 ? IDYES : IDNO);
            win32stub::QueueMessageBoxAnswer(data[i + 3] & 2 ? IDYES : IDNO);
            FCUserWindowDialogProc(dialog, message, wParam, lParam, window);
        } else if (what == 12) {
            simhost::LetTimePass(value % 1000);
        } else if (what == 13) {
            host.score.part = value % 3;
        } else if (what == 14 && dialog != nullptr) {
            simhost::DragFrame(dialog, static_cast<int8_t>(data[i + 1]), static_cast<int8_t>(data[i + 2]));
        } else if (what == 15 && dialog != nullptr) {
            simhost::ClickListLine(GetDlgItem(dialog, 102), data[i + 1] % 5 - 1);
        } else if (what == 16 && dialog != nullptr) {
            simhost::ClickButton(GetDlgItem(dialog, 103 + 3 * (value % 3)));
        } else if (what == 17) {
            FinaleExtensionInvoke(host.mainWindow, 0, 0, 0);
        } else if (what == 18) {
            host.BeginModalDialog();
        } else {
            host.EndModalDialog();
        }
        HWND now = gPerfcopyWindow->GetWindowHandle();
        fuzz::Require(now == nullptr || IsWindow(now), "the window object holds a live dialog or none");
        fuzz::Require(!host.EditOpen(), "no edit is left open");
    }
    FinaleExtensionTerminate(0);
    fuzz::Require(gPerfcopyWindow == nullptr, "terminate destroys the window");
    fuzz::Require(host.LiveFrameCount() == 0, "no frame is left loaded");
    return 0;
}
