#include "SelectionMidi.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace simhost {

namespace {

void PutVariable(std::vector<uint8_t>& out, uint64_t value)
{
    uint8_t bytes[10];
    std::size_t count = 0;
    bytes[count++] = static_cast<uint8_t>(value & 0x7F);
    while ((value >>= 7) != 0 && count < sizeof bytes) bytes[count++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
    while (count > 0) out.push_back(bytes[--count]);
}

void PutBig(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

struct Event {
    int64_t tick = 0;
    int order = 0;  // at one tick: ends first, then meta events, then starts
    std::vector<uint8_t> bytes;
};

void PutTrack(std::vector<uint8_t>& out, std::vector<Event> events)
{
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return std::tie(a.tick, a.order) < std::tie(b.tick, b.order); });
    std::vector<uint8_t> data;
    int64_t last = 0;
    for (const Event& event : events) {
        PutVariable(data, static_cast<uint64_t>(event.tick - last));
        data.insert(data.end(), event.bytes.begin(), event.bytes.end());
        last = event.tick;
    }
    data.insert(data.end(), { 0x00, 0xFF, 0x2F, 0x00 });  // the end of the track
    out.insert(out.end(), { 'M', 'T', 'r', 'k' });
    PutBig(out, static_cast<uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
}

Event Meta(int64_t tick, uint8_t type, const std::vector<uint8_t>& payload)
{
    Event event;
    event.tick = tick;
    event.order = 1;
    event.bytes = std::vector<uint8_t>{ 0xFF, type };
    PutVariable(event.bytes, payload.size());
    event.bytes.insert(event.bytes.end(), payload.begin(), payload.end());
    return event;
}

// Channels 1-16 but the 10th, which General MIDI keeps for drums.
uint8_t Channel(int16_t lane)
{
    const uint8_t channel = static_cast<uint8_t>(lane % 15);
    return channel >= 9 ? static_cast<uint8_t>(channel + 1) : channel;
}

}  // namespace

std::vector<SoundingNote> SoundingNotes(const PlaybackSelection& selection, bool after)
{
    std::vector<SoundingNote> notes;
    if (selection.measures.empty()) return notes;
    // The note each lane's key is tied on from, by index in notes.
    std::map<std::pair<int16_t, uint8_t>, std::size_t> tiedFrom;
    for (const PlayedNote& note : selection.notes) {
        const PlayedMeasure& measure =
            selection.measures[static_cast<std::size_t>(note.measure - selection.measures.front().measure)];
        const std::optional<Performance>& record = after ? note.after : note.before;
        const int64_t onset = static_cast<int64_t>(measure.start) + note.position;
        SoundingNote sounding;
        sounding.lane = note.lane;
        sounding.start = std::max<int64_t>(0, onset + PlayedStart(record));
        sounding.end = std::max(sounding.start + kShortestSounding, onset + note.duration + PlayedEnd(record));
        sounding.key = note.pitch >= 0 ? static_cast<uint8_t>(note.pitch) : kUnpitchedKey;
        sounding.velocity = static_cast<uint8_t>(std::clamp<int32_t>(PlayedVelocity(record), 1, kMostMidiVelocity));
        const auto key = std::make_pair(note.lane, sounding.key);
        auto tied = tiedFrom.find(key);
        if (note.tieStop && tied != tiedFrom.end()) {
            SoundingNote& first = notes[tied->second];
            first.end = std::max(first.end, sounding.end);
            if (!note.tieStart) tiedFrom.erase(tied);
            continue;
        }
        if (note.tieStart) tiedFrom[key] = notes.size();
        else if (tied != tiedFrom.end()) tiedFrom.erase(tied);
        notes.push_back(sounding);
    }
    std::stable_sort(notes.begin(), notes.end(), [](const SoundingNote& a, const SoundingNote& b) {
        return std::tie(a.lane, a.start, a.key) < std::tie(b.lane, b.start, b.key);
    });
    return notes;
}

std::vector<uint8_t> SelectionMidi(const PlaybackSelection& selection, bool after)
{
    std::vector<uint8_t> out = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1 };
    PutBig(out, static_cast<uint32_t>(1 + selection.lanes.size()), 2);
    PutBig(out, 1024, 2);  // ticks a quarter: the host's own unit
    std::vector<Event> tempos;
    for (const PlayedTempo& tempo : selection.tempos) {
        const double bpm = tempo.quartersPerMinute > 0 ? tempo.quartersPerMinute : 120;
        const uint32_t micros = static_cast<uint32_t>(std::clamp(60000000.0 / bpm + 0.5, 1.0, 16777215.0));
        tempos.push_back(Meta(tempo.time, 0x51, { static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                                                  static_cast<uint8_t>(micros) }));
    }
    PutTrack(out, tempos);
    const std::vector<SoundingNote> notes = SoundingNotes(selection, after);
    std::size_t next = 0;
    for (std::size_t lane = 0; lane < selection.lanes.size(); ++lane) {
        const std::string& name = selection.lanes[lane].name;
        std::vector<Event> events = { Meta(0, 0x03, std::vector<uint8_t>(name.begin(), name.end())) };
        const uint8_t channel = Channel(static_cast<int16_t>(lane));
        // Where each key's last note ends: one that starts again before then
        // ends the earlier one, so that every note-on has its own note-off.
        std::map<uint8_t, std::size_t> sounding;  // key -> index of its note-off in events
        for (; next < notes.size() && notes[next].lane == static_cast<int16_t>(lane); ++next) {
            const SoundingNote& note = notes[next];
            auto open = sounding.find(note.key);
            if (open != sounding.end() && events[open->second - 1].tick == note.start) {
                // The same key struck twice at once (a unison of two layers): one note, the longer.
                events[open->second].tick = std::max(events[open->second].tick, note.end);
                continue;
            }
            if (open != sounding.end() && events[open->second].tick > note.start) events[open->second].tick = note.start;
            Event on;
            on.tick = note.start;
            on.order = 2;
            on.bytes = std::vector<uint8_t>{ static_cast<uint8_t>(0x90 | channel), note.key, note.velocity };
            Event off;
            off.tick = note.end;
            off.order = 0;
            off.bytes = std::vector<uint8_t>{ static_cast<uint8_t>(0x80 | channel), note.key, 0 };
            events.push_back(on);
            sounding[note.key] = events.size();
            events.push_back(off);
        }
        PutTrack(out, events);
    }
    return out;
}

}  // namespace simhost
