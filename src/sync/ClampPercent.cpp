#include "ClampPercent.h"

int32_t ClampPercent(int32_t value)
{
    if (value < 0) return 0;
    if (value > 100) return 100;
    return value;
}
