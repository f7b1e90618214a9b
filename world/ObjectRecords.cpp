// Defaults of the object description and the per-object records.
#include "world/Object.h"

#include <cstring>
#include <numbers>

bool GetObjectSlotRange(BYTE type, int* first, int* count)
{
    int f = 0, n = 0;
    switch (type)
    {
    case OT_MESH:
        f = FIRST_MESH_SLOT, n = MAX_MESH_OBJECTS;
        break;
    case OT_SKINMESH:
        f = FIRST_SKINMESH_SLOT, n = MAX_SKINMESH_OBJECTS;
        break;
    case OT_LIGHT:
        f = FIRST_LIGHT_SLOT, n = MAX_LIGHT_OBJECTS;
        break;
    case OT_SPRITE:
        f = FIRST_SPRITE_SLOT, n = MAX_SPRITE_OBJECTS;
        break;
    default:
        break;
    }
    if (first)
        *first = f;
    if (count)
        *count = n;
    return n > 0;
}

void EObjectDesc::Reset()
{
    Type = OT_MESH;
    dwFlags = 13;
    dwFlags2 = 0;
    dwFlags3 = 0;
    std::memset(szFileName, 0, sizeof szFileName);
    vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    vScale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    Orientation = EOrientation();
    fRadius = 20.0f;
    fLightValue = 1.0f;
    fValue1 = 0.0f;
    fValue2 = -1.0f;
    fValue3 = 0.0f;
    fConeAngle = std::numbers::pi_v<float> / 2.0f; // a quarter turn
    fDisappearRange = 0.0f;
}

void BezierMoveState::Reset()
{
    bActive = 0;
    qRotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    iNode = iNextNode = iSegment = 0;
    dTime = dParam = dDistance = 0.0;
    vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    Orientation = EOrientation();
    bFlag1 = 0;
    dValue = 0.0;
    bRunning = 1;
    bFlag2 = 0;
    iCount = 0;
    bFlag3 = 0;
    dValue2 = 0.0;
    iSpeedMode = 0;
    dSpeed = 1.0;
    dTargetSpeed = 1.0;
}

void ERoadParams::Reset()
{
    std::memset(this, 0, sizeof *this);
    bLeftFlag2 = 1;
    bRightFlag2 = 1;
    fLeftWidth = 5.0f;
    fRightWidth = 5.0f;
    std::strcpy(szRoadTexture, "ter_road001.tga");
    fRoadValues[0] = 8.0f;
    fRoadValues[1] = 6.0f;
    fRoadValues[2] = 4.0f;
    fRoadValues[3] = 8.0f;
}

void ETexturePaintParams::Reset()
{
    std::memset(this, 0, sizeof *this);
    for (int s = 0; s < TEXTURE_PAINT_SLOTS; ++s)
    {
        fAddColor[s][0] = fAddColor[s][1] = fAddColor[s][2] = 1.0f;
        fBrightness[s] = 1.0f;
        fDensity[s] = 1.0f;
        fSharpness[s] = 1.0f;
    }
}

void EBlinkingParams::Reset()
{
    bEnabled = 0;
    static constexpr float defaults[6] = {0.0f, 0.0f, 2.0f, 0.0f, 1.0f, 0.0f};
    std::memcpy(fValues, defaults, sizeof fValues);
}

void ELightControlParams::Reset()
{
    std::memset(this, 0, sizeof *this);
}

void EObjectSound::Reset()
{
    std::memset(this, 0, sizeof *this);
}
