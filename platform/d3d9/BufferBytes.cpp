#include "platform/d3d9/BufferBytes.h"

#include <algorithm>

namespace tk::d3d9
{
namespace
{
// The length a lock covers; false when it reaches outside the buffer.
bool ResolveLockRange(UINT size, UINT offset, UINT length, UINT* outLength)
{
    if (offset > size || (offset == size && size != 0 && length != 0))
        return false;
    if (length == 0)
        length = size - offset;
    if (length > size - offset)
        return false;
    *outLength = length;
    return true;
}
} // namespace

HRESULT BufferBytes::Lock(UINT offset, UINT size, void** data, DWORD flags)
{
    UINT length;
    if (!data || !ResolveLockRange(Size(), offset, size, &length))
        return D3DERR_INVALIDCALL;
    if (!(flags & D3DLOCK_READONLY))
    {
        if (flags & D3DLOCK_DISCARD)
            m_orphan = true;
        if (m_dirtyBegin == m_dirtyEnd)
            m_dirtyBegin = offset, m_dirtyEnd = offset + length;
        else
            m_dirtyBegin = std::min(m_dirtyBegin, offset), m_dirtyEnd = std::max(m_dirtyEnd, offset + length);
    }
    // Locks nest, as the native runtime allows several outstanding ones.
    ++m_lockCount;
    *data = m_data.data() + offset;
    return D3D_OK;
}

GLuint BufferBytes::PrepareGl()
{
    if (!m_gl)
    {
        glCreateBuffers(1, &m_gl);
        glNamedBufferData(m_gl, GLsizeiptr(m_data.size()), m_data.data(), GL_DYNAMIC_DRAW);
        m_dirtyBegin = m_dirtyEnd = 0;
        m_orphan = false;
        return m_gl;
    }
    if (m_orphan)
        // A fresh store lets the GPU finish drawing from the old one meanwhile.
        glNamedBufferData(m_gl, GLsizeiptr(m_data.size()), m_data.data(), GL_DYNAMIC_DRAW);
    else if (m_dirtyBegin < m_dirtyEnd)
        glNamedBufferSubData(m_gl, GLintptr(m_dirtyBegin), GLsizeiptr(m_dirtyEnd - m_dirtyBegin),
                             m_data.data() + m_dirtyBegin);
    m_dirtyBegin = m_dirtyEnd = 0;
    m_orphan = false;
    return m_gl;
}

void BufferBytes::DeleteGl()
{
    if (m_gl)
        glDeleteBuffers(1, &m_gl);
    m_gl = 0;
}

HRESULT BufferBytes::Unlock()
{
    if (m_lockCount == 0)
        return D3DERR_INVALIDCALL;
    --m_lockCount;
    return D3D_OK;
}
} // namespace tk::d3d9
