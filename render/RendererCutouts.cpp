// The sun-lit passes of cut-out and see-through static geometry: the
// alpha-tested subsets (fences, signs, foliage cards), translucent glass,
// grass bending in the wind and the swaying leaves of trees.

#include "render/Renderer.h"

#include "mesh/Mesh.h"
#include "render/EffectMgr.h"
#include "render/PostProcess.h"
#include "render/RenderStates.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>
#include <cstdio>

namespace
{
constexpr const char* kSkyLightEffect = "skylight";
constexpr const char* kSkyLightFastEffect = "skylightF";
constexpr DWORD kEnvironmentStage = 8;
constexpr DWORD kWideCascade = 1;
constexpr float kChannel = 255.0f;
// The wind box of the grass and the trees.
constexpr float kWindStrength = 7.0f;
constexpr float kGrassWindDistance = 10000.0f;
constexpr float kTreeWindDistance = 1000.0f;
constexpr float kShadowResolution = 256.0f;
// The leaves' sway: amplitude and rate against the game clock.
constexpr float kLeafSway = 0.05f;
constexpr float kLeafRate = 0.7f;

EEffect* FindEffectNamed(const char* name)
{
    EEffect* effect = g_EffectMgr.FindEffect(name);
    char line[64];
    if (!effect)
    {
        std::snprintf(line, sizeof line, "No %s HEFFECT", name);
        g_Renderer.PrintOncePerWorld(line);
        return nullptr;
    }
    if (!effect->m_pEffect)
    {
        std::snprintf(line, sizeof line, "No %s ID3DXEffect", name);
        g_Renderer.PrintOncePerWorld(line);
        return nullptr;
    }
    return effect;
}

void SetObjectMatrices(ID3DXEffect* fx, EEffect* effect, const strobjectframe& f)
{
    fx->SetMatrix(effect->g_mWorldViewProjection, &f.m_mWorldViewProjection);
    fx->SetMatrix(effect->g_mWorld, &f.m_mWorld);
    fx->SetMatrix(effect->g_mWorldView, &f.m_mWorldView);
}

// The camera's matrices and position, and the per-material switches off.
void SetViewParameters(EEffect* effect)
{
    ID3DXEffect* fx = effect->m_pEffect;
    D3DXMATRIX viewInv;
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
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farPlane);
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
}

D3DXMATRIX ViewProjection()
{
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    return viewProj;
}

// The kinds another pass draws: never cut out, blended or bent here.
bool SpecialKind(const strtexture* t)
{
    return t->m_bAdditive || t->m_bStain || t->m_bRayOfLight;
}

// The fog of the sky light as the translucent pass sends it.
void SetFog(EEffect* effect)
{
    DWORD fog = 0;
    Env.GetFogColor(&fog);
    const D3DXVECTOR4 colour(static_cast<float>((fog >> 16) & 0xFF) / kChannel,
                             static_cast<float>((fog >> 8) & 0xFF) / kChannel,
                             static_cast<float>(fog & 0xFF) / kChannel, 1.0f);
    effect->m_pEffect->SetVector(effect->g_FogColor, &colour);
    effect->m_pEffect->SetFloat(effect->g_fFogMax, Env.GetFogMax(nullptr));
}

void BindMaterialOnce(EEffect* effect, strtexture* t, bool& bound)
{
    if (bound)
        return;
    ERenderer& r = g_Renderer;
    r.BindSubsetTextures(t, true);
    effect->m_pEffect->SetBool("g_bNormalMap", r.m_bBoundNormalMap);
    ERenderer::SetSpecular(effect, t);
    bound = true;
}

// ---- Alpha-tested subsets ------------------------------------------------------------------

