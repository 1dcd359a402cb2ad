#include "ScoreFile.h"

#include "TextParsing.h"
#include "core/ByteAccess.h"

#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

namespace simhost {

namespace {

using Json = nlohmann::ordered_json;

// A problem in the file, at a place such as "frames[0].entries[2]".
struct ScoreError {
    std::string place;
    std::string problem;
};

struct FlagName {
    const char* name;
    uint32_t mask;
};

const FlagName kEntryFlagNames[] = {
    { "sounding", 0x40000000 },         { "run", 0x00800000 },
    { "notePerformance", 0x00020000 },  { "entryPerformance", 0x00400000 },
    { "addedNote", 0x01000000 },
};

// Bytes of an entry record that have no field of their own in the file.
const std::size_t kEntryOtherBytes[] = { 4, 5, 6, 7, 12, 13, 144, 145 };

std::string Hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string HexBytes(const uint8_t* bytes, std::size_t count)
{
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string TagText(uint32_t tag)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((tag >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) return Hex32(tag);
        text += c;
    }
    return text;
}

// A name or text from the file as an error message shows it: as it is when
// it is plain printable text, else quoted with JSON escapes, so that an
// error always stays on one line.
std::string Shown(const std::string& text)
{
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return Json(text).dump(-1, ' ', true, Json::error_handler_t::replace);
    }
    return text;
}

class Reader {
public:
    static void CheckFields(const Json& object, const std::string& place, std::set<std::string> allowed)
    {
        if (!object.is_object()) throw ScoreError{ place, "expected an object" };
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (allowed.count(it.key()) == 0) throw ScoreError{ Join(place, Shown(it.key())), "unknown field" };
        }
    }

    static std::string Join(const std::string& place, const std::string& field)
    {
        return place.empty() ? field : place + "." + field;
    }

    static std::string Index(const std::string& place, std::size_t i)
    {
        return place + "[" + std::to_string(i) + "]";
    }

    static const Json& Required(const Json& object, const char* field, const std::string& place)
    {
        if (!object.contains(field)) throw ScoreError{ place, std::string("missing field \"") + field + "\"" };
        return object[field];
    }

    static const Json& List(const Json& value, const std::string& place)
    {
        if (!value.is_array()) throw ScoreError{ place, "expected a list" };
        return value;
    }

    // An integer given as a number or as a "0x" hex string.
    static int64_t Integer(const Json& value, const std::string& place, int64_t low, int64_t high)
    {
        int64_t number = 0;
        if (value.is_number_integer()) {
            number = value.get<int64_t>();
        } else if (value.is_string() && value.get<std::string>().rfind("0x", 0) == 0 &&
                   value.get<std::string>().size() > 2) {
            const std::string text = value.get<std::string>();
            char* end = nullptr;
            unsigned long long parsed = std::strtoull(text.c_str() + 2, &end, 16);
            if (*end != 0 || text.size() > 18) throw ScoreError{ place, "bad hex number \"" + Shown(text) + "\"" };
            number = static_cast<int64_t>(parsed);
        } else {
            throw ScoreError{ place, "expected an integer from " + std::to_string(low) + " to " +
                                         std::to_string(high) + ", got " +
                                         value.dump(-1, ' ', true, Json::error_handler_t::replace) };
        }
        if (number < low || number > high) {
            throw ScoreError{ place, std::to_string(number) + " is outside " + std::to_string(low) + " to " +
                                         std::to_string(high) };
        }
        return number;
    }

    static uint32_t Flags(const Json& value, const std::string& place, bool entryFlags)
    {
        if (!value.is_array()) return static_cast<uint32_t>(Integer(value, place, 0, 0xFFFFFFFFll));
        uint32_t flags = 0;
        for (std::size_t i = 0; i < value.size(); ++i) {
            const Json& item = value[i];
            bool named = false;
            if (entryFlags && item.is_string()) {
                for (const FlagName& flag : kEntryFlagNames) {
                    if (item.get<std::string>() == flag.name) {
                        flags |= flag.mask;
                        named = true;
                    }
                }
            }
            if (named) continue;
            if (item.is_string() && item.get<std::string>().rfind("0x", 0) != 0) {
                throw ScoreError{ Index(place, i), "unknown flag \"" + Shown(item.get<std::string>()) + "\"" };
            }
            flags |= static_cast<uint32_t>(Integer(item, Index(place, i), 0, 0xFFFFFFFFll));
        }
        return flags;
    }

