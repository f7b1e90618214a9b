// The point lights' cube shadows and the water's reflection and refraction
// images (see ShadowCubeMaps.h).

#include "render/ShadowCubeMaps.h"

#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>
#include <cstdio>

CShadowCubeMaps g_ShadowCubeMaps;

namespace
{
constexpr const char* kDepthEffect = "CubeDepth";
constexpr const char* kWaterObject = "water";
constexpr DWORD kCastsCubeShadow = 0x10; // flag word 1 of a light
constexpr DWORD kShown = 0x1;
constexpr DWORD kNoCubeShadow = 1u << 27; // flag word 2
constexpr float kMinCasterRadius = 0.1f;
constexpr float kSkinReach = 2.0f;
constexpr float kStaticReach = 1.0f;
constexpr float kMovedFar = 0.01f;
constexpr float kReflectionReach = 200.0f;
constexpr float kRefractionReach = 1000.0f;
constexpr float kWaterPlaneSpan = 64.0f;
constexpr D3DCOLOR kWaterClear = 0xFF808080;
constexpr D3DCOLOR kFarDistance = 0xFFFFFFFF;
constexpr DWORD kClipPlanesState = 152;
constexpr DWORD kKindCodes[] = {8, 256, 8192};
constexpr UINT kWaterSizes[] = {512, 256, 128};

// The six face views from the light: direction and up.
const D3DXVECTOR3 kFaceLook[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
const D3DXVECTOR3 kFaceUp[6] = {{0, 1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};

// Skinned casters met while the static ones are drawn, by object slot.
BYTE g_bSkinnedCaster[MAX_OBJECTS];

int ObjectSlot(HOBJECT o)
{
    return static_cast<int>(o - g_Engine.m_Objects);
}

bool LightShown(HOBJECT light)
{
    return (light->dwFlags & kShown) && !light->bLightOff;
}

bool KindCaster(DWORD kind)
{
    for (DWORD k : kKindCodes)
        if (kind == k)
            return true;
    return false;
}

bool ListsLight(const strObject& o, HOBJECT light)
{
    for (DWORD i = 0; i < o.iNumLights && i < OBJECT_MAX_LIGHTS; ++i)
        if (o.apLights[i] == light)
            return true;
    return false;
}

EMesh* StaticMesh(const strObject& o)
{
    if (o.Type != OT_MESH || !o.Object)
        return nullptr;
    EMesh* mesh = static_cast<EMesh*>(o.Object);
    return mesh->m_pDrawMesh && mesh->GetMeshEntry() ? mesh : nullptr;
}

EEffect* NamedEffect(const char* name, const char* noHandle, const char* noEffect)
{
    EEffect* effect = g_EffectMgr.FindEffect(name);
    if (!effect)
    {
        g_Renderer.PrintOncePerWorld(noHandle);
        return nullptr;
    }
    if (!effect->m_pEffect)
    {
        g_Renderer.PrintOncePerWorld(noEffect);
        return nullptr;
    }
    return effect;
}

D3DXVECTOR4 Colour(DWORD packed, float scale)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / 255.0f * scale,
                       static_cast<float>((packed >> 8) & 0xFF) / 255.0f * scale,
                       static_cast<float>(packed & 0xFF) / 255.0f * scale, 1.0f);
}
} // namespace

// ---- Resources ---------------------------------------------------------------------------

void CShadowCubeMaps::Init()
{
    m_pDepthEffect = g_EffectMgr.FindEffect(kDepthEffect);
    if (!m_pDepthEffect)
    {
        g_Console.Print("No CubeDepth heffect");
        return;
    }
    m_pDepth = m_pDepthEffect->m_pEffect;
    if (!m_pDepth)
    {
        g_Console.Print("No CubeDepth peffect");
        return;
    }
    m_pDepth->SetFloat("g_fEpsilonStaly", 0.01f);
    m_pDepth->SetFloat("g_fEpsilonZmienny", 0.6f);
    CreateCubeMaps();
    CreateWaterTargets();
    for (int s = 0; s < SLOTS; ++s)
    {
        m_pLight[s] = nullptr;
        m_iCasterCount[s] = 0;
    }
    m_fCasterTimer = m_fLightTimer = 0.0f;
    m_iGenerated = 0;
}

