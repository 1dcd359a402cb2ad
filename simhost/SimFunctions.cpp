#include "SimFunctions.h"

#include "SimHost.h"
#include "core/ByteAccess.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace simhost {

namespace {

// Value kinds of the dialog item functions.
constexpr int32_t kCheckValue = 1;
constexpr int32_t kIntegerValue = 3;

int64_t Address(const void* pointer)
{
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(pointer));
}

uint64_t KeyBytes(const void* key)
{
    uint64_t value = 0;
    if (key != nullptr) {
        const uint8_t* bytes = static_cast<const uint8_t*>(key);
        for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
    }
    return value;
}

std::string Narrow(const uint16_t* units)
{
    std::string text;
    for (; units != nullptr && *units != 0; ++units) text += static_cast<char>(*units & 0xFF);
    return text;
}

LoggedCall RecordCall(const char* function, std::vector<int64_t> args, const void* key)
{
    LoggedCall logged{ function, std::move(args) };
    logged.key = KeyBytes(key);
    return logged;
}

// A record call must pass the version of the record's family; the host
// refuses any other.
bool VersionFits(uint32_t tag, uint32_t version)
{
    const std::optional<uint32_t> expected = Host::Get().score.RecordVersion(tag);
    return !expected || *expected == version;
}

// Logs the call; a forced result, if any, replaces the host's own answer.
std::optional<int64_t> Enter(LoggedCall call)
{
    return Host::Get().Enter(std::move(call));
}

// What a record call answers: a failure (0) first writes over the buffers
// it was given, when the host is strict. Null buffers are left alone.
int16_t RecordAnswer(int64_t answer, void* key, void* data, std::size_t dataSize, uint32_t* size)
{
    if (answer != 0 || !Host::Get().scribblesOnFailure) return static_cast<int16_t>(answer);
    if (key != nullptr) std::memset(key, Host::kScribble, 8);
    if (data != nullptr) std::memset(data, Host::kScribble, dataSize);
    if (size != nullptr) std::memset(size, Host::kScribble, sizeof *size);
    return 0;
}

}  // namespace

int16_t QV_CDECL FX_LoadEData(uint32_t tag, void* key, void* data, uint32_t* size,
                              uint32_t recordVersion)
{
    LoggedCall logged = RecordCall("FX_LoadEData",
                                 { tag, Address(key), Address(data), Address(size), recordVersion }, key);
    logged.sizeIn = size != nullptr ? *size : 0;
    // The room the caller offered, which a failure writes over.
    const std::size_t room = data != nullptr && size != nullptr ? *size : 0;
    std::optional<int64_t> forced = Enter(std::move(logged));
    if (forced) return RecordAnswer(*forced, key, data, room, size);
    Host& host = Host::Get();
    if (key == nullptr || size == nullptr || !VersionFits(tag, recordVersion))
        return RecordAnswer(0, key, data, room, size);
    if (host.NonsenseNow()) {
        *size += 4096;  // more than the buffer holds
        return 1;
    }
    const std::vector<uint8_t>* record = host.FindRecord(tag, static_cast<uint8_t*>(key));
    if (record == nullptr) return RecordAnswer(0, key, data, room, size);
    const uint32_t stored = static_cast<uint32_t>(record->size());
    if (data != nullptr) std::memcpy(data, record->data(), stored < *size ? stored : *size);
    *size = stored + host.extraReportedSize;
    return 1;
}

int16_t QV_CDECL FX_SaveEData(uint32_t tag, void* key, void* data, uint32_t size,
                              uint32_t recordVersion)
{
    std::optional<int64_t> forced = Enter(RecordCall("FX_SaveEData",
                                       { tag, Address(key), Address(data), size, recordVersion }, key));
    if (forced) return RecordAnswer(*forced, key, data, size, nullptr);
    if (key == nullptr || !VersionFits(tag, recordVersion)) return RecordAnswer(0, key, data, size, nullptr);
    const bool saved =
        Host::Get().score.records.Save(tag, static_cast<uint8_t*>(key), static_cast<uint8_t*>(data), size);
    return RecordAnswer(saved ? 1 : 0, key, data, size, nullptr);
}

