// FCString against a plain std::u16string: long runs of random operations,
// the same on both, with every answer and the whole text compared after
// each step.
#include "core/FCString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Letters in both cases (the first and last, and the signs around the upper
// case), the trimmed white space, a font tag's caret, a digit, a Latin-1
// letter, a unit past Latin-1 whose low byte is a letter, and a zero unit.
const uint16_t kUnits[] = { 'a', 'z', 'A', 'Z', '@', '[', ' ', '\r', '\n', '\t', '^', '0', 0xE9, 0x2641, 0 };
// What 8-bit text can hold: no zero, nothing past one byte.
const char kBytes[] = "azAZ@[ \r\n\t^0\xE9";

class Model {
public:
    explicit Model(uint32_t seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::u16string Units(int most)
    {
        std::u16string units;
        for (int i = Below(most + 1); i > 0; --i) units += static_cast<char16_t>(kUnits[Below(sizeof kUnits / 2)]);
        return units;
    }
    std::string Bytes(int most)
    {
        std::string bytes;
        for (int i = Below(most + 1); i > 0; --i) bytes += kBytes[Below(sizeof kBytes - 1)];
        return bytes;
    }
    int32_t Integer()
    {
        const int32_t picks[] = { 0, 7, -7, 120, INT32_MAX, INT32_MIN, 1000000 };
        return picks[Below(7)];
    }

private:
    std::mt19937 random_;
};

std::u16string Widened(const std::string& bytes)
{
    std::u16string units;
    for (char c : bytes) units += static_cast<char16_t>(static_cast<uint8_t>(c));
    return units;
}

FCString Made(const std::u16string& units)
{
    FCString s;
    s.AppendUnits(reinterpret_cast<const uint16_t*>(units.data()), static_cast<uint32_t>(units.size()));
    return s;
}

std::u16string Trimmed(std::u16string text, const std::u16string& set)
{
    size_t end = text.size();
    while (end > 0 && set.find(text[end - 1]) != std::u16string::npos) --end;
    size_t begin = 0;
    while (begin < end && set.find(text[begin]) != std::u16string::npos) ++begin;
    return text.substr(begin, end - begin);
}

int Sign(int value) { return (value > 0) - (value < 0); }

// Letters folded to lower case and each unit cut to its low byte, compared as
// C strings: up to the first zero.
int FoldedCompare(const std::u16string& a, const std::u16string& b)
{
    auto folded = [](const std::u16string& s) {
        std::string bytes;
        for (char16_t u : s) {
            if (u >= 'A' && u <= 'Z') u = static_cast<char16_t>(u - 'A' + 'a');
            const char c = static_cast<char>(u & 0xFF);
            if (c == 0) break;
            bytes += c;
        }
        return bytes;
    };
    return Sign(std::strcmp(folded(a).c_str(), folded(b).c_str()));
}

int32_t Found(const std::u16string& text, const std::u16string& what, int32_t start)
{
    const size_t from = start < 0 ? 0 : static_cast<size_t>(start);
    const size_t at = text.find(what, from);
    return at == std::u16string::npos ? -1 : static_cast<int32_t>(at);
}

void ExpectSame(FCString& s, const std::u16string& text, const std::string& step)
{
    ASSERT_EQ(text.size(), s.GetLength()) << step;
    // Room in steps of ten, always one unit more than the text.
    if (s.GetCapacity() != 0) {
        EXPECT_EQ(0u, s.GetCapacity() % 10) << step;
        EXPECT_GT(s.GetCapacity(), s.GetLength()) << step;
    } else {
        EXPECT_EQ(0u, s.GetLength()) << step;
    }
    const uint16_t* units = s.GetUTF16();
    ASSERT_NE(nullptr, units) << step;
    EXPECT_EQ(text, std::u16string(reinterpret_cast<const char16_t*>(units), text.size())) << step;
    EXPECT_EQ(0, units[text.size()]) << step;
    std::string narrow;
    for (char16_t u : text) narrow += static_cast<char>(u & 0xFF);
    const char* bytes = s.GetCString();
    ASSERT_NE(nullptr, bytes) << step;
    EXPECT_EQ(narrow, std::string(bytes, text.size())) << step;
    EXPECT_EQ(0, bytes[text.size()]) << step;
    for (int32_t i = -2; i < static_cast<int32_t>(text.size()) + 2; ++i) {
        const uint16_t expected = i >= 0 && i < static_cast<int32_t>(text.size()) ? text[i] : 0;
        EXPECT_EQ(expected, s.GetCharAt(i)) << step << ", index " << i;
    }
}

}  // namespace

