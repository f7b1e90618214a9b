#include "platform/d3d9/IndexBuffer.h"

#include "platform/d3d9/Device.h"

#include <cstdio>

namespace tk::d3d9
{
IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device, pool, Ownership::Owned), m_bytes(length)
{
    m_desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
}

IndexBuffer::~IndexBuffer()
{
    OwnerDevice()->MakeCurrent();
    m_bytes.DeleteGl();
}

void IndexBuffer::DropGl()
{
    OwnerDevice()->MakeCurrent();
    m_bytes.DeleteGl();
}

std::string IndexBuffer::Describe() const
{
    char text[96];
    std::snprintf(text, sizeof text, "index buffer %u bytes %u-bit%s", m_desc.Size, IndexSize() * 8,
                  (m_desc.Usage & D3DUSAGE_DYNAMIC) ? " DYNAMIC" : "");
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags)
{
    if (IsLost())
    {
        if (ppbData)
            *ppbData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    return m_bytes.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT IndexBuffer::Unlock()
{
    return m_bytes.Unlock();
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}
} // namespace tk::d3d9
