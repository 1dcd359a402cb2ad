// The selection as it sounds, before or after a copy: the notes a player
// hears (ties joined, offsets applied) and a Standard MIDI File of them.
// The page's player plays the same notes.
#pragma once

#include "PlayedNotes.h"

#include <cstdint>
#include <vector>

namespace simhost {

// The shortest a note sounds when its offsets leave it no length: a 64th.
constexpr int64_t kShortestSounding = 16;
// The key of a note the file gives no pitch: middle C.
constexpr uint8_t kUnpitchedKey = 60;

struct SoundingNote {
    int16_t lane = 0;
    int64_t start = 0;  // 1024ths from the selection's start
    int64_t end = 0;
    uint8_t key = kUnpitchedKey;
    uint8_t velocity = 90;  // 1-127: a note-on at 0 would be a note-off
};

// The notes of every lane, by lane and then start: each at its notated
// onset plus its start offset (never before the selection's start), ending
// at its notated end plus its end offset, at least kShortestSounding long;
// a tied note sounds once, from its first note to its last.
std::vector<SoundingNote> SoundingNotes(const PlaybackSelection& selection, bool after);

// Format 1, 1024 ticks a quarter: a first track with the tempos, then one
// track a lane, named after it. Every note-on has its note-off; a note that
// starts again on its key before it ended ends there.
std::vector<uint8_t> SelectionMidi(const PlaybackSelection& selection, bool after);

}  // namespace simhost
