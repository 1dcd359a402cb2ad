#include "TextEncoding.h"

#include "Score.h"
#include "TextParsing.h"

#include <cctype>
#include <cstdio>
#include <utility>

namespace simhost {

namespace {

// What windows-1252 puts at 0x80 to 0x9F; 0 where it puts nothing.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178 };

// The family an encoding name belongs to, by its common names in any case.
enum class Declared { None, Utf8, Utf16, Latin1, Windows1252, UsAscii, Other };

Declared Classify(std::string name)
{
    if (name.empty()) return Declared::None;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    struct Alias {
        const char* name;
        Declared family;
    };
    static const Alias kAliases[] = {
        { "utf-8", Declared::Utf8 },           { "utf8", Declared::Utf8 },
        { "utf-16", Declared::Utf16 },         { "utf16", Declared::Utf16 },
        { "utf-16le", Declared::Utf16 },       { "utf-16be", Declared::Utf16 },
        { "ucs-2", Declared::Utf16 },          { "iso-10646-ucs-2", Declared::Utf16 },
        { "iso-8859-1", Declared::Latin1 },    { "iso8859-1", Declared::Latin1 },
        { "iso_8859-1", Declared::Latin1 },    { "iso_8859-1:1987", Declared::Latin1 },
        { "latin1", Declared::Latin1 },        { "latin-1", Declared::Latin1 },
        { "l1", Declared::Latin1 },            { "iso-ir-100", Declared::Latin1 },
        { "cp819", Declared::Latin1 },         { "ibm819", Declared::Latin1 },
        { "csisolatin1", Declared::Latin1 },   { "windows-1252", Declared::Windows1252 },
        { "cp1252", Declared::Windows1252 },   { "x-cp1252", Declared::Windows1252 },
        { "us-ascii", Declared::UsAscii },     { "ascii", Declared::UsAscii },
        { "us", Declared::UsAscii },           { "iso646-us", Declared::UsAscii },
        { "iso-ir-6", Declared::UsAscii },     { "ansi_x3.4-1968", Declared::UsAscii },
        { "ansi_x3.4-1986", Declared::UsAscii }, { "cp367", Declared::UsAscii },
        { "ibm367", Declared::UsAscii },       { "csascii", Declared::UsAscii },
    };
    for (const Alias& alias : kAliases) {
        if (name == alias.name) return alias.family;
    }
    return Declared::Other;
}

// The encoding an XML declaration names, as written, or empty.
std::string DeclaredEncoding(const std::string& text)
{
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (text.compare(start, 5, "<?xml") != 0) return "";
    const std::size_t end = text.find("?>", start);
    const std::size_t name = text.find("encoding", start);
    if (end == std::string::npos || name == std::string::npos || name > end) return "";
    const std::size_t quote = text.find_first_of("'\"", name);
    if (quote == std::string::npos || quote > end) return "";
    const std::size_t close = text.find(text[quote], quote + 1);
    if (close == std::string::npos || close > end) return "";
    return text.substr(quote + 1, close - quote - 1);
}

bool IsFamily(Declared declared, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8: return declared == Declared::Utf8;
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian: return declared == Declared::Utf16;
    default: return false;
    }
}

// "the declaration says X, but the file's byte-order mark says UTF-16", or
// empty when the declaration names nothing or the bytes' own encoding.
std::string Disagreement(const std::string& declared, TextEncoding found, bool byteOrderMark)
{
    const Declared family = Classify(declared);
    if (family == Declared::None || IsFamily(family, found)) return "";
    const char* name = found == TextEncoding::Utf8 ? "UTF-8" : "UTF-16";
    return "the declaration says " + declared +
           (byteOrderMark ? std::string(", but the file's byte-order mark says ") + name
                          : std::string(", but the file is written in ") + name);
}

std::string Hex(uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// Single bytes into UTF-8; false with the place of a byte the encoding has
// no character for.
bool DecodeSingleBytes(const std::string& bytes, TextEncoding encoding, std::string& text, std::string& error)
{
    std::string decoded;
    decoded.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t byte = static_cast<uint8_t>(bytes[i]);
        uint32_t code = byte;
        if (byte >= 0x80 && encoding == TextEncoding::UsAscii) code = 0;
        if (byte >= 0x80 && byte < 0xA0 && encoding == TextEncoding::Windows1252) code = kWindows1252High[byte - 0x80];
        if (code == 0 && byte != 0) {
            error = PlaceOfOffset(decoded, decoded.size()) + ": byte " + Hex(byte) + " (at byte " + std::to_string(i) +
                    " of the file) is not a character in " + EncodingName(encoding);
            return false;
        }
        AppendUtf8(decoded, code);
    }
    text = std::move(decoded);
    return true;
}

bool DecodeUtf16(const std::string& bytes, bool little, std::string& text, std::string& error)
{
    if (bytes.size() % 2 != 0) {
        error = "a UTF-16 file with an odd number of bytes";
        return false;
    }
    auto unit = [&](std::size_t i) -> uint32_t {
        const uint32_t first = static_cast<uint8_t>(bytes[i]);
        const uint32_t second = static_cast<uint8_t>(bytes[i + 1]);
        return little ? first | (second << 8) : (first << 8) | second;
    };
    std::string decoded;
    decoded.reserve(bytes.size() / 2 + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 2 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            // Written back, a lone surrogate could not be the same bytes.
            error = PlaceOfOffset(decoded, decoded.size()) + ": not valid UTF-16 (a lone surrogate at byte " +
                    std::to_string(i) + ")";
            return false;
        }
        AppendUtf8(decoded, code);
    }
    text = std::move(decoded);
    return true;
}

}  // namespace

