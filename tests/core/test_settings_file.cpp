// The shared settings file: its place, its lines and its pairs.
#include "common/ScoreFixture.h"
#include "common/TempFolder.h"
#include "core/FCFileStream.h"
#include "core/FCSettingsPairs.h"
#include "shell/Globals.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process's open file descriptors, or -1 when they cannot be counted.
std::ptrdiff_t OpenFiles()
{
    std::error_code error;
    std::ptrdiff_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++count;
    return error ? std::ptrdiff_t(-1) : count;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

class SettingsFile : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        ASSERT_FALSE(folder_.Path().empty());
        host().finalePath = folder_.Path();
        // The plug-in names the file as Windows does; the stand-in takes the
        // backslash as a separator.
        hostPath_ = folder_.Path() + "\\qvpluginprefs.txt";
        path_ = folder_.File("qvpluginprefs.txt");
        openAtStart_ = OpenFiles();
        ASSERT_GT(openAtStart_, 0) << "the open files cannot be counted";
    }
    void TearDown() override
    {
        // Every read and write closes what it opened, failed ones too.
        EXPECT_EQ(openAtStart_, OpenFiles()) << "a file was left open";
        std::remove(path_.c_str());
        std::remove((path_ + ".new").c_str());
        gHostVersion = 0x12050000;
        ScoreTest::TearDown();
    }

    void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

    // Reads the pairs as the plug-in does: open, read every line, close.
    std::unique_ptr<FCSettingsPairs> ReadPairs()
    {
        std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
        if (!stream->OpenRead()) return nullptr;
        std::unique_ptr<FCStrings> lines(stream->ReadAllLines());
        stream->Close();
        return std::unique_ptr<FCSettingsPairs>(lines->CreateSettingsPairs());
    }

    static std::string Text(FCString* s) { return s == nullptr ? "(none)" : s->GetCString(); }

    qvtest::TempFolder folder_;
    std::string hostPath_;
    std::string path_;
    std::ptrdiff_t openAtStart_ = 0;
};

TEST_F(SettingsFile, FolderComesFromTheHostInItsForm)
{
    for (uint32_t version : { 0x0F000000u, 0x10000000u, 0x11000000u, 0x12050000u }) {
        gHostVersion = version;
        score().hostVersion = version;
        host().ClearLog();
        std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
        std::unique_ptr<FCString> path(stream->CreatePath());
        EXPECT_EQ(hostPath_, path->GetCString()) << std::hex << version;
        std::vector<simhost::LoggedCall> calls = host().CallsTo("FX_GetFinalePath");
        ASSERT_EQ(1u, calls.size());
        EXPECT_EQ(version < 0x10000000 ? 7 : 15, calls[0].args[0]);
    }
}

TEST_F(SettingsFile, FolderThatFillsTheRecordEndsInsideIt)
{
    host().fillsTextBuffers = true;
    std::unique_ptr<FCTextFileStream> wide(CreateSettingsFileStream());
    std::unique_ptr<FCString> widePath(wide->CreatePath());
    EXPECT_EQ(259u + 1 + 17, widePath->GetLength());
    gHostVersion = 0x10000000;
    std::unique_ptr<FCTextFileStream> narrow(CreateSettingsFileStream());
    std::unique_ptr<FCString> narrowPath(narrow->CreatePath());
    EXPECT_EQ(518u + 1 + 17, narrowPath->GetLength());
}

TEST_F(SettingsFile, FourLinesGiveTwoPairsAndTwoLinesBack)
{
    Write("ALPHA=1\n   beta key \t=  some value \t\n\n=orphan\n");
    std::unique_ptr<FCSettingsPairs> pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    ASSERT_EQ(2, pairs->GetCount());
    EXPECT_EQ("beta key", Text(pairs->GetPairAt(1)->GetKey()));
    EXPECT_EQ("some value", Text(pairs->GetPairAt(1)->GetValue()));
    EXPECT_TRUE(pairs->SaveToFile());
    EXPECT_EQ("ALPHA=1\nbeta key=some value\n", ReadText(path_));
}

