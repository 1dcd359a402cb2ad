// Unloading and loading the plug-in again, as Finale does when a user
// reinstalls it or Finale reloads its plug-ins: the DLL must leave the
// process at the host's last FreeLibrary, and the next load must start
// afresh, its boxes owned by the main window of that load.
#include <windows.h>

#include "HostMeasure.h"
#include "MessageBoxes.h"
#include "ScoreGenerator.h"
#include "SimHost.h"
#include "UserInput.h"

#include <gtest/gtest.h>

#include <string>

TEST(PluginReload, LeavesAtFreeLibraryAndStartsAfreshUnderANewMainWindow)
{
    // Every test of this program frees what it loads.
    ASSERT_EQ(nullptr, GetModuleHandleW(L"qvperfcopy.fxt")) << "the plug-in was still loaded before the test";
    simhost::WatchMessageBoxes([](const simhost::ShownBox& box) { return box.question ? IDYES : IDOK; });
    ScoreShape shape;
    shape.staves = 3;
    shape.measures = 2;
    HWND previous = nullptr;
    for (int load = 1; load <= 2; ++load) {
        SCOPED_TRACE("load " + std::to_string(load));
        finale::Plugin plugin;
        ASSERT_TRUE(finale::Start(L"qvperfcopy.fxt", GenerateScore(shape), plugin));
        ASSERT_EQ(plugin.module, GetModuleHandleW(L"qvperfcopy.fxt"));
        simhost::Host& host = simhost::Host::Get();
        const HWND mainWindow = host.mainWindow;
        ASSERT_NE(nullptr, mainWindow);
        EXPECT_NE(previous, mainWindow);
        previous = mainWindow;

        const size_t boxes = simhost::ShownBoxes().size();
        finale::OpenToolWindow();
        HWND dialog = finale::PluginDialog();
        ASSERT_NE(nullptr, dialog);
        const size_t edits = host.EndedEdits().size();
        // The source staff lies inside the selection: the plug-in asks first.
        simhost::ClickListLine(GetDlgItem(dialog, 102), 0);
        simhost::ClickButton(GetDlgItem(dialog, 1));
        simhost::LetTimePass(600);
        EXPECT_EQ(edits + 1, host.EndedEdits().size());
        const std::vector<simhost::ShownBox>& shown = simhost::ShownBoxes();
        ASSERT_LT(boxes, shown.size()) << "Apply asked nothing";
        for (size_t i = boxes; i < shown.size(); ++i) {
            EXPECT_EQ(mainWindow, shown[i].owner) << "box: " << shown[i].text;
        }

        finale::Stop(plugin);
        EXPECT_EQ(nullptr, GetModuleHandleW(L"qvperfcopy.fxt")) << "the plug-in stayed loaded after FreeLibrary";
    }
    simhost::StopWatchingMessageBoxes();
}
