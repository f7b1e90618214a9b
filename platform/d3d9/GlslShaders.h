#pragma once
// How programmable shaders meet the device. The effect layer and the device
// agree on this page and nothing else.
//
// Shader code is GLSL 4.50. IDirect3DDevice9::CreateVertexShader and
// CreatePixelShader take the shader's source as a NUL-terminated char string
// passed through their `const DWORD*` argument (cast it), compile it on the
// device's GL context and answer D3DERR_INVALIDCALL with the info log kept for
// TkGetLastShaderLog when it does not compile. A vertex and pixel shader pair
// set with SetVertexShader/SetPixelShader is linked into one program on the
// first draw that uses it (cached per pair); a pair that fails to link fails
// its draws with D3DERR_INVALIDCALL and keeps its log.
//
// Vertex inputs are bound by declaration usage at fixed locations, so a
// shader declares `layout(location = N) in` with the N of its usage below.
//
// Uniforms: every value set with TkSetShaderUniform is kept by name in the
// device and reaches any linked program that declares a uniform of that name
// and type, at its next draw; the device uploads to a program only the values
// that changed since that program last drew. Samplers are uniforms too: a
// sampler uniform's value is the texture stage it reads (SetTexture and the
// sampler states of that stage).
//
// SetVertexShaderConstantF / SetPixelShaderConstantF keep their registers; a
// program that declares `uniform vec4 tk_VSConstants[256]` or
// `uniform vec4 tk_PSConstants[224]` receives them.

#include "platform/d3d9/D3D9.h"

#include <string>

// Attribute locations by declaration usage (and usage index where it counts).
enum TkVertexAttribLocation : UINT
{
    TK_ATTRIB_POSITION = 0,
    TK_ATTRIB_BLENDWEIGHT = 1,
    TK_ATTRIB_BLENDINDICES = 2,
    TK_ATTRIB_NORMAL = 3,
    TK_ATTRIB_COLOR0 = 4,
    TK_ATTRIB_COLOR1 = 5,
    TK_ATTRIB_TANGENT = 6,
    TK_ATTRIB_BINORMAL = 7,
    TK_ATTRIB_TEXCOORD0 = 8, // TEXCOORDn at 8 + n, n from 0 to 7
    TK_ATTRIB_COUNT = 16,
};

enum class TkUniformType
{
    Bool,  // int per element, 0 or 1
    Int,   // int per element
    Float, // float per element
    Vec2,
    Vec3,
    Vec4,
    Mat4,    // 16 floats per element, row-major as D3DXMATRIX stores them; shaders
             // multiply row vectors (`v * M` in D3D terms)
    Sampler, // int per element: the texture stage
};

// Keeps `count` elements of `type` under `name` (arrays: element 0 onward).
// Answers D3DERR_INVALIDCALL for a null device, name or data, or count 0.
HRESULT TkSetShaderUniform(IDirect3DDevice9* device, const char* name, TkUniformType type, const void* data,
                           UINT count);

// The info log of the last shader compile or program link that failed on this
// device, empty when none did.
std::string TkGetLastShaderLog(IDirect3DDevice9* device);
