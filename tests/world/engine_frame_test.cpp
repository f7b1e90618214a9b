// The engine frame: deferred deletions, world starts, key routing, preloads.
#include "world_fixture.h"

#include "game/MainGame.h"
#include "platform/dinput/DInput.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/FocusMgr.h"
#include "ui/Menu.h"
#include "world/EngineSteps.h"

#include <initializer_list>
#include <string>
#include <vector>

using namespace worldtest;

namespace
{
class EngineFrame : public WorldTest
{
protected:
    void SetUp() override
    {
        // The update and the world start keep console variables; made here,
        // before the tracker is on, they are not counted (the console outlives
        // the tracker at exit).
        g_Console.SetVariable("NumTotalObjects", 0.0f, 0);
        g_Console.ExecuteSetting("EnableAntialiasing 0");
        WorldTest::SetUp();
        g_FocusMgr.m_bOnFocus = 1;
        g_Engine.m_bInitialised = 1;
    }
};
} // namespace

TEST_F(EngineFrame, ObjectMarkedDuringAPassGoesWithTheNextUpdateAndNotBefore)
{
    HOBJECT mesh = Mesh("mesh");
    HOBJECT skin = Skin("skin");
    HOBJECT light = Light("light");
    HOBJECT sprite = Sprite("sprite");
    HOBJECT kept = Mesh("kept");
    for (HOBJECT o : {mesh, skin, light, sprite})
        o->bDeletePending = 1;

    // Still there until the engine update runs the deletions.
    for (HOBJECT o : {mesh, skin, light, sprite})
        EXPECT_EQ(o->bUsed, 1);
    EXPECT_EQ(g_Engine.FindObject("mesh", 0), mesh);

    ASSERT_TRUE(g_Engine.Update());
    for (HOBJECT o : {mesh, skin, light, sprite})
        EXPECT_EQ(o->bUsed, 0) << Slot(o);
    EXPECT_EQ(g_Engine.FindObject("mesh", 0), nullptr);
    EXPECT_EQ(kept->bUsed, 1);
    EXPECT_EQ(g_Engine.GetObjectCount(), 1u);
    float total = -1.0f;
    ASSERT_TRUE(g_Console.GetVariable("NumTotalObjects", &total));
    EXPECT_EQ(total, 1.0f);
}

TEST_F(EngineFrame, NothingIsUpdatedOrDeletedWithoutFocusOrBeforeInit)
{
    HOBJECT o = Mesh();
    o->bDeletePending = 1;
    const DWORD frame = g_Engine.m_iFrame;
    g_FocusMgr.m_bOnFocus = 0;
    EXPECT_FALSE(g_Engine.Update());
    g_FocusMgr.m_bOnFocus = 1;
    g_Engine.m_bInitialised = 0;
    EXPECT_FALSE(g_Engine.Update());
    EXPECT_EQ(o->bUsed, 1);
    EXPECT_EQ(g_Engine.m_iFrame, frame);

    g_Engine.m_bInitialised = 1;
    EXPECT_TRUE(g_Engine.Update());
    EXPECT_EQ(g_Engine.m_iFrame, frame + 1);
    EXPECT_EQ(o->bUsed, 0);
    EXPECT_EQ(g_Engine.m_bGameClock, 1);
}

TEST_F(EngineFrame, AStarWorldResetsTheEngineAndLeavesNoWorldLoaded)
{
    temp->Write("worlds/test.w", "world_general_properties\n");
    ASSERT_TRUE(g_Engine.StartWorld("worlds\\test.w"));
    EXPECT_EQ(g_Engine.m_bWorldLoaded, 1);
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\test.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 0);
    EXPECT_EQ(g_Engine.m_iFrame, 0u);
    EXPECT_NE(ConsoleLog().find("Meshes loaded: 0"), std::string::npos);

    Mesh("left_over");
    Light("left_over_light");
    g_Engine.m_bGameClock = 1;
    ASSERT_TRUE(g_Engine.StartWorld("*"));
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
    EXPECT_EQ(g_Engine.m_bWorldLoaded, 0);
    EXPECT_STREQ(g_Engine.m_szWorld, "");
    EXPECT_EQ(g_Engine.m_bGameClock, 0);
    EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);
}

TEST_F(EngineFrame, WorldNamesTooLongForTheBuffersAreRefused)
{
    temp->Write("worlds/test.w", "world_general_properties\n");
    ASSERT_TRUE(g_Engine.StartWorld("worlds\\test.w"));
    const std::string longName = "worlds\\" + std::string(300, 'x') + ".w";
    EXPECT_FALSE(g_Engine.StartWorld(longName.c_str()));
    EXPECT_NE(ConsoleLog().find("!!! 1"), std::string::npos);
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\test.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 0);

    g_Engine.m_szNextWorld[0] = 0;
    g_Engine.RequestWorldChange(longName.c_str());
    EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);
    g_Engine.RequestWorldChange("worlds\\level02.w");
    EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\level02.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 1);
    g_Engine.m_szNextWorld[0] = 0;
    g_Engine.m_bWorldChange = 0;
}

