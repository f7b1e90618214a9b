#pragma once
// An index buffer of 16- or 32-bit indices.

#include "platform/d3d9/BufferBytes.h"
#include "platform/d3d9/DeviceChild.h"

namespace tk::d3d9
{
class IndexBuffer final : public DeviceChild<IDirect3DIndexBuffer9>
{
public:
    // Arguments are validated by the device.
    IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    std::string Describe() const override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    D3DFORMAT Format() const { return m_desc.Format; }
    UINT IndexSize() const { return m_desc.Format == D3DFMT_INDEX32 ? 4 : 2; }
    UINT IndexCount() const { return m_desc.Size / IndexSize(); }
    const std::vector<BYTE>& Data() const { return m_bytes.Data(); }
    GLuint PrepareGl() { return m_bytes.PrepareGl(); }
    void DropGl() override;
    bool HoldsGl() const override { return m_bytes.HasGl(); }

    ~IndexBuffer() override;

private:
    D3DINDEXBUFFER_DESC m_desc;
    BufferBytes m_bytes;
};
} // namespace tk::d3d9
