// EFxMgr: turning the live effects into geometry: streaks for bullets and
// sparks, camera-facing quads for sprites gathered per texture, and the
// fixed-function draws of both. Also the free-slot list the update refills.
#include "environment/FxMgr.h"

#include "environment/FxHelpers.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace
{
struct SparkVertex
{
    float x, y, z;
    DWORD color;
};
static_assert(sizeof(SparkVertex) == FX_SPARK_VERTEX_SIZE, "spark vertices are 16 bytes");

struct SpriteVertex
{
    float x, y, z;
    DWORD color;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == FX_SPRITE_VERTEX_SIZE, "sprite vertices are 24 bytes");

constexpr DWORD kSpriteFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kSparkColor = 0xFFBA4200;
constexpr DWORD kBlueSparkColor = 0xFF0042BA;
constexpr DWORD kSparkEnd = 0xFFA07060;
constexpr DWORD kTracer = 0x40484030;
constexpr DWORD kBrightTracer = 0x80A07060;
constexpr float kFadeRate = 1.5f;
constexpr float kBulletHalfWidth = 0.01f;
constexpr float kSparkHalfWidth = 0.008f;
constexpr float kWideHalfWidth = 0.1f;
constexpr float kHeadLength = 0.035f;
constexpr float kHeadHalfWidth = 0.01f;
constexpr float kDecalRange = 960.0f;
constexpr int kAtlasSide = 8;
constexpr DWORD kAtlasFrames = 64;
constexpr float kAtlasStep = 0.125f;
constexpr float kHalf = 0.5f;
constexpr float kLightGrowFrom = 3.0f;
constexpr float kLightGrow = 0.1f;
constexpr float kBelowGrowFrom = 4.0f;
constexpr float kBelowGrow = 0.05f;
constexpr DWORD kAdditiveBit = 0x1;
constexpr DWORD kMultiplyBit = 0x2;
constexpr DWORD kRotatedBit = 0x2;
constexpr DWORD kLightBit = 0x800;
constexpr int kStages = 5;
constexpr DWORD kQuadVertices = 6;
// The three passes, in drawing order.
constexpr DWORD kPasses[FX_BLEND_MODES] = {FX_BLEND_MULTIPLY, FX_BLEND_NORMAL, FX_BLEND_ADDITIVE};

// Culling goes off through the state cache, which remembers the last mode it
// set. The frame sets culling straight on the device too (and a reset device
// starts from its defaults), so the cache first learns what the device has.
void CullingOff(IDirect3DDevice9* d)
{
    DWORD mode = D3DCULL_CCW;
    d->GetRenderState(D3DRS_CULLMODE, &mode);
    g_RenderStates.m_bCulling = mode != D3DCULL_NONE ? 1 : 0;
    g_RenderStates.EnableCulling(false);
}

DWORD BlendOf(const EFxInstance* fx)
{
    if (fx->m_dwBlend & kAdditiveBit)
        return FX_BLEND_ADDITIVE;
    if (fx->m_dwBlend & kMultiplyBit)
        return FX_BLEND_MULTIPLY;
    return FX_BLEND_NORMAL;
}

SparkVertex Vertex(const D3DXVECTOR3& p, DWORD color)
{
    return {p.x, p.y, p.z, color};
}

// Three triangles from the tip P to the far point T.
void WriteFan(SparkVertex* v, const D3DXVECTOR3& p, const D3DXVECTOR3 side[3], const D3DXVECTOR3& t, DWORD c1,
              DWORD c2)
{
    for (int i = 0; i < 3; ++i)
    {
        *v++ = Vertex(p, c1);
        *v++ = Vertex(side[i], c2);
        *v++ = Vertex(t, c2);
    }
}

// Saved render states, put back in reverse order.
struct SavedStates
{
    static constexpr int MAX = 16;
    D3DRENDERSTATETYPE states[MAX];
    DWORD values[MAX];
    int count = 0;
    IDirect3DDevice9* device;
    explicit SavedStates(IDirect3DDevice9* d) : device(d) {}
    void Save(D3DRENDERSTATETYPE s)
    {
        states[count] = s;
        device->GetRenderState(s, &values[count]);
        ++count;
    }
    void Restore()
    {
        while (count > 0)
        {
            --count;
            device->SetRenderState(states[count], values[count]);
        }
    }
};
} // namespace

