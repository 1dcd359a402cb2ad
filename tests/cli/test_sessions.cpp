// Scripted sessions of the whole plug-in: the transcripts of the fixture
// sessions, and clear refusals of sessions that cannot run.
#include "Session.h"
#include "SyncTool.h"
#include "common/FileText.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Sessions(const std::string& name)
{
    return std::string(QV_FIXTURES_DIR) + "/sessions/" + name;
}

struct SessionRun {
    int status;
    std::string out;
    std::string err;
};

SessionRun RunSteps(const std::vector<std::string>& steps, simhost::SessionFiles files)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = simhost::RunSession(PluginEntryPoints(), steps, files, out, err);
    return { status, out.str(), err.str() };
}

SessionRun RunFile(const std::string& name, const std::string& output = "", const std::string& settingsOutput = "",
                   const std::string& settings = "")
{
    std::vector<std::string> steps;
    simhost::SessionFiles files;
    std::string error;
    EXPECT_TRUE(simhost::ReadSessionFile(Sessions(name), steps, files, error)) << error;
    files.outputPath = output;
    files.settingsOutputPath = settingsOutput;
    if (!settings.empty()) files.settingsPath = settings;
    return RunSteps(steps, files);
}

}  // namespace

TEST(Sessions, GiveTheExpectedTranscripts)
{
    for (const char* name : { "whole-job", "checks", "reopen", "musicxml" }) {
        SCOPED_TRACE(name);
        const SessionRun run = RunFile(std::string(name) + ".session.json");
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ(qvtest::ReadFileText(Sessions(std::string(name) + ".transcript.txt")), run.out);
    }
}

// The second run opens the window where the first closed it, with the first
// run's choices; the remembered source staff lives only as long as the run.
TEST(Sessions, ASettingsFileRoundTripsBetweenTwoHostRuns)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string settings = folder.File("settings-after-first-run.txt");
    SessionRun first = RunFile("roundtrip-first.session.json", "", settings);
    ASSERT_EQ(0, first.status) << first.err;
    EXPECT_EQ(qvtest::ReadFileText(Sessions("roundtrip-first.transcript.txt")), first.out);
    SessionRun second = RunFile("roundtrip-second.session.json", "", "", settings);
    ASSERT_EQ(0, second.status) << second.err;
    EXPECT_EQ(qvtest::ReadFileText(Sessions("roundtrip-second.transcript.txt")), second.out);
}

TEST(Sessions, AStepThatCannotBeDoneStopsWithOneLineAndWritesNothing)
{
    const std::string score = qvtest::ReadFileText(Sessions("quartet-named.json"));
    const std::string settings = qvtest::ReadFileText(Sessions("settings.txt"));
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string output = folder.File("never.json");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        { { "invoke", "dance" }, "step 2 (dance): unknown step" },
        { { "invoke", "choose 9" }, "step 2 (choose 9): line 9 is not in the staff list (it has 4 lines)" },
        { { "choose 1" }, "step 1 (choose 1): the tool window is not open" },
        { { "invoke", "click &Apply" }, "step 2 (click &Apply): the button \"&Apply\" is disabled" },
        { { "invoke", "choose 1", "click &Apply" },
          "step 3 (click &Apply): a message box with no answer: \"Source staff is part of the selected block of "
          "destination staves. Continue?\" (title \"Source Staff in Selection\")" },
        { { "invoke", "type Loudness 5" }, "step 2 (type Loudness 5): no field in \"Loudness 5\"" },
        { { "select 1:1" }, "step 1 (select 1:1): bad selection \"1:1\"" },
    };
    for (const auto& c : cases) {
        simhost::SessionFiles files;
        files.scorePath = Sessions("quartet-named.json");
        files.settingsPath = Sessions("settings.txt");
        files.outputPath = output;
        const SessionRun run = RunSteps(c.first, files);
        EXPECT_EQ(2, run.status) << c.second;
        EXPECT_EQ(0u, run.err.find("qvperfcopy session: " + c.second)) << run.err;
        EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
        EXPECT_FALSE(std::filesystem::exists(output));
    }
    simhost::SessionFiles missing;
    missing.scorePath = Sessions("no-such-score.json");
    missing.outputPath = output;
    const SessionRun run = RunSteps({ "invoke" }, missing);
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("no-such-score.json: cannot open the file")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(score, qvtest::ReadFileText(Sessions("quartet-named.json")));
    EXPECT_EQ(settings, qvtest::ReadFileText(Sessions("settings.txt")));

    std::vector<std::string> steps;
    simhost::SessionFiles files;
    std::string error;
    EXPECT_FALSE(simhost::ReadSessionFile(Sessions("no-such.session.json"), steps, files, error));
    EXPECT_NE(std::string::npos, error.find("cannot read the session file")) << error;
}
