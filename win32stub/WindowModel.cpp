#include "WindowModel.h"

#include "DialogTemplate.h"
#include "ModuleRegistry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>

namespace win32stub {

namespace {

constexpr uint16_t kDialogResource = 5;

enum class Kind { Frame, Dialog, Button, Edit, Static, ListBox };

struct Window {
    HWND handle = nullptr;
    Kind kind = Kind::Frame;
    HWND parent = nullptr;  // parent of a child, owner of a pop-up
    int id = 0;
    DWORD style = 0;
    std::u16string text;
    RECT rect = {};  // screen coordinates
    bool visible = false;
    bool enabled = true;
    DLGPROC procedure = nullptr;   // a dialog's procedure
    WNDPROC windowProcedure = nullptr;  // a window class's procedure
    LONG_PTR user = 0;
    LONG_PTR messageResult = 0;
    UINT check = BST_UNCHECKED;
    std::vector<std::u16string> lines;
    int selected = -1;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT interval;
    uint32_t due;
};

struct QueuedAnswer {
    int answer;
    std::function<void()> whileOpen;
};

struct DeferredMove {
    HWND window;
    int x, y, cx, cy;
    UINT flags;
};

struct State {
    std::map<uintptr_t, std::unique_ptr<Window>> windows;  // by handle value, in creation order
    uintptr_t nextHandle = 0x10010;
    HWND active = nullptr;
    std::vector<Event> events;
    std::deque<QueuedAnswer> answers;
    std::vector<MessageBoxRecord> boxes;
    std::function<int(const MessageBoxRecord&)> unanswered;
    std::vector<UINT> beeps;
    int failingBeeps = 0;
    int failingDefer = 0;
    uint32_t now = 0;
    std::vector<Timer> timers;
    std::map<uintptr_t, std::vector<DeferredMove>> batches;
    uintptr_t nextBatch = 1;
    std::map<std::u16string, WNDPROC> classes;
};

State& S()
{
    static State state;
    return state;
}

Window* Find(HWND handle)
{
    auto it = S().windows.find(reinterpret_cast<uintptr_t>(handle));
    return it == S().windows.end() ? nullptr : it->second.get();
}

int64_t Value(HWND handle)
{
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(handle));
}

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

void Log(const std::string& name, HWND window, std::vector<int64_t> args, std::string text = {})
{
    S().events.push_back(Event{ name, window, std::move(args), std::move(text) });
}

// Windows-1252 bytes 0x80-0x9F; the rest of the page is Latin-1.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string ToCodePage(const std::u16string& units)
{
    std::string text;
    for (char16_t unit : units) {
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            text += static_cast<char>(unit);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == unit) byte = static_cast<char>(0x80 + i);
        }
        text += byte;
    }
    return text;
}

std::u16string Units(const WCHAR* text)
{
    std::u16string units;
    for (; text != nullptr && *text != 0; ++text) units += static_cast<char16_t>(*text);
    return units;
}

// Copies at most capacity - 1 units and a terminator; answers the count.
int CopyOut(const std::u16string& text, WCHAR* buffer, int capacity)
{
    if (buffer == nullptr || capacity <= 0) return 0;
    const int count = std::min<int>(static_cast<int>(text.size()), capacity - 1);
    for (int i = 0; i < count; ++i) buffer[i] = text[i];
    buffer[count] = 0;
    return count;
}

int CopyOutA(const std::u16string& text, char* buffer, int capacity)
{
    if (buffer == nullptr || capacity <= 0) return 0;
    const std::string bytes = ToCodePage(text);
    const int count = std::min<int>(static_cast<int>(bytes.size()), capacity - 1);
    for (int i = 0; i < count; ++i) buffer[i] = bytes[i];
    buffer[count] = 0;
    return count;
}

int FrameWidth(const Window& w)
{
    if (w.kind != Kind::Frame && w.kind != Kind::Dialog) return 0;
    if (w.style & WS_THICKFRAME) return kSizeFrame;
    return (w.style & (WS_CAPTION | WS_BORDER)) ? 1 : 0;
}

