// Trucks: the vehicle definitions and their limits, which objects become
// trucks, the chassis, driving over flat ground, a ramp and a gap, the wheels,
// and hiding.
#include "vehicle_fixture.h"

using namespace vehicletest;

namespace
{
const std::string kTruckDef = std::string("Vehicle demo_truck\nprefab ") + TRUCK + "\nfront_wheel " + WHEEL +
                              " wfl\nfront_wheel " + WHEEL + " wfr\nwheel " + WHEEL + " wrl\nwheel " + WHEEL +
                              " wrr\n";

class TruckTest : public VehicleTest
{
protected:
    // A truck on the ground at the place, built as the engine builds loaded objects.
    HOBJECT Truck(const D3DXVECTOR3& at, const std::string& def = kTruckDef)
    {
        temp->Write("scripts/vehicles/demo.txt", def);
        StartPhysics();
        HOBJECT truck = Place(TRUCK, at, 1 | OF_STATIC_BODY);
        if (truck)
            g_Engine.RespawnObject(truck);
        return truck;
    }

    // Moves the truck as a script does, one frame at a time.
    static void Drive(HOBJECT truck, const D3DXVECTOR3& to, int frames = 1, float dt = kFrame)
    {
        g_Engine.m_fDeltaTime = dt;
        for (int i = 0; i < frames; ++i)
        {
            const EOrientation facing = truck->Orientation;
            g_Engine.SetObjectTransform(truck, &to, &facing, 1, 1);
        }
    }

    static btVector3 Chassis(HOBJECT truck)
    {
        return static_cast<btRigidBody*>(truck->pPhysicsBody)->getWorldTransform().getOrigin();
    }
};
} // namespace

TEST_F(TruckTest, DefinitionsKeepToTheirTablesWhateverTheFilesHold)
{
    const std::string longSocket(200, 's');
    std::string many = "wheel stray.x before_any_vehicle\nVehicle big\nprefab Prefabs\\Big.x\n";
    for (int i = 0; i < 17; ++i)
        many += "wheel w" + std::to_string(i) + ".x " + longSocket + "\n";
    temp->Write("scripts/vehicles/a.txt", many);
    std::string crowd;
    for (int i = 0; i < 70; ++i)
        crowd += "Vehicle v" + std::to_string(i) + "\nprefab p" + std::to_string(i) + ".x\n";
    temp->Write("scripts/vehicles/b.txt", crowd);
    ConsoleSince log;
    StartPhysics();

    ASSERT_EQ(g_PhysicsMgr.GetVehicleCount(), MAX_VEHICLES - 1);
    EXPECT_EQ(Count(log.Text(), "MAX_VEHICLES exceeded!"), 1u);
    const EVehicleDef& big = g_PhysicsMgr.GetVehicle(0);
    EXPECT_STREQ(big.szName, "big");
    EXPECT_EQ(big.iNumWheels, static_cast<DWORD>(MAX_VEHICLE_WHEELS));
    EXPECT_STREQ(big.szWheelFile[0], "w0.x");
    EXPECT_EQ(std::string(big.szWheelSocket[0]), longSocket.substr(0, VEHICLE_SOCKET_SIZE - 1));
    EXPECT_EQ(big.bFrontWheel[0], 0);
    // The prefab matches without regard to case.
    EXPECT_EQ(g_PhysicsMgr.FindVehicleByPrefab("PREFABS\\big.X"), &big);
    EXPECT_STREQ(g_PhysicsMgr.FindVehicleByPrefab("p61.x")->szName, "v61");
    EXPECT_EQ(g_PhysicsMgr.FindVehicleByPrefab("p62.x"), nullptr);
    EXPECT_EQ(g_PhysicsMgr.FindVehicleByPrefab("stray.x"), nullptr);
}

