// The selected region against entries of the simulated score.
#include "common/ScoreFixture.h"
#include "data/FCMusicRegion.h"
#include "data/FCNoteEntryCell.h"

using simhost::EntrySpec;

class Region : public ScoreTest {
protected:
    void Select(int16_t startSlot, int16_t startMeasure, int32_t startPosition, int16_t endSlot,
                int16_t endMeasure, int32_t endPosition)
    {
        simhost::Region& r = score().selection;
        r.startSlot = startSlot;
        r.startMeasure = startMeasure;
        r.startPosition = startPosition;
        r.endSlot = endSlot;
        r.endMeasure = endMeasure;
        r.endPosition = endPosition;
    }

    // Which entries of the staff's measure lie in the region, by position.
    std::vector<int32_t> PositionsInside(const FCMusicRegion& region, int32_t measure, int32_t staff)
    {
        FCNoteEntryCell cell(measure, staff);
        EXPECT_TRUE(cell.Load());
        std::vector<int32_t> inside;
        for (int32_t i = 0; i < cell.GetCount(); ++i) {
            if (region.IsEntryInRegion(cell.GetEntryAt(i))) inside.push_back(cell.GetEntryAt(i)->GetPosition());
        }
        return inside;
    }

    void AddEntriesAt(int16_t staff, int16_t measure, std::vector<int32_t> positions)
    {
        for (int32_t position : positions) score().AddEntry(staff, measure, 0, EntrySpec{ position, 0, 0, { Note(1) } });
    }
};

TEST_F(Region, SelectionIsReadFromTheHost)
{
    Select(2, 1, 256, 3, 4, 768);
    score().otherStaffLists[7] = { 1, 2, 3 };
    score().otherStaffLists[9] = { 1, 2, 3 };
    score().selection.startSlotContext = 7;
    score().selection.endSlotContext = 9;
    score().document = 5;
    FCMusicRegion region;
    EXPECT_TRUE(region.IsEmpty());
    region.SetCurrentSelection();
    EXPECT_EQ(7, region.GetStartSlotContext());
    EXPECT_EQ(9, region.GetEndSlotContext());
    EXPECT_EQ(2, region.GetStartSlot());
    EXPECT_EQ(1, region.GetStartMeasure());
    EXPECT_EQ(256, region.GetStartPosition());
    EXPECT_EQ(3, region.GetEndSlot());
    EXPECT_EQ(4, region.GetEndMeasure());
    EXPECT_EQ(768, region.GetEndPosition());
    EXPECT_EQ(2, region.GetSlotCount());
    EXPECT_EQ(5, region.GetDocument());
    EXPECT_FALSE(region.IsEmpty());
    EXPECT_STREQ("FCMusicRegion", region.ClassName());
}

TEST_F(Region, BothEndsOfAOneMeasureSelectionAreInclusive)
{
    AddEntriesAt(1, 2, { 0, 255, 256, 512, 768, 769 });
    Select(1, 2, 256, 1, 2, 768);
    FCMusicRegion region;
    region.SetCurrentSelection();
    EXPECT_EQ((std::vector<int32_t>{ 256, 512, 768 }), PositionsInside(region, 2, 1));
}

TEST_F(Region, PositionsMatterOnlyInTheFirstAndLastMeasure)
{
    AddEntriesAt(2, 1, { 0, 600 });
    AddEntriesAt(2, 2, { 0, 5000 });
    AddEntriesAt(2, 3, { 0, 600 });
    AddEntriesAt(2, 4, { 0 });
    Select(1, 1, 500, 3, 3, 500);
    FCMusicRegion region;
    region.SetCurrentSelection();
    EXPECT_EQ((std::vector<int32_t>{ 600 }), PositionsInside(region, 1, 2));
    EXPECT_EQ((std::vector<int32_t>{ 0, 5000 }), PositionsInside(region, 2, 2));
    EXPECT_EQ((std::vector<int32_t>{ 0 }), PositionsInside(region, 3, 2));
    EXPECT_TRUE(PositionsInside(region, 4, 2).empty());
}

TEST_F(Region, StavesOutsideTheSlotsOrTheScoreAreNeverInside)
{
    AddEntriesAt(1, 1, { 0 });
    AddEntriesAt(3, 1, { 0 });
    Select(2, 1, 0, 3, 1, 1000);
    FCMusicRegion region;
    region.SetCurrentSelection();
    EXPECT_TRUE(PositionsInside(region, 1, 1).empty());
    EXPECT_EQ((std::vector<int32_t>{ 0 }), PositionsInside(region, 1, 3));

    // An entry whose staff has left the score.
    FCNoteEntryCell cell(1, 3);
    ASSERT_TRUE(cell.Load());
    score().staffOrder = { 1, 2 };
    EXPECT_FALSE(region.IsEntryInRegion(cell.GetEntryAt(0)));
}

