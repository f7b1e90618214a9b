#include "platform/d3dx/EffectBareGl.h"

#include <epoxy/gl.h>

bool TkFxBareFindUniform(const char* name, TkFxBareUniform* out)
{
    if (!name || !out)
        return false;
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (program <= 0)
        return false;
    out->program = GLuint(program);
    out->location = glGetUniformLocation(out->program, name);
    return out->location >= 0;
}

void TkFxBareSetMatrix(const TkFxBareUniform& uniform, const float* rowMajor)
{
    // Rows as GL columns' transpose: the shaders multiply row vectors.
    glProgramUniformMatrix4fv(uniform.program, uniform.location, 1, GL_TRUE, rowMajor);
}

bool TkFxBareNoErrors()
{
    bool clean = true;
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i)
        clean = false;
    return clean;
}
