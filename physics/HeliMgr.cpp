#include "physics/HeliMgr.h"

#include "environment/FxMgr.h"
#include "game/Rockets.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "physics/PlayerHeli.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/Console.h"
#include "shell/FolderFiles.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"
#include "world/ShakeParams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

EHeliMgr g_HeliMgr;

namespace
{
constexpr const char* kFolder = "scripts\\helicopters";
constexpr int kLineSize = 256;
constexpr const char* kRotorSound = "sounds\\vehicles\\heli_01.wav";
constexpr const char* kRotorSoundInside = "sounds\\vehicles\\heli_01_inside.wav";
constexpr const char* kInsideObject = "heli001";
constexpr const char* kInsideWorld = "worlds\\level13.w";
constexpr float kRotorRange = 250.0f;
constexpr float kScriptedSoundRange = 650.0f;
constexpr const char* kDust = "e_dymek_spod_helikoptera";
constexpr float kRocketSoundRange = 250.0f;
constexpr float kRocketSpeed = 80.0f;
constexpr const char* kGunItem = "ak";
constexpr const char* kEye = "oko";
constexpr const char* kRockets[2] = {"rakieta1", "rakieta2"};
constexpr const char* kGuns[4] = {"karabin1", "karabin2", "karabin3", "karabin4"};
constexpr float kShakeValues[4] = {0.6f, 0.2f, 0.4f, 0.3f};
constexpr float kHeroPushScale = 0.2f;
constexpr float kObjectPushScale = 0.7f;
constexpr float kNoseDot = 0.5f;
constexpr float kFirstRocket = 0.1f;
constexpr float kSecondRocket = 1.0f;
constexpr float kGunsFrom = 2.0f;
constexpr float kGunPeriod = 0.06f;
constexpr float kRocketSpread = 0.5f;
constexpr float kRocketScatter[3] = {5.0f, 2.0f, 5.0f};
constexpr float kGunSpread = 4.0f;
constexpr float kNestReach = 400.0f;
constexpr float kNestSocketDot = 0.4f;
constexpr float kPushEpsilon = 1e-3f;
// Flag word 1 bit: the object has a dynamic body.
constexpr DWORD kHeliFlags = 1;

template <size_t N> void CopyCut(char (&field)[N], const char* value)
{
    std::snprintf(field, N, "%s", value ? value : "");
}

// A random fraction of the value with a random sign.
float Signed(float value)
{
    const float v = RandomFloat(value);
    return RandomFloat(1.0f) < 0.5f ? -v : v;
}

bool SamePesel(const DWORD* a, HOBJECT o)
{
    return o && o->bUsed && a[0] == o->PESEL[0] && a[1] == o->PESEL[1] && a[2] == o->PESEL[2];
}

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool SocketPosition(HOBJECT o, const char* socket, D3DXVECTOR3* out, EOrientation* orientation = nullptr,
                    MeshSocketRef* ref = nullptr)
{
    D3DXMATRIX m;
    if (!g_Engine.GetObjectSocket(o, socket, &m, orientation, ref))
        return false;
    *out = D3DXVECTOR3(m._41, m._42, m._43);
    return Finite(*out);
}

// The downwash trace skips the helicopter and its own parts.
bool NotThisHeli(HOBJECT candidate, RayTestUser user)
{
    const EHeli* heli = reinterpret_cast<const EHeli*>(user);
    if (candidate == heli->hObject)
        return false;
    for (HOBJECT part : heli->hParts)
        if (part && candidate == part)
            return false;
    return true;
}
} // namespace

EHeliMgr::EHeliMgr()
{
    std::memset(m_Defs, 0, sizeof m_Defs);
    std::memset(m_Heli, 0, sizeof m_Heli);
}

// ---- Definitions ----------------------------------------------------------------------------------

