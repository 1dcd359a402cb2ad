#include "MusicXml.h"

#include "Fraction.h"
#include "TextParsing.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace simhost {

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

std::optional<int16_t> MusicXmlPitch(const MusicXmlOrigin& origin, const MusicXmlNote& note)
{
    const std::string& text = origin.text;
    const std::size_t end = text.find("</note>", note.tagOffset);
    const std::size_t pitch = text.find("<pitch>", note.tagOffset);
    if (pitch == std::string::npos || pitch > end) return std::nullopt;
    // A child's text, trimmed, or empty.
    auto child = [&text, pitch, end](const char* name) -> std::string {
        const std::string open = std::string("<") + name + ">";
        const std::size_t at = text.find(open, pitch);
        if (at == std::string::npos || at > end) return "";
        const std::size_t from = at + open.size();
        const std::size_t to = text.find('<', from);
        if (to == std::string::npos || to > end) return "";
        std::string value = text.substr(from, to - from);
        const std::size_t first = value.find_first_not_of(" \t\r\n");
        if (first == std::string::npos) return "";
        return value.substr(first, value.find_last_not_of(" \t\r\n") - first + 1);
    };
    static const char kSteps[] = "CDEFGAB";
    static const int kSemitones[] = { 0, 2, 4, 5, 7, 9, 11 };
    const std::string step = child("step");
    const std::optional<int> octave = ParseWholeNumber(child("octave"), 0, 9);
    if (step.size() != 1 || !octave) return std::nullopt;
    const char* found = std::strchr(kSteps, std::toupper(static_cast<unsigned char>(step[0])));
    if (found == nullptr || *found == '\0') return std::nullopt;
    // A microtonal alter plays at the nearest semitone.
    const std::optional<Fraction> alter = ParseDecimal(child("alter"));
    const int64_t semitones = alter ? alter->Rounded() : 0;
    const int64_t key = 12 * (*octave + 1) + kSemitones[found - kSteps] + std::clamp<int64_t>(semitones, -12, 12);
    if (key < 0 || key > 127) return std::nullopt;
    return static_cast<int16_t>(key);
}

std::optional<int32_t> MusicXmlDuration(const MusicXmlOrigin& origin, const MusicXmlNote& note)
{
    const std::string& text = origin.text;
    const std::size_t end = text.find("</note>", note.tagOffset);
    const std::size_t at = text.find("<duration>", note.tagOffset);
    if (at == std::string::npos || at > end) return std::nullopt;
    const std::size_t from = at + 10;
    const std::size_t to = text.find('<', from);
    if (to == std::string::npos || to > end) return std::nullopt;
    const std::optional<Fraction> value = ParseDecimal(text.substr(from, to - from));
    if (!value || value->IsNegative()) return std::nullopt;
    const Fraction units = *value * Fraction(kUnitsPerQuarter) /
                           Fraction(note.divisionsNumerator, note.divisionsDenominator);
    if (!units.IsValid() || units.Rounded() > 0x7FFFFFFF) return std::nullopt;
    return static_cast<int32_t>(units.Rounded());
}

MusicXmlTie MusicXmlTies(const MusicXmlOrigin& origin, const MusicXmlNote& note)
{
    MusicXmlTie tie;
    const std::string& text = origin.text;
    const std::size_t end = text.find("</note>", note.tagOffset);
    for (std::size_t at = text.find("<tie ", note.tagOffset); at != std::string::npos && at < end;
         at = text.find("<tie ", at + 1)) {
        const std::size_t close = text.find('>', at);
        if (close == std::string::npos || close > end) break;
        const std::string tag = text.substr(at, close - at);
        if (tag.find("\"start\"") != std::string::npos || tag.find("'start'") != std::string::npos) tie.start = true;
        if (tag.find("\"stop\"") != std::string::npos || tag.find("'stop'") != std::string::npos) tie.stop = true;
    }
    return tie;
}

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

std::string EncodingNotice(const Score& score)
{
    if (!score.musicXml || score.musicXml->encodingAdjustment.empty()) return "";
    return OneLine("Adjusted: " + score.musicXml->encodingAdjustment + ".");
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
