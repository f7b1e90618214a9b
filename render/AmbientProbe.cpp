#include "render/AmbientProbe.h"

#include "mesh/Mesh.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <cstring>

CAmbientProbe g_AmbientProbe;

namespace
{
constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr DWORD kRgb = 0x00FFFFFF;
constexpr const char* kEffect = "SkyLight";
constexpr const char* kPlantTechnique = "RenderPlantProbe0";
constexpr const char* kTerrainTechnique = "RenderPlantProbeTerrain";
constexpr const char* kWhite = "bialy.tga";
constexpr const char* kBlackTexture = "czarne.tga";
constexpr float kEyeHeight = 2.0f;
constexpr float kFieldOfView = 0.2f; // radians: about 0.4 units across at the point
constexpr float kNearPlane = 0.05f;
constexpr float kFarPlane = 50.0f;
constexpr DWORD kFirstLayerStage = 9; // the painted layers' samplers of the effect
constexpr DWORD kLayers = 3;

template <typename T> void ReleaseRef(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}
} // namespace

void CAmbientProbe::Create()
{
    // A world loaded over another without a reset between keeps one set.
    Unwind();
    ReleaseSurfaces();
    CreateSurfaces();
    std::memset(m_State, 0, sizeof m_State);
    m_bActive = 0;
    m_bCreated = 1;
}

void CAmbientProbe::Release()
{
    Unwind();
    ReleaseSurfaces();
    m_bActive = 0;
    m_bCreated = 0;
}

void CAmbientProbe::OnLostDevice()
{
    Unwind();
    ReleaseSurfaces();
}

void CAmbientProbe::OnResetDevice()
{
    if (m_bCreated && !HasSurfaces())
    {
        ReleaseSurfaces();
        CreateSurfaces();
    }
}

bool CAmbientProbe::CreateSurfaces()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return false;
    if (FAILED(d->CreateTexture(SIZE, SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                &m_pTargetTexture, nullptr)) ||
        !m_pTargetTexture || FAILED(m_pTargetTexture->GetSurfaceLevel(0, &m_pTargetSurf)))
    {
        ReleaseRef(m_pTargetTexture);
        m_pTargetSurf = nullptr;
        g_Console.Print("Unable to create render target for ambient probe");
    }
    if (FAILED(d->CreateDepthStencilSurface(SIZE, SIZE, g_d3dpp.AutoDepthStencilFormat, D3DMULTISAMPLE_NONE,
                                            0, TRUE, &m_pDepthSurf, nullptr)))
    {
        m_pDepthSurf = nullptr;
        g_Console.Print("Unable to create depth/stencil surface for ambient probe");
    }
    if (FAILED(d->CreateOffscreenPlainSurface(SIZE, SIZE, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                              &m_pCalculateSurface, nullptr)))
    {
        m_pCalculateSurface = nullptr;
        g_Console.Print("Unable to create m_pCalculateSurface for render occluder");
    }
    return HasSurfaces();
}

void CAmbientProbe::ReleaseSurfaces()
{
    ReleaseRef(m_pTargetSurf);
    ReleaseRef(m_pTargetTexture);
    ReleaseRef(m_pDepthSurf);
    ReleaseRef(m_pCalculateSurface);
}

void CAmbientProbe::Begin()
{
    if (m_iDepth++ > 0)
        return;
    m_bActive = 1;
    m_bSwitched = 0;
    g_Camera.SaveFrames();
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d || !m_pTargetSurf || !m_pDepthSurf)
        return;
    d->GetViewport(&m_SavedViewport);
    d->GetRenderTarget(0, &m_pSavedTarget);
    d->GetDepthStencilSurface(&m_pSavedDepth);
    d->SetRenderTarget(0, m_pTargetSurf);
    d->SetDepthStencilSurface(m_pDepthSurf);
    const D3DVIEWPORT9 probe = {0, 0, SIZE, SIZE, 0.0f, 1.0f};
    d->SetViewport(&probe);
    m_bSwitched = 1;
}

void CAmbientProbe::End()
{
    if (m_iDepth == 0)
        return;
    if (--m_iDepth > 0)
        return;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (m_bSwitched && d)
    {
        d->SetDepthStencilSurface(m_pSavedDepth);
        d->SetRenderTarget(0, m_pSavedTarget);
        d->SetViewport(&m_SavedViewport);
    }
    // What Begin took is let go here: a reference kept to the back buffer
    // would make every later device reset fail.
    ReleaseRef(m_pSavedDepth);
    ReleaseRef(m_pSavedTarget);
    m_bSwitched = 0;
    g_Camera.RestoreFrames();
    m_bActive = 0;
}

void CAmbientProbe::Unwind()
{
    if (m_iDepth == 0)
        return;
    m_iDepth = 1;
    End();
}

