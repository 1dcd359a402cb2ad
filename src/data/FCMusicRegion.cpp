#include "FCMusicRegion.h"

#include "core/ByteAccess.h"
#include "host/HostFunctions.h"

static const char kMusicRegionClassName[] = "FCMusicRegion";

namespace {

constexpr size_t kStartSlotContext = 0;
constexpr size_t kStartSlot = 2;
constexpr size_t kStartMeasure = 4;
constexpr size_t kStartPosition = 6;
constexpr size_t kEndSlotContext = 10;
constexpr size_t kEndSlot = 12;
constexpr size_t kEndMeasure = 14;
constexpr size_t kEndPosition = 16;

}  // namespace

const char* FCMusicRegion::ClassName() const
{
    return kMusicRegionClassName;
}

void FCMusicRegion::SetCurrentSelection()
{
    int32_t unused = 0;
    uint8_t secondRegion[kRecordSize] = {};
    FX_GetCurERegions(&unused, record_, secondRegion);
    document_ = static_cast<int16_t>(FX_GetCurrentEnigmaDocument());
}

bool FCMusicRegion::IsEntryInRegion(const FCNoteEntry* entry) const
{
    if (entry == nullptr) return false;
    const int32_t measure = entry->GetMeasure();
    if (measure > GetEndMeasure() || measure < GetStartMeasure()) return false;
    const int32_t slot = FX_InstToSlot(entry->GetStaff(), GetStartSlotContext());
    if (slot < 1 || slot < GetStartSlot() || slot > GetEndSlot()) return false;
    if (measure == GetStartMeasure() && entry->GetPosition() < GetStartPosition()) return false;
    if (measure == GetEndMeasure() && entry->GetPosition() > GetEndPosition()) return false;
    return true;
}

bool FCMusicRegion::IsSameRegion(const FCMusicRegion* other) const
{
    if (other == nullptr) return false;
    if (GetStartSlotContext() != other->GetStartSlotContext()) return false;
    if (FX_SlotToInst(GetStartSlot(), GetStartSlotContext()) !=
        FX_SlotToInst(other->GetStartSlot(), other->GetStartSlotContext()))
        return false;
    if (FX_SlotToInst(GetEndSlot(), GetEndSlotContext()) !=
        FX_SlotToInst(other->GetEndSlot(), other->GetEndSlotContext()))
        return false;
    if (GetStartMeasure() != other->GetStartMeasure() || GetEndMeasure() != other->GetEndMeasure())
        return false;
    return GetStartPosition() == other->GetStartPosition() &&
           GetEndPosition() == other->GetEndPosition();
}

int16_t FCMusicRegion::GetStartSlotContext() const { return GetLE16Signed(record_, kStartSlotContext); }
int16_t FCMusicRegion::GetStartSlot() const { return GetLE16Signed(record_, kStartSlot); }
int16_t FCMusicRegion::GetStartMeasure() const { return GetLE16Signed(record_, kStartMeasure); }
int32_t FCMusicRegion::GetStartPosition() const { return GetLE32Signed(record_, kStartPosition); }
int16_t FCMusicRegion::GetEndSlotContext() const { return GetLE16Signed(record_, kEndSlotContext); }
int16_t FCMusicRegion::GetEndSlot() const { return GetLE16Signed(record_, kEndSlot); }
int16_t FCMusicRegion::GetEndMeasure() const { return GetLE16Signed(record_, kEndMeasure); }
int32_t FCMusicRegion::GetEndPosition() const { return GetLE32Signed(record_, kEndPosition); }

void FCMusicRegion::SetStartSlotContext(int16_t v) { SetLE16(record_, kStartSlotContext, static_cast<uint16_t>(v)); }
void FCMusicRegion::SetStartSlot(int16_t v) { SetLE16(record_, kStartSlot, static_cast<uint16_t>(v)); }
void FCMusicRegion::SetStartMeasure(int16_t v) { SetLE16(record_, kStartMeasure, static_cast<uint16_t>(v)); }
void FCMusicRegion::SetStartPosition(int32_t v) { SetLE32(record_, kStartPosition, static_cast<uint32_t>(v)); }
void FCMusicRegion::SetEndSlotContext(int16_t v) { SetLE16(record_, kEndSlotContext, static_cast<uint16_t>(v)); }
void FCMusicRegion::SetEndSlot(int16_t v) { SetLE16(record_, kEndSlot, static_cast<uint16_t>(v)); }
void FCMusicRegion::SetEndMeasure(int16_t v) { SetLE16(record_, kEndMeasure, static_cast<uint16_t>(v)); }
void FCMusicRegion::SetEndPosition(int32_t v) { SetLE32(record_, kEndPosition, static_cast<uint32_t>(v)); }
