// The tool window, its saved settings, the menu command and "&Apply", on the
// simulated host and the stand-in's window model.
#include "DialogTemplate.h"
#include "ModuleRegistry.h"
#include "UserInput.h"
#include "common/TempFolder.h"
#include "common/WindowFixture.h"
#include "data/EntryFrame.h"
#include "shell/EntryPoints.h"
#include "shell/WindowSettings.h"
#include "sync/FCPerfcopyWindow.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using simhost::EntrySpec;
using simhost::NoteSpec;

constexpr uint32_t kSounding = frame::kSoundingFlag;
// The tool window's outer size from its template: 245 x 161 dialog units
// with a caption and a sizing frame. It is also its minimum.
constexpr int kTemplateWidth = 368 + 2 * win32stub::kSizeFrame;
constexpr int kTemplateHeight = 262 + 2 * win32stub::kSizeFrame + win32stub::kCaptionHeight;
const char kNoRegion[] = "Please select a target region where the performance data from the source staff should be mixed in.";

class ToolWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_FALSE(folder_.Path().empty());
        host().finalePath = folder_.Path();
    }
    void TearDown() override
    {
        FinaleExtensionTerminate(0);
        WindowTest::TearDown();
    }

    // Three staves, the first named Flute, the others covered by a two-staff
    // group Piano; a note on staves 1 and 2 in measure 1; Human Playback off.
    void MakeScore(uint32_t version)
    {
        score().hostVersion = version;
        score().staffOrder = { 1, 2, 3 };
        score().measureCount = 2;
        score().SetStaffRecord(1, "Flute");
        score().SetStaffRecord(2, std::nullopt);
        score().SetStaffRecord(3, std::nullopt);
        score().SetGroup(0, simhost::GroupSpec{ 2, 3, "Piano", 1 });
        score().SetHumanPlaybackMode(1);
        simhost::Performance source;
        source.velocity = 40;
        source.start = 10;
        source.end = -20;
        score().AddEntry(1, 1, 0, EntrySpec{ 0, 1024, kSounding | frame::kNotePerformanceFlag, { NoteSpec{ 1, 0, source } } });
        score().AddEntry(2, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, std::nullopt } } });
        score().AddEntry(3, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, std::nullopt } } });
        Select(1, 3);
        FinaleExtensionVersion(version);
        uint32_t flags = 0;
        FinaleExtensionInit(0, &flags);
    }
    void Select(int16_t firstSlot, int16_t lastSlot)
    {
        score().selection = simhost::Region();
        score().selection.startSlot = firstSlot;
        score().selection.endSlot = lastSlot;
        score().selection.startMeasure = 1;
        score().selection.endMeasure = 1;
        score().selection.endPosition = 4096;
    }

    HWND Invoke(HWND window = nullptr)
    {
        FinaleExtensionInvoke(window != nullptr ? window : MainWindow(), 0, 0, 0);
        return Dialog();
    }
    HWND Dialog() const { return gPerfcopyWindow != nullptr ? gPerfcopyWindow->GetWindowHandle() : nullptr; }
    HWND Item(int id) const { return GetDlgItem(Dialog(), id); }

    std::vector<std::string> ListLines() const
    {
        std::vector<std::string> lines;
        const int count = static_cast<int>(SendMessageW(Item(102), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            WCHAR buffer[128] = {};
            SendMessageW(Item(102), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
            std::u16string units;
            for (int k = 0; buffer[k] != 0; ++k) units += static_cast<char16_t>(buffer[k]);
            lines.push_back(win32stub::ToUtf8(units));
        }
        return lines;
    }
    int Selected() const { return static_cast<int>(SendMessageW(Item(102), LB_GETCURSEL, 0, 0)); }
    std::string EditText(int id) const
    {
        WCHAR buffer[32] = {};
        GetWindowTextW(Item(id), buffer, 32);
        std::u16string units;
        for (int k = 0; buffer[k] != 0; ++k) units += static_cast<char16_t>(buffer[k]);
        return win32stub::ToUtf8(units);
    }
    void Apply() { simhost::ClickButton(Item(1)); }
    std::vector<std::string> BoxTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& box : win32stub::MessageBoxes()) titles.push_back(box.title);
        return titles;
    }
    // Velocity, start and end of the note in measure 1, or -999 for each
    // when it has no record.
    using Values = std::vector<int16_t>;
    Values ValuesOf(int16_t staff) const
    {
        const auto& frame = score().frames.at(simhost::FrameKey(staff, 1, 0));
        if (frame.entries.empty()) return {};
        auto record = score().PerformanceOf(simhost::entry::Number(frame.entries[0]), 1);
        if (!record) return { -999, -999, -999 };
        return { record->velocity, record->start, record->end };
    }
    int16_t VelocityOf(int16_t staff) const
    {
        const Values values = ValuesOf(staff);
        return values.empty() ? 0 : values[0];
    }

    // The host names the folder; the plug-in joins the file's name with '\',
    // which the stand-in takes as a separator, as Windows does.
    std::string SettingsPath() const { return folder_.File("qvpluginprefs.txt"); }
    void WriteSettings(const std::string& text) const { std::ofstream(SettingsPath(), std::ios::binary) << text; }
    std::string ReadSettings() const
    {
        std::ifstream in(SettingsPath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The layout oracle. Every child of the dialog, enumerated from the
    // template in its order, lies where the template and the client size
    // put it: the two buttons keep their distance from the lower right
    // corner, the list keeps its margins and grows with the window, and
    // everything else stays where the template placed it. Every numbered
    // item also has a control object of its kind in the window.
    void ExpectLaidOut(const std::string& step) const
    {
        SCOPED_TRACE("layout " + step);
        const HWND dialog = Dialog();
        ASSERT_NE(nullptr, dialog);
        const std::vector<uint8_t>* bytes =
            win32stub::FindResourceBytes(host().pluginModule, 5, static_cast<uint16_t>(FCPerfcopyWindow::kTemplate));
        ASSERT_NE(nullptr, bytes) << "no dialog template";
        win32stub::DialogTemplate dialogTemplate;
        ASSERT_TRUE(win32stub::ParseDialogTemplate(bytes->data(), bytes->size(), dialogTemplate));
        const std::vector<win32stub::DialogItemTemplate>& items = dialogTemplate.items;
        ASSERT_FALSE(items.empty()) << "a template without items";
        std::vector<HWND> children;
        for (HWND window : win32stub::AllWindows()) {
            if (GetParent(window) == dialog) children.push_back(window);
        }
        ASSERT_EQ(items.size(), children.size());
        RECT client = {};
        GetClientRect(dialog, &client);
        const int dx = client.right - win32stub::DialogUnitsToPixelsX(dialogTemplate.cx);
        const int dy = client.bottom - win32stub::DialogUnitsToPixelsY(dialogTemplate.cy);
        int numbered = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            const win32stub::DialogItemTemplate& item = items[i];
            const int id = static_cast<int16_t>(item.id & 0xFFFF);
            SCOPED_TRACE("item " + std::to_string(id));
            EXPECT_EQ(id, GetDlgCtrlID(children[i]));
            RECT expected = { win32stub::DialogUnitsToPixelsX(item.x), win32stub::DialogUnitsToPixelsY(item.y), 0, 0 };
            expected.right = expected.left + win32stub::DialogUnitsToPixelsX(item.cx);
            expected.bottom = expected.top + win32stub::DialogUnitsToPixelsY(item.cy);
            if (id == FCPerfcopyWindow::kApply || id == FCPerfcopyWindow::kClose) {
                expected = { expected.left + dx, expected.top + dy, expected.right + dx, expected.bottom + dy };
            } else if (id == FCPerfcopyWindow::kStaffList) {
                expected.right += dx;
                expected.bottom += dy;
            }
            RECT outer = WindowRect(children[i]);
            POINT corner = { outer.left, outer.top };
            ScreenToClient(dialog, &corner);
            EXPECT_EQ(expected.left, corner.x);
            EXPECT_EQ(expected.top, corner.y);
            EXPECT_EQ(expected.right - expected.left, outer.right - outer.left);
            EXPECT_EQ(expected.bottom - expected.top, outer.bottom - outer.top);
            if (id == -1) continue;
            ++numbered;
            const FCControl* control = gPerfcopyWindow->FindControl(id);
            ASSERT_NE(nullptr, control) << "an item with no control object";
            const char* kind = "";
            switch (item.itemClass) {
            case win32stub::ItemClass::Button: kind = FCCtrlButton(0).ClassName(); break;
            case win32stub::ItemClass::Edit: kind = FCCtrlEdit(0).ClassName(); break;
            case win32stub::ItemClass::Static: kind = FCCtrlStatic(0).ClassName(); break;
            case win32stub::ItemClass::ListBox: kind = FCCtrlListBox(0).ClassName(); break;
            default: break;
            }
            EXPECT_STREQ(kind, control->ClassName());
        }
        EXPECT_EQ(numbered, gPerfcopyWindow->GetCount());
    }
    // The window's outer rectangle.
    void ExpectWindowAt(const RECT& expected, const std::string& step) const
    {
        SCOPED_TRACE("window " + step);
        const RECT outer = WindowRect(Dialog());
        EXPECT_EQ(expected.left, outer.left);
        EXPECT_EQ(expected.top, outer.top);
        EXPECT_EQ(expected.right - expected.left, outer.right - outer.left);
        EXPECT_EQ(expected.bottom - expected.top, outer.bottom - outer.top);
    }
    // Where the host puts a new dialog: its client area at the main window's.
    RECT HostPlacement() const
    {
        POINT origin = { 0, 0 };
        ClientToScreen(MainWindow(), &origin);
        const int left = origin.x - win32stub::kSizeFrame;
        const int top = origin.y - win32stub::kSizeFrame - win32stub::kCaptionHeight;
        return { left, top, left + kTemplateWidth, top + kTemplateHeight };
    }
    // The rectangle after the user drags the frame by (dw, dh): the
    // template's width, whatever was stored, and a height between the
    // template's and 80 percent of the full-screen height.
    static RECT Dragged(const RECT& from, int dh)
    {
        const int tallest = win32stub::kFullScreenHeight * 8 / 10;
        const int height = std::min(std::max(static_cast<int>(from.bottom - from.top) + dh, kTemplateHeight), tallest);
        return { from.left, from.top, from.left + kTemplateWidth, from.top + height };
    }
    // Opens the window, then takes it through drags of several amounts, a
    // move, hiding and showing, another invocation, a close and a reopening,
    // checking its rectangle and its layout after each step.
    void WalkTheWindowThroughItsSteps(RECT expected)
    {
        ExpectWindowAt(expected, "opened");
        ExpectLaidOut("opened");
        for (int dh : { 40, -25, 70, -1000, 1000, -300 }) {
            const std::string step = "dragged by " + std::to_string(dh);
            simhost::DragFrame(Dialog(), 15, dh);
            expected = Dragged(expected, dh);
            ExpectWindowAt(expected, step);
            ExpectLaidOut(step);
        }
        SetWindowPos(Dialog(), nullptr, 150, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        expected = { 150, 60, 150 + expected.right - expected.left, 60 + expected.bottom - expected.top };
        ExpectWindowAt(expected, "moved");
        ExpectLaidOut("moved");
        ShowWindow(Dialog(), SW_HIDE);
        ShowWindow(Dialog(), SW_SHOW);
        ExpectWindowAt(expected, "hidden and shown");
        ExpectLaidOut("hidden and shown");
        ShowWindow(Dialog(), SW_HIDE);
        Invoke();
        ExpectWindowAt(expected, "hidden and invoked");
        ExpectLaidOut("hidden and invoked");
        simhost::ClickButton(Item(FCPerfcopyWindow::kClose));
        ASSERT_EQ(nullptr, Dialog());
        Invoke();
        ExpectWindowAt(expected, "closed and reopened");
        ExpectLaidOut("closed and reopened");
        simhost::DragFrame(Dialog(), 0, 33);
        expected = Dragged(expected, 33);
        ExpectWindowAt(expected, "reopened and dragged");
        ExpectLaidOut("reopened and dragged");
        // The next run of the host opens it as it was closed.
        simhost::ClickButton(Item(FCPerfcopyWindow::kClose));
        FinaleExtensionTerminate(0);
        MakeScore(0x12050000);
        Invoke();
        ExpectWindowAt(expected, "the next run");
        ExpectLaidOut("the next run");
    }

    qvtest::TempFolder folder_;
};

}  // namespace

