// The simulated host: the state behind the FX_ functions that the plug-in
// calls, a log of every call with the arguments it received, and the knobs
// tests use to make the host answer as they need.
#pragma once

#include "Score.h"
#include "host/HostFunctionTypes.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace simhost {

// One call of an FX_ function. `args` holds every argument in order as the
// host received it (pointers as addresses). For the record functions `key`
// holds the 8 key bytes (little-endian) as they were at entry, and for
// FX_LoadEData `sizeIn` holds the capacity the caller offered. `text` holds a
// text argument (an edit name, a dialog string), narrowed to 8 bits.
struct LoggedCall {
    LoggedCall(std::string name, std::vector<int64_t> arguments)
        : function(std::move(name)), args(std::move(arguments))
    {
    }

    std::string function;
    std::vector<int64_t> args;
    uint64_t key = 0;
    int64_t sizeIn = 0;
    std::string text;
};

class Host;

// Calls of one function and the time spent in them.
struct CallStatistics {
    int64_t calls = 0;
    int64_t nanoseconds = 0;
};

class Host {
public:
    // The one host of the process, the one the FX_ functions work on.
    static Host& Get();

    // Back to a new host: an empty score, default settings, empty log, no
    // forced results, the default Finale folder. Frames still handed out are
    // freed.
    void Reset();
    // The Finale folder every new host names (empty by default: then the
    // plug-in keeps its settings at the root of the drive). A host program
    // under Windows gives it a folder of its own run, since there the root
    // of the drive is the machine's.
    static void SetDefaultFinalePath(const std::string& path);
    ~Host();

    // The open document, and the version the host reports to
    // FinaleExtensionVersion (score.hostVersion).
    Score score;

    // The host's windows. The main window owns the plug-in's dialogs and
    // message boxes; while a modal dialog of the host's own is up, the main
    // window is disabled. FX_GetCurrentWindow answers the modal dialog when
    // there is one, else the main window.
    HWND mainWindow = nullptr;
    HWND modalDialog = nullptr;
    HWND OpenMainWindow();
    void CloseMainWindow();
    void BeginModalDialog();
    void EndModalDialog();
    HWND CurrentWindow() const { return modalDialog != nullptr ? modalDialog : mainWindow; }
    // What the host's frame sends the windows it owns when it is enabled or
    // disabled (message 0x036D); the plug-in's windows follow its state on it.
    void NotifyFloatingWindows();

    // The module whose dialog templates FX_Dialog creates dialogs from: the
    // plug-in the host loaded.
    HMODULE pluginModule = nullptr;
    // The dialogs FX_Dialog created, with the procedure and window object
    // each message is handed to.
    struct DialogBinding {
        FX_DialogProc procedure;
        void* owner;
    };
    std::map<HWND, DialogBinding> dialogs;
    // Creates the modeless dialog from the plug-in module's template, as
    // FX_Dialog does; null when there is no such template.
    HWND OpenPluginDialog(int16_t resource, FX_DialogProc procedure, HWND parent, void* owner);
    // The regions FX_RedrawMusic was asked to redraw, in order.
    std::vector<Region> redraws;

    // Misbehaviour on purpose, for tests of the plug-in's defences.
    // FX_CreateEData leaves key numbers given as -1 as they were.
    bool createLeavesKey = false;
    // The fault sweep: the host call with this number (from 1, counted over
    // every function since the last Reset) fails with its failure value, or,
    // with `nonsense`, answers nonsense: a size past the buffer, a key that
    // does not move, a negative count or slot.
    int64_t faultyCall = 0;
    bool nonsense = false;
    int64_t TotalCalls() const { return totalCalls_; }
    // The function the faulty call went to, once it happened.
    const std::string& FaultyFunction() const { return faultyFunction_; }
    // True while the current call is the faulty one and answers nonsense.
    bool NonsenseNow() const { return nonsense && faultyCall != 0 && totalCalls_ == faultyCall; }

    // A record call (FX_LoadEData, FX_SaveEData, FX_CreateEData,
    // FX_DeleteEData, FX_NextEData) that fails writes kScribble over every
    // buffer it was given: the key, the data and the size. A real host
    // promises nothing about them on failure; on by default.
    static constexpr uint8_t kScribble = 0xA5;
    bool scribblesOnFailure = true;

    // FX_NextEData goes round: after the last record it answers the first.
    bool nextGoesRound = false;
    // FX_LoadEData reports this many bytes more than the record holds.
    uint32_t extraReportedSize = 0;
    // FX_GetFinalePath and FX_AutoNumberedName_UTF16 fill the whole buffer
    // with text and leave no terminator in it.
    bool fillsTextBuffers = false;

