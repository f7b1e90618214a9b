// CSkyLights: the record, the world start, the merge, the frame's pick and
// the light cube (the bake is in SkyLightsBake.cpp, the cache in SkyLightsCache.cpp).
#include "render/SkyLights.h"

#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

CSkyLights g_SkyLights;

namespace
{
constexpr float kMergeDistanceA = 1.0f, kMergeDistanceB = 2.0f;
constexpr float kTowardLengthA = 0.6f, kTowardLengthB = 0.3f;
constexpr float kInFrontCosine = 0.6f;
constexpr float kBehindRadii = 1.5f;

D3DXVECTOR3 Snap(const D3DXVECTOR3& p, float step)
{
    return D3DXVECTOR3(step * std::trunc(p.x / step), step * std::trunc(p.y / step),
                       step * std::trunc(p.z / step));
}

D3DXVECTOR3 MergedColor(const D3DXVECTOR3& c, const SkyLightMergeRule& rule)
{
    const float length = D3DXVec3Length(&c);
    D3DXVECTOR3 out(c.x + (length - c.x) * rule.fTowardLength, c.y + (length - c.y) * rule.fTowardLength,
                    c.z + (length - c.z) * rule.fTowardLength);
    if (rule.bNormalise)
        D3DXVec3Normalize(&out, &out);
    return out;
}

bool Closer(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float distance)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d) < distance;
}

// A snapped spot as a key: its coordinates' bits, with -0 folded onto 0 so
// that spots the walk finds at distance 0 share a key.
struct SpotKey
{
    DWORD k[3];
    bool operator==(const SpotKey& o) const { return k[0] == o.k[0] && k[1] == o.k[1] && k[2] == o.k[2]; }
};

SpotKey KeyOf(const D3DXVECTOR3& p)
{
    SpotKey key;
    const float c[3] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
    for (int i = 0; i < 3; ++i)
        std::memcpy(&key.k[i], &c[i], 4);
    return key;
}

DWORD HashOf(const SpotKey& key)
{
    DWORD h = 2166136261u;
    for (DWORD v : key.k)
        h = (h ^ v) * 16777619u ^ (v >> 15);
    return h * 0x9E3779B1u;
}
} // namespace

DWORD MergeSkyLightsByWalk(const SkyLight* raw, DWORD count, const SkyLightMergeRule& rule, SkyLight* out,
                           DWORD capacity)
{
    DWORD kept = 0;
    for (DWORD i = 0; i < count && kept + 1 < capacity; ++i)
    {
        const D3DXVECTOR3 spot = Snap(raw[i].vPosition, rule.fStep);
        bool near = false;
        for (DWORD j = 0; j < kept && !near; ++j)
            near = Closer(out[j].vPosition, spot, rule.fDistance);
        if (!near)
            out[kept++] = SkyLight{spot, MergedColor(raw[i].vColor, rule)};
    }
    return kept;
}

DWORD MergeSkyLights(const SkyLight* raw, DWORD count, const SkyLightMergeRule& rule, SkyLight* out,
                     DWORD capacity)
{
    // Distinct spots of a grid lie at least one step apart (less their
    // rounding, which stays below the distance whenever it could matter), so
    // with a step of twice the distance only equal spots are near each other.
    if (!(rule.fStep >= 2.0f * rule.fDistance) || capacity < 2)
        return MergeSkyLightsByWalk(raw, count, rule, out, capacity);
    DWORD slots = 1;
    while (slots < 2 * capacity)
        slots <<= 1;
    struct Slot
    {
        SpotKey key;
        bool used;
    };
    std::vector<Slot> table(slots, Slot{{{0, 0, 0}}, false});
    DWORD kept = 0;
    for (DWORD i = 0; i < count && kept + 1 < capacity; ++i)
    {
        const D3DXVECTOR3 spot = Snap(raw[i].vPosition, rule.fStep);
        // A spot that is not finite is near nothing, not even itself.
        if (!std::isfinite(spot.x) || !std::isfinite(spot.y) || !std::isfinite(spot.z))
        {
            out[kept++] = SkyLight{spot, MergedColor(raw[i].vColor, rule)};
            continue;
        }
        const SpotKey key = KeyOf(spot);
        DWORD at = HashOf(key) & (slots - 1);
        while (table[at].used && !(table[at].key == key))
            at = (at + 1) & (slots - 1);
        if (table[at].used)
            continue;
        table[at] = Slot{key, true};
        out[kept++] = SkyLight{spot, MergedColor(raw[i].vColor, rule)};
    }
    return kept;
}

void CSkyLights::ResetParameters()
{
    m_fGridStep = 1.0f;
    m_fLightRadius = 30.0f;
    m_fParam80 = 80.0f;
    m_fMergeStepA = 36.0f;
    m_fMergeStepB = 80.0f;
    m_fParam08 = 0.8f;
    m_fParam07 = 0.7f;
    m_dwFileCheck = CACHE_CHECK;
}

