#include "core/FCString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string Narrow(FCString& s)
{
    return s.GetCString();
}

}  // namespace

TEST(String, EmptyStringHasCapacityTen)
{
    FCString s;
    EXPECT_EQ(0u, s.GetLength());
    EXPECT_EQ(10u, s.GetCapacity());
    EXPECT_EQ(0, s.GetUTF16()[0]);
    EXPECT_STREQ("", s.GetCString());
    // Made from no text at all, a string is the same empty string.
    FCString none(static_cast<const char*>(nullptr));
    EXPECT_EQ(0u, none.GetLength());
    EXPECT_EQ(10u, none.GetCapacity());
    EXPECT_STREQ("", none.GetCString());
}

TEST(String, GrowthInStepsOfTen)
{
    FCString s("123456789");
    EXPECT_EQ(10u, s.GetCapacity());
    s.AppendCString("0");
    EXPECT_EQ(10u, s.GetLength());
    EXPECT_EQ(20u, s.GetCapacity());
    EXPECT_EQ(0, s.GetUTF16()[10]);  // the units end after what was appended
    s.EnsureCapacity(18);
    EXPECT_EQ(20u, s.GetCapacity());
    s.EnsureCapacity(19);
    EXPECT_EQ(20u, s.GetCapacity());  // reallocated at the same size
    s.EnsureCapacity(20);
    EXPECT_EQ(30u, s.GetCapacity());
    EXPECT_EQ("1234567890", Narrow(s));
}

TEST(String, ConversionsAreByValue)
{
    FCString s("\xE9");
    EXPECT_EQ(1u, s.GetLength());
    EXPECT_EQ(0x00E9, s.GetCharAt(0));

    const uint16_t units[] = { 0x0141, 0 };
    s.SetUTF16(units);
    EXPECT_STREQ("\x41", s.GetCString());
}

TEST(String, NullTextReleasesTheBuffer)
{
    FCString s("abc");
    s.SetCString(nullptr);
    EXPECT_EQ(0u, s.GetLength());
    EXPECT_EQ(0u, s.GetCapacity());
    EXPECT_EQ(0, s.GetUTF16()[0]);
    EXPECT_STREQ("", s.GetCString());
    EXPECT_EQ(0, s.GetCharAt(0));
    s.AppendCString("x");
    EXPECT_EQ("x", Narrow(s));

    // A null UTF-16 text empties the string; its units end at once.
    FCString wide("abc");
    wide.SetUTF16(nullptr);
    EXPECT_EQ(0u, wide.GetLength());
    EXPECT_EQ(0, wide.GetUTF16()[0]);
}

TEST(String, Integers)
{
    FCString s;
    s.SetInteger(-42);
    EXPECT_EQ("-42", Narrow(s));
    s.AppendInteger(0);
    EXPECT_EQ("-420", Narrow(s));
    s.SetInteger(INT32_MIN);
    EXPECT_EQ("-2147483648", Narrow(s));
}

TEST(String, CopyAndSetString)
{
    FCString source("hello");
    FCString copy(source);
    EXPECT_EQ("hello", Narrow(copy));
    copy.SetString(nullptr);
    EXPECT_EQ(0u, copy.GetLength());
    copy = source;
    copy = copy;  // self-assignment keeps the text
    EXPECT_EQ("hello", Narrow(copy));
    copy.SetUTF16(copy.GetUTF16() + 1);  // from inside its own buffer
    EXPECT_EQ("ello", Narrow(copy));
    copy.Append(&copy);
    EXPECT_EQ("elloello", Narrow(copy));
    // Appended to itself past its room: the buffer it reads from is replaced.
    FCString grown("abcdefg");
    grown.Append(&grown);
    EXPECT_EQ("abcdefgabcdefg", Narrow(grown));
    // Nothing to append leaves the text as it is.
    grown.Append(nullptr);
    grown.AppendCString(nullptr);
    FCString empty;
    grown.Append(&empty);
    EXPECT_EQ("abcdefgabcdefg", Narrow(grown));
}

TEST(String, GetCharAtAnyIndex)
{
    FCString s("ab");
    EXPECT_EQ('a', s.GetCharAt(0));
    EXPECT_EQ('b', s.GetCharAt(1));
    for (int32_t index : { -1, 2, 3, 10, INT_MAX, INT_MIN }) EXPECT_EQ(0, s.GetCharAt(index)) << index;
}

TEST(String, StartsWith)
{
    FCString s("^fon");
    EXPECT_FALSE(s.StartsWith("^font"));
    EXPECT_TRUE(s.StartsWith("^fo"));
    EXPECT_TRUE(s.StartsWith(""));
    EXPECT_FALSE(s.StartsWith("^Fo"));
    EXPECT_FALSE(s.StartsWith(nullptr));
}

