// CMainGame: the game object, the level's start and end, the frame and the
// world change.
#include "game/MainGame.h"

#include "characters/AiMapData.h"
#include "characters/KillCam.h"
#include "characters/PathMgr.h"
#include "characters/PostacMgr.h"
#include "environment/Dust.h"
#include "environment/FxMgr.h"
#include "environment/Mewy.h"
#include "environment/Opady.h"
#include "environment/PlantMgr.h"
#include "environment/RiverMgr.h"
#include "game/Battlefield.h"
#include "game/BezierCamera.h"
#include "game/CutScene.h"
#include "game/DialogueMgr.h"
#include "game/GameAI.h"
#include "game/GameConsole.h"
#include "game/GameTrace.h"
#include "game/QuestSystem.h"
#include "game/SaveMgr.h"
#include "mesh/MeshMgr.h"
#include "physics/PhysicsMgr.h"
#include "platform/d3d9/D3D9.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/PostProcess.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/HitStats.h"
#include "shell/Profiler.h"
#include "shell/SaveFile.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/GameMusic.h"
#include "sound/NpcChatter.h"
#include "sound/SoundMgr.h"
#include "ui/Credits.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

CMainGame g_MainGame;

namespace
{
// Script variables the game layer reads.
const char* const VAR_QUIT = "quit";
const char* const VAR_END_GAME = "end_game";
const char* const VAR_END_DEMO = "end_demo";
const char* const VAR_CREDITS = "credits";
const char* const VAR_MISSION_FAILED = "mission_failed";
const char* const VAR_SNIPER_VIEW = "sniper_view";
const char* const VAR_BINOCULARS = "lornetka";

// Key commands.
constexpr int CMD_MENU = 11;

// Loading-screen steps the start-up draws.
constexpr int LOADING_STEP_FRAME = 0;
constexpr int LOADING_STEP_LEVEL_MANAGERS = 7;
constexpr int LOADING_STEP_LEVEL_SCREENS = 8;
constexpr int LOADING_STEP_WORLD_UP = 9;

// Preload kinds of the engine.
constexpr DWORD PRELOAD_MESH = 4;
constexpr DWORD PRELOAD_SOUND = 8;

// The sound listener waits far below the world until a camera places it.
constexpr float kListenerParkedDepth = -100000000.0f;

// Path generation: the generator's flag, step, height, climb and node limit.
constexpr BYTE kPathGenFlag = 0;
constexpr float kPathGenStep = 2.0f;
constexpr float kPathGenHeight = 0.5f;
constexpr float kPathGenRadius = 30.0f;
constexpr int kPathGenNodes = 2000;
constexpr int PATH_GEN_PARAMS = 5;
const char* const kPathGeneratorName = "generator_sciezek";
constexpr DWORD kVisibleFlag = 0x1; // flag word 1: the object is shown
const char* const kSelfDeleteName = "self_delete";
const char* const kLevelStartObject = "level_start";
const char* const kMenuMusic = "music\\DuskmereMainTheme.ogg";

// Profiler sections of the game update.
constexpr int PS_GAME_UPDATE = 202;
constexpr int PS_CUTSCENE = 206;
constexpr int PS_CAMERA = 208;
constexpr int PS_HERO = 210;
constexpr int PS_LEVEL_SCRIPTS = 214;
constexpr int PS_CHARACTERS = 220;
constexpr int PS_ITEMS = 240;
constexpr int PS_WEAPONS = 244;
constexpr int PS_EFFECTS = 248;
constexpr int PS_DIALOGUES = 250;
constexpr int PS_TASK_BOX = 252;
constexpr int PS_DUST = 258;
constexpr int PS_SCOPE = 260;
constexpr int PS_HUD = 262;
constexpr int PS_EMPTY = 264;
constexpr int PS_SOUND = 280;

// Overlay texts on the 1024 x 768 layout.
constexpr float kFpsX = 944.0f;
constexpr float kFpsY = 4.0f;
constexpr DWORD kFpsColor = 0xFFFFFF00;
constexpr float kFastModeX = 944.0f;
constexpr float kFastModeY = 748.0f;
constexpr DWORD kFastModeColor = 0x60606060;
constexpr float kCameraTextX = 12.0f;
constexpr float kCameraTextY = 726.0f;
constexpr DWORD kCameraTextColor = 0xFFFFFF00;
constexpr int kOverlayTextChars = 128;

// The fade's colour: black, its alpha in the top byte.
constexpr float kOpaque = 255.0f;
constexpr int kAlphaShift = 24;

// The run-path recorder.
constexpr float kRecorderCameraDistance = 256.0f;
constexpr float kRecorderSamplePeriod = 1.0f / 30.0f;
const char* const kRecorderSocket = "oczy";
const char* const kRecorderAnimation = "bieg_do_glowy";
const char* const kRunParamsFile = "RunParams.cpp";
constexpr float kPi = 3.14159265358979323846f;

// Start captions: each level's world names (the levels' own "levelNN", the
// older "level_NN" and the short "lNN" that New Game starts) share a caption.
struct StartCaption
{
    const char* world;
    const char* key;
};
const StartCaption kStartCaptions[] = {
    {"worlds\\level01.w", ">L1S01"},  {"worlds\\level_01.w", ">L1S01"},  {"worlds\\l01.w", ">L1S01"},
    {"worlds\\level02.w", ">L2S01"},  {"worlds\\level_02.w", ">L2S01"},  {"worlds\\l02.w", ">L2S01"},
    {"worlds\\level03.w", ">L3S01"},  {"worlds\\level_03.w", ">L3S01"},  {"worlds\\l03.w", ">L3S01"},
    {"worlds\\level04.w", ">L4S01"},  {"worlds\\level_04.w", ">L4S01"},  {"worlds\\l04.w", ">L4S01"},
    {"worlds\\level05.w", ">L5S01"},  {"worlds\\level_05.w", ">L5S01"},  {"worlds\\l05.w", ">L5S01"},
    {"worlds\\level06.w", ">L6S01"},  {"worlds\\level_06.w", ">L6S01"},  {"worlds\\l06.w", ">L6S01"},
    {"worlds\\level07.w", ">L7S01"},  {"worlds\\level_07.w", ">L7S01"},  {"worlds\\l07.w", ">L7S01"},
    {"worlds\\level08.w", ">L8S01"},  {"worlds\\level_08.w", ">L8S01"},  {"worlds\\l08.w", ">L8S01"},
    {"worlds\\level09.w", ">L9S01"},  {"worlds\\level_09.w", ">L9S01"},  {"worlds\\l09.w", ">L9S01"},
    {"worlds\\level10.w", ">L10S01"}, {"worlds\\level_10.w", ">L10S01"}, {"worlds\\l10.w", ">L10S01"},
    {"worlds\\test.w", ">L1S01"},
};

// Copies `name` whole into `out` of `size` bytes; false when it does not fit.
bool CopyWhole(char* out, size_t size, const char* name)
{
    if (!name || strnlen(name, size) >= size)
        return false;
    std::memcpy(out, name, std::strlen(name) + 1);
    return true;
}

void NoteStep(const char* name)
{
    TkNoteGameStep(name);
}

template <size_t N> void RunSteps(const GameStep (&steps)[N])
{
    for (const GameStep& step : steps)
    {
        NoteStep(step.name);
        step.run();
    }
}

// Every ".wav" of a folder (folders skipped), in the listing's order.
void PreloadWaves(const char* folder)
{
    char pattern[MAX_PATH];
    std::snprintf(pattern, sizeof pattern, "%s\\*.wav", folder);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> files;
    do
    {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(std::string(folder) + "\\" + found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    for (const std::string& file : files)
        g_Engine.PreloadFile(file.c_str(), PRELOAD_SOUND);
}

void PreloadWeaponSounds()
{
    PreloadWaves("sounds\\weapons");
    PreloadWaves("sounds\\weapons\\reload");
    g_Engine.PreloadFile("sounds\\hero\\SERDUCHO.wav", PRELOAD_SOUND);
    for (const char* mesh : {"prefabs\\special\\rigidbody_box.x", "prefabs\\special\\rigidbody_sphere.x",
                             "prefabs\\special\\rigidbody_cylinder.x"})
        g_Engine.PreloadFile(mesh, PRELOAD_MESH);
}

// The field of view goes back to the configured one.
void RestoreFieldOfView()
{
    g_Options.FOV = g_Options.FOV2;
}

// ---- Fixed orders ---------------------------------------------------------------------

const GameStep kInitSteps[] = {
    {"CCommandMgr::SetDefaultKeys", [] { g_CommandMgr.SetDefaultKeys(); }},
    {"CCommandMgr::LoadKeys", [] { g_CommandMgr.LoadKeys(); }},
    {"LevelFrame = 0", [] { g_MainGame.m_iLevelFrame = 0; }},
    {"active = 1", [] { g_MainGame.active = 1; }},
    {"GameAI::Init", [] { g_GameAI.Init(); }},
    {"CPostacMgr::LoadDescriptions", [] { PMgr.LoadDescriptions(); }},
    {"CSoundMgr::SetListenerPosition",
     []
     {
         D3DVECTOR parked = {0.0f, kListenerParkedDepth, 0.0f};
         g_SoundMgr.SetListenerPosition(parked);
     }},
    {"WorldActive = 0", [] { g_MainGame.m_bWorldActive = 0; }},
    {"CCutScene::LoadAll", [] { g_CutScene.LoadAll(); }},
    {"Objective::Clear", [] { g_Objective.Clear(); }},
};

const GameStep kInitLevelSteps[] = {
    {"worldPending = 0", [] { g_MainGame.worldPending = 0; }},
    {"UnsetStartVariables",
     []
     {
         for (const char* name : {VAR_SNIPER_VIEW, VAR_BINOCULARS, VAR_CREDITS, VAR_MISSION_FAILED})
             g_GameAI.UnsetVariable(name, nullptr);
     }},
    {"RestoreFieldOfView",
     []
     {
         RestoreFieldOfView();
         g_Options.DrawWater = 1;
     }},
    {"CCredits::Reset", [] { g_Credits.Reset(); }},
    {"QuestSystem::LoadScripts", [] { g_QuestSystem.LoadScripts(); }},
    {"CNpcChatter::Reset", [] { g_NpcChatter.Reset(); }},
    {"GameMusic::ResetFlags", [] { g_GameMusic.ResetFlags(); }},
    {"CDialogueMgr::LoadAll", [] { g_DialogueMgr.LoadAll(); }},
    {"CKillCam::Reset", [] { OBE.Reset(); }},
    {"CBattlefield::Reset", [] { g_Battlefield.Reset(); }},
    {"EFxMgr::Init", [] { g_FxMgr.Init(); }},
    {"GameAI::PrepareActions", [] { g_GameAI.PrepareActions(); }},
    {"EItemMgr::Init", [] { ItemMgr.Init(); }},
    {"CAiMapData::Load", [] { g_AiMapData.Load(); }},
    {"CPostacMgr::Init", [] { PMgr.Init(); }},
    {"CPathMgr::CreateProbe", [] { g_PathMgr.CreateProbe(); }},
    {"CPlayerWeapons::Init", [] { Bronie.Init(); }},
    {"CPlayer::Init", [] { Player.Init(); }},
    {"LevelFrame = 0",
     []
     {
         g_MainGame.m_iLevelFrame = 0;
         g_SaveMgr.m_iFramesSinceLevelStart = 0;
     }},
    {"Panel::Init", [] { g_Panel.Init(); }},
    {"CMenu::ResetPageState", [] { g_Menu.ResetPageState(); }},
    {"Objective::Init", [] { g_Objective.Init(); }},
    {"EConsole::DrawLoadingScreen 7", [] { g_Console.DrawLoadingScreen(LOADING_STEP_LEVEL_MANAGERS); }},
    {"CSaveMgr::ResetFlags", [] { g_SaveMgr.ResetFlags(); }},
    {"ERiverMgr::Init", [] { g_RiverMgr.Init(); }},
    {"Mewy::Reset", [] { g_Mewy.Reset(); }},
    {"EConsole::DrawLoadingScreen 8", [] { g_Console.DrawLoadingScreen(LOADING_STEP_LEVEL_SCREENS); }},
    {"PreloadWeaponSounds", [] { PreloadWeaponSounds(); }},
    {"CHitStats::Reset", [] { g_HitStats.Reset(); }},
    {"CCutScene::InitScreen", [] { g_CutScene.InitScreen(); }},
    {"EDust::Init", [] { g_Dust.Init(); }},
    {"halted = 0, cameraMoveOn = 0",
     []
     {
         g_MainGame.halted = 0;
         g_MainGame.cameraMoveOn = 0;
     }},
};

const GameStep kReleaseLevelSteps[] = {
    {"cameraMoveOn = 0", [] { g_MainGame.cameraMoveOn = 0; }},
    {"QuestSystem::Reset", [] { g_QuestSystem.Reset(); }},
    {"CBattlefield::ReleaseUnits", [] { g_Battlefield.ReleaseUnits(); }},
    {"Mewy::Release", [] { g_Mewy.Release(); }},
    {"CAiMapData::Clear", [] { g_AiMapData.Clear(); }},
    {"worldPending = 0", [] { g_MainGame.worldPending = 0; }},
    {"ERiverMgr::Reset", [] { g_RiverMgr.Reset(); }},
    {"CNpcChatter::Release", [] { g_NpcChatter.Release(); }},
    {"GameMusic::StopAndReset", [] { g_GameMusic.StopAndReset(); }},
    {"EDust::Release", [] { g_Dust.Release(); }},
    {"CSaveMgr::ResetFlags", [] { g_SaveMgr.ResetFlags(); }},
    {"CBezierCamera::Stop",
     []
     {
         if (g_BezierCamera.m_bRunning)
             g_BezierCamera.Stop();
     }},
    {"Objective::Release", [] { g_Objective.Release(); }},
    {"CCutScene::ReleaseLevel", [] { g_CutScene.ReleaseLevel(); }},
    {"CHitStats::Release", [] { g_HitStats.Release(); }},
    {"CPathMgr::DeleteProbe", [] { g_PathMgr.DeleteProbe(); }},
    {"GameAI::ReleaseLevel", [] { g_GameAI.ReleaseLevel(); }},
    {"CMainGame::PlayMusic", [] { g_MainGame.PlayMusic(nullptr, 0); }},
    {"CPostacMgr::Release", [] { PMgr.Release(); }},
    {"CPathMgr::Release", [] { g_PathMgr.Release(); }},
    {"COpady::Release", [] { g_Opady.Release(); }},
    {"CPlayer::Release", [] { Player.Release(); }},
    {"CPlayerWeapons::Release", [] { Bronie.Release(); }},
    {"EItemMgr::Release", [] { ItemMgr.Release(); }},
    {"Panel::Release", [] { g_Panel.Release(); }},
    {"EFxMgr::Release", [] { g_FxMgr.Release(); }},
    {"LoadedFromSave = 0", [] { g_SaveMgr.m_bLoadedFromSave = 0; }},
    {"halted = 0, LevelFrame = 0",
     []
     {
         g_MainGame.halted = 0;
         g_MainGame.m_iLevelFrame = 0;
     }},
    {"CDialogueMgr::FreeAll", [] { g_DialogueMgr.FreeAll(); }},
    {"UnsetCredits", [] { g_GameAI.UnsetVariable(VAR_CREDITS, nullptr); }},
};

void DeleteObjectsNamed(const char* name)
{
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && CompareNoCase(o.szName, name) == 0)
            g_Engine.DeleteObject(&o);
}

const LevelMilestone kMilestones[] = {
    {CMainGame::FRAME_GENERATE_PATHS, "GeneratePaths",
     []
     {
         if (!g_SaveMgr.m_bLoadedFromSave && CMainGame::IsRealLevel())
             g_MainGame.GeneratePaths();
     }},
    {CMainGame::FRAME_REPAIR_MESHES, "EMeshMgr::SaveAllOpts",
     []
     {
         if (g_Options.RepairMultiData)
             g_MeshMgr.SaveAllOpts();
     }},
    {CMainGame::FRAME_LOADING_STEP, "EConsole::DrawLoadingScreen 9",
     [] { g_Console.DrawLoadingScreen(LOADING_STEP_WORLD_UP); }},
    {CMainGame::FRAME_SEAGULLS, "Mewy::Init", [] { g_Mewy.Init(); }},
    {CMainGame::FRAME_LEVEL_STARTED, "LevelStarted",
     []
     {
         g_GameAI.m_bLevelStarted = 1;
         if (CMainGame::IsRealLevel())
         {
             g_Engine.RunObjectAction(kLevelStartObject, 0);
             g_Panel.StartFlash();
         }
         g_EngineObject.RandomiseOffsets();
         g_Console.EndLoadingScreen();
         g_PathMgr.DeleteAllProbes();
         g_Opady.Init();
         g_EngineObject.m_bStarted = 1;
     }},
    {CMainGame::FRAME_START_MENU, "StartMenu",
     []
     {
         if (CMainGame::IsRealLevel())
             return;
         g_MainGame.m_bWorldActive = 1;
         g_Menu.Open(1, 0);
         g_MainGame.PlayMusic(kMenuMusic, 1);
     }},
    {CMainGame::FRAME_SHOW_WORLD, "ShowWorld",
     []
     {
         if (CMainGame::IsRealLevel())
             g_MainGame.m_bWorldActive = 1;
     }},
    {CMainGame::FRAME_START_CAPTION, "ShowLevelStartDialog",
     []
     {
         if (CMainGame::IsRealLevel())
             g_MainGame.ShowLevelStartDialog();
     }},
};

// The full-screen black of the world change, over whatever was drawn.
void DrawFade(BYTE alpha)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device)
        return;
    struct Vertex
    {
        float x, y, z, rhw;
        DWORD color;
    };
    // The whole of what is drawn to, whatever size the screen has.
    D3DVIEWPORT9 viewport = {};
    device->GetViewport(&viewport);
    const float x0 = static_cast<float>(viewport.X);
    const float y0 = static_cast<float>(viewport.Y);
    const float w = x0 + static_cast<float>(viewport.Width);
    const float h = y0 + static_cast<float>(viewport.Height);
    const DWORD color = static_cast<DWORD>(alpha) << kAlphaShift;
    const Vertex quad[] = {
        {x0, y0, 0.0f, 1.0f, color},
        {w, y0, 0.0f, 1.0f, color},
        {x0, h, 0.0f, 1.0f, color},
        {w, h, 0.0f, 1.0f, color},
    };
    // The states it changes go back as they were, so the passes after it
    // (and any cache of states) find what they left.
    const D3DRENDERSTATETYPE states[] = {D3DRS_ZENABLE, D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,
                                         D3DRS_DESTBLEND};
    const DWORD values[] = {FALSE, TRUE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA};
    const D3DTEXTURESTAGESTATETYPE stageStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_ALPHAOP,
                                                    D3DTSS_ALPHAARG1};
    // Colour and alpha from the vertices alone: no texture takes part.
    const DWORD stageValues[] = {D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE};
    DWORD saved[std::size(states)] = {};
    DWORD savedStage[std::size(stageStates)] = {};
    DWORD savedFvf = 0;
    device->GetFVF(&savedFvf);
    for (size_t i = 0; i < std::size(states); ++i)
    {
        device->GetRenderState(states[i], &saved[i]);
        device->SetRenderState(states[i], values[i]);
    }
    for (size_t i = 0; i < std::size(stageStates); ++i)
    {
        device->GetTextureStageState(0, stageStates[i], &savedStage[i]);
        device->SetTextureStageState(0, stageStates[i], stageValues[i]);
    }
    device->SetTexture(0, nullptr);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    for (size_t i = 0; i < std::size(states); ++i)
        device->SetRenderState(states[i], saved[i]);
    for (size_t i = 0; i < std::size(stageStates); ++i)
        device->SetTextureStageState(0, stageStates[i], savedStage[i]);
    device->SetFVF(savedFvf);
}

