// Per-note performance records, attached to entries of host frames.
#include "common/RecordOracle.h"
#include "common/ScoreFixture.h"
#include "core/ByteAccess.h"
#include "data/EntryFrame.h"
#include "data/FCNoteEntryCell.h"
#include "data/FCPerformanceMod.h"

using qvtest::AgreesWithHost;
using qvtest::StateOf;
using simhost::EntrySpec;
using simhost::Performance;
namespace entry = simhost::entry;

class PerformanceMod : public ScoreTest {
protected:
    // Puts a performance record of the entry at an explicit inci.
    void PutRecord(uint32_t entryNumber, uint16_t inci, uint16_t noteID, int16_t velocity)
    {
        uint8_t key[8] = {};
        SetLE32(key, 0, entryNumber);
        SetLE16(key, 4, inci);
        Performance p;
        p.velocity = velocity;
        score().records.Put(simhost::kPerformanceTag, key, simhost::EncodePerformance(noteID, p));
    }
};

TEST_F(PerformanceMod, NewObjectCanBeSavedAtOnce)
{
    FCPerformanceMod mod;
    EXPECT_STREQ("FCPerformanceMods", mod.ClassName());
    EXPECT_EQ(10u, mod.GetLoadedSize());
    EXPECT_EQ(0u, mod.GetEntryNumber());
    EXPECT_EQ(nullptr, mod.GetNoteEntry());
    EXPECT_FALSE(mod.LoadFirst());
    EXPECT_FALSE(mod.SaveNew());
}

TEST_F(PerformanceMod, LoadForNoteNeedsTheEntryFlag)
{
    uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { NoteWith(3, 70) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCNote* note = cell.GetEntryAt(0)->GetNoteAt(0);
    FCPerformanceMod mod;
    EXPECT_FALSE(mod.LoadForNote(note));
    EXPECT_FALSE(mod.LoadForNote(nullptr));
    EXPECT_FALSE(mod.HasNoteFlag(nullptr));
    EXPECT_FALSE(mod.SaveForNote(nullptr));
    EXPECT_TRUE(host().CallsTo("FX_CreateEData").empty());

    cell.GetEntryAt(0)->SetFlag(frame::kNotePerformanceFlag, true);
    ASSERT_TRUE(mod.LoadForNote(note));
    EXPECT_EQ(70, mod.GetVelocity());
    EXPECT_EQ(number, mod.GetEntryNumber());
    for (const simhost::LoggedCall& call : host().CallsTo("FX_LoadEData")) {
        EXPECT_EQ(0x65646163, call.args[0]);
        EXPECT_EQ(0x07000000, call.args[4]);
    }
}

TEST_F(PerformanceMod, FindInciStopsAtTheFirstGap)
{
    uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, frame::kNotePerformanceFlag, { Note(1) } });
    PutRecord(number, 1, 1, 10);
    PutRecord(number, 2, 1, 20);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCPerformanceMod mod;
    EXPECT_EQ(-1, mod.FindInciForNoteID(cell.GetEntryAt(0), 1));
    PutRecord(number, 0, 2, 5);
    EXPECT_EQ(1, mod.FindInciForNoteID(cell.GetEntryAt(0), 1));
    EXPECT_EQ(0, mod.FindInciForNoteID(cell.GetEntryAt(0), 2));

    // A record too short to hold a whole note ID reads as zeros past its
    // end, not as the record read before it: 0x0207 is nowhere.
    PutRecord(number, 0, 0x0205, 5);
    uint8_t key[8] = {};
    SetLE32(key, 0, number);
    SetLE16(key, 4, 1);
    score().records.Put(simhost::kPerformanceTag, key, { 0x07 });
    EXPECT_EQ(-1, mod.FindInciForNoteID(cell.GetEntryAt(0), 0x0207));
    EXPECT_EQ(1, mod.FindInciForNoteID(cell.GetEntryAt(0), 0x0007));
}

