// The simulated host's windows, written once as plain Win32 calls: they run
// on the stand-in natively and on Wine's user32 inside FINALE.EXE.
#include "SimHost.h"

#include <vector>

#ifndef _WIN32
#include "ModuleRegistry.h"
#endif

namespace simhost {

namespace {

const char16_t kMainClass[] = u"QVSimHostMain";
const char16_t kMainTitle[] = u"Finale (simulated host)";
const char16_t kModalTitle[] = u"Host dialog";
// The message the host sends its tool windows when it is idle again.
constexpr UINT kIdleUpdateMessage = 0x036D;

LPCWSTR Wide(const char16_t* text)
{
    return reinterpret_cast<LPCWSTR>(text);
}

#ifdef _WIN32
void RegisterMainClass()
{
    static bool registered = false;
    if (registered) return;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = Wide(kMainClass);
    registered = RegisterClassW(&windowClass) != 0;
}
#endif

// Hands each message of a plug-in dialog to the plug-in's procedure with the
// window object it gave to FX_Dialog. Messages before WM_INITDIALOG (the
// font) have no binding yet and are left to the dialog's defaults.
INT_PTR CALLBACK ForwardToPlugin(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host& host = Host::Get();
    if (message == WM_INITDIALOG && lParam != 0) {
        host.dialogs[dialog] = *reinterpret_cast<const Host::DialogBinding*>(lParam);
    }
    auto binding = host.dialogs.find(dialog);
    if (binding == host.dialogs.end()) return FALSE;
    const Host::DialogBinding target = binding->second;
    const INT_PTR result = target.procedure(dialog, message, wParam, lParam, target.owner);
    if (message == WM_DESTROY) host.dialogs.erase(dialog);
    return result;
}

}  // namespace

HWND Host::OpenMainWindow()
{
    if (mainWindow != nullptr && IsWindow(mainWindow)) return mainWindow;
#ifdef _WIN32
    RegisterMainClass();
#endif
    mainWindow = CreateWindowExW(0, Wide(kMainClass), Wide(kMainTitle), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYFULLSCREEN), nullptr,
                                 nullptr, nullptr, nullptr);
    return mainWindow;
}

void Host::CloseMainWindow()
{
    EndModalDialog();
    if (mainWindow != nullptr) DestroyWindow(mainWindow);
    mainWindow = nullptr;
}

void Host::BeginModalDialog()
{
    if (modalDialog != nullptr || mainWindow == nullptr) return;
#ifdef _WIN32
    RegisterMainClass();
#endif
    // As a modal dialog does: the owner is disabled before the dialog shows.
    EnableWindow(mainWindow, FALSE);
    modalDialog = CreateWindowExW(0, Wide(kMainClass), Wide(kModalTitle), WS_POPUP | WS_CAPTION | WS_VISIBLE, 200,
                                  200, 300, 150, mainWindow, nullptr, nullptr, nullptr);
}

void Host::EndModalDialog()
{
    if (modalDialog == nullptr) return;
    if (mainWindow != nullptr) EnableWindow(mainWindow, TRUE);
    DestroyWindow(modalDialog);
    modalDialog = nullptr;
    // The host's idle update tells the plug-in's windows, which follow the
    // host's enabled state on it.
    std::vector<HWND> open;
    for (const auto& dialog : dialogs) open.push_back(dialog.first);
    for (HWND dialog : open) SendMessageW(dialog, kIdleUpdateMessage, 0, 0);
}

HWND Host::OpenPluginDialog(int16_t resource, FX_DialogProc procedure, HWND parent, void* owner)
{
    if (procedure == nullptr) return nullptr;
    DialogBinding binding = { procedure, owner };
    return CreateDialogParamW(pluginModule, MAKEINTRESOURCEW(static_cast<uint16_t>(resource)), parent,
                              ForwardToPlugin, reinterpret_cast<LPARAM>(&binding));
}

}  // namespace simhost
