// The device on OpenGL 4.5 core: resources as GL objects, draws through
// vertex declarations into up to four targets, the fixed-function stages as
// generated shaders, the effect layer's GLSL programs with their uniforms by
// name, and the last pass that shows a frame through the gamma ramp.
//
// Direct3D's conventions hold: the clip origin is the upper left and depth
// runs 0 to 1 (glClipControl), so targets read back top-down as memory holds
// them; pixel centres lie on whole coordinates (the viewport is moved half a
// pixel); clockwise triangles face the viewer; matrices are row-major and
// multiply row vectors.
#include "platform/d3d9/Device.h"

#include "platform/d3d9/CubeTexture.h"
#include "platform/d3d9/DeviceChild.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/GlDraw.h"
#include "platform/d3d9/GlFormat.h"
#include "platform/d3d9/GlRenderer.h"
#include "platform/d3d9/IndexBuffer.h"
#include "platform/d3d9/Shader.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"
#include "platform/d3d9/VertexBuffer.h"
#include "platform/d3d9/VertexDeclaration.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <regex>

namespace tk::d3d9
{
namespace
{
// The *UP draws stream their data through one buffer; a fresh store is taken
// when it is full so the GPU may still read the old one.
constexpr size_t kStreamBufferBytes = size_t(4) << 20;
constexpr DWORD kUnapplied = kUnappliedState;
constexpr GLuint kGammaEntries = 256;

// The device whose state the shared headless context holds now.
const Device* g_stateOwner = nullptr;

float AsFloat(DWORD bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void ColorFloats(D3DCOLOR c, float* out)
{
    const Color4 f = ColorFromArgb(c);
    out[0] = f.r, out[1] = f.g, out[2] = f.b, out[3] = f.a;
}

GLenum CompareFunc(DWORD func)
{
    switch (func)
    {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum StencilOp(DWORD op)
{
    switch (op)
    {
    case D3DSTENCILOP_ZERO:
        return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
        return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
        return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
        return GL_DECR;
    case D3DSTENCILOP_INVERT:
        return GL_INVERT;
    case D3DSTENCILOP_INCR:
        return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLenum BlendFactor(DWORD factor, bool alpha)
{
    switch (factor)
    {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return alpha ? GL_SRC_ALPHA : GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return alpha ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return alpha ? GL_DST_ALPHA : GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return alpha ? GL_ONE_MINUS_DST_ALPHA : GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
        return alpha ? GL_CONSTANT_ALPHA : GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
        return alpha ? GL_ONE_MINUS_CONSTANT_ALPHA : GL_ONE_MINUS_CONSTANT_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op)
{
    switch (op)
    {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum Primitive(D3DPRIMITIVETYPE type)
{
    switch (type)
    {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

GLenum AddressMode(DWORD mode)
{
    switch (mode)
    {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return GL_MIRROR_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}

// Where a declaration usage arrives in a shader; -1 for usages no shader reads.
int AttributeLocation(BYTE usage, BYTE index)
{
    switch (usage)
    {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT:
        return index == 0 ? int(TK_ATTRIB_POSITION) : -1;
    case D3DDECLUSAGE_BLENDWEIGHT:
        return index == 0 ? int(TK_ATTRIB_BLENDWEIGHT) : -1;
    case D3DDECLUSAGE_BLENDINDICES:
        return index == 0 ? int(TK_ATTRIB_BLENDINDICES) : -1;
    case D3DDECLUSAGE_NORMAL:
        return index == 0 ? int(TK_ATTRIB_NORMAL) : -1;
    case D3DDECLUSAGE_COLOR:
        return index <= 1 ? int(TK_ATTRIB_COLOR0 + index) : -1;
    case D3DDECLUSAGE_TANGENT:
        return index == 0 ? int(TK_ATTRIB_TANGENT) : -1;
    case D3DDECLUSAGE_BINORMAL:
        return index == 0 ? int(TK_ATTRIB_BINORMAL) : -1;
    case D3DDECLUSAGE_TEXCOORD:
        return index < kMaxTexCoordSets ? int(TK_ATTRIB_TEXCOORD0 + index) : -1;
    default:
        return -1;
    }
}

struct AttributeFormat
{
    GLint size;
    GLenum type;
    GLboolean normalized;
};

bool DeclFormat(BYTE type, AttributeFormat* out)
{
    switch (type)
    {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4:
        *out = {GLint(type - D3DDECLTYPE_FLOAT1 + 1), GL_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_D3DCOLOR:
        // Bytes B, G, R, A: GL swaps them back into r, g, b, a.
        *out = {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
        return true;
    case D3DDECLTYPE_UBYTE4:
        *out = {4, GL_UNSIGNED_BYTE, GL_FALSE};
        return true;
    case D3DDECLTYPE_SHORT2:
        *out = {2, GL_SHORT, GL_FALSE};
        return true;
    case D3DDECLTYPE_SHORT4:
        *out = {4, GL_SHORT, GL_FALSE};
        return true;
    case D3DDECLTYPE_UBYTE4N:
        *out = {4, GL_UNSIGNED_BYTE, GL_TRUE};
        return true;
    case D3DDECLTYPE_SHORT2N:
        *out = {2, GL_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_SHORT4N:
        *out = {4, GL_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_USHORT2N:
        *out = {2, GL_UNSIGNED_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_USHORT4N:
        *out = {4, GL_UNSIGNED_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_UDEC3:
        *out = {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_FALSE};
        return true;
    case D3DDECLTYPE_DEC3N:
        *out = {4, GL_INT_2_10_10_10_REV, GL_TRUE};
        return true;
    case D3DDECLTYPE_FLOAT16_2:
        *out = {2, GL_HALF_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_FLOAT16_4:
        *out = {4, GL_HALF_FLOAT, GL_FALSE};
        return true;
    default:
        return false;
    }
}

// Uniform types a stored value may feed.
bool UniformMatches(TkUniformType type, GLenum glType)
{
    switch (type)
    {
    case TkUniformType::Bool:
        return glType == GL_BOOL || glType == GL_INT;
    case TkUniformType::Int:
        return glType == GL_INT || glType == GL_BOOL;
    case TkUniformType::Float:
        return glType == GL_FLOAT;
    case TkUniformType::Vec2:
        return glType == GL_FLOAT_VEC2;
    case TkUniformType::Vec3:
        return glType == GL_FLOAT_VEC3;
    case TkUniformType::Vec4:
        return glType == GL_FLOAT_VEC4;
    case TkUniformType::Mat4:
        return glType == GL_FLOAT_MAT4;
    case TkUniformType::Sampler:
        return glType == GL_SAMPLER_2D || glType == GL_SAMPLER_CUBE || glType == GL_SAMPLER_2D_SHADOW ||
               glType == GL_SAMPLER_CUBE_SHADOW || glType == GL_SAMPLER_3D;
    }
    return false;
}

UINT UniformWords(TkUniformType type)
{
    switch (type)
    {
    case TkUniformType::Vec2:
        return 2;
    case TkUniformType::Vec3:
        return 3;
    case TkUniformType::Vec4:
        return 4;
    case TkUniformType::Mat4:
        return 16;
    default:
        return 1;
    }
}

void UploadUniform(GLuint program, const ProgramUniform& u)
{
    const StoredUniform& v = *u.value;
    const GLsizei count = GLsizei(std::min<UINT>(v.count, UINT(u.size)));
    const void* data = v.words.data();
    switch (v.type)
    {
    case TkUniformType::Bool:
    case TkUniformType::Int:
    case TkUniformType::Sampler:
        glProgramUniform1iv(program, u.location, count, static_cast<const GLint*>(data));
        break;
    case TkUniformType::Float:
        glProgramUniform1fv(program, u.location, count, static_cast<const GLfloat*>(data));
        break;
    case TkUniformType::Vec2:
        glProgramUniform2fv(program, u.location, count, static_cast<const GLfloat*>(data));
        break;
    case TkUniformType::Vec3:
        glProgramUniform3fv(program, u.location, count, static_cast<const GLfloat*>(data));
        break;
    case TkUniformType::Vec4:
        glProgramUniform4fv(program, u.location, count, static_cast<const GLfloat*>(data));
        break;
    case TkUniformType::Mat4:
        // Row-major as D3DX keeps it: shaders multiply row vectors, `v * M`.
        glProgramUniformMatrix4fv(program, u.location, count, GL_TRUE, static_cast<const GLfloat*>(data));
        break;
    }
}

std::string ProgramLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string text(size_t(std::max(length, 1)), '\0');
    glGetProgramInfoLog(program, GLsizei(text.size()), nullptr, text.data());
    text.resize(std::strlen(text.c_str()));
    return text.empty() ? std::string("the program does not link") : text;
}

// Reads the active uniforms of a linked program.
void Introspect(LinkedProgram& p)
{
    GLint count = 0;
    glGetProgramiv(p.program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i)
    {
        char name[256];
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(p.program, GLuint(i), sizeof name, &length, &size, &type, name);
        std::string n(name, size_t(length));
        if (n.size() > 3 && n.compare(n.size() - 3, 3, "[0]") == 0)
            n.resize(n.size() - 3);
        const GLint location = glGetUniformLocation(p.program, n.c_str());
        if (location < 0)
            continue;
        if (n == "tk_VSConstants")
            p.vsConstants = location;
        else if (n == TK_ALPHA_FUNC)
            p.alphaFunc = location;
        else if (n == TK_ALPHA_REF)
            p.alphaRef = location;
        else if (n == "tk_PSConstants")
            p.psConstants = location;
        else
            p.uniforms.push_back({n, location, type, size});
    }
}

const char* kPresentVertex = R"(#version 450 core
out vec2 v_uv;
uniform float u_flip;
void main()
{
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    v_uv = corner;
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
    gl_Position.y = -gl_Position.y * u_flip;
}
)";

const char* kPresentFragment = R"(#version 450 core
in vec2 v_uv;
layout(binding = 0) uniform sampler2D u_frame;
layout(binding = 1) uniform sampler2D u_gamma;
layout(location = 0) out vec4 o_color;
void main()
{
    vec4 c = texture(u_frame, v_uv);
    ivec3 i = ivec3(clamp(floor(c.rgb * 255.0 + 0.5), 0.0, 255.0));
    o_color = vec4(texelFetch(u_gamma, ivec2(i.r, 0), 0).r, texelFetch(u_gamma, ivec2(i.g, 0), 0).g,
                   texelFetch(u_gamma, ivec2(i.b, 0), 0).b, 1.0);
}
)";

GLuint LinkPair(GLuint vs, GLuint fs, std::string* log)
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    glDetachShader(program, vs);
    glDetachShader(program, fs);
    if (ok)
        return program;
    *log = ProgramLog(program);
    glDeleteProgram(program);
    return 0;
}
} // namespace

bool FboKey::operator<(const FboKey& o) const
{
    return std::memcmp(this, &o, sizeof *this) < 0;
}

// ---- Context and objects ---------------------------------------------------------------
void Device::InitGl()
{
    GlRenderer& gl = *m_gl;
    gl.context->MakeCurrent();
    g_stateOwner = this;
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const bool software =
        renderer && (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe"));
    SetDxtSampling(epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc") &&
                       epoxy_has_gl_extension("GL_EXT_texture_sRGB"),
                   software);
    glCreateVertexArrays(1, &gl.vao);
    glCreateVertexArrays(1, &gl.emptyVao);
    glBindVertexArray(gl.vao);
    glCreateBuffers(1, &gl.streamBuffer);
    glNamedBufferData(gl.streamBuffer, GLsizeiptr(kStreamBufferBytes), nullptr, GL_STREAM_DRAW);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glEnable(GL_PROGRAM_POINT_SIZE);
    // Colours a vertex lacks: diffuse white, specular black.
    glVertexAttrib4f(TK_ATTRIB_COLOR0, 1, 1, 1, 1);
    glVertexAttrib4f(TK_ATTRIB_COLOR1, 0, 0, 0, 0);

    std::string log;
    const GLuint vs = CompileGlsl(GL_VERTEX_SHADER, kPresentVertex, &log);
    const GLuint fs = CompileGlsl(GL_FRAGMENT_SHADER, kPresentFragment, &log);
    if (vs && fs)
        gl.presentProgram = LinkPair(vs, fs, &log);
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    if (!gl.presentProgram)
        LogOnce(("Direct3D: the presentation pass does not build: " + log).c_str());
    glCreateTextures(GL_TEXTURE_2D, 1, &gl.gammaTexture);
    glTextureStorage2D(gl.gammaTexture, 1, GL_RGBA16, kGammaEntries, 1);
    glCreateFramebuffers(1, &gl.presentFbo);
    glCreateFramebuffers(1, &gl.readFbo);
}

void Device::ShutdownGl()
{
    if (!m_gl)
        return;
    GlRenderer& gl = *m_gl;
    MakeCurrent();
    for (auto& [key, program] : gl.programs)
        glDeleteProgram(program.program);
    for (auto& [key, program] : gl.fixedPrograms)
        glDeleteProgram(program.program);
    for (auto& [key, fbo] : gl.fbos)
        glDeleteFramebuffers(1, &fbo);
    for (auto& [key, sampler] : gl.samplers)
        glDeleteSamplers(1, &sampler);
    glDeleteProgram(gl.presentProgram);
    glDeleteTextures(1, &gl.presentTexture);
    glDeleteTextures(1, &gl.gammaTexture);
    glDeleteFramebuffers(1, &gl.presentFbo);
    glDeleteFramebuffers(1, &gl.readFbo);
    glDeleteFramebuffers(1, &gl.blitFbo);
    glDeleteFramebuffers(1, &gl.clearFbo);
    glDeleteBuffers(1, &gl.streamBuffer);
    glDeleteVertexArrays(1, &gl.vao);
    glDeleteVertexArrays(1, &gl.emptyVao);
    if (g_stateOwner == this)
        g_stateOwner = nullptr;
}

void Device::MakeCurrent()
{
    GlRenderer& gl = *m_gl;
    gl.context->MakeCurrent();
    if (g_stateOwner != this)
    {
        // Another device drew on the shared context: nothing applied holds.
        g_stateOwner = this;
        gl.applied = GlRenderer::Applied();
        glBindVertexArray(gl.vao);
        glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
        glEnable(GL_SCISSOR_TEST);
        glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
        glEnable(GL_PROGRAM_POINT_SIZE);
        glVertexAttrib4f(TK_ATTRIB_COLOR0, 1, 1, 1, 1);
        glVertexAttrib4f(TK_ATTRIB_COLOR1, 0, 0, 0, 0);
    }
}

void Device::ForgetGlState()
{
    g_stateOwner = nullptr;
    MakeCurrent();
}

GLuint Device::CreateGlTexture(GLenum target, D3DFORMAT format, UINT width, UINT height, UINT levels,
                               bool clear)
{
    GlFormat f;
    if (!GlFormatOf(format, &f) || levels == 0)
        return 0;
    MakeCurrent();
    GLuint texture = 0;
    glCreateTextures(target, 1, &texture);
    glTextureStorage2D(texture, GLsizei(levels), f.internal, GLsizei(width), GLsizei(height));
    glTextureParameteri(texture, GL_TEXTURE_MAX_LEVEL, GLint(levels - 1));
    if (!f.depth)
        glTextureParameteriv(texture, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
    if (clear && !f.compressed)
    {
        const GLuint zero[4] = {};
        for (UINT level = 0; level < levels; ++level)
            glClearTexImage(texture, GLint(level), f.format, f.type,
                            f.type == GL_UNSIGNED_INT_24_8 ? zero : nullptr);
    }
    return texture;
}

void Device::ForgetGlTexture(GLuint texture)
{
    GlRenderer& gl = *m_gl;
    for (auto it = gl.fbos.begin(); it != gl.fbos.end();)
    {
        const FboKey& key = it->first;
        if (std::find(std::begin(key.texture), std::end(key.texture), texture) != std::end(key.texture))
        {
            if (gl.applied.fbo == it->second)
                gl.applied.fbo = ~0u;
            glDeleteFramebuffers(1, &it->second);
            it = gl.fbos.erase(it);
        }
        else
            ++it;
    }
    for (UINT unit = 0; unit < kGlTextureUnits; ++unit)
        if (gl.applied.textures[unit] == texture)
            gl.applied.textures[unit] = 0, gl.applied.textureTargets[unit] = 0;
}

void Device::ForgetShader(GLuint shader)
{
    GlRenderer& gl = *m_gl;
    for (auto it = gl.programs.begin(); it != gl.programs.end();)
    {
        if (it->first.first == shader || it->first.second == shader)
        {
            if (gl.applied.program == it->second.program)
                gl.applied.program = 0;
            glDeleteProgram(it->second.program);
            it = gl.programs.erase(it);
        }
        else
            ++it;
    }
}

// ---- Shaders and uniforms ----------------------------------------------------------------
namespace
{
// The alpha test follows any pixel shader. The shader's own `main` is renamed
// and called from one of ours that tests the alpha it wrote to target 0
// against the render states (sent as TK_ALPHA_FUNC and TK_ALPHA_REF). A
// shader whose target-0 output or `main` cannot be told apart is compiled as
// written, without the test.
std::string WithAlphaTest(const std::string& source)
{
    static const std::regex kMain(R"(\bvoid\s+main\s*\(\s*(void\s*)?\))");
    static const std::regex kTarget0(R"(layout\s*\(\s*location\s*=\s*0\s*\)\s*out\s+vec4\s+(\w+)\s*;)");
    static const std::regex kAnyOutput(R"((^|[;\n}])\s*(layout\s*\([^)]*\)\s*)?out\s+vec4\s+(\w+)\s*;)");
    if (std::distance(std::sregex_iterator(source.begin(), source.end(), kMain), std::sregex_iterator()) != 1)
        return source;
    std::smatch match;
    std::string output;
    if (std::regex_search(source, match, kTarget0))
        output = match[1];
    else
    {
        // One output without a location is target 0.
        auto outputs = std::sregex_iterator(source.begin(), source.end(), kAnyOutput);
        if (std::distance(outputs, std::sregex_iterator()) != 1 || (*outputs)[2].matched)
            return source;
        output = (*outputs)[3];
    }
    static const struct
    {
        DWORD func;
        const char* test;
    } kTests[] = {{D3DCMP_NEVER, "false"},
                  {D3DCMP_LESS, "alpha < " TK_ALPHA_REF},
                  {D3DCMP_EQUAL, "alpha == " TK_ALPHA_REF},
                  {D3DCMP_LESSEQUAL, "alpha <= " TK_ALPHA_REF},
                  {D3DCMP_GREATER, "alpha > " TK_ALPHA_REF},
                  {D3DCMP_NOTEQUAL, "alpha != " TK_ALPHA_REF},
                  {D3DCMP_GREATEREQUAL, "alpha >= " TK_ALPHA_REF}};
    std::string s = std::regex_replace(source, kMain, "void tk_ShaderMain()");
    s += "\nuniform int " TK_ALPHA_FUNC ";\nuniform float " TK_ALPHA_REF ";\nvoid main()\n{\n"
         "    tk_ShaderMain();\n    float alpha = floor(clamp(" +
         output +
         ".a, 0.0, 1.0) * 255.0 + 0.5);\n    bool pass = true;\n    switch (" TK_ALPHA_FUNC ")\n    {\n";
    for (const auto& t : kTests)
        s += "    case " + std::to_string(t.func) + ": pass = " + t.test + "; break;\n";
    s += "    }\n    if (!pass)\n        discard;\n}\n";
    return s;
}

// Both shader kinds take their GLSL source through the same checks and compile.
template <class Shader, class Interface>
HRESULT CreateGlslShader(Device* device, GLenum stage, const char* kind, const DWORD* pFunction,
                         std::string* log, Interface** ppShader)
{
    if (!ppShader)
        return D3DERR_INVALIDCALL;
    *ppShader = nullptr;
    if (!pFunction)
        return D3DERR_INVALIDCALL;
    const GLuint shader = CompileGlsl(stage, reinterpret_cast<const char*>(pFunction), log);
    if (!shader)
        return D3DERR_INVALIDCALL;
    *ppShader = new Shader(device, shader, kind);
    return D3D_OK;
}
} // namespace

HRESULT Device::CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader)
{
    MakeCurrent();
    return CreateGlslShader<VertexShader>(this, GL_VERTEX_SHADER, "vertex shader", pFunction, &m_gl->lastLog,
                                          ppShader);
}

HRESULT Device::CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader)
{
    MakeCurrent();
    if (!ppShader)
        return D3DERR_INVALIDCALL;
    *ppShader = nullptr;
    if (!pFunction)
        return D3DERR_INVALIDCALL;
    const char* source = reinterpret_cast<const char*>(pFunction);
    const GLuint shader = CompileGlsl(GL_FRAGMENT_SHADER, source, &m_gl->lastLog);
    if (!shader)
        return D3DERR_INVALIDCALL;
    // A second build with the alpha test after it, for draws that ask for the
    // test; the others keep the plain one, which the rasteriser runs faster.
    GLuint alphaTested = 0;
    const std::string tested = WithAlphaTest(source);
    if (tested != source)
    {
        std::string log;
        alphaTested = CompileGlsl(GL_FRAGMENT_SHADER, tested.c_str(), &log);
        if (!alphaTested)
            LogOnce(("Direct3D: a pixel shader does not build with the alpha test: " + log).c_str());
    }
    *ppShader = new PixelShader(this, shader, "pixel shader", alphaTested);
    return D3D_OK;
}

HRESULT Device::SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount)
{
    if (!pConstantData || StartRegister > kVertexConstants ||
        Vector4fCount > kVertexConstants - StartRegister)
        return D3DERR_INVALIDCALL;
    std::memcpy(m_gl->vsConstants[StartRegister], pConstantData, size_t(Vector4fCount) * 4 * sizeof(float));
    ++m_gl->vsConstantSerial;
    return D3D_OK;
}

HRESULT Device::GetVertexShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount)
{
    if (!pConstantData || StartRegister > kVertexConstants ||
        Vector4fCount > kVertexConstants - StartRegister)
        return D3DERR_INVALIDCALL;
    std::memcpy(pConstantData, m_gl->vsConstants[StartRegister], size_t(Vector4fCount) * 4 * sizeof(float));
    return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount)
{
    if (!pConstantData || StartRegister > kPixelConstants || Vector4fCount > kPixelConstants - StartRegister)
        return D3DERR_INVALIDCALL;
    std::memcpy(m_gl->psConstants[StartRegister], pConstantData, size_t(Vector4fCount) * 4 * sizeof(float));
    ++m_gl->psConstantSerial;
    return D3D_OK;
}

HRESULT Device::GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount)
{
    if (!pConstantData || StartRegister > kPixelConstants || Vector4fCount > kPixelConstants - StartRegister)
        return D3DERR_INVALIDCALL;
    std::memcpy(pConstantData, m_gl->psConstants[StartRegister], size_t(Vector4fCount) * 4 * sizeof(float));
    return D3D_OK;
}

HRESULT Device::SetUniform(const char* name, TkUniformType type, const void* data, UINT count)
{
    if (!name || !*name || !data || count == 0)
        return D3DERR_INVALIDCALL;
    // A bound on one value's size: no uniform array of a program is larger.
    constexpr UINT kMaxUniformElements = 4096;
    if (count > kMaxUniformElements)
        return D3DERR_INVALIDCALL;
    GlRenderer& gl = *m_gl;
    const UINT words = UniformWords(type) * count;
    auto [it, added] = gl.uniforms.try_emplace(name);
    StoredUniform& u = it->second;
    if (!added && u.type == type && u.count == count &&
        std::memcmp(u.words.data(), data, size_t(words) * 4) == 0)
        return D3D_OK;
    u.type = type;
    u.count = count;
    u.words.assign(static_cast<const uint32_t*>(data), static_cast<const uint32_t*>(data) + words);
    u.serial = ++gl.uniformSerial;
    if (added)
        ++gl.uniformGeneration;
    return D3D_OK;
}

const std::string& Device::LastShaderLog() const
{
    return m_gl->lastLog;
}

// ---- Programs ------------------------------------------------------------------------------
LinkedProgram* Device::FixedProgram(const std::vector<D3DVERTEXELEMENT9>& elements, bool pretransformed)
{
    FixedKey key;
    std::memset(&key, 0, sizeof key);
    key.pretransformed = pretransformed;
    for (const D3DVERTEXELEMENT9& e : elements)
    {
        if (e.Stream == 0xff)
            break;
        if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0)
            key.hasDiffuse = 1;
        if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 1)
            key.hasSpecular = 1;
        if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < kMaxTexCoordSets)
            key.texCoordSets = std::max<DWORD>(key.texCoordSets, e.UsageIndex + 1u);
    }
    for (UINT st = 0; st < TK_D3D_TEXTURE_STAGES; ++st)
    {
        const DWORD* s = m_stageStates[st];
        if (s[D3DTSS_COLOROP] == D3DTOP_DISABLE)
            break;
        FixedStage& f = key.stages[st];
        f.colorOp = s[D3DTSS_COLOROP];
        f.colorArg0 = s[D3DTSS_COLORARG0];
        f.colorArg1 = s[D3DTSS_COLORARG1];
        f.colorArg2 = s[D3DTSS_COLORARG2];
        f.alphaOp = s[D3DTSS_ALPHAOP];
        f.alphaArg0 = s[D3DTSS_ALPHAARG0];
        f.alphaArg1 = s[D3DTSS_ALPHAARG1];
        f.alphaArg2 = s[D3DTSS_ALPHAARG2];
        f.texCoordSet = s[D3DTSS_TEXCOORDINDEX] & 0xffff;
        if (IDirect3DBaseTexture9* t = m_textures[st].texture)
            f.sampler = t->GetType() == D3DRTYPE_CUBETEXTURE ? 2 : 1;
        key.stageCount = st + 1;
    }
    key.alphaFunc =
        m_renderStates[D3DRS_ALPHATESTENABLE] ? m_renderStates[D3DRS_ALPHAFUNC] : DWORD(D3DCMP_ALWAYS);
    if (m_renderStates[D3DRS_FOGENABLE])
    {
        const DWORD table = m_renderStates[D3DRS_FOGTABLEMODE];
        const DWORD vertex = m_renderStates[D3DRS_FOGVERTEXMODE];
        key.fogMode = table != D3DFOG_NONE ? table : vertex;
        // Pre-transformed vertices bring their own fog factor unless table fog is asked.
        if (pretransformed && table == D3DFOG_NONE)
            key.fogMode = key.hasSpecular ? DWORD(D3DFOG_LINEAR) : DWORD(D3DFOG_NONE),
            key.fogFromSpecular = 1;
        if (key.fogMode == D3DFOG_NONE)
            key.fogFromSpecular = 0;
    }

    GlRenderer& gl = *m_gl;
    std::string id(reinterpret_cast<const char*>(&key), sizeof key);
    auto it = gl.fixedPrograms.find(id);
    if (it != gl.fixedPrograms.end())
        return &it->second;
    LinkedProgram& p = gl.fixedPrograms[id];
    p.fixed = true;
    std::string log;
    const GLuint vs = CompileGlsl(GL_VERTEX_SHADER, FixedVertexShader(key).c_str(), &log);
    const GLuint fs = vs ? CompileGlsl(GL_FRAGMENT_SHADER, FixedFragmentShader(key).c_str(), &log) : 0;
    if (vs && fs)
        p.program = LinkPair(vs, fs, &log);
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    if (!p.program)
    {
        LogOnce(("Direct3D: a fixed-function program does not build: " + log).c_str());
        return &p;
    }
    p.ok = true;
    const char* names[] = {TK_FF_VIEWPORT,  TK_FF_WORLDVIEWPROJ, TK_FF_WORLDVIEW, TK_FF_TFACTOR,
                           TK_FF_CONSTANTS, TK_FF_ALPHAREF,      TK_FF_FOGCOLOR,  TK_FF_FOGPARAMS};
    for (UINT i = 0; i < 8; ++i)
        p.fixedLocations[i] = glGetUniformLocation(p.program, names[i]);
    for (UINT st = 0; st < key.stageCount; ++st)
        if (key.stages[st].sampler)
        {
            const GLint location =
                glGetUniformLocation(p.program, (TK_FF_SAMPLER + std::to_string(st)).c_str());
            if (location >= 0)
                glProgramUniform1i(p.program, location, GLint(st));
        }
    return &p;
}

LinkedProgram* Device::ProgramForDraw(const std::vector<D3DVERTEXELEMENT9>& elements, bool pretransformed)
{
    if (!m_vertexShader && !m_pixelShader)
        return FixedProgram(elements, pretransformed);
    if (!m_vertexShader || !m_pixelShader)
    {
        LogOnce("Direct3D: a shader with fixed-function processing for the other half is not supported; "
                "the draw is skipped");
        return nullptr;
    }
    GlRenderer& gl = *m_gl;
    const GLuint pixel =
        m_renderStates[D3DRS_ALPHATESTENABLE] ? m_pixelShader->AlphaTestedGl() : m_pixelShader->Gl();
    const auto key = std::make_pair(m_vertexShader->Gl(), pixel);
    auto it = gl.programs.find(key);
    if (it != gl.programs.end())
        return &it->second;
    LinkedProgram& p = gl.programs[key];
    p.program = LinkPair(key.first, key.second, &gl.lastLog);
    if (!p.program)
        return &p;
    p.ok = true;
    Introspect(p);
    return &p;
}

void Device::SendUniforms(LinkedProgram& p, bool pretransformed)
{
    GlRenderer& gl = *m_gl;
    if (p.fixed)
    {
        FixedValues v{};
        v.viewport[0] = float(m_viewport.X), v.viewport[1] = float(m_viewport.Y);
        v.viewport[2] = float(std::max<DWORD>(m_viewport.Width, 1)),
        v.viewport[3] = float(std::max<DWORD>(m_viewport.Height, 1));
        if (!pretransformed)
        {
            // World * view * projection, row vectors.
            auto multiply = [](const D3DMATRIX& a, const D3DMATRIX& b, float* out)
            {
                for (int r = 0; r < 4; ++r)
                    for (int c = 0; c < 4; ++c)
                    {
                        float sum = 0;
                        for (int k = 0; k < 4; ++k)
                            sum += a.m[r][k] * b.m[k][c];
                        out[r * 4 + c] = sum;
                    }
            };
            D3DMATRIX worldView;
            multiply(m_world[0], m_view, &worldView.m[0][0]);
            std::memcpy(v.worldView, &worldView.m[0][0], sizeof v.worldView);
            multiply(worldView, m_projection, v.worldViewProj);
        }
        ColorFloats(m_renderStates[D3DRS_TEXTUREFACTOR], v.textureFactor);
        for (UINT st = 0; st < TK_D3D_TEXTURE_STAGES; ++st)
            ColorFloats(m_stageStates[st][D3DTSS_CONSTANT], v.constants[st]);
        v.alphaRef = float(m_renderStates[D3DRS_ALPHAREF] & 0xff);
        ColorFloats(m_renderStates[D3DRS_FOGCOLOR], v.fogColor);
        v.fogParams[0] = AsFloat(m_renderStates[D3DRS_FOGSTART]);
        v.fogParams[1] = AsFloat(m_renderStates[D3DRS_FOGEND]);
        v.fogParams[2] = AsFloat(m_renderStates[D3DRS_FOGDENSITY]);
        if (p.fixedSent && std::memcmp(&v, &p.fixedValues, sizeof v) == 0)
            return;
        const GLint* l = p.fixedLocations;
        const GLuint g = p.program;
        if (l[0] >= 0)
            glProgramUniform4fv(g, l[0], 1, v.viewport);
        if (l[1] >= 0)
            glProgramUniformMatrix4fv(g, l[1], 1, GL_TRUE, v.worldViewProj);
        if (l[2] >= 0)
            glProgramUniformMatrix4fv(g, l[2], 1, GL_TRUE, v.worldView);
        if (l[3] >= 0)
            glProgramUniform4fv(g, l[3], 1, v.textureFactor);
        if (l[4] >= 0)
            glProgramUniform4fv(g, l[4], TK_D3D_TEXTURE_STAGES, &v.constants[0][0]);
        if (l[5] >= 0)
            glProgramUniform1f(g, l[5], v.alphaRef);
        if (l[6] >= 0)
            glProgramUniform4fv(g, l[6], 1, v.fogColor);
        if (l[7] >= 0)
            glProgramUniform4fv(g, l[7], 1, v.fogParams);
        p.fixedValues = v;
        p.fixedSent = true;
        return;
    }
    if (p.alphaFunc >= 0)
    {
        // D3DCMP_ALWAYS (and 0, a program's first value) passes every pixel.
        const DWORD func =
            m_renderStates[D3DRS_ALPHATESTENABLE] ? m_renderStates[D3DRS_ALPHAFUNC] : DWORD(D3DCMP_ALWAYS);
        const float ref = float(m_renderStates[D3DRS_ALPHAREF] & 0xff);
        if (func != p.alphaFuncSent || ref != p.alphaRefSent)
        {
            glProgramUniform1i(p.program, p.alphaFunc, GLint(func));
            if (p.alphaRef >= 0)
                glProgramUniform1f(p.program, p.alphaRef, ref);
            p.alphaFuncSent = func;
            p.alphaRefSent = ref;
        }
    }
    if (p.generation != gl.uniformGeneration)
    {
        for (ProgramUniform& u : p.uniforms)
            if (!u.value)
            {
                auto it = gl.uniforms.find(u.name);
                if (it != gl.uniforms.end())
                    u.value = &it->second;
            }
        p.generation = gl.uniformGeneration;
    }
    for (ProgramUniform& u : p.uniforms)
        if (u.value && u.value->serial != u.uploaded)
        {
            u.uploaded = u.value->serial;
            if (UniformMatches(u.value->type, u.glType))
            {
                UploadUniform(p.program, u);
                // Depth textures read through shadow samplers compare.
                if (u.glType == GL_SAMPLER_2D_SHADOW || u.glType == GL_SAMPLER_CUBE_SHADOW)
                    for (UINT i = 0; i < u.value->count && i < UINT(u.size); ++i)
                        if (u.value->words[i] < kGlTextureUnits)
                            p.shadowUnits |= 1u << u.value->words[i];
            }
            else
                LogOnce(("Direct3D: the uniform \"" + u.name +
                         "\" was set with a type its shader does not declare")
                            .c_str());
        }
    if (p.vsConstants >= 0 && p.vsUploaded != gl.vsConstantSerial)
    {
        glProgramUniform4fv(p.program, p.vsConstants, kVertexConstants, &gl.vsConstants[0][0]);
        p.vsUploaded = gl.vsConstantSerial;
    }
    if (p.psConstants >= 0 && p.psUploaded != gl.psConstantSerial)
    {
        glProgramUniform4fv(p.program, p.psConstants, kPixelConstants, &gl.psConstants[0][0]);
        p.psUploaded = gl.psConstantSerial;
    }
}

// ---- Targets -----------------------------------------------------------------------------------
bool Device::BindTargets()
{
    GlRenderer& gl = *m_gl;
    for (Surface* s : m_renderTargets)
        if (s && !s->HasGl())
            return false;
    if (!m_renderTargets[0])
        return false;
    // Clears kept on the targets are made on the framebuffer drawn into, in
    // one go with what is drawn next.
    PendingClear pending[TK_D3D_MAX_RENDER_TARGETS + 1];
    bool anyPending = false;
    for (UINT i = 0; i <= TK_D3D_MAX_RENDER_TARGETS; ++i)
    {
        Surface* s = i < TK_D3D_MAX_RENDER_TARGETS ? m_renderTargets[i] : m_depthStencil;
        if (s && s->HasPendingClear())
        {
            pending[i] = s->TakePendingClear();
            anyPending = true;
        }
    }
    FboKey key;
    std::memset(&key, 0, sizeof key);
    DWORD x8Mask = 0;
    for (UINT i = 0; i < TK_D3D_MAX_RENDER_TARGETS; ++i)
        if (Surface* s = m_renderTargets[i])
        {
            s->PrepareForGpu();
            key.texture[i] = s->GlTexture(), key.level[i] = s->GlLevel(), key.face[i] = s->GlFace();
            if (s->Format() == D3DFMT_X8R8G8B8)
                x8Mask |= 1u << i;
        }
    if (!key.texture[0])
        return false;
    bool depth = false, stencil = false;
    if (Surface* d = m_depthStencil)
        if (d->HasGl())
        {
            d->PrepareForGpu();
            const UINT slot = TK_D3D_MAX_RENDER_TARGETS;
            key.texture[slot] = d->GlTexture(), key.level[slot] = d->GlLevel(), key.face[slot] = d->GlFace();
            depth = true;
            stencil = GetFormatInfo(d->Format()).stencilBits > 0;
        }
    auto it = gl.fbos.find(key);
    GLuint fbo;
    if (it != gl.fbos.end())
        fbo = it->second;
    else
    {
        glCreateFramebuffers(1, &fbo);
        GLenum buffers[TK_D3D_MAX_RENDER_TARGETS];
        for (UINT i = 0; i <= TK_D3D_MAX_RENDER_TARGETS; ++i)
        {
            if (!key.texture[i])
            {
                if (i < TK_D3D_MAX_RENDER_TARGETS)
                    buffers[i] = GL_NONE;
                continue;
            }
            GLenum attachment = GL_COLOR_ATTACHMENT0 + i;
            if (i == TK_D3D_MAX_RENDER_TARGETS)
                attachment = stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
            else
                buffers[i] = attachment;
            GLint type = 0;
            glGetTextureParameteriv(key.texture[i], GL_TEXTURE_TARGET, &type);
            if (type == GL_TEXTURE_CUBE_MAP)
                glNamedFramebufferTextureLayer(fbo, attachment, key.texture[i], key.level[i], key.face[i]);
            else
                glNamedFramebufferTexture(fbo, attachment, key.texture[i], key.level[i]);
        }
        glNamedFramebufferDrawBuffers(fbo, TK_D3D_MAX_RENDER_TARGETS, buffers);
        gl.fbos[key] = fbo;
    }
    if (gl.applied.fbo != fbo)
    {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
        gl.applied.fbo = fbo;
        // Masks and tests depend on what is attached.
        gl.applied.states.fill(kUnapplied);
    }
    gl.applied.depthAttached = depth;
    gl.applied.stencilAttached = stencil;
    gl.applied.x8Mask = x8Mask;
    if (anyPending)
    {
        // Clears write every channel of the whole surface whatever the masks
        // and the viewport say.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glStencilMask(0xff);
        glDisable(GL_FRAMEBUFFER_SRGB);
        GLsizei width = 0, height = 0;
        for (UINT i = 0; i <= TK_D3D_MAX_RENDER_TARGETS; ++i)
            if (Surface* s = i < TK_D3D_MAX_RENDER_TARGETS ? m_renderTargets[i] : m_depthStencil)
                width = std::max(width, GLsizei(s->Width())), height = std::max(height, GLsizei(s->Height()));
        glScissor(0, 0, width, height);
        for (GLint t = 0; t < GLint(TK_D3D_MAX_RENDER_TARGETS); ++t)
            if (pending[t].color)
                glClearBufferfv(GL_COLOR, t, pending[t].rgba);
        const PendingClear& d = pending[TK_D3D_MAX_RENDER_TARGETS];
        if (d.depth && d.stencil)
            glClearBufferfi(GL_DEPTH_STENCIL, 0, d.z, d.stencilValue);
        else if (d.depth)
            glClearBufferfv(GL_DEPTH, 0, &d.z);
        else if (d.stencil)
            glClearBufferiv(GL_STENCIL, 0, &d.stencilValue);
        gl.applied.states.fill(kUnapplied);
        std::memset(gl.applied.viewport, 0, sizeof gl.applied.viewport);
    }
    return true;
}

void Device::ClearSurfaceNow(Surface* surface, const PendingClear& clear)
{
    if (!surface->HasGl() || !clear.Any())
        return;
    MakeCurrent();
    GlRenderer& gl = *m_gl;
    if (!gl.clearFbo)
        glCreateFramebuffers(1, &gl.clearFbo);
    const bool depthSurface = surface->IsDepthStencil();
    const bool stencilBits = GetFormatInfo(surface->Format()).stencilBits > 0;
    const GLenum attachment = !depthSurface ? GL_COLOR_ATTACHMENT0
                              : stencilBits ? GL_DEPTH_STENCIL_ATTACHMENT
                                            : GL_DEPTH_ATTACHMENT;
    GLint type = 0;
    glGetTextureParameteriv(surface->GlTexture(), GL_TEXTURE_TARGET, &type);
    if (type == GL_TEXTURE_CUBE_MAP)
        glNamedFramebufferTextureLayer(gl.clearFbo, attachment, surface->GlTexture(), surface->GlLevel(),
                                       surface->GlFace());
    else
        glNamedFramebufferTexture(gl.clearFbo, attachment, surface->GlTexture(), surface->GlLevel());
    glNamedFramebufferDrawBuffer(gl.clearFbo, depthSurface ? GL_NONE : GL_COLOR_ATTACHMENT0);
    // This may come in the middle of a draw's setting up: what the draw
    // applied is put back afterwards.
    GLint scissor[4];
    GLboolean colorMask[4], depthMask;
    GLint stencilMask, stencilBackMask;
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    glGetBooleani_v(GL_COLOR_WRITEMASK, 0, colorMask);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetIntegerv(GL_STENCIL_WRITEMASK, &stencilMask);
    glGetIntegerv(GL_STENCIL_BACK_WRITEMASK, &stencilBackMask);
    const GLboolean srgb = glIsEnabled(GL_FRAMEBUFFER_SRGB);
    glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xff);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glScissor(0, 0, GLsizei(surface->Width()), GLsizei(surface->Height()));
    if (clear.color && !depthSurface)
        glClearNamedFramebufferfv(gl.clearFbo, GL_COLOR, 0, clear.rgba);
    if (depthSurface)
    {
        const bool stencil = clear.stencil && stencilBits;
        if (clear.depth && stencil)
            glClearNamedFramebufferfi(gl.clearFbo, GL_DEPTH_STENCIL, 0, clear.z, clear.stencilValue);
        else if (clear.depth)
            glClearNamedFramebufferfv(gl.clearFbo, GL_DEPTH, 0, &clear.z);
        else if (stencil)
            glClearNamedFramebufferiv(gl.clearFbo, GL_STENCIL, 0, &clear.stencilValue);
    }
    glScissor(scissor[0], scissor[1], scissor[2], scissor[3]);
    glColorMaski(0, colorMask[0], colorMask[1], colorMask[2], colorMask[3]);
    glDepthMask(depthMask);
    glStencilMaskSeparate(GL_FRONT, GLuint(stencilMask));
    glStencilMaskSeparate(GL_BACK, GLuint(stencilBackMask));
    if (srgb)
        glEnable(GL_FRAMEBUFFER_SRGB);
    glNamedFramebufferTexture(gl.clearFbo, attachment, 0, 0);
}

void Device::MarkTargetsWritten()
{
    for (Surface* s : m_renderTargets)
        if (s)
        {
            s->MarkGpuWritten();
            m_backDrawnSincePresent |= s == m_backBuffers[0];
        }
    if (m_depthStencil && m_gl->applied.depthAttached)
        m_depthStencil->MarkGpuWritten();
}

// ---- Render states -------------------------------------------------------------------------------
void Device::ApplyRenderStates()
{
    GlRenderer& gl = *m_gl;
    auto& a = gl.applied.states;
    const DWORD* rs = m_renderStates;
    // True when any of the states changed since last applied (and records them).
    auto changed = [&](std::initializer_list<D3DRENDERSTATETYPE> list)
    {
        bool any = false;
        for (D3DRENDERSTATETYPE s : list)
            if (a[s] != rs[s])
                a[s] = rs[s], any = true;
        return any;
    };

    if (changed({D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC}))
    {
        // Without a depth surface the test passes and nothing is written.
        if (rs[D3DRS_ZENABLE] && gl.applied.depthAttached)
        {
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        }
        else
            glDisable(GL_DEPTH_TEST);
        glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    }
    if (changed({D3DRS_STENCILENABLE, D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS,
                 D3DRS_STENCILFUNC, D3DRS_STENCILREF, D3DRS_STENCILMASK, D3DRS_STENCILWRITEMASK,
                 D3DRS_TWOSIDEDSTENCILMODE, D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL,
                 D3DRS_CCW_STENCILPASS, D3DRS_CCW_STENCILFUNC}))
    {
        if (rs[D3DRS_STENCILENABLE] && gl.applied.stencilAttached)
        {
            glEnable(GL_STENCIL_TEST);
            const GLint ref = GLint(rs[D3DRS_STENCILREF] & 0xff);
            const GLuint mask = rs[D3DRS_STENCILMASK];
            // Clockwise triangles are GL's front faces here.
            glStencilFuncSeparate(GL_FRONT, CompareFunc(rs[D3DRS_STENCILFUNC]), ref, mask);
            glStencilOpSeparate(GL_FRONT, StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                                StencilOp(rs[D3DRS_STENCILPASS]));
            const bool two = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
            glStencilFuncSeparate(GL_BACK, CompareFunc(rs[two ? D3DRS_CCW_STENCILFUNC : D3DRS_STENCILFUNC]),
                                  ref, mask);
            glStencilOpSeparate(GL_BACK, StencilOp(rs[two ? D3DRS_CCW_STENCILFAIL : D3DRS_STENCILFAIL]),
                                StencilOp(rs[two ? D3DRS_CCW_STENCILZFAIL : D3DRS_STENCILZFAIL]),
                                StencilOp(rs[two ? D3DRS_CCW_STENCILPASS : D3DRS_STENCILPASS]));
            glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
        }
        else
            glDisable(GL_STENCIL_TEST);
    }
    if (changed({D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP,
                 D3DRS_SEPARATEALPHABLENDENABLE, D3DRS_SRCBLENDALPHA, D3DRS_DESTBLENDALPHA,
                 D3DRS_BLENDOPALPHA, D3DRS_BLENDFACTOR}))
    {
        if (rs[D3DRS_ALPHABLENDENABLE])
        {
            glEnable(GL_BLEND);
            DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
            // The "both" factors set the destination from the source.
            if (src == D3DBLEND_BOTHSRCALPHA)
                dst = D3DBLEND_INVSRCALPHA;
            if (src == D3DBLEND_BOTHINVSRCALPHA)
                src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
            const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
            glBlendFuncSeparate(BlendFactor(src, false), BlendFactor(dst, false),
                                BlendFactor(separate ? rs[D3DRS_SRCBLENDALPHA] : src, true),
                                BlendFactor(separate ? rs[D3DRS_DESTBLENDALPHA] : dst, true));
            glBlendEquationSeparate(BlendEquation(rs[D3DRS_BLENDOP]),
                                    BlendEquation(separate ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]));
            float factor[4];
            ColorFloats(rs[D3DRS_BLENDFACTOR], factor);
            glBlendColor(factor[0], factor[1], factor[2], factor[3]);
        }
        else
            glDisable(GL_BLEND);
    }
    // Write masks per target; X8 targets keep their unused byte opaque.
    const DWORD x8 = gl.applied.x8Mask;
    if (changed({D3DRS_COLORWRITEENABLE, D3DRS_COLORWRITEENABLE1, D3DRS_COLORWRITEENABLE2,
                 D3DRS_COLORWRITEENABLE3}) ||
        a[D3DRS_FORCE_DWORD & 0xff] != x8)
    {
        const D3DRENDERSTATETYPE masks[] = {D3DRS_COLORWRITEENABLE, D3DRS_COLORWRITEENABLE1,
                                            D3DRS_COLORWRITEENABLE2, D3DRS_COLORWRITEENABLE3};
        for (GLuint i = 0; i < TK_D3D_MAX_RENDER_TARGETS; ++i)
        {
            const DWORD m = rs[masks[i]];
            glColorMaski(i, (m & D3DCOLORWRITEENABLE_RED) != 0, (m & D3DCOLORWRITEENABLE_GREEN) != 0,
                         (m & D3DCOLORWRITEENABLE_BLUE) != 0,
                         (m & D3DCOLORWRITEENABLE_ALPHA) != 0 && !(x8 & (1u << i)));
        }
    }
    if (changed({D3DRS_CULLMODE}))
    {
        // Clockwise on screen faces the viewer (GL sees the flipped origin's winding).
        glFrontFace(GL_CW);
        if (rs[D3DRS_CULLMODE] == D3DCULL_NONE)
            glDisable(GL_CULL_FACE);
        else
        {
            glEnable(GL_CULL_FACE);
            glCullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
        }
    }
    if (changed({D3DRS_FILLMODE}))
        glPolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                         : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                   : GL_FILL);
    if (changed({D3DRS_DEPTHBIAS, D3DRS_SLOPESCALEDEPTHBIAS}))
    {
        const float bias = AsFloat(rs[D3DRS_DEPTHBIAS]);
        const float slope = AsFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
        if (bias != 0.0f || slope != 0.0f)
        {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glEnable(GL_POLYGON_OFFSET_LINE);
            glEnable(GL_POLYGON_OFFSET_POINT);
            // Direct3D's bias is in depth units; GL counts steps of the 24-bit buffer.
            constexpr float kDepthSteps = 16777216.0f;
            glPolygonOffset(slope, bias * kDepthSteps);
        }
        else
        {
            glDisable(GL_POLYGON_OFFSET_FILL);
            glDisable(GL_POLYGON_OFFSET_LINE);
            glDisable(GL_POLYGON_OFFSET_POINT);
        }
    }
    if (changed({D3DRS_SRGBWRITEENABLE}))
    {
        if (rs[D3DRS_SRGBWRITEENABLE])
            glEnable(GL_FRAMEBUFFER_SRGB);
        else
            glDisable(GL_FRAMEBUFFER_SRGB);
    }
    // D3DRS_CLIPPLANEENABLE: the game sets no clip plane, and a plane that was
    // never set (all zero) clips nothing, so no GL clip distance is enabled;
    // shaders write none.
    if (changed({D3DRS_POINTSIZE}))
        glPointSize(std::max(1.0f, AsFloat(rs[D3DRS_POINTSIZE])));
    a[D3DRS_FORCE_DWORD & 0xff] = x8;

    // The viewport, half a pixel over so that pixel centres lie on whole
    // coordinates, and the scissor that keeps draws inside it. GL owns edges
    // through pixel centres by its bottom-left rule, which the flipped origin
    // turns upside down; a nudge a little over one step of the rasteriser's
    // sub-pixel grid upwards gives Direct3D's top-left rule back.
    constexpr float kEdgeNudge = 1.0f / 128.0f;
    const float vp[6] = {float(m_viewport.X) + 0.5f,
                         float(m_viewport.Y) + 0.5f - kEdgeNudge,
                         float(m_viewport.Width),
                         float(m_viewport.Height),
                         m_viewport.MinZ,
                         m_viewport.MaxZ};
    if (std::memcmp(vp, gl.applied.viewport, sizeof vp) != 0)
    {
        std::memcpy(gl.applied.viewport, vp, sizeof vp);
        glViewportIndexedf(0, vp[0], vp[1], vp[2], vp[3]);
        glDepthRangeIndexed(0, vp[4], vp[5]);
        glScissor(GLint(m_viewport.X), GLint(m_viewport.Y), GLsizei(m_viewport.Width),
                  GLsizei(m_viewport.Height));
    }
}

// ---- Textures --------------------------------------------------------------------------------------
void Device::BindTextures(const LinkedProgram& program)
{
    GlRenderer& gl = *m_gl;
    for (UINT unit = 0; unit < kGlTextureUnits; ++unit)
    {
        GLuint texture = 0;
        GLenum target = GL_TEXTURE_2D;
        bool isDepth = false;
        if (IDirect3DBaseTexture9* t = m_textures[unit].texture)
        {
            if (t->GetType() == D3DRTYPE_CUBETEXTURE)
            {
                texture = static_cast<CubeTexture*>(t)->PrepareGl();
                target = GL_TEXTURE_CUBE_MAP;
            }
            else
            {
                Texture* tex = static_cast<Texture*>(t);
                texture = tex->PrepareGl();
                isDepth = tex->Level(0) && GetFormatInfo(tex->Level(0)->Format()).kind == FormatKind::Depth;
            }
        }
        if (gl.applied.textures[unit] != texture || gl.applied.textureTargets[unit] != target)
        {
            glBindTextureUnit(unit, texture);
            gl.applied.textures[unit] = texture;
            gl.applied.textureTargets[unit] = target;
        }
        if (!texture)
            continue;
        // The sampler object of the stage's states.
        const DWORD* s = m_samplerStates[unit];
        const bool shadow = isDepth && (program.shadowUnits & (1u << unit)) != 0;
        DWORD key[12] = {s[D3DSAMP_ADDRESSU],      s[D3DSAMP_ADDRESSV],      s[D3DSAMP_ADDRESSW],
                         s[D3DSAMP_BORDERCOLOR],   s[D3DSAMP_MAGFILTER],     s[D3DSAMP_MINFILTER],
                         s[D3DSAMP_MIPFILTER],     s[D3DSAMP_MIPMAPLODBIAS], s[D3DSAMP_MAXMIPLEVEL],
                         s[D3DSAMP_MAXANISOTROPY], s[D3DSAMP_SRGBTEXTURE],   DWORD(shadow)};
        std::string id(reinterpret_cast<const char*>(key), sizeof key);
        GLuint sampler;
        auto it = gl.samplers.find(id);
        if (it != gl.samplers.end())
            sampler = it->second;
        else
        {
            glCreateSamplers(1, &sampler);
            glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GLint(AddressMode(key[0])));
            glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GLint(AddressMode(key[1])));
            glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GLint(AddressMode(key[2])));
            float border[4];
            ColorFloats(key[3], border);
            glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
            const bool magLinear = key[4] >= D3DTEXF_LINEAR;
            const bool minLinear = key[5] >= D3DTEXF_LINEAR;
            glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
            GLenum minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
            if (key[6] == D3DTEXF_POINT)
                minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
            else if (key[6] >= D3DTEXF_LINEAR)
                minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
            glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
            glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, AsFloat(key[7]));
            glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, float(key[8]));
            if ((key[4] == D3DTEXF_ANISOTROPIC || key[5] == D3DTEXF_ANISOTROPIC) &&
                epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic"))
                glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                    float(std::max<DWORD>(key[9], 1)));
            if (epoxy_has_gl_extension("GL_EXT_texture_sRGB_decode"))
                glSamplerParameteri(sampler, GL_TEXTURE_SRGB_DECODE_EXT,
                                    key[10] ? GL_DECODE_EXT : GL_SKIP_DECODE_EXT);
            if (key[11])
            {
                glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
                glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
            }
            gl.samplers[id] = sampler;
        }
        if (gl.applied.samplers[unit] != sampler)
        {
            glBindSampler(unit, sampler);
            gl.applied.samplers[unit] = sampler;
        }
    }
}

// ---- Vertex input ------------------------------------------------------------------------------------
const std::vector<D3DVERTEXELEMENT9>& Device::FvfElements(DWORD fvf)
{
    auto it = m_fvfElements.find(fvf);
    if (it != m_fvfElements.end())
        return it->second;
    std::vector<D3DVERTEXELEMENT9> e;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index, WORD size)
    {
        e.push_back({0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset = WORD(offset + size);
    };
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZRHW)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0, 16);
    else if (position == D3DFVF_XYZW)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0, 16);
    else if (position != 0)
    {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 12);
        if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5)
        {
            UINT betas = (position - D3DFVF_XYZ) / 2;
            const bool indices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
            const UINT weights = indices ? betas - 1 : betas;
            if (weights > 0)
                add(BYTE(D3DDECLTYPE_FLOAT1 + std::min<UINT>(weights, 4) - 1), D3DDECLUSAGE_BLENDWEIGHT, 0,
                    WORD(weights * 4));
            if (indices)
                add((fvf & D3DFVF_LASTBETA_D3DCOLOR) ? D3DDECLTYPE_D3DCOLOR : D3DDECLTYPE_UBYTE4,
                    D3DDECLUSAGE_BLENDINDICES, 0, 4);
        }
    }
    if (fvf & D3DFVF_NORMAL)
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0, 12);
    if (fvf & D3DFVF_PSIZE)
        add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0, 4);
    if (fvf & D3DFVF_DIFFUSE)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0, 4);
    if (fvf & D3DFVF_SPECULAR)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1, 4);
    const UINT sets = std::min<UINT>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, kMaxTexCoordSets);
    for (UINT i = 0; i < sets; ++i)
    {
        static const UINT kFloats[4] = {2, 3, 4, 1};
        const UINT floats = kFloats[(fvf >> (16 + i * 2)) & 3];
        add(BYTE(D3DDECLTYPE_FLOAT1 + floats - 1), D3DDECLUSAGE_TEXCOORD, BYTE(i), WORD(floats * 4));
    }
    e.push_back({0xff, 0, D3DDECLTYPE_UNUSED, 0, 0, 0});
    return m_fvfElements[fvf] = std::move(e);
}

