// The record base and record collections against the simulated host's store.
#include "common/ScoreFixture.h"
#include "TestRecords.h"
#include "common/RecordOracle.h"

using qvtest::AgreesWithHost;
using qvtest::StateOf;
using simhost::RecordKey;

class Records : public ScoreTest {
protected:
    void Put(uint32_t tag, const std::vector<uint8_t>& key, std::vector<uint8_t> data)
    {
        score().records.Put(tag, key.data(), std::move(data));
    }
    const std::vector<uint8_t>* Stored(uint32_t tag, const std::vector<uint8_t>& key)
    {
        return score().records.Find(tag, key.data());
    }
    static constexpr uint32_t kNoInci = 0x5453544E;
    static constexpr uint32_t kInci = 0x54535449;
    static constexpr uint32_t kDetail = 0x53444E47;
};

TEST_F(Records, LoadSaveAndReload)
{
    Put(kNoInci, RecordKey(7), { 1, 2, 3, 4 });
    TestNoInciRecord record;
    ASSERT_TRUE(record.Load(7));
    EXPECT_TRUE(AgreesWithHost(record));
    EXPECT_EQ(4u, record.GetLoadedSize());
    record.data_[0] = 9;
    EXPECT_TRUE(record.Save());
    EXPECT_TRUE(AgreesWithHost(record));
    ASSERT_NE(nullptr, Stored(kNoInci, RecordKey(7)));
    EXPECT_EQ((std::vector<uint8_t>{ 9, 2, 3, 4 }), *Stored(kNoInci, RecordKey(7)));
    record.data_[0] = 0;
    EXPECT_TRUE(record.Reload());
    EXPECT_TRUE(AgreesWithHost(record));
    EXPECT_EQ(9, record.data_[0]);
    std::vector<simhost::LoggedCall> loads = host().CallsTo("FX_LoadEData");
    ASSERT_EQ(2u, loads.size());
    EXPECT_EQ(7u, loads[0].key);  // cmper 7, inci 0
    EXPECT_EQ(4, loads[0].sizeIn);
    EXPECT_EQ(0x12050000, loads[0].args[4]);
}

TEST_F(Records, FailedLoadBlocksSaveWithoutCallingTheHost)
{
    TestNoInciRecord record;
    EXPECT_FALSE(record.Load(3));
    EXPECT_EQ(0u, record.GetLoadedSize());
    EXPECT_FALSE(record.Save());
    EXPECT_FALSE(record.SaveNew());
    EXPECT_FALSE(record.Reload());
    // The same in the families that start with a full loaded size.
    TestInciRecord inci;
    EXPECT_FALSE(inci.Load(3, 1));
    EXPECT_FALSE(inci.Save());
    EXPECT_FALSE(inci.SaveNew(3));
    EXPECT_FALSE(inci.Reload());
    EXPECT_FALSE(inci.LoadFirst());  // a family without a first record
    TestDetailRecord detail;
    detail.SetDetailKey(3, 4, 0);
    EXPECT_FALSE(detail.LoadByKey());
    EXPECT_FALSE(detail.Save());
    EXPECT_FALSE(detail.Reload());
    EXPECT_EQ(0u, CountCalls("FX_SaveEData"));
    EXPECT_EQ(0u, CountCalls("FX_CreateEData"));
    EXPECT_EQ(3u, CountCalls("FX_LoadEData"));
}

TEST_F(Records, SaveNewLetsTheHostChooseTheItem)
{
    Put(kNoInci, RecordKey(4), { 0, 0, 0, 0 });
    TestNoInciRecord record;
    ASSERT_TRUE(record.Load(4));
    EXPECT_TRUE(record.SaveNew());
    EXPECT_TRUE(AgreesWithHost(record));
    EXPECT_EQ(5, record.GetItemCmper());
    EXPECT_NE(nullptr, Stored(kNoInci, RecordKey(5)));
    EXPECT_EQ(0xFFFFFFFFull, host().CallsTo("FX_CreateEData").at(0).key);
}

TEST_F(Records, LoadNextAtTheLastRecordKeepsTheKey)
{
    Put(kNoInci, RecordKey(2), { 2, 0, 0, 0 });
    TestNoInciRecord record;
    ASSERT_TRUE(record.LoadFirst());
    EXPECT_TRUE(AgreesWithHost(record));
    EXPECT_EQ(2, record.GetItemCmper());
    const qvtest::RecordState loaded = StateOf(record);
    EXPECT_FALSE(record.LoadNext());
    EXPECT_EQ(loaded, StateOf(record));
    EXPECT_EQ(2, record.GetItemCmper());
    EXPECT_EQ(2, record.data_[0]);
}

