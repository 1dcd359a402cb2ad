// A picture of the whole screen, taken with GDI, for runs under Wine and
// Xvfb. The pictures are 24-bit BMP files; the test script converts them
// to PNG.
#pragma once

#include <string>

namespace qvtest {

bool SaveScreenshot(const std::string& path);
// The path for a picture of that name in the folder QV_SCREENSHOTS names
// (the current folder without it).
std::string ScreenshotPath(const char* name);

}  // namespace qvtest
