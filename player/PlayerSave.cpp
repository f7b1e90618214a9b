// CPlayer: the hero's save section, and the hide zone and countdown handles it carries.
#include "player/Player.h"

#include "physics/PhysicsMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/RecordBytes.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>

namespace
{
// Names in the section are read into fields of this size, then cut to the hero's own.
constexpr size_t SAVED_NAME_SIZE = 256;
// The first 44 bytes of PlayerStats, at their stored offsets.
constexpr size_t kStatsBytes = 44;
constexpr size_t kStatsCombat = 0, kStatsCanRun = 1, kStatsCanJump = 2, kStatsReserved = 3, kStatsDead = 4,
                 kStatsFailed = 5, kStatsFailReason = 8, kStatsHealth = 12, kStatsMaxHealth = 16,
                 kStatsUnlocked = 20, kStatsLevelTime = 40;
// The hide zone's name is a text line: at most this many characters, then a byte 10.
constexpr size_t kHideZoneNameChars = 256;
constexpr BYTE kLineEnd = 10;

// A handle counts only while its slot still holds the object it was set to.
HOBJECT Live(HOBJECT o, const DWORD* pesel)
{
    return o && o->bUsed && !o->bDeletePending && std::memcmp(o->PESEL, pesel, sizeof o->PESEL) == 0
               ? o
               : nullptr;
}

HOBJECT FindKeeping(const char* name, DWORD* pesel)
{
    HOBJECT o = name && name[0] ? g_Engine.FindObject(name, 0) : nullptr;
    if (o)
        std::memcpy(pesel, o->PESEL, sizeof o->PESEL);
    else
        std::memset(pesel, 0, 3 * sizeof(DWORD));
    return o;
}

bool Finite(const D3DVECTOR& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool Finite(const EOrientation& o)
{
    if (!std::isfinite(o.Quaternion.x) || !std::isfinite(o.Quaternion.y) || !std::isfinite(o.Quaternion.z) ||
        !std::isfinite(o.Quaternion.w))
        return false;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(o.Matrix.m[r][c]))
                return false;
    return Finite(o.Forward) && Finite(o.Right) && Finite(o.Up);
}

void StatsBytes(BYTE* out)
{
    RecordOut r(out, kStatsBytes);
    r.U8(kStatsCombat, PlayerStats.m_bCombatMode);
    r.U8(kStatsCanRun, PlayerStats.m_bCanRun);
    r.U8(kStatsCanJump, PlayerStats.m_bCanJump);
    r.U8(kStatsReserved, PlayerStats.m_bReserved);
    r.U8(kStatsDead, PlayerStats.m_bDead);
    r.U8(kStatsFailed, PlayerStats.m_bMissionFailed);
    r.I32(kStatsFailReason, PlayerStats.m_iFailReason);
    r.F32(kStatsHealth, PlayerStats.m_fHealth);
    r.F32(kStatsMaxHealth, PlayerStats.m_fMaxHealth);
    r.U8(kStatsUnlocked, PlayerStats.m_bRealisticUnlocked);
    r.F32(kStatsLevelTime, PlayerStats.m_fLevelTime);
}

bool StatsFromBytes(const BYTE* in, EPlayerStats* s)
{
    const RecordIn r(in, kStatsBytes);
    s->m_bCombatMode = r.U8(kStatsCombat);
    s->m_bCanRun = r.U8(kStatsCanRun);
    s->m_bCanJump = r.U8(kStatsCanJump);
    s->m_bReserved = r.U8(kStatsReserved);
    s->m_bDead = r.U8(kStatsDead);
    s->m_bMissionFailed = r.U8(kStatsFailed);
    s->m_iFailReason = r.I32(kStatsFailReason);
    s->m_fHealth = r.F32(kStatsHealth);
    s->m_fMaxHealth = r.F32(kStatsMaxHealth);
    // The unlock is never taken away by a save made before it.
    s->m_bRealisticUnlocked = static_cast<BYTE>(s->m_bRealisticUnlocked | r.U8(kStatsUnlocked));
    s->m_fLevelTime = r.F32(kStatsLevelTime);
    return std::isfinite(s->m_fHealth) && std::isfinite(s->m_fMaxHealth) && s->m_fMaxHealth > 0.0f &&
           std::isfinite(s->m_fLevelTime);
}

bool ReadNameLine(FILE* file, char* out)
{
    size_t n = 0;
    for (size_t i = 0; i <= kHideZoneNameChars; ++i)
    {
        BYTE c = 0;
        if (!ReadBytes(file, &c, 1))
            return false;
        if (c == kLineEnd)
        {
            out[n] = 0;
            return true;
        }
        out[n++] = static_cast<char>(c);
    }
    return false;
}
} // namespace

