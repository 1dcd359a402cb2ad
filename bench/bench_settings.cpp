// Times a load and a save of the shared settings file with one long line of
// another plug-in, as the tool window's construction and the host's unload
// do. Prints figures; checks nothing by time.
#include "FunctionTable.h"
#include "SimHost.h"
#include "core/FCFileStream.h"
#include "core/FCSettingsPairs.h"

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::string folder = (std::filesystem::temp_directory_path() / "qvperfcopy-bench-settings-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::fprintf(stderr, "bench_settings: cannot make a folder in the temporary folder\n");
        return 1;
    }
    const std::string path = folder + "/qvpluginprefs.txt";
    simhost::Host::Get().finalePath = folder;
    simhost::RegisterModule("FINALE.EXE");
    std::printf("Settings file with one long line of another plug-in: load (read, pairs) and save\n");
    const std::vector<size_t> lengths = quick ? std::vector<size_t>{ 10000 }
                                              : std::vector<size_t>{ 100000, 400000, 1000000, 4000000 };
    for (size_t length : lengths) {
        std::ofstream(path, std::ios::binary) << "OTHER=" << std::string(length, 'x') << "\nQVPERFCOPY_VELOCITY=5\n";
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
        stream->OpenRead();
        std::unique_ptr<FCStrings> lines(stream->ReadAllLines());
        stream->Close();
        std::unique_ptr<FCSettingsPairs> pairs(lines->CreateSettingsPairs());
        const auto loaded = std::chrono::steady_clock::now();
        FCString key("QVPERFCOPY_VELOCITY");
        pairs->SetIntValue(&key, 60);
        const bool saved = pairs->SaveToFile();
        const auto end = std::chrono::steady_clock::now();
        std::printf("  %8zu bytes: load %.4f s, save %.4f s%s\n", length,
                    std::chrono::duration<double>(loaded - start).count(),
                    std::chrono::duration<double>(end - loaded).count(), saved ? "" : " (save failed!)");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
