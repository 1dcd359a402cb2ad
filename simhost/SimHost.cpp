#include "SimHost.h"

#include "LowMemory.h"
#include "core/ByteAccess.h"

#include <cstring>

#ifndef _WIN32
#include "ModuleRegistry.h"

// The plug-in's compiled resources, built into the native programs.
extern const uint8_t kPluginResources[];
extern const size_t kPluginResourcesSize;
#endif

namespace simhost {

Host& Host::Get()
{
    static Host host;
    return host;
}

Host::~Host()
{
    for (auto& frame : liveFrames_) FreeLow(frame.first, frame.second.bytes);
}

namespace {

std::string& DefaultFinalePath()
{
    static std::string path;
    return path;
}

}  // namespace

void Host::SetDefaultFinalePath(const std::string& path)
{
    DefaultFinalePath() = path;
}

void Host::Reset()
{
    for (auto& frame : liveFrames_) FreeLow(frame.first, frame.second.bytes);
    liveFrames_.clear();
    *this = Host();
    finalePath = DefaultFinalePath();
}

namespace {

// Frame header as the plug-in reads it; entry records follow the header.
constexpr std::size_t kFrameHeaderSize = 32;

}  // namespace

void* Host::LoadFrame(int16_t slot, int16_t measure, int32_t layer, int16_t slotContext)
{
    const int16_t staff = score.StaffAt(slot, slotContext);
    if (staff == 0 || measure < 1 || measure > score.measureCount || layer < 0 || layer >= score.maxLayers)
        return nullptr;
    const FrameKey key(staff, measure, layer);
    auto stored = score.frames.find(key);
    const Frame empty;
    const Frame& content = stored != score.frames.end() ? stored->second : empty;

    const std::size_t bytes = kFrameHeaderSize + kEntrySize * content.entries.size();
    auto* frame = static_cast<uint8_t*>(AllocateLow(bytes));
    if (frame == nullptr) return nullptr;
    uint8_t* first = frame + kFrameHeaderSize;
    for (std::size_t j = 0; j < content.entries.size(); ++j) {
        std::memcpy(first + kEntrySize * j, content.entries[j].data(), kEntrySize);
    }
    SetLE16(frame, 0, static_cast<uint16_t>(slotContext));
    SetLE16(frame, 2, static_cast<uint16_t>(slot));
    SetLE16(frame, 6, static_cast<uint16_t>(measure));
    SetLE16(frame, 10, content.writeGuarded ? 1 : 0);
    SetLE32(frame, 14, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(first)));
    SetLE16(frame, 18, static_cast<uint16_t>(content.entries.size()));
    liveFrames_[frame] = { key, bytes, content.entries.size() };
    return frame;
}

bool Host::SaveFrame(void* frame)
{
    auto live = liveFrames_.find(frame);
    if (live == liveFrames_.end() || GetLE16(frame, 10) != 0) return false;
    std::size_t count = GetLE16(frame, 18);
    if (count > live->second.entries) count = live->second.entries;
    const uint8_t* first = static_cast<uint8_t*>(frame) + kFrameHeaderSize;
    std::vector<EntryBytes> entries(count);
    for (std::size_t j = 0; j < count; ++j) std::memcpy(entries[j].data(), first + kEntrySize * j, kEntrySize);
    if (!entries.empty() || score.frames.count(live->second.key) != 0)
        score.frames[live->second.key].entries = std::move(entries);
    score.framesRevision = RecordStore::NewRevision();
    return true;
}

void Host::FreeFrame(void* frame)
{
    auto live = liveFrames_.find(frame);
    if (live == liveFrames_.end()) {
        if (freedFrames_.count(frame) != 0) ++framesFreedTwice_;
        return;
    }
    FreeLow(frame, live->second.bytes);
    liveFrames_.erase(live);
    freedFrames_.insert(frame);
}

void Host::ForceResult(const std::string& function, int64_t value, int64_t nth, int64_t count)
{
    forced_[function].push_back({ value, nth, nth + count - 1 });
}

std::vector<LoggedCall> Host::CallsTo(const std::string& function) const
{
    std::vector<LoggedCall> matching;
    for (const LoggedCall& call : calls_) {
        if (call.function == function) matching.push_back(call);
    }
    return matching;
}

std::vector<std::string> Host::CallNames() const
{
    std::vector<std::string> names;
    for (const LoggedCall& call : calls_) names.push_back(call.function);
    return names;
}

