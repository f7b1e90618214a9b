// EOrientation: axes, quaternion and matrix stay in step after every operation.
#include "shell/Orientation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = kPi / 2;
constexpr float kTwoPi = 6.2831855f;

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectSound(const EOrientation& o)
{
    for (const D3DXVECTOR3* v : {&o.Forward, &o.Right, &o.Up})
    {
        ASSERT_TRUE(std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z));
        EXPECT_NEAR(D3DXVec3Length(v), 1.0f, 1e-5f);
    }
    EXPECT_NEAR(D3DXVec3Dot(&o.Forward, &o.Right), 0.0f, 1e-5f);
    EXPECT_NEAR(D3DXVec3Dot(&o.Forward, &o.Up), 0.0f, 1e-5f);
    EXPECT_NEAR(D3DXVec3Dot(&o.Right, &o.Up), 0.0f, 1e-5f);
    // Left-handed: right x up = forward.
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &o.Right, &o.Up);
    ExpectVec(c, o.Forward.x, o.Forward.y, o.Forward.z);
    EXPECT_NEAR(D3DXQuaternionLength(&o.Quaternion), 1.0f, 1e-5f);
}

// The quaternion rebuilds the same axes (directions' own matrices included).
void ExpectInStep(const EOrientation& o)
{
    ExpectSound(o);
    EOrientation r = o;
    r.Rebuild();
    ExpectVec(r.Forward, o.Forward.x, o.Forward.y, o.Forward.z, 1e-4f);
    ExpectVec(r.Right, o.Right.x, o.Right.y, o.Right.z, 1e-4f);
    ExpectVec(r.Up, o.Up.x, o.Up.y, o.Up.z, 1e-4f);
}

void ExpectRowsAreAxes(const EOrientation& o)
{
    ExpectVec(D3DXVECTOR3(o.Matrix._11, o.Matrix._12, o.Matrix._13), o.Right.x, o.Right.y, o.Right.z);
    ExpectVec(D3DXVECTOR3(o.Matrix._21, o.Matrix._22, o.Matrix._23), o.Up.x, o.Up.y, o.Up.z);
    ExpectVec(D3DXVECTOR3(o.Matrix._31, o.Matrix._32, o.Matrix._33), o.Forward.x, o.Forward.y, o.Forward.z);
}

D3DXQUATERNION AxisTurn(float x, float y, float z, float angle)
{
    D3DXQUATERNION q;
    const D3DXVECTOR3 a(x, y, z);
    return *D3DXQuaternionRotationAxis(&q, &a, angle);
}
} // namespace

TEST(Orientation, LayoutIsQuaternionMatrixForwardRightUp)
{
    EXPECT_EQ(offsetof(EOrientation, Quaternion), 0u);
    EXPECT_EQ(offsetof(EOrientation, Matrix), 16u);
    EXPECT_EQ(offsetof(EOrientation, Forward), 80u);
    EXPECT_EQ(offsetof(EOrientation, Right), 92u);
    EXPECT_EQ(offsetof(EOrientation, Up), 104u);
    EXPECT_EQ(sizeof(EOrientation), 116u);
}

TEST(Orientation, IdentityLooksAlongPlusZ)
{
    const EOrientation o;
    ExpectVec(o.Forward, 0, 0, 1);
    ExpectVec(o.Right, 1, 0, 0);
    ExpectVec(o.Up, 0, 1, 0);
    EXPECT_TRUE(D3DXQuaternionIsIdentity(&o.Quaternion));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&o.Matrix));
    float p = -1, y = -1, r = -1;
    o.GetAngles(&p, &y, &r);
    EXPECT_EQ(p, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(r, 0.0f);
    const EOrientation none(static_cast<const D3DXVECTOR3*>(nullptr));
    EXPECT_TRUE(D3DXQuaternionIsIdentity(&none.Quaternion));
    // A new orientation is exactly one rebuilt from the identity quaternion.
    EOrientation rebuilt;
    const D3DXQUATERNION identity = o.Quaternion;
    rebuilt.SetQuaternion(&identity);
    EXPECT_EQ(rebuilt.Matrix, o.Matrix);
    EXPECT_EQ(rebuilt.Forward, o.Forward);
    EXPECT_EQ(rebuilt.Right, o.Right);
    EXPECT_EQ(rebuilt.Up, o.Up);
}

