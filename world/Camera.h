#pragma once
// ECamera: the one camera of the program. It holds the view position and
// orientation, builds the view and projection matrices and hands them to the
// device, owns the gamma ramp, runs the short and constant screen shakes, the
// sniper zoom, the look-from-object and move-to-object moves that object
// actions start, and saves and restores its state with a save game.

#include "platform/d3d9/D3D9Types.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"
#include "world/ShakeParams.h"

#include <cstdio>

class ECamera
{
public:
    static constexpr int NAME_SIZE = 64;
    static constexpr int AXES = 3;
    static constexpr int GAMMA_ENTRIES = 256;
    // The shake block of a save game: both shakes, always this many bytes.
    static constexpr int SHAKE_BLOCK_BYTES = 212;
    static constexpr float MAX_LOOK_ANGLE = 88.0f;
    static constexpr float GAMMA_MIN = 0.5f;
    static constexpr float GAMMA_MAX = 3.0f;

    ECamera();
    virtual ~ECamera() = default;

    // ---- View -------------------------------------------------------------------
    void SetPosition(const D3DXVECTOR3& position);
    void SetPosition(const D3DXVECTOR3* position)
    {
        if (position)
            SetPosition(*position);
    }
    const D3DXVECTOR3& GetPosition() const { return m_vPosition; }
    void SetOrientation(const EOrientation& orientation);
    void SetOrientation(const EOrientation* orientation)
    {
        if (orientation)
            SetOrientation(*orientation);
    }
    const EOrientation& GetOrientation() const { return m_Orientation; }
    const EOrientation& GetViewFrame() const { return m_ViewFrame; }
    void SaveFrames();
    void RestoreFrames();
    // The look-at matrix from the position along the view frame, set on the
    // device; then the projection.
    void UpdateView();

    // ---- Projection --------------------------------------------------------------
    void SetFarPlane(float farPlane);
    float GetFarPlane() const { return m_fFarPlane; }
    void ApplyFarPlane() { UpdateProjection(); }
    void UpdateProjection();
    void ComputeFrustumCorners();
    // True when the camera lies inside the box of the given half-size around
    // a centre, or so close to it that the near plane cuts the box's near
    // faces away; a light volume is then drawn by its far faces.
    bool NearPlaneInsideBox(const D3DXVECTOR3& centre, float halfSize) const;
    // The background value (a packed colour) of the world key "background_color".
    void SetMode(DWORD background) { m_dwBackground = background; }

    // ---- Colour --------------------------------------------------------------------
    void SetFogColor(DWORD color);
    // Clamped to 0.5..3.0, all channels.
    void SetGamma(float gamma);
    void SetGammaRed(float gamma);
    void SetGammaGreen(float gamma);
    void SetGammaBlue(float gamma);
    float GetGamma() const { return m_fGamma; }
    // Builds the three ramps from the channel gammas and hands them to the device.
    void ApplyGammaRamp();
    // The ramp ApplyGammaRamp builds, for a channel gamma.
    static void BuildGammaRamp(float gamma, WORD* ramp);

    // ---- Shakes and zoom ------------------------------------------------------------
    void StartShake(const EShakeParams& params, const D3DXVECTOR3& source);
    void StartConstantShake(const EConstantShakeParams& params, HOBJECT source);
    void StopShakes();
    void OnObjectDeleted(HOBJECT object);
    void UpdateShake();
    void UpdateSniperView();
    // Per frame from the player, helicopter, fly-through camera, menu and game.
    void Update(BYTE skip = 0);
    void UpdateListener();

    // ---- Scripted looks and moves -----------------------------------------------------
    void LookFrom(const char* objectName, float angle);
    void ReleaseLook();
    void LookFromObject(const char* objectName, const char* socketName, float time, BYTE characterNotObject);
    void MoveToObject(const char* objectName, float time);
    void StepMoveToObject();
    void FollowSocket();

    // ---- Engine hand-over ----------------------------------------------------------------
    // A forced look from an object starts or ends (the engine's look-at pair).
    void StartLookFrom(HOBJECT object) { m_hLookFrom = object; }
    void EndLook() { m_hLookFrom = nullptr; }
    // The camera forgets an object that is being deleted.
    void RemoveObject(HOBJECT object) { OnObjectDeleted(object); }
    // World start and reset: no shake, look or move survives the world.
    void Reset();
    void Release() { Reset(); }

    // ---- Save games --------------------------------------------------------------------------
    bool Save(FILE* file);
    bool Load(FILE* file);

