// The sun cascades' depth: the driver that fills one cascade and the passes
// that draw the shadow casters into it with the effect "SkyDepth".

#include "render/Renderer.h"

#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "shell/D3DMain.h"
#include "world/Engine.h"

#include <cmath>
#include <cstdint>

namespace
{
constexpr const char* kDepthEffect = "SkyDepth";
// Flag word 2: the object casts no sun shadow.
constexpr DWORD kNoSunShadow = 1u << 28;
constexpr DWORD kShown = 0x1;
// The receivers' depth comparison works in these units of the cascade's bias.
constexpr float kBiasScale = 0.0037f;
constexpr DWORD kStaticCascades = 2; // cascades 0 and 1; 2 is the dynamic one
constexpr DWORD kDynamicCascade = 2;
constexpr float kLeafSway = 0.05f;
constexpr float kLeafSwayRate = 0.7f;

EMesh* MeshOf(const strObject& o)
{
    return o.Type == OT_MESH ? static_cast<EMesh*>(o.Object) : nullptr;
}

bool HasDrawMesh(const strObject& o)
{
    const EMesh* mesh = MeshOf(o);
    return mesh && mesh->m_pDrawMesh && mesh->GetMeshEntry();
}

void BeginDepth()
{
    if (IDirect3DDevice9* d = g_pD3DInterface)
    {
        d->SetFVF(0);
        d->SetVertexDeclaration(g_pDeclMesh);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
}

// The depth effect begun with `technique` for one caster pass; null when there
// is no effect, no light matrix or the technique does not begin, and the pass
// draws nothing.
EEffect* BeginDepthPass(const char* technique, const D3DXMATRIX* lightViewProj)
{
    BeginDepth();
    EEffect* effect = g_EffectMgr.FindEffect(kDepthEffect);
    if (!effect || !effect->m_pEffect || !lightViewProj)
        return nullptr;
    if (!g_RenderStates.BeginEffectByName(effect->m_pEffect, technique, true))
        return nullptr;
    // Only the trees' leaves sway; a pass before may have left a tree's value.
    effect->m_pEffect->SetFloat(effect->g_fDrzewoLiscie, 0.0f);
    return effect;
}

// A caster of the engine's table: in use, shown and not in a hidden sector.
bool CasterShown(const strObject& o)
{
    return o.bUsed && (o.dwFlags & kShown) && !o.bHidden;
}

void SetCasterMatrices(ID3DXEffect* fx, EEffect* effect, const EMesh* mesh, const D3DXMATRIX* lightViewProj)
{
    D3DXMATRIX worldLight;
    D3DXMatrixMultiply(&worldLight, &mesh->m_mWorld, lightViewProj);
    fx->SetMatrix(effect->g_mWorld, &mesh->m_mWorld);
    fx->SetMatrix(effect->g_mWorldView, &worldLight);
    fx->CommitChanges();
}

bool Considered(const EMesh* mesh, DWORD s)
{
    return mesh->m_bSubsetDrawn[s] && !mesh->m_bSubsetNoShadow[s] && !mesh->m_bSubsetSpecial[s];
}

// Draws the opaque considered subsets; true when an alpha-tested one was left out.
bool DrawOpaqueCasterSubsets(EMesh* mesh)
{
    bool skipped = false;
    for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
    {
        if (!Considered(mesh, s))
            continue;
        if (mesh->m_bSubsetAlphaTested[s])
        {
            skipped = true;
            continue;
        }
        ERenderer::DrawMeshSubset(mesh, s);
    }
    return skipped;
}

// Materials whose alpha-tested subsets cast a cut-out shadow.
bool CutOutCaster(const strtexture* t)
{
    return t->m_bTransparent && !t->m_bTranslucent && !t->m_bWater && !t->m_bAdditive && !t->m_bStain &&
           !t->m_bDoNotCastShadow;
}
} // namespace

std::uint64_t ERenderer::StaticCasterSignature()
{
    // FNV-1a over the slot and identity of every object the static cascades
    // draw: a caster deleted, hidden with its sector or added changes it.
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](DWORD v)
    {
        h ^= v;
        h *= 1099511628211ull;
    };
    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        const strObject& o = g_Engine.m_Objects[slot];
        if (!CasterShown(o) || (o.dwFlags2 & kNoSunShadow) || m_ObjectFrame[slot].m_bMoving ||
            !HasDrawMesh(o))
            continue;
        mix(static_cast<DWORD>(slot));
        for (DWORD part : o.PESEL)
            mix(part);
    }
    return h;
}

