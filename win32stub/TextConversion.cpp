#include "TextConversion.h"

#include <algorithm>

namespace win32stub {

// Windows-1252 bytes 0x80-0x9F; the rest of the page is Latin-1.
namespace {

const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::string ToCodePage(const std::u16string& units)
{
    std::string text;
    for (char16_t unit : units) {
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            text += static_cast<char>(unit);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == unit) byte = static_cast<char>(0x80 + i);
        }
        text += byte;
    }
    return text;
}

std::u16string Units(const WCHAR* text)
{
    std::u16string units;
    for (; text != nullptr && *text != 0; ++text) units += static_cast<char16_t>(*text);
    return units;
}

int CopyOut(const std::u16string& text, WCHAR* buffer, int capacity)
{
    if (buffer == nullptr || capacity <= 0) return 0;
    const int count = std::min<int>(static_cast<int>(text.size()), capacity - 1);
    for (int i = 0; i < count; ++i) buffer[i] = text[i];
    buffer[count] = 0;
    return count;
}

int CopyOutA(const std::u16string& text, char* buffer, int capacity)
{
    if (buffer == nullptr || capacity <= 0) return 0;
    const std::string bytes = ToCodePage(text);
    const int count = std::min<int>(static_cast<int>(bytes.size()), capacity - 1);
    for (int i = 0; i < count; ++i) buffer[i] = bytes[i];
    buffer[count] = 0;
    return count;
}

std::string ToUtf8(const std::u16string& units)
{
    std::string text;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

std::u16string FromUtf8(const std::string& text)
{
    std::u16string units;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xFFFD;
        size_t length = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
            c = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F);
            length = 2;
        } else if ((b & 0xF0) == 0xE0 && i + 2 < text.size()) {
            c = ((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            length = 3;
        } else if ((b & 0xF8) == 0xF0 && i + 3 < text.size()) {
            c = ((b & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) | (text[i + 3] & 0x3F);
            length = 4;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);
        }
        i += length;
    }
    return units;
}

std::u16string FromCodePage(const char* text)
{
    std::u16string units;
    for (; text != nullptr && *text != 0; ++text) {
        const unsigned char byte = static_cast<unsigned char>(*text);
        units += byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return units;
}

}  // namespace win32stub
