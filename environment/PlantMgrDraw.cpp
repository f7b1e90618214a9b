// EPlantMgr: the terrain-grass sector buffers (three bent blades a tuft),
// the pass that draws the sectors near the camera, and the release.
#include "environment/PlantMgr.h"

#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr float kTwoPi = 6.2831855f;
// A little less than a third of a turn between the blades of a tuft.
constexpr float kBladeTurn = 2.0923009f;
constexpr float kMiddle = 0.3f;
constexpr float kWindScale = 0.2f;
constexpr DWORD kAllStages = 16;
constexpr DWORD kAlphaReference = 96;
constexpr DWORD kAlphaMiddle = 0x40;
constexpr DWORD kAlphaTop = 0xF0;
constexpr DWORD kTrianglesPerBlade = 4;
constexpr DWORD kBladeVertices = 6;
constexpr DWORD kBladeIndices = 12;

struct BladeVariant
{
    float a; // half-width
    float b; // height
    float c; // forward lean
    float d; // base offset along the forward axis
    float vBottom;
    float vTop;
};
constexpr BladeVariant kVariants[3] = {
    {1.0f, 1.0f, 0.4f, -0.14f, 0.25f, 0.14f},
    {1.0f, 1.0f, 0.6f, -0.2f, 0.5f, 0.25f},
    {0.8f, 1.2f, 0.1f, -0.1f, 0.75f, 0.5f},
};

int Rand15()
{
    return std::rand() & 0x7FFF;
}

void PutVertex(BYTE* out, const D3DXVECTOR3& p, DWORD colour, const D3DXVECTOR3& n, float u, float v)
{
    std::memcpy(out + 0, &p, 12);
    std::memcpy(out + 12, &colour, 4);
    std::memcpy(out + 16, &n, 12);
    const float uv[2] = {u, v};
    std::memcpy(out + 28, uv, 8);
}
} // namespace

// ---- Sector buffers ------------------------------------------------------------------------

void EPlantMgr::CreateTSectorBuffers()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!m_pTSectors || !m_pTGrassIB || !m_dwTSectors || !d)
        return;
    for (DWORD i = 0; i < m_dwTSectors; ++i)
    {
        strTSector& s = m_pTSectors[i];
        if (!s.dwTPlants || !s.pTPlants)
            continue;
        if (FAILED(d->CreateVertexBuffer(s.dwTPlants * TUFT_VERTICES * VERTEX_SIZE, D3DUSAGE_WRITEONLY, 0,
                                         D3DPOOL_MANAGED, &s.pVB, nullptr)) ||
            !s.pVB)
        {
            g_Console.PrintInt("Failed to create TGrass pVB dla sektora ", static_cast<int>(i));
            s.pVB = nullptr;
            continue;
        }
        g_Debug.AddAllocation(VB_TAG);
        if (FAILED(d->CreateIndexBuffer(s.dwTPlants * TUFT_INDICES * 4, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32,
                                        D3DPOOL_MANAGED, &m_pTGrassIB[i], nullptr)) ||
            !m_pTGrassIB[i])
        {
            g_Console.PrintInt("Failed to create grass pIB dla", static_cast<int>(i));
            m_pTGrassIB[i] = nullptr;
            continue;
        }
        g_Debug.AddAllocation(IB_TAG);
        void* vertices = nullptr;
        void* indices = nullptr;
        if (FAILED(s.pVB->Lock(0, 0, &vertices, 0)) || !vertices)
        {
            g_Console.PrintInt("Failed to lock TGrass VB dla sektora ", static_cast<int>(i));
            continue;
        }
        if (FAILED(m_pTGrassIB[i]->Lock(0, 0, &indices, 0)) || !indices)
        {
            s.pVB->Unlock();
            g_Console.PrintInt("Failed to lock TGrass IB dla sektora ", static_cast<int>(i));
            continue;
        }
        s.dwTriangles = 0;
        for (DWORD t = 0; t < s.dwTPlants; ++t)
        {
            int variant = 0;
            if (Rand15() % 10 == 0)
                variant = 1 + Rand15() % 2;
            else if (Rand15() % 6 == 0)
                variant = 2;
            FillTSectorTuft(i, t, variant, static_cast<BYTE*>(vertices), static_cast<DWORD*>(indices));
        }
        s.pVB->Unlock();
        m_pTGrassIB[i]->Unlock();
    }
}

