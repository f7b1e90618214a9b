// EOrientation: see Orientation.h.
#include "shell/Orientation.h"

#include "shell/Geometry.h"

#include <cmath>

namespace
{
bool IsFinite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A right axis shorter than this, relative to the forward axis, means the
// forward axis is (nearly) parallel to the up it was crossed with.
constexpr float kParallelRatio = 1e-5f;

bool TooShort(const D3DXVECTOR3& v, const D3DXVECTOR3& relativeTo)
{
    return D3DXVec3LengthSq(&v) <= kParallelRatio * kParallelRatio * D3DXVec3LengthSq(&relativeTo);
}
} // namespace

EOrientation::EOrientation()
{
    // What rebuilding from the identity quaternion gives, without the work:
    // every object record and description starts with one.
    D3DXQuaternionIdentity(&Quaternion);
    D3DXMatrixIdentity(&Matrix);
    Forward = D3DXVECTOR3(0, 0, 1);
    Right = D3DXVECTOR3(1, 0, 0);
    Up = D3DXVECTOR3(0, 1, 0);
}

EOrientation::EOrientation(const D3DXVECTOR3* dir) : EOrientation()
{
    SetDirection(dir);
}

EOrientation::EOrientation(float yaw, float pitch, float roll) : EOrientation()
{
    SetYawPitchRoll(yaw, pitch, roll);
}

void EOrientation::Rebuild()
{
    D3DXMatrixRotationQuaternion(&Matrix, &Quaternion);
    const D3DXVECTOR3 row1(Matrix._11, Matrix._12, Matrix._13);
    const D3DXVECTOR3 row2(Matrix._21, Matrix._22, Matrix._23);
    const D3DXVECTOR3 row3(Matrix._31, Matrix._32, Matrix._33);
    D3DXVec3Normalize(&Forward, &row3);
    D3DXVec3Normalize(&Right, &row1);
    D3DXVec3Normalize(&Up, &row2);
}

void EOrientation::SetAxes(const D3DXVECTOR3& forward, const D3DXVECTOR3& right)
{
    // Up from the axes already normalised: the cross product of two very short
    // (but valid) axes could underflow to zero.
    D3DXVec3Normalize(&Forward, &forward);
    D3DXVec3Normalize(&Right, &right);
    D3DXVECTOR3 up;
    D3DXVec3Cross(&up, &Forward, &Right);
    D3DXVec3Normalize(&Up, &up);

    Matrix = D3DXMATRIX(Right.x, Right.y, Right.z, 0, Up.x, Up.y, Up.z, 0, Forward.x, Forward.y, Forward.z, 0,
                        0, 0, 0, 0);
    D3DXQuaternionRotationMatrix(&Quaternion, &Matrix);
}

void EOrientation::SetDirection(const D3DXVECTOR3* dir)
{
    if (!dir || !IsFinite(*dir) || D3DXVec3LengthSq(dir) == 0.0f)
        return;
    const D3DXVECTOR3 forward = *dir;
    // right = (0, 1, 0) x forward.
    D3DXVECTOR3 right(forward.z, 0.0f, -forward.x);
    if (TooShort(right, forward))
    {
        // Straight up or down: world up no longer picks a right side, so keep
        // the heading we had; from a heading of its own, +X.
        right = D3DXVECTOR3(Right.x, 0.0f, Right.z);
        if (!IsFinite(right) || D3DXVec3LengthSq(&right) < 1e-6f)
            right = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    }
    SetAxes(forward, right);
}

void EOrientation::SetDirectionAndUp(const D3DXVECTOR3* dir, const D3DXVECTOR3* up)
{
    if (!dir || !up)
        return;
    if (!IsFinite(*dir) || D3DXVec3LengthSq(dir) == 0.0f)
        return;
    D3DXVECTOR3 right;
    D3DXVec3Cross(&right, up, dir);
    if (!IsFinite(right) || TooShort(right, *dir) || D3DXVec3LengthSq(up) == 0.0f)
    {
        SetDirection(dir);
        return;
    }
    SetAxes(*dir, right);
}

void EOrientation::SetQuaternion(const D3DXQUATERNION* q)
{
    if (!q)
        return;
    Quaternion = *q;
    Rebuild();
}

void EOrientation::SetYawPitchRoll(float yaw, float pitch, float roll)
{
    D3DXQuaternionRotationYawPitchRoll(&Quaternion, yaw, pitch, roll);
    Rebuild();
}

void EOrientation::Multiply(const D3DXQUATERNION* q2)
{
    if (!q2)
        return;
    D3DXQuaternionMultiply(&Quaternion, &Quaternion, q2);
    Rebuild();
}

void EOrientation::RotateAxisAngle(const D3DXVECTOR3* axis, float angle)
{
    // A zero axis has no direction to turn about; turning about it would
    // scale the quaternion instead of rotating.
    if (!axis || D3DXVec3LengthSq(axis) == 0.0f)
        return;
    D3DXQUATERNION turn;
    D3DXQuaternionRotationAxis(&turn, axis, angle);
    D3DXQuaternionMultiply(&Quaternion, &Quaternion, &turn);
    Rebuild();
}

void EOrientation::Slerp(const D3DXQUATERNION* target, float t)
{
    if (!target)
        return;
    D3DXQuaternionSlerp(&Quaternion, &Quaternion, target, t);
    Rebuild();
}

void EOrientation::GetAngles(float* pitch, float* yaw, float* roll) const
{
    if (!pitch || !yaw || !roll)
        return;
    Geom::MatrixToAngles(&Matrix, pitch, yaw, roll);
}
