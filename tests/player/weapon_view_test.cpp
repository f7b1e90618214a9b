// The first-person placement of the weapon in hand: between the carried and
// the aimed pose, lowered by a switch, pushed back by the recoil, swayed by
// turning; and the sway step that Update runs.
#include "player_fixture.h"

#include <cmath>

using namespace playertest;

namespace
{
constexpr float kTight = 1e-4f;
const D3DXVECTOR3 kCarried(0.3f, -0.35f, 0.6f);
const D3DXVECTOR3 kAimed(0.0f, -0.22f, 0.5f);
constexpr float kMovement = 0.5f;
constexpr float kBobX = 0.08f;
constexpr float kBobY = -0.04f;
constexpr float kKickDecay = 3.0f;

class WeaponViewTest : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        Catalogue(Weapon("p99", 0, 15, 150));
        const EOrientation identity;
        const D3DXVECTOR3 away(0.0f, 0.0f, 0.0f);
        weapon = ItemMgr.CreateItem(ItemMgr.FindDescription("p99"), &away, &identity);
        ASSERT_NE(weapon, nullptr);
        weapon->m_vCarriedPos = kCarried;
        weapon->m_vAimPos = kAimed;
        weapon->m_fMovement = kMovement;
        // The drop model stands in for the held one: it is the object placed.
        weapon->m_hHeldModel = weapon->m_hWorldObject;
        weapon->m_hWorldObject = nullptr;
        Bronie.current = weapon;
        Bronie.frameTime = kFrame;
        Bronie.kickDecay = kKickDecay;
    }

    // A view turned off the world's axes, so no axis hides a wrong one.
    static EOrientation View() { return EOrientation(0.7f, -0.3f, 0.1f); }

    static D3DXVECTOR3 Carried(const EOrientation& v, const D3DXVECTOR3& eye)
    {
        return eye + v.Right * (kCarried.x + kMovement * kBobX) + v.Up * (kCarried.y + kMovement * kBobY) +
               v.Forward * kCarried.z;
    }
    static D3DXVECTOR3 Aimed(const EOrientation& v, const D3DXVECTOR3& eye)
    {
        constexpr float kAimBob = 0.05f;
        return eye + v.Right * (kAimed.x + kAimBob * kBobX) + v.Up * (kAimed.y + kAimBob * kBobY) +
               v.Forward * kAimed.z;
    }

    EItemInstance* weapon = nullptr;
};

void ExpectNear(const D3DXVECTOR3& got, const D3DXVECTOR3& want, float tolerance)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

struct PlacementCase
{
    const char* name;
    float aim;
    float switchPhase;
    float sway;
    float kickBack;
    // The expected position from the carried point C, the aim point A and the view's forward and up axes.
    D3DXVECTOR3(*expected)
    (const D3DXVECTOR3& C, const D3DXVECTOR3& A, const D3DXVECTOR3& F, const D3DXVECTOR3& U);
    bool tilted; // the sway turns the model off the view
    float kickAfter;
};

const PlacementCase kPlacements[] = {
    {"carried", 0.0f, 0.0f, 0.0f, 0.0f, [](auto& C, auto&, auto&, auto&) { return C; }, false, 0.0f},
    {"aimed ignores the sway", 1.0f, 0.0f, 0.07f, 0.0f, [](auto&, auto& A, auto&, auto&) { return A; }, false,
     0.0f},
    {"half aimed", 0.5f, 0.0f, 0.0f, 0.0f, [](auto& C, auto& A, auto&, auto&) { return (C + A) * 0.5f; },
     false, 0.0f},
    {"carried sways", 0.0f, 0.0f, 0.07f, 0.0f, [](auto& C, auto&, auto&, auto&) { return C; }, true, 0.0f},
    {"switch at its lowest", 0.0f, 1.0f, 0.0f, 0.0f,
     [](auto& C, auto&, auto&, auto& U) { return C - 15.0f * U; }, false, 0.0f},
    {"kick pushes back", 0.0f, 0.0f, 0.0f, 0.2f, [](auto& C, auto&, auto& F, auto&) { return C - 0.2f * F; },
     false, 0.2f - kKickDecay* kFrame},
    {"kick halved above aim 0.5", 0.6f, 0.0f, 0.0f, 0.2f,
     [](auto& C, auto& A, auto& F, auto&) { return C + 0.6f * (A - C) - 0.1f * F; }, false,
     0.2f - kKickDecay* kFrame},
    {"kick at aim 0.5 is whole", 0.5f, 0.0f, 0.0f, 0.2f,
     [](auto& C, auto& A, auto& F, auto&) { return (C + A) * 0.5f - 0.2f * F; }, false,
     0.2f - kKickDecay* kFrame},
    {"no kick below zero", 0.0f, 0.0f, 0.0f, -0.2f, [](auto& C, auto&, auto&, auto&) { return C; }, false,
     -0.2f},
    {"the last of the kick ends at zero", 0.0f, 0.0f, 0.0f, 0.01f,
     [](auto& C, auto&, auto& F, auto&) { return C - 0.01f * F; }, false, 0.0f},
};
} // namespace

