#include "game/Battlefield.h"

#include "environment/FxDef.h"
#include "environment/FxMgr.h"
#include "physics/HeliMgr.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

CBattlefield g_Battlefield;

namespace
{
constexpr float kPi = 3.14159265f;

// Nests.
constexpr const char* kMarkerModel = "prefabs\\special\\marker.x";
constexpr DWORD kMarkerFlags = 0x80;
constexpr DWORD kMarkerFlags2 = 0x18000000;
constexpr float kNestSpread = kPi / 2.0f;
constexpr float kNestReachRandom = 200.0f;
constexpr float kNestRise = 20.0f;
constexpr float kNestTraceDepth = 40.0f;
constexpr float kNestLift = 1.0f;
constexpr float kFirstBurstPause = 5.0f, kFirstBurstPauseRandom = 20.0f;
constexpr float kBurstPause = 6.0f, kBurstPauseRandom = 12.0f;
constexpr DWORD kBurstMask = 7, kBurstBase = 3;
constexpr float kShotRiseRandom = 0.3f, kShotRise = 0.02f;
constexpr float kShotPause = 0.1f;
constexpr float kShotSpread = 0.06f;
constexpr float kShotSpeed = 0.4f;
constexpr const char* kNestWeapon = "AK";
constexpr const char* kNestSound = "sounds\\weapons\\far.wav";
constexpr float kNestSoundDistance = 900.0f;
constexpr float kTracerLife = 5.0f;
constexpr DWORD kTracerFlags = 129;
constexpr float kTracerWidth = 4.8f, kTracerLength = 64.0f;
constexpr float kTracerDamage = 0.4f;

// Jets.
constexpr const char* kJetModel = "prefabs\\vehicles\\yak_141.x";
constexpr DWORD kJetFlags = 0x81;
constexpr DWORD kLeaderFlags2 = 0x18010000;
constexpr DWORD kWingFlags2 = 0x10000;
constexpr float kApproach = 1100.0f;
constexpr float kOffsetRadius = 120.0f;
constexpr float kJetRise = 60.0f, kJetTargetRise = 40.0f;
constexpr float kJetSpeed = 80.0f;
constexpr float kDip = 200.0f;
constexpr const char* kEngineFx = "fx_airplane_engine";
constexpr const char* kEngineSocket = "silnik";
constexpr float kEngineFxRange = 300.0f;
constexpr const char* kJetSound = "sounds\\vehicles\\jet_flyby.wav";
constexpr float kJetSoundNear = 100.0f, kJetSoundFar = 500.0f;
constexpr float kJetSoundDistance = 2000.0f;
constexpr float kTargetReach = 10.0f, kNestReach = 50.0f;
constexpr float kBombDrop = 100.0f, kBombRise = 3.0f;
constexpr float kBombPause = 1.0f, kTargetBombPause = 0.1f;
constexpr const char* kBombFx = "afx_explo_big";
constexpr float kNextFlight = 5.0f, kNextFlightRandom = 10.0f, kNextAttack = 0.5f;
constexpr float kFirstFlightRandom = 30.0f;

// Helicopters.
constexpr const char* kHeliModel = "prefabs\\vehicles\\mi35\\mi35.x";
constexpr DWORD kHeliFlags = 0x81, kHeliFlags2 = 0x10000;
constexpr float kHeliRise = 40.0f;
constexpr float kHeliSpread = 0.55f * kPi;
constexpr float kHeliSpeed = 40.0f;
constexpr const char* kHeliSound = "sounds\\vehicles\\heli_01.wav";
constexpr float kHeliSoundDistance = 800.0f;

// Where the wingmen fly: up, right and forward of the leader's start.
const D3DXVECTOR3 kSecondJet(26.0f, 4.4f, -54.0f);
const D3DXVECTOR3 kThirdJet(-38.0f, 3.4f, 78.0f);
const D3DXVECTOR3 kSecondHeli(86.0f, 4.4f, -44.0f);

bool Alive(HOBJECT o, const DWORD pesel[3])
{
    return o && o->bUsed && o->PESEL[0] == pesel[0] && o->PESEL[1] == pesel[1] && o->PESEL[2] == pesel[2];
}

void KeepPesel(HOBJECT o, DWORD pesel[3])
{
    for (int i = 0; i < 3; ++i)
        pesel[i] = o ? o->PESEL[i] : 0;
}

// Deletes the object only while it is still the one created.
void DeleteHeld(HOBJECT* o, const DWORD pesel[3])
{
    if (Alive(*o, pesel))
        g_Engine.DeleteObject(*o);
    *o = nullptr;
}

void DeleteSound(strSound** sound)
{
    if (!*sound)
        return;
    g_SoundMgr.StopSound(*sound);
    g_SoundMgr.DeleteSound(*sound);
    *sound = nullptr;
}

float Sign()
{
    return (std::rand() & 1) ? 1.0f : -1.0f;
}

// The game's random numbers run from 0 to 32767 on every platform.
float Random15()
{
    return static_cast<float>(std::rand() & 0x7FFF);
}

D3DXVECTOR3 HeroPosition()
{
    return D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
}

D3DXVECTOR3 Offset(const EOrientation& o, const D3DXVECTOR3& v)
{
    return o.Right * v.x + o.Up * v.y + o.Forward * v.z;
}

// The height shown near both ends of a flight: it dips to meet the horizon.
D3DXVECTOR3 Shown(const D3DXVECTOR3& position, float distance, float length)
{
    const float d = distance > kApproach ? length - distance : distance;
    D3DXVECTOR3 shown = position;
    if (d < kDip)
        shown.y -= (kDip - d) / 2.0f;
    return shown;
}

HOBJECT Create(const char* model, DWORD flags, DWORD flags2, const D3DXVECTOR3& at, const EOrientation& o)
{
    HOBJECT object = g_Engine.CreateObject(0, model, flags, flags2, &at.x, nullptr);
    if (object)
    {
        g_Engine.SetObjectPosition(object, &at, 0);
        g_Engine.SetObjectRotation(object, &o);
    }
    return object;
}
} // namespace

