// Base of every record the plug-in reads from or writes to the score. The
// host stores records by a 32-bit tag and an 8-byte key and moves them as
// opaque byte blocks; the classes below give them their key layouts and the
// load, save, create, delete and iterate logic they share.
#pragma once

#include "core/FCBase.h"

#include <cstddef>
#include <cstdint>

// The largest record index: inci scans stop there even when the host keeps
// answering.
constexpr int32_t kMaxInci = 0x7FFF;

class __FCBaseData : public __FCBase {
public:
    __FCBaseData();
    __FCBaseData(const __FCBaseData&) = delete;
    __FCBaseData& operator=(const __FCBaseData&) = delete;

    // The data block to use, never null: the in-object area, or an
    // allocated block.
    virtual void* AllocateData() = 0;
    // Releases a block from AllocateData; nothing for in-object data.
    virtual void FreeData() {}
    // True when the block must be freed before the next load.
    virtual bool IsDataAllocated() const { return false; }
    // A new, empty object of the same class.
    virtual __FCBaseData* CreateObject() const = 0;
    virtual uint32_t GetTag() const = 0;
    virtual uint32_t GetVersion() const { return 0x12050000; }
    // The capacity offered to the host on load.
    virtual uint32_t GetDataSize() const = 0;
    // The size written on save and create.
    virtual uint32_t GetLoadedSize() const { return loadedSize_; }
    // Takes the other object's data: the whole in-object area by default.
    virtual void CopyDataFrom(const __FCBaseData* other);
    virtual bool Save();
    virtual bool Reload();
    virtual bool DeleteData();
    virtual bool DeleteRecord() { return DeleteData(); }
    virtual bool LoadFirst() { return false; }
    // Advances the key to the next record of the tag and loads it.
    virtual bool LoadNext();
    // The room the data block has: the data size, or what was allocated.
    virtual uint32_t GetDataCapacity() const { return GetDataSize(); }

    // The one read path: loads the record under the current key.
    bool LoadByKey();

    uint32_t GetContext() const { return context_; }
    void SetContext(uint32_t context) { context_ = context; }
    const void* GetData() const { return data_; }
    void* GetData() { return data_; }
    uint32_t GetLoadedSizeField() const { return loadedSize_; }
    uint8_t* GetKey() { return key_; }
    const uint8_t* GetKey() const { return key_; }
    void CopyKeyFrom(const __FCBaseData* other);

protected:
    // Sets the data block to the in-object area and, for classes that can be
    // saved without a load, the loaded size.
    void UseInObjectData(void* area, uint32_t loadedSize);
    void SetLoadedSize(uint32_t size) { loadedSize_ = size; }
    void SetDataPointer(void* data) { data_ = data; }

    uint16_t KeyWord(std::size_t offset) const;
    void SetKeyWord(std::size_t offset, uint16_t value);

private:
    uint32_t context_ = 0;
    void* data_ = nullptr;
    uint32_t loadedSize_ = 0;
    uint8_t key_[8] = {};
};

// Records keyed by an item number (cmper) and an index within it (inci).
class __FCOther : public __FCBaseData {
public:
    int16_t GetCmper() const { return static_cast<int16_t>(KeyWord(0)); }
    int16_t GetInci() const { return static_cast<int16_t>(KeyWord(2)); }
    void SetCmperInci(int16_t cmper, int16_t inci);
};

// Other records with a single record per item: the inci is always 0.
class __FCNoInciOther : public __FCOther {
public:
    bool Reload() override;

    virtual bool Load(int16_t cmper);
    virtual bool SaveAs(int16_t cmper);
    virtual bool SaveAsRecord(int16_t cmper) { return SaveAs(cmper); }
    // Creates the record under a new item number that the host chooses.
    virtual bool SaveNew();
    virtual int16_t GetItemCmper() const { return GetCmper(); }
};

// Other records with several records per item.
class __FCInciOther : public __FCOther {
public:
    bool Reload() override;

    virtual bool Load(int16_t cmper, int16_t inci);
    // Creates the record as a new index under the item.
    virtual bool SaveNew(int16_t cmper);
};

// Records keyed by two item numbers and an inci.
class __FCDetail : public __FCBaseData {
public:
    int16_t GetCmper1() const { return static_cast<int16_t>(KeyWord(0)); }
    int16_t GetCmper2() const { return static_cast<int16_t>(KeyWord(2)); }
    int16_t GetInci() const { return static_cast<int16_t>(KeyWord(4)); }
    void SetDetailKey(int16_t cmper1, int16_t cmper2, int16_t inci);
};

class __FCNoInciDetail : public __FCDetail {};

// Records attached to a note entry: the entry number and an inci.
class __FCEntryDetail : public __FCBaseData {
public:
    uint32_t GetEntryNumber() const;
    int16_t GetInci() const { return static_cast<int16_t>(KeyWord(4)); }
    void SetEntryKey(uint32_t entryNumber, int16_t inci);
};

// Entry records that belong to one note of the entry, told apart by note ID.
class __FCEntryDetailNoteID : public __FCEntryDetail {};

// Preference records: always item 1, inci 0.
class __FCPrefsBase : public __FCBaseData {
public:
    bool Reload() override;

    // The argument is ignored: preferences live in item 1.
    virtual bool Load(int16_t ignored);
};
