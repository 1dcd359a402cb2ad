// FINALE.EXE: a Windows program that exports the simulated host's FX_
// functions, loads qvperfcopy.fxt from beside itself and drives it through
// its entry points in the order the host does.
#include <windows.h>

#include "FunctionTable.h"
#include "SimHost.h"
#include "common/MenuRecordChecks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// The entry points as the host sees them.
typedef uint32_t (__cdecl* VersionEntry)(uint32_t hostVersion);
typedef uint32_t (__cdecl* InitEntry)(uint32_t unused, uint32_t* flags);
typedef uint32_t (__cdecl* EnumerateEntry)(uint32_t unused, uint32_t index, void* record);
typedef uint32_t (__cdecl* MenuStatusEntry)(uint32_t unused);

template <typename Fn>
Fn Entry(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class PluginDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() { dll_ = LoadLibraryA("qvperfcopy.fxt"); }
    static void TearDownTestSuite()
    {
        if (dll_ != nullptr) FreeLibrary(dll_);
        dll_ = nullptr;
    }

    static HMODULE dll_;
};

HMODULE PluginDll::dll_ = nullptr;

}  // namespace

TEST(HostProgram, ExportsEveryHostFunctionUnderItsPlainName)
{
    HMODULE host = GetModuleHandleA("FINALE.EXE");
    ASSERT_NE(nullptr, host);
    for (const std::string& name : simhost::FunctionNames()) {
        EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(host, name.c_str()))) << name;
    }
    EXPECT_EQ(34u, simhost::FunctionNames().size());
}

TEST_F(PluginDll, StartsUpInHostOrder)
{
    ASSERT_NE(nullptr, dll_) << "LoadLibrary(qvperfcopy.fxt) failed, error " << GetLastError();
    auto version = Entry<VersionEntry>(dll_, "FinaleExtensionVersion");
    auto init = Entry<InitEntry>(dll_, "FinaleExtensionInit");
    auto enumerate = Entry<EnumerateEntry>(dll_, "FinaleExtensionEnumerate");
    auto enumerateUTF16 = Entry<EnumerateEntry>(dll_, "FinaleExtensionEnumerate_UTF16");
    auto menuStatus = Entry<MenuStatusEntry>(dll_, "FinaleExtensionGetMenuStatus");
    ASSERT_TRUE(version && init && enumerate && enumerateUTF16 && menuStatus);

    EXPECT_EQ(0x0F000000u, version(simhost::Host::Get().score.hostVersion));

    uint32_t flags = 6;
    EXPECT_EQ(1u, init(0, &flags));
    EXPECT_EQ(7u, flags);

    std::vector<uint8_t> record = menucheck::Buffer(menucheck::kRecordSize);
    EXPECT_EQ(1u, enumerate(0, 0, record.data()));
    menucheck::ExpectMenuRecord(record);
    std::vector<uint8_t> untouched = menucheck::Buffer(menucheck::kRecordSize);
    EXPECT_EQ(0u, enumerate(0, 1, untouched.data()));
    EXPECT_EQ(menucheck::Buffer(menucheck::kRecordSize), untouched);

    std::vector<uint8_t> wide = menucheck::Buffer(menucheck::kRecordSizeUTF16);
    EXPECT_EQ(1u, enumerateUTF16(0, 0, wide.data()));
    menucheck::ExpectMenuRecordUTF16(wide);
    std::vector<uint8_t> wideUntouched = menucheck::Buffer(menucheck::kRecordSizeUTF16);
    EXPECT_EQ(0u, enumerateUTF16(0, 1, wideUntouched.data()));
    EXPECT_EQ(menucheck::Buffer(menucheck::kRecordSizeUTF16), wideUntouched);

    EXPECT_EQ(1u, menuStatus(0));
}

// With no Finale folder the plug-in keeps its settings at the root of the
// drive, which under Wine is the machine's own: every new host names a
// folder of this run's, in the temporary folder, empty at the start.
TEST(HostProgram, NamesAFinaleFolderOfThisRunsOwn)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    ASSERT_FALSE(host.finalePath.empty());
    std::error_code code;
    EXPECT_TRUE(std::filesystem::is_directory(host.finalePath, code));
    const std::string temporary = std::filesystem::temp_directory_path(code).string();
    EXPECT_EQ(0u, host.finalePath.rfind(temporary, 0)) << host.finalePath << " is not in " << temporary;
}

TEST(HostProgram, FramesLieBelowFourGigabytes)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score.staffOrder = { 1 };
    simhost::EntrySpec description;
    description.position = 256;
    host.score.AddEntry(1, 1, 0, description);
    for (int i = 0; i < 3; ++i) {
        void* frame = host.LoadFrame(1, 1, 0, 0);
        ASSERT_NE(nullptr, frame);
        const uintptr_t address = reinterpret_cast<uintptr_t>(frame);
        EXPECT_LT(address, 0xFFFFFFFFull);
        uint32_t first = 0;
        std::memcpy(&first, static_cast<uint8_t*>(frame) + 14, sizeof first);
        int32_t position = 0;
        std::memcpy(&position, reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(first)) + 136, sizeof position);
        EXPECT_EQ(256, position);
        host.FreeFrame(frame);
    }
    EXPECT_EQ(0u, host.LiveFrameCount());
}
