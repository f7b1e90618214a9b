// D3DX matrices: the D3DXMATRIX operators and the D3DXMatrix* functions.
// Row vectors throughout: p' = p x M, and M1 x M2 applies M1 first.
#include "platform/d3dx/D3DXMath.h"

#include <cmath>
#include <cstring>

namespace
{
// Four floats of a matrix row as one vector of the compiler's (SSE on x86).
typedef float Row4 __attribute__((vector_size(16)));
} // namespace

// ---------------------------------------------------------------------------
// D3DXMATRIX

D3DXMATRIX::D3DXMATRIX(const FLOAT* p)
{
    if (p)
        std::memcpy(&_11, p, sizeof(FLOAT) * 16);
    else
        std::memset(&_11, 0, sizeof(FLOAT) * 16);
}

D3DXMATRIX::D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                       FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
{
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat)
{
    D3DXMatrixMultiply(this, this, &mat);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] += mat.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] -= mat.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] *= f;
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT f)
{
    return *this *= 1.0f / f;
}

D3DXMATRIX D3DXMATRIX::operator-() const
{
    return *this * -1.0f;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const
{
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &mat);
    return out;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const
{
    D3DXMATRIX out = *this;
    return out += mat;
}

D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const
{
    D3DXMATRIX out = *this;
    return out -= mat;
}

D3DXMATRIX D3DXMATRIX::operator*(FLOAT f) const
{
    D3DXMATRIX out = *this;
    return out *= f;
}

D3DXMATRIX D3DXMATRIX::operator/(FLOAT f) const
{
    D3DXMATRIX out = *this;
    return out *= 1.0f / f;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != mat.m[r][c])
                return false;
    return true;
}

// ---------------------------------------------------------------------------
// Basic operations

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out)
{
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m->m[r][c] != (r == c ? 1.0f : 0.0f))
                return FALSE;
    return TRUE;
}

namespace
{
// The determinant and the adjugate (transposed cofactors) of a 4x4 matrix, in
// double so that inverting well-conditioned float matrices loses nothing.
double Adjugate(const D3DXMATRIX& a, double adj[4][4])
{
    double m[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = a.m[r][c];

    // 2x2 minors of the lower two rows and of the upper two rows.
    const double s0 = m[0][0] * m[1][1] - m[1][0] * m[0][1];
    const double s1 = m[0][0] * m[1][2] - m[1][0] * m[0][2];
    const double s2 = m[0][0] * m[1][3] - m[1][0] * m[0][3];
    const double s3 = m[0][1] * m[1][2] - m[1][1] * m[0][2];
    const double s4 = m[0][1] * m[1][3] - m[1][1] * m[0][3];
    const double s5 = m[0][2] * m[1][3] - m[1][2] * m[0][3];
    const double c5 = m[2][2] * m[3][3] - m[3][2] * m[2][3];
    const double c4 = m[2][1] * m[3][3] - m[3][1] * m[2][3];
    const double c3 = m[2][1] * m[3][2] - m[3][1] * m[2][2];
    const double c2 = m[2][0] * m[3][3] - m[3][0] * m[2][3];
    const double c1 = m[2][0] * m[3][2] - m[3][0] * m[2][2];
    const double c0 = m[2][0] * m[3][1] - m[3][0] * m[2][1];

    adj[0][0] = m[1][1] * c5 - m[1][2] * c4 + m[1][3] * c3;
    adj[0][1] = -m[0][1] * c5 + m[0][2] * c4 - m[0][3] * c3;
    adj[0][2] = m[3][1] * s5 - m[3][2] * s4 + m[3][3] * s3;
    adj[0][3] = -m[2][1] * s5 + m[2][2] * s4 - m[2][3] * s3;
    adj[1][0] = -m[1][0] * c5 + m[1][2] * c2 - m[1][3] * c1;
    adj[1][1] = m[0][0] * c5 - m[0][2] * c2 + m[0][3] * c1;
    adj[1][2] = -m[3][0] * s5 + m[3][2] * s2 - m[3][3] * s1;
    adj[1][3] = m[2][0] * s5 - m[2][2] * s2 + m[2][3] * s1;
    adj[2][0] = m[1][0] * c4 - m[1][1] * c2 + m[1][3] * c0;
    adj[2][1] = -m[0][0] * c4 + m[0][1] * c2 - m[0][3] * c0;
    adj[2][2] = m[3][0] * s4 - m[3][1] * s2 + m[3][3] * s0;
    adj[2][3] = -m[2][0] * s4 + m[2][1] * s2 - m[2][3] * s0;
    adj[3][0] = -m[1][0] * c3 + m[1][1] * c1 - m[1][2] * c0;
    adj[3][1] = m[0][0] * c3 - m[0][1] * c1 + m[0][2] * c0;
    adj[3][2] = -m[3][0] * s3 + m[3][1] * s1 - m[3][2] * s0;
    adj[3][3] = m[2][0] * s3 - m[2][1] * s1 + m[2][2] * s0;

    return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
}
} // namespace

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m)
{
    double adj[4][4];
    return static_cast<FLOAT>(Adjugate(*m, adj));
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2)
{
    // Row i of the product is the rows of m2 weighted by row i of m1, four
    // columns at a time; each element is summed in the order
    // ((a0 b0 + a1 b1) + a2 b2) + a3 b3, so the results are those of the
    // element-by-element loop.
    Row4 rows[4];
    std::memcpy(rows, m2->m, sizeof rows);
    Row4 r[4];
    for (int i = 0; i < 4; ++i)
        r[i] = m1->m[i][0] * rows[0] + m1->m[i][1] * rows[1] + m1->m[i][2] * rows[2] + m1->m[i][3] * rows[3];
    std::memcpy(out->m, r, sizeof r);
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2)
{
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, m1, m2);
    return D3DXMatrixTranspose(out, &r);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* det, const D3DXMATRIX* m)
{
    double adj[4][4];
    const double d = Adjugate(*m, adj);
    const FLOAT fdet = static_cast<FLOAT>(d);
    if (det)
        *det = fdet;
    if (fdet == 0.0f)
        return nullptr;
    const double inv = 1.0 / d;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out->m[r][c] = static_cast<FLOAT>(adj[r][c] * inv);
    return out;
}

