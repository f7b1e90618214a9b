#pragma once
// CPlayer: the hero. One global object, Player, created at the world's start
// marker; each frame it reads the key commands, walks, runs, crouches and
// jumps through the physics manager's character controller, and keeps his
// health (in PlayerStats) through the one path ChangeHealth, which also
// regenerates and detects death.

#include "platform/d3d9/D3D9Types.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <cstdio>

// The hero's shared record that the whole game reads. The first 44 bytes go
// into the hero's save section field by field, so the field order is fixed.
struct EPlayerStats
{
    BYTE m_bCombatMode = 1; // weapons may be drawn
    BYTE m_bCanRun = 1;
    BYTE m_bCanJump = 1;
    BYTE m_bReserved = 0; // the high jump: set and cleared by object actions, read by nothing
    BYTE m_bDead = 0;
    BYTE m_bMissionFailed = 0;
    int m_iFailReason = 0;
    float m_fHealth = 100.0f;
    float m_fMaxHealth = 100.0f;
    BYTE m_bRealisticUnlocked = 0;
    float m_fLevelTime = 0.0f;
};

extern EPlayerStats PlayerStats;

struct EItemDesc;
struct strSound;

// A looping sound of the hero's (the Geiger counter, the heartbeat): made
// once when it starts, and, when it cannot be made, not asked for again
// until it has been stopped.
struct EHeroLoop
{
    strSound* sound = nullptr;
    BYTE tried = 0;
    void Start(const char* file);
    void Stop();
};
struct RayTestResult;

class CPlayer
{
public:
    // Key commands the hero answers (the bindings of "save\keys.cfg").
    static constexpr int CMD_RUN = 1;
    static constexpr int CMD_FORWARD = 3;
    static constexpr int CMD_BACK = 4;
    static constexpr int CMD_STRAFE_LEFT = 5;
    static constexpr int CMD_STRAFE_RIGHT = 6;
    static constexpr int CMD_JUMP = 8;
    static constexpr int CMD_LASER = 9;
    static constexpr int CMD_MENU = 11;
    static constexpr int CMD_AIM = 14;
    // Slot 0; the nine key codes after its key pick slots 1 to 9.
    static constexpr int CMD_SLOT = 15;
    static constexpr int CMD_GRENADE = 16;
    static constexpr int CMD_KNIFE = 17;
    static constexpr int WEAPON_SLOT_KEYS = 10;
    static constexpr int CMD_USE = 18;
    static constexpr int CMD_FIRE = 19;
    static constexpr int CMD_NEXT_WEAPON = 23;
    static constexpr int CMD_PREVIOUS_WEAPON = 24;
    static constexpr int CMD_RELOAD = 25;
    static constexpr int CMD_CROUCH = 34;
    static constexpr int CMD_QUICK_LOAD = 67;
    // The developer's keys (setting "developer").
    static constexpr int CMD_DEV_DEBUG_CHARACTERS = 37;
    static constexpr int CMD_DEV_UPDATE_MODELS = 68;
    static constexpr int CMD_DEV_DISPLAY = 69;
    static constexpr int CMD_DEV_SOLDIER_CROUCHING = 72;
    static constexpr int CMD_DEV_SOLDIER_TALKING = 73;
    static constexpr int DEBUG_KEYS = 5;

    // Level frames of the start-up.
    static constexpr DWORD FRAME_UPDATE = 150;    // the hero's frame runs from here
    static constexpr DWORD FRAME_MOVE = 220;      // keys move him from here
    static constexpr DWORD FRAME_NO_CLIP = 263;   // a "no_clip" level flies him from here
    static constexpr DWORD FRAME_FALL_HURT = 200; // landings hurt after this
    static constexpr DWORD FRAME_HEALTH = 60;     // health changes from here

    CPlayer() = default;
    virtual ~CPlayer() = default;

    // ---- Level ---------------------------------------------------------------------
    // After the world has loaded: resets the record, creates the hero object
    // and his controller and moves him to the start marker.
    void Init();
    // Creates the hero object and the controller at the start marker.
    void CreateHero();
    void MoveToStart();
    void Release();

