// CPostacMgr: a character's weapon in its hand and the muzzle its shots leave
// from, shell casings, bursts, death animations, the dropped weapon, the death
// marker the body follows, and corpses until they go.
#include "characters/PostacMgr.h"

#include "characters/PostacSockets.h"
#include "environment/FxDef.h"
#include "environment/FxMgr.h"
#include "game/GameAI.h"
#include "physics/PhysicsDesc.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/LaserMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr float kPi = 3.14159265f;
constexpr const char* CASING_MODEL = "prefabs\\bronie_static\\luska.x";
constexpr const char* CASING_SOCKET = "luska";
constexpr float kCasingRange = 20.0f;
constexpr float kCasingLife = 30.0f;
constexpr float kCasingGravity = 4.5f;
constexpr float kCasingScale = 0.02f;
constexpr int kBurstShots = 10;
constexpr float kBurstPause = 0.4f;
constexpr float kSniperPause = 3.0f;
constexpr float kDropLift = 1.5f;
constexpr float kDropAngle = 0.4f;
constexpr float kDropSocketLift = 0.5f;
constexpr DWORD DROPPED_FLAGS = 0x100281;
constexpr float kDroppedLife = 600.0f;
constexpr DWORD MARKER_FLAGS = 128;
constexpr DWORD MARKER_FLAGS2 = 0x18000000;
constexpr float kMarkerLift = 0.3f;
constexpr float kMountedMarkerLift = 1.0f;
constexpr float kMarkerPush = 50.0f;
constexpr float kMarkerBoxValue = 8.0f;
constexpr float kMarkerLife = 8.0f;
constexpr float kCorpseLife = 60.0f;
constexpr float kCorpseSpareRange = 50.0f;
constexpr float kCorpseBelowMarker = 0.25f;
constexpr int kLyingStance = 2;
// The laser sight.
constexpr float kLaserReach = 100.0f;
constexpr DWORD kLaserColour = 0xFF2010;

float RandomUnder(float limit)
{
    return RandomFloat(limit);
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

// A character lies when it is in the lying stance and its body is on the
// ground: the animation playing is a lying one (not a lean, which it takes
// on its knees).
bool IsLying(const strpostac* p)
{
    return p->stance_index == kLyingStance && ContainsNoCase(p->anim.szAnimation, "lezy");
}

bool IsCrouching(const strpostac* p)
{
    return ContainsNoCase(p->anim.szAnimation, "kuca") || ContainsNoCase(p->anim.szAnimation, "_dol");
}

// Starts a death or wound animation and keeps it as the current one.
void StartAnimation(strpostac* p, const char* name, float blend)
{
    const char* resolved = g_SequenceList.GetCharacterAnimationName(&p->anim, name);
    g_SequenceList.SetCharacterAnimation(&p->anim, resolved, 0, blend, 1.0f);
    CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, resolved);
    p->anim.bLoop = 0;
}
} // namespace

// ---- The weapon in the hand ----------------------------------------------------------------

void CPostacMgr::UpdatePozycjeGanow(strpostac* p)
{
    if (!p || !p->faza || !p->weapon)
        return;
    if (g_Options.Debug > 3)
        g_Console.Print("UpdatePozycjeGanow");
    p->muzzle_known = 0;
    GetWeaponSocketTransform(p, &p->weapon_position, &p->weapon_orientation);
    p->saved.weapon_position = p->weapon_position;
    p->saved.weapon_orientation = p->weapon_orientation;
    const HOBJECT held = p->weapon->m_hHeldModel;
    if (held)
    {
        g_Engine.SetObjectTransform(held, &p->weapon_position, &p->weapon_orientation, 0, 0);
        EOrientation muzzle;
        const EItemDesc* d = p->weapon->m_pDesc;
        if (d && SocketTransform(held, d->Shoot_Socket_Enemy, &p->muzzle_position, &muzzle))
        {
            p->muzzle_direction = muzzle.Forward;
            p->muzzle_known = 1;
        }
    }
    p->weapon_placed = 1;
    if (p->saved.has_laser && !p->dead)
        UpdateLaserBeam(p);
}

// ---- The laser sight -------------------------------------------------------------------------

bool CPostacMgr::HasLaserSight(const strpostac* p)
{
    return p && p->weapon && p->weapon->m_hHeldModel && p->weapon->m_pDesc &&
           p->weapon->m_pDesc->Light_Socket[0];
}

