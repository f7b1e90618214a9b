// Vectors against hand-worked values.
#include "d3dx_expect.h"

TEST(D3DXVector, OperatorsWorkComponentWise)
{
    const D3DXVECTOR3 a(1, 2, 3), b(4, -5, 6);
    ExpectVec3(a + b, 5, -3, 9);
    ExpectVec3(a - b, -3, 7, -3);
    ExpectVec3(a * 2.0f, 2, 4, 6);
    ExpectVec3(2.0f * a, 2, 4, 6);
    ExpectVec3(b / 2.0f, 2, -2.5f, 3);
    ExpectVec3(-a, -1, -2, -3);
    D3DXVECTOR3 c = a;
    c += b;
    c *= 0.5f;
    ExpectVec3(c, 2.5f, -1.5f, 4.5f);
    EXPECT_TRUE(a == D3DXVECTOR3(1, 2, 3));
    EXPECT_TRUE(a != b);

    const float raw[3] = {7, 8, 9};
    ExpectVec3(D3DXVECTOR3(raw), 7, 8, 9);
    const float* p = a;
    EXPECT_EQ(p[2], 3.0f);

    ExpectVec2(D3DXVECTOR2(1, 2) + D3DXVECTOR2(3, 4), 4, 6);
    ExpectVec4(D3DXVECTOR4(D3DXVECTOR3(1, 2, 3), 4) * 2.0f, 2, 4, 6, 8);
}

TEST(D3DXVector, LengthDotCross)
{
    const D3DXVECTOR3 a(1, 2, 3), b(4, -5, 6), v345(3, 4, 0);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 12.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v345), 5.0f);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&v345), 25.0f);

    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    D3DXVECTOR3 r;
    ExpectVec3(*D3DXVec3Cross(&r, &x, &y), 0, 0, 1);
    ExpectVec3(*D3DXVec3Cross(&r, &y, &z), 1, 0, 0);
    ExpectVec3(*D3DXVec3Cross(&r, &z, &x), 0, 1, 0);
    ExpectVec3(*D3DXVec3Cross(&r, &y, &x), 0, 0, -1);
    // (1,2,3) x (4,-5,6) = (2*6 - 3*-5, 3*4 - 1*6, 1*-5 - 2*4)
    ExpectVec3(*D3DXVec3Cross(&r, &a, &b), 27, 6, -13);

    const D3DXVECTOR2 u(1, 0), w(0, 1), v34(3, 4);
    EXPECT_FLOAT_EQ(D3DXVec2CCW(&u, &w), 1.0f);
    EXPECT_FLOAT_EQ(D3DXVec2CCW(&w, &u), -1.0f);
    EXPECT_FLOAT_EQ(D3DXVec2Length(&v34), 5.0f);
    const D3DXVECTOR4 q(1, 2, 2, 4);
    EXPECT_FLOAT_EQ(D3DXVec4Length(&q), 5.0f);
}

TEST(D3DXVector, NormalizeScalesToUnitAndKeepsZero)
{
    D3DXVECTOR3 r;
    const D3DXVECTOR3 v(0, 3, 4), zero(0, 0, 0);
    ExpectVec3(*D3DXVec3Normalize(&r, &v), 0, 0.6f, 0.8f);
    ExpectVec3(*D3DXVec3Normalize(&r, &zero), 0, 0, 0);
    D3DXVECTOR2 r2;
    const D3DXVECTOR2 v2(0, -2), zero2(0, 0);
    ExpectVec2(*D3DXVec2Normalize(&r2, &v2), 0, -1);
    ExpectVec2(*D3DXVec2Normalize(&r2, &zero2), 0, 0);
    D3DXVECTOR4 r4;
    const D3DXVECTOR4 v4(0, 0, 0, 5), zero4(0, 0, 0, 0);
    ExpectVec4(*D3DXVec4Normalize(&r4, &v4), 0, 0, 0, 1);
    ExpectVec4(*D3DXVec4Normalize(&r4, &zero4), 0, 0, 0, 0);
    // In place.
    D3DXVECTOR3 w(2, 0, 0);
    ExpectVec3(*D3DXVec3Normalize(&w, &w), 1, 0, 0);
}

TEST(D3DXVector, LerpMinMaxScaleBaryCentric)
{
    D3DXVECTOR3 r;
    const D3DXVECTOR3 o(0, 0, 0), a(2, 4, 6), b(-1, 5, 2);
    ExpectVec3(*D3DXVec3Lerp(&r, &o, &a, 0.25f), 0.5f, 1, 1.5f);
    ExpectVec3(*D3DXVec3Minimize(&r, &a, &b), -1, 4, 2);
    ExpectVec3(*D3DXVec3Maximize(&r, &a, &b), 2, 5, 6);
    ExpectVec3(*D3DXVec3Scale(&r, &b, -2), 2, -10, -4);
    ExpectVec3(*D3DXVec3Add(&r, &a, &b), 1, 9, 8);
    ExpectVec3(*D3DXVec3Subtract(&r, &a, &b), 3, -1, 4);
    ExpectVec3(*D3DXVec3BaryCentric(&r, &o, &a, &b, 0.5f, 1.0f), 0, 7, 5);
}

