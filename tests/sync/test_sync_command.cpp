// The sync command's checks and field choices, run from the tool window's
// controls on the simulated host.
#include "UserInput.h"
#include "common/TempFolder.h"
#include "common/WindowFixture.h"
#include "data/EntryFrame.h"
#include "shell/EntryPoints.h"
#include "sync/FCPerfcopyWindow.h"
#include "sync/FCStaffListMap.h"
#include "sync/SyncCommand.h"
#include "ui/FCControl.h"

namespace {

using simhost::EntrySpec;
using simhost::NoteSpec;
using Values = std::vector<int16_t>;

class SyncCommand : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_FALSE(folder_.Path().empty());
        host().finalePath = folder_.Path();
        // Three staves; a note with values 40, 10, -20 on staff 1 and notes
        // without records on staves 2 and 3, in measure 1; Human Playback off.
        score().staffOrder = { 1, 2, 3 };
        score().measureCount = 2;
        for (int16_t staff : { 1, 2, 3 }) score().SetStaffRecord(staff, std::nullopt);
        score().SetHumanPlaybackMode(1);
        simhost::Performance source;
        source.velocity = 40;
        source.start = 10;
        source.end = -20;
        score().AddEntry(1, 1, 0, EntrySpec{ 0, 1024, frame::kSoundingFlag | frame::kNotePerformanceFlag,
                                             { NoteSpec{ 1, 0, source } } });
        for (int16_t staff : { 2, 3 })
            score().AddEntry(staff, 1, 0, EntrySpec{ 0, 1024, frame::kSoundingFlag, { NoteSpec{ 1, 0, std::nullopt } } });
        FinaleExtensionVersion(0x12050000);
        uint32_t flags = 0;
        FinaleExtensionInit(0, &flags);
        FinaleExtensionInvoke(MainWindow(), 0, 0, 0);
        ASSERT_NE(nullptr, gPerfcopyWindow);
    }
    void TearDown() override
    {
        FinaleExtensionTerminate(0);
        WindowTest::TearDown();
    }

    void Select(int16_t firstSlot, int16_t lastSlot, int16_t slotContext = 0)
    {
        score().selection = simhost::Region();
        score().selection.startSlotContext = score().selection.endSlotContext = slotContext;
        score().selection.startSlot = firstSlot;
        score().selection.endSlot = lastSlot;
        score().selection.startMeasure = 1;
        score().selection.endMeasure = 1;
        score().selection.endPosition = 4096;
    }
    HWND Item(int id) const { return GetDlgItem(gPerfcopyWindow->GetWindowHandle(), id); }
    template <typename Control> Control* ControlOf(int id) const
    {
        return static_cast<Control*>(gPerfcopyWindow->FindControl(static_cast<int16_t>(id)));
    }
    // The window's controls, as its "&Apply" hands them to the command.
    SyncControls Controls(FCUI* ui)
    {
        SyncControls controls;
        controls.ui = ui;
        controls.staffList = ControlOf<FCCtrlListBox>(FCPerfcopyWindow::kStaffList);
        controls.staffMap = &gPerfcopyWindow->GetStaffMap();
        controls.lastSourceStaff = &lastSource_;
        controls.velocityCheck = ControlOf<FCCtrlCheckbox>(103);
        controls.velocityEdit = ControlOf<FCCtrlEdit>(104);
        controls.startCheck = ControlOf<FCCtrlCheckbox>(106);
        controls.startEdit = ControlOf<FCCtrlEdit>(107);
        controls.endCheck = ControlOf<FCCtrlCheckbox>(109);
        controls.endEdit = ControlOf<FCCtrlEdit>(110);
        return controls;
    }
    // Velocity, start and end of the staff's note, or -999 each without a record.
    Values ValuesOf(int16_t staff) const
    {
        const auto& frame = score().frames.at(simhost::FrameKey(staff, 1, 0));
        auto record = score().PerformanceOf(simhost::entry::Number(frame.entries.at(0)), 1);
        if (!record) return { -999, -999, -999 };
        return { record->velocity, record->start, record->end };
    }
    // Nothing happened to the score, and no edit was started.
    void ExpectNothingDone(const std::string& step)
    {
        SCOPED_TRACE(step);
        EXPECT_TRUE(host().CallsTo("FX_StartFinaleEdit_UTF16").empty());
        EXPECT_TRUE(host().EndedEdits().empty());
        EXPECT_EQ(0, host().CancelledEdits());
        EXPECT_EQ((Values{ -999, -999, -999 }), ValuesOf(2));
        EXPECT_EQ((Values{ -999, -999, -999 }), ValuesOf(3));
        EXPECT_TRUE(win32stub::MessageBoxes().empty());
        EXPECT_TRUE(win32stub::Beeps().empty());
    }

    qvtest::TempFolder folder_;
    int32_t lastSource_ = 0;
};

}  // namespace

