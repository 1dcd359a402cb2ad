#include "FCStrings.h"

static const char kStringsClassName[] = "FCStrings";

const char* FCStrings::ClassName() const
{
    return kStringsClassName;
}

FCString* FCStrings::GetStringAt(int32_t index) const
{
    return static_cast<FCString*>(GetItemAt(index));
}
