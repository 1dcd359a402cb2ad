#include "FCNoteEntryCell.h"

#include "core/ByteAccess.h"
#include "data/EntryFrame.h"
#include "host/HostFunctions.h"

static const char kCellClassName[] = "FCNoteEntryCell";

FCNoteEntryCell::FCNoteEntryCell(int32_t measure, int32_t staff)
    : measure_(measure), staff_(staff)
{
}

FCNoteEntryCell::~FCNoteEntryCell()
{
    ClearFrames();
}

const char* FCNoteEntryCell::ClassName() const
{
    return kCellClassName;
}

int32_t FCNoteEntryCell::LayerCount()
{
    int32_t count = FX_GetMaxLayers();
    return count > kMaxLayers ? kMaxLayers : count;
}

void* FCNoteEntryCell::GetFrame(int32_t layer) const
{
    if (layer < 0 || layer >= kMaxLayers) return nullptr;
    return frames_[layer];
}

int32_t FCNoteEntryCell::ClearFrames()
{
    ClearAll();
    for (void*& frame : frames_) {
        if (frame != nullptr) FX_FreeTGF(frame);
        frame = nullptr;
    }
    return LayerCount();
}

bool FCNoteEntryCell::Load()
{
    ClearFrames();
    // The layer count is asked anew for every layer.
    for (int32_t layer = 0; layer < LayerCount(); ++layer) {
        if (FX_GetShowLayer(layer) == 0) continue;
        int32_t slot = FX_InstToSlot(static_cast<int16_t>(staff_), 0);
        void* frame = FX_LoadTGF(0, static_cast<int16_t>(slot), static_cast<int16_t>(measure_), layer,
                                 loadOption_);
        if (frame == nullptr) {
            ClearFrames();
            return false;
        }
        frames_[layer] = frame;
    }
    BuildEntries();
    return true;
}

void FCNoteEntryCell::BuildEntries()
{
    ClearAll();
    for (void* frame : frames_) {
        if (frame == nullptr) continue;
        const int16_t measure = GetLE16Signed(frame, frame::kMeasure);
        const int16_t staff = static_cast<int16_t>(
            FX_SlotToInst(GetLE16Signed(frame, frame::kSlot), GetLE16Signed(frame, frame::kSlotContext)));
        FCNoteEntry* previous = nullptr;
        const int32_t count = frame::EntryCount(frame);
        for (int32_t j = 0; j < count; ++j) {
            FCNoteEntry* entry = new FCNoteEntry(frame::EntryAt(frame, j), frame, measure, staff, previous);
            entry->BuildNotes();
            if (previous != nullptr) previous->SetNext(entry);
            Add(entry);
            previous = entry;
        }
    }
}

bool FCNoteEntryCell::Save()
{
    bool result = true;
    for (int32_t layer = 0; layer < LayerCount(); ++layer) {
        void* frame = frames_[layer];
        if (frame == nullptr || GetLE16(frame, frame::kWriteGuard) != 0) continue;
        if (FX_SaveTGF(frame) == 0) result = false;
    }
    return result;
}
