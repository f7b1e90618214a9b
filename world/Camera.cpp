// ECamera: view, projection, gamma, shakes, zoom, scripted looks and moves,
// and the camera's part of a save game.
#include "world/Camera.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "platform/d3d9/D3D9.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Engine.h"
#include "world/EngineObject.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

ECamera g_Camera;

namespace
{
constexpr float PI = 3.14159265358979f;
constexpr float TWO_PI = 2.0f * PI;
constexpr float QUARTER_PI = 0.7853982f;
constexpr float DEGREES_TO_RADIANS = 0.01745329238474369f;
constexpr float START_YAW = -3.1415927f;
constexpr float NEAR_PLANE = 0.02f;
constexpr float SCOPE_NEAR_PLANE = 0.4f;
constexpr float SCOPE_ZOOM_LIMIT = 0.8f;
constexpr float ORTHO_NEAR_PLANE = 0.01f;
constexpr float ORTHO_ASPECT = 4.0f / 3.0f;
constexpr float SHORT_FAR_PLANE = 40.0f;
constexpr float MENU_FOV = 0.5f;
constexpr float SNIPER_VIEW_ZOOM = 0.35f;
constexpr float ZOOM_RANGE = 0.25f;
constexpr float ZOOM_OUT_SPEED = 2.0f;
constexpr float GAMMA_FLOOR = 0.01f;
constexpr float GAMMA_FULL = 65535.0f;
constexpr float LISTENER_PERIOD = 0.25f;
constexpr float CONSTANT_SHAKE_EASE = 0.2f;
constexpr float LOOK_PITCH_LIMIT = 0.942477822303772f;
constexpr DWORD NEGATIVE_SIGN_BYTE = 0xFF;

bool ScriptVariableSet(const char* name)
{
    return g_GameAI.IsVariableSet(name);
}

// The weapon in hand has a sniper scope and is aimed through it past the
// point where the scope fills the view.
bool ScopeZoomed()
{
    const EItemInstance* w = Bronie.current;
    return w && w->m_pDesc && w->m_pDesc->Snajper_Celownik && Bronie.aimProgress > SCOPE_ZOOM_LIMIT;
}
// The game narrows the view through the settings' field of view itself while
// the kill camera shows its shot.
bool GameAsksForFov()
{
    return OBE.m_bRunning != 0;
}
void StartHudFlash()
{
    g_Panel.StartFlash();
}
// The scene object of the named character (none while it has no model).
HOBJECT FindCharacterObject(const char* name)
{
    const strpostac* p = PMgr.FindCharacterByName(name, false);
    return p ? p->model : nullptr;
}
float EngineObjectCameraRoll()
{
    return g_EngineObject.m_fCameraRoll;
}

// The 3D sound listener at the camera; committed at once, or with the sound
// manager's next update.
void SetListener(const D3DXVECTOR3& position, const D3DXVECTOR3& front, const D3DXVECTOR3& top, bool commit)
{
    g_SoundMgr.SetListenerPosition(position);
    g_SoundMgr.SetListenerOrientation(front, top);
    if (commit)
        g_SoundMgr.CommitListener();
}

bool InUse(HOBJECT o)
{
    return o && o->bUsed;
}

// Copies a name into a 64-byte field; a name that does not fit is refused.
bool FitName(char* field, const char* name)
{
    const size_t n = strnlen(name, ECamera::NAME_SIZE);
    if (n >= static_cast<size_t>(ECamera::NAME_SIZE))
        return false;
    std::memcpy(field, name, n + 1);
    return true;
}

// The byte layout of the shake block, written and read field by field.
class BlockWriter
{
public:
    explicit BlockWriter(BYTE* bytes) : m_p(bytes) {}
    void U32(DWORD v)
    {
        for (int i = 0; i < 4; ++i)
            *m_p++ = static_cast<BYTE>(v >> (8 * i));
    }
    void F32(float v)
    {
        DWORD d;
        std::memcpy(&d, &v, sizeof d);
        U32(d);
    }
    void F32s(const float* v, int n)
    {
        for (int i = 0; i < n; ++i)
            F32(v[i]);
    }

private:
    BYTE* m_p;
};

class BlockReader
{
public:
    explicit BlockReader(const BYTE* bytes) : m_p(bytes) {}
    DWORD U32()
    {
        DWORD v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<DWORD>(*m_p++) << (8 * i);
        return v;
    }
    float F32()
    {
        const DWORD d = U32();
        float v;
        std::memcpy(&v, &d, sizeof v);
        return v;
    }
    void F32s(float* v, int n)
    {
        for (int i = 0; i < n; ++i)
            v[i] = F32();
    }

private:
    const BYTE* m_p;
};

bool WriteName(FILE* f, HOBJECT o)
{
    const bool present = InUse(o);
    bool ok = WriteBool(f, present);
    if (present)
        ok = WriteString(f, o->szName) && ok;
    return ok;
}

bool ReadName(FILE* f, char* name, size_t size)
{
    bool present = false;
    name[0] = 0;
    if (!ReadBool(f, &present))
        return false;
    return !present || ReadString(f, name, size);
}

HOBJECT FindByName(const char* name)
{
    return name[0] ? g_Engine.FindObject(name, 0) : nullptr;
}
} // namespace

