// The installer's folder search and in-use check on real folders, in a
// temporary folder of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostFolders.h"
#include "PluginLock.h"

namespace {
std::wstring g_versioned;  // a DLL with a version resource, from --versioned

class SetupActionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    root_ = std::wstring(temp) + L"qvsetup-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
  }
  void TearDown() override { Remove(root_); }

  void Folder(const std::wstring& path) {
    std::wstring partial;
    for (wchar_t c : path) {
      partial += c;
      if (c == L'\\') CreateDirectoryW((root_ + partial).c_str(), nullptr);
    }
    CreateDirectoryW((root_ + partial).c_str(), nullptr);
  }
  void File(const std::wstring& path, int32_t year) {
    HANDLE file = CreateFileW((root_ + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetTime(file, year);
    CloseHandle(file);
  }
  void SetTime(HANDLE file, int32_t year) {
    SYSTEMTIME when = {};
    when.wYear = static_cast<WORD>(year);
    when.wMonth = 6;
    when.wDay = 1;
    FILETIME time;
    SystemTimeToFileTime(&when, &time);
    SetFileTime(file, nullptr, nullptr, &time);
  }
  // A host folder: FINALE.EXE of that year and a Plug-ins folder.
  void Host(const std::wstring& folder, int32_t year) {
    Folder(folder + L"\\Plug-ins");
    File(folder + L"\\FINALE.EXE", year);
  }
  std::vector<std::wstring> Expected(const std::vector<std::wstring>& folders) {
    std::vector<std::wstring> full;
    for (const std::wstring& folder : folders) full.push_back(root_ + folder + L"\\");
    return full;
  }
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(folder + name + L"\\");
        } else {
          DeleteFileW((folder + name).c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::wstring root_;
};

// Two levels down and no deeper, only folders with both FINALE.EXE and a
// Plug-ins folder, names with spaces and non-ASCII letters, newest first.
TEST_F(SetupActionsTest, FindsHostsTwoLevelsDownNewestFirst) {
  Host(L"Finale 2011", 2011);
  Host(L"MakeMusic\\Finale", 2014);
  Host(L"Noten \u00e9dition \u00dcbung", 2012);
  Host(L"Deep\\er\\Finale", 2020);
  File(L"Deep\\FINALE.EXE.txt", 2020);
  Folder(L"No Plug-ins");
  File(L"No Plug-ins\\FINALE.EXE", 2021);
  Folder(L"No exe\\Plug-ins");
  Folder(L"Plug-ins is a file");
  File(L"Plug-ins is a file\\FINALE.EXE", 2021);
  File(L"Plug-ins is a file\\Plug-ins", 2021);
  EXPECT_EQ(HostFolders::Find({root_}, 2),
            Expected({L"MakeMusic\\Finale", L"Noten \u00e9dition \u00dcbung", L"Finale 2011"}));
  EXPECT_EQ(HostFolders::Find({root_}, 3).front(), root_ + L"Deep\\er\\Finale\\");
}

// The file version counts before the time; a host inside a host is not
// searched; the same root twice (both Program Files folders on 32-bit
// Windows), in any case, lists each host once; an empty or missing root
// adds nothing.
TEST_F(SetupActionsTest, OrdersByVersionThenTimeAndListsEachOnce) {
  ASSERT_FALSE(g_versioned.empty()) << "no --versioned DLL given";
  Host(L"Newer time", 2024);
  Host(L"Versioned", 2001);
  ASSERT_TRUE(CopyFileW(g_versioned.c_str(), (root_ + L"Versioned\\FINALE.EXE").c_str(), FALSE));
  // The copy keeps the build's time: older than the other host's, again.
  HANDLE copy = CreateFileW((root_ + L"Versioned\\FINALE.EXE").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(copy, INVALID_HANDLE_VALUE);
  SetTime(copy, 2001);
  CloseHandle(copy);
  Host(L"Versioned\\Inner", 2030);
  std::wstring upper = root_;
  CharUpperW(&upper[0]);
  EXPECT_EQ(HostFolders::Find({root_, upper, L"", root_ + L"missing"}, 2),
            Expected({L"Versioned", L"Newer time"}));
  EXPECT_TRUE(HostFolders::IsHost(root_ + L"Versioned\\"));
  EXPECT_FALSE(HostFolders::IsHost(L""));
  EXPECT_EQ(HostFolders::WithSlash(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(HostFolders::WithSlash(L"C:\\a\\"), L"C:\\a\\");
}

// A plug-in loaded by a program is in use; a missing or closed one is not.
TEST_F(SetupActionsTest, APluginIsInUseWhileLoaded) {
  ASSERT_FALSE(g_versioned.empty()) << "no --versioned DLL given";
  Folder(L"F\u00efnale\\Plug-ins");
  const std::wstring plugin = root_ + L"F\u00efnale\\Plug-ins\\qvperfcopy.fxt";
  EXPECT_FALSE(PluginLock::InUse(plugin));
  ASSERT_TRUE(CopyFileW(g_versioned.c_str(), plugin.c_str(), FALSE));
  EXPECT_FALSE(PluginLock::InUse(plugin));
  HMODULE loaded = LoadLibraryW(plugin.c_str());
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(PluginLock::InUse(plugin));
  FreeLibrary(loaded);
  EXPECT_FALSE(PluginLock::InUse(plugin));
}
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--versioned") {
      const std::string path = argv[i + 1];
      g_versioned.assign(path.begin(), path.end());
    }
  }
  return RUN_ALL_TESTS();
}
