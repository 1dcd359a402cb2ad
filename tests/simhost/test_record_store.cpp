// The simulated host's record store: key order per family, and creation.
#include "RecordStore.h"
#include "core/ByteAccess.h"

#include "LowMemory.h"
#include "SimFunctions.h"
#include "SimHost.h"
#include <gtest/gtest.h>

#include <cstring>
#include <set>

using simhost::RecordStore;

namespace {

constexpr uint32_t kOther = 0x534F4953;   // 'SOIS'
constexpr uint32_t kDetail = 0x53444E47;  // 'SDNG'
constexpr uint32_t kEntry = 0x65646163;   // 'edac'

struct Key {
    uint8_t bytes[8] = {};
    Key(uint16_t a, uint16_t b, uint16_t c = 0)
    {
        SetLE16(bytes, 0, a);
        SetLE16(bytes, 2, b);
        SetLE16(bytes, 4, c);
    }
    static Key Entry(uint32_t number, uint16_t inci)
    {
        Key key(0, 0);
        SetLE32(key.bytes, 0, number);
        SetLE16(key.bytes, 4, inci);
        return key;
    }
    uint16_t Word(size_t offset) const { return GetLE16(bytes, offset); }
};

const uint8_t kData[4] = { 1, 2, 3, 4 };

}  // namespace

TEST(RecordStore, NextFollowsCmperThenInci)
{
    RecordStore store;
    store.Put(kOther, Key(2, 0).bytes, { 1 });
    store.Put(kOther, Key(1, 5).bytes, { 1 });
    store.Put(kOther, Key(1, 0).bytes, { 1 });
    store.Put(kDetail, Key(0, 0).bytes, { 1 });
    Key key(0, 0);
    std::vector<std::pair<int, int>> order;
    while (store.Next(kOther, key.bytes)) order.emplace_back(key.Word(0), key.Word(2));
    EXPECT_EQ((std::vector<std::pair<int, int>>{ { 1, 0 }, { 1, 5 }, { 2, 0 } }), order);
    EXPECT_EQ(2, key.Word(0));  // a failed Next leaves the key
}

TEST(RecordStore, EntryDetailsOrderByEntryNumberThenInci)
{
    RecordStore store;
    store.Put(kEntry, Key::Entry(0x10000, 0).bytes, { 1 });
    store.Put(kEntry, Key::Entry(2, 1).bytes, { 1 });
    store.Put(kEntry, Key::Entry(2, 0).bytes, { 1 });
    Key key = Key::Entry(2, 0);
    ASSERT_TRUE(store.Next(kEntry, key.bytes));
    EXPECT_EQ(2u, GetLE32(key.bytes, 0));
    EXPECT_EQ(1, key.Word(4));
    ASSERT_TRUE(store.Next(kEntry, key.bytes));
    EXPECT_EQ(0x10000u, GetLE32(key.bytes, 0));
    EXPECT_FALSE(store.Next(kEntry, key.bytes));
}

TEST(RecordStore, CreateFillsInTheUnsetNumbers)
{
    RecordStore store;
    Key first(0xFFFF, 0xFFFF);
    ASSERT_TRUE(store.Create(kOther, first.bytes, kData, 4, true));
    EXPECT_EQ(1, first.Word(0));
    EXPECT_EQ(0, first.Word(2));
    Key another(0xFFFF, 0xFFFF);
    ASSERT_TRUE(store.Create(kOther, another.bytes, kData, 4, true));
    EXPECT_EQ(2, another.Word(0));
    Key inci(1, 0xFFFF);
    ASSERT_TRUE(store.Create(kOther, inci.bytes, kData, 2, true));
    EXPECT_EQ(1, inci.Word(2));
    EXPECT_EQ(2u, store.Find(kOther, inci.bytes)->size());
    EXPECT_FALSE(store.Create(kOther, Key(1, 1).bytes, kData, 4, true));  // taken

    Key detail(3, 4, 0xFFFF);
    ASSERT_TRUE(store.Create(kDetail, detail.bytes, kData, 4, true));
    EXPECT_EQ(0, detail.Word(4));
    Key detail2(3, 4, 0xFFFF);
    ASSERT_TRUE(store.Create(kDetail, detail2.bytes, kData, 4, true));
    EXPECT_EQ(1, detail2.Word(4));

    Key entry = Key::Entry(9, 0xFFFF);
    ASSERT_TRUE(store.Create(kEntry, entry.bytes, kData, 4, false));
    EXPECT_EQ(0xFFFF, entry.Word(4));  // left for the caller to find
    EXPECT_NE(nullptr, store.Find(kEntry, Key::Entry(9, 0).bytes));
}

