// The post-process frame: the scene redirected into the G-buffer, then the
// chain in its order (AO, deferred lights, the late forward layers, HDR, the
// sun flare, the composite onto the back buffer).
#include "render/PostProcess.h"

#include "game/MainGame.h"
#include "player/Player.h"
#include "render/EffectMgr.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr const char* kBloodOverlay = "hud_ekran_krwi_16.tga";
constexpr float kAdaptationRate = 0.2f;
constexpr float kLuminanceMin = 0.3f;
constexpr float kLuminanceMax = 0.6f;
constexpr float kHealthScale = 1.2f;
constexpr float kDarkBW = 0.1f;
constexpr float kRedScale = 0.5f;
constexpr float kChannel = 255.0f;
constexpr UINT kQuadPrimitives = 2;
constexpr int kAOBlurRounds = 2;
constexpr DWORD kStages = 16;
// The quad's corners take the camera's corners in this order.
constexpr int kQuadCorner[EPostProcess::QUAD_VERTICES] = {3, 2, 0, 1};
// The effects whose scene techniques write the G-buffer while it is bound.
const char* const kGBufferEffects[] = {"skylight", "SkyLightSkinmesh", "ambient"};

// The flare's disc: its radius in screen units, the vertical axis scaled as
// the effect's "SunFlare" pass does. A little is added so that rounding never
// drops a lit pixel.
constexpr float kFlareRadius = 0.4f + 0.01f;
constexpr float kFlareAspect = 0.75f;
constexpr D3DCOLOR kFlareNone = D3DCOLOR_ARGB(0xFF, 0, 0, 0);

bool SunFlareReachesScreen(const D3DXVECTOR3& sun)
{
    // The nearest point of the screen's [0, 1] square to the sun's place.
    const float dx = sun.x - std::clamp(sun.x, 0.0f, 1.0f);
    const float dy = (sun.y - std::clamp(sun.y, 0.0f, 1.0f)) * kFlareAspect;
    // A place that is no number is left to the passes.
    if (!std::isfinite(dx) || !std::isfinite(dy))
        return true;
    return dx * dx + dy * dy < kFlareRadius * kFlareRadius;
}

// The engine draws the world this frame (and so will end the redirection).
bool WorldDrawsThisFrame()
{
    return g_MainGame.m_bWorldActive && !g_Menu.m_bMenuActive && g_Engine.m_bInitialised &&
           !g_LoadingScreen.m_bActive;
}

D3DXVECTOR4 Unpacked(DWORD packed, float w)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / kChannel,
                       static_cast<float>((packed >> 8) & 0xFF) / kChannel,
                       static_cast<float>(packed & 0xFF) / kChannel, w);
}
} // namespace

bool EPostProcess::Gate() const
{
    return m_bEnabled && g_MainGame.m_iLevelFrame >= FIRST_FRAME && !g_Options.WireFrame;
}

bool EPostProcess::ChainComplete() const
{
    return m_pEffect && m_pMainTex && m_pMotionBlurTex && m_pHDRTex && m_pHDR01Tex && m_pAOTex[1] &&
           m_pBloomTex2 && m_pTargetSurf;
}

void EPostProcess::SetDeferredSwitch(BOOL on)
{
    for (const char* name : kGBufferEffects)
        if (EEffect* e = g_EffectMgr.FindEffect(name); e && e->m_pEffect)
            e->m_pEffect->SetBool("g_bDeferred", on);
}

// ---- Bracketing the scene ------------------------------------------------------------------------

void EPostProcess::BindGBufferTargets()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (FAILED(d->SetRenderTarget(1, m_pAOPositionSurf)))
        g_Console.Print("SetRenderTarget 1 FAILED!");
    if (FAILED(d->SetRenderTarget(2, m_pAONormalSurf)))
        g_Console.Print("SetRenderTarget 2 FAILED!");
    if (FAILED(d->SetRenderTarget(3, m_pSpecularSurf)))
        g_Console.Print("SetRenderTarget 3 FAILED!");
}

void EPostProcess::UnbindGBufferTargets()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    for (DWORD i = 1; i <= 3; ++i)
        d->SetRenderTarget(i, nullptr);
}

