// ELaserMgr: the characters' laser beams and their dust.
#include "player/LaserMgr.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

ELaserMgr g_LaserMgr;

namespace
{
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1; // 0x142
constexpr float kHalfWidth = 0.4f;
constexpr float kDustJitter = 65536.0f; // rand over this: under 0.5 either way
constexpr float kDustBright = 2.5f;
constexpr float kDustSize = 0.6f;
constexpr float kDustSizeMin = 0.2f;
constexpr DWORD kAlphaRange = 63;
constexpr DWORD kAlphaBase = 64;

struct LaserVertex
{
    float x, y, z;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(LaserVertex) == ELaserMgr::VERTEX_SIZE, "a laser vertex is 24 bytes");

DWORD WithAlpha(DWORD colour)
{
    const DWORD alpha = static_cast<DWORD>(std::rand()) % kAlphaRange + kAlphaBase;
    return (colour & 0xFFFFFFu) | (alpha << 24);
}

LaserVertex Vertex(const D3DXVECTOR3& p, DWORD colour, float u, float v)
{
    return {p.x, p.y, p.z, colour, u, v};
}

float Jitter()
{
    const float value = static_cast<float>(std::rand() & 0x7FFF) / kDustJitter;
    return (std::rand() & 1) ? -value : value;
}

void ReleaseBuffer(IDirect3DVertexBuffer9*& vb)
{
    if (vb)
        vb->Release();
    vb = nullptr;
}

IDirect3DVertexBuffer9* CreateBuffer(DWORD size, DWORD fvf)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    if (!g_pD3DInterface || FAILED(g_pD3DInterface->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, fvf,
                                                                       D3DPOOL_MANAGED, &vb, nullptr)))
    {
        g_Console.Print("ELaserMgr: failed to create a vertex buffer");
        return nullptr;
    }
    return vb;
}
} // namespace

ELaserMgr::ELaserMgr() : m_dwFVF(kFvf)
{
    for (DWORD i = 0; i < MAX_BEAMS; ++i)
        m_Beams[i].slot = i;
}

DWORD ELaserMgr::DustColour(DWORD beamColour)
{
    DWORD out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
    {
        const float channel = static_cast<float>((beamColour >> shift) & 0xFFu) * kDustBright;
        out |= static_cast<DWORD>(std::min(255.0f, channel)) << shift;
    }
    return out;
}

DWORD ELaserMgr::AddBeam(const D3DXVECTOR3* origin, const D3DXVECTOR3* target, DWORD colour, BYTE flag)
{
    if (!origin || !target)
        return MAX_BEAMS;
    for (DWORD i = 0; i < MAX_BEAMS; ++i)
    {
        Beam& b = m_Beams[i];
        if (b.used)
            continue;
        b.used = 1;
        b.slot = i;
        b.colour = colour & 0xFFFFFFu;
        b.flag = flag;
        b.origin = *origin;
        b.target = *target;
        const D3DXVECTOR3 way = *target - *origin;
        b.side = EOrientation(&way).Right;
        return i;
    }
    return MAX_BEAMS;
}

void ELaserMgr::RemoveBeam(DWORD slot)
{
    if (slot < MAX_BEAMS)
        m_Beams[slot].used = 0;
}

void ELaserMgr::ClearBeams()
{
    for (Beam& b : m_Beams)
        b.used = 0;
    m_iBeamsWritten = 0;
    m_iDustCount = 0;
}

void ELaserMgr::CreateDeviceObjects()
{
    ClearBeams();
    for (DWORD i = 0; i < MAX_BEAMS; ++i)
        m_Beams[i].slot = i;
    // The textures are looked up when beams are first drawn: a world without
    // laser sights needs neither, and a texture that is missing stops the game.
    m_BeamTexture = m_DustTexture = 0;
    ReleaseBuffer(m_pBeamVB);
    ReleaseBuffer(m_pDustVB);
    m_pBeamVB = CreateBuffer(BEAM_BUFFER_SIZE, m_dwFVF);
    m_pDustVB = CreateBuffer(DUST_BUFFER_SIZE, m_dwFVF);
}

void ELaserMgr::Release()
{
    ClearBeams();
    ReleaseBuffer(m_pBeamVB);
    ReleaseBuffer(m_pDustVB);
}

void ELaserMgr::Update()
{
    WriteBeams();
    GatherDust();
    WriteDust();
}

void ELaserMgr::WriteBeams()
{
    m_iBeamsWritten = 0;
    // Without its buffer (before the world's device objects, or after the reset) nothing is written.
    void* bits = nullptr;
    if (!m_pBeamVB || FAILED(m_pBeamVB->Lock(0, 0, &bits, 0)) || !bits)
        return;
    LaserVertex* v = static_cast<LaserVertex*>(bits);
    const D3DXVECTOR3 up(0.0f, kHalfWidth, 0.0f);
    for (const Beam& b : m_Beams)
    {
        if (!b.used)
            continue;
        const DWORD c = WithAlpha(b.colour);
        const D3DXVECTOR3 side = b.side * kHalfWidth;
        // Across the world's up axis: u 0 on the upper edge, v along the beam.
        const LaserVertex a0 = Vertex(b.origin + up, c, 0.0f, 0.0f),
                          a1 = Vertex(b.origin - up, c, 1.0f, 0.0f);
        const LaserVertex a2 = Vertex(b.target + up, c, 0.0f, 1.0f),
                          a3 = Vertex(b.target - up, c, 1.0f, 1.0f);
        // Across the side axis: u 1 on the + side.
        const LaserVertex s0 = Vertex(b.origin + side, c, 1.0f, 0.0f),
                          s1 = Vertex(b.origin - side, c, 0.0f, 0.0f);
        const LaserVertex s2 = Vertex(b.target + side, c, 1.0f, 1.0f),
                          s3 = Vertex(b.target - side, c, 0.0f, 1.0f);
        const LaserVertex quad[BEAM_VERTICES] = {a0, a1, a2, a2, a1, a3, s0, s1, s2, s2, s1, s3};
        std::copy(quad, quad + BEAM_VERTICES, v);
        v += BEAM_VERTICES;
        ++m_iBeamsWritten;
    }
    m_pBeamVB->Unlock();
}

