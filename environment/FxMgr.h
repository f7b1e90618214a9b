#pragma once
// EFxMgr: the particle effects. It owns the effect definitions read from
// "afx\*.afx", a fixed pool of live effects that every gameplay subsystem
// starts by name, on an object's socket or from a definition it filled, their
// per-frame update and their drawing in batches. One global: FX.
//
// The members live in several files: FxMgr.cpp (the pool and starts),
// FxDefs.cpp (definitions and the afx reader), FxUpdate.cpp (the frame
// update), FxProjectiles.cpp (bullets, shells, rockets and the other special
// movers), FxDraw.cpp (sparks and sprite batches).

#include "environment/FxInstance.h"

#include <cstdio>

constexpr int MAX_FXCACHE = 1024;
constexpr int MAX_FX = 512;
constexpr int FX_FREE_SLOTS = 32;
constexpr int FX_BATCHES = 1024;
constexpr DWORD FX_MAX_DECALS = 240;
constexpr int FX_BLOOD_DROPS = 32;
constexpr int FX_BLOOD_DROP_NAME_SIZE = 64;
constexpr int FX_DISTORTIONS = 16;
constexpr DWORD FX_MAX_SPARKS = 128;
constexpr DWORD FX_SPARK_VERTICES = 18;
constexpr DWORD FX_SPARK_VERTEX_SIZE = 16;
constexpr DWORD FX_SPARK_VB_SIZE = FX_MAX_SPARKS * FX_SPARK_VERTICES * FX_SPARK_VERTEX_SIZE;
constexpr DWORD FX_SPRITE_VERTEX_SIZE = 24;
constexpr DWORD FX_BATCH_VB_SIZE = FX_BATCH_LIST * 6 * FX_SPRITE_VERTEX_SIZE;

// One blood-drop texture list.
struct EFxBloodDrops
{
    char m_szNames[FX_BLOOD_DROPS][FX_BLOOD_DROP_NAME_SIZE];
    DWORD m_iCount;
};

class EFxMgr
{
public:
    EFxMgr();
    virtual ~EFxMgr() = default;
    EFxMgr(const EFxMgr&) = delete;
    EFxMgr& operator=(const EFxMgr&) = delete;

    // ---- Definitions ----------------------------------------------------------------
    void LoadAll();
    void LoadFxDef(const char* path);
    EFxDef* FindFxDef(const char* name);
    void ResolveChildren();
    // One console line for each definition whose children lead back to it.
    void ReportChildCycles();
    void LoadBloodDrops();
    void LoadBloodDropTextures();
    void CheckTextureBlend();

    // ---- Starting and ending ------------------------------------------------------
    EFxInstance* CreateFx(const EFxDef* def, HOBJECT object, const char* socket, BYTE userFlag);
    EFxInstance* CreateFxFromDef(const EFxDef* def, const D3DXVECTOR3* pos, const EOrientation* orientation);
    EFxInstance* CreateFxByName(const char* name, const D3DXVECTOR3* pos, const EOrientation* orientation);
    EFxInstance* CreateFxByNameOnObject(const char* name, HOBJECT object, const char* socket, BYTE userFlag);
    void ReleaseFx(EFxInstance* fx);
    void ReleaseAllFx();
    void StartFxPhysics(EFxInstance* fx);
    void CreateBombFx(const D3DXVECTOR3* pos, const D3DXVECTOR3* dir);
    void CreateMortarExplosion(HOBJECT skip, const D3DXVECTOR3* point, bool big);
    // The reserved record every refused start returns.
    EFxInstance* Reserved() { return &m_Fx[0]; }

    // ---- Level and device ---------------------------------------------------------
    void Init();
    void Release();
    void OnLostDevice();
    void OnResetDevice();

    // ---- Frame ------------------------------------------------------------------------
    void Update();
    void UpdateFx(EFxInstance* fx);
    void BuildSparks();
    void DrawSparks();
    void UpdateSprites();
    void DrawSpriteBatches();
    void Render();
    void RefillFreeList();

    // ---- Special movers (true = over) ----------------------------------------------
    bool UpdateBullet(EFxInstance* fx);
    void UpdateShell(EFxInstance* fx);
    bool UpdateRocket(EFxInstance* fx);
    bool UpdateGrenade(EFxInstance* fx);
    bool UpdateBomb(EFxInstance* fx);
    bool UpdateBloodDrop(EFxInstance* fx);
    void UpdateLightSprite(EFxInstance* fx);
    void UpdateSpin(EFxInstance* fx);
    void UpdateFireSound(EFxInstance* fx);
    DWORD GetSpriteColor(const EFxInstance* fx) const;
    DWORD GetSpriteColorPart(const EFxInstance* fx) const;
    DWORD GetSpriteAlpha(const EFxInstance* fx) const;

    // ---- State --------------------------------------------------------------------------
    DWORD m_iEvictableCount = 0;
    EFxBloodDrops m_BloodDrops[2] = {};
    DWORD m_iDistortionCount = 0;
    EFxInstance m_Fx[MAX_FX];
    DWORD m_iFreeSlots[FX_FREE_SLOTS] = {};
    DWORD m_dwSparkFVF;
    IDirect3DVertexBuffer9* m_pSparkVB = nullptr;
    DWORD m_iSparkCount = 0;
    BYTE m_bSparksLive = 0;
    EFxSpriteBatch m_Batches[FX_BATCHES];
    float m_fFrameTime = 0.0f;
    EFxDef m_Defs[MAX_FXCACHE];
    DWORD m_iDrawnCount = 0;
    DWORD m_iDecalCount = 0;
    BYTE m_bMortarExplosion = 0;
    DWORD m_iStarts = 0; // effects started, the last one's m_iStart

private:
    // Clears the definitions and the pool without releasing anything.
    void ClearAll();
    void ReleaseDeviceObjects();
    void CreateSparkBuffer();
    EFxInstance* PlaceChild(const EFxInstance* parent, EFxDef* child);
    bool ChildrenHeldBack(const EFxInstance* fx) const;
    void Hurt(EFxInstance* fx);
    void ReportBlend(FILE* file, const EFxDef& def);
    void FillBatch(EFxSpriteBatch* batch, const D3DXVECTOR3& right, const D3DXVECTOR3& up);

    // Scratch definitions: starts from a copied definition, and the children.
    EFxDef m_FromDef;
    EFxDef m_EveryDef;
    EFxDef m_AfterDef;
};

extern EFxMgr FX;
// The name the engine and game code first knew the manager by.
inline EFxMgr& g_FxMgr = FX;

// Segment trace through the scene: 0 no hit, 1 a static mesh, 2 anything
// else. On a hit from becomes the hit point and to the surface normal.
int TraceSegment(D3DXVECTOR3* from, D3DXVECTOR3* to, HOBJECT skip1, BYTE skipKind4, HOBJECT skip2,
                 BYTE skipCharacters, BYTE skipKind16, BYTE queryOption);
