// EPlantMgr: generation, once per world: the plants of every group traced
// onto their mesh objects, the terrain-grass tufts over the "grass" marker,
// and the tufts sorted into sectors.
#include "environment/PlantMgr.h"

#include "environment/FxServices.h"
#include "mesh/Mesh.h"
#include "render/AmbientProbe.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{
constexpr float kHalfPi = 1.5707964f;
constexpr float kPlantStart = 64.0f;
constexpr float kPlantDrop = 128.0f;
constexpr float kTuftStart = 128.0f;
constexpr float kTuftDrop = 256.0f;
constexpr float kPlantSlope = 0.5f;
constexpr float kTuftSlope = 0.4f;
constexpr float kTuftJitter = 0.9f;
constexpr DWORD kTerrainSegmentBit = EIntersectSegment::FLAG1_NO_SEGMENT;
// Sectors of a terrain area; more would be an area no world has.
constexpr DWORD kMostSectors = 65536;

// Generation draws from a sequence of its own (the classic rand's, 0 to
// 32767), started afresh for every world it traces: a world grows the same
// grass every time, and the game's own sequence moves on alike whether the
// grass was traced now or read from the world's cache.
DWORD g_GrowthRandom = 1;

void RestartGrowthRandom()
{
    g_GrowthRandom = 1;
}

int Rand15()
{
    g_GrowthRandom = g_GrowthRandom * 1103515245u + 12345u;
    return static_cast<int>((g_GrowthRandom >> 16) & 0x7FFF);
}

// 0 up to (not including) max.
float RandomUnder(float max)
{
    return static_cast<float>(Rand15()) * (1.0f / 32768.0f) * max;
}

// +1 or -1, by the lowest bit of a draw.
float RandomSign()
{
    return (Rand15() & 1) ? 1.0f : -1.0f;
}

const EMesh* MeshOf(HOBJECT o)
{
    return (o && o->Type == OT_MESH && o->Object) ? static_cast<const EMesh*>(o->Object) : nullptr;
}
} // namespace

bool EPlantMgr::TraceDown(const D3DXVECTOR3& from, const D3DXVECTOR3& to, RayTestFilter filter, HOBJECT only,
                          RayTestResult* hit)
{
    RayTestQuery query;
    query.Init();
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = filter;
    query.dwUser = reinterpret_cast<RayTestUser>(only);
    return FxSegmentTest(&query, hit) && hit->bHit && hit->pObject;
}

void EPlantMgr::BuildGrass(bool cacheOnly)
{
    // A save of the running world brings its level start back: what was
    // built stays, nothing is built twice.
    if (m_bBuilt)
        return;
    if (m_dwGrass == 0)
    {
        g_Console.Print("!m_dwGrass, exiting");
        return;
    }
    m_bBuilt = 1;
    GenerateGrass(cacheOnly);
    CreateAndFillTSectors();
    CreateTSectorBuffers();
}

// The grid of a group, or false (and one line) when its density cannot make one.
bool EPlantMgr::FitGroupGrid(strGrass& g, const char* name) const
{
    const double columns = std::floor(g.fExtentX / g.fDensity) + 1.0;
    const double rows = std::floor(g.fExtentZ / g.fDensity) + 1.0;
    if (!(g.fDensity > 0.0f) || !std::isfinite(columns) || !std::isfinite(rows) ||
        columns * rows > static_cast<double>(MAX_GRID_CELLS))
    {
        g_Console.Print2("Grass density too small, group left empty: ", name);
        return false;
    }
    g.m_Szer = static_cast<DWORD>(columns);
    g.m_Wys = static_cast<DWORD>(rows);
    g.dwTableSize = g.m_Szer * g.m_Wys;
    return true;
}