HOBJECT CPlayer::HideZone() const
{
    return Live(m_hHideZone, m_HideZonePesel);
}

HOBJECT CPlayer::CountdownTarget() const
{
    return Live(m_hCountdownTarget, m_CountdownPesel);
}

bool CPlayer::Save(FILE* file)
{
    if (!file)
        return false;
    bool ok = true;
    auto flag = [&](BYTE b) { ok = WriteBool(file, b != 0) && ok; };
    auto f32 = [&](float v) { ok = WriteFloat(file, v) && ok; };
    auto vec = [&](const D3DVECTOR& v) { ok = WriteVector(file, &v) && ok; };
    auto text = [&](const char* s) { ok = WriteString(file, s) && ok; };
    auto orient = [&](const EOrientation& o) { ok = WriteOrientation(file, &o) && ok; };

    // 1. The hide zone, while its object still exists.
    const HOBJECT hide = HideZone();
    const BYTE hasHide = hide ? 1 : 0;
    ok = WriteBytes(file, &hasHide, 1) && ok;
    if (hide)
    {
        const size_t n = strnlen(hide->szName, kHideZoneNameChars);
        ok = WriteBytes(file, hide->szName, static_cast<DWORD>(n)) && ok;
        ok = WriteBytes(file, &kLineEnd, 1) && ok;
        f32(m_fHideThreshold);
    }
    // 2-17. Riding and the mounted gun.
    flag(m_bRiding);
    text(m_bRiding ? m_szRideObject : "");
    text(m_bRiding ? m_szRideSocket : "");
    flag(m_bOnGun);
    flag(m_bCanDismount);
    orient(m_GunFrame);
    orient(m_CamFrameAtGun);
    for (float v : {m_fYawAtGun, m_fPitchAtGun, m_fGunBobPhase, m_fGunKickUp, m_fGunKickSide})
        f32(v);
    ok = WriteDword(file, static_cast<DWORD>(m_iGunState)) && ok;
    vec(m_vReturnPos);
    vec(m_vReturnCamPos);
    text(m_bOnGun ? m_szGunObject : "");
    // 18-29.
    flag(PlayerStats.m_bCombatMode);
    f32(m_fTimeSinceHurt);
    f32(m_fPulseTimer);
    f32(m_fHeartbeatLevel);
    flag(m_bRadiusOn);
    f32(m_fRadius);
    vec(m_vRadiusCentre);
    flag(m_bBezier);
    ok = WriteDword(file, m_iBezierPhase) && ok;
    text(m_szBezierPath);
    f32(static_cast<float>(m_dBezierLength));
    f32(static_cast<float>(m_dBezierDist));
    // 30. The latches and switches.
    for (BYTE b :
         {m_bUseLatch,  m_bAimLatch,    m_bRunning,        m_bHeroFlagA, m_bHeroFlagB,   m_bUpdated,
          m_bHeroFlagE, m_bHeroFlagC,   m_bStrafeLeft,     m_bMoving,    m_bStrafeRight, m_bMovingBack,
          m_bCrouched,  m_bJumping,     m_bLaserLatch,     m_bMoveInput, m_bOnLadder,    m_bOnGround,
          m_bLeftFoot,  m_bWasOnGround, m_bQuickLoadLatch, m_bHeroFlagD, m_bPhysicsSkip, m_bSlotLatch})
        flag(b);
    // 31. The timers and values.
    for (float v : {static_cast<float>(m_dGameTime), m_fHeroValueA, m_fBobPhase, m_fLadderEntryY,
                    m_fStepTimer, m_fTimeSinceJump, m_fScopeSway, m_fTimeSinceDeath, m_fStepPhase,
                    m_fLadderTop, m_fLadderBottom, m_fAimDistance, m_fSpeedCap, m_fFallStartY, m_fEyeRise,
                    m_fLean, m_fLadderSway, m_fTimeSinceExplosion, m_fTimeSinceDamage})
        f32(v);
    // 32-35.
    ok = WriteDword(file, static_cast<DWORD>(m_iLadderPhase)) && ok;
    ok = WriteDword(file, m_iSurface) && ok;
    for (const EOrientation* o : {&m_DeathCamFrame, &m_CamFrameAtLadder, &m_LadderFrame, &m_Look})
        orient(*o);
    const D3DVECTOR* vectors[] = {&m_vDeathCamPos,    &m_vHalfExtents, &m_vLadderBase,      &m_vLadderExit,
                                  &m_vLookForward,    &m_vAimPoint,    &m_vLastGroundHit,   &m_vPrevPosition,
                                  &m_vStandObjectPos, &m_vPosition,    &m_vStandObjectMove, &m_vLookRight,
                                  &m_vVelocity};
    for (const D3DVECTOR* v : vectors)
        vec(*v);
    // 36. The shared record.
    BYTE stats[kStatsBytes];
    StatsBytes(stats);
    ok = WriteBytes(file, stats, sizeof stats) && ok;
    // 37. The countdown, with its target while that still exists.
    flag(m_bCountdown);
    if (m_bCountdown)
    {
        const HOBJECT target = CountdownTarget();
        text(target ? target->szName : "");
        f32(m_fCountdown);
    }
    return ok;
}

