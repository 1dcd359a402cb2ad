#include "MusicXmlReader.h"

#include "Fraction.h"
#include "MusicXml.h"
#include "TextParsing.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

namespace simhost {

namespace {

constexpr uint16_t kHumanPlaybackOff = 1;

std::string Trimmed(const char* text)
{
    std::string s(text);
    const std::size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

// A name as one line: each run of white space (line breaks and tabs
// among it) one space, none at either end.
std::string OneLineName(const char* text)
{
    std::string name;
    bool space = false;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n') {
            space = !name.empty();
            continue;
        }
        if (space) name += ' ';
        space = false;
        name += *c;
    }
    return name;
}

// The line and column of a byte offset, counted from 1.
std::string LineAndColumn(const std::string& text, std::ptrdiff_t offset)
{
    return PlaceOfOffset(text, offset < 0 ? 0 : static_cast<std::size_t>(offset));
}

// The notated length of a note type, in 1024ths of a quarter.
std::optional<int32_t> TypeLength(const std::string& type)
{
    static const std::pair<const char*, int32_t> kTypes[] = {
        { "1024th", 4 }, { "512th", 8 },    { "256th", 16 },     { "128th", 32 },     { "64th", 64 },
        { "32nd", 128 }, { "16th", 256 },   { "eighth", 512 },   { "quarter", 1024 }, { "half", 2048 },
        { "whole", 4096 }, { "breve", 8192 }, { "long", 16384 }, { "maxima", 32768 } };
    for (const auto& known : kTypes) {
        if (type == known.first) return known.second;
    }
    return std::nullopt;
}

// A voice label's place among a staff's voices: numbers in numeric order,
// then other labels in text order.
bool VoiceBefore(const std::string& a, const std::string& b)
{
    const std::optional<int> x = ParseWholeNumber(a, 0, 0x7FFFFFFF);
    const std::optional<int> y = ParseWholeNumber(b, 0, 0x7FFFFFFF);
    if (x && y) return *x < *y;
    if (x || y) return x.has_value();
    return a < b;
}

struct PendingNote {
    NoteSpec description;
    std::size_t tagOffset = 0;
    Fraction divisions;
};

struct PendingEntry {
    int16_t staff = 0;  // host staff
    int16_t measure = 0;
    std::string voice;
    int32_t position = 0;
    int32_t secondTiming = 0;
    bool rest = false;
    std::vector<PendingNote> notes;
};

class Importer {
public:
    Importer(const std::string& text, Score& score, MusicXmlOrigin& origin)
        : text_(text), score_(score), origin_(origin)
    {
    }

    bool Run(std::string& error);

private:
    bool Fail(const std::string& message)
    {
        error_ = message;
        return false;
    }
    std::string Place(const pugi::xml_node& node) const
    {
        return LineAndColumn(text_, node.offset_debug() - 1);
    }
    std::string PartPlace() const
    {
        return "part " + part_->id + " \"" + part_->name + "\", measure " + measureLabel_;
    }
    bool ReadPartList(const pugi::xml_node& root);
    bool CountStaves(const pugi::xml_node& partNode, MusicXmlPart& part);
    bool ReadPart(const pugi::xml_node& partNode);
    bool ReadNote(const pugi::xml_node& note, int16_t measure);
    bool PlaceEntries();
    bool ReadPerformance(const pugi::xml_node& note, std::optional<Performance>& performance);
    std::optional<Fraction> Duration(const pugi::xml_node& node);
    void ReadTime(const pugi::xml_node& time);
    void ReadTempo(const pugi::xml_node& sound, int16_t measure);
    void Adjusted(int32_t& count, const pugi::xml_node& node);

