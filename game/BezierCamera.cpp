#include "game/BezierCamera.h"

#include "game/BezierFollowState.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

CBezierCamera g_BezierCamera;

namespace
{
constexpr int COMMAND_FIRE = 19;
constexpr int COMMAND_JUMP = 8;
constexpr DWORD MARKER_FLAGS = 0x80;

std::string Trimmed(const char* text)
{
    std::string s(text ? text : "");
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}
} // namespace

CBezierCamera::CBezierCamera()
{
    m_SavedMouse.Reset();
}

void CBezierCamera::Start(const char* value)
{
    if (m_bRunning)
        Stop();
    const std::string text = Trimmed(value);
    if (text.empty())
        return;
    const size_t blank = text.find_first_of(" \t");
    const std::string path = text.substr(0, blank);
    const std::string target = blank == std::string::npos ? std::string() : Trimmed(text.c_str() + blank);
    // A cut name would name another path: refuse it.
    if (path.size() >= BEZIER_CAMERA_PATH_SIZE || target.size() >= BEZIER_CAMERA_TARGET_SIZE)
    {
        g_Console.Print2("BezierCamera: path name too long: ", text.c_str());
        return;
    }
    CreateMarkers(path.c_str(), target.c_str());
    m_bRunning = 1;
}

void CBezierCamera::CreateMarkers(const char* path, const char* target)
{
    if (m_bRunning)
        Stop();
    std::snprintf(m_szPath, sizeof m_szPath, "%s", path ? path : "");
    std::snprintf(m_szTarget, sizeof m_szTarget, "%s", target ? target : "");
    m_hCamera = g_Engine.CreateObject(OT_MESH, BEZIER_CAMERA_MARKER, MARKER_FLAGS, 0, nullptr, nullptr);
    if (m_hCamera)
        std::snprintf(m_hCamera->szName, sizeof m_hCamera->szName, "%s", "Bezier camera");
    else
        g_Console.Print("Camera mesh not created!");
    if (m_szTarget[0])
    {
        m_hTarget = g_Engine.CreateObject(OT_MESH, BEZIER_CAMERA_MARKER, MARKER_FLAGS, 0, nullptr, nullptr);
        if (m_hTarget)
            std::snprintf(m_hTarget->szName, sizeof m_hTarget->szName, "%s", "Bezier target");
        else
            g_Console.Print("Target mesh not created!");
    }
    m_bStarted = 0;
}

void CBezierCamera::StartMarker(HOBJECT marker, const char* path)
{
    if (!marker)
        return;
    BezierFollowState s;
    s.bOn = 1;
    std::snprintf(s.szStartNode, sizeof s.szStartNode, "%s", path);
    g_Engine.SetObjectBezierFollowState(marker, &s);
    g_Engine.StartBezierMoving(marker);
}

void CBezierCamera::Update()
{
    if (g_CommandMgr.IsCommandDown(COMMAND_FIRE) || g_CommandMgr.IsCommandDown(COMMAND_JUMP))
    {
        Stop();
        return;
    }
    if (!m_bStarted)
    {
        if (g_Console.m_bOpen)
            return;
        StartMarker(m_hCamera, m_szPath);
        if (m_szTarget[0])
            StartMarker(m_hTarget, m_szTarget);
        m_SavedMouse = g_Mouse.m_State;
        g_Mouse.m_State.x = 0.0;
        g_Mouse.m_State.y = 0.0;
        m_bStarted = 1;
    }
    // Without its marker the camera stays where it is.
    if (!m_hCamera)
        return;
    D3DXVECTOR3 position;
    g_Engine.GetObjectPosition(m_hCamera, &position);
    g_Camera.SetPosition(position);
    EOrientation view;
    D3DXVECTOR3 look(0.0f, 0.0f, 0.0f);
    if (m_hTarget)
    {
        D3DXVECTOR3 target;
        g_Engine.GetObjectPosition(m_hTarget, &target);
        look = target - position;
    }
    const float length = std::sqrt(look.x * look.x + look.y * look.y + look.z * look.z);
    if (length > 0.0f)
    {
        look /= length;
        view.SetDirection(&look);
    }
    else
    {
        g_Engine.GetObjectOrientation(m_hCamera, &view);
        if (!m_hTarget)
        {
            const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
            view.RotateAxisAngle(&up, static_cast<float>(g_Mouse.m_State.x));
            const D3DXVECTOR3 right = view.Right;
            view.RotateAxisAngle(&right, static_cast<float>(g_Mouse.m_State.y));
        }
    }
    g_Camera.SetOrientation(view);
    g_Camera.UpdateProjection();
    g_Camera.UpdateView();
}

void CBezierCamera::Stop()
{
    for (HOBJECT* marker : {&m_hCamera, &m_hTarget})
    {
        if (*marker)
        {
            g_Engine.StopBezierMoving(*marker);
            g_Engine.DeleteObject(*marker);
            *marker = nullptr;
        }
    }
    if (m_bStarted)
        g_Mouse.m_State = m_SavedMouse;
    m_bRunning = 0;
    m_bStarted = 0;
}
