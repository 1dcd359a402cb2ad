#include "ScoreChanges.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace simhost {

void ReportChanges(const Score& before, const Score& after, std::ostream& out, const char* indent,
                   std::size_t rowsShown)
{
    char line[200];
    std::snprintf(line, sizeof line, "%s%7s %5s %5s %6s %4s  %-8s %6s -> %s\n", indent, "measure", "staff", "layer",
                  "entry", "note", "field", "old", "new");
    out << line;
    std::size_t rows = 0;
    // Whether the next row is written, or only counted.
    auto shown = [&rows, rowsShown] { return rows < rowsShown; };
    // Entry number and note ID of every note listed, sorted below.
    std::vector<std::pair<uint32_t, uint16_t>> owned;
    for (int16_t measure = 1; measure <= after.measureCount; ++measure) {
        for (int16_t staff : after.staffOrder) {
            for (int32_t layer = 0; layer < after.maxLayers; ++layer) {
                auto frame = after.frames.find(FrameKey(staff, measure, layer));
                if (frame == after.frames.end()) continue;
                for (const EntryBytes& e : frame->second.entries) {
                    const uint32_t number = entry::Number(e);
                    const int32_t notes = entry::NoteCount(e) > 12 ? 12 : entry::NoteCount(e);
                    for (int32_t k = 0; k < notes; ++k) {
                        const uint16_t id = entry::NoteID(e, k);
                        owned.push_back({ number, id });
                        auto old = before.PerformanceOf(number, id);
                        auto now = after.PerformanceOf(number, id);
                        const std::pair<const char*, int16_t Performance::*> fields[] = {
                            { "velocity", &Performance::velocity },
                            { "start", &Performance::start },
                            { "end", &Performance::end },
                        };
                        for (const auto& field : fields) {
                            // Written out only when it changed.
                            if (old.has_value() == now.has_value() &&
                                (!old || (*old).*field.second == (*now).*field.second))
                                continue;
                            if (shown()) {
                                const std::string from = old ? std::to_string((*old).*field.second) : "none";
                                const std::string to = now ? std::to_string((*now).*field.second) : "none";
                                std::snprintf(line, sizeof line, "%s%7d %5d %5d %6u %4d  %-8s %6s -> %s\n", indent,
                                              measure, staff, layer, number, k + 1, field.first, from.c_str(),
                                              to.c_str());
                                out << line;
                            }
                            ++rows;
                        }
                    }
                }
            }
        }
    }
    std::sort(owned.begin(), owned.end());
    // Notes that the frame's save gave another ID: a record written for the
    // old ID no longer belongs to them.
    std::unordered_map<uint32_t, const EntryBytes*> entriesBefore;  // the last of a number
    for (const auto& frame : before.frames) {
        for (const EntryBytes& e : frame.second.entries) entriesBefore[entry::Number(e)] = &e;
    }
    for (const auto& frame : after.frames) {
        for (const EntryBytes& e : frame.second.entries) {
            auto old = entriesBefore.find(entry::Number(e));
            if (old == entriesBefore.end()) continue;
            const EntryBytes& previous = *old->second;
            const int32_t notes = std::min<int32_t>(12, std::min(entry::NoteCount(e), entry::NoteCount(previous)));
            for (int32_t k = 0; k < notes; ++k) {
                const uint16_t was = entry::NoteID(previous, k);
                const uint16_t now = entry::NoteID(e, k);
                if (was == now) continue;
                if (!shown()) {
                    ++rows;
                    continue;
                }
                std::snprintf(line, sizeof line, "%s  entry %u note %d: the frame's save changed its ID %u to %u",
                              indent, entry::Number(e), k + 1, was, now);
                out << line;
                auto oldRecord = before.PerformanceOf(entry::Number(e), was);
                auto newRecord = after.PerformanceOf(entry::Number(e), was);
                if (newRecord && !(oldRecord && *oldRecord == *newRecord)) {
                    std::snprintf(line, sizeof line, "; the record written for ID %u (velocity %d, start %d, end %d) "
                                  "is not this note's any more", was, newRecord->velocity, newRecord->start, newRecord->end);
                    out << line;
                }
                out << "\n";
                ++rows;
            }
        }
    }
    // Records that no note of the entry owns, and that the step wrote.
    after.records.ForEachOf(kPerformanceTag, [&](const uint8_t* key, const std::vector<uint8_t>& data) {
        const uint32_t number = static_cast<uint32_t>(key[0] | (key[1] << 8) | (key[2] << 16) | (key[3] << 24));
        const auto decoded = DecodePerformance(data);
        if (std::binary_search(owned.begin(), owned.end(), std::make_pair(number, decoded.first))) return;
        const std::vector<uint8_t>* old = before.records.Find(kPerformanceTag, key);
        if (old != nullptr && *old == data) return;
        if (!shown()) {
            ++rows;
            return;
        }
        std::snprintf(line, sizeof line,
                      "%s  record of entry %u for note ID %u, which no note of the entry has now: velocity %d, "
                      "start %d, end %d\n",
                      indent, number, decoded.first, decoded.second.velocity, decoded.second.start,
                      decoded.second.end);
        out << line;
        ++rows;
    });
    if (rows == 0) out << indent << "(no value changed)\n";
    if (rows > rowsShown) out << indent << "... " << rows - rowsShown << " more rows\n";
}

}  // namespace simhost
