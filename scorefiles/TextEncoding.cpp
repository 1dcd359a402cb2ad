#include "TextEncoding.h"

#include "Score.h"
#include "TextParsing.h"

#include <cctype>
#include <utility>

namespace simhost {

namespace {

// The encoding an XML declaration names, in lower case, or empty.
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
    std::string encoding = text.substr(quote + 1, close - quote - 1);
    for (char& c : encoding) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return encoding;
}

}  // namespace

bool DecodeText(std::string bytes, std::string& text, TextEncoding& encoding, std::string& error)
{
    auto byte = [&bytes](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
    const bool fourBytes = bytes.size() >= 4;
    // By its byte-order mark or its first "<", in either byte order.
    if (fourBytes && ((byte(0) == 0 && byte(1) == 0) || (byte(1) == 0 && byte(2) == 0 && byte(3) == 0) ||
                      (byte(0) == 0xFF && byte(1) == 0xFE && byte(2) == 0 && byte(3) == 0))) {
        error = "a UTF-32 file; save it as UTF-8 or UTF-16";
        return false;
    }
    encoding = TextEncoding::Utf8;
    if (bytes.size() >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == '<' && byte(1) == 0)))
        encoding = TextEncoding::Utf16LittleEndian;
    else if (bytes.size() >= 2 && ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0 && byte(1) == '<')))
        encoding = TextEncoding::Utf16BigEndian;
    if (encoding == TextEncoding::Utf8) {
        text = std::move(bytes);
        const std::string declared = DeclaredEncoding(text);
        if (!declared.empty() && declared != "utf-8") {
            error = "line 1: a file in " + declared + "; only UTF-8 and UTF-16 are read, so that the file can be "
                    "written back as it was";
            return false;
        }
        return true;
    }
    if (bytes.size() % 2 != 0) {
        error = "a UTF-16 file with an odd number of bytes";
        return false;
    }
    const bool little = encoding == TextEncoding::Utf16LittleEndian;
    auto unit = [&](std::size_t i) -> uint32_t {
        return little ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
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

std::string EncodeText(const std::string& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) return text;
    const bool little = encoding == TextEncoding::Utf16LittleEndian;
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&out, little](uint32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += little ? low : high;
        out += little ? high : low;
    };
    // The text is what DecodeText made, or that with ASCII patched in.
    for (std::size_t i = 0; i < text.size();) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        i += length;
        if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return out;
}

}  // namespace simhost
