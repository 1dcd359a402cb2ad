// Builds scores of any size for the benchmark: every staff has the same
// rhythm, so every destination entry finds a source entry.
#pragma once

#include "Score.h"

#include <cstdint>

struct ScoreShape {
    int16_t staves = 9;            // staff 1 is the source
    int16_t measures = 40;
    int32_t layers = 2;            // filled and shown; the host has 4
    int32_t entriesPerLayer = 8;   // per measure
    int32_t notesPerEntry = 2;
    double shareWithData = 0.5;    // of notes that already carry performance data
    uint32_t seed = 1;

    int64_t DestinationNotes() const
    {
        return static_cast<int64_t>(staves - 1) * measures * layers * entriesPerLayer * notesPerEntry;
    }
};

// A score of that shape with everything selected.
simhost::Score GenerateScore(const ScoreShape& shape);
