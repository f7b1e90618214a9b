// The kill camera: which kills start a shot, how long a shot lasts, and that
// time, zoom, colour and view always come back however the shot ends.
#include "characters_fixture.h"

#include "characters/KillCam.h"
#include "game/GameAI.h"
#include "render/PostProcess.h"
#include "shell/SaveFile.h"
#include "world/Object.h"

#include <cstdio>
#include <functional>
#include <string>

using namespace chartest;

namespace
{
constexpr const char* kSoldierModel = "models\\soldier\\soldier.x";
// The engine's frame time of a headless 50 ms frame slowed to 0.3.
constexpr float kSlowedFrame = 0.05f * 0.3f;

class KillCamTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Figure("soldier"));
        temp->Write("scripts/items.txt",
                    std::string("item Sniper\nName Sniper\nWeapon\nUnique_Id 3\n"
                                "Snajper_Celownik 3\nHit 100\nEnemy_Hit 10\nDrop_Object ") +
                        BOX_MESH + "\nHeld_Object " + BOX_MESH + "\n");
        ItemMgr.LoadDescriptions();
        Scripts(std::string("postac soldier\nmodel ") + kSoldierModel + "\nHP 100\n" +
                "postac townsman\ncivilian\nmodel " + kSoldierModel + "\n");
        const float at[3] = {0.0f, 0.0f, -1.0f};
        Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
        g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
        Player.m_vPosition = {0.0f, 0.0f, -1.0f};
        Player.m_bOnGun = 0;
        Player.m_bOnLadder = 0;
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Options.GlobalTimeSpeed = 1.0f;
        g_Options.FOV = g_Options.FOV2 = 1.2f;
        g_Options.mucha = 0;
        PostProcess.Desaturacja = 0.2f;
        OBE.Reset();
        OBE.m_fCoolDown = CKillCam::COOL_DOWN;
    }

    void TearDown() override
    {
        Bronie.current = nullptr;
        Bronie.aiming = 0;
        CharactersTest::TearDown();
    }

    // A soldier fighting the hero, with his model, the given distance ahead of the camera.
    strpostac* Fighter(float distance, const char* name = "victim", const char* desc = "soldier")
    {
        strpostac* p = Character(desc, D3DXVECTOR3(0.0f, 0.0f, distance), name);
        if (!p)
            return nullptr;
        PMgr.CreateCharacterModel(p, nullptr);
        EXPECT_NE(p->model, nullptr);
        p->target = Player.m_hObject;
        p->engaged = 1;
        return p;
    }

    // The hero aims through the scope of a sniper rifle.
    void AimScope()
    {
        const D3DXVECTOR3 at(0.0f, -100.0f, 0.0f);
        EItemInstance* rifle = AddItem("Sniper", &at, nullptr);
        ASSERT_NE(rifle, nullptr);
        Bronie.current = rifle;
        Bronie.aiming = 1;
        Bronie.aimProgress = 1.0f;
    }
};
} // namespace

TEST_F(KillCamTest, TheStartConditions)
{
    struct Case
    {
        const char* what;
        float victim;
        float coolDown;
        bool music;
        float blocker; // 0 for none
        BYTE blockerFights;
        const char* blockerDesc;
        bool starts;
    };
    const Case cases[] = {
        {"13.9 units away", 13.9f, 20.0f, false, 0.0f, 0, "", false},
        {"14.0 units away", 14.0f, 20.0f, false, 0.0f, 0, "", true},
        {"19.9 s after the last shot", 30.0f, 19.9f, false, 0.0f, 0, "", false},
        {"music forced", 30.0f, 20.0f, true, 0.0f, 0, "", false},
        {"an enemy without a target at 100", 30.0f, 20.0f, false, 100.0f, 0, "soldier", false},
        {"an enemy without a target at 150", 30.0f, 20.0f, false, 150.0f, 0, "soldier", true},
        {"an enemy fighting the hero at 100", 30.0f, 20.0f, false, 100.0f, 1, "soldier", false},
        {"a civilian at 100", 30.0f, 20.0f, false, 100.0f, 0, "townsman", true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        PMgr.DeleteAllCharacters();
        strpostac* victim = Fighter(c.victim);
        ASSERT_NE(victim, nullptr);
        if (c.blocker > 0.0f)
        {
            strpostac* b = Character(c.blockerDesc, D3DXVECTOR3(c.blocker, 0.0f, 0.0f), "blocker");
            ASSERT_NE(b, nullptr);
            b->target = c.blockerFights ? Player.m_hObject : nullptr;
        }
        OBE.m_fCoolDown = c.coolDown;
        if (c.music)
            g_GameAI.SetVariable("wymus_muzyke", nullptr);
        else
            g_GameAI.UnsetVariable("wymus_muzyke", nullptr);
        EXPECT_EQ(OBE.CanStart(victim->model), c.starts);
    }
    g_GameAI.UnsetVariable("wymus_muzyke", nullptr);
}

TEST_F(KillCamTest, AScopedKillStartsAShotOnlyWhenAllowedUnlessTheDeathForcesIt)
{
    strpostac* victim = Fighter(30.0f);
    ASSERT_NE(victim, nullptr);
    OBE.OnNpcDeath(victim->model);
    EXPECT_FALSE(OBE.m_bRunning) << "not aiming through a scope";
    ASSERT_NO_FATAL_FAILURE(AimScope());
    OBE.m_bAllowed = 0;
    OBE.OnNpcDeath(victim->model);
    EXPECT_FALSE(OBE.m_bRunning) << "forbidden";
    OBE.m_bAllowed = 1;
    victim->engaged = 0;
    OBE.OnNpcDeath(victim->model);
    EXPECT_FALSE(OBE.m_bRunning) << "not fighting";
    victim->engaged = 1;
    OBE.OnNpcDeath(victim->model);
    EXPECT_TRUE(OBE.m_bRunning);
    EXPECT_FALSE(Bronie.aiming) << "the scope is lowered for the shot";
    OBE.Stop();

    // A forced death starts whatever the rules say.
    strpostac* close = Fighter(3.0f, "close");
    close->forced_kill_camera = 1;
    OBE.m_bAllowed = 0;
    OBE.m_fCoolDown = 0.0f;
    OBE.OnNpcDeath(close->model);
    EXPECT_TRUE(OBE.m_bRunning);
    OBE.Stop();
}

TEST_F(KillCamTest, AShotLastsUntilSlowedTimePassesItsLengthAndRestoresEverything)
{
    strpostac* victim = Fighter(30.0f);
    ASSERT_NE(victim, nullptr);
    g_Options.FOV = 0.9f; // the hero had zoomed
    const EOrientation before = g_Camera.GetViewFrame();
    OBE.Start(victim->model);
    ASSERT_TRUE(OBE.m_bRunning);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.3f);
    EXPECT_FLOAT_EQ(g_Options.FOV, 0.4f);
    EXPECT_FLOAT_EQ(PostProcess.Desaturacja, 0.4f);
    EXPECT_FLOAT_EQ(OBE.m_fCoolDown, 0.0f);
    g_Engine.m_fDeltaTime = kSlowedFrame;
    int frames = 0;
    while (OBE.m_bRunning && frames < 1000)
    {
        OBE.Update();
        ++frames;
        if (OBE.m_bRunning)
        {
            EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.3f);
            // The camera flies along the line from the hero towards the victim.
            EXPECT_NEAR(g_Camera.GetPosition().x, 0.0f, 1e-3f);
            EXPECT_LT(g_Camera.GetPosition().z, 30.0f);
        }
    }
    EXPECT_EQ(frames, 31) << "0.46 s of slowed time at 0.015 s a frame";
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    EXPECT_FLOAT_EQ(g_Options.FOV, g_Options.FOV2) << "the default zoom, not the zoom before the shot";
    EXPECT_FLOAT_EQ(PostProcess.Desaturacja, 0.2f);
    EXPECT_NEAR(g_Camera.GetViewFrame().Forward.z, before.Forward.z, 1e-5f);
}

