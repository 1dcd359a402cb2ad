#include "PlayedNotes.h"

#include "MusicXml.h"

#include <algorithm>
#include <array>
#include <functional>
#include <cstdio>
#include <tuple>
#include <unordered_map>

namespace simhost {

namespace {

// Where each measure of a score that is not from MusicXML ends: at its
// furthest entry, or a whole note when it has none.
std::vector<int32_t> MeasureLengths(const Score& score)
{
    std::vector<int32_t> lengths(static_cast<std::size_t>(std::max<int16_t>(score.measureCount, 0)), 0);
    for (const auto& frame : score.frames) {
        const int16_t measure = std::get<1>(frame.first);
        if (measure < 1 || measure > score.measureCount) continue;
        int32_t& length = lengths[static_cast<std::size_t>(measure - 1)];
        for (const EntryBytes& e : frame.second.entries)
            length = std::max<int32_t>(length, entry::Position(e) + std::max<int32_t>(entry::SecondTiming(e), 0));
    }
    for (int32_t& length : lengths) {
        if (length <= 0) length = 4 * 1024;
    }
    return lengths;
}

std::string StaffName(const Score& score, int16_t slot, int16_t staff, const std::vector<std::string>& names)
{
    if (slot >= 1 && static_cast<std::size_t>(slot) <= names.size()) return names[static_cast<std::size_t>(slot - 1)];
    const auto record = score.StaffRecordName(staff);
    if (record && *record && !(*record)->empty()) return **record;
    return "Staff " + std::to_string(staff);
}

// The velocity a player sounds: MIDI has none past 0-127.
int32_t HeardVelocity(const std::optional<Performance>& record)
{
    return std::clamp<int32_t>(PlayedVelocity(record), 0, kMostMidiVelocity);
}

std::string Signed(int32_t value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

}  // namespace

PlaybackSelection CollectPlayback(const Score& before, const Score& after, const Region& region, int16_t sourceStaff,
                                  const std::vector<std::string>& staffNames)
{
    PlaybackSelection selection;
    const MusicXmlOrigin* origin = after.musicXml.get();
    const std::vector<int32_t> lengths = origin ? origin->measureLengths : MeasureLengths(after);
    const int16_t firstMeasure = std::max<int16_t>(region.startMeasure, 1);
    const int16_t lastMeasure = std::min<int16_t>(region.endMeasure, static_cast<int16_t>(lengths.size()));
    for (int16_t m = firstMeasure; m <= lastMeasure; ++m) {
        PlayedMeasure measure;
        measure.measure = m;
        const std::size_t i = static_cast<std::size_t>(m - 1);
        measure.number = origin && i < origin->measureNumbers.size() ? origin->measureNumbers[i] : std::to_string(m);
        measure.start = selection.length;
        measure.length = std::max<int32_t>(lengths[i], 1);
        if (origin && i < origin->measureBeats.size()) measure.beat = origin->measureBeats[i];
        selection.length += measure.length;
        selection.measures.push_back(measure);
    }
    // The tempo at the selection's start and its marks after it: MusicXML's
    // sound tempos, else a quarter at 120.
    selection.tempos.push_back(PlayedTempo());
    if (origin && !selection.measures.empty()) {
        std::vector<TempoMark> marks = origin->tempos;
        std::stable_sort(marks.begin(), marks.end(), [](const TempoMark& a, const TempoMark& b) {
            return std::tie(a.measure, a.position) < std::tie(b.measure, b.position);
        });
        for (const TempoMark& mark : marks) {
            if (mark.measure < firstMeasure) {
                selection.tempos.front().quartersPerMinute = mark.quartersPerMinute;
            } else if (mark.measure <= lastMeasure) {
                const PlayedMeasure& measure = selection.measures[static_cast<std::size_t>(mark.measure - firstMeasure)];
                const int64_t time = static_cast<int64_t>(measure.start) + mark.position;
                if (time == 0) selection.tempos.front().quartersPerMinute = mark.quartersPerMinute;
                else selection.tempos.push_back({ time, mark.quartersPerMinute });
            }
        }
    }
    // The file's note of each entry and note ID, for its pitch.
    std::unordered_map<uint64_t, const MusicXmlNote*> fileNotes;
    if (origin) {
        fileNotes.reserve(origin->notes.size());
        for (const MusicXmlNote& note : origin->notes)
            fileNotes[(static_cast<uint64_t>(note.entry) << 16) | note.noteID] = &note;
    }
    const int16_t lastSlot = std::min<int16_t>(region.endSlot, static_cast<int16_t>(after.staffOrder.size()));
    for (int16_t slot = std::max<int16_t>(region.startSlot, 1); slot <= lastSlot; ++slot) {
        PlaybackLane lane;
        lane.staff = after.staffOrder[static_cast<std::size_t>(slot - 1)];
        lane.name = StaffName(after, slot, lane.staff, staffNames);
        lane.source = lane.staff == sourceStaff;
        const std::size_t first = selection.notes.size();
        for (int16_t m = firstMeasure; m <= lastMeasure; ++m) {
            for (int32_t layer = 0; layer < after.maxLayers; ++layer) {
                auto frame = after.frames.find(FrameKey(lane.staff, m, layer));
                if (frame == after.frames.end()) continue;
                for (const EntryBytes& e : frame->second.entries) {
                    if ((entry::Flags(e) & kSoundingFlag) == 0) continue;
                    const int32_t position = entry::Position(e);
                    if ((m == region.startMeasure && position < region.startPosition) ||
                        (m == region.endMeasure && position > region.endPosition))
                        continue;
                    const int32_t count = std::min<int32_t>(entry::NoteCount(e), kNotesPerEntry);
                    for (int32_t k = 0; k < count; ++k) {
                        PlayedNote note;
                        note.lane = static_cast<int16_t>(selection.lanes.size());
                        note.measure = m;
                        note.position = position;
                        note.duration = std::max<int32_t>(entry::SecondTiming(e), 0);
                        note.layer = layer;
                        note.index = k;
                        note.entry = entry::Number(e);
                        note.noteID = entry::NoteID(e, k);
                        note.before = before.PerformanceOf(note.entry, note.noteID);
                        note.after = after.PerformanceOf(note.entry, note.noteID);
                        auto fileNote = fileNotes.find((static_cast<uint64_t>(note.entry) << 16) | note.noteID);
                        if (fileNote != fileNotes.end()) {
                            note.pitch = MusicXmlPitch(*origin, *fileNote->second).value_or(-1);
                            note.duration = MusicXmlDuration(*origin, *fileNote->second).value_or(note.duration);
                            const MusicXmlTie tie = MusicXmlTies(*origin, *fileNote->second);
                            note.tieStart = tie.start;
                            note.tieStop = tie.stop;
                        }
                        selection.notes.push_back(note);
                    }
                }
            }
        }
        std::stable_sort(selection.notes.begin() + static_cast<std::ptrdiff_t>(first), selection.notes.end(),
                         [](const PlayedNote& a, const PlayedNote& b) {
                             return std::tie(a.measure, a.position, a.layer, a.index) <
                                    std::tie(b.measure, b.position, b.layer, b.index);
                         });
        lane.notes = selection.notes.size() - first;
        selection.lanes.push_back(lane);
    }
    return selection;
}

int32_t PlayedVelocity(const std::optional<Performance>& record)
{
    return kPlayedVelocity + (record ? record->velocity : 0);
}

int32_t PlayedStart(const std::optional<Performance>& record)
{
    return record ? record->start : 0;
}

int32_t PlayedEnd(const std::optional<Performance>& record)
{
    return record ? record->end : 0;
}

std::string QuarterText(int32_t units)
{
    if (units == 0) return "0";
    const int64_t size = units < 0 ? -static_cast<int64_t>(units) : units;
    const int64_t whole = size / 1024;
    int64_t numerator = size % 1024;
    int64_t denominator = 1024;
    while (numerator != 0 && numerator % 2 == 0) {
        numerator /= 2;
        denominator /= 2;
    }
    std::string text = units < 0 ? "-" : "+";
    if (whole > 0) text += std::to_string(whole);
    if (numerator > 0) text += (whole > 0 ? " " : "") + std::to_string(numerator) + "/" + std::to_string(denominator);
    return text + (size > 1024 ? " quarters" : " quarter");
}

std::string BeatText(int32_t position, int32_t beat)
{
    if (beat <= 0) beat = 1024;
    // In thousandths of a beat, rounded, then without trailing zeros.
    const int64_t thousandths = (static_cast<int64_t>(position) * 1000 + beat / 2) / beat + 1000;
    std::string text = std::to_string(thousandths / 1000);
    int64_t fraction = thousandths % 1000;
    if (fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(fraction));
        std::string decimals(digits);
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += "." + decimals;
    }
    return text;
}

std::string PitchText(int16_t key)
{
    if (key < 0 || key > 127) return "";
    static const char* const kNames[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    return kNames[key % 12] + std::to_string(key / 12 - 1);
}

void ForEachPlayedChange(const PlaybackSelection& selection, const std::function<void(const PlayedChange&)>& visit)
{
    struct Field {
        const char* name;
        int32_t (*played)(const std::optional<Performance>&);
        int16_t Performance::*host;
    };
    static const Field kFields[] = { { "velocity", HeardVelocity, &Performance::velocity },
                                     { "start", PlayedStart, &Performance::start },
                                     { "end", PlayedEnd, &Performance::end } };
    for (const PlayedNote& note : selection.notes) {
        const PlaybackLane& lane = selection.lanes[static_cast<std::size_t>(note.lane)];
        const PlayedMeasure& measure =
            selection.measures[static_cast<std::size_t>(note.measure - selection.measures.front().measure)];
        for (const Field& field : kFields) {
            const int32_t was = field.played(note.before);
            const int32_t now = field.played(note.after);
            if (was == now) continue;
            auto value = [&field](int32_t played) {
                return field.host == &Performance::velocity ? std::to_string(played) : QuarterText(played);
            };
            auto host = [&field](const std::optional<Performance>& record) {
                return record ? Signed((*record).*field.host) : std::string("none");
            };
            visit({ lane.name, measure.number, BeatText(note.position, measure.beat), PitchText(note.pitch), field.name,
                    value(was), value(now), host(note.before), host(note.after) });
        }
    }
}

std::vector<PlayedChange> PlayedChanges(const PlaybackSelection& selection, std::size_t most, std::size_t& count)
{
    std::vector<PlayedChange> changes;
    count = 0;
    ForEachPlayedChange(selection, [&](const PlayedChange& change) {
        if (count++ < most) changes.push_back(change);
    });
    return changes;
}

std::size_t ReportPlayedChanges(const PlaybackSelection& selection, std::ostream& out, std::size_t rowsShown)
{
    out << "Changes as they play: velocity on the MIDI scale, start and end offsets in quarter notes; in\n"
           "brackets the host's values, \"none\" for a note with no record, which plays as notated.\n";
    // Columns as wide as the longest staff name and measure number, and as
    // the usual values; a longer one shifts its row.
    std::array<std::size_t, 7> widths = { 5, 7, 5, 5, 8, 20, 5 };
    for (const PlaybackLane& lane : selection.lanes) widths[0] = std::max(widths[0], std::min<std::size_t>(lane.name.size(), 30));
    for (const PlayedMeasure& measure : selection.measures) widths[1] = std::max(widths[1], measure.number.size());
    auto line = [&out, &widths](const std::array<std::string, 7>& row) {
        std::string text = " ";
        for (std::size_t i = 0; i < 7; ++i) {
            text += " " + row[i];
            if (i + 1 < 7 && row[i].size() < widths[i]) text.append(widths[i] - row[i].size(), ' ');
        }
        out << text << "\n";
    };
    line({ "staff", "measure", "beat", "pitch", "value", "before", "after" });
    std::size_t count = 0;
    ForEachPlayedChange(selection, [&](const PlayedChange& change) {
        if (count++ >= rowsShown) return;
        line({ change.staff, change.measure, change.beat, change.pitch, change.value,
               change.before + " [" + change.hostBefore + "]", change.after + " [" + change.hostAfter + "]" });
    });
    if (count > rowsShown) out << "  ... " << count - rowsShown << " more rows\n";
    if (count == 0) out << "  No value plays differently.\n";
    return count;
}

}  // namespace simhost
