// The segment queries of the engine. Thresholds are applied to single
// precision values on purpose: shot and sight results must not change with
// the compiler's choice of intermediate precision.
#include "shell/Geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
struct V3
{
    float x, y, z;
};

V3 Load(const float* p)
{
    return V3{p[0], p[1], p[2]};
}
V3 Sub(const V3& a, const V3& b)
{
    return V3{a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 Add(const V3& a, const V3& b)
{
    return V3{a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 Mul(const V3& a, float s)
{
    return V3{a.x * s, a.y * s, a.z * s};
}
float Dot(const V3& a, const V3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(const V3& a, const V3& b)
{
    return V3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

// The angle of a 2D direction with sine part s and cosine part c, in [0, 2 pi).
float AngleOf(float s, float c)
{
    const float len = std::sqrt(s * s + c * c);
    if (len > 0.0f)
    {
        s /= len;
        c /= len;
    }
    else
    {
        s = c = 0.0f;
    }
    s = std::clamp(s, -1.0f, 1.0f);
    c = std::clamp(c, -1.0f, 1.0f);
    if (std::fabs(s) + std::fabs(c) <= 0.01f)
        return 0.0f;
    const float a = std::asin(std::fabs(s));
    float angle;
    if (s >= 0.0f)
        angle = c >= 0.0f ? a : kPi - a;
    else
        angle = c < 0.0f ? kPi + a : kTwoPi - a;
    // A sine a hair below zero would round 2 pi - a up to 2 pi itself.
    return angle >= kTwoPi ? 0.0f : angle;
}
} // namespace

namespace Geom
{
void TransformPoint(float out[3], const float p[3], const D3DXMATRIX* m)
{
    const D3DXVECTOR3 v(p[0], p[1], p[2]);
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, &v, m);
    out[0] = r.x;
    out[1] = r.y;
    out[2] = r.z;
}

void PerpendicularVector(float out[3], const float v[3])
{
    const float x = v[0], y = v[1], z = v[2];
    out[0] = y;
    out[1] = z;
    out[2] = x;
    const float len = std::sqrt(x * x + y * y + z * z);
    if (len <= 0.0f)
        return;
    const float ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    if (ax > ay && ax > az)
    {
        out[0] = -(len * (y + z)) / x;
        out[1] = len;
        out[2] = len;
    }
    else if (ay > az)
    {
        out[0] = len;
        out[1] = -(len * (x + z)) / y;
        out[2] = len;
    }
    else
    {
        out[0] = len;
        out[1] = len;
        out[2] = -(len * (x + y)) / z;
    }
}

float SegmentSegmentDistance(const float P0[3], const float P1[3], const float Q0[3], const float Q1[3],
                             float* sOut, float* tOut)
{
    // Minimise Q(s, t) = a s^2 + 2 b s t + c t^2 + 2 d s + 2 e t + f over the
    // unit square, classifying the unconstrained minimum into the square's nine
    // regions (interior, four edges, four corners).
    //
    // The sums are formed in double: for long, nearly parallel segments the
    // determinant is a difference of nearly equal products, and single
    // precision would make up a slant that is not there. The threshold is
    // applied to the determinant rounded to single precision.
    double d0[3], d1[3], w[3];
    for (int i = 0; i < 3; ++i)
    {
        d0[i] = double(P1[i]) - P0[i];
        d1[i] = double(Q1[i]) - Q0[i];
        w[i] = double(P0[i]) - Q0[i];
    }
    auto dot = [](const double* u, const double* v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; };
    const double a = dot(d0, d0), b = -dot(d0, d1), c = dot(d1, d1), d = dot(d0, w), f = dot(w, w);
    const double det = std::fabs(a * c - b * b);
    double s, t, dist;

    if (a == 0.0 || c == 0.0)
    {
        // A segment of zero length is a point: the nearest point of the other
        // segment to it. (The region method below assumes two real segments.)
        const double e = -dot(d1, w);
        s = a == 0.0 ? 0.0 : std::clamp(-d / a, 0.0, 1.0);
        t = c == 0.0 ? 0.0 : std::clamp(-e / c, 0.0, 1.0);
        dist = a * s * s + 2.0 * b * s * t + c * t * t + 2.0 * d * s + 2.0 * e * t + f;
    }
    else if (static_cast<float>(det) >= 1e-5f)
    {
        const double e = -dot(d1, w);
        s = b * e - c * d;
        t = b * d - a * e;

        if (s >= 0.0f)
        {
            if (s <= det)
            {
                if (t >= 0.0f)
                {
                    if (t <= det) // interior
                    {
                        const double inv = 1.0 / det;
                        s *= inv;
                        t *= inv;
                        dist = s * (a * s + b * t + 2.0f * d) + t * (b * s + c * t + 2.0f * e) + f;
                    }
                    else // edge t = 1
                    {
                        t = 1.0f;
                        const double tmp = b + d;
                        if (tmp >= 0.0f)
                        {
                            s = 0.0f;
                            dist = c + 2.0f * e + f;
                        }
                        else if (-tmp >= a)
                        {
                            s = 1.0f;
                            dist = a + c + f + 2.0f * (e + tmp);
                        }
                        else
                        {
                            s = -tmp / a;
                            dist = tmp * s + c + 2.0f * e + f;
                        }
                    }
                }
                else // edge t = 0
                {
                    t = 0.0f;
                    if (d >= 0.0f)
                    {
                        s = 0.0f;
                        dist = f;
                    }
                    else if (-d >= a)
                    {
                        s = 1.0f;
                        dist = a + 2.0f * d + f;
                    }
                    else
                    {
                        s = -d / a;
                        dist = d * s + f;
                    }
                }
            }
            else
            {
                if (t >= 0.0f)
                {
                    if (t <= det) // edge s = 1
                    {
                        s = 1.0f;
                        const double tmp = b + e;
                        if (tmp >= 0.0f)
                        {
                            t = 0.0f;
                            dist = a + 2.0f * d + f;
                        }
                        else if (-tmp >= c)
                        {
                            t = 1.0f;
                            dist = a + c + f + 2.0f * (d + tmp);
                        }
                        else
                        {
                            t = -tmp / c;
                            dist = tmp * t + a + 2.0f * d + f;
                        }
                    }
                    else // corner s = 1, t = 1
                    {
                        double tmp = b + d;
                        if (-tmp <= a)
                        {
                            t = 1.0f;
                            if (tmp >= 0.0f)
                            {
                                s = 0.0f;
                                dist = c + 2.0f * e + f;
                            }
                            else
                            {
                                s = -tmp / a;
                                dist = tmp * s + c + 2.0f * e + f;
                            }
                        }
                        else
                        {
                            s = 1.0f;
                            tmp = b + e;
                            if (tmp >= 0.0f)
                            {
                                t = 0.0f;
                                dist = a + 2.0f * d + f;
                            }
                            else if (-tmp >= c)
                            {
                                t = 1.0f;
                                dist = a + c + f + 2.0f * (d + tmp);
                            }
                            else
                            {
                                t = -tmp / c;
                                dist = tmp * t + a + 2.0f * d + f;
                            }
                        }
                    }
                }
                else // corner s = 1, t = 0
                {
                    if (-d < a)
                    {
                        t = 0.0f;
                        if (d >= 0.0f)
                        {
                            s = 0.0f;
                            dist = f;
                        }
                        else
                        {
                            s = -d / a;
                            dist = d * s + f;
                        }
                    }
                    else
                    {
                        s = 1.0f;
                        const double tmp = b + e;
                        if (tmp >= 0.0f)
                        {
                            t = 0.0f;
                            dist = a + 2.0f * d + f;
                        }
                        else if (-tmp >= c)
                        {
                            t = 1.0f;
                            dist = a + c + f + 2.0f * (d + tmp);
                        }
                        else
                        {
                            t = -tmp / c;
                            dist = tmp * t + a + 2.0f * d + f;
                        }
                    }
                }
            }
        }
        else
        {
            if (t >= 0.0f)
            {
                if (t <= det) // edge s = 0
                {
                    s = 0.0f;
                    if (e >= 0.0f)
                    {
                        t = 0.0f;
                        dist = f;
                    }
                    else if (-e >= c)
                    {
                        t = 1.0f;
                        dist = c + 2.0f * e + f;
                    }
                    else
                    {
                        t = -e / c;
                        dist = e * t + f;
                    }
                }
                else // corner s = 0, t = 1
                {
                    const double tmp = b + d;
                    if (tmp < 0.0f)
                    {
                        t = 1.0f;
                        if (-tmp >= a)
                        {
                            s = 1.0f;
                            dist = a + c + f + 2.0f * (e + tmp);
                        }
                        else
                        {
                            s = -tmp / a;
                            dist = tmp * s + c + 2.0f * e + f;
                        }
                    }
                    else
                    {
                        s = 0.0f;
                        if (e >= 0.0f)
                        {
                            t = 0.0f;
                            dist = f;
                        }
                        else if (-e >= c)
                        {
                            t = 1.0f;
                            dist = c + 2.0f * e + f;
                        }
                        else
                        {
                            t = -e / c;
                            dist = e * t + f;
                        }
                    }
                }
            }
            else // corner s = 0, t = 0
            {
                if (d < 0.0f)
                {
                    t = 0.0f;
                    if (-d >= a)
                    {
                        s = 1.0f;
                        dist = a + 2.0f * d + f;
                    }
                    else
                    {
                        s = -d / a;
                        dist = d * s + f;
                    }
                }
                else
                {
                    s = 0.0f;
                    if (e >= 0.0f)
                    {
                        t = 0.0f;
                        dist = f;
                    }
                    else if (-e >= c)
                    {
                        t = 1.0f;
                        dist = c + 2.0f * e + f;
                    }
                    else
                    {
                        t = -e / c;
                        dist = e * t + f;
                    }
                }
            }
        }
    }
    else
    {
        // Parallel (or degenerate) segments: the minimum lies on an edge of the square.
        if (b > 0.0) // directions point apart
        {
            if (d >= 0.0f)
            {
                s = 0.0f;
                t = 0.0f;
                dist = f;
            }
            else if (-d <= a)
            {
                s = -d / a;
                t = 0.0f;
                dist = d * s + f;
            }
            else
            {
                const double e = -dot(d1, w);
                s = 1.0f;
                const double tmp = a + d;
                if (-tmp >= b)
                {
                    t = 1.0f;
                    dist = a + c + f + 2.0f * (b + d + e);
                }
                else
                {
                    t = -tmp / b;
                    dist = a + 2.0f * d + f + t * (c * t + 2.0f * (b + e));
                }
            }
        }
        else // directions point the same way
        {
            if (-d >= a)
            {
                s = 1.0f;
                t = 0.0f;
                dist = a + 2.0f * d + f;
            }
            else if (d <= 0.0f)
            {
                s = -d / a;
                t = 0.0f;
                dist = d * s + f;
            }
            else
            {
                const double e = -dot(d1, w);
                s = 0.0f;
                if (d >= -b)
                {
                    t = 1.0f;
                    dist = c + 2.0f * e + f;
                }
                else
                {
                    t = -d / b;
                    dist = f + t * (2.0f * e + c * t);
                }
            }
        }
    }

    if (sOut)
        *sOut = static_cast<float>(s);
    if (tOut)
        *tOut = static_cast<float>(t);
    return static_cast<float>(std::fabs(dist));
}

bool SphereTest(const float P0[3], const float P1[3], const float C[3], float r)
{
    const V3 p0 = Load(P0), p1 = Load(P1), c = Load(C);
    const V3 d = Sub(p1, p0);
    const float len2 = Dot(d, d);
    V3 closest = p0;
    if (std::fabs(len2) >= 0.0001f)
    {
        const float u = Dot(Sub(c, p0), d) / len2;
        if (u >= 1.0f)
            closest = p1;
        else if (u > 0.0f)
            closest = Add(p0, Mul(d, u));
    }
    const V3 off = Sub(c, closest);
    return Dot(off, off) <= r * r;
}

bool IntersectSegmentSphere(const float P0[3], const float P1[3], const float C[3], float r, float* t)
{
    const V3 p0 = Load(P0), c = Load(C);
    const V3 d = Sub(Load(P1), p0);
    const float qa = Dot(d, d);
    const float qb = 2.0f * Dot(d, Sub(p0, c));
    // |P0 - C|^2 - r^2, formed from the difference: the sum of the squares
    // loses a small sphere entirely a few hundred units from the origin.
    const V3 m = Sub(p0, c);
    const float qc = Dot(m, m) - r * r;
    const float disc = qb * qb - 4.0f * qa * qc;
    if (disc <= 0.0f || qa == 0.0f)
        return false;
    const float root = std::sqrt(disc);
    float hit = (-qb - root) / (2.0f * qa);
    if (hit < 0.0f)
        hit = (root - qb) / (2.0f * qa);
    if (hit < 0.0f || hit > 1.0f)
        return false;
    if (t)
        *t = hit;
    return true;
}

bool IntersectTriangle(const float P0[3], const float P1[3], const float V0[3], const float V1[3],
                       const float V2[3], float hit[3], float* tOut)
{
    const V3 p0 = Load(P0), p1 = Load(P1), v0 = Load(V0);
    const V3 e1 = Sub(Load(V1), v0), e2 = Sub(Load(V2), v0);
    const V3 n = Cross(e1, e2);
    if (n.x > -0.001f && n.x < 0.001f && n.y > -0.001f && n.y < 0.001f && n.z > -0.001f && n.z < 0.001f)
        return false; // degenerate triangle

    const float dist0 = Dot(Sub(p0, v0), n);
    const float dist1 = Dot(Sub(p1, v0), n);
    if (-dist0 * dist1 <= 0.0f)
        return false; // both ends on one side, or an end on the plane

    const V3 dir = Sub(p1, p0);
    const float den = Dot(dir, n);
    if (std::fabs(den) < 0.0001f)
        return false;

    const float t = -dist0 / den;
    if (tOut)
        *tOut = t;
    if (t < 0.0f || t > 1.0f)
        return false;

    const V3 x = Add(p0, Mul(dir, t));
    if (hit)
    {
        hit[0] = x.x;
        hit[1] = x.y;
        hit[2] = x.z;
    }
    const V3 w = Sub(x, v0);
    const float uu = Dot(e2, e2), vv = Dot(e1, e1), uv = Dot(e1, e2);
    const float wu = Dot(w, e2), wv = Dot(w, e1);
    const float den2 = uv * uv - uu * vv;
    const float s1 = (wu * uv - wv * uu) / den2;
    if (s1 < 0.0f || s1 > 1.0f)
        return false;
    const float s2 = (wv * uv - wu * vv) / den2;
    if (s2 < 0.0f || s1 + s2 > 1.0f)
        return false;
    return true;
}

bool SegmentHitsTriangle(const float P0[3], const float P1[3], const float V0[3], const float V1[3],
                         const float V2[3])
{
    return IntersectTriangle(P0, P1, V0, V1, V2, nullptr, nullptr);
}

bool IntersectBox(const float P0[3], const float P1[3], const float boxMin[3], const float boxMax[3])
{
    auto inside = [&](const float* p)
    {
        for (int i = 0; i < 3; ++i)
            if (p[i] < boxMin[i] || p[i] > boxMax[i])
                return false;
        return true;
    };
    if (inside(P0) || inside(P1))
        return true;

    for (int axis = 0; axis < 3; ++axis)
    {
        const float delta = P1[axis] - P0[axis];
        if (delta == 0.0f)
            continue;
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (const float face : {boxMin[axis], boxMax[axis]})
        {
            const float t = (face - P0[axis]) / delta;
            if (t < 0.0f || t > 1.0f)
                continue;
            const float pu = P0[u] + t * (P1[u] - P0[u]);
            const float pv = P0[v] + t * (P1[v] - P0[v]);
            if (pu >= boxMin[u] && pu <= boxMax[u] && pv >= boxMin[v] && pv <= boxMax[v])
                return true;
        }
    }
    return false;
}

bool IntersectSegmentBoxFaces(const float P0[3], const float P1[3], const float corners[8][3])
{
    const V3 p0 = Load(P0), p1 = Load(P1);
    const V3 c0 = Load(corners[0]), c1 = Load(corners[1]), c3 = Load(corners[3]), c4 = Load(corners[4]);

    // The six face planes: a point on the plane and the outward normal.
    const V3 planes[6][2] = {
        {c0, Sub(c0, c4)}, {c4, Sub(c4, c0)}, {c0, Sub(c0, c1)},
        {c1, Sub(c1, c0)}, {c0, Sub(c0, c3)}, {c3, Sub(c3, c0)},
    };
    bool p0Outside = false, p1Outside = false;
    for (const auto& plane : planes)
    {
        const bool out0 = Dot(Sub(p0, plane[0]), plane[1]) > 0.0f;
        const bool out1 = Dot(Sub(p1, plane[0]), plane[1]) > 0.0f;
        if (out0 && out1)
            return false;
        p0Outside |= out0;
        p1Outside |= out1;
    }
    if (!p0Outside || !p1Outside)
        return true;

    static const int kFaces[12][3] = {{0, 1, 2}, {2, 3, 0}, {5, 4, 7}, {7, 6, 5}, {4, 0, 3}, {3, 7, 4},
                                      {1, 5, 6}, {6, 2, 1}, {3, 2, 6}, {6, 7, 3}, {4, 5, 1}, {1, 0, 4}};
    for (const auto& f : kFaces)
        if (SegmentHitsTriangle(P0, P1, corners[f[0]], corners[f[1]], corners[f[2]]))
            return true;
    return false;
}

bool IntersectSegmentBoxFaces(const float P0[3], const float P1[3], const D3DXVECTOR3 corners[8])
{
    float c[8][3];
    for (int i = 0; i < 8; ++i)
    {
        c[i][0] = corners[i].x;
        c[i][1] = corners[i].y;
        c[i][2] = corners[i].z;
    }
    return IntersectSegmentBoxFaces(P0, P1, c);
}

void MatrixToAngles(const D3DXMATRIX* m, float* pitch, float* yaw, float* roll)
{
    const float unitZ[3] = {0, 0, 1}, unitY[3] = {0, 1, 0};
    float f[3], u[3];
    TransformPoint(f, unitZ, m);
    TransformPoint(u, unitY, m);

    // Yaw from the forward axis on the ground plane; then turn both axes back.
    const float y = AngleOf(f[0], f[2]);
    {
        const float c = std::cos(y), s = std::sin(y);
        const float fx = f[0] * c - f[2] * s, fz = f[0] * s + f[2] * c;
        const float ux = u[0] * c - u[2] * s, uz = u[0] * s + u[2] * c;
        f[0] = fx, f[2] = fz;
        u[0] = ux, u[2] = uz;
    }

    // Pitch from the de-yawed forward axis; positive pitch looks down.
    const float p = AngleOf(-f[1], f[2]);
    {
        const float c = std::cos(p), s = std::sin(p);
        const float uy = u[1] * c + u[2] * s, uz = -u[1] * s + u[2] * c;
        u[1] = uy, u[2] = uz;
    }

    // Roll from what is left of the up axis.
    const float r = AngleOf(-u[0], u[1]);

    if (pitch)
        *pitch = p;
    if (yaw)
        *yaw = y;
    if (roll)
        *roll = r;
}
} // namespace Geom
