#pragma once
// EEngine: owns the table of scene objects and drives the world once per frame
// for the main loop: the frame clock, the managers' update in a fixed order,
// deferred deletions, drawing, world starts, screenshots and the "Engine"
// section of save games. Every subsystem changes objects through the object
// operations below, which take the handle first and do nothing for null.
//
// The members live in several files: Engine.cpp (frame, world start, keys,
// screenshots), EngineObjects.cpp (the table), EngineObjectOps.cpp (object
// operations), EngineSave.cpp (the save section).

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/WinTypes.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cstdio>

struct BezierFollowState;
struct EObjectActionParams;
struct EDeathParams;
struct EPhysicsDesc;
struct MeshSocketRef;

class EEngine
{
public:
    EEngine();
    virtual ~EEngine();

    // ---- Frame -----------------------------------------------------------------------
    void Init(HWND hwnd);
    // True when a frame is due (at least 1 ms since the last one); sets m_fDeltaTime.
    bool Tick();
    // False when nothing was updated.
    bool Update();
    void PreRender();
    void Render();
    void RenderEffects();
    // The visibility pass (each frame, inside the object logic's update):
    // the visible and detailed-shadow bytes of the objects, decided anew
    // every 0.3 seconds or when forced; then the renderer's frame table (in
    // view, moving, dynamic sun cascade) and its frame flags.
    void BuildSkyShadowLists();
    // The visible byte of a mesh or skinned mesh; without recompute an
    // object that neither moved nor was switched keeps its byte.
    BYTE TestObjectVisibility(HOBJECT object, bool recompute);
    BYTE TestLightVisibility(HOBJECT object);
    // How near the camera an object of this radius gets a detailed sky shadow.
    static float DetailedShadowLimit(float radius);
    // World start: a world without its hero places the camera at its object
    // "camera_start", looking the way the object faces.
    void PlaceStartCamera();
    void RequestWorldChange(const char* name);
    // False when the world file failed (the engine is then reset, no world loaded).
    bool StartWorld(const char* name);
    void ResetWorld();
    // Ties asked for while the world was read, made once every object exists.
    void MakePendingTies();
    void SaveScreenshot();
    void StartGameClock();
    void StopGameClock();
    void SkipCutscene();
    // The developer's keys, read each frame while the setting "developer" is
    // on: F8 a screenshot, Home and End the camera's far plane up and down,
    // F10 the skip of a cut-scene that has run long enough.
    void DeveloperKeys();
    void RequestQuit();
    void Shutdown();
    void OnKeyDown(WPARAM key);
    void OnKeyUp(WPARAM key);
    // The kinds of PreloadFile.
    static constexpr DWORD PRELOAD_TEXTURE = 1;
    static constexpr DWORD PRELOAD_SPRITE = 2;
    static constexpr DWORD PRELOAD_MESH = 4;
    static constexpr DWORD PRELOAD_SOUND = 8;
    static constexpr DWORD PRELOAD_SKINMESH = 16;
    // kind: one of the PRELOAD_ kinds; any other does nothing.
    void PreloadFile(const char* name, DWORD kind);

    // ---- Save games --------------------------------------------------------------------
    // The "Engine" section. False when a write or read failed.
    bool Save(FILE* file);
    bool Load(FILE* file);

    // ---- The object table ----------------------------------------------------------------
    HOBJECT AddObject(EObjectDesc* desc);
    HOBJECT CreateObject(BYTE type, const char* fileName, DWORD flags, DWORD flags2, const float* position,
                         const float* scale);
    void DeleteObject(HOBJECT object);
    // Meshes, skinned meshes and lights by name, without regard to case; with
    // the filter on only types 0, 2 and 6 (never sprites either way).
    HOBJECT FindObject(const char* name, BYTE filter);
    HOBJECT FindObjectByPesel(DWORD time, DWORD random, DWORD slot);
    void SetObjectName(HOBJECT object, const char* name);
    const char* GetNamePrefix(BYTE type) const;
    void LoadNamePrefixes();
    void SaveNamePrefixes();
    void DeleteAllObjects();
    // Deletes every object whose flag word 1 carries the not-important bit.
    void DeleteFlaggedObjects();
    // Deletes every object farther from the camera than the distance.
    void WipeOut(float distance);
    // Deletes every object whose delete-pending byte is set.
    void DeletePendingObjects();
    // Marks for deletion every object in use whose flags carry the
    // not-important bit (0x40); the count.
    int DeleteNotImportantObjects();
    // Marks for deletion every object in use whose file name contains
    // "windows" (without regard to case); the count.
    int DeleteWindowObjects();
    HOBJECT GetObjectBySlot(int slot);
    DWORD GetObjectCount() const { return m_iNumObjects; }
    // ---- Segment filters (world/EngineFilters.cpp) -----------------------------------
    // Static ground and buildings: type 0, not the hero, not the query's
    // user value, no character or kind-16 object, not dead.
    static bool StaticWorldFilter(HOBJECT candidate, RayTestUser user);
    // Static and skinned meshes that are not hidden and not the hero.
    static bool StandardFilter(HOBJECT candidate, RayTestUser user);
    // Only the object passed as the query's user value.
    static bool OneObjectFilter(HOBJECT candidate, RayTestUser user);

