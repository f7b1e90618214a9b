// What a character wears, holds and mans: the lights of its body shared with
// its weapon, hat and eyes; its laser beam removed with it; the seat at a
// mounted gun; the way a scripted runner faces as it sets off; and the running
// animation chosen by the run and the aim.
#include "fighters_fixture.h"
#include "path_graph.h"

#include "player/LaserMgr.h"

#include <filesystem>
#include <string>

using namespace chartest;

class CharactersGearTest : public FightersTest
{
protected:
    void SetUp() override
    {
        FightersTest::SetUp();
        g_PathMgr.Release();
        g_LaserMgr.ClearBeams();
    }
    void TearDown() override
    {
        g_LaserMgr.ClearBeams();
        g_PathMgr.Release();
        FightersTest::TearDown();
    }

    static HOBJECT Box(const D3DXVECTOR3& at, const char* name)
    {
        const float where[3] = {at.x, at.y, at.z};
        HOBJECT o = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, where, nullptr);
        EXPECT_NE(o, nullptr);
        if (o)
            g_Engine.SetObjectName(o, name);
        return o;
    }
    static strpostac* WithBoxModel(const char* desc, const D3DXVECTOR3& at, const char* name)
    {
        strpostac* p = Character(desc, at, name);
        if (!p)
            return nullptr;
        p->model = Box(at, name);
        p->model_made = 1;
        return p;
    }
};

TEST_F(CharactersGearTest, WornObjectsTakeTheBodysLightsAndTheLaserBeamGoesWithTheCharacter)
{
    Scripts("postac a\nfaza stoi\nloop\n");
    strpostac* p = WithBoxModel("a", D3DXVECTOR3(0, 0, 0), "p");
    ASSERT_NE(p, nullptr);
    HOBJECT lamp = Box(D3DXVECTOR3(0, 5, 0), "lamp");
    ASSERT_NE(lamp, nullptr);
    p->model->iNumLights = 1;
    p->model->apLights[0] = lamp;
    p->hat = Box(D3DXVECTOR3(0, 2, 0), "hat");
    p->eye_l = Box(D3DXVECTOR3(0, 1.8f, 0), "eye");
    HOBJECT freed = Box(D3DXVECTOR3(0, 1.8f, 0), "gone");
    p->eye_r = freed;
    g_Engine.DeleteObject(freed);
    PMgr.ShareModelValues(p);
    for (HOBJECT o : {p->hat, p->eye_l})
    {
        EXPECT_EQ(o->iNumLights, 1u) << o->szName;
        EXPECT_EQ(o->apLights[0], lamp) << o->szName;
    }
    EXPECT_EQ(freed->iNumLights, 0u) << "a slot no longer in use is left alone";
    p->eye_r = nullptr;

    // Two beams: the deleted character's goes, the other stays.
    const D3DXVECTOR3 from(0, 1, 0), to(10, 1, 0);
    const DWORD other = g_LaserMgr.AddBeam(&from, &to, 0xFF0000, 0);
    const DWORD mine = g_LaserMgr.AddBeam(&from, &to, 0xFF0000, 0);
    ASSERT_LT(mine, ELaserMgr::MAX_BEAMS);
    p->laser_shown = 1;
    p->laser_beam = mine;
    PMgr.DeleteCharacter(p);
    EXPECT_EQ(g_LaserMgr.m_Beams[mine].used, 0);
    EXPECT_EQ(g_LaserMgr.m_Beams[other].used, 1);
    // A character without a beam removes none, whatever its slot says.
    strpostac* q = WithBoxModel("a", D3DXVECTOR3(3, 0, 0), "q");
    ASSERT_NE(q, nullptr);
    q->laser_beam = other;
    PMgr.DeleteCharacter(q);
    EXPECT_EQ(g_LaserMgr.m_Beams[other].used, 1);
}

TEST_F(CharactersGearTest, AGunnerSitsBehindTheGunFacingItsBase)
{
    Scripts("postac a\nfaza stoi\nloop\nfaza strzela\nloop\nmount rack_g\n");
    // The rack faces +x and carries the gun; a floor lies under both.
    Wall(D3DXVECTOR3(0, -0.5f, 0), D3DXVECTOR3(20, 1, 20));
    HOBJECT rack = Box(D3DXVECTOR3(5, 0.5f, 0), "rack");
    const D3DXVECTOR3 east(1, 0, 0);
    rack->Orientation.SetDirection(&east);
    HOBJECT gun = Box(D3DXVECTOR3(5, 1, 0), "rack_g");
    gun->bTied = 1;
    gun->pTiedTo = rack;
    for (int i = 0; i < 3; ++i)
        gun->TiedToPesel[i] = rack->PESEL[i];
    strpostac* p = WithBoxModel("a", D3DXVECTOR3(-5, 0, -5), "gunner");
    ASSERT_NE(p, nullptr);
    p->faza = CPostacMgr::FindFaza(p->desc, "strzela");
    PMgr.UpdateMount(p);
    EXPECT_EQ(p->mounted, 1);
    EXPECT_NEAR(p->position.x, 4.1f, 1e-4f) << "behind the gun along the base's facing";
    EXPECT_NEAR(p->position.z, 0.0f, 1e-4f);
    EXPECT_NEAR(p->position.y, 0.0f, 1e-4f) << "on the floor";
    EXPECT_NEAR(p->look_direction.x, 1.0f, 1e-4f);
    EXPECT_NEAR(p->model->vPosition.x, 4.1f, 1e-4f) << "the model sits there too";

    // A gun standing on nothing: said once, and the gun's own facing serves.
    gun->bTied = 0;
    gun->pTiedTo = nullptr;
    p->ride_reported = 0;
    PMgr.UpdateMount(p);
    PMgr.UpdateMount(p);
    EXPECT_EQ(Count(ConsoleLog(), "gunner nie moze znalezc podstawy guna rack_g"), 1u);
    EXPECT_NEAR(p->position.x, 5.0f, 1e-4f);
    EXPECT_NEAR(p->position.z, -0.9f, 1e-4f);
}