TEST(Orientation, SetDirectionBuildsAxesWithoutRoll)
{
    struct Case
    {
        D3DXVECTOR3 dir, forward, right, up;
    } cases[] = {
        {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, -1), D3DXVECTOR3(0, 1, 0)},
        {D3DXVECTOR3(0, 0, 5), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)},
        {D3DXVECTOR3(0, 0, -2), D3DXVECTOR3(0, 0, -1), D3DXVECTOR3(-1, 0, 0), D3DXVECTOR3(0, 1, 0)},
        // Forty-five degrees down towards +Z: up leans forward.
        {D3DXVECTOR3(0, -1, 1), D3DXVECTOR3(0, -0.70710678f, 0.70710678f), D3DXVECTOR3(1, 0, 0),
         D3DXVECTOR3(0, 0.70710678f, 0.70710678f)},
    };
    for (const auto& c : cases)
    {
        EOrientation o;
        o.SetDirection(&c.dir);
        ExpectVec(o.Forward, c.forward.x, c.forward.y, c.forward.z);
        ExpectVec(o.Right, c.right.x, c.right.y, c.right.z);
        ExpectVec(o.Up, c.up.x, c.up.y, c.up.z);
        ExpectRowsAreAxes(o);
        ExpectInStep(o);
    }

    // The direction setters leave the fourth row and column all zero.
    EOrientation o;
    const D3DXVECTOR3 east(1, 0, 0);
    o.SetDirection(&east);
    EXPECT_EQ(o.Matrix._44, 0.0f);
    EXPECT_EQ(o.Matrix._41, 0.0f);
    EXPECT_EQ(o.Matrix._14, 0.0f);
    // ...and the quaternion is a quarter turn about +Y.
    const float h = std::sqrt(0.5f);
    EXPECT_NEAR(std::fabs(o.Quaternion.y), h, 1e-5f);
    EXPECT_NEAR(std::fabs(o.Quaternion.w), h, 1e-5f);
    // The next operation rebuilds a proper matrix.
    const D3DXQUATERNION none = AxisTurn(0, 1, 0, 0.0f);
    o.Multiply(&none);
    EXPECT_NEAR(o.Matrix._44, 1.0f, 1e-6f);

    const EOrientation fromCtor(&east);
    ExpectVec(fromCtor.Right, 0, 0, -1);
}

