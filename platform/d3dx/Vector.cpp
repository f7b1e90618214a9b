// D3DX vectors: the value types' operators and the Vec2/Vec3/Vec4 functions.
#include "platform/d3dx/D3DXMath.h"

#include <cmath>
#include <cstddef>

// ---------------------------------------------------------------------------
// D3DXVECTOR2

D3DXVECTOR2::D3DXVECTOR2(const FLOAT* p) : x(p ? p[0] : 0.0f), y(p ? p[1] : 0.0f) {}

D3DXVECTOR2& D3DXVECTOR2::operator+=(const D3DXVECTOR2& v)
{
    x += v.x;
    y += v.y;
    return *this;
}

D3DXVECTOR2& D3DXVECTOR2::operator-=(const D3DXVECTOR2& v)
{
    x -= v.x;
    y -= v.y;
    return *this;
}

D3DXVECTOR2& D3DXVECTOR2::operator*=(FLOAT f)
{
    x *= f;
    y *= f;
    return *this;
}

D3DXVECTOR2& D3DXVECTOR2::operator/=(FLOAT f)
{
    const FLOAT inv = 1.0f / f;
    x *= inv;
    y *= inv;
    return *this;
}

D3DXVECTOR2 D3DXVECTOR2::operator/(FLOAT f) const
{
    const FLOAT inv = 1.0f / f;
    return D3DXVECTOR2(x * inv, y * inv);
}

// ---------------------------------------------------------------------------
// D3DXVECTOR3

D3DXVECTOR3::D3DXVECTOR3(const FLOAT* p)
{
    x = p ? p[0] : 0.0f;
    y = p ? p[1] : 0.0f;
    z = p ? p[2] : 0.0f;
}

D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v)
{
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator*=(FLOAT f)
{
    x *= f;
    y *= f;
    z *= f;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator/=(FLOAT f)
{
    const FLOAT inv = 1.0f / f;
    x *= inv;
    y *= inv;
    z *= inv;
    return *this;
}

D3DXVECTOR3 D3DXVECTOR3::operator/(FLOAT f) const
{
    const FLOAT inv = 1.0f / f;
    return D3DXVECTOR3(x * inv, y * inv, z * inv);
}

// ---------------------------------------------------------------------------
// D3DXVECTOR4

D3DXVECTOR4::D3DXVECTOR4(const FLOAT* p)
    : x(p ? p[0] : 0.0f), y(p ? p[1] : 0.0f), z(p ? p[2] : 0.0f), w(p ? p[3] : 0.0f)
{
}

D3DXVECTOR4& D3DXVECTOR4::operator+=(const D3DXVECTOR4& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
    w += v.w;
    return *this;
}

D3DXVECTOR4& D3DXVECTOR4::operator-=(const D3DXVECTOR4& v)
{
    x -= v.x;
    y -= v.y;
    z -= v.z;
    w -= v.w;
    return *this;
}

D3DXVECTOR4& D3DXVECTOR4::operator*=(FLOAT f)
{
    x *= f;
    y *= f;
    z *= f;
    w *= f;
    return *this;
}

D3DXVECTOR4& D3DXVECTOR4::operator/=(FLOAT f)
{
    const FLOAT inv = 1.0f / f;
    return *this *= inv;
}

D3DXVECTOR4 D3DXVECTOR4::operator/(FLOAT f) const
{
    const FLOAT inv = 1.0f / f;
    return D3DXVECTOR4(x * inv, y * inv, z * inv, w * inv);
}

// ---------------------------------------------------------------------------
// 2D functions

FLOAT D3DXVec2Length(const D3DXVECTOR2* v)
{
    return std::sqrt(v->x * v->x + v->y * v->y);
}
FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* v)
{
    return v->x * v->x + v->y * v->y;
}
FLOAT D3DXVec2Dot(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2)
{
    return v1->x * v2->x + v1->y * v2->y;
}
FLOAT D3DXVec2CCW(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2)
{
    return v1->x * v2->y - v1->y * v2->x;
}

D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2)
{
    *out = D3DXVECTOR2(v1->x + v2->x, v1->y + v2->y);
    return out;
}