void EHeliMgr::LoadAll()
{
    std::memset(m_Defs, 0, sizeof m_Defs);
    m_iNumDefs = 0;
    m_bDefsLoaded = 1;
    ForEachFileIn(kFolder, "*.txt", [this](const char* path) { ParseHeli(path); });
}

void EHeliMgr::ParseHeli(const char* file)
{
    FILE* f = file ? TkFopen(file, "rb") : nullptr;
    if (!f)
        return;
    EHeliDef* def = nullptr;
    char line[kLineSize + 1];
    while (!std::feof(f) && !std::ferror(f))
    {
        line[0] = 0;
        ReadLineOrSkip(f, line, kLineSize);
        if (IsKeyword(line, "helicopter"))
        {
            // The first slot stays free: at most 15 definitions are kept.
            if (m_iNumDefs + 1 >= static_cast<DWORD>(MAX_HELI_CREATE_PARAMS))
            {
                g_Console.Print("MAX_HELI_CREATE_PARAMS exceeded!");
                break;
            }
            def = &m_Defs[++m_iNumDefs];
            std::memset(def, 0, sizeof *def);
            CopyCut(def->szName, GetLineValue(line));
            continue;
        }
        // Lines before the first definition have nothing to add to.
        if (!def)
            continue;
        const bool skin = IsKeyword(line, "attachment_skinmesh");
        if (!skin && !IsKeyword(line, "attachment"))
            continue;
        if (def->iNumAttachments >= static_cast<DWORD>(MAX_HELI_ATTACHMENTS))
            continue;
        const DWORD i = def->iNumAttachments++;
        CopyCut(def->szFile[i], GetToken(line, 1));
        CopyCut(def->szSocket[i], GetToken(line, 2));
        if (skin)
            CopyCut(def->szAnimation[i], GetToken(line, 3));
        def->bSkinMesh[i] = skin ? 1 : 0;
    }
    std::fclose(f);
}

const EHeliDef* EHeliMgr::FindHeliDef(const char* name) const
{
    if (!name || !name[0])
        return nullptr;
    for (DWORD i = 1; i <= m_iNumDefs && i < static_cast<DWORD>(MAX_HELI_CREATE_PARAMS); ++i)
        if (CompareNoCase(m_Defs[i].szName, name) == 0)
            return &m_Defs[i];
    return nullptr;
}

// ---- Live helicopters -----------------------------------------------------------------------------

bool EHeliMgr::Alive(const EHeli& heli) const
{
    return heli.bUsed && SamePesel(heli.ObjectPesel, heli.hObject);
}

bool EHeliMgr::PartAlive(const EHeli& heli, int i) const
{
    return heli.hParts[i] && SamePesel(heli.PartPesel[i], heli.hParts[i]);
}

EHeli* EHeliMgr::FindHeli(HOBJECT object)
{
    if (!object)
        return nullptr;
    for (EHeli& h : m_Heli)
        if (h.bUsed && h.hObject == object)
            return &h;
    return nullptr;
}

bool EHeliMgr::IsPart(HOBJECT object) const
{
    if (!object)
        return false;
    for (const EHeli& h : m_Heli)
        if (h.bUsed)
            for (HOBJECT part : h.hParts)
                if (part == object)
                    return true;
    return false;
}

