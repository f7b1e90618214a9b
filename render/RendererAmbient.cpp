// The passes of the effect "ambient": glowing surfaces and light shafts added
// onto the finished scene, water with its waves, fog and reflection, and
// flowing lava.

#include "render/Renderer.h"

#include "mesh/Mesh.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/ShadowCubeMaps.h"
#include "render/SkyLight.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr const char* kAmbientEffect = "ambient";
constexpr const char* kWaterEnvironment = "env_miasto2.tga";
constexpr float kChannel = 255.0f;
constexpr DWORD kNormalStage = 1;
constexpr DWORD kFirstWaterMapStage = 3;
constexpr DWORD kEnvironmentWaterStage = 6;
constexpr DWORD kLavaMapStage = 8;
// Samplers 3 and 6 read the finest level while water is drawn.
constexpr float kWaterLodBias = -1000.0f;
constexpr float kSceneLodBias = -1.0f;
// An object with this bit in flag word 2 shows no water fog.
constexpr DWORD kNoWaterFog = 0x40000;
constexpr float kNoFogFar = 80008.0f;
constexpr float kNoFogNear = 80000.0f;

EEffect* AmbientEffect()
{
    EEffect* effect = g_EffectMgr.FindEffect(kAmbientEffect);
    return effect && effect->m_pEffect ? effect : nullptr;
}

void SetLodBias(DWORD stage, float bias)
{
    DWORD bits = 0;
    static_assert(sizeof bias == sizeof bits, "the bias travels as its bit pattern");
    std::memcpy(&bits, &bias, sizeof bits);
    if (g_pD3DInterface)
        g_pD3DInterface->SetSamplerState(stage, D3DSAMP_MIPMAPLODBIAS, bits);
}

D3DXVECTOR4 Colour(DWORD packed, float w)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / kChannel,
                       static_cast<float>((packed >> 8) & 0xFF) / kChannel,
                       static_cast<float>(packed & 0xFF) / kChannel, w);
}

void SetView(EEffect* effect)
{
    ID3DXEffect* fx = effect->m_pEffect;
    D3DXMATRIX viewInv;
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
}

void SetObject(EEffect* effect, const strobjectframe& f)
{
    ID3DXEffect* fx = effect->m_pEffect;
    fx->SetMatrix(effect->g_mWorldViewProjection, &f.m_mWorldViewProjection);
    fx->SetMatrix(effect->g_mWorld, &f.m_mWorld);
    fx->SetMatrix(effect->g_mWorldView, &f.m_mWorldView);
    fx->SetVector(effect->g_CameraModel, &f.m_vCameraModel);
}

bool EntryDrawn(const strlistameshy* e)
{
    return e->m_pMesh && e->m_hObject && g_Renderer.ObjectFrame(e->m_hObject).m_bVisible &&
           e->m_pMesh->m_pDrawMesh;
}

void SetMeshDeclaration()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return;
    IDirect3DVertexDeclaration9* current = nullptr;
    d->GetVertexDeclaration(&current);
    if (current != g_pDeclMesh)
        d->SetVertexDeclaration(g_pDeclMesh);
    if (current)
        current->Release();
}

// ---- Additive and ray of light -----------------------------------------------------------

void RunAddPass(bool rays)
{
    ERenderer& r = g_Renderer;
    EEffect* effect = AmbientEffect();
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d)
    {
        d->SetVertexShader(nullptr);
        d->SetPixelShader(nullptr);
        d->SetFVF(0);
    }
    g_RenderStates.EndEffect(fx);
    g_RenderStates.BeginEffectByName(fx, rays ? "RayOfLight" : "Additive", true);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.SetCullCCW();
    SetView(effect);
    if (d)
    {
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    }
    g_RenderStates.EnableCulling(true);
    if (d)
    {
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }
    SetMeshDeclaration();
    for (DWORD i = 0; i < MAX_TEXTURES && r.m_pMeshTextures[i]; ++i)
    {
        strtexture* t = r.m_pMeshTextures[i];
        const bool taken =
            rays ? t->m_bRayOfLight != 0 : (t->m_bAdditive && !t->m_bRayOfLight && !t->m_bWater);
        if (!taken)
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            if (!EntryDrawn(e))
                continue;
            if (!bound)
            {
                r.BindSubsetTextures(t, false);
                g_RenderStates.EnableCulling(!t->m_b2Sided);
                fx->SetFloat("g_fAppearDistance", t->m_fAppearDistance);
                bound = true;
            }
            SetObject(effect, r.ObjectFrame(e->m_hObject));
            ERenderer::CountSubset(e->m_pMesh, e->m_iSubset);
            fx->CommitChanges();
            ERenderer::DrawMeshSubset(e->m_pMesh, e->m_iSubset);
        }
    }
    g_RenderStates.EndEffect(fx);
}

