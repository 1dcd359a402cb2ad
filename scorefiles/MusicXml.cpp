#include "MusicXml.h"

#include "TextParsing.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>

namespace simhost {

namespace {

constexpr int64_t kUnitsPerQuarter = 1024;
constexpr int64_t kForteVelocity = 90;
constexpr int32_t kMostVelocity = 127;
constexpr uint16_t kHumanPlaybackOff = 1;

// An exact rational number; any step that would overflow marks it invalid.
class Fraction {
public:
    Fraction(int64_t numerator = 0, int64_t denominator = 1) : numerator_(numerator), denominator_(denominator)
    {
        Normalise();
    }
    int64_t Numerator() const { return numerator_; }
    int64_t Denominator() const { return denominator_; }
    bool IsValid() const { return valid_; }
    bool IsWhole() const { return valid_ && denominator_ == 1; }
    bool IsNegative() const { return numerator_ < 0; }
    bool IsPositive() const { return numerator_ > 0; }

    Fraction operator+(const Fraction& other) const
    {
        int64_t a = 0;
        int64_t b = 0;
        int64_t d = 0;
        Fraction result;
        result.valid_ = valid_ && other.valid_ && !__builtin_mul_overflow(numerator_, other.denominator_, &a) &&
                        !__builtin_mul_overflow(other.numerator_, denominator_, &b) &&
                        !__builtin_mul_overflow(denominator_, other.denominator_, &d) &&
                        !__builtin_add_overflow(a, b, &result.numerator_);
        result.denominator_ = result.valid_ ? d : 1;
        result.Normalise();
        return result;
    }
    Fraction operator-() const
    {
        Fraction result = *this;
        result.numerator_ = -numerator_;
        return result;
    }
    Fraction operator-(const Fraction& other) const { return *this + (-other); }
    Fraction operator*(const Fraction& other) const
    {
        // Cross-reduce first, so that exact results stay in range.
        const int64_t g1 = Gcd(numerator_, other.denominator_);
        const int64_t g2 = Gcd(other.numerator_, denominator_);
        Fraction result;
        result.valid_ = valid_ && other.valid_ &&
                        !__builtin_mul_overflow(numerator_ / g1, other.numerator_ / g2, &result.numerator_) &&
                        !__builtin_mul_overflow(denominator_ / g2, other.denominator_ / g1, &result.denominator_);
        if (!result.valid_) result.denominator_ = 1;
        result.Normalise();
        return result;
    }
    Fraction operator/(const Fraction& other) const
    {
        if (other.numerator_ == 0) {
            Fraction invalid;
            invalid.valid_ = false;
            return invalid;
        }
        return *this * Fraction(other.denominator_, other.numerator_);
    }
    bool operator<(const Fraction& other) const { return (*this - other).IsNegative(); }

    // To the nearest whole number, halves away from zero.
    int64_t Rounded() const
    {
        const int64_t magnitude = numerator_ < 0 ? -numerator_ : numerator_;
        const int64_t whole = magnitude / denominator_ + ((magnitude % denominator_) * 2 >= denominator_ ? 1 : 0);
        return numerator_ < 0 ? -whole : whole;
    }

private:
    static int64_t Gcd(int64_t a, int64_t b)
    {
        a = a < 0 ? -a : a;
        b = b < 0 ? -b : b;
        while (b != 0) {
            const int64_t t = a % b;
            a = b;
            b = t;
        }
        return a == 0 ? 1 : a;
    }
    void Normalise()
    {
        if (denominator_ == 0 || numerator_ == std::numeric_limits<int64_t>::min() ||
            denominator_ == std::numeric_limits<int64_t>::min()) {
            valid_ = false;
        }
        if (!valid_) {
            numerator_ = 0;
            denominator_ = 1;
            return;
        }
        if (denominator_ < 0) {
            numerator_ = -numerator_;
            denominator_ = -denominator_;
        }
        const int64_t g = Gcd(numerator_, denominator_);
        numerator_ /= g;
        denominator_ /= g;
    }