int CaptionHeight(const Window& w)
{
    if (w.kind != Kind::Frame && w.kind != Kind::Dialog) return 0;
    return (w.style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
}

RECT ClientRectOnScreen(const Window& w)
{
    const int frame = FrameWidth(w);
    RECT r = { w.rect.left + frame, w.rect.top + frame + CaptionHeight(w), w.rect.right - frame,
               w.rect.bottom - frame };
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool IsTopLevel(const Window& w)
{
    return w.kind == Kind::Frame || w.kind == Kind::Dialog;
}

LRESULT Deliver(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool wide);

// Sends a message to a window's procedure, if it has one.
LRESULT CallProcedure(Window* w, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log(MessageName(message), w->handle, { static_cast<int64_t>(wParam), static_cast<int64_t>(lParam) });
    if (w->windowProcedure != nullptr) return w->windowProcedure(w->handle, message, wParam, lParam);
    if (w->procedure == nullptr) {
        if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
            return Deliver(w, WM_CLOSE, 0, 0, true);
        }
        return 0;
    }
    const HWND handle = w->handle;
    const INT_PTR handled = w->procedure(handle, message, wParam, lParam);
    // What a dialog's default procedure does when the dialog procedure
    // leaves a message alone.
    Window* still = Find(handle);
    if (handled == 0 && still != nullptr && message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        return Deliver(still, WM_CLOSE, 0, 0, true);
    }
    return handled;
}

void Notify(Window* control, int code)
{
    Window* parent = Find(control->parent);
    if (parent == nullptr) return;
    Deliver(parent, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control->handle), true);
}

