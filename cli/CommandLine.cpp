#include "CommandLine.h"

#include "TextParsing.h"

#include <algorithm>
#include <cstdlib>

CommandLine::CommandLine(const std::string& tool, const std::string& description, const std::string& statuses)
    : tool_(tool), app_("", tool)
{
    app_.set_version_flag("--version", tool + " " + QV_VERSION);
    // The usage line first, then the options, then what the tool does.
    app_.footer(description + "\n\nExit status:\n" + statuses);
    app_.get_formatter()->column_width(34);
}

CLI::Validator CommandLine::Decimal()
{
    return CLI::Validator(
        [](std::string& text) {
            const std::size_t digits = text.size() - (text.rfind('-', 0) == 0 ? 1 : 0);
            if (digits == 0 || digits > 18 ||
                !std::all_of(text.end() - static_cast<std::ptrdiff_t>(digits), text.end(),
                             [](char c) { return c >= '0' && c <= '9'; }))
                return "\"" + text + "\" is not a whole number";
            text = std::to_string(std::strtoll(text.c_str(), nullptr, 10));
            return std::string();
        },
        "", "decimal");
}

std::optional<int> CommandLine::Parse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app_.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app_.help();
        return kExitDone;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << "\n";
        return kExitDone;
    } catch (const CLI::ParseError& error) {
        err << tool_ << ": " << simhost::OneLine(error.what()) << "\n";
        return kExitBadCommandLine;
    }
    return std::nullopt;
}
