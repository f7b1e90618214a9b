#pragma once
// CBezierCamera: the fly-through camera along a bezier path.
// STAND-IN: only "BezierCamera"'s call, remembering the path asked for; the
// bezier work replaces this file with the whole CBezierCamera.

#include "platform/win32/WinTypes.h"

class CBezierCamera
{
public:
    virtual ~CBezierCamera() = default;

    void Start(const char* name);
    // STAND-IN: the flight's frame and its end.
    void Update() {}
    void Stop() { m_bRunning = 0; }
    BYTE m_bRunning = 0; // a flight holds the camera

    char m_szRequested[128] = {};
};

extern CBezierCamera g_BezierCamera;