void CPostacMgr::UpdateLaserBeam(strpostac* p)
{
    if (!p)
        return;
    D3DXVECTOR3 origin;
    EOrientation socket;
    if (!HasLaserSight(p) ||
        !SocketTransform(p->weapon->m_hHeldModel, p->weapon->m_pDesc->Light_Socket, &origin, &socket))
    {
        RemoveLaserBeam(p);
        return;
    }
    D3DXVECTOR3 direction = socket.Forward;
    if (!(D3DXVec3Length(&direction) > 1e-6f))
        direction = p->orientation.Forward;
    D3DXVec3Normalize(&direction, &direction);
    // The beam stops at the first thing it meets, the character's own body aside.
    D3DXVECTOR3 hit = origin, far = origin + direction * kLaserReach;
    D3DXVECTOR3 target = far;
    if (TraceSegment(&hit, &far, p->model, 0, p->weapon->m_hHeldModel, 0, 0, 0) != 0)
        target = hit;
    // A beam keeps the ends it was given: it is given again where the weapon is now.
    RemoveLaserBeam(p);
    const DWORD slot = g_LaserMgr.AddBeam(&origin, &target, kLaserColour, 0);
    if (slot < ELaserMgr::MAX_BEAMS)
    {
        p->laser_beam = slot;
        p->laser_shown = 1;
    }
}

void CPostacMgr::RemoveLaserBeam(strpostac* p)
{
    if (!p || !p->laser_shown)
        return;
    g_LaserMgr.RemoveBeam(p->laser_beam);
    p->laser_shown = 0;
    p->laser_beam = ELaserMgr::MAX_BEAMS;
}

D3DXVECTOR3 CPostacMgr::WeaponPoint(const strpostac* p)
{
    if (p->muzzle_known)
        return p->muzzle_position;
    if (p->weapon_placed)
        return p->weapon_position;
    return p->eye_position;
}

void CPostacMgr::GetWeaponSocketTransform(strpostac* p, D3DXVECTOR3* position, EOrientation* orientation)
{
    if (!p)
        return;
    const EItemDesc* d = p->weapon ? p->weapon->m_pDesc : nullptr;
    CopyCut(p->weapon_socket, sizeof p->weapon_socket, d ? d->EnemySocketR : "");
    if (p->weapon_socket[0] && SocketTransform(p->model, p->weapon_socket, position, orientation))
        return;
    // Printed once per character: the line would otherwise come every frame.
    if (!p->socket_reported)
    {
        p->socket_reported = 1;
        char line[256];
        std::snprintf(line, sizeof line, "brak socketa broni %s u %s", p->weapon_socket, p->name);
        g_Console.Print(line);
    }
    if (position)
        *position = p->position;
    if (orientation)
        *orientation = p->orientation;
}

// ---- Casings and bursts --------------------------------------------------------------------

void CPostacMgr::EjectCasing(strpostac* p)
{
    if (!p || !p->weapon || !p->weapon->m_hHeldModel || !g_Options.DrawNotImportant)
        return;
    if (Distance(p->position, p->aim_point) > kCasingRange)
        return;
    D3DXVECTOR3 at;
    EOrientation socket;
    if (!SocketTransform(p->weapon->m_hHeldModel, CASING_SOCKET, &at, &socket))
        return;
    // The heading without its height, turned a little about the up axis.
    D3DXVECTOR3 heading = p->orientation.Forward;
    heading.y = 0.0f;
    if (D3DXVec3Length(&heading) < 1e-6f)
        heading = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    D3DXVec3Normalize(&heading, &heading);
    EOrientation o(&heading);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    o.RotateAxisAngle(&up, RandomUnder(0.1f));
    // Out to the right, a little upwards, spinning.
    const float speed = 1.5f + RandomUnder(0.5f);
    D3DXVECTOR3 velocity = o.Right * speed;
    velocity.y += (0.5f + RandomUnder(0.4f)) * speed;
    const D3DXVECTOR3 forward = o.Forward;
    o.RotateAxisAngle(&forward, kPi / 2.0f + RandomUnder(kPi / 2.0f));

    EFxDef def;
    def.Type = FX_MESH;
    CopyCut(def.Filename[0], sizeof def.Filename[0], CASING_MODEL);
    def.FilenameCount = 1;
    def.Pos = at;
    def.Orientation = o;
    def.Use_Rotation = 1;
    def.Move = 1;
    def.Vel = velocity;
    // The effect pool refuses mesh effects that ask for physics, so the casing
    // flies as a moving mesh under its own gravity instead.
    def.Life_Time = kCasingLife;
    def.Gravity = kCasingGravity;
    def.Scale = D3DXVECTOR3(kCasingScale, kCasingScale, kCasingScale);
    if (FX.CreateFx(&def, nullptr, nullptr, 0) != FX.Reserved())
        ++m_iCasings;
}

