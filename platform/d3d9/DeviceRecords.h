#pragma once
// Inside the Direct3D 9 layer: the limits the device keeps state for, the
// record of one draw call, and reads of any surface's pixels that the layer's
// own parts (D3DX's surface saver) and tests use. Game code does not include
// this page.

#include "platform/d3d9/D3D9.h"

#include <memory>

// ---- Limits the device keeps state for ------------------------------------------
#define TK_D3D_MAX_RENDER_TARGETS 4
#define TK_D3D_MAX_STREAMS 16
#define TK_D3D_PIXEL_SAMPLERS 16
#define TK_D3D_TEXTURE_STAGES 8
#define TK_D3D_RENDER_STATES 256
#define TK_D3D_SAMPLER_STATES 14
#define TK_D3D_STAGE_STATES 33
// Draw calls of one frame kept in the log; later calls are counted only.
#define TK_D3D_MAX_LOGGED_DRAWS 1024

enum class TkDeviceState
{
    Ok,       // TestCooperativeLevel answers D3D_OK
    Lost,     // D3DERR_DEVICELOST
    NotReset, // D3DERR_DEVICENOTRESET
};

enum class TkDrawCall
{
    Primitive,
    IndexedPrimitive,
    PrimitiveUP,
    IndexedPrimitiveUP,
};

struct TkStreamRecord
{
    IDirect3DVertexBuffer9* buffer; // identity only; may be freed by now
    UINT offset;
    UINT stride;
};

// What the effect layer had in force for a draw (platform/d3dx/EffectDrawLog.h).
struct TkEffectDrawState;

// One draw call with the state it was made in. Object pointers are kept for
// identity (compare with the objects the test holds) and hold no reference.
struct TkDrawRecord
{
    TkDrawCall call;
    D3DPRIMITIVETYPE primitiveType;
    UINT primitiveCount;
    UINT startVertex;          // DrawPrimitive
    INT baseVertexIndex;       // DrawIndexedPrimitive
    UINT minVertexIndex;       // indexed draws
    UINT numVertices;          // indexed draws
    UINT startIndex;           // DrawIndexedPrimitive
    UINT userStride;           // the *UP draws
    D3DFORMAT userIndexFormat; // DrawIndexedPrimitiveUP

    DWORD fvf;
    IDirect3DVertexDeclaration9* declaration;
    TkStreamRecord streams[TK_D3D_MAX_STREAMS];
    IDirect3DIndexBuffer9* indices;
    D3DFORMAT indexFormat;
    IDirect3DBaseTexture9* textures[TK_D3D_PIXEL_SAMPLERS];
    IDirect3DSurface9* renderTargets[TK_D3D_MAX_RENDER_TARGETS];
    IDirect3DSurface9* depthStencil;
    D3DVIEWPORT9 viewport;
    D3DMATRIX world;
    D3DMATRIX view;
    D3DMATRIX projection;

    DWORD renderStates[TK_D3D_RENDER_STATES];
    DWORD samplerStates[TK_D3D_PIXEL_SAMPLERS][TK_D3D_SAMPLER_STATES];
    DWORD stageStates[TK_D3D_TEXTURE_STAGES][TK_D3D_STAGE_STATES];
    // The effect, technique, pass and shader values of the effect pass the
    // draw was made in; null outside any pass.
    std::shared_ptr<const TkEffectDrawState> effect;

    DWORD RenderState(D3DRENDERSTATETYPE state) const { return renderStates[state & 0xff]; }
    DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const { return samplerStates[sampler][type]; }
    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const { return stageStates[stage][type]; }
};

enum class TkFrame
{
    Current, // draws since the last Present
    Last,    // draws of the frame the last successful Present showed
};

// The pixels of a surface as they lie in memory (no lock needed, any pool).
struct TkSurfacePixels
{
    const BYTE* bits;
    INT pitch;
    UINT width;
    UINT height;
    D3DFORMAT format;
};

// The memory of any surface; false for a foreign or null surface.
bool TkD3D9ReadSurface(IDirect3DSurface9* surface, TkSurfacePixels* out);
// One pixel of a colour surface as ARGB; false outside the surface or for
// formats without per-pixel colour.
bool TkD3D9ReadPixel(IDirect3DSurface9* surface, UINT x, UINT y, D3DCOLOR* out);
// For a device's back buffer read after a Present (and before anything is
// drawn into it again): the picture the player saw, through the gamma ramp;
// false otherwise. Screenshots save this.
bool TkD3D9ReadShownSurface(IDirect3DSurface9* surface, TkSurfacePixels* out);
