#include "Session.h"

#include "FunctionTable.h"
#include "MessageBoxes.h"
#include "MusicXml.h"
#include "ScoreChanges.h"
#include "ScoreFormats.h"
#include "SimHost.h"
#include "TextParsing.h"
#include "UserInput.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#ifndef _WIN32
#include "WindowModel.h"
#endif

namespace simhost {

namespace {

namespace fs = std::filesystem;

// Items of the tool window that steps name.
constexpr int kStaffList = 102;
struct Field {
    const char* name;
    int check;
    int edit;
};
const Field kFields[] = { { "Velocity", 103, 104 }, { "Start Time", 106, 107 }, { "End Time", 109, 110 } };
const int kButtons[] = { 1, 2 };

std::string Utf8(const std::u16string& units)
{
    return UnitsToUtf8(units);
}

std::string WindowText(HWND window)
{
    WCHAR buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    std::u16string units;
    for (int i = 0; i < 512 && buffer[i] != 0; ++i) units += static_cast<char16_t>(buffer[i]);
    return Utf8(units);
}

// Text for a transcript line: line breaks shown as \n.
std::string OneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\n') line += "\\n";
        else if (c == '\r') line += "\\r";
        else line += c;
    }
    return line;
}

// The frames and records of two states of one score are the same.
bool SameRevision(const Score& a, const Score& b)
{
    return a.framesRevision == b.framesRevision && a.records.Revision() == b.records.Revision();
}

std::vector<std::string> ListLines(HWND dialog)
{
    std::vector<std::string> lines;
    HWND list = GetDlgItem(dialog, kStaffList);
    if (list == nullptr) return lines;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
        std::vector<WCHAR> buffer(static_cast<size_t>(length < 0 ? 0 : length) + 1, 0);
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
        std::u16string units(buffer.begin(), buffer.end() - 1);
        lines.push_back(Utf8(units));
    }
    return lines;
}

// What a person sees of the tool window, to report what a step changed.
struct View {
    HWND dialog = nullptr;
    RECT outer = {};
    std::vector<std::string> lines;
    int selected = -1;
    bool enabled = false;
    bool applyEnabled = false;
};

bool WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

class SessionRun {
public:
    SessionRun(const PluginEntries& plugin, const SessionFiles& files, std::ostream& out, std::ostream& err,
               const SessionHost& programHost)
        : plugin_(plugin), files_(files), out_(out), err_(err), programHost_(programHost)
    {
    }

    int Run(const std::vector<std::string>& steps);

private:
    bool SetUp();
    void TearDown();
    // Carries out one step; false with the reason when it cannot.
    bool Step(const std::string& step, std::string& problem);
    void Report(const View& before, const Score& scoreBefore, size_t boxes, size_t beeps, size_t edits,
                int32_t cancelled, size_t redraws);
    View Look() const;
    HWND Dialog() const;
    HWND Button(const std::string& label) const;
    const Field* FindField(const std::string& text, std::string* rest) const;
    std::string SettingsFile() const { return folder_ + "/qvpluginprefs.txt"; }

    // Geometry as the transcript gives it: from the host's place for a new
    // dialog and from the template's size.
    std::string Place(const RECT& outer, HWND dialog) const;
    std::string Size(const RECT& outer, HWND dialog) const;
    std::string SettingsLine(const std::string& line, HWND dialog) const;

    const PluginEntries& plugin_;
    const SessionFiles& files_;
    std::ostream& out_;
    std::ostream& err_;
    const SessionHost& programHost_;
    std::shared_ptr<const Score> original_;
    // The score as it was before the step, for its report: a copy is taken
    // only when the score has changed since the last one.
    std::shared_ptr<const Score> before_;
    std::string originalSettings_;
    POINT hostPlace_ = {};
    SIZE templateSize_ = {};
    std::string folder_;
    bool invoked_ = false;
    bool terminated_ = true;
    std::string unansweredBox_;
};

HWND SessionRun::Dialog() const
{
    const Host& host = Host::Get();
    for (const auto& dialog : host.dialogs) {
        if (IsWindow(dialog.first)) return dialog.first;
    }
    return nullptr;
}