    const std::string& text_;
    Score& score_;
    MusicXmlOrigin& origin_;
    std::string error_;
    std::vector<pugi::xml_node> partNodes_;
    std::vector<GroupSpec> groups_;
    // The part being read.
    MusicXmlPart* part_ = nullptr;
    std::string measureLabel_;
    Fraction divisions_ = Fraction(1);
    std::optional<Fraction> measureLength_;  // in quarters, by the time signature
    int32_t beatLength_ = kUnitsPerQuarter;  // in 1024ths, by the time signature
    Fraction cursor_;       // in quarters from the measure's start
    Fraction lastOnset_;    // of the last note that was not a chord note
    bool lastLeftOut_ = false;
    bool lastGrace_ = false;
    std::vector<PendingEntry> entries_;
    int64_t entryCount_ = 0;
};

std::optional<Fraction> Importer::Duration(const pugi::xml_node& node)
{
    const pugi::xml_node duration = node.child("duration");
    if (!duration) return std::nullopt;
    std::optional<Fraction> value = ParseDecimal(duration.child_value());
    if (!value || value->IsNegative()) return std::nullopt;
    return *value / divisions_;
}

// The time signature's length in quarters: beats over beat-type, summed
// over the pairs of a compound signature ("3+2" beats count 5). Nothing
// for a signature without beats (senza-misura) or one that cannot be read.
void Importer::ReadTime(const pugi::xml_node& time)
{
    Fraction length;
    bool any = false;
    for (pugi::xml_node beats = time.child("beats"); beats; beats = beats.next_sibling("beats")) {
        const pugi::xml_node type = beats.next_sibling("beat-type");
        const std::optional<int> denominator = ParseWholeNumber(Trimmed(type.child_value()), 1, 1024);
        if (!denominator) {
            measureLength_.reset();
            return;
        }
        const std::string text = Trimmed(beats.child_value());
        std::size_t begin = 0;
        while (begin <= text.size()) {
            std::size_t plus = text.find('+', begin);
            if (plus == std::string::npos) plus = text.size();
            const std::optional<int> count = ParseWholeNumber(Trimmed(text.substr(begin, plus - begin).c_str()), 1, 1024);
            if (!count) {
                measureLength_.reset();
                return;
            }
            length = length + Fraction(4 * static_cast<int64_t>(*count), *denominator);
            begin = plus + 1;
        }
        beatLength_ = std::max<int32_t>(1, static_cast<int32_t>(4 * kUnitsPerQuarter / *denominator));
        any = true;
    }
    if (any) measureLength_ = length;
    else measureLength_.reset();
}

void Importer::Adjusted(int32_t& count, const pugi::xml_node& node)
{
    if (origin_.firstAdjustment.empty()) origin_.firstAdjustment = PartPlace() + ", " + Place(node);
    ++count;
}

// A sound element's tempo, in quarters a minute, at the cursor; one mark a
// place, whichever part gives it first.
void Importer::ReadTempo(const pugi::xml_node& sound, int16_t measure)
{
    if (!sound || !sound.attribute("tempo")) return;
    const std::optional<Fraction> tempo = ParseDecimal(Trimmed(sound.attribute("tempo").value()));
    if (!tempo || !tempo->IsPositive()) return;
    const int64_t position = (cursor_ * Fraction(kUnitsPerQuarter)).Rounded();
    TempoMark mark;
    mark.measure = measure;
    mark.position = static_cast<int32_t>(std::clamp<int64_t>(position, 0, 0x7FFFFFFF));
    mark.quartersPerMinute = static_cast<double>(tempo->Numerator()) / static_cast<double>(tempo->Denominator());
    for (const TempoMark& other : origin_.tempos) {
        if (other.measure == mark.measure && other.position == mark.position) return;
    }
    origin_.tempos.push_back(mark);
}

bool Importer::ReadPartList(const pugi::xml_node& root)
{
    const pugi::xml_node list = root.child("part-list");
    if (!list) return Fail(Place(root) + ": the score has no part-list");
    std::map<std::string, std::size_t> openGroups;  // group number -> index in groups_
    std::map<std::string, int32_t> openFirstPart;
    for (const pugi::xml_node& item : list.children()) {
        const std::string name = item.name();
        if (name == "score-part") {
            MusicXmlPart part;
            part.id = item.attribute("id").value();
            part.name = OneLineName(item.child("part-name").child_value());
            if (part.id.empty()) return Fail(Place(item) + ": a score-part without an id");
            for (const MusicXmlPart& other : origin_.parts) {
                if (other.id == part.id) return Fail(Place(item) + ": part id " + part.id + " is used twice");
            }
            const pugi::xml_node body = root.find_child_by_attribute("part", "id", part.id.c_str());
            if (!body) {
                // A part-list entry with no music: nothing to copy to or from.
                origin_.partsWithoutMusic.push_back(part.id);
                continue;
            }
            partNodes_.push_back(body);
            origin_.parts.push_back(part);
        } else if (name == "part-group") {
            const std::string number = item.attribute("number").as_string("1");
            const std::string type = item.attribute("type").value();
            const int32_t parts = static_cast<int32_t>(origin_.parts.size());
            if (type == "start") {
                GroupSpec group;
                group.name = OneLineName(item.child("group-name").child_value());
                openGroups[number] = groups_.size();
                openFirstPart[number] = parts;  // the next part is the first
                groups_.push_back(group);
            } else if (type == "stop") {
                auto open = openGroups.find(number);
                if (open == openGroups.end()) continue;
                // Part indexes for now; staff numbers once staves are counted.
                groups_[open->second].first = static_cast<int16_t>(openFirstPart[number]);
                groups_[open->second].last = static_cast<int16_t>(parts - 1);
                openGroups.erase(open);
                openFirstPart.erase(number);
            }
        }
    }
    // Groups never stopped end with the last part.
    for (const auto& open : openGroups) {
        groups_[open.second].first = static_cast<int16_t>(openFirstPart[open.first]);
        groups_[open.second].last = static_cast<int16_t>(origin_.parts.size()) - 1;
    }
    if (origin_.parts.empty()) return Fail(Place(list) + ": the score has no parts with music");
    return true;
}

bool Importer::CountStaves(const pugi::xml_node& partNode, MusicXmlPart& part)
{
    part_ = &part;
    int32_t staves = 1;
    for (const pugi::xml_node& measure : partNode.children("measure")) {
        measureLabel_ = measure.attribute("number").value();
        for (const pugi::xml_node& attributes : measure.children("attributes")) {
            if (const pugi::xml_node count = attributes.child("staves")) {
                const std::optional<int> value = ParseWholeNumber(Trimmed(count.child_value()), 1, 32767);
                if (!value) return Fail(PartPlace() + ", " + Place(count) + ": bad number of staves");
                staves = std::max(staves, *value);
            }
        }
        for (const pugi::xml_node& note : measure.children("note")) {
            if (const pugi::xml_node staff = note.child("staff")) {
                const std::optional<int> value = ParseWholeNumber(Trimmed(staff.child_value()), 1, 32767);
                if (!value) return Fail(PartPlace() + ", " + Place(staff) + ": bad staff number");
                staves = std::max(staves, *value);
            }
        }
    }
    part.staffCount = static_cast<int16_t>(staves);
    return true;
}

bool Importer::ReadPerformance(const pugi::xml_node& note, std::optional<Performance>& performance)
{
    const pugi::xml_attribute attack = note.attribute("attack");
    const pugi::xml_attribute release = note.attribute("release");
    const pugi::xml_attribute dynamics = note.attribute("dynamics");
    if (!attack && !release && !dynamics) return true;
    Performance values;
    struct Field {
        const pugi::xml_attribute& attribute;
        int16_t& value;
        bool isDynamics;
    };
    const Field fields[] = { { attack, values.start, false }, { release, values.end, false },
                             { dynamics, values.velocity, true } };
    for (const Field& field : fields) {
        if (!field.attribute) continue;
        const std::optional<Fraction> number = ParseDecimal(field.attribute.value());
        if (!number || (field.isDynamics && number->IsNegative())) {
            return Fail(PartPlace() + ", " + Place(note) + ": " + field.attribute.name() + "=\"" +
                        field.attribute.value() + "\" is not a " +
                        (field.isDynamics ? "percentage" : "number of divisions"));
        }
        const Fraction converted = field.isDynamics
                                       ? *number * Fraction(kForteVelocity, 100) - Fraction(kForteVelocity)
                                       : *number * Fraction(kUnitsPerQuarter) / divisions_;
        const int64_t rounded = converted.Rounded();
        if (!converted.IsValid() || rounded < -32768 || rounded > 32767) {
            return Fail(PartPlace() + ", " + Place(note) + ": " + field.attribute.name() + "=\"" +
                        field.attribute.value() + "\" is out of the host's range");
        }
        field.value = static_cast<int16_t>(rounded);
    }
    performance = values;
    return true;
}

bool Importer::ReadNote(const pugi::xml_node& note, int16_t measure)
{
    const bool grace = static_cast<bool>(note.child("grace"));
    const bool cue = static_cast<bool>(note.child("cue"));
    const bool chord = static_cast<bool>(note.child("chord"));
    const bool rest = static_cast<bool>(note.child("rest"));
    const bool inTuplet = static_cast<bool>(note.child("time-modification"));
    std::optional<Fraction> duration;
    if (!grace) {
        duration = Duration(note);
        if (!duration) return Fail(PartPlace() + ", " + Place(note) + ": a note without a valid duration");
    }
    // A chord note sounds with the note before it and shares its fate.
    if (chord && lastOnset_.IsNegative()) {
        return Fail(PartPlace() + ", " + Place(note) + ": a chord note with no note before it");
    }
    const Fraction onset = chord ? lastOnset_ : cursor_;
    const bool leftOut = grace || cue || (chord && lastLeftOut_);
    // A chord note is a grace note when the note it joins is one.
    const bool countsAsGrace = grace || (chord && lastGrace_);
    if (!chord) {
        lastOnset_ = onset;
        lastLeftOut_ = leftOut;
        lastGrace_ = grace;
        if (!grace) cursor_ = cursor_ + *duration;
        if (!cursor_.IsValid()) return Fail(PartPlace() + ", " + Place(note) + ": durations too large to add up");
    }
    if (leftOut) {
        if (countsAsGrace) ++origin_.graceNotes;
        else ++origin_.cueNotes;
        return true;
    }

    int32_t staffInPart = 1;
    if (const pugi::xml_node staff = note.child("staff")) {
        staffInPart = ParseWholeNumber(Trimmed(staff.child_value()), 1, 32767).value_or(1);
    }
    const std::string voice = note.child("voice") ? Trimmed(note.child("voice").child_value()) : "1";

    const Fraction units = onset * Fraction(kUnitsPerQuarter);
    if (!units.IsValid() || units.Rounded() > 0x7FFFFFFF) {
        return Fail(PartPlace() + ", " + Place(note) + ": the note's position (" + std::to_string(onset.Numerator()) +
                    "/" + std::to_string(onset.Denominator()) +
                    " quarters into the measure) is past what the host can place");
    }
    // Inside a tuplet the nearest 1024th is expected; elsewhere it is news.
    if (!units.IsWhole() && !chord && !inTuplet) Adjusted(origin_.positionsRounded, note);
    PendingNote pending;
    pending.tagOffset = static_cast<std::size_t>(note.offset_debug() - 1);
    pending.divisions = divisions_;
    if (!ReadPerformance(note, pending.description.performance)) return false;

    if (chord && !entries_.empty() && !entries_.back().rest) {
        PendingEntry& entry = entries_.back();
        if (entry.notes.size() >= static_cast<std::size_t>(kNotesPerEntry)) {
            ++origin_.extraChordNotes;
            return true;
        }
        pending.description.id = static_cast<uint16_t>(entry.notes.size() + 1);
        entry.notes.push_back(pending);
        return true;
    }
    PendingEntry entry;
    entry.staff = static_cast<int16_t>(part_->firstStaff + staffInPart - 1);
    entry.measure = measure;
    entry.voice = voice;
    entry.position = static_cast<int32_t>(units.Rounded());
    entry.rest = rest;
    std::optional<int32_t> length = TypeLength(Trimmed(note.child("type").child_value()));
    if (length) {
        int32_t dot = *length;
        for (pugi::xml_node d = note.child("dot"); d; d = d.next_sibling("dot")) {
            dot /= 2;
            *length += dot;
        }
        entry.secondTiming = *length;
    } else {
        entry.secondTiming = static_cast<int32_t>(std::min<int64_t>(
            (*duration * Fraction(kUnitsPerQuarter)).Rounded(), 0x7FFFFFFF));
    }
    if (!rest) {
        pending.description.id = 1;
        entry.notes.push_back(pending);
    }
    entries_.push_back(entry);
    return true;
}

bool Importer::ReadPart(const pugi::xml_node& partNode)
{
    entries_.clear();
    // Without divisions a duration counts quarters.
    divisions_ = Fraction(1);
    measureLength_.reset();
    beatLength_ = kUnitsPerQuarter;
    int16_t measure = 0;
    for (const pugi::xml_node& measureNode : partNode.children("measure")) {
        if (measure == 0x7FFF) return Fail(Place(measureNode) + ": more than 32767 measures");
        ++measure;
        measureLabel_ = measureNode.attribute("number").value();
        const bool firstReading = origin_.measureNumbers.size() < static_cast<std::size_t>(measure);
        if (firstReading) {
            origin_.measureNumbers.push_back(measureLabel_);
            origin_.measureLengths.push_back(0);
        }
        cursor_ = Fraction(0);
        lastOnset_ = Fraction(-1);
        Fraction reach;
        for (const pugi::xml_node& child : measureNode.children()) {
            const std::string name = child.name();
            if (name == "attributes") {
                if (const pugi::xml_node divisions = child.child("divisions")) {
                    const std::optional<Fraction> value = ParseDecimal(divisions.child_value());
                    if (!value || !value->IsPositive())
                        return Fail(PartPlace() + ", " + Place(divisions) + ": bad divisions");
                    divisions_ = *value;
                }
                if (const pugi::xml_node time = child.child("time")) ReadTime(time);
            } else if (name == "backup" || name == "forward") {
                const std::optional<Fraction> duration = Duration(child);
                if (!duration) return Fail(PartPlace() + ", " + Place(child) + ": " + name + " without a valid duration");
                cursor_ = name == "backup" ? cursor_ - *duration : cursor_ + *duration;
                if (!cursor_.IsValid()) return Fail(PartPlace() + ", " + Place(child) + ": durations too large to add up");
                // Kept inside the measure, as other readers do.
                if (cursor_.IsNegative()) {
                    cursor_ = Fraction(0);
                    Adjusted(origin_.backupsClamped, child);
                }
                if (name == "forward" && measureLength_) {
                    const Fraction bound = reach < *measureLength_ ? *measureLength_ : reach;
                    if (bound < cursor_) {
                        cursor_ = bound;
                        Adjusted(origin_.forwardsClamped, child);
                    }
                }
            } else if (name == "note") {
                if (!ReadNote(child, measure)) return false;
            } else if (name == "direction" || name == "sound") {
                ReadTempo(name == "sound" ? child : child.child("sound"), measure);
            }
            if (reach < cursor_) reach = cursor_;
        }
        if (firstReading) origin_.measureBeats.push_back(beatLength_);
        const int64_t length = (reach * Fraction(kUnitsPerQuarter)).Rounded();
        int32_t& longest = origin_.measureLengths[static_cast<std::size_t>(measure - 1)];
        longest = static_cast<int32_t>(std::max<int64_t>(longest, std::min<int64_t>(length, 0x7FFFFFFF)));
    }
    return PlaceEntries();
}

// Gives each of the part's voices its layer and adds the entries to the
// score, each frame's entries in time order.
bool Importer::PlaceEntries()
{
    std::map<int16_t, std::vector<std::string>> voices;  // by staff
    for (const PendingEntry& entry : entries_) {
        std::vector<std::string>& list = voices[entry.staff];
        if (std::find(list.begin(), list.end(), entry.voice) == list.end()) list.push_back(entry.voice);
    }
    // The lowest voices take the layers; the notes of any others are left out.
    const std::size_t layers = static_cast<std::size_t>(std::max<int32_t>(score_.maxLayers, 1));
    for (auto& staff : voices) std::sort(staff.second.begin(), staff.second.end(), VoiceBefore);
    std::map<FrameKey, std::vector<const PendingEntry*>> frames;
    for (const PendingEntry& entry : entries_) {
        const std::vector<std::string>& list = voices[entry.staff];
        const std::size_t layer = static_cast<std::size_t>(std::find(list.begin(), list.end(), entry.voice) - list.begin());
        if (layer >= layers) {
            origin_.extraVoiceNotes += static_cast<int32_t>(entry.notes.size());
            continue;
        }
        frames[FrameKey(entry.staff, entry.measure, static_cast<int32_t>(layer))].push_back(&entry);
    }
    for (auto& frame : frames) {
        std::stable_sort(frame.second.begin(), frame.second.end(),
                         [](const PendingEntry* a, const PendingEntry* b) { return a->position < b->position; });
        for (const PendingEntry* entry : frame.second) {
            EntrySpec description;
            description.number = static_cast<uint32_t>(++entryCount_);
            description.position = entry->position;
            description.secondTiming = entry->secondTiming;
            bool performance = false;
            for (const PendingNote& note : entry->notes) {
                description.notes.push_back(note.description);
                if (note.description.performance) performance = true;
            }
            description.flags = (entry->rest ? 0u : kSoundingFlag) | (performance ? kNotePerformanceFlag : 0u);
            score_.AddEntry(std::get<0>(frame.first), std::get<1>(frame.first), std::get<2>(frame.first), description);
            for (const PendingNote& note : entry->notes) {
                MusicXmlNote written;
                written.entry = description.number;
                written.noteID = note.description.id;
                written.tagOffset = note.tagOffset;
                written.divisionsNumerator = note.divisions.Numerator();
                written.divisionsDenominator = note.divisions.Denominator();
                written.imported = note.description.performance;
                origin_.notes.push_back(written);
            }
        }
    }
    return true;
}

bool Importer::Run(std::string& error)
{
    pugi::xml_document document;
    // The text is UTF-8 whatever its declaration says: DecodeText made it so.
    // An element's leading text is kept in the element itself rather than in
    // a node of its own: a third fewer nodes, and child_value reads the same.
    const pugi::xml_parse_result parsed = document.load_buffer(
        text_.data(), text_.size(), pugi::parse_default | pugi::parse_embed_pcdata, pugi::encoding_utf8);
    if (!parsed) {
        error = LineAndColumn(text_, parsed.offset) + ": not well-formed XML (" + parsed.description() + ")";
        return false;
    }
    const pugi::xml_node root = document.document_element();
    const std::string rootName = root.name();
    if (rootName == "score-timewise") {
        error = Place(root) + ": a score-timewise file; convert it to score-partwise first";
        return false;
    }
    if (rootName != "score-partwise") {
        error = Place(root) + ": not a MusicXML score (the document is <" + rootName + ">)";
        return false;
    }
    if (!ReadPartList(root)) {
        error = error_;
        return false;
    }
    int32_t staves = 0;
    for (std::size_t i = 0; i < origin_.parts.size(); ++i) {
        if (!CountStaves(partNodes_[i], origin_.parts[i])) {
            error = error_;
            return false;
        }
        origin_.parts[i].firstStaff = static_cast<int16_t>(staves + 1);
        staves += origin_.parts[i].staffCount;
        if (staves > 32767) {
            error = "more than 32767 staves";
            return false;
        }
    }
    for (std::size_t i = 0; i < origin_.parts.size(); ++i) {
        part_ = &origin_.parts[i];
        if (!ReadPart(partNodes_[i])) {
            error = error_;
            return false;
        }
    }
    for (const MusicXmlPart& part : origin_.parts) {
        for (int16_t k = 0; k < part.staffCount; ++k) {
            const int16_t staff = static_cast<int16_t>(part.firstStaff + k);
            score_.staffOrder.push_back(staff);
            score_.SetStaffRecord(staff, part.staffCount == 1 ? part.name
                                                              : part.name + " (staff " + std::to_string(k + 1) + ")");
        }
    }
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        GroupSpec group = groups_[i];
        if (group.first > group.last) continue;  // a group of no parts
        const MusicXmlPart& first = origin_.parts[static_cast<std::size_t>(group.first)];
        const MusicXmlPart& last = origin_.parts[static_cast<std::size_t>(group.last)];
        group.first = first.firstStaff;
        group.last = static_cast<int16_t>(last.firstStaff + last.staffCount - 1);
        score_.SetGroup(static_cast<int32_t>(i), group);
    }
    score_.measureCount = static_cast<int16_t>(origin_.measureNumbers.size());
    // The file's attack, release and dynamics are what plays: Human Playback off.
    score_.SetHumanPlaybackMode(kHumanPlaybackOff);
    // The whole score is selected, as after Select All.
    if (score_.measureCount > 0) {
        score_.selection.startSlot = 1;
        score_.selection.startMeasure = 1;
        score_.selection.endSlot = static_cast<int16_t>(staves);
        score_.selection.endMeasure = score_.measureCount;
        score_.selection.endPosition = origin_.measureLengths.back();
    }
    return true;
}