bool Device::BindVertexInput(const std::vector<D3DVERTEXELEMENT9>& elements, const void* layoutId,
                             const GlDraw& draw, GLintptr* indexOffset)
{
    GlRenderer& gl = *m_gl;
    auto& applied = gl.applied;
    uint32_t usedStreams = 0;
    if (applied.layout != layoutId)
    {
        uint32_t enabled = 0;
        for (const D3DVERTEXELEMENT9& e : elements)
        {
            if (e.Stream == 0xff)
                break;
            const int location = AttributeLocation(e.Usage, e.UsageIndex);
            AttributeFormat f;
            if (location < 0 || !DeclFormat(e.Type, &f) || (enabled & (1u << location)))
                continue;
            glVertexArrayAttribFormat(gl.vao, GLuint(location), f.size, f.type, f.normalized, e.Offset);
            glVertexArrayAttribBinding(gl.vao, GLuint(location), e.Stream);
            enabled |= 1u << location;
        }
        for (GLuint location = 0; location < TK_ATTRIB_COUNT; ++location)
        {
            const bool on = (enabled >> location) & 1u;
            if (on != (((applied.enabledAttributes >> location) & 1u) != 0))
            {
                if (on)
                    glEnableVertexArrayAttrib(gl.vao, location);
                else
                    glDisableVertexArrayAttrib(gl.vao, location);
            }
        }
        applied.enabledAttributes = enabled;
        applied.layout = layoutId;
    }
    for (const D3DVERTEXELEMENT9& e : elements)
    {
        if (e.Stream == 0xff)
            break;
        if (AttributeLocation(e.Usage, e.UsageIndex) >= 0)
            usedStreams |= 1u << e.Stream;
    }

    auto bindStream = [&](UINT stream, GLuint buffer, GLintptr offset, GLsizei stride)
    {
        if (applied.streams[stream] == buffer && applied.streamOffsets[stream] == offset &&
            applied.streamStrides[stream] == stride)
            return;
        glVertexArrayVertexBuffer(gl.vao, stream, buffer, offset, stride);
        applied.streams[stream] = buffer;
        applied.streamOffsets[stream] = offset;
        applied.streamStrides[stream] = stride;
    };

    // Data from user memory goes through the stream buffer.
    auto stage = [&](const void* data, size_t bytes, size_t align) -> GLintptr
    {
        size_t at = (gl.streamOffset + align - 1) / align * align;
        if (at + bytes > kStreamBufferBytes)
        {
            glNamedBufferData(gl.streamBuffer, GLsizeiptr(kStreamBufferBytes), nullptr, GL_STREAM_DRAW);
            at = 0;
        }
        glNamedBufferSubData(gl.streamBuffer, GLintptr(at), GLsizeiptr(bytes), data);
        gl.streamOffset = at + bytes;
        return GLintptr(at);
    };

    if (draw.userVertices)
    {
        if (draw.userVertexBytes > kStreamBufferBytes || draw.userIndexBytes > kStreamBufferBytes / 2)
        {
            LogOnce("Direct3D: a draw from user memory larger than the stream buffer is skipped");
            return false;
        }
        const GLintptr at = stage(draw.userVertices, draw.userVertexBytes, draw.userStride);
        bindStream(0, gl.streamBuffer, at, GLsizei(draw.userStride));
        for (UINT stream = 1; stream < TK_D3D_MAX_STREAMS; ++stream)
            if (usedStreams & (1u << stream))
                return false; // user memory feeds stream 0 only
        if (draw.userIndices)
        {
            *indexOffset = stage(draw.userIndices, draw.userIndexBytes, 4);
            if (applied.indexBuffer != gl.streamBuffer)
            {
                glVertexArrayElementBuffer(gl.vao, gl.streamBuffer);
                applied.indexBuffer = gl.streamBuffer;
            }
        }
        return true;
    }
    for (UINT stream = 0; stream < TK_D3D_MAX_STREAMS; ++stream)
    {
        if (!(usedStreams & (1u << stream)))
            continue;
        const StreamBinding& b = m_streams[stream];
        if (!b.buffer || b.stride == 0)
            return false;
        bindStream(stream, b.buffer->PrepareGl(), GLintptr(b.offset), GLsizei(b.stride));
    }
    if (draw.indexed)
    {
        const GLuint buffer = m_indices->PrepareGl();
        if (applied.indexBuffer != buffer)
        {
            glVertexArrayElementBuffer(gl.vao, buffer);
            applied.indexBuffer = buffer;
        }
        *indexOffset = GLintptr(draw.indexByteOffset);
    }
    return true;
}