TEST_F(Records, LoadedSizeNeverExceedsTheBuffer)
{
    Put(kNoInci, RecordKey(1), { 1, 2, 3, 4, 5, 6, 7, 8 });
    host().extraReportedSize = 1000;
    TestNoInciRecord record;
    ASSERT_TRUE(record.Load(1));
    EXPECT_EQ(4u, record.GetLoadedSize());
    EXPECT_TRUE(record.Save());
    EXPECT_EQ(4, host().CallsTo("FX_SaveEData").at(0).args[3]);
}

TEST_F(Records, DeleteLeavesTheObjectAsItWas)
{
    Put(kNoInci, RecordKey(1), { 5, 0, 0, 0 });
    TestNoInciRecord record;
    ASSERT_TRUE(record.Load(1));
    const qvtest::RecordState loaded = StateOf(record);
    EXPECT_TRUE(record.DeleteRecord());
    EXPECT_EQ(nullptr, Stored(kNoInci, RecordKey(1)));
    EXPECT_EQ(loaded, StateOf(record));
    EXPECT_FALSE(record.DeleteData());
    EXPECT_EQ(loaded, StateOf(record));
}

TEST_F(Records, PreferencesAlwaysLoadItemOne)
{
    Put(0x4F036870, RecordKey(1), std::vector<uint8_t>(36, 3));
    TestPrefsRecord prefs;
    EXPECT_EQ(0u, prefs.GetLoadedSize());
    EXPECT_EQ(nullptr, prefs.GetData());
    // Whatever item the key held before: cmper 1, inci 0.
    prefs.GetKey()[0] = 5;
    prefs.GetKey()[2] = 7;
    prefs.GetKey()[3] = 1;
    ASSERT_TRUE(prefs.Load(42));
    EXPECT_TRUE(AgreesWithHost(prefs));
    EXPECT_EQ(36u, prefs.GetLoadedSize());
    EXPECT_EQ(1u, host().CallsTo("FX_LoadEData").at(0).key);
    EXPECT_TRUE(prefs.Reload());
    EXPECT_TRUE(AgreesWithHost(prefs));
    EXPECT_EQ(1, prefs.asked);  // Reload hands Load the key's cmper
}

TEST_F(Records, LoadAllInKeyOrder)
{
    TestNoInciRecords list;
    EXPECT_EQ(0, list.LoadAll());
    EXPECT_EQ(0, list.GetCount());

    Put(kNoInci, RecordKey(9), { 9, 0, 0, 0 });
    Put(kNoInci, RecordKey(3), { 3, 0, 0, 0 });
    Put(kNoInci, RecordKey(5), { 5, 0, 0, 0 });
    list.SetContext(77);
    ASSERT_EQ(3, list.LoadAll());
    std::vector<int> firstBytes;
    for (int32_t i = 0; i < list.GetCount(); ++i) {
        auto* item = static_cast<TestNoInciRecord*>(list.GetElementAt(i));
        firstBytes.push_back(item->data_[0]);
        EXPECT_TRUE(AgreesWithHost(*item)) << i;
        EXPECT_EQ(77u, item->GetContext());
        EXPECT_EQ(item->data_, item->GetData());  // an independent copy
    }
    EXPECT_EQ((std::vector<int>{ 3, 5, 9 }), firstBytes);

    static_cast<TestNoInciRecord*>(list.GetElementAt(1))->data_[1] = 1;
    EXPECT_TRUE(list.SaveAll());
    EXPECT_EQ((std::vector<uint8_t>{ 5, 1, 0, 0 }), *Stored(kNoInci, RecordKey(5)));
    // A save the host refuses is the whole save's failure.
    const auto saves = host().Statistics().find("FX_SaveEData");
    host().FailCall("FX_SaveEData", (saves == host().Statistics().end() ? 0 : saves->second.calls) + 1);
    EXPECT_FALSE(list.SaveAll());
}

TEST_F(Records, LoadAllStopsWhenTheHostRepeatsAKey)
{
    Put(kNoInci, RecordKey(1), { 1, 0, 0, 0 });
    host().ForceResult("FX_NextEData", 1, 2);  // from the second call on, "found" without moving
    TestNoInciRecords list;
    EXPECT_EQ(1, list.LoadAll());
}

