// The deferred light passes of the post-process object (sun and ambient,
// baked sky lights, point lights and their linear and darkening kinds), the
// camera-inside test of light volumes, the sun's place on the screen, the
// HDR reduction and the texel offsets of an effect.
#include "render/PostProcess.h"

#include "render/EffectMgr.h"
#include "render/Renderer.h"
#include "render/ShadowCubeMaps.h"
#include "render/SkyLights.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstring>
#include <vector>

namespace
{
constexpr float kChannel = 255.0f;
constexpr float kSunDistance = 10.0f;
constexpr float kOffScreen = 10.0f;
constexpr DWORD kShown = 0x1;
constexpr DWORD kCastsCubeShadow = 0x10;
constexpr float kCubeResolution = 256.0f;
constexpr UINT kCubeTriangles = 12;
constexpr int kTaps = 7;
constexpr float kTapOffsets[kTaps] = {-2.0f, -1.2f, -0.7f, 0.0f, 0.7f, 1.2f, 2.0f};
constexpr float kTapSpread = 2.0f;
// Parameters SetupTexelOffsets reads through an annotation hold at most this many vectors.
constexpr UINT kMaxOffsetVectors = 64;

// The unit cube of a light volume: 12 triangles, outward faces clockwise.
const float kCube[36][3] = {
    {-1, -1, -1}, {-1, 1, -1},  {1, 1, -1},  {-1, -1, -1}, {1, 1, -1},  {1, -1, -1},  // -z
    {1, -1, 1},   {1, 1, 1},    {-1, 1, 1},  {1, -1, 1},   {-1, 1, 1},  {-1, -1, 1},  // +z
    {-1, -1, 1},  {-1, 1, 1},   {-1, 1, -1}, {-1, -1, 1},  {-1, 1, -1}, {-1, -1, -1}, // -x
    {1, -1, -1},  {1, 1, -1},   {1, 1, 1},   {1, -1, -1},  {1, 1, 1},   {1, -1, 1},   // +x
    {-1, 1, -1},  {-1, 1, 1},   {1, 1, 1},   {-1, 1, -1},  {1, 1, 1},   {1, 1, -1},   // +y
    {-1, -1, 1},  {-1, -1, -1}, {1, -1, -1}, {-1, -1, 1},  {1, -1, -1}, {1, -1, 1},   // -y
};

D3DXVECTOR4 Unpacked(DWORD packed, float scale)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / kChannel * scale,
                       static_cast<float>((packed >> 8) & 0xFF) / kChannel * scale,
                       static_cast<float>(packed & 0xFF) / kChannel * scale, 1.0f);
}

bool LightShown(const strObject& o)
{
    return o.bUsed && o.Type == OT_LIGHT && (o.dwFlags & kShown) && !o.bLightOff;
}

int HighLight()
{
    return g_Engine.m_iHighLight < MAX_OBJECTS ? g_Engine.m_iHighLight : MAX_OBJECTS;
}

// The camera's inputs every deferred pass reads.
void SetCameraParams(ID3DXEffect* fx, DWORD width, DWORD height)
{
    const D3DXVECTOR3& eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector("g_CameraPosition", &eye4);
    const D3DXVECTOR4 dims(width ? 1.0f / static_cast<float>(width) : 0.0f,
                           height ? 1.0f / static_cast<float>(height) : 0.0f, 0.0f, 0.0f);
    fx->SetVector("depthBufferDimensions", &dims);
    fx->SetMatrix("g_mView", &g_Camera.m_mView);
    D3DXMATRIX viewInv, viewProj, viewProjInv;
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetMatrix("g_mViewInv", &viewInv);
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    D3DXMatrixInverse(&viewProjInv, nullptr, &viewProj);
    fx->SetMatrix("matViewProjectionInverse", &viewProjInv);
    const float farZ = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farZ);
    fx->SetFloat("g_fFarZ1", farZ > 0.0f ? 1.0f / farZ : 0.0f);
    fx->SetFloat("g_fNearZ", g_Camera.m_fNearPlane);
}

