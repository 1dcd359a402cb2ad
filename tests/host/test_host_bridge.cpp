// The host function table against a host that exports everything.
#include "host/HostFunctions.h"
#include "FunctionTable.h"
#include "ModuleRegistry.h"
#include "SimHost.h"

#include <gtest/gtest.h>

#include <cstring>

using simhost::Host;
using simhost::LoggedCall;

namespace {

int64_t Address(const void* p)
{
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(p));
}

class HostBridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        Host::Get().Reset();
        simhost::RegisterModule("FINALE.EXE");
    }

    // The arguments of the one call of the function since the last check.
    std::vector<int64_t> ArgsOf(const std::string& function)
    {
        std::vector<LoggedCall> calls = Host::Get().CallsTo(function);
        Host::Get().ClearLog();
        if (calls.size() != 1) {
            ADD_FAILURE() << function << " called " << calls.size() << " times";
            return {};
        }
        return calls[0].args;
    }
};

int16_t QV_CDECL AnotherMaxLayers(uint32_t)
{
    return 9;
}

int32_t QV_CDECL DummyDialogProc(HWND, uint32_t, WPARAM, LPARAM, void*)
{
    return 0;
}

}  // namespace

TEST_F(HostBridge, RecordCallsPassTheRecordVersion)
{
    uint8_t key[8] = { 1, 0, 2, 0, 0, 0, 0, 0 };
    uint8_t data[26] = {};
    uint32_t size = 10;
    Host::Get().ForceResult("FX_LoadEData", 1);
    EXPECT_EQ(1, FX_LoadEData(0x65646163, key, data, &size, 0x07000000));
    std::vector<LoggedCall> loads = Host::Get().CallsTo("FX_LoadEData");
    ASSERT_EQ(1u, loads.size());
    EXPECT_EQ((std::vector<int64_t>{ 0x65646163, Address(key), Address(data), Address(&size), 0x07000000 }),
              loads[0].args);
    EXPECT_EQ(0x00020001u, loads[0].key);
    EXPECT_EQ(10, loads[0].sizeIn);
    Host::Get().ClearLog();

    FX_SaveEData(0x534F5458, key, data, 26, 0x12050000);
    EXPECT_EQ((std::vector<int64_t>{ 0x534F5458, Address(key), Address(data), 26, 0x12050000 }),
              ArgsOf("FX_SaveEData"));
    FX_CreateEData(0x65646163, key, data, 10, 0x07000000);
    EXPECT_EQ((std::vector<int64_t>{ 0x65646163, Address(key), Address(data), 10, 0x07000000 }),
              ArgsOf("FX_CreateEData"));
    FX_DeleteEData(0x65646163, key, 0x07000000);
    EXPECT_EQ((std::vector<int64_t>{ 0x65646163, Address(key), 0x07000000 }), ArgsOf("FX_DeleteEData"));
    FX_NextEData(0x534F4953, key, 0, 0, 0x11000000);
    EXPECT_EQ((std::vector<int64_t>{ 0x534F4953, Address(key), 0, 0, 0x11000000 }), ArgsOf("FX_NextEData"));
}

TEST_F(HostBridge, OtherCallsEndWithTheInterfaceVersion)
{
    const int64_t v = 0x12050000;
    HWND dialog = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));

    FX_LoadTGF(0, 3, 17, 2, 1);
    EXPECT_EQ((std::vector<int64_t>{ 0, 3, 17, 2, 1, v }), ArgsOf("FX_LoadTGF"));
    uint8_t frame[20] = {};  // a frame without entries
    FX_SaveTGF(&frame);
    EXPECT_EQ((std::vector<int64_t>{ Address(&frame), v }), ArgsOf("FX_SaveTGF"));
    FX_FreeTGF(&frame);
    EXPECT_EQ((std::vector<int64_t>{ Address(&frame), v }), ArgsOf("FX_FreeTGF"));
    FX_GetMaxLayers();
    EXPECT_EQ((std::vector<int64_t>{ v }), ArgsOf("FX_GetMaxLayers"));
    FX_GetShowLayer(3);
    EXPECT_EQ((std::vector<int64_t>{ 3, v }), ArgsOf("FX_GetShowLayer"));
    FX_InstToSlot(12, 5);
    EXPECT_EQ((std::vector<int64_t>{ 12, 5, v }), ArgsOf("FX_InstToSlot"));
    FX_SlotToInst(4, 0);
    EXPECT_EQ((std::vector<int64_t>{ 4, 0, v }), ArgsOf("FX_SlotToInst"));

    int32_t out = 0;
    uint8_t selection[20] = {};
    uint8_t second[20] = {};
    FX_GetCurERegions(&out, selection, second);
    EXPECT_EQ((std::vector<int64_t>{ Address(&out), Address(selection), Address(second), v }),
              ArgsOf("FX_GetCurERegions"));
    FX_RedrawMusic(selection);
    EXPECT_EQ((std::vector<int64_t>{ Address(selection), v }), ArgsOf("FX_RedrawMusic"));
    FX_GetCurrentEnigmaDocument();
    EXPECT_EQ((std::vector<int64_t>{ v }), ArgsOf("FX_GetCurrentEnigmaDocument"));
    FX_GetCurrentPartID();
    EXPECT_EQ((std::vector<int64_t>{ v }), ArgsOf("FX_GetCurrentPartID"));
    FX_GetCurrentWindow();
    EXPECT_EQ((std::vector<int64_t>{ v }), ArgsOf("FX_GetCurrentWindow"));

    uint8_t path[520] = {};
    FX_GetFinalePath(15, path);
    EXPECT_EQ((std::vector<int64_t>{ 15, Address(path), v }), ArgsOf("FX_GetFinalePath"));
    uint16_t name[1000] = {};
    FX_AutoNumberedName_UTF16(7, 3, name, 1000, 0);
    EXPECT_EQ((std::vector<int64_t>{ 7, 3, Address(name), 1000, 0, v }),
              ArgsOf("FX_AutoNumberedName_UTF16"));

    FX_Dialog(20128, &DummyDialogProc, dialog, 0, &frame);
    EXPECT_EQ((std::vector<int64_t>{ 20128, Address(reinterpret_cast<void*>(&DummyDialogProc)),
                                     Address(dialog), 0, Address(&frame), v }),
              ArgsOf("FX_Dialog"));
    FX_EndDialog(dialog);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), v }), ArgsOf("FX_EndDialog"));
    FX_EnableDlgItem(dialog, 1005, 1);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1005, 1, v }), ArgsOf("FX_EnableDlgItem"));
    FX_GetDlgItemVal(dialog, 1003, 3);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1003, 3, v }), ArgsOf("FX_GetDlgItemVal"));
    FX_SetDlgItemVal(dialog, 1002, 1, -7);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1002, 1, -7, v }), ArgsOf("FX_SetDlgItemVal"));
    double value = 0;
    FX_GetDlgItemUser(dialog, 1004, 0, &value);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1004, 0, Address(&value), v }),
              ArgsOf("FX_GetDlgItemUser"));
    FX_SetDlgItemUser(dialog, 1004, 0, 2.5);
    int64_t bits = 0;
    double passed = 2.5;
    std::memcpy(&bits, &passed, sizeof passed);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1004, 0, bits, v }), ArgsOf("FX_SetDlgItemUser"));
    char text[5000];
    FX_GetDlgString(dialog, 1001, text, 5000);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1001, Address(text), 5000, v }),
              ArgsOf("FX_GetDlgString"));
    uint16_t wide[5000];
    FX_GetDlgString_UTF16(dialog, 1001, wide, 5000);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1001, Address(wide), 5000, v }),
              ArgsOf("FX_GetDlgString_UTF16"));
    FX_SetDlgString(dialog, 1001, "abc");
    EXPECT_EQ("abc", Host::Get().CallsTo("FX_SetDlgString").at(0).text);
    ArgsOf("FX_SetDlgString");
    const uint16_t units[] = { 'x', 'y', 0 };
    FX_SetDlgString_UTF16(dialog, 1001, units);
    EXPECT_EQ((std::vector<int64_t>{ Address(dialog), 1001, Address(units), v }),
              ArgsOf("FX_SetDlgString_UTF16"));
}