TEST_F(KillCamTest, AVictimWithoutASkinnedModelEndsTheShotAtOnce)
{
    const float at[3] = {0.0f, 0.0f, 30.0f};
    HOBJECT box = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    PostProcess.Desaturacja = 0.7f;
    OBE.Start(box);
    EXPECT_FALSE(OBE.m_bRunning);
    EXPECT_FLOAT_EQ(PostProcess.Desaturacja, 0.7f);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    // A victim deleted mid-shot ends it on the next frame.
    strpostac* victim = Fighter(30.0f);
    OBE.Start(victim->model);
    ASSERT_TRUE(OBE.m_bRunning);
    PMgr.DeleteCharacter(victim);
    OBE.Update();
    EXPECT_FALSE(OBE.m_bRunning);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
}

TEST_F(KillCamTest, TheHerosUpdateEndsAShotItCannotDrive)
{
    struct Case
    {
        const char* what;
        std::function<void()> set, unset;
    };
    const Case cases[] = {
        {"the hero dies", [] { PlayerStats.m_bDead = 1; }, [] { PlayerStats.m_bDead = 0; }},
        {"the mission fails", [] { PlayerStats.m_bMissionFailed = 1; },
         [] { PlayerStats.m_bMissionFailed = 0; }},
        {"the hero is on a ladder", [] { Player.m_bOnLadder = 1; }, [] { Player.m_bOnLadder = 0; }},
        {"the level has just started", [] { g_MainGame.m_iLevelFrame = 10; },
         [] { g_MainGame.m_iLevelFrame = 1000; }},
        {"the next level starts", [] { OBE.Reset(); }, [] {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        PMgr.DeleteAllCharacters();
        strpostac* victim = Fighter(30.0f);
        ASSERT_NE(victim, nullptr);
        OBE.Start(victim->model);
        ASSERT_TRUE(OBE.m_bRunning);
        c.set();
        Player.Update();
        c.unset();
        EXPECT_FALSE(OBE.m_bRunning);
        EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
        EXPECT_FLOAT_EQ(PostProcess.Desaturacja, 0.2f);
    }
    // And a shot it can drive goes on, while the cool-down counts.
    strpostac* victim = Fighter(30.0f, "again");
    OBE.Start(victim->model);
    g_Engine.m_fDeltaTime = kSlowedFrame;
    Player.Update();
    EXPECT_TRUE(OBE.m_bRunning);
    EXPECT_FLOAT_EQ(OBE.m_fCoolDown, kSlowedFrame);
    OBE.Stop();
}

TEST_F(KillCamTest, TheSaveSectionIsTheAllowedByte)
{
    OBE.m_bAllowed = 0;
    FILE* f = std::fopen("obe.sav", "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(OBE.Save(f));
    std::fclose(f);
    EXPECT_EQ(std::filesystem::file_size("obe.sav"), 1u);
    OBE.m_bAllowed = 1;
    f = std::fopen("obe.sav", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(OBE.Load(f));
    EXPECT_EQ(OBE.m_bAllowed, 0);
    EXPECT_FALSE(OBE.Load(f)) << "a section cut short";
    std::fclose(f);
}
