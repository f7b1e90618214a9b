#pragma once
// EFxInstance: one live effect of the pool, and EFxSpriteBatch: the sprite
// effects of one texture gathered for one frame's drawing.

#include "environment/FxDef.h"
#include "platform/d3d9/D3D9.h"
#include "render/Renderer.h"

struct strSound;

// The socket name an effect follows, copied at its start.
constexpr int FX_SOCKET_SIZE = 64;
constexpr int FX_HISTORY = 3;

struct EFxInstance
{
    EFxInstance();

    char m_szName[FX_NAME_SIZE];
    BYTE m_bActive;
    // Which start of the pool this is (never 0): a holder of a pointer to the
    // record tells its own effect from a later one in the same slot.
    DWORD m_iStart;
    HOBJECT m_hMesh;
    DWORD m_iSlot;
    void* m_pDistortion; // stays null: distortion sprites are never started
    DWORD m_iFrames;
    HOBJECT m_hObject;
    // A copy: the caller's text need not outlive the effect.
    char m_szSocket[FX_SOCKET_SIZE];
    BYTE m_bUserFlag;
    DWORD m_iType;
    BYTE m_bFire;
    strSound* m_pSound;
    D3DXVECTOR3 m_vPos;
    D3DXVECTOR3 m_vTail;
    D3DXVECTOR3 m_vVel;
    D3DXVECTOR3 m_vScale;
    D3DXVECTOR3 m_vAimForward;
    D3DXVECTOR3 m_vAimUp;
    D3DXVECTOR3 m_vAimRight;
    D3DXVECTOR3 m_vAimPoint;
    BYTE m_bHasAimPoint;
    BYTE m_bBelowCamera;
    D3DXVECTOR3 m_vHistory[FX_HISTORY]; // newest first
    D3DXVECTOR3 m_vColor[FX_KEYS];
    float m_fAlpha[FX_KEYS];
    float m_fColorTime[FX_KEYS];
    float m_fAlphaTime[FX_KEYS];
    DWORD m_iColorKeys;
    DWORD m_iAlphaKeys;
    BYTE m_bLanded;
    float m_fGroundY;
    EOrientation m_Orientation;
    BYTE m_bUseRotation;
    BYTE m_bStarted;
    BYTE m_bEvictable;
    float m_fLifeFraction; // remaining / total
    float m_fDamageFactor;
    BYTE m_bSpinning;
    float m_fSpinSpeed; // radians per second
    float m_fSpinAngle;
    float m_fLifeTotal;
    float m_fLifeLeft;
    float m_fGravity;
    float m_fGrow;
    float m_fDisappearDistance;
    BYTE m_bMove;
    BYTE m_bAdditive;
    BYTE m_bMultiply;
    BYTE m_bLightSprite;
    BYTE m_bDecal;
    BYTE m_bNoCollision;
    BYTE m_bBigExplosion;
    BYTE m_bHitFlag;
    DWORD m_iHitParam;
    BYTE m_bFlatRotation;
    BYTE m_bApplyPhysics;
    BYTE m_bAnimated;
    float m_fAnimFrameTime;
    float m_fAnimLength;
    float m_fAnimClock;
    BYTE m_bBlueSpark;
    BYTE m_bHit;
    BYTE m_bWideSpark;
    BYTE m_bVisible;
    BYTE m_bLightVisible;
    float m_fHurtPlayer;
    float m_fExplosionPower;
    float m_fAccelerateAfter;
    float m_fAccelerateCoef;
    float m_fAccelerateFor;
    float m_fLightTimer;
    TextureIndex m_iTexture;
    DWORD m_dwSpriteFlags;
    DWORD m_dwBlend;
    DWORD m_dwColor;
    D3DXVECTOR3 m_vDrawScale;
    D3DXVECTOR3 m_vAnchor;
    float m_fCameraDistance;
    float m_fVisibleDistance;
    BYTE m_bRocket;
    BYTE m_bGrenade;
    BYTE m_bBomb;
    BYTE m_bBrightTrail;
    float m_fRocketClock;
    float m_fRocketSmokeClock;
    const void* m_pWeapon;
    HOBJECT m_hShooter;
    float m_fEveryTime[FX_CHILDREN];
    float m_fEveryRand[FX_CHILDREN];
    EFxDef* m_pEveryDef[FX_CHILDREN];
    float m_fEveryTimer[FX_CHILDREN];
    DWORD m_iEveryCount;
    float m_fAfterTime[FX_CHILDREN];
    EFxDef* m_pAfterDef[FX_CHILDREN];
    DWORD m_iAfterCount;
};

// All zeros, the orientation the identity: an idle slot.
void ClearFxInstance(EFxInstance* fx);

// Blend modes of a sprite batch.
constexpr DWORD FX_BLEND_ADDITIVE = 0;
constexpr DWORD FX_BLEND_MULTIPLY = 1;
constexpr DWORD FX_BLEND_NORMAL = 2;
constexpr DWORD FX_BLEND_UNSET = 3;
constexpr int FX_BLEND_MODES = 3;

// Effects listed per batch and quads written per batch each frame.
constexpr int FX_BATCH_LIST = 640;
constexpr DWORD FX_BATCH_MAX_LISTED = 639;
constexpr DWORD FX_BATCH_MAX_QUADS = 633;

struct EFxSpriteBatch
{
    DWORD m_iCount;
    DWORD m_iQuads;
    EFxInstance* m_pFx[FX_BATCH_LIST];
    IDirect3DVertexBuffer9* m_pVB;
    // The blend of the last listed effect. Each quad is still drawn in its own
    // effect's blend: the buffer holds the quads of each blend as one run.
    DWORD m_iBlend;
    DWORD m_iFirstQuad[FX_BLEND_MODES];
    DWORD m_iBlendQuads[FX_BLEND_MODES];
};