TEST(Orientation, VerticalDirectionGivesASoundOrientation)
{
    const D3DXVECTOR3 up(0, 1, 0), down(0, -3, 0), tiny(0, 1e-15f, 0);
    {
        EOrientation o;
        o.SetDirection(&up);
        ExpectVec(o.Forward, 0, 1, 0);
        ExpectVec(o.Right, 1, 0, 0);
        ExpectVec(o.Up, 0, 0, -1); // looking up, the top of the head points back
        ExpectInStep(o);
    }
    {
        EOrientation o;
        o.SetDirection(&down);
        ExpectVec(o.Forward, 0, -1, 0);
        ExpectVec(o.Up, 0, 0, 1);
        ExpectInStep(o);
    }
    {
        // Looking east, then straight down: the heading stays east.
        EOrientation o;
        const D3DXVECTOR3 east(1, 0, 0);
        o.SetDirection(&east);
        o.SetDirection(&down);
        ExpectVec(o.Right, 0, 0, -1);
        ExpectVec(o.Up, 1, 0, 0);
        ExpectInStep(o);
    }
    {
        EOrientation o;
        o.SetDirection(&tiny);
        ExpectVec(o.Forward, 0, 1, 0);
        ExpectInStep(o);
    }
    {
        // A very short direction is still a direction.
        EOrientation o;
        const D3DXVECTOR3 shortEast(1e-20f, 0, 0), shortUpAndDown(0, 1e-20f, 1e-20f);
        o.SetDirection(&shortEast);
        ExpectVec(o.Forward, 1, 0, 0);
        ExpectVec(o.Right, 0, 0, -1);
        ExpectVec(o.Up, 0, 1, 0);
        ExpectInStep(o);
        const D3DXVECTOR3 worldUp(0, 1, 0);
        o.SetDirectionAndUp(&shortUpAndDown, &worldUp);
        ExpectVec(o.Forward, 0, 0.70710678f, 0.70710678f);
        ExpectVec(o.Right, 1, 0, 0);
        ExpectVec(o.Up, 0, 0.70710678f, -0.70710678f);
        ExpectInStep(o);
    }
    {
        // A zero direction is no direction: nothing changes.
        EOrientation o(0.3f, 0.2f, 0.1f);
        const EOrientation before = o;
        const D3DXVECTOR3 zero(0, 0, 0), nan(std::nanf(""), 0, 1);
        o.SetDirection(&zero);
        o.SetDirection(&nan);
        o.SetDirection(nullptr);
        EXPECT_EQ(o.Quaternion, before.Quaternion);
        EXPECT_EQ(o.Matrix, before.Matrix);
    }
    {
        // The constructor from a vertical direction too.
        const EOrientation o(&up);
        ExpectInStep(o);
    }
}

TEST(Orientation, SetDirectionAndUpTakesTheUpPlane)
{
    EOrientation o;
    const D3DXVECTOR3 ahead(0, 0, 1), sideUp(1, 0, 0), tiltedUp(1, 1, 0);
    o.SetDirectionAndUp(&ahead, &sideUp);
    ExpectVec(o.Forward, 0, 0, 1);
    ExpectVec(o.Right, 0, -1, 0);
    ExpectVec(o.Up, 1, 0, 0);
    ExpectInStep(o);

    // An up that is not perpendicular is replaced by the perpendicular in its plane.
    const D3DXVECTOR3 slope(0, 1, 1);
    const D3DXVECTOR3 worldUp(0, 1, 0);
    o.SetDirectionAndUp(&slope, &worldUp);
    ExpectVec(o.Up, 0, 0.70710678f, -0.70710678f);
    ExpectInStep(o);

    o.SetDirectionAndUp(&ahead, &tiltedUp);
    ExpectVec(o.Up, 0.70710678f, 0.70710678f, 0);
    ExpectInStep(o);

    // Up along the direction: falls back to world up, still sound.
    const D3DXVECTOR3 alongUp(0, 0, 2), east(1, 0, 0);
    o.SetDirectionAndUp(&east, &east);
    ExpectVec(o.Forward, 1, 0, 0);
    ExpectVec(o.Up, 0, 1, 0);
    ExpectInStep(o);
    o.SetDirectionAndUp(&ahead, &alongUp);
    ExpectInStep(o);

    const EOrientation before = o;
    o.SetDirectionAndUp(nullptr, &worldUp);
    o.SetDirectionAndUp(&east, nullptr);
    EXPECT_EQ(o.Quaternion, before.Quaternion);
}

TEST(Orientation, YawTurnsRightInALeftHandedWorld)
{
    const EOrientation o(kHalfPi, 0, 0);
    ExpectVec(o.Forward, 1, 0, 0);
    ExpectVec(o.Right, 0, 0, -1);
    ExpectInStep(o);

    EOrientation r;
    const D3DXVECTOR3 yAxis(0, 1, 0);
    r.RotateAxisAngle(&yAxis, kHalfPi);
    ExpectVec(r.Forward, 1, 0, 0);

    // Pitch down by a quarter: forward -Y; roll a quarter: right +Y.
    const EOrientation p(0, kHalfPi, 0);
    ExpectVec(p.Forward, 0, -1, 0);
    const EOrientation l(0, 0, kHalfPi);
    ExpectVec(l.Right, 0, 1, 0);
}

