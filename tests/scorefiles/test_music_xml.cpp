// MusicXML into the simulated host and back: one fixture per mapping rule,
// bad input, the round trip, and a whole copy worked out by hand.
#include "MusicXml.h"
#include "MusicXmlReader.h"
#include "MusicXmlWriter.h"
#include "ScoreFormats.h"
#include "TextEncoding.h"
#include "common/FileText.h"
#include "common/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// What notation programs commonly write, each read as the host holds it.
TEST(MusicXmlImport, ReadsWhatNotationProgramsWrite)
{
    // No divisions: durations count quarters.
    EXPECT_EQ(Entries(Import("no_divisions.musicxml")), "s1 m1 l0 @0 +1024 [1]\ns1 m1 l0 @2048 +2048 [1]\n");
    // Voices 1-4 on the first staff and 5-8 on the second, or 1-2 on each:
    // each staff's lowest voice takes layer 0.
    EXPECT_EQ(Entries(Import("voices_per_part.musicxml")),
              "s1 m1 l0 @0 +2048 [1]\n"
              "s1 m1 l1 @0 +2048 [1]\n"
              "s2 m1 l0 @0 +1024 [1]\n"
              "s2 m1 l0 @1024 +1024 [1]\n"
              "s2 m1 l1 @0 +2048 [1]\n"
              "s3 m1 l0 @0 +2048 [1]\n"
              "s3 m1 l1 @0 +2048 [1]\n"
              "s4 m1 l0 @0 +2048 [1]\n"
              "s4 m1 l1 @0 +2048 [1]\n");
    // Divisions of 1 against 480, then 8 in mid-measure: the same rhythm.
    EXPECT_EQ(Entries(Import("parts_divisions.musicxml")),
              "s1 m1 l0 @0 +1024 [1]\ns1 m1 l0 @1024 +1024 [1]\ns2 m1 l0 @0 +1024 [1]\ns2 m1 l0 @1024 +1024 [1]\n");
    // A pickup, two measures both numbered 2 (the endings), "X1", "12a" and
    // a multi-measure rest: each measure of the file is a measure of its own.
    const Score numbered = Import("measure_numbers.musicxml");
    EXPECT_EQ(numbered.measureCount, 7);
    EXPECT_EQ(numbered.musicXml->measureNumbers,
              (std::vector<std::string>{ "0", "1", "2", "2", "X1", "12a", "13" }));
    EXPECT_EQ(numbered.musicXml->measureLengths, (std::vector<int32_t>{ 1024, 2048, 2048, 2048, 1024, 2048, 2048 }));
    EXPECT_EQ(Entries(numbered),
              "s1 m1 l0 @0 +1024 [1]\n"
              "s1 m2 l0 @0 +2048 [1]\n"
              "s1 m3 l0 @0 +2048 [1]\n"
              "s1 m4 l0 @0 +2048 [1]\n"
              "s1 m5 l0 @0 +1024 [1]\n"
              "s1 m6 l0 @0 +2048 rest\n"
              "s1 m7 l0 @0 +2048 rest\n");
    // Measures as printed: "2" is the first ending; "2-2" stays there.
    std::string error;
    std::optional<Region> region = SelectPartsAndMeasures(numbered, "", "2", error);
    ASSERT_TRUE(region) << error;
    EXPECT_EQ(region->startMeasure, 3);
    EXPECT_EQ(region->endMeasure, 3);
    region = SelectPartsAndMeasures(numbered, "", "0-12a", error);
    ASSERT_TRUE(region) << error;
    EXPECT_EQ(region->startMeasure, 1);
    EXPECT_EQ(region->endMeasure, 6);
    // Unpitched and hidden notes sound; rests, hidden or not, are rests.
    EXPECT_EQ(Entries(Import("hidden_unpitched.musicxml")),
              "s1 m1 l0 @0 +1024 [1]\ns1 m1 l0 @1024 +1024 [1]\ns1 m1 l0 @2048 +1024 rest\ns1 m1 l0 @3072 +1024 rest\n");
    // A part of rests only is a staff; an unnamed part is one; a part-list
    // entry without music is left out, and an empty part-group ignored.
    const Score parts = Import("part_list_entries.musicxml");
    EXPECT_EQ(parts.staffOrder, (std::vector<int16_t>{ 1, 2, 3 }));
    EXPECT_EQ(parts.StaffRecordName(2), std::optional<std::optional<std::string>>(std::string("")));
    EXPECT_EQ(parts.StaffRecordName(3), std::optional<std::optional<std::string>>(std::string("Tacet")));
    EXPECT_FALSE(parts.GroupAt(0).has_value());
    EXPECT_EQ(Entries(parts),
              "s1 m1 l0 @0 +2048 [1]\ns1 m2 l0 @0 +2048 [1]\ns2 m1 l0 @0 +2048 [1]\ns2 m2 l0 @0 +2048 rest\n"
              "s3 m1 l0 @0 +2048 rest\n");
    EXPECT_EQ(LeftOutNotice(parts), "Left out of the copy: 1 part without music (P4).");
    EXPECT_EQ(AdjustedNotice(parts), "");
}

