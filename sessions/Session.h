// A scripted session of the real plug-in in the simulated host: the menu
// command, clicks, typing, list choices, answers to message boxes, time
// passing, part switches and resizes, one step per line. It prints a
// transcript of what a person would see and what changed in the score.
//
// Steps (lines of the list are counted from 1, as a person counts them):
//   invoke                   the menu command "QV Perfcopy..."
//   choose N                 click line N of the staff list
//   check F / uncheck F      F is Velocity, Start Time or End Time
//   type F TEXT              type TEXT into F's percentage
//   select S:M:P-S:M:P       select slots, measures and positions; select none
//   select parts A-B measures C-D
//                            select parts and measures as musicians count
//                            them (either half may be left out: all)
//   answer yes|no|ok         the answer to the next message box
//   click &Apply / &Close    click a button
//   closebox                 click the window's close box
//   wait MS                  let MS milliseconds pass
//   part N / document N      the host's current part or document changes
//   resize DW DH             drag the window's frame by DW x DH pixels
//   hostmodal on|off         the host shows (hides) a modal dialog of its own
//   undo                     the host's Edit > Undo
//   screenshot NAME          a picture of the screen (under Wine; nothing natively)
//   terminate                the host unloads the plug-in
//
// Geometry is reported relative to where the host places a new dialog and
// to the template's size, so that a session gives the same transcript on
// the stand-in and in Wine, whose fonts make other pixel sizes.
#pragma once

#include "Score.h"
#include "SessionFile.h"
#include "core/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace simhost {

// The plug-in's entry points as the host calls them.
struct PluginEntries {
    uint32_t(QV_CDECL* version)(uint32_t hostVersion);
    uint32_t(QV_CDECL* init)(uint32_t unused, uint32_t* flags);
    uint32_t(QV_CDECL* invoke)(HWND hostWindow, uint32_t, uint32_t, uint32_t);
    void(QV_CDECL* terminate)(uint32_t unused);
};

// What a host program adds to a session; each may be left empty.
struct SessionHost {
    // Opens the host's main window after the host is set up (default: the
    // simulated host's plain one).
    std::function<HWND()> openMainWindow;
    // The menu command: default, the invoke entry point with the main window.
    std::function<void()> invokeMenuCommand;
    // Takes a picture of the screen under the name (the step "screenshot").
    std::function<void(const std::string& name)> screenshot;
    // Told before each step, with its index from 0.
    std::function<void(size_t index, const std::string& step)> stepStarting;
};

// Runs the steps. A step that cannot be carried out (unknown, a line or
// button that is not there, a box with no answer, a disabled button) stops
// the session with one line on err naming the step. Answers 0 for a
// complete session, 1 for a file that could not be read or written, 2 for
// a step that failed. Nothing is written then, and no input file changes.
int RunSession(const PluginEntries& plugin, const std::vector<std::string>& steps, const SessionFiles& files,
               std::ostream& out, std::ostream& err, const SessionHost& programHost = SessionHost());

// The lines of the open tool window's staff list as a person reads them;
// empty when no tool window is open (for a program's SessionHost hooks).
std::vector<std::string> ToolWindowStaffList();

// SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION, slots and measures from 1;
// nothing when the text is not that.
std::optional<Region> ParseSelection(const std::string& text);

// What a run leaves, for the sweep to check: every line of a settings text
// that is not the plug-in's own, in order.
std::vector<std::string> OtherPluginsLines(const std::string& settings);

}  // namespace simhost
