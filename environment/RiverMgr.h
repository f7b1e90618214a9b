#pragma once
// ERiverMgr: named scene objects drifting down the world's river, the bezier
// path "rzeka". "scripts\rzeka.txt" lists the objects ("moving NAME" drifts,
// "static NAME" keeps its place along the river); each one taken onto the
// river keeps its side and distance from the centre line, drifts slower the
// farther it is from it, rides at the path's height, bobs and rocks.

#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

constexpr int MAX_RZEKA_OBJECTS = 128;
constexpr int RZEKA_NAME_SIZE = 64;

struct strRiverObject
{
    BYTE m_bUsed = 0;
    HOBJECT m_hObject = nullptr;
    float m_fSpeed = 0.0f;
    float m_fOffset = 0.0f;
    BYTE m_bRightSide = 0;
    float m_fPhase = 0.0f;
    double m_dDistance = 0.0;
    EOrientation m_Orientation;
};

class ERiverMgr
{
public:
    static constexpr const char* PATH = "rzeka";
    static constexpr const char* SCRIPT = "scripts\\rzeka.txt";
    static constexpr float BOB_HEIGHT = 3.0f;
    static constexpr float ROCK_ANGLE = 0.1f;

    ERiverMgr();
    virtual ~ERiverMgr() = default;
    ERiverMgr(const ERiverMgr&) = delete;
    ERiverMgr& operator=(const ERiverMgr&) = delete;

    void LoadNames();
    void Init();
    void ScanObjects();
    void AddObject(HOBJECT object, int nameIndex);
    void Update();
    void MoveObject(strRiverObject& record);
    void RemoveObject(HOBJECT object);
    void Reset();

    strRiverObject m_Objects[MAX_RZEKA_OBJECTS];
    double m_dPathLength = 0.0;
    BYTE m_bEnabled = 0;
    float m_fFrameTime = 0.0f;
    char m_szNames[MAX_RZEKA_OBJECTS][RZEKA_NAME_SIZE] = {};
    DWORD m_iNameCount = 0;
    BYTE m_bMoving[MAX_RZEKA_OBJECTS] = {};
    // The names are read once a run, at the first level start.
    BYTE m_bNamesLoaded = 0;
};

extern ERiverMgr g_RiverMgr;
