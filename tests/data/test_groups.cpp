// Staff lists, groups and the names groups lend to unnamed staves.
#include "common/ScoreFixture.h"
#include "core/ByteAccess.h"
#include "data/FCGroup.h"
#include "data/FCHumanPlaybackPrefs.h"
#include "data/FCSystemStaff.h"
#include "shell/Globals.h"

#include <memory>

using simhost::GroupSpec;

class Groups : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        score().staffOrder = { 1, 2, 3, 4, 5, 6 };
    }
    void TearDown() override
    {
        gHostVersion = 0x12050000;
        ScoreTest::TearDown();
    }

    static std::unique_ptr<FCGroup> Make(int16_t first, int16_t last)
    {
        auto group = std::make_unique<FCGroup>();
        group->SetGroup(first, last, 0, 1);
        return group;
    }

    std::string LentName(int16_t staff)
    {
        std::unique_ptr<FCString> name(CreateGroupNameForStaff(staff));
        return name->GetCString();
    }
};

TEST_F(Groups, StaffListFollowsTheScoreOrder)
{
    score().staffOrder = { 4, 2, 9 };
    FCSystemStaves staves;
    ASSERT_EQ(3, staves.LoadAllIncis(0));
    EXPECT_EQ(4, staves.GetStaffAt(0)->GetStaff());
    EXPECT_EQ(2, staves.GetStaffAt(1)->GetStaff());
    EXPECT_EQ(9, staves.GetStaffAt(2)->GetStaff());
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(100, staves.GetStaffAt(i)->GetResizePercent());
    for (const auto& call : host().CallsTo("FX_LoadEData")) EXPECT_EQ(simhost::kSystemStaffTag, call.args[0]);
    EXPECT_STREQ("FCSystemStaves", staves.ClassName());
    EXPECT_STREQ("FCSystemStaff", staves.GetStaffAt(0)->ClassName());
}

TEST_F(Groups, CompanionRecordHoldsAPercentageOtherThanAHundred)
{
    // The companion is saved, never created: a host that refuses to save a
    // record that does not exist yet makes the save report failure.
    FCSystemStaff staff;
    staff.SetStaff(3);
    staff.SetResizePercent(75);
    EXPECT_FALSE(staff.SaveNew(12));
    EXPECT_EQ(0, staff.GetInci());
    EXPECT_TRUE(host().CallsTo("FX_CreateEData").size() == 1u);  // the staff record only
    uint8_t companionKey[8] = {};
    SetLE16(companionKey, 0, 12);
    SetLE16(companionKey, 2, 3);
    score().records.Put(simhost::kSystemStaffCompanionTag, companionKey, std::vector<uint8_t>(10, 0));
    ASSERT_TRUE(staff.Save());

    FCSystemStaff loaded;
    ASSERT_TRUE(loaded.Load(12, 0));
    EXPECT_EQ(75, loaded.GetResizePercent());
    EXPECT_EQ(3, loaded.GetStaff());

    loaded.SetResizePercent(100);
    EXPECT_TRUE(loaded.Save());
    uint8_t key[8] = {};
    SetLE16(key, 0, 12);
    SetLE16(key, 2, 3);
    EXPECT_EQ(nullptr, score().records.Find(simhost::kSystemStaffCompanionTag, key));
    FCSystemStaff again;
    ASSERT_TRUE(again.Load(12, 0));
    EXPECT_EQ(100, again.GetResizePercent());

    FCSystemStaff copy;
    loaded.SetResizePercent(50);
    copy.CopyDataFrom(&loaded);
    EXPECT_EQ(50, copy.GetResizePercent());

    // The companion is a 10-byte record, loaded and saved as such.
    size_t companionCalls = 0;
    for (const auto& call : host().CallsTo("FX_LoadEData")) {
        if (call.args[0] != simhost::kSystemStaffCompanionTag) continue;
        EXPECT_EQ(10, call.sizeIn);
        ++companionCalls;
    }
    for (const auto& call : host().CallsTo("FX_SaveEData")) {
        if (call.args[0] != simhost::kSystemStaffCompanionTag) continue;
        EXPECT_EQ(10, call.args[3]);
        ++companionCalls;
    }
    EXPECT_EQ(4u, companionCalls);  // two loads, two saves

    // A staff record the host refuses to save fails the save, and its
    // companion is left as it was.
    again.SetResizePercent(60);
    host().FailCall("FX_SaveEData", static_cast<int64_t>(CountCalls("FX_SaveEData")) + 1);
    EXPECT_FALSE(again.Save());
    EXPECT_EQ(nullptr, score().records.Find(simhost::kSystemStaffCompanionTag, key));
    // A save writes the staff record itself, not only its companion.
    FCSystemStaff moved;
    ASSERT_TRUE(moved.Load(12, 0));
    moved.SetStaff(5);
    ASSERT_TRUE(moved.Save());
    FCSystemStaff reread;
    ASSERT_TRUE(reread.Load(12, 0));
    EXPECT_EQ(5, reread.GetStaff());
}