View SessionRun::Look() const
{
    View view;
    view.dialog = Dialog();
    if (view.dialog == nullptr) return view;
    GetWindowRect(view.dialog, &view.outer);
    view.lines = ListLines(view.dialog);
    view.selected = static_cast<int>(SendDlgItemMessageW(view.dialog, kStaffList, LB_GETCURSEL, 0, 0));
    view.enabled = IsWindowEnabled(view.dialog) != FALSE;
    view.applyEnabled = IsWindowEnabled(GetDlgItem(view.dialog, kButtons[0])) != FALSE;
    return view;
}

HWND SessionRun::Button(const std::string& label) const
{
    HWND dialog = Dialog();
    for (int id : kButtons) {
        HWND button = GetDlgItem(dialog, id);
        if (button != nullptr && WindowText(button) == label) return button;
    }
    return nullptr;
}

const Field* SessionRun::FindField(const std::string& text, std::string* rest) const
{
    for (const Field& field : kFields) {
        const std::string name = field.name;
        if (text == name) {
            if (rest != nullptr) *rest = "";
            return &field;
        }
        if (rest != nullptr && text.compare(0, name.size() + 1, name + " ") == 0) {
            *rest = text.substr(name.size() + 1);
            return &field;
        }
    }
    return nullptr;
}

// The score's own staff list stays the one the slots count in.
void SetSelection(Score& score, Region region)
{
    region.startSlotContext = score.selection.startSlotContext;
    region.endSlotContext = score.selection.endSlotContext;
    score.selection = region;
}

bool SessionRun::SetUp()
{
    std::string error;
    // The score as given, shared when the run selects nothing of its own.
    std::shared_ptr<const Score> original = files_.score;
    if (!original) {
        auto read = std::make_shared<Score>();
        if (!ReadScoreFile(files_.scorePath, *read, error)) {
            err_ << "qvperfcopy session: " << error << "\n";
            return false;
        }
        original = read;
    }
    if (!files_.parts.empty() || !files_.measures.empty()) {
        const std::optional<Region> region = SelectPartsAndMeasures(*original, files_.parts, files_.measures, error);
        if (!region) {
            err_ << "qvperfcopy session: " << files_.scorePath << ": " << error << "\n";
            return false;
        }
        auto selected = std::make_shared<Score>(*original);
        SetSelection(*selected, *region);
        original = selected;
    }
    std::string settings;
    if (!files_.settingsPath.empty() && !ReadFile(files_.settingsPath, settings)) {
        err_ << "qvperfcopy session: cannot read the settings file " << files_.settingsPath << "\n";
        return false;
    }
    // A folder of this run's own: one that already exists belongs to
    // another run, so another name is drawn.
    std::random_device random;
    std::error_code code;
    bool made = false;
    for (int attempt = 0; attempt < 100 && !made; ++attempt) {
        folder_ = (fs::temp_directory_path(code) / ("qvperfcopy-session-" + std::to_string(random()))).string();
        made = !code && fs::create_directory(folder_, code) && !code;
    }
    if (!made) folder_.clear();
    if (!made || (!files_.settingsPath.empty() && !WriteFile(SettingsFile(), settings))) {
        err_ << "qvperfcopy session: cannot make a settings folder in " << fs::temp_directory_path(code) << "\n";
        return false;
    }

    Host& host = Host::Get();
    host.Reset();
    host.logCalls = false;
    original_ = original;
    before_ = original_;
    host.score = *original_;
    host.finalePath = folder_;
#ifndef _WIN32
    // A file the plug-in puts at the root of the drive stays in this run's
    // folder, apart from the settings file the host names.
    const std::string drive = folder_ + "/drive";
    if (!fs::create_directory(drive, code)) {
        err_ << "qvperfcopy session: cannot make the folder " << drive << "\n";
        return false;
    }
    Win32StubSetDriveRoot(drive);
#endif
    host.faultyCall = files_.faultyCall;
    host.nonsense = files_.nonsense;
    originalSettings_ = settings;
#ifndef _WIN32
    win32stub::ResetWindows();
    RegisterModule("FINALE.EXE", files_.hostLacks);
    RegisterPluginModule();
#else
    for (const std::string& function : files_.hostLacks) {
        if (GetProcAddress(GetModuleHandleW(nullptr), function.c_str()) != nullptr) {
            err_ << "qvperfcopy session: the session needs a host without " << function
                 << ", and this host exports it\n";
            return false;
        }
    }
#endif
    WatchMessageBoxes([this](const ShownBox& box) {
        if (files_.goAhead) return box.question ? IDYES : IDOK;
        if (unansweredBox_.empty()) unansweredBox_ = "\"" + OneLine(box.text) + "\" (title \"" + box.title + "\")";
        return 0;
    });
    // The host's order: version and init, then the menu (enumeration) with
    // the main window.
    plugin_.version(original_->hostVersion);
    uint32_t flags = 0;
    plugin_.init(0, &flags);
    if (programHost_.openMainWindow) programHost_.openMainWindow();
    else host.OpenMainWindow();
    // A new dialog's client area goes to the main window's client corner.
    hostPlace_ = { 0, 0 };
    ClientToScreen(host.mainWindow, &hostPlace_);
    terminated_ = false;
    out_ << "Session on " << fs::path(files_.scorePath).filename().string() << " (host version 0x" << std::hex
         << original_->hostVersion << std::dec << "), settings file: "
         << (files_.settingsPath.empty() ? std::string("none") : fs::path(files_.settingsPath).filename().string())
         << "\n";
    const std::string encoding = EncodingNotice(*original_);
    if (!encoding.empty()) out_ << encoding << "\n";
    const std::string adjusted = AdjustedNotice(*original_);
    if (!adjusted.empty()) out_ << adjusted << "\n";
    const std::string leftOut = LeftOutNotice(*original_);
    if (!leftOut.empty()) out_ << leftOut << "\n";
    return true;
}

