// Planes and colours against hand-worked values.
#include "d3dx_expect.h"

namespace
{
void ExpectPlane(const D3DXPLANE& p, float a, float b, float c, float d)
{
    EXPECT_NEAR(p.a, a, kEps);
    EXPECT_NEAR(p.b, b, kEps);
    EXPECT_NEAR(p.c, c, kEps);
    EXPECT_NEAR(p.d, d, kEps);
}
} // namespace

TEST(D3DXPlane, FromPointsUsesTheWindingOfTheThreePoints)
{
    D3DXPLANE p;
    const D3DXVECTOR3 o(0, 0, 0), y(0, 1, 0), x(1, 0, 0);
    // (v2 - v1) x (v3 - v1) = (0,1,0) x (1,0,0) = (0,0,-1).
    ExpectPlane(*D3DXPlaneFromPoints(&p, &o, &y, &x), 0, 0, -1, 0);
    ExpectPlane(*D3DXPlaneFromPoints(&p, &o, &x, &y), 0, 0, 1, 0);
    const D3DXVECTOR3 a(0, 0, 5), b(2, 0, 5), c(0, 3, 5);
    ExpectPlane(*D3DXPlaneFromPoints(&p, &a, &b, &c), 0, 0, 1, -5);
    // Three points on a line give no plane, and no NaN.
    const D3DXVECTOR3 l2(1, 1, 1), l3(2, 2, 2);
    ExpectPlane(*D3DXPlaneFromPoints(&p, &o, &l2, &l3), 0, 0, 0, 0);
}

TEST(D3DXPlane, DotsNormalizeAndPointNormal)
{
    const D3DXPLANE p(0, 0, 1, -5);
    const D3DXVECTOR3 v(3, 4, 7);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &v), 2.0f);
    EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&p, &v), 7.0f);
    const D3DXVECTOR4 v4(3, 4, 7, 2);
    EXPECT_FLOAT_EQ(D3DXPlaneDot(&p, &v4), -3.0f);

    D3DXPLANE r;
    const D3DXPLANE q(0, 0, 2, -10);
    ExpectPlane(*D3DXPlaneNormalize(&r, &q), 0, 0, 1, -5);
    const D3DXPLANE zero(0, 0, 0, 3);
    ExpectPlane(*D3DXPlaneNormalize(&r, &zero), 0, 0, 0, 0);
    ExpectPlane(*D3DXPlaneScale(&r, &q, 0.5f), 0, 0, 1, -5);

    const D3DXVECTOR3 point(1, 2, 3), normal(0, 2, 0);
    ExpectPlane(*D3DXPlaneFromPointNormal(&r, &point, &normal), 0, 2, 0, -4);
}

TEST(D3DXPlane, IntersectLineIsInfiniteAndRefusesParallelLines)
{
    const D3DXPLANE p(0, 0, 1, -5);
    D3DXVECTOR3 hit(9, 9, 9);
    const D3DXVECTOR3 a(1, 2, 0), b(1, 2, 10), c(1, 2, 2), d(4, 2, 0);
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &p, &a, &b), nullptr);
    ExpectVec3(hit, 1, 2, 5);
    // Beyond the second point still counts: the line is not a segment.
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &p, &a, &c), nullptr);
    ExpectVec3(hit, 1, 2, 5);
    hit = D3DXVECTOR3(9, 9, 9);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &p, &a, &d), nullptr);
    ExpectVec3(hit, 9, 9, 9);
}

TEST(D3DXPlane, TransformTakesTheInverseTranspose)
{
    // Move the ground plane y = 0 up by 3.
    D3DXMATRIX t, inv, it;
    D3DXMatrixTranslation(&t, 0, 3, 0);
    D3DXMatrixInverse(&inv, nullptr, &t);
    D3DXMatrixTranspose(&it, &inv);
    const D3DXPLANE ground(0, 1, 0, 0);
    D3DXPLANE r;
    ExpectPlane(*D3DXPlaneTransform(&r, &ground, &it), 0, 1, 0, -3);
}

TEST(D3DXColor, PacksAndUnpacksArgb)
{
    const D3DXCOLOR c(0x80FF4000u);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
    EXPECT_EQ(static_cast<DWORD>(c), 0x80FF4000u);
    // Out-of-range channels clamp; 0.5 rounds to 128.
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
    const D3DCOLORVALUE& v = c;
    EXPECT_FLOAT_EQ(v.r, 1.0f);
}

TEST(D3DXColor, Operations)
{
    const D3DXCOLOR a(0.2f, 0.4f, 0.6f, 1.0f), b(1.0f, 0.5f, 0.0f, 0.5f);
    D3DXCOLOR r;
    D3DXColorLerp(&r, &a, &b, 0.5f);
    EXPECT_FLOAT_EQ(r.r, 0.6f);
    EXPECT_FLOAT_EQ(r.a, 0.75f);
    D3DXColorModulate(&r, &a, &b);
    EXPECT_FLOAT_EQ(r.g, 0.2f);
    EXPECT_FLOAT_EQ(r.b, 0.0f);
    D3DXColorNegative(&r, &a);
    EXPECT_FLOAT_EQ(r.r, 0.8f);
    EXPECT_FLOAT_EQ(r.a, 1.0f);
    D3DXColorAdjustContrast(&r, &a, 2.0f);
    EXPECT_NEAR(r.r, -0.1f, 1e-6f);
    EXPECT_NEAR(r.b, 0.7f, 1e-6f);
    // Saturation 0 leaves the grey of the same luminance.
    D3DXColorAdjustSaturation(&r, &b, 0.0f);
    const float grey = 0.2125f + 0.5f * 0.7154f;
    EXPECT_NEAR(r.r, grey, 1e-6f);
    EXPECT_NEAR(r.g, grey, 1e-6f);
    EXPECT_FLOAT_EQ(r.a, 0.5f);
    D3DXColorAdd(&r, &a, &b);
    EXPECT_FLOAT_EQ(r.r, 1.2f);
    D3DXColorSubtract(&r, &a, &b);
    EXPECT_FLOAT_EQ(r.g, -0.1f);
    D3DXColorScale(&r, &a, 2.0f);
    EXPECT_FLOAT_EQ(r.b, 1.2f);
}
