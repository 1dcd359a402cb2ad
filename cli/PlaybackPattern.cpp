#include "PlaybackPattern.h"

#include <utility>
#include <vector>

std::size_t GiveFirstStaffPattern(simhost::Score& score)
{
    if (score.staffOrder.empty()) return 0;
    static const int16_t kStarts[] = { 0, 32, -32, 64 };
    static const int16_t kEnds[] = { 0, -64, -128 };
    static const int16_t kVelocities[] = { 10, -10, 20, -20, 0 };
    const int16_t staff = score.staffOrder.front();
    std::vector<std::pair<uint32_t, uint16_t>> notes;
    for (const auto& frame : score.frames) {
        if (std::get<0>(frame.first) != staff) continue;
        for (const simhost::EntryBytes& e : frame.second.entries) {
            if ((simhost::entry::Flags(e) & simhost::kSoundingFlag) == 0) continue;
            for (int32_t k = 0; k < simhost::entry::NoteCount(e) && k < simhost::kNotesPerEntry; ++k)
                notes.emplace_back(simhost::entry::Number(e), simhost::entry::NoteID(e, k));
        }
    }
    for (std::size_t k = 0; k < notes.size(); ++k) {
        simhost::Performance values;
        values.start = kStarts[k % 4];
        values.end = kEnds[k % 3];
        values.velocity = kVelocities[k % 5];
        score.SetPerformance(notes[k].first, notes[k].second, values);
    }
    return notes.size();
}
