// The simulated host's windows, written once as plain Win32 calls: they run
// on the stand-in natively and on Wine's user32 inside FINALE.EXE.
#include "PluginCall.h"
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
// The message the host's frame sends the windows it owns when it is
// enabled, disabled or activated.
constexpr UINT kFloatStatusMessage = 0x036D;

LPCWSTR Wide(const char16_t* text)
{
    return reinterpret_cast<LPCWSTR>(text);
}

// The main window tells the plug-in's windows when it is enabled or
// disabled, as the host's frame does, so that they follow it.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENABLE) Host::Get().NotifyFloatingWindows();
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterMainClass()
{
    static bool registered = false;
    if (registered && IsWindow(Host::Get().mainWindow)) return;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
#ifdef _WIN32
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
#endif
    windowClass.lpszClassName = Wide(kMainClass);
    registered = RegisterClassW(&windowClass) != 0 || registered;
}

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
#ifdef SIMHOST_CHECKED_PLUGIN_CALLS
    const INT_PTR result = static_cast<int32_t>(
        CallPlugin(reinterpret_cast<const void*>(target.procedure),
                   { reinterpret_cast<uint32_t>(dialog), message, wParam, static_cast<uint32_t>(lParam),
                     reinterpret_cast<uint32_t>(target.owner) }));
#else
    const INT_PTR result = target.procedure(dialog, message, wParam, lParam, target.owner);
#endif
    if (message == WM_DESTROY) host.dialogs.erase(dialog);
    return result;
}

}  // namespace

HWND Host::OpenMainWindow()
{
    if (mainWindow != nullptr && IsWindow(mainWindow)) return mainWindow;
    RegisterMainClass();
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
}

void Host::NotifyFloatingWindows()
{
    std::vector<HWND> open;
    for (const auto& dialog : dialogs) open.push_back(dialog.first);
    for (HWND dialog : open) SendMessageW(dialog, kFloatStatusMessage, 0, 0);
}

HWND Host::OpenPluginDialog(int16_t resource, FX_DialogProc procedure, HWND parent, void* owner)
{
    if (procedure == nullptr) return nullptr;
    DialogBinding binding = { procedure, owner };
    return CreateDialogParamW(pluginModule, MAKEINTRESOURCEW(static_cast<uint16_t>(resource)), parent,
                              ForwardToPlugin, reinterpret_cast<LPARAM>(&binding));
}

}  // namespace simhost