TEST_F(ToolWindowTest, ListsStavesWithGroupNamesFromVersion0x10000000)
{
    MakeScore(0x10000000);
    Invoke();
    EXPECT_EQ((std::vector<std::string>{ "Flute", "Piano (top staff)", "Piano (bottom staff)" }), ListLines());
    EXPECT_EQ(-1, Selected());
    EXPECT_FALSE(IsWindowEnabled(Item(1)));  // nothing to apply from yet
}

// A size message may come before the dialog's controls are made: there is
// nothing to move yet, and nothing is touched.
TEST_F(ToolWindowTest, ASizeBeforeTheControlsExistMovesNothing)
{
    FCPerfcopyWindow window;
    EXPECT_EQ(0, window.HandleMessage(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)));
    EXPECT_EQ(0, window.HandleMessage(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240)));
    EXPECT_EQ(nullptr, window.GetWindowHandle());
}

// So is a dialog that opens before them: it shows the template as it is,
// follows no part, and its closing keeps no choices and no geometry. A
// window with its controls that is not open keeps them too when closed.
TEST_F(ToolWindowTest, WithoutItsControlsOrItsDialogTheWindowKeepsNothing)
{
    MakeScore(0x12050000);
    gPerfcopySettings.VelocityPercent = 40;
    FCPerfcopyWindow window;
    window.ShowModeless();
    const HWND dialog = window.GetWindowHandle();
    ASSERT_NE(nullptr, dialog);
    const HWND list = GetDlgItem(dialog, FCPerfcopyWindow::kStaffList);
    EXPECT_EQ(0, SendMessageW(list, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, FCPerfcopyWindow::kVelocityCheck));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, FCPerfcopyWindow::kApply)));
    score().part = 2;
    simhost::LetTimePass(400);
    EXPECT_EQ(0, SendMessageW(list, LB_GETCOUNT, 0, 0));
    simhost::ClickCloseBox(dialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(window.IsPositionStored());
    EXPECT_EQ(40, gPerfcopySettings.VelocityPercent);
    EXPECT_EQ(1, gPerfcopySettings.UseVelocity);

    FCPerfcopyWindow closed;
    closed.BindControls();
    closed.LastSourceStaff = 2;
    closed.CloseWindow();
    EXPECT_TRUE(closed.IsClosed());
    EXPECT_FALSE(closed.IsPositionStored());
    EXPECT_EQ(2, closed.LastSourceStaff);
    EXPECT_EQ(40, gPerfcopySettings.VelocityPercent);
    EXPECT_EQ(1, gPerfcopySettings.UseVelocity);
}

