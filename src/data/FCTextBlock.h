// Text records: a text block names a raw text record, which holds the
// characters with the host's inline tags.
#pragma once

#include "core/FCString.h"
#include "data/FCBaseData.h"

#include <cstdint>

class FCRawText : public __FCBaseData {
public:
    static constexpr uint32_t kDefaultTag = 0x7478626C;  // 'txbl'

    FCRawText() = default;
    ~FCRawText() override;

    const char* ClassName() const override;
    void* AllocateData() override;
    void FreeData() override;
    bool IsDataAllocated() const override { return true; }
    __FCBaseData* CreateObject() const override { return nullptr; }
    uint32_t GetTag() const override;
    uint32_t GetVersion() const override;
    // The size of the stored record, asked from the host; 0 when it has none.
    uint32_t GetDataSize() const override;
    uint32_t GetDataCapacity() const override { return blockSize_; }
    void CopyDataFrom(const __FCBaseData* other) override;
    bool LoadFirst() override;

    virtual void SetItemCmper(int16_t cmper);
    // True when the host keeps texts as UTF-16 (version 0x11000000 on).
    virtual bool IsUnicode() const;
    virtual int16_t GetItemCmper() const;

    // The loaded characters as a new string (caller owns); empty when
    // nothing is loaded.
    FCString* GetText() const;

private:
    uint8_t* block_ = nullptr;
    uint32_t blockSize_ = 0;
};

class FCTextBlock : public __FCNoInciOther {
public:
    static constexpr uint32_t kTag = 0x534F5458;  // 'SOTX'
    static constexpr uint32_t kDataSize = 26;

    FCTextBlock();

    const char* ClassName() const override;
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCTextBlock(); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetDataSize() const override { return kDataSize; }
    bool DeleteRecord() override;
    bool LoadFirst() override { return Load(1); }

    uint16_t GetRawTextNumber() const;
    void SetRawTextNumber(uint16_t number);
    uint16_t GetRawTextKind() const;
    // The characters of the block's raw text, tags and all, as a new string
    // (caller owns); empty when the raw text does not load.
    FCString* CreateRawTextString() const;

private:
    // The raw text record this block names, keyed and tagged for loading.
    void PrepareRawText(FCRawText& text) const;

    uint8_t data_[kDataSize] = {};
};
