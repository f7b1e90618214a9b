#pragma once
// CPlayerWeapons: the hero's weapons and inventory. One slot per weapon kind
// (an item description's Unique_Id), the reserve cartridges of each kind, the
// grenades, the weapon in hand and the small state machine that lowers,
// draws, reloads and aims it. The carried weapons are recorded at the end of
// a level and handed back at the start of the next.
//
// The members live in several files: PlayerWeapons.cpp (selection, switching,
// reloading, pick-ups, level start and end), PlayerWeaponsSave.cpp (the
// "Bronie" section of save games), PlayerWeaponsView.cpp (the first-person
// placement of the held model, the knife and the hand grenade),
// PlayerWeaponsShot.cpp (the trigger, the bullets and their marks).

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "player/ItemDesc.h"
#include "render/Renderer.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <cstdio>

struct EItemInstance;
struct RayTestResult;
struct strSound;

constexpr DWORD MAX_GRENADES = 6;
constexpr DWORD NO_WEAPON_KIND = 255;  // currentKind while none or during a switch
constexpr DWORD NO_RECORDED_SLOT = 10; // recordedSlot when no weapon was in hand
constexpr int WEAPON_RECORD_SIZE = 72; // one carried-weapon record
constexpr int WEAPON_RECORD_NAME = 67; // bytes 1 to 67: the description's name
constexpr int WEAPON_ANIM_SIZE = 64;
constexpr int LASER_DOT_SPRITES = 32;

// The weapon states.
constexpr DWORD WS_IDLE = 0;
constexpr DWORD WS_RELOADING = 1;
constexpr DWORD WS_FIRING = 2;
constexpr DWORD WS_SWITCHING = 3;
constexpr DWORD WS_DRAWING = 5;
constexpr DWORD WS_GRENADE_THROW = 8;
constexpr DWORD WS_GRENADE_RAISE = 9;
constexpr DWORD WS_SPRINTING = 10;

// Where the weapon model sits in the view: three offsets and three angles
// (the "Bron" settings write it).
struct WeaponView
{
    float offset[3] = {0.0f, 0.0f, 0.0f};
    float angle[3] = {0.0f, 0.0f, 0.0f};
};

// A weapon carried from one level to the next: the used byte, the
// description's name and the cartridges in its magazine, stored as 72 bytes.
struct WeaponRecord
{
    BYTE used;
    char name[WEAPON_RECORD_NAME];
    DWORD magazine;
};

class CPlayerWeapons
{
public:
    CPlayerWeapons();
    virtual ~CPlayerWeapons() = default;

    // ---- Lifecycle ---------------------------------------------------------------------
    void Init();
    void Release();
    void Update();
    void UpdateScopeVisibility();
    // The "Bronie" section. False when a write or read failed or the section is damaged.
    bool Save(FILE* file);
    bool Load(FILE* file);
    void Reset();
    void ClearSlots();
    void SetupForLevel();
    void RestoreCarried();

    // ---- Selection ---------------------------------------------------------------------
    void SelectSlot(DWORD kind);
    void NextWeapon();
    void PreviousWeapon();
    void SelectImmediate(DWORD kind);
    void PutAwayCurrent();
    void Holster();
    void Unholster();
    void PlayWeaponAnim(const char* name, BYTE loop, float speed, float blend);
    void PlayIdleAnim();
    void Reload();
    void ToggleAim();
    void ToggleLaser() { laserOn = !laserOn; }

    // ---- Close actions (PlayerWeaponsClose.cpp) ---------------------------------------
    // The hand grenade: pull the pin and throw; stepped in states 8 and 9.
    void ThrowGrenade();
    void UpdateGrenadeThrow();
    // The grenade that leaves the hand: a physics sphere with a 3 s fuse.
    void CreateThrownGrenade();
    // The knife: the stroke and its steps; the rest of the update waits while one runs.
    void KnifeAttack();
    void UpdateKnife();
    // The six traces in front of the camera; true when one met a character.
    bool KnifeHit();
    // The character's model the segment meets, with `to` moved to the hit; null otherwise.
    HOBJECT KnifeTrace(const D3DXVECTOR3& from, D3DXVECTOR3* to);
    // This stroke has already hit: one kill a stroke.
    BYTE knifeHitDone = 0;