CBattlefield::CBattlefield()
{
    m_Front = EOrientation(&m_vFront);
    for (BfNest& nest : m_Nests)
        nest.fBurstPause = kFirstBurstPause + RandomFloat(kFirstBurstPauseRandom);
}

D3DXVECTOR3 CBattlefield::DirectionOf(const char* name)
{
    struct Named
    {
        const char* name;
        D3DXVECTOR3 direction;
    };
    static const Named kDirections[] = {
        {"n", {0.0f, 0.0f, 1.0f}},    {"w", {-1.0f, 0.0f, 0.0f}},  {"e", {1.0f, 0.0f, 0.0f}},
        {"ne", {1.0f, 0.0f, 1.0f}},   {"nw", {-1.0f, 0.0f, 1.0f}}, {"se", {1.0f, 0.0f, -1.0f}},
        {"sw", {-1.0f, 0.0f, -1.0f}},
    };
    D3DXVECTOR3 d(0.0f, 0.0f, -1.0f);
    if (name)
        for (const Named& n : kDirections)
            if (CompareNoCase(name, n.name) == 0)
                d = n.direction;
    D3DXVec3Normalize(&d, &d);
    return d;
}

void CBattlefield::Reset()
{
    for (BfNest& nest : m_Nests)
    {
        nest.bActive = 0;
        nest.hMarker = nullptr;
    }
    for (BfJet& jet : m_Jets)
        jet = BfJet{};
    for (BfHeli& heli : m_Helis)
        heli = BfHeli{};
    m_bJetsFlying = 0;
    m_bHelisFlying = 0;
    m_bAttackFlight = 0;
    m_fJetPause = RandomFloat(kFirstFlightRandom);
    m_fHeliPause = RandomFloat(kFirstFlightRandom);
    m_bEnabled = 0;
    m_iShots = 0;
    ClearTarget();
    ShareNests();
}

void CBattlefield::Enable(const char* direction)
{
    m_vFront = DirectionOf(direction);
    m_Front = EOrientation(&m_vFront);
    m_vRight = m_Front.Right;
    m_vUp = m_Front.Up;
    m_bEnabled = 1;
    g_Console.PrintVector("Battlefield enabled: ", m_vFront);
}

void CBattlefield::ClearTarget()
{
    m_szTargetName[0] = 0;
    m_hTarget = nullptr;
    KeepPesel(nullptr, m_TargetPesel);
}