ECamera::ECamera()
{
    m_Orientation = EOrientation(START_YAW, 0.0f, 0.0f);
    m_ViewFrame = m_Orientation;
    m_SavedFrame = m_Orientation;
    m_SavedViewFrame = m_Orientation;
    D3DXMatrixIdentity(&m_mProjection);
    D3DXMatrixIdentity(&m_mProjectionInfinite);
    D3DXMatrixIdentity(&m_mProjectionNear);
    D3DXMatrixIdentity(&m_mView);
    D3DXMatrixIdentity(&m_mWorld);
    for (int a = 0; a < AXES; ++a)
        m_fShakeScale[a] = 1.0f;
}

// ---- View -------------------------------------------------------------------------------

void ECamera::SetPosition(const D3DXVECTOR3& position)
{
    m_vPosition = position;
    UpdateView();
}

void ECamera::SetOrientation(const EOrientation& orientation)
{
    m_Orientation = orientation;
    EOrientation view = orientation;
    const float roll = EngineObjectCameraRoll();
    if (roll != 0.0f)
    {
        const D3DXVECTOR3 forward = view.Forward;
        view.RotateAxisAngle(&forward, roll);
    }
    m_ViewFrame = view;
    m_vForward = view.Forward;
    m_vRight = view.Right;
    m_vUp = view.Up;
    UpdateView();
}

void ECamera::SaveFrames()
{
    m_SavedFrame = m_Orientation;
    m_SavedViewFrame = m_ViewFrame;
}

void ECamera::RestoreFrames()
{
    m_Orientation = m_SavedFrame;
    m_ViewFrame = m_SavedViewFrame;
    m_vForward = m_ViewFrame.Forward;
    m_vRight = m_ViewFrame.Right;
    m_vUp = m_ViewFrame.Up;
}

void ECamera::UpdateView()
{
    m_vLookAt = m_vPosition + m_ViewFrame.Forward;
    D3DXMatrixLookAtLH(&m_mView, &m_vPosition, &m_vLookAt, &m_ViewFrame.Up);
    m_mWorld = m_ViewFrame.Matrix;
    m_mWorld._41 = m_vPosition.x;
    m_mWorld._42 = m_vPosition.y;
    m_mWorld._43 = m_vPosition.z;
    m_mWorld._14 = m_mWorld._24 = m_mWorld._34 = 0.0f;
    m_mWorld._44 = 1.0f;
    if (g_pD3DInterface)
        g_pD3DInterface->SetTransform(D3DTS_VIEW, &m_mView);
    UpdateProjection();
}

// ---- Projection -----------------------------------------------------------------------------

void ECamera::SetFarPlane(float farPlane)
{
    m_fFarPlane = farPlane;
    UpdateProjection();
}