void EHeliMgr::CreateHeli(HOBJECT object)
{
    if (!object || !object->bUsed)
        return;
    // Once per object; and parts never become helicopters of their own.
    if (m_bMakingParts || FindHeli(object) || IsPart(object))
        return;
    if (!m_bDefsLoaded)
        LoadAll();
    const EHeliDef* def = FindHeliDef(object->szFileName);
    if (!def)
        return;
    EHeli* heli = nullptr;
    for (EHeli& h : m_Heli)
        if (!h.bUsed)
        {
            heli = &h;
            break;
        }
    if (!heli)
    {
        g_Console.Print("MAX_HELI limit exceeded!!!");
        return;
    }
    std::memset(heli, 0, sizeof *heli);
    heli->pDef = def;
    heli->bUsed = 1;
    heli->hObject = object;
    std::memcpy(heli->ObjectPesel, object->PESEL, sizeof heli->ObjectPesel);
    const bool inside = CompareNoCase(object->szName, kInsideObject) == 0 &&
                        CompareNoCase(g_Engine.m_szWorld, kInsideWorld) == 0;
    CopyCut(heli->szRotorSound, inside ? kRotorSoundInside : kRotorSound);
    g_Engine.SetObjectFlags(object, OF_DYNAMIC_BODY, OF_STATIC_BODY | OF_DYNAMIC_BODY);
    g_Engine.SetObjectSound(object, heli->szRotorSound, kRotorRange, "", 1);

    m_bMakingParts = 1;
    for (DWORD i = 0; i < def->iNumAttachments && i < static_cast<DWORD>(MAX_HELI_ATTACHMENTS); ++i)
    {
        const BYTE type = def->bSkinMesh[i] ? OT_SKINMESH : OT_MESH;
        HOBJECT part =
            g_Engine.CreateObject(type, def->szFile[i], kHeliFlags, 0, &object->vPosition.x, nullptr);
        if (!part)
        {
            g_Console.Print2("Failed to add helicopter part ", def->szFile[i]);
            continue;
        }
        heli->hParts[i] = part;
        std::memcpy(heli->PartPesel[i], part->PESEL, sizeof heli->PartPesel[i]);
        if (def->bSkinMesh[i] && def->szAnimation[i][0])
            g_Engine.SetObjectAnimation(part, def->szAnimation[i], 1, 0.0f, 1.0f);
    }
    m_bMakingParts = 0;
    PlaceParts(heli);
    heli->bPartsAttached = 1;
}

void EHeliMgr::Reset()
{
    if (!m_bDefsLoaded)
        LoadAll();
    std::memset(m_Heli, 0, sizeof m_Heli);
    m_iDust = m_iShakes = 0;
}

void EHeliMgr::ReleaseHeli(EHeli* heli)
{
    if (!heli || !heli->bUsed)
        return;
    // The record is cleared first: deleting a part never finds it half released.
    EHeli copy = *heli;
    std::memset(heli, 0, sizeof *heli);
    for (int i = 0; i < MAX_HELI_ATTACHMENTS; ++i)
        if (PartAlive(copy, i))
            g_Engine.DeleteObject(copy.hParts[i]);
}

void EHeliMgr::ReleaseAll()
{
    for (EHeli& h : m_Heli)
        ReleaseHeli(&h);
}

void EHeliMgr::ReleaseHeliOfObject(HOBJECT object)
{
    if (EHeli* heli = FindHeli(object))
        ReleaseHeli(heli);
    // A part deleted by anything else is forgotten by its helicopter.
    for (EHeli& h : m_Heli)
        if (h.bUsed)
            for (HOBJECT& part : h.hParts)
                if (part == object)
                    part = nullptr;
}

// ---- Script commands ------------------------------------------------------------------------------

void EHeliMgr::SetHeliSound(HOBJECT object, const char* file)
{
    EHeli* heli = FindHeli(object);
    if (!heli || !file)
        return;
    CopyCut(heli->szRotorSound, file);
    g_Engine.SetObjectSound(object, heli->szRotorSound, kScriptedSoundRange, "", 1);
}

void EHeliMgr::AllowShooting(HOBJECT object, float range, float burstLength, float burstPause)
{
    EHeli* heli = FindHeli(object);
    if (!heli)
        return;
    heli->fRange = range;
    heli->fBurstLength = burstLength;
    heli->fBurstPause = burstPause;
    heli->iAttackStage = 0;
    heli->fAttackClock = heli->fGunClock = heli->fBurstClock = 0.0f;
    heli->bInBurst = 0;
    heli->bShootingAllowed = 1;
    g_Console.Print2("Zezwalam na strzelanie ", object->szName);
}