TEST_F(ToolWindowTest, ListsStaffNumbersBelowVersion0x10000000)
{
    MakeScore(0x0F000000);
    Invoke();
    EXPECT_EQ((std::vector<std::string>{ "Flute", "Staff #2", "Staff #3" }), ListLines());
}

TEST_F(ToolWindowTest, ChoicesEnableWhatTheyGovern)
{
    MakeScore(0x12050000);
    Invoke();
    EXPECT_EQ("100", EditText(104));
    simhost::ClickListLine(Item(102), 1);
    EXPECT_TRUE(IsWindowEnabled(Item(1)));
    // Each check box, its edit and its "%": unchecking one disables its own
    // pair and no other.
    const int triples[3][3] = { { 103, 104, 105 }, { 106, 107, 108 }, { 109, 110, 111 } };
    for (const auto& unchecked : triples) {
        SCOPED_TRACE(unchecked[0]);
        simhost::ClickButton(Item(unchecked[0]));
        for (const auto& triple : triples) {
            const bool own = triple[0] == unchecked[0];
            EXPECT_EQ(!own, IsWindowEnabled(Item(triple[1]))) << triple[1];
            EXPECT_EQ(!own, IsWindowEnabled(Item(triple[2]))) << triple[2];
        }
        simhost::ClickButton(Item(unchecked[0]));
        EXPECT_TRUE(IsWindowEnabled(Item(unchecked[1])));
        EXPECT_TRUE(IsWindowEnabled(Item(unchecked[2])));
    }
}