TEST(RecordStore, SaveNeedsAnExistingRecordAndDeleteRemovesIt)
{
    RecordStore store;
    EXPECT_FALSE(store.Save(kOther, Key(1, 0).bytes, kData, 4));
    store.Put(kOther, Key(1, 0).bytes, { 9 });
    EXPECT_TRUE(store.Save(kOther, Key(1, 0).bytes, kData, 3));
    EXPECT_EQ((std::vector<uint8_t>{ 1, 2, 3 }), *store.Find(kOther, Key(1, 0).bytes));
    EXPECT_TRUE(store.Delete(kOther, Key(1, 0).bytes));
    EXPECT_FALSE(store.Delete(kOther, Key(1, 0).bytes));
    EXPECT_EQ(0u, store.Count());
}

// A session copies the score for its report only after a change: every
// change of the records gives them a revision never seen before, a copy
// keeps it, and a refused change leaves it.
TEST(RecordStore, EveryChangeGivesANewRevisionAndACopyKeepsIt)
{
    RecordStore store;
    EXPECT_EQ(0u, store.Revision());
    std::set<uint64_t> seen{ 0 };
    auto changed = [&](const char* what) { EXPECT_TRUE(seen.insert(store.Revision()).second) << what; };
    store.Put(kOther, Key(1, 0).bytes, { 9 });
    changed("Put");
    const RecordStore copy = store;
    EXPECT_EQ(copy.Revision(), store.Revision());
    EXPECT_TRUE(store.Save(kOther, Key(1, 0).bytes, kData, 4));
    changed("Save");
    Key fresh(2, 0);
    EXPECT_TRUE(store.Create(kOther, fresh.bytes, kData, 4, false));
    changed("Create");
    EXPECT_TRUE(store.Delete(kOther, Key(2, 0).bytes));
    changed("Delete");
    const uint64_t kept = store.Revision();
    EXPECT_FALSE(store.Save(kOther, Key(5, 0).bytes, kData, 4));
    EXPECT_FALSE(store.Delete(kOther, Key(5, 0).bytes));
    EXPECT_FALSE(store.Create(kOther, Key(1, 0).bytes, kData, 4, false));
    EXPECT_EQ(kept, store.Revision());
    store.Clear();
    changed("Clear");
}

// The same for the frames: a frame saved through the host gives them a new
// revision, one only loaded and freed does not.
TEST(SimulatedHost, ASavedFrameGivesTheFramesANewRevision)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score.staffOrder = { 1 };
    host.score.otherStaffLists[7] = { 1 };
    host.score.measureCount = 1;
    const uint64_t before = host.score.framesRevision;
    void* frame = simhost::FX_LoadTGF(7, 1, 1, 0, 1, 0x12050000);
    ASSERT_NE(nullptr, frame);
    simhost::FX_FreeTGF(frame, 0x12050000);
    EXPECT_EQ(before, host.score.framesRevision);
    frame = simhost::FX_LoadTGF(7, 1, 1, 0, 1, 0x12050000);
    ASSERT_NE(nullptr, frame);
    EXPECT_NE(0, simhost::FX_SaveTGF(frame, 0x12050000));
    simhost::FX_FreeTGF(frame, 0x12050000);
    EXPECT_NE(before, host.score.framesRevision);
}

// Copies of a score share their frames until one of them changes them: a
// change shows only in the score it was made in, whether it adds an entry,
// makes a frame or changes an entry in place, and either way round.
TEST(SimulatedHost, AChangeToACopysFramesStaysInThatCopy)
{
    using simhost::FrameKey;
    namespace entry = simhost::entry;
    const FrameKey key(1, 1, 0);
    simhost::Score score;
    const uint32_t first = score.AddEntry(1, 1, 0, simhost::EntrySpec{});

    simhost::Score copy = score;
    EXPECT_TRUE(copy.frames == score.frames);
    copy.AddEntry(1, 1, 0, simhost::EntrySpec{});
    EXPECT_NE(score.framesRevision, copy.framesRevision);
    EXPECT_EQ(1u, score.frames.at(key).entries.size());
    EXPECT_EQ(2u, copy.frames.at(key).entries.size());

    score.frames[FrameKey(1, 2, 0)].writeGuarded = true;
    EXPECT_EQ(0u, copy.frames.count(FrameKey(1, 2, 0)));

    const simhost::Score kept = score;
    entry::SetFlags(*score.FindEntry(first), simhost::kSoundingFlag);
    EXPECT_EQ(0u, entry::Flags(kept.frames.at(key).entries[0]));
    EXPECT_EQ(0u, entry::Flags(copy.frames.at(key).entries[0]));
    EXPECT_FALSE(kept.frames == score.frames);

    // Through the host: the undo step's copy keeps the frame as it was.
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score.staffOrder = { 1 };
    host.score.measureCount = 1;
    host.score.AddEntry(1, 1, 0, simhost::EntrySpec{});
    const simhost::Score before = host.score;
    void* frame = simhost::FX_LoadTGF(0, 1, 1, 0, 1, 0x12050000);
    ASSERT_NE(nullptr, frame);
    SetLE16(frame, 18, 0);  // the frame saved without its entry
    EXPECT_NE(0, simhost::FX_SaveTGF(frame, 0x12050000));
    simhost::FX_FreeTGF(frame, 0x12050000);
    EXPECT_EQ(0u, host.score.frames.at(key).entries.size());
    EXPECT_EQ(1u, before.frames.at(key).entries.size());
}

