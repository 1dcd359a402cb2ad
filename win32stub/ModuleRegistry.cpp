#include "ModuleRegistry.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Module : HINSTANCE__ {
    std::string name;
    std::map<std::string, FARPROC> exports;
    // Resources with numeric type and name.
    std::map<std::pair<uint16_t, uint16_t>, std::vector<uint8_t>> resources;
};

uint32_t Read32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Reads a type or name field of a resource header at offset: 0xFFFF and a
// number, or a zero-terminated UTF-16 name (answered as -1). Moves offset
// past it; false when it runs past end.
bool ReadNameOrNumber(const uint8_t* image, size_t end, size_t& offset, int32_t& value)
{
    if (offset + 2 > end) return false;
    if (Read16(image + offset) == 0xFFFF) {
        if (offset + 4 > end) return false;
        value = Read16(image + offset + 2);
        offset += 4;
        return true;
    }
    value = -1;
    while (offset + 2 <= end) {
        const uint16_t unit = Read16(image + offset);
        offset += 2;
        if (unit == 0) return true;
    }
    return false;
}

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

void RemoveExport(HMODULE handle, const char* name)
{
    if (Module* module = FindModule(handle)) module->exports.erase(name);
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

bool AddResources(HMODULE handle, const uint8_t* image, size_t size)
{
    Module* module = FindModule(handle);
    if (module == nullptr || image == nullptr) return false;
    size_t offset = 0;
    while (offset + 8 <= size) {
        const uint32_t dataSize = Read32(image + offset);
        const uint32_t headerSize = Read32(image + offset + 4);
        if (headerSize < 16 || headerSize > size - offset || dataSize > size - offset - headerSize) return false;
        const size_t headerEnd = offset + headerSize;
        size_t field = offset + 8;
        int32_t type = 0;
        int32_t name = 0;
        if (!ReadNameOrNumber(image, headerEnd, field, type) || !ReadNameOrNumber(image, headerEnd, field, name))
            return false;
        if (type > 0 && name >= 0) {
            const uint8_t* data = image + headerEnd;
            module->resources[{ static_cast<uint16_t>(type), static_cast<uint16_t>(name) }] =
                std::vector<uint8_t>(data, data + dataSize);
        }
        offset = headerEnd + ((dataSize + 3u) & ~3u);
    }
    return true;
}

const std::vector<uint8_t>* FindResourceBytes(HMODULE handle, uint16_t type, uint16_t name)
{
    Module* module = FindModule(handle);
    if (module == nullptr) return nullptr;
    auto it = module->resources.find({ type, name });
    return it == module->resources.end() ? nullptr : &it->second;
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
