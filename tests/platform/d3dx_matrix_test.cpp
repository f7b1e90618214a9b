// Matrices against hand-worked values: row vectors, left-handed.
#include "d3dx_expect.h"

#include <random>

namespace
{
D3DXMATRIX RandomMatrix(std::mt19937& rng)
{
    std::uniform_real_distribution<float> d(-2.0f, 2.0f);
    D3DXMATRIX m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m[r][c] = d(rng);
    return m;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}
} // namespace

TEST(D3DXMatrix, MultiplyAppliesTheLeftOperandFirst)
{
    const D3DXMATRIX a(1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    const D3DXMATRIX b(1, 0, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    D3DXMATRIX r;
    ExpectMatrix(*D3DXMatrixMultiply(&r, &a, &b), D3DXMATRIX(7, 2, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    ExpectMatrix(*D3DXMatrixMultiply(&r, &b, &a), D3DXMATRIX(1, 2, 0, 0, 3, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    ExpectMatrix(a * b, D3DXMATRIX(7, 2, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));

    // Translate then scale moves the origin to 2 * t; scale then translate to t.
    D3DXMATRIX t, s;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixScaling(&s, 2, 2, 2);
    const D3DXVECTOR3 origin(0, 0, 0);
    ExpectVec3(Apply(t * s, origin), 2, 4, 6);
    ExpectVec3(Apply(s * t, origin), 1, 2, 3);

    // The output may alias either input.
    D3DXMATRIX c = a;
    D3DXMatrixMultiply(&c, &c, &b);
    ExpectMatrix(c, a * b);
    c = b;
    D3DXMatrixMultiply(&c, &a, &c);
    ExpectMatrix(c, a * b);

    D3DXMatrixMultiplyTranspose(&r, &a, &b);
    ExpectMatrix(r, D3DXMATRIX(7, 3, 0, 0, 2, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST(D3DXMatrix, IdentityTransposeDeterminant)
{
    D3DXMATRIX i = Identity();
    EXPECT_TRUE(D3DXMatrixIsIdentity(&i));
    i._42 = 0.5f;
    EXPECT_FALSE(D3DXMatrixIsIdentity(&i));

    const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    D3DXMATRIX t;
    ExpectMatrix(*D3DXMatrixTranspose(&t, &m),
                 D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16));
    EXPECT_NEAR(D3DXMatrixDeterminant(&m), 0.0f, 1e-3f);

    const D3DXMATRIX d(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&d), 24.0f);
    // Swapping two rows flips the sign.
    const D3DXMATRIX e(0, 3, 0, 0, 2, 0, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1);
    EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&e), -24.0f);
}

TEST(D3DXMatrix, InverseOfKnownMatrices)
{
    D3DXMATRIX t, inv;
    float det = 0.0f;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &t), nullptr);
    EXPECT_FLOAT_EQ(det, 1.0f);
    D3DXMATRIX expected;
    ExpectMatrix(inv, *D3DXMatrixTranslation(&expected, -1, -2, -3));

    D3DXMATRIX s;
    D3DXMatrixScaling(&s, 2, 4, 8);
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &s), nullptr);
    EXPECT_FLOAT_EQ(det, 64.0f);
    ExpectMatrix(inv, *D3DXMatrixScaling(&expected, 0.5f, 0.25f, 0.125f));

    // A rotation's inverse is its transpose.
    D3DXMATRIX r, rt;
    D3DXMatrixRotationYawPitchRoll(&r, 0.3f, -1.1f, 2.0f);
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &r), nullptr);
    ExpectMatrix(inv, *D3DXMatrixTranspose(&rt, &r));
}

TEST(D3DXMatrix, InverseTimesMatrixIsIdentity)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 50; ++i)
    {
        const D3DXMATRIX m = RandomMatrix(rng);
        D3DXMATRIX inv;
        float det = 0.0f;
        ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
        if (std::fabs(det) < 0.05f)
            continue; // too close to singular for a tight check
        ExpectMatrix(m * inv, Identity(), 2e-3f);
        ExpectMatrix(inv * m, Identity(), 2e-3f);
    }
}

