#pragma once
// EObjectMgr: a world's placed objects. The companion file "<world>.om"
// scatters many copies of a few meshes in groups, one group per mesh file.
// Only the copies (instances) within their group's switch distance of the
// camera exist as scene objects; as the camera moves they are created and
// deleted again. Far instances of a sprite group are drawn as two crossed
// quads textured with the group's cell of one 4096 x 4096 impostor atlas.
// Per-group settings come from "scripts\multiple_objects.txt" by substring
// of the mesh name.
//
// The members live in ObjectMgr.cpp (the wildcards, the ".om" reader, the
// instance pass and the sprites) and ObjectMgrAtlas.cpp (the device
// resources, the atlas build and the sprite passes).

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <functional>
#include <vector>

constexpr int MAX_OBJECTMGR_WILDCARDS = 128;
constexpr int OBJECTMGR_PATTERN_SIZE = 128;
constexpr DWORD MAX_OBJECTMGR_GROUPS = 65536;
// Groups whose mesh bounds are kept (the sprites' size comes from them).
constexpr DWORD OBJECTMGR_BOUNDED_GROUPS = 256;
constexpr int OBJECTMGR_GROUP_NAME_SIZE = 255;
constexpr int OBJECTMGR_INSTANCE_NAME_SIZE = 64;
// The ".om" records.
constexpr size_t OM_GROUP_RECORD_SIZE = 280;
constexpr size_t OM_INSTANCE_RECORD_SIZE = 252;
// The impostor atlas: 64 cells of 512 x 512.
constexpr UINT OBJECTMGR_ATLAS_SIZE = 4096;
constexpr UINT OBJECTMGR_CELL_SIZE = 512;
constexpr float OBJECTMGR_CELL_UV = 0.125f;
// The sprite buffer: 12 vertices of 36 bytes per sprite.
constexpr DWORD OBJECTMGR_MAX_SPRITES = 4500;
constexpr DWORD OBJECTMGR_SPRITE_VERTICES = 12;
constexpr DWORD OBJECTMGR_VERTEX_SIZE = 36;
constexpr DWORD OBJECTMGR_VB_SIZE = OBJECTMGR_MAX_SPRITES * OBJECTMGR_SPRITE_VERTICES * OBJECTMGR_VERTEX_SIZE;
// The instance pass runs once the camera has moved this far.
constexpr float OBJECTMGR_MOVE_STEP = 4.0f;
// Level frame from which instances become objects.
constexpr DWORD OBJECTMGR_FIRST_FRAME = 120;
constexpr float OBJECTMGR_DEFAULT_DISTANCE = 100.0f;

// One line of "scripts\multiple_objects.txt".
struct EObjectWildcard
{
    char szPattern[OBJECTMGR_PATTERN_SIZE];
    float fDistance;
    BYTE bSprites;
    BYTE bFlagBits;
};

// One placed copy of a group's mesh.
struct EPlacedInstance
{
    HOBJECT hObject; // the scene object while it exists
    DWORD Pesel[3];  // of that object, to tell it from a later one in its slot
    BYTE bGone;      // its object was deleted by others: not made again until out of range
    char szName[OBJECTMGR_INSTANCE_NAME_SIZE];
    D3DXVECTOR3 vPosition;
    EOrientation Orientation;
    D3DXVECTOR3 vScale;
    DWORD dwFlags;
    DWORD dwFlags2;
    DWORD dwState; // the object's dead byte while it has none
    float fSize;
    BYTE bFarVisible;
};

// One mesh file and its instances.
struct EPlacedGroup
{
    char szName[OBJECTMGR_GROUP_NAME_SIZE];
    BYTE bFlagBits;
    std::vector<EPlacedInstance> Instances;
    float fDistance;
    DWORD bSprites;
    float fAtlasU;
    float fAtlasV;
};

// One sprite vertex as the grass passes read it.
struct EObjectSpriteVertex
{
    D3DXVECTOR3 vPosition;
    DWORD dwColor;
    D3DXVECTOR3 vNormal;
    float u, v;
};
static_assert(sizeof(EObjectSpriteVertex) == OBJECTMGR_VERTEX_SIZE,
              "the vertex is read by the device as it is");

class EObjectMgr
{
public:
    EObjectMgr();
    virtual ~EObjectMgr();
    EObjectMgr(const EObjectMgr&) = delete;
    EObjectMgr& operator=(const EObjectMgr&) = delete;