void CSkyLights::Clear()
{
    m_dwRawCount = m_dwCountA = m_dwCountB = 0;
    m_dwPickedCount = m_dwConsidered = 0;
    // The raw table is filled only up to its count, which the bake resets.
    std::memset(m_LightsA, 0, sizeof m_LightsA);
    std::memset(m_LightsB, 0, sizeof m_LightsB);
    std::memset(m_Picked, 0, sizeof m_Picked);
}

void CSkyLights::LoadForWorld(const char* worldFile)
{
    std::snprintf(m_szWorldFile, sizeof m_szWorldFile, "%s", worldFile ? worldFile : "");
    Clear();
    // Each world starts from the stock parameters; its own cache may replace them.
    ResetParameters();
    if (m_szWorldFile[0] && !LoadCache())
    {
        BuildSkyLights();
        SaveCache();
    }
    BuildCubeVertices();
}

void CSkyLights::BuildSkyLights()
{
    Clear();
    CreateSkyLights();
    MergeLights();
}

void CSkyLights::AddRawLight(const D3DXVECTOR3& position, const D3DXVECTOR3& color)
{
    if (m_dwRawCount + 1 < MAX_RAW_SKY_LIGHTS)
        m_RawLights[m_dwRawCount++] = SkyLight{position, color};
}

void CSkyLights::MergeLights()
{
    g_Console.PrintInt("Swiatel wchodzi: ", static_cast<int>(m_dwRawCount));
    const SkyLightMergeRule a = {m_fMergeStepA, kMergeDistanceA, kTowardLengthA, false};
    const SkyLightMergeRule b = {m_fMergeStepB, kMergeDistanceB, kTowardLengthB, true};
    m_dwCountA = MergeSkyLights(m_RawLights, m_dwRawCount, a, m_LightsA, MAX_MERGED_SKY_LIGHTS);
    m_dwCountB = MergeSkyLights(m_RawLights, m_dwRawCount, b, m_LightsB, MAX_MERGED_SKY_LIGHTS);
    g_Console.PrintInt("Swiatel wychodzi: ", static_cast<int>(m_dwCountA));
}

void CSkyLights::PickLights()
{
    m_dwPickedCount = m_dwConsidered = 0;
    std::memset(m_Picked, 0, sizeof m_Picked);
    if (!g_Options.DrawVPL)
        return;
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR3 forward = g_Camera.m_vForward;
    for (DWORD i = 0; i < m_dwCountA; ++i)
    {
        const SkyLight& l = m_LightsA[i];
        D3DXVECTOR3 to = l.vPosition - eye;
        const float d = D3DXVec3Length(&to);
        if (!(d <= PICK_DISTANCE))
            continue;
        D3DXVECTOR3 unit;
        D3DXVec3Normalize(&unit, &to);
        if (D3DXVec3Dot(&forward, &unit) < kInFrontCosine && d > kBehindRadii * m_fLightRadius)
            continue;
        ++m_dwConsidered;
        if (m_dwPickedCount >= MAX_PICKED_SKY_LIGHTS)
            continue;
        SkyLightInstance& p = m_Picked[m_dwPickedCount++];
        p.fRadius = m_fLightRadius;
        p.vColor = D3DXVECTOR3(l.vColor.x * m_fColorScale[0], l.vColor.y * m_fColorScale[1],
                               l.vColor.z * m_fColorScale[2]);
        p.vPosition = l.vPosition;
        p.bCameraInside = g_Camera.NearPlaneInsideBox(l.vPosition, m_fLightRadius) ? 1 : 0;
    }
}

void CSkyLights::BuildCubeVertices()
{
    // Each face: its axis and its side; two triangles wound clockwise seen
    // from outside, as the front faces of the device.
    struct Face
    {
        int axis;
        float sign;
    };
    constexpr Face kFaces[6] = {{0, 1.0f}, {0, -1.0f}, {1, 1.0f}, {1, -1.0f}, {2, 1.0f}, {2, -1.0f}};
    constexpr float kCorners[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
    DWORD n = 0;
    for (const Face& f : kFaces)
    {
        const int u = (f.axis + 1) % 3, v = (f.axis + 2) % 3;
        for (const auto& c : kCorners)
        {
            SkyLightCubeVertex& out = m_CubeVertices[n++];
            float p[3];
            p[f.axis] = f.sign;
            // The winding flips with the face's sign so every face turns outwards.
            p[u] = f.sign > 0 ? c[1] : c[0];
            p[v] = f.sign > 0 ? c[0] : c[1];
            for (int i = 0; i < 3; ++i)
            {
                out.fPosition[i] = p[i];
                out.fNormal[i] = i == f.axis ? f.sign : 0.0f;
                out.fTexCoord[i] = p[i];
            }
            out.fPosition[3] = 1.0f;
        }
    }
}
