#include "platform/d3d9/BareGl.h"

#include "platform/d3d9/Device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
const char* kVertex = R"(#version 450 core
layout(location = 0) in vec2 a_position;
layout(location = 8) in vec2 a_uv;
out vec2 v_uv;
void main() { gl_Position = vec4(a_position, 0.5, 1.0); v_uv = a_uv; }
)";
const char* kFragment = R"(#version 450 core
in vec2 v_uv;
layout(binding = 0) uniform sampler2D u_texture;
uniform vec4 u_tint;
out vec4 o;
void main() { o = texture(u_texture, v_uv) * u_tint; }
)";
constexpr GLsizei kTextureSize = 64;
// A program of a vertex and a fragment stage; the stages go once it is linked.
GLuint LinkProgram(const char* vertex, const char* fragment)
{
    auto compile = [](GLenum stage, const char* source)
    {
        GLuint shader = glCreateShader(stage);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        return shader;
    };
    const GLuint vs = compile(GL_VERTEX_SHADER, vertex), fs = compile(GL_FRAGMENT_SHADER, fragment);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    return program;
}
} // namespace

struct TkBareGlScene
{
    tk::d3d9::Device* device;
    GLuint target, fbo, textures[2], program, vao, vertices, indices;
    GLint tint;
    UINT width, height;
};

TkBareGlScene* TkBareGlCreate(IDirect3DDevice9* device, UINT width, UINT height)
{
    auto* own = device ? dynamic_cast<tk::d3d9::Device*>(device) : nullptr;
    if (!own)
        return nullptr;
    own->MakeCurrent();
    auto* s = new TkBareGlScene{};
    s->device = own;
    s->width = width, s->height = height;
    glCreateTextures(GL_TEXTURE_2D, 1, &s->target);
    glTextureStorage2D(s->target, 1, GL_RGBA8, GLsizei(width), GLsizei(height));
    glCreateFramebuffers(1, &s->fbo);
    glNamedFramebufferTexture(s->fbo, GL_COLOR_ATTACHMENT0, s->target, 0);
    std::vector<uint32_t> texels(size_t(kTextureSize) * kTextureSize);
    for (int t = 0; t < 2; ++t)
    {
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = 0x80000000u | uint32_t(i * (t + 7));
        glCreateTextures(GL_TEXTURE_2D, 1, &s->textures[t]);
        glTextureStorage2D(s->textures[t], 1, GL_RGBA8, kTextureSize, kTextureSize);
        glTextureSubImage2D(s->textures[t], 0, 0, 0, kTextureSize, kTextureSize, GL_BGRA, GL_UNSIGNED_BYTE,
                            texels.data());
        glTextureParameteri(s->textures[t], GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    s->program = LinkProgram(kVertex, kFragment);
    s->tint = glGetUniformLocation(s->program, "u_tint");
    // A full-screen quad, then small quads of a few pixels.
    std::vector<float> v = {-1, 1, 0, 0, 1, 1, 1, 0, 1, -1, 1, 1, -1, -1, 0, 1};
    for (int i = 0; i < 4; ++i)
        v.insert(v.end(), {-0.1f, 0.1f, 0, 0, 0.1f, 0.1f, 1, 0, 0.1f, -0.1f, 1, 1, -0.1f, -0.1f, 0, 1});
    const uint16_t idx[] = {0, 1, 2, 0, 2, 3};
    glCreateBuffers(1, &s->vertices);
    glNamedBufferData(s->vertices, GLsizeiptr(v.size() * sizeof(float)), v.data(), GL_STATIC_DRAW);
    glCreateBuffers(1, &s->indices);
    glNamedBufferData(s->indices, sizeof idx, idx, GL_STATIC_DRAW);
    glCreateVertexArrays(1, &s->vao);
    glVertexArrayVertexBuffer(s->vao, 0, s->vertices, 0, 4 * sizeof(float));
    glVertexArrayElementBuffer(s->vao, s->indices);
    glVertexArrayAttribFormat(s->vao, 0, 2, GL_FLOAT, GL_FALSE, 0);
    glVertexArrayAttribFormat(s->vao, 8, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float));
    glVertexArrayAttribBinding(s->vao, 0, 0);
    glVertexArrayAttribBinding(s->vao, 8, 0);
    glEnableVertexArrayAttrib(s->vao, 0);
    glEnableVertexArrayAttrib(s->vao, 8);
    // The device's cached state no longer holds.
    own->ForgetGlState();
    return s;
}

void TkBareGlDestroy(TkBareGlScene* s)
{
    if (!s)
        return;
    s->device->MakeCurrent();
    glDeleteTextures(1, &s->target);
    glDeleteTextures(2, s->textures);
    glDeleteFramebuffers(1, &s->fbo);
    glDeleteProgram(s->program);
    glDeleteBuffers(1, &s->vertices);
    glDeleteBuffers(1, &s->indices);
    glDeleteVertexArrays(1, &s->vao);
    s->device->ForgetGlState();
    delete s;
}

namespace
{
void Begin(TkBareGlScene* s)
{
    s->device->MakeCurrent();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, s->fbo);
    glViewport(0, 0, GLsizei(s->width), GLsizei(s->height));
    glScissor(0, 0, GLsizei(s->width), GLsizei(s->height));
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glUseProgram(s->program);
    glBindVertexArray(s->vao);
}
} // namespace

