// The simulated host's document: staves in score order, measures, entry
// frames per staff, measure and layer, tagged records, the selection and the
// current document and part.
#pragma once

#include "RecordStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace simhost {

constexpr std::size_t kEntrySize = 146;
constexpr std::size_t kNoteSize = 10;
constexpr int32_t kNotesPerEntry = 12;
constexpr uint32_t kPerformanceTag = 0x65646163;  // 'edac'
constexpr uint32_t kPerformanceSize = 10;

// An entry record exactly as the host keeps it in a frame.
using EntryBytes = std::array<uint8_t, kEntrySize>;

// The playback values of one note's performance record.
struct Performance {
    int16_t start = 0;
    int16_t end = 0;
    int16_t velocity = 0;
    uint16_t reserved = 0;  // bytes 6-7, carried unchanged

    bool operator==(const Performance& other) const
    {
        return start == other.start && end == other.end && velocity == other.velocity &&
               reserved == other.reserved;
    }
};

struct NoteSpec {
    uint16_t id = 0;
    uint32_t flags = 0;
    std::optional<Performance> performance;
};

struct EntrySpec {
    int32_t position = 0;
    int32_t secondTiming = 0;
    uint32_t flags = 0;
    std::vector<NoteSpec> notes;
    uint32_t number = 0;  // 0: the next free entry number
};

struct Frame {
    std::vector<EntryBytes> entries;
    bool writeGuarded = false;

    bool operator==(const Frame& other) const
    {
        return entries == other.entries && writeGuarded == other.writeGuarded;
    }
};

// A selection: staff slots (from 1) by measures, with positions at both ends.
struct Region {
    int16_t startSlotContext = 0;
    int16_t startSlot = 0;
    int16_t startMeasure = 0;
    int32_t startPosition = 0;
    int16_t endSlotContext = 0;
    int16_t endSlot = 0;
    int16_t endMeasure = 0;
    int32_t endPosition = 0;

    bool operator==(const Region& other) const
    {
        return startSlotContext == other.startSlotContext && endSlotContext == other.endSlotContext &&
               startSlot == other.startSlot && startMeasure == other.startMeasure &&
               startPosition == other.startPosition && endSlot == other.endSlot &&
               endMeasure == other.endMeasure && endPosition == other.endPosition;
    }
};

// Staff number, measure, layer index.
using FrameKey = std::tuple<int16_t, int16_t, int32_t>;

// Reading and writing the fields of an entry record.
namespace entry {
uint32_t Number(const EntryBytes& e);
uint32_t Flags(const EntryBytes& e);
void SetFlags(EntryBytes& e, uint32_t flags);
uint16_t NoteCount(const EntryBytes& e);  // as stored, even when out of range
void SetNoteCount(EntryBytes& e, uint16_t count);
int32_t Position(const EntryBytes& e);
int32_t SecondTiming(const EntryBytes& e);
uint16_t NoteID(const EntryBytes& e, int32_t note);
uint32_t NoteFlags(const EntryBytes& e, int32_t note);
}  // namespace entry

std::vector<uint8_t> EncodePerformance(uint16_t noteID, const Performance& performance);
// The note ID and values of a performance record's bytes (missing bytes read 0).
std::pair<uint16_t, Performance> DecodePerformance(const std::vector<uint8_t>& bytes);

class Score {
public:
    uint32_t hostVersion = 0x12050000;
    int16_t document = 1;
    int32_t part = 0;
    int32_t maxLayers = 4;
    std::set<int32_t> hiddenLayers;
    int16_t measureCount = 0;
    std::vector<int16_t> staffOrder;  // staff numbers, slot 1 first
    // Staff lists named by slot contexts other than 0, which names staffOrder.
    std::map<int16_t, std::vector<int16_t>> otherStaffLists;
    std::map<FrameKey, Frame> frames;
    RecordStore records;
    Region selection;

    // The staff list a slot context names; empty for an unknown context.
    const std::vector<int16_t>& StaffList(int16_t slotContext) const;
    // The 1-based slot of the staff, 0 when it is not in the list.
    int16_t SlotOf(int16_t staff, int16_t slotContext = 0) const;
    // The staff at the slot, 0 when there is none.
    int16_t StaffAt(int16_t slot, int16_t slotContext = 0) const;
    bool IsLayerShown(int32_t layer) const;

    // Appends an entry to the frame, with performance records for the notes
    // that have them. Returns the entry number.
    uint32_t AddEntry(int16_t staff, int16_t measure, int32_t layer, const EntrySpec& spec);
    EntryBytes* FindEntry(uint32_t number);
    // The first performance record of the entry for that note ID.
    std::optional<Performance> PerformanceOf(uint32_t entryNumber, uint16_t noteID) const;
    uint32_t HighestEntryNumber() const;

    bool operator==(const Score& other) const;
    bool operator!=(const Score& other) const { return !(*this == other); }
};

}  // namespace simhost