bool EPlantMgr::GenerateGrass(bool cacheOnly)
{
    HOBJECT wipeout = g_Engine.FindObject(WIPEOUT, 0);
    D3DXVECTOR3 wipeoutAt(0.0f, 0.0f, 0.0f);
    float wipeoutRadius = 0.0f;
    if (wipeout)
    {
        wipeoutAt = wipeout->vPosition;
        D3DXVECTOR3 scale;
        g_Engine.GetObjectScale(wipeout, &scale);
        wipeoutRadius = (scale.x + scale.y + scale.z) / 3.0f;
    }
    FreeGroups();
    if (LoadCache())
        return true;
    if (cacheOnly)
        return false;
    RestartGrowthRandom();

    // Every static mesh in the segment tables can be hit; the lighting
    // constants follow the camera of this frame.
    g_Renderer.UpdateLightingConstants();
    for (DWORD gi = 0; gi < m_dwGrass; ++gi)
    {
        strGrass& g = m_Grass[gi];
        g_Console.PrintInt("Przeliczam trawe #", static_cast<int>(gi));
        if (g.dwMeshes == 0)
            continue;
        HOBJECT o = g_Engine.FindObject(g.szMeshes[0], 0);
        if (!o)
        {
            g_Console.Print2("Nie znaleziono ", g.szMeshes[0]);
            continue;
        }
        const EMesh* mesh = MeshOf(o);
        if (!mesh)
            continue;
        g.vPosition = o->vPosition;
        g.fRadius = o->fRadius;
        g_Engine.GetObjectScale(o, &g.vScale);
        if (wipeout)
        {
            const D3DXVECTOR3 d = wipeoutAt - g.vPosition;
            if (D3DXVec3Length(&d) > g.fRadius + wipeoutRadius)
            {
                g_Console.Print("Outside wipeout - rejecting");
                continue;
            }
        }
        g.fExtentX = std::fabs(mesh->m_vMax.x - mesh->m_vMin.x) * g.vScale.x;
        g.fExtentZ = std::fabs(mesh->m_vMax.z - mesh->m_vMin.z) * g.vScale.z;
        if (!FitGroupGrid(g, g.szMeshes[0]))
            continue;
        g_Console.PrintInt("m_Szer == ", static_cast<int>(g.m_Szer));
        g_Console.PrintInt("m_Wys == ", static_cast<int>(g.m_Wys));
        g_Console.PrintInt("WTabeli == ", static_cast<int>(g.dwTableSize));
        g.pPlants = new (std::nothrow) strPlant[g.dwTableSize]();
        if (!g.pPlants)
        {
            g_Console.Print2("FATAL! new strPlant failed for ", g.szMeshes[0]);
            continue;
        }
        g_Debug.AddAllocation(PLANTS_TAG);
        g.dwPlants = 0;
        for (DWORD r = 0; r < g.m_Wys; ++r)
            for (DWORD c = 0; c < g.m_Szer; ++c)
            {
                float x = static_cast<float>(c) * g.fDensity - g.fExtentX / 2.0f + g.vPosition.x;
                float z = static_cast<float>(r) * g.fDensity - g.fExtentZ / 2.0f + g.vPosition.z;
                const float y = g.vPosition.y + kPlantStart;
                if (g.fJitter > 0.0f)
                {
                    float s = RandomSign();
                    x += s * (static_cast<float>(Rand15()) / 65536.0f) * g.fJitter;
                    s = RandomSign();
                    z += s * (static_cast<float>(Rand15()) / 65536.0f) * g.fJitter;
                }
                RayTestResult hit;
                if (!TraceDown(D3DXVECTOR3(x, y, z), D3DXVECTOR3(x, y - kPlantDrop, z),
                               EEngine::StandardFilter, nullptr, &hit))
                    continue;
                D3DXVECTOR3 n;
                D3DXVec3Normalize(&n, &hit.vNormal);
                if (hit.pObject != o || hit.pObject->Type != OT_MESH || n.y < kPlantSlope)
                    continue;
                strPlant& p = g.pPlants[g.dwPlants++];
                p.vPosition = hit.vPoint;
                p.vNormal = hit.vNormal;
                p.bValid = 1;
                g.bHasPlants = 1;
                CreatePlantQuads(&p, &g);
            }
        g_Console.PrintInt("Znaleziono poprawnych trawek ", static_cast<int>(g.dwPlants));
    }
    GenerateTGrass();
    SaveCache();
    return false;
}

