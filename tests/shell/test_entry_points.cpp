#include "shell/EntryPoints.h"
#include "shell/Globals.h"
#include "common/MenuRecordChecks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using menucheck::Buffer;
using menucheck::kRecordSize;
using menucheck::kRecordSizeUTF16;

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
    static_assert(kMenuRecordSize == kRecordSize && kMenuRecordSizeUTF16 == kRecordSizeUTF16);
    std::vector<uint8_t> record = Buffer(kRecordSize);
    EXPECT_EQ(1u, FinaleExtensionEnumerate(0, 0, record.data()));
    menucheck::ExpectMenuRecord(record);
}

TEST(EntryPoints, EnumerateIndexIsSigned16Bit)
{
    for (uint32_t index : { 0xFFFFFFFFu, 0x8000u, 0x10000u }) {
        std::vector<uint8_t> record = Buffer(kRecordSize);
        EXPECT_EQ(1u, FinaleExtensionEnumerate(0, index, record.data())) << index;
        EXPECT_STREQ("QV Perfcopy...", reinterpret_cast<char*>(&record[0]));
    }
    for (uint32_t index : { 1u, 2u, 0x7FFFu, 0x10001u }) {
        std::vector<uint8_t> record = Buffer(kRecordSize);
        EXPECT_EQ(0u, FinaleExtensionEnumerate(0, index, record.data())) << index;
        EXPECT_EQ(Buffer(kRecordSize), record);
    }
}

TEST(EntryPoints, EnumerateUTF16FillsOnlyWhatItWrites)
{
    std::vector<uint8_t> record = Buffer(kRecordSizeUTF16);
    EXPECT_EQ(1u, FinaleExtensionEnumerate_UTF16(0, 0, record.data()));
    menucheck::ExpectMenuRecordUTF16(record);
}

TEST(EntryPoints, EnumerateUTF16AnswersOnlyIndexZero)
{
    for (uint32_t index : { 1u, 0xFFFFFFFFu, 0x8000u }) {
        std::vector<uint8_t> record = Buffer(kRecordSizeUTF16);
        EXPECT_EQ(0u, FinaleExtensionEnumerate_UTF16(0, index, record.data())) << index;
        EXPECT_EQ(Buffer(kRecordSizeUTF16), record);
    }
    std::vector<uint8_t> record = Buffer(kRecordSizeUTF16);
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
