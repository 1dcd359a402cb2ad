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

uint32_t Score::AddEntry(int16_t staff, int16_t measure, int32_t layer, const EntrySpec& description)
{
    const uint32_t number = description.number != 0 ? description.number : HighestEntryNumber() + 1;
    EntryBytes e{};
    SetLE32(e.data(), 0, number);
    entry::SetFlags(e, description.flags);
    const std::size_t noteCount = description.notes.size() < kNotesPerEntry ? description.notes.size() : kNotesPerEntry;
    entry::SetNoteCount(e, static_cast<uint16_t>(noteCount));
    for (std::size_t k = 0; k < noteCount; ++k) {
        SetLE16(e.data(), NoteOffset(static_cast<int32_t>(k)) + 4, description.notes[k].id);
        SetLE32(e.data(), NoteOffset(static_cast<int32_t>(k)) + 6, description.notes[k].flags);
    }
    SetLE32(e.data(), kPositionOffset, static_cast<uint32_t>(description.position));
    SetLE32(e.data(), kSecondTimingOffset, static_cast<uint32_t>(description.secondTiming));
    frames[FrameKey(staff, measure, layer)].entries.push_back(e);
    framesRevision = RecordStore::NewRevision();
    if (measure > measureCount) measureCount = measure;

    for (std::size_t k = 0; k < noteCount; ++k) {
        if (!description.notes[k].performance) continue;
        uint8_t key[8] = {};
        SetLE32(key, 0, number);
        SetLE16(key, 4, 0xFFFF);
        std::vector<uint8_t> bytes = EncodePerformance(description.notes[k].id, *description.notes[k].performance);
        records.Create(kPerformanceTag, key, bytes.data(), kPerformanceSize, true);
    }
    return number;
}

EntryBytes* Score::FindEntry(uint32_t number)
{
    // Found in the shared frames, then changed in this score's own.
    for (const auto& frame : frames) {
        const std::vector<EntryBytes>& entries = frame.second.entries;
        for (std::size_t j = 0; j < entries.size(); ++j) {
            if (entry::Number(entries[j]) == number) return &frames[frame.first].entries[j];
        }
    }
    return nullptr;
}

// The key of the entry's first performance record for the note ID.
std::optional<std::array<uint8_t, 8>> Score::PerformanceKey(uint32_t entryNumber, uint16_t noteID) const
{
    std::array<uint8_t, 8> key{};
    SetLE32(key.data(), 0, entryNumber);
    for (uint32_t inci = 0; inci <= 0x7FFF; ++inci) {
        SetLE16(key.data(), 4, static_cast<uint16_t>(inci));
        const std::vector<uint8_t>* bytes = records.Find(kPerformanceTag, key.data());
        if (bytes == nullptr) break;
        if (DecodePerformance(*bytes).first == noteID) return key;
    }
    return std::nullopt;
}

std::optional<Performance> Score::PerformanceOf(uint32_t entryNumber, uint16_t noteID) const
{
    const std::optional<std::array<uint8_t, 8>> key = PerformanceKey(entryNumber, noteID);
    if (!key) return std::nullopt;
    return DecodePerformance(*records.Find(kPerformanceTag, key->data())).second;
}

bool Score::SetPerformance(uint32_t entryNumber, uint16_t noteID, const Performance& performance)
{
    EntryBytes* e = FindEntry(entryNumber);
    if (e == nullptr) return false;
    const std::vector<uint8_t> bytes = EncodePerformance(noteID, performance);
    if (const std::optional<std::array<uint8_t, 8>> key = PerformanceKey(entryNumber, noteID))
        return records.Save(kPerformanceTag, key->data(), bytes.data(), kPerformanceSize);
    uint8_t key[8] = {};
    SetLE32(key, 0, entryNumber);
    SetLE16(key, 4, 0xFFFF);
    entry::SetFlags(*e, entry::Flags(*e) | kNotePerformanceFlag);
    return records.Create(kPerformanceTag, key, bytes.data(), kPerformanceSize, true);
}

