#pragma once
// EIntersectSegment: segment tests against scene objects.
// STAND-IN: keeps no tables and hits nothing; the segment-test work replaces
// it. The query and result carry the fields their callers fill and read.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstring>

// A candidate object and the query's user value; false skips the object.
typedef bool (*ObjectFilter)(HOBJECT candidate, UINT_PTR user);

struct RayTestQuery
{
    RayTestQuery() { Init(); }
    void Init()
    {
        pFrom = nullptr;
        pTo = nullptr;
        pfnFilter = nullptr;
        dwUser = 0;
        bSeeThrough = 0;
        bOption = 0;
        fMaxDistance = 5000.0f;
        bOption2 = 0;
        bNoSkinned = 0;
        bOption3 = 0;
    }

    const D3DXVECTOR3* pFrom;
    const D3DXVECTOR3* pTo;
    ObjectFilter pfnFilter; // null accepts everything
    UINT_PTR dwUser;        // handed to the filter: usually the object to skip
    BYTE bSeeThrough;       // sight test
    BYTE bOption;           // coarse test of skinned meshes beyond fMaxDistance
    float fMaxDistance;
    BYTE bOption2;
    BYTE bNoSkinned;
    BYTE bOption3;
};

struct RayTestResult
{
    static constexpr int ZONE_NAME_SIZE = 128;

    RayTestResult() { Reset(); }
    void Reset() { std::memset(static_cast<void*>(this), 0, sizeof *this); }

    BYTE bHit;
    D3DXVECTOR3 vPoint;
    float fDistance;
    D3DXVECTOR3 vNormal;
    HOBJECT pObject;
    DWORD iFace;
    DWORD dwSubsetValue;
    DWORD iTextureIndex; // the texture of the hit face, 0 when unknown
    D3DXVECTOR3 vFrom;
    D3DXVECTOR3 vTo;
    BYTE bSkinnedHit;
    DWORD iBodyPart;
    char szZoneName[ZONE_NAME_SIZE];
};

class EIntersectSegment
{
public:
    virtual ~EIntersectSegment() = default;
    void RemoveObject(HOBJECT) {}
    void RefreshObject(HOBJECT) {}
    void Rebuild() {}
    // True on a hit, with the result filled.
    bool Test(RayTestQuery*, RayTestResult* result)
    {
        if (result)
            result->Reset();
        return false;
    }
};

inline EIntersectSegment g_IntersectSegment;
