// The host's functions with 16-bit results, exported under their own names.
// A host built by another compiler returns such a result in the low half of
// the register and may leave anything in the high half; these shims leave
// 0xA5A5 there, so that a plug-in that reads more than 16 bits goes wrong
// in every test.
#include "SimFunctions.h"

namespace {

constexpr uint32_t kHighHalf = 0xA5A50000u;

uint32_t Dirty(int16_t result)
{
    return kHighHalf | static_cast<uint16_t>(result);
}

}  // namespace

extern "C" {

__declspec(dllexport) uint32_t __cdecl FX_LoadEData(uint32_t tag, void* key, void* data, uint32_t* size,
                                                    uint32_t recordVersion)
{
    return Dirty(simhost::FX_LoadEData(tag, key, data, size, recordVersion));
}

__declspec(dllexport) uint32_t __cdecl FX_SaveEData(uint32_t tag, void* key, void* data, uint32_t size,
                                                    uint32_t recordVersion)
{
    return Dirty(simhost::FX_SaveEData(tag, key, data, size, recordVersion));
}

__declspec(dllexport) uint32_t __cdecl FX_CreateEData(uint32_t tag, void* key, void* data, uint32_t size,
                                                      uint32_t recordVersion)
{
    return Dirty(simhost::FX_CreateEData(tag, key, data, size, recordVersion));
}

__declspec(dllexport) uint32_t __cdecl FX_DeleteEData(uint32_t tag, void* key, uint32_t recordVersion)
{
    return Dirty(simhost::FX_DeleteEData(tag, key, recordVersion));
}

__declspec(dllexport) uint32_t __cdecl FX_NextEData(uint32_t tag, void* key, int32_t zero1, int32_t zero2,
                                                    uint32_t recordVersion)
{
    return Dirty(simhost::FX_NextEData(tag, key, zero1, zero2, recordVersion));
}

__declspec(dllexport) uint32_t __cdecl FX_SaveTGF(void* frame, uint32_t version)
{
    return Dirty(simhost::FX_SaveTGF(frame, version));
}

__declspec(dllexport) uint32_t __cdecl FX_GetMaxLayers(uint32_t version)
{
    return Dirty(simhost::FX_GetMaxLayers(version));
}

__declspec(dllexport) uint32_t __cdecl FX_GetShowLayer(int32_t layer, uint32_t version)
{
    return Dirty(simhost::FX_GetShowLayer(layer, version));
}

__declspec(dllexport) uint32_t __cdecl FX_InstToSlot(int16_t staff, int16_t slotContext, uint32_t version)
{
    return Dirty(simhost::FX_InstToSlot(staff, slotContext, version));
}

__declspec(dllexport) uint32_t __cdecl FX_SlotToInst(int16_t slot, int16_t slotContext, uint32_t version)
{
    return Dirty(simhost::FX_SlotToInst(slot, slotContext, version));
}

__declspec(dllexport) uint32_t __cdecl FX_GetCurrentEnigmaDocument(uint32_t version)
{
    return Dirty(simhost::FX_GetCurrentEnigmaDocument(version));
}

__declspec(dllexport) uint32_t __cdecl FX_AutoNumberedName_UTF16(int16_t value, int16_t number, uint16_t* buffer,
                                                                 int32_t capacity, int32_t zero, uint32_t version)
{
    return Dirty(simhost::FX_AutoNumberedName_UTF16(value, number, buffer, capacity, zero, version));
}

}  // extern "C"