void EPlantMgr::FillTSectorTuft(DWORD sector, DWORD tuft, int variant, BYTE* vertices, DWORD* indices)
{
    if (!m_pTSectors || sector >= m_dwTSectors || variant < 0 || variant > 2 || !vertices || !indices)
        return;
    strTSector& s = m_pTSectors[sector];
    if (!s.dwTPlants || !s.pTPlants || tuft >= s.dwTPlants)
        return;
    // The buffers hold exactly the sector's tufts.
    if (s.dwTriangles * 3 / 2 + TUFT_VERTICES > s.dwTPlants * TUFT_VERTICES)
        return;
    const strTPlant& p = s.pTPlants[tuft];
    const BladeVariant& v = kVariants[variant];
    DWORD first = s.dwTriangles * 3 / 2;
    DWORD* index = indices + s.dwTriangles * 3;
    const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f), up(0.0f, 1.0f, 0.0f);
    EOrientation o(&ahead);
    o.RotateAxisAngle(&up, RandomFloat(kTwoPi));
    const DWORD rgb = p.dwColour & 0x00FFFFFF;
    const DWORD bottom = rgb, middle = rgb | (kAlphaMiddle << 24), top = rgb | (kAlphaTop << 24);
    const float vMiddle = v.vBottom + (v.vTop - v.vBottom) * kMiddle;
    for (int blade = 0; blade < 3; ++blade)
    {
        const D3DXVECTOR3 f = o.Forward, r = o.Right;
        const D3DXVECTOR3 base = p.vPosition + f * v.d;
        const D3DXVECTOR3 left = base - r * v.a, right = base + r * v.a;
        const D3DXVECTOR3 midShift = f * (kMiddle * v.c) + D3DXVECTOR3(0.0f, kMiddle * v.b, 0.0f);
        const D3DXVECTOR3 topShift = f * v.c + D3DXVECTOR3(0.0f, v.b, 0.0f);
        BYTE* out = vertices + static_cast<size_t>(first) * VERTEX_SIZE;
        PutVertex(out + 0 * VERTEX_SIZE, left, bottom, p.vNormal, 0.0f, v.vBottom);
        PutVertex(out + 1 * VERTEX_SIZE, right, bottom, p.vNormal, 1.0f, v.vBottom);
        PutVertex(out + 2 * VERTEX_SIZE, left + midShift, middle, p.vNormal, 0.0f, vMiddle);
        PutVertex(out + 3 * VERTEX_SIZE, right + midShift, middle, p.vNormal, 1.0f, vMiddle);
        PutVertex(out + 4 * VERTEX_SIZE, left + topShift, top, p.vNormal, 0.0f, v.vTop);
        PutVertex(out + 5 * VERTEX_SIZE, right + topShift, top, p.vNormal, 1.0f, v.vTop);
        const DWORD order[kBladeIndices] = {0, 1, 2, 1, 2, 3, 2, 3, 4, 3, 4, 5};
        for (DWORD k = 0; k < kBladeIndices; ++k)
            index[k] = first + order[k];
        index += kBladeIndices;
        first += kBladeVertices;
        s.dwTriangles += kTrianglesPerBlade;
        o.RotateAxisAngle(&up, kBladeTurn);
    }
}

// ---- Drawing -------------------------------------------------------------------------------

