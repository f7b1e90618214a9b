#pragma once
// The bytes of a vertex or index buffer and the locks on them: the game
// writes through Lock, the device reads Data when it draws.

#include "platform/d3d9/D3D9Types.h"

#include <vector>

namespace tk::d3d9
{
class BufferBytes
{
public:
    explicit BufferBytes(UINT size) : m_data(size, 0) {}

    // A range of the bytes (offset 0 and size 0, or a size of 0, mean "to
    // the end"); INVALIDCALL when it reaches outside them.
    HRESULT Lock(UINT offset, UINT size, void** data);
    HRESULT Unlock();

    UINT Size() const { return static_cast<UINT>(m_data.size()); }
    const std::vector<BYTE>& Data() const { return m_data; }

private:
    std::vector<BYTE> m_data;
    UINT m_lockCount = 0;
};
} // namespace tk::d3d9