TEST_F(EngineFrame, KeysGoToTheConsoleElseTheMenuElseTheGame)
{
    g_MainGame.m_LastKeyDown = g_Menu.m_LastKeyDown = 0;
    g_Console.m_szInput[0] = 0;
    g_Console.m_iCursor = 0;

    g_Console.m_bOpen = 1;
    g_Menu.m_bMenuActive = 1;
    g_Engine.OnKeyDown('A');
    EXPECT_STREQ(g_Console.m_szInput, "a");
    EXPECT_EQ(g_Menu.m_LastKeyDown, 0u);
    EXPECT_EQ(g_MainGame.m_LastKeyDown, 0u);

    g_Console.m_bOpen = 0;
    g_Engine.OnKeyDown('B');
    g_Engine.OnKeyUp('B');
    EXPECT_EQ(g_Menu.m_LastKeyDown, WPARAM('B'));
    EXPECT_EQ(g_Menu.m_LastKeyUp, WPARAM('B'));
    EXPECT_EQ(g_MainGame.m_LastKeyDown, 0u);

    g_Menu.m_bMenuActive = 0;
    g_Engine.OnKeyDown('C');
    g_Engine.OnKeyUp('C');
    EXPECT_EQ(g_MainGame.m_LastKeyDown, WPARAM('C'));
    EXPECT_EQ(g_MainGame.m_LastKeyUp, WPARAM('C'));
    EXPECT_STREQ(g_Console.m_szInput, "a");
    g_Console.m_szInput[0] = 0;
    g_Console.m_iCursor = 0;
}

TEST_F(EngineFrame, PreloadLeavesNoObjectBehind)
{
    g_Engine.PreloadFile(MESH_FILE, 4);
    g_Engine.PreloadFile(SKIN_FOLDER, 16);
    g_Engine.PreloadFile(SPRITE_FILE, 2);
    g_Engine.PreloadFile("meshes\\missing.x", 4);
    g_Engine.PreloadFile(nullptr, 4);
    g_Engine.PreloadFile("sounds\\missing.wav", 8);
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), 0);
}

TEST_F(EngineFrame, QuitAndCutsceneSkipRequests)
{
    g_Engine.m_bQuit = 0;
    g_Engine.RequestQuit();
    EXPECT_EQ(g_Engine.m_bQuit, 1);
    g_Engine.m_bQuit = 0;

    g_Engine.SkipCutscene();
    EXPECT_EQ(g_Engine.m_bSkipCutscene, 1);
    EXPECT_NE(ConsoleLog().find("*** Stop cutscene!"), std::string::npos);
    // No cut-scene plays: the next update ends the skip.
    g_Engine.Update();
    EXPECT_EQ(g_Engine.m_bSkipCutscene, 0);
}

namespace
{
// Holds a command's key down through its first bound key.
void HoldCommand(int command, bool down)
{
    g_CommandMgr.m_bKeyState[g_CommandMgr.m_dwBindings[command][0]] = down ? 1 : 0;
}
} // namespace