void SessionRun::TearDown()
{
    if (!terminated_) plugin_.terminate(0);
    terminated_ = true;
    Host::Get().CloseMainWindow();
    // The boxes and sounds stay on record for the caller.
    StopWatchingMessageBoxes();
#ifndef _WIN32
    Win32StubSetDriveRoot("");
#endif
    std::error_code code;
    if (!folder_.empty()) fs::remove_all(folder_, code);
}

bool SessionRun::Step(const std::string& step, std::string& problem)
{
    Host& host = Host::Get();
    const size_t space = step.find(' ');
    const std::string verb = step.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : step.substr(space + 1);
    HWND dialog = Dialog();
    const bool needsWindow = verb == "choose" || verb == "check" || verb == "uncheck" || verb == "type" ||
                             verb == "click" || verb == "closebox" || verb == "resize";
    if (needsWindow && dialog == nullptr) {
        problem = "the tool window is not open";
        return false;
    }
    if (verb == "invoke" && rest.empty()) {
        if (programHost_.invokeMenuCommand) programHost_.invokeMenuCommand();
        else plugin_.invoke(host.mainWindow, 0, 0, 0);
        invoked_ = true;
        terminated_ = false;
        return true;
    }
    if (verb == "terminate" && rest.empty()) {
        plugin_.terminate(0);
        terminated_ = true;
        return true;
    }
    if (verb == "choose") {
        const int count = static_cast<int>(SendDlgItemMessageW(dialog, kStaffList, LB_GETCOUNT, 0, 0));
        std::optional<int> line = ParseWholeNumber(rest, 1, 32767);
        if (!line || *line > count) {
            problem = "line " + rest + " is not in the staff list (it has " + std::to_string(count) + " lines)";
            return false;
        }
        ClickListLine(GetDlgItem(dialog, kStaffList), *line - 1);
        return true;
    }
    if (verb == "check" || verb == "uncheck") {
        const Field* field = FindField(rest, nullptr);
        if (field == nullptr) {
            problem = "no check box \"" + rest + "\" (Velocity, Start Time or End Time)";
            return false;
        }
        HWND box = GetDlgItem(dialog, field->check);
        const bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked != (verb == "check")) ClickButton(box);
        return true;
    }
    if (verb == "type") {
        std::string text;
        const Field* field = FindField(rest, &text);
        if (field == nullptr) {
            problem = "no field in \"" + rest + "\" (type Velocity|Start Time|End Time TEXT)";
            return false;
        }
        TypeText(GetDlgItem(dialog, field->edit), Utf8ToUnits(text));
        return true;
    }
    if (verb == "select" && (rest.rfind("parts ", 0) == 0 || rest.rfind("measures ", 0) == 0)) {
        std::string parts;
        std::string measures;
        std::istringstream words(rest);
        std::string word;
        std::string value;
        while (words >> word >> value) (word == "parts" ? parts : word == "measures" ? measures : problem) = value;
        std::string error;
        const std::optional<Region> region =
            problem.empty() ? SelectPartsAndMeasures(host.score, parts, measures, error) : std::nullopt;
        if (!region) {
            problem = problem.empty() ? error : "bad selection \"" + rest + "\" (select parts A-B measures C-D)";
            return false;
        }
        SetSelection(host.score, *region);
        return true;
    }
    if (verb == "select") {
        std::optional<Region> region = rest == "none" ? std::optional<Region>(Region()) : ParseSelection(rest);
        if (!region) {
            problem = "bad selection \"" + rest + "\" (SLOT:MEASURE:POSITION-SLOT:MEASURE:POSITION)";
            return false;
        }
        SetSelection(host.score, *region);
        return true;
    }
    if (verb == "answer" && (rest == "yes" || rest == "no" || rest == "ok")) {
        QueueBoxAnswer(rest == "yes" ? IDYES : rest == "no" ? IDNO : IDOK);
        return true;
    }
    if (verb == "click") {
        HWND button = Button(rest);
        if (button == nullptr) {
            problem = "no button \"" + rest + "\" in the tool window";
            return false;
        }
        if (!IsWindowEnabled(button)) {
            problem = "the button \"" + rest + "\" is disabled";
            return false;
        }
        ClickButton(button);
        return true;
    }
    if (verb == "closebox" && rest.empty()) {
        ClickCloseBox(dialog);
        return true;
    }
    if (verb == "wait") {
        std::optional<int> milliseconds = ParseWholeNumber(rest, 0, 600000);
        if (!milliseconds) {
            problem = "bad time \"" + rest + "\" (milliseconds)";
            return false;
        }
        LetTimePass(static_cast<uint32_t>(*milliseconds));
        return true;
    }
    if (verb == "part" || verb == "document") {
        std::optional<int> number = ParseWholeNumber(rest, -32768, 32767);
        if (!number) {
            problem = "bad number \"" + rest + "\"";
            return false;
        }
        if (verb == "part") host.score.part = *number;
        else host.score.document = static_cast<int16_t>(*number);
        return true;
    }
    if (verb == "resize") {
        int dw = 0;
        int dh = 0;
        char extra = 0;
        if (std::sscanf(rest.c_str(), "%d %d %c", &dw, &dh, &extra) != 2) {
            problem = "bad size change \"" + rest + "\" (resize DW DH)";
            return false;
        }
        DragFrame(dialog, dw, dh);
        return true;
    }
    if (verb == "hostmodal" && (rest == "on" || rest == "off")) {
        if (rest == "on") host.BeginModalDialog();
        else host.EndModalDialog();
        return true;
    }
    if (verb == "undo" && rest.empty()) {
        std::optional<std::string> name = host.Undo();
        out_ << "  undo " << (name ? "\"" + *name + "\"" : std::string("(nothing to undo)")) << "\n";
        return true;
    }
    if (verb == "screenshot" && !rest.empty()) {
        if (programHost_.screenshot) programHost_.screenshot(rest);
        return true;
    }
    problem = "unknown step";
    return false;
}

