// The physics world: stepping, copying bodies back to their objects, the
// choice of body for a loaded object, body shapes from descriptions, the
// kinematic switch, impulses, and bad sizes, masses, meshes and steps.
#include "physics_fixture.h"

#include <cmath>
#include <limits>

using namespace physicstest;

namespace
{
const D3DXVECTOR3 kUnit(0.5f, 0.5f, 0.5f);
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

btVector3 BoxHalf(HOBJECT o)
{
    auto* box = static_cast<btBoxShape*>(static_cast<btRigidBody*>(o->pPhysicsBody)->getCollisionShape());
    return box->getHalfExtentsWithoutMargin() +
           btVector3(box->getMargin(), box->getMargin(), box->getMargin());
}
} // namespace

TEST_F(PhysicsTest, LongFramesAreCutToTwoSubStepsAndTheRestIsDropped)
{
    HOBJECT crate = Make({0, 100, 0}, kUnit);
    g_PhysicsMgr.CreateObjectBody(crate, nullptr);

    g_PhysicsMgr.Step(0.1f);
    EXPECT_EQ(g_PhysicsMgr.GetLastSubSteps(), PHYSICS_MAX_SUBSTEPS);
    // Two sub-steps of free fall, not six: v = 2 * g * dt.
    EXPECT_NEAR(Body(crate)->getLinearVelocity().y(), -10.0f * 2 * PHYSICS_FIXED_STEP, 1e-3);

    g_PhysicsMgr.Step(1e9f);
    EXPECT_EQ(g_PhysicsMgr.GetLastSubSteps(), PHYSICS_MAX_SUBSTEPS);

    const float y = crate->vPosition.y;
    for (float bad : {0.0f, -1.0f, kNaN, std::numeric_limits<float>::infinity()})
    {
        g_PhysicsMgr.Step(bad);
        EXPECT_EQ(g_PhysicsMgr.GetLastSubSteps(), 0) << bad;
    }
    EXPECT_EQ(crate->vPosition.y, y);
    EXPECT_TRUE(std::isfinite(Body(crate)->getWorldTransform().getOrigin().y()));
}

TEST_F(PhysicsTest, OnlyAwakeBodiesThatPhysicsDrivesAreCopiedBack)
{
    HOBJECT awake = Make({0, 50, 0}, kUnit);
    HOBJECT skipped = Make({5, 50, 0}, kUnit);
    HOBJECT sleeping = Make({10, 50, 0}, kUnit);
    HOBJECT ground = Make({0, -1, 0}, {20, 1, 20}, OF_STATIC_BODY);
    for (HOBJECT o : {awake, skipped, sleeping})
        g_PhysicsMgr.CreateObjectBody(o, nullptr);
    g_PhysicsMgr.AddBoxBody(ground);
    g_PhysicsMgr.GetObjectPhysics(skipped)->bSkipPhysics = 1;
    Body(sleeping)->setActivationState(ISLAND_SLEEPING);

    // The ground object is moved by the game alone: physics never writes it back.
    ground->vPosition = {0, -3, 0};
    Run(10);

    EXPECT_LT(awake->vPosition.y, 50.0f);
    EXPECT_FLOAT_EQ(skipped->vPosition.y, 50.0f);
    EXPECT_LT(Body(skipped)->getWorldTransform().getOrigin().y(), 50.0f);
    EXPECT_FLOAT_EQ(sleeping->vPosition.y, 50.0f);
    EXPECT_FLOAT_EQ(ground->vPosition.y, -3.0f);
    EXPECT_EQ(g_PhysicsMgr.m_iNumPhysicsObjects, 2);
    EXPECT_EQ(g_PhysicsMgr.m_iNumActivePhysicsObjects, 1);
    // The mesh that is drawn follows its object.
    EXPECT_FLOAT_EQ(Mesh(awake)->m_mWorld._42, awake->vPosition.y);
}

TEST_F(PhysicsTest, WithUpdatePhysicsOffNothingMovesAndCountsStay)
{
    HOBJECT crate = Make({0, 50, 0}, kUnit);
    g_PhysicsMgr.CreateObjectBody(crate, nullptr);
    Run(2);
    const int counted = g_PhysicsMgr.m_iNumPhysicsObjects;
    const float y = crate->vPosition.y;
    g_Options.UpdatePhysics = 0;
    HOBJECT other = Make({3, 50, 0}, kUnit);
    g_PhysicsMgr.CreateObjectBody(other, nullptr);
    Run(10);
    EXPECT_EQ(crate->vPosition.y, y);
    EXPECT_EQ(g_PhysicsMgr.m_iNumPhysicsObjects, counted);
}