uint32_t ReadLevelFrame()
{
    return g_MainGame.m_iLevelFrame;
}
} // namespace

// ---- Life -------------------------------------------------------------------------------

const GameStep* CMainGame::InitSteps(size_t& count)
{
    count = std::size(kInitSteps);
    return kInitSteps;
}

const GameStep* CMainGame::InitLevelSteps(size_t& count)
{
    count = std::size(kInitLevelSteps);
    return kInitLevelSteps;
}

const GameStep* CMainGame::ReleaseLevelSteps(size_t& count)
{
    count = std::size(kReleaseLevelSteps);
    return kReleaseLevelSteps;
}

const LevelMilestone* CMainGame::Milestones(size_t& count)
{
    count = std::size(kMilestones);
    return kMilestones;
}

void CMainGame::Init()
{
    RunSteps(kInitSteps);
    // Gameplay runs from the start; the menu stops it while it is open.
    g_Options.GameplayRunning = 1;
    RegisterGameConsoleCommands();
    TkRegisterScriptValue("level frame", ReadLevelFrame);
    CPlayer::RegisterScriptActions();
    CPlayerWeapons::RegisterScriptActions();
    CPostacMgr::RegisterScriptActions();
    EEngineObject::RegisterScriptActions();
    GameMusic::RegisterScriptActions();
    if (g_Options.StartMenu)
        return;
    // A world that is not there never loads: the start menu comes instead,
    // as it does on the menu's own world.
    if (!FileExists(g_Options.runworld))
    {
        g_Console.Print3("ERROR: the world \"", g_Options.runworld,
                         "\" does not exist; the menu opens instead");
        return;
    }
    g_Engine.RequestWorldChange(g_Options.runworld);
}

