// Owning, append-only list of framework objects; every list of the plug-in
// derives from it. Capacity grows in steps of 10 item slots.
#pragma once

#include "FCBase.h"

class __FCCollection : public __FCIteratorBase {
public:
    __FCCollection() = default;
    __FCCollection(const __FCCollection&) = delete;
    __FCCollection& operator=(const __FCCollection&) = delete;

    const char* ClassName() const override;
    ~__FCCollection() override;

    // Calls the handler's Iterate for each non-null item until it answers
    // false; returns the number of items it answered true for.
    int32_t ForEach(__FCIteratorHandler* handler) override;
    // The first non-null item for which the handler's IsMatch is true.
    __FCBase* FindFirst(__FCIteratorHandler* handler) override;
    // As ForEach, through IterateIndex with each item's position.
    int32_t ForEachIndex(__FCIteratorHandler* handler) override;

    int32_t GetCount() const { return count_; }
    int32_t GetCapacity() const { return capacity_; }
    // The item at index, or null for any index outside 0..count-1.
    __FCBase* GetItemAt(int32_t index) const;
    void EnsureCapacity(int32_t extra);
    // Appends the item; the collection owns it from now on.
    void Add(__FCBase* item);
    // Deletes every item; the capacity stays.
    void ClearAll();

private:
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    __FCBase** items_ = nullptr;
};
