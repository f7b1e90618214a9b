#pragma once
// The fixed-function pipeline as GLSL: what a draw without shaders asks of
// the vertex and texture stages, reduced to a key, and the vertex and
// fragment shader text for a key. The device links one program per key.

#include "platform/d3d9/DeviceRecords.h"

#include <string>

namespace tk::d3d9
{
constexpr UINT kMaxTexCoordSets = 8;

struct FixedStage
{
    DWORD colorOp, colorArg0, colorArg1, colorArg2;
    DWORD alphaOp, alphaArg0, alphaArg1, alphaArg2;
    DWORD texCoordSet; // the vertex's texture coordinates the stage reads
    DWORD sampler;     // 0 no texture, 1 a 2D texture, 2 a cube texture
};

// Every field decides shader text; the rest of the state reaches the
// program through uniforms. Kept as plain words so keys compare as bytes.
struct FixedKey
{
    DWORD pretransformed;
    DWORD hasDiffuse;
    DWORD hasSpecular;
    DWORD texCoordSets; // sets the vertex carries
    DWORD stageCount;   // stages before the first disabled one
    FixedStage stages[TK_D3D_TEXTURE_STAGES];
    DWORD alphaFunc;       // D3DCMP_ALWAYS when alpha testing is off
    DWORD fogMode;         // D3DFOG_*, NONE when fog is off
    DWORD fogFromSpecular; // pre-transformed vertices carry their fog in specular alpha
};

// Uniforms of the generated programs.
#define TK_FF_VIEWPORT "tk_ffViewport"           // vec4: x, y, width, height in pixels
#define TK_FF_WORLDVIEWPROJ "tk_ffWorldViewProj" // mat4, row vectors
#define TK_FF_WORLDVIEW "tk_ffWorldView"         // mat4, row vectors
#define TK_FF_TFACTOR "tk_ffTextureFactor"       // vec4
#define TK_FF_CONSTANTS "tk_ffStageConstants"    // vec4[8]
#define TK_FF_ALPHAREF "tk_ffAlphaRef"           // float, 0..255
#define TK_FF_FOGCOLOR "tk_ffFogColor"           // vec4
#define TK_FF_FOGPARAMS "tk_ffFogParams"         // vec4: start, end, density
#define TK_FF_SAMPLER "tk_ffSampler"             // tk_ffSampler0.. per stage

std::string FixedVertexShader(const FixedKey& key);
std::string FixedFragmentShader(const FixedKey& key);
} // namespace tk::d3d9