    // The event script's "hero position": one console line "Hero position X Y Z look YAW PITCH".
    static void RegisterScriptActions();

    // ---- Frame ---------------------------------------------------------------------
    void Update();
    // The engine update's game hook: mouse look.
    void UpdateLook();
    // Turns the look towards the mouse state's yaw and pitch and hands it to the camera.
    void MouseLook();
    // The eye at the hero, with crouch easing, lean, head bob, the recoil kick
    // and the sprint sway; places the weapon in front of it.
    void PlaceCamera();
    // The sprint sway: first step of every hero update.
    void UpdateSprintSway();
    // The crosshair probe (every 0.2 s): what the use key acts on and what the
    // HUD shows under the crosshair.
    void UpdateAimTarget();
    // The item in front of the eye that the use key picks up.
    void UpdatePickupTarget();
    // The pre-render step: the mounted gun's view (nothing in the other states).
    void UpdateCamera();
    // The helicopter's HUD while the hero flies one.
    void RenderHeliHud();

    // ---- Commands --------------------------------------------------------------
    void TeleportTo(const D3DVECTOR* position);
    void SetCrouch(bool on);
    bool IsHeroObject(HOBJECT object) const { return object && object == m_hObject; }
    void MovementRadiusOn(float radius);
    void MovementRadiusOff() { m_bRadiusOn = 0; }

    // ---- Ladders (PlayerLadders.cpp) ------------------------------------------------
    void GrabLadder(HOBJECT ladder);
    // The ladder's steps of one frame: the climb keys, the moves on and off.
    void LadderStep();
    void LeaveLadder();
    // The eye and the view on the ladder.
    void LadderView();
    // The rung sounds and the slide sound's end.
    void StopSlideSound();
    bool OnLadder() const { return m_bOnLadder != 0; }

    // ---- Riding, the bezier walk, the countdown, the hide zone (PlayerRides.cpp) -----
    // False when a name is missing or does not fit.
    bool StartMovingOnObject(const char* object, const char* socket);
    void StopMovingOnObject();
    // After the controller's physics step: the hero on the ride's socket.
    void RideStep();
    void StartBezier(const char* path, BYTE fast);
    void StopBezier();
    // Instead of the input step while a bezier walk runs.
    void BezierStep();
    void StartCountdown(HOBJECT starter);
    void StopCountdown();
    void CountdownStep();
    void SetHideZone(const char* object, float threshold);
    bool HideZoneTest();

    // ---- Mounted guns (PlayerGun.cpp) -----------------------------------------------
    void MountGun(const char* gun);
    void DismountGun(BYTE force, const char* place);
    // The walk to the gun, manning it and the walk away: each frame on the gun.
    void GunStep();
    void FireMountedGun(HOBJECT gun);
    bool OnGun() const { return m_bOnGun != 0; }

    // ---- Health ------------------------------------------------------------------
    void SetHealth(float value, BYTE force = 0);
    // The only writer of health in play; with 0 it regenerates and tests for death.
    void ChangeHealth(float amount, float unused = 0.0f, BYTE explosion = 0, BYTE resetHurt = 0);
    // A hit from a source, scaled by the difficulty.
    void TakeDamage(const D3DXVECTOR3* source, float amount, float unused = 0.0f);
    void ApplyExplosion(const D3DXVECTOR3* position, float strength);
    // A shot that met the hero's object; true when the hero was hit.
    bool OnBulletHit(const EItemDesc* weapon, const RayTestResult* hit, HOBJECT shooter, float unused,
                     float factor);
    // The damage of landing after a fall from fallStart to landing (heights).
    void FallDamage(float fallStart, float landing);
    void HandleDeath();
    void SetHeartbeatLevel(float level) { m_fHeartbeatLevel = level; }
    void SetCombatMode(bool on);

    // The difficulty factors, for the checks that pin them.
    static float DamageFactor(int difficulty, float amount);
    static float ExplosionFactor(int difficulty);
    static float RegenerationRate(bool running, bool moving, bool crouched, int difficulty);

