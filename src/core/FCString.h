// The plug-in's text type: UTF-16 code units with a length and a capacity,
// plus an 8-bit copy made on demand. 8-bit text is widened byte for byte and
// narrowed to the low byte of each unit; no code page is involved.
#pragma once

#include "FCBase.h"

#include <cstdint>

class FCString : public __FCBase {
public:
    FCString();
    explicit FCString(const char* text);
    FCString(const FCString& other);
    FCString& operator=(const FCString& other);
    ~FCString() override;

    const char* ClassName() const override;

    uint32_t GetLength() const { return length_; }
    uint32_t GetCapacity() const { return capacity_; }
    // The unit at index; 0 for any index outside the text.
    uint16_t GetCharAt(int32_t index) const;
    // The units, zero-terminated; valid until the string next changes.
    const uint16_t* GetUTF16() const;
    // A fresh 8-bit copy, owned by the string until the next call or its end.
    const char* GetCString();

    // Null releases the buffer altogether (length and capacity 0).
    void SetCString(const char* text);
    void SetUTF16(const uint16_t* units);
    void SetString(const FCString* other);
    void SetInteger(int32_t value);

    void Append(const FCString* other);
    void AppendCString(const char* text);
    void AppendInteger(int32_t value);
    void AppendCharacter(uint16_t unit);
    // Appends count units, zeros included, growing the buffer once.
    void AppendUnits(const uint16_t* units, uint32_t count);

    bool StartsWith(const char* text);
    // Position of other at or after start, or -1.
    int32_t FindString(const FCString* other, int32_t start) const;
    int32_t FindCString(const char* text, int32_t start) const;
    // Compares with ASCII letters folded to lower case; 0 means equal, and a
    // null other compares as 1.
    int32_t CompareNoCase(const FCString* other) const;

    void Trim();
    void TrimLineEnds();
    bool ReplaceAll(const char* find, const char* replacement);
    bool StripFontTags();

    // Room for n units plus the terminator.
    void EnsureCapacity(uint32_t n);

private:
    void TrimSet(const char* set);

    uint32_t length_ = 0;
    uint32_t capacity_ = 0;
    uint16_t* units_ = nullptr;
    char* narrow_ = nullptr;
};