LRESULT ControlMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool wide)
{
    switch (message) {
    case WM_SETTEXT:
        w->text = wide ? Units(reinterpret_cast<const WCHAR*>(lParam))
                       : FromCodePage(reinterpret_cast<const char*>(lParam));
        if (w->kind == Kind::Edit) Notify(w, EN_CHANGE);
        return TRUE;
    case WM_GETTEXT:
        return wide ? CopyOut(w->text, reinterpret_cast<WCHAR*>(lParam), static_cast<int>(wParam))
                    : CopyOutA(w->text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    default:
        break;
    }
    if (w->kind == Kind::Button) {
        switch (message) {
        case BM_GETCHECK: return w->check;
        case BM_SETCHECK: w->check = static_cast<UINT>(wParam); return 0;
        case BM_CLICK:
            if ((w->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            Notify(w, BN_CLICKED);
            return 0;
        default: return 0;
        }
    }
    if (w->kind == Kind::ListBox) {
        const int count = static_cast<int>(w->lines.size());
        switch (message) {
        case LB_RESETCONTENT:
            w->lines.clear();
            w->selected = -1;
            return 0;
        case LB_ADDSTRING:
            w->lines.push_back(wide ? Units(reinterpret_cast<const WCHAR*>(lParam))
                                    : FromCodePage(reinterpret_cast<const char*>(lParam)));
            return count;
        case LB_GETCOUNT: return count;
        case LB_GETCURSEL: return w->selected;
        case LB_SETCURSEL: {
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            if (index < 0 || index >= count) {
                if (index == -1) w->selected = -1;
                return LB_ERR;
            }
            w->selected = index;
            return index;
        }
        case LB_GETTEXTLEN: {
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            return index < 0 || index >= count ? LB_ERR : static_cast<LRESULT>(w->lines[index].size());
        }
        case LB_GETTEXT: {
            const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            if (index < 0 || index >= count) return LB_ERR;
            const std::u16string& line = w->lines[index];
            return wide ? CopyOut(line, reinterpret_cast<WCHAR*>(lParam), static_cast<int>(line.size()) + 1)
                        : CopyOutA(line, reinterpret_cast<char*>(lParam), static_cast<int>(line.size()) + 1);
        }
        default: return 0;
        }
    }
    return 0;
}

LRESULT Deliver(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool wide)
{
    if (IsTopLevel(*w)) return CallProcedure(w, message, wParam, lParam);
    std::string text;
    if (message == WM_SETTEXT || message == LB_ADDSTRING) {
        text = wide ? ToUtf8(Units(reinterpret_cast<const WCHAR*>(lParam)))
                    : ToUtf8(FromCodePage(reinterpret_cast<const char*>(lParam)));
    }
    Log(std::string(MessageName(message)) + (wide ? "" : " (A)"), w->handle,
        { static_cast<int64_t>(wParam), text.empty() ? static_cast<int64_t>(lParam) : 0 }, text);
    return ControlMessage(w, message, wParam, lParam, wide);
}

Window* NewWindow(Kind kind, HWND parent, DWORD style, const RECT& rect)
{
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(S().nextHandle);
    S().nextHandle += 0x10;
    window->kind = kind;
    window->parent = parent;
    window->style = style;
    window->rect = rect;
    window->enabled = (style & WS_DISABLED) == 0;
    Window* raw = window.get();
    S().windows[reinterpret_cast<uintptr_t>(raw->handle)] = std::move(window);
    return raw;
}

std::vector<Window*> Children(HWND parent)
{
    std::vector<Window*> children;
    for (auto& entry : S().windows) {
        if (entry.second->parent == parent && !IsTopLevel(*entry.second)) children.push_back(entry.second.get());
    }
    return children;
}

void Activate(Window* w)
{
    const HWND previous = S().active;
    if (w != nullptr && previous == w->handle) return;
    S().active = w != nullptr ? w->handle : nullptr;
    if (Window* old = Find(previous)) {
        Deliver(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(w != nullptr ? w->handle : nullptr), true);
    }
    if (w != nullptr && Find(w->handle) != nullptr) {
        Deliver(w, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous), true);
    }
}

// Moves and sizes a window as SetWindowPos does, with its messages.
void ApplyPosition(Window* w, int x, int y, int cx, int cy, UINT flags)
{
    RECT next = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        if (w->kind != Kind::Frame && w->kind != Kind::Dialog) {
            if (Window* parent = Find(w->parent)) {
                const RECT client = ClientRectOnScreen(*parent);
                x += client.left;
                y += client.top;
            }
        }
        const LONG width = next.right - next.left;
        const LONG height = next.bottom - next.top;
        next = { x, y, x + width, y + height };
    }
    if (!(flags & SWP_NOSIZE)) {
        next.right = next.left + std::max(cx, 0);
        next.bottom = next.top + std::max(cy, 0);
    }
    if (!IsTopLevel(*w)) {
        w->rect = next;
        return;
    }
    const HWND handle = w->handle;
    WINDOWPOS position = { handle, nullptr, static_cast<int>(next.left), static_cast<int>(next.top),
                           static_cast<int>(next.right - next.left), static_cast<int>(next.bottom - next.top), flags };
    Deliver(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position), true);
    if ((w = Find(handle)) == nullptr) return;
    const RECT oldClient = ClientRectOnScreen(*w);
    w->rect = next;
    Deliver(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position), true);
    if ((w = Find(handle)) == nullptr) return;
    const RECT client = ClientRectOnScreen(*w);
    if (client.right - client.left != oldClient.right - oldClient.left ||
        client.bottom - client.top != oldClient.bottom - oldClient.top) {
        Deliver(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top), true);
    }
}

int MulDivRound(int value, int numerator, int denominator)
{
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

void DefaultUnansweredBox(const MessageBoxRecord& box)
{
    std::fprintf(stderr, "message box with no scripted answer: \"%s\" (title \"%s\")\n", box.text.c_str(),
                 box.title.c_str());
    std::abort();
}

}  // namespace

int DialogUnitsToPixelsX(int units)
{
    return MulDivRound(units, kBaseUnitX, 4);
}

int DialogUnitsToPixelsY(int units)
{
    return MulDivRound(units, kBaseUnitY, 8);
}

const std::vector<Event>& Events()
{
    return S().events;
}

void ClearEvents()
{
    S().events.clear();
}

std::vector<std::string> EventNames(HWND window, const std::vector<std::string>& ignored)
{
    std::vector<std::string> names;
    for (const Event& event : S().events) {
        if (window != nullptr && event.window != window) continue;
        if (std::find(ignored.begin(), ignored.end(), event.name) != ignored.end()) continue;
        names.push_back(event.name);
    }
    return names;
}

