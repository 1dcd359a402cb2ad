// Times the tool window's work: the staff list rebuild that runs on every
// timer tick after a part switch and on every activation, by staves and
// groups; and the whole "&Apply", from the click to the redraw, on the
// benchmark's scores. Prints figures; checks nothing by time.
#include "FunctionTable.h"
#include "MessageBoxes.h"
#include "ScoreGenerator.h"
#include "SimHost.h"
#include "UserInput.h"
#include "WindowModel.h"
#include "shell/EntryPoints.h"
#include "shell/Globals.h"
#include "sync/FCPerfcopyWindow.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void StartHost(const simhost::Score& score)
{
    win32stub::ResetWindows();
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score = score;
    host.logCalls = false;
    simhost::RegisterModule("FINALE.EXE");
    simhost::RegisterPluginModule();
    host.OpenMainWindow();
    simhost::WatchMessageBoxes([](const simhost::ShownBox& box) { return box.question ? IDYES : IDOK; });
    FinaleExtensionVersion(score.hostVersion);
    uint32_t flags = 0;
    FinaleExtensionInit(0, &flags);
}

int64_t HostCalls()
{
    int64_t calls = 0;
    for (const auto& entry : simhost::Host::Get().Statistics()) calls += entry.second.calls;
    return calls;
}

// Staves without names, covered by groups that lend their names: each
// staff's label comes from the smallest group around it.
void RebuildBenchmark(int16_t staves, int32_t groups)
{
    simhost::Score score;
    score.measureCount = 1;
    for (int16_t s = 1; s <= staves; ++s) {
        score.staffOrder.push_back(s);
        score.SetStaffRecord(s, std::nullopt);
    }
    for (int32_t g = 0; g < groups; ++g) {
        const int16_t first = static_cast<int16_t>(1 + (g * staves) / groups);
        const int16_t last = static_cast<int16_t>(std::min<int32_t>(staves, first + 1 + g % 4));
        score.SetGroup(g, simhost::GroupSpec{ first, last, "Group " + std::to_string(g + 1), 1 });
    }
    StartHost(score);
    FinaleExtensionInvoke(simhost::Host::Get().mainWindow, 0, 0, 0);
    FCPerfcopyWindow* window = gPerfcopyWindow;

    const int rounds = 20;
    const int64_t callsBefore = HostCalls();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) window->RebuildStaffList();
    const double each = Seconds(std::chrono::steady_clock::now() - start) / rounds;
    const double calls = static_cast<double>(HostCalls() - callsBefore) / rounds;
    std::printf("  %4d staves, %3d groups: %8.3f ms per rebuild, %7.0f host calls, %6.1f us per staff x group\n",
                staves, groups, each * 1e3, calls, each * 1e6 / (staves * std::max(groups, 1)));
    FinaleExtensionTerminate(0);
}

void ApplyBenchmark(int16_t measures)
{
    ScoreShape shape;
    shape.measures = measures;
    StartHost(GenerateScore(shape));
    simhost::Host& host = simhost::Host::Get();
    FinaleExtensionInvoke(host.mainWindow, 0, 0, 0);
    const HWND dialog = gPerfcopyWindow->GetWindowHandle();
    simhost::ClickListLine(GetDlgItem(dialog, 102), 0);
    const auto start = std::chrono::steady_clock::now();
    simhost::ClickButton(GetDlgItem(dialog, 1));
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    const bool redrawn = !host.redraws.empty();
    std::printf("  %9lld destination notes: %.3f s from the click on \"&Apply\" to the redraw%s\n",
                static_cast<long long>(shape.DestinationNotes()), seconds, redrawn ? "" : " -- not redrawn!");
    FinaleExtensionTerminate(0);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::printf("Staff list rebuild (every 200 ms timer tick after a part switch, and every activation):\n");
    if (quick) {
        RebuildBenchmark(10, 3);
    } else {
        for (int factor : { 1, 2, 4 }) RebuildBenchmark(static_cast<int16_t>(50 * factor), 15 * factor);
        RebuildBenchmark(100, 0);
        RebuildBenchmark(100, 30);
    }
    std::printf("\n\"&Apply\" through the window and the sync command:\n");
    for (int16_t measures : quick ? std::vector<int16_t>{ 2 } : std::vector<int16_t>{ 40, 400, 4000 }) {
        ApplyBenchmark(measures);
    }
    return 0;
}