struct ChoiceCase
{
    const char* name;
    DWORD flags;
    BYTE cylinder;
    int descShape;
    D3DXVECTOR3 position;
    EBodyChoice expected;
    DWORD flagsAfter; // of OF_STATIC_BODY | OF_DYNAMIC_BODY
};

class BodyChoice : public PhysicsTest, public ::testing::WithParamInterface<ChoiceCase>
{
};

TEST_P(BodyChoice, TheEngineGivesTheBodyTheFlagsAndDescriptionAskFor)
{
    const ChoiceCase& c = GetParam();
    HOBJECT o = Make(c.position, kUnit, c.flags);
    g_PhysicsMgr.GetObjectPhysics(o)->bCylinder = c.cylinder;
    EPhysicsDesc desc;
    Mesh(o)->GetPhysicsDesc(&desc);
    desc.iShape = c.descShape;
    Mesh(o)->SetPhysicsDesc(&desc);
    EXPECT_EQ(g_PhysicsMgr.GiveLoadedObjectBody(o), c.expected);
    EXPECT_EQ(o->pPhysicsBody != nullptr, c.expected != EBodyChoice::None);
    EXPECT_EQ(o->dwFlags & (OF_STATIC_BODY | OF_DYNAMIC_BODY), c.flagsAfter);
    if (c.expected == EBodyChoice::None)
        return;
    const int shape = Body(o)->getCollisionShape()->getShapeType();
    const bool cylinder = c.expected == EBodyChoice::Cylinder || c.descShape == PHYSICS_SHAPE_CYLINDER;
    EXPECT_EQ(shape == CYLINDER_SHAPE_PROXYTYPE, cylinder);
    EXPECT_EQ(Body(o)->isStaticObject(), c.expected != EBodyChoice::Dynamic);
    EXPECT_EQ(g_PhysicsMgr.GetObjectPhysics(o)->bKinematic != 0, c.expected != EBodyChoice::Dynamic);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BodyChoice,
    ::testing::Values(
        ChoiceCase{"StaticBox", OF_STATIC_BODY, 0, 0, {0, 0, 0}, EBodyChoice::Box, OF_STATIC_BODY},
        ChoiceCase{"StaticCylinder",
                   OF_STATIC_BODY | OF_TRIANGLE_BODY,
                   1,
                   0,
                   {0, 0, 0},
                   EBodyChoice::Cylinder,
                   OF_STATIC_BODY},
        ChoiceCase{"NoAskNoType", 0, 0, 0, {0, 0, 0}, EBodyChoice::None, 0},
        ChoiceCase{"TypeWins",
                   OF_STATIC_BODY,
                   0,
                   PHYSICS_SHAPE_CYLINDER,
                   {0, 0, 0},
                   EBodyChoice::Dynamic,
                   OF_DYNAMIC_BODY},
        ChoiceCase{"DynamicWithoutAsk",
                   0,
                   0,
                   PHYSICS_SHAPE_SPHERE,
                   {0, 0, 0},
                   EBodyChoice::Dynamic,
                   OF_DYNAMIC_BODY},
        ChoiceCase{"OutsideLosesAsk", OF_STATIC_BODY, 0, 0, {1999.9f, 0, 0}, EBodyChoice::None, 0},
        ChoiceCase{"OutsideStillDynamic",
                   OF_STATIC_BODY,
                   0,
                   PHYSICS_SHAPE_BOX,
                   {1999.9f, 0, 0},
                   EBodyChoice::Dynamic,
                   OF_DYNAMIC_BODY},
        ChoiceCase{"UnknownType", 0, 0, 7, {0, 0, 0}, EBodyChoice::None, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PhysicsTest, ThePhysicsObjectBoundsThePlayableBox)
{
    g_PhysicsMgr.Shutdown();
    g_PhysicsMgr.Init();
    EXPECT_EQ(g_PhysicsMgr.m_PlayableBox.vMin, D3DXVECTOR3(-2000, -1000, -1300));
    EXPECT_EQ(g_PhysicsMgr.m_PlayableBox.vMax, D3DXVECTOR3(2000, 1000, 1300));

    Make({0, 0, 0}, {10, 10, 10}, 0, "Physics");
    g_PhysicsMgr.Shutdown();
    g_PhysicsMgr.Init();
    EXPECT_EQ(g_PhysicsMgr.m_PlayableBox.vMax, D3DXVECTOR3(10, 10, 10));

    HOBJECT inside = Make({9, 0, 0}, {1, 1, 1}, OF_STATIC_BODY);
    HOBJECT reaching = Make({10, 0, 0}, {1, 1, 1}, OF_STATIC_BODY);
    EXPECT_EQ(g_PhysicsMgr.GiveLoadedObjectBody(inside), EBodyChoice::Box);
    EXPECT_EQ(g_PhysicsMgr.GiveLoadedObjectBody(reaching), EBodyChoice::None);
    EXPECT_EQ(reaching->dwFlags & OF_STATIC_BODY, 0u);
    EXPECT_EQ(Count(ConsoleLog(), "outside the playable box"), 1u);
}

TEST_F(PhysicsTest, DescriptionsShapeTheDynamicBody)
{
    // No description: a box of mass 8.
    HOBJECT box = Make({0, 10, 0}, kUnit);
    g_PhysicsMgr.CreateObjectBody(box, nullptr);
    ASSERT_TRUE(Body(box));
    EXPECT_NEAR(Body(box)->getInvMass(), 1.0f / 8.0f, 1e-6);
    EXPECT_EQ(Body(box)->getCollisionShape()->getShapeType(), BOX_SHAPE_PROXYTYPE);
    EXPECT_NEAR(BoxHalf(box).x(), 0.5f, 1e-5);

    // A flat box gets its floor of 0.09 only with the minimum size.
    EPhysicsDesc desc;
    desc.iShape = PHYSICS_SHAPE_BOX;
    HOBJECT flat = Make({3, 10, 0}, {0.5f, 0.02f, 0.5f});
    g_PhysicsMgr.CreateObjectBody(flat, &desc);
    EXPECT_NEAR(BoxHalf(flat).y(), 0.02f, 1e-5);
    desc.bMinimumSize = 1;
    g_PhysicsMgr.CreateObjectBody(flat, &desc);
    EXPECT_NEAR(BoxHalf(flat).y(), 0.09f, 1e-5);
    EXPECT_NEAR(BoxHalf(flat).x(), 0.5f, 1e-5);

    // A sphere: half the scaled diagonal, never sleeps; a small body is at least 0.16.
    EPhysicsDesc sphere;
    sphere.iShape = PHYSICS_SHAPE_SPHERE;
    sphere.fMassOrSize = 2.0f;
    HOBJECT ball = Make({6, 10, 0}, {0.03f, 0.04f, 0.0f});
    g_PhysicsMgr.CreateObjectBody(ball, &sphere);
    auto* shape = static_cast<btSphereShape*>(Body(ball)->getCollisionShape());
    EXPECT_NEAR(shape->getRadius(), 0.05f, 1e-5);
    EXPECT_EQ(Body(ball)->getActivationState(), DISABLE_DEACTIVATION);
    sphere.bSmallBody = 1;
    g_PhysicsMgr.CreateObjectBody(ball, &sphere);
    EXPECT_NEAR(static_cast<btSphereShape*>(Body(ball)->getCollisionShape())->getRadius(), 0.16f, 1e-5);

    // The scale counts, and a health below 2 marks the body weak.
    HOBJECT big = Make({9, 10, 0}, kUnit);
    Mesh(big)->SetScale(2.0f, 4.0f, 2.0f);
    big->fHealth = 1.0f;
    g_PhysicsMgr.CreateObjectBody(big, &desc);
    EXPECT_NEAR(BoxHalf(big).y(), 2.0f, 1e-5);
    desc.bMinimumSize = 0;
    g_PhysicsMgr.CreateObjectBody(big, &desc);
    EXPECT_EQ(g_PhysicsMgr.GetObjectPhysics(big)->bLowHealthBody, 1);
    EXPECT_EQ(big->dwFlags & OF_DYNAMIC_BODY, OF_DYNAMIC_BODY);
}

TEST_F(PhysicsTest, AKinematicSwitchHappensOnceAndNeverDuringALoad)
{
    HOBJECT platform = Make({0, 0, 0}, {2, 0.2f, 2}, OF_STATIC_BODY);
    g_PhysicsMgr.AddBoxBody(platform);
    btRigidBody* body = Body(platform);
    ASSERT_TRUE(body);

    const D3DXVECTOR3 during(0, 1, 0);
    g_SaveMgr.loadInProgress = 1;
    g_Engine.SetObjectTransform(platform, &during, &platform->Orientation, 0, 1);
    EXPECT_FALSE(body->getCollisionFlags() & btCollisionObject::CF_KINEMATIC_OBJECT);
    EXPECT_EQ(g_PhysicsMgr.GetObjectPhysics(platform)->bSwitchedKinematic, 0);
    // The body goes along even so.
    EXPECT_FLOAT_EQ(body->getWorldTransform().getOrigin().y(), 1.0f);

    g_SaveMgr.loadInProgress = 0;
    const D3DXVECTOR3 after(0, 2, 0);
    g_Engine.SetObjectTransform(platform, &after, &platform->Orientation, 0, 1);
    EXPECT_TRUE(body->getCollisionFlags() & btCollisionObject::CF_KINEMATIC_OBJECT);
    EXPECT_EQ(body->getActivationState(), DISABLE_DEACTIVATION);
    EXPECT_FLOAT_EQ(body->getWorldTransform().getOrigin().y(), 2.0f);

    // Once: a later move does not switch it again.
    body->forceActivationState(ACTIVE_TAG);
    const D3DXVECTOR3 later(0, 3, 0);
    g_Engine.SetObjectTransform(platform, &later, &platform->Orientation, 0, 1);
    EXPECT_EQ(body->getActivationState(), ACTIVE_TAG);
    EXPECT_FLOAT_EQ(body->getWorldTransform().getOrigin().y(), 3.0f);
}

TEST_F(PhysicsTest, ImpulsesMoveDynamicBodiesOnly)
{
    HOBJECT ground = nullptr;
    HOBJECT crate = CrateOnGround(&ground);
    Run(60);
    const D3DXVECTOR3 rest = crate->vPosition;
    EXPECT_NEAR(rest.y, 0.5f, 0.05f);

    const D3DXVECTOR3 push(40, 0, 0);
    g_PhysicsMgr.PushObject(crate, &push);
    Run(30);
    EXPECT_GT(crate->vPosition.x, rest.x + 0.5f);

    // Without an impulse: a small push down that wakes the body.
    Body(crate)->setActivationState(ISLAND_SLEEPING);
    const float vy = Body(crate)->getLinearVelocity().y();
    g_PhysicsMgr.PushObject(crate, nullptr);
    EXPECT_EQ(Body(crate)->getActivationState(), ACTIVE_TAG);
    EXPECT_NEAR(Body(crate)->getLinearVelocity().y() - vy, -0.1f / 8.0f, 1e-5);

    // The ground takes none, by push or at a point.
    const D3DXVECTOR3 point(0, 0, 0);
    g_PhysicsMgr.PushObject(ground, &push);
    g_PhysicsMgr.ApplyImpulseAtPoint(ground, &point, &push);
    EXPECT_EQ(Body(ground)->getLinearVelocity(), btVector3(0, 0, 0));
    EXPECT_TRUE(g_PhysicsMgr.IsPointInsideObject(ground, &point));
    const D3DXVECTOR3 corner(20, 0, 20), beyond(20.01f, 0, 0);
    EXPECT_TRUE(g_PhysicsMgr.IsPointInsideObject(ground, &corner));
    EXPECT_FALSE(g_PhysicsMgr.IsPointInsideObject(ground, &beyond));
}

TEST_F(PhysicsTest, ReplacingABodyLeavesOnlyTheNewOneInTheWorld)
{
    HOBJECT o = Make({0, 0, 0}, kUnit, OF_STATIC_BODY);
    g_PhysicsMgr.AddBoxBody(o);
    g_PhysicsMgr.AddCylinderBody(o);
    g_PhysicsMgr.AddBoxBody(o);
    g_PhysicsMgr.CreateObjectBody(o, nullptr);
    EXPECT_EQ(g_PhysicsMgr.m_dynamicsWorld->getNumCollisionObjects(), 1);
    Run(5);
    g_PhysicsMgr.RemoveObjectBody(o);
    EXPECT_EQ(o->pPhysicsBody, nullptr);
    EXPECT_EQ(g_PhysicsMgr.m_dynamicsWorld->getNumCollisionObjects(), 0);
    g_PhysicsMgr.RemoveObjectBody(o);
    g_PhysicsMgr.RemoveObjectBody(nullptr);
}

TEST_F(PhysicsTest, TriangleMeshesKeepOnlyTrianglesWithArea)
{
    const float vertices[] = {-5, 0, -5, 5, 0, -5, 5, 0, 5, -5, 0, 5, 1, 0, 1, kNaN, 0, 0};
    const WORD good[] = {0, 2, 1, 0, 3, 2};
    const WORD mixed[] = {0, 2, 1, 0, 3, 2, 0, 0, 1, 0, 2, 4, 0, 1, 9, 0, 1, 5};
    const WORD bad[] = {0, 0, 1, 0, 2, 4, 7, 8, 9};

    HOBJECT floor = Make({0, 0, 0}, {5, 0, 5}, OF_STATIC_BODY | OF_TRIANGLE_BODY);
    g_PhysicsMgr.CreateTriangleMeshBodyFrom(floor, vertices, 6, mixed, 6);
    ASSERT_TRUE(Body(floor));
    EXPECT_EQ(g_PhysicsMgr.GetObjectPhysics(floor)->vIndices.size(), 6u);
    EXPECT_EQ(Count(ConsoleLog(), "4 bad triangles left out"), 1u);
    EXPECT_EQ(Body(floor)->getFriction(), 2.11f);

    // A crate lands on it.
    HOBJECT crate = Make({0, 3, 0}, kUnit);
    g_PhysicsMgr.CreateObjectBody(crate, nullptr);
    Run(120);
    EXPECT_NEAR(crate->vPosition.y, 0.5f, 0.08f);

    HOBJECT empty = Make({0, 0, 0}, kUnit);
    g_PhysicsMgr.CreateTriangleMeshBodyFrom(empty, vertices, 6, bad, 3);
    g_PhysicsMgr.CreateTriangleMeshBodyFrom(empty, vertices, 6, good, 0);
    g_PhysicsMgr.CreateTriangleMeshBodyFrom(empty, nullptr, 0, nullptr, 2);
    EXPECT_EQ(empty->pPhysicsBody, nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "triangle mesh without triangles"), 3u);
    EXPECT_TRUE(g_PhysicsMgr.GetObjectPhysics(empty)->vVertices.empty());

    // A rebuild after removal copies again from what it is given.
    g_PhysicsMgr.RemoveObjectBody(floor);
    EXPECT_TRUE(g_PhysicsMgr.GetObjectPhysics(floor)->vIndices.empty());
    g_PhysicsMgr.CreateTriangleMeshBodyFrom(floor, vertices, 4, good, 2);
    EXPECT_TRUE(Body(floor));
}

TEST_F(PhysicsTest, BadSizesAndMassesAreReportedOnceAndNeverCrash)
{
    struct Case
    {
        D3DXVECTOR3 half;
        float scale;
        float mass;
        bool body;
        const char* line;
    };
    const Case cases[] = {
        {kUnit, kNaN, 1.0f, false, "size or place not finite"},
        {{kNaN, 1, 1}, 1.0f, 1.0f, false, "size or place not finite"},
        {kUnit, 1.0f, 0.0f, true, "mass not positive"},
        {kUnit, 1.0f, -3.0f, true, "mass not positive"},
        {kUnit, 1.0f, kNaN, true, "mass not positive"},
        {{0, 0, 0}, 1.0f, 1.0f, true, "made thicker"},
        {kUnit, -1.0f, 1.0f, true, nullptr},
    };
    float x = 0.0f;
    for (const Case& c : cases)
    {
        const std::string before = ConsoleLog();
        HOBJECT o = Make({x += 3.0f, 5, 0}, c.half);
        Mesh(o)->SetScale(c.scale, c.scale, c.scale);
        EPhysicsDesc desc;
        desc.iShape = PHYSICS_SHAPE_BOX;
        desc.fMassOrSize = c.mass;
        g_PhysicsMgr.CreateObjectBody(o, &desc);
        EXPECT_EQ(o->pPhysicsBody != nullptr, c.body) << x;
        const std::string added = ConsoleLog().substr(before.size());
        if (c.line)
        {
            EXPECT_EQ(Count(added, c.line), 1u) << x << added;
        }
        if (o->pPhysicsBody)
        {
            EXPECT_GT(Body(o)->getInvMass(), 0.0f);
        }
    }
    // A body placed at no number gets none.
    HOBJECT lost = Make({kNaN, 0, 0}, kUnit, OF_STATIC_BODY);
    g_PhysicsMgr.AddBoxBody(lost);
    g_PhysicsMgr.CreateObjectBody(lost, nullptr);
    EXPECT_EQ(lost->pPhysicsBody, nullptr);

    Run(60);
    for (int slot = 0; slot < g_Engine.m_iHighMesh; ++slot)
        if (g_Engine.m_Objects[slot].pPhysicsBody)
        {
            EXPECT_TRUE(std::isfinite(g_Engine.m_Objects[slot].vPosition.y)) << slot;
        }
}

TEST_F(PhysicsTest, WithoutAWorldNothingIsBuiltAndStepsSayWhy)
{
    g_PhysicsMgr.Shutdown();
    EXPECT_NE(ConsoleLog().find("Physics deleted OK."), std::string::npos);
    HOBJECT o = Make({0, 0, 0}, kUnit, OF_STATIC_BODY);
    g_PhysicsMgr.AddBoxBody(o);
    g_PhysicsMgr.CreateObjectBody(o, nullptr);
    EXPECT_EQ(o->pPhysicsBody, nullptr);
    g_PhysicsMgr.Step(kFrame);
    EXPECT_NE(ConsoleLog().find("!m_dynamicsWorld"), std::string::npos);
    const D3DXVECTOR3 start(0, 5, 0);
    g_PhysicsMgr.CreatePlayerController(&start);
    EXPECT_FALSE(g_PhysicsMgr.PlayerOnGround());
    // A fresh world after that works as the first did.
    g_PhysicsMgr.Init();
    g_PhysicsMgr.CreateObjectBody(o, nullptr);
    EXPECT_TRUE(o->pPhysicsBody);
}

// A shot at the top of a body turned a quarter about z, pushing along x: the
// body spins about -z (the hit's offset from its centre crossed with the push),
// wherever it stands and however it is turned.
TEST_F(PhysicsTest, AShotSpinsATurnedBodyAboutTheAxisTheHitGives)
{
    HOBJECT crate = Make({10, 5, -3}, kUnit);
    const D3DXVECTOR3 axis(0, 0, 1);
    crate->Orientation.RotateAxisAngle(&axis, 3.14159265f / 2.0f);
    Mesh(crate)->SetTransform(&crate->vPosition, &crate->Orientation);
    g_PhysicsMgr.CreateObjectBody(crate, nullptr);
    ASSERT_NE(Body(crate), nullptr);
    const btVector3 before = Body(crate)->getAngularVelocity();

    const D3DXVECTOR3 top(10, 5.5f, -3), push(1, 0, 0);
    g_PhysicsMgr.ApplyImpulseAtPoint(crate, &top, &push);
    const btVector3 spin = Body(crate)->getAngularVelocity() - before;
    EXPECT_NEAR(spin.x(), 0.0f, 1e-4f);
    EXPECT_NEAR(spin.y(), 0.0f, 1e-4f);
    EXPECT_LT(spin.z(), -0.05f);
    // Pushed through its centre it does not spin at all.
    const btVector3 between = Body(crate)->getAngularVelocity();
    const D3DXVECTOR3 centre(10, 5, -3);
    g_PhysicsMgr.ApplyImpulseAtPoint(crate, &centre, &push);
    EXPECT_NEAR((Body(crate)->getAngularVelocity() - between).length(), 0.0f, 1e-5f);
}

// A crate's own rest time (5 s) holds every time it comes to rest, also
// after a push has moved it: it stays awake for 4 s of rest and sleeps later.
TEST_F(PhysicsTest, ABodySleepsAfterItsOwnRestTimeAlsoAfterItMoved)
{
    HOBJECT crate = CrateOnGround();
    const D3DXVECTOR3 push(40, 0, 0);
    g_PhysicsMgr.PushObject(crate, &push);
    // Until it slides slower than Bullet counts as rest.
    int frames = 0;
    while (Body(crate)->getLinearVelocity().length() > Body(crate)->getLinearSleepingThreshold() &&
           frames < 600)
    {
        Run(1);
        ++frames;
    }
    ASSERT_LT(frames, 600);
    Run(4 * 60);
    EXPECT_NE(Body(crate)->getActivationState(), ISLAND_SLEEPING) << "asleep after 4 s of rest";
    Run(2 * 60);
    EXPECT_EQ(Body(crate)->getActivationState(), ISLAND_SLEEPING) << "awake after 6 s of rest";
}
