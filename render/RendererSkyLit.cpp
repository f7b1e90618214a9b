// The sun-lit passes of the opaque static geometry: the static-mesh passes of
// both paths, the painted (multitexture) pass, the terrain passes, and the
// per-frame constants they share.

#include "render/Renderer.h"

#include "mesh/Mesh.h"
#include "render/EffectMgr.h"
#include "render/PostProcess.h"
#include "render/RenderStates.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstdio>

namespace
{
constexpr const char* kSkyLightEffect = "skylight";
constexpr const char* kSkyLightFastEffect = "skylightF";
constexpr const char* kCloudTexture = "tc_clouds.tga";
constexpr DWORD kAllStages = 16;
constexpr DWORD kDetailStage = 2;
constexpr DWORD kCascadeStage = 6;       // the wide cascade
constexpr DWORD kNearCascadeStage = 7;   // the sharp one (Realistic)
constexpr DWORD kMovingCascadeStage = 4; // the moving casters' one (Realistic)
constexpr DWORD kEnvironmentStage = 8;
constexpr DWORD kFirstLayerStage = 9;
constexpr DWORD kFirstTerrainStage = 8;
constexpr DWORD kCloudStage = 15;
constexpr DWORD kWideCascade = 1;
constexpr DWORD kNearCascade = 0;
constexpr DWORD kMovingCascade = 2;
constexpr float kBiasScale = 0.0037f;
constexpr float kChannel = 255.0f;
// The settings record's specular switch: on from construction, changed by nothing.
constexpr bool kSpecularSwitch = true;
// Painted layers.
constexpr float kLayerSharpnessScale = 3.0f;
constexpr float kLayerSharpnessMin = 0.01f;
constexpr int kPaintLayers = TEXTURE_PAINT_SLOTS;
constexpr float kFaceClass[] = {100.0f, 500.0f, 1000.0f};

D3DXVECTOR4 ColourOf(DWORD packed, float scale)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / kChannel * scale,
                       static_cast<float>((packed >> 8) & 0xFF) / kChannel * scale,
                       static_cast<float>(packed & 0xFF) / kChannel * scale, scale);
}

D3DXVECTOR4 SunDirection()
{
    D3DXVECTOR3 sun(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&sun, &sun);
    return D3DXVECTOR4(sun.x, sun.y, sun.z, 0.0f);
}

D3DXVECTOR4 SunColour()
{
    DWORD colour = 0;
    Env.GetSkyLightColor(&colour);
    return ColourOf(colour, Env.SkyLightPower);
}

bool Terrain(HOBJECT o)
{
    return o->bTerrainMesh != 0;
}

// The object's painted-layer record marks this subset.
bool PaintedSubset(HOBJECT o, DWORD subset)
{
    const ETexturePaintParams* p = o->pTexturePaint;
    if (!p || subset >= TEXTURE_PAINT_SUBSETS)
        return false;
    for (int i = 0; i < TEXTURE_PAINT_SUBSETS; ++i)
        if (p->bSubsetUsed[subset][i])
            return true;
    return false;
}

void SetObjectMatrices(ID3DXEffect* fx, EEffect* effect, const strobjectframe& f)
{
    fx->SetMatrix(effect->g_mWorldViewProjection, &f.m_mWorldViewProjection);
    fx->SetMatrix(effect->g_mWorld, &f.m_mWorld);
    fx->SetMatrix(effect->g_mWorldView, &f.m_mWorldView);
}

} // namespace

void ERenderer::CountSubset(EMesh* mesh, DWORD subset)
{
    if (!g_Options.PrintPolygonCount)
        return;
    DWORD faces = 0;
    mesh->GetSubsetSize(subset, &faces, nullptr);
    ++g_Debug.m_iSwitchedSubsets;
    DWORD* classes[] = {&g_Debug.m_iSubsetsBelow100, &g_Debug.m_iSubsets100To499,
                        &g_Debug.m_iSubsets500To999};
    for (DWORD c = 0; c < sizeof kFaceClass / sizeof kFaceClass[0]; ++c)
        if (static_cast<float>(faces) < kFaceClass[c])
        {
            ++*classes[c];
            break;
        }
}

void ERenderer::CountObjectPolygons(EMesh* mesh, strobjectframe& f)
{
    if (!g_Options.PrintPolygonCount || f.m_bCounted)
        return;
    DWORD total = 0;
    for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
    {
        DWORD faces = 0;
        mesh->GetSubsetSize(s, &faces, nullptr);
        total += faces;
    }
    g_Debug.m_iRenderedMeshPolygons += total;
    f.m_bCounted = 1;
}