void ECamera::UpdateProjection()
{
    ++m_iProjectionUpdates;
    if (GameAsksForFov())
        m_fZoom = g_Options.FOV;
    const float zoom = g_Menu.m_bMenuActive ? MENU_FOV : m_fZoom;
    if (m_bOrthographic)
    {
        m_fNearPlane = ORTHO_NEAR_PLANE;
        D3DXMatrixOrthoLH(&m_mProjection, m_fOrthoHeight * ORTHO_ASPECT, m_fOrthoHeight, m_fNearPlane,
                          m_fFarPlane);
        if (g_pD3DInterface)
            g_pD3DInterface->SetTransform(D3DTS_PROJECTION, &m_mProjection);
        return;
    }
    const float fov = zoom * QUARTER_PI;
    const float aspect = g_Options.screenheight > 0 ? static_cast<float>(g_Options.screenwidth) /
                                                          static_cast<float>(g_Options.screenheight)
                                                    : 1.0f;
    m_fFov = fov;
    m_fAspect = aspect;
    m_fNearPlane = ScopeZoomed() ? SCOPE_NEAR_PLANE : NEAR_PLANE;
    D3DXMatrixPerspectiveFovLH(&m_mProjection, fov, aspect, m_fNearPlane, m_fFarPlane);
    D3DXMatrixPerspectiveFovLH(&m_mProjectionNear, fov, aspect, m_fNearPlane, SHORT_FAR_PLANE);
    if (g_pD3DInterface)
        g_pD3DInterface->SetTransform(D3DTS_PROJECTION, &m_mProjection);

    const float halfTan = std::tan(fov / 2.0f);
    m_fFarHeight = 2.0f * halfTan * m_fFarPlane;
    m_fFarWidth = m_fFarHeight * aspect;
    std::memset(&m_mProjectionInfinite, 0, sizeof m_mProjectionInfinite);
    m_mProjectionInfinite._11 = 1.0f / std::tan(fov * aspect / 2.0f);
    m_mProjectionInfinite._22 = 1.0f / halfTan;
    m_mProjectionInfinite._33 = 1.0f;
    m_mProjectionInfinite._34 = 1.0f;
    m_mProjectionInfinite._43 = -m_fNearPlane;
}

void ECamera::ComputeFrustumCorners()
{
    const D3DXVECTOR3 f = m_ViewFrame.Forward * m_fFarPlane;
    const D3DXVECTOR3 u = m_ViewFrame.Up * (m_fFarHeight / 2.0f);
    const D3DXVECTOR3 r = m_ViewFrame.Right * (m_fFarWidth / 2.0f);
    const D3DXVECTOR3 corners[FRUSTUM_CORNERS] = {f + u - r, f + u + r, f - u + r, f - u - r};
    for (int i = 0; i < FRUSTUM_CORNERS; ++i)
    {
        m_vFrustumCorners[i][0] = corners[i].x;
        m_vFrustumCorners[i][1] = corners[i].y;
        m_vFrustumCorners[i][2] = corners[i].z;
        m_vFrustumCorners[i][3] = 0.0f;
    }
}

// ---- Colour ------------------------------------------------------------------------------------

void ECamera::SetFogColor(DWORD color)
{
    m_dwFogColor = color;
}

void ECamera::SetGamma(float gamma)
{
    if (!(gamma > GAMMA_MIN))
        gamma = GAMMA_MIN;
    if (gamma > GAMMA_MAX)
        gamma = GAMMA_MAX;
    m_fGamma = m_fGammaRed = m_fGammaGreen = m_fGammaBlue = gamma;
    ApplyGammaRamp();
}

void ECamera::SetGammaRed(float gamma)
{
    m_fGammaRed = gamma;
    ApplyGammaRamp();
}

void ECamera::SetGammaGreen(float gamma)
{
    m_fGammaGreen = gamma;
    ApplyGammaRamp();
}

void ECamera::SetGammaBlue(float gamma)
{
    m_fGammaBlue = gamma;
    ApplyGammaRamp();
}

void ECamera::BuildGammaRamp(float gamma, WORD* ramp)
{
    // A NaN gamma counts as the floor too.
    if (!(gamma >= GAMMA_FLOOR))
        gamma = GAMMA_FLOOR;
    for (int i = 0; i < GAMMA_ENTRIES; ++i)
    {
        const float base = static_cast<float>(i) / static_cast<float>(GAMMA_ENTRIES - 1);
        float v = std::pow(base, 1.0f / gamma) * GAMMA_FULL;
        if (!(v <= GAMMA_FULL))
            v = GAMMA_FULL;
        ramp[i] = static_cast<WORD>(v);
    }
}