// The document's text (unpacked when compressed) and its encoding.
bool Decode(const uint8_t* bytes, std::size_t size, bool compressed, MusicXmlOrigin& origin, std::string& error)
{
    origin.compressed = compressed;
    if (compressed) {
        if (!ReadZip(bytes, size, origin.archive, error, &origin.archiveComment)) return false;
        origin.archiveBytes.assign(bytes, bytes + size);
        const ZipEntry* container = nullptr;
        for (const ZipEntry& entry : origin.archive) {
            if (entry.name == "META-INF/container.xml") container = &entry;
        }
        if (container == nullptr) {
            error = "the archive has no META-INF/container.xml";
            return false;
        }
        std::string containerText;
        if (!UnpackZipEntry(*container, containerText, error, 1u << 20)) return false;
        pugi::xml_document document;
        if (!document.load_buffer(containerText.data(), containerText.size())) {
            error = "META-INF/container.xml is not well-formed XML";
            return false;
        }
        // The first rootfile that is MusicXML: a container may list a PDF or
        // another rendering before it.
        std::string rootPath;
        for (const pugi::xml_node& rootfile : document.child("container").child("rootfiles").children("rootfile")) {
            const std::string type = rootfile.attribute("media-type").value();
            if (!type.empty() && type != "application/vnd.recordare.musicxml+xml") continue;
            rootPath = rootfile.attribute("full-path").value();
            break;
        }
        bool found = false;
        for (std::size_t i = 0; i < origin.archive.size() && !found; ++i) {
            if (origin.archive[i].name != rootPath) continue;
            origin.rootEntry = i;
            found = true;
        }
        if (!found) {
            error = "the archive has no score \"" + rootPath + "\" (named in META-INF/container.xml)";
            return false;
        }
        std::string scoreBytes;
        if (!UnpackZipEntry(origin.archive[origin.rootEntry], scoreBytes, error)) return false;
        return DecodeText(std::move(scoreBytes), origin.text, origin.encoding, origin.encodingAdjustment, error);
    }
    return DecodeText(std::string(reinterpret_cast<const char*>(bytes), size), origin.text, origin.encoding,
                      origin.encodingAdjustment, error);
}

