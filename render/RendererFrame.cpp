// The scene frame driver of ERenderer: the clocks and frame texture lists of
// the engine update, the off-screen maps before the frame begins, the opaque
// scene passes of the Realistic and Fast paths, and the late forward passes.

#include "render/Renderer.h"

#include "environment/PlantMgr.h"
#include "environment/SlupMgr.h"
#include "game/SaveMgr.h"
#include "mesh/Mesh.h"
#include "player/PlayerWeapons.h"
#include "render/EffectMgr.h"
#include "render/PostProcess.h"
#include "render/RenderStates.h"
#include "render/ShadowCubeMaps.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/ObjectMgr.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace
{
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float kCzasRate = 0.01f;
constexpr float kPulseRate = 1.6f;
constexpr float kPulseScale = 0.7f;
constexpr int kPulsePower = 4;
// A wrapped sway phase takes a new speed in [kSwayBase, kSwayBase + kSwaySpread).
constexpr float kSwayBase = 0.7f;
constexpr float kSwaySpread = 1.5f;
// World start: speeds in [kSwayStartBase, kSwayStartBase + kSwayStartSpread).
constexpr float kSwayStartBase = 1.0f;
constexpr float kSwayStartSpread = 1.0f;
// The sway phases advance in this order.
constexpr DWORD kSwayOrder[ERenderer::SWAY_PHASES] = {0, 2, 1, 3};
// Nothing of the scene runs in a level's first frames (and after a save game
// loads); the skinned pass after a load waits one frame more.
constexpr DWORD kFirstSceneFrame = 5;
// Point-light shadows run up to this shadow quality.
constexpr DWORD kProjectorQualityMax = 2;
constexpr DWORD kAllStages = 16;
constexpr DWORD kFirstStages = 2;
// Cascades of the Realistic path, in the order they are drawn; Fast draws the wide one only.
constexpr DWORD kRealisticCascades[] = {1, 0, 2};
constexpr DWORD kFastCascade = 1;
constexpr const char* kWhiteTexture = "bialy.tga";
constexpr const char* kAmbientTexture = "sys_ambient.tga";

float RandomFloat(float max)
{
    if (!(max == max) || max == 0.0f)
        return 0.0f;
    return static_cast<float>(std::rand() & 0x7fff) / 32768.0f * max;
}

bool Fast()
{
    return g_Options.PostProcessOff != 0;
}

bool SceneFramesReached()
{
    return g_SaveMgr.m_iFramesSinceLevelStart >= kFirstSceneFrame;
}

// The material key that groups skinned-mesh textures.
bool SameSkinMaterial(const strtexture* a, const strtexture* b)
{
    return a->m_bSpecular == b->m_bSpecular &&
           a->m_bFullyBrightInNormalMask == b->m_bFullyBrightInNormalMask && a->m_bWater == b->m_bWater &&
           a->m_bAnimated == b->m_bAnimated && !a->m_pDetail == !b->m_pDetail &&
           !a->m_pEnvironment == !b->m_pEnvironment && !a->m_pAddWater == !b->m_pAddWater &&
           a->m_bTransparent == b->m_bTransparent && a->m_bTranslucent == b->m_bTranslucent;
}

template <class Entry> bool AnyEntryVisible(const Entry* entry)
{
    for (; entry; entry = entry->m_pNext)
        if (entry->m_hObject && g_Renderer.ObjectFrame(entry->m_hObject).m_bVisible)
            return true;
    return false;
}

void BaseStates()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    g_RenderStates.SetSamplerDefaults(kAllStages);
    g_RenderStates.SetCullCCW();
    if (!d)
        return;
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
}

void DepthOn()
{
    if (!g_pD3DInterface)
        return;
    g_pD3DInterface->SetRenderState(D3DRS_ZENABLE, TRUE);
    g_pD3DInterface->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}
} // namespace

strobjectframe& ERenderer::ObjectFrame(HOBJECT object)
{
    static strobjectframe none = {};
    const std::ptrdiff_t slot = object - g_Engine.m_Objects;
    if (!object || slot < 0 || slot >= MAX_OBJECTS)
    {
        none = {};
        return none;
    }
    return m_ObjectFrame[slot];
}

void ERenderer::ResetViewCache()
{
    m_bFrameHasSkyLitMeshes = m_bFrameHasTransparent = m_bFrameHasSkyLitSkinMeshes = m_bFrameHasTranslucent =
        m_bFrameHasTranslucentSkin = m_bFrameHasWater = m_bFrameHasLava = m_bFrameHasAdditive =
            m_bFrameHasAdditiveSkin = m_bFrameHasWaterMesh = m_bFrameHasRayOfLight = m_bFrameHasMultitexture =
                m_bDetailedShadowMeshes = m_bDetailedShadowSkinMeshes = m_bFrameHasTerrain = 0;
}

