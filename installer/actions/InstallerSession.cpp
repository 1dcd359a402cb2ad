#include "InstallerSession.h"

#include <msiquery.h>

InstallerSession::InstallerSession(MSIHANDLE handle) : handle_(handle) {}

std::wstring InstallerSession::Property(const wchar_t* name) const {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD size = static_cast<DWORD>(buffer.size());
  UINT result = MsiGetPropertyW(handle_, name, buffer.data(), &size);
  if (result == ERROR_MORE_DATA) {
    buffer.resize(size + 1);
    size = static_cast<DWORD>(buffer.size());
    result = MsiGetPropertyW(handle_, name, buffer.data(), &size);
  }
  if (result != ERROR_SUCCESS) return std::wstring();
  return std::wstring(buffer.data(), size);
}

bool InstallerSession::SetProperty(const wchar_t* name, const std::wstring& value) const {
  return MsiSetPropertyW(handle_, name, value.c_str()) == ERROR_SUCCESS;
}

void InstallerSession::Log(const std::wstring& text) const { Message(INSTALLMESSAGE_INFO, text); }

UINT InstallerSession::Fail(const std::wstring& text) const {
  Message(static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_ICONERROR | MB_OK), text);
  return ERROR_INSTALL_FAILURE;
}

// The text goes in as field 1 of the template "[1]", so that brackets in a
// folder name are not read as properties.
void InstallerSession::Message(INSTALLMESSAGE kind, const std::wstring& text) const {
  MSIHANDLE record = MsiCreateRecord(1);
  if (record == 0) return;
  MsiRecordSetStringW(record, 0, L"[1]");
  MsiRecordSetStringW(record, 1, text.c_str());
  MsiProcessMessage(handle_, kind, record);
  MsiCloseHandle(record);
}

bool InstallerSession::OfferInList(const wchar_t* property, const std::vector<std::wstring>& values) const {
  MSIHANDLE database = MsiGetActiveDatabase(handle_);
  if (database == 0) return false;
  MSIHANDLE view = 0;
  bool done = MsiDatabaseOpenViewW(database, L"SELECT `Property`, `Order`, `Value`, `Text` FROM `ComboBox`", &view) ==
                  ERROR_SUCCESS &&
              MsiViewExecute(view, 0) == ERROR_SUCCESS;
  for (size_t i = 0; done && i < values.size(); ++i) {
    MSIHANDLE record = MsiCreateRecord(4);
    done = record != 0 && MsiRecordSetStringW(record, 1, property) == ERROR_SUCCESS &&
           MsiRecordSetInteger(record, 2, static_cast<int>(i + 1)) == ERROR_SUCCESS &&
           MsiRecordSetStringW(record, 3, values[i].c_str()) == ERROR_SUCCESS &&
           MsiRecordSetStringW(record, 4, values[i].c_str()) == ERROR_SUCCESS &&
           MsiViewModify(view, MSIMODIFY_INSERT_TEMPORARY, record) == ERROR_SUCCESS;
    if (record != 0) MsiCloseHandle(record);
  }
  if (view != 0) {
    MsiViewClose(view);
    MsiCloseHandle(view);
  }
  MsiCloseHandle(database);
  return done;
}