TEST_F(PerformanceMod, SaveForNoteCreatesThenOverwrites)
{
    uint32_t number = score().AddEntry(1, 2, 0, EntrySpec{ 0, 0, frame::kSoundingFlag, { Note(4) } });
    {
        FCNoteEntryCell cell(2, 1);
        ASSERT_TRUE(cell.Load());
        FCNote* note = cell.GetEntryAt(0)->GetNoteAt(0);
        FCPerformanceMod mod;
        mod.SetVelocity(90);
        ASSERT_TRUE(mod.SaveForNote(note));
        EXPECT_TRUE(AgreesWithHost(mod));
        EXPECT_EQ(0, mod.GetInci());
        EXPECT_TRUE(cell.GetEntryAt(0)->HasFlag(frame::kNotePerformanceFlag));
        EXPECT_EQ(frame::kSoundingFlag, entry::Flags(*score().FindEntry(number)));  // only in the frame so far

        FCPerformanceMod again;
        ASSERT_TRUE(again.LoadForNote(note));
        EXPECT_TRUE(AgreesWithHost(again));
        again.SetVelocity(95);
        again.SetStartOffset(-3);
        ASSERT_TRUE(again.SaveForNote(note));
        EXPECT_TRUE(AgreesWithHost(again));
        ASSERT_EQ(1u, CountCalls("FX_CreateEData"));
        ASSERT_EQ(1u, CountCalls("FX_SaveEData"));
        // Both pass the performance record's own version.
        EXPECT_EQ(0x07000000, host().CallsTo("FX_CreateEData")[0].args[4]);
        EXPECT_EQ(0x07000000, host().CallsTo("FX_SaveEData")[0].args[4]);
        EXPECT_TRUE(cell.Save());
    }
    EXPECT_EQ(frame::kSoundingFlag | frame::kNotePerformanceFlag, entry::Flags(*score().FindEntry(number)));
    Performance expected;
    expected.velocity = 95;
    expected.start = -3;
    EXPECT_EQ(expected, score().PerformanceOf(number, 4));
    EXPECT_EQ(1u, score().records.Count());
}

TEST_F(PerformanceMod, ChordNotesGetARecordEach)
{
    uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1), Note(2) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCNoteEntry* chord = cell.GetEntryAt(0);
    FCPerformanceMod low;
    low.SetVelocity(-10);
    FCPerformanceMod high;
    high.SetVelocity(10);
    ASSERT_TRUE(high.SaveForNote(chord->GetNoteAt(1)));
    ASSERT_TRUE(low.SaveForNote(chord->GetNoteAt(0)));
    EXPECT_TRUE(AgreesWithHost(high));
    EXPECT_TRUE(AgreesWithHost(low));
    EXPECT_EQ(0, high.GetInci());
    EXPECT_EQ(1, low.GetInci());
    EXPECT_EQ(-10, score().PerformanceOf(number, 1)->velocity);
    EXPECT_EQ(10, score().PerformanceOf(number, 2)->velocity);
}

TEST_F(PerformanceMod, HostThatDoesNotTellTheNewInci)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    host().createLeavesKey = true;
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCPerformanceMod mod;
    ASSERT_TRUE(mod.SaveForNote(cell.GetEntryAt(0)->GetNoteAt(0)));
    EXPECT_TRUE(AgreesWithHost(mod));
    EXPECT_EQ(0, mod.GetInci());  // found again by note ID
}

TEST_F(PerformanceMod, CreatedRecordThatCannotBeFoundStillSucceeds)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    host().ForceResult("FX_CreateEData", 1);  // accepted, but nothing stored
    FCPerformanceMod mod;
    EXPECT_TRUE(mod.SaveForNote(cell.GetEntryAt(0)->GetNoteAt(0)));
    EXPECT_EQ(-1, mod.GetInci());
    EXPECT_TRUE(cell.GetEntryAt(0)->HasFlag(frame::kNotePerformanceFlag));
}

