#include "FCHumanPlaybackPrefs.h"

#include "core/ByteAccess.h"

static const char kHumanPlaybackPrefsClassName[] = "FCHumanPlaybackPrefs";

const char* FCHumanPlaybackPrefs::ClassName() const
{
    return kHumanPlaybackPrefsClassName;
}

uint16_t FCHumanPlaybackPrefs::GetMode() const
{
    return GetLE16(data_, 12);
}
