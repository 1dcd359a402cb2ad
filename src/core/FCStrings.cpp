#include "FCStrings.h"

#include "FCSettingsPairs.h"

static const char kStringsClassName[] = "FCStrings";

const char* FCStrings::ClassName() const
{
    return kStringsClassName;
}

FCString* FCStrings::GetStringAt(int32_t index) const
{
    return static_cast<FCString*>(GetItemAt(index));
}

FCSettingsPairs* FCStrings::CreateSettingsPairs() const
{
    FCSettingsPairs* pairs = new FCSettingsPairs();
    for (int32_t i = 0; i < GetCount(); ++i) {
        const FCString* line = GetStringAt(i);
        if (line == nullptr) continue;
        const int32_t equals = line->FindCString("=", 0);
        if (equals <= 0) continue;
        FCString key;
        FCString value;
        const int32_t length = static_cast<int32_t>(line->GetLength());
        for (int32_t p = 0; p < equals; ++p) key.AppendCharacter(line->GetCharAt(p));
        for (int32_t p = equals + 1; p < length; ++p) value.AppendCharacter(line->GetCharAt(p));
        pairs->Add(new FCSettingsPair(&key, &value));
    }
    return pairs;
}
