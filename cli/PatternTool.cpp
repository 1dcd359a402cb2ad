#include "PatternTool.h"

#include "CommandLine.h"
#include "PlaybackPattern.h"
#include "ScoreFormats.h"

namespace {

const char kExitStatuses[] =
    "  0  done\n"
    "  1  the run failed: a file could not be read or written, or the score was refused\n"
    "  2  the command line was wrong: an unknown option or a missing argument\n";

}  // namespace

int RunPatternTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string inPath;
    std::string outPath;
    CommandLine line("qvperfcopy-pattern",
                     "Gives the first staff's notes a fixed pattern of attack, release and dynamics.\n"
                     "Arguments after -- are files, even when they start with --.",
                     kExitStatuses);
    line.App().add_option("IN", inPath, "The MusicXML score (.musicxml, .xml, .mxl)")->required();
    line.App().add_option("OUT", outPath, "Where the score with the pattern goes, as MusicXML")->required();
    if (const std::optional<int> stop = line.Parse(args, out, err)) return *stop;

    simhost::Score score;
    std::string error;
    if (!simhost::ReadScoreFile(inPath, score, error)) {
        err << "qvperfcopy-pattern: " << error << "\n";
        return kExitRunFailed;
    }
    if (!score.musicXml || score.staffOrder.empty()) {
        err << "qvperfcopy-pattern: " << inPath << ": not a MusicXML score with staves\n";
        return kExitRunFailed;
    }
    const std::size_t notes = GiveFirstStaffPattern(score);
    if (!simhost::WriteScoreFile(outPath, score, error)) {
        err << "qvperfcopy-pattern: " << error << "\n";
        return kExitRunFailed;
    }
    out << "Gave " << notes << " notes of staff " << score.staffOrder.front() << " the pattern\n";
    return kExitDone;
}