void CBattlefield::Attack(const char* name)
{
    ClearTarget();
    if (!name || !name[0])
        return;
    // A name that does not fit the field could only name another object.
    HOBJECT o = std::strlen(name) < sizeof m_szTargetName ? g_Engine.FindObject(name, 0) : nullptr;
    if (!o)
    {
        g_Console.Print2("Brak celu BF_attack: ", name);
        return;
    }
    m_hTarget = o;
    KeepPesel(o, m_TargetPesel);
    std::snprintf(m_szTargetName, sizeof m_szTargetName, "%s", name);
}

HOBJECT CBattlefield::Target()
{
    if (!m_szTargetName[0])
        return nullptr;
    if (Alive(m_hTarget, m_TargetPesel))
        return m_hTarget;
    // Destroyed and swapped for its wreck, or deleted: the name decides.
    HOBJECT o = g_Engine.FindObject(m_szTargetName, 0);
    if (!o)
    {
        ClearTarget();
        return nullptr;
    }
    m_hTarget = o;
    KeepPesel(o, m_TargetPesel);
    return o;
}

EOrientation CBattlefield::TurnedFront(float spread) const
{
    EOrientation o = m_Front;
    const float angle = RandomFloat(spread) - RandomFloat(spread);
    o.RotateAxisAngle(&m_vUp, angle);
    return o;
}

D3DXVECTOR3 CBattlefield::NearHero(float rise) const
{
    D3DXVECTOR3 offset(Sign() * Random15() / 65536.0f, 0.0f, Sign() * Random15() / 65536.0f);
    D3DXVec3Normalize(&offset, &offset);
    D3DXVECTOR3 at = HeroPosition() + offset * kOffsetRadius;
    at.y += rise;
    return at;
}

void CBattlefield::Update()
{
    if (!m_bEnabled)
        return;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    for (BfNest& nest : m_Nests)
        UpdateNest(nest);
    ShareNests();
    UpdateJets();
    UpdateHelis();
}

void CBattlefield::ReleaseUnits()
{
    for (BfNest& nest : m_Nests)
        RemoveNest(nest);
    for (BfJet& jet : m_Jets)
        RemoveJet(jet);
    for (BfHeli& heli : m_Helis)
        RemoveHeli(heli);
    m_bJetsFlying = 0;
    m_bHelisFlying = 0;
    m_bAttackFlight = 0;
    ShareNests();
}

// The helicopters that fight the battlefield aim at the nests.
void CBattlefield::ShareNests()
{
    static_assert(BF_NESTS == HELI_NESTS, "the helicopters see every nest");
    for (int i = 0; i < BF_NESTS; ++i)
    {
        g_HeliMgr.m_Nests[i].bActive = m_Nests[i].bActive;
        g_HeliMgr.m_Nests[i].vPosition = m_Nests[i].vPosition;
    }
}

// ---- Nests ---------------------------------------------------------------------------------

void CBattlefield::UpdateNest(BfNest& nest)
{
    if (!nest.bActive)
    {
        PlaceNest(nest);
        return;
    }
    const D3DXVECTOR3 toHero = HeroPosition() - nest.vPosition;
    const float distance = D3DXVec3Length(&toHero);
    if (distance < NEST_NEAR || distance > NEST_FAR)
    {
        RemoveNest(nest);
        return;
    }
    if (nest.fBurstPause > 0.0f)
    {
        nest.fBurstPause -= m_fFrameTime;
        if (nest.fBurstPause <= 0.0f)
            StartBurst(nest);
        return;
    }
    nest.fShotPause -= m_fFrameTime;
    if (nest.fShotPause > 0.0f)
        return;
    Shoot(nest);
    nest.fShotPause = kShotPause;
    if (nest.iShotsLeft == 0)
        nest.fBurstPause = kBurstPause + RandomFloat(kBurstPauseRandom);
    else
        --nest.iShotsLeft;
}

void CBattlefield::PlaceNest(BfNest& nest)
{
    const EOrientation o = TurnedFront(kNestSpread);
    D3DXVECTOR3 at = HeroPosition() + o.Forward * (NEST_NEAR + RandomFloat(kNestReachRandom));
    at.y += kNestRise;
    // A hit writes the ground point into the start.
    D3DXVECTOR3 below(at.x, at.y - kNestTraceDepth, at.z);
    if (TraceSegment(&at, &below, nullptr, 0, nullptr, 0, 0, 0) == 0)
        at.y -= kNestRise;
    at.y += kNestLift;
    nest.bActive = 1;
    nest.vPosition = at;
    nest.hMarker = g_Engine.CreateObject(0, kMarkerModel, kMarkerFlags, kMarkerFlags2, &at.x, nullptr);
    KeepPesel(nest.hMarker, nest.MarkerPesel);
    if (nest.hMarker)
        g_Engine.SetObjectPosition(nest.hMarker, &at, 0);
}

