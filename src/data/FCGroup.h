// Staff groups: a first and a last staff, a name, and whether the group
// lends its name to the staves in it that have none.
#pragma once

#include "core/FCString.h"
#include "data/FCCollectionData.h"

#include <cstdint>
#include <map>
#include <set>
#include <vector>

class FCGroup : public __FCNoInciDetail {
public:
    static constexpr uint32_t kTag = 0x53444E47;  // 'SDNG'
    static constexpr uint32_t kDataSize = 36;

    FCGroup();

    const char* ClassName() const override;
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCGroup(); }
    uint32_t GetTag() const override { return kTag; }
    // 0x09000000 for hosts below version 0x10000000.
    uint32_t GetVersion() const override;
    uint32_t GetDataSize() const override { return kDataSize; }
    bool LoadFirst() override;

    int16_t GetFirstStaff() const;
    int16_t GetLastStaff() const;
    uint16_t GetNameTextBlock() const;
    // Only groups holding 1 here lend their name to staves.
    uint16_t GetLendValue() const;
    void SetGroup(int16_t firstStaff, int16_t lastStaff, uint16_t nameTextBlock, uint16_t lendValue);

    // These read the score's staff order afresh on every call.
    // Staves from the first to the last inclusive; 0 when the last is never reached.
    int32_t GetStaffCount() const;
    // The staff's 0-based place in the group, or -1.
    int32_t GetStaffIndex(int16_t staff) const;
    bool ContainsStaff(int16_t staff) const;

private:
    uint8_t data_[kDataSize] = {};
};

class FCGroups : public __FCCollectionNoInciDetail {
public:
    const char* ClassName() const override;
    __FCBaseData* CreateElement() const override { return new FCGroup(); }

    FCGroup* GetGroupAt(int32_t index) const { return static_cast<FCGroup*>(GetItemAt(index)); }
};

// The name a staff without one of its own takes from the smallest group
// that lends its name to it, with its place in the group: "Strings (top
// staff)", "Horns (3/4)". Empty when no group lends a name. Used on hosts
// from version 0x10000000 on.
FCString* CreateGroupNameForStaff(int16_t staff);

// The same names for many staves of one listing: the groups and the score
// order are read from the host once, and each group's walk over the score
// order is made once, so naming every staff of a score takes time in
// proportion to staves times groups. The walks are those of the group
// operations above.
class StaffGroupNaming {
public:
    StaffGroupNaming();
    StaffGroupNaming(const StaffGroupNaming&) = delete;
    StaffGroupNaming& operator=(const StaffGroupNaming&) = delete;

    // As CreateGroupNameForStaff (caller owns).
    FCString* CreateNameForStaff(int16_t staff);

private:
    struct Placement {
        const FCGroup* group;
        int32_t count = 0;
        std::map<int16_t, int32_t> index;  // GetStaffIndex of each staff met
        std::set<int16_t> contained;       // ContainsStaff, the ends aside
        bool nameLoaded = false;
        FCString name;
    };

    FCGroups groups_;
    std::vector<Placement> candidates_;
};
