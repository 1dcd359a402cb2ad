#include "SyncTool.h"

#include "LongTextBuffer.h"
#include "ScoreFormats.h"
#include "TextParsing.h"
#include "Session.h"
#include "SimHost.h"
#include "MessageBoxes.h"
#include "PlaybackPicture.h"
#include "SelectionMidi.h"
#include "shell/EntryPoints.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>

namespace {

const char kUsage[] =
    "usage: qvperfcopy-sync [SCORE.json] --source STAFF [--velocity PERCENT] [--start-time PERCENT]\n"
    "                       [--end-time PERCENT] [--selection SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION]\n"
    "                       [--parts FIRST-LAST] [--measures FIRST-LAST] [--output OUT] [--picture OUT.svg]\n"
    "                       [--midi OUT.mid] [--midi-before OUT.mid]\n"
    "Copies playback data from the source staff to the other staves of the selection.\n"
    "SCORE and OUT are score files (.json) or MusicXML (.musicxml, .xml, .mxl). --parts\n"
    "and --measures select as musicians count (parts from 1, measures by their numbers).\n"
    "A field that is not named is not copied. Without any arguments, syncs the bundled\n"
    "sample score from staff 1 with all three fields at 100 percent. Arguments after\n"
    "-- are score files, even when they start with --. --picture draws how the\n"
    "selection plays before and after the copy, as SVG; --midi and --midi-before write\n"
    "the selection after and before it as a Standard MIDI File.\n";

struct Options {
    std::string scorePath;
    std::optional<int> source;
    std::optional<int> velocity;
    std::optional<int> startTime;
    std::optional<int> endTime;
    std::optional<simhost::Region> selection;
    std::string selectionText;
    std::string parts;
    std::string measures;
    std::string outputPath;
    std::string picturePath;
    std::string midiPath;
    std::string midiBeforePath;
};

// Reads the arguments; on a problem, writes one line to err and answers false.
bool ParseArguments(const std::vector<std::string>& args, Options& options, std::ostream& err)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.rfind("--", 0) != 0) {
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
            field = simhost::ParseWholeNumber(value, 0, 100);
            if (!field) err << "qvperfcopy-sync: bad percentage for " << arg << ": \"" << value
                            << "\" (expected a whole number from 0 to 100)\n";
            return field.has_value();
        };
        if (arg == "--source") {
            options.source = simhost::ParseWholeNumber(value, 1, 32767);
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
            options.selection = simhost::ParseSelection(value);
            options.selectionText = value;
            if (!options.selection) {
                err << "qvperfcopy-sync: bad selection \"" << value
                    << "\" (expected SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION)\n";
                return false;
            }
        } else if (arg == "--parts") {
            options.parts = value;
        } else if (arg == "--measures") {
            options.measures = value;
        } else if (arg == "--output") {
            options.outputPath = value;
        } else if (arg == "--picture") {
            options.picturePath = value;
        } else if (arg == "--midi") {
            options.midiPath = value;
        } else if (arg == "--midi-before") {
            options.midiBeforePath = value;
        } else {
            err << "qvperfcopy-sync: unknown option " << arg << "\n";
            return false;
        }
    }
    if (!options.source) {
        err << "qvperfcopy-sync: no source staff given (--source STAFF)\n";
        return false;
    }
    if (options.selection && (!options.parts.empty() || !options.measures.empty())) {
        err << "qvperfcopy-sync: give --selection or --parts/--measures, not both\n";
        return false;
    }
    return true;
}

// What a sync did, in numbers: the score's size, the destination entries
// that had a sounding source entry at their place, and the values changed.
struct SyncFigures {
    std::size_t staves = 0;
    int32_t measures = 0;
    std::size_t notes = 0;
    std::size_t entriesMatched = 0;
    std::size_t valuesChanged = 0;
};