// A light volume: scaled by its radius, placed at its position.
void SetVolume(ID3DXEffect* fx, const D3DXVECTOR3& position, float radius)
{
    D3DXMATRIX scale, move, world, worldView, wvp;
    D3DXMatrixScaling(&scale, radius, radius, radius);
    D3DXMatrixTranslation(&move, position.x, position.y, position.z);
    D3DXMatrixMultiply(&world, &scale, &move);
    D3DXMatrixMultiply(&worldView, &world, &g_Camera.m_mView);
    D3DXMatrixMultiply(&wvp, &worldView, &g_Camera.m_mProjection);
    fx->SetMatrix("g_mWorldViewProjection", &wvp);
    fx->SetMatrix("g_mWorldView", &worldView);
}

void DrawVolume()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    d->SetFVF(D3DFVF_XYZ);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, kCubeTriangles, kCube, sizeof kCube[0]);
}

// Seen from outside, a volume is drawn by its near faces where they lie in
// front of the scene; from inside, by its far faces where they lie behind
// it. The state changes only when it differs from the previous light's.
struct VolumeStates
{
    int inside = -1;
    void Apply(bool cameraInside)
    {
        if (int(cameraInside) == inside)
            return;
        inside = cameraInside;
        IDirect3DDevice9* d = g_pD3DInterface;
        d->SetRenderState(D3DRS_ZFUNC, cameraInside ? D3DCMP_GREATER : D3DCMP_LESSEQUAL);
        d->SetRenderState(D3DRS_CULLMODE, cameraInside ? D3DCULL_CW : D3DCULL_CCW);
    }
};

D3DXVECTOR4 LightColour(const strObject& o)
{
    return D3DXVECTOR4(o.vLightColor.x, o.vLightColor.y, o.vLightColor.z, 1.0f);
}
} // namespace

void EPostProcess::SetupTexelOffsets(ID3DXEffect* effect)
{
    if (!effect)
        return;
    const float w = static_cast<float>(g_Options.screenwidth > 0 ? g_Options.screenwidth : 1);
    const float h = static_cast<float>(g_Options.screenheight > 0 ? g_Options.screenheight : 1);
    for (UINT i = 0;; ++i)
    {
        D3DXHANDLE p = effect->GetParameter(nullptr, i);
        if (!p)
            break;
        D3DXPARAMETER_DESC desc = {};
        if (FAILED(effect->GetParameterDesc(p, &desc)))
            continue;
        for (UINT a = 0; a < desc.Annotations; ++a)
        {
            D3DXHANDLE annotation = effect->GetAnnotation(p, a);
            LPCSTR named = nullptr;
            if (!annotation || FAILED(effect->GetString(annotation, &named)) || !named)
                continue;
            D3DXHANDLE target = effect->GetParameterByName(nullptr, named);
            D3DXPARAMETER_DESC td = {};
            if (!target || FAILED(effect->GetParameterDesc(target, &td)))
                continue;
            const UINT count =
                std::min<UINT>(td.Elements / 8 ? td.Elements / 8 : td.Elements, kMaxOffsetVectors);
            if (count == 0)
                continue;
            std::vector<D3DXVECTOR4> v(count);
            if (FAILED(effect->GetVectorArray(target, v.data(), count)))
                continue;
            for (D3DXVECTOR4& e : v)
            {
                e.x /= w;
                e.y /= h;
            }
            effect->SetVectorArray(target, v.data(), count);
        }
    }
    float hTaps[kTaps], vTaps[kTaps];
    for (int i = 0; i < kTaps; ++i)
    {
        hTaps[i] = kTapOffsets[i] * kTapSpread / w;
        vTaps[i] = kTapOffsets[i] * kTapSpread / h;
    }
    effect->SetFloatArray("Texel2H", hTaps, kTaps);
    effect->SetFloatArray("Texel2V", vTaps, kTaps);
}

