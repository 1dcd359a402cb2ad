#include "SessionFile.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace simhost {

namespace fs = std::filesystem;

bool ReadFile(const std::string& path, std::string& content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    content = bytes.str();
    return true;
}

void TakeCommandLineFiles(SessionFiles& files, const SessionFiles& given)
{
    if (!given.scorePath.empty()) files.scorePath = given.scorePath;
    if (!given.settingsPath.empty()) files.settingsPath = given.settingsPath;
    files.outputPath = given.outputPath;
    files.settingsOutputPath = given.settingsOutputPath;
    files.parts = given.parts;
    files.measures = given.measures;
    files.hostLacks.insert(given.hostLacks.begin(), given.hostLacks.end());
    files.faultyCall = given.faultyCall;
    files.nonsense = given.nonsense;
    files.checkAfterwards = given.checkAfterwards;
    files.goAhead = files.goAhead || given.goAhead;
}

bool ReadSessionFile(const std::string& path, std::vector<std::string>& steps, SessionFiles& files,
                     std::string& error)
{
    std::string text;
    if (!ReadFile(path, text)) {
        error = "cannot read the session file " + path;
        return false;
    }
    nlohmann::json session = nlohmann::json::parse(text, nullptr, false);
    if (session.is_discarded() || !session.is_object() || !session.contains("steps") ||
        !session["steps"].is_array()) {
        error = path + ": not a session file ({\"steps\": [\"invoke\", ...]})";
        return false;
    }
    steps.clear();
    for (const auto& step : session["steps"]) {
        if (!step.is_string()) {
            error = path + ": step " + std::to_string(steps.size() + 1) + " is not a text";
            return false;
        }
        steps.push_back(step.get<std::string>());
    }
    if (session.contains("hostLacks")) {
        if (!session["hostLacks"].is_array()) {
            error = path + ": \"hostLacks\" is not a list of host function names";
            return false;
        }
        for (const auto& function : session["hostLacks"]) {
            if (!function.is_string()) {
                error = path + ": \"hostLacks\" is not a list of host function names";
                return false;
            }
            files.hostLacks.insert(function.get<std::string>());
        }
    }
    const fs::path folder = fs::path(path).parent_path();
    for (const char* key : { "score", "settings" }) {
        if (!session.contains(key)) continue;
        if (!session[key].is_string()) {
            error = path + ": \"" + key + "\" is not a path";
            return false;
        }
        const std::string file = (folder / session[key].get<std::string>()).string();
        (std::string(key) == "score" ? files.scorePath : files.settingsPath) = file;
    }
    return true;
}

}  // namespace simhost
