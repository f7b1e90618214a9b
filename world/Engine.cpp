// EEngine: the frame, world start and reset, keys, preloads and screenshots.
#include "world/Engine.h"

#include "characters/PostacMgr.h"
#include "environment/Dust.h"
#include "environment/FxMgr.h"
#include "environment/Opady.h"
#include "game/BezierCamera.h"
#include "game/CutScene.h"
#include "game/DialogueMgr.h"
#include "game/MainGame.h"
#include "game/QuestSystem.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshMgr.h"
#include "physics/HeliMgr.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/SurfaceSave.h"
#include "platform/win32/Path.h"
#include "player/LaserMgr.h"
#include "render/EffectMgr.h"
#include "render/Font.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/ShadowCubeMaps.h"
#include "render/SpriteMgr.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/Profiler.h"
#include "shell/TTFontMgr.h"
#include "shell/Timer.h"
#include "sound/SoundMgr.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "world/Camera.h"
#include "world/EngineObject.h"
#include "world/EngineSteps.h"
#include "world/ObjectMgr.h"
#include "world/WorldMgr.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

EEngine g_Engine;

namespace
{
constexpr float CAMERA_FAR_PLANE = 10240.0f;

// The frame clock: no frame runs sooner than this after the last one, no step
// is longer than the cap, a cut-scene skip runs this many times as fast, and
// the frames-per-second figure is taken over at least this long.
constexpr double kShortestFrameSeconds = 0.001;
constexpr double kLongestStepSeconds = 0.5;
constexpr float kSkipSpeedUp = 100.0f;
constexpr float kFpsPeriodSeconds = 0.05f;
} // namespace

// ---- Frame --------------------------------------------------------------------------------

void EEngine::Init(HWND hwnd)
{
    m_iFpsFrames = 0;
    m_bInitialised = 1;
    g_Profiler.InitSections();
    g_Camera.SetFarPlane(CAMERA_FAR_PLANE);
    m_hWnd = hwnd;
    Timer(TIMER_RESET);
    Timer(TIMER_START);
    Tick();
    m_fDeltaTime = 0.0f;
    RunEnginePhase(kEngineInitPhase);
}

bool EEngine::Tick()
{
    const double now = Timer(TIMER_GETABSOLUTETIME);
    const double step = now - m_fLastTime;
    if (step < kShortestFrameSeconds)
        return false;
    m_fDeltaTime = static_cast<float>(step > kLongestStepSeconds ? kLongestStepSeconds : step);
    if (m_bSkipCutscene)
        m_fDeltaTime *= kSkipSpeedUp;
    m_fLastTime = now;
    m_fFpsTime += m_fDeltaTime;
    ++m_iFpsFrames;
    // Scaled after it was counted: the frame rate sees skipped time but not
    // the global speed (pinned by EngineTick.TheFrameRateCountsSkippedTimeButNotTheGlobalSpeed).
    m_fDeltaTime *= g_Options.GlobalTimeSpeed;
    if (m_fFpsTime > kFpsPeriodSeconds)
    {
        m_fFps = static_cast<float>(m_iFpsFrames) / m_fFpsTime;
        m_fFpsTime = 0.0f;
        m_iFpsFrames = 0;
    }
    if (m_bGameClock)
        m_fGameClock += m_fDeltaTime;
    return true;
}

bool EEngine::Update()
{
    if (!g_FocusMgr.m_bOnFocus || !m_bInitialised)
        return false;
    RunEnginePhase(kEngineUpdatePhase);
    return true;
}

