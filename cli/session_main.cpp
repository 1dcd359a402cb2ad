// qvperfcopy-session: runs a scripted session of the plug-in in the
// simulated host and prints its transcript.
#include "Session.h"
#include "SimHost.h"
#include "SyncTool.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: qvperfcopy-session SESSION.json [--score SCORE] [--settings FILE] [--output OUT]\n"
    "                          [--settings-output FILE] [--parts FIRST-LAST] [--measures FIRST-LAST]\n"
    "                          [--check] [--count-calls]\n"
    "                          [--host-lacks FX_NAME] [--faulty-call N | --nonsense-call N]\n"
    "Runs the steps of the session file against the score and settings file (the session file's own\n"
    "\"score\" and \"settings\" unless given here) and prints what happens. Neither file is changed;\n"
    "--output and --settings-output receive the resulting score and settings file. Scores are\n"
    "score files (.json) or MusicXML (.musicxml, .xml, .mxl); --parts and --measures select\n"
    "as musicians count before the first step.\n"
    "For the fault sweep: --host-lacks leaves a host function out, --faulty-call N makes host call N\n"
    "fail (--nonsense-call N: answer nonsense), --check checks what the run left (exit status 4).\n";

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string sessionPath;
    simhost::SessionFiles given;
    bool countCalls = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--check") {
            // Boxes that a fault brings up are answered as a person going on would.
            given.checkAfterwards = true;
            given.goAhead = true;
            continue;
        }
        if (arg == "--count-calls") {
            countCalls = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            if (!sessionPath.empty()) {
                std::cerr << "qvperfcopy-session: more than one session file given (" << arg << ")\n";
                return 2;
            }
            sessionPath = arg;
            continue;
        }
        if (i + 1 >= args.size()) {
            std::cerr << "qvperfcopy-session: " << arg << " needs a value\n";
            return 2;
        }
        const std::string& value = args[++i];
        if (arg == "--host-lacks") given.hostLacks.insert(value);
        else if (arg == "--faulty-call" || arg == "--nonsense-call") {
            given.faultyCall = std::atoll(value.c_str());
            given.nonsense = arg == "--nonsense-call";
        } else if (arg == "--score") given.scorePath = value;
        else if (arg == "--settings") given.settingsPath = value;
        else if (arg == "--output") given.outputPath = value;
        else if (arg == "--settings-output") given.settingsOutputPath = value;
        else if (arg == "--parts") given.parts = value;
        else if (arg == "--measures") given.measures = value;
        else {
            std::cerr << "qvperfcopy-session: unknown option " << arg << "\n";
            return 2;
        }
    }
    if (sessionPath.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    std::vector<std::string> steps;
    simhost::SessionFiles files;
    std::string error;
    if (!simhost::ReadSessionFile(sessionPath, steps, files, error)) {
        std::cerr << "qvperfcopy-session: " << error << "\n";
        return 1;
    }
    simhost::TakeCommandLineFiles(files, given);
    if (files.scorePath.empty()) {
        std::cerr << "qvperfcopy-session: no score file (give \"score\" in the session or --score)\n";
        return 2;
    }
    const int status = simhost::RunSession(PluginEntryPoints(), steps, files, std::cout, std::cerr);
    if (countCalls) std::cout << "host calls: " << simhost::Host::Get().TotalCalls() << "\n";
    return status;
}
