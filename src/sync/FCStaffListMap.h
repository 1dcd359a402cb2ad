// Which staff each line of the tool window's staff list shows.
#pragma once

#include "core/FCCollection.h"

#include <cstdint>

class FCStaffListMapNode : public __FCBase {
public:
    FCStaffListMapNode(int32_t line, int32_t staff) : Line(line), Staff(staff) {}

    int32_t Line;
    int32_t Staff;
};

class FCStaffListMap : public __FCCollection {
public:
    // The staff of the first node for that line; -1 when there is none
    // (also for line -1, no selection).
    int32_t GetStaffForLine(int32_t line) const;
    void AddNode(int32_t line, int32_t staff);
};