int16_t QV_CDECL FX_CreateEData(uint32_t tag, void* key, void* data, uint32_t size,
                                uint32_t recordVersion)
{
    std::optional<int64_t> forced = Enter(RecordCall("FX_CreateEData",
                                       { tag, Address(key), Address(data), size, recordVersion }, key));
    if (forced) return RecordAnswer(*forced, key, data, size, nullptr);
    if (key == nullptr || !VersionFits(tag, recordVersion)) return RecordAnswer(0, key, data, size, nullptr);
    Host& host = Host::Get();
    const bool created = host.score.records.Create(tag, static_cast<uint8_t*>(key), static_cast<uint8_t*>(data),
                                                   size, !host.createLeavesKey);
    return RecordAnswer(created ? 1 : 0, key, data, size, nullptr);
}

int16_t QV_CDECL FX_DeleteEData(uint32_t tag, void* key, uint32_t recordVersion)
{
    std::optional<int64_t> forced = Enter(RecordCall("FX_DeleteEData", { tag, Address(key), recordVersion }, key));
    if (forced) return RecordAnswer(*forced, key, nullptr, 0, nullptr);
    if (key == nullptr || !VersionFits(tag, recordVersion)) return RecordAnswer(0, key, nullptr, 0, nullptr);
    const bool deleted = Host::Get().score.records.Delete(tag, static_cast<uint8_t*>(key));
    return RecordAnswer(deleted ? 1 : 0, key, nullptr, 0, nullptr);
}

int16_t QV_CDECL FX_NextEData(uint32_t tag, void* key, int32_t zero1, int32_t zero2,
                              uint32_t recordVersion)
{
    std::optional<int64_t> forced = Enter(RecordCall("FX_NextEData",
                                       { tag, Address(key), zero1, zero2, recordVersion }, key));
    if (forced) return RecordAnswer(*forced, key, nullptr, 0, nullptr);
    if (key == nullptr || !VersionFits(tag, recordVersion)) return RecordAnswer(0, key, nullptr, 0, nullptr);
    Host& host = Host::Get();
    if (host.NonsenseNow()) return 1;  // "the next key" is the same key
    if (host.NextRecord(tag, static_cast<uint8_t*>(key))) return 1;
    const auto records = host.score.records.RecordsOf(tag);
    if (!host.nextGoesRound || records.empty()) return RecordAnswer(0, key, nullptr, 0, nullptr);
    std::memcpy(key, records.front().first.data(), 8);
    return 1;
}

void* QV_CDECL FX_LoadTGF(int32_t zero, int16_t slot, int16_t measure, int32_t layer,
                          uint8_t loadOption, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_LoadTGF", { zero, slot, measure, layer, loadOption, version } });
    if (forced) return reinterpret_cast<void*>(static_cast<intptr_t>(*forced));
    // The first argument names the staff list the slot counts in.
    return Host::Get().LoadFrame(slot, measure, layer, static_cast<int16_t>(zero));
}

int16_t QV_CDECL FX_SaveTGF(void* frame, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_SaveTGF", { Address(frame), version } });
    if (forced) return static_cast<int16_t>(*forced);
    return Host::Get().SaveFrame(frame);
}

void QV_CDECL FX_FreeTGF(void* frame, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_FreeTGF", { Address(frame), version } });
    if (forced) return;
    Host::Get().FreeFrame(frame);
}

int16_t QV_CDECL FX_GetMaxLayers(uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetMaxLayers", { version } });
    if (forced) return static_cast<int16_t>(*forced);
    return static_cast<int16_t>(Host::Get().score.maxLayers);
}

int16_t QV_CDECL FX_GetShowLayer(int32_t layer, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetShowLayer", { layer, version } });
    if (forced) return static_cast<int16_t>(*forced);
    return Host::Get().score.IsLayerShown(layer);
}

int16_t QV_CDECL FX_InstToSlot(int16_t staff, int16_t slotContext, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_InstToSlot", { staff, slotContext, version } });
    if (forced) return static_cast<int16_t>(*forced);
    return Host::Get().score.SlotOf(staff, slotContext);
}

