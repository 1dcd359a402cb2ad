#include "EntryPoints.h"

#include "core/ByteAccess.h"
#include "core/FCString.h"
#include "shell/Globals.h"
#include "shell/WindowSettings.h"
#include "sync/FCPerfcopyWindow.h"
#include "ui/FCUI.h"

#include <cstring>

namespace {

const char kMenuText[] = "QV Perfcopy...";
const char kDescription[] = "Syncs live performance data between notes on difference staves.";
const char kShortName[] = "Perfcopy";

constexpr uint32_t kPluginInterfaceVersion = 0x0F000000;
constexpr size_t kTextFieldBytes = 64;
constexpr size_t kTextFieldUnits = 128;
constexpr size_t kMaxCopiedUnits = 63;

// Every text fits both kinds of field whole, with a zero after it.
static_assert(sizeof kMenuText - 1 <= kMaxCopiedUnits && sizeof kDescription - 1 <= kMaxCopiedUnits &&
                  sizeof kShortName - 1 <= kMaxCopiedUnits && kMaxCopiedUnits < kTextFieldBytes,
              "a menu text longer than its field");

// Writes the text into a fixed 8-bit field, padded with zero bytes to its end.
void WriteTextField(uint8_t* field, const char* text)
{
    const size_t length = std::strlen(text);
    std::memcpy(field, text, length);
    std::memset(field + length, 0, kTextFieldBytes - length);
}

// Writes the text and one zero unit into a UTF-16 field; the rest of the
// field is left as the host gave it.
void WriteTextFieldUTF16(uint8_t* field, const char* text)
{
    FCString wide(text);
    const uint32_t count = wide.GetLength();
    const uint16_t* units = wide.GetUTF16();
    for (uint32_t i = 0; i < count; ++i) SetLE16(field, 2 * i, units[i]);
    SetLE16(field, 2 * count, 0);
}

}  // namespace

QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionVersion(uint32_t hostVersion)
{
    gHostVersion = hostVersion;
    return kPluginInterfaceVersion;
}

QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionInit(uint32_t, uint32_t* flags)
{
    if (flags != nullptr) *flags |= 1;
    gPerfcopySettings.UseVelocity = 1;
    gPerfcopySettings.VelocityPercent = 100;
    gPerfcopySettings.UseStartTime = 1;
    gPerfcopySettings.StartTimePercent = 100;
    gPerfcopySettings.UseEndTime = 1;
    gPerfcopySettings.EndTimePercent = 100;
    return 1;
}

QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionEnumerate(uint32_t, uint32_t index, void* record)
{
    if (static_cast<int16_t>(index) >= 1) return 0;
    if (record == nullptr) return 1;
    uint8_t* bytes = static_cast<uint8_t*>(record);
    WriteTextField(bytes, kMenuText);
    WriteTextField(bytes + kTextFieldBytes, kDescription);
    WriteTextField(bytes + 2 * kTextFieldBytes, kShortName);
    SetLE32(bytes, 3 * kTextFieldBytes, 0);
    return 1;
}

QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionEnumerate_UTF16(uint32_t, uint32_t index, void* record)
{
    if (static_cast<int16_t>(index) != 0) return 0;
    if (record == nullptr) return 1;
    uint8_t* bytes = static_cast<uint8_t*>(record);
    const size_t fieldBytes = 2 * kTextFieldUnits;
    WriteTextFieldUTF16(bytes, kMenuText);
    WriteTextFieldUTF16(bytes + fieldBytes, kDescription);
    WriteTextFieldUTF16(bytes + 2 * fieldBytes, kShortName);
    SetLE32(bytes, 3 * fieldBytes, 0);
    return 1;
}

QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionGetMenuStatus(uint32_t)
{
    return 1;
}

QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionInvoke(HWND hostWindow, uint32_t, uint32_t, uint32_t)
{
    // Made on the first call, with that call's window, and destroyed when
    // the library is unloaded.
    static FCUI ui(hostWindow);
    gUI = &ui;
    if (gPerfcopyWindow == nullptr) {
        gPerfcopyWindow = new FCPerfcopyWindow();
        gPerfcopyWindow->BindControls();
    }
    gPerfcopyWindow->ShowModeless();
    return 0;
}

QV_REALIGN_STACK void QV_CDECL FinaleExtensionTerminate(uint32_t)
{
    if (gPerfcopyWindow == nullptr) return;
    SaveWindowSettings(gPerfcopyWindow);
    FCUserWindow* window = gPerfcopyWindow;
    gPerfcopyWindow = nullptr;
    delete window;
}