void EEngine::PreRender()
{
    m_bCameraHeld = 0;
    g_HeliMgr.UpdateAttachments();
    g_EngineObject.UpdateTies();
    for (int i = FIRST_SKINMESH_SLOT; i < FIRST_SKINMESH_SLOT + MAX_SKINMESH_OBJECTS; ++i)
    {
        const strObject& o = m_Objects[i];
        if (o.bUsed && o.Object)
            static_cast<ESkinMesh*>(o.Object)->ComputeBoneMatrices();
    }
    if (g_Camera.m_bMoveTo || g_Camera.m_bSocketLook || g_BezierCamera.m_bRunning)
        m_bCameraHeld = 1;
    g_Camera.StepMoveToObject();
    if (m_pLookFrom)
        g_Camera.SetPosition(&m_pLookFrom->vPosition);
    else
        g_Camera.FollowSocket();
    g_QuestSystem.ApplyFov();
    g_Camera.UpdateView();
    if (g_Options.sound)
        g_Camera.UpdateListener();
    g_DialogueMgr.UpdateSoundsAndListeners();
}

void EEngine::Render()
{
    if (!m_bInitialised || g_LoadingScreen.m_bActive)
        return;
    IDirect3DDevice9* device = g_pD3DInterface;
    g_Profiler.BeginSection(PS_ENGINE_RENDER);
    if (device)
    {
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_FILLMODE, g_Options.WireFrame ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
        device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
        device->SetRenderState(D3DRS_CLIPPING, TRUE);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
        device->SetRenderState(D3DRS_DEPTHBIAS, 0);
    }
    g_Profiler.BeginSection(PS_RENDERER_RENDER);
    g_Renderer.RenderScene();
    g_Profiler.EndSection(PS_RENDERER_RENDER);
    if (device)
    {
        device->SetRenderState(D3DRS_DEPTHBIAS, 0);
        device->SetVertexShader(nullptr);
        device->SetPixelShader(nullptr);
        device->SetVertexDeclaration(nullptr);
    }
    if (!g_Options.PostProcessOff)
    {
        g_Profiler.BeginSection(PS_POSTPROCESS_RENDER);
        PostProcess.EndScene();
        PostProcess.Render();
        g_Profiler.EndSection(PS_POSTPROCESS_RENDER);
    }
    else
        RenderEffects();
    g_Profiler.EndSection(PS_ENGINE_RENDER);
}

void EEngine::RenderEffects()
{
    g_Renderer.BeginFrameStates();
    g_FxMgr.Render();
    g_Dust.Render();
    g_SpriteMgr.DrawSprites();
    g_LaserMgr.Render();
    g_Opady.Render();
    PMgr.DebugDraw();
}

// ---- World start and reset -------------------------------------------------------------

void EEngine::RequestWorldChange(const char* name)
{
    if (!name)
        return;
    if (std::strlen(name) >= sizeof m_szNextWorld)
    {
        g_Console.Print("!!! 1");
        return;
    }
    std::snprintf(m_szNextWorld, sizeof m_szNextWorld, "%s", name);
    m_bWorldChange = 1;
    g_MainGame.m_bWorldActive = 0;
}

bool EEngine::StartWorld(const char* name)
{
    if (g_Options.Debug)
        g_Console.Print2("StartWorld ", name ? name : "");
    // A name that does not fit the world buffers is refused before anything
    // changes: a cut name would start another world.
    if (name && name[0] != '*' && std::strlen(name) >= sizeof m_szNextWorld)
    {
        g_Console.Print("!!! 1");
        m_szNextWorld[0] = 0;
        m_bWorldChange = 0;
        return false;
    }
    g_CutScene.Clear();
    m_bSkipCutscene = 0;
    m_bWorldChange = 1;
    g_Console.ExecuteSetting("EnableAntialiasing 0");

    char world[sizeof m_szNextWorld] = {};
    if (name && name[0] != '*')
        std::snprintf(world, sizeof world, "%s", name);
    m_szNextWorld[0] = 0;

    if (m_bWorldLoaded)
        ResetWorld();
    m_bWorldLoaded = 0;

    RunEnginePhase(kWorldUnloadPhase);

    std::snprintf(m_szWorld, sizeof m_szWorld, "%s", world);

    StopGameClock();
    g_MainGame.PrepareWorldStart();
    g_Console.StartLoadingScreen(m_szWorld);
    g_LoadingScreen.Start(m_szWorld);

    if (m_szWorld[0] && !g_WorldMgr.LoadWorld(m_szWorld))
    {
        ResetWorld();
        m_szWorld[0] = 0;
        m_bWorldChange = 0;
        g_MainGame.WorldStartFailed(world);
        return false;
    }
    g_ObjectMgr.LoadOm(m_szWorld);

    m_bWorldLoaded = 1;
    g_Options.DrawWorld = 1; // the settings' world-loaded switch
    g_CutScene.Clear();
    PostLoadSetup();

    if (!m_szWorld[0])
        m_bWorldLoaded = 0;
    m_bWorldChange = 0;
    g_LoadingScreen.LoadTextures();
    return true;
}

