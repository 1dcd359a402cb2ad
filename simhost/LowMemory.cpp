#include "LowMemory.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace simhost {

#ifdef _WIN32

void* AllocateLow(std::size_t size)
{
    if (sizeof(void*) == 4) return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    // A 64-bit process asks for an address itself, walking the low 4 GiB in
    // allocation-granularity steps from above the usual program area.
    const uintptr_t step = 0x10000;
    static uintptr_t next = 0x20000000;
    for (int wrapped = 0; wrapped < 2; ++wrapped) {
        for (; next + size < 0xFFFF0000u; next += step) {
            void* block = VirtualAlloc(reinterpret_cast<void*>(next), size, MEM_RESERVE | MEM_COMMIT,
                                       PAGE_READWRITE);
            if (block != nullptr) {
                next += (size + step - 1) / step * step;
                return block;
            }
        }
        next = 0x10000000;
    }
    return nullptr;
}

void FreeLow(void* block, std::size_t)
{
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

#else

void* AllocateLow(std::size_t size)
{
#if defined(MAP_32BIT)
    const int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT;
#else
    const int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#endif
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    if (reinterpret_cast<uintptr_t>(block) + size > 0xFFFFFFFFu) {
        munmap(block, size);
        return nullptr;
    }
    return block;
}

void FreeLow(void* block, std::size_t size)
{
    if (block != nullptr) munmap(block, size);
}

#endif

}  // namespace simhost
