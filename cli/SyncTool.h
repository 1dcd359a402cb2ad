// The command-line front end: runs the plug-in's sync on a score file in the
// simulated host and reports every value it changed.
#pragma once

#include "PlayedNotes.h"
#include "Session.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Runs the tool with the arguments after the program name; answers the exit
// status (ExitStatus in CommandLine.h): done when the sync ran (kept or
// cancelled) or --help or --version answered, run failed when a file could
// not be read or written or the plug-in refused the copy, bad command line
// for bad arguments or a staff the score does not have. `read` is the score file as
// already read, if it has been (the web page keeps it between runs). Past
// changeRowsShown rows, the changed values are only counted. Given
// `written`, the output file's bytes go there and no file is written; given
// `played`, the selection's notes before and after go there.
int RunSyncTool(const std::vector<std::string>& args, const std::string& sampleScore, std::ostream& out,
                std::ostream& err, std::shared_ptr<const simhost::Score> read = nullptr,
                std::size_t changeRowsShown = SIZE_MAX, std::vector<uint8_t>* written = nullptr,
                simhost::PlaybackSelection* played = nullptr);

// The picture's title for a score file's name: "How NAME plays".
std::string PictureTitle(const std::string& scorePath);

// The plug-in's entry points, linked into the program.
simhost::PluginEntries PluginEntryPoints();
