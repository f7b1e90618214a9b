// A far scoped kill in the running demo game, in-process on the headless
// window and device: the hero aims the sniper rifle at the soldier's head from
// afar and fires; the soldier dies once, leaves one death marker and his rifle
// lying as an item, the kill camera slows the game to 0.3 and gives it back at
// 1.0 with the default zoom, and the body is gone a minute later.
#include "game_fixture.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/Mouse.h"
#include "shell/TextUtils.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Camera.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr float kStand = 1.0f;
// Frames of 50 ms while the hero aims and shoots; of 200 ms while the test
// waits out the cool-down and the corpse's minute (below the half second at
// which characters stop moving).
constexpr double kFrameMs = 50.0;
constexpr double kLongFrameMs = 200.0;

class KillCamWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        m_step = TkHeadlessFrameStepMs();
        TkHeadlessSetFrameStepMs(kFrameMs);
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("KillCamWorldTest", kWidth, kHeight));
        ASSERT_NO_FATAL_FAILURE(StartLevel(240));
    }

    void TearDown() override
    {
        TkClearScript();
        CloseInProcessGame();
        TkHeadlessSetFrameStepMs(m_step);
        GameTest::TearDown();
    }

    double m_step = 0.0;
    bool m_picture = false;

    void Passes(int n)
    {
        for (int i = 0; i < n && !HasFatalFailure(); ++i)
            Pass();
    }

    static strpostac* Soldier()
    {
        strpostac* p = PMgr.FindCharacterByName(worldgen::DEMO_SOLDIER_SPAWN, false);
        return p && p->model ? p : nullptr;
    }

    static int Markers()
    {
        int n = 0;
        for (int i = 0; i < MAX_OBJECTS; ++i)
        {
            const strObject& o = g_Engine.m_Objects[i];
            n += o.bUsed && !o.bDeletePending && o.dwFlags2 == 0x18000000 &&
                         CompareNoCase(o.szFileName, CPostacMgr::MARKER_MODEL) == 0
                     ? 1
                     : 0;
        }
        return n;
    }

    static int LyingRifles()
    {
        int n = 0;
        for (const EItemInstance& item : ItemMgr.items)
            n += item.m_bUsed && item.m_iState == ITEM_LYING && item.m_pDesc &&
                         CompareNoCase(item.m_pDesc->name, "AW") == 0
                     ? 1
                     : 0;
        return n;
    }
};

