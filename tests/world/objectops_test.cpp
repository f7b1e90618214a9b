// Object operations: flags, transforms, sub-records, bezier movement, sprites,
// animation and the forced camera look, and the null handle everywhere.
#include "world_fixture.h"

#include "environment/FxMgr.h"
#include "game/BezierFollowState.h"
#include "game/MainGame.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "render/SpriteMgr.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <limits>
#include <string>

using namespace worldtest;

namespace
{
EOrientation Turned(float yaw)
{
    return EOrientation(yaw, 0.25f, 0.0f);
}

void ExpectSameOrientation(const EOrientation& a, const EOrientation& b)
{
    EXPECT_FLOAT_EQ(a.Quaternion.x, b.Quaternion.x);
    EXPECT_FLOAT_EQ(a.Quaternion.y, b.Quaternion.y);
    EXPECT_FLOAT_EQ(a.Quaternion.z, b.Quaternion.z);
    EXPECT_FLOAT_EQ(a.Quaternion.w, b.Quaternion.w);
    EXPECT_EQ(a.Forward, b.Forward);
}

using ObjectOps = WorldTest;
} // namespace

TEST_F(ObjectOps, NullHandleIsHarmlessEverywhere)
{
    const D3DXVECTOR3 v(1, 2, 3);
    EOrientation o = Turned(1.0f);
    D3DVECTOR position = {7, 8, 9};
    D3DXVECTOR3 scale(5, 5, 5);
    EOrientation orientation = Turned(2.0f);

    g_Engine.SetObjectPosition(nullptr, &v, 0);
    g_Engine.SetObjectTransform(nullptr, &v, &o, 0, 1);
    g_Engine.SetObjectRotation(nullptr, &o);
    g_Engine.GetObjectPosition(nullptr, &position);
    g_Engine.GetObjectOrientation(nullptr, &orientation);
    g_Engine.SetObjectScale(nullptr, &v);
    g_Engine.GetObjectScale(nullptr, &scale);
    g_Engine.SetLightRange(nullptr, 5.0f);
    EXPECT_EQ(position.x, 7.0f);
    EXPECT_EQ(scale, D3DXVECTOR3(5, 5, 5));
    ExpectSameOrientation(orientation, Turned(2.0f));

    g_Engine.SetObjectFlags(nullptr, 1, 1);
    g_Engine.SetObjectFlags2(nullptr, 1, 1);
    EXPECT_EQ(g_Engine.SetObjectFlags3(nullptr, 1, 1), nullptr);
    EXPECT_EQ(g_Engine.GetObjectFlags(nullptr), 0u);
    EXPECT_EQ(g_Engine.GetObjectFlags2(nullptr), 0u);
    EXPECT_EQ(g_Engine.GetObjectFlags3(nullptr), 0u);
    g_Engine.SetObjectDisappearRange(nullptr, 5);
    EXPECT_EQ(g_Engine.GetObjectDisappearRange(nullptr), 0);

    EXPECT_FALSE(g_Engine.SetObjectAnimation(nullptr, "walk", 1, 0.2f, 1.0f));
    EXPECT_FALSE(g_Engine.SetSkinMeshAnimation(nullptr, "walk", 1, 1.0f));
    EXPECT_FALSE(g_Engine.SetSkinMeshAnimationSlot2(nullptr, "walk", 1, 1.0f));
    EXPECT_FALSE(g_Engine.IsObjectHit(nullptr));
    EXPECT_TRUE(g_Engine.CanAnimationBeInterrupted(nullptr));
    EXPECT_FALSE(g_Engine.HasAnimation(nullptr, "walk"));
    EXPECT_FALSE(g_Engine.GetSkinMeshNodePosition(nullptr, "Bip01", &scale));
    g_Engine.UpdateSkinMeshNodes(nullptr);

    EPhysicsDesc physics;
    physics.fFriction = 0.5f;
    g_Engine.SetObjectPhysicsDesc(nullptr, &physics);
    g_Engine.GetObjectPhysicsDesc(nullptr, &physics);
    EXPECT_EQ(physics.fFriction, 0.5f);
    g_Engine.PutForceToObject(nullptr, &v, 1.0f);
    g_Engine.RemoveObjectBody(nullptr);
    float path[5] = {1, 2, 3, 4, 5};
    g_Engine.SetObjectPathGenParams(nullptr, path);
    g_Engine.GetObjectPathGenParams(nullptr, path);
    EXPECT_EQ(path[4], 5.0f);

    EDeathParams death;
    death.fHitPoints = 42.0f;
    g_Engine.SetObjectDeathParams(nullptr, &death);
    g_Engine.GetObjectDeathParams(nullptr, &death);
    EXPECT_EQ(death.fHitPoints, 42.0f);
    EObjectActionParams actions;
    actions.dwEnabled = 9;
    g_Engine.SetObjectActionParams(nullptr, &actions);
    g_Engine.GetObjectActionParams(nullptr, &actions);
    EXPECT_EQ(actions.dwEnabled, 9u);
    ERoadParams road;
    g_Engine.SetObjectRoadParams(nullptr, &road);
    EXPECT_EQ(g_Engine.GetObjectRoadParams(nullptr), nullptr);
    ETexturePaintParams paint;
    g_Engine.SetObjectTexturePaint(nullptr, &paint);
    EXPECT_FALSE(g_Engine.GetObjectTexturePaint(nullptr, &paint));
    EBlinkingParams blinking;
    g_Engine.SetObjectBlinking(nullptr, &blinking);
    EXPECT_FALSE(g_Engine.GetObjectBlinking(nullptr, &blinking));
    ELightControlParams lights;
    lights.bEnabled = 1;
    g_Engine.SetObjectLightControl(nullptr, &lights);
    g_Engine.GetObjectLightControl(nullptr, &lights);
    EXPECT_EQ(lights.bEnabled, 1);
    char file[OBJECT_SOUND_FILE_SIZE] = "kept";
    char condition[OBJECT_SOUND_CONDITION_SIZE] = "kept";
    float value = 3.0f;
    g_Engine.SetObjectSound(nullptr, "a.wav", 1.0f, "", 1);
    g_Engine.GetObjectSound(nullptr, file, &value, condition);
    EXPECT_STREQ(file, "kept");
    EXPECT_EQ(value, 3.0f);
    g_Engine.SetObjectFx(nullptr, "fire");
    g_Engine.SetObjectBushSound(nullptr, "bush.wav", 5.0f);
    g_Engine.SetPendingTie(nullptr, "socket", "object");
    char socket[OBJECT_TIE_NAME_SIZE] = "kept";
    EXPECT_EQ(g_Engine.GetTieInfo(nullptr, socket, socket), 0);
    EXPECT_STREQ(socket, "kept");

    BezierFollowState follow;
    g_Engine.SetObjectBezierFollowState(nullptr, &follow);
    g_Engine.GetObjectBezierFollowState(nullptr, &follow);
    g_Engine.StartBezierMoving(nullptr);
    g_Engine.StopBezierMoving(nullptr);
    EXPECT_FALSE(g_Engine.IsMovingOnBezier(nullptr));
    g_Engine.SetBezierSpeedMode1(nullptr, 2.0);
    g_Engine.SetBezierSpeedMode2(nullptr, 2.0);
    g_Engine.SetBezierPaused(nullptr, 1);

    g_Engine.SetSpriteColor(nullptr, 0xFFFFFFFF);
    g_Engine.SetSpriteColorF(nullptr, 1, 1, 1, 1);
    D3DXMATRIX m;
    EXPECT_FALSE(g_Engine.GetObjectSocket(nullptr, "socket", &m, &orientation));
    g_Engine.RunActions(nullptr, 0);
    g_Engine.ForceCameraToLook(nullptr, nullptr);
    EXPECT_EQ(g_Engine.m_pLookFrom, nullptr);
}

