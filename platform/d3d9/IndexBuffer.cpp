#include "platform/d3d9/IndexBuffer.h"

#include "platform/d3d9/VertexBuffer.h"

#include <cstdio>

namespace tk::d3d9
{
IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device, pool, Ownership::Owned), m_data(length, 0)
{
    m_desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
}

std::string IndexBuffer::Describe() const
{
    char text[96];
    std::snprintf(text, sizeof text, "index buffer %u bytes %u-bit%s", m_desc.Size, IndexSize() * 8,
                  (m_desc.Usage & D3DUSAGE_DYNAMIC) ? " DYNAMIC" : "");
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD)
{
    UINT length;
    if (!ppbData || !ResolveLockRange(m_desc.Size, OffsetToLock, SizeToLock, &length))
        return D3DERR_INVALIDCALL;
    ++m_lockCount;
    *ppbData = m_data.data() + OffsetToLock;
    return D3D_OK;
}

HRESULT IndexBuffer::Unlock()
{
    if (m_lockCount == 0)
        return D3DERR_INVALIDCALL;
    --m_lockCount;
    return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}
} // namespace tk::d3d9
