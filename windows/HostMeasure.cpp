#include "HostMeasure.h"

#include <windows.h>

#include "HostWindow.h"
#include "MessageBoxes.h"
#include "ScoreGenerator.h"
#include "SimHost.h"
#include "UserInput.h"

#include <chrono>
#include <cstdio>

namespace finale {

namespace {

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<size_t*>(count);
    EnumChildWindows(window, CountChild, count);  // every descendant
    return TRUE;
}

// The windows of the host's thread, their children included.
size_t CountWindows()
{
    size_t count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

HWND PluginDialog()
{
    for (const auto& dialog : simhost::Host::Get().dialogs) {
        if (IsWindow(dialog.first)) return dialog.first;
    }
    return nullptr;
}

bool Start(const std::wstring& path, const simhost::Score& score, Plugin& plugin)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score = score;
    host.logCalls = false;
    char reason[512];
    if (!LoadPlugin(path.c_str(), plugin, reason, sizeof reason)) {
        std::fprintf(stderr, "FINALE.EXE: %s\n", reason);
        return false;
    }
    plugin.version(score.hostVersion);
    uint32_t flags = 0;
    plugin.init(0, &flags);
    return CreateHostWindow(plugin) != nullptr;
}

void Stop(Plugin& plugin)
{
    plugin.terminate(0);
    simhost::Host::Get().CloseMainWindow();
    FreeLibrary(plugin.module);
}

void OpenToolWindow()
{
    SendMessageW(simhost::Host::Get().mainWindow, WM_COMMAND, kPluginCommand, 0);
}

namespace {

void CloseToolWindow()
{
    HWND dialog = PluginDialog();
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 2)));
}

// Open/close cycles of the loaded plug-in's tool window: false when handles
// or GDI or USER objects grew.
bool RunCycles()
{
    HANDLE process = GetCurrentProcess();
    DWORD handlesAfterOne = 0;
    DWORD gdiAfterOne = 0;
    DWORD userAfterOne = 0;
    size_t windowsAfterOne = 0;
    for (int cycle = 1; cycle <= 100; ++cycle) {
        OpenToolWindow();
        simhost::LetTimePass(1);
        CloseToolWindow();
        if (cycle == 1) {
            GetProcessHandleCount(process, &handlesAfterOne);
            gdiAfterOne = GetGuiResources(process, GR_GDIOBJECTS);
            userAfterOne = GetGuiResources(process, GR_USEROBJECTS);
            windowsAfterOne = CountWindows();
        }
    }
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    const size_t windows = CountWindows();
    // Wine answers 0 for the handle and object counts it does not keep.
    std::printf("After 1 and after 100 open/close cycles of the tool window: windows %zu / %zu, handles %lu / %lu, "
                "GDI objects %lu / %lu, USER objects %lu / %lu\n",
                windowsAfterOne, windows, handlesAfterOne, handles, gdiAfterOne, gdi, userAfterOne, user);
    return windows <= windowsAfterOne && handles <= handlesAfterOne && gdi <= gdiAfterOne && user <= userAfterOne;
}

simhost::Score SmallScore()
{
    ScoreShape shape;
    shape.measures = 2;
    return GenerateScore(shape);
}

}  // namespace

int Measure(const std::wstring& path)
{
    simhost::WatchMessageBoxes([](const simhost::ShownBox& box) { return box.question ? IDYES : IDOK; });
    // Each figure in a load of the plug-in of its own, under a main window
    // of its own.
    // "&Apply" on the benchmark's score, at two sizes.
    for (const int16_t measures : { 40, 400 }) {
        ScoreShape shape;
        shape.measures = measures;
        Plugin plugin;
        if (!Start(path, GenerateScore(shape), plugin)) return 1;
        simhost::Host& host = simhost::Host::Get();
        OpenToolWindow();
        HWND dialog = PluginDialog();
        simhost::ClickListLine(GetDlgItem(dialog, 102), 0);
        const auto start = std::chrono::steady_clock::now();
        simhost::ClickButton(GetDlgItem(dialog, 1));
        const double apply = Since(start);
        std::printf("\"&Apply\" to the redraw, %lld destination notes: %.3f s%s\n",
                    static_cast<long long>(shape.DestinationNotes()), apply,
                    host.redraws.empty() ? " (not redrawn!)" : "");
        CloseToolWindow();
        Stop(plugin);
    }

    // Opening the tool window on 100 staves and 30 groups.
    simhost::Score score;
    score.measureCount = 1;
    for (int16_t s = 1; s <= 100; ++s) {
        score.staffOrder.push_back(s);
        score.SetStaffRecord(s, std::nullopt);
    }
    for (int32_t g = 0; g < 30; ++g) {
        const int16_t first = static_cast<int16_t>(1 + g * 100 / 30);
        score.SetGroup(g, simhost::GroupSpec{ first, static_cast<int16_t>(first + 1 + g % 4), "Group", 1 });
    }
    Plugin plugin;
    if (!Start(path, score, plugin)) return 1;
    const auto start = std::chrono::steady_clock::now();
    OpenToolWindow();
    std::printf("Opening the tool window on 100 staves and 30 groups: %.1f ms\n", Since(start) * 1e3);
    CloseToolWindow();
    Stop(plugin);

    const int cycles = MeasureCycles(path);
    simhost::StopWatchingMessageBoxes();
    return cycles;
}

int MeasureCycles(const std::wstring& path)
{
    Plugin plugin;
    if (!Start(path, SmallScore(), plugin)) return 1;
    const bool keptEverything = RunCycles();
    Stop(plugin);
    return keptEverything ? 0 : 1;
}

}  // namespace finale
