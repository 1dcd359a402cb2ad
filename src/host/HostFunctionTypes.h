// The host's FX_ functions as the host exports them: one pointer type per
// function, with the exact argument list the host expects. 16-bit results are
// declared 16 bits wide so that callers widen them with their sign.
#pragma once

#include "core/Platform.h"

#include <cstdint>

// The interface version word: the last argument of every host call except
// the record calls, which pass the record class's own version.
constexpr uint32_t kInterfaceVersion = 0x12050000;

// The framework's dialog procedure as the host calls it: window, message,
// both message parameters and the window object handed to FX_Dialog.
typedef int32_t (QV_CDECL* FX_DialogProc)(HWND window, uint32_t message, WPARAM wParam,
                                          LPARAM lParam, void* userData);

// Records.
typedef int16_t (QV_CDECL* PFN_FX_LoadEData)(uint32_t tag, void* key, void* data, uint32_t* size,
                                             uint32_t recordVersion);
typedef int16_t (QV_CDECL* PFN_FX_SaveEData)(uint32_t tag, void* key, void* data, uint32_t size,
                                             uint32_t recordVersion);
typedef int16_t (QV_CDECL* PFN_FX_CreateEData)(uint32_t tag, void* key, void* data, uint32_t size,
                                               uint32_t recordVersion);
typedef int16_t (QV_CDECL* PFN_FX_DeleteEData)(uint32_t tag, void* key, uint32_t recordVersion);
typedef int16_t (QV_CDECL* PFN_FX_NextEData)(uint32_t tag, void* key, int32_t zero1, int32_t zero2,
                                             uint32_t recordVersion);

// Entry frames.
typedef void* (QV_CDECL* PFN_FX_LoadTGF)(int32_t zero, int16_t slot, int16_t measure, int32_t layer,
                                         uint8_t loadOption, uint32_t version);
typedef int16_t (QV_CDECL* PFN_FX_SaveTGF)(void* frame, uint32_t version);
typedef void (QV_CDECL* PFN_FX_FreeTGF)(void* frame, uint32_t version);
typedef int16_t (QV_CDECL* PFN_FX_GetMaxLayers)(uint32_t version);
typedef int16_t (QV_CDECL* PFN_FX_GetShowLayer)(int32_t layer, uint32_t version);

// Staff slots.
typedef int16_t (QV_CDECL* PFN_FX_InstToSlot)(int16_t staff, int16_t slotContext, uint32_t version);
typedef int16_t (QV_CDECL* PFN_FX_SlotToInst)(int16_t slot, int16_t slotContext, uint32_t version);

// Selection and redraw.
typedef int32_t (QV_CDECL* PFN_FX_GetCurERegions)(int32_t* outValue, void* selection,
                                                  void* secondRegion, uint32_t version);
typedef void (QV_CDECL* PFN_FX_RedrawMusic)(void* region, uint32_t version);

// Current document, part and window.
typedef int16_t (QV_CDECL* PFN_FX_GetCurrentEnigmaDocument)(uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_GetCurrentPartID)(uint32_t version);
typedef HWND (QV_CDECL* PFN_FX_GetCurrentWindow)(uint32_t version);

// Paths and names.
typedef int32_t (QV_CDECL* PFN_FX_GetFinalePath)(int32_t selector, void* buffer, uint32_t version);
typedef int16_t (QV_CDECL* PFN_FX_AutoNumberedName_UTF16)(int16_t value, int16_t number,
                                                          uint16_t* buffer, int32_t capacity,
                                                          int32_t zero, uint32_t version);

// Dialogs.
typedef int32_t (QV_CDECL* PFN_FX_Dialog)(int16_t resource, FX_DialogProc procedure, HWND parent,
                                          int32_t zero, void* owner, uint32_t version);
typedef void (QV_CDECL* PFN_FX_EndDialog)(HWND dialog, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_EnableDlgItem)(HWND dialog, int16_t item, uint8_t enable,
                                                 uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_GetDlgItemVal)(HWND dialog, int16_t item, int32_t kind,
                                                 uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_SetDlgItemVal)(HWND dialog, int16_t item, int32_t kind,
                                                 int32_t value, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_GetDlgItemUser)(HWND dialog, int16_t item, int32_t zero,
                                                  double* value, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_SetDlgItemUser)(HWND dialog, int16_t item, int32_t zero,
                                                  double value, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_GetDlgString)(HWND dialog, int16_t item, char* buffer,
                                                int32_t capacity, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_GetDlgString_UTF16)(HWND dialog, int16_t item, uint16_t* buffer,
                                                      int32_t capacity, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_SetDlgString)(HWND dialog, int16_t item, const char* text,
                                                uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_SetDlgString_UTF16)(HWND dialog, int16_t item,
                                                      const uint16_t* text, uint32_t version);

// Undoable edits.
typedef int32_t (QV_CDECL* PFN_FX_StartFinaleEdit)(const char* name, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_StartFinaleEdit_UTF16)(const uint16_t* name, uint32_t version);
typedef int32_t (QV_CDECL* PFN_FX_EndFinaleEdit)(uint32_t version);
typedef void (QV_CDECL* PFN_FX_CancelFinaleEdit)(uint32_t version);
