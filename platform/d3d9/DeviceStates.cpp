// The device's states and bindings: render, sampler and texture-stage states,
// transforms, viewport, render targets, textures, streams and vertex input.
#include "platform/d3d9/Device.h"

#include "platform/d3d9/CubeTexture.h"
#include "platform/d3d9/IndexBuffer.h"
#include "platform/d3d9/Shader.h"
#include "platform/d3d9/StateDefaults.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"
#include "platform/d3d9/VertexBuffer.h"
#include "platform/d3d9/VertexDeclaration.h"

namespace tk::d3d9
{
namespace
{
// Takes the device's reference on the new object before dropping the old one,
// so that rebinding the same object never frees it.
template <class T> void Rebind(T*& slot, T* object)
{
    if (object)
        object->RefHolder()->AddRefPrivate();
    T* old = slot;
    slot = object;
    if (old)
        old->RefHolder()->ReleasePrivate();
}
} // namespace

void Device::BindSurface(Surface*& slot, Surface* surface)
{
    Rebind(slot, surface);
}

void Device::BindTexture(BoundTexture& slot, IDirect3DBaseTexture9* texture, Tracked* object)
{
    if (object)
        object->AddRefPrivate();
    Tracked* old = slot.object;
    slot = {texture, object};
    if (old)
        old->ReleasePrivate();
}

void Device::BindStream(StreamBinding& slot, VertexBuffer* buffer, UINT offset, UINT stride)
{
    Rebind(slot.buffer, buffer);
    slot.offset = buffer ? offset : 0;
    slot.stride = buffer ? stride : 0;
}

void Device::BindIndices(IndexBuffer* buffer)
{
    Rebind(m_indices, buffer);
}

void Device::BindDeclaration(VertexDeclaration* declaration)
{
    Rebind(m_declaration, declaration);
}

int Device::SamplerSlot(DWORD sampler) const
{
    if (sampler < TK_D3D_PIXEL_SAMPLERS)
        return static_cast<int>(sampler);
    if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3)
        return static_cast<int>(TK_D3D_PIXEL_SAMPLERS + (sampler - D3DDMAPSAMPLER));
    return -1;
}

D3DMATRIX* Device::TransformSlot(D3DTRANSFORMSTATETYPE state)
{
    const DWORD s = state;
    if (s == D3DTS_VIEW)
        return &m_view;
    if (s == D3DTS_PROJECTION)
        return &m_projection;
    if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7)
        return &m_textureTransforms[s - D3DTS_TEXTURE0];
    if (s >= 256 && s < 256 + kWorldMatrices)
        return &m_world[s - 256];
    return nullptr;
}

// ---- Fixed states -----------------------------------------------------------------------
HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    if (!IsRenderState(State))
        return D3DERR_INVALIDCALL;
    m_renderStates[State] = Value;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    if (!pValue || !IsRenderState(State))
        return D3DERR_INVALIDCALL;
    *pValue = m_renderStates[State];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    const int slot = SamplerSlot(Sampler);
    if (slot < 0 || !IsSamplerState(Type))
        return D3DERR_INVALIDCALL;
    m_samplerStates[slot][Type] = Value;
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    const int slot = SamplerSlot(Sampler);
    if (!pValue || slot < 0 || !IsSamplerState(Type))
        return D3DERR_INVALIDCALL;
    *pValue = m_samplerStates[slot][Type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    if (Stage >= TK_D3D_TEXTURE_STAGES || !IsStageState(Type))
        return D3DERR_INVALIDCALL;
    m_stageStates[Stage][Type] = Value;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue)
{
    if (!pValue || Stage >= TK_D3D_TEXTURE_STAGES || !IsStageState(Type))
        return D3DERR_INVALIDCALL;
    *pValue = m_stageStates[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    D3DMATRIX* slot = TransformSlot(State);
    if (!slot || !pMatrix)
        return D3DERR_INVALIDCALL;
    *slot = *pMatrix;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    D3DMATRIX* slot = TransformSlot(State);
    if (!slot || !pMatrix)
        return D3DERR_INVALIDCALL;
    *pMatrix = *slot;
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return D3DERR_INVALIDCALL;
    const Surface* target = m_renderTargets[0];
    const D3DVIEWPORT9& v = *pViewport;
    // The viewport must lie inside render target 0.
    if (v.Width == 0 || v.Height == 0 || uint64_t(v.X) + v.Width > target->Width() ||
        uint64_t(v.Y) + v.Height > target->Height() ||
        !(v.MinZ >= 0.0f && v.MaxZ <= 1.0f && v.MinZ <= v.MaxZ))
        return D3DERR_INVALIDCALL;
    m_viewport = v;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return D3DERR_INVALIDCALL;
    *pViewport = m_viewport;
    return D3D_OK;
}

// ---- Targets --------------------------------------------------------------------------------
HRESULT Device::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget)
{
    if (RenderTargetIndex >= TK_D3D_MAX_RENDER_TARGETS)
        return D3DERR_INVALIDCALL;
    Surface* surface = OwnSurface(pRenderTarget);
    if (pRenderTarget && (!surface || !surface->IsRenderTarget()))
        return D3DERR_INVALIDCALL;
    if (!surface && RenderTargetIndex == 0)
        return D3DERR_INVALIDCALL;
    BindSurface(m_renderTargets[RenderTargetIndex], surface);
    // Setting target 0 resets the viewport to the whole target, as natively.
    if (RenderTargetIndex == 0)
        FullViewport();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget)
{
    if (!ppRenderTarget || RenderTargetIndex >= TK_D3D_MAX_RENDER_TARGETS)
        return D3DERR_INVALIDCALL;
    *ppRenderTarget = m_renderTargets[RenderTargetIndex];
    if (!*ppRenderTarget)
        return D3DERR_NOTFOUND;
    (*ppRenderTarget)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil)
{
    Surface* surface = OwnSurface(pNewZStencil);
    if (pNewZStencil && (!surface || !surface->IsDepthStencil()))
        return D3DERR_INVALIDCALL;
    BindSurface(m_depthStencil, surface);
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface)
{
    if (!ppZStencilSurface)
        return D3DERR_INVALIDCALL;
    *ppZStencilSurface = m_depthStencil;
    if (!m_depthStencil)
        return D3DERR_NOTFOUND;
    m_depthStencil->AddRef();
    return D3D_OK;
}

