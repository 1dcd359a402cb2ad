// With both the host and the demo program loaded, the host is the one asked.
// An executable of its own: the host lookups last for the process.
#include "host/HostFunctions.h"
#include "FunctionTable.h"
#include "ModuleRegistry.h"
#include "SimHost.h"

#include <gtest/gtest.h>

namespace {

int16_t QV_CDECL NineLayers(uint32_t)
{
    return 9;
}

}  // namespace

TEST(BothHosts, FinaleIsFoundBeforeTheDemo)
{
    simhost::Host::Get().Reset();
    HMODULE demo = win32stub::RegisterModule("FINDEMO.EXE");
    win32stub::AddExport(demo, "FX_GetMaxLayers",
                         reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&NineLayers)));
    simhost::RegisterModule("FINALE.EXE");
    EXPECT_EQ(4, FX_GetMaxLayers());
}