bool CPlayer::Load(FILE* file)
{
    if (!file)
        return false;
    m_hStandObject = nullptr;
    m_bKillerKnown = 0;
    m_Heartbeat.Stop();
    m_Geiger.Stop();

    // Everything is read into a copy first: a section that fails leaves the hero as he was.
    CPlayer& p = *this;
    struct Read
    {
        FILE* f;
        bool ok = true;
        void Flag(BYTE* b) { ok = ok && ReadBool(f, b); }
        void F32(float* v) { ok = ok && ReadFloat(f, v) && std::isfinite(*v); }
        void Vec(D3DVECTOR* v) { ok = ok && ReadVector(f, v) && Finite(*v); }
        void Text(char* s, size_t n) { ok = ok && ReadString(f, s, n); }
        void Orient(EOrientation* o) { ok = ok && ReadOrientation(f, o) && Finite(*o); }
        void U32(DWORD* v) { ok = ok && ReadDword(f, v); }
    } r{file};

    BYTE hasHide = 0;
    r.ok = ReadBytes(file, &hasHide, 1);
    char hideName[kHideZoneNameChars + 1] = {};
    float hideThreshold = 0.0f;
    if (r.ok && hasHide)
    {
        r.ok = ReadNameLine(file, hideName);
        r.F32(&hideThreshold);
    }
    BYTE riding = 0, onGun = 0, canDismount = 1, combat = 1, radiusOn = 0, bezier = 0;
    char rideObject[SAVED_NAME_SIZE] = {}, rideSocket[SAVED_NAME_SIZE] = {}, gunObject[SAVED_NAME_SIZE] = {};
    char bezierPath[SAVED_NAME_SIZE] = {};
    EOrientation gunBase, gunCamera;
    float gun[5] = {};
    DWORD gunState = 0, bezierPhase = 0, ladderPhase = 0, surface = 0;
    D3DVECTOR gunReturn = {}, gunCameraReturn = {}, radiusCentre = {};
    float timeSinceHurt = 0, pulse = 0, heartbeat = 0, radius = 0, bezierLength = 0, bezierDistance = 0;
    r.Flag(&riding);
    r.Text(rideObject, sizeof rideObject);
    r.Text(rideSocket, sizeof rideSocket);
    r.Flag(&onGun);
    r.Flag(&canDismount);
    r.Orient(&gunBase);
    r.Orient(&gunCamera);
    for (float& v : gun)
        r.F32(&v);
    r.U32(&gunState);
    r.Vec(&gunReturn);
    r.Vec(&gunCameraReturn);
    r.Text(gunObject, sizeof gunObject);
    r.Flag(&combat);
    r.F32(&timeSinceHurt);
    r.F32(&pulse);
    r.F32(&heartbeat);
    r.Flag(&radiusOn);
    r.F32(&radius);
    r.Vec(&radiusCentre);
    r.Flag(&bezier);
    r.U32(&bezierPhase);
    r.Text(bezierPath, sizeof bezierPath);
    r.F32(&bezierLength);
    r.F32(&bezierDistance);
    BYTE flags[24] = {};
    for (BYTE& b : flags)
        r.Flag(&b);
    float values[19] = {};
    for (float& v : values)
        r.F32(&v);
    r.U32(&ladderPhase);
    r.U32(&surface);
    EOrientation orientations[4];
    for (EOrientation& o : orientations)
        r.Orient(&o);
    D3DVECTOR vectors[13] = {};
    for (D3DVECTOR& v : vectors)
        r.Vec(&v);
    BYTE statBytes[kStatsBytes] = {};
    r.ok = r.ok && ReadBytes(file, statBytes, sizeof statBytes);
    EPlayerStats stats = PlayerStats;
    r.ok = r.ok && StatsFromBytes(statBytes, &stats);
    BYTE countdown = 0;
    char countdownName[SAVED_NAME_SIZE] = {};
    float countdownTime = 0.0f;
    r.Flag(&countdown);
    if (r.ok && countdown)
    {
        r.Text(countdownName, sizeof countdownName);
        r.F32(&countdownTime);
    }
    if (!r.ok)
        return false;

    // The section is whole: it becomes the hero.
    SetHideZone(hasHide ? hideName : "", hideThreshold);
    p.m_bRiding = riding;
    CopyCut(p.m_szRideObject, sizeof p.m_szRideObject, rideObject);
    CopyCut(p.m_szRideSocket, sizeof p.m_szRideSocket, rideSocket);
    p.m_bOnGun = onGun;
    p.m_bCanDismount = canDismount;
    p.m_GunFrame = gunBase;
    p.m_CamFrameAtGun = gunCamera;
    p.m_fYawAtGun = gun[0];
    p.m_fPitchAtGun = gun[1];
    p.m_fGunBobPhase = gun[2];
    p.m_fGunKickUp = gun[3];
    p.m_fGunKickSide = gun[4];
    p.m_iGunState = static_cast<int>(gunState);
    p.m_vReturnPos = D3DXVECTOR3(gunReturn.x, gunReturn.y, gunReturn.z);
    p.m_vReturnCamPos = D3DXVECTOR3(gunCameraReturn.x, gunCameraReturn.y, gunCameraReturn.z);
    CopyCut(p.m_szGunObject, sizeof p.m_szGunObject, gunObject);
    p.m_fTimeSinceHurt = timeSinceHurt;
    p.m_fPulseTimer = pulse;
    p.m_fHeartbeatLevel = heartbeat;
    p.m_bRadiusOn = radiusOn;
    p.m_fRadius = radius;
    p.m_vRadiusCentre = D3DXVECTOR3(radiusCentre.x, radiusCentre.y, radiusCentre.z);
    p.m_bBezier = bezier;
    p.m_iBezierPhase = bezierPhase;
    CopyCut(p.m_szBezierPath, sizeof p.m_szBezierPath, bezierPath);
    p.m_dBezierLength = bezierLength;
    p.m_dBezierDist = bezierDistance;
    BYTE* flagFields[] = {
        &m_bUseLatch,  &m_bAimLatch,    &m_bRunning,        &m_bHeroFlagA, &m_bHeroFlagB,   &m_bUpdated,
        &m_bHeroFlagE, &m_bHeroFlagC,   &m_bStrafeLeft,     &m_bMoving,    &m_bStrafeRight, &m_bMovingBack,
        &m_bCrouched,  &m_bJumping,     &m_bLaserLatch,     &m_bMoveInput, &m_bOnLadder,    &m_bOnGround,
        &m_bLeftFoot,  &m_bWasOnGround, &m_bQuickLoadLatch, &m_bHeroFlagD, &m_bPhysicsSkip, &m_bSlotLatch};
    for (size_t i = 0; i < std::size(flagFields); ++i)
        *flagFields[i] = flags[i];
    m_dGameTime = values[0];
    float* valueFields[] = {&m_fHeroValueA,         &m_fBobPhase,       &m_fLadderEntryY,   &m_fStepTimer,
                            &m_fTimeSinceJump,      &m_fScopeSway,      &m_fTimeSinceDeath, &m_fStepPhase,
                            &m_fLadderTop,          &m_fLadderBottom,   &m_fAimDistance,    &m_fSpeedCap,
                            &m_fFallStartY,         &m_fEyeRise,        &m_fLean,           &m_fLadderSway,
                            &m_fTimeSinceExplosion, &m_fTimeSinceDamage};
    for (size_t i = 0; i < std::size(valueFields); ++i)
        *valueFields[i] = values[i + 1];
    m_iLadderPhase = static_cast<int>(ladderPhase);
    m_iSurface = surface;
    m_DeathCamFrame = orientations[0];
    m_CamFrameAtLadder = orientations[1];
    m_LadderFrame = orientations[2];
    m_Look = orientations[3];
    auto v3 = [&](int i) { return D3DXVECTOR3(vectors[i].x, vectors[i].y, vectors[i].z); };
    m_vDeathCamPos = v3(0);
    m_vHalfExtents = vectors[1];
    m_vLadderBase = v3(2);
    m_vLadderExit = v3(3);
    m_vLookForward = v3(4);
    m_vAimPoint = v3(5);
    m_vLastGroundHit = v3(6);
    m_vPrevPosition = v3(7);
    m_vStandObjectPos = v3(8);
    m_vPosition = vectors[9];
    m_vStandObjectMove = v3(10);
    m_vLookRight = v3(11);
    m_vVelocity = v3(12);
    PlayerStats = stats;

    // 1. The position is also the last position.
    m_vLastPosition = m_vPosition;
    // 2. A countdown whose target is gone stops.
    m_bCountdown = countdown;
    m_fCountdown = countdownTime;
    m_hCountdownTarget = countdown ? FindKeeping(countdownName, m_CountdownPesel) : nullptr;
    if (m_bCountdown && !m_hCountdownTarget)
        m_bCountdown = 0;
    // 3-5. The controller and the weapons follow the riding and the gun.
    const D3DXVECTOR3 at(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    if (m_bRiding || m_bOnGun)
        g_PhysicsMgr.FreezePlayer();
    else
        g_PhysicsMgr.UnfreezePlayerAt(&at);
    if (m_bOnGun)
    {
        if (!Bronie.holstered)
            Bronie.Holster();
    }
    else if (Bronie.holstered)
        Bronie.Unholster();
    g_PhysicsMgr.WarpPlayer(&at);
    m_bHeroFlagE = 1;
    return true;
}
