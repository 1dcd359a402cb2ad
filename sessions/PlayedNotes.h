// The notes of a selection as they play, before and after a copy, and their
// values in a musician's terms: the staff's name, the measure's printed
// number, the beat, the pitch, the key velocity on the MIDI scale and the
// offsets in parts of a quarter note. The picture (PlaybackPicture.h) and
// the command line's and the page's reports are made from these.
#pragma once

#include "Score.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace simhost {

// The key velocity a note plays at with no record: forte. A record's
// velocity is a change from it.
constexpr int32_t kPlayedVelocity = 90;
constexpr int32_t kMostMidiVelocity = 127;

struct PlayedNote {
    int16_t lane = 0;          // of the selection, from 0 in score order
    int16_t measure = 0;       // the host's measure number
    int32_t position = 0;      // from the measure's start, 1024ths of a quarter
    int32_t duration = 0;      // notated (a tuplet's note its share, where the file says)
    int32_t layer = 0;
    int32_t index = 0;         // in its entry, from 0
    uint32_t entry = 0;
    uint16_t noteID = 0;
    int16_t pitch = -1;        // the MIDI key, -1 where the file gives none
    bool tieStart = false;     // sounds on into the next note of its pitch
    bool tieStop = false;      // continues the note before
    std::optional<Performance> before;
    std::optional<Performance> after;
};

struct PlaybackLane {
    int16_t staff = 0;
    std::string name;          // as the tool window lists the staff
    bool source = false;
    std::size_t notes = 0;
};

struct PlayedMeasure {
    int16_t measure = 0;       // the host's number
    std::string number;        // as printed
    int32_t start = 0;         // from the selection's first measure, 1024ths
    int32_t length = 0;
    int32_t beat = 1024;       // a beat's length, by the time signature
};

// A tempo, from a time of the selection on.
struct PlayedTempo {
    int64_t time = 0;  // 1024ths from the selection's start
    double quartersPerMinute = 120;
};

struct PlaybackSelection {
    std::vector<PlaybackLane> lanes;
    std::vector<PlayedTempo> tempos;  // the first at 0: the tempo in force there
    std::vector<PlayedMeasure> measures;
    std::vector<PlayedNote> notes;  // by lane, then measure, position, layer and chord order
    int32_t length = 0;             // of all the measures, 1024ths
};

// The selection's staves and notes, each note's record in `before` and in
// `after` (the same score twice shows one state). Staves are named by
// staffNames, the tool window's list in slot order, where it names them.
PlaybackSelection CollectPlayback(const Score& before, const Score& after, const Region& region, int16_t sourceStaff,
                                  const std::vector<std::string>& staffNames);

// The values a note plays with: forte plus the velocity change, and the
// offsets; no record plays as notated.
int32_t PlayedVelocity(const std::optional<Performance>& record);
int32_t PlayedStart(const std::optional<Performance>& record);
int32_t PlayedEnd(const std::optional<Performance>& record);

// "-1/8 quarter", "+1 1/2 quarters", "0": host units as parts of a quarter.
std::string QuarterText(int32_t units);
// The beat a position falls on, counted from 1: "1", "2.5", "3.333".
std::string BeatText(int32_t position, int32_t beat);
// "C4", "F#5" (middle C is C4), or "" for no pitch.
std::string PitchText(int16_t key);

// A value whose played value the copy changed, in a musician's words, and
// the host's values ("none": no record, the note plays as notated).
struct PlayedChange {
    std::string staff;
    std::string measure;
    std::string beat;
    std::string pitch;   // empty where the file gives none
    std::string value;   // velocity, start or end
    std::string before;  // "90", "-1/8 quarter"
    std::string after;
    std::string hostBefore;  // "none", "+18"
    std::string hostAfter;
};

// Each change in score order, to `visit`; or at most `most` of them, with
// `count` told how many there are in all.
void ForEachPlayedChange(const PlaybackSelection& selection, const std::function<void(const PlayedChange&)>& visit);
std::vector<PlayedChange> PlayedChanges(const PlaybackSelection& selection, std::size_t most, std::size_t& count);

// One line per value whose played value the copy changed (a velocity as
// MIDI plays it, within 0-127), in score order, as a musician reads it,
// with the host's values in brackets; past
// rowsShown rows the rest are only counted ("... N more rows"). Answers
// how many rows there are in all.
std::size_t ReportPlayedChanges(const PlaybackSelection& selection, std::ostream& out,
                                std::size_t rowsShown = SIZE_MAX);

}  // namespace simhost