void EEngine::PostLoadSetup()
{
    RunEnginePhase(kPostLoadPhase);
}

// Ties asked for while the world was read are made once every object exists.
void EEngine::MakePendingTies()
{
    for (strObject& o : m_Objects)
    {
        if (!o.bUsed || !o.pPendingTieSocket || !o.pPendingTieObject)
            continue;
        g_EngineObject.TieToSocket(&o, o.pPendingTieSocket, o.pPendingTieObject);
    }
}

void EEngine::ResetWorld()
{
    RunEnginePhase(kResetWorldPhase);
}

// ---- Requests, clock, keys, shutdown ----------------------------------------------------

void EEngine::StartGameClock()
{
    m_bGameClock = 1;
}

void EEngine::StopGameClock()
{
    m_bGameClock = 0;
}

void EEngine::SkipCutscene()
{
    g_Console.Print("*** Stop cutscene!");
    m_bSkipCutscene = 1;
}

namespace
{
// The far plane moves by this many units per second while its key is down,
// and never comes nearer than the lower bound.
constexpr float kDevFarPlaneSpeed = 0.5f;
constexpr float kDevFarPlaneNearest = 1.0f;
// A cut-scene can be skipped once it has run this long.
constexpr float kSkippableAfterSeconds = 5.0f;

// True on the frame the command goes down.
bool PressedOnce(int command, BYTE& latch)
{
    const bool down = g_CommandMgr.IsCommandDown(command);
    const bool pressed = down && !latch;
    latch = down ? 1 : 0;
    return pressed;
}
} // namespace

void EEngine::DeveloperKeys()
{
    if (!g_Options.developer)
    {
        m_bScreenshotKeyLatch = m_bSkipKeyLatch = 0;
        return;
    }
    // The render after the next present saves it.
    if (PressedOnce(CMD_DEV_SCREENSHOT, m_bScreenshotKeyLatch))
        m_bScreenshot = 1;
    if (!g_Menu.m_bMenuActive)
    {
        const float step = kDevFarPlaneSpeed * m_fDeltaTime;
        float farPlane = g_Camera.GetFarPlane();
        if (g_CommandMgr.IsCommandDown(CMD_DEV_FAR_PLANE_UP))
            farPlane += step;
        if (g_CommandMgr.IsCommandDown(CMD_DEV_FAR_PLANE_DOWN))
            farPlane = std::max(farPlane - step, kDevFarPlaneNearest);
        if (farPlane != g_Camera.GetFarPlane())
            g_Camera.SetFarPlane(farPlane);
    }
    if (PressedOnce(CMD_DEV_SKIP_CUTSCENE, m_bSkipKeyLatch) && g_CutScene.m_bPlaying && !m_bSkipCutscene &&
        g_CutScene.m_fSceneTime > kSkippableAfterSeconds)
        SkipCutscene();
}

void EEngine::RequestQuit()
{
    m_bQuit = 1;
}