    // ---- Record -------------------------------------------------------------------
    float m_fCrouchEyeOffset = 0.0f;
    float m_fGroundProbeTimer = 0.0f;
    D3DXVECTOR3 m_vSafePosition = {0.0f, 0.0f, 0.0f};
    float m_fTimeSinceHurt = 10.0f;
    BYTE m_bFocusMode = 0;
    float m_fAimHoldTime = 0.0f;
    float m_fCrouchKeyTime = 0.0f;
    BYTE m_bCrouchKeyLatch = 0;
    float m_fStandTime = 0.0f;
    float m_fCrouchTime = 0.0f;
    float m_fTimeSinceInit = 0.0f;
    float m_fStamina = 1.0f;
    BYTE m_bExhausted = 0;
    BYTE m_bJumpLatch = 0, m_bLaserLatch = 0, m_bAimLatch = 0, m_bUseLatch = 0, m_bQuickLoadLatch = 0,
         m_bReloadLatch = 0, m_bSlotLatch = 0, m_bNextWeaponLatch = 0, m_bPreviousWeaponLatch = 0,
         m_bKnifeLatch = 0, m_bGrenadeLatch = 0;
    double m_dGameTime = 0.0;
    float m_fFrameTime = 0.0f;
    BYTE m_bJumping = 0;
    BYTE m_bJumpStarted = 0;   // the jump began this frame
    float m_fLastStepY = 0.0f; // the controller's height the last velocity limiter read
    BYTE m_bMoveInput = 0;
    BYTE m_bPhysicsSkip = 0;
    float m_fTimeSinceJump = 10.0f;
    float m_fStepTimer = 0.0f;
    BYTE m_bLeftFoot = 0;
    float m_fSpeedCap = 0.0f;
    DWORD m_iSurface = 0;
    int m_iForceCrouch = 0; // input steps the hero is made to crouch
    float m_fRadius = 0.0f;
    D3DXVECTOR3 m_vRadiusCentre = {0.0f, 0.0f, 0.0f};
    BYTE m_bRadiusOn = 0;
    BYTE m_bCrouched = 0;
    BYTE m_bCanMove = 1;
    BYTE m_bWasOnGround = 0;
    BYTE m_bRunning = 0;
    BYTE m_bMoving = 0;
    BYTE m_bMovingBack = 0;
    BYTE m_bStrafeLeft = 0;
    BYTE m_bStrafeRight = 0;
    float m_fGroundHeight = 0.0f;
    HOBJECT m_hStandObject = nullptr;
    D3DVECTOR m_vPosition = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vPrevPosition = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vVelocity = {0.0f, 0.0f, 0.0f};
    D3DVECTOR m_vHalfExtents = {0.25f, 0.92f, 0.25f};
    BYTE m_bUpdated = 0;
    BYTE m_bRefresh = 0; // an object's run still moves within reach of the hero
    float m_fFallStartY = NO_FALL;
    HOBJECT m_hObject = nullptr;
    // Seconds in the Geiger state (the HUD's radiation gauge), and its loop.
    float m_fRadiation = 0.0f;
    EHeroLoop m_Geiger;
    EHeroLoop m_Heartbeat;
    BYTE m_bDebugKeyLatch[DEBUG_KEYS] = {};
    int m_iTestSoldiers = 0; // the running number of the developer's test soldiers

