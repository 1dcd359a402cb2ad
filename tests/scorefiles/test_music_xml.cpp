// MusicXML into the simulated host and back: one fixture per mapping rule,
// bad input, the round trip, and a whole copy worked out by hand.
#include "MusicXml.h"
#include "ScoreFile.h"
#include "common/FileText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace simhost {
namespace {

std::string Fixture(const std::string& name)
{
    return std::string(QV_FIXTURES_DIR) + "/musicxml/" + name;
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// One line per entry: staff, measure, layer, position, second timing, a
// rest or the notes with their performance values.
std::string Entries(const Score& score)
{
    std::ostringstream out;
    for (const auto& frame : score.frames) {
        for (const EntryBytes& e : frame.second.entries) {
            out << "s" << std::get<0>(frame.first) << " m" << std::get<1>(frame.first) << " l"
                << std::get<2>(frame.first) << " @" << entry::Position(e) << " +" << entry::SecondTiming(e);
            if ((entry::Flags(e) & kSoundingFlag) == 0) out << " rest";
            for (int32_t k = 0; k < entry::NoteCount(e); ++k) {
                const uint16_t id = entry::NoteID(e, k);
                out << " [" << id;
                if (auto p = score.PerformanceOf(entry::Number(e), id))
                    out << " v" << p->velocity << " s" << p->start << " e" << p->end;
                out << "]";
            }
            // The flag tells the plug-in to look for records.
            const bool records = (entry::Flags(e) & kNotePerformanceFlag) != 0;
            out << (records ? " *" : "") << "\n";
        }
    }
    return out.str();
}

Score Import(const std::string& name)
{
    Score score;
    std::string error;
    EXPECT_TRUE(ReadScoreFile(Fixture(name), score, error)) << error;
    return score;
}

TEST(MusicXmlImport, PositionsFromDivisionsBackupForwardAndTuplets)
{
    // Divisions of 3, then 10080 (a common export value); dotted types.
    EXPECT_EQ(Entries(Import("divisions.musicxml")),
              "s1 m1 l0 @0 +1024 [1]\n"
              "s1 m1 l0 @1024 +2048 [1]\n"
              "s1 m2 l0 @0 +1536 [1]\n"
              "s1 m2 l0 @1536 +512 [1]\n");
    // A forward gap, a backup into the middle of the measure, a forward.
    // Each frame's entries are in time order, as the host keeps them.
    EXPECT_EQ(Entries(Import("backup_forward.musicxml")),
              "s1 m1 l0 @512 +512 [1]\n"
              "s1 m1 l0 @1024 +1024 [1]\n"
              "s1 m1 l0 @1536 +512 [1]\n");
    // Triplet eighths take the nearest 1024th and keep their notated length;
    // the note after the tuplet is exact again.
    EXPECT_EQ(Entries(Import("triplet.musicxml")),
              "s1 m1 l0 @0 +1024 [1]\n"
              "s1 m1 l0 @1024 +512 [1]\n"
              "s1 m1 l0 @1365 +512 [1]\n"
              "s1 m1 l0 @1707 +512 [1]\n"
              "s1 m1 l0 @2048 +1024 [1]\n");
}

TEST(MusicXmlImport, ChordsVoicesStavesAndRests)
{
    // Chord notes join the entry before them, with IDs in order.
    EXPECT_EQ(Entries(Import("chords.musicxml")),
              "s1 m1 l0 @0 +1024 [1 v-18 s0 e0] [2 v0 s0 e0] [3] *\n"
              "s1 m1 l0 @1024 +1024 [1]\n");
    // Voice 1 takes layer 0 though voice 2 comes first in the file.
    EXPECT_EQ(Entries(Import("two_voices.musicxml")),
              "s1 m1 l0 @0 +2048 [1]\n"
              "s1 m1 l1 @0 +1024 [1]\n"
              "s1 m1 l1 @1024 +1024 [1]\n");
    // The second staff's voice 5 is its first voice: layer 0.
    const Score piano = Import("two_staff_part.musicxml");
    EXPECT_EQ(Entries(piano),
              "s1 m1 l0 @0 +2048 [1]\n"
              "s2 m1 l0 @0 +1024 [1]\n"
              "s2 m1 l0 @1024 +1024 [1]\n");
    EXPECT_EQ(piano.StaffRecordName(1), std::optional<std::optional<std::string>>(std::string("Piano (staff 1)")));
    EXPECT_EQ(piano.StaffRecordName(2), std::optional<std::optional<std::string>>(std::string("Piano (staff 2)")));
    // A whole-measure rest without a type lasts its duration.
    EXPECT_EQ(Entries(Import("rests.musicxml")),
              "s1 m1 l0 @0 +512 rest\n"
              "s1 m1 l0 @512 +512 [1]\n"
              "s1 m2 l0 @0 +4096 rest\n");
}

TEST(MusicXmlImport, PartsGroupsAndWhatIsLeftOut)
{
    const Score score = Import("part_group.musicxml");
    EXPECT_EQ(score.staffOrder, (std::vector<int16_t>{ 1, 2, 3, 4 }));
    EXPECT_EQ(score.StaffRecordName(3), std::optional<std::optional<std::string>>(std::string("Violin II")));
    ASSERT_TRUE(score.GroupAt(0).has_value());
    EXPECT_EQ(*score.GroupAt(0), (GroupSpec{ 2, 3, "Strings", 1 }));
    EXPECT_FALSE(score.GroupAt(1).has_value());
    // The whole score starts selected.
    EXPECT_EQ(score.selection, (Region{ 0, 1, 1, 0, 0, 4, 1, 4096 }));

    const Score trumpet = Import("grace_and_cue.musicxml");
    EXPECT_EQ(Entries(trumpet), "s1 m1 l0 @0 +1024 [1]\ns1 m1 l0 @2048 +1024 [1]\n");
    EXPECT_EQ(LeftOutNotice(trumpet), "Left out of the copy: 2 grace notes, 1 cue note.");
}

TEST(MusicXmlImport, AttackReleaseAndDynamics)
{
    // attack -1 and release 3 at 4 divisions: -256 and 768; dynamics 77.8
    // is velocity 70.02 -> 70, a change of -20; no attribute, no record.
    EXPECT_EQ(Entries(Import("performance.musicxml")),
              "s1 m1 l0 @0 +1024 [1 v0 s-256 e0] *\n"
              "s1 m1 l0 @1024 +1024 [1 v0 s0 e768] *\n"
              "s1 m1 l0 @2048 +1024 [1 v-20 s0 e0] *\n"
              "s1 m1 l0 @3072 +1024 [1]\n");
}

// Each bad file gives one message naming the place, and leaves the score.
TEST(MusicXmlImport, RefusesBadInputWithThePlace)
{
    const std::string head = "<?xml version=\"1.0\"?>\n<score-partwise><part-list><score-part id=\"P1\">"
                             "<part-name>Flute</part-name></score-part></part-list><part id=\"P1\">\n";
    auto note = [](const std::string& voice, const std::string& extra = "") {
        return "<note><pitch><step>C</step><octave>4</octave></pitch><duration>1</duration><voice>" + voice +
               "</voice>" + extra + "</note>";
    };
    const std::pair<std::string, std::string> cases[] = {
        { head + "<measure number=\"1\"><attributes><divisions>1</divisions></attributes>" + note("1"),
          "line 3, column 167: not well-formed XML" },
        { "<?xml version=\"1.0\"?>\n<score-timewise/>", "line 2, column 1: a score-timewise file" },
        { "<opus/>", "not a MusicXML score (the document is <opus>)" },
        { head + "<measure number=\"7\"><attributes><divisions>1</divisions></attributes>" + note("1") +
              "<backup><duration>1</duration></backup>" + note("2") + "<backup><duration>1</duration></backup>" +
              note("3") + "<backup><duration>1</duration></backup>" + note("4") +
              "<backup><duration>1</duration></backup>" + note("5") + "</measure></part></score-partwise>",
          "part P1 \"Flute\", measure 7: staff 1 has more than 4 voices (voice 5" },
        { head + "<measure number=\"3\"><attributes><divisions>5</divisions></attributes>" + note("1") + note("1") +
              "</measure></part></score-partwise>",
          "part P1 \"Flute\", measure 3, line 3, column 168: the note's position (1/5 quarters into the measure) "
          "cannot be expressed" },
        { head + "<measure number=\"2\"><attributes><divisions>1</divisions></attributes>" +
              "<backup><duration>1</duration></backup></measure></part></score-partwise>",
          "backup before the start of the measure" },
        { head + "<measure number=\"1\"><attributes><divisions>1</divisions></attributes>"
                 "<note attack=\"soon\"><duration>1</duration></note></measure></part></score-partwise>",
          "attack=\"soon\" is not a number of divisions" },
    };
    for (const auto& c : cases) {
        Score score;
        score.measureCount = 99;
        std::string error;
        EXPECT_FALSE(ImportMusicXml(Bytes(c.first), false, score, error)) << c.second;
        EXPECT_NE(error.find(c.second), std::string::npos) << error;
        EXPECT_EQ(score.measureCount, 99);
    }
}

TEST(MusicXmlImport, BoundsWhatAnArchiveUnpacks)
{
    const std::string score = qvtest::ReadFileText(Fixture("chords.musicxml"));
    const std::string container =
        "<container><rootfiles><rootfile full-path=\"s.xml\"/></rootfiles></container>";
    std::string error;
    Score imported;
    const std::vector<uint8_t> good =
        WriteZip({ PackZipEntry("META-INF/container.xml", container), PackZipEntry("s.xml", score) });
    ASSERT_TRUE(ImportMusicXml(good, true, imported, error)) << error;
    EXPECT_EQ(Entries(imported), Entries(Import("chords.musicxml")));

    // A bomb that says what it unpacks to is refused before unpacking.
    ZipEntry huge = PackZipEntry("s.xml", score);
    huge.size = 100u << 20;
    std::vector<uint8_t> bomb = WriteZip({ PackZipEntry("META-INF/container.xml", container), huge });
    EXPECT_FALSE(ImportMusicXml(bomb, true, imported, error));
    EXPECT_EQ(error, "s.xml: unpacks to 104857600 bytes, more than the limit of 67108864");

    // One that says it is small: unpacking stops at the declared size.
    ZipEntry liar = PackZipEntry("s.xml", score + std::string(1u << 20, ' '));
    liar.size = static_cast<uint32_t>(score.size());
    bomb = WriteZip({ PackZipEntry("META-INF/container.xml", container), liar });
    EXPECT_FALSE(ImportMusicXml(bomb, true, imported, error));
    EXPECT_NE(error.find("unpacks to more than its declared size"), std::string::npos) << error;

    // Cut short, damaged, and with no container.
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    EXPECT_FALSE(ImportMusicXml(cut, true, imported, error));
    EXPECT_NE(error.find("no end of central directory"), std::string::npos) << error;
    std::vector<uint8_t> damaged = good;
    damaged[good.size() / 3] ^= 0xFF;
    EXPECT_FALSE(ImportMusicXml(damaged, true, imported, error));
    EXPECT_FALSE(ImportMusicXml(WriteZip({ PackZipEntry("s.xml", score) }), true, imported, error));
    EXPECT_EQ(error, "the archive has no META-INF/container.xml");
    // Names from the file cannot break the message's line (found by fuzzing).
    const std::string odd = "<container><rootfiles><rootfile full-path=\"a&#10;b\"/></rootfiles></container>";
    EXPECT_FALSE(ImportMusicXml(WriteZip({ PackZipEntry("META-INF/container.xml", odd) }), true, imported, error));
    EXPECT_EQ(error, "the archive has no score \"a?b\" (named in META-INF/container.xml)");
}

// Imported and written back with no sync, a file is what it was, byte for
// byte; compressed, its archive holds the same entries.
TEST(MusicXmlExport, RoundTripKeepsTheFile)
{
    const std::string out = testing::TempDir() + "round_trip.musicxml";
    for (const char* name : { "whole_copy.musicxml", "performance.musicxml", "chords.musicxml" }) {
        Score score = Import(name);
        std::string error;
        ASSERT_TRUE(WriteScoreFile(out, score, error)) << error;
        EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture(name))) << name;
    }
    // Through .mxl and back: the same score and the same text.
    const std::string packed = testing::TempDir() + "round_trip.mxl";
    std::string error;
    Score score = Import("performance.musicxml");
    ASSERT_TRUE(WriteScoreFile(packed, score, error)) << error;
    Score again;
    ASSERT_TRUE(ReadScoreFile(packed, again, error)) << error;
    EXPECT_EQ(again, score);
    ASSERT_TRUE(WriteScoreFile(out, again, error)) << error;
    EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture("performance.musicxml")));

    // A score file's score has no MusicXML to write back into.
    EXPECT_FALSE(WriteScoreFile(out, Score(), error));
    EXPECT_NE(error.find("not read from MusicXML"), std::string::npos);
    std::remove(out.c_str());
    std::remove(packed.c_str());
}

