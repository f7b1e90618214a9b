#pragma once
// EEngineObject: the per-frame logic of the scene objects. Each frame it walks
// the object table, triggers objects' actions when the hero walks into them,
// moves, turns and swings objects whose actions run, counts down delayed
// deaths and lifetimes, and hands on actions from one object to the next. The
// action interpreter (RunActions) lives in EngineObjectActions.cpp.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectActionParams.h"
#include "world/ObjectHandle.h"

#include <cstdio>
#include <vector>

struct strSound;

// The eyes of one character model (scripts\character_eyes.txt).
struct strCharacterEyes
{
    static constexpr int NAME_SIZE = 256;
    static constexpr int VALUE_SIZE = 64;
    char szModel[NAME_SIZE];
    char szLeft[NAME_SIZE];
    char szLeft2[VALUE_SIZE];
    char szRight[NAME_SIZE];
    char szRight2[VALUE_SIZE];
};

class EEngineObject
{
public:
    static constexpr int TARGET_NAME_SIZE = 128;
    // Action runs one frame may make (hand-ons included). A chain of objects
    // that hand on to each other without a pause stops here with a console
    // line; the rest run in later frames.
    static constexpr int MAX_ACTION_RUNS_PER_FRAME = 256;
    // Hand-ons that may nest inside one run.
    static constexpr int MAX_ACTION_DEPTH = 32;

    EEngineObject();
    virtual ~EEngineObject() = default;

    // ---- Frame ----------------------------------------------------------------------
    void Update();
    void UpdateObjects();
    // Renews the random offsets (each a random sign times a random size).
    void RandomiseOffsets();
    BYTE m_bStarted = 0; // the level's start-up has finished
    // At world start, once the objects are set up: the characters' eyes table.
    void Init();
    // The event script's "light state NAME": one console line "Light NAME on",
    // "off" or "missing".
    static void RegisterScriptActions();
    // At world reset.
    void Release();
    void ResetWorldState();

    // ---- Actions ---------------------------------------------------------------------
    // heroTriggered: the hero walked into or used the object.
    void RunActions(HOBJECT object, int heroTriggered);
    void RunObjectActions(HOBJECT object, BYTE heroTriggered);
    void RunObjectActionsByName(const char* name);
    void OpenDoor(HOBJECT object);
    void StartCameraPositioning(HOBJECT object);
    void HideSectors(const int (&list)[ACTION_SECTOR_LIST]);
    void ShowSectors(const int (&list)[ACTION_SECTOR_LIST]);
    // Every object of the sector goes at the end of the engine update.
    void DeleteSector(int sector);

    // ---- Damage, death and respawn ------------------------------------------------------
    // Adds a signed amount to the object's health; at 0 or below an object
    // with a death record dies. An amount that is no number is refused.
    void ChangeHealth(HOBJECT object, float amount);
    void HandleDeath(HOBJECT object);
    void TeleportObjectHereOnDeath(HOBJECT object);
    // Brings one character back at a respawner.
    void RespawnCharacter(HOBJECT object);
    void UpdateRespawner(HOBJECT object);
    // One console line for the first refused damage value of a world.
    void ReportBadValue(const char* what, float value);

    // Objects tied to sockets follow them before the frame is drawn.
    void UpdateTies();
    // Ties object to a socket of the named object.
    void TieToSocket(HOBJECT object, const char* socket, const char* target);
    void Untie(HOBJECT object);
    // The tied object's own turn, applied before the socket's (null: none).
    static void SetTieOrientation(HOBJECT object, const EOrientation* orientation);
    // A locked object keeps its orientation while it follows its socket.
    static void LockOrientation(HOBJECT object, BYTE locked);
    // A save game was loaded in the last five frames: walk-in triggers wait.
    static bool SaveJustLoaded();
    // Forgets the object wherever the logic holds it.
    void ForgetObject(HOBJECT object);
    void SetDirectionPointerTarget(const char* name);
    void SetExplosiveTarget(const char* name);

    // Where the walk-in triggers take the hero to be.
    static D3DXVECTOR3 HeroPosition();

    HOBJECT m_hDirectionPointerTarget = nullptr;
    HOBJECT m_hExplosiveTarget = nullptr;
    char m_szDirectionPointerTarget[TARGET_NAME_SIZE] = {};
    char m_szExplosiveTarget[TARGET_NAME_SIZE] = {};

