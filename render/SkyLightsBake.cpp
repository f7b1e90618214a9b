// CSkyLights: the bake, sun rays from the "skylight" object bouncing off the
// textured faces of the static world, each bounce tinted by its texture.
#include "render/SkyLights.h"

#include "mesh/Mesh.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace
{
constexpr const char* kSkylightObject = "skylight";
constexpr float kRayLength = 1000.0f;
constexpr float kOffsetRadii = 0.7f;
constexpr float kOffsetExtra = 0.1f;
constexpr float kLeastLength = 0.1f;
constexpr float kTowardLength = 0.5f;
constexpr float kDarkest = 0.05f;
constexpr float kLeastEnergy = 0.12f;
constexpr int kBounceTries = 8;
constexpr float kLeastLean = 0.05f;
constexpr float kChannelMax = 255.0f;
constexpr float kSurfaceLift = 0.01f;
constexpr DWORD kProgressLines = 10;

// What one texture gives a bounce: its texel once read, or that it gives
// nothing (the line about it is printed once per bake).
struct TexelEntry
{
    bool ok;
    D3DXVECTOR3 rgb; // 0..1
};

struct BakeState
{
    std::unordered_map<DWORD, TexelEntry> texels; // by texture index
    HOBJECT skylight = nullptr;
    // The bounces' own random sequence (the classic rand, RAND_MAX 32767),
    // started afresh for every bake: a world bakes the same lights every
    // time, and the game's own random sequence is left as it was.
    DWORD random = 1;
};
BakeState g_Bake;

// Only the static world bounces light, never the object the rays start from.
bool StaticWorldOnly(HOBJECT candidate, RayTestUser skip)
{
    return candidate && candidate->Type == OT_MESH && candidate != reinterpret_cast<HOBJECT>(skip);
}

D3DXVECTOR3 Rgb(DWORD rgb)
{
    return D3DXVECTOR3(static_cast<float>((rgb >> 16) & 0xFF), static_cast<float>((rgb >> 8) & 0xFF),
                       static_cast<float>(rgb & 0xFF)) /
           kChannelMax;
}

DWORD Expand565(uint16_t c)
{
    const DWORD r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// The colour of texel (x, y) of a 4 x 4 block of a DXT1, DXT3 or DXT5
// surface: the colour part of the block (its last 8 bytes for DXT3 and DXT5).
// The device keeps those formats as blocks, so the bytes are no texel.
DWORD BlockTexel(const BYTE* block, bool dxt1, UINT x, UINT y)
{
    const BYTE* colour = dxt1 ? block : block + 8;
    const uint16_t c0 = static_cast<uint16_t>(colour[0] | colour[1] << 8);
    const uint16_t c1 = static_cast<uint16_t>(colour[2] | colour[3] << 8);
    const DWORD index = (colour[4 + y] >> (2 * x)) & 3;
    const DWORD p0 = Expand565(c0), p1 = Expand565(c1);
    auto mix = [](DWORD a, DWORD b, DWORD wa, DWORD wb, DWORD d)
    {
        DWORD out = 0;
        for (int shift = 0; shift < 24; shift += 8)
            out |= (((a >> shift) & 0xFF) * wa + ((b >> shift) & 0xFF) * wb) / d << shift;
        return out;
    };
    if (index == 0)
        return p0;
    if (index == 1)
        return p1;
    if (!dxt1 || c0 > c1)
        return index == 2 ? mix(p0, p1, 2, 1, 3) : mix(p0, p1, 1, 2, 3);
    return index == 2 ? mix(p0, p1, 1, 1, 2) : 0;
}

// The texel near the middle of level 0 as 0x00RRGGBB; false for a format
// without colour channels we know.
bool ReadTexel(const D3DLOCKED_RECT& locked, D3DFORMAT format, UINT width, UINT height, DWORD* rgb)
{
    const UINT x = width / 2, y = height / 2;
    const BYTE* bits = static_cast<const BYTE*>(locked.pBits);
    const size_t pitch = static_cast<size_t>(locked.Pitch);
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    {
        DWORD texel;
        std::memcpy(&texel, bits + y * pitch + 4 * x, 4);
        *rgb = texel & 0xFFFFFF;
        return true;
    }
    case D3DFMT_R5G6B5:
    {
        uint16_t texel;
        std::memcpy(&texel, bits + y * pitch + 2 * x, 2);
        *rgb = Expand565(texel);
        return true;
    }
    case D3DFMT_L8:
    {
        const DWORD l = bits[y * pitch + x];
        *rgb = l << 16 | l << 8 | l;
        return true;
    }
    case D3DFMT_DXT1:
    case D3DFMT_DXT3:
    case D3DFMT_DXT5:
    {
        const bool dxt1 = format == D3DFMT_DXT1;
        const size_t blockBytes = dxt1 ? 8 : 16;
        *rgb = BlockTexel(bits + (y / 4) * pitch + (x / 4) * blockBytes, dxt1, x % 4, y % 4);
        return true;
    }
    default:
        return false;
    }
}

// The bounce colour a texture gives, read once per bake and the texture
// unlocked again at once, so it still draws.
const TexelEntry& TexelOf(DWORD index)
{
    auto found = g_Bake.texels.find(index);
    if (found != g_Bake.texels.end())
        return found->second;
    TexelEntry entry = {false, D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
    strtexture* t = g_Renderer.GetTexture(index);
    if (!t)
        g_Console.PrintInt("Nieznana tekstura ", static_cast<int>(index));
    else if (t->m_pTexture)
    {
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        if (FAILED(t->m_pTexture->GetLevelDesc(0, &desc)) ||
            FAILED(t->m_pTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
            g_Console.Print("LockRect FAILED!");
        else
        {
            DWORD rgb = 0;
            entry.ok = desc.Width && desc.Height && locked.pBits &&
                       ReadTexel(locked, desc.Format, desc.Width, desc.Height, &rgb);
            entry.rgb = Rgb(rgb);
            t->m_pTexture->UnlockRect(0);
        }
    }
    return g_Bake.texels.emplace(index, entry).first->second;
}

// The face's texture index, or false when the hit carries no face of a mesh.
bool FaceTexture(const RayTestResult& hit, DWORD* index)
{
    const HOBJECT o = hit.pObject;
    if (!o || o->Type != OT_MESH || !o->Object)
        return false;
    const auto* mesh = static_cast<const EMesh*>(o->Object);
    if (!mesh->m_TextureIndex || hit.dwSubsetValue >= mesh->SubsetSlots())
        return false;
    *index = mesh->m_TextureIndex[hit.dwSubsetValue];
    return true;
}

int BakeRand()
{
    g_Bake.random = g_Bake.random * 1103515245u + 12345u;
    return static_cast<int>((g_Bake.random >> 16) & 0x7FFF);
}

float RandomUnit()
{
    const float v = static_cast<float>(BakeRand() & 0xFFFF) / 65536.0f;
    return (BakeRand() & 1) ? -v : v;
}
} // namespace

void CSkyLights::CreateSkyLights()
{
    g_Console.Print("CreateSkyLights");
    g_Bake = BakeState{};
    HOBJECT sky = g_Engine.FindObject(kSkylightObject, 0);
    if (!sky)
    {
        g_Console.Print("No skylight object!");
        return;
    }
    if (sky->Type != OT_MESH)
    {
        g_Console.Print("Not a mesh!");
        return;
    }
    if (!sky->Object)
    {
        g_Console.Print("Empty object!");
        return;
    }
    g_Bake.skylight = sky;
    const auto* mesh = static_cast<const EMesh*>(sky->Object);
    const float minX = std::fmin(mesh->m_vWorldMin.x, mesh->m_vWorldMax.x);
    const float maxX = std::fmax(mesh->m_vWorldMin.x, mesh->m_vWorldMax.x);
    const float minZ = std::fmin(mesh->m_vWorldMin.z, mesh->m_vWorldMax.z);
    const float maxZ = std::fmax(mesh->m_vWorldMin.z, mesh->m_vWorldMax.z);
    const float step = m_fGridStep;
    if (!(step > 0.0f) || !std::isfinite(step) || !std::isfinite(maxX - minX) || !std::isfinite(maxZ - minZ))
        return;
    const DWORD columns = static_cast<DWORD>((maxX - minX) / step) + 1;
    const DWORD rows = static_cast<DWORD>((maxZ - minZ) / step) + 1;
    g_Console.PrintInt("dwSzer == ", static_cast<int>(columns));
    g_Console.PrintInt("dwWys == ", static_cast<int>(rows));
    g_Console.PrintInt("W sumie == ", static_cast<int>(columns * rows));

    D3DXVECTOR3 energy;
    Env.GetAmbientR(&energy.x);
    Env.GetAmbientG(&energy.y);
    Env.GetAmbientB(&energy.z);
    D3DXVec3Normalize(&energy, &energy);
    D3DXVECTOR3 sun(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&sun, &sun);
    const float y = sky->vPosition.y;
    const DWORD progressEvery = rows / kProgressLines + 1;
    // Whole rows and columns from the corner: adding the step to a growing
    // coordinate stops advancing once the coordinate is large enough.
    for (DWORD row = 0; row < rows; ++row)
    {
        const float z = minZ + static_cast<float>(row) * step;
        if (!(z < maxZ))
            break;
        for (DWORD column = 0; column < columns; ++column)
        {
            const float x = minX + static_cast<float>(column) * step;
            if (!(x < maxX))
                break;
            TraceSkyRay(D3DXVECTOR3(x, y, z), sun, energy, false);
        }
        // The progress line after every tenth of the rows and the last, not
        // after each: a large object would fill the console with them.
        if ((row + 1) % progressEvery == 0 || row + 1 == rows)
        {
            char line[128];
            std::snprintf(line, sizeof line, "z == %u out of %u. Number of lights == %u", row, rows,
                          m_dwRawCount);
            g_Console.Print(line);
        }
    }
    g_Console.PrintInt("Exiting CreateSkyLights. Lights created == ", static_cast<int>(m_dwCountA));
}

void CSkyLights::TraceSkyRay(D3DXVECTOR3 origin, D3DXVECTOR3 direction, D3DXVECTOR3 energy, bool record)
{
    // Each bounce follows from the last; a loop instead of the recursion, so
    // a long chain of bounces never runs the stack out.
    for (;;)
    {
        const D3DXVECTOR3 to = origin + direction * kRayLength;
        RayTestQuery query;
        query.pFrom = &origin.x;
        query.pTo = &to.x;
        query.pfnFilter = StaticWorldOnly;
        query.dwUser = reinterpret_cast<RayTestUser>(g_Bake.skylight);
        RayTestResult hit;
        DWORD texture = 0;
        if (!g_IntersectSegment.Test(&query, &hit) || !hit.bHit || !FaceTexture(hit, &texture))
            return;
        D3DXVECTOR3 normal = hit.vNormal;
        D3DXVec3Normalize(&normal, &normal);
        const D3DXVECTOR3 position = hit.vPoint + normal * (kOffsetRadii * m_fLightRadius + kOffsetExtra);
        const TexelEntry& texel = TexelOf(texture);
        if (!texel.ok)
            return;
        D3DXVECTOR3 c = texel.rgb;
        const float length = std::fmax(D3DXVec3Length(&c), kLeastLength);
        c = D3DXVECTOR3(c.x + (length - c.x) * kTowardLength, c.y + (length - c.y) * kTowardLength,
                        c.z + (length - c.z) * kTowardLength);
        if (D3DXVec3Length(&c) < kDarkest)
            c = D3DXVECTOR3(kDarkest, kDarkest, kDarkest);
        D3DXVec3Normalize(&c, &c);
        energy = D3DXVECTOR3(energy.x * c.x, energy.y * c.y, energy.z * c.z);
        if (D3DXVec3Length(&energy) < kLeastEnergy)
            return;
        if (record)
            AddRawLight(position, energy);
        D3DXVECTOR3 bounce = normal;
        for (int i = 0; i < kBounceTries; ++i)
        {
            D3DXVECTOR3 r(RandomUnit(), RandomUnit(), RandomUnit());
            D3DXVec3Normalize(&r, &r);
            if (D3DXVec3Dot(&r, &normal) > kLeastLean)
            {
                bounce = r;
                break;
            }
        }
        // Lifted off the face a hair, so the bounce does not meet its own face at once.
        origin = hit.vPoint + normal * kSurfaceLift;
        direction = bounce;
        record = true;
    }
}