    // One past the highest slot used so far in the type's range.
    int GetHighWaterMark(BYTE type) const;

    // ---- Object operations: transform ------------------------------------------------
    void SetObjectPosition(HOBJECT object, const D3DXVECTOR3* position, BYTE keepStart);
    void SetObjectTransform(HOBJECT object, const D3DXVECTOR3* position, const EOrientation* orientation,
                            BYTE keepStart, BYTE moveBody);
    void SetObjectRotation(HOBJECT object, const EOrientation* orientation);
    void GetObjectPosition(HOBJECT object, D3DVECTOR* out);
    void GetObjectOrientation(HOBJECT object, EOrientation* out);
    void SetObjectScale(HOBJECT object, const D3DXVECTOR3* scale);
    void GetObjectScale(HOBJECT object, D3DXVECTOR3* out);
    void SetLightRange(HOBJECT object, float range);

    // ---- Object operations: flags (value, mask) -------------------------------------
    void SetObjectFlags(HOBJECT object, DWORD value, DWORD mask);
    DWORD GetObjectFlags(HOBJECT object);
    void SetObjectFlags2(HOBJECT object, DWORD value, DWORD mask);
    DWORD GetObjectFlags2(HOBJECT object);
    HOBJECT SetObjectFlags3(HOBJECT object, DWORD value, DWORD mask);
    DWORD GetObjectFlags3(HOBJECT object);
    void SetObjectDisappearRange(HOBJECT object, int range);
    int GetObjectDisappearRange(HOBJECT object);

    // ---- Object operations: animation ------------------------------------------------
    bool SetObjectAnimation(HOBJECT object, const char* name, BYTE loop, float blendTime, float speed);
    bool SetSkinMeshAnimation(HOBJECT object, const char* name, BYTE flag, float speed);
    bool SetSkinMeshAnimationSlot2(HOBJECT object, const char* name, BYTE flag, float speed);
    // A face animation by name ("glowa_gada" while a character speaks,
    // "glowa_nie_gada" after): faces have no animation of their own, so
    // nothing changes and the result is false.
    bool SetObjectFaceAnimation(HOBJECT object, const char* name, BYTE loop, float blendTime);
    bool IsObjectHit(HOBJECT object);
    bool CanAnimationBeInterrupted(HOBJECT object);
    bool HasAnimation(HOBJECT object, const char* name);
    bool GetSkinMeshNodePosition(HOBJECT object, const char* node, D3DXVECTOR3* out);
    void UpdateSkinMeshNodes(HOBJECT object);

    // ---- Object operations: physics hand-over ---------------------------------------
    void SetObjectPhysicsDesc(HOBJECT object, const EPhysicsDesc* desc);
    void GetObjectPhysicsDesc(HOBJECT object, EPhysicsDesc* out);
    void PutForceToObject(HOBJECT object, const D3DXVECTOR3* force, float value);
    void RemoveObjectBody(HOBJECT object);
    void SetObjectPathGenParams(HOBJECT object, const float values[5]);
    void GetObjectPathGenParams(HOBJECT object, float values[5]);

