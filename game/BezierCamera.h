#pragma once
// CBezierCamera: the fly-through camera along a bezier path.
// STAND-IN: only "BezierCamera"'s call, remembering the path asked for; the
// bezier work replaces this file with the whole CBezierCamera.

class CBezierCamera
{
public:
    virtual ~CBezierCamera() = default;

    void Start(const char* name);

    char m_szRequested[128] = {};
};

extern CBezierCamera g_BezierCamera;