// ---------------------------------------------------------------------------
// Building matrices

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz)
{
    *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z)
{
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle)
{
    const FLOAT s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle)
{
    const FLOAT s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle)
{
    const FLOAT s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle)
{
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    const FLOAT s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    *out = D3DXMATRIX(t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0,
                      t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0,
                      t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q)
{
    const FLOAT x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w), 0,
                      2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w), 0,
                      2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y), 0, 0, 0,
                      0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    D3DXMATRIX r, p, y;
    D3DXMatrixRotationZ(&r, roll);
    D3DXMatrixRotationX(&p, pitch);
    D3DXMatrixRotationY(&y, yaw);
    D3DXMatrixMultiply(&r, &r, &p);
    return D3DXMatrixMultiply(out, &r, &y);
}

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                     const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                     const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                     const D3DXVECTOR3* translation)
{
    D3DXMATRIX m, t;
    if (!scalingCenter && !scalingRotation && !rotationCenter)
    {
        // The usual call (scale, rotation, translation, as animation keys
        // give them): the rotation's rows scaled, the translation below,
        // which is what the products of the general case come to.
        const FLOAT sx = scaling ? scaling->x : 1.0f, sy = scaling ? scaling->y : 1.0f,
                    sz = scaling ? scaling->z : 1.0f;
        if (rotation)
        {
            const FLOAT x = rotation->x, y = rotation->y, z = rotation->z, w = rotation->w;
            out->_11 = (1.0f - 2.0f * (y * y + z * z)) * sx, out->_12 = 2.0f * (x * y + z * w) * sx;
            out->_13 = 2.0f * (x * z - y * w) * sx;
            out->_21 = 2.0f * (x * y - z * w) * sy, out->_22 = (1.0f - 2.0f * (x * x + z * z)) * sy;
            out->_23 = 2.0f * (y * z + x * w) * sy;
            out->_31 = 2.0f * (x * z + y * w) * sz, out->_32 = 2.0f * (y * z - x * w) * sz;
            out->_33 = (1.0f - 2.0f * (x * x + y * y)) * sz;
        }
        else
        {
            out->_11 = sx, out->_12 = 0.0f, out->_13 = 0.0f;
            out->_21 = 0.0f, out->_22 = sy, out->_23 = 0.0f;
            out->_31 = 0.0f, out->_32 = 0.0f, out->_33 = sz;
        }
        out->_14 = out->_24 = out->_34 = 0.0f;
        out->_41 = translation ? translation->x : 0.0f;
        out->_42 = translation ? translation->y : 0.0f;
        out->_43 = translation ? translation->z : 0.0f;
        out->_44 = 1.0f;
        return out;
    }
    D3DXMatrixIdentity(&m);

    if (scaling)
    {
        // Scale along the axes of the scaling rotation, about the scaling centre.
        if (scalingCenter)
        {
            D3DXMatrixTranslation(&t, -scalingCenter->x, -scalingCenter->y, -scalingCenter->z);
            m *= t;
        }
        D3DXMATRIX sr, srInv;
        if (scalingRotation)
        {
            D3DXMatrixRotationQuaternion(&sr, scalingRotation);
            D3DXMatrixTranspose(&srInv, &sr); // a rotation's inverse
            m *= srInv;
        }
        D3DXMatrixScaling(&t, scaling->x, scaling->y, scaling->z);
        m *= t;
        if (scalingRotation)
            m *= sr;
        if (scalingCenter)
        {
            D3DXMatrixTranslation(&t, scalingCenter->x, scalingCenter->y, scalingCenter->z);
            m *= t;
        }
    }

    if (rotation)
    {
        if (rotationCenter)
        {
            D3DXMatrixTranslation(&t, -rotationCenter->x, -rotationCenter->y, -rotationCenter->z);
            m *= t;
        }
        D3DXMatrixRotationQuaternion(&t, rotation);
        m *= t;
        if (rotationCenter)
        {
            D3DXMatrixTranslation(&t, rotationCenter->x, rotationCenter->y, rotationCenter->z);
            m *= t;
        }
    }

    if (translation)
    {
        D3DXMatrixTranslation(&t, translation->x, translation->y, translation->z);
        m *= t;
    }

    *out = m;
    return out;
}