void EHeliMgr::ForbidShooting(HOBJECT object)
{
    EHeli* heli = FindHeli(object);
    if (!heli)
        return;
    heli->bShootingAllowed = 0;
    g_Console.Print2("Zabraniam strzelac ", object->szName);
}

void EHeliMgr::HideHeli(HOBJECT object)
{
    EHeli* heli = FindHeli(object);
    if (!heli)
        return;
    for (int i = 0; i < MAX_HELI_ATTACHMENTS; ++i)
        if (PartAlive(*heli, i))
            g_Engine.SetObjectFlags(heli->hParts[i], 0, 1);
    g_Engine.SetObjectSound(object, nullptr, 0.0f, "", 0);
}

void EHeliMgr::UnhideHeli(HOBJECT object)
{
    EHeli* heli = FindHeli(object);
    if (!heli)
        return;
    for (int i = 0; i < MAX_HELI_ATTACHMENTS; ++i)
        if (PartAlive(*heli, i))
            g_Engine.SetObjectFlags(heli->hParts[i], 1, 1);
    g_Engine.SetObjectSound(object, heli->szRotorSound, kRotorRange, "", 1);
}

// ---- Per frame ------------------------------------------------------------------------------------

void EHeliMgr::PlaceParts(EHeli* heli)
{
    if (!heli->pDef)
        return;
    HOBJECT o = heli->hObject;
    for (int i = 0; i < MAX_HELI_ATTACHMENTS; ++i)
    {
        if (!heli->hParts[i])
            continue;
        if (!PartAlive(*heli, i))
        {
            heli->hParts[i] = nullptr;
            continue;
        }
        // A part whose socket is missing stays on the helicopter's own place.
        D3DXVECTOR3 at = o->vPosition;
        SocketPosition(o, heli->pDef->szSocket[i], &at, nullptr, &heli->PartSocketRef[i]);
        g_Engine.SetObjectTransform(heli->hParts[i], &at, &o->Orientation, 1, 1);
    }
}

void EHeliMgr::UpdateAttachments()
{
    for (EHeli& h : m_Heli)
        if (h.bUsed && h.bPartsAttached && Alive(h))
            PlaceParts(&h);
}

void EHeliMgr::Update()
{
    m_fFrameTime = g_Engine.m_fDeltaTime;
    for (EHeli& h : m_Heli)
    {
        if (!h.bUsed)
            continue;
        if (!Alive(h))
        {
            ReleaseHeli(&h);
            continue;
        }
        h.fWashClock += m_fFrameTime;
        if (h.fWashClock >= WASH_PERIOD)
        {
            h.fWashClock = 0.0f;
            RotorWash(&h);
        }
        if (!h.bPartsAttached)
            continue;
        if (!h.hObject->dwBattle && h.bShootingAllowed)
            ShootAtPlayer(&h);
        if (h.hObject->dwBattle)
            ShootAtBattlefield(&h);
    }
}

