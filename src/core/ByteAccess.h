// Little-endian reads and writes at byte offsets into host records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint16_t GetLE16(const void* base, size_t offset)
{
    const uint8_t* p = static_cast<const uint8_t*>(base) + offset;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t GetLE32(const void* base, size_t offset)
{
    const uint8_t* p = static_cast<const uint8_t*>(base) + offset;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void SetLE16(void* base, size_t offset, uint16_t value)
{
    uint8_t* p = static_cast<uint8_t*>(base) + offset;
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void SetLE32(void* base, size_t offset, uint32_t value)
{
    uint8_t* p = static_cast<uint8_t*>(base) + offset;
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

inline int16_t GetLE16Signed(const void* base, size_t offset)
{
    return static_cast<int16_t>(GetLE16(base, offset));
}

inline int32_t GetLE32Signed(const void* base, size_t offset)
{
    return static_cast<int32_t>(GetLE32(base, offset));
}
