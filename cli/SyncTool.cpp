#include "SyncTool.h"

#include "ScoreFile.h"
#include "SimHost.h"
#include "shell/EntryPoints.h"
#include "sync/FCPerfcopyBlockHandler.h"

#include <cstdio>
#include <optional>
#include <sstream>

namespace {

const char kUsage[] =
    "usage: qvperfcopy-sync [SCORE.json] --source STAFF [--velocity PERCENT] [--start-time PERCENT]\n"
    "                       [--end-time PERCENT] [--selection SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION]\n"
    "                       [--output OUT.json]\n"
    "Copies playback data from the source staff to the other staves of the selection.\n"
    "A field that is not named is not copied. Without any arguments, syncs the bundled\n"
    "sample score from staff 1 with all three fields at 100 percent.\n";

struct Options {
    std::string scorePath;
    std::optional<int> source;
    std::optional<int> velocity;
    std::optional<int> startTime;
    std::optional<int> endTime;
    std::optional<simhost::Region> selection;
    std::string outputPath;
};

// A whole decimal number from low to high, or nothing.
std::optional<int> ParseNumber(const std::string& text, long low, long high)
{
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) return std::nullopt;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    }
    long value = std::stol(text);
    if (value < low || value > high) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<simhost::Region> ParseSelection(const std::string& text)
{
    int values[6];
    char separators[5];
    char rest;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%c%d%c%d%c%d%c", &values[0], &separators[0], &values[1],
                    &separators[1], &values[2], &separators[2], &values[3], &separators[3], &values[4],
                    &separators[4], &values[5], &rest) != 11) {
        return std::nullopt;
    }
    if (separators[0] != ':' || separators[1] != ':' || separators[2] != '-' || separators[3] != ':' ||
        separators[4] != ':')
        return std::nullopt;
    for (int i : { 0, 1, 3, 4 }) {
        if (values[i] < 1 || values[i] > 32767) return std::nullopt;
    }
    simhost::Region region;
    region.startSlot = static_cast<int16_t>(values[0]);
    region.startMeasure = static_cast<int16_t>(values[1]);
    region.startPosition = values[2];
    region.endSlot = static_cast<int16_t>(values[3]);
    region.endMeasure = static_cast<int16_t>(values[4]);
    region.endPosition = values[5];
    return region;
}

// Reads the arguments; on a problem, writes one line to err and answers false.
bool ParseArguments(const std::vector<std::string>& args, Options& options, std::ostream& err)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            if (!options.scorePath.empty()) {
                err << "qvperfcopy-sync: more than one score file given (" << arg << ")\n";
                return false;
            }
            options.scorePath = arg;
            continue;
        }
        if (arg == "--help") {
            err << kUsage;
            return false;
        }
        if (i + 1 >= args.size()) {
            err << "qvperfcopy-sync: " << arg << " needs a value\n";
            return false;
        }
        const std::string& value = args[++i];
        auto percent = [&](std::optional<int>& field) {
            field = ParseNumber(value, 0, 100);
            if (!field) err << "qvperfcopy-sync: bad percentage for " << arg << ": \"" << value
                            << "\" (expected a whole number from 0 to 100)\n";
            return field.has_value();
        };
        if (arg == "--source") {
            options.source = ParseNumber(value, 1, 32767);
            if (!options.source) {
                err << "qvperfcopy-sync: bad staff number \"" << value << "\"\n";
                return false;
            }
        } else if (arg == "--velocity") {
            if (!percent(options.velocity)) return false;
        } else if (arg == "--start-time") {
            if (!percent(options.startTime)) return false;
        } else if (arg == "--end-time") {
            if (!percent(options.endTime)) return false;
        } else if (arg == "--selection") {
            options.selection = ParseSelection(value);
            if (!options.selection) {
                err << "qvperfcopy-sync: bad selection \"" << value
                    << "\" (expected SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION)\n";
                return false;
            }
        } else if (arg == "--output") {
            options.outputPath = value;
        } else {
            err << "qvperfcopy-sync: unknown option " << arg << "\n";
            return false;
        }
    }
    if (!options.source) {
        err << "qvperfcopy-sync: no source staff given (--source STAFF)\n";
        return false;
    }
    return true;
}

std::string Value(const std::optional<simhost::Performance>& record, int16_t simhost::Performance::*field)
{
    return record ? std::to_string((*record).*field) : std::string("none");
}