void CMainGame::InitLevel()
{
    RunSteps(kInitLevelSteps);
}

void CMainGame::ReleaseLevel()
{
    RunSteps(kReleaseLevelSteps);
}

void CMainGame::Release()
{
    g_GameAI.FlushReport();
    // The loading screen's bar holds a device object: a game that ends while
    // the screen waits must not leave it for the program's exit.
    g_LoadingScreen.m_Bar.Release();
    // So does the save thumbnail the menu took when it last closed.
    g_SaveMgr.ReleaseThumbnail();
    active = 0;
    g_CutScene.FreeScenes();
    PMgr.FreeDescriptions();
    m_bWorldActive = 0;
}

void CMainGame::PrepareWorldStart()
{
    m_iLevelFrame = 0;
    g_GameAI.SelectLevel();
}

void CMainGame::WorldStartFailed(const char* world)
{
    g_Console.Print3("ERROR: the world \"", world ? world : "",
                     "\" could not be started; the menu opens instead");
    // No level will end the loading screens; the start-up goes on without a
    // world and opens the start menu.
    g_LoadingScreen.Finish();
    g_Console.EndLoadingScreen();
    m_iLevelFrame = 0;
}

bool CMainGame::IsRealLevel()
{
    // The menu's backdrop is its own picture and figure, not a world: any
    // loaded world is a level to return to.
    return g_Engine.m_bWorldLoaded != 0;
}

