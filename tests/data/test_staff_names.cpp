// Staff names, text blocks, raw texts and parts on hosts of every age.
#include "common/ScoreFixture.h"
#include "core/ByteAccess.h"
#include "data/FCStaff.h"
#include "data/FCTextBlock.h"
#include "shell/Globals.h"

#include <memory>

namespace {

std::string NameOf(int16_t staffNumber)
{
    FCStaff staff;
    EXPECT_TRUE(staff.Load(staffNumber));
    std::unique_ptr<FCString> name(staff.GetFullNameString());
    return name->GetCString();
}

}  // namespace

class StaffNames : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        UseHost(0x12050000);
    }
    void TearDown() override
    {
        gHostVersion = 0x12050000;
        ScoreTest::TearDown();
    }
    // The host version decides record layouts and text encodings on both sides.
    void UseHost(uint32_t version)
    {
        gHostVersion = version;
        score().hostVersion = version;
    }
};

TEST_F(StaffNames, NewerHostNameIsTakenAsItIs)
{
    score().SetStaffRecord(2, std::string("Violin"));
    score().autoNames[2] = "Violin ^2 in B^flat()";
    EXPECT_EQ("Violin ^2 in B^flat()", NameOf(2));
    std::vector<simhost::LoggedCall> calls = host().CallsTo("FX_AutoNumberedName_UTF16");
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(simhost::kStaffNameBlocks + 2, calls[0].args[0]);  // the text block number
    EXPECT_EQ(2, calls[0].args[1]);  // the staff number
    EXPECT_EQ(1000, calls[0].args[3]);
    EXPECT_EQ(0, calls[0].args[4]);
    EXPECT_EQ(0x12050000, calls[0].args[5]);
    EXPECT_TRUE(host().CallsTo("FX_LoadEData").size() == 1u);  // the staff record only
}

TEST_F(StaffNames, WithoutAnAutoNameTheRawTextIsCleaned)
{
    UseHost(0x11000000);
    score().SetStaffRecord(1, std::string("^fontTxt(Times,4096)^size(14)Clarinet in B^flat()"));
    EXPECT_EQ("Clarinet in Bb", NameOf(1));
    EXPECT_EQ(1u, host().CallsTo("FX_AutoNumberedName_UTF16").size());
}

TEST_F(StaffNames, OlderHostReadsEightBitTextWithoutAskingForAName)
{
    UseHost(0x10000000);
    score().SetStaffRecord(3, std::string("^font(Arial)^size(10)Flute"));
    score().SetStaffRecord(4, std::string("F^sharp() and B^flat() horn"));
    score().autoNames[3] = "never asked";
    EXPECT_EQ("Flute", NameOf(3));
    EXPECT_EQ("F# and Bb horn", NameOf(4));
    EXPECT_TRUE(host().CallsTo("FX_AutoNumberedName_UTF16").empty());
    // Raw text goes out with the host's own version.
    for (const auto& call : host().CallsTo("FX_LoadEData")) {
        if (call.args[0] == 0x7478626C) {
            EXPECT_EQ(0x10000000, call.args[4]);
        }
    }
}

TEST_F(StaffNames, StaffRecordLayoutFollowsTheHost)
{
    const std::pair<uint32_t, std::pair<int64_t, int64_t>> hosts[] = {
        { 0x0F000000, { 114, 0x0F000000 } }, { 0x10FFFFFF, { 114, 0x0F000000 } },
        { 0x11000000, { 132, 0x11000000 } }, { 0x12000000, { 136, 0x12000000 } },
    };
    for (const auto& h : hosts) {
        UseHost(h.first);
        score().SetStaffRecord(1, std::nullopt);
        host().ClearLog();
        FCStaff staff;
        ASSERT_TRUE(staff.Load(1));
        const simhost::LoggedCall load = host().CallsTo("FX_LoadEData").at(0);
        EXPECT_EQ(h.second.first, load.sizeIn) << std::hex << h.first;
        EXPECT_EQ(h.second.second, load.args[4]) << std::hex << h.first;
        EXPECT_EQ(static_cast<uint32_t>(h.second.first), staff.GetLoadedSize());
        EXPECT_TRUE(staff.Save());
        EXPECT_EQ(h.second.first, host().CallsTo("FX_SaveEData").at(0).args[3]);
    }
}

