// The record readers on arbitrary host bytes and sizes: staff, text block
// and raw text (a staff's name), group and system staff (the staff list and
// group names), the performance record, and the Human Playback record. No
// read goes past what the host gave, and every name fits in what was read.
#include "FuzzHost.h"
#include "data/FCGroup.h"
#include "data/FCHumanPlaybackPrefs.h"
#include "data/FCPerformanceMod.h"
#include "data/FCStaff.h"
#include "data/FCSystemStaff.h"
#include "shell/Globals.h"
#include "shell/EntryPoints.h"

#include <memory>
#include <vector>

namespace {

// Takes the next size-prefixed piece of the input.
std::vector<uint8_t> Piece(const uint8_t*& data, size_t& size)
{
    if (size == 0) return {};
    size_t length = data[0];
    ++data;
    --size;
    if (length > size) length = size;
    std::vector<uint8_t> piece(data, data + length);
    data += length;
    size -= length;
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    simhost::Host& host = fuzz::FreshHost();
    const uint32_t versions[] = { 0x0F000000, 0x10000000, 0x11000000, 0x12050000 };
    host.score.hostVersion = versions[data[0] % 4];
    gHostVersion = host.score.hostVersion;
    host.extraReportedSize = data[1] % 3 == 0 ? data[1] : 0;
    data += 2;
    size -= 2;
    host.score.staffOrder = { 1, 2, 3 };
    host.score.measureCount = 1;
    // Records of every family the plug-in reads, with the input's bytes.
    const uint32_t tags[] = { simhost::kStaffTag, simhost::kTextBlockTag, simhost::kRawTextTag, simhost::kGroupTag,
                              simhost::kSystemStaffTag, simhost::kPerformanceTag, simhost::kPlaybackPrefsTag };
    for (uint32_t tag : tags) {
        for (uint16_t cmper = 1; cmper <= 2; ++cmper) {
            std::vector<uint8_t> bytes = Piece(data, size);
            if (bytes.empty()) continue;
            host.score.records.Put(tag, simhost::RecordKey(cmper, tag == simhost::kGroupTag ? cmper : 0).data(),
                                   bytes);
        }
    }
    for (int16_t staff = 1; staff <= 3; ++staff) {
        FCStaff record;
        record.Load(staff);
        std::unique_ptr<FCString> name(record.GetFullNameString());
        fuzz::Require(name->GetLength() < 0x10000, "a staff's name fits in what was read");
        std::unique_ptr<FCString> group(CreateGroupNameForStaff(staff));
        fuzz::Require(group->GetLength() < 0x10000, "a group's name fits in what was read");
    }
    FCSystemStaves staves;
    staves.LoadAllIncis(0);
    FCHumanPlaybackPrefs playback;
    playback.Load(1);
    FCPerformanceMod performance;
    performance.Load(1, 0);
    return 0;
}
