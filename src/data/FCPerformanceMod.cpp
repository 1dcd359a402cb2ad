#include "FCPerformanceMod.h"

#include "core/ByteAccess.h"
#include "data/EntryFrame.h"
#include "host/HostFunctions.h"

#include <cstring>

static const char kPerformanceModClassName[] = "FCPerformanceMods";

namespace {

constexpr size_t kNoteIDOffset = 0;
constexpr size_t kStartOffset = 2;
constexpr size_t kEndOffset = 4;
constexpr size_t kVelocityOffset = 8;

}  // namespace

FCPerformanceMod::FCPerformanceMod()
{
    UseInObjectData(data_, kDataSize);
}

const char* FCPerformanceMod::ClassName() const
{
    return kPerformanceModClassName;
}

uint32_t FCPerformanceMod::EntryNumberOf(const FCNoteEntry* entry)
{
    return entry != nullptr && entry->GetRecord() != nullptr ? entry->GetEntryNumber() : 0;
}

bool FCPerformanceMod::Reload()
{
    if (GetLoadedSizeField() == 0) return false;
    return Load(GetEntryNumber(), GetInci());
}

bool FCPerformanceMod::LoadFirst()
{
    if (entry_ == nullptr) return false;
    return Load(EntryNumberOf(entry_), 0);
}

bool FCPerformanceMod::LoadNext()
{
    const int16_t inci = GetInci();
    if (inci >= kMaxInci) return false;
    SetEntryKey(GetEntryNumber(), static_cast<int16_t>(inci + 1));
    if (LoadByKey()) return true;
    SetEntryKey(GetEntryNumber(), inci);
    return false;
}

bool FCPerformanceMod::Load(uint32_t entryNumber, int16_t inci)
{
    SetEntryKey(entryNumber, inci);
    return LoadByKey();
}

void FCPerformanceMod::SetNoteEntry(FCNoteEntry* entry)
{
    entry_ = entry;
    SetEntryKey(EntryNumberOf(entry), GetInci());
}

void FCPerformanceMod::SetEntryFlag(FCNoteEntry* entry, bool on)
{
    if (entry != nullptr && entry->GetRecord() != nullptr) entry->SetFlag(frame::kEntryPerformanceFlag, on);
}

void FCPerformanceMod::SetNoteID(uint16_t noteID)
{
    SetLE16(data_, kNoteIDOffset, noteID);
}

bool FCPerformanceMod::IsNoteIDMatch(const void* data, uint16_t noteID) const
{
    return GetLE16(data, 0) == noteID;
}

void FCPerformanceMod::SetNoteFlag(FCNote* note, bool on)
{
    if (note == nullptr || note->GetEntry() == nullptr) return;
    note->GetEntry()->SetFlag(frame::kNotePerformanceFlag, on);
}

bool FCPerformanceMod::HasNoteFlag(FCNote* note) const
{
    if (note == nullptr || note->GetEntry() == nullptr) return false;
    return note->GetEntry()->HasFlag(frame::kNotePerformanceFlag);
}

int16_t FCPerformanceMod::FindInciForNoteID(FCNoteEntry* entry, uint16_t noteID) const
{
    uint8_t key[8] = {};
    SetLE32(key, 0, EntryNumberOf(entry));
    uint8_t scratch[kDataSize];
    for (int32_t inci = 0; inci <= kMaxInci; ++inci) {
        SetLE16(key, 4, static_cast<uint16_t>(inci));
        std::memset(scratch, 0, sizeof scratch);
        uint32_t size = kDataSize;
        if (FX_LoadEData(kTag, key, scratch, &size, kVersion) == 0) return -1;
        if (IsNoteIDMatch(scratch, noteID)) return static_cast<int16_t>(inci);
    }
    return -1;
}