    // ---- Object operations: sub-records (copy in, copy out) -------------------------
    void SetObjectDeathParams(HOBJECT object, const EDeathParams* params);
    void GetObjectDeathParams(HOBJECT object, EDeathParams* out);
    void SetObjectActionParams(HOBJECT object, const EObjectActionParams* params);
    void GetObjectActionParams(HOBJECT object, EObjectActionParams* out);
    void SetObjectRoadParams(HOBJECT object, const ERoadParams* params);
    ERoadParams* GetObjectRoadParams(HOBJECT object);
    void SetObjectTexturePaint(HOBJECT object, const ETexturePaintParams* params);
    bool GetObjectTexturePaint(HOBJECT object, ETexturePaintParams* out);
    void SetObjectBlinking(HOBJECT object, const EBlinkingParams* params);
    bool GetObjectBlinking(HOBJECT object, EBlinkingParams* out);
    void SetObjectLightControl(HOBJECT object, const ELightControlParams* params);
    void GetObjectLightControl(HOBJECT object, ELightControlParams* out);
    void SetObjectSound(HOBJECT object, const char* file, float value, const char* condition, BYTE looping);
    // The file (OBJECT_SOUND_FILE_SIZE bytes) and condition
    // (OBJECT_SOUND_CONDITION_SIZE bytes) names and the value; empty when none.
    void GetObjectSound(HOBJECT object, char* file, float* value, char* condition);
    void SetObjectFx(HOBJECT object, const char* name);
    // The object's looping effect while it lives; once it has ended (its slot
    // free or taken by a later effect) the object lets go of it and gets null.
    static EFxInstance* HeldFx(HOBJECT object);
    void SetObjectBushSound(HOBJECT object, const char* file, float range);
    void SetPendingTie(HOBJECT object, const char* socket, const char* target);
    // The tie flag; the socket and object names (OBJECT_TIE_NAME_SIZE bytes each).
    BYTE GetTieInfo(HOBJECT object, char* socket, char* target);

    // ---- Object operations: bezier movement ------------------------------------------
    void SetObjectBezierFollowState(HOBJECT object, const BezierFollowState* state);
    void GetObjectBezierFollowState(HOBJECT object, BezierFollowState* out);
    void StartBezierMoving(HOBJECT object);
    void StopBezierMoving(HOBJECT object);
    bool IsMovingOnBezier(HOBJECT object);
    void SetBezierSpeedMode1(HOBJECT object, double target);
    void SetBezierSpeedMode2(HOBJECT object, double target);
    void SetBezierPaused(HOBJECT object, BYTE paused);

    // ---- Object operations: sprites, sockets, actions, look --------------------------
    void SetSpriteColor(HOBJECT object, DWORD color);
    void SetSpriteColorF(HOBJECT object, float a, float b, float c, float d);
    // `ref`, when given, remembers where a mesh object's socket was found (see MeshSocketsMgr).
    bool GetObjectSocket(HOBJECT object, const char* socket, D3DXMATRIX* out, EOrientation* orientation,
                         MeshSocketRef* ref = nullptr);
    void RunActions(HOBJECT object, int argument);
    // Whether the hero may use the object: 0 not usable, 1 usable now, 2
    // usable once its conditions are met.
    BYTE CanUseObject(HOBJECT object);
    // A bullet hit: true when it left the object at or below zero health.
    BYTE OnObjectHit(HOBJECT object, const D3DXVECTOR3* point, const D3DXVECTOR3* direction, float damage);
    // An explosion of the given power at a point: nearby objects are pushed and hurt.
    void ApplyExplosion(const D3DXVECTOR3* point, float power);
    // A new object of the same kind and file with the object's records; null on failure.
    HOBJECT CopyObject(HOBJECT object);
    // The respawner data of the world ("%s.gen"): the path and place each
    // respawner's characters start from, cached once per world.
    bool RespawnerDataExists();
    void CacheRespawners();
    void SaveRespawners();
    void LoadRespawners();
    // At level frame 100: loads the data, or builds and saves it when missing.
    void StepRespawnerData();
    void RunObjectAction(const char* name, BYTE flag);
    void ForceCameraToLook(HOBJECT from, HOBJECT at);

    // Hides or shows every object of a sector (0 is no sector).
    void SetSectorHidden(DWORD sector, BYTE hidden);
    // Takes the keyboard back (after the console closes, and each frame).
    void AcquireInput();
    // Lets the keyboard go (at a world reset, and while the device is lost).
    void UnacquireInput();
    // The mouse device with its 10 ms window timer, around device loss.
    void CreateMouse();
    void ReleaseMouse();