TEST_F(HostBridge, SixteenBitResultsAreWidenedWithSign)
{
    Host::Get().ForceResult("FX_InstToSlot", -1);
    Host::Get().ForceResult("FX_GetMaxLayers", 0x8000);
    Host::Get().ForceResult("FX_LoadEData", 0xFFFF);
    Host::Get().ForceResult("FX_GetCurrentPartID", 0x8000);
    EXPECT_EQ(-1, FX_InstToSlot(99, 0));
    EXPECT_EQ(-32768, FX_GetMaxLayers());
    EXPECT_EQ(-1, FX_LoadEData(1, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(0x8000, FX_GetCurrentPartID());  // a 32-bit result stays as it is
}

TEST_F(HostBridge, EndTwiceAfterOneStartReachesTheHostOnce)
{
    EXPECT_EQ(1, FX_StartFinaleEdit("Perfcopy to Flute"));
    EXPECT_EQ(1, FX_EndFinaleEdit());
    EXPECT_EQ(1, FX_EndFinaleEdit());
    EXPECT_EQ(1u, Host::Get().CallsTo("FX_EndFinaleEdit").size());
    EXPECT_EQ("Perfcopy to Flute", Host::Get().CallsTo("FX_StartFinaleEdit").at(0).text);
    EXPECT_EQ(std::vector<std::string>{ "Perfcopy to Flute" }, Host::Get().EndedEdits());
}

TEST_F(HostBridge, FailedStartStillAllowsOneCancel)
{
    Host::Get().FailCall("FX_StartFinaleEdit_UTF16", 1);
    const uint16_t name[] = { 'P', 0 };
    EXPECT_EQ(0, FX_StartFinaleEdit_UTF16(name));
    FX_CancelFinaleEdit();
    FX_CancelFinaleEdit();
    EXPECT_EQ(1u, Host::Get().CallsTo("FX_CancelFinaleEdit").size());
}

TEST_F(HostBridge, EndOrCancelWithoutStartNeverReachesTheHost)
{
    FX_CancelFinaleEdit();
    EXPECT_EQ(1, FX_EndFinaleEdit());
    EXPECT_TRUE(Host::Get().CallsTo("FX_CancelFinaleEdit").empty());
    EXPECT_TRUE(Host::Get().CallsTo("FX_EndFinaleEdit").empty());

    // Two starts allow exactly two closings, in any mix.
    FX_StartFinaleEdit("a");
    FX_StartFinaleEdit_UTF16(nullptr);
    FX_CancelFinaleEdit();
    FX_EndFinaleEdit();
    FX_EndFinaleEdit();
    EXPECT_EQ((std::vector<std::string>{ "FX_StartFinaleEdit", "FX_StartFinaleEdit_UTF16",
                                         "FX_CancelFinaleEdit", "FX_EndFinaleEdit" }),
              Host::Get().CallNames());
}

TEST_F(HostBridge, FoundFunctionsAreKept)
{
    HMODULE module = GetModuleHandleA("FINALE.EXE");
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(4, FX_GetMaxLayers());
    win32stub::AddExport(module, "FX_GetMaxLayers",
                         reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&AnotherMaxLayers)));
    EXPECT_EQ(4, FX_GetMaxLayers());
    simhost::RegisterModule("FINALE.EXE");
}
