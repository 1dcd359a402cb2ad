// Checks of the menu records that FinaleExtensionEnumerate and its UTF-16
// form fill, shared by the native tests and the Windows host program.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace menucheck {

constexpr size_t kRecordSize = 196;
constexpr size_t kRecordSizeUTF16 = 772;
constexpr uint8_t kUntouched = 0xCC;
const char kDescription[] = "Syncs live performance data between notes on difference staves.";

// A record buffer with room for 4 bytes past the record, all untouched.
inline std::vector<uint8_t> Buffer(size_t recordSize)
{
    return std::vector<uint8_t>(recordSize + 4, kUntouched);
}

// The UTF-16 text at a byte offset, narrowed, up to its zero unit.
inline std::string UnitsAt(const std::vector<uint8_t>& record, size_t offset)
{
    std::string text;
    for (size_t i = offset; i + 1 < record.size(); i += 2) {
        uint16_t unit = static_cast<uint16_t>(record[i] | (record[i + 1] << 8));
        if (unit == 0) break;
        text += static_cast<char>(unit);
    }
    return text;
}

// Three 64-byte fields, each zero-padded to its end, then a 32-bit zero.
inline void ExpectMenuRecord(const std::vector<uint8_t>& record)
{
    ASSERT_GE(record.size(), kRecordSize + 1);
    EXPECT_STREQ("QV Perfcopy...", reinterpret_cast<const char*>(&record[0]));
    EXPECT_EQ(0, std::memcmp(&record[64], kDescription, 63));
    EXPECT_EQ(0, record[127]) << "63 characters and exactly one zero";
    EXPECT_STREQ("Perfcopy", reinterpret_cast<const char*>(&record[128]));
    for (size_t i = 14; i < 64; ++i) EXPECT_EQ(0, record[i]) << i;
    for (size_t i = 128 + 8; i < kRecordSize; ++i) EXPECT_EQ(0, record[i]) << i;
    EXPECT_EQ(kUntouched, record[kRecordSize]) << "written past the record";
}

// Three 128-unit fields, each text followed by one zero unit and the rest of
// the field left as it was, then a 32-bit zero.
inline void ExpectMenuRecordUTF16(const std::vector<uint8_t>& record)
{
    ASSERT_GE(record.size(), kRecordSizeUTF16 + 1);
    EXPECT_EQ("QV Perfcopy...", UnitsAt(record, 0));
    EXPECT_EQ(kDescription, UnitsAt(record, 256));
    EXPECT_EQ("Perfcopy", UnitsAt(record, 512));
    EXPECT_EQ(kUntouched, record[2 * 15]);
    EXPECT_EQ(0, record[256 + 126]);
    EXPECT_EQ(0, record[256 + 127]);
    EXPECT_EQ(kUntouched, record[256 + 128]);
    EXPECT_EQ(kUntouched, record[512 + 18]);
    for (size_t i = 768; i < kRecordSizeUTF16; ++i) EXPECT_EQ(0, record[i]) << i;
    EXPECT_EQ(kUntouched, record[kRecordSizeUTF16]) << "written past the record";
}

}  // namespace menucheck
