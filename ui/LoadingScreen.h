#pragma once
// CLoadingScreen: the screen shown while a world loads.
// STAND-IN: the active byte only; the screens work draws it.

#include "platform/win32/WinTypes.h"

class CLoadingScreen
{
public:
    virtual ~CLoadingScreen() = default;
    void Start(const char*) {}
    void Render() {}
    void LoadTextures() {}
    BYTE m_bActive = 0;
};

extern CLoadingScreen g_LoadingScreen;
