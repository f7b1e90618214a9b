#include "platform/d3d9/BareGl.h"

#include "platform/d3d9/Device.h"

#include <epoxy/gl.h>

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
    auto compile = [](GLenum stage, const char* source)
    {
        GLuint shader = glCreateShader(stage);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        return shader;
    };
    const GLuint vs = compile(GL_VERTEX_SHADER, kVertex), fs = compile(GL_FRAGMENT_SHADER, kFragment);
    s->program = glCreateProgram();
    glAttachShader(s->program, vs);
    glAttachShader(s->program, fs);
    glLinkProgram(s->program);
    glDeleteShader(vs);
    glDeleteShader(fs);
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
