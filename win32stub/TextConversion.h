// Text conversions of the stand-in: UTF-16 units, UTF-8 and Windows-1252.
#pragma once

#include "Win32Stub.h"

#include <string>

namespace win32stub {

std::string ToUtf8(const std::u16string& units);
std::u16string FromUtf8(const std::string& text);
std::u16string FromCodePage(const char* text);
std::string ToCodePage(const std::u16string& units);
// The units of a terminated wide string (none for null).
std::u16string Units(const WCHAR* text);
// Copies at most capacity - 1 units and a terminator; answers the count.
int CopyOut(const std::u16string& text, WCHAR* buffer, int capacity);
// The same, in Windows-1252.
int CopyOutA(const std::u16string& text, char* buffer, int capacity);

}  // namespace win32stub