    static std::vector<uint8_t> Bytes(const Json& value, const std::string& place, std::size_t exactSize)
    {
        if (!value.is_string()) throw ScoreError{ place, "expected a string of hex digits" };
        const std::string text = value.get<std::string>();
        if (text.size() % 2 != 0) throw ScoreError{ place, "odd number of hex digits" };
        std::vector<uint8_t> bytes;
        for (std::size_t i = 0; i < text.size(); i += 2) {
            unsigned int byte = 0;
            if (std::sscanf(text.substr(i, 2).c_str(), "%2x", &byte) != 1 ||
                !std::isxdigit(static_cast<unsigned char>(text[i])) ||
                !std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
                throw ScoreError{ place, "\"" + Shown(text.substr(i, 2)) + "\" is not a hex byte" };
            }
            bytes.push_back(static_cast<uint8_t>(byte));
        }
        if (exactSize != 0 && bytes.size() != exactSize) {
            throw ScoreError{ place, "expected " + std::to_string(exactSize) + " bytes" };
        }
        return bytes;
    }

    static std::string Text(const Json& value, const std::string& place)
    {
        if (!value.is_string()) throw ScoreError{ place, "expected a text" };
        return value.get<std::string>();
    }

    static uint32_t Tag(const Json& value, const std::string& place)
    {
        if (value.is_string() && value.get<std::string>().size() == 4) {
            const std::string text = value.get<std::string>();
            uint32_t tag = 0;
            for (char c : text) tag = (tag << 8) | static_cast<uint8_t>(c);
            return tag;
        }
        return static_cast<uint32_t>(Integer(value, place, 0, 0xFFFFFFFFll));
    }
};

Performance ReadPerformance(const Json& value, const std::string& place)
{
    Reader::CheckFields(value, place, { "velocity", "start", "end", "reserved", "noteId" });
    Performance p;
    if (value.contains("velocity")) p.velocity = static_cast<int16_t>(Reader::Integer(value["velocity"], Reader::Join(place, "velocity"), -32768, 32767));
    if (value.contains("start")) p.start = static_cast<int16_t>(Reader::Integer(value["start"], Reader::Join(place, "start"), -32768, 32767));
    if (value.contains("end")) p.end = static_cast<int16_t>(Reader::Integer(value["end"], Reader::Join(place, "end"), -32768, 32767));
    if (value.contains("reserved")) p.reserved = static_cast<uint16_t>(Reader::Integer(value["reserved"], Reader::Join(place, "reserved"), 0, 65535));
    return p;
}