SyncFigures CountFigures(const simhost::Score& before, const simhost::Score& after, int16_t source)
{
    using namespace simhost;
    SyncFigures figures;
    figures.staves = after.staffOrder.size();
    figures.measures = after.measureCount;
    const Region& region = after.selection;
    std::set<std::pair<int16_t, int32_t>> sourcePlaces;  // measure, position
    for (const auto& frame : after.frames) {
        if (std::get<0>(frame.first) != source) continue;
        for (const EntryBytes& e : frame.second.entries) {
            if ((entry::Flags(e) & kSoundingFlag) != 0)
                sourcePlaces.insert({ std::get<1>(frame.first), entry::Position(e) });
        }
    }
    for (const auto& frame : after.frames) {
        const int16_t staff = std::get<0>(frame.first);
        const int16_t measure = std::get<1>(frame.first);
        const int16_t slot = after.SlotOf(staff, region.startSlotContext);
        const bool selected = staff != source && slot >= region.startSlot && slot <= region.endSlot &&
                              measure >= region.startMeasure && measure <= region.endMeasure;
        for (const EntryBytes& e : frame.second.entries) {
            if ((entry::Flags(e) & kSoundingFlag) == 0) continue;
            const int32_t position = entry::Position(e);
            const int32_t notes = std::min<int32_t>(entry::NoteCount(e), kNotesPerEntry);
            figures.notes += static_cast<std::size_t>(notes);
            if (selected && !(measure == region.startMeasure && position < region.startPosition) &&
                !(measure == region.endMeasure && position > region.endPosition) &&
                sourcePlaces.count({ measure, position }) != 0) {
                ++figures.entriesMatched;
            }
            for (int32_t k = 0; k < notes; ++k) {
                const uint16_t id = entry::NoteID(e, k);
                const Performance old = before.PerformanceOf(entry::Number(e), id).value_or(Performance());
                const Performance now = after.PerformanceOf(entry::Number(e), id).value_or(Performance());
                figures.valuesChanged += (old.velocity != now.velocity) + (old.start != now.start) + (old.end != now.end);
            }
        }
    }
    return figures;
}

}  // namespace

std::string PictureTitle(const std::string& scorePath)
{
    const std::size_t slash = scorePath.find_last_of("/\\");
    return "How " + (slash == std::string::npos ? scorePath : scorePath.substr(slash + 1)) + " plays";
}