    // The folder FX_GetFinalePath gives (UTF-8): 8-bit text for hosts below
    // version 0x11000000, UTF-16 from then on.
    std::string finalePath;

    // Records as the host reads them: the score's staff list (item 0 of the
    // system staves) always follows the staff order; all else is stored.
    const std::vector<uint8_t>* FindRecord(uint32_t tag, const uint8_t* key);
    bool NextRecord(uint32_t tag, uint8_t* key) const;

    // Entry frames handed out by FX_LoadTGF and not yet freed.
    std::size_t LiveFrameCount() const { return liveFrames_.size(); }
    // Frees of a frame already freed: a double free in a real host.
    std::size_t FramesFreedTwice() const { return framesFreedTwice_; }

    // The next `count` calls of the function from the nth on (1-based,
    // counted from the last Reset) return `value` instead of their own
    // answer; a void function does nothing for them.
    void ForceResult(const std::string& function, int64_t value, int64_t nth = 1,
                     int64_t count = INT32_MAX);
    // The nth call of the function fails: it answers 0 (or null) and does
    // nothing.
    void FailCall(const std::string& function, int64_t nth) { ForceResult(function, 0, nth, 1); }

    const std::vector<LoggedCall>& Calls() const { return calls_; }
    std::vector<LoggedCall> CallsTo(const std::string& function) const;
    // The function names of the log, in order, for sequence comparisons.
    std::vector<std::string> CallNames() const;
    void ClearLog() { calls_.clear(); }

    // Edits: the open edit's name, and the names of the edits that ended.
    // An ended edit is one undo step; a cancelled one leaves the score as it
    // was when the edit started.
    bool EditOpen() const { return editOpen_; }
    const std::vector<std::string>& EndedEdits() const { return endedEdits_; }
    int32_t CancelledEdits() const { return cancelledEdits_; }
    // The name of the edit started last, kept or not.
    const std::string& LastEditName() const { return editName_; }
    // The user's undo: restores the score as it was before the last kept
    // edit and answers that edit's name; empty when there is nothing to undo.
    std::optional<std::string> Undo();

    // Whether calls are kept in the log (they are always counted), and
    // whether the time spent in each function is measured (natively, where
    // the plug-in reaches the functions through timing wrappers).
    bool logCalls = true;
    bool timeCalls = false;
    // Calls and time per function since the last Reset.
    const std::map<std::string, CallStatistics>& Statistics() const { return statistics_; }

    // The stack's alignment where the FX_ functions were entered: bit n is
    // set once the host's frame lay 4 * n bytes past a 16-byte boundary.
    // Calls made with the stack aligned as the compiler keeps it all set
    // the same bit; a misaligned caller sets another.
    uint32_t stackPhases = 0;

    // Used by the FX_ functions: logs the call and answers the result a test
    // forced for it, which then replaces the function's own.
    std::optional<int64_t> Enter(LoggedCall call);
    void AddTime(const std::string& function, int64_t nanoseconds);

    void* LoadFrame(int16_t slot, int16_t measure, int32_t layer, int16_t slotContext);
    bool SaveFrame(void* frame);
    void FreeFrame(void* frame);

    void StartEdit(const std::string& name);
    void EndEdit();
    void CancelEdit();

private:
    struct Forced {
        int64_t value;
        int64_t first;
        int64_t last;
    };

    struct LiveFrame {
        FrameKey key;
        std::size_t bytes;
        std::size_t entries;
    };

    std::map<void*, LiveFrame> liveFrames_;
    // Every frame freed so far.
    std::set<void*> freedFrames_;
    std::size_t framesFreedTwice_ = 0;
    int64_t totalCalls_ = 0;
    std::string faultyFunction_;
    std::vector<uint8_t> listedStaff_;
    std::vector<LoggedCall> calls_;
    std::map<std::string, CallStatistics> statistics_;
    std::map<std::string, std::vector<Forced>> forced_;
    struct UndoStep {
        std::string name;
        Score before;
    };

    bool editOpen_ = false;
    std::string editName_;
    Score beforeEdit_;
    std::vector<UndoStep> undoSteps_;
    std::vector<std::string> endedEdits_;
    int32_t cancelledEdits_ = 0;
};

#ifndef _WIN32
// Registers the plug-in's module, "qvperfcopy.fxt", with its compiled
// resources, as the host's loading of the plug-in would, and makes it the
// module FX_Dialog takes templates from.
HMODULE RegisterPluginModule();
#endif

}  // namespace simhost
