// Hit zones of skinned models: their files, their binding to an instance's nodes, and segment tests.
#include "mesh/SkinMeshCollision.h"
#include "mesh/SkinMesh.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/CollisionMgr.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{
constexpr int kLineChars = 5000;
constexpr float kDegToRad = 3.1415927f / 180.0f;
constexpr float kParallel = 1e-12f;

// The n-th blank-separated word of the line, trimmed ("" when there is none).
std::string WordN(const char* line, int n)
{
    const char* p = line;
    for (int w = 0;; ++w)
    {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            return std::string();
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t')
            ++p;
        if (w == n)
            return std::string(start, p);
    }
}

template <size_t N> void Cut(char (&field)[N], const std::string& text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

void ReportLimit(const char* fileName)
{
    g_Console.Print("ERROR in ESkinMeshCollision: iNumCollisionElements>=MAX_SKINMESH_COLLISIONS_ELEMENTS");
    g_Console.Print2("filename: ", fileName);
}

D3DXVECTOR3 Translation(const D3DXMATRIX& m)
{
    return D3DXVECTOR3(m._41, m._42, m._43);
}

// The closest points of segments p0-p1 and q0-q1: their parameters s and t in [0, 1].
void ClosestOfSegments(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& q0,
                       const D3DXVECTOR3& q1, float* s, float* t)
{
    const D3DXVECTOR3 d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
    const float a = D3DXVec3Dot(&d1, &d1), e = D3DXVec3Dot(&d2, &d2), f = D3DXVec3Dot(&d2, &r);
    if (a <= kParallel && e <= kParallel)
    {
        *s = *t = 0.0f;
        return;
    }
    if (a <= kParallel)
    {
        *s = 0.0f;
        *t = std::clamp(f / e, 0.0f, 1.0f);
        return;
    }
    const float c = D3DXVec3Dot(&d1, &r);
    if (e <= kParallel)
    {
        *t = 0.0f;
        *s = std::clamp(-c / a, 0.0f, 1.0f);
        return;
    }
    const float b = D3DXVec3Dot(&d1, &d2), denom = a * e - b * b;
    *s = denom > kParallel ? std::clamp((b * f - c * e) / denom, 0.0f, 1.0f) : 0.0f;
    *t = (b * *s + f) / e;
    if (*t < 0.0f)
    {
        *t = 0.0f;
        *s = std::clamp(-c / a, 0.0f, 1.0f);
    }
    else if (*t > 1.0f)
    {
        *t = 1.0f;
        *s = std::clamp((b - c) / a, 0.0f, 1.0f);
    }
}

// The first point of the segment inside the sphere: its parameter in [0, 1].
bool SegmentSphere(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& centre, float radius,
                   float* u)
{
    const D3DXVECTOR3 d = b - a, m = a - centre;
    const float dd = D3DXVec3Dot(&d, &d);
    const float c = D3DXVec3Dot(&m, &m) - radius * radius;
    if (c <= 0.0f)
    {
        *u = 0.0f;
        return true;
    }
    if (dd <= kParallel)
        return false;
    const float bq = D3DXVec3Dot(&m, &d);
    const float disc = bq * bq - dd * c;
    if (bq > 0.0f || disc < 0.0f)
        return false;
    *u = (-bq - std::sqrt(disc)) / dd;
    return *u <= 1.0f;
}

// Segment against a triangle (both faces): parameter in [0, 1].
bool SegmentTriangle(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& v0, const D3DXVECTOR3& v1,
                     const D3DXVECTOR3& v2, float* u, D3DXVECTOR3* normal)
{
    const D3DXVECTOR3 d = b - a, e1 = v1 - v0, e2 = v2 - v0;
    D3DXVECTOR3 p;
    D3DXVec3Cross(&p, &d, &e2);
    const float det = D3DXVec3Dot(&e1, &p);
    if (std::fabs(det) <= kParallel)
        return false;
    const D3DXVECTOR3 s = a - v0;
    const float bu = D3DXVec3Dot(&s, &p) / det;
    if (bu < 0.0f || bu > 1.0f)
        return false;
    D3DXVECTOR3 q;
    D3DXVec3Cross(&q, &s, &e1);
    const float bv = D3DXVec3Dot(&d, &q) / det;
    if (bv < 0.0f || bu + bv > 1.0f)
        return false;
    *u = D3DXVec3Dot(&e2, &q) / det;
    if (*u < 0.0f || *u > 1.0f)
        return false;
    D3DXVec3Cross(normal, &e1, &e2);
    D3DXVec3Normalize(normal, normal);
    if (D3DXVec3Dot(normal, &d) > 0.0f)
        *normal = -*normal;
    return true;
}

bool BoxHit(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& lo, const D3DXVECTOR3& hi)
{
    float t0 = 0.0f, t1 = 1.0f;
    const float A[3] = {a.x, a.y, a.z}, B[3] = {b.x, b.y, b.z}, L[3] = {lo.x, lo.y, lo.z},
                H[3] = {hi.x, hi.y, hi.z};
    for (int i = 0; i < 3; ++i)
    {
        const float d = B[i] - A[i];
        if (std::fabs(d) <= kParallel)
        {
            if (A[i] < L[i] || A[i] > H[i])
                return false;
            continue;
        }
        float u0 = (L[i] - A[i]) / d, u1 = (H[i] - A[i]) / d;
        if (u0 > u1)
            std::swap(u0, u1);
        t0 = std::max(t0, u0);
        t1 = std::min(t1, u1);
        if (t0 > t1)
            return false;
    }
    return true;
}

const char* HitZoneOf(const strSkinZoneState& zone, const char** name)
{
    switch (zone.iKind)
    {
    case SKIN_COLLISION_SPHERE:
        *name = static_cast<const strSkinCollisionSphere*>(zone.pRecord)->szName;
        return static_cast<const strSkinCollisionSphere*>(zone.pRecord)->szHitZoneName;
    case SKIN_COLLISION_CYLINDER:
        *name = static_cast<const strSkinCollisionCylinder*>(zone.pRecord)->szName;
        return static_cast<const strSkinCollisionCylinder*>(zone.pRecord)->szHitZoneName;
    default:
        *name = static_cast<const strSkinCollisionMesh*>(zone.pRecord)->szName;
        return static_cast<const strSkinCollisionMesh*>(zone.pRecord)->szHitZoneName;
    }
}
} // namespace