int RunSyncTool(const std::vector<std::string>& args, const std::string& sampleScore, std::ostream& out,
                std::ostream& err, std::shared_ptr<const simhost::Score> read, std::size_t changeRowsShown,
                std::vector<uint8_t>* written, simhost::PlaybackSelection* played)
{
    Options options;
    if (args.empty()) {
        options.source = 1;
        options.velocity = options.startTime = options.endTime = 100;
    } else if (!ParseArguments(args, options, err)) {
        return 2;
    }
    if (options.scorePath.empty()) options.scorePath = sampleScore;

    std::string error;
    if (!read) {
        auto fresh = std::make_shared<simhost::Score>();
        if (!simhost::ReadScoreFile(options.scorePath, *fresh, error)) {
            err << "qvperfcopy-sync: " << error << "\n";
            return 1;
        }
        read = fresh;
    }
    const simhost::Score& score = *read;
    if (options.selection) {
        // A selection past the last staff would select nothing there.
        const int16_t last = static_cast<int16_t>(score.staffOrder.size());
        const int16_t past = std::max(options.selection->startSlot, options.selection->endSlot);
        if (past > last) {
            std::string name;
            if (last > 0) {
                const auto record = score.StaffRecordName(score.staffOrder.back());
                if (record && *record && !(*record)->empty()) name = " (\"" + **record + "\")";
            }
            err << "qvperfcopy-sync: the selection reaches slot " << past << ", past the last staff of "
                << options.scorePath << ": slot " << last << name << "\n";
            return 2;
        }
    }
    // The tool window lists every staff in score order.
    const int16_t source = static_cast<int16_t>(*options.source);
    const int16_t line = score.SlotOf(source);
    if (line == 0) {
        err << "qvperfcopy-sync: staff " << source << " is not in " << options.scorePath << "\n";
        return 2;
    }

    // What a person does in the tool window for this sync.
    std::vector<std::string> steps;
    if (options.selection) steps.push_back("select " + options.selectionText);
    steps.push_back("invoke");
    steps.push_back("choose " + std::to_string(line));
    const std::pair<const char*, const std::optional<int>*> fields[] = {
        { "Velocity", &options.velocity }, { "Start Time", &options.startTime }, { "End Time", &options.endTime } };
    for (const auto& field : fields) {
        if (field.second->has_value()) {
            steps.push_back(std::string("check ") + field.first);
            steps.push_back(std::string("type ") + field.first + " " + std::to_string(**field.second));
        } else {
            steps.push_back(std::string("uncheck ") + field.first);
        }
    }
    steps.push_back("click &Apply");
    steps.push_back("terminate");

    simhost::SessionFiles files;
    files.scorePath = options.scorePath;
    files.score = read;
    files.parts = options.parts;
    files.measures = options.measures;
    files.goAhead = true;  // every question answered Yes
    files.reportChanges = false;  // reported below, as a musician reads them
    // The tool window's staff list, which names the picture's lanes.
    std::vector<std::string> staffNames;
    simhost::SessionHost host;
    host.stepStarting = [&staffNames](size_t, const std::string& step) {
        if (step.rfind("choose ", 0) == 0) staffNames = simhost::ToolWindowStaffList();
    };
    // Written out only when the session ran; for a big score it is as large
    // as the file.
    LongTextBuffer transcriptText;
    std::ostream transcript(&transcriptText);
    out << "Sync from staff " << source << " of " << options.scorePath << "\n";
    const auto started = std::chrono::steady_clock::now();
    const int status = simhost::RunSession(PluginEntryPoints(), steps, files, transcript, err, host);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (status != 0) return status;
    transcriptText.WriteTo(out);
    transcriptText.Clear();  // before the score is written
    for (const simhost::ShownBox& box : simhost::ShownBoxes()) {
        if (!box.question) {
            err << "qvperfcopy-sync: " << box.title << ": " << box.text << "\n";
            return 2;
        }
    }
    if (!options.outputPath.empty()) {
        const simhost::Score& synced = simhost::Host::Get().score;
        if (written != nullptr ? !simhost::ScoreFileBytes(options.outputPath, synced, *written, error)
                               : !simhost::WriteScoreFile(options.outputPath, synced, error)) {
            err << "qvperfcopy-sync: " << error << "\n";
            return 1;
        }
        out << "Wrote " << options.outputPath << "\n";
    }
    const simhost::Score& synced = simhost::Host::Get().score;
    simhost::PlaybackSelection selection =
        simhost::CollectPlayback(score, synced, synced.selection, source, staffNames);
    simhost::ReportPlayedChanges(selection, out, changeRowsShown);
    if (!options.picturePath.empty()) {
        // The copy is done whatever becomes of the picture.
        std::ofstream picture(options.picturePath, std::ios::binary | std::ios::trunc);
        picture << simhost::DrawPlaybackPicture(selection, PictureTitle(options.scorePath));
        picture.close();
        if (picture) out << "Drew " << options.picturePath << "\n";
        else err << "qvperfcopy-sync: " << options.picturePath << ": the picture could not be written\n";
    }
    int midiStatus = 0;
    for (const auto& midi : { std::make_pair(&options.midiPath, true), std::make_pair(&options.midiBeforePath, false) }) {
        if (midi.first->empty()) continue;
        const std::vector<uint8_t> bytes = simhost::SelectionMidi(selection, midi.second);
        std::ofstream file(*midi.first, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (file) {
            out << "Wrote " << *midi.first << "\n";
        } else {
            err << "qvperfcopy-sync: " << *midi.first << ": cannot write the MIDI file\n";
            midiStatus = 1;
        }
    }
    if (played != nullptr) *played = std::move(selection);
    const SyncFigures figures = CountFigures(score, synced, source);
    char summary[300];
    std::snprintf(summary, sizeof summary,
                  "Summary: %zu staves, %d measures, %zu notes; %zu entries matched, %zu values changed; %.3f s\n",
                  figures.staves, static_cast<int>(figures.measures), figures.notes, figures.entriesMatched,
                  figures.valuesChanged, seconds);
    out << summary;
    return midiStatus;
}

simhost::PluginEntries PluginEntryPoints()
{
    return { FinaleExtensionVersion, FinaleExtensionInit, FinaleExtensionInvoke, FinaleExtensionTerminate };
}
