// EMesh: one static-mesh instance over a mesh-table entry.
#include "mesh/Mesh.h"

#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/Geometry.h"
#include "shell/TextUtils.h"
#include "world/CollisionMgr.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* kTagInstance = "::EMesh";
constexpr const char* kTagMaterials = "m_pMeshMaterials ";
constexpr const char* kSubsetReport = "!subsets.txt";
constexpr float kStandingPitch = 1.5707964f;
constexpr float kDegreesToRadians = 0.01745329238474369f;
constexpr int kPathGenDefaultInt0 = 0;
constexpr float kPathGenDefault1 = 2.0f;
constexpr float kPathGenDefault2 = 0.5f;
constexpr float kPathGenDefault3 = 30.0f;
constexpr int kPathGenDefaultInt4 = 2000;
constexpr float kMinBushRange = 4.0f;
constexpr int kCorners = 8;
// The corners go round one face and then round the opposite one, corner 4
// across from corner 0: the box tests take its faces from this order.
constexpr bool kCornerHigh[kCorners][3] = {{false, false, false}, {false, true, false}, {true, true, false},
                                           {true, false, false},  {false, false, true}, {false, true, true},
                                           {true, true, true},    {true, false, true}};
constexpr int kLineSize = 512;
DWORD g_dwLastMeshSerial = 0;

float IntBits(int v)
{
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

// A subset's texture from the renderer's registry, and what the passes and
// the segment tests read of its material.
MeshTextureIndex LoadSubsetTexture(const char* name, EMesh* mesh, DWORD subset)
{
    const MeshTextureIndex index = g_Renderer.LoadMeshTextures(name, mesh, subset);
    const strtexture* t = g_Renderer.GetTexture(index);
    if (!t)
        return index;
    mesh->m_FlagGroup1[subset] = t->m_bNoIntersect;
    mesh->m_bSubsetDrawn[subset] = t->m_bDoNotRender ? 0 : 1;
    mesh->m_bSubsetAlphaTested[subset] = t->m_bTransparent;
    mesh->m_bSubsetSpecial[subset] = (t->m_bAdditive || t->m_bStain || t->m_bDoNotRender ||
                                      t->m_bTranslucent || t->m_bRayOfLight || t->m_bWater)
                                         ? 1
                                         : 0;
    mesh->m_bSubsetNoShadow[subset] = t->m_bDoNotCastShadow;
    return index;
}

// The factor by which the scale can stretch a distance from the origin: a
// negative factor mirrors the mesh and stretches it all the same.
float LargestScale(float x, float y, float z)
{
    return std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
}

void Report(const char* line)
{
    AppendLogLine(line, kSubsetReport, kLineSize);
}
} // namespace

EMesh::EMesh()
{
    D3DXMatrixIdentity(&m_mLocal);
    D3DXMatrixIdentity(&m_mWorld);
    D3DXMatrixIdentity(&m_mInvWorld);
    m_fPathGen[0] = IntBits(kPathGenDefaultInt0);
    m_fPathGen[1] = kPathGenDefault1;
    m_fPathGen[2] = kPathGenDefault2;
    m_fPathGen[3] = kPathGenDefault3;
    m_fPathGen[4] = IntBits(kPathGenDefaultInt4);
    D3DXMATRIX standing;
    D3DXMatrixRotationYawPitchRoll(&standing, 0.0f, kStandingPitch, 0.0f);
    D3DXQuaternionRotationMatrix(&m_qBase, &standing);
    m_qFinal = m_qBase;
    g_Debug.AddAllocation(kTagInstance);
}

EMesh::~EMesh()
{
    if (m_pMeshMaterials)
    {
        delete[] m_pMeshMaterials;
        g_Debug.RemoveAllocation(kTagMaterials);
    }
    g_Debug.RemoveAllocation(kTagInstance);
}

