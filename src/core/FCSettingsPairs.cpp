#include "FCSettingsPairs.h"

#include "core/FCFileStream.h"
#include "core/Platform.h"

#include <cstdio>
#ifndef _WIN32
#include <filesystem>
#endif

static const char kSettingsPairsClassName[] = "FCSettingsPairs";

// Each line ends as a text file's line does on the system.
#ifdef _WIN32
static const char kLineEnd[] = "\r\n";
#else
static const char kLineEnd[] = "\n";
#endif

FCSettingsPair::FCSettingsPair(const FCString* key, const FCString* value)
{
    key_.SetString(key);
    value_.SetString(value);
    key_.Trim();
    value_.Trim();
}

void FCSettingsPair::SetValue(const FCString* value)
{
    value_.SetString(value);
}

const char* FCSettingsPairs::ClassName() const
{
    return kSettingsPairsClassName;
}

FCSettingsPair* FCSettingsPairs::Find(const FCString* key) const
{
    for (int32_t i = 0; i < GetCount(); ++i) {
        FCSettingsPair* pair = GetPairAt(i);
        if (pair != nullptr && pair->GetKey()->CompareNoCase(key) == 0) return pair;
    }
    return nullptr;
}

FCSettingsPair* FCSettingsPairs::SetValue(const FCString* key, const FCString* value)
{
    if (FCSettingsPair* pair = Find(key)) {
        pair->SetValue(value);
        return pair;
    }
    FCSettingsPair* pair = new FCSettingsPair(key, value);
    Add(pair);
    return pair;
}

FCSettingsPair* FCSettingsPairs::SetBoolValue(const FCString* key, bool flag)
{
    FCString value(flag ? "1" : "0");
    return SetValue(key, &value);
}

FCSettingsPair* FCSettingsPairs::SetIntValue(const FCString* key, int32_t number)
{
    FCString value;
    value.SetInteger(number);
    return SetValue(key, &value);
}

namespace {

#ifdef _WIN32

// The file the settings are written to; its attributes, or
// INVALID_FILE_ATTRIBUTES when it does not exist yet.
bool PrepareTarget(FCString& path, DWORD& attributes)
{
    attributes = GetFileAttributesA(path.GetCString());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// Replaces the file at path with the one at temporary, which takes over the
// old file's attributes.
bool ReplaceFile(const char* temporary, const char* path, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(temporary, attributes);
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

using Attributes = std::filesystem::perms;

// Follows a symbolic link to the file it names, so that the link stays;
// false when the file exists but its mode lets nobody write it.
bool PrepareTarget(FCString& path, Attributes& mode)
{
    std::error_code error;
    const std::filesystem::path named(Win32StubLocalFileName(path.GetCString()));
    std::filesystem::path target = named;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(named, error))) {
        target = std::filesystem::weakly_canonical(named, error);
        if (error) return false;
        path.SetCString(target.string().c_str());
    }
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    mode = std::filesystem::perms::unknown;
    if (!std::filesystem::exists(status)) return true;
    mode = status.permissions();
    const Attributes writable =
        std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write;
    return (mode & writable) != std::filesystem::perms::none;
}

// Replaces the file at path with the one at temporary, which takes over the
// old file's mode.
bool ReplaceFile(const char* temporary, const char* path, Attributes mode)
{
    std::error_code error;
    const std::string from = Win32StubLocalFileName(temporary);
    if (mode != std::filesystem::perms::unknown) std::filesystem::permissions(from, mode, error);
    return std::rename(from.c_str(), Win32StubLocalFileName(path).c_str()) == 0;
}

#endif

}  // namespace

bool FCSettingsPairs::SaveToFile() const
{
    FCTextFileStream* stream = CreateSettingsFileStream();
    FCString* path = stream->CreatePath();
    delete stream;
    FCString target(*path);
    delete path;
#ifdef _WIN32
    DWORD attributes = 0;
#else
    Attributes attributes = std::filesystem::perms::unknown;
#endif
    // A file that may not be written stays as it is.
    if (!PrepareTarget(target, attributes)) return false;
    FCString temporary(target);
    temporary.AppendCString(".new");

    std::FILE* file = _fsopen(temporary.GetCString(), "wb", _SH_DENYNO);
    if (file == nullptr) return false;
    bool written = true;
    for (int32_t i = 0; i < GetCount() && written; ++i) {
        FCSettingsPair* pair = GetPairAt(i);
        if (pair == nullptr) continue;
        FCString line(*pair->GetKey());
        line.AppendCString("=");
        line.Append(pair->GetValue());
        line.AppendCString(kLineEnd);
        // The whole line, zero bytes included.
        const size_t length = line.GetLength();
        written = std::fwrite(line.GetCString(), 1, length, file) == length;
    }
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || !ReplaceFile(temporary.GetCString(), target.GetCString(), attributes)) {
        DeleteFileA(temporary.GetCString());
        return false;
    }
    return true;
}