TEST_F(TruckTest, APrefabObjectGetsAKinematicChassisAndWheelsAndOtherObjectsStayPlain)
{
    HOBJECT truck = Truck({0, 0, 0});
    HOBJECT crate = Place(worldtest::MESH_FILE, {10, 0.5f, 0}, 1 | OF_STATIC_BODY);
    g_Engine.RespawnObject(crate);
    ASSERT_TRUE(truck && crate);

    EXPECT_EQ(g_PhysicsMgr.GetTruck(crate), nullptr);
    EXPECT_NE(crate->pPhysicsBody, nullptr) << "a plain object keeps its static body";
    const ETruck* t = g_PhysicsMgr.GetTruck(truck);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(truck->dwFlags & OF_STATIC_BODY, 0u);
    auto* body = static_cast<btRigidBody*>(truck->pPhysicsBody);
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->isKinematicObject()) << "the chassis is moved by the game from the start";
    EXPECT_NEAR(t->vHalf.x, 1.0f, 1e-4f);
    EXPECT_NEAR(t->vHalf.y, 0.75f, 1e-4f);
    EXPECT_NEAR(t->vHalf.z, 2.0f, 1e-4f);
    EXPECT_NEAR(Chassis(truck).y(), 0.75f, 1e-4f);
    ASSERT_EQ(t->iNumWheels, 4u);
    HOBJECT wheels[4];
    for (int i = 0; i < 4; ++i)
    {
        wheels[i] = t->hWheel[i];
        ASSERT_TRUE(wheels[i] && wheels[i]->bUsed);
        EXPECT_NEAR(t->fWheelRadius[i], 0.4f, 1e-4f);
    }
    EXPECT_EQ(t->bFrontWheel[0], 1);
    EXPECT_EQ(t->bFrontWheel[3], 0);
    // The wheels sit at their sockets from the start.
    EXPECT_NEAR(wheels[0]->vPosition.x, -1.0f, 1e-3f);
    EXPECT_NEAR(wheels[0]->vPosition.z, 1.4f, 1e-3f);

    // A second build of the same object makes no second truck.
    EXPECT_FALSE(g_PhysicsMgr.AddTruck(truck));
    EXPECT_EQ(g_PhysicsMgr.GetTruck(truck), t);

    g_Engine.DeleteObject(truck);
    for (HOBJECT w : wheels)
        EXPECT_FALSE(w->bUsed) << "the wheels go with their truck";
}

TEST_F(TruckTest, DrivenOverFlatGroundItStaysOnItAndNeverClimbsItself)
{
    Ground();
    HOBJECT truck = Truck({0, 0, -50});
    ASSERT_TRUE(g_PhysicsMgr.GetTruck(truck));
    for (int i = 1; i <= 100; ++i)
        Drive(truck, {0, 0, -50.0f + 0.3f * i});
    EXPECT_NEAR(truck->vPosition.y, 0.0f, 1e-3f);
    EXPECT_NEAR(truck->vPosition.z, -20.0f, 1e-3f);
    EXPECT_NEAR(truck->Orientation.Up.y, 1.0f, 1e-4f);
    EXPECT_NEAR(Chassis(truck).y(), 0.75f, 1e-3f);
}

TEST_F(TruckTest, OnTheRampTheChassisTiltsOverAFractionOfASecondAndDropsOnTheSlope)
{
    Ground();
    Place(RAMP, {0, 0, 0});
    HOBJECT truck = Truck({0, 0, -10});
    ASSERT_TRUE(g_PhysicsMgr.GetTruck(truck));
    // Halfway up the ramp: 2.5 high, the slope rising 1 in 4 toward +z.
    const D3DXVECTOR3 up(0.0f, 20.0f / std::sqrt(425.0f), -5.0f / std::sqrt(425.0f));

    Drive(truck, {0, 10, 10});
    EXPECT_NEAR(truck->vPosition.y, 2.5f, 1e-3f) << "dropped onto the slope, not left in the air";
    const float first = D3DXVec3Dot(&truck->Orientation.Up, &up);
    EXPECT_LT(first, 0.999f) << "not turned all the way at once";
    EXPECT_GT(first, 0.9701f) << "but turned part of the way";

    Drive(truck, {0, 10, 10}, 30);
    EXPECT_GT(D3DXVec3Dot(&truck->Orientation.Up, &up), 0.9999f);
    EXPECT_LT(truck->Orientation.Forward.z, 0.98f);
    EXPECT_GT(truck->Orientation.Forward.y, 0.2f) << "the nose points up the slope";

    // A frame of half a second turns no further than the target.
    Drive(truck, {0, 0, -10}, 1, 0.5f);
    EXPECT_NEAR(truck->Orientation.Up.y, 1.0f, 1e-4f);
    EXPECT_TRUE(Finite(truck->Orientation.Forward));
}

