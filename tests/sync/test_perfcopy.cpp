// The sync, on scores in the simulated host.
#include "common/ScoreFixture.h"
#include "data/EntryFrame.h"
#include "sync/ClampPercent.h"
#include "sync/FCPerfcopyBlockHandler.h"

using simhost::EntrySpec;
using simhost::NoteSpec;
using simhost::Performance;
namespace entry = simhost::entry;

namespace {

constexpr uint32_t kSounding = frame::kSoundingFlag;
constexpr uint32_t kHasData = frame::kNotePerformanceFlag;
constexpr uint32_t kRun = frame::kRunFlag;

Performance Values(int16_t velocity, int16_t start = 0, int16_t end = 0)
{
    Performance p;
    p.velocity = velocity;
    p.start = start;
    p.end = end;
    return p;
}

}  // namespace

class Sync : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        handler.SourceStaff = 1;
        handler.UseVelocity = 1;
        handler.UseStartTime = 1;
        handler.UseEndTime = 1;
        SelectAll();
    }

    void SelectAll()
    {
        simhost::Region& r = score().selection;
        r.startSlot = 1;
        r.startMeasure = 1;
        r.startPosition = 0;
        r.endSlot = 3;
        r.endMeasure = 4;
        r.endPosition = 100000;
    }

    bool Run()
    {
        FCUndoBlock block;
        FCString name("Perfcopy to test");
        return block.Execute(&handler, &name);
    }

    // An entry whose notes carry the given values (none: no record).
    uint32_t Add(int16_t staff, std::vector<std::optional<Performance>> notes, int32_t position = 0,
                 int16_t measure = 1, uint32_t extraFlags = 0, int32_t secondTiming = 1024)
    {
        EntrySpec description{ position, secondTiming, kSounding | extraFlags, {} };
        bool anyData = false;
        uint16_t id = 1;
        for (const auto& values : notes) {
            description.notes.push_back(NoteSpec{ id++, 0, values });
            anyData = anyData || values.has_value();
        }
        if (anyData) description.flags |= kHasData;
        return score().AddEntry(staff, measure, 0, description);
    }

    std::optional<Performance> Of(uint32_t number, uint16_t noteID = 1)
    {
        return score().PerformanceOf(number, noteID);
    }

    FCPerfcopyBlockHandler handler;
};

TEST_F(Sync, VelocityHalfwayAndStartTimeTruncatedTowardZero)
{
    Add(1, { Values(100, 5) });
    uint32_t target = Add(2, { Values(64, 10) });
    handler.VelocityPercent = 50;
    handler.StartTimePercent = 50;
    EXPECT_TRUE(Run());
    EXPECT_EQ(82, Of(target)->velocity);
    EXPECT_EQ(8, Of(target)->start);
    EXPECT_EQ(std::vector<std::string>{ "Perfcopy to test" }, host().EndedEdits());
}

TEST_F(Sync, NewRecordAndItsFlagReachTheScore)
{
    Add(1, { Values(90) });
    uint32_t target = score().AddEntry(2, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, std::nullopt } } });
    EXPECT_TRUE(Run());
    EXPECT_EQ(Values(90), Of(target));
    EXPECT_EQ(kSounding | kHasData, entry::Flags(*score().FindEntry(target)));
}

TEST_F(Sync, SourceWithoutDataPullsTowardZero)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, std::nullopt } } });
    uint32_t target = Add(2, { Values(80) });
    handler.UseStartTime = 0;
    handler.UseEndTime = 0;
    handler.VelocityPercent = 50;
    EXPECT_TRUE(Run());
    EXPECT_EQ(40, Of(target)->velocity);
}

