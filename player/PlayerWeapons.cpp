// CPlayerWeapons: selection, switching, reloading, pick-ups, and the weapons
// carried from one level to the next.
#include "player/PlayerWeapons.h"

#include "characters/KillCam.h"
#include "environment/FxMgr.h"
#include "game/CutScene.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

CPlayerWeapons Bronie;

namespace
{
constexpr DWORD LASER_DOT_FVF = 0x142;    // position, colour, one texture coordinate set
constexpr DWORD FIRST_NO_SELECT_KIND = 7; // kinds 7 to 9 are not taken into the hand at once
constexpr DWORD KIND_STEP_BACK_ON_EMPTY = 3;
constexpr DWORD KIND_FULL_ON_PICKUP = 5;
constexpr DWORD KIND_BONUS_CARTRIDGES = 0;
constexpr DWORD kBonusCartridges = 5;
constexpr DWORD kBonusCartridgesCap = 48;
constexpr float kSwitchSpeed = 3.0f;
constexpr float kLauncherSwitchSpeed = 1.0f;
constexpr float kWheelStep = 0.39269909f; // pi / 8
constexpr float kAimInSpeed = 4.0f;
constexpr float kAimOutSpeed = 3.0f;
constexpr float kAimZoomSpan = 0.5f;
constexpr float kSprintAfter = 1.5f;
constexpr DWORD kWheelFrame = 151;
constexpr DWORD kDrawSoundFrame = 201;
constexpr DWORD kPickupSoundFrame = 252;
constexpr DWORD HIDDEN_FLAGS = 128;
constexpr DWORD SHOWN_FLAGS = 0x8081;
constexpr DWORD VISIBLE_BIT = 1;
constexpr float kGrenadeScale = 0.1f;
constexpr DWORD GRENADE_FLAGS = 0x20180;
constexpr DWORD GRENADE_FLAGS2 = 0x18011240;
constexpr DWORD GRENADE_FLAGS3 = 0x100;
constexpr DWORD KNIFE_FLAGS = 0x20180;
constexpr DWORD KNIFE_FLAGS2 = 0x18011260;
constexpr DWORD KNIFE_FLAGS3 = 256;
constexpr const char* GRENADE_MODEL = "models\\!bronie\\granat\\granat.x";
constexpr const char* GRENADE_NAME = "Player grenade";
constexpr const char* THROWN_GRENADE_MESH = "prefabs\\bronie\\m67_low.x";
constexpr const char* KNIFE_MODEL = "models\\!bronie\\da\\da.x";
constexpr const char* KNIFE_IDLE = "niesie";
constexpr const char* KNIFE_SOUND = "sounds\\weapons\\knife_stab.wav";
constexpr const char* PICKUP_SOUND = "sounds\\pickup\\ammo.wav";
constexpr const char* LAUNCHER_DRAW = "wyjmuje";
constexpr float kFullVolume = 1.0f;
// The camera zoom while looking through a scope, by weapon kind (3 to 6).
constexpr DWORD FIRST_SCOPE_KIND = 3;
constexpr float SCOPE_ZOOM[] = {0.24f, 0.14f, 0.1f, 0.2f};
constexpr float kCentre = 0.0f;

// One line of a level's standard set: give `name` `count` cartridges, `times` times.
struct Gift
{
    const char* name;
    DWORD count;
    int times;
};

constexpr int MAX_STANDARD_GIFTS = 12;

struct StandardSet
{
    const char* world; // null: any other world
    Gift gifts[MAX_STANDARD_GIFTS];
};

// The weapons a level starts with when nothing was carried into it.
constexpr StandardSet STANDARD_SETS[] = {
    {"worlds\\l01.w",
     {{"p99", 60, 1},
      {"AW", 60, 1},
      {"dragunov", 60, 1},
      {"saiga", 60, 1},
      {"p99", 60, 400},
      {"AW", 60, 400},
      {"dragunov", 160, 400},
      {"saiga", 160, 400}}},
    {"worlds\\l08.w",
     {{"p99", 60, 1},
      {"AW", 60, 1},
      {"saiga", 60, 1},
      {"dragunov", 60, 1},
      {"barrett", 60, 1},
      {"p99", 60, 400},
      {"AW", 60, 400},
      {"saiga", 60, 400},
      {"dragunov", 60, 400},
      {"barrett", 60, 400}}},
    {nullptr,
     {{"p99", 60, 1},
      {"AW", 60, 1},
      {"Barrett", 10, 1},
      {"Saiga", 30, 1},
      {"Dragunov", 30, 1},
      {"p99", 60, 1500},
      {"AW", 60, 1500},
      {"saiga", 60, 1500}}},
};

void ShowWeaponSlots()
{
    g_Panel.ShowWeaponSlots();
}
void ShowPickup(DWORD kind)
{
    g_Panel.ShowPickup(kind);
}

bool CombatMode()
{
    return PlayerStats.m_bCombatMode != 0;
}

void DefaultZoom()
{
    g_Options.FOV = g_Options.FOV2;
    g_Camera.UpdateProjection();
}

const char* AnimName(const EItemInstance* w, ItemAnimation a)
{
    return w && w->m_pDesc ? w->m_pDesc->Anim[a] : "";
}

HOBJECT HeldModel(const EItemInstance* w)
{
    return w ? w->m_hHeldModel : nullptr;
}

// A burst's end leaves smoke at the muzzle: one of the weapon's after-shot effects.
void AfterShotSmoke(const EItemDesc& d, HOBJECT held)
{
    const ItemFxList& list = d.Player_After_Shoot_FX;
    const DWORD n = list.count < ITEM_LIST_ENTRIES ? list.count : ITEM_LIST_ENTRIES;
    const EFxDef* fx = n ? list.defs[static_cast<DWORD>(std::rand()) % n] : list.defs[0];
    if (fx)
        FX.CreateFx(fx, held, d.Shoot_Socket, 0);
}
} // namespace

