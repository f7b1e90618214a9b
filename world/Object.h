#pragma once
// The scene-object record and what goes with it: the object types and their
// slot ranges in the engine's table, the description callers fill before
// adding an object, and the small per-object records the object operations
// copy in and out. Everything here is plain data; EEngine owns the table.
//
// These are the in-memory records of this build. Save games store them in
// the 32-bit little-endian layout written by world/ObjectRecordIO.cpp, never
// by copying these structs.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct strmesh;
struct strSound;
struct EFxInstance;
struct BezierFollowState;
struct EObjectActionParams;
struct EDeathParams;

// ---- Object types and their slot ranges ------------------------------------------
constexpr BYTE OT_MESH = 0;
constexpr BYTE OT_LIGHT = 2;
constexpr BYTE OT_SPRITE = 5;
constexpr BYTE OT_SKINMESH = 6;

constexpr int MAX_OBJECTS = 4200;
constexpr int FIRST_MESH_SLOT = 0;
constexpr int MAX_MESH_OBJECTS = 3400;
constexpr int FIRST_SKINMESH_SLOT = 3400;
constexpr int MAX_SKINMESH_OBJECTS = 400;
constexpr int FIRST_LIGHT_SLOT = 3800;
constexpr int MAX_LIGHT_OBJECTS = 300;
constexpr int FIRST_SPRITE_SLOT = 4100;
constexpr int MAX_SPRITE_OBJECTS = 100;
// Lookups by name and by PESEL, and the per-object passes, cover meshes,
// skinned meshes and lights: the slots below the sprites.
constexpr int NAMED_OBJECT_SLOTS = 4100;

// A type's slots [first, first + count); false for a type without slots.
bool GetObjectSlotRange(BYTE type, int* first, int* count);

// ---- Field sizes -------------------------------------------------------------------
constexpr int OBJECT_NAME_SIZE = 128;
constexpr int OBJECT_NAME_MAX = 126; // characters kept of a name
constexpr int OBJECT_FILE_NAME_SIZE = 128;
constexpr int OBJECT_FILE_NAME_MAX = 126;
constexpr int OBJECT_ANIMATION_SIZE = 64;
constexpr int OBJECT_TIE_NAME_SIZE = 64;
constexpr int OBJECT_FX_NAME_SIZE = 64;
constexpr int OBJECT_MAX_LIGHTS = 3;

// Flag word 1 bits with a meaning in the table itself.
constexpr DWORD OF_PHYSICS = 0x1;        // mirrored into bFlag0
constexpr DWORD OF_REFRESH_MESH = 0x4;   // a mesh refreshes its transform when it is newly set
constexpr DWORD OF_NOT_IMPORTANT = 0x40; // deleted after the world loads unless "DrawNotImportant"
constexpr DWORD OF_NO_SEGMENT = 0x80;    // out of segment tests

// ---- The description of an object to add -----------------------------------------
struct EObjectDesc
{
    EObjectDesc() { Reset(); }
    void Reset();

    BYTE Type;
    DWORD dwFlags;
    DWORD dwFlags2;
    DWORD dwFlags3;
    char szFileName[OBJECT_FILE_NAME_SIZE];
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vScale;
    EOrientation Orientation;
    float fRadius;     // lights: range
    float fLightValue; // lights: intensity
    float fValue1;
    float fValue2;
    float fValue3;
    float fConeAngle;
    float fDisappearRange; // for lights 0 means 80
};

// ---- Per-object records -------------------------------------------------------------
// Movement along a bezier path; every object has one.
struct BezierMoveState
{
    BezierMoveState() { Reset(); }
    void Reset();

    BYTE bActive;
    D3DXQUATERNION qRotation;
    DWORD iNode;
    DWORD iNextNode;
    DWORD iSegment;
    double dTime;
    double dParam;
    double dDistance;
    D3DXVECTOR3 vVelocity;
    EOrientation Orientation;
    BYTE bFlag1;
    double dValue;
    BYTE bRunning;
    BYTE bFlag2;
    DWORD iCount;
    BYTE bFlag3;
    double dValue2;
    DWORD iSpeedMode;
    double dSpeed;
    double dTargetSpeed;
};