TEST_F(ToolWindowTest, ReopeningKeepsTheLineAndClampsTheTypedPercentages)
{
    MakeScore(0x12050000);
    const HWND first = Invoke();
    simhost::ClickListLine(Item(102), 1);
    simhost::TypeText(Item(107), u"250");
    simhost::TypeText(Item(110), u"-5");
    ASSERT_EQ(BST_CHECKED, IsDlgButtonChecked(first, 103));
    simhost::ClickButton(Item(103));  // velocity off; start and end times stay on
    simhost::ClickButton(Item(2));  // "&Close"
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(100, gPerfcopySettings.StartTimePercent);
    EXPECT_EQ(0, gPerfcopySettings.EndTimePercent);
    EXPECT_EQ(2, gPerfcopyWindow->LastSourceStaff);
    EXPECT_EQ(0, gPerfcopySettings.UseVelocity);
    EXPECT_EQ(1, gPerfcopySettings.UseStartTime);
    EXPECT_EQ(1, gPerfcopySettings.UseEndTime);

    FCPerfcopyWindow* window = gPerfcopyWindow;
    const HWND second = Invoke();
    EXPECT_EQ(window, gPerfcopyWindow);  // the same object, a new dialog
    EXPECT_EQ(1, Selected());
    EXPECT_EQ("100", EditText(107));
    EXPECT_EQ("0", EditText(110));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(second, 103));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(second, 106));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(second, 109));

    // A remembered staff that has left the score is forgotten. The boxes
    // turned the other way are kept the other way.
    simhost::ClickListLine(Item(102), 2);
    for (int box : { 103, 106, 109 }) simhost::ClickButton(Item(box));
    simhost::ClickButton(Item(2));
    EXPECT_EQ(3, gPerfcopyWindow->LastSourceStaff);
    EXPECT_EQ(1, gPerfcopySettings.UseVelocity);
    EXPECT_EQ(0, gPerfcopySettings.UseStartTime);
    EXPECT_EQ(0, gPerfcopySettings.UseEndTime);
    score().staffOrder = { 1, 2 };
    Invoke();
    EXPECT_EQ(2u, ListLines().size());
    EXPECT_EQ(-1, Selected());
    EXPECT_EQ(0, gPerfcopyWindow->LastSourceStaff);
    EXPECT_FALSE(IsWindowEnabled(Item(1)));

    // In a score of one staff the remembered staff is kept too.
    simhost::ClickListLine(Item(102), 0);
    simhost::ClickButton(Item(2));
    score().staffOrder = { 1 };
    Invoke();
    EXPECT_EQ(1u, ListLines().size());
    EXPECT_EQ(0, Selected());
    EXPECT_EQ(1, gPerfcopyWindow->LastSourceStaff);

    // A score of no staves lists none and forgets the staff.
    simhost::ClickButton(Item(2));
    score().staffOrder = {};
    Invoke();
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(0, gPerfcopyWindow->LastSourceStaff);
    EXPECT_FALSE(IsWindowEnabled(Item(1)));
}

