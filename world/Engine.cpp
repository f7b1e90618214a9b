#include "world/Engine.h"

#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/Timer.h"

#include <cstdio>
#include <cstring>

EEngine g_Engine;

void EEngine::Init(HWND hwnd)
{
    m_iFpsFrames = 0;
    m_bInitialised = 1;
    m_hWnd = hwnd;
    Timer(TIMER_RESET);
    Timer(TIMER_START);
    Tick();
    m_fDeltaTime = 0.0f;
    g_Mouse.Create(hwnd);
}

bool EEngine::Tick()
{
    const float now = static_cast<float>(Timer(TIMER_GETABSOLUTETIME));
    const double step = static_cast<double>(now) - static_cast<double>(m_fLastTime);
    if (step < 0.001)
        return false;
    m_fDeltaTime = static_cast<float>(step > 0.5 ? 0.5 : step);
    if (m_bSkipCutscene)
        m_fDeltaTime *= 100.0f;
    m_fLastTime = now;
    m_fFpsTime += m_fDeltaTime;
    ++m_iFpsFrames;
    m_fDeltaTime *= g_Options.GlobalTimeSpeed;
    if (m_fFpsTime > 0.05f)
    {
        m_fFps = static_cast<float>(m_iFpsFrames) / m_fFpsTime;
        m_fFpsTime = 0.0f;
        m_iFpsFrames = 0;
    }
    if (m_bGameClock)
        m_fGameClock += m_fDeltaTime;
    return true;
}

// STAND-IN: counts the frame and runs the game clock; the managers' update
// order and the deferred deletions come with the scene-object work.
bool EEngine::Update()
{
    if (!m_bInitialised)
        return false;
    ++m_iFrame;
    if (!g_Console.m_bOpen)
        AcquireInput();
    if (g_Options.Debug > 3)
        g_Console.PrintInt("*** Klatka: ", static_cast<int>(m_iFrame));
    if (!m_bGameClock)
        StartGameClock();
    return true;
}

void EEngine::PreRender() {}
void EEngine::Render() {}
void EEngine::RenderEffects() {}

void EEngine::RequestWorldChange(const char* name)
{
    if (!name)
        return;
    if (std::strlen(name) >= sizeof m_szNextWorld)
    {
        g_Console.Print("!!! 1");
        return;
    }
    std::snprintf(m_szNextWorld, sizeof m_szNextWorld, "%s", name);
    m_bWorldChange = 1;
}

// STAND-IN: an empty world starts; reading the world file comes with the
// world-file work.
bool EEngine::StartWorld(const char* name)
{
    if (g_Options.Debug)
        g_Console.Print2("StartWorld ", name ? name : "");
    m_bWorldChange = 1;
    char world[256] = {};
    if (name && name[0] != '*')
    {
        if (std::strlen(name) >= sizeof world)
        {
            g_Console.Print("!!! 1");
            m_bWorldChange = 0;
            m_szNextWorld[0] = 0;
            return false;
        }
        std::snprintf(world, sizeof world, "%s", name);
    }
    m_szNextWorld[0] = 0;
    if (m_bWorldLoaded)
        ResetWorld();
    m_bWorldLoaded = 0;
    std::snprintf(m_szWorld, sizeof m_szWorld, "%s", world);
    StopGameClock();
    m_bWorldLoaded = m_szWorld[0] ? 1 : 0;
    m_iFrame = 0;
    m_fGameClock = 0.0f;
    m_bWorldChange = 0;
    return true;
}

void EEngine::ResetWorld() {}

// STAND-IN: screenshots come with the device work.
void EEngine::SaveScreenshot()
{
    m_bScreenshot = 0;
}

void EEngine::StartGameClock()
{
    m_bGameClock = 1;
}

void EEngine::StopGameClock()
{
    m_bGameClock = 0;
}

void EEngine::SkipCutscene()
{
    g_Console.Print("*** Stop cutscene!");
    m_bSkipCutscene = 1;
}

void EEngine::RequestQuit()
{
    m_bQuit = 1;
}

void EEngine::Shutdown()
{
    g_Mouse.Release();
    m_bInitialised = 0;
}

// STAND-IN (in part): the open console takes the key; the menu and the game
// come with the menu and the scene-object work.
void EEngine::OnKeyDown(WPARAM key)
{
    if (g_Console.m_bOpen)
        g_Console.OnKey(key);
}

void EEngine::OnKeyUp(WPARAM) {}

// STAND-IN: see Engine.h; the scene-object work fills these in.
HOBJECT EEngine::FindObject(const char*, BYTE)
{
    return nullptr;
}

void EEngine::GetObjectPosition(HOBJECT, D3DVECTOR* out)
{
    if (out)
        *out = D3DVECTOR{0.0f, 0.0f, 0.0f};
}

void EEngine::WipeOut(float distance)
{
    g_Console.PrintFloat("WipeOut complete for ", distance);
}

void EEngine::SetSectorHidden(DWORD, BYTE) {}

void EEngine::RunObjectAction(const char* name, BYTE)
{
    g_Console.Print2("EEngine chce akcje, ale nie znaleziono obiektu ", name);
}

int EEngine::DeleteNotImportantObjects()
{
    return 0;
}

int EEngine::DeleteWindowObjects()
{
    return 0;
}

void EEngine::AcquireInput()
{
    g_CommandMgr.AcquireKeyboard(m_hWnd);
}
