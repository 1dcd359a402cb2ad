// The dialog framework in Wine's real user32: FINALE.EXE creates the tool
// window from template 20128 of the real DLL and drives it through the
// plug-in's own window and control classes.
#include <windows.h>

#include "MessageBoxes.h"
#include "SimHost.h"
#include "UserInput.h"
#include "WineScreenshot.h"
#include "shell/Globals.h"
#include "sync/FCPerfcopyWindow.h"
#include "ui/FCUI.h"
#include "ui/FCUserWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RealDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dll_ = LoadLibraryA("qvperfcopy.fxt");
        ASSERT_NE(nullptr, dll_);
        simhost::Host& host = simhost::Host::Get();
        host.Reset();
        host.pluginModule = dll_;
        ASSERT_NE(nullptr, host.OpenMainWindow());
        ui_ = new FCUI(host.mainWindow);
        gUI = ui_;
        gHostVersion = 0x12050000;
        window_ = new FCResourceWindow(20128);
        apply_ = window_->AddButton(1);
        apply_->SetCommandKind(FCControl::kConfirm);
        list_ = window_->AddListBox(102);
        edit_ = window_->AddEdit(104);
        check_ = window_->AddCheckbox(103);
        window_->ShowModeless();
        simhost::LetTimePass(100);
    }
    void TearDown() override
    {
        delete window_;
        gUI = nullptr;
        delete ui_;
        simhost::Host::Get().CloseMainWindow();
        if (dll_ != nullptr) FreeLibrary(dll_);
    }

    static RECT Outer(HWND window)
    {
        RECT rect = {};
        GetWindowRect(window, &rect);
        return rect;
    }
    RECT ItemRect(int item) const
    {
        RECT rect = Outer(GetDlgItem(window_->GetWindowHandle(), item));
        MapWindowPoints(nullptr, window_->GetWindowHandle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    HMODULE dll_ = nullptr;
    FCUI* ui_ = nullptr;
    FCResourceWindow* window_ = nullptr;
    FCCtrlButton* apply_ = nullptr;
    FCCtrlListBox* list_ = nullptr;
    FCCtrlEdit* edit_ = nullptr;
    FCCtrlCheckbox* check_ = nullptr;
};

}  // namespace

TEST_F(RealDialog, OpensFromTheDllsTemplateWithItsSizeAsBothLimits)
{
    const HWND dialog = window_->GetWindowHandle();
    ASSERT_NE(nullptr, dialog);
    WCHAR title[64] = {};
    GetWindowTextW(dialog, title, 64);
    EXPECT_STREQ(L"QV Perfcopy", title);
    EXPECT_EQ(GetParent(dialog), simhost::Host::Get().mainWindow);
    const RECT outer = Outer(dialog);
    EXPECT_EQ(outer.right - outer.left, window_->GetMinimumWidth());
    EXPECT_EQ(outer.right - outer.left, window_->GetMaximumWidth());
    EXPECT_EQ(outer.bottom - outer.top, window_->GetMaximumHeight());
    // A drag of the frame cannot change the size beyond the limits.
    simhost::DragFrame(dialog, 40, 40);
    const RECT dragged = Outer(dialog);
    EXPECT_EQ(outer.right - outer.left, dragged.right - dragged.left);
    EXPECT_EQ(outer.bottom - outer.top, dragged.bottom - dragged.top);
    EXPECT_TRUE(qvtest::SaveScreenshot(qvtest::ScreenshotPath("dialog-from-template.bmp")));
}

TEST_F(RealDialog, BatchLayoutMovesAndStretchesItemsExactly)
{
    const RECT apply = ItemRect(1);
    const RECT list = ItemRect(102);
    window_->BeginBatchLayout();
    apply_->MoveBy(0, 40);
    list_->ResizeBy(0, 40);
    EXPECT_EQ(apply.top, ItemRect(1).top);
    EXPECT_TRUE(window_->EndBatchLayout());
    EXPECT_EQ(apply.top + 40, ItemRect(1).top);
    EXPECT_EQ(apply.left, ItemRect(1).left);
    EXPECT_EQ(list.top, ItemRect(102).top);
    EXPECT_EQ(list.bottom + 40, ItemRect(102).bottom);
}

