#pragma once
// Waypoint graphs for the tests: a grid of nodes 2.0 apart, linked eight
// ways, with cells left out where the test wants a wall or a gap.

#include "characters/PathMgr.h"

#include <functional>

namespace chartest
{
constexpr float GRID_STEP = 2.0f;

// nx by nz nodes from (x0, z0); keep(i, k) false leaves a cell out and
// height(i, k) gives its floor. Node numbers run row by row.
inline strPath* Grid(int nx, int nz, float x0 = 0.0f, float z0 = 0.0f,
                     const std::function<bool(int, int)>& keep = {},
                     const std::function<float(int, int)>& height = {})
{
    const int ids[3] = {1, 2, 3};
    strPath* path = g_PathMgr.AddPath(ids, D3DXVECTOR3(x0, 0.0f, z0), 1000.0f);
    std::vector<strPlace*> cells(static_cast<size_t>(nx * nz), nullptr);
    for (int k = 0; k < nz; ++k)
        for (int i = 0; i < nx; ++i)
        {
            if (keep && !keep(i, k))
                continue;
            const float y = height ? height(i, k) : 0.0f;
            const D3DXVECTOR3 floor(x0 + GRID_STEP * static_cast<float>(i), y,
                                    z0 + GRID_STEP * static_cast<float>(k));
            cells[static_cast<size_t>(k * nx + i)] = g_PathMgr.AddPlace(
                path, static_cast<DWORD>(k * nx + i), floor + D3DXVECTOR3(0.0f, 0.86f, 0.0f), floor);
        }
    for (int k = 0; k < nz; ++k)
        for (int i = 0; i < nx; ++i)
        {
            strPlace* n = cells[static_cast<size_t>(k * nx + i)];
            for (int slot = 0; n && slot < PATH_NEIGHBOURS; ++slot)
            {
                int dx = 0, dz = 0;
                CPathMgr::SlotStep(slot, &dx, &dz);
                const int ni = i + dx, nk = k + dz;
                if (ni >= 0 && ni < nx && nk >= 0 && nk < nz)
                    if (strPlace* m = cells[static_cast<size_t>(nk * nx + ni)])
                        CPathMgr::Link(n, slot, m);
            }
        }
    g_PathMgr.ResolvePath(path, nullptr);
    return path;
}

inline strPlace* Node(const strPath* path, int number)
{
    return CPathMgr::FindNodeByIndex(path, number);
}
} // namespace chartest
