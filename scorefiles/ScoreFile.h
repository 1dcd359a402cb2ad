// The score file: a JSON description of a simulated host's document that
// people can read and write, used for test fixtures and by the command-line
// tools. Reading never changes the file; writing replaces it whole.
//
// {
//   "hostVersion": "0x12050000", "document": 1, "part": 0,
//   "maxLayers": 4, "hiddenLayers": [2, 3], "measures": 2,
//   "staves": [{"number": 1, "name": "^fontTxt(Times)Flute"},  // score order
//              {"number": 2, "autoName": "Oboe 2"},
//              {"number": 3, "record": false}],       // no staff record at all
//   "staffLists": [{"context": 7, "staves": [3, 1, 2]}],
//   "groups": [{"first": 1, "last": 2, "name": "Winds", "lends": 1}],
//   "humanPlayback": 1,
//   "selection": {"startSlot": 1, "startMeasure": 1, "startPosition": 0,
//                 "endSlot": 2, "endMeasure": 2, "endPosition": 1024},
//   "frames": [{"staff": 1, "measure": 1, "layer": 0, "writeGuarded": false,
//     "entries": [{"number": 1, "position": 0, "secondTiming": 1024,
//                  "flags": ["sounding", "notePerformance"],
//                  "notes": [{"id": 1, "flags": 0,
//                             "performance": {"velocity": 10, "start": 0, "end": 0}}]}]}],
//   "records": [{"tag": "SOIS", "key": "0100000000000000", "data": "00ff"}]
// }
//
// Flags are a number, a hex string or a list of names and numbers. Entry flag
// names: sounding (0x40000000), run (0x00800000), notePerformance
// (0x00020000), entryPerformance (0x00400000), addedNote (0x01000000).
// A note's "performance" is the first performance record of its entry with
// the note's ID; an entry's other performance records are listed under
// "otherPerformance". A staff's "name" becomes its staff, text block and
// raw text records (in the host version's layout and encoding); "autoName"
// is what the host's auto-numbered name call answers for it. "records" holds
// every record that the rest of the file does not describe, byte for byte.
#pragma once

#include "Score.h"

#include <string>

namespace simhost {

// Parses score text. On failure the score is left as it was and the error
// names the place ("frames[0].entries[2].notes[1].id: ...") and the problem.
bool ParseScore(const std::string& text, Score& score, std::string& error);
std::string FormatScore(const Score& score);

}  // namespace simhost