TEST(MusicXmlExport, WritesChangedValuesInTheFilesUnits)
{
    Score score = Import("performance.musicxml");
    // Entry 4's note had no record: it gains one; entry 1's start changes.
    ASSERT_TRUE(score.SetPerformance(4, 1, Performance{ 100, -32, 11, 0 }));
    ASSERT_TRUE(score.SetPerformance(1, 1, Performance{ 64, 0, 0, 0 }));
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ExportMusicXml(score, false, bytes, error)) << error;
    const std::string text(bytes.begin(), bytes.end());
    // 64/1024 of a quarter at 4 divisions is 0.25; velocity 90 + 11 is
    // 112.22% of forte.
    EXPECT_NE(text.find("<note attack=\"0.25\"><pitch><step>C"), std::string::npos) << text;
    EXPECT_NE(text.find("<note attack=\"0.390625\" release=\"-0.125\" dynamics=\"112.22\"><pitch><step>F"),
              std::string::npos)
        << text;
    // Read again, the values are the ones written.
    Score again;
    ASSERT_TRUE(ImportMusicXml(bytes, false, again, error)) << error;
    EXPECT_EQ(again.PerformanceOf(1, 1), (Performance{ 64, 0, 0, 0 }));
    EXPECT_EQ(again.PerformanceOf(4, 1), (Performance{ 100, -32, 11, 0 }));
}