const char* EncodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf16LittleEndian: return "UTF-16 (little-endian)";
    case TextEncoding::Utf16BigEndian: return "UTF-16 (big-endian)";
    case TextEncoding::Latin1: return "ISO-8859-1";
    case TextEncoding::Windows1252: return "windows-1252";
    case TextEncoding::UsAscii: return "US-ASCII";
    }
    return "?";
}

bool DecodeText(std::string bytes, std::string& text, TextEncoding& encoding, std::string& adjustment,
                std::string& error)
{
    adjustment.clear();
    auto byte = [&bytes](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
    const bool fourBytes = bytes.size() >= 4;
    // By its byte-order mark or its first "<", in either byte order.
    if (fourBytes && ((byte(0) == 0 && byte(1) == 0) || (byte(1) == 0 && byte(2) == 0 && byte(3) == 0) ||
                      (byte(0) == 0xFF && byte(1) == 0xFE && byte(2) == 0 && byte(3) == 0))) {
        error = "a UTF-32 file; save it as UTF-8 or UTF-16";
        return false;
    }
    const bool twoBytes = bytes.size() >= 2;
    const bool littleMark = twoBytes && byte(0) == 0xFF && byte(1) == 0xFE;
    const bool bigMark = twoBytes && byte(0) == 0xFE && byte(1) == 0xFF;
    if (littleMark || bigMark || (twoBytes && ((byte(0) == '<' && byte(1) == 0) || (byte(0) == 0 && byte(1) == '<')))) {
        const bool little = littleMark || (!bigMark && byte(0) == '<');
        encoding = little ? TextEncoding::Utf16LittleEndian : TextEncoding::Utf16BigEndian;
        if (!DecodeUtf16(bytes, little, text, error)) return false;
        adjustment = Disagreement(DeclaredEncoding(text), encoding, littleMark || bigMark);
        return true;
    }
    const bool utf8Mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const std::string declared = DeclaredEncoding(bytes);
    encoding = TextEncoding::Utf8;
    switch (Classify(declared)) {
    case Declared::Latin1: encoding = TextEncoding::Latin1; break;
    case Declared::Windows1252: encoding = TextEncoding::Windows1252; break;
    case Declared::UsAscii: encoding = TextEncoding::UsAscii; break;
    case Declared::Other:
        if (utf8Mark) break;
        error = "line 1: the declaration says " + declared +
                ", an encoding that is not read; UTF-8, UTF-16, ISO-8859-1, windows-1252 and US-ASCII are read, so "
                "that the file can be written back as it was";
        return false;
    default: break;
    }
    // A byte-order mark is UTF-8 whatever the declaration says, and a file
    // whose first bytes are single cannot be UTF-16.
    if (utf8Mark || encoding == TextEncoding::Utf8) {
        encoding = TextEncoding::Utf8;
        adjustment = Disagreement(declared, encoding, utf8Mark);
        text = std::move(bytes);
        return true;
    }
    return DecodeSingleBytes(bytes, encoding, text, error);
}

std::string EncodeText(const std::string& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) return text;
    const bool wide = encoding == TextEncoding::Utf16LittleEndian || encoding == TextEncoding::Utf16BigEndian;
    const bool little = encoding == TextEncoding::Utf16LittleEndian;
    std::string out;
    out.reserve(wide ? text.size() * 2 : text.size());
    auto put = [&out, little](uint32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += little ? low : high;
        out += little ? high : low;
    };
    // The single byte of a character DecodeText read in single bytes.
    auto single = [encoding](uint32_t code) -> char {
        if (code < 0x80 || (code < 0x100 && encoding == TextEncoding::Latin1) ||
            (code >= 0xA0 && code < 0x100 && encoding == TextEncoding::Windows1252))
            return static_cast<char>(code);
        for (uint32_t k = 0; k < 32 && encoding == TextEncoding::Windows1252; ++k) {
            if (kWindows1252High[k] == code) return static_cast<char>(0x80 + k);
        }
        return '?';
    };
    for (std::size_t i = 0; i < text.size();) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        i += length;
        if (!wide) {
            out += single(code);
        } else if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return out;
}

}  // namespace simhost
