// Small record classes of each family, for testing the record base and the
// record collections without the plug-in's own record classes.
#pragma once

#include "data/FCBaseData.h"
#include "data/FCCollectionData.h"

#include <cstring>

// One record per item, 4 bytes, tag 'TSTN'. The first record is found by
// asking the host for the one after key 0.
class TestNoInciRecord : public __FCNoInciOther {
public:
    TestNoInciRecord() { UseInObjectData(data_, 0); }
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new TestNoInciRecord(); }
    uint32_t GetTag() const override { return 0x5453544E; }
    uint32_t GetDataSize() const override { return sizeof data_; }
    bool LoadFirst() override
    {
        SetCmperInci(0, 0);
        return LoadNext();
    }
    uint8_t data_[4] = {};
};

// Several records per item, 6 bytes, tag 'TSTI'; new objects can be saved
// at once.
class TestInciRecord : public __FCInciOther {
public:
    TestInciRecord() { UseInObjectData(data_, sizeof data_); }
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new TestInciRecord(); }
    uint32_t GetTag() const override { return 0x54535449; }
    uint32_t GetDataSize() const override { return sizeof data_; }
    uint8_t data_[6] = {};
};

// Detail records under the group tag, whose keys the host orders as details.
class TestDetailRecord : public __FCNoInciDetail {
public:
    TestDetailRecord() { UseInObjectData(data_, sizeof data_); }
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new TestDetailRecord(); }
    uint32_t GetTag() const override { return 0x53444E47; }
    uint32_t GetDataSize() const override { return sizeof data_; }
    uint8_t data_[36] = {};
};

// A preference record that has no data block until it is loaded.
class TestPrefsRecord : public __FCPrefsBase {
public:
    bool Load(int16_t cmper) override
    {
        asked = cmper;
        return __FCPrefsBase::Load(cmper);
    }
    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new TestPrefsRecord(); }
    uint32_t GetTag() const override { return 0x4F036870; }
    uint32_t GetDataSize() const override { return sizeof data_; }
    uint8_t data_[36] = {};
    // The argument Load was last given.
    int16_t asked = 0;
};

class TestNoInciRecords : public __FCCollectionData {
public:
    __FCBaseData* CreateElement() const override { return new TestNoInciRecord(); }
};

class TestInciRecords : public __FCCollectionInciOther {
public:
    __FCBaseData* CreateElement() const override { return new TestInciRecord(); }
};

class TestDetailRecords : public __FCCollectionNoInciDetail {
public:
    __FCBaseData* CreateElement() const override { return new TestDetailRecord(); }
};
