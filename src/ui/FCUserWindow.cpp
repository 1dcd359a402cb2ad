#include "FCUserWindow.h"

#include "host/HostFunctions.h"
#include "shell/Globals.h"
#include "ui/FCUI.h"
#include "ui/OwningWindow.h"

namespace {

constexpr UINT kPlaceFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
// Flags of every deferred control move; SWP_NOMOVE and SWP_NOSIZE are added
// for what a control does not change.
constexpr UINT kDeferFlags = 0x214;
// A message that, like WM_WINDOWPOSCHANGING, makes the window follow the
// host's enabled state.
constexpr uint32_t kFollowHostMessage = 0x036D;

}  // namespace

HWND OwningWindowHandle(const FCUserWindow* window)
{
    return window != nullptr ? window->GetWindowHandle() : nullptr;
}

bool OwningWindowInBatchLayout(const FCUserWindow* window)
{
    return window != nullptr && window->IsBatchLayout();
}

FCUserWindow::~FCUserWindow()
{
    if (window_ != nullptr) {
        if (IsWindowVisible(window_)) FX_EndDialog(window_);
        window_ = nullptr;
    }
}

void FCUserWindow::CloseWindow()
{
    closed_ = true;
    if (window_ == nullptr) return;
    // A hidden window is not ended, only forgotten.
    if (IsWindowVisible(window_)) FX_EndDialog(window_);
    window_ = nullptr;
}

void FCUserWindow::InitialiseLimits()
{
    closed_ = false;
    RECT outer = {};
    GetWindowRect(window_, &outer);
    maximumWidth_ = minimumWidth_ = outer.right - outer.left;
    maximumHeight_ = minimumHeight_ = outer.bottom - outer.top;
    RECT client = {};
    GetClientRect(window_, &client);
    lastClientWidth_ = client.right - client.left;
    lastClientHeight_ = client.bottom - client.top;
}

void FCUserWindow::OnInit()
{
    InitialiseLimits();
}

void FCUserWindow::OnCancel()
{
    if (!closed_) CloseWindow();
}

void FCUserWindow::OnOK()
{
    if (!closed_) CloseWindow();
}

void FCUserWindow::OnCommandKind3()
{
    if (!closed_) CloseWindow();
}

bool FCUserWindow::OnControlCommand(FCControl*)
{
    return false;
}

void FCUserWindow::OnControlStep(FCControl*, int32_t) {}

void FCUserWindow::OnTimer(uint32_t) {}

void FCUserWindow::OnActivate(bool) {}

void FCUserWindow::OnResize(int32_t, int32_t, int32_t, int32_t) {}

bool FCUserWindow::OnNotify(int32_t, NMHDR*)
{
    return false;
}

FCControl* FCUserWindow::FindControl(int32_t item) const
{
    for (int32_t i = 0; i < GetCount(); ++i) {
        FCControl* control = static_cast<FCControl*>(GetItemAt(i));
        if (control != nullptr && control->GetItemNumber() == item) return control;
    }
    return nullptr;
}

template <typename Control>
Control* FCUserWindow::AddControl(int16_t item)
{
    Control* control = new Control(item);
    EnsureCapacity(1);
    Add(control);
    control->SetWindow(this);
    return control;
}

FCCtrlStatic* FCUserWindow::AddStatic(int16_t item)
{
    return AddControl<FCCtrlStatic>(item);
}

FCCtrlEdit* FCUserWindow::AddEdit(int16_t item)
{
    return AddControl<FCCtrlEdit>(item);
}

FCCtrlListBox* FCUserWindow::AddListBox(int16_t item)
{
    return AddControl<FCCtrlListBox>(item);
}

FCCtrlCheckbox* FCUserWindow::AddCheckbox(int16_t item)
{
    return AddControl<FCCtrlCheckbox>(item);
}

FCCtrlButton* FCUserWindow::AddButton(int16_t item)
{
    return AddControl<FCCtrlButton>(item);
}

void FCUserWindow::BeginBatchLayout()
{
    if (window_ == nullptr) return;
    for (int32_t i = 0; i < GetCount(); ++i) {
        if (FCControl* control = static_cast<FCControl*>(GetItemAt(i))) control->ClearPending();
    }
    batchLayout_ = true;
}

bool FCUserWindow::EndBatchLayout()
{
    if (!batchLayout_ || window_ == nullptr) return false;
    int32_t pending = 0;
    for (int32_t i = 0; i < GetCount(); ++i) {
        FCControl* control = static_cast<FCControl*>(GetItemAt(i));
        if (control != nullptr && (control->IsMovePending() || control->IsSizePending())) ++pending;
    }
    if (pending == 0) return false;
    HDWP batch = BeginDeferWindowPos(pending);
    if (batch == nullptr) return false;
    for (int32_t i = 0; i < GetCount(); ++i) {
        FCControl* control = static_cast<FCControl*>(GetItemAt(i));
        if (control == nullptr || !(control->IsMovePending() || control->IsSizePending())) continue;
        UINT flags = kDeferFlags;
        if (!control->IsMovePending()) flags |= SWP_NOMOVE;
        if (!control->IsSizePending()) flags |= SWP_NOSIZE;
        batch = DeferWindowPos(batch, GetDlgItem(window_, control->GetItemNumber()), nullptr,
                               control->GetRecordedX(), control->GetRecordedY(), control->GetRecordedWidth(),
                               control->GetRecordedHeight(), flags);
        if (batch == nullptr) return false;
    }
    EndDeferWindowPos(batch);
    for (int32_t i = 0; i < GetCount(); ++i) {
        if (FCControl* control = static_cast<FCControl*>(GetItemAt(i))) control->ClearPending();
    }
    batchLayout_ = false;
    return true;
}

