// The plug-in's handle on the host's user interface: the host's main window,
// which owns every message box, an error notice and a yes/no question.
#pragma once

#include "core/FCBase.h"
#include "core/FCString.h"
#include "core/Platform.h"

#include <cstdint>

class FCUI : public __FCBase {
public:
    // Answers of AskYesNo.
    static constexpr int32_t kYes = 2;
    static constexpr int32_t kNo = 3;
    static constexpr int32_t kNoAnswer = 4;

    explicit FCUI(HWND hostWindow) : hostWindow_(hostWindow) {}

    const char* ClassName() const override;

    HWND GetHostWindow() const { return hostWindow_; }

    // An error box with one OK button; nothing when the message is absent.
    // An absent or empty title becomes "Error".
    void AlertError(const char* message, const char* title);
    void AlertError(const FCString* message, const FCString* title);
    // A Yes/No box: kYes, kNo, or kNoAnswer when there is no message or the
    // box answered anything else. An absent or empty title becomes "Yes/No?".
    int32_t AskYesNo(const char* message, const char* title);
    int32_t AskYesNo(const FCString* message, const FCString* title);

    // Asks the host to redraw the music of its current editing region.
    static void RedrawMusic();

private:
    int ShowBox(const FCString* message, const FCString* title, const char* defaultTitle, UINT style);

    HWND hostWindow_;
};