bool EPlantMgr::SectorInReach(const strTSector& sector, const D3DXVECTOR3& eye)
{
    // Across the ground only: the centre is raised to the eye's height.
    D3DXVECTOR3 centre = sector.vCentre;
    centre.y = eye.y;
    const D3DXVECTOR3 d = centre - eye;
    return D3DXVec3Length(&d) <= DRAW_DISTANCE;
}

void EPlantMgr::RenderTGrass()
{
    RenderTerrainGrass(true);
}

void EPlantMgr::RenderGrass()
{
    RenderTerrainGrass(false);
}

// Names come from files too: a texture the data tree does not have is left
// out rather than asked for (a missing texture file ends the game).
TextureIndex EPlantMgr::KnownTexture(const char* name)
{
    const strtexture* t = name && name[0] ? ERenderer::OptionalTexture(name, 0) : nullptr;
    return t ? t->m_iIndex : TextureIndex(0);
}

// The grass techniques of the pass effect begun for the tufts and the far
// impostors alike: "RenderTGrass" alone (Fast), or after the scene and
// "RenderGrass" techniques with the sun's cascades read by the grass itself
// (Realistic); the camera, the wind and the alpha-tested states set.
void EPlantMgr::BeginGrassTechnique(EEffect* effect, bool fast)
{
    ID3DXEffect* fx = effect->m_pEffect;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d)
        for (DWORD s = 0; s < kAllStages; ++s)
            d->SetTexture(s, nullptr);
    g_RenderStates.EndEffect(fx);
    if (d)
    {
        d->SetFVF(0);
        d->SetVertexShader(nullptr);
        d->SetPixelShader(nullptr);
    }
    if (fast)
        g_RenderStates.BeginEffectByName(fx, "RenderTGrass", true);
    else
    {
        // The effect's scene technique first, then the grass one, which is
        // always another.
        g_RenderStates.BeginEffect(fx, effect->RenderScene, true);
        g_RenderStates.BeginEffectByName(fx, "RenderGrass", true);
    }
    if (d)
        d->SetVertexDeclaration(g_pDeclSimple);
    g_RenderStates.SetCullCCW();

    D3DXMATRIX viewInv;
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    const float* phase = g_Renderer.m_fSwayPhase;
    fx->SetFloat("g_fGrassX0", kWindScale * std::sin(phase[0]));
    fx->SetFloat("g_fGrassZ0", kWindScale * std::sin(phase[2]));
    fx->SetFloat("g_fGrassX1", kWindScale * std::sin(phase[1]));
    fx->SetFloat("g_fGrassZ1", kWindScale * std::sin(phase[3]));
    fx->SetFloat("g_fCzas01", g_Renderer.m_fCzas01);
    const float farPlane = g_Camera.GetFarPlane();
    auto setFar = [&]
    {
        fx->SetFloat("g_fFarZ", farPlane);
        fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
    };
    setFar();
    if (fast)
        g_Renderer.SetSunShadowInputs(effect, false);
    else
    {
        fx->CommitChanges();
        g_RenderStates.BeginEffectByName(fx, "RenderTGrass", true);
        // Until the post-processing chain casts the sun's shadows in this
        // mode, the grass reads the cascades itself, as the other sun-lit
        // passes do.
        g_Renderer.SetSunShadowInputs(effect, true);
        setFar();
    }
    fx->SetBool(effect->g_bDrawSpecular, FALSE);

    // The blades and the impostors are cut out by their alpha, not blended.
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.AlphaTestOn(effect);
    if (d)
    {
        d->SetRenderState(D3DRS_ALPHAREF, kAlphaReference);
        d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
}