// ---- Frame ------------------------------------------------------------------------------

void CMainGame::PreUpdate()
{
    Player.UpdateLook();
}

void CMainGame::Update()
{
    if (!g_FocusMgr.m_bOnFocus || !active)
        return;
    // The variable report's lines of the last frame, written once.
    g_GameAI.FlushReport();
    if (g_GameAI.IsVariableSet(VAR_QUIT))
    {
        g_Engine.RequestQuit();
        return;
    }
    if (g_GameAI.IsVariableSet(VAR_END_GAME) || g_GameAI.IsVariableSet(VAR_END_DEMO))
        return;
    if (worldPending)
    {
        pendingTimer += g_Engine.m_fDeltaTime;
        if (pendingTimer > WORLD_CHANGE_FADE_SECONDS && !g_Engine.m_szNextWorld[0])
            g_Engine.RequestWorldChange(pendingWorld);
        return;
    }
    if (g_Options.Windowed && !g_Console.m_bOpen && !g_Menu.m_bMenuActive &&
        (m_iLevelFrame < FRAME_INPUT_SETTLED || m_iLevelFrame % INPUT_RENEW_PERIOD == 0))
    {
        g_Engine.UnacquireInput();
        g_Engine.AcquireInput();
    }

    g_Profiler.BeginSection(PS_GAME_UPDATE);
    lastFrameTime = g_Engine.m_fDeltaTime;
    ++g_SaveMgr.m_iFramesSinceLevelStart;
    ++letterboxFrames;
    const BYTE letterbox = g_Panel.LetterboxOn() ? 1 : 0;
    if (wasLetterbox && !letterbox)
        letterboxFrames = 0;
    wasLetterbox = letterbox;

    if (recorderOn)
        UpdateRunRecorder();
    else if (g_Menu.m_bMenuActive)
        g_Menu.Update();
    else
    {
        LevelStartStep();
        if (g_LoadingScreen.m_bActive)
            g_LoadingScreen.Update();
        else if (g_SaveMgr.saveScreen)
            g_SaveMgr.UpdateScreen();
        else if (halted)
            OpenMenuOnKey();
        else
            GameStepUpdate();
    }
    g_Profiler.EndSection(PS_GAME_UPDATE);
}

