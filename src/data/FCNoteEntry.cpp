#include "FCNoteEntry.h"

#include "core/ByteAccess.h"
#include "data/EntryFrame.h"

static const char kNoteClassName[] = "FCNote";
static const char kNoteEntryClassName[] = "FCNoteEntry";

FCNote::FCNote(int32_t index, uint8_t* record, FCNoteEntry* entry)
    : index_(index), record_(record), entry_(entry)
{
}

const char* FCNote::ClassName() const
{
    return kNoteClassName;
}

uint16_t FCNote::GetNoteID() const
{
    return GetLE16(record_, frame::kNoteID);
}

uint32_t FCNote::GetFlags() const
{
    return GetLE32(record_, frame::kNoteFlags);
}

FCNoteEntry::FCNoteEntry(uint8_t* record, void* frame, int16_t measure, int16_t staff,
                         FCNoteEntry* previous)
    : record_(record), frame_(frame), measure_(measure), staff_(staff), previous_(previous)
{
}

const char* FCNoteEntry::ClassName() const
{
    return kNoteEntryClassName;
}

uint32_t FCNoteEntry::GetEntryNumber() const
{
    return GetLE32(record_, frame::kEntryNumber);
}

uint32_t FCNoteEntry::GetFlags() const
{
    return GetLE32(record_, frame::kEntryFlags);
}

void FCNoteEntry::SetFlags(uint32_t flags)
{
    SetLE32(record_, frame::kEntryFlags, flags);
}

void FCNoteEntry::SetFlag(uint32_t mask, bool on)
{
    SetFlags(on ? (GetFlags() | mask) : (GetFlags() & ~mask));
}

int32_t FCNoteEntry::GetNoteCount() const
{
    return frame::NoteCount(record_);
}

int32_t FCNoteEntry::GetPosition() const
{
    return GetLE32Signed(record_, frame::kPosition);
}

int32_t FCNoteEntry::GetSecondTiming() const
{
    return GetLE32Signed(record_, frame::kSecondTiming);
}

void FCNoteEntry::BuildNotes()
{
    ClearAll();
    const int32_t count = GetNoteCount();
    for (int32_t k = 0; k < count; ++k) Add(new FCNote(k, frame::NoteAt(record_, k), this));
}

int32_t FCNoteEntry::GetFlaggedRunIndex() const
{
    if (!HasFlag(frame::kRunFlag)) return -1;
    int32_t count = 0;
    for (const FCNoteEntry* entry = previous_; entry != nullptr; entry = entry->previous_) {
        if (entry->measure_ != measure_ || !entry->HasFlag(frame::kRunFlag)) break;
        ++count;
    }
    return count;
}