TEST_F(ToolWindowTest, APartSwitchRebuildsTheListWithinOneTickAndForgetsTheSource)
{
    MakeScore(0x12050000);
    Invoke();
    simhost::ClickListLine(Item(102), 0);
    simhost::ClickButton(Item(2));
    Invoke();  // the remembered line is selected again
    EXPECT_EQ(0, Selected());
    simhost::LetTimePass(400);
    EXPECT_EQ(0, Selected());  // nothing changed: nothing rebuilt
    score().part = 2;
    // Neither a deactivation nor another timer rebuilds the list.
    SendMessageW(Dialog(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(0, Selected());
    SendMessageW(Dialog(), WM_TIMER, FCPerfcopyWindow::kRefreshTimer + 1, 0);
    EXPECT_EQ(0, Selected());
    simhost::LetTimePass(199);
    EXPECT_EQ(0, Selected());
    simhost::LetTimePass(1);
    EXPECT_EQ(-1, Selected());
    EXPECT_EQ(0, gPerfcopyWindow->LastSourceStaff);
    EXPECT_FALSE(IsWindowEnabled(Item(1)));
    EXPECT_EQ(3u, ListLines().size());
    // Back in the first part, an activation rebuilds the list at once, and
    // the source is not chosen again by itself.
    score().part = 0;
    simhost::ClickListLine(Item(102), 0);
    SendMessageW(Dialog(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(-1, Selected());

    // Another document with the same part number: rebuilt as well.
    simhost::ClickListLine(Item(102), 0);
    simhost::LetTimePass(200);
    EXPECT_EQ(0, Selected());
    score().document = 2;
    simhost::LetTimePass(200);
    EXPECT_EQ(-1, Selected());
}

TEST_F(ToolWindowTest, ResizingMovesTheButtonsAndStretchesTheListOnly)
{
    MakeScore(0x12050000);
    const HWND dialog = Invoke();
    const RECT outer = WindowRect(dialog);
    const RECT apply = ItemRect(dialog, 1);
    const RECT close = ItemRect(dialog, 2);
    const RECT list = ItemRect(dialog, 102);
    const RECT edit = ItemRect(dialog, 104);
    win32stub::ClearEvents();
    simhost::DragFrame(dialog, 30, 40);
    // The three controls move together, in one batch of the system's.
    EXPECT_EQ(1u, EventsNamed("BeginDeferWindowPos").size());
    EXPECT_EQ(3u, EventsNamed("DeferWindowPos").size());
    for (const win32stub::Event& placed : EventsNamed("SetWindowPos")) {
        EXPECT_TRUE(placed.window == dialog) << "control " << placed.args[0] << " placed on its own";
    }
    const RECT now = WindowRect(dialog);
    EXPECT_EQ(outer.right - outer.left, now.right - now.left);  // the width never changes
    EXPECT_EQ(outer.bottom - outer.top + 40, now.bottom - now.top);
    EXPECT_EQ(apply.top + 40, ItemRect(dialog, 1).top);
    EXPECT_EQ(close.top + 40, ItemRect(dialog, 2).top);
    EXPECT_EQ(apply.left, ItemRect(dialog, 1).left);
    EXPECT_EQ(list.bottom + 40, ItemRect(dialog, 102).bottom);
    EXPECT_EQ(list.top, ItemRect(dialog, 102).top);
    EXPECT_EQ(edit.top, ItemRect(dialog, 104).top);
    // At most 80 percent of the full-screen height.
    simhost::DragFrame(dialog, 0, 1000);
    EXPECT_EQ(win32stub::kFullScreenHeight * 8 / 10, WindowRect(dialog).bottom - WindowRect(dialog).top);
}

TEST_F(ToolWindowTest, EveryControlFollowsTheWindowWhereverTheHostPlacesIt)
{
    // Away from the screen's corner, so that positions and sizes differ.
    SetWindowPos(MainWindow(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    WriteSettings("OTHER=1\n");  // a file to keep the geometry in
    MakeScore(0x12050000);
    Invoke();
    WalkTheWindowThroughItsSteps(HostPlacement());
}

// A stored size other than the template's, wider too, moves and stretches
// the controls from the first; one below the minimum gives the minimum.
TEST_F(ToolWindowTest, EveryControlFollowsTheWindowFromItsStoredGeometry)
{
    const struct {
        const char* settings;
        RECT expected;
    } runs[] = {
        { "QVPERFCOPY_WINDOWX2=120\nQVPERFCOPY_WINDOWY2=80\nQVPERFCOPY_WINDOWWIDTH2=440\n"
          "QVPERFCOPY_WINDOWHEIGHT2=350\n",
          { 120, 80, 560, 430 } },
        { "QVPERFCOPY_WINDOWX2=-30\nQVPERFCOPY_WINDOWY2=20\nQVPERFCOPY_WINDOWWIDTH2=100\n"
          "QVPERFCOPY_WINDOWHEIGHT2=100\n",
          { -30, 20, -30 + kTemplateWidth, 20 + kTemplateHeight } },
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.settings);
        FinaleExtensionTerminate(0);
        WriteSettings(run.settings);
        MakeScore(0x12050000);
        Invoke();
        WalkTheWindowThroughItsSteps(run.expected);
    }
}

TEST_F(ToolWindowTest, TwoInvocationsMakeOneWindowAndBoxesKeepTheFirstOwner)
{
    MakeScore(0x12050000);
    const HWND dialog = Invoke();
    const HWND other = CreateWindowExW(0, nullptr, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(dialog, Invoke(other));
    EXPECT_EQ(1u, host().CallsTo("FX_Dialog").size());
    Select(0, 0);
    score().selection.startMeasure = 0;
    score().selection.endMeasure = 0;
    win32stub::QueueMessageBoxAnswer(IDOK);
    Apply();
    ASSERT_EQ(1u, win32stub::MessageBoxes().size());
    EXPECT_EQ(MainWindow(), win32stub::MessageBoxes()[0].owner);
}

TEST_F(ToolWindowTest, ChecksComeInOrderAndStopTheSync)
{
    MakeScore(0x12050000);
    Invoke();
    const auto& boxes = win32stub::MessageBoxes();
    // No region and no source staff: only the first check speaks.
    score().selection = simhost::Region();
    win32stub::QueueMessageBoxAnswer(IDOK);
    Apply();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("No Target Region", boxes[0].title);
    EXPECT_EQ(kNoRegion, boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes[0].style);

    Select(2, 2);
    win32stub::QueueMessageBoxAnswer(IDOK);
    Apply();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Source Staff Missing", boxes[1].title);
    EXPECT_EQ("Please select a source staff.", boxes[1].text);

    simhost::ClickListLine(Item(102), 1);
    win32stub::QueueMessageBoxAnswer(IDOK);
    Apply();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ("Source Identical to Destination", boxes[2].title);

    // The source inside a larger selection, at its first, a middle and its
    // last slot: asked; any answer but Yes (No, Cancel, a box that failed)
    // stops.
    Select(1, 3);
    const int answers[] = { IDNO, IDCANCEL, 0 };
    for (int line : { 0, 1, 2 }) {
        simhost::ClickListLine(Item(102), line);
        const size_t before = boxes.size();
        win32stub::QueueMessageBoxAnswer(answers[line]);
        Apply();
        ASSERT_EQ(before + 1, boxes.size()) << line;
        EXPECT_EQ("Source Staff in Selection", boxes.back().title);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), boxes.back().style);
    }

    // Human Playback on: asked after the first question; any answer but Yes
    // stops.
    score().SetHumanPlaybackMode(0);
    for (int answer : answers) {
        const size_t before = boxes.size();
        win32stub::QueueMessageBoxAnswer(IDYES);
        win32stub::QueueMessageBoxAnswer(answer);
        Apply();
        ASSERT_EQ(before + 2, boxes.size()) << answer;
        EXPECT_EQ("Human Playback is ON", boxes.back().title);
    }
    EXPECT_TRUE(host().CallsTo("FX_StartFinaleEdit_UTF16").empty());
    EXPECT_TRUE(host().EndedEdits().empty());
    EXPECT_EQ(0, host().CancelledEdits());
    EXPECT_TRUE(win32stub::Beeps().empty());
    EXPECT_EQ(-999, VelocityOf(2));
    EXPECT_EQ(-999, VelocityOf(3));
}

TEST_F(ToolWindowTest, YesToBothQuestionsSyncsTheOtherStavesAsOneNamedEdit)
{
    MakeScore(0x12050000);
    score().SetHumanPlaybackMode(0);
    Invoke();
    simhost::ClickListLine(Item(102), 0);
    // Percentages are clamped for the run: 150 to 100, -20 to 0.
    simhost::TypeText(Item(104), u"150");
    simhost::TypeText(Item(107), u"-20");
    simhost::TypeText(Item(110), u"150");
    win32stub::QueueMessageBoxAnswer(IDYES);
    // While the question is open, the timer still reaches the window.
    win32stub::QueueMessageBoxAnswer(IDYES, [] { simhost::LetTimePass(400); });
    Apply();
    ASSERT_EQ((std::vector<std::string>{ "Source Staff in Selection", "Human Playback is ON" }), BoxTitles());
    EXPECT_EQ("Human Playback is ON for this document. The live data will not play back, unless you set the HP "
              "Preferences to use or incorporate existing MIDI data for start/end/velocity.\n\nDo you want to "
              "continue?",
              win32stub::MessageBoxes()[1].text);
    EXPECT_EQ((std::vector<std::string>{ "Perfcopy to 3 staves" }), host().EndedEdits());
    // The source's 40, 10 and -20 onto no record (zeros).
    for (int16_t staff : { 2, 3 }) EXPECT_EQ((Values{ 40, 0, -20 }), ValuesOf(staff)) << staff;
    EXPECT_EQ(1u, host().redraws.size());
    EXPECT_TRUE(IsWindow(Dialog()));  // the window stays open
    EXPECT_EQ(1, gPerfcopyWindow->LastSourceStaff);
    ASSERT_TRUE(host().Undo());
    EXPECT_EQ(-999, VelocityOf(2));

    // 50 stays 50: half way.
    for (int item : { 104, 107, 110 }) simhost::TypeText(Item(item), u"50");
    win32stub::QueueMessageBoxAnswer(IDYES);
    win32stub::QueueMessageBoxAnswer(IDYES);
    Apply();
    EXPECT_EQ((Values{ 20, 5, -10 }), ValuesOf(2));
}

TEST_F(ToolWindowTest, EditsAreNamedAfterTheDestination)
{
    MakeScore(0x12050000);
    score().SetStaffRecord(2, "Violin");
    Invoke();
    simhost::ClickListLine(Item(102), 0);
    Select(2, 2);
    Apply();
    Select(3, 3);
    Apply();
    EXPECT_EQ((std::vector<std::string>{ "Perfcopy to Violin", "Perfcopy to staff #3" }), host().EndedEdits());
}

TEST_F(ToolWindowTest, NothingCheckedDoesNothingAndNothingChangedBeeps)
{
    MakeScore(0x12050000);
    Invoke();
    simhost::ClickListLine(Item(102), 0);
    Select(2, 2);
    for (int check : { 103, 106, 109 }) simhost::ClickButton(Item(check));
    Apply();
    EXPECT_TRUE(host().CallsTo("FX_StartFinaleEdit_UTF16").empty());
    EXPECT_TRUE(win32stub::Beeps().empty());

    simhost::ClickButton(Item(103));
    score().selection.startMeasure = score().selection.endMeasure = 2;  // no notes there
    win32stub::FailMessageBeeps(1);
    Apply();
    EXPECT_EQ(1, host().CancelledEdits());
    // The exclamation failed; the simple beep stands in.
    EXPECT_EQ((std::vector<UINT>{ 0xFFFFFFFF }), win32stub::Beeps());
}

TEST_F(ToolWindowTest, SettingsLoadClampedAndSaveBackInPlace)
{
    WriteSettings("OTHER=keep me\r\n"
                  "qvperfcopy_velocity=150\r\n"
                  "QVPERFCOPY_USEVELOCITY=1\r\n"
                  "QVPERFCOPY_USESTARTTIME=true\r\n"
                  "QVPERFCOPY_ENDTIME=abc\r\n"
                  "QVPERFCOPY_USEENDTIME=01\r\n"
                  "QVPERFCOPY_WINDOWX2=120\r\n"
                  "QVPERFCOPY_WINDOWY2=80\r\n"
                  "QVPERFCOPY_WINDOWWIDTH2=400\r\n"
                  "QVPERFCOPY_WINDOWHEIGHT2=350\r\n");
    MakeScore(0x12050000);
    const HWND dialog = Invoke();
    EXPECT_EQ("100", EditText(104));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 103));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 106));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 109));  // only exactly "1" is on
    EXPECT_EQ("0", EditText(110));
    const RECT outer = WindowRect(dialog);
    EXPECT_EQ(120, outer.left);
    EXPECT_EQ(80, outer.top);
    EXPECT_EQ(400, outer.right - outer.left);
    EXPECT_EQ(350, outer.bottom - outer.top);
    simhost::TypeText(Item(104), u"70");
    simhost::ClickButton(Item(2));
    FinaleExtensionTerminate(0);
    EXPECT_EQ("OTHER=keep me\n"
              "qvperfcopy_velocity=70\n"
              "QVPERFCOPY_USEVELOCITY=1\n"
              "QVPERFCOPY_USESTARTTIME=0\n"
              "QVPERFCOPY_ENDTIME=0\n"
              "QVPERFCOPY_USEENDTIME=0\n"
              "QVPERFCOPY_WINDOWX2=120\n"
              "QVPERFCOPY_WINDOWY2=80\n"
              "QVPERFCOPY_WINDOWWIDTH2=400\n"
              "QVPERFCOPY_WINDOWHEIGHT2=350\n"
              "QVPERFCOPY_STARTTIME=100\n",
              ReadSettings());
}

