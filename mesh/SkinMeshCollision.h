#pragma once
// ESkinMeshCollision: hit zones of skinned models. A model lists up to 100 spheres, cylinders and
// prefab meshes tied to its bones ("collisions.txt", or "physics.txt" for spheres only); each
// instance binds them to its own nodes, moves them with its pose, and answers segment tests with the
// nearest zone and its names.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <vector>

class ESkinMesh;

constexpr int MAX_SKINMESH_COLLISIONS_ELEMENTS = 100;

enum SkinCollisionKind : DWORD
{
    SKIN_COLLISION_EMPTY = 0,
    SKIN_COLLISION_SPHERE = 1,
    SKIN_COLLISION_CYLINDER = 2,
    SKIN_COLLISION_MESH = 3,
};

struct strSkinCollisionSphere
{
    char szName[64] = {};
    char szNodeName[128] = {};
    char szHitZoneName[64] = {};
    double dRadius = 0.0;
};

struct strSkinCollisionCylinder
{
    char szName[64] = {};
    char szStartNodeName[128] = {};
    char szFinishNodeName[128] = {};
    char szHitZoneName[64] = {};
    double dThickness = 0.0;
};

struct strSkinCollisionMesh
{
    char szName[64] = {};
    char szPrefabFileName[256] = {};
    char szTieNodeName[128] = {};
    char szHitZoneName[64] = {};
    std::vector<D3DXVECTOR3> vVertices; // three per face, in the node's space before the element matrix
    D3DXVECTOR3 vTranslation = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vRotation = {0.0f, 0.0f, 0.0f}; // degrees
    D3DXMATRIX mElement;
    strSkinCollisionMesh();
};

struct strSkinCollisionSlot
{
    static constexpr int OBJECT_HANDLES = 6;
    DWORD iKind = SKIN_COLLISION_EMPTY;
    void* pRecord = nullptr;
    HOBJECT hObjects[OBJECT_HANDLES] = {};
};

// The elements of one model.
struct strSkinCollisionElements
{
    DWORD iNumCollisionElements = 0;
    strSkinCollisionSlot Elements[MAX_SKINMESH_COLLISIONS_ELEMENTS];
};

// An element as one instance holds it.
struct strSkinZoneState
{
    DWORD iKind = SKIN_COLLISION_EMPTY;
    const void* pRecord = nullptr;
    int iNode = -1;  // sphere's node, cylinder's start node, mesh's tie node
    int iNode2 = -1; // cylinder's finish node
    double dSize = 0.0;
    D3DXVECTOR3 vA = {0.0f, 0.0f, 0.0f}, vB = {0.0f, 0.0f, 0.0f}; // centre, or the two end centres
    std::vector<D3DXVECTOR3> vWorld;                              // a mesh element's world vertices
    D3DXVECTOR3 vMin = {0.0f, 0.0f, 0.0f}, vMax = {0.0f, 0.0f, 0.0f};
    bool bPlaced = false;
};

// The hit-zone state of one instance.
struct strSkinCollisionInstance
{
    HOBJECT hOwner = nullptr;
    const strSkinCollisionElements* pElements = nullptr;
    std::vector<strSkinZoneState> Zones;
};

// The nearest zone a segment meets.
struct strSkinZoneHit
{
    D3DXVECTOR3 vPoint = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vNormal = {0.0f, 0.0f, 0.0f};
    float fDistance = 0.0f;
    char szZoneName[64] = {};    // the element's name
    char szHitZoneName[64] = {}; // the body part game code reads
    HOBJECT hObject = nullptr;
};

class ESkinMeshCollision
{
public:
    // "collisions.txt": false only when the file does not open.
    static bool ReadCollisions(const char* fileName, strSkinCollisionElements* elements,
                               const char* modelName);
    // "physics.txt": one sphere a line.
    static bool ReadPhysics(const char* fileName, strSkinCollisionElements* elements);
    static void ReleaseElements(strSkinCollisionElements* elements);

    static void BindInstance(ESkinMesh* instance);
    // Moves every zone with the instance's node world matrices; the union box goes into the instance.
    static void UpdateInstance(ESkinMesh* instance);
    static void ReleaseInstance(ESkinMesh* instance);

    // The nearest zone of the instance that the segment from start to end meets.
    static bool IntersectSegment(const ESkinMesh* instance, const D3DXVECTOR3& start, const D3DXVECTOR3& end,
                                 strSkinZoneHit* hit);
};
