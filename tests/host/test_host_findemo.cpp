// The host function table when the host runs as the demo program.
#include "host/HostFunctions.h"
#include "FunctionTable.h"
#include "ModuleRegistry.h"
#include "SimHost.h"

#include <gtest/gtest.h>

namespace {

int16_t QV_CDECL SevenLayers(uint32_t)
{
    return 7;
}

int32_t QV_CDECL PartOfAnotherModule(uint32_t)
{
    return 999;
}

template <typename Fn>
FARPROC AsFarProc(Fn function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

TEST(DemoHost, FoundUnderItsOwnNameAndKept)
{
    simhost::Host::Get().Reset();
    simhost::RegisterModule("FINDEMO.EXE");
    simhost::Host::Get().ForceResult("FX_GetCurrentPartID", 3);

    // Nothing is looked up before the first call: an export changed now is
    // the one the first call finds.
    win32stub::AddExport(GetModuleHandleA("FINDEMO.EXE"), "FX_GetMaxLayers", AsFarProc(&SevenLayers));
    EXPECT_EQ(7, FX_GetMaxLayers());

    // A full host module loaded later does not replace the one found first.
    HMODULE full = win32stub::RegisterModule("FINALE.EXE");
    win32stub::AddExport(full, "FX_GetCurrentPartID", AsFarProc(&PartOfAnotherModule));
    EXPECT_EQ(3, FX_GetCurrentPartID());
    EXPECT_EQ(1u, simhost::Host::Get().CallsTo("FX_GetCurrentPartID").size());
}