// Entries above, below, before and after the region lie outside it.
TEST_F(Region, OnlyTheRectangleOfSlotsAndMeasuresIsInside)
{
    for (int16_t staff : { 1, 2, 3 }) {
        for (int16_t measure : { 1, 2, 3, 4 }) AddEntriesAt(staff, measure, { 0 });
    }
    Select(2, 2, 0, 2, 3, 1000);
    FCMusicRegion region;
    region.SetCurrentSelection();
    std::vector<std::pair<int16_t, int16_t>> inside;
    for (int16_t staff : { 1, 2, 3 }) {
        for (int16_t measure : { 1, 2, 3, 4 }) {
            if (!PositionsInside(region, measure, staff).empty()) inside.emplace_back(staff, measure);
        }
    }
    EXPECT_EQ((std::vector<std::pair<int16_t, int16_t>>{ { 2, 2 }, { 2, 3 } }), inside);
}

TEST_F(Region, EmptyRegionHoldsNothing)
{
    AddEntriesAt(1, 1, { 0 });
    FCMusicRegion fresh;
    EXPECT_TRUE(fresh.IsEmpty());
    EXPECT_EQ(0, fresh.GetDocument());
    EXPECT_EQ(0, fresh.GetStartSlot());
    EXPECT_EQ(0, fresh.GetEndPosition());
    FCMusicRegion region;
    region.SetCurrentSelection();
    EXPECT_TRUE(region.IsEmpty());
    EXPECT_TRUE(PositionsInside(region, 1, 1).empty());
    EXPECT_FALSE(region.IsEntryInRegion(nullptr));
    // Only both measures at 0 make an empty region.
    region.SetEndMeasure(2);
    EXPECT_FALSE(region.IsEmpty());
    region.SetStartMeasure(2);
    region.SetEndMeasure(0);
    EXPECT_FALSE(region.IsEmpty());
}

TEST_F(Region, SameRegionComparesStavesNotSlots)
{
    Select(1, 2, 0, 2, 3, 100);
    FCMusicRegion before;
    before.SetCurrentSelection();

    // The same staves, read through a reordered staff list for the end slot:
    // the end slots differ, the staves do not.
    score().otherStaffLists[7] = { 3, 1, 2 };
    score().selection.endSlotContext = 7;
    Select(1, 2, 0, 3, 3, 100);
    FCMusicRegion reordered;
    reordered.SetCurrentSelection();
    EXPECT_NE(before.GetEndSlot(), reordered.GetEndSlot());
    EXPECT_TRUE(before.IsSameRegion(&reordered));
    EXPECT_TRUE(reordered.IsSameRegion(&before));

    FCMusicRegion other;
    score().selection.endSlotContext = 0;
    Select(1, 2, 0, 2, 3, 100);
    other.SetCurrentSelection();
    EXPECT_TRUE(before.IsSameRegion(&other));
    other.SetEndPosition(101);
    EXPECT_FALSE(before.IsSameRegion(&other));
    other.SetEndPosition(100);
    other.SetStartMeasure(1);
    EXPECT_FALSE(before.IsSameRegion(&other));
    other.SetStartMeasure(2);
    other.SetEndMeasure(4);
    EXPECT_FALSE(before.IsSameRegion(&other));
    other.SetEndMeasure(3);
    EXPECT_TRUE(before.IsSameRegion(&other));
    other.SetStartMeasure(2);
    other.SetStartSlot(2);
    EXPECT_FALSE(before.IsSameRegion(&other));
    other.SetStartSlot(1);
    other.SetStartSlotContext(7);
    EXPECT_FALSE(before.IsSameRegion(&other));
    // Another staff list in the same order: the staves agree, the lists not.
    score().otherStaffLists[8] = { 1, 2, 3 };
    other.SetStartSlotContext(8);
    EXPECT_FALSE(before.IsSameRegion(&other));
    EXPECT_FALSE(before.IsSameRegion(nullptr));

    // The end: the same staff through another list agrees, another staff or
    // start position does not.
    other.SetStartSlotContext(0);
    EXPECT_TRUE(before.IsSameRegion(&other));
    other.SetEndSlotContext(7);
    other.SetEndSlot(3);
    EXPECT_TRUE(before.IsSameRegion(&other));
    other.SetEndSlot(2);
    EXPECT_FALSE(before.IsSameRegion(&other));
    other.SetEndSlot(3);
    other.SetStartPosition(1);
    EXPECT_FALSE(before.IsSameRegion(&other));
    other.SetStartPosition(0);
    EXPECT_TRUE(before.IsSameRegion(&other));
}

TEST_F(Region, EntriesAreFoundInTheStaffListOfTheStartSlot)
{
    score().otherStaffLists[7] = { 3, 1, 2 };
    AddEntriesAt(3, 1, { 0 });
    Select(1, 1, 0, 1, 1, 100);
    score().selection.startSlotContext = 7;
    FCMusicRegion region;
    region.SetCurrentSelection();
    EXPECT_EQ((std::vector<int32_t>{ 0 }), PositionsInside(region, 1, 3));  // slot 1 of list 7 is staff 3
    EXPECT_TRUE(PositionsInside(region, 1, 1).empty());
}
