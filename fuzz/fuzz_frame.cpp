// Frame normalisation on arbitrary frames, note counts above 12 included:
// afterwards every note has a nonzero ID no other note of its entry has, an
// entry holds at most 12 notes, and nothing outside the frame is written.
#include "FuzzHost.h"
#include "LowMemory.h"
#include "core/ByteAccess.h"
#include "data/EntryFrame.h"

#include <cstring>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int entries = data[0] % 5;
    const size_t used = frame::kHeaderSize + frame::kEntrySize * static_cast<size_t>(entries);
    const size_t guard = 32;
    uint8_t* bytes = static_cast<uint8_t*>(simhost::AllocateLow(used + guard));
    if (bytes == nullptr) return 0;
    for (size_t i = 0; i < used; ++i) bytes[i] = size > 1 ? data[1 + i % (size - 1)] : 0;
    std::memset(bytes + used, 0xEE, guard);
    SetLE32(bytes, frame::kFirstEntry, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bytes + frame::kHeaderSize)));
    SetLE16(bytes, frame::kEntryCount, static_cast<uint16_t>(entries));
    std::vector<int> before(static_cast<size_t>(entries));
    for (int j = 0; j < entries; ++j) {
        before[static_cast<size_t>(j)] = GetLE16(bytes + frame::kHeaderSize + frame::kEntrySize * static_cast<size_t>(j),
                                                 frame::kNoteCount);
    }
    frame::NormaliseForSave(bytes);
    for (int j = 0; j < entries; ++j) {
        uint8_t* entry = bytes + frame::kHeaderSize + frame::kEntrySize * static_cast<size_t>(j);
        const int count = GetLE16(entry, frame::kNoteCount);
        fuzz::Require(count >= 1 && count <= frame::kMaxNotes, "1 to 12 notes after saving");
        if (before[static_cast<size_t>(j)] == 0) continue;  // the note added to an empty entry
        std::set<uint16_t> ids;
        for (int k = 0; k < count; ++k) {
            const uint16_t id = GetLE16(frame::NoteAt(entry, k), frame::kNoteID);
            fuzz::Require(id != 0, "no note ID is 0");
            fuzz::Require(ids.insert(id).second, "no two notes of an entry share an ID");
        }
    }
    for (size_t i = 0; i < guard; ++i) fuzz::Require(bytes[used + i] == 0xEE, "nothing past the frame is written");
    simhost::FreeLow(bytes, used + guard);
    return 0;
}