void CBattlefield::RemoveNest(BfNest& nest)
{
    DeleteHeld(&nest.hMarker, nest.MarkerPesel);
    nest.bActive = 0;
}

void CBattlefield::StartBurst(BfNest& nest)
{
    nest.iShotsLeft = (static_cast<DWORD>(std::rand()) & kBurstMask) + kBurstBase;
    D3DXVECTOR3 d = -m_vFront;
    const float angle = RandomFloat(kNestSpread) - RandomFloat(kNestSpread);
    D3DXMATRIX turn;
    D3DXMatrixRotationAxis(&turn, &m_vUp, angle);
    D3DXVec3TransformNormal(&d, &d, &turn);
    d.y = RandomFloat(kShotRiseRandom) + kShotRise;
    D3DXVec3Normalize(&nest.vShotDirection, &d);
    nest.fShotPause = 0.0f;
}

void CBattlefield::Shoot(BfNest& nest)
{
    const EItemDesc* weapon = ItemMgr.FindDescription(kNestWeapon);
    if (!weapon)
    {
        g_Console.Print("BF Nest: Brak opisu broni AK");
        return;
    }
    g_SoundMgr.PlaySound3DOnce(kNestSound, &nest.vPosition, kNestSoundDistance);
    D3DXVECTOR3 v = nest.vShotDirection;
    for (int i = 0; i < 3; ++i)
    {
        const float s = Sign();
        (&v.x)[i] += s * Random15() * kShotSpread / 65536.0f;
    }
    v *= kShotSpeed * weapon->predkosc;
    if (!Alive(nest.hMarker, nest.MarkerPesel))
        nest.hMarker = nullptr;
    EFxDef def;
    def.Reset();
    def.Type = FX_BULLET;
    def.Move = 1;
    def.Life_Time = kTracerLife;
    def.Life_Time_Rand = 0.0f;
    def.ObjectFlags = kTracerFlags;
    def.Shooter = nest.hMarker;
    def.Weapon = weapon;
    def.Orientation = EOrientation(&v);
    def.Pos = nest.vPosition;
    def.Vel = v;
    def.Scale = D3DXVECTOR3(kTracerWidth, kTracerWidth, kTracerLength);
    def.DamageFactor = kTracerDamage;
    FX.CreateFx(&def, nullptr, nullptr, 0);
    ++m_iShots;
}

// ---- Jets ----------------------------------------------------------------------------------

void CBattlefield::UpdateJets()
{
    if (!m_bJetsFlying)
    {
        m_fJetPause -= m_fFrameTime;
        if (m_fJetPause <= 0.0f)
            StartJets();
        return;
    }
    for (BfJet& jet : m_Jets)
        if (jet.bActive)
            MoveJet(jet);
    if (m_Jets[0].fDistance >= m_Jets[0].fLength)
        EndJetFlight();
}

void CBattlefield::StartJets()
{
    HOBJECT target = Target();
    D3DXVECTOR3 start;
    EOrientation o = m_Front;
    if (target)
    {
        D3DXVECTOR3 p;
        g_Engine.GetObjectPosition(target, &p);
        start = p + D3DXVECTOR3(0.0f, kJetTargetRise, 0.0f);
    }
    else
    {
        start = NearHero(kJetRise);
        o = TurnedFront(kNestSpread);
    }
    start -= o.Forward * kApproach;
    const bool wingmen[BF_JETS] = {true, (std::rand() & 1) != 0 || target, (std::rand() & 1) != 0 || target};
    const D3DXVECTOR3 places[BF_JETS] = {start, start + Offset(o, kSecondJet), start + Offset(o, kThirdJet)};
    const DWORD flags2[BF_JETS] = {kLeaderFlags2, kLeaderFlags2, kWingFlags2};
    for (int i = 0; i < BF_JETS; ++i)
    {
        BfJet& jet = m_Jets[i];
        jet = BfJet{};
        if (!wingmen[i])
            continue;
        jet.hObject = Create(kJetModel, kJetFlags, flags2[i], places[i], o);
        if (!jet.hObject)
        {
            if (i == 0)
            {
                // Without a leader the flight would never end.
                g_Console.Print("Jet NOT created!");
                m_fJetPause = kNextFlight + RandomFloat(kNextFlightRandom);
                return;
            }
            continue;
        }
        KeepPesel(jet.hObject, jet.ObjectPesel);
        jet.bActive = 1;
        jet.vPosition = places[i];
        jet.vVelocity = o.Forward * kJetSpeed;
        jet.iPass = 1;
        jet.fLength = FLIGHT_LENGTH;
    }
    m_bAttackFlight = target ? 1 : 0;
    m_bJetsFlying = 1;
}

