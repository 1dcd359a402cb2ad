// The staff lists of the score: item 0 lists every staff, top to bottom.
#pragma once

#include "data/FCCollectionData.h"

#include <cstdint>

class FCSystemStaff : public __FCInciOther {
public:
    static constexpr uint32_t kTag = 0x534F4975;           // 'SOIu'
    static constexpr uint32_t kCompanionTag = 0x64744C50;  // 'dtLP'
    static constexpr uint32_t kDataSize = 24;

    FCSystemStaff();

    const char* ClassName() const override;
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCSystemStaff(); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetDataSize() const override { return kDataSize; }
    void CopyDataFrom(const __FCBaseData* other) override;
    bool Save() override;
    bool Load(int16_t cmper, int16_t inci) override;
    bool SaveNew(int16_t cmper) override;

    int16_t GetStaff() const;
    void SetStaff(int16_t staff);
    // The staff's size in this list, in percent; kept in a companion record
    // when it is not 100.
    int32_t GetResizePercent() const { return resizePercent_; }
    void SetResizePercent(int32_t percent) { resizePercent_ = percent; }

private:
    // Writes or removes the companion record to match the percentage.
    bool SaveCompanion();
    void CompanionKey(uint8_t* key) const;

    uint8_t data_[kDataSize] = {};
    int32_t resizePercent_ = 100;
};

class FCSystemStaves : public __FCCollectionInciOther {
public:
    const char* ClassName() const override;
    __FCBaseData* CreateElement() const override { return new FCSystemStaff(); }

    FCSystemStaff* GetStaffAt(int32_t index) const
    {
        return static_cast<FCSystemStaff*>(GetItemAt(index));
    }
};
