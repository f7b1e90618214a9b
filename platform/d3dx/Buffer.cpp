#include "platform/d3dx/Buffer.h"

#include "platform/d3d9/D3D9Types.h"

#include <new>
#include <vector>

namespace
{

class TkD3DXBuffer final : public ID3DXBuffer
{
public:
    explicit TkD3DXBuffer(DWORD bytes) : m_bytes(bytes) {}

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        if (m_refs == 0)
            return 0;
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    void* GetBufferPointer() override { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    DWORD GetBufferSize() override { return DWORD(m_bytes.size()); }

private:
    ~TkD3DXBuffer() = default;

    std::vector<unsigned char> m_bytes;
    ULONG m_refs = 1;
};

} // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    try
    {
        *ppBuffer = new TkD3DXBuffer(NumBytes);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}
