// EObjectMgr: the device side of the placed objects: the sprite buffer's
// life from world start to reset, the impostor atlas built once per load
// (each sprite group's mesh drawn into its cell of a 4096 x 4096 target and
// read back into the managed texture the sprites use), and the two sprite
// passes.
#include "world/ObjectMgr.h"

#include "environment/PlantMgr.h"
#include "mesh/Mesh.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr D3DCOLOR kCellClear = 0x606060;
constexpr float kCellMargin = 1.1f;
constexpr float kCellNear = 0.01f, kCellFar = 100.0f, kCellBack = 20.0f;
constexpr DWORD kShown = 0x1;
// The sprite passes.
constexpr const char* kEffect = "skylight";
constexpr const char* kFastEffect = "skylightF";
constexpr DWORD kSpriteTriangles = 4;

template <class T> void ReleaseOf(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

D3DXVECTOR4 Colour(DWORD packed, float scale)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / 255.0f * scale,
                       static_cast<float>((packed >> 8) & 0xFF) / 255.0f * scale,
                       static_cast<float>(packed & 0xFF) / 255.0f * scale, 1.0f);
}

// The sun-lit values of "SimplestMesh" as the scene's meshes get them, for
// one cell's camera.
void SetCellInputs(EEffect* effect, const D3DXMATRIX& view, const D3DXMATRIX& projection)
{
    ID3DXEffect* fx = effect->m_pEffect;
    D3DXVECTOR3 sun(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&sun, &sun);
    const D3DXVECTOR4 sun4(sun.x, sun.y, sun.z, 0.0f);
    fx->SetVector(effect->g_SkyLightDir, &sun4);
    DWORD colour = 0;
    Env.GetSkyLightColor(&colour);
    const D3DXVECTOR4 sunColour = Colour(colour, Env.SkyLightPower);
    fx->SetVector(effect->g_SkyLightDiffuse, &sunColour);
    const D3DXVECTOR4 ambient = Colour(Env.m_dwAmbient, 1.0f);
    fx->SetVector(effect->g_AmbientLightDiffuse, &ambient);
    fx->SetBool("g_bUseSkyLightX", TRUE);
    fx->SetBool("g_bUseLight", FALSE);
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    D3DXMATRIX viewInv;
    D3DXMatrixInverse(&viewInv, nullptr, &view);
    fx->SetMatrix(effect->g_mView, &view);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &projection);
    const D3DXVECTOR4 eye(viewInv._41, viewInv._42, viewInv._43, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye);
    fx->SetBool(effect->g_bFullyBrightINM, FALSE);
    fx->SetBool("g_bRefraction", FALSE);
    fx->SetBool("g_bReflection", FALSE);
    fx->SetFloat("g_fFarZ", kCellFar);
    fx->SetFloat("g_fFarZ1", 1.0f / kCellFar);
}
} // namespace

void EObjectMgr::Init()
{
    // Every world start comes here, "*" included: what the last one made goes first.
    ReleaseDeviceResources();
    m_bAtlasRendered = 0;
    m_bAtlasFailed = 0;
    m_bSpritesDirty = 1;
    // A world without placed objects needs no buffer.
    if (g_pD3DInterface && !m_Groups.empty() &&
        (FAILED(g_pD3DInterface->CreateVertexBuffer(OBJECTMGR_VB_SIZE, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                                    &m_pVB, nullptr)) ||
         !m_pVB))
    {
        m_pVB = nullptr;
        g_Console.Print("ObjectMgr FAILED to create VB");
    }
    ForceUpdate();
}

void EObjectMgr::Reset()
{
    m_bAtlasRendered = 0;
    m_bAtlasFailed = 0;
    m_bSpritesDirty = 0;
    ReleaseDeviceResources();
    ReleaseGroups();
}

void EObjectMgr::ReleaseDeviceResources()
{
    ReleaseOf(m_pVB);
    ReleaseOf(m_pTexture);
}

