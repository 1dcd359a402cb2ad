// The command-line sync: whole runs on score files and the errors it gives.
#include "ScoreChanges.h"
#include "ScoreFile.h"
#include "ScoreFormats.h"
#include "SimHost.h"
#include "SyncTool.h"
#include "common/FileText.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

std::string Fixture(const char* name)
{
    return std::string(QV_FIXTURES_DIR) + "/" + name;
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun Sync(std::vector<std::string> args)
{
    std::ostringstream out;
    std::ostringstream err;
    int status = RunSyncTool(args, Fixture("sync_small.json"), out, err);
    return { status, out.str(), err.str() };
}

simhost::Score Load(const std::string& path)
{
    simhost::Score score;
    std::string error;
    EXPECT_TRUE(simhost::ReadScoreFile(path, score, error)) << error;
    return score;
}

// The text with each run of spaces one space.
std::string OneSpace(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    }
    return out;
}

bool Exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

}  // namespace

TEST(SyncTool, WholeRunGivesTheExpectedScoreAndUndoGivesTheOriginal)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string output = folder.File("sync_tool_result.json");
    ToolRun run = Sync({ Fixture("sync_small.json"), "--source", "1", "--velocity", "50", "--start-time", "50",
                     "--end-time", "50", "--output", output });
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(Load(output) == Load(Fixture("sync_small_expected.json")))
        << simhost::FormatScore(Load(output));
    // As a musician reads it: a velocity of +64 and one of +82 both play at
    // MIDI's top, 127, so that change is not listed.
    const std::string rows = OneSpace(run.out.substr(run.out.find("Changes as they play:")));
    EXPECT_NE(std::string::npos, rows.find("\n Staff #2 1 2 velocity 90 [none] 127 [+46]\n")) << rows;
    EXPECT_NE(std::string::npos, rows.find("\n Staff #2 1 1 start +5/512 quarter [+10] +1/128 quarter [+8]\n")) << rows;
    EXPECT_NE(std::string::npos, rows.find("\n Staff #2 2 1 velocity 90 [0] 110 [+20]\n")) << rows;
    EXPECT_EQ(std::string::npos, rows.find("velocity 127 [+64]")) << rows;
    EXPECT_NE(std::string::npos, run.out.find("  edit \"Perfcopy to 2 staves\" kept\n")) << run.out;

    // The host's undo takes the whole sync back in one step.
    EXPECT_EQ("Perfcopy to 2 staves", simhost::Host::Get().Undo());
    EXPECT_TRUE(simhost::Host::Get().score == Load(Fixture("sync_small.json")));
    std::remove(output.c_str());
}

TEST(SyncTool, NothingToCopyIsCancelled)
{
    ToolRun run = Sync({ Fixture("sync_small.json"), "--source", "1", "--selection", "3:1:0-3:2:4096", "--velocity",
                     "100" });
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("  edit \"Perfcopy to staff #3\" cancelled: nothing changed\n"))
        << run.out;
    EXPECT_NE(std::string::npos, run.out.find("  beep (exclamation)\n")) << run.out;
    EXPECT_EQ(1, simhost::Host::Get().CancelledEdits());
}

TEST(SyncTool, WithoutArgumentsSyncsTheSampleFromStaffOne)
{
    ToolRun run = Sync({});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Sync from staff 1 of " + Fixture("sync_small.json")));
    EXPECT_NE(std::string::npos, run.out.find("kept"));
}

TEST(SyncTool, BadInputGetsOneLineAndNoOutputFile)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string output = folder.File("sync_tool_never.json");
    const std::string malformed = folder.File("sync_tool_malformed.json");
    std::ofstream(malformed) << "{\"staves\": [{\"number\": 1}], \"frames\": 3}";
    const std::string folderNamedAsMusicXml = folder.File("looks_like.musicxml");
    ASSERT_TRUE(std::filesystem::create_directory(folderNamedAsMusicXml));
    // The command line's own refusals are in test_command_lines.cpp.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        { { Fixture("sync_small.json"), "--source", "7" }, "qvperfcopy-sync: staff 7 is not in " },
        { { Fixture("sync_small.json"), "--source", "1", "--velocity", "101" },
          "qvperfcopy-sync: --velocity: Value 101 not in range 0 to 100" },
        { { Fixture("sync_small.json"), "--source", "1", "--selection", "1:1" }, "qvperfcopy-sync: --selection: bad selection" },
        { { Fixture("no_such_score.json"), "--source", "1" }, "qvperfcopy-sync: " + Fixture("no_such_score.json") + ": cannot open the file" },
        { { malformed, "--source", "1" }, "qvperfcopy-sync: " + malformed + ": frames: expected a list" },
        { { folder.Path(), "--source", "1" }, "qvperfcopy-sync: " + folder.Path() + ": a folder, not a score file" },
        { { folderNamedAsMusicXml, "--source", "1" },
          "qvperfcopy-sync: " + folderNamedAsMusicXml + ": a folder, not a score file" },
        { { Fixture("sync_small.json"), "--source", "1", "--selection", "1:1:0-4:1:0" },
          "qvperfcopy-sync: the selection reaches slot 4, past the last staff of " + Fixture("sync_small.json") +
              ": slot 3\n" },
        { { Fixture("musicxml/whole_copy.musicxml"), "--source", "1", "--selection", "9:1:0-1:1:0" },
          "qvperfcopy-sync: the selection reaches slot 9, past the last staff of " +
              Fixture("musicxml/whole_copy.musicxml") + ": slot 2 (\"Viola\")\n" },
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.first;
        args.push_back("--output");
        args.push_back(output);
        ToolRun run = Sync(args);
        EXPECT_NE(0, run.status) << c.second;
        EXPECT_EQ(0u, run.err.find(c.second)) << run.err;
        EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(Exists(output)) << c.second;
    }
    std::remove(malformed.c_str());
    std::filesystem::remove(folderNamedAsMusicXml);
}

