#pragma once
// Panel: the in-game head-up display.
// STAND-IN: only the letterbox byte the setting "WideScreen" writes; the HUD
// work replaces this file with the whole Panel and keeps this field.

#include "platform/win32/WinTypes.h"

class Panel
{
public:
    virtual ~Panel() = default;

    BYTE m_bPanoramic = 0; // the letterbox (wide-screen) presentation
    // STAND-IN: the second letterbox view, the HUD's level start, frame,
    // drawing and level end, the start flash and captions.
    BYTE WideScreen = 0;
    // The cut-scene bars are shown: either letterbox byte.
    bool Letterboxed() const { return WideScreen || m_bPanoramic; }
    void Init() {}
    void Update() {}
    void Render() {}
    void Release() {}
    void StartFlash() { ++m_iFlashes; }
    void SetCaption(const char* text);
    int m_iFlashes = 0;
    char m_szCaption[256] = {};
    // STAND-IN: the HUD work sets these; the mouse poll reads them.
    BYTE m_bSniperScope = 0;   // aiming through a sniper sight at full zoom
    float m_fFadeAlpha = 0.0f; // the screen fader, 1.0 black
};

extern Panel g_Panel;