void CShadowCubeMaps::CreateCubeMaps()
{
    if (g_Options.VideoOptionA)
        for (int s = 0; s < SLOTS; ++s)
            CreateCubeMap(s);
    m_CubeViewport = {0, 0, CUBE_SIZE, CUBE_SIZE, 0.0f, 1.0f};
}

void CShadowCubeMaps::CreateCubeMap(int slot)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (slot < 0 || slot >= SLOTS || !d)
        return;
    SAFE_RELEASE(m_pCubeMap[slot]);
    SAFE_RELEASE(m_pCubeDepth[slot]);
    if (FAILED(d->CreateCubeTexture(CUBE_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, D3DPOOL_DEFAULT,
                                    &m_pCubeMap[slot], nullptr)))
    {
        m_pCubeMap[slot] = nullptr;
        g_Console.Print("Unable to create R32F cubemap");
        return;
    }
    if (FAILED(d->CreateDepthStencilSurface(CUBE_SIZE, CUBE_SIZE, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                            &m_pCubeDepth[slot], nullptr)))
    {
        m_pCubeDepth[slot] = nullptr;
        g_Console.Print("Unable to create depth/stencil surface");
        return;
    }
    m_iCountdown[slot] = FIRST_FRAMES;
}

UINT CShadowCubeMaps::WaterSize()
{
    const DWORD q = g_Options.VideoLevel4;
    return q < 2 ? kWaterSizes[q] : kWaterSizes[2];
}

