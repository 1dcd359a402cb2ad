// qvperfcopy-pattern: gives the notes of a MusicXML score's first staff a
// fixed pattern of playback values (PlaybackPattern.h), so that a sync has
// something to copy, and writes the score back as MusicXML.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the tool with the arguments after the program name; answers its exit
// status (ExitStatus in CommandLine.h).
int RunPatternTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
