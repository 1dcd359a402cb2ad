// The encodings a MusicXML document is read in and written back in.
// UTF-8 (with or without a byte-order mark) and UTF-16 (either byte order)
// are read, and written back in the encoding they came in.
#pragma once

#include <string>

namespace simhost {

enum class TextEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian };

// A document's bytes as UTF-8, from UTF-8 or UTF-16 (by its byte-order mark,
// or by a first "<" in either byte order), and back.
bool DecodeText(std::string bytes, std::string& text, TextEncoding& encoding, std::string& error);
std::string EncodeText(const std::string& text, TextEncoding encoding);

}  // namespace simhost
