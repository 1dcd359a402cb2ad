#include "FCString.h"

#include <cstdio>
#include <cstring>
#include <vector>

static const char kStringClassName[] = "FCString";
static const uint16_t kEmptyUnits[1] = { 0 };

namespace {

uint16_t LowerAsciiUnit(uint16_t unit)
{
    return (unit >= 'A' && unit <= 'Z') ? static_cast<uint16_t>(unit - 'A' + 'a') : unit;
}

bool UnitInSet(uint16_t unit, const char* set)
{
    for (const char* p = set; *p != 0; ++p) {
        if (unit == static_cast<uint8_t>(*p)) return true;
    }
    return false;
}

// A tag that StripFontTags removes: font, effect and size changes.
bool IsDroppedTag(FCString& tag)
{
    return tag.StartsWith("^font") || tag.StartsWith("^Font") || tag.StartsWith("^nfx") ||
           tag.StartsWith("^size");
}

}  // namespace

FCString::FCString()
{
    EnsureCapacity(0);
}

FCString::FCString(const char* text)
{
    EnsureCapacity(0);
    if (text != nullptr) SetCString(text);
}

FCString::FCString(const FCString& other)
    : __FCBase(other)
{
    EnsureCapacity(0);
    SetString(&other);
}

FCString& FCString::operator=(const FCString& other)
{
    SetString(&other);
    return *this;
}

FCString::~FCString()
{
    delete[] units_;
    delete[] narrow_;
}

const char* FCString::ClassName() const
{
    return kStringClassName;
}

uint16_t FCString::GetCharAt(int32_t index) const
{
    if (index < 0 || static_cast<uint32_t>(index) >= length_) return 0;
    return units_[index];
}

const uint16_t* FCString::GetUTF16() const
{
    return units_ != nullptr ? units_ : kEmptyUnits;
}

const char* FCString::GetCString()
{
    char* copy = new char[length_ + 1];
    for (uint32_t i = 0; i < length_; ++i) copy[i] = static_cast<char>(units_[i] & 0xFF);
    copy[length_] = 0;
    delete[] narrow_;
    narrow_ = copy;
    return narrow_;
}

void FCString::SetCString(const char* text)
{
    if (text == nullptr) {
        delete[] units_;
        units_ = nullptr;
        length_ = 0;
        capacity_ = 0;
        return;
    }
    uint32_t count = static_cast<uint32_t>(std::strlen(text));
    EnsureCapacity(count);
    for (uint32_t i = 0; i < count; ++i) units_[i] = static_cast<uint8_t>(text[i]);
    units_[count] = 0;
    length_ = count;
}

void FCString::SetUTF16(const uint16_t* units)
{
    if (units != nullptr && units_ != nullptr && units >= units_ && units < units_ + capacity_) {
        FCString copy;
        copy.SetUTF16(units);
        SetString(&copy);
        return;
    }
    length_ = 0;
    EnsureCapacity(0);
    units_[0] = 0;
    if (units == nullptr) return;
    uint32_t count = 0;
    while (units[count] != 0) ++count;
    AppendUnits(units, count);
}

void FCString::SetString(const FCString* other)
{
    if (other == this) return;
    length_ = 0;
    EnsureCapacity(0);
    units_[0] = 0;
    if (other != nullptr && other->length_ > 0) AppendUnits(other->units_, other->length_);
}

void FCString::SetInteger(int32_t value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
    SetCString(digits);
}

void FCString::Append(const FCString* other)
{
    if (other == nullptr || other->length_ == 0) return;
    if (other == this) {
        FCString copy(*other);
        AppendUnits(copy.units_, copy.length_);
        return;
    }
    AppendUnits(other->units_, other->length_);
}

void FCString::AppendCString(const char* text)
{
    if (text == nullptr) return;
    uint32_t count = static_cast<uint32_t>(std::strlen(text));
    EnsureCapacity(length_ + count);
    for (uint32_t i = 0; i < count; ++i) units_[length_ + i] = static_cast<uint8_t>(text[i]);
    length_ += count;
    units_[length_] = 0;
}

void FCString::AppendInteger(int32_t value)
{
    FCString digits;
    digits.SetInteger(value);
    Append(&digits);
}

void FCString::AppendCharacter(uint16_t unit)
{
    EnsureCapacity(length_ + 1);
    units_[length_] = unit;
    ++length_;
    units_[length_] = 0;
}

void FCString::AppendUnits(const uint16_t* units, uint32_t count)
{
    EnsureCapacity(length_ + count);
    if (count > 0) std::memcpy(units_ + length_, units, count * sizeof(uint16_t));
    length_ += count;
    units_[length_] = 0;
}