void QueueMessageBoxAnswer(int answer, std::function<void()> whileOpen)
{
    S().answers.push_back(QueuedAnswer{ answer, std::move(whileOpen) });
}

size_t PendingMessageBoxAnswers()
{
    return S().answers.size();
}

const std::vector<MessageBoxRecord>& MessageBoxes()
{
    return S().boxes;
}

void SetUnansweredBoxHandler(std::function<int(const MessageBoxRecord& box)> handler)
{
    S().unanswered = std::move(handler);
}

const std::vector<UINT>& Beeps()
{
    return S().beeps;
}

void FailMessageBeeps(int count)
{
    S().failingBeeps = count;
}

void FailDeferWindowPos(int nth)
{
    S().failingDefer = nth;
}

uint32_t Now()
{
    return S().now;
}

void PassTime(uint32_t milliseconds)
{
    const uint32_t end = S().now + milliseconds;
    for (;;) {
        // The timer that comes due first, if any before the end.
        Timer* next = nullptr;
        for (Timer& timer : S().timers) {
            if (timer.due <= end && (next == nullptr || timer.due < next->due)) next = &timer;
        }
        if (next == nullptr) break;
        S().now = next->due;
        next->due += next->interval;
        const HWND window = next->window;
        const UINT_PTR id = next->id;
        if (Window* w = Find(window)) Deliver(w, WM_TIMER, id, 0, true);
    }
    S().now = end;
}

void ResetWindows()
{
    State& s = S();
    s.windows.clear();
    s.active = nullptr;
    s.events.clear();
    s.answers.clear();
    s.boxes.clear();
    s.unanswered = nullptr;
    s.beeps.clear();
    s.failingBeeps = 0;
    s.failingDefer = 0;
    s.now = 0;
    s.timers.clear();
    s.batches.clear();
    // Handles start again where a new process's would.
    s.nextHandle = 0x10010;
    s.classes.clear();
}

std::vector<HWND> AllWindows()
{
    std::vector<HWND> handles;
    for (auto& entry : S().windows) handles.push_back(entry.second->handle);
    return handles;
}

std::string ToUtf8(const std::u16string& units)
{
    std::string text;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

std::u16string FromUtf8(const std::string& text)
{
    std::u16string units;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xFFFD;
        size_t length = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
            c = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F);
            length = 2;
        } else if ((b & 0xF0) == 0xE0 && i + 2 < text.size()) {
            c = ((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            length = 3;
        } else if ((b & 0xF8) == 0xF0 && i + 3 < text.size()) {
            c = ((b & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) | (text[i + 3] & 0x3F);
            length = 4;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);
        }
        i += length;
    }
    return units;
}

std::u16string FromCodePage(const char* text)
{
    std::u16string units;
    for (; text != nullptr && *text != 0; ++text) {
        const unsigned char byte = static_cast<unsigned char>(*text);
        units += byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return units;
}

}  // namespace win32stub

using namespace win32stub;

WORD WINAPI RegisterClassW(const WNDCLASSW* windowClass)
{
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return 0;
    const std::u16string name = Units(windowClass->lpszClassName);
    if (S().classes.count(name) != 0) return 0;
    S().classes[name] = windowClass->lpfnWndProc;
    return static_cast<WORD>(S().classes.size());
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) return SendMessageW(window, WM_CLOSE, 0, 0);
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName)
{
    static HINSTANCE__ program;
    return moduleName == nullptr ? &program : nullptr;
}

HWND WINAPI CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    if (x == CW_USEDEFAULT) x = 0;
    if (y == CW_USEDEFAULT) y = 0;
    if (width == CW_USEDEFAULT) width = kScreenWidth;
    if (height == CW_USEDEFAULT) height = kFullScreenHeight;
    Window* w = NewWindow(Kind::Frame, parent, style, RECT{ x, y, x + width, y + height });
    w->text = Units(title);
    if (className != nullptr && !IS_INTRESOURCE(className)) {
        auto registered = S().classes.find(Units(className));
        if (registered != S().classes.end()) w->windowProcedure = registered->second;
    }
    w->visible = (style & WS_VISIBLE) != 0;
    Log("CreateWindowExW", w->handle, { x, y, width, height }, ToUtf8(w->text));
    if (w->visible) Activate(w);
    return w->handle;
}