CPlayerWeapons::CPlayerWeapons()
{
    laserDotFvf = LASER_DOT_FVF;
    recordedSlot = NO_RECORDED_SLOT;
}

// ---- Lifecycle ----------------------------------------------------------------------------

void CPlayerWeapons::ClearSlots()
{
    for (EItemInstance*& s : slots)
        s = nullptr;
}

void CPlayerWeapons::Init()
{
    m_bLevelInitialised = 1;
    currentKind = NO_WEAPON_KIND;
    current = nullptr;
    pending = nullptr;
    turnYaw = turnPitch = 0.0f;
    aiming = 0;
    aimProgress = 0.0f;
    switchDirection = 0.0f;
    switchPhase = 0.0f;
    recoilStrength = recoilDecay = kickBack = kickDecay = 0.0f;
    drawTimer = moveTimer = stillTimer = steadyTimer = turnTimer = sprintTimer = 0.0f;
    state = WS_IDLE;
    holstered = 0;
    currentAnim[0] = 0;
    pendingAnim[0] = 0;
    levelWeaponsReady = 0;
    levelSetupCalled = 0;
    ClearSlots();
    // Looked up when the dot is first drawn (a missing texture stops the game).
    laserTexture = 0;

    const float scale[3] = {kGrenadeScale, kGrenadeScale, kGrenadeScale};
    grenadeObject =
        g_Engine.CreateObject(OT_SKINMESH, GRENADE_MODEL, GRENADE_FLAGS, GRENADE_FLAGS2, nullptr, scale);
    if (grenadeObject)
    {
        g_Engine.SetObjectFlags3(grenadeObject, GRENADE_FLAGS3, ~0u);
        g_Engine.SetObjectName(grenadeObject, GRENADE_NAME);
    }
    g_Engine.PreloadFile(THROWN_GRENADE_MESH, EEngine::PRELOAD_MESH);
    knifeObject = g_Engine.CreateObject(OT_SKINMESH, KNIFE_MODEL, KNIFE_FLAGS, KNIFE_FLAGS2, nullptr, scale);
    if (knifeObject)
    {
        g_Engine.SetObjectFlags3(knifeObject, KNIFE_FLAGS3, ~0u);
        g_Engine.SetObjectAnimation(knifeObject, KNIFE_IDLE, 1, 0.0f, 1.0f);
    }
    g_Engine.PreloadFile(KNIFE_SOUND, EEngine::PRELOAD_SOUND);
}

