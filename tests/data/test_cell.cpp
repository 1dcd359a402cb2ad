// Note-entry cells over the simulated host's frames.
#include "common/ScoreFixture.h"
#include "core/ByteAccess.h"
#include "data/EntryFrame.h"
#include "data/FCNoteEntryCell.h"

using simhost::EntrySpec;
namespace entry = simhost::entry;

class Cell : public ScoreTest {};

TEST_F(Cell, EmptyMeasureLoadsAsEmptyCell)
{
    FCNoteEntryCell cell(2, 1);
    EXPECT_TRUE(cell.Load());
    EXPECT_EQ(0, cell.GetCount());
    EXPECT_STREQ("FCNoteEntryCell", cell.ClassName());
}

TEST_F(Cell, EntriesInLayerOrderWithLinksInsideEachLayer)
{
    score().AddEntry(2, 1, 1, EntrySpec{ 0, 0, 0, { Note(1) } });
    score().AddEntry(2, 1, 0, EntrySpec{ 0, 512, 0, { Note(1), simhost::NoteSpec{ 2, 0x80000401, std::nullopt } } });
    score().AddEntry(2, 1, 0, EntrySpec{ 512, 512, 0, {} });
    score().AddEntry(2, 2, 0, EntrySpec{ 0, 0, 0, { Note(1) } });

    FCNoteEntryCell cell(1, 2);
    ASSERT_TRUE(cell.Load());
    ASSERT_EQ(3, cell.GetCount());
    FCNoteEntry* first = cell.GetEntryAt(0);
    FCNoteEntry* second = cell.GetEntryAt(1);
    FCNoteEntry* layer1 = cell.GetEntryAt(2);
    EXPECT_EQ(2u, first->GetEntryNumber());
    EXPECT_EQ(3u, second->GetEntryNumber());
    EXPECT_EQ(1u, layer1->GetEntryNumber());
    EXPECT_EQ(nullptr, first->GetPrevious());
    EXPECT_EQ(second, first->GetNext());
    EXPECT_EQ(first, second->GetPrevious());
    EXPECT_EQ(nullptr, second->GetNext());
    EXPECT_EQ(nullptr, layer1->GetPrevious());
    EXPECT_EQ(2, first->GetCount());
    EXPECT_EQ(0, second->GetCount());
    EXPECT_EQ(1, first->GetMeasure());
    EXPECT_EQ(2, first->GetStaff());
    EXPECT_EQ(512, first->GetSecondTiming());
    EXPECT_EQ(512, second->GetPosition());
    EXPECT_EQ(1, first->GetNoteAt(1)->GetIndex());
    EXPECT_EQ(2, first->GetNoteAt(1)->GetNoteID());
    EXPECT_EQ(first, first->GetNoteAt(1)->GetEntry());
    EXPECT_EQ(0x80000401u, first->GetNoteAt(1)->GetFlags());
    EXPECT_EQ(0u, first->GetNoteAt(0)->GetFlags());
    EXPECT_STREQ("FCNoteEntry", first->ClassName());
    EXPECT_STREQ("FCNote", first->GetNoteAt(0)->ClassName());
    // A flag set and cleared again changes no other.
    first->SetFlag(frame::kRunFlag, true);
    first->SetFlag(frame::kSoundingFlag, true);
    first->SetFlag(frame::kRunFlag, false);
    EXPECT_EQ(frame::kSoundingFlag, first->GetFlags());
}

TEST_F(Cell, LoadAsksForEveryShownLayerOfTheStaffsSlot)
{
    score().staffOrder = { 3, 1, 2 };
    score().hiddenLayers = { 1, 3 };
    FCNoteEntryCell cell(4, 2);
    ASSERT_TRUE(cell.Load());
    std::vector<simhost::LoggedCall> loads = host().CallsTo("FX_LoadTGF");
    ASSERT_EQ(2u, loads.size());
    EXPECT_EQ((std::vector<int64_t>{ 0, 3, 4, 0, 1, 0x12050000 }), loads[0].args);
    EXPECT_EQ((std::vector<int64_t>{ 0, 3, 4, 2, 1, 0x12050000 }), loads[1].args);
    // Asked anew before every layer, and once when the old frames are cleared.
    EXPECT_EQ(6u, CountCalls("FX_GetMaxLayers"));
    EXPECT_EQ(nullptr, cell.GetFrame(1));
    EXPECT_NE(nullptr, cell.GetFrame(2));
}

TEST_F(Cell, FailedLayerFreesEverythingLoaded)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    host().FailCall("FX_LoadTGF", 3);
    FCNoteEntryCell cell(1, 1);
    EXPECT_FALSE(cell.Load());
    EXPECT_EQ(0, cell.GetCount());
    EXPECT_EQ(2u, CountCalls("FX_FreeTGF"));
    EXPECT_EQ(0u, host().LiveFrameCount());

    // A reload that fails leaves no entries of the frames it freed.
    ASSERT_TRUE(cell.Load());
    ASSERT_EQ(1, cell.GetCount());
    host().FailCall("FX_LoadTGF", static_cast<int64_t>(CountCalls("FX_LoadTGF")) + 2);
    EXPECT_FALSE(cell.Load());
    EXPECT_EQ(0, cell.GetCount());
    EXPECT_EQ(nullptr, cell.GetEntryAt(0));
    EXPECT_EQ(0u, host().LiveFrameCount());
}

