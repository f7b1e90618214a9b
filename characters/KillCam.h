#pragma once
// CKillCam: the slow-motion shot of a far scoped kill. Time slows to 0.3, the
// picture loses colour, the zoom narrows and the camera flies towards the
// victim's head for 0.46 s of slowed time; Stop restores everything.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <cstdio>

class CKillCam
{
public:
    static constexpr float MIN_DISTANCE = 14.0f;   // from the camera to the victim
    static constexpr float COOL_DOWN = 20.0f;      // seconds between two shots
    static constexpr float BLOCKER_RANGE = 140.0f; // enemies awake this near refuse a shot
    static constexpr float TIME_SPEED = 0.3f;
    static constexpr float SHOT_TIME = 0.46f; // seconds of slowed time
    static constexpr float DESATURATION = 0.4f;
    static constexpr float ZOOM = 0.4f;

    virtual ~CKillCam() = default;

    // Level start: a running shot ends (time back to 1.0), cool-down 0, allowed.
    void Reset();
    // A character's model died: starts a shot when the kill qualifies.
    void OnNpcDeath(HOBJECT victim);
    bool CanStart(HOBJECT victim);
    // Starts a shot on the object without the conditions of OnNpcDeath.
    void Start(HOBJECT object);
    // Each frame of a running shot, from the hero's update.
    void Update();
    void PlaceCamera();
    void Stop();
    // The kill camera's save section: the allowed byte alone.
    bool Save(FILE* file);
    bool Load(FILE* file);

    EOrientation m_SavedFrame;
    BYTE m_bRunning = 0;
    HOBJECT m_hVictim = nullptr;
    float m_fShotTime = 0.0f;
    D3DXVECTOR3 m_vCameraPosition = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vDirection = {0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_vLookTarget = {0.0f, 0.0f, 0.0f};
    float m_fSavedZoom = 0.0f;
    float m_fSavedDesaturation = 0.0f;
    BYTE m_bAllowed = 1;
    float m_fCoolDown = 0.0f;

private:
    // The victim while its slot still holds the object it was given.
    HOBJECT Victim() const;
    DWORD m_VictimPesel[3] = {};
};

inline CKillCam OBE;
