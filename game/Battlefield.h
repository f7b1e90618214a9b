#pragma once
// CBattlefield: the war around the hero that he never touches. Unseen
// machine-gun nests 300 to 500 units away fire tracer bursts across the sky,
// flights of up to three jets pass over and bomb, and pairs of helicopters
// fly by, all placed from the hero's position and the direction of the front.
// A mission switches it on ("battlefield_enable") and may point the next jet
// flight at an object ("BF_attack"). Nothing of it is saved.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct strSound;

constexpr int BF_NESTS = 8;
constexpr int BF_JETS = 3;
constexpr int BF_HELIS = 2;
constexpr int BF_TARGET_NAME_SIZE = 64;

// One hidden machine-gun nest.
struct BfNest
{
    BYTE bActive;
    D3DXVECTOR3 vPosition;
    HOBJECT hMarker;
    DWORD MarkerPesel[3];
    float fBurstPause; // seconds until the next burst
    float fShotPause;  // seconds until the next shot of the burst
    DWORD iShotsLeft;
    D3DXVECTOR3 vShotDirection;
};

// One jet of a flight; the first is the leader.
struct BfJet
{
    BYTE bActive;
    HOBJECT hObject;
    DWORD ObjectPesel[3];
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vVelocity;
    int iPass; // 1 outward, -1 back
    BYTE bSoundStarted;
    strSound* pSound; // the flyby; null once deleted
    DWORD iBombs;
    float fBombPause;
    BYTE bTargetReached;
    float fDistance;
    float fLength;
};

// One helicopter of a pair.
struct BfHeli
{
    BYTE bActive;
    HOBJECT hObject;
    DWORD ObjectPesel[3];
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vVelocity;
    int iPass;
    strSound* pSound; // the rotor loop
    float fDistance;
    float fLength;
};

class CBattlefield
{
public:
    static constexpr float FLIGHT_LENGTH = 2200.0f;
    // A nest stays while the hero is within this band of it.
    static constexpr float NEST_NEAR = 300.0f;
    static constexpr float NEST_FAR = 500.0f;
    static constexpr DWORD MAX_BOMBS = 5;

    CBattlefield();
    virtual ~CBattlefield() = default;
    CBattlefield(const CBattlefield&) = delete;
    CBattlefield& operator=(const CBattlefield&) = delete;

    // Level start: nothing flying, new pauses, disabled, no target. Units of
    // an earlier level are forgotten (the world change has deleted them).
    void Reset();
    // Sets the front from a direction name ("n", "w", "e", "ne", "nw", "se",
    // "sw", without regard to case, as the mission parser accepts them;
    // anything else is south) and switches the battlefield on.
    void Enable(const char* direction);
    // Points the next jet flight at the named object; empty clears it.
    void Attack(const char* name);
    // Once a frame; does nothing while disabled.
    void Update();
    // Level end: every nest, jet and helicopter is removed.
    void ReleaseUnits();

    // The unit vector of a direction name.
    static D3DXVECTOR3 DirectionOf(const char* name);

    BYTE m_bEnabled = 0;
    D3DXVECTOR3 m_vFront = {0.0f, 0.0f, -1.0f};
    EOrientation m_Front;
    D3DXVECTOR3 m_vRight = {1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vUp = {0.0f, 1.0f, 0.0f};
    BfNest m_Nests[BF_NESTS] = {};
    BfJet m_Jets[BF_JETS] = {};
    BfHeli m_Helis[BF_HELIS] = {};
    BYTE m_bJetsFlying = 0;
    BYTE m_bHelisFlying = 0;
    float m_fJetPause = 0.0f;
    float m_fHeliPause = 0.0f;
    float m_fFrameTime = 0.0f;
    char m_szTargetName[BF_TARGET_NAME_SIZE] = {};
    HOBJECT m_hTarget = nullptr;
    DWORD m_TargetPesel[3] = {};
    // The flight in the air was sent at an attack target: it bombs at the
    // short pause and does not turn back, though reaching the target has
    // cleared it.
    BYTE m_bAttackFlight = 0;
    // Shots the nests fired since the level started (traces and tests).
    DWORD m_iShots = 0;

private:
    void UpdateNest(BfNest& nest);
    void PlaceNest(BfNest& nest);
    void RemoveNest(BfNest& nest);
    void StartBurst(BfNest& nest);
    void Shoot(BfNest& nest);
    void UpdateJets();
    void StartJets();
    void MoveJet(BfJet& jet);
    void BombStep(BfJet& jet);
    void EndJetFlight();
    void RemoveJet(BfJet& jet);
    void UpdateHelis();
    void StartHelis();
    void EndHeliFlight();
    void RemoveHeli(BfHeli& heli);
    // The attack target while its object lives; looked up again by name
    // when the held one has gone, and cleared when none is found.
    HOBJECT Target();
    void ClearTarget();
    // The front orientation turned about the up axis by a random angle of
    // (-spread, spread).
    EOrientation TurnedFront(float spread) const;
    // The hero's position with a random horizontal offset of 120, raised.
    D3DXVECTOR3 NearHero(float rise) const;
    void ShareNests();
};

extern CBattlefield g_Battlefield;
