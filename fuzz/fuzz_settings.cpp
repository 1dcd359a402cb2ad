// The settings file from arbitrary bytes: load, save and load again give the
// same pairs, and a second save gives the same bytes as the first.
#include "FuzzHost.h"
#include "core/FCFileStream.h"
#include "core/FCSettingsPairs.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::unique_ptr<FCSettingsPairs> Load()
{
    std::unique_ptr<FCTextFileStream> stream(CreateSettingsFileStream());
    if (!stream->OpenRead()) return nullptr;
    std::unique_ptr<FCStrings> lines(stream->ReadAllLines());
    stream->Close();
    return std::unique_ptr<FCSettingsPairs>(lines->CreateSettingsPairs());
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool SamePairs(FCSettingsPairs* a, FCSettingsPairs* b)
{
    if (a->GetCount() != b->GetCount()) return false;
    for (int32_t i = 0; i < a->GetCount(); ++i) {
        FCString* ka = a->GetPairAt(i)->GetKey();
        FCString* kb = b->GetPairAt(i)->GetKey();
        FCString* va = a->GetPairAt(i)->GetValue();
        FCString* vb = b->GetPairAt(i)->GetValue();
        if (ka->GetLength() != kb->GetLength() || va->GetLength() != vb->GetLength()) return false;
        for (uint32_t k = 0; k < ka->GetLength(); ++k) {
            if (ka->GetCharAt(static_cast<int32_t>(k)) != kb->GetCharAt(static_cast<int32_t>(k))) return false;
        }
        for (uint32_t k = 0; k < va->GetLength(); ++k) {
            if (va->GetCharAt(static_cast<int32_t>(k)) != vb->GetCharAt(static_cast<int32_t>(k))) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string folder =
        (std::filesystem::temp_directory_path() / ("qvfuzz-settings-" + std::to_string(getpid()))).string();
    static const bool made = std::filesystem::create_directories(folder) || true;
    (void)made;
    simhost::Host& host = fuzz::FreshHost();
    host.finalePath = folder;
    const std::string path = folder + "\\qvpluginprefs.txt";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
    std::unique_ptr<FCSettingsPairs> first = Load();
    fuzz::Require(first != nullptr, "an existing file loads");
    FCString key("QVPERFCOPY_VELOCITY");
    first->SetIntValue(&key, 42);
    fuzz::Require(first->SaveToFile(), "the save succeeds");
    const std::string saved = Bytes(path);
    std::unique_ptr<FCSettingsPairs> second = Load();
    fuzz::Require(second != nullptr && SamePairs(first.get(), second.get()), "a saved file loads as the same pairs");
    fuzz::Require(second->SaveToFile() && Bytes(path) == saved, "saving again changes nothing");
    return 0;
}