TEST_F(StaffNames, MissingBlockOrRawTextGivesTheEmptyName)
{
    UseHost(0x10000000);
    score().SetStaffRecord(1, std::nullopt);  // text block 0, which does not exist
    EXPECT_EQ("", NameOf(1));
    score().SetStaffRecord(2, std::string("Oboe"));
    score().records.Delete(simhost::kRawTextTag, simhost::RecordKey(simhost::kStaffNameTexts + 2).data());
    EXPECT_EQ("", NameOf(2));
}

TEST_F(StaffNames, RawTextIsNeverReadPastWhatWasLoaded)
{
    uint8_t key[8] = { 9, 0, 0, 0, 0, 0, 0, 0 };
    // No terminator anywhere in the record.
    score().records.Put(simhost::kRawTextTag, key, { 'x', 'y', 'z' });
    FCRawText text;
    text.SetItemCmper(9);

    UseHost(0x10000000);
    ASSERT_TRUE(text.LoadByKey());
    std::unique_ptr<FCString> narrow(text.GetText());
    EXPECT_STREQ("xyz", narrow->GetCString());

    // As UTF-16 the three bytes hold one whole unit.
    UseHost(0x12050000);
    ASSERT_TRUE(text.LoadByKey());
    std::unique_ptr<FCString> wide(text.GetText());
    EXPECT_EQ(1u, wide->GetLength());
    EXPECT_EQ(0x7978, wide->GetCharAt(0));

    // Units that fill the record to its end are all read.
    score().records.Put(simhost::kRawTextTag, key, { 'a', 0, 'b', 0 });
    ASSERT_TRUE(text.LoadByKey());
    std::unique_ptr<FCString> filled(text.GetText());
    EXPECT_EQ(2u, filled->GetLength());
    EXPECT_EQ('b', filled->GetCharAt(1));
}

TEST_F(StaffNames, RawTextBasics)
{
    UseHost(0x10000000);
    FCRawText unloaded;
    std::unique_ptr<FCString> empty(unloaded.GetText());
    EXPECT_EQ(0u, empty->GetLength());
    EXPECT_EQ(simhost::kRawTextTag, unloaded.GetTag());
    EXPECT_EQ(0x10000000u, unloaded.GetVersion());
    EXPECT_EQ(nullptr, unloaded.CreateObject());

    uint8_t key[8] = { 4, 0, 0, 0, 0, 0, 0, 0 };
    score().records.Put(0x74786E6F, key, { 0xE9, 'e', 0 });
    FCRawText text;
    text.SetContext(0x74786E6F);
    text.SetItemCmper(4);
    EXPECT_EQ(3u, text.GetDataSize());
    ASSERT_TRUE(text.LoadByKey());
    std::unique_ptr<FCString> widened(text.GetText());
    EXPECT_EQ(0x00E9, widened->GetCharAt(0));
    EXPECT_EQ('e', widened->GetCharAt(1));
    // A second load frees the first block before taking a new one.
    ASSERT_TRUE(text.LoadByKey());
    FCRawText copy;
    copy.CopyDataFrom(&text);
    std::unique_ptr<FCString> copied(copy.GetText());
    EXPECT_EQ(2u, copied->GetLength());
    // A text never loaded has nothing to copy: the copy keeps its own.
    FCRawText neverLoaded;
    copy.CopyDataFrom(&neverLoaded);
    std::unique_ptr<FCString> kept(copy.GetText());
    EXPECT_EQ(2u, kept->GetLength());
    // Its block freed, a text holds nothing, and loads again into a new one.
    copy.FreeData();
    EXPECT_EQ(nullptr, copy.GetData());
    EXPECT_EQ(0u, copy.GetLoadedSizeField());
    EXPECT_EQ(0u, copy.GetDataCapacity());
    std::unique_ptr<FCString> freed(copy.GetText());
    EXPECT_EQ(0u, freed->GetLength());
    copy.SetContext(0x74786E6F);
    copy.SetItemCmper(4);
    ASSERT_TRUE(copy.LoadByKey());
    std::unique_ptr<FCString> reloaded(copy.GetText());
    EXPECT_EQ(2u, reloaded->GetLength());
}

