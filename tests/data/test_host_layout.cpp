// The plug-in's idea of the host's entry records against the simulated
// host's own: every flag bit and every field, read from entries the host
// wrote and written into entries the host reads.
#include "common/ScoreFixture.h"
#include "data/EntryFrame.h"
#include "data/FCNoteEntryCell.h"

TEST(HostLayout, EntryFlagBitsAreTheHosts)
{
    EXPECT_EQ(simhost::kNotePerformanceFlag, frame::kNotePerformanceFlag);
    EXPECT_EQ(simhost::kEntryPerformanceFlag, frame::kEntryPerformanceFlag);
    EXPECT_EQ(simhost::kRunFlag, frame::kRunFlag);
    EXPECT_EQ(simhost::kAddedNoteFlag, frame::kAddedNoteFlag);
    EXPECT_EQ(simhost::kSoundingFlag, frame::kSoundingFlag);
    EXPECT_EQ(simhost::kAddedNoteRecordFlags, frame::kAddedNoteRecordFlags);
    EXPECT_EQ(simhost::kEntrySize, frame::kEntrySize);
    EXPECT_EQ(simhost::kNoteSize, frame::kNoteSize);
    EXPECT_EQ(simhost::kNotesPerEntry, frame::kMaxNotes);
}

class EntryFields : public ScoreTest {};

// Entries with values in every field, in two layers: each reads back through
// the plug-in as the host wrote it.
TEST_F(EntryFields, ReadAsTheHostWroteThem)
{
    const uint32_t flags[] = { simhost::kSoundingFlag | simhost::kRunFlag, 0x12345678u, 0xFFFFFFFFu };
    std::vector<uint32_t> numbers;
    for (int i = 0; i < 3; ++i) {
        simhost::EntrySpec written{ 1000 * i - 7, 512 + 256 * i, flags[i], {} };
        for (int n = 0; n <= 4 * i; ++n) written.notes.push_back(Note(static_cast<uint16_t>(0x101 * (n + 1) + i)));
        numbers.push_back(score().AddEntry(2, 3, i == 2 ? 1 : 0, written));
    }
    FCNoteEntryCell cell(3, 2);  // measure 3 of staff 2
    ASSERT_TRUE(cell.Load());
    ASSERT_EQ(3, cell.GetCount());
    for (int32_t i = 0; i < cell.GetCount(); ++i) {
        FCNoteEntry* e = cell.GetEntryAt(i);
        const simhost::EntryBytes* bytes = score().FindEntry(e->GetEntryNumber());
        ASSERT_NE(nullptr, bytes) << i;
        EXPECT_EQ(numbers[i], e->GetEntryNumber());
        EXPECT_EQ(simhost::entry::Flags(*bytes), e->GetFlags()) << i;
        EXPECT_EQ(simhost::entry::Position(*bytes), e->GetPosition()) << i;
        EXPECT_EQ(simhost::entry::SecondTiming(*bytes), e->GetSecondTiming()) << i;
        ASSERT_EQ(simhost::entry::NoteCount(*bytes), e->GetNoteCount()) << i;
        ASSERT_EQ(e->GetNoteCount(), e->GetCount()) << i;
        for (int32_t n = 0; n < e->GetCount(); ++n) {
            EXPECT_EQ(simhost::entry::NoteID(*bytes, n), e->GetNoteAt(n)->GetNoteID()) << i << ", note " << n;
            EXPECT_EQ(simhost::entry::NoteFlags(*bytes, n), e->GetNoteAt(n)->GetFlags()) << i << ", note " << n;
        }
    }

    // A flag set and one cleared reach the host, and only they change.
    FCNoteEntry* first = cell.GetEntryAt(0);
    first->SetFlag(frame::kEntryPerformanceFlag, true);
    first->SetFlag(frame::kRunFlag, false);
    first->SetFlag(frame::kAddedNoteFlag, false);
    ASSERT_TRUE(cell.Save());
    EXPECT_EQ(simhost::kSoundingFlag | simhost::kEntryPerformanceFlag,
              simhost::entry::Flags(*score().FindEntry(numbers[0])));
    EXPECT_EQ(0xFFFFFFFFu, simhost::entry::Flags(*score().FindEntry(numbers[2])));
}
