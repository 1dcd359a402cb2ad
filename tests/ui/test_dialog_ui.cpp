// The dialog framework on the stand-in's window model: the template, the
// dialog procedure's message table and command dispatch, geometry and batch
// layout, the controls, and the message boxes.
#include "DialogTemplate.h"
#include "ModuleRegistry.h"
#include "UserInput.h"
#include "common/WindowFixture.h"
#include "ui/FCControl.h"
#include "ui/FCUI.h"
#include "ui/FCUserWindow.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A window that records which hooks ran, in order, and answers as told.
class RecordingWindow : public FCResourceWindow {
public:
    RecordingWindow() : FCResourceWindow(20128) {}

    void CloseWindow() override
    {
        hooks.push_back("CloseWindow");
        FCResourceWindow::CloseWindow();
    }
    void OnInit() override
    {
        hooks.push_back("OnInit");
        FCResourceWindow::OnInit();
        if (applyAtInit) ApplyStoredGeometry();
    }
    void OnCancel() override
    {
        hooks.push_back("OnCancel");
        FCResourceWindow::OnCancel();
    }
    void OnOK() override { hooks.push_back("OnOK"); }
    void OnCommandKind3() override { hooks.push_back("OnCommandKind3"); }
    bool OnControlCommand(FCControl* control) override
    {
        hooks.push_back("OnControlCommand " + (control ? std::to_string(control->GetItemNumber()) : "null"));
        return controlAnswer;
    }
    void OnTimer(uint32_t timer) override { hooks.push_back("OnTimer " + std::to_string(timer)); }
    void OnActivate(bool active) override
    {
        hooks.push_back(active ? "OnActivate 1" : "OnActivate 0");
        if (active && closeOnActivate) CloseWindow();
    }
    void OnResize(int32_t w, int32_t h, int32_t oldW, int32_t oldH) override
    {
        hooks.push_back("OnResize " + std::to_string(w) + "x" + std::to_string(h) + " from " + std::to_string(oldW) +
                        "x" + std::to_string(oldH));
        FCResourceWindow::OnResize(w, h, oldW, oldH);
    }
    bool OnNotify(int32_t item, NMHDR*) override
    {
        hooks.push_back("OnNotify " + std::to_string(item));
        return notifyAnswer;
    }

    std::vector<std::string> hooks;
    bool controlAnswer = false;
    bool notifyAnswer = false;
    // Apply the stored geometry at the end of OnInit, as the tool window does.
    bool applyAtInit = false;
    bool closeOnActivate = false;
};

// A window that keeps the base's hooks and counts its closings.
class CountingWindow : public FCResourceWindow {
public:
    CountingWindow() : FCResourceWindow(20128) {}
    void CloseWindow() override
    {
        ++closings;
        FCResourceWindow::CloseWindow();
    }
    int closings = 0;
};

class DialogTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ui_ = new FCUI(MainWindow());
        gUI = ui_;
        window_ = new RecordingWindow();
        apply_ = window_->AddButton(1);
        apply_->SetCommandKind(1);  // confirm, by its number
        window_->AddButton(2)->SetCommandKind(2);  // cancel
        list_ = window_->AddListBox(102);
        window_->Add(nullptr);  // an empty slot, which every walk over the controls skips
        check_ = window_->AddCheckbox(103);
        edit_ = window_->AddEdit(104);
        window_->AddStatic(105);
        window_->AddStatic(111)->SetCommandKind(3);  // the third kind
        window_->AddStatic(110)->SetCommandKind(9);
        window_->AddStatic(-1);
    }
    void TearDown() override
    {
        delete window_;
        gUI = nullptr;
        delete ui_;
        WindowTest::TearDown();
    }

    HWND Open()
    {
        window_->ShowModeless();
        return window_->GetWindowHandle();
    }
    int32_t Send(uint32_t message, WPARAM wParam, LPARAM lParam)
    {
        return FCUserWindowDialogProc(window_->GetWindowHandle(), message, wParam, lParam, window_);
    }

    FCUI* ui_ = nullptr;
    RecordingWindow* window_ = nullptr;
    FCCtrlButton* apply_ = nullptr;
    FCCtrlListBox* list_ = nullptr;
    FCCtrlCheckbox* check_ = nullptr;
    FCCtrlEdit* edit_ = nullptr;
};

std::u16string Units(const char16_t* text)
{
    return text;
}

std::u16string ListLine(HWND dialog, int line)
{
    WCHAR buffer[64] = {};
    SendDlgItemMessageW(dialog, 102, LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer));
    std::u16string units;
    for (int i = 0; buffer[i] != 0; ++i) units += static_cast<char16_t>(buffer[i]);
    return units;
}

}  // namespace