bool Score::operator==(const Score& other) const
{
    return hostVersion == other.hostVersion && document == other.document && part == other.part &&
           maxLayers == other.maxLayers && hiddenLayers == other.hiddenLayers &&
           measureCount == other.measureCount && staffOrder == other.staffOrder &&
           otherStaffLists == other.otherStaffLists && autoNames == other.autoNames &&
           frames == other.frames && records == other.records && selection == other.selection;
}

}  // namespace simhost

namespace simhost {

std::u16string Utf8ToUnits(const std::string& text)
{
    std::u16string units;
    for (std::size_t i = 0; i < text.size();) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
        }
        if (length > 1) {
            if (i + length > text.size()) {
                length = 1;
            } else {
                code = lead & (0x7F >> length);
                for (std::size_t k = 1; k < length; ++k) {
                    const uint8_t next = static_cast<uint8_t>(text[i + k]);
                    if ((next & 0xC0) != 0x80) {
                        code = 0xFFFD;
                        length = 1;
                        break;
                    }
                    code = (code << 6) | (next & 0x3F);
                }
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (code >> 10));
            units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
        i += length;
    }
    return units;
}

void AppendUtf8(std::string& text, uint32_t code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string UnitsToUtf8(const std::u16string& units)
{
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        uint32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(text, code);
    }
    return text;
}

std::vector<uint8_t> RecordKey(uint16_t first, uint16_t second, uint16_t third)
{
    std::vector<uint8_t> key(8, 0);
    SetLE16(key.data(), 0, first);
    SetLE16(key.data(), 2, second);
    SetLE16(key.data(), 4, third);
    return key;
}

namespace {

// A new text block as the host makes one: raw text number, kind 'bl'.
std::vector<uint8_t> TextBlockRecord(uint16_t rawText)
{
    std::vector<uint8_t> block(26, 0);
    SetLE16(block.data(), 0, rawText);
    SetLE16(block.data(), 8, 100);
    SetLE16(block.data(), 14, 0x1A08);
    SetLE16(block.data(), 24, 0x626C);
    return block;
}

}  // namespace

uint32_t Score::StaffRecordSize() const
{
    if (hostVersion < 0x11000000) return 114;
    if (hostVersion < 0x12000000) return 132;
    return 136;
}