void EPlantMgr::CreatePlantQuads(strPlant* plant, const strGrass* group)
{
    if (!plant || !group)
        return;
    float s = RandomSign();
    const float dx = s * static_cast<float>(Rand15() & 0xFFFF) / 65536.0f + 0.05f;
    s = RandomSign();
    const float dz = s * static_cast<float>(Rand15() & 0xFFFF) / 65536.0f + 0.05f;
    D3DXVECTOR3 facing(dx, 0.0f, dz);
    D3DXVec3Normalize(&facing, &facing);
    EOrientation o(&facing);
    const float k = RandomUnder(0.1f) + 0.95f;
    const float h = group->fWidth * 0.5f * k;
    const float lift = group->fHeight * k;
    const D3DXVECTOR3 up(0.0f, lift, 0.0f);
    // u x 8 in the high nibble, v x 8 in the low one.
    auto uv = [](float u, float v)
    { return static_cast<BYTE>((static_cast<int>(u * 8.0f) << 4) | static_cast<int>(v * 8.0f)); };
    for (int q = 0; q < 2; ++q)
    {
        const D3DXVECTOR3 a = plant->vPosition + o.Right * h;
        const D3DXVECTOR3 b = plant->vPosition - o.Right * h;
        const D3DXVECTOR3 a2 = a + up, b2 = b + up;
        const BYTE shade = static_cast<BYTE>(static_cast<int>(RandomUnder(1.0f) * 255.0f));
        const float vLow = q == 0 ? 0.5f : 1.0f, vHigh = q == 0 ? 0.0f : 0.5f;
        const D3DXVECTOR3 corners[6] = {b, a, b2, b2, a, a2};
        const BYTE coords[6] = {uv(0, vLow),  uv(1, vLow), uv(0, vHigh),
                                uv(0, vHigh), uv(1, vLow), uv(1, vHigh)};
        const BYTE shades[6] = {0, 0, shade, shade, 0, shade};
        for (int c = 0; c < 6; ++c)
        {
            plant->vCorners[q * 6 + c] = corners[c];
            plant->bTexCoord[q * 6 + c] = coords[c];
            plant->bShade[q * 6 + c] = shades[c];
        }
        if (q == 0)
        {
            const D3DXVECTOR3 axis = o.Up;
            o.RotateAxisAngle(&axis, kHalfPi);
        }
    }
}

void EPlantMgr::MarkGroundTextures(bool mark)
{
    for (strtexture* t = g_Renderer.m_pTextures; t; t = t->m_pNext)
        t->m_bProbeMark = 0;
    if (!mark)
        return;
    for (DWORD i = 0; i < m_TGrass.dwTextures && i < static_cast<DWORD>(TGRASS_TEXTURE_SLOTS); ++i)
        if (strtexture* t = g_Renderer.FindTexture(m_TGrass.szTextures[i]))
            t->m_bProbeMark = 1;
}

bool EPlantMgr::ShowsGroundTexture(const RayTestResult& hit, HOBJECT terrain)
{
    const DWORD colour =
        hit.pObject->bTerrainMesh
            ? g_AmbientProbe.RenderTerrainProbe(hit.vPoint, hit.pObject, 0, 0)
            : g_AmbientProbe.RenderPlantProbe(hit.vPoint, terrain ? terrain : hit.pObject, 0, 0);
    return colour != 0;
}