constexpr int ROAD_PREFABS = 10;
constexpr int ROAD_NAME_SIZE = 256;

// Road fences and the road strip of a terrain mesh.
struct ERoadParams
{
    ERoadParams() { Reset(); }
    void Reset();

    BYTE bLeftUsed;
    BYTE bLeftFlag2;
    char szLeftPrefabs[ROAD_PREFABS][ROAD_NAME_SIZE];
    BYTE bRightUsed;
    BYTE bRightFlag2;
    char szRightPrefabs[ROAD_PREFABS][ROAD_NAME_SIZE];
    float fLeftWidth;
    float fRightWidth;
    BYTE bRoadFlags[2];
    char szRoadTexture[ROAD_NAME_SIZE];
    float fRoadValues[4];
};

constexpr int TEXTURE_PAINT_SLOTS = 3;
constexpr int TEXTURE_PAINT_SUBSETS = 16;
constexpr int TEXTURE_PAINT_NAME_SIZE = 256;

// Painted texture layers of a mesh.
struct ETexturePaintParams
{
    ETexturePaintParams() { Reset(); }
    void Reset();

    BYTE bUsed[TEXTURE_PAINT_SLOTS];
    char szTextures[TEXTURE_PAINT_SLOTS][TEXTURE_PAINT_NAME_SIZE];
    BYTE bSubsetUsed[TEXTURE_PAINT_SUBSETS][TEXTURE_PAINT_SUBSETS];
    float fAddColor[TEXTURE_PAINT_SLOTS][3];
    float fAddSaturation[TEXTURE_PAINT_SLOTS];
    float fBrightness[TEXTURE_PAINT_SLOTS];
    float fSpare[6];
    float fDensity[TEXTURE_PAINT_SLOTS];
    float fSharpness[TEXTURE_PAINT_SLOTS];
};

// A blinking light or mesh (world key "blinking1"): a switch and six values.
struct EBlinkingParams
{
    EBlinkingParams() { Reset(); }
    void Reset();

    BYTE bEnabled;
    float fValues[6];
};

constexpr int LIGHT_CONTROL_NAMES = 32;
constexpr int LIGHT_CONTROL_NAME_SIZE = 32;

// The lights a mesh switches with its own state.
struct ELightControlParams
{
    ELightControlParams() { Reset(); }
    void Reset();

    BYTE bEnabled;
    BYTE bFlag2;
    char szLights[LIGHT_CONTROL_NAMES][LIGHT_CONTROL_NAME_SIZE];
};

constexpr int OBJECT_SOUND_FILE_SIZE = 260;
constexpr int OBJECT_SOUND_CONDITION_SIZE = 256;

// A sound that plays at the object: the object's update starts it.
struct EObjectSound
{
    EObjectSound() { Reset(); }
    void Reset();

    strSound* pSound;
    char szFile[OBJECT_SOUND_FILE_SIZE];
    float fValue;                                  // the range
    char szCondition[OBJECT_SOUND_CONDITION_SIZE]; // plays only while this variable is set
    BYTE bLooping;
};