TEST_F(PerformanceMod, SaveNewForTheEntryAsAWhole)
{
    uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, frame::kSoundingFlag, { Note(1), Note(2) } });
    PutRecord(number, 0, 1, 1);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCNoteEntry* e = cell.GetEntryAt(0);
    FCPerformanceMod mod;
    mod.SetNoteEntry(e);
    EXPECT_EQ(number, mod.GetEntryNumber());
    // A record the host refuses to create is no record: nothing is marked.
    host().FailCall("FX_CreateEData", 1);
    EXPECT_FALSE(mod.SaveNew());
    EXPECT_FALSE(e->HasFlag(frame::kEntryPerformanceFlag));
    ASSERT_TRUE(mod.SaveNew());
    EXPECT_TRUE(AgreesWithHost(mod));
    EXPECT_EQ(1, mod.GetInci());
    EXPECT_TRUE(e->HasFlag(frame::kEntryPerformanceFlag));
    EXPECT_TRUE(e->HasFlag(frame::kNotePerformanceFlag));

    // A host that leaves the inci at -1: the last record of the entry is found.
    host().createLeavesKey = true;
    FCPerformanceMod another;
    another.SetNoteEntry(e);
    ASSERT_TRUE(another.SaveNew());
    EXPECT_TRUE(AgreesWithHost(another));
    EXPECT_EQ(2, another.GetInci());

    // When that record cannot be found either, the save says so and marks
    // nothing.
    uint32_t second = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, frame::kSoundingFlag, { Note(1) } });
    ASSERT_TRUE(cell.Load());
    FCNoteEntry* lost = cell.GetEntryAt(1);
    ASSERT_EQ(second, lost->GetEntryNumber());
    FCPerformanceMod unfound;
    unfound.SetNoteEntry(lost);
    // The probe's load is the next one.
    const auto loads = host().Statistics().find("FX_LoadEData");
    host().FailCall("FX_LoadEData", (loads == host().Statistics().end() ? 0 : loads->second.calls) + 1);
    EXPECT_FALSE(unfound.SaveNew());
    EXPECT_FALSE(lost->HasFlag(frame::kEntryPerformanceFlag));
    EXPECT_FALSE(lost->HasFlag(frame::kNotePerformanceFlag));
    // Without an entry the key's entry number is 0, and there is no first or
    // last record, not even one the host keeps under entry number 0.
    unfound.SetNoteEntry(nullptr);
    EXPECT_EQ(0u, unfound.GetEntryNumber());
    PutRecord(0, 0, 1, 5);
    EXPECT_EQ(-1, FCPerformanceMod().FindLastInci());
    EXPECT_FALSE(FCPerformanceMod().LoadFirst());
}

TEST_F(PerformanceMod, SaveNewWithoutTheSoundingFlagMarksNoNotes)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCPerformanceMod mod;
    mod.SetNoteEntry(cell.GetEntryAt(0));
    ASSERT_TRUE(mod.SaveNew());
    EXPECT_TRUE(cell.GetEntryAt(0)->HasFlag(frame::kEntryPerformanceFlag));
    EXPECT_FALSE(cell.GetEntryAt(0)->HasFlag(frame::kNotePerformanceFlag));
}

TEST_F(PerformanceMod, LoadNextStaysWithinTheEntry)
{
    uint32_t first = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { NoteWith(1, 1), NoteWith(2, 2) } });
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { NoteWith(1, 3) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCPerformanceMod mod;
    mod.SetNoteEntry(cell.GetEntryAt(0));
    ASSERT_TRUE(mod.LoadFirst());
    EXPECT_TRUE(AgreesWithHost(mod));
    ASSERT_TRUE(mod.LoadNext());
    EXPECT_TRUE(AgreesWithHost(mod));
    EXPECT_EQ(2, mod.GetVelocity());
    EXPECT_FALSE(mod.LoadNext());
    EXPECT_EQ(1, mod.GetInci());
    EXPECT_EQ(first, mod.GetEntryNumber());
    EXPECT_EQ(1, mod.FindLastInci());
    EXPECT_FALSE(mod.Reload());  // the failed load left it unloaded
    EXPECT_TRUE(mod.Load(first, 1));
}

// An entry holding every inci a key can have: the last is 0x7FFF.
TEST_F(PerformanceMod, TheLastOfAFullEntryIsInci0x7FFF)
{
    const uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    for (uint32_t inci = 0; inci < 0x7FFF; ++inci) PutRecord(number, static_cast<uint16_t>(inci), 1, 5);
    PutRecord(number, 0x7FFF, 2, 5);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCPerformanceMod mod;
    mod.SetNoteEntry(cell.GetEntryAt(0));
    EXPECT_EQ(0x7FFF, mod.FindLastInci());
    EXPECT_EQ(0x7FFF, mod.FindInciForNoteID(cell.GetEntryAt(0), 2));
}