// Every object and the managers that hold the device's resources go before
// the device does.
void EEngine::Shutdown()
{
    ReleaseMouse();
    // Light 0 of the fixed-function pipeline would be switched off here; the
    // device layer keeps no fixed-function lights.
    for (strObject& o : m_Objects)
        DeleteObject(&o);
    m_bInitialised = 0;
    g_EffectMgr.Release();
    g_SkinMeshMgr.Release();
    g_MeshMgr.ReleaseAll();
    g_Renderer.Reset();
    g_SoundMgr.Release();
    // The fonts hold references to the device, so they go before it does.
    g_Font.Release();
    g_TTFontMgr.ReleaseFonts();
}

// Key presses from the window: the open console takes them, else the active
// menu, else the game.
void EEngine::OnKeyDown(WPARAM key)
{
    if (g_Console.m_bOpen)
        g_Console.OnKey(key);
    else if (g_Menu.m_bMenuActive)
        g_Menu.OnKeyDown(key);
    else
        g_MainGame.OnKeyDown(key);
}

void EEngine::OnKeyUp(WPARAM key)
{
    if (g_Console.m_bOpen)
        return;
    if (g_Menu.m_bMenuActive)
        g_Menu.OnKeyUp(key);
    else
        g_MainGame.OnKeyUp(key);
}

void EEngine::AcquireInput()
{
    g_CommandMgr.AcquireKeyboard(m_hWnd);
}

void EEngine::CreateMouse()
{
    g_Mouse.Create(m_hWnd);
}

void EEngine::ReleaseMouse()
{
    g_Mouse.Release();
}

void EEngine::UnacquireInput()
{
    g_CommandMgr.ReleaseKeyboard();
}

void EEngine::SetSectorHidden(DWORD sector, BYTE hidden)
{
    if (sector == 0)
        return;
    for (strObject& o : m_Objects)
        if (o.bUsed && o.bSectorIndex == sector)
        {
            o.bHidden = hidden ? 1 : 0;
            // A hidden light gives its shadow slot back.
            if (hidden && o.Type == OT_LIGHT)
                g_ShadowCubeMaps.RemoveLight(&o);
        }
}

// ---- Preloads and screenshots --------------------------------------------------------------

void EEngine::PreloadFile(const char* name, DWORD kind)
{
    if (!name)
        return;
    BYTE type = 0;
    switch (kind)
    {
    case PRELOAD_TEXTURE:
        g_Renderer.PreloadTexture(name);
        return;
    case PRELOAD_SOUND:
        if (FILE* f = TkFopen(name, "rb"))
        {
            std::fclose(f);
            g_SoundMgr.PreloadSound(name);
        }
        return;
    case PRELOAD_SPRITE:
        type = OT_SPRITE;
        break;
    case PRELOAD_MESH:
        type = OT_MESH;
        break;
    case PRELOAD_SKINMESH:
        type = OT_SKINMESH;
        break;
    default:
        return;
    }
    // Adding and deleting an object at once leaves the resource in its cache.
    if (HOBJECT temporary = CreateObject(type, name, 0, 0, nullptr, nullptr))
        DeleteObject(temporary);
}

void EEngine::SaveScreenshot()
{
    m_bScreenshot = 0;
    char name[32] = {};
    bool found = false;
    for (int n = 0; n < SCREENSHOT_TRIES && !found; ++n)
    {
        // The running number is written over the last digits of "tk_screen0000".
        std::snprintf(name, sizeof name, "tk_screen%04d.bmp", n);
        FILE* f = TkFopen(name, "rb");
        if (f)
            std::fclose(f);
        else
            found = true;
    }
    if (!found || !g_pD3DInterface || !g_pBackBuffer)
        return;
    // The saver reads the back buffer through a read-only lock.
    if (FAILED(D3DXSaveSurfaceToFileA(name, D3DXIFF_BMP, g_pBackBuffer, nullptr, nullptr)))
        g_Console.Print2("ERROR in EEngine::SaveScreenshot(): cannot save ", name);
}
