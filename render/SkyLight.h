#pragma once
// ESkyLight: the world's outdoor lighting record (ambient, fog, sun, sky fog)
// and its sky mesh; the save-game section "Env".

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstdio>

class ESkyLight
{
public:
    virtual ~ESkyLight() = default;

    // Channels are 0..255 as floats; colours are packed 0x00RRGGBB.
    void GetAmbientR(float* out) const;
    void GetAmbientG(float* out) const;
    void GetAmbientB(float* out) const;
    void SetAmbientColor(DWORD color);
    void SetAmbientR(float r);
    void SetAmbientG(float g);
    void SetAmbientB(float b);

    void GetFogColor(DWORD* out) const;
    void GetFogR(float* out) const;
    void GetFogG(float* out) const;
    void GetFogB(float* out) const;
    // Stores the colour, hands it to the camera and sets the console variables
    // "FogR", "FogG" and "FogB".
    void SetFogColor(DWORD color);
    void SetFogR(float r);
    void SetFogG(float g);
    void SetFogB(float b);
    // Clamped to 0..1.
    void SetFogMax(float value);
    float GetFogMax(float* out) const;

    void GetSkyLightColor(DWORD* out) const;
    void SetSkyLightColor(DWORD color);
    void SetSkyLightR(float r);
    void SetSkyLightG(float g);
    void SetSkyLightB(float b);
    void SetSkyLightDirection(const D3DVECTOR* direction);
    void SetLensFlareDirection(const D3DVECTOR* direction);
    // Stores the bloom cone and power in the post-process record.
    static void SetBloom(float cone, float power);
    // The world's sky: a mesh object far out of the way, scaled up; the
    // previous one is deleted first. A failure prints a line and leaves none.
    void SetSkyMesh(const char* fileName);
    void DeleteSkyMesh();
    // The cascade values of sun-shadow cascade 0; the setter changes nothing.
    static void GetShadowParams(DWORD* size, DWORD* extent, DWORD* depthRange, float* bias);
    static void SetShadowParams(int size, int extent, int depthRange, float bias);
    // The engine update's call: the sky light has no per-frame work.
    void Update() {}
    // Every world starts with its wind blowing.
    void InitForWorld()
    {
        m_bWorldInitialised = 1;
        m_bWindCalm = 0;
    }
    void InitWorld() { InitForWorld(); }
    void Release() { DeleteSkyMesh(); }
    // The last scene pass: the sky mesh around the camera.
    void Render() { RenderSky(0); }
    void RenderSky(BYTE mirrored);
    // The "Env" section: ambient, fog and sun colours, sun power, both
    // directions and the world-initialised byte. A null file does nothing;
    // false when a write or read fell short (a short read changes nothing).
    bool SaveState(FILE* file) const;
    bool LoadState(FILE* file);

    DWORD m_dwAmbient = 0;
    DWORD m_dwFogColor = 0;
    float m_fFogMax = 0.8f;
    BYTE m_bWorldInitialised = 0;
    float SkyLightPower = 1.0f;
    DWORD m_dwSkyLight = 0;
    D3DVECTOR m_vSkyLightDir = {-1.0f, -0.5f, 0.5f};
    D3DVECTOR m_vLensFlareDir = {-1.0f, -0.5f, 0.5f}; // points away from the sun disc
    float SkyFogCoef = 0.8f;
    float SkyFogHeight = 100000.0f;
    BYTE m_bUseSkyLight = 1;
    HOBJECT m_hSkyMesh = nullptr;
    // The mission scripts' "wind_calm": grass stops bending in the wind until
    // "wind_normal"; not part of the save section.
    BYTE m_bWindCalm = 0;
};

extern ESkyLight Env;