TEST_F(TruckTest, OverAGapDeeperThanTheTraceItKeepsTheAskedHeight)
{
    HOBJECT truck = Truck({0, 30, 0});
    ASSERT_TRUE(g_PhysicsMgr.GetTruck(truck));
    Drive(truck, {5, 30, 0});
    EXPECT_NEAR(truck->vPosition.y, 30.0f, 1e-4f);
    EXPECT_NEAR(truck->vPosition.x, 5.0f, 1e-4f);
    EXPECT_NEAR(truck->Orientation.Up.y, 1.0f, 1e-4f);
}

TEST_F(TruckTest, WheelsTurnWithTheDistanceAndSlowCreepingAddsUp)
{
    Ground();
    HOBJECT truck = Truck({0, 0, 0});
    ETruck* t = g_PhysicsMgr.GetTruck(truck);
    ASSERT_TRUE(t);
    const float start = t->fWheelAngle[2];
    // 0.005 a frame is below the step the wheels wait for; the moves add up.
    for (int i = 1; i <= 10; ++i)
        Drive(truck, {0, 0, 0.005f * i});
    const float step = 0.05f / (0.4f * 3.14159265f / 2.0f);
    EXPECT_NEAR(t->fWheelAngle[2] - start, step, 0.03f);
    EXPECT_GT(t->fWheelAngle[2], start);

    // A long jump wraps the angle fully.
    Drive(truck, {0, 0, 100});
    for (DWORD i = 0; i < t->iNumWheels; ++i)
    {
        EXPECT_GE(t->fWheelAngle[i], 0.0f);
        EXPECT_LT(t->fWheelAngle[i], 6.2832f);
        EXPECT_NEAR(t->hWheel[i]->vPosition.z, t->vWheelPosition[i].z, 1e-4f);
    }
}

// The wheels stand at their sockets as found by name at every move, whatever
// the socket files became since the wheels last moved; a wheel whose socket
// is gone stands at the truck's own place.
TEST_F(TruckTest, WheelsFollowTheirSocketsWhenTheSocketFilesAreLoadedAgain)
{
    Ground();
    HOBJECT truck = Truck({0, 0, 0});
    ETruck* t = g_PhysicsMgr.GetTruck(truck);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->iNumWheels, 4u);
    const std::string same =
        "\nsocket wfl -1 0.4 1.4\nsocket wfr 1 0.4 1.4\nsocket wrl -1 0.4 -1.4\nsocket wrr 1 0.4 -1.4\n";
    const std::string changed = "\nsocket WRR 1 0.4 -1.4\nsocket wfr 2 0.5 1\nsocket wrl -1 0.4 -1.4\n";
    const std::string* files[] = {&same, &changed, &same};
    float z = 0.0f;
    for (const std::string* sockets : files)
    {
        temp->Write("scripts/mesh_sockets/truck.txt", std::string("mesh_filename ") + TRUCK + *sockets);
        g_MeshSockets.LoadAll();
        z += 1.0f;
        Drive(truck, {0, 0, z});
        for (DWORD i = 0; i < t->iNumWheels; ++i)
        {
            SCOPED_TRACE(t->szSocket[i]);
            D3DXMATRIX socket;
            D3DXVECTOR3 expected = truck->vPosition;
            if (g_Engine.GetObjectSocket(truck, t->szSocket[i], &socket, nullptr))
                expected = D3DXVECTOR3(socket._41, socket._42, socket._43);
            else
                EXPECT_EQ(sockets, &changed) << "only wfl is ever missing";
            EXPECT_EQ(t->vWheelPosition[i], expected);
            EXPECT_EQ(t->hWheel[i]->vPosition, expected);
        }
    }
    EXPECT_NEAR(t->vWheelPosition[1].x, 1.0f, 1e-4f) << "back at the first file's place";
}

