#include "FCStaffListMap.h"

int32_t FCStaffListMap::GetStaffForLine(int32_t line) const
{
    for (int32_t i = 0; i < GetCount(); ++i) {
        const FCStaffListMapNode* node = static_cast<const FCStaffListMapNode*>(GetItemAt(i));
        if (node != nullptr && node->Line == line) return node->Staff;
    }
    return -1;
}

void FCStaffListMap::AddNode(int32_t line, int32_t staff)
{
    Add(new FCStaffListMapNode(line, staff));
}
