#include "support/Globals.h"

#include "characters/AiMapData.h"
#include "characters/KillCam.h"
#include "characters/PathMgr.h"
#include "characters/PostacMgr.h"
#include "game/BezierCamera.h"
#include "game/CutScene.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/QuestSystem.h"
#include "game/SaveMgr.h"
#include "physics/HeliMgr.h"
#include "physics/PlayerHeli.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/LensFlare.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/HitStats.h"
#include "shell/Mouse.h"
#include "shell/Profiler.h"
#include "shell/SaveFile.h"
#include "shell/WinMain.h"
#include "game/DialogueMgr.h"
#include "sound/GameMusic.h"
#include "sound/NpcChatter.h"
#include "ui/Credits.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace
{
using Saved = GlobalsSnapshot::Saved;

// A whole copy, on the heap (the engine holds its object table).
template <typename T> struct Copy : Saved
{
    T& global;
    std::unique_ptr<T> copy;
    explicit Copy(T& g) : global(g), copy(std::make_unique<T>(g)) {}
    void Restore() override { global = *copy; }
};

template <typename T> std::unique_ptr<Saved> Keep(T& global)
{
    return std::make_unique<Copy<T>>(global);
}

// The save manager is never copied: it owns its list and thumbnail. Its
// flags and counters come back, and the list is emptied.
struct SaveMgrState : Saved
{
    BYTE saveScreen = g_SaveMgr.saveScreen, pending = g_SaveMgr.pendingCheckpoint,
         loadingWorld = g_SaveMgr.loadingWorld, load = g_SaveMgr.loadInProgress,
         save = g_SaveMgr.saveInProgress, fromSave = g_SaveMgr.m_bLoadedFromSave;
    DWORD highest = g_SaveMgr.highestNumber, frames = g_SaveMgr.m_iFramesSinceLevelStart;
    float sinceLoad = g_SaveMgr.timeSinceLoad;
    EMouseState mouse = g_SaveMgr.mouseState;
    void Restore() override
    {
        g_SaveMgr.ClearFileList();
        g_SaveMgr.ReleaseThumbnail();
        g_SaveMgr.saveScreen = saveScreen;
        g_SaveMgr.pendingCheckpoint = pending;
        g_SaveMgr.loadingWorld = loadingWorld;
        g_SaveMgr.loadInProgress = load;
        g_SaveMgr.saveInProgress = save;
        g_SaveMgr.m_bLoadedFromSave = fromSave;
        g_SaveMgr.highestNumber = highest;
        g_SaveMgr.m_iFramesSinceLevelStart = frames;
        g_SaveMgr.timeSinceLoad = sinceLoad;
        g_SaveMgr.mouseState = mouse;
    }
};

// The renderer is never copied: it owns its texture records and definitions.
// The values settings and world files write come back.
// The waypoint graphs own their nodes: a test's graphs are dropped, the
// generator's settings and counters come back.
struct PathMgrState : Saved
{
    BYTE flag = g_PathMgr.m_bGeneratorFlag;
    float step = g_PathMgr.m_fGridStep, height = g_PathMgr.m_fGeneratorHeight, radius = g_PathMgr.m_fRadius;
    DWORD nodes = g_PathMgr.m_iNodeLimit;
    int saves = g_PathMgr.m_iSaves, added = g_PathMgr.m_iMeshesAdded;
    HOBJECT probe = g_PathMgr.m_hProbe;
    void Restore() override
    {
        g_PathMgr.Release();
        g_PathMgr.SetGeneratorParams(flag, step, height, radius, static_cast<int>(nodes));
        g_PathMgr.m_iSaves = saves;
        g_PathMgr.m_iMeshesAdded = added;
        g_PathMgr.m_hProbe = probe;
    }
};

struct RendererState : Saved
{
    int instancesBoundary = g_Renderer.m_iInstancesBoundary;
    char terrainScript[TEXTURE_NAME_SIZE];
    ERenderer::TerrainLayer terrain[TERRAIN_LAYERS];
    RendererState()
    {
        std::memcpy(terrainScript, g_Renderer.m_szTerrainScript, sizeof terrainScript);
        std::memcpy(terrain, g_Renderer.m_Terrain, sizeof terrain);
    }
    void Restore() override
    {
        g_Renderer.m_iInstancesBoundary = instancesBoundary;
        std::memcpy(g_Renderer.m_szTerrainScript, terrainScript, sizeof terrainScript);
        std::memcpy(g_Renderer.m_Terrain, terrain, sizeof terrain);
    }
};

// The console is never copied: it owns its variables. Its variables (names,
// values, origin), the start-up folder and the switches tests change come back.
struct ConsoleState : Saved
{
    struct Variable
    {
        std::string name;
        float value;
        BYTE fromConfig;
    };
    std::vector<Variable> variables; // newest first, as the console lists them
    std::string startupDir = g_Console.GetStartupDirectory();
    DWORD recentLines = g_Console.m_iRecentLines;
    BYTE open = g_Console.m_bOpen;
    const char* settingSource = g_Console.m_pszSettingSource;

    ConsoleState()
    {
        for (const EConsoleVariable* v = g_Console.m_pZmienne; v; v = v->next)
            variables.push_back({v->name, v->value, v->fromConfig});
    }

    void Restore() override
    {
        g_Console.FreeVariables();
        // Made again outside the allocation tracker, whatever the test left
        // it at: a test's counts never include the variables put back.
        const int systemDebug = g_Options.SystemDebug;
        g_Options.SystemDebug = 0;
        for (auto it = variables.rbegin(); it != variables.rend(); ++it)
            g_Console.SetVariable(it->name.c_str(), it->value, it->fromConfig);
        g_Options.SystemDebug = systemDebug;
        g_Console.SetStartupDirectory(startupDir.c_str());
        g_Console.m_iRecentLines = recentLines;
        g_Console.m_bOpen = open;
        g_Console.m_pszSettingSource = settingSource;
    }
};

// The input managers own their DirectInput devices; only their state comes back.
struct InputState : Saved
{
    EMouseState mouse = g_Mouse.m_State;
    EMouseState mouseSaved = g_Mouse.m_SavedState;
    std::unique_ptr<CCommandMgr> commands = std::make_unique<CCommandMgr>();

    InputState()
    {
        std::memcpy(commands->m_bKeyState, g_CommandMgr.m_bKeyState, sizeof commands->m_bKeyState);
        std::memcpy(commands->m_dwBindings, g_CommandMgr.m_dwBindings, sizeof commands->m_dwBindings);
        commands->m_bFireLatch = g_CommandMgr.m_bFireLatch;
    }

    void Restore() override
    {
        g_Mouse.m_State = mouse;
        g_Mouse.m_SavedState = mouseSaved;
        std::memcpy(g_CommandMgr.m_bKeyState, commands->m_bKeyState, sizeof commands->m_bKeyState);
        std::memcpy(g_CommandMgr.m_dwBindings, commands->m_dwBindings, sizeof commands->m_dwBindings);
        g_CommandMgr.m_bFireLatch = commands->m_bFireLatch;
    }
};
// The tracker holds a lock and its counts are the run's; only its timers and
// the picked object come back.
struct DebugState : Saved
{
    std::vector<double> timers{std::begin(g_Debug.m_fTimers), std::end(g_Debug.m_fTimers)};
    double measured = g_Debug.m_fMeasuredFrameTime;
    HOBJECT picked = g_Debug.m_hPickedObject;
    HOBJECT marked = g_Debug.m_hMarkedObject;

    void Restore() override
    {
        std::copy(timers.begin(), timers.end(), g_Debug.m_fTimers);
        g_Debug.m_fMeasuredFrameTime = measured;
        g_Debug.m_hPickedObject = picked;
        g_Debug.m_hMarkedObject = marked;
    }
};

// The level scripts own their variables: they are kept in their saved form
// and read back into an empty list (their setters are not kept).
struct ScriptVariablesState : Saved
{
    FILE* saved = std::tmpfile();
    BYTE levelStarted = g_GameAI.m_bLevelStarted;
    BYTE reportFull = g_GameAI.m_bReportFull;

    ScriptVariablesState()
    {
        if (saved)
            g_GameAI.SaveVariables(saved);
    }
    ~ScriptVariablesState() override
    {
        if (saved)
            std::fclose(saved);
    }

    void Restore() override
    {
        g_GameAI.FreeVariables();
        if (saved)
        {
            std::rewind(saved);
            g_GameAI.LoadVariables(saved);
        }
        g_GameAI.m_bLevelStarted = levelStarted;
        g_GameAI.m_bReportFull = reportFull;
        // Level scripts a test read are dropped, and so are its report lines.
        g_GameAI.FreeScripts();
        g_GameAI.m_szLevelDisplayName[0] = 0;
        g_GameAI.m_sReport.clear();
        g_GameAI.m_bReportLoaded = 0;
        g_GameAI.m_bReportDirty = 0;
    }
};

// The characters' manager owns its phases and tables on the heap: tests start
// and end with it empty (the engine's objects come back with the engine);
// its counters come back.
struct PostacMgrState : Saved
{
    int alarms = PMgr.m_iAlarms;
    strAlarmRequest lastAlarm = PMgr.m_LastAlarm;
    int deleteDead = PMgr.m_iDeleteDeadRequests;
    void Restore() override
    {
        PMgr.Forget();
        PMgr.m_iAlarms = alarms;
        PMgr.m_LastAlarm = lastAlarm;
        PMgr.m_iDeleteDeadRequests = deleteDead;
    }
};

// The dialogues own their records on the heap and point at sounds and
// characters: tests end with no dialogue and no chat (sounds go with the engine).
struct DialoguesState : Saved
{
    void Restore() override
    {
        g_DialogueMgr.Forget();
        g_NpcChatter.Reset();
    }
};

// The item manager owns its catalogue and icons: tests start and end with it
// empty, and whatever a test left in it is dropped (the engine's table comes
// back with the engine).
struct ItemMgrState : Saved
{
    void Restore() override { ItemMgr.Forget(); }
};

// The helicopters and the flown helicopter hold handles of the engine's
// objects: tests start and end with none, and the definitions are read anew.
struct VehiclesState : Saved
{
    void Restore() override
    {
        std::memset(g_HeliMgr.m_Heli, 0, sizeof g_HeliMgr.m_Heli);
        std::memset(g_HeliMgr.m_Nests, 0, sizeof g_HeliMgr.m_Nests);
        g_HeliMgr.m_iNumDefs = 0;
        g_HeliMgr.m_bDefsLoaded = 0;
        g_HeliMgr.m_fWashSpread = 2.0f;
        g_PlayerHeli.m_bFlying = 0;
        g_PlayerHeli.m_hObject = nullptr;
    }
};
// The baked lights are never copied whole (the raw table alone is 72 MB):
// their parameters, counts, merged tables and picks come back, and the raw
// table is left as the bake left it (nothing reads it past its count).
struct SkyLightsState : Saved
{
    struct Tables
    {
        SkyLight a[MAX_MERGED_SKY_LIGHTS], b[MAX_MERGED_SKY_LIGHTS];
        SkyLightInstance picked[MAX_PICKED_SKY_LIGHTS];
    };
    std::unique_ptr<Tables> tables = std::make_unique<Tables>();
    float params[7] = {g_SkyLights.m_fGridStep,   g_SkyLights.m_fLightRadius, g_SkyLights.m_fParam80,
                       g_SkyLights.m_fMergeStepA, g_SkyLights.m_fMergeStepB,  g_SkyLights.m_fParam08,
                       g_SkyLights.m_fParam07};
    DWORD raw = g_SkyLights.m_dwRawCount, countA = g_SkyLights.m_dwCountA, countB = g_SkyLights.m_dwCountB,
          picked = g_SkyLights.m_dwPickedCount, considered = g_SkyLights.m_dwConsidered,
          updates = g_SkyLights.m_iUpdates;
    float scale[3] = {g_SkyLights.m_fColorScale[0], g_SkyLights.m_fColorScale[1],
                      g_SkyLights.m_fColorScale[2]};
    BYTE pickEveryFrame = g_SkyLights.m_bPickEveryFrame;
    SkyLightsState()
    {
        std::memcpy(tables->a, g_SkyLights.m_LightsA, sizeof tables->a);
        std::memcpy(tables->b, g_SkyLights.m_LightsB, sizeof tables->b);
        std::memcpy(tables->picked, g_SkyLights.m_Picked, sizeof tables->picked);
    }
    void Restore() override
    {
        CSkyLights& s = g_SkyLights;
        s.m_fGridStep = params[0];
        s.m_fLightRadius = params[1];
        s.m_fParam80 = params[2];
        s.m_fMergeStepA = params[3];
        s.m_fMergeStepB = params[4];
        s.m_fParam08 = params[5];
        s.m_fParam07 = params[6];
        std::memcpy(s.m_LightsA, tables->a, sizeof tables->a);
        std::memcpy(s.m_LightsB, tables->b, sizeof tables->b);
        std::memcpy(s.m_Picked, tables->picked, sizeof tables->picked);
        s.m_dwRawCount = raw;
        s.m_dwCountA = countA;
        s.m_dwCountB = countB;
        s.m_dwPickedCount = picked;
        s.m_dwConsidered = considered;
        s.m_iUpdates = updates;
        std::copy(std::begin(scale), std::end(scale), s.m_fColorScale);
        s.m_bPickEveryFrame = pickEveryFrame;
    }
};
} // namespace

