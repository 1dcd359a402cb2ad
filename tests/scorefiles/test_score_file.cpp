// The score file: reading, writing, round trips and the errors people see.
#include "ScoreFile.h"
#include "ScoreFormats.h"
#include "core/ByteAccess.h"
#include "common/FileText.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

using simhost::Score;
namespace entry = simhost::entry;

namespace {

std::string FixturePath(const char* name)
{
    return std::string(QV_FIXTURES_DIR) + "/" + name;
}

std::string ErrorOf(const std::string& text)
{
    Score score;
    std::string error;
    EXPECT_FALSE(simhost::ParseScore(text, score, error)) << text;
    return error;
}

}  // namespace

TEST(ScoreFile, ReadsEveryPart)
{
    Score score;
    std::string error;
    ASSERT_TRUE(simhost::ReadScoreFile(FixturePath("two_staves.json"), score, error)) << error;
    EXPECT_EQ(3, score.document);
    EXPECT_EQ((std::set<int32_t>{ 3 }), score.hiddenLayers);
    EXPECT_EQ((std::vector<int16_t>{ 1, 2 }), score.staffOrder);
    EXPECT_EQ(3072, score.selection.endPosition);
    ASSERT_NE(nullptr, score.FindEntry(1));
    ASSERT_NE(nullptr, score.FindEntry(2));
    const simhost::EntryBytes& first = *score.FindEntry(1);
    EXPECT_EQ(0x40020000u, entry::Flags(first));
    EXPECT_EQ(2, entry::NoteCount(first));
    EXPECT_EQ(0x00010000u, entry::NoteFlags(first, 0));
    EXPECT_EQ(1024, entry::SecondTiming(first));
    EXPECT_EQ(-5, score.PerformanceOf(1, 1)->start);
    EXPECT_FALSE(score.PerformanceOf(1, 2).has_value());
    const simhost::EntryBytes& second = *score.FindEntry(2);
    EXPECT_EQ(0x40800004u, entry::Flags(second));
    EXPECT_EQ(0x01, second[4]);
    EXPECT_EQ(0x08, second[145]);
    EXPECT_EQ(0xa0, second[16]);
    EXPECT_EQ(4, score.PerformanceOf(2, 9)->reserved);
    EXPECT_TRUE((score.frames[simhost::FrameKey(2, 2, 1)].writeGuarded));
    uint8_t key[8] = { 1, 0, 0, 0, 0, 0, 0, 0 };
    ASSERT_NE(nullptr, score.records.Find(0x54535458, key));
    EXPECT_EQ((std::vector<uint8_t>{ 0x00, 0xff, 0x10 }), *score.records.Find(0x54535458, key));
    EXPECT_EQ(std::optional<std::string>("^fontTxt(Times)Flute^flat()"), score.StaffRecordName(1));
    EXPECT_EQ(std::nullopt, score.StaffRecordName(2));
    EXPECT_EQ("Oboe 2", score.autoNames[2]);
    EXPECT_EQ(std::optional<uint16_t>(1), score.HumanPlaybackMode());
    ASSERT_TRUE(score.GroupAt(0).has_value());
    EXPECT_EQ("Winds", score.GroupAt(0)->name);
    EXPECT_FALSE(score.GroupAt(1).has_value());
}

TEST(ScoreFile, RoundTrip)
{
    Score score;
    std::string error;
    ASSERT_TRUE(simhost::ReadScoreFile(FixturePath("two_staves.json"), score, error)) << error;
    const std::string written = simhost::FormatScore(score);
    Score again;
    ASSERT_TRUE(simhost::ParseScore(written, again, error)) << error;
    EXPECT_TRUE(score == again);
    EXPECT_EQ(written, simhost::FormatScore(again));
}

TEST(ScoreFile, RecordsWithoutAnEntryAreKept)
{
    Score score;
    score.staffOrder = { 1 };
    uint8_t key[8] = {};
    SetLE32(key, 0, 77);
    score.records.Put(simhost::kPerformanceTag, key, simhost::EncodePerformance(1, simhost::Performance{}));
    Score again;
    std::string error;
    ASSERT_TRUE(simhost::ParseScore(simhost::FormatScore(score), again, error)) << error;
    EXPECT_TRUE(score == again);
}