TEST_F(Records, InciRoundTrips)
{
    TestInciRecords list;
    EXPECT_EQ(0, list.LoadAllIncis(4));
    EXPECT_TRUE(list.ClearAllIncis(4));
    EXPECT_TRUE(list.SaveAllIncis(4));

    Put(kInci, RecordKey(4, 0), { 10, 0, 0, 0, 0, 0 });
    Put(kInci, RecordKey(4, 1), { 11, 0, 0, 0, 0, 0 });
    Put(kInci, RecordKey(4, 2), { 12, 0, 0, 0, 0, 0 });
    Put(kInci, RecordKey(5, 0), { 50, 0, 0, 0, 0, 0 });
    ASSERT_EQ(3, list.LoadAllIncis(4));
    for (int32_t i = 0; i < list.GetCount(); ++i) EXPECT_TRUE(AgreesWithHost(*list.GetElementAt(i))) << i;

    // Loaded in the collection's context.
    TestInciRecords inContext;
    inContext.SetContext(44);
    ASSERT_EQ(3, inContext.LoadAllIncis(4));
    EXPECT_EQ(44u, inContext.GetElementAt(2)->GetContext());

    // Saved back in another order, they become incis 0, 1, 2 in list order.
    TestInciRecords reordered;
    for (int index : { 2, 0 }) {
        auto* copy = new TestInciRecord();
        copy->CopyDataFrom(list.GetElementAt(index));
        reordered.Add(copy);
    }
    // Each item is saved in the collection's context.
    reordered.SetContext(33);
    EXPECT_TRUE(reordered.SaveAllIncis(4));
    for (int32_t i = 0; i < reordered.GetCount(); ++i) {
        EXPECT_TRUE(AgreesWithHost(*reordered.GetElementAt(i))) << i;
        EXPECT_EQ(i, static_cast<__FCInciOther*>(reordered.GetElementAt(i))->GetInci());
    }
    EXPECT_EQ(33u, reordered.GetElementAt(0)->GetContext());
    EXPECT_EQ(33u, reordered.GetElementAt(1)->GetContext());
    for (int16_t inci : { 0, 1 }) {
        ASSERT_NE(nullptr, Stored(kInci, RecordKey(4, inci)));
        ASSERT_FALSE(Stored(kInci, RecordKey(4, inci))->empty());
    }
    EXPECT_EQ(12, (*Stored(kInci, RecordKey(4, 0)))[0]);
    EXPECT_EQ(10, (*Stored(kInci, RecordKey(4, 1)))[0]);
    EXPECT_EQ(nullptr, Stored(kInci, RecordKey(4, 2)));
    ASSERT_NE(nullptr, Stored(kInci, RecordKey(5, 0)));
    ASSERT_FALSE(Stored(kInci, RecordKey(5, 0))->empty());
    EXPECT_EQ(50, (*Stored(kInci, RecordKey(5, 0)))[0]);

    // Deleted from the highest inci down.
    host().ClearLog();
    EXPECT_TRUE(list.ClearAllIncis(4));
    std::vector<simhost::LoggedCall> deletes = host().CallsTo("FX_DeleteEData");
    ASSERT_EQ(2u, deletes.size());
    EXPECT_EQ(0x00010004u, deletes[0].key);  // cmper 4, inci 1
    EXPECT_EQ(0x00000004u, deletes[1].key);
    EXPECT_TRUE(reordered.SaveAllIncis(5));
    EXPECT_EQ(0, list.LoadAllIncis(4));
}