TEST_F(StaffNames, NewTextBlockAndItsDeletion)
{
    FCTextBlock block;
    EXPECT_EQ(26u, block.GetLoadedSize());
    const uint8_t* data = static_cast<const uint8_t*>(block.GetData());
    EXPECT_EQ(100, GetLE16(data, 8));
    EXPECT_EQ(0x1A08, GetLE16(data, 14));
    EXPECT_EQ(0x626C, GetLE16(data, 24));

    score().SetStaffRecord(5, std::string("Tuba"));
    ASSERT_TRUE(block.Load(simhost::kStaffNameBlocks + 5));
    std::unique_ptr<FCString> raw(block.CreateRawTextString());
    EXPECT_STREQ("Tuba", raw->GetCString());
    host().ClearLog();
    EXPECT_TRUE(block.DeleteRecord());
    // The raw text is loaded (its size, then its units) before it goes.
    EXPECT_EQ((std::vector<std::string>{ "FX_LoadEData", "FX_LoadEData", "FX_DeleteEData", "FX_DeleteEData" }),
              host().CallNames());
    std::vector<simhost::LoggedCall> deletes = host().CallsTo("FX_DeleteEData");
    ASSERT_EQ(2u, deletes.size());
    EXPECT_EQ(simhost::kRawTextTag, deletes[0].args[0]);
    EXPECT_EQ(simhost::kTextBlockTag, deletes[1].args[0]);
    EXPECT_EQ(std::nullopt, score().StaffRecordName(5));
    // Both records of the name are gone from the host, the text under the
    // number the block names.
    EXPECT_EQ(nullptr, score().records.Find(simhost::kRawTextTag, simhost::RecordKey(simhost::kStaffNameTexts + 5).data()));
    EXPECT_EQ(nullptr,
              score().records.Find(simhost::kTextBlockTag, simhost::RecordKey(simhost::kStaffNameBlocks + 5).data()));
}

TEST_F(StaffNames, AutoNameThatFillsTheBufferStaysInside)
{
    score().SetStaffRecord(1, std::string("x"));
    score().autoNames[1] = "anything";
    host().fillsTextBuffers = true;
    std::string name = NameOf(1);
    EXPECT_EQ(std::string(1000, 'A'), name);
}

TEST_F(StaffNames, FirstStaffIsFoundThroughTheHost)
{
    score().SetStaffRecord(1, std::nullopt);
    score().SetStaffRecord(7, std::nullopt);
    FCStaff staff;
    ASSERT_TRUE(staff.LoadFirst());
    EXPECT_EQ(1, staff.GetItemCmper());
    ASSERT_TRUE(staff.LoadNext());
    EXPECT_EQ(7, staff.GetItemCmper());
    EXPECT_FALSE(staff.LoadNext());
}

TEST_F(StaffNames, PartsAreTheSameWhileThePartAndDocumentStay)
{
    score().part = 0x10003;
    score().document = 2;
    FCPart first;
    FCPart second;
    EXPECT_EQ(3, first.GetPartID());
    EXPECT_EQ(2, first.GetDocumentID());
    EXPECT_EQ(-2, first.GetListMarker());
    EXPECT_TRUE(first.IsSameClass(&second));
    score().part = 4;
    FCPart third;
    EXPECT_FALSE(first.IsSameClass(&third));
    score().part = 3;
    score().document = 5;
    FCPart fourth;
    EXPECT_FALSE(first.IsSameClass(&fourth));
    FCStaff staff;
    EXPECT_FALSE(first.IsSameClass(&staff));
    EXPECT_FALSE(first.IsSameClass(nullptr));
}

// Found by the fault sweep: when the host's first answer about a raw text's
// size failed and the second did not, the host wrote the whole text into the
// block made for the first answer.
TEST_F(StaffNames, ARawTextIsReadIntoNoMoreThanItsBlockHolds)
{
    score().SetStaffRecord(2, std::string("Oboe with a long name"));
    host().FailCall("FX_LoadEData", 1);
    FCRawText raw;
    raw.SetItemCmper(static_cast<int16_t>(simhost::kStaffNameTexts + 2));
    raw.LoadByKey();
    EXPECT_EQ(0u, raw.GetLoadedSizeField());
}
