#pragma once
// EMeshMgr: the table of loaded static meshes. Each distinct .x file is loaded once, turned into the
// engine vertex (TK_VERTEX), cleaned, welded, validated, centred (prefabs), optimised and given
// tangent frames, and shared by every EMesh that shows it. The processed mesh can go to and come
// back from the "!opt" cache; three levels of detail come from the same folder.

#include "platform/d3dx/Mesh.h"
#include "world/ObjectHandle.h"

#include <string>
#include <string_view>
#include <unordered_map>

constexpr int MAX_MESHES = 1024;
constexpr DWORD MAX_MESH_MATERIALS = 256;
constexpr int MESH_LOD_LEVELS = 3;
constexpr int MESH_NAME_SIZE = 256;

struct strmesh
{
    int id;
    char szFileName[MESH_NAME_SIZE];
    BYTE bCentered;
    ID3DXMesh* pMesh;
    ID3DXMesh* pLod[MESH_LOD_LEVELS];
    BYTE SubsetRemap[MAX_MESH_MATERIALS];
    BYTE bRemapBuilt;
    IDirect3DIndexBuffer9* pIB;
    IDirect3DVertexBuffer9* pVB;
    D3DXATTRIBUTERANGE AttribTable[MAX_MESH_MATERIALS];
    DWORD dwAttribTableSize; // ranges kept of the mesh's table (at most 256)
    DWORD dwFirstVertex[MAX_MESH_MATERIALS];
    DWORD dwVertexCount[MAX_MESH_MATERIALS];
    DWORD dwFirstIndex[MAX_MESH_MATERIALS];
    DWORD dwPrimitiveCount[MAX_MESH_MATERIALS];
    ID3DXBuffer* pMaterialBuffer;
    DWORD dwNumMaterials;
    D3DMATERIAL9* m_pMeshMaterials;
    D3DXVECTOR3 vMin;
    D3DXVECTOR3 vMax;
    D3DXVECTOR3 vCenter;
    float fRadius;
    // Within one batch of file lookups (a world load) every instance of the
    // mesh would probe for the same missing files: the batch's epoch at which
    // they were found missing spares the others the probe.
    unsigned uLodsMissingEpoch;
    unsigned uPaintMissingEpoch;
    // The squared distance of the farthest drawn vertex from the origin, the
    // same for every instance; worked out by the first.
    float fFaceRadiusSq;
    BYTE bFaceRadiusKnown;
    strmesh* next;
    strmesh* prev;
};

class EMeshMgr
{
public:
    virtual ~EMeshMgr();

    int LoadMesh(const char* name);
    strmesh* FindMesh(const char* name) const;
    strmesh* GetEntry(int id) const;
    ID3DXMesh* GetMesh(int id) const;
    static const char* GetOptFileName(const char* name);
    static const char* GetObjectOptFileName(HOBJECT object);
    static const char* GetLodFileName(HOBJECT object, int n);
    bool SaveOpt(const char* name);
    void SaveAllOpts();
    void UpdateObject(HOBJECT object);
    bool LoadLods(HOBJECT object);
    void SelectVariant(HOBJECT object, int n);
    void ReleaseEntry(strmesh* entry);
    void ReleaseAll();
    // Objects whose meshes the manager updates itself (trees, rubbish).
    void AddUpdateObject(HOBJECT) { ++m_iUpdateObjects; }

    static void ComputeBoundingBox(const void* vertices, DWORD count, DWORD stride, D3DXVECTOR3* min,
                                   D3DXVECTOR3* max);
    static void ComputeBoundingRadius(const void* vertices, DWORD count, DWORD stride, D3DXVECTOR3* centre,
                                      float* radius);

    strmesh* m_pHead = nullptr;
    strmesh* m_pIds[MAX_MESHES] = {};
    // The entries by their case-folded names, so a world of thousands of objects
    // over a few hundred meshes finds each at once.
    struct NoCaseHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view name) const;
    };
    struct NoCaseEqual
    {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::unordered_map<std::string, strmesh*, NoCaseHash, NoCaseEqual> m_ByName;
    int m_iUpdateObjects = 0;

private:
    bool LoadFile(const char* name);
    bool LoadFromX(char* name, bool centre);
    bool LoadFromOpt(char* name);
    bool LoadLod(HOBJECT object, int n);
    bool SaveEntry(strmesh* entry, const char* file);
    void PrepareForDrawing(strmesh* entry);
    void ReadAttributeTable(strmesh* entry);
    void ReleaseContents(strmesh* entry);
};

inline EMeshMgr g_MeshMgr;

// The declaration every static mesh is cloned to (TK_VERTEX).
extern const D3DVERTEXELEMENT9 g_MeshVertexDecl[];