void RunCutoutPass(bool fast)
{
    ERenderer& r = g_Renderer;
    EEffect* effect = fast ? FindEffectNamed(kSkyLightFastEffect) : r.FindPassEffect(kSkyLightEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    r.BeginSkyLitFrame(effect);
    SetViewParameters(effect);
    const D3DXMATRIX viewProj = ViewProjection();
    if (g_RenderStates.BeginEffectByName(fx, "RenderSceneT", true))
        fx->SetMatrix(effect->g_mViewProj, &viewProj);
    // After the technique began: beginning it put the stages back.
    r.SetSunShadowInputs(effect, !fast);
    ERenderer::BindClouds();
    fx->SetBool("g_bDrzewoLiscie", FALSE);
    fx->SetFloat(effect->g_fTextureDensity, 1.0f);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.AlphaTestOn(effect);
    for (DWORD i = 0; i < MAX_TEXTURES && r.m_pMeshTextures[i]; ++i)
    {
        strtexture* t = r.m_pMeshTextures[i];
        if (!t->m_bTransparent || t->m_bWater || t->m_pLava || SpecialKind(t) || !g_Options.DrawTransparent)
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!e->m_pMesh || !o || !r.ObjectFrame(o).m_bVisible)
                continue;
            if (o->bIsTree)
            {
                r.m_bFrameHasTrees = 1;
                continue;
            }
            if (t->m_bGrassTexture)
            {
                r.m_bFrameHasGrass = 1;
                continue;
            }
            if (t->m_bTranslucent)
            {
                r.m_bFrameHasTranslucent = 1;
                continue;
            }
            if (!e->m_pMesh->m_pDrawMesh)
                continue;
            strobjectframe& f = r.ObjectFrame(o);
            SetObjectMatrices(fx, effect, f);
            fx->SetVector(effect->g_CameraModel, &f.m_vCameraModel);
            if (!bound)
            {
                r.BindMaterial(effect, t, !fast);
                bound = true;
            }
            g_RenderStates.EnableCulling(!t->m_b2Sided);
            ++r.m_iRenderedTransparentSubsets;
            ++r.m_iRenderedNoninstancedSubsets;
            ERenderer::CountSubset(e->m_pMesh, e->m_iSubset);
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

// ---- Grass and trees -------------------------------------------------------------------------

enum class Vegetation
{
    Grass,
    Trees,
};

void SetWind(EEffect* effect, Vegetation kind)
{
    ID3DXEffect* fx = effect->m_pEffect;
    const float* phase = g_Renderer.m_fSwayPhase;
    if (kind == Vegetation::Grass)
    {
        const D3DXVECTOR4 resolution(kShadowResolution, 1.0f / kShadowResolution, 0.0f, 0.0f);
        fx->SetVector("cShadowResolution", &resolution);
    }
    fx->SetFloat("g_fGrassX0", kWindStrength * std::sin(phase[0]));
    fx->SetFloat("g_fGrassZ0", kWindStrength * std::sin(phase[2]));
    fx->SetFloat("g_fGrassX1", kWindStrength * std::sin(phase[1]));
    fx->SetFloat("g_fGrassZ1", kWindStrength * std::sin(phase[3]));
    if (kind == Vegetation::Grass)
    {
        fx->SetFloat("g_fGrassDist0", kGrassWindDistance);
        fx->SetFloat("g_fGrassDist1", kGrassWindDistance);
    }
    else
        fx->SetFloat("g_fGrassDist0", kTreeWindDistance);
}

float LeafSway()
{
    return kLeafSway * std::sin(kLeafRate * g_Engine.m_fGameClock);
}

// Grass: materials marked "grass_texture" that are alpha-tested (opaque grass
// stays with the static pass, so no subset is drawn twice). Trees: the
// alpha-tested subsets of objects marked as trees.
bool TakeVegetation(const strtexture* t, Vegetation kind)
{
    if (SpecialKind(t) || !t->m_bTransparent)
        return false;
    if (kind == Vegetation::Trees)
        return true;
    return t->m_bGrassTexture && g_Options.DrawTransparent;
}

void RunVegetationPass(Vegetation kind, bool fast)
{
    ERenderer& r = g_Renderer;
    const bool trees = kind == Vegetation::Trees;
    if (trees && !g_Options.DrawTransparent)
        return;
    EEffect* effect = (fast && trees) ? FindEffectNamed(kSkyLightFastEffect)
                                      : r.FindPassEffect(fast ? kSkyLightFastEffect : kSkyLightEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    r.BeginSkyLitFrame(effect);
    const char* technique = trees ? "RenderTrees" : "RenderGrass";
    char running[EEffect::NAME_CHARS] = "";
    if (fast || trees)
    {
        if (g_RenderStates.BeginEffectByName(fx, technique, true))
        {
            std::snprintf(running, sizeof running, "%s", technique);
            if (trees)
                fx->SetFloat("g_fCzas01", r.m_fCzas01);
        }
    }
    // After the technique began: beginning it put the stages back.
    r.SetSunShadowInputs(effect, !fast);
    ERenderer::BindClouds();
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOn(effect);
    g_RenderStates.SetCullCCW();
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    SetViewParameters(effect);
    SetWind(effect, kind);
    if (trees)
    {
        g_RenderStates.AlphaBlendOff(effect);
        g_RenderStates.AlphaTestOn(effect);
        g_RenderStates.EnableCulling(false);
        const D3DXMATRIX viewProj = ViewProjection();
        fx->SetMatrix(effect->g_mViewProj, &viewProj);
        fx->SetBool("g_bDrzewoLiscie", TRUE);
        if (fast)
        {
            fx->SetFloat("g_fDrzewoLiscie", LeafSway());
            fx->CommitChanges();
        }
    }
    for (DWORD i = 0; i < MAX_TEXTURES && r.m_pMeshTextures[i]; ++i)
    {
        strtexture* t = r.m_pMeshTextures[i];
        if (!TakeVegetation(t, kind))
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!e->m_pMesh || !o || !r.ObjectFrame(o).m_bVisible || !e->m_pMesh->m_pDrawMesh)
                continue;
            if (trees && !o->bIsTree)
                continue;
            if (!trees && !fast && CompareNoCase(technique, running) != 0 &&
                g_RenderStates.BeginEffectByName(fx, technique, true))
            {
                std::snprintf(running, sizeof running, "%s", technique);
                r.SetSunShadowInputs(effect, true);
                ERenderer::BindClouds();
            }
            strobjectframe& f = r.ObjectFrame(o);
            fx->SetMatrix(effect->g_mWorldViewProjection, &f.m_mWorldViewProjection);
            fx->SetMatrix(effect->g_mWorld, &f.m_mWorld);
            if (trees)
                fx->SetMatrix(effect->g_mWorldView, &f.m_mWorldView);
            if (!bound)
            {
                BindMaterialOnce(effect, t, bound);
                if (!trees)
                {
                    g_RenderStates.EnableCulling(!t->m_b2Sided);
                    if (t->m_bTranslucent && !g_RenderStates.m_bAlphaBlend)
                        g_RenderStates.AlphaBlendOn(effect);
                    else if (!t->m_bTranslucent && g_RenderStates.m_bAlphaBlend)
                        g_RenderStates.AlphaBlendOff(effect);
                    if (t->m_bTransparent && !g_RenderStates.m_bAlphaTest)
                        g_RenderStates.AlphaTestOn(effect);
                    else if (!t->m_bTransparent && g_RenderStates.m_bAlphaTest)
                        g_RenderStates.AlphaTestOff(effect);
                    fx->SetFloat(effect->g_fTextureDensity,
                                 t->m_fTextureDensity != 0.0f ? t->m_fTextureDensity : 1.0f);
                }
            }
            if (trees && !fast)
                fx->SetFloat("g_fDrzewoLiscie", LeafSway());
            ERenderer::CountSubset(e->m_pMesh, e->m_iSubset);
            fx->CommitChanges();
            ++r.m_iRenderedTransparentSubsets;
            ++r.m_iRenderedNoninstancedSubsets;
            ERenderer::DrawMeshSubset(e->m_pMesh, e->m_iSubset);
            ERenderer::CountObjectPolygons(e->m_pMesh, f);
        }
    }
    fx->SetBool("g_bDrzewoLiscie", FALSE);
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
    if (trees)
        g_RenderStates.SetCullCCW();
}
} // namespace

