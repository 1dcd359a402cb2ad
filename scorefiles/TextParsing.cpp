#include "TextParsing.h"

namespace simhost {

std::string PlaceOfOffset(const std::string& text, std::size_t offset)
{
    std::size_t line = 1;
    std::size_t column = 1;
    // Columns count characters, as editors do: a UTF-8 character is one, and
    // a byte-order mark none.
    const std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (std::size_t i = start; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::optional<int> ParseWholeNumber(const std::string& text, long low, long high)
{
    if (text.empty() || text.size() > 9) return std::nullopt;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) return std::nullopt;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    }
    const long value = std::stol(text);
    if (value < low || value > high) return std::nullopt;
    return static_cast<int>(value);
}

std::string OneLine(std::string message)
{
    for (char& c : message) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    if (message.size() > 300) message = message.substr(0, 297) + "...";
    return message;
}

}  // namespace simhost