DWORD CAmbientProbe::ReadColor()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    // Grass generation asks thousands of times: each failure line once per world.
    if (!m_pTargetSurf)
    {
        g_Renderer.PrintOncePerWorld("!m_pTargetSurf");
        return 0;
    }
    if (!m_pCalculateSurface)
    {
        g_Renderer.PrintOncePerWorld("!m_pCalculateSurface");
        return 0;
    }
    if (!d || FAILED(d->GetRenderTargetData(m_pTargetSurf, m_pCalculateSurface)))
    {
        g_Renderer.PrintOncePerWorld("GetRenderTargetData failed!");
        return 0;
    }
    D3DLOCKED_RECT locked = {};
    if (FAILED(m_pCalculateSurface->LockRect(&locked, nullptr, D3DLOCK_READONLY)) || !locked.pBits)
    {
        g_Renderer.PrintOncePerWorld("LockRect FAILED!");
        return 0;
    }
    // The pixel at column 8, row 8, through the pitch the lock reports.
    DWORD pixel = 0;
    std::memcpy(&pixel,
                static_cast<const BYTE*>(locked.pBits) + CENTRE * locked.Pitch + CENTRE * sizeof(DWORD),
                sizeof pixel);
    m_pCalculateSurface->UnlockRect();
    return pixel & kRgb;
}

DWORD CAmbientProbe::RenderPlantProbe(const D3DXVECTOR3& point, HOBJECT object, DWORD, DWORD)
{
    return Probe(point, object, false);
}

DWORD CAmbientProbe::RenderTerrainProbe(const D3DXVECTOR3& point, HOBJECT object, DWORD, DWORD)
{
    return Probe(point, object, true);
}

DWORD CAmbientProbe::Probe(const D3DXVECTOR3& point, HOBJECT object, bool terrain)
{
    Begin();
    IDirect3DDevice9* d = g_pD3DInterface;
    if (m_bSwitched && d)
    {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawObject(point, object, terrain);
    }
    End();
    return ReadColor();
}

void CAmbientProbe::DrawObject(const D3DXVECTOR3& point, HOBJECT object, bool terrain)
{
    if (!object || !object->bUsed || object->Type != OT_MESH || !object->Object)
        return;
    auto* mesh = static_cast<EMesh*>(object->Object);
    if (!mesh->m_TextureIndex)
        return;
    strtexture* white = ERenderer::OptionalTexture(kWhite, 0);
    strtexture* black = ERenderer::OptionalTexture(kBlackTexture, 0);
    if (!white)
        g_Renderer.PrintOncePerWorld("bialy.tga NOT found");
    if (!black)
        g_Renderer.PrintOncePerWorld("czarne.tga NOT found");
    EEffect* effect = g_EffectMgr.FindEffect(kEffect);
    if (!effect || !effect->m_pEffect)
    {
        g_Renderer.PrintOncePerWorld("No SkyLight effect for the ambient probe");
        return;
    }
    ID3DXEffect* fx = effect->m_pEffect;
    // Straight down from just above the point, narrow enough that the centre
    // pixel sees the point itself.
    const D3DXVECTOR3 eye(point.x, point.y + kEyeHeight, point.z);
    const D3DXVECTOR3 north(0.0f, 0.0f, 1.0f);
    D3DXMATRIX view, proj, worldView, wvp;
    D3DXMatrixLookAtLH(&view, &eye, &point, &north);
    D3DXMatrixPerspectiveFovLH(&proj, kFieldOfView, 1.0f, kNearPlane, kFarPlane);
    D3DXMatrixMultiply(&worldView, &mesh->m_mWorld, &view);
    D3DXMatrixMultiply(&wvp, &worldView, &proj);
    IDirect3DDevice9* d = g_pD3DInterface;
    // Draws happen only inside a scene; the generation may run outside the frame's.
    const bool ownScene = SUCCEEDED(d->BeginScene());
    d->SetFVF(0);
    d->SetVertexDeclaration(g_pDeclMesh);
    const char* technique = terrain ? kTerrainTechnique : kPlantTechnique;
    if (g_RenderStates.BeginEffectByName(fx, technique, true))
    {
        fx->SetMatrix(effect->g_mWorldViewProjection, &wvp);
        fx->SetMatrix(effect->g_mWorld, &mesh->m_mWorld);
        fx->SetMatrix(effect->g_mWorldView, &worldView);
        fx->SetBool("g_bWire", FALSE);
        fx->SetBool("g_bTree", FALSE);
        auto mask = [&](const strtexture* t) -> IDirect3DBaseTexture9*
        {
            const strtexture* m = t && t->m_bProbeMark ? white : black;
            return m ? m->m_pTexture : nullptr;
        };
        for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < mesh->SubsetSlots(); ++s)
        {
            const strtexture* t = g_Renderer.GetTexture(mesh->m_TextureIndex[s]);
            IDirect3DBaseTexture9* base = mask(t);
            d->SetTexture(0, base);
            // A terrain's first subset blends its painted layers by their own
            // marks; anything else shows its own mask under every layer.
            for (DWORD k = 0; k < kLayers; ++k)
            {
                const strtexture* layer = terrain && s == 0 && t ? t->m_Multitexture[k].m_pTexture : nullptr;
                d->SetTexture(kFirstLayerStage + k, layer ? mask(layer) : base);
            }
            fx->CommitChanges();
            ERenderer::DrawMeshSubset(mesh, s);
        }
        g_RenderStates.EndEffect(fx);
    }
    else
        g_Renderer.PrintOncePerWorld(terrain ? "No RenderPlantProbeTerrain technique"
                                             : "No RenderPlantProbe0 technique");
    for (DWORD stage = 0; stage < kFirstLayerStage + kLayers; ++stage)
        d->SetTexture(stage, nullptr);
    if (ownScene)
        d->EndScene();
}
