// A list of strings, such as the lines of a text file.
#pragma once

#include "FCCollection.h"
#include "FCString.h"

class FCSettingsPairs;

class FCStrings : public __FCCollection {
public:
    const char* ClassName() const override;

    // The string at index, or null outside the list.
    FCString* GetStringAt(int32_t index) const;
    // The key/value pairs of these lines, as a new list (caller owns): each
    // line with an "=" after its first character gives a pair.
    FCSettingsPairs* CreateSettingsPairs() const;
};