// Percentages below 0 and above 100 are clamped, those at the ends kept;
// a number below 32 bits' least is taken as that least, not wrapped (here
// it would wrap to 100, on the screen). Read without a window, only the
// choices are taken; saved without one, the file is left alone.
TEST_F(ToolWindowTest, SettingsLoadClampedAtBothEnds)
{
    const std::string file = "QVPERFCOPY_VELOCITY=-5\nQVPERFCOPY_STARTTIME=101\nQVPERFCOPY_ENDTIME=0\n"
                             "QVPERFCOPY_USEVELOCITY=0\nQVPERFCOPY_WINDOWX2=-4294967196\nQVPERFCOPY_WINDOWY2=80\n"
                             "QVPERFCOPY_WINDOWWIDTH2=400\nQVPERFCOPY_WINDOWHEIGHT2=350\n";
    WriteSettings(file);
    MakeScore(0x12050000);
    LoadWindowSettings(nullptr);
    EXPECT_EQ(0, gPerfcopySettings.UseVelocity);
    EXPECT_EQ(0, gPerfcopySettings.VelocityPercent);
    EXPECT_EQ(100, gPerfcopySettings.StartTimePercent);
    EXPECT_EQ(0, gPerfcopySettings.EndTimePercent);
    SaveWindowSettings(nullptr);
    EXPECT_EQ(file, ReadSettings());

    MakeScore(0x12050000);
    const HWND dialog = Invoke();
    EXPECT_EQ("0", EditText(104));
    EXPECT_EQ("100", EditText(107));
    const RECT outer = WindowRect(dialog);
    EXPECT_EQ(HostPlacement().left, outer.left);
    EXPECT_EQ(400, outer.right - outer.left);
    EXPECT_FALSE(gPerfcopyWindow->IsPositionStored());
    EXPECT_EQ(INT32_MIN, gPerfcopyWindow->GetStoredLeft());
}

