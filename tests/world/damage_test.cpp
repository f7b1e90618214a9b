// Damage, death and respawn: the death keys of world files, bullet hits,
// explosions and their falloff, deaths with their wrecks and what they reach,
// and respawners.
#include "worldfile_fixture.h"

#include "game/BezierFollowState.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "shell/Console.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectRecordIO.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace worldtest
{
namespace
{
// Enabled, with the switches at their defaults and 100 hit points.
constexpr const char* kDeathOn = "death_params_1 1 0 0 0 0 1 1 1 1 0 100 1";

class Damage : public WorldFile
{
protected:
    void SetUp() override
    {
        WorldFile::SetUp();
        g_GameAI.FreeVariables();
        ActionCalls::ClearJournal();
        g_EngineObject.Release();
        PlaceHero(D3DXVECTOR3(0.0f, 1.6f, 0.0f));
    }
    void TearDown() override
    {
        g_GameAI.FreeVariables();
        WorldFile::TearDown();
    }
    static HOBJECT Obj(const char* name) { return g_Engine.FindObject(name, 0); }
    static void Frame(float seconds = 0.1f)
    {
        g_Engine.m_fDeltaTime = seconds;
        g_Engine.m_bWorldLoaded = 1;
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU + 1;
        g_EngineObject.Update();
    }
    // A mesh named `name` at x with the given death lines after kDeathOn.
    static std::vector<std::string> Target(const char* name, float x, std::vector<std::string> death = {})
    {
        std::vector<std::string> lines = {"mesh meshes\\box.x", std::string("name ") + name,
                                          "xpos " + std::to_string(x), kDeathOn};
        lines.insert(lines.end(), death.begin(), death.end());
        return lines;
    }
    static bool Logged(const char* text) { return ConsoleLog().find(text) != std::string::npos; }
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ---- Keys ------------------------------------------------------------------------------------------

TEST_F(Damage, DeathKeysFillTheRecordAndGiveTheObjectItsHitPoints)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name early",
        "death_params_SetWhenDead gone",
        "death_params_1 1 1 0 1 0 0 1 1 0 1 250 1",
        "death_params_2 1 0 1 1 1",
        "death_params_teleport_objects_here_list 10 nobody",
        "death_params_teleport_objects_here_list 9 last",
        "death_params_AddSpeed 1 2 3",
        "death_params_created_mesh_name wreck",
        "object_light_control_params 1 0",
        "object_light_control2_light 32 lamp",
        "object_light_control2_light 31 lamp",
        "bezier_moving_____params0 4 1 0.5 2.5 2 1 1",
        "bezier_moving_____start_node_name path_a",
    }));
    HOBJECT o = Obj("early");
    ASSERT_NE(o->pDeathParams, nullptr);
    const EDeathParams& d = *o->pDeathParams;
    EXPECT_STREQ(d.death_params_SetWhenDead, "") << "a death line before the record is on is lost";
    EXPECT_EQ(o->fHealth, 250.0f);
    EXPECT_EQ(d.bActivateObject, 1);
    EXPECT_EQ(d.bHitAnim, 1);
    EXPECT_EQ(d.bDeleteOnDeath, 0);
    EXPECT_EQ(d.bExplosions, 1);
    EXPECT_EQ(d.bBulletHits, 0);
    EXPECT_EQ(d.bPlaySound, 1);
    EXPECT_EQ(d.bFalls, 0);
    EXPECT_EQ(d.bFlag2b, 1);
    EXPECT_EQ(d.bFlag2c, 1);
    EXPECT_STREQ(d.death_params_teleport_objects_here_list[9], "last");
    EXPECT_FLOAT_EQ(d.death_params_AddSpeed[2], 3.0f);
    EXPECT_STREQ(d.death_params_created_mesh_name, "wreck");
    ASSERT_NE(o->pLightControl, nullptr);
    EXPECT_STREQ(o->pLightControl->szLights[31], "lamp");
    EXPECT_TRUE(Logged("ERROR: blad w pliku *.w, zly numer swiatla na obiekt..."));
    BezierFollowState s;
    g_Engine.GetObjectBezierFollowState(o, &s);
    EXPECT_STREQ(s.szStartNode, "path_a");
    EXPECT_EQ(s.iValue, 4);
    EXPECT_EQ(s.bOn, 1);
    EXPECT_EQ(s.bOption1, 0) << "an option byte is on only for exactly 1";
    EXPECT_EQ(s.bOption2, 1);
    const auto refused = Refused();
    ASSERT_EQ(refused.size(), 2u) << ::testing::PrintToString(refused);
    EXPECT_EQ(refused[0].rfind("6:", 0), 0u);
    EXPECT_EQ(refused[1].rfind("11:", 0), 0u);
}