// A backup past the measure's start or a forward past its end stops there;
// a note between 1024ths outside a tuplet goes to the nearest. All said.
TEST(MusicXmlImport, ClampsAndReportsWhatItAdjusts)
{
    const Score score = Import("clamped.musicxml");
    EXPECT_EQ(Entries(score),
              "s1 m1 l0 @0 +2048 [1]\n"
              "s1 m1 l1 @0 +1024 [1]\n"
              "s1 m1 l1 @1024 +1024 [1]\n"
              "s1 m2 l0 @2560 +1024 [1]\n"
              "s1 m3 l0 @0 +512 [1]\n"
              "s1 m3 l0 @341 +512 [1]\n");
    EXPECT_EQ(AdjustedNotice(score),
              "Adjusted: 1 backup past a measure's start, 1 forward past a measure's end, 1 note between 1024ths "
              "of a quarter, moved to the nearest (first: part P1 \"Horn\", measure 1, line 8, column 7).");
    EXPECT_EQ(LeftOutNotice(score), "");
    EXPECT_EQ(AdjustedNotice(Import("triplet.musicxml")), "");

    // A part named across two lines still gives a notice of one line.
    std::string text = qvtest::ReadFileText(Fixture("clamped.musicxml"));
    const std::size_t horn = text.find("Horn</part-name>");
    ASSERT_NE(std::string::npos, horn);
    text.replace(horn, 4, "Ho\nrn");
    Score named;
    std::string error;
    ASSERT_TRUE(ImportMusicXml(Bytes(text), false, named, error)) << error;
    EXPECT_NE(std::string::npos, AdjustedNotice(named).find("part P1 \"Ho rn\", measure 1"));
}

// Part and group names written across lines, as some exports do ("1" and
// "2" stacked), become names of one line: each run of white space one
// space. The file itself keeps them as they were.
TEST(MusicXmlImport, NamesWithLineBreaksBecomeOneLine)
{
    const Score score = Import("line_break_names.musicxml");
    using Name = std::optional<std::optional<std::string>>;
    EXPECT_EQ(score.StaffRecordName(1), Name(std::string("1 2")));
    EXPECT_EQ(score.StaffRecordName(2), Name(std::string("3 4")));
    EXPECT_EQ(score.StaffRecordName(3), Name(std::string("Tuba")));
    const std::optional<GroupSpec> horns = score.GroupAt(0);
    ASSERT_TRUE(horns);
    EXPECT_EQ(horns->name, "Horns in F");
    EXPECT_EQ(horns->first, 1);
    EXPECT_EQ(horns->last, 2);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ExportMusicXml(score, false, bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), qvtest::ReadFileText(Fixture("line_break_names.musicxml")));
}