void TkBareGlBlendedQuad(TkBareGlScene* s)
{
    Begin(s);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glUniform4f(s->tint, 1, 1, 1, 1);
    glBindTextureUnit(0, s->textures[0]);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    s->device->ForgetGlState();
}

void TkBareGlSmallDraws(TkBareGlScene* s, int count)
{
    Begin(s);
    for (int i = 0; i < count; ++i)
    {
        glBindTextureUnit(0, s->textures[i & 1]);
        if (i & 2)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
        glUniform4f(s->tint, float(i & 7) / 7.0f, 1, 1, 1);
        glDrawElementsBaseVertex(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr, 4 + (i & 3) * 4);
    }
    s->device->ForgetGlState();
}

void TkBareGlFinish(IDirect3DDevice9* device)
{
    auto* own = device ? dynamic_cast<tk::d3d9::Device*>(device) : nullptr;
    if (!own)
        return;
    own->MakeCurrent();
    glFinish();
}

// ---- Cube of distances -----------------------------------------------------------------------

namespace
{
const char* kCubeVertex = R"(#version 450 core
layout(location = 0) in vec3 a_position;
uniform mat4 u_world;
uniform mat4 u_viewProjection;
uniform vec3 u_light;
out vec3 v_toLight;
void main()
{
    vec4 world = vec4(a_position, 1.0) * u_world;
    v_toLight = world.xyz - u_light;
    gl_Position = vec4(v_toLight, 1.0) * u_viewProjection;
}
)";
const char* kCubeFragment = R"(#version 450 core
in vec3 v_toLight;
uniform float u_range;
out float o;
void main() { o = length(v_toLight) / u_range; }
)";

struct CubeCaster
{
    GLuint vao, vertices, indices;
    bool indices32;
    std::vector<std::pair<UINT, UINT>> ranges;
    float world[16];
};

// A left-handed look-at from the origin and a quarter-turn perspective, as
// row-vector matrices (the device's convention), multiplied.
void FaceViewProjection(int face, float nearPlane, float farPlane, float out[16])
{
    static const float look[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static const float up[6][3] = {{0, 1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};
    const float* z = look[face];
    const float* u = up[face];
    // x = up x z, y = z x x
    const float x[3] = {u[1] * z[2] - u[2] * z[1], u[2] * z[0] - u[0] * z[2], u[0] * z[1] - u[1] * z[0]};
    const float y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    const float view[16] = {x[0], y[0], z[0], 0, x[1], y[1], z[1], 0, x[2], y[2], z[2], 0, 0, 0, 0, 1};
    const float q = farPlane / (farPlane - nearPlane);
    const float projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, q, 1, 0, 0, -nearPlane * q, 0};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += view[r * 4 + k] * projection[k * 4 + c];
            out[r * 4 + c] = sum;
        }
}
} // namespace

struct TkBareGlCubeScene
{
    tk::d3d9::Device* device;
    GLuint cube, depth, fbo, program;
    GLint world, viewProjection, light, range;
    GLsizei edge;
    std::vector<CubeCaster> casters;
};

