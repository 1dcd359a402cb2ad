// The web page's module: qvperfcopy-sync's own run on a file the page's
// worker hands over in memory, with what the page shows as JSON; the output
// file's bytes stay in memory for the worker to take. The worker calls
// these by name.
#include "SyncTool.h"

#include "MessageBoxes.h"
#include "MusicXml.h"
#include "PlaybackPicture.h"
#include "PlayedNotes.h"
#include "SelectionMidi.h"
#include "ScoreFormats.h"
#include "Session.h"
#include "ZipArchive.h"

#include <emscripten/emscripten.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The changed values listed in full; the rest are counted.
constexpr std::size_t kChangesShown = 300;

// The last answer, alive until the next call.
std::string gAnswer;
// The file's bytes as the worker hands them over, until qv_open reads them:
// room the worker fills, never zeroed first.
std::unique_ptr<uint8_t[]> gFile;
std::size_t gFileSize = 0;
// The score qv_open read and its file's name, for every sync of it.
std::shared_ptr<const simhost::Score> gOpened;
std::string gOpenedName;
// The last sync's output file.
std::vector<uint8_t> gOutput;
// The opened score's staves as the tool window lists them.
std::vector<std::string> gStaffNames;
// The last sync's selection, before and after, for the player and MIDI.
simhost::PlaybackSelection gPlayed;
std::vector<uint8_t> gMidi;

const char* Answer(const nlohmann::json& value)
{
    gAnswer = value.dump();
    return gAnswer.c_str();
}

const char* ErrorAnswer(const std::string& line)
{
    return Answer({ { "error", line } });
}

// Inside a read or a sync, a failed allocation stops the module rather than
// unwinding through the plug-in, which is not written for exceptions; the
// worker then reports that memory ran out, and the page starts a new module.
void StopWhenMemoryRunsOut()
{
    std::set_new_handler([] { std::abort(); });
}

// The tool's lines, without their line breaks.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace

extern "C" {

// The command line's error for a file of this many bytes when it is more
// than the reader takes; an empty error otherwise.
EMSCRIPTEN_KEEPALIVE const char* qv_check_size(const char* name, double size)
{
    std::string error;
    if (simhost::ScoreFileSizeAllowed(name, static_cast<uint64_t>(size), error)) return ErrorAnswer("");
    return ErrorAnswer("qvperfcopy-sync: " + error);
}

// Room for the file's bytes, which the worker writes there before qv_open;
// null when there is not that much memory.
EMSCRIPTEN_KEEPALIVE uint8_t* qv_file_buffer(double size)
{
    gOpened = nullptr;
    gOutput = std::vector<uint8_t>();
    gFile.reset();
    gFileSize = static_cast<std::size_t>(size);
    std::set_new_handler(nullptr);  // too little memory for the file answers null
    gFile.reset(new (std::nothrow) uint8_t[gFileSize > 0 ? gFileSize : 1]);
    return gFile.get();
}

// Reads the score from the bytes handed over: its staves as the tool window
// lists them, its parts and measures as --parts and --measures count them,
// and the reader's notices.
EMSCRIPTEN_KEEPALIVE const char* qv_open(const char* name)
{
    StopWhenMemoryRunsOut();
    gOpened = nullptr;
    if (gFile == nullptr) return ErrorAnswer(std::string("qvperfcopy-sync: ") + name + ": no file was handed over");
    auto read = std::make_shared<simhost::Score>();
    std::string error;
    const bool readOk = simhost::ReadScoreBytes(name, gFile.get(), gFileSize, *read, error);
    gFile.reset();
    if (!readOk) return ErrorAnswer("qvperfcopy-sync: " + error);
    const std::shared_ptr<const simhost::Score> shared = read;
    gOpened = shared;
    gOpenedName = name;
    const simhost::Score& score = *shared;

    // The tool window's own list, from a session that opens it.
    std::vector<std::string> lines;
    simhost::SessionHost host;
    host.stepStarting = [&lines](size_t index, const std::string&) {
        if (index == 1) lines = simhost::ToolWindowStaffList();
    };
    simhost::SessionFiles files;
    files.scorePath = name;
    files.score = shared;
    files.goAhead = true;
    std::ostringstream out;
    std::ostringstream err;
    if (simhost::RunSession(PluginEntryPoints(), { "invoke", "terminate" }, files, out, err, host) != 0) {
        const std::vector<std::string> problem = Lines(err.str());
        return ErrorAnswer(problem.empty() ? "qvperfcopy-sync: the tool window did not open" : problem.front());
    }

    nlohmann::json staves = nlohmann::json::array();
    for (std::size_t i = 0; i < lines.size() && i < score.staffOrder.size(); ++i)
        staves.push_back({ { "number", score.staffOrder[i] }, { "name", lines[i] } });
    nlohmann::json parts = nlohmann::json::array();
    nlohmann::json measures = nlohmann::json::array();
    if (score.musicXml) {
        for (const simhost::MusicXmlPart& part : score.musicXml->parts) parts.push_back(part.name);
        for (const std::string& number : score.musicXml->measureNumbers) measures.push_back(number);
    }
    nlohmann::json notices = nlohmann::json::array();
    for (const std::string& notice : { simhost::EncodingNotice(score), simhost::AdjustedNotice(score),
                                        simhost::LeftOutNotice(score) }) {
        if (!notice.empty()) notices.push_back(notice);
    }
    gStaffNames = lines;
    // How it plays as it is, so that the source's values are seen before a copy.
    const int16_t first = score.staffOrder.empty() ? 0 : score.staffOrder.front();
    const std::string picture = simhost::DrawPlaybackPicture(
        simhost::CollectPlayback(score, score, score.selection, first, lines), PictureTitle(name), "opened");
    return Answer({ { "staves", staves },
                    { "parts", parts },
                    { "measures", measures },
                    { "notices", notices },
                    { "picture", picture } });
}

// How the opened score plays in a selection of parts and measures (as
// --parts and --measures count them; empty: all), the source staff marked.
EMSCRIPTEN_KEEPALIVE const char* qv_picture(double sourceStaff, const char* parts, const char* measures)
{
    if (!gOpened) return ErrorAnswer("qvperfcopy-sync: no score is open");
    std::string error;
    const std::optional<simhost::Region> region = simhost::SelectPartsAndMeasures(*gOpened, parts, measures, error);
    if (!region) return ErrorAnswer("qvperfcopy-sync: " + error);
    const simhost::PlaybackSelection selection = simhost::CollectPlayback(
        *gOpened, *gOpened, *region, static_cast<int16_t>(sourceStaff), gStaffNames);
    return Answer({ { "picture", simhost::DrawPlaybackPicture(selection, PictureTitle(gOpenedName), "opened") } });
}

// Runs qvperfcopy-sync with the page's arguments (a JSON list of texts) and
// answers its error line, or the questions the plug-in asked (all answered
// Yes), the figures, the changed values and the output file's name; the
// file's bytes are then at qv_output_data.
EMSCRIPTEN_KEEPALIVE const char* qv_sync(const char* argumentsJson)
{
    StopWhenMemoryRunsOut();
    gOutput = std::vector<uint8_t>();
    gPlayed = simhost::PlaybackSelection();
    const nlohmann::json given = nlohmann::json::parse(argumentsJson, nullptr, false);
    if (!given.is_array()) return ErrorAnswer("qvperfcopy-sync: the page sent no arguments");
    std::vector<std::string> args;
    std::string output;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (!given[i].is_string()) return ErrorAnswer("qvperfcopy-sync: the page sent a bad argument");
        args.push_back(given[i].get<std::string>());
        if (i > 0 && args[i - 1] == "--output") output = args[i];
    }
    std::ostringstream out;
    std::ostringstream err;
    const bool opened = !args.empty() && args.front() == gOpenedName;
    simhost::PlaybackSelection played;
    if (RunSyncTool(args, "", out, err, opened ? gOpened : nullptr, kChangesShown, &gOutput, &played) != 0) {
        const std::vector<std::string> problem = Lines(err.str());
        return ErrorAnswer(problem.empty() ? "qvperfcopy-sync: the sync failed" : problem.front());
    }

    nlohmann::json questions = nlohmann::json::array();
    for (const simhost::ShownBox& box : simhost::ShownBoxes()) {
        if (box.question) questions.push_back({ { "title", box.title }, { "text", box.text } });
    }
    std::string figures;
    for (const std::string& line : Lines(out.str())) {
        if (line.rfind("Summary: ", 0) == 0) figures = line.substr(9);
    }
    // The changed values as a musician reads them, the host's beside them.
    std::size_t count = 0;
    nlohmann::json changes = nlohmann::json::array();
    for (const simhost::PlayedChange& change : simhost::PlayedChanges(played, kChangesShown, count)) {
        changes.push_back({ { "staff", change.staff },
                            { "measure", change.measure },
                            { "beat", change.beat },
                            { "pitch", change.pitch },
                            { "value", change.value },
                            { "before", change.before },
                            { "after", change.after },
                            { "hostBefore", change.hostBefore },
                            { "hostAfter", change.hostAfter } });
    }
    const std::size_t more = count - changes.size();
    const auto drawing = std::chrono::steady_clock::now();
    const std::string picture = simhost::DrawPlaybackPicture(played, PictureTitle(gOpenedName), "result");
    const double drawSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - drawing).count();
    const char* answer = Answer({ { "questions", questions },
                    { "figures", figures },
                    { "changes", changes },
                    { "more", more },
                    { "output", output },
                    { "picture", picture },
                    { "pictureSeconds", drawSeconds },
                    { "notes", played.notes.size() } });
    gPlayed = std::move(played);
    return answer;
}

