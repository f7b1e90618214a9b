// The object pass beside the actions: distance culling, physics culling, the
// periodic sound, the fall of a dead object and camera positioning; and the
// one-off preparation of a world's objects (weapon racks, empty action
// records, the disappear ranges of small props).
#include "world_fixture.h"

#include "support/ConsoleLog.h"
#include "game/MainGame.h"
#include "physics/PhysicsMgr.h"
#include "player/Player.h"
#include "shell/Profiler.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <filesystem>
#include <string>

namespace worldtest
{
namespace
{
class ObjectPass : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        g_EngineObject.Release();
        g_Engine.m_bWorldLoaded = 1;
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU + 1;
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetOrientation(EOrientation());
    }
    void TearDown() override
    {
        g_Engine.DeleteAllObjects();
        if (g_PhysicsMgr.HasWorld())
            g_PhysicsMgr.Shutdown();
        WorldTest::TearDown();
    }
    static void Frame(float seconds = 0.1f)
    {
        g_Engine.m_fDeltaTime = seconds;
        g_EngineObject.Update();
    }
    static HOBJECT MeshAt(D3DXVECTOR3 at, const char* name = nullptr, D3DXVECTOR3 scale = {1, 1, 1},
                          const char* file = MESH_FILE)
    {
        HOBJECT o = g_Engine.CreateObject(OT_MESH, file, OF_PHYSICS, 0, &at.x, &scale.x);
        if (o && name)
            g_Engine.SetObjectName(o, name);
        return o;
    }
    static bool Logged(const std::string& text) { return ConsoleLog().find(text) != std::string::npos; }
};

struct FarCase
{
    const char* what;
    float distance;
    DWORD flags;
    int disappearRange;
    BYTE updated;
    BYTE tooFar;
};

TEST_F(ObjectPass, FarObjectsAreCountedTooFarAndUnimportantOnesSkipped)
{
    const FarCase cases[] = {
        {"unimportant, just within 240", 239.9f, OF_NOT_IMPORTANT, 0, 1, 0},
        {"unimportant, just beyond", 240.5f, OF_NOT_IMPORTANT, 0, 0, 0},
        {"important, far beyond", 5000.0f, 0, 0, 1, 0},
        {"a disappear range of 1 is no range", 5000.0f, 0, 1, 1, 0},
        {"within its disappear range", 49.0f, 0, 50, 1, 0},
        {"beyond it, still updated", 51.0f, 0, 50, 1, 1},
    };
    for (const FarCase& c : cases)
    {
        HOBJECT o = MeshAt({0.0f, 0.0f, c.distance});
        o->dwFlags |= c.flags;
        o->iDisappearRange = c.disappearRange;
        o->fLifetime = 10.0f; // makes it need the update, and shows whether it got it
        Frame(1.0f);
        EXPECT_EQ(o->fLifetime < 10.0f, c.updated != 0) << c.what;
        EXPECT_EQ(o->bTooFar, c.tooFar) << c.what;
        g_Engine.DeleteObject(o);
    }
}

// The profiler's report ends with the count of objects the pass updated.
TEST_F(ObjectPass, TheProfilerReportsTheObjectsUpdated)
{
    for (float z : {3.0f, 6.0f, 9.0f})
        MeshAt({0.0f, 0.0f, z})->fLifetime = 10.0f;
    MeshAt({0.0f, 0.0f, 12.0f}); // nothing to update
    Frame(0.1f);
    ASSERT_EQ(g_EngineObject.m_iUpdatedObjects, 3u);
    const int report = g_Profiler.m_iReport;
    g_Profiler.m_iReport = 1;
    const auto lines = g_Profiler.FrameReport();
    g_Profiler.m_iReport = report;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text, "Objects updated: 3:  ");
}

