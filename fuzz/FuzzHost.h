// What every fuzz harness starts from: the simulated host registered as
// FINALE.EXE with the plug-in's module, on a fresh window model.
#pragma once

#include "FunctionTable.h"
#include "SimHost.h"
#include "WindowModel.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline simhost::Host& FreshHost()
{
    win32stub::ResetWindows();
    // A box nobody answers: as one that failed to appear.
    win32stub::SetUnansweredBoxHandler([](const win32stub::MessageBoxRecord&) { return 0; });
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.logCalls = false;
    simhost::RegisterModule("FINALE.EXE");
    simhost::RegisterPluginModule();
    return host;
}

// A broken property: reported like a crash, so that libFuzzer keeps the input.
inline void Require(bool property, const char* what)
{
    if (property) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

}  // namespace fuzz
