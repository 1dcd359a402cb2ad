// The shared settings file in Windows' own C library and file system, under
// Wine: every other plug-in's line survives a save byte for byte (0x1A, a
// zero byte and Latin-1 bytes included), and a read-only file stays as it is.
#include <windows.h>

#include "SimHost.h"
#include "core/FCFileStream.h"
#include "core/FCSettingsPairs.h"
#include "shell/Globals.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

class WindowsSettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A folder of this process's own in the temporary folder.
        char temp[MAX_PATH] = {};
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        for (unsigned n = 0; n < 1000 && folder_.empty(); ++n) {
            const std::string candidate =
                std::string(temp) + "qvsettings-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n);
            if (CreateDirectoryA(candidate.c_str(), nullptr)) folder_ = candidate;
        }
        ASSERT_FALSE(folder_.empty());
        path_ = folder_ + "\\qvpluginprefs.txt";
        simhost::Host::Get().Reset();
        simhost::Host::Get().finalePath = folder_;
        gHostVersion = 0x12050000;
    }
    void TearDown() override
    {
        if (folder_.empty()) return;
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path_.c_str());
        DeleteFileA((path_ + ".new").c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    void Write(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Read() const
    {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    static std::unique_ptr<FCSettingsPairs> ReadPairs()
    {
        std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
        if (!stream->OpenRead()) return nullptr;
        std::unique_ptr<FCStrings> lines(stream->ReadAllLines());
        stream->Close();
        return std::unique_ptr<FCSettingsPairs>(lines->CreateSettingsPairs());
    }

    std::string folder_;
    std::string path_;
};

}  // namespace

TEST_F(WindowsSettingsFile, EveryLineOfOtherPluginsSurvivesASave)
{
    std::string latin1 = "LATIN1=";
    for (int byte = 0x80; byte <= 0xFF; ++byte) latin1 += static_cast<char>(byte);
    Write(std::string("OTHER=a\x1A" "b\r\n") + "ZERO=ab" + std::string(1, '\0') + "cd\r\n" + latin1 + "\r\n" +
          "HI=\xE9\xFF\n" + "NEXT=2");
    auto pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    FCString key("QVPERFCOPY_VELOCITY");
    pairs->SetIntValue(&key, 60);
    ASSERT_TRUE(pairs->SaveToFile());
    EXPECT_EQ(std::string("OTHER=a\x1A" "b\r\n") + "ZERO=ab" + std::string(1, '\0') + "cd\r\n" + latin1 + "\r\n" +
                  "HI=\xE9\xFF\r\n" + "NEXT=2\r\n" + "QVPERFCOPY_VELOCITY=60\r\n",
              Read());
}

TEST_F(WindowsSettingsFile, AReadOnlyFileStaysAsItIsAndAttributesAreKept)
{
    Write("OTHER=1\r\n");
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY);
    auto pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    EXPECT_FALSE(pairs->SaveToFile());
    EXPECT_EQ("OTHER=1\r\n", Read());
    EXPECT_NE(0u, GetFileAttributesA(path_.c_str()) & FILE_ATTRIBUTE_READONLY);

    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(pairs->SaveToFile());
    EXPECT_NE(0u, GetFileAttributesA(path_.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ("OTHER=1\r\n", Read());
}
