#pragma once
// D3DX meshes as the game calls them: ID3DXMesh over the device's vertex and index buffers, .x loading
// and saving, cloning to any declaration, adjacency, cleaning, welding, validation, optimisation,
// normals, tangent frames and bounds. Every operation is deterministic: the same input gives the same
// bytes, so caches written twice are equal.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"

// ---- Errors -----------------------------------------------------------------------------------
#define D3DXERR_CANNOTMODIFYINDEXBUFFER MAKE_D3DHRESULT(2900)
#define D3DXERR_INVALIDMESH MAKE_D3DHRESULT(2901)
#define D3DXERR_CANNOTATTRSORT MAKE_D3DHRESULT(2902)
#define D3DXERR_SKINNINGNOTSUPPORTED MAKE_D3DHRESULT(2903)
#define D3DXERR_TOOMANYINFLUENCES MAKE_D3DHRESULT(2904)
#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)
#define D3DXERR_LOADEDMESHHASNODATA MAKE_D3DHRESULT(2906)

#define D3DX_DEFAULT ((UINT)-1)
#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)
#define UNUSED32 0xffffffffu

// ---- Mesh options -----------------------------------------------------------------------------
enum _D3DXMESH
{
    D3DXMESH_32BIT = 0x001,
    D3DXMESH_DONOTCLIP = 0x002,
    D3DXMESH_POINTS = 0x004,
    D3DXMESH_RTPATCHES = 0x008,
    D3DXMESH_NPATCHES = 0x4000,
    D3DXMESH_VB_SYSTEMMEM = 0x010,
    D3DXMESH_VB_MANAGED = 0x020,
    D3DXMESH_VB_WRITEONLY = 0x040,
    D3DXMESH_VB_DYNAMIC = 0x080,
    D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000,
    D3DXMESH_IB_SYSTEMMEM = 0x100,
    D3DXMESH_IB_MANAGED = 0x200,
    D3DXMESH_IB_WRITEONLY = 0x400,
    D3DXMESH_IB_DYNAMIC = 0x800,
    D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000,
    D3DXMESH_VB_SHARE = 0x1000,
    D3DXMESH_USEHWONLY = 0x2000,
    D3DXMESH_SYSTEMMEM = 0x110,
    D3DXMESH_MANAGED = 0x220,
    D3DXMESH_WRITEONLY = 0x440,
    D3DXMESH_DYNAMIC = 0x880,
    D3DXMESH_SOFTWAREPROCESSING = 0x18000,
};

enum _D3DXMESHOPT
{
    D3DXMESHOPT_DEVICEINDEPENDENT = 0x00400000,
    D3DXMESHOPT_COMPACT = 0x01000000,
    D3DXMESHOPT_ATTRSORT = 0x02000000,
    D3DXMESHOPT_VERTEXCACHE = 0x04000000,
    D3DXMESHOPT_STRIPREORDER = 0x08000000,
    D3DXMESHOPT_IGNOREVERTS = 0x10000000,
    D3DXMESHOPT_DONOTSPLIT = 0x20000000,
};

enum D3DXCLEANTYPE
{
    D3DXCLEAN_BACKFACING = 0x00000001,
    D3DXCLEAN_BOWTIES = 0x00000002,
    D3DXCLEAN_SKINNING = D3DXCLEAN_BACKFACING,
    D3DXCLEAN_OPTIMIZATION = D3DXCLEAN_BACKFACING,
    D3DXCLEAN_SIMPLIFICATION = D3DXCLEAN_BACKFACING | D3DXCLEAN_BOWTIES,
};

enum _D3DXWELDEPSILONSFLAGS
{
    D3DXWELDEPSILONS_WELDALL = 0x1,
    D3DXWELDEPSILONS_WELDPARTIALMATCHES = 0x2,
    D3DXWELDEPSILONS_DONOTREMOVEVERTICES = 0x4,
    D3DXWELDEPSILONS_DONOTSPLIT = 0x8,
};

enum _D3DXTANGENT
{
    D3DXTANGENT_WRAP_U = 0x01,
    D3DXTANGENT_WRAP_V = 0x02,
    D3DXTANGENT_WRAP_UV = 0x03,
    D3DXTANGENT_DONT_NORMALIZE_PARTIALS = 0x04,
    D3DXTANGENT_DONT_ORTHOGONALIZE = 0x08,
    D3DXTANGENT_ORTHOGONALIZE_FROM_V = 0x010,
    D3DXTANGENT_ORTHOGONALIZE_FROM_U = 0x020,
    D3DXTANGENT_WEIGHT_BY_AREA = 0x040,
    D3DXTANGENT_WEIGHT_EQUAL = 0x080,
    D3DXTANGENT_WIND_CW = 0x0100,
    D3DXTANGENT_CALCULATE_NORMALS = 0x0200,
    D3DXTANGENT_GENERATE_IN_PLACE = 0x0400,
};