void ECamera::ApplyGammaRamp()
{
    if (!g_pD3DInterface)
        return;
    D3DGAMMARAMP ramp;
    BuildGammaRamp(m_fGammaRed, ramp.red);
    BuildGammaRamp(m_fGammaGreen, ramp.green);
    BuildGammaRamp(m_fGammaBlue, ramp.blue);
    g_pD3DInterface->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
}

// ---- Shakes ---------------------------------------------------------------------------------------

void ECamera::StartShake(const EShakeParams& params, const D3DXVECTOR3& source)
{
    m_Shake = params;
    const float* v = params.fValues;
    if ((v[0] == 0.0f && v[2] == 0.0f && v[4] == 0.0f) || v[7] == 0.0f)
    {
        m_bShake = 0;
        return;
    }
    m_bShake = 1;
    m_vShakeSource = source;
    for (int a = 0; a < AXES; ++a)
    {
        m_fShakePhase[a] = TWO_PI;
        m_fShakeOffset[a] = 0.0f;
        m_fShakeScale[a] = 1.0f;
        m_fShakeAmplitude[a] = 0.0f;
        m_fShakePeriod[a] = 1.0f;
    }
    m_fShakeTime = v[7];
    m_fShakeSign = (std::rand() & 1) ? 1.0f : -1.0f;
    if (params.dwNegative & NEGATIVE_SIGN_BYTE)
        m_fShakeSign = -1.0f;
}

void ECamera::StartConstantShake(const EConstantShakeParams& params, HOBJECT source)
{
    m_ConstantShake = params;
    const float* v = params.fValues;
    if (v[0] == 0.0f && v[2] == 0.0f && v[4] == 0.0f)
        return;
    m_hConstantShakeSource = source;
    m_bConstantShake = 1;
    for (int a = 0; a < AXES; ++a)
    {
        m_fConstantPhase[a] = TWO_PI;
        m_fConstantOffset[a] = 0.0f;
        m_fConstantAmplitude[a] = 0.0f;
        m_fConstantPeriod[a] = 1.0f;
    }
}

void ECamera::StopShakes()
{
    m_bShake = 0;
    m_bConstantShake = 0;
}

void ECamera::OnObjectDeleted(HOBJECT object)
{
    if (!object)
        return;
    if (m_hConstantShakeSource == object)
    {
        m_bConstantShake = 0;
        m_hConstantShakeSource = nullptr;
    }
    if (m_hLookFrom == object)
        m_hLookFrom = nullptr;
    if (m_hMoveTarget == object)
    {
        m_hMoveTarget = nullptr;
        m_bMoveTo = 0;
    }
    if (m_hSocketObject == object)
    {
        m_hSocketObject = nullptr;
        m_bSocketLook = 0;
    }
}

// Steps 2 and 3 of a shaking axis: the phase runs on; each full turn draws a
// new amplitude and period around the axis's angle and period.
void ECamera::StepShakeAxis(float angle, float period, float* phase, float* amplitude, float* axisPeriod,
                            float* offset)
{
    *phase += TWO_PI * m_fFrameTime / *axisPeriod;
    if (*phase > TWO_PI)
    {
        *phase -= TWO_PI;
        *amplitude = (angle / 2.0f + RandomFloat(angle / 2.0f)) * DEGREES_TO_RADIANS;
        *axisPeriod = period / 2.0f + RandomFloat(period / 2.0f);
        // A period drawn as 0 would divide the next step by zero.
        if (!(*axisPeriod > 0.0f))
            *axisPeriod = 0.0f;
    }
    *offset = std::sin(*phase) * *amplitude;
}

bool ECamera::NearPlaneInsideBox(const D3DXVECTOR3& centre, float halfSize) const
{
    // The near plane's corners are the farthest it reaches from the eye.
    float reach = m_fNearPlane;
    if (!m_bOrthographic && m_fFov > 0.0f)
    {
        const float halfTan = std::tan(m_fFov / 2.0f);
        reach *= std::sqrt(1.0f + halfTan * halfTan * (1.0f + m_fAspect * m_fAspect));
    }
    const float r = halfSize + reach;
    const D3DXVECTOR3 to = m_vPosition - centre;
    return std::fabs(to.x) < r && std::fabs(to.y) < r && std::fabs(to.z) < r;
}

