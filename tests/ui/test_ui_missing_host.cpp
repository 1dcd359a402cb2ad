// The dialog framework on a host that exports none of the dialog functions:
// nothing is shown, nothing crashes, and reads answer 0.
#include "FunctionTable.h"
#include "ModuleRegistry.h"
#include "common/WindowFixture.h"
#include "ui/FCUserWindow.h"

TEST_F(WindowTest, WithoutTheHostsDialogFunctionsNothingIsShown)
{
    const std::set<std::string> dialogFunctions = {
        "FX_Dialog", "FX_EndDialog", "FX_EnableDlgItem", "FX_GetDlgItemVal", "FX_SetDlgItemVal",
        "FX_GetDlgItemUser", "FX_SetDlgItemUser", "FX_GetDlgString", "FX_GetDlgString_UTF16",
        "FX_SetDlgString", "FX_SetDlgString_UTF16", "FX_GetCurrentWindow" };
    simhost::Host::Get().Reset();
    win32stub::UnregisterModule(GetModuleHandleA("FINALE.EXE"));
    simhost::RegisterModule("FINALE.EXE", dialogFunctions);
    simhost::RegisterPluginModule();

    FCResourceWindow window(20128);
    FCCtrlEdit* edit = window.AddEdit(104);
    FCCtrlCheckbox* check = window.AddCheckbox(103);
    window.ShowModeless();
    EXPECT_EQ(nullptr, window.GetWindowHandle());
    EXPECT_EQ(1u, win32stub::AllWindows().size());  // the host's main window only

    edit->SetInteger(5);
    EXPECT_EQ(0, edit->GetInteger());
    EXPECT_EQ(0, check->GetCheck());
    // Reads that the host cannot answer give an empty text, on hosts of
    // either text width.
    FCString text;
    for (uint32_t version : { 0x12050000u, 0x10000000u }) {
        gHostVersion = version;
        text.SetCString("kept");
        edit->GetText(&text);
        EXPECT_EQ(0u, text.GetLength()) << std::hex << version;
    }
    edit->SetText(&text);
    check->SetEnable(false);
    EXPECT_TRUE(simhost::Host::Get().Calls().empty());
}
