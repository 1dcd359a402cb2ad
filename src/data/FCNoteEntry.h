// One entry (note, chord or rest) of a loaded entry frame, and its notes.
// Both point into the frame: changes are made in place and reach the score
// when the cell that loaded the frame is saved.
#pragma once

#include "core/FCCollection.h"

#include <cstdint>

class FCNoteEntry;

class FCNote : public __FCBase {
public:
    FCNote(int32_t index, uint8_t* record, FCNoteEntry* entry);

    const char* ClassName() const override;

    int32_t GetIndex() const { return index_; }
    uint8_t* GetRecord() const { return record_; }
    FCNoteEntry* GetEntry() const { return entry_; }
    uint16_t GetNoteID() const;
    uint32_t GetFlags() const;

private:
    int32_t index_;
    uint8_t* record_;
    FCNoteEntry* entry_;
};

class FCNoteEntry : public __FCCollection {
public:
    FCNoteEntry(uint8_t* record, void* frame, int16_t measure, int16_t staff, FCNoteEntry* previous);

    const char* ClassName() const override;

    uint8_t* GetRecord() const { return record_; }
    void* GetFrame() const { return frame_; }
    int16_t GetMeasure() const { return measure_; }
    int16_t GetStaff() const { return staff_; }
    FCNoteEntry* GetPrevious() const { return previous_; }
    FCNoteEntry* GetNext() const { return next_; }
    void SetNext(FCNoteEntry* next) { next_ = next; }

    uint32_t GetEntryNumber() const;
    uint32_t GetFlags() const;
    void SetFlags(uint32_t flags);
    bool HasFlag(uint32_t mask) const { return (GetFlags() & mask) != 0; }
    void SetFlag(uint32_t mask, bool on);
    // The number of notes, never more than a record holds.
    int32_t GetNoteCount() const;
    int32_t GetPosition() const;
    int32_t GetSecondTiming() const;
    FCNote* GetNoteAt(int32_t index) const { return static_cast<FCNote*>(GetItemAt(index)); }

    // Rebuilds the note objects from the record.
    void BuildNotes();
    // The entry's place in a run of entries flagged 0x00800000 (0 for the
    // first), counted back within its frame and measure; -1 when unflagged.
    int32_t GetFlaggedRunIndex() const;

private:
    uint8_t* record_;
    void* frame_;
    int16_t measure_;
    int16_t staff_;
    FCNoteEntry* previous_;
    FCNoteEntry* next_ = nullptr;
};
