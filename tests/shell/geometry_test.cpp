// Segment queries: hits, misses and grazing cases for each test function.
#include "shell/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

struct P
{
    float v[3];
    operator const float*() const { return v; }
};

// The squared distance between two segments by convex minimisation in double:
// g(s) = min over t of |P(s) - Q(t)|^2 is convex in s, so ternary search finds it.
double BruteDistance(const P& p0, const P& p1, const P& q0, const P& q1)
{
    double d0[3], d1[3];
    for (int i = 0; i < 3; ++i)
    {
        d0[i] = double(p1.v[i]) - p0.v[i];
        d1[i] = double(q1.v[i]) - q0.v[i];
    }
    const double c = d1[0] * d1[0] + d1[1] * d1[1] + d1[2] * d1[2];
    auto g = [&](double s)
    {
        double ps[3], w[3];
        for (int i = 0; i < 3; ++i)
        {
            ps[i] = p0.v[i] + s * d0[i];
            w[i] = ps[i] - q0.v[i];
        }
        double t = c > 0 ? (w[0] * d1[0] + w[1] * d1[1] + w[2] * d1[2]) / c : 0.0;
        t = std::fmin(1.0, std::fmax(0.0, t));
        double r = 0;
        for (int i = 0; i < 3; ++i)
        {
            const double e = ps[i] - (q0.v[i] + t * d1[i]);
            r += e * e;
        }
        return r;
    };
    double lo = 0, hi = 1;
    for (int i = 0; i < 200; ++i)
    {
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (g(m1) <= g(m2))
            hi = m2;
        else
            lo = m1;
    }
    return std::fmin(g((lo + hi) / 2), std::fmin(g(0), g(1)));
}

const P kUnitBox[8] = {{{0, 0, 0}}, {{1, 0, 0}}, {{1, 1, 0}}, {{0, 1, 0}},
                       {{0, 0, 1}}, {{1, 0, 1}}, {{1, 1, 1}}, {{0, 1, 1}}};

void Corners(const P box[8], float out[8][3])
{
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k)
            out[i][k] = box[i].v[k];
}
} // namespace

TEST(GeomTransformPoint, UsesTheFourthRowAndDoesNotDivide)
{
    const D3DXMATRIX m(1, 2, 3, 0, 0, 1, 0, 1, 2, 0, 1, 0, 1, 1, 1, 2);
    float out[3];
    Geom::TransformPoint(out, P{{1, 2, 3}}, &m);
    EXPECT_FLOAT_EQ(out[0], 8.0f);
    EXPECT_FLOAT_EQ(out[1], 5.0f);
    EXPECT_FLOAT_EQ(out[2], 7.0f);
}

TEST(GeomPerpendicularVector, Cases)
{
    struct Case
    {
        P v, expected;
    } cases[] = {
        {{{0, 0, 2}}, {{2, 2, 0}}},
        {{{3, 0, 0}}, {{0, 3, 3}}},
        {{{0, -4, 0}}, {{4, 0, 4}}},
        {{{0, 0, 0}}, {{0, 0, 0}}},
    };
    for (const auto& c : cases)
    {
        float out[3];
        Geom::PerpendicularVector(out, c.v);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(out[i], c.expected.v[i], 1e-6f) << "component " << i;
    }
    // Any vector: the result is perpendicular.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> d(-10, 10);
    for (int i = 0; i < 100; ++i)
    {
        const P v{{d(rng), d(rng), d(rng)}};
        float out[3];
        Geom::PerpendicularVector(out, v);
        const float dot = out[0] * v.v[0] + out[1] * v.v[1] + out[2] * v.v[2];
        EXPECT_NEAR(dot, 0.0f, 1e-3f);
    }
}