TEST_F(ObjectOps, FlagsChangeOnlyUnderTheirMask)
{
    HOBJECT mesh = Mesh();
    g_Engine.SetObjectFlags(mesh, 0x3, 0xFFFFFFFF);
    EXPECT_EQ(mesh->bFlag0, 1);
    g_Engine.SetObjectFlags(mesh, 0x5, 0x4);
    EXPECT_EQ(g_Engine.GetObjectFlags(mesh), 0x7u);
    g_Engine.SetObjectFlags(mesh, 0x0, 0x1);
    EXPECT_EQ(g_Engine.GetObjectFlags(mesh), 0x6u);
    EXPECT_EQ(mesh->bFlag0, 0);

    g_Engine.SetObjectFlags2(mesh, 0xF0F0, 0xFF00);
    EXPECT_EQ(g_Engine.GetObjectFlags2(mesh), 0xF000u);
    EXPECT_EQ(g_Engine.SetObjectFlags3(mesh, 0x101, 0x100), mesh);
    EXPECT_EQ(g_Engine.GetObjectFlags3(mesh), 0x100u);
    g_Engine.SetObjectDisappearRange(mesh, 250);
    EXPECT_EQ(g_Engine.GetObjectDisappearRange(mesh), 250);

    // A mesh refreshes its transform only when bit 2 becomes set.
    auto* instance = static_cast<EMesh*>(mesh->Object);
    g_Engine.SetObjectFlags(mesh, 0, 0x4);
    const int refreshes = instance->m_iRefreshes;
    g_Engine.SetObjectFlags(mesh, 0x4, 0x4);
    EXPECT_EQ(instance->m_iRefreshes, refreshes + 1);
    g_Engine.SetObjectFlags(mesh, 0x4, 0x4);
    EXPECT_EQ(instance->m_iRefreshes, refreshes + 1);

    // Sprites pass their words on.
    HOBJECT sprite = Sprite();
    g_Engine.SetObjectFlags(sprite, 0x30, 0xFF);
    g_Engine.SetObjectFlags2(sprite, 0x9, 0xF);
    EXPECT_EQ(static_cast<ESprite*>(sprite->pSprite)->dwFlags, g_Engine.GetObjectFlags(sprite));
    EXPECT_EQ(static_cast<ESprite*>(sprite->pSprite)->dwFlags2, 0x9u);
}

