#include "FCBaseData.h"

#include "core/ByteAccess.h"
#include "host/HostFunctions.h"

#include <cstring>

namespace {

// A host call on the key that fails may have written over it: the key goes
// back to what was passed, so that a failure changes no key.
class KeptKey {
public:
    explicit KeptKey(uint8_t* key) : key_(key) { std::memcpy(passed_, key, sizeof passed_); }
    bool Result(int32_t answer)
    {
        if (answer != 0) return true;
        std::memcpy(key_, passed_, sizeof passed_);
        return false;
    }

private:
    uint8_t* key_;
    uint8_t passed_[8];
};

}  // namespace

__FCBaseData::__FCBaseData() = default;

void __FCBaseData::UseInObjectData(void* area, uint32_t loadedSize)
{
    data_ = area;
    loadedSize_ = loadedSize;
}

uint16_t __FCBaseData::KeyWord(size_t offset) const
{
    return GetLE16(key_, offset);
}

void __FCBaseData::SetKeyWord(size_t offset, uint16_t value)
{
    SetLE16(key_, offset, value);
}

void __FCBaseData::CopyKeyFrom(const __FCBaseData* other)
{
    std::memcpy(key_, other->key_, sizeof key_);
}

void __FCBaseData::CopyDataFrom(const __FCBaseData* other)
{
    if (data_ == nullptr) data_ = AllocateData();
    if (other->data_ != nullptr) std::memcpy(data_, other->data_, GetDataSize());
    loadedSize_ = GetDataSize();
}

bool __FCBaseData::LoadByKey()
{
    if (data_ != nullptr && IsDataAllocated()) {
        FreeData();
        data_ = nullptr;
    }
    if (data_ == nullptr) data_ = AllocateData();
    // The room actually there: a size asked again could differ from the one
    // the block was allocated with.
    const uint32_t capacity = GetDataCapacity();
    uint32_t size = capacity;
    KeptKey kept(key_);
    if (!kept.Result(FX_LoadEData(GetTag(), key_, data_, &size, GetVersion()))) {
        // Nothing loaded: whatever the host left in the block reads as zeros.
        std::memset(data_, 0, capacity);
        loadedSize_ = 0;
        return false;
    }
    // A host that reports more than it was offered still wrote no more.
    loadedSize_ = size <= capacity ? size : capacity;
    return true;
}

bool __FCBaseData::Save()
{
    if (loadedSize_ == 0) return false;
    KeptKey kept(key_);
    return kept.Result(FX_SaveEData(GetTag(), key_, data_, GetLoadedSize(), GetVersion()));
}

bool __FCBaseData::Reload()
{
    if (loadedSize_ == 0) return false;
    return LoadByKey();
}

bool __FCBaseData::DeleteData()
{
    KeptKey kept(key_);
    return kept.Result(FX_DeleteEData(GetTag(), key_, GetVersion()));
}

bool __FCBaseData::LoadNext()
{
    KeptKey kept(key_);
    if (!kept.Result(FX_NextEData(GetTag(), key_, 0, 0, GetVersion()))) return false;
    return LoadByKey();
}

void __FCOther::SetCmperInci(int16_t cmper, int16_t inci)
{
    SetKeyWord(0, static_cast<uint16_t>(cmper));
    SetKeyWord(2, static_cast<uint16_t>(inci));
}

bool __FCNoInciOther::Reload()
{
    if (GetLoadedSizeField() == 0) return false;
    return Load(GetItemCmper());
}

bool __FCNoInciOther::Load(int16_t cmper)
{
    SetCmperInci(cmper, 0);
    return LoadByKey();
}

bool __FCNoInciOther::SaveAs(int16_t cmper)
{
    SetCmperInci(cmper, 0);
    return Save();
}

bool __FCNoInciOther::SaveNew()
{
    if (GetLoadedSizeField() == 0) return false;
    SetCmperInci(-1, -1);
    KeptKey kept(GetKey());
    return kept.Result(FX_CreateEData(GetTag(), GetKey(), GetData(), GetLoadedSize(), GetVersion()));
}

bool __FCInciOther::Reload()
{
    if (GetLoadedSizeField() == 0) return false;
    return Load(GetCmper(), GetInci());
}

bool __FCInciOther::Load(int16_t cmper, int16_t inci)
{
    SetCmperInci(cmper, inci);
    return LoadByKey();
}

bool __FCInciOther::SaveNew(int16_t cmper)
{
    if (GetLoadedSizeField() == 0) return false;
    SetCmperInci(cmper, -1);
    KeptKey kept(GetKey());
    return kept.Result(FX_CreateEData(GetTag(), GetKey(), GetData(), GetLoadedSize(), GetVersion()));
}

void __FCDetail::SetDetailKey(int16_t cmper1, int16_t cmper2, int16_t inci)
{
    SetKeyWord(0, static_cast<uint16_t>(cmper1));
    SetKeyWord(2, static_cast<uint16_t>(cmper2));
    SetKeyWord(4, static_cast<uint16_t>(inci));
}

uint32_t __FCEntryDetail::GetEntryNumber() const
{
    return GetLE32(GetKey(), 0);
}

void __FCEntryDetail::SetEntryKey(uint32_t entryNumber, int16_t inci)
{
    SetLE32(GetKey(), 0, entryNumber);
    SetKeyWord(4, static_cast<uint16_t>(inci));
}

bool __FCPrefsBase::Reload()
{
    if (GetLoadedSizeField() == 0) return false;
    return Load(static_cast<int16_t>(KeyWord(0)));
}

bool __FCPrefsBase::Load(int16_t)
{
    SetKeyWord(0, 1);
    SetKeyWord(2, 0);
    return LoadByKey();
}
