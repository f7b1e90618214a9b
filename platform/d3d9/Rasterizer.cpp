#include "platform/d3d9/Rasterizer.h"

#include "platform/d3d9/DeviceChild.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/VertexDeclaration.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tk::d3d9
{
namespace
{
float ReadFloat(const BYTE* p)
{
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

Color4 Saturate(Color4 c)
{
    return {std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f),
            std::clamp(c.a, 0.0f, 1.0f)};
}

int Address(int i, int size, DWORD mode)
{
    switch (mode)
    {
    case D3DTADDRESS_CLAMP:
        return std::clamp(i, 0, size - 1);
    case D3DTADDRESS_MIRROR:
    {
        const int period = 2 * size;
        int m = ((i % period) + period) % period;
        return m < size ? m : period - 1 - m;
    }
    case D3DTADDRESS_MIRRORONCE:
        return std::clamp(i < 0 ? -i - 1 : i, 0, size - 1);
    case D3DTADDRESS_BORDER:
        return (i < 0 || i >= size) ? -1 : i;
    default: // wrap
        return ((i % size) + size) % size;
    }
}

Color4 Sample(const Surface* texture, const DWORD* sampler, float u, float v)
{
    const int w = static_cast<int>(texture->Width());
    const int h = static_cast<int>(texture->Height());
    // Point sampling: the texel whose area holds the coordinate. A NaN
    // coordinate (an infinite one met a zero weight) reads texel 0, as the
    // conversion to int has no value for it.
    auto texel = [](float f) { return std::isnan(f) ? 0 : static_cast<int>(std::clamp(f, -1.0e6f, 1.0e6f)); };
    const int ix = texel(std::floor(u * w));
    const int iy = texel(std::floor(v * h));
    const int x = Address(ix, w, sampler[D3DSAMP_ADDRESSU]);
    const int y = Address(iy, h, sampler[D3DSAMP_ADDRESSV]);
    if (x < 0 || y < 0)
        return ColorFromArgb(sampler[D3DSAMP_BORDERCOLOR]);
    Color4 c;
    // Block-compressed levels have no per-pixel address: never form one.
    if (texture->BytesPerPixel() == 0 ||
        !UnpackColor(texture->Format(), const_cast<Surface*>(texture)->PixelAt(UINT(x), UINT(y)), &c))
    {
        LogOnce("Direct3D: the 2D rasteriser cannot sample compressed textures; they read as white");
        return {1, 1, 1, 1};
    }
    return c;
}

struct StageInputs
{
    Color4 diffuse;
    Color4 current;
    Color4 texture;
    Color4 factor;
    Color4 constant;
};

Color4 Argument(DWORD arg, const StageInputs& in)
{
    Color4 c;
    switch (arg & D3DTA_SELECTMASK)
    {
    case D3DTA_DIFFUSE:
        c = in.diffuse;
        break;
    case D3DTA_CURRENT:
        c = in.current;
        break;
    case D3DTA_TEXTURE:
        c = in.texture;
        break;
    case D3DTA_TFACTOR:
        c = in.factor;
        break;
    case D3DTA_CONSTANT:
        c = in.constant;
        break;
    default: // specular and temp are not kept: black
        c = {0, 0, 0, 0};
        break;
    }
    if (arg & D3DTA_COMPLEMENT)
        c = {1 - c.r, 1 - c.g, 1 - c.b, 1 - c.a};
    if (arg & D3DTA_ALPHAREPLICATE)
        c = {c.a, c.a, c.a, c.a};
    return c;
}

float Operate(DWORD op, float a, float b, const StageInputs& in)
{
    switch (op)
    {
    case D3DTOP_SELECTARG1:
        return a;
    case D3DTOP_SELECTARG2:
        return b;
    case D3DTOP_MODULATE:
        return a * b;
    case D3DTOP_MODULATE2X:
        return a * b * 2;
    case D3DTOP_MODULATE4X:
        return a * b * 4;
    case D3DTOP_ADD:
        return a + b;
    case D3DTOP_ADDSIGNED:
        return a + b - 0.5f;
    case D3DTOP_ADDSIGNED2X:
        return (a + b - 0.5f) * 2;
    case D3DTOP_SUBTRACT:
        return a - b;
    case D3DTOP_ADDSMOOTH:
        return a + b - a * b;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return a * in.diffuse.a + b * (1 - in.diffuse.a);
    case D3DTOP_BLENDTEXTUREALPHA:
        return a * in.texture.a + b * (1 - in.texture.a);
    case D3DTOP_BLENDFACTORALPHA:
        return a * in.factor.a + b * (1 - in.factor.a);
    case D3DTOP_BLENDCURRENTALPHA:
        return a * in.current.a + b * (1 - in.current.a);
    default:
        LogOnce("Direct3D: a texture-stage operation the 2D rasteriser does not know is taken as MODULATE");
        return a * b;
    }
}

bool Compare(DWORD func, int value, int reference)
{
    switch (func)
    {
    case D3DCMP_NEVER:
        return false;
    case D3DCMP_LESS:
        return value < reference;
    case D3DCMP_EQUAL:
        return value == reference;
    case D3DCMP_LESSEQUAL:
        return value <= reference;
    case D3DCMP_GREATER:
        return value > reference;
    case D3DCMP_NOTEQUAL:
        return value != reference;
    case D3DCMP_GREATEREQUAL:
        return value >= reference;
    default:
        return true;
    }
}

Color4 BlendFactor(DWORD factor, const Color4& src, const Color4& dst, const Color4& constant)
{
    switch (factor)
    {
    case D3DBLEND_ZERO:
        return {0, 0, 0, 0};
    case D3DBLEND_ONE:
        return {1, 1, 1, 1};
    case D3DBLEND_SRCCOLOR:
        return src;
    case D3DBLEND_INVSRCCOLOR:
        return {1 - src.r, 1 - src.g, 1 - src.b, 1 - src.a};
    case D3DBLEND_SRCALPHA:
        return {src.a, src.a, src.a, src.a};
    case D3DBLEND_INVSRCALPHA:
        return {1 - src.a, 1 - src.a, 1 - src.a, 1 - src.a};
    case D3DBLEND_DESTALPHA:
        return {dst.a, dst.a, dst.a, dst.a};
    case D3DBLEND_INVDESTALPHA:
        return {1 - dst.a, 1 - dst.a, 1 - dst.a, 1 - dst.a};
    case D3DBLEND_DESTCOLOR:
        return dst;
    case D3DBLEND_INVDESTCOLOR:
        return {1 - dst.r, 1 - dst.g, 1 - dst.b, 1 - dst.a};
    case D3DBLEND_SRCALPHASAT:
    {
        const float f = std::min(src.a, 1 - dst.a);
        return {f, f, f, 1};
    }
    case D3DBLEND_BLENDFACTOR:
        return constant;
    case D3DBLEND_INVBLENDFACTOR:
        return {1 - constant.r, 1 - constant.g, 1 - constant.b, 1 - constant.a};
    default:
        LogOnce("Direct3D: a blend factor the 2D rasteriser does not know is taken as ONE");
        return {1, 1, 1, 1};
    }
}

float BlendOp(DWORD op, float s, float d)
{
    switch (op)
    {
    case D3DBLENDOP_SUBTRACT:
        return s - d;
    case D3DBLENDOP_REVSUBTRACT:
        return d - s;
    case D3DBLENDOP_MIN:
        return std::min(s, d);
    case D3DBLENDOP_MAX:
        return std::max(s, d);
    default:
        return s + d;
    }
}

// The texture stages, from stage 0 until the first disabled one.
Color4 ShadePixel(const PixelPipeline& p, const Color4& diffuse, const float* u, const float* v)
{
    StageInputs in;
    in.diffuse = diffuse;
    in.current = diffuse;
    in.factor = ColorFromArgb(p.renderStates[D3DRS_TEXTUREFACTOR]);
    for (UINT stage = 0; stage < TK_D3D_TEXTURE_STAGES; ++stage)
    {
        const DWORD* s = p.stageStates[stage];
        if (s[D3DTSS_COLOROP] == D3DTOP_DISABLE)
            break;
        // A stage without a texture reads opaque white.
        in.texture = {1, 1, 1, 1};
        if (const Surface* texture = p.textures[stage])
        {
            const UINT set =
                std::min<UINT>(s[D3DTSS_TEXCOORDINDEX] & 0xffff, p.texCount ? p.texCount - 1 : 0);
            in.texture =
                p.texCount ? Sample(texture, p.samplerStates[stage], u[set], v[set]) : Color4{1, 1, 1, 1};
        }
        in.constant = ColorFromArgb(s[D3DTSS_CONSTANT]);
        const Color4 c1 = Argument(s[D3DTSS_COLORARG1], in), c2 = Argument(s[D3DTSS_COLORARG2], in);
        const DWORD colorOp = s[D3DTSS_COLOROP];
        Color4 out;
        out.r = Operate(colorOp, c1.r, c2.r, in);
        out.g = Operate(colorOp, c1.g, c2.g, in);
        out.b = Operate(colorOp, c1.b, c2.b, in);
        const DWORD alphaOp = s[D3DTSS_ALPHAOP];
        if (alphaOp == D3DTOP_DISABLE)
            out.a = in.current.a;
        else
            out.a = Operate(alphaOp, Argument(s[D3DTSS_ALPHAARG1], in).a, Argument(s[D3DTSS_ALPHAARG2], in).a,
                            in);
        in.current = Saturate(out);
    }
    return in.current;
}

void WritePixel(const PixelPipeline& p, UINT x, UINT y, Color4 src)
{
    const DWORD* rs = p.renderStates;
    if (rs[D3DRS_ALPHATESTENABLE])
    {
        const int alpha = static_cast<int>(std::lround(std::clamp(src.a, 0.0f, 1.0f) * 255.0f));
        if (!Compare(rs[D3DRS_ALPHAFUNC], alpha, static_cast<int>(rs[D3DRS_ALPHAREF] & 0xff)))
            return;
    }
    BYTE* pixel = p.target->PixelAt(x, y);
    Color4 dst;
    UnpackColor(p.target->Format(), pixel, &dst);
    Color4 out = src;
    if (rs[D3DRS_ALPHABLENDENABLE])
    {
        const Color4 constant = ColorFromArgb(rs[D3DRS_BLENDFACTOR]);
        const Color4 sf = BlendFactor(rs[D3DRS_SRCBLEND], src, dst, constant);
        const Color4 df = BlendFactor(rs[D3DRS_DESTBLEND], src, dst, constant);
        const DWORD op = rs[D3DRS_BLENDOP];
        out.r = BlendOp(op, src.r * sf.r, dst.r * df.r);
        out.g = BlendOp(op, src.g * sf.g, dst.g * df.g);
        out.b = BlendOp(op, src.b * sf.b, dst.b * df.b);
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE])
        {
            const Color4 sa = BlendFactor(rs[D3DRS_SRCBLENDALPHA], src, dst, constant);
            const Color4 da = BlendFactor(rs[D3DRS_DESTBLENDALPHA], src, dst, constant);
            out.a = BlendOp(rs[D3DRS_BLENDOPALPHA], src.a * sa.a, dst.a * da.a);
        }
        else
            out.a = BlendOp(op, src.a * sf.a, dst.a * df.a);
    }
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    if (!(mask & D3DCOLORWRITEENABLE_RED))
        out.r = dst.r;
    if (!(mask & D3DCOLORWRITEENABLE_GREEN))
        out.g = dst.g;
    if (!(mask & D3DCOLORWRITEENABLE_BLUE))
        out.b = dst.b;
    if (!(mask & D3DCOLORWRITEENABLE_ALPHA))
        out.a = dst.a;
    PackColor(p.target->Format(), out, pixel);
}

