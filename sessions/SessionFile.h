// A session file: the steps of a session, and the files it reads and writes.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace simhost {

class Score;

struct SessionFiles {
    std::string scorePath;
    // The score already read from scorePath, if it has been: the session
    // takes it instead of reading the file again.
    std::shared_ptr<const Score> score;
    // The settings file the host starts with; empty: there is none.
    std::string settingsPath;
    // Where the resulting score and settings are written, if anywhere.
    std::string outputPath;
    std::string settingsOutputPath;
    // The selection to start with, by parts and measures as musicians count
    // them ("2-4", "9-16"); both empty: the score's own.
    std::string parts;
    std::string measures;
    // Boxes with no scripted answer are answered as a person going ahead
    // would (Yes, OK) instead of failing the session.
    bool goAhead = false;
    // The rows of each change report written out; the rest are counted.
    std::size_t changeRowsShown = SIZE_MAX;
    // Whether the transcript lists the changed values in the host's terms
    // (a program that reports them in its own way turns it off).
    bool reportChanges = true;
    // Host functions the host of this session does not export ("hostLacks"
    // in a session file). Natively they are left out; a Windows host
    // program must have been built without them.
    std::set<std::string> hostLacks;
    // The fault sweep: the host call with this number fails (or answers
    // nonsense); and whether to check, after the run, that no edit is left
    // open, no frame loaded, the score is as it was or its kept edits undo
    // to it, and every other plug-in's line of the settings file is intact
    // (exit status 4 when not).
    int64_t faultyCall = 0;
    bool nonsense = false;
    bool checkAfterwards = false;
};

// The steps of a session file: {"steps": ["invoke", ...]} with optional
// "score" and "settings" paths relative to the file. False with a message
// when the file cannot be read.
bool ReadSessionFile(const std::string& path, std::vector<std::string>& steps, SessionFiles& files,
                     std::string& error);

// Lays what a command line gave over what a session file names: its score
// and settings files when given, and everything else it sets.
void TakeCommandLineFiles(SessionFiles& files, const SessionFiles& given);

// The whole content of a file; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& content);

}  // namespace simhost