// The last sync's selection as it sounds before or after the copy: the
// tempos and the notes of the MIDI file, [lane, start, end, key, velocity]
// in 1024ths of a quarter, for the page's player.
EMSCRIPTEN_KEEPALIVE const char* qv_sound(int after)
{
    nlohmann::json tempos = nlohmann::json::array();
    for (const simhost::PlayedTempo& tempo : gPlayed.tempos) tempos.push_back({ tempo.time, tempo.quartersPerMinute });
    nlohmann::json notes = nlohmann::json::array();
    for (const simhost::SoundingNote& note : simhost::SoundingNotes(gPlayed, after != 0))
        notes.push_back({ note.lane, note.start, note.end, note.key, note.velocity });
    nlohmann::json lanes = nlohmann::json::array();
    for (const simhost::PlaybackLane& lane : gPlayed.lanes) lanes.push_back(lane.name);
    return Answer({ { "tempos", tempos }, { "notes", notes }, { "lanes", lanes } });
}

// The same as a Standard MIDI File, whose bytes are then at qv_midi_data.
EMSCRIPTEN_KEEPALIVE double qv_midi(int after)
{
    gMidi = simhost::SelectionMidi(gPlayed, after != 0);
    return static_cast<double>(gMidi.size());
}

EMSCRIPTEN_KEEPALIVE const uint8_t* qv_midi_data()
{
    return gMidi.data();
}

EMSCRIPTEN_KEEPALIVE const uint8_t* qv_output_data()
{
    return gOutput.data();
}

EMSCRIPTEN_KEEPALIVE double qv_output_size()
{
    return static_cast<double>(gOutput.size());
}

// Lets go of the output once the worker has its copy.
EMSCRIPTEN_KEEPALIVE void qv_output_release()
{
    gOutput = std::vector<uint8_t>();
}

}  // extern "C"
