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
        // Each part in one step: a long line costs time in proportion to its length.
        const uint32_t length = line->GetLength();
        key.AppendUnits(line->GetUTF16(), static_cast<uint32_t>(equals));
        value.AppendUnits(line->GetUTF16() + equals + 1, length - static_cast<uint32_t>(equals) - 1);
        // A key of only blanks is kept as an empty key, so that the line of
        // whoever wrote it survives the rewrite.
        pairs->Add(new FCSettingsPair(&key, &value));
    }
    return pairs;
}
