#pragma once
// ECamera: the one camera (view, projection, gamma, shakes, scripted moves).
// STAND-IN: only what the settings call, keeping the values; the camera work
// replaces this file with the whole ECamera and keeps these members.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

class ECamera
{
public:
    virtual ~ECamera() = default;

    // Rebuilds the projection from the options' field of view.
    void UpdateProjection();
    void SetFarPlane(float farPlane);
    float GetFarPlane() const { return m_fFarPlane; }
    void SetFogColor(DWORD color);
    // Clamped to 0.5..3.0, all channels.
    void SetGamma(float gamma);
    void SetGammaRed(float gamma);
    void SetGammaGreen(float gamma);
    void SetGammaBlue(float gamma);
    float GetGamma() const { return m_fGamma; }
    // What the engine asks of the camera (kept as values until the camera work).
    const D3DXVECTOR3& GetPosition() const { return m_vPosition; }
    void SetPosition(const D3DXVECTOR3* position)
    {
        if (position)
            m_vPosition = *position;
    }
    // A forced look from an object starts or ends.
    void StartLookFrom(HOBJECT object) { m_hLookFrom = object; }
    void EndLook() { m_hLookFrom = nullptr; }
    // The camera forgets an object that is being deleted.
    void RemoveObject(HOBJECT object)
    {
        if (object && m_hLookFrom == object)
            m_hLookFrom = nullptr;
    }
    // STAND-IN: the orientation of a scripted view and the per-frame step.
    void SetOrientation(const EOrientation* orientation)
    {
        if (orientation)
            m_Orientation = *orientation;
    }
    void Update() {}
    void FollowSocket() {}
    void UpdateView() {}
    void Reset() { m_hLookFrom = nullptr; }
    void Release() { m_hLookFrom = nullptr; }

    D3DXVECTOR3 m_vPosition = {0.0f, 0.0f, 0.0f};
    HOBJECT m_hLookFrom = nullptr;
    EOrientation m_Orientation;

    float m_fGamma = 1.0f;
    float m_fGammaRed = 1.0f;
    float m_fGammaGreen = 1.0f;
    float m_fGammaBlue = 1.0f;
    DWORD m_dwFogColor = 0;
    float m_fFarPlane = 0.0f;
    DWORD m_iProjectionUpdates = 0; // how often the projection was rebuilt
    // STAND-IN: set while the view is held on an object (LookFrom); the camera
    // work sets it, the mouse poll reads it.
    BYTE m_bLookFrom = 0;
};

extern ECamera g_Camera;