    // ---- The laser sight (PlayerWeaponsLaser.cpp) -------------------------------------
    // The dot and its trail follow the beam of the held model's light socket.
    void UpdateLaserDot();
    void ReleaseLaserDot();
    // The dot, from the renderer's passes after the scene.
    void RenderLaser();
    bool LaserWanted() const;
    BYTE laserDotPlaced = 0;
    D3DXVECTOR3 laserDotPoint = {0.0f, 0.0f, 0.0f};

    // ---- Launchers (PlayerWeaponsShot.cpp) --------------------------------------------
    // Closer than this to the muzzle a launcher's shot only raises its impact
    // effect, which starts this share of the way to the hit.
    static constexpr float LAUNCHER_DEAD_ZONE = 128.0f;
    static constexpr float LAUNCHER_IMPACT_SHARE = 0.8f;
    // The launched grenade's speed.
    static constexpr float LAUNCHED_GRENADE_SPEED = 2400.0f;
    void FireLauncher();
    void LaunchRocket(const EItemInstance* weapon, const D3DXVECTOR3* start, const EOrientation* orientation,
                      HOBJECT owner);
    void LaunchGrenade(const EItemInstance* weapon, const D3DXVECTOR3* start, const EOrientation* orientation,
                       HOBJECT owner);

    // ---- Items -------------------------------------------------------------------------
    // True when the item was consumed.
    bool PickUp(EItemInstance* item);
    bool CanPickUp(EItemInstance* item);
    void FillAmmo();

    // The weapon view the "Bron" settings write; null while no weapon is held
    // (the placement points it at m_WeaponTuning while one is).
    WeaponView* m_pWeaponView = nullptr;

    // ---- State, in the order the weapons keep it ------------------------------------
    BYTE levelWeaponsReady = 0;
    float throwTimer = 0.0f;
    BYTE grenadeReleased = 0;
    float drawTimer = 0.0f;
    DWORD recordedSlot = NO_RECORDED_SLOT;
    strSound* weaponSound = nullptr;
    BYTE firstShot = 0;
    HOBJECT knifeObject = nullptr;
    float knifeProgress = 0.0f;
    DWORD laserDotFvf = 0;
    void* laserDotVb = nullptr;
    HOBJECT laserDotSprites[LASER_DOT_SPRITES] = {};
    TextureIndex laserTexture = 0;
    BYTE levelSetupCalled = 0;
    BYTE refreshProjection = 0;
    D3DXVECTOR3 cameraPosition = {0.0f, 0.0f, 0.0f};
    EOrientation cameraOrientation;
    float frameTime = 0.0f;
    float moveTimer = 0.0f;
    float stillTimer = 0.0f;
    char pendingAnim[WEAPON_ANIM_SIZE] = {};
    BYTE pendingAnimLoop = 0;
    float switchPhase = 0.0f;
    float turnYaw = 0.0f;
    float turnPitch = 0.0f;
    float prevYaw = 0.0f;
    float yaw = 0.0f;
    float sway = 0.0f;
    float steadyTimer = 0.0f;
    float turnTimer = 0.0f;
    float kickBack = 0.0f;
    float recoilDecay = 0.0f;
    float kickDecay = 0.0f;
    BYTE triggerHeld = 0;
    char currentAnim[WEAPON_ANIM_SIZE] = {};
    BYTE currentAnimLoop = 0;
    float wheelReference = 0.0f;
    float grenadeHandBlend = 0.0f;
    float grenadeRaise = 0.0f;
    BYTE grenadeInHand = 0;
    HOBJECT grenadeObject = nullptr;
    WeaponRecord records[MAX_ROZNYCH_BRONI] = {};
    DWORD recordedCounters[MAX_ROZNYCH_BRONI] = {};
    DWORD sprinting = 0;
    float sprintTimer = 0.0f;
    BYTE holstered = 0;
    BYTE laserOn = 0;
    DWORD grenades = 0;
    float switchDirection = 0.0f;
    BYTE aiming = 0;
    float aimProgress = 0.0f;
    EItemInstance* current = nullptr;
    EItemInstance* slots[MAX_ROZNYCH_BRONI] = {};
    EItemInstance* pending = nullptr;
    DWORD state = WS_IDLE;
    float recoilStrength = 0.0f;
    DWORD counters[MAX_ROZNYCH_BRONI] = {};
    DWORD knifeState = 0;
    BYTE triggerReleased = 0;
    DWORD currentKind = NO_WEAPON_KIND;

    // Init has run for the level now under way: the game's frame may call
    // Update before the level's start-up has read the item catalogue, and
    // handing out weapons then would find none of them.
    BYTE m_bLevelInitialised = 0;

