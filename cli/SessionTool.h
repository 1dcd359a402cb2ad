// qvperfcopy-session: runs a scripted session of the plug-in in the
// simulated host and prints its transcript.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the tool with the arguments after the program name; answers its exit
// status (ExitStatus in CommandLine.h, and 4 when --check finds the run left
// something wrong).
int RunSessionTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