TEST_F(WindowTest, TemplateHasEveryItemOfTheToolWindow)
{
    const std::vector<uint8_t>* bytes = win32stub::FindResourceBytes(host().pluginModule, 5, 20128);
    ASSERT_NE(nullptr, bytes);
    win32stub::DialogTemplate dialog;
    ASSERT_TRUE(win32stub::ParseDialogTemplate(bytes->data(), bytes->size(), dialog));
    EXPECT_EQ(u"QV Perfcopy", dialog.title);
    EXPECT_EQ(u"MS Sans Serif", dialog.fontName);
    EXPECT_EQ(8, dialog.fontSize);
    EXPECT_EQ(245, dialog.cx);
    EXPECT_EQ(161, dialog.cy);
    const uint32_t style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(style, dialog.style);

    using win32stub::ItemClass;
    struct Expected {
        int16_t id;
        ItemClass itemClass;
        uint32_t style;
        const char16_t* text;
        int16_t x, y, cx, cy;
    };
    const uint32_t child = WS_CHILD | WS_VISIBLE;
    const uint32_t check = BS_AUTOCHECKBOX | WS_TABSTOP | child;
    const Expected expected[] = {
        { 101, ItemClass::Static, child, u"Staff with source live data:", 7, 7, 108, 8 },
        { 102, ItemClass::ListBox,
          LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP | child, u"", 7, 17, 108, 126 },
        { 103, ItemClass::Button, check, u"Velocity", 121, 18, 50, 8 },
        { 104, ItemClass::Edit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | child, u"", 173, 15, 35, 14 },
        { 105, ItemClass::Static, child, u"%", 213, 18, 6, 8 },
        { 106, ItemClass::Button, check, u"Start Time", 121, 39, 48, 8 },
        { 107, ItemClass::Edit, WS_TABSTOP | child, u"", 174, 36, 35, 14 },
        { 108, ItemClass::Static, child, u"%", 214, 40, 6, 8 },
        { 109, ItemClass::Button, check, u"End Time", 121, 59, 46, 8 },
        { 110, ItemClass::Edit, WS_TABSTOP | child, u"", 173, 57, 36, 14 },
        { 111, ItemClass::Static, child, u"%", 214, 61, 6, 8 },
        { -1, ItemClass::Static, child, u"Small % = Less change", 120, 88, 110, 8 },
        { -1, ItemClass::Static, child, u"Large % = Closer to source value", 120, 100, 110, 8 },
        { 1, ItemClass::Button, BS_DEFPUSHBUTTON | WS_TABSTOP | child, u"&Apply", 123, 129, 50, 14 },
        { 2, ItemClass::Button, BS_PUSHBUTTON | WS_TABSTOP | child, u"&Close", 185, 129, 50, 14 },
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], dialog.items.size());
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const win32stub::DialogItemTemplate& item = dialog.items[i];
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(expected[i].id, static_cast<int16_t>(item.id & 0xFFFF));
        EXPECT_EQ(expected[i].itemClass, item.itemClass);
        EXPECT_EQ(expected[i].style, item.style);
        EXPECT_EQ(Units(expected[i].text), item.text);
        EXPECT_EQ(expected[i].x, item.x);
        EXPECT_EQ(expected[i].y, item.y);
        EXPECT_EQ(expected[i].cx, item.cx);
        EXPECT_EQ(expected[i].cy, item.cy);
    }
}

