// The stand-in's fixed screen, so that tests can compute exact sizes:
// - one monitor, kScreenWidth x kScreenHeight pixels, no task bar;
// - a caption is kCaptionHeight pixels high; a thick (sizing) frame is
//   kSizeFrame pixels wide on each side, any other border 1 pixel;
// - dialog units become pixels with base units kBaseUnitX x kBaseUnitY
//   (x * kBaseUnitX / 4 and y * kBaseUnitY / 8, rounded as MulDiv rounds);
// - a dialog's client area is placed at its template position, taken from
//   its parent's client area (or from the screen's corner when it has none),
//   as Windows places it; its frame and caption lie around that.
#pragma once

namespace win32stub {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kCaptionHeight = 19;
constexpr int kSizeFrame = 4;
constexpr int kFullScreenHeight = kScreenHeight - kCaptionHeight;
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

}  // namespace win32stub