// ---- Hits ----------------------------------------------------------------------------------------

TEST_F(Damage, BulletHitsHurtOnlyWhatMayBeHurt)
{
    ASSERT_TRUE(Load(Join(
        {Target("crate", 5.0f, {"death_params_SetWhenHit crate_hit", "death_params_HandleDeathIf armed"}),
         Target("wall", 8.0f, {"death_params_1 1 0 0 0 0 1 1 1 0 0 100 1"}),
         {"mesh meshes\\box.x", "name rock"}})));
    EXPECT_EQ(g_Engine.OnObjectHit(Obj("crate"), nullptr, nullptr, 30.0f), 0);
    EXPECT_EQ(Obj("crate")->fHealth, 100.0f) << "the variable condition is not met";
    g_GameAI.SetVariable("armed", nullptr);
    EXPECT_EQ(g_Engine.OnObjectHit(Obj("crate"), nullptr, nullptr, 30.0f), 0);
    EXPECT_EQ(Obj("crate")->fHealth, 70.0f);
    EXPECT_TRUE(g_GameAI.IsVariableOn("crate_hit"));
    EXPECT_EQ(g_Engine.OnObjectHit(Obj("crate"), nullptr, nullptr, 80.0f), 1);
    EXPECT_EQ(Obj("crate")->bDead, 1);
    EXPECT_EQ(Obj("crate")->bDeletePending, 1);
    EXPECT_EQ(g_Engine.OnObjectHit(Obj("crate"), nullptr, nullptr, 10.0f), 0) << "the dead take no hits";
    EXPECT_EQ(g_Engine.OnObjectHit(Obj("wall"), nullptr, nullptr, 500.0f), 0) << "bullets do not hurt it";
    EXPECT_EQ(g_Engine.OnObjectHit(Obj("rock"), nullptr, nullptr, 500.0f), 0);
    EXPECT_EQ(g_EngineObject.m_iDeaths, 1u);
    EXPECT_TRUE(ActionCalls::Called("GameAI::RegisterHit rock"));
}

TEST_F(Damage, DamageThatIsNoNumberOrNegativeIsRefusedAndReportedOnce)
{
    ASSERT_TRUE(Load(Target("crate", 5.0f)));
    HOBJECT crate = Obj("crate");
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -40.0f})
        EXPECT_EQ(g_Engine.OnObjectHit(crate, nullptr, nullptr, bad), 0);
    g_EngineObject.ChangeHealth(crate, std::numeric_limits<float>::quiet_NaN());
    const D3DXVECTOR3 at(5.0f, 0.0f, 0.0f);
    g_Engine.ApplyExplosion(&at, std::numeric_limits<float>::infinity());
    g_Engine.ApplyExplosion(&at, -1.0f);
    EXPECT_EQ(crate->fHealth, 100.0f);
    const std::string log = ConsoleLog();
    size_t lines = 0;
    for (size_t p = log.find("Refused "); p != std::string::npos; p = log.find("Refused ", p + 1))
        ++lines;
    EXPECT_EQ(lines, 1u);
}

TEST_F(Damage, AThresholdFxIsAttachedOnceAndOnlyWithAValueAboveZero)
{
    ASSERT_TRUE(Load(Join({Target("smoky", 5.0f, {"death_params_FX_Treshold smoke 0.5"}),
                           Target("plain", 8.0f, {"death_params_FX_Treshold smoke 0"})})));
    g_Engine.OnObjectHit(Obj("smoky"), nullptr, nullptr, 10.0f);
    g_Engine.OnObjectHit(Obj("plain"), nullptr, nullptr, 10.0f);
    ASSERT_NE(Obj("smoky")->pFxName, nullptr);
    EXPECT_STREQ(Obj("smoky")->pFxName, "smoke");
    EXPECT_EQ(Obj("plain")->pFxName, nullptr);
    g_Engine.SetObjectFx(Obj("smoky"), nullptr);
    g_Engine.OnObjectHit(Obj("smoky"), nullptr, nullptr, 10.0f);
    EXPECT_EQ(Obj("smoky")->pFxName, nullptr) << "attached only once";
}

// ---- Explosions ------------------------------------------------------------------------------------

