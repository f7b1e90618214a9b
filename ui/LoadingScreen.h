#pragma once
// CLoadingScreen: the screen shown while a world loads and until the player
// continues.
// STAND-IN: the screen's states and its finish on a released key or left
// mouse button; it draws nothing and plays no briefing. The screens work
// replaces it.

#include "platform/win32/WinTypes.h"

class CLoadingScreen
{
public:
    virtual ~CLoadingScreen() = default;
    // A world starts loading: the screen is up.
    void Start(const char* world);
    // The world has loaded: the screen waits for the player.
    void LoadTextures() { m_bLoading = 0; }
    // Per frame from the game layer: once loaded, a key or the left mouse
    // button released finishes the screen.
    void Update();
    void Render() {}
    // The screen goes: the music stops and the loading picture is released.
    void Finish();

    BYTE m_bActive = 0;
    BYTE m_bLoading = 0;
    BYTE m_bKeyWasDown = 0;
    BYTE m_bMouseWasDown = 0;
};

extern CLoadingScreen g_LoadingScreen;