strSkinCollisionMesh::strSkinCollisionMesh()
{
    D3DXMatrixIdentity(&mElement);
}

// ---- Files -----------------------------------------------------------------------------------------

namespace
{
// False when it has said already why the zone got no triangles.
bool LoadPrefab(strSkinCollisionMesh* r, const char* modelName)
{
    r->vVertices.clear();
    // A description of its own: this runs while the engine is still adding the
    // skinned object, whose description must not change under it.
    EObjectDesc desc;
    desc.Type = OT_MESH;
    // A name the description cannot hold whole would load another file.
    const bool fits = std::strlen(r->szPrefabFileName) < sizeof desc.szFileName;
    std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", fits ? r->szPrefabFileName : "");
    HOBJECT o = fits ? g_Engine.AddObject(&desc) : nullptr;
    if (!o)
    {
        g_Console.Print2("ERROR in SkinMeshCollisions.cpp: SkinMesh=", modelName ? modelName : "");
        g_Console.Print2("Collision Element Prefab Not Found: ", r->szPrefabFileName);
        g_Console.Print(" ");
        return false;
    }
    g_CollisionMgr.AddObject(o);
    const CollisionRecord* record = g_CollisionMgr.GetRecord(o);
    bool quiet = true;
    if (!record || !record->CM_dwFaces || !record->CM_vVerticesLocal)
    {
        g_Console.Print("Internal Error in SkinMeshCollisions.cpp: pCO->bUsed==false");
        g_Console.Print2("Collision Element Prefab Name: ", r->szPrefabFileName);
        g_Console.Print(" ");
        quiet = false;
    }
    else
    {
        r->vVertices.reserve(static_cast<size_t>(record->iFaces) * 3);
        for (DWORD k = 0; k < record->iFaces * 3; ++k)
            r->vVertices.push_back(record->CM_vVerticesLocal[record->CM_dwFaces[k]]);
    }
    g_Engine.DeleteObject(o);
    return quiet;
}
} // namespace