void CShadowCubeMaps::CreateWaterTargets()
{
    ReleaseWaterTargets();
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return;
    const UINT size = WaterSize();
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    IDirect3DSurface9* back = nullptr;
    if (SUCCEEDED(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && back)
    {
        D3DSURFACE_DESC desc;
        if (SUCCEEDED(back->GetDesc(&desc)))
            format = desc.Format;
        back->Release();
    }
    for (int i = 0; i < WATER_TARGETS; ++i)
    {
        if (FAILED(d->CreateTexture(size, size, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT,
                                    &m_pWaterTexture[i], nullptr)))
        {
            m_pWaterTexture[i] = nullptr;
            g_Console.Print("Unable to create water texture");
            return;
        }
        if (FAILED(d->CreateDepthStencilSurface(size, size, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                &m_pWaterDepth[i], nullptr)))
        {
            m_pWaterDepth[i] = nullptr;
            g_Console.Print("Unable to create depth/stencil watersurface");
            return;
        }
    }
    m_WaterViewport = {0, 0, size, size, 0.0f, 1.0f};
}

void CShadowCubeMaps::ReleaseCubeMaps()
{
    SAFE_RELEASE(m_pFaceSurface);
    for (int s = 0; s < SLOTS; ++s)
    {
        SAFE_RELEASE(m_pCubeMap[s]);
        SAFE_RELEASE(m_pCubeDepth[s]);
        if (m_pLight[s])
            m_pLight[s]->bLightCacheValid = 0;
    }
}

void CShadowCubeMaps::ReleaseWaterTargets()
{
    for (int i = 0; i < WATER_TARGETS; ++i)
    {
        SAFE_RELEASE(m_pWaterTexture[i]);
        SAFE_RELEASE(m_pWaterDepth[i]);
    }
}

void CShadowCubeMaps::OnLostDevice()
{
    ReleaseCubeMaps();
    ReleaseWaterTargets();
}

void CShadowCubeMaps::OnResetDevice()
{
    CreateCubeMaps();
    CreateWaterTargets();
}

void CShadowCubeMaps::Release()
{
    ReleaseWaterTargets();
    ReleaseCubeMaps();
    for (int s = 0; s < SLOTS; ++s)
    {
        m_pLight[s] = nullptr;
        m_iCasterCount[s] = 0;
    }
    m_pDepthEffect = nullptr;
    m_pDepth = nullptr;
}

bool CShadowCubeMaps::WaterTargetReady(int target) const
{
    return m_pWaterTexture[target] && m_pWaterDepth[target];
}

bool CShadowCubeMaps::WaterMapsReady() const
{
    for (int i = 0; i < WATER_TARGETS; ++i)
        if (!WaterTargetReady(i))
            return false;
    return true;
}

int CShadowCubeMaps::SlotOf(HOBJECT light) const
{
    for (int s = 0; s < SLOTS; ++s)
        if (light && m_pLight[s] == light)
            return s;
    return NO_SLOT;
}

void CShadowCubeMaps::RemoveLight(HOBJECT light)
{
    if (!light)
        return;
    for (int s = 0; s < SLOTS; ++s)
        if (m_pLight[s] == light)
        {
            m_pLight[s] = nullptr;
            m_iCasterCount[s] = 0;
        }
    light->bHasShadowSlot = 0;
}

// ---- Choosing lights and casters -----------------------------------------------------------

void CShadowCubeMaps::ChooseShadowLights()
{
    m_fLightTimer += g_Engine.m_fDeltaTime;
    if (m_fLightTimer < CHOOSE_INTERVAL)
        return;
    m_fLightTimer = 0.0f;
    HOBJECT before[SLOTS] = {};
    for (int s = 0; s < SLOTS; ++s)
    {
        before[s] = m_pLight[s];
        m_pLight[s] = nullptr;
    }
    // The three smallest keys; an equal key keeps the earlier light, and the
    // nearest light is never pushed out.
    HOBJECT kept[SLOTS] = {};
    float keys[SLOTS] = {};
    int count = 0;
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const int high = g_Engine.m_iHighLight < MAX_OBJECTS ? g_Engine.m_iHighLight : MAX_OBJECTS;
    for (int i = FIRST_LIGHT_SLOT; i < high; ++i)
    {
        strObject& o = g_Engine.m_Objects[i];
        if (!o.bUsed)
            continue;
        o.bHasShadowSlot = 0;
        if (!(o.dwFlags & kCastsCubeShadow) || !(o.dwFlags & kShown))
            continue;
        const D3DXVECTOR3 to = o.vPosition - eye;
        const float key = D3DXVec3Length(&to) - o.fRadius;
        int at = count;
        while (at > 0 && keys[at - 1] > key)
            --at;
        if (at >= SLOTS)
            continue;
        for (int k = (count < SLOTS ? count : SLOTS - 1); k > at; --k)
        {
            kept[k] = kept[k - 1];
            keys[k] = keys[k - 1];
        }
        kept[at] = &o;
        keys[at] = key;
        if (count < SLOTS)
            ++count;
    }
    for (int s = 0; s < count; ++s)
    {
        m_pLight[s] = kept[s];
        kept[s]->bHasShadowSlot = 1;
        kept[s]->bLightCacheValid = 0;
        m_iCountdown[s] = FIRST_FRAMES;
    }
    // A slot that keeps its light keeps its casters. One that changed hands
    // has its list gathered at once: its cube is drawn in the next frames,
    // and drawn from an empty list the shadows would blink out until the
    // next gathering.
    for (int s = 0; s < SLOTS; ++s)
        if (m_pLight[s] != before[s])
        {
            m_iCasterCount[s] = 0;
            if (m_pLight[s])
                m_fCasterTimer = COLLECT_INTERVAL;
        }
}

void CShadowCubeMaps::CollectCasters()
{
    m_fCasterTimer += g_Engine.m_fDeltaTime;
    if (m_fCasterTimer < COLLECT_INTERVAL)
        return;
    m_fCasterTimer = 0.0f;
    const int high = g_Engine.m_iHighSkinMesh < MAX_OBJECTS ? g_Engine.m_iHighSkinMesh : MAX_OBJECTS;
    for (int s = 0; s < SLOTS; ++s)
    {
        HOBJECT light = m_pLight[s];
        if (!light)
            continue;
        if (!light->bUsed)
        {
            m_pLight[s] = nullptr;
            m_iCasterCount[s] = 0;
            continue;
        }
        light->bLightCacheValid = 0;
        m_iCasterCount[s] = 0;
        const float range = light->fRadius;
        for (int i = 0; i < high && m_iCasterCount[s] < MAX_CASTERS - 1; ++i)
        {
            strObject& o = g_Engine.m_Objects[i];
            if (!o.bUsed || o.fRadius < kMinCasterRadius || !(o.dwFlags & kShown) ||
                (o.dwFlags2 & kNoCubeShadow))
                continue;
            if (o.Type != OT_MESH && o.Type != OT_SKINMESH)
                continue;
            bool take = o.Type != OT_SKINMESH && ListsLight(o, light);
            if (!take)
            {
                const D3DXVECTOR3 to = o.vPosition - light->vPosition;
                const float d = D3DXVec3Length(&to);
                take = o.Type == OT_SKINMESH ? range + kSkinReach > d
                                             : (KindCaster(o.dwFlags3) && range + kStaticReach > d);
            }
            if (!take)
                continue;
            m_pCasters[s][m_iCasterCount[s]] = &o;
            m_vCasterPositions[s][m_iCasterCount[s]] = o.vPosition;
            ++m_iCasterCount[s];
        }
    }
}

void CShadowCubeMaps::UpdateShadowMaps()
{
    ChooseShadowLights();
    CollectCasters();
    if (g_Options.DrawProjectors)
        for (int s = 0; s < SLOTS; ++s)
        {
            HOBJECT light = m_pLight[s];
            if (!light)
                continue;
            if (!light->bUsed || light->Type != OT_LIGHT)
            {
                m_pLight[s] = nullptr;
                m_iCasterCount[s] = 0;
                continue;
            }
            if (!LightShown(light))
            {
                light->bLightCacheValid = 0;
                continue;
            }
            if (m_bForceRegeneration)
                light->bLightCacheValid = 0;
            if (!g_Engine.m_bWorldLoaded)
                m_iCountdown[s] = FIRST_FRAMES;
            if (m_iCountdown[s] > 0)
            {
                --m_iCountdown[s];
                light->bLightCacheValid = 0;
            }
            for (DWORD c = 0; c < m_iCasterCount[s]; ++c)
            {
                HOBJECT o = m_pCasters[s][c];
                if (o->Type == OT_SKINMESH)
                {
                    light->bLightCacheValid = 0;
                    continue;
                }
                const D3DXVECTOR3 moved = o->vPosition - m_vCasterPositions[s][c];
                if (D3DXVec3Length(&moved) > kMovedFar)
                {
                    light->bLightCacheValid = 0;
                    m_vCasterPositions[s][c] = o->vPosition;
                }
            }
            if (!light->bLightCacheValid)
                GenerateCubeShadow(s);
        }
    SAFE_RELEASE(m_pFaceSurface);
    m_bForceRegeneration = 0;
}

// ---- Drawing the cubes -----------------------------------------------------------------------

void CShadowCubeMaps::SaveRenderTarget()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return;
    SAFE_RELEASE(m_pSavedTarget);
    SAFE_RELEASE(m_pSavedDepth);
    d->GetRenderTarget(0, &m_pSavedTarget);
    d->GetDepthStencilSurface(&m_pSavedDepth);
    d->GetViewport(&m_SavedViewport);
}

