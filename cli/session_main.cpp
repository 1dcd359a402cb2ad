// qvperfcopy-session: runs a scripted session of the plug-in in the
// simulated host and prints its transcript.
#include "Session.h"
#include "SyncTool.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: qvperfcopy-session SESSION.json [--score SCORE.json] [--settings FILE] [--output OUT.json]\n"
    "                          [--settings-output FILE]\n"
    "Runs the steps of the session file against the score and settings file (the session file's own\n"
    "\"score\" and \"settings\" unless given here) and prints what happens. Neither file is changed;\n"
    "--output and --settings-output receive the resulting score and settings file.\n";

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string sessionPath;
    simhost::SessionFiles given;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
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
        if (arg == "--score") given.scorePath = value;
        else if (arg == "--settings") given.settingsPath = value;
        else if (arg == "--output") given.outputPath = value;
        else if (arg == "--settings-output") given.settingsOutputPath = value;
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
    if (!given.scorePath.empty()) files.scorePath = given.scorePath;
    if (!given.settingsPath.empty()) files.settingsPath = given.settingsPath;
    files.outputPath = given.outputPath;
    files.settingsOutputPath = given.settingsOutputPath;
    if (files.scorePath.empty()) {
        std::cerr << "qvperfcopy-session: no score file (give \"score\" in the session or --score)\n";
        return 2;
    }
    return simhost::RunSession(PluginEntryPoints(), steps, files, std::cout, std::cerr);
}