namespace
{
// A texture found by name, without loading one that has no file (a missing
// texture file ends the game).
} // namespace

strtexture* ERenderer::OptionalTexture(const char* name, BYTE companions)
{
    if (strtexture* t = g_Renderer.FindTexture(name))
        return t;
    if (!g_Renderer.FindTexturePath(name))
        return nullptr;
    return g_Renderer.GetTexture(g_Renderer.GetTextureIndex(name, 0, 0, companions));
}

void ERenderer::BindClouds()
{
    if (strtexture* clouds = OptionalTexture(kCloudTexture, 0))
        g_RenderStates.SetTexture(kCloudStage, clouds->m_pTexture);
}

namespace
{
} // namespace

// ---- Per-frame constants -----------------------------------------------------------------

void ERenderer::UpdateLightingConstants()
{
    const D3DXMATRIX& view = g_Camera.m_mView;
    const D3DXMATRIX& proj = g_Camera.m_mProjection;
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &view, &proj);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        strobjectframe& f = m_ObjectFrame[slot];
        if (!o.bUsed || !f.m_bVisible || o.Type != OT_MESH || !o.Object)
            continue;
        const EMesh* mesh = static_cast<const EMesh*>(o.Object);
        f.m_mWorld = mesh->m_mWorld;
        D3DXMatrixMultiply(&f.m_mWorldView, &f.m_mWorld, &view);
        D3DXMatrixMultiply(&f.m_mWorldViewProjection, &f.m_mWorld, &viewProj);
        // A mesh flattened to nothing has no inside to see the eye from: the eye stays as it is.
        const D3DXMATRIX* inverse = mesh->InverseWorld();
        if (inverse)
            D3DXVec3Transform(&f.m_vCameraModel, &eye, inverse);
        else
            f.m_vCameraModel = D3DXVECTOR4(eye.x, eye.y, eye.z, 1.0f);
    }

    DWORD fog = 0;
    Env.GetFogColor(&fog);
    const D3DXVECTOR4 fogColour = ColourOf(fog, 1.0f);
    const D3DXVECTOR4 ambient = ColourOf(Env.m_dwAmbient, 1.0f);
    const D3DXVECTOR4 sunDir = SunDirection(), sunColour = SunColour();
    // The world's sky-light byte switches off the sun's shadows (no cascade
    // is drawn), not its light.
    const BOOL useSky = g_Options.UseSkyLight;
    // The skinned figures' effects read the same world light.
    for (const char* name : {kSkyLightEffect, kSkyLightFastEffect, "SkyLightSkinmesh", "SkyLightSkinmeshF"})
    {
        EEffect* effect = g_EffectMgr.FindEffect(name);
        if (!effect || !effect->m_pEffect)
            continue;
        ID3DXEffect* fx = effect->m_pEffect;
        fx->SetVector(effect->g_AmbientLightDiffuse, &ambient);
        fx->SetVector(effect->g_FogColor, &fogColour);
        fx->SetFloat(effect->g_fFogMax, Env.GetFogMax(nullptr));
        fx->SetFloat(effect->g_fFogDistCoef, PostProcess.FogDistCoef);
        fx->SetVector(effect->g_SkyLightDir, &sunDir);
        fx->SetVector(effect->g_SkyLightDiffuse, &sunColour);
        fx->SetBool(effect->g_bUseSkyLight, useSky);
    }
}

// ---- Shared frame --------------------------------------------------------------------------

EEffect* ERenderer::FindPassEffect(const char* name)
{
    EEffect* effect = g_EffectMgr.FindEffect(name);
    if (!effect)
    {
        PrintOncePerWorld("No skylight HEFFECT");
        return nullptr;
    }
    if (!effect->m_pEffect)
    {
        PrintOncePerWorld("No skylight ID3DXEffect");
        return nullptr;
    }
    return effect;
}

void ERenderer::BeginSkyLitFrame(EEffect* effect)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d)
        for (DWORD s = 0; s < kAllStages; ++s)
            d->SetTexture(s, nullptr);
    g_RenderStates.EndEffect(effect->m_pEffect);
    if (d)
    {
        d->SetFVF(0);
        d->SetVertexShader(nullptr);
        d->SetPixelShader(nullptr);
        d->SetVertexDeclaration(g_pDeclMesh);
    }
    g_RenderStates.BeginEffect(effect->m_pEffect, effect->RenderScene, true);
    effect->m_pEffect->SetFloat("g_fCzas01", m_fCzas01);
}

