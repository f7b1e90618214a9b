// CPlayer: mounted guns. The use key on a rack's gun holsters the hero's
// weapon; he walks up to the gun's "kamera" socket, turns it with the mouse
// within its limits and fires it with the fire key (the rifle's ballistics on
// a light gun, the heavy machine gun's on a heavy one), and the use key takes
// him back where he stood, or to a place a script names.
#include "player/Player.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "game/CutScene.h"
#include "game/MainGame.h"
#include "physics/PhysicsMgr.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/Console.h"
#include "shell/Mouse.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr const char* CAMERA_SOCKET = "kamera";
constexpr const char* MUZZLE_SOCKET = "blik";
constexpr const char* LIGHT_GUN = "AK";
constexpr const char* HEAVY_GUN = "M2";
constexpr float kLightGunDelay = 0.1f;
constexpr float kHeavyGunDelay = 0.2f;
constexpr float kApproachSpeed = 1.8f;
constexpr float kLeaveSpeed = 4.8f;
constexpr float kArrived = 0.1f;
constexpr float kApproachBlend = kPi;
constexpr float kLeaveBlend = 1.4f * kPi;
constexpr float kApproachRoll = -0.02f;
constexpr float kApproachRollReach = 0.5f;
constexpr float kApproachSway = 8.0f;
constexpr float kKickReturn = 2.0f;
constexpr float kPitchDown = -0.5f, kPitchUp = 0.3f;
constexpr float kHeroBelowCamera = 0.75f;
constexpr float kPlaceCameraRise = 0.3f;
constexpr float kFlashAhead = 0.5f;
constexpr float kGunFlash = 3.0f; // the light value of the gun's muzzle flash
constexpr float kShotStray = 0.008f;
constexpr float kShotDamage = 4.0f;
constexpr float kKickUpBase = 0.1f, kKickUpRandom = 0.2f, kKickSideRandom = 0.1f;
constexpr DWORD kSwitchSlot = 3;
constexpr int CMD_USE = 18, CMD_FIRE = 19;

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// A random value below `max`.
float Below(float max)
{
    return max * static_cast<float>(std::rand() % 32768) / 32768.0f;
}

bool StepTowards(D3DXVECTOR3& p, const D3DXVECTOR3& target, float step)
{
    const D3DXVECTOR3 way = target - p;
    const float d = Length(way);
    if (d <= kArrived || !std::isfinite(d))
    {
        p = target;
        return true;
    }
    p += way * (std::min(step, d) / d);
    return false;
}

const EFxDef* RandomFx(const ItemFxList& list)
{
    const DWORD n = std::min<DWORD>(list.count, ITEM_LIST_ENTRIES);
    return n ? list.defs[static_cast<DWORD>(std::rand()) % n] : list.defs[0];
}

const char* RandomSound(const ItemSoundList& list)
{
    const DWORD n = std::min<DWORD>(list.count, ITEM_LIST_ENTRIES);
    return n > 1 ? list.names[static_cast<DWORD>(std::rand()) % n] : list.names[0];
}

// The shot's flash: a light that goes out after a moment, like the weapons' own.

bool SocketFrame(HOBJECT gun, D3DXVECTOR3* position, EOrientation* frame)
{
    D3DXMATRIX m;
    EOrientation o;
    if (!g_Engine.GetObjectSocket(gun, CAMERA_SOCKET, &m, &o))
        return false;
    *position = D3DXVECTOR3(m._41, m._42, m._43);
    if (frame)
        *frame = o;
    return true;
}
} // namespace