bool Parse(const std::shared_ptr<MusicXmlOrigin>& origin, Score& score, std::string& error)
{
    Score imported;
    Importer importer(origin->text, imported, *origin);
    if (!importer.Run(error)) return false;
    origin->notes.shrink_to_fit();
    imported.musicXml = origin;
    score = std::move(imported);
    return true;
}

}  // namespace

bool ImportMusicXml(const uint8_t* bytes, std::size_t size, bool compressed, Score& score, std::string& error)
{
    auto origin = std::make_shared<MusicXmlOrigin>();
    if (Decode(bytes, size, compressed, *origin, error) && Parse(origin, score, error)) return true;
    error = OneLine(error);
    return false;
}

bool ImportMusicXml(const std::vector<uint8_t>& bytes, bool compressed, Score& score, std::string& error)
{
    return ImportMusicXml(bytes.data(), bytes.size(), compressed, score, error);
}

bool ImportMusicXml(std::vector<uint8_t>&& bytes, bool compressed, Score& score, std::string& error)
{
    auto origin = std::make_shared<MusicXmlOrigin>();
    const bool decoded = Decode(bytes.data(), bytes.size(), compressed, *origin, error);
    std::vector<uint8_t>().swap(bytes);  // the text holds them now
    if (decoded && Parse(origin, score, error)) return true;
    error = OneLine(error);
    return false;
}

}  // namespace simhost
