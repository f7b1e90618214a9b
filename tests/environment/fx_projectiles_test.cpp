// Bullets, cartridge cases, rockets, mortar explosions, blood drops, the
// segment trace and the colour keys of sprites.
#include "fx_fixture.h"

#include "game/BezierFollowState.h"
#include "mesh/Mesh.h"
#include "world/DeathParams.h"
#include "world/ObjectActionParams.h"

using namespace fxtest;

namespace
{
strObject MakeObject(BYTE type = OT_MESH, DWORD kind = 0)
{
    strObject o;
    std::memset(static_cast<void*>(&o), 0, sizeof o);
    o.bUsed = 1;
    o.Type = type;
    o.dwFlags3 = kind;
    return o;
}

EFxDef Bullet(const D3DXVECTOR3& from, const D3DXVECTOR3& vel)
{
    EFxDef d;
    d.Type = FX_BULLET;
    d.Move = 1;
    d.Life_Time = 5.0f;
    d.Pos = from;
    d.Vel = vel;
    d.Shooter = nullptr;
    return d;
}
} // namespace

TEST_F(FxTest, TraceSkipsShortSegmentsChosenObjectsAndKinds)
{
    strObject wall = MakeObject();
    strObject character = MakeObject(OT_SKINMESH, 2);
    strObject ground = MakeObject();
    Planes() = {{&character, {0, 0, 2}, {0, 0, -1}},
                {&wall, {0, 0, 5}, {0, 0, -1}},
                {&ground, {0, -1, 0}, {0, 1, 0}}};

    D3DXVECTOR3 from(0, 0, 0), to(0.3f, 0.3f, 0.3f);
    EXPECT_EQ(TraceSegment(&from, &to, nullptr, 0, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(SegmentTests(), 0);

    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, nullptr, 0, nullptr, 0, 0, 0), 2);
    EXPECT_EQ(from, D3DXVECTOR3(0, 0, 2));
    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, &character, 0, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(from, D3DXVECTOR3(0, 0, 5));
    EXPECT_EQ(to, D3DXVECTOR3(0, 0, -1));
    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, nullptr, 0, nullptr, 1, 0, 0), 1);
    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, &wall, 0, &character, 0, 0, 0), 0);
    EXPECT_EQ(from, D3DXVECTOR3(0, 0, 0)); // a miss leaves both points
    EXPECT_EQ(to, D3DXVECTOR3(0, 0, 10));
}

TEST_F(FxTest, BulletsStrikeFrontFacesAndPassBackFaces)
{
    Load();
    strObject wall = MakeObject();
    Planes() = {{&wall, {0, 0, 5}, {0, 0, -1}}};
    EFxDef shot = Bullet({0, 0, 0}, {0, 0, 100});
    EFxInstance* fx = FX.CreateFx(&shot, nullptr, nullptr, 0);
    Run(3);
    EXPECT_EQ(fx->m_bActive, 0);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 1);
    EXPECT_EQ(g_FxServiceCounts.hLastBulletHit, &wall);

    // From inside, leaving through the back of the face: no impact, but the flight ends.
    EFxDef out = Bullet({0, 0, 8}, {0, 0, -100});
    fx = FX.CreateFx(&out, nullptr, nullptr, 0);
    Run(3);
    EXPECT_EQ(fx->m_bActive, 0);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 1);

    // A wall that bullets can destroy takes the hit through its back as well.
    EDeathParams destructible;
    destructible.bEnabled = 1;
    wall.pDeathParams = &destructible;
    FX.CreateFx(&out, nullptr, nullptr, 0);
    Run(3);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 2);
    destructible.bBulletHits = 0;
    FX.CreateFx(&out, nullptr, nullptr, 0);
    Run(3);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 2) << "bullets do not hurt it";
    wall.pDeathParams = nullptr;

    // A wall whose actions let shots through is not struck at all: the bullet flies on.
    EObjectActionParams open;
    open.action_general_3 = 1;
    wall.pActionParams = &open;
    fx = FX.CreateFx(&shot, nullptr, nullptr, 0);
    Run(3);
    EXPECT_EQ(fx->m_bActive, 1);
    EXPECT_GT(fx->m_vPos.z, 5.0f);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 2);
    wall.pActionParams = nullptr;
}