void CShadowCubeMaps::RestoreRenderTarget()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return;
    if (m_pSavedTarget)
        d->SetRenderTarget(0, m_pSavedTarget);
    d->SetDepthStencilSurface(m_pSavedDepth);
    d->SetViewport(&m_SavedViewport);
    SAFE_RELEASE(m_pSavedTarget);
    SAFE_RELEASE(m_pSavedDepth);
}

void CShadowCubeMaps::ClearCubeFaces(int slot)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!m_pCubeMap[slot])
    {
        char line[64];
        std::snprintf(line, sizeof line, "NO m_pShadowMap %d", slot);
        g_Renderer.PrintOncePerWorld(line);
        return;
    }
    for (int face = 0; face < 6; ++face)
    {
        IDirect3DSurface9* surface = nullptr;
        if (FAILED(m_pCubeMap[slot]->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &surface)))
        {
            g_Renderer.PrintOncePerWorld("GetCubeMapSurface FAILED!");
            continue;
        }
        d->SetRenderTarget(0, surface);
        surface->Release();
        if (face == 0)
            d->SetDepthStencilSurface(m_pCubeDepth[slot]);
        d->SetViewport(&m_CubeViewport);
        const DWORD what = face == 0 ? (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER) : D3DCLEAR_TARGET;
        if (FAILED(d->Clear(0, nullptr, what, 0, 1.0f, 0)))
        {
            char line[64];
            std::snprintf(line, sizeof line, "Clear FAILED for %d", face);
            g_Renderer.PrintOncePerWorld(line);
        }
    }
}

