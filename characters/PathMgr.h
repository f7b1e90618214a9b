#pragma once
// CPathMgr: the waypoint graphs the characters run on.
// STAND-IN: the calls of the game layer's level start and end and of the path
// generation, keeping what the generator was asked; the character work
// replaces it.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

class CPathMgr
{
public:
    virtual ~CPathMgr() = default;
    // The generator's parameters: a byte, step, height, climb and node limit.
    void SetGeneratorParams(BYTE flag, float step, float height, float climb, int nodes)
    {
        m_bGeneratorFlag = flag;
        m_fGeneratorParams[0] = step;
        m_fGeneratorParams[1] = height;
        m_fGeneratorParams[2] = climb;
        m_iGeneratorNodes = nodes;
    }
    // The world's path file ("%s.pth") exists.
    bool HasPathFile() const { return false; }
    void LoadPaths() {}
    void SavePaths() { ++m_iSaves; }
    void AddMeshNodes(HOBJECT) { ++m_iMeshesAdded; }
    void CreateProbe() {}
    void DeleteProbe() {}
    void DeleteAllProbes() {}
    void Release() {}

    BYTE m_bGeneratorFlag = 0;
    float m_fGeneratorParams[3] = {};
    int m_iGeneratorNodes = 0;
    int m_iSaves = 0;
    int m_iMeshesAdded = 0;
};

inline CPathMgr g_PathMgr;
