// FINALE.EXE: a small host program built from the simulated host. It exports
// the FX_ functions, loads qvperfcopy.fxt and drives it as the host does:
// version, init and enumerate at start, invoke from its menu, terminate and
// unload at exit.
//
//   FINALE.EXE [--plugin DLL] [--parts A-B] [--measures C-D] [SCORE]
//                                              the host, to use by hand
//   FINALE.EXE --session FILE.json [--score S] [--settings F] [--output O]
//              [--settings-output F] [--screenshots DIR] [--timeout SECONDS]
//              [--parts A-B] [--measures C-D]
//                                              a scripted session, with its transcript
//   FINALE.EXE --measure                       figures for the benchmark notes
//   FINALE.EXE --cycles                        100 open/close cycles; fails if handles grow
//   FINALE.EXE --run-tests [gtest options]     the tests that run inside the host
#include <windows.h>

#include "HostMeasure.h"
#include "HostWindow.h"
#include "MessageBoxes.h"
#include "MusicXml.h"
#include "ScoreFormats.h"
#include "Session.h"
#include "SimHost.h"
#include "WineScreenshot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: FINALE.EXE [--plugin DLL] [--parts FIRST-LAST] [--measures FIRST-LAST] [SCORE]\n"
    "       FINALE.EXE --session FILE.json [--score SCORE] [--settings FILE] [--output OUT]\n"
    "                  [--settings-output FILE] [--screenshots FOLDER] [--timeout SECONDS]\n"
    "                  [--parts FIRST-LAST] [--measures FIRST-LAST]\n"
    "A score is a score file (.json) or MusicXML (.musicxml, .xml, .mxl). --parts and\n"
    "--measures select as musicians count: parts from 1, measures by their numbers.\n"
    "       FINALE.EXE --measure | --cycles\n"
    "       FINALE.EXE --run-tests [gtest options]\n";

// The step a scripted run is on, for the watchdog.
struct Watchdog {
    CRITICAL_SECTION lock;
    std::string step;
    size_t index = 0;
    std::atomic<DWORD> started{ 0 };
    DWORD limit = 60000;
};

Watchdog gWatchdog;

DWORD WINAPI WatchSteps(void*)
{
    for (;;) {
        Sleep(250);
        const DWORD started = gWatchdog.started.load();
        // Signed: under emulation this thread's clock may lag the one that
        // started the step, and an unsigned difference would wrap.
        if (started == 0 || static_cast<LONG>(GetTickCount() - started) < static_cast<LONG>(gWatchdog.limit)) continue;
        EnterCriticalSection(&gWatchdog.lock);
        std::fprintf(stderr, "FINALE.EXE: step %u (%s) did not finish within %lu s\n",
                     static_cast<unsigned>(gWatchdog.index + 1), gWatchdog.step.c_str(), gWatchdog.limit / 1000);
        LeaveCriticalSection(&gWatchdog.lock);
        std::fflush(stderr);
        std::fflush(stdout);
        ExitProcess(3);
    }
}

// The plug-in that --plugin names, else the DLL beside the program. The
// path is taken from the wide command line: the narrow arguments hold only
// what the ANSI code page can spell, and a folder such as "Fïnale" may not be.
std::wstring PluginPath()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring given;
    for (int i = 1; arguments != nullptr && i + 1 < count; ++i) {
        if (std::wcscmp(arguments[i], L"--plugin") == 0) given = arguments[++i];
    }
    LocalFree(arguments);
    if (!given.empty()) return given;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + L"qvperfcopy.fxt";
}

finale::Plugin gPlugin;

uint32_t __cdecl InvokeEntry(HWND window, uint32_t a, uint32_t b, uint32_t c)
{
    return gPlugin.invoke(window, a, b, c);
}

