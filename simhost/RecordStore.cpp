#include "RecordStore.h"

#include "core/ByteAccess.h"

#include <cstring>
#include <iterator>

namespace simhost {

namespace {

constexpr uint32_t kPerformanceTag = 0x65646163;  // 'edac'
constexpr uint32_t kGroupTag = 0x53444E47;        // 'SDNG'
constexpr uint32_t kUnset16 = 0xFFFF;
constexpr uint32_t kUnset32 = 0xFFFFFFFF;

}  // namespace

RecordStore::RecordStore() : records_(std::make_shared<Records>()) {}

RecordStore::Records& RecordStore::Own()
{
    if (records_.use_count() > 1) records_ = std::make_shared<Records>(*records_);
    return *records_;
}

KeyLayout RecordStore::LayoutOf(uint32_t tag)
{
    if (tag == kPerformanceTag) return KeyLayout::EntryDetail;
    if (tag == kGroupTag) return KeyLayout::Detail;
    return KeyLayout::Other;
}

RecordStore::Key RecordStore::MakeKey(uint32_t tag, const uint8_t* key)
{
    switch (LayoutOf(tag)) {
    case KeyLayout::EntryDetail:
        return Key(tag, GetLE32(key, 0), GetLE16(key, 4), 0);
    case KeyLayout::Detail:
        return Key(tag, GetLE16(key, 0), GetLE16(key, 2), GetLE16(key, 4));
    case KeyLayout::Other:
        break;
    }
    return Key(tag, GetLE16(key, 0), GetLE16(key, 2), 0);
}

void RecordStore::WriteKey(const Key& key, uint8_t* bytes)
{
    const uint32_t tag = std::get<0>(key);
    std::memset(bytes, 0, 8);
    switch (LayoutOf(tag)) {
    case KeyLayout::EntryDetail:
        SetLE32(bytes, 0, std::get<1>(key));
        SetLE16(bytes, 4, static_cast<uint16_t>(std::get<2>(key)));
        return;
    case KeyLayout::Detail:
        SetLE16(bytes, 4, static_cast<uint16_t>(std::get<3>(key)));
        break;
    case KeyLayout::Other:
        break;
    }
    SetLE16(bytes, 0, static_cast<uint16_t>(std::get<1>(key)));
    SetLE16(bytes, 2, static_cast<uint16_t>(std::get<2>(key)));
}

const std::vector<uint8_t>* RecordStore::Find(uint32_t tag, const uint8_t* key) const
{
    auto it = records_->find(MakeKey(tag, key));
    return it == records_->end() ? nullptr : &it->second;
}

uint64_t RecordStore::NewRevision()
{
    static uint64_t last = 0;
    return ++last;
}

void RecordStore::Clear()
{
    records_ = std::make_shared<Records>();
    revision_ = NewRevision();
}

void RecordStore::Put(uint32_t tag, const uint8_t* key, std::vector<uint8_t> data)
{
    Own()[MakeKey(tag, key)] = std::move(data);
    revision_ = NewRevision();
}

bool RecordStore::Save(uint32_t tag, const uint8_t* key, const uint8_t* data, uint32_t size)
{
    const Key wanted = MakeKey(tag, key);
    if (data == nullptr || records_->count(wanted) == 0) return false;
    Own()[wanted].assign(data, data + size);
    revision_ = NewRevision();
    return true;
}

bool RecordStore::Create(uint32_t tag, uint8_t* key, const uint8_t* data, uint32_t size, bool fillKey)
{
    if (data == nullptr) return false;
    const Records& records = *records_;
    Key wanted = MakeKey(tag, key);
    const KeyLayout layout = LayoutOf(tag);
    // The number that identifies the item, and the inci under it.
    uint32_t& item = std::get<1>(wanted);
    uint32_t& inci = layout == KeyLayout::Detail ? std::get<3>(wanted) : std::get<2>(wanted);
    const uint32_t unsetItem = layout == KeyLayout::EntryDetail ? kUnset32 : kUnset16;

    if (item == unsetItem) {
        uint32_t highest = 0;
        auto end = records.upper_bound(Key(tag, kUnset32, kUnset32, kUnset32));
        if (end != records.begin() && std::get<0>(std::prev(end)->first) == tag) {
            highest = std::get<1>(std::prev(end)->first);
        }
        item = highest + 1;
        if (inci == kUnset16) inci = 0;
    }
    if (inci == kUnset16) {
        // The records of the same item lie together in key order.
        const bool detail = layout == KeyLayout::Detail;
        const uint32_t second = std::get<2>(wanted);
        auto first = records.lower_bound(detail ? Key(tag, item, second, 0) : Key(tag, item, 0, 0));
        auto end = records.upper_bound(detail ? Key(tag, item, second, kUnset32)
                                               : Key(tag, item, kUnset32, kUnset32));
        inci = 0;
        if (end != first) {
            const Key& last = std::prev(end)->first;
            inci = (detail ? std::get<3>(last) : std::get<2>(last)) + 1;
        }
    }
    if (records.count(wanted) != 0) return false;
    Own()[wanted].assign(data, data + size);
    revision_ = NewRevision();
    if (fillKey) WriteKey(wanted, key);
    return true;
}

bool RecordStore::Delete(uint32_t tag, const uint8_t* key)
{
    const Key wanted = MakeKey(tag, key);
    if (records_->count(wanted) == 0) return false;
    Own().erase(wanted);
    revision_ = NewRevision();
    return true;
}

bool RecordStore::Next(uint32_t tag, uint8_t* key) const
{
    auto it = records_->upper_bound(MakeKey(tag, key));
    if (it == records_->end() || std::get<0>(it->first) != tag) return false;
    WriteKey(it->first, key);
    return true;
}

std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> RecordStore::RecordsOf(uint32_t tag) const
{
    std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> result;
    for (auto it = records_->lower_bound(Key(tag, 0, 0, 0)); it != records_->end() && std::get<0>(it->first) == tag;
         ++it) {
        std::vector<uint8_t> key(8);
        WriteKey(it->first, key.data());
        result.emplace_back(std::move(key), it->second);
    }
    return result;
}

void RecordStore::ForEachOf(uint32_t tag,
                            const std::function<void(const uint8_t* key, const std::vector<uint8_t>& data)>& visit) const
{
    uint8_t key[8];
    for (auto it = records_->lower_bound(Key(tag, 0, 0, 0)); it != records_->end() && std::get<0>(it->first) == tag;
         ++it) {
        WriteKey(it->first, key);
        visit(key, it->second);
    }
}

bool RecordStore::Contains(const RecordStore& other) const
{
    for (const auto& record : *other.records_) {
        auto mine = records_->find(record.first);
        if (mine == records_->end() || mine->second != record.second) return false;
    }
    return true;
}

std::vector<uint32_t> RecordStore::Tags() const
{
    std::vector<uint32_t> tags;
    for (const auto& record : *records_) {
        if (tags.empty() || tags.back() != std::get<0>(record.first)) tags.push_back(std::get<0>(record.first));
    }
    return tags;
}

}  // namespace simhost
