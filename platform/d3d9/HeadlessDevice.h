#pragma once
// What tests can see of and inject into the Direct3D 9 layer. The device keeps
// every resource and state in memory whatever the backend, so these work with
// SDL presentation too; tests run headless.
//
// Defaults (restored by TkD3D9ResetHeadless):
// - CreateDevice never fails; hardware vertex processing is available.
// - Vertex and pixel shader version 3.0.
// - Depth formats D16, D24S8, D24X8 and D32 are supported; D24X4S4 and D15S1
//   are not (as on most current hardware).
// - Multisampling: NONE, 2 and 4 samples supported (one quality level each),
//   NONMASKABLE with 4 quality levels; every other count is not.
// - No device is lost.

#include "platform/d3d9/D3D9.h"

#include <memory>
#include <string>
#include <vector>

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

// ---- Controls --------------------------------------------------------------------
// Everything below back to its default; devices that exist keep their state.
void TkD3D9ResetHeadless();
// The next `count` CreateDevice calls fail with D3DERR_NOTAVAILABLE.
void TkD3D9FailCreateDevice(int count);
// Without hardware vertex processing, CreateDevice with HARDWARE or MIXED
// vertex processing fails with D3DERR_NOTAVAILABLE; SOFTWARE succeeds.
void TkD3D9SetHardwareVertexProcessing(bool available);
// Shader versions in the caps, e.g. D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0).
void TkD3D9SetShaderVersions(DWORD vertexShaderVersion, DWORD pixelShaderVersion);
void TkD3D9SetDepthFormatSupported(D3DFORMAT format, bool supported);
void TkD3D9SetMultiSampleSupported(D3DMULTISAMPLE_TYPE type, bool supported);
// Every live device becomes lost (the event script's "device lost").
void TkD3D9LoseDevices();
// The cause of the loss is gone: lost devices now await Reset ("device restored").
void TkD3D9RestoreDevices();
// Hooks the event-script verbs "device lost" and "device restored"; the first
// Direct3DCreate9 does it.
void TkD3D9RegisterScriptActions();

// ---- What a test reads -----------------------------------------------------------
// The most recently created device that still exists (no reference added).
IDirect3DDevice9* TkD3D9CurrentDevice();
TkDeviceState TkD3D9GetDeviceState(IDirect3DDevice9* device);
// Successful presents since creation.
UINT TkD3D9GetPresentCount(IDirect3DDevice9* device);
const std::vector<TkDrawRecord>& TkD3D9GetDrawLog(IDirect3DDevice9* device, TkFrame frame);
// All draw calls of the frame, logged or not.
UINT TkD3D9GetDrawCount(IDirect3DDevice9* device, TkFrame frame);
// Default-pool objects the game still holds (each a description such as
// "texture 256x256 A8R8G8B8 RENDERTARGET levels 1"); Reset is refused while
// this is not empty.
std::vector<std::string> TkD3D9GetLiveDefaultPoolObjects(IDirect3DDevice9* device);
// A name shown in front of the description (e.g. "HDRTex").
void TkD3D9SetObjectName(IUnknown* object, const char* name);
// Owners outside the device that hold default-pool objects of their own
// (effects, fonts) and must be released before Reset; counted like resources.
void TkD3D9HoldDefaultPoolObject(IDirect3DDevice9* device, const void* owner, const char* description);
void TkD3D9ReleaseDefaultPoolObject(IDirect3DDevice9* device, const void* owner);

// The memory of any surface; false for a foreign or null surface.
bool TkD3D9ReadSurface(IDirect3DSurface9* surface, TkSurfacePixels* out);
// One pixel of a colour surface as ARGB; false outside the surface or for
// formats without per-pixel colour.
bool TkD3D9ReadPixel(IDirect3DSurface9* surface, UINT x, UINT y, D3DCOLOR* out);
// The back buffer as the last successful Present showed it.
bool TkD3D9GetLastPresented(IDirect3DDevice9* device, TkSurfacePixels* out);