TEST_F(ToolWindowTest, AMissingGeometryKeyOrAPlaceNoMonitorShowsLetsTheHostPlaceTheWindow)
{
    // Each of the four keys missing on its own, then a place no monitor shows.
    const char* keys[] = { "QVPERFCOPY_WINDOWX2=300\n", "QVPERFCOPY_WINDOWY2=300\n", "QVPERFCOPY_WINDOWWIDTH2=400\n",
                           "QVPERFCOPY_WINDOWHEIGHT2=350\n" };
    std::vector<std::string> files;
    for (int missing = 0; missing < 4; ++missing) {
        std::string file;
        for (int key = 0; key < 4; ++key) {
            if (key != missing) file += keys[key];
        }
        files.push_back(file);
    }
    files.push_back("QVPERFCOPY_WINDOWX2=3000\nQVPERFCOPY_WINDOWY2=300\nQVPERFCOPY_WINDOWWIDTH2=400\n"
                    "QVPERFCOPY_WINDOWHEIGHT2=350\n");
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        FinaleExtensionTerminate(0);
        WriteSettings(file);
        MakeScore(0x12050000);
        const HWND dialog = Invoke();
        // Where the host puts a new dialog: its client area at the main window's.
        POINT client = { 0, 0 };
        POINT mainClient = { 0, 0 };
        ClientToScreen(dialog, &client);
        ClientToScreen(MainWindow(), &mainClient);
        EXPECT_EQ(mainClient.x, client.x);
        EXPECT_EQ(mainClient.y, client.y);
        // Off the monitors, the stored size still holds; with a key missing,
        // the template's size.
        const RECT outer = WindowRect(dialog);
        const bool offScreen = &file == &files.back();
        EXPECT_EQ(offScreen ? 400 : kTemplateWidth, outer.right - outer.left);
        EXPECT_EQ(offScreen ? 350 : kTemplateHeight, outer.bottom - outer.top);
        FinaleExtensionTerminate(0);
    }
}

// What a save writes for a geometry never stored, -1, is taken as it is: a
// size of -1 becomes the minimum, the template's size.
TEST_F(ToolWindowTest, MinusOneGeometryIsTakenAsItIs)
{
    const std::pair<const char*, POINT> files[] = {
        { "QVPERFCOPY_WINDOWX2=-1\nQVPERFCOPY_WINDOWY2=-1\nQVPERFCOPY_WINDOWWIDTH2=-1\nQVPERFCOPY_WINDOWHEIGHT2=-1\n",
          { -1, -1 } },
        { "QVPERFCOPY_WINDOWX2=100\nQVPERFCOPY_WINDOWY2=90\nQVPERFCOPY_WINDOWWIDTH2=-1\nQVPERFCOPY_WINDOWHEIGHT2=-1\n",
          { 100, 90 } },
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.first);
        FinaleExtensionTerminate(0);
        WriteSettings(file.first);
        MakeScore(0x12050000);
        const HWND dialog = Invoke();
        const RECT outer = WindowRect(dialog);
        EXPECT_EQ(file.second.x, outer.left);
        EXPECT_EQ(file.second.y, outer.top);
        EXPECT_EQ(kTemplateWidth, outer.right - outer.left);
        EXPECT_EQ(kTemplateHeight, outer.bottom - outer.top);
        EXPECT_TRUE(IsWindowVisible(dialog));
        FinaleExtensionTerminate(0);
    }
}

