// The plug-in's binary interface with the host, as only a real Windows run
// shows it: 16-bit host results with garbage in the rest of the register,
// and on 32-bit x86 the calling convention and stack alignment of every call
// across the boundary, and the 32-bit offsets of the frames.
#include <windows.h>

#include "HostMeasure.h"
#include "MessageBoxes.h"
#include "PluginCall.h"
#include "ScoreGenerator.h"
#include "SimHost.h"
#include "UserInput.h"
#include "data/EntryFrame.h"
#include "host/HostFunctions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// The plug-in's wrapper of each host function with a 16-bit result, called
// with arguments the simulated host accepts.
struct NarrowCall {
    const char* name;
    std::function<int32_t()> call;
};

std::vector<NarrowCall> NarrowCalls()
{
    static uint8_t key[8] = { 1, 0, 0, 0, 0, 0, 0, 0 };
    static uint8_t data[256] = {};
    static uint32_t size = sizeof data;
    static uint16_t text[64] = {};
    // A failing record call writes over the size it was given, as a strict
    // host does: each call states the room again.
    return {
        { "FX_LoadEData", [] {
             size = sizeof data;
             return FX_LoadEData(simhost::kStaffTag, key, data, &size, kInterfaceVersion);
         } },
        { "FX_SaveEData", [] { return FX_SaveEData(simhost::kStaffTag, key, data, sizeof data, kInterfaceVersion); } },
        { "FX_CreateEData", [] { return FX_CreateEData(simhost::kStaffTag, key, data, sizeof data, kInterfaceVersion); } },
        { "FX_DeleteEData", [] { return FX_DeleteEData(simhost::kStaffTag, key, kInterfaceVersion); } },
        { "FX_NextEData", [] { return FX_NextEData(simhost::kStaffTag, key, 0, 0, kInterfaceVersion); } },
        { "FX_SaveTGF", [] { return FX_SaveTGF(nullptr); } },
        { "FX_GetMaxLayers", [] { return FX_GetMaxLayers(); } },
        { "FX_GetShowLayer", [] { return FX_GetShowLayer(0); } },
        { "FX_InstToSlot", [] { return FX_InstToSlot(1, 7); } },
        { "FX_SlotToInst", [] { return FX_SlotToInst(1, 7); } },
        { "FX_GetCurrentEnigmaDocument", [] { return FX_GetCurrentEnigmaDocument(); } },
        { "FX_AutoNumberedName_UTF16", [] { return FX_AutoNumberedName_UTF16(1, 1, text, 64, 0); } },
    };
}

}  // namespace

TEST(PluginAbi, SixteenBitResultsAreReadFromTheLowHalfOnly)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    // The host program's export leaves garbage above the result.
    auto raw = reinterpret_cast<uint32_t(__cdecl*)(uint32_t)>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(nullptr), "FX_GetMaxLayers")));
    ASSERT_NE(nullptr, raw);
    EXPECT_EQ(0xA5A50004u, raw(kInterfaceVersion));

    const std::vector<NarrowCall> calls = NarrowCalls();
    ASSERT_EQ(12u, calls.size());
    for (const int32_t value : { -2, 0, 1, 32767, -32768 }) {
        for (const NarrowCall& narrow : calls) {
            host.Reset();
            host.ForceResult(narrow.name, value);
            EXPECT_EQ(value, narrow.call()) << narrow.name;
        }
    }
}

#ifdef SIMHOST_CHECKED_PLUGIN_CALLS

namespace {

// The bit Host::stackPhases gets from a call made with the stack aligned.
uint32_t AlignedPhase()
{
    simhost::Host& host = simhost::Host::Get();
    host.stackPhases = 0;
    auto export_ = reinterpret_cast<uint32_t(__cdecl*)(uint32_t)>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(nullptr), "FX_GetMaxLayers")));
    export_(kInterfaceVersion);
    return host.stackPhases;
}

template <typename Function>
const void* Address(Function function)
{
    return reinterpret_cast<const void*>(function);
}

uint32_t Word(const void* pointer)
{
    return reinterpret_cast<uint32_t>(pointer);
}

}  // namespace

