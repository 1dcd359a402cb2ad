#include "FCSystemStaff.h"

#include "core/ByteAccess.h"
#include "host/HostFunctions.h"

#include <cstring>

static const char kSystemStaffClassName[] = "FCSystemStaff";
static const char kSystemStavesClassName[] = "FCSystemStaves";

namespace {

constexpr uint32_t kCompanionSize = 10;

}  // namespace

FCSystemStaff::FCSystemStaff()
{
    UseInObjectData(data_, kDataSize);
}

const char* FCSystemStaff::ClassName() const
{
    return kSystemStaffClassName;
}

int16_t FCSystemStaff::GetStaff() const
{
    return GetLE16Signed(data_, 0);
}

void FCSystemStaff::SetStaff(int16_t staff)
{
    SetLE16(data_, 0, static_cast<uint16_t>(staff));
}

void FCSystemStaff::CompanionKey(uint8_t* key) const
{
    std::memset(key, 0, 8);
    SetLE16(key, 0, static_cast<uint16_t>(GetCmper()));
    SetLE16(key, 2, static_cast<uint16_t>(GetStaff()));
}

void FCSystemStaff::CopyDataFrom(const __FCBaseData* other)
{
    __FCBaseData::CopyDataFrom(other);
    const auto* staff = static_cast<const FCSystemStaff*>(other);
    resizePercent_ = staff->GetCmper() == 0 ? 100 : staff->resizePercent_;
}

bool FCSystemStaff::Load(int16_t cmper, int16_t inci)
{
    if (!__FCInciOther::Load(cmper, inci)) return false;
    resizePercent_ = 100;
    if (cmper != 0) {
        uint8_t key[8];
        CompanionKey(key);
        uint8_t companion[kCompanionSize] = {};
        uint32_t size = kCompanionSize;
        if (FX_LoadEData(kCompanionTag, key, companion, &size, GetVersion()) != 0) {
            resizePercent_ = GetLE16Signed(companion, 0);
        }
    }
    return true;
}

bool FCSystemStaff::SaveCompanion()
{
    uint8_t key[8];
    CompanionKey(key);
    if (resizePercent_ != 100) {
        uint8_t companion[kCompanionSize] = {};
        SetLE16(companion, 0, static_cast<uint16_t>(resizePercent_));
        return FX_SaveEData(kCompanionTag, key, companion, kCompanionSize, GetVersion()) != 0;
    }
    if (GetCmper() != 0) FX_DeleteEData(kCompanionTag, key, GetVersion());
    return true;
}

bool FCSystemStaff::Save()
{
    if (!__FCInciOther::Save()) return false;
    return SaveCompanion();
}

bool FCSystemStaff::SaveNew(int16_t cmper)
{
    if (!__FCInciOther::SaveNew(cmper)) return false;
    return SaveCompanion();
}

const char* FCSystemStaves::ClassName() const
{
    return kSystemStavesClassName;
}