// ---- Water and lava ------------------------------------------------------------------------

enum class Liquid
{
    Water,           // Fast: the environment cube
    WaterReflection, // Realistic: the cube, or the water maps while real-time reflection is on
    Lava,
};

IDirect3DCubeTexture9* WaterEnvironment()
{
    strtexture* t = g_Renderer.FindTexture(kWaterEnvironment);
    if (!t && g_Renderer.FindTexturePath(kWaterEnvironment))
        t = g_Renderer.LoadTexture(kWaterEnvironment, 0, 0, 1, 0);
    if (!t)
        g_Renderer.PrintOncePerWorld("No water environment texture env_miasto2.tga");
    return t ? t->m_pCubeTexture : nullptr;
}

void SetWaves(ID3DXEffect* fx, float sinF, float falaX, float falaZ, float height, float t)
{
    fx->SetFloat("g_SinF", sinF);
    fx->SetFloat("g_WaterHeight", height);
    fx->SetFloat("g_LevelTime", t);
    fx->SetFloat("g_FalaX", falaX);
    fx->SetFloat("g_FalaZ", falaZ);
}

void BindWaterTexture(EEffect* effect, strtexture* t, bool realtime, IDirect3DCubeTexture9* env,
                      const D3DXVECTOR4& fog, float fogMax)
{
    ID3DXEffect* fx = effect->m_pEffect;
    const float time = g_Engine.m_fGameClock;
    g_RenderStates.SetTexture(0, t->m_pTexture);
    SetLodBias(kEnvironmentWaterStage, kWaterLodBias);
    SetLodBias(kFirstWaterMapStage, kWaterLodBias);
    // Without a normal map the stage is emptied, so no earlier material ripples this one.
    g_RenderStates.SetTexture(kNormalStage, t->m_pNormalMap ? t->m_pNormalMap->m_pTexture : nullptr);
    fx->SetBool("g_bNormalMap", t->m_pNormalMap ? TRUE : FALSE);
    if (realtime)
    {
        for (DWORD k = 0; k < CShadowCubeMaps::WATER_TARGETS; ++k)
            g_RenderStates.SetTexture(kFirstWaterMapStage + k, g_ShadowCubeMaps.m_pWaterTexture[k]);
        g_RenderStates.AlphaBlendOn(effect);
    }
    else
        g_RenderStates.SetTexture2(kEnvironmentWaterStage, env);
    const D3DXVECTOR4 waterColour(fog.x, fog.y, fog.z, 0.0f);
    fx->SetVector("g_WaterColor", &waterColour);
    fx->SetVector(effect->g_FogColor, &waterColour);
    if (realtime)
        SetWaves(fx, std::sin(0.6f * time), 0.029f * time, 0.037f * time + 0.4f, t->m_fWaterHeight, time);
    else
        SetWaves(fx, std::sin(0.25f * time), 0.00004f * time, 0.00005f * time + 0.5f, t->m_fWaterHeight,
                 time);
    fx->SetVector(effect->g_FogColor, &fog);
    fx->SetFloat(effect->g_fFogMax, fogMax);
    fx->SetFloat("g_WaterTransparent", realtime ? 1.0f : t->m_fWaterTransparent);
}

void BindLavaTexture(EEffect* effect, strtexture* t, HOBJECT first)
{
    ID3DXEffect* fx = effect->m_pEffect;
    const float time = g_Engine.m_fGameClock;
    g_RenderStates.SetTexture(0, t->m_pTexture);
    g_RenderStates.SetTexture(kLavaMapStage, t->m_pLava->m_pTexture);
    const D3DXVECTOR4 colour(t->m_vWaterColor[0], t->m_vWaterColor[1], t->m_vWaterColor[2], 0.0f);
    fx->SetVector("g_WaterColor", &colour);
    SetWaves(fx, std::sin(0.02f * time), 0.0029f * time, 0.0037f * time + 0.4f, t->m_fWaterHeight, time);
    // The first drawn entry decides the fog of every entry of the texture.
    const bool noFog = (first->dwFlags2 & kNoWaterFog) != 0;
    fx->SetFloat("g_WaterFogFar", noFog ? kNoFogFar : t->m_fWaterFogFar);
    fx->SetFloat("g_WaterFogNear", noFog ? kNoFogNear : t->m_fWaterFogNear);
    fx->SetFloat("g_WaterTransparent", t->m_fWaterTransparent);
    fx->SetFloat("g_fLavaSpeedUp", t->m_fLavaSpeedUp);
    fx->SetFloat("g_fLavaSpeedDown", t->m_fLavaSpeedDown);
    fx->SetFloat("g_fLavaMapCoef", t->m_fLavaMapCoef);
}

