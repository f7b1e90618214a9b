#pragma once
// ESpriteMgr: the sprite objects of the world (scene objects of type 5):
// textured quads that face the camera or keep their own orientation. They
// are kept in pages, one page per texture, re-checked for visibility lazily,
// written into one vertex buffer per blend mode each frame and drawn in the
// late forward layer. The engine's object operations forward to the static
// per-sprite operations, which do nothing for an object without a sprite.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct EObjectDesc;
struct strSprites;

constexpr int MAX_SPRITE_PAGES = 1024;
constexpr int MAX_SPRITES_PER_PAGE = 640;
constexpr int SPRITE_VERTEX_SIZE = 24;
constexpr int SPRITE_VB_SIZE = MAX_SPRITES_PER_PAGE * 6 * SPRITE_VERTEX_SIZE;
constexpr int SPRITE_BLEND_MODES = 3; // additive, multiply, normal

// Flag word 1 of a sprite.
constexpr DWORD SPRITE_DRAWN = 0x1;
constexpr DWORD SPRITE_ORIENTED = 0x2;
constexpr DWORD SPRITE_CHECK_EVERY_FRAME = 0x100;
constexpr DWORD SPRITE_GROWS_WITH_DISTANCE = 0x400;
constexpr DWORD SPRITE_NO_DEPTH_TEST = 0x800;
// Flag word 2 of a sprite.
constexpr DWORD SPRITE_ADDITIVE = 0x1;
constexpr DWORD SPRITE_MULTIPLY = 0x2;
constexpr DWORD SPRITE_PAGE_SKIPPED = 0x10;
constexpr DWORD SPRITE_NO_FAR_PLANE = 0x20;

struct strSingleSprite
{
    strSingleSprite();

    HOBJECT hObject;
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vScale; // x: width factor, y: height factor
    EOrientation Orientation;
    DWORD dwColor;
    BYTE bUsed;
    D3DXVECTOR3 vForward;
    D3DXVECTOR3 vUp;
    D3DXVECTOR3 vRight;
    DWORD dwFlags;
    DWORD dwFlags2;
    float fTimer;
    BYTE bVisible;
    strSprites* pPage;
};
// The name the object operations first knew a sprite by.
using ESprite = strSingleSprite;

struct strSprites
{
    strSprites();

    BYTE bSkip;
    DWORD iTexture;
    strSingleSprite Sprites[MAX_SPRITES_PER_PAGE];
    DWORD iLive;
    DWORD iDrawn[SPRITE_BLEND_MODES];
    IDirect3DVertexBuffer9* pVB[SPRITE_BLEND_MODES];
    strSprites* pPrev;
    strSprites* pNext;
};

class ESpriteMgr
{
public:
    virtual ~ESpriteMgr();

    void AddSprite(HOBJECT object, const EObjectDesc* desc);
    void RemoveSprite(HOBJECT object);
    static void SetSpritePosition(HOBJECT object, const D3DXVECTOR3* position);
    static void GetSpritePosition(HOBJECT object, D3DXVECTOR3* out);
    static void SetSpriteColor(HOBJECT object, DWORD color);
    static void SetSpriteOrientation(HOBJECT object, const EOrientation* orientation);
    static void GetSpriteOrientation(HOBJECT object, EOrientation* out);
    static void SetSpriteScale(HOBJECT object, const D3DXVECTOR3* scale);
    static void GetSpriteScale(HOBJECT object, D3DXVECTOR3* out);
    static void SetSpriteFlags(HOBJECT object, DWORD flags);
    static void SetSpriteFlags2(HOBJECT object, DWORD flags);

    void Update();
    void UpdateVisibility();
    void FillVertexBuffers();
    void DrawSprites();
    void Reset();
    void Release();

    strSprites* m_pPages = nullptr;
    strSprites* m_pPageTable[MAX_SPRITE_PAGES] = {};
    float m_fFrameTime = 0.0f;
    D3DXVECTOR3 m_vCameraPosition = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vCameraUp = {0.0f, 1.0f, 0.0f};
    D3DXVECTOR3 m_vCameraRight = {1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vCameraDirection = {0.0f, 0.0f, 1.0f};
    float m_fFarPlane = 0.0f;
    BYTE m_bActive = 0;
};

extern ESpriteMgr g_SpriteMgr;