// Item 0, the score's staff list, has no companions: a save there removes
// none, and a companion the host keeps there is not read. A staff record
// the host refuses to create saves no companion.
TEST_F(Groups, ItemZeroAndRefusedCreatesLeaveCompanionsAlone)
{
    uint8_t key[8] = {};
    SetLE16(key, 2, 1);
    score().records.Put(simhost::kSystemStaffCompanionTag, key, std::vector<uint8_t>{ 50, 0, 0, 0, 0, 0, 0, 0, 0, 0 });
    FCSystemStaff listed;
    ASSERT_TRUE(listed.Load(0, 0));
    EXPECT_EQ(1, listed.GetStaff());
    EXPECT_EQ(100, listed.GetResizePercent());
    EXPECT_TRUE(listed.SaveNew(0));
    EXPECT_NE(nullptr, score().records.Find(simhost::kSystemStaffCompanionTag, key));
    EXPECT_EQ(0u, CountCalls("FX_DeleteEData"));
    // Nor does a copy of it take a percentage set on it.
    listed.SetResizePercent(75);
    FCSystemStaff copy;
    copy.CopyDataFrom(&listed);
    EXPECT_EQ(100, copy.GetResizePercent());

    FCSystemStaff refused;
    refused.SetStaff(2);
    refused.SetResizePercent(75);
    host().FailCall("FX_CreateEData", static_cast<int64_t>(CountCalls("FX_CreateEData")) + 1);
    EXPECT_FALSE(refused.SaveNew(12));
    EXPECT_EQ(0u, CountCalls("FX_SaveEData"));
    EXPECT_EQ(1u, score().records.RecordsOf(simhost::kSystemStaffCompanionTag).size());
}

TEST_F(Groups, OneStaffGroup)
{
    std::unique_ptr<FCGroup> made = Make(3, 3);
    FCGroup& group = *made;
    EXPECT_EQ(1, group.GetStaffCount());
    EXPECT_EQ(0, group.GetStaffIndex(3));
    EXPECT_EQ(-1, group.GetStaffIndex(4));
    EXPECT_TRUE(group.ContainsStaff(3));
    EXPECT_FALSE(group.ContainsStaff(2));
    EXPECT_FALSE(group.ContainsStaff(4));
}

TEST_F(Groups, GroupWhoseLastStaffLiesAboveItsFirst)
{
    std::unique_ptr<FCGroup> made = Make(5, 2);
    FCGroup& group = *made;
    EXPECT_EQ(0, group.GetStaffCount());
    EXPECT_TRUE(group.ContainsStaff(5));
    EXPECT_TRUE(group.ContainsStaff(2));
    EXPECT_FALSE(group.ContainsStaff(3));
    EXPECT_FALSE(group.ContainsStaff(6));
    EXPECT_EQ(0, group.GetStaffIndex(5));
    EXPECT_EQ(1, group.GetStaffIndex(6));
}

