// Percentages are whole numbers from 0 to 100.
#pragma once

#include <cstdint>

int32_t ClampPercent(int32_t value);