void EPostProcess::BeginScene()
{
    // Still redirected from a BeginScene no EndScene followed: the reference
    // it took is kept, not taken again.
    if (SavedTarget && m_bRedirected)
        return;
    m_bRedirected = 0;
    IDirect3DDevice9* d = g_pD3DInterface;
    // Only a frame whose world render will end the redirection takes it, and
    // only with every target the chain reads: otherwise the frame goes to
    // the back buffer, as before level frame 151.
    if (!d || !Gate() || !WorldDrawsThisFrame() || !ChainComplete() || SavedTarget)
    {
        SetDeferredSwitch(FALSE);
        return;
    }
    d->GetRenderTarget(0, &SavedTarget);
    if (FAILED(d->SetRenderTarget(0, m_pMainSurf)))
        g_Console.Print("SetRenderTarget 0 FAILED!");
    BindGBufferTargets();
    m_bRedirected = 1;
    SetDeferredSwitch(TRUE);
    StageDone(Stage::SceneBegun);
}

void EPostProcess::EndScene()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d || !m_bRedirected)
        return;
    if (SavedTarget)
    {
        d->SetRenderTarget(0, SavedTarget);
        SavedTarget->Release();
        SavedTarget = nullptr;
    }
    UnbindGBufferTargets();
    // The late forward layers light themselves.
    SetDeferredSwitch(FALSE);
    StageDone(Stage::GBuffer);
}

// ---- The chain ------------------------------------------------------------------------------------

// Every pass of the effect's current technique over one strip of two triangles.
void EPostProcess::DrawStrip(IDirect3DVertexDeclaration9* declaration, const void* vertices, UINT stride)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    UINT passes = 0;
    if (FAILED(m_pEffect->Begin(&passes, 0)))
        return;
    for (UINT p = 0; p < passes; ++p)
    {
        m_pEffect->BeginPass(p);
        d->SetVertexDeclaration(declaration);
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, kQuadPrimitives, vertices, stride);
        m_pEffect->EndPass();
    }
    m_pEffect->End();
}

void EPostProcess::DrawQuad()
{
    DrawStrip(m_pVertDecl, m_aQuad, sizeof(PostVertex));
}

void EPostProcess::DrawAOQuad()
{
    DrawStrip(g_pDeclMesh, m_aAOQuad, sizeof(TK_VERTEX));
}

void EPostProcess::Render()
{
    // Whatever happens below, this frame's redirection is over.
    const bool redirected = m_bRedirected != 0;
    m_bRedirected = 0;
    if (!m_bEnabled || g_MainGame.m_iLevelFrame < FIRST_FRAME)
    {
        g_Engine.RenderEffects();
        return;
    }
    if (!m_pMainTex)
        CreateResources();
    IDirect3DDevice9* d = g_pD3DInterface;
    // A frame drawn straight to the back buffer (the chain's targets are
    // incomplete, or the frame began before they came) only adds its effects.
    if (!d || !m_pMotionBlurTex || g_Options.WireFrame || !redirected || !ChainComplete())
    {
        g_Engine.RenderEffects();
        return;
    }

    g_Camera.ComputeFrustumCorners();
    for (int i = 0; i < QUAD_VERTICES; ++i)
    {
        const float* c = g_Camera.m_vFrustumCorners[kQuadCorner[i]];
        m_aQuad[i].rx = c[0];
        m_aQuad[i].ry = c[1];
        m_aQuad[i].rz = c[2];
        m_aQuad[i].rw = c[3];
    }
    D3DXVECTOR4 corners[QUAD_VERTICES];
    for (int i = 0; i < QUAD_VERTICES; ++i)
        corners[i] = D3DXVECTOR4(g_Camera.m_vFrustumCorners[i][0], g_Camera.m_vFrustumCorners[i][1],
                                 g_Camera.m_vFrustumCorners[i][2], 0.0f);
    m_pEffect->SetVectorArray("g_vFrustumCorners", corners, QUAD_VERTICES);

    MarkCameraInsideLights();
    ComputeSunScreenPosition();

    d->GetRenderTarget(0, &SavedTarget);
    RenderAO();
    StageDone(Stage::AO);

    d->SetVertexDeclaration(m_pVertDecl);
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetFVF(0);

    // The deferred lights draw into the HDR target over the scene's depth.
    m_bLinearLights = 0;
    d->SetRenderTarget(0, m_pHDRSurf);
    RenderDeferredSun();
    StageDone(Stage::DeferredSun);
    RenderDeferredSkyLights();
    StageDone(Stage::DeferredSkyLights);
    const bool minus = RenderDeferredLights();
    if (minus)
        RenderDeferredMinusLights();
    if (m_bLinearLights)
        RenderDeferredLinearLights();
    StageDone(Stage::DeferredLights);
    // The light volumes switched the depth test and culling per light; the
    // late forward layers draw with the usual ones.
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    // The late forward layers start as after the scene passes: no shader,
    // and none of the chain's targets left on a stage.
    for (DWORD stage = 0; stage < kStages; ++stage)
        d->SetTexture(stage, nullptr);
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetVertexDeclaration(g_pDeclMesh);
    g_Engine.RenderEffects();
    StageDone(Stage::LateLayers);

    d->SetVertexDeclaration(m_pVertDecl);
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetFVF(0);

    RenderHDR();
    StageDone(Stage::HDR);
    SourceTexture = m_pMainTex;
    RenderSunFlare();
    StageDone(Stage::Flare);
    SourceTexture = m_pTargetTex;
    // Copies between targets of one size take every pixel as it is.
    d->StretchRect(m_pTargetSurf, nullptr, m_pBloomSurf2, nullptr, D3DTEXF_POINT);
    SourceTexture = m_pBloomTex2;
    RenderToScreen();
    StageDone(Stage::Composite);
}