// A byte-order mark and CRLF line ends move nothing: the changed notes of
// the hand-worked copy are patched in their places.
TEST(MusicXmlExport, PatchesInPlaceWithByteOrderMarkAndCrLf)
{
    auto windowsText = [](const std::string& text) {
        std::string out = "\xEF\xBB\xBF";
        for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    Score score;
    std::string error;
    ASSERT_TRUE(ImportMusicXml(Bytes(windowsText(qvtest::ReadFileText(Fixture("whole_copy.musicxml")))), false,
                               score, error))
        << error;
    // The Viola's C4 and B3 (entries 4 and 5) as the copy leaves them.
    ASSERT_TRUE(score.SetPerformance(4, 1, Performance{ 256, -512, 18, 0 }));
    ASSERT_TRUE(score.SetPerformance(5, 1, Performance{ 0, 0, -45, 0 }));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ExportMusicXml(score, false, bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              windowsText(qvtest::ReadFileText(Fixture("whole_copy_expected.musicxml"))));
}

TEST(MusicXmlSelection, PartsAndMeasuresAsMusiciansCount)
{
    Score score = Import("part_group.musicxml");
    std::string error;
    std::optional<Region> region = SelectPartsAndMeasures(score, "2-3", "1", error);
    ASSERT_TRUE(region) << error;
    EXPECT_EQ(*region, (Region{ 0, 2, 1, 0, 0, 3, 1, 4096 }));
    EXPECT_FALSE(SelectPartsAndMeasures(score, "5", "", error));
    EXPECT_EQ(error, "no part 5: the score has 4 parts");
    EXPECT_FALSE(SelectPartsAndMeasures(score, "", "2", error));
    EXPECT_EQ(error, "no measure numbered 2 in the score");
    EXPECT_FALSE(SelectPartsAndMeasures(score, "3-2", "", error));
    // A two-staff part is both its staves.
    region = SelectPartsAndMeasures(Import("two_staff_part.musicxml"), "1", "", error);
    ASSERT_TRUE(region) << error;
    EXPECT_EQ(region->startSlot, 1);
    EXPECT_EQ(region->endSlot, 2);
}

}  // namespace
}  // namespace simhost