void EFxMgr::RefillFreeList()
{
    std::memset(m_iFreeSlots, 0, sizeof m_iFreeSlots);
    int n = 0;
    for (DWORD i = 1; i < static_cast<DWORD>(MAX_FX) && n < FX_FREE_SLOTS; ++i)
        if (!m_Fx[i].m_bActive)
            m_iFreeSlots[n++] = i;
}

void EFxMgr::BuildSparks()
{
    m_iSparkCount = 0;
    if (!m_pSparkVB)
        return;
    void* data = nullptr;
    if (FAILED(m_pSparkVB->Lock(0, FX_SPARK_VB_SIZE, &data, D3DLOCK_DISCARD)) || !data)
        return;
    auto* v = static_cast<SparkVertex*>(data);
    for (EFxInstance& fx : m_Fx)
    {
        if (m_iSparkCount >= FX_MAX_SPARKS)
            break;
        if (!fx.m_bActive || (fx.m_iType != FX_BULLET && fx.m_iType != FX_SPARK) ||
            fx.m_fCameraDistance > fx.m_fVisibleDistance)
            continue;
        const D3DXVECTOR3 t = fx.m_bHasAimPoint ? fx.m_vAimPoint : fx.m_vHistory[1];
        const DWORD base = fx.m_bBlueSpark ? kBlueSparkColor : kSparkColor;
        const float f = std::fmin(kFadeRate * fx.m_fLifeFraction, 1.0f);
        DWORD c1, c2;
        if (fx.m_iType == FX_BULLET)
        {
            c1 = LerpColor(0, fx.m_bBrightTrail ? kBrightTracer : kTracer, f);
            c2 = LerpColor(0, c1, f);
        }
        else
        {
            c1 = LerpColor(base, kSparkEnd, f);
            c2 = LerpColor(base, c1, f);
        }
        float s = fx.m_iType == FX_BULLET ? kBulletHalfWidth : kSparkHalfWidth;
        if (fx.m_bWideSpark)
            s = kWideHalfWidth;
        const D3DXVECTOR3& p = fx.m_vPos;
        const D3DXVECTOR3& a = fx.m_vAimUp;
        const D3DXVECTOR3& r = fx.m_vAimRight;
        const D3DXVECTOR3 streak[3] = {p + a * s, p - a * s + r * s, p - a * s - r * s};
        WriteFan(v, p, streak, t, c1, c2);
        v += 9;
        const float h = kHeadHalfWidth;
        const D3DXVECTOR3 t2 = p + fx.m_vAimForward * kHeadLength;
        const D3DXVECTOR3 head[3] = {p + a * h, p - a * h + r * h, p - a * h - r * h};
        WriteFan(v, p, head, t2, c1, c2);
        v += 9;
        ++m_iSparkCount;
    }
    m_pSparkVB->Unlock();
}

void EFxMgr::DrawSparks()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!m_pSparkVB || !d || !m_iSparkCount)
        return;
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    CullingOff(d);
    DWORD stage[6] = {};
    const D3DTEXTURESTAGESTATETYPE stageStates[6] = {D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2,
                                                     D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2};
    for (int i = 0; i < 6; ++i)
        d->GetTextureStageState(0, stageStates[i], &stage[i]);
    SavedStates saved(d);
    saved.Save(D3DRS_ALPHABLENDENABLE);
    saved.Save(D3DRS_SRCBLEND);
    saved.Save(D3DRS_DESTBLEND);
    saved.Save(D3DRS_BLENDOP);

    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetVertexDeclaration(nullptr);
    d->SetStreamSource(0, m_pSparkVB, 0, FX_SPARK_VERTEX_SIZE);
    d->SetFVF(m_dwSparkFVF);
    d->SetTexture(0, nullptr);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, m_iSparkCount * 6);

    d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    for (int i = 0; i < 6; ++i)
        d->SetTextureStageState(0, stageStates[i], stage[i]);
    saved.Restore();
}