// Off the monitors, the position is forgotten and the size kept; a host that
// quits while that window is open saves -1 for the position and the size for
// the size, and the next run opens the window at (-1, -1) with that size.
TEST_F(ToolWindowTest, APositionForgottenOffScreenIsSavedAsMinusOneAndTakenNextRun)
{
    WriteSettings("QVPERFCOPY_WINDOWX2=3000\nQVPERFCOPY_WINDOWY2=300\nQVPERFCOPY_WINDOWWIDTH2=400\n"
                  "QVPERFCOPY_WINDOWHEIGHT2=350\n");
    MakeScore(0x12050000);
    Invoke();
    FinaleExtensionTerminate(0);
    EXPECT_EQ("QVPERFCOPY_WINDOWX2=-1\nQVPERFCOPY_WINDOWY2=-1\nQVPERFCOPY_WINDOWWIDTH2=400\n"
              "QVPERFCOPY_WINDOWHEIGHT2=350\nQVPERFCOPY_USEVELOCITY=1\nQVPERFCOPY_VELOCITY=100\n"
              "QVPERFCOPY_USESTARTTIME=1\nQVPERFCOPY_STARTTIME=100\nQVPERFCOPY_USEENDTIME=1\n"
              "QVPERFCOPY_ENDTIME=100\n",
              ReadSettings());

    MakeScore(0x12050000);
    const HWND dialog = Invoke();
    const RECT outer = WindowRect(dialog);
    EXPECT_EQ(-1, outer.left);
    EXPECT_EQ(-1, outer.top);
    EXPECT_EQ(400, outer.right - outer.left);
    EXPECT_EQ(350, outer.bottom - outer.top);
    // Closed, it keeps where it is.
    simhost::ClickButton(Item(2));
    FinaleExtensionTerminate(0);
    EXPECT_EQ(0u, ReadSettings().find("QVPERFCOPY_WINDOWX2=-1\nQVPERFCOPY_WINDOWY2=-1\nQVPERFCOPY_WINDOWWIDTH2=400\n"));
}

// Values no screen has, at the ends of 32 bits, neither overflow nor place
// the window off the monitors.
TEST_F(ToolWindowTest, GeometryAtTheEndsOfThirtyTwoBitsLetsTheHostPlaceTheWindow)
{
    WriteSettings("QVPERFCOPY_WINDOWX2=2147483647\nQVPERFCOPY_WINDOWY2=-2147483648\n"
                  "QVPERFCOPY_WINDOWWIDTH2=2147483647\nQVPERFCOPY_WINDOWHEIGHT2=99999999999\n");
    MakeScore(0x12050000);
    const HWND dialog = Invoke();
    POINT client = { 0, 0 };
    POINT mainClient = { 0, 0 };
    ClientToScreen(dialog, &client);
    ClientToScreen(MainWindow(), &mainClient);
    EXPECT_EQ(mainClient.x, client.x);
    EXPECT_EQ(mainClient.y, client.y);
}

// A stored place is on the screen when any of it is, its far edge past 32
// bits included: the window goes there. One wholly left of or above the
// screen is not: the host places the window, with the stored size.
TEST_F(ToolWindowTest, AStoredPlaceIsOnTheScreenWhenAnyOfItIs)
{
    const struct {
        const char* settings;
        bool onScreen;
        POINT stored;
    } runs[] = {
        { "QVPERFCOPY_WINDOWX2=100\nQVPERFCOPY_WINDOWY2=80\nQVPERFCOPY_WINDOWWIDTH2=2147483647\n"
          "QVPERFCOPY_WINDOWHEIGHT2=350\n",
          true, { 100, 80 } },
        { "QVPERFCOPY_WINDOWX2=-399\nQVPERFCOPY_WINDOWY2=80\nQVPERFCOPY_WINDOWWIDTH2=400\n"
          "QVPERFCOPY_WINDOWHEIGHT2=350\n",
          true, { -399, 80 } },
        { "QVPERFCOPY_WINDOWX2=-400\nQVPERFCOPY_WINDOWY2=80\nQVPERFCOPY_WINDOWWIDTH2=400\n"
          "QVPERFCOPY_WINDOWHEIGHT2=350\n",
          false, {} },
        { "QVPERFCOPY_WINDOWX2=100\nQVPERFCOPY_WINDOWY2=-350\nQVPERFCOPY_WINDOWWIDTH2=400\n"
          "QVPERFCOPY_WINDOWHEIGHT2=350\n",
          false, {} },
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.settings);
        FinaleExtensionTerminate(0);
        WriteSettings(run.settings);
        MakeScore(0x12050000);
        const HWND dialog = Invoke();
        const RECT outer = WindowRect(dialog);
        const RECT host = HostPlacement();
        EXPECT_EQ(run.onScreen ? run.stored.x : host.left, outer.left);
        EXPECT_EQ(run.onScreen ? run.stored.y : host.top, outer.top);
        EXPECT_EQ(run.onScreen, gPerfcopyWindow->IsPositionStored());
        EXPECT_EQ(350, outer.bottom - outer.top);
        FinaleExtensionTerminate(0);
    }
}

TEST_F(ToolWindowTest, TerminateWithoutInvocationLeavesTheFileAndOpenWindowSavesTheLastClose)
{
    WriteSettings("OTHER=1\n");
    MakeScore(0x12050000);
    FinaleExtensionTerminate(0);
    EXPECT_EQ("OTHER=1\n", ReadSettings());

    Invoke();
    simhost::TypeText(Item(104), u"30");
    FinaleExtensionTerminate(0);  // still open: the values before this opening are saved
    EXPECT_NE(std::string::npos, ReadSettings().find("QVPERFCOPY_VELOCITY=100\n"));
    EXPECT_NE(std::string::npos, ReadSettings().find("QVPERFCOPY_WINDOWX2=-1\n"));
}

TEST_F(ToolWindowTest, NoSettingsFileIsCreated)
{
    MakeScore(0x12050000);
    Invoke();
    simhost::ClickButton(Item(2));
    FinaleExtensionTerminate(0);
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
}
