// The mesh object over device buffers, declarations and flexible vertex formats, creation and cloning.
#include "platform/d3dx/MeshData.h"
#include "platform/d3d9/VertexDeclaration.h"

#include <algorithm>
#include <cmath>

namespace tk::d3dx
{
namespace
{
constexpr DWORD kMaxFaces16 = 0xFFFF;
constexpr float kColorScale = 255.0f;
constexpr int kTexCoordFormatShift = 16;
constexpr DWORD kTexCoordFormatBits = 2;
constexpr DWORD kTexCoordFormatMask = 3;
constexpr DWORD kMaxTexCoordSets = 8;
constexpr BYTE kEndStream = 0xFF;

bool IsEnd(const D3DVERTEXELEMENT9& e)
{
    return e.Stream == kEndStream;
}

D3DVERTEXELEMENT9 Element(WORD offset, BYTE type, BYTE usage, BYTE index)
{
    return {0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index};
}

float Half(uint16_t h)
{
    const uint32_t sign = (h >> 15) & 1;
    const uint32_t exp = (h >> 10) & 0x1F;
    const uint32_t mant = h & 0x3FF;
    float v;
    if (exp == 0)
        v = std::ldexp(static_cast<float>(mant), -24);
    else if (exp == 31)
        v = mant ? 0.0f : INFINITY;
    else
        v = std::ldexp(static_cast<float>(mant | 0x400), static_cast<int>(exp) - 25);
    return sign ? -v : v;
}

uint16_t ToHalf(float f)
{
    if (!std::isfinite(f))
        return 0;
    const uint16_t sign = f < 0 ? 0x8000 : 0;
    f = std::fabs(f);
    if (f < 6.1e-5f)
        return sign;
    int exp;
    const float m = std::frexp(f, &exp); // f = m * 2^exp, m in [0.5, 1)
    int e = exp + 14;
    if (e >= 31)
        return sign | 0x7BFF;
    const uint32_t mant = static_cast<uint32_t>(std::lround((m * 2.0f - 1.0f) * 1024.0f));
    if (mant >= 1024)
        return static_cast<uint16_t>(sign | ((e + 1) << 10));
    return static_cast<uint16_t>(sign | (e << 10) | mant);
}
} // namespace

UINT DeclTypeSize(BYTE type)
{
    return tk::d3d9::DeclTypeSize(type);
}

bool CopyDecl(const D3DVERTEXELEMENT9* decl, std::vector<D3DVERTEXELEMENT9>* out, DWORD* stride)
{
    out->clear();
    *stride = 0;
    if (!decl)
        return false;
    for (UINT i = 0; i < MAXD3DDECLLENGTH; ++i)
    {
        const D3DVERTEXELEMENT9& e = decl[i];
        if (IsEnd(e))
        {
            // Elements must not overlap.
            for (size_t a = 0; a < out->size(); ++a)
                for (size_t b = a + 1; b < out->size(); ++b)
                {
                    const auto& x = (*out)[a];
                    const auto& y = (*out)[b];
                    if (x.Offset < y.Offset + DeclTypeSize(y.Type) &&
                        y.Offset < x.Offset + DeclTypeSize(x.Type))
                        return false;
                }
            return true;
        }
        const UINT size = DeclTypeSize(e.Type);
        if (e.Stream != 0 || size == 0)
            return false;
        out->push_back(e);
        *stride = std::max<DWORD>(*stride, e.Offset + size);
    }
    return false;
}

void ReadElement(const uint8_t* vertex, const D3DVERTEXELEMENT9& e, float out[4])
{
    out[0] = out[1] = out[2] = 0.0f;
    out[3] = 1.0f;
    const uint8_t* p = vertex + e.Offset;
    switch (e.Type)
    {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4:
        std::memcpy(out, p, DeclTypeSize(e.Type));
        break;
    case D3DDECLTYPE_D3DCOLOR:
        // Stored as B, G, R, A bytes; read as r, g, b, a.
        out[0] = p[2] / kColorScale;
        out[1] = p[1] / kColorScale;
        out[2] = p[0] / kColorScale;
        out[3] = p[3] / kColorScale;
        break;
    case D3DDECLTYPE_UBYTE4:
        for (int i = 0; i < 4; ++i)
            out[i] = p[i];
        break;
    case D3DDECLTYPE_UBYTE4N:
        for (int i = 0; i < 4; ++i)
            out[i] = p[i] / kColorScale;
        break;
    case D3DDECLTYPE_FLOAT16_2:
    case D3DDECLTYPE_FLOAT16_4:
        for (UINT i = 0; i < DeclTypeSize(e.Type) / 2; ++i)
        {
            uint16_t h;
            std::memcpy(&h, p + i * 2, 2);
            out[i] = Half(h);
        }
        break;
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT4:
        for (UINT i = 0; i < DeclTypeSize(e.Type) / 2; ++i)
        {
            int16_t s;
            std::memcpy(&s, p + i * 2, 2);
            out[i] = s;
        }
        break;
    default:
        break;
    }
}

void WriteElement(uint8_t* vertex, const D3DVERTEXELEMENT9& e, const float in[4])
{
    uint8_t* p = vertex + e.Offset;
    auto byte = [](float f)
    { return static_cast<uint8_t>(std::clamp(std::lround(f * kColorScale), 0L, 255L)); };
    switch (e.Type)
    {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4:
        std::memcpy(p, in, DeclTypeSize(e.Type));
        break;
    case D3DDECLTYPE_D3DCOLOR:
        p[0] = byte(in[2]);
        p[1] = byte(in[1]);
        p[2] = byte(in[0]);
        p[3] = byte(in[3]);
        break;
    case D3DDECLTYPE_UBYTE4:
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<uint8_t>(std::clamp(std::lround(in[i]), 0L, 255L));
        break;
    case D3DDECLTYPE_UBYTE4N:
        for (int i = 0; i < 4; ++i)
            p[i] = byte(in[i]);
        break;
    case D3DDECLTYPE_FLOAT16_2:
    case D3DDECLTYPE_FLOAT16_4:
        for (UINT i = 0; i < DeclTypeSize(e.Type) / 2; ++i)
        {
            const uint16_t h = ToHalf(in[i]);
            std::memcpy(p + i * 2, &h, 2);
        }
        break;
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT4:
        for (UINT i = 0; i < DeclTypeSize(e.Type) / 2; ++i)
        {
            const int16_t s = static_cast<int16_t>(std::clamp(std::lround(in[i]), -32768L, 32767L));
            std::memcpy(p + i * 2, &s, 2);
        }
        break;
    default:
        break;
    }
}

void ConvertVertices(const MeshData& from, const std::vector<D3DVERTEXELEMENT9>& decl, DWORD stride,
                     std::vector<uint8_t>* out)
{
    const DWORD count = from.VertexCount();
    out->assign(size_t(count) * stride, 0);
    for (const D3DVERTEXELEMENT9& e : decl)
    {
        const D3DVERTEXELEMENT9* src = from.Find(e.Usage, e.UsageIndex);
        if (!src)
            continue;
        const bool same = src->Type == e.Type;
        for (DWORD v = 0; v < count; ++v)
        {
            const uint8_t* s = from.Vertex(v);
            uint8_t* d = out->data() + size_t(v) * stride;
            if (same)
                std::memcpy(d + e.Offset, s + src->Offset, DeclTypeSize(e.Type));
            else
            {
                float f[4];
                ReadElement(s, *src, f);
                WriteElement(d, e, f);
            }
        }
    }
}

const D3DVERTEXELEMENT9* MeshData::Find(BYTE usage, BYTE index) const
{
    for (const D3DVERTEXELEMENT9& e : decl)
        if (e.Usage == usage && e.UsageIndex == index)
            return &e;
    return nullptr;
}

D3DXVECTOR3 MeshData::Position(DWORD v) const
{
    const D3DVERTEXELEMENT9* e = Find(D3DDECLUSAGE_POSITION);
    if (!e)
        return D3DXVECTOR3(0, 0, 0);
    float f[4];
    ReadElement(Vertex(v), *e, f);
    return D3DXVECTOR3(f[0], f[1], f[2]);
}

void MeshData::SetPosition(DWORD v, const D3DXVECTOR3& p)
{
    const D3DVERTEXELEMENT9* e = Find(D3DDECLUSAGE_POSITION);
    if (!e)
        return;
    const float f[4] = {p.x, p.y, p.z, 1.0f};
    WriteElement(Vertex(v), *e, f);
}

bool MeshData::IndicesValid() const
{
    const DWORD count = VertexCount();
    if (indices.size() != size_t(FaceCount()) * kCorners)
        return false;
    return std::all_of(indices.begin(), indices.end(), [count](uint32_t i) { return i < count; });
}

// ---- Flexible vertex formats --------------------------------------------------------------------

constexpr DWORD kMaxBetas = 5;

HRESULT D3DXDeclaratorFromFVFImpl(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* out)
{
    out->clear();
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index)
    {
        out->push_back(Element(offset, type, usage, index));
        offset = static_cast<WORD>(offset + DeclTypeSize(type));
    };
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZRHW)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
    else if (position == D3DFVF_XYZW)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0);
    else if (position)
    {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5)
        {
            // One to five betas; the last is the blend indices when a LASTBETA flag says so, and
            // the fifth always is (as a float) since a vertex blends with at most four weights.
            const DWORD betas = (position - D3DFVF_XYZRHW) / 2;
            const bool lastIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
            const bool floatIndices = !lastIndices && betas == kMaxBetas;
            const DWORD weights = (lastIndices || floatIndices) ? betas - 1 : betas;
            if (weights > 0)
                add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
            if (lastIndices)
                add((fvf & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
                    D3DDECLUSAGE_BLENDINDICES, 0);
            else if (floatIndices)
                add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_BLENDINDICES, 0);
        }
    }
    if (fvf & D3DFVF_NORMAL)
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE)
        add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > kMaxTexCoordSets)
        return D3DERR_INVALIDCALL;
    for (DWORD i = 0; i < sets; ++i)
    {
        const DWORD format = (fvf >> (kTexCoordFormatShift + i * kTexCoordFormatBits)) & kTexCoordFormatMask;
        static constexpr BYTE kTypes[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                                           D3DDECLTYPE_FLOAT1};
        add(kTypes[format], D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(i));
    }
    return D3D_OK;
}