TEST(MusicXmlImport, LeavesOutWhatTheHostCannotHold)
{
    // Voice 9 is a fifth voice on its staff; a chord has 13 notes.
    const Score score = Import("left_out.musicxml");
    const std::string entries = Entries(score);
    EXPECT_EQ(entries.substr(0, entries.find("s1 m2")),
              "s1 m1 l0 @0 +1024 [1]\ns1 m1 l1 @0 +1024 [1]\ns1 m1 l2 @0 +1024 [1]\ns1 m1 l3 @0 +1024 [1]\n");
    EXPECT_NE(entries.find("s1 m2 l0 @0 +1024 [1] [2] [3] [4] [5] [6] [7] [8] [9] [10] [11] [12]\n"),
              std::string::npos)
        << entries;
    EXPECT_EQ(LeftOutNotice(score),
              "Left out of the copy: 1 note in a voice past a staff's 4 layers, 1 chord note past an entry's 12.");
    // Nothing left out is written back: the file is as it was.
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ExportMusicXml(score, false, bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), qvtest::ReadFileText(Fixture("left_out.musicxml")));
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
              "<backup><duration>1</duration></backup>" + note("2", "<staff>0</staff>") +
              "</measure></part></score-partwise>",
          "part P1 \"Flute\", measure 7, line 3, column 298: bad staff number" },
        { head + "<measure number=\"12a\"><attributes><staves>two</staves></attributes></measure></part></score-partwise>",
          "part P1 \"Flute\", measure 12a, line 3, column 35: bad number of staves" },
        { head + "<measure number=\"3\"><attributes><divisions>5</divisions></attributes>" +
              "<forward><duration>-1</duration></forward></measure></part></score-partwise>",
          "part P1 \"Flute\", measure 3, line 3, column 70: forward without a valid duration" },
        { head + "<measure number=\"3\"><note><rest/></note></measure></part></score-partwise>",
          "part P1 \"Flute\", measure 3, line 3, column 21: a note without a valid duration" },
        { "\xFF\xFE<\0?\0", "a UTF-16 file with an odd number of bytes" },
        { std::string("\xFF\xFE\0\xD8<\0", 6), "line 1, column 1: not valid UTF-16 (a lone surrogate at byte 2)" },
        { std::string("\xFF\xFE\0\0<\0\0\0", 8), "a UTF-32 file" },
        { "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><score-partwise/>",
          "line 1: the declaration says Shift_JIS, an encoding that is not read; UTF-8, UTF-16, ISO-8859-1, "
          "windows-1252 and US-ASCII are read" },
        { "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>\x80\x81</a>",
          "line 2, column 5: byte 0x81 (at byte 50 of the file) is not a character in windows-1252" },
        { "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>\n<part-name>Fl\xFBte</part-name>",
          "line 2, column 14: byte 0xFB (at byte 55 of the file) is not a character in US-ASCII" },
        { head + "<measure number=\"1\"><attributes><divisions>1</divisions></attributes>"
                 "<note attack=\"soon\"><duration>1</duration></note></measure></part></score-partwise>",
          "attack=\"soon\" is not a number of divisions" },
        { head + "<measure number=\"4\"><attributes><divisions>1</divisions></attributes>"
                 "<note dynamics=\"-5\"><duration>1</duration></note></measure></part></score-partwise>",
          "part P1 \"Flute\", measure 4, line 3, column 70: dynamics=\"-5\" is not a percentage" },
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
    // A MusicXML file past the limit is refused by its size, from disk or in memory.
    EXPECT_TRUE(ScoreFileSizeAllowed("s.musicxml", kZipMaxUnpacked, error));
    EXPECT_TRUE(ScoreFileSizeAllowed("s.json", kZipMaxUnpacked + 1, error));
    const std::vector<uint8_t> tooMany(kZipMaxUnpacked + 1);
    EXPECT_FALSE(ReadScoreBytes("s.mxl", tooMany.data(), tooMany.size(), imported, error));
    EXPECT_EQ(error, "s.mxl: the file is 67108865 bytes, more than the limit of 67108864");

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
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string out = folder.File("round_trip.musicxml");
    for (const char* name : { "whole_copy.musicxml", "performance.musicxml", "chords.musicxml" }) {
        Score score = Import(name);
        std::string error;
        ASSERT_TRUE(WriteScoreFile(out, score, error)) << error;
        EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture(name))) << name;
    }
    // Through .mxl and back: the same score and the same text.
    const std::string packed = folder.File("round_trip.mxl");
    std::string error;
    Score score = Import("performance.musicxml");
    ASSERT_TRUE(WriteScoreFile(packed, score, error)) << error;
    Score again;
    ASSERT_TRUE(ReadScoreFile(packed, again, error)) << error;
    EXPECT_EQ(again, score);
    ASSERT_TRUE(WriteScoreFile(out, again, error)) << error;
    EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture("performance.musicxml")));

    // In memory as on disk: the bytes a file of that name holds, and the
    // score read back from them under the file's name.
    // The bytes are replaced, not added to: one vector serves every file.
    std::vector<uint8_t> bytes = { 'x' };
    for (const std::string& path : { out, packed, out }) {
        ASSERT_TRUE(WriteScoreFile(path, again, error)) << error;
        ASSERT_TRUE(ScoreFileBytes(path, again, bytes, error)) << error;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), qvtest::ReadFileText(path)) << path;
        Score fromBytes;
        ASSERT_TRUE(ReadScoreBytes(path, bytes.data(), bytes.size(), fromBytes, error)) << error;
        EXPECT_EQ(fromBytes, again) << path;
    }

    // A score file's score has no MusicXML to write back into.
    EXPECT_FALSE(WriteScoreFile(out, Score(), error));
    EXPECT_NE(error.find("not read from MusicXML"), std::string::npos);
    std::vector<uint8_t> none;
    EXPECT_FALSE(ScoreFileBytes(out, Score(), none, error));
    EXPECT_EQ(error.rfind(out + ": ", 0), 0u) << error;
    std::remove(out.c_str());
    std::remove(packed.c_str());
}

