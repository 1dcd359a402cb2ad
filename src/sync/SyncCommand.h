// The sync command that "&Apply" runs: checks that a sync makes sense, asks
// where the result could surprise, and runs the sync as one undoable edit
// named after the destination.
#pragma once

#include "core/FCString.h"
#include "sync/SyncControls.h"

#include <cstdint>

void RunSyncCommand(const SyncControls& controls);

// "Perfcopy to " and the destination: the staff's name (or "staff #" and its
// number) for one staff, else the count and " staves". Caller owns.
FCString* CreateEditName(int32_t staffCount, int16_t firstStaff);