Mesh* AsMesh(ID3DXBaseMesh* mesh)
{
    return dynamic_cast<Mesh*>(mesh);
}

ULONG Buffer::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

// ---- Mesh -----------------------------------------------------------------------------------

HRESULT Mesh::Create(IDirect3DDevice9* device, DWORD options, const MeshData& data, Mesh** out)
{
    *out = nullptr;
    if (!device || data.decl.empty() || !data.stride)
        return D3DERR_INVALIDCALL;
    if (!(options & D3DXMESH_32BIT) && data.VertexCount() > kMaxFaces16 + 1)
        return D3DERR_INVALIDCALL;
    auto* mesh = new Mesh();
    mesh->m_device = device;
    device->AddRef();
    mesh->m_options = options;
    mesh->m_decl = data.decl;
    mesh->m_stride = data.stride;
    const HRESULT hr = mesh->Write(data);
    if (FAILED(hr))
    {
        mesh->Release();
        return hr;
    }
    *out = mesh;
    return D3D_OK;
}

Mesh::~Mesh()
{
    if (m_vertexDecl)
        m_vertexDecl->Release();
    if (m_vb)
        m_vb->Release();
    if (m_ib)
        m_ib->Release();
    if (m_device)
        m_device->Release();
}

ULONG Mesh::AddRef()
{
    return ++m_refs;
}

