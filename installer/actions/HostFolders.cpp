#include "HostFolders.h"

#include <windows.h>

#include <algorithm>

bool HostFolders::IsHost(const std::wstring& folder) {
  if (folder.empty()) return false;
  const DWORD exe = GetFileAttributesW((folder + L"FINALE.EXE").c_str());
  const DWORD plugins = GetFileAttributesW((folder + L"Plug-ins").c_str());
  return exe != INVALID_FILE_ATTRIBUTES && (exe & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         plugins != INVALID_FILE_ATTRIBUTES && (plugins & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring HostFolders::WithSlash(const std::wstring& path) {
  if (!path.empty() && path[path.size() - 1] != L'\\') return path + L"\\";
  return path;
}

std::vector<std::wstring> HostFolders::Find(const std::vector<std::wstring>& roots, int32_t depth) {
  std::vector<Host> hosts;
  for (const std::wstring& root : roots) {
    if (!root.empty()) Add(WithSlash(root), depth, hosts);
  }
  std::stable_sort(hosts.begin(), hosts.end(), [](const Host& a, const Host& b) {
    return a.version != b.version ? a.version > b.version : a.time > b.time;
  });
  std::vector<std::wstring> folders;
  for (const Host& host : hosts) folders.push_back(host.folder);
  return folders;
}

void HostFolders::Add(const std::wstring& root, int32_t depth, std::vector<Host>& hosts) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || name == L"." || name == L"..") continue;
    const std::wstring folder = root + name + L"\\";
    if (Known(hosts, folder)) continue;
    if (IsHost(folder)) {
      const std::wstring exe = folder + L"FINALE.EXE";
      hosts.push_back(Host{folder, FileVersion(exe), FileTime(exe)});
    } else if (depth > 1) {
      Add(folder, depth - 1, hosts);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Both Program Files folders are the same one on 32-bit Windows.
bool HostFolders::Known(const std::vector<Host>& hosts, const std::wstring& folder) {
  for (const Host& host : hosts) {
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, host.folder.c_str(), -1, folder.c_str(), -1) ==
        CSTR_EQUAL) {
      return true;
    }
  }
  return false;
}

// The four 16-bit fields of the fixed file version, most significant
// first; 0 without a version resource.
uint64_t HostFolders::FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return 0;
  std::vector<uint8_t> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return 0;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return 0;
  }
  return (static_cast<uint64_t>(info->dwFileVersionMS) << 32) | info->dwFileVersionLS;
}

uint64_t HostFolders::FileTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}
