// The document's Human Playback preferences: when Human Playback is on, the
// host plays its own interpretation instead of the per-note data.
#pragma once

#include "data/FCBaseData.h"

#include <cstdint>

class FCHumanPlaybackPrefs : public __FCPrefsBase {
public:
    static constexpr uint32_t kTag = 0x4F036870;
    static constexpr uint32_t kDataSize = 36;
    // The mode that means Human Playback is off.
    static constexpr uint16_t kModeOff = 1;

    FCHumanPlaybackPrefs() = default;

    const char* ClassName() const override;
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCHumanPlaybackPrefs(); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetDataSize() const override { return kDataSize; }

    // 0 when the record could not be read.
    uint16_t GetMode() const;

private:
    uint8_t data_[kDataSize] = {};
};
