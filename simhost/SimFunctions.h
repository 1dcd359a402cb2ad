// The simulated host's FX_ functions, with the argument lists of the real
// host. On Windows they are exported from the host program under these plain
// names; natively RegisterModule hands them to the Win32 stand-in.
#pragma once

#include "host/HostFunctionTypes.h"

#ifdef _WIN32
#define SIMHOST_EXPORT extern "C" __declspec(dllexport)
#else
#define SIMHOST_EXPORT
#endif

namespace simhost {

// The functions with 16-bit results are not exported under their own names:
// on Windows the host program exports them through shims that return them
// as a host built by another compiler may (windows/NarrowResults.cpp).

int16_t QV_CDECL FX_LoadEData(uint32_t tag, void* key, void* data, uint32_t* size,
                                            uint32_t recordVersion);
int16_t QV_CDECL FX_SaveEData(uint32_t tag, void* key, void* data, uint32_t size,
                                            uint32_t recordVersion);
int16_t QV_CDECL FX_CreateEData(uint32_t tag, void* key, void* data, uint32_t size,
                                              uint32_t recordVersion);
int16_t QV_CDECL FX_DeleteEData(uint32_t tag, void* key, uint32_t recordVersion);
int16_t QV_CDECL FX_NextEData(uint32_t tag, void* key, int32_t zero1, int32_t zero2,
                                            uint32_t recordVersion);
SIMHOST_EXPORT void* QV_CDECL FX_LoadTGF(int32_t zero, int16_t slot, int16_t measure, int32_t layer,
                                        uint8_t loadOption, uint32_t version);
int16_t QV_CDECL FX_SaveTGF(void* frame, uint32_t version);
SIMHOST_EXPORT void QV_CDECL FX_FreeTGF(void* frame, uint32_t version);
int16_t QV_CDECL FX_GetMaxLayers(uint32_t version);
int16_t QV_CDECL FX_GetShowLayer(int32_t layer, uint32_t version);
int16_t QV_CDECL FX_InstToSlot(int16_t staff, int16_t slotContext, uint32_t version);
int16_t QV_CDECL FX_SlotToInst(int16_t slot, int16_t slotContext, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetCurERegions(int32_t* outValue, void* selection,
                                                 void* secondRegion, uint32_t version);
SIMHOST_EXPORT void QV_CDECL FX_RedrawMusic(void* region, uint32_t version);
int16_t QV_CDECL FX_GetCurrentEnigmaDocument(uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetCurrentPartID(uint32_t version);
SIMHOST_EXPORT HWND QV_CDECL FX_GetCurrentWindow(uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetFinalePath(int32_t selector, void* buffer, uint32_t version);
int16_t QV_CDECL FX_AutoNumberedName_UTF16(int16_t value, int16_t number,
                                                         uint16_t* buffer, int32_t capacity,
                                                         int32_t zero, uint32_t version);
// The host program built without FX_Dialog exports everything else.
#ifdef QV_HOST_WITHOUT_FX_DIALOG
int32_t QV_CDECL FX_Dialog(int16_t resource, FX_DialogProc procedure, HWND parent, int32_t zero, void* owner,
                           uint32_t version);
#else
SIMHOST_EXPORT int32_t QV_CDECL FX_Dialog(int16_t resource, FX_DialogProc procedure, HWND parent,
                                         int32_t zero, void* owner, uint32_t version);
#endif
SIMHOST_EXPORT void QV_CDECL FX_EndDialog(HWND dialog, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_EnableDlgItem(HWND dialog, int16_t item, uint8_t enable,
                                                uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetDlgItemVal(HWND dialog, int16_t item, int32_t kind,
                                                uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_SetDlgItemVal(HWND dialog, int16_t item, int32_t kind,
                                                int32_t value, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetDlgItemUser(HWND dialog, int16_t item, int32_t zero,
                                                 double* value, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_SetDlgItemUser(HWND dialog, int16_t item, int32_t zero,
                                                 double value, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetDlgString(HWND dialog, int16_t item, char* buffer,
                                               int32_t capacity, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_GetDlgString_UTF16(HWND dialog, int16_t item, uint16_t* buffer,
                                                     int32_t capacity, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_SetDlgString(HWND dialog, int16_t item, const char* text,
                                               uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_SetDlgString_UTF16(HWND dialog, int16_t item,
                                                     const uint16_t* text, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_StartFinaleEdit(const char* name, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_StartFinaleEdit_UTF16(const uint16_t* name, uint32_t version);
SIMHOST_EXPORT int32_t QV_CDECL FX_EndFinaleEdit(uint32_t version);
SIMHOST_EXPORT void QV_CDECL FX_CancelFinaleEdit(uint32_t version);

}  // namespace simhost
