#include "FCPerfcopyWindow.h"

#include "data/FCGroup.h"
#include "data/FCSystemStaff.h"
#include "host/HostFunctions.h"
#include "shell/Globals.h"
#include "shell/WindowSettings.h"
#include "sync/ClampPercent.h"
#include "sync/SyncCommand.h"

namespace {

// Group names stand in for missing staff names from this host version on.
constexpr uint32_t kGroupNamingHost = 0x10000000;

// A coordinate plus a length that is never negative, kept within 32 bits:
// stored values come from the settings file unchecked.
int32_t SaturatedSum(int32_t value, int32_t length)
{
    const int64_t sum = static_cast<int64_t>(value) + length;
    if (sum > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(sum);
}

}  // namespace

FCPerfcopyWindow::FCPerfcopyWindow()
    : FCResourceWindow(kTemplate), ui_(gUI)
{
    LoadWindowSettings(this);
}

FCPerfcopyWindow::~FCPerfcopyWindow() = default;

void FCPerfcopyWindow::BindControls()
{
    applyButton_ = AddButton(kApply);
    closeButton_ = AddButton(kClose);
    sourceLabel_ = AddStatic(kSourceLabel);
    staffList_ = AddListBox(kStaffList);
    velocityCheck_ = AddCheckbox(kVelocityCheck);
    velocityEdit_ = AddEdit(kVelocityEdit);
    velocityUnit_ = AddStatic(kVelocityUnit);
    startCheck_ = AddCheckbox(kStartCheck);
    startEdit_ = AddEdit(kStartEdit);
    startUnit_ = AddStatic(kStartUnit);
    endCheck_ = AddCheckbox(kEndCheck);
    endEdit_ = AddEdit(kEndEdit);
    endUnit_ = AddStatic(kEndUnit);
    applyButton_->SetCommandKind(FCControl::kConfirm);
    closeButton_->SetCommandKind(FCControl::kCancel);
}

void FCPerfcopyWindow::InitControls()
{
    if (velocityCheck_ == nullptr) return;
    velocityCheck_->SetCheck(gPerfcopySettings.UseVelocity);
    velocityEdit_->SetInteger(gPerfcopySettings.VelocityPercent);
    startCheck_->SetCheck(gPerfcopySettings.UseStartTime);
    startEdit_->SetInteger(gPerfcopySettings.StartTimePercent);
    endCheck_->SetCheck(gPerfcopySettings.UseEndTime);
    endEdit_->SetInteger(gPerfcopySettings.EndTimePercent);
}

void FCPerfcopyWindow::UpdateEnableStates()
{
    if (applyButton_ == nullptr) return;
    applyButton_->SetEnable(staffList_->GetSelectedLine() != -1);
    const bool velocity = velocityCheck_->GetCheck() != 0;
    velocityEdit_->SetEnable(velocity);
    velocityUnit_->SetEnable(velocity);
    const bool start = startCheck_->GetCheck() != 0;
    startEdit_->SetEnable(start);
    startUnit_->SetEnable(start);
    const bool end = endCheck_->GetCheck() != 0;
    endEdit_->SetEnable(end);
    endUnit_->SetEnable(end);
}

bool FCPerfcopyWindow::IsCurrentPart() const
{
    return static_cast<int16_t>(FX_GetCurrentPartID() & 0xFFFF) == currentPart_.GetPartID() &&
           static_cast<int16_t>(FX_GetCurrentEnigmaDocument()) == currentPart_.GetDocumentID();
}

void FCPerfcopyWindow::RebuildStaffList()
{
    staffMap_.ClearAll();
    if (staffList_ == nullptr) return;
    staffList_->ClearLines();

    FCSystemStaves staves;
    staves.LoadAllIncis(0);
    StaffGroupNaming* naming = nullptr;  // read once, for the first staff without a name
    for (int32_t i = 0; i < staves.GetCount(); ++i) {
        const int16_t number = staves.GetStaffAt(i)->GetStaff();
        FCStaff staff;
        staff.Load(number);
        FCString* label = staff.GetFullNameString();
        if (label->GetLength() == 0) {
            label->SetCString("Staff #");
            label->AppendInteger(number);
            if (gHostVersion >= kGroupNamingHost) {
                if (naming == nullptr) naming = new StaffGroupNaming();
                FCString* groupName = naming->CreateNameForStaff(number);
                if (groupName->GetLength() != 0) label->SetString(groupName);
                delete groupName;
            }
        }
        const int32_t line = staffList_->GetLineCount();
        staffList_->AddString(label);
        staffMap_.AddNode(line, static_cast<int32_t>(static_cast<uint16_t>(number)));
        delete label;
    }
    delete naming;

    bool kept = false;
    if (IsCurrentPart()) {
        for (int32_t i = 0; i < staffMap_.GetCount(); ++i) {
            const FCStaffListMapNode* node = static_cast<const FCStaffListMapNode*>(staffMap_.GetItemAt(i));
            if (node->Staff != LastSourceStaff) continue;
            if (node->Line >= 0) {
                staffList_->SetSelectedLine(node->Line);
                kept = true;
            }
            break;
        }
    }
    if (!kept) LastSourceStaff = 0;

    currentPart_.SetDocumentID(static_cast<int16_t>(FX_GetCurrentEnigmaDocument()));
    currentPart_.SetPartID(static_cast<int16_t>(FX_GetCurrentPartID() & 0xFFFF));
    // Its list marker keeps the -2 it was made with.
}

void FCPerfcopyWindow::RefreshIfChanged()
{
    if (IsCurrentPart()) return;
    RebuildStaffList();
    UpdateEnableStates();
}

void FCPerfcopyWindow::OnInit()
{
    InitialiseLimits();
    InitControls();
    UpdateEnableStates();
    RebuildStaffList();
    // The rebuild may select the remembered line again: "&Apply" follows it.
    UpdateEnableStates();
    const int32_t tallest = GetSystemMetrics(SM_CYFULLSCREEN) * 8 / 10;
    if (tallest > GetMaximumHeight()) SetMaximumHeight(tallest);
    ApplyStoredGeometryOnScreen();
    if (GetWindowHandle() != nullptr) SetTimer(GetWindowHandle(), kRefreshTimer, kRefreshMilliseconds, nullptr);
}

void FCPerfcopyWindow::ApplyStoredGeometryOnScreen()
{
    if (!IsPositionStored()) return;
    // The rectangle the window is about to take: the stored size raised to
    // the minimum (a stored -1 included). A position is only ever stored
    // with a size.
    const int32_t width = GetStoredWidth() < GetMinimumWidth() ? GetMinimumWidth() : GetStoredWidth();
    const int32_t height = GetStoredHeight() < GetMinimumHeight() ? GetMinimumHeight() : GetStoredHeight();
    const RECT placed = { GetStoredLeft(), GetStoredTop(), SaturatedSum(GetStoredLeft(), width),
                          SaturatedSum(GetStoredTop(), height) };
    if (MonitorFromRect(&placed, MONITOR_DEFAULTTONULL) == nullptr) {
        // The monitor it was stored on is gone: keep the size only.
        ForgetStoredPosition();
        SetWindowPos(GetWindowHandle(), nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        return;
    }
    ApplyStoredGeometry();
}

bool FCPerfcopyWindow::OnControlCommand(FCControl* control)
{
    if (control != nullptr && (control == staffList_ || control == velocityCheck_ || control == startCheck_ ||
                               control == endCheck_)) {
        UpdateEnableStates();
    }
    return false;
}

void FCPerfcopyWindow::OnTimer(uint32_t timer)
{
    if (timer == kRefreshTimer) RefreshIfChanged();
}

void FCPerfcopyWindow::OnActivate(bool active)
{
    if (active) RefreshIfChanged();
}

void FCPerfcopyWindow::OnResize(int32_t newWidth, int32_t newHeight, int32_t oldWidth, int32_t oldHeight)
{
    if (applyButton_ == nullptr) return;
    const int32_t dx = newWidth - oldWidth;
    const int32_t dy = newHeight - oldHeight;
    BeginBatchLayout();
    applyButton_->MoveBy(dx, dy);
    closeButton_->MoveBy(dx, dy);
    staffList_->ResizeBy(dx, dy);
    EndBatchLayout();
}

void FCPerfcopyWindow::OnOK()
{
    SyncControls controls;
    controls.ui = ui_;
    controls.staffList = staffList_;
    controls.staffMap = &staffMap_;
    controls.lastSourceStaff = &LastSourceStaff;
    controls.velocityCheck = velocityCheck_;
    controls.velocityEdit = velocityEdit_;
    controls.startCheck = startCheck_;
    controls.startEdit = startEdit_;
    controls.endCheck = endCheck_;
    controls.endEdit = endEdit_;
    RunSyncCommand(controls);
}

void FCPerfcopyWindow::CloseWindow()
{
    // Only an open dialog has geometry and choices to keep.
    if (velocityCheck_ != nullptr && GetWindowHandle() != nullptr) {
        RememberGeometry();
        gPerfcopySettings.UseVelocity = velocityCheck_->GetCheck() != 0 ? 1 : 0;
        gPerfcopySettings.VelocityPercent = ClampPercent(velocityEdit_->GetInteger());
        gPerfcopySettings.UseStartTime = startCheck_->GetCheck() != 0 ? 1 : 0;
        gPerfcopySettings.StartTimePercent = ClampPercent(startEdit_->GetInteger());
        gPerfcopySettings.UseEndTime = endCheck_->GetCheck() != 0 ? 1 : 0;
        gPerfcopySettings.EndTimePercent = ClampPercent(endEdit_->GetInteger());
        LastSourceStaff = staffMap_.GetStaffForLine(staffList_->GetSelectedLine());
    }
    FCResourceWindow::CloseWindow();
}
