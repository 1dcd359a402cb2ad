#include "SyncTool.h"

#include "CommandLine.h"
#include "LongTextBuffer.h"
#include "ScoreFormats.h"
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

const char kDescription[] =
    "Copies playback data from the source staff to the other staves of the selection.\n"
    "SCORE and OUT are score files (.json) or MusicXML (.musicxml, .xml, .mxl). --parts\n"
    "and --measures select as musicians count (parts from 1, measures by their numbers).\n"
    "A field that is not named is not copied. Without any arguments, syncs the bundled\n"
    "sample score from staff 1 with all three fields at 100 percent. Arguments after\n"
    "-- are score files, even when they start with --. --picture draws how the\n"
    "selection plays before and after the copy, as SVG; --midi and --midi-before write\n"
    "the selection after and before it as a Standard MIDI File.";

const char kExitStatuses[] =
    "  0  done; a copy that changes nothing is cancelled, and done, and a picture that\n"
    "     cannot be written is said on standard error\n"
    "  1  the run failed: a file could not be read or written, or the score or the copy was refused\n"
    "  2  the command line was wrong: an unknown option, a bad value, a missing argument,\n"
    "     a staff the score does not have or a selection past its last staff\n";

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

// Every option, once: its type, its range, its help and what it excludes.
void DeclareOptions(CLI::App& app, Options& options)
{
    app.add_option("SCORE", options.scorePath, "The score file (default: the bundled sample)");
    app.add_option("--source", options.source, "The source staff's number")
        ->type_name("STAFF")
        ->required()
        ->transform(CommandLine::Decimal())
        ->check(CLI::Range(1, 32767));
    struct Field {
        const char* name;
        std::optional<int>* percent;
        const char* help;
    };
    const Field fields[] = { { "--velocity", &options.velocity, "Copies the key velocity, this far toward the source" },
                             { "--start-time", &options.startTime, "Copies the start time, this far toward the source" },
                             { "--end-time", &options.endTime, "Copies the end time, this far toward the source" } };
    for (const Field& field : fields) {
        app.add_option(field.name, *field.percent, field.help)
            ->type_name("PERCENT")
            ->transform(CommandLine::Decimal())
            ->check(CLI::Range(0, 100));
    }
    CLI::Option* selection =
        app.add_option("--selection", options.selectionText, "Selects instead of the score's own selection")
            ->type_name("SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION")
            ->check(CLI::Validator(
                [](std::string& text) {
                    return simhost::ParseSelection(text) ? std::string()
                                                         : "bad selection \"" + text + "\" (expected "
                                                           "SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION)";
                },
                ""));
    selection->excludes(app.add_option("--parts", options.parts, "Selects these parts")->type_name("FIRST-LAST"));
    selection->excludes(
        app.add_option("--measures", options.measures, "Selects these measures")->type_name("FIRST-LAST"));
    app.add_option("--output", options.outputPath, "Writes the synced score to this file")->type_name("OUT");
    app.add_option("--picture", options.picturePath, "Draws how the selection plays before and after, as SVG")
        ->type_name("OUT.svg");
    app.add_option("--midi", options.midiPath, "Writes the selection after the copy as MIDI")->type_name("OUT.mid");
    app.add_option("--midi-before", options.midiBeforePath, "Writes the selection before the copy as MIDI")
        ->type_name("OUT.mid");
}

// Reads the arguments; answers the exit status when the tool stops there.
std::optional<int> ParseArguments(const std::vector<std::string>& args, Options& options, std::ostream& out,
                                  std::ostream& err)
{
    CommandLine line("qvperfcopy-sync", kDescription, kExitStatuses);
    DeclareOptions(line.App(), options);
    if (const std::optional<int> stop = line.Parse(args, out, err)) return stop;
    if (!options.selectionText.empty()) options.selection = simhost::ParseSelection(options.selectionText);
    return std::nullopt;
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
    } else if (const std::optional<int> stop = ParseArguments(args, options, out, err)) {
        return *stop;
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
        return kExitBadCommandLine;
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
            return kExitRunFailed;
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
