#pragma once
// EPostProcess: the screen-space chain of the Realistic frame. The scene is
// drawn into a G-buffer (colour, depth, normal, specular); the chain lights
// it (sun and ambient, baked sky lights, point lights), lets the late forward
// layers draw on top, tone-maps it with eye adaptation, adds the sun's flare
// and composites the result onto the back buffer with the black-and-white,
// desaturation, red-flash and blood-overlay terms.
//
// PostProcess.cpp: the object, its targets and settings; PostProcessSave.cpp:
// the "PostProcess" save section; PostProcessFrame.cpp: the frame's chain;
// PostProcessLights.cpp: the deferred light passes and the HDR reduction.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/d3dx/Effect.h"
#include "platform/win32/WinTypes.h"
#include "shell/D3DMain.h"
#include "world/Object.h"
#include "world/ObjectHandle.h"

#include <cstdio>

struct strtexture;
struct strObject;

// The full-screen quad's vertex: pre-transformed position, the frustum
// corner ray of its corner, texture coordinate.
struct PostVertex
{
    float x, y, z, w;
    float rx, ry, rz, rw;
    float u, v;
};
static_assert(sizeof(PostVertex) == 40, "the full-screen vertex is 40 bytes");

class EPostProcess
{
public:
    static constexpr int MAX_EFFECT_OBJECTS = 8;
    static constexpr int OVERLAY_NAME_SIZE = 256;
    static constexpr int AO_KERNEL_SIZE = 32;
    static constexpr int FILTER_TAPS = 12;
    static constexpr int QUAD_VERTICES = 4;
    // The first level frame the chain draws.
    static constexpr DWORD FIRST_FRAME = 151;

    virtual ~EPostProcess() = default;

    // ---- Life cycle -------------------------------------------------------------------------
    // The one-time checks and the targets; false leaves the object disabled.
    bool Create();
    // (Re)builds every target and the effect bindings; releases what it held first.
    void CreateResources();
    // Every device object of the chain; the device's depth surface goes back first.
    void ReleaseDeviceObjects();
    void ReleaseVPL();
    // The engine's world rows: targets at every world start, released at the reset.
    void InitWorld();
    void ReleaseWorld();
    // The focus manager's device rows.
    void OnDeviceLost();
    void Recreate();

    // ---- Settings and the game's calls ----------------------------------------------------------
    void SetAODepth(float depth);
    // Kept as the value times 1000.
    void SetAOIntensity(float intensity);
    // false (and a console line) for a name that does not fit.
    bool SetOverlayName(const char* name);
    void EnableObjectEffect(BYTE mode);
    void DisableObjectEffect(BYTE force);
    void AddEffectObject(HOBJECT object);
    void ClearEffectObjects();
    // The hero's health code: a hit of `damage` points and the health left.
    void OnHeroHealth(float damage, float health, float maxHealth);
    void UpdateActive();
    void UpdateFocus();
    void SetFocusParams(ID3DXEffect* effect);
    void DrawAOSurface();

    // ---- Save games ---------------------------------------------------------------------------
    bool SaveState(FILE* file);
    bool LoadState(FILE* file);

    // ---- The frame --------------------------------------------------------------------------------
    // The common gate: enabled, level frame 151 or more, no wire-frame.
    bool Gate() const;
    // The targets Render needs all exist (the main set and the HDR group).
    bool ChainComplete() const;
    void BeginScene();
    void EndScene();
    void Render();
    // Whether this frame's scene is being drawn into the G-buffer.
    bool Redirected() const { return m_bRedirected != 0; }

    // The stages of a redirected frame, in their order, for the benchmarks'
    // per-stage figures: `m_pStageDone` (null in the game) is called as the
    // frame enters the G-buffer and after each stage. The deferred lighting
    // is three: the sun and ambient pass, the baked sky lights, then the
    // point, darkening and linear lights.
    enum class Stage
    {
        SceneBegun,
        GBuffer,
        AO,
        DeferredSun,
        DeferredSkyLights,
        DeferredLights,
        LateLayers,
        HDR,
        Flare,
        Composite,
        Count
    };
    void (*m_pStageDone)(Stage) = nullptr;