void CPostacMgr::NewBurst(strpostac* p)
{
    if (!p)
        return;
    p->burst_count = static_cast<DWORD>(kBurstShots + std::rand() % kBurstShots);
    p->burst_pause = p->sniper ? kSniperPause : kBurstPause + RandomUnder(kBurstPause);
    p->saved.burst_timer = p->burst_pause;
    p->in_burst = 0;
}

// ---- Death animations and wounds ------------------------------------------------------------

void CPostacMgr::PlayDeathAnimation(strpostac* p)
{
    if (!p)
        return;
    char name[POSTAC_NAME_SIZE];
    if (IsLying(p))
        CopyCut(name, sizeof name, "smierc_z_lezenia");
    else if (IsCrouching(p))
        std::snprintf(name, sizeof name, "smierc_z_kucania%d", 1 + std::rand() % 4);
    else
        std::snprintf(name, sizeof name, "smierc_ze_stania%d", 1 + std::rand() % 8);
    StartAnimation(p, name, 0.0f);
}

bool CPostacMgr::PlayCrouchWound(strpostac* p, int variant)
{
    if (!p)
        return false;
    ClearPath(p);
    if (p->player_record || !p->model || p->model->Type != OT_SKINMESH)
        return false;
    if (!ContainsNoCase(p->anim.szAnimation, "dol") && !ContainsNoCase(p->anim.szAnimation, "kuca"))
        return false;
    const char* name = variant == 1 ? "kuca_postrzal_1" : "kuca_postrzal_2";
    if (!g_Engine.HasAnimation(p->model, name))
        return false;
    g_SequenceList.SetCharacterAnimation(&p->anim, name, 0, 0.15f, 1.0f);
    CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, name);
    p->anim.bLoop = 0;
    return true;
}

// ---- The dropped weapon -------------------------------------------------------------------

void CPostacMgr::DropWeapon(strpostac* p)
{
    if (!p || !p->weapon)
        return;
    EItemInstance* held = p->weapon;
    // The record lets go first: whatever happens below, the item is never
    // deleted a second time through this character.
    p->weapon = nullptr;
    p->anim.pWeapon = nullptr;
    if (p->desc && p->desc->nie_zostawiaj_gana)
    {
        ItemMgr.DeleteItem(held->m_iSlot);
        return;
    }
    EItemDesc* desc = held->m_pDesc;
    D3DXVECTOR3 at = p->position;
    at.y += kDropLift;
    EOrientation orientation(kDropAngle, kDropAngle, kDropAngle);
    D3DXVECTOR3 socketAt;
    EOrientation socket;
    if (p->weapon_socket[0] && SocketTransform(p->model, p->weapon_socket, &socketAt, &socket))
    {
        at = socketAt;
        at.y += kDropSocketLift;
        orientation = socket;
    }
    // A held weapon has only its hand model: the weapon that falls is a new
    // lying item of the same kind with the magazine the character had.
    const DWORD magazine = held->m_iMagazine;
    ItemMgr.DeleteItem(held->m_iSlot);
    EItemInstance* item = desc ? ItemMgr.CreateItem(desc, &at, &orientation) : nullptr;
    if (!item || !item->m_hWorldObject)
        return;
    item->m_iMagazine = magazine;
    g_Engine.SetObjectTransform(item->m_hWorldObject, &at, &orientation, 1, 0);
    g_Engine.SetObjectFlags(item->m_hWorldObject, DROPPED_FLAGS, ~0u);
    ItemMgr.ThrowItem(item);
    item->m_iState = ITEM_LYING;
    item->m_fLife = kDroppedLife;
}

// ---- Death marker and corpse -----------------------------------------------------------------

HOBJECT CPostacMgr::DeathMarker(const strpostac* p)
{
    const HOBJECT m = p ? p->death_marker : nullptr;
    if (!m || !m->bUsed || m->bDeletePending)
        return nullptr;
    for (int i = 0; i < 3; ++i)
        if (m->PESEL[i] != p->death_marker_pesel[i])
            return nullptr;
    return m;
}