    // The level script's "clear_weapons" switch, set as the level starts.
    BYTE m_bClearWeapons = 0;

    // ---- First-person view (PlayerWeaponsView.cpp) ------------------------------------
    // Places the held model, the knife and the hand grenade in front of the eye
    // (position, view frame) with the head bob: the side bob moves the model
    // along the view's right axis, the vertical bob along its up axis.
    void PlaceWeaponView(const D3DXVECTOR3* position, const EOrientation* orientation, float bobX,
                         float bobY);
    // The model's extra turn follows the description's angles, a full turn a second.
    void TurnStep();
    // The walk timers: moving on the ground without sprinting, or not.
    void WalkTimerStep();
    // The sway from turning the view, and the timers of turning and holding still.
    void SwayStep();
    // Where the held model was placed last, with its frame.
    D3DXVECTOR3 m_vViewPosition = {0.0f, 0.0f, 0.0f};
    // How far the weapon is drawn back from a wall ahead (eased towards it).
    float wallPull = 0.0f;
    EOrientation m_ViewOrientation;
    // The sprint sway's yaw, pitch and roll, added to the model's turn.
    D3DXVECTOR3 m_vSprintAngles = {0.0f, 0.0f, 0.0f};
    // A developer's shift of the model in hand (the "Bron" settings): offsets
    // along the view's right, up and forward axes, and turns about them.
    WeaponView m_WeaponTuning;

    // ---- The shot (PlayerWeaponsShot.cpp) ---------------------------------------------
    // What decides how far one bullet strays from the aim.
    struct SpreadCase
    {
        DWORD kind = 0;       // the weapon's Unique_Id
        bool shotgun = false; // the item fires pellets
        bool singleShot = false;
        bool scoped = false; // looking through a scope
        bool aiming = false;
        float aimProgress = 0.0f;
        bool crouched = false;
        bool moving = false;
        bool firstShot = false; // the first bullet of a burst
    };
    // The hero pulls the trigger this frame (the input step, while fire is down).
    void TriggerDown();
    // One bullet of the weapon in hand along the camera's aim, with its kick and spread.
    void FireBullet();
    // After a bullet's impact effect: the mark it leaves.
    void SpawnImpactEffect(const EItemDesc* weapon, const RayTestResult* hit);
    // The spread scale of a bullet: each axis strays by up to this (times 0.5).
    static float SpreadScale(const SpreadCase& c);
    // The kick the model takes back from a shot, by weapon kind.
    static float KickBackOf(DWORD kind);
    // The event script's "hero weapon": one console line with the weapon in
    // hand, its magazine and the reserve of every kind carried.
    static void RegisterScriptActions();

private:
    bool BeginWheelStep();
    void StopAiming();
    void StopWeaponSound();
    void UpdateSwitch();
    void UpdateFiring();
    void UpdateAim();
    void UpdateScope();
    void UpdateWheel();
    void GiveStandardSet();
    bool WorldStartsFresh() const;
    // Whether the slots and counters hold the kind.
    static bool KindFits(DWORD kind) { return kind < MAX_ROZNYCH_BRONI; }
};

extern CPlayerWeapons Bronie;

// ---- Shots of every shooter (PlayerWeaponsShot.cpp) ----------------------------------------
// One shot along the orientation's forward axis from the muzzle: characters,
// mounted guns, helicopters and object actions. Nothing without a description.
void FireWeaponShot(const EItemDesc* weapon, const D3DXVECTOR3* muzzle, const EOrientation* orientation,
                    HOBJECT shooter, BYTE silenced, float damageFactor);
// FireWeaponShot with the item's description; nothing without an item.
// A muzzle flash: a short-lived light of the given value at the point.
void MuzzleFlash(const D3DXVECTOR3& at, float lightValue);
void FireItemShot(const EItemInstance* weapon, const D3DXVECTOR3* muzzle, const EOrientation* orientation,
                  HOBJECT shooter, BYTE silenced, float damageFactor);
// A bullet mark at the point, facing along the normal; none while the effect
// pool is busy (MARK_LIVE_EFFECT_LIMIT live effects or more).
void SpawnBulletMark(const D3DXVECTOR3* point, const D3DXVECTOR3* normal);
constexpr DWORD MARK_LIVE_EFFECT_LIMIT = 240;
constexpr int SHOTGUN_PELLETS = 6;