void EFxMgr::UpdateSprites()
{
    // Each call lists the frame's sprites afresh: while the game layer is
    // frozen (a script's "end_game") the update before it does not run, and
    // nothing may be listed twice.
    for (EFxSpriteBatch& b : m_Batches)
        b.m_iCount = 0;
    for (DWORD i = 1; i < static_cast<DWORD>(MAX_FX); ++i)
    {
        EFxInstance* fx = &m_Fx[i];
        if (!fx->m_bActive)
            continue;
        if (fx->m_iType == FX_SPRITE)
            fx->m_dwColor = GetSpriteColor(fx);
        if (fx->m_iType != FX_SPRITE && fx->m_iType != FX_BLOODDROP)
            continue;
        const float limit = fx->m_bDecal ? kDecalRange : fx->m_fVisibleDistance;
        const bool listed = fx->m_bVisible && !(fx->m_bLightSprite && !fx->m_bLightVisible) &&
                            !(fx->m_fCameraDistance > limit) &&
                            fx->m_iTexture < static_cast<DWORD>(FX_BATCHES);
        if (!listed)
        {
            if (m_iDrawnCount)
                --m_iDrawnCount;
            continue;
        }
        EFxSpriteBatch& b = m_Batches[fx->m_iTexture];
        if (b.m_iCount < FX_BATCH_MAX_LISTED)
            b.m_pFx[b.m_iCount++] = fx;
    }
    const D3DXVECTOR3 right = g_Camera.m_vRight;
    const D3DXVECTOR3 up = g_Camera.m_vUp;
    for (EFxSpriteBatch& b : m_Batches)
    {
        b.m_iQuads = 0;
        std::memset(b.m_iBlendQuads, 0, sizeof b.m_iBlendQuads);
        if (!b.m_iCount)
            continue;
        if (!b.m_pVB)
        {
            if (!g_pD3DInterface ||
                FAILED(g_pD3DInterface->CreateVertexBuffer(FX_BATCH_VB_SIZE, D3DUSAGE_WRITEONLY, kSpriteFVF,
                                                           D3DPOOL_MANAGED, &b.m_pVB, nullptr)))
            {
                b.m_pVB = nullptr;
                continue;
            }
        }
        FillBatch(&b, right, up);
    }
}

void EFxMgr::FillBatch(EFxSpriteBatch* b, const D3DXVECTOR3& cameraRight, const D3DXVECTOR3& cameraUp)
{
    void* data = nullptr;
    if (FAILED(b->m_pVB->Lock(0, FX_BATCH_VB_SIZE, &data, D3DLOCK_DISCARD)) || !data)
        return;
    auto* v = static_cast<SpriteVertex*>(data);
    // The animation clocks advance once per frame, before the quads of any blend are written.
    for (DWORD i = 0; i < b->m_iCount; ++i)
    {
        EFxInstance* fx = b->m_pFx[i];
        if (fx && fx->m_bAnimated)
        {
            fx->m_fAnimClock += m_fFrameTime;
            if (fx->m_fAnimClock > fx->m_fAnimLength)
                fx->m_fAnimClock -= fx->m_fAnimLength;
        }
    }
    // One run of quads per blend, in the order the passes draw them.
    for (DWORD pass : kPasses)
    {
        b->m_iFirstQuad[pass] = b->m_iQuads;
        for (DWORD i = 0; i < b->m_iCount && b->m_iQuads < FX_BATCH_MAX_QUADS; ++i)
        {
            EFxInstance* fx = b->m_pFx[i];
            if (!fx || BlendOf(fx) != pass || fx->m_fCameraDistance > fx->m_fVisibleDistance)
                continue;
            float uL = 0.0f, vT = 0.0f, uR = 1.0f, vB = 1.0f;
            if (fx->m_bAnimated && fx->m_fAnimFrameTime > 0.0f)
            {
                DWORD frame = static_cast<DWORD>(fx->m_fAnimClock / fx->m_fAnimFrameTime);
                if (frame >= kAtlasFrames)
                    frame %= kAtlasFrames;
                uL = static_cast<float>(frame % kAtlasSide) * kAtlasStep;
                vT = static_cast<float>(frame / kAtlasSide) * kAtlasStep;
                uR = uL + kAtlasStep;
                vB = vT + kAtlasStep;
            }
            b->m_iBlend = pass;
            const float dist = fx->m_fCameraDistance;
            float k = kHalf;
            if (fx->m_bLightSprite && dist > kLightGrowFrom)
                k = kHalf + kLightGrow * std::sqrt(dist);
            if (fx->m_bBelowCamera && dist > kBelowGrowFrom)
                k += kBelowGrow * std::sqrt(dist);
            D3DXVECTOR3 r, u;
            if (fx->m_dwSpriteFlags & kRotatedBit)
            {
                r = fx->m_vAimUp * (k * fx->m_vDrawScale.y);
                u = fx->m_vAimRight * (k * fx->m_vDrawScale.x);
            }
            else if (fx->m_bFlatRotation)
            {
                r = D3DXVECTOR3(k * fx->m_vDrawScale.y, 0.0f, 0.0f);
                u = D3DXVECTOR3(0.0f, 0.0f, k * fx->m_vDrawScale.x);
            }
            else
            {
                r = cameraRight * (k * fx->m_vDrawScale.y);
                u = cameraUp * (k * fx->m_vDrawScale.x);
            }
            const D3DXVECTOR3& c = fx->m_vAnchor;
            const DWORD color = fx->m_dwColor;
            const D3DXVECTOR3 p0 = c + r - u, p1 = c + r + u, p2 = c - r + u, p4 = c - r - u;
            *v++ = {p0.x, p0.y, p0.z, color, uL, vT};
            *v++ = {p1.x, p1.y, p1.z, color, uR, vT};
            *v++ = {p2.x, p2.y, p2.z, color, uR, vB};
            *v++ = {p2.x, p2.y, p2.z, color, uR, vB};
            *v++ = {p4.x, p4.y, p4.z, color, uL, vB};
            *v++ = {p0.x, p0.y, p0.z, color, uL, vT};
            ++b->m_iQuads;
        }
        b->m_iBlendQuads[pass] = b->m_iQuads - b->m_iFirstQuad[pass];
    }
    b->m_pVB->Unlock();
}

