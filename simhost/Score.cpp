#include "Score.h"

#include "core/ByteAccess.h"

namespace simhost {

namespace {

constexpr std::size_t kFlagsOffset = 8;
constexpr std::size_t kNoteCountOffset = 14;
constexpr std::size_t kNotesOffset = 16;
constexpr std::size_t kPositionOffset = 136;
constexpr std::size_t kSecondTimingOffset = 140;

std::size_t NoteOffset(int32_t note)
{
    return kNotesOffset + kNoteSize * static_cast<std::size_t>(note);
}

}  // namespace

namespace entry {

uint32_t Number(const EntryBytes& e) { return GetLE32(e.data(), 0); }
uint32_t Flags(const EntryBytes& e) { return GetLE32(e.data(), kFlagsOffset); }
void SetFlags(EntryBytes& e, uint32_t flags) { SetLE32(e.data(), kFlagsOffset, flags); }
uint16_t NoteCount(const EntryBytes& e) { return GetLE16(e.data(), kNoteCountOffset); }
void SetNoteCount(EntryBytes& e, uint16_t count) { SetLE16(e.data(), kNoteCountOffset, count); }
int32_t Position(const EntryBytes& e) { return GetLE32Signed(e.data(), kPositionOffset); }
int32_t SecondTiming(const EntryBytes& e) { return GetLE32Signed(e.data(), kSecondTimingOffset); }
uint16_t NoteID(const EntryBytes& e, int32_t note) { return GetLE16(e.data(), NoteOffset(note) + 4); }
uint32_t NoteFlags(const EntryBytes& e, int32_t note) { return GetLE32(e.data(), NoteOffset(note) + 6); }

}  // namespace entry

std::vector<uint8_t> EncodePerformance(uint16_t noteID, const Performance& p)
{
    std::vector<uint8_t> bytes(kPerformanceSize, 0);
    SetLE16(bytes.data(), 0, noteID);
    SetLE16(bytes.data(), 2, static_cast<uint16_t>(p.start));
    SetLE16(bytes.data(), 4, static_cast<uint16_t>(p.end));
    SetLE16(bytes.data(), 6, p.reserved);
    SetLE16(bytes.data(), 8, static_cast<uint16_t>(p.velocity));
    return bytes;
}

std::pair<uint16_t, Performance> DecodePerformance(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> padded(bytes);
    padded.resize(kPerformanceSize > bytes.size() ? kPerformanceSize : bytes.size(), 0);
    Performance p;
    p.start = GetLE16Signed(padded.data(), 2);
    p.end = GetLE16Signed(padded.data(), 4);
    p.reserved = GetLE16(padded.data(), 6);
    p.velocity = GetLE16Signed(padded.data(), 8);
    return { GetLE16(padded.data(), 0), p };
}

const std::vector<int16_t>& Score::StaffList(int16_t slotContext) const
{
    static const std::vector<int16_t> none;
    if (slotContext == 0) return staffOrder;
    auto list = otherStaffLists.find(slotContext);
    return list != otherStaffLists.end() ? list->second : none;
}

int16_t Score::SlotOf(int16_t staff, int16_t slotContext) const
{
    const std::vector<int16_t>& list = StaffList(slotContext);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == staff) return static_cast<int16_t>(i + 1);
    }
    return 0;
}

int16_t Score::StaffAt(int16_t slot, int16_t slotContext) const
{
    const std::vector<int16_t>& list = StaffList(slotContext);
    if (slot < 1 || static_cast<std::size_t>(slot) > list.size()) return 0;
    return list[static_cast<std::size_t>(slot) - 1];
}

bool Score::IsLayerShown(int32_t layer) const
{
    return layer >= 0 && layer < maxLayers && hiddenLayers.count(layer) == 0;
}

uint32_t Score::HighestEntryNumber() const
{
    uint32_t highest = 0;
    for (const auto& frame : frames) {
        for (const EntryBytes& e : frame.second.entries) {
            if (entry::Number(e) > highest) highest = entry::Number(e);
        }
    }
    return highest;
}

uint32_t Score::AddEntry(int16_t staff, int16_t measure, int32_t layer, const EntrySpec& spec)
{
    const uint32_t number = spec.number != 0 ? spec.number : HighestEntryNumber() + 1;
    EntryBytes e{};
    SetLE32(e.data(), 0, number);
    entry::SetFlags(e, spec.flags);
    const std::size_t noteCount = spec.notes.size() < kNotesPerEntry ? spec.notes.size() : kNotesPerEntry;
    entry::SetNoteCount(e, static_cast<uint16_t>(noteCount));
    for (std::size_t k = 0; k < noteCount; ++k) {
        SetLE16(e.data(), NoteOffset(static_cast<int32_t>(k)) + 4, spec.notes[k].id);
        SetLE32(e.data(), NoteOffset(static_cast<int32_t>(k)) + 6, spec.notes[k].flags);
    }
    SetLE32(e.data(), kPositionOffset, static_cast<uint32_t>(spec.position));
    SetLE32(e.data(), kSecondTimingOffset, static_cast<uint32_t>(spec.secondTiming));
    frames[FrameKey(staff, measure, layer)].entries.push_back(e);
    if (measure > measureCount) measureCount = measure;

    for (std::size_t k = 0; k < noteCount; ++k) {
        if (!spec.notes[k].performance) continue;
        uint8_t key[8] = {};
        SetLE32(key, 0, number);
        SetLE16(key, 4, 0xFFFF);
        std::vector<uint8_t> bytes = EncodePerformance(spec.notes[k].id, *spec.notes[k].performance);
        records.Create(kPerformanceTag, key, bytes.data(), kPerformanceSize, true);
    }
    return number;
}

EntryBytes* Score::FindEntry(uint32_t number)
{
    for (auto& frame : frames) {
        for (EntryBytes& e : frame.second.entries) {
            if (entry::Number(e) == number) return &e;
        }
    }
    return nullptr;
}

std::optional<Performance> Score::PerformanceOf(uint32_t entryNumber, uint16_t noteID) const
{
    uint8_t key[8] = {};
    SetLE32(key, 0, entryNumber);
    for (uint32_t inci = 0; inci <= 0x7FFF; ++inci) {
        SetLE16(key, 4, static_cast<uint16_t>(inci));
        const std::vector<uint8_t>* bytes = records.Find(kPerformanceTag, key);
        if (bytes == nullptr) break;
        auto decoded = DecodePerformance(*bytes);
        if (decoded.first == noteID) return decoded.second;
    }
    return std::nullopt;
}

bool Score::operator==(const Score& other) const
{
    return hostVersion == other.hostVersion && document == other.document && part == other.part &&
           maxLayers == other.maxLayers && hiddenLayers == other.hiddenLayers &&
           measureCount == other.measureCount && staffOrder == other.staffOrder &&
           otherStaffLists == other.otherStaffLists &&
           frames == other.frames && records == other.records && selection == other.selection;
}

}  // namespace simhost