// A list may hold empty places: saving passes over them and saves the rest,
// and the first record the host refuses to create ends the save as a failure.
TEST_F(Records, SavingAListSkipsEmptyPlacesAndStopsAtARefusal)
{
    Put(kNoInci, RecordKey(2), { 2, 0, 0, 0 });
    TestNoInciRecords plain;
    ASSERT_EQ(1, plain.LoadAll());
    plain.Add(nullptr);
    static_cast<TestNoInciRecord*>(plain.GetElementAt(0))->data_[3] = 9;
    EXPECT_TRUE(plain.SaveAll());
    EXPECT_EQ((std::vector<uint8_t>{ 2, 0, 0, 9 }), *Stored(kNoInci, RecordKey(2)));

    TestInciRecords incis;
    for (uint8_t first : { 20, 21, 22 }) {
        if (first == 21) incis.Add(nullptr);
        auto* record = new TestInciRecord();
        record->data_[0] = first;
        incis.Add(record);
    }
    EXPECT_TRUE(incis.SaveAllIncis(6));
    ASSERT_NE(nullptr, Stored(kInci, RecordKey(6, 0)));
    ASSERT_NE(nullptr, Stored(kInci, RecordKey(6, 1)));
    EXPECT_EQ(20, (*Stored(kInci, RecordKey(6, 0)))[0]);
    EXPECT_EQ(21, (*Stored(kInci, RecordKey(6, 1)))[0]);
    EXPECT_EQ(nullptr, Stored(kInci, RecordKey(6, 3)));

    // The second creation is refused: the third item is never tried.
    const auto creates = host().Statistics().find("FX_CreateEData");
    host().FailCall("FX_CreateEData", (creates == host().Statistics().end() ? 0 : creates->second.calls) + 2);
    EXPECT_FALSE(incis.SaveAllIncis(7));
    EXPECT_NE(nullptr, Stored(kInci, RecordKey(7, 0)));
    EXPECT_EQ(nullptr, Stored(kInci, RecordKey(7, 1)));
    EXPECT_EQ(nullptr, Stored(kInci, RecordKey(7, 2)));
}

TEST_F(Records, ClearAllIncisReportsAFailedDelete)
{
    Put(kInci, RecordKey(2, 0), { 0, 0, 0, 0, 0, 0 });
    host().FailCall("FX_DeleteEData", 1);
    TestInciRecords list;
    EXPECT_FALSE(list.ClearAllIncis(2));
    TestInciRecords empty;
    host().FailCall("FX_DeleteEData", 2);
    EXPECT_FALSE(empty.SaveAllIncis(2));

    // An item that cannot be loaded again for its deletion stops the clearing.
    Put(kInci, RecordKey(3, 0), { 0, 0, 0, 0, 0, 0 });
    Put(kInci, RecordKey(3, 1), { 0, 0, 0, 0, 0, 0 });
    const auto loads = host().Statistics().find("FX_LoadEData");
    const int64_t before = loads == host().Statistics().end() ? 0 : loads->second.calls;
    host().FailCall("FX_LoadEData", before + 4);  // after incis 0, 1 and the missing 2: inci 1 again
    EXPECT_FALSE(empty.ClearAllIncis(3));
    EXPECT_NE(nullptr, Stored(kInci, RecordKey(3, 1)));
}

TEST_F(Records, InciScansEndAgainstAHostThatNeverFails)
{
    host().ForceResult("FX_LoadEData", 1);
    host().ForceResult("FX_DeleteEData", 1);
    TestInciRecords list;
    // Every inci a record key can hold, 0 to 0x7FFF, and no more.
    EXPECT_EQ(0x8000, list.LoadAllIncis(1));
    EXPECT_TRUE(list.ClearAllIncis(1));
}

TEST_F(Records, LoadAllDetailsUpToTheFirstGap)
{
    Put(kDetail, RecordKey(3, 1), std::vector<uint8_t>(36, 1));
    Put(kDetail, RecordKey(3, 2), std::vector<uint8_t>(36, 2));
    Put(kDetail, RecordKey(3, 4), std::vector<uint8_t>(36, 4));
    TestDetailRecords list;
    EXPECT_EQ(2, list.LoadAllDetails(3, 1));
    for (int32_t i = 0; i < list.GetCount(); ++i) EXPECT_TRUE(AgreesWithHost(*list.GetElementAt(i))) << i;
    const auto* second = static_cast<TestDetailRecord*>(list.GetElementAt(1));
    EXPECT_EQ(3, second->GetCmper1());
    EXPECT_EQ(2, second->GetCmper2());
    EXPECT_EQ(0, second->GetInci());
    EXPECT_EQ(0, list.LoadAllDetails(3, 3));
    EXPECT_EQ(1, list.LoadAllDetails(3, 4));
    // The last item number a key holds is read too.
    Put(kDetail, RecordKey(3, 0x7FFF), std::vector<uint8_t>(36, 5));
    EXPECT_EQ(1, list.LoadAllDetails(3, 0x7FFF));
}