void ReadEntry(Score& score, const Json& value, const std::string& place, const FrameKey& key,
               std::set<uint32_t>& numbers)
{
    Reader::CheckFields(value, place,
                        { "number", "position", "secondTiming", "flags", "notes", "noteCount", "otherBytes",
                          "otherPerformance" });
    const uint32_t number = static_cast<uint32_t>(
        Reader::Integer(Reader::Required(value, "number", place), Reader::Join(place, "number"), 1, 0x7FFFFFFF));
    if (!numbers.insert(number).second) {
        throw ScoreError{ Reader::Join(place, "number"), "entry number " + std::to_string(number) + " is used twice" };
    }
    EntrySpec description;
    description.number = number;
    if (value.contains("position")) description.position = static_cast<int32_t>(Reader::Integer(value["position"], Reader::Join(place, "position"), INT32_MIN, INT32_MAX));
    if (value.contains("secondTiming")) description.secondTiming = static_cast<int32_t>(Reader::Integer(value["secondTiming"], Reader::Join(place, "secondTiming"), INT32_MIN, INT32_MAX));
    if (value.contains("flags")) description.flags = Reader::Flags(value["flags"], Reader::Join(place, "flags"), true);
    std::vector<std::vector<uint8_t>> noteOtherBytes;
    if (value.contains("notes")) {
        const std::string notesPlace = Reader::Join(place, "notes");
        const Json& notes = Reader::List(value["notes"], notesPlace);
        if (notes.size() > static_cast<std::size_t>(kNotesPerEntry)) throw ScoreError{ notesPlace, "more than 12 notes" };
        for (std::size_t k = 0; k < notes.size(); ++k) {
            const std::string notePlace = Reader::Index(notesPlace, k);
            Reader::CheckFields(notes[k], notePlace, { "id", "flags", "performance", "otherBytes" });
            NoteSpec note;
            note.id = static_cast<uint16_t>(Reader::Integer(Reader::Required(notes[k], "id", notePlace), Reader::Join(notePlace, "id"), 0, 65535));
            if (notes[k].contains("flags")) note.flags = Reader::Flags(notes[k]["flags"], Reader::Join(notePlace, "flags"), false);
            if (notes[k].contains("performance")) note.performance = ReadPerformance(notes[k]["performance"], Reader::Join(notePlace, "performance"));
            noteOtherBytes.push_back(notes[k].contains("otherBytes")
                                         ? Reader::Bytes(notes[k]["otherBytes"], Reader::Join(notePlace, "otherBytes"), 4)
                                         : std::vector<uint8_t>(4, 0));
            description.notes.push_back(note);
        }
    }
    score.AddEntry(std::get<0>(key), std::get<1>(key), std::get<2>(key), description);
    EntryBytes& e = score.frames[key].entries.back();
    for (std::size_t k = 0; k < noteOtherBytes.size(); ++k) std::memcpy(e.data() + 16 + 10 * k, noteOtherBytes[k].data(), 4);
    if (value.contains("otherBytes")) {
        std::vector<uint8_t> other = Reader::Bytes(value["otherBytes"], Reader::Join(place, "otherBytes"), 8);
        for (std::size_t i = 0; i < other.size(); ++i) e[kEntryOtherBytes[i]] = other[i];
    }
    if (value.contains("noteCount")) {
        entry::SetNoteCount(e, static_cast<uint16_t>(Reader::Integer(value["noteCount"], Reader::Join(place, "noteCount"), 0, 65535)));
    }
    if (value.contains("otherPerformance")) {
        const std::string listPlace = Reader::Join(place, "otherPerformance");
        const Json& list = Reader::List(value["otherPerformance"], listPlace);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string itemPlace = Reader::Index(listPlace, i);
            const uint16_t noteID = static_cast<uint16_t>(Reader::Integer(Reader::Required(list[i], "noteId", itemPlace), Reader::Join(itemPlace, "noteId"), 0, 65535));
            std::vector<uint8_t> bytes = EncodePerformance(noteID, ReadPerformance(list[i], itemPlace));
            uint8_t recordKey[8] = {};
            SetLE32(recordKey, 0, number);
            SetLE16(recordKey, 4, 0xFFFF);
            score.records.Create(kPerformanceTag, recordKey, bytes.data(), kPerformanceSize, true);
        }
    }
}