TEST_F(ObjectOps, TransformsRoundTripForEveryType)
{
    for (HOBJECT o : {Mesh(), Skin(), Light(), Sprite()})
    {
        ASSERT_NE(o, nullptr);
        SCOPED_TRACE(int(o->Type));
        const D3DXVECTOR3 p(10, -20, 30.5f);
        const EOrientation turn = Turned(0.7f);
        g_Engine.SetObjectTransform(o, &p, &turn, 0, 1);
        D3DVECTOR back = {};
        g_Engine.GetObjectPosition(o, &back);
        EXPECT_EQ(D3DXVECTOR3(back), p);
        EXPECT_EQ(o->vStartPosition, p);
        if (o->Type != OT_LIGHT)
        {
            EOrientation got;
            g_Engine.GetObjectOrientation(o, &got);
            ExpectSameOrientation(got, turn);
        }

        // Keep-start moves the object and leaves where it started.
        const D3DXVECTOR3 q(1, 1, 1);
        g_Engine.SetObjectPosition(o, &q, 1);
        g_Engine.GetObjectPosition(o, &back);
        EXPECT_EQ(D3DXVECTOR3(back), q);
        EXPECT_EQ(o->vStartPosition, p);
        g_Engine.SetObjectPosition(o, &q, 0);
        EXPECT_EQ(o->vStartPosition, q);

        const EOrientation other = Turned(-1.2f);
        g_Engine.SetObjectRotation(o, &other);
        ExpectSameOrientation(o->Orientation, other);
    }
}

TEST_F(ObjectOps, ScaleAndLightRange)
{
    HOBJECT mesh = Mesh();
    HOBJECT skin = Skin();
    HOBJECT sprite = Sprite();
    HOBJECT light = Light();
    const D3DXVECTOR3 s(2, 3, 4);
    for (HOBJECT o : {mesh, skin})
    {
        g_Engine.SetObjectScale(o, &s);
        D3DXVECTOR3 back(0, 0, 0);
        g_Engine.GetObjectScale(o, &back);
        EXPECT_EQ(back, s);
    }
    g_Engine.SetObjectScale(sprite, &s);
    D3DXVECTOR3 size(0, 0, 9);
    g_Engine.GetObjectScale(sprite, &size);
    EXPECT_EQ(size, D3DXVECTOR3(2, 3, 9)); // a sprite has a width and a height

    light->bLightCacheValid = 1;
    g_Engine.SetLightRange(light, 64.0f);
    EXPECT_EQ(light->fRadius, 64.0f);
    EXPECT_EQ(light->bLightCacheValid, 0);
    const float meshRadius = mesh->fRadius;
    g_Engine.SetLightRange(mesh, 64.0f);
    EXPECT_EQ(mesh->fRadius, meshRadius);

    const D3DXVECTOR3 p(0, 5, 0);
    light->bLightCacheValid = 1;
    g_Engine.SetObjectPosition(light, &p, 0);
    EXPECT_EQ(light->bLightCacheValid, 0);
}