TEST_F(PerformanceMod, ScansEndAgainstAHostThatNeverFails)
{
    score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, frame::kNotePerformanceFlag, { Note(1) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    host().ForceResult("FX_LoadEData", 1);
    host().ForceResult("FX_NextEData", 1);
    FCPerformanceMod mod;
    mod.SetNoteEntry(cell.GetEntryAt(0));
    EXPECT_EQ(-1, mod.FindInciForNoteID(cell.GetEntryAt(0), 1));
    EXPECT_EQ(0, mod.FindLastInci());  // the host never moves on: the scan ends at the limit
    EXPECT_FALSE(mod.LoadForNote(cell.GetEntryAt(0)->GetNoteAt(0)));
}

// A save after a failed load leaves the object loaded: its key, size and
// data are the record's, so that it reloads.
TEST_F(PerformanceMod, SavesAfterAFailedLoadLeaveTheObjectLoaded)
{
    const uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1), Note(2) } });
    PutRecord(number, 0, 2, 7);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCNoteEntry* chord = cell.GetEntryAt(0);
    FCPerformanceMod mod;
    EXPECT_FALSE(mod.Load(number, 5));
    EXPECT_EQ(0u, mod.GetLoadedSizeField());
    mod.SetVelocity(12);
    ASSERT_TRUE(mod.SaveForNote(chord->GetNoteAt(0)));  // created at inci 1
    EXPECT_TRUE(AgreesWithHost(mod));
    EXPECT_EQ(1, mod.GetInci());
    EXPECT_TRUE(mod.Reload());
    EXPECT_EQ(12, mod.GetVelocity());

    FCPerformanceMod existing;
    EXPECT_FALSE(existing.Load(number, 5));
    existing.SetVelocity(-4);
    ASSERT_TRUE(existing.SaveForNote(chord->GetNoteAt(1)));  // saved over inci 0
    EXPECT_TRUE(AgreesWithHost(existing));
    EXPECT_EQ(0, existing.GetInci());

    FCPerformanceMod whole;
    whole.SetNoteEntry(chord);
    EXPECT_FALSE(whole.Load(number, 5));
    ASSERT_TRUE(whole.SaveNew());
    EXPECT_TRUE(AgreesWithHost(whole));
    EXPECT_EQ(2, whole.GetInci());
    EXPECT_TRUE(whole.Reload());
}

// A save or create the host refuses answers false and marks nothing.
TEST_F(PerformanceMod, RefusedSavesAnswerFalse)
{
    const uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1), Note(2) } });
    PutRecord(number, 0, 2, 7);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCNoteEntry* chord = cell.GetEntryAt(0);
    FCPerformanceMod mod;
    mod.SetVelocity(30);
    host().FailCall("FX_CreateEData", 1);
    EXPECT_FALSE(mod.SaveForNote(chord->GetNoteAt(0)));
    EXPECT_FALSE(chord->HasFlag(frame::kNotePerformanceFlag));
    EXPECT_EQ(0, mod.GetInci());
    host().FailCall("FX_SaveEData", 1);
    EXPECT_FALSE(mod.SaveForNote(chord->GetNoteAt(1)));
    EXPECT_FALSE(chord->HasFlag(frame::kNotePerformanceFlag));
    EXPECT_EQ(7, score().PerformanceOf(number, 2)->velocity);
    EXPECT_EQ(1u, score().records.Count());
}

