#include "HostFunctions.h"

#include "data/EntryFrame.h"
#include "host/HostModule.h"

namespace {

// Host edits started and not yet ended or cancelled.
int32_t gEditDepth = 0;

}  // namespace

int32_t FX_LoadEData(uint32_t tag, void* key, void* data, uint32_t* size, uint32_t recordVersion)
{
    LOOK_UP_HOST(FX_LoadEData);
    return host ? host(tag, key, data, size, recordVersion) : 0;
}

int32_t FX_SaveEData(uint32_t tag, void* key, void* data, uint32_t size, uint32_t recordVersion)
{
    LOOK_UP_HOST(FX_SaveEData);
    return host ? host(tag, key, data, size, recordVersion) : 0;
}

int32_t FX_CreateEData(uint32_t tag, void* key, void* data, uint32_t size, uint32_t recordVersion)
{
    LOOK_UP_HOST(FX_CreateEData);
    return host ? host(tag, key, data, size, recordVersion) : 0;
}

int32_t FX_DeleteEData(uint32_t tag, void* key, uint32_t recordVersion)
{
    LOOK_UP_HOST(FX_DeleteEData);
    return host ? host(tag, key, recordVersion) : 0;
}

int32_t FX_NextEData(uint32_t tag, void* key, int32_t zero1, int32_t zero2, uint32_t recordVersion)
{
    LOOK_UP_HOST(FX_NextEData);
    return host ? host(tag, key, zero1, zero2, recordVersion) : 0;
}

void* FX_LoadTGF(int32_t zero, int16_t slot, int16_t measure, int32_t layer, uint8_t loadOption,
                 uint32_t version)
{
    LOOK_UP_HOST(FX_LoadTGF);
    return host ? host(zero, slot, measure, layer, loadOption, version) : nullptr;
}

int32_t FX_SaveTGF(void* frame, uint32_t version)
{
    // The host expects every note to have an ID of its own, even when it
    // cannot take the frame.
    frame::NormaliseForSave(frame);
    LOOK_UP_HOST(FX_SaveTGF);
    return host ? host(frame, version) : 0;
}

void FX_FreeTGF(void* frame, uint32_t version)
{
    LOOK_UP_HOST(FX_FreeTGF);
    if (host) host(frame, version);
}

int32_t FX_GetMaxLayers(uint32_t version)
{
    LOOK_UP_HOST(FX_GetMaxLayers);
    return host ? host(version) : 4;
}

int32_t FX_GetShowLayer(int32_t layer, uint32_t version)
{
    LOOK_UP_HOST(FX_GetShowLayer);
    return host ? host(layer, version) : 0;
}

int32_t FX_InstToSlot(int16_t staff, int16_t slotContext, uint32_t version)
{
    LOOK_UP_HOST(FX_InstToSlot);
    return host ? host(staff, slotContext, version) : 0;
}

int32_t FX_SlotToInst(int16_t slot, int16_t slotContext, uint32_t version)
{
    LOOK_UP_HOST(FX_SlotToInst);
    return host ? host(slot, slotContext, version) : 0;
}

void FX_GetCurERegions(int32_t* outValue, void* selection, void* secondRegion, uint32_t version)
{
    LOOK_UP_HOST(FX_GetCurERegions);
    if (host) host(outValue, selection, secondRegion, version);
}

void FX_RedrawMusic(void* region, uint32_t version)
{
    LOOK_UP_HOST(FX_RedrawMusic);
    if (host) host(region, version);
}

int32_t FX_GetCurrentEnigmaDocument(uint32_t version)
{
    LOOK_UP_HOST(FX_GetCurrentEnigmaDocument);
    return host ? host(version) : 0;
}

int32_t FX_GetCurrentPartID(uint32_t version)
{
    LOOK_UP_HOST(FX_GetCurrentPartID);
    return host ? host(version) : -1;
}

HWND FX_GetCurrentWindow(uint32_t version)
{
    LOOK_UP_HOST(FX_GetCurrentWindow);
    return host ? host(version) : nullptr;
}

void FX_GetFinalePath(int32_t selector, void* buffer, uint32_t version)
{
    LOOK_UP_HOST(FX_GetFinalePath);
    if (host) host(selector, buffer, version);
}