TEST(MusicXmlExport, WritesChangedValuesInTheFilesUnits)
{
    Score score = Import("performance.musicxml");
    // Entry 4's note had no record: it gains one; entry 1's start changes;
    // entry 3's velocity falls below what dynamics can express.
    ASSERT_TRUE(score.SetPerformance(4, 1, Performance{ 100, -32, 11, 0 }));
    ASSERT_TRUE(score.SetPerformance(1, 1, Performance{ 64, 0, 0, 0 }));
    ASSERT_TRUE(score.SetPerformance(3, 1, Performance{ 0, 0, -100, 0 }));
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
    // Velocity 90 - 100 is below 0: written as 0.
    EXPECT_NE(text.find("<note dynamics=\"0\"><pitch><step>E"), std::string::npos) << text;
    // Read again, the values are the ones written.
    Score again;
    ASSERT_TRUE(ImportMusicXml(bytes, false, again, error)) << error;
    EXPECT_EQ(again.PerformanceOf(1, 1), (Performance{ 64, 0, 0, 0 }));
    EXPECT_EQ(again.PerformanceOf(4, 1), (Performance{ 100, -32, 11, 0 }));
    EXPECT_EQ(again.PerformanceOf(3, 1), (Performance{ 0, 0, -90, 0 }));
}