// A score file whose name starts with "--" is given after "--", which ends
// the options; before it, the name is taken for an option.
TEST(SyncTool, ArgumentsAfterDoubleDashAreScoreFiles)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    char* previous = getcwd(nullptr, 0);
    ASSERT_NE(nullptr, previous);
    ASSERT_EQ(0, chdir(folder.Path().c_str()));
    {
        std::ofstream(folder.File("--odd.json")) << qvtest::ReadFileText(Fixture("sync_small.json"));
        ToolRun run = Sync({ "--source", "1", "--velocity", "50", "--start-time", "50", "--end-time", "50",
                             "--output", "--result.json", "--", "--odd.json" });
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_NE(std::string::npos, run.out.find("Sync from staff 1 of --odd.json\n")) << run.out;
        EXPECT_TRUE(Exists(folder.File("--result.json")) &&
                    Load(folder.File("--result.json")) == Load(Fixture("sync_small_expected.json")));

        run = Sync({ "--odd.json", "--source", "1" });
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("qvperfcopy-sync: The following argument was not expected: --odd.json\n", run.err);
        // Everything after "--" is a file: an option there is not seen.
        run = Sync({ "--", "--odd.json", "--source", "1" });
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("qvperfcopy-sync: --source is required\n", run.err);
    }
    EXPECT_EQ(0, chdir(previous));
    std::free(previous);
}

// Each field that changed is a row of its own, and only those.
TEST(ScoreChanges, ListsEachChangedFieldOnly)
{
    const simhost::Score before = Load(Fixture("sync_small.json"));
    simhost::Score after = before;
    const std::optional<simhost::Performance> was = before.PerformanceOf(5, 1);
    ASSERT_TRUE(was.has_value());
    simhost::Performance now = *was;
    now.start = static_cast<int16_t>(now.start + 7);
    ASSERT_TRUE(after.SetPerformance(5, 1, now));
    std::ostringstream report;
    simhost::ReportChanges(before, after, report);
    char row[100];
    std::snprintf(row, sizeof row, "      1     2     0      5    1  start    %6d -> %d\n", was->start, now.start);
    EXPECT_EQ(std::string("measure staff layer  entry note  field       old -> new\n") + row, report.str());

    // Past the rows shown, the rest are counted.
    now.velocity = static_cast<int16_t>(now.velocity + 1);
    ASSERT_TRUE(after.SetPerformance(5, 1, now));
    std::ostringstream first;
    simhost::ReportChanges(before, after, first, "  ", 1);
    std::snprintf(row, sizeof row, "        1     2     0      5    1  velocity %6d -> %d\n", was->velocity, now.velocity);
    EXPECT_EQ(std::string("  measure staff layer  entry note  field       old -> new\n") + row + "  ... 1 more rows\n",
              first.str());

    std::ostringstream none;
    simhost::ReportChanges(before, before, none);
    EXPECT_EQ("measure staff layer  entry note  field       old -> new\n(no value changed)\n", none.str());

    // A record for a note ID the entry does not have: listed when the step
    // wrote it, not when it was there before as it is.
    simhost::Score orphaned = before;
    uint8_t key[8] = { 5, 0, 0, 0, 0xFF, 0xFF, 0, 0 };
    const std::vector<uint8_t> record = simhost::EncodePerformance(9, simhost::Performance{ 1, 2, 3, 0 });
    ASSERT_TRUE(orphaned.records.Create(simhost::kPerformanceTag, key, record.data(), simhost::kPerformanceSize, true));
    simhost::Score rewritten = orphaned;
    const std::vector<uint8_t> changed = simhost::EncodePerformance(9, simhost::Performance{ 1, 2, 4, 0 });
    ASSERT_TRUE(rewritten.records.Save(simhost::kPerformanceTag, key, changed.data(), simhost::kPerformanceSize));
    const std::string orphanRow = "  record of entry 5 for note ID 9, which no note of the entry has now: velocity 4, "
                                  "start 1, end 2\n";
    std::ostringstream written;
    simhost::ReportChanges(orphaned, rewritten, written);
    EXPECT_NE(std::string::npos, written.str().find(orphanRow)) << written.str();
    std::ostringstream kept;
    simhost::ReportChanges(orphaned, orphaned, kept);
    EXPECT_EQ(std::string::npos, kept.str().find("record of entry")) << kept.str();
}