ULONG Mesh::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Mesh::MakeBuffers(DWORD vertexBytes, DWORD faces)
{
    const D3DPOOL vbPool = (m_options & D3DXMESH_VB_SYSTEMMEM) ? D3DPOOL_SYSTEMMEM
                           : (m_options & D3DXMESH_VB_MANAGED) ? D3DPOOL_MANAGED
                                                               : D3DPOOL_DEFAULT;
    const D3DPOOL ibPool = (m_options & D3DXMESH_IB_SYSTEMMEM) ? D3DPOOL_SYSTEMMEM
                           : (m_options & D3DXMESH_IB_MANAGED) ? D3DPOOL_MANAGED
                                                               : D3DPOOL_DEFAULT;
    const DWORD vbUsage = (m_options & D3DXMESH_VB_DYNAMIC) ? D3DUSAGE_DYNAMIC : 0;
    const DWORD ibUsage = (m_options & D3DXMESH_IB_DYNAMIC) ? D3DUSAGE_DYNAMIC : 0;
    if (vertexBytes > m_vertexCapacity || !m_vb)
    {
        IDirect3DVertexBuffer9* vb = nullptr;
        const HRESULT hr = m_device->CreateVertexBuffer(std::max<DWORD>(vertexBytes, m_stride), vbUsage, 0,
                                                        vbPool, &vb, nullptr);
        if (FAILED(hr))
            return hr;
        if (m_vb)
            m_vb->Release();
        m_vb = vb;
        m_vertexCapacity = std::max<DWORD>(vertexBytes, m_stride);
    }
    if (faces > m_faceCapacity || !m_ib)
    {
        const DWORD indexSize = Is32Bit() ? sizeof(uint32_t) : sizeof(uint16_t);
        const DWORD bytes = std::max<DWORD>(faces, 1) * kCorners * indexSize;
        IDirect3DIndexBuffer9* ib = nullptr;
        const HRESULT hr = m_device->CreateIndexBuffer(
            bytes, ibUsage, Is32Bit() ? D3DFMT_INDEX32 : D3DFMT_INDEX16, ibPool, &ib, nullptr);
        if (FAILED(hr))
            return hr;
        if (m_ib)
            m_ib->Release();
        m_ib = ib;
        m_faceCapacity = std::max<DWORD>(faces, 1);
    }
    return D3D_OK;
}