TEST_F(Cell, SaveNormalisesAndWritesEveryFrameBack)
{
    uint32_t chord = score().AddEntry(1, 3, 0, EntrySpec{ 0, 0, 0, { Note(0), Note(5), Note(5) } });
    uint32_t rest = score().AddEntry(1, 3, 1, EntrySpec{ 0, 0, 0, {} });
    {
        FCNoteEntryCell cell(3, 1);
        ASSERT_TRUE(cell.Load());
        cell.GetEntryAt(0)->SetFlag(frame::kRunFlag, true);
        EXPECT_TRUE(cell.Save());
    }
    const simhost::EntryBytes& saved = *score().FindEntry(chord);
    EXPECT_EQ(6, entry::NoteID(saved, 0));
    EXPECT_EQ(7, entry::NoteID(saved, 1));
    EXPECT_EQ(5, entry::NoteID(saved, 2));
    EXPECT_EQ(frame::kRunFlag, entry::Flags(saved));
    const simhost::EntryBytes& placeholder = *score().FindEntry(rest);
    EXPECT_EQ(1, entry::NoteCount(placeholder));
    EXPECT_EQ(0x80000000u, entry::NoteFlags(placeholder, 0));
    EXPECT_EQ(0x01000000u, entry::Flags(placeholder));  // bit 24: a note was added
    EXPECT_EQ(4u, CountCalls("FX_SaveTGF"));
}

TEST_F(Cell, WriteGuardedFrameIsSkippedWithoutFailing)
{
    uint32_t guarded = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(0) } });
    score().frames[simhost::FrameKey(1, 1, 0)].writeGuarded = true;
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    EXPECT_TRUE(cell.Save());
    EXPECT_EQ(3u, CountCalls("FX_SaveTGF"));
    EXPECT_EQ(0, entry::NoteID(*score().FindEntry(guarded), 0));
}

TEST_F(Cell, FailedFrameSaveFailsTheCellButTheOthersAreSaved)
{
    score().AddEntry(1, 1, 2, EntrySpec{ 0, 0, 0, { Note(0) } });
    host().FailCall("FX_SaveTGF", 1);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    EXPECT_FALSE(cell.Save());
    EXPECT_EQ(4u, CountCalls("FX_SaveTGF"));
    const auto& entries = score().frames[simhost::FrameKey(1, 1, 2)].entries;
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(1, entry::NoteID(entries[0], 0));
}

TEST_F(Cell, FlaggedRunsCountWithinOneLayer)
{
    const uint32_t run = frame::kRunFlag;
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, run, { Note(1) } });
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, run, { Note(1) } });
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, run, { Note(1) } });
    score().AddEntry(1, 1, 1, EntrySpec{ 0, 0, run, { Note(1) } });
    score().AddEntry(1, 1, 1, EntrySpec{ 0, 0, run, { Note(1) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    std::vector<int32_t> indexes;
    for (int32_t i = 0; i < cell.GetCount(); ++i) indexes.push_back(cell.GetEntryAt(i)->GetFlaggedRunIndex());
    EXPECT_EQ((std::vector<int32_t>{ 0, 1, -1, 0, 0, 1 }), indexes);
}

TEST_F(Cell, RunsDoNotCountAcrossMeasures)
{
    // Entries linked across a measure line: the count stops at the line.
    uint8_t records[3][frame::kEntrySize] = {};
    for (auto& record : records) SetLE32(record, frame::kEntryFlags, frame::kRunFlag);
    FCNoteEntry first(records[0], nullptr, 1, 1, nullptr);
    FCNoteEntry second(records[1], nullptr, 2, 1, &first);
    FCNoteEntry third(records[2], nullptr, 2, 1, &second);
    EXPECT_EQ(0, second.GetFlaggedRunIndex());
    EXPECT_EQ(1, third.GetFlaggedRunIndex());
}

TEST_F(Cell, NoteCountAboveTwelveBuildsTwelveNotes)
{
    std::vector<simhost::NoteSpec> notes;
    for (uint16_t id = 1; id <= 12; ++id) notes.push_back(Note(id));
    uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, notes });
    entry::SetNoteCount(*score().FindEntry(number), 13);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    EXPECT_EQ(12, cell.GetEntryAt(0)->GetNoteCount());
    EXPECT_EQ(12, cell.GetEntryAt(0)->GetCount());
    EXPECT_TRUE(cell.Save());
    EXPECT_EQ(12, entry::NoteCount(*score().FindEntry(number)));
}

TEST_F(Cell, LayersBeyondTwentyAreIgnored)
{
    score().maxLayers = 25;
    score().AddEntry(1, 1, 19, EntrySpec{ 0, 0, 0, { Note(1) } });
    score().AddEntry(1, 1, 22, EntrySpec{ 0, 0, 0, { Note(1) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    EXPECT_EQ(20u, CountCalls("FX_LoadTGF"));
    EXPECT_EQ(1, cell.GetCount());
    EXPECT_TRUE(cell.Save());
    EXPECT_EQ(20u, CountCalls("FX_SaveTGF"));
    EXPECT_NE(nullptr, cell.GetFrame(19));
    EXPECT_EQ(nullptr, cell.GetFrame(20));
    EXPECT_EQ(nullptr, cell.GetFrame(-1));
}

TEST_F(Cell, ReloadFreesThePreviousFrames)
{
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    ASSERT_TRUE(cell.Load());
    EXPECT_EQ(4u, host().LiveFrameCount());
    EXPECT_EQ(4u, CountCalls("FX_FreeTGF"));
}

TEST_F(Cell, StaffNotInScoreFailsToLoad)
{
    FCNoteEntryCell cell(1, 9);
    EXPECT_FALSE(cell.Load());
    EXPECT_EQ(0, cell.GetCount());
}
