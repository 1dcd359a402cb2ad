// Times the sync on generated scores of growing size and prints, per size:
// the total time, the time inside the simulated host's functions, the
// plug-in's own time, host calls per destination note, and peak memory.
// Each size runs in a process of its own, so that its peak memory is its own.
#include "FunctionTable.h"
#include "ScoreGenerator.h"
#include "SimHost.h"
#include "shell/EntryPoints.h"
#include "sync/FCPerfcopyBlockHandler.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void RunSize(const ScoreShape& shape)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score = GenerateScore(shape);
    host.logCalls = false;
    host.timeCalls = true;
    simhost::RegisterModule("FINALE.EXE");
    FinaleExtensionVersion(host.score.hostVersion);

    FCPerfcopyBlockHandler handler;
    handler.SourceStaff = 1;
    handler.UseVelocity = handler.UseStartTime = handler.UseEndTime = 1;
    handler.VelocityPercent = handler.StartTimePercent = handler.EndTimePercent = 50;
    FCString name("Perfcopy to benchmark");
    FCUndoBlock block;

    struct rusage before;
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    const bool kept = block.Execute(&handler, &name);
    const double total = Seconds(std::chrono::steady_clock::now() - start);

    double hostSeconds = 0;
    for (const auto& entry : host.Statistics()) hostSeconds += entry.second.nanoseconds * 1e-9;
    const double notes = static_cast<double>(shape.DestinationNotes());
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);

    std::printf("\n%.0f destination notes (%d staves x %d measures x %d layers x %d entries x %d notes)%s\n",
                notes, shape.staves, shape.measures, shape.layers, shape.entriesPerLayer, shape.notesPerEntry,
                kept ? "" : " -- edit cancelled!");
    std::printf("  total %.3f s = %.0f ns per note\n", total, total * 1e9 / notes);
    std::printf("  host  %.3f s = %.0f ns per note\n", hostSeconds, hostSeconds * 1e9 / notes);
    std::printf("  plug-in own %.3f s = %.0f ns per note\n", total - hostSeconds, (total - hostSeconds) * 1e9 / notes);
    std::printf("  peak memory %.1f MiB (%.1f MiB with the score loaded, before the sync)\n",
                usage.ru_maxrss / 1024.0, before.ru_maxrss / 1024.0);
    std::printf("  host calls per destination note:\n");
    for (const auto& entry : host.Statistics()) {
        std::printf("    %-28s %8.3f calls  %7.1f ns per note\n", entry.first.c_str(), entry.second.calls / notes,
                    entry.second.nanoseconds / notes);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::vector<int16_t> measures = quick ? std::vector<int16_t>{ 2, 4 } : std::vector<int16_t>{ 40, 400, 4000 };
    int failures = 0;
    for (int16_t count : measures) {
        ScoreShape shape;
        shape.measures = count;
        const pid_t child = fork();
        if (child == 0) {
            RunSize(shape);
            std::_Exit(0);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