bool ESkinMeshCollision::ReadCollisions(const char* fileName, strSkinCollisionElements* elements,
                                        const char* modelName)
{
    FILE* file = fileName && elements ? TkFopen(fileName, "rb") : nullptr;
    if (!file)
        return false;
    static char line[kLineChars + 1];
    strSkinCollisionSlot* current = nullptr;
    for (;;)
    {
        ReadLineOrSkip(file, line, kLineChars);
        const std::string key = WordN(line, 0);
        const std::string value = WordN(line, 1);
        const char* k = key.c_str();
        if (CompareNoCase(k, "sphere") == 0 || CompareNoCase(k, "cylinder") == 0 ||
            CompareNoCase(k, "mesh") == 0)
        {
            if (elements->iNumCollisionElements >= MAX_SKINMESH_COLLISIONS_ELEMENTS)
            {
                ReportLimit(fileName);
                break;
            }
            current = &elements->Elements[elements->iNumCollisionElements++];
            if (CompareNoCase(k, "sphere") == 0)
            {
                auto* r = new strSkinCollisionSphere;
                Cut(r->szName, value);
                current->iKind = SKIN_COLLISION_SPHERE;
                current->pRecord = r;
            }
            else if (CompareNoCase(k, "cylinder") == 0)
            {
                auto* r = new strSkinCollisionCylinder;
                Cut(r->szName, value);
                current->iKind = SKIN_COLLISION_CYLINDER;
                current->pRecord = r;
            }
            else
            {
                auto* r = new strSkinCollisionMesh;
                Cut(r->szName, value);
                current->iKind = SKIN_COLLISION_MESH;
                current->pRecord = r;
            }
        }
        else if (current && !key.empty())
        {
            const double number = std::strtod(value.c_str(), nullptr);
            const bool finite = std::isfinite(number);
            if (current->iKind == SKIN_COLLISION_SPHERE)
            {
                auto* r = static_cast<strSkinCollisionSphere*>(current->pRecord);
                if (CompareNoCase(k, "hit_zone_name") == 0)
                    Cut(r->szHitZoneName, value);
                else if (CompareNoCase(k, "node_name") == 0)
                    Cut(r->szNodeName, value);
                else if (CompareNoCase(k, "radius") == 0 && finite)
                    r->dRadius = number;
            }
            else if (current->iKind == SKIN_COLLISION_CYLINDER)
            {
                auto* r = static_cast<strSkinCollisionCylinder*>(current->pRecord);
                if (CompareNoCase(k, "hit_zone_name") == 0)
                    Cut(r->szHitZoneName, value);
                else if (CompareNoCase(k, "start_node_name") == 0)
                    Cut(r->szStartNodeName, value);
                else if (CompareNoCase(k, "finish_node_name") == 0)
                    Cut(r->szFinishNodeName, value);
                else if (CompareNoCase(k, "thickness") == 0 && finite)
                    r->dThickness = number;
            }
            else
            {
                auto* r = static_cast<strSkinCollisionMesh*>(current->pRecord);
                auto three = [&](D3DXVECTOR3* v)
                {
                    float f[3];
                    for (int i = 0; i < 3; ++i)
                    {
                        f[i] = static_cast<float>(std::strtod(WordN(line, i + 1).c_str(), nullptr));
                        if (!std::isfinite(f[i]))
                            f[i] = 0.0f;
                    }
                    *v = D3DXVECTOR3(f[0], f[1], f[2]);
                };
                if (CompareNoCase(k, "hit_zone_name") == 0)
                    Cut(r->szHitZoneName, value);
                else if (CompareNoCase(k, "tie_node_name") == 0)
                    Cut(r->szTieNodeName, value);
                else if (CompareNoCase(k, "prefab_filename") == 0)
                    Cut(r->szPrefabFileName, value);
                else if (CompareNoCase(k, "translation") == 0)
                    three(&r->vTranslation);
                else if (CompareNoCase(k, "rotation") == 0)
                {
                    three(&r->vRotation);
                    D3DXMatrixRotationYawPitchRoll(&r->mElement, r->vRotation.y * kDegToRad,
                                                   r->vRotation.x * kDegToRad, r->vRotation.z * kDegToRad);
                }
            }
        }
        if (std::feof(file))
            break;
    }
    std::fclose(file);
    // A "mesh" zone takes its triangles from its prefab's collision record, through a scene object
    // that lives only for the copy.
    for (DWORD i = 0; i < elements->iNumCollisionElements; ++i)
        if (elements->Elements[i].iKind == SKIN_COLLISION_MESH)
        {
            auto* r = static_cast<strSkinCollisionMesh*>(elements->Elements[i].pRecord);
            if (LoadPrefab(r, modelName) && r->vVertices.empty())
            {
                g_Console.Print2("Skin Mesh Collisions: ", modelName ? modelName : "");
                g_Console.Print2("Collision Element Prefab Name: ", r->szPrefabFileName);
                g_Console.Print("There's no vertices!");
                g_Console.Print(" ");
            }
        }
    return true;
}

