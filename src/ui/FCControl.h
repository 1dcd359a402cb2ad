// One object per dialog item that a window drives. A control knows its item
// number and its window, and looks its item up again for every operation,
// so it exists before the dialog does and survives the dialog's closing.
#pragma once

#include "core/FCBase.h"
#include "core/FCString.h"
#include "core/Platform.h"

#include <cstdint>

class FCUserWindow;

class FCControl : public __FCBase {
public:
    // Which window hook a control's commands reach.
    enum CommandKind : uint32_t { kNone = 0, kConfirm = 1, kCancel = 2, kCommandKind3 = 3 };

    explicit FCControl(int16_t item) : item_(item) {}

    const char* ClassName() const override;
    virtual int32_t GetControlType() const;
    virtual void Redraw();
    virtual void SetEnable(bool enable);
    virtual bool GetEnable();
    virtual void SetVisible(bool visible);
    // A null text sets an empty text.
    virtual void SetText(const FCString* text);
    virtual void GetText(FCString* text);
    virtual void ResizeBy(int32_t dw, int32_t dh);

    void MoveBy(int32_t dx, int32_t dy);

    int16_t GetItemNumber() const { return item_; }
    FCUserWindow* GetWindow() const { return window_; }
    void SetWindow(FCUserWindow* window) { window_ = window; }
    uint32_t GetCommandKind() const { return commandKind_; }
    void SetCommandKind(uint32_t kind) { commandKind_ = kind; }

    // What a batch layout recorded for this control.
    bool IsMovePending() const { return movePending_; }
    bool IsSizePending() const { return sizePending_; }
    void ClearPending() { movePending_ = sizePending_ = false; }
    int32_t GetRecordedX() const { return recordedX_; }
    int32_t GetRecordedY() const { return recordedY_; }
    int32_t GetRecordedWidth() const { return recordedWidth_; }
    int32_t GetRecordedHeight() const { return recordedHeight_; }

protected:
    // The owning window's handle, or null.
    HWND WindowHandle() const;
    // The item's window, looked up afresh; null while the dialog is closed.
    HWND Item() const;

private:
    bool movePending_ = false;
    bool sizePending_ = false;
    int32_t recordedX_ = 0;
    int32_t recordedY_ = 0;
    int32_t recordedWidth_ = 0;
    int32_t recordedHeight_ = 0;
    int16_t item_;
    FCUserWindow* window_ = nullptr;
    uint32_t commandKind_ = kNone;
};

class FCCtrlStatic : public FCControl {
public:
    using FCControl::FCControl;
    const char* ClassName() const override;
};

class FCCtrlEdit : public FCControl {
public:
    using FCControl::FCControl;
    const char* ClassName() const override;
    void GetText(FCString* text) override;

    // The item's whole-number value; 0 when the host cannot read it.
    int32_t GetInteger();
    void SetInteger(int32_t value);
};

class FCCtrlListBox : public FCControl {
public:
    using FCControl::FCControl;
    const char* ClassName() const override;

    void ClearLines();
    // The number of lines, which is also the index the next line gets.
    int32_t GetLineCount();
    void AddString(FCString* text);
    // -1 when no line is selected.
    int32_t GetSelectedLine();
    void SetSelectedLine(int32_t line);
};

// Check boxes and buttons share the check state operations and the base's
// class name.
class FCCtrlCheckbox : public FCControl {
public:
    using FCControl::FCControl;
    virtual void SetCheck(int16_t state);
    // 0 for unchecked; callers test the low 16 bits.
    virtual int16_t GetCheck();
};

class FCCtrlButton : public FCCtrlCheckbox {
public:
    using FCCtrlCheckbox::FCCtrlCheckbox;
};
