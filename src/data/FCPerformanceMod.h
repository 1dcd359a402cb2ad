// The per-note playback record: start-time offset, end-time offset and key
// velocity change of one note, stored under the note's entry and told apart
// from the entry's other records by the note ID.
#pragma once

#include "data/FCBaseData.h"
#include "data/FCNoteEntry.h"

#include <cstdint>

class FCPerformanceMod : public __FCEntryDetailNoteID {
public:
    static constexpr uint32_t kTag = 0x65646163;  // 'edac'
    static constexpr uint32_t kVersion = 0x07000000;
    static constexpr uint32_t kDataSize = 10;

    FCPerformanceMod();

    const char* ClassName() const override;

    void* AllocateData() override { return data_; }
    __FCBaseData* CreateObject() const override { return new FCPerformanceMod(); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetVersion() const override { return kVersion; }
    uint32_t GetDataSize() const override { return kDataSize; }
    uint32_t GetLoadedSize() const override { return kDataSize; }
    bool Reload() override;
    bool LoadFirst() override;
    // The next record of the same entry, never of another.
    bool LoadNext() override;

    virtual bool Load(uint32_t entryNumber, int16_t inci);
    virtual void SetNoteEntry(FCNoteEntry* entry);
    // Creates a record for the attached entry as a whole.
    virtual bool SaveNew();
    virtual void SetEntryFlag(FCNoteEntry* entry, bool on);
    virtual void SetNoteID(uint16_t noteID);
    virtual bool IsNoteIDMatch(const void* data, uint16_t noteID) const;
    virtual void SetNoteFlag(FCNote* note, bool on);
    virtual bool HasNoteFlag(FCNote* note) const;

    // The inci of the first record of the entry for that note, or -1.
    int16_t FindInciForNoteID(FCNoteEntry* entry, uint16_t noteID) const;
    // The inci of the attached entry's last record, or -1.
    int16_t FindLastInci() const;
    bool LoadForNote(FCNote* note);
    // Writes this record as the note's record, creating it when missing.
    bool SaveForNote(FCNote* note);

    FCNoteEntry* GetNoteEntry() const { return entry_; }
    uint16_t GetNoteID() const;
    int16_t GetStartOffset() const;
    void SetStartOffset(int16_t value);
    int16_t GetEndOffset() const;
    void SetEndOffset(int16_t value);
    int16_t GetVelocity() const;
    void SetVelocity(int16_t value);

private:
    static uint32_t EntryNumberOf(const FCNoteEntry* entry);

    FCNoteEntry* entry_ = nullptr;
    uint8_t data_[kDataSize] = {};
};