TEST(GeomSegmentSegmentDistance, HandWorkedCases)
{
    struct Case
    {
        const char* name;
        P p0, p1, q0, q1;
        float dist, s, t;
    } cases[] = {
        {"crossing", {{-1, 0, 0}}, {{1, 0, 0}}, {{0, -1, 0}}, {{0, 1, 0}}, 0, 0.5f, 0.5f},
        {"skew above", {{0, 0, 0}}, {{1, 0, 0}}, {{0.5f, 1, -1}}, {{0.5f, 1, 1}}, 1, 0.5f, 0.5f},
        {"end to end, in line", {{0, 0, 0}}, {{1, 0, 0}}, {{2, 0, 0}}, {{3, 0, 0}}, 1, 1, 0},
        {"corner", {{0, 0, 0}}, {{1, 0, 0}}, {{2, 1, 0}}, {{3, 5, 0}}, 2, 1, 0},
        {"T, stem short of the bar", {{-1, 2, 0}}, {{1, 2, 0}}, {{0, -3, 0}}, {{0, 0, 0}}, 4, 0.5f, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        float s = -1, t = -1;
        EXPECT_NEAR(Geom::SegmentSegmentDistance(c.p0, c.p1, c.q0, c.q1, &s, &t), c.dist, 1e-5f);
        EXPECT_NEAR(s, c.s, 1e-5f);
        EXPECT_NEAR(t, c.t, 1e-5f);
    }
    // Parallel: only the distance is defined.
    EXPECT_NEAR(Geom::SegmentSegmentDistance(P{{0, 0, 0}}, P{{1, 0, 0}}, P{{0, 1, 0}}, P{{1, 1, 0}}), 1.0f,
                1e-6f);
    // Parallel, opposite directions, overlapping.
    EXPECT_NEAR(Geom::SegmentSegmentDistance(P{{0, 0, 0}}, P{{2, 0, 0}}, P{{3, 0, 1}}, P{{1, 0, 1}}), 1.0f,
                1e-6f);
    // A point against a segment.
    EXPECT_NEAR(Geom::SegmentSegmentDistance(P{{0, 3, 0}}, P{{0, 3, 0}}, P{{-1, 0, 0}}, P{{1, 0, 0}}), 9.0f,
                1e-5f);
}

TEST(GeomSegmentSegmentDistance, AgreesWithBruteForceInEveryRegion)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> d(-3, 3);
    for (int i = 0; i < 2000; ++i)
    {
        const P p0{{d(rng), d(rng), d(rng)}}, p1{{d(rng), d(rng), d(rng)}};
        P q0{{d(rng), d(rng), d(rng)}}, q1{{d(rng), d(rng), d(rng)}};
        if (i % 4 == 0)
        {
            // Nearly or exactly parallel pairs.
            const float k = (i % 8 == 0) ? 1.0f : -0.7f;
            for (int j = 0; j < 3; ++j)
                q1.v[j] = q0.v[j] + k * (p1.v[j] - p0.v[j]);
        }
        float s = -1, t = -1;
        const float got = Geom::SegmentSegmentDistance(p0, p1, q0, q1, &s, &t);
        const double want = BruteDistance(p0, p1, q0, q1);
        ASSERT_NEAR(got, want, 1e-3 * (1.0 + want)) << "pair " << i;
        ASSERT_GE(s, 0.0f);
        ASSERT_LE(s, 1.0f);
        ASSERT_GE(t, 0.0f);
        ASSERT_LE(t, 1.0f);
    }
}