    int64_t numerator_ = 0;
    int64_t denominator_ = 1;
    bool valid_ = true;
};

// A MusicXML decimal ("-12", "0.5", "+3."), or nothing. Digits past the
// ninth decimal place are dropped.
std::optional<Fraction> ParseDecimal(const std::string& raw)
{
    std::size_t begin = raw.find_first_not_of(" \t\r\n");
    std::size_t end = raw.find_last_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::nullopt;
    std::string text = raw.substr(begin, end - begin + 1);
    bool negative = false;
    std::size_t i = 0;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    int64_t numerator = 0;
    int64_t denominator = 1;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits = true;
        if (point && denominator >= 1000000000) continue;
        if (__builtin_mul_overflow(numerator, 10, &numerator) || __builtin_add_overflow(numerator, c - '0', &numerator))
            return std::nullopt;
        if (point) denominator *= 10;
    }
    if (!digits) return std::nullopt;
    return Fraction(negative ? -numerator : numerator, denominator);
}

// The fraction as a decimal: exact when it has at most `places` decimals,
// else rounded to that many; trailing zeros dropped.
std::string FormatDecimal(const Fraction& value, int places)
{
    int64_t scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    const int64_t scaled = (value * Fraction(scale)).Rounded();
    const int64_t magnitude = scaled < 0 ? -scaled : scaled;
    std::string digits = std::to_string(magnitude % scale);
    digits.insert(0, static_cast<std::size_t>(places) - digits.size(), '0');
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    std::string text = (scaled < 0 ? "-" : "") + std::to_string(magnitude / scale);
    if (!digits.empty()) text += "." + digits;
    return text;
}

std::string Trimmed(const char* text)
{
    std::string s(text);
    const std::size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
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
            part.name = Trimmed(item.child("part-name").child_value());
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
                group.name = Trimmed(item.child("group-name").child_value());
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
    int16_t measure = 0;
    for (const pugi::xml_node& measureNode : partNode.children("measure")) {
        if (measure == 0x7FFF) return Fail(Place(measureNode) + ": more than 32767 measures");
        ++measure;
        measureLabel_ = measureNode.attribute("number").value();
        if (origin_.measureNumbers.size() < static_cast<std::size_t>(measure)) {
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
            }
            if (reach < cursor_) reach = cursor_;
        }
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
    const pugi::xml_parse_result parsed =
        document.load_buffer(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
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

// A note element's start tag: where each attribute's value lies.
struct TagAttribute {
    std::string name;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

bool ReadStartTag(const std::string& text, std::size_t at, std::vector<TagAttribute>& attributes,
                  std::size_t& insertAt)
{
    std::size_t i = at + 1;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '>' && text[i] != '/')
        ++i;
    insertAt = i;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i >= text.size()) return false;
        if (text[i] == '>' || text[i] == '/') return true;
        const std::size_t nameBegin = i;
        while (i < text.size() && text[i] != '=' && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        TagAttribute attribute;
        attribute.name = text.substr(nameBegin, i - nameBegin);
        while (i < text.size() && text[i] != '\'' && text[i] != '"') ++i;
        if (i >= text.size()) return false;
        const char quote = text[i];
        attribute.valueBegin = ++i;
        while (i < text.size() && text[i] != quote) ++i;
        if (i >= text.size()) return false;
        attribute.valueEnd = i++;
        attributes.push_back(attribute);
        insertAt = i;
    }
    return false;
}

const char kMusicXmlMimeType[] = "application/vnd.recordare.musicxml";
const char kContainer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<container>\n  <rootfiles>\n"
    "    <rootfile full-path=\"score.musicxml\" media-type=\"application/vnd.recordare.musicxml+xml\"/>\n"
    "  </rootfiles>\n</container>\n";

struct TextEdit {
    std::size_t at = 0;
    std::size_t length = 0;
    std::string text;
};

}  // namespace

namespace {

std::string Extension(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

bool IsMusicXmlPath(const std::string& path)
{
    const std::string extension = Extension(path);
    return extension == "musicxml" || extension == "xml" || extension == "mxl";
}

bool IsCompressedMusicXmlPath(const std::string& path)
{
    return Extension(path) == "mxl";
}

namespace {

bool Import(const std::vector<uint8_t>& bytes, bool compressed, Score& score, std::string& error);

// A message on one line of reasonable length, whatever names the file holds.
std::string OneLine(std::string message)
{
    for (char& c : message) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    if (message.size() > 300) message = message.substr(0, 297) + "...";
    return message;
}

}  // namespace

namespace {

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The encoding an XML declaration names, in lower case, or empty.
std::string DeclaredEncoding(const std::string& text)
{
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (text.compare(start, 5, "<?xml") != 0) return "";
    const std::size_t end = text.find("?>", start);
    const std::size_t name = text.find("encoding", start);
    if (end == std::string::npos || name == std::string::npos || name > end) return "";
    const std::size_t quote = text.find_first_of("'\"", name);
    if (quote == std::string::npos || quote > end) return "";
    const std::size_t close = text.find(text[quote], quote + 1);
    if (close == std::string::npos || close > end) return "";
    std::string encoding = text.substr(quote + 1, close - quote - 1);
    for (char& c : encoding) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return encoding;
}

}  // namespace

bool DecodeText(const std::string& bytes, std::string& text, TextEncoding& encoding, std::string& error)
{
    auto byte = [&bytes](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
    const bool fourBytes = bytes.size() >= 4;
    // By its byte-order mark or its first "<", in either byte order.
    if (fourBytes && ((byte(0) == 0 && byte(1) == 0) || (byte(1) == 0 && byte(2) == 0 && byte(3) == 0) ||
                      (byte(0) == 0xFF && byte(1) == 0xFE && byte(2) == 0 && byte(3) == 0))) {
        error = "a UTF-32 file; save it as UTF-8 or UTF-16";
        return false;
    }
    encoding = TextEncoding::Utf8;
    if (bytes.size() >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == '<' && byte(1) == 0)))
        encoding = TextEncoding::Utf16LittleEndian;
    else if (bytes.size() >= 2 && ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0 && byte(1) == '<')))
        encoding = TextEncoding::Utf16BigEndian;
    if (encoding == TextEncoding::Utf8) {
        text = bytes;
        const std::string declared = DeclaredEncoding(text);
        if (!declared.empty() && declared != "utf-8") {
            error = "line 1: a file in " + declared + "; only UTF-8 and UTF-16 are read, so that the file can be "
                    "written back as it was";
            return false;
        }
        return true;
    }
    if (bytes.size() % 2 != 0) {
        error = "a UTF-16 file with an odd number of bytes";
        return false;
    }
    const bool little = encoding == TextEncoding::Utf16LittleEndian;
    auto unit = [&](std::size_t i) -> uint32_t {
        return little ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
    };
    std::string decoded;
    decoded.reserve(bytes.size() / 2 + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 2 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            // Written back, a lone surrogate could not be the same bytes.
            error = PlaceOfOffset(decoded, decoded.size()) + ": not valid UTF-16 (a lone surrogate at byte " +
                    std::to_string(i) + ")";
            return false;
        }
        AppendUtf8(decoded, code);
    }
    text = decoded;
    return true;
}

