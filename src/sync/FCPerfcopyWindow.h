// The tool window: the score's staves as candidate source staves, the three
// fields with a percentage each, "&Apply" (the sync command) and "&Close".
// While open, it keeps its staff list in step with the part and document
// the user is working in.
#pragma once

#include "data/FCStaff.h"
#include "sync/FCStaffListMap.h"
#include "ui/FCUI.h"
#include "ui/FCUserWindow.h"

#include <cstdint>

class FCPerfcopyWindow : public FCResourceWindow {
public:
    static constexpr int16_t kTemplate = 20128;
    // Item numbers of the template.
    enum Item : int16_t {
        kApply = 1,
        kClose = 2,
        kSourceLabel = 101,
        kStaffList = 102,
        kVelocityCheck = 103,
        kVelocityEdit = 104,
        kVelocityUnit = 105,
        kStartCheck = 106,
        kStartEdit = 107,
        kStartUnit = 108,
        kEndCheck = 109,
        kEndEdit = 110,
        kEndUnit = 111,
    };
    // The staff list refresh timer and its period.
    static constexpr UINT_PTR kRefreshTimer = 3;
    static constexpr UINT kRefreshMilliseconds = 200;

    // Loads the saved settings and window geometry.
    FCPerfcopyWindow();
    ~FCPerfcopyWindow() override;

    void CloseWindow() override;
    void OnInit() override;
    // The sync command; the window stays open.
    void OnOK() override;
    bool OnControlCommand(FCControl* control) override;
    void OnTimer(uint32_t timer) override;
    void OnActivate(bool active) override;
    void OnResize(int32_t newWidth, int32_t newHeight, int32_t oldWidth, int32_t oldHeight) override;

    // Creates the control objects, in template order.
    void BindControls();
    // The check boxes and percentages from gPerfcopySettings.
    void InitControls();
    void UpdateEnableStates();
    void RebuildStaffList();
    // Rebuilds the list when the host's current part or document changed.
    void RefreshIfChanged();

    int32_t LastSourceStaff = 0;

    FCUI* GetUI() const { return ui_; }
    const FCStaffListMap& GetStaffMap() const { return staffMap_; }
    FCCtrlListBox* GetStaffList() const { return staffList_; }
    FCCtrlCheckbox* GetVelocityCheck() const { return velocityCheck_; }
    FCCtrlEdit* GetVelocityEdit() const { return velocityEdit_; }
    FCCtrlCheckbox* GetStartCheck() const { return startCheck_; }
    FCCtrlEdit* GetStartEdit() const { return startEdit_; }
    FCCtrlCheckbox* GetEndCheck() const { return endCheck_; }
    FCCtrlEdit* GetEndEdit() const { return endEdit_; }

private:
    bool IsCurrentPart() const;
    // The stored geometry, when the screen still shows where it was stored;
    // otherwise only its size, and the host's placement stays.
    void ApplyStoredGeometryOnScreen();

    FCPart currentPart_;
    FCStaffListMap staffMap_;
    FCCtrlButton* applyButton_ = nullptr;
    FCCtrlButton* closeButton_ = nullptr;
    FCCtrlStatic* sourceLabel_ = nullptr;
    FCCtrlListBox* staffList_ = nullptr;
    FCCtrlCheckbox* velocityCheck_ = nullptr;
    FCCtrlEdit* velocityEdit_ = nullptr;
    FCCtrlStatic* velocityUnit_ = nullptr;
    FCCtrlCheckbox* startCheck_ = nullptr;
    FCCtrlEdit* startEdit_ = nullptr;
    FCCtrlStatic* startUnit_ = nullptr;
    FCCtrlCheckbox* endCheck_ = nullptr;
    FCCtrlEdit* endEdit_ = nullptr;
    FCCtrlStatic* endUnit_ = nullptr;
    FCUI* ui_ = nullptr;
};
