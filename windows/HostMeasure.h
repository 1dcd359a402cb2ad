// Figures of the real DLL in Wine's user32: "&Apply" from click to redraw on
// the benchmark's score, the time to open the tool window on a score of 100
// staves and 30 groups, and the process's handles and GDI objects after 1
// and after 100 open/close cycles of the tool window. And the host runs they
// are made of, which the in-host tests use too.
#pragma once

#include <windows.h>

#include "HostWindow.h"
#include "Score.h"

#include <string>

namespace finale {

// A host run of the plug-in on the score: loads it, starts it as the host
// does (version, init) and opens the main window. False with a line on
// standard error when the DLL cannot be loaded.
bool Start(const std::wstring& pluginPath, const simhost::Score& score, Plugin& plugin);
// The plug-in's menu command, and the tool window it opened.
void OpenToolWindow();
HWND PluginDialog();
// Terminates and unloads the plug-in and closes the main window.
void Stop(Plugin& plugin);

int Measure(const std::wstring& pluginPath);
// Only the open/close cycles; fails when handles or GDI or USER objects grew.
int MeasureCycles(const std::wstring& pluginPath);

}  // namespace finale
