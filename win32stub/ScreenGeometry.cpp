#include "ScreenGeometry.h"

#include <cstdint>

namespace win32stub {

namespace {

int MulDivRound(int value, int numerator, int denominator)
{
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

}  // namespace

int DialogUnitsToPixelsX(int units)
{
    return MulDivRound(units, kBaseUnitX, 4);
}

int DialogUnitsToPixelsY(int units)
{
    return MulDivRound(units, kBaseUnitY, 8);
}

}  // namespace win32stub