TEST(D3DXMatrix, SingularMatrixHasNoInverseAndLeavesOutputAlone)
{
    const D3DXMATRIX flat(1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); // scales y to nothing
    D3DXMATRIX out(7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7);
    float det = 5.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &flat), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out._11, 7.0f);
    EXPECT_EQ(out._44, 7.0f);
}

// Each basic rotation by a quarter turn, as a table of where the unit axes go.
struct QuarterTurnCase
{
    const char* name;
    D3DXMATRIX* (*build)(D3DXMATRIX*, float);
    D3DXVECTOR3 from, to;
};

TEST(D3DXMatrix, QuarterTurnsAreLeftHanded)
{
    const QuarterTurnCase cases[] = {
        {"X: +Y to +Z", D3DXMatrixRotationX, D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)},
        {"X: +Z to -Y", D3DXMatrixRotationX, D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, -1, 0)},
        {"Y: +Z to +X", D3DXMatrixRotationY, D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(1, 0, 0)},
        {"Y: +X to -Z", D3DXMatrixRotationY, D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, -1)},
        {"Z: +X to +Y", D3DXMatrixRotationZ, D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)},
        {"Z: +Y to -X", D3DXMatrixRotationZ, D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(-1, 0, 0)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        D3DXMATRIX m;
        c.build(&m, kHalfPi);
        ExpectVec3(Apply(m, c.from), c.to.x, c.to.y, c.to.z);
    }
}

TEST(D3DXMatrix, RotationAxisNormalisesAndMatchesTheBasicRotations)
{
    D3DXMATRIX a, b;
    const D3DXVECTOR3 y2(0, 2, 0), x(1, 0, 0), z(0, 0, -3);
    ExpectMatrix(*D3DXMatrixRotationAxis(&a, &y2, 0.7f), *D3DXMatrixRotationY(&b, 0.7f));
    ExpectMatrix(*D3DXMatrixRotationAxis(&a, &x, -1.2f), *D3DXMatrixRotationX(&b, -1.2f));
    ExpectMatrix(*D3DXMatrixRotationAxis(&a, &z, 0.4f), *D3DXMatrixRotationZ(&b, -0.4f));
    // About the diagonal a third of a turn cycles the axes: +X to +Y.
    const D3DXVECTOR3 diag(1, 1, 1);
    D3DXMatrixRotationAxis(&a, &diag, 2.0f * kPi / 3.0f);
    ExpectVec3(Apply(a, D3DXVECTOR3(1, 0, 0)), 0, 1, 0);
    ExpectVec3(Apply(a, D3DXVECTOR3(0, 1, 0)), 0, 0, 1);
}

TEST(D3DXMatrix, YawPitchRollAppliesRollThenPitchThenYaw)
{
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, 0, kHalfPi);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 0, 0)), 0, 1, 0);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 0, 1)), 1, 0, 0);
    D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, kHalfPi, 0);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 0, 1)), 0, -1, 0);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 1, 0)), 1, 0, 0);

    D3DXMATRIX r, p, y;
    D3DXMatrixRotationZ(&r, 0.3f);
    D3DXMatrixRotationX(&p, -0.8f);
    D3DXMatrixRotationY(&y, 2.1f);
    ExpectMatrix(*D3DXMatrixRotationYawPitchRoll(&m, 2.1f, -0.8f, 0.3f), r * p * y);
}

TEST(D3DXMatrix, TransformationScalesRotatesThenTranslates)
{
    D3DXQUATERNION q;
    const D3DXVECTOR3 yAxis(0, 1, 0), scale(2, 2, 2), move(10, 0, 0);
    D3DXQuaternionRotationAxis(&q, &yAxis, kHalfPi);
    D3DXMATRIX m;
    D3DXMatrixTransformation(&m, nullptr, nullptr, &scale, nullptr, &q, &move);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 0, 0)), 10, 0, -2);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 0, 1)), 12, 0, 0);

    // Nothing given: identity.
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));

    // A rotation centre stays put.
    const D3DXVECTOR3 centre(1, 0, 1);
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &q, nullptr);
    ExpectVec3(Apply(m, centre), 1, 0, 1);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 0, 2)), 2, 0, 1);

    // Scaling about a centre along rotated axes: scale x by 3 along the axes
    // turned a quarter about Y (so world z is scaled) about (0, 0, 1).
    const D3DXVECTOR3 sc(0, 0, 1), s3(3, 1, 1);
    D3DXMatrixTransformation(&m, &sc, &q, &s3, nullptr, nullptr, nullptr);
    ExpectVec3(Apply(m, D3DXVECTOR3(0, 0, 2)), 0, 0, 4);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 0, 1)), 1, 0, 1);

    D3DXMatrixAffineTransformation(&m, 2.0f, nullptr, &q, &move);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 0, 0)), 10, 0, -2);
}