void CPlayerWeapons::Release()
{
    m_bLevelInitialised = 0;
    g_Engine.DeleteObject(grenadeObject);
    grenadeObject = nullptr;
    g_Engine.DeleteObject(knifeObject);
    knifeObject = nullptr;
    ReleaseLaserDot();
    StopWeaponSound();

    recordedSlot = NO_RECORDED_SLOT;
    for (DWORD k = 0; k < MAX_ROZNYCH_BRONI; ++k)
    {
        const EItemInstance* w = slots[k];
        if (!w || !w->m_pDesc)
            continue;
        WeaponRecord& r = records[k];
        r.used = 1;
        std::memset(r.name, 0, sizeof r.name);
        std::snprintf(r.name, sizeof r.name, "%s", w->m_pDesc->name);
        r.magazine = w->m_iMagazine;
        if (w == current)
            recordedSlot = k;
    }
    std::memcpy(recordedCounters, counters, sizeof counters);
    current = nullptr;
    pending = nullptr;
    ClearSlots();
}

void CPlayerWeapons::Reset()
{
    for (WeaponRecord& r : records)
    {
        r.used = 0;
        r.name[0] = 0;
    }
    grenades = 0;
    grenadeHandBlend = 0.0f;
    grenadeRaise = 1.0f;
    grenadeInHand = 0;
    current = nullptr;
    ClearSlots();
}

bool CPlayerWeapons::WorldStartsFresh() const
{
    if (m_bClearWeapons)
        return true;
    // The first level of each story part starts with the standard set. Only the
    // file's own number counts: a folder or a longer number that merely holds
    // "01" or "08" (level_101, test2008) is another level.
    const char* name = g_Engine.m_szWorld;
    const char* slash = std::strrchr(name, '\\');
    if (const char* s = std::strrchr(name, '/'); s && (!slash || s > slash))
        slash = s;
    const char* base = slash ? slash + 1 : name;
    const char* end = std::strrchr(base, '.');
    if (!end)
        end = base + std::strlen(base);
    const char* digitsEnd = end;
    while (digitsEnd > base && !std::isdigit(static_cast<unsigned char>(digitsEnd[-1])))
        --digitsEnd;
    const char* digits = digitsEnd;
    while (digits > base && std::isdigit(static_cast<unsigned char>(digits[-1])))
        --digits;
    const size_t n = static_cast<size_t>(digitsEnd - digits);
    return n == 2 && (std::strncmp(digits, "01", 2) == 0 || std::strncmp(digits, "08", 2) == 0);
}

void CPlayerWeapons::SetupForLevel()
{
    levelSetupCalled = 1;
    RestoreCarried();
}

void CPlayerWeapons::RestoreCarried()
{
    if (g_SaveMgr.loadInProgress || !CombatMode())
        return;
    if (WorldStartsFresh())
    {
        for (WeaponRecord& r : records)
            r = WeaponRecord{};
        std::memset(counters, 0, sizeof counters);
        std::memset(recordedCounters, 0, sizeof recordedCounters);
        recordedSlot = NO_RECORDED_SLOT;
    }
    bool any = false;
    for (DWORD k = 0; k < MAX_ROZNYCH_BRONI; ++k)
    {
        WeaponRecord& r = records[k];
        if (!r.used)
            continue;
        any = true;
        r.name[sizeof r.name - 1] = 0;
        ItemMgr.GiveItem(r.name, 1);
        if (slots[k])
            slots[k]->m_iMagazine = r.magazine;
    }
    if (any)
    {
        std::memcpy(counters, recordedCounters, sizeof counters);
        if (recordedSlot == NO_RECORDED_SLOT)
            SelectSlot(1);
        else
            SelectImmediate(recordedSlot);
    }
    else
        GiveStandardSet();
    levelWeaponsReady = 1;
}

void CPlayerWeapons::GiveStandardSet()
{
    const StandardSet* set = &STANDARD_SETS[sizeof STANDARD_SETS / sizeof STANDARD_SETS[0] - 1];
    for (const StandardSet& s : STANDARD_SETS)
        if (s.world && CompareNoCase(s.world, g_Engine.m_szWorld) == 0)
        {
            set = &s;
            break;
        }
    for (const Gift& g : set->gifts)
        for (int i = 0; g.name && i < g.times; ++i)
            ItemMgr.GiveItem(g.name, g.count);
    recordedSlot = 0;
    NextWeapon();
    grenades = MAX_GRENADES;
}

// ---- Selection ----------------------------------------------------------------------------