void EMesh::ReserveSubsets(DWORD count)
{
    constexpr DWORD kByteTables = 7;
    count = std::min(count, MAX_MESH_MATERIALS);
    const DWORD words = count + (count * kByteTables + sizeof(DWORD) - 1) / sizeof(DWORD);
    m_pSubsetBlock.reset(count ? new DWORD[words]() : nullptr);
    m_dwSubsetSlots = count;
    m_TextureIndex = m_pSubsetBlock.get();
    BYTE* bytes = count ? reinterpret_cast<BYTE*>(m_pSubsetBlock.get() + count) : nullptr;
    BYTE** tables[kByteTables] = {&m_FlagGroup1,     &m_bSubsetDrawn,    &m_bSubsetAlphaTested,
                                  &m_bSubsetSpecial, &m_bSubsetNoShadow, &m_bUsableSubset,
                                  &m_SubsetRemap};
    for (DWORD t = 0; t < kByteTables; ++t)
        *tables[t] = bytes ? bytes + t * count : nullptr;
}

void EMesh::SetPhysicsDesc(const EPhysicsDesc* desc)
{
    if (!desc)
        return;
    if (!m_pPhysicsDesc)
        m_pPhysicsDesc = std::make_unique<EPhysicsDesc>();
    *m_pPhysicsDesc = *desc;
}

const EPhysicsDesc& EMesh::PhysicsDesc() const
{
    static const EPhysicsDesc defaults;
    return m_pPhysicsDesc ? *m_pPhysicsDesc : defaults;
}

bool EMesh::Create(const char* fileName)
{
    m_pEntry = nullptr;
    m_dwSerial = ++g_dwLastMeshSerial;
    if (!fileName || !fileName[0])
        return false;
    if (m_bCreated)
    {
        g_Console.Print2("*** Mesh already created! *** ", fileName);
        // A second creation starts from a clean instance: no leaked materials or doubled links.
        ReleaseMaterials();
    }
    g_Console.StepLoading();
    g_Console.AdvanceLoading(1);
    const int id = g_MeshMgr.LoadMesh(fileName);
    m_iMeshId = id;
    if (id == -1)
    {
        g_Console.Print("MeshMgr returns INVALID code");
        return false;
    }
    m_pBaseMesh = g_MeshMgr.GetMesh(id);
    if (!m_pBaseMesh)
    {
        g_Console.Print("No mesh object returned!");
        return false;
    }
    m_pDrawMesh = g_MeshMgr.GetMesh(id);
    if (!m_pDrawMesh)
    {
        g_Console.Print("No video mesh object returned!");
        return false;
    }
    m_pEntry = g_MeshMgr.GetEntry(id);
    CopyCut(m_szFileName, sizeof m_szFileName, fileName);
    if (!m_pEntry)
    {
        g_Console.Print("No mesh in mesh table!");
        return false;
    }
    if (!m_pEntry->pMesh)
    {
        g_Console.Print("Mesh from mesh table has no body!");
        return false;
    }
    m_pMaterialBuffer = m_pEntry->pMaterialBuffer;
    m_dwNumMaterials = m_pEntry->dwNumMaterials;
    m_vMin = m_pEntry->vMin;
    m_vMax = m_pEntry->vMax;
    m_vCenter = m_pEntry->vCenter;
    m_fScaledRadius = m_fBaseRadius = m_pEntry->fRadius;
    if (m_hObject)
        m_hObject->fRadius = m_pEntry->fRadius;
    if (m_dwNumMaterials)
    {
        m_pMeshMaterials = new D3DMATERIAL9[m_dwNumMaterials]();
        g_Debug.AddAllocation(kTagMaterials);
    }
    m_dwNumMaterials = std::min(m_dwNumMaterials, MAX_MESH_MATERIALS);
    ReserveSubsets(m_dwNumMaterials);
    char line[kLineSize];
    if (g_Options.raportsubsets)
    {
        Report("");
        std::snprintf(line, sizeof line, "mesh name: %s", m_szFileName);
        Report(line);
        std::snprintf(line, sizeof line, "ilosc subsetow: %i", static_cast<int>(m_dwNumMaterials));
        Report(line);
    }
    const auto* materials =
        m_pMaterialBuffer ? static_cast<const D3DXMATERIAL*>(m_pMaterialBuffer->GetBufferPointer()) : nullptr;
    int usable = 0;
    for (DWORD i = 0; i < m_dwNumMaterials && materials; ++i)
    {
        DWORD faces = 0, vertices = 0;
        GetSubsetSize(i, &faces, &vertices);
        m_bUsableSubset[i] = 0;
        if (!faces && vertices)
            g_Console.Print3("Error! ", m_szFileName, " has 0 faces, !0 vertices!");
        if (!faces || !vertices)
            continue;
        ++usable;
        m_bUsableSubset[i] = 1;
        if (!materials[i].pTextureFilename)
        {
            std::snprintf(line, sizeof line, "Mesh %s - empty subset %i!", m_szFileName, static_cast<int>(i));
            AppendLogLine(line, nullptr, kLineSize);
            m_bUsableSubset[i] = 0;
            continue;
        }
        if (g_Options.raportsubsets)
        {
            std::snprintf(line, sizeof line, "subset #%i, name: %s", static_cast<int>(i),
                          materials[i].pTextureFilename);
            Report(line);
            std::snprintf(line, sizeof line, "faces: %i, vertices: %i", static_cast<int>(faces),
                          static_cast<int>(vertices));
            Report(line);
        }
        m_pMeshMaterials[i] = materials[i].MatD3D;
        m_pMeshMaterials[i].Ambient = materials[i].MatD3D.Diffuse;
        m_TextureIndex[i] = LoadSubsetTexture(materials[i].pTextureFilename, this, i);
    }
    if (g_Options.raportsubsets)
    {
        std::snprintf(line, sizeof line, "Usable materials: %i", usable);
        Report(line);
    }
    m_vScale = D3DXVECTOR3(1, 1, 1);
    m_bCreated = 1;
    m_fExtentSum =
        std::fabs(m_vMax.y - m_vMin.y) + std::fabs(m_vMax.x - m_vMin.x) + std::fabs(m_vMax.z - m_vMin.z);
    ComputeFaceBounds();
    return true;
}