// ---- Drawing ----------------------------------------------------------------------------------------
HRESULT Device::DrawGl(const GlDraw& draw)
{
    MakeCurrent();
    const std::vector<D3DVERTEXELEMENT9>& elements =
        m_declaration ? m_declaration->Elements() : FvfElements(m_fvf);
    const void* layoutId = m_declaration ? static_cast<const void*>(m_declaration) : &elements;
    bool pretransformed = false;
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Stream != 0xff && e.Usage == D3DDECLUSAGE_POSITIONT)
            pretransformed = true;
    LinkedProgram* program = ProgramForDraw(elements, pretransformed);
    if (!program)
        return D3D_OK;
    if (!program->ok)
        return D3DERR_INVALIDCALL;
    if (!BindTargets())
        return D3D_OK;
    GlRenderer& gl = *m_gl;
    if (gl.applied.program != program->program)
    {
        glUseProgram(program->program);
        gl.applied.program = program->program;
    }
    ApplyRenderStates();
    SendUniforms(*program, pretransformed);
    BindTextures(*program);
    GLintptr indexOffset = 0;
    if (!BindVertexInput(elements, layoutId, draw, &indexOffset))
        return D3D_OK;
    const GLenum mode = Primitive(draw.type);
    if (draw.indexed)
        glDrawElementsBaseVertex(mode, GLsizei(draw.count), draw.indexType,
                                 reinterpret_cast<const void*>(indexOffset), draw.baseVertex);
    else
        glDrawArrays(mode, GLint(draw.firstVertex), GLsizei(draw.count));
    MarkTargetsWritten();
    return D3D_OK;
}

