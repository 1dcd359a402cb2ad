// Key/value pairs of the shared settings file, in file order. Keys match
// without regard to ASCII case and keep the case they were stored with.
#pragma once

#include "core/FCCollection.h"
#include "core/FCString.h"

#include <cstdint>

class FCSettingsPair : public __FCBase {
public:
    // Copies of both texts, trimmed of spaces, tabs and line ends.
    FCSettingsPair(const FCString* key, const FCString* value);

    FCString* GetKey() { return &key_; }
    FCString* GetValue() { return &value_; }
    void SetValue(const FCString* value);

private:
    FCString key_;
    FCString value_;
};

class FCSettingsPairs : public __FCCollection {
public:
    const char* ClassName() const override;

    FCSettingsPair* GetPairAt(int32_t index) const
    {
        return static_cast<FCSettingsPair*>(GetItemAt(index));
    }
    // The first pair with that key, or null; the list keeps it.
    FCSettingsPair* Find(const FCString* key) const;
    // Changes the first pair with the key, or appends a new pair.
    FCSettingsPair* SetValue(const FCString* key, const FCString* value);
    FCSettingsPair* SetBoolValue(const FCString* key, bool flag);
    FCSettingsPair* SetIntValue(const FCString* key, int32_t number);
    // Replaces the settings file with every pair, one line each. The new
    // content is written completely beside the file first: when that or the
    // replacement fails, the file stays as it was and the answer is false.
    bool SaveToFile() const;
};