std::string SessionRun::Place(const RECT& outer, HWND) const
{
    const long dx = outer.left - hostPlace_.x;
    const long dy = outer.top - hostPlace_.y;
    if (dx == 0 && dy == 0) return "where the host puts a new dialog";
    return "at the host's place + (" + std::to_string(dx) + ", " + std::to_string(dy) + ")";
}

std::string SessionRun::Size(const RECT& outer, HWND dialog) const
{
    SIZE base = templateSize_;
    if (base.cx == 0) {
        // The window's size limits start at the template's size.
        MINMAXINFO limits = {};
        SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        base = { limits.ptMinTrackSize.x, limits.ptMinTrackSize.y };
    }
    const long dw = outer.right - outer.left - base.cx;
    const long dh = outer.bottom - outer.top - base.cy;
    if (dw == 0 && dh == 0) return "the template's size";
    return "the template's size + (" + std::to_string(dw) + " x " + std::to_string(dh) + ")";
}

// Geometry keys of the settings file, given as the transcript gives geometry.
std::string SessionRun::SettingsLine(const std::string& line, HWND) const
{
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return line;
    std::string key = line.substr(0, equals);
    for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    const std::string value = line.substr(equals + 1);
    long base = 0;
    const char* from = nullptr;
    if (key == "QVPERFCOPY_WINDOWX2") { base = hostPlace_.x; from = "host's x"; }
    else if (key == "QVPERFCOPY_WINDOWY2") { base = hostPlace_.y; from = "host's y"; }
    else if (key == "QVPERFCOPY_WINDOWWIDTH2") { base = templateSize_.cx; from = "template width"; }
    else if (key == "QVPERFCOPY_WINDOWHEIGHT2") { base = templateSize_.cy; from = "template height"; }
    if (from == nullptr || value == "-1" || (templateSize_.cx == 0 && base == 0)) return line;
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str() || *end != 0) return line;
    const long delta = number - base;
    return line.substr(0, equals + 1) + "(" + from + (delta == 0 ? "" : (delta < 0 ? " - " : " + ") +
                                                          std::to_string(delta < 0 ? -delta : delta)) + ")";
}

