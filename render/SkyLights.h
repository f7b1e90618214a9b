#pragma once
// CSkyLights: sunlight bounced off the textured surfaces of a world, baked at
// world start into many small coloured lights, kept in the "<world>.def"
// cache, and picked near the camera each frame for the deferred light pass.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"

// Table sizes; one entry of each stays unused, so a table is full one short of its size.
constexpr DWORD MAX_RAW_SKY_LIGHTS = 3000000;
constexpr DWORD MAX_MERGED_SKY_LIGHTS = 30000;
constexpr DWORD MAX_PICKED_SKY_LIGHTS = 250;
constexpr DWORD SKY_LIGHT_CUBE_VERTICES = 36;

struct SkyLight
{
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vColor;
};

// One light handed to the deferred light pass this frame.
struct SkyLightInstance
{
    BYTE bCameraInside; // the camera lies strictly inside the light's box
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vColor;
    float fRadius;
};

// A corner of the unit cube drawn as a light's volume: position (w = 1), the
// face's outward normal, and the corner again as a texture coordinate.
struct SkyLightCubeVertex
{
    float fPosition[4];
    float fNormal[3];
    float fTexCoord[3];
};
static_assert(sizeof(SkyLightCubeVertex) == 40, "the light pass's vertex stride");

// How raw lights fold onto one grid: each is snapped to the grid, and one
// light is kept per spot closer than `fDistance` to another kept one.
struct SkyLightMergeRule
{
    float fStep;
    float fDistance;
    float fTowardLength; // how far each channel moves towards the colour's length
    bool bNormalise;     // the kept colour becomes a unit vector
};

// Merges `count` raw lights into `out` (at most `capacity` - 1 kept), in the
// order they come; returns how many were kept. Spots are found through a hash
// of the snapped position, which keeps exactly what a walk over every kept
// light would whenever the step is at least twice the merge distance; other
// steps take that walk.
DWORD MergeSkyLights(const SkyLight* raw, DWORD count, const SkyLightMergeRule& rule, SkyLight* out,
                     DWORD capacity);
// The walk over every kept light for each raw light.
DWORD MergeSkyLightsByWalk(const SkyLight* raw, DWORD count, const SkyLightMergeRule& rule, SkyLight* out,
                           DWORD capacity);

// The cache's stored header, in file order.
struct SkyLightCacheHeader
{
    DWORD dwCheck;
    float fGridStep, fLightRadius, fParam80, fMergeStepA, fMergeStepB, fParam07, fParam08;
};

class CSkyLights
{
public:
    static constexpr DWORD CACHE_CHECK = 1;
    static constexpr float PICK_DISTANCE = 100.0f;

    virtual ~CSkyLights() = default;

    // The engine's world-start row: the cache of the world, or a bake of it.
    void InitWorld(const char* worldFile) { LoadForWorld(worldFile); }
    // The engine's reset row: the next world starts with empty tables.
    void Release() { Clear(); }
    // The frame's pick near the camera (the frame driver calls it in the
    // Realistic order while "RecalculateCamera" is on); nothing while the
    // pick-every-frame byte is off, so the last picks stay.
    void Update()
    {
        ++m_iUpdates;
        if (m_bPickEveryFrame)
            PickLights();
    }
    DWORD m_iUpdates = 0; // frames whose update ran

    // World start: Clear, the cache, or a bake and a new cache; then the cube.
    // A null or empty world name bakes nothing and writes no cache.
    void LoadForWorld(const char* worldFile);
    // Every count and table back to zero.
    void Clear();
    // Clear, trace the sun over the "skylight" object, merge.
    void BuildSkyLights();
    void CreateSkyLights();
    // Follows one ray and its bounces; records a light at each bounce when `record` is on.
    void TraceSkyRay(D3DXVECTOR3 origin, D3DXVECTOR3 direction, D3DXVECTOR3 energy, bool record);
    void AddRawLight(const D3DXVECTOR3& position, const D3DXVECTOR3& color);
    // The raw lights onto tables A and B.
    void MergeLights();
    void PickLights();
    void BuildCubeVertices();
    // "<world>.def" in one shared buffer; empty without a world name.
    const char* GetCacheFileName() const;
    // Writes through a temporary file and a rename: a stopped game leaves the
    // old cache or none, never a cut one. False (and "Can't save ") on failure.
    bool SaveCache();
    // Takes a cache only when it loads whole: the check value, positive steps,
    // counts that fit, finite values and a length that matches exactly.
    // Anything else leaves the tables empty and the parameters as they were.
    bool LoadCache();

    // Parameters (the cache's header).
    float m_fGridStep = 1.0f;
    float m_fLightRadius = 30.0f;
    float m_fParam80 = 80.0f;
    float m_fMergeStepA = 36.0f;
    float m_fMergeStepB = 80.0f;
    float m_fParam08 = 0.8f;
    float m_fParam07 = 0.7f;
    DWORD m_dwFileCheck = CACHE_CHECK;

    SkyLight m_RawLights[MAX_RAW_SKY_LIGHTS];
    SkyLight m_LightsA[MAX_MERGED_SKY_LIGHTS];
    SkyLight m_LightsB[MAX_MERGED_SKY_LIGHTS]; // unit colours
    DWORD m_dwRawCount = 0;
    DWORD m_dwCountA = 0;
    DWORD m_dwCountB = 0;
    SkyLightInstance m_Picked[MAX_PICKED_SKY_LIGHTS];
    DWORD m_dwPickedCount = 0;
    DWORD m_dwConsidered = 0;
    SkyLightCubeVertex m_CubeVertices[SKY_LIGHT_CUBE_VERTICES];

    float m_fColorScale[3] = {1.0f, 1.0f, 1.0f}; // "VPLR", "VPLG", "VPLB" over 255
    BYTE m_bPickEveryFrame = 1;                  // "RecalculateLights"

private:
    void ResetParameters();
    void TakeHeader(const SkyLightCacheHeader& header);
    SkyLightCacheHeader Header() const;
    char m_szWorldFile[256] = {};
};

extern CSkyLights g_SkyLights;
