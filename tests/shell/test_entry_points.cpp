#include "shell/EntryPoints.h"
#include "shell/Globals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kDescription[] = "Syncs live performance data between notes on difference staves.";

std::vector<uint8_t> Filled(size_t size)
{
    return std::vector<uint8_t>(size, 0xCC);
}

// The UTF-16 text at a byte offset, narrowed, up to its zero unit.
std::string UnitsAt(const std::vector<uint8_t>& record, size_t offset)
{
    std::string text;
    for (size_t i = offset; i + 1 < record.size(); i += 2) {
        uint16_t unit = static_cast<uint16_t>(record[i] | (record[i + 1] << 8));
        if (unit == 0) break;
        text += static_cast<char>(unit);
    }
    return text;
}

}  // namespace

// This test runs first in its process: nothing has set the version yet.
TEST(EntryPoints, HostVersionBeforeTheHandshake)
{
    EXPECT_EQ(0x12050000u, gHostVersion);
    EXPECT_EQ(0, gPerfcopySettings.UseVelocity);
    EXPECT_EQ(0, gPerfcopySettings.VelocityPercent);
}

TEST(EntryPoints, VersionHandshake)
{
    EXPECT_EQ(0x0F000000u, FinaleExtensionVersion(0x11000000));
    EXPECT_EQ(0x11000000u, gHostVersion);
    EXPECT_EQ(0x0F000000u, FinaleExtensionVersion(0x12050000));
    EXPECT_EQ(0x12050000u, gHostVersion);
}

TEST(EntryPoints, InitSetsBitZeroAndDefaults)
{
    uint32_t flags = 6;
    EXPECT_EQ(1u, FinaleExtensionInit(0, &flags));
    EXPECT_EQ(7u, flags);
    flags = 0xFFFFFFFF;
    FinaleExtensionInit(0, &flags);
    EXPECT_EQ(0xFFFFFFFFu, flags);
    EXPECT_EQ(1u, FinaleExtensionInit(0, nullptr));

    EXPECT_EQ(1, gPerfcopySettings.UseVelocity);
    EXPECT_EQ(100, gPerfcopySettings.VelocityPercent);
    EXPECT_EQ(1, gPerfcopySettings.UseStartTime);
    EXPECT_EQ(100, gPerfcopySettings.StartTimePercent);
    EXPECT_EQ(1, gPerfcopySettings.UseEndTime);
    EXPECT_EQ(100, gPerfcopySettings.EndTimePercent);
}

TEST(EntryPoints, EnumerateFillsTheMenuRecord)
{
    std::vector<uint8_t> record = Filled(kMenuRecordSize + 4);
    EXPECT_EQ(1u, FinaleExtensionEnumerate(0, 0, record.data()));
    EXPECT_STREQ("QV Perfcopy...", reinterpret_cast<char*>(&record[0]));
    EXPECT_EQ(0, std::memcmp(&record[64], kDescription, 63));
    EXPECT_EQ(0, record[127]);  // 63 characters and exactly one zero
    EXPECT_STREQ("Perfcopy", reinterpret_cast<char*>(&record[128]));
    for (size_t i = 14; i < 64; ++i) EXPECT_EQ(0, record[i]) << i;
    for (size_t i = 128 + 8; i < 196; ++i) EXPECT_EQ(0, record[i]) << i;
    EXPECT_EQ(0xCC, record[196]);  // nothing past the record
}

TEST(EntryPoints, EnumerateIndexIsSigned16Bit)
{
    for (uint32_t index : { 0xFFFFFFFFu, 0x8000u, 0x10000u }) {
        std::vector<uint8_t> record = Filled(kMenuRecordSize);
        EXPECT_EQ(1u, FinaleExtensionEnumerate(0, index, record.data())) << index;
        EXPECT_STREQ("QV Perfcopy...", reinterpret_cast<char*>(&record[0]));
    }
    for (uint32_t index : { 1u, 2u, 0x7FFFu, 0x10001u }) {
        std::vector<uint8_t> record = Filled(kMenuRecordSize);
        EXPECT_EQ(0u, FinaleExtensionEnumerate(0, index, record.data())) << index;
        EXPECT_EQ(Filled(kMenuRecordSize), record);
    }
}

TEST(EntryPoints, EnumerateUTF16FillsOnlyWhatItWrites)
{
    std::vector<uint8_t> record = Filled(kMenuRecordSizeUTF16 + 4);
    EXPECT_EQ(1u, FinaleExtensionEnumerate_UTF16(0, 0, record.data()));
    EXPECT_EQ("QV Perfcopy...", UnitsAt(record, 0));
    EXPECT_EQ(kDescription, UnitsAt(record, 256));
    EXPECT_EQ("Perfcopy", UnitsAt(record, 512));
    // One zero unit after each text; the rest of each field is untouched.
    EXPECT_EQ(0xCC, record[2 * 15]);
    EXPECT_EQ(0, record[256 + 126]);
    EXPECT_EQ(0, record[256 + 127]);
    EXPECT_EQ(0xCC, record[256 + 128]);
    EXPECT_EQ(0xCC, record[512 + 18]);
    for (size_t i = 768; i < 772; ++i) EXPECT_EQ(0, record[i]);
    EXPECT_EQ(0xCC, record[772]);
}

TEST(EntryPoints, EnumerateUTF16AnswersOnlyIndexZero)
{
    for (uint32_t index : { 1u, 0xFFFFFFFFu, 0x8000u }) {
        std::vector<uint8_t> record = Filled(kMenuRecordSizeUTF16);
        EXPECT_EQ(0u, FinaleExtensionEnumerate_UTF16(0, index, record.data())) << index;
        EXPECT_EQ(Filled(kMenuRecordSizeUTF16), record);
    }
    std::vector<uint8_t> record = Filled(kMenuRecordSizeUTF16);
    EXPECT_EQ(1u, FinaleExtensionEnumerate_UTF16(0, 0x10000u, record.data()));
}

TEST(EntryPoints, NullMenuRecordIsNotWritten)
{
    EXPECT_EQ(1u, FinaleExtensionEnumerate(0, 0, nullptr));
    EXPECT_EQ(1u, FinaleExtensionEnumerate_UTF16(0, 0, nullptr));
    EXPECT_EQ(0u, FinaleExtensionEnumerate(0, 1, nullptr));
}

TEST(EntryPoints, MenuIsAlwaysEnabled)
{
    EXPECT_EQ(1u, FinaleExtensionGetMenuStatus(0));
    EXPECT_EQ(1u, FinaleExtensionGetMenuStatus(12345));
}
