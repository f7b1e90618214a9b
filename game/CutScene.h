#pragma once
// CCutScene: in-engine cut-scenes. The scripts are read once when the game
// layer starts (CutSceneScripts.cpp) and kept until it is released. A scene
// plays in the running world: the camera rides a socket of an invisible,
// animated guide model, actors (models made for the scene or borrowed world
// objects) follow the guide's sockets, timed entries fire shots, effects,
// blood, voices and subtitles, and an overlay draws fades, flashes and
// pictures. Starting and ending scenes and phases live in CutScene.cpp, one
// frame of playback and the overlay in CutScenePlayback.cpp.

#include "game/CutSceneRecords.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Rect.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct strSound;
struct EFxInstance;
struct EItemDesc;
struct RayTestResult;

constexpr int CUTSCENE_ENDLESS_FX = 256;
constexpr int CUTSCENE_ENDLESS_RECORDED = 255; // recorded while the count is below this
constexpr int CUTSCENE_VOICE_SLOTS = 64;
constexpr float CUTSCENE_SKIP_AFTER = 5.0f; // seconds of scene time before a key skips it

struct CutSceneVoice
{
    BYTE active;
    strSound* sound;
    char socket[CUTSCENE_NAME_SIZE];
};

// A live effect that never ends by itself, with the start number that tells
// it from a later effect in the same pool record.
struct CutSceneEndlessFx
{
    EFxInstance* fx;
    DWORD start;
};

// What the overlay draws for a phase at a time: the black cover, the white
// cover, and the one colour both get.
struct CutSceneOverlay
{
    BYTE black = 0;
    BYTE white = 0;
    DWORD color = 0;
};

// Everything of the player but its screen rectangles: the part a test copies.
struct CutSceneState
{
    HOBJECT m_hGuide = nullptr;
    HOBJECT m_hActors[CUTSCENE_ACTORS] = {};
    BYTE m_bBorrowed[CUTSCENE_ACTORS] = {};
    D3DXVECTOR3 m_vSavedPositions[CUTSCENE_ACTORS] = {};
    EOrientation m_SavedOrientations[CUTSCENE_ACTORS];
    CutSceneEndlessFx m_EndlessFx[CUTSCENE_ENDLESS_FX] = {};
    int m_iEndlessFx = 0;
    CutSceneVoice m_Voices[CUTSCENE_VOICE_SLOTS] = {};
    strscene* m_pScenes = nullptr; // newest first
    strscene* m_pScene = nullptr;  // the running scene
    strphase* m_pPhase = nullptr;  // its current phase
    float m_fPhaseTime = 0.0f;
    D3DXVECTOR3 m_vAttachPositions[CUTSCENE_ATTACHMENTS] = {};
    EOrientation m_AttachOrientations[CUTSCENE_ATTACHMENTS];
    BYTE m_bBlackWhite = 0; // the phase's black-and-white byte, for post-processing
    float m_fSceneTime = 0.0f;

    // A cut-scene is running: a scene and a phase are current. Kept in step
    // with the two pointers for the many readers that test it.
    BYTE m_bPlaying = 0;
    // The letterbox byte the running scene found, put back at its end.
    BYTE m_bSetWideScreen = 0;
    BYTE m_bSavedWideScreen = 0;
    // A skip by the menu key holds that key back until it is released, so
    // the press does not open the menu too.
    BYTE m_bMenuKeyLatched = 0;
};

class CCutScene : public CutSceneState
{
public:
    CCutScene() = default;
    virtual ~CCutScene() = default;
    CCutScene(const CCutScene&) = delete;
    CCutScene& operator=(const CCutScene&) = delete;

    // ---- Scenes and phases (CutScene.cpp) -----------------------------------------------
    void Start(const char* name);
    void StartPhase(const char* name);
    void EndPhase();
    void End(bool stopMusic);
    // Forgets the running scene and phase at a world start or reset without
    // running what follows the scene; the level's release then cleans up.
    void Clear();
    // The covers of the overlay, at each level start; released with the level.
    void InitScreen();
    void ReleaseLevel();
    bool Running() const { return m_pScene && m_pPhase; }
    // The menu key is held back after a skip; false once it is up again.
    bool HoldsMenuKey();

    // ---- Scripts (CutSceneScripts.cpp) -----------------------------------------------------
    // Every "scripts\cutscenes\*.txt", in name order (case-blind).
    void LoadAll();
    // One script; a file that cannot be opened is skipped.
    void LoadScript(const char* path);
    strscene* FindScene(const char* name) const;
    static strphase* FindPhase(const strscene* scene, const char* name);
    void FreeScenes();

    // ---- Playback (CutScenePlayback.cpp) ---------------------------------------------------
    void RunPhase();
    void RenderOverlay();
    void Render() { RenderOverlay(); }
    static CutSceneOverlay PlanOverlay(const strphase& phase, float time);
    // A bullet that hit one of the scene's actors is taken here (true).
    bool OnBulletHit(const EItemDesc* weapon, const RayTestResult* hit);
    void StartVoice(const char* wave, const char* socket);
    void UpdateVoices();
    void StopVoices();

    ERect m_BlackCover;
    ERect m_WhiteCover;
    ERect m_Picture;

private:
    void SyncPlaying() { m_bPlaying = Running() ? 1 : 0; }
    void RunTimedEntries();
    void RunAttachments();
    void RunShot(strCutActorSocket& shot);
    void FireTracer(const EItemDesc& weapon, HOBJECT shooter, const D3DXVECTOR3& from,
                    const EOrientation& aim);
    void RunBlood(strCutActorSocket& blood);
    void RunKill(strCutKill& kill);
    void RunActorFx(strCutActorFx& fx);
    void RunVoice(strCutVoice& voice);
    // The actor of a slot, or null for an empty or out-of-range slot.
    HOBJECT Actor(int slot) const;
};

extern CCutScene g_CutScene;