bool Device::ClearGl(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil)
{
    MakeCurrent();
    for (Surface* s : m_renderTargets)
        if (s && !s->HasGl() && (flags & D3DCLEAR_TARGET))
            return false;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && m_depthStencil && !m_depthStencil->HasGl())
        return false;
    float rgba[4];
    ColorFloats(color, rgba);
    if (!rects && DeferWholeClear(flags, rgba, z, stencil))
        return true;
    if (!BindTargets())
        return false;
    GlRenderer& gl = *m_gl;
    // Clears write every channel whatever the masks say.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xff);
    glDisable(GL_FRAMEBUFFER_SRGB);
    gl.applied.states.fill(kUnapplied);
    const RECT viewport = {LONG(m_viewport.X), LONG(m_viewport.Y), LONG(m_viewport.X + m_viewport.Width),
                           LONG(m_viewport.Y + m_viewport.Height)};
    const DWORD rectCount = rects ? count : 1;
    for (DWORD i = 0; i < rectCount; ++i)
    {
        RECT area = viewport;
        if (rects)
            area = {std::max<LONG>(viewport.left, rects[i].x1), std::max<LONG>(viewport.top, rects[i].y1),
                    std::min<LONG>(viewport.right, rects[i].x2),
                    std::min<LONG>(viewport.bottom, rects[i].y2)};
        if (area.left >= area.right || area.top >= area.bottom)
            continue;
        glScissor(area.left, area.top, area.right - area.left, area.bottom - area.top);
        if (flags & D3DCLEAR_TARGET)
            for (GLint t = 0; t < GLint(TK_D3D_MAX_RENDER_TARGETS); ++t)
                if (Surface* s = m_renderTargets[t])
                {
                    float c[4] = {rgba[0], rgba[1], rgba[2], s->Format() == D3DFMT_X8R8G8B8 ? 1.0f : rgba[3]};
                    glClearBufferfv(GL_COLOR, t, c);
                }
        const bool depth = (flags & D3DCLEAR_ZBUFFER) != 0 && gl.applied.depthAttached;
        const bool sten = (flags & D3DCLEAR_STENCIL) != 0 && gl.applied.stencilAttached;
        if (depth && sten)
            glClearBufferfi(GL_DEPTH_STENCIL, 0, z, GLint(stencil & 0xff));
        else if (depth)
            glClearBufferfv(GL_DEPTH, 0, &z);
        else if (sten)
        {
            const GLint value = GLint(stencil & 0xff);
            glClearBufferiv(GL_STENCIL, 0, &value);
        }
    }
    glScissor(GLint(m_viewport.X), GLint(m_viewport.Y), GLsizei(m_viewport.Width),
              GLsizei(m_viewport.Height));
    std::memset(gl.applied.viewport, 0, sizeof gl.applied.viewport);
    if (flags & D3DCLEAR_TARGET)
        for (Surface* s : m_renderTargets)
            if (s)
            {
                s->MarkGpuWritten();
                m_backDrawnSincePresent |= s == m_backBuffers[0];
            }
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && gl.applied.depthAttached)
        m_depthStencil->MarkGpuWritten();
    return true;
}