TEST_F(RealDialog, ListBoxAndValuesWorkThroughTheHostFunctions)
{
    EXPECT_EQ(-1, list_->GetSelectedLine());
    FCString violin;
    const uint16_t cyrillic[] = { 0x0421, 0x043A, 0x0440, 0x0438, 0x043F, 0x043A, 0x0430, 0 };
    violin.SetUTF16(cyrillic);
    list_->AddString(&violin);
    FCString flute("Flute");
    list_->AddString(&flute);
    EXPECT_EQ(2, list_->GetLineCount());
    list_->SetSelectedLine(1);
    EXPECT_EQ(1, list_->GetSelectedLine());
    WCHAR line[16] = {};
    SendDlgItemMessageW(window_->GetWindowHandle(), 102, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(0, memcmp(line, cyrillic, sizeof cyrillic));

    edit_->SetInteger(-250);
    EXPECT_EQ(-250, edit_->GetInteger());
    check_->SetCheck(1);
    EXPECT_EQ(1, check_->GetCheck());
    apply_->SetEnable(false);
    EXPECT_FALSE(apply_->GetEnable());
    list_->ClearLines();
    EXPECT_EQ(0, list_->GetLineCount());
}

TEST_F(RealDialog, AMessageBoxIsAnsweredWhenItAppears)
{
    simhost::WatchMessageBoxes(nullptr);
    simhost::QueueBoxAnswer(IDYES);
    EXPECT_EQ(FCUI::kYes, ui_->AskYesNo("Go on?", nullptr));
    simhost::QueueBoxAnswer(IDNO);
    EXPECT_EQ(FCUI::kNo, ui_->AskYesNo("Go on?", "Question"));
    simhost::StopWatchingMessageBoxes();
    ASSERT_EQ(2u, simhost::ShownBoxes().size());
    EXPECT_EQ("Yes/No?", simhost::ShownBoxes()[0].title);
    EXPECT_EQ("Go on?", simhost::ShownBoxes()[0].text);
    EXPECT_TRUE(simhost::ShownBoxes()[0].question);
}

TEST_F(RealDialog, CloseEndsTheDialogOnce)
{
    const HWND dialog = window_->GetWindowHandle();
    simhost::ClickCloseBox(dialog);
    EXPECT_EQ(nullptr, window_->GetWindowHandle());
    EXPECT_FALSE(IsWindow(dialog));
    window_->OnCancel();
}

// The tool window in Wine's user32: a stored geometry of -1 puts it at
// (-1, -1) with its minimum size, which the monitor shows; a place no
// monitor shows keeps only the size, and the host places the window.
TEST_F(RealDialog, ToolWindowAtMinusOneIsShownAndOffScreenKeepsOnlyTheSize)
{
    const RECT placedByHost = Outer(window_->GetWindowHandle());
    FCPerfcopyWindow tool;
    tool.BindControls();
    tool.SetStoredGeometry(-1, -1, -1, -1);
    tool.ShowModeless();
    simhost::LetTimePass(100);
    ASSERT_NE(nullptr, tool.GetWindowHandle());
    RECT outer = Outer(tool.GetWindowHandle());
    EXPECT_EQ(-1, outer.left);
    EXPECT_EQ(-1, outer.top);
    EXPECT_EQ(tool.GetMinimumWidth(), outer.right - outer.left);
    EXPECT_EQ(tool.GetMinimumHeight(), outer.bottom - outer.top);
    EXPECT_TRUE(tool.IsPositionStored());
    const int32_t width = tool.GetMinimumWidth();
    const int32_t height = tool.GetMinimumHeight() + 30;
    tool.CloseWindow();

    tool.SetStoredGeometry(5000, 300, width, height);
    tool.ShowModeless();
    simhost::LetTimePass(100);
    ASSERT_NE(nullptr, tool.GetWindowHandle());
    outer = Outer(tool.GetWindowHandle());
    EXPECT_EQ(placedByHost.left, outer.left);
    EXPECT_EQ(placedByHost.top, outer.top);
    EXPECT_EQ(width, outer.right - outer.left);
    EXPECT_EQ(height, outer.bottom - outer.top);
    EXPECT_FALSE(tool.IsPositionStored());
}
