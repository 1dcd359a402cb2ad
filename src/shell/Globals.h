// Process-wide state of the plug-in shell.
#pragma once

#include <cstdint>

// The host version handed to FinaleExtensionVersion. Framework code compares
// it with 0x10000000, 0x11000000 and 0x12000000 to choose between 8-bit and
// UTF-16 host calls and between record layouts.
extern uint32_t gHostVersion;

// The field choices of a sync: which values to copy and how far to move each
// destination value toward its source (0..100 percent).
struct PerfcopySettings {
    uint8_t UseVelocity;
    int32_t VelocityPercent;
    uint8_t UseStartTime;
    int32_t StartTimePercent;
    uint8_t UseEndTime;
    int32_t EndTimePercent;
};

extern PerfcopySettings gPerfcopySettings;

class FCUI;
class FCPerfcopyWindow;

// The host-window service of the first invocation, or null before it.
extern FCUI* gUI;
// The tool window, from the first invocation until termination.
extern FCPerfcopyWindow* gPerfcopyWindow;