TEST_F(WeaponViewTest, ThePlacementTable)
{
    const EOrientation view = View();
    const D3DXVECTOR3 eye(3.0f, 1.5f, -2.0f);
    const D3DXVECTOR3 C = Carried(view, eye);
    const D3DXVECTOR3 A = Aimed(view, eye);
    for (const PlacementCase& c : kPlacements)
    {
        SCOPED_TRACE(c.name);
        Bronie.aimProgress = c.aim;
        Bronie.switchPhase = c.switchPhase;
        Bronie.sway = c.sway;
        Bronie.kickBack = c.kickBack;
        Bronie.turnTimer = 0.0f;
        Bronie.PlaceWeaponView(&eye, &view, kBobX, kBobY);
        const D3DXVECTOR3 want = c.expected(C, A, view.Forward, view.Up);
        ExpectNear(Bronie.m_vViewPosition, want, kTight);
        ExpectNear(weapon->m_hHeldModel->vPosition, want, kTight);
        const float tilt = D3DXVec3Dot(&Bronie.m_ViewOrientation.Forward, &view.Forward);
        if (c.tilted)
            EXPECT_NEAR(tilt, std::cos(c.sway), kTight);
        else
            EXPECT_NEAR(tilt, 1.0f, 1e-6f);
        EXPECT_NEAR(Bronie.kickBack, c.kickAfter, 1e-6f);
        ExpectNear(Bronie.cameraPosition, eye, 0.0f);
    }
    // The "Bron" settings shift the model in hand along the view's axes.
    Bronie.aimProgress = Bronie.switchPhase = Bronie.sway = Bronie.kickBack = 0.0f;
    Bronie.PlaceWeaponView(&eye, &view, kBobX, kBobY);
    ASSERT_EQ(Bronie.m_pWeaponView, &Bronie.m_WeaponTuning);
    Bronie.m_pWeaponView->offset[1] = 0.25f;
    Bronie.m_pWeaponView->angle[1] = 0.3f;
    Bronie.PlaceWeaponView(&eye, &view, kBobX, kBobY);
    ExpectNear(Bronie.m_vViewPosition, C + 0.25f * view.Up, kTight);
    EXPECT_NEAR(D3DXVec3Dot(&Bronie.m_ViewOrientation.Forward, &view.Forward), std::cos(0.3f), kTight);
}

TEST_F(WeaponViewTest, TheRecoilFadesToZeroAndTheDescriptionsTurnIsReachedAtAFullTurnASecond)
{
    const EOrientation view = View();
    const D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    Bronie.recoilStrength = 0.1f;
    Bronie.recoilDecay = 2.0f;
    Bronie.PlaceWeaponView(&eye, &view, 0.0f, 0.0f);
    EXPECT_NEAR(Bronie.recoilStrength, 0.1f - 2.0f * kFrame, 1e-6f);
    for (int i = 0; i < 10; ++i)
        Bronie.PlaceWeaponView(&eye, &view, 0.0f, 0.0f);
    EXPECT_EQ(Bronie.recoilStrength, 0.0f);

    weapon->m_pDesc->rotateY = 0.5f;
    weapon->m_pDesc->rotateY_aim = -0.25f;
    Bronie.TurnStep();
    EXPECT_NEAR(Bronie.turnYaw, 6.28318531f * kFrame, 1e-5f);
    for (int i = 0; i < 10; ++i)
        Bronie.TurnStep();
    EXPECT_FLOAT_EQ(Bronie.turnYaw, 0.5f) << "no overshoot";
    Bronie.aiming = 1;
    for (int i = 0; i < 10; ++i)
        Bronie.TurnStep();
    EXPECT_FLOAT_EQ(Bronie.turnYaw, -0.25f);
    // The turn is about the view's up axis.
    Bronie.sway = 0.0f;
    Bronie.aimProgress = 1.0f;
    Bronie.PlaceWeaponView(&eye, &view, 0.0f, 0.0f);
    EXPECT_NEAR(D3DXVec3Dot(&Bronie.m_ViewOrientation.Forward, &view.Forward), std::cos(0.25f), kTight);
    EXPECT_NEAR(D3DXVec3Dot(&Bronie.m_ViewOrientation.Up, &view.Up), 1.0f, kTight);
}

