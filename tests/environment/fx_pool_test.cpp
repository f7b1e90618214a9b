// Starting effects: the refusals, slot choice and eviction, the decal cap,
// random spreads, rotation and the explosion a start makes.
#include "fx_fixture.h"

#include "game/MainGame.h"

using namespace fxtest;

namespace
{
// A code definition of the kind, alive for the given seconds.
EFxDef Def(DWORD type, float life = 10.0f)
{
    EFxDef d;
    d.Type = type;
    d.Life_Time = life;
    std::snprintf(d.Filename[0], FX_NAME_SIZE, "spark.tga");
    d.FilenameCount = 1;
    return d;
}
} // namespace

TEST_F(FxTest, StartsAreRefusedWithTheReservedRecord)
{
    Load();
    EFxDef smoke = Def(FX_SPRITE);
    EFxDef bullet = Def(FX_BULLET);
    g_Options.AddFX = 0;
    EXPECT_EQ(FX.CreateFx(&smoke, nullptr, nullptr, 0), FX.Reserved());
    EFxInstance* b = FX.CreateFx(&bullet, nullptr, nullptr, 0);
    EXPECT_NE(b, FX.Reserved());
    EXPECT_EQ(b->m_bActive, 1);
    g_Options.AddFX = 1;
    g_Options.DrawFX = 0;
    EXPECT_EQ(FX.CreateFx(&bullet, nullptr, nullptr, 0), FX.Reserved());
    g_Options.DrawFX = 1;

    EFxDef physics = Def(FX_MESH);
    physics.Apply_Physics_To_Mesh = 1;
    EFxDef unnamed = Def(FX_SPRITE);
    unnamed.Filename[0][0] = 0;
    EFxDef distortion = Def(FX_SPRITE);
    std::snprintf(distortion.DistortionNormal, FX_NAME_SIZE, "n.tga");
    for (const EFxDef* d : {&physics, &unnamed, &distortion})
        EXPECT_EQ(FX.CreateFx(d, nullptr, nullptr, 0), FX.Reserved());
    EXPECT_EQ(FX.CreateFx(nullptr, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(FX.Reserved()->m_bActive, 0);
    EXPECT_EQ(Active(), 1);

    EXPECT_EQ(FX.CreateFxByName("nothing_like_it", nullptr, nullptr), nullptr);
    EXPECT_NE(ConsoleLog().find("Effect nothing_like_it not found\n"), std::string::npos);
    EXPECT_EQ(FX.CreateFxByNameOnObject("nothing_like_it", nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(FX.CreateFxByName("", nullptr, nullptr), nullptr);
}

TEST_F(FxTest, DecalsStopAt240UntilOneEnds)
{
    Load();
    EFxDef decal = Def(FX_SPRITE);
    decal.IsDecal = 1;
    std::vector<EFxInstance*> decals;
    for (DWORD i = 0; i < FX_MAX_DECALS; ++i)
        decals.push_back(FX.CreateFx(&decal, nullptr, nullptr, 0));
    EXPECT_EQ(FX.m_iDecalCount, 240u);
    EXPECT_EQ(FX.CreateFx(&decal, nullptr, nullptr, 0), FX.Reserved());
    EXPECT_EQ(FX.m_iDecalCount, 240u);
    // Another refusal does not touch the count.
    EFxDef unnamed = decal;
    unnamed.Filename[0][0] = 0;
    FX.CreateFx(&unnamed, nullptr, nullptr, 0);
    EXPECT_EQ(FX.m_iDecalCount, 240u);
    FX.ReleaseFx(decals[7]);
    EXPECT_EQ(FX.m_iDecalCount, 239u);
    EXPECT_NE(FX.CreateFx(&decal, nullptr, nullptr, 0), FX.Reserved());
    EXPECT_EQ(FX.m_iDecalCount, 240u);
}

TEST_F(FxTest, AFullPoolEvictsTheEvictableEffectNearestItsEnd)
{
    Load();
    EFxDef looping = Def(FX_TYPE_NONE, -1.0f); // never evictable
    for (int i = 1; i < MAX_FX; ++i)
        ASSERT_EQ(FX.CreateFx(&looping, nullptr, nullptr, 0)->m_iSlot, static_cast<DWORD>(i));
    EXPECT_EQ(FX.CreateFx(&looping, nullptr, nullptr, 0), FX.Reserved());

    // Three evictable ones: the smallest remaining fraction goes, of equal ones the lower slot.
    for (int slot : {40, 41, 90})
    {
        FX.m_Fx[slot].m_bEvictable = 1;
        FX.m_Fx[slot].m_fLifeFraction = 0.5f;
    }
    FX.m_Fx[40].m_fLifeFraction = 0.7f;
    std::strcpy(FX.m_Fx[41].m_szName, "old");
    EFxInstance* fresh = FX.CreateFx(&looping, nullptr, nullptr, 0);
    EXPECT_EQ(fresh->m_iSlot, 41u);
    EXPECT_STREQ(fresh->m_szName, "");
    EXPECT_EQ(FX.CreateFx(&looping, nullptr, nullptr, 0)->m_iSlot, 90u);
}

TEST_F(FxTest, SpreadsRotationAndTheFirstValues)
{
    Load();
    EFxDef d = Def(FX_TYPE_NONE);
    d.Pos_Rand = D3DXVECTOR3(2, 0, 0);
    for (int i = 0; i < 200; ++i)
    {
        EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
        EXPECT_GT(fx->m_vPos.x, -1.0f);
        EXPECT_LT(fx->m_vPos.x, 1.0f);
        EXPECT_EQ(fx->m_vPos.y, 0.0f);
        FX.ReleaseFx(fx);
    }

    EFxDef turned = Def(FX_TYPE_NONE);
    turned.Use_Rotation = 1;
    turned.Vel = D3DXVECTOR3(0, 0, 10);
    turned.Orientation = EOrientation(D3DX_PI / 2, 0.0f, 0.0f);
    EFxInstance* fx = FX.CreateFx(&turned, nullptr, nullptr, 0);
    const D3DXVECTOR3 expected = turned.Orientation.Forward * 10.0f;
    EXPECT_NEAR(fx->m_vVel.x, expected.x, 1e-4f);
    EXPECT_NEAR(fx->m_vVel.z, expected.z, 1e-4f);
    EXPECT_NEAR(std::fabs(fx->m_vVel.x), 10.0f, 1e-4f);

    EFxDef still = Def(FX_SPRITE);
    still.Animated_Sprite_FPS = 0.0f;
    still.Color[0] = D3DXVECTOR3(255, 128, 1.5f);
    fx = FX.CreateFx(&still, nullptr, nullptr, 0);
    EXPECT_EQ(fx->m_fAnimFrameTime, 30.0f);
    EXPECT_EQ(fx->m_fAnimLength, 64 * 30.0f);
    EXPECT_EQ(fx->m_dwColor, 0xFFFF8001u);
    EXPECT_EQ(fx->m_vHistory[2], fx->m_vPos);
}

TEST_F(FxTest, ExplosionsActOnlyAfterTheLevelsFirst200Frames)
{
    Load();
    EFxDef boom = Def(FX_TYPE_NONE);
    boom.Explosion_Power = 5.0f;
    g_MainGame.m_iLevelFrame = 200;
    FX.CreateFx(&boom, nullptr, nullptr, 0);
    EXPECT_EQ(g_FxServiceCounts.iExplosions, 0);
    g_MainGame.m_iLevelFrame = 201;
    FX.CreateFx(&boom, nullptr, nullptr, 0);
    EXPECT_EQ(g_FxServiceCounts.iExplosions, 1);
    EXPECT_EQ(g_FxServiceCounts.fLastExplosionPower, 5.0f);
}

TEST_F(FxTest, MeshEffectsOwnTheirObjectUntilTheyEnd)
{
    Load();
    EFxDef mesh = Def(FX_MESH);
    mesh.Filename[0][0] = 0;
    EFxInstance* fx = FX.CreateFx(&mesh, nullptr, nullptr, 0);
    EXPECT_NE(ConsoleLog().find(" tworzy mesha bez nazwy!"), std::string::npos);
    // No file, no object: the effect lives on without one.
    EXPECT_EQ(fx->m_hMesh, nullptr);
    EXPECT_EQ(fx->m_bActive, 1);
    FX.ReleaseAllFx();
    EXPECT_EQ(Active(), 0);
}

TEST_F(FxTest, TheSocketNameIsCopiedAtTheStart)
{
    Load();
    EFxDef d = Def(FX_TYPE_NONE);
    HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    char socket[FX_SOCKET_SIZE] = "muzzle";
    EFxInstance* fx = FX.CreateFx(&d, o, socket, 1);
    std::strcpy(socket, "gone");
    EXPECT_STREQ(fx->m_szSocket, "muzzle");
    EXPECT_NE(ConsoleLog().find("FX nie czyta socketa muzzle"), std::string::npos);
}
