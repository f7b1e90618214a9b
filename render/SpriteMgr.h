#pragma once
// ESpriteMgr: camera-facing sprites of sprite objects.
// STAND-IN: keeps one record per sprite object with the values the object
// operations hand it, and draws nothing; the renderer work replaces it.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct EObjectDesc;

struct ESprite
{
    HOBJECT hObject = nullptr;
    D3DXVECTOR3 vPosition = {0.0f, 0.0f, 0.0f};
    EOrientation Orientation;
    float fSize[2] = {1.0f, 1.0f};
    DWORD dwColor = 0xFFFFFFFF;
    DWORD dwFlags = 0;
    DWORD dwFlags2 = 0;
};

class ESpriteMgr
{
public:
    virtual ~ESpriteMgr() = default;
    // Sets the object's Object and pSprite; a description without a texture
    // file is refused (both stay null).
    void AddSprite(HOBJECT object, const EObjectDesc* desc);
    void RemoveSprite(HOBJECT object);
    void SetSpritePosition(HOBJECT object, const D3DXVECTOR3* position);
    void SetSpriteOrientation(HOBJECT object, const EOrientation* orientation);
    void SetSpriteColor(HOBJECT object, DWORD color);
    void SetSpriteFlags(HOBJECT object, DWORD flags);
    void SetSpriteFlags2(HOBJECT object, DWORD flags);
    void SetSpriteVector2(HOBJECT object, const float size[2]);
    // Before the scene: the frame time and the camera frame for the sprites.
    void Update() {}
    void DrawSprites() {}
    void Reset() {}
    void Release() {}

    int m_iLive = 0;
};

extern ESpriteMgr g_SpriteMgr;
