// The entries of one measure of one staff: the frames of the layers the host
// shows, loaded together, with an FCNoteEntry per entry in layer order.
#pragma once

#include "core/FCCollection.h"
#include "data/FCNoteEntry.h"

#include <cstdint>

class __FCNoteEntryCollection : public __FCCollection {
public:
    FCNoteEntry* GetEntryAt(int32_t index) const
    {
        return static_cast<FCNoteEntry*>(GetItemAt(index));
    }
};

class FCNoteEntryCell : public __FCNoteEntryCollection {
public:
    // The most layers a cell holds; layers the host counts beyond are ignored.
    static constexpr int32_t kMaxLayers = 20;

    FCNoteEntryCell(int32_t measure, int32_t staff);
    ~FCNoteEntryCell() override;

    const char* ClassName() const override;

    // Loads every shown layer; on a failed layer frees all and answers false.
    bool Load();
    // Saves every loaded frame that is not write-guarded; false if any save
    // failed, after trying them all.
    bool Save();
    // Destroys the entries and frees the frames; answers the layer count.
    int32_t ClearFrames();

    int32_t GetMeasure() const { return measure_; }
    int32_t GetStaff() const { return staff_; }
    void* GetFrame(int32_t layer) const;

private:
    static int32_t LayerCount();
    void BuildEntries();

    void* frames_[kMaxLayers] = {};
    int32_t measure_;
    int32_t staff_;
    // Passed to the host with every frame load; cells always load the layers
    // the host shows.
    uint8_t loadOption_ = 1;
};