void ReadScore(const Json& root, Score& score)
{
    Reader::CheckFields(root, "", { "hostVersion", "document", "part", "maxLayers", "hiddenLayers", "measures",
                                    "staves", "staffLists", "groups", "humanPlayback", "selection", "frames",
                                    "records" });
    if (root.contains("hostVersion")) score.hostVersion = static_cast<uint32_t>(Reader::Integer(root["hostVersion"], "hostVersion", 0, 0xFFFFFFFFll));
    if (root.contains("document")) score.document = static_cast<int16_t>(Reader::Integer(root["document"], "document", -32768, 32767));
    if (root.contains("part")) score.part = static_cast<int32_t>(Reader::Integer(root["part"], "part", INT32_MIN, INT32_MAX));
    if (root.contains("maxLayers")) score.maxLayers = static_cast<int32_t>(Reader::Integer(root["maxLayers"], "maxLayers", 0, 32767));
    if (root.contains("hiddenLayers")) {
        const Json& layers = Reader::List(root["hiddenLayers"], "hiddenLayers");
        for (std::size_t i = 0; i < layers.size(); ++i) {
            score.hiddenLayers.insert(static_cast<int32_t>(Reader::Integer(layers[i], Reader::Index("hiddenLayers", i), 0, 32767)));
        }
    }
    if (root.contains("measures")) score.measureCount = static_cast<int16_t>(Reader::Integer(root["measures"], "measures", 0, 32767));
    if (root.contains("staves")) {
        const Json& staves = Reader::List(root["staves"], "staves");
        for (std::size_t i = 0; i < staves.size(); ++i) {
            const std::string place = Reader::Index("staves", i);
            Reader::CheckFields(staves[i], place, { "number", "name", "autoName", "record" });
            int16_t number = static_cast<int16_t>(Reader::Integer(Reader::Required(staves[i], "number", place), Reader::Join(place, "number"), 1, 32767));
            if (score.SlotOf(number) != 0) throw ScoreError{ Reader::Join(place, "number"), "staff " + std::to_string(number) + " is listed twice" };
            score.staffOrder.push_back(number);
            std::optional<std::string> name;
            if (staves[i].contains("name")) name = Reader::Text(staves[i]["name"], Reader::Join(place, "name"));
            if (staves[i].contains("autoName")) score.autoNames[number] = Reader::Text(staves[i]["autoName"], Reader::Join(place, "autoName"));
            bool record = true;
            if (staves[i].contains("record")) {
                if (!staves[i]["record"].is_boolean()) throw ScoreError{ Reader::Join(place, "record"), "expected true or false" };
                record = staves[i]["record"].get<bool>();
                if (!record && name) throw ScoreError{ place, "a staff without a staff record cannot have a name" };
            }
            if (record) score.SetStaffRecord(number, name);
        }
    }
    if (root.contains("staffLists")) {
        const Json& lists = Reader::List(root["staffLists"], "staffLists");
        for (std::size_t i = 0; i < lists.size(); ++i) {
            const std::string place = Reader::Index("staffLists", i);
            Reader::CheckFields(lists[i], place, { "context", "staves" });
            const int16_t context = static_cast<int16_t>(Reader::Integer(Reader::Required(lists[i], "context", place), Reader::Join(place, "context"), 1, 32767));
            std::vector<int16_t>& list = score.otherStaffLists[context];
            const std::string stavesPlace = Reader::Join(place, "staves");
            const Json& staves = Reader::List(Reader::Required(lists[i], "staves", place), stavesPlace);
            for (std::size_t j = 0; j < staves.size(); ++j) {
                list.push_back(static_cast<int16_t>(Reader::Integer(staves[j], Reader::Index(stavesPlace, j), 1, 32767)));
            }
        }
    }
    if (root.contains("groups")) {
        const Json& groups = Reader::List(root["groups"], "groups");
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const std::string place = Reader::Index("groups", i);
            Reader::CheckFields(groups[i], place, { "first", "last", "name", "lends" });
            GroupSpec group;
            group.first = static_cast<int16_t>(Reader::Integer(Reader::Required(groups[i], "first", place), Reader::Join(place, "first"), 1, 32767));
            group.last = static_cast<int16_t>(Reader::Integer(Reader::Required(groups[i], "last", place), Reader::Join(place, "last"), 1, 32767));
            if (groups[i].contains("name")) group.name = Reader::Text(groups[i]["name"], Reader::Join(place, "name"));
            if (groups[i].contains("lends")) group.lends = static_cast<uint16_t>(Reader::Integer(groups[i]["lends"], Reader::Join(place, "lends"), 0, 65535));
            score.SetGroup(static_cast<int32_t>(i), group);
        }
    }
    if (root.contains("humanPlayback")) {
        score.SetHumanPlaybackMode(static_cast<uint16_t>(Reader::Integer(root["humanPlayback"], "humanPlayback", 0, 65535)));
    }
    if (root.contains("selection")) {
        const Json& s = root["selection"];
        Reader::CheckFields(s, "selection", { "startSlotContext", "startSlot", "startMeasure", "startPosition",
                                              "endSlotContext", "endSlot", "endMeasure", "endPosition" });
        Region& r = score.selection;
        auto field = [&](const char* name, int64_t low, int64_t high) -> int64_t {
            return s.contains(name) ? Reader::Integer(s[name], Reader::Join("selection", name), low, high) : 0;
        };
        r.startSlotContext = static_cast<int16_t>(field("startSlotContext", -32768, 32767));
        r.endSlotContext = static_cast<int16_t>(field("endSlotContext", -32768, 32767));
        r.startSlot = static_cast<int16_t>(field("startSlot", 0, 32767));
        r.startMeasure = static_cast<int16_t>(field("startMeasure", 0, 32767));
        r.startPosition = static_cast<int32_t>(field("startPosition", INT32_MIN, INT32_MAX));
        r.endSlot = static_cast<int16_t>(field("endSlot", 0, 32767));
        r.endMeasure = static_cast<int16_t>(field("endMeasure", 0, 32767));
        r.endPosition = static_cast<int32_t>(field("endPosition", INT32_MIN, INT32_MAX));
    }
    std::set<uint32_t> numbers;
    if (root.contains("frames")) {
        const Json& frames = Reader::List(root["frames"], "frames");
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const std::string place = Reader::Index("frames", i);
            const Json& f = frames[i];
            Reader::CheckFields(f, place, { "staff", "measure", "layer", "writeGuarded", "entries" });
            const int16_t staff = static_cast<int16_t>(Reader::Integer(Reader::Required(f, "staff", place), Reader::Join(place, "staff"), 1, 32767));
            if (score.SlotOf(staff) == 0) throw ScoreError{ Reader::Join(place, "staff"), "staff " + std::to_string(staff) + " is not among the staves" };
            const int16_t measure = static_cast<int16_t>(Reader::Integer(Reader::Required(f, "measure", place), Reader::Join(place, "measure"), 1, 32767));
            if (measure > score.measureCount) throw ScoreError{ Reader::Join(place, "measure"), "measure " + std::to_string(measure) + " is past the last measure" };
            const int32_t layer = static_cast<int32_t>(Reader::Integer(Reader::Required(f, "layer", place), Reader::Join(place, "layer"), 0, score.maxLayers - 1));
            const FrameKey key(staff, measure, layer);
            if (score.frames.count(key) != 0) throw ScoreError{ place, "a second frame for the same staff, measure and layer" };
            Frame& frame = score.frames[key];
            if (f.contains("writeGuarded")) {
                if (!f["writeGuarded"].is_boolean()) throw ScoreError{ Reader::Join(place, "writeGuarded"), "expected true or false" };
                frame.writeGuarded = f["writeGuarded"].get<bool>();
            }
            if (f.contains("entries")) {
                const std::string entriesPlace = Reader::Join(place, "entries");
                const Json& entries = Reader::List(f["entries"], entriesPlace);
                for (std::size_t j = 0; j < entries.size(); ++j) {
                    ReadEntry(score, entries[j], Reader::Index(entriesPlace, j), key, numbers);
                }
            }
        }
    }
    if (root.contains("records")) {
        const Json& records = Reader::List(root["records"], "records");
        for (std::size_t i = 0; i < records.size(); ++i) {
            const std::string place = Reader::Index("records", i);
            Reader::CheckFields(records[i], place, { "tag", "key", "data" });
            const uint32_t tag = Reader::Tag(Reader::Required(records[i], "tag", place), Reader::Join(place, "tag"));
            std::vector<uint8_t> key = Reader::Bytes(Reader::Required(records[i], "key", place), Reader::Join(place, "key"), 8);
            std::vector<uint8_t> data = Reader::Bytes(Reader::Required(records[i], "data", place), Reader::Join(place, "data"), 0);
            if (score.records.Find(tag, key.data()) != nullptr) throw ScoreError{ place, "a second record under the same tag and key" };
            score.records.Put(tag, key.data(), std::move(data));
        }
    }
}