int RunInteractive(const std::string& scorePath, const std::string& parts,
                   const std::string& measures)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    if (!scorePath.empty()) {
        std::string error;
        if (!simhost::ReadScoreFile(scorePath, host.score, error)) {
            std::fprintf(stderr, "FINALE.EXE: %s\n", error.c_str());
            return 1;
        }
        if (!parts.empty() || !measures.empty()) {
            const std::optional<simhost::Region> region =
                simhost::SelectPartsAndMeasures(host.score, parts, measures, error);
            if (!region) {
                std::fprintf(stderr, "FINALE.EXE: %s: %s\n", scorePath.c_str(), error.c_str());
                return 2;
            }
            host.score.selection = *region;
        }
        const std::string encoding = simhost::EncodingNotice(host.score);
        if (!encoding.empty()) std::printf("%s\n", encoding.c_str());
        const std::string adjusted = simhost::AdjustedNotice(host.score);
        if (!adjusted.empty()) std::printf("%s\n", adjusted.c_str());
        const std::string leftOut = simhost::LeftOutNotice(host.score);
        if (!leftOut.empty()) std::printf("%s\n", leftOut.c_str());
    }
    char reason[512];
    if (!finale::LoadPlugin(PluginPath().c_str(), gPlugin, reason, sizeof reason)) {
        std::fprintf(stderr, "FINALE.EXE: %s\n", reason);
        return 1;
    }
    gPlugin.version(host.score.hostVersion);
    uint32_t flags = 0;
    gPlugin.init(0, &flags);
    if (finale::CreateHostWindow(gPlugin) == nullptr) {
        std::fprintf(stderr, "FINALE.EXE: cannot create the main window (Windows error %lu)\n", GetLastError());
        return 1;
    }
    finale::RunMessageLoop();
    gPlugin.terminate(0);
    FreeLibrary(gPlugin.module);
    return 0;
}

int RunScripted(const std::vector<std::string>& args)
{
    std::string sessionPath;
    std::string screenshots = ".";
    simhost::SessionFiles given;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--session" || arg == "--score" || arg == "--settings" || arg == "--output" ||
            arg == "--settings-output" || arg == "--screenshots" || arg == "--timeout" || arg == "--plugin" ||
            arg == "--parts" || arg == "--measures") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "FINALE.EXE: %s needs a value\n", arg.c_str());
                return 2;
            }
            const std::string& value = args[++i];
            if (arg == "--session") sessionPath = value;
            else if (arg == "--score") given.scorePath = value;
            else if (arg == "--settings") given.settingsPath = value;
            else if (arg == "--output") given.outputPath = value;
            else if (arg == "--settings-output") given.settingsOutputPath = value;
            else if (arg == "--screenshots") screenshots = value;
            else if (arg == "--plugin") continue;  // read wide by PluginPath
            else if (arg == "--parts") given.parts = value;
            else if (arg == "--measures") given.measures = value;
            else gWatchdog.limit = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10) * 1000);
        } else {
            std::fprintf(stderr, "FINALE.EXE: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    std::vector<std::string> steps;
    simhost::SessionFiles files;
    std::string error;
    if (!simhost::ReadSessionFile(sessionPath, steps, files, error)) {
        std::fprintf(stderr, "FINALE.EXE: %s\n", error.c_str());
        return 1;
    }
    simhost::TakeCommandLineFiles(files, given);
    // A damaged score or a selection it does not have is refused before
    // the plug-in is loaded.
    simhost::Score check;
    if (!simhost::ReadScoreFile(files.scorePath, check, error)) {
        std::fprintf(stderr, "FINALE.EXE: %s\n", error.c_str());
        return 1;
    }
    if ((!files.parts.empty() || !files.measures.empty()) &&
        !simhost::SelectPartsAndMeasures(check, files.parts, files.measures, error)) {
        std::fprintf(stderr, "FINALE.EXE: %s: %s\n", files.scorePath.c_str(), error.c_str());
        return 2;
    }
    char reason[512];
    if (!finale::LoadPlugin(PluginPath().c_str(), gPlugin, reason, sizeof reason)) {
        std::fprintf(stderr, "FINALE.EXE: %s\n", reason);
        return 1;
    }
    simhost::RecordBeepsOf(gPlugin.module);

    InitializeCriticalSection(&gWatchdog.lock);
    CreateThread(nullptr, 0, WatchSteps, nullptr, 0, nullptr);
    simhost::SessionHost programHost;
    programHost.openMainWindow = [] {
        simhost::Host::Get().pluginModule = gPlugin.module;
        return finale::CreateHostWindow(gPlugin);
    };
    programHost.invokeMenuCommand = [] {
        // Only through the plug-in's item, as a user would: without one the run stops.
        const HWND mainWindow = simhost::Host::Get().mainWindow;
        wchar_t text[128] = {};
        if (GetMenuStringW(GetMenu(mainWindow), finale::kPluginCommand, text, 128, MF_BYCOMMAND) <= 0) {
            std::fprintf(stderr, "FINALE.EXE: the menu has no item for the plug-in\n");
            std::fflush(stdout);
            std::fflush(stderr);
            ExitProcess(4);
        }
        SendMessageW(mainWindow, WM_COMMAND, finale::kPluginCommand, 0);
    };
    programHost.screenshot = [&screenshots](const std::string& name) {
        // Let every window paint before the picture is taken.
        RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
        GdiFlush();
        Sleep(100);
        qvtest::SaveScreenshot((screenshots + "\\" + name + ".bmp").c_str());
    };
    programHost.stepStarting = [](size_t index, const std::string& step) {
        EnterCriticalSection(&gWatchdog.lock);
        gWatchdog.index = index;
        gWatchdog.step = step;
        LeaveCriticalSection(&gWatchdog.lock);
        gWatchdog.started = GetTickCount() | 1;
    };
    const simhost::PluginEntries entries = { gPlugin.version, gPlugin.init, InvokeEntry, gPlugin.terminate };
    std::ostringstream out;
    std::ostringstream err;
    const int status = simhost::RunSession(entries, steps, files, out, err, programHost);
    gWatchdog.started = 0;
    std::fwrite(out.str().data(), 1, out.str().size(), stdout);
    std::fwrite(err.str().data(), 1, err.str().size(), stderr);
    FreeLibrary(gPlugin.module);
    return status;
}

}  // namespace

