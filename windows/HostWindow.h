// The main window of FINALE.EXE, the small host program: a menu built from
// the plug-in's menu record, Edit > Undo, commands that switch the current
// part and document, a modal dialog of the host's own, and a plain view of
// the selected passage that shows each note's playback values.
#pragma once

#include <windows.h>

#include <cstdint>

namespace finale {

// Menu command numbers.
enum Command : UINT {
    kPluginCommand = 100,  // the plug-in's menu item
    kUndoCommand = 101,
    kNextPartCommand = 102,
    kNextDocumentCommand = 103,
    kHostDialogCommand = 104,
    kExitCommand = 105,
};

// The plug-in's entry points as the host calls them.
struct Plugin {
    HMODULE module = nullptr;
    uint32_t(__cdecl* version)(uint32_t hostVersion) = nullptr;
    uint32_t(__cdecl* init)(uint32_t unused, uint32_t* flags) = nullptr;
    uint32_t(__cdecl* enumerateUTF16)(uint32_t unused, uint32_t index, void* record) = nullptr;
    uint32_t(__cdecl* invoke)(HWND hostWindow, uint32_t, uint32_t, uint32_t) = nullptr;
    void(__cdecl* terminate)(uint32_t unused) = nullptr;
};

// Loads the DLL and finds its entry points; false with a one-line reason.
bool LoadPlugin(const wchar_t* path, Plugin& plugin, char* reason, size_t reasonSize);

// Creates the main window with the plug-in's menu item (from its UTF-16
// menu record) and makes it the simulated host's main window.
HWND CreateHostWindow(const Plugin& plugin);

// The host's message loop: the plug-in's modeless dialog gets its keys
// (IsDialogMessage). Returns when the main window is gone.
int RunMessageLoop();

}  // namespace finale