// ---- The scene object ----------------------------------------------------------------
// One slot of the table; every field zero while the slot is free (the
// orientations hold the identity).
struct strObject
{
    BYTE bUsed;
    int iIndex;
    BYTE Type;
    DWORD dwFlags;
    DWORD dwFlags2;
    DWORD dwFlags3;
    BYTE bSaved;
    BYTE bLoadedMark;
    BYTE bPlacedObject;
    ERoadParams* pRoadParams;
    void* pPhysicsBody;
    strmesh* pMeshEntry;
    D3DXVECTOR3 vPosition;
    EOrientation Orientation;
    void* Object; // EMesh, ESkinMesh or the sprite entry, by Type
    DWORD PESEL[3];
    char szName[OBJECT_NAME_SIZE];
    char szAnimation[OBJECT_ANIMATION_SIZE];
    BYTE bAnimationLoop;
    char szFileName[OBJECT_FILE_NAME_SIZE];
    char szMeshFileName[OBJECT_FILE_NAME_SIZE];
    BYTE bTied;
    char szTieSocket[OBJECT_TIE_NAME_SIZE];
    char szTieObject[OBJECT_TIE_NAME_SIZE];
    HOBJECT pTiedTo;
    int iDisappearRange;
    float fHealth;
    float fLightValue;
    float fLightValue2;
    BYTE bLightCacheValid;
    BYTE bHasShadowSlot;
    D3DXVECTOR3 vStartPosition;
    HOBJECT pLinked1;
    HOBJECT pLinked2;
    BYTE bLinked;
    ETexturePaintParams* pTexturePaint;
    DWORD iNumLights;
    BYTE bFlag0;
    BYTE bIsLight;
    BYTE bIsLight2;
    EObjectSound* pSound;
    char* pFxName; // OBJECT_FX_NAME_SIZE bytes
    // The object's looping effect: read only through EEngine::HeldFx, which
    // checks that the pool's record still holds the start it was given.
    EFxInstance* pFx;
    DWORD iFxStart;
    BYTE bEffectObject; // a mesh an effect made (and muzzle-flash lights)
    BYTE bSelected;     // marked by the object-info overlay
    EObjectActionParams* pActionParams;
    EDeathParams* pDeathParams;
    float fRadius;
    HOBJECT apLights[OBJECT_MAX_LIGHTS];
    BYTE bDeletePending;
    void* pSprite;
    BezierFollowState* pBezierFollow;
    BezierMoveState* pBezierMove;
    char* pPendingTieSocket; // OBJECT_TIE_NAME_SIZE bytes
    char* pPendingTieObject;
    EBlinkingParams* pBlinking;
    ELightControlParams* pLightControl;

    // Values every object starts with; the per-object logic gives them their use.
    int iIndex2;         // a second copy of the slot number
    DWORD dwStartDword;  // 256
    float fStartAngle;   // 2 pi
    BYTE bStartByte;     // 0xFF
    float fStartOnes[3]; // 1.0 each

    // What a world file sets beyond the table's own fields.
    BYTE bFromWorldFile; // made by a world file's object line
    BYTE bTerrainMesh;
    BYTE bRoadMesh;
    int iEditorDisplayRadius;
    BYTE bLandMine;
    BYTE bIgnorePlayerVisibility; // lights
    D3DXVECTOR3 vLightColor;      // lights: red, green, blue
    BYTE bLinearScatter;          // lights
    EOrientation StartOrientation;
    BYTE bRotationSet;
    DWORD ContainerPESEL[3];
    BYTE bIsTree;
    BYTE bSectorIndex;
    BYTE bItemDropped;

    // The collision manager's record of this object while it is registered.
    int iCollisionRecord;
    BYTE bCollisionRegistered;

    // Where the segment tests hold this object (a skinned object's entry is
    // in iIntersectIndex), and whether it takes part in them at all.
    int iIntersectIndex;
    int iSeeThroughIndex;
    int iHeroStickIndex;
    BYTE bSegmentRegistered;

