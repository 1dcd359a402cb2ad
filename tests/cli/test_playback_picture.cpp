// How a selection plays, before and after a copy: the values in a
// musician's units, the report the command line prints, and the picture,
// whose data attributes are read back and compared with the written file.
#include "MusicXml.h"
#include "PlaybackPicture.h"
#include "PlayedNotes.h"
#include "ScoreFormats.h"
#include "SyncTool.h"
#include "common/FileText.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>
#include <sstream>

namespace {

using simhost::Performance;
using simhost::PlaybackSelection;
using simhost::PlayedNote;

std::string Fixture(const std::string& name)
{
    return std::string(QV_FIXTURES_DIR) + "/" + name;
}

// The attributes of each note the picture draws one by one.
std::vector<std::map<std::string, std::string>> PictureNotes(const std::string& svg)
{
    std::vector<std::map<std::string, std::string>> notes;
    const std::regex note("<g class=\"note\"([^>]*)>");
    const std::regex attribute(" ([a-z-]+)=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), note); it != std::sregex_iterator(); ++it) {
        const std::string attributes = (*it)[1];
        std::map<std::string, std::string> values;
        for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute); a != std::sregex_iterator(); ++a)
            values[(*a)[1]] = (*a)[2];
        notes.push_back(values);
    }
    return notes;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(MusiciansUnits, VelocitiesOffsetsBeatsAndPitches)
{
    using namespace simhost;
    EXPECT_EQ(PlayedVelocity(std::nullopt), 90);
    EXPECT_EQ(PlayedVelocity(Performance{ 0, 0, 18, 0 }), 108);
    EXPECT_EQ(PlayedStart(std::nullopt), 0);
    EXPECT_EQ(PlayedEnd(Performance{ 3, -7, 0, 0 }), -7);
    const std::pair<int32_t, const char*> quarters[] = {
        { 0, "0" }, { -128, "-1/8 quarter" }, { 256, "+1/4 quarter" }, { 1024, "+1 quarter" },
        { -1536, "-1 1/2 quarters" }, { 2048, "+2 quarters" }, { 1, "+1/1024 quarter" }, { -32768, "-32 quarters" } };
    for (const auto& q : quarters) EXPECT_EQ(QuarterText(q.first), q.second) << q.first;
    EXPECT_EQ(BeatText(0, 1024), "1");
    EXPECT_EQ(BeatText(1536, 1024), "2.5");
    EXPECT_EQ(BeatText(1024, 3072), "1.333");
    EXPECT_EQ(BeatText(512, 512), "2");  // eighths in 6/8
    EXPECT_EQ(PitchText(60), "C4");
    EXPECT_EQ(PitchText(61), "C#4");
    EXPECT_EQ(PitchText(21), "A0");
    EXPECT_EQ(PitchText(-1), "");
}

// The chords fixture's pitches, with alters and octaves, read from the file.
TEST(MusiciansUnits, PitchesComeFromTheFile)
{
    simhost::Score score;
    std::string error;
    ASSERT_TRUE(simhost::ReadScoreFile(Fixture("musicxml/utf8_bom.musicxml"), score, error)) << error;
    std::vector<std::string> pitches;
    for (const simhost::MusicXmlNote& note : score.musicXml->notes)
        pitches.push_back(simhost::PitchText(simhost::MusicXmlPitch(*score.musicXml, note).value_or(-1)));
    EXPECT_EQ(pitches, (std::vector<std::string>{ "C5", "D5", "E4", "F4" }));
    std::string text = "<note><pitch><step>B</step><alter>1</alter><octave>3</octave></pitch></note>"
                       "<note><pitch><step>C</step><alter>-1</alter><octave>4</octave></pitch></note>"
                       "<note><unpitched><display-step>E</display-step><display-octave>4</display-octave></unpitched></note>"
                       "<note><rest/></note><note><pitch><step>H</step><octave>4</octave></pitch></note>";
    simhost::MusicXmlOrigin origin;
    origin.text = text;
    std::vector<int16_t> keys;
    for (std::size_t at = text.find("<note>"); at != std::string::npos; at = text.find("<note>", at + 1)) {
        simhost::MusicXmlNote note;
        note.tagOffset = at;
        keys.push_back(simhost::MusicXmlPitch(origin, note).value_or(-1));
    }
    EXPECT_EQ(keys, (std::vector<int16_t>{ 60, 59, -1, -1, -1 }));  // B#3 is C4
}