// A folder of this run's own for the plug-in's settings file, removed at
// the end: with no Finale folder named, the plug-in would keep it at the
// root of the drive, which under Wine is the machine's own root.
class RunFolder {
public:
    RunFolder()
    {
        std::error_code code;
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path folder =
                std::filesystem::temp_directory_path(code) / ("qvperfcopy-host-" + std::to_string(random()));
            if (!code && std::filesystem::create_directory(folder, code) && !code) path_ = folder.string();
        }
        simhost::Host::SetDefaultFinalePath(path_);
        simhost::Host::Get().finalePath = path_;
    }
    ~RunFolder()
    {
        std::error_code code;
        if (!path_.empty()) std::filesystem::remove_all(path_, code);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

private:
    std::string path_;
};

int main(int argc, char** argv)
{
    const RunFolder settings;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--run-tests") {
        ::testing::InitGoogleTest(&argc, argv);
        const int result = RUN_ALL_TESTS();
        // A filter or a build that leaves no test to run is a failure, not a pass.
        if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
            std::fprintf(stderr, "FINALE.EXE --run-tests: no test ran\n");
            return 1;
        }
        return result;
    }
    if (!args.empty() && args[0] == "--measure") return finale::Measure(PluginPath());
    if (!args.empty() && args[0] == "--cycles") return finale::MeasureCycles(PluginPath());
    for (const std::string& arg : args) {
        if (arg == "--session") return RunScripted(args);
    }
    std::string scorePath;
    std::string parts;
    std::string measures;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--plugin" && i + 1 < args.size()) {
            ++i;  // read wide by PluginPath
        } else if (args[i] == "--parts" && i + 1 < args.size()) {
            parts = args[++i];
        } else if (args[i] == "--measures" && i + 1 < args.size()) {
            measures = args[++i];
        } else if (args[i] == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (args[i].rfind("--", 0) == 0 || !scorePath.empty()) {
            std::fprintf(stderr, "FINALE.EXE: unexpected argument %s\n%s", args[i].c_str(), kUsage);
            return 2;
        } else {
            scorePath = args[i];
        }
    }
    return RunInteractive(scorePath, parts, measures);
}