void ERenderer::RenderSceneTransparentSkyLightF()
{
    RunCutoutPass(true);
}

void ERenderer::RenderSceneTransparentSkyLight()
{
    RunCutoutPass(false);
}

void ERenderer::RenderGrassSkyLightF()
{
    RunVegetationPass(Vegetation::Grass, true);
}

void ERenderer::RenderGrassSkyLight()
{
    RunVegetationPass(Vegetation::Grass, false);
}

void ERenderer::RenderTreesSkyLightF()
{
    RunVegetationPass(Vegetation::Trees, true);
}

void ERenderer::RenderTreesSkyLight()
{
    RunVegetationPass(Vegetation::Trees, false);
}

// ---- Translucent subsets ---------------------------------------------------------------------

// Glass and other see-through materials, blended late and fogged. A texture
// that is also alpha-tested is drawn here too: the cut-out pass leaves it to
// this one, so it is drawn exactly once.
void ERenderer::RenderTranslucentSkyLight()
{
    EEffect* effect = FindPassEffect(kSkyLightEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    BeginSkyLitFrame(effect);
    SetViewParameters(effect);
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    g_RenderStates.AlphaBlendOn(effect);
    SetFog(effect);
    fx->SetFloat(effect->g_fFogDistCoef, PostProcess.FogDistCoef);
    char running[EEffect::NAME_CHARS] = "";
    for (DWORD i = 0; i < MAX_TEXTURES && m_pMeshTextures[i]; ++i)
    {
        strtexture* t = m_pMeshTextures[i];
        if (!t->m_bTranslucent || t->m_bWater || t->m_pLava || t->m_bGrassTexture || SpecialKind(t))
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            HOBJECT o = e->m_hObject;
            if (!e->m_pMesh || !o || !ObjectFrame(o).m_bVisible || !e->m_pMesh->m_pDrawMesh)
                continue;
            char wanted[EEffect::NAME_CHARS];
            std::snprintf(wanted, sizeof wanted, "RenderSceneTransl%i%i", 1, t->m_pEnvironment ? 1 : 0);
            if (CompareNoCase(wanted, running) != 0 && g_RenderStates.BeginEffectByName(fx, wanted, true))
            {
                std::snprintf(running, sizeof running, "%s", wanted);
                const D3DXMATRIX viewProj = ViewProjection();
                fx->SetMatrix(effect->g_mViewProj, &viewProj);
                // The Fast and Realistic frames alike read the wide cascade here.
                SetCascadeInputs(effect, kWideCascade, "");
                fx->SetBool("g_bShadowMap0", FALSE);
                fx->SetBool("g_bShadowMap2", FALSE);
                ERenderer::BindClouds();
                bound = false;
            }
            fx->SetBool("g_bDrawTransparent", FALSE);
            fx->SetBool("g_bDrawTranslucent", TRUE);
            SetFog(effect);
            strobjectframe& f = ObjectFrame(o);
            SetObjectMatrices(fx, effect, f);
            fx->SetVector(effect->g_CameraModel, &f.m_vCameraModel);
            if (!bound)
            {
                BindMaterialOnce(effect, t, bound);
                fx->SetFloat(effect->g_fTextureDensity,
                             t->m_fTextureDensity != 0.0f ? t->m_fTextureDensity : 1.0f);
                if (t->m_pEnvironment)
                    g_RenderStates.SetTexture2(kEnvironmentStage, g_Options.DrawTextures
                                                                      ? static_cast<IDirect3DBaseTexture9*>(
                                                                            t->m_pEnvironment->m_pCubeTexture)
                                                                      : m_pWhiteTexture);
            }
            g_RenderStates.EnableCulling(!t->m_b2Sided);
            // The sky light's colours stand for the object's own (objects keep none).
            DWORD ambient = Env.m_dwAmbient;
            const D3DXVECTOR4 ambient4(static_cast<float>((ambient >> 16) & 0xFF) / kChannel,
                                       static_cast<float>((ambient >> 8) & 0xFF) / kChannel,
                                       static_cast<float>(ambient & 0xFF) / kChannel, 1.0f);
            fx->SetVector(effect->g_AmbientLightDiffuse, &ambient4);
            fx->CommitChanges();
            SetFog(effect);
            fx->CommitChanges();
            ERenderer::CountSubset(e->m_pMesh, e->m_iSubset);
            ERenderer::DrawMeshSubset(e->m_pMesh, e->m_iSubset);
        }
    }
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
    g_RenderStates.SetCullCCW();
}
