// The tool window's place and size and the field choices, kept in the shared
// settings file between runs of the host.
#pragma once

class FCUserWindow;

// Reads the settings into gPerfcopySettings and the window's stored
// geometry. A missing file leaves the defaults.
void LoadWindowSettings(FCUserWindow* window);
// Writes gPerfcopySettings and the window's stored geometry into the
// settings file, keeping every other line. Creates no file.
void SaveWindowSettings(FCUserWindow* window);
