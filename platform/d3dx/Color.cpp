// D3DX colours: float channels, packed to A8R8G8B8 on demand.
#include "platform/d3dx/D3DXMath.h"

namespace
{
DWORD PackChannel(FLOAT v)
{
    if (!(v > 0.0f)) // also catches NaN
        return 0;
    if (v >= 1.0f)
        return 0xff;
    return static_cast<DWORD>(v * 255.0f + 0.5f);
}
} // namespace

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(((argb >> 16) & 0xff) / 255.0f), g(((argb >> 8) & 0xff) / 255.0f), b((argb & 0xff) / 255.0f),
      a(((argb >> 24) & 0xff) / 255.0f)
{
}

D3DXCOLOR::D3DXCOLOR(const FLOAT* p)
    : r(p ? p[0] : 0.0f), g(p ? p[1] : 0.0f), b(p ? p[2] : 0.0f), a(p ? p[3] : 0.0f)
{
}

D3DXCOLOR::operator DWORD() const
{
    return (PackChannel(a) << 24) | (PackChannel(r) << 16) | (PackChannel(g) << 8) | PackChannel(b);
}

D3DXCOLOR& D3DXCOLOR::operator+=(const D3DXCOLOR& c)
{
    r += c.r, g += c.g, b += c.b, a += c.a;
    return *this;
}

D3DXCOLOR& D3DXCOLOR::operator-=(const D3DXCOLOR& c)
{
    r -= c.r, g -= c.g, b -= c.b, a -= c.a;
    return *this;
}

D3DXCOLOR& D3DXCOLOR::operator*=(FLOAT f)
{
    r *= f, g *= f, b *= f, a *= f;
    return *this;
}

D3DXCOLOR& D3DXCOLOR::operator/=(FLOAT f)
{
    return *this *= 1.0f / f;
}

D3DXCOLOR D3DXCOLOR::operator/(FLOAT f) const
{
    return *this * (1.0f / f);
}

D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2)
{
    *out = *c1 + *c2;
    return out;
}

D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2)
{
    *out = *c1 - *c2;
    return out;
}

D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s)
{
    *out = *c * s;
    return out;
}

D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2)
{
    *out = D3DXCOLOR(c1->r * c2->r, c1->g * c2->g, c1->b * c2->b, c1->a * c2->a);
    return out;
}

D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2, FLOAT s)
{
    *out = *c1 + s * (*c2 - *c1);
    return out;
}

D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* out, const D3DXCOLOR* c)
{
    *out = D3DXCOLOR(1.0f - c->r, 1.0f - c->g, 1.0f - c->b, c->a);
    return out;
}

D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s)
{
    const FLOAT grey = c->r * 0.2125f + c->g * 0.7154f + c->b * 0.0721f;
    *out = D3DXCOLOR(grey + s * (c->r - grey), grey + s * (c->g - grey), grey + s * (c->b - grey), c->a);
    return out;
}

D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s)
{
    *out = D3DXCOLOR(0.5f + s * (c->r - 0.5f), 0.5f + s * (c->g - 0.5f), 0.5f + s * (c->b - 0.5f), c->a);
    return out;
}
