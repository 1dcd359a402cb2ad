#include "FCCollection.h"

static const char kCollectionClassName[] = "__FCCollection";

const char* __FCCollection::ClassName() const
{
    return kCollectionClassName;
}

__FCCollection::~__FCCollection()
{
    ClearAll();
    delete[] items_;
    items_ = nullptr;
}

int32_t __FCCollection::ForEach(__FCIteratorHandler* handler)
{
    int32_t answeredTrue = 0;
    for (int32_t i = 0; i < count_; ++i) {
        __FCBase* item = items_[i];
        if (item == nullptr) continue;
        if (!handler->Iterate(item)) break;
        ++answeredTrue;
    }
    return answeredTrue;
}

__FCBase* __FCCollection::FindFirst(__FCIteratorHandler* handler)
{
    for (int32_t i = 0; i < count_; ++i) {
        __FCBase* item = items_[i];
        if (item != nullptr && handler->IsMatch(item)) return item;
    }
    return nullptr;
}

int32_t __FCCollection::ForEachIndex(__FCIteratorHandler* handler)
{
    int32_t answeredTrue = 0;
    for (int32_t i = 0; i < count_; ++i) {
        __FCBase* item = items_[i];
        if (item == nullptr) continue;
        if (!handler->IterateIndex(item, i)) break;
        ++answeredTrue;
    }
    return answeredTrue;
}

__FCBase* __FCCollection::GetItemAt(int32_t index) const
{
    if (items_ == nullptr || index < 0 || index >= count_) return nullptr;
    return items_[index];
}

void __FCCollection::EnsureCapacity(int32_t extra)
{
    int32_t needed = count_ + extra;
    if (capacity_ >= needed) return;
    int32_t newCapacity = (needed + 10) / 10 * 10;
    __FCBase** newItems = new __FCBase*[newCapacity];
    for (int32_t i = 0; i < newCapacity; ++i) {
        newItems[i] = i < count_ ? items_[i] : nullptr;
    }
    delete[] items_;
    items_ = newItems;
    capacity_ = newCapacity;
}

void __FCCollection::Add(__FCBase* item)
{
    EnsureCapacity(1);
    items_[count_] = item;
    ++count_;
}

void __FCCollection::ClearAll()
{
    for (int32_t i = 0; i < count_; ++i) {
        delete items_[i];
        items_[i] = nullptr;
    }
    count_ = 0;
}