TEST_F(ObjectPass, ACulledBodyGoesBeyondTheDistanceAndComesBackNearer)
{
    g_PhysicsMgr.Init();
    ASSERT_TRUE(g_PhysicsMgr.HasWorld());
    g_Options.PhysicsDisableDistance = 80.0f;
    HOBJECT o = MeshAt({0.0f, 0.0f, 80.5f});
    o->dwFlags |= OF_STATIC_BODY; // a static box, as the world's set-up gives it
    g_PhysicsMgr.AddBoxBody(o);
    ASSERT_NE(o->pPhysicsBody, nullptr);
    o->bPhysicsCulling = 1;
    o->fLifetime = 10.0f;
    Frame(1.0f);
    EXPECT_EQ(o->pPhysicsBody, nullptr);
    EXPECT_FALSE(o->dwFlags & OF_PHYSICS);
    EXPECT_EQ(o->bPhysicsOff, 1);
    EXPECT_EQ(o->fLifetime, 10.0f) << "an object without its body is left alone";

    const D3DXVECTOR3 nearer(0.0f, 0.0f, 79.5f);
    g_Engine.SetObjectPosition(o, &nearer, 0);
    Frame(1.0f);
    EXPECT_NE(o->pPhysicsBody, nullptr);
    EXPECT_TRUE(o->dwFlags & OF_PHYSICS);
    EXPECT_EQ(o->bPhysicsOff, 0);
    EXPECT_LT(o->fLifetime, 10.0f);
}

TEST_F(ObjectPass, APeriodicSoundPlaysEachIntervalOnlyWhileTheHeroIsNear)
{
    HOBJECT nearer = MeshAt({0.0f, 0.0f, 1.0f});
    HOBJECT farther = MeshAt({0.0f, 0.0f, 50.0f});
    for (HOBJECT o : {nearer, farther})
        g_Engine.SetObjectSound(o, "sounds\\drip.wav", 1.0f, "", 0);
    Frame(0.6f);
    EXPECT_FLOAT_EQ(nearer->fSoundTimer, 0.6f) << "the interval has not passed";
    Frame(0.6f);
    EXPECT_EQ(nearer->fSoundTimer, 0.0f) << "played, and the interval starts again";
    EXPECT_FLOAT_EQ(farther->fSoundTimer, 1.2f) << "the hero is too far to hear it";
    // Riding something, he is away from the small sounds around him.
    Player.m_bRiding = 1;
    Frame(1.2f);
    Player.m_bRiding = 0;
    EXPECT_FLOAT_EQ(nearer->fSoundTimer, 1.2f);
    Frame(0.1f);
    EXPECT_EQ(nearer->fSoundTimer, 0.0f);
}

TEST_F(ObjectPass, AFallingObjectComesToRestOnWhatIsBelowIt)
{
    MeshAt({0.0f, 0.0f, 0.0f}, "floor", {20.0f, 1.0f, 20.0f}); // its top at 0.5
    HOBJECT o = MeshAt({0.0f, 6.0f, 0.0f}, "lamp");
    o->bFalling = 1;
    o->vFallVelocity = D3DXVECTOR3(0.0f, 4.0f, 0.0f); // thrown up a little first
    float highest = o->vPosition.y;
    for (int i = 0; i < 100 && o->bFalling; ++i)
    {
        Frame(0.05f);
        highest = std::max(highest, o->vPosition.y);
    }
    EXPECT_EQ(o->bFalling, 0);
    EXPECT_GT(highest, 6.5f);
    EXPECT_NEAR(o->vPosition.y, 0.5f, 0.05f);
    EXPECT_GT(o->fFallTimer[1], 0.0f) << "the time of the highest point";

    // With nothing below, a fall ends after its longest time.
    HOBJECT lost = MeshAt({100.0f, 6.0f, 0.0f});
    lost->bFalling = 1;
    for (int i = 0; i < 30 && lost->bFalling; ++i)
        Frame(0.5f);
    EXPECT_EQ(lost->bFalling, 0);
}

