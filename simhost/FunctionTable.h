// The table of the simulated host's FX_ functions: their names, and their
// registration with the Win32 stand-in, where the plug-in looks them up by
// name. Each registered function goes through a wrapper that measures its
// time while the host is timing calls.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace simhost {

#ifndef _WIN32
// Registers the FX_ functions with the Win32 stand-in under the module name,
// leaving out (and taking away) the ones named in `omitted`. The module
// keeps its handle, as a running host's does.
void RegisterModule(const char* moduleName = "FINALE.EXE",
                    const std::set<std::string>& omitted = {});
// Adds one FX_ function to a module registered before.
void AddExport(const char* moduleName, const std::string& function);
#endif

// The names of every FX_ function the host exports.
const std::vector<std::string>& FunctionNames();

}  // namespace simhost