bool CShadowCubeMaps::SetCubeFace(int face, int slot)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (face < 0 || face > 5 || slot < 0 || slot >= SLOTS || !m_pCubeMap[slot] || !m_pCubeDepth[slot] || !d ||
        !m_pLight[slot])
        return false;
    SAFE_RELEASE(m_pFaceSurface);
    if (FAILED(
            m_pCubeMap[slot]->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &m_pFaceSurface)) ||
        FAILED(d->SetRenderTarget(0, m_pFaceSurface)))
    {
        g_Renderer.PrintOncePerWorld("Unable to set render target to cubemap");
        return false;
    }
    SAFE_RELEASE(m_pFaceSurface);
    d->SetRenderTarget(1, nullptr);
    d->SetRenderTarget(2, nullptr);
    if (FAILED(d->SetDepthStencilSurface(m_pCubeDepth[slot])))
    {
        g_Renderer.PrintOncePerWorld("Unable to set render target depth to cubemap");
        return false;
    }
    d->SetViewport(&m_CubeViewport);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kFarDistance, 1.0f, 0);
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    D3DXMATRIX view, proj, viewProj;
    D3DXMatrixLookAtLH(&view, &origin, &kFaceLook[face], &kFaceUp[face]);
    const float range = m_pLight[slot]->fRadius > m_fNearPlane ? m_pLight[slot]->fRadius : 1.0f;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2.0f, 1.0f, m_fNearPlane, range);
    D3DXMatrixMultiply(&viewProj, &view, &proj);
    m_pDepth->SetMatrix("cCubemapViewProjection", &viewProj);
    const D3DXVECTOR3& p = m_pLight[slot]->vPosition;
    const D3DXVECTOR4 light(p.x, p.y, p.z, 0.0f);
    m_pDepth->SetVector("cLightPositionWorld", &light);
    m_pDepth->SetFloat("cZBias", m_fZBias[slot]);
    m_pDepth->SetFloat("cLightRange", range);
    return true;
}

void CShadowCubeMaps::DrawStaticCasters(int slot, bool* skinned)
{
    for (DWORD c = 0; c < m_iCasterCount[slot]; ++c)
    {
        HOBJECT o = m_pCasters[slot][c];
        if (!o->bUsed)
            continue;
        if (o->Type == OT_SKINMESH)
        {
            g_bSkinnedCaster[ObjectSlot(o)] = 1;
            *skinned = true;
            continue;
        }
        EMesh* mesh = StaticMesh(*o);
        if (!mesh)
            continue;
        m_pDepth->SetMatrix("cWorld", &mesh->m_mWorld);
        m_pDepth->CommitChanges();
        for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
        {
            if (!mesh->m_bSubsetDrawn[s] || mesh->m_bSubsetAlphaTested[s] || mesh->m_bSubsetSpecial[s])
                continue;
            ERenderer::DrawMeshSubset(mesh, s);
        }
    }
}

void CShadowCubeMaps::DrawSkinnedCasters(int slot)
{
    (void)slot;
    g_Renderer.SetSkinVertexDeclaration();
    for (strtexture* t = g_Renderer.m_pTextures; t; t = t->m_pNext)
        for (strlistaskinmeshy* e = t->m_pSkinMeshList; e; e = e->m_pNext)
            if (e->m_hObject && e->m_pSkinMesh && g_bSkinnedCaster[ObjectSlot(e->m_hObject)])
                e->m_pSkinMesh->Render(t->m_iIndex, e->m_iSubset, m_pDepthEffect);
    if (g_pD3DInterface)
        g_pD3DInterface->SetVertexDeclaration(g_pDeclMesh);
}

void CShadowCubeMaps::GenerateCubeShadow(int slot)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    HOBJECT light = m_pLight[slot];
    // A slot without its cube or depth surface draws nothing and stays invalid,
    // so the light is lit without a shadow.
    if (!d || !light || !m_pDepth || !m_pCubeMap[slot] || !m_pCubeDepth[slot])
        return;
    m_pDepth->CommitChanges();
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    SaveRenderTarget();
    for (DWORD s = 0; s < 4; ++s)
        d->SetTexture(s, nullptr);
    ClearCubeFaces(slot);
    for (BYTE& mark : g_bSkinnedCaster)
        mark = 0;
    d->SetVertexDeclaration(g_pDeclMesh);
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    g_RenderStates.EndEffect(m_pDepth);
    // Drawn before the frame's own scene begins; a device draws only inside a scene.
    const bool ownScene = SUCCEEDED(d->BeginScene());
    bool skinned = false;
    for (int face = 0; face < 6; ++face)
    {
        if (!g_RenderStates.BeginEffectByName(m_pDepth, "GenShadowMap", true))
            break;
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        if (!SetCubeFace(face, slot))
        {
            g_Renderer.PrintOncePerWorld("SetShadowPass failed: cube face");
            g_RenderStates.EndEffect(m_pDepth);
            continue;
        }
        m_pDepth->CommitChanges();
        DrawStaticCasters(slot, &skinned);
        g_RenderStates.EndEffect(m_pDepth);
        if (skinned && g_RenderStates.BeginEffectByName(m_pDepth, "GenShadowMapSkinmesh", true))
        {
            d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            DrawSkinnedCasters(slot);
            g_RenderStates.EndEffect(m_pDepth);
        }
    }
    if (ownScene)
        d->EndScene();
    light->bLightCacheValid = 1;
    ++m_iGenerated;
    RestoreRenderTarget();
    g_RenderStates.SetCullCCW();
}