TEST_F(EngineFrame, DeveloperKeysWorkOnlyWithTheDeveloperSetting)
{
    g_CommandMgr.m_dwBindings[EEngine::CMD_DEV_SKIP_CUTSCENE][0] = DIK_F10;
    g_CommandMgr.m_dwBindings[EEngine::CMD_DEV_SCREENSHOT][0] = DIK_F8;
    g_CommandMgr.m_dwBindings[EEngine::CMD_DEV_FAR_PLANE_UP][0] = DIK_HOME;
    g_CommandMgr.m_dwBindings[EEngine::CMD_DEV_FAR_PLANE_DOWN][0] = DIK_END;
    g_Engine.m_bScreenshot = 0;
    g_Menu.m_bMenuActive = 0;

    // Without the setting the screenshot key asks for nothing.
    g_Options.developer = 0;
    HoldCommand(EEngine::CMD_DEV_SCREENSHOT, true);
    g_Engine.Update();
    EXPECT_EQ(g_Engine.m_bScreenshot, 0);

    // With it, the engine's update asks for one screenshot per press.
    g_Options.developer = 1;
    g_Engine.Update();
    EXPECT_EQ(g_Engine.m_bScreenshot, 1);
    g_Engine.m_bScreenshot = 0;
    g_Engine.Update();
    EXPECT_EQ(g_Engine.m_bScreenshot, 0) << "the key still held is the same press";
    HoldCommand(EEngine::CMD_DEV_SCREENSHOT, false);
    g_Engine.Update();
    HoldCommand(EEngine::CMD_DEV_SCREENSHOT, true);
    g_Engine.Update();
    EXPECT_EQ(g_Engine.m_bScreenshot, 1);
    HoldCommand(EEngine::CMD_DEV_SCREENSHOT, false);

    // The far plane moves half a unit a second while its key is held, not
    // while the menu is up, and never comes nearer than one unit.
    struct FarCase
    {
        int command;
        BYTE menu;
        float from, to;
    };
    const FarCase farCases[] = {
        {EEngine::CMD_DEV_FAR_PLANE_UP, 0, 1000.0f, 1001.0f},
        {EEngine::CMD_DEV_FAR_PLANE_DOWN, 0, 1000.0f, 999.0f},
        {EEngine::CMD_DEV_FAR_PLANE_DOWN, 1, 1000.0f, 1000.0f},
        {EEngine::CMD_DEV_FAR_PLANE_DOWN, 0, 1.5f, 1.0f},
    };
    for (const FarCase& c : farCases)
    {
        g_Camera.SetFarPlane(c.from);
        g_Menu.m_bMenuActive = c.menu;
        g_Engine.m_fDeltaTime = 2.0f;
        HoldCommand(c.command, true);
        g_Engine.DeveloperKeys();
        HoldCommand(c.command, false);
        EXPECT_FLOAT_EQ(g_Camera.GetFarPlane(), c.to)
            << c.command << " menu " << int(c.menu) << " from " << c.from;
    }
    g_Menu.m_bMenuActive = 0;

    // The skip key skips a cut-scene only once it has run five seconds.
    g_CutScene.m_bPlaying = 1;
    g_CutScene.m_fSceneTime = 4.0f;
    g_Engine.m_bSkipCutscene = 0;
    HoldCommand(EEngine::CMD_DEV_SKIP_CUTSCENE, true);
    g_Engine.DeveloperKeys();
    EXPECT_EQ(g_Engine.m_bSkipCutscene, 0);
    HoldCommand(EEngine::CMD_DEV_SKIP_CUTSCENE, false);
    g_Engine.DeveloperKeys();
    g_CutScene.m_fSceneTime = 6.0f;
    HoldCommand(EEngine::CMD_DEV_SKIP_CUTSCENE, true);
    g_Engine.DeveloperKeys();
    EXPECT_EQ(g_Engine.m_bSkipCutscene, 1);
    EXPECT_NE(ConsoleLog().find("*** Stop cutscene!"), std::string::npos);
    // Without a cut-scene the key does nothing.
    g_Engine.m_bSkipCutscene = 0;
    g_CutScene.m_bPlaying = 0;
    HoldCommand(EEngine::CMD_DEV_SKIP_CUTSCENE, false);
    g_Engine.DeveloperKeys();
    HoldCommand(EEngine::CMD_DEV_SKIP_CUTSCENE, true);
    g_Engine.DeveloperKeys();
    EXPECT_EQ(g_Engine.m_bSkipCutscene, 0);
    HoldCommand(EEngine::CMD_DEV_SKIP_CUTSCENE, false);
}