// The shadow inputs of one cascade: its map on its stage, the matrix from
// camera space to the light's clip space and the depth bias. `suffix` is ""
// for the wide cascade's parameters, "0" for the near one's and "2" for the
// moving casters' one.
void ERenderer::SetCascadeInputs(EEffect* effect, DWORD cascade, const char* suffix)
{
    ID3DXEffect* fx = effect->m_pEffect;
    DWORD size = 0;
    float bias = 0.0f;
    g_SkyShadow.GetCascade(cascade, &size, nullptr, nullptr, &bias);
    D3DXMATRIX viewInv, toLight;
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    D3DXMatrixMultiply(&toLight, &viewInv, &g_SkyShadow.m_mView[cascade]);
    D3DXMatrixMultiply(&toLight, &toLight, &g_SkyShadow.m_mProj[cascade]);
    IDirect3DTexture9* map = g_SkyShadow.m_pTexture[cascade];
    // A cascade without its map (not made, or lost) shadows nothing.
    const BOOL ready = map && g_SkyShadow.m_bRendered[cascade];
    if (suffix[0] != 0)
    {
        char name[32];
        std::snprintf(name, sizeof name, "SMAP_SIZE%s", suffix);
        fx->SetFloat(name, static_cast<float>(size));
        std::snprintf(name, sizeof name, "SHADOW_EPSILON%s", suffix);
        fx->SetFloat(name, bias * kBiasScale);
        std::snprintf(name, sizeof name, "g_mViewToLightProj%s", suffix);
        fx->SetMatrix(name, &toLight);
        std::snprintf(name, sizeof name, "g_bShadowMap%s", suffix);
        fx->SetBool(name, ready);
        g_RenderStates.SetTexture(suffix[0] == '2' ? kMovingCascadeStage : kNearCascadeStage,
                                  ready ? map : nullptr);
        return;
    }
    fx->SetFloat(effect->SMAP_SIZE, static_cast<float>(size));
    fx->SetFloat(effect->SMAP_SIZE1, size ? 1.0f / static_cast<float>(size) : 1.0f);
    fx->SetFloat(effect->SHADOW_EPSILON, bias * kBiasScale);
    fx->SetMatrix(effect->g_mViewToLightProj, &toLight);
    fx->SetBool("g_bShadowMap", ready);
    if (g_pD3DInterface)
        g_pD3DInterface->SetTexture(kCascadeStage, ready ? map : nullptr);
}

void ERenderer::SetSunShadowInputs(EEffect* effect, bool realistic)
{
    SetCascadeInputs(effect, kWideCascade, "");
    if (realistic)
    {
        // Until the post-processing chain casts the sun's shadows in this
        // mode, the passes read the near, wide and moving casters' cascades
        // themselves.
        SetCascadeInputs(effect, kNearCascade, "0");
        SetCascadeInputs(effect, kMovingCascade, "2");
        return;
    }
    effect->m_pEffect->SetBool("g_bShadowMap0", FALSE);
    effect->m_pEffect->SetBool("g_bShadowMap2", FALSE);
}

void ERenderer::SetSpecular(EEffect* effect, const strtexture* t)
{
    ID3DXEffect* fx = effect->m_pEffect;
    if (t->m_bSpecular && kSpecularSwitch)
    {
        fx->SetFloat(effect->g_SpecularCone, t->m_fSpecularCone);
        fx->SetFloat(effect->g_SpecularPower, t->m_fSpecularPower);
        fx->SetBool(effect->g_bDrawSpecular, TRUE);
    }
    else
        fx->SetBool(effect->g_bDrawSpecular, FALSE);
}