// ---- Water -------------------------------------------------------------------------------------

HOBJECT CShadowCubeMaps::WaterObject()
{
    HOBJECT water = g_Engine.FindObject(kWaterObject, 0);
    if (!water)
        g_Renderer.PrintOncePerWorld("No water object!");
    return water;
}

void CShadowCubeMaps::RenderWaterReflection()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    HOBJECT water = WaterObject();
    // A missing target or depth surface: no image, nothing else drawn.
    if (!water || !d || !WaterTargetReady(0))
        return;
    const D3DXVECTOR3 p = water->vPosition;
    const D3DXVECTOR3 a = p + D3DXVECTOR3(kWaterPlaneSpan, 0.0f, 0.0f),
                      b = p + D3DXVECTOR3(0.0f, 0.0f, kWaterPlaneSpan);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &p, &a, &b);
    D3DXMATRIX reflect, view;
    D3DXMatrixReflect(&reflect, &plane);
    D3DXMatrixMultiply(&view, &reflect, &g_Camera.m_mView);
    SaveRenderTarget();
    IDirect3DSurface9* surface = nullptr;
    if (SUCCEEDED(m_pWaterTexture[0]->GetSurfaceLevel(0, &surface)))
    {
        d->SetDepthStencilSurface(m_pWaterDepth[0]);
        d->SetRenderTarget(0, surface);
        d->SetViewport(&m_WaterViewport);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kWaterClear, 1.0f, 0);
        m_vWaterPosition = p;
        RenderWaterScene(view, g_Camera.m_mProjection, 0x400000, true, false);
        surface->Release();
    }
    RestoreRenderTarget();
    d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(kClipPlanesState), 0);
}

void CShadowCubeMaps::RenderWaterRefraction()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    HOBJECT water = WaterObject();
    if (!water || !d || !WaterTargetReady(1) || !WaterTargetReady(2))
        return;
    m_vWaterPosition = water->vPosition;
    SaveRenderTarget();
    for (int target = 1; target < WATER_TARGETS; ++target)
    {
        IDirect3DSurface9* surface = nullptr;
        if (FAILED(m_pWaterTexture[target]->GetSurfaceLevel(0, &surface)))
            continue;
        d->SetDepthStencilSurface(m_pWaterDepth[target]);
        d->SetRenderTarget(0, surface);
        d->SetViewport(&m_WaterViewport);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kWaterClear, 1.0f, 0);
        if (target == 1)
            RenderWaterScene(g_Camera.m_mView, g_Camera.m_mProjection, 0x800000, false, true);
        surface->Release();
    }
    RestoreRenderTarget();
    d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(kClipPlanesState), 0);
}

void CShadowCubeMaps::RenderWaterScene(const D3DXMATRIX& view, const D3DXMATRIX& projection, DWORD mask,
                                       bool reflection, bool refraction)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    const bool ownScene = d && SUCCEEDED(d->BeginScene());
    // The sky with the view of this image: the camera's view is lent for it.
    const D3DXMATRIX cameraView = g_Camera.m_mView;
    g_Camera.m_mView = view;
    Env.RenderSky(reflection ? 1 : 0);
    g_Camera.m_mView = cameraView;
    DrawWaterStatic(view, projection, mask, reflection, refraction);
    DrawWaterSkinned(view, projection, mask, reflection);
    g_RenderStates.SetCullCCW();
    if (ownScene)
        d->EndScene();
}