    // ---- Wildcards -----------------------------------------------------------------------
    void LoadWildcards();
    const EObjectWildcard* FindWildcard(const char* name) const;

    // ---- Groups and instances --------------------------------------------------------------
    // Reads "<world>.om"; a missing, cut or damaged file leaves no groups.
    bool LoadOm(const char* world);
    // Reads the placed objects from the bytes of a ".om" file; the name is
    // for the console lines. False (and no groups) when they are refused.
    bool ReadOm(const BYTE* data, size_t size, const char* name);
    void ReleaseGroups();
    EPlacedGroup* FindGroup(const char* name);
    EPlacedInstance* FindInstance(HOBJECT object);
    DWORD GroupCount() const { return static_cast<DWORD>(m_Groups.size()); }
    EPlacedGroup* Group(DWORD i) { return i < m_Groups.size() ? &m_Groups[i] : nullptr; }

    // ---- The object setters keep the instance in step ---------------------------------
    void SyncPosition(HOBJECT object);
    void SyncScale(HOBJECT object);
    void SyncOrientation(HOBJECT object);
    void SyncFlags(HOBJECT object);
    void SyncFlags2(HOBJECT object);

    // ---- World and frame ---------------------------------------------------------------------
    void Init();
    void Reset();
    void Update();
    // The instance pass from a camera position (the update's work once it moved).
    void UpdateInstances(const D3DXVECTOR3& camera);
    void ForceUpdate() { m_vCamera.y = kForcedY; }
    // Builds the impostor atlas once after each load.
    void Render();
    // The sprite passes of the two scene paths: every far instance of the
    // sprite groups in one draw, "RenderTGrass" of "skylightF" (Fast) or of
    // "skylight" (Realistic), with the atlas in stage 0.
    void RenderTGrassPass();
    void RenderGrassPass();

    // ---- Sprites -----------------------------------------------------------------------------
    void RebuildSprites(const D3DXVECTOR3& camera);
    DWORD SpriteCount() const { return m_iSprites; }
    const std::vector<EObjectSpriteVertex>& SpriteVertices() const { return m_Vertices; }
    // Gives every sprite group with instances its atlas cell in order, each
    // drawn by `draw` (group, cell x, cell y in pixels) when one is given;
    // false once the cells ran out (the later groups keep their file's cells).
    bool PlaceCells(const std::function<void(DWORD, UINT, UINT)>& draw = {});

    EObjectWildcard m_Wildcards[MAX_OBJECTMGR_WILDCARDS] = {};
    int m_iWildcards = 0;
    D3DXVECTOR3 m_vMin[OBJECTMGR_BOUNDED_GROUPS] = {};
    D3DXVECTOR3 m_vMax[OBJECTMGR_BOUNDED_GROUPS] = {};
    BYTE m_bAtlasRendered = 0;
    BYTE m_bAtlasFailed = 0; // tried since the last load and failed: not again
    BYTE m_bSpritesDirty = 0;
    IDirect3DTexture9* m_pTexture = nullptr;
    IDirect3DVertexBuffer9* m_pVB = nullptr;
    // Objects created and deleted by the instance passes since the load.
    DWORD m_iCreated = 0;
    DWORD m_iDeleted = 0;
    // Sprites drawn by the last sprite pass.
    DWORD m_iDrawnSprites = 0;

private:
    static constexpr float kForcedY = -9999999.0f;

    HOBJECT CreateInstanceObject(DWORD group, EPlacedInstance& instance);
    void SwitchOut(EPlacedInstance& instance);
    void AddSprite(DWORD group, const EPlacedInstance& instance, const D3DXVECTOR3& normal);
    void ReleaseDeviceResources();
    bool RenderAllObjects();
    bool DrawCells(IDirect3DTexture9* target, IDirect3DSurface9* depth);
    bool CopyAtlas(IDirect3DTexture9* target, IDirect3DTexture9* temp);
    void RenderObject(HOBJECT object);
    void RenderSprites(bool fast);

    D3DXVECTOR3 m_vCamera = {0.0f, kForcedY, 0.0f};
    std::vector<EPlacedGroup> m_Groups;
    std::vector<EObjectSpriteVertex> m_Vertices;
    DWORD m_iSprites = 0;
    BYTE m_bSpriteLimitTold = 0;
    BYTE m_bBoundsLimitTold = 0;
};

extern EObjectMgr g_ObjectMgr;
