#include "Globals.h"

uint32_t gHostVersion = 0x12050000;

PerfcopySettings gPerfcopySettings = {};

FCUI* gUI = nullptr;

FCPerfcopyWindow* gPerfcopyWindow = nullptr;
