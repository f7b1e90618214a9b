// Quaternions against hand-worked values, with D3DX's product order.
#include "d3dx_expect.h"

#include <random>

namespace
{
D3DXQUATERNION Axis(float x, float y, float z, float angle)
{
    D3DXQUATERNION q;
    const D3DXVECTOR3 a(x, y, z);
    return *D3DXQuaternionRotationAxis(&q, &a, angle);
}

D3DXMATRIX MatrixOf(const D3DXQUATERNION& q)
{
    D3DXMATRIX m;
    return *D3DXMatrixRotationQuaternion(&m, &q);
}

D3DXQUATERNION RandomRotation(std::mt19937& rng)
{
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    D3DXQUATERNION q(d(rng), d(rng), d(rng), d(rng));
    return *D3DXQuaternionNormalize(&q, &q);
}
} // namespace

TEST(D3DXQuaternion, RotationAxisIsHalfAngleAndNormalisesTheAxis)
{
    ExpectQuat(Axis(0, 1, 0, kHalfPi), 0, kRootHalf, 0, kRootHalf);
    ExpectQuat(Axis(0, 5, 0, kHalfPi), 0, kRootHalf, 0, kRootHalf);
    ExpectQuat(Axis(1, 0, 0, kPi), 1, 0, 0, 0);
    D3DXQUATERNION i;
    D3DXQuaternionIdentity(&i);
    ExpectQuat(i, 0, 0, 0, 1);
    EXPECT_TRUE(D3DXQuaternionIsIdentity(&i));
}

TEST(D3DXQuaternion, MultiplyAppliesTheFirstArgumentFirst)
{
    const D3DXQUATERNION qx = Axis(1, 0, 0, kHalfPi), qy = Axis(0, 1, 0, kHalfPi);
    D3DXQUATERNION r;
    // Quarter turn about X, then about Y: worked out by hand.
    ExpectQuat(*D3DXQuaternionMultiply(&r, &qx, &qy), 0.5f, 0.5f, -0.5f, 0.5f);
    // The other order differs only in the sign of z.
    ExpectQuat(*D3DXQuaternionMultiply(&r, &qy, &qx), 0.5f, 0.5f, 0.5f, 0.5f);

    // X then Y takes +Y to +Z and then to +X; +X to +X and then to -Z.
    D3DXQuaternionMultiply(&r, &qx, &qy);
    const D3DXMATRIX m = MatrixOf(r);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 1, 0)), 1, 0, 0);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 0, 0)), 0, 0, -1);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 0, 1)), 0, -1, 0);

    // The operator keeps the same order; the output may alias an input.
    ExpectQuat(qx * qy, 0.5f, 0.5f, -0.5f, 0.5f);
    D3DXQUATERNION a = qx;
    a *= qy;
    ExpectQuat(a, 0.5f, 0.5f, -0.5f, 0.5f);
    a = qy;
    D3DXQuaternionMultiply(&a, &qx, &a);
    ExpectQuat(a, 0.5f, 0.5f, -0.5f, 0.5f);
}

TEST(D3DXQuaternion, ProductMatrixIsTheMatrixProduct)
{
    std::mt19937 rng(11);
    for (int i = 0; i < 40; ++i)
    {
        const D3DXQUATERNION a = RandomRotation(rng), b = RandomRotation(rng);
        D3DXQUATERNION ab;
        D3DXQuaternionMultiply(&ab, &a, &b);
        ExpectMatrix(MatrixOf(ab), MatrixOf(a) * MatrixOf(b));
    }
}

TEST(D3DXQuaternion, MatrixOfAxisRotationMatchesMatrixRotationAxis)
{
    const D3DXVECTOR3 axes[] = {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1),
                                D3DXVECTOR3(1, 2, -3)};
    for (const auto& axis : axes)
        for (float angle : {0.3f, -1.7f, 3.0f})
        {
            D3DXQUATERNION q;
            D3DXMATRIX m;
            D3DXQuaternionRotationAxis(&q, &axis, angle);
            ExpectMatrix(MatrixOf(q), *D3DXMatrixRotationAxis(&m, &axis, angle));
        }
    // Hand-worked: a quarter turn about Y.
    ExpectMatrix(MatrixOf(Axis(0, 1, 0, kHalfPi)),
                 D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1));
}