void ERenderer::ForgetChangedStaticCasters()
{
    const std::uint64_t signature = StaticCasterSignature();
    if (signature == m_uStaticCasters)
        return;
    m_uStaticCasters = signature;
    for (DWORD cascade = 0; cascade < kStaticCascades; ++cascade)
        g_SkyShadow.m_bRendered[cascade] = 0;
}

void ERenderer::RenderSkyDepth(DWORD cascade)
{
    if (cascade >= ESkyShadow::CASCADES || !g_SkyShadow.m_bEnabled || g_SkyShadow.m_bRendered[cascade] ||
        !Env.m_bUseSkyLight)
        return;
    EEffect* effect = g_EffectMgr.FindEffect(kDepthEffect);
    if (!effect || !effect->m_pEffect)
    {
        PrintOncePerWorld("No SkyDepth effect: the sun casts no shadows");
        return;
    }
    ID3DXEffect* fx = effect->m_pEffect;
    const D3DXMATRIX& view = g_SkyShadow.m_mView[cascade];
    const D3DXMATRIX& proj = g_SkyShadow.m_mProj[cascade];
    const D3DXVECTOR3& eye = g_SkyShadow.m_vEye[1];

    D3DXVECTOR4 lightPos;
    D3DXVec3Transform(&lightPos, &eye, &view);
    fx->SetVector("g_vLightPos", &lightPos);
    D3DXVECTOR3 lightDir;
    D3DXVec3TransformNormal(&lightDir, &g_SkyShadow.m_vLightDir, &view);
    D3DXVec3Normalize(&lightDir, &lightDir);
    const D3DXVECTOR4 lightDir4(lightDir.x, lightDir.y, lightDir.z, 0.0f);
    fx->SetVector("g_vLightDir", &lightDir4);
    fx->SetMatrix("g_mProj", &proj);
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 0.0f);
    fx->SetVector(effect->g_LightPos, &eye4);
    fx->SetMatrix("g_mView", &view);

    DWORD size = 0;
    float bias = 0.0f;
    g_SkyShadow.GetCascade(cascade, &size, nullptr, nullptr, &bias);
    fx->SetFloat(effect->SMAP_SIZE, static_cast<float>(size));
    fx->SetFloat(effect->SMAP_SIZE1, size ? 1.0f / static_cast<float>(size) : 1.0f);
    fx->SetFloat(effect->SHADOW_EPSILON, bias * kBiasScale);

    // A cascade whose target could not be set is neither drawn nor marked.
    if (!g_SkyShadow.BeginCascade(cascade))
        return;
    D3DXMATRIX lightViewProj;
    D3DXMatrixMultiply(&lightViewProj, &view, &proj);
    // The cascades are drawn before the frame's own scene begins; a device
    // draws only inside a scene.
    const bool ownScene = g_pD3DInterface && SUCCEEDED(g_pD3DInterface->BeginScene());
    if (cascade < kStaticCascades)
    {
        g_RenderStates.AlphaTestOff(effect);
        if (RenderSkyDepthStatic(&lightViewProj))
            RenderSkyDepthStaticTransparent(&lightViewProj);
    }
    else
    {
        if (m_bDetailedShadowSkinMeshes || !m_bDetailedShadowMeshes)
            RenderSkyDepthSkinMeshes(&lightViewProj);
        if (m_bDetailedShadowMeshes && RenderSkyDepthDynamic(&lightViewProj))
            RenderSkyDepthDynamicTransparent(&lightViewProj);
    }
    if (ownScene)
        g_pD3DInterface->EndScene();
    g_SkyShadow.EndCascade();
    g_SkyShadow.m_bRendered[cascade] = 1;
}

bool ERenderer::RenderSkyDepthStatic(const D3DXMATRIX* lightViewProj)
{
    EEffect* effect = BeginDepthPass("RenderShadow", lightViewProj);
    if (!effect)
        return false;
    ID3DXEffect* fx = effect->m_pEffect;
    g_RenderStates.AlphaTestOff(effect);
    bool skipped = false;
    for (strObject& o : g_Engine.m_Objects)
    {
        if (!CasterShown(o) || (o.dwFlags2 & kNoSunShadow) || ObjectFrame(&o).m_bMoving || !HasDrawMesh(o))
            continue;
        EMesh* mesh = MeshOf(o);
        SetCasterMatrices(fx, effect, mesh, lightViewProj);
        skipped |= DrawOpaqueCasterSubsets(mesh);
    }
    g_RenderStates.EndEffect(fx);
    return skipped;
}

