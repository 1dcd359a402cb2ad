#include "HostModule.h"

namespace {

HMODULE gHostModule = nullptr;
bool gHostModuleLookedUp = false;

HMODULE HostModule()
{
    if (!gHostModuleLookedUp) {
        gHostModuleLookedUp = true;
        gHostModule = GetModuleHandleA("FINALE.EXE");
        if (gHostModule == nullptr) gHostModule = GetModuleHandleA("FINDEMO.EXE");
    }
    return gHostModule;
}

}  // namespace

FARPROC FindHostProc(HostProc& proc)
{
    if (!proc.lookedUp) {
        proc.lookedUp = true;
        HMODULE module = HostModule();
        proc.address = module != nullptr ? GetProcAddress(module, proc.name) : nullptr;
    }
    return proc.address;
}
