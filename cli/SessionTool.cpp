#include "SessionTool.h"

#include "CommandLine.h"
#include "Session.h"
#include "SimHost.h"
#include "SyncTool.h"

#include <cstdint>
#include <limits>

namespace {

const char kDescription[] =
    "Runs the steps of the session file against the score and settings file (the session file's own\n"
    "\"score\" and \"settings\" unless given here) and prints what happens. Neither file is changed;\n"
    "--output and --settings-output receive the resulting score and settings file. Scores are\n"
    "score files (.json) or MusicXML (.musicxml, .xml, .mxl); --parts and --measures select\n"
    "as musicians count before the first step. Arguments after -- are session files, even\n"
    "when they start with --.\n"
    "For the fault sweep: --host-lacks leaves a host function out, --faulty-call N makes host call N\n"
    "fail (--nonsense-call N: answer nonsense), --check checks what the run left.";

const char kExitStatuses[] =
    "  0  done\n"
    "  1  the run failed: a file could not be read or written, or the score was refused\n"
    "  2  the command line was wrong (an unknown option, a bad value, a missing argument),\n"
    "     or a step of the session could not be done\n"
    "  4  --check found what the run left wrong\n";

}  // namespace

int RunSessionTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string sessionPath;
    simhost::SessionFiles given;
    bool countCalls = false;
    std::vector<std::string> hostLacks;
    int64_t faultyCall = 0;
    int64_t nonsenseCall = 0;

    CommandLine line("qvperfcopy-session", kDescription, kExitStatuses);
    CLI::App& app = line.App();
    app.add_option("SESSION", sessionPath, "The session file")->required();
    app.add_option("--score", given.scorePath, "The score, instead of the session file's");
    app.add_option("--settings", given.settingsPath, "The settings file, instead of the session file's")
        ->type_name("FILE");
    app.add_option("--output", given.outputPath, "Writes the resulting score to this file")->type_name("OUT");
    app.add_option("--settings-output", given.settingsOutputPath, "Writes the resulting settings file here")
        ->type_name("FILE");
    app.add_option("--parts", given.parts, "Selects these parts")->type_name("FIRST-LAST");
    app.add_option("--measures", given.measures, "Selects these measures")->type_name("FIRST-LAST");
    app.add_flag("--check", given.checkAfterwards, "Checks what the run left (answers every box as going on)");
    app.add_flag("--count-calls", countCalls, "Prints how many host calls the run made");
    app.add_option("--host-lacks", hostLacks, "Leaves this host function out (again for more)")
        ->type_name("FX_NAME")
        ->allow_extra_args(false);
    const int64_t most = std::numeric_limits<int64_t>::max();
    CLI::Option* faulty = app.add_option("--faulty-call", faultyCall, "Makes host call N fail")
                              ->type_name("N")
                              ->transform(CommandLine::Decimal())
                              ->check(CLI::Range(int64_t{ 1 }, most).description("from 1"));
    app.add_option("--nonsense-call", nonsenseCall, "Makes host call N answer nonsense")
        ->type_name("N")
        ->transform(CommandLine::Decimal())
        ->check(CLI::Range(int64_t{ 1 }, most).description("from 1"))
        ->excludes(faulty);
    if (const std::optional<int> stop = line.Parse(args, out, err)) return *stop;

    // Boxes that a fault brings up are answered as a person going on would.
    given.goAhead = given.checkAfterwards;
    given.hostLacks.insert(hostLacks.begin(), hostLacks.end());
    given.faultyCall = nonsenseCall != 0 ? nonsenseCall : faultyCall;
    given.nonsense = nonsenseCall != 0;

    std::vector<std::string> steps;
    simhost::SessionFiles files;
    std::string error;
    if (!simhost::ReadSessionFile(sessionPath, steps, files, error)) {
        err << "qvperfcopy-session: " << error << "\n";
        return kExitRunFailed;
    }
    simhost::TakeCommandLineFiles(files, given);
    if (files.scorePath.empty()) {
        err << "qvperfcopy-session: no score file (give \"score\" in the session or --score)\n";
        return kExitBadCommandLine;
    }
    const int status = simhost::RunSession(PluginEntryPoints(), steps, files, out, err);
    if (countCalls) out << "host calls: " << simhost::Host::Get().TotalCalls() << "\n";
    return status;
}