void ERenderer::PrintOncePerWorld(const char* line)
{
    for (DWORD i = 0; i < m_iOnceLines; ++i)
        if (std::strncmp(m_szOnceLines[i], line, ONCE_LINE_SIZE - 1) == 0)
            return;
    if (m_iOnceLines < ONCE_LINES)
    {
        std::snprintf(m_szOnceLines[m_iOnceLines++], ONCE_LINE_SIZE, "%s", line);
        g_Console.Print(line);
        return;
    }
    // A line that cannot be remembered would print in every frame: the table
    // says once that it is full, and further new lines wait for the next world.
    if (!m_bOnceLinesFull)
    {
        m_bOnceLinesFull = 1;
        g_Console.Print("Too many renderer messages: further ones are not shown in this world");
    }
}

// ---- Engine update ---------------------------------------------------------------------

void ERenderer::UpdateTime()
{
    const float dt = g_Engine.m_fDeltaTime;
    m_fFrameTime = dt;
    double czas = static_cast<double>(m_fCzas01) + static_cast<double>(dt) * static_cast<double>(kCzasRate);
    if (czas >= 1.0)
        czas -= 1.0;
    m_fCzas01 = static_cast<float>(czas);
    double phase =
        static_cast<double>(m_fPulsePhase) + static_cast<double>(dt) * static_cast<double>(kPulseRate);
    if (phase > static_cast<double>(kTwoPi))
        phase -= static_cast<double>(kTwoPi);
    m_fPulsePhase = static_cast<float>(phase);
    m_fPulse =
        static_cast<float>(static_cast<double>(kPulseScale) *
                           std::pow(std::fabs(std::sin(static_cast<double>(m_fPulsePhase))), kPulsePower));
    PostProcess.UpdateFocus();
    g_Options.DrawProjectors =
        (g_Options.VideoLevel2 <= kProjectorQualityMax && g_Options.VideoOptionA) ? 1 : 0;
    UpdateFlashLights();
    g_SkyShadow.Update();
    CollectFrameTextures();
    if (g_Options.RaportUndefinedTextures)
        ReportUndefinedTextures();
    if (g_Options.RaportDoubleTextures)
        ReportDoubleTextures();
}

void ERenderer::InsertFrameTexture(strtexture** list, DWORD* count, strtexture* t, bool skinned)
{
    if (*count >= MAX_TEXTURES - 1)
        return;
    DWORD at = *count;
    for (DWORD i = 0; i < *count; ++i)
    {
        const bool same =
            skinned ? SameSkinMaterial(list[i], t) : (!list[i]->m_pEnvironment == !t->m_pEnvironment);
        if (same)
        {
            at = i;
            break;
        }
    }
    for (DWORD i = *count; i > at; --i)
        list[i] = list[i - 1];
    list[at] = t;
    ++*count;
}

void ERenderer::CollectFrameTextures()
{
    m_bFrameHasWater = m_bFrameHasLava = m_bFrameHasAdditive = m_bFrameHasAdditiveSkin =
        m_bFrameHasWaterMesh = 0;
    DWORD meshCount = 0, skinCount = 0;
    for (strtexture* t = m_pTextures; t; t = t->m_pNext)
    {
        t->m_bListed = 0;
        if (t->m_bDoNotRender)
            continue;
        if (AnyEntryVisible(t->m_pMeshList))
        {
            InsertFrameTexture(m_pMeshTextures, &meshCount, t, false);
            t->m_bListed = 1;
        }
        if (AnyEntryVisible(t->m_pSkinMeshList))
            InsertFrameTexture(m_pSkinTextures, &skinCount, t, true);
    }
    m_pMeshTextures[meshCount] = nullptr;
    m_pSkinTextures[skinCount] = nullptr;
    MoveTranslucentLast(m_pMeshTextures);
    MoveTranslucentLast(m_pSkinTextures);
    BuildCombinedTextureList();
}

// ---- Before the frame --------------------------------------------------------------------