// Each wheel looks along the truck (the front ones along the move, which
// steers them), stands up with the truck and is rolled about its axle by its
// own angle, wheels of one kind sharing one heading.
TEST_F(TruckTest, EachWheelIsTurnedAlongItsHeadingAndRolledByItsOwnAngle)
{
    const std::string def = std::string("Vehicle mixed\nprefab ") + TRUCK + "\nfront_wheel " + WHEEL +
                            " wfl\nwheel " + WHEEL + " wrl\nfront_wheel " + FLAT_WHEEL + " wfr\nwheel " +
                            FLAT_WHEEL + " wrr\n";
    Ground();
    HOBJECT truck = Truck({0, 0, 0}, def);
    ETruck* t = g_PhysicsMgr.GetTruck(truck);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->iNumWheels, 4u);
    const D3DXVECTOR3 moves[] = {{0, 0, 1}, {1, 0, 2}, {0.5f, 0, 1.2f}};
    for (const D3DXVECTOR3& to : moves)
    {
        const D3DXVECTOR3 from = truck->vPosition;
        Drive(truck, to);
        D3DXVECTOR3 heading(truck->vPosition.x - from.x, 0, truck->vPosition.z - from.z);
        D3DXVec3Normalize(&heading, &heading);
        D3DXVECTOR3 facing(truck->Orientation.Forward.x, 0, truck->Orientation.Forward.z);
        D3DXVec3Normalize(&facing, &facing);
        if (D3DXVec3Dot(&heading, &facing) < 0.0f)
            heading = -heading;
        for (DWORD i = 0; i < t->iNumWheels; ++i)
        {
            SCOPED_TRACE(t->szSocket[i]);
            EOrientation expected;
            expected.SetDirectionAndUp(t->bFrontWheel[i] ? &heading : &facing, &truck->Orientation.Up);
            const D3DXVECTOR3 axle = expected.Right;
            expected.RotateAxisAngle(&axle, t->fWheelAngle[i]);
            const EOrientation& got = t->hWheel[i]->Orientation;
            const float dot =
                got.Quaternion.x * expected.Quaternion.x + got.Quaternion.y * expected.Quaternion.y +
                got.Quaternion.z * expected.Quaternion.z + got.Quaternion.w * expected.Quaternion.w;
            EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-5f);
        }
    }
    EXPECT_NE(t->fWheelAngle[0], t->fWheelAngle[2]) << "the two sizes of wheel roll apart";
}

TEST_F(TruckTest, AFlatWheelAVerticalMoveAndALongFrameGiveNoNaN)
{
    const std::string def = std::string("Vehicle flat\nprefab ") + TRUCK + "\nfront_wheel " + FLAT_WHEEL +
                            " wfl\nwheel " + FLAT_WHEEL + " wrl\n";
    HOBJECT truck = Truck({0, 30, 0}, def);
    ETruck* t = g_PhysicsMgr.GetTruck(truck);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->fWheelRadius[0], 0.5f) << "a wheel of no height takes the default radius";
    Drive(truck, {0, 40, 0}, 1, 0.5f);
    Drive(truck, {3, 40, 4}, 1, 0.5f);
    EXPECT_TRUE(Finite(truck->vPosition));
    EXPECT_TRUE(Finite(truck->Orientation.Forward));
    for (DWORD i = 0; i < t->iNumWheels; ++i)
    {
        EXPECT_TRUE(std::isfinite(t->fWheelAngle[i]));
        EXPECT_TRUE(Finite(t->hWheel[i]->Orientation.Forward));
        EXPECT_TRUE(Finite(t->hWheel[i]->vPosition));
    }
}

TEST_F(TruckTest, HidingParksTheChassisTenUnitsUnderAndUnhidingPutsItBackAsAMoveWould)
{
    HOBJECT ground = Ground();
    HOBJECT truck = Truck({0, 0, 0});
    ASSERT_TRUE(g_PhysicsMgr.GetTruck(truck));
    g_Engine.RespawnObject(ground);
    g_PhysicsMgr.PlaceTruckBodyBelowObject(truck);
    EXPECT_NEAR(Chassis(truck).y(), -10.0f, 1e-4f);
    g_PhysicsMgr.PlaceTruckBodyAtObject(truck);
    EXPECT_NEAR(Chassis(truck).y(), 0.75f, 1e-4f);

    // The hero's capsule stops at the chassis' side.
    const D3DXVECTOR3 start(-5.0f, 1.5f, 0.0f);
    g_PhysicsMgr.CreatePlayerController(&start);
    const D3DXVECTOR3 walk(0.1f, 0.0f, 0.0f);
    for (int i = 0; i < 120; ++i)
    {
        g_PhysicsMgr.SetWalkDirection(&walk);
        g_PhysicsMgr.Step(kFrame);
    }
    D3DXVECTOR3 hero;
    g_PhysicsMgr.GetPlayerPosition(&hero);
    EXPECT_LT(hero.x, -1.4f) << "the capsule stays outside the chassis box";
    EXPECT_GT(hero.x, -2.0f) << "and walked up to it";
}