HRESULT Mesh::Write(const MeshData& data)
{
    if (!data.IndicesValid() || data.stride != m_stride)
        return D3DERR_INVALIDCALL;
    const DWORD vertices = data.VertexCount();
    if (!Is32Bit() && vertices > kMaxFaces16 + 1)
        return D3DERR_INVALIDCALL;
    const uint64_t bytes = uint64_t(vertices) * m_stride;
    if (bytes > UINT32_MAX / 2 || uint64_t(data.FaceCount()) * kCorners * sizeof(uint32_t) > UINT32_MAX / 2)
        return E_OUTOFMEMORY;
    HRESULT hr = MakeBuffers(static_cast<DWORD>(bytes), data.FaceCount());
    if (FAILED(hr))
        return hr;
    void* p = nullptr;
    if (bytes)
    {
        if (FAILED(hr = m_vb->Lock(0, 0, &p, 0)))
            return hr;
        std::memcpy(p, data.vertices.data(), bytes);
        m_vb->Unlock();
    }
    if (!data.indices.empty())
    {
        if (FAILED(hr = m_ib->Lock(0, 0, &p, 0)))
            return hr;
        if (Is32Bit())
            std::memcpy(p, data.indices.data(), data.indices.size() * sizeof(uint32_t));
        else
        {
            auto* out = static_cast<uint16_t*>(p);
            for (size_t i = 0; i < data.indices.size(); ++i)
                out[i] = static_cast<uint16_t>(data.indices[i]);
        }
        m_ib->Unlock();
    }
    m_vertices = vertices;
    m_faces = data.FaceCount();
    m_attributes = data.attributes;
    m_table = data.table;
    return D3D_OK;
}

