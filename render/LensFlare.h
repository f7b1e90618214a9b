#pragma once
// ELensFlare: the sun's lens flare. Eleven camera-facing sprites line up from
// a point towards the sun to a point ahead of the camera while the sun is in
// front of the camera, within about 65 degrees of the view and not hidden by
// the scene; flare 4 is a large disc far out towards the sun, flare 11 a halo
// whose brightness also sets the fade of a white glare overlay. A world turns
// it on by naming its definition file with the key "lensflare_script".
//
// The definition file holds eleven entries of five lines: the flare's
// texture, its brightness factor, its position along the flare axis (in
// twentieths of the axis), its scale (times 128) and a flag that makes it an
// additive sprite.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

class ELensFlare
{
public:
    static constexpr int FLARES = 11;
    static constexpr int LINES_PER_FLARE = 5;
    static constexpr int DEFINITION_FILE_SIZE = 256;
    static constexpr float TEST_INTERVAL = 0.2f;

    virtual ~ELensFlare() = default;

    void Load();
    void Release();
    void Update();
    void ShowFlares();
    void HideFlares();

    HOBJECT m_hFlares[FLARES] = {};
    float m_fAxisPosition[FLARES] = {};
    float m_fScale[FLARES] = {};
    float m_fBrightness[FLARES] = {};
    // The way the sunlight travels (away from the sun), normalised each frame.
    D3DXVECTOR3 m_vSunDirection = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 m_vCameraForward = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 m_vCameraPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    float m_fOffset1 = 0.0f;
    float m_fOffset2 = 0.0f;
    float m_fTestCountdown = 0.0f;
    BYTE m_bOccluded = 0;
    // The glare overlay's fade (0.75 v^2 of flare 11); nothing draws the overlay yet.
    float m_fOverlayFade = 0.0f;
    BYTE m_bLoaded = 0;
    BYTE m_bUpdate = 0;
    BYTE m_bShown = 0;
    // The world's lens-flare definition file (world key "lensflare_script").
    char m_szDefinitionFile[DEFINITION_FILE_SIZE] = {};

private:
    bool SunBlocked();
};

extern ELensFlare g_LensFlare;
