// Lists of records: each loads every record of one kind into independent
// objects, in the host's order, and can save them back.
#pragma once

#include "core/FCCollection.h"
#include "data/FCBaseData.h"

class __FCCollectionData : public __FCCollection {
public:
    // The most records LoadAll takes, as many as an inci scan reaches.
    static constexpr int32_t kMaxRecords = 0x8000;

    // A new, empty record object of the element class.
    virtual __FCBaseData* CreateElement() const = 0;
    // Replaces the elements with one object per record of the kind.
    virtual int32_t LoadAll();
    // Saves every element with the collection's context; false at the first
    // failure.
    virtual bool SaveAll();

    __FCBaseData* GetElementAt(int32_t index) const
    {
        return static_cast<__FCBaseData*>(GetItemAt(index));
    }
    uint32_t GetContext() const { return context_; }
    void SetContext(uint32_t context) { context_ = context; }

protected:
    // Appends an independent copy of what the loader holds.
    void AddCopyOf(const __FCBaseData* loader);

private:
    uint32_t context_ = 0;
};

// Records of one item number at incis 0, 1, 2, ...
class __FCCollectionInciOther : public __FCCollectionData {
public:
    __FCInciOther* CreateInciElement() const;

    // Deletes every record of the item, from the highest inci down.
    virtual bool ClearAllIncis(int16_t cmper);
    virtual int32_t LoadAllIncis(int16_t cmper);
    // Replaces the item's records with the elements, in list order.
    virtual bool SaveAllIncis(int16_t cmper);
};

// Detail records under one first item number, for second item numbers from a
// starting one up to the first that does not load.
class __FCCollectionDetail : public __FCCollectionData {
public:
    virtual int32_t LoadAllDetails(int16_t cmper1, int16_t startCmper2);
};

class __FCCollectionNoInciDetail : public __FCCollectionDetail {};