std::vector<uint8_t> Score::EncodeText(const std::string& utf8) const
{
    const std::u16string units = Utf8ToUnits(utf8);
    std::vector<uint8_t> bytes;
    if (hostVersion >= 0x11000000) {
        for (char16_t unit : units) {
            bytes.push_back(static_cast<uint8_t>(unit));
            bytes.push_back(static_cast<uint8_t>(unit >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
    } else {
        for (char16_t unit : units) bytes.push_back(unit <= 0xFF ? static_cast<uint8_t>(unit) : '?');
        bytes.push_back(0);
    }
    return bytes;
}

std::string Score::DecodeText(const std::vector<uint8_t>& bytes) const
{
    std::u16string units;
    if (hostVersion >= 0x11000000) {
        for (std::size_t i = 0; i + 1 < bytes.size() && (bytes[i] | bytes[i + 1]) != 0; i += 2) {
            units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        }
    } else {
        for (std::size_t i = 0; i < bytes.size() && bytes[i] != 0; ++i) units += static_cast<char16_t>(bytes[i]);
    }
    return UnitsToUtf8(units);
}

void Score::SetStaffRecord(int16_t staff, const std::optional<std::string>& name)
{
    const uint16_t number = static_cast<uint16_t>(staff);
    std::vector<uint8_t> record(StaffRecordSize(), 0);
    if (name) {
        const uint16_t block = static_cast<uint16_t>(kStaffNameBlocks + number);
        const uint16_t text = static_cast<uint16_t>(kStaffNameTexts + number);
        SetLE16(record.data(), 30, block);
        records.Put(kTextBlockTag, RecordKey(block).data(), TextBlockRecord(text));
        records.Put(kRawTextTag, RecordKey(text).data(), EncodeText(*name));
    }
    records.Put(kStaffTag, RecordKey(number).data(), record);
}

std::optional<std::optional<std::string>> Score::StaffRecordName(int16_t staff) const
{
    const uint16_t number = static_cast<uint16_t>(staff);
    const std::vector<uint8_t>* record = records.Find(kStaffTag, RecordKey(number).data());
    if (record == nullptr) return std::nullopt;
    std::optional<std::string> name;
    const uint16_t textNumber = static_cast<uint16_t>(kStaffNameTexts + number);
    const std::vector<uint8_t>* text = records.Find(kRawTextTag, RecordKey(textNumber).data());
    if (record->size() > 31 && GetLE16(record->data(), 30) == static_cast<uint16_t>(kStaffNameBlocks + number) &&
        text != nullptr)
        name = DecodeText(*text);
    Score made;
    made.hostVersion = hostVersion;
    made.SetStaffRecord(staff, name);
    if (!records.Contains(made.records)) return std::nullopt;
    return name;
}

void Score::SetGroup(int32_t index, const GroupSpec& group)
{
    const uint16_t block = group.name.empty() ? 0 : static_cast<uint16_t>(kGroupNameBlocks + index + 1);
    std::vector<uint8_t> record(36, 0);
    SetLE16(record.data(), 0, static_cast<uint16_t>(group.first));
    SetLE16(record.data(), 2, static_cast<uint16_t>(group.last));
    SetLE16(record.data(), 4, block);
    SetLE16(record.data(), 32, group.lends);
    records.Put(kGroupTag, RecordKey(0, static_cast<uint16_t>(index + 1)).data(), record);
    if (block != 0) {
        const uint16_t text = static_cast<uint16_t>(kGroupNameTexts + index + 1);
        records.Put(kTextBlockTag, RecordKey(block).data(), TextBlockRecord(text));
        records.Put(kRawTextTag, RecordKey(text).data(), EncodeText(group.name));
    }
}

std::optional<GroupSpec> Score::GroupAt(int32_t index) const
{
    const std::vector<uint8_t>* record = records.Find(kGroupTag, RecordKey(0, static_cast<uint16_t>(index + 1)).data());
    if (record == nullptr || record->size() != 36) return std::nullopt;
    GroupSpec group;
    group.first = GetLE16Signed(record->data(), 0);
    group.last = GetLE16Signed(record->data(), 2);
    group.lends = GetLE16(record->data(), 32);
    const uint16_t block = GetLE16(record->data(), 4);
    if (block != 0) {
        const std::vector<uint8_t>* text = records.Find(kRawTextTag, RecordKey(static_cast<uint16_t>(kGroupNameTexts + index + 1)).data());
        if (text == nullptr) return std::nullopt;
        group.name = DecodeText(*text);
        if (group.name.empty()) return std::nullopt;
    }
    Score made;
    made.hostVersion = hostVersion;
    made.SetGroup(index, group);
    if (!records.Contains(made.records)) return std::nullopt;
    return group;
}

void Score::SetHumanPlaybackMode(uint16_t mode)
{
    std::vector<uint8_t> record(36, 0);
    SetLE16(record.data(), 12, mode);
    records.Put(kPlaybackPrefsTag, RecordKey(1).data(), record);
}

std::optional<uint16_t> Score::HumanPlaybackMode() const
{
    const std::vector<uint8_t>* record = records.Find(kPlaybackPrefsTag, RecordKey(1).data());
    if (record == nullptr || record->size() != 36) return std::nullopt;
    std::vector<uint8_t> expected(36, 0);
    SetLE16(expected.data(), 12, GetLE16(record->data(), 12));
    if (*record != expected) return std::nullopt;
    return GetLE16(record->data(), 12);
}

}  // namespace simhost

namespace simhost {

std::optional<uint32_t> Score::RecordVersion(uint32_t tag) const
{
    switch (tag) {
    case kStaffTag:
        return hostVersion >= 0x12000000 ? 0x12000000u : hostVersion >= 0x11000000 ? 0x11000000u : 0x0F000000u;
    case kGroupTag:
        return hostVersion < 0x10000000 ? 0x09000000u : 0x12050000u;
    case kRawTextTag:
        return hostVersion;
    case kPerformanceTag:
        return 0x07000000u;
    case kTextBlockTag:
    case kSystemStaffTag:
    case kSystemStaffCompanionTag:
    case kPlaybackPrefsTag:
    case kPartTag:
        return 0x12050000u;
    default:
        return std::nullopt;
    }
}

}  // namespace simhost