int32_t FX_AutoNumberedName_UTF16(int16_t value, int16_t number, uint16_t* buffer, int32_t capacity,
                                  int32_t zero, uint32_t version)
{
    LOOK_UP_HOST(FX_AutoNumberedName_UTF16);
    return host ? host(value, number, buffer, capacity, zero, version) : 0;
}

void FX_Dialog(int16_t resource, FX_DialogProc procedure, HWND parent, int32_t zero, void* owner,
               uint32_t version)
{
    LOOK_UP_HOST(FX_Dialog);
    if (host) host(resource, procedure, parent, zero, owner, version);
}

void FX_EndDialog(HWND dialog, uint32_t version)
{
    LOOK_UP_HOST(FX_EndDialog);
    if (host) {
        host(dialog, version);
        return;
    }
    // A host that made the dialog but cannot end it would keep calling the
    // procedure for a window object that is gone: the dialog ends here
    // (DestroyWindow refuses a handle whose window is gone already).
    if (dialog != nullptr) DestroyWindow(dialog);
}

void FX_EnableDlgItem(HWND dialog, int16_t item, uint8_t enable, uint32_t version)
{
    LOOK_UP_HOST(FX_EnableDlgItem);
    if (host) host(dialog, item, enable, version);
}

int32_t FX_GetDlgItemVal(HWND dialog, int16_t item, int32_t kind, uint32_t version)
{
    LOOK_UP_HOST(FX_GetDlgItemVal);
    return host ? host(dialog, item, kind, version) : 0;
}

void FX_SetDlgItemVal(HWND dialog, int16_t item, int32_t kind, int32_t value, uint32_t version)
{
    LOOK_UP_HOST(FX_SetDlgItemVal);
    if (host) host(dialog, item, kind, value, version);
}

void FX_GetDlgItemUser(HWND dialog, int16_t item, int32_t zero, double* value, uint32_t version)
{
    LOOK_UP_HOST(FX_GetDlgItemUser);
    if (host) host(dialog, item, zero, value, version);
}

void FX_SetDlgItemUser(HWND dialog, int16_t item, int32_t zero, double value, uint32_t version)
{
    LOOK_UP_HOST(FX_SetDlgItemUser);
    if (host) host(dialog, item, zero, value, version);
}

void FX_GetDlgString(HWND dialog, int16_t item, char* buffer, int32_t capacity, uint32_t version)
{
    LOOK_UP_HOST(FX_GetDlgString);
    if (host) host(dialog, item, buffer, capacity, version);
}

void FX_GetDlgString_UTF16(HWND dialog, int16_t item, uint16_t* buffer, int32_t capacity,
                           uint32_t version)
{
    LOOK_UP_HOST(FX_GetDlgString_UTF16);
    if (host) host(dialog, item, buffer, capacity, version);
}

void FX_SetDlgString(HWND dialog, int16_t item, const char* text, uint32_t version)
{
    LOOK_UP_HOST(FX_SetDlgString);
    if (host) host(dialog, item, text, version);
}

void FX_SetDlgString_UTF16(HWND dialog, int16_t item, const uint16_t* text, uint32_t version)
{
    LOOK_UP_HOST(FX_SetDlgString_UTF16);
    if (host) host(dialog, item, text, version);
}

int32_t FX_StartFinaleEdit(const char* name, uint32_t version)
{
    ++gEditDepth;
    LOOK_UP_HOST(FX_StartFinaleEdit);
    return host ? host(name, version) : 0;
}

int32_t FX_StartFinaleEdit_UTF16(const uint16_t* name, uint32_t version)
{
    ++gEditDepth;
    LOOK_UP_HOST(FX_StartFinaleEdit_UTF16);
    return host ? host(name, version) : 0;
}

int32_t FX_EndFinaleEdit(uint32_t version)
{
    if (gEditDepth <= 0) return 1;
    --gEditDepth;
    LOOK_UP_HOST(FX_EndFinaleEdit);
    return host ? host(version) : 0;
}

void FX_CancelFinaleEdit(uint32_t version)
{
    if (gEditDepth <= 0) return;
    --gEditDepth;
    LOOK_UP_HOST(FX_CancelFinaleEdit);
    if (host) host(version);
}