bool FCString::StartsWith(const char* text)
{
    if (text == nullptr) return false;
    size_t count = std::strlen(text);
    if (length_ < count) return false;
    return std::memcmp(GetCString(), text, count) == 0;
}

int32_t FCString::FindString(const FCString* other, int32_t start) const
{
    if (other == nullptr) return -1;
    uint32_t from = start < 0 ? 0 : static_cast<uint32_t>(start);
    uint32_t otherLength = other->length_;
    if (otherLength > length_ || from > length_ - otherLength) return -1;
    for (uint32_t p = from; p <= length_ - otherLength; ++p) {
        if (otherLength == 0 ||
            std::memcmp(units_ + p, other->units_, otherLength * sizeof(uint16_t)) == 0) {
            return static_cast<int32_t>(p);
        }
    }
    return -1;
}

int32_t FCString::FindCString(const char* text, int32_t start) const
{
    if (text == nullptr) return -1;
    FCString other(text);
    return FindString(&other, start);
}

int32_t FCString::CompareNoCase(const FCString* other) const
{
    if (other == nullptr) return 1;
    auto folded = [](const FCString& s) {
        std::vector<char> bytes(s.length_ + 1, 0);
        for (uint32_t i = 0; i < s.length_; ++i) {
            bytes[i] = static_cast<char>(LowerAsciiUnit(s.units_[i]) & 0xFF);
        }
        return bytes;
    };
    std::vector<char> mine = folded(*this);
    std::vector<char> theirs = folded(*other);
    return std::strcmp(mine.data(), theirs.data());
}

void FCString::Trim()
{
    TrimSet(" \r\n\t");
}

void FCString::TrimLineEnds()
{
    TrimSet("\r\n");
}

void FCString::TrimSet(const char* set)
{
    if (units_ == nullptr) return;
    uint32_t end = length_;
    while (end > 0 && UnitInSet(units_[end - 1], set)) --end;
    uint32_t begin = 0;
    while (begin < end && UnitInSet(units_[begin], set)) ++begin;
    std::memmove(units_, units_ + begin, (end - begin) * sizeof(uint16_t));
    length_ = end - begin;
    units_[length_] = 0;
}

bool FCString::ReplaceAll(const char* find, const char* replacement)
{
    // An empty find text would match everywhere, forever.
    if (find == nullptr || find[0] == 0) return false;
    if (replacement == nullptr) replacement = "";
    const uint32_t findLength = static_cast<uint32_t>(std::strlen(find));
    const uint32_t replacementLength = static_cast<uint32_t>(std::strlen(replacement));
    int32_t p = FindCString(find, 0);
    if (p < 0) return false;
    while (p >= 0) {
        FCString result;
        result.AppendUnits(units_, static_cast<uint32_t>(p));
        result.AppendCString(replacement);
        uint32_t rest = static_cast<uint32_t>(p) + findLength;
        result.AppendUnits(units_ + rest, length_ - rest);
        SetString(&result);
        p = FindCString(find, p + static_cast<int32_t>(replacementLength));
    }
    return true;
}

bool FCString::StripFontTags()
{
    FCString output;
    FCString tag;
    bool inTag = false;
    bool dropped = false;
    for (uint32_t i = 0; i < length_; ++i) {
        uint16_t unit = units_[i];
        if (inTag) {
            tag.AppendCharacter(unit);
            if (unit == ')') {
                inTag = false;
                if (IsDroppedTag(tag)) {
                    dropped = true;
                } else {
                    output.Append(&tag);
                }
            }
        } else if (unit == '^') {
            if (i + 1 < length_ && units_[i + 1] == '^') {
                output.AppendCharacter('^');
                ++i;
            } else {
                tag.SetCString("^");
                inTag = true;
            }
        } else {
            output.AppendCharacter(unit);
        }
    }
    SetString(&output);
    return dropped;
}

void FCString::EnsureCapacity(uint32_t n)
{
    if (capacity_ > n + 1) return;
    uint32_t newCapacity = (n + 10) / 10 * 10;
    uint16_t* newUnits = new uint16_t[newCapacity];
    uint32_t kept = length_ < newCapacity ? length_ : newCapacity - 1;
    if (units_ != nullptr) std::memcpy(newUnits, units_, kept * sizeof(uint16_t));
    newUnits[kept] = 0;
    delete[] units_;
    units_ = newUnits;
    capacity_ = newCapacity;
    length_ = kept;
}
