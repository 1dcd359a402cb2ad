#pragma once
#include <string>

// Whether a plug-in file is in use: it exists and cannot be opened for
// writing, which is so while Finale has it loaded.
class PluginLock {
public:
  static bool InUse(const std::wstring& path);
};
