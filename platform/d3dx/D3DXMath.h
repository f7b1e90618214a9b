#pragma once
// The D3DX math the engine is written against: vectors, matrices, quaternions,
// planes and colours. Conventions are D3DX's: left-handed coordinates, row
// vectors multiplied on the left of matrices (p' = p x M, so the rows of a
// rotation matrix are the images of the unit axes), angles in radians.
//
// Quaternion products follow D3DX's order: D3DXQuaternionMultiply(out, q1, q2)
// is the rotation q1 followed by q2 (q2 * q1 in Hamilton's notation), so that
// D3DXMatrixRotationQuaternion of the product equals the matrix product
// M(q1) x M(q2).
//
// Every function writes its result to the out argument and returns it; out may
// be the same object as any input. Value types are plain (no initialisation in
// the default constructor) so engine records that embed them stay trivial.

#include "platform/d3d9/D3D9Types.h"

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

// ---------------------------------------------------------------------------
// Types

struct D3DXVECTOR2
{
    D3DXVECTOR2() = default;
    D3DXVECTOR2(const FLOAT* p);
    D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v);
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v);
    D3DXVECTOR2& operator*=(FLOAT f);
    D3DXVECTOR2& operator/=(FLOAT f);

    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }

    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
    D3DXVECTOR2 operator*(FLOAT f) const { return D3DXVECTOR2(x * f, y * f); }
    D3DXVECTOR2 operator/(FLOAT f) const;
    friend D3DXVECTOR2 operator*(FLOAT f, const D3DXVECTOR2& v) { return v * f; }

    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }

    FLOAT x, y;
};

struct D3DXVECTOR3 : public D3DVECTOR
{
    D3DXVECTOR3() = default;
    D3DXVECTOR3(const FLOAT* p);
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) : D3DVECTOR{fx, fy, fz} {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v);
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v);
    D3DXVECTOR3& operator*=(FLOAT f);
    D3DXVECTOR3& operator/=(FLOAT f);

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
    D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(FLOAT f) const;
    friend D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return v * f; }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4
{
    D3DXVECTOR4() = default;
    D3DXVECTOR4(const FLOAT* p);
    D3DXVECTOR4(const D3DVECTOR& xyz, FLOAT fw) : x(xyz.x), y(xyz.y), z(xyz.z), w(fw) {}
    D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v);
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v);
    D3DXVECTOR4& operator*=(FLOAT f);
    D3DXVECTOR4& operator/=(FLOAT f);

    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }

    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const
    {
        return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
    }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const
    {
        return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
    }
    D3DXVECTOR4 operator*(FLOAT f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
    D3DXVECTOR4 operator/(FLOAT f) const;
    friend D3DXVECTOR4 operator*(FLOAT f, const D3DXVECTOR4& v) { return v * f; }

    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }

    FLOAT x, y, z, w;
};

struct D3DXMATRIX : public D3DMATRIX
{
    D3DXMATRIX() = default;
    D3DXMATRIX(const FLOAT* p);
    D3DXMATRIX(const D3DMATRIX& m);
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
               FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44);

    FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
    FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }

    operator FLOAT*() { return &_11; }
    operator const FLOAT*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator*=(FLOAT f);
    D3DXMATRIX& operator/=(FLOAT f);

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const;

    D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator*(FLOAT f) const;
    D3DXMATRIX operator/(FLOAT f) const;
    friend D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return mat * f; }

    bool operator==(const D3DXMATRIX& mat) const;
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

struct D3DXQUATERNION
{
    D3DXQUATERNION() = default;
    D3DXQUATERNION(const FLOAT* p);
    D3DXQUATERNION(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q);
    // this = this followed by q (D3DXQuaternionMultiply(this, this, q)).
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(FLOAT f);
    D3DXQUATERNION& operator/=(FLOAT f);

    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }

    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(FLOAT f) const { return D3DXQUATERNION(x * f, y * f, z * f, w * f); }
    D3DXQUATERNION operator/(FLOAT f) const;
    friend D3DXQUATERNION operator*(FLOAT f, const D3DXQUATERNION& q) { return q * f; }

    bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
    bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }

    FLOAT x, y, z, w;
};