std::string EncodeText(const std::string& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) return text;
    const bool little = encoding == TextEncoding::Utf16LittleEndian;
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&out, little](uint32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += little ? low : high;
        out += little ? high : low;
    };
    // The text is what DecodeText made, or that with ASCII patched in.
    for (std::size_t i = 0; i < text.size();) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        i += length;
        if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return out;
}

bool ImportMusicXml(const std::vector<uint8_t>& bytes, bool compressed, Score& score, std::string& error)
{
    if (Import(bytes, compressed, score, error)) return true;
    error = OneLine(error);
    return false;
}

namespace {

bool Import(const std::vector<uint8_t>& bytes, bool compressed, Score& score, std::string& error)
{
    auto origin = std::make_shared<MusicXmlOrigin>();
    origin->compressed = compressed;
    if (compressed) {
        if (!ReadZip(bytes, origin->archive, error)) return false;
        const ZipEntry* container = nullptr;
        for (const ZipEntry& entry : origin->archive) {
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
        for (std::size_t i = 0; i < origin->archive.size() && !found; ++i) {
            if (origin->archive[i].name != rootPath) continue;
            origin->rootEntry = i;
            found = true;
        }
        if (!found) {
            error = "the archive has no score \"" + rootPath + "\" (named in META-INF/container.xml)";
            return false;
        }
        std::string scoreBytes;
        if (!UnpackZipEntry(origin->archive[origin->rootEntry], scoreBytes, error)) return false;
        if (!DecodeText(scoreBytes, origin->text, origin->encoding, error)) return false;
    } else if (!DecodeText(std::string(bytes.begin(), bytes.end()), origin->text, origin->encoding, error)) {
        return false;
    }
    Score imported;
    Importer importer(origin->text, imported, *origin);
    if (!importer.Run(error)) return false;
    imported.musicXml = origin;
    score = imported;
    return true;
}

}  // namespace

bool ExportMusicXml(const Score& score, bool compressed, std::vector<uint8_t>& bytes, std::string& error)
{
    if (!score.musicXml) {
        error = "the score was not read from MusicXML, so there is no MusicXML file to write back";
        return false;
    }
    const MusicXmlOrigin& origin = *score.musicXml;
    std::vector<TextEdit> edits;
    for (const MusicXmlNote& note : origin.notes) {
        const std::optional<Performance> now = score.PerformanceOf(note.entry, note.noteID);
        const Performance before = note.imported.value_or(Performance());
        if (!now || *now == before) continue;
        std::vector<TagAttribute> attributes;
        std::size_t insertAt = 0;
        if (!ReadStartTag(origin.text, note.tagOffset, attributes, insertAt)) {
            error = "the note at " + LineAndColumn(origin.text, static_cast<std::ptrdiff_t>(note.tagOffset)) +
                    " has no readable start tag";
            return false;
        }
        const Fraction divisions(note.divisionsNumerator, note.divisionsDenominator);
        struct Change {
            const char* name;
            bool changed;
            std::string value;
        };
        // What a key velocity can be: MusicXML has no negative dynamics, and
        // MIDI no velocity above 127.
        const int32_t velocity = std::clamp<int32_t>(kForteVelocity + now->velocity, 0, kMostVelocity);
        const Change changes[] = {
            { "attack", now->start != before.start,
              FormatDecimal(Fraction(now->start) * divisions / Fraction(kUnitsPerQuarter), 10) },
            { "release", now->end != before.end,
              FormatDecimal(Fraction(now->end) * divisions / Fraction(kUnitsPerQuarter), 10) },
            { "dynamics", now->velocity != before.velocity,
              FormatDecimal(Fraction(velocity * 100, kForteVelocity), 2) } };
        std::string added;
        for (const Change& change : changes) {
            if (!change.changed) continue;
            auto existing = std::find_if(attributes.begin(), attributes.end(),
                                         [&change](const TagAttribute& a) { return a.name == change.name; });
            if (existing != attributes.end()) {
                edits.push_back({ existing->valueBegin, existing->valueEnd - existing->valueBegin, change.value });
            } else {
                added += std::string(" ") + change.name + "=\"" + change.value + "\"";
            }
        }
        if (!added.empty()) edits.push_back({ insertAt, 0, added });
    }
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) { return a.at < b.at; });
    std::string text;
    text.reserve(origin.text.size() + edits.size() * 24);
    std::size_t copied = 0;
    for (const TextEdit& edit : edits) {
        text.append(origin.text, copied, edit.at - copied);
        text += edit.text;
        copied = edit.at + edit.length;
    }
    text.append(origin.text, copied, std::string::npos);
    text = EncodeText(text, origin.encoding);
    if (compressed && origin.compressed) {
        // The archive as it was, with the score replaced.
        std::vector<ZipEntry> archive = origin.archive;
        const ZipEntry& root = archive[origin.rootEntry];
        archive[origin.rootEntry] = PackZipEntry(root.name, text, root.time, root.date);
        bytes = WriteZip(archive);
    } else if (compressed) {
        ZipEntry mimetype = PackZipEntry("mimetype", kMusicXmlMimeType);
        mimetype.method = 0;  // stored, as readers look for it unpacked
        mimetype.data.assign(kMusicXmlMimeType, kMusicXmlMimeType + sizeof kMusicXmlMimeType - 1);
        bytes = WriteZip({ mimetype, PackZipEntry("META-INF/container.xml", kContainer),
                           PackZipEntry("score.musicxml", text) });
    } else {
        bytes.assign(text.begin(), text.end());
    }
    return true;
}