TEST_F(ObjectOps, DeathAndActionRecordsAreCopiedAndRemovedWhenDisabled)
{
    HOBJECT o = Mesh();
    EDeathParams death;
    g_Engine.GetObjectDeathParams(o, &death);
    EXPECT_EQ(death.bEnabled, 0);
    EXPECT_EQ(death.fHitPoints, 100.0f); // the defaults when the object has none
    EXPECT_EQ(death.bBulletHits, 1);

    death.bEnabled = 1;
    death.fHitPoints = 250.0f;
    std::snprintf(death.szHandleDeathIf, sizeof death.szHandleDeathIf, "%s", "alarm");
    death.death_params_SoundName[3] = 0x5A;
    g_Engine.SetObjectDeathParams(o, &death);
    EXPECT_EQ(o->fHealth, 250.0f);
    death.fHitPoints = 1.0f; // the object keeps its own copy
    EDeathParams back;
    g_Engine.GetObjectDeathParams(o, &back);
    EXPECT_EQ(back.fHitPoints, 250.0f);
    EXPECT_STREQ(back.szHandleDeathIf, "alarm");
    EXPECT_EQ(back.death_params_SoundName[3], 0x5A);
    EXPECT_EQ(Tracked("EDeathParams"), 1u);
    back.bEnabled = 0;
    g_Engine.SetObjectDeathParams(o, &back);
    EXPECT_EQ(o->pDeathParams, nullptr);
    EXPECT_EQ(Tracked("EDeathParams"), 0u);

    EObjectActionParams actions;
    actions.dwEnabled = 3;
    actions.action_countdown_time_in_seconds = 7.0f;
    g_Engine.SetObjectActionParams(o, &actions);
    EObjectActionParams actionsBack;
    g_Engine.GetObjectActionParams(o, &actionsBack);
    EXPECT_EQ(actionsBack.dwEnabled, 3u);
    EXPECT_EQ(actionsBack.action_countdown_time_in_seconds, 7.0f);
    actionsBack.dwEnabled = 0;
    g_Engine.SetObjectActionParams(o, &actionsBack);
    EXPECT_EQ(o->pActionParams, nullptr);
}

TEST_F(ObjectOps, SmallRecordsRoundTrip)
{
    HOBJECT o = Mesh();
    ERoadParams road;
    EXPECT_STREQ(road.szRoadTexture, "ter_road001.tga");
    road.fLeftWidth = 7.5f;
    g_Engine.SetObjectRoadParams(o, &road);
    ASSERT_NE(g_Engine.GetObjectRoadParams(o), nullptr);
    EXPECT_EQ(g_Engine.GetObjectRoadParams(o)->fLeftWidth, 7.5f);
    g_Engine.SetObjectRoadParams(o, nullptr);
    EXPECT_EQ(g_Engine.GetObjectRoadParams(o), nullptr);

    ETexturePaintParams paint;
    EXPECT_FALSE(g_Engine.GetObjectTexturePaint(o, &paint));
    paint.bUsed[1] = 1;
    paint.fDensity[2] = 0.25f;
    g_Engine.SetObjectTexturePaint(o, &paint);
    ETexturePaintParams paintBack;
    ASSERT_TRUE(g_Engine.GetObjectTexturePaint(o, &paintBack));
    EXPECT_EQ(paintBack.bUsed[1], 1);
    EXPECT_EQ(paintBack.fDensity[2], 0.25f);
    g_Engine.SetObjectTexturePaint(o, nullptr);
    EXPECT_FALSE(g_Engine.GetObjectTexturePaint(o, &paintBack));

    EBlinkingParams blinking;
    EXPECT_EQ(blinking.fValues[2], 2.0f);
    blinking.bEnabled = 1;
    blinking.fValues[5] = 0.5f;
    g_Engine.SetObjectBlinking(o, &blinking);
    EBlinkingParams blinkingBack;
    ASSERT_TRUE(g_Engine.GetObjectBlinking(o, &blinkingBack));
    EXPECT_EQ(blinkingBack.fValues[5], 0.5f);
    g_Engine.SetObjectBlinking(o, nullptr);
    EXPECT_FALSE(g_Engine.GetObjectBlinking(o, &blinkingBack));

    ELightControlParams lights;
    g_Engine.GetObjectLightControl(o, &lights);
    EXPECT_EQ(lights.bEnabled, 0);
    lights.bEnabled = 1;
    std::snprintf(lights.szLights[31], sizeof lights.szLights[31], "%s", "lamp31");
    g_Engine.SetObjectLightControl(o, &lights);
    ELightControlParams lightsBack;
    g_Engine.GetObjectLightControl(o, &lightsBack);
    EXPECT_STREQ(lightsBack.szLights[31], "lamp31");
    lightsBack.bEnabled = 0;
    g_Engine.SetObjectLightControl(o, &lightsBack);
    EXPECT_EQ(o->pLightControl, nullptr);
    // Lights do not switch lights.
    HOBJECT light = Light();
    g_Engine.SetObjectLightControl(light, &lights);
    EXPECT_EQ(light->pLightControl, nullptr);

    float path[5] = {1, 2, 3, 4, 5}, pathBack[5] = {};
    g_Engine.SetObjectPathGenParams(o, path);
    g_Engine.GetObjectPathGenParams(o, pathBack);
    EXPECT_EQ(pathBack[3], 4.0f);

    EPhysicsDesc physics;
    EXPECT_EQ(physics.fMassOrSize, 8.0f);
    physics.iShape = 2;
    g_Engine.SetObjectPhysicsDesc(o, &physics);
    EPhysicsDesc physicsBack;
    g_Engine.GetObjectPhysicsDesc(o, &physicsBack);
    EXPECT_EQ(physicsBack.iShape, 2);

    BezierFollowState follow;
    std::snprintf(follow.szStartNode, sizeof follow.szStartNode, "%s", "node7");
    follow.bPaused = 1;
    g_Engine.SetObjectBezierFollowState(o, &follow);
    BezierFollowState followBack;
    g_Engine.GetObjectBezierFollowState(o, &followBack);
    EXPECT_STREQ(followBack.szStartNode, "node7");
    EXPECT_EQ(followBack.bPaused, 1);
}

