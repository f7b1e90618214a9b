#pragma once
// Tolerant comparisons for the math tests.

#include "platform/d3dx/D3DXMath.h"

#include <gtest/gtest.h>

#include <cmath>

constexpr float kEps = 1e-5f;

inline void ExpectVec2(const D3DXVECTOR2& v, float x, float y, float eps = kEps)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
}

inline void ExpectVec3(const D3DXVECTOR3& v, float x, float y, float z, float eps = kEps)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

inline void ExpectVec4(const D3DXVECTOR4& v, float x, float y, float z, float w, float eps = kEps)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
    EXPECT_NEAR(v.w, w, eps);
}

inline void ExpectQuat(const D3DXQUATERNION& q, float x, float y, float z, float w, float eps = kEps)
{
    EXPECT_NEAR(q.x, x, eps);
    EXPECT_NEAR(q.y, y, eps);
    EXPECT_NEAR(q.z, z, eps);
    EXPECT_NEAR(q.w, w, eps);
}

// q and -q are the same rotation.
inline void ExpectSameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float eps = 1e-4f)
{
    const float s = D3DXQuaternionDot(&a, &b) < 0.0f ? -1.0f : 1.0f;
    ExpectQuat(a, s * b.x, s * b.y, s * b.z, s * b.w, eps);
}

inline void ExpectMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-4f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "element _" << r + 1 << c + 1;
}

inline D3DXVECTOR3 Apply(const D3DXMATRIX& m, const D3DXVECTOR3& p)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

constexpr float kHalfPi = 1.5707963f;
constexpr float kPi = 3.14159265f;
const float kRootHalf = std::sqrt(0.5f);
