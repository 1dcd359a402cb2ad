// The entry frames of a score, by staff, measure and layer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace simhost {

constexpr std::size_t kEntrySize = 146;

// An entry record exactly as the host keeps it in a frame.
using EntryBytes = std::array<uint8_t, kEntrySize>;

struct Frame {
    std::vector<EntryBytes> entries;
    bool writeGuarded = false;

    bool operator==(const Frame& other) const
    {
        return entries == other.entries && writeGuarded == other.writeGuarded;
    }
};

// Staff number, measure, layer index.
using FrameKey = std::tuple<int16_t, int16_t, int32_t>;

// Copies share their frames until one of them changes, as the record store's
// copies share their records. Reading goes through the const members; only
// operator[] changes the frames, after making them this copy's own.
class FrameMap {
public:
    using Frames = std::map<FrameKey, Frame>;
    using const_iterator = Frames::const_iterator;

    FrameMap();
    // A copy shares the frames; moves copy too, so that no map is left
    // without frames.
    FrameMap(const FrameMap& other) = default;
    FrameMap& operator=(const FrameMap& other) = default;

    const_iterator begin() const { return frames_->begin(); }
    const_iterator end() const { return frames_->end(); }
    const_iterator find(const FrameKey& key) const { return frames_->find(key); }
    std::size_t count(const FrameKey& key) const { return frames_->count(key); }
    std::size_t size() const { return frames_->size(); }
    // The frame under the key; throws std::out_of_range when there is none.
    const Frame& at(const FrameKey& key) const { return frames_->at(key); }

    // The frame under the key, made (empty) when there is none.
    Frame& operator[](const FrameKey& key);

    bool operator==(const FrameMap& other) const { return frames_ == other.frames_ || *frames_ == *other.frames_; }

private:
    std::shared_ptr<Frames> frames_;
};

}  // namespace simhost
