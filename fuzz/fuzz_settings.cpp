// The settings file from arbitrary bytes: load, save and load again give the
// same pairs, and a second save gives the same bytes as the first. A key of
// only blanks is the exception: its pair is written back as a line that
// starts with "=", which carries no pair when it is read again.
#include "FuzzHost.h"
#include "core/FCFileStream.h"
#include "core/FCSettingsPairs.h"

#include <cstdlib>
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

// Whether b holds the pairs of a that have a key, in a's order.
bool SamePairs(FCSettingsPairs* a, FCSettingsPairs* b)
{
    int32_t j = 0;
    for (int32_t i = 0; i < a->GetCount(); ++i) {
        FCString* ka = a->GetPairAt(i)->GetKey();
        if (ka->GetLength() == 0) continue;
        if (j >= b->GetCount()) return false;
        FCString* kb = b->GetPairAt(j)->GetKey();
        FCString* va = a->GetPairAt(i)->GetValue();
        FCString* vb = b->GetPairAt(j)->GetValue();
        ++j;
        if (ka->GetLength() != kb->GetLength() || va->GetLength() != vb->GetLength()) return false;
        for (uint32_t k = 0; k < ka->GetLength(); ++k) {
            if (ka->GetCharAt(static_cast<int32_t>(k)) != kb->GetCharAt(static_cast<int32_t>(k))) return false;
        }
        for (uint32_t k = 0; k < va->GetLength(); ++k) {
            if (va->GetCharAt(static_cast<int32_t>(k)) != vb->GetCharAt(static_cast<int32_t>(k))) return false;
        }
    }
    return j == b->GetCount();
}

// The saved bytes without the lines that start with "=".
std::string WithoutKeylessLines(const std::string& saved)
{
    std::string kept;
    std::size_t begin = 0;
    while (begin < saved.size()) {
        std::size_t end = saved.find('\n', begin);
        end = end == std::string::npos ? saved.size() : end + 1;
        if (saved[begin] != '=') kept.append(saved, begin, end - begin);
        begin = end;
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FreshHost();
    const std::string path = fuzz::OwnFolder::Path() + "/qvpluginprefs.txt";
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
    fuzz::Require(second->SaveToFile() && Bytes(path) == WithoutKeylessLines(saved),
                  "saving again changes nothing but the lines without a key");
    return 0;
}