TEST_F(FxTest, ABulletWithoutCollisionFliesStraightAndOthersDrop)
{
    Load();
    strObject wall = MakeObject();
    Planes() = {{&wall, {0, 0, 5}, {0, 0, -1}}};
    EFxDef ghost = Bullet({0, 0, 0}, {0, 0, 100});
    ghost.NoCollision = 1;
    EFxInstance* fx = FX.CreateFx(&ghost, nullptr, nullptr, 0);
    Run(4);
    EXPECT_EQ(fx->m_bActive, 1);
    EXPECT_EQ(fx->m_vPos.y, 0.0f);
    EXPECT_NEAR(fx->m_vPos.z, 4 * kStep * 100.0f, 1e-3f);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 0);
    // The tracer's tail lags the head.
    EXPECT_LT(fx->m_vTail.z, fx->m_vPos.z);

    Planes().clear();
    EFxDef falling = Bullet({0, 0, 0}, {0, 0, 100});
    fx = FX.CreateFx(&falling, nullptr, nullptr, 0);
    Run(4);
    EXPECT_LT(fx->m_vVel.y, 0.0f);
    EXPECT_LT(fx->m_vPos.y, 0.0f);
}

TEST_F(FxTest, ACartridgeCaseBouncesWithAClinkAndComesToRest)
{
    Load();
    strObject ground = MakeObject();
    Planes() = {{&ground, {0, 0, 0}, {0, 1, 0}}};
    EFxDef shell;
    shell.Type = FX_SHELL;
    shell.Move = 1;
    shell.Life_Time = 30.0f;
    shell.Pos = D3DXVECTOR3(0, 0.1f, 0);
    shell.Vel = D3DXVECTOR3(0, -5, 0);
    EFxInstance* fx = FX.CreateFx(&shell, nullptr, nullptr, 0);
    g_Engine.m_fDeltaTime = 0.05f;
    Run(1); // a steep fall lands at once: the ground is found below
    EXPECT_EQ(fx->m_bLanded, 1);
    EXPECT_NEAR(fx->m_fGroundY, 0.02f, 1e-5f);
    EXPECT_NEAR(fx->m_vVel.y, 1.75f, 1e-4f);
    EXPECT_NEAR(fx->m_vPos.y, 0.13f, 1e-5f);
    fx->m_fGravity = 9.8f;
    for (int i = 0; i < 100 && fx->m_bMove; ++i)
        Run(1);
    EXPECT_EQ(fx->m_bMove, 0);
    EXPECT_NEAR(fx->m_vPos.y, 0.02f, 1e-5f);
    EXPECT_EQ(fx->m_bActive, 1);
}

TEST_F(FxTest, ARocketLeavesThreeTrailEffectsEveryHalfUnit)
{
    for (const char* name : {"rakieta_blik", "rakieta_ogien", "rakieta_dym"})
        Afx(name, Lines({"Life_Time 1"}));
    Afx("z_wybuch_mozdzierz_powietrze", Lines({"Life_Time 1"}));
    Load();
    EFxDef rocket;
    rocket.Type = FX_MESH;
    rocket.Life_Time = 10.0f;
    std::snprintf(rocket.Filename[0], FX_NAME_SIZE, "missing_rocket.x");
    EFxInstance* fx = FX.CreateFx(&rocket, nullptr, nullptr, 0);
    // A mesh effect without its mesh object does not fly.
    fx->m_bRocket = 1;
    Run(1);
    EXPECT_EQ(Active(), 1);

    // With an object it moves 2 units (forward axis plus velocity) in one frame.
    HOBJECT light = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    ASSERT_NE(light, nullptr);
    fx->m_hMesh = light;
    // Just under 2 units with the forward push of 1 a second and the wobble.
    fx->m_vVel = D3DXVECTOR3(0, 0, 38.9f);
    g_Engine.m_fDeltaTime = 0.05f;
    FX.UpdateRocket(fx);
    EXPECT_NEAR(fx->m_vPos.z, 2.0f, 0.05f);
    EXPECT_EQ(Active(), 1 + 12);

    // A hit explodes at the previous position.
    strObject wall = MakeObject();
    Planes() = {{&wall, {0, 0, 3}, {0, 0, -1}}};
    EXPECT_TRUE(FX.UpdateRocket(fx));
    int explosions = 0;
    for (const EFxInstance& e : FX.m_Fx)
        explosions += e.m_bActive && std::strcmp(e.m_szName, "z_wybuch_mozdzierz_powietrze") == 0;
    EXPECT_EQ(explosions, 1);
    fx->m_hMesh = nullptr;
    g_Engine.DeleteObject(light);
}