bool Mesh::Read(MeshData* out)
{
    out->decl = m_decl;
    out->stride = m_stride;
    out->vertices.assign(size_t(m_vertices) * m_stride, 0);
    out->indices.assign(size_t(m_faces) * kCorners, 0);
    out->attributes = m_attributes;
    out->attributes.resize(m_faces, 0);
    out->table = m_table;
    void* p = nullptr;
    if (m_vertices)
    {
        if (FAILED(m_vb->Lock(0, 0, &p, D3DLOCK_READONLY)))
            return false;
        std::memcpy(out->vertices.data(), p, out->vertices.size());
        m_vb->Unlock();
    }
    if (m_faces)
    {
        if (FAILED(m_ib->Lock(0, 0, &p, D3DLOCK_READONLY)))
            return false;
        if (Is32Bit())
            std::memcpy(out->indices.data(), p, out->indices.size() * sizeof(uint32_t));
        else
        {
            const auto* in = static_cast<const uint16_t*>(p);
            for (size_t i = 0; i < out->indices.size(); ++i)
                out->indices[i] = in[i];
        }
        m_ib->Unlock();
    }
    return true;
}

HRESULT Mesh::DrawSubset(DWORD AttribId)
{
    if (!m_vertexDecl)
    {
        std::vector<D3DVERTEXELEMENT9> decl = m_decl;
        decl.push_back(D3DDECL_END());
        if (FAILED(m_device->CreateVertexDeclaration(decl.data(), &m_vertexDecl)))
            return D3DERR_INVALIDCALL;
    }
    // The ranges to draw: the attribute table's, or runs of the attribute buffer without one.
    std::vector<D3DXATTRIBUTERANGE> ranges;
    if (!m_table.empty())
    {
        for (const D3DXATTRIBUTERANGE& r : m_table)
            if (r.AttribId == AttribId && r.FaceCount)
                ranges.push_back(r);
    }
    else
    {
        for (DWORD f = 0; f < m_faces;)
        {
            if (m_attributes[f] != AttribId)
            {
                ++f;
                continue;
            }
            DWORD end = f;
            while (end < m_faces && m_attributes[end] == AttribId)
                ++end;
            ranges.push_back({AttribId, f, end - f, 0, m_vertices});
            f = end;
        }
    }
    if (ranges.empty())
        return D3D_OK;
    m_device->SetVertexDeclaration(m_vertexDecl);
    m_device->SetStreamSource(0, m_vb, 0, m_stride);
    m_device->SetIndices(m_ib);
    for (const D3DXATTRIBUTERANGE& r : ranges)
    {
        const HRESULT hr = m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, r.VertexStart, r.VertexCount,
                                                          r.FaceStart * kCorners, r.FaceCount);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

DWORD Mesh::GetFVF()
{
    std::vector<D3DVERTEXELEMENT9> decl = m_decl;
    decl.push_back(D3DDECL_END());
    DWORD fvf = 0;
    return SUCCEEDED(D3DXFVFFromDeclarator(decl.data(), &fvf)) ? fvf : 0;
}

HRESULT Mesh::GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE])
{
    if (!Declaration)
        return D3DERR_INVALIDCALL;
    std::copy(m_decl.begin(), m_decl.end(), Declaration);
    Declaration[m_decl.size()] = D3DDECL_END();
    return D3D_OK;
}

HRESULT Mesh::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    *ppDevice = m_device;
    m_device->AddRef();
    return D3D_OK;
}

HRESULT Mesh::CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh)
{
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    const HRESULT hr = D3DXDeclaratorFromFVF(FVF, decl);
    if (FAILED(hr))
        return hr;
    return CloneMesh(Options, decl, pD3DDevice, ppCloneMesh);
}