// The simulated host is as strict as the host: record calls pass their
// family's version, and a frame's slot counts in the staff list the first
// argument of FX_LoadTGF names.
TEST(SimulatedHost, RecordCallsNeedTheirFamilysVersionAndFramesTheirStaffList)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    simhost::Score& score = host.score;
    score.staffOrder = { 1, 2 };
    score.otherStaffLists[7] = { 2, 1 };
    score.measureCount = 1;
    score.SetStaffRecord(2, std::string("Oboe"));
    uint8_t key[8] = { 2, 0, 0, 0, 0, 0, 0, 0 };
    uint8_t data[136] = {};
    uint32_t size = sizeof data;
    EXPECT_EQ(0, simhost::FX_LoadEData(simhost::kStaffTag, key, data, &size, 0x12050000));
    // The failure wrote over the key, the whole buffer offered and the size.
    const std::vector<uint8_t> scribbled(8, simhost::Host::kScribble);
    EXPECT_EQ(scribbled, std::vector<uint8_t>(key, key + 8));
    EXPECT_EQ(std::vector<uint8_t>(136, simhost::Host::kScribble), std::vector<uint8_t>(data, data + 136));
    EXPECT_EQ(0xA5A5A5A5u, size);
    std::memset(key, 0, sizeof key);
    key[0] = 2;
    size = sizeof data;
    EXPECT_NE(0, simhost::FX_LoadEData(simhost::kStaffTag, key, data, &size, 0x12000000));
    EXPECT_EQ(0, simhost::FX_SaveEData(simhost::kStaffTag, key, data, 136, 0x11000000));

    void* frame = simhost::FX_LoadTGF(7, 1, 1, 0, 1, 0x12050000);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(7, GetLE16(frame, 0));
    EXPECT_EQ(1, GetLE16(frame, 2));
    simhost::FX_FreeTGF(frame, 0x12050000);
    EXPECT_EQ(0u, host.LiveFrameCount());
    EXPECT_EQ(0u, host.FramesFreedTwice());
    // A second free of one frame is counted, a pointer never handed out is
    // not (a block handed out again is pinned by the fixture's check).
    void* again = simhost::FX_LoadTGF(7, 1, 1, 0, 1, 0x12050000);
    ASSERT_NE(nullptr, again);
    simhost::FX_FreeTGF(again, 0x12050000);
    EXPECT_EQ(0u, host.FramesFreedTwice());
    simhost::FX_FreeTGF(again, 0x12050000);
    uint8_t stranger[32] = {};
    simhost::FX_FreeTGF(stranger, 0x12050000);
    EXPECT_EQ(1u, host.FramesFreedTwice());
}

// Freed low blocks are handed out again: each comes back zeroed, below
// 4 GiB, and only for a request of its own size.
TEST(SimulatedHost, LowMemoryComesBackZeroedAndWholeAfterReuse)
{
    for (int round = 0; round < 3; ++round) {
        auto* block = static_cast<uint8_t*>(simhost::AllocateLow(1200));
        ASSERT_NE(nullptr, block);
        EXPECT_LT(reinterpret_cast<uintptr_t>(block) + 1200, 0x100000000ull);
        for (size_t i = 0; i < 1200; ++i) ASSERT_EQ(0, block[i]) << "byte " << i << ", round " << round;
        std::memset(block, 0xAB, 1200);
        simhost::FreeLow(block, 1200);
    }
    auto* small = static_cast<uint8_t*>(simhost::AllocateLow(100));
    ASSERT_NE(nullptr, small);
    simhost::FreeLow(small, 100);
    const size_t large = 3 * 4096 + 100;
    auto* block = static_cast<uint8_t*>(simhost::AllocateLow(large));
    ASSERT_NE(nullptr, block);
    std::memset(block, 0xCD, large);
    EXPECT_EQ(0xCD, block[large - 1]);
    simhost::FreeLow(block, large);
}