void CBattlefield::MoveJet(BfJet& jet)
{
    const D3DXVECTOR3 step = jet.vVelocity * m_fFrameTime;
    jet.vPosition += step;
    jet.fDistance += D3DXVec3Length(&step);
    const D3DXVECTOR3 shown = Shown(jet.vPosition, jet.fDistance, jet.fLength);
    if (!Alive(jet.hObject, jet.ObjectPesel))
        jet.hObject = nullptr;
    if (jet.hObject)
    {
        g_Engine.SetObjectPosition(jet.hObject, &shown, 0);
        const float camera = jet.hObject->fCameraDistance;
        if (camera < kEngineFxRange)
            FX.CreateFxByNameOnObject(kEngineFx, jet.hObject, kEngineSocket, 0);
        if (camera > kJetSoundNear && camera < kJetSoundFar && !jet.bSoundStarted)
        {
            DeleteSound(&jet.pSound);
            jet.pSound = g_SoundMgr.CreateSound3DAt(kJetSound, &shown, kJetSoundDistance, true, false);
            jet.bSoundStarted = 1;
        }
    }
    if (jet.pSound)
    {
        if (g_SoundMgr.IsPlaying(jet.pSound))
            g_SoundMgr.SetSoundPosition(jet.pSound, shown);
        else
            DeleteSound(&jet.pSound);
    }
    BombStep(jet);
}

void CBattlefield::BombStep(BfJet& jet)
{
    if (jet.iBombs >= MAX_BOMBS)
        return;
    if (!jet.bTargetReached)
    {
        if (HOBJECT target = Target())
        {
            D3DXVECTOR3 p;
            g_Engine.GetObjectPosition(target, &p);
            if (std::fabs(p.x - jet.vPosition.x) < kTargetReach &&
                std::fabs(p.z - jet.vPosition.z) < kTargetReach)
            {
                jet.bTargetReached = 1;
                ClearTarget();
            }
        }
        else
        {
            for (const BfNest& nest : m_Nests)
                if (nest.bActive && std::fabs(nest.vPosition.x - jet.vPosition.x) < kNestReach &&
                    std::fabs(nest.vPosition.z - jet.vPosition.z) < kNestReach)
                    jet.bTargetReached = 1;
        }
        if (!jet.bTargetReached)
            return;
    }
    jet.fBombPause -= m_fFrameTime;
    if (jet.fBombPause > 0.0f)
        return;
    D3DXVECTOR3 from = jet.vPosition;
    D3DXVECTOR3 to(from.x, from.y - kBombDrop, from.z);
    if (TraceSegment(&from, &to, jet.hObject, 0, nullptr, 0, 0, 0) == 0)
        return;
    from.y += kBombRise;
    FX.CreateFxByName(kBombFx, &from, nullptr);
    jet.fBombPause = (m_szTargetName[0] || m_bAttackFlight) ? kTargetBombPause : kBombPause;
    ++jet.iBombs;
}

void CBattlefield::EndJetFlight()
{
    const bool target = Target() != nullptr;
    if (m_Jets[0].iPass == 1 && (std::rand() & 1) == 0 && !target && !m_bAttackFlight)
    {
        for (BfJet& jet : m_Jets)
        {
            if (!jet.bActive)
                continue;
            if (Alive(jet.hObject, jet.ObjectPesel))
                g_Engine.SetObjectSound(jet.hObject, nullptr, 0.0f, nullptr, 0);
            jet.iPass = -1;
            jet.fDistance = 0.0f;
            jet.bSoundStarted = 0;
            jet.vVelocity = -jet.vVelocity;
            if (Alive(jet.hObject, jet.ObjectPesel))
            {
                const EOrientation o(&jet.vVelocity);
                g_Engine.SetObjectRotation(jet.hObject, &o);
            }
        }
        return;
    }
    for (BfJet& jet : m_Jets)
        RemoveJet(jet);
    m_bJetsFlying = 0;
    m_bAttackFlight = 0;
    m_fJetPause = target ? kNextAttack : kNextFlight + RandomFloat(kNextFlightRandom);
}