void SessionRun::Report(const View& before, const Score& scoreBefore, size_t boxes, size_t beeps, size_t edits,
                        int32_t cancelled, size_t redraws)
{
    const Host& host = Host::Get();
    const View now = Look();
    const auto& shown = ShownBoxes();
    for (size_t i = boxes; i < shown.size(); ++i) {
        const ShownBox& box = shown[i];
        const char* answer = box.answer == IDYES ? "Yes" : box.answer == IDNO ? "No" : box.answer == IDOK ? "OK" : "none";
        out_ << "  box \"" << box.title << "\": \"" << OneLine(box.text) << "\" -> " << answer << "\n";
    }
    const auto& sounds = PlayedBeeps();
    for (size_t i = beeps; i < sounds.size(); ++i) {
        out_ << "  beep" << (sounds[i] == MB_ICONEXCLAMATION ? " (exclamation)" : " (simple)") << "\n";
    }
    if (files_.reportChanges && !SameRevision(scoreBefore, host.score) &&
        !(scoreBefore.frames == host.score.frames && scoreBefore.records == host.score.records)) {
        ReportChanges(scoreBefore, host.score, out_, "  ", files_.changeRowsShown);
    }
    for (size_t i = edits; i < host.EndedEdits().size(); ++i) {
        out_ << "  edit \"" << host.EndedEdits()[i] << "\" kept\n";
    }
    if (host.CancelledEdits() > cancelled) out_ << "  edit \"" << host.LastEditName() << "\" cancelled: nothing changed\n";
    for (size_t i = redraws; i < host.redraws.size(); ++i) {
        const Region& r = host.redraws[i];
        out_ << "  music redrawn: slots " << r.startSlot << "-" << r.endSlot << ", measures " << r.startMeasure
             << "-" << r.endMeasure << "\n";
    }
    if (now.dialog == nullptr) {
        if (before.dialog != nullptr) out_ << "  window closed\n";
        return;
    }
    const long width = now.outer.right - now.outer.left;
    const long height = now.outer.bottom - now.outer.top;
    if (templateSize_.cx == 0) {
        MINMAXINFO limits = {};
        SendMessageW(now.dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        templateSize_ = { limits.ptMinTrackSize.x, limits.ptMinTrackSize.y };
        // The host places a new dialog's client area at its own client
        // area's corner; the outer corner lies the dialog's frame further out.
        POINT client = { 0, 0 };
        ClientToScreen(now.dialog, &client);
        hostPlace_.x -= client.x - now.outer.left;
        hostPlace_.y -= client.y - now.outer.top;
    }
    if (before.dialog != now.dialog) {
        out_ << "  window \"" << WindowText(now.dialog) << "\" opened " << Place(now.outer, now.dialog) << ", "
             << Size(now.outer, now.dialog) << "\n";
    } else if (width != before.outer.right - before.outer.left || height != before.outer.bottom - before.outer.top) {
        out_ << "  window resized to " << Size(now.outer, now.dialog) << "\n";
    }
    if (before.dialog != now.dialog) {
        out_ << "  fields:";
        for (const Field& field : kFields) {
            const bool checked = SendDlgItemMessageW(now.dialog, field.check, BM_GETCHECK, 0, 0) == BST_CHECKED;
            out_ << " " << field.name << " " << (checked ? "on " : "off ")
                 << WindowText(GetDlgItem(now.dialog, field.edit)) << "%" << (field.edit == 110 ? "" : ",");
        }
        out_ << "\n";
    }
    if (before.dialog != now.dialog || before.lines != now.lines) {
        out_ << "  staff list:";
        for (size_t i = 0; i < now.lines.size(); ++i) out_ << (i == 0 ? " " : " | ") << now.lines[i];
        if (now.lines.empty()) out_ << " (empty)";
        out_ << "\n";
    }
    if (before.dialog != now.dialog || before.selected != now.selected || before.lines != now.lines) {
        if (now.selected >= 0) out_ << "  selected: line " << now.selected + 1 << "\n";
        else out_ << "  selected: none\n";
    }
    if (before.dialog != now.dialog || before.applyEnabled != now.applyEnabled) {
        out_ << "  \"&Apply\" " << (now.applyEnabled ? "enabled" : "disabled") << "\n";
    }
    if ((before.dialog != now.dialog && !now.enabled) || (before.dialog == now.dialog && before.enabled != now.enabled)) {
        out_ << "  window " << (now.enabled ? "enabled" : "disabled") << "\n";
    }
}

int SessionRun::Run(const std::vector<std::string>& steps)
{
    if (!SetUp()) return 1;
    int status = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        if (programHost_.stepStarting) programHost_.stepStarting(i, step);
        out_ << "> " << step << "\n";
        const Host& host = Host::Get();
        const View before = Look();
        if (!SameRevision(*before_, host.score)) before_ = std::make_shared<const Score>(host.score);
        const Score& scoreBefore = *before_;
        const size_t boxes = ShownBoxes().size();
        const size_t beeps = PlayedBeeps().size();
        const size_t edits = host.EndedEdits().size();
        const int32_t cancelled = host.CancelledEdits();
        const size_t redraws = host.redraws.size();
        std::string problem;
        const bool done = Step(step, problem);
        if (done) Report(before, scoreBefore, boxes, beeps, edits, cancelled, redraws);
        if (done && !unansweredBox_.empty()) problem = "a message box with no answer: " + unansweredBox_;
        if (!done || !unansweredBox_.empty()) {
            err_ << "qvperfcopy session: step " << i + 1 << " (" << step << "): " << problem << "\n";
            status = 2;
            break;
        }
    }
    if (status == 0 && !terminated_) {
        out_ << "> (the host quits)\n";
        plugin_.terminate(0);
        terminated_ = true;
    }
    std::string settings;
    const bool haveSettings = ReadFile(SettingsFile(), settings);
    if (files_.checkAfterwards) {
        Host& host = Host::Get();
        std::string broken;
        // A host without the function that ends an edit or frees a frame
        // leaves its own edit open or its own frame loaded.
        if (host.EditOpen() && files_.hostLacks.count("FX_EndFinaleEdit") == 0) broken = "an edit is left open";
        else if (host.LiveFrameCount() != 0 && files_.hostLacks.count("FX_FreeTGF") == 0)
            broken = "a frame is left loaded";
        else if (haveSettings && OtherPluginsLines(settings) != OtherPluginsLines(originalSettings_))
            broken = "another plug-in's line of the settings file changed";
        else {
            // Undoing the host's way: what the plug-in changed lies in edits.
            if (host.EditOpen()) host.CancelEdit();
            while (host.Undo()) {
            }
            if (!(host.score.frames == original_->frames && host.score.records == original_->records))
                broken = "the score differs from the original after undoing every kept edit";
        }
        if (!broken.empty()) {
            err_ << "qvperfcopy session: after the run, " << broken;
            if (!host.FaultyFunction().empty()) err_ << " (the faulty call: " << host.FaultyFunction() << ")";
            err_ << "\n";
            if (status == 0) status = 4;
        }
    }
    if (status == 0) {
        out_ << "settings file:";
        if (!haveSettings) {
            out_ << " none\n";
        } else {
            out_ << "\n";
            std::istringstream lines(settings);
            std::string line;
            while (std::getline(lines, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                out_ << "  " << OneLine(SettingsLine(line, nullptr)) << "\n";
            }
        }
        std::string error;
        if (!files_.outputPath.empty()) {
            if (!WriteScoreFile(files_.outputPath, Host::Get().score, error)) {
                err_ << "qvperfcopy session: " << error << "\n";
                status = 1;
            } else {
                out_ << "Wrote " << files_.outputPath << "\n";
            }
        }
        if (status == 0 && !files_.settingsOutputPath.empty() && haveSettings) {
            if (!WriteFile(files_.settingsOutputPath, settings)) {
                err_ << "qvperfcopy session: cannot write " << files_.settingsOutputPath << "\n";
                status = 1;
            }
        }
    }
    TearDown();
    return status;
}

}  // namespace