void ERenderer::BindMaterial(EEffect* effect, strtexture* t, bool realistic)
{
    ID3DXEffect* fx = effect->m_pEffect;
    BindSubsetTextures(t, true);
    fx->SetBool("g_bNormalMap", m_bBoundNormalMap);
    ERenderer::SetSpecular(effect, t);
    fx->SetBool(effect->g_bFullyBrightINM, t->m_bFullyBrightInNormalMask);
    if (t->m_pDetail && g_Options.DrawDetail)
    {
        g_RenderStates.SetTexture(kDetailStage,
                                  g_Options.DrawTextures ? t->m_pDetail->m_pTexture : m_pWhiteTexture);
        fx->SetFloat(effect->g_fDetailDensity, t->m_fDetailDensity);
        fx->SetBool(effect->g_bDrawDetail, TRUE);
        fx->SetBool(effect->g_bDetailAsNormal, t->m_bDetailAsNormal);
        fx->SetBool(effect->g_bSpecularInDetailMask, t->m_bSpecularInDetailMask);
    }
    else
        fx->SetBool(effect->g_bDrawDetail, FALSE);
    g_RenderStates.EnableCulling(!t->m_b2Sided);
    if (realistic && t->m_pEnvironment)
    {
        // With textures off the plain white texture takes the environment's own
        // stage, so no earlier material's cube map shows through.
        IDirect3DBaseTexture9* env =
            g_Options.DrawTextures ? static_cast<IDirect3DBaseTexture9*>(t->m_pEnvironment->m_pCubeTexture)
                                   : m_pWhiteTexture;
        g_RenderStates.SetTexture2(kEnvironmentStage, env);
    }
}

namespace
{
enum class StaticPass
{
    Fast,
    Realistic,
    Painted,
};

// The texture's own selection: flags for the skipped kinds, true when its
// subsets are drawn by the static passes.
bool TakeTexture(strtexture* t, StaticPass pass)
{
    if (t->m_bTransparent)
    {
        g_Renderer.m_bFrameHasTransparent = 1;
        return false;
    }
    if (t->m_bTranslucent && pass != StaticPass::Painted)
    {
        g_Renderer.m_bFrameHasTranslucent = 1;
        return false;
    }
    return !(t->m_bWater || t->m_pLava || t->m_bAdditive || t->m_bStain || t->m_bRayOfLight);
}
} // namespace

// ---- Static meshes -----------------------------------------------------------------------

namespace
{
void RunStaticPass(StaticPass pass)
{
    ERenderer& r = g_Renderer;
    const bool fast = pass == StaticPass::Fast;
    EEffect* effect = r.FindPassEffect(fast ? kSkyLightFastEffect : kSkyLightEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    r.BeginSkyLitFrame(effect);

    D3DXMATRIX viewProj, viewInv;
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    const char* first =
        fast ? "RenderScene" : (pass == StaticPass::Painted ? "RenderScene10" : "RenderScene00");
    // Beginning a technique puts the stages back, so every pass begins its
    // own first, then binds the cascades its shadow flags promise.
    if (g_RenderStates.BeginEffectByName(fx, first, true))
        fx->SetMatrix(effect->g_mViewProj, &viewProj);
    r.SetSunShadowInputs(effect, !fast);
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.SetCullCCW();
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    fx->SetBool(effect->g_bDrawDetail, FALSE);
    fx->SetBool(effect->g_bDetailAsNormal, FALSE);
    fx->SetBool(effect->g_bFullyBrightINM, FALSE);
    fx->SetBool("g_bWire", FALSE);
    fx->SetBool("g_bDrzewo", FALSE);
    fx->SetBool("g_bDrzewoLiscie", FALSE);
    ERenderer::BindClouds();
    fx->SetBool("g_bDrzewoLiscie", FALSE);
    g_RenderStates.EnableCulling(false);
    g_RenderStates.EnableCulling(true);
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farPlane);
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
    fx->SetFloat(effect->g_fTextureDensity, 1.0f);

    char running[EEffect::NAME_CHARS];
    std::snprintf(running, sizeof running, "%s", first);
    for (DWORD i = 0; i < MAX_TEXTURES && r.m_pMeshTextures[i]; ++i)
    {
        strtexture* t = r.m_pMeshTextures[i];
        if (!TakeTexture(t, pass))
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!e->m_pMesh || (pass != StaticPass::Painted && e->m_bSkip) || !o)
                continue;
            strobjectframe& f = r.ObjectFrame(o);
            if (!f.m_bVisible)
                continue;
            if (Terrain(o))
            {
                r.m_bFrameHasTerrain = 1;
                continue;
            }
            if (!e->m_pMesh->m_pDrawMesh || e->m_iSubset >= MAX_MESH_MATERIALS)
                continue;
            const bool painted = g_Options.DrawMultitextures && PaintedSubset(o, e->m_iSubset);
            if (pass == StaticPass::Realistic && painted)
            {
                r.m_bFrameHasMultitexture = 1;
                continue;
            }
            if (pass == StaticPass::Painted)
            {
                if (!painted)
                    continue;
                if (t->m_bTranslucent)
                {
                    r.m_bFrameHasTranslucent = 1;
                    continue;
                }
            }
            bool rebind = false;
            if (pass == StaticPass::Realistic)
            {
                char wanted[EEffect::NAME_CHARS];
                std::snprintf(wanted, sizeof wanted, "RenderScene%i%i", 0, t->m_pEnvironment ? 1 : 0);
                if (CompareNoCase(wanted, running) != 0 && g_RenderStates.BeginEffectByName(fx, wanted, true))
                {
                    std::snprintf(running, sizeof running, "%s", wanted);
                    ERenderer::BindClouds();
                    // Ending the previous technique put its stages back.
                    r.SetSunShadowInputs(effect, true);
                    fx->SetVector(effect->g_CameraModel, &f.m_vCameraModel);
                    rebind = true;
                }
            }
            SetObjectMatrices(fx, effect, f);
            if (!bound || rebind)
            {
                r.BindMaterial(effect, t, !fast);
                bound = true;
            }
            if (pass == StaticPass::Painted)
                r.SetPaintedLayers(effect, o);
            if (pass == StaticPass::Realistic)
                fx->SetFloat(effect->g_fItemDropped, o->bItemDropped ? r.m_fPulse : 0.0f);
            if (!fast)
                ERenderer::CountSubset(e->m_pMesh, e->m_iSubset);
            ++r.m_iRenderedOpaqueSubsets;
            ++r.m_iRenderedNoninstancedSubsets;
            fx->CommitChanges();
            ERenderer::DrawMeshSubset(e->m_pMesh, e->m_iSubset);
            ERenderer::CountObjectPolygons(e->m_pMesh, f);
        }
    }
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
    g_RenderStates.SetCullCCW();
}
} // namespace