TEST(StringModel, EveryOperationAgreesWithAPlainString)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        Model pick(seed);
        FCString s;
        std::u16string text;
        for (int round = 0; round < 150; ++round) {
            std::string step = "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ": ";
            const uint32_t capacityBefore = s.GetCapacity();
            const size_t lengthBefore = text.size();
            bool appended = false;
            switch (pick.Below(20)) {
            case 0: {
                std::string bytes = pick.Bytes(12);
                step += "SetCString";
                s.SetCString(bytes.c_str());
                text = Widened(bytes);
                break;
            }
            case 1:
                step += "SetCString(null)";
                s.SetCString(nullptr);
                text.clear();
                EXPECT_EQ(0u, s.GetCapacity()) << step;
                break;
            case 2: {
                std::u16string units = pick.Units(12);
                step += "SetUTF16";
                s.SetUTF16(reinterpret_cast<const uint16_t*>(units.c_str()));
                text = units.substr(0, units.find(u'\0'));
                break;
            }
            case 3: {
                std::u16string units = pick.Units(25);
                FCString other = Made(units);
                step += "SetString";
                s.SetString(&other);
                text = units;
                break;
            }
            case 4:
                step += "SetString(itself or null)";
                if (pick.Below(2) == 0) {
                    s.SetString(&s);
                } else {
                    s.SetString(nullptr);
                    text.clear();
                }
                break;
            case 5: {
                int32_t value = pick.Integer();
                step += "SetInteger " + std::to_string(value);
                s.SetInteger(value);
                text = Widened(std::to_string(value));
                break;
            }
            case 6: {
                std::u16string units = pick.Units(25);
                FCString other = Made(units);
                appended = true;
                step += "Append";
                s.Append(&other);
                text += units;
                break;
            }
            case 7:
                appended = true;
                step += "Append(itself)";
                s.Append(&s);
                text += text;
                if (text.size() > 400) {
                    s.SetCString("");
                    text.clear();
                    appended = false;
                }
                break;
            case 8: {
                std::string bytes = pick.Bytes(12);
                appended = true;
                step += "AppendCString";
                s.AppendCString(bytes.c_str());
                text += Widened(bytes);
                break;
            }
            case 9: {
                int32_t value = pick.Integer();
                appended = true;
                step += "AppendInteger";
                s.AppendInteger(value);
                text += Widened(std::to_string(value));
                break;
            }
            case 10: {
                std::u16string units = pick.Units(1);
                appended = true;
                step += "AppendCharacter";
                for (char16_t u : units) {
                    s.AppendCharacter(u);
                    text += u;
                }
                break;
            }
            case 11: {
                std::u16string units = pick.Units(25);
                appended = true;
                step += "AppendUnits";
                s.AppendUnits(reinterpret_cast<const uint16_t*>(units.data()), static_cast<uint32_t>(units.size()));
                text += units;
                break;
            }
            case 12: {
                // Often a piece of the text itself, so that it is found.
                std::string bytes;
                if (pick.Below(2) == 0 && !text.empty()) {
                    for (char16_t u : text.substr(0, pick.Below(static_cast<int>(text.size())) + 1)) {
                        bytes += static_cast<char>(u & 0xFF);
                    }
                    if (bytes.find('\0') != std::string::npos) bytes.resize(bytes.find('\0'));
                } else {
                    bytes = pick.Bytes(3);
                }
                step += "StartsWith \"" + bytes + "\"";
                std::string narrow;
                for (char16_t u : text) narrow += static_cast<char>(u & 0xFF);
                EXPECT_EQ(narrow.compare(0, bytes.size(), bytes) == 0 && narrow.size() >= bytes.size(),
                          s.StartsWith(bytes.c_str()))
                    << step;
                break;
            }
            case 13: {
                std::u16string what = pick.Units(3);
                if (pick.Below(2) == 0 && !text.empty()) {
                    const int at = pick.Below(static_cast<int>(text.size()));
                    what = text.substr(at, pick.Below(4));
                }
                FCString other = Made(what);
                const int32_t start = pick.Below(static_cast<int>(text.size()) + 4) - 2;
                step += "FindString from " + std::to_string(start);
                EXPECT_EQ(Found(text, what, start), s.FindString(&other, start)) << step;
                std::string bytes = pick.Bytes(2);
                EXPECT_EQ(Found(text, Widened(bytes), start), s.FindCString(bytes.c_str(), start)) << step;
                EXPECT_EQ(-1, s.FindString(nullptr, start)) << step;
                EXPECT_EQ(-1, s.FindCString(nullptr, start)) << step;
                break;
            }
            case 14: {
                std::u16string units = pick.Below(3) == 0 ? text : pick.Units(6);
                if (pick.Below(3) == 0) {
                    for (char16_t& u : units) {
                        if (u >= 'a' && u <= 'z') u = static_cast<char16_t>(u - 'a' + 'A');
                    }
                }
                FCString other = Made(units);
                step += "CompareNoCase";
                EXPECT_EQ(FoldedCompare(text, units), Sign(s.CompareNoCase(&other))) << step;
                EXPECT_EQ(1, s.CompareNoCase(nullptr)) << step;
                break;
            }
            case 15:
                step += "Trim";
                s.Trim();
                text = Trimmed(text, u" \r\n\t");
                break;
            case 16:
                step += "TrimLineEnds";
                s.TrimLineEnds();
                text = Trimmed(text, u"\r\n");
                break;
            case 17: {
                std::string find = pick.Bytes(2);
                std::string replacement = pick.Bytes(3);
                step += "ReplaceAll \"" + find + "\" with \"" + replacement + "\"";
                bool replaced = false;
                const std::u16string wideFind = Widened(find);
                const std::u16string wideReplacement = Widened(replacement);
                if (!wideFind.empty()) {
                    size_t at = text.find(wideFind);
                    while (at != std::u16string::npos) {
                        replaced = true;
                        text.replace(at, wideFind.size(), wideReplacement);
                        at = text.find(wideFind, at + wideReplacement.size());
                    }
                }
                EXPECT_EQ(replaced, s.ReplaceAll(find.c_str(), replacement.c_str())) << step;
                break;
            }
            case 18: {
                step += "copy";
                FCString copy(s);
                ExpectSame(copy, text, step + " (constructed)");
                FCString assigned("x");
                assigned = s;
                ExpectSame(assigned, text, step + " (assigned)");
                break;
            }
            default: {
                uint32_t room = static_cast<uint32_t>(pick.Below(60));
                step += "EnsureCapacity " + std::to_string(room);
                s.EnsureCapacity(room);
                EXPECT_GT(s.GetCapacity(), room) << step;
                break;
            }
            }
            ExpectSame(s, text, step);
            // Text appended grows the room only when the text and its
            // terminator no longer fit, to the next multiple of ten.
            if (appended && text.size() > lengthBefore) {
                const uint32_t n = static_cast<uint32_t>(text.size());
                EXPECT_EQ(capacityBefore > n + 1 ? capacityBefore : (n + 10) / 10 * 10, s.GetCapacity()) << step;
            }
            if (testing::Test::HasFailure()) return;
        }
    }
}