TkBareGlCubeScene* TkBareGlCreateCubeScene(IDirect3DDevice9* device, UINT edge, const TkBareGlCaster* casters,
                                           UINT count)
{
    auto* own = device ? dynamic_cast<tk::d3d9::Device*>(device) : nullptr;
    if (!own || !edge)
        return nullptr;
    own->MakeCurrent();
    auto* s = new TkBareGlCubeScene{};
    s->device = own;
    s->edge = GLsizei(edge);
    glCreateTextures(GL_TEXTURE_CUBE_MAP, 1, &s->cube);
    glTextureStorage2D(s->cube, 1, GL_R32F, s->edge, s->edge);
    glCreateRenderbuffers(1, &s->depth);
    glNamedRenderbufferStorage(s->depth, GL_DEPTH24_STENCIL8, s->edge, s->edge);
    glCreateFramebuffers(1, &s->fbo);
    glNamedFramebufferRenderbuffer(s->fbo, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, s->depth);
    s->program = LinkProgram(kCubeVertex, kCubeFragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(s->program, GL_LINK_STATUS, &linked);
    if (!linked)
    {
        TkBareGlDestroyCubeScene(s);
        return nullptr;
    }
    s->world = glGetUniformLocation(s->program, "u_world");
    s->viewProjection = glGetUniformLocation(s->program, "u_viewProjection");
    s->light = glGetUniformLocation(s->program, "u_light");
    s->range = glGetUniformLocation(s->program, "u_range");
    for (UINT i = 0; i < count; ++i)
    {
        const TkBareGlCaster& in = casters[i];
        if (!in.vertices || !in.indices || !in.vertexCount || in.stride < 12)
            continue;
        CubeCaster c{};
        c.indices32 = in.indices32;
        UINT triangles = 0;
        for (UINT r = 0; r < in.rangeCount; ++r)
        {
            c.ranges.emplace_back(in.ranges[r][0], in.ranges[r][1]);
            triangles = std::max(triangles, in.ranges[r][0] + in.ranges[r][1]);
        }
        std::copy(in.world, in.world + 16, c.world);
        glCreateBuffers(1, &c.vertices);
        glNamedBufferData(c.vertices, GLsizeiptr(in.vertexCount) * in.stride, in.vertices, GL_STATIC_DRAW);
        glCreateBuffers(1, &c.indices);
        glNamedBufferData(c.indices, GLsizeiptr(triangles) * 3 * (in.indices32 ? 4 : 2), in.indices,
                          GL_STATIC_DRAW);
        glCreateVertexArrays(1, &c.vao);
        glVertexArrayVertexBuffer(c.vao, 0, c.vertices, 0, GLsizei(in.stride));
        glVertexArrayElementBuffer(c.vao, c.indices);
        glVertexArrayAttribFormat(c.vao, 0, 3, GL_FLOAT, GL_FALSE, 0);
        glVertexArrayAttribBinding(c.vao, 0, 0);
        glEnableVertexArrayAttrib(c.vao, 0);
        s->casters.push_back(std::move(c));
    }
    own->ForgetGlState();
    return s;
}

void TkBareGlDestroyCubeScene(TkBareGlCubeScene* s)
{
    if (!s)
        return;
    s->device->MakeCurrent();
    for (CubeCaster& c : s->casters)
    {
        glDeleteVertexArrays(1, &c.vao);
        glDeleteBuffers(1, &c.vertices);
        glDeleteBuffers(1, &c.indices);
    }
    glDeleteFramebuffers(1, &s->fbo);
    glDeleteRenderbuffers(1, &s->depth);
    glDeleteTextures(1, &s->cube);
    glDeleteProgram(s->program);
    s->device->ForgetGlState();
    delete s;
}

void TkBareGlDrawCube(TkBareGlCubeScene* s, const float light[3], float range)
{
    if (!s)
        return;
    s->device->MakeCurrent();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, s->fbo);
    glViewport(0, 0, s->edge, s->edge);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glUseProgram(s->program);
    glUniform3f(s->light, light[0], light[1], light[2]);
    glUniform1f(s->range, range);
    for (int face = 0; face < 6; ++face)
    {
        glNamedFramebufferTextureLayer(s->fbo, GL_COLOR_ATTACHMENT0, s->cube, 0, face);
        const float far[4] = {1, 1, 1, 1};
        glClearNamedFramebufferfv(s->fbo, GL_COLOR, 0, far);
        glClearNamedFramebufferfi(s->fbo, GL_DEPTH_STENCIL, 0, 1.0f, 0);
        float viewProjection[16];
        FaceViewProjection(face, 0.01f, range, viewProjection);
        glUniformMatrix4fv(s->viewProjection, 1, GL_TRUE, viewProjection);
        for (const CubeCaster& c : s->casters)
        {
            glUniformMatrix4fv(s->world, 1, GL_TRUE, c.world);
            glBindVertexArray(c.vao);
            const GLenum type = c.indices32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
            const size_t size = c.indices32 ? 4 : 2;
            for (const auto& r : c.ranges)
                glDrawElements(GL_TRIANGLES, GLsizei(r.second * 3), type,
                               reinterpret_cast<const void*>(size_t(r.first) * 3 * size));
        }
    }
    s->device->ForgetGlState();
}