void ERenderer::RenderSceneSkyLightF()
{
    RunStaticPass(StaticPass::Fast);
}

void ERenderer::RenderSceneSkyLight()
{
    RunStaticPass(StaticPass::Realistic);
}

void ERenderer::RenderSceneSkyLightMultitexture()
{
    RunStaticPass(StaticPass::Painted);
}

void ERenderer::SetPaintedLayers(EEffect* effect, HOBJECT o)
{
    ID3DXEffect* fx = effect->m_pEffect;
    const ETexturePaintParams* p = o->pTexturePaint;
    fx->SetBool(effect->g_bTextureColor, TRUE);
    BOOL slot[kPaintLayers] = {};
    float density[kPaintLayers], brightness[kPaintLayers], sharpness[kPaintLayers], saturation[kPaintLayers];
    for (int i = 0; i < kPaintLayers; ++i)
    {
        density[i] = brightness[i] = sharpness[i] = 1.0f;
        saturation[i] = 0.0f;
        if (!p || !p->bUsed[i])
            continue;
        density[i] = p->fDensity[i];
        brightness[i] = p->fBrightness[i];
        saturation[i] = p->fAddSaturation[i];
        sharpness[i] = kLayerSharpnessScale * p->fSharpness[i];
        if (sharpness[i] < kLayerSharpnessMin)
            sharpness[i] = kLayerSharpnessMin;
        slot[i] = TRUE;
        if (p->szTextures[i][0])
            if (strtexture* layer = ERenderer::OptionalTexture(p->szTextures[i], 1))
                g_RenderStates.SetTexture(kFirstLayerStage + i, layer->m_pTexture);
    }
    fx->SetBoolArray(effect->g_bTextureSlot, slot, kPaintLayers);
    fx->SetFloatArray(effect->g_fTextureColorDensity, density, kPaintLayers);
    fx->SetFloatArray(effect->g_fTextureColorBrightness, brightness, kPaintLayers);
    fx->SetFloatArray(effect->g_fTextureColorSharpness, sharpness, kPaintLayers);
    fx->SetFloatArray(effect->g_fAdditionalColorSaturation, saturation, kPaintLayers);
    D3DXHANDLE colours[kPaintLayers] = {effect->g_vAdditionalColor0, effect->g_vAdditionalColor1,
                                        effect->g_vAdditionalColor2};
    for (int i = 0; i < kPaintLayers; ++i)
        if (saturation[i] > 0.0f)
        {
            const D3DXVECTOR4 c(p->fAddColor[i][0], p->fAddColor[i][1], p->fAddColor[i][2], 1.0f);
            fx->SetVector(colours[i], &c);
        }
}

