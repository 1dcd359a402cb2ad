// The simulated host's document: staves in score order, measures, entry
// frames per staff, measure and layer, tagged records, the selection and the
// current document and part.
#pragma once

#include "FrameMap.h"
#include "RecordStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace simhost {

constexpr std::size_t kNoteSize = 10;
constexpr int32_t kNotesPerEntry = 12;
// Entry flags: a sounding entry (not a rest), one with note performance
// records, one with a record for the entry as a whole, one of a counted run,
// one that had no notes until one was added on saving.
constexpr uint32_t kSoundingFlag = 0x40000000;
constexpr uint32_t kNotePerformanceFlag = 0x00020000;
constexpr uint32_t kEntryPerformanceFlag = 0x00400000;
constexpr uint32_t kRunFlag = 0x00800000;
constexpr uint32_t kAddedNoteFlag = 0x01000000;
// The flags of the note record added to an entry that had no notes.
constexpr uint32_t kAddedNoteRecordFlags = 0x80000000;
constexpr uint32_t kPerformanceTag = 0x65646163;  // 'edac'
constexpr uint32_t kPerformanceSize = 10;
constexpr uint32_t kStaffTag = 0x534F4953;          // 'SOIS'
constexpr uint32_t kTextBlockTag = 0x534F5458;      // 'SOTX'
constexpr uint32_t kRawTextTag = 0x7478626C;        // 'txbl'
constexpr uint32_t kSystemStaffTag = 0x534F4975;    // 'SOIu'
constexpr uint32_t kGroupTag = 0x53444E47;          // 'SDNG'
constexpr uint32_t kPlaybackPrefsTag = 0x4F036870;  // Human Playback preferences
constexpr uint32_t kSystemStaffCompanionTag = 0x64744C50;  // dtLP
constexpr uint32_t kPartTag = 0x6F747044;           // otpD
// Where names live: a staff's name in text block kStaffNameBlocks + its
// number, which names raw text kStaffNameTexts + its number; group n's name
// (from 1) in block kGroupNameBlocks + n and raw text kGroupNameTexts + n.
// The numbers all differ, so that reading one for another shows.
constexpr uint16_t kStaffNameBlocks = 1000;
constexpr uint16_t kStaffNameTexts = 5000;
constexpr uint16_t kGroupNameBlocks = 20000;
constexpr uint16_t kGroupNameTexts = 25000;

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

// A staff group as the score file describes it.
struct GroupSpec {
    int16_t first = 0;
    int16_t last = 0;
    std::string name;      // UTF-8, with the host's inline tags; empty: no name
    uint16_t lends = 1;    // only groups holding 1 lend their name to staves

    bool operator==(const GroupSpec& other) const
    {
        return first == other.first && last == other.last && name == other.name && lends == other.lends;
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

// UTF-8 to UTF-16 code units (bytes that do not form UTF-8 become U+FFFD),
// and back.
std::u16string Utf8ToUnits(const std::string& text);
std::string UnitsToUtf8(const std::u16string& units);
// One code point appended to a text in UTF-8.
void AppendUtf8(std::string& text, uint32_t code);

// An 8-byte record key from its first three 16-bit numbers.
std::vector<uint8_t> RecordKey(uint16_t first, uint16_t second = 0, uint16_t third = 0);

std::vector<uint8_t> EncodePerformance(uint16_t noteID, const Performance& performance);
// The note ID and values of a performance record's bytes (missing bytes read 0).
std::pair<uint16_t, Performance> DecodePerformance(const std::vector<uint8_t>& bytes);

struct MusicXmlOrigin;

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
    FrameMap frames;
    // As the records' revision, for the frames: whoever changes them after
    // the score is made gives it a new one (RecordStore::NewRevision).
    uint64_t framesRevision = 0;
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
    uint32_t AddEntry(int16_t staff, int16_t measure, int32_t layer, const EntrySpec& description);
    EntryBytes* FindEntry(uint32_t number);
    // The first performance record of the entry for that note ID.
    std::optional<Performance> PerformanceOf(uint32_t entryNumber, uint16_t noteID) const;
    uint32_t HighestEntryNumber() const;
    // Gives the note its performance values: its record changed, or a new
    // one made and the entry flagged as having records. False when there
    // is no such entry.
    bool SetPerformance(uint32_t entryNumber, uint16_t noteID, const Performance& performance);

    // Names, groups and playback preferences as host records. A staff's
    // name lives in the text block and raw text numbered as above; the
    // records follow the host version (staff record size, 8-bit or UTF-16
    // text). A staff without a name still gets its staff record.
    void SetStaffRecord(int16_t staff, const std::optional<std::string>& name);
    // The staff's name when its records are exactly what SetStaffRecord
    // makes; nothing when they are not (or there is no staff record).
    std::optional<std::optional<std::string>> StaffRecordName(int16_t staff) const;
    // The group under key (0, index + 1, 0), its name in text block
    // kGroupNameBlocks + index + 1.
    void SetGroup(int32_t index, const GroupSpec& group);
    std::optional<GroupSpec> GroupAt(int32_t index) const;
    void SetHumanPlaybackMode(uint16_t mode);
    std::optional<uint16_t> HumanPlaybackMode() const;
    // The text of a raw text record as the host stores it for this version.
    std::vector<uint8_t> EncodeText(const std::string& utf8) const;
    std::string DecodeText(const std::vector<uint8_t>& bytes) const;
    // The size of the staff record for this host version.
    uint32_t StaffRecordSize() const;
    // The version a record call must pass for the tag on this host; nothing
    // for tags the host takes with any version.
    std::optional<uint32_t> RecordVersion(uint32_t tag) const;

    // Names the host's FX_AutoNumberedName_UTF16 gives, by staff number.
    std::map<int16_t, std::string> autoNames;
    // The MusicXML file the score was read from, if it was; not part of
    // the score's content.
    std::shared_ptr<const MusicXmlOrigin> musicXml;

    bool operator==(const Score& other) const;
    bool operator!=(const Score& other) const { return !(*this == other); }

private:
    std::optional<std::array<uint8_t, 8>> PerformanceKey(uint32_t entryNumber, uint16_t noteID) const;
};

}  // namespace simhost