// The share of a shake felt at the camera: 1 - d / range inside the range,
// 0 beyond it.
float ECamera::RangeFactor(float range, const D3DXVECTOR3& source, bool printBeyond) const
{
    const D3DXVECTOR3 d = m_vPosition - source;
    const float distance = D3DXVec3Length(&d);
    const bool inside = distance < range;
    const float factor = inside ? 1.0f - distance / range : 0.0f;
    if (g_Options.PrintShakeScreenDistance && (inside || printBeyond))
        g_Console.PrintFloat("ConstantShakeScreen distance coefficient == ", factor);
    return factor;
}

void ECamera::UpdateShake()
{
    if (m_bConstantShake)
    {
        if (g_Options.Debug)
            g_Console.Print2("ConstantShakeScreen set by ", InUse(m_hConstantShakeSource)
                                                                ? m_hConstantShakeSource->szName
                                                                : "***UNKNOWN***");
        const float* v = m_ConstantShake.fValues;
        for (int a = 0; a < AXES; ++a)
        {
            const float angle = v[2 * a];
            const float limit = angle * DEGREES_TO_RADIANS;
            float& o = m_fConstantOffset[a];
            if (m_fConstantPeriod[a] == 0.0f)
                o = 0.0f;
            else if (o > limit)
                o = std::fmax(o - CONSTANT_SHAKE_EASE * m_fFrameTime, 0.0f);
            else if (o < -limit)
                o = std::fmin(o + CONSTANT_SHAKE_EASE * m_fFrameTime, 0.0f);
            else if (!(angle == 0.0f && o == 0.0f))
                StepShakeAxis(angle, v[2 * a + 1], &m_fConstantPhase[a], &m_fConstantAmplitude[a],
                              &m_fConstantPeriod[a], &o);
            const float range = m_ConstantShake.fRange;
            if (range > 0.0f)
            {
                const D3DXVECTOR3 source = InUse(m_hConstantShakeSource) ? m_hConstantShakeSource->vPosition
                                                                         : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
                o *= RangeFactor(range, source, false);
            }
        }
    }
    if (m_bShake)
    {
        const float* v = m_Shake.fValues;
        const float range = v[6];
        const float duration = v[7];
        for (int a = 0; a < AXES; ++a)
        {
            float& o = m_fShakeOffset[a];
            if (m_fShakePeriod[a] == 0.0f)
            {
                o = 0.0f;
                continue;
            }
            StepShakeAxis(v[2 * a], v[2 * a + 1], &m_fShakePhase[a], &m_fShakeAmplitude[a],
                          &m_fShakePeriod[a], &o);
            if (range > 0.0f)
                o *= RangeFactor(range, m_vShakeSource, true);
            o *= (duration != 0.0f ? m_fShakeTime / duration : 0.0f) * m_fShakeSign;
        }
        m_fShakeTime -= m_fFrameTime;
        if (m_fShakeTime < 0.0f)
        {
            m_fShakeTime = 0.0f;
            m_bShake = 0;
        }
    }
}

void ECamera::UpdateSniperView()
{
    const float base = g_Options.FOV;
    if (m_bZoomIn)
        m_fZoomBlend += m_fFrameTime;
    else
        m_fZoomBlend -= ZOOM_OUT_SPEED * m_fFrameTime;
    if (m_fZoomBlend < 0.0f)
        m_fZoomBlend = 0.0f;
    if (m_fZoomBlend > 1.0f)
        m_fZoomBlend = 1.0f;
    m_fZoom = base + m_fZoomBlend * ZOOM_RANGE;
    if (ScriptVariableSet("sniper_view"))
        m_fZoom = SNIPER_VIEW_ZOOM;
    m_bZoomIn = 0;
}

void ECamera::Update(BYTE skip)
{
    m_fFrameTime = g_Engine.m_fDeltaTime;
    if (!skip)
    {
        UpdateShake();
        UpdateSniperView();
    }
    UpdateProjection();
    if (!skip)
        SetListener(m_vPosition, m_Orientation.Forward, m_Orientation.Up, false);
}