TEST_F(FxTest, AMortarShellPicksItsExplosionByTheGround)
{
    for (const char* name : {"z_wybuch_mozdzierz_powietrze", "z_wybuch_mozdzierz_piasek",
                             "z_wybuch_mozdzierz_cement_caly", "z_wybuch_mozdzierz_big"})
        Afx(name, Lines({"Life_Time 1"}));
    Texture("textures/sand.tga");
    Texture("textures/stone.tga");
    Load();
    const TextureIndex sand = g_Renderer.GetTextureIndex("sand.tga");
    const TextureIndex stone = g_Renderer.GetTextureIndex("stone.tga");
    ASSERT_NE(sand, 0u);
    g_Renderer.GetTexture(sand)->m_iMaterial = 3;
    g_Renderer.GetTexture(stone)->m_iMaterial = 1;
    strObject shell = MakeObject();
    strObject ground = MakeObject();
    // The ground's mesh: its subset 2 is sand, subset 3 stone.
    EMesh mesh;
    mesh.ReserveSubsets(4);
    mesh.m_TextureIndex[2] = sand;
    mesh.m_TextureIndex[3] = stone;
    ground.Object = &mesh;
    const D3DXVECTOR3 p(0, 1, 0);
    auto last = []
    {
        for (int i = MAX_FX - 1; i > 0; --i)
            if (FX.m_Fx[i].m_bActive)
                return std::string(FX.m_Fx[i].m_szName);
        return std::string();
    };
    FX.CreateMortarExplosion(&shell, &p, false);
    EXPECT_EQ(last(), "z_wybuch_mozdzierz_powietrze");
    Planes() = {{&ground, {0, 0, 0}, {0, 1, 0}, 2}};
    FX.CreateMortarExplosion(&shell, &p, false);
    EXPECT_EQ(last(), "z_wybuch_mozdzierz_piasek");
    Planes()[0].subset = 3;
    FX.CreateMortarExplosion(&shell, &p, false);
    EXPECT_EQ(last(), "z_wybuch_mozdzierz_cement_caly");
    // A subset the mesh has no texture for, and one beyond its subsets, hit the same.
    Planes()[0].subset = 1;
    FX.CreateMortarExplosion(&shell, &p, false);
    const std::string untextured = last();
    Planes()[0].subset = 9;
    FX.CreateMortarExplosion(&shell, &p, false);
    EXPECT_EQ(last(), untextured);
    FX.CreateMortarExplosion(&shell, &p, true);
    EXPECT_EQ(last(), "z_wybuch_mozdzierz_big");
    EXPECT_EQ(FX.m_bMortarExplosion, 0);
    ground.Object = nullptr;
}

TEST_F(FxTest, BloodDropsStainOnlyFlatGround)
{
    temp->Write("scripts/BloodDrops.txt", "drop.tga\n");
    temp->Write("scripts/BloodDropsOF.txt", "stain.tga\n");
    Afx("krew_na_ziemi", Lines({"Life_Time 20"}));
    Load();
    strObject ground = MakeObject();
    strObject wall = MakeObject();
    auto drop = [](const D3DXVECTOR3& from, const D3DXVECTOR3& vel)
    {
        EFxDef d;
        d.Type = FX_BLOODDROP;
        d.Move = 1;
        d.Life_Time = 5.0f;
        d.Gravity = 9.8f;
        d.Pos = from;
        d.Vel = vel;
        std::snprintf(d.Filename[0], FX_NAME_SIZE, "drop.tga");
        d.FilenameCount = 1;
        return FX.CreateFx(&d, nullptr, nullptr, 0);
    };
    auto stains = []
    {
        int n = 0;
        for (const EFxInstance& e : FX.m_Fx)
            n += e.m_bActive && std::strcmp(e.m_szName, "krew_na_ziemi") == 0;
        return n;
    };
    Planes() = {{&wall, {0, 0, 1}, {0, 0, -1}}};
    EFxInstance* fx = drop({0, 0, 0}, {0, 0, 30});
    Run(3);
    EXPECT_EQ(fx->m_bActive, 0);
    EXPECT_EQ(stains(), 0);

    Planes() = {{&ground, {0, 0, 0}, {0, 1, 0}}};
    fx = drop({0, 1, 0}, {0, -30, 0});
    Run(3);
    EXPECT_EQ(fx->m_bActive, 0);
    EXPECT_EQ(stains(), 1);

    // Ground that follows a bezier path takes no stain; a bezier move record
    // alone (the path not followed) does not stop one.
    BezierFollowState follow;
    follow.bOn = 1;
    BezierMoveState move;
    move.bActive = 1;
    ground.pBezierFollow = &follow;
    drop({0, 1, 0}, {0, -30, 0});
    Run(3);
    EXPECT_EQ(stains(), 1);
    follow.bOn = 0;
    ground.pBezierMove = &move;
    drop({0, 1, 0}, {0, -30, 0});
    Run(3);
    EXPECT_EQ(stains(), 2);
    ground.pBezierFollow = nullptr;
    ground.pBezierMove = nullptr;

    // Nor on ground that moves on: tied to a socket, moved by its actions, falling.
    for (BYTE strObject::*moving : {&strObject::bTied, &strObject::bActionRunning, &strObject::bFalling})
    {
        ground.*moving = 1;
        fx = drop({0, 1, 0}, {0, -30, 0});
        Run(3);
        EXPECT_EQ(fx->m_bActive, 0);
        EXPECT_EQ(stains(), 2);
        ground.*moving = 0;
    }
}