TEST_F(ObjectOps, SoundIsKeptByNameAndClearedByAnEmptyOne)
{
    HOBJECT o = Mesh();
    char file[OBJECT_SOUND_FILE_SIZE] = "junk";
    char condition[OBJECT_SOUND_CONDITION_SIZE] = "junk";
    float value = 9.0f;
    g_Engine.GetObjectSound(o, file, &value, condition);
    EXPECT_STREQ(file, "");
    EXPECT_EQ(value, 0.0f);

    g_Engine.SetObjectSound(o, "sounds\\engine.wav", 40.0f, "", 1);
    g_Engine.GetObjectSound(o, file, &value, condition);
    EXPECT_STREQ(file, "sounds\\engine.wav");
    EXPECT_EQ(value, 40.0f);
    g_Engine.SetObjectSound(o, file, value, "generator_on", 1);
    g_Engine.GetObjectSound(o, file, &value, condition);
    EXPECT_STREQ(condition, "generator_on");
    EXPECT_EQ(Tracked("EObjectSound"), 1u);
    g_Engine.SetObjectSound(o, "", 0.0f, nullptr, 0);
    EXPECT_EQ(o->pSound, nullptr);
}

TEST_F(ObjectOps, EffectStartsOnlyFromLevelFrame150AndLongNamesAreCut)
{
    HOBJECT o = Mesh();
    g_MainGame.m_iLevelFrame = 100;
    g_Engine.SetObjectFx(o, "fire_small");
    ASSERT_NE(o->pFxName, nullptr);
    EXPECT_STREQ(o->pFxName, "fire_small");
    EXPECT_EQ(o->pFx, nullptr);

    g_MainGame.m_iLevelFrame = 150;
    // A looping effect of that name.
    EFxDef& def = FX.m_Defs[0];
    ClearFxDef(&def);
    std::snprintf(def.Name, sizeof def.Name, "fire_small");
    def.Life_Time = -1.0f;
    const D3DXVECTOR3 p(3, 4, 5);
    g_Engine.SetObjectPosition(o, &p, 0);
    g_Engine.SetObjectFx(o, "fire_small");
    ASSERT_NE(o->pFx, nullptr);
    ASSERT_TRUE(o->pFx->m_bActive);
    EXPECT_EQ(o->pFx->m_vPos, p);
    // The effect follows the object.
    const D3DXVECTOR3 q(6, 7, 8);
    g_Engine.SetObjectPosition(o, &q, 0);
    EXPECT_EQ(o->pFx->m_vPos, q);
    EXPECT_EQ(o->pFx->m_vAnchor, q);

    const std::string longName(254, 'f');
    g_Engine.SetObjectFx(o, longName.c_str());
    EXPECT_EQ(std::string(o->pFxName), longName.substr(0, 63));
    EXPECT_NE(ConsoleLog().find("effect name too long"), std::string::npos);

    g_Engine.SetObjectFx(o, "");
    EXPECT_EQ(o->pFxName, nullptr);
    EXPECT_EQ(o->pFx, nullptr);
    FX.ReleaseAllFx();
    ClearFxDef(&def);
}