// With no UI to speak through, every check that would show a notice stops
// the command without one, and every question counts as answered No.
TEST_F(SyncCommand, WithoutAUIEveryCheckStopsSilentlyAndEveryQuestionIsNo)
{
    const SyncControls controls = Controls(nullptr);
    score().selection = simhost::Region();
    RunSyncCommand(controls);
    ExpectNothingDone("no region");
    Select(2, 2);
    RunSyncCommand(controls);
    ExpectNothingDone("no source staff");
    EXPECT_EQ(0, lastSource_);
    simhost::ClickListLine(Item(FCPerfcopyWindow::kStaffList), 1);
    RunSyncCommand(controls);
    ExpectNothingDone("source identical to destination");
    EXPECT_EQ(2, lastSource_);
    simhost::ClickListLine(Item(FCPerfcopyWindow::kStaffList), 0);
    Select(1, 3);
    RunSyncCommand(controls);
    ExpectNothingDone("source in the selection");
    Select(2, 3);
    score().SetHumanPlaybackMode(0);
    RunSyncCommand(controls);
    ExpectNothingDone("Human Playback on");
    EXPECT_EQ(1, lastSource_);

    // With nothing to ask, the sync runs.
    score().SetHumanPlaybackMode(1);
    RunSyncCommand(controls);
    EXPECT_EQ((std::vector<std::string>{ "Perfcopy to 2 staves" }), host().EndedEdits());
    EXPECT_EQ((Values{ 40, 10, -20 }), ValuesOf(2));
    EXPECT_EQ((Values{ 40, 10, -20 }), ValuesOf(3));
    EXPECT_TRUE(win32stub::MessageBoxes().empty());
}

// A selected line the staff map does not know names no staff: the command
// stops without a notice and remembers no source.
TEST_F(SyncCommand, ALineWithoutAStaffStopsTheCommand)
{
    SyncControls controls = Controls(gPerfcopyWindow->GetUI());
    FCStaffListMap empty;
    controls.staffMap = &empty;
    lastSource_ = 7;
    Select(2, 2);
    simhost::ClickListLine(Item(FCPerfcopyWindow::kStaffList), 0);
    RunSyncCommand(controls);
    ExpectNothingDone("a line without a staff");
    EXPECT_EQ(7, lastSource_);
}

// A source the selection's staff list does not hold is not part of the
// selection, even where the host's region starts before slot 1: no question.
TEST_F(SyncCommand, ASourceMissingFromTheSelectionsStaffListIsNotInIt)
{
    score().otherStaffLists[7] = { 2, 3 };
    Select(0, 2, 7);
    simhost::ClickListLine(Item(FCPerfcopyWindow::kStaffList), 0);
    simhost::ClickButton(Item(FCPerfcopyWindow::kApply));
    EXPECT_TRUE(win32stub::MessageBoxes().empty());
    EXPECT_EQ((std::vector<std::string>{ "Perfcopy to 3 staves" }), host().EndedEdits());
    EXPECT_EQ((Values{ 40, 10, -20 }), ValuesOf(2));
    EXPECT_EQ((Values{ 40, 10, -20 }), ValuesOf(3));
}

// Each field is copied when its box is checked, whichever others are not.
TEST_F(SyncCommand, EachCheckedFieldAloneIsCopied)
{
    Select(2, 2);
    simhost::ClickListLine(Item(FCPerfcopyWindow::kStaffList), 0);
    const struct {
        std::vector<int> unchecked;
        Values expected;
    } runs[] = {
        { { 103 }, { 0, 10, -20 } },
        { { 103, 106 }, { 0, 0, -20 } },
        { { 103, 109 }, { 0, 10, 0 } },
        { { 106, 109 }, { 40, 0, 0 } },
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(::testing::PrintToString(run.unchecked));
        for (int box : run.unchecked) simhost::ClickButton(Item(box));
        simhost::ClickButton(Item(FCPerfcopyWindow::kApply));
        EXPECT_EQ(run.expected, ValuesOf(2));
        EXPECT_EQ((Values{ -999, -999, -999 }), ValuesOf(3));
        ASSERT_TRUE(host().Undo());
        for (int box : run.unchecked) simhost::ClickButton(Item(box));
    }
    EXPECT_EQ(4u, host().EndedEdits().size());
    EXPECT_TRUE(win32stub::Beeps().empty());
}

TEST(StaffListMap, AnEmptyPlaceNamesNoLine)
{
    FCStaffListMap map;
    map.Add(nullptr);
    map.AddNode(0, 3);
    map.AddNode(2, 1);
    EXPECT_EQ(3, map.GetStaffForLine(0));
    EXPECT_EQ(1, map.GetStaffForLine(2));
    EXPECT_EQ(-1, map.GetStaffForLine(1));
    EXPECT_EQ(-1, map.GetStaffForLine(-1));
}