void EHeliMgr::RotorWash(EHeli* heli)
{
    HOBJECT o = heli->hObject;
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    const D3DXVECTOR3 toCamera = o->vPosition - camera;
    if (!(D3DXVec3Length(&toCamera) < WASH_REACH))
        return;
    const D3DXVECTOR3 from(o->vPosition.x + Signed(m_fWashSpread), o->vPosition.y,
                           o->vPosition.z + Signed(m_fWashSpread));
    const D3DXVECTOR3 to(from.x, from.y - WASH_DEPTH, from.z);
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = NotThisHeli;
    query.dwUser = reinterpret_cast<RayTestUser>(heli);
    RayTestResult result;
    if (!g_IntersectSegment.Test(&query, &result) || !result.bHit || !Finite(result.vPoint))
        return;
    const D3DXVECTOR3 point = result.vPoint;
    const D3DXVECTOR3 pointToCamera = camera - point;
    const float d = D3DXVec3Length(&pointToCamera);
    if (d < DUST_DISTANCE)
    {
        const EOrientation upright;
        g_FxMgr.CreateFxByName(kDust, &point, &upright);
        ++m_iDust;
    }
    if (d < SHAKE_DISTANCE && !g_Panel.LetterboxOn())
    {
        EShakeParams shake;
        shake.bEnabled = 1;
        shake.fValues[0] = SHAKE_DISTANCE;
        for (int i = 0; i < 4; ++i)
            shake.fValues[1 + i] = kShakeValues[i];
        g_Camera.StartShake(shake, point);
        ++m_iShakes;
    }
    if (d < PUSH_HERO_DISTANCE)
    {
        const D3DXVECTOR3 away(Player.m_vPosition.x - point.x, 0.0f, Player.m_vPosition.z - point.z);
        const float length = D3DXVec3Length(&away);
        // Right under the point there is no direction to push along.
        if (length > kPushEpsilon && std::isfinite(length))
            Player.m_vVelocity += away / length * ((PUSH_REACH - d) * kHeroPushScale);
    }
    if (d < PUSH_OBJECTS_DISTANCE)
    {
        const int high = g_Engine.GetHighWaterMark(OT_MESH);
        for (int slot = FIRST_MESH_SLOT; slot < high && slot < MAX_OBJECTS; ++slot)
        {
            strObject& other = g_Engine.m_Objects[slot];
            if (!other.bUsed || other.Type != OT_MESH || !other.pPhysicsBody || !other.Object)
                continue;
            if (&other == g_PlayerHeli.m_hObject || &other == o)
                continue;
            const EObjectPhysics* p = g_PhysicsMgr.GetObjectPhysics(&other);
            if (!p || p->bKinematic || p->bSkipPhysics)
                continue;
            const D3DXVECTOR3 away = other.vPosition - point;
            const float distance = D3DXVec3Length(&away);
            if (!(distance < PUSH_REACH) || distance <= kPushEpsilon)
                continue;
            const EPhysicsDesc& desc = static_cast<EMesh*>(other.Object)->PhysicsDesc();
            if (!desc.bRigidBody && !desc.bBulletHits && !desc.bExplosions)
                continue;
            const D3DXVECTOR3 push = away / distance * ((PUSH_REACH - distance) * kObjectPushScale);
            g_PhysicsMgr.PushObject(&other, &push);
        }
    }
}