// Top-left fill rule for a triangle wound clockwise on screen (y down): an
// edge going right along the top, or going up on the left, owns its pixels.
bool IsTopLeft(double ax, double ay, double bx, double by)
{
    return (ay == by && bx > ax) || (by < ay);
}
} // namespace

bool LayoutFromFvf(DWORD fvf, VertexLayout* out)
{
    if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW)
        return false;
    VertexLayout layout;
    UINT offset = 16;
    if (fvf & D3DFVF_NORMAL)
        offset += 12;
    if (fvf & D3DFVF_PSIZE)
        offset += 4;
    if (fvf & D3DFVF_DIFFUSE)
    {
        layout.diffuseOffset = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR)
        offset += 4;
    static const UINT kCoordBytes[4] = {8, 12, 16, 4};
    const UINT count = std::min<UINT>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, kMaxTexCoords);
    for (UINT i = 0; i < count; ++i)
    {
        layout.texOffset[i] = offset;
        layout.texFloats[i] = kCoordBytes[(fvf >> (16 + 2 * i)) & 3] / 4;
        offset += kCoordBytes[(fvf >> (16 + 2 * i)) & 3];
    }
    layout.texCount = count;
    layout.size = offset;
    *out = layout;
    return true;
}

bool LayoutFromDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements, VertexLayout* out)
{
    VertexLayout layout;
    bool position = false;
    auto reach = [&](const D3DVERTEXELEMENT9& e)
    { layout.size = std::max<UINT>(layout.size, e.Offset + DeclTypeSize(e.Type)); };
    for (const auto& e : elements)
    {
        if (e.Stream != 0)
            continue;
        if (e.Usage == D3DDECLUSAGE_POSITIONT && e.UsageIndex == 0 && e.Type == D3DDECLTYPE_FLOAT4)
        {
            layout.positionOffset = e.Offset;
            position = true;
            reach(e);
        }
        else if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0 && e.Type == D3DDECLTYPE_D3DCOLOR)
        {
            layout.diffuseOffset = e.Offset;
            reach(e);
        }
        else if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < kMaxTexCoords &&
                 (e.Type == D3DDECLTYPE_FLOAT2 || e.Type == D3DDECLTYPE_FLOAT3 ||
                  e.Type == D3DDECLTYPE_FLOAT4))
        {
            layout.texOffset[e.UsageIndex] = e.Offset;
            layout.texFloats[e.UsageIndex] = DeclTypeSize(e.Type) / 4;
            layout.texCount = std::max<UINT>(layout.texCount, e.UsageIndex + 1u);
            reach(e);
        }
    }
    if (!position)
        return false;
    *out = layout;
    return true;
}