TEST_F(Groups, OperationsReadTheOrderAfresh)
{
    std::unique_ptr<FCGroup> made = Make(2, 4);
    FCGroup& group = *made;
    EXPECT_EQ(3, group.GetStaffCount());
    EXPECT_EQ(2, group.GetStaffIndex(4));
    EXPECT_TRUE(group.ContainsStaff(3));
    score().staffOrder = { 1, 2, 4, 3, 5, 6 };
    EXPECT_EQ(2, group.GetStaffCount());
    EXPECT_EQ(1, group.GetStaffIndex(4));
    EXPECT_FALSE(group.ContainsStaff(3));
    score().staffOrder = {};
    EXPECT_EQ(0, group.GetStaffCount());
    EXPECT_EQ(-1, group.GetStaffIndex(2));
    EXPECT_TRUE(group.ContainsStaff(2));
}

TEST_F(Groups, VersionFollowsTheHost)
{
    FCGroup group;
    gHostVersion = 0x0F000000;
    EXPECT_EQ(0x09000000u, group.GetVersion());
    gHostVersion = 0x10000000;
    EXPECT_EQ(0x12050000u, group.GetVersion());
}

// A new group holds its 36 bytes, zeroed, and can be saved without a load.
TEST_F(Groups, ANewGroupCanBeSavedAtOnce)
{
    score().SetGroup(0, GroupSpec{ 1, 2, "Flutes", 1 });
    FCGroups groups;
    ASSERT_EQ(1, groups.LoadAll());
    FCGroup fresh;
    EXPECT_EQ(36u, fresh.GetLoadedSizeField());
    fresh.CopyKeyFrom(groups.GetGroupAt(0));
    ASSERT_TRUE(fresh.Save());
    const std::vector<uint8_t> key(fresh.GetKey(), fresh.GetKey() + 8);
    EXPECT_EQ(std::vector<uint8_t>(36, 0), *score().records.Find(simhost::kGroupTag, key.data()));
}

TEST_F(Groups, LoadAllInTheHostsOrder)
{
    score().SetGroup(0, GroupSpec{ 1, 2, "Flutes", 1 });
    score().SetGroup(1, GroupSpec{ 3, 6, "", 0 });
    FCGroups groups;
    ASSERT_EQ(2, groups.LoadAll());
    EXPECT_EQ(1, groups.GetGroupAt(0)->GetFirstStaff());
    EXPECT_EQ(6, groups.GetGroupAt(1)->GetLastStaff());
    EXPECT_EQ(0, groups.GetGroupAt(1)->GetLendValue());
    EXPECT_STREQ("FCGroups", groups.ClassName());
    // A group record is 36 bytes.
    for (const auto& call : host().CallsTo("FX_LoadEData")) {
        if (call.args[0] == simhost::kGroupTag) {
            EXPECT_EQ(36, call.sizeIn);
        }
    }
    EXPECT_EQ(36u, groups.GetGroupAt(0)->GetLoadedSize());
}

TEST_F(Groups, TwoStaffGroupNamesTopAndBottom)
{
    score().SetGroup(0, GroupSpec{ 2, 3, "^fontTxt(Times)Horn^flat()", 1 });
    EXPECT_EQ("Horn^flat() (top staff)", LentName(2));
    EXPECT_EQ("Horn^flat() (bottom staff)", LentName(3));
    EXPECT_EQ("", LentName(4));
}

TEST_F(Groups, LargerGroupsNumberTheirStaves)
{
    score().SetGroup(0, GroupSpec{ 1, 4, "Strings", 1 });
    EXPECT_EQ("Strings (3/4)", LentName(3));
    EXPECT_EQ("Strings (1/4)", LentName(1));
}

TEST_F(Groups, SmallestLendingGroupWinsAndTheEarlierOnTies)
{
    score().SetGroup(0, GroupSpec{ 1, 6, "Orchestra", 1 });
    score().SetGroup(1, GroupSpec{ 2, 4, "Winds", 1 });
    score().SetGroup(2, GroupSpec{ 3, 5, "Brass", 1 });
    score().SetGroup(3, GroupSpec{ 3, 3, "Solo", 0 });  // does not lend
    EXPECT_EQ("Winds (2/3)", LentName(3));
    EXPECT_EQ("Brass (3/3)", LentName(5));
    EXPECT_EQ("Orchestra (6/6)", LentName(6));
}

TEST_F(Groups, EmptyGroupNameLendsNothing)
{
    score().SetGroup(0, GroupSpec{ 1, 2, "^fontTxt(Times)", 1 });
    score().SetGroup(1, GroupSpec{ 1, 6, "", 1 });  // no text block at all
    EXPECT_EQ("", LentName(1));
}

