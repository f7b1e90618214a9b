#pragma once
// The yardstick the device's benchmarks measure it against: the same pixels
// drawn with bare OpenGL calls on the device's own context, with no state
// tracking, logging or checks. Only bench/ includes this page.

#include "platform/d3d9/D3D9.h"

struct TkBareGlScene;

// A scene of its own (target, texture, programs, buffers) on the device's
// context; null when the device is not one of this layer's.
TkBareGlScene* TkBareGlCreate(IDirect3DDevice9* device, UINT width, UINT height);
void TkBareGlDestroy(TkBareGlScene* scene);
// One full-screen quad, textured and alpha-blended over the target.
void TkBareGlBlendedQuad(TkBareGlScene* scene);
// `count` small indexed draws, switching texture, blending and a colour
// uniform between each.
void TkBareGlSmallDraws(TkBareGlScene* scene, int count);
// Waits until the GPU has finished everything asked of it so far.
void TkBareGlFinish(IDirect3DDevice9* device);

// Casters drawn into the six faces of a cube of distances (R32F, with a depth
// buffer of its own), each with its own buffers and world matrix: what a
// point light's all-round shadow draws, without the device in between.
struct TkBareGlCubeScene;
struct TkBareGlCaster
{
    const void* vertices; // positions first in each vertex
    UINT vertexCount;
    UINT stride;
    const void* indices;
    bool indices32;
    // Triangles drawn: ranges of (first triangle, triangle count).
    const UINT (*ranges)[2];
    UINT rangeCount;
    float world[16]; // row vectors, as the device's matrices
};
TkBareGlCubeScene* TkBareGlCreateCubeScene(IDirect3DDevice9* device, UINT edge, const TkBareGlCaster* casters,
                                           UINT count);
void TkBareGlDestroyCubeScene(TkBareGlCubeScene* scene);
// Clears the six faces and draws every caster into each, as seen from the light.
void TkBareGlDrawCube(TkBareGlCubeScene* scene, const float light[3], float range);
