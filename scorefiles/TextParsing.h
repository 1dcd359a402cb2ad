// Helpers both score file formats use to read text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace simhost {

// "line L, column C" of a byte offset in a text, both from 1.
std::string PlaceOfOffset(const std::string& text, std::size_t offset);
// A whole decimal number from low to high, or nothing.
std::optional<int> ParseWholeNumber(const std::string& text, long low, long high);
// A message on one line of reasonable length, whatever names the file holds.
std::string OneLine(std::string message);

}  // namespace simhost
