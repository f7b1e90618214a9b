// CPlayer: ladders. A ladder object's action puts the hero on its climbing
// line, half a unit in front of it; he climbs at 1 unit a second, slides down
// at 4 with a looping slide sound, and steps off at the top onto the ledge,
// at the bottom, or with a jump. The view turns to face the ladder, sways with
// each rung and creaks with alternating hands.
#include "player/Player.h"

#include "mesh/Mesh.h"
#include "physics/PhysicsMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/Mouse.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr float kTwoPi = 6.28318531f;
constexpr float kClimbSpeed = 1.0f;
constexpr float kSlideSpeed = 4.0f;
constexpr float kApproachSpeed = 2.0f; // onto and off the ladder
constexpr float kArrived = 0.1f;
constexpr float kBelowProbe = 1.0f; // how far under the ladder the ground is looked for
constexpr float kAboveGround = 1.0f;
constexpr float kTopStep = 1.0f;      // where the hero is put above the top
constexpr float kBottomStep = 0.02f;  // and above the bottom
constexpr float kTopExitAhead = 0.7f; // the exit at the top, along the ladder's forward axis
constexpr float kTopExitUp = 0.65f;
constexpr float kSideExitBack = 0.5f;
constexpr float kExitPush = -0.25f;
constexpr float kSwayRise = 4.0f, kSwayMax = 4.0f;
constexpr float kPitchUpRate = 0.5f, kPitchUpMax = 0.5f;
constexpr float kPitchDownRate = 1.0f, kPitchDownMin = -0.3f;
constexpr float kPitchBackRate = 1.0f, kPitchBackOff = 4.0f;
constexpr float kRungEvery = 0.8f;
constexpr int kRungSounds = 5;
constexpr float kViewBlend = 4.0f;
constexpr float kPitchLimit = 1.5358899f;
constexpr float kEyeRate = 4.0f, kEyeMax = 0.9f;
constexpr float kStepWave = 6.0f;
constexpr float kSwayDrop = 0.1f, kSwayRoll = 0.05f;
constexpr const char* SLIDE_SOUND = "sounds\\hero\\drabina_zjazd.wav";
constexpr int CMD_FORWARD = 3, CMD_BACK = 4, CMD_JUMP = 8;

float MoveTowards(float value, float target, float step)
{
    if (value < target)
        return std::min(target, value + step);
    return std::max(target, value - step);
}

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// One step of at most `step` towards the target; true once within kArrived (then put there).
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

bool SkipHero(HOBJECT candidate, RayTestUser user)
{
    return candidate != reinterpret_cast<HOBJECT>(user);
}
} // namespace

void CPlayer::GrabLadder(HOBJECT ladder)
{
    if (!ladder || !ladder->bUsed || ladder->Type != OT_MESH || !ladder->Object || m_bOnLadder ||
        g_Panel.LetterboxOn() || g_Panel.m_bPanoramic)
        return;
    const EMesh* mesh = static_cast<const EMesh*>(ladder->Object);
    // 1.
    const D3DXVECTOR3 forward = ladder->Orientation.Forward;
    m_vLadderBase = ladder->vPosition - forward * 0.5f;
    const float half = 0.5f * std::fabs(mesh->m_vMax.y - mesh->m_vMin.y) * mesh->m_vScale.y;
    // 2. The ground below the ladder, or its own foot.
    const D3DXVECTOR3 below(m_vLadderBase.x, m_vLadderBase.y - half - kBelowProbe, m_vLadderBase.z);
    RayTestQuery query;
    query.pFrom = &m_vLadderBase.x;
    query.pTo = &below.x;
    query.pfnFilter = SkipHero;
    query.dwUser = reinterpret_cast<RayTestUser>(m_hObject);
    RayTestResult hit;
    if (g_IntersectSegment.Test(&query, &hit) && hit.bHit)
        m_fLadderBottom = hit.vPoint.y + kAboveGround;
    else
        m_fLadderBottom = m_vLadderBase.y - half;
    m_fLadderTop = m_vLadderBase.y + half;
    // 3.
    m_iLadderPhase = -1;
    m_fLadderSway = 0.0f;
    m_fLadderEntryY = std::clamp(m_vPosition.y, std::min(m_fLadderBottom, m_fLadderTop), m_fLadderTop);
    m_bOnLadder = 1;
    m_CamFrameAtLadder = g_Camera.GetOrientation();
    m_LadderFrame = ladder->Orientation;
    m_fLadderStepTimer = 0.0f;
    m_fLadderEyeRise = m_fEyeRise;
}

