// Shaders are made by the device from our GLSL text; values go to it by name.
// The device links a pair only when it first draws with it, so a pass is
// tried here by linking its two sources once on the device's context, which
// the shader creation has just made current.
#include "platform/d3dx/EffectDevice.h"

#include <epoxy/gl.h>

#include <vector>

namespace
{

GLuint Compile(GLenum stage, const std::string& source)
{
    const GLuint shader = glCreateShader(stage);
    if (!shader)
        return 0;
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok)
    {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

HRESULT TkFxCreateVertexShader(IDirect3DDevice9* device, const std::string& glsl,
                               IDirect3DVertexShader9** out, std::string* log)
{
    if (!device || glsl.empty() || !out || !log)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    HRESULT hr = device->CreateVertexShader(reinterpret_cast<const DWORD*>(glsl.c_str()), out);
    *log = FAILED(hr) ? TkGetLastShaderLog(device) : std::string();
    return hr;
}

HRESULT TkFxCreatePixelShader(IDirect3DDevice9* device, const std::string& glsl, IDirect3DPixelShader9** out,
                              std::string* log)
{
    if (!device || glsl.empty() || !out || !log)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    HRESULT hr = device->CreatePixelShader(reinterpret_cast<const DWORD*>(glsl.c_str()), out);
    *log = FAILED(hr) ? TkGetLastShaderLog(device) : std::string();
    return hr;
}

TkFxLinkCheck::~TkFxLinkCheck()
{
    for (const auto& [source, shader] : m_compiled)
    {
        if (shader)
            glDeleteShader(shader);
    }
}

unsigned TkFxLinkCheck::Compiled(const std::string& source, bool pixel)
{
    auto it = m_compiled.find(&source);
    if (it != m_compiled.end())
        return it->second;
    const GLuint shader = Compile(pixel ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER, source);
    m_compiled.emplace(&source, shader);
    return shader;
}

bool TkFxLinkCheck::Links(const std::string& vertexGlsl, const std::string& pixelGlsl, std::string* log)
{
    log->clear();
    const auto key = std::make_pair(&vertexGlsl, &pixelGlsl);
    if (auto it = m_linked.find(key); it != m_linked.end())
        return it->second;
    const GLuint vs = Compiled(vertexGlsl, false);
    const GLuint fs = Compiled(pixelGlsl, true);
    bool ok = false;
    if (vs && fs)
    {
        const GLuint program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        ok = linked == GL_TRUE;
        if (!ok)
        {
            GLint length = 0;
            glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
            std::vector<char> text(size_t(length > 0 ? length : 1), '\0');
            glGetProgramInfoLog(program, GLsizei(text.size()), nullptr, text.data());
            *log = text.data();
        }
        glDetachShader(program, vs);
        glDetachShader(program, fs);
        glDeleteProgram(program);
    }
    m_linked.emplace(key, ok);
    return ok;
}

HRESULT TkFxSetUniform(IDirect3DDevice9* device, const char* name, TkUniformType type, const void* data,
                       UINT count)
{
    return TkSetShaderUniform(device, name, type, data, count);
}