    // ---- Passes (PostProcessLights.cpp) ---------------------------------------------------------------
    void SetupTexelOffsets(ID3DXEffect* effect);
    void ComputeSunScreenPosition();
    void MarkCameraInsideLights();
    void RenderDeferredSun();
    void RenderDeferredSkyLights();
    // true when darkening lights were met.
    bool RenderDeferredLights();
    void RenderDeferredLinearLights();
    void RenderDeferredMinusLights();
    void RenderHDRDownscale();

    // ---- State ----------------------------------------------------------------------------------------
    ID3DXEffect* m_pEffect = nullptr;
    D3DXHANDLE m_hBloomCone = nullptr, m_hBloomPower = nullptr, m_hDownFilter = nullptr,
               m_hSunFlare = nullptr, m_htSceneColor = nullptr, m_htBW = nullptr, m_hBrightPass = nullptr,
               m_hBloomHorizontal = nullptr, m_hBloomVertical = nullptr, m_hCombine = nullptr,
               m_htBloomBlur = nullptr, m_hMotionBlur = nullptr, m_hMotionBlurCoef = nullptr,
               m_hToScreen = nullptr, m_hFilterDoF = nullptr, m_htBlurDepth = nullptr, m_hMaxCoC = nullptr,
               m_hFocalRange = nullptr, m_hFocalDist = nullptr, m_hViewportScale = nullptr,
               m_hViewportBias = nullptr, m_hFilterTaps = nullptr, m_htDistortionNormal = nullptr;

    // Targets (texture and its level-0 surface).
    IDirect3DTexture9* m_pHDRTex = nullptr;
    IDirect3DSurface9* m_pHDRSurf = nullptr;
    IDirect3DTexture9* m_pHDR64Tex = nullptr;
    IDirect3DSurface9* m_pHDR64Surf = nullptr;
    IDirect3DTexture9* m_pHDR16Tex = nullptr;
    IDirect3DSurface9* m_pHDR16Surf = nullptr;
    IDirect3DTexture9* m_pHDR04Tex = nullptr;
    IDirect3DSurface9* m_pHDR04Surf = nullptr;
    IDirect3DTexture9* LastLumTex = nullptr;
    IDirect3DSurface9* LastLumSurf = nullptr;
    IDirect3DTexture9* AdaptedLumTex = nullptr;
    IDirect3DSurface9* AdaptedLumSurf = nullptr;
    IDirect3DTexture9* m_pHDR01Tex = nullptr;
    IDirect3DSurface9* m_pHDR01Surf = nullptr;
    IDirect3DTexture9* m_pMainTex = nullptr;
    IDirect3DSurface9* m_pMainSurf = nullptr;
    IDirect3DTexture9* m_pSmallTex = nullptr;
    IDirect3DSurface9* m_pSmallSurf = nullptr;
    IDirect3DTexture9* m_pSunFlareTex = nullptr;
    IDirect3DSurface9* m_pSunFlareSurf = nullptr;
    IDirect3DTexture9* m_pBWTex = nullptr;
    IDirect3DSurface9* m_pBWSurf = nullptr;
    IDirect3DSurface9* m_pBWDepth = nullptr;
    IDirect3DTexture9* m_pAOPositionTex = nullptr;
    IDirect3DSurface9* m_pAOPositionSurf = nullptr;
    IDirect3DTexture9* m_pAONormalTex = nullptr;
    IDirect3DSurface9* m_pAONormalSurf = nullptr;
    IDirect3DTexture9* m_pSpecularTex = nullptr;
    IDirect3DSurface9* m_pSpecularSurf = nullptr;
    IDirect3DTexture9* m_pAOTex[2] = {};
    IDirect3DSurface9* m_pAOSurf[2] = {};
    IDirect3DTexture9* m_pTargetTex = nullptr;
    IDirect3DSurface9* m_pTargetSurf = nullptr;
    IDirect3DTexture9* m_pBloomTex[2] = {};
    IDirect3DSurface9* m_pBloomSurf[2] = {};
    IDirect3DTexture9* m_pBloomTex2 = nullptr;
    IDirect3DSurface9* m_pBloomSurf2 = nullptr;
    IDirect3DTexture9* m_pBloomTex3 = nullptr;
    IDirect3DSurface9* m_pBloomSurf3 = nullptr;
    IDirect3DTexture9* m_pMotionBlurTex = nullptr;
    IDirect3DSurface9* m_pMotionBlurSurf = nullptr;
    IDirect3DTexture9* m_pDoFBlurTex = nullptr;
    IDirect3DSurface9* m_pDoFBlurSurf = nullptr;
    // Render target 0 taken while the chain draws elsewhere; one reference at most.
    IDirect3DSurface9* SavedTarget = nullptr;
    IDirect3DTexture9* SourceTexture = nullptr;