// The score lists a part's staves one after the other, while the text goes
// measure by measure: the notes are patched in the text's order.
TEST(MusicXmlExport, PatchesTheNotesOfEveryStaffInTextOrder)
{
    const std::string note = "<note><pitch><step>C</step><octave>4</octave></pitch><duration>4</duration>"
                             "<voice>1</voice><type>whole</type><staff>";
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n"
                       "<part-list><score-part id=\"P1\"><part-name>Piano</part-name></score-part></part-list>\n"
                       "<part id=\"P1\">\n";
    for (const char* measure : { "1", "2" }) {
        text += std::string("<measure number=\"") + measure + "\">";
        if (measure[0] == '1') text += "<attributes><divisions>1</divisions><staves>2</staves></attributes>";
        text += note + "1</staff></note><backup><duration>4</duration></backup>" + note + "2</staff></note>";
        text += "</measure>\n";
    }
    text += "</part>\n</score-partwise>\n";
    Score score;
    std::string error;
    ASSERT_TRUE(ImportMusicXml(Bytes(text), false, score, error)) << error;
    // Entries 1 and 2 are staff 1's, 3 and 4 staff 2's.
    const int16_t velocities[] = { 9, 18, -45, -9 };  // 110, 120, 50 and 90 % of forte
    for (uint32_t number = 1; number <= 4; ++number)
        ASSERT_TRUE(score.SetPerformance(number, 1, Performance{ 0, 0, velocities[number - 1], 0 }));
    std::string expected = text;
    std::size_t at = 0;
    for (const char* dynamics : { "110", "50", "120", "90" }) {
        at = expected.find("<note>", at);
        ASSERT_NE(std::string::npos, at);
        expected.replace(at, 6, std::string("<note dynamics=\"") + dynamics + "\">");
        ++at;
    }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ExportMusicXml(score, false, bytes, error)) << error;
    EXPECT_EQ(expected, std::string(bytes.begin(), bytes.end()));
    // Written to a file the same.
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    ASSERT_TRUE(WriteScoreFile(folder.File("staves.musicxml"), score, error)) << error;
    EXPECT_EQ(expected, qvtest::ReadFileText(folder.File("staves.musicxml")));
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

// UTF-16 in either byte order and UTF-8 with a byte-order mark are read,
// names and all, and written back in their own encoding: only the patched
// attributes differ.
TEST(MusicXmlExport, WritesBackInTheFilesOwnEncoding)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string out = folder.File("encoded.musicxml");
    struct Case {
        std::string name;
        TextEncoding encoding;
        std::string flute;  // the first part's name, in UTF-8
        std::string notice;
    };
    const std::string clef = "Fl\xC3\xBBte \xF0\x9D\x84\x9E";
    const Case cases[] = {
        { "utf16le_bom", TextEncoding::Utf16LittleEndian, clef, "" },
        { "utf16be_bom", TextEncoding::Utf16BigEndian, clef, "" },
        { "utf8_bom", TextEncoding::Utf8, clef, "" },
        { "latin1", TextEncoding::Latin1, "Fl\xC3\xBBte \xC3\xA0 bec", "" },
        { "windows1252", TextEncoding::Windows1252, "Fl\xC3\xBBte \xE2\x80\x9C\xC3\xA0 bec\xE2\x80\x9D", "" },
        { "utf16_label_utf8", TextEncoding::Utf8, clef,
          "Adjusted: the declaration says UTF-16, but the file is written in UTF-8." },
    };
    for (const Case& c : cases) {
        const std::string& name = c.name;
        Score score = Import(name + ".musicxml");
        EXPECT_EQ(score.StaffRecordName(1), std::optional<std::optional<std::string>>(c.flute)) << name;
        EXPECT_EQ(score.musicXml->encoding, c.encoding) << name;
        EXPECT_EQ(EncodingNotice(score), c.notice) << name;
        EXPECT_EQ(Entries(score),
                  "s1 m1 l0 @0 +1024 [1 v0 s0 e0] *\ns1 m1 l0 @1024 +1024 [1]\n"
                  "s2 m1 l0 @0 +1024 [1]\ns2 m1 l0 @1024 +1024 [1 v0 s512 e0] *\n")
            << name;
        std::string error;
        ASSERT_TRUE(WriteScoreFile(out, score, error)) << error;
        EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture(name + ".musicxml"))) << name;
        // Dynamics 100 to 110 (velocity 99), and an attack of a quarter.
        ASSERT_TRUE(score.SetPerformance(1, 1, Performance{ 0, 0, 9, 0 }));
        ASSERT_TRUE(score.SetPerformance(3, 1, Performance{ 512, 0, 0, 0 }));
        ASSERT_TRUE(WriteScoreFile(out, score, error)) << error;
        EXPECT_EQ(qvtest::ReadFileText(out), qvtest::ReadFileText(Fixture(name + "_expected.musicxml"))) << name;
        // Inside an archive the same.
        const std::string packed = folder.File("encoded.mxl");
        ASSERT_TRUE(WriteScoreFile(packed, score, error)) << error;
        Score again;
        ASSERT_TRUE(ReadScoreFile(packed, again, error)) << error;
        EXPECT_EQ(again.musicXml->encoding, score.musicXml->encoding);
        EXPECT_EQ(again.PerformanceOf(3, 1), (Performance{ 512, 0, 0, 0 }));
        std::remove(packed.c_str());
    }
    std::remove(out.c_str());
}