TEST_F(ObjectPass, CameraPositioningDriftsZoomsFlashesOnceAndEnds)
{
    HOBJECT o = MeshAt({0.0f, 0.0f, 5.0f});
    EObjectActionParams p;
    p.dwEnabled = 1;
    p.action_camera_positioning.on = 1;
    const float values[] = {2.0f, 0.0f, 1.0f, 0.0f, 0.25f, 1.0f};
    std::copy(std::begin(values), std::end(values), p.action_camera_positioning.values);
    g_Engine.SetObjectActionParams(o, &p);
    g_Panel.m_fSinceBlink = 10.0f; // long since the last blink
    g_EngineObject.StartCameraPositioning(o);
    ASSERT_EQ(g_EngineObject.m_bCameraPositioning, 1);
    Frame(0.5f);
    EXPECT_NEAR(g_Options.FOV, g_Options.FOV2 * 1.5f, 1e-4f);
    EXPECT_NEAR(g_Camera.GetPosition().y, 0.5f, 1e-4f);
    EXPECT_EQ(g_Panel.m_fSinceBlink, 0.0f) << "one blink";
    g_Panel.m_fSinceBlink = 10.0f;
    Frame(0.49f);
    EXPECT_EQ(g_EngineObject.m_bCameraPositioning, 1);
    Frame(0.02f);
    EXPECT_EQ(g_EngineObject.m_bCameraPositioning, 0);
    EXPECT_EQ(g_Options.FOV, g_Options.FOV2);
    EXPECT_EQ(g_Panel.m_fSinceBlink, 10.0f) << "no second blink";
    const float y = g_Camera.GetPosition().y;
    Frame(0.5f);
    EXPECT_EQ(g_Camera.GetPosition().y, y) << "the camera is free again";
}

// ---- Preparation -------------------------------------------------------------------------------------

TEST_F(ObjectPass, AWeaponRackGetsItsGunOnceAndAMissingGunIsSaidSo)
{
    ConsoleLogHere log;
    std::filesystem::create_directories("prefabs/bronie_static");
    std::filesystem::copy_file("meshes/box.x", "meshes/Stojak_PKM.x");
    std::filesystem::copy_file("meshes/box.x", "meshes/stojak_hum_m4.x");
    std::filesystem::copy_file("meshes/box.x", "prefabs/bronie_static/pkm_nocenter.x");
    g_Engine.m_bWorldLoaded = 0; // as while the world is read
    HOBJECT rack = MeshAt({3.0f, 0.0f, 0.0f}, "rack", {1, 1, 1}, "meshes\\Stojak_PKM.x");
    HOBJECT m4 = MeshAt({6.0f, 0.0f, 0.0f}, "rack2", {1, 1, 1}, "meshes\\stojak_hum_m4.x");
    ASSERT_NE(rack, nullptr);
    ASSERT_NE(m4, nullptr);
    g_Engine.m_bWorldLoaded = 1;
    g_Engine.PrepareObjects();
    HOBJECT gun = g_Engine.FindObject("rack_g", 0);
    ASSERT_NE(gun, nullptr);
    ASSERT_NE(gun->pActionParams, nullptr);
    EXPECT_EQ(gun->pActionParams->dwEnabled, 1u);
    EXPECT_EQ(gun->pActionParams->action_general_opt, 1u);
    EXPECT_EQ(gun->pActionParams->mount_gun, 1);
    EXPECT_FLOAT_EQ(gun->pActionParams->mounted_gun_value, 1.0995574f);
    EXPECT_EQ(gun->pActionParams->m4_gun, 0);
    EXPECT_TRUE(Logged("Tie: rack nie ma socketa pkm")) << "the box has no socket to tie the gun to";
    EXPECT_TRUE(Logged("Failed to add prefabs\\bronie_static\\m4_hum_nocenter.x for rack2"));
    EXPECT_EQ(g_Engine.FindObject("rack2_g", 0), nullptr);

    // Preparing again (a save game read over the world) adds no second gun.
    rack->bPrepared = 0;
    g_Engine.PrepareObject(rack);
    int guns = 0;
    for (const strObject& o : g_Engine.m_Objects)
        guns += o.bUsed && std::string(o.szName) == "rack_g";
    EXPECT_EQ(guns, 1);
}

TEST_F(ObjectPass, AnEmptyActionRecordIsLetGoAndAnActiveOneLeavesItsSector)
{
    ConsoleLogHere log;
    HOBJECT empty = MeshAt({0.0f, 0.0f, 0.0f}, "empty");
    HOBJECT active = MeshAt({0.0f, 0.0f, 0.0f}, "active");
    EObjectActionParams p;
    p.dwEnabled = 1;
    g_Engine.SetObjectActionParams(empty, &p);
    g_Engine.SetObjectActionParams(active, &p);
    empty->pActionParams->dwEnabled = 0; // as a save game may bring it back
    empty->bSectorIndex = active->bSectorIndex = 7;
    empty->bPrepared = active->bPrepared = 0;
    g_Engine.PrepareObject(empty);
    g_Engine.PrepareObject(active);
    EXPECT_EQ(empty->pActionParams, nullptr);
    EXPECT_TRUE(Logged("Usuwam pusta akcje empty"));
    EXPECT_EQ(empty->bSectorIndex, 7);
    ASSERT_NE(active->pActionParams, nullptr);
    EXPECT_EQ(active->bSectorIndex, 0);
}