void EObjectMgr::Render()
{
    if (m_bAtlasRendered || m_bAtlasFailed || m_Groups.empty())
        return;
    bool sprites = false;
    for (const EPlacedGroup& group : m_Groups)
        sprites = sprites || (group.bSprites && !group.Instances.empty());
    if (!sprites)
        return;
    // A failed build prints its lines once and waits for the next load.
    if (!RenderAllObjects())
        m_bAtlasFailed = 1;
}

bool EObjectMgr::RenderAllObjects()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return false;
    for (DWORD g = 0; g < m_Groups.size(); ++g)
        if (!m_Groups[g].Instances.empty() && !m_Groups[g].Instances[0].hObject)
            CreateInstanceObject(g, m_Groups[g].Instances[0]);
    // The managed texture the sprites read; it lives until the world's reset.
    if (!m_pTexture && (FAILED(d->CreateTexture(OBJECTMGR_ATLAS_SIZE, OBJECTMGR_ATLAS_SIZE, 1, 0,
                                                D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_pTexture, nullptr)) ||
                        !m_pTexture))
    {
        m_pTexture = nullptr;
        g_Console.Print("Unable to create ObjectMgr m_pTexture!");
    }
    IDirect3DTexture9* target = nullptr;
    IDirect3DTexture9* temp = nullptr;
    IDirect3DSurface9* depth = nullptr;
    if (FAILED(d->CreateTexture(OBJECTMGR_ATLAS_SIZE, OBJECTMGR_ATLAS_SIZE, 1, D3DUSAGE_RENDERTARGET,
                                D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr)))
    {
        target = nullptr;
        g_Console.Print("Unable to create ObjectMgr Render Target!");
    }
    if (FAILED(d->CreateTexture(OBJECTMGR_ATLAS_SIZE, OBJECTMGR_ATLAS_SIZE, 1, 0, D3DFMT_A8R8G8B8,
                                D3DPOOL_SYSTEMMEM, &temp, nullptr)))
    {
        temp = nullptr;
        g_Console.Print("Unable to create ObjectMgr temp texture!");
    }
    if (FAILED(d->CreateDepthStencilSurface(OBJECTMGR_ATLAS_SIZE, OBJECTMGR_ATLAS_SIZE, D3DFMT_D24X8,
                                            D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr)))
    {
        depth = nullptr;
        g_Console.Print("Unable to create ObjectMgr RenderDepth");
    }
    g_Console.Print("RenderAllObjects()");
    bool ok = target && depth;
    if (!ok)
        g_Console.Print("ObjectMgr - no render targets!");
    else
        ok = DrawCells(target, depth);
    if (ok)
        ok = CopyAtlas(target, temp);
    // Every way out lets go of the default-pool resources: one left alive
    // would make the next device reset fail.
    ReleaseOf(target);
    ReleaseOf(temp);
    ReleaseOf(depth);
    if (!ok)
        return false;
    m_bAtlasRendered = 1;
    // The sprites take their new cells at the next update.
    m_bSpritesDirty = 1;
    ForceUpdate();
    return true;
}

