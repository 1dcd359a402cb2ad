// What the simulated host keeps of a score read from MusicXML, and what the
// reader (MusicXmlReader.h) and the writer (MusicXmlWriter.h) share: the
// notes and parts found in the file, the selection of parts and measures as
// musicians count them, and the notices of what reading left out or adjusted.
#pragma once

#include "Score.h"
#include "TextEncoding.h"
#include "ZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simhost {

// A quarter note in the host's units, and the key velocity that MusicXML's
// dynamics of 100 (forte) stand for.
constexpr int64_t kUnitsPerQuarter = 1024;
constexpr int64_t kForteVelocity = 90;

// One note of the file that is a note of the score (the widest fields
// first: a large score holds hundreds of thousands).
struct MusicXmlNote {
    std::size_t tagOffset = 0;  // of the note element's "<" in the text
    int64_t divisionsNumerator = 1;  // the divisions in force at the note
    int64_t divisionsDenominator = 1;
    uint32_t entry = 0;
    uint16_t noteID = 0;
    std::optional<Performance> imported;
};

// A tempo mark (a sound element's tempo), where it is.
struct TempoMark {
    int16_t measure = 0;
    int32_t position = 0;  // in 1024ths from the measure's start
    double quartersPerMinute = 120;
};

struct MusicXmlPart {
    std::string id;
    std::string name;
    int16_t firstStaff = 0;
    int16_t staffCount = 0;
};

// What a score read from MusicXML remembers of its file.
struct MusicXmlOrigin {
    std::string text;  // the score document in UTF-8, a byte-order mark kept
    TextEncoding encoding = TextEncoding::Utf8;  // of the file
    std::string encodingAdjustment;  // where the declaration and the bytes disagree
    bool compressed = false;
    std::vector<ZipEntry> archive;  // a .mxl's entries
    std::vector<uint8_t> archiveComment;
    std::vector<uint8_t> archiveBytes;  // the .mxl as read, written back when nothing changed
    std::size_t rootEntry = 0;      // which of them is the score
    std::vector<MusicXmlNote> notes;
    std::vector<MusicXmlPart> parts;
    std::vector<std::string> measureNumbers;  // host measure n at n - 1
    std::vector<int32_t> measureLengths;      // in 1024ths, the longest part's
    std::vector<int32_t> measureBeats;        // a beat in 1024ths, by the first part's time signature
    std::vector<TempoMark> tempos;            // in the order read
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

// The MIDI key number of a note's pitch (step, alter and octave; middle C
// is 60), or nothing for a note the file gives no pitch (unpitched, rest).
std::optional<int16_t> MusicXmlPitch(const MusicXmlOrigin& origin, const MusicXmlNote& note);

// A note's duration as the file gives it (so a tuplet's note lasts its
// share), in 1024ths of a quarter; nothing where it has none.
std::optional<int32_t> MusicXmlDuration(const MusicXmlOrigin& origin, const MusicXmlNote& note);

// Whether a note's tie starts (it sounds on into the next note) and stops
// (it continues the note before).
struct MusicXmlTie {
    bool start = false;
    bool stop = false;
};
MusicXmlTie MusicXmlTies(const MusicXmlOrigin& origin, const MusicXmlNote& note);

// .musicxml, .xml or .mxl, in any letter case; .mxl only for the second.
bool IsMusicXmlPath(const std::string& path);
bool IsCompressedMusicXmlPath(const std::string& path);

// "Left out of the copy: 2 grace notes, 1 cue note." or empty.
std::string LeftOutNotice(const Score& score);
// "Adjusted: the declaration says UTF-16, but the file is written in
// UTF-8." or empty.
std::string EncodingNotice(const Score& score);
// "Adjusted: 1 backup past a measure's start (part P1 \"Flute\", measure 3,
// line 40, column 7)." or empty.
std::string AdjustedNotice(const Score& score);

// The selection of parts and measures as musicians count them ("2-4",
// "9-16", or one number; empty: all). Parts count from 1 in score order;
// measures go by the numbers printed in the file. A score that is not from
// MusicXML counts each staff as a part and measures from 1.
std::optional<Region> SelectPartsAndMeasures(const Score& score, const std::string& parts,
                                             const std::string& measures, std::string& error);

}  // namespace simhost