namespace
{
// The orders the managers rely on: each phase runs its steps in exactly this
// order, and a world start runs the reset, the unload and the set-up after
// the load in turn.
const std::vector<std::string> kUpdateOrder = {
    "EEngine::CountFrame",
    "EEngine::AcquireInput",
    "ERenderer::ResetViewCache",
    "CSoundMgr::StopAllSounds",
    "EEngine::StartGameClock",
    "EProfiler::BeginSection",
    "CMainGame::PreUpdate",
    "ESkyLight::Update",
    "EEngine::DeveloperKeys",
    "EObjectMgr::Update",
    "EEngineObject::Update",
    "ERenderer::UpdateTime",
    "EPostProcess::UpdateActive",
    "EPlantMgr::Update",
    "ESlupMgr::Update",
    "EProfiler::EndSection",
    "EEngine::DeletePendingObjects",
    "ELaserMgr::Update",
    "EHeliMgr::Update",
    "EConsole::SetVariable",
};

const std::vector<std::string> kInitOrder = {
    "EFont::CreateVB",       "ERenderer::ScanTextureDirectory",
    "ESkinMeshMgr::Init",    "MeshSocketsMgr::LoadAll",
    "EConsole::Init",        "EEffectMgr::Init",
    "CSoundMgr::Initialize", "EEngine::CreateMouse",
};

const std::vector<std::string> kResetOrder = {
    "EPostProcess::ReleaseWorld", "EObjectMgr::Reset",
    "EHeliMgr::Release",          "ESlupMgr::Release",
    "EPlantMgr::Release",         "EViewLines::Release",
    "CAmbientProbe::Release",     "ELensFlare::Release",
    "EEngine::UnacquireInput",    "ESkyLight::Release",
    "EEngine::ForceCameraToLook", "EEngine::EndCutsceneSkip",
    "CMainGame::ReleaseLevel",    "EEngine::DeleteAllObjects",
    "ESpriteMgr::Release",        "EConsole::ReleaseDeviceObjects",
    "BezierMgr::DeleteAll",       "EEngineObject::Release",
    "ELaserMgr::Release",         "EConsole::Close",
    "ERenderer::ResetWorldState", "CSoundMgr::DeleteAllSounds",
    "CSoundMgr::ClearCache",      "PAutoMap::ReleaseDeviceObjects",
    "CShadowCubeMaps::Release",   "CPhysicsMgr::Shutdown",
    "ECamera::Release",           "CSkyLights::Release",
};

const std::vector<std::string> kUnloadOrder = {
    "EMeshMgr::ReleaseAll",
    "ERenderer::ClearTextures",
    "CMainGame::StopMusic",
    "CSoundMgr::ClearCache",
};

const std::vector<std::string> kPostLoadOrder = {
    "EEngine::StopGameClock",
    "CPhysicsMgr::Init",
    "EEngine::RespawnObjects",
    "EObjectMgr::Init",
    "EHeliMgr::Reset",
    "ESlupMgr::Load",
    "ECamera::Reset",
    "EEngine::PlaceStartCamera",
    "EProfiler::Reset",
    "EEngine::MakePendingTies",
    "EEngine::PrepareObjects",
    "CSkyLights::InitWorld",
    "EViewLines::CreateVB",
    "CShadowCubeMaps::Init",
    "PAutoMap::CreateDeviceObjects",
    "CAmbientProbe::Init",
    "ERenderer::InitAmbient",
    "EEngineObject::Init",
    "ESpriteMgr::Reset",
    "EPlantMgr::Reset",
    "EConsole::CreateDeviceObjects",
    "EEngine::ResetFrameAndClock",
    "ELaserMgr::CreateDeviceObjects",
    "ESkyLight::InitWorld",
    "CMainGame::InitLevel",
    "EEngine::AcquireInput",
    "EDebug::ResetCounters",
    "ELensFlare::Load",
    "EPostProcess::InitWorld",
    "EEngine::DeleteFlaggedObjects",
    "EConsole::PrintInt",
};

std::vector<std::string> Joined(std::initializer_list<const std::vector<std::string>*> parts)
{
    std::vector<std::string> all;
    for (const auto* part : parts)
        all.insert(all.end(), part->begin(), part->end());
    return all;
}

struct RecordedSteps
{
    RecordedSteps() { TkRecordEngineSteps(true); }
    ~RecordedSteps() { TkRecordEngineSteps(false); }
    const std::vector<std::string>& Log() const { return TkEngineStepLog(); }
};
} // namespace

TEST_F(EngineFrame, EachPhaseRunsItsManagersInTheirOrder)
{
    {
        RecordedSteps steps;
        g_Engine.Init(nullptr);
        EXPECT_EQ(steps.Log(), kInitOrder);
        EXPECT_EQ(g_Engine.m_bInitialised, 1);
        // What the start-up made on the device goes with the shutdown.
        g_Engine.Shutdown();
        g_Engine.m_bInitialised = 1;
    }
    {
        RecordedSteps steps;
        ASSERT_TRUE(g_Engine.Update());
        EXPECT_EQ(steps.Log(), kUpdateOrder);
    }
    {
        RecordedSteps steps;
        g_Engine.ResetWorld();
        EXPECT_EQ(steps.Log(), kResetOrder);
    }
    {
        // A loaded world is reset first; "*" reads no world file.
        g_Engine.m_bWorldLoaded = 1;
        RecordedSteps steps;
        ASSERT_TRUE(g_Engine.StartWorld("*"));
        EXPECT_EQ(steps.Log(), Joined({&kResetOrder, &kUnloadOrder, &kPostLoadOrder}));
    }
    {
        // No world to reset the first time.
        g_Engine.m_bWorldLoaded = 0;
        RecordedSteps steps;
        ASSERT_TRUE(g_Engine.StartWorld("*"));
        EXPECT_EQ(steps.Log(), Joined({&kUnloadOrder, &kPostLoadOrder}));
    }
}