void EMesh::ReleaseMaterials()
{
    if (!m_bCreated)
        return;
    g_Renderer.RemoveMeshTextureRefs(this);
    if (m_pMeshMaterials)
    {
        delete[] m_pMeshMaterials;
        m_pMeshMaterials = nullptr;
        g_Debug.RemoveAllocation(kTagMaterials);
    }
    m_bCreated = 0;
}

bool EMesh::GetSubsetSize(DWORD subset, DWORD* faces, DWORD* vertices) const
{
    if (faces)
        *faces = 0;
    if (vertices)
        *vertices = 0;
    if (subset >= MAX_MESH_MATERIALS || !m_pEntry)
        return false;
    const D3DXATTRIBUTERANGE* range = nullptr;
    if (subset < m_pEntry->dwAttribTableSize && m_pEntry->AttribTable[subset].AttribId == subset)
        range = &m_pEntry->AttribTable[subset];
    for (DWORD r = 0; !range && r < m_pEntry->dwAttribTableSize; ++r)
        if (m_pEntry->AttribTable[r].AttribId == subset)
            range = &m_pEntry->AttribTable[r];
    if (range)
    {
        if (faces)
            *faces = range->FaceCount;
        if (vertices)
            *vertices = range->VertexCount;
    }
    return true;
}

namespace
{
// The farthest drawn vertex of the shared mesh, worked out once for all its instances.
float FarthestVertexSq(ID3DXMesh* body, const strmesh* entry)
{
    void* vb = nullptr;
    void* ib = nullptr;
    if (FAILED(body->LockVertexBuffer(D3DLOCK_READONLY, &vb)))
        return -1.0f;
    if (FAILED(body->LockIndexBuffer(D3DLOCK_READONLY, &ib)))
    {
        body->UnlockVertexBuffer();
        return -1.0f;
    }
    const DWORD stride = body->GetNumBytesPerVertex();
    const DWORD vertexCount = body->GetNumVertices();
    const bool wide = (body->GetOptions() & D3DXMESH_32BIT) != 0;
    float largest = 0.0f;
    for (DWORD r = 0; r < entry->dwAttribTableSize; ++r)
    {
        const D3DXATTRIBUTERANGE& range = entry->AttribTable[r];
        for (DWORD i = range.FaceStart * 3; i < (range.FaceStart + range.FaceCount) * 3; ++i)
        {
            const DWORD v = wide ? static_cast<const uint32_t*>(ib)[i] : static_cast<const uint16_t*>(ib)[i];
            if (v >= vertexCount)
                continue;
            D3DXVECTOR3 p;
            std::memcpy(&p, static_cast<const uint8_t*>(vb) + size_t(v) * stride, sizeof p);
            largest = std::max(largest, D3DXVec3LengthSq(&p));
        }
    }
    body->UnlockIndexBuffer();
    body->UnlockVertexBuffer();
    return largest;
}
} // namespace