TEST_F(SettingsFile, KeysMatchWithoutCaseAndKeepTheirOwn)
{
    Write("OTHER_PLUGIN=x\nQVPERFCOPY_VELOCITY=80\nzeta=1");
    std::unique_ptr<FCSettingsPairs> pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    FCString lower("qvperfcopy_velocity");
    ASSERT_NE(nullptr, pairs->Find(&lower));
    EXPECT_EQ("80", Text(pairs->Find(&lower)->GetValue()));
    pairs->SetIntValue(&lower, -5);
    FCString fresh("QVPERFCOPY_USEVELOCITY");
    pairs->SetBoolValue(&fresh, true);
    FCString another("QVPERFCOPY_USEENDTIME");
    pairs->SetBoolValue(&another, false);
    EXPECT_TRUE(pairs->SaveToFile());
    EXPECT_EQ("OTHER_PLUGIN=x\nQVPERFCOPY_VELOCITY=-5\nzeta=1\nQVPERFCOPY_USEVELOCITY=1\nQVPERFCOPY_USEENDTIME=0\n",
              ReadText(path_));
    FCString missing("nope");
    EXPECT_EQ(nullptr, pairs->Find(&missing));
    EXPECT_STREQ("FCSettingsPairs", pairs->ClassName());
}

TEST_F(SettingsFile, ValuesKeepLaterEqualsSignsAndDuplicatesSurvive)
{
    Write("a=b=c\nK=1\nk=2\r\nother=Z\n");
    std::unique_ptr<FCSettingsPairs> pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    ASSERT_EQ(4, pairs->GetCount());
    EXPECT_EQ("b=c", Text(pairs->GetPairAt(0)->GetValue()));
    FCString key("k");
    FCString value("3");
    pairs->SetValue(&key, &value);
    EXPECT_TRUE(pairs->SaveToFile());
    EXPECT_EQ("a=b=c\nK=3\nk=2\nother=Z\n", ReadText(path_));
}

TEST_F(SettingsFile, LinesAsTheStreamReadsThem)
{
    Write("one\r\n\ntwo");
    std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
    EXPECT_EQ(nullptr, stream->ReadLine());
    EXPECT_EQ(nullptr, stream->ReadAllLines());
    ASSERT_TRUE(stream->OpenRead());
    EXPECT_FALSE(stream->OpenRead());  // opened once in its life
    std::unique_ptr<FCStrings> lines(stream->ReadAllLines());
    std::vector<std::string> texts;
    for (int32_t i = 0; i < lines->GetCount(); ++i) texts.push_back(lines->GetStringAt(i)->GetCString());
    // Carriage return and line feed each end a line; the last needs neither.
    EXPECT_EQ((std::vector<std::string>{ "one", "", "", "two" }), texts);
    EXPECT_EQ(nullptr, stream->ReadLine());
}

TEST_F(SettingsFile, AStreamClosesItsFileWhenItGoesAway)
{
    Write("one\n");
    const std::ptrdiff_t before = OpenFiles();
    ASSERT_GT(before, 0);
    {
        std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
        ASSERT_TRUE(stream->OpenRead());
        EXPECT_EQ(before + 1, OpenFiles());
    }
    EXPECT_EQ(before, OpenFiles());
}

TEST_F(SettingsFile, MissingFileIsNeitherReadNorCreated)
{
    std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
    EXPECT_FALSE(stream->OpenRead());
    EXPECT_EQ(nullptr, stream->ReadAllLines());
    EXPECT_NE(0, access(path_.c_str(), F_OK));
}

TEST_F(SettingsFile, FailedWriteLeavesTheOldFileWhole)
{
    // A value that fits the stream's buffer fails when the file is flushed;
    // one larger than the buffer fails in the write of its line.
    for (size_t length : { 4000u, 20000u }) {
        SCOPED_TRACE(length);
        const std::string original = "OTHER_A=first\nQVPERFCOPY_VELOCITY=10\nOTHER_B=second\n";
        Write(original);
        std::unique_ptr<FCSettingsPairs> pairs = ReadPairs();
        ASSERT_NE(nullptr, pairs);
        FCString key("QVPERFCOPY_VELOCITY");
        FCString big(std::string(length, '9').c_str());
        pairs->SetValue(&key, &big);

        // A disk that fills up after 64 bytes: the write fails halfway.
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = old;
        small.rlim_cur = 64;
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = pairs->SaveToFile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        EXPECT_FALSE(saved);
        EXPECT_EQ(original, ReadText(path_));
        EXPECT_NE(0, access((path_ + ".new").c_str(), F_OK));
    }
}