Json WritePerformance(const Performance& p)
{
    Json value = Json::object();
    value["velocity"] = p.velocity;
    value["start"] = p.start;
    value["end"] = p.end;
    if (p.reserved != 0) value["reserved"] = p.reserved;
    return value;
}

Json WriteFlags(uint32_t flags)
{
    Json names = Json::array();
    for (const FlagName& flag : kEntryFlagNames) {
        if ((flags & flag.mask) != 0) {
            names.push_back(flag.name);
            flags &= ~flag.mask;
        }
    }
    if (flags != 0) names.push_back(Hex32(flags));
    return names;
}

Json WriteEntry(const EntryBytes& e, std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>>& unclaimed)
{
    Json value = Json::object();
    const uint32_t number = entry::Number(e);
    value["number"] = number;
    value["position"] = entry::Position(e);
    value["secondTiming"] = entry::SecondTiming(e);
    value["flags"] = WriteFlags(entry::Flags(e));
    uint8_t other[8];
    for (std::size_t i = 0; i < 8; ++i) other[i] = e[kEntryOtherBytes[i]];
    if (HexBytes(other, 8) != std::string(16, '0')) value["otherBytes"] = HexBytes(other, 8);
    const uint16_t storedCount = entry::NoteCount(e);
    const int32_t count = storedCount > kNotesPerEntry ? kNotesPerEntry : storedCount;
    if (storedCount > kNotesPerEntry) value["noteCount"] = storedCount;

    // This entry's performance records, in inci order; notes claim theirs.
    std::vector<std::vector<uint8_t>> records;
    for (auto it = unclaimed.begin(); it != unclaimed.end();) {
        if (GetLE32(it->first.data(), 0) == number) {
            records.push_back(it->second);
            it = unclaimed.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<bool> claimed(records.size(), false);
    Json notes = Json::array();
    for (int32_t k = 0; k < count; ++k) {
        Json note = Json::object();
        note["id"] = entry::NoteID(e, k);
        note["flags"] = Hex32(entry::NoteFlags(e, k));
        const uint8_t* noteBytes = e.data() + 16 + 10 * k;
        if (HexBytes(noteBytes, 4) != "00000000") note["otherBytes"] = HexBytes(noteBytes, 4);
        for (std::size_t r = 0; r < records.size(); ++r) {
            auto decoded = DecodePerformance(records[r]);
            if (decoded.first == entry::NoteID(e, k)) {
                if (!claimed[r]) note["performance"] = WritePerformance(decoded.second);
                claimed[r] = true;
                break;
            }
        }
        notes.push_back(note);
    }
    value["notes"] = notes;
    Json others = Json::array();
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (claimed[r]) continue;
        auto decoded = DecodePerformance(records[r]);
        Json item = Json::object();
        item["noteId"] = decoded.first;
        Json p = WritePerformance(decoded.second);
        item.update(p);
        others.push_back(item);
    }
    if (!others.empty()) value["otherPerformance"] = others;
    return value;
}

void Describe(RecordStore& described, const RecordStore& records)
{
    for (uint32_t tag : records.Tags()) {
        for (auto& record : records.RecordsOf(tag)) described.Put(tag, record.first.data(), record.second);
    }
}

}  // namespace