void EPlantMgr::GenerateTGrass()
{
    strTGrass& t = m_TGrass;
    if (t.dwTextures == 0)
        return;
    HOBJECT marker = g_Engine.FindObject(MARKER, 0);
    if (!marker)
    {
        g_Console.Print("Error - NO grass marker!");
        return;
    }
    if (marker->Type != OT_MESH)
    {
        g_Console.Print("hGrass->Type!=OT_MESH");
        return;
    }
    if (!marker->Object)
    {
        g_Console.Print("!hGrass->Object");
        return;
    }
    HOBJECT terrain = t.szTerrain[0] ? g_Engine.FindObject(t.szTerrain, 0) : nullptr;
    DWORD savedFlags = 0;
    if (terrain)
    {
        savedFlags = terrain->dwFlags;
        g_Engine.SetObjectFlags(terrain, 0, kTerrainSegmentBit);
    }
    const EMesh* box = static_cast<const EMesh*>(marker->Object);
    t.fMinX = std::fmin(box->m_vWorldMin.x, box->m_vWorldMax.x);
    t.fMaxX = std::fmax(box->m_vWorldMin.x, box->m_vWorldMax.x);
    t.fMinZ = std::fmin(box->m_vWorldMin.z, box->m_vWorldMax.z);
    t.fMaxZ = std::fmax(box->m_vWorldMin.z, box->m_vWorldMax.z);
    t.fStep = TGRASS_STEP;
    const double columns = 1.0 + std::floor((t.fMaxX - t.fMinX) / t.fStep);
    const double rows = 1.0 + std::floor((t.fMaxZ - t.fMinZ) / t.fStep);
    auto restore = [&]
    {
        if (terrain)
            g_Engine.SetObjectFlags(terrain, savedFlags, 0xFFFFFFFFu);
    };
    if (!std::isfinite(columns) || !std::isfinite(rows) ||
        columns * rows > static_cast<double>(MAX_GRID_CELLS))
    {
        g_Console.Print("Grass marker too large, no terrain grass");
        restore();
        return;
    }
    t.dwSzer = static_cast<DWORD>(columns);
    t.dwWys = static_cast<DWORD>(rows);
    g_Console.PrintInt("m_TGrass.dwSzer == ", static_cast<int>(t.dwSzer));
    g_Console.PrintInt("m_TGrass.dwWys == ", static_cast<int>(t.dwWys));
    g_Console.PrintInt("W sumie == ", static_cast<int>(t.dwSzer * t.dwWys));
    strTPlant* cells = new (std::nothrow) strTPlant[static_cast<size_t>(t.dwSzer) * t.dwWys]();
    if (!cells)
    {
        g_Console.Print("FATAL! new strTPlant failed");
        restore();
        return;
    }
    delete[] t.pTPlants;
    if (t.pTPlants)
        g_Debug.RemoveAllocation(TPLANTS_TAG);
    t.pTPlants = cells;
    t.dwTPlants = 0;
    g_Debug.AddAllocation(TPLANTS_TAG);
    // One pair round every probe of the grid: the probe's target stays bound.
    g_AmbientProbe.Begin();
    g_Console.Print("Generuje Ttrawe");
    // The marks do not change while the grid is walked.
    MarkGroundTextures(true);
    const float top = marker->vPosition.y;
    char line[64];
    for (DWORD j = 0; j < t.dwWys; ++j)
    {
        std::snprintf(line, sizeof line, "z == %i (out of %i)", static_cast<int>(j),
                      static_cast<int>(t.dwWys));
        g_Console.Print(line);
        for (DWORD i = 0; i < t.dwSzer; ++i)
        {
            float x = static_cast<float>(i) * t.fStep + t.fMinX;
            float z = static_cast<float>(j) * t.fStep + t.fMinZ;
            if (std::sin(x + z) < 0.0f || std::sin(2.0f * x + z) < -0.5f || Rand15() % 5 == 1)
                continue;
            const float y = top + kTuftStart;
            float s = RandomSign();
            x += s * static_cast<float>(Rand15()) * kTuftJitter / 65536.0f;
            s = RandomSign();
            z += s * static_cast<float>(Rand15()) * kTuftJitter / 65536.0f;
            RayTestResult hit;
            const D3DXVECTOR3 from(x, y, z);
            if (!TraceDown(from, D3DXVECTOR3(x, y - kTuftDrop, z),
                           terrain ? EEngine::OneObjectFilter : EEngine::StandardFilter, terrain, &hit))
            {
                g_Console.PrintVector("Nie trafiono w nic! ", from);
                continue;
            }
            D3DXVECTOR3 n;
            D3DXVec3Normalize(&n, &hit.vNormal);
            if (hit.pObject->Type != OT_MESH || n.y < kTuftSlope)
                continue;
            if (!ShowsGroundTexture(hit, terrain))
                continue;
            strTPlant& cell = cells[static_cast<size_t>(j) * t.dwSzer + i];
            cell.vPosition = hit.vPoint;
            cell.vNormal = hit.vNormal;
            cell.dwColour = 0;
            cell.bUsed = 1;
            ++t.dwTPlants;
        }
    }
    g_Console.PrintInt("Znaleziono poprawnych trawek ", static_cast<int>(t.dwTPlants));
    if (t.dwTPlants)
    {
        strTPlant* compact = new (std::nothrow) strTPlant[t.dwTPlants];
        if (compact)
        {
            DWORD k = 0;
            const size_t all = static_cast<size_t>(t.dwSzer) * t.dwWys;
            for (size_t c = 0; c < all; ++c)
                if (cells[c].bUsed)
                    compact[k++] = cells[c];
            delete[] cells;
            t.pTPlants = compact;
        }
    }
    restore();
    MarkGroundTextures(false);
    g_AmbientProbe.End();
}

