#include "ModuleRegistry.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Module : HINSTANCE__ {
    std::string name;
    std::map<std::string, FARPROC> exports;
};

std::vector<std::unique_ptr<Module>>& Modules()
{
    static std::vector<std::unique_ptr<Module>> modules;
    return modules;
}

bool SameModuleName(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == 0;
}

Module* FindModule(HMODULE handle)
{
    for (auto& module : Modules()) {
        if (module.get() == handle) return module.get();
    }
    return nullptr;
}

}  // namespace

namespace win32stub {

HMODULE RegisterModule(const char* name)
{
    if (HMODULE existing = GetModuleHandleA(name)) return existing;
    auto module = std::make_unique<Module>();
    module->name = name;
    Modules().push_back(std::move(module));
    return Modules().back().get();
}

void AddExport(HMODULE handle, const char* name, FARPROC address)
{
    if (Module* module = FindModule(handle)) module->exports[name] = address;
}

void UnregisterModule(HMODULE handle)
{
    auto& modules = Modules();
    for (auto it = modules.begin(); it != modules.end(); ++it) {
        if (it->get() == handle) {
            modules.erase(it);
            return;
        }
    }
}

}  // namespace win32stub

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (moduleName == nullptr) return nullptr;
    for (auto& module : Modules()) {
        if (SameModuleName(module->name, moduleName)) return module.get();
    }
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR procName)
{
    Module* module = FindModule(handle);
    // Values below 0x10000 are ordinals; the stand-in exports by name only.
    if (module == nullptr || reinterpret_cast<uintptr_t>(procName) < 0x10000) return nullptr;
    auto it = module->exports.find(procName);
    return it == module->exports.end() ? nullptr : it->second;
}
