// Writing a score read from MusicXML back: the attack, release and dynamics
// of the notes whose values changed are patched into the original text, and
// every other byte stays as it was, in the encoding the file came in. A
// velocity is written as dynamics within what a MIDI key velocity can be,
// 0 to 127.
#pragma once

#include "Score.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace simhost {

// The file again, with the changed notes' attributes: a .mxl archive when
// compressed (the original one with the score replaced, if it was one).
// False when the score was not read from MusicXML.
bool ExportMusicXml(const Score& score, bool compressed, std::vector<uint8_t>& bytes, std::string& error);
// The same file written to out; a plain UTF-8 file goes out piece by piece,
// without being held whole.
bool WriteMusicXml(const Score& score, bool compressed, std::ostream& out, std::string& error);

}  // namespace simhost