int16_t QV_CDECL FX_SlotToInst(int16_t slot, int16_t slotContext, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_SlotToInst", { slot, slotContext, version } });
    if (forced) return static_cast<int16_t>(*forced);
    return Host::Get().score.StaffAt(slot, slotContext);
}

int32_t QV_CDECL FX_GetCurERegions(int32_t* outValue, void* selection, void* secondRegion,
                                   uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetCurERegions",
                              { Address(outValue), Address(selection), Address(secondRegion), version } });
    if (forced) return static_cast<int32_t>(*forced);
    const Region& region = Host::Get().score.selection;
    // The host's second record gets the same selection.
    for (void* record : { selection, secondRegion }) {
        if (record == nullptr) continue;
        std::memset(record, 0, 20);
        SetLE16(record, 0, static_cast<uint16_t>(region.startSlotContext));
        SetLE16(record, 10, static_cast<uint16_t>(region.endSlotContext));
        SetLE16(record, 2, static_cast<uint16_t>(region.startSlot));
        SetLE16(record, 4, static_cast<uint16_t>(region.startMeasure));
        SetLE32(record, 6, static_cast<uint32_t>(region.startPosition));
        SetLE16(record, 12, static_cast<uint16_t>(region.endSlot));
        SetLE16(record, 14, static_cast<uint16_t>(region.endMeasure));
        SetLE32(record, 16, static_cast<uint32_t>(region.endPosition));
    }
    if (outValue != nullptr) *outValue = 0;
    return 1;
}

void QV_CDECL FX_RedrawMusic(void* region, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_RedrawMusic", { Address(region), version } });
    if (forced || region == nullptr) return;
    Host& host = Host::Get();
    Region redrawn;
    redrawn.startSlotContext = static_cast<int16_t>(GetLE16(region, 0));
    redrawn.startSlot = static_cast<int16_t>(GetLE16(region, 2));
    redrawn.startMeasure = static_cast<int16_t>(GetLE16(region, 4));
    redrawn.startPosition = static_cast<int32_t>(GetLE32(region, 6));
    redrawn.endSlotContext = static_cast<int16_t>(GetLE16(region, 10));
    redrawn.endSlot = static_cast<int16_t>(GetLE16(region, 12));
    redrawn.endMeasure = static_cast<int16_t>(GetLE16(region, 14));
    redrawn.endPosition = static_cast<int32_t>(GetLE32(region, 16));
    host.redraws.push_back(redrawn);
    if (host.mainWindow != nullptr) InvalidateRect(host.mainWindow, nullptr, TRUE);
}

int16_t QV_CDECL FX_GetCurrentEnigmaDocument(uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetCurrentEnigmaDocument", { version } });
    if (forced) return static_cast<int16_t>(*forced);
    return Host::Get().score.document;
}

int32_t QV_CDECL FX_GetCurrentPartID(uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetCurrentPartID", { version } });
    if (forced) return static_cast<int32_t>(*forced);
    return Host::Get().score.part;
}

HWND QV_CDECL FX_GetCurrentWindow(uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetCurrentWindow", { version } });
    if (forced) return reinterpret_cast<HWND>(static_cast<intptr_t>(*forced));
    return Host::Get().CurrentWindow();
}

int32_t QV_CDECL FX_GetFinalePath(int32_t selector, void* buffer, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetFinalePath", { selector, Address(buffer), version } });
    if (forced) return static_cast<int32_t>(*forced);
    if (buffer == nullptr) return 0;
    const Host& host = Host::Get();
    auto* bytes = static_cast<uint8_t*>(buffer);
    constexpr std::size_t kPathBytes = 520;
    if (host.fillsTextBuffers) {
        std::memset(bytes, 'A', kPathBytes);
        return 1;
    }
    std::vector<uint8_t> path = host.score.EncodeText(host.finalePath);
    std::memcpy(bytes, path.data(), path.size() < kPathBytes ? path.size() : kPathBytes);
    return 1;
}

