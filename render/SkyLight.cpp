// STAND-IN: see SkyLight.h.
#include "render/SkyLight.h"

#include "render/PostProcess.h"
#include "shell/Console.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <climits>

ESkyLight Env;

namespace
{
// A channel value as its byte: truncated, without the undefined results of
// converting an out-of-range float.
DWORD ChannelByte(float v)
{
    int i = 0;
    if (v >= 2147483520.0f)
        i = INT_MAX;
    else if (v <= -2147483648.0f)
        i = INT_MIN;
    else if (v == v)
        i = static_cast<int>(v);
    return static_cast<DWORD>(i) & 0xFF;
}

float Channel(DWORD color, int shift)
{
    return static_cast<float>((color >> shift) & 0xFF);
}

DWORD WithChannel(DWORD color, int shift, float value)
{
    return (color & ~(0xFFu << shift)) | (ChannelByte(value) << shift);
}
} // namespace

void ESkyLight::GetAmbientR(float* out) const
{
    if (out)
        *out = Channel(m_dwAmbient, 16);
}

void ESkyLight::GetAmbientG(float* out) const
{
    if (out)
        *out = Channel(m_dwAmbient, 8);
}

void ESkyLight::GetAmbientB(float* out) const
{
    if (out)
        *out = Channel(m_dwAmbient, 0);
}

void ESkyLight::SetAmbientColor(DWORD color)
{
    m_dwAmbient = color;
}

void ESkyLight::SetAmbientR(float r)
{
    m_dwAmbient = WithChannel(m_dwAmbient, 16, r);
}

void ESkyLight::SetAmbientG(float g)
{
    m_dwAmbient = WithChannel(m_dwAmbient, 8, g);
}

void ESkyLight::SetAmbientB(float b)
{
    m_dwAmbient = WithChannel(m_dwAmbient, 0, b);
}

void ESkyLight::GetFogColor(DWORD* out) const
{
    if (out)
        *out = m_dwFogColor;
}

void ESkyLight::GetFogR(float* out) const
{
    if (out)
        *out = Channel(m_dwFogColor, 16);
}

void ESkyLight::GetFogG(float* out) const
{
    if (out)
        *out = Channel(m_dwFogColor, 8);
}

void ESkyLight::GetFogB(float* out) const
{
    if (out)
        *out = Channel(m_dwFogColor, 0);
}

void ESkyLight::SetFogColor(DWORD color)
{
    m_dwFogColor = color;
    g_Camera.SetFogColor(color);
    g_Console.SetVariable("FogR", Channel(color, 16), 0);
    g_Console.SetVariable("FogG", Channel(color, 8), 0);
    g_Console.SetVariable("FogB", Channel(color, 0), 0);
}

void ESkyLight::SetFogR(float r)
{
    SetFogColor(WithChannel(m_dwFogColor, 16, r));
}

void ESkyLight::SetFogG(float g)
{
    SetFogColor(WithChannel(m_dwFogColor, 8, g));
}

void ESkyLight::SetFogB(float b)
{
    SetFogColor(WithChannel(m_dwFogColor, 0, b));
}

void ESkyLight::SetFogMax(float value)
{
    if (!(value > 0.0f))
        value = 0.0f;
    if (value > 1.0f)
        value = 1.0f;
    m_fFogMax = value;
}

float ESkyLight::GetFogMax(float* out) const
{
    if (out)
        *out = m_fFogMax;
    return m_fFogMax;
}

void ESkyLight::GetSkyLightColor(DWORD* out) const
{
    if (out)
        *out = m_dwSkyLight;
}

void ESkyLight::SetSkyLightColor(DWORD color)
{
    m_dwSkyLight = color;
}

void ESkyLight::SetSkyLightR(float r)
{
    m_dwSkyLight = WithChannel(m_dwSkyLight, 16, r);
}

void ESkyLight::SetSkyLightG(float g)
{
    m_dwSkyLight = WithChannel(m_dwSkyLight, 8, g);
}

void ESkyLight::SetSkyLightB(float b)
{
    m_dwSkyLight = WithChannel(m_dwSkyLight, 0, b);
}

void ESkyLight::SetSkyLightDirection(const D3DVECTOR* direction)
{
    if (direction)
        m_vSkyLightDir = *direction;
}

void ESkyLight::SetLensFlareDirection(const D3DVECTOR* direction)
{
    if (direction)
        m_vLensFlareDir = *direction;
}

void ESkyLight::SetBloom(float cone, float power)
{
    PostProcess.BloomCone = cone;
    PostProcess.BloomPower = power;
}

namespace
{
// Far beyond anything a world places, so the sky never takes part in tests
// or culling of the world's own objects; the sky pass draws it around the camera.
constexpr float SKY_MESH_POSITION = 1e11f;
constexpr DWORD SKY_MESH_FLAGS = 128;
constexpr float SKY_MESH_SCALE = 100.0f;
} // namespace

void ESkyLight::SetSkyMesh(const char* fileName)
{
    DeleteSkyMesh();
    const float position[3] = {SKY_MESH_POSITION, SKY_MESH_POSITION, SKY_MESH_POSITION};
    m_hSkyMesh =
        g_Engine.CreateObject(OT_MESH, fileName ? fileName : "", SKY_MESH_FLAGS, 0, position, nullptr);
    if (!m_hSkyMesh)
    {
        g_Console.Print2("Failed adding sky mesh ", fileName ? fileName : "");
        return;
    }
    const D3DXVECTOR3 scale(SKY_MESH_SCALE, SKY_MESH_SCALE, SKY_MESH_SCALE);
    g_Engine.SetObjectScale(m_hSkyMesh, &scale);
}

void ESkyLight::DeleteSkyMesh()
{
    if (m_hSkyMesh && m_hSkyMesh->bUsed)
        g_Engine.DeleteObject(m_hSkyMesh);
    m_hSkyMesh = nullptr;
}