namespace
{
// The values of "SimplestMesh" and "SimplestSkinmesh" for one water image.
void SetWaterSceneInputs(EEffect* effect, const D3DXMATRIX& view, const D3DXMATRIX& projection,
                         bool reflection, bool refraction, float waterHeight)
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
    if (FAILED(fx->SetBool("g_bUseSkyLightX", TRUE)))
        g_Renderer.PrintOncePerWorld("Set failed");
    fx->SetBool("g_bUseLight", FALSE);
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    D3DXMATRIX viewInv;
    D3DXMatrixInverse(&viewInv, nullptr, &view);
    fx->SetMatrix(effect->g_mView, &view);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &projection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    fx->SetBool(effect->g_bFullyBrightINM, FALSE);
    if (reflection)
        g_RenderStates.EnableCulling(false);
    // The platform keeps no user clip planes: the shader clips against the
    // water's height, below it when reflecting and above when refracting.
    fx->SetBool("g_bRefraction", refraction ? TRUE : FALSE);
    fx->SetBool("g_bReflection", reflection ? TRUE : FALSE);
    fx->SetFloat("g_fWaterHeight", waterHeight);
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farPlane);
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
}

bool WaterSceneTexture(const strtexture* t)
{
    return !(t->m_bWater || t->m_pLava || t->m_bTranslucent || t->m_bAdditive || t->m_bStain ||
             t->m_bRayOfLight || t->m_bGrassTexture);
}
} // namespace

void CShadowCubeMaps::DrawWaterStatic(const D3DXMATRIX& view, const D3DXMATRIX& projection, DWORD mask,
                                      bool reflection, bool refraction)
{
    EEffect* effect = NamedEffect("SimplestMesh", "No simplest mesh HEFFECT", "No simplest mesh ID3DXEffect");
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!effect || !d)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    d->SetVertexDeclaration(g_pDeclMesh);
    g_RenderStates.EndEffect(fx);
    if (!g_RenderStates.BeginEffect(fx, effect->RenderScene, true))
        return;
    SetWaterSceneInputs(effect, view, projection, reflection, refraction, m_vWaterPosition.y);
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &view, &projection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const float reach = reflection ? kReflectionReach : kRefractionReach;
    for (strtexture* t = g_Renderer.m_pTextures; t; t = t->m_pNext)
    {
        if (!WaterSceneTexture(t) || !t->m_pMeshList)
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!o || !o->bUsed || !e->m_pMesh || !e->m_pMesh->m_pDrawMesh || !(o->dwFlags & kShown) ||
                !(o->dwFlags & mask) || e->m_iSubset >= MAX_MESH_MATERIALS)
                continue;
            const D3DXVECTOR3 to = o->vPosition - eye;
            if (D3DXVec3Length(&to) > reach)
                continue;
            if (!bound)
            {
                g_Renderer.BindSubsetTextures(t, false);
                ERenderer::SetSpecular(effect, t);
                if (t->m_bTransparent)
                    g_RenderStates.AlphaTestOn(effect);
                else
                    g_RenderStates.AlphaTestOff(effect);
                fx->SetFloat(effect->g_fTextureDensity,
                             t->m_fTextureDensity != 0.0f ? t->m_fTextureDensity : 1.0f);
                bound = true;
            }
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
    }
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.EndEffect(fx);
}

void CShadowCubeMaps::DrawWaterSkinned(const D3DXMATRIX& view, const D3DXMATRIX& projection, DWORD mask,
                                       bool reflection)
{
    EEffect* effect =
        NamedEffect("SimplestSkinmesh", "No SimpleSkinmesh HEFFECT", "No SimpleSkinmesh ID3DXEffect");
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    g_RenderStates.EndEffect(fx);
    if (!g_RenderStates.BeginEffectByName(fx, "RenderScene", true))
        return;
    SetWaterSceneInputs(effect, view, projection, reflection, !reflection, m_vWaterPosition.y);
    g_Renderer.SetSkinVertexDeclaration();
    for (DWORD i = 0; i < MAX_TEXTURES && g_Renderer.m_pSkinTextures[i]; ++i)
    {
        strtexture* t = g_Renderer.m_pSkinTextures[i];
        if (!WaterSceneTexture(t))
            continue;
        for (strlistaskinmeshy* e = t->m_pSkinMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!o || !e->m_pSkinMesh || !(o->dwFlags & kShown) || !(o->dwFlags & mask) ||
                !g_Renderer.ObjectFrame(o).m_bVisible)
                continue;
            g_Renderer.BindSubsetTextures(t, false);
            e->m_pSkinMesh->Render(t->m_iIndex, e->m_iSubset, effect);
        }
    }
    g_RenderStates.EndEffect(fx);
    if (g_pD3DInterface)
        g_pD3DInterface->SetVertexDeclaration(g_pDeclMesh);
}