#define D3DXF_FILEFORMAT_BINARY 0
#define D3DXF_FILEFORMAT_TEXT 1
#define D3DXF_FILEFORMAT_COMPRESSED 2

// ---- Records ----------------------------------------------------------------------------------
struct D3DXMATERIAL
{
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
};

enum D3DXEFFECTDEFAULTTYPE
{
    D3DXEDT_STRING = 0x1,
    D3DXEDT_FLOATS = 0x2,
    D3DXEDT_DWORD = 0x3,
    D3DXEDT_FORCEDWORD = 0x7fffffff,
};

struct D3DXEFFECTDEFAULT
{
    LPSTR pParamName;
    D3DXEFFECTDEFAULTTYPE Type;
    DWORD NumBytes;
    void* pValue;
};

struct D3DXEFFECTINSTANCE
{
    LPSTR pEffectFilename;
    DWORD NumDefaults;
    D3DXEFFECTDEFAULT* pDefaults;
};

struct D3DXATTRIBUTERANGE
{
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

struct D3DXWELDEPSILONS
{
    FLOAT Position;
    FLOAT BlendWeights;
    FLOAT Normal;
    FLOAT PSize;
    FLOAT Specular;
    FLOAT Diffuse;
    FLOAT Texcoord[8];
    FLOAT Tangent;
    FLOAT Binormal;
    FLOAT TessFactor;
};

// ---- Interfaces -------------------------------------------------------------------------------
struct ID3DXBuffer : IUnknown
{
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

struct ID3DXMesh;

struct ID3DXBaseMesh : IUnknown
{
    // Draws the faces of one attribute id with the mesh's buffers and declaration.
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                                 ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                              IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
    virtual HRESULT UpdateSemantics(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh
{
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                             ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) = 0;
    virtual HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                    DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap) = 0;
    virtual HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) = 0;
};

typedef ID3DXBuffer* LPD3DXBUFFER;
typedef ID3DXMesh* LPD3DXMESH;
typedef ID3DXBaseMesh* LPD3DXBASEMESH;

// ---- Functions --------------------------------------------------------------------------------
HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer);

UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* pDecl);
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream);
UINT D3DXGetFVFVertexSize(DWORD FVF);
HRESULT D3DXDeclaratorFromFVF(DWORD FVF, D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE]);
HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator, DWORD* pFVF);

HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                       const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pD3DDevice,
                       ID3DXMesh** ppMesh);
HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppMesh);

HRESULT D3DXLoadMeshFromXA(const char* pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice,
                           ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                           ID3DXBuffer** ppEffectInstances, DWORD* pNumMaterials, ID3DXMesh** ppMesh);
HRESULT D3DXLoadMeshFromXInMemory(const void* Memory, DWORD SizeOfMemory, DWORD Options,
                                  IDirect3DDevice9* pD3DDevice, ID3DXBuffer** ppAdjacency,
                                  ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                                  DWORD* pNumMaterials, ID3DXMesh** ppMesh);
HRESULT D3DXSaveMeshToXA(const char* pFilename, ID3DXMesh* pMesh, const DWORD* pAdjacency,
                         const D3DXMATERIAL* pMaterials, const D3DXEFFECTINSTANCE* pEffectInstances,
                         DWORD NumMaterials, DWORD Format);
#define D3DXLoadMeshFromX D3DXLoadMeshFromXA
#define D3DXSaveMeshToX D3DXSaveMeshToXA

HRESULT D3DXCleanMesh(D3DXCLEANTYPE CleanType, ID3DXMesh* pMeshIn, const DWORD* pAdjacencyIn,
                      ID3DXMesh** ppMeshOut, DWORD* pAdjacencyOut, ID3DXBuffer** ppErrorsAndWarnings);
HRESULT D3DXWeldVertices(ID3DXMesh* pMesh, DWORD Flags, const D3DXWELDEPSILONS* pEpsilons,
                         const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                         ID3DXBuffer** ppVertexRemap);
HRESULT D3DXValidMesh(ID3DXMesh* pMeshIn, const DWORD* pAdjacency, ID3DXBuffer** ppErrorsAndWarnings);
HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency);
HRESULT D3DXComputeTangentFrameEx(ID3DXMesh* pMesh, DWORD dwTextureInSemantic, DWORD dwTextureInIndex,
                                  DWORD dwUPartialOutSemantic, DWORD dwUPartialOutIndex,
                                  DWORD dwVPartialOutSemantic, DWORD dwVPartialOutIndex,
                                  DWORD dwNormalOutSemantic, DWORD dwNormalOutIndex, DWORD dwOptions,
                                  const DWORD* pdwAdjacency, FLOAT fPartialEdgeThreshold,
                                  FLOAT fSingularPointThreshold, FLOAT fNormalEdgeThreshold,
                                  ID3DXMesh** ppMeshOut, ID3DXBuffer** ppVertexMapping);
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                  D3DXVECTOR3* pCenter, FLOAT* pRadius);
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                               D3DXVECTOR3* pMin, D3DXVECTOR3* pMax);