TEST(ScoreFile, MalformedFilesAreRefusedClearly)
{
    const std::pair<const char*, const char*> cases[] = {
        { "[]", "top level: expected an object" },
        { "{\"documnet\": 1}", "documnet: unknown field" },
        { "{\"document\": \"one\"}", "document: expected an integer from -32768 to 32767, got \"one\"" },
        { "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 2, \"measure\": 1, \"layer\": 0}]}",
          "frames[0].staff: staff 2 is not among the staves" },
        { "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 1, \"measure\": 2, \"layer\": 0}]}",
          "frames[0].measure: measure 2 is past the last measure" },
        { "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 1, \"measure\": 1, \"layer\": 4}]}",
          "frames[0].layer: 4 is outside 0 to 3" },
        { "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 1, \"measure\": 1, \"layer\": 0, "
          "\"entries\": [{\"number\": 1, \"notes\": [{\"id\": 70000}]}]}]}",
          "frames[0].entries[0].notes[0].id: 70000 is outside 0 to 65535" },
        { "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 1, \"measure\": 1, \"layer\": 0, "
          "\"entries\": [{\"number\": 1}, {\"number\": 1}]}]}",
          "frames[0].entries[1].number: entry number 1 is used twice" },
        { "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 1, \"measure\": 1, \"layer\": 0, "
          "\"entries\": [{\"number\": 1, \"flags\": [\"loud\"]}]}]}",
          "frames[0].entries[0].flags[0]: unknown flag \"loud\"" },
        { "{\"records\": [{\"tag\": \"SOIS\", \"key\": \"01\", \"data\": \"\"}]}", "records[0].key: expected 8 bytes" },
        { "{\"records\": [{\"tag\": \"SOIS\", \"key\": \"zz00000000000000\", \"data\": \"\"}]}",
          "records[0].key: \"zz\" is not a hex byte" },
        { "{\"staves\": [{\"number\": 1}, {\"number\": 1}]}", "staves[1].number: staff 1 is listed twice" },
        { "{\"selection\": {\"startSlot\": 1, \"end\": 2}}", "selection.end: unknown field" },
        // Found by fuzzing: a number too large for any type ended the program.
        { "7e777.77", "not valid JSON (a value out of range)" },
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, ErrorOf(c.first)) << c.first;
}

TEST(ScoreFile, ParseErrorsGiveLineAndColumn)
{
    const std::string error = ErrorOf("{\n  \"document\": 1,\n  oops\n}");
    EXPECT_EQ(0u, error.find("line 3, column 3: not valid JSON")) << error;
}

TEST(ScoreFile, AFailedReadLeavesTheScoreAndTheFile)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string path = folder.File("score_file_test_bad.json");
    const std::string bad = "{\"measures\": 1, \"staves\": [{\"number\": 1}], \"frames\": [{\"staff\": 9}]}";
    std::ofstream(path) << bad;
    Score score;
    score.document = 42;
    std::string error;
    EXPECT_FALSE(simhost::ReadScoreFile(path, score, error));
    EXPECT_EQ(0u, error.find(path + ": frames[0]"));
    EXPECT_EQ(42, score.document);
    EXPECT_EQ(bad, qvtest::ReadFileText(path));
    std::remove(path.c_str());
}

TEST(ScoreFile, WritingReplacesTheFileWhole)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string path = folder.File("score_file_test_out.json");
    std::ofstream(path) << "old";
    Score score;
    score.document = 7;
    std::string error;
    ASSERT_TRUE(simhost::WriteScoreFile(path, score, error)) << error;
    Score back;
    ASSERT_TRUE(simhost::ReadScoreFile(path, back, error)) << error;
    EXPECT_TRUE(score == back);
    EXPECT_NE(0, access((path + ".tmp").c_str(), F_OK));
    std::remove(path.c_str());

    EXPECT_FALSE(simhost::WriteScoreFile(folder.File("no/such/folder/x.json"), score, error));
    EXPECT_NE(std::string::npos, error.find("cannot write"));
    EXPECT_FALSE(simhost::ReadScoreFile(folder.File("no/such/file.json"), score, error));
    EXPECT_EQ(folder.File("no/such/file.json: cannot open the file"), error);
}

TEST(ScoreFile, DamagedFilesNeverCrashTheReader)
{
    const std::string original = qvtest::ReadFileText(FixturePath("two_staves.json"));
    std::mt19937 random(7);
    const char replacements[] = "{}[]\",:0123456789-x e\\";
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = original;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text[at] = replacements[random() % (sizeof replacements - 1)]; break;
            case 1: text.erase(at, 1 + random() % 8); break;
            default: text.insert(at, 1, replacements[random() % (sizeof replacements - 1)]); break;
            }
        }
        Score score;
        std::string error;
        if (!simhost::ParseScore(text, score, error)) {
            ++refused;
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(std::string::npos, error.find('\n')) << error;
        }
    }
    EXPECT_GT(refused, 1000);
}
