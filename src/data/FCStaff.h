// A staff of the score, keyed by its staff number, and the part a window
// was built for.
#pragma once

#include "core/FCString.h"
#include "data/FCBaseData.h"

#include <cstdint>

class FCStaff : public __FCNoInciOther {
public:
    static constexpr uint32_t kTag = 0x534F4953;  // 'SOIS'
    static constexpr uint32_t kLargestDataSize = 136;

    FCStaff() = default;

    const char* ClassName() const override;
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCStaff(); }
    uint32_t GetTag() const override { return kTag; }
    // The staff record's layout follows the host: 0x0F000000 (114 bytes)
    // below version 0x11000000, 0x11000000 (132 bytes) below 0x12000000,
    // 0x12000000 (136 bytes) from then on.
    uint32_t GetVersion() const override;
    uint32_t GetDataSize() const override;
    bool LoadFirst() override;

    // The number of the text block holding the staff's full name.
    uint16_t GetFullNameTextBlock() const;
    // The staff's full name as plain text, as a new string (caller owns);
    // empty when the staff has none.
    FCString* GetFullNameString() const;

private:
    uint8_t data_[kLargestDataSize] = {};
};

class FCPart : public __FCNoInciOther {
public:
    static constexpr uint32_t kTag = 0x6F747044;  // 'otpD'
    static constexpr uint32_t kDataSize = 12;

    // Records the part and document that are current now.
    FCPart();

    const char* ClassName() const override;
    // The same class, part and document.
    bool IsSameClass(const __FCBase* other) const override;
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCPart(); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetDataSize() const override { return kDataSize; }
    bool LoadFirst() override { return Load(1); }

    int16_t GetPartID() const { return partID_; }
    int16_t GetDocumentID() const { return documentID_; }
    void SetPartID(int16_t part) { partID_ = part; }
    void SetDocumentID(int16_t document) { documentID_ = document; }
    int16_t GetListMarker() const { return listMarker_; }
    void SetListMarker(int16_t marker) { listMarker_ = marker; }

private:
    uint8_t data_[kDataSize] = {};
    FCString name_;
    int16_t partID_;
    int16_t documentID_;
    int16_t listMarker_ = -2;
};