bool Device::DeferWholeClear(DWORD flags, const float rgba[4], float z, DWORD stencil)
{
    // Only when the viewport takes in every surface the clear writes, so
    // that what is kept is a value for each pixel.
    auto whole = [&](const Surface* s)
    {
        return m_viewport.X == 0 && m_viewport.Y == 0 && m_viewport.Width >= s->Width() &&
               m_viewport.Height >= s->Height();
    };
    const bool target = (flags & D3DCLEAR_TARGET) != 0;
    Surface* depthSurface = m_depthStencil && m_depthStencil->HasGl() ? m_depthStencil : nullptr;
    const bool depth = (flags & D3DCLEAR_ZBUFFER) != 0 && depthSurface;
    const bool sten = (flags & D3DCLEAR_STENCIL) != 0 && depthSurface &&
                      GetFormatInfo(depthSurface->Format()).stencilBits > 0;
    if (!m_renderTargets[0] || !m_renderTargets[0]->HasGl())
        return false;
    for (Surface* s : m_renderTargets)
        if (s && (!s->HasGl() || (target && !whole(s))))
            return false;
    if ((depth || sten) && !whole(depthSurface))
        return false;
    if (target)
        for (Surface* s : m_renderTargets)
            if (s)
            {
                PendingClear c;
                c.color = true;
                std::memcpy(c.rgba, rgba, sizeof c.rgba);
                if (s->Format() == D3DFMT_X8R8G8B8)
                    c.rgba[3] = 1.0f;
                s->DeferClear(c);
                m_backDrawnSincePresent |= s == m_backBuffers[0];
            }
    if (depth || sten)
    {
        PendingClear c;
        c.depth = depth;
        c.z = z;
        c.stencil = sten;
        c.stencilValue = GLint(stencil & 0xff);
        depthSurface->DeferClear(c);
    }
    return true;
}