bool EObjectMgr::DrawCells(IDirect3DTexture9* target, IDirect3DSurface9* depth)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    IDirect3DSurface9* oldTarget = nullptr;
    IDirect3DSurface9* oldDepth = nullptr;
    D3DVIEWPORT9 oldViewport = {};
    d->GetRenderTarget(0, &oldTarget);
    d->GetDepthStencilSurface(&oldDepth);
    d->GetViewport(&oldViewport);
    IDirect3DSurface9* surface = nullptr;
    bool ok = SUCCEEDED(target->GetSurfaceLevel(0, &surface)) && surface &&
              SUCCEEDED(d->SetRenderTarget(0, surface));
    if (!ok)
        g_Console.Print("ObjectMgr unable to set render target to texture");
    else
    {
        d->SetRenderTarget(1, nullptr);
        d->SetRenderTarget(2, nullptr);
        ok = SUCCEEDED(d->SetDepthStencilSurface(depth));
        if (!ok)
            g_Console.Print("ObjectMgr unable to set render target depth to texture");
    }
    if (ok)
    {
        D3DVIEWPORT9 whole = {0, 0, OBJECTMGR_ATLAS_SIZE, OBJECTMGR_ATLAS_SIZE, 0.0f, 1.0f};
        d->SetViewport(&whole);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kCellClear, 1.0f, 0);
        // The build runs before the frame's scene: it brackets its own.
        const bool ownScene = SUCCEEDED(d->BeginScene());
        PlaceCells(
            [this, d](DWORD g, UINT x, UINT y)
            {
                D3DVIEWPORT9 cell = {x, y, OBJECTMGR_CELL_SIZE, OBJECTMGR_CELL_SIZE, 0.0f, 1.0f};
                d->SetViewport(&cell);
                d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kCellClear, 1.0f, 0);
                RenderObject(m_Groups[g].Instances[0].hObject);
            });
        if (ownScene)
            d->EndScene();
    }
    if (oldTarget)
        d->SetRenderTarget(0, oldTarget);
    if (oldDepth)
        d->SetDepthStencilSurface(oldDepth);
    d->SetViewport(&oldViewport);
    ReleaseOf(surface);
    ReleaseOf(oldTarget);
    ReleaseOf(oldDepth);
    return ok;
}

bool EObjectMgr::CopyAtlas(IDirect3DTexture9* target, IDirect3DTexture9* temp)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!m_pTexture)
    {
        g_Console.Print("!ObjectMgr m_pTexture!");
        return false;
    }
    IDirect3DSurface9* targetSurface = nullptr;
    IDirect3DSurface9* tempSurface = nullptr;
    if (target)
        target->GetSurfaceLevel(0, &targetSurface);
    if (temp)
        temp->GetSurfaceLevel(0, &tempSurface);
    bool ok = targetSurface && tempSurface;
    if (!ok)
        g_Console.Print("!ObjectMgr (pTargetSurf & pSourceSurf & pTempSurf)");
    else if (FAILED(d->GetRenderTargetData(targetSurface, tempSurface)))
    {
        g_Console.Print("pSourceSurf FAILED to be copied to pTempSurf");
        ok = false;
    }
    if (ok)
    {
        D3DLOCKED_RECT from = {}, to = {};
        if (FAILED(temp->LockRect(0, &from, nullptr, D3DLOCK_READONLY)))
        {
            g_Console.Print("LockRect r0 FAILED");
            ok = false;
        }
        else
        {
            if (FAILED(m_pTexture->LockRect(0, &to, nullptr, 0)))
            {
                g_Console.Print("LockRect r1 FAILED");
                ok = false;
            }
            else
            {
                const size_t row = static_cast<size_t>(OBJECTMGR_ATLAS_SIZE) * 4;
                for (UINT y = 0; y < OBJECTMGR_ATLAS_SIZE; ++y)
                    std::memcpy(static_cast<BYTE*>(to.pBits) + static_cast<size_t>(y) * to.Pitch,
                                static_cast<const BYTE*>(from.pBits) + static_cast<size_t>(y) * from.Pitch,
                                row);
                m_pTexture->UnlockRect(0);
            }
            temp->UnlockRect(0);
        }
    }
    ReleaseOf(targetSurface);
    ReleaseOf(tempSurface);
    return ok;
}