// Every record call the host refuses answers false and leaves the key and
// the loaded size as they were (the data it was given are the host's to
// write over); a refused load keeps the key asked for and holds zeros.
TEST_F(Records, EveryRefusalAnswersFalseAndKeepsTheKey)
{
    Put(kNoInci, RecordKey(3), { 3, 1, 4, 1 });
    Put(kInci, RecordKey(6, 0), { 6, 0, 2, 0, 0, 9 });
    TestNoInciRecord record;
    ASSERT_TRUE(record.Load(3));
    const auto keyAndSize = [](const __FCBaseData& r) {
        qvtest::RecordState state = StateOf(r);
        state.data.clear();
        return state;
    };
    const qvtest::RecordState loaded = keyAndSize(record);
    const auto refuse = [](const char* function) {
        const auto done = host().Statistics().find(function);
        host().FailCall(function, (done == host().Statistics().end() ? 0 : done->second.calls) + 1);
    };
    refuse("FX_SaveEData");
    EXPECT_FALSE(record.Save());
    EXPECT_EQ(loaded, keyAndSize(record));
    refuse("FX_SaveEData");
    EXPECT_FALSE(record.SaveAs(3));
    EXPECT_EQ(loaded, keyAndSize(record));
    refuse("FX_DeleteEData");
    EXPECT_FALSE(record.DeleteData());
    EXPECT_EQ(loaded, keyAndSize(record));
    ASSERT_TRUE(record.Load(3));
    const qvtest::RecordState whole = StateOf(record);
    refuse("FX_NextEData");
    EXPECT_FALSE(record.LoadNext());
    EXPECT_EQ(whole, StateOf(record));
    EXPECT_EQ((std::vector<uint8_t>{ 3, 1, 4, 1 }), *Stored(kNoInci, RecordKey(3)));

    // A refused create keeps the key it passed, "a new one".
    refuse("FX_CreateEData");
    EXPECT_FALSE(record.SaveNew());
    EXPECT_EQ((qvtest::RecordState{ { 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0 }, 4, {} }), keyAndSize(record));
    TestInciRecord inci;
    ASSERT_TRUE(inci.Load(6, 0));
    refuse("FX_CreateEData");
    EXPECT_FALSE(inci.SaveNew(6));
    EXPECT_EQ((qvtest::RecordState{ { 6, 0, 0xFF, 0xFF, 0, 0, 0, 0 }, 6, {} }), keyAndSize(inci));
    EXPECT_EQ(nullptr, Stored(kInci, RecordKey(6, 1)));

    // A refused load: the key asked for, nothing loaded, nothing held.
    refuse("FX_LoadEData");
    EXPECT_FALSE(record.Load(3));
    EXPECT_EQ((qvtest::RecordState{ { 3, 0, 0, 0, 0, 0, 0, 0 }, 0, { 0, 0, 0, 0 } }), StateOf(record));
    refuse("FX_LoadEData");
    EXPECT_FALSE(inci.Load(6, 0));
    EXPECT_EQ((qvtest::RecordState{ { 6, 0, 0, 0, 0, 0, 0, 0 }, 0, std::vector<uint8_t>(6, 0) }), StateOf(inci));
    // The same record loads again once the host answers.
    EXPECT_TRUE(record.Load(3));
    EXPECT_TRUE(AgreesWithHost(record));
}