// A folder that does not exist takes no file: the save fails and makes
// nothing, and a stream cannot open the file for writing there either.
TEST_F(SettingsFile, NoFileInAFolderThatIsNotThere)
{
    const std::string gone = folder_.File("gone");
    host().finalePath = gone;
    FCSettingsPairs pairs;
    FCString key("K");
    pairs.SetIntValue(&key, 1);
    EXPECT_FALSE(pairs.SaveToFile());
    std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
    EXPECT_FALSE(stream->OpenWrite());
    EXPECT_NE(0, access(gone.c_str(), F_OK));
}

// Opened for writing, the file is made empty, or made when missing, and a
// stream opens once in its life.
TEST_F(SettingsFile, OpenWriteEmptiesOrMakesTheFile)
{
    for (bool exists : { true, false }) {
        SCOPED_TRACE(exists);
        if (exists) Write("OTHER=1\n");
        std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
        ASSERT_TRUE(stream->OpenWrite());
        EXPECT_FALSE(stream->OpenWrite());
        EXPECT_FALSE(stream->OpenRead());
        EXPECT_EQ(nullptr, stream->ReadLine());
        stream->Close();
        EXPECT_EQ("", ReadText(path_));
        EXPECT_EQ(0, access(path_.c_str(), F_OK));
        std::remove(path_.c_str());
    }
}

// Empty places in a list of lines give no pairs.
TEST_F(SettingsFile, EmptyPlacesInTheLinesGiveNoPairs)
{
    FCStrings lines;
    lines.Add(new FCString("A=1"));
    lines.Add(nullptr);
    lines.Add(new FCString("B=2"));
    std::unique_ptr<FCSettingsPairs> pairs(lines.CreateSettingsPairs());
    ASSERT_EQ(2, pairs->GetCount());
    EXPECT_EQ("A", Text(pairs->GetPairAt(0)->GetKey()));
    EXPECT_EQ("B", Text(pairs->GetPairAt(1)->GetKey()));
}

TEST_F(SettingsFile, FailedReplacementLeavesTheOldFileWhole)
{
    // The settings "file" is a folder that cannot be replaced by a file.
    ASSERT_EQ(0, mkdir(path_.c_str(), 0700));
    const std::string inside = path_ + "/keep";
    std::ofstream(inside) << "x";
    FCSettingsPairs pairs;
    FCString key("K");
    pairs.SetIntValue(&key, 1);
    EXPECT_FALSE(pairs.SaveToFile());
    EXPECT_EQ("x", ReadText(inside));
    EXPECT_NE(0, access((path_ + ".new").c_str(), F_OK));
    std::remove(inside.c_str());
    rmdir(path_.c_str());
}

// Other plug-ins' lines come back byte for byte, whatever bytes they hold:
// 0x1A (the end of a text file on Windows), a zero byte, Latin-1 bytes, and
// the line ends, which become the system's own.
TEST_F(SettingsFile, EveryLineOfOtherPluginsSurvivesASave)
{
    std::string latin1 = "LATIN1=";
    for (int byte = 0x80; byte <= 0xFF; ++byte) latin1 += static_cast<char>(byte);
    Write(std::string("OTHER=a\x1A" "b\r\n") + "ZERO=ab" + std::string(1, '\0') + "cd\r\n" + latin1 + "\n" +
          "NEXT=2\r" + "QVPERFCOPY_VELOCITY=5");
    auto pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    FCString key("QVPERFCOPY_VELOCITY");
    pairs->SetIntValue(&key, 60);
    pairs->Add(nullptr);  // an empty place in the list writes no line
    // and is passed over by the search for a key.
    FCString missing("MISSING");
    EXPECT_EQ(nullptr, pairs->Find(&missing));
    ASSERT_TRUE(pairs->SaveToFile());
    EXPECT_EQ(std::string("OTHER=a\x1A" "b\n") + "ZERO=ab" + std::string(1, '\0') + "cd\n" + latin1 + "\n" +
                  "NEXT=2\n" + "QVPERFCOPY_VELOCITY=60\n",
              ReadText(path_));
}