TEST_F(DialogTest, OpensFromTheTemplateOnceThenRestoresAndActivates)
{
    // Away from the screen's corner, so that positions and sizes differ.
    SetWindowPos(MainWindow(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    ASSERT_LT(0, WindowRect(dialog).left);
    ASSERT_LT(0, WindowRect(dialog).top);
    const auto opened = host().CallsTo("FX_Dialog");
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(20128, opened[0].args[0]);
    EXPECT_EQ(reinterpret_cast<intptr_t>(MainWindow()), opened[0].args[2]);
    EXPECT_EQ(reinterpret_cast<intptr_t>(static_cast<__FCBase*>(window_)), opened[0].args[4]);
    // Outer and client sizes from 245 x 161 dialog units, with a caption and a sizing frame.
    const RECT outer = WindowRect(dialog);
    EXPECT_EQ(368 + 2 * win32stub::kSizeFrame, outer.right - outer.left);
    EXPECT_EQ(262 + 2 * win32stub::kSizeFrame + win32stub::kCaptionHeight, outer.bottom - outer.top);
    const RECT list = ItemRect(dialog, 102);
    EXPECT_EQ(11, list.left);
    EXPECT_EQ(28, list.top);
    EXPECT_EQ(162, list.right - list.left);
    EXPECT_EQ(205, list.bottom - list.top);

    EXPECT_EQ((std::vector<std::string>{ "CreateDialogParamW", "WM_SETFONT", "WM_INITDIALOG", "ShowWindow",
                                          "WM_SHOWWINDOW", "WM_WINDOWPOSCHANGING", "EnableWindow",
                                          "WM_WINDOWPOSCHANGED", "WM_ACTIVATE", "EnableWindow" }),
              win32stub::EventNames(dialog));
    EXPECT_EQ((std::vector<std::string>{ "OnInit", "OnActivate 1" }), window_->hooks);
    // The base takes the size at creation as both limits.
    EXPECT_EQ(outer.right - outer.left, window_->GetMinimumWidth());
    EXPECT_EQ(outer.right - outer.left, window_->GetMaximumWidth());
    EXPECT_EQ(outer.bottom - outer.top, window_->GetMinimumHeight());
    EXPECT_EQ(outer.bottom - outer.top, window_->GetMaximumHeight());
    MINMAXINFO limits = {};
    EXPECT_EQ(0, Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits)));
    EXPECT_EQ(outer.right - outer.left, limits.ptMaxTrackSize.x);
    EXPECT_EQ(outer.bottom - outer.top, limits.ptMinTrackSize.y);

    win32stub::ClearEvents();
    window_->ShowModeless();
    EXPECT_EQ(1u, host().CallsTo("FX_Dialog").size());
    EXPECT_EQ((std::vector<std::string>{ "ShowWindow", "SetActiveWindow" }),
              win32stub::EventNames(dialog, { "EnableWindow", "WM_ACTIVATE" }));
}

TEST_F(DialogTest, MessagesReachTheirHooksAndCommandsGoByKind)
{
    const HWND dialog = Open();
    window_->hooks.clear();
    EXPECT_EQ(0, FCUserWindowDialogProc(dialog, WM_COMMAND, 1, 0, nullptr));
    EXPECT_TRUE(window_->hooks.empty());

    EXPECT_EQ(1, Send(WM_COMMAND, MAKEWPARAM(1, 0x1234), 0));    // kind 1, any notification
    EXPECT_EQ(0, Send(WM_COMMAND, MAKEWPARAM(104, EN_CHANGE), 0));  // kind 0: the hook's answer
    window_->controlAnswer = true;
    EXPECT_EQ(1, Send(WM_COMMAND, MAKEWPARAM(104, EN_CHANGE), 0));
    window_->controlAnswer = false;
    EXPECT_EQ(0, Send(WM_COMMAND, MAKEWPARAM(999, 0), 0));     // no such control
    EXPECT_EQ(0, Send(WM_COMMAND, MAKEWPARAM(0xFFFF, 0), 0));  // item -1 is never found
    EXPECT_EQ(1, Send(WM_COMMAND, MAKEWPARAM(111, 0), 0));     // kind 3
    EXPECT_EQ(1, Send(WM_COMMAND, MAKEWPARAM(110, 0), 0));     // another kind: no hook
    EXPECT_EQ(0, Send(WM_TIMER, 7, 0));
    EXPECT_EQ(0, Send(WM_NOTIFY, 104, 0));
    window_->notifyAnswer = true;
    EXPECT_EQ(1, Send(WM_NOTIFY, 104, 0));
    EXPECT_EQ(0, Send(WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(10, 10)));
    EXPECT_EQ(0, Send(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(10, 10)));
    EXPECT_EQ(0, Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(368, 302)));
    EXPECT_EQ(0, Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(368, 312)));
    EXPECT_EQ(0, Send(0x0400, 1, 2));
    EXPECT_EQ(0, Send(WM_GETMINMAXINFO, 0, 0));  // no limits to fill in
    EXPECT_EQ((std::vector<std::string>{ "OnOK", "OnControlCommand 104", "OnControlCommand 104",
                                          "OnControlCommand null", "OnControlCommand null", "OnCommandKind3",
                                          "OnTimer 7", "OnNotify 104", "OnNotify 104",
                                          "OnResize 368x302 from 368x262", "OnResize 368x312 from 368x302" }),
              window_->hooks);

    // Closing: "&Close" (kind 2), then a second cancel on the closed window.
    window_->hooks.clear();
    EXPECT_EQ(1, Send(WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0));
    EXPECT_EQ(nullptr, window_->GetWindowHandle());
    EXPECT_FALSE(IsWindow(dialog));
    window_->OnCancel();
    EXPECT_EQ((std::vector<std::string>{ "OnCancel", "CloseWindow", "OnActivate 0", "OnCancel" }), window_->hooks);
    EXPECT_EQ(1u, host().CallsTo("FX_EndDialog").size());
}

