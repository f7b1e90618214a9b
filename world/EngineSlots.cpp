// Finding a free object slot without walking the whole used part of a range
// for each new object: a world of thousands of objects adds them in a row.
#include "world/Engine.h"

#include <algorithm>

namespace
{
// The slot hint of each type range; -1 for types without a range.
int HintIndex(BYTE type)
{
    switch (type)
    {
    case OT_MESH:
        return 0;
    case OT_SKINMESH:
        return 1;
    case OT_LIGHT:
        return 2;
    case OT_SPRITE:
        return 3;
    default:
        return -1;
    }
}
} // namespace

int EEngine::FindFreeSlot(BYTE type, int first, int count)
{
    const int h = HintIndex(type);
    const int end = first + count;
    const int from = h < 0 ? first : std::clamp(m_iFreeSlotHint[h], first, end);
    int slot = -1;
    for (int i = from; i < end && slot < 0; ++i)
        if (!m_Objects[i].bUsed)
            slot = i;
    // A slot cleared behind the table's back (not through DeleteObject) is still found.
    for (int i = first; i < from && slot < 0; ++i)
        if (!m_Objects[i].bUsed)
            slot = i;
    if (h >= 0 && slot >= 0)
        m_iFreeSlotHint[h] = slot + 1;
    return slot;
}

void EEngine::NoteFreeSlot(BYTE type, int slot)
{
    const int h = HintIndex(type);
    if (h >= 0 && slot >= 0)
        m_iFreeSlotHint[h] = std::min(m_iFreeSlotHint[h], slot);
}
