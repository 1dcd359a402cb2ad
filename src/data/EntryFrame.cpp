#include "EntryFrame.h"

#include <cstring>

namespace frame {

uint8_t* EntryAt(void* frame, int32_t index)
{
    uintptr_t first = GetLE32(frame, kFirstEntry);
    return reinterpret_cast<uint8_t*>(first) + kEntrySize * static_cast<size_t>(index);
}

int32_t EntryCount(const void* frame)
{
    return GetLE16(frame, kEntryCount);
}

int32_t NoteCount(const uint8_t* entry)
{
    int32_t count = GetLE16(entry, kNoteCount);
    return count > kMaxNotes ? kMaxNotes : count;
}

namespace {

bool IDInUse(uint8_t* entry, int32_t count, uint16_t id)
{
    for (int32_t k = 0; k < count; ++k) {
        if (GetLE16(NoteAt(entry, k), kNoteID) == id) return true;
    }
    return false;
}

// Gives every note with ID 0, or with an ID another note of the entry also
// has, a new ID: the next after the highest that no note has, never 0 (after
// 0xFFFF the count goes on from 1).
void GiveNotesOwnIDs(uint8_t* entry, int32_t count)
{
    uint32_t next = 0;
    for (int32_t k = 0; k < count; ++k) {
        const uint32_t id = GetLE16(NoteAt(entry, k), kNoteID);
        if (id > next) next = id;
    }
    for (int32_t k = 0; k < count; ++k) {
        uint16_t id = GetLE16(NoteAt(entry, k), kNoteID);
        bool shared = false;
        for (int32_t other = 0; other < count && !shared; ++other) {
            shared = other != k && GetLE16(NoteAt(entry, other), kNoteID) == id;
        }
        if (id != 0 && !shared) continue;
        do {
            next = next >= 0xFFFF ? 1 : next + 1;
        } while (IDInUse(entry, count, static_cast<uint16_t>(next)));
        SetLE16(NoteAt(entry, k), kNoteID, static_cast<uint16_t>(next));
    }
}

void NormaliseEntry(uint8_t* entry)
{
    const int32_t count = NoteCount(entry);
    GiveNotesOwnIDs(entry, count);
    for (int32_t k = 0; k < count; ++k) {
        uint8_t* note = NoteAt(entry, k);
        uint32_t flags = GetLE32(note, kNoteFlags) & ~0x001F0000u;
        flags |= static_cast<uint32_t>(GetLE16(note, kNoteID) & 0x1F) << 16;
        SetLE32(note, kNoteFlags, flags);
    }
    for (int32_t k = count; k < kMaxNotes; ++k) std::memset(NoteAt(entry, k), 0, kNoteSize);
    // A count above what the record holds is saved as what it holds.
    SetLE16(entry, kNoteCount, static_cast<uint16_t>(count));
    if (count == 0) {
        SetLE16(entry, kNoteCount, 1);
        SetLE32(NoteAt(entry, 0), kNoteFlags, kAddedNoteRecordFlags);
        SetLE32(entry, kEntryFlags, GetLE32(entry, kEntryFlags) | kAddedNoteFlag);
    }
}

}  // namespace

void NormaliseForSave(void* frame)
{
    if (frame == nullptr) return;
    const int32_t count = EntryCount(frame);
    for (int32_t j = 0; j < count; ++j) NormaliseEntry(EntryAt(frame, j));
}

}  // namespace frame
