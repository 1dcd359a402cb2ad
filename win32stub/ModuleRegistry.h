// The stand-in's module registry: a program registers a module name and the
// functions it exports, and GetModuleHandleA / GetProcAddress find them as
// Windows would find a loaded module's exports.
#pragma once

#include "Win32Stub.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace win32stub {

// Registers an empty module under the name (names compare without regard to
// ASCII case, as Windows module names do). Registering a name again returns
// the module already registered under it.
HMODULE RegisterModule(const char* name);

// Adds or replaces the export of that exact (case-sensitive) name.
void AddExport(HMODULE module, const char* name, FARPROC address);

// Removes the export of that name, if there is one.
void RemoveExport(HMODULE module, const char* name);

// Removes the module and its exports; its handle becomes invalid.
void UnregisterModule(HMODULE module);

// Adds the resources of a compiled resource file (the .res format that
// windres and rc write) to the module; false when the image is malformed.
bool AddResources(HMODULE module, const uint8_t* image, size_t size);
// The bytes of the module's resource with a numeric type and name, or null.
const std::vector<uint8_t>* FindResourceBytes(HMODULE module, uint16_t type, uint16_t name);

}  // namespace win32stub
