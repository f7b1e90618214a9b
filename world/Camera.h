#pragma once
// ECamera: the one camera (view, projection, gamma, shakes, scripted moves).
// STAND-IN: only what the settings call, keeping the values; the camera work
// replaces this file with the whole ECamera and keeps these members.

#include "platform/win32/WinTypes.h"

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
