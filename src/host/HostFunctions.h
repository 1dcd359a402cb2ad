// The plug-in's side of the host function table: one local function per host
// FX_ function, under the host function's own name and with its argument
// list. Each finds the host function on first use and returns a fixed
// fallback, without calling anything, when the host does not export it.
// 16-bit host results come back widened with their sign; nonzero is success.
#pragma once

#include "host/HostFunctionTypes.h"

#include <cstdint>

// Records. The last argument is the record class's own version.
int32_t FX_LoadEData(uint32_t tag, void* key, void* data, uint32_t* size, uint32_t recordVersion);
int32_t FX_SaveEData(uint32_t tag, void* key, void* data, uint32_t size, uint32_t recordVersion);
int32_t FX_CreateEData(uint32_t tag, void* key, void* data, uint32_t size, uint32_t recordVersion);
int32_t FX_DeleteEData(uint32_t tag, void* key, uint32_t recordVersion);
int32_t FX_NextEData(uint32_t tag, void* key, int32_t zero1, int32_t zero2, uint32_t recordVersion);

// Entry frames.
void* FX_LoadTGF(int32_t zero, int16_t slot, int16_t measure, int32_t layer, uint8_t loadOption,
                 uint32_t version = kInterfaceVersion);
int32_t FX_SaveTGF(void* frame, uint32_t version = kInterfaceVersion);
void FX_FreeTGF(void* frame, uint32_t version = kInterfaceVersion);
// Layers per staff and measure; 4 without a host.
int32_t FX_GetMaxLayers(uint32_t version = kInterfaceVersion);
int32_t FX_GetShowLayer(int32_t layer, uint32_t version = kInterfaceVersion);

// Staff slots. A slot below 1 means the staff is not in the score.
int32_t FX_InstToSlot(int16_t staff, int16_t slotContext, uint32_t version = kInterfaceVersion);
int32_t FX_SlotToInst(int16_t slot, int16_t slotContext, uint32_t version = kInterfaceVersion);

// Selection and redraw. Without a host the records keep what they held.
void FX_GetCurERegions(int32_t* outValue, void* selection, void* secondRegion,
                       uint32_t version = kInterfaceVersion);
void FX_RedrawMusic(void* region, uint32_t version = kInterfaceVersion);

// Current document, part (-1 without a host) and window.
int32_t FX_GetCurrentEnigmaDocument(uint32_t version = kInterfaceVersion);
int32_t FX_GetCurrentPartID(uint32_t version = kInterfaceVersion);
HWND FX_GetCurrentWindow(uint32_t version = kInterfaceVersion);

// Paths and names.
void FX_GetFinalePath(int32_t selector, void* buffer, uint32_t version = kInterfaceVersion);
int32_t FX_AutoNumberedName_UTF16(int16_t value, int16_t number, uint16_t* buffer, int32_t capacity,
                                  int32_t zero, uint32_t version = kInterfaceVersion);

// Dialogs.
void FX_Dialog(int16_t resource, FX_DialogProc procedure, HWND parent, int32_t zero, void* owner,
               uint32_t version = kInterfaceVersion);
// Without the host's function, the dialog is destroyed through Windows.
void FX_EndDialog(HWND dialog, uint32_t version = kInterfaceVersion);
void FX_EnableDlgItem(HWND dialog, int16_t item, uint8_t enable,
                      uint32_t version = kInterfaceVersion);
int32_t FX_GetDlgItemVal(HWND dialog, int16_t item, int32_t kind,
                         uint32_t version = kInterfaceVersion);
void FX_SetDlgItemVal(HWND dialog, int16_t item, int32_t kind, int32_t value,
                      uint32_t version = kInterfaceVersion);
void FX_GetDlgItemUser(HWND dialog, int16_t item, int32_t zero, double* value,
                       uint32_t version = kInterfaceVersion);
void FX_SetDlgItemUser(HWND dialog, int16_t item, int32_t zero, double value,
                       uint32_t version = kInterfaceVersion);
void FX_GetDlgString(HWND dialog, int16_t item, char* buffer, int32_t capacity,
                     uint32_t version = kInterfaceVersion);
void FX_GetDlgString_UTF16(HWND dialog, int16_t item, uint16_t* buffer, int32_t capacity,
                           uint32_t version = kInterfaceVersion);
void FX_SetDlgString(HWND dialog, int16_t item, const char* text,
                     uint32_t version = kInterfaceVersion);
void FX_SetDlgString_UTF16(HWND dialog, int16_t item, const uint16_t* text,
                           uint32_t version = kInterfaceVersion);

// Undoable edits. Every start, successful or not, allows exactly one end or
// cancel to reach the host; an end or cancel without a start never does.
int32_t FX_StartFinaleEdit(const char* name, uint32_t version = kInterfaceVersion);
int32_t FX_StartFinaleEdit_UTF16(const uint16_t* name, uint32_t version = kInterfaceVersion);
// 1 at once when no edit is open.
int32_t FX_EndFinaleEdit(uint32_t version = kInterfaceVersion);
void FX_CancelFinaleEdit(uint32_t version = kInterfaceVersion);
