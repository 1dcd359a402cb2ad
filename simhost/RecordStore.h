// The host's tagged records: byte blocks stored under a 32-bit tag and an
// 8-byte key, kept in numeric key order within each tag.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace simhost {

// How a tag's 8-byte key divides into numbers.
enum class KeyLayout {
    Other,        // cmper (16 bits), inci (16 bits)
    Detail,       // first cmper, second cmper, inci (16 bits each)
    EntryDetail,  // entry number (32 bits), inci (16 bits)
};

// Copies share their records until one of them changes: the host keeps
// several states of a score (the undo step, a session's reports), most of
// them alike.
class RecordStore {
public:
    RecordStore();
    // A copy shares the records; moves copy too, so that no store is left
    // without records.
    RecordStore(const RecordStore& other) = default;
    RecordStore& operator=(const RecordStore& other) = default;

    // Tags of the detail families; every other tag has the Other layout.
    static KeyLayout LayoutOf(uint32_t tag);

    // The record under the key, or null.
    const std::vector<uint8_t>* Find(uint32_t tag, const uint8_t* key) const;
    // Stores the record under the key, replacing one that is there.
    void Put(uint32_t tag, const uint8_t* key, std::vector<uint8_t> data);
    // Replaces an existing record; false when there is none under the key.
    bool Save(uint32_t tag, const uint8_t* key, const uint8_t* data, uint32_t size);
    // Creates a record. Key numbers given as -1 are filled in: a new cmper
    // one past the highest of the tag, a new inci one past the highest under
    // the same cmper (or cmpers, or entry). With fillKey false the host
    // leaves the -1 in the caller's key. False when the key is taken.
    bool Create(uint32_t tag, uint8_t* key, const uint8_t* data, uint32_t size, bool fillKey);
    bool Delete(uint32_t tag, const uint8_t* key);
    // Overwrites the key with the next key of the tag in key order.
    bool Next(uint32_t tag, uint8_t* key) const;

    // Every record of a tag, in key order, with its key bytes.
    std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> RecordsOf(uint32_t tag) const;
    // Calls visit(key, data) for every record of a tag in key order, with
    // the key's 8 bytes.
    void ForEachOf(uint32_t tag,
                   const std::function<void(const uint8_t* key, const std::vector<uint8_t>& data)>& visit) const;
    // True when every record of the other store is here too, byte for byte.
    bool Contains(const RecordStore& other) const;
    // The tags that have records, in order.
    std::vector<uint32_t> Tags() const;
    std::size_t Count() const { return records_->size(); }
    void Clear();
    bool operator==(const RecordStore& other) const
    {
        return records_ == other.records_ || *records_ == *other.records_;
    }

    // Every change of the records gives the store a number that no store has
    // had before, and a copy keeps it: two stores of one history with the
    // same revision hold the same records. An empty new store has 0.
    uint64_t Revision() const { return revision_; }
    // A number for a changed state, never given before.
    static uint64_t NewRevision();

private:
    // tag, then the key's numbers in order of significance.
    using Key = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>;

    static Key MakeKey(uint32_t tag, const uint8_t* key);
    static void WriteKey(const Key& key, uint8_t* bytes);

    using Records = std::map<Key, std::vector<uint8_t>>;
    // The records to change: this store's own, copied first if shared.
    Records& Own();

    std::shared_ptr<Records> records_;
    uint64_t revision_ = 0;
};

}  // namespace simhost
