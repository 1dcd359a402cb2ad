// MusicXML in the simulated host. A score-partwise file (.musicxml, .xml, or
// compressed .mxl) becomes a Score:
//   - each staff of each part is a host staff, numbered in score order and
//     named from part-name ("Piano (staff 2)" when a part has several);
//   - part-groups are groups with their names; measures are measures;
//   - a staff's voices take its layers in ascending voice order (voice 1 on
//     layer 0 and so on), at most the host's four;
//   - onsets are positions in 1024ths of a quarter from divisions, backup,
//     forward and chords; a note inside a tuplet takes the nearest 1024th;
//   - an entry's second timing value is its notated duration (type and
//     dots), so entries of equal length share end times;
//   - a rest is an entry without the sounding flag; grace and cue notes are
//     left out, and so are a staff's voices past the host's four layers
//     (the lowest-numbered four are kept), chord notes past an entry's
//     twelve, and parts of the part-list with no music;
//   - a file without divisions counts 1 per quarter; a backup past the
//     start of its measure or a forward past its end (by the time
//     signature, or the notes already there when they reach further) stops
//     at the bound, and a note that falls between 1024ths outside a tuplet
//     takes the nearest; each is reported as an adjustment;
//   - a note's attack and release (in divisions) are its performance
//     record's start and end offsets, and its dynamics (percent of forte,
//     velocity 90) its key-velocity change from 90, each rounded half away
//     from zero; a note with none of the three has no record;
//   - Human Playback is off, so that these values are what plays.
// Writing back patches the attack, release and dynamics of the notes whose
// values changed, in the original text; every other byte stays as it was.
// UTF-8 (with or without a byte-order mark) and UTF-16 (either byte order)
// are read, and written back in the encoding they came in. A velocity is
// written as dynamics within what a MIDI key velocity can be, 0 to 127.
#pragma once

#include "Score.h"
#include "ZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simhost {

// One note of the file that is a note of the score.
struct MusicXmlNote {
    uint32_t entry = 0;
    uint16_t noteID = 0;
    std::size_t tagOffset = 0;  // of the note element's "<" in the text
    int64_t divisionsNumerator = 1;  // the divisions in force at the note
    int64_t divisionsDenominator = 1;
    std::optional<Performance> imported;
};

struct MusicXmlPart {
    std::string id;
    std::string name;
    int16_t firstStaff = 0;
    int16_t staffCount = 0;
};

enum class TextEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian };

// What a score read from MusicXML remembers of its file.
struct MusicXmlOrigin {
    std::string text;  // the score document in UTF-8, a byte-order mark kept
    TextEncoding encoding = TextEncoding::Utf8;  // of the file
    bool compressed = false;
    std::vector<ZipEntry> archive;  // a .mxl's entries
    std::size_t rootEntry = 0;      // which of them is the score
    std::vector<MusicXmlNote> notes;
    std::vector<MusicXmlPart> parts;
    std::vector<std::string> measureNumbers;  // host measure n at n - 1
    std::vector<int32_t> measureLengths;      // in 1024ths, the longest part's
    // What the copy leaves out.
    int32_t graceNotes = 0;
    int32_t cueNotes = 0;
    int32_t extraVoiceNotes = 0;   // in voices past a staff's layers
    int32_t extraChordNotes = 0;   // past an entry's notes
    std::vector<std::string> partsWithoutMusic;  // ids
    // What reading adjusted, and where it first did.
    int32_t backupsClamped = 0;
    int32_t forwardsClamped = 0;
    int32_t positionsRounded = 0;
    std::string firstAdjustment;
};

// .musicxml, .xml or .mxl, in any letter case; .mxl only for the second.
bool IsMusicXmlPath(const std::string& path);
bool IsCompressedMusicXmlPath(const std::string& path);

// Reads a MusicXML file's bytes (a .mxl archive when compressed) into an
// empty score. On failure the score is left as it was and the error names
// the place ("part P2 \"Violin\", measure 12: ...", "line 3, column 7: ...").
bool ImportMusicXml(const std::vector<uint8_t>& bytes, bool compressed, Score& score, std::string& error);

// The file again, with the changed notes' attributes: a .mxl archive when
// compressed (the original one with the score replaced, if it was one).
// False when the score was not read from MusicXML.
bool ExportMusicXml(const Score& score, bool compressed, std::vector<uint8_t>& bytes, std::string& error);

// "Left out of the copy: 2 grace notes, 1 cue note." or empty.
std::string LeftOutNotice(const Score& score);
// "Adjusted: 1 backup past a measure's start (part P1 \"Flute\", measure 3,
// line 40, column 7)." or empty.
std::string AdjustedNotice(const Score& score);

// A document's bytes as UTF-8, from UTF-8 or UTF-16 (by its byte-order mark,
// or by a first "<" in either byte order), and back.
bool DecodeText(const std::string& bytes, std::string& text, TextEncoding& encoding, std::string& error);
std::string EncodeText(const std::string& text, TextEncoding encoding);

// The selection of parts and measures as musicians count them ("2-4",
// "9-16", or one number; empty: all). Parts count from 1 in score order;
// measures go by the numbers printed in the file. A score that is not from
// MusicXML counts each staff as a part and measures from 1.
std::optional<Region> SelectPartsAndMeasures(const Score& score, const std::string& parts,
                                             const std::string& measures, std::string& error);

}  // namespace simhost