TEST(String, FindAnyStart)
{
    FCString abc("abc");
    FCString empty;
    FCString bc("bc");
    FCString longer("abcd");
    EXPECT_EQ(2, abc.FindString(&empty, 2));
    EXPECT_EQ(3, abc.FindString(&empty, 3));
    EXPECT_EQ(-1, abc.FindString(&empty, 4));
    EXPECT_EQ(1, abc.FindString(&bc, 0));
    EXPECT_EQ(1, abc.FindString(&bc, 1));
    EXPECT_EQ(-1, abc.FindString(&bc, 2));
    EXPECT_EQ(1, abc.FindString(&bc, -5));
    EXPECT_EQ(0, abc.FindString(&empty, INT_MIN));
    EXPECT_EQ(-1, abc.FindString(&bc, INT_MAX));
    EXPECT_EQ(-1, abc.FindString(&longer, 0));
    EXPECT_EQ(-1, abc.FindString(nullptr, 0));
    EXPECT_EQ(-1, abc.FindCString(nullptr, 0));
    EXPECT_EQ(2, abc.FindCString("c", 0));

    FCString released("x");
    released.SetCString(nullptr);
    EXPECT_EQ(-1, released.FindString(&bc, 0));
    EXPECT_EQ(0, released.FindString(&empty, 0));
    EXPECT_EQ(0, abc.FindString(&released, 0));
}

TEST(String, CompareNoCase)
{
    FCString upper("QVPERFCOPY_VELOCITY");
    FCString lower("qvperfcopy_velocity");
    FCString longer("qvperfcopy_velocityX");
    EXPECT_EQ(0, upper.CompareNoCase(&lower));
    EXPECT_LT(upper.CompareNoCase(&longer), 0);
    EXPECT_GT(longer.CompareNoCase(&upper), 0);
    EXPECT_EQ(1, upper.CompareNoCase(nullptr));
    // Only A to Z fold; an accented capital stays apart from its small letter.
    FCString accentedCapital("\xC9");
    FCString accentedSmall("\xE9");
    EXPECT_NE(0, accentedCapital.CompareNoCase(&accentedSmall));
    // Bytes above 0x7F compare as unsigned: after every ASCII letter.
    FCString small("a");
    EXPECT_GT(accentedSmall.CompareNoCase(&small), 0);
    EXPECT_LT(small.CompareNoCase(&accentedSmall), 0);
}

TEST(String, TrimAndTrimLineEnds)
{
    FCString s(" \t\r\n key = value \n\t ");
    s.Trim();
    EXPECT_EQ("key = value", Narrow(s));

    FCString line(" \tvalue\t \r\n\r");
    line.TrimLineEnds();
    EXPECT_EQ(" \tvalue\t ", Narrow(line));

    FCString blank(" \r\n\t");
    blank.Trim();
    EXPECT_EQ(0u, blank.GetLength());

    FCString released("x");
    released.SetCString(nullptr);
    released.Trim();
    EXPECT_EQ(0u, released.GetLength());
}

TEST(String, ReplaceAll)
{
    FCString name("Clarinet in B^flat() and E^flat()");
    EXPECT_TRUE(name.ReplaceAll("^flat()", "b"));
    EXPECT_EQ("Clarinet in Bb and Eb", Narrow(name));
    EXPECT_FALSE(name.ReplaceAll("^flat()", "b"));
    EXPECT_EQ("Clarinet in Bb and Eb", Narrow(name));

    // The replacement is not searched again, even when it holds the find text.
    FCString s("aXa");
    EXPECT_TRUE(s.ReplaceAll("a", "aa"));
    EXPECT_EQ("aaXaa", Narrow(s));

    FCString t("abc");
    EXPECT_TRUE(t.ReplaceAll("b", nullptr));
    EXPECT_EQ("ac", Narrow(t));
}

TEST(String, ReplaceAllWithEmptyFindChangesNothing)
{
    FCString s("abc");
    EXPECT_FALSE(s.ReplaceAll("", "x"));
    EXPECT_FALSE(s.ReplaceAll(nullptr, "x"));
    EXPECT_EQ("abc", Narrow(s));
}

TEST(String, StripFontTags)
{
    FCString s("^fontTxt(Times New Roman,4096)^size(12)Word^^1");
    EXPECT_TRUE(s.StripFontTags());
    EXPECT_EQ("Word^1", Narrow(s));

    FCString flat("Horn^flat()");
    EXPECT_FALSE(flat.StripFontTags());
    EXPECT_EQ("Horn^flat()", Narrow(flat));

    FCString open("Word ^fontTxt(Times");
    EXPECT_FALSE(open.StripFontTags());
    EXPECT_EQ("Word ", Narrow(open));

    FCString others("^Font(x)^nfx(1)^fontMus(y)A^sharp()");
    EXPECT_TRUE(others.StripFontTags());
    EXPECT_EQ("A^sharp()", Narrow(others));

    // An escaped caret as the very first unit.
    FCString leading("^^3");
    EXPECT_FALSE(leading.StripFontTags());
    EXPECT_EQ("^3", Narrow(leading));

    FCString lastCaret("A^");
    EXPECT_FALSE(lastCaret.StripFontTags());
    EXPECT_EQ("A", Narrow(lastCaret));

    // Carets inside a tag belong to the tag.
    FCString inner("^size(^^)B");
    EXPECT_TRUE(inner.StripFontTags());
    EXPECT_EQ("B", Narrow(inner));
}

TEST(String, StaffNameCleanup)
{
    FCString name("^fontTxt(Arial)Trumpet in B^flat()^sharp()");
    name.StripFontTags();
    name.ReplaceAll("^flat()", "b");
    name.ReplaceAll("^sharp()", "#");
    EXPECT_EQ("Trumpet in Bb#", Narrow(name));
}