void EMesh::ComputeFaceBounds()
{
    if (!m_pBaseMesh || !m_pEntry)
        return;
    float largest = m_pEntry->fFaceRadiusSq;
    if (!m_pEntry->bFaceRadiusKnown || m_pBaseMesh != m_pEntry->pMesh)
    {
        largest = FarthestVertexSq(m_pBaseMesh, m_pEntry);
        if (largest < 0.0f)
            return;
        if (m_pBaseMesh == m_pEntry->pMesh)
        {
            m_pEntry->fFaceRadiusSq = largest;
            m_pEntry->bFaceRadiusKnown = 1;
        }
    }
    const float s = LargestScale(m_vScale.x, m_vScale.y, m_vScale.z);
    m_fFaceRadiusSq = largest;
    m_fFaceRadius = std::sqrt(largest);
    m_fScaledFaceRadiusSq = s * s * largest;
}

void EMesh::SetExtraAngles(float forward, float right, float up)
{
    m_fExtraAngles[0] = forward;
    m_fExtraAngles[1] = right;
    m_fExtraAngles[2] = up;
    UpdateTransform();
}

void EMesh::UpdateTransform()
{
    if (m_hObject)
        m_vPosition = m_hObject->vPosition;
    if (m_fExtraAngles[0] == 0.0f && m_fExtraAngles[1] == 0.0f && m_fExtraAngles[2] == 0.0f)
        m_qFinal = m_qBase;
    else
    {
        EOrientation o;
        o.SetQuaternion(&m_qBase);
        const D3DXVECTOR3 forward = o.Forward, right = o.Right, up = o.Up;
        o.RotateAxisAngle(&forward, m_fExtraAngles[0] * kDegreesToRadians);
        o.RotateAxisAngle(&right, m_fExtraAngles[1] * kDegreesToRadians);
        o.RotateAxisAngle(&up, m_fExtraAngles[2] * kDegreesToRadians);
        m_qFinal = o.Quaternion;
    }
    if (m_hObject)
        m_hObject->Orientation.SetQuaternion(&m_qFinal);
    D3DXMatrixTransformation(&m_mWorld, nullptr, nullptr, &m_vScale, nullptr, &m_qFinal, &m_vPosition);
    PlaceCorners();
    m_bInvWorldCurrent = 0;
    if (m_hObject)
    {
        g_IntersectSegment.RefreshObject(m_hObject);
        g_CollisionMgr.UpdateObject(m_hObject);
    }
}

// The box's corners in the world, each what transforming it by the world
// matrix gives, from the products of the box's two values on each axis with
// the matrix's rows, which the corners share.
void EMesh::PlaceCorners()
{
    const D3DXMATRIX& m = m_mWorld;
    const float xs[2] = {m_vMin.x, m_vMax.x}, ys[2] = {m_vMin.y, m_vMax.y}, zs[2] = {m_vMin.z, m_vMax.z};
    float px[2][4], py[2][4], pz[2][4];
    for (int h = 0; h < 2; ++h)
        for (int col = 0; col < 4; ++col)
        {
            px[h][col] = xs[h] * m.m[0][col];
            py[h][col] = ys[h] * m.m[1][col];
            pz[h][col] = zs[h] * m.m[2][col];
        }
    for (int c = 0; c < kCorners; ++c)
    {
        const float* x = px[kCornerHigh[c][0]];
        const float* y = py[kCornerHigh[c][1]];
        const float* z = pz[kCornerHigh[c][2]];
        float v[4];
        for (int col = 0; col < 4; ++col)
            v[col] = x[col] + y[col] + z[col] + m.m[3][col];
        D3DXVECTOR3& corner = m_vWorldCorners[c];
        // A placed mesh's matrix keeps w at exactly 1, and dividing by 1 changes nothing.
        corner =
            v[3] == 1.0f ? D3DXVECTOR3(v[0], v[1], v[2]) : D3DXVECTOR3(v[0] / v[3], v[1] / v[3], v[2] / v[3]);
        if (c == 0)
            m_vWorldMin = m_vWorldMax = corner;
        // As fmin and fmax: a NaN gives way to the other value.
        const auto lower = [](float a, float b) { return (b != b || a < b) ? a : b; };
        const auto higher = [](float a, float b) { return (b != b || a > b) ? a : b; };
        m_vWorldMin = D3DXVECTOR3(lower(m_vWorldMin.x, corner.x), lower(m_vWorldMin.y, corner.y),
                                  lower(m_vWorldMin.z, corner.z));
        m_vWorldMax = D3DXVECTOR3(higher(m_vWorldMax.x, corner.x), higher(m_vWorldMax.y, corner.y),
                                  higher(m_vWorldMax.z, corner.z));
    }
}