void EPostProcess::RenderAO()
{
    if (!g_Options.AOEnable)
        return;
    IDirect3DDevice9* d = g_pD3DInterface;
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    IDirect3DSurface9* kept = nullptr;
    d->GetRenderTarget(0, &kept);
    if (FAILED(m_pEffect->SetTechnique("AO")))
        g_Console.Print("m_pEffect->SetTechnique(AO) FAILED!");
    m_pEffect->SetTexture("tAOPosition", m_pAOPositionTex);
    m_pEffect->SetTexture("tAONormal", m_pAONormalTex);
    if (m_pNoiseTexture && m_pNoiseTexture->m_pTexture)
        m_pEffect->SetTexture("tAONoise", m_pNoiseTexture->m_pTexture);
    if (FAILED(m_pEffect->SetVectorArray("fk3f", m_avAOKernel, AO_KERNEL_SIZE)))
        g_Console.Print("fk3f failed!");
    const float farZ = g_Camera.GetFarPlane();
    m_pEffect->SetMatrix("g_mView", &g_Camera.m_mView);
    m_pEffect->SetMatrix("g_mProj", &g_Camera.m_mProjection);
    m_pEffect->SetFloat("g_fFarZ", farZ);
    m_pEffect->SetFloat("g_fFarZ1", farZ > 0.0f ? 1.0f / farZ : 0.0f);
    m_pEffect->SetFloat("g_fDistanceScale", AOIntensity);
    m_pEffect->SetFloat("g_fSampleRadius", AODepth);
    m_pEffect->SetFloat("g_fDist", farZ > 0.0f ? AODepth / farZ : 0.0f);
    const D3DXVECTOR3& eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    m_pEffect->SetVector("g_CameraPosition", &eye4);
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &g_Camera.m_mView);
    m_pEffect->SetMatrix("g_mInverseTransposeView", &inverse);
    const D3DXVECTOR4 dims(1.0f / static_cast<float>(m_iWidth), 1.0f / static_cast<float>(m_iHeight), 0.0f,
                           0.0f);
    m_pEffect->SetVector("depthBufferDimensions", &dims);
    for (int i = 0; i < QUAD_VERTICES; ++i)
    {
        m_aAOQuad[i].nx = g_Camera.m_vFrustumCorners[i][0];
        m_aAOQuad[i].ny = g_Camera.m_vFrustumCorners[i][1];
        m_aAOQuad[i].nz = g_Camera.m_vFrustumCorners[i][2];
    }
    d->SetFVF(0);
    d->SetPixelShader(nullptr);
    d->SetVertexShader(nullptr);
    d->SetVertexDeclaration(g_pDeclMesh);
    d->SetRenderTarget(0, m_pAOSurf[0]);
    m_pEffect->SetTechnique("AO");
    DrawAOQuad();

    float bloomScale = 1.0f;
    m_pEffect->GetFloat("BloomScale", &bloomScale);
    m_pEffect->SetFloat("BloomScale", 1.0f);
    for (int round = 0; round < kAOBlurRounds; ++round)
    {
        d->SetRenderTarget(0, m_pAOSurf[1]);
        m_pEffect->SetTechnique("AOBloomHorizontal");
        m_pEffect->SetTexture("tSceneColor", m_pAOTex[0]);
        DrawAOQuad();
        d->SetRenderTarget(0, m_pAOSurf[0]);
        m_pEffect->SetTechnique("AOBloomVertical");
        m_pEffect->SetTexture("tSceneColor", m_pAOTex[1]);
        DrawAOQuad();
    }
    m_pEffect->SetFloat("BloomScale", bloomScale);
    if (kept)
    {
        d->SetRenderTarget(0, kept);
        kept->Release();
    }
}

