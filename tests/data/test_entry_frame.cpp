// Frame normalisation, on frames laid out by hand.
#include "core/ByteAccess.h"
#include "data/EntryFrame.h"
#include "LowMemory.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// A frame header followed by its entry records, as the host lays it out, in
// memory below 4 GiB so that the header's 32-bit entry address holds. A
// guard area of 0xEE bytes follows the last record.
class HandFrame {
public:
    explicit HandFrame(int entries)
        : used_(frame::kHeaderSize + frame::kEntrySize * entries), size_(used_ + 16),
          bytes_(static_cast<uint8_t*>(simhost::AllocateLow(size_)))
    {
        std::fill(bytes_ + used_, bytes_ + size_, 0xEE);
        SetLE32(bytes_, frame::kFirstEntry, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Entry(0))));
        SetLE16(bytes_, frame::kEntryCount, static_cast<uint16_t>(entries));
    }
    ~HandFrame() { simhost::FreeLow(bytes_, size_); }
    HandFrame(const HandFrame&) = delete;
    HandFrame& operator=(const HandFrame&) = delete;

    uint8_t* Frame() { return bytes_; }
    uint8_t* Entry(int j) { return bytes_ + frame::kHeaderSize + frame::kEntrySize * j; }
    uint8_t GuardByte() const { return bytes_[used_]; }
    void SetNotes(int j, std::vector<uint16_t> ids)
    {
        SetLE16(Entry(j), frame::kNoteCount, static_cast<uint16_t>(ids.size()));
        for (size_t k = 0; k < ids.size(); ++k)
            SetLE16(frame::NoteAt(Entry(j), static_cast<int32_t>(k)), frame::kNoteID, ids[k]);
    }
    uint16_t ID(int j, int k) { return GetLE16(frame::NoteAt(Entry(j), k), frame::kNoteID); }
    uint32_t NoteFlags(int j, int k) { return GetLE32(frame::NoteAt(Entry(j), k), frame::kNoteFlags); }

private:
    size_t used_;
    size_t size_;
    uint8_t* bytes_;
};

}  // namespace

TEST(Normalisation, RepeatedAndZeroIDsGetNewOnes)
{
    HandFrame f(1);
    f.SetNotes(0, { 0, 5, 5 });
    frame::NormaliseForSave(f.Frame());
    EXPECT_EQ(6, f.ID(0, 0));
    EXPECT_EQ(7, f.ID(0, 1));
    EXPECT_EQ(5, f.ID(0, 2));
}

TEST(Normalisation, NoteFlagsCarryTheLowBitsOfTheID)
{
    HandFrame f(1);
    f.SetNotes(0, { 0x23, 2 });
    SetLE32(frame::NoteAt(f.Entry(0), 0), frame::kNoteFlags, 0xFFFFFFFF);
    frame::NormaliseForSave(f.Frame());
    EXPECT_EQ(0xFFE3FFFFu, f.NoteFlags(0, 0));  // bits 16-20 hold 0x03
    EXPECT_EQ(0x00020000u, f.NoteFlags(0, 1));
}

TEST(Normalisation, UnusedNoteRecordsAreZeroed)
{
    HandFrame f(1);
    f.SetNotes(0, { 1 });
    std::fill(frame::NoteAt(f.Entry(0), 1), f.Entry(0) + frame::kPosition, 0x77);
    SetLE32(f.Entry(0), frame::kPosition, 960);
    frame::NormaliseForSave(f.Frame());
    for (size_t i = frame::kNotes + frame::kNoteSize; i < frame::kPosition; ++i) EXPECT_EQ(0, f.Entry(0)[i]) << i;
    EXPECT_EQ(960u, GetLE32(f.Entry(0), frame::kPosition));
}

TEST(Normalisation, EntryWithoutNotesGetsAPlaceholderNote)
{
    HandFrame f(2);
    f.SetNotes(1, { 4 });
    frame::NormaliseForSave(f.Frame());
    EXPECT_EQ(1, GetLE16(f.Entry(0), frame::kNoteCount));
    EXPECT_EQ(0x80000000u, f.NoteFlags(0, 0));
    EXPECT_EQ(frame::kAddedNoteFlag, GetLE32(f.Entry(0), frame::kEntryFlags));
    EXPECT_EQ(0u, GetLE32(f.Entry(1), frame::kEntryFlags));
}

TEST(Normalisation, NoteCountAboveTwelveIsTreatedAsTwelve)
{
    HandFrame f(1);
    std::vector<uint16_t> ids;
    for (uint16_t id = 1; id <= 12; ++id) ids.push_back(id);
    f.SetNotes(0, ids);
    SetLE16(f.Entry(0), frame::kNoteCount, 40);
    // The fields after the twelfth note (position, second timing and the
    // rest of the record) are the entry's own.
    for (size_t i = frame::kPosition; i < frame::kEntrySize; ++i) f.Entry(0)[i] = static_cast<uint8_t>(0x90 + i);
    const std::vector<uint8_t> after(f.Entry(0) + frame::kPosition, f.Entry(0) + frame::kEntrySize);
    frame::NormaliseForSave(f.Frame());
    EXPECT_EQ(12, GetLE16(f.Entry(0), frame::kNoteCount));
    EXPECT_EQ(after, std::vector<uint8_t>(f.Entry(0) + frame::kPosition, f.Entry(0) + frame::kEntrySize));
    EXPECT_EQ(0xEE, f.GuardByte());  // nothing written past the frame
    EXPECT_EQ(12, frame::NoteCount(f.Entry(0)));
}

// After normalisation every note has a nonzero ID that no other note of the
// entry has, also when the highest ID is 0xFFFF; bits 16-20 of its flags
// hold the ID's low five bits (bit 4 included).
TEST(Normalisation, NotesHaveOwnNonzeroIDsAtTheTopOfTheRange)
{
    const std::vector<std::vector<uint16_t>> cases = {
        { 0xFFFF, 0xFFFF }, { 0, 0xFFFF }, { 0xFFFF, 1, 1, 0 }, { 1, 0xFFFF, 0xFFFF }, { 0x13, 0x13 },
        { 0xFFF5, 0xFFF6, 0xFFF7, 0xFFF8, 0xFFF9, 0xFFFA, 0xFFFB, 0xFFFC, 0xFFFD, 0xFFFE, 0xFFFF, 0xFFFF },
    };
    for (const auto& ids : cases) {
        HandFrame f(1);
        f.SetNotes(0, ids);
        frame::NormaliseForSave(f.Frame());
        std::set<uint16_t> seen;
        for (int k = 0; k < static_cast<int>(ids.size()); ++k) {
            const uint16_t id = f.ID(0, k);
            EXPECT_NE(0, id);
            EXPECT_TRUE(seen.insert(id).second) << "ID " << id << " twice";
            EXPECT_EQ(static_cast<uint32_t>(id & 0x1F), (f.NoteFlags(0, k) >> 16) & 0x1F);
        }
    }
    // Past 0xFFFF the count goes on from 1.
    HandFrame wrapped(1);
    wrapped.SetNotes(0, { 0xFFFF, 0, 2 });
    frame::NormaliseForSave(wrapped.Frame());
    EXPECT_EQ(1, wrapped.ID(0, 1));
}