    // The view.
    EOrientation m_Look;
    D3DXVECTOR3 m_vLookForward = {0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_vLookRight = {1.0f, 0.0f, 0.0f};
    float m_fEyeRise = 0.9f;
    float m_fLean = 0.0f;
    float m_fBobPhase = 0.0f;
    float m_fCatchUpTimer = 0.0f;
    float m_fSideBob = 0.0f;     // handed to the weapon view
    float m_fVerticalBob = 0.0f; // handed to the weapon view
    float m_fSprintTime = 0.0f;  // seconds of running while moving and standing
    // The sprint sway: the eye's offset, the weapon's yaw, pitch and roll,
    // their strength, and the key of the sway table with its time and delay.
    D3DXVECTOR3 m_vSwayOffset = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vSwayAngles = {0.0f, 0.0f, 0.0f};
    float m_fSwayStrength = 0.0f;
    int m_iSwayKey = 0;
    float m_fSwayKeyTime = 0.0f;
    float m_fSwayDelay = 0.0f;
    // The scope and the held breath.
    BYTE m_bScoped = 0, m_bHoldingBreath = 0, m_bCanHoldBreath = 0;
    float m_fBreathHeld = 0.0f;     // counted 4 a second
    float m_fBreathRecovery = 0.0f; // the wait after breathing out
    float m_fScopeSway = 0.0f;      // the scope's wobble strength, 0 to 1
    float m_fTimeSpeedBeforeHold = 1.0f;
    // The look from an object: the frame the mouse turns from.
    EOrientation m_LookFromFrame;
    BYTE m_bLookingFrom = 0;
    // The crosshair probe.
    float m_fAimTimer = 0.0f;
    float m_fAimDistance = 0.0f;
    D3DXVECTOR3 m_vAimPoint = {0.0f, 0.0f, 0.0f};
    HOBJECT m_hAimObject = nullptr;    // the use key runs its actions
    DWORD m_AimPesel[3] = {};          // the aimed object's PESEL when it was found
    HOBJECT m_hPickupObject = nullptr; // the use key picks its item up
    BYTE m_iUseHint = 0;               // the use state shown under the crosshair (0 none)

    // Health, damage and death.
    float m_fTimeSinceDamage = 10.0f;
    float m_fTimeSinceExplosion = 5.0f;
    float m_fPulseTimer = 0.0f;
    float m_fHeartbeatLevel = 0.0f;
    float m_fOuchTimer = 10.0f;
    float m_fBreathTimer = 10.0f;
    // The running breath sound, one at a time; gone once it has played.
    strSound* m_hBreathSound = nullptr;
    float m_fTimeSinceDeath = 0.0f;
    float m_fHitFlash = 1.0f;
    float m_fDamagePulse = 0.0f; // the post-process damage pulse's intensity
    D3DXVECTOR3 m_vDeathCamPos = {0.0f, 0.0f, 0.0f};
    EOrientation m_DeathCamFrame; // the view frame at death
    BYTE m_bKillerKnown = 0;
    D3DXVECTOR3 m_vKillerPos = {0.0f, 0.0f, 0.0f};
    int m_iWeaponAtDeath = -1;
    // Checkpoint loads asked for (the death view's fire and the quick-load key).
    int m_iCheckpointLoads = 0;
    BYTE m_bLoadAsked = 0; // this update asked for a load

    // Kept with their start values and carried by the save section.
    BYTE m_bOnGround = 0;
    D3DXVECTOR3 m_vLastGroundHit = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vStandObjectPos = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vStandObjectMove = {0.0f, 0.0f, 0.0f};
    D3DVECTOR m_vLastPosition = {0.0f, 0.0f, 0.0f};
    // Kept and saved; nothing else reads them.
    BYTE m_bHeroFlagA = 0, m_bHeroFlagB = 0, m_bHeroFlagC = 0, m_bHeroFlagD = 0, m_bHeroFlagE = 0;
    BYTE m_bAllowClouds = 1; // the missions' allow_clouds and forbid_clouds; nothing reads it
    float m_fHeroValueA = 0.0f;

    // The countdown's target and the hide zone's object, or null once their objects are gone.
    HOBJECT CountdownTarget() const;
    HOBJECT HideZone() const;

    // ---- Save section (PlayerSave.cpp) -----------------------------------------
    // The "Player" section. Load is false when the section ends early or holds
    // values no game could have written.
    bool Save(FILE* file);
    bool Load(FILE* file);

    static constexpr float NO_FALL = -1e8f;
    static constexpr int SPECIAL_NAME_SIZE = 64;
    static constexpr int BEZIER_NAME_SIZE = 68;

    // Ladders.
    BYTE m_bOnLadder = 0;
    int m_iLadderPhase = 0; // -1 moving onto the ladder, 0 climbing, 1 stepping off
    D3DXVECTOR3 m_vLadderBase = {0.0f, 0.0f, 0.0f};
    float m_fLadderTop = 0.0f, m_fLadderBottom = 0.0f;
    float m_fLadderEntryY = 0.0f;
    D3DXVECTOR3 m_vLadderExit = {0.0f, 0.0f, 0.0f};
    EOrientation m_CamFrameAtLadder;
    EOrientation m_LadderFrame;
    float m_fLadderPitch = 0.0f;
    float m_fLadderEyeRise = 0.0f;
    float m_fLadderSway = 0.0f;
    float m_fStepPhase = 0.0f;
    float m_fLadderStepTimer = 0.0f;
    BYTE m_bLadderLeftHand = 0;
    strSound* m_hSlideSound = nullptr;
    // Riding.
    BYTE m_bRiding = 0;
    char m_szRideObject[SPECIAL_NAME_SIZE] = {};
    char m_szRideSocket[SPECIAL_NAME_SIZE] = {};
    // The mounted gun.
    BYTE m_bOnGun = 0;
    char m_szGunObject[SPECIAL_NAME_SIZE] = {};
    HOBJECT m_hGunObject = nullptr;
    int m_iGunState = 0; // 1 walking to the gun, 0 manning it, -1 walking away
    D3DXVECTOR3 m_vReturnPos = {0.0f, 0.0f, 0.0f}, m_vReturnCamPos = {0.0f, 0.0f, 0.0f};
    EOrientation m_CamFrameAtGun;
    float m_fYawAtGun = 0.0f, m_fPitchAtGun = 0.0f;
    EOrientation m_GunFrame;
    float m_fGunCooldown = 0.0f;
    float m_fGunKickUp = 0.0f, m_fGunKickSide = 0.0f;
    float m_fGunBobPhase = 0.0f;
    BYTE m_bCanDismount = 1;
    D3DXVECTOR3 m_vGunCamPos = {0.0f, 0.0f, 0.0f}; // the camera on the walks to and from the gun
    EOrientation m_GunViewFrame;
    // The bezier walk.
    BYTE m_bBezier = 0, m_bBezierFast = 0;
    DWORD m_iBezierPhase = 0;
    char m_szBezierPath[BEZIER_NAME_SIZE] = {};
    double m_dBezierLength = 0.0, m_dBezierDist = 0.0;
    D3DXVECTOR3 m_vBezierPoint = {0.0f, 0.0f, 0.0f};
    // The countdown and the hide zone, each kept with the PESEL of its object.
    BYTE m_bCountdown = 0;
    HOBJECT m_hCountdownTarget = nullptr;
    DWORD m_CountdownPesel[3] = {};
    float m_fCountdown = 0.0f;
    HOBJECT m_hHideZone = nullptr;
    DWORD m_HideZonePesel[3] = {};
    float m_fHideThreshold = 0.0f;

private:
    bool CommandDown(int command) const;
    bool CommandPressed(int command, BYTE& latch) const;
    // True when the key asked for a load.
    bool QuickLoad();
    void LoadLastCheckpoint();
    void StaminaStep();
    void InputStep();
    void WeaponKeys();
    void DeveloperKeys();
    // A developer's test soldier on the ground in front of the camera, playing the animation.
    HOBJECT SpawnTestSoldier(const char* animation);
    void CrouchStep(bool onGround);
    void JumpStep(bool onGround);
    void VelocityLimiter();
    void ControllerStep();
    void GroundProbe();
    // The segment test from `from` to `to` through everything but the hero's own object.
    bool SegmentPastHero(const D3DXVECTOR3& from, const D3DXVECTOR3& to, RayTestResult* hit) const;
    void RadiusPull();
    void Footstep();
    void DeathView();
    void HeartbeatStep();
    void PlayBreath(int n);
    void StopBreath();
    void PainVoice();
    // The view.
    void LookFromTarget(EOrientation& target, float dt);
    void RecoilLook();
    void ScopeBreath(float dt);
    void EndBreathHold();
    void UseKey();
    // The use key's part for the object under the crosshair.
    void RunAimedActions();
    // Fly mode ("mucha"): the eye flies along the look at "MuchaSpeed".
    void FlyStep();
    void GeigerStep();
    void StopGeiger();
    void StopHeartbeat();
};

extern CPlayer Player;