TEST_F(DialogTest, ClosingAHiddenWindowForgetsItWithoutEndingIt)
{
    const HWND dialog = Open();
    ShowWindow(dialog, SW_HIDE);
    window_->hooks.clear();
    simhost::ClickCloseBox(dialog);
    EXPECT_EQ((std::vector<std::string>{ "OnCancel", "CloseWindow" }), window_->hooks);
    EXPECT_EQ(nullptr, window_->GetWindowHandle());
    EXPECT_TRUE(host().CallsTo("FX_EndDialog").empty());
    DestroyWindow(dialog);
}

// Deleted while hidden, the window is forgotten, not ended, as when closed.
TEST_F(DialogTest, DeletingAHiddenWindowDoesNotEndIt)
{
    const HWND dialog = Open();
    ShowWindow(dialog, SW_HIDE);
    delete window_;
    window_ = nullptr;
    EXPECT_TRUE(host().CallsTo("FX_EndDialog").empty());
    EXPECT_TRUE(IsWindow(dialog));  // the fixture's reset takes it away without a message
}

// A window that closes as it is shown again is not activated after it.
TEST_F(DialogTest, AWindowClosedWhileBeingShownIsNotActivated)
{
    const HWND dialog = Open();
    ShowWindow(dialog, SW_HIDE);
    window_->closeOnActivate = true;
    win32stub::ClearEvents();
    window_->ShowModeless();
    EXPECT_EQ(nullptr, window_->GetWindowHandle());
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(1u, host().CallsTo("FX_EndDialog").size());
    EXPECT_EQ(1u, EventsNamed("ShowWindow").size());
    EXPECT_TRUE(EventsNamed("SetActiveWindow").empty());
}