// The picture's notes carry what the written file holds and what the
// report lists: a two-part score, chords, and a .mxl.
TEST(PlaybackPicture, CarriesTheWrittenValuesAndTheReportsChanges)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    for (const std::string name : { "whole_copy.musicxml", "chord_parts.musicxml", "archive_as_written.mxl" }) {
        SCOPED_TRACE(name);
        const std::string extension = name.substr(name.find('.'));
        const std::string output = folder.File("copied" + extension);
        const std::string picture = folder.File("copied.svg");
        std::ostringstream out;
        std::ostringstream err;
        PlaybackSelection played;
        ASSERT_EQ(RunSyncTool({ Fixture("musicxml/" + name), "--source", "1", "--velocity", "100", "--start-time", "50",
                                "--end-time", "100", "--output", output, "--picture", picture },
                              "", out, err, nullptr, SIZE_MAX, nullptr, &played),
                  0)
            << err.str();
        EXPECT_EQ(err.str(), "");
        const std::string svg = qvtest::ReadFileText(picture);
        const auto notes = PictureNotes(svg);
        ASSERT_EQ(notes.size(), played.notes.size());
        ASSERT_GE(notes.size(), 4u);
        simhost::Score before;
        simhost::Score after;
        std::string error;
        ASSERT_TRUE(simhost::ReadScoreFile(Fixture("musicxml/" + name), before, error)) << error;
        ASSERT_TRUE(simhost::ReadScoreFile(output, after, error)) << error;
        std::size_t changedFields = 0;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const PlayedNote& note = played.notes[i];
            auto was = before.PerformanceOf(note.entry, note.noteID);
            auto now = after.PerformanceOf(note.entry, note.noteID);
            EXPECT_EQ(notes[i].at("data-velocity-before"), std::to_string(90 + (was ? was->velocity : 0)));
            EXPECT_EQ(notes[i].at("data-velocity-after"), std::to_string(90 + (now ? now->velocity : 0)));
            EXPECT_EQ(notes[i].at("data-start-after"), std::to_string(now ? now->start : 0));
            EXPECT_EQ(notes[i].at("data-end-after"), std::to_string(now ? now->end : 0));
            EXPECT_EQ(notes[i].at("data-staff"), played.lanes[static_cast<std::size_t>(note.lane)].name);
            EXPECT_EQ(notes[i].count("data-record-before") == 0, was.has_value());
            for (const char* field : { "velocity", "start", "end" }) {
                if (notes[i].at(std::string("data-") + field + "-before") == notes[i].at(std::string("data-") + field + "-after"))
                    continue;
                ++changedFields;
                // Its row in the report: staff, measure, beat, pitch, field.
                const std::string row = "  " + notes[i].at("data-staff");
                const std::size_t at = out.str().find(row);
                EXPECT_NE(at, std::string::npos);
            }
        }
        EXPECT_GT(changedFields, 0u);
        const std::string report = out.str();
        // The rows: indented lines after the table's header, up to the next line that is not.
        const std::size_t table = report.find("Changes as they play:");
        ASSERT_NE(table, std::string::npos) << report;
        std::string rest = report.substr(table);
        rest = rest.substr(rest.find("\n  staff ") + 1);
        std::size_t rows = 0;
        for (std::size_t at = rest.find('\n'); at != std::string::npos && rest.compare(at + 1, 2, "  ") == 0;
             at = rest.find('\n', at + 1))
            ++rows;
        EXPECT_EQ(rows, changedFields) << report.substr(table);
        EXPECT_NE(svg.find("data-source=\"true\""), std::string::npos);
        EXPECT_NE(svg.find("<title id=\"playback-title\">How " + name + " plays</title>"), std::string::npos);
    }
}

