// The installer's custom actions (immediate, before anything changes): what
// the package's tables cannot do by themselves.
#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

#include "HostFolders.h"
#include "InstallerSession.h"
#include "PluginLock.h"

namespace {
const int32_t kSearchDepth = 2;

std::wstring Joined(const std::vector<std::wstring>& folders, const wchar_t* separator) {
  std::wstring text;
  for (size_t i = 0; i < folders.size(); ++i) {
    if (i > 0) text += separator;
    text += folders[i];
  }
  return text;
}
}  // namespace

// Lists the copies of Finale under both Program Files folders, newest
// first, in QV_HOSTS, QV_HOST_COUNT and the first window's drop-down list,
// and sets TARGETDIR, unless given, to the folder of the last install or
// else to the newest copy.
extern "C" __declspec(dllexport) UINT __stdcall FindHosts(MSIHANDLE handle) {
  const InstallerSession session(handle);
  const std::vector<std::wstring> hosts =
      HostFolders::Find({session.Property(L"ProgramFilesFolder"), session.Property(L"ProgramFiles64Folder")},
                        kSearchDepth);
  if (!session.SetProperty(L"QV_HOSTS", Joined(hosts, L";")) ||
      !session.SetProperty(L"QV_HOST_COUNT", std::to_wstring(hosts.size()))) {
    return session.Fail(L"QV Perfcopy could not be installed: the installer could not record the copies of Finale.");
  }
  session.OfferInList(L"TARGETDIR", hosts);
  session.Log(L"QV Perfcopy: Finale found in: " + (hosts.empty() ? std::wstring(L"no folder") : Joined(hosts, L"; ")));
  if (!session.Property(L"TARGETDIR").empty()) return ERROR_SUCCESS;
  std::wstring target = HostFolders::WithSlash(session.Property(L"QV_SAVED_FOLDER"));
  if (!HostFolders::IsHost(target)) target = hosts.empty() ? std::wstring() : hosts[0];
  if (!target.empty() && !session.SetProperty(L"TARGETDIR", target)) {
    return session.Fail(L"QV Perfcopy could not be installed: the installer could not choose the folder " + target + L".");
  }
  return ERROR_SUCCESS;
}

// Before anything changes: refuses a folder without Finale that was chosen
// after AppSearch looked at QV_SEARCHED_FOLDER (in the first window, or by
// FindHosts; the package's condition judges the one AppSearch saw), and
// refuses while the installed plug-in file is in use, which Windows
// Installer would otherwise replace only at the next restart.
extern "C" __declspec(dllexport) UINT __stdcall CheckTarget(MSIHANDLE handle) {
  const InstallerSession session(handle);
  const bool removing = session.Property(L"REMOVE") == L"ALL";
  const std::wstring folder = HostFolders::WithSlash(session.Property(removing ? L"QV_SAVED_FOLDER" : L"TARGETDIR"));
  const std::wstring searched = HostFolders::WithSlash(session.Property(L"QV_SEARCHED_FOLDER"));
  const bool searchedByTables = CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, folder.c_str(), -1, searched.c_str(),
                                               -1) == CSTR_EQUAL;
  if (!removing && !searchedByTables && !HostFolders::IsHost(folder)) {
    return session.Fail(L"QV Perfcopy was not installed: the folder " + folder +
                        L" does not hold Finale (FINALE.EXE and a Plug-ins folder). Choose the program folder of "
                        L"Finale, for example TARGETDIR=\"C:\\Program Files (x86)\\Finale 2012\\\".");
  }
  if (folder.empty()) return ERROR_SUCCESS;
  const std::wstring plugin = folder + L"Plug-ins\\qvperfcopy.fxt";
  if (PluginLock::InUse(plugin)) {
    return session.Fail(std::wstring(L"QV Perfcopy was not ") + (removing ? L"removed" : L"installed") + L": " +
                        plugin + L" is in use. Quit Finale and run the installer again. Nothing was changed.");
  }
  return ERROR_SUCCESS;
}
