#include "physics/PlayerHeli.h"

#include "physics/PhysicsMgr.h"
#include "player/Player.h"
#include "render/Font.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/Mouse.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "ui/HudLayout.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

CPlayerHeli g_PlayerHeli;

namespace
{
constexpr const char* kCameraSocket = "kamera";
constexpr const char* kExitSocket = "exit";
constexpr const char* kScreenTexture = "hud_heli_screen.tga";
constexpr const char* kBackgroundTexture = "hud_heli_tlo.tga";
constexpr float kHudSize = 64.0f;
constexpr float kHudLeft = 24.0f;
constexpr float kHudTop = 640.0f;
constexpr float kTextLeft = 100.0f;
constexpr float kTextStep = 20.0f;
constexpr float kTextSize = 16.0f;
constexpr float kJitterX = 0.1f;
constexpr float kJitterY = 0.2f;
constexpr DWORD kScreenColour = 0x60707070;
constexpr DWORD kTextColour = 0xFFFFFFFF;
constexpr float kForceScale = 4000.0f;
constexpr float kHeightTop = 400.0f;
constexpr float kPitchShare = 0.35f;
constexpr float kRollShare = 0.25f;
constexpr float kReturnRate = 0.25f;
constexpr float kTiltLong = 0.25f;
constexpr float kTiltSide = 2.0f;
const D3DXVECTOR3 kParked(0.0f, -100.0f, 0.0f);

btVector3 Bt(const D3DXVECTOR3& v)
{
    return btVector3(v.x, v.y, v.z);
}

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Toward 0 by the step, never past it.
float Return(float value, float step)
{
    if (value > 0.0f)
        return std::max(0.0f, value - step);
    return std::min(0.0f, value + step);
}

float Signed(float value)
{
    const float v = RandomFloat(value);
    return RandomFloat(1.0f) < 0.5f ? -v : v;
}

btVector3 Tilted(const btVector3& up, float lift)
{
    const btVector3 v = up + btVector3(0.0f, lift, 0.0f);
    return v.length2() > SIMD_EPSILON ? v.normalized() : btVector3(0.0f, 1.0f, 0.0f);
}
} // namespace

float CPlayerHeli::HeightFactor(float height)
{
    if (!std::isfinite(height))
        return 0.5f;
    return std::clamp((kHeightTop - height) / kHeightTop, 0.5f, 1.0f);
}

// The sprites live only while the hero flies: made at the first draw of a
// flight, released when it ends, so no level or device outlives them.
void CPlayerHeli::InitHud()
{
    ReleaseHud();
}

void CPlayerHeli::ReleaseHud()
{
    m_Screen.Release();
    m_Background.Release();
}

void CPlayerHeli::Enter(HOBJECT object)
{
    if (m_bFlying)
        Exit();
    if (!object || !object->bUsed || object->Type != OT_MESH || !object->Object)
        return;
    g_Panel.FadeIn(FADE_SECONDS);
    m_hObject = object;
    std::memcpy(m_ObjectPesel, object->PESEL, sizeof m_ObjectPesel);
    m_bFlying = 1;
    m_fFlightTime = 0.0f;
    m_bToldCamera = m_bToldExit = 0;
    g_PhysicsMgr.FreezePlayer();
    g_PhysicsMgr.WarpPlayer(&kParked); // a frozen controller stays where it is
    g_PhysicsMgr.AddHelicopter(object);
    m_fPitch = m_fRoll = m_fYaw = 0.0f;
    m_fThrottle = MIN_THROTTLE;
}

void CPlayerHeli::Update()
{
    if (!m_bFlying)
        return;
    HOBJECT o = m_hObject;
    if (!o || !o->bUsed || o->PESEL[0] != m_ObjectPesel[0] || o->PESEL[1] != m_ObjectPesel[1] ||
        o->PESEL[2] != m_ObjectPesel[2])
    {
        EndFlight();
        return;
    }
    m_fFrameTime = g_Engine.m_fDeltaTime;
    m_fFlightTime += m_fFrameTime;
    HandleInput();
    if (m_bFlying)
        ApplyFlightForces();
}