// A host built by another compiler may call with the stack aligned to 4
// bytes only. The plug-in realigns it at every entry point and in its dialog
// procedure, so every host function it calls sees the alignment this
// compiler assumes, and the whole job still works, with one load of the
// plug-in for all shifts.
TEST(PluginAbi, EntryPointsAndTheDialogProcedureRealignAShiftedStack)
{
    simhost::WatchMessageBoxes([](const simhost::ShownBox& box) { return box.question ? IDYES : IDOK; });
    const uint32_t aligned = AlignedPhase();
    ASSERT_NE(0u, aligned);
    ScoreShape shape;
    shape.staves = 3;
    shape.measures = 2;
    const uint32_t faults = simhost::PluginCallFaults();
    finale::Plugin plugin;
    ASSERT_TRUE(finale::Start(L"qvperfcopy.fxt", GenerateScore(shape), plugin));
    simhost::Host& host = simhost::Host::Get();
    for (const uint32_t shift : { 4u, 8u, 12u, 0u }) {
        SCOPED_TRACE("stack shifted by " + std::to_string(shift) + " bytes");
        simhost::SetPluginStackShift(shift);
        uint32_t flags = 0;
        EXPECT_EQ(0x0F000000u, plugin.version(host.score.hostVersion));
        EXPECT_EQ(1u, plugin.init(0, &flags));
        std::vector<uint8_t> record(772, 0);
        EXPECT_EQ(1u, plugin.enumerateUTF16(0, 0, record.data()));
        finale::OpenToolWindow();
        HWND dialog = finale::PluginDialog();
        ASSERT_NE(nullptr, dialog);
        const size_t edits = host.EndedEdits().size();
        const size_t redraws = host.redraws.size();
        simhost::ClickListLine(GetDlgItem(dialog, 102), 0);
        simhost::ClickButton(GetDlgItem(dialog, 1));
        simhost::LetTimePass(600);
        EXPECT_EQ(edits + 1, host.EndedEdits().size());
        EXPECT_LT(redraws, host.redraws.size());
        host.Undo();
        simhost::ClickButton(GetDlgItem(dialog, 2));
    }
    simhost::SetPluginStackShift(12);
    finale::Stop(plugin);
    simhost::SetPluginStackShift(0);
    simhost::StopWatchingMessageBoxes();
    EXPECT_EQ(aligned, host.stackPhases);
    EXPECT_EQ(faults, simhost::PluginCallFaults());
}

// Thousands of calls through the plug-in's host function table, each with
// the stack pointer and the callee-saved registers checked on return: a
// function declared with another convention than the host's cdecl moves the
// stack pointer at the first call.
TEST(PluginAbi, CallsThroughTheHostFunctionTableLeaveTheStackAsTheyFoundIt)
{
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.logCalls = false;
    host.score.staffOrder = { 1, 2 };
    host.score.SetStaffRecord(1, std::string("Violin"));
    host.score.SetStaffRecord(2, std::nullopt);
    simhost::EntrySpec entry;
    entry.position = 0;
    host.score.AddEntry(1, 1, 0, entry);
    uint8_t key[8] = { 1, 0, 0, 0, 0, 0, 0, 0 };
    uint8_t data[256] = {};
    uint32_t size = sizeof data;
    uint16_t text[64] = {};
    char narrow[64] = {};
    int32_t selected = 0;
    uint8_t region[64] = {};
    uint8_t second[64] = {};
    double value = 0;
    const uint32_t v = kInterfaceVersion;
    struct Call {
        const void* function;
        std::vector<uint32_t> words;
    };
    const std::vector<Call> calls = {
        { Address(&FX_GetMaxLayers), { v } },
        { Address(&FX_GetShowLayer), { 0, v } },
        { Address(&FX_InstToSlot), { 2, 0, v } },
        { Address(&FX_SlotToInst), { 2, 0, v } },
        { Address(&FX_GetCurrentEnigmaDocument), { v } },
        { Address(&FX_GetCurrentPartID), { v } },
        { Address(&FX_GetCurrentWindow), { v } },
        { Address(&FX_LoadEData), { simhost::kStaffTag, Word(key), Word(data), Word(&size), v } },
        { Address(&FX_NextEData), { simhost::kStaffTag, Word(key), 0, 0, v } },
        { Address(&FX_GetFinalePath), { 0, Word(text), v } },
        { Address(&FX_AutoNumberedName_UTF16), { 1, 1, Word(text), 64, 0, v } },
        { Address(&FX_GetCurERegions), { Word(&selected), Word(region), Word(second), v } },
        { Address(&FX_GetDlgItemVal), { 0, 104, 3, v } },
        { Address(&FX_SetDlgItemVal), { 0, 104, 3, 5, v } },
        { Address(&FX_EnableDlgItem), { 0, 104, 1, v } },
        { Address(&FX_GetDlgString), { 0, 104, Word(narrow), 64, v } },
        { Address(&FX_SetDlgString), { 0, 104, Word("x"), v } },
        { Address(&FX_GetDlgItemUser), { 0, 104, 0, Word(&value), v } },
        { Address(&FX_SetDlgItemUser), { 0, 104, 0, 0, 0x40590000, v } },  // 100.0 as two words
    };
    const uint32_t faults = simhost::PluginCallFaults();
    int32_t made = 0;
    for (int round = 0; round < 600; ++round) {
        // A failing record call writes over its key and size, as a strict
        // host does: each round starts from the first staff and the whole room.
        std::memset(key, 0, sizeof key);
        key[0] = 1;
        size = sizeof data;
        for (const Call& call : calls) {
            const std::vector<uint32_t>& w = call.words;
            switch (w.size()) {
            case 1: simhost::CallPlugin(call.function, { w[0] }); break;
            case 2: simhost::CallPlugin(call.function, { w[0], w[1] }); break;
            case 3: simhost::CallPlugin(call.function, { w[0], w[1], w[2] }); break;
            case 4: simhost::CallPlugin(call.function, { w[0], w[1], w[2], w[3] }); break;
            case 5: simhost::CallPlugin(call.function, { w[0], w[1], w[2], w[3], w[4] }); break;
            case 6: simhost::CallPlugin(call.function, { w[0], w[1], w[2], w[3], w[4], w[5] }); break;
            default: FAIL() << "no call with " << w.size() << " words";
            }
            ++made;
        }
        // A frame, loaded, saved and freed, and an edit started and ended.
        const uint32_t frame = simhost::CallPlugin(Address(&FX_LoadTGF), { 0, 1, 1, 0, 1, v });
        ASSERT_NE(0u, frame);
        simhost::CallPlugin(Address(&FX_SaveTGF), { frame, v });
        simhost::CallPlugin(Address(&FX_FreeTGF), { frame, v });
        simhost::CallPlugin(Address(&FX_StartFinaleEdit), { Word("Abi"), v });
        simhost::CallPlugin(Address(&FX_EndFinaleEdit), { v });
        made += 5;
    }
    EXPECT_EQ(14400, made);
    EXPECT_EQ(faults, simhost::PluginCallFaults());
    // The results came back through the checked calls too.
    EXPECT_EQ(2u, simhost::CallPlugin(Address(&FX_InstToSlot), { 2, 0, v }));
    EXPECT_EQ(0u, host.LiveFrameCount());
}