HWND WINAPI CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC procedure,
                               LPARAM param)
{
    if (!IS_INTRESOURCE(templateName)) return nullptr;
    const uint16_t number = static_cast<uint16_t>(reinterpret_cast<UINT_PTR>(templateName));
    const std::vector<uint8_t>* bytes = FindResourceBytes(instance, kDialogResource, number);
    DialogTemplate dialog;
    if (bytes == nullptr || !ParseDialogTemplate(bytes->data(), bytes->size(), dialog)) return nullptr;

    int originX = 0;
    int originY = 0;
    if (Window* owner = Find(parent)) {
        const RECT client = ClientRectOnScreen(*owner);
        originX = client.left;
        originY = client.top;
    }
    Window* w = NewWindow(Kind::Dialog, parent, dialog.style & ~static_cast<DWORD>(WS_VISIBLE), RECT{});
    // The template places the client area; the frame and caption lie around it.
    const int frame = FrameWidth(*w);
    const int left = originX + DialogUnitsToPixelsX(dialog.x) - frame;
    const int top = originY + DialogUnitsToPixelsY(dialog.y) - frame - CaptionHeight(*w);
    w->rect = { left, top, left + DialogUnitsToPixelsX(dialog.cx) + 2 * frame,
                top + DialogUnitsToPixelsY(dialog.cy) + 2 * frame + CaptionHeight(*w) };
    w->style = dialog.style;
    w->text = dialog.title;
    w->procedure = procedure;
    const HWND handle = w->handle;
    const RECT client = ClientRectOnScreen(*w);
    for (const DialogItemTemplate& item : dialog.items) {
        Kind kind = Kind::Static;
        if (item.itemClass == ItemClass::Button) kind = Kind::Button;
        if (item.itemClass == ItemClass::Edit) kind = Kind::Edit;
        if (item.itemClass == ItemClass::ListBox) kind = Kind::ListBox;
        const int x = client.left + DialogUnitsToPixelsX(item.x);
        const int y = client.top + DialogUnitsToPixelsY(item.y);
        Window* control = NewWindow(kind, handle, item.style,
                                    RECT{ x, y, x + DialogUnitsToPixelsX(item.cx), y + DialogUnitsToPixelsY(item.cy) });
        control->id = static_cast<int>(static_cast<int16_t>(item.id & 0xFFFF));
        control->text = item.text;
        control->visible = (item.style & WS_VISIBLE) != 0;
    }
    Log("CreateDialogParamW", handle, { number, Value(parent) });
    if (dialog.style & DS_SETFONT) CallProcedure(Find(handle), WM_SETFONT, 0, 0);
    if (Find(handle) == nullptr) return nullptr;
    CallProcedure(Find(handle), WM_INITDIALOG, 0, param);
    if (Find(handle) != nullptr && (dialog.style & WS_VISIBLE)) ShowWindow(handle, SW_SHOWNORMAL);
    return Find(handle) != nullptr ? handle : nullptr;
}

BOOL WINAPI DestroyWindow(HWND handle)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    Log("DestroyWindow", handle, {});
    if (S().active == handle) {
        Window* owner = Find(w->parent);
        Activate(owner);
        if (S().active == handle) S().active = nullptr;
    }
    if ((w = Find(handle)) == nullptr) return TRUE;
    Deliver(w, WM_DESTROY, 0, 0, true);
    auto& timers = S().timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == handle; }),
                 timers.end());
    for (Window* child : Children(handle)) S().windows.erase(reinterpret_cast<uintptr_t>(child->handle));
    // Owned pop-ups go with their owner.
    std::vector<HWND> owned;
    for (auto& entry : S().windows) {
        if (entry.second->parent == handle && IsTopLevel(*entry.second)) owned.push_back(entry.second->handle);
    }
    for (HWND popup : owned) DestroyWindow(popup);
    S().windows.erase(reinterpret_cast<uintptr_t>(handle));
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window)
{
    return Find(window) != nullptr;
}