// ---- Terrain ------------------------------------------------------------------------------

void ERenderer::DrawTerrain(EEffect* effect)
{
    ID3DXEffect* fx = effect->m_pEffect;
    BOOL used[TERRAIN_LAYERS] = {};
    float tiling[TERRAIN_LAYERS];
    strtexture* base = nullptr;
    for (DWORD i = 0; i < TERRAIN_LAYERS; ++i)
    {
        TerrainLayer& layer = m_Terrain[i];
        tiling[i] = 1.0f;
        if (!layer.m_iTexture && layer.m_szFile[0] && FindTexturePath(layer.m_szFile))
            layer.m_iTexture = GetTextureIndex(layer.m_szFile, 0, 0, 1);
        strtexture* t = layer.m_iTexture ? GetTexture(layer.m_iTexture) : nullptr;
        if (!t)
            continue;
        if (i == 0)
            base = t;
        g_RenderStates.SetTexture(kFirstTerrainStage + i, t->m_pTexture);
        used[i] = TRUE;
        tiling[i] = layer.m_fTiling > 0.0f ? 1.0f / layer.m_fTiling : 1.0f;
    }
    fx->SetBoolArray(effect->g_bTextureSlot, used, TERRAIN_LAYERS);
    fx->SetFloatArray(effect->g_fTextureColorDensity, tiling, TERRAIN_LAYERS);
    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        strobjectframe& f = m_ObjectFrame[slot];
        if (!o.bUsed || !f.m_bVisible || !o.bTerrainMesh || o.Type != OT_MESH || !o.Object)
            continue;
        EMesh* mesh = static_cast<EMesh*>(o.Object);
        if (!mesh->m_pDrawMesh)
            continue;
        SetObjectMatrices(fx, effect, f);
        fx->SetVector(effect->g_CameraModel, &f.m_vCameraModel);
        // Subset 0 is the ground under the terrain layers (its own material
        // where no layer is set); further subsets (roads, paths laid into
        // the terrain mesh) show their own materials.
        for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
        {
            if (s > 0 &&
                (!mesh->m_bSubsetDrawn[s] || mesh->m_bSubsetAlphaTested[s] || mesh->m_bSubsetSpecial[s]))
                continue;
            strtexture* own = GetTexture(mesh->m_TextureIndex[s]);
            if (s > 0 || !base)
            {
                if (!own)
                    continue;
                BindMaterial(effect, own, false);
            }
            else
                BindMaterial(effect, base, false);
            ++m_iRenderedOpaqueSubsets;
            ++m_iRenderedNoninstancedSubsets;
            fx->CommitChanges();
            DrawMeshSubset(mesh, s);
        }
    }
}

namespace
{
void RunTerrainPass(bool fast)
{
    ERenderer& r = g_Renderer;
    EEffect* effect = r.FindPassEffect(fast ? kSkyLightFastEffect : kSkyLightEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    r.BeginSkyLitFrame(effect);
    D3DXMATRIX viewProj, viewInv;
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    fx->SetBool(effect->g_bDrawDetail, FALSE);
    fx->SetBool(effect->g_bDetailAsNormal, FALSE);
    fx->SetBool(effect->g_bFullyBrightINM, FALSE);
    fx->SetBool("g_bWire", FALSE);
    fx->SetBool("g_bDrzewo", FALSE);
    fx->SetBool("g_bDrzewoLiscie", FALSE);
    if (g_RenderStates.BeginEffectByName(fx, "RenderTerrain", true))
        fx->SetMatrix(effect->g_mViewProj, &viewProj);
    // After the technique began: ending the one before puts its stages back.
    r.SetSunShadowInputs(effect, !fast);
    ERenderer::BindClouds();
    g_RenderStates.EnableCulling(true);
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farPlane);
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
    fx->SetFloat(effect->g_fTextureDensity, 1.0f);
    r.DrawTerrain(effect);
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
    g_RenderStates.SetCullCCW();
}
} // namespace

void ERenderer::RenderTerrainSkyLight()
{
    RunTerrainPass(false);
}

void ERenderer::RenderTerrainSkyLightF()
{
    RunTerrainPass(true);
}
