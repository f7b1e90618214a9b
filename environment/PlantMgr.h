#pragma once
// EPlantMgr: the world's vegetation. A per-world grass script under
// "scripts\grass" defines plant groups (one plant texture spread in a grid
// over a named mesh object) and terrain grass (tufts of three blades on a
// 1.4-unit grid over the "grass" marker, wherever the ground shows a listed
// texture). Generation traces the scene once and keeps the outcome in the
// world's "<world>.grs" cache; the tufts are sorted into 100-unit sectors,
// built into static buffers and drawn near the camera, bending in the wind.
//
// The files: PlantMgrScript.cpp (script and life cycle), PlantMgrCache.cpp
// (the cache), PlantMgrGenerate.cpp (placing plants and tufts),
// PlantMgrDraw.cpp (sector buffers, drawing and release).

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Renderer.h"
#include "world/IntersectSegment.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <cstdio>
#include <vector>

constexpr int MAX_GRASS = 64;
constexpr int GRASS_NAME_SIZE = 256;
constexpr int GRASS_MESH_SLOTS = 32;
constexpr int GRASS_MESH_NAME_SIZE = 64;
constexpr int MAX_GRASS_MESHES = 31;
constexpr int TGRASS_TEXTURE_SLOTS = 32;
constexpr int TGRASS_TEXTURE_NAME_SIZE = 64;
constexpr int MAX_TGRASS_TEXTURES = 31;
constexpr int TGRASS_TERRAIN_NAME_SIZE = 64;
constexpr int PLANT_CORNERS = 12;

// One plant: two crossed quads standing on a ground point.
struct strPlant
{
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vNormal;
    BYTE bValid;
    D3DXVECTOR3 vCorners[PLANT_CORNERS];
    BYTE bTexCoord[PLANT_CORNERS]; // high nibble u x 8, low nibble v x 8
    BYTE bShade[PLANT_CORNERS];
};

// One plant group: one plant kind on one world mesh object.
struct strGrass
{
    char szName[GRASS_NAME_SIZE];
    TextureIndex iTexture;
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vScale;
    float fDensity; // grid spacing in world units
    float fRadius;
    float fExtentX;
    float fExtentZ;
    DWORD m_Szer;
    DWORD m_Wys;
    DWORD dwTableSize;
    char szMeshes[GRASS_MESH_SLOTS][GRASS_MESH_NAME_SIZE];
    DWORD dwMeshes;
    float fWidth;
    float fHeight;
    float fJitter;
    float fRandom;
    BYTE bHasPlants;
    DWORD dwPlants;
    DWORD dwReserved[2];
    strPlant* pPlants;
};

// One terrain-grass tuft.
struct strTPlant
{
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vNormal;
    DWORD dwColour; // 0x00RRGGBB
    BYTE bUsed;
};

// The terrain grass: where it may grow and the tufts placed.
struct strTGrass
{
    char szTextures[TGRASS_TEXTURE_SLOTS][TGRASS_TEXTURE_NAME_SIZE];
    DWORD dwTextures;
    char szTerrain[TGRASS_TERRAIN_NAME_SIZE]; // empty: any object
    float fMinX, fMinZ, fMaxX, fMaxZ;
    float fStep;
    DWORD dwSzer;
    DWORD dwWys;
    strTPlant* pTPlants;
    DWORD dwTPlants;
};

// A 100 x 100 square of the terrain grass, drawn as one buffer.
struct strTSector
{
    float fMinX, fMinZ, fMaxX, fMaxZ;
    strTPlant* pTPlants;
    DWORD dwTPlants;
    D3DXVECTOR3 vCentre;
    float fRadius;
    IDirect3DVertexBuffer9* pVB;
    DWORD dwTriangles;
};

class EPlantMgr
{
public:
    static constexpr DWORD CACHE_VERSION = 6;
    // The stored records, byte for byte.
    static constexpr size_t GRASS_RECORD = 2400;
    static constexpr size_t PLANT_RECORD = 196;
    static constexpr size_t TGRASS_RECORD = 2152;
    static constexpr size_t TPLANT_RECORD = 32;
    static constexpr float TGRASS_STEP = 1.4f;
    static constexpr float SECTOR_SIZE = 100.0f;
    static constexpr float DRAW_DISTANCE = 100.0f;
    static constexpr DWORD VERTEX_SIZE = 36;
    static constexpr DWORD TUFT_VERTICES = 18;
    static constexpr DWORD TUFT_INDICES = 36;
    // A group or a terrain grid that would need more slots than this is
    // taken for a mistake of the script (a density near 0) or of the cache.
    static constexpr DWORD MAX_GRID_CELLS = 1u << 22;
    static constexpr const char* SCRIPT_FOLDER = "scripts\\grass";
    static constexpr const char* MARKER = "grass";
    static constexpr const char* WIPEOUT = "wipeout";
    static constexpr const char* BLADE_TEXTURE = "spr_trawa00.tga";
    static constexpr const char* BLADE_NORMAL_TEXTURE = "det_skora_normal.tga";
    static constexpr const char* CLOUD_TEXTURE = "tc_clouds.tga";
    static constexpr DWORD CLOUD_STAGE = 15;
    // The allocation tracker's tags.
    static constexpr const char* PLANTS_TAG = "PlantArray";
    static constexpr const char* TPLANTS_TAG = "TGrassPlants";
    static constexpr const char* SECTORS_TAG = "TGrassSectors";
    static constexpr const char* SECTOR_PLANTS_TAG = "TGrassSectorPlants";
    static constexpr const char* VB_TAG = "TGrassVB";
    static constexpr const char* IB_TAG = "TGrassIB";