    // ---- Frame state --------------------------------------------------------------------
    DWORD m_iFrame = 0;
    float m_fFrameTime = 0.0f;
    BYTE m_bHeroTrigger = 0; // walk-in triggers are live
    D3DXVECTOR3 m_vHero = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vHeroLast = {0.0f, 0.0f, 0.0f};
    HOBJECT m_hLastShake = nullptr; // the object that last started a screen shake
    ECameraPositioningParams m_CameraPositioning = {};
    BYTE m_bCameraPositioning = 0;
    DWORD m_iActiveObjects = 0;
    DWORD m_iUpdatedObjects = 0;
    DWORD m_iTooFarObjects = 0;
    DWORD m_iNearObjects = 0;
    // Runs cut by the limits above, made at the start of the next frame (an
    // object at most once, and only while it is the object it was).
    struct DeferredRun
    {
        HOBJECT object;
        DWORD pesel[3];
        BYTE heroTriggered;
    };
    std::vector<DeferredRun> m_DeferredRuns;
    void DeferRun(HOBJECT object, BYTE heroTriggered);
    void RunDeferredActions();
    int m_iActionRuns = 0;     // runs this frame
    int m_iActionDepth = 0;    // hand-ons nested in the run under way
    BYTE m_bChainReported = 0; // the cut of this frame has been reported
    D3DXVECTOR3 m_vRandom = {1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vSecond = {1.0f, 0.0f, 0.0f};
    float m_fDistance = 10000.0f;
    float m_fAngle = 1.5707964f;
    BYTE m_bRecomputeVisibility = 0;
    float m_fVisibilityTimer = 0.0f;   // seconds until visibility is decided anew
    DWORD m_iVisibilityTested = 0;     // objects the visibility pass tested this frame
    DWORD m_iDetailedShadowMeshes = 0; // meshes with a detailed sky shadow this frame
    DWORD m_iDetailedShadowSkins = 0;  // skinned meshes with one
    DWORD m_iDeaths = 0;               // objects that died
    BYTE m_bBadValueReported = 0;
    // Radians the camera's view is turned about its forward axis; 0 keeps it level.
    float m_fCameraRoll = 0.0f;

    // ---- The characters' eyes ---------------------------------------------------------------
    static constexpr int MAX_EYE_MODELS = 31;
    strCharacterEyes m_Eyes[MAX_EYE_MODELS] = {};
    int m_iNumEyes = 0;

    // ---- Ambient sound and action voices -------------------------------------------------
    static constexpr int AMBIENT_NAME_SIZE = 256;
    // Asks for an ambient sound; a change of sound fades the old one out first.
    void SetAmbientSound(const char* name, float volume);
    void StopAmbientSound();
    void UpdateAmbientSound(float frameTime);
    // The ambient state of a save game (the "EngineObject" section). False
    // when the file did not take or give it all.
    bool SaveAmbientSound(FILE* file);
    bool LoadAmbientSound(FILE* file);
    // The first voice line of the object's action record.
    void PlayActionVoice(HOBJECT object);

    strSound* m_pAmbientSound = nullptr;
    char m_szAmbientRequested[AMBIENT_NAME_SIZE] = {};
    char m_szAmbientName[AMBIENT_NAME_SIZE] = {};
    float m_fAmbientTarget = 0.0f;
    float m_fAmbientVolume = 0.0f;

    // Per-object steps of the object pass.
    void StepBlinking(HOBJECT object);
    void StepSoundEmitter(HOBJECT object);
    void StepLoopingFx(HOBJECT object);
    // True while the object's body is culled (the pass skips it then).
    bool StepPhysicsCulling(HOBJECT object);
    void StepPeriodicSound(HOBJECT object);
    void StepFalling(HOBJECT object);
    void StepCrush(HOBJECT object);
    // An object the actions set shooting fires its weapon at its target each
    // time its shot interval (in tenths of a second) has passed.
    void StepShooting(HOBJECT object);
    static constexpr float SHOT_INTERVAL_UNIT = 0.1f;
    // Frame steps after the object pass.
    void StepCameraPositioning();
    void StopCameraPositioning();
    void StepLighting();
    float m_fCameraPositioningTime = 0.0f; // seconds the positioning has run
    float m_fPeriodicTimer = 0.0f;         // the 0.6-second timer of the crush step

private:
    void ContinueActions(HOBJECT object);
    bool StepMovement(HOBJECT object, const EObjectActionParams& p);
    bool StepRotation(HOBJECT object, const EObjectActionParams& p);
    bool StepDoor(HOBJECT object, const EObjectActionParams& p);
    void TryWalkIn(HOBJECT object, const EObjectActionParams& p);
    void RunSteps(HOBJECT object, const EObjectActionParams& p, BYTE heroTriggered);
};

extern EEngineObject g_EngineObject;