void EPostProcess::ComputeSunScreenPosition()
{
    D3DXVECTOR3 dir(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    const D3DXVECTOR3& eye = g_Camera.GetPosition();
    const D3DXVECTOR3 sun = eye - dir * kSunDistance;
    D3DXVECTOR4 clip;
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    D3DXVec3Transform(&clip, &sun, &viewProj);
    const D3DXVECTOR3 ahead = eye + g_Camera.m_ViewFrame.Forward;
    const D3DXVECTOR3 toAhead = sun - ahead, toEye = sun - eye;
    if (D3DXVec3Length(&toAhead) > D3DXVec3Length(&toEye) || clip.w == 0.0f)
    {
        m_vSunPosition = D3DXVECTOR3(kOffScreen, kOffScreen, 0.0f);
        return;
    }
    m_vSunPosition = D3DXVECTOR3(clip.x / clip.w * 0.5f + 0.5f, clip.y / clip.w * -0.5f + 0.5f, 0.0f);
}

void EPostProcess::MarkCameraInsideLights()
{
    const int high = HighLight();
    if (high <= FIRST_LIGHT_SLOT)
        return;
    for (int slot = FIRST_LIGHT_SLOT; slot < high; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (!o.bUsed)
            continue;
        m_bCameraInside[slot - FIRST_LIGHT_SLOT] =
            g_Camera.NearPlaneInsideBox(o.vPosition, o.fRadius) ? 1 : 0;
    }
}

void EPostProcess::RenderDeferredSun()
{
    if (!m_pEffect)
    {
        g_Renderer.PrintOncePerWorld("No skylight HEFFECT");
        return;
    }
    ID3DXEffect* fx = m_pEffect;
    if (FAILED(fx->SetTechnique(NormalOnly ? "DeferredNormalOnly" : "Deferred")))
        g_Console.Print("m_pEffect->SetTechnique(Deferred) FAILED!");
    for (int i = 0; i < 3; ++i)
    {
        static const char* const kShadowNames[3] = {"g_txShadow0", "g_txShadow1", "g_txShadow2"};
        fx->SetTexture(kShadowNames[i], g_SkyShadow.m_pTexture[i]);
    }
    DWORD sky = 0;
    Env.GetSkyLightColor(&sky);
    const D3DXVECTOR4 sun = Unpacked(sky, Env.SkyLightPower);
    D3DXVECTOR3 dir(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&dir, &dir);
    const D3DXVECTOR4 dirs[2] = {D3DXVECTOR4(dir.x, dir.y, dir.z, 0.0f),
                                 D3DXVECTOR4(dir.x, dir.y, dir.z, 0.0f)};
    const D3DXVECTOR4 suns[2] = {sun, sun};
    fx->SetVectorArray("g_SkyLightDir", dirs, 2);
    fx->SetVectorArray("g_SkyLightDiffuse", suns, 2);
    if (FAILED(fx->SetBool("g_bUseSkyLightX", g_Options.UseSkyLight ? TRUE : FALSE)))
        g_Console.Print("Set failed");
    SetCameraParams(fx, m_iWidth, m_iHeight);
    DWORD fog = 0;
    Env.GetFogColor(&fog);
    const D3DXVECTOR4 fogColour = Unpacked(fog, 1.0f), ambient = Unpacked(Env.m_dwAmbient, 1.0f);
    fx->SetVector("g_FogColor", &fogColour);
    fx->SetFloat("g_fFogMax", Env.GetFogMax(nullptr));
    fx->SetFloat("g_fFogDistCoef", FogDistCoef);
    fx->SetVector("g_AmbientLightDiffuse", &ambient);
    fx->SetBool("g_bAOEnable", g_Options.AOEnable ? TRUE : FALSE);
    fx->SetTexture("tAOFactor", m_pAOTex[0]);
    fx->SetTexture("tAmbient", m_pMainTex);
    fx->SetTexture("tAOPosition", m_pAOPositionTex);
    fx->SetTexture("tAONormal", m_pAONormalTex);
    fx->SetTexture("g_txSpecular", m_pSpecularTex);
    if (strtexture* clouds = g_Renderer.FindTexture("tc_clouds.tga"))
        fx->SetTexture("g_TPClouds", clouds->m_pTexture);
    fx->SetFloat("g_fCzas01", g_Renderer.m_fCzas01);
    fx->CommitChanges();
    DrawQuad();
}

void EPostProcess::RenderDeferredSkyLights()
{
    const DWORD count = std::min<DWORD>(g_SkyLights.m_dwPickedCount, MAX_PICKED_SKY_LIGHTS);
    if (!count)
        return;
    ID3DXEffect* fx = m_pEffect;
    if (FAILED(fx->SetTechnique("DeferredVPL")))
    {
        g_Console.Print("m_pEffect->SetTechnique(DeferredLight) FAILED!");
        return;
    }
    constexpr float kBouncePower = 1.0f;
    SetCameraParams(fx, m_iWidth, m_iHeight);
    fx->SetTexture("tAOPosition", m_pAOPositionTex);
    fx->SetTexture("tAONormal", m_pAONormalTex);
    fx->SetFloat("g_DefPower", kBouncePower);
    // The volumes are tested against the scene's depth (the AO and sun
    // passes before leave the test off): only the pixels a light can reach
    // run its shader.
    g_pD3DInterface->SetRenderState(D3DRS_ZENABLE, TRUE);
    VolumeStates states;
    UINT passes = 0;
    if (FAILED(fx->Begin(&passes, 0)))
        return;
    // One pass over every light: each light only changes its own values.
    for (UINT p = 0; p < passes; ++p)
    {
        fx->BeginPass(p);
        for (DWORD i = 0; i < count; ++i)
        {
            const SkyLightInstance& light = g_SkyLights.m_Picked[i];
            const D3DXVECTOR4 pos(light.vPosition.x, light.vPosition.y, light.vPosition.z, 1.0f);
            const D3DXVECTOR4 colour(light.vColor.x, light.vColor.y, light.vColor.z, 1.0f);
            fx->SetVector("g_DefPos", &pos);
            fx->SetVector("g_DefCol", &colour);
            fx->SetFloat("g_DefRadius", light.fRadius);
            SetVolume(fx, light.vPosition, light.fRadius);
            states.Apply(light.bCameraInside != 0);
            fx->CommitChanges();
            DrawVolume();
        }
        fx->EndPass();
    }
    fx->End();
}

bool EPostProcess::RenderDeferredLights()
{
    ID3DXEffect* fx = m_pEffect;
    IDirect3DDevice9* d = g_pD3DInterface;
    const int high = HighLight();
    bool minus = false;
    bool begun = false;
    VolumeStates states;
    for (int slot = FIRST_LIGHT_SLOT; slot < high; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (!LightShown(o))
            continue;
        if (o.fLightValue < 0.0f)
        {
            minus = true;
            continue;
        }
        if (o.bLinearScatter)
        {
            m_bLinearLights = 1;
            continue;
        }
        const int cube = g_ShadowCubeMaps.SlotOf(&o);
        const bool shadowed = (o.dwFlags & kCastsCubeShadow) && g_Options.DrawProjectors &&
                              cube != CShadowCubeMaps::NO_SLOT && g_ShadowCubeMaps.m_pCubeMap[cube] &&
                              o.bLightCacheValid;
        const char* technique = shadowed ? "DeferredLightS" : "DeferredLight";
        if (FAILED(fx->SetTechnique(technique)) && shadowed)
            g_Console.Print("DeferredLightS FAILED!");
        if (!begun)
        {
            d->SetRenderState(D3DRS_ZENABLE, TRUE);
            begun = true;
        }
        SetCameraParams(fx, m_iWidth, m_iHeight);
        fx->SetTexture("tAOPosition", m_pAOPositionTex);
        fx->SetTexture("tAONormal", m_pAONormalTex);
        fx->SetTexture("tAmbient", m_pMainTex);
        const D3DXVECTOR4 pos(o.vPosition.x, o.vPosition.y, o.vPosition.z, 1.0f), colour = LightColour(o);
        fx->SetVector("g_vLightPos", &pos);
        fx->SetVector("g_vLightDiffuse", &colour);
        fx->SetFloat("g_fLightRange", o.fRadius);
        fx->SetFloat("g_fLightPower", o.fLightValue);
        if (shadowed)
        {
            fx->SetTexture("g_txShadow", g_ShadowCubeMaps.m_pCubeMap[cube]);
            fx->SetFloat("cShadowResolution", kCubeResolution);
            fx->SetFloat("cShadowResolution1", 1.0f / kCubeResolution);
        }
        SetVolume(fx, o.vPosition, o.fRadius);
        UINT passes = 0;
        if (FAILED(fx->Begin(&passes, 0)))
            continue;
        for (UINT p = 0; p < passes; ++p)
        {
            fx->BeginPass(p);
            states.Apply(m_bCameraInside[slot - FIRST_LIGHT_SLOT] != 0);
            fx->CommitChanges();
            DrawVolume();
            fx->EndPass();
        }
        fx->End();
    }
    return minus;
}

namespace
{
// The linear and darkening loops: every shown light of the kind.
template <class Wanted> void RenderLightKind(EPostProcess& post, const char* technique, Wanted wanted)
{
    ID3DXEffect* fx = post.m_pEffect;
    if (FAILED(fx->SetTechnique(technique)))
        return;
    VolumeStates states;
    for (int slot = FIRST_LIGHT_SLOT; slot < HighLight(); ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (!LightShown(o) || !wanted(o))
            continue;
        SetCameraParams(fx, post.m_iWidth, post.m_iHeight);
        fx->SetTexture("tAOPosition", post.m_pAOPositionTex);
        fx->SetTexture("tAONormal", post.m_pAONormalTex);
        fx->SetTexture("tAmbient", post.m_pMainTex);
        const D3DXVECTOR4 pos(o.vPosition.x, o.vPosition.y, o.vPosition.z, 1.0f), colour = LightColour(o);
        fx->SetVector("g_vLightPos", &pos);
        fx->SetVector("g_vLightDiffuse", &colour);
        fx->SetFloat("g_fLightRange", o.fRadius);
        fx->SetFloat("g_fLightPower", o.fLightValue);
        SetVolume(fx, o.vPosition, o.fRadius);
        UINT passes = 0;
        if (FAILED(fx->Begin(&passes, 0)))
            continue;
        for (UINT p = 0; p < passes; ++p)
        {
            fx->BeginPass(p);
            states.Apply(post.m_bCameraInside[slot - FIRST_LIGHT_SLOT] != 0);
            fx->CommitChanges();
            DrawVolume();
            fx->EndPass();
        }
        fx->End();
    }
}
} // namespace

void EPostProcess::RenderDeferredLinearLights()
{
    RenderLightKind(*this, "DeferredLinearLight",
                    [](const strObject& o) { return o.bLinearScatter && o.fLightValue >= 0.0f; });
}

void EPostProcess::RenderDeferredMinusLights()
{
    RenderLightKind(*this, "DeferredMinusLight", [](const strObject& o) { return o.fLightValue < 0.0f; });
}

void EPostProcess::RenderHDRDownscale()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    struct Step
    {
        IDirect3DSurface9* target;
        IDirect3DTexture9* source;
        const char* technique;
    };
    const Step steps[] = {{m_pHDR64Surf, m_pHDRTex, "HDRScaleDown1"},
                          {m_pHDR16Surf, m_pHDR64Tex, "HDRScaleDown"},
                          {m_pHDR04Surf, m_pHDR16Tex, "HDRScaleDown"},
                          {m_pHDR01Surf, m_pHDR04Tex, "HDRScaleDown"}};
    for (const Step& s : steps)
    {
        d->SetRenderTarget(0, s.target);
        m_pEffect->SetTechnique(s.technique);
        m_pEffect->SetTexture("tSceneColor", s.source);
        m_pEffect->SetTexture("tSunFlare", m_pSunFlareTex);
        DrawQuad();
    }
}