void EHeliMgr::ShootAtPlayer(EHeli* heli)
{
    HOBJECT o = heli->hObject;
    if (o->bHeliFlying || o->fCameraDistance > heli->fRange || Player.HideZoneTest())
        return;
    D3DXVECTOR3 eye;
    if (!SocketPosition(o, kEye, &eye))
        return;
    const D3DXVECTOR3 hero(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    D3DXVECTOR3 toHero = hero - eye;
    const float length = D3DXVec3Length(&toHero);
    if (!(length > kPushEpsilon))
        return;
    toHero /= length;
    if (D3DXVec3Dot(&toHero, &o->Orientation.Forward) < kNoseDot)
        return;
    if (heli->iAttackStage == 0)
    {
        RayTestQuery query;
        query.pFrom = &eye.x;
        query.pTo = &hero.x;
        query.pfnFilter = NotThisHeli;
        query.dwUser = reinterpret_cast<RayTestUser>(heli);
        RayTestResult result;
        if (g_IntersectSegment.Test(&query, &result) && result.bHit && result.pObject != Player.m_hObject)
            return;
    }
    Attack(heli, hero, true);
}

void EHeliMgr::ShootAtBattlefield(EHeli* heli)
{
    HOBJECT o = heli->hObject;
    if (o->bHeliOutward)
        return;
    D3DXVECTOR3 eye;
    EOrientation socket;
    if (!SocketPosition(o, kEye, &eye, &socket))
        return;
    const EHeliNest* target = nullptr;
    for (const EHeliNest& nest : m_Nests)
    {
        if (!nest.bActive)
            continue;
        D3DXVECTOR3 to = nest.vPosition - eye;
        const float distance = D3DXVec3Length(&to);
        if (!(distance <= kNestReach) || distance <= kPushEpsilon)
            continue;
        to /= distance;
        const D3DXVECTOR3 socketAxis(socket.Matrix._11, socket.Matrix._12, socket.Matrix._13);
        if (D3DXVec3Dot(&to, &socketAxis) >= kNestSocketDot &&
            D3DXVec3Dot(&to, &o->Orientation.Forward) >= 0.0f)
            target = &nest; // the last that qualifies, not the nearest
    }
    if (target)
        Attack(heli, target->vPosition, false);
}

void EHeliMgr::Attack(EHeli* heli, const D3DXVECTOR3& target, bool)
{
    heli->vLastTarget = target;
    const float dt = m_fFrameTime;
    heli->fAttackClock += dt;
    heli->fGunClock += dt;
    if (heli->iAttackStage == 0)
    {
        if (heli->fAttackClock >= kFirstRocket)
        {
            FireRocket(heli, kRockets[0], target);
            heli->iAttackStage = 1;
        }
        return;
    }
    if (heli->iAttackStage == 1)
    {
        if (heli->fAttackClock >= kSecondRocket)
        {
            FireRocket(heli, kRockets[1], target);
            heli->iAttackStage = 2;
            heli->bInBurst = 1;
            heli->fBurstClock = 0.0f;
        }
        return;
    }
    if (heli->fAttackClock < kGunsFrom)
        return;
    heli->fBurstClock += dt;
    if (heli->fGunClock < kGunPeriod)
        return;
    if (!heli->bInBurst)
    {
        if (heli->fBurstClock < heli->fBurstPause)
            return;
        heli->bInBurst = 1;
        heli->fBurstClock = 0.0f;
    }
    heli->fGunClock = 0.0f;
    FireVolley(heli, target);
    if (heli->fBurstClock >= heli->fBurstLength)
    {
        heli->bInBurst = 0;
        heli->fBurstClock = 0.0f;
    }
}

void EHeliMgr::FireRocket(EHeli* heli, const char* socket, const D3DXVECTOR3& target)
{
    D3DXVECTOR3 from;
    // A missing socket skips the shot.
    if (!SocketPosition(heli->hObject, socket, &from))
        return;
    ++heli->iRockets;
    const D3DXVECTOR3 aim(target.x + Signed(kRocketSpread) + Signed(kRocketScatter[0]),
                          target.y + Signed(kRocketSpread) + Signed(kRocketScatter[1]),
                          target.z + Signed(kRocketSpread) + Signed(kRocketScatter[2]));
    RocketLaunch launch;
    launch.vFrom = from;
    launch.vDirection = aim - from;
    launch.fSpeed = kRocketSpeed;
    launch.hShooter = heli->hObject;
    launch.szSound = ROCKET_SOUND;
    launch.fSoundRange = kRocketSoundRange;
    LaunchWorldRocket(launch);
}

void EHeliMgr::FireVolley(EHeli* heli, const D3DXVECTOR3& target)
{
    const EItemDesc* gun = ItemMgr.FindDescription(kGunItem);
    ++heli->iVolleys;
    for (const char* socket : kGuns)
    {
        D3DXVECTOR3 from;
        if (!SocketPosition(heli->hObject, socket, &from))
            continue;
        D3DXVECTOR3 direction(target.x + Signed(kGunSpread) - from.x, target.y + Signed(kGunSpread) - from.y,
                              target.z + Signed(kGunSpread) - from.z);
        if (!(D3DXVec3Length(&direction) > kPushEpsilon))
            continue;
        EOrientation orientation;
        orientation.SetDirection(&direction);
        if (gun)
            FireWeaponShot(gun, &from, &orientation, heli->hObject, 0, 1.0f);
    }
}