// ---- Textures ---------------------------------------------------------------------------------
HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    const int slot = SamplerSlot(Stage);
    if (slot < 0)
        return D3DERR_INVALIDCALL;
    Tracked* object = AsTracked(pTexture);
    if (pTexture)
    {
        // Only textures the pipeline can read: not system memory or scratch.
        const bool texture = dynamic_cast<Texture*>(pTexture) || dynamic_cast<CubeTexture*>(pTexture);
        if (!object || !texture || object->OwnerDevice() != this ||
            (object->Pool() != D3DPOOL_DEFAULT && object->Pool() != D3DPOOL_MANAGED))
            return D3DERR_INVALIDCALL;
    }
    BindTexture(m_textures[slot], pTexture, object);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    const int slot = SamplerSlot(Stage);
    if (!ppTexture || slot < 0)
        return D3DERR_INVALIDCALL;
    *ppTexture = m_textures[slot].texture;
    if (*ppTexture)
        (*ppTexture)->AddRef();
    return D3D_OK;
}

// ---- Vertex input -------------------------------------------------------------------------------
HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl)
{
    VertexDeclaration* declaration = pDecl ? dynamic_cast<VertexDeclaration*>(pDecl) : nullptr;
    if (pDecl && (!declaration || declaration->OwnerDevice() != this))
        return D3DERR_INVALIDCALL;
    BindDeclaration(declaration);
    m_fvf = 0;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl)
{
    if (!ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = m_declaration;
    if (m_declaration)
        m_declaration->AddRef();
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD FVF)
{
    // The native runtime ignores a zero FVF and keeps the declaration in force.
    if (FVF == 0)
        return D3D_OK;
    BindDeclaration(nullptr);
    m_fvf = FVF;
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* pFVF)
{
    if (!pFVF)
        return D3DERR_INVALIDCALL;
    *pFVF = m_fvf;
    return D3D_OK;
}

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* pShader)
{
    VertexShader* own = pShader ? dynamic_cast<VertexShader*>(pShader) : nullptr;
    if (pShader && (!own || own->OwnerDevice() != this))
        return D3DERR_INVALIDCALL;
    Rebind(m_vertexShader, own);
    return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** ppShader)
{
    if (!ppShader)
        return D3DERR_INVALIDCALL;
    *ppShader = m_vertexShader;
    if (m_vertexShader)
        m_vertexShader->AddRef();
    return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* pShader)
{
    PixelShader* own = pShader ? dynamic_cast<PixelShader*>(pShader) : nullptr;
    if (pShader && (!own || own->OwnerDevice() != this))
        return D3DERR_INVALIDCALL;
    Rebind(m_pixelShader, own);
    return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** ppShader)
{
    if (!ppShader)
        return D3DERR_INVALIDCALL;
    *ppShader = m_pixelShader;
    if (m_pixelShader)
        m_pixelShader->AddRef();
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                UINT Stride)
{
    if (StreamNumber >= TK_D3D_MAX_STREAMS)
        return D3DERR_INVALIDCALL;
    VertexBuffer* buffer = pStreamData ? dynamic_cast<VertexBuffer*>(pStreamData) : nullptr;
    if (pStreamData && (!buffer || buffer->OwnerDevice() != this))
        return D3DERR_INVALIDCALL;
    if (Stride > 508 || OffsetInBytes % 4 != 0)
        return D3DERR_INVALIDCALL;
    BindStream(m_streams[StreamNumber], buffer, OffsetInBytes, Stride);
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                UINT* pOffsetInBytes, UINT* pStride)
{
    if (StreamNumber >= TK_D3D_MAX_STREAMS || !ppStreamData || !pOffsetInBytes || !pStride)
        return D3DERR_INVALIDCALL;
    const StreamBinding& stream = m_streams[StreamNumber];
    *ppStreamData = stream.buffer;
    if (stream.buffer)
        stream.buffer->AddRef();
    *pOffsetInBytes = stream.offset;
    *pStride = stream.stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    IndexBuffer* buffer = pIndexData ? dynamic_cast<IndexBuffer*>(pIndexData) : nullptr;
    if (pIndexData && (!buffer || buffer->OwnerDevice() != this))
        return D3DERR_INVALIDCALL;
    BindIndices(buffer);
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData)
{
    if (!ppIndexData)
        return D3DERR_INVALIDCALL;
    *ppIndexData = m_indices;
    if (m_indices)
        m_indices->AddRef();
    return D3D_OK;
}
} // namespace tk::d3d9
