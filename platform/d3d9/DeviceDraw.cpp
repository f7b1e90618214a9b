// Scenes and draw calls: every call is checked, logged with the state it was
// made in, and pre-transformed triangles are rasterised into render target 0.
#include "platform/d3d9/Device.h"

#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/IndexBuffer.h"
#include "platform/d3d9/Rasterizer.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"
#include "platform/d3d9/VertexBuffer.h"
#include "platform/d3d9/VertexDeclaration.h"

#include <algorithm>
#include <cstring>

namespace tk::d3d9
{
// Where the vertices (and indices) of one draw come from.
struct VertexSource
{
    const BYTE* vertices = nullptr;
    size_t vertexBytes = 0; // bytes readable from `vertices`
    UINT stride = 0;
    const BYTE* indices = nullptr; // null for non-indexed draws
    UINT indexSize = 0;
    UINT firstVertex = 0; // non-indexed: the first vertex
    INT baseVertex = 0;   // indexed: added to every index
};

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

UINT ReadIndex(const VertexSource& s, UINT i)
{
    if (s.indexSize == 4)
    {
        uint32_t v;
        std::memcpy(&v, s.indices + size_t(i) * 4, 4);
        return v;
    }
    uint16_t v;
    std::memcpy(&v, s.indices + size_t(i) * 2, 2);
    return v;
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
    m_currentLog.push_back(r);
}

void Device::DrawPretransformed(D3DPRIMITIVETYPE type, UINT primitiveCount, const VertexSource& source)
{
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN)
        return;
    VertexLayout layout;
    const bool pretransformed = m_declaration ? LayoutFromDeclaration(m_declaration->Elements(), &layout)
                                              : LayoutFromFvf(m_fvf, &layout);
    Surface* target = m_renderTargets[0];
    if (!pretransformed || !target || GetFormatInfo(target->Format()).kind != FormatKind::Color)
        return;
    if (source.stride < layout.size)
        return;

    PixelPipeline pipeline;
    pipeline.target = target;
    pipeline.clip = {LONG(m_viewport.X), LONG(m_viewport.Y), LONG(m_viewport.X + m_viewport.Width),
                     LONG(m_viewport.Y + m_viewport.Height)};
    pipeline.renderStates = m_renderStates;
    pipeline.stageStates = m_stageStates;
    pipeline.samplerStates = m_samplerStates;
    pipeline.texCount = layout.texCount;
    for (UINT stage = 0; stage < TK_D3D_TEXTURE_STAGES; ++stage)
    {
        Texture* texture =
            m_textures[stage].texture ? dynamic_cast<Texture*>(m_textures[stage].texture) : nullptr;
        pipeline.textures[stage] = texture ? texture->Level(0) : nullptr;
        if (m_textures[stage].texture && !texture)
            LogOnce("Direct3D: the 2D rasteriser reads cube textures as white");
    }

    // Fetches vertex n of the primitive stream; false when it lies outside the data.
    auto fetch = [&](UINT n, RasterVertex* out)
    {
        int64_t index = source.indices ? int64_t(ReadIndex(source, n)) + source.baseVertex
                                       : int64_t(source.firstVertex) + n;
        if (index < 0)
            return false;
        const uint64_t at = uint64_t(index) * source.stride;
        if (at + layout.size > source.vertexBytes)
            return false;
        *out = ReadVertex(layout, source.vertices + at);
        return true;
    };
    RasterVertex v0, v1, v2;
    for (UINT prim = 0; prim < primitiveCount; ++prim)
    {
        UINT i0, i1, i2;
        if (type == D3DPT_TRIANGLELIST)
            i0 = prim * 3, i1 = prim * 3 + 1, i2 = prim * 3 + 2;
        else if (type == D3DPT_TRIANGLESTRIP)
        {
            // Every other strip triangle is reversed to keep the winding.
            i0 = prim;
            i1 = prim % 2 ? prim + 2 : prim + 1;
            i2 = prim % 2 ? prim + 1 : prim + 2;
        }
        else
            i0 = 0, i1 = prim + 1, i2 = prim + 2;
        if (fetch(i0, &v0) && fetch(i1, &v1) && fetch(i2, &v2))
            DrawTriangle(pipeline, v0, v1, v2);
    }
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
    VertexSource source;
    source.vertices = stream.buffer->Data().data() + stream.offset;
    source.vertexBytes = available;
    source.stride = stream.stride;
    source.firstVertex = StartVertex;
    DrawPretransformed(PrimitiveType, PrimitiveCount, source);
    return D3D_OK;
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
    VertexSource source;
    source.vertices = stream.buffer->Data().data() + stream.offset;
    source.vertexBytes = stream.buffer->Data().size() - stream.offset;
    source.stride = stream.stride;
    source.indices = m_indices->Data().data() + size_t(startIndex) * m_indices->IndexSize();
    source.indexSize = m_indices->IndexSize();
    source.baseVertex = BaseVertexIndex;
    DrawPretransformed(PrimitiveType, primCount, source);
    return D3D_OK;
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
    VertexSource source;
    source.vertices = static_cast<const BYTE*>(pVertexStreamZeroData);
    source.vertexBytes = size_t(vertices) * VertexStreamZeroStride;
    source.stride = VertexStreamZeroStride;
    DrawPretransformed(PrimitiveType, PrimitiveCount, source);
    return D3D_OK;
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
    // indices outside that range are not read.
    VertexSource source;
    source.vertices = static_cast<const BYTE*>(pVertexStreamZeroData);
    source.vertexBytes = (size_t(MinVertexIndex) + NumVertices) * VertexStreamZeroStride;
    source.stride = VertexStreamZeroStride;
    source.indices = static_cast<const BYTE*>(pIndexData);
    source.indexSize = IndexDataFormat == D3DFMT_INDEX32 ? 4 : 2;
    DrawPretransformed(PrimitiveType, PrimitiveCount, source);
    return D3D_OK;
}
} // namespace tk::d3d9