void ECamera::UpdateListener()
{
    m_fListenerTime -= g_Engine.m_fDeltaTime;
    if (m_fListenerTime > 0.0f)
        return;
    m_fListenerTime = LISTENER_PERIOD;
    SetListener(m_vPosition, m_Orientation.Forward, m_vWorldUp, true);
}

// ---- Scripted looks and moves ------------------------------------------------------------------

void ECamera::LookFrom(const char* objectName, float angle)
{
    HOBJECT o = objectName && objectName[0] ? g_Engine.FindObject(objectName, 0) : nullptr;
    if (!o || !FitName(m_szLookFromName, objectName))
    {
        ReleaseLook();
        m_bLookFrom = 0;
        return;
    }
    m_bLookFrom = 1;
    m_fLookAngle = angle > MAX_LOOK_ANGLE ? MAX_LOOK_ANGLE : angle;
    g_Mouse.m_State.x = 0.0;
    g_Mouse.m_State.y = 0.0;
}

void ECamera::ReleaseLook()
{
    float pitch = 0.0f, yaw = 0.0f, roll = 0.0f;
    m_ViewFrame.GetAngles(&pitch, &yaw, &roll);
    // The angles come in [0, 2 pi); a pitch a little below level is near 2 pi.
    if (pitch > PI)
        pitch -= TWO_PI;
    g_Mouse.m_State.x = yaw;
    g_Mouse.m_State.y = (pitch < -LOOK_PITCH_LIMIT || pitch > LOOK_PITCH_LIMIT) ? 0.0 : pitch;
}

void ECamera::LookFromObject(const char* objectName, const char* socketName, float time,
                             BYTE characterNotObject)
{
    if (!objectName || !objectName[0] || !socketName || !socketName[0])
        return;
    m_bMoveTo = 0;
    m_bSocketLook = 0;
    HOBJECT o = nullptr;
    if (characterNotObject)
    {
        o = FindCharacterObject(objectName);
        if (!o)
        {
            g_Console.Print3("Character ", objectName, " not found!");
            return;
        }
    }
    else
        o = g_Engine.FindObject(objectName, 0);
    m_hSocketObject = o;
    if (!o)
    {
        g_Console.Print2("No object to look from: ", objectName);
        return;
    }
    if (!o->bUsed)
    {
        g_Console.Print2(objectName, " not used!");
        return;
    }
    D3DXMATRIX socket;
    EOrientation orientation;
    if (!g_Engine.GetObjectSocket(o, socketName, &socket, &orientation))
    {
        g_Console.Print2("Socket to look from read failed: ", socketName);
        return;
    }
    if (time > 0.0f && FitName(m_szSocketName, socketName))
    {
        StartHudFlash();
        m_bSocketLook = 1;
        m_fSocketTime = time;
    }
}

void ECamera::MoveToObject(const char* objectName, float time)
{
    if (!objectName || !objectName[0])
        return;
    m_bMoveTo = 0;
    m_bSocketLook = 0;
    m_hMoveTarget = g_Engine.FindObject(objectName, 0);
    if (InUse(m_hMoveTarget) && time > 0.0f)
    {
        StartHudFlash();
        m_vMoveStart = m_vPosition;
        m_MoveStartFrame = m_Orientation;
        m_fMoveTime = time;
        m_fMoveElapsed = 0.0f;
        m_bMoveTo = 1;
    }
}

void ECamera::StepMoveToObject()
{
    if (!m_bMoveTo)
        return;
    if (!InUse(m_hMoveTarget))
    {
        m_bMoveTo = 0;
        return;
    }
    bool done = false;
    m_fMoveElapsed += g_Engine.m_fDeltaTime;
    if (m_fMoveElapsed >= m_fMoveTime)
    {
        m_fMoveElapsed = m_fMoveTime;
        done = true;
    }
    const float t = m_fMoveElapsed / m_fMoveTime;
    const D3DXVECTOR3 position = m_vMoveStart + (m_hMoveTarget->vPosition - m_vMoveStart) * t;
    EOrientation frame = m_MoveStartFrame;
    frame.Slerp(&m_hMoveTarget->Orientation.Quaternion, t);
    SetPosition(position);
    SetOrientation(frame);
    if (done)
        m_bMoveTo = 0;
}