// Each load and save run twice leaves the object and the host as once.
TEST_F(PerformanceMod, EachLoadAndSaveTwiceIsAsOnce)
{
    const uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, frame::kNotePerformanceFlag,
                                                                 { NoteWith(1, 5), NoteWith(2, 6) } });
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCNote* note = cell.GetEntryAt(0)->GetNoteAt(1);
    FCPerformanceMod mod;
    ASSERT_TRUE(mod.LoadForNote(note));
    const qvtest::RecordState once = StateOf(mod);
    ASSERT_TRUE(mod.LoadForNote(note));
    EXPECT_EQ(once, StateOf(mod));
    ASSERT_TRUE(mod.Load(number, 1));
    ASSERT_TRUE(mod.Load(number, 1));
    ASSERT_TRUE(mod.Reload());
    EXPECT_EQ(once, StateOf(mod));
    mod.SetNoteEntry(cell.GetEntryAt(0));
    ASSERT_TRUE(mod.LoadFirst());
    const qvtest::RecordState first = StateOf(mod);
    ASSERT_TRUE(mod.LoadFirst());
    EXPECT_EQ(first, StateOf(mod));

    const simhost::RecordStore before = score().records;
    FCPerformanceMod saved;
    saved.SetVelocity(44);
    ASSERT_TRUE(saved.SaveForNote(note));
    const qvtest::RecordState savedOnce = StateOf(saved);
    const simhost::RecordStore afterOnce = score().records;
    ASSERT_TRUE(saved.SaveForNote(note));
    EXPECT_EQ(savedOnce, StateOf(saved));
    EXPECT_EQ(afterOnce, score().records);
    EXPECT_TRUE(AgreesWithHost(saved));
    ASSERT_TRUE(mod.Save());
    ASSERT_TRUE(mod.Save());
    EXPECT_EQ(first, StateOf(mod));
    EXPECT_EQ(before.Count(), score().records.Count());
}

// An entry object without a record and a note without an entry stand for
// no entry: entry number 0, no flags read or set, nothing loaded.
TEST_F(PerformanceMod, DetachedEntriesAndNotesAreNoEntry)
{
    uint8_t noteRecord[simhost::kNoteSize] = {};
    SetLE16(noteRecord, frame::kNoteID, 1);
    FCNoteEntry detached(nullptr, nullptr, 1, 1, nullptr);
    FCNote orphan(0, noteRecord, nullptr);
    PutRecord(0, 0, 1, 5);
    FCPerformanceMod mod;
    mod.SetNoteEntry(&detached);
    EXPECT_EQ(0u, mod.GetEntryNumber());
    mod.SetEntryFlag(&detached, true);
    mod.SetEntryFlag(nullptr, true);
    mod.SetNoteFlag(&orphan, true);
    mod.SetNoteFlag(nullptr, true);
    EXPECT_FALSE(mod.HasNoteFlag(&orphan));
    EXPECT_FALSE(mod.LoadForNote(&orphan));
    EXPECT_EQ(0, mod.GetVelocity());
    EXPECT_EQ(0u, CountCalls("FX_LoadEData"));
}

// The last inci a key can hold is 0x7FFF: there is no next record, even
// one the host keeps past it.
TEST_F(PerformanceMod, NoNextRecordAfterInci0x7FFF)
{
    const uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1) } });
    PutRecord(number, 0x7FFF, 1, 5);
    PutRecord(number, 0x8000, 1, 6);
    FCPerformanceMod mod;
    ASSERT_TRUE(mod.Load(number, 0x7FFF));
    const qvtest::RecordState last = StateOf(mod);
    EXPECT_FALSE(mod.LoadNext());
    EXPECT_EQ(last, StateOf(mod));
    EXPECT_EQ(1u, CountCalls("FX_LoadEData"));
}

// The scan for the last record stops at the first record it cannot read.
TEST_F(PerformanceMod, TheLastRecordIsTheLastOneRead)
{
    const uint32_t number = score().AddEntry(1, 1, 0, EntrySpec{ 0, 0, 0, { Note(1), Note(2), Note(3) } });
    for (uint16_t inci = 0; inci < 3; ++inci) PutRecord(number, inci, static_cast<uint16_t>(inci + 1), 5);
    FCNoteEntryCell cell(1, 1);
    ASSERT_TRUE(cell.Load());
    FCPerformanceMod mod;
    mod.SetNoteEntry(cell.GetEntryAt(0));
    EXPECT_EQ(2, mod.FindLastInci());
    ASSERT_TRUE(mod.Load(number, 2));
    EXPECT_EQ(3, mod.GetNoteID());
    host().FailCall("FX_LoadEData", static_cast<int64_t>(CountCalls("FX_LoadEData")) + 2);  // inci 1
    EXPECT_EQ(0, mod.FindLastInci());
}