TEST(SyncTool, EmptySelectionIsRefused)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    simhost::Score score = Load(Fixture("sync_small.json"));
    score.selection = simhost::Region();
    const std::string path = folder.File("sync_tool_unselected.json");
    std::string error;
    ASSERT_TRUE(simhost::WriteScoreFile(path, score, error));
    ToolRun run = Sync({ path, "--source", "1", "--velocity", "10" });
    EXPECT_EQ(1, run.status);
    // The plug-in's own check refuses it, with its own box.
    EXPECT_EQ("qvperfcopy-sync: No Target Region: Please select a target region where the performance data from "
              "the source staff should be mixed in.\n",
              run.err);
    std::remove(path.c_str());
}

// MusicXML in and out, on a file whose result was worked out by hand (see
// the comment in it): the destination's values move toward the source's,
// and nothing else in the file changes. The figures count what happened.
TEST(SyncTool, CopiesWithinMusicXmlAsWorkedOutByHand)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string out = folder.File("whole_copy_out.musicxml");
    ToolRun run = Sync({ Fixture("musicxml/whole_copy.musicxml"), "--source", "1", "--velocity", "100",
                         "--start-time", "50", "--end-time", "100", "--output", out });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture("musicxml/whole_copy_expected.musicxml")));
    EXPECT_NE(run.out.find("Summary: 2 staves, 1 measures, 5 notes; 2 entries matched, 5 values changed;"),
              std::string::npos)
        << run.out;
    std::remove(out.c_str());

    // Kept in memory (as the web page asks): the same bytes, and no file.
    std::ostringstream transcript;
    std::ostringstream problems;
    std::vector<uint8_t> written;
    ASSERT_EQ(RunSyncTool({ Fixture("musicxml/whole_copy.musicxml"), "--source", "1", "--velocity", "100",
                            "--start-time", "50", "--end-time", "100", "--output", out },
                          "", transcript, problems, nullptr, SIZE_MAX, &written),
              0)
        << problems.str();
    EXPECT_EQ(std::string(written.begin(), written.end()),
              qvtest::ReadFileText(Fixture("musicxml/whole_copy_expected.musicxml")));
    EXPECT_FALSE(Exists(out));

    // Selecting by part and measure; a part the score does not have.
    run = Sync({ Fixture("musicxml/whole_copy.musicxml"), "--source", "2", "--velocity", "100", "--parts", "1",
                 "--measures", "1" });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("music redrawn: slots 1-1, measures 1-1"), std::string::npos) << run.out;
    run = Sync({ Fixture("musicxml/whole_copy.musicxml"), "--source", "1", "--velocity", "100", "--parts", "2-3",
                 "--output", out });
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("whole_copy.musicxml: no part 3: the score has 2 parts"), std::string::npos) << run.err;
    EXPECT_FALSE(std::ifstream(out).good());

    // What reading adjusted and left out is said before the copy.
    run = Sync({ Fixture("musicxml/clamped.musicxml"), "--source", "1", "--velocity", "100" });
    EXPECT_NE(run.out.find("\nAdjusted: 1 backup past a measure's start, 1 forward past a measure's end"),
              std::string::npos)
        << run.out;
    run = Sync({ Fixture("musicxml/left_out.musicxml"), "--source", "1", "--velocity", "100" });
    EXPECT_NE(run.out.find("\nLeft out of the copy: 1 note in a voice past a staff's 4 layers"), std::string::npos)
        << run.out;

    // A file that cannot be read: one line with the file, part, measure,
    // line and column; no output.
    const std::string bad = folder.File("bad_staff.musicxml");
    {
        std::ofstream file(bad);
        file << "<score-partwise><part-list><score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                "</part-list>\n<part id=\"P1\"><measure number=\"4\">\n  <note><staff>x</staff></note>"
                "</measure></part></score-partwise>";
    }
    run = Sync({ bad, "--source", "1", "--velocity", "100", "--output", out });
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err, "qvperfcopy-sync: " + bad + ": part P1 \"Flute\", measure 4, line 3, column 9: bad staff number\n");
    EXPECT_FALSE(std::ifstream(out).good());
    std::remove(bad.c_str());
}