    // ---- State -----------------------------------------------------------------------------------
    // Short shake.
    EShakeParams m_Shake;
    D3DXVECTOR3 m_vShakeSource = {0.0f, 0.0f, 0.0f};
    BYTE m_bShake = 0;
    float m_fShakePhase[AXES] = {};
    float m_fShakeAmplitude[AXES] = {};
    float m_fShakePeriod[AXES] = {};
    float m_fShakeOffset[AXES] = {};
    float m_fShakeScale[AXES] = {};
    float m_fShakeTime = 0.0f;
    float m_fShakeSign = 1.0f;
    // Constant shake.
    EConstantShakeParams m_ConstantShake;
    BYTE m_bConstantShake = 0;
    float m_fConstantPhase[AXES] = {};
    float m_fConstantAmplitude[AXES] = {};
    float m_fConstantPeriod[AXES] = {};
    float m_fConstantOffset[AXES] = {};
    HOBJECT m_hConstantShakeSource = nullptr;
    // Sniper zoom.
    BYTE m_bZoomIn = 0;
    float m_fZoomBlend = 0.0f;
    float m_fZoom = 1.0f;
    // The camera's own frame and the view frame derived from it.
    EOrientation m_Orientation;
    EOrientation m_ViewFrame;
    float m_fListenerTime = 0.0f;
    float m_fGamma = 1.0f;
    float m_fGammaRed = 1.0f;
    float m_fGammaGreen = 1.0f;
    float m_fGammaBlue = 1.0f;
    D3DXVECTOR3 m_vWorldUp = {0.0f, 1.0f, 0.0f};
    BYTE m_bOrthographic = 0;
    float m_fOrthoHeight = 0.0f;
    BYTE m_bStartOne = 1;
    D3DXVECTOR3 m_vSaved = {0.0f, 0.0f, 0.0f};
    float m_fSaved1 = 0.0f;
    float m_fSaved2 = 0.0f;
    float m_fFrameTime = 0.0f;
    EOrientation m_SavedFrame;
    EOrientation m_SavedViewFrame;
    // Move to an object.
    BYTE m_bMoveTo = 0;
    D3DXVECTOR3 m_vMoveStart = {0.0f, 0.0f, 0.0f};
    EOrientation m_MoveStartFrame;
    float m_fMoveTime = 0.0f;
    float m_fMoveElapsed = 0.0f;
    HOBJECT m_hMoveTarget = nullptr;
    // Look from an object's socket.
    BYTE m_bSocketLook = 0;
    HOBJECT m_hSocketObject = nullptr;
    char m_szSocketName[NAME_SIZE] = {};
    float m_fSocketTime = 0.0f;
    // Matrices.
    D3DXMATRIX m_mProjection;
    D3DXMATRIX m_mProjectionInfinite;
    D3DXMATRIX m_mProjectionNear;
    D3DXMATRIX m_mView;
    D3DXMATRIX m_mWorld;
    DWORD m_dwFogColor = 0;
    D3DXVECTOR3 m_vPosition = {1.0f, 1600.0f, -128.0f};
    D3DXVECTOR3 m_vForward = {0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_vRight = {1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vUp = {0.0f, 1.0f, 0.0f};
    D3DXVECTOR3 m_vLookAt = {1.0f, 1600.0f, -127.0f};
    float m_fZero1 = 0.0f;
    float m_fZero2 = 0.0f;
    BYTE m_bAfterZeros = 0;
    float m_fFarPlane = 0.0f;
    float m_fNearPlane = 0.0f;
    // Look from an object (the player's view reads it).
    BYTE m_bLookFrom = 0;
    char m_szLookFromName[NAME_SIZE] = {};
    float m_fLookAngle = 0.0f;
    // The view at the far plane.
    float m_fFarHeight = 0.0f;
    float m_fFarWidth = 0.0f;
    static constexpr int FRUSTUM_CORNERS = 4;
    float m_vFrustumCorners[FRUSTUM_CORNERS][4] = {};
    DWORD m_dwBackground = 0;

    HOBJECT m_hLookFrom = nullptr;  // the engine's forced look
    DWORD m_iProjectionUpdates = 0; // how often the projection was rebuilt
    float m_fFov = 0.0f;            // the field of view of the last projection (radians)
    float m_fAspect = 0.0f;

private:
    void StepShakeAxis(float angle, float period, float* phase, float* amplitude, float* axisPeriod,
                       float* offset);
    float RangeFactor(float range, const D3DXVECTOR3& source, bool printBeyond) const;
};

extern ECamera g_Camera;