void RunLiquidPass(Liquid kind)
{
    ERenderer& r = g_Renderer;
    const bool water = kind != Liquid::Lava;
    if (water && !g_Options.DrawWater)
        return;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (water && d)
    {
        d->SetFVF(0);
        d->SetVertexDeclaration(g_pDeclMesh);
    }
    EEffect* effect = AmbientEffect();
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    // Real-time reflection blends the water maps; while they are missing the
    // water shows the environment cube instead.
    const bool realtime =
        kind == Liquid::WaterReflection && g_Options.VideoOptionD && g_ShadowCubeMaps.WaterMapsReady();
    const char* technique = kind == Liquid::Lava ? "RenderSceneAmbientLava"
                            : realtime           ? "RenderSceneAmbientWaterReflection"
                                                 : "RenderSceneAmbientWater";
    g_RenderStates.EndEffect(fx);
    g_RenderStates.BeginEffectByName(fx, technique, true);
    if (water)
        SetLodBias(kEnvironmentWaterStage, kWaterLodBias);
    SetView(effect);
    const D3DXVECTOR4 ambient = Colour(Env.m_dwAmbient, 1.0f);
    fx->SetVector(effect->g_AmbientLightDiffuse, &ambient);
    fx->SetFloat("g_fDebugLights", 0.0f);
    DWORD fogPacked = 0;
    Env.GetFogColor(&fogPacked);
    const D3DXVECTOR4 fog = Colour(fogPacked, 1.0f);
    fx->SetVector(effect->g_FogColor, &fog);
    const D3DVECTOR& from = water ? Env.m_vSkyLightDir : Env.m_vLensFlareDir;
    D3DXVECTOR3 dir(from.x, from.y, from.z);
    D3DXVec3Normalize(&dir, &dir);
    const D3DXVECTOR4 dir4(dir.x, dir.y, dir.z, 1.0f);
    fx->SetVector(effect->g_SkyLightDir, &dir4);
    DWORD sun = 0;
    Env.GetSkyLightColor(&sun);
    const D3DXVECTOR4 sun4 = Colour(sun, 1.0f);
    fx->SetVector(effect->g_SkyLightDiffuse, &sun4);
    IDirect3DCubeTexture9* env = nullptr;
    if (water)
    {
        env = WaterEnvironment();
        const float farPlane = g_Camera.GetFarPlane();
        fx->SetFloat("g_fFarZ", farPlane);
        fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
    }
    const float fogMax = Env.GetFogMax(nullptr);
    for (DWORD i = 0; i < MAX_TEXTURES && r.m_pMeshTextures[i]; ++i)
    {
        strtexture* t = r.m_pMeshTextures[i];
        if ((water ? !t->m_bWater : !t->m_pLava) || t->m_bAnimated || t->m_bRayOfLight)
            continue;
        bool bound = false;
        for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        {
            if (!EntryDrawn(e))
                continue;
            if (!water)
                SetMeshDeclaration();
            strobjectframe& f = r.ObjectFrame(e->m_hObject);
            SetObject(effect, f);
            if (!bound)
            {
                if (water)
                    BindWaterTexture(effect, t, realtime, env, fog, fogMax);
                else
                    BindLavaTexture(effect, t, e->m_hObject);
                bound = true;
            }
            fx->CommitChanges();
            ERenderer::DrawMeshSubset(e->m_pMesh, e->m_iSubset);
            ERenderer::CountObjectPolygons(e->m_pMesh, f);
        }
    }
    if (water)
        g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
    if (water)
    {
        SetLodBias(kEnvironmentWaterStage, kSceneLodBias);
        SetLodBias(kFirstWaterMapStage, kSceneLodBias);
    }
}
} // namespace

void ERenderer::RenderSceneAdditive()
{
    RunAddPass(false);
}

void ERenderer::RenderSceneRayOfLight()
{
    RunAddPass(true);
}

void ERenderer::RenderSceneAmbientWater()
{
    RunLiquidPass(Liquid::Water);
}

void ERenderer::RenderSceneAmbientWaterReflection()
{
    RunLiquidPass(Liquid::WaterReflection);
}

void ERenderer::RenderSceneAmbientLava()
{
    RunLiquidPass(Liquid::Lava);
}