TEST(GeomSphereTest, HitsMissesAndTouches)
{
    const P origin{{0, 0, 0}};
    struct Case
    {
        const char* name;
        P p0, p1;
        float r;
        bool hit;
    } cases[] = {
        {"through the centre", {{-5, 0, 0}}, {{5, 0, 0}}, 1, true},
        {"passes by", {{-5, 2, 0}}, {{5, 2, 0}}, 1.9f, false},
        {"grazes (touching counts)", {{-5, 2, 0}}, {{5, 2, 0}}, 2, true},
        {"stops short: nearest is P1", {{-5, 0, 0}}, {{-2, 0, 0}}, 1.9f, false},
        {"stops at the surface", {{-5, 0, 0}}, {{-2, 0, 0}}, 2, true},
        {"starts beyond: nearest is P0", {{2, 0, 0}}, {{5, 0, 0}}, 2, true},
        {"zero length at exactly r", {{3, 0, 0}}, {{3, 0, 0}}, 3, true},
        {"zero length outside", {{3, 0, 0}}, {{3, 0, 0}}, 2.99f, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Geom::SphereTest(c.p0, c.p1, origin, c.r), c.hit) << c.name;
}

TEST(GeomIntersectSegmentSphere, HitsMissesAndTangents)
{
    const P origin{{0, 0, 0}};
    struct Case
    {
        const char* name;
        P p0, p1;
        bool hit;
        float t;
    } cases[] = {
        {"enters from outside", {{-5, 0, 0}}, {{5, 0, 0}}, true, 0.4f},
        {"starts inside: the exit", {{0, 0, 0}}, {{5, 0, 0}}, true, 0.2f},
        {"tangent does not count", {{-5, 1, 0}}, {{5, 1, 0}}, false, 0},
        {"stops short", {{-5, 0, 0}}, {{-3, 0, 0}}, false, 0},
        {"wholly inside crosses nothing", {{-0.5f, 0, 0}}, {{0.5f, 0, 0}}, false, 0},
        {"zero length", {{-1, 0, 0}}, {{-1, 0, 0}}, false, 0},
        {"ends on the surface", {{-5, 0, 0}}, {{-1, 0, 0}}, true, 1.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        float t = -7;
        EXPECT_EQ(Geom::IntersectSegmentSphere(c.p0, c.p1, origin, 1.0f, &t), c.hit);
        if (c.hit)
            EXPECT_NEAR(t, c.t, 1e-5f);
        else
            EXPECT_EQ(t, -7.0f);
    }
}

// Far from the origin a small sphere is still met where it is: the squares of
// the coordinates are large next to the squared radius.
TEST(GeomIntersectSegmentSphere, SmallSpheresFarFromTheOrigin)
{
    const P centre{{1000.0f, 500.0f, -800.0f}};
    const P p0{{990.0f, 500.0f, -800.0f}}, p1{{1010.0f, 500.0f, -800.0f}};
    float t = -1;
    ASSERT_TRUE(Geom::IntersectSegmentSphere(p0, p1, centre, 0.1f, &t));
    EXPECT_NEAR(t, 0.495f, 1e-4f);
    const P q0{{990.0f, 500.3f, -800.0f}}, q1{{1010.0f, 500.3f, -800.0f}};
    EXPECT_FALSE(Geom::IntersectSegmentSphere(q0, q1, centre, 0.1f, &t));
}

TEST(GeomTriangle, HitsMissesAndGrazes)
{
    const P v0{{0, 0, 0}}, v1{{1, 0, 0}}, v2{{0, 1, 0}};
    struct Case
    {
        const char* name;
        P p0, p1;
        bool hit;
    } cases[] = {
        {"through the inside", {{0.25f, 0.25f, -1}}, {{0.25f, 0.25f, 1}}, true},
        {"from the other side", {{0.25f, 0.25f, 1}}, {{0.25f, 0.25f, -1}}, true},
        {"beside it", {{1, 1, -1}}, {{1, 1, 1}}, false},
        {"through an edge", {{0.5f, 0, -1}}, {{0.5f, 0, 1}}, true},
        {"through the long edge", {{0.5f, 0.5f, -1}}, {{0.5f, 0.5f, 1}}, true},
        {"through a corner", {{0, 0, -1}}, {{0, 0, 1}}, true},
        {"lying in the plane", {{-1, 0.25f, 0}}, {{2, 0.25f, 0}}, false},
        {"ending on the triangle", {{0.25f, 0.25f, 0}}, {{0.25f, 0.25f, 1}}, false},
        {"short of the plane", {{0.25f, 0.25f, 1}}, {{0.25f, 0.25f, 2}}, false},
        {"slanted through", {{-1, -1, -1}}, {{1.5f, 1.5f, 1}}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Geom::SegmentHitsTriangle(c.p0, c.p1, v0, v1, v2), c.hit) << c.name;

    // A degenerate triangle is never hit.
    EXPECT_FALSE(Geom::SegmentHitsTriangle(P{{0.5f, 0, -1}}, P{{0.5f, 0, 1}}, v0, v1, P{{2, 0, 0}}));

    float hit[3] = {}, t = -1;
    ASSERT_TRUE(Geom::IntersectTriangle(P{{0.25f, 0.25f, -1}}, P{{0.25f, 0.25f, 3}}, v0, v1, v2, hit, &t));
    EXPECT_FLOAT_EQ(t, 0.25f);
    EXPECT_FLOAT_EQ(hit[0], 0.25f);
    EXPECT_FLOAT_EQ(hit[1], 0.25f);
    EXPECT_FLOAT_EQ(hit[2], 0.0f);
    // Crossing the plane outside the triangle still reports t and the point.
    EXPECT_FALSE(Geom::IntersectTriangle(P{{2, 2, -1}}, P{{2, 2, 1}}, v0, v1, v2, hit, &t));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(hit[0], 2.0f);
}

TEST(GeomIntersectBox, HitsMissesAndGrazes)
{
    const P lo{{0, 0, 0}}, hi{{1, 1, 1}};
    struct Case
    {
        const char* name;
        P p0, p1;
        bool hit;
    } cases[] = {
        {"wholly inside", {{0.2f, 0.2f, 0.2f}}, {{0.8f, 0.8f, 0.8f}}, true},
        {"straight through", {{-1, 0.5f, 0.5f}}, {{2, 0.5f, 0.5f}}, true},
        {"through along z", {{0.5f, 0.5f, -3}}, {{0.5f, 0.5f, 3}}, true},
        {"passes above", {{-1, 2, 0.5f}}, {{2, 2, 0.5f}}, false},
        {"along an edge", {{-1, 1, 1}}, {{2, 1, 1}}, true},
        {"end on a face", {{1, 0.5f, 0.5f}}, {{2, 0.5f, 0.5f}}, true},
        {"stops short", {{-2, 0.5f, 0.5f}}, {{-0.1f, 0.5f, 0.5f}}, false},
        {"cuts past a corner", {{2, 0.5f, 0.5f}}, {{0.5f, 2, 0.5f}}, false},
        {"diagonal through", {{-1, -1, -1}}, {{2, 2, 2}}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Geom::IntersectBox(c.p0, c.p1, lo, hi), c.hit) << c.name;
}

TEST(GeomIntersectSegmentBoxFaces, AxisAlignedCases)
{
    float box[8][3];
    Corners(kUnitBox, box);
    struct Case
    {
        const char* name;
        P p0, p1;
        bool hit;
    } cases[] = {
        {"wholly inside", {{0.2f, 0.2f, 0.2f}}, {{0.8f, 0.8f, 0.8f}}, true},
        {"one end inside", {{0.5f, 0.5f, 0.5f}}, {{5, 5, 5}}, true},
        {"straight through", {{-1, 0.5f, 0.5f}}, {{2, 0.5f, 0.5f}}, true},
        {"both beyond one face", {{2, 0, 0}}, {{3, 1, 1}}, false},
        {"cuts past a corner", {{2, 0.5f, 0.5f}}, {{0.5f, 2, 0.5f}}, false},
        {"along a face", {{-1, 0.5f, 0}}, {{2, 0.5f, 0}}, true},
        {"diagonal through", {{-1, -1, -1}}, {{2, 2, 2}}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Geom::IntersectSegmentBoxFaces(c.p0, c.p1, box), c.hit) << c.name;
}

TEST(GeomIntersectSegmentBoxFaces, RotatedBoxUsesItsOwnFaces)
{
    // The unit cube centred on the origin, turned 45 degrees about Y: its
    // cross-section at y = 0 is a diamond reaching |x| + |z| <= 0.707.
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, kPi / 4);
    D3DXVECTOR3 rotated[8], straight[8];
    for (int i = 0; i < 8; ++i)
    {
        straight[i] = D3DXVECTOR3(kUnitBox[i].v[0] - 0.5f, kUnitBox[i].v[1] - 0.5f, kUnitBox[i].v[2] - 0.5f);
        D3DXVec3TransformCoord(&rotated[i], &straight[i], &turn);
    }
    const P a0{{0.6f, 0, -2}}, a1{{0.6f, 0, 2}};
    EXPECT_TRUE(Geom::IntersectSegmentBoxFaces(a0, a1, rotated));
    EXPECT_FALSE(Geom::IntersectSegmentBoxFaces(a0, a1, straight));
    const P b0{{0.75f, 0, -2}}, b1{{0.75f, 0, 2}};
    EXPECT_FALSE(Geom::IntersectSegmentBoxFaces(b0, b1, rotated));
}

TEST(GeomMatrixToAngles, ReadsBackYawPitchRoll)
{
    D3DXMATRIX m;
    float pitch = -1, yaw = -1, roll = -1;
    D3DXMatrixIdentity(&m);
    Geom::MatrixToAngles(&m, &pitch, &yaw, &roll);
    EXPECT_EQ(pitch, 0.0f);
    EXPECT_EQ(yaw, 0.0f);
    EXPECT_EQ(roll, 0.0f);

    D3DXMatrixRotationY(&m, kPi / 2);
    Geom::MatrixToAngles(&m, &pitch, &yaw, &roll);
    EXPECT_NEAR(yaw, kPi / 2, 1e-5f);
    EXPECT_NEAR(pitch, 0.0f, 1e-5f);
    EXPECT_NEAR(roll, 0.0f, 1e-5f);

    struct Case
    {
        float yaw, pitch, roll;
    } cases[] = {{0.5f, 0.3f, 0.2f},
                 {4.0f, -0.4f, 5.0f},
                 {-2.0f, 1.2f, -0.7f},
                 {3.0f, 0.0f, 3.0f},
                 {6.0f, -1.3f, 0.01f}};
    for (const auto& c : cases)
    {
        D3DXMatrixRotationYawPitchRoll(&m, c.yaw, c.pitch, c.roll);
        Geom::MatrixToAngles(&m, &pitch, &yaw, &roll);
        auto wrap = [](float a) { return std::fmod(a + 4 * kTwoPi, kTwoPi); };
        EXPECT_NEAR(yaw, wrap(c.yaw), 1e-4f);
        EXPECT_NEAR(pitch, wrap(c.pitch), 1e-4f);
        EXPECT_NEAR(roll, wrap(c.roll), 1e-4f);
        for (float a : {pitch, yaw, roll})
        {
            EXPECT_GE(a, 0.0f);
            EXPECT_LT(a, kTwoPi);
        }
    }
}

TEST(GeomMatrixToAngles, StraightUpAndDownGiveAnglesThatRebuildTheMatrix)
{
    // Looking straight up or down the heading is carried by roll and yaw
    // together; any split of them is right as long as it rebuilds the turn.
    const float cases[][3] = {
        {0, kPi / 2, 0}, {1.0f, kPi / 2, 0}, {0, -kPi / 2, 0.5f}, {2.0f, -kPi / 2, -1.0f}};
    for (const auto& c : cases)
    {
        D3DXMATRIX m, back;
        float pitch, yaw, roll;
        D3DXMatrixRotationYawPitchRoll(&m, c[0], c[1], c[2]);
        Geom::MatrixToAngles(&m, &pitch, &yaw, &roll);
        for (float a : {pitch, yaw, roll})
        {
            EXPECT_TRUE(std::isfinite(a));
            EXPECT_GE(a, 0.0f);
            EXPECT_LT(a, kTwoPi);
        }
        D3DXMatrixRotationYawPitchRoll(&back, yaw, pitch, roll);
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(back.m[r][k], m.m[r][k], 1e-3f);
    }
}
