#pragma once
// EEngineObject: the per-frame logic of the scene objects.
// STAND-IN: the calls the engine makes, the two saved target names and the
// socket ties; the engine-object work replaces it with the object pass.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

class EEngineObject
{
public:
    static constexpr int TARGET_NAME_SIZE = 128;

    virtual ~EEngineObject() = default;
    // STAND-IN: of the object pass only the looping effects: an object whose
    // effect name is set but whose effect is not alive starts it again.
    void Update();
    // STAND-IN: renews the three random animation offsets.
    void RandomiseOffsets() {}
    BYTE m_bStarted = 0; // the level's start-up has finished
    void Init() {}
    void Release();
    void RunActions(HOBJECT, int) { ++m_iActionRuns; }
    // Objects tied to sockets follow them before the frame is drawn.
    void UpdateTies() {}
    // Ties object to a socket of the named object.
    void TieToSocket(HOBJECT object, const char* socket, const char* target);
    void Untie(HOBJECT object);
    // A mesh whose light-control record switches lights.
    void AddLightControlObject(HOBJECT) {}
    // Forgets the object wherever the logic holds it.
    void ForgetObject(HOBJECT object);
    void SetDirectionPointerTarget(const char* name);
    void SetExplosiveTarget(const char* name);

    HOBJECT m_hDirectionPointerTarget = nullptr;
    HOBJECT m_hExplosiveTarget = nullptr;
    char m_szDirectionPointerTarget[TARGET_NAME_SIZE] = {};
    char m_szExplosiveTarget[TARGET_NAME_SIZE] = {};
    int m_iActionRuns = 0;
};

extern EEngineObject g_EngineObject;
