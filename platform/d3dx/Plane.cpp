// D3DX planes: a*x + b*y + c*z + d = 0 with (a, b, c) the normal.
#include "platform/d3dx/D3DXMath.h"

#include <cmath>

D3DXPLANE::D3DXPLANE(const FLOAT* p)
    : a(p ? p[0] : 0.0f), b(p ? p[1] : 0.0f), c(p ? p[2] : 0.0f), d(p ? p[3] : 0.0f)
{
}

D3DXPLANE& D3DXPLANE::operator*=(FLOAT f)
{
    a *= f, b *= f, c *= f, d *= f;
    return *this;
}

D3DXPLANE& D3DXPLANE::operator/=(FLOAT f)
{
    return *this *= 1.0f / f;
}

D3DXPLANE D3DXPLANE::operator/(FLOAT f) const
{
    return *this * (1.0f / f);
}

FLOAT D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v)
{
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w;
}

FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v)
{
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}

FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v)
{
    return p->a * v->x + p->b * v->y + p->c * v->z;
}

D3DXPLANE* D3DXPlaneScale(D3DXPLANE* out, const D3DXPLANE* p, FLOAT s)
{
    *out = *p * s;
    return out;
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p)
{
    const FLOAT len = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    if (len == 0.0f)
        *out = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    else
        *out = D3DXPLANE(p->a / len, p->b / len, p->c / len, p->d / len);
    return out;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal)
{
    *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
    return out;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                               const D3DXVECTOR3* v3)
{
    const D3DXVECTOR3 e1 = *v2 - *v1, e2 = *v3 - *v1;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return D3DXPlaneFromPointNormal(out, v1, &n);
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2)
{
    const D3DXVECTOR3 dir = *v2 - *v1;
    const FLOAT den = D3DXPlaneDotNormal(p, &dir);
    if (den == 0.0f)
        return nullptr;
    const FLOAT t = -D3DXPlaneDotCoord(p, v1) / den;
    *out = *v1 + t * dir;
    return out;
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m)
{
    const D3DXVECTOR4 v(p->a, p->b, p->c, p->d);
    D3DXVECTOR4 r;
    D3DXVec4Transform(&r, &v, m);
    *out = D3DXPLANE(r.x, r.y, r.z, r.w);
    return out;
}
