// CKillCam: the slow-motion shot of a far scoped kill, its start conditions
// and the restoring of time, zoom, colour and camera at its end.
#include "characters/KillCam.h"

#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "physics/PlayerHeli.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/PostProcess.h"
#include "shell/GameOptions.h"
#include "shell/SaveFile.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>

namespace
{
constexpr DWORD HERO_KIND = 128;
constexpr float kHeadLift = 0.2f;
constexpr float kAnchorLift = 0.4f;
constexpr float kMissingSpineLift = 1.0f;
constexpr float kLookLift = 0.2f;
constexpr float kBaseLift = 0.5f;
constexpr float kStartBehind = 10.0f;
constexpr float kFlySpeed = 14.0f;
constexpr float kFadeAtStart = 0.05f;
constexpr float kFadeAtStop = 0.15f;

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

bool IsHero(HOBJECT object)
{
    return object && (object == Player.m_hObject || object->dwFlags3 == HERO_KIND);
}

bool AimingThroughScope()
{
    const EItemInstance* w = Bronie.current;
    return w && w->m_pDesc && w->m_pDesc->Snajper_Celownik && Bronie.aiming;
}

// The hero's branches in which the shot could not advance: the shot never starts there.
bool HeroHeldElsewhere()
{
    return Player.m_bOnGun || Player.m_bOnLadder || g_PlayerHeli.m_bFlying || g_Options.mucha;
}
} // namespace

HOBJECT CKillCam::Victim() const
{
    const HOBJECT v = m_hVictim;
    if (!v || !v->bUsed || v->bDeletePending)
        return nullptr;
    for (int i = 0; i < 3; ++i)
        if (v->PESEL[i] != m_VictimPesel[i])
            return nullptr;
    return v;
}

void CKillCam::Reset()
{
    if (m_bRunning)
        Stop();
    m_bRunning = 0;
    m_hVictim = nullptr;
    m_fCoolDown = 0.0f;
    m_bAllowed = 1;
}

void CKillCam::OnNpcDeath(HOBJECT victim)
{
    const strpostac* p = PMgr.FindCharacterByObject(victim);
    if (!p)
        return;
    if (p->forced_kill_camera)
    {
        Start(victim);
        return;
    }
    if (!IsHero(p->target) || !p->engaged)
        return;
    if (!CanStart(victim) || !m_bAllowed || Player.m_bOnGun || !AimingThroughScope())
        return;
    Start(victim);
}

bool CKillCam::CanStart(HOBJECT victim)
{
    if (!victim)
        return false;
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    if (Distance(victim->vPosition, camera) < MIN_DISTANCE)
        return false;
    if (m_fCoolDown < COOL_DOWN)
        return false;
    if (g_GameAI.IsVariableSet("wymus_muzyke"))
        return false;
    if (!PMgr.m_Postacie)
        return true;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& o = PMgr.m_Postacie[i];
        if (!o.used || o.dead || o.suspended || o.civilian || o.player_record || o.model == victim)
            continue;
        if (Distance(o.position, camera) <= BLOCKER_RANGE && (!o.target || IsHero(o.target)))
            return false;
    }
    return true;
}

void CKillCam::Start(HOBJECT object)
{
    if (m_bRunning || !object)
        return;
    if (Bronie.current && Bronie.aiming)
        Bronie.ToggleAim();
    // The hero's update drives the shot only from its walking branches.
    if (HeroHeldElsewhere())
        return;
    m_SavedFrame = g_Camera.GetViewFrame();
    m_hVictim = object;
    for (int i = 0; i < 3; ++i)
        m_VictimPesel[i] = object->PESEL[i];
    m_bRunning = 1;
    // Saved before anything may stop the shot, so Stop never writes back an
    // unsaved value.
    m_fSavedDesaturation = PostProcess.Desaturacja;
    if (object->Type != OT_SKINMESH || !object->Object)
    {
        Stop();
        return;
    }
    PostProcess.Desaturacja = DESATURATION;
    D3DXVECTOR3 head = object->vPosition;
    if (g_Engine.GetSkinMeshNodePosition(object, "Bip01_Head", &head))
        head.y += kHeadLift;
    m_vLookTarget = head;
    m_fShotTime = 0.0f;
    m_fCoolDown = 0.0f;
    m_fSavedZoom = g_Options.FOV;
    g_Options.FOV = ZOOM;
    g_Options.GlobalTimeSpeed = TIME_SPEED;
    g_Panel.FadeIn(kFadeAtStart);
}

void CKillCam::Update()
{
    if (!m_bRunning)
        return;
    g_Options.GlobalTimeSpeed = TIME_SPEED;
    m_fShotTime += g_Engine.m_fDeltaTime;
    PlaceCamera();
    if (m_bRunning && m_fShotTime > SHOT_TIME)
        Stop();
}

void CKillCam::PlaceCamera()
{
    const HOBJECT victim = Victim();
    if (!victim || victim->Type != OT_SKINMESH || !victim->Object)
    {
        Stop();
        return;
    }
    D3DXVECTOR3 anchor;
    if (!g_Engine.GetSkinMeshNodePosition(victim, "Bip01_Spine1", &anchor))
    {
        anchor = victim->vPosition;
        anchor.y += kMissingSpineLift;
    }
    anchor.y += kAnchorLift;
    m_vLookTarget = anchor;
    m_vLookTarget.y += kLookLift;
    D3DXVECTOR3 base = m_vLookTarget;
    base.y += kBaseLift;
    const D3DXVECTOR3 hero(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    D3DXVECTOR3 direction = m_vLookTarget - hero;
    const float length = D3DXVec3Length(&direction);
    // A zero or broken length keeps the last direction.
    if (length > 1e-6f && std::isfinite(length))
        m_vDirection = direction / length;
    m_vCameraPosition = base - m_vDirection * kStartBehind + m_vDirection * (kFlySpeed * m_fShotTime);
    g_Camera.SetPosition(m_vCameraPosition);
    D3DXVECTOR3 look = m_vLookTarget - m_vCameraPosition;
    const float lookLength = D3DXVec3Length(&look);
    if (lookLength > 1e-6f && std::isfinite(lookLength))
    {
        look /= lookLength;
        const EOrientation facing(&look);
        g_Camera.SetOrientation(facing);
    }
    g_Camera.UpdateProjection();
}

void CKillCam::Stop()
{
    m_bRunning = 0;
    g_Options.GlobalTimeSpeed = 1.0f;
    g_Options.FOV = g_Options.FOV2;
    PostProcess.Desaturacja = m_fSavedDesaturation;
    g_Camera.SetOrientation(m_SavedFrame);
    g_Camera.UpdateProjection();
    g_Panel.FadeIn(kFadeAtStop);
}

bool CKillCam::Save(FILE* file)
{
    return WriteBool(file, m_bAllowed != 0);
}

bool CKillCam::Load(FILE* file)
{
    return ReadBool(file, &m_bAllowed);
}