// The plane a*x + b*y + c*z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE
{
    D3DXPLANE() = default;
    D3DXPLANE(const FLOAT* p);
    D3DXPLANE(FLOAT fa, FLOAT fb, FLOAT fc, FLOAT fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator FLOAT*() { return &a; }
    operator const FLOAT*() const { return &a; }

    D3DXPLANE& operator*=(FLOAT f);
    D3DXPLANE& operator/=(FLOAT f);

    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }

    D3DXPLANE operator*(FLOAT f) const { return D3DXPLANE(a * f, b * f, c * f, d * f); }
    D3DXPLANE operator/(FLOAT f) const;
    friend D3DXPLANE operator*(FLOAT f, const D3DXPLANE& p) { return p * f; }

    bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }

    FLOAT a, b, c, d;
};

// A colour with float channels; 1.0 is full intensity. Converting to a packed
// D3DCOLOR clamps each channel to [0, 1] and rounds to the nearest step.
struct D3DXCOLOR
{
    D3DXCOLOR() = default;
    D3DXCOLOR(DWORD argb);
    D3DXCOLOR(const FLOAT* p);
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
    D3DXCOLOR(FLOAT fr, FLOAT fg, FLOAT fb, FLOAT fa) : r(fr), g(fg), b(fb), a(fa) {}

    operator DWORD() const;
    operator FLOAT*() { return &r; }
    operator const FLOAT*() const { return &r; }
    operator D3DCOLORVALUE*() { return reinterpret_cast<D3DCOLORVALUE*>(&r); }
    operator const D3DCOLORVALUE*() const { return reinterpret_cast<const D3DCOLORVALUE*>(&r); }
    operator D3DCOLORVALUE&() { return *reinterpret_cast<D3DCOLORVALUE*>(&r); }
    operator const D3DCOLORVALUE&() const { return *reinterpret_cast<const D3DCOLORVALUE*>(&r); }

    D3DXCOLOR& operator+=(const D3DXCOLOR& c);
    D3DXCOLOR& operator-=(const D3DXCOLOR& c);
    D3DXCOLOR& operator*=(FLOAT f);
    D3DXCOLOR& operator/=(FLOAT f);

    D3DXCOLOR operator+() const { return *this; }
    D3DXCOLOR operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }

    D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a); }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a); }
    D3DXCOLOR operator*(FLOAT f) const { return D3DXCOLOR(r * f, g * f, b * f, a * f); }
    D3DXCOLOR operator/(FLOAT f) const;
    friend D3DXCOLOR operator*(FLOAT f, const D3DXCOLOR& c) { return c * f; }

    bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

    FLOAT r, g, b, a;
};

static_assert(sizeof(D3DXVECTOR2) == 8);
static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXVECTOR4) == 16);
static_assert(sizeof(D3DXMATRIX) == 64);
static_assert(sizeof(D3DXQUATERNION) == 16);
static_assert(sizeof(D3DXPLANE) == 16);
static_assert(sizeof(D3DXCOLOR) == 16);

// ---------------------------------------------------------------------------
// 2D vectors

FLOAT D3DXVec2Length(const D3DXVECTOR2* v);
FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* v);
FLOAT D3DXVec2Dot(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
// The z of the 3D cross product: positive when v2 lies counter-clockwise of v1.
FLOAT D3DXVec2CCW(const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2);
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, FLOAT s);
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, FLOAT s);
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v);
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);

// ---------------------------------------------------------------------------
// 3D vectors

FLOAT D3DXVec3Length(const D3DXVECTOR3* v);
FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v);
FLOAT D3DXVec3Dot(const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, FLOAT s);
// A zero vector normalises to the zero vector (never NaN).
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// v1 + f*(v2 - v1) + g*(v3 - v1).
D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                                 const D3DXVECTOR3* v3, FLOAT f, FLOAT g);
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1,
                             const D3DXVECTOR3* v2, const D3DXVECTOR3* t2, FLOAT s);
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s);
// (x, y, z, 1) x M, without division.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 1) x M, divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 0) x M: the upper 3x3 only.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// Array forms: n elements, each stride bytes apart in its array.
D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                    const D3DXMATRIX* m, UINT n);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                         const D3DXMATRIX* m, UINT n);
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v,
                                          UINT vStride, const D3DXMATRIX* m, UINT n);