// Velocities past what dynamics or MIDI can carry are written at the
// limit a player hears (0 to 127); offsets are exact at any divisions.
TEST(MusicXmlExport, KeepsWrittenValuesInRange)
{
    struct Case {
        int16_t velocity;
        const char* dynamics;
        int16_t readBack;
    };
    const Case cases[] = { { -90, "0", -90 },      { -91, "0", -90 },       { -32768, "0", -90 },
                           { 37, "141.11", 37 },   { 38, "141.11", 37 },    { 32767, "141.11", 37 },
                           { -89, "1.11", -89 },   { 36, "140", 36 } };
    for (const Case& c : cases) {
        Score score = Import("performance.musicxml");
        ASSERT_TRUE(score.SetPerformance(4, 1, Performance{ -32768, 32767, c.velocity, 0 }));
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(ExportMusicXml(score, false, bytes, error)) << error;
        const std::string text(bytes.begin(), bytes.end());
        // At 4 divisions: -32768/1024 of a quarter is -128 divisions.
        EXPECT_NE(text.find(std::string("<note attack=\"-128\" release=\"127.99609375\" dynamics=\"") + c.dynamics +
                            "\"><pitch><step>F"),
                  std::string::npos)
            << c.velocity << "\n" << text;
        Score again;
        ASSERT_TRUE(ImportMusicXml(bytes, false, again, error)) << error;
        EXPECT_EQ(again.PerformanceOf(4, 1), (Performance{ -32768, 32767, c.readBack, 0 })) << c.velocity;
    }
}

// A .mxl whose container lists another rendering first, whose score sits
// in folders and is not the first entry, beside images and other files in
// META-INF: the score is found, and written back into the same archive.
TEST(MusicXmlImport, FindsTheScoreInAnyArchiveLayout)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string text = qvtest::ReadFileText(Fixture("performance.musicxml"));
    const std::string container =
        "<?xml version=\"1.0\"?><container><rootfiles>"
        "<rootfile full-path=\"print/score.pdf\" media-type=\"application/pdf\"/>"
        "<rootfile full-path=\"scores/main/Sonata.xml\" media-type=\"application/vnd.recordare.musicxml+xml\"/>"
        "<rootfile full-path=\"scores/alt.musicxml\"/></rootfiles></container>";
    const std::vector<ZipEntry> entries = {
        PackZipEntry("print/score.pdf", "%PDF-1.4"), PackZipEntry("META-INF/manifest.xml", "<manifest/>"),
        PackZipEntry("META-INF/cover.png", std::string("\x89PNG\r\n\x1A\n", 8)),
        PackZipEntry("scores/alt.musicxml", "<score-partwise/>"), PackZipEntry("META-INF/container.xml", container),
        PackZipEntry("scores/main/Sonata.xml", text, 0x6000, 0x5A21) };
    const std::string path = folder.File("layout.mxl");
    {
        std::ofstream file(path, std::ios::binary);
        const std::vector<uint8_t> bytes = WriteZip(entries);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Score score;
    std::string error;
    ASSERT_TRUE(ReadScoreFile(path, score, error)) << error;
    EXPECT_EQ(Entries(score), Entries(Import("performance.musicxml")));
    ASSERT_TRUE(score.SetPerformance(4, 1, Performance{ 0, 0, 9, 0 }));
    ASSERT_TRUE(WriteScoreFile(path, score, error)) << error;
    std::vector<ZipEntry> written;
    const std::string archive = qvtest::ReadFileText(path);
    ASSERT_TRUE(ReadZip(reinterpret_cast<const uint8_t*>(archive.data()), archive.size(), written, error)) << error;
    ASSERT_EQ(written.size(), entries.size());
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        EXPECT_EQ(written[i].name, entries[i].name);
        EXPECT_EQ(written[i].data, entries[i].data) << entries[i].name;
    }
    EXPECT_EQ(written.back().name, "scores/main/Sonata.xml");
    EXPECT_EQ(written.back().time, 0x6000);
    std::string unpacked;
    ASSERT_TRUE(UnpackZipEntry(written.back(), unpacked, error)) << error;
    EXPECT_NE(unpacked.find("<note dynamics=\"110\"><pitch><step>F"), std::string::npos) << unpacked;
    std::remove(path.c_str());
}