    TK_VERTEX m_aAOQuad[QUAD_VERTICES] = {};
    IDirect3DTexture9* m_pWhiteTexture = nullptr;
    D3DXVECTOR3 m_vSunPosition = {0.0f, 0.0f, 0.0f}; // "g_PozycjaSlonca": sun on the screen
    BYTE m_bBW = 0;
    BYTE m_bBWForced = 0;
    HOBJECT m_aEffectObjects[MAX_EFFECT_OBJECTS] = {};
    DWORD m_iEffectObjects = 0;
    DWORD m_iWidth = 0;
    DWORD m_iHeight = 0;
    float BloomCone = 5.0f;
    float BloomPower = 0.3f;
    PostVertex m_aQuad[QUAD_VERTICES] = {};
    D3DXVECTOR4 m_avAOKernel[AO_KERNEL_SIZE] = {};
    IDirect3DVertexDeclaration9* m_pVertDecl = nullptr;
    float m_fFocusA = 0.0f;
    float m_fFocalDist = 2000.0f;
    float m_fFocusB = 0.0f;
    float m_fFocalRange = 2000.0f;
    float m_fLuminanceGoal = 0.0f;
    float m_fLuminance = 0.26f;
    D3DXVECTOR4 m_vSceneColor = {1.0f, 1.0f, 1.0f, 0.0f};
    strtexture* m_pNoiseTexture = nullptr;
    float AOIntensity = 150.0f;
    float AODepth = 32.0f;
    BYTE m_bLinearLights = 0;
    char m_szOverlay[OVERLAY_NAME_SIZE] = {};
    BYTE m_bEnabled = 0;
    BYTE m_bWanted = 1;
    BYTE m_bScripted = 0;
    float m_fRed = 0.0f;
    float m_fHurt = 0.0f;
    BYTE m_bDark = 0;
    float m_fBlood = 0.0f;
    BYTE AORenderScene = 1;
    float HDRTargetLuminance = 0.38f;
    float HDRSpeed = 1.0f;
    float Desaturacja = 0.2f;
    BYTE HDRMeasureLuminance = 1;
    float SNumSamples = 20.0f;
    float SDensity = 2.6f;
    float SWeight = 0.85f;
    float SDecay = 0.94f;
    float SExposure = 0.28f;
    float FogDistCoef = 1.0f;
    BYTE NormalOnly = 0;
    // Written by object actions; no pass draws them.
    BYTE m_bMotionBlur = 0;
    BYTE m_bMonochrome = 0;
    float m_fMotionBlurAmount = 0.0f;

    // Our own bookkeeping.
    BYTE m_bCreated = 0;     // the one-time part of Create ran and passed
    BYTE m_bRedirected = 0;  // BeginScene bound the G-buffer this frame
    BYTE m_bKeepKernel = 0;  // CreateResources keeps the AO kernel (device reset)
    BYTE m_bHasVPL = 0;      // the present flag ReleaseVPL clears
    DWORD m_iCreations = 0;  // how often CreateResources built the targets
    float m_fLastRed = 0.0f; // "g_fRed" of the last composite
    float m_fLastBW = 1.0f;  // "g_fBW" of the last composite
    float m_fLastIloraz = 1.0f;
    // Per light slot: the camera stands inside the light's volume.
    BYTE m_bCameraInside[MAX_LIGHT_OBJECTS] = {};

private:
    void StageDone(Stage stage)
    {
        if (m_pStageDone)
            m_pStageDone(stage);
    }
    void DrawQuad();
    void DrawAOQuad();
    void DrawStrip(IDirect3DVertexDeclaration9* declaration, const void* vertices, UINT stride);
    void RenderAO();
    void RenderHDR();
    void HDRToMain();
    void HDRMeasureLuminanceStep();
    void RenderSunFlare();
    void RenderToScreen();
    void BindGBufferTargets();
    void UnbindGBufferTargets();
    void SetFilterTaps();
    void SetViewportParams();
    void SetDeferredSwitch(BOOL on);
};

extern EPostProcess PostProcess;