void CMainGame::GameStepUpdate()
{
    const float dt = g_Engine.m_fDeltaTime;
    g_GameMusic.Update();
    g_Mewy.Update();

    if (g_GameAI.IsVariableSet(VAR_CREDITS))
    {
        if (g_CommandMgr.IsCommandDown(CMD_MENU) && !g_Menu.m_bMenuActive && !g_Engine.m_bWorldChange &&
            !g_Engine.m_szNextWorld[0])
        {
            g_Console.Print("Odpalam menu");
            g_Menu.Open(0, 0);
            return;
        }
    }
    if (g_GameAI.IsVariableSet(VAR_MISSION_FAILED))
    {
        g_GameAI.UnsetVariable(VAR_MISSION_FAILED, nullptr);
        g_Console.Print("AI odpala GameFailed");
        GameFailed(0);
        return;
    }
    if (g_BezierCamera.m_bRunning)
    {
        PMgr.Update();
        g_Battlefield.Update();
        g_FxMgr.Update();
        g_BezierCamera.Update();
        // 3D sounds follow the flying camera.
        g_SoundMgr.Update();
        return;
    }
    if (cameraMoveOn)
    {
        PMgr.Update();
        g_Battlefield.Update();
        g_FxMgr.Update();
        g_NpcChatter.Update();
        g_DialogueMgr.Update();
        g_Objective.Update();
        g_PhysicsMgr.Step(dt);
        g_QuestSystem.Update();
        UpdateCameraMove();
        g_SoundMgr.Update();
        return;
    }
    if (g_CutScene.m_bPlaying)
    {
        g_Profiler.BeginSection(PS_CUTSCENE);
        g_CutScene.RunPhase();
        g_Profiler.EndSection(PS_CUTSCENE);
    }
    if (g_Options.GameplayRunning)
    {
        g_QuestSystem.Update();
        g_RiverMgr.Update();
        g_Battlefield.Update();
        g_Profiler.BeginSection(PS_CAMERA);
        g_Camera.Update();
        g_Profiler.EndSection(PS_CAMERA);
        g_Profiler.BeginSection(PS_HERO);
        if (m_iLevelFrame > FRAME_GAMEPLAY)
            Player.Update();
        g_Profiler.EndSection(PS_HERO);
        g_Profiler.BeginSection(PS_LEVEL_SCRIPTS);
        if (m_iLevelFrame > FRAME_GAMEPLAY)
            g_GameAI.Update(dt);
        g_Profiler.EndSection(PS_LEVEL_SCRIPTS);
        g_Profiler.BeginSection(PS_CHARACTERS);
        PMgr.Update();
        g_Profiler.EndSection(PS_CHARACTERS);
        g_Profiler.BeginSection(PS_ITEMS);
        ItemMgr.Update();
        g_Profiler.EndSection(PS_ITEMS);
        g_Profiler.BeginSection(PS_WEAPONS);
        Bronie.Update();
        g_Profiler.EndSection(PS_WEAPONS);
        g_Profiler.BeginSection(PS_EFFECTS);
        g_FxMgr.Update();
        g_Profiler.EndSection(PS_EFFECTS);
        g_NpcChatter.Update();
        g_Profiler.BeginSection(PS_DIALOGUES);
        g_DialogueMgr.Update();
        g_Profiler.EndSection(PS_DIALOGUES);
        g_Profiler.BeginSection(PS_TASK_BOX);
        g_Objective.Update();
        g_Profiler.EndSection(PS_TASK_BOX);
        g_SaveMgr.Update();
        g_Profiler.BeginSection(PS_DUST);
        g_Dust.Update();
        g_Opady.Update();
        g_Profiler.EndSection(PS_DUST);
        PlayerStats.m_fLevelTime += dt;
    }
    g_Profiler.BeginSection(PS_SCOPE);
    Bronie.UpdateScopeVisibility();
    g_Profiler.EndSection(PS_SCOPE);
    g_Profiler.BeginSection(PS_HUD);
    g_Panel.Update();
    g_Profiler.EndSection(PS_HUD);
    g_Profiler.BeginSection(PS_EMPTY);
    g_Profiler.EndSection(PS_EMPTY);
    g_Profiler.BeginSection(PS_SOUND);
    g_SoundMgr.Update();
    g_Profiler.EndSection(PS_SOUND);
}

