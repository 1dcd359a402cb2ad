// The layout of the host's entry frames, entry records and note records, as
// the plug-in reads and changes them in place.
#pragma once

#include "core/ByteAccess.h"

#include <cstdint>

namespace frame {

// Frame header.
constexpr size_t kSlotContext = 0;
constexpr size_t kSlot = 2;
constexpr size_t kMeasure = 6;
constexpr size_t kWriteGuard = 10;
constexpr size_t kFirstEntry = 14;  // 32-bit address of entry record 0
constexpr size_t kEntryCount = 18;
constexpr size_t kHeaderSize = 20;

// Entry record.
constexpr size_t kEntrySize = 146;
constexpr size_t kEntryNumber = 0;
constexpr size_t kEntryFlags = 8;
constexpr size_t kNoteCount = 14;
constexpr size_t kNotes = 16;
constexpr size_t kPosition = 136;
constexpr size_t kSecondTiming = 140;
constexpr int32_t kMaxNotes = 12;

// Note record.
constexpr size_t kNoteSize = 10;
constexpr size_t kNoteID = 4;
constexpr size_t kNoteFlags = 6;

// Entry flag bits.
constexpr uint32_t kNotePerformanceFlag = 0x00020000;   // notes carry performance records
constexpr uint32_t kEntryPerformanceFlag = 0x00400000;  // a record for the entry as a whole
constexpr uint32_t kRunFlag = 0x00800000;               // part of a counted run
constexpr uint32_t kAddedNoteFlag = 0x01000000;         // had no notes; one was added on save
constexpr uint32_t kSoundingFlag = 0x40000000;          // takes part in the sync

// Note flag given to the note record added to an entry without notes.
constexpr uint32_t kAddedNoteRecordFlags = 0x80000000;

// Entry records in a frame, and the frame's own fields.
uint8_t* EntryAt(void* frame, int32_t index);
int32_t EntryCount(const void* frame);

// The note count of an entry record, never more than a record holds.
int32_t NoteCount(const uint8_t* entry);
inline uint8_t* NoteAt(uint8_t* entry, int32_t index)
{
    return entry + kNotes + kNoteSize * static_cast<size_t>(index);
}

// Prepares a frame for saving: every note gets an ID of its own (nonzero),
// note flags carry the ID's low five bits, unused note records are zeroed,
// and an entry without notes gets one placeholder note record.
void NormaliseForSave(void* frame);

}  // namespace frame