void ERenderer::PreRenderScene()
{
    if (!SceneFramesReached())
        return;
    if (g_pD3DInterface)
        g_pD3DInterface->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    ForgetChangedStaticCasters();
    if (Fast())
        RenderSkyDepth(kFastCascade);
    else
    {
        for (DWORD cascade : kRealisticCascades)
            RenderSkyDepth(cascade);
        // Lights are chosen in every Realistic frame; their cubes are drawn
        // while point-light shadows are on.
        g_ShadowCubeMaps.UpdateShadowMaps();
        if (m_bFrameHasWaterMesh && g_Options.DrawWater && g_Options.VideoOptionD)
            RenderWaterMaps();
    }
    BuildRenderLists();
    if (!Fast() && g_Options.RecalculateCamera)
        g_SkyLights.Update();
    // The placed objects' impostor atlas, once after each load.
    g_ObjectMgr.Render();
}

// ---- The frame ----------------------------------------------------------------------------

void ERenderer::RenderScene()
{
    m_bFrameHasGrass = m_bFrameHasTrees = 0;
    m_iRenderedOpaqueSubsets = m_iRenderedTransparentSubsets = m_iRenderedInstancedSubsets =
        m_iRenderedNoninstancedSubsets = 0;
    if (!SceneFramesReached())
        return;
    for (DWORD k : kSwayOrder)
    {
        // Calm: the phases rest at 0, where the grass stands straight.
        if (Env.m_bWindCalm)
        {
            m_fSwayPhase[k] = 0.0f;
            continue;
        }
        m_fSwayPhase[k] += m_fSwaySpeed[k] * m_fFrameTime;
        if (m_fSwayPhase[k] > kTwoPi)
        {
            m_fSwayPhase[k] -= kTwoPi;
            m_fSwaySpeed[k] = kSwayBase + RandomFloat(kSwaySpread);
        }
    }
    UpdateLightingConstants();
    if (Fast())
        RenderSceneFast();
    else
        RenderSceneRealistic();
    g_Console.SetVariable("NumRenderedOpaqueSubsets", static_cast<float>(m_iRenderedOpaqueSubsets), 0);
    g_Console.SetVariable("NumRenderedTransparentSubsets", static_cast<float>(m_iRenderedTransparentSubsets),
                          0);
}

namespace
{
// The opening both paths share; `realistic` adds the depth-bias reset and the
// polygon counters.
void OpenScenePath(bool realistic)
{
    BaseStates();
    g_Renderer.m_fFrameTime = g_Engine.m_fDeltaTime;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d)
    {
        d->SetVertexShader(nullptr);
        d->SetFVF(0);
        d->SetVertexDeclaration(g_pDeclMesh);
        if (realistic)
            d->SetRenderState(D3DRS_DEPTHBIAS, 0);
    }
    if (realistic && g_Options.PrintPolygonCount)
    {
        // The statistics are the frame's own: the passes add to them from 0.
        g_Debug.ResetRenderStats();
        for (strobjectframe& f : g_Renderer.m_ObjectFrame)
            f.m_bCounted = 0;
    }
    g_RenderStates.SetSamplerDefaults(kFirstStages);
    DepthOn();
}

// The end both paths share: the sky, the statistics and the debug overlays.
void CloseScenePath()
{
    Env.Render();
    g_Console.SetVariable("NumRenderedInstancedSubsets",
                          static_cast<float>(g_Renderer.m_iRenderedInstancedSubsets), 0);
    g_Console.SetVariable("NumRenderedNoninstancedSubsets",
                          static_cast<float>(g_Renderer.m_iRenderedNoninstancedSubsets), 0);
    if (g_Options.PrintPolygonCount)
        for (strobjectframe& f : g_Renderer.m_ObjectFrame)
            f.m_bCounted = 0;
    Bronie.RenderLaser();
    // The picked object's report ("DebugLights") is drawn once a frame with
    // the game's 2D overlay, the path debug lines with the characters' debug
    // pass; neither is drawn again here.
}
} // namespace

// The order of each path is the table of its steps.
void ERenderer::RenderSceneRealistic()
{
    OpenScenePath(true);
    if (m_bFrameHasSkyLitMeshes && g_Options.DrawSkylightLitObjects)
    {
        DepthOn();
        RenderSceneSkyLight();
        if (m_bFrameHasMultitexture && g_Options.DrawMultitextures)
            RenderSceneSkyLightMultitexture();
        if (m_bFrameHasTerrain && g_Options.DrawTerrain)
            RenderTerrainSkyLight();
        if (g_Options.DrawTransparent)
            RenderSceneTransparentSkyLight();
        if (m_bFrameHasGrass)
            RenderGrassSkyLight();
        DepthOn();
        if (m_bFrameHasTrees)
            RenderTreesSkyLight();
        g_PlantMgr.RenderGrass();
        g_ObjectMgr.RenderGrassPass();
        g_SlupMgr.RenderCableSkyLight();
    }
    g_RenderStates.SetSamplerDefaults(kAllStages);
    if (m_bFrameHasSkyLitSkinMeshes && g_Options.DrawSkylightLitObjects)
    {
        g_RenderStates.AlphaBlendOff(nullptr);
        if (!(g_SaveMgr.m_bLoadedFromSave && g_SaveMgr.m_iFramesSinceLevelStart <= kFirstSceneFrame))
            RenderSkinMeshesSkyLight();
    }
    if (m_bFrameHasWater && g_Options.DrawWater)
        RenderSceneAmbientWaterReflection();
    if (m_bFrameHasLava)
        RenderSceneAmbientLava();
    CloseScenePath();
}

