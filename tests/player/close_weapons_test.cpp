// The hero's grenades, knife and launchers: a throw from the last grenade and
// the refusal after it, the moment the grenade leaves the hand and its fuse,
// the knife's one kill a stroke, and a launcher's dead zone before a wall.
#include "player_fixture.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "mesh/MeshSocketsMgr.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinModelFile.h"
#include "world/DeathParams.h"

#include <string>

using namespace playertest;

namespace
{
constexpr const char* FIGURE_FILE = "models\\figure\\figure.x";
constexpr const char* THROWN_MESH = "prefabs\\bronie\\m67_low.x";

// A wall across the view at z = `wallZ`: the shots' segment tests meet it there.
struct Wall
{
    HOBJECT object = nullptr;
    float z = 0.0f;
};
Wall g_Wall;

bool WallTest(const RayTestQuery* q, RayTestResult* r)
{
    r->Reset();
    const D3DXVECTOR3 from(q->pFrom[0], q->pFrom[1], q->pFrom[2]);
    const D3DXVECTOR3 to(q->pTo[0], q->pTo[1], q->pTo[2]);
    if (!g_Wall.object || !(from.z < g_Wall.z && to.z >= g_Wall.z) ||
        (q->pfnFilter && !q->pfnFilter(g_Wall.object, q->dwUser)))
        return false;
    const float t = (g_Wall.z - from.z) / (to.z - from.z);
    r->bHit = 1;
    r->vPoint = D3DXVECTOR3(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t, g_Wall.z);
    r->fDistance = g_Wall.z - from.z;
    r->vNormal = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    r->pObject = g_Wall.object;
    return true;
}

int Named(const char* name)
{
    int n = 0;
    for (int i = 0; i < 4200; ++i)
        if (HOBJECT o = g_Engine.GetObjectBySlot(i); o && o->bUsed && std::string(o->szName) == name)
            ++n;
    return n;
}

HOBJECT FindNamed(const char* name)
{
    return g_Engine.FindObject(name, 0);
}

class CloseWeaponsTest : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        FX.ReleaseAllFx();
        g_Options.DrawFX = 1;
        g_Options.AddFX = 1;
        PMgr.Forget();
        log = std::make_unique<ConsoleLogHere>();
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetOrientation(EOrientation());
        g_Mouse.m_State = EMouseState();
        std::filesystem::create_directories("prefabs/bronie");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(THROWN_MESH, BoxMesh(), tk::xfile::XFormat::Text));
        for (const char* fx : {"puff", "rakieta", "granat_pocisk", "z_E_krew", "z_E_krew_1"})
            temp->Write(std::string("afx/") + fx + ".afx", "Life_Time 5\n");
        FX.LoadAll();
        // The launchers' held model carries the muzzle socket at its origin.
        temp->Write("scripts/mesh_sockets/crate.txt",
                    std::string("mesh_filename ") + DROP_MESH + "\nsocket muzzle 0 0 0\n");
        g_MeshSockets.LoadAll();
        const std::string launcher = std::string("Shoot_Socket muzzle\nHeld_Object ") + DROP_MESH +
                                     "\nHit_Concrete_FX puff\nHit 90\npredkosc 60\n";
        Catalogue(StandardCatalogue() + Weapon("rpg", 5, 1, 5, launcher + "Rocket_Launcher\n") +
                  Weapon("m203", 6, 1, 5, launcher + "Grenade_Launcher\n"));
        Bronie.levelSetupCalled = 1;
        Bronie.levelWeaponsReady = 1;
    }

    void TearDown() override
    {
        FxSetSegmentTest(nullptr);
        FX.ReleaseAllFx();
        g_MeshSockets.Clear();
        g_Wall = Wall{};
        log.reset();
        PlayerTest::TearDown();
    }

    // A one-bone skinned figure with a hit sphere round its origin.
    void WriteFigure()
    {
        std::filesystem::create_directories("models/figure/animations");
        SkinModelDesc model;
        SkinModelBone bone;
        bone.name = "Bip01";
        bone.parent = -1;
        D3DXMatrixIdentity(&bone.local);
        model.bones.push_back(bone);
        model.mesh = BoxMesh();
        model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
        ASSERT_TRUE(WriteSkinModelFile(FIGURE_FILE, model, tk::xfile::XFormat::Text));
        temp->Write("models/figure/animations/animations_desc.txt", "\n");
        temp->Write("models/figure/collisions.txt",
                    "sphere body\nnode_name Bip01\nradius 0.4\nhit_zone_name body\n");
    }

    static HOBJECT Figure(const D3DXVECTOR3& at, DWORD kind)
    {
        HOBJECT o = g_Engine.CreateObject(OT_SKINMESH, FIGURE_FILE, 0, 0, &at.x, nullptr);
        if (!o)
            return nullptr;
        g_Engine.SetObjectFlags3(o, kind, ~0u);
        g_Engine.UpdateSkinMeshNodes(o);
        g_Engine.PrepareObject(o);
        return o;
    }

    // The launcher of that kind in hand, its muzzle at the origin, aimed along +z.
    static EItemInstance* Launcher(const char* name, DWORD kind)
    {
        ItemMgr.GiveItem(name, 5);
        Bronie.SelectImmediate(kind);
        Bronie.triggerReleased = 1;
        EItemInstance* w = Bronie.current;
        if (w && w->m_hHeldModel)
        {
            const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
            g_Engine.SetObjectPosition(w->m_hHeldModel, &origin, 0);
        }
        return w;
    }

    static int Active(bool (*what)(const EFxInstance&))
    {
        int n = 0;
        for (int i = 1; i < MAX_FX; ++i)
            n += FX.m_Fx[i].m_bActive && what(FX.m_Fx[i]) ? 1 : 0;
        return n;
    }

    std::unique_ptr<ConsoleLogHere> log;
};
} // namespace

