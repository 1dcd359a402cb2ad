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

HWND PluginDialog()
{
    for (const auto& dialog : simhost::Host::Get().dialogs) {
        if (IsWindow(dialog.first)) return dialog.first;
    }
    return nullptr;
}

// A host run on the score: loads the plug-in, starts it as the host does
// and opens the main window.
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

}  // namespace

int Measure(const std::wstring& path)
{
    simhost::WatchMessageBoxes([](const simhost::ShownBox& box) { return box.question ? IDYES : IDOK; });

    // "&Apply" on the benchmark's score.
    ScoreShape shape;
    shape.measures = 400;
    Plugin plugin;
    if (!Start(path, GenerateScore(shape), plugin)) return 1;
    OpenToolWindow();
    HWND dialog = PluginDialog();
    simhost::ClickListLine(GetDlgItem(dialog, 102), 0);
    auto start = std::chrono::steady_clock::now();
    simhost::ClickButton(GetDlgItem(dialog, 1));
    const double apply = Since(start);
    std::printf("\"&Apply\" to the redraw, %lld destination notes: %.3f s%s\n",
                static_cast<long long>(shape.DestinationNotes()), apply,
                simhost::Host::Get().redraws.empty() ? " (not redrawn!)" : "");
    Stop(plugin);

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
    if (!Start(path, score, plugin)) return 1;
    start = std::chrono::steady_clock::now();
    OpenToolWindow();
    std::printf("Opening the tool window on 100 staves and 30 groups: %.1f ms\n", Since(start) * 1e3);

    // Open/close cycles: handles and GDI objects must not grow.
    HANDLE process = GetCurrentProcess();
    DWORD handlesAfterOne = 0;
    DWORD gdiAfterOne = 0;
    DWORD userAfterOne = 0;
    for (int cycle = 1; cycle <= 100; ++cycle) {
        if (cycle > 1) OpenToolWindow();
        simhost::LetTimePass(1);
        SendMessageW(PluginDialog(), WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(PluginDialog(), 2)));
        if (cycle == 1) {
            GetProcessHandleCount(process, &handlesAfterOne);
            gdiAfterOne = GetGuiResources(process, GR_GDIOBJECTS);
            userAfterOne = GetGuiResources(process, GR_USEROBJECTS);
        }
    }
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    std::printf("After 1 and after 100 open/close cycles: handles %lu / %lu, GDI objects %lu / %lu, "
                "USER objects %lu / %lu\n",
                handlesAfterOne, handles, gdiAfterOne, gdi, userAfterOne, user);
    Stop(plugin);
    simhost::StopWatchingMessageBoxes();
    return handles <= handlesAfterOne && gdi <= gdiAfterOne && user <= userAfterOne ? 0 : 1;
}

}  // namespace finale