TEST(D3DXQuaternion, YawPitchRollMatchesTheMatrixAndTheProduct)
{
    D3DXQUATERNION q;
    ExpectQuat(*D3DXQuaternionRotationYawPitchRoll(&q, kHalfPi, 0, 0), 0, kRootHalf, 0, kRootHalf);
    ExpectQuat(*D3DXQuaternionRotationYawPitchRoll(&q, 0, kHalfPi, 0), kRootHalf, 0, 0, kRootHalf);
    ExpectQuat(*D3DXQuaternionRotationYawPitchRoll(&q, 0, 0, kHalfPi), 0, 0, kRootHalf, kRootHalf);
    // Pitch, then yaw: the same as the X-then-Y product above.
    ExpectQuat(*D3DXQuaternionRotationYawPitchRoll(&q, kHalfPi, kHalfPi, 0), 0.5f, 0.5f, -0.5f, 0.5f);

    const float angles[][3] = {{0.3f, -0.8f, 2.1f}, {-2.5f, 1.2f, 0.1f}, {4.0f, 3.0f, -5.0f}};
    for (const auto& a : angles)
    {
        D3DXMATRIX m;
        D3DXQuaternionRotationYawPitchRoll(&q, a[0], a[1], a[2]);
        ExpectMatrix(MatrixOf(q), *D3DXMatrixRotationYawPitchRoll(&m, a[0], a[1], a[2]));
        D3DXQUATERNION r = Axis(0, 0, 1, a[2]), p = Axis(1, 0, 0, a[1]), y = Axis(0, 1, 0, a[0]);
        ExpectSameRotation(q, r * p * y);
    }
}

TEST(D3DXQuaternion, RotationMatrixInvertsMatrixRotationQuaternion)
{
    // Half turns about each axis exercise every branch of the extraction.
    const D3DXQUATERNION cases[] = {Axis(1, 0, 0, 3.1f), Axis(0, 1, 0, 3.1f), Axis(0, 0, 1, 3.1f),
                                    Axis(1, 1, 0, 0.5f), Axis(0, 1, 0, -kPi), Axis(1, -2, 3, 2.5f),
                                    Axis(0, 0, 1, 0.0f)};
    for (const auto& q : cases)
    {
        D3DXQUATERNION r;
        const D3DXMATRIX m = MatrixOf(q);
        ExpectSameRotation(*D3DXQuaternionRotationMatrix(&r, &m), q);
    }
    std::mt19937 rng(3);
    for (int i = 0; i < 40; ++i)
    {
        const D3DXQUATERNION q = RandomRotation(rng);
        D3DXQUATERNION r;
        const D3DXMATRIX m = MatrixOf(q);
        ExpectSameRotation(*D3DXQuaternionRotationMatrix(&r, &m), q);
    }
    // The fourth row and column do not matter.
    D3DXMATRIX m = MatrixOf(Axis(0, 1, 0, kHalfPi));
    m._44 = 0.0f;
    m._41 = 9.0f;
    D3DXQUATERNION r;
    ExpectSameRotation(*D3DXQuaternionRotationMatrix(&r, &m), Axis(0, 1, 0, kHalfPi));
}

TEST(D3DXQuaternion, SlerpTakesTheShortArc)
{
    D3DXQUATERNION i, r;
    D3DXQuaternionIdentity(&i);
    const D3DXQUATERNION q = Axis(0, 1, 0, kHalfPi);
    ExpectQuat(*D3DXQuaternionSlerp(&r, &i, &q, 0.5f), 0, std::sin(kPi / 8), 0, std::cos(kPi / 8));
    ExpectQuat(*D3DXQuaternionSlerp(&r, &i, &q, 0.0f), 0, 0, 0, 1);
    ExpectQuat(*D3DXQuaternionSlerp(&r, &i, &q, 1.0f), q.x, q.y, q.z, q.w);
    // -q is the same rotation: the path goes the short way to it.
    const D3DXQUATERNION nq = -q;
    ExpectSameRotation(*D3DXQuaternionSlerp(&r, &i, &nq, 0.5f), Axis(0, 1, 0, kPi / 4));
    // Between two turns about one axis the angle goes linearly.
    const D3DXQUATERNION far = Axis(0, 1, 0, 2.5f);
    ExpectSameRotation(*D3DXQuaternionSlerp(&r, &q, &far, 0.25f),
                       Axis(0, 1, 0, kHalfPi + 0.25f * (2.5f - kHalfPi)));
    // Nearly equal inputs stay finite and between them.
    const D3DXQUATERNION close = Axis(0, 1, 0, 1e-4f);
    D3DXQuaternionSlerp(&r, &i, &close, 0.5f);
    EXPECT_TRUE(std::isfinite(r.x) && std::isfinite(r.w));
    EXPECT_NEAR(r.y, close.y * 0.5f, 1e-6f);
}