TEST_F(FxTest, AlphaKeysHoldThenFadeOverTheSecondHalf)
{
    Load();
    EFxInstance fx;
    fx.m_iAlphaKeys = 3;
    fx.m_fAlpha[0] = 255;
    fx.m_fAlpha[1] = 255;
    fx.m_fAlpha[2] = 0;
    fx.m_fAlphaTime[1] = 0.5f;
    fx.m_fAlphaTime[2] = 1.0f;
    fx.m_iColorKeys = 2;
    fx.m_vColor[0] = D3DXVECTOR3(255, 0, 0);
    fx.m_vColor[1] = D3DXVECTOR3(0, 0, 255);
    struct Case
    {
        float remaining;
        DWORD alpha;
    };
    for (const Case& c :
         {Case{1.0f, 255}, Case{0.6f, 255}, Case{0.5f, 255}, Case{0.25f, 127}, Case{0.0f, 0}, Case{-0.5f, 0}})
    {
        fx.m_fLifeFraction = c.remaining;
        EXPECT_EQ(FX.GetSpriteAlpha(&fx) >> 24, c.alpha) << c.remaining;
    }
    fx.m_fLifeFraction = 0.5f;
    EXPECT_EQ(FX.GetSpriteColorPart(&fx), 0x7F007Fu);
    // Eight keys, and time past the last one: the last key holds, nothing past the eighth is read.
    fx.m_iAlphaKeys = 8;
    for (int k = 0; k < 8; ++k)
    {
        fx.m_fAlpha[k] = 10.0f * k;
        fx.m_fAlphaTime[k] = 0.1f * k;
    }
    fx.m_fLifeFraction = 0.0f;
    EXPECT_EQ(FX.GetSpriteAlpha(&fx) >> 24, 70u);
}

TEST_F(FxTest, ABombFallsTiltingAlongItsPathAndExplodesOnTheGround)
{
    Afx("r_e_wybuch_duzy", Lines({"Life_Time 1"}));
    Load();
    const D3DXVECTOR3 start(0, 50, 0), dir(1, 0, 0);
    FX.CreateBombFx(&start, &dir);
    FX.CreateBombFx(nullptr, &dir);
    EFxInstance* bomb = nullptr;
    for (EFxInstance& fx : FX.m_Fx)
        if (fx.m_bActive && fx.m_bBomb)
            bomb = &fx;
    ASSERT_NE(bomb, nullptr);
    EXPECT_EQ(Active(), 1);
    EXPECT_EQ(bomb->m_vVel, D3DXVECTOR3(220, -80, 0));
    EXPECT_EQ(bomb->m_vScale, D3DXVECTOR3(0.7f, 0.7f, 0.7f));
    // Its mesh file is not in this data tree: a stand-in object carries it.
    HOBJECT carrier = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    ASSERT_NE(carrier, nullptr);
    bomb->m_hMesh = carrier;
    strObject ground;
    std::memset(static_cast<void*>(&ground), 0, sizeof ground);
    ground.bUsed = 1;
    Planes() = {{&ground, {0, 0, 0}, {0, 1, 0}}};
    g_Engine.m_fDeltaTime = 0.05f;
    Run(1);
    EXPECT_NEAR(bomb->m_vVel.y, -100.0f, 1e-3f);
    EXPECT_EQ(carrier->dwFlags & 0x80u, 0x80u);
    // Tilted halfway between level flight and its path: nose down.
    EXPECT_LT(carrier->Orientation.Forward.y, 0.0f);
    EXPECT_GT(carrier->Orientation.Forward.x, 0.0f);
    for (int i = 0; i < 40 && bomb->m_bActive; ++i)
        Run(1);
    EXPECT_EQ(bomb->m_bActive, 0);
    int explosions = 0;
    for (const EFxInstance& e : FX.m_Fx)
        explosions += e.m_bActive && std::strcmp(e.m_szName, "r_e_wybuch_duzy") == 0;
    EXPECT_EQ(explosions, 1);
    g_Engine.DeleteObject(carrier);
}
