#pragma once
// Mewy: a flock of six seagulls circling slow ellipses over a level, each an
// ordinary skinned scene object that switches between flapping and gliding.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

struct strMewa
{
    BYTE bActive;
    DWORD iIndex;
    BYTE bStarted;
    HOBJECT hObject;
    D3DXVECTOR3 vCentre;
    D3DXVECTOR3 vPrevious;
    float fFactorX;
    float fFactorZ;
    float fAngle;
    DWORD iAnimation; // 0 "leci" (flapping), 1 "szybuje" (gliding)
    float fTimer;
    float fRadius;
    // The object's identity when it was made: a slot reused by another object
    // after the bird's was deleted no longer matches.
    DWORD dwPesel[3];
    // Flag word 1 from before "DrawBirds" hid the bird.
    BYTE bHidden;
    DWORD dwShownFlags;
};

class Mewy
{
public:
    static constexpr int BIRDS = 6;
    static constexpr const char* MODEL = "models\\postacie\\mewa\\mewa.x";
    static constexpr DWORD FLAGS = 0x100081;
    static constexpr DWORD FLAGS2 = 0x18040220;
    static constexpr DWORD HIDDEN_FLAGS = 128;
    static constexpr float HEIGHT_ABOVE_START = 60.0f;
    static constexpr float MIN_SPREAD = 400.0f;
    static constexpr float HEIGHT_SPREAD = 20.0f;
    static constexpr float RADIUS = 80.0f;
    static constexpr float SCALE = 0.03f;
    static constexpr float FLAP_RATE = 0.1f; // radians a second
    static constexpr float GLIDE_RATE = 0.05f;

    Mewy();
    virtual ~Mewy() = default;
    Mewy(const Mewy&) = delete;
    Mewy& operator=(const Mewy&) = delete;

    void Init();
    void Update();
    void Reset();
    void Release();
    void Shutdown() { Release(); }
    void Clear();

    // The bird's object while it still is the one the flock made; else null.
    HOBJECT GetObject(int bird) const;

    strMewa m_Birds[BIRDS] = {};
    float m_fDeltaTime = 0.0f;

private:
    void Start(strMewa& bird);
    void Fly(strMewa& bird);
    void ChooseAnimation(strMewa& bird, int animation);
};

extern Mewy g_Mewy;
