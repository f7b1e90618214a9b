#pragma once
// A vertex buffer: bytes the game writes through Lock and the device reads
// when it draws.

#include "platform/d3d9/BufferBytes.h"
#include "platform/d3d9/DeviceChild.h"

namespace tk::d3d9
{
class VertexBuffer final : public DeviceChild<IDirect3DVertexBuffer9>
{
public:
    // Arguments are validated by the device.
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    std::string Describe() const override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    const std::vector<BYTE>& Data() const { return m_bytes.Data(); }
    GLuint PrepareGl() { return m_bytes.PrepareGl(); }
    void DropGl() override;
    bool HoldsGl() const override { return m_bytes.HasGl(); }

    ~VertexBuffer() override;

private:
    D3DVERTEXBUFFER_DESC m_desc;
    BufferBytes m_bytes;
};
} // namespace tk::d3d9