TEST(D3DXMatrix, DecomposeRecoversTheParts)
{
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, 0.5f, 0.2f, -0.3f);
    const D3DXVECTOR3 s(1, 2, 3), t(4, 5, 6);
    D3DXMATRIX m;
    D3DXMatrixTransformation(&m, nullptr, nullptr, &s, nullptr, &q, &t);
    D3DXVECTOR3 os, ot;
    D3DXQUATERNION oq;
    ASSERT_EQ(D3DXMatrixDecompose(&os, &oq, &ot, &m), S_OK);
    ExpectVec3(os, 1, 2, 3, 1e-4f);
    ExpectVec3(ot, 4, 5, 6);
    ExpectSameRotation(oq, q);

    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 1, 0, 1);
    EXPECT_TRUE(FAILED(D3DXMatrixDecompose(&os, &oq, &ot, &flat)));
}

TEST(D3DXMatrix, LookAtLHPutsTheTargetOnPlusZ)
{
    D3DXMATRIX v;
    const D3DXVECTOR3 eye(0, 0, -5), origin(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&v, &eye, &origin, &up);
    D3DXMATRIX expected;
    ExpectMatrix(v, *D3DXMatrixTranslation(&expected, 0, 0, 5));

    // Looking along +X from the origin: world -Z is to the right.
    const D3DXVECTOR3 east(1, 0, 0);
    D3DXMatrixLookAtLH(&v, &origin, &east, &up);
    ExpectMatrix(v, D3DXMATRIX(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1));
    ExpectVec3(Apply(v, D3DXVECTOR3(3, 0, 0)), 0, 0, 3);
    ExpectVec3(Apply(v, D3DXVECTOR3(0, 0, -1)), 1, 0, 0);

    // Right-handed looks down -Z.
    D3DXMatrixLookAtRH(&v, &eye, &origin, &up);
    ExpectVec3(Apply(v, origin), 0, 0, -5);
}

TEST(D3DXMatrix, PerspectiveFovLHMapsNearAndFarToZeroAndOne)
{
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, kHalfPi, 1.0f, 1.0f, 101.0f);
    ExpectMatrix(p, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0));
    ExpectVec3(Apply(p, D3DXVECTOR3(1, 1, 1)), 1, 1, 0);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, 101)), 0, 0, 1);

    // The aspect ratio narrows x: fov 60 degrees, aspect 2.
    D3DXMatrixPerspectiveFovLH(&p, kPi / 3.0f, 2.0f, 0.5f, 10.0f);
    const float ys = 1.0f / std::tan(kPi / 6.0f);
    EXPECT_NEAR(p._22, ys, 1e-5f);
    EXPECT_NEAR(p._11, ys / 2.0f, 1e-5f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._44, 0.0f);

    D3DXMatrixPerspectiveFovRH(&p, kHalfPi, 1.0f, 1.0f, 101.0f);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, -1)), 0, 0, 0);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, -101)), 0, 0, 1);

    D3DXMatrixPerspectiveLH(&p, 2.0f, 2.0f, 1.0f, 101.0f);
    ExpectVec3(Apply(p, D3DXVECTOR3(1, 1, 1)), 1, 1, 0);
    D3DXMatrixPerspectiveOffCenterLH(&p, 0.0f, 2.0f, 0.0f, 2.0f, 1.0f, 101.0f);
    ExpectVec3(Apply(p, D3DXVECTOR3(2, 2, 1)), 1, 1, 0);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, 1)), -1, -1, 0);
}