const std::vector<uint8_t>* Host::FindRecord(uint32_t tag, const uint8_t* key)
{
    if (tag != kSystemStaffTag || GetLE16(key, 0) != 0) return score.records.Find(tag, key);
    const uint16_t inci = GetLE16(key, 2);
    if (inci >= score.staffOrder.size()) return nullptr;
    listedStaff_.assign(24, 0);
    SetLE16(listedStaff_.data(), 0, static_cast<uint16_t>(score.staffOrder[inci]));
    return &listedStaff_;
}

bool Host::NextRecord(uint32_t tag, uint8_t* key) const
{
    if (tag != kSystemStaffTag) return score.records.Next(tag, key);
    // Item 0 comes first; it is the staff order.
    if (GetLE16(key, 0) == 0 && GetLE16(key, 2) + 1u < score.staffOrder.size()) {
        SetLE16(key, 2, static_cast<uint16_t>(GetLE16(key, 2) + 1));
        return true;
    }
    uint8_t stored[8];
    std::memcpy(stored, key, sizeof stored);
    if (GetLE16(stored, 0) == 0) SetLE16(stored, 2, 0xFFFF);
    if (!score.records.Next(tag, stored)) return false;
    std::memcpy(key, stored, sizeof stored);
    return true;
}

void Host::AddTime(const std::string& function, int64_t nanoseconds)
{
    statistics_[function].nanoseconds += nanoseconds;
}

__attribute__((noinline)) std::optional<int64_t> Host::Enter(LoggedCall call)
{
    stackPhases |= 1u << ((reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) >> 2) & 3);
    auto statistics = statistics_.try_emplace(call.function).first;
    const int64_t ordinal = ++statistics->second.calls;
    std::optional<int64_t> forcedResult;
    auto rules = forced_.find(call.function);
    if (rules != forced_.end()) {
        // The rule given last wins where several cover the same call.
        for (auto rule = rules->second.rbegin(); rule != rules->second.rend(); ++rule) {
            if (ordinal >= rule->first && ordinal <= rule->last) {
                forcedResult = rule->value;
                break;
            }
        }
    }
    // The host's own tidying (freeing a frame, ending an edit or a dialog)
    // gives the plug-in nothing to see, so the sweep does not fail it.
    const bool tidying = call.function == "FX_FreeTGF" || call.function == "FX_EndFinaleEdit" ||
                         call.function == "FX_EndDialog";
    if (++totalCalls_ == faultyCall && !tidying) {
        faultyFunction_ = call.function;
        // Failure values: 0 (or none), and -1 for the part. Nonsense: the
        // functions with out-parameters answer it themselves; a frame or an
        // edit has no number to garble, so it fails; the others answer a
        // negative number.
        const bool noNumber = call.function == "FX_LoadTGF" || call.function == "FX_StartFinaleEdit" ||
                              call.function == "FX_StartFinaleEdit_UTF16";
        if (!nonsense || noNumber) forcedResult = call.function == "FX_GetCurrentPartID" ? -1 : 0;
        else if (call.function != "FX_LoadEData" && call.function != "FX_NextEData") forcedResult = -7;
    }
    if (logCalls) calls_.push_back(std::move(call));
    return forcedResult;
}

void Host::StartEdit(const std::string& name)
{
    if (editOpen_) return;  // nested starts belong to the open edit
    editOpen_ = true;
    editName_ = name;
    beforeEdit_ = score;
}

void Host::EndEdit()
{
    if (!editOpen_) return;
    endedEdits_.push_back(editName_);
    undoSteps_.push_back({ editName_, std::move(beforeEdit_) });
    beforeEdit_ = Score();
    editOpen_ = false;
}

void Host::CancelEdit()
{
    if (!editOpen_) return;
    ++cancelledEdits_;
    score = std::move(beforeEdit_);
    beforeEdit_ = Score();
    editOpen_ = false;
}

std::optional<std::string> Host::Undo()
{
    if (editOpen_ || undoSteps_.empty()) return std::nullopt;
    UndoStep step = std::move(undoSteps_.back());
    undoSteps_.pop_back();
    score = std::move(step.before);
    return step.name;
}

#ifndef _WIN32
HMODULE RegisterPluginModule()
{
    HMODULE module = GetModuleHandleA("qvperfcopy.fxt");
    if (module == nullptr) {
        module = win32stub::RegisterModule("qvperfcopy.fxt");
        win32stub::AddResources(module, kPluginResources, kPluginResourcesSize);
    }
    Host::Get().pluginModule = module;
    return module;
}
#endif

}  // namespace simhost
