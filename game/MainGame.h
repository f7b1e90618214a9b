#pragma once
// CMainGame: the game layer over the engine. It starts the game once, brings
// every game manager into a fresh state when a world has loaded (InitLevel) and
// tears it down before the world is replaced (ReleaseLevel), and runs the game's
// part of every frame. It owns the level frame, the count of frames since the
// world started, which the whole game uses as its start-up clock: fixed steps
// run at given values of it, and many managers wait until it passes a threshold.
// It also holds the scheduled world change with its fade to black, the scripted
// camera move between two objects, and the developer's run-path recorder.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <cstdio>

// One step of a fixed order: its name (pinned by the tests) and its work.
struct GameStep
{
    const char* name;
    void (*run)();
};

// A start-up step that runs when the level frame reaches its frame.
struct LevelMilestone
{
    DWORD frame;
    const char* name;
    void (*run)();
};

class CMainGame
{
public:
    static constexpr int MAX_RUN_SAMPLES = 128;
    static constexpr int MUSIC_NAME_SIZE = 256;
    static constexpr int WORLD_NAME_SIZE = 256;
    static constexpr int MOVE_TARGET_SIZE = 64;
    static constexpr int MAX_LEVEL_NAMES = 16;
    static constexpr int LEVEL_NAME_CHARS = 512;

    // Level frames the start-up and other managers count to.
    static constexpr DWORD FRAME_GENERATE_PATHS = 60;
    static constexpr DWORD FRAME_REPAIR_MESHES = 100;
    static constexpr DWORD FRAME_GAMEPLAY = 150; // hero and level scripts run above it
    static constexpr DWORD FRAME_LOADING_STEP = 151;
    static constexpr DWORD FRAME_LOADING_PROGRESS = 199; // the loading screen advances below it
    static constexpr DWORD FRAME_SEAGULLS = 199;
    static constexpr DWORD FRAME_LOADING_HOLD = 200; // held here while the loading screen is up
    static constexpr DWORD FRAME_LEVEL_STARTED = 201;
    static constexpr DWORD FRAME_START_MENU = 202;
    static constexpr DWORD FRAME_SHOW_WORLD = 205;
    static constexpr DWORD FRAME_GRASS = 219;
    static constexpr DWORD FRAME_START_CAPTION = 220;
    static constexpr DWORD FRAME_INPUT_SETTLED = 230; // the input devices are renewed below it
    static constexpr DWORD INPUT_RENEW_PERIOD = 500;  // and every this many frames after

    static constexpr float WORLD_CHANGE_FADE_SECONDS = 1.0f;

    CMainGame() = default;
    virtual ~CMainGame() = default;

    // ---- Life --------------------------------------------------------------------------
    // Once after the engine has started.
    void Init();
    // After a world has loaded, and before it is replaced.
    void InitLevel();
    void ReleaseLevel();
    // At shutdown.
    void Release();
    // The engine's world start, just before the world file is read.
    void PrepareWorldStart();
    // The engine could not start the world; the game goes on without it.
    void WorldStartFailed(const char* world);

    // ---- Frame ---------------------------------------------------------------------------
    void PreUpdate();
    void Update();
    void LevelStartStep();
    void PreRender();
    void Render();

    // ---- Save games ----------------------------------------------------------------------
    // The "MainGame" section: the music, the far plane and the camera move.
    // False when a write or read failed; a section with values no game could
    // have written (a far plane or speed that is no number) fails the load.
    bool Save(FILE* file);
    bool Load(FILE* file);

    // ---- Services ----------------------------------------------------------------------
    // Starts the named world after a one-second fade to black; a second request
    // during the fade restarts it with the newer name. False when the name is
    // refused (empty, too long, or no such world file).
    bool ScheduleWorldStart(const char* name);
    // A null or empty file stops the music.
    void PlayMusic(const char* file, BYTE loop);
    void StopMusic() { PlayMusic(nullptr, 0); }
    void CameraMove(const char* startObject, const char* destObject, const char* targetObject, float speed);
    void CameraMoveStop() { cameraMoveOn = 0; }
    void UpdateCameraMove();
    void GeneratePaths();
    // A blast at the point: the hero and the characters take it when it is
    // near enough the hero to matter (BulletHit.cpp).
    void ExplosionNearPlayer(const D3DXVECTOR3* point, float strength);
    void ShowLevelStartDialog();
    void OpenMenuOnKey();
    void UpdateRunRecorder();
    void WriteRunParams();
    // The game layer's key hook: key presses that neither the console nor
    // the menu took. The console's key opens the drop-down console.
    void OnKeyDown(WPARAM key);
    void OnKeyUp(WPARAM key) { m_LastKeyUp = key; }

    // The alpha of the world change's black rectangle after `seconds` of fade.
    static BYTE FadeAlpha(float seconds);
    // The caption text key of a world's start, or null when it has none.
    static const char* StartCaptionKey(const char* world);
    // A playable level is loaded (rather than no world or the menu's).
    static bool IsRealLevel();

    // The fixed orders, for the tests that pin them.
    static const GameStep* InitSteps(size_t& count);
    static const GameStep* InitLevelSteps(size_t& count);
    static const GameStep* ReleaseLevelSteps(size_t& count);
    static const LevelMilestone* Milestones(size_t& count);

    // ---- State --------------------------------------------------------------------------
    BYTE active = 0;
    BYTE recorderOn = 0;
    HOBJECT recordedObject = nullptr;
    float sampleTimer = 0.0f;
    int sampleCount = 0;
    D3DXVECTOR3 samplePositions[MAX_RUN_SAMPLES] = {};
    D3DXVECTOR3 sampleAngles[MAX_RUN_SAMPLES] = {};
    char musicName[MUSIC_NAME_SIZE] = {};
    float pendingTimer = 0.0f;
    BYTE worldPending = 0;
    char pendingWorld[WORLD_NAME_SIZE] = {};
    BYTE cameraMoveOn = 0;
    D3DXVECTOR3 moveStart = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 moveDir = {0.0f, 0.0f, 0.0f};
    float moveSpeed = 0.0f;
    char moveTarget[MOVE_TARGET_SIZE] = {};
    double lastFrameTime = 0.0;
    DWORD m_iLevelFrame = 0;
    BYTE halted = 0;
    DWORD letterboxFrames = 0; // game updates since the letterbox view ended
    BYTE wasLetterbox = 0;

    // The world is drawn: cleared when a world change is requested and at
    // start, set once the level's start-up has shown it.
    BYTE m_bWorldActive = 0;
    WPARAM m_LastKeyDown = 0; // the last key press the game took
    WPARAM m_LastKeyUp = 0;
    // Level names the launcher offers; it takes entry 0.
    char m_szLevelNames[MAX_LEVEL_NAMES][LEVEL_NAME_CHARS] = {};

private:
    void GameStepUpdate();
    void RunLevelMilestone();
};

extern CMainGame g_MainGame;

// The mission's one failure entry: marks the hero's state failed with the
// reason and returns the reason.
int GameFailed(int reason);
