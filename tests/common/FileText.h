// A whole file's bytes as a string, for tests that compare files.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace qvtest {

inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace qvtest