GlobalsSnapshot::GlobalsSnapshot()
{
    // One row per manager global.
    m_saved.push_back(Keep(g_Options));
    m_saved.push_back(std::make_unique<ConsoleState>());
    m_saved.push_back(std::make_unique<InputState>());
    m_saved.push_back(std::make_unique<DebugState>());
    m_saved.push_back(Keep(g_FocusMgr));
    m_saved.push_back(Keep(g_Profiler));
    m_saved.push_back(Keep(g_HitStats));
    m_saved.push_back(Keep(g_d3dpp));
    m_saved.push_back(Keep(g_pD3D));
    m_saved.push_back(Keep(g_pD3DInterface));
    m_saved.push_back(Keep(g_pBackBuffer));
    m_saved.push_back(Keep(g_hWnd));
    m_saved.push_back(Keep(g_bQuitting));
    m_saved.push_back(Keep(g_bLauncherExit));
    m_saved.push_back(Keep(g_bShowLauncher));
    m_saved.push_back(Keep(g_bShowVideoOptions));
    m_saved.push_back(Keep(g_dwBytesWritten));
    m_saved.push_back(Keep(g_dwBytesRead));
    m_saved.push_back(Keep(g_Engine));
    m_saved.push_back(Keep(g_Camera));
    m_saved.push_back(Keep(PostProcess));
    m_saved.push_back(std::make_unique<RendererState>());
    m_saved.push_back(std::make_unique<SkyLightsState>());
    m_saved.push_back(Keep(Env));
    m_saved.push_back(Keep(g_LensFlare));
    m_saved.push_back(Keep(Player));
    m_saved.push_back(Keep(Bronie));
    m_saved.push_back(std::make_unique<ItemMgrState>());
    m_saved.push_back(std::make_unique<VehiclesState>());
    m_saved.push_back(std::make_unique<PostacMgrState>());
    m_saved.push_back(Keep(g_AiMapData));
    m_saved.push_back(Keep(g_MainGame));
    m_saved.push_back(Keep(g_QuestSystem));
    m_saved.push_back(Keep(static_cast<CutSceneState&>(g_CutScene)));
    m_saved.push_back(Keep(g_BezierCamera));
    m_saved.push_back(Keep(static_cast<MenuState&>(g_Menu)));
    m_saved.push_back(Keep(static_cast<PanelState&>(g_Panel)));
    m_saved.push_back(Keep(static_cast<ObjectiveState&>(g_Objective)));
    m_saved.push_back(Keep(g_Credits));
    m_saved.push_back(Keep(static_cast<LoadingScreenState&>(g_LoadingScreen)));
    m_saved.push_back(std::make_unique<ScriptVariablesState>());
    m_saved.push_back(Keep(PlayerStats));
    m_saved.push_back(std::make_unique<SaveMgrState>());
    m_saved.push_back(Keep(g_GameMusic));
    m_saved.push_back(std::make_unique<DialoguesState>());
    m_saved.push_back(std::make_unique<PathMgrState>());
    m_saved.push_back(Keep(OBE));
    m_saved.push_back(Keep(g_EngineObject));
}

GlobalsSnapshot::~GlobalsSnapshot()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
        (*it)->Restore();
}
