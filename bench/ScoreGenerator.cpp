#include "ScoreGenerator.h"

#include <random>

simhost::Score GenerateScore(const ScoreShape& shape)
{
    simhost::Score score;
    score.maxLayers = 4;
    for (int32_t layer = shape.layers; layer < score.maxLayers; ++layer) score.hiddenLayers.insert(layer);
    score.measureCount = shape.measures;
    for (int16_t staff = 1; staff <= shape.staves; ++staff) score.staffOrder.push_back(staff);

    std::mt19937 random(shape.seed);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    std::uniform_int_distribution<int> value(-60, 60);
    const int32_t step = 4096 / shape.entriesPerLayer;
    uint32_t number = 0;
    for (int16_t staff = 1; staff <= shape.staves; ++staff) {
        for (int16_t measure = 1; measure <= shape.measures; ++measure) {
            for (int32_t layer = 0; layer < shape.layers; ++layer) {
                for (int32_t j = 0; j < shape.entriesPerLayer; ++j) {
                    simhost::EntrySpec description;
                    description.number = ++number;
                    description.position = j * step;
                    description.secondTiming = step;
                    description.flags = 0x40000000;  // takes part in the sync
                    for (int32_t k = 0; k < shape.notesPerEntry; ++k) {
                        simhost::NoteSpec note{ static_cast<uint16_t>(k + 1), 0, std::nullopt };
                        if (share(random) < shape.shareWithData) {
                            simhost::Performance p;
                            p.velocity = static_cast<int16_t>(value(random));
                            p.start = static_cast<int16_t>(value(random));
                            p.end = static_cast<int16_t>(value(random));
                            note.performance = p;
                            description.flags |= 0x00020000;
                        }
                        description.notes.push_back(note);
                    }
                    score.AddEntry(staff, measure, layer, description);
                }
            }
        }
    }
    simhost::Region& all = score.selection;
    all.startSlot = 1;
    all.startMeasure = 1;
    all.startPosition = 0;
    all.endSlot = shape.staves;
    all.endMeasure = shape.measures;
    all.endPosition = 4096;
    return score;
}