bool ParseScore(const std::string& text, Score& score, std::string& error)
{
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::parse_error& e) {
        std::string what = e.what();
        std::size_t colon = what.find(": ", what.find("parse error"));
        error = PlaceOfOffset(text, e.byte > 0 ? e.byte - 1 : 0) + ": not valid JSON (" +
                (colon != std::string::npos ? what.substr(colon + 2) : what) + ")";
        return false;
    } catch (const Json::exception&) {
        // A number too large for any type, for one.
        error = "not valid JSON (a value out of range)";
        return false;
    }
    Score parsed;
    try {
        ReadScore(root, parsed);
    } catch (const ScoreError& e) {
        error = (e.place.empty() ? std::string("top level") : e.place) + ": " + e.problem;
        return false;
    }
    score = std::move(parsed);
    return true;
}

std::string FormatScore(const Score& score)
{
    Json root = Json::object();
    root["hostVersion"] = Hex32(score.hostVersion);
    root["document"] = score.document;
    root["part"] = score.part;
    root["maxLayers"] = score.maxLayers;
    if (!score.hiddenLayers.empty()) root["hiddenLayers"] = Json(score.hiddenLayers);
    root["measures"] = score.measureCount;
    // Records that the staves, groups and playback mode describe are not
    // listed again under "records".
    RecordStore described;
    Json staves = Json::array();
    for (int16_t staff : score.staffOrder) {
        Json item = Json{ { "number", staff } };
        auto name = score.StaffRecordName(staff);
        if (name) {
            if (*name) item["name"] = **name;
            Score made;
            made.hostVersion = score.hostVersion;
            made.SetStaffRecord(staff, *name);
            Describe(described, made.records);
        } else if (score.records.Find(kStaffTag, RecordKey(static_cast<uint16_t>(staff)).data()) == nullptr) {
            item["record"] = false;
        }
        auto autoName = score.autoNames.find(staff);
        if (autoName != score.autoNames.end()) item["autoName"] = autoName->second;
        staves.push_back(item);
    }
    root["staves"] = staves;
    Json groups = Json::array();
    for (int32_t i = 0;; ++i) {
        auto group = score.GroupAt(i);
        if (!group) break;
        Json item = Json{ { "first", group->first }, { "last", group->last } };
        if (!group->name.empty()) item["name"] = group->name;
        item["lends"] = group->lends;
        groups.push_back(item);
        Score made;
        made.hostVersion = score.hostVersion;
        made.SetGroup(i, *group);
        Describe(described, made.records);
    }
    if (!groups.empty()) root["groups"] = groups;
    if (auto mode = score.HumanPlaybackMode()) {
        root["humanPlayback"] = *mode;
        Score made;
        made.SetHumanPlaybackMode(*mode);
        Describe(described, made.records);
    }
    if (!score.otherStaffLists.empty()) {
        Json lists = Json::array();
        for (const auto& list : score.otherStaffLists) {
            lists.push_back(Json{ { "context", list.first }, { "staves", Json(list.second) } });
        }
        root["staffLists"] = lists;
    }
    const Region& r = score.selection;
    Json selection = Json::object();
    if (r.startSlotContext != 0) selection["startSlotContext"] = r.startSlotContext;
    selection["startSlot"] = r.startSlot;
    selection["startMeasure"] = r.startMeasure;
    selection["startPosition"] = r.startPosition;
    if (r.endSlotContext != 0) selection["endSlotContext"] = r.endSlotContext;
    selection["endSlot"] = r.endSlot;
    selection["endMeasure"] = r.endMeasure;
    selection["endPosition"] = r.endPosition;
    root["selection"] = selection;

    auto unclaimed = score.records.RecordsOf(kPerformanceTag);
    Json frames = Json::array();
    for (const auto& stored : score.frames) {
        Json frame = Json::object();
        frame["staff"] = std::get<0>(stored.first);
        frame["measure"] = std::get<1>(stored.first);
        frame["layer"] = std::get<2>(stored.first);
        if (stored.second.writeGuarded) frame["writeGuarded"] = true;
        Json entries = Json::array();
        for (const EntryBytes& e : stored.second.entries) entries.push_back(WriteEntry(e, unclaimed));
        frame["entries"] = entries;
        frames.push_back(frame);
    }
    root["frames"] = frames;

    Json records = Json::array();
    auto addRecord = [&records](uint32_t tag, const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
        records.push_back(Json{ { "tag", TagText(tag) }, { "key", HexBytes(key.data(), key.size()) },
                                { "data", HexBytes(data.data(), data.size()) } });
    };
    for (const auto& record : unclaimed) addRecord(kPerformanceTag, record.first, record.second);
    for (uint32_t tag : score.records.Tags()) {
        if (tag == kPerformanceTag) continue;
        for (const auto& record : score.records.RecordsOf(tag)) {
            if (described.Find(tag, record.first.data()) == nullptr) addRecord(tag, record.first, record.second);
        }
    }
    if (!records.empty()) root["records"] = records;
    return root.dump(2) + "\n";
}

}  // namespace simhost