TEST(D3DXQuaternion, ConjugateInverseNormalizeLength)
{
    const D3DXQUATERNION q(1, 2, 3, 4);
    D3DXQUATERNION r;
    ExpectQuat(*D3DXQuaternionConjugate(&r, &q), -1, -2, -3, 4);
    EXPECT_FLOAT_EQ(D3DXQuaternionLengthSq(&q), 30.0f);
    ExpectQuat(*D3DXQuaternionInverse(&r, &q), -1.0f / 30, -2.0f / 30, -3.0f / 30, 4.0f / 30);
    D3DXQUATERNION p;
    D3DXQuaternionMultiply(&p, &q, &r);
    ExpectQuat(p, 0, 0, 0, 1);
    ExpectQuat(*D3DXQuaternionNormalize(&r, &q), 1 / std::sqrt(30.0f), 2 / std::sqrt(30.0f),
               3 / std::sqrt(30.0f), 4 / std::sqrt(30.0f));
    const D3DXQUATERNION zero(0, 0, 0, 0);
    ExpectQuat(*D3DXQuaternionNormalize(&r, &zero), 0, 0, 0, 0);
    ExpectQuat(*D3DXQuaternionInverse(&r, &zero), 0, 0, 0, 0);
    EXPECT_FLOAT_EQ(D3DXQuaternionDot(&q, &q), 30.0f);
}

TEST(D3DXQuaternion, AxisAngleLnExp)
{
    D3DXVECTOR3 axis;
    float angle = 0.0f;
    const D3DXQUATERNION quarter = Axis(0, 1, 0, kHalfPi);
    D3DXQuaternionToAxisAngle(&quarter, &axis, &angle);
    ExpectVec3(axis, 0, kRootHalf, 0);
    EXPECT_NEAR(angle, kHalfPi, 1e-5f);

    const D3DXQUATERNION q = Axis(1, 2, 3, 1.3f);
    D3DXQUATERNION l, e;
    D3DXQuaternionLn(&l, &q);
    EXPECT_EQ(l.w, 0.0f);
    // ln of a unit quaternion is (axis * angle/2).
    const float n = std::sqrt(14.0f);
    ExpectQuat(l, 0.65f / n, 1.3f / n, 1.95f / n, 0);
    ExpectQuat(*D3DXQuaternionExp(&e, &l), q.x, q.y, q.z, q.w);
    D3DXQUATERNION i;
    D3DXQuaternionIdentity(&i);
    ExpectQuat(*D3DXQuaternionLn(&l, &i), 0, 0, 0, 0);
    ExpectQuat(*D3DXQuaternionExp(&e, &l), 0, 0, 0, 1);
}

TEST(D3DXQuaternion, BaryCentricCorners)
{
    const D3DXQUATERNION a = Axis(0, 1, 0, 0.2f), b = Axis(1, 0, 0, 0.7f), c = Axis(0, 0, 1, -0.4f);
    D3DXQUATERNION r;
    ExpectSameRotation(*D3DXQuaternionBaryCentric(&r, &a, &b, &c, 0, 0), a);
    ExpectSameRotation(*D3DXQuaternionBaryCentric(&r, &a, &b, &c, 1, 0), b);
    ExpectSameRotation(*D3DXQuaternionBaryCentric(&r, &a, &b, &c, 0, 1), c);
}

TEST(D3DXQuaternion, SlerpFollowsTheSineWeightsForAnyPair)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (int round = 0; round < 500; ++round)
    {
        D3DXQUATERNION a(d(rng), d(rng), d(rng), d(rng)), b(d(rng), d(rng), d(rng), d(rng));
        D3DXQuaternionNormalize(&a, &a);
        D3DXQuaternionNormalize(&b, &b);
        const float t = (d(rng) + 1.0f) * 0.5f;
        // sin((1 - t) theta) / sin(theta) and sin(t theta) / sin(theta), in
        // double, on the shorter arc.
        double dot = double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
        const double sign = dot < 0 ? -1.0 : 1.0;
        dot = std::fabs(dot);
        if (1.0 - dot <= 0.001)
            continue;
        const double theta = std::acos(dot);
        const double wa = std::sin((1.0 - t) * theta) / std::sin(theta);
        const double wb = sign * std::sin(t * theta) / std::sin(theta);
        D3DXQUATERNION r;
        D3DXQuaternionSlerp(&r, &a, &b, t);
        EXPECT_NEAR(r.x, wa * a.x + wb * b.x, 2e-5);
        EXPECT_NEAR(r.y, wa * a.y + wb * b.y, 2e-5);
        EXPECT_NEAR(r.z, wa * a.z + wb * b.z, 2e-5);
        EXPECT_NEAR(r.w, wa * a.w + wb * b.w, 2e-5);
    }
}
