#pragma once
// EHeliMgr: the helicopters the player does not fly. World objects whose file
// names a definition of "scripts\helicopters\*.txt" get their rotors and other
// parts at sockets and a looping rotor sound; every frame the rotor downwash
// raises dust, shakes the camera and pushes the hero and loose bodies, and a
// helicopter the mission scripts let shoot attacks the hero with two rockets
// and gun bursts (one set to battle attacks the battlefield's nests).
// Movement of the helicopter itself comes from scripts and paths.

#include "mesh/MeshSocketsMgr.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

constexpr int MAX_HELI_CREATE_PARAMS = 16;
constexpr int MAX_HELI = 64;
constexpr int MAX_HELI_ATTACHMENTS = 10;
constexpr int HELI_NAME_SIZE = 256;

struct EHeliDef
{
    char szName[HELI_NAME_SIZE];
    char szFile[MAX_HELI_ATTACHMENTS][HELI_NAME_SIZE];
    char szSocket[MAX_HELI_ATTACHMENTS][HELI_NAME_SIZE];
    char szAnimation[MAX_HELI_ATTACHMENTS][HELI_NAME_SIZE];
    BYTE bSkinMesh[MAX_HELI_ATTACHMENTS];
    DWORD iNumAttachments;
};

// One live helicopter.
struct EHeli
{
    BYTE bUsed;
    HOBJECT hObject;
    HOBJECT hParts[MAX_HELI_ATTACHMENTS];
    const EHeliDef* pDef;
    char szRotorSound[HELI_NAME_SIZE];
    BYTE bPartsAttached;
    BYTE bShootingAllowed;
    float fRange;
    DWORD iAttackStage;
    float fAttackClock;
    float fGunClock;
    float fBurstLength;
    float fBurstPause;
    BYTE bInBurst;
    float fBurstClock;
    // Not part of any save: the downwash clock and what the attacks fired.
    float fWashClock;
    DWORD ObjectPesel[3];
    DWORD PartPesel[MAX_HELI_ATTACHMENTS][3];
    MeshSocketRef PartSocketRef[MAX_HELI_ATTACHMENTS]; // where each part's socket was last found
    DWORD iRockets;
    DWORD iVolleys;
    D3DXVECTOR3 vLastTarget; // where the last attack step aimed
};

// One machine-gun nest as the helicopters see it.
struct EHeliNest
{
    BYTE bActive;
    D3DXVECTOR3 vPosition;
};
constexpr int HELI_NESTS = 8;

class EHeliMgr
{
public:
    static constexpr float WASH_PERIOD = 0.2f;
    static constexpr float WASH_REACH = 125.0f;
    static constexpr float WASH_DEPTH = 50.0f;
    static constexpr float DUST_DISTANCE = 80.0f;
    static constexpr float SHAKE_DISTANCE = 34.0f;
    static constexpr float PUSH_HERO_DISTANCE = 10.0f;
    static constexpr float PUSH_OBJECTS_DISTANCE = 40.0f;
    static constexpr float PUSH_REACH = 16.0f;

    EHeliMgr();
    virtual ~EHeliMgr() = default;
    EHeliMgr(const EHeliMgr&) = delete;
    EHeliMgr& operator=(const EHeliMgr&) = delete;

    // Clears the definitions and reads every "scripts\helicopters\*.txt".
    void LoadAll();
    void ParseHeli(const char* file);
    const EHeliDef* FindHeliDef(const char* name) const;

    // The object becomes a helicopter when its file names a definition.
    void CreateHeli(HOBJECT object);
    // After a world's objects are loaded (the definitions are read the first time).
    void Reset();
    void ReleaseHeli(EHeli* heli);
    void ReleaseAll();
    void Release() { ReleaseAll(); }
    void ReleaseHeliOfObject(HOBJECT object);

    void SetHeliSound(HOBJECT object, const char* file);
    void AllowShooting(HOBJECT object, float range, float burstLength, float burstPause);
    void ForbidShooting(HOBJECT object);
    void HideHeli(HOBJECT object);
    void UnhideHeli(HOBJECT object);

    void UpdateAttachments();
    void Update();
    void RotorWash(EHeli* heli);
    void ShootAtPlayer(EHeli* heli);
    void ShootAtBattlefield(EHeli* heli);

    EHeli* FindHeli(HOBJECT object);
    // True when the object is a part of a live helicopter.
    bool IsPart(HOBJECT object) const;

    EHeliDef m_Defs[MAX_HELI_CREATE_PARAMS];
    DWORD m_iNumDefs = 0;
    EHeli m_Heli[MAX_HELI];
    float m_fFrameTime = 0.0f;
    BYTE m_bDefsLoaded = 0;
    BYTE m_bMakingParts = 0; // parts being made are never helicopters themselves
    // The spread of the downwash point round the spot under the helicopter.
    float m_fWashSpread = 2.0f;
    // What the downwash did since the last Reset (the dust effects started
    // and the camera shakes asked for).
    DWORD m_iDust = 0;
    DWORD m_iShakes = 0;
    // The background battlefield's nests, copied in by it every frame.
    EHeliNest m_Nests[HELI_NESTS] = {};

private:
    void Attack(EHeli* heli, const D3DXVECTOR3& target, bool atPlayer);
    void FireRocket(EHeli* heli, const char* socket, const D3DXVECTOR3& target);
    void FireVolley(EHeli* heli, const D3DXVECTOR3& target);
    void PlaceParts(EHeli* heli);
    bool Alive(const EHeli& heli) const;
    bool PartAlive(const EHeli& heli, int i) const;
};

extern EHeliMgr g_HeliMgr;