void ECamera::FollowSocket()
{
    if (!m_bSocketLook)
        return;
    if (!InUse(m_hSocketObject))
    {
        m_bSocketLook = 0;
        return;
    }
    bool done = false;
    m_fSocketTime -= g_Engine.m_fDeltaTime;
    if (m_fSocketTime < 0.0f)
    {
        m_fSocketTime = 0.0f;
        done = true;
    }
    D3DXMATRIX socket;
    EOrientation orientation;
    if (!g_Engine.GetObjectSocket(m_hSocketObject, m_szSocketName, &socket, &orientation))
    {
        g_Console.Print2("No socket ", m_szSocketName);
        m_bSocketLook = 0;
        return;
    }
    SetPosition(D3DXVECTOR3(socket._41, socket._42, socket._43));
    SetOrientation(orientation);
    if (done)
        m_bSocketLook = 0;
}

void ECamera::Reset()
{
    StopShakes();
    m_hConstantShakeSource = nullptr;
    m_hLookFrom = nullptr;
    m_bMoveTo = 0;
    m_hMoveTarget = nullptr;
    m_bSocketLook = 0;
    m_hSocketObject = nullptr;
}

// ---- Save games ------------------------------------------------------------------------------------

bool ECamera::Save(FILE* f)
{
    if (!f)
        return false;
    BYTE block[SHAKE_BLOCK_BYTES] = {};
    BlockWriter w(block);
    w.U32(m_Shake.bEnabled);
    w.F32s(m_Shake.fValues, SHAKE_VALUES);
    w.U32(m_Shake.dwNegative);
    w.F32s(&m_vShakeSource.x, AXES);
    w.U32(m_bShake);
    w.F32s(m_fShakePhase, AXES);
    w.F32s(m_fShakeAmplitude, AXES);
    w.F32s(m_fShakePeriod, AXES);
    w.F32s(m_fShakeOffset, AXES);
    w.F32s(m_fShakeScale, AXES);
    w.F32(m_fShakeTime);
    w.F32(m_fShakeSign);
    w.U32(m_ConstantShake.bEnabled);
    w.F32s(m_ConstantShake.fValues, CONSTANT_SHAKE_VALUES);
    w.F32(m_ConstantShake.fRange);
    w.U32(m_bConstantShake);
    w.F32s(m_fConstantPhase, AXES);
    w.F32s(m_fConstantAmplitude, AXES);
    w.F32s(m_fConstantPeriod, AXES);
    w.F32s(m_fConstantOffset, AXES);
    // The source object's slot: a pointer means nothing to the next run.
    w.U32(0);

    bool ok = WriteBytes(f, block, SHAKE_BLOCK_BYTES);
    ok = WriteBool(f, m_bZoomIn != 0) && WriteFloat(f, m_fZoomBlend) && WriteFloat(f, m_fZoom) && ok;
    ok = WriteBool(f, m_bMoveTo != 0) && WriteVector(f, &m_vMoveStart) &&
         WriteOrientation(f, &m_MoveStartFrame) && WriteFloat(f, m_fMoveTime) &&
         WriteFloat(f, m_fMoveElapsed) && ok;
    ok = WriteName(f, m_hMoveTarget) && ok;
    ok = WriteBool(f, m_bSocketLook != 0) && WriteName(f, m_hSocketObject) &&
         WriteString(f, m_szSocketName) && WriteFloat(f, m_fSocketTime) && ok;
    ok = WriteBool(f, m_bAfterZeros != 0) && WriteBool(f, m_bLookFrom != 0) &&
         WriteString(f, m_szLookFromName) && WriteFloat(f, m_fLookAngle) && ok;
    ok = WriteBool(f, m_bStartOne != 0) && WriteBool(f, m_bOrthographic != 0) && ok;
    ok = WriteDword(f, m_dwFogColor) && WriteFloat(f, m_fZero2) && WriteFloat(f, m_fFarPlane) &&
         WriteFloat(f, m_fZero1) && WriteFloat(f, m_fOrthoHeight) && ok;
    ok = WriteOrientation(f, &m_ViewFrame) && WriteOrientation(f, &m_SavedViewFrame) &&
         WriteOrientation(f, &m_SavedViewFrame) && WriteOrientation(f, &m_Orientation) &&
         WriteOrientation(f, &m_SavedFrame) && ok;
    ok = WriteVector(f, &m_vForward) && WriteVector(f, &m_vLookAt) && WriteVector(f, &m_vSaved) &&
         WriteVector(f, &m_vPosition) && WriteVector(f, &m_vRight) && WriteVector(f, &m_vUp) && ok;
    return ok;
}