HRESULT Mesh::CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pD3DDevice,
                        ID3DXMesh** ppCloneMesh)
{
    if (!ppCloneMesh)
        return D3DERR_INVALIDCALL;
    *ppCloneMesh = nullptr;
    MeshData target;
    if (!pD3DDevice || !CopyDecl(pDeclaration, &target.decl, &target.stride) || target.decl.empty())
        return D3DERR_INVALIDCALL;
    MeshData source;
    if (!Read(&source))
        return D3DERR_INVALIDCALL;
    ConvertVertices(source, target.decl, target.stride, &target.vertices);
    target.indices = std::move(source.indices);
    target.attributes = std::move(source.attributes);
    target.table = std::move(source.table);
    Mesh* clone = nullptr;
    const HRESULT hr = Create(pD3DDevice, Options, target, &clone);
    *ppCloneMesh = clone;
    return hr;
}

HRESULT Mesh::GetVertexBuffer(IDirect3DVertexBuffer9** ppVB)
{
    if (!ppVB)
        return D3DERR_INVALIDCALL;
    *ppVB = m_vb;
    m_vb->AddRef();
    return D3D_OK;
}

HRESULT Mesh::GetIndexBuffer(IDirect3DIndexBuffer9** ppIB)
{
    if (!ppIB)
        return D3DERR_INVALIDCALL;
    *ppIB = m_ib;
    m_ib->AddRef();
    return D3D_OK;
}

HRESULT Mesh::LockVertexBuffer(DWORD Flags, LPVOID* ppData)
{
    if (!ppData)
        return D3DERR_INVALIDCALL;
    return m_vb->Lock(0, 0, ppData, Flags);
}

HRESULT Mesh::UnlockVertexBuffer()
{
    return m_vb->Unlock();
}

HRESULT Mesh::LockIndexBuffer(DWORD Flags, LPVOID* ppData)
{
    if (!ppData)
        return D3DERR_INVALIDCALL;
    return m_ib->Lock(0, 0, ppData, Flags);
}

HRESULT Mesh::UnlockIndexBuffer()
{
    return m_ib->Unlock();
}

HRESULT Mesh::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize)
{
    if (!pAttribTableSize)
        return D3DERR_INVALIDCALL;
    // Without a table pointer only the size is given; with one the whole table is written, so callers
    // ask for the size first.
    if (pAttribTable)
        std::copy(m_table.begin(), m_table.end(), pAttribTable);
    *pAttribTableSize = static_cast<DWORD>(m_table.size());
    return D3D_OK;
}

HRESULT Mesh::GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency)
{
    if (!pAdjacency)
        return D3DERR_INVALIDCALL;
    MeshData data;
    if (!Read(&data))
        return D3DERR_INVALIDCALL;
    std::vector<DWORD> adjacency;
    Adjacency(data, Epsilon, &adjacency);
    std::copy(adjacency.begin(), adjacency.end(), pAdjacency);
    return D3D_OK;
}

HRESULT Mesh::UpdateSemantics(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE])
{
    std::vector<D3DVERTEXELEMENT9> decl;
    DWORD stride;
    if (!CopyDecl(Declaration, &decl, &stride) || stride != m_stride)
        return D3DERR_INVALIDCALL;
    m_decl = decl;
    if (m_vertexDecl)
    {
        m_vertexDecl->Release();
        m_vertexDecl = nullptr;
    }
    return D3D_OK;
}

HRESULT Mesh::LockAttributeBuffer(DWORD, DWORD** ppData)
{
    if (!ppData)
        return D3DERR_INVALIDCALL;
    m_attributes.resize(std::max<DWORD>(m_faces, 1));
    *ppData = m_attributes.data();
    return D3D_OK;
}

HRESULT Mesh::UnlockAttributeBuffer()
{
    m_attributes.resize(m_faces);
    return D3D_OK;
}

HRESULT Mesh::SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize)
{
    if (!pAttribTable && cAttribTableSize)
        return D3DERR_INVALIDCALL;
    for (DWORD i = 0; i < cAttribTableSize; ++i)
    {
        const D3DXATTRIBUTERANGE& r = pAttribTable[i];
        if (uint64_t(r.FaceStart) + r.FaceCount > m_faces ||
            uint64_t(r.VertexStart) + r.VertexCount > m_vertices)
            return D3DERR_INVALIDCALL;
    }
    m_table.assign(pAttribTable, pAttribTable + cAttribTableSize);
    return D3D_OK;
}

