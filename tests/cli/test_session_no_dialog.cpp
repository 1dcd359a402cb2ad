// A host without FX_Dialog: the menu command silently shows nothing, and
// terminating still saves the settings. An executable of its own, because
// the plug-in's host lookups last for the process.
#include "Session.h"
#include "SyncTool.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(Sessions, TheMenuCommandOfAHostWithoutFXDialogShowsNothing)
{
    const std::string folder = std::string(QV_FIXTURES_DIR) + "/sessions/";
    std::vector<std::string> steps;
    simhost::SessionFiles files;
    std::string error;
    ASSERT_TRUE(simhost::ReadSessionFile(folder + "no-dialog.session.json", steps, files, error)) << error;
    EXPECT_EQ(std::set<std::string>{ "FX_Dialog" }, files.hostLacks);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(0, simhost::RunSession(PluginEntryPoints(), steps, files, out, err)) << err.str();
    std::ifstream expected(folder + "no-dialog.transcript.txt", std::ios::binary);
    std::ostringstream text;
    text << expected.rdbuf();
    EXPECT_EQ(text.str(), out.str());
}