bool ECamera::Load(FILE* f)
{
    if (!f)
        return false;
    BYTE block[SHAKE_BLOCK_BYTES] = {};
    if (!ReadBytes(f, block, SHAKE_BLOCK_BYTES))
        return false;
    BlockReader r(block);
    m_Shake.bEnabled = static_cast<BYTE>(r.U32());
    r.F32s(m_Shake.fValues, SHAKE_VALUES);
    m_Shake.dwNegative = r.U32();
    r.F32s(&m_vShakeSource.x, AXES);
    m_bShake = r.U32() ? 1 : 0;
    r.F32s(m_fShakePhase, AXES);
    r.F32s(m_fShakeAmplitude, AXES);
    r.F32s(m_fShakePeriod, AXES);
    r.F32s(m_fShakeOffset, AXES);
    r.F32s(m_fShakeScale, AXES);
    m_fShakeTime = r.F32();
    m_fShakeSign = r.F32();
    m_ConstantShake.bEnabled = static_cast<BYTE>(r.U32());
    r.F32s(m_ConstantShake.fValues, CONSTANT_SHAKE_VALUES);
    m_ConstantShake.fRange = r.F32();
    m_bConstantShake = r.U32() ? 1 : 0;
    r.F32s(m_fConstantPhase, AXES);
    r.F32s(m_fConstantAmplitude, AXES);
    r.F32s(m_fConstantPeriod, AXES);
    r.F32s(m_fConstantOffset, AXES);
    r.U32();
    m_hConstantShakeSource = nullptr;

    char moveTarget[OBJECT_NAME_SIZE] = {};
    char socketObject[OBJECT_NAME_SIZE] = {};
    bool ok = ReadBool(f, &m_bZoomIn) && ReadFloat(f, &m_fZoomBlend) && ReadFloat(f, &m_fZoom);
    ok = ok && ReadBool(f, &m_bMoveTo) && ReadVector(f, &m_vMoveStart) &&
         ReadOrientation(f, &m_MoveStartFrame) && ReadFloat(f, &m_fMoveTime) && ReadFloat(f, &m_fMoveElapsed);
    ok = ok && ReadName(f, moveTarget, sizeof moveTarget);
    ok = ok && ReadBool(f, &m_bSocketLook) && ReadName(f, socketObject, sizeof socketObject) &&
         ReadString(f, m_szSocketName) && ReadFloat(f, &m_fSocketTime);
    ok = ok && ReadBool(f, &m_bAfterZeros) && ReadBool(f, &m_bLookFrom) && ReadString(f, m_szLookFromName) &&
         ReadFloat(f, &m_fLookAngle);
    ok = ok && ReadBool(f, &m_bStartOne) && ReadBool(f, &m_bOrthographic);
    ok = ok && ReadDword(f, &m_dwFogColor) && ReadFloat(f, &m_fZero2) && ReadFloat(f, &m_fFarPlane) &&
         ReadFloat(f, &m_fZero1) && ReadFloat(f, &m_fOrthoHeight);
    ok = ok && ReadOrientation(f, &m_ViewFrame) && ReadOrientation(f, &m_SavedViewFrame) &&
         ReadOrientation(f, &m_SavedViewFrame) && ReadOrientation(f, &m_Orientation) &&
         ReadOrientation(f, &m_SavedFrame);
    ok = ok && ReadVector(f, &m_vForward) && ReadVector(f, &m_vLookAt) && ReadVector(f, &m_vSaved) &&
         ReadVector(f, &m_vPosition) && ReadVector(f, &m_vRight) && ReadVector(f, &m_vUp);

    m_hMoveTarget = FindByName(moveTarget);
    m_hSocketObject = FindByName(socketObject);
    // A damaged save must not leave a move dividing by a zero time.
    if (!(m_fMoveTime > 0.0f))
        m_bMoveTo = 0;
    SaveFrames();
    return ok;
}
