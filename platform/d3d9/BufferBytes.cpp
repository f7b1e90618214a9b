#include "platform/d3d9/BufferBytes.h"

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

HRESULT BufferBytes::Lock(UINT offset, UINT size, void** data)
{
    UINT length;
    if (!data || !ResolveLockRange(Size(), offset, size, &length))
        return D3DERR_INVALIDCALL;
    // Locks nest, as the native runtime allows several outstanding ones.
    ++m_lockCount;
    *data = m_data.data() + offset;
    return D3D_OK;
}

HRESULT BufferBytes::Unlock()
{
    if (m_lockCount == 0)
        return D3DERR_INVALIDCALL;
    --m_lockCount;
    return D3D_OK;
}
} // namespace tk::d3d9