// The bytes decide between UTF-8 and UTF-16; a declaration that names
// another encoding is overruled, and said so once. A single-byte file is
// read as declared, by any of its common names in any case.
TEST(TextEncoding, BytesWinOverTheDeclarationAndNamesAreCompared)
{
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string adjustment;
    };
    const std::string declared = "<?xml version=\"1.0\" encoding=\"";
    auto wide = [](const std::string& ascii, bool little, bool mark) {
        std::string out = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
        for (char c : ascii) out += little ? std::string(1, c) + '\0' : std::string(1, '\0') + c;
        return out;
    };
    const Case cases[] = {
        { "\xEF\xBB\xBF" + declared + "windows-1252\"?><a/>", TextEncoding::Utf8,
          "the declaration says windows-1252, but the file's byte-order mark says UTF-8" },
        { "\xEF\xBB\xBF" + declared + "Shift_JIS\"?><a/>", TextEncoding::Utf8,
          "the declaration says Shift_JIS, but the file's byte-order mark says UTF-8" },
        { wide(declared + "ISO-8859-1\"?><a/>", true, true), TextEncoding::Utf16LittleEndian,
          "the declaration says ISO-8859-1, but the file's byte-order mark says UTF-16" },
        { wide(declared + "UTF-8\"?><a/>", false, false), TextEncoding::Utf16BigEndian,
          "the declaration says UTF-8, but the file is written in UTF-16" },
        { wide(declared + "utf-16\"?><a/>", true, false), TextEncoding::Utf16LittleEndian, "" },
        { declared + "UTF-16\"?><a/>", TextEncoding::Utf8,
          "the declaration says UTF-16, but the file is written in UTF-8" },
        { declared + "utf8\"?><a/>", TextEncoding::Utf8, "" },
        { "<a/>", TextEncoding::Utf8, "" },
        { declared + "LATIN1\"?><a/>", TextEncoding::Latin1, "" },
        { "<?xml version='1.0' encoding='iso_8859-1'?><a/>", TextEncoding::Latin1, "" },
        { declared + "CP1252\"?><a/>", TextEncoding::Windows1252, "" },
        { declared + "ascii\"?><a/>", TextEncoding::UsAscii, "" },
    };
    for (const Case& c : cases) {
        std::string text;
        TextEncoding encoding = TextEncoding::Utf8;
        std::string adjustment;
        std::string error;
        ASSERT_TRUE(DecodeText(c.bytes, text, encoding, adjustment, error)) << c.bytes << ": " << error;
        EXPECT_EQ(encoding, c.encoding) << c.bytes;
        EXPECT_EQ(adjustment, c.adjustment) << c.bytes;
        EXPECT_EQ(EncodeText(text, encoding), c.bytes);
    }
    // Every byte that windows-1252 and Latin-1 have comes back as it was.
    std::string every;
    for (int b = 1; b < 256; ++b) {
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) every += static_cast<char>(b);
    }
    for (const char* name : { "windows-1252", "ISO-8859-1" }) {
        const std::string bytes = declared + name + "\"?><a>" + every + "</a>";
        std::string text;
        TextEncoding encoding = TextEncoding::Utf8;
        std::string adjustment;
        std::string error;
        ASSERT_TRUE(DecodeText(bytes, text, encoding, adjustment, error)) << error;
        EXPECT_EQ(EncodeText(text, encoding), bytes) << name;
    }
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
    std::string adjustment;
    std::string error;
    ASSERT_TRUE(DecodeText(declared + "windows-1252\"?>\x80\x93\x9F\xE9", text, encoding, adjustment, error));
    EXPECT_EQ(text.substr(text.size() - 10), "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8\xC3\xA9");
    ASSERT_TRUE(DecodeText(declared + "latin1\"?>\x80\xE9", text, encoding, adjustment, error));
    EXPECT_EQ(text.substr(text.size() - 4), "\xC2\x80\xC3\xA9");
}