void CMainGame::LevelStartStep()
{
    g_Console.DrawLoadingScreen(LOADING_STEP_FRAME);
    ++m_iLevelFrame;
    if (g_LoadingScreen.m_bActive && m_iLevelFrame >= FRAME_LOADING_HOLD)
        m_iLevelFrame = FRAME_LOADING_HOLD;
    RunLevelMilestone();
}

void CMainGame::RunLevelMilestone()
{
    for (const LevelMilestone& milestone : kMilestones)
        if (milestone.frame == m_iLevelFrame)
        {
            const std::string note = std::to_string(m_iLevelFrame) + " " + milestone.name;
            NoteStep(note.c_str());
            if (g_Options.Debug)
                g_Console.Print2("Level frame ", note.c_str());
            milestone.run();
        }
}

void CMainGame::PreRender()
{
    if (OBE.m_bRunning && !g_Menu.m_bMenuActive)
    {
        RestoreFieldOfView();
        g_Camera.UpdateProjection();
    }
}

BYTE CMainGame::FadeAlpha(float seconds)
{
    // The timer passes the fade's length before the world changes: the last
    // frames stay fully black instead of wrapping round to clear.
    const float alpha = seconds * kOpaque;
    if (!(alpha > 0.0f))
        return 0;
    return alpha >= kOpaque ? static_cast<BYTE>(kOpaque) : static_cast<BYTE>(alpha);
}

void CMainGame::Render()
{
    if (!active || halted)
        return;
    if (worldPending)
    {
        DrawFade(FadeAlpha(pendingTimer));
        return;
    }
    if (g_SaveMgr.saveScreen)
    {
        g_SaveMgr.RenderScreen();
        return;
    }
    if (m_iLevelFrame < FRAME_LOADING_PROGRESS)
        g_Console.AdvanceLoading(1);
    if (m_iLevelFrame == FRAME_GRASS)
    {
        g_PlantMgr.BuildGrass();
        DeleteObjectsNamed(kSelfDeleteName);
    }
    // The AO debug view, under the HUD and the text.
    PostProcess.DrawAOSurface();
    if (g_GameAI.IsVariableSet(VAR_CREDITS))
        g_Credits.Render();
    if (g_CutScene.m_bPlaying)
        g_CutScene.Render();
    Player.RenderHeliHud();
    g_Panel.Render();
    g_QuestSystem.DrawDebug();

    char text[kOverlayTextChars];
    if (g_Options.DrawFPS)
    {
        std::snprintf(text, sizeof text, "FPS: %i", static_cast<int>(g_Engine.m_fFps));
        g_TTFontMgr.DrawTextScaled(text, kFpsX, kFpsY, kFpsColor, 0, 0);
    }
    if (g_Options.PostProcessOff)
        g_TTFontMgr.DrawTextScaled(g_TextMgr.GetText(">MV24"), kFastModeX, kFastModeY, kFastModeColor, 0, 0);
    if (g_Options.DrawCameraCoordinates)
    {
        const D3DXVECTOR3& p = g_Camera.GetPosition();
        std::snprintf(text, sizeof text, "Camera at (%.0f, %.0f, %.0f), FarZ == %.0f",
                      static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z),
                      static_cast<double>(g_Camera.GetFarPlane()));
        g_TTFontMgr.DrawTextScaled(text, kCameraTextX, kCameraTextY, kCameraTextColor, 0, 0);
    }
    if (g_Options.PrintPolygonCount)
        g_Debug.DrawRenderStats();
    if (g_Options.DebugLights)
        g_Debug.RefreshObjectInfo();
}

// ---- World change -----------------------------------------------------------------------

bool CMainGame::ScheduleWorldStart(const char* name)
{
    if (!name || !name[0])
        return false;
    // A name that does not fit is refused whole: a cut name is another world.
    // The engine's own request buffer is the narrower one.
    if (strnlen(name, sizeof g_Engine.m_szNextWorld) >= sizeof g_Engine.m_szNextWorld)
    {
        g_Console.Print("ERROR: world name too long, the world change is refused");
        return false;
    }
    if (!FileExists(name))
    {
        g_Console.Print3("ERROR: the world \"", name, "\" does not exist; the level goes on");
        return false;
    }
    CopyWhole(pendingWorld, sizeof pendingWorld, name);
    worldPending = 1;
    pendingTimer = 0.0f;
    return true;
}

