// MusicXML in the simulated host. A score-partwise file (.musicxml, .xml, or
// compressed .mxl) becomes a Score:
//   - each staff of each part is a host staff, numbered in score order and
//     named from part-name ("Piano (staff 2)" when a part has several);
//   - part-groups are groups with their names; measures are measures;
//   - a staff's voices take its layers in ascending voice order (voice 1 on
//     layer 0 and so on), at most the host's four;
//   - onsets are positions in 1024ths of a quarter from divisions, backup,
//     forward and chords; a note inside a tuplet takes the nearest 1024th;
//   - an entry's second timing value is its notated duration (type and
//     dots), so entries of equal length share end times;
//   - a rest is an entry without the sounding flag; grace and cue notes are
//     left out, and so are a staff's voices past the host's four layers
//     (the lowest-numbered four are kept), chord notes past an entry's
//     twelve, and parts of the part-list with no music;
//   - a file without divisions counts 1 per quarter; a backup past the
//     start of its measure or a forward past its end (by the time
//     signature, or the notes already there when they reach further) stops
//     at the bound, and a note that falls between 1024ths outside a tuplet
//     takes the nearest; each is reported as an adjustment;
//   - a note's attack and release (in divisions) are its performance
//     record's start and end offsets, and its dynamics (percent of forte,
//     velocity 90) its key-velocity change from 90, each rounded half away
//     from zero; a note with none of the three has no record;
//   - Human Playback is off, so that these values are what plays.
#pragma once

#include "Score.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace simhost {

// Reads a MusicXML file's bytes (a .mxl archive when compressed) into an
// empty score. On failure the score is left as it was and the error names
// the place ("part P2 \"Violin\", measure 12: ...", "line 3, column 7: ...").
bool ImportMusicXml(const uint8_t* bytes, std::size_t size, bool compressed, Score& score, std::string& error);
bool ImportMusicXml(const std::vector<uint8_t>& bytes, bool compressed, Score& score, std::string& error);
// The same, letting go of the bytes once they are decoded, so that a large
// file is not held twice while it is parsed.
bool ImportMusicXml(std::vector<uint8_t>&& bytes, bool compressed, Score& score, std::string& error);

}  // namespace simhost