    // The per-object logic: scripted actions, their moves and timers. Saved
    // with the object (world/ObjectLogicIO.cpp).
    BYTE bHidden;           // hidden with its sector
    BYTE bActionRunning;    // a run is under way; cleared when its moves are done
    BYTE bActionHasRun;     // the actions have run at least once
    BYTE bActionToggled;    // 0: default state, 1: destination state
    float fSinceLastAction; // seconds since the last run
    float fActionRunTime;   // seconds since the last run, counted while it runs
    BYTE bHandOnPending;    // a delayed hand-on waits
    float fHandOnTimer;     // seconds the hand-on has waited
    BYTE bCameraTurned;     // the actions turned the camera to this object
    BYTE bShooting;         // the object shoots (action_shoot_general)
    int iShotInterval;
    int iShotCount;
    float fShotTimer;
    // Its bullets spare the characters near it.
    BYTE bSpareNearby;
    float fDeathWait; // seconds until a delayed kill; 0 none
    float fDoorAngle; // the angle (degrees) the door swings to
    float fDoorSwing; // the angle (degrees) it stands at
    BYTE bKnob;       // the door's knob turns
    float fKnobTimer;
    BYTE bLightOff;                     // a light switched off by the actions
    DWORD dwLightColor;                 // the packed tint blinking gives a light
    D3DXVECTOR3 vMoveOffset;            // the action movement from the start position
    float fMoveDistance;                // how far along it the object is
    float fRotation[3];                 // action rotation angles (degrees)
    EOrientation ActionBaseOrientation; // the orientation turns and door swings start from
    BYTE bActionBaseSet;
    float fLifetime; // seconds until the object goes; 0 for ever
    float fGeneralTimer;
    BYTE bPassBlockers;    // may pass through blockers
    float fCameraDistance; // distance to the camera this frame
    float fHeroDistance;   // distance to the hero this frame
    BYTE bUpdatable;       // the object needs the per-frame update
    BYTE bKeepUpdated;     // updated however far away (a thrown grenade's fuse)
    BYTE bUpdatableComputed;
    BYTE bTooFar;     // beyond its disappear range this frame
    BYTE bSkippedFar; // skipped as not important and far
    BYTE bRefresh;

    // Damage, death and respawn.
    BYTE bDead;     // death happens once
    BYTE bExploded; // killed by an explosion
    BYTE bFalling;  // falls after its death
    D3DXVECTOR3 vFallVelocity;
    float fFallTimer[2];
    BYTE bCreatedOnDeath; // a wreck that replaced a dead object
    int iRespawnCount;    // characters this respawner has made
    float fRespawnTimer;
    BYTE bRespawnCached;         // the path manager found its path and place
    int iRespawnPath[3];         // the cached path's identifiers
    int iRespawnPlace;           // the cached place on it
    float fBlinkTimer;           // seconds to the next blink
    BYTE bBlinkOn;               // the blinking light is in its bright half
    DWORD TiedToPesel[3];        // the PESEL of the object tied to, when it was found
    EOrientation TieOrientation; // turns the socket's orientation when bUseTieOrientation is set
    BYTE bUseTieOrientation;
    BYTE bLockOrientation; // the tie step leaves the object's orientation alone
    BYTE bTieReported;     // the tie step has said what it misses

    // Visibility, worked out by the visibility pass every 0.3 seconds (and
    // every frame while it is forced), and the one-off preparation.
    BYTE bVisible;               // drawn this frame
    BYTE bInFront;               // the camera looks away from it
    BYTE bDrawn;                 // follows the visible byte
    BYTE bKeepVisible;           // small far objects stay visible
    BYTE bDetailedShadowRequest; // may get a detailed sky shadow when near
    BYTE bDetailedShadow;        // gets one this frame
    BYTE bPrepared;              // the object preparation has run
    BYTE bLastFlag0;             // bit 0 of flag word 1 when the visibility was last decided
    D3DXVECTOR3 vLastPosition;   // the position then
    float fLodTimer;             // seconds until the level of detail is picked again
    float fSecondTimer;          // a one-second timer of skinned meshes and lights

    // Physics culling: the body goes beyond "PhysicsDisableDistance" and comes back nearer.
    BYTE bPhysicsCulling;
    BYTE bPhysicsOff;
    float fSoundTimer; // a periodic sound's time since it last played

    // Helicopters. The battle word sends a scripted helicopter against the
    // background battlefield's nests instead of the hero. The two state bytes:
    // the helicopter flies in the background battlefield (it never shoots at
    // the hero) and is on its outward pass (it leaves the nests alone).
    DWORD dwBattle;
    BYTE bHeliFlying;
    BYTE bHeliOutward;
};
