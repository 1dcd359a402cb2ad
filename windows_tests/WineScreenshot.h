// A picture of the whole screen, taken with GDI, for the tests run under
// Wine and Xvfb. The pictures go to the folder in QV_SCREENSHOTS (or the
// current folder) as 24-bit BMP files; the test script converts them to PNG.
#pragma once

namespace qvtest {

bool SaveScreenshot(const char* name);

}  // namespace qvtest
