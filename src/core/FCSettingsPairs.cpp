#include "FCSettingsPairs.h"

#include "core/FCFileStream.h"
#include "core/Platform.h"

#include <cstdio>

static const char kSettingsPairsClassName[] = "FCSettingsPairs";

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

// Replaces the file at path with the one at temporary.
bool ReplaceFile(const char* temporary, const char* path)
{
#ifdef _WIN32
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(temporary, path) == 0;
#endif
}

}  // namespace

bool FCSettingsPairs::SaveToFile() const
{
    FCTextFileStream* stream = CreateSettingsFileStream();
    FCString* path = stream->CreatePath();
    delete stream;
    FCString target(*path);
    FCString temporary(*path);
    temporary.AppendCString(".new");
    delete path;

    std::FILE* file = std::fopen(temporary.GetCString(), "w");
    if (file == nullptr) return false;
    bool written = true;
    for (int32_t i = 0; i < GetCount() && written; ++i) {
        FCSettingsPair* pair = GetPairAt(i);
        if (pair == nullptr) continue;
        FCString line(*pair->GetKey());
        line.AppendCString("=");
        line.Append(pair->GetValue());
        line.AppendCString("\n");
        written = std::fprintf(file, "%s", line.GetCString()) >= 0;
    }
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || !ReplaceFile(temporary.GetCString(), target.GetCString())) {
        std::remove(temporary.GetCString());
        return false;
    }
    return true;
}
