// Scenes and draw calls: every call is checked, logged with the state it was
// made in, and drawn on the GPU (DeviceGl.cpp).
#include "platform/d3d9/Device.h"

#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/IndexBuffer.h"
#include "platform/d3d9/GlDraw.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"
#include "platform/d3d9/VertexBuffer.h"
#include "platform/d3d9/VertexDeclaration.h"
#include "platform/d3dx/EffectDrawLog.h"

#include <algorithm>
#include <cstring>

namespace tk::d3d9
{
namespace
{
// In 64 bits: a hostile primitive count must not wrap into a small one.
uint64_t VertexCount(D3DPRIMITIVETYPE type, uint64_t primitives)
{
    switch (type)
    {
    case D3DPT_POINTLIST:
        return primitives;
    case D3DPT_LINELIST:
        return primitives * 2;
    case D3DPT_LINESTRIP:
        return primitives + 1;
    case D3DPT_TRIANGLELIST:
        return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return primitives + 2;
    default:
        return 0;
    }
}

} // namespace

HRESULT Device::BeginScene()
{
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = false;
    return D3D_OK;
}

HRESULT Device::CheckDrawable(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT* vertexCount) const
{
    // Drawing needs a scene, a vertex format and a known primitive type.
    if (!m_inScene || (!m_declaration && m_fvf == 0))
        return D3DERR_INVALIDCALL;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDCALL;
    // No more primitives than the caps allow, so that the vertex (or index)
    // count and every position inside the draw fit in 32 bits.
    if (primitiveCount > kMaxPrimitiveCount)
        return D3DERR_INVALIDCALL;
    *vertexCount = static_cast<UINT>(VertexCount(type, primitiveCount));
    return D3D_OK;
}

void Device::RecordDraw(TkDrawRecord& r)
{
    ++m_currentDrawCount;
    if (m_currentLog.size() >= TK_D3D_MAX_LOGGED_DRAWS)
        return;
    r.fvf = m_fvf;
    r.declaration = m_declaration;
    for (UINT i = 0; i < TK_D3D_MAX_STREAMS; ++i)
        r.streams[i] = {m_streams[i].buffer, m_streams[i].offset, m_streams[i].stride};
    r.indices = m_indices;
    r.indexFormat = m_indices ? m_indices->Format() : D3DFMT_UNKNOWN;
    for (UINT i = 0; i < TK_D3D_PIXEL_SAMPLERS; ++i)
        r.textures[i] = m_textures[i].texture;
    for (UINT i = 0; i < TK_D3D_MAX_RENDER_TARGETS; ++i)
        r.renderTargets[i] = m_renderTargets[i];
    r.depthStencil = m_depthStencil;
    r.viewport = m_viewport;
    r.world = m_world[0];
    r.view = m_view;
    r.projection = m_projection;
    std::memcpy(r.renderStates, m_renderStates, sizeof r.renderStates);
    for (UINT i = 0; i < TK_D3D_PIXEL_SAMPLERS; ++i)
        std::memcpy(r.samplerStates[i], m_samplerStates[i], sizeof r.samplerStates[i]);
    std::memcpy(r.stageStates, m_stageStates, sizeof r.stageStates);
    r.effect = TkEffectCurrentDrawState(this);
    m_currentLog.push_back(r);
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount)
{
    UINT vertices;
    if (HRESULT hr = CheckDrawable(PrimitiveType, PrimitiveCount, &vertices); FAILED(hr))
        return hr;
    const StreamBinding& stream = m_streams[0];
    if (!stream.buffer || stream.stride == 0 || stream.offset > stream.buffer->Data().size())
        return D3DERR_INVALIDCALL;
    const size_t available = stream.buffer->Data().size() - stream.offset;
    if (PrimitiveCount > 0 && (uint64_t(StartVertex) + vertices) * stream.stride > available)
        return D3DERR_INVALIDCALL;
    if (PrimitiveCount == 0 || m_state != TkDeviceState::Ok)
        return D3D_OK;
    TkDrawRecord record = {};
    record.call = TkDrawCall::Primitive;
    record.primitiveType = PrimitiveType;
    record.primitiveCount = PrimitiveCount;
    record.startVertex = StartVertex;
    RecordDraw(record);
    GlDraw draw;
    draw.type = PrimitiveType;
    draw.count = vertices;
    draw.firstVertex = StartVertex;
    return DrawGl(draw);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                     UINT NumVertices, UINT startIndex, UINT primCount)
{
    UINT indices;
    if (HRESULT hr = CheckDrawable(PrimitiveType, primCount, &indices); FAILED(hr))
        return hr;
    const StreamBinding& stream = m_streams[0];
    if (!m_indices || !stream.buffer || stream.stride == 0 || stream.offset > stream.buffer->Data().size())
        return D3DERR_INVALIDCALL;
    if (primCount > 0 && uint64_t(startIndex) + indices > m_indices->IndexCount())
        return D3DERR_INVALIDCALL;
    if (primCount == 0 || m_state != TkDeviceState::Ok)
        return D3D_OK;
    TkDrawRecord record = {};
    record.call = TkDrawCall::IndexedPrimitive;
    record.primitiveType = PrimitiveType;
    record.primitiveCount = primCount;
    record.baseVertexIndex = BaseVertexIndex;
    record.minVertexIndex = MinVertexIndex;
    record.numVertices = NumVertices;
    record.startIndex = startIndex;
    RecordDraw(record);
    GlDraw draw;
    draw.type = PrimitiveType;
    draw.count = indices;
    draw.indexed = true;
    draw.indexType = m_indices->IndexSize() == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    draw.indexByteOffset = size_t(startIndex) * m_indices->IndexSize();
    draw.baseVertex = BaseVertexIndex;
    return DrawGl(draw);
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                const void* pVertexStreamZeroData, UINT VertexStreamZeroStride)
{
    UINT vertices;
    if (HRESULT hr = CheckDrawable(PrimitiveType, PrimitiveCount, &vertices); FAILED(hr))
        return hr;
    if (!pVertexStreamZeroData || VertexStreamZeroStride == 0)
        return D3DERR_INVALIDCALL;
    // Drawing from user memory leaves stream 0 unbound, as natively.
    BindStream(m_streams[0], nullptr, 0, 0);
    if (PrimitiveCount == 0 || m_state != TkDeviceState::Ok)
        return D3D_OK;
    TkDrawRecord record = {};
    record.call = TkDrawCall::PrimitiveUP;
    record.primitiveType = PrimitiveType;
    record.primitiveCount = PrimitiveCount;
    record.userStride = VertexStreamZeroStride;
    RecordDraw(record);
    GlDraw draw;
    draw.type = PrimitiveType;
    draw.count = vertices;
    draw.userVertices = pVertexStreamZeroData;
    draw.userVertexBytes = size_t(vertices) * VertexStreamZeroStride;
    draw.userStride = VertexStreamZeroStride;
    return DrawGl(draw);
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride)
{
    UINT indices;
    if (HRESULT hr = CheckDrawable(PrimitiveType, PrimitiveCount, &indices); FAILED(hr))
        return hr;
    if (!pIndexData || !pVertexStreamZeroData || VertexStreamZeroStride == 0 || NumVertices == 0 ||
        (IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    // Drawing from user memory leaves stream 0 and the indices unbound, as natively.
    BindStream(m_streams[0], nullptr, 0, 0);
    BindIndices(nullptr);
    if (PrimitiveCount == 0 || m_state != TkDeviceState::Ok)
        return D3D_OK;
    TkDrawRecord record = {};
    record.call = TkDrawCall::IndexedPrimitiveUP;
    record.primitiveType = PrimitiveType;
    record.primitiveCount = PrimitiveCount;
    record.minVertexIndex = MinVertexIndex;
    record.numVertices = NumVertices;
    record.userStride = VertexStreamZeroStride;
    record.userIndexFormat = IndexDataFormat;
    RecordDraw(record);
    // The caller promises vertices MinVertexIndex .. MinVertexIndex + NumVertices - 1;
    // indices outside that range are clamped into it before the GPU sees them,
    // so no index reaches past the data given.
    const UINT indexSize = IndexDataFormat == D3DFMT_INDEX32 ? 4 : 2;
    const size_t vertexBytes = (size_t(MinVertexIndex) + NumVertices) * VertexStreamZeroStride;
    std::vector<BYTE> checked(size_t(indices) * indexSize);
    std::memcpy(checked.data(), pIndexData, checked.size());
    const uint32_t last = MinVertexIndex + NumVertices - 1;
    for (UINT i = 0; i < indices; ++i)
    {
        uint32_t v = 0;
        std::memcpy(&v, checked.data() + size_t(i) * indexSize, indexSize);
        if (v < MinVertexIndex || v > last)
        {
            v = MinVertexIndex;
            std::memcpy(checked.data() + size_t(i) * indexSize, &v, indexSize);
        }
    }
    GlDraw draw;
    draw.type = PrimitiveType;
    draw.count = indices;
    draw.indexed = true;
    draw.indexType = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    draw.userVertices = pVertexStreamZeroData;
    draw.userVertexBytes = vertexBytes;
    draw.userStride = VertexStreamZeroStride;
    draw.userIndices = checked.data();
    draw.userIndexBytes = checked.size();
    return DrawGl(draw);
}
} // namespace tk::d3d9