void CPlayerWeapons::StopWeaponSound()
{
    if (!weaponSound)
        return;
    g_SoundMgr.StopSound(weaponSound);
    g_SoundMgr.DeleteSound(weaponSound);
    weaponSound = nullptr;
}

void CPlayerWeapons::StopAiming()
{
    aiming = 0;
    aimProgress = 0.0f;
    DefaultZoom();
}

void CPlayerWeapons::SelectSlot(DWORD kind)
{
    if (switchDirection != 0.0f || holstered || !CombatMode())
        return;
    if (current && state != WS_IDLE && state != WS_RELOADING)
        return;
    if (kind < FIRST_NO_SELECT_KIND && !slots[kind])
        return;
    if (state == WS_RELOADING)
        StopWeaponSound();
    laserOn = 0;
    if (kind >= MAX_ROZNYCH_BRONI)
    {
        pending = nullptr;
        switchDirection = 1.0f;
        state = WS_SWITCHING;
        switchPhase = 0.0f;
        return;
    }
    StopAiming();
    if (current)
    {
        if (current == slots[kind])
            return;
        switchDirection = 1.0f;
        switchPhase = 0.0f;
        state = WS_SWITCHING;
        pending = slots[kind];
        return;
    }
    pending = slots[kind];
    switchDirection = 1.0f;
    state = WS_SWITCHING;
    switchPhase = 1.0f;
}

// The kind reached by stepping from the current one, or the current kind when
// no other carried weapon has cartridges.
static DWORD StepKind(const CPlayerWeapons& w, int step)
{
    const DWORD start = w.current && w.current->m_pDesc && w.current->m_pDesc->Unique_Id < MAX_ROZNYCH_BRONI
                            ? w.current->m_pDesc->Unique_Id
                            : 0;
    DWORD kind = start;
    for (int i = 0; i < MAX_ROZNYCH_BRONI; ++i)
    {
        kind = (kind + MAX_ROZNYCH_BRONI + step) % MAX_ROZNYCH_BRONI;
        const EItemInstance* s = w.slots[kind];
        if (s && s != w.current && (w.counters[kind] != 0 || s->m_iMagazine != 0))
            return kind;
    }
    return kind;
}

// Both wheel steps start alike: refused while a switch or shot is under way,
// aiming ends, and the weapon in hand settles to idle.
bool CPlayerWeapons::BeginWheelStep()
{
    if (current && state != WS_IDLE && state != WS_RELOADING)
        return false;
    StopAiming();
    if (!CombatMode())
        return false;
    wheelReference = static_cast<float>(g_Mouse.m_State.z);
    if (current)
    {
        PlayWeaponAnim(AnimName(current, ANIM_IDLE), 1, 1.0f, 0.0f);
        state = WS_IDLE;
    }
    return true;
}

void CPlayerWeapons::NextWeapon()
{
    if (!BeginWheelStep())
        return;
    const DWORD kind = StepKind(*this, 1);
    refreshProjection = 1;
    SelectSlot(kind);
}

void CPlayerWeapons::PreviousWeapon()
{
    if (!BeginWheelStep())
        return;
    const DWORD kind = StepKind(*this, -1);
    switchDirection = 1.0f;
    state = WS_SWITCHING;
    pending = slots[kind];
    switchPhase = current ? 0.0f : 1.0f;
}

void CPlayerWeapons::SelectImmediate(DWORD kind)
{
    if (holstered || !CombatMode())
        return;
    if (kind >= FIRST_NO_SELECT_KIND)
    {
        current = nullptr;
        currentKind = NO_WEAPON_KIND;
        return;
    }
    if (!slots[kind])
        return;
    current = slots[kind];
    state = WS_IDLE;
    switchDirection = 0.0f;
    switchPhase = 0.0f;
    currentKind = kind;
    aiming = 0;
    aimProgress = 0.0f;
    PlayIdleAnim();
}

void CPlayerWeapons::PutAwayCurrent()
{
    if (!current)
        return;
    if (aiming)
        DefaultZoom();
    if (HOBJECT h = HeldModel(current))
        g_Engine.SetObjectFlags(h, 0, VISIBLE_BIT);
    current = nullptr;
    aiming = 0;
    state = WS_IDLE;
    aimProgress = 0.0f;
    switchPhase = 0.0f;
}

void CPlayerWeapons::Holster()
{
    if (!current)
        return;
    holstered = 1;
    if (HOBJECT h = HeldModel(current))
        g_Engine.SetObjectFlags(h, 0, VISIBLE_BIT);
    laserOn = 0;
}

