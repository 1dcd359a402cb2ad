// The three tools' command lines: --help, --version, exit statuses, and one
// line for each thing wrong with the arguments.
#include "PatternTool.h"
#include "ScoreFormats.h"
#include "SessionTool.h"
#include "SyncTool.h"
#include "common/FileText.h"
#include "common/ReleaseVersion.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Fixture(const std::string& name)
{
    return std::string(QV_FIXTURES_DIR) + "/" + name;
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

using ToolFunction = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

int SyncTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return RunSyncTool(args, Fixture("sync_small.json"), out, err);
}

struct Tool {
    const char* name;
    ToolFunction run;
};

const Tool kTools[] = { { "qvperfcopy-sync", SyncTool },
                        { "qvperfcopy-session", RunSessionTool },
                        { "qvperfcopy-pattern", RunPatternTool } };

ToolRun RunTool(ToolFunction tool, const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = tool(args, out, err);
    return { status, out.str(), err.str() };
}

std::size_t Lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string OneParagraph(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Each command line gives exit status 2, nothing on standard output and one
// line on standard error that starts so.
void ExpectRefused(const Tool& tool, const std::vector<std::pair<std::vector<std::string>, std::string>>& cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(tool.name) + ": " + c.second);
        const ToolRun run = RunTool(tool.run, c.first);
        EXPECT_EQ(2, run.status);
        EXPECT_EQ(0u, run.err.find(std::string(tool.name) + ": " + c.second)) << run.err;
        EXPECT_EQ(1u, Lines(run.err)) << run.err;
        EXPECT_EQ("", run.out);
    }
}

}  // namespace

TEST(CommandLines, HelpGoesToStandardOutputWithTheExitStatuses)
{
    for (const Tool& tool : kTools) {
        SCOPED_TRACE(tool.name);
        const ToolRun run = RunTool(tool.run, { "--help" });
        EXPECT_EQ(0, run.status);
        EXPECT_EQ("", run.err);
        EXPECT_EQ(0u, run.out.find(std::string("Usage: ") + tool.name + " ")) << run.out;
        for (const char* status : { "\n  0  done", "\n  1  the run failed", "\n  2  the command line was wrong" })
            EXPECT_NE(std::string::npos, run.out.find(status)) << status;
        EXPECT_NE(std::string::npos, OneParagraph(run.out).find("Arguments after -- are")) << run.out;
    }
    const ToolRun sync = RunTool(SyncTool, { Fixture("sync_small.json"), "--help", "--source", "1" });
    EXPECT_EQ(0, sync.status);
    EXPECT_NE(std::string::npos, OneParagraph(sync.out).find("Without any arguments, syncs the bundled sample score"))
        << sync.out;
    EXPECT_EQ(std::string::npos, sync.out.find("Sync from")) << "the help runs nothing";
}

TEST(CommandLines, VersionIsTheRelease)
{
    const std::string version = qvtest::ReleaseVersion(std::string(QV_FIXTURES_DIR) + "/../..");
    ASSERT_FALSE(version.empty()) << "no version in the top CMakeLists.txt";
    for (const Tool& tool : kTools) {
        const ToolRun run = RunTool(tool.run, { "--version" });
        EXPECT_EQ(0, run.status) << tool.name;
        EXPECT_EQ(std::string(tool.name) + " " + version + "\n", run.out);
        EXPECT_EQ("", run.err);
    }
}

TEST(CommandLines, TheSyncToolRefusesBadArguments)
{
    const std::string score = Fixture("sync_small.json");
    ExpectRefused(kTools[0], {
        { { score, "--colour", "--source", "1" }, "The following argument was not expected: --colour" },
        { { score, "--source", "1", "--velocity", "101" }, "--velocity: Value 101 not in range 0 to 100" },
        { { score, "--source", "1", "--start-time", "-1" }, "--start-time: Value -1 not in range 0 to 100" },
        { { score, "--source", "1", "--end-time", "5x" }, "--end-time: \"5x\" is not a whole number" },
        { { score, "--source", "1", "--end-time", "0x10" }, "--end-time: \"0x10\" is not a whole number" },
        { { score, "--source", "0" }, "--source: Value 0 not in range 1 to 32767" },
        { { score, "--source", "32768" }, "--source: Value 32768 not in range 1 to 32767" },
        { { score, "--source", "0x1" }, "--source: \"0x1\" is not a whole number" },
        { { score, "--source", "1", "--velocity" }, "--velocity: 1 required" },
        { { score, "--velocity", "5" }, "--source is required" },
        { { score, score, "--source", "1" }, "The following argument was not expected: " + score },
        { { score, "--source", "1", "--selection", "1:1" }, "--selection: bad selection \"1:1\"" },
        { { score, "--source", "1", "--selection", "1:1:0-2:1:0", "--measures", "1" }, "--selection excludes --measures" },
        { { score, "--source", "1", "--parts", "1", "--selection", "1:1:0-2:1:0" }, "--selection excludes --parts" },
        // A value that fits the range but not the score.
        { { score, "--source", "7" }, "staff 7 is not in " },
    });
}