void CPlayer::LadderStep()
{
    const float dt = m_fFrameTime;
    m_fLadderSway = std::min(kSwayMax, m_fLadderSway + kSwayRise * dt);
    QuickLoad();
    D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    bool climbing = false;
    if (m_iLadderPhase == -1)
    {
        m_fFallStartY = m_fLadderEntryY;
        const D3DXVECTOR3 onLine(m_vLadderBase.x, m_fLadderEntryY, m_vLadderBase.z);
        if (StepTowards(p, onLine, kApproachSpeed * dt))
            m_iLadderPhase = 0;
        m_vPosition = p;
    }
    else if (m_iLadderPhase == 0)
    {
        bool leave = false;
        if (CommandDown(CMD_FORWARD))
        {
            climbing = true;
            p.y += kClimbSpeed * dt;
            m_fLadderPitch = std::min(kPitchUpMax, m_fLadderPitch + kPitchUpRate * dt);
            if (p.y > m_fLadderTop)
            {
                p.y = m_fLadderTop + kTopStep;
                leave = true;
            }
        }
        else if (CommandDown(CMD_BACK))
        {
            climbing = true;
            p.y -= kSlideSpeed * dt;
            if (!m_hSlideSound)
            {
                m_hSlideSound = g_SoundMgr.CreateSound(SLIDE_SOUND);
                if (m_hSlideSound)
                    g_SoundMgr.PlaySound(m_hSlideSound, true);
            }
            m_fLadderPitch = std::max(kPitchDownMin, m_fLadderPitch - kPitchDownRate * dt);
            if (p.y < m_fLadderBottom)
            {
                p.y = m_fLadderBottom + kBottomStep;
                StopSlideSound();
                leave = true;
            }
        }
        else
        {
            StopSlideSound();
            m_fLadderPitch = MoveTowards(m_fLadderPitch, 0.0f, kPitchBackRate * dt);
        }
        if (CommandDown(CMD_JUMP))
            leave = true;
        m_vPosition = p;
        if (climbing)
        {
            m_fStepPhase += dt;
            if (m_fStepPhase >= kTwoPi)
                m_fStepPhase -= kTwoPi;
            m_fLadderStepTimer += dt;
            if (m_fLadderStepTimer >= kRungEvery)
            {
                m_fLadderStepTimer = 0.0f;
                char sound[64];
                std::snprintf(sound, sizeof sound, "sounds\\hero\\drabina%c%i.wav",
                              m_bLadderLeftHand ? 'L' : 'R', 1 + std::rand() % kRungSounds);
                m_bLadderLeftHand = !m_bLadderLeftHand;
                g_SoundMgr.PlaySoundOnce(sound, 1.0f, 0.0f);
            }
        }
        if (leave)
        {
            StopSlideSound();
            LeaveLadder();
        }
    }
    else
    {
        if (StepTowards(p, m_vLadderExit, kApproachSpeed * dt))
        {
            // Away from the ladder: back from it at the foot or after a jump,
            // on over the ledge at the top, never back over the edge.
            const bool top = m_vLadderExit.y > m_fLadderTop;
            m_vVelocity = m_LadderFrame.Forward * (top ? -kExitPush : kExitPush);
            m_bOnLadder = 0;
            m_fFallStartY = NO_FALL;
        }
        m_vPosition = p;
    }
    // One physics step with the controller at the hero.
    const D3DXVECTOR3 at(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
    g_PhysicsMgr.WarpPlayer(&at);
    g_PhysicsMgr.SetWalkDirection(&still);
    g_PhysicsMgr.Step();
    g_PhysicsMgr.WarpPlayer(&at);
    if (m_bOnLadder)
        LadderView();
    else
    {
        m_vPrevPosition = at;
        PlaceCamera();
    }
}

void CPlayer::LeaveLadder()
{
    const D3DXVECTOR3 forward = m_LadderFrame.Forward;
    if (m_vPosition.y > m_fLadderTop)
    {
        m_vLadderExit = m_vLadderBase + forward * kTopExitAhead;
        m_vLadderExit.y = m_fLadderTop + kTopExitUp;
        m_vPosition = m_vLadderExit;
        g_Mouse.m_State.y = 0.0;
    }
    else
    {
        const D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
        m_vLadderExit = p - forward * kSideExitBack;
    }
    m_iLadderPhase = 1;
}

void CPlayer::LadderView()
{
    const float dt = m_fFrameTime;
    const D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    g_Engine.SetObjectPosition(m_hObject, &p, 0);
    if (m_iLadderPhase != 0)
        m_fLadderPitch = MoveTowards(m_fLadderPitch, 0.0f, kPitchBackOff * dt);
    // Towards the ladder, or, stepping off, back to the mouse's look.
    const float blend = std::min(1.0f, kViewBlend * dt);
    if (m_iLadderPhase == 1)
    {
        const float pitch = static_cast<float>(std::clamp(
            g_Mouse.m_State.y, -static_cast<double>(kPitchLimit), static_cast<double>(kPitchLimit)));
        const EOrientation mouse(static_cast<float>(g_Mouse.m_State.x), pitch, 0.0f);
        m_Look.Slerp(&mouse.Quaternion, blend);
    }
    else
        m_Look.Slerp(&m_LadderFrame.Quaternion, blend);
    m_fLadderEyeRise = std::min(kEyeMax, m_fLadderEyeRise + kEyeRate * dt);
    const float s = std::sin(kStepWave * m_fStepPhase);
    const D3DXVECTOR3 eye(p.x, p.y + m_fLadderEyeRise - kSwayDrop * s, p.z);
    EOrientation frame = m_Look;
    const D3DXVECTOR3 forward = frame.Forward;
    frame.RotateAxisAngle(&forward, kSwayRoll * s);
    const D3DXVECTOR3 right = frame.Right;
    frame.RotateAxisAngle(&right, -m_fLadderPitch);
    Bronie.PlaceWeaponView(&eye, &frame, 0.0f, 0.0f);
    g_Camera.SetPosition(eye);
    g_Camera.SetOrientation(frame);
    m_vLookForward = frame.Forward;
    m_vLookRight = frame.Right;
}

void CPlayer::StopSlideSound()
{
    if (!m_hSlideSound)
        return;
    g_SoundMgr.StopSound(m_hSlideSound);
    g_SoundMgr.DeleteSound(m_hSlideSound);
    m_hSlideSound = nullptr;
}
