#include "PatternTool.h"

#include "CommandLine.h"
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
    static const int16_t kStarts[] = { 0, 32, -32, 64 };
    static const int16_t kEnds[] = { 0, -64, -128 };
    static const int16_t kVelocities[] = { 10, -10, 20, -20, 0 };
    const int16_t staff = score.staffOrder.front();
    std::vector<std::pair<uint32_t, uint16_t>> notes;
    for (const auto& frame : score.frames) {
        if (std::get<0>(frame.first) != staff) continue;
        for (const simhost::EntryBytes& e : frame.second.entries) {
            if ((simhost::entry::Flags(e) & simhost::kSoundingFlag) == 0) continue;
            for (int32_t k = 0; k < simhost::entry::NoteCount(e) && k < simhost::kNotesPerEntry; ++k)
                notes.emplace_back(simhost::entry::Number(e), simhost::entry::NoteID(e, k));
        }
    }
    for (std::size_t k = 0; k < notes.size(); ++k) {
        simhost::Performance values;
        values.start = kStarts[k % 4];
        values.end = kEnds[k % 3];
        values.velocity = kVelocities[k % 5];
        score.SetPerformance(notes[k].first, notes[k].second, values);
    }
    if (!simhost::WriteScoreFile(outPath, score, error)) {
        err << "qvperfcopy-pattern: " << error << "\n";
        return kExitRunFailed;
    }
    out << "Gave " << notes.size() << " notes of staff " << staff << " the pattern\n";
    return kExitDone;
}
