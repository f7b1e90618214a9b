#pragma once
// What a device keeps on the OpenGL side: its context, the linked programs,
// the uniforms set by name, framebuffers and samplers made on demand, and the
// GL state last applied, so that each draw sends only what changed.

#include "platform/d3d9/FixedFunction.h"
#include "platform/d3d9/GlContext.h"
#include "platform/d3d9/GlslShaders.h"

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tk::d3d9
{
constexpr UINT kVertexConstants = 256;
constexpr UINT kPixelConstants = 224;
constexpr UINT kGlTextureUnits = 16;
// A value no render state takes: the state is applied at the next draw.
constexpr DWORD kUnappliedState = 0xfeedfaceu;
// The uniforms of the alpha test the device adds to every pixel shader.
#define TK_ALPHA_FUNC "tk_AlphaFunc"
#define TK_ALPHA_REF "tk_AlphaRef"

struct StoredUniform
{
    TkUniformType type;
    UINT count;
    std::vector<uint32_t> words; // 4-byte elements as given
    uint64_t serial;
};

struct ProgramUniform
{
    std::string name;
    GLint location;
    GLenum glType;
    GLint size;
    const StoredUniform* value = nullptr;
    uint64_t uploaded = 0;
};

// The values of the fixed-function uniforms as last sent to one program.
struct FixedValues
{
    float viewport[4];
    float worldViewProj[16];
    float worldView[16];
    float textureFactor[4];
    float constants[TK_D3D_TEXTURE_STAGES][4];
    float alphaRef;
    float fogColor[4];
    float fogParams[4];
};

struct LinkedProgram
{
    GLuint program = 0;
    bool ok = false;
    std::vector<ProgramUniform> uniforms;
    uint64_t generation = 0; // of the uniform store when names were last looked up
    GLint vsConstants = -1;
    GLint psConstants = -1;
    // The alpha test after the pixel shader, and the values it last got.
    GLint alphaFunc = -1;
    GLint alphaRef = -1;
    DWORD alphaFuncSent = 0;
    float alphaRefSent = -1.0f;
    uint64_t vsUploaded = 0;
    uint64_t psUploaded = 0;
    // Texture units read through shadow samplers (compared depth).
    uint32_t shadowUnits = 0;
    // Fixed-function programs only.
    bool fixed = false;
    FixedValues fixedValues{};
    bool fixedSent = false;
    GLint fixedLocations[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

struct FboKey
{
    GLuint texture[TK_D3D_MAX_RENDER_TARGETS + 1];
    GLint level[TK_D3D_MAX_RENDER_TARGETS + 1];
    GLint face[TK_D3D_MAX_RENDER_TARGETS + 1];
    bool operator<(const FboKey& o) const;
};

struct GlRenderer
{
    std::unique_ptr<GlContext> context;
    GLuint vao = 0;
    GLuint emptyVao = 0;
    GLuint streamBuffer = 0; // vertices and indices of the *UP draws
    size_t streamOffset = 0;
    std::map<std::pair<GLuint, GLuint>, LinkedProgram> programs;
    std::unordered_map<std::string, LinkedProgram> fixedPrograms;
    std::unordered_map<std::string, StoredUniform> uniforms;
    uint64_t uniformSerial = 0;
    uint64_t uniformGeneration = 1;
    float vsConstants[kVertexConstants][4] = {};
    float psConstants[kPixelConstants][4] = {};
    uint64_t vsConstantSerial = 1;
    uint64_t psConstantSerial = 1;
    std::string lastLog;
    std::map<FboKey, GLuint> fbos;
    std::unordered_map<std::string, GLuint> samplers;

    // Presentation: the frame as shown (after the gamma ramp).
    GLuint presentProgram = 0;
    GLuint presentTexture = 0;
    GLuint presentFbo = 0;
    GLuint readFbo = 0;
    GLuint blitFbo = 0;  // StretchRect's destination
    GLuint clearFbo = 0; // a kept clear made on one surface alone
    GLuint gammaTexture = 0;
    UINT presentWidth = 0;
    UINT presentHeight = 0;
    D3DFORMAT presentFormat = D3DFMT_UNKNOWN;

    // The GL state last applied (what the next draw may skip).
    struct Applied
    {
        Applied() { states.fill(kUnappliedState); }
        bool valid = false;
        GLuint program = 0;
        GLuint fbo = ~0u;
        std::array<DWORD, TK_D3D_RENDER_STATES> states{};
        bool depthAttached = false;
        bool stencilAttached = false;
        float viewport[6] = {};
        GLuint textures[kGlTextureUnits] = {};
        GLenum textureTargets[kGlTextureUnits] = {};
        GLuint samplers[kGlTextureUnits] = {};
        const void* layout = nullptr; // declaration or FVF layout last described
        uint32_t enabledAttributes = 0;
        GLuint streams[TK_D3D_MAX_STREAMS] = {};
        GLintptr streamOffsets[TK_D3D_MAX_STREAMS] = {};
        GLsizei streamStrides[TK_D3D_MAX_STREAMS] = {};
        GLuint indexBuffer = 0;
        DWORD x8Mask = 0; // targets whose alpha is never written
    } applied;
};
} // namespace tk::d3d9
