#pragma once
// The bytes of a vertex or index buffer and the locks on them: the game
// writes through Lock, the device reads Data when it draws. The GPU's copy
// (a GL buffer made on first use) takes the ranges written since it last
// drew from them just before the next draw; memory stays the one truth, as
// the GPU never writes buffers.

#include "platform/d3d9/D3D9Types.h"

#include <epoxy/gl.h>

#include <vector>

namespace tk::d3d9
{
class BufferBytes
{
public:
    explicit BufferBytes(UINT size) : m_data(size, 0) {}

    // A range of the bytes (offset 0 and size 0, or a size of 0, mean "to
    // the end"); INVALIDCALL when it reaches outside them.
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags = 0);
    HRESULT Unlock();

    UINT Size() const { return static_cast<UINT>(m_data.size()); }
    const std::vector<BYTE>& Data() const { return m_data; }

    // The GL buffer holding what memory holds (the GL context is current).
    GLuint PrepareGl();
    // Frees the GL buffer (the GL context is current).
    void DeleteGl();
    bool HasGl() const { return m_gl != 0; }

private:
    std::vector<BYTE> m_data;
    UINT m_lockCount = 0;
    GLuint m_gl = 0;
    bool m_orphan = false; // a DISCARD lock: the whole buffer is new
    UINT m_dirtyBegin = 0; // written range not yet on the GPU
    UINT m_dirtyEnd = 0;
};
} // namespace tk::d3d9