// An object's looping effect that has ended is no longer the object's: the
// next effect in its slot, started by someone else, is neither moved, nor
// released with the object, nor taken for the object's own.
TEST_F(ObjectOps, AnEndedLoopingEffectLetsGoOfItsSlot)
{
    g_MainGame.m_iLevelFrame = 150;
    EFxDef& def = FX.m_Defs[0];
    ClearFxDef(&def);
    std::snprintf(def.Name, sizeof def.Name, "fire_small");
    def.Life_Time = -1.0f;
    HOBJECT o = Mesh();
    g_Engine.SetObjectFx(o, "fire_small");
    ASSERT_NE(o->pFx, nullptr);
    EFxInstance* own = o->pFx;
    ASSERT_TRUE(own->m_bActive);
    FX.ReleaseFx(own);
    const D3DXVECTOR3 there(50, 0, 50);
    // Starts elsewhere until one takes the freed slot.
    EFxInstance* other = nullptr;
    for (int i = 0; i < MAX_FX && other != own; ++i)
        other = FX.CreateFxByName("fire_small", &there, nullptr);
    ASSERT_EQ(other, own);

    const D3DXVECTOR3 moved(1, 2, 3);
    g_Engine.SetObjectPosition(o, &moved, 0);
    EXPECT_EQ(other->m_vPos, there);
    EXPECT_EQ(EEngine::HeldFx(o), nullptr);
    EXPECT_EQ(o->pFx, nullptr);
    g_Engine.DeleteObject(o);
    EXPECT_TRUE(other->m_bActive);
    EXPECT_EQ(other->m_vPos, there);

    // An object deleted while its effect lives takes it along.
    HOBJECT p = Mesh();
    g_Engine.SetObjectFx(p, "fire_small");
    EFxInstance* held = EEngine::HeldFx(p);
    ASSERT_NE(held, nullptr);
    ASSERT_NE(held, other);
    g_Engine.DeleteObject(p);
    EXPECT_FALSE(held->m_bActive);
    EXPECT_TRUE(other->m_bActive);
    FX.ReleaseAllFx();
    ClearFxDef(&def);
}

// A mesh effect marks the object it makes as an effect's; shells and the
// world's own meshes are not marked.
TEST_F(ObjectOps, MeshEffectsMarkTheirObject)
{
    EFxDef def;
    ClearFxDef(&def);
    def.Type = FX_MESH;
    def.Life_Time = 5.0f;
    std::snprintf(def.Filename[0], FX_NAME_SIZE, "%s", MESH_FILE);
    def.FilenameCount = 1;
    EFxInstance* fx = FX.CreateFx(&def, nullptr, nullptr, 0);
    ASSERT_NE(fx, nullptr);
    ASSERT_NE(fx->m_hMesh, nullptr);
    EXPECT_EQ(fx->m_hMesh->bEffectObject, 1);
    def.Type = FX_SHELL;
    EFxInstance* shell = FX.CreateFx(&def, nullptr, nullptr, 0);
    ASSERT_NE(shell->m_hMesh, nullptr);
    EXPECT_EQ(shell->m_hMesh->bEffectObject, 0);
    EXPECT_EQ(Mesh()->bEffectObject, 0);
    FX.ReleaseAllFx();
}

