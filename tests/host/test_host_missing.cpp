// The host function table against a host that lacks some functions.
#include "core/ByteAccess.h"
#include "data/EntryFrame.h"
#include "host/HostFunctions.h"
#include "FunctionTable.h"
#include "SimHost.h"

#include <gtest/gtest.h>

using simhost::Host;

class MissingFunctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        Host::Get().Reset();
        simhost::RegisterModule("FINALE.EXE", { "FX_GetMaxLayers", "FX_EndFinaleEdit", "FX_LoadTGF", "FX_SaveTGF" });
    }
};

TEST_F(MissingFunctions, MissingAtFirstUseStaysMissing)
{
    EXPECT_EQ(4, FX_GetMaxLayers());
    EXPECT_EQ(nullptr, FX_LoadTGF(0, 1, 1, 0, 1));
    simhost::AddExport("FINALE.EXE", "FX_GetMaxLayers");
    simhost::AddExport("FINALE.EXE", "FX_LoadTGF");
    Host::Get().ForceResult("FX_GetMaxLayers", 2);
    EXPECT_EQ(4, FX_GetMaxLayers());
    EXPECT_EQ(nullptr, FX_LoadTGF(0, 1, 1, 0, 1));
    EXPECT_TRUE(Host::Get().Calls().empty());
    // The functions the host does export still work.
    EXPECT_EQ(1, FX_GetShowLayer(0));
    EXPECT_EQ(1u, Host::Get().Calls().size());
}

TEST_F(MissingFunctions, EndMissingWithAnOpenEdit)
{
    EXPECT_EQ(1, FX_StartFinaleEdit("x"));
    EXPECT_EQ(0, FX_EndFinaleEdit());
    EXPECT_EQ(1, FX_EndFinaleEdit());
    FX_StartFinaleEdit("y");
    FX_CancelFinaleEdit();
    EXPECT_EQ((std::vector<std::string>{ "FX_StartFinaleEdit", "FX_StartFinaleEdit",
                                         "FX_CancelFinaleEdit" }),
              Host::Get().CallNames());
    EXPECT_EQ(1, Host::Get().CancelledEdits());
}

TEST_F(MissingFunctions, FramesAreNormalisedEvenWithoutTheHostsSave)
{
    Host::Get().score.staffOrder = { 1 };
    simhost::EntrySpec description;
    description.notes = { simhost::NoteSpec{ 0, 0, std::nullopt } };
    Host::Get().score.AddEntry(1, 1, 0, description);
    void* frame = Host::Get().LoadFrame(1, 1, 0, 0);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(0, FX_SaveTGF(frame));
    EXPECT_EQ(1, GetLE16(frame::NoteAt(frame::EntryAt(frame, 0), 0), frame::kNoteID));
    Host::Get().FreeFrame(frame);
}