void CPlayerWeapons::Unholster()
{
    holstered = 0;
    if (HOBJECT h = HeldModel(current))
        g_Engine.SetObjectFlags(h, VISIBLE_BIT, VISIBLE_BIT);
}

void CPlayerWeapons::PlayWeaponAnim(const char* name, BYTE loop, float speed, float blend)
{
    HOBJECT h = HeldModel(current);
    if (!h || h->Type != OT_SKINMESH || !name)
        return;
    std::snprintf(currentAnim, sizeof currentAnim, "%s", name);
    currentAnimLoop = loop;
    g_Engine.SetObjectAnimation(h, name, loop, blend, speed);
    if (current->m_pDesc && current->m_pDesc->fix_empty_nodes)
        g_Engine.UpdateSkinMeshNodes(h);
}

void CPlayerWeapons::PlayIdleAnim()
{
    state = WS_IDLE;
    PlayWeaponAnim(AnimName(current, ANIM_IDLE), 1, 1.0f, 0.0f);
}

void CPlayerWeapons::Reload()
{
    if (!current || state != WS_IDLE || (Player.m_bRunning && Player.m_bMoving) || !current->m_pDesc)
        return;
    const EItemDesc& d = *current->m_pDesc;
    if (current->m_iMagazine == d.Ammo || !KindFits(d.Unique_Id))
        return;
    DWORD& counter = counters[d.Unique_Id];
    if (counter == 0 && current->m_iMagazine != 0)
        return;
    StopAiming();
    state = WS_RELOADING;
    if (counter == 0)
    {
        state = WS_IDLE;
        if (d.Unique_Id == KIND_STEP_BACK_ON_EMPTY)
            PreviousWeapon();
        else
            NextWeapon();
        return;
    }
    PlayWeaponAnim(d.Anim[ANIM_RELOAD], 0, current->m_fReloadSpeed, 0.0f);
    StopWeaponSound();
    if (d.Reload_Sound[0])
    {
        weaponSound = g_SoundMgr.CreateSound(d.Reload_Sound);
        if (weaponSound)
            g_SoundMgr.PlaySound(weaponSound, false);
    }
}

// ---- The frame ----------------------------------------------------------------------------

void CPlayerWeapons::UpdateSwitch()
{
    if (switchDirection == 0.0f)
        return;
    if (switchDirection > 0.0f)
    {
        const bool launcher = current && current->m_pDesc && current->m_pDesc->Rocket_Launcher;
        switchPhase += frameTime * (launcher ? kLauncherSwitchSpeed : kSwitchSpeed);
        if (switchPhase <= 1.0f)
            return;
        switchPhase = 1.0f;
        switchDirection = -1.0f;
        if (current)
        {
            g_Engine.SetObjectFlags(current->m_hHeldModel, HIDDEN_FLAGS, ~0u);
            g_Engine.SetObjectFlags(current->m_hWorldObject, HIDDEN_FLAGS, ~0u);
        }
        current = pending;
        pending = nullptr;
        currentKind = NO_WEAPON_KIND;

        if (current && current->m_pDesc)
        {
            const EItemDesc& d = *current->m_pDesc;
            g_Engine.SetObjectFlags(current->m_hHeldModel, SHOWN_FLAGS, ~0u);
            PlayWeaponAnim(d.Anim[ANIM_SELECT], 0, 1.0f, 0.0f);
            state = WS_DRAWING;
            currentKind = d.Unique_Id;
            if (d.Draw_Sound[0] && g_MainGame.m_iLevelFrame > kDrawSoundFrame)
                g_SoundMgr.PlaySoundOnce(d.Draw_Sound, kFullVolume, kCentre);
            drawTimer = 0.0f;
            ShowWeaponSlots();
            wheelReference = static_cast<float>(g_Mouse.m_State.z);
            if (d.Rocket_Launcher)
            {
                switchDirection = 0.0f;
                switchPhase = 0.0f;
                PlayWeaponAnim(LAUNCHER_DRAW, 0, 1.0f, 0.0f);
                state = WS_DRAWING;
                if (d.Reload_Sound[0])
                    g_SoundMgr.PlaySoundOnce(d.Reload_Sound, kFullVolume, kCentre);
                if (current->m_iMagazine == 0 && KindFits(d.Unique_Id))
                {
                    current->m_iMagazine = 1;
                    if (counters[d.Unique_Id])
                        --counters[d.Unique_Id];
                }
                aiming = 0;
                aimProgress = 0.0f;
            }
        }
        else
            state = WS_IDLE;
    }
    if (switchDirection < 0.0f)
    {
        aiming = 0;
        switchPhase -= frameTime * kSwitchSpeed;
        if (switchPhase <= 0.0f)
        {
            switchPhase = 0.0f;
            switchDirection = 0.0f;
            if (current)
                PlayWeaponAnim(AnimName(current, ANIM_IDLE), 1, 1.0f, 0.0f);
        }
    }
}