std::vector<ZipEntry> ReadArchive(const std::string& bytes, std::vector<uint8_t>* comment = nullptr)
{
    std::vector<ZipEntry> entries;
    std::string error;
    EXPECT_TRUE(ReadZip(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), entries, error, comment))
        << error;
    return entries;
}

// A .mxl as programs write it: entries with extra fields, comments and data
// descriptors, and a comment of its own. Written back with nothing changed
// it is the same file; with a value changed, only the score's entry is made
// anew, in its own method, name, times and place.
TEST(MusicXmlExport, KeepsAnArchiveAsItWasStored)
{
    const qvtest::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    for (const std::string name : { "archive_as_written.mxl", "archive_stored.mxl" }) {
        const std::string original = qvtest::ReadFileText(Fixture(name));
        Score score = Import(name);
        ASSERT_TRUE(score.musicXml) << name;
        EXPECT_EQ(Entries(score), Entries(Import("whole_copy.musicxml"))) << name;
        const std::string path = folder.File("copy.mxl");
        std::string error;
        ASSERT_TRUE(WriteScoreFile(path, score, error)) << error;
        EXPECT_EQ(qvtest::ReadFileText(path), original) << name;

        ASSERT_TRUE(score.SetPerformance(4, 1, Performance{ 256, 0, 9, 0 }));
        ASSERT_TRUE(WriteScoreFile(path, score, error)) << error;
        std::vector<uint8_t> comment;
        const std::vector<ZipEntry> before = ReadArchive(original);
        const std::vector<ZipEntry> after = ReadArchive(qvtest::ReadFileText(path), &comment);
        EXPECT_EQ(std::string(comment.begin(), comment.end()), "An archive comment");
        ASSERT_EQ(after.size(), before.size()) << name;
        for (std::size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].name, before[i].name);
            EXPECT_EQ(after[i].method, before[i].method) << after[i].name;
            EXPECT_EQ(after[i].time, before[i].time) << after[i].name;
            EXPECT_EQ(after[i].date, before[i].date) << after[i].name;
            // The central record but for the offset of the local header.
            auto central = [](std::vector<uint8_t> record) {
                std::fill(record.begin() + 42, record.begin() + 46, 0);
                return record;
            };
            if (after[i].name == "Quartet.musicxml") {
                // The extra field and comment as they were, sizes new.
                EXPECT_EQ(after[i].centralHeader.size(), before[i].centralHeader.size());
                EXPECT_TRUE(std::equal(before[i].centralHeader.end() - 15, before[i].centralHeader.end(),
                                       after[i].centralHeader.end() - 15))
                    << "extra field and comment";
                EXPECT_EQ(after[i].descriptor.size(), 0u);
                std::string unpacked;
                ASSERT_TRUE(UnpackZipEntry(after[i], unpacked, error)) << error;
                EXPECT_NE(unpacked.find("<note attack=\"1\" dynamics=\"110\">"), std::string::npos) << unpacked;
                continue;
            }
            EXPECT_EQ(after[i].localHeader, before[i].localHeader) << after[i].name;
            EXPECT_EQ(after[i].data, before[i].data) << after[i].name;
            EXPECT_EQ(after[i].descriptor, before[i].descriptor) << after[i].name;
            EXPECT_EQ(central(after[i].centralHeader), central(before[i].centralHeader)) << after[i].name;
        }
        Score again;
        ASSERT_TRUE(ReadScoreFile(path, again, error)) << error;
        EXPECT_EQ(again.PerformanceOf(4, 1), (Performance{ 256, 0, 9, 0 }));
        std::remove(path.c_str());
    }
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
