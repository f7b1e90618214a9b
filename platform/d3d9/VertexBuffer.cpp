#include "platform/d3d9/VertexBuffer.h"

#include "platform/d3d9/Device.h"

#include <cstdio>

namespace tk::d3d9
{
VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : DeviceChild(device, pool, Ownership::Owned), m_bytes(length)
{
    m_desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
}

VertexBuffer::~VertexBuffer()
{
    OwnerDevice()->MakeCurrent();
    m_bytes.DeleteGl();
}

void VertexBuffer::DropGl()
{
    OwnerDevice()->MakeCurrent();
    m_bytes.DeleteGl();
}

std::string VertexBuffer::Describe() const
{
    char text[96];
    std::snprintf(text, sizeof text, "vertex buffer %u bytes%s", m_desc.Size,
                  (m_desc.Usage & D3DUSAGE_DYNAMIC) ? " DYNAMIC" : "");
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags)
{
    if (IsLost())
    {
        if (ppbData)
            *ppbData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    return m_bytes.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT VertexBuffer::Unlock()
{
    return m_bytes.Unlock();
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}
} // namespace tk::d3d9
