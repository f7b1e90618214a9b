// D3DX quaternions. A unit quaternion (x, y, z, w) = (axis * sin(a/2), cos(a/2))
// turns a point by a about the axis the same way D3DXMatrixRotationAxis does.
// Products keep D3DX's order: Multiply(q1, q2) is q1's rotation, then q2's.
#include "platform/d3dx/D3DXMath.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------
// D3DXQUATERNION

D3DXQUATERNION::D3DXQUATERNION(const FLOAT* p)
    : x(p ? p[0] : 0.0f), y(p ? p[1] : 0.0f), z(p ? p[2] : 0.0f), w(p ? p[3] : 0.0f)
{
}

D3DXQUATERNION& D3DXQUATERNION::operator+=(const D3DXQUATERNION& q)
{
    x += q.x, y += q.y, z += q.z, w += q.w;
    return *this;
}

D3DXQUATERNION& D3DXQUATERNION::operator-=(const D3DXQUATERNION& q)
{
    x -= q.x, y -= q.y, z -= q.z, w -= q.w;
    return *this;
}

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q)
{
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}

D3DXQUATERNION& D3DXQUATERNION::operator*=(FLOAT f)
{
    x *= f, y *= f, z *= f, w *= f;
    return *this;
}

D3DXQUATERNION& D3DXQUATERNION::operator/=(FLOAT f)
{
    return *this *= 1.0f / f;
}

D3DXQUATERNION D3DXQUATERNION::operator+(const D3DXQUATERNION& q) const
{
    return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w);
}

D3DXQUATERNION D3DXQUATERNION::operator-(const D3DXQUATERNION& q) const
{
    return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w);
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const
{
    D3DXQUATERNION out;
    D3DXQuaternionMultiply(&out, this, &q);
    return out;
}

D3DXQUATERNION D3DXQUATERNION::operator/(FLOAT f) const
{
    return *this * (1.0f / f);
}

// ---------------------------------------------------------------------------
// Functions

FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q)
{
    return std::sqrt(D3DXQuaternionLengthSq(q));
}
FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* q)
{
    return q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
}
FLOAT D3DXQuaternionDot(const D3DXQUATERNION* q1, const D3DXQUATERNION* q2)
{
    return q1->x * q2->x + q1->y * q2->y + q1->z * q2->z + q1->w * q2->w;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out)
{
    *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q)
{
    return q->x == 0.0f && q->y == 0.0f && q->z == 0.0f && q->w == 1.0f;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    const FLOAT len = D3DXQuaternionLength(q);
    if (len == 0.0f)
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    else
        *out = D3DXQUATERNION(q->x / len, q->y / len, q->z / len, q->w / len);
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    const FLOAT n = D3DXQuaternionLengthSq(q);
    if (n == 0.0f)
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    else
        *out = D3DXQUATERNION(-q->x / n, -q->y / n, -q->z / n, q->w / n);
    return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                       const D3DXQUATERNION* q2)
{
    // Hamilton's product a * b with a = q2 and b = q1: applying q1 first.
    const D3DXQUATERNION a = *q2, b = *q1;
    *out = D3DXQUATERNION(
        a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
        a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle)
{
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    const FLOAT s = std::sin(angle * 0.5f);
    *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle * 0.5f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m)
{
    // Only the upper 3x3 is read: orientation code hands in matrices whose
    // fourth row and column are all zero.
    const FLOAT trace = m->_11 + m->_22 + m->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f)
    {
        const FLOAT s = 2.0f * std::sqrt(trace + 1.0f); // 4w
        q = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, 0.25f * s);
    }
    else if (m->_11 > m->_22 && m->_11 > m->_33)
    {
        const FLOAT s = 2.0f * std::sqrt(std::max(0.0f, 1.0f + m->_11 - m->_22 - m->_33)); // 4x
        q = D3DXQUATERNION(0.25f * s, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
    }
    else if (m->_22 > m->_33)
    {
        const FLOAT s = 2.0f * std::sqrt(std::max(0.0f, 1.0f + m->_22 - m->_11 - m->_33)); // 4y
        q = D3DXQUATERNION((m->_12 + m->_21) / s, 0.25f * s, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
    }
    else
    {
        const FLOAT s = 2.0f * std::sqrt(std::max(0.0f, 1.0f + m->_33 - m->_11 - m->_22)); // 4z
        q = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, 0.25f * s, (m->_12 - m->_21) / s);
    }
    *out = q;
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    const FLOAT sy = std::sin(yaw * 0.5f), cy = std::cos(yaw * 0.5f);
    const FLOAT sp = std::sin(pitch * 0.5f), cp = std::cos(pitch * 0.5f);
    const FLOAT sr = std::sin(roll * 0.5f), cr = std::cos(roll * 0.5f);
    // The product of roll about Z, then pitch about X, then yaw about Y, multiplied out.
    *out = D3DXQUATERNION(cy * sp * cr + sy * cp * sr, sy * cp * cr - cy * sp * sr,
                          cy * cp * sr - sy * sp * cr, cy * cp * cr + sy * sp * sr);
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                    FLOAT t)
{
    FLOAT dot = D3DXQuaternionDot(q1, q2);
    FLOAT sign = 1.0f;
    if (dot < 0.0f)
    {
        // q2 and -q2 are one rotation; take the one on the shorter arc.
        dot = -dot;
        sign = -1.0f;
    }
    FLOAT a = 1.0f - t, b = t;
    if (1.0f - dot > 0.001f)
    {
        // sin((1 - t) theta) = sin(theta) cos(t theta) - cos(theta) sin(t theta),
        // and cos(theta) is the dot product: one sine and cosine pair.
        const FLOAT theta = std::acos(dot);
        const FLOAT s = std::sqrt(1.0f - dot * dot);
        FLOAT st, ct;
        sincosf(t * theta, &st, &ct);
        b = st / s;
        a = ct - dot * b;
    }
    b *= sign;
    *out = D3DXQUATERNION(a * q1->x + b * q2->x, a * q1->y + b * q2->y, a * q1->z + b * q2->z,
                          a * q1->w + b * q2->w);
    return out;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle)
{
    // The axis comes back as stored (length sin(a/2) for a unit quaternion).
    if (axis)
        *axis = D3DXVECTOR3(q->x, q->y, q->z);
    if (angle)
        *angle = 2.0f * std::acos(std::clamp(q->w, -1.0f, 1.0f));
}

D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    const FLOAT theta = std::acos(std::clamp(q->w, -1.0f, 1.0f));
    const FLOAT s = std::sin(theta);
    const FLOAT k = s != 0.0f ? theta / s : 1.0f;
    *out = D3DXQUATERNION(q->x * k, q->y * k, q->z * k, 0.0f);
    return out;
}

D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    const FLOAT theta = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
    const FLOAT k = theta != 0.0f ? std::sin(theta) / theta : 1.0f;
    *out = D3DXQUATERNION(q->x * k, q->y * k, q->z * k, std::cos(theta));
    return out;
}

D3DXQUATERNION* D3DXQuaternionBaryCentric(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                          const D3DXQUATERNION* q2, const D3DXQUATERNION* q3, FLOAT f,
                                          FLOAT g)
{
    const FLOAT fg = f + g;
    if (fg == 0.0f)
    {
        *out = *q1;
        return out;
    }
    D3DXQUATERNION a, b;
    D3DXQuaternionSlerp(&a, q1, q2, fg);
    D3DXQuaternionSlerp(&b, q1, q3, fg);
    return D3DXQuaternionSlerp(out, &a, &b, g / fg);
}
