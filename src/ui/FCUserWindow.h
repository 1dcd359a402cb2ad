// Host-run modeless dialogs. The host creates the dialog from a template in
// the plug-in's resources and calls FCUserWindowDialogProc for each message;
// the procedure turns messages into the window object's hooks, keeps the
// window within its size limits and disabled while the host is, and
// remembers and restores its geometry.
#pragma once

#include "core/FCCollection.h"
#include "core/Platform.h"
#include "ui/FCControl.h"

#include <cstdint>

class FCUserWindow : public __FCCollection {
public:
    FCUserWindow() = default;
    // Ends the dialog if it is still shown; the collection deletes the controls.
    ~FCUserWindow() override;

    // Hooks, in slot order after the collection's.
    virtual void CloseWindow();
    virtual void OnInit();
    virtual void OnCancel();
    virtual void OnOK();
    virtual void OnCommandKind3();
    virtual bool OnControlCommand(FCControl* control);
    virtual void OnControlStep(FCControl* control, int32_t step);
    virtual void OnTimer(uint32_t timer);
    virtual void OnActivate(bool active);
    virtual void OnResize(int32_t newWidth, int32_t newHeight, int32_t oldWidth, int32_t oldHeight);
    virtual bool OnNotify(int32_t item, NMHDR* header);

    // The first control with that item number, or null.
    FCControl* FindControl(int32_t item) const;
    FCCtrlStatic* AddStatic(int16_t item);
    FCCtrlEdit* AddEdit(int16_t item);
    FCCtrlListBox* AddListBox(int16_t item);
    FCCtrlCheckbox* AddCheckbox(int16_t item);
    FCCtrlButton* AddButton(int16_t item);

    // While a batch layout runs, control moves and resizes are recorded and
    // applied together by EndBatchLayout; false when nothing was applied.
    void BeginBatchLayout();
    bool EndBatchLayout();
    bool IsBatchLayout() const { return batchLayout_; }

    // The window's outer rectangle becomes the stored geometry.
    void RememberGeometry();
    // Moves (and sizes, not below the minimum) the window to the stored
    // geometry; false when no position is stored.
    bool ApplyStoredGeometry();
    void SetStoredGeometry(int32_t left, int32_t top, int32_t width, int32_t height);

    HWND GetWindowHandle() const { return window_; }
    bool IsClosed() const { return closed_; }
    bool IsPositionStored() const { return positionStored_; }
    bool IsSizeStored() const { return sizeStored_; }
    int32_t GetStoredLeft() const { return storedLeft_; }
    int32_t GetStoredTop() const { return storedTop_; }
    int32_t GetStoredWidth() const { return storedWidth_; }
    int32_t GetStoredHeight() const { return storedHeight_; }
    // Forgets the stored position and keeps the size.
    void ForgetStoredPosition() { positionStored_ = false; }
    int32_t GetMinimumWidth() const { return minimumWidth_; }
    int32_t GetMaximumWidth() const { return maximumWidth_; }
    int32_t GetMinimumHeight() const { return minimumHeight_; }
    int32_t GetMaximumHeight() const { return maximumHeight_; }
    void SetMaximumHeight(int32_t height) { maximumHeight_ = height; }

    // What the dialog procedure does with one message.
    int32_t HandleMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

protected:
    // The host's enabled state: while the host's top window is disabled (a
    // modal dialog of its own is up), this window is disabled too.
    void FollowHostEnabledState();
    // The base initialisation: clears closed, takes the window's size as its
    // limits and its client size as the last one.
    void InitialiseLimits();

private:
    int32_t DispatchCommand(WPARAM wParam);
    template <typename Control>
    Control* AddControl(int16_t item);

    HWND window_ = nullptr;
    int32_t maximumWidth_ = 0;
    int32_t minimumWidth_ = 0;
    int32_t maximumHeight_ = 0;
    int32_t minimumHeight_ = 0;
    int32_t lastClientWidth_ = 0;
    int32_t lastClientHeight_ = 0;
    bool positionStored_ = false;
    int32_t storedLeft_ = 0;
    int32_t storedTop_ = 0;
    bool sizeStored_ = false;
    int32_t storedWidth_ = 0;
    int32_t storedHeight_ = 0;
    bool batchLayout_ = false;
    bool initialising_ = false;
    bool geometryApplied_ = false;
    bool closed_ = false;
};

// A window built from a dialog template of the plug-in's resources.
class FCResourceWindow : public FCUserWindow {
public:
    explicit FCResourceWindow(int16_t templateNumber) : templateNumber_(templateNumber) {}

    int16_t GetTemplateNumber() const { return templateNumber_; }

    // Restores and activates the open dialog, or has the host create it.
    void ShowModeless();

private:
    int16_t templateNumber_;
};

// The dialog procedure the host calls; the user data is the window object.
QV_REALIGN_STACK int32_t QV_CDECL FCUserWindowDialogProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam,
                                        void* userData);
