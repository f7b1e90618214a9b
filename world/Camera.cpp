// STAND-IN: see Camera.h.
#include "world/Camera.h"

ECamera g_Camera;

void ECamera::UpdateProjection()
{
    ++m_iProjectionUpdates;
}

void ECamera::SetFarPlane(float farPlane)
{
    m_fFarPlane = farPlane;
    UpdateProjection();
}

void ECamera::SetFogColor(DWORD color)
{
    m_dwFogColor = color;
}

void ECamera::SetGamma(float gamma)
{
    if (!(gamma > 0.5f))
        gamma = 0.5f;
    if (gamma > 3.0f)
        gamma = 3.0f;
    m_fGamma = m_fGammaRed = m_fGammaGreen = m_fGammaBlue = gamma;
}

void ECamera::SetGammaRed(float gamma)
{
    m_fGammaRed = gamma;
}

void ECamera::SetGammaGreen(float gamma)
{
    m_fGammaGreen = gamma;
}

void ECamera::SetGammaBlue(float gamma)
{
    m_fGammaBlue = gamma;
}
