#include "platform/d3d9/Shader.h"

#include "platform/d3d9/Device.h"

#include <algorithm>
#include <cstring>

namespace tk::d3d9
{
GLuint CompileGlsl(GLenum stage, const char* source, std::string* log)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string text(size_t(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, GLsizei(text.size()), nullptr, text.data());
    text.resize(std::strlen(text.c_str()));
    *log = text.empty() ? std::string("the shader does not compile") : text;
    glDeleteShader(shader);
    return 0;
}

template <class Interface> ShaderObject<Interface>::~ShaderObject()
{
    Device* device = this->OwnerDevice();
    device->MakeCurrent();
    device->ForgetShader(m_shader);
    glDeleteShader(m_shader);
    if (m_alphaTested)
    {
        device->ForgetShader(m_alphaTested);
        glDeleteShader(m_alphaTested);
    }
}

template class ShaderObject<IDirect3DVertexShader9>;
template class ShaderObject<IDirect3DPixelShader9>;
} // namespace tk::d3d9