void CPlayerWeapons::UpdateWheel()
{
    const float wheel = static_cast<float>(g_Mouse.m_State.z);
    if (g_MainGame.m_iLevelFrame < kWheelFrame || g_Engine.m_bCameraHeld)
    {
        wheelReference = wheel;
        return;
    }
    if (wheel > wheelReference + kWheelStep)
        NextWeapon();
    else if (wheel < wheelReference - kWheelStep)
        PreviousWeapon();
}

void CPlayerWeapons::UpdateFiring()
{
    const EItemDesc& d = *current->m_pDesc;
    // Sprinting.
    if (sprinting && state == WS_IDLE)
        state = WS_SPRINTING;
    if (state == WS_SPRINTING)
    {
        if (!sprinting)
            PlayIdleAnim();
        return;
    }
    const bool free = g_Engine.CanAnimationBeInterrupted(current->m_hHeldModel);
    if (state == WS_DRAWING)
    {
        drawTimer += frameTime;
        if (free)
            PlayIdleAnim();
    }
    if (d.Rocket_Launcher && state == WS_FIRING)
    {
        aiming = 0;
        if (free && KindFits(d.Unique_Id))
        {
            if (counters[d.Unique_Id] == 0)
            {
                state = WS_IDLE;
                PreviousWeapon();
            }
            else
            {
                switchDirection = 1.0f;
                pending = current;
                switchPhase = 0.0f;
                state = WS_SWITCHING;
                --counters[d.Unique_Id];
                current->m_iMagazine = 1;
            }
        }
    }
    if (!triggerHeld && state == WS_FIRING)
    {
        const bool scoped = d.Snajper_Celownik && aiming;
        const bool burst = (d.Single_Shot && !free && !scoped) || current->m_fShotTimer < d.Shoot_Delay;
        if (!burst)
        {
            if (aimProgress == 0.0f)
                PlayWeaponAnim(d.Anim[ANIM_IDLE], 1, 1.0f, 0.0f);
            state = WS_IDLE;
            if (current->m_iMagazine == 0)
                Reload();
            else if (current->m_hHeldModel)
                AfterShotSmoke(d, current->m_hHeldModel);
        }
    }
    if (state == WS_RELOADING && free && KindFits(d.Unique_Id))
    {
        DWORD& counter = counters[d.Unique_Id];
        const DWORD room = d.Ammo > current->m_iMagazine ? d.Ammo - current->m_iMagazine : 0;
        const DWORD n = room < counter ? room : counter;
        if (n > 0)
        {
            current->m_iMagazine += n;
            if (!current->m_bFullAmmo)
                counter -= n;
        }
        PlayIdleAnim();
    }
    triggerHeld = 0;
}

void CPlayerWeapons::UpdateAim()
{
    const float before = aimProgress;
    if (aiming)
        aimProgress =
            aimProgress + frameTime * kAimInSpeed > 1.0f ? 1.0f : aimProgress + frameTime * kAimInSpeed;
    else
    {
        aimProgress =
            aimProgress - frameTime * kAimOutSpeed < 0.0f ? 0.0f : aimProgress - frameTime * kAimOutSpeed;
        if (before > 0.0f && aimProgress == 0.0f && state != WS_RELOADING && state != WS_SWITCHING)
            PlayIdleAnim();
    }
    if (aimProgress != before || refreshProjection)
    {
        refreshProjection = 0;
        g_Options.FOV = g_Options.FOV2 - kAimZoomSpan * aimProgress;
        g_Camera.UpdateProjection();
    }
}