void CPlayerHeli::HandleInput()
{
    const float dt = m_fFrameTime;
    if (g_CommandMgr.IsCommandDown(CMD_FORWARD))
        m_fThrottle = std::min(MAX_THROTTLE, m_fThrottle + THROTTLE_RATE * dt);
    if (g_CommandMgr.IsCommandDown(CMD_BACKWARD))
        m_fThrottle = std::max(MIN_THROTTLE, m_fThrottle - THROTTLE_RATE * dt);
    m_fYaw = 0.0f;
    if (g_CommandMgr.IsCommandDown(CMD_RIGHT))
        m_fYaw = 1.0f;
    if (g_CommandMgr.IsCommandDown(CMD_LEFT))
        m_fYaw = -1.0f;
    EMouseState& mouse = g_Mouse.m_State;
    const double dy = std::isfinite(mouse.dy) ? mouse.dy : 0.0;
    const double dx = std::isfinite(mouse.dx) ? mouse.dx : 0.0;
    m_fPitch = std::clamp(m_fPitch + static_cast<float>(dy) * MOUSE_SCALE, -1.0f, 1.0f);
    m_fRoll = std::clamp(m_fRoll + static_cast<float>(dx) * MOUSE_SCALE, -1.0f, 1.0f);
    mouse.dx = mouse.dy = 0.0;
    if (g_CommandMgr.IsCommandDown(CMD_USE) && m_fFlightTime > EXIT_AFTER)
        Exit();
}

