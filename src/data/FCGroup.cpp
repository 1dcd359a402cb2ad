#include "FCGroup.h"

#include "core/ByteAccess.h"
#include "data/FCSystemStaff.h"
#include "data/FCTextBlock.h"
#include "shell/Globals.h"

#include <memory>

static const char kGroupClassName[] = "FCGroup";
static const char kGroupsClassName[] = "FCGroups";

namespace {

constexpr size_t kFirstStaffOffset = 0;
constexpr size_t kLastStaffOffset = 2;
constexpr size_t kNameOffset = 4;
constexpr size_t kLendOffset = 32;

// The staves of the score from top to bottom, as the host lists them now.
class ScoreOrder {
public:
    ScoreOrder() { staves_.LoadAllIncis(0); }
    int32_t Count() const { return staves_.GetCount(); }
    int16_t StaffAt(int32_t index) const { return staves_.GetStaffAt(index)->GetStaff(); }

private:
    FCSystemStaves staves_;
};

}  // namespace

FCGroup::FCGroup()
{
    UseInObjectData(data_, kDataSize);
}

const char* FCGroup::ClassName() const
{
    return kGroupClassName;
}

uint32_t FCGroup::GetVersion() const
{
    return gHostVersion < 0x10000000 ? 0x09000000 : 0x12050000;
}

bool FCGroup::LoadFirst()
{
    SetDetailKey(0, 0, 0);
    return LoadNext();
}

int16_t FCGroup::GetFirstStaff() const { return GetLE16Signed(data_, kFirstStaffOffset); }
int16_t FCGroup::GetLastStaff() const { return GetLE16Signed(data_, kLastStaffOffset); }
uint16_t FCGroup::GetNameTextBlock() const { return GetLE16(data_, kNameOffset); }
uint16_t FCGroup::GetLendValue() const { return GetLE16(data_, kLendOffset); }

void FCGroup::SetGroup(int16_t firstStaff, int16_t lastStaff, uint16_t nameTextBlock, uint16_t lendValue)
{
    SetLE16(data_, kFirstStaffOffset, static_cast<uint16_t>(firstStaff));
    SetLE16(data_, kLastStaffOffset, static_cast<uint16_t>(lastStaff));
    SetLE16(data_, kNameOffset, nameTextBlock);
    SetLE16(data_, kLendOffset, lendValue);
}

int32_t FCGroup::GetStaffCount() const
{
    ScoreOrder order;
    int32_t count = 0;
    bool inside = false;
    for (int32_t i = 0; i < order.Count(); ++i) {
        const int16_t staff = order.StaffAt(i);
        if (staff == GetFirstStaff()) {
            inside = true;
            ++count;
        } else if (inside) {
            ++count;
        }
        if (staff == GetLastStaff()) return count;
    }
    return 0;
}

int32_t FCGroup::GetStaffIndex(int16_t wanted) const
{
    ScoreOrder order;
    int32_t index = 0;
    bool inside = false;
    for (int32_t i = 0; i < order.Count(); ++i) {
        const int16_t staff = order.StaffAt(i);
        if (staff == GetFirstStaff()) inside = true;
        if (inside) {
            if (staff == wanted) return index;
            ++index;
        }
        if (staff == GetLastStaff()) inside = false;
    }
    return -1;
}

bool FCGroup::ContainsStaff(int16_t wanted) const
{
    if (wanted == GetFirstStaff() || wanted == GetLastStaff()) return true;
    // A staff counts as inside only when the walk from the first staff also
    // reaches the last: a group whose last staff lies above its first holds
    // no staves between them, as its staff count of 0 says.
    ScoreOrder order;
    bool inside = false;
    bool met = false;
    for (int32_t i = 0; i < order.Count(); ++i) {
        const int16_t staff = order.StaffAt(i);
        if (staff == GetFirstStaff()) inside = true;
        if (inside) {
            if (staff == wanted) met = true;
            if (staff == GetLastStaff()) return met;
        }
    }
    return false;
}

const char* FCGroups::ClassName() const
{
    return kGroupsClassName;
}

FCString* CreateGroupNameForStaff(int16_t staff)
{
    StaffGroupNaming naming;
    return naming.CreateNameForStaff(staff);
}

StaffGroupNaming::StaffGroupNaming()
{
    groups_.LoadAll();
    ScoreOrder order;
    for (int32_t g = 0; g < groups_.GetCount(); ++g) {
        const FCGroup* group = groups_.GetGroupAt(g);
        if (group->GetLendValue() != 1 || group->GetNameTextBlock() == 0) continue;
        Placement placement;
        placement.group = group;
        const int16_t first = group->GetFirstStaff();
        const int16_t last = group->GetLastStaff();
        // GetStaffCount's walk: counting from the first staff, answered at the last.
        int32_t count = 0;
        bool inside = false;
        for (int32_t i = 0; i < order.Count(); ++i) {
            const int16_t s = order.StaffAt(i);
            if (s == first) {
                inside = true;
                ++count;
            } else if (inside) {
                ++count;
            }
            if (s == last) {
                placement.count = count;
                break;
            }
        }
        // GetStaffIndex's walk: the place each staff has when first met inside.
        inside = false;
        int32_t index = 0;
        for (int32_t i = 0; i < order.Count(); ++i) {
            const int16_t s = order.StaffAt(i);
            if (s == first) inside = true;
            if (inside) placement.index.emplace(s, index++);
            if (s == last) inside = false;
        }
        // ContainsStaff's walk: the staves from the first up to the last.
        inside = false;
        std::vector<int16_t> met;
        for (int32_t i = 0; i < order.Count(); ++i) {
            const int16_t s = order.StaffAt(i);
            if (s == first) inside = true;
            if (!inside) continue;
            met.push_back(s);
            if (s == last) {
                placement.contained.insert(met.begin(), met.end());
                break;
            }
        }
        candidates_.push_back(std::move(placement));
    }
}

FCString* StaffGroupNaming::CreateNameForStaff(int16_t staff)
{
    Placement* chosen = nullptr;
    for (Placement& placement : candidates_) {
        const bool contains = staff == placement.group->GetFirstStaff() || staff == placement.group->GetLastStaff() ||
                              placement.contained.count(staff) != 0;
        if (contains && (chosen == nullptr || placement.count < chosen->count)) chosen = &placement;
    }
    if (chosen == nullptr) return new FCString();
    if (!chosen->nameLoaded) {
        FCTextBlock block;
        block.Load(static_cast<int16_t>(chosen->group->GetNameTextBlock()));
        FCString* text = block.CreateRawTextString();
        text->StripFontTags();
        chosen->name.SetString(text);
        delete text;
        chosen->nameLoaded = true;
    }
    FCString* name = new FCString(chosen->name);
    if (name->GetLength() == 0) return name;
    auto place = chosen->index.find(staff);
    const int32_t index = place != chosen->index.end() ? place->second : -1;
    if (chosen->count == 2) {
        name->AppendCString(index == 0 ? " (top staff)" : " (bottom staff)");
    } else {
        name->AppendCString(" (");
        name->AppendInteger(index + 1);
        name->AppendCString("/");
        name->AppendInteger(chosen->count);
        name->AppendCString(")");
    }
    return name;
}
