#pragma once
// CBezierCamera: the developer's fly-through. The console setting
// "BezierCamera PATH [TARGET]" puts the camera on an invisible marker that
// travels PATH; with TARGET it looks at a second marker travelling that path,
// without one it looks where the path faces and the mouse turns the view.
// Fire or jump ends the flight and gives the mouse back as it was.

#include "platform/win32/WinTypes.h"
#include "shell/Mouse.h"
#include "world/ObjectHandle.h"

constexpr int BEZIER_CAMERA_PATH_SIZE = 64;
constexpr int BEZIER_CAMERA_TARGET_SIZE = 68;
// The marker mesh both travellers are made of.
constexpr const char* BEZIER_CAMERA_MARKER = "prefabs\\special\\marker.x";

class CBezierCamera
{
public:
    CBezierCamera();
    virtual ~CBezierCamera() = default;

    // The setting's value: the path, then the target path (optional).
    void Start(const char* value);
    void CreateMarkers(const char* path, const char* target);
    // Per frame while a flight is on.
    void Update();
    void Stop();

    BYTE m_bRunning = 0; // a flight holds the camera
    BYTE m_bStarted = 0; // the markers are moving
    HOBJECT m_hCamera = nullptr;
    HOBJECT m_hTarget = nullptr;
    char m_szPath[BEZIER_CAMERA_PATH_SIZE] = {};
    char m_szTarget[BEZIER_CAMERA_TARGET_SIZE] = {};
    EMouseState m_SavedMouse;

private:
    void StartMarker(HOBJECT marker, const char* path);
};

extern CBezierCamera g_BezierCamera;
