// Reading and writing a score in the format its file name asks for: the
// front the tools use, above the score file (ScoreFile.h) and MusicXML
// (MusicXml.h).
#pragma once

#include "Score.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace simhost {

// A path ending in .musicxml, .xml or .mxl is read as MusicXML and written
// back into that file's text (see MusicXml.h); any other is a score file.
bool ReadScoreFile(const std::string& path, Score& score, std::string& error);
// The same for a file's size bytes already in memory, under the file's name.
bool ReadScoreBytes(const std::string& path, const uint8_t* bytes, std::size_t size, Score& score,
                    std::string& error);
// False, with the error, for a MusicXML file larger than the reader takes.
bool ScoreFileSizeAllowed(const std::string& path, uint64_t size, std::string& error);
// Writes beside the file first, then replaces it, so that a failed write
// leaves the old file as it was. Nothing is written when the content cannot
// be made.
bool WriteScoreFile(const std::string& path, const Score& score, std::string& error);
// The bytes WriteScoreFile writes to that path, in memory.
bool ScoreFileBytes(const std::string& path, const Score& score, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace simhost
