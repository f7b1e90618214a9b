// CPlayerWeapons: the hero's own laser sight. With the laser switched on and
// a weapon with a laser in hand, a red dot sits where the beam from the held
// model's light socket meets the world, with a trail of small sprites along
// the beam; the dot itself is one camera-facing quad drawn after the scene.
#include "player/PlayerWeapons.h"

#include "game/CutScene.h"
#include "game/MainGame.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/D3DMain.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>
#include <iterator>

namespace
{
constexpr const char* DOT_SPRITE = "spr_pylek_lasera.tga";
constexpr const char* DOT_TEXTURE = "spr_laser_czerwony.tga";
constexpr DWORD kDotVertexSize = 24;
constexpr DWORD kDotVertices = 6;
constexpr DWORD kDotBufferSize = 144;
constexpr float kFirstScale = 2.0f;
constexpr float kScaleBase = 0.01f;
constexpr float kScaleStep = 0.0425f;
constexpr float kReach = 5000.0f;
constexpr float kDotHalf = 0.05f;
constexpr float kDotLift = 0.02f; // off the surface, towards the eye
constexpr DWORD kDotColour = 0xFFFF2020u;
constexpr DWORD kSpriteFlags = 1;

struct DotVertex
{
    float x, y, z;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(DotVertex) == kDotVertexSize, "a dot vertex is 24 bytes");

bool SkipHeroAndModel(HOBJECT candidate, RayTestUser user)
{
    return candidate != Player.m_hObject && candidate != reinterpret_cast<HOBJECT>(user) &&
           candidate->Type != OT_SPRITE;
}
} // namespace

bool CPlayerWeapons::LaserWanted() const
{
    const EItemDesc* d = current ? current->m_pDesc : nullptr;
    return laserOn && d && d->Laser && current->m_hHeldModel;
}

void CPlayerWeapons::ReleaseLaserDot()
{
    for (HOBJECT& s : laserDotSprites)
    {
        if (s)
            g_Engine.DeleteObject(s);
        s = nullptr;
    }
    if (laserDotVb)
        static_cast<IDirect3DVertexBuffer9*>(laserDotVb)->Release();
    laserDotVb = nullptr;
    laserDotPlaced = 0;
}

void CPlayerWeapons::UpdateLaserDot()
{
    laserDotPlaced = 0;
    if (!LaserWanted())
    {
        ReleaseLaserDot();
        return;
    }
    const EItemDesc& d = *current->m_pDesc;
    HOBJECT held = current->m_hHeldModel;
    D3DXMATRIX socket;
    EOrientation frame;
    if (!g_Engine.GetObjectSocket(held, d.Light_Socket, &socket, &frame))
        return;
    if (!laserDotSprites[0])
        for (int i = 0; i < LASER_DOT_SPRITES; ++i)
        {
            const float s = i == 0 ? kFirstScale : kScaleBase + kScaleStep * static_cast<float>(i);
            const float scale[3] = {s, s, s};
            const float at[3] = {socket._41, socket._42, socket._43};
            laserDotSprites[i] = g_Engine.CreateObject(OT_SPRITE, DOT_SPRITE, kSpriteFlags, 0, at, scale);
        }
    if (!laserDotVb && g_pD3DInterface)
    {
        IDirect3DVertexBuffer9* vb = nullptr;
        if (SUCCEEDED(g_pD3DInterface->CreateVertexBuffer(kDotBufferSize, D3DUSAGE_WRITEONLY, laserDotFvf,
                                                          D3DPOOL_MANAGED, &vb, nullptr)))
            laserDotVb = vb;
    }
    // The beam runs along the held model's forward axis to the first thing it meets.
    const D3DXVECTOR3 from(socket._41, socket._42, socket._43);
    const D3DXVECTOR3 forward = held->Orientation.Forward;
    const D3DXVECTOR3 to = from + forward * kReach;
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = SkipHeroAndModel;
    query.dwUser = reinterpret_cast<RayTestUser>(held);
    query.fMaxDistance = kReach;
    RayTestResult hit;
    if (!g_IntersectSegment.Test(&query, &hit) || !hit.bHit)
        return;
    laserDotPoint = hit.vPoint;
    for (int i = 0; i < LASER_DOT_SPRITES; ++i)
    {
        if (!laserDotSprites[i])
            continue;
        const float share = 1.0f - static_cast<float>(i) / LASER_DOT_SPRITES;
        const D3DXVECTOR3 p = from + (hit.vPoint - from) * share;
        g_Engine.SetObjectPosition(laserDotSprites[i], &p, 0);
    }
    void* bits = nullptr;
    IDirect3DVertexBuffer9* vb = static_cast<IDirect3DVertexBuffer9*>(laserDotVb);
    if (!vb || FAILED(vb->Lock(0, 0, &bits, 0)) || !bits)
        return;
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    D3DXVECTOR3 back = eye - hit.vPoint;
    const float l = std::sqrt(back.x * back.x + back.y * back.y + back.z * back.z);
    back = l > 0.0f ? back / l : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 c = hit.vPoint + back * kDotLift;
    const D3DXVECTOR3 r = g_Camera.m_vRight * kDotHalf, u = g_Camera.m_vUp * kDotHalf;
    auto v = [&](const D3DXVECTOR3& p, float tu, float tv)
    { return DotVertex{p.x, p.y, p.z, kDotColour, tu, tv}; };
    const DotVertex quad[kDotVertices] = {v(c - r + u, 0, 0), v(c + r - u, 1, 1), v(c - r - u, 0, 1),
                                          v(c - r + u, 0, 0), v(c + r + u, 1, 0), v(c + r - u, 1, 1)};
    std::copy(std::begin(quad), std::end(quad), static_cast<DotVertex*>(bits));
    vb->Unlock();
    laserDotPlaced = 1;
}

void CPlayerWeapons::RenderLaser()
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device || !LaserWanted() || !laserDotVb || !laserDotPlaced || g_CutScene.m_bPlaying ||
        g_Engine.m_bCameraHeld)
        return;
    if (!laserTexture)
        laserTexture = g_Renderer.GetTextureIndex(DOT_TEXTURE);
    constexpr D3DRENDERSTATETYPE kStates[] = {D3DRS_ZENABLE,  D3DRS_ZWRITEENABLE, D3DRS_ALPHABLENDENABLE,
                                              D3DRS_SRCBLEND, D3DRS_DESTBLEND,    D3DRS_ALPHATESTENABLE};
    DWORD saved[std::size(kStates)] = {};
    for (size_t i = 0; i < std::size(kStates); ++i)
        device->GetRenderState(kStates[i], &saved[i]);
    DWORD colourOp = 0, colourArg1 = 0, colourArg2 = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &colourOp);
    device->GetTextureStageState(0, D3DTSS_COLORARG1, &colourArg1);
    device->GetTextureStageState(0, D3DTSS_COLORARG2, &colourArg2);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(laserDotFvf);
    g_Renderer.SetTexture(0, laserTexture);
    device->SetStreamSource(0, static_cast<IDirect3DVertexBuffer9*>(laserDotVb), 0, kDotVertexSize);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    for (size_t i = 0; i < std::size(kStates); ++i)
        device->SetRenderState(kStates[i], saved[i]);
    device->SetTextureStageState(0, D3DTSS_COLOROP, colourOp);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, colourArg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, colourArg2);
}