TEST_F(Damage, ExplosionsFallOffWithDistanceAndNeedTheHeroNear)
{
    ASSERT_TRUE(Load(Join({Target("at_ten", 10.0f), Target("at_twenty", 20.0f), Target("at_zero", 0.0f)})));
    // 90.5 from the hero: nothing, even right at the point.
    PlaceHero(D3DXVECTOR3(-90.5f, 0.0f, 0.0f));
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    g_Engine.ApplyExplosion(&origin, 0.2f);
    EXPECT_EQ(Obj("at_zero")->fHealth, 100.0f);
    PlaceHero(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    g_Engine.ApplyExplosion(&origin, 0.2f);
    EXPECT_FLOAT_EQ(Obj("at_ten")->fHealth, 100.0f - 0.2f * 100.0f);
    EXPECT_EQ(Obj("at_twenty")->fHealth, 100.0f) << "the edge of the blast is outside it";
    EXPECT_FLOAT_EQ(Obj("at_zero")->fHealth, 100.0f - 0.2f * 200.0f);
    EXPECT_TRUE(ActionCalls::Called("CMainGame::ExplosionNearPlayer 0 0 0 0.2"));
    // A blast that kills: death comes by the death wait, after f + 0.1 seconds.
    g_Engine.ApplyExplosion(&origin, 5.0f);
    HOBJECT ten = Obj("at_ten");
    EXPECT_EQ(ten->bDead, 1) << "its health reached zero";
    EXPECT_EQ(ten->bExploded, 1);
    EXPECT_FLOAT_EQ(ten->fDeathWait, 0.6f);
}

TEST_F(Damage, AHugeBlastKillsWithoutARefusalAndAPowerlessOneHurtsNobody)
{
    ASSERT_TRUE(Load(Join({Target("near", 1.0f), Target("other", 2.0f)})));
    PlaceHero(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    g_Engine.ApplyExplosion(&origin, 0.0f);
    EXPECT_EQ(Obj("near")->fHealth, 100.0f);
    g_Engine.ApplyExplosion(&origin, std::numeric_limits<float>::max());
    EXPECT_EQ(Obj("near")->bDead, 1);
    EXPECT_EQ(Obj("other")->bDead, 1);
    EXPECT_TRUE(std::isfinite(Obj("near")->fHealth));
    EXPECT_FALSE(Logged("Refused")) << "a finite blast is no bad value";
}

TEST_F(Damage, AWallBetweenTheBlastAndAnObjectShieldsIt)
{
    ASSERT_TRUE(Load(Join(
        {Target("behind", 10.0f), Target("open", 0.0f), {"mesh meshes\\box.x", "name wall", "xpos 5"}})));
    Obj("open")->vPosition.z = 8.0f; // in the open, to the side
    g_Engine.SetObjectPosition(Obj("open"), &Obj("open")->vPosition, 0);
    g_Engine.PrepareObjects();
    const D3DXVECTOR3 origin(0.0f, 0.5f, 0.0f);
    PlaceHero(origin);
    g_Engine.ApplyExplosion(&origin, 0.2f);
    EXPECT_EQ(Obj("behind")->fHealth, 100.0f);
    EXPECT_LT(Obj("open")->fHealth, 100.0f);
}

// ---- Deaths ----------------------------------------------------------------------------------------

TEST_F(Damage, ADeathLeavesAWreckAndReachesOtherObjects)
{
    ASSERT_TRUE(Load(Join(
        {Target("crate", 5.0f,
                {"death_params_1 1 1 0 0 1 1 1 1 1 0 100 1", "death_params_CreateMeshOnDeath meshes\\box.x",
                 "death_params_created_mesh_name crate_wreck", "death_params_SetWhenDead crate_gone",
                 "death_params_ActivateObjectName bell", "death_params_DestroyObjectName barrel",
                 "death_params_DestroyOtherPause 1.5", "death_params_console_print the crate breaks"}),
         Target("barrel", 9.0f),
         {"mesh meshes\\box.x", "name bell", "action_general_opt 1 0", "action_default_set bell_rang"}})));
    HOBJECT crate = Obj("crate");
    g_EngineObject.HandleDeath(crate);
    HOBJECT wreck = Obj("crate_wreck");
    ASSERT_NE(wreck, nullptr);
    EXPECT_EQ(wreck->bCreatedOnDeath, 1);
    EXPECT_EQ(wreck->vPosition, crate->vPosition);
    EXPECT_EQ(wreck->dwFlags & 0x80u, 0u);
    EXPECT_EQ(crate->bDeletePending, 1);
    EXPECT_EQ(crate->dwFlags & 0x80u, 0x80u);
    EXPECT_TRUE(g_GameAI.IsVariableOn("crate_gone"));
    EXPECT_TRUE(g_GameAI.IsVariableOn("bell_rang"));
    EXPECT_TRUE(Logged("the crate breaks"));
    EXPECT_FLOAT_EQ(Obj("barrel")->fDeathWait, 1.5f);
    // The second death does nothing.
    g_EngineObject.HandleDeath(crate);
    EXPECT_EQ(g_EngineObject.m_iDeaths, 1u);
    // The barrel's pause runs out in the object pass.
    for (int i = 0; i < 16; ++i)
        Frame();
    EXPECT_EQ(Obj("barrel")->bDead, 1);
}

TEST_F(Damage, AWreckMeshThatIsMissingIsReportedAndNothingElseBreaks)
{
    ASSERT_TRUE(Load(Target("crate", 5.0f, {"death_params_CreateMeshOnDeath meshes\\no_such_wreck.x"})));
    g_EngineObject.HandleDeath(Obj("crate"));
    EXPECT_TRUE(Logged("Failed to create mesh"));
    EXPECT_EQ(Obj("crate")->bDeletePending, 1);
    EXPECT_EQ(g_Engine.GetObjectCount(), 1u);
}

TEST_F(Damage, ADeathBringsListedObjectsOrTheirCopiesHere)
{
    for (const bool copy : {false, true})
    {
        SCOPED_TRACE(copy ? "copies" : "the objects");
        Env.DeleteSkyMesh();
        g_Engine.DeleteAllObjects();
        ASSERT_TRUE(
            Load(Join({Target("dying", 5.0f,
                              {"death_params_teleport_objects_here_use 1",
                               std::string("death_params_teleport_objects_here_copy ") + (copy ? "1" : "0"),
                               "death_params_teleport_objects_here_list 0 loot",
                               "death_params_teleport_objects_here_list 1 ghost"}),
                       {"mesh meshes\\box.x", "name loot", "xpos 40"}})));
        g_EngineObject.HandleDeath(Obj("dying"));
        EXPECT_EQ(Obj("loot")->vPosition.x, copy ? 40.0f : 5.0f);
        EXPECT_EQ(g_Engine.GetObjectCount(), copy ? 3u : 2u);
        EXPECT_TRUE(Logged("TeleportObjectHereOnDeath from dying can't find ghost"));
    }
}

// ---- Respawners ------------------------------------------------------------------------------------

TEST_F(Damage, ARespawnerMakesItsCharactersThenRunsItsLastActionOnce)
{
    // Two characters, one second apart, far from the hero and behind the camera.
    PlaceHero(D3DXVECTOR3(0.0f, 1.6f, 0.0f));
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name spawner", "zpos -100", "action_general_opt 1 0",
                      "action_respawn_character_name soldier", "action_respawn_params 1 2",
                      "action_respawn_character_action_after_last_respawn horn", "mesh meshes\\box.x",
                      "name horn", "action_general_opt 1 0", "action_default_set horn_blown"}));
    HOBJECT spawner = Obj("spawner");
    g_Engine.RunObjectAction("spawner", 0);
    EXPECT_EQ(spawner->iRespawnCount, 1) << "the run itself brings the first";
    EXPECT_TRUE(ActionCalls::Called("CPostacMgr::RespawnCharacter soldier 0 0 -100"));
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_EQ(spawner->iRespawnCount, 3) << "the second character, then the last action";
    EXPECT_TRUE(g_GameAI.IsVariableOn("horn_blown"));
    g_GameAI.UnsetVariable("horn_blown", nullptr);
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_FALSE(g_GameAI.IsVariableOn("horn_blown")) << "the last action runs once";
}