int16_t QV_CDECL FX_AutoNumberedName_UTF16(int16_t value, int16_t number, uint16_t* buffer,
                                           int32_t capacity, int32_t zero, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_AutoNumberedName_UTF16",
                              { value, number, Address(buffer), capacity, zero, version } });
    if (forced) return static_cast<int16_t>(*forced);
    const Host& host = Host::Get();
    auto name = host.score.autoNames.find(number);
    if (name == host.score.autoNames.end() || buffer == nullptr || capacity <= 0) return 0;
    if (host.fillsTextBuffers) {
        for (int32_t i = 0; i < capacity; ++i) buffer[i] = 'A';
        return 1;
    }
    const std::u16string units = Utf8ToUnits(name->second);
    const std::size_t count = units.size() < static_cast<std::size_t>(capacity) ? units.size() : capacity - 1;
    for (std::size_t i = 0; i < count; ++i) buffer[i] = units[i];
    buffer[count] = 0;
    return 1;
}

int32_t QV_CDECL FX_Dialog(int16_t resource, FX_DialogProc procedure, HWND parent, int32_t zero,
                           void* owner, uint32_t version)
{
    LoggedCall logged{ "FX_Dialog",
                     { resource, Address(reinterpret_cast<void*>(procedure)), Address(parent), zero,
                       Address(owner), version } };
    std::optional<int64_t> forced = Enter(logged);
    if (forced) return static_cast<int32_t>(*forced);
    return Host::Get().OpenPluginDialog(resource, procedure, parent, owner) != nullptr ? 1 : 0;
}

void QV_CDECL FX_EndDialog(HWND dialog, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_EndDialog", { Address(dialog), version } });
    if (forced) return;
    DestroyWindow(dialog);
}

int32_t QV_CDECL FX_EnableDlgItem(HWND dialog, int16_t item, uint8_t enable, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_EnableDlgItem", { Address(dialog), item, enable, version } });
    if (forced) return static_cast<int32_t>(*forced);
    HWND control = GetDlgItem(dialog, item);
    if (control == nullptr) return 0;
    EnableWindow(control, enable != 0);
    return 1;
}

int32_t QV_CDECL FX_GetDlgItemVal(HWND dialog, int16_t item, int32_t kind, uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetDlgItemVal", { Address(dialog), item, kind, version } });
    if (forced) return static_cast<int32_t>(*forced);
    switch (kind) {
    case kCheckValue:
        return static_cast<int32_t>(IsDlgButtonChecked(dialog, item));
    case kIntegerValue: {
        BOOL translated = FALSE;
        const int32_t value = static_cast<int32_t>(GetDlgItemInt(dialog, item, &translated, TRUE));
        return translated ? value : 0;
    }
    default:
        return 0;
    }
}

int32_t QV_CDECL FX_SetDlgItemVal(HWND dialog, int16_t item, int32_t kind, int32_t value,
                                  uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_SetDlgItemVal", { Address(dialog), item, kind, value, version } });
    if (forced) return static_cast<int32_t>(*forced);
    switch (kind) {
    case kCheckValue:
        // The state goes to the button as it is given: 2 would gray it.
        return CheckDlgButton(dialog, item, static_cast<UINT>(value)) ? 1 : 0;
    case kIntegerValue:
        return SetDlgItemInt(dialog, item, static_cast<UINT>(value), TRUE) ? 1 : 0;
    default:
        return 0;
    }
}

int32_t QV_CDECL FX_GetDlgItemUser(HWND dialog, int16_t item, int32_t zero, double* value,
                                   uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetDlgItemUser", { Address(dialog), item, zero, Address(value), version } });
    if (forced) return static_cast<int32_t>(*forced);
    if (value == nullptr) return 0;
    char text[64] = {};
    GetDlgItemTextA(dialog, item, text, static_cast<int>(sizeof text));
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text) return 0;
    *value = number;
    return 1;
}