void ERenderer::RenderSceneFast()
{
    OpenScenePath(false);
    if (m_bFrameHasSkyLitMeshes && g_Options.DrawSkylightLitObjects)
    {
        DepthOn();
        RenderSceneSkyLightF();
        if (m_bFrameHasTerrain && g_Options.DrawTerrain)
            RenderTerrainSkyLightF();
        if (g_Options.DrawTransparent)
            RenderSceneTransparentSkyLightF();
        if (m_bFrameHasGrass)
            RenderGrassSkyLightF();
        DepthOn();
        if (m_bFrameHasTrees)
            RenderTreesSkyLightF();
        g_PlantMgr.RenderTGrass();
        g_ObjectMgr.RenderTGrassPass();
        g_SlupMgr.RenderCableSkyLightF();
    }
    g_RenderStates.SetSamplerDefaults(kAllStages);
    if (m_bFrameHasSkyLitSkinMeshes && g_Options.DrawSkylightLitObjects)
    {
        g_RenderStates.AlphaBlendOff(nullptr);
        if (!(g_SaveMgr.m_bLoadedFromSave && g_SaveMgr.m_iFramesSinceLevelStart <= kFirstSceneFrame))
            RenderSkinMeshesSkyLightF();
    }
    if (m_bFrameHasWater && g_Options.DrawWater)
        RenderSceneAmbientWater();
    CloseScenePath();
}

void ERenderer::RenderLateForwardPasses()
{
    g_RenderStates.SetSamplerDefaults(kAllStages);
    g_RenderStates.SetCullCCW();
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d)
    {
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetVertexShader(nullptr);
        d->SetFVF(0);
        d->SetVertexDeclaration(g_pDeclMesh);
    }
    if (m_bFrameHasAdditive)
    {
        g_RenderStates.SetSamplerDefaults(kFirstStages);
        RenderSceneAdditive();
    }
    if (m_bFrameHasAdditiveSkin)
        SetSkinVertexDeclaration();
    if (m_bFrameHasTranslucent)
        RenderTranslucentSkyLight();
    if (m_bFrameHasTranslucentSkin)
        RenderSkinMeshesSkyLightTransl();
    if (m_bFrameHasRayOfLight)
        RenderSceneRayOfLight();
    if (d)
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

// ---- World start ---------------------------------------------------------------------------

void ERenderer::InitAmbient()
{
    g_SkyShadow.ResetLightCache();
    m_fCzas01 = 0.0f;
    m_fPulsePhase = 0.0f;
    std::memset(m_pMeshTextures, 0, sizeof m_pMeshTextures);
    std::memset(m_pSkinTextures, 0, sizeof m_pSkinTextures);
    std::memset(m_pFrameTextures, 0, sizeof m_pFrameTextures);
    std::memset(m_ObjectFrame, 0, sizeof m_ObjectFrame);
    m_iOnceLines = 0;
    m_bOnceLinesFull = 0;
    // Only files the data tree has: loading a missing texture ends the game.
    strtexture* white = FindTexturePath(kWhiteTexture) ? LoadTexture(kWhiteTexture, 0, 0, 0, 0) : nullptr;
    if (white)
        m_pWhiteTexture = white->m_pTexture;
    else
        g_Console.Print2("No white texture ", kWhiteTexture);
    strtexture* ambient =
        FindTexturePath(kAmbientTexture) ? LoadTexture(kAmbientTexture, 0, 0, 1, 0) : nullptr;
    if (!ambient)
        g_Console.Print("Nie ma m_hAmbient");
    else
    {
        m_hAmbient = ambient->m_pCubeTexture;
        if (!m_hAmbient)
            g_Console.Print("Nie ma m_hAmbient->hTexture");
    }
    for (DWORD k = 0; k < SWAY_PHASES; ++k)
    {
        m_fSwayPhase[k] = 0.0f;
        m_fSwaySpeed[k] = kSwayStartBase + RandomFloat(kSwayStartSpread);
    }
}
