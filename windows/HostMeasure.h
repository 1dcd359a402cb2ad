// Figures of the real DLL in Wine's user32: "&Apply" from click to redraw on
// the benchmark's score, the time to open the tool window on a score of 100
// staves and 30 groups, and the process's handles and GDI objects after 1
// and after 100 open/close cycles of the tool window.
#pragma once

#include <string>

namespace finale {

int Measure(const std::wstring& pluginPath);
// Only the open/close cycles; fails when handles or GDI or USER objects grew.
int MeasureCycles(const std::wstring& pluginPath);

}  // namespace finale