std::optional<Region> ParseSelection(const std::string& text)
{
    int values[6];
    char separators[5];
    char rest;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%c%d%c%d%c%d%c", &values[0], &separators[0], &values[1],
                    &separators[1], &values[2], &separators[2], &values[3], &separators[3], &values[4],
                    &separators[4], &values[5], &rest) != 11) {
        return std::nullopt;
    }
    if (separators[0] != ':' || separators[1] != ':' || separators[2] != '-' || separators[3] != ':' ||
        separators[4] != ':')
        return std::nullopt;
    for (int i : { 0, 1, 3, 4 }) {
        if (values[i] < 1 || values[i] > 32767) return std::nullopt;
    }
    Region region;
    region.startSlot = static_cast<int16_t>(values[0]);
    region.startMeasure = static_cast<int16_t>(values[1]);
    region.startPosition = values[2];
    region.endSlot = static_cast<int16_t>(values[3]);
    region.endMeasure = static_cast<int16_t>(values[4]);
    region.endPosition = values[5];
    return region;
}

std::vector<std::string> OtherPluginsLines(const std::string& settings)
{
    std::vector<std::string> lines;
    std::istringstream text(settings);
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string start = line.substr(0, 11);
        for (char& c : start) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (start == "QVPERFCOPY_" || line.find('=') == std::string::npos || line[0] == '=') continue;
        lines.push_back(line);
    }
    return lines;
}

int RunSession(const PluginEntries& plugin, const std::vector<std::string>& steps, const SessionFiles& files,
               std::ostream& out, std::ostream& err, const SessionHost& programHost)
{
    SessionRun run(plugin, files, out, err, programHost);
    return run.Run(steps);
}

std::vector<std::string> ToolWindowStaffList()
{
    for (const auto& dialog : Host::Get().dialogs) {
        if (IsWindow(dialog.first)) return ListLines(dialog.first);
    }
    return {};
}

}  // namespace simhost