TEST_F(DialogTest, FollowsTheHostsEnabledState)
{
    const HWND dialog = Open();
    host().BeginModalDialog();
    SendMessageW(dialog, WM_WINDOWPOSCHANGING, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(dialog));
    host().EndModalDialog();
    SendMessageW(dialog, 0x036D, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(dialog));

    // A host that names no current window leaves the window usable.
    host().ForceResult("FX_GetCurrentWindow", 0);
    SendMessageW(dialog, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(IsWindowEnabled(dialog));
}

TEST_F(DialogTest, StoredGeometryIsAppliedNotBelowTheMinimum)
{
    // Nothing stored yet: no place, no size, and no limits before the dialog.
    EXPECT_EQ(0, window_->GetMinimumWidth());
    EXPECT_EQ(0, window_->GetMinimumHeight());
    EXPECT_EQ(0, window_->GetMaximumWidth());
    EXPECT_EQ(0, window_->GetMaximumHeight());
    EXPECT_EQ(0, window_->GetStoredLeft());
    EXPECT_EQ(0, window_->GetStoredTop());
    EXPECT_EQ(0, window_->GetStoredWidth());
    EXPECT_EQ(0, window_->GetStoredHeight());
    EXPECT_FALSE(window_->ApplyStoredGeometry());
    window_->SetStoredGeometry(100, 50, 10, 400);
    const HWND dialog = Open();
    win32stub::ClearEvents();
    EXPECT_TRUE(window_->ApplyStoredGeometry());
    const RECT outer = WindowRect(dialog);
    EXPECT_EQ(100, outer.left);
    EXPECT_EQ(50, outer.top);
    EXPECT_EQ(376, outer.right - outer.left);  // raised to the minimum
    EXPECT_EQ(400, outer.bottom - outer.top);
    const auto placed = EventsNamed("SetWindowPos");
    ASSERT_EQ(1u, placed.size());
    EXPECT_EQ(0x214, placed[0].args[5]);

    SetWindowPos(dialog, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window_->RememberGeometry();
    EXPECT_EQ(300, window_->GetStoredLeft());
    EXPECT_EQ(200, window_->GetStoredTop());
    EXPECT_EQ(400, window_->GetStoredHeight());

    // A height below the minimum is raised as well.
    window_->SetStoredGeometry(120, 60, 400, 10);
    EXPECT_TRUE(window_->ApplyStoredGeometry());
    EXPECT_EQ(400, WindowRect(dialog).right - WindowRect(dialog).left);
    EXPECT_EQ(window_->GetMinimumHeight(), WindowRect(dialog).bottom - WindowRect(dialog).top);
}

// Applied at initialisation, the stored geometry is applied again when the
// new dialog is first shown, and never at a later show; a window that does
// not apply it at initialisation stays where the host put it.
TEST_F(DialogTest, StoredGeometryIsAppliedAgainAtTheFirstShowOnly)
{
    window_->SetStoredGeometry(100, 50, 400, 300);
    const HWND placed = Open();
    POINT origin = { 0, 0 };
    ClientToScreen(MainWindow(), &origin);
    const RECT hostPlaced = WindowRect(placed);
    EXPECT_EQ(origin.x - win32stub::kSizeFrame, hostPlaced.left);
    EXPECT_EQ(origin.y - win32stub::kSizeFrame - win32stub::kCaptionHeight, hostPlaced.top);
    EXPECT_EQ(368 + 2 * win32stub::kSizeFrame, hostPlaced.right - hostPlaced.left);
    EXPECT_TRUE(EventsNamed("SetWindowPos").empty());
    window_->CloseWindow();

    window_->applyAtInit = true;
    win32stub::ClearEvents();
    const HWND dialog = Open();
    const std::vector<std::string> events = win32stub::EventNames(dialog);
    const auto show = std::find(events.begin(), events.end(), "WM_SHOWWINDOW");
    ASSERT_NE(events.end(), show);
    EXPECT_EQ(1, std::count(events.begin(), show, "SetWindowPos"));
    EXPECT_EQ(1, std::count(show, events.end(), "SetWindowPos"));
    const RECT outer = WindowRect(dialog);
    EXPECT_EQ(100, outer.left);
    EXPECT_EQ(50, outer.top);
    EXPECT_EQ(400, outer.right - outer.left);
    EXPECT_EQ(300, outer.bottom - outer.top);

    SetWindowPos(dialog, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(dialog, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_EQ(300, WindowRect(dialog).left);
    EXPECT_EQ(200, WindowRect(dialog).top);
    // Applied again later, by hand: a later show still leaves it where it is.
    EXPECT_TRUE(window_->ApplyStoredGeometry());
    SetWindowPos(dialog, nullptr, 310, 210, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(dialog, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_EQ(310, WindowRect(dialog).left);
    EXPECT_EQ(210, WindowRect(dialog).top);
}

// The base hooks: "&Apply" (kind 1) and kind 3 close a window that does not
// override them, and a control's command is not taken.
TEST_F(WindowTest, TheBaseHooksCloseAndTakeNoCommand)
{
    FCUI ui(MainWindow());
    gUI = &ui;
    for (int kind : { 1, 3 }) {
        SCOPED_TRACE(kind);
        FCResourceWindow window(20128);
        window.AddButton(1)->SetCommandKind(static_cast<uint32_t>(kind));
        window.AddEdit(104);
        window.ShowModeless();
        const HWND dialog = window.GetWindowHandle();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(0, FCUserWindowDialogProc(dialog, WM_COMMAND, MAKEWPARAM(104, EN_CHANGE), 0, &window));
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(1, FCUserWindowDialogProc(dialog, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0, &window));
        EXPECT_TRUE(window.IsClosed());
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(nullptr, window.GetWindowHandle());
    }
    EXPECT_EQ(2u, host().CallsTo("FX_EndDialog").size());
    gUI = nullptr;
}

// A window that overrides no hook: a second "&Apply", kind 3 or cancel on a
// closed window closes nothing again, timers and notifications are not
// taken, and closing a window that was never opened only marks it closed.
TEST_F(WindowTest, TheBaseHooksCloseOnceAndTakeNoTimerOrNotification)
{
    FCUI ui(MainWindow());
    gUI = &ui;
    CountingWindow never;
    never.CloseWindow();
    EXPECT_TRUE(never.IsClosed());
    EXPECT_EQ(1, never.closings);

    CountingWindow window;
    window.AddButton(1)->SetCommandKind(1);
    window.ShowModeless();
    const HWND dialog = window.GetWindowHandle();
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(window.IsClosed());
    EXPECT_EQ(0, FCUserWindowDialogProc(dialog, WM_TIMER, 7, 0, &window));
    EXPECT_EQ(0, FCUserWindowDialogProc(dialog, WM_NOTIFY, 104, 0, &window));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(0, window.closings);
    window.OnOK();
    EXPECT_EQ(1, window.closings);
    EXPECT_FALSE(IsWindow(dialog));
    window.OnOK();
    window.OnCommandKind3();
    window.OnCancel();
    EXPECT_EQ(1, window.closings);
    EXPECT_EQ(1u, host().CallsTo("FX_EndDialog").size());
    gUI = nullptr;
}

TEST_F(DialogTest, BatchLayoutMovesControlsTogetherAndKeepsThemOnFailure)
{
    const HWND dialog = Open();
    const RECT applyBefore = ItemRect(dialog, 1);
    const RECT listBefore = ItemRect(dialog, 102);
    // Nothing pending: nothing applied, and the batch goes on.
    window_->BeginBatchLayout();
    EXPECT_FALSE(window_->EndBatchLayout());
    EXPECT_TRUE(window_->IsBatchLayout());

    win32stub::FailDeferWindowPos(2);
    window_->BeginBatchLayout();
    apply_->MoveBy(0, 40);
    list_->ResizeBy(0, 40);
    apply_->MoveBy(5, 40);  // the last move in a batch wins; moves do not add up
    EXPECT_EQ(applyBefore.top, ItemRect(dialog, 1).top);
    EXPECT_FALSE(window_->EndBatchLayout());
    EXPECT_TRUE(window_->IsBatchLayout());
    EXPECT_EQ(applyBefore.top, ItemRect(dialog, 1).top);
    EXPECT_EQ(listBefore.bottom, ItemRect(dialog, 102).bottom);

    win32stub::ClearEvents();
    EXPECT_TRUE(window_->EndBatchLayout());
    EXPECT_FALSE(window_->IsBatchLayout());
    const auto deferred = EventsNamed("DeferWindowPos");
    ASSERT_EQ(2u, deferred.size());
    EXPECT_EQ((std::vector<int64_t>{ 1, applyBefore.left + 5, applyBefore.top + 40, 0, 0, 0x215 }), deferred[0].args);
    EXPECT_EQ((std::vector<int64_t>{ 102, 0, 0, 162, 245, 0x216 }), deferred[1].args);
    EXPECT_EQ(applyBefore.top + 40, ItemRect(dialog, 1).top);
    EXPECT_EQ(listBefore.top, ItemRect(dialog, 102).top);
    EXPECT_EQ(listBefore.bottom + 40, ItemRect(dialog, 102).bottom);
    // A batch applied leaves nothing pending on any control.
    EXPECT_FALSE(apply_->IsMovePending());
    EXPECT_FALSE(list_->IsSizePending());
    EXPECT_FALSE(window_->EndBatchLayout());  // nothing pending

    // A batch that failed leaves its marks; the next batch clears them all.
    win32stub::FailDeferWindowPos(1);
    window_->BeginBatchLayout();
    apply_->MoveBy(0, 10);
    EXPECT_FALSE(window_->EndBatchLayout());
    window_->BeginBatchLayout();
    list_->ResizeBy(0, 10);
    EXPECT_TRUE(window_->EndBatchLayout());
    EXPECT_EQ(applyBefore.top + 40, ItemRect(dialog, 1).top);
    EXPECT_EQ(listBefore.bottom + 50, ItemRect(dialog, 102).bottom);

    // Outside a batch, a move by nothing still places the item where it is.
    win32stub::ClearEvents();
    apply_->MoveBy(0, 0);
    const auto placed = EventsNamed("SetWindowPos");
    ASSERT_EQ(1u, placed.size());
    EXPECT_EQ((std::vector<int64_t>{ 1, applyBefore.left + 5, applyBefore.top + 40, 0, 0, 0x215 }), placed[0].args);
    // And a resize takes effect at once, keeping the item's place.
    const RECT listNow = ItemRect(dialog, 102);
    list_->ResizeBy(-4, 6);
    const RECT resized = ItemRect(dialog, 102);
    EXPECT_EQ(listNow.left, resized.left);
    EXPECT_EQ(listNow.top, resized.top);
    EXPECT_EQ(listNow.right - 4, resized.right);
    EXPECT_EQ(listNow.bottom + 6, resized.bottom);
}

// A batch asked of a window that is not open does not start; one the
// system cannot start applies nothing and keeps its moves for the next
// try; one whose window closed before it ended asks nothing of the system.
TEST_F(DialogTest, BatchLayoutNeedsAnOpenWindowAndASystemBatch)
{
    window_->BeginBatchLayout();
    EXPECT_FALSE(window_->IsBatchLayout());
    const HWND dialog = Open();
    const RECT applyBefore = ItemRect(dialog, 1);
    apply_->MoveBy(0, 10);  // no batch: at once
    EXPECT_EQ(applyBefore.top + 10, ItemRect(dialog, 1).top);

    win32stub::FailBeginDeferWindowPos();
    window_->BeginBatchLayout();
    apply_->MoveBy(0, 20);
    win32stub::ClearEvents();
    EXPECT_FALSE(window_->EndBatchLayout());
    EXPECT_TRUE(window_->IsBatchLayout());
    EXPECT_EQ(1u, EventsNamed("BeginDeferWindowPos").size());
    EXPECT_TRUE(EventsNamed("DeferWindowPos").empty());
    EXPECT_EQ(applyBefore.top + 10, ItemRect(dialog, 1).top);
    EXPECT_TRUE(window_->EndBatchLayout());
    EXPECT_EQ(applyBefore.top + 30, ItemRect(dialog, 1).top);

    window_->BeginBatchLayout();
    apply_->MoveBy(0, 5);
    window_->CloseWindow();
    win32stub::ClearEvents();
    EXPECT_FALSE(window_->EndBatchLayout());
    EXPECT_TRUE(EventsNamed("BeginDeferWindowPos").empty());
    EXPECT_TRUE(EventsNamed("DeferWindowPos").empty());
}

TEST_F(DialogTest, ControlsReadAndChangeTheirItems)
{
    const HWND dialog = Open();
    EXPECT_STREQ("FCControl", apply_->ClassName());
    EXPECT_STREQ("FCControl", check_->ClassName());
    EXPECT_STREQ("FCCtrlListBox", list_->ClassName());
    EXPECT_STREQ("FCCtrlEdit", edit_->ClassName());
    EXPECT_STREQ("FCCtrlStatic", window_->FindControl(105)->ClassName());
    EXPECT_EQ(0, apply_->GetControlType());

    check_->SetCheck(1);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 103));
    EXPECT_EQ(1, check_->GetCheck());
    edit_->SetInteger(-250);
    EXPECT_EQ(-250, edit_->GetInteger());
    host().ClearLog();
    apply_->SetEnable(false);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1)));
    EXPECT_FALSE(apply_->GetEnable());
    apply_->SetEnable(true);
    EXPECT_TRUE(apply_->GetEnable());
    apply_->SetEnable(false);
    // The host takes the state as the byte 0 or 1.
    const auto enables = host().CallsTo("FX_EnableDlgItem");
    ASSERT_EQ(3u, enables.size());
    EXPECT_EQ(0, enables[0].args[2]);
    EXPECT_EQ(1, enables[1].args[2]);
    EXPECT_EQ(0, enables[2].args[2]);
    window_->FindControl(105)->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 105)));
    window_->FindControl(105)->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, 105)));
    apply_->Redraw();
    const auto redraws = EventsNamed("InvalidateRect");
    ASSERT_EQ(1u, redraws.size());
    EXPECT_EQ((std::vector<int64_t>{ 0, 0 }), redraws[0].args);

    EXPECT_EQ(-1, list_->GetSelectedLine());
    FCString line("Flute");
    list_->AddString(&line);
    list_->AddString(nullptr);  // no line
    EXPECT_EQ(1, list_->GetLineCount());
    list_->SetSelectedLine(0);
    EXPECT_EQ(0, list_->GetSelectedLine());
    list_->ClearLines();
    EXPECT_EQ(0, list_->GetLineCount());
    EXPECT_EQ(-1, list_->GetSelectedLine());
}