TEST_F(CloseWeaponsTest, TheLastGrenadeIsThrownOnceAndThenNoneIsLeft)
{
    Bronie.grenades = 1;
    Bronie.ThrowGrenade();
    EXPECT_EQ(Bronie.grenades, 0u);
    EXPECT_EQ(Bronie.state, WS_GRENADE_THROW);
    EXPECT_EQ(Bronie.grenadeInHand, 1);

    // It leaves the hand 0.39 s into the throw, once.
    for (int i = 0; i < 38; ++i)
        Frame(0.01f);
    EXPECT_EQ(Named("granat"), 0) << "still in the hand at 0.38 s";
    for (int i = 0; i < 30; ++i)
        Frame(0.01f);
    EXPECT_EQ(Named("granat"), 1);
    HOBJECT g = FindNamed("granat");
    ASSERT_NE(g, nullptr);
    // Its fuse: a delayed kill of 3 s that ends in the mortar's blast, however far away.
    EXPECT_FLOAT_EQ(g->fDeathWait, 3.0f);
    ASSERT_NE(g->pDeathParams, nullptr);
    EXPECT_EQ(g->pDeathParams->bMortarExplosion, 1);
    EXPECT_EQ(g->bKeepUpdated, 1);
    // Thrown ahead of the eye, a little to the right.
    EXPECT_NEAR(g->vPosition.x, 0.3f, 1e-3f);
    EXPECT_NEAR(g->vPosition.z, 0.4f, 1e-3f);

    // The arm comes back and the hands are free again.
    for (int i = 0; i < 60 && Bronie.state != WS_IDLE; ++i)
        Frame();
    EXPECT_EQ(Bronie.state, WS_IDLE);
    EXPECT_EQ(Bronie.grenadeInHand, 0);

    // None left: a further throw does nothing.
    Bronie.ThrowGrenade();
    EXPECT_EQ(Bronie.state, WS_IDLE);
    EXPECT_EQ(Bronie.grenades, 0u);
    for (int i = 0; i < 60; ++i)
        Frame();
    EXPECT_EQ(Named("granat"), 1);
}

TEST_F(CloseWeaponsTest, AThrowIsRefusedOutOfCombatAndDuringAStrokeButCancelsAReload)
{
    Bronie.grenades = 3;
    PlayerStats.m_bCombatMode = 0;
    Bronie.ThrowGrenade();
    EXPECT_EQ(Bronie.grenades, 3u);
    PlayerStats.m_bCombatMode = 1;

    Bronie.knifeState = 1;
    Bronie.ThrowGrenade();
    EXPECT_EQ(Bronie.grenades, 3u);
    Bronie.knifeState = 0;

    ItemMgr.GiveItem("p99", 30);
    Bronie.SelectImmediate(0);
    Bronie.state = WS_RELOADING;
    Bronie.ThrowGrenade();
    EXPECT_EQ(Bronie.state, WS_GRENADE_THROW);
    EXPECT_EQ(Bronie.grenades, 2u);
}

TEST_F(CloseWeaponsTest, AStrokeKillsTheCharacterInFrontOncePerStroke)
{
    ASSERT_NO_FATAL_FAILURE(WriteFigure());
    HOBJECT victim = Figure(D3DXVECTOR3(0.0f, 0.0f, 1.0f), 2);
    ASSERT_NE(victim, nullptr);
    g_Engine.SetObjectName(victim, "townsman");
    // The knife's own model far away, its stab lasting while its slot blends.
    Bronie.knifeObject = Figure(D3DXVECTOR3(100.0f, 0.0f, 100.0f), 0);
    ASSERT_NE(Bronie.knifeObject, nullptr);
    auto* knife = static_cast<ESkinMesh*>(Bronie.knifeObject->Object);

    for (int stroke = 1; stroke <= 2; ++stroke)
    {
        SCOPED_TRACE("stroke " + std::to_string(stroke));
        Bronie.KnifeAttack();
        ASSERT_EQ(Bronie.knifeState, 1u);
        for (int i = 0; i < 10 && Bronie.knifeState == 1; ++i)
            Frame();
        ASSERT_EQ(Bronie.knifeState, 2u);
        knife->m_iSlotState[0] = SLOT_BLENDING;
        for (int i = 0; i < 20; ++i)
            Frame();
        EXPECT_EQ(Count(ConsoleLog(), "CPostacMgr::KillByKnife townsman"), static_cast<size_t>(stroke));
        knife->m_iSlotState[0] = 0;
        for (int i = 0; i < 30 && Bronie.knifeState != 0; ++i)
            Frame();
        EXPECT_EQ(Bronie.knifeState, 0u);
        EXPECT_FLOAT_EQ(Bronie.knifeProgress, 0.0f);
    }
    // Two blood effects a kill.
    EXPECT_EQ(Active([](const EFxInstance&) { return true; }), 4);
}