int32_t QV_CDECL FX_SetDlgItemUser(HWND dialog, int16_t item, int32_t zero, double value,
                                   uint32_t version)
{
    LoggedCall logged{ "FX_SetDlgItemUser", { Address(dialog), item, zero, 0, version } };
    std::memcpy(&logged.args[3], &value, sizeof value);  // the double's bits
    std::optional<int64_t> forced = Enter(logged);
    if (forced) return static_cast<int32_t>(*forced);
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return SetDlgItemTextA(dialog, item, text) ? 1 : 0;
}

int32_t QV_CDECL FX_GetDlgString(HWND dialog, int16_t item, char* buffer, int32_t capacity,
                                 uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetDlgString", { Address(dialog), item, Address(buffer), capacity, version } });
    if (forced) return static_cast<int32_t>(*forced);
    if (buffer == nullptr || capacity <= 0) return 0;
    if (Host::Get().fillsTextBuffers) {
        std::memset(buffer, 'A', static_cast<std::size_t>(capacity));
        return 1;
    }
    return static_cast<int32_t>(GetDlgItemTextA(dialog, item, buffer, capacity));
}

int32_t QV_CDECL FX_GetDlgString_UTF16(HWND dialog, int16_t item, uint16_t* buffer, int32_t capacity,
                                       uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_GetDlgString_UTF16",
                              { Address(dialog), item, Address(buffer), capacity, version } });
    if (forced) return static_cast<int32_t>(*forced);
    if (buffer == nullptr || capacity <= 0) return 0;
    if (Host::Get().fillsTextBuffers) {
        for (int32_t i = 0; i < capacity; ++i) buffer[i] = 'A';
        return 1;
    }
    return static_cast<int32_t>(GetDlgItemTextW(dialog, item, reinterpret_cast<LPWSTR>(buffer), capacity));
}

int32_t QV_CDECL FX_SetDlgString(HWND dialog, int16_t item, const char* text, uint32_t version)
{
    LoggedCall logged{ "FX_SetDlgString", { Address(dialog), item, Address(text), version } };
    logged.text = text != nullptr ? text : "";
    std::optional<int64_t> forced = Enter(logged);
    if (forced) return static_cast<int32_t>(*forced);
    return SetDlgItemTextA(dialog, item, text != nullptr ? text : "") ? 1 : 0;
}

int32_t QV_CDECL FX_SetDlgString_UTF16(HWND dialog, int16_t item, const uint16_t* text,
                                       uint32_t version)
{
    LoggedCall logged{ "FX_SetDlgString_UTF16", { Address(dialog), item, Address(text), version } };
    logged.text = Narrow(text);
    std::optional<int64_t> forced = Enter(logged);
    if (forced) return static_cast<int32_t>(*forced);
    static const uint16_t kEmpty[1] = { 0 };
    return SetDlgItemTextW(dialog, item, reinterpret_cast<LPCWSTR>(text != nullptr ? text : kEmpty)) ? 1 : 0;
}

int32_t QV_CDECL FX_StartFinaleEdit(const char* name, uint32_t version)
{
    LoggedCall logged{ "FX_StartFinaleEdit", { Address(name), version } };
    logged.text = name != nullptr ? name : "";
    std::optional<int64_t> forced = Enter(logged);
    if (forced) return static_cast<int32_t>(*forced);
    Host::Get().StartEdit(logged.text);
    return 1;
}

int32_t QV_CDECL FX_StartFinaleEdit_UTF16(const uint16_t* name, uint32_t version)
{
    LoggedCall logged{ "FX_StartFinaleEdit_UTF16", { Address(name), version } };
    logged.text = Narrow(name);
    std::optional<int64_t> forced = Enter(logged);
    if (forced) return static_cast<int32_t>(*forced);
    Host::Get().StartEdit(logged.text);
    return 1;
}

int32_t QV_CDECL FX_EndFinaleEdit(uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_EndFinaleEdit", { version } });
    if (forced) return static_cast<int32_t>(*forced);
    Host::Get().EndEdit();
    return 1;
}

void QV_CDECL FX_CancelFinaleEdit(uint32_t version)
{
    std::optional<int64_t> forced = Enter({ "FX_CancelFinaleEdit", { version } });
    if (forced) return;
    Host::Get().CancelEdit();
}

}  // namespace simhost