D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2)
{
    *out = D3DXVECTOR2(v1->x - v2->x, v1->y - v2->y);
    return out;
}

D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2)
{
    *out = D3DXVECTOR2(std::fmin(v1->x, v2->x), std::fmin(v1->y, v2->y));
    return out;
}

D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2)
{
    *out = D3DXVECTOR2(std::fmax(v1->x, v2->x), std::fmax(v1->y, v2->y));
    return out;
}

D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, FLOAT s)
{
    *out = D3DXVECTOR2(v->x * s, v->y * s);
    return out;
}

D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, FLOAT s)
{
    *out = D3DXVECTOR2(v1->x + s * (v2->x - v1->x), v1->y + s * (v2->y - v1->y));
    return out;
}

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v)
{
    const FLOAT len = D3DXVec2Length(v);
    if (len == 0.0f)
        *out = D3DXVECTOR2(0.0f, 0.0f);
    else
        *out = D3DXVECTOR2(v->x / len, v->y / len);
    return out;
}

D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y;
    *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + m->_41, x * m->_12 + y * m->_22 + m->_42,
                       x * m->_13 + y * m->_23 + m->_43, x * m->_14 + y * m->_24 + m->_44);
    return out;
}

D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m)
{
    D3DXVECTOR4 t;
    D3DXVec2Transform(&t, v, m);
    *out = D3DXVECTOR2(t.x / t.w, t.y / t.w);
    return out;
}

D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y;
    *out = D3DXVECTOR2(x * m->_11 + y * m->_21, x * m->_12 + y * m->_22);
    return out;
}

// ---------------------------------------------------------------------------
// 3D functions

FLOAT D3DXVec3Length(const D3DXVECTOR3* v)
{
    return std::sqrt(D3DXVec3LengthSq(v));
}
FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v)
{
    return v->x * v->x + v->y * v->y + v->z * v->z;
}
FLOAT D3DXVec3Dot(const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    return v1->x * v2->x + v1->y * v2->y + v1->z * v2->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = D3DXVECTOR3(v1->y * v2->z - v1->z * v2->y, v1->z * v2->x - v1->x * v2->z,
                       v1->x * v2->y - v1->y * v2->x);
    return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = D3DXVECTOR3(v1->x + v2->x, v1->y + v2->y, v1->z + v2->z);
    return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = D3DXVECTOR3(v1->x - v2->x, v1->y - v2->y, v1->z - v2->z);
    return out;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = D3DXVECTOR3(std::fmin(v1->x, v2->x), std::fmin(v1->y, v2->y), std::fmin(v1->z, v2->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = D3DXVECTOR3(std::fmax(v1->x, v2->x), std::fmax(v1->y, v2->y), std::fmax(v1->z, v2->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s)
{
    *out = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
    return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, FLOAT s)
{
    *out = D3DXVECTOR3(v1->x + s * (v2->x - v1->x), v1->y + s * (v2->y - v1->y), v1->z + s * (v2->z - v1->z));
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v)
{
    const FLOAT len = D3DXVec3Length(v);
    if (len == 0.0f)
        *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    else
        *out = D3DXVECTOR3(v->x / len, v->y / len, v->z / len);
    return out;
}

D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                                 const D3DXVECTOR3* v3, FLOAT f, FLOAT g)
{
    *out = *v1 + f * (*v2 - *v1) + g * (*v3 - *v1);
    return out;
}

D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1,
                             const D3DXVECTOR3* v2, const D3DXVECTOR3* t2, FLOAT s)
{
    const FLOAT s2 = s * s, s3 = s2 * s;
    const FLOAT h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const FLOAT h2 = s3 - 2.0f * s2 + s;
    const FLOAT h3 = -2.0f * s3 + 3.0f * s2;
    const FLOAT h4 = s3 - s2;
    *out = h1 * *v1 + h2 * *t1 + h3 * *v2 + h4 * *t2;
    return out;
}

D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s)
{
    // The Hermite curve from v1 to v2 with tangents (v2 - v0)/2 and (v3 - v1)/2.
    const D3DXVECTOR3 t1 = 0.5f * (*v2 - *v0);
    const D3DXVECTOR3 t2 = 0.5f * (*v3 - *v1);
    const D3DXVECTOR3 a = *v1, b = *v2;
    return D3DXVec3Hermite(out, &a, &t1, &b, &t2, s);
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR4(
        x * m->_11 + y * m->_21 + z * m->_31 + m->_41, x * m->_12 + y * m->_22 + z * m->_32 + m->_42,
        x * m->_13 + y * m->_23 + z * m->_33 + m->_43, x * m->_14 + y * m->_24 + z * m->_34 + m->_44);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    // Like the native call, no guard against w = 0: a projection that puts a
    // point on the eye plane yields infinities, which callers clip.
    D3DXVECTOR4 t;
    D3DXVec3Transform(&t, v, m);
    *out = D3DXVECTOR3(t.x / t.w, t.y / t.w, t.z / t.w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR3(x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
                       x * m->_13 + y * m->_23 + z * m->_33);
    return out;
}

namespace
{
template <typename T> T* At(T* base, UINT stride, UINT i)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(base) + static_cast<size_t>(stride) * i);
}
template <typename T> const T* At(const T* base, UINT stride, UINT i)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(base) + static_cast<size_t>(stride) * i);
}
} // namespace

