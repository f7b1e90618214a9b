#pragma once
// EFxDef: what one particle effect is. Definitions come from the text files
// "afx\*.afx" (one per file, named after the file) or are filled by code on
// the stack (bullets, shells, bombs, decals) and started directly.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

// Effect kinds (the Type field).
constexpr DWORD FX_TYPE_NONE = 0; // a file without a "Type" line: lives, moves, spawns, draws nothing
constexpr DWORD FX_SPRITE = 1;
constexpr DWORD FX_MESH = 2;
constexpr DWORD FX_BULLET = 3; // code only
constexpr DWORD FX_SPARK = 4;
constexpr DWORD FX_BLOODDROP = 5;
constexpr DWORD FX_SHELL = 6; // code only

constexpr int FX_NAME_SIZE = 256;
constexpr int FX_FILENAMES = 8;
// A file fills at most this many Filename slots.
constexpr int FX_FILENAMES_FROM_FILE = 7;
// Colour and alpha keys.
constexpr int FX_KEYS = 8;
// After and Every children.
constexpr int FX_CHILDREN = 8;

struct EFxDef
{
    EFxDef();
    // The defaults of a definition built in code. Definitions read from files
    // start from zeros instead (EFxMgr::LoadAll).
    void Reset();

    char Name[FX_NAME_SIZE];
    DWORD Type;
    char Filename[FX_FILENAMES][FX_NAME_SIZE];
    DWORD FilenameCount;
    char DistortionNormal[FX_NAME_SIZE];
    D3DXVECTOR3 Pos;
    D3DXVECTOR3 Pos_Rand;
    D3DXVECTOR3 Scale;
    D3DXVECTOR3 Scale_Rand;
    BYTE Move;
    D3DXVECTOR3 Vel;
    D3DXVECTOR3 Vel_Rand;
    D3DXVECTOR3 AimPoint;
    BYTE HasAimPoint;
    D3DXVECTOR3 Color[FX_KEYS]; // r g b, 0 to 255
    float Alpha[FX_KEYS];       // 0 to 255
    float Color_Time[FX_KEYS];  // fractions of the life
    float Alpha_Time[FX_KEYS];
    DWORD dwColor;
    DWORD dwAlpha;
    float DamageFactor;
    EOrientation Orientation;
    BYTE Use_Rotation;
    BYTE Spinning_Sprite;
    float Spinning_Speed; // degrees per second
    float Spinning_Speed_Rand;
    float Accelerate_After;
    float Accelerate_Coef;
    float Accelerate_For;
    float Life_Time; // seconds; negative never ends
    float Life_Time_Rand;
    float Gravity;
    float Grow;
    float Disappear_Distance;
    float Hurt_Player;
    float Explosion_Power;
    BYTE Additive;
    BYTE Multiply;
    BYTE Light_Sprite;
    BYTE Apply_Physics_To_Mesh;
    BYTE Animated_Sprite_Texture;
    float Animated_Sprite_FPS;
    BYTE BlueSpark;
    BYTE IsDecal;
    BYTE BigExplosion;
    BYTE IsBomb;
    BYTE BrightTrail;
    BYTE NoCollision;
    DWORD HitParam;
    BYTE HitFlag;
    BYTE Flat_Rotation;
    BYTE WideSpark;
    const void* Weapon;
    HOBJECT Shooter;
    DWORD ObjectFlags;
    DWORD ObjectFlags2;
    float AfterTime[FX_CHILDREN];
    float AfterTimeRand[FX_CHILDREN];
    char AfterName[FX_CHILDREN][FX_NAME_SIZE];
    EFxDef* AfterDef[FX_CHILDREN];
    DWORD AfterCount;
    float EveryTime[FX_CHILDREN];
    float EveryTimeRand[FX_CHILDREN];
    char EveryName[FX_CHILDREN][FX_NAME_SIZE];
    EFxDef* EveryDef[FX_CHILDREN];
    DWORD EveryCount;
    BYTE Fire;
};

// Every byte zero; the orientation then holds the identity, since a zero
// quaternion has no axes.
void ClearFxDef(EFxDef* def);
