#include "MessageBoxes.h"

#ifndef _WIN32
#include "WindowModel.h"
#else
#include <deque>
#endif

namespace simhost {

namespace {

struct Watch {
    std::function<int(const ShownBox&)> unanswered;
    std::vector<ShownBox> boxes;
    std::vector<UINT> beeps;
#ifdef _WIN32
    std::deque<int> answers;
    UINT_PTR timer = 0;
#endif
};

Watch& W()
{
    static Watch watch;
    return watch;
}

}  // namespace

#ifndef _WIN32

void WatchMessageBoxes(std::function<int(const ShownBox& box)> unanswered)
{
    W().unanswered = std::move(unanswered);
    W().boxes.clear();
    win32stub::SetUnansweredBoxHandler([](const win32stub::MessageBoxRecord& record) {
        ShownBox box{ record.title, record.text, (record.style & MB_YESNO) == MB_YESNO, 0, record.owner };
        return W().unanswered ? W().unanswered(box) : 0;
    });
}

void StopWatchingMessageBoxes()
{
    win32stub::SetUnansweredBoxHandler(nullptr);
}

void QueueBoxAnswer(int answer)
{
    win32stub::QueueMessageBoxAnswer(answer);
}

const std::vector<ShownBox>& ShownBoxes()
{
    std::vector<ShownBox>& boxes = W().boxes;
    const auto& records = win32stub::MessageBoxes();
    for (size_t i = boxes.size(); i < records.size(); ++i) {
        const auto& record = records[i];
        boxes.push_back(
            { record.title, record.text, (record.style & MB_YESNO) == MB_YESNO, record.answer, record.owner });
    }
    return boxes;
}

const std::vector<UINT>& PlayedBeeps()
{
    return win32stub::Beeps();
}

#else

namespace {

std::string Utf8(const WCHAR* text)
{
    std::string out;
    char buffer[1024];
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    if (length > 0) out.assign(buffer, static_cast<size_t>(length - 1));
    return out;
}

BOOL CALLBACK FindBox(HWND window, LPARAM result)
{
    WCHAR className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window) &&
        GetDlgItem(window, 0xFFFF) != nullptr) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs in the nested loop of an open box: reads the box and clicks the answer.
void CALLBACK AnswerOpenBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    WCHAR title[256] = {};
    WCHAR text[1024] = {};
    GetWindowTextW(box, title, 256);
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    ShownBox shown{ Utf8(title), Utf8(text), GetDlgItem(box, IDYES) != nullptr, 0, GetWindow(box, GW_OWNER) };
    Watch& watch = W();
    if (!watch.answers.empty()) {
        shown.answer = watch.answers.front();
        watch.answers.pop_front();
    } else if (watch.unanswered) {
        shown.answer = watch.unanswered(shown);
    }
    // A box left without an answer is closed as one that failed to appear.
    const int button = shown.answer != 0 ? shown.answer : (shown.question ? IDNO : IDOK);
    watch.boxes.push_back(shown);
    // Mark it answered before the click so the next tick does not find it.
    EnableWindow(box, FALSE);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

BOOL WINAPI RecordBeep(UINT type)
{
    W().beeps.push_back(type);
    return TRUE;
}

}  // namespace

void WatchMessageBoxes(std::function<int(const ShownBox& box)> unanswered)
{
    Watch& watch = W();
    watch.unanswered = std::move(unanswered);
    watch.boxes.clear();
    watch.answers.clear();
    watch.beeps.clear();
    if (watch.timer == 0) watch.timer = SetTimer(nullptr, 0, 25, AnswerOpenBox);
}

void StopWatchingMessageBoxes()
{
    if (W().timer != 0) KillTimer(nullptr, W().timer);
    W().timer = 0;
}

void QueueBoxAnswer(int answer)
{
    W().answers.push_back(answer);
}

const std::vector<ShownBox>& ShownBoxes()
{
    return W().boxes;
}

const std::vector<UINT>& PlayedBeeps()
{
    return W().beeps;
}

bool RecordBeepsOf(HMODULE module)
{
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return false;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), "USER32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), "MessageBeep") != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, PAGE_READWRITE, &protection);
            addresses->u1.Function = reinterpret_cast<ULONG_PTR>(&RecordBeep);
            VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

#endif

}  // namespace simhost