D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                    const D3DXMATRIX* m, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec3Transform(At(out, outStride, i), At(v, vStride, i), m);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                         const D3DXMATRIX* m, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec3TransformCoord(At(out, outStride, i), At(v, vStride, i), m);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v,
                                          UINT vStride, const D3DXMATRIX* m, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec3TransformNormal(At(out, outStride, i), At(v, vStride, i), m);
    return out;
}

// ---------------------------------------------------------------------------
// 4D functions

FLOAT D3DXVec4Length(const D3DXVECTOR4* v)
{
    return std::sqrt(D3DXVec4LengthSq(v));
}
FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* v)
{
    return v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w;
}
FLOAT D3DXVec4Dot(const D3DXVECTOR4* v1, const D3DXVECTOR4* v2)
{
    return v1->x * v2->x + v1->y * v2->y + v1->z * v2->z + v1->w * v2->w;
}

D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2)
{
    *out = *v1 + *v2;
    return out;
}

D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2)
{
    *out = *v1 - *v2;
    return out;
}

D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2)
{
    *out = D3DXVECTOR4(std::fmin(v1->x, v2->x), std::fmin(v1->y, v2->y), std::fmin(v1->z, v2->z),
                       std::fmin(v1->w, v2->w));
    return out;
}

D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2)
{
    *out = D3DXVECTOR4(std::fmax(v1->x, v2->x), std::fmax(v1->y, v2->y), std::fmax(v1->z, v2->z),
                       std::fmax(v1->w, v2->w));
    return out;
}

D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, FLOAT s)
{
    *out = *v * s;
    return out;
}

D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, FLOAT s)
{
    *out = *v1 + s * (*v2 - *v1);
    return out;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v)
{
    const FLOAT len = D3DXVec4Length(v);
    if (len == 0.0f)
        *out = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    else
        *out = *v / len;
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y, z = v->z, w = v->w;
    *out = D3DXVECTOR4(
        x * m->_11 + y * m->_21 + z * m->_31 + w * m->_41, x * m->_12 + y * m->_22 + z * m->_32 + w * m->_42,
        x * m->_13 + y * m->_23 + z * m->_33 + w * m->_43, x * m->_14 + y * m->_24 + z * m->_34 + w * m->_44);
    return out;
}