TEST_F(Damage, SavedDeathRecordsComeBackFieldByField)
{
    ASSERT_LE(DeathParamsStoredFieldsEnd(), static_cast<size_t>(EDeathParams::STORED_SIZE));
    EDeathParams d;
    d.bEnabled = 1;
    d.fHitPoints = 42.0f;
    std::snprintf(d.death_params_CreateMeshOnDeath, sizeof d.death_params_CreateMeshOnDeath, "%s", "wreck.x");
    std::snprintf(d.death_params_teleport_objects_here_list[9], DEATH_LONG_NAME_SIZE, "%s", "loot");
    d.Shake.fValues[7] = 2.5f;
    d.bMortarExplosion = 1;
    FILE* f = std::fopen("death.bin", "w+b");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteDeathParamsRecord(f, d));
    EXPECT_EQ(std::ftell(f), EDeathParams::STORED_SIZE);
    std::rewind(f);
    EDeathParams back;
    ASSERT_TRUE(ReadDeathParamsRecord(f, &back));
    std::fclose(f);
    EXPECT_EQ(back.fHitPoints, 42.0f);
    EXPECT_STREQ(back.death_params_CreateMeshOnDeath, "wreck.x");
    EXPECT_STREQ(back.death_params_teleport_objects_here_list[9], "loot");
    EXPECT_EQ(back.Shake.fValues[7], 2.5f);
    EXPECT_EQ(back.bMortarExplosion, 1);
    EXPECT_FLOAT_EQ(back.death_params_AddSpeed[1], 64.0f);
}
} // namespace
} // namespace worldtest