TEST_F(Groups, HumanPlaybackModeAlwaysFromItemOne)
{
    FCHumanPlaybackPrefs prefs;
    EXPECT_EQ(nullptr, prefs.GetData());
    EXPECT_FALSE(prefs.Save());
    EXPECT_FALSE(prefs.Load(1));  // no record: the mode reads 0, Human Playback on
    EXPECT_EQ(0, prefs.GetMode());
    score().SetHumanPlaybackMode(1);
    ASSERT_TRUE(prefs.Load(77));
    EXPECT_EQ(FCHumanPlaybackPrefs::kModeOff, prefs.GetMode());
    const auto loads = host().CallsTo("FX_LoadEData");
    ASSERT_FALSE(loads.empty());
    EXPECT_EQ(1u, loads.back().key);
    EXPECT_EQ(36, loads.back().sizeIn);
    score().SetHumanPlaybackMode(3);
    EXPECT_TRUE(prefs.Reload());
    EXPECT_EQ(3, prefs.GetMode());
    EXPECT_STREQ("FCHumanPlaybackPrefs", prefs.ClassName());
}

// The staff list names every staff with walks made once per group; they
// must give what the group operations give one staff at a time, also for
// groups upside down, nested, equal in size, or naming missing staves.
TEST_F(Groups, NamingManyStavesAgreesWithTheGroupOperations)
{
    score().staffOrder = { 3, 1, 6, 2, 5, 4 };
    uint32_t seed = 7;
    auto next = [&seed](int32_t below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int16_t>((seed >> 16) % static_cast<uint32_t>(below));
    };
    for (int round = 0; round < 40; ++round) {
        const int32_t count = 1 + next(5);
        std::vector<std::string> names;
        for (int32_t g = 0; g < count; ++g) {
            names.push_back(next(4) == 0 ? "" : "G" + std::to_string(g));
            score().SetGroup(g, GroupSpec{ static_cast<int16_t>(1 + next(7)), static_cast<int16_t>(1 + next(7)),
                                           names.back(), static_cast<uint16_t>(next(3) == 0 ? 0 : 1) });
        }
        FCGroups groups;
        groups.LoadAll();
        StaffGroupNaming naming;
        for (int16_t staff = 1; staff <= 7; ++staff) {
            // The reference: the group operations, as the single-staff rule reads.
            const FCGroup* chosen = nullptr;
            for (int32_t i = 0; i < groups.GetCount(); ++i) {
                const FCGroup* group = groups.GetGroupAt(i);
                if (group->GetLendValue() != 1 || group->GetNameTextBlock() == 0 || !group->ContainsStaff(staff)) continue;
                if (chosen == nullptr || group->GetStaffCount() < chosen->GetStaffCount()) chosen = group;
            }
            std::string expected;
            if (chosen != nullptr) {
                const std::string& groupName = names[chosen->GetNameTextBlock() - simhost::kGroupNameBlocks - 1];
                if (!groupName.empty()) {
                    const int32_t index = chosen->GetStaffIndex(staff);
                    const int32_t size = chosen->GetStaffCount();
                    expected = groupName + (size == 2 ? (index == 0 ? " (top staff)" : " (bottom staff)")
                                                      : " (" + std::to_string(index + 1) + "/" + std::to_string(size) + ")");
                }
            }
            std::unique_ptr<FCString> name(naming.CreateNameForStaff(staff));
            EXPECT_EQ(expected, name->GetCString()) << "round " << round << ", staff " << staff;
        }
        for (int32_t g = 0; g < count; ++g) score().SetGroup(g, GroupSpec{ 0, 0, "", 0 });
    }
}

TEST_F(Groups, ListingStopsWhenTheHostsKeysGoRound)
{
    score().SetGroup(0, GroupSpec{ 1, 2, "A", 1 });
    score().SetGroup(1, GroupSpec{ 3, 4, "B", 1 });
    host().nextGoesRound = true;
    host().logCalls = false;
    FCGroups groups;
    EXPECT_EQ(FCGroups::kMaxRecords, groups.LoadAll());
}