struct PropCase
{
    float scale;
    bool withBody;
    bool withDeath;
    int expected;
};

TEST_F(ObjectPass, SmallPropsWithABodyDisappearByTheirSize)
{
    g_PhysicsMgr.Init();
    ASSERT_TRUE(g_PhysicsMgr.HasWorld());
    const PropCase cases[] = {
        {0.3f, true, false, 80}, {0.8f, true, false, 120}, {1.5f, true, false, 280},
        {4.0f, true, false, 33}, {0.3f, false, false, 33}, {0.3f, true, true, 33},
    };
    for (const PropCase& c : cases)
    {
        g_Engine.m_bWorldLoaded = 0;
        HOBJECT o = MeshAt({0.0f, 0.0f, 0.0f}, nullptr, {c.scale, c.scale, c.scale});
        g_Engine.m_bWorldLoaded = 1;
        o->fRadius = c.scale; // the radius the ranges are chosen by
        o->iDisappearRange = 33;
        if (c.withBody)
            g_PhysicsMgr.AddBoxBody(o);
        if (c.withDeath)
        {
            EDeathParams d;
            d.bEnabled = 1;
            g_Engine.SetObjectDeathParams(o, &d);
        }
        g_Engine.PrepareObject(o);
        EXPECT_EQ(o->iDisappearRange, c.expected)
            << "radius " << c.scale << (c.withBody ? " with" : " without") << " a body"
            << (c.withDeath ? ", with a death record" : "");
        g_Engine.DeleteObject(o);
    }
}
// ---- The characters' eyes ------------------------------------------------------------------------------

TEST_F(ObjectPass, TheEyesFileKeepsThirtyOneModelsAndCutsValuesToTheirFields)
{
    const std::string longValue(300, 'v');
    std::string text = "oko_l before_any_model x\r\n";
    for (int i = 0; i < EEngineObject::MAX_EYE_MODELS + 1; ++i)
    {
        text += (i == 0 ? "MODEL m" : "model m") + std::to_string(i) + "\r";
        text += "oko_l left" + std::to_string(i) + " " + (i == 1 ? longValue : "l2") + "\n";
        text += "Oko_P right" + std::to_string(i) + " r2\r\n";
    }
    temp->Write("scripts/character_eyes.txt", text);
    g_EngineObject.Init();
    const EEngineObject& e = g_EngineObject;
    ASSERT_EQ(e.m_iNumEyes, EEngineObject::MAX_EYE_MODELS);
    EXPECT_STREQ(e.m_Eyes[0].szModel, "m0");
    EXPECT_STREQ(e.m_Eyes[0].szLeft, "left0");
    EXPECT_STREQ(e.m_Eyes[0].szLeft2, "l2");
    EXPECT_STREQ(e.m_Eyes[0].szRight, "right0");
    EXPECT_STREQ(e.m_Eyes[0].szRight2, "r2");
    EXPECT_EQ(std::string(e.m_Eyes[1].szLeft2), longValue.substr(0, strCharacterEyes::VALUE_SIZE - 1));
    // The eye lines after the model that found no room leave the last entry alone.
    const strCharacterEyes& last = e.m_Eyes[EEngineObject::MAX_EYE_MODELS - 1];
    EXPECT_STREQ(last.szModel, ("m" + std::to_string(EEngineObject::MAX_EYE_MODELS - 1)).c_str());
    EXPECT_STREQ(last.szLeft, ("left" + std::to_string(EEngineObject::MAX_EYE_MODELS - 1)).c_str());

    // A missing file leaves the table empty.
    std::filesystem::remove("scripts/character_eyes.txt");
    g_EngineObject.Init();
    EXPECT_EQ(g_EngineObject.m_iNumEyes, 0);
    EXPECT_STREQ(g_EngineObject.m_Eyes[0].szModel, "");
}
} // namespace
} // namespace worldtest