void EPlantMgr::RenderTerrainGrass(bool fast)
{
    m_dwDrawnSectors = 0;
    if (m_dwGrass == 0 || !g_Options.DrawGrass)
        return;
    EEffect* effect = g_Renderer.FindPassEffect(fast ? "skylightF" : "skylight");
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    IDirect3DDevice9* d = g_pD3DInterface;
    BeginGrassTechnique(effect, fast);

    D3DXMATRIX identity, viewProj;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    g_Renderer.SetTexture(0, KnownTexture(BLADE_TEXTURE));
    g_Renderer.SetTexture(1, KnownTexture(BLADE_NORMAL_TEXTURE));
    g_Renderer.SetTexture(CLOUD_STAGE, KnownTexture(CLOUD_TEXTURE));
    fx->SetMatrix(effect->g_mWorldViewProjection, &viewProj);
    fx->SetMatrix(effect->g_mWorld, &identity);
    fx->SetMatrix(effect->g_mWorldView, &g_Camera.m_mView);

    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    for (DWORD i = 0; m_pTSectors && i < m_dwTSectors; ++i)
    {
        strTSector& s = m_pTSectors[i];
        if (!s.dwTriangles || !s.pTPlants)
            continue;
        s.vCentre.y = eye.y;
        if (!SectorInReach(s, eye))
            continue;
        if (!s.pVB)
        {
            g_Renderer.PrintOncePerWorld("!m_pTSectors[dw].pVB");
            continue;
        }
        if (!m_pTGrassIB || !m_pTGrassIB[i])
        {
            g_Renderer.PrintOncePerWorld("!m_pTGrassIB[dw]");
            continue;
        }
        fx->SetBool(effect->g_bDrawSpecular, FALSE);
        fx->CommitChanges();
        if (d)
        {
            d->SetStreamSource(0, s.pVB, 0, VERTEX_SIZE);
            d->SetIndices(m_pTGrassIB[i]);
            d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, s.dwTriangles * 3 / 2, 0, s.dwTriangles);
        }
        ++m_dwDrawnSectors;
    }

    if (d)
    {
        d->SetVertexDeclaration(g_pDeclMesh);
        for (DWORD s = 3; s <= 7; ++s)
        {
            d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        }
    }
    g_RenderStates.SetCullCCW();
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
}

// ---- Release -------------------------------------------------------------------------------

void EPlantMgr::FreeGroups()
{
    for (strGrass& g : m_Grass)
    {
        if (g.pPlants)
        {
            delete[] g.pPlants;
            g_Debug.RemoveAllocation(PLANTS_TAG);
        }
        g.pPlants = nullptr;
        g.bHasPlants = 0;
        g.dwPlants = 0;
    }
}

void EPlantMgr::FreeSectors()
{
    if (m_pTSectors)
    {
        for (DWORD i = 0; i < m_dwTSectors; ++i)
        {
            strTSector& s = m_pTSectors[i];
            if (s.pTPlants)
            {
                delete[] s.pTPlants;
                g_Debug.RemoveAllocation(SECTOR_PLANTS_TAG);
            }
            if (s.pVB)
            {
                s.pVB->Release();
                g_Debug.RemoveAllocation(VB_TAG);
            }
        }
        delete[] m_pTSectors;
        g_Debug.RemoveAllocation(SECTORS_TAG);
    }
    if (m_pTGrassIB)
    {
        for (DWORD i = 0; i < m_dwTSectors; ++i)
            if (m_pTGrassIB[i])
            {
                m_pTGrassIB[i]->Release();
                g_Debug.RemoveAllocation(IB_TAG);
            }
        delete[] m_pTGrassIB;
    }
    m_pTSectors = nullptr;
    m_pTGrassIB = nullptr;
    m_dwTSectors = 0;
}

void EPlantMgr::FreeTGrass()
{
    if (m_TGrass.pTPlants)
    {
        delete[] m_TGrass.pTPlants;
        g_Debug.RemoveAllocation(TPLANTS_TAG);
    }
    std::memset(&m_TGrass, 0, sizeof m_TGrass);
    FreeSectors();
}

void EPlantMgr::Release()
{
    FreeGroups();
    FreeTGrass();
    m_dwGrass = 0;
    m_bBuilt = 0;
    m_dwDrawnSectors = 0;
}
