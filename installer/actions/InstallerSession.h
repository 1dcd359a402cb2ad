#pragma once
#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

// The running installation, as a custom action sees it: properties, lines
// in the log, and errors, which Windows Installer shows in a box and logs
// (only logs when silent).
class InstallerSession {
public:
  explicit InstallerSession(MSIHANDLE handle);
  std::wstring Property(const wchar_t* name) const;
  bool SetProperty(const wchar_t* name, const std::wstring& value) const;
  void Log(const std::wstring& text) const;
  // Shows and logs TEXT as an error; answers ERROR_INSTALL_FAILURE, which
  // ends the installation and rolls back what it did.
  UINT Fail(const std::wstring& text) const;
  // Adds VALUES to the interactive installer's drop-down list of PROPERTY,
  // for this run only. False when the package has no such list.
  bool OfferInList(const wchar_t* property, const std::vector<std::wstring>& values) const;

private:
  void Message(INSTALLMESSAGE kind, const std::wstring& text) const;
  MSIHANDLE handle_;
};
