// The host function table in a process without any host module.
#include "core/FCFileStream.h"
#include "data/FCNoteEntryCell.h"
#include "host/HostFunctions.h"
#include "FunctionTable.h"
#include "SimHost.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NoHost, EveryFunctionReturnsItsFallback)
{
    uint8_t key[8] = {};
    uint8_t data[16] = {};
    uint32_t size = sizeof data;
    EXPECT_EQ(0, FX_LoadEData(1, key, data, &size, 0x12050000));
    EXPECT_EQ(sizeof data, size);
    EXPECT_EQ(0, FX_SaveEData(1, key, data, 10, 0x12050000));
    EXPECT_EQ(0, FX_CreateEData(1, key, data, 10, 0x12050000));
    EXPECT_EQ(0, FX_DeleteEData(1, key, 0x12050000));
    EXPECT_EQ(0, FX_NextEData(1, key, 0, 0, 0x12050000));
    EXPECT_EQ(nullptr, FX_LoadTGF(0, 1, 1, 0, 1));
    uint8_t emptyFrame[20] = {};
    EXPECT_EQ(0, FX_SaveTGF(emptyFrame));
    EXPECT_EQ(0, FX_SaveTGF(nullptr));
    FX_FreeTGF(emptyFrame);
    EXPECT_EQ(4, FX_GetMaxLayers());
    EXPECT_EQ(0, FX_GetShowLayer(0));
    EXPECT_EQ(0, FX_InstToSlot(1, 0));
    EXPECT_EQ(0, FX_SlotToInst(1, 0));
    EXPECT_EQ(0, FX_GetCurrentEnigmaDocument());
    EXPECT_EQ(-1, FX_GetCurrentPartID());
    EXPECT_EQ(nullptr, FX_GetCurrentWindow());
    EXPECT_EQ(0, FX_AutoNumberedName_UTF16(0, 1, nullptr, 1000, 0));
    EXPECT_EQ(0, FX_GetDlgItemVal(nullptr, 1, 1));

    // The records handed over keep what the caller put in them.
    int32_t out = 5;
    std::vector<uint8_t> selection(20, 0xAB);
    std::vector<uint8_t> second(20, 0xCD);
    FX_GetCurERegions(&out, selection.data(), second.data());
    EXPECT_EQ(5, out);
    EXPECT_EQ(std::vector<uint8_t>(20, 0xAB), selection);
    EXPECT_EQ(std::vector<uint8_t>(20, 0xCD), second);
    std::vector<uint8_t> path(520, 0);
    FX_GetFinalePath(15, path.data());
    EXPECT_EQ(std::vector<uint8_t>(520, 0), path);
    double value = 1.5;
    FX_GetDlgItemUser(nullptr, 1, 0, &value);
    EXPECT_EQ(1.5, value);
    char text[8] = "keep";
    FX_GetDlgString(nullptr, 1, text, 8);
    EXPECT_STREQ("keep", text);

    // Dialog calls do nothing.
    FX_Dialog(20128, nullptr, nullptr, 0, nullptr);
    FX_EndDialog(nullptr);
    FX_EnableDlgItem(nullptr, 1, 1);
    FX_SetDlgItemVal(nullptr, 1, 1, 1);
    FX_SetDlgItemUser(nullptr, 1, 0, 1.0);
    FX_SetDlgString(nullptr, 1, "x");
    FX_SetDlgString_UTF16(nullptr, 1, nullptr);
    FX_GetDlgString_UTF16(nullptr, 1, nullptr, 5000);
    FX_RedrawMusic(nullptr);

    // A dialog the host cannot end is ended here, not left to outlive its
    // window object.
    const HWND dialog = CreateWindowExW(0, nullptr, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                        nullptr);
    ASSERT_NE(nullptr, dialog);
    FX_EndDialog(dialog);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST(NoHost, EditDepthWithoutAHost)
{
    EXPECT_EQ(1, FX_EndFinaleEdit());
    EXPECT_EQ(0, FX_StartFinaleEdit("x"));
    EXPECT_EQ(0, FX_EndFinaleEdit());  // an edit is open, and the host cannot end it
    EXPECT_EQ(1, FX_EndFinaleEdit());
    EXPECT_EQ(0, FX_StartFinaleEdit_UTF16(nullptr));
    FX_CancelFinaleEdit();
    EXPECT_EQ(1, FX_EndFinaleEdit());
}

TEST(NoHost, AHostThatAppearsLaterIsNeverUsed)
{
    EXPECT_EQ(4, FX_GetMaxLayers());
    simhost::Host::Get().Reset();
    simhost::RegisterModule("FINALE.EXE");
    // Neither a function asked before nor one never asked reaches it now.
    EXPECT_EQ(4, FX_GetMaxLayers());
    EXPECT_EQ(-1, FX_GetCurrentPartID());
    EXPECT_EQ(0, FX_GetShowLayer(1));
    EXPECT_TRUE(simhost::Host::Get().Calls().empty());
}

TEST(NoHost, CellLoadsEmpty)
{
    EXPECT_EQ(4, FX_GetMaxLayers());
    for (int32_t layer = 0; layer < 4; ++layer) EXPECT_EQ(0, FX_GetShowLayer(layer));
    FCNoteEntryCell cell(1, 1);
    EXPECT_TRUE(cell.Load());
    EXPECT_EQ(0, cell.GetCount());
    EXPECT_TRUE(cell.Save());
}

TEST(NoHost, SettingsFileAtTheRootOfTheDrive)
{
    FCTextFileStream* stream = CreateSettingsFileStream();
    FCString* path = stream->CreatePath();
    EXPECT_STREQ("\\qvpluginprefs.txt", path->GetCString());
    delete path;
    delete stream;
}