// A note whose start the copy writes as 0 where there was no record plays
// as before: it is not listed as a change.
TEST(PlayedChanges, ListOnlyWhatPlaysDifferently)
{
    PlaybackSelection selection;
    selection.lanes.push_back({ 2, "Viola", false, 2 });
    selection.measures.push_back({ 1, "7", 0, 4096, 1024 });
    selection.length = 4096;
    PlayedNote untouched;
    untouched.measure = 1;
    untouched.after = Performance{ 0, 0, 0, 0 };
    PlayedNote louder = untouched;
    louder.position = 1536;
    louder.pitch = 62;
    louder.after = Performance{ 0, 0, 18, 0 };
    selection.notes = { untouched, louder };
    std::ostringstream out;
    EXPECT_EQ(simhost::ReportPlayedChanges(selection, out), 1u);
    EXPECT_NE(out.str().find("\n  staff measure beat  pitch value    before               after\n"
                             "  Viola 7       2.5   D4    velocity 90 [none]            108 [+18]\n"),
              std::string::npos)
        << out.str();
    std::ostringstream none;
    selection.notes = { untouched };
    EXPECT_EQ(simhost::ReportPlayedChanges(selection, none), 0u);
    EXPECT_NE(none.str().find("No value plays differently."), std::string::npos);
}

namespace {

// A selection of lanes with many notes, each with a velocity before and
// after drawn at random, some outside 0-127.
PlaybackSelection LargeSelection(int lanes, int measures, int notesPerMeasure, uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> change(-100, 50);
    PlaybackSelection selection;
    for (int m = 1; m <= measures; ++m)
        selection.measures.push_back({ static_cast<int16_t>(m), std::to_string(m), (m - 1) * 4096, 4096, 1024 });
    selection.length = measures * 4096;
    for (int lane = 0; lane < lanes; ++lane) {
        selection.lanes.push_back({ static_cast<int16_t>(lane + 1), "Staff " + std::to_string(lane + 1), lane == 0,
                                    static_cast<std::size_t>(measures * notesPerMeasure) });
        for (int m = 1; m <= measures; ++m) {
            for (int k = 0; k < notesPerMeasure; ++k) {
                PlayedNote note;
                note.lane = static_cast<int16_t>(lane);
                note.measure = static_cast<int16_t>(m);
                note.position = k * 4096 / notesPerMeasure;
                note.duration = 4096 / notesPerMeasure;
                note.before = Performance{ 0, 0, static_cast<int16_t>(change(random)), 0 };
                note.after = Performance{ 10, -20, static_cast<int16_t>(change(random)), 0 };
                selection.notes.push_back(note);
            }
        }
    }
    return selection;
}

}  // namespace