bool ESkinMeshCollision::ReadPhysics(const char* fileName, strSkinCollisionElements* elements)
{
    FILE* file = fileName && elements ? TkFopen(fileName, "rb") : nullptr;
    if (!file)
        return false;
    static char line[kLineChars + 1];
    for (;;)
    {
        ReadLineOrSkip(file, line, kLineChars);
        if (!WordN(line, 1).empty())
        {
            if (elements->iNumCollisionElements >= MAX_SKINMESH_COLLISIONS_ELEMENTS)
            {
                ReportLimit(fileName);
                break;
            }
            auto* r = new strSkinCollisionSphere;
            const std::string node = WordN(line, 0);
            Cut(r->szNodeName, node);
            Cut(r->szName, "sphere_" + node);
            const double radius = std::strtod(WordN(line, 2).c_str(), nullptr);
            r->dRadius = std::isfinite(radius) ? radius : 0.0;
            Cut(r->szHitZoneName, WordN(line, 3));
            strSkinCollisionSlot& slot = elements->Elements[elements->iNumCollisionElements++];
            slot.iKind = SKIN_COLLISION_SPHERE;
            slot.pRecord = r;
        }
        if (std::feof(file))
            break;
    }
    std::fclose(file);
    return true;
}

void ESkinMeshCollision::ReleaseElements(strSkinCollisionElements* elements)
{
    if (!elements)
        return;
    for (strSkinCollisionSlot& slot : elements->Elements)
    {
        switch (slot.iKind)
        {
        case SKIN_COLLISION_SPHERE:
            delete static_cast<strSkinCollisionSphere*>(slot.pRecord);
            break;
        case SKIN_COLLISION_CYLINDER:
            delete static_cast<strSkinCollisionCylinder*>(slot.pRecord);
            break;
        case SKIN_COLLISION_MESH:
            delete static_cast<strSkinCollisionMesh*>(slot.pRecord);
            break;
        default:
            break;
        }
        slot = strSkinCollisionSlot();
    }
    elements->iNumCollisionElements = 0;
}

// ---- Instances -------------------------------------------------------------------------------------

