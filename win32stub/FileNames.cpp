// File functions of the stand-in. Windows takes '\' and '/' alike as the
// separator between folders; this system takes only '/', so each '\' is
// made '/' before the name reaches the C library.
#include "Win32Stub.h"

#include <cstdio>
#include <string>

namespace {

std::string& DriveRoot()
{
    static std::string root;
    return root;
}

}  // namespace

void Win32StubSetDriveRoot(const std::string& folder)
{
    DriveRoot() = folder;
}

std::string Win32StubLocalFileName(const char* name)
{
    std::string local(name == nullptr ? "" : name);
    for (char& c : local) {
        if (c == '\\') c = '/';
    }
    // "\\server" names a share, "\file" a file at the root of the current drive.
    if (name != nullptr && name[0] == '\\' && name[1] != '\\') local = DriveRoot() + local;
    return local;
}

std::FILE* _fsopen(const char* name, const char* mode, int /*share*/)
{
    if (name == nullptr || mode == nullptr) return nullptr;
    return std::fopen(Win32StubLocalFileName(name).c_str(), mode);
}

BOOL WINAPI DeleteFileA(LPCSTR name)
{
    if (name == nullptr) return FALSE;
    return std::remove(Win32StubLocalFileName(name).c_str()) == 0 ? TRUE : FALSE;
}