TEST_F(DialogTest, TextTravelsAsUTF16FromVersion0x11000000On)
{
    const HWND dialog = Open();
    FCString text;
    for (uint32_t version : { 0x11000000u, 0x10FFFFFFu }) {
        gHostVersion = version;
        host().ClearLog();
        edit_->SetText(nullptr);
        edit_->GetText(nullptr);  // nothing to read into: no call
        edit_->GetText(&text);
        EXPECT_EQ(0u, text.GetLength());
        const bool wide = version >= 0x11000000u;
        EXPECT_EQ(1u, host().CallsTo(wide ? "FX_SetDlgString_UTF16" : "FX_SetDlgString").size());
        const auto reads = host().CallsTo(wide ? "FX_GetDlgString_UTF16" : "FX_GetDlgString");
        ASSERT_EQ(1u, reads.size());
        EXPECT_EQ(5000, reads[0].args[3]);
    }

    // A text set is the text read back.
    for (uint32_t version : { 0x11000000u, 0x10FFFFFFu }) {
        gHostVersion = version;
        FCString name(version >= 0x11000000u ? "Violin 1" : "Viola 2");
        edit_->SetText(&name);
        edit_->GetText(&text);
        EXPECT_STREQ(name.GetCString(), text.GetCString());
    }

    // A host that fills the whole buffer is cut at the buffer's end.
    host().fillsTextBuffers = true;
    for (uint32_t version : { 0x12000000u, 0x10000000u }) {
        gHostVersion = version;
        edit_->GetText(&text);
        EXPECT_EQ(4999u, text.GetLength());
    }
    host().fillsTextBuffers = false;

    // Names beyond 8 bits reach the list whole on UTF-16 hosts; older hosts'
    // 8-bit names go through the code page.
    gHostVersion = 0x11000000;
    FCString violin;
    const std::u16string cyrillic = u"Скрипка";
    std::vector<uint16_t> units(cyrillic.begin(), cyrillic.end());
    units.push_back(0);
    violin.SetUTF16(units.data());
    list_->AddString(&violin);
    gHostVersion = 0x10000000;
    FCString accented("Cor anglais \xE9");
    list_->AddString(&accented);
    EXPECT_EQ(cyrillic, ListLine(dialog, 0));
    EXPECT_EQ(u"Cor anglais \u00e9", ListLine(dialog, 1));
    EXPECT_EQ(1u, EventsNamed("LB_ADDSTRING").size());
    EXPECT_EQ(1u, EventsNamed("LB_ADDSTRING (A)").size());
}