// A host that names no folder puts the file at the root of the drive: the
// stand-in keeps that root in the folder it is given, never this system's.
TEST_F(SettingsFile, NoFolderFromTheHostMeansTheRootOfTheDrive)
{
    const std::string drive = folder_.File("drive");
    ASSERT_TRUE(std::filesystem::create_directory(drive));
    Win32StubSetDriveRoot(drive);
    EXPECT_EQ(drive + "/a/b.txt", Win32StubLocalFileName("\\a\\b.txt"));
    EXPECT_EQ("//server/a.txt", Win32StubLocalFileName("\\\\server\\a.txt"));
    EXPECT_EQ("a/b.txt", Win32StubLocalFileName("a\\b.txt"));
    host().FailCall("FX_GetFinalePath", 1);
    const bool saved = FCSettingsPairs().SaveToFile();
    Win32StubSetDriveRoot("");
    EXPECT_TRUE(saved);
    EXPECT_EQ(0, access((drive + "/qvpluginprefs.txt").c_str(), F_OK));
    EXPECT_NE(0, access(path_.c_str(), F_OK));
}

// A key of only blanks is a pair with an empty key: its line stays in its
// place, trimmed like any other, so another plug-in's value is not lost.
TEST_F(SettingsFile, AKeyOfBlanksIsKeptAsAnEmptyKey)
{
    Write("A=1\n \t= x=y \nB=2\n");
    auto pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    ASSERT_EQ(3, pairs->GetCount());
    EXPECT_EQ("", Text(pairs->GetPairAt(1)->GetKey()));
    EXPECT_EQ("x=y", Text(pairs->GetPairAt(1)->GetValue()));
    FCString key("B");
    pairs->SetIntValue(&key, 3);
    ASSERT_TRUE(pairs->SaveToFile());
    EXPECT_EQ("A=1\n=x=y\nB=3\n", ReadText(path_));
}

TEST_F(SettingsFile, AFileThatMayNotBeWrittenStaysAsItIsAndALinkStaysALink)
{
    Write("OTHER=1\n");
    chmod(path_.c_str(), 0444);
    auto pairs = ReadPairs();
    ASSERT_NE(nullptr, pairs);
    EXPECT_FALSE(pairs->SaveToFile());
    struct stat info = {};
    stat(path_.c_str(), &info);
    EXPECT_EQ(0444u, info.st_mode & 0777u);
    EXPECT_EQ("OTHER=1\n", ReadText(path_));

    // A writable file keeps its mode.
    chmod(path_.c_str(), 0640);
    ASSERT_TRUE(pairs->SaveToFile());
    stat(path_.c_str(), &info);
    EXPECT_EQ(0640u, info.st_mode & 0777u);

    // Through a link, the file it names is written and the link stays.
    const std::string target = folder_.File("target.txt");
    std::rename(path_.c_str(), target.c_str());
    ASSERT_EQ(0, symlink(target.c_str(), path_.c_str()));
    FCString key("MINE");
    pairs->SetIntValue(&key, 3);
    ASSERT_TRUE(pairs->SaveToFile());
    struct stat link = {};
    lstat(path_.c_str(), &link);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ("OTHER=1\nMINE=3\n", ReadText(target));
    std::remove(target.c_str());

    // A link that names itself cannot be followed: nothing is written,
    // beside it or anywhere else (here, the folder the process works in).
    std::remove(path_.c_str());
    ASSERT_EQ(0, symlink(path_.c_str(), path_.c_str()));
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::current_path(folder_.Path());
    std::ofstream(".new") << "keep";
    const bool saved = pairs->SaveToFile();
    std::filesystem::current_path(working);
    EXPECT_FALSE(saved);
    EXPECT_EQ("keep", ReadText(folder_.File(".new")));
    EXPECT_NE(0, access((path_ + ".new").c_str(), F_OK));
    std::remove(folder_.File(".new").c_str());
    std::remove(path_.c_str());
}