HWND WINAPI GetParent(HWND window)
{
    Window* w = Find(window);
    return w != nullptr ? w->parent : nullptr;
}

HWND WINAPI GetDlgItem(HWND dialog, int item)
{
    if (Find(dialog) == nullptr) return nullptr;
    for (Window* child : Children(dialog)) {
        if (child->id == static_cast<int>(static_cast<int16_t>(item & 0xFFFF))) return child->handle;
    }
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND window)
{
    Window* w = Find(window);
    return w != nullptr ? w->id : 0;
}

BOOL WINAPI ShowWindow(HWND handle, int command)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    const BOOL wasVisible = w->visible;
    const bool show = command != SW_HIDE;
    Log("ShowWindow", handle, { command });
    if (!IsTopLevel(*w)) {
        w->visible = show;
        return wasVisible;
    }
    if (show != static_cast<bool>(wasVisible)) {
        Deliver(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0, true);
        if ((w = Find(handle)) == nullptr) return wasVisible;
        WINDOWPOS position = { handle, nullptr, 0, 0, 0, 0,
                               static_cast<UINT>(SWP_NOSIZE | SWP_NOMOVE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW)) };
        Deliver(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position), true);
        if ((w = Find(handle)) == nullptr) return wasVisible;
        w->visible = show;
        Deliver(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position), true);
        if ((w = Find(handle)) == nullptr) return wasVisible;
    }
    if (show) Activate(w);
    if (!show && S().active == handle) Activate(Find(w->parent));
    return wasVisible;
}

BOOL WINAPI IsWindowVisible(HWND handle)
{
    for (Window* w = Find(handle); w != nullptr; w = IsTopLevel(*w) ? nullptr : Find(w->parent)) {
        if (!w->visible) return FALSE;
    }
    return Find(handle) != nullptr;
}

BOOL WINAPI EnableWindow(HWND handle, BOOL enable)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    const BOOL wasDisabled = !w->enabled;
    Log("EnableWindow", handle, { enable ? 1 : 0 });
    if (w->enabled != static_cast<bool>(enable)) {
        w->enabled = enable != FALSE;
        Deliver(w, WM_ENABLE, enable ? TRUE : FALSE, 0, true);
    }
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND handle)
{
    Window* w = Find(handle);
    return w != nullptr && w->enabled;
}

HWND WINAPI SetActiveWindow(HWND handle)
{
    const HWND previous = S().active;
    Window* w = Find(handle);
    Log("SetActiveWindow", handle, {});
    if (w == nullptr || !IsTopLevel(*w)) return nullptr;
    Activate(w);
    return previous;
}

HWND WINAPI GetActiveWindow()
{
    return S().active;
}

BOOL WINAPI InvalidateRect(HWND handle, const RECT* rect, BOOL erase)
{
    if (Find(handle) == nullptr) return FALSE;
    Log("InvalidateRect", handle, { rect != nullptr ? 1 : 0, erase ? 1 : 0 });
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect)
{
    Window* w = Find(handle);
    if (w == nullptr || rect == nullptr) return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect)
{
    Window* w = Find(handle);
    if (w == nullptr || rect == nullptr) return FALSE;
    const RECT client = ClientRectOnScreen(*w);
    *rect = { 0, 0, client.right - client.left, client.bottom - client.top };
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND handle, LPPOINT point)
{
    Window* w = Find(handle);
    if (w == nullptr || point == nullptr) return FALSE;
    const RECT client = ClientRectOnScreen(*w);
    point->x -= client.left;
    point->y -= client.top;
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND handle, LPPOINT point)
{
    Window* w = Find(handle);
    if (w == nullptr || point == nullptr) return FALSE;
    const RECT client = ClientRectOnScreen(*w);
    point->x += client.left;
    point->y += client.top;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND handle, HWND, int x, int y, int width, int height, UINT flags)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    Log("SetWindowPos", handle, { w->id, x, y, width, height, flags });
    ApplyPosition(w, x, y, width, height, flags);
    return TRUE;
}