namespace {

struct Count {
    int32_t count;
    std::string one;
    std::string many;
};

// "Title: 2 things, 1 other thing." of the counts that are not 0, or empty.
std::string CountsNotice(const char* title, const std::vector<Count>& counts, const std::string& tail)
{
    std::string text;
    for (const Count& count : counts) {
        if (count.count == 0) continue;
        text += (text.empty() ? " " : ", ") + std::to_string(count.count) + " " +
                (count.count == 1 ? count.one : count.many);
    }
    if (text.empty()) return "";
    return title + text + tail + ".";
}

}  // namespace

std::string LeftOutNotice(const Score& score)
{
    if (!score.musicXml) return "";
    const MusicXmlOrigin& origin = *score.musicXml;
    std::string parts;
    for (const std::string& id : origin.partsWithoutMusic) parts += (parts.empty() ? "" : " ") + id;
    const std::string layers = " past a staff's " + std::to_string(score.maxLayers) + " layers";
    const std::string chords = " past an entry's " + std::to_string(kNotesPerEntry);
    return OneLine(CountsNotice("Left out of the copy:",
                        { { origin.graceNotes, "grace note", "grace notes" },
                          { origin.cueNotes, "cue note", "cue notes" },
                          { origin.extraVoiceNotes, "note in a voice" + layers, "notes in voices" + layers },
                          { origin.extraChordNotes, "chord note" + chords, "chord notes" + chords },
                          { static_cast<int32_t>(origin.partsWithoutMusic.size()), "part without music (" + parts + ")",
                            "parts without music (" + parts + ")" } },
                        ""));
}