    // ---- Frame state ---------------------------------------------------------------------
    // Kept in double: the counter runs from boot, and a float of seconds a day
    // in has only 8 ms steps. Frame steps are still handed out as floats.
    double m_fLastTime = 0.0;
    float m_fFpsTime = 0.0f;
    float m_fFps = 0.0f;
    DWORD m_iFpsFrames = 0;
    HWND m_hWnd = nullptr;
    float m_fDeltaTime = 0.0f;
    DWORD m_iFrame = 0;
    BYTE m_bInitialised = 0;
    BYTE m_bWorldLoaded = 0;
    BYTE m_bQuit = 0;
    BYTE m_bWorldChange = 0;
    char m_szNextWorld[128] = {};
    BYTE m_bScreenshot = 0;
    char m_szWorld[256] = {};
    BYTE m_bGameClock = 0;
    float m_fGameClock = 0.0f;
    BYTE m_bSkipCutscene = 0;
    // Press latches of the developer's screenshot and skip keys.
    BYTE m_bScreenshotKeyLatch = 0;
    BYTE m_bSkipKeyLatch = 0;
    // While set, no character sees anything (the characters' sight tests).
    BYTE m_bBlockCharacterSight = 0;
    HOBJECT m_pLookFrom = nullptr;
    HOBJECT m_pLookAt = nullptr;
    DWORD m_dwLookFromFlags = 0; // flag word 1 of the look-from object before the look
    // Set by the pre-render step while something other than the hero drives
    // the camera (a move to an object, a socket, a fly-through);
    // the HUD and the weapons stand back while it is.
    BYTE m_bCameraHeld = 0;

    // ---- Table state -----------------------------------------------------------------------
    static constexpr int NAME_PREFIX_SIZE = 4;
    static constexpr int SCREENSHOT_TRIES = 1000;
    // The developer keys' commands.
    static constexpr int CMD_DEV_SKIP_CUTSCENE = 12;
    static constexpr int CMD_DEV_SCREENSHOT = 13;
    static constexpr int CMD_DEV_FAR_PLANE_UP = 64;
    static constexpr int CMD_DEV_FAR_PLANE_DOWN = 65;

    DWORD m_iNumObjects = 0;
    char m_szNamePrefixes[4][NAME_PREFIX_SIZE] = {};
    int m_iHighMesh = FIRST_MESH_SLOT;
    int m_iHighSkinMesh = FIRST_SKINMESH_SLOT;
    int m_iHighLight = FIRST_LIGHT_SLOT;
    int m_iHighSprite = FIRST_SPRITE_SLOT;
    strObject m_Objects[MAX_OBJECTS];

    // The set-up of a mesh object at world load and respawn that gives it its
    // physics body: static from its flags, or dynamic from its description.
    void RespawnObject(HOBJECT object);
    // Every mesh object of the loaded world through RespawnObject.
    void RespawnObjects();
    // The one-off set-up of an object (once; later calls do nothing): its
    // place in the collision and segment tables, a weapon rack's gun, an
    // empty action record let go, its action sounds loaded ahead, its
    // disappear range and its light list. The body is not its business.
    void PrepareObject(HOBJECT object);
    // "scripts\character_eyes.txt" into the logic's eyes table (emptied
    // first; a missing file leaves it empty).
    void LoadCharacterEyes();
    // Every object of a freshly loaded world, then the segment tables from scratch.
    void PrepareObjects();
    // The object's light list from its light-control record: the first three
    // names that are lights in use.
    void LinkControlledLights(HOBJECT object);

private:
    void VisibilityOfMeshes(bool recompute);
    void VisibilityOfSkinsAndLights(bool recompute);
    void MarkPhysicsObjects();
    int* HighWaterMark(BYTE type);
    // The first free slot of the type's range, or -1 when it is full; a slot
    // freed for the type tells the search where to start next time.
    int FindFreeSlot(BYTE type, int first, int count);
    void NoteFreeSlot(BYTE type, int slot);
    // Per type range: no slot below it is free, as far as adds and deletes tell.
    int m_iFreeSlotHint[4] = {};
    // Builds the object of its Type once the slot is set up; false when it cannot be made.
    bool CreateObjectOfType(HOBJECT object, EObjectDesc* desc);
    void FreeSubRecords(HOBJECT object);
    void ReleaseObjectOfType(HOBJECT object);
    void PostLoadSetup();
    bool LoadObjectRecord(FILE* file);
};

extern EEngine g_Engine;
