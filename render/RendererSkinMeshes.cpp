// The sun-lit passes of the skinned figures: the Fast and Realistic passes of
// their opaque and cut-out materials, and the pass of their translucent
// materials after all opaque geometry. Each walks the frame's skinned-mesh
// texture list and hands every visible figure of a material to
// ESkinMesh::Render, which draws that material's groups with their palettes.

#include "render/Renderer.h"

#include "mesh/SkinMesh.h"
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

#include <cstdio>

namespace
{
constexpr const char* kSkinEffect = "SkyLightSkinmesh";
constexpr const char* kSkinFastEffect = "SkyLightSkinmeshF";
constexpr DWORD kAllStages = 16;
constexpr DWORD kNormalStage = 1;
constexpr DWORD kDetailStage = 2;
constexpr DWORD kAmbientStage = 5;
constexpr DWORD kEnvironmentStage = 8;
constexpr DWORD kFirstFilteredStage = 3;
constexpr DWORD kLastFilteredStage = 7;
constexpr float kBiasScale = 0.0037f;
constexpr float kChannel = 255.0f;
constexpr DWORD kDrawnFlag = 0x1;
// The settings record's environment switch: on from construction, changed by nothing.
constexpr bool kEnvironmentSwitch = true;
constexpr const char* kPlainTechnique = "RenderScene";
constexpr const char* kEnvironmentTechnique = "RenderScene1";
constexpr const char* kTranslucentTechnique = "RenderSceneTransl";

enum class SkinPass
{
    Fast,
    Realistic,
    Translucent,
};

// The pass's effect, or null with the pass's own line (once per world).
EEffect* FindSkinEffect(const char* name)
{
    char line[EEffect::NAME_CHARS + 32];
    EEffect* effect = g_EffectMgr.FindEffect(name);
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

// The material test of each pass; the opaque passes note translucent
// materials for the translucent pass.
bool TakeMaterial(strtexture* t, SkinPass pass)
{
    if (t->m_bDoNotRender)
        return false;
    if (pass == SkinPass::Translucent)
        return t->m_bTranslucent && t->m_pSkinMeshList;
    if (t->m_bAdditive || t->m_bStain)
        return false;
    if (t->m_bTranslucent)
    {
        g_Renderer.m_bFrameHasTranslucentSkin = 1;
        return false;
    }
    return true;
}

// Entries drawn this frame: an instance and an object that is shown and in view.
bool EntryDrawn(const strlistaskinmeshy* e)
{
    const HOBJECT o = e->m_hObject;
    return e->m_pSkinMesh && o && (o->dwFlags & kDrawnFlag) && g_Renderer.ObjectFrame(o).m_bInView;
}

// Alpha test and blending of an opaque member's material.
void OpaqueAlphaState(EEffect* effect, const strtexture* t)
{
    if (t->m_bTransparent && !g_RenderStates.m_bAlphaTest)
        g_RenderStates.AlphaTestOn(effect);
    else if (!t->m_bTransparent && g_RenderStates.m_bAlphaTest)
    {
        g_RenderStates.AlphaTestOff(effect);
        if (g_pD3DInterface)
            g_pD3DInterface->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
    if (t->m_bTranslucent && !g_RenderStates.m_bAlphaBlend)
        g_RenderStates.AlphaBlendOn(effect);
    else if (!t->m_bTranslucent && g_RenderStates.m_bAlphaBlend)
        g_RenderStates.AlphaBlendOff(effect);
}

// The camera block and the far plane, set after every technique change.
void SetFarPlane(ID3DXEffect* fx)
{
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farPlane);
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
}

void SetCameraBlock(EEffect* effect)
{
    ID3DXEffect* fx = effect->m_pEffect;
    D3DXMATRIX viewInv;
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 0.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    fx->SetBool(effect->g_bFullyBrightINM, FALSE);
    SetFarPlane(fx);
}

// The fog block of the translucent pass.
void SetTranslucentFog(EEffect* effect)
{
    ID3DXEffect* fx = effect->m_pEffect;
    float r = 0.0f, g = 0.0f, b = 0.0f;
    Env.GetFogR(&r);
    Env.GetFogG(&g);
    Env.GetFogB(&b);
    const D3DXVECTOR4 fog(r / kChannel, g / kChannel, b / kChannel, 0.0f);
    fx->SetVector(effect->g_FogColor, &fog);
    fx->SetFloat(effect->g_fFogMax, Env.GetFogMax(nullptr));
    // The same distance factor as every other sun-lit surface.
    fx->SetFloat(effect->g_fFogDistCoef, PostProcess.FogDistCoef);
}

// The Realistic member's material block after stage 0 and culling.
void SetRealisticMaterial(EEffect* effect, strtexture* t, bool environmentTechnique)
{
    ERenderer& r = g_Renderer;
    ID3DXEffect* fx = effect->m_pEffect;
    g_RenderStates.SetTexture(kAmbientStage, r.m_hAmbient);
    if (t->m_pNormalMap && g_pD3DInterface)
        g_pD3DInterface->SetTexture(kNormalStage, t->m_pNormalMap->m_pTexture);
    fx->SetBool("g_bNormalMap", t->m_pNormalMap && t->m_pNormalMap->m_pTexture);
    OpaqueAlphaState(effect, t);
    ERenderer::SetSpecular(effect, t);
    fx->SetFloat(effect->g_fTextureDensity, t->m_fTextureDensity != 0.0f ? t->m_fTextureDensity : 1.0f);
    if (t->m_pEnvironment && kEnvironmentSwitch && environmentTechnique)
        g_RenderStates.SetTexture2(kEnvironmentStage, t->m_pEnvironment->m_pCubeTexture);
    fx->SetBool(effect->g_bFullyBrightINM, t->m_bFullyBrightInNormalMask);
    if (t->m_pDetail && g_Options.DrawDetail)
    {
        g_RenderStates.SetTexture(kDetailStage, t->m_pDetail->m_pTexture);
        fx->SetFloat(effect->g_fDetailDensity, t->m_fDetailDensity);
        fx->SetBool(effect->g_bDrawDetail, TRUE);
        fx->SetBool(effect->g_bDetailAsNormal, t->m_bDetailAsNormal);
        fx->SetBool(effect->g_bSpecularInDetailMask, t->m_bSpecularInDetailMask);
    }
    else
    {
        fx->SetBool(effect->g_bDrawDetail, FALSE);
        fx->SetBool(effect->g_bDetailAsNormal, FALSE);
        fx->SetBool(effect->g_bSpecularInDetailMask, FALSE);
    }
}

void RunSkinPass(SkinPass pass)
{
    ERenderer& r = g_Renderer;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d)
    {
        d->SetFVF(0);
        r.SetSkinVertexDeclaration();
    }
    if (!g_Options.DrawModels || !r.m_pSkinTextures[0])
        return;
    EEffect* effect = FindSkinEffect(pass == SkinPass::Fast ? kSkinFastEffect : kSkinEffect);
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    const bool translucent = pass == SkinPass::Translucent;
    const char* first = translucent ? kTranslucentTechnique : kPlainTechnique;
    g_RenderStates.EndEffect(fx);
    if (!g_RenderStates.BeginEffectByName(fx, first, true))
        return;
    if (translucent)
    {
        g_RenderStates.AlphaTestOff(effect);
        g_RenderStates.AlphaBlendOn(effect);
        g_RenderStates.SetCullCCW();
        SetTranslucentFog(effect);
    }
    else
    {
        g_RenderStates.AlphaBlendOff(effect);
        g_RenderStates.AlphaTestOff(effect);
    }
    // The sun's direction and colour were set for the frame with the other
    // lighting constants; the Fast pass reads only the wide cascade.
    if (pass != SkinPass::Translucent)
        r.SetSunShadowInputs(effect, pass == SkinPass::Realistic);
    SetCameraBlock(effect);
    g_RenderStates.SetSamplerDefaults(kAllStages);
    if (d && !translucent)
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    g_RenderStates.SetTexture(kAmbientStage, r.m_hAmbient);

    char running[EEffect::NAME_CHARS] = {};
    const char* previous = nullptr;
    for (DWORD i = 0; i < MAX_TEXTURES && r.m_pSkinTextures[i]; ++i)
    {
        strtexture* t = r.m_pSkinTextures[i];
        if (!TakeMaterial(t, pass))
            continue;
        bool bound = false;
        for (strlistaskinmeshy* e = t->m_pSkinMeshList; e; e = e->m_pNext)
        {
            if (!EntryDrawn(e))
                continue;
            if (!bound)
            {
                bound = true;
                bool environment = false;
                if (pass == SkinPass::Realistic)
                {
                    const char* wanted = t->m_pEnvironment ? kEnvironmentTechnique : kPlainTechnique;
                    environment = t->m_pEnvironment != nullptr;
                    if (wanted != previous && CompareNoCase(wanted, running) != 0 &&
                        g_RenderStates.BeginEffectByName(fx, wanted, true))
                    {
                        std::snprintf(running, sizeof running, "%s", wanted);
                        SetFarPlane(fx);
                        // Ending the previous technique put its stages back.
                        r.SetSunShadowInputs(effect, true);
                    }
                    previous = wanted;
                }
                if (d)
                    d->SetTexture(0, g_Options.DrawCharacterTextures ? t->m_pTexture : r.m_pWhiteTexture);
                g_RenderStates.EnableCulling(!t->m_b2Sided);
                if (pass == SkinPass::Fast)
                    OpaqueAlphaState(effect, t);
                else if (pass == SkinPass::Realistic)
                    SetRealisticMaterial(effect, t, environment);
                else if (t->m_pNormalMap && d)
                    d->SetTexture(kNormalStage, t->m_pNormalMap->m_pTexture);
                fx->CommitChanges();
            }
            fx->CommitChanges();
            e->m_pSkinMesh->Render(t->m_iIndex, e->m_iSubset, effect);
        }
    }
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    if (translucent && d)
        for (DWORD s = kFirstFilteredStage; s <= kLastFilteredStage; ++s)
        {
            d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        }
    g_RenderStates.EndEffect(fx);
    g_RenderStates.SetCullCCW();
}
} // namespace

void ERenderer::RenderSkinMeshesSkyLightF()
{
    RunSkinPass(SkinPass::Fast);
}

void ERenderer::RenderSkinMeshesSkyLight()
{
    RunSkinPass(SkinPass::Realistic);
}

void ERenderer::RenderSkinMeshesSkyLightTransl()
{
    RunSkinPass(SkinPass::Translucent);
}