TEST_F(KillCamWorld, AFarScopedShotKillsTheSoldierInSlowMotion)
{
    g_Options.Difficulty = 0; // a steady scope
    // The hero on the road north of the soldier on guard, where they see each other.
    const D3DVECTOR lookout = {worldgen::DEMO_LOOKOUT_AT[0], kStand, worldgen::DEMO_LOOKOUT_AT[1]};
    Player.TeleportTo(&lookout);
    ASSERT_TRUE(RunUntil(
        [] { return Soldier() && Soldier()->target == Player.m_hObject && Soldier()->engaged; }, 2000));

    // The soldier by the cover stands awake within 140 units and would keep the
    // kill camera off: an object action kills him first.
    ASSERT_TRUE(
        RunUntil([] { return PMgr.FindCharacterByName(worldgen::DEMO_COVER_SOLDIER_SPAWN, true); }, 2000));
    EXPECT_TRUE(
        ActionCalls::CharacterKill(worldgen::DEMO_COVER_SOLDIER_SPAWN, D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
    EXPECT_FALSE(
        ActionCalls::CharacterKill(worldgen::DEMO_COVER_SOLDIER_SPAWN, D3DXVECTOR3(0.0f, 0.0f, 0.0f)))
        << "no second death";
    EXPECT_FALSE(OBE.m_bRunning);
    // The rules allow no second shot within 20 s of the level's start; the
    // waits run on long frames.
    TkHeadlessSetFrameStepMs(kLongFrameMs);
    ASSERT_TRUE(RunUntil([] { return OBE.m_fCoolDown >= CKillCam::COOL_DOWN && Markers() == 0; }, 2000));
    TkHeadlessSetFrameStepMs(kFrameMs);
    strpostac* soldier = Soldier();
    ASSERT_NE(soldier, nullptr);
    // Should anything have taken him from his post, nearer the hero too, he
    // is stood back at his respawner, and the characters hold still until
    // the shot has killed him.
    g_Options.UpdatePMgr = 0;
    HOBJECT spawn = g_Engine.FindObject(worldgen::DEMO_SOLDIER_SPAWN, 0);
    ASSERT_NE(spawn, nullptr);
    PMgr.SetPosition(soldier, spawn->vPosition, soldier->orientation);
    Passes(2);
    const int riflesBefore = LyingRifles();

    ItemMgr.GiveItem("dragunov", 10);
    Bronie.SelectImmediate(3);
    Passes(10);
    ASSERT_NE(Bronie.current, nullptr);
    ASSERT_TRUE(Bronie.current->m_pDesc->Snajper_Celownik);
    Bronie.ToggleAim();
    ASSERT_TRUE(RunUntil([] { return Bronie.aimProgress >= 1.0f; }, 60));

    // Aim at his head from where the hero stands.
    D3DXVECTOR3 head;
    for (int i = 0; i < 30; ++i)
    {
        ASSERT_TRUE(g_Engine.GetSkinMeshNodePosition(soldier->model, "Bip01_Head", &head));
        head.y += 0.08f;
        const D3DXVECTOR3 eye = g_Camera.GetPosition();
        const D3DXVECTOR3 d = head - eye;
        g_Mouse.m_State.x = g_Mouse.m_State.rawX = std::atan2(d.x, d.z);
        g_Mouse.m_State.y = -std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z));
        Pass();
    }
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR3 toSoldier = soldier->model->vPosition - eye;
    ASSERT_GE(D3DXVec3Length(&toSoldier), CKillCam::MIN_DISTANCE) << "a far shot";

    TkInjectMouseButton(0, true);
    const bool killed = RunUntil([soldier] { return soldier->dead != 0; }, 10);
    TkInjectMouseButton(0, false);
    ASSERT_TRUE(killed) << "health " << soldier->hit_points;
    g_Options.UpdatePMgr = 1;
    ASSERT_TRUE(OBE.m_bRunning);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.3f);
    int slowFrames = 0;
    ASSERT_TRUE(RunUntil(
        [&]
        {
            if (OBE.m_bRunning)
            {
                // A picture of the shot half way (TK_KEEP_PICTURES names a folder to keep it in).
                if (++slowFrames == 15 && std::getenv("TK_KEEP_PICTURES"))
                {
                    g_Engine.m_bScreenshot = 1;
                    m_picture = true;
                }
                EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.3f);
            }
            return !OBE.m_bRunning;
        },
        400));
    EXPECT_GT(slowFrames, 5);
    if (m_picture)
        std::filesystem::copy_file(m_dir->path() / "tk_screen0000.bmp",
                                   std::filesystem::path(std::getenv("TK_KEEP_PICTURES")) / "kill_camera.bmp",
                                   std::filesystem::copy_options::overwrite_existing);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    EXPECT_FLOAT_EQ(g_Options.FOV, g_Options.FOV2);
    Passes(90);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 1.0f);

    EXPECT_EQ(Markers(), 1);
    EXPECT_EQ(LyingRifles(), riflesBefore + 1) << "his rifle lies in the world";
    EXPECT_EQ(soldier->weapon, nullptr);

    // The body is removed a minute of level time after the death, once the
    // hero is not looking on from near by.
    const D3DXVECTOR3 away = soldier->position + D3DXVECTOR3(0.0f, kStand, 80.0f);
    const D3DVECTOR to = {away.x, away.y, away.z};
    Player.TeleportTo(&to);
    TkHeadlessSetFrameStepMs(kLongFrameMs);
    const HOBJECT body = soldier->model;
    EXPECT_TRUE(RunUntil([&] { return !soldier->used || soldier->model != body; }, 1000));
    EXPECT_EQ(Markers(), 0);
}
} // namespace