TEST_F(DialogTest, ControlsOfAClosedWindowPassNoWindowAndDoNothing)
{
    host().ClearLog();
    EXPECT_FALSE(apply_->GetEnable());
    EXPECT_EQ(0, check_->GetCheck());
    apply_->MoveBy(10, 10);
    list_->ResizeBy(10, 10);
    EXPECT_EQ(0, list_->GetLineCount());
    // A control of no window at all does the same.
    FCCtrlCheckbox loose(103);
    EXPECT_EQ(0, loose.GetCheck());
    loose.MoveBy(10, 10);
    loose.ResizeBy(10, 10);
    const auto reads = host().CallsTo("FX_GetDlgItemVal");
    ASSERT_EQ(2u, reads.size());
    EXPECT_EQ(0, reads[0].args[0]);
    EXPECT_EQ(0, reads[1].args[0]);
    EXPECT_TRUE(EventsNamed("SetWindowPos").empty());
}

TEST_F(WindowTest, MessageBoxesAreOwnedByTheHostWindowAndMapTheirAnswers)
{
    // The answers' numbers are what callers compare with: 2 is Yes.
    EXPECT_EQ(2, FCUI::kYes);
    EXPECT_EQ(3, FCUI::kNo);
    EXPECT_EQ(4, FCUI::kNoAnswer);
    FCUI ui(MainWindow());
    win32stub::QueueMessageBoxAnswer(IDOK);
    ui.AlertError("Something failed.", "");
    win32stub::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(FCUI::kYes, ui.AskYesNo("Go on?", nullptr));
    win32stub::QueueMessageBoxAnswer(IDNO);
    FCString question("Go on?");
    FCString title("Question");
    EXPECT_EQ(FCUI::kNo, ui.AskYesNo(&question, &title));
    win32stub::QueueMessageBoxAnswer(0);  // the box did not appear
    EXPECT_EQ(FCUI::kNoAnswer, ui.AskYesNo("Go on?", "Question"));
    // No message: no box at all.
    ui.AlertError(nullptr, "Title");
    EXPECT_EQ(FCUI::kNoAnswer, ui.AskYesNo(static_cast<const char*>(nullptr), "Title"));
    EXPECT_EQ(FCUI::kNoAnswer, ui.AskYesNo(static_cast<const FCString*>(nullptr), &title));
    ui.AlertError(static_cast<const FCString*>(nullptr), &title);
    // No title object: the default title.
    win32stub::QueueMessageBoxAnswer(IDOK);
    ui.AlertError(&question, nullptr);
    win32stub::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(FCUI::kYes, ui.AskYesNo(&question, nullptr));
    EXPECT_STREQ("FCUI", ui.ClassName());

    const auto& boxes = win32stub::MessageBoxes();
    ASSERT_EQ(6u, boxes.size());
    EXPECT_EQ("Error", boxes[0].title);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes[0].style);
    EXPECT_EQ("Yes/No?", boxes[1].title);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), boxes[1].style);
    EXPECT_EQ("Question", boxes[2].title);
    EXPECT_EQ("Error", boxes[4].title);
    EXPECT_EQ("Go on?", boxes[4].text);
    EXPECT_EQ("Yes/No?", boxes[5].title);
    for (const auto& box : boxes) EXPECT_EQ(MainWindow(), box.owner);
}

TEST_F(WindowTest, RedrawAsksForTheHostsSecondRegion)
{
    score().selection.startSlot = 2;
    score().selection.endSlot = 3;
    score().selection.startMeasure = 1;
    score().selection.endMeasure = 4;
    FCUI::RedrawMusic();
    ASSERT_EQ(1u, host().redraws.size());
    EXPECT_TRUE(host().redraws[0] == score().selection);
    const auto redraw = host().CallsTo("FX_RedrawMusic");
    const auto regions = host().CallsTo("FX_GetCurERegions");
    ASSERT_EQ(1u, redraw.size());
    ASSERT_EQ(1u, regions.size());
    EXPECT_EQ(regions[0].args[2], redraw[0].args[0]);
}