TEST_F(CharactersGearTest, AScriptedRunnerFacesItsFirstLegAtOnce)
{
    Scripts("postac a\nfaza stoi\nloop\nfaza przybyl\n");
    Grid(10, 10, -10, -10);
    Box(D3DXVECTOR3(6, 0.5f, -8), "cel");
    strpostac* p = WithBoxModel("a", D3DXVECTOR3(0, 0, 0), "runner");
    ASSERT_NE(p, nullptr);
    g_PathMgr.FindPlaceFor(p);
    p->faza = CPostacMgr::FindFaza(p->desc, "stoi");
    p->look_direction = D3DXVECTOR3(-1, 0, 0);
    PMgr.PostacRunTo(p, "cel", "", "przybyl", "bieg");
    ASSERT_EQ(p->postac_running, 1);
    // The first route point away from where it stands.
    D3DXVECTOR3 leg(0, 0, 0);
    for (DWORD i = 0; i < p->path_point_count && D3DXVec3Length(&leg) < 0.01f; ++i)
    {
        leg = p->path_points[i] - p->position;
        leg.y = 0.0f;
    }
    ASSERT_GT(D3DXVec3Length(&leg), 0.01f);
    D3DXVec3Normalize(&leg, &leg);
    EXPECT_GT(D3DXVec3Dot(&leg, &p->look_direction), 0.99f) << "not the way it looked before";
    EXPECT_GT(D3DXVec3Dot(&leg, &p->move_direction), 0.99f);
}

TEST_F(CharactersGearTest, TheRunningAnimationFollowsTheAimAlongTheRouteNearItsEnd)
{
    // Two figures alike but for the running animations, which only one has.
    Fighter();
    std::filesystem::copy("models/fighter", "models/plain", std::filesystem::copy_options::recursive);
    std::filesystem::rename("models/plain/fighter.x", "models/plain/plain.x");
    for (const char* name : {"bieg", "idzie_celuje"})
        std::filesystem::copy_file("models/fighter/animations/stoi2.bin",
                                   std::string("models/fighter/animations/") + name + ".bin");
    Scripts(std::string("postac soldier\nmodel ") + kFighterModel + "\nfaza bot_stoi\nbot\nloop\n" +
            "postac plain\nmodel models\\plain\\plain.x\nfaza bot_stoi\nbot\nloop\n");
    strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(p, nullptr);
    p->faza = CPostacMgr::FindFaza(p->desc, "bot_stoi");
    for (int i = 0; i < 8; ++i)
        p->path_points[i] = D3DXVECTOR3(2.0f * static_cast<float>(i), 0, 0);
    p->path_point_count = 8;
    // Aiming while walking only with the aim along the leg, at most four
    // points before the last one, and never before the first point.
    struct Case
    {
        int index;
        float aimX;
        bool aims; // on some of the draws
    };
    for (const Case& c : {Case{5, 50.0f, true}, Case{5, -50.0f, false}, Case{0, 50.0f, false},
                          Case{2, 50.0f, false}, Case{7, 50.0f, false}})
    {
        p->path_index = c.index;
        p->position = p->path_points[c.index] - D3DXVECTOR3(1, 0, 0);
        p->aim_point = D3DXVECTOR3(c.aimX, 1, 0);
        bool aimed = false;
        for (int draw = 0; draw < 32; ++draw)
        {
            PMgr.ChooseRunAnimation(p, true);
            aimed = aimed || std::string(p->anim.szAnimation) == "idzie_celuje";
        }
        EXPECT_EQ(aimed, c.aims) << c.index << " " << c.aimX;
        if (!c.aims)
            EXPECT_STREQ(p->anim.szAnimation, "bieg") << c.index << " " << c.aimX;
    }

    // A scripted run keeps its own animation; a model without the running
    // animations keeps its phase's.
    p->postac_running = 1;
    CopyCut(p->run_animation, sizeof p->run_animation, "stoi2");
    CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, "stoi2");
    PMgr.ChooseRunAnimation(p, true);
    EXPECT_STREQ(p->anim.szAnimation, "stoi2");
    strpostac* plain = Fighter("plain", D3DXVECTOR3(5, 0, 5), "plain");
    ASSERT_NE(plain, nullptr);
    plain->faza = CPostacMgr::FindFaza(plain->desc, "bot_stoi");
    CopyCut(plain->anim.szAnimation, sizeof plain->anim.szAnimation, "stoi2");
    PMgr.ChooseRunAnimation(plain, true);
    EXPECT_STREQ(plain->anim.szAnimation, "stoi2");
    EXPECT_EQ(ConsoleLog().find("brak animacji"), std::string::npos) << "and says nothing of them";
}
