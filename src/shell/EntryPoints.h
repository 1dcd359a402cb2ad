// The plug-in's exported entry points, as the host calls them.
#pragma once

#include "core/Platform.h"

#include <cstdint>

// Size of the menu record filled by FinaleExtensionEnumerate: three 64-byte
// 8-bit text fields and a 32-bit zero.
constexpr uint32_t kMenuRecordSize = 196;
// Size of the record filled by FinaleExtensionEnumerate_UTF16: three fields of
// 128 UTF-16 units and a 32-bit zero.
constexpr uint32_t kMenuRecordSizeUTF16 = 772;

extern "C" {

// Stores the host's version and declares the plug-in interface version.
QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionVersion(uint32_t hostVersion);
// Sets bit 0 of the host's flags word and the default field choices.
QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionInit(uint32_t unused, uint32_t* flags);
// Fills the menu record for item 0 (and any negative index); 0 for the others.
QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionEnumerate(uint32_t unused, uint32_t index, void* record);
// The UTF-16 form of the menu record, for item 0 only.
QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionEnumerate_UTF16(uint32_t unused, uint32_t index, void* record);
// The menu item is always enabled.
QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionGetMenuStatus(uint32_t unused);
// The menu command: opens the tool window, or brings it to the front.
// The first call's window is the owner of every message box. Answers 0.
QV_REALIGN_STACK uint32_t QV_CDECL FinaleExtensionInvoke(HWND hostWindow, uint32_t unused1, uint32_t unused2, uint32_t unused3);
// Saves the settings and destroys the tool window, if there is one.
QV_REALIGN_STACK void QV_CDECL FinaleExtensionTerminate(uint32_t unused);

}
