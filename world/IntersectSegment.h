#pragma once
// EIntersectSegment: segment tests against scene objects.
// STAND-IN: keeps no tables and hits nothing; the segment-test work replaces
// it. The query and result carry the fields their callers fill and read.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstring>

// The filter a caller hands in: false skips the candidate. The user value is
// wide enough to carry an object handle (usually the object to skip).
typedef UINT_PTR RayTestUser;
typedef bool (*RayTestFilter)(HOBJECT candidate, RayTestUser user);

// The default filter; the test never calls it.
inline bool RayTestAcceptAll(HOBJECT, RayTestUser)
{
    return true;
}

struct RayTestQuery
{
    static constexpr float DEFAULT_MAX_DISTANCE = 5000.0f;

    RayTestQuery() { Init(); }
    void Init()
    {
        pFrom = nullptr;
        pTo = nullptr;
        pfnFilter = RayTestAcceptAll;
        dwUser = 0;
        bSeeThrough = 0;
        bOption = 0;
        fMaxDistance = DEFAULT_MAX_DISTANCE;
        bOption2 = 0;
        bNoSkinned = 0;
        bOption3 = 0;
    }

    const float* pFrom;
    const float* pTo;
    RayTestFilter pfnFilter;
    RayTestUser dwUser;
    BYTE bSeeThrough; // sight test
    BYTE bOption;     // coarse test of skinned meshes beyond fMaxDistance
    float fMaxDistance;
    BYTE bOption2;
    BYTE bNoSkinned;
    BYTE bOption3;
};

constexpr int RAY_TEST_ZONE_NAME_SIZE = 128;

struct RayTestResult
{
    RayTestResult() { Reset(); }
    void Reset() { std::memset(static_cast<void*>(this), 0, sizeof *this); }

    BYTE bHit;
    D3DXVECTOR3 vPoint;
    float fDistance;
    D3DXVECTOR3 vNormal;
    HOBJECT pObject;
    DWORD iFace;
    DWORD dwSubsetValue; // the subset of the hit face
    D3DXVECTOR3 vFrom, vTo;
    BYTE bSkinnedHit;
    DWORD iBodyPart;
    char szZoneName[RAY_TEST_ZONE_NAME_SIZE];
};

class EIntersectSegment
{
public:
    virtual ~EIntersectSegment() = default;
    void RemoveObject(HOBJECT) {}
    void RefreshObject(HOBJECT) {}
    void Rebuild() {}
    // True on a hit, with the result filled.
    bool Test(const RayTestQuery*, RayTestResult* result)
    {
        if (result)
            result->Reset();
        return false;
    }
};

inline EIntersectSegment g_IntersectSegment;