bool Device::BlitGl(Surface* src, const RECT& from, Surface* dst, const RECT& to, bool linear)
{
    if (!src->HasGl() || !dst->HasGl())
        return false;
    MakeCurrent();
    GlRenderer& gl = *m_gl;
    src->PrepareForGpu();
    dst->PrepareForGpu();
    auto attach = [](GLuint fbo, Surface* s)
    {
        GLint type = 0;
        glGetTextureParameteriv(s->GlTexture(), GL_TEXTURE_TARGET, &type);
        if (type == GL_TEXTURE_CUBE_MAP)
            glNamedFramebufferTextureLayer(fbo, GL_COLOR_ATTACHMENT0, s->GlTexture(), s->GlLevel(),
                                           s->GlFace());
        else
            glNamedFramebufferTexture(fbo, GL_COLOR_ATTACHMENT0, s->GlTexture(), s->GlLevel());
    };
    if (!gl.blitFbo)
        glCreateFramebuffers(1, &gl.blitFbo);
    attach(gl.readFbo, src);
    attach(gl.blitFbo, dst);
    glNamedFramebufferDrawBuffer(gl.blitFbo, GL_COLOR_ATTACHMENT0);
    glNamedFramebufferReadBuffer(gl.readFbo, GL_COLOR_ATTACHMENT0);
    // Copies ignore the scissor, the write masks and sRGB conversion.
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, dst->Format() != D3DFMT_X8R8G8B8);
    glBlitNamedFramebuffer(gl.readFbo, gl.blitFbo, from.left, from.top, from.right, from.bottom, to.left,
                           to.top, to.right, to.bottom, GL_COLOR_BUFFER_BIT, linear ? GL_LINEAR : GL_NEAREST);
    glEnable(GL_SCISSOR_TEST);
    glNamedFramebufferTexture(gl.readFbo, GL_COLOR_ATTACHMENT0, 0, 0);
    glNamedFramebufferTexture(gl.blitFbo, GL_COLOR_ATTACHMENT0, 0, 0);
    gl.applied.states.fill(kUnapplied);
    dst->MarkGpuWritten();
    m_backDrawnSincePresent |= dst == m_backBuffers[0];
    return true;
}

