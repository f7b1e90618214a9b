#pragma once
// The value types Direct3D 9 and D3DX share: vectors, matrices, colours.
// Layouts match the 32-bit originals (all 4-byte fields) because stored files
// and vertex buffers carry them.

#include "platform/win32/WinTypes.h"

typedef DWORD D3DCOLOR;

#define D3DCOLOR_ARGB(a, r, g, b)                                                                            \
    ((D3DCOLOR)((((DWORD)(a) & 0xff) << 24) | (((DWORD)(r) & 0xff) << 16) | (((DWORD)(g) & 0xff) << 8) |     \
                ((DWORD)(b) & 0xff)))
#define D3DCOLOR_RGBA(r, g, b, a) D3DCOLOR_ARGB(a, r, g, b)
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)
#define D3DCOLOR_COLORVALUE(r, g, b, a)                                                                      \
    D3DCOLOR_RGBA((DWORD)((r) * 255.f), (DWORD)((g) * 255.f), (DWORD)((b) * 255.f), (DWORD)((a) * 255.f))

struct D3DVECTOR
{
    float x, y, z;
};

struct D3DCOLORVALUE
{
    float r, g, b, a;
};

struct D3DRECT
{
    LONG x1, y1, x2, y2;
};

struct D3DMATRIX
{
    union
    {
        struct
        {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

static_assert(sizeof(D3DVECTOR) == 12, "D3DVECTOR is three floats");
static_assert(sizeof(D3DMATRIX) == 64, "D3DMATRIX is sixteen floats");
