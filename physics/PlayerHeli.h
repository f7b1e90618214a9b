#pragma once
// CPlayerHeli: the helicopter the hero flies. Boarding freezes the hero's
// controller and gives the helicopter object a hull body with six jointed part
// bodies; each frame the keys and the mouse set throttle, yaw, pitch and roll,
// which push the parts and tilt and lift the hull. The camera rides at the
// "kamera" socket, and leaving puts the hero down at the "exit" socket.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Rect.h"
#include "world/ObjectHandle.h"

class CPlayerHeli
{
public:
    static constexpr float MIN_THROTTLE = 0.3f;
    static constexpr float MAX_THROTTLE = 1.0f;
    static constexpr float THROTTLE_RATE = 0.6f;
    static constexpr float MOUSE_SCALE = 0.001f;
    static constexpr float EXIT_AFTER = 2.0f;
    static constexpr float FADE_SECONDS = 1.0f;
    static constexpr int CMD_FORWARD = 3;
    static constexpr int CMD_BACKWARD = 4;
    static constexpr int CMD_LEFT = 5;
    static constexpr int CMD_RIGHT = 6;
    static constexpr int CMD_USE = 18;

    virtual ~CPlayerHeli() = default;

    void InitHud();
    void Enter(HOBJECT object);
    void Update();
    void HandleInput();
    void ApplyFlightForces();
    void UpdateCamera();
    void DrawHud();
    void Exit();
    void Release();
    // The lift's share at a height: 1 at the ground, falling to 0.5 at 200 and above.
    static float HeightFactor(float height);

    BYTE m_bFlying = 0;
    HOBJECT m_hObject = nullptr; // the helicopter being flown, or null
    float m_fFlightTime = 0.0f;
    float m_fFrameTime = 0.0f;
    ERect m_Screen;
    ERect m_Background;
    float m_fPitch = 0.0f;
    float m_fRoll = 0.0f;
    float m_fYaw = 0.0f;
    float m_fThrottle = MIN_THROTTLE;

private:
    // The flight ended without Exit (the helicopter went): the hero walks again.
    void EndFlight();
    void ReleaseHud();
    DWORD m_ObjectPesel[3] = {};
    BYTE m_bToldCamera = 0;
    BYTE m_bToldExit = 0;
};

extern CPlayerHeli g_PlayerHeli;