TEST(Orientation, MultiplyAppliesTheCurrentRotationFirst)
{
    EOrientation o;
    const D3DXQUATERNION pitchDown = AxisTurn(1, 0, 0, kHalfPi), yawRight = AxisTurn(0, 1, 0, kHalfPi);
    o.Multiply(&pitchDown);
    o.Multiply(&yawRight);
    // +Z: down to -Y, then unchanged by the yaw. +Y: to +Z, then to +X.
    ExpectVec(o.Forward, 0, -1, 0);
    ExpectVec(o.Up, 1, 0, 0);
    ExpectRowsAreAxes(o);
    ExpectInStep(o);
    o.Multiply(nullptr);
    ExpectVec(o.Forward, 0, -1, 0);
}

TEST(Orientation, RotateAxisAngleTurnsAboutAWorldAxis)
{
    EOrientation o(kHalfPi, 0, 0); // looking along +X
    const D3DXVECTOR3 worldX(3, 0, 0);
    o.RotateAxisAngle(&worldX, kHalfPi);
    // About world X (our forward): a roll, not a pitch.
    ExpectVec(o.Forward, 1, 0, 0);
    ExpectVec(o.Up, 0, 0, 1);
    ExpectInStep(o);

    const EOrientation before = o;
    const D3DXVECTOR3 zero(0, 0, 0);
    o.RotateAxisAngle(&zero, 1.0f);
    o.RotateAxisAngle(nullptr, 1.0f);
    EXPECT_EQ(o.Quaternion, before.Quaternion);
}

TEST(Orientation, SlerpAndSetQuaternion)
{
    EOrientation o;
    const D3DXQUATERNION target = AxisTurn(0, 1, 0, kHalfPi);
    o.Slerp(&target, 0.5f);
    ExpectVec(o.Forward, std::sin(kPi / 4), 0, std::cos(kPi / 4));
    ExpectInStep(o);
    o.Slerp(&target, 1.0f);
    ExpectVec(o.Forward, 1, 0, 0);
    o.Slerp(nullptr, 0.5f);
    ExpectVec(o.Forward, 1, 0, 0);

    const D3DXQUATERNION upsideDown = AxisTurn(0, 0, 1, kPi);
    o.SetQuaternion(&upsideDown);
    ExpectVec(o.Up, 0, -1, 0);
    ExpectRowsAreAxes(o);
    o.SetQuaternion(nullptr);
    ExpectVec(o.Up, 0, -1, 0);
}

TEST(Orientation, GetAnglesAreInTheRangeAndReadBackTheTurn)
{
    struct Case
    {
        float yaw, pitch, roll;
        float expectPitch, expectYaw, expectRoll;
    } cases[] = {
        {kHalfPi, 0, 0, 0, kHalfPi, 0},
        {-kHalfPi, 0, 0, 0, 3 * kHalfPi, 0},
        {0.4f, -0.3f, 0.2f, kTwoPi - 0.3f, 0.4f, 0.2f},
        {2.5f, 0.7f, -1.0f, 0.7f, 2.5f, kTwoPi - 1.0f},
    };
    for (const auto& c : cases)
    {
        const EOrientation o(c.yaw, c.pitch, c.roll);
        float p = -1, y = -1, r = -1;
        o.GetAngles(&p, &y, &r);
        EXPECT_NEAR(p, c.expectPitch, 1e-4f);
        EXPECT_NEAR(y, c.expectYaw, 1e-4f);
        EXPECT_NEAR(r, c.expectRoll, 1e-4f);
        for (float a : {p, y, r})
        {
            EXPECT_GE(a, 0.0f);
            EXPECT_LT(a, kTwoPi);
        }
    }
    // Any null output: nothing written.
    const EOrientation o(1.0f, 0, 0);
    float p = -1, y = -1;
    o.GetAngles(&p, &y, nullptr);
    EXPECT_EQ(p, -1.0f);
    EXPECT_EQ(y, -1.0f);
}