// Each load and save run twice leaves the objects and the host as once.
TEST_F(Records, EachLoadAndSaveTwiceIsAsOnce)
{
    Put(kNoInci, RecordKey(2), { 2, 0, 0, 0 });
    Put(kNoInci, RecordKey(8), { 8, 0, 0, 0 });
    Put(kInci, RecordKey(4, 0), { 40, 0, 0, 0, 0, 0 });
    Put(kInci, RecordKey(4, 1), { 41, 0, 0, 0, 0, 0 });
    Put(kDetail, RecordKey(3, 1), std::vector<uint8_t>(36, 1));
    Put(kDetail, RecordKey(3, 2), std::vector<uint8_t>(36, 2));
    Put(0x4F036870, RecordKey(1), std::vector<uint8_t>(36, 3));
    const simhost::RecordStore before = score().records;

    TestNoInciRecord record;
    ASSERT_TRUE(record.Load(8));
    const qvtest::RecordState once = StateOf(record);
    ASSERT_TRUE(record.Load(8));
    EXPECT_EQ(once, StateOf(record));
    ASSERT_TRUE(record.Reload());
    ASSERT_TRUE(record.Reload());
    EXPECT_EQ(once, StateOf(record));
    ASSERT_TRUE(record.LoadFirst());
    const qvtest::RecordState first = StateOf(record);
    ASSERT_TRUE(record.LoadFirst());
    EXPECT_EQ(first, StateOf(record));
    EXPECT_TRUE(AgreesWithHost(record));
    ASSERT_TRUE(record.Save());
    ASSERT_TRUE(record.Save());
    ASSERT_TRUE(record.SaveAs(2));
    ASSERT_TRUE(record.SaveAs(2));
    EXPECT_EQ(first, StateOf(record));
    TestInciRecord inci;
    ASSERT_TRUE(inci.Load(4, 1));
    const qvtest::RecordState inciOnce = StateOf(inci);
    ASSERT_TRUE(inci.Load(4, 1));
    ASSERT_TRUE(inci.Reload());
    EXPECT_EQ(inciOnce, StateOf(inci));
    TestPrefsRecord prefs;
    ASSERT_TRUE(prefs.Load(1));
    const qvtest::RecordState prefsOnce = StateOf(prefs);
    ASSERT_TRUE(prefs.Load(1));
    EXPECT_EQ(prefsOnce, StateOf(prefs));
    EXPECT_EQ(before, score().records);

    // The lists: loaded twice, the same elements; saved twice, the same records.
    const auto states = [](const __FCCollectionData& list) {
        std::vector<qvtest::RecordState> all;
        for (int32_t i = 0; i < list.GetCount(); ++i) all.push_back(StateOf(*list.GetElementAt(i)));
        return all;
    };
    TestNoInciRecords all;
    ASSERT_EQ(2, all.LoadAll());
    const auto allOnce = states(all);
    EXPECT_EQ(2, all.LoadAll());
    EXPECT_EQ(allOnce, states(all));
    EXPECT_TRUE(all.SaveAll());
    EXPECT_TRUE(all.SaveAll());
    EXPECT_EQ(allOnce, states(all));
    TestInciRecords incis;
    ASSERT_EQ(2, incis.LoadAllIncis(4));
    const auto incisOnce = states(incis);
    EXPECT_EQ(2, incis.LoadAllIncis(4));
    EXPECT_EQ(incisOnce, states(incis));
    EXPECT_TRUE(incis.SaveAllIncis(4));
    const simhost::RecordStore savedOnce = score().records;
    EXPECT_TRUE(incis.SaveAllIncis(4));
    EXPECT_EQ(savedOnce, score().records);
    EXPECT_EQ(incisOnce, states(incis));
    TestDetailRecords details;
    ASSERT_EQ(2, details.LoadAllDetails(3, 1));
    const auto detailsOnce = states(details);
    EXPECT_EQ(2, details.LoadAllDetails(3, 1));
    EXPECT_EQ(detailsOnce, states(details));
    EXPECT_EQ(before, score().records);
    EXPECT_TRUE(incis.ClearAllIncis(4));
    EXPECT_TRUE(incis.ClearAllIncis(4));
    EXPECT_EQ(nullptr, Stored(kInci, RecordKey(4, 0)));
}

// Copying data: an object without a block gets one, and an object copied
// from one without a block keeps its own bytes.
TEST_F(Records, CopiedDataAndRecordsWithoutABlock)
{
    Put(0x4F036870, RecordKey(1), std::vector<uint8_t>(36, 3));
    TestPrefsRecord loaded;
    ASSERT_TRUE(loaded.Load(1));
    TestPrefsRecord empty;
    TestPrefsRecord copy;
    ASSERT_EQ(nullptr, copy.GetData());
    copy.CopyDataFrom(&loaded);
    EXPECT_EQ(StateOf(loaded).data, StateOf(copy).data);
    EXPECT_EQ(36u, copy.GetLoadedSizeField());
    copy.CopyDataFrom(&empty);
    EXPECT_EQ(std::vector<uint8_t>(36, 3), StateOf(copy).data);
    EXPECT_EQ(nullptr, empty.GetData());
    // Nothing loaded, nothing to reload: the host is not asked.
    EXPECT_FALSE(empty.Reload());
    EXPECT_EQ(1u, CountCalls("FX_LoadEData"));

    // Details reload under their own key.
    Put(kDetail, RecordKey(3, 1), std::vector<uint8_t>(36, 1));
    TestDetailRecord detail;
    detail.SetDetailKey(3, 1, 0);
    ASSERT_TRUE(detail.LoadByKey());
    Put(kDetail, RecordKey(3, 1), std::vector<uint8_t>(36, 9));
    ASSERT_TRUE(detail.Reload());
    EXPECT_TRUE(AgreesWithHost(detail));
    EXPECT_EQ(9, detail.data_[0]);
}
