// The engine's fixed orders, one row per manager call.
#include "world/EngineSteps.h"

#include "characters/PostacMgr.h"
#include "environment/PlantMgr.h"
#include "environment/SlupMgr.h"
#include "game/BezierMgr.h"
#include "game/CutScene.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "mesh/MeshMgr.h"
#include "mesh/MeshSocketsMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"
#include "player/LaserMgr.h"
#include "render/AmbientProbe.h"
#include "render/EffectMgr.h"
#include "render/Font.h"
#include "render/LensFlare.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/ShadowCubeMaps.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "render/SpriteMgr.h"
#include "render/ViewLines.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/Profiler.h"
#include "sound/SoundMgr.h"
#include "ui/AutoMap.h"
#include "ui/Menu.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/ObjectMgr.h"

namespace
{
// Debug timers of the setting "DebugPerformance".
constexpr unsigned DT_DEVELOPER_KEYS = 0;
constexpr unsigned DT_OBJECTS = 1;
constexpr unsigned DT_RENDERER_TIME = 2;

// "*** Klatka: " is printed each frame above this "Debug" level.
constexpr int kFrameDebugLevel = 3;

void StartDebugTimer(unsigned slot)
{
    if (g_Options.DebugPerformance)
        g_Debug.StartTimer(slot);
}

// The calls between two rows of sections run inside a section of the profiler.
template <int Section> struct InSection
{
    InSection() { g_Profiler.BeginSection(Section); }
    ~InSection() { g_Profiler.EndSection(Section); }
};

const EEngineStep kInitSteps[] = {
    {"EFont::CreateVB", [] { g_Font.CreateVB(); }},
    {"ERenderer::ScanTextureDirectory", [] { g_Renderer.ScanTextureDirectory(); }},
    {"ESkinMeshMgr::Init", [] { g_SkinMeshMgr.Init(); }},
    {"MeshSocketsMgr::LoadAll", [] { g_MeshSockets.LoadAll(); }},
    {"EConsole::Init", [] { g_Console.Init(); }},
    {"EEffectMgr::Init", [] { g_EffectMgr.Init(); }},
    {"CSoundMgr::Initialize", [] { g_SoundMgr.Initialize(g_Engine.m_hWnd); }},
    {"EEngine::CreateMouse", [] { g_Engine.CreateMouse(); }},
};

const EEngineStep kUpdateSteps[] = {
    {"EEngine::CountFrame",
     []
     {
         ++g_Engine.m_iFrame;
         if (g_Options.Debug > kFrameDebugLevel)
             g_Console.PrintInt("*** Klatka: ", static_cast<int>(g_Engine.m_iFrame));
     }},
    {"EEngine::AcquireInput",
     []
     {
         if (!g_Console.m_bOpen && !g_Menu.m_bMenuActive)
             g_Engine.AcquireInput();
     }},
    {"ERenderer::ResetViewCache",
     []
     {
         if (g_Options.RecalculateCamera)
             g_Renderer.ResetViewCache();
     }},
    {"CSoundMgr::StopAllSounds",
     []
     {
         // A cut-scene skip ends once no cut-scene plays any more.
         if (g_Engine.m_bSkipCutscene && !g_CutScene.m_bPlaying)
         {
             g_SoundMgr.StopAllSounds();
             g_Engine.m_bSkipCutscene = 0;
         }
     }},
    {"EEngine::StartGameClock",
     []
     {
         if (!g_Engine.m_bGameClock)
             g_Engine.StartGameClock();
     }},
    {"EProfiler::BeginSection", [] { g_Profiler.BeginSection(PS_ENGINE_UPDATE); }},
    {"CMainGame::PreUpdate",
     []
     {
         InSection<PS_MAINGAME_PRE> section;
         g_MainGame.PreUpdate();
     }},
    {"ESkyLight::Update",
     []
     {
         InSection<PS_ENV_UPDATE> section;
         Env.Update();
     }},
    {"EEngine::DeveloperKeys",
     []
     {
         StartDebugTimer(DT_DEVELOPER_KEYS);
         g_Engine.DeveloperKeys();
     }},
    {"EObjectMgr::Update",
     []
     {
         StartDebugTimer(DT_OBJECTS);
         g_ObjectMgr.Update();
     }},
    {"EEngineObject::Update",
     []
     {
         InSection<PS_ENGINE_OBJECTS> section;
         g_EngineObject.Update();
     }},
    {"ERenderer::UpdateTime",
     []
     {
         StartDebugTimer(DT_RENDERER_TIME);
         g_Renderer.UpdateTime();
     }},
    {"EPostProcess::UpdateActive", [] { PostProcess.UpdateActive(); }},
    {"EPlantMgr::Update", [] { g_PlantMgr.Update(); }},
    {"ESlupMgr::Update", [] { g_SlupMgr.Update(); }},
    {"EProfiler::EndSection", [] { g_Profiler.EndSection(PS_ENGINE_UPDATE); }},
    // Objects whose deletion was asked for during the passes go now, when no
    // pass holds them any more.
    {"EEngine::DeletePendingObjects", [] { g_Engine.DeletePendingObjects(); }},
    {"ELaserMgr::Update", [] { g_LaserMgr.Update(); }},
    {"EHeliMgr::Update", [] { g_HeliMgr.Update(); }},
    {"EConsole::SetVariable",
     [] { g_Console.SetVariable("NumTotalObjects", static_cast<float>(g_Engine.m_iNumObjects), 0); }},
};

const EEngineStep kUnloadSteps[] = {
    {"EMeshMgr::ReleaseAll", [] { g_MeshMgr.ReleaseAll(); }},
    {"ERenderer::ClearTextures", [] { g_Renderer.ClearTextures(); }},
    {"CMainGame::StopMusic", [] { g_MainGame.StopMusic(); }},
    {"CSoundMgr::ClearCache", [] { g_SoundMgr.ClearCache(); }},
};

const EEngineStep kPostLoadSteps[] = {
    {"EEngine::StopGameClock", [] { g_Engine.StopGameClock(); }},
    {"CPhysicsMgr::Init", [] { g_PhysicsMgr.Init(); }},
    // The objects get their bodies once the world (and its playable box) exists.
    {"EEngine::RespawnObjects", [] { g_Engine.RespawnObjects(); }},
    {"EObjectMgr::Init", [] { g_ObjectMgr.Init(); }},
    {"EHeliMgr::Reset", [] { g_HeliMgr.Reset(); }},
    {"ESlupMgr::Load", [] { g_SlupMgr.Load(); }},
    {"ECamera::Reset", [] { g_Camera.Reset(); }},
    {"EEngine::PlaceStartCamera", [] { g_Engine.PlaceStartCamera(); }},
    {"EProfiler::Reset", [] { g_Profiler.Reset(); }},
    {"EEngine::MakePendingTies", [] { g_Engine.MakePendingTies(); }},
    {"EEngine::PrepareObjects", [] { g_Engine.PrepareObjects(); }},
    // The bake traces the segment tables, which hold the objects only from here on.
    {"CSkyLights::InitWorld", [] { g_SkyLights.InitWorld(g_Engine.m_szWorld); }},
    {"EViewLines::CreateVB", [] { g_ViewLines.CreateVB(); }},
    {"CShadowCubeMaps::Init", [] { g_ShadowCubeMaps.Init(); }},
    {"PAutoMap::CreateDeviceObjects", [] { g_AutoMap.CreateDeviceObjects(); }},
    {"CAmbientProbe::Init", [] { g_AmbientProbe.Init(); }},
    {"ERenderer::InitAmbient", [] { g_Renderer.InitAmbient(); }},
    {"EEngineObject::Init", [] { g_EngineObject.Init(); }},
    {"ESpriteMgr::Reset", [] { g_SpriteMgr.Reset(); }},
    {"EPlantMgr::Reset", [] { g_PlantMgr.Reset(); }},
    {"EConsole::CreateDeviceObjects", [] { g_Console.CreateDeviceObjects(); }},
    {"EEngine::ResetFrameAndClock",
     []
     {
         g_Engine.m_iFrame = 0;
         g_Engine.m_fGameClock = 0.0f;
     }},
    {"ELaserMgr::CreateDeviceObjects", [] { g_LaserMgr.CreateDeviceObjects(); }},
    {"ESkyLight::InitWorld", [] { Env.InitWorld(); }},
    {"CMainGame::InitLevel", [] { g_MainGame.InitLevel(); }},
    {"EEngine::AcquireInput", [] { g_Engine.AcquireInput(); }},
    {"EDebug::ResetCounters", [] { g_Debug.ResetCounters(); }},
    {"ELensFlare::Load", [] { g_LensFlare.Load(); }},
    {"EPostProcess::InitWorld", [] { PostProcess.InitWorld(); }},
    {"EEngine::DeleteFlaggedObjects",
     []
     {
         if (!g_Options.DrawNotImportant)
             g_Engine.DeleteFlaggedObjects();
     }},
    {"EConsole::PrintInt",
     [] { g_Console.PrintInt("Meshes loaded: ", static_cast<int>(g_Engine.m_iNumObjects)); }},
};

const EEngineStep kResetSteps[] = {
    {"EPostProcess::ReleaseWorld", [] { PostProcess.ReleaseWorld(); }},
    {"EObjectMgr::Reset", [] { g_ObjectMgr.Reset(); }},
    {"EHeliMgr::Release", [] { g_HeliMgr.Release(); }},
    {"ESlupMgr::Release", [] { g_SlupMgr.Release(); }},
    {"EPlantMgr::Release", [] { g_PlantMgr.Release(); }},
    {"EViewLines::Release", [] { g_ViewLines.Release(); }},
    {"CAmbientProbe::Release", [] { g_AmbientProbe.Release(); }},
    {"ELensFlare::Release", [] { g_LensFlare.Release(); }},
    {"EEngine::UnacquireInput", [] { g_Engine.UnacquireInput(); }},
    {"ESkyLight::Release", [] { Env.Release(); }},
    {"EEngine::ForceCameraToLook", [] { g_Engine.ForceCameraToLook(nullptr, nullptr); }},
    {"EEngine::EndCutsceneSkip", [] { g_Engine.m_bSkipCutscene = 0; }},
    {"CMainGame::ReleaseLevel", [] { g_MainGame.ReleaseLevel(); }},
    {"EEngine::DeleteAllObjects", [] { g_Engine.DeleteAllObjects(); }},
    {"ESpriteMgr::Release", [] { g_SpriteMgr.Release(); }},
    {"EConsole::ReleaseDeviceObjects", [] { g_Console.ReleaseDeviceObjects(); }},
    {"BezierMgr::DeleteAll", [] { g_BezierMgr.DeleteAll(); }},
    {"EEngineObject::Release", [] { g_EngineObject.Release(); }},
    {"ELaserMgr::Release", [] { g_LaserMgr.Release(); }},
    {"EConsole::Close",
     []
     {
         if (g_Console.m_bOpen)
             g_Console.Close();
     }},
    {"ERenderer::ResetWorldState", [] { g_Renderer.ResetWorldState(); }},
    {"CSoundMgr::DeleteAllSounds", [] { g_SoundMgr.DeleteAllSounds(); }},
    {"CSoundMgr::ClearCache", [] { g_SoundMgr.ClearCache(); }},
    {"PAutoMap::ReleaseDeviceObjects", [] { g_AutoMap.ReleaseDeviceObjects(); }},
    {"CShadowCubeMaps::Release", [] { g_ShadowCubeMaps.Release(); }},
    {"CPhysicsMgr::Shutdown", [] { g_PhysicsMgr.Shutdown(); }},
    {"ECamera::Release", [] { g_Camera.Release(); }},
    {"CSkyLights::Release", [] { g_SkyLights.Release(); }},
};

struct StepLog
{
    bool on = false;
    std::vector<std::string> steps;
};

StepLog& Log()
{
    static StepLog log;
    return log;
}

template <size_t N> constexpr EEnginePhase Phase(const char* name, const EEngineStep (&steps)[N])
{
    return EEnginePhase{name, steps, N};
}
} // namespace

const EEnginePhase kEngineInitPhase = Phase("Init", kInitSteps);
const EEnginePhase kEngineUpdatePhase = Phase("Update", kUpdateSteps);
const EEnginePhase kWorldUnloadPhase = Phase("WorldUnload", kUnloadSteps);
const EEnginePhase kPostLoadPhase = Phase("PostLoad", kPostLoadSteps);
const EEnginePhase kResetWorldPhase = Phase("ResetWorld", kResetSteps);

void RunEnginePhase(const EEnginePhase& phase)
{
    for (size_t i = 0; i < phase.count; ++i)
    {
        if (Log().on)
            Log().steps.push_back(phase.steps[i].name);
        phase.steps[i].run();
    }
}

void TkRecordEngineSteps(bool on)
{
    Log().on = on;
    Log().steps.clear();
}

const std::vector<std::string>& TkEngineStepLog()
{
    return Log().steps;
}
