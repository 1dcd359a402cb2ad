#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The folders that hold a copy of Finale: FINALE.EXE and a Plug-ins folder.
// Find looks under each root's subfolders, DEPTH levels down ("Finale 2014"
// or "MakeMusic\Finale"), and does not look inside a host folder. Folders
// end in a backslash.
class HostFolders {
public:
  static bool IsHost(const std::wstring& folder);
  // Newest first: by FINALE.EXE's file version, then by its time.
  static std::vector<std::wstring> Find(const std::vector<std::wstring>& roots, int32_t depth);
  static std::wstring WithSlash(const std::wstring& path);

private:
  struct Host {
    std::wstring folder;
    uint64_t version;
    uint64_t time;
  };
  static void Add(const std::wstring& root, int32_t depth, std::vector<Host>& hosts);
  static bool Known(const std::vector<Host>& hosts, const std::wstring& folder);
  static uint64_t FileVersion(const std::wstring& path);
  static uint64_t FileTime(const std::wstring& path);
};