TEST_F(Sync, ChordOntoASingleNoteUsesTheAverage)
{
    Add(1, { Values(90), Values(91), Values(95) });
    uint32_t target = Add(2, { Values(0) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(92, Of(target)->velocity);
}

TEST_F(Sync, EndTimeOnly)
{
    Add(1, { Values(1, 1, 10) });
    uint32_t target = Add(2, { Values(50, 7, 30) });
    handler.UseVelocity = 0;
    handler.UseStartTime = 0;
    handler.EndTimePercent = 50;
    EXPECT_TRUE(Run());
    EXPECT_EQ(Values(50, 7, 20), Of(target));
}

TEST_F(Sync, EndTimeOnlyWhenSecondTimingValuesAgree)
{
    Add(1, { Values(100, 0, 10) }, 0, 1, 0, 1024);
    uint32_t target = Add(2, { Values(50, 0, 30) }, 0, 1, 0, 512);
    EXPECT_TRUE(Run());
    EXPECT_EQ(Values(100, 0, 30), Of(target));
    handler.UseVelocity = 0;
    handler.UseStartTime = 0;
    EXPECT_FALSE(Run());
}

TEST_F(Sync, SingleNoteOntoAChord)
{
    Add(1, { Values(70) });
    uint32_t target = Add(2, { Values(1), std::nullopt, Values(3) });
    EXPECT_TRUE(Run());
    for (uint16_t id = 1; id <= 3; ++id) EXPECT_EQ(70, Of(target, id)->velocity) << id;
}

TEST_F(Sync, ChordOfThreeOntoAChordOfTwo)
{
    Add(1, { Values(10), Values(20), Values(30) });
    uint32_t target = Add(2, { Values(0), Values(0) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(10, Of(target, 1)->velocity);
    EXPECT_EQ(30, Of(target, 2)->velocity);  // paired with 20, then with 30
}

TEST_F(Sync, ChordOfTwoOntoAChordOfThree)
{
    Add(1, { Values(10), Values(20) });
    uint32_t target = Add(2, { Values(0), Values(0), Values(0) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(10, Of(target, 1)->velocity);
    EXPECT_EQ(20, Of(target, 2)->velocity);
    EXPECT_EQ(20, Of(target, 3)->velocity);
}

TEST_F(Sync, SurplusSourceNotesMoveTheLastNoteTwiceBelowAHundredPercent)
{
    handler.VelocityPercent = 50;
    Add(1, { Values(10), Values(20), Values(40) });
    uint32_t target = Add(2, { Values(0), Values(0) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(5, Of(target, 1)->velocity);
    EXPECT_EQ(25, Of(target, 2)->velocity);  // 0 -> 10 (toward 20), then -> 25 (toward 40)
}

TEST_F(Sync, TwoSourceLayersReachOneDestinationLayerZeroFirst)
{
    handler.VelocityPercent = 50;
    Add(1, { Values(100) });
    score().AddEntry(1, 1, 1, EntrySpec{ 0, 1024, kSounding | kHasData, { NoteSpec{ 1, 0, Values(0) } } });
    uint32_t target = Add(2, { Values(40) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(35, Of(target)->velocity);  // 40 -> 70 (toward layer 0's 100), then -> 35 (toward layer 1's 0)
}

TEST_F(Sync, ASourceNoteWithoutARecordPullsTowardZeroAfterOneWithARecord)
{
    Add(1, { Values(40, 30, 20) }, 0);
    score().AddEntry(1, 1, 0, EntrySpec{ 1024, 1024, kSounding | kHasData, { NoteSpec{ 1, 0, std::nullopt } } });
    uint32_t first = Add(2, { Values(8, 8, 8) }, 0);
    uint32_t second = Add(2, { Values(8, 8, 8) }, 1024);
    EXPECT_TRUE(Run());
    EXPECT_EQ(40, Of(first)->velocity);
    EXPECT_EQ(30, Of(first)->start);
    EXPECT_EQ(20, Of(first)->end);
    // Every value of the note without a record is 0, none kept from before.
    EXPECT_EQ(0, Of(second)->velocity);
    EXPECT_EQ(0, Of(second)->start);
    EXPECT_EQ(0, Of(second)->end);
}

TEST_F(Sync, RunsOnlyMeetRunsAndEmptyDestinationsAreSkipped)
{
    Add(1, { Values(40) });
    uint32_t run = Add(2, { Values(8) }, 0, 1, kRun);
    score().AddEntry(3, 1, 0, EntrySpec{ 0, 1024, kSounding | kHasData, {} });
    EXPECT_FALSE(Run());
    EXPECT_EQ(8, Of(run)->velocity);
}

TEST_F(Sync, ARecordOfAnEntryWithoutTheFlagCountsAsNoneAndIsReused)
{
    // The entry does not say its notes carry records: the stored record is
    // not read (the value moves from 0), but it is the one written.
    handler.VelocityPercent = 50;
    Add(1, { Values(100) });
    const uint32_t target =
        score().AddEntry(2, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, Values(70) } } });
    EXPECT_TRUE(Run());
    EXPECT_EQ(50, Of(target)->velocity);
    EXPECT_EQ(kSounding | kHasData, entry::Flags(*score().FindEntry(target)));
    EXPECT_EQ(2u, score().records.RecordsOf(simhost::kPerformanceTag).size());
}

TEST_F(Sync, StavesCountInTheSelectionsStaffList)
{
    // List 7 puts staff 3 first: slots 2-3 of it are staves 1 and 2, and
    // staff 1, the source, is skipped.
    score().otherStaffLists[7] = { 3, 1, 2 };
    score().selection.startSlotContext = 7;
    score().selection.endSlotContext = 7;
    score().selection.startSlot = 2;
    score().selection.endSlot = 3;
    Add(1, { Values(40) });
    uint32_t two = Add(2, { Values(8) });
    uint32_t three = Add(3, { Values(8) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(40, Of(two)->velocity);
    EXPECT_EQ(8, Of(three)->velocity);
}

TEST_F(Sync, OnlyEntriesAtTheSamePositionMatch)
{
    Add(1, { Values(100) }, 0);
    uint32_t same = Add(2, { Values(0) }, 0);
    uint32_t later = Add(2, { Values(0) }, 512);
    EXPECT_TRUE(Run());
    EXPECT_EQ(100, Of(same)->velocity);
    EXPECT_EQ(0, Of(later)->velocity);
}

TEST_F(Sync, RunsMatchByRunIndex)
{
    std::vector<uint32_t> sources;
    std::vector<uint32_t> targets;
    for (int16_t v : { 11, 22, 33 }) sources.push_back(Add(1, { Values(v) }, 0, 1, kRun));
    for (int i = 0; i < 3; ++i) targets.push_back(Add(2, { Values(0) }, 0, 1, kRun));
    uint32_t unflagged = Add(2, { Values(0) }, 0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(11, Of(targets[0])->velocity);
    EXPECT_EQ(22, Of(targets[1])->velocity);
    EXPECT_EQ(33, Of(targets[2])->velocity);
    EXPECT_EQ(0, Of(unflagged)->velocity);
}

TEST_F(Sync, SelectionInsideMeasures)
{
    Add(1, { Values(100) }, 0, 1);
    Add(1, { Values(100) }, 512, 1);
    Add(1, { Values(100) }, 0, 2);
    Add(1, { Values(100) }, 512, 2);
    uint32_t beforeStart = Add(2, { Values(0) }, 0, 1);
    uint32_t atStart = Add(2, { Values(0) }, 512, 1);
    uint32_t atEnd = Add(2, { Values(0) }, 0, 2);
    uint32_t afterEnd = Add(2, { Values(0) }, 512, 2);
    simhost::Region& r = score().selection;
    r.startMeasure = 1;
    r.startPosition = 512;
    r.endMeasure = 2;
    r.endPosition = 0;
    EXPECT_TRUE(Run());
    EXPECT_EQ(0, Of(beforeStart)->velocity);
    EXPECT_EQ(100, Of(atStart)->velocity);
    EXPECT_EQ(100, Of(atEnd)->velocity);
    EXPECT_EQ(0, Of(afterEnd)->velocity);
}

TEST_F(Sync, SourceStaffInsideTheSelectionIsSkipped)
{
    handler.SourceStaff = 2;
    uint32_t first = Add(1, { Values(0) });
    uint32_t source = Add(2, { Values(60) });
    uint32_t third = Add(3, { Values(0) });
    EXPECT_TRUE(Run());
    EXPECT_EQ(60, Of(first)->velocity);
    EXPECT_EQ(60, Of(third)->velocity);
    EXPECT_EQ(60, Of(source)->velocity);
    // Per measure: the source cell once and two destination cells, four
    // layers each; only the two changed cells of measure 1 are saved.
    EXPECT_EQ(4u * 3u * 4u, host().CallsTo("FX_LoadTGF").size());
    EXPECT_EQ(2u * 4u, host().CallsTo("FX_SaveTGF").size());
}

TEST_F(Sync, AllFieldsOffChangesNothing)
{
    Add(1, { Values(100, 5, 5) });
    uint32_t target = Add(2, { Values(0) });
    handler.UseVelocity = 0;
    handler.UseStartTime = 0;
    handler.UseEndTime = 0;
    simhost::Score before = score();
    EXPECT_FALSE(Run());
    EXPECT_TRUE(before == score());
    EXPECT_EQ(1, host().CancelledEdits());
    EXPECT_EQ(0, Of(target)->velocity);
}

// Each field moves by its own percentage when it is chosen and stays when it
// is not, whatever the other two fields do.
TEST_F(Sync, EveryChoiceOfFieldsMovesExactlyTheChosenOnes)
{
    const Performance source = Values(80, 40, 80);
    const Performance before = Values(40, 0, 0);
    const Performance moved = Values(60, 10, 60);  // by 50, 25 and 75 %
    for (int choice = 0; choice < 8; ++choice) {
        SCOPED_TRACE(testing::Message() << "velocity " << (choice & 1) << ", start " << ((choice >> 1) & 1)
                                        << ", end " << ((choice >> 2) & 1));
        simhost::Host::Get().Reset();
        simhost::RegisterModule("FINALE.EXE");
        score().staffOrder = { 1, 2, 3 };
        score().measureCount = 4;
        SelectAll();
        uint32_t copied = Add(1, { source });
        uint32_t target = Add(2, { before });
        handler.UseVelocity = choice & 1;
        handler.UseStartTime = (choice >> 1) & 1;
        handler.UseEndTime = (choice >> 2) & 1;
        handler.VelocityPercent = 50;
        handler.StartTimePercent = 25;
        handler.EndTimePercent = 75;
        EXPECT_EQ(choice != 0, Run());
        Performance expected = before;
        if (handler.UseVelocity) expected.velocity = moved.velocity;
        if (handler.UseStartTime) expected.start = moved.start;
        if (handler.UseEndTime) expected.end = moved.end;
        EXPECT_EQ(expected, Of(target));
        EXPECT_EQ(source, Of(copied));
    }
}

TEST_F(Sync, ZeroPercentStillCountsAsChanged)
{
    Add(1, { Values(100) });
    uint32_t target = Add(2, { Values(50, 3) });
    handler.UseStartTime = 0;
    handler.VelocityPercent = 0;
    EXPECT_TRUE(Run());
    EXPECT_EQ(Values(50, 3), Of(target));
}

TEST_F(Sync, UnusedFieldDifferenceStillRewritesTheUsedOne)
{
    Add(1, { Values(50, 9) });
    uint32_t target = Add(2, { Values(50, 0) });
    handler.UseStartTime = 0;
    handler.UseEndTime = 0;
    EXPECT_TRUE(Run());
    EXPECT_EQ(Values(50, 0), Of(target));
}

TEST_F(Sync, NothingToDoWithoutDataOnEitherSide)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, std::nullopt } } });
    score().AddEntry(2, 1, 0, EntrySpec{ 0, 1024, kSounding, { NoteSpec{ 1, 0, std::nullopt } } });
    EXPECT_FALSE(Run());
    EXPECT_TRUE(host().CallsTo("FX_SaveTGF").empty());
}

TEST_F(Sync, EntriesWithoutTheSoundingFlagTakeNoPart)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 1024, kHasData, { NoteSpec{ 1, 0, Values(100) } } });
    uint32_t target = Add(2, { Values(0) });
    uint32_t silent = score().AddEntry(3, 1, 0, EntrySpec{ 0, 1024, kHasData, { NoteSpec{ 1, 0, Values(0) } } });
    Add(1, { Values(100) }, 512);
    EXPECT_FALSE(Run());
    EXPECT_EQ(0, Of(target)->velocity);
    EXPECT_EQ(0, Of(silent)->velocity);
}

TEST_F(Sync, SourceEntryWithoutNotesIsSkipped)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 1024, kSounding | kHasData, {} });
    uint32_t target = Add(2, { Values(40) });
    EXPECT_FALSE(Run());
    EXPECT_EQ(40, Of(target)->velocity);
}