HDWP WINAPI BeginDeferWindowPos(int count)
{
    Log("BeginDeferWindowPos", nullptr, { count });
    if (count < 0) return nullptr;
    const uintptr_t id = S().nextBatch++;
    S().batches[id];
    return reinterpret_cast<HDWP>(id);
}

HDWP WINAPI DeferWindowPos(HDWP batch, HWND handle, HWND, int x, int y, int width, int height, UINT flags)
{
    Window* w = Find(handle);
    Log("DeferWindowPos", handle, { w != nullptr ? w->id : 0, x, y, width, height, flags });
    auto it = S().batches.find(reinterpret_cast<uintptr_t>(batch));
    if (S().failingDefer > 0 && --S().failingDefer == 0) {
        if (it != S().batches.end()) S().batches.erase(it);
        return nullptr;
    }
    if (it == S().batches.end() || w == nullptr) return nullptr;
    it->second.push_back(DeferredMove{ handle, x, y, width, height, flags });
    return batch;
}

BOOL WINAPI EndDeferWindowPos(HDWP batch)
{
    Log("EndDeferWindowPos", nullptr, {});
    auto it = S().batches.find(reinterpret_cast<uintptr_t>(batch));
    if (it == S().batches.end()) return FALSE;
    const std::vector<DeferredMove> moves = it->second;
    S().batches.erase(it);
    for (const DeferredMove& move : moves) {
        if (Window* w = Find(move.window)) ApplyPosition(w, move.x, move.y, move.cx, move.cy, move.flags);
    }
    return TRUE;
}

HMONITOR WINAPI MonitorFromRect(const RECT* rect, DWORD flags)
{
    static HMONITOR__ screen;
    if (rect == nullptr) return nullptr;
    const bool overlaps =
        rect->left < kScreenWidth && rect->right > 0 && rect->top < kScreenHeight && rect->bottom > 0;
    return overlaps || flags != MONITOR_DEFAULTTONULL ? &screen : nullptr;
}

int WINAPI GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: return kScreenWidth;
    case SM_CYSCREEN: return kScreenHeight;
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME: return kSizeFrame;
    case SM_CXFULLSCREEN: return kScreenWidth;
    case SM_CYFULLSCREEN: return kFullScreenHeight;
    default: return 0;
    }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND handle, int index, LONG_PTR value)
{
    Window* w = Find(handle);
    if (w == nullptr) return 0;
    LONG_PTR& slot = index == DWLP_USER ? w->user : w->messageResult;
    const LONG_PTR previous = slot;
    slot = value;
    return previous;
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND handle, int index)
{
    Window* w = Find(handle);
    if (w == nullptr) return 0;
    return index == DWLP_USER ? w->user : w->messageResult;
}

LRESULT WINAPI SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(handle);
    return w != nullptr ? Deliver(w, message, wParam, lParam, true) : 0;
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(handle);
    return w != nullptr ? Deliver(w, message, wParam, lParam, false) : 0;
}

LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(GetDlgItem(dialog, item), message, wParam, lParam);
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(GetDlgItem(dialog, item), message, wParam, lParam);
}

