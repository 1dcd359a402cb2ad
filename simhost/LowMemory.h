// Memory below 4 GiB, for host data whose addresses the plug-in reads from
// 32-bit fields (an entry frame's first-entry address).
#pragma once

#include <cstddef>

namespace simhost {

// Zeroed memory whose every byte lies below 4 GiB; null when none is left.
void* AllocateLow(std::size_t size);
void FreeLow(void* block, std::size_t size);

}  // namespace simhost