void CPostacMgr::DeleteDeathMarker(strpostac* p)
{
    if (!p)
        return;
    if (const HOBJECT m = DeathMarker(p))
        g_Engine.DeleteObject(m);
    p->death_marker = nullptr;
}

void CPostacMgr::AddDeathMarker(strpostac* p, const D3DXVECTOR3* hit)
{
    if (!p)
        return;
    DeleteDeathMarker(p);
    const bool mounted = p->faza && p->faza->mount[0];
    EObjectDesc desc;
    desc.Type = OT_MESH;
    CopyCut(desc.szFileName, sizeof desc.szFileName, MARKER_MODEL);
    desc.vPosition = p->position;
    desc.vPosition.y += mounted ? kMountedMarkerLift : kMarkerLift;
    desc.dwFlags = MARKER_FLAGS;
    desc.dwFlags2 = MARKER_FLAGS2;
    const HOBJECT marker = g_Engine.AddObject(&desc);
    if (!marker)
    {
        g_Console.Print("Failed to add hDeathMarker");
        return;
    }
    p->death_marker = marker;
    for (int i = 0; i < 3; ++i)
        p->death_marker_pesel[i] = marker->PESEL[i];
    g_Engine.RespawnObject(marker);
    const D3DXVECTOR3 scale(0.95f, 0.5f, 0.95f);
    g_Engine.SetObjectScale(marker, &scale);
    g_Engine.SetObjectPosition(marker, &desc.vPosition, 1);
    if (mounted)
    {
        EPhysicsDesc physics;
        physics.iShape = 1;
        physics.fMassOrSize = kMarkerBoxValue;
        g_Engine.SetObjectPhysicsDesc(marker, &physics);
        if (hit)
        {
            const D3DXVECTOR3 force = *hit * kMarkerPush;
            g_Engine.PutForceToObject(marker, &force, 0.0f);
        }
    }
}

void CPostacMgr::AlignCorpseToMarker(strpostac* p)
{
    if (!p || !p->model)
        return;
    const HOBJECT marker = DeathMarker(p);
    g_Engine.SetObjectPosition(p->model, &p->death_position, 0);
    g_Engine.UpdateSkinMeshNodes(p->model);
    D3DXVECTOR3 offset(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 spine;
    // A missing node gives no offset.
    if (g_Engine.GetSkinMeshNodePosition(p->model, "Bip01_Spine", &spine))
        offset = D3DXVECTOR3(spine.x - p->model->vPosition.x, 0.0f, spine.z - p->model->vPosition.z);
    D3DXVECTOR3 at = p->death_position - offset;
    at.y = marker ? marker->vPosition.y - kCorpseBelowMarker : p->death_position.y;
    g_Engine.SetObjectPosition(p->model, &at, 0);
    g_Engine.UpdateSkinMeshNodes(p->model);
}

void CPostacMgr::KeepCorpseOnObject(strpostac* p)
{
    if (!p || !p->faza)
        return;
    const HOBJECT object = g_Engine.FindObject(p->faza->stay_on_death, 0);
    if (!object)
    {
        p->delete_request = 1;
        return;
    }
    D3DXVECTOR3 at;
    EOrientation orientation;
    // A missing socket leaves the body where it is.
    if (p->model && SocketTransform(object, p->faza->stay_on_death2, &at, &orientation))
        g_Engine.SetObjectTransform(p->model, &at, &orientation, 0, 0);
}

void CPostacMgr::UpdateCorpse(strpostac* p)
{
    if (!p || !p->dead || !p->desc || p->ghost)
        return;
    p->corpse_time += g_Engine.m_fDeltaTime;
    if (p->corpse_time > kMarkerLife)
        DeleteDeathMarker(p);
    PlaceHat(p);
    if (DeathMarker(p))
    {
        AlignCorpseToMarker(p);
        if (p->model && g_Engine.CanAnimationBeInterrupted(p->model))
            p->death_settling = 0;
    }
    if (p->corpse_time > kCorpseLife && !g_GameAI.HasAIEntry(p->name))
    {
        D3DXVECTOR3 chest = p->position;
        chest.y += 1.0f;
        const bool spared = p->target && Distance(chest, g_Camera.GetPosition()) <= kCorpseSpareRange;
        if (!spared)
            p->delete_request = 1;
    }
}