// ---- Presentation --------------------------------------------------------------------------------------
void Device::PresentGl()
{
    MakeCurrent();
    GlRenderer& gl = *m_gl;
    Surface* back = m_backBuffers[0];
    back->PrepareForGpu();
    if (!back->HasGl() || !gl.presentProgram)
        return;
    const UINT w = back->Width(), h = back->Height();
    // The shown frame is an image like the back buffer's, so that the two can
    // trade places.
    if (gl.presentTexture &&
        (gl.presentWidth != w || gl.presentHeight != h || gl.presentFormat != back->Format()))
    {
        ForgetGlTexture(gl.presentTexture);
        glDeleteTextures(1, &gl.presentTexture);
        gl.presentTexture = 0;
    }
    if (!gl.presentTexture)
    {
        gl.presentTexture = CreateGlTexture(GL_TEXTURE_2D, back->Format(), w, h, 1, false);
        if (!gl.presentTexture)
            return;
        glNamedFramebufferTexture(gl.presentFbo, GL_COLOR_ATTACHMENT0, gl.presentTexture, 0);
        gl.presentWidth = w, gl.presentHeight = h, gl.presentFormat = back->Format();
    }
    // An identity ramp (to the byte the frame keeps) needs no pass.
    bool identity = true;
    for (UINT i = 0; i < kGammaEntries && identity; ++i)
        identity = (m_gamma.red[i] >> 8) == i && (m_gamma.green[i] >> 8) == i && (m_gamma.blue[i] >> 8) == i;
    if (identity)
    {
        if (m_params.SwapEffect == D3DSWAPEFFECT_DISCARD)
        {
            // What the back buffer holds after a discarding Present is
            // undefined: the drawn image becomes the shown one and the one
            // shown before is drawn over next, with nothing copied.
            const GLuint drawn = back->ExchangeGl(gl.presentTexture);
            gl.presentTexture = drawn;
            glNamedFramebufferTexture(gl.presentFbo, GL_COLOR_ATTACHMENT0, drawn, 0);
        }
        else
            glCopyImageSubData(back->GlTexture(), GL_TEXTURE_2D, 0, 0, 0, 0, gl.presentTexture, GL_TEXTURE_2D,
                               0, 0, 0, 0, GLsizei(w), GLsizei(h), 1);
        if (gl.context->Window())
            ShowInWindow();
        m_presentedStale = true;
        m_backDrawnSincePresent = false;
        return;
    }
    // The gamma ramp as a 256-entry table the last pass looks colours up in.
    uint16_t ramp[kGammaEntries][4];
    for (UINT i = 0; i < kGammaEntries; ++i)
        ramp[i][0] = m_gamma.red[i], ramp[i][1] = m_gamma.green[i], ramp[i][2] = m_gamma.blue[i],
        ramp[i][3] = 0xffff;
    glTextureSubImage2D(gl.gammaTexture, 0, 0, 0, kGammaEntries, 1, GL_RGBA, GL_UNSIGNED_SHORT, ramp);

    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, gl.presentFbo);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, GLsizei(w), GLsizei(h));
    glDepthRangeIndexed(0, 0.0, 1.0);
    glScissor(0, 0, GLsizei(w), GLsizei(h));
    glUseProgram(gl.presentProgram);
    glProgramUniform1f(gl.presentProgram, glGetUniformLocation(gl.presentProgram, "u_flip"), 1.0f);
    glBindTextureUnit(0, back->GlTexture());
    glBindTextureUnit(1, gl.gammaTexture);
    glBindSampler(0, 0);
    glBindSampler(1, 0);
    if (epoxy_has_gl_extension("GL_EXT_texture_sRGB_decode"))
        glTextureParameteri(back->GlTexture(), GL_TEXTURE_SRGB_DECODE_EXT, GL_SKIP_DECODE_EXT);
    glTextureParameteri(back->GlTexture(), GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTextureParameteri(back->GlTexture(), GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindVertexArray(gl.emptyVao);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(gl.vao);
    if (gl.context->Window())
        ShowInWindow();
    // Everything the pass touched is unknown to the cache now.
    gl.applied = GlRenderer::Applied();
    glBindVertexArray(gl.vao);
    for (UINT unit = 0; unit < kGlTextureUnits; ++unit)
        glBindTextureUnit(unit, 0), glBindSampler(unit, 0);
    glUseProgram(0);
    m_presentedStale = true;
    m_backDrawnSincePresent = false;
}

void Device::ShowInWindow()
{
    GlRenderer& gl = *m_gl;
    // The window's framebuffer counts rows from the bottom.
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(gl.context->Window(), &ww, &wh);
    glDisable(GL_SCISSOR_TEST);
    glBlitNamedFramebuffer(gl.presentFbo, 0, 0, 0, GLint(gl.presentWidth), GLint(gl.presentHeight), 0, wh, ww,
                           0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glEnable(GL_SCISSOR_TEST);
    gl.context->Swap();
    gl.applied.fbo = ~0u;
}

HRESULT Device::GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface)
{
    // What the player sees, as 32-bit pixels of the back buffer's size into a
    // system-memory A8R8G8B8 surface.
    Surface* dst = OwnSurface(pDestSurface);
    const Surface* back = m_backBuffers.empty() ? nullptr : m_backBuffers[0];
    if (iSwapChain != 0 || !dst || !back || dst->Pool() != D3DPOOL_SYSTEMMEM ||
        dst->Format() != D3DFMT_A8R8G8B8 || dst->Width() != back->Width() ||
        dst->Height() != back->Height() || dst->IsLocked())
        return D3DERR_INVALIDCALL;
    if (m_state != TkDeviceState::Ok)
        return D3DERR_DEVICELOST;
    const UINT w = dst->Width(), h = dst->Height();
    BYTE* bits = dst->WriteBits();
    if (m_presentCount == 0)
    {
        std::memset(bits, 0, size_t(dst->Pitch()) * h);
        return D3D_OK;
    }
    ReadPresented();
    // The last frame shown may be of another size (a Reset since): what it
    // does not cover stays black.
    std::memset(bits, 0, size_t(dst->Pitch()) * h);
    const UINT cw = std::min(w, m_lastPresentedDesc.width), ch = std::min(h, m_lastPresentedDesc.height);
    for (UINT y = 0; y < ch; ++y)
        std::memcpy(bits + size_t(y) * dst->Pitch(),
                    m_lastPresented.data() + size_t(y) * m_lastPresentedDesc.pitch, size_t(cw) * 4);
    return D3D_OK;
}

bool Device::ShownPicture(const Surface* surface, TkSurfacePixels* out) const
{
    if (m_presentCount == 0 || m_backBuffers.empty() || surface != m_backBuffers[0] ||
        m_backDrawnSincePresent || !m_gl->presentTexture)
        return false;
    ReadPresented();
    *out = m_lastPresentedDesc;
    return true;
}

void Device::ReadPresented() const
{
    if (!m_presentedStale)
        return;
    m_presentedStale = false;
    GlRenderer& gl = *m_gl;
    const_cast<Device*>(this)->MakeCurrent();
    const UINT w = gl.presentWidth, h = gl.presentHeight;
    m_lastPresented.assign(size_t(w) * h * 4, 0);
    m_lastPresentedDesc = {m_lastPresented.data(), INT(w * 4), w, h, D3DFMT_X8R8G8B8};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (!gl.context->Window())
    {
        glGetTextureImage(gl.presentTexture, 0, GL_BGRA, GL_UNSIGNED_BYTE, GLsizei(m_lastPresented.size()),
                          m_lastPresented.data());
        return;
    }
    // In a window what the player sees is the window's framebuffer, rows
    // counted from the bottom. Its front buffer cannot be read everywhere:
    // the shown frame is put into the back buffer again the way Present put
    // it, and read there.
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(gl.context->Window(), &ww, &wh);
    glDisable(GL_SCISSOR_TEST);
    glBlitNamedFramebuffer(gl.presentFbo, 0, 0, 0, GLint(w), GLint(h), 0, wh, ww, 0, GL_COLOR_BUFFER_BIT,
                           GL_LINEAR);
    glEnable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    const GLsizei cw = std::min<GLsizei>(GLsizei(w), ww), ch = std::min<GLsizei>(GLsizei(h), wh);
    std::vector<BYTE> rows(size_t(std::max(cw, 0)) * std::max(ch, 0) * 4, 0);
    glReadnPixels(0, wh - ch, cw, ch, GL_BGRA, GL_UNSIGNED_BYTE, GLsizei(rows.size()), rows.data());
    for (GLsizei y = 0; y < ch; ++y)
        std::memcpy(m_lastPresented.data() + size_t(y) * w * 4, rows.data() + size_t(ch - 1 - y) * cw * 4,
                    size_t(cw) * 4);
    gl.applied.fbo = ~0u;
}
} // namespace tk::d3d9