void ERenderer::RenderSkyDepthStaticTransparent(const D3DXMATRIX* lightViewProj)
{
    EEffect* effect = BeginDepthPass("RenderShadowT", lightViewProj);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    for (DWORD i = 0; i < MAX_TEXTURES && m_pFrameTextures[i]; ++i)
    {
        strtexture* t = m_pFrameTextures[i];
        if (!CutOutCaster(t))
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!o || !e->m_pMesh || !CasterShown(*o) || (o->dwFlags2 & kNoSunShadow) ||
                ObjectFrame(o).m_bMoving || !HasDrawMesh(*o) || e->m_iSubset >= MAX_MESH_MATERIALS)
                continue;
            if (!bound && g_pD3DInterface)
                g_pD3DInterface->SetTexture(0, t->m_pTexture);
            bound = true;
            SetCasterMatrices(fx, effect, e->m_pMesh, lightViewProj);
            DrawMeshSubset(e->m_pMesh, e->m_iSubset);
        }
    }
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.EndEffect(fx);
}

void ERenderer::RenderSkyDepthSkinMeshes(const D3DXMATRIX*)
{
    if (g_pD3DInterface)
    {
        g_pD3DInterface->SetFVF(0);
        SetSkinVertexDeclaration();
        g_pD3DInterface->SetRenderState(D3DRS_ZENABLE, TRUE);
        g_pD3DInterface->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
    EEffect* effect = g_EffectMgr.FindEffect(kDepthEffect);
    if (!effect)
    {
        PrintOncePerWorld("No skinnedmesh depth effect!");
        return;
    }
    if (!effect->m_pEffect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    if (!g_RenderStates.BeginEffectByName(fx, "RenderSkinMeshShadow", true))
        return;
    D3DXVECTOR3 sun(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&sun, &sun);
    const D3DXVECTOR4 sun4(sun.x, sun.y, sun.z, 0.0f);
    fx->SetVector(effect->g_SkyLightDir, &sun4);
    for (DWORD i = 0; i < MAX_TEXTURES && m_pSkinTextures[i]; ++i)
    {
        const strtexture* t = m_pSkinTextures[i];
        if (t->m_bTransparent || t->m_bAdditive || t->m_bStain || t->m_bTranslucent)
            continue;
        for (const strlistaskinmeshy* e = t->m_pSkinMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!o || !e->m_pSkinMesh || !ObjectFrame(o).m_bInView || (o->dwFlags2 & kNoSunShadow) ||
                !ObjectFrame(o).m_bDynamicShadow)
                continue;
            fx->CommitChanges();
            e->m_pSkinMesh->Render(t->m_iIndex, e->m_iSubset, effect);
        }
    }
    g_RenderStates.EndEffect(fx);
}

bool ERenderer::RenderSkyDepthDynamic(const D3DXMATRIX* lightViewProj)
{
    EEffect* effect = BeginDepthPass("RenderShadow", lightViewProj);
    if (!effect)
        return false;
    ID3DXEffect* fx = effect->m_pEffect;
    g_RenderStates.EnableCulling(false);
    bool skipped = false;
    for (strObject& o : g_Engine.m_Objects)
    {
        if (!CasterShown(o) || o.Type != OT_MESH || (o.dwFlags2 & kNoSunShadow) ||
            !ObjectFrame(&o).m_bDynamicShadow || !HasDrawMesh(o))
            continue;
        EMesh* mesh = MeshOf(o);
        SetCasterMatrices(fx, effect, mesh, lightViewProj);
        skipped |= DrawOpaqueCasterSubsets(mesh);
    }
    g_RenderStates.EnableCulling(true);
    g_RenderStates.EndEffect(fx);
    return skipped;
}

void ERenderer::RenderSkyDepthDynamicTransparent(const D3DXMATRIX* lightViewProj)
{
    EEffect* effect = BeginDepthPass("RenderShadowT", lightViewProj);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    g_RenderStates.EnableCulling(false);
    for (DWORD i = 0; i < MAX_TEXTURES && m_pFrameTextures[i]; ++i)
    {
        strtexture* t = m_pFrameTextures[i];
        if (!CutOutCaster(t))
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!o || !e->m_pMesh || !ObjectFrame(o).m_bDynamicShadow || !HasDrawMesh(*o))
                continue;
            if (!bound && g_pD3DInterface)
                g_pD3DInterface->SetTexture(0, t->m_pTexture);
            bound = true;
            const float sway =
                o->bIsTree ? kLeafSway * std::sin(kLeafSwayRate * g_Engine.m_fGameClock) : 0.0f;
            fx->SetFloat(effect->g_fDrzewoLiscie, sway);
            SetCasterMatrices(fx, effect, e->m_pMesh, lightViewProj);
            for (DWORD s = 0; s < e->m_pMesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
                if (Considered(e->m_pMesh, s))
                    DrawMeshSubset(e->m_pMesh, s);
        }
    }
    g_RenderStates.EnableCulling(true);
    g_RenderStates.EndEffect(fx);
}
