#pragma once
// EOrientation: the orientation every placed thing of the world carries. It
// holds one rotation three ways, kept in step: the unit quaternion (the master
// value), its rotation matrix, and the matrix rows as normalised axes that
// game code reads directly. Left-handed, +Y up, row vectors: rows 1, 2 and 3
// are right (+X), up (+Y) and forward (+Z); the identity looks along +Z.
//
// A plain value: copy by assignment, no heap, no virtual functions. Saves
// write it field by field (116 bytes) in the order below.

#include "platform/d3dx/D3DXMath.h"

struct EOrientation
{
    EOrientation();
    // The identity turned to look along dir (no roll); null leaves the identity.
    explicit EOrientation(const D3DXVECTOR3* dir);
    EOrientation(float yaw, float pitch, float roll);

    // Matrix and axes from the quaternion.
    void Rebuild();
    // Look along dir with no roll, right kept horizontal. Straight up or down
    // keeps the current heading (the right axis it had, flattened), or world
    // +X as right when it has none; a zero direction changes nothing. The
    // matrix is built from the axes and has a zero fourth row and column
    // (corner included) until the next operation rebuilds it.
    void SetDirection(const D3DXVECTOR3* dir);
    // Look along dir with up chosen from the plane of dir and up (up is
    // replaced by the exact perpendicular). An up parallel to dir falls back to
    // SetDirection. Either pointer null: nothing.
    void SetDirectionAndUp(const D3DXVECTOR3* dir, const D3DXVECTOR3* up);
    void SetQuaternion(const D3DXQUATERNION* q);
    // Roll about Z, then pitch about X, then yaw about Y; radians.
    void SetYawPitchRoll(float yaw, float pitch, float roll);
    // The current rotation followed by q2.
    void Multiply(const D3DXQUATERNION* q2);
    // The current rotation followed by a turn about a world-space axis. A null
    // or zero axis changes nothing.
    void RotateAxisAngle(const D3DXVECTOR3* axis, float angle);
    // Spherical interpolation from the current rotation towards target by t.
    void Slerp(const D3DXQUATERNION* target, float t);
    // Pitch, yaw and roll of the matrix, each in [0, 2 pi). Any null: nothing.
    void GetAngles(float* pitch, float* yaw, float* roll) const;

    D3DXQUATERNION Quaternion;
    D3DXMATRIX Matrix;
    D3DXVECTOR3 Forward;
    D3DXVECTOR3 Right;
    D3DXVECTOR3 Up;

private:
    void SetAxes(const D3DXVECTOR3& forward, const D3DXVECTOR3& right);
};

static_assert(sizeof(EOrientation) == 116, "EOrientation is stored as 116 bytes");
