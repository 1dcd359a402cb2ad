// The command-line tools' one parser: CLI11, with --help and --version, the
// exit statuses every tool lists, and one error line for a bad command line.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// What a tool's exit status means; each tool's --help lists the ones it gives.
enum ExitStatus : int {
    kExitDone = 0,
    kExitRunFailed = 1,       // a file could not be read or written, or the score was refused
    kExitBadCommandLine = 2,  // an unknown option, a bad value or a missing argument
    kExitDeclined = 3,        // the user answered No, or the copy was cancelled
};

class CommandLine {
public:
    // `statuses` is the help's list of exit statuses, one per line.
    CommandLine(const std::string& tool, const std::string& description, const std::string& statuses);

    // Where the tool declares its options.
    CLI::App& App() { return app_; }

    // A transform that takes a whole number as decimal, so that "010" is ten
    // and not an octal eight; it runs before the option's range check.
    static CLI::Validator Decimal();

    // Reads the arguments. Answers the exit status when the tool stops here:
    // kExitDone after --help or --version (on out), kExitBadCommandLine
    // after one line on err; nothing when the tool is to run.
    std::optional<int> Parse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

private:
    std::string tool_;
    CLI::App app_;
};