TEST_F(WeaponViewTest, TurningSwaysTheModelWithinItsLimitAndHoldingStillSettlesIt)
{
    g_Mouse.m_State.x = 0.0;
    Bronie.SwayStep();
    g_Mouse.m_State.x = 0.5; // a quick turn to the right swings the model left
    Bronie.SwayStep();
    EXPECT_NEAR(Bronie.sway, -0.025f, 1e-6f);
    EXPECT_EQ(Bronie.steadyTimer, 0.0f);
    EXPECT_NEAR(Bronie.turnTimer, kFrame, 1e-6f);
    g_Mouse.m_State.x = 5.0;
    Bronie.SwayStep();
    EXPECT_NEAR(Bronie.sway, -0.07f, 1e-6f) << "held at its limit";
    // Holding still: the first 0.15 s keep the sway, then it settles at 0.2 a second.
    for (int i = 0; i < 9; ++i)
        Bronie.SwayStep();
    EXPECT_NEAR(Bronie.sway, -0.07f, 1e-6f);
    EXPECT_EQ(Bronie.turnTimer, 0.0f);
    for (int i = 0; i < 3; ++i)
        Bronie.SwayStep();
    EXPECT_GE(Bronie.sway, -0.07f + 2.0f * 0.2f * kFrame - 1e-5f);
    EXPECT_LE(Bronie.sway, -0.07f + 3.0f * 0.2f * kFrame + 1e-5f);
    for (int i = 0; i < 60; ++i)
        Bronie.SwayStep();
    EXPECT_EQ(Bronie.sway, 0.0f) << "settled without overshoot";
    // A mouse state that is no number turns nothing.
    g_Mouse.m_State.x = std::nan("");
    Bronie.SwayStep();
    EXPECT_EQ(Bronie.sway, 0.0f);
    EXPECT_TRUE(std::isfinite(Bronie.yaw));
}

TEST_F(WeaponViewTest, WithoutAWeaponOnlyTheKnifeStrokeAndAGrenadeInHandAreShown)
{
    Bronie.current = nullptr;
    Bronie.m_pWeaponView = &Bronie.m_WeaponTuning;
    const EOrientation identity;
    const float at[3] = {0.0f, 0.0f, 0.0f};
    Bronie.knifeObject = g_Engine.CreateObject(OT_MESH, DROP_MESH, 1, 0, at, nullptr);
    Bronie.grenadeObject = g_Engine.CreateObject(OT_MESH, DROP_MESH, 1, 0, at, nullptr);
    ASSERT_NE(Bronie.knifeObject, nullptr);
    ASSERT_NE(Bronie.grenadeObject, nullptr);
    g_Camera.SetOrientation(identity);
    const D3DXVECTOR3 eye(1.0f, 2.0f, 3.0f);
    struct
    {
        DWORD knifeState;
        BYTE grenade;
        bool knifeShown;
    } cases[] = {{0, 0, false}, {1, 0, false}, {2, 0, true}, {3, 1, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.knifeState);
        Bronie.knifeState = c.knifeState;
        Bronie.grenadeInHand = c.grenade;
        Bronie.grenadeRaise = 1.0f;
        Bronie.PlaceWeaponView(&eye, &identity, 0.0f, 0.0f);
        EXPECT_EQ((Bronie.knifeObject->dwFlags & 1) != 0, c.knifeShown);
        EXPECT_EQ((Bronie.grenadeObject->dwFlags & 1) != 0, c.grenade != 0);
        if (c.knifeShown)
            ExpectNear(Bronie.knifeObject->vPosition, eye + D3DXVECTOR3(0.1f, -10.4f, -0.4f), kTight);
        if (c.grenade)
            ExpectNear(Bronie.grenadeObject->vPosition, eye + D3DXVECTOR3(1.03f, -16.9f, 0.5f), kTight);
    }
    EXPECT_EQ(Bronie.m_pWeaponView, nullptr) << "no weapon view to tune";
}
