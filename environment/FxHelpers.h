#pragma once
// Small helpers the effect code shares: the random draws, vector lengths and
// orientations built from directions.

#include "platform/d3dx/D3DXMath.h"
#include "shell/Orientation.h"

#include <cmath>
#include <cstdlib>

namespace fx
{
constexpr int kRandMask = 0x7FFF;
constexpr int kSpreadRange = 65536;
constexpr float kPi = 3.1415927410125732f;
constexpr float kTwoPi = 6.2831854820251465f;

// One draw of the shared generator, 0 to 32767.
inline int Draw()
{
    return std::rand() & kRandMask;
}

// A signed offset in (-r/2, r/2) for a positive spread, else 0.
inline float Spread(float r)
{
    if (!(r > 0.0f))
        return 0.0f;
    const bool positive = (Draw() & 1) != 0;
    const float magnitude = static_cast<float>(Draw() % kSpreadRange) / kSpreadRange * r;
    return positive ? magnitude : -magnitude;
}

inline float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// The unit vector, or zero for a zero vector.
inline D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    const float l = Length(v);
    return l > 0.0f ? D3DXVECTOR3(v.x / l, v.y / l, v.z / l) : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

inline float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The orientation that looks along the direction (the identity for none).
inline EOrientation Facing(const D3DXVECTOR3& dir)
{
    const D3DXVECTOR3 n = Normalised(dir);
    return EOrientation(&n);
}

inline bool IsZero(const D3DXVECTOR3& v)
{
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}
} // namespace fx