D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* out, FLOAT scaling, const D3DXVECTOR3* rotationCenter,
                                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation)
{
    const D3DXVECTOR3 s(scaling, scaling, scaling);
    return D3DXMatrixTransformation(out, nullptr, nullptr, &s, rotationCenter, rotation, translation);
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* outScale, D3DXQUATERNION* outRotation, D3DXVECTOR3* outTranslation,
                            const D3DXMATRIX* m)
{
    D3DXVECTOR3 rows[3] = {D3DXVECTOR3(m->_11, m->_12, m->_13), D3DXVECTOR3(m->_21, m->_22, m->_23),
                           D3DXVECTOR3(m->_31, m->_32, m->_33)};
    const D3DXVECTOR3 scale(D3DXVec3Length(&rows[0]), D3DXVec3Length(&rows[1]), D3DXVec3Length(&rows[2]));
    if (scale.x == 0.0f || scale.y == 0.0f || scale.z == 0.0f)
        return E_FAIL;

    D3DXMATRIX r;
    D3DXMatrixIdentity(&r);
    for (int i = 0; i < 3; ++i)
    {
        const FLOAT s = (&scale.x)[i];
        r.m[i][0] = rows[i].x / s;
        r.m[i][1] = rows[i].y / s;
        r.m[i][2] = rows[i].z / s;
    }
    if (outScale)
        *outScale = scale;
    if (outRotation)
        D3DXQuaternionRotationMatrix(outRotation, &r);
    if (outTranslation)
        *outTranslation = D3DXVECTOR3(m->_41, m->_42, m->_43);
    return S_OK;
}

// ---------------------------------------------------------------------------
// Cameras

namespace
{
D3DXMATRIX* ViewFromAxes(D3DXMATRIX* out, const D3DXVECTOR3& x, const D3DXVECTOR3& y, const D3DXVECTOR3& z,
                         const D3DXVECTOR3& eye)
{
    *out = D3DXMATRIX(x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0, -D3DXVec3Dot(&x, &eye),
                      -D3DXVec3Dot(&y, &eye), -D3DXVec3Dot(&z, &eye), 1);
    return out;
}
} // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up)
{
    D3DXVECTOR3 x, y, z = *at - *eye;
    D3DXVec3Normalize(&z, &z);
    D3DXVec3Cross(&x, up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    return ViewFromAxes(out, x, y, z, *eye);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up)
{
    D3DXVECTOR3 x, y, z = *eye - *at;
    D3DXVec3Normalize(&z, &z);
    D3DXVec3Cross(&x, up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    return ViewFromAxes(out, x, y, z, *eye);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf)
{
    const FLOAT ys = 1.0f / std::tan(fovy * 0.5f);
    const FLOAT xs = ys / aspect;
    *out = D3DXMATRIX(xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf)
{
    const FLOAT ys = 1.0f / std::tan(fovy * 0.5f);
    const FLOAT xs = ys / aspect;
    *out = D3DXMATRIX(xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zn - zf), -1, 0, 0, zn * zf / (zn - zf), 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    *out = D3DXMATRIX(2.0f * zn / w, 0, 0, 0, 0, 2.0f * zn / h, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0,
                      zn * zf / (zn - zf), 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                             FLOAT zf)
{
    *out = D3DXMATRIX(2.0f * zn / (r - l), 0, 0, 0, 0, 2.0f * zn / (t - b), 0, 0, (l + r) / (l - r),
                      (t + b) / (b - t), zf / (zf - zn), 1, 0, 0, zn * zf / (zn - zf), 0);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    *out =
        D3DXMATRIX(2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, 1.0f / (zf - zn), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    *out =
        D3DXMATRIX(2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, 1.0f / (zn - zf), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf)
{
    *out = D3DXMATRIX(2.0f / (r - l), 0, 0, 0, 0, 2.0f / (t - b), 0, 0, 0, 0, 1.0f / (zf - zn), 0,
                      (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, plane);
    *out = D3DXMATRIX(1 - 2 * p.a * p.a, -2 * p.b * p.a, -2 * p.c * p.a, 0, -2 * p.a * p.b, 1 - 2 * p.b * p.b,
                      -2 * p.c * p.b, 0, -2 * p.a * p.c, -2 * p.b * p.c, 1 - 2 * p.c * p.c, 0, -2 * p.a * p.d,
                      -2 * p.b * p.d, -2 * p.c * p.d, 1);
    return out;
}