// A tied object takes its socket's turn (a skinned socket's too), turned
// first by its own tie orientation; a locked object keeps its orientation; an
// untied object keeps the names it was tied by.
TEST_F(ObjectOps, TiesTakeTheSocketsTurnTheirOwnTurnAndLocks)
{
    temp->Write("models/soldier/sockets.txt", "hand Bip01 0 0 0 0 90 0\n");
    HOBJECT carrier = Skin("carrier");
    HOBJECT sword = Mesh("sword");
    ASSERT_NE(carrier, nullptr);
    D3DXMATRIX m;
    EOrientation socket;
    ASSERT_TRUE(g_Engine.GetObjectSocket(carrier, "hand", &m, &socket));
    EXPECT_NEAR(std::fabs(socket.Forward.x), 1.0f, 1e-4f) << "the socket's quarter turn about up";
    g_EngineObject.TieToSocket(sword, "hand", "carrier");
    ASSERT_EQ(sword->bTied, 1);
    sword->bVisible = carrier->bVisible = 1;
    g_Engine.SetObjectFlags(sword, OF_PHYSICS, OF_PHYSICS);
    g_Options.UpdateObjectsLinked = 1;
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(std::fabs(sword->Orientation.Forward.x), 1.0f, 1e-4f);

    // Its own quarter turn first: back along z.
    const EOrientation quarter(3.14159265f / 2.0f, 0.0f, 0.0f);
    EEngineObject::SetTieOrientation(sword, &quarter);
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(std::fabs(sword->Orientation.Forward.z), 1.0f, 1e-4f);

    // Locked, it keeps that orientation though its own turn is gone.
    EEngineObject::LockOrientation(sword, 1);
    EEngineObject::SetTieOrientation(sword, nullptr);
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(std::fabs(sword->Orientation.Forward.z), 1.0f, 1e-4f);

    g_EngineObject.Untie(sword);
    char name[OBJECT_TIE_NAME_SIZE], target[OBJECT_TIE_NAME_SIZE];
    EXPECT_EQ(g_Engine.GetTieInfo(sword, name, target), 0);
    EXPECT_STREQ(name, "hand");
    EXPECT_STREQ(target, "carrier");
}

TEST_F(ObjectOps, TieNamesAndPendingTies)
{
    HOBJECT o = Mesh();
    HOBJECT target = Skin("carrier");
    // A target without the socket leaves the object untied.
    g_EngineObject.TieToSocket(o, "hand_socket", "carrier");
    EXPECT_EQ(o->bTied, 0);
    EXPECT_NE(ConsoleLog().find("Tie: carrier nie ma socketa hand_socket"), std::string::npos);
    // A target that does not exist yet is tied by name and found later.
    g_Engine.SetPendingTie(o, "hand_socket", "carrier_2");
    EXPECT_STREQ(o->pPendingTieSocket, "hand_socket");
    g_EngineObject.TieToSocket(o, o->pPendingTieSocket, o->pPendingTieObject);
    char socket[OBJECT_TIE_NAME_SIZE], object[OBJECT_TIE_NAME_SIZE];
    EXPECT_EQ(g_Engine.GetTieInfo(o, socket, object), 1);
    EXPECT_STREQ(socket, "hand_socket");
    EXPECT_STREQ(object, "carrier_2");
    EXPECT_EQ(o->pTiedTo, nullptr);
    // A name too long for its field is refused, and the tie stays.
    g_EngineObject.TieToSocket(o, "hand_socket", std::string(64, 'c').c_str());
    EXPECT_NE(ConsoleLog().find("!!! 1"), std::string::npos);
    EXPECT_STREQ(o->szTieObject, "carrier_2");
    g_Engine.DeleteObject(target);

    std::snprintf(o->szTieSocket, sizeof o->szTieSocket, "%s", std::string(40, 's').c_str());
    g_Engine.GetTieInfo(o, socket, object);
    EXPECT_NE(ConsoleLog().find("!!! 3"), std::string::npos);
}

TEST_F(ObjectOps, BezierMovementState)
{
    HOBJECT o = Mesh("mover");
    g_Engine.SetBezierSpeedMode1(o, 2.5);
    EXPECT_EQ(o->pBezierMove->iSpeedMode, 1u);
    EXPECT_EQ(o->pBezierMove->dTargetSpeed, 2.5);
    g_Engine.SetBezierSpeedMode2(o, 0.5);
    EXPECT_EQ(o->pBezierMove->iSpeedMode, 2u);
    g_Engine.SetBezierPaused(o, 1);
    EXPECT_EQ(o->pBezierMove->bRunning, 0);
    g_Engine.SetBezierPaused(o, 0);
    EXPECT_EQ(o->pBezierMove->bRunning, 1);

    // No start node: nothing happens; an unknown one is reported.
    g_Engine.StartBezierMoving(o);
    EXPECT_FALSE(g_Engine.IsMovingOnBezier(o));
    BezierFollowState follow;
    std::snprintf(follow.szStartNode, sizeof follow.szStartNode, "%s", "nowhere");
    g_Engine.SetObjectBezierFollowState(o, &follow);
    g_Engine.StartBezierMoving(o);
    EXPECT_FALSE(g_Engine.IsMovingOnBezier(o));
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("ERROR with Bezier Moving: Start node doesn't exist!\nobject name: mover\nbad node "
                       "name: nowhere"),
              std::string::npos)
        << log;

    o->pBezierMove->bActive = 1;
    EXPECT_TRUE(g_Engine.IsMovingOnBezier(o));
    g_Engine.StopBezierMoving(o);
    EXPECT_FALSE(g_Engine.IsMovingOnBezier(o));
}