// One line per value that the sync changed, in score order.
void ReportChanges(const simhost::Score& before, const simhost::Score& after, std::ostream& out)
{
    char line[160];
    std::snprintf(line, sizeof line, "%7s %5s %5s %6s %4s  %-8s %6s -> %s\n", "measure", "staff", "layer", "entry",
                  "note", "field", "old", "new");
    out << line;
    int rows = 0;
    // Score order: measure, then staff slot, then layer.
    for (int16_t measure = 1; measure <= after.measureCount; ++measure) {
        for (int16_t staff : after.staffOrder) {
            for (int32_t layer = 0; layer < after.maxLayers; ++layer) {
                auto frame = after.frames.find(simhost::FrameKey(staff, measure, layer));
                if (frame == after.frames.end()) continue;
                for (const simhost::EntryBytes& e : frame->second.entries) {
                    const uint32_t number = simhost::entry::Number(e);
                    const int32_t notes = simhost::entry::NoteCount(e) > 12 ? 12 : simhost::entry::NoteCount(e);
                    for (int32_t k = 0; k < notes; ++k) {
                        const uint16_t id = simhost::entry::NoteID(e, k);
                        auto old = before.PerformanceOf(number, id);
                        auto now = after.PerformanceOf(number, id);
                        const std::pair<const char*, int16_t simhost::Performance::*> fields[] = {
                            { "velocity", &simhost::Performance::velocity },
                            { "start", &simhost::Performance::start },
                            { "end", &simhost::Performance::end },
                        };
                        for (const auto& field : fields) {
                            const std::string from = Value(old, field.second);
                            const std::string to = Value(now, field.second);
                            if (from == to) continue;
                            std::snprintf(line, sizeof line, "%7d %5d %5d %6u %4d  %-8s %6s -> %s\n", measure, staff,
                                          layer, number, k + 1, field.first, from.c_str(), to.c_str());
                            out << line;
                            ++rows;
                        }
                    }
                }
            }
        }
    }
    if (rows == 0) out << "(no value changed)\n";
}

}  // namespace

int RunSyncTool(const std::vector<std::string>& args, const std::string& sampleScore, std::ostream& out,
                std::ostream& err)
{
    Options options;
    if (args.empty()) {
        options.source = 1;
        options.velocity = options.startTime = options.endTime = 100;
    } else if (!ParseArguments(args, options, err)) {
        return 2;
    }
    if (options.scorePath.empty()) options.scorePath = sampleScore;

    simhost::Score score;
    std::string error;
    if (!simhost::ReadScoreFile(options.scorePath, score, error)) {
        err << "qvperfcopy-sync: " << error << "\n";
        return 1;
    }
    if (options.selection) score.selection = *options.selection;
    const int16_t source = static_cast<int16_t>(*options.source);
    if (score.SlotOf(source) == 0) {
        err << "qvperfcopy-sync: staff " << source << " is not in " << options.scorePath << "\n";
        return 2;
    }
    const simhost::Region& region = score.selection;
    if (region.startMeasure == 0 && region.endMeasure == 0) {
        err << "qvperfcopy-sync: nothing is selected in " << options.scorePath << " (use --selection)\n";
        return 2;
    }

    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.logCalls = false;
    host.score = score;
    simhost::RegisterModule("FINALE.EXE");
    FinaleExtensionVersion(score.hostVersion);
    uint32_t flags = 0;
    FinaleExtensionInit(0, &flags);

    FCPerfcopyBlockHandler handler;
    handler.SourceStaff = source;
    handler.UseVelocity = options.velocity.has_value();
    handler.VelocityPercent = static_cast<int16_t>(options.velocity.value_or(100));
    handler.UseStartTime = options.startTime.has_value();
    handler.StartTimePercent = static_cast<int16_t>(options.startTime.value_or(100));
    handler.UseEndTime = options.endTime.has_value();
    handler.EndTimePercent = static_cast<int16_t>(options.endTime.value_or(100));

    // Named after the destination, as the tool window names it.
    const int32_t staves = region.endSlot - region.startSlot + 1;
    FCString name("Perfcopy to ");
    if (staves == 1) {
        name.AppendCString("staff #");
        name.AppendInteger(score.StaffAt(region.startSlot, region.startSlotContext));
    } else {
        name.AppendInteger(staves);
        name.AppendCString(" staves");
    }
    FCUndoBlock block;
    const bool kept = block.Execute(&handler, &name);

    out << "Sync from staff " << source << " of " << options.scorePath << "\n";
    ReportChanges(score, host.score, out);
    out << "Edit \"" << name.GetCString() << "\": " << (kept ? "kept" : "cancelled (nothing changed)") << "\n";

    if (!options.outputPath.empty()) {
        if (!simhost::WriteScoreFile(options.outputPath, host.score, error)) {
            err << "qvperfcopy-sync: " << error << "\n";
            return 1;
        }
        out << "Wrote " << options.outputPath << "\n";
    }
    return 0;
}