void CBattlefield::RemoveJet(BfJet& jet)
{
    DeleteSound(&jet.pSound);
    DeleteHeld(&jet.hObject, jet.ObjectPesel);
    jet.bActive = 0;
}

// ---- Helicopters ---------------------------------------------------------------------------

void CBattlefield::UpdateHelis()
{
    if (!m_bHelisFlying)
    {
        m_fHeliPause -= m_fFrameTime;
        if (m_fHeliPause <= 0.0f)
            StartHelis();
        return;
    }
    for (BfHeli& heli : m_Helis)
    {
        if (!heli.bActive)
            continue;
        const D3DXVECTOR3 step = heli.vVelocity * m_fFrameTime;
        heli.vPosition += step;
        heli.fDistance += D3DXVec3Length(&step);
        const D3DXVECTOR3 shown = Shown(heli.vPosition, heli.fDistance, heli.fLength);
        if (heli.pSound)
            g_SoundMgr.SetSoundPosition(heli.pSound, shown);
        if (!Alive(heli.hObject, heli.ObjectPesel))
            heli.hObject = nullptr;
        if (heli.hObject)
            g_Engine.SetObjectPosition(heli.hObject, &shown, 0);
    }
    if (m_Helis[0].fDistance >= m_Helis[0].fLength)
        EndHeliFlight();
}

void CBattlefield::StartHelis()
{
    const char* const failures[BF_HELIS] = {"Mi[0] NOT created!", "Mi[1] NOT created!"};
    D3DXVECTOR3 start = NearHero(kHeliRise);
    const EOrientation o = TurnedFront(kHeliSpread);
    start -= o.Forward * kApproach;
    const D3DXVECTOR3 places[BF_HELIS] = {start, start + Offset(o, kSecondHeli)};
    for (int i = 0; i < BF_HELIS; ++i)
    {
        BfHeli& heli = m_Helis[i];
        heli = BfHeli{};
        if (i > 0 && (std::rand() & 1) == 0)
            break;
        heli.hObject = Create(kHeliModel, kHeliFlags, kHeliFlags2, places[i], o);
        if (!heli.hObject)
        {
            g_Console.Print(failures[i]);
            if (i == 0)
            {
                // Not retried every frame: the next pair comes after a pause.
                m_fHeliPause = kNextFlight + RandomFloat(kNextFlightRandom);
                return;
            }
            break;
        }
        KeepPesel(heli.hObject, heli.ObjectPesel);
        heli.bActive = 1;
        heli.hObject->bHeliFlying = 1;
        heli.hObject->bHeliOutward = 1;
        heli.vPosition = places[i];
        heli.vVelocity = o.Forward * kHeliSpeed;
        heli.iPass = 1;
        heli.fLength = FLIGHT_LENGTH;
        heli.pSound = g_SoundMgr.CreateSound3DAt(kHeliSound, &places[i], kHeliSoundDistance, true, true);
    }
    m_bHelisFlying = 1;
}

void CBattlefield::EndHeliFlight()
{
    if (m_Helis[0].iPass == 1 && std::rand() % 4 == 0)
    {
        for (BfHeli& heli : m_Helis)
        {
            if (!heli.bActive)
                continue;
            heli.iPass = -1;
            heli.fDistance = 0.0f;
            heli.vVelocity = -heli.vVelocity;
            if (Alive(heli.hObject, heli.ObjectPesel))
            {
                heli.hObject->bHeliOutward = 0;
                const EOrientation o(&heli.vVelocity);
                g_Engine.SetObjectRotation(heli.hObject, &o);
            }
        }
        return;
    }
    for (BfHeli& heli : m_Helis)
        RemoveHeli(heli);
    m_bHelisFlying = 0;
    m_fHeliPause = kNextFlight + RandomFloat(kNextFlightRandom);
}

void CBattlefield::RemoveHeli(BfHeli& heli)
{
    DeleteSound(&heli.pSound);
    DeleteHeld(&heli.hObject, heli.ObjectPesel);
    heli.bActive = 0;
}
