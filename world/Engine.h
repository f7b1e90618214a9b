#pragma once
// EEngine: drives the world once per frame for the main loop.
// STAND-IN (in part): the frame clock (Tick) and the quit and world-change
// requests are real; the object table, Update's manager order, StartWorld's
// loading and the "Engine" save section come with the scene-object work.

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/WinTypes.h"

// A handle of one record of the scene-object table; null means no object.
struct strObject;
typedef strObject* HOBJECT;

class EEngine
{
public:
    virtual ~EEngine() = default;

    void Init(HWND hwnd);
    // True when a frame is due (at least 1 ms since the last one); sets m_fDeltaTime.
    bool Tick();
    // False when nothing was updated.
    bool Update();
    void PreRender();
    void Render();
    void RenderEffects();
    void RequestWorldChange(const char* name);
    bool StartWorld(const char* name);
    void ResetWorld();
    void SaveScreenshot();
    void StartGameClock();
    void StopGameClock();
    void SkipCutscene();
    void RequestQuit();
    void Shutdown();
    void OnKeyDown(WPARAM key);
    void OnKeyUp(WPARAM key);

    // STAND-IN: the object table comes with the scene-object work; until then
    // there are no objects, so these find nothing, change nothing and count 0.
    HOBJECT FindObject(const char* name, BYTE filter);
    void GetObjectPosition(HOBJECT object, D3DVECTOR* out);
    // Deletes every object farther from the camera than the distance.
    void WipeOut(float distance);
    void SetSectorHidden(DWORD sector, BYTE hidden);
    void RunObjectAction(const char* name, BYTE flag);
    // Marks for deletion every object in use whose flags carry the
    // not-important bit (0x40); the count.
    int DeleteNotImportantObjects();
    // Marks for deletion every object in use whose file name contains
    // "windows" (without regard to case); the count.
    int DeleteWindowObjects();
    // Takes the keyboard and mouse back after the console closes.
    void AcquireInput();
    // The mouse device with its 10 ms window timer, around device loss.
    void CreateMouse();
    void ReleaseMouse();
    // Lets the keyboard go while the device is lost.
    void UnacquireInput();

    // Kept in double: the counter runs from boot, and a float of seconds a day
    // in has only 8 ms steps. Frame steps are still handed out as floats.
    double m_fLastTime = 0.0;
    float m_fFpsTime = 0.0f;
    float m_fFps = 0.0f;
    DWORD m_iFpsFrames = 0;
    HWND m_hWnd = nullptr;
    float m_fDeltaTime = 0.0f;
    DWORD m_iFrame = 0;
    BYTE m_bInitialised = 0;
    BYTE m_bWorldLoaded = 0;
    BYTE m_bQuit = 0;
    BYTE m_bWorldChange = 0;
    char m_szNextWorld[128] = {};
    BYTE m_bScreenshot = 0;
    char m_szWorld[256] = {};
    BYTE m_bGameClock = 0;
    float m_fGameClock = 0.0f;
    BYTE m_bSkipCutscene = 0;
};

extern EEngine g_Engine;
