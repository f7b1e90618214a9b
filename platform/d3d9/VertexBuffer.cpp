#include "platform/d3d9/VertexBuffer.h"

#include <cstdio>

namespace tk::d3d9
{
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

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : DeviceChild(device, pool, Ownership::Owned), m_data(length, 0)
{
    m_desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
}

std::string VertexBuffer::Describe() const
{
    char text[96];
    std::snprintf(text, sizeof text, "vertex buffer %u bytes%s", m_desc.Size,
                  (m_desc.Usage & D3DUSAGE_DYNAMIC) ? " DYNAMIC" : "");
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD)
{
    UINT length;
    if (!ppbData || !ResolveLockRange(m_desc.Size, OffsetToLock, SizeToLock, &length))
        return D3DERR_INVALIDCALL;
    // Locks nest, as the native runtime allows several outstanding ones.
    ++m_lockCount;
    *ppbData = m_data.data() + OffsetToLock;
    return D3D_OK;
}

HRESULT VertexBuffer::Unlock()
{
    if (m_lockCount == 0)
        return D3DERR_INVALIDCALL;
    --m_lockCount;
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}
} // namespace tk::d3d9
