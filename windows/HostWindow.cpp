#include "HostWindow.h"

#include "PluginCall.h"
#include "SimHost.h"

#include <cstdio>
#include <string>
#include <vector>

namespace finale {

namespace {

const wchar_t kClassName[] = L"QVFinaleHost";
const Plugin* gPlugin = nullptr;
// Whether RunMessageLoop runs: only then does closing the main window end it.
bool gLoopRunning = false;

// The menu record of FinaleExtensionEnumerate_UTF16: three fields of 128
// UTF-16 units and a 32-bit zero.
constexpr size_t kMenuRecordBytes = 772;

// One line per note of the selected passage, with its playback values.
std::vector<std::wstring> ViewLines()
{
    const simhost::Score& score = simhost::Host::Get().score;
    const simhost::Region& region = score.selection;
    std::vector<std::wstring> lines;
    wchar_t line[160];
    swprintf(line, 160, L"Document %d, part %d. Selected: slots %d-%d, measures %d-%d.", score.document,
             score.part, region.startSlot, region.endSlot, region.startMeasure, region.endMeasure);
    lines.push_back(line);
    for (int16_t measure = region.startMeasure; measure >= 1 && measure <= region.endMeasure; ++measure) {
        for (int16_t slot = region.startSlot; slot >= 1 && slot <= region.endSlot; ++slot) {
            const int16_t staff = score.StaffAt(slot, region.startSlotContext);
            for (int32_t layer = 0; layer < score.maxLayers; ++layer) {
                auto frame = score.frames.find(simhost::FrameKey(staff, measure, layer));
                if (frame == score.frames.end()) continue;
                for (const simhost::EntryBytes& e : frame->second.entries) {
                    const uint16_t notes = simhost::entry::NoteCount(e) > 12 ? 12 : simhost::entry::NoteCount(e);
                    for (uint16_t k = 0; k < notes; ++k) {
                        const uint32_t number = simhost::entry::Number(e);
                        auto values = score.PerformanceOf(number, simhost::entry::NoteID(e, k));
                        if (values) {
                            swprintf(line, 160, L"m%d  staff %d  layer %d  entry %u  note %u:  velocity %d  start %d  end %d",
                                     measure, staff, layer + 1, number, k + 1u, values->velocity, values->start,
                                     values->end);
                        } else {
                            swprintf(line, 160, L"m%d  staff %d  layer %d  entry %u  note %u:  (no playback data)",
                                     measure, staff, layer + 1, number, k + 1u);
                        }
                        lines.push_back(line);
                    }
                }
            }
        }
    }
    return lines;
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT client;
    GetClientRect(window, &client);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int height = metrics.tmHeight + 2;
    // The view starts below the tool window, even when it is 40 pixels taller.
    int y = 360;
    for (const std::wstring& text : ViewLines()) {
        if (y > client.bottom) break;
        TextOutW(dc, 8, y, text.c_str(), static_cast<int>(text.size()));
        y += height;
    }
    SelectObject(dc, font);
    EndPaint(window, &paint);
}

void OnCommand(HWND window, UINT command)
{
    simhost::Host& host = simhost::Host::Get();
    switch (command) {
    case kPluginCommand:
        if (gPlugin != nullptr && gPlugin->invoke != nullptr) gPlugin->invoke(window, 0, 0, 0);
        break;
    case kUndoCommand:
        if (host.Undo()) InvalidateRect(window, nullptr, TRUE);
        else MessageBeep(MB_OK);
        break;
    case kNextPartCommand:
        ++host.score.part;
        InvalidateRect(window, nullptr, TRUE);
        break;
    case kNextDocumentCommand:
        ++host.score.document;
        InvalidateRect(window, nullptr, TRUE);
        break;
    case kHostDialogCommand:
        // A modal dialog of the host's own: the main window is disabled
        // while it is open.
        MessageBoxW(window, L"A modal dialog of the host. The tool window is disabled while it is open.",
                    L"Host dialog", MB_OK);
        break;
    case kExitCommand:
        DestroyWindow(window);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ENABLE:
        // The host's frame tells the windows it owns, which follow it.
        simhost::Host::Get().NotifyFloatingWindows();
        return 0;
    case WM_DESTROY:
        simhost::Host::Get().mainWindow = nullptr;
        // A quit message left in the queue with no loop to take it would
        // end the next modal loop at once: a later load's message boxes
        // would close unseen and answer nothing.
        if (gLoopRunning) PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HMENU BuildMenu(const Plugin& plugin)
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kExitCommand, L"E&xit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    HMENU edit = CreatePopupMenu();
    AppendMenuW(edit, MF_STRING, kUndoCommand, L"&Undo");
    AppendMenuW(edit, MF_STRING, kHostDialogCommand, L"&Preferences...");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    HMENU view = CreatePopupMenu();
    AppendMenuW(view, MF_STRING, kNextPartCommand, L"Next &Part");
    AppendMenuW(view, MF_STRING, kNextDocumentCommand, L"Next &Document");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    // The plug-in's item, with the text its menu record gives.
    std::vector<uint8_t> record(kMenuRecordBytes, 0);
    HMENU plugins = CreatePopupMenu();
    if (plugin.enumerateUTF16 != nullptr && plugin.enumerateUTF16(0, 0, record.data()) != 0) {
        wchar_t text[129] = {};
        for (size_t i = 0; i < 128; ++i) text[i] = static_cast<wchar_t>(record[2 * i] | (record[2 * i + 1] << 8));
        AppendMenuW(plugins, MF_STRING, kPluginCommand, text);
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(plugins), L"P&lug-ins");
    return bar;
}

#ifdef SIMHOST_CHECKED_PLUGIN_CALLS
// The entry points as the DLL exports them. The host calls them through
// these shims, with the stack shifted and each call checked.
Plugin gExported;

template <typename Function>
const void* Address(Function function)
{
    return reinterpret_cast<const void*>(function);
}

uint32_t __cdecl CallVersion(uint32_t hostVersion)
{
    return simhost::CallPlugin(Address(gExported.version), { hostVersion });
}

uint32_t __cdecl CallInit(uint32_t unused, uint32_t* flags)
{
    return simhost::CallPlugin(Address(gExported.init),
                               { unused, reinterpret_cast<uint32_t>(flags) });
}

uint32_t __cdecl CallEnumerateUTF16(uint32_t unused, uint32_t index, void* record)
{
    return simhost::CallPlugin(Address(gExported.enumerateUTF16),
                               { unused, index, reinterpret_cast<uint32_t>(record) });
}

uint32_t __cdecl CallInvoke(HWND hostWindow, uint32_t first, uint32_t second, uint32_t third)
{
    return simhost::CallPlugin(Address(gExported.invoke),
                               { reinterpret_cast<uint32_t>(hostWindow), first, second, third });
}

void __cdecl CallTerminate(uint32_t unused)
{
    simhost::CallPlugin(Address(gExported.terminate), { unused });
}
#endif

}  // namespace

bool LoadPlugin(const wchar_t* path, Plugin& plugin, char* reason, size_t reasonSize)
{
    plugin.module = LoadLibraryW(path);
    if (plugin.module == nullptr) {
        snprintf(reason, reasonSize, "cannot load the plug-in %ls (Windows error %lu)", path, GetLastError());
        return false;
    }
    auto find = [&](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(plugin.module, name)); };
    plugin.version = reinterpret_cast<decltype(plugin.version)>(find("FinaleExtensionVersion"));
    plugin.init = reinterpret_cast<decltype(plugin.init)>(find("FinaleExtensionInit"));
    plugin.enumerateUTF16 = reinterpret_cast<decltype(plugin.enumerateUTF16)>(find("FinaleExtensionEnumerate_UTF16"));
    plugin.invoke = reinterpret_cast<decltype(plugin.invoke)>(find("FinaleExtensionInvoke"));
    plugin.terminate = reinterpret_cast<decltype(plugin.terminate)>(find("FinaleExtensionTerminate"));
    const char* missing = plugin.version == nullptr          ? "FinaleExtensionVersion"
                          : plugin.init == nullptr           ? "FinaleExtensionInit"
                          : plugin.enumerateUTF16 == nullptr ? "FinaleExtensionEnumerate_UTF16"
                          : plugin.invoke == nullptr         ? "FinaleExtensionInvoke"
                          : plugin.terminate == nullptr      ? "FinaleExtensionTerminate"
                                                             : nullptr;
    if (missing != nullptr) {
        snprintf(reason, reasonSize, "%ls is not a Finale plug-in: it does not export %s", path, missing);
        FreeLibrary(plugin.module);
        plugin.module = nullptr;
        return false;
    }
#ifdef SIMHOST_CHECKED_PLUGIN_CALLS
    gExported = plugin;
    plugin.version = CallVersion;
    plugin.init = CallInit;
    plugin.enumerateUTF16 = CallEnumerateUTF16;
    plugin.invoke = CallInvoke;
    plugin.terminate = CallTerminate;
#endif
    simhost::Host::Get().pluginModule = plugin.module;
    return true;
}

HWND CreateHostWindow(const Plugin& plugin)
{
    gPlugin = &plugin;
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = HostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        registered = RegisterClassW(&windowClass) != 0;
    }
    const std::wstring title = L"Finale (simulated host) - QV Perfcopy";
    HWND window = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYFULLSCREEN), nullptr,
                                  BuildMenu(plugin), GetModuleHandleW(nullptr), nullptr);
    simhost::Host::Get().mainWindow = window;
    return window;
}

int RunMessageLoop()
{
    gLoopRunning = true;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        bool handled = false;
        for (const auto& dialog : simhost::Host::Get().dialogs) {
            if (IsWindow(dialog.first) && IsDialogMessageW(dialog.first, &message)) {
                handled = true;
                break;
            }
        }
        if (handled) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    gLoopRunning = false;
    return 0;
}

}  // namespace finale