void ESkinMeshCollision::BindInstance(ESkinMesh* instance)
{
    if (!instance || !instance->m_pBase)
        return;
    strSkinCollisionInstance& state = instance->m_Collision;
    state.hOwner = instance->m_hObject;
    state.pElements = &instance->m_pBase->m_Collisions;
    state.Zones.clear();
    auto find = [instance](const char* name)
    {
        const int node = instance->FindNode(name);
        if (node < 0)
        {
            g_Console.Print("ERROR in SkinMeshCollisions.cpp: Node not found!");
            g_Console.Print2("skin mesh: ", instance->m_pBase->m_szFileName);
            g_Console.Print2("bad node name: ", name);
        }
        return node;
    };
    for (DWORD i = 0; i < state.pElements->iNumCollisionElements; ++i)
    {
        const strSkinCollisionSlot& slot = state.pElements->Elements[i];
        strSkinZoneState zone;
        zone.iKind = slot.iKind;
        zone.pRecord = slot.pRecord;
        switch (slot.iKind)
        {
        case SKIN_COLLISION_SPHERE:
        {
            const auto* r = static_cast<const strSkinCollisionSphere*>(slot.pRecord);
            zone.dSize = r->dRadius;
            zone.iNode = find(r->szNodeName);
            break;
        }
        case SKIN_COLLISION_CYLINDER:
        {
            const auto* r = static_cast<const strSkinCollisionCylinder*>(slot.pRecord);
            zone.dSize = r->dThickness;
            zone.iNode = find(r->szStartNodeName);
            zone.iNode2 = find(r->szFinishNodeName);
            break;
        }
        case SKIN_COLLISION_MESH:
        {
            const auto* r = static_cast<const strSkinCollisionMesh*>(slot.pRecord);
            zone.iNode = find(r->szTieNodeName);
            zone.vWorld = r->vVertices;
            break;
        }
        default:
            continue;
        }
        state.Zones.push_back(std::move(zone));
    }
}

void ESkinMeshCollision::UpdateInstance(ESkinMesh* instance)
{
    if (!instance)
        return;
    const std::vector<strSkinNode>& nodes = instance->m_pNodes;
    auto nodeOk = [&nodes](int n) { return n >= 0 && static_cast<size_t>(n) < nodes.size(); };
    bool any = false;
    D3DXVECTOR3 lo, hi;
    for (strSkinZoneState& zone : instance->m_Collision.Zones)
    {
        zone.bPlaced = false;
        zone.vMin = zone.vMax = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        const float size = static_cast<float>(zone.dSize);
        const D3DXVECTOR3 grow(size, size, size);
        if (zone.iKind == SKIN_COLLISION_SPHERE && nodeOk(zone.iNode))
        {
            zone.vA = Translation(nodes[zone.iNode].mWorld);
            zone.vMin = zone.vA - grow;
            zone.vMax = zone.vA + grow;
            zone.bPlaced = true;
        }
        else if (zone.iKind == SKIN_COLLISION_CYLINDER && nodeOk(zone.iNode) && nodeOk(zone.iNode2))
        {
            zone.vA = Translation(nodes[zone.iNode].mWorld);
            zone.vB = Translation(nodes[zone.iNode2].mWorld);
            D3DXVec3Minimize(&zone.vMin, &zone.vA, &zone.vB);
            D3DXVec3Maximize(&zone.vMax, &zone.vA, &zone.vB);
            zone.vMin -= grow;
            zone.vMax += grow;
            zone.bPlaced = true;
        }
        else if (zone.iKind == SKIN_COLLISION_MESH && nodeOk(zone.iNode))
        {
            const auto* r = static_cast<const strSkinCollisionMesh*>(zone.pRecord);
            if (zone.vWorld.size() != r->vVertices.size() || r->vVertices.empty())
                continue;
            D3DXMATRIX element = r->mElement, m;
            element._41 = r->vTranslation.x;
            element._42 = r->vTranslation.y;
            element._43 = r->vTranslation.z;
            D3DXMatrixMultiply(&m, &element, &nodes[zone.iNode].mWorld);
            for (size_t v = 0; v < r->vVertices.size(); ++v)
                D3DXVec3TransformCoord(&zone.vWorld[v], &r->vVertices[v], &m);
            zone.vMin = zone.vMax = zone.vWorld[0];
            for (const D3DXVECTOR3& v : zone.vWorld)
            {
                D3DXVec3Minimize(&zone.vMin, &zone.vMin, &v);
                D3DXVec3Maximize(&zone.vMax, &zone.vMax, &v);
            }
            zone.bPlaced = true;
        }
        if (!zone.bPlaced)
            continue;
        if (!any)
        {
            lo = zone.vMin;
            hi = zone.vMax;
            any = true;
        }
        D3DXVec3Minimize(&lo, &lo, &zone.vMin);
        D3DXVec3Maximize(&hi, &hi, &zone.vMax);
    }
    if (!any)
        lo = hi = instance->m_vPosition;
    instance->m_vBoxMin = lo;
    instance->m_vBoxMax = hi;
}