void CPlayerWeapons::ToggleAim()
{
    if (!current || !current->m_pDesc)
        return;
    if (state == WS_RELOADING || state == WS_SWITCHING || state == WS_GRENADE_THROW ||
        state == WS_GRENADE_RAISE)
        return;
    if ((state != WS_IDLE || knifeState != 0) && aimProgress == 0.0f)
        return;
    const EItemDesc& d = *current->m_pDesc;
    if (!aiming && d.Snajper_Celownik && g_Panel.LetterboxOn())
        return;
    aiming = !aiming;
    if (aiming && aimProgress <= 0.0f)
        PlayWeaponAnim(d.Anim[ANIM_AIM], 0, 1.0f, 0.0f);
}

void CPlayerWeapons::UpdateScope()
{
    // The HUD's three view bytes: sniper scope, launcher and machine-gun sights.
    g_Panel.m_bSniperScope = 0;
    g_Panel.m_bGLauncherView = 0;
    g_Panel.m_bMPView = 0;
    HOBJECT h = HeldModel(current);
    if (g_Options.mucha || OBE.m_bRunning)
    {
        DefaultZoom();
        g_Engine.SetObjectFlags(h, HIDDEN_FLAGS, ~0u);
        return;
    }
    const EItemDesc* d = current ? current->m_pDesc : nullptr;
    if (d && aimProgress >= 1.0f)
    {
        g_Panel.m_bGLauncherView = d->GLauncher_Celownik;
        g_Panel.m_bMPView = d->MP_Celownik;
    }
    if (!d || aimProgress < 1.0f || !d->Snajper_Celownik)
        return;
    g_Engine.SetObjectFlags(h, 0, VISIBLE_BIT);
    g_Panel.m_bSniperScope = d->Snajper_Celownik;
    const DWORD kind = d->Unique_Id;
    if (kind >= FIRST_SCOPE_KIND && kind - FIRST_SCOPE_KIND < sizeof SCOPE_ZOOM / sizeof SCOPE_ZOOM[0])
        g_Options.FOV = SCOPE_ZOOM[kind - FIRST_SCOPE_KIND];
    g_Camera.UpdateProjection();
}

void CPlayerWeapons::UpdateScopeVisibility()
{
    HOBJECT h = HeldModel(current);
    // A holstered weapon stays out of sight (on a mounted gun, in a cut-scene).
    if (!h || holstered)
        return;
    const bool scoped =
        current->m_pDesc && current->m_pDesc->Snajper_Celownik && aiming && aimProgress >= 1.0f;
    g_Engine.SetObjectFlags(h, scoped ? 0 : VISIBLE_BIT, VISIBLE_BIT);
}

void CPlayerWeapons::Update()
{
    if (!m_bLevelInitialised)
        return;
    frameTime = g_Engine.m_fDeltaTime;
    if (!levelSetupCalled)
        SetupForLevel();
    if (!levelWeaponsReady)
        RestoreCarried();

    TurnStep();
    const EItemDesc* d = current ? current->m_pDesc : nullptr;

    if (weaponSound && !g_SoundMgr.IsPlaying(weaponSound))
    {
        g_SoundMgr.DeleteSound(weaponSound);
        weaponSound = nullptr;
    }
    if (d && d->Snajper_Celownik && aiming && g_Panel.LetterboxOn())
        aiming = 0;
    if (g_CutScene.m_bPlaying)
    {
        aiming = 0;
        aimProgress = 0.0f;
        return;
    }
    if (g_Engine.m_bCameraHeld || g_MainGame.cameraMoveOn)
        return;

    WalkTimerStep();
    UpdateWheel();
    UpdateLaserDot();
    if (knifeState != 0)
    {
        UpdateKnife();
        return;
    }
    if (state == WS_GRENADE_THROW || state == WS_GRENADE_RAISE)
        UpdateGrenadeThrow();
    UpdateSwitch();
    if (!current || !current->m_pDesc)
    {
        currentAnim[0] = 0;
        sprinting = 0;
        sprintTimer = 0.0f;
        aimProgress = 0.0f;
        return;
    }
    if (state == WS_DRAWING && currentAnimLoop)
        PlayIdleAnim();

    const bool running = !Player.m_bCanMove || (Player.m_bRunning && Player.m_bMoving);
    sprintTimer = running && !g_Panel.m_bPanoramic ? sprintTimer + frameTime : 0.0f;
    sprinting = sprintTimer > kSprintAfter ? 1 : 0;
    if (sprinting && aiming)
        aiming = 0;

    if (!currentAnim[0])
        PlayWeaponAnim(current->m_pDesc->Anim[ANIM_IDLE], 0, 1.0f, 0.0f);
    if (pendingAnim[0] && state != WS_DRAWING)
    {
        PlayWeaponAnim(pendingAnim, pendingAnimLoop, 1.0f, 0.0f);
        pendingAnim[0] = 0;
    }
    current->m_fShotTimer += frameTime;
    UpdateFiring();
    if (state == WS_IDLE && current && current->m_iMagazine == 0)
    {
        if (aiming)
            StopAiming();
        Reload();
    }
    SwayStep();
    if (current)
        UpdateAim();
    UpdateScope();
}