TEST_F(Sync, AverageOfTruncatesTowardZero)
{
    const int32_t values[] = { -1, -2, 0 };
    EXPECT_EQ(-1, FCPerfcopyBlockHandler::AverageOf(values, 3));
    EXPECT_EQ(-1, FCPerfcopyBlockHandler::AverageOf(values, 2));
    EXPECT_EQ(0, FCPerfcopyBlockHandler::AverageOf(values, 0));
    EXPECT_EQ(0, FCPerfcopyBlockHandler::AverageOf(nullptr, 3));
}

TEST(Percent, IsAWholeNumberFromZeroToAHundred)
{
    const int32_t given[] = { INT32_MIN, -1, 0, 1, 99, 100, 101, INT32_MAX };
    const int32_t taken[] = { 0, 0, 0, 1, 99, 100, 100, 100 };
    for (size_t i = 0; i < sizeof given / sizeof given[0]; ++i) EXPECT_EQ(taken[i], ClampPercent(given[i])) << given[i];
}

TEST_F(Sync, OneSyncIsOneUndoStep)
{
    Add(1, { Values(100) }, 0, 1);
    Add(1, { Values(90) }, 0, 3);
    Add(2, { Values(0) }, 0, 1);
    Add(3, { std::nullopt }, 0, 3);
    const simhost::Score original = score();
    ASSERT_TRUE(Run());
    EXPECT_TRUE(original != score());
    EXPECT_EQ("Perfcopy to test", host().Undo());
    EXPECT_TRUE(original == score());
    EXPECT_EQ(std::nullopt, host().Undo());
}

TEST_F(Sync, FailedWritesStillCountAsAChange)
{
    Add(1, { Values(100), Values(50) });
    uint32_t target = Add(2, { Values(0), Values(0) });
    host().FailCall("FX_SaveEData", 1);
    host().FailCall("FX_SaveTGF", 1);
    EXPECT_TRUE(Run());
    EXPECT_EQ(0, Of(target, 1)->velocity);   // its write failed
    EXPECT_EQ(50, Of(target, 2)->velocity);
    EXPECT_EQ(std::vector<std::string>{ "Perfcopy to test" }, host().EndedEdits());
}

TEST_F(Sync, SourceCellThatFailsToLoadIsWalkedAsEmpty)
{
    Add(1, { Values(100) });
    uint32_t target = Add(2, { Values(0) });
    host().FailCall("FX_LoadTGF", 1);  // the first layer of the source cell
    EXPECT_FALSE(Run());
    EXPECT_EQ(0, Of(target)->velocity);
    EXPECT_EQ(1, host().CancelledEdits());
}
