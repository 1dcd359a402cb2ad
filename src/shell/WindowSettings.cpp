#include "WindowSettings.h"

#include "core/FCFileStream.h"
#include "core/FCSettingsPairs.h"
#include "shell/Globals.h"
#include "sync/ClampPercent.h"
#include "ui/FCUserWindow.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kWindowX[] = "QVPERFCOPY_WINDOWX2";
const char kWindowY[] = "QVPERFCOPY_WINDOWY2";
const char kWindowWidth[] = "QVPERFCOPY_WINDOWWIDTH2";
const char kWindowHeight[] = "QVPERFCOPY_WINDOWHEIGHT2";
const char kUseVelocity[] = "QVPERFCOPY_USEVELOCITY";
const char kVelocity[] = "QVPERFCOPY_VELOCITY";
const char kUseStartTime[] = "QVPERFCOPY_USESTARTTIME";
const char kStartTime[] = "QVPERFCOPY_STARTTIME";
const char kUseEndTime[] = "QVPERFCOPY_USEENDTIME";
const char kEndTime[] = "QVPERFCOPY_ENDTIME";

// The geometry the save writes for a part that was never stored.
constexpr int32_t kNotStored = -1;

// The pairs of the settings file (caller owns), or null when it cannot be read.
FCSettingsPairs* ReadPairs()
{
    FCTextFileStream* stream = CreateSettingsFileStream();
    FCSettingsPairs* pairs = nullptr;
    if (stream->OpenRead()) {
        // An open stream always reads a list, if an empty one.
        FCStrings* lines = stream->ReadAllLines();
        stream->Close();
        pairs = lines->CreateSettingsPairs();
        delete lines;
    }
    delete stream;
    return pairs;
}

FCSettingsPair* Find(FCSettingsPairs* pairs, const char* key)
{
    FCString text(key);
    return pairs->Find(&text);
}

// The C library's reading of a decimal number: leading white space and a
// sign, 0 without digits; kept within 32 bits.
int32_t ToInteger(FCSettingsPair* pair)
{
    const long value = std::strtol(pair->GetValue()->GetCString(), nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void LoadField(FCSettingsPairs* pairs, const char* useKey, const char* percentKey, uint8_t& use, int32_t& percent)
{
    if (FCSettingsPair* pair = Find(pairs, useKey)) {
        use = std::strcmp(pair->GetValue()->GetCString(), "1") == 0 ? 1 : 0;
    }
    if (FCSettingsPair* pair = Find(pairs, percentKey)) percent = ClampPercent(ToInteger(pair));
}

void SetInt(FCSettingsPairs* pairs, const char* key, int32_t value)
{
    FCString text(key);
    pairs->SetIntValue(&text, value);
}

void SetBool(FCSettingsPairs* pairs, const char* key, bool value)
{
    FCString text(key);
    pairs->SetBoolValue(&text, value);
}

}  // namespace

void LoadWindowSettings(FCUserWindow* window)
{
    FCSettingsPairs* pairs = ReadPairs();
    if (pairs == nullptr) return;
    FCSettingsPair* x = Find(pairs, kWindowX);
    FCSettingsPair* y = Find(pairs, kWindowY);
    FCSettingsPair* width = Find(pairs, kWindowWidth);
    FCSettingsPair* height = Find(pairs, kWindowHeight);
    // The values as they are, -1 included: a size of -1 becomes the
    // window's minimum when it is applied.
    if (window != nullptr && x != nullptr && y != nullptr && width != nullptr && height != nullptr) {
        window->SetStoredGeometry(ToInteger(x), ToInteger(y), ToInteger(width), ToInteger(height));
    }
    LoadField(pairs, kUseVelocity, kVelocity, gPerfcopySettings.UseVelocity, gPerfcopySettings.VelocityPercent);
    LoadField(pairs, kUseStartTime, kStartTime, gPerfcopySettings.UseStartTime, gPerfcopySettings.StartTimePercent);
    LoadField(pairs, kUseEndTime, kEndTime, gPerfcopySettings.UseEndTime, gPerfcopySettings.EndTimePercent);
    delete pairs;
}

void SaveWindowSettings(FCUserWindow* window)
{
    if (window == nullptr) return;
    FCSettingsPairs* pairs = ReadPairs();
    if (pairs == nullptr) return;
    const bool position = window->IsPositionStored();
    const bool size = window->IsSizeStored();
    SetInt(pairs, kWindowX, position ? window->GetStoredLeft() : kNotStored);
    SetInt(pairs, kWindowY, position ? window->GetStoredTop() : kNotStored);
    SetInt(pairs, kWindowWidth, size ? window->GetStoredWidth() : kNotStored);
    SetInt(pairs, kWindowHeight, size ? window->GetStoredHeight() : kNotStored);
    SetBool(pairs, kUseVelocity, gPerfcopySettings.UseVelocity != 0);
    SetInt(pairs, kVelocity, gPerfcopySettings.VelocityPercent);
    SetBool(pairs, kUseStartTime, gPerfcopySettings.UseStartTime != 0);
    SetInt(pairs, kStartTime, gPerfcopySettings.StartTimePercent);
    SetBool(pairs, kUseEndTime, gPerfcopySettings.UseEndTime != 0);
    SetInt(pairs, kEndTime, gPerfcopySettings.EndTimePercent);
    pairs->SaveToFile();
    delete pairs;
}
