// Reading and writing a score in the format its file name asks for: the
// front the tools use, above the score file (ScoreFile.h) and MusicXML
// (MusicXml.h).
#pragma once

#include "Score.h"

#include <string>

namespace simhost {

// A path ending in .musicxml, .xml or .mxl is read as MusicXML and written
// back into that file's text (see MusicXml.h); any other is a score file.
bool ReadScoreFile(const std::string& path, Score& score, std::string& error);
// Writes beside the file first, then replaces it, so that a failed write
// leaves the old file as it was. Nothing is written when the content cannot
// be made.
bool WriteScoreFile(const std::string& path, const Score& score, std::string& error);

}  // namespace simhost
