#pragma once
// The D3DX mesh's inside: the mesh object over device buffers, and MeshData, a plain copy of a mesh
// (declaration, vertex bytes, 32-bit indices, attributes) that the mesh operations work on.

#include "platform/d3dx/Mesh.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tk::d3dx
{
constexpr DWORD kCorners = 3;
constexpr DWORD kNoNeighbour = UNUSED32;

struct MeshData
{
    std::vector<D3DVERTEXELEMENT9> decl; // without the end marker
    DWORD stride = 0;
    std::vector<uint8_t> vertices;
    std::vector<uint32_t> indices; // three per face
    std::vector<DWORD> attributes; // one per face
    std::vector<D3DXATTRIBUTERANGE> table;

    DWORD VertexCount() const { return stride ? static_cast<DWORD>(vertices.size() / stride) : 0; }
    DWORD FaceCount() const { return static_cast<DWORD>(attributes.size()); }
    // The element of that usage and index, or null.
    const D3DVERTEXELEMENT9* Find(BYTE usage, BYTE index = 0) const;
    D3DXVECTOR3 Position(DWORD v) const;
    void SetPosition(DWORD v, const D3DXVECTOR3& p);
    uint8_t* Vertex(DWORD v) { return vertices.data() + size_t(v) * stride; }
    const uint8_t* Vertex(DWORD v) const { return vertices.data() + size_t(v) * stride; }
    // Faces whose indices all lie below the vertex count.
    bool IndicesValid() const;
};

// The size in bytes of one element type; 0 for an unknown type.
UINT DeclTypeSize(BYTE type);
// Copies the declaration up to its end marker (at most MAXD3DDECLLENGTH elements); false when it is
// malformed (unknown type, element outside stream 0, overlapping or no end marker).
bool CopyDecl(const D3DVERTEXELEMENT9* decl, std::vector<D3DVERTEXELEMENT9>* out, DWORD* stride);
// Reads an element of any float or colour type as four floats (missing components 0, w 1).
void ReadElement(const uint8_t* vertex, const D3DVERTEXELEMENT9& e, float out[4]);
// Writes up to four floats into an element of a float or colour type.
void WriteElement(uint8_t* vertex, const D3DVERTEXELEMENT9& e, const float in[4]);
// Converts vertices between declarations: elements of the same usage and index are converted,
// others are zero.
void ConvertVertices(const MeshData& from, const std::vector<D3DVERTEXELEMENT9>& decl, DWORD stride,
                     std::vector<uint8_t>* out);

// Adjacency of faces sharing an edge (point representatives within epsilon count as one point).
void Adjacency(const MeshData& mesh, float epsilon, std::vector<DWORD>* adjacency);
// For each vertex, the lowest-numbered vertex at the same point (within epsilon on every axis).
void PointReps(const MeshData& mesh, float epsilon, std::vector<DWORD>* reps);
// The attribute table of a mesh whose faces are sorted by attribute.
void BuildAttributeTable(MeshData* mesh);

class Mesh final : public ID3DXMesh
{
public:
    static HRESULT Create(IDirect3DDevice9* device, DWORD options, const MeshData& data, Mesh** out);

    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT DrawSubset(DWORD AttribId) override;
    DWORD GetNumFaces() override { return m_faces; }
    DWORD GetNumVertices() override { return m_vertices; }
    DWORD GetFVF() override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return m_stride; }
    DWORD GetOptions() override { return m_options; }
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                         ID3DXMesh** ppCloneMesh) override;
    HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pD3DDevice,
                      ID3DXMesh** ppCloneMesh) override;
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) override;
    HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
    HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) override;
    HRESULT UpdateSemantics(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;
    HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                     ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) override;
    HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                            ID3DXBuffer** ppVertexRemap) override;
    HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) override;

    // A copy of the whole mesh.
    bool Read(MeshData* out);
    // Replaces the mesh's contents; the vertex buffer is only replaced when it must grow, so
    // pointers of outstanding locks stay valid for meshes that shrink or keep their size.
    HRESULT Write(const MeshData& data);
    bool Is32Bit() const { return (m_options & D3DXMESH_32BIT) != 0; }

private:
    Mesh() = default;
    ~Mesh();
    HRESULT MakeBuffers(DWORD vertexBytes, DWORD faces);

    std::atomic<ULONG> m_refs{1};
    IDirect3DDevice9* m_device = nullptr;
    DWORD m_options = 0;
    std::vector<D3DVERTEXELEMENT9> m_decl;
    DWORD m_stride = 0;
    DWORD m_vertices = 0;
    DWORD m_faces = 0;
    DWORD m_vertexCapacity = 0; // bytes of the vertex buffer
    DWORD m_faceCapacity = 0;
    IDirect3DVertexBuffer9* m_vb = nullptr;
    IDirect3DIndexBuffer9* m_ib = nullptr;
    IDirect3DVertexDeclaration9* m_vertexDecl = nullptr;
    std::vector<DWORD> m_attributes;
    std::vector<D3DXATTRIBUTERANGE> m_table;
};

// A buffer of bytes with a reference count.
class Buffer final : public ID3DXBuffer
{
public:
    explicit Buffer(size_t size) : m_bytes(size) {}
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;
    LPVOID GetBufferPointer() override { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(m_bytes.size()); }

private:
    ~Buffer() = default;
    std::atomic<ULONG> m_refs{1};
    std::vector<uint8_t> m_bytes;
};

// The mesh behind an ID3DXMesh made here, or null for another implementation.
Mesh* AsMesh(ID3DXBaseMesh* mesh);

// The operations on plain meshes that the D3DX functions wrap.
void OptimizeData(MeshData* mesh, DWORD flags, std::vector<DWORD>* faceRemap,
                  std::vector<DWORD>* vertexRemap);
void ComputeNormalsData(MeshData* mesh, const DWORD* adjacency);
// Cleaning (back-to-back faces, bowties) and welding on plain meshes; the report lists what was done.
// Welding joins only vertices that the adjacency (three entries a face; null: made from the
// positions) connects.
void CleanData(MeshData* mesh, DWORD type, std::string* report);
void WeldData(MeshData* mesh, DWORD flags, const D3DXWELDEPSILONS& epsilons, const DWORD* adjacency,
              std::vector<DWORD>* vertexRemap);
} // namespace tk::d3dx
