#include "FunctionTable.h"

#include "SimFunctions.h"
#include "SimHost.h"

#include <chrono>
#include <map>
#include <type_traits>

#ifndef _WIN32
#include "ModuleRegistry.h"
#endif

namespace simhost {

namespace {

int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const std::string& NameOf(void (*function)());

// Calls the host function and, while the host is timing calls, adds the time
// spent in it, logging and bookkeeping included, to the function's figures.
template <auto Function>
struct Timed;

template <typename Result, typename... Args, Result (*Function)(Args...)>
struct Timed<Function> {
    static Result Call(Args... args)
    {
        Host& host = Host::Get();
        if (!host.timeCalls) return Function(args...);
        const int64_t start = NowNanoseconds();
        if constexpr (std::is_void_v<Result>) {
            Function(args...);
            host.AddTime(Name(), NowNanoseconds() - start);
        } else {
            Result result = Function(args...);
            host.AddTime(Name(), NowNanoseconds() - start);
            return result;
        }
    }

    static const std::string& Name()
    {
        static const std::string& name = NameOf(reinterpret_cast<void (*)()>(Function));
        return name;
    }
};

struct Export {
    const char* name;
    FARPROC address;
    FARPROC timed;  // the same function through Timed
};

// Type-checks a host function against the pointer type the plug-in calls it
// through, then erases the type as GetProcAddress would.
template <typename Fn>
FARPROC Erase(Fn function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

#define SIMHOST_EXPORT_ENTRY(fxName) \
    { #fxName, Erase<PFN_##fxName>(&fxName), Erase<PFN_##fxName>(&Timed<&fxName>::Call) }

const std::vector<Export>& Exports()
{
    static const std::vector<Export> exports = {
        SIMHOST_EXPORT_ENTRY(FX_LoadEData),
        SIMHOST_EXPORT_ENTRY(FX_SaveEData),
        SIMHOST_EXPORT_ENTRY(FX_CreateEData),
        SIMHOST_EXPORT_ENTRY(FX_DeleteEData),
        SIMHOST_EXPORT_ENTRY(FX_NextEData),
        SIMHOST_EXPORT_ENTRY(FX_LoadTGF),
        SIMHOST_EXPORT_ENTRY(FX_SaveTGF),
        SIMHOST_EXPORT_ENTRY(FX_FreeTGF),
        SIMHOST_EXPORT_ENTRY(FX_GetMaxLayers),
        SIMHOST_EXPORT_ENTRY(FX_GetShowLayer),
        SIMHOST_EXPORT_ENTRY(FX_InstToSlot),
        SIMHOST_EXPORT_ENTRY(FX_SlotToInst),
        SIMHOST_EXPORT_ENTRY(FX_GetCurERegions),
        SIMHOST_EXPORT_ENTRY(FX_RedrawMusic),
        SIMHOST_EXPORT_ENTRY(FX_GetCurrentEnigmaDocument),
        SIMHOST_EXPORT_ENTRY(FX_GetCurrentPartID),
        SIMHOST_EXPORT_ENTRY(FX_GetCurrentWindow),
        SIMHOST_EXPORT_ENTRY(FX_GetFinalePath),
        SIMHOST_EXPORT_ENTRY(FX_AutoNumberedName_UTF16),
        SIMHOST_EXPORT_ENTRY(FX_Dialog),
        SIMHOST_EXPORT_ENTRY(FX_EndDialog),
        SIMHOST_EXPORT_ENTRY(FX_EnableDlgItem),
        SIMHOST_EXPORT_ENTRY(FX_GetDlgItemVal),
        SIMHOST_EXPORT_ENTRY(FX_SetDlgItemVal),
        SIMHOST_EXPORT_ENTRY(FX_GetDlgItemUser),
        SIMHOST_EXPORT_ENTRY(FX_SetDlgItemUser),
        SIMHOST_EXPORT_ENTRY(FX_GetDlgString),
        SIMHOST_EXPORT_ENTRY(FX_GetDlgString_UTF16),
        SIMHOST_EXPORT_ENTRY(FX_SetDlgString),
        SIMHOST_EXPORT_ENTRY(FX_SetDlgString_UTF16),
        SIMHOST_EXPORT_ENTRY(FX_StartFinaleEdit),
        SIMHOST_EXPORT_ENTRY(FX_StartFinaleEdit_UTF16),
        SIMHOST_EXPORT_ENTRY(FX_EndFinaleEdit),
        SIMHOST_EXPORT_ENTRY(FX_CancelFinaleEdit),
    };
    return exports;
}

const std::string& NameOf(void (*function)())
{
    static std::map<void (*)(), std::string> names;
    if (names.empty()) {
        for (const Export& entry : Exports()) names[reinterpret_cast<void (*)()>(entry.address)] = entry.name;
    }
    return names[function];
}

}  // namespace

const std::vector<std::string>& FunctionNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const Export& entry : Exports()) list.push_back(entry.name);
        return list;
    }();
    return names;
}

#ifndef _WIN32
void RegisterModule(const char* moduleName, const std::set<std::string>& omitted)
{
    HMODULE module = win32stub::RegisterModule(moduleName);
    for (const Export& entry : Exports()) {
        if (omitted.count(entry.name) == 0) win32stub::AddExport(module, entry.name, entry.timed);
        else win32stub::RemoveExport(module, entry.name);
    }
}

void AddExport(const char* moduleName, const std::string& function)
{
    HMODULE module = win32stub::RegisterModule(moduleName);
    for (const Export& entry : Exports()) {
        if (function == entry.name) win32stub::AddExport(module, entry.name, entry.timed);
    }
}
#endif

}  // namespace simhost