void EMesh::SetRotation(const D3DXQUATERNION* q)
{
    if (!q)
        return;
    m_qBase = *q;
    UpdateTransform();
}

void EMesh::SetScale(float x, float y, float z)
{
    SetScaleOnly(x, y, z);
    UpdateTransform();
}

void EMesh::SetScaleOnly(float x, float y, float z)
{
    m_vScale = D3DXVECTOR3(x, y, z);
    const float s = LargestScale(x, y, z);
    m_fScaledFaceRadiusSq = m_fFaceRadiusSq * s * s;
    m_fScaledRadius = m_fBaseRadius * s;
    if (m_hObject)
        m_hObject->fRadius = m_fScaledRadius;
}

void EMesh::GetScale(float* out) const
{
    if (!out)
        return;
    out[0] = m_vScale.x;
    out[1] = m_vScale.y;
    out[2] = m_vScale.z;
}

void EMesh::GetOrientation(EOrientation* out) const
{
    if (out)
        out->SetQuaternion(&m_qFinal);
}

void EMesh::GetWorldMatrix(D3DXMATRIX* out) const
{
    if (out)
        *out = m_mWorld;
}

const D3DXMATRIX* EMesh::InverseWorld() const
{
    if (!m_bInvWorldCurrent)
    {
        m_bInvertible = D3DXMatrixInverse(&m_mInvWorld, nullptr, &m_mWorld) ? 1 : 0;
        m_bInvWorldCurrent = 1;
    }
    return m_bInvertible ? &m_mInvWorld : nullptr;
}

bool EMesh::Intersect(const D3DXVECTOR3* from, const D3DXVECTOR3* to) const
{
    if (!from || !to)
        return false;
    // The owner's collision record keeps the box's corners in the world; an
    // instance the record does not know yet is tested by its own, which are the same box.
    const CollisionRecord* record = m_hObject ? g_CollisionMgr.GetRecord(m_hObject) : nullptr;
    return Geom::IntersectSegmentBoxFaces(&from->x, &to->x, record ? record->vCorners : m_vWorldCorners);
}

void EMesh::SetTransform(const D3DXVECTOR3* position, const EOrientation* orientation)
{
    if (position)
        m_vPosition = *position;
    if (orientation)
        m_qBase = orientation->Quaternion;
    UpdateTransform();
}

void EMesh::SetPosition(const D3DXVECTOR3* position)
{
    if (position)
        m_vPosition = *position;
    UpdateTransform();
}

void EMesh::SetRotation(const EOrientation* orientation)
{
    if (orientation)
        SetRotation(&orientation->Quaternion);
}

void EMesh::SetScale(const D3DXVECTOR3* scale)
{
    if (scale)
        SetScale(scale->x, scale->y, scale->z);
}

void EMesh::GetScale(D3DXVECTOR3* out) const
{
    if (out)
        *out = m_vScale;
}

void EMesh::RefreshTransform()
{
    ++m_iRefreshes;
    UpdateTransform();
}

void EMesh::SetPathGenParams(const float values[PATH_GEN_VALUES])
{
    std::memcpy(m_fPathGen, values, sizeof m_fPathGen);
}

void EMesh::GetPathGenParams(float values[PATH_GEN_VALUES]) const
{
    std::memcpy(values, m_fPathGen, sizeof m_fPathGen);
}

void EMesh::SetBushSound(const char* fileName, float range)
{
    if (!fileName || !fileName[0])
    {
        m_szBushSound[0] = 0;
        m_bBushSound = 0;
        m_fBushRange = 0.0f;
        return;
    }
    std::snprintf(m_szBushSound, sizeof m_szBushSound, "%s", fileName);
    m_fBushRange = range < kMinBushRange ? kMinBushRange : range;
    m_fBushValue = 0.0f;
    m_bBushSound = 1;
}