std::string AdjustedNotice(const Score& score)
{
    if (!score.musicXml) return "";
    const MusicXmlOrigin& origin = *score.musicXml;
    return OneLine(CountsNotice("Adjusted:",
                        { { origin.backupsClamped, "backup past a measure's start", "backups past a measure's start" },
                          { origin.forwardsClamped, "forward past a measure's end", "forwards past a measure's end" },
                          { origin.positionsRounded, "note between 1024ths of a quarter, moved to the nearest",
                            "notes between 1024ths of a quarter, moved to the nearest" } },
                        " (first: " + origin.firstAdjustment + ")"));
}

std::optional<Region> SelectPartsAndMeasures(const Score& score, const std::string& parts,
                                             const std::string& measures, std::string& error)
{
    // "A-B" or "A" into two texts.
    auto split = [](const std::string& text, std::string& first, std::string& last) {
        const std::size_t dash = text.find('-', 1);
        first = text.substr(0, dash);
        last = dash == std::string::npos ? first : text.substr(dash + 1);
    };
    std::vector<std::pair<int16_t, int16_t>> partStaves;  // first and last slot of each part
    std::vector<std::string> measureNumbers;
    if (score.musicXml) {
        for (const MusicXmlPart& part : score.musicXml->parts)
            partStaves.emplace_back(part.firstStaff, static_cast<int16_t>(part.firstStaff + part.staffCount - 1));
        measureNumbers = score.musicXml->measureNumbers;
    } else {
        for (std::size_t slot = 1; slot <= score.staffOrder.size(); ++slot)
            partStaves.emplace_back(static_cast<int16_t>(slot), static_cast<int16_t>(slot));
        for (int16_t m = 1; m <= score.measureCount; ++m) measureNumbers.push_back(std::to_string(m));
    }
    if (partStaves.empty() || measureNumbers.empty()) {
        error = "the score has no music to select";
        return std::nullopt;
    }
    Region region;
    region.startSlot = partStaves.front().first;
    region.endSlot = partStaves.back().second;
    region.startMeasure = 1;
    region.endMeasure = static_cast<int16_t>(measureNumbers.size());
    if (!parts.empty()) {
        std::string first;
        std::string last;
        split(parts, first, last);
        const std::optional<int> from = ParseWholeNumber(first, 1, 32767);
        const std::optional<int> to = ParseWholeNumber(last, 1, 32767);
        const int count = static_cast<int>(partStaves.size());
        if (!from || !to || *from > *to) {
            error = "bad parts \"" + parts + "\" (expected a part number or FIRST-LAST, counting from 1)";
            return std::nullopt;
        }
        if (*to > count) {
            error = "no part " + std::to_string(*to) + ": the score has " + std::to_string(count) +
                    (count == 1 ? " part" : " parts");
            return std::nullopt;
        }
        region.startSlot = partStaves[static_cast<std::size_t>(*from - 1)].first;
        region.endSlot = partStaves[static_cast<std::size_t>(*to - 1)].second;
    }
    if (!measures.empty()) {
        std::string first;
        std::string last;
        split(measures, first, last);
        auto find = [&measureNumbers](const std::string& number, std::size_t from) -> int16_t {
            for (std::size_t i = from; i < measureNumbers.size(); ++i) {
                if (measureNumbers[i] == number) return static_cast<int16_t>(i + 1);
            }
            return 0;
        };
        region.startMeasure = find(first, 0);
        region.endMeasure = region.startMeasure == 0 ? 0 : find(last, static_cast<std::size_t>(region.startMeasure - 1));
        if (region.startMeasure == 0 || region.endMeasure == 0) {
            error = "no measure numbered " + (region.startMeasure == 0 ? first : last) +
                    (region.startMeasure == 0 ? "" : " at or after measure " + first) + " in the score";
            return std::nullopt;
        }
    }
    region.startPosition = 0;
    // To the end of the last measure.
    region.endPosition = score.musicXml ? score.musicXml->measureLengths[static_cast<std::size_t>(region.endMeasure - 1)]
                                        : 0x7FFFFFFF;
    return region;
}

}  // namespace simhost
