// Many openings and closings of the tool window, and many runs of the entry
// points from version to terminate, in one process: with LeakSanitizer
// watching, nothing may be left behind, and no window either.
#include "UserInput.h"
#include "common/WindowFixture.h"
#include "shell/EntryPoints.h"
#include "sync/FCPerfcopyWindow.h"

#include <vector>

TEST_F(WindowTest, AThousandOpeningsAndAHundredHostRunsLeaveNothingBehind)
{
    score().staffOrder = { 1, 2, 3 };
    score().measureCount = 1;
    for (int16_t s = 1; s <= 3; ++s) score().SetStaffRecord(s, s == 1 ? std::optional<std::string>("Flute") : std::nullopt);
    score().SetGroup(0, simhost::GroupSpec{ 2, 3, "Piano", 1 });
    host().logCalls = false;
    FinaleExtensionVersion(score().hostVersion);
    uint32_t flags = 0;
    FinaleExtensionInit(0, &flags);
    const size_t windowsBefore = win32stub::AllWindows().size();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        FinaleExtensionInvoke(MainWindow(), 0, 0, 0);
        HWND dialog = gPerfcopyWindow->GetWindowHandle();
        ASSERT_NE(nullptr, dialog);
        simhost::ClickListLine(GetDlgItem(dialog, 102), cycle % 3);
        simhost::LetTimePass(200);
        if (cycle % 2 == 0) simhost::ClickButton(GetDlgItem(dialog, 2));
        else simhost::ClickCloseBox(dialog);
        ASSERT_EQ(windowsBefore, win32stub::AllWindows().size()) << "cycle " << cycle;
    }
    FinaleExtensionTerminate(0);
    for (int run = 0; run < 100; ++run) {
        FinaleExtensionVersion(score().hostVersion);
        FinaleExtensionInit(0, &flags);
        std::vector<uint8_t> record(772, 0);
        FinaleExtensionEnumerate_UTF16(0, 0, record.data());
        FinaleExtensionInvoke(MainWindow(), 0, 0, 0);
        if (run % 2 == 0) simhost::ClickButton(GetDlgItem(gPerfcopyWindow->GetWindowHandle(), 2));
        FinaleExtensionTerminate(0);
        ASSERT_EQ(nullptr, gPerfcopyWindow);
        ASSERT_EQ(windowsBefore, win32stub::AllWindows().size()) << "run " << run;
    }
    EXPECT_EQ(0u, host().LiveFrameCount());
}
