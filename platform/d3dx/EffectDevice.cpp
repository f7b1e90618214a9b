// STAND-IN: the device has no shader path yet; shaders are accepted unseen and
// uniform values go nowhere. Waits for the OpenGL device's CreateVertexShader,
// CreatePixelShader and TkSetShaderUniform.
#include "platform/d3dx/EffectDevice.h"

namespace
{

template <class Interface> class StandInShader final : public Interface
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ~StandInShader() = default;
    ULONG m_refs = 1;
};

} // namespace

HRESULT TkFxCreateVertexShader(IDirect3DDevice9* device, const std::string& glsl,
                               IDirect3DVertexShader9** out, std::string* log)
{
    if (!device || glsl.empty() || !out)
        return D3DERR_INVALIDCALL;
    log->clear();
    *out = new StandInShader<IDirect3DVertexShader9>();
    return D3D_OK;
}

HRESULT TkFxCreatePixelShader(IDirect3DDevice9* device, const std::string& glsl, IDirect3DPixelShader9** out,
                              std::string* log)
{
    if (!device || glsl.empty() || !out)
        return D3DERR_INVALIDCALL;
    log->clear();
    *out = new StandInShader<IDirect3DPixelShader9>();
    return D3D_OK;
}

HRESULT TkFxSetUniform(IDirect3DDevice9* device, const char* name, TkUniformType, const void* data,
                       UINT count)
{
    if (!device || !name || !data || count == 0)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}
