// What every fuzz harness starts from: the simulated host registered as
// FINALE.EXE with the plug-in's module, on a fresh window model.
#pragma once

#include "FunctionTable.h"
#include "SimHost.h"
#include "Win32Stub.h"
#include "WindowModel.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// A broken property: reported like a crash, so that libFuzzer keeps the input.
inline void Require(bool property, const char* what)
{
    if (property) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// A folder of this process's own, removed when the fuzzer exits. The host
// names it as the settings folder, and it stands for the drive's root, so
// that nothing the plug-in writes lands outside it.
class OwnFolder {
public:
    OwnFolder()
    {
        path_ = (std::filesystem::temp_directory_path() / "qvfuzz-XXXXXX").string();
        Require(mkdtemp(path_.data()) != nullptr, "a folder of the fuzzer's own is made");
    }
    ~OwnFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;

    static const std::string& Path()
    {
        static const OwnFolder folder;
        return folder.path_;
    }

private:
    std::string path_;
};

inline simhost::Host& FreshHost()
{
    win32stub::ResetWindows();
    Win32StubSetDriveRoot(OwnFolder::Path());
    // A box nobody answers: as one that failed to appear.
    win32stub::SetUnansweredBoxHandler([](const win32stub::MessageBoxRecord&) { return 0; });
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.logCalls = false;
    host.finalePath = OwnFolder::Path();
    simhost::RegisterModule("FINALE.EXE");
    simhost::RegisterPluginModule();
    return host;
}

}  // namespace fuzz
