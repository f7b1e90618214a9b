#include "environment/RiverMgr.h"

#include "game/BezierMgr.h"
#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstring>

ERiverMgr g_RiverMgr;

namespace
{
constexpr float kTwoPi = 6.2831855f;
constexpr int kLine = 256;
constexpr float kDriftAtCentre = 300.0f;
constexpr float kDriftFalloff = 6.0f;
constexpr float kSlowestDrift = 16.0f;
constexpr DWORD kFlagsSet = 0x80;
constexpr DWORD kFlagsCleared = 0x4;
constexpr DWORD kFlags2Set = 0x18000000;
} // namespace

// The names are read at the first level start, not during the program's
// static construction: the console is not up yet then, and its greeting is
// the first line of its log.
ERiverMgr::ERiverMgr() = default;

void ERiverMgr::LoadNames()
{
    std::memset(m_szNames, 0, sizeof m_szNames);
    std::memset(m_bMoving, 0, sizeof m_bMoving);
    m_iNameCount = 0;
    m_bNamesLoaded = 1;
    FILE* f = TkFopen(SCRIPT, "r");
    if (!f)
        return;
    g_Console.Print("Init Names");
    char line[kLine + 1];
    while (m_iNameCount < MAX_RZEKA_OBJECTS)
    {
        ReadLine(f, line, kLine);
        const bool moving = IsKeyword(line, "moving");
        if (moving || IsKeyword(line, "static"))
        {
            const char* name = GetLineValue(line);
            // A cut name would pick out another object.
            if (std::strlen(name) >= RZEKA_NAME_SIZE)
                g_Console.Print2("Nazwa obiektu za dluga w scripts\\rzeka.txt: ", name);
            else if (name[0])
            {
                CopyCut(m_szNames[m_iNameCount], RZEKA_NAME_SIZE, name);
                m_bMoving[m_iNameCount] = moving ? 1 : 0;
                ++m_iNameCount;
            }
        }
        if (std::feof(f) || std::ferror(f))
            break;
    }
    std::fclose(f);
}

void ERiverMgr::Init()
{
    if (!m_bNamesLoaded)
        LoadNames();
    // A level started again without its reset takes each object once.
    Reset();
    m_dPathLength = g_BezierMgr.GetPathLength(PATH);
    m_bEnabled = 0;
    if (!(m_dPathLength >= 1.0))
        return;
    m_bEnabled = 1;
    ScanObjects();
}

void ERiverMgr::ScanObjects()
{
    const int last = g_Engine.GetHighWaterMark(OT_SKINMESH);
    for (int slot = 0; slot < last && slot < MAX_OBJECTS; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (!o.bUsed)
            continue;
        for (DWORD i = 0; i < m_iNameCount; ++i)
            if (CompareNoCase(o.szName, m_szNames[i]) == 0)
            {
                AddObject(&o, static_cast<int>(i));
                break;
            }
    }
}

void ERiverMgr::AddObject(HOBJECT object, int nameIndex)
{
    if (!object || nameIndex < 0 || nameIndex >= MAX_RZEKA_OBJECTS)
        return;
    strRiverObject* record = nullptr;
    for (strRiverObject& r : m_Objects)
        if (!r.m_bUsed)
        {
            record = &r;
            break;
        }
    if (!record)
    {
        g_Console.Print("MAX_RZEKA_OBJECTS overflow!");
        return;
    }
    g_Console.Print2("Dodaje obiekt ", object->szName);
    g_Engine.SetObjectFlags(object, kFlagsSet, kFlagsSet | kFlagsCleared);
    g_Engine.SetObjectFlags2(object, kFlags2Set, kFlags2Set);
    record->m_bUsed = 1;
    record->m_hObject = object;

    D3DXVECTOR3 nearest = object->vPosition;
    double along = 0.0;
    g_BezierMgr.ProjectPointOnPath(PATH, &object->vPosition, &nearest, &along);
    record->m_dDistance = along;
    const D3DXVECTOR3 off = object->vPosition - nearest;
    record->m_fOffset = D3DXVec3Length(&off);

    // The side is the sign of the offset along the path's right axis there.
    D3DXVECTOR3 point = nearest, dir(0.0f, 0.0f, 1.0f);
    g_BezierMgr.GetPointAt(PATH, along, &point, &dir);
    const EOrientation flow(&dir);
    record->m_bRightSide = D3DXVec3Dot(&off, &flow.Right) > 0.0f ? 1 : 0;

    if (!m_bMoving[nameIndex])
        record->m_fSpeed = 0.0f;
    else
    {
        const float speed = (kDriftAtCentre - record->m_fOffset) / kDriftFalloff;
        record->m_fSpeed = speed < kSlowestDrift ? kSlowestDrift : speed;
    }
    record->m_fPhase = RandomFloat(kTwoPi);
    record->m_Orientation = object->Orientation;
}

void ERiverMgr::Update()
{
    if (!m_bEnabled)
        return;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    for (strRiverObject& r : m_Objects)
        if (r.m_bUsed)
            MoveObject(r);
}

void ERiverMgr::MoveObject(strRiverObject& r)
{
    const float dt = m_fFrameTime;
    r.m_dDistance += static_cast<double>(r.m_fSpeed) * dt;
    // The river loops; a drift longer than the whole path in one frame
    // still lands on it.
    if (r.m_dDistance > m_dPathLength)
        r.m_dDistance = m_dPathLength > 0.0 ? std::fmod(r.m_dDistance, m_dPathLength) : 0.0;
    D3DXVECTOR3 p = r.m_hObject->vPosition, dir(0.0f, 0.0f, 1.0f);
    g_BezierMgr.GetPointAt(PATH, r.m_dDistance, &p, &dir);
    const EOrientation flow(&dir);
    D3DXVECTOR3 position = r.m_bRightSide ? p + flow.Right * r.m_fOffset : p - flow.Right * r.m_fOffset;
    r.m_fPhase += dt;
    if (r.m_fPhase > kTwoPi)
        r.m_fPhase -= kTwoPi;
    position.y += BOB_HEIGHT * std::sin(2.0f * r.m_fPhase);
    EOrientation orientation = r.m_Orientation;
    orientation.RotateAxisAngle(&dir, ROCK_ANGLE * std::sin(r.m_fPhase));
    g_Engine.SetObjectTransform(r.m_hObject, &position, &orientation, 0, 1);
}

void ERiverMgr::RemoveObject(HOBJECT object)
{
    if (!object || !m_bEnabled)
        return;
    for (strRiverObject& r : m_Objects)
        if (r.m_bUsed && r.m_hObject == object)
        {
            r.m_bUsed = 0;
            r.m_hObject = nullptr;
            return;
        }
}

void ERiverMgr::Reset()
{
    for (strRiverObject& r : m_Objects)
    {
        r.m_bUsed = 0;
        r.m_hObject = nullptr;
    }
}