void EFxMgr::DrawSpriteBatches()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!g_Options.DrawSprites || !d)
        return;
    SavedStates saved(d);
    for (D3DRENDERSTATETYPE s :
         {D3DRS_BLENDOP, D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_ALPHATESTENABLE,
          D3DRS_ALPHAREF, D3DRS_ALPHAFUNC, D3DRS_ZENABLE, D3DRS_ZWRITEENABLE})
        saved.Save(s);
    CullingOff(d);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DWORD zTest = TRUE;
    d->GetRenderState(D3DRS_ZENABLE, &zTest);

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_WORLD, &identity);
    for (int stage = 1; stage < kStages; ++stage)
    {
        d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetFVF(kSpriteFVF);

    for (DWORD pass : kPasses)
    {
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2,
                                pass == FX_BLEND_MULTIPLY ? D3DTA_CURRENT : D3DTA_DIFFUSE);
        d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
        if (pass == FX_BLEND_MULTIPLY)
        {
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
        }
        else if (pass == FX_BLEND_NORMAL)
        {
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        }
        else
        {
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        }
        for (DWORD k = 0; k < static_cast<DWORD>(FX_BATCHES); ++k)
        {
            const EFxSpriteBatch& b = m_Batches[k];
            if (!b.m_iQuads || !b.m_pVB || !b.m_iBlendQuads[pass] || !b.m_iCount || !b.m_pFx[0])
                continue;
            const DWORD wantZ = (b.m_pFx[0]->m_dwSpriteFlags & kLightBit) ? FALSE : TRUE;
            if (wantZ != zTest)
            {
                d->SetRenderState(D3DRS_ZENABLE, wantZ);
                zTest = wantZ;
            }
            g_Renderer.SetTexture(0, k);
            d->SetStreamSource(0, b.m_pVB, 0, FX_SPRITE_VERTEX_SIZE);
            d->DrawPrimitive(D3DPT_TRIANGLELIST, b.m_iFirstQuad[pass] * kQuadVertices,
                             b.m_iBlendQuads[pass] * 2);
        }
    }
    saved.Restore();
    g_RenderStates.EnableCulling(true);
}

void EFxMgr::Render()
{
    if (!g_Options.DrawFX)
        return;
    if (m_iSparkCount)
        DrawSparks();
    DrawSpriteBatches();
}