// ---- Items --------------------------------------------------------------------------------

bool CPlayerWeapons::CanPickUp(EItemInstance* item)
{
    if (!item || !item->m_bUsed || !item->m_bWeapon || !item->m_pDesc)
        return false;
    const EItemDesc& d = *item->m_pDesc;
    if (d.Grenade)
        return grenades < MAX_GRENADES;
    if (!KindFits(d.Unique_Id))
        return false;
    const EItemInstance* s = slots[d.Unique_Id];
    return !s || s->m_pDesc != item->m_pDesc || counters[d.Unique_Id] < d.Max_Ammo_Carried;
}

bool CPlayerWeapons::PickUp(EItemInstance* item)
{
    if (!item || !item->m_bUsed || !item->m_bWeapon || !item->m_pDesc)
        return false;
    const EItemDesc& d = *item->m_pDesc;
    if (d.Grenade)
    {
        if (grenades >= MAX_GRENADES)
            return false;
        ++grenades;
        return true;
    }
    // A kind the tables do not hold is never taken.
    if (!KindFits(d.Unique_Id))
        return false;
    const DWORD k = d.Unique_Id;
    DWORD& counter = counters[k];
    EItemInstance* held = slots[k];
    const DWORD cap = d.Max_Ammo_Carried;
    const bool loadsIdleWeapon = held && held != current && held->m_iMagazine == 0;
    // A refused item is left as it lies: hiding it first would leave an
    // invisible item the hero walks over again and again.
    if (held && !loadsIdleWeapon && counter >= cap)
        return false;

    if (g_MainGame.m_iLevelFrame > kPickupSoundFrame && levelWeaponsReady)
        g_SoundMgr.PlaySoundOnce(PICKUP_SOUND, kFullVolume, kCentre);
    g_Engine.SetObjectFlags(item->m_hWorldObject, HIDDEN_FLAGS, ~0u);
    g_Engine.SetObjectFlags(item->m_hHeldModel, HIDDEN_FLAGS, ~0u);
    ShowPickup(k);

    if (loadsIdleWeapon)
    {
        counter += d.Ammo;
        const DWORD magazineSize = held->m_pDesc ? held->m_pDesc->Ammo : d.Ammo;
        const DWORD n = counter < magazineSize ? counter : magazineSize;
        held->m_iMagazine = n;
        counter -= n;
        if (counter > cap)
            counter = cap;
        return true;
    }
    if (held)
    {
        counter = counter + d.Ammo > cap ? cap : counter + d.Ammo;
        DWORD& bonus = counters[KIND_BONUS_CARTRIDGES];
        bonus =
            bonus + kBonusCartridges > kBonusCartridgesCap ? kBonusCartridgesCap : bonus + kBonusCartridges;
        return true;
    }
    slots[k] = item;
    item->m_iMagazine = d.Ammo;
    if (k == KIND_FULL_ON_PICKUP)
        counter = d.Max_Ammo_Carried;
    item->m_fShotTimer = 0.0f;
    item->m_iState = ITEM_CARRIED;
    g_Engine.DeleteObject(item->m_hWorldObject);
    item->m_hWorldObject = nullptr;
    if (item->m_szAction[0])
        g_Engine.RunObjectAction(item->m_szAction, 0);
    return false;
}

void CPlayerWeapons::FillAmmo()
{
    for (DWORD k = 0; k < MAX_ROZNYCH_BRONI; ++k)
        if (slots[k] && slots[k]->m_pDesc)
            counters[k] = slots[k]->m_pDesc->Max_Ammo_Carried;
    grenades = MAX_GRENADES;
}