// The checker itself: a callee that pops its own arguments (__stdcall) or
// changes a callee-saved register is counted.
extern "C" uint32_t __stdcall QvAbiPopsItsArgument(uint32_t word)
{
    return word + 1;
}

TEST(PluginAbi, TheCallCheckerNoticesAMismatchedConvention)
{
    const uint32_t faults = simhost::PluginCallFaults();
    EXPECT_EQ(8u, simhost::CallPlugin(Address(&QvAbiPopsItsArgument), { 7 }));
    EXPECT_EQ(faults + 1, simhost::PluginCallFaults());
}

// On 32-bit Windows a frame carries the address of its first entry in the
// four bytes at offset 14, and the entry count right after it: the plug-in's
// reader and its normalisation before a save keep to those offsets.
TEST(PluginAbi, FramesCarryTheirEntryAddressInFourBytesAtOffsetFourteen)
{
    ASSERT_EQ(4u, sizeof(void*));
    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    host.score.staffOrder = { 1 };
    simhost::EntrySpec entry;
    for (int32_t position : { 0, 256, 512 }) {
        entry.position = position;
        host.score.AddEntry(1, 1, 0, entry);
    }
    void* frame = FX_LoadTGF(0, 1, 1, 0, 1);
    ASSERT_NE(nullptr, frame);
    const uint8_t* bytes = static_cast<const uint8_t*>(frame);
    const uint32_t first = GetLE32(bytes, frame::kFirstEntry);
    ASSERT_EQ(3, frame::EntryCount(frame));
    EXPECT_EQ(3u, GetLE16(bytes, frame::kEntryCount));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(first), frame::EntryAt(frame, 0));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(first) + 2 * frame::kEntrySize, frame::EntryAt(frame, 2));
    EXPECT_EQ(512, static_cast<int32_t>(GetLE32(frame::EntryAt(frame, 2), frame::kPosition)));
    std::vector<uint8_t> header(bytes, bytes + frame::kHeaderSize);
    frame::NormaliseForSave(frame);
    EXPECT_EQ(header, std::vector<uint8_t>(bytes, bytes + frame::kHeaderSize));
    EXPECT_NE(0, FX_SaveTGF(frame));
    FX_FreeTGF(frame);
    EXPECT_EQ(0u, host.LiveFrameCount());
}

#endif
