// Every record class of the plug-in: its name, the objects it makes, where
// it keeps its data, and which record it takes as its first.
#include "common/ScoreFixture.h"
#include "data/FCGroup.h"
#include "data/FCHumanPlaybackPrefs.h"
#include "data/FCPerformanceMod.h"
#include "data/FCStaff.h"
#include "data/FCSystemStaff.h"
#include "data/FCTextBlock.h"
#include "shell/Globals.h"

#include <memory>

namespace {

template <typename T>
struct ClassFacts;

template <>
struct ClassFacts<FCStaff> {
    static constexpr const char* kName = "FCStaff";
    static constexpr uint32_t kTag = simhost::kStaffTag;
};
template <>
struct ClassFacts<FCPart> {
    static constexpr const char* kName = "FCPart";
    static constexpr uint32_t kTag = simhost::kPartTag;
};
template <>
struct ClassFacts<FCTextBlock> {
    static constexpr const char* kName = "FCTextBlock";
    static constexpr uint32_t kTag = simhost::kTextBlockTag;
};
template <>
struct ClassFacts<FCPerformanceMod> {
    static constexpr const char* kName = "FCPerformanceMods";
    static constexpr uint32_t kTag = simhost::kPerformanceTag;
};
template <>
struct ClassFacts<FCHumanPlaybackPrefs> {
    static constexpr const char* kName = "FCHumanPlaybackPrefs";
    static constexpr uint32_t kTag = simhost::kPlaybackPrefsTag;
};
template <>
struct ClassFacts<FCGroup> {
    static constexpr const char* kName = "FCGroup";
    static constexpr uint32_t kTag = simhost::kGroupTag;
};
template <>
struct ClassFacts<FCSystemStaff> {
    static constexpr const char* kName = "FCSystemStaff";
    static constexpr uint32_t kTag = simhost::kSystemStaffTag;
};

}  // namespace

template <typename T>
class RecordClass : public ScoreTest {};

using RecordClasses =
    ::testing::Types<FCStaff, FCPart, FCTextBlock, FCPerformanceMod, FCHumanPlaybackPrefs, FCGroup, FCSystemStaff>;
TYPED_TEST_SUITE(RecordClass, RecordClasses);

// A record class names itself, makes objects of its own class that compare
// as the same class, asks the host under its own tag, and keeps its data
// inside the object, so that nothing is freed behind a caller's back.
TYPED_TEST(RecordClass, MakesObjectsOfItsOwnClass)
{
    TypeParam object;
    EXPECT_STREQ(ClassFacts<TypeParam>::kName, object.ClassName());
    EXPECT_EQ(ClassFacts<TypeParam>::kTag, object.GetTag());

    std::unique_ptr<__FCBaseData> made(object.CreateObject());
    ASSERT_NE(nullptr, made);
    EXPECT_NE(nullptr, dynamic_cast<TypeParam*>(made.get()));
    EXPECT_TRUE(object.IsSameClass(made.get()));
    EXPECT_TRUE(made->IsSameClass(&object));
    EXPECT_EQ(object.GetTag(), made->GetTag());
    EXPECT_EQ(object.GetDataSize(), made->GetDataSize());

    const uint8_t* start = reinterpret_cast<const uint8_t*>(&object);
    const uint8_t* data = static_cast<const uint8_t*>(object.AllocateData());
    ASSERT_NE(nullptr, data);
    EXPECT_TRUE(data >= start && data + object.GetDataSize() <= start + sizeof object)
        << "the data block lies outside the object";
    EXPECT_FALSE(object.IsDataAllocated());

    // An object that holds no record, loaded or new, has nothing to reload
    // and does not ask the host.
    if (object.GetLoadedSize() == 0) {
        this->host().ClearLog();
        EXPECT_FALSE(object.Reload());
        EXPECT_EQ(0u, this->host().CallsTo("FX_LoadEData").size());
    }
}

class FirstRecords : public ScoreTest {
protected:
    void TearDown() override
    {
        gHostVersion = hostVersion_;
        ScoreTest::TearDown();
    }
    const uint32_t hostVersion_ = gHostVersion;
};

// The first part and the first text block are number 1, whatever lies
// below; the first raw text is the host's first after number 0.
TEST_F(FirstRecords, AreTheOnesTheHostNumbersFirst)
{
    score().records.Put(simhost::kPartTag, simhost::RecordKey(1).data(), std::vector<uint8_t>(FCPart::kDataSize, 7));
    score().records.Put(simhost::kPartTag, simhost::RecordKey(2).data(), std::vector<uint8_t>(FCPart::kDataSize, 8));
    FCPart part;
    ASSERT_TRUE(part.LoadFirst());
    EXPECT_EQ(1, part.GetItemCmper());
    EXPECT_EQ(7, static_cast<const uint8_t*>(part.GetData())[0]);

    score().SetStaffRecord(3, std::string("Horn"));  // text block 1003
    FCTextBlock block;
    EXPECT_FALSE(block.LoadFirst());
    score().records.Put(simhost::kTextBlockTag, simhost::RecordKey(1).data(),
                        std::vector<uint8_t>(FCTextBlock::kDataSize, 0));
    ASSERT_TRUE(block.LoadFirst());
    EXPECT_EQ(1, block.GetItemCmper());

    uint8_t key[8] = { 6, 0, 0, 0, 0, 0, 0, 0 };
    score().records.Put(simhost::kRawTextTag, key, { 'a', 0 });
    key[0] = 9;
    score().records.Put(simhost::kRawTextTag, key, { 'b', 0 });
    gHostVersion = 0x10000000;
    score().hostVersion = gHostVersion;
    FCRawText text;
    text.SetItemCmper(8);
    ASSERT_TRUE(text.LoadFirst());
    EXPECT_EQ(6, text.GetItemCmper());
    std::unique_ptr<FCString> first(text.GetText());
    EXPECT_STREQ("a", first->GetCString());
}