void CMainGame::PlayMusic(const char* file, BYTE loop)
{
    const bool none = !file || !file[0];
    if (!none && !CopyWhole(musicName, sizeof musicName, file))
    {
        g_Console.Print("ERROR: music file name too long, the music is not changed");
        return;
    }
    if (none)
        musicName[0] = 0;
    g_GameMusic.Start(none ? nullptr : musicName, loop, 0);
}

int GameFailed(int reason)
{
    PlayerStats.m_bMissionFailed = 1;
    PlayerStats.m_iFailReason = reason;
    return reason;
}

// ---- Save games -------------------------------------------------------------------------

bool CMainGame::Save(FILE* file)
{
    bool ok = WriteString(file, musicName);
    ok = WriteFloat(file, g_Camera.GetFarPlane()) && ok;
    ok = WriteBool(file, cameraMoveOn != 0) && ok;
    ok = WriteVector(file, &moveDir.x) && ok;
    ok = WriteVector(file, &moveStart.x) && ok;
    ok = WriteFloat(file, moveSpeed) && ok;
    ok = WriteString(file, cameraMoveOn ? moveTarget : "") && ok;
    return ok;
}

bool CMainGame::Load(FILE* file)
{
    g_GameAI.UnsetVariable(VAR_MISSION_FAILED, nullptr);
    halted = 0;
    char music[MUSIC_NAME_SIZE] = {};
    char target[MOVE_TARGET_SIZE] = {};
    float farPlane = 0.0f, speed = 0.0f;
    BYTE moving = 0;
    D3DXVECTOR3 direction, start;
    if (!ReadString(file, music) || !ReadFloat(file, &farPlane) || !ReadBool(file, &moving) ||
        !ReadVector(file, &direction.x) || !ReadVector(file, &start.x) || !ReadFloat(file, &speed) ||
        !ReadString(file, target))
        return false;
    const bool finite = std::isfinite(farPlane) && farPlane > 0.0f && std::isfinite(speed) &&
                        std::isfinite(direction.x) && std::isfinite(direction.y) &&
                        std::isfinite(direction.z) && std::isfinite(start.x) && std::isfinite(start.y) &&
                        std::isfinite(start.z);
    if (!finite)
    {
        g_Console.Print("ERROR: the MainGame section of the save holds values that are no numbers");
        return false;
    }
    g_Camera.SetFarPlane(farPlane);
    cameraMoveOn = moving;
    moveDir = direction;
    moveStart = start;
    moveSpeed = speed;
    std::memcpy(moveTarget, target, sizeof moveTarget);
    PlayMusic(music, 1);
    return true;
}

// ---- Camera move ------------------------------------------------------------------------

void CMainGame::CameraMove(const char* startObject, const char* destObject, const char* targetObject,
                           float speed)
{
    if (!targetObject || !targetObject[0])
        return;
    if (strnlen(targetObject, sizeof moveTarget) >= sizeof moveTarget)
    {
        g_Console.Print("ERROR: camera target name too long, the camera move is refused");
        return;
    }
    HOBJECT start = g_Engine.FindObject(startObject ? startObject : "", 0);
    if (!start)
    {
        g_Console.Print2("Error - CameraMove can't find start object ", startObject ? startObject : "");
        return;
    }
    HOBJECT dest = g_Engine.FindObject(destObject ? destObject : "", 0);
    if (!dest)
    {
        g_Console.Print2("Error - CameraMove can't find dest object ", destObject ? destObject : "");
        return;
    }
    CopyWhole(moveTarget, sizeof moveTarget, targetObject);
    D3DVECTOR from, to;
    g_Engine.GetObjectPosition(start, &from);
    g_Engine.GetObjectPosition(dest, &to);
    moveStart = D3DXVECTOR3(from.x, from.y, from.z);
    D3DXVECTOR3 direction(to.x - from.x, to.y - from.y, to.z - from.z);
    // Two objects in one place give no direction: the camera stays put.
    if (D3DXVec3Length(&direction) > 0.0f)
        D3DXVec3Normalize(&moveDir, &direction);
    else
        moveDir = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    moveSpeed = speed;
    cameraMoveOn = 1;
}

void CMainGame::UpdateCameraMove()
{
    if (!cameraMoveOn)
        return;
    HOBJECT target = g_Engine.FindObject(moveTarget, 0);
    if (!target)
    {
        g_Console.Print("No camera target - stopping movement.");
        CameraMoveStop();
        return;
    }
    moveStart += moveDir * (moveSpeed * g_Engine.m_fDeltaTime);
    D3DVECTOR at;
    g_Engine.GetObjectPosition(target, &at);
    D3DXVECTOR3 look(at.x - moveStart.x, at.y - moveStart.y, at.z - moveStart.z);
    g_Camera.SetPosition(&moveStart);
    if (D3DXVec3Length(&look) > 0.0f)
    {
        D3DXVec3Normalize(&look, &look);
        EOrientation orientation(&look);
        g_Camera.SetOrientation(&orientation);
    }
    g_Camera.Update();
}

// ---- Start-up steps ---------------------------------------------------------------------

