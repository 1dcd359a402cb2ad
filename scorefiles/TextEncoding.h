// The encodings a MusicXML document is read in and written back in.
// UTF-8 (with or without a byte-order mark), UTF-16 (either byte order),
// and the single-byte ISO-8859-1, windows-1252 and US-ASCII are read, and
// written back in the encoding they came in.
#pragma once

#include <string>

namespace simhost {

enum class TextEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Latin1, Windows1252, UsAscii };

// The encoding's usual name ("UTF-8", "ISO-8859-1", ...).
const char* EncodingName(TextEncoding encoding);

// A document's bytes as UTF-8, and the encoding to write it back in. The
// bytes decide between UTF-8 and UTF-16 (a byte-order mark, else the first
// "<" in either byte order); a file in single bytes is read in the encoding
// its declaration names. Where the declaration names another encoding than
// the bytes show, the bytes win and `adjustment` says so in one sentence
// ("the declaration says UTF-16, but the file is written in UTF-8");
// otherwise it is left empty.
bool DecodeText(std::string bytes, std::string& text, TextEncoding& encoding, std::string& adjustment,
                std::string& error);
// The text (as DecodeText made it, with ASCII patched in) in the encoding.
std::string EncodeText(const std::string& text, TextEncoding encoding);

}  // namespace simhost
