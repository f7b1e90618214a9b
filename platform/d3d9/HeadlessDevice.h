#pragma once
// What tests can see of and inject into the Direct3D 9 layer: only tests, the
// event script's verbs and benchmarks include this page. The device keeps
// every resource and state whatever the backend, so these work in a window
// too; tests run headless.
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
#include "platform/d3d9/DeviceRecords.h"
#include "platform/d3d9/Diagnostics.h"

#include <string>
#include <vector>

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
// DXT textures given their GL image from now on (managed ones at their first
// draw) keep their blocks compressed on the GPU where the context can sample
// them, or with false are decoded to 32-bit texels at upload; for measuring
// and testing both. By default: compressed on a GPU, decoded on the software
// rasteriser.
void TkD3D9SetCompressedUpload(bool compressed);
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
// The objects that hold an OpenGL object now (described as for
// TkD3D9GetLiveDefaultPoolObjects); buffers take theirs at their first draw.
std::vector<std::string> TkD3D9GetGlBackedObjects(IDirect3DDevice9* device);
// The back buffer as the last successful Present showed it.
bool TkD3D9GetLastPresented(IDirect3DDevice9* device, TkSurfacePixels* out);
