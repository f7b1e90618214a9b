#pragma once
// CSkyLights: the baked bounce lights of a world, picked near the camera each frame.
// STAND-IN: only the two values the settings write; the baked-sky-light work
// replaces this file with the whole CSkyLights and keeps these fields.

#include "platform/win32/WinTypes.h"

class CSkyLights
{
public:
    // The per-world calls of the engine, empty until the baked-light work.
    void InitWorld(const char*) {}
    void Release() {}
    // The frame's grid update near the camera (the frame driver calls it in
    // the Realistic order while "RecalculateCamera" is on); empty until the
    // baked-light work.
    void Update() { ++m_iUpdates; }
    DWORD m_iUpdates = 0; // frames whose grid update ran

    float m_fColorScale[3] = {1.0f, 1.0f, 1.0f}; // "VPLR", "VPLG", "VPLB" over 255
    BYTE m_bPickEveryFrame = 1;                  // "RecalculateLights"
};

extern CSkyLights g_SkyLights;