void CPlayer::MountGun(const char* gun)
{
    if (m_bOnGun || !gun)
        return;
    if (std::strlen(gun) >= sizeof m_szGunObject)
    {
        g_Console.Print2("Mounted gun name too long: ", gun);
        return;
    }
    HOBJECT o = g_Engine.FindObject(gun, 0);
    if (!o)
        return;
    std::memcpy(m_szGunObject, gun, std::strlen(gun) + 1);
    m_hGunObject = o;
    m_hAimObject = nullptr;
    m_CamFrameAtGun = g_Camera.GetOrientation();
    m_vReturnCamPos = g_Camera.GetPosition();
    m_vGunCamPos = m_vReturnCamPos;
    m_GunViewFrame = m_CamFrameAtGun;
    m_fYawAtGun = static_cast<float>(g_Mouse.m_State.x);
    m_fPitchAtGun = static_cast<float>(g_Mouse.m_State.y);
    m_vReturnPos = D3DXVECTOR3(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    m_GunFrame = o->Orientation;
    m_iGunState = 1;
    m_fGunKickUp = m_fGunKickSide = 0.0f;
    m_fGunBobPhase = 0.0f;
    m_fGunCooldown = 0.0f;
    m_bOnGun = 1;
    Bronie.Holster();
    g_PhysicsMgr.FreezePlayer();
}

void CPlayer::DismountGun(BYTE force, const char* place)
{
    if (!m_bOnGun || m_iGunState == -1)
        return;
    if (m_iGunState == 1 && !force)
        return;
    m_bCanDismount = 1;
    if (place && place[0])
        if (HOBJECT p = g_Engine.FindObject(place, 0))
        {
            m_vReturnPos = p->vPosition;
            m_vReturnCamPos = p->vPosition + D3DXVECTOR3(0.0f, kPlaceCameraRise, 0.0f);
        }
    m_iGunState = -1;
}

void CPlayer::UpdateCamera()
{
    if (g_Engine.m_pLookFrom || g_MainGame.m_iLevelFrame < FRAME_UPDATE || g_CutScene.m_bPlaying ||
        PlayerStats.m_bDead || g_Panel.m_bHold2 || PlayerStats.m_bMissionFailed || m_bOnLadder)
        return;
    if (m_bOnGun)
        GunStep();
}

void CPlayer::GunStep()
{
    const float dt = g_Engine.m_fDeltaTime;
    EMouseState& mouse = g_Mouse.m_State;
    HOBJECT gun = g_Engine.FindObject(m_szGunObject, 0);
    m_hGunObject = gun;
    if (m_iGunState == 1)
    {
        D3DXVECTOR3 socket;
        EOrientation socketFrame;
        if (!gun || !SocketFrame(gun, &socket, &socketFrame))
        {
            DismountGun(1, nullptr);
            return;
        }
        mouse.x = mouse.y = 0.0;
        m_GunViewFrame.Slerp(&socketFrame.Quaternion, std::min(1.0f, kApproachBlend * dt));
        if (StepTowards(m_vGunCamPos, socket, kApproachSpeed * dt))
        {
            m_iGunState = 0;
            g_PhysicsMgr.WarpPlayer(&socket);
            g_Camera.SetPosition(socket);
            g_Camera.SetOrientation(socketFrame);
            m_GunViewFrame = socketFrame;
            return;
        }
        const float remaining = std::min(kApproachRollReach, Length(socket - m_vGunCamPos));
        EOrientation frame = m_GunViewFrame;
        const D3DXVECTOR3 forward = frame.Forward;
        frame.RotateAxisAngle(&forward, kApproachRoll * std::sin(m_fGunBobPhase) * 2.0f * remaining);
        m_fGunBobPhase += kApproachSway * dt;
        g_Camera.SetPosition(m_vGunCamPos);
        g_Camera.SetOrientation(frame);
        return;
    }
    if (m_iGunState == -1)
    {
        const D3DXVECTOR3 hero(m_vPosition.x, m_vPosition.y, m_vPosition.z);
        D3DXVECTOR3 h = hero;
        const bool heroThere = StepTowards(h, m_vReturnPos, kLeaveSpeed * dt);
        const bool cameraThere = StepTowards(m_vGunCamPos, m_vReturnCamPos, kLeaveSpeed * dt);
        m_vPosition = h;
        m_GunViewFrame.Slerp(&m_CamFrameAtGun.Quaternion, std::min(1.0f, kLeaveBlend * dt));
        if (!heroThere && !cameraThere)
        {
            g_Camera.SetPosition(m_vGunCamPos);
            g_Camera.SetOrientation(m_GunViewFrame);
            return;
        }
        m_vPosition = m_vReturnPos;
        m_bOnGun = 0;
        m_iGunState = 0;
        g_Camera.SetPosition(m_vReturnCamPos);
        g_Camera.SetOrientation(m_CamFrameAtGun);
        m_Look = m_CamFrameAtGun;
        mouse.x = m_fYawAtGun;
        mouse.y = m_fPitchAtGun;
        Bronie.Unholster();
        if (!Bronie.current || !Bronie.current->m_pDesc)
        {
            g_Console.Print("Nie ma aktualnej broni, zmieniam na 3");
            Bronie.SelectSlot(kSwitchSlot);
        }
        else
            g_Console.Print2("Jest aktualna bron: ", Bronie.current->m_pDesc->name);
        g_PhysicsMgr.UnfreezePlayerAt(&m_vReturnPos);
        const D3DXVECTOR3 shown = m_vReturnPos;
        g_Engine.SetObjectPosition(m_hObject, &shown, 0);
        return;
    }
    // Manning the gun.
    if (g_Menu.m_bMenuActive)
        return;
    m_fGunCooldown -= dt;
    m_fGunKickUp = m_fGunKickUp > 0.0f ? std::max(0.0f, m_fGunKickUp - kKickReturn * dt)
                                       : std::min(0.0f, m_fGunKickUp + kKickReturn * dt);
    m_fGunKickSide = m_fGunKickSide > 0.0f ? std::max(0.0f, m_fGunKickSide - kKickReturn * dt)
                                           : std::min(0.0f, m_fGunKickSide + kKickReturn * dt);
    if (!gun)
    {
        DismountGun(1, nullptr);
        return;
    }
    if (!std::isfinite(mouse.x) || !std::isfinite(mouse.y))
        mouse.x = mouse.y = 0.0;
    mouse.y = std::clamp(mouse.y, static_cast<double>(kPitchDown), static_cast<double>(kPitchUp));
    EOrientation aim = m_GunFrame;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    aim.RotateAxisAngle(&up, static_cast<float>(mouse.x));
    const D3DXVECTOR3 right = aim.Right;
    aim.RotateAxisAngle(&right, static_cast<float>(mouse.y));
    g_Engine.SetObjectRotation(gun, &aim);
    D3DXVECTOR3 socket;
    if (!SocketFrame(gun, &socket, nullptr))
        socket = gun->vPosition;
    const D3DXVECTOR3 eye = socket + aim.Forward * m_fGunKickUp + aim.Right * m_fGunKickSide;
    g_Camera.SetPosition(eye);
    g_Camera.SetOrientation(aim);
    m_GunViewFrame = aim;
    m_vGunCamPos = eye;
    Bronie.PlaceWeaponView(&eye, &aim, 0.0f, 0.0f);
    g_PhysicsMgr.WarpPlayer(&eye);
    const D3DXVECTOR3 hero(eye.x, eye.y - kHeroBelowCamera, eye.z);
    g_Engine.SetObjectPosition(m_hObject, &hero, 0);
    if (CommandPressed(CMD_USE, m_bUseLatch))
    {
        if (m_bCanDismount)
            DismountGun(0, nullptr);
        return;
    }
    if (PlayerStats.m_bCombatMode && CommandDown(CMD_FIRE))
        FireMountedGun(gun);
}

void CPlayer::FireMountedGun(HOBJECT gun)
{
    if (!gun || m_fGunCooldown > 0.0f)
        return;
    const bool heavy = gun->pActionParams && gun->pActionParams->m4_gun;
    const char* name = heavy ? HEAVY_GUN : LIGHT_GUN;
    const EItemDesc* d = ItemMgr.FindDescription(name);
    if (!d)
    {
        char line[64];
        std::snprintf(line, sizeof line, "Can't find item description for %s.", name);
        g_Console.Print(line);
        return;
    }
    m_fGunCooldown = heavy ? kHeavyGunDelay : kLightGunDelay;
    if (const char* sound = RandomSound(d->Shoot_Sound); sound[0])
        g_SoundMgr.PlaySoundOnce(sound, 1.0f, 0.0f);
    const ItemFxList& muzzle = d->Player_Shoot_FX.count ? d->Player_Shoot_FX : d->Enemy_Shoot_FX;
    if (const EFxDef* fx = RandomFx(muzzle))
        FX.CreateFx(fx, gun, MUZZLE_SOCKET, 0);
    const EOrientation& view = g_Camera.GetOrientation();
    const D3DXVECTOR3 ahead = g_Camera.GetPosition() + view.Forward * kFlashAhead;
    MuzzleFlash(ahead, kGunFlash);
    PMgr.AddAlarm(&ahead, 20.0f, 40.0f, 0, 80.0f, 2, 1, 1);
    auto stray = [] { return (std::rand() & 1 ? -1.0f : 1.0f) * Below(kShotStray); };
    D3DXVECTOR3 direction = view.Forward + D3DXVECTOR3(stray(), stray(), stray());
    const float l = Length(direction);
    direction = l > 0.0f ? direction / l : view.Forward;
    const EOrientation shot(&direction);
    FireWeaponShot(d, &ahead, &shot, m_hObject, 0, kShotDamage);
    m_fGunKickUp = kKickUpBase + Below(kKickUpRandom);
    m_fGunKickSide = Below(kKickSideRandom) - Below(kKickSideRandom);
}