TEST_F(ObjectOps, SpriteColourFromFloatsFillsTheBytesFromTheTop)
{
    HOBJECT sprite = Sprite();
    g_Engine.SetSpriteColorF(sprite, 1.0f, 0.0f, 0.5f, 1.0f);
    EXPECT_EQ(static_cast<ESprite*>(sprite->pSprite)->dwColor, 0xFF007FFFu);
    // Overshoots are held at the ends rather than wrapped into the byte.
    g_Engine.SetSpriteColorF(sprite, 1.2f, -0.5f, 1.0e20f, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(static_cast<ESprite*>(sprite->pSprite)->dwColor, 0xFF00FF00u);
    g_Engine.SetSpriteColor(sprite, 0x11223344);
    EXPECT_EQ(static_cast<ESprite*>(sprite->pSprite)->dwColor, 0x11223344u);
    // Not a sprite: nothing happens (and nothing breaks).
    g_Engine.SetSpriteColor(Mesh(), 0x11223344);
}

TEST_F(ObjectOps, AnimationsOfObjectsWithoutThem)
{
    HOBJECT mesh = Mesh("crate");
    EXPECT_FALSE(g_Engine.SetObjectAnimation(mesh, "open", 1, 0.3f, 1.0f));
    EXPECT_NE(ConsoleLog().find("crate - NO ANIMATION open"), std::string::npos);
    EXPECT_STREQ(mesh->szAnimation, "open");
    EXPECT_EQ(mesh->bAnimationLoop, 1);
    EXPECT_TRUE(g_Engine.HasAnimation(mesh, "anything"));
    EXPECT_TRUE(g_Engine.CanAnimationBeInterrupted(mesh));

    HOBJECT skin = Skin("guard");
    EXPECT_FALSE(g_Engine.HasAnimation(skin, "walk"));
    g_Engine.SetSkinMeshAnimation(skin, "aim", 0, 1.0f);
    EXPECT_STREQ(skin->szAnimation, "aim");
}

TEST_F(ObjectOps, ForcedLookTakesTheObjectOutOfSegmentTestsAndGivesItsFlagsBack)
{
    HOBJECT from = Mesh("camera_post");
    HOBJECT at = Light("target");
    g_Engine.SetObjectFlags(from, 0x2D, 0xFFFFFFFF);
    ASSERT_EQ(from->bFlag0, 1); // the physics bit's byte
    g_Engine.ForceCameraToLook(from, at);
    EXPECT_EQ(from->dwFlags, OF_NO_SEGMENT);
    EXPECT_EQ(from->bFlag0, 0) << "the flag byte must follow the word";
    EXPECT_EQ(g_Engine.m_pLookFrom, from);
    EXPECT_EQ(g_Engine.m_pLookAt, at);
    EXPECT_EQ(g_Camera.m_hLookFrom, from);
    g_Engine.ForceCameraToLook(nullptr, nullptr);
    EXPECT_EQ(from->dwFlags, 0x2Du);
    EXPECT_EQ(from->bFlag0, 1);
    EXPECT_EQ(g_Camera.m_hLookFrom, nullptr);
}

TEST_F(ObjectOps, ActionsByNameAndForcesWithoutBodies)
{
    g_Options.Debug = 1;
    HOBJECT door = Mesh("door");
    EObjectActionParams actions;
    actions.dwEnabled = 1;
    std::snprintf(actions.action_console_print, sizeof actions.action_console_print, "%s", "door opens");
    g_Engine.SetObjectActionParams(door, &actions);
    g_Engine.RunObjectAction("DOOR", 0);
    EXPECT_EQ(door->bActionRunning, 1);
    g_Engine.RunObjectAction("window", 0);
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("door opens"), std::string::npos);
    EXPECT_NE(log.find("EEngine: Odpalam akcje na DOOR"), std::string::npos);
    EXPECT_NE(log.find("EEngine chce akcje, ale nie znaleziono obiektu window"), std::string::npos);

    const D3DXVECTOR3 force(0, 10, 0);
    g_Engine.PutForceToObject(door, &force, 1.0f);
    EXPECT_NE(ConsoleLog().find("PutForceToObject: door nie ma fizyki!"), std::string::npos);
}