    EPlantMgr();
    virtual ~EPlantMgr();
    EPlantMgr(const EPlantMgr&) = delete;
    EPlantMgr& operator=(const EPlantMgr&) = delete;

    // ---- Script and life cycle (PlantMgrScript.cpp) ----
    void Reset();
    // Nothing to do each frame: the grass is static once built.
    void Update() {}
    // The first script under "scripts\grass" whose "world" line names the
    // current world in full (case-blind); "" for none. Points into a buffer
    // of the manager.
    const char* FindScript();
    void ParseScript(const char* path);

    // ---- The cache (PlantMgrCache.cpp) ----
    // "<world>.grs"; "" when the name does not fit.
    static const char* GetCacheFileName();
    bool LoadCache();
    void SaveCache();
    // The bytes of the cache as SaveCache writes them.
    void CacheBytes(std::vector<BYTE>& out) const;
    // Reads a whole cache from memory; false (nothing changed) for anything
    // that does not fit.
    bool ReadCache(const BYTE* bytes, size_t length);

    // ---- Generation (PlantMgrGenerate.cpp) ----
    void BuildGrass(bool cacheOnly = false);
    bool GenerateGrass(bool cacheOnly);
    void CreatePlantQuads(strPlant* plant, const strGrass* group);
    void GenerateTGrass();
    void CreateAndFillTSectors();

    // ---- Buffers, drawing, release (PlantMgrDraw.cpp) ----
    void CreateTSectorBuffers();
    void FillTSectorTuft(DWORD sector, DWORD tuft, int variant, BYTE* vertices, DWORD* indices);
    void RenderTGrass();
    void RenderGrass();
    // Begins the grass techniques of a pass effect ("skylightF" when `fast`,
    // "skylight" otherwise) with the camera, the wind and the alpha-tested
    // states; the caller binds its textures and world and draws.
    static void BeginGrassTechnique(EEffect* effect, bool fast);
    // The texture's index, or none when the data tree lacks it.
    static TextureIndex KnownTexture(const char* name);
    void Release();
    void FreeGroups();
    void FreeTGrass();
    // Whether a sector is near enough to draw: its centre within the draw
    // distance of the eye, across the ground only.
    static bool SectorInReach(const strTSector& sector, const D3DXVECTOR3& eye);

    DWORD m_dwVersion = CACHE_VERSION;
    strGrass m_Grass[MAX_GRASS];
    DWORD m_dwGrass = 0;
    strTGrass m_TGrass;
    strTSector* m_pTSectors = nullptr;
    DWORD m_dwTSectors = 0;
    IDirect3DIndexBuffer9** m_pTGrassIB = nullptr;
    // This world's grass is built: a second build (a save of the running
    // world loaded) leaves it as it is. Release clears it.
    BYTE m_bBuilt = 0;
    // Sectors drawn by the last pass, for the statistics.
    DWORD m_dwDrawnSectors = 0;

private:
    // The pass both paths share.
    void RenderTerrainGrass(bool fast);
    // A trace down from `from` to `to`: the first hit through the filter.
    static bool TraceDown(const D3DXVECTOR3& from, const D3DXVECTOR3& to, RayTestFilter filter, HOBJECT only,
                          RayTestResult* hit);
    // The ambient probe draws the listed ground textures white and every
    // other one black: `mark` sets that, false clears every mark again.
    void MarkGroundTextures(bool mark);
    // Whether the ground under the hit shows one of the marked textures, as
    // the probe sees it from above.
    static bool ShowsGroundTexture(const RayTestResult& hit, HOBJECT terrain);
    void SplitGroups();
    void StartGroup(const char* name);
    void FreeSectors();
    bool FitGroupGrid(strGrass& g, const char* path) const;

    char m_szScript[256] = {};
    // After a refused "grows" line, the lines up to the next "grows" belong
    // to no group.
    bool m_bSkipGroup = false;
};

extern EPlantMgr g_PlantMgr;
