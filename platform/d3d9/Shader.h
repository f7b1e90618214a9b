#pragma once
// Vertex and pixel shaders: GLSL 4.50 source compiled on the device's GL
// context (GlslShaders.h says how the effect layer hands them over). They
// are not pool resources: they survive a reset as natively.

#include "platform/d3d9/DeviceChild.h"

#include <epoxy/gl.h>

#include <string>

namespace tk::d3d9
{
// Compiles `source` as a shader of `stage`; 0 with the info log in `log` when
// it does not compile.
GLuint CompileGlsl(GLenum stage, const char* source, std::string* log);

template <class Interface> class ShaderObject final : public DeviceChild<Interface>
{
public:
    // `alphaTested`: the pixel shader with the alpha test after it (0 for none).
    ShaderObject(Device* device, GLuint shader, const char* kind, GLuint alphaTested = 0)
        : DeviceChild<Interface>(device, D3DPOOL_MANAGED, Ownership::Owned), m_shader(shader),
          m_alphaTested(alphaTested), m_kind(kind)
    {
    }
    ~ShaderObject() override;

    std::string Describe() const override
    {
        return this->Name().empty() ? std::string(m_kind) : this->Name() + ": " + m_kind;
    }
    GLuint Gl() const { return m_shader; }
    // The shader for draws with the alpha test on: its own variant, or itself.
    GLuint AlphaTestedGl() const { return m_alphaTested ? m_alphaTested : m_shader; }

private:
    GLuint m_shader;
    GLuint m_alphaTested;
    const char* m_kind;
};

using VertexShader = ShaderObject<IDirect3DVertexShader9>;
using PixelShader = ShaderObject<IDirect3DPixelShader9>;
} // namespace tk::d3d9
