// Calls into the plug-in as a 32-bit host built by another compiler may make
// them: the stack pointer at the call 0, 4, 8 or 12 bytes below a 16-byte
// boundary (the shift), every argument one 32-bit word. Each call is checked
// on return: the stack pointer must be where a cdecl callee leaves it and the
// callee-saved registers as they were. A call that breaks either is counted.
// Only 32-bit x86 Windows has these calls; elsewhere the host calls directly.
#pragma once

#include <cstdint>
#include <initializer_list>

#if defined(_WIN32) && defined(__i386__)
#define SIMHOST_CHECKED_PLUGIN_CALLS 1

namespace simhost {

uint32_t CallPlugin(const void* function, std::initializer_list<uint32_t> words);
// The shift of the calls from now on, in bytes (0, 4, 8 or 12).
void SetPluginStackShift(uint32_t bytes);
// Calls that moved the stack pointer or changed a callee-saved register.
uint32_t PluginCallFaults();

}  // namespace simhost
#endif
