// Finds the host module and its exported functions, once each per process.
#pragma once

#include "core/Platform.h"

// The cache entry of one host function: looked up on first use, and the
// answer (found or not) kept for the life of the process.
struct HostProc {
    const char* name;
    bool lookedUp;
    FARPROC address;
};

// The host's export for the entry, or null when the host module or the
// export is missing.
FARPROC FindHostProc(HostProc& proc);

template <typename Fn>
Fn HostFunction(HostProc& proc)
{
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(FindHostProc(proc)));
}

// Declares `host`, the typed host function of that name or null; each
// function has exactly one cache entry.
#define LOOK_UP_HOST(fxName)                                  \
    static HostProc fxName##Proc = { #fxName, false, nullptr }; \
    PFN_##fxName host = HostFunction<PFN_##fxName>(fxName##Proc)