void ELaserMgr::GatherDust()
{
    m_iDustCount = 0;
    for (const Beam& b : m_Beams)
    {
        if (!b.used)
            continue;
        const D3DXVECTOR3 way = b.target - b.origin;
        const float length = std::sqrt(way.x * way.x + way.y * way.y + way.z * way.z);
        if (!(length > DUST_SPACING) || !std::isfinite(length))
            continue;
        const D3DXVECTOR3 d = way / length;
        const DWORD colour = DustColour(b.colour);
        for (float s = DUST_SPACING; s < length; s += DUST_SPACING)
        {
            if (m_iDustCount >= MAX_DUST)
                return;
            m_vDust[m_iDustCount] =
                b.origin + d * (s + RandomFloat(DUST_SPACING)) + D3DXVECTOR3(Jitter(), Jitter(), Jitter());
            m_DustColour[m_iDustCount] = colour;
            ++m_iDustCount;
        }
    }
}

void ELaserMgr::WriteDust()
{
    void* bits = nullptr;
    if (!m_pDustVB || m_iDustCount == 0 || FAILED(m_pDustVB->Lock(0, 0, &bits, 0)) || !bits)
        return;
    LaserVertex* v = static_cast<LaserVertex*>(bits);
    const D3DXVECTOR3 right = g_Camera.m_vRight;
    const D3DXVECTOR3 up = g_Camera.m_vUp;
    for (DWORD i = 0; i < m_iDustCount; ++i)
    {
        const float h = RandomFloat(kDustSize) + kDustSizeMin;
        const DWORD c = WithAlpha(m_DustColour[i]);
        const D3DXVECTOR3& p = m_vDust[i];
        const D3DXVECTOR3 r = right * h, u = up * h;
        // Corners (0,0) top left, (1,1) bottom right.
        const LaserVertex tl = Vertex(p - r + u, c, 0.0f, 0.0f), br = Vertex(p + r - u, c, 1.0f, 1.0f);
        const LaserVertex bl = Vertex(p - r - u, c, 0.0f, 1.0f), tr = Vertex(p + r + u, c, 1.0f, 0.0f);
        v[0] = tl;
        v[1] = br;
        v[2] = bl;
        v[3] = tl;
        v[4] = tr;
        v[5] = br;
        v += DUST_VERTICES;
    }
    m_pDustVB->Unlock();
}

void ELaserMgr::Render()
{
    m_iDrawCalls = 0;
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device || !m_pBeamVB || m_iBeamsWritten == 0)
        return;
    if (!m_BeamTexture)
        m_BeamTexture = g_Renderer.GetTextureIndex(BEAM_TEXTURE);
    if (!m_DustTexture && m_iDustCount)
        m_DustTexture = g_Renderer.GetTextureIndex(DUST_TEXTURE);
    // The states changed here, put back afterwards.
    constexpr D3DRENDERSTATETYPE kStates[] = {
        D3DRS_ZENABLE,  D3DRS_ZWRITEENABLE, D3DRS_ALPHABLENDENABLE, D3DRS_BLENDOP,
        D3DRS_SRCBLEND, D3DRS_DESTBLEND,    D3DRS_ALPHATESTENABLE};
    DWORD saved[std::size(kStates)] = {};
    for (size_t i = 0; i < std::size(kStates); ++i)
        device->GetRenderState(kStates[i], &saved[i]);
    constexpr D3DTEXTURESTAGESTATETYPE kStages[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                                    D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
    DWORD savedStage[std::size(kStages)] = {};
    for (size_t i = 0; i < std::size(kStages); ++i)
        device->GetTextureStageState(0, kStages[i], &savedStage[i]);

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(m_dwFVF);

    g_Renderer.SetTexture(0, m_BeamTexture);
    device->SetStreamSource(0, m_pBeamVB, 0, VERTEX_SIZE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 4 * m_iBeamsWritten);
    ++m_iDrawCalls;
    if (m_pDustVB && m_iDustCount)
    {
        g_Renderer.SetTexture(0, m_DustTexture);
        device->SetStreamSource(0, m_pDustVB, 0, VERTEX_SIZE);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2 * m_iDustCount);
        ++m_iDrawCalls;
    }

    for (size_t i = 0; i < std::size(kStates); ++i)
        device->SetRenderState(kStates[i], saved[i]);
    for (size_t i = 0; i < std::size(kStages); ++i)
        device->SetTextureStageState(0, kStages[i], savedStage[i]);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}
