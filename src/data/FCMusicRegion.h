// A rectangle of the score: staff slots by measures, each end refined to a
// position inside its measure. Used for the passage the user selected.
#pragma once

#include "core/FCBase.h"
#include "data/FCNoteEntry.h"

#include <cstddef>
#include <cstdint>

class FCMusicRegion : public __FCBase {
public:
    // The host's region record.
    static constexpr std::size_t kRecordSize = 20;

    FCMusicRegion() = default;

    const char* ClassName() const override;
    // Same staves (by staff number, so a reordering of the score does not
    // matter), measures and positions.
    virtual bool IsSameRegion(const FCMusicRegion* other) const;

    // Reads the host's current selection and the current document.
    void SetCurrentSelection();
    // True when the entry's measure, staff slot and position lie inside; both
    // ends are inclusive.
    bool IsEntryInRegion(const FCNoteEntry* entry) const;
    // Nothing is selected when both measures are 0.
    bool IsEmpty() const { return GetStartMeasure() == 0 && GetEndMeasure() == 0; }

    int16_t GetStartSlotContext() const;
    int16_t GetStartSlot() const;
    int16_t GetStartMeasure() const;
    int32_t GetStartPosition() const;
    int16_t GetEndSlotContext() const;
    int16_t GetEndSlot() const;
    int16_t GetEndMeasure() const;
    int32_t GetEndPosition() const;
    int32_t GetSlotCount() const { return GetEndSlot() - GetStartSlot() + 1; }
    int16_t GetDocument() const { return document_; }

    void SetStartSlotContext(int16_t value);
    void SetStartSlot(int16_t value);
    void SetStartMeasure(int16_t value);
    void SetStartPosition(int32_t value);
    void SetEndSlotContext(int16_t value);
    void SetEndSlot(int16_t value);
    void SetEndMeasure(int16_t value);
    void SetEndPosition(int32_t value);

    uint8_t* GetRecord() { return record_; }

private:
    uint8_t record_[kRecordSize] = {};
    int16_t document_ = 0;
};