void CMainGame::GeneratePaths()
{
    g_PathMgr.SetGeneratorParams(kPathGenFlag, kPathGenStep, kPathGenHeight, kPathGenRadius, kPathGenNodes);
    if (!g_PathMgr.PathFileExists())
    {
        g_Console.Print("Nie ma sciezek!");
        for (strObject& o : g_Engine.m_Objects)
        {
            if (!o.bUsed || o.bDeletePending)
                continue;
            float params[PATH_GEN_PARAMS] = {};
            g_Engine.GetObjectPathGenParams(&o, params);
            if (params[0] == 0.0f)
                continue;
            g_PathMgr.AddMeshNodes(&o);
            g_Engine.DeleteObject(&o);
        }
        g_PathMgr.SavePaths();
    }
    else
        g_PathMgr.LoadPaths();
    for (strObject& o : g_Engine.m_Objects)
    {
        if (!o.bUsed || !(o.dwFlags & kVisibleFlag))
            continue;
        // The search lower-cases both texts: it works on copies.
        char name[OBJECT_NAME_SIZE];
        char part[OBJECT_NAME_SIZE];
        std::snprintf(name, sizeof name, "%s", o.szName);
        std::snprintf(part, sizeof part, "%s", kPathGeneratorName);
        if (FindNoCase(name, part))
            g_Engine.DeleteObject(&o);
    }
}

const char* CMainGame::StartCaptionKey(const char* world)
{
    if (!world)
        return nullptr;
    for (const StartCaption& caption : kStartCaptions)
        if (CompareNoCase(caption.world, world) == 0)
            return caption.key;
    return nullptr;
}

void CMainGame::ShowLevelStartDialog()
{
    if (g_SaveMgr.m_bLoadedFromSave)
        return;
    if (const char* key = StartCaptionKey(g_Engine.m_szWorld))
        g_Panel.SetCaption(g_TextMgr.GetText(key));
}

void CMainGame::OnKeyDown(WPARAM key)
{
    m_LastKeyDown = key;
    if (!g_CommandMgr.IsCommandKey(CCommandMgr::CONSOLE_COMMAND, key))
        return;
    // Typed keys go to the console alone until it closes (which acquires the keyboard again).
    g_Console.Open();
    g_Engine.UnacquireInput();
    g_CommandMgr.ClearKeyboardState();
}

void CMainGame::OpenMenuOnKey()
{
    if (!halted || g_Menu.m_bMenuActive || !g_CommandMgr.IsCommandDown(CMD_MENU))
        return;
    if (g_Engine.m_bWorldChange || g_Engine.m_szNextWorld[0] || worldPending)
        return;
    g_Menu.Open(0, 0);
}

// ---- Developer run-path recorder ---------------------------------------------------------

void CMainGame::UpdateRunRecorder()
{
    D3DXMATRIX socket;
    EOrientation frame;
    if (!recordedObject || !g_Engine.GetObjectSocket(recordedObject, kRecorderSocket, &socket, &frame))
        return;
    const D3DXVECTOR3 at(socket._41, socket._42, socket._43);
    const D3DXVECTOR3 forward = frame.Forward;
    const D3DXVECTOR3 eye = at - forward * kRecorderCameraDistance;
    g_Camera.SetPosition(&eye);
    g_Camera.SetOrientation(&frame);
    g_Camera.UpdateProjection();

    sampleTimer -= g_Engine.m_fDeltaTime;
    if (sampleTimer <= 0.0f && sampleCount < MAX_RUN_SAMPLES)
    {
        float yaw = 0.0f, pitch = 0.0f, roll = 0.0f;
        frame.GetAngles(&pitch, &yaw, &roll);
        for (float* angle : {&yaw, &pitch, &roll})
            if (*angle > kPi)
                *angle -= 2.0f * kPi;
        samplePositions[sampleCount] = at;
        sampleAngles[sampleCount] = D3DXVECTOR3(yaw, pitch, roll);
        ++sampleCount;
        sampleTimer = kRecorderSamplePeriod;
    }
    if (sampleCount >= MAX_RUN_SAMPLES)
    {
        g_Console.Print("m_iAnimDropFrames>127");
        WriteRunParams();
    }
    else if (g_Engine.CanAnimationBeInterrupted(recordedObject))
        WriteRunParams();
}

void CMainGame::WriteRunParams()
{
    recorderOn = 0;
    g_Options.GlobalTimeSpeed = 1.0f;
    g_Engine.SetObjectAnimation(recordedObject, kRecorderAnimation, 1, 0.0f, 1.0f);
    D3DXVECTOR3 mean(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < sampleCount; ++i)
        mean += samplePositions[i];
    if (sampleCount > 0)
        mean /= static_cast<float>(sampleCount);
    FILE* f = TkFopen(kRunParamsFile, "w");
    if (!f)
    {
        g_Console.Print("Failed to write RunParams.cpp");
        return;
    }
    std::fprintf(f, "#include \"RunParams.h\"\n\nint g_iRunParamsPos=%i;\nDV g_vRunParamsPos[]={\n",
                 sampleCount);
    for (int i = 0; i < sampleCount; ++i)
    {
        const D3DXVECTOR3 p = samplePositions[i] - mean;
        std::fprintf(f, "  {%ff, %ff, %ff},\n", static_cast<double>(p.x), static_cast<double>(p.y),
                     static_cast<double>(p.z));
    }
    std::fprintf(f, "};\n\nDV g_vRunParamsDir[]={\n");
    for (int i = 0; i < sampleCount; ++i)
        std::fprintf(f, "  {%ff, %ff, %ff},\n", static_cast<double>(sampleAngles[i].x),
                     static_cast<double>(sampleAngles[i].y), static_cast<double>(sampleAngles[i].z));
    std::fprintf(f, "};\n");
    if (std::fclose(f) != 0)
        g_Console.Print("Failed to write RunParams.cpp");
}