void ESkinMeshCollision::ReleaseInstance(ESkinMesh* instance)
{
    if (!instance)
        return;
    instance->m_Collision.Zones.clear();
    instance->m_Collision.pElements = nullptr;
}

bool ESkinMeshCollision::IntersectSegment(const ESkinMesh* instance, const D3DXVECTOR3& start,
                                          const D3DXVECTOR3& end, strSkinZoneHit* hit)
{
    if (!instance || !hit || !BoxHit(start, end, instance->m_vBoxMin, instance->m_vBoxMax))
        return false;
    const D3DXVECTOR3 dir = end - start;
    const float length = D3DXVec3Length(&dir);
    float best = std::numeric_limits<float>::max();
    const strSkinZoneState* bestZone = nullptr;
    D3DXVECTOR3 bestPoint, bestNormal;
    for (const strSkinZoneState& zone : instance->m_Collision.Zones)
    {
        if (!zone.bPlaced)
            continue;
        float u = 0.0f;
        D3DXVECTOR3 normal(0.0f, 0.0f, 0.0f), point;
        bool met = false;
        if (zone.iKind == SKIN_COLLISION_SPHERE)
        {
            met = SegmentSphere(start, end, zone.vA, static_cast<float>(zone.dSize), &u);
            if (met)
            {
                point = start + dir * u;
                normal = point - zone.vA;
            }
        }
        else if (zone.iKind == SKIN_COLLISION_CYLINDER)
        {
            float s, t;
            ClosestOfSegments(start, end, zone.vA, zone.vB, &s, &t);
            const D3DXVECTOR3 p = start + dir * s, q = zone.vA + (zone.vB - zone.vA) * t;
            const D3DXVECTOR3 gap = p - q;
            met = D3DXVec3Length(&gap) <= static_cast<float>(zone.dSize);
            if (met)
            {
                u = s;
                point = p;
                normal = gap;
            }
        }
        else
        {
            for (size_t v = 0; v + 2 < zone.vWorld.size(); v += 3)
            {
                float fu;
                D3DXVECTOR3 n;
                if (SegmentTriangle(start, end, zone.vWorld[v], zone.vWorld[v + 1], zone.vWorld[v + 2], &fu,
                                    &n) &&
                    (!met || fu < u))
                {
                    met = true;
                    u = fu;
                    normal = n;
                }
            }
            point = start + dir * u;
        }
        if (!met || u * length >= best)
            continue;
        best = u * length;
        bestZone = &zone;
        bestPoint = point;
        if (D3DXVec3LengthSq(&normal) > 0.0f)
            D3DXVec3Normalize(&normal, &normal);
        else
            normal = length > 0.0f ? -dir / length : normal;
        bestNormal = normal;
    }
    if (!bestZone)
        return false;
    hit->vPoint = bestPoint;
    hit->vNormal = bestNormal;
    hit->fDistance = best;
    const char* name = "";
    const char* zoneName = HitZoneOf(*bestZone, &name);
    std::snprintf(hit->szZoneName, sizeof hit->szZoneName, "%s", name);
    std::snprintf(hit->szHitZoneName, sizeof hit->szHitZoneName, "%s", zoneName);
    hit->hObject = instance->m_hObject;
    return true;
}