void EObjectMgr::RenderObject(HOBJECT object)
{
    if (!object)
    {
        g_Console.Print("EObjectMgr::RenderObject hObj==0!");
        return;
    }
    if (object->Type != OT_MESH || !object->Object)
        return;
    const EMesh* mesh = static_cast<const EMesh*>(object->Object);
    EEffect* effect = g_EffectMgr.FindEffect("SimplestMesh");
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!effect || !effect->m_pEffect || !d)
        return;
    // The cell's camera: square on the mesh's box, looking along +z.
    const D3DXVECTOR3 lo = mesh->m_vWorldMin, hi = mesh->m_vWorldMax;
    const D3DXVECTOR3 centre = (lo + hi) * 0.5f;
    const float size = std::max(hi.x - lo.x, hi.y - lo.y) * kCellMargin;
    D3DXMATRIX projection, view;
    D3DXMatrixOrthoLH(&projection, size, size, kCellNear, kCellFar);
    const D3DXVECTOR3 eye(centre.x, centre.y, centre.z - kCellBack), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &centre, &up);
    ID3DXEffect* fx = effect->m_pEffect;
    d->SetVertexDeclaration(g_pDeclMesh);
    g_RenderStates.EndEffect(fx);
    if (!g_RenderStates.BeginEffect(fx, effect->RenderScene, true))
        return;
    SetCellInputs(effect, view, projection);
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &view, &projection);
    for (strtexture* t = g_Renderer.m_pTextures; t; t = t->m_pNext)
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            if (e->m_hObject != object || !e->m_pMesh || !e->m_pMesh->m_pDrawMesh ||
                e->m_iSubset >= MAX_MESH_MATERIALS)
                continue;
            g_Renderer.BindSubsetTextures(t, false);
            ERenderer::SetSpecular(effect, t);
            if (t->m_bTransparent)
                g_RenderStates.AlphaTestOn(effect);
            else
                g_RenderStates.AlphaTestOff(effect);
            fx->SetFloat(effect->g_fTextureDensity,
                         t->m_fTextureDensity != 0.0f ? t->m_fTextureDensity : 1.0f);
            const D3DXMATRIX& world = e->m_pMesh->m_mWorld;
            D3DXMATRIX worldView, wvp;
            D3DXMatrixMultiply(&worldView, &world, &view);
            D3DXMatrixMultiply(&wvp, &world, &viewProj);
            fx->SetMatrix(effect->g_mWorld, &world);
            fx->SetMatrix(effect->g_mWorldViewProjection, &wvp);
            fx->SetMatrix(effect->g_mWorldView, &worldView);
            fx->CommitChanges();
            ERenderer::DrawMeshSubset(e->m_pMesh, e->m_iSubset);
        }
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.EndEffect(fx);
}

void EObjectMgr::RenderTGrassPass()
{
    RenderSprites(true);
}

void EObjectMgr::RenderGrassPass()
{
    RenderSprites(false);
}

void EObjectMgr::RenderSprites(bool fast)
{
    m_iDrawnSprites = 0;
    IDirect3DDevice9* d = g_pD3DInterface;
    // Without a built atlas the cells hold nothing worth showing.
    if (m_iSprites == 0 || !m_pVB || !m_pTexture || !m_bAtlasRendered || !d)
        return;
    EEffect* effect = g_Renderer.FindPassEffect(fast ? kFastEffect : kEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    EPlantMgr::BeginGrassTechnique(effect, fast);
    D3DXMATRIX identity, viewProj;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    d->SetTexture(0, m_pTexture);
    g_Renderer.SetTexture(1, EPlantMgr::KnownTexture(EPlantMgr::BLADE_NORMAL_TEXTURE));
    g_Renderer.SetTexture(EPlantMgr::CLOUD_STAGE, EPlantMgr::KnownTexture(EPlantMgr::CLOUD_TEXTURE));
    fx->SetMatrix(effect->g_mWorldViewProjection, &viewProj);
    fx->SetMatrix(effect->g_mWorld, &identity);
    fx->SetMatrix(effect->g_mWorldView, &g_Camera.m_mView);
    fx->CommitChanges();
    // Every sprite of every group in one call.
    d->SetStreamSource(0, m_pVB, 0, OBJECTMGR_VERTEX_SIZE);
    if (SUCCEEDED(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, m_iSprites * kSpriteTriangles)))
        m_iDrawnSprites = m_iSprites;

    d->SetTexture(0, nullptr);
    d->SetVertexDeclaration(g_pDeclMesh);
    g_RenderStates.SetCullCCW();
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
}