void EPostProcess::RenderHDR()
{
    RenderHDRDownscale();
    HDRToMain();
    HDRMeasureLuminanceStep();
}

void EPostProcess::HDRToMain()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    d->SetRenderTarget(0, m_pMainSurf);
    m_pEffect->SetTechnique("HDRToMain");
    m_pEffect->SetTexture("tSceneColor", m_pHDRTex);
    m_pEffect->SetTexture("tHDRLuminance", m_pHDR04Tex);
    m_pEffect->SetTexture("tHDRLastFrameLuminance", LastLumTex);
    const float a = static_cast<float>(static_cast<double>(g_Engine.m_fDeltaTime) * kAdaptationRate);
    m_pEffect->SetFloat("g_fHDRAdaptation", a);
    float& l = m_fLuminance;
    const float t = m_fLuminanceGoal;
    if (t > l)
    {
        l += a;
        if (l > t)
            l = t;
    }
    if (l > t)
    {
        l -= a;
        if (l < t)
            l = t;
    }
    l = std::clamp(l, kLuminanceMin, kLuminanceMax);
    m_pEffect->SetFloat("g_fLuminance", l);
    m_pEffect->SetFloat("g_fTargetLuminance", HDRTargetLuminance);
    m_fLastIloraz = HDRTargetLuminance > 0.0f ? HDRTargetLuminance / l : 1.0f;
    m_pEffect->SetFloat("g_fIloraz", m_fLastIloraz);
    DrawQuad();
}

void EPostProcess::HDRMeasureLuminanceStep()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    d->SetRenderTarget(0, AdaptedLumSurf);
    m_pEffect->SetTechnique("HDRMeasureLuminance");
    m_pEffect->SetTexture("tHDRLuminance", m_pHDR04Tex);
    m_pEffect->SetTexture("tHDRLastFrameLuminance", LastLumTex);
    m_pEffect->SetFloat("g_fHDRAdaptation",
                        static_cast<float>(static_cast<double>(g_Engine.m_fDeltaTime) * kAdaptationRate));
    DrawQuad();
    d->SetRenderTarget(0, LastLumSurf);
    m_pEffect->SetTechnique("HDRScaleDown");
    m_pEffect->SetTexture("tSceneColor", AdaptedLumTex);
    DrawQuad();
}

void EPostProcess::RenderSunFlare()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    IDirect3DSurface9* source = nullptr;
    if (SourceTexture)
        SourceTexture->GetSurfaceLevel(0, &source);
    if (source)
    {
        d->StretchRect(source, nullptr, m_pSmallSurf, nullptr, D3DTEXF_LINEAR);
        source->Release();
    }
    DWORD sky = 0;
    Env.GetSkyLightColor(&sky);
    D3DXVECTOR3 sun(static_cast<float>((sky >> 16) & 0xFF) / kChannel,
                    static_cast<float>((sky >> 8) & 0xFF) / kChannel,
                    static_cast<float>(sky & 0xFF) / kChannel);
    D3DXVec3Normalize(&sun, &sun);
    // The flare is a disc round the sun's place on the screen: when no part
    // of it reaches the screen its passes draw black, and black is written
    // at once.
    if (!SunFlareReachesScreen(m_vSunPosition))
    {
        d->ColorFill(m_pSunFlareSurf, nullptr, kFlareNone);
        d->StretchRect(m_pMainSurf, nullptr, m_pTargetSurf, nullptr, D3DTEXF_POINT);
        return;
    }
    d->SetRenderTarget(0, m_pSunFlareSurf);
    m_pEffect->SetTechnique("SunFlare");
    m_pEffect->SetTexture("tSceneColor", SourceTexture);
    m_pEffect->SetTexture("tAOPosition", m_pAOPositionTex);
    m_pEffect->SetValue("g_KolorSlonca", &sun, sizeof sun);
    const D3DXVECTOR3& eye = g_Camera.GetPosition();
    m_pEffect->SetValue("g_CameraPosition", &eye, sizeof eye);
    m_pEffect->SetValue("g_PozycjaSlonca", &m_vSunPosition, sizeof m_vSunPosition);
    m_pEffect->CommitChanges();
    DrawQuad();
    d->SetRenderTarget(0, m_pBloomSurf3);
    m_pEffect->SetTechnique("BloomHorizontal");
    m_pEffect->SetTexture("tSceneColor", m_pSunFlareTex);
    DrawQuad();
    d->SetRenderTarget(0, m_pSunFlareSurf);
    m_pEffect->SetTechnique("BloomVertical");
    m_pEffect->SetTexture("tSceneColor", m_pBloomTex3);
    DrawQuad();
    d->StretchRect(m_pMainSurf, nullptr, m_pTargetSurf, nullptr, D3DTEXF_POINT);
}

