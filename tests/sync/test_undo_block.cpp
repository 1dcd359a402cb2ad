// Undo blocks: one named host edit around a handler's work.
#include "common/ScoreFixture.h"
#include "shell/Globals.h"
#include "sync/FCUndoBlock.h"

namespace {

// Records what it saw of its block while running.
class RecordingHandler : public __FCUndoBlockHandler {
public:
    explicit RecordingHandler(bool result) : result_(result) {}
    bool Execute() override
    {
        ++runs;
        sawBlock = UndoBlock;
        sawExecuting = UndoBlock != nullptr ? UndoBlock->Executing : 0;
        return result_;
    }
    int runs = 0;
    FCUndoBlock* sawBlock = nullptr;
    uint8_t sawExecuting = 0;

private:
    bool result_;
};

}  // namespace

class UndoBlock : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        gHostVersion = 0x12050000;
    }
    void TearDown() override
    {
        gHostVersion = 0x12050000;
        ScoreTest::TearDown();
    }
};

TEST_F(UndoBlock, SuccessEndsTheEditOnce)
{
    RecordingHandler handler(true);
    FCUndoBlock block;
    FCString name("Perfcopy to Flute");
    EXPECT_TRUE(block.Execute(&handler, &name));
    EXPECT_EQ(1, handler.runs);
    EXPECT_EQ(&block, handler.sawBlock);
    EXPECT_EQ(1, handler.sawExecuting);
    EXPECT_EQ(nullptr, handler.UndoBlock);
    EXPECT_EQ(0, block.Executing);
    EXPECT_EQ((std::vector<std::string>{ "FX_StartFinaleEdit_UTF16", "FX_EndFinaleEdit" }), host().CallNames());
    EXPECT_EQ("Perfcopy to Flute", host().CallsTo("FX_StartFinaleEdit_UTF16").at(0).text);
    EXPECT_EQ(std::vector<std::string>{ "Perfcopy to Flute" }, host().EndedEdits());
}

TEST_F(UndoBlock, FailureCancelsTheEditOnce)
{
    RecordingHandler handler(false);
    FCUndoBlock block;
    FCString name("Perfcopy to 3 staves");
    EXPECT_FALSE(block.Execute(&handler, &name));
    EXPECT_EQ((std::vector<std::string>{ "FX_StartFinaleEdit_UTF16", "FX_CancelFinaleEdit" }), host().CallNames());
    EXPECT_EQ(nullptr, handler.UndoBlock);
    EXPECT_EQ(0, block.Executing);
    EXPECT_EQ(1, host().CancelledEdits());
}

TEST_F(UndoBlock, NameIsCutAt499UnitsForUTF16Hosts)
{
    RecordingHandler handler(true);
    FCString name;
    for (int i = 0; i < 520; ++i) name.AppendCharacter(static_cast<uint16_t>('a' + i % 26));
    FCUndoBlock block;
    EXPECT_TRUE(block.Execute(&handler, &name));
    std::string sent = host().CallsTo("FX_StartFinaleEdit_UTF16").at(0).text;
    EXPECT_EQ(499u, sent.size());
    EXPECT_EQ(std::string(name.GetCString()).substr(0, 499), sent);

    // The 8-bit path passes the whole name.
    gHostVersion = 0x10FFFFFF;
    host().ClearLog();
    FCUndoBlock older;
    EXPECT_TRUE(older.Execute(&handler, &name));
    EXPECT_EQ(520u, host().CallsTo("FX_StartFinaleEdit").at(0).text.size());
    EXPECT_TRUE(host().CallsTo("FX_StartFinaleEdit_UTF16").empty());
}

TEST_F(UndoBlock, VersionElevenUsesUTF16)
{
    RecordingHandler handler(true);
    FCString empty;
    gHostVersion = 0x11000000;
    FCUndoBlock block;
    EXPECT_TRUE(block.Execute(&handler, &empty));
    ASSERT_EQ(1u, host().CallsTo("FX_StartFinaleEdit_UTF16").size());
    EXPECT_EQ("", host().CallsTo("FX_StartFinaleEdit_UTF16").at(0).text);
}

TEST_F(UndoBlock, MissingHandlerOrNameMakesNoHostCall)
{
    RecordingHandler handler(true);
    FCString name("x");
    FCUndoBlock block;
    EXPECT_EQ(0, block.Executing);
    EXPECT_FALSE(block.Execute(nullptr, &name));
    EXPECT_FALSE(block.Execute(&handler, nullptr));
    EXPECT_EQ(0, block.Executing);
    EXPECT_EQ(0, handler.runs);
    EXPECT_TRUE(host().Calls().empty());
}

TEST_F(UndoBlock, WorkIsNotRunWhenTheHostRefusesTheEdit)
{
    host().FailCall("FX_StartFinaleEdit_UTF16", 1);
    RecordingHandler handler(true);
    FCString name("x");
    FCUndoBlock block;
    EXPECT_FALSE(block.Execute(&handler, &name));
    EXPECT_EQ(0, handler.runs);
    EXPECT_EQ(nullptr, handler.UndoBlock);
    EXPECT_EQ(0, block.Executing);
    EXPECT_EQ((std::vector<std::string>{ "FX_StartFinaleEdit_UTF16", "FX_CancelFinaleEdit" }), host().CallNames());
    // The edit count is balanced: the next block's end reaches the host.
    FCUndoBlock next;
    EXPECT_TRUE(next.Execute(&handler, &name));
    EXPECT_EQ(1u, host().CallsTo("FX_EndFinaleEdit").size());
}