HRESULT Mesh::Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                       ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh)
{
    if (!ppOptMesh)
        return D3DERR_INVALIDCALL;
    *ppOptMesh = nullptr;
    ID3DXMesh* clone = nullptr;
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    GetDeclaration(decl);
    const DWORD options = Flags & ~(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE |
                                    D3DXMESHOPT_STRIPREORDER | D3DXMESHOPT_IGNOREVERTS |
                                    D3DXMESHOPT_DONOTSPLIT | D3DXMESHOPT_DEVICEINDEPENDENT);
    HRESULT hr = CloneMesh(options, decl, m_device, &clone);
    if (FAILED(hr))
        return hr;
    hr = clone->OptimizeInplace(Flags, pAdjacencyIn, pAdjacencyOut, pFaceRemap, ppVertexRemap);
    if (FAILED(hr))
    {
        clone->Release();
        return hr;
    }
    *ppOptMesh = clone;
    return D3D_OK;
}

HRESULT Mesh::OptimizeInplace(DWORD Flags, const DWORD*, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                              ID3DXBuffer** ppVertexRemap)
{
    MeshData data;
    if (!Read(&data) || !data.IndicesValid())
        return D3DERR_INVALIDCALL;
    std::vector<DWORD> faceRemap, vertexRemap;
    OptimizeData(&data, Flags, &faceRemap, &vertexRemap);
    const HRESULT hr = Write(data);
    if (FAILED(hr))
        return hr;
    if (pAdjacencyOut)
        GenerateAdjacency(0.0f, pAdjacencyOut);
    if (pFaceRemap)
        std::copy(faceRemap.begin(), faceRemap.end(), pFaceRemap);
    if (ppVertexRemap)
    {
        auto* buffer = new Buffer(vertexRemap.size() * sizeof(DWORD));
        if (!vertexRemap.empty())
            std::memcpy(buffer->GetBufferPointer(), vertexRemap.data(), vertexRemap.size() * sizeof(DWORD));
        *ppVertexRemap = buffer;
    }
    return D3D_OK;
}
} // namespace tk::d3dx

using namespace tk::d3dx;

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = new Buffer(NumBytes);
    return D3D_OK;
}

UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* pDecl)
{
    if (!pDecl)
        return 0;
    UINT n = 0;
    while (n < MAXD3DDECLLENGTH && pDecl[n].Stream != 0xFF)
        ++n;
    return n;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream)
{
    UINT size = 0;
    const UINT n = D3DXGetDeclLength(pDecl);
    for (UINT i = 0; i < n; ++i)
        if (pDecl[i].Stream == Stream)
            size = std::max(size, pDecl[i].Offset + DeclTypeSize(pDecl[i].Type));
    return size;
}

UINT D3DXGetFVFVertexSize(DWORD FVF)
{
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(FVF, decl)))
        return 0;
    return D3DXGetDeclVertexSize(decl, 0);
}

HRESULT D3DXDeclaratorFromFVF(DWORD FVF, D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE])
{
    if (!pDeclarator)
        return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> decl;
    const HRESULT hr = D3DXDeclaratorFromFVFImpl(FVF, &decl);
    if (FAILED(hr))
        return hr;
    std::copy(decl.begin(), decl.end(), pDeclarator);
    pDeclarator[decl.size()] = D3DDECL_END();
    return D3D_OK;
}

HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator, DWORD* pFVF)
{
    if (!pDeclarator || !pFVF)
        return D3DERR_INVALIDCALL;
    *pFVF = 0;
    // A declaration has a format when it equals the one that format makes.
    const UINT n = D3DXGetDeclLength(pDeclarator);
    DWORD fvf = 0;
    DWORD sets = 0;
    DWORD betas = 0;
    for (UINT i = 0; i < n; ++i)
    {
        const D3DVERTEXELEMENT9& e = pDeclarator[i];
        if (e.Usage == D3DDECLUSAGE_POSITION && e.Type == D3DDECLTYPE_FLOAT3)
            fvf |= D3DFVF_XYZ;
        else if (e.Usage == D3DDECLUSAGE_POSITIONT)
            fvf |= D3DFVF_XYZRHW;
        else if (e.Usage == D3DDECLUSAGE_BLENDWEIGHT && e.Type <= D3DDECLTYPE_FLOAT4)
            betas += e.Type - D3DDECLTYPE_FLOAT1 + 1;
        else if (e.Usage == D3DDECLUSAGE_BLENDINDICES)
        {
            ++betas;
            if (e.Type == D3DDECLTYPE_UBYTE4)
                fvf |= D3DFVF_LASTBETA_UBYTE4;
            else if (e.Type == D3DDECLTYPE_D3DCOLOR)
                fvf |= D3DFVF_LASTBETA_D3DCOLOR;
        }
        else if (e.Usage == D3DDECLUSAGE_NORMAL)
            fvf |= D3DFVF_NORMAL;
        else if (e.Usage == D3DDECLUSAGE_PSIZE)
            fvf |= D3DFVF_PSIZE;
        else if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0)
            fvf |= D3DFVF_DIFFUSE;
        else if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 1)
            fvf |= D3DFVF_SPECULAR;
        else if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex == sets)
        {
            static constexpr DWORD kFormats[4] = {D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2,
                                                  D3DFVF_TEXTUREFORMAT3, D3DFVF_TEXTUREFORMAT4};
            if (e.Type > D3DDECLTYPE_FLOAT4)
                return D3DERR_INVALIDCALL;
            fvf |= kFormats[e.Type] << (kTexCoordFormatShift + sets * kTexCoordFormatBits);
            ++sets;
        }
        else
            return D3DERR_INVALIDCALL;
    }
    fvf |= sets << D3DFVF_TEXCOUNT_SHIFT;
    // Blend betas turn the position into XYZB1..XYZB5 (the comparison below checks the rest).
    if (betas > 0)
    {
        if (betas > kMaxBetas || (fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ)
            return D3DERR_INVALIDCALL;
        fvf = (fvf & ~DWORD(D3DFVF_POSITION_MASK)) | (D3DFVF_XYZRHW + 2 * betas);
    }
    std::vector<D3DVERTEXELEMENT9> made;
    if (FAILED(D3DXDeclaratorFromFVFImpl(fvf, &made)) || made.size() != n)
        return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < n; ++i)
        if (std::memcmp(&made[i], &pDeclarator[i], sizeof(D3DVERTEXELEMENT9)) != 0)
            return D3DERR_INVALIDCALL;
    *pFVF = fvf;
    return D3D_OK;
}

HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                       const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pD3DDevice,
                       ID3DXMesh** ppMesh)
{
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    MeshData data;
    if (!pD3DDevice || !NumFaces || !NumVertices || !CopyDecl(pDeclaration, &data.decl, &data.stride) ||
        data.decl.empty())
        return D3DERR_INVALIDCALL;
    constexpr DWORD kMaxCreate = 1u << 26;
    if (NumFaces > kMaxCreate || NumVertices > kMaxCreate)
        return E_OUTOFMEMORY;
    data.vertices.assign(size_t(NumVertices) * data.stride, 0);
    data.indices.assign(size_t(NumFaces) * kCorners, 0);
    data.attributes.assign(NumFaces, 0);
    Mesh* mesh = nullptr;
    const HRESULT hr = Mesh::Create(pD3DDevice, Options, data, &mesh);
    *ppMesh = mesh;
    return hr;
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppMesh)
{
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    const HRESULT hr = D3DXDeclaratorFromFVF(FVF, decl);
    if (FAILED(hr))
        return hr;
    return D3DXCreateMesh(NumFaces, NumVertices, Options, decl, pD3DDevice, ppMesh);
}