void EPostProcess::RenderToScreen()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (SavedTarget)
    {
        d->SetRenderTarget(0, SavedTarget);
        SavedTarget->Release();
        SavedTarget = nullptr;
    }
    m_pEffect->SetTechnique("ToScreen");
    m_pEffect->SetTexture("tSceneColor", SourceTexture);
    m_pEffect->SetTexture("tHDRLuminance", m_pHDR01Tex);
    m_pEffect->SetTexture("tAOPosition", m_pAOPositionTex);
    m_pEffect->SetTexture("tAONormal", m_pAONormalTex);
    m_pEffect->SetTexture("tSunFlare", m_pSunFlareTex);
    SetFocusParams(m_pEffect);
    const D3DXVECTOR3& eye = g_Camera.GetPosition();
    m_pEffect->SetValue("g_CameraPosition", &eye, sizeof eye);
    m_pEffect->SetValue("g_PozycjaSlonca", &m_vSunPosition, sizeof m_vSunPosition);

    D3DXVECTOR3 dir(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&dir, &dir);
    DWORD sky = 0;
    Env.GetSkyLightColor(&sky);
    D3DXVECTOR4 colour = Unpacked(sky, 1.0f) * Env.SkyLightPower;
    const D3DXVECTOR4 dirs[2] = {D3DXVECTOR4(dir.x, dir.y, dir.z, 0.0f),
                                 D3DXVECTOR4(dir.x, dir.y, dir.z, 0.0f)};
    const D3DXVECTOR4 colours[2] = {colour, colour};
    m_pEffect->SetVectorArray("g_SkyLightDir", dirs, 2);
    m_pEffect->SetVectorArray("g_SkyLightDiffuse", colours, 2);

    if (m_bBW)
    {
        m_pEffect->SetTexture("tBW", m_pBWTex);
        m_pEffect->SetBool("g_bBW", TRUE);
    }
    else
        m_pEffect->SetBool("g_bBW", FALSE);

    float f = 1.0f;
    // The letterbox and menus show the picture in full colour; so does a
    // hero record without a maximum.
    if (!g_Panel.LetterboxOn() && !g_Menu.m_bMenuActive && PlayerStats.m_fMaxHealth > 0.0f)
        f = std::min(1.0f, PlayerStats.m_fHealth / PlayerStats.m_fMaxHealth * kHealthScale);
    if (!std::isfinite(f))
        f = 1.0f;
    m_pEffect->SetVector("g_vKolorSceny", &m_vSceneColor);
    m_pEffect->SetFloat("g_fDesaturacja", Desaturacja);
    if (m_bDark)
        f = kDarkBW;
    m_fLastBW = f;
    m_pEffect->SetFloat("g_fBW", f);
    m_fLastRed = m_fRed * kRedScale;
    m_pEffect->SetFloat("g_fRed", m_fLastRed);

    strtexture* blood = g_Renderer.FindTexture(kBloodOverlay);
    if (blood && blood->m_pTexture && m_fBlood > 0.0f)
    {
        m_pEffect->SetTexture("tEK", blood->m_pTexture);
        m_pEffect->SetFloat("fEK", m_fBlood);
    }
    else
        m_pEffect->SetFloat("fEK", 0.0f);
    m_fRed = std::max(0.0f, m_fRed - g_Engine.m_fDeltaTime);
    m_pEffect->CommitChanges();
    DrawQuad();
}
