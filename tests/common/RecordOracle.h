// What a record object believes after a host call, compared with what the
// simulated host holds: the oracle of the record tests.
#pragma once

#include "SimHost.h"
#include "data/FCBaseData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace qvtest {

// A record object's key, loaded size and data (as many bytes as it holds).
struct RecordState {
    std::vector<uint8_t> key;
    uint32_t loadedSize = 0;
    std::vector<uint8_t> data;

    bool operator==(const RecordState& other) const
    {
        return key == other.key && loadedSize == other.loadedSize && data == other.data;
    }
};

inline std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char digits[4];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

inline std::ostream& operator<<(std::ostream& out, const RecordState& state)
{
    return out << "key " << Hex(state.key) << ", loaded " << state.loadedSize << ", data " << Hex(state.data);
}

// The object's state; `room` bytes of its data (its data size by default).
inline RecordState StateOf(const __FCBaseData& record, uint32_t room = 0)
{
    RecordState state;
    state.key.assign(record.GetKey(), record.GetKey() + 8);
    state.loadedSize = record.GetLoadedSizeField();
    const uint32_t size = room != 0 ? room : record.GetDataSize();
    const auto* data = static_cast<const uint8_t*>(record.GetData());
    if (data != nullptr) state.data.assign(data, data + size);
    return state;
}

// The host holds a record under the object's tag and key, the object's
// loaded size is that record's size (no more than the object's room), and
// its data are the record's bytes.
inline ::testing::AssertionResult AgreesWithHost(const __FCBaseData& record)
{
    const std::vector<uint8_t> key(record.GetKey(), record.GetKey() + 8);
    const std::vector<uint8_t>* stored = simhost::Host::Get().score.records.Find(record.GetTag(), key.data());
    if (stored == nullptr) return ::testing::AssertionFailure() << "the host has no record under key " << Hex(key);
    const uint32_t room = record.GetDataSize();
    const uint32_t expected = stored->size() < room ? static_cast<uint32_t>(stored->size()) : room;
    if (record.GetLoadedSizeField() != expected) {
        return ::testing::AssertionFailure() << "loaded size " << record.GetLoadedSizeField() << ", the host's record "
                                             << stored->size() << " bytes (key " << Hex(key) << ")";
    }
    const auto* data = static_cast<const uint8_t*>(record.GetData());
    if (expected != 0 && (data == nullptr || std::memcmp(data, stored->data(), expected) != 0)) {
        const std::vector<uint8_t> held = data != nullptr ? std::vector<uint8_t>(data, data + expected)
                                                          : std::vector<uint8_t>();
        return ::testing::AssertionFailure() << "data " << Hex(held) << ", the host's record " << Hex(*stored)
                                             << " (key " << Hex(key) << ")";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace qvtest