// ---------------------------------------------------------------------------
// 4D vectors

FLOAT D3DXVec4Length(const D3DXVECTOR4* v);
FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* v);
FLOAT D3DXVec4Dot(const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2);
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, FLOAT s);
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, FLOAT s);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);

// ---------------------------------------------------------------------------
// Matrices

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m);
// out = m1 x m2: a point goes through m1 first, then m2.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
// The transpose of m1 x m2 (what shader constants take).
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// Returns null and leaves out untouched when m has no inverse (determinant 0).
// The determinant goes to det when it is not null.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* det, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z);
// Rotations turn clockwise when looking along the axis towards the origin
// (left-handed): RotationY(pi/2) takes +Z to +X.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
// Roll about Z first, then pitch about X, then yaw about Y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll);
// Msc^-1 Msr^-1 Ms Msr Msc Mrc^-1 Mr Mrc Mt; any null argument drops its factor.
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                     const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                     const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                     const D3DXVECTOR3* translation);
// Ms Mrc^-1 Mr Mrc Mt with a uniform scale.
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* out, FLOAT scaling, const D3DXVECTOR3* rotationCenter,
                                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation);
// Splits an affine matrix into scale, rotation and translation; fails with
// E_FAIL (outputs untouched) when a scale is zero.
HRESULT D3DXMatrixDecompose(D3DXVECTOR3* outScale, D3DXQUATERNION* outRotation, D3DXVECTOR3* outTranslation,
                            const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                             FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf);
// The mirror in a plane (normalised first).
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane);

// ---------------------------------------------------------------------------
// Quaternions

FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q);
FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* q);
FLOAT D3DXQuaternionDot(const D3DXQUATERNION* q1, const D3DXQUATERNION* q2);
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// A zero quaternion normalises to zero (never NaN).
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// Conjugate over squared length; zero stays zero.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// Rotation q1 followed by q2.
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                       const D3DXQUATERNION* q2);
// The axis is normalised first.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle);
// The rotation of the upper 3x3 of m (a pure rotation is expected).
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
// Roll about Z first, then pitch about X, then yaw about Y.
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch, FLOAT roll);
// Spherical interpolation along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                    FLOAT t);
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle);
// For unit quaternions: ln q = (v * theta / sin theta, 0); exp is its inverse.
D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// Slerp(Slerp(q1, q2, f + g), Slerp(q1, q3, f + g), g / (f + g)); q1 when f + g is 0.
D3DXQUATERNION* D3DXQuaternionBaryCentric(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                          const D3DXQUATERNION* q2, const D3DXQUATERNION* q3, FLOAT f,
                                          FLOAT g);

// ---------------------------------------------------------------------------
// Planes

// a*x + b*y + c*z + d*w.
FLOAT D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v);
// a*x + b*y + c*z + d: the signed distance for a normalised plane.
FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v);
// a*x + b*y + c*z.
FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v);
D3DXPLANE* D3DXPlaneScale(D3DXPLANE* out, const D3DXPLANE* p, FLOAT s);
// Scales the plane so its normal has length 1; a zero normal gives the zero plane.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal);
// Normal = normalise((v2 - v1) x (v3 - v1)), through v1.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                               const D3DXVECTOR3* v3);
// Where the infinite line through v1 and v2 meets the plane; null (out
// untouched) when the line is parallel to it.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2);
// The plane as a row vector times m; m must be the inverse transpose of the
// point transform.
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m);

// ---------------------------------------------------------------------------
// Colours

D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2, FLOAT s);
// 1 - r, 1 - g, 1 - b; alpha kept.
D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* out, const D3DXCOLOR* c);
// Moves each channel away from (s > 1) or towards (s < 1) the grey of the same
// luminance (0.2125 r + 0.7154 g + 0.0721 b); alpha kept.
D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);
// 0.5 + s * (channel - 0.5); alpha kept.
D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);
