#include "FCFileStream.h"

#include "core/ByteAccess.h"
#include "core/Platform.h"
#include "host/HostFunctions.h"
#include "shell/Globals.h"

#include <cstring>
#include <vector>

FCFileStream::FCFileStream()
{
    std::memset(folder_, 0, sizeof folder_);
}

FCFileStream::~FCFileStream()
{
    Close();
}

void FCFileStream::Close()
{
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

FCString* FCFileStream::CreatePath() const
{
    FCString* path = new FCString();
    if (gHostVersion < 0x11000000) {
        path->SetCString(reinterpret_cast<const char*>(folder_));
    } else {
        uint16_t units[kFolderRecordSize / 2];
        for (size_t i = 0; i < kFolderRecordSize / 2; ++i) units[i] = GetLE16(folder_, 2 * i);
        path->SetUTF16(units);
    }
    path->AppendCharacter('\\');
    path->Append(&fileName_);
    return path;
}

bool FCFileStream::Open(const char* mode)
{
    if (file_ != nullptr) return false;  // a stream is opened once
    FCString* path = CreatePath();
    file_ = _fsopen(path->GetCString(), mode, _SH_DENYNO);
    delete path;
    return file_ != nullptr;
}

// Binary mode: the stream handles line ends itself, and a byte 0x1A is a
// character like any other, not the end of the file.
bool FCTextFileStream::OpenRead()
{
    return Open("rb");
}

bool FCTextFileStream::OpenWrite()
{
    return Open("w+b");
}

FCString* FCTextFileStream::ReadLine()
{
    if (File() == nullptr) return nullptr;
    int byte = std::fgetc(File());
    if (byte == EOF) return nullptr;
    // The line is gathered first and stored in one step, so that a long
    // line costs time in proportion to its length.
    std::vector<uint16_t> units;
    while (byte != EOF && byte != '\n' && byte != '\r') {
        units.push_back(static_cast<uint16_t>(byte));
        byte = std::fgetc(File());
    }
    FCString* line = new FCString();
    line->AppendUnits(units.data(), static_cast<uint32_t>(units.size()));
    return line;
}

FCStrings* FCTextFileStream::ReadAllLines()
{
    if (File() == nullptr) return nullptr;
    FCStrings* lines = new FCStrings();
    while (FCString* line = ReadLine()) {
        line->TrimLineEnds();
        lines->Add(line);
    }
    return lines;
}

FCTextFileStream* CreateSettingsFileStream()
{
    FCTextFileStream* stream = new FCTextFileStream();
    uint8_t* folder = stream->GetFolderRecord();
    FX_GetFinalePath(gHostVersion < 0x10000000 ? 7 : 15, folder);
    // Whatever the host wrote, the text ends inside the record.
    folder[FCFileStream::kFolderRecordSize - 2] = 0;
    folder[FCFileStream::kFolderRecordSize - 1] = 0;
    stream->SetFileName("qvpluginprefs.txt");
    return stream;
}