RasterVertex ReadVertex(const VertexLayout& layout, const BYTE* vertex)
{
    RasterVertex v = {};
    const BYTE* p = vertex + layout.positionOffset;
    v.x = ReadFloat(p);
    v.y = ReadFloat(p + 4);
    v.z = ReadFloat(p + 8);
    v.rhw = ReadFloat(p + 12);
    DWORD color = 0xFFFFFFFF;
    if (layout.diffuseOffset >= 0)
        std::memcpy(&color, vertex + layout.diffuseOffset, 4);
    v.diffuse = ColorFromArgb(color);
    for (UINT i = 0; i < layout.texCount; ++i)
    {
        // A set the layout does not give (or gives one float of) reads as 0:
        // never read past the fields the layout reaches.
        if (layout.texFloats[i] >= 1)
            v.u[i] = ReadFloat(vertex + layout.texOffset[i]);
        if (layout.texFloats[i] >= 2)
            v.v[i] = ReadFloat(vertex + layout.texOffset[i] + 4);
    }
    return v;
}

void DrawTriangle(const PixelPipeline& p, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c)
{
    const RasterVertex* v[3] = {&a, &b, &c};
    for (const RasterVertex* vertex : v)
        if (!std::isfinite(vertex->x) || !std::isfinite(vertex->y))
            return;
    double area = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
    if (area == 0)
        return;
    // Clockwise on screen has a positive area here (y grows downwards).
    const DWORD cull = p.renderStates[D3DRS_CULLMODE];
    if ((cull == D3DCULL_CCW && area < 0) || (cull == D3DCULL_CW && area > 0))
        return;
    if (area < 0)
    {
        std::swap(v[1], v[2]);
        area = -area;
    }
    const double x0 = v[0]->x, y0 = v[0]->y, x1 = v[1]->x, y1 = v[1]->y, x2 = v[2]->x, y2 = v[2]->y;
    // Pixel centres sit on whole coordinates.
    const double minX = std::max<double>(p.clip.left, std::ceil(std::min({x0, x1, x2})));
    const double maxX = std::min<double>(p.clip.right - 1, std::floor(std::max({x0, x1, x2})));
    const double minY = std::max<double>(p.clip.top, std::ceil(std::min({y0, y1, y2})));
    const double maxY = std::min<double>(p.clip.bottom - 1, std::floor(std::max({y0, y1, y2})));
    if (minX > maxX || minY > maxY)
        return;
    const bool tl0 = IsTopLeft(x1, y1, x2, y2), tl1 = IsTopLeft(x2, y2, x0, y0),
               tl2 = IsTopLeft(x0, y0, x1, y1);
    const bool flat = p.renderStates[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    const bool perspective = v[0]->rhw > 0 && v[1]->rhw > 0 && v[2]->rhw > 0;
    for (double y = minY; y <= maxY; ++y)
        for (double x = minX; x <= maxX; ++x)
        {
            // Edge functions, each positive inside: w0 faces vertex 0, and so on.
            const double w0 = (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1);
            const double w1 = (x0 - x2) * (y - y2) - (y0 - y2) * (x - x2);
            const double w2 = (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
            if (w0 < 0 || w1 < 0 || w2 < 0 || (w0 == 0 && !tl0) || (w1 == 0 && !tl1) || (w2 == 0 && !tl2))
                continue;
            double l[3] = {w0 / area, w1 / area, w2 / area};
            if (perspective)
            {
                const double q = l[0] * v[0]->rhw + l[1] * v[1]->rhw + l[2] * v[2]->rhw;
                for (int i = 0; i < 3; ++i)
                    l[i] = l[i] * v[i]->rhw / q;
            }
            auto mix = [&](float a0, float a1, float a2) { return float(l[0] * a0 + l[1] * a1 + l[2] * a2); };
            Color4 diffuse = a.diffuse;
            if (!flat)
                diffuse = {mix(v[0]->diffuse.r, v[1]->diffuse.r, v[2]->diffuse.r),
                           mix(v[0]->diffuse.g, v[1]->diffuse.g, v[2]->diffuse.g),
                           mix(v[0]->diffuse.b, v[1]->diffuse.b, v[2]->diffuse.b),
                           mix(v[0]->diffuse.a, v[1]->diffuse.a, v[2]->diffuse.a)};
            float u[kMaxTexCoords] = {}, t[kMaxTexCoords] = {};
            for (UINT i = 0; i < p.texCount; ++i)
            {
                u[i] = mix(v[0]->u[i], v[1]->u[i], v[2]->u[i]);
                t[i] = mix(v[0]->v[i], v[1]->v[i], v[2]->v[i]);
            }
            WritePixel(p, UINT(x), UINT(y), ShadePixel(p, diffuse, u, t));
        }
}
} // namespace tk::d3d9
