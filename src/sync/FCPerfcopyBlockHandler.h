// The sync: copies per-note playback values from the notes of a source staff
// to the matching notes of every other staff in the selection, moving each
// destination value toward its source value by a percentage per field.
#pragma once

#include "data/FCNoteEntry.h"
#include "data/FCPerformanceMod.h"
#include "sync/FCUndoBlock.h"

#include <cstdint>

class FCPerfcopyBlockHandler : public __FCUndoBlockHandler {
public:
    // True when at least one destination cell was changed and saved.
    bool Execute() override;

    bool SyncEntries(FCNoteEntry* source, FCNoteEntry* destination);
    void LoadSourceValues(FCNoteEntry* source);
    // Moves the record's values toward the source values; true when it
    // changed the record in memory.
    bool ApplyValues(FCPerformanceMod* record, int32_t sourceVelocity, int32_t sourceStart,
                     int32_t sourceEnd, bool copyEnd);
    bool ApplyToAllNotes(FCNoteEntry* destination, int32_t velocity, int32_t start, int32_t end,
                         bool copyEnd);
    // The average of the first count values, truncated toward zero.
    static int32_t AverageOf(const int32_t* values, int32_t count);

    int16_t SourceStaff = 0;
    uint8_t UseVelocity = 0;
    int16_t VelocityPercent = 100;
    uint8_t UseStartTime = 0;
    int16_t StartTimePercent = 100;
    uint8_t UseEndTime = 0;
    int16_t EndTimePercent = 100;
    // The values of each note of the current source entry.
    int32_t SourceVelocities[12] = {};
    int32_t SourceStartTimes[12] = {};
    int32_t SourceEndTimes[12] = {};

private:
    // Applies the values to one destination note's record and writes it.
    bool ApplyToNote(FCNote* note, int32_t velocity, int32_t start, int32_t end, bool copyEnd);
};