// Decimal as written: a leading zero does not make an octal number.
TEST(CommandLines, NumbersAreDecimal)
{
    const ToolRun run = RunTool(SyncTool, { Fixture("sync_small.json"), "--source", "01", "--velocity", "010" });
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Sync from staff 1 of")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("> type Velocity 10\n")) << run.out;
}

TEST(CommandLines, TheSessionToolRefusesBadArguments)
{
    const std::string session = Fixture("sessions/whole-job.session.json");
    ExpectRefused(kTools[1], {
        { { session, "--colour" }, "The following argument was not expected: --colour" },
        { { session, "--faulty-call", "0" }, "--faulty-call: Value 0 not in range 1 to " },
        { { session, "--nonsense-call", "x" }, "--nonsense-call: \"x\" is not a whole number" },
        { { session, "--faulty-call" }, "--faulty-call: 1 required" },
        { { session, "--faulty-call", "3", "--nonsense-call", "4" }, "--faulty-call excludes --nonsense-call" },
        { { session, session }, "The following argument was not expected: " + session },
        { { "--check" }, "SESSION is required" },
    });
}

// What the fault sweep gives (scripts/faults.sh): the session file after a
// repeated option and a call number.
TEST(CommandLines, TheSessionToolTakesTheFaultSweepsOptions)
{
    const ToolRun run = RunTool(RunSessionTool, { "--host-lacks", "FX_NoSuchFunction", "--host-lacks", "FX_NorThis",
                                              Fixture("sessions/sweep.session.json"), "--check", "--faulty-call",
                                              "99999999", "--count-calls" });
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\nhost calls: ")) << run.out;

    // --check answers a box the steps leave unanswered as a person going on.
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string session = folder.File("unanswered.session.json");
    std::ofstream(session) << R"({"steps": ["invoke", "choose 1", "click &Apply"]})";
    const std::string score = Fixture("sessions/quartet-named.json");
    const ToolRun checked = RunTool(RunSessionTool, { session, "--score", score, "--check" });
    EXPECT_EQ(0, checked.status) << checked.err;
    // Last: a session that stops leaves the plug-in's window open in the process.
    const ToolRun stopped = RunTool(RunSessionTool, { session, "--score", score });
    EXPECT_EQ(2, stopped.status);
    EXPECT_NE(std::string::npos, stopped.err.find("a message box with no answer")) << stopped.err;
}

TEST(CommandLines, ThePatternToolRefusesBadArguments)
{
    const std::string in = Fixture("musicxml/whole_copy.musicxml");
    ExpectRefused(kTools[2], {
        { { in, "out.musicxml", "--colour" }, "The following argument was not expected: --colour" },
        { { in }, "OUT is required" },
        { { in, "a.musicxml", "b.musicxml" }, "The following argument was not expected: b.musicxml" },
    });
}

// Exit status 1 with one line; after "--", a name that starts with "--" is
// a file.
TEST(CommandLines, AFileThatCannotBeReadFailsTheRun)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string missing = folder.File("--missing.json");
    const std::string out = folder.File("out.musicxml");
    const struct {
        ToolFunction tool;
        std::vector<std::string> args;
        std::string line;
    } cases[] = {
        { SyncTool, { "--source", "1", "--", missing }, "qvperfcopy-sync: " + missing + ": cannot open the file\n" },
        { RunSessionTool, { "--", missing }, "qvperfcopy-session: cannot read the session file " + missing + "\n" },
        { RunPatternTool, { "--", missing, out }, "qvperfcopy-pattern: " + missing + ": cannot open the file\n" },
        { RunPatternTool, { Fixture("sync_small.json"), out },
          "qvperfcopy-pattern: " + Fixture("sync_small.json") + ": not a MusicXML score with staves\n" },
    };
    for (const auto& c : cases) {
        const ToolRun run = RunTool(c.tool, c.args);
        EXPECT_EQ(1, run.status) << c.line;
        EXPECT_EQ(c.line, run.err);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

// The pattern on the first staff, written as MusicXML; the other staff as it was.
TEST(CommandLines, ThePatternToolWritesItsPattern)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string out = folder.File("--pattern.musicxml");
    const ToolRun run = RunTool(RunPatternTool, { Fixture("musicxml/whole_copy.musicxml"), "--", out });
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("notes of staff 1 the pattern\n")) << run.out;
    const std::string text = qvtest::ReadFileText(out);
    // Note 0: start 0, end 0, velocity +10; note 1: start 32, end -64 (1024ths;
    // 512 to a division here), velocity -10; from forte.
    EXPECT_NE(std::string::npos, text.find("<note attack=\"0\" release=\"0\" dynamics=\"111.11\"><pitch><step>E"))
        << text;
    EXPECT_NE(std::string::npos,
              text.find("<note dynamics=\"88.89\" attack=\"0.0625\" release=\"-0.125\"><pitch><step>D"))
        << text;
    EXPECT_NE(std::string::npos, text.find("<note release=\"2\"><pitch><step>B")) << text;
}
