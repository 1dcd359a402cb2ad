#include "FCUI.h"

#include "data/FCMusicRegion.h"
#include "host/HostFunctions.h"

namespace {

const char kClassName[] = "FCUI";

LPCWSTR Wide(const FCString& text)
{
    return reinterpret_cast<LPCWSTR>(text.GetUTF16());
}

}  // namespace

const char* FCUI::ClassName() const
{
    return kClassName;
}

int FCUI::ShowBox(const FCString* message, const FCString* title, const char* defaultTitle, UINT style)
{
    FCString caption;
    if (title != nullptr) caption.SetString(title);
    if (caption.GetLength() == 0) caption.SetCString(defaultTitle);
    return MessageBoxW(hostWindow_, Wide(*message), Wide(caption), style);
}

void FCUI::AlertError(const char* message, const char* title)
{
    if (message == nullptr) return;
    FCString text(message);
    FCString caption(title);
    AlertError(&text, &caption);
}

void FCUI::AlertError(const FCString* message, const FCString* title)
{
    if (message == nullptr) return;
    ShowBox(message, title, "Error", MB_ICONERROR);
}

int32_t FCUI::AskYesNo(const char* message, const char* title)
{
    if (message == nullptr) return kNoAnswer;
    FCString text(message);
    FCString caption(title);
    return AskYesNo(&text, &caption);
}

int32_t FCUI::AskYesNo(const FCString* message, const FCString* title)
{
    if (message == nullptr) return kNoAnswer;
    switch (ShowBox(message, title, "Yes/No?", MB_YESNO)) {
    case IDYES: return kYes;
    case IDNO: return kNo;
    default: return kNoAnswer;
    }
}

void FCUI::RedrawMusic()
{
    int32_t value = 0;
    uint8_t selection[FCMusicRegion::kRecordSize] = {};
    uint8_t redrawRegion[FCMusicRegion::kRecordSize] = {};
    FX_GetCurERegions(&value, selection, redrawRegion);
    FX_RedrawMusic(redrawRegion);
}
