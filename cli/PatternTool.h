// qvperfcopy-pattern: gives the notes of a MusicXML score's first staff a
// fixed pattern of playback values, so that a sync has something to copy.
// The k-th note (from 0, by measure, layer, position, then chord order) gets
//   start offset    [0, 32, -32, 64][k % 4]      1024ths of a quarter
//   end offset      [0, -64, -128][k % 3]        1024ths of a quarter
//   velocity change [10, -10, 20, -20, 0][k % 5] from forte (90)
// and the score is written back as MusicXML.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the tool with the arguments after the program name; answers its exit
// status (ExitStatus in CommandLine.h).
int RunPatternTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
