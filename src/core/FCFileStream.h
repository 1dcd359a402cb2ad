// File streams over the C library, and the text file of shared settings.
#pragma once

#include "core/FCString.h"
#include "core/FCStrings.h"

#include <cstdint>
#include <cstdio>

class __FCBaseStream : public __FCBase {
public:
    virtual bool OpenRead() = 0;
    virtual bool OpenWrite() = 0;
};

class FCFileStream : public __FCBaseStream {
public:
    // The folder record: 8-bit text on hosts below version 0x11000000,
    // UTF-16 (at most 260 units) from then on.
    static constexpr size_t kFolderRecordSize = 520;

    FCFileStream();
    ~FCFileStream() override;
    FCFileStream(const FCFileStream&) = delete;
    FCFileStream& operator=(const FCFileStream&) = delete;

    // Closes the file if it is open.
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    uint8_t* GetFolderRecord() { return folder_; }
    void SetFileName(const char* name) { fileName_.SetCString(name); }
    // The folder as text, a backslash, and the file name.
    FCString* CreatePath() const;

protected:
    // Opens the file at CreatePath with the C library mode.
    bool Open(const char* mode);
    FILE* File() const { return file_; }

private:
    uint8_t folder_[kFolderRecordSize];
    FCString fileName_;
    FILE* file_ = nullptr;
};

class FCTextFileStream : public FCFileStream {
public:
    bool OpenRead() override;
    bool OpenWrite() override;
    // The next line without its line end, as a new string (caller owns), or
    // null at the end of the file.
    virtual FCString* ReadLine();

    // Every remaining line as a new list (caller owns); null when the file
    // is not open.
    FCStrings* ReadAllLines();
};

// A new stream (caller owns) for the settings file "qvpluginprefs.txt" in the
// host's settings folder. Nothing is opened yet.
FCTextFileStream* CreateSettingsFileStream();
