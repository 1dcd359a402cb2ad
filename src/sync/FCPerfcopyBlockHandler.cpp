#include "FCPerfcopyBlockHandler.h"

#include "data/EntryFrame.h"
#include "data/FCMusicRegion.h"
#include "data/FCNoteEntryCell.h"
#include "host/HostFunctions.h"

#include <vector>

namespace {

// current + percent x (source - current) / 100, in 32-bit arithmetic
// truncated toward zero, cut to 16 bits as stored.
int16_t MoveToward(int32_t current, int32_t source, int32_t percent)
{
    return static_cast<int16_t>(current + (percent * (source - current)) / 100);
}

}  // namespace

bool FCPerfcopyBlockHandler::Execute()
{
    FCMusicRegion region;
    region.SetCurrentSelection();
    bool result = false;
    for (int32_t measure = region.GetStartMeasure(); measure <= region.GetEndMeasure(); ++measure) {
        FCNoteEntryCell sourceCell(measure, SourceStaff);
        sourceCell.Load();
        for (int32_t slot = region.GetStartSlot(); slot <= region.GetEndSlot(); ++slot) {
            const int32_t staff = FX_SlotToInst(static_cast<int16_t>(slot), region.GetStartSlotContext());
            if (staff == SourceStaff) continue;
            FCNoteEntryCell destinationCell(measure, staff);
            destinationCell.Load();
            // Which destination entries take part does not depend on the
            // source entry: decided once per cell, not once per pair.
            std::vector<FCNoteEntry*> destinations;
            for (int32_t d = 0; d < destinationCell.GetCount(); ++d) {
                FCNoteEntry* destination = destinationCell.GetEntryAt(d);
                if (destination->HasFlag(frame::kSoundingFlag) && region.IsEntryInRegion(destination))
                    destinations.push_back(destination);
            }
            bool changed = false;
            for (int32_t s = 0; s < sourceCell.GetCount() && !destinations.empty(); ++s) {
                FCNoteEntry* source = sourceCell.GetEntryAt(s);
                if (!source->HasFlag(frame::kSoundingFlag)) continue;
                for (FCNoteEntry* destination : destinations) {
                    if (SyncEntries(source, destination)) changed = true;
                }
            }
            if (changed) {
                destinationCell.Save();
                result = true;
            }
        }
    }
    return result;
}

bool FCPerfcopyBlockHandler::SyncEntries(FCNoteEntry* source, FCNoteEntry* destination)
{
    const bool sourceRun = source->HasFlag(frame::kRunFlag);
    if (sourceRun != destination->HasFlag(frame::kRunFlag)) return false;
    if (sourceRun && source->GetFlaggedRunIndex() != destination->GetFlaggedRunIndex()) return false;
    if (source->GetPosition() != destination->GetPosition()) return false;
    if (!source->HasFlag(frame::kNotePerformanceFlag) && !destination->HasFlag(frame::kNotePerformanceFlag))
        return false;
    const bool copyEnd = UseEndTime != 0 && source->GetSecondTiming() == destination->GetSecondTiming();

    const int32_t s = source->GetCount();
    const int32_t d = destination->GetCount();
    // Without notes on either side there is nothing to pair.
    if (s == 0 || d == 0) return false;
    LoadSourceValues(source);
    if (s > 1 && d == 1) {
        return ApplyToAllNotes(destination, AverageOf(SourceVelocities, s), AverageOf(SourceStartTimes, s),
                               AverageOf(SourceEndTimes, s), copyEnd);
    }
    bool result = false;
    const int32_t pairs = s > d ? s : d;
    for (int32_t i = 0; i < pairs; ++i) {
        const int32_t from = i < s ? i : s - 1;
        const int32_t to = i < d ? i : d - 1;
        if (ApplyToNote(destination->GetNoteAt(to), SourceVelocities[from], SourceStartTimes[from],
                        SourceEndTimes[from], copyEnd)) {
            result = true;
        }
    }
    return result;
}

void FCPerfcopyBlockHandler::LoadSourceValues(FCNoteEntry* source)
{
    const int32_t count = source->GetCount();
    for (int32_t i = 0; i < count && i < frame::kMaxNotes; ++i) {
        FCPerformanceMod record;
        if (record.LoadForNote(source->GetNoteAt(i))) {
            SourceVelocities[i] = record.GetVelocity();
            SourceStartTimes[i] = record.GetStartOffset();
            SourceEndTimes[i] = record.GetEndOffset();
        } else {
            SourceVelocities[i] = 0;
            SourceStartTimes[i] = 0;
            SourceEndTimes[i] = 0;
        }
    }
}

bool FCPerfcopyBlockHandler::ApplyValues(FCPerformanceMod* record, int32_t sourceVelocity, int32_t sourceStart,
                                         int32_t sourceEnd, bool copyEnd)
{
    int32_t velocity = record->GetVelocity();
    int32_t start = record->GetStartOffset();
    const int32_t end = record->GetEndOffset();
    bool changed = false;
    if ((UseStartTime != 0 || UseVelocity != 0) && (sourceStart != start || sourceVelocity != velocity)) {
        if (UseStartTime != 0) {
            record->SetStartOffset(MoveToward(start, sourceStart, StartTimePercent));
            changed = true;
        }
        if (UseVelocity != 0) {
            record->SetVelocity(MoveToward(velocity, sourceVelocity, VelocityPercent));
            changed = true;
        }
    }
    if (copyEnd && sourceEnd != end) {
        record->SetEndOffset(MoveToward(end, sourceEnd, EndTimePercent));
        changed = true;
    }
    return changed;
}

bool FCPerfcopyBlockHandler::ApplyToNote(FCNote* note, int32_t velocity, int32_t start, int32_t end,
                                         bool copyEnd)
{
    FCPerformanceMod record;
    const bool loaded = record.LoadForNote(note);
    if (!ApplyValues(&record, velocity, start, end, copyEnd)) return false;
    if (loaded) {
        record.Save();
    } else {
        record.SaveForNote(note);
    }
    return true;
}

bool FCPerfcopyBlockHandler::ApplyToAllNotes(FCNoteEntry* destination, int32_t velocity, int32_t start,
                                             int32_t end, bool copyEnd)
{
    bool result = false;
    for (int32_t i = 0; i < destination->GetCount(); ++i) {
        if (ApplyToNote(destination->GetNoteAt(i), velocity, start, end, copyEnd)) result = true;
    }
    return result;
}

int32_t FCPerfcopyBlockHandler::AverageOf(const int32_t* values, int32_t count)
{
    if (values == nullptr || count <= 0) return 0;
    int32_t sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += values[i];
    return sum / count;
}
