#include "LowMemory.h"

#include <cstdint>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

// AddressSanitizer (gcc defines the first, clang answers the second).
#if defined(__SANITIZE_ADDRESS__)
#define SIMHOST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SIMHOST_ASAN 1
#endif
#endif
#ifdef SIMHOST_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace simhost {

namespace {

// A fresh mapping for every frame made each FX_LoadTGF and FX_FreeTGF a
// pair of system calls that clear and free page tables; in Wine and in a
// loaded virtual machine those outweighed the whole sync. Freed blocks are
// kept for the next request of the same size instead, up to this many.
constexpr std::size_t kKeptBlocks = 32;

struct KeptBlock {
    void* block;
    std::size_t size;
};

std::vector<KeptBlock>& KeptBlocks()
{
    static std::vector<KeptBlock> kept;
    return kept;
}

void* MapLow(std::size_t size);
void UnmapLow(void* block, std::size_t size);

}  // namespace

void* AllocateLow(std::size_t size)
{
    std::vector<KeptBlock>& kept = KeptBlocks();
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (kept[i].size != size) continue;
        void* block = kept[i].block;
        kept[i] = kept.back();
        kept.pop_back();
#ifdef SIMHOST_ASAN
        ASAN_UNPOISON_MEMORY_REGION(block, size);
#endif
        std::memset(block, 0, size);
        return block;
    }
    return MapLow(size);
}

void FreeLow(void* block, std::size_t size)
{
    if (block == nullptr) return;
    std::vector<KeptBlock>& kept = KeptBlocks();
    if (kept.size() < kKeptBlocks) {
        // A plug-in that reads a freed frame still fails under ASan.
#ifdef SIMHOST_ASAN
        ASAN_POISON_MEMORY_REGION(block, size);
#endif
        kept.push_back({ block, size });
        return;
    }
    UnmapLow(block, size);
}

namespace {

#ifdef _WIN32

void* MapLow(std::size_t size)
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

void UnmapLow(void* block, std::size_t)
{
    VirtualFree(block, 0, MEM_RELEASE);
}

#else

void* MapLow(std::size_t size)
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

void UnmapLow(void* block, std::size_t size)
{
    munmap(block, size);
}

#endif

}  // namespace

}  // namespace simhost