// A lane with more notes than the plot has room for is drawn as each
// pixel column's least and most velocity, worked out here note by note.
TEST(PlaybackPicture, ManyNotesAreDrawnByPixelColumns)
{
    const PlaybackSelection selection = LargeSelection(3, 500, 14, 7);
    for (int16_t lane = 0; lane < 3; ++lane) {
        const std::vector<simhost::VelocityColumn> columns = simhost::VelocityColumns(selection, lane);
        ASSERT_EQ(columns.size(), static_cast<std::size_t>(simhost::kPlotWidth));
        std::vector<simhost::VelocityColumn> expected(columns.size());
        for (const PlayedNote& note : selection.notes) {
            if (note.lane != lane) continue;
            const int64_t time = static_cast<int64_t>(note.measure - 1) * 4096 + note.position;
            simhost::VelocityColumn& column = expected[static_cast<std::size_t>(time * simhost::kPlotWidth / selection.length)];
            const int32_t before = std::clamp(90 + note.before->velocity, 0, 127);
            const int32_t after = std::clamp(90 + note.after->velocity, 0, 127);
            if (column.notes++ == 0) {
                column.beforeLeast = column.beforeMost = before;
                column.afterLeast = column.afterMost = after;
            }
            column.beforeLeast = std::min(column.beforeLeast, before);
            column.beforeMost = std::max(column.beforeMost, before);
            column.afterLeast = std::min(column.afterLeast, after);
            column.afterMost = std::max(column.afterMost, after);
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            EXPECT_EQ(columns[c].notes, expected[c].notes) << c;
            EXPECT_EQ(columns[c].beforeLeast, expected[c].beforeLeast) << c;
            EXPECT_EQ(columns[c].beforeMost, expected[c].beforeMost) << c;
            EXPECT_EQ(columns[c].afterLeast, expected[c].afterLeast) << c;
            EXPECT_EQ(columns[c].afterMost, expected[c].afterMost) << c;
        }
    }
    const std::string svg = simhost::DrawPlaybackPicture(selection, "Large");
    EXPECT_EQ(Count(svg, "<g class=\"note\""), 0u);
    EXPECT_EQ(Count(svg, "class=\"range-before\""), 3u);
    // One line per column with notes in the lane's path.
    const std::size_t begin = svg.find(" d=\"", svg.find("class=\"range-before\""));
    ASSERT_NE(begin, std::string::npos);
    const std::string path = svg.substr(begin, svg.find('"', begin + 4) - begin);
    EXPECT_EQ(Count(path, "v"), static_cast<std::size_t>(simhost::kPlotWidth));

    // An orchestra's worth: 30 staves of 7,000 notes stay under 1 MB.
    const std::string orchestra = simhost::DrawPlaybackPicture(LargeSelection(30, 500, 14, 8), "Orchestra");
    EXPECT_LT(orchestra.size(), 1000000u);
}

// A selection with no notes still draws its lanes and says why; a velocity
// outside 0-127 is drawn at the edge and marked; names are escaped.
TEST(PlaybackPicture, EmptyLanesOutOfRangeVelocitiesAndEscapedNames)
{
    PlaybackSelection selection = LargeSelection(2, 2, 0, 1);
    selection.lanes[1].name = "Horn <\"1 & 2\">";
    std::string svg = simhost::DrawPlaybackPicture(selection, "Fl\u00fbte & 'Co'");
    EXPECT_EQ(Count(svg, "<g class=\"staff\""), 2u);
    EXPECT_NE(svg.find("No notes to draw: the selected measures hold only rests on these staves."), std::string::npos);
    EXPECT_NE(svg.find(">Horn &lt;&quot;1 &amp; 2&quot;&gt;</text>"), std::string::npos);
    EXPECT_EQ(svg.find("Horn <"), std::string::npos);
    EXPECT_NE(svg.find("<title id=\"playback-title\">Fl\u00fbte &amp; &#39;Co&#39;</title>"), std::string::npos);

    selection = LargeSelection(1, 1, 3, 1);
    for (PlayedNote& note : selection.notes) note.before = note.after = Performance{ 0, 0, 5, 0 };
    selection.notes[0].before = Performance{ 0, 0, 100, 0 };   // 190
    selection.notes[1].after = Performance{ 0, 0, -120, 0 };   // -30
    svg = simhost::DrawPlaybackPicture(selection, "Edges");
    EXPECT_EQ(Count(svg, "<path class=\"clamped\""), 3u);  // two notes and the legend
    const auto notes = PictureNotes(svg);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].at("data-velocity-before"), "190");
    EXPECT_EQ(notes[1].at("data-velocity-after"), "-30");
}

// The copy is done and written even when the picture cannot be.
TEST(PlaybackPicture, NeverMakesTheCopyFail)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string output = folder.File("copied.musicxml");
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunSyncTool({ Fixture("musicxml/whole_copy.musicxml"), "--source", "1", "--velocity", "100", "--output",
                            output, "--picture", folder.Path() },
                          "", out, err),
              0);
    EXPECT_EQ(err.str(), "qvperfcopy-sync: " + folder.Path() + ": the picture could not be written\n");
    EXPECT_NE(out.str().find("Wrote " + output), std::string::npos);
    EXPECT_FALSE(qvtest::ReadFileText(output).empty());
}
