#pragma once
// ESlupMgr: the cables that hang between the poles of power lines. A
// per-world script under "scripts\slupy" names the poles of each line in
// order and the sockets on them that carry a cable; between equal sockets of
// consecutive poles a sagging cable of ten segments, each two crossed thin
// ribbons, is written into one buffer, rebuilt only after the camera has
// moved more than 10 units, and drawn by the sun-lit effects' "RenderCable".

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"

#include <string>

constexpr int SLUP_SOCKETS = 16;
constexpr int SLUP_SOCKET_NAME = 64;

struct strSlup
{
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vSockets[SLUP_SOCKETS];
    float fSag[SLUP_SOCKETS];
    float fPhase[SLUP_SOCKETS];
    char szName[256];
    // The pole object was found, and each socket point was read from it: a
    // span never runs to a point that was not read.
    BYTE bFound;
    BYTE bSocketRead[SLUP_SOCKETS];
    strSlup* pNext;
};

struct strLinia
{
    char szSockets[SLUP_SOCKETS][SLUP_SOCKET_NAME];
    DWORD dwSockets;
    float fThickness;
    strSlup* pSlupy; // the last pole of the script first
    strLinia* pNext;
};

class ESlupMgr
{
public:
    static constexpr DWORD CAPACITY = 30720;
    static constexpr DWORD VERTEX_SIZE = 64;
    static constexpr DWORD MAX_LISTED_SOCKETS = 15;
    static constexpr float REBUILD_DISTANCE = 10.0f;
    static constexpr float REACH_BEYOND_FAR = 50.0f;
    static constexpr const char* TEXTURE = "SlupMgr.tga";
    static constexpr const char* TECHNIQUE = "RenderCable";
    static constexpr const char* VB_TAG = "CableVB";

    ESlupMgr() = default;
    virtual ~ESlupMgr();
    ESlupMgr(const ESlupMgr&) = delete;
    ESlupMgr& operator=(const ESlupMgr&) = delete;

    void Load();
    void Update();
    void Release();
    void RenderCableSkyLightF();
    void RenderCableSkyLight();

    // The first script under "scripts\slupy" whose "world" value occurs in
    // the current world file's name; "" for none.
    std::string FindScript() const;
    void ParseScript(const char* path);
    void RebuildCables();
    void AddSpan(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float thickness, float sagFactor, float phase);
    void AddCableSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, float thickness, float w0, float w1,
                         float phase);
    void FreeLines();

    strLinia* m_pLinie = nullptr;
    D3DXVECTOR3 m_vLastCamera = {999999.0f, 999999.0f, 999999.0f};
    DWORD m_dwCapacity = CAPACITY;
    IDirect3DVertexBuffer9* m_pCableVB = nullptr;
    BYTE* m_pCursor = nullptr;
    DWORD m_dwVertices = 0;
    DWORD m_dwTriangles = 0;
    float m_fWindPhase = 0.0f;

private:
    strLinia* AddLine();
    void AddPole(strLinia* line, const char* name);
    bool CreateCableVB();
    void AddVertex(const D3DXVECTOR3& position, const D3DXVECTOR3& anchor, DWORD colour, float u, float v);
    void RenderCables(bool fast);
};

extern ESlupMgr g_SlupMgr;
