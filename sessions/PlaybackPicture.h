// A picture of how a selection plays, before and after a copy, as SVG: one
// lane per staff in score order (the source staff's marked), the score's
// time across with bar lines and measure numbers, each note's key velocity
// on the MIDI scale (before as an outline, after filled, a changed note in
// another colour), and under it a piano-roll strip with each note's
// notated span and its sounding span before and after. A legend and a text
// alternative go with it.
//
// A lane with few enough notes draws each note, with its values as data
// attributes (data-staff, data-measure, data-velocity-before, ...). A lane
// with more notes than kNotesDrawnEach draws, for each pixel column of the
// plot, the range of the velocities that fall in it, so that the picture's
// size is bounded by its pixels, not by the score.
#pragma once

#include "PlayedNotes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace simhost {

constexpr int32_t kPlotWidth = 960;        // pixels of score time
constexpr std::size_t kNotesDrawnEach = kPlotWidth / 4;

// The velocities of a lane's notes that fall in one pixel column.
struct VelocityColumn {
    int32_t notes = 0;
    int32_t beforeLeast = 0;
    int32_t beforeMost = 0;
    int32_t afterLeast = 0;
    int32_t afterMost = 0;
    bool changed = false;  // a note of the column plays at another velocity after
};

// Column c of kPlotWidth holds the notes whose onset falls in it.
std::vector<VelocityColumn> VelocityColumns(const PlaybackSelection& selection, int16_t lane);

// The picture, in SVG. `id` keeps its element ids apart from those of
// other pictures on the same page.
std::string DrawPlaybackPicture(const PlaybackSelection& selection, const std::string& title,
                                const std::string& id = "playback");

}  // namespace simhost