void EPlantMgr::CreateAndFillTSectors()
{
    const strTGrass& t = m_TGrass;
    if (t.dwTPlants == 0 || !t.pTPlants)
    {
        g_Console.Print("CreateAndFillTSectors - !m_TGrass.dwTPlants");
        return;
    }
    FreeSectors();
    const double across = 1.0 + std::floor((t.fMaxX - t.fMinX) / SECTOR_SIZE);
    const double down = 1.0 + std::floor((t.fMaxZ - t.fMinZ) / SECTOR_SIZE);
    if (!(across * down <= static_cast<double>(kMostSectors)))
    {
        g_Console.Print("CreateAndFillTSectors - area too large");
        return;
    }
    const DWORD nx = static_cast<DWORD>(across), nz = static_cast<DWORD>(down);
    m_pTSectors = new (std::nothrow) strTSector[nx * nz]();
    m_pTGrassIB = new (std::nothrow) IDirect3DIndexBuffer9*[nx * nz]();
    if (!m_pTSectors || !m_pTGrassIB)
    {
        delete[] m_pTSectors;
        delete[] m_pTGrassIB;
        m_pTSectors = nullptr;
        m_pTGrassIB = nullptr;
        g_Console.Print("FATAL! new strTSector failed");
        return;
    }
    g_Debug.AddAllocation(SECTORS_TAG);
    m_dwTSectors = nx * nz;
    float minZ = t.fMinZ;
    for (DWORD j = 0; j < nz; ++j, minZ += SECTOR_SIZE)
    {
        float minX = t.fMinX;
        for (DWORD i = 0; i < nx; ++i, minX += SECTOR_SIZE)
        {
            strTSector& s = m_pTSectors[j * nx + i];
            s.fMinX = minX;
            s.fMinZ = minZ;
            s.fMaxX = minX + SECTOR_SIZE;
            s.fMaxZ = minZ + SECTOR_SIZE;
            s.vCentre =
                D3DXVECTOR3(s.fMinX + (s.fMaxX - s.fMinX) / 2.0f, 0.0f, s.fMinZ + (s.fMaxZ - s.fMinZ) / 2.0f);
            s.fRadius = SECTOR_SIZE;
            auto inside = [&s](const strTPlant& p)
            {
                return s.fMinX <= p.vPosition.x && p.vPosition.x < s.fMaxX && s.fMinZ <= p.vPosition.z &&
                       p.vPosition.z < s.fMaxZ;
            };
            DWORD n = 0;
            for (DWORD k = 0; k < t.dwTPlants; ++k)
                n += inside(t.pTPlants[k]) ? 1 : 0;
            if (n == 0)
                continue;
            s.pTPlants = new (std::nothrow) strTPlant[n];
            if (!s.pTPlants)
                continue;
            g_Debug.AddAllocation(SECTOR_PLANTS_TAG);
            for (DWORD k = 0; k < t.dwTPlants; ++k)
                if (inside(t.pTPlants[k]))
                    s.pTPlants[s.dwTPlants++] = t.pTPlants[k];
        }
    }
}