TEST_F(CloseWeaponsTest, AStrokeAtNoCharacterOnlyShakesAndSounds)
{
    ASSERT_NO_FATAL_FAILURE(WriteFigure());
    // A skinned object that is no character, and nothing else, in front.
    ASSERT_NE(Figure(D3DXVECTOR3(0.0f, 0.0f, 1.0f), 0), nullptr);
    Bronie.knifeObject = Figure(D3DXVECTOR3(100.0f, 0.0f, 100.0f), 0);
    ASSERT_NE(Bronie.knifeObject, nullptr);
    Bronie.KnifeAttack();
    EXPECT_EQ(g_Camera.m_Shake.bEnabled, 1);
    Bronie.knifeState = 2;
    EXPECT_FALSE(Bronie.KnifeHit());
    EXPECT_EQ(Count(ConsoleLog(), "KillByKnife"), 0u);
    EXPECT_EQ(Active([](const EFxInstance&) { return true; }), 0);
}

TEST_F(CloseWeaponsTest, ALauncherAtAWallCloserThanItsDeadZoneOnlyRaisesTheImpact)
{
    FxSetSegmentTest(WallTest);
    const float at[3] = {0.0f, 0.0f, 300.0f};
    g_Wall.object = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, at, nullptr);
    ASSERT_NE(g_Wall.object, nullptr);
    struct Row
    {
        const char* name;
        DWORD kind;
        float wall;
        int rockets, grenades, impacts;
        float startZ; // where the projectile or the impact starts
    };
    const Row rows[] = {
        {"rpg", 5, 100.0f, 0, 0, 1, 80.0f},
        {"rpg", 5, 200.0f, 1, 0, 0, CPlayerWeapons::LAUNCHER_DEAD_ZONE},
        {"m203", 6, 100.0f, 0, 0, 1, 80.0f},
        {"m203", 6, 200.0f, 0, 1, 0, CPlayerWeapons::LAUNCHER_DEAD_ZONE},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(std::string(r.name) + " at " + std::to_string(r.wall));
        FX.ReleaseAllFx();
        g_Wall.z = r.wall;
        EItemInstance* w = Launcher(r.name, r.kind);
        ASSERT_NE(w, nullptr);
        ASSERT_NE(w->m_hHeldModel, nullptr);
        Bronie.FireLauncher();
        EXPECT_EQ(Active([](const EFxInstance& f) { return f.m_bRocket != 0; }), r.rockets);
        EXPECT_EQ(Active([](const EFxInstance& f) { return f.m_bGrenade != 0; }), r.grenades);
        EXPECT_EQ(Active([](const EFxInstance& f) { return !f.m_bRocket && !f.m_bGrenade; }), r.impacts);
        for (int i = 1; i < MAX_FX; ++i)
            if (FX.m_Fx[i].m_bActive)
            {
                EXPECT_NEAR(FX.m_Fx[i].m_vPos.z, r.startZ, 1e-2f);
                if (FX.m_Fx[i].m_bGrenade)
                    EXPECT_NEAR(FX.m_Fx[i].m_vVel.z, CPlayerWeapons::LAUNCHED_GRENADE_SPEED, 1.0f);
                if (FX.m_Fx[i].m_bRocket || FX.m_Fx[i].m_bGrenade)
                    EXPECT_EQ(FX.m_Fx[i].m_hShooter, Player.m_hObject);
            }
    }
}

TEST_F(CloseWeaponsTest, ALauncherWithoutItsMuzzleSocketLaunchesNothingAndSaysSo)
{
    temp->Write("scripts/mesh_sockets/crate.txt", std::string("mesh_filename ") + DROP_MESH + "\n");
    g_MeshSockets.LoadAll();
    FxSetSegmentTest(WallTest);
    g_Wall.z = 500.0f;
    const float at[3] = {0.0f, 0.0f, 500.0f};
    g_Wall.object = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, at, nullptr);
    ASSERT_NE(Launcher("rpg", 5), nullptr);
    Bronie.FireLauncher();
    EXPECT_EQ(Active([](const EFxInstance&) { return true; }), 0);
    EXPECT_EQ(Count(ConsoleLog(), "Launcher without its Shoot_Socket: rpg"), 1u);
}