void CPlayerHeli::ApplyFlightForces()
{
    EHeliPhysics* h = g_PhysicsMgr.GetHeliPhysics(m_hObject);
    btRigidBody* hull = m_hObject ? static_cast<btRigidBody*>(m_hObject->pPhysicsBody) : nullptr;
    if (!h || !hull)
    {
        Exit();
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (h->pBody[i])
            h->pBody[i]->clearForces();
    const float s = m_fFrameTime * kForceScale;
    const float hf = HeightFactor(m_hObject->vPosition.y);
    const float p = hf * m_fPitch * kPitchShare;
    const float r = hf * m_fRoll * kRollShare;
    const float t = m_fThrottle;
    const btMatrix3x3& basis = hull->getWorldTransform().getBasis();
    const btVector3 side = basis.getColumn(0);
    const btVector3 up = basis.getColumn(1);
    // Front and back parts (0, 1), right and left (2, 3): positive pitch
    // lowers the nose, positive roll the right side.
    const float lift[4] = {(hf - p) * t * s, (hf + p) * t * s, (hf - r) * t * s, (hf + r) * t * s};
    const float tilt[4] = {kTiltLong, kTiltLong, kTiltSide, kTiltSide};
    for (int i = 0; i < 4; ++i)
        if (h->pBody[i])
            h->pBody[i]->applyCentralImpulse(Tilted(up, tilt[i]) * lift[i]);
    // A tilted hull drifts toward its tilt.
    hull->applyCentralImpulse(btVector3(up.x(), 0.0f, up.z()) * (hf * t * s));
    if (m_fYaw != 0.0f)
    {
        if (h->pBody[5])
            h->pBody[5]->applyCentralImpulse(side * (m_fYaw * s));
        if (h->pBody[4])
            h->pBody[4]->applyCentralImpulse(side * (-m_fYaw * s));
    }
    else
        for (int i = 4; i < HELI_PHYSICS_BODIES; ++i)
            if (h->pBody[i])
                h->pBody[i]->clearForces();
    m_fPitch = Return(m_fPitch, kReturnRate * m_fFrameTime);
    m_fRoll = Return(m_fRoll, kReturnRate * m_fFrameTime);
}

void CPlayerHeli::UpdateCamera()
{
    if (!m_bFlying || !m_hObject)
        return;
    D3DXMATRIX socket;
    D3DXVECTOR3 at = m_hObject->vPosition;
    if (g_Engine.GetObjectSocket(m_hObject, kCameraSocket, &socket, nullptr) &&
        Finite(D3DXVECTOR3(socket._41, socket._42, socket._43)))
        at = D3DXVECTOR3(socket._41, socket._42, socket._43);
    else if (!m_bToldCamera)
    {
        m_bToldCamera = 1;
        g_Console.Print2("Helicopter without socket kamera: ", m_hObject->szFileName);
    }
    if (!Finite(at))
        return;
    g_Camera.SetPosition(at);
    g_Camera.SetOrientation(m_hObject->Orientation);
}

void CPlayerHeli::DrawHud()
{
    if (!m_bFlying)
        return;
    using hud::X;
    using hud::Y;
    if (!m_Screen.m_bCreated)
        m_Screen.Create(kScreenTexture, 0.0f, 0.0f, kHudSize, kHudSize, kScreenColour);
    if (!m_Background.m_bCreated)
        m_Background.Create(kBackgroundTexture, 0.0f, 0.0f, kHudSize, kHudSize, 0xFFFFFFFF);
    const float left = X(kHudLeft + Signed(kJitterX));
    const float top = Y(kHudTop + Signed(kJitterY));
    m_Screen.Begin2D(false);
    m_Screen.SetRect(left, top, left + X(kHudSize), top + Y(kHudSize));
    m_Screen.SetColor(kScreenColour);
    m_Screen.Render(true);
    m_Background.SetRect(X(kHudLeft), Y(kHudTop), X(kHudLeft + kHudSize), Y(kHudTop + kHudSize));
    m_Background.Render(true);
    m_Screen.Restore2D();
    char line[64];
    std::snprintf(line, sizeof line, "Throttle: %.2f", m_fThrottle);
    g_Font.DrawText(line, X(kTextLeft), Y(kHudTop), kTextColour, kTextSize, 0, false, false);
    std::snprintf(line, sizeof line, "Pitch: %.2f", m_fPitch);
    g_Font.DrawText(line, X(kTextLeft), Y(kHudTop + kTextStep), kTextColour, kTextSize, 0, false, false);
    std::snprintf(line, sizeof line, "Roll: %.2f", m_fRoll);
    g_Font.DrawText(line, X(kTextLeft), Y(kHudTop + 2.0f * kTextStep), kTextColour, kTextSize, 0, false,
                    false);
}

void CPlayerHeli::Exit()
{
    if (!m_bFlying)
    {
        m_hObject = nullptr;
        return;
    }
    HOBJECT o = m_hObject;
    D3DXVECTOR3 at = g_Camera.GetPosition();
    if (o && o->bUsed)
    {
        g_PhysicsMgr.RebuildObjectBody(o);
        at = o->vPosition;
        D3DXMATRIX socket;
        if (g_Engine.GetObjectSocket(o, kExitSocket, &socket, nullptr) &&
            Finite(D3DXVECTOR3(socket._41, socket._42, socket._43)))
            at = D3DXVECTOR3(socket._41, socket._42, socket._43);
        else if (!m_bToldExit)
        {
            m_bToldExit = 1;
            g_Console.Print2("Helicopter without socket exit: ", o->szFileName);
        }
    }
    g_PhysicsMgr.UnfreezePlayerAt(&at);
    Player.TeleportTo(&at);
    m_hObject = nullptr;
    m_bFlying = 0;
    ReleaseHud();
    g_Panel.FadeIn(FADE_SECONDS);
}

void CPlayerHeli::EndFlight()
{
    // The helicopter is gone: the hero comes down where the camera was.
    const D3DXVECTOR3 at = g_Camera.GetPosition();
    m_hObject = nullptr;
    m_bFlying = 0;
    g_PhysicsMgr.UnfreezePlayerAt(&at);
    Player.TeleportTo(&at);
    ReleaseHud();
    g_Panel.FadeIn(FADE_SECONDS);
}

void CPlayerHeli::Release()
{
    if (m_bFlying)
        Exit();
    m_hObject = nullptr;
    ReleaseHud();
}