TEST(D3DXMatrix, OrthographicProjections)
{
    D3DXMATRIX p;
    D3DXMatrixOrthoLH(&p, 4.0f, 2.0f, 1.0f, 11.0f);
    ExpectMatrix(p, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.1f, 0, 0, 0, -0.1f, 1));
    ExpectVec3(Apply(p, D3DXVECTOR3(2, 1, 1)), 1, 1, 0);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, 11)), 0, 0, 1);
    D3DXMatrixOrthoRH(&p, 4.0f, 2.0f, 1.0f, 11.0f);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, -11)), 0, 0, 1);
    D3DXMatrixOrthoOffCenterLH(&p, 0.0f, 4.0f, 0.0f, 2.0f, 0.0f, 10.0f);
    ExpectVec3(Apply(p, D3DXVECTOR3(0, 0, 0)), -1, -1, 0);
    ExpectVec3(Apply(p, D3DXVECTOR3(4, 2, 10)), 1, 1, 1);
}

TEST(D3DXMatrix, ReflectMirrorsInThePlane)
{
    const D3DXPLANE ground(0, 2, 0, 0); // y = 0, unnormalised
    D3DXMATRIX m;
    D3DXMatrixReflect(&m, &ground);
    ExpectVec3(Apply(m, D3DXVECTOR3(1, 2, 3)), 1, -2, 3);
    const D3DXPLANE wall(1, 0, 0, -4); // x = 4
    D3DXMatrixReflect(&m, &wall);
    ExpectVec3(Apply(m, D3DXVECTOR3(5, 1, 1)), 3, 1, 1);
}

TEST(D3DXMatrix, ElementAccessAndArithmetic)
{
    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(m(1, 2), 7.0f);
    m(3, 0) = -1.0f;
    EXPECT_EQ(m._41, -1.0f);
    const D3DXMATRIX two = Identity() * 2.0f;
    EXPECT_EQ((two + two)._22, 4.0f);
    EXPECT_EQ((two - Identity())._33, 1.0f);
    EXPECT_EQ((two / 2.0f)._44, 1.0f);
    EXPECT_TRUE(two / 2.0f == Identity());
}

TEST(D3DXMatrix, ProductsAndTransformationsMatchTheirDefinitionsForAnyInput)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> d(-2.0f, 2.0f);
    for (int round = 0; round < 200; ++round)
    {
        // The product element by element, also written over either operand.
        const D3DXMATRIX a = RandomMatrix(rng), b = RandomMatrix(rng);
        D3DXMATRIX expected;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                expected.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                                   a.m[i][3] * b.m[3][j];
        D3DXMATRIX r, left = a, right = b;
        EXPECT_EQ(*D3DXMatrixMultiply(&r, &a, &b), expected);
        EXPECT_EQ(*D3DXMatrixMultiply(&left, &left, &b), expected);
        EXPECT_EQ(*D3DXMatrixMultiply(&right, &a, &right), expected);

        // Scale, rotation and translation, each possibly missing: the
        // product of their matrices.
        const D3DXVECTOR3 scale(d(rng), d(rng), d(rng)), move(d(rng), d(rng), d(rng));
        D3DXQUATERNION q(d(rng), d(rng), d(rng), d(rng));
        D3DXQuaternionNormalize(&q, &q);
        const bool withScale = round & 1, withRotation = round & 2, withMove = round & 4;
        D3DXMATRIX s, rot, t;
        D3DXMatrixScaling(&s, withScale ? scale.x : 1, withScale ? scale.y : 1, withScale ? scale.z : 1);
        if (withRotation)
            D3DXMatrixRotationQuaternion(&rot, &q);
        else
            D3DXMatrixIdentity(&rot);
        D3DXMatrixTranslation(&t, withMove ? move.x : 0, withMove ? move.y : 0, withMove ? move.z : 0);
        D3DXMatrixTransformation(&r, nullptr, nullptr, withScale ? &scale : nullptr, nullptr,
                                 withRotation ? &q : nullptr, withMove ? &move : nullptr);
        ExpectMatrix(r, s * rot * t);
    }
}
