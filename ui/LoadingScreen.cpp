// STAND-IN: see LoadingScreen.h.
#include "ui/LoadingScreen.h"

#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "sound/GameMusic.h"

CLoadingScreen g_LoadingScreen;

namespace
{
constexpr int KEYBOARD_KEYS = 256;
} // namespace

void CLoadingScreen::Start(const char*)
{
    m_bActive = 1;
    m_bLoading = 1;
    m_bKeyWasDown = 0;
    m_bMouseWasDown = 0;
}

void CLoadingScreen::Update()
{
    if (!m_bActive || m_bLoading)
        return;
    BYTE keyDown = 0;
    for (int key = 0; key < KEYBOARD_KEYS && !keyDown; ++key)
        keyDown = g_CommandMgr.m_bKeyState[key] ? 1 : 0;
    const BYTE mouseDown = g_CommandMgr.m_bKeyState[CCommandMgr::MOUSE_BUTTON_CODE] ? 1 : 0;
    if ((m_bKeyWasDown && !keyDown) || (m_bMouseWasDown && !mouseDown))
    {
        Finish();
        return;
    }
    m_bKeyWasDown = keyDown;
    m_bMouseWasDown = mouseDown;
}

void CLoadingScreen::Finish()
{
    g_GameMusic.Start(nullptr, 0, 0);
    g_Console.ReleaseLoadingPicture();
    m_bActive = 0;
    m_bLoading = 0;
    m_bKeyWasDown = 0;
    m_bMouseWasDown = 0;
}