void FCUserWindow::RememberGeometry()
{
    RECT outer = {};
    GetWindowRect(window_, &outer);
    storedLeft_ = outer.left;
    storedTop_ = outer.top;
    storedWidth_ = outer.right - outer.left;
    storedHeight_ = outer.bottom - outer.top;
    positionStored_ = true;
    sizeStored_ = true;
}

bool FCUserWindow::ApplyStoredGeometry()
{
    if (!positionStored_) return false;
    UINT flags = kPlaceFlags;
    if (sizeStored_) {
        if (storedWidth_ < minimumWidth_) storedWidth_ = minimumWidth_;
        if (storedHeight_ < minimumHeight_) storedHeight_ = minimumHeight_;
    } else {
        flags |= SWP_NOSIZE;
    }
    SetWindowPos(window_, nullptr, storedLeft_, storedTop_, storedWidth_, storedHeight_, flags);
    geometryApplied_ = true;
    return true;
}

void FCUserWindow::SetStoredGeometry(int32_t left, int32_t top, int32_t width, int32_t height)
{
    storedLeft_ = left;
    storedTop_ = top;
    storedWidth_ = width;
    storedHeight_ = height;
    positionStored_ = true;
    sizeStored_ = true;
}

void FCUserWindow::FollowHostEnabledState()
{
    HWND top = FX_GetCurrentWindow();
    // A host that names no window leaves the window as it is; disabling it
    // would lock the user out of it.
    if (top == nullptr) return;
    for (HWND parent = GetParent(top); parent != nullptr; parent = GetParent(parent)) top = parent;
    EnableWindow(window_, IsWindowEnabled(top));
}

int32_t FCUserWindow::DispatchCommand(WPARAM wParam)
{
    FCControl* control = FindControl(static_cast<uint16_t>(LOWORD(wParam)));
    const uint32_t kind = control != nullptr ? control->GetCommandKind() : FCControl::kNone;
    switch (kind) {
    case FCControl::kNone:
        return OnControlCommand(control) ? 1 : 0;
    case FCControl::kConfirm:
        OnOK();
        return 1;
    case FCControl::kCancel:
        OnCancel();
        return 1;
    case FCControl::kCommandKind3:
        OnCommandKind3();
        return 1;
    default:
        return 1;
    }
}

int32_t FCUserWindow::HandleMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        window_ = window;
        initialising_ = true;
        OnInit();
        return 0;
    case WM_SHOWWINDOW:
        if (initialising_ && geometryApplied_) ApplyStoredGeometry();
        initialising_ = false;
        geometryApplied_ = false;
        return 0;
    case WM_COMMAND:
        return DispatchCommand(wParam);
    case WM_CLOSE:
        OnCancel();
        return 0;
    case WM_SIZE: {
        if (wParam != SIZE_RESTORED) return 0;
        const int32_t width = LOWORD(lParam);
        const int32_t height = HIWORD(lParam);
        if (lastClientWidth_ != 0) OnResize(width, height, lastClientWidth_, lastClientHeight_);
        lastClientWidth_ = width;
        lastClientHeight_ = height;
        return 0;
    }
    case WM_GETMINMAXINFO: {
        MINMAXINFO* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        if (limits != nullptr) {
            limits->ptMinTrackSize.x = minimumWidth_;
            limits->ptMinTrackSize.y = minimumHeight_;
            limits->ptMaxTrackSize.x = maximumWidth_;
            limits->ptMaxTrackSize.y = maximumHeight_;
        }
        return 0;
    }
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != 0);
        FollowHostEnabledState();
        return 0;
    case WM_WINDOWPOSCHANGING:
    case kFollowHostMessage:
        FollowHostEnabledState();
        return 0;
    case WM_TIMER:
        OnTimer(static_cast<uint32_t>(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(static_cast<int32_t>(wParam), reinterpret_cast<NMHDR*>(lParam)) ? 1 : 0;
    default:
        return 0;
    }
}

QV_REALIGN_STACK int32_t QV_CDECL FCUserWindowDialogProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam,
                                        void* userData)
{
    if (userData == nullptr) return 0;
    return static_cast<FCUserWindow*>(userData)->HandleMessage(window, message, wParam, lParam);
}

void FCResourceWindow::ShowModeless()
{
    if (GetWindowHandle() != nullptr) {
        ShowWindow(GetWindowHandle(), SW_SHOWNORMAL);
        if (GetWindowHandle() != nullptr) SetActiveWindow(GetWindowHandle());
        return;
    }
    FCUI* ui = gUI;
    FX_Dialog(templateNumber_, FCUserWindowDialogProc, ui != nullptr ? ui->GetHostWindow() : nullptr, 0, this);
}
