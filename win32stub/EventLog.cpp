#include "EventLog.h"

#include <algorithm>

namespace win32stub {

namespace {

std::vector<Event>& Logged()
{
    static std::vector<Event> events;
    return events;
}

}  // namespace

const char* MessageName(UINT message)
{
    switch (message) {
    case WM_SIZE: return "WM_SIZE";
    case WM_ACTIVATE: return "WM_ACTIVATE";
    case WM_ENABLE: return "WM_ENABLE";
    case WM_SETTEXT: return "WM_SETTEXT";
    case WM_GETTEXT: return "WM_GETTEXT";
    case WM_GETTEXTLENGTH: return "WM_GETTEXTLENGTH";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_SHOWWINDOW: return "WM_SHOWWINDOW";
    case WM_GETMINMAXINFO: return "WM_GETMINMAXINFO";
    case WM_SETFONT: return "WM_SETFONT";
    case WM_WINDOWPOSCHANGING: return "WM_WINDOWPOSCHANGING";
    case WM_WINDOWPOSCHANGED: return "WM_WINDOWPOSCHANGED";
    case WM_NOTIFY: return "WM_NOTIFY";
    case WM_INITDIALOG: return "WM_INITDIALOG";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_SYSCOMMAND: return "WM_SYSCOMMAND";
    case WM_TIMER: return "WM_TIMER";
    case WM_DESTROY: return "WM_DESTROY";
    case BM_GETCHECK: return "BM_GETCHECK";
    case BM_SETCHECK: return "BM_SETCHECK";
    case BM_CLICK: return "BM_CLICK";
    case LB_ADDSTRING: return "LB_ADDSTRING";
    case LB_RESETCONTENT: return "LB_RESETCONTENT";
    case LB_SETCURSEL: return "LB_SETCURSEL";
    case LB_GETCURSEL: return "LB_GETCURSEL";
    case LB_GETTEXT: return "LB_GETTEXT";
    case LB_GETTEXTLEN: return "LB_GETTEXTLEN";
    case LB_GETCOUNT: return "LB_GETCOUNT";
    default: return "WM_USER";
    }
}

void Log(const std::string& name, HWND window, std::vector<int64_t> args, std::string text)
{
    Logged().push_back(Event{ name, window, std::move(args), std::move(text) });
}

const std::vector<Event>& Events()
{
    return Logged();
}

void ClearEvents()
{
    Logged().clear();
}

std::vector<std::string> EventNames(HWND window, const std::vector<std::string>& ignored)
{
    std::vector<std::string> names;
    for (const Event& event : Logged()) {
        if (window != nullptr && event.window != window) continue;
        if (std::find(ignored.begin(), ignored.end(), event.name) != ignored.end()) continue;
        names.push_back(event.name);
    }
    return names;
}

}  // namespace win32stub
