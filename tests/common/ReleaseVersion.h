// The release's version as the top CMakeLists.txt declares it; empty when
// the file or the declaration is not there.
#pragma once

#include "common/FileText.h"

#include <regex>
#include <string>

namespace qvtest {

inline std::string ReleaseVersion(const std::string& sourceDir)
{
    const std::string text = ReadFileText(sourceDir + "/CMakeLists.txt");
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(R"(project\(QVPerfcopy VERSION ([0-9]+(\.[0-9]+)*))")))
        return "";
    return match[1];
}

}  // namespace qvtest