BOOL WINAPI SetWindowTextW(HWND handle, LPCWSTR text)
{
    Window* w = Find(handle);
    if (w == nullptr) return FALSE;
    if (IsTopLevel(*w)) {
        w->text = Units(text);
        return TRUE;
    }
    return static_cast<BOOL>(SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextW(HWND handle, LPWSTR buffer, int capacity)
{
    Window* w = Find(handle);
    if (w == nullptr) {
        CopyOut(std::u16string(), buffer, capacity);
        return 0;
    }
    return CopyOut(w->text, buffer, capacity);
}

BOOL WINAPI SetDlgItemTextW(HWND dialog, int item, LPCWSTR text)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return FALSE;
    return static_cast<BOOL>(SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int item, LPCSTR text)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return FALSE;
    return static_cast<BOOL>(SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

UINT WINAPI GetDlgItemTextW(HWND dialog, int item, LPWSTR buffer, int capacity)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) {
        CopyOut(std::u16string(), buffer, capacity);
        return 0;
    }
    return static_cast<UINT>(SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                          reinterpret_cast<LPARAM>(buffer)));
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int item, LPSTR buffer, int capacity)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) {
        if (buffer != nullptr && capacity > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(SendMessageA(control, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                          reinterpret_cast<LPARAM>(buffer)));
}

BOOL WINAPI SetDlgItemInt(HWND dialog, int item, UINT value, BOOL isSigned)
{
    char digits[16];
    if (isSigned) std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
    else std::snprintf(digits, sizeof digits, "%u", value);
    return SetDlgItemTextA(dialog, item, digits);
}

UINT WINAPI GetDlgItemInt(HWND dialog, int item, BOOL* translated, BOOL isSigned)
{
    if (translated != nullptr) *translated = FALSE;
    Window* w = Find(GetDlgItem(dialog, item));
    if (w == nullptr) return 0;
    // As Windows reads it: spaces, an optional minus sign, digits, spaces.
    const std::u16string& text = w->text;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (isSigned && i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    const size_t firstDigit = i;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > 0xFFFFFFFFll) return 0;
        ++i;
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == firstDigit || i != text.size()) return 0;
    if (negative) value = -value;
    if (isSigned && (value > INT32_MAX || value < INT32_MIN)) return 0;
    if (translated != nullptr) *translated = TRUE;
    return static_cast<UINT>(value);
}

BOOL WINAPI CheckDlgButton(HWND dialog, int item, UINT check)
{
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return FALSE;
    SendMessageW(control, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int item)
{
    return static_cast<UINT>(SendMessageW(GetDlgItem(dialog, item), BM_GETCHECK, 0, 0));
}

UINT_PTR WINAPI SetTimer(HWND handle, UINT_PTR id, UINT milliseconds, TIMERPROC)
{
    if (Find(handle) == nullptr) return 0;
    Log("SetTimer", handle, { static_cast<int64_t>(id), milliseconds });
    const UINT interval = milliseconds < 10 ? 10 : milliseconds;
    for (Timer& timer : S().timers) {
        if (timer.window == handle && timer.id == id) {
            timer.interval = interval;
            timer.due = S().now + interval;
            return id;
        }
    }
    S().timers.push_back(Timer{ handle, id, interval, S().now + interval });
    return id;
}

BOOL WINAPI KillTimer(HWND handle, UINT_PTR id)
{
    auto& timers = S().timers;
    const size_t before = timers.size();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const Timer& t) { return t.window == handle && t.id == id; }),
                 timers.end());
    return timers.size() != before;
}

int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR title, UINT style)
{
    MessageBoxRecord box;
    box.owner = owner;
    box.text = ToUtf8(Units(text));
    box.title = ToUtf8(Units(title));
    box.style = style;
    Log("MessageBoxW", owner, { style }, box.text);
    QueuedAnswer answer = { 0, {} };
    if (S().answers.empty()) {
        if (S().unanswered) answer.answer = S().unanswered(box);
        else DefaultUnansweredBox(box);
    } else {
        answer = std::move(S().answers.front());
        S().answers.pop_front();
    }
    box.answer = answer.answer;
    S().boxes.push_back(box);
    // The box is modal to its owner and active while it is open; closing it
    // gives the activation to its owner.
    const bool disable = IsWindowEnabled(owner) != FALSE;
    if (disable) EnableWindow(owner, FALSE);
    Activate(nullptr);
    if (answer.whileOpen) answer.whileOpen();
    if (disable) EnableWindow(owner, TRUE);
    if (Window* ownerWindow = Find(owner)) Activate(ownerWindow);
    return answer.answer;
}

BOOL WINAPI MessageBeep(UINT type)
{
    Log("MessageBeep", nullptr, { static_cast<int64_t>(type) });
    if (S().failingBeeps > 0) {
        --S().failingBeeps;
        return FALSE;
    }
    S().beeps.push_back(type);
    return TRUE;
}
