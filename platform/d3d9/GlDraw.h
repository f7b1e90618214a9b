#pragma once
// One draw call as the GL path takes it, after the device checked it.

#include "platform/d3d9/D3D9Types.h"
#include "platform/d3d9/D3D9States.h"

#include <epoxy/gl.h>

#include <cstddef>

namespace tk::d3d9
{
struct GlDraw
{
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    UINT count = 0;       // vertices (or indices) to draw
    UINT firstVertex = 0; // non-indexed draws
    bool indexed = false;
    GLenum indexType = GL_UNSIGNED_SHORT;
    size_t indexByteOffset = 0; // into the index buffer
    INT baseVertex = 0;
    // The *UP draws: data in user memory.
    const void* userVertices = nullptr;
    size_t userVertexBytes = 0;
    UINT userStride = 0;
    const void* userIndices = nullptr;
    size_t userIndexBytes = 0;
};
} // namespace tk::d3d9
