// The log of every message and user-interface call of the stand-in.
#pragma once

#include "Win32Stub.h"

#include <cstdint>
#include <string>
#include <vector>

namespace win32stub {

// One entry of the log: a message delivered to a window (name "WM_SIZE",
// args wParam and lParam), or a call of the API (name "SetWindowPos", args
// as passed, with item windows given by their dialog item number). `text`
// holds a text argument as UTF-8.
struct Event {
    std::string name;
    HWND window = nullptr;
    std::vector<int64_t> args;
    std::string text;
};

const std::vector<Event>& Events();
void ClearEvents();
// The names of the logged events for one window (null: all windows), in
// order, leaving out the names in `ignored`.
std::vector<std::string> EventNames(HWND window = nullptr, const std::vector<std::string>& ignored = {});

void Log(const std::string& name, HWND window, std::vector<int64_t> args, std::string text = {});
// The name a message is logged under.
const char* MessageName(UINT message);

}  // namespace win32stub
