#pragma once
// Geom: the segment queries behind shots and sight tests, two small vector
// helpers and the read-out of angles from a rotation matrix. Points are three
// floats; a segment P0-P1 holds the points P0 + t*(P1 - P0), t in [0, 1].
// Single precision throughout, no state, no allocation.

#include "platform/d3dx/D3DXMath.h"

namespace Geom
{
// out = the x, y, z of (p, 1) x m, without division by w.
void TransformPoint(float out[3], const float p[3], const D3DXMATRIX* m);

// A vector perpendicular to v whose two free components equal |v|; (v.y, v.z,
// v.x) for a zero vector.
void PerpendicularVector(float out[3], const float v[3]);

// The SQUARED shortest distance between segments P0-P1 and Q0-Q1; s and t (each
// optional) receive the parameters of the closest points.
float SegmentSegmentDistance(const float P0[3], const float P1[3], const float Q0[3], const float Q1[3],
                             float* s = nullptr, float* t = nullptr);

// True when the segment comes within r of C (touching counts).
bool SphereTest(const float P0[3], const float P1[3], const float C[3], float r);

// True when the segment crosses the sphere's surface; t is the first crossing,
// or the exit when the segment starts inside. A tangent segment misses.
bool IntersectSegmentSphere(const float P0[3], const float P1[3], const float C[3], float r, float* t);

// True when the segment crosses the triangle (edges and corners count). A
// segment that only touches the triangle's plane with an end misses.
bool SegmentHitsTriangle(const float P0[3], const float P1[3], const float V0[3], const float V1[3],
                         const float V2[3]);

// As SegmentHitsTriangle, also giving the crossing point and its parameter.
// t is written once the plane crossing is known (even when the crossing lies
// outside the segment), the point once it lies on the segment.
bool IntersectTriangle(const float P0[3], const float P1[3], const float V0[3], const float V1[3],
                       const float V2[3], float hit[3], float* t);

// True when the segment touches the axis-aligned box (bounds inclusive).
bool IntersectBox(const float P0[3], const float P1[3], const float boxMin[3], const float boxMax[3]);

// True when the segment touches a possibly rotated box given by its eight
// corners in the mesh collision-box order: c0-c1-c2-c3 one face, c4-c7 the
// opposite one with c4 across from c0, c5 from c1 and so on.
bool IntersectSegmentBoxFaces(const float P0[3], const float P1[3], const float corners[8][3]);
bool IntersectSegmentBoxFaces(const float P0[3], const float P1[3], const D3DXVECTOR3 corners[8]);

// Pitch, yaw and roll of a rotation matrix, each in [0, 2 pi).
void MatrixToAngles(const D3DXMATRIX* m, float* pitch, float* yaw, float* roll);
} // namespace Geom