bool FCPerformanceMod::LoadForNote(FCNote* note)
{
    if (note == nullptr || !HasNoteFlag(note)) return false;
    int16_t inci = FindInciForNoteID(note->GetEntry(), note->GetNoteID());
    if (inci < 0) return false;
    return Load(EntryNumberOf(note->GetEntry()), inci);
}

bool FCPerformanceMod::SaveForNote(FCNote* note)
{
    if (note == nullptr) return false;
    FCNoteEntry* entry = note->GetEntry();
    const uint32_t entryNumber = EntryNumberOf(entry);
    int16_t inci = FindInciForNoteID(entry, note->GetNoteID());
    uint8_t key[8] = {};
    SetLE32(key, 0, entryNumber);
    SetLE16(key, 4, static_cast<uint16_t>(inci));
    SetNoteID(note->GetNoteID());
    if (inci == -1) {
        if (FX_CreateEData(kTag, key, data_, kDataSize, kVersion) == 0) return false;
        // The host may not tell where it put the record: find it by note ID.
        inci = FindInciForNoteID(entry, note->GetNoteID());
        SetLE16(key, 4, static_cast<uint16_t>(inci));
    } else if (FX_SaveEData(kTag, key, data_, kDataSize, kVersion) == 0) {
        return false;
    }
    SetEntryKey(GetLE32(key, 0), static_cast<int16_t>(GetLE16(key, 4)));
    SetLoadedSize(kDataSize);
    SetNoteFlag(note, true);
    return true;
}

bool FCPerformanceMod::SaveNew()
{
    if (entry_ == nullptr) return false;
    uint8_t key[8] = {};
    SetLE32(key, 0, GetEntryNumber());
    SetLE16(key, 4, 0xFFFF);
    if (FX_CreateEData(kTag, key, data_, kDataSize, kVersion) == 0) return false;
    int16_t inci = static_cast<int16_t>(GetLE16(key, 4));
    if (inci == -1) {
        inci = FindLastInci();
        if (inci == -1) return false;
    }
    SetEntryKey(GetLE32(key, 0), inci);
    SetLoadedSize(kDataSize);
    SetEntryFlag(entry_, true);
    if (entry_->HasFlag(frame::kSoundingFlag)) {
        for (int32_t i = 0; i < entry_->GetCount(); ++i) SetNoteFlag(entry_->GetNoteAt(i), true);
    }
    return true;
}

int16_t FCPerformanceMod::FindLastInci() const
{
    if (entry_ == nullptr) return -1;
    FCPerformanceMod probe;
    probe.CopyKeyFrom(this);
    probe.CopyDataFrom(this);
    const uint32_t entryNumber = EntryNumberOf(entry_);
    if (!probe.Load(entryNumber, 0)) return -1;
    int16_t result = probe.GetInci();
    for (int32_t step = 0; step < kMaxInci; ++step) {
        if (FX_NextEData(kTag, probe.GetKey(), 0, 0, kVersion) == 0) break;
        if (probe.GetEntryNumber() != entryNumber || !probe.LoadByKey()) break;
        result = probe.GetInci();
    }
    return result;
}

uint16_t FCPerformanceMod::GetNoteID() const
{
    return GetLE16(data_, kNoteIDOffset);
}

int16_t FCPerformanceMod::GetStartOffset() const
{
    return GetLE16Signed(data_, kStartOffset);
}

void FCPerformanceMod::SetStartOffset(int16_t value)
{
    SetLE16(data_, kStartOffset, static_cast<uint16_t>(value));
}

int16_t FCPerformanceMod::GetEndOffset() const
{
    return GetLE16Signed(data_, kEndOffset);
}

void FCPerformanceMod::SetEndOffset(int16_t value)
{
    SetLE16(data_, kEndOffset, static_cast<uint16_t>(value));
}

int16_t FCPerformanceMod::GetVelocity() const
{
    return GetLE16Signed(data_, kVelocityOffset);
}

void FCPerformanceMod::SetVelocity(int16_t value)
{
    SetLE16(data_, kVelocityOffset, static_cast<uint16_t>(value));
}