TEST(D3DXVector, HermiteAndCatmullRomPassThroughTheirKeys)
{
    const D3DXVECTOR3 p0(0, 0, 0), p1(1, 0, 0), p2(2, 1, 0), p3(3, 3, 0), t(1, 0, 0);
    D3DXVECTOR3 r;
    ExpectVec3(*D3DXVec3Hermite(&r, &p1, &t, &p2, &t, 0.0f), 1, 0, 0);
    ExpectVec3(*D3DXVec3Hermite(&r, &p1, &t, &p2, &t, 1.0f), 2, 1, 0);
    // Half way: (p1 + p2)/2 + (t1 - t2)/8 = (1.5, 0.5, 0).
    ExpectVec3(*D3DXVec3Hermite(&r, &p1, &t, &p2, &t, 0.5f), 1.5f, 0.5f, 0);
    ExpectVec3(*D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.0f), 1, 0, 0);
    ExpectVec3(*D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 1.0f), 2, 1, 0);
    // Tangents (p2 - p0)/2 = (1, .5, 0) and (p3 - p1)/2 = (1, 1.5, 0); at 0.5:
    // (p1 + p2)/2 + (t1 - t2)/8 = (1.5, 0.5 - 0.125, 0).
    ExpectVec3(*D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.5f), 1.5f, 0.375f, 0);
}

TEST(D3DXVector, TransformUsesRowVectorsAndFourthRowAsTranslation)
{
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 10, 20, 30);
    const D3DXVECTOR3 p(1, 2, 3);
    D3DXVECTOR4 r4;
    ExpectVec4(*D3DXVec3Transform(&r4, &p, &t), 11, 22, 33, 1);
    D3DXVECTOR3 r;
    ExpectVec3(*D3DXVec3TransformCoord(&r, &p, &t), 11, 22, 33);
    ExpectVec3(*D3DXVec3TransformNormal(&r, &p, &t), 1, 2, 3);

    // A general matrix, worked by hand: (1,2,3,1) x M.
    const D3DXMATRIX m(1, 2, 3, 0, 0, 1, 0, 1, 2, 0, 1, 0, 1, 1, 1, 2);
    ExpectVec4(*D3DXVec3Transform(&r4, &p, &m), 1 + 0 + 6 + 1, 2 + 2 + 0 + 1, 3 + 0 + 3 + 1, 0 + 2 + 0 + 2);
    ExpectVec3(*D3DXVec3TransformCoord(&r, &p, &m), 8.0f / 4, 5.0f / 4, 7.0f / 4);
    ExpectVec3(*D3DXVec3TransformNormal(&r, &p, &m), 7, 4, 6);
    const D3DXVECTOR4 p4(1, 2, 3, 0);
    ExpectVec4(*D3DXVec4Transform(&r4, &p4, &m), 7, 4, 6, 2);

    const D3DXVECTOR2 q(1, 2);
    D3DXVECTOR2 r2;
    ExpectVec4(*D3DXVec2Transform(&r4, &q, &m), 2, 5, 4, 4);
    ExpectVec2(*D3DXVec2TransformCoord(&r2, &q, &m), 0.5f, 1.25f);
    ExpectVec2(*D3DXVec2TransformNormal(&r2, &q, &m), 1, 4);
}

TEST(D3DXVector, ArrayTransformsHonourStrides)
{
    struct Vertex
    {
        D3DXVECTOR3 pos;
        float pad;
    };
    Vertex in[3] = {{D3DXVECTOR3(1, 0, 0), 7}, {D3DXVECTOR3(0, 1, 0), 7}, {D3DXVECTOR3(0, 0, 1), 7}};
    D3DXVECTOR3 out[3];
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 1, 1, 1);
    D3DXVec3TransformCoordArray(out, sizeof(D3DXVECTOR3), &in[0].pos, sizeof(Vertex), &t, 3);
    ExpectVec3(out[0], 2, 1, 1);
    ExpectVec3(out[2], 1, 1, 2);
    D3DXVec3TransformNormalArray(&in[0].pos, sizeof(Vertex), &in[0].pos, sizeof(Vertex), &t, 3);
    ExpectVec3(in[1].pos, 0, 1, 0);
    EXPECT_EQ(in[1].pad, 7.0f);
}
