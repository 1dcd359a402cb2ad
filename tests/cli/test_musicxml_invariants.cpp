// What a copy may do to any MusicXML file, checked on every one the tests
// read: a pattern on the first staff, then the copy through the command
// line. Only the notes' attack, release and dynamics change; a copy at 0 %
// gives the same bytes; a second copy at 100 % changes nothing; and what is
// written is well-formed and reads back.
#include "MusicXml.h"
#include "MusicXmlReader.h"
#include "PlaybackPattern.h"
#include "ScoreFormats.h"
#include "SyncTool.h"
#include "common/FileText.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const char* const kPlayback[] = { "attack", "release", "dynamics" };

// The document's text with every note's attack, release and dynamics taken
// out of its start tag; `twice` is set when a note has one of them twice.
std::string WithoutPlayback(const std::string& text, bool& twice)
{
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = text.find("<note"); at != std::string::npos; at = text.find("<note", at + 1)) {
        std::size_t i = at + 5;
        if (i >= text.size() || !(std::isspace(static_cast<unsigned char>(text[i])) || text[i] == '>' || text[i] == '/'))
            continue;
        int seen[3] = { 0, 0, 0 };
        while (i < text.size() && text[i] != '>') {
            const std::size_t spaceBegin = i;
            while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            const std::size_t nameBegin = i;
            while (i < text.size() && text[i] != '=' && text[i] != '>' && !std::isspace(static_cast<unsigned char>(text[i])))
                ++i;
            const std::string name = text.substr(nameBegin, i - nameBegin);
            if (i >= text.size() || text[i] != '=') continue;
            const std::size_t quote = text.find_first_of("'\"", i);
            if (quote == std::string::npos) break;
            const std::size_t close = text.find(text[quote], quote + 1);
            if (close == std::string::npos) break;
            i = close + 1;
            for (int k = 0; k < 3; ++k) {
                if (name != kPlayback[k]) continue;
                ++seen[k];
                out.append(text, copied, spaceBegin - copied);
                copied = i;
            }
        }
        twice = twice || *std::max_element(seen, seen + 3) > 1;
    }
    out.append(text, copied, std::string::npos);
    return out;
}

// The score document of a MusicXML file as UTF-8 text, read as the tools
// read it; empty when it cannot be read.
std::string DocumentText(const std::string& path, std::string& error)
{
    simhost::Score score;
    if (!simhost::ReadScoreFile(path, score, error) || !score.musicXml) return "";
    return score.musicXml->text;
}

int Sync(const std::string& in, const std::string& out, int percent, std::string& messages)
{
    std::ostringstream text;
    const std::string value = std::to_string(percent);
    const int status = RunSyncTool({ in, "--source", "1", "--velocity", value, "--start-time", value, "--end-time",
                                     value, "--output", out },
                                   "", text, text);
    messages = text.str();
    return status;
}

// Every MusicXML file below the folder, in name order.
std::vector<std::string> MusicXmlFiles(const std::string& folder)
{
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && simhost::IsMusicXmlPath(entry.path().string()))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(MusicXmlInvariants, HoldOnEveryFileTheTestsRead)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::vector<std::string> files = MusicXmlFiles(std::string(QV_FIXTURES_DIR) + "/musicxml");
    ASSERT_GE(files.size(), 30u) << "the fixtures were not found";
    std::size_t copied = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string extension = fs::path(file).extension().string();
        simhost::Score score;
        std::string error;
        ASSERT_TRUE(simhost::ReadScoreFile(file, score, error)) << error;
        const std::string original = score.musicXml->text;
        GiveFirstStaffPattern(score);
        const std::string patterned = folder.File("patterned" + extension);
        ASSERT_TRUE(simhost::WriteScoreFile(patterned, score, error)) << error;
        const std::string patternedText = DocumentText(patterned, error);
        bool twice = false;
        EXPECT_EQ(WithoutPlayback(patternedText, twice), WithoutPlayback(original, twice)) << "the pattern";
        if (score.staffOrder.size() < 2) continue;  // nothing to copy to

        std::string messages;
        const std::string none = folder.File("none" + extension);
        ASSERT_EQ(Sync(file, none, 0, messages), 0) << messages;
        EXPECT_EQ(qvtest::ReadFileText(none), qvtest::ReadFileText(file)) << "a copy at 0 % of the file as it came";
        ASSERT_EQ(Sync(patterned, none, 0, messages), 0) << messages;
        EXPECT_EQ(qvtest::ReadFileText(none), qvtest::ReadFileText(patterned)) << "a copy at 0 %";

        const std::string once = folder.File("once" + extension);
        ASSERT_EQ(Sync(patterned, once, 100, messages), 0) << messages;
        // Read back by the tools' reader, which refuses XML that is not well-formed.
        const std::string onceText = DocumentText(once, error);
        ASSERT_FALSE(onceText.empty()) << error;
        EXPECT_EQ(WithoutPlayback(onceText, twice), WithoutPlayback(patternedText, twice)) << "the copy at 100 %";
        EXPECT_FALSE(twice) << "a note with one of attack, release and dynamics twice";

        const std::string twiceOut = folder.File("twice" + extension);
        ASSERT_EQ(Sync(once, twiceOut, 100, messages), 0) << messages;
        EXPECT_EQ(qvtest::ReadFileText(twiceOut), qvtest::ReadFileText(once)) << "a second copy at 100 %";
        ++copied;
    }
    EXPECT_GE(copied, 20u) << "too few files had staves to copy to";
}
