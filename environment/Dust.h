#pragma once
// EDust: leaf litter blowing across the ground near the camera. At level
// start a grid of ground points, one every 8 units over the area of the
// world's "grass" marker, is traced onto the scene (or read from the world's
// "<world>.dst" cache); 48 leaves then hop from point to point down the grid's
// rows, bob and flip through their frames, and are drawn as camera-facing
// quads from one buffer.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Renderer.h"
#include "world/ObjectHandle.h"

struct DV
{
    float x, y, z;
};

struct strDustLeaf
{
    BYTE m_bActive;
    int m_iCol, m_iRow;
    int m_iNextCol, m_iNextRow;
    D3DXVECTOR3 m_vFrom;
    D3DXVECTOR3 m_vTo;
    float m_fSpeed;
    float m_fTravel;
    float m_fSegment;
    D3DXVECTOR3 m_vDir;
    D3DXVECTOR3 m_vDrawPos;
    int m_iSize;
    int m_iFrame;
    float m_fFrameClock;
    float m_fBobPhase;
    float m_fBobAmp;
    float m_fBobSpeed;
};

class EDust
{
public:
    static constexpr int LEAVES = 48;
    static constexpr float STEP = 8.0f;
    static constexpr DWORD VERTEX_SIZE = 24;
    static constexpr DWORD VB_SIZE = LEAVES * 6 * VERTEX_SIZE; // 6912
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    static constexpr const char* TEXTURE = "liscie_smieci.tga";
    // The allocation tracker's tags of the grid and the buffer.
    static constexpr const char* GRID_TAG = "DustGrid";
    static constexpr const char* VB_TAG = "DustVB";
    // A cache that would need more points than this is taken for damaged.
    static constexpr DWORD MAX_POINTS = 1u << 22;

    EDust();
    virtual ~EDust();
    EDust(const EDust&) = delete;
    EDust& operator=(const EDust&) = delete;

    // "<world>.dst" of the current world; "" when the name does not fit.
    static const char* GetGridFileName();
    bool LoadGrid();
    void SaveGrid();
    void BuildGrid();
    void DropPoint(const D3DXVECTOR3& start, DV* out);
    bool IsClearAround(const D3DXVECTOR3& p);

    void Init();
    void Update();
    void Render();
    void Release();

    void SpawnLeaf(strDustLeaf& leaf);
    void NextTarget(strDustLeaf& leaf);
    void MoveLeaf(strDustLeaf& leaf);
    void UpdateLeaves();
    void FillDustVB();
    void RenderDust();

    const DV& Point(int col, int row) const { return m_pvCoords[row * m_iSzer + col]; }

    BYTE m_bReady = 0;
    DV* m_pvCoords = nullptr;
    float m_fStep = STEP;
    int m_iSzer = 0;
    int m_iDl = 0;
    strDustLeaf m_Leaves[LEAVES] = {};
    TextureIndex m_iLeafTexture = 0;
    IDirect3DVertexBuffer9* m_pDustVB = nullptr;
    DWORD m_iDustTriangles = 0;
    float m_fFrameTime = 0.0f;

private:
    // The traces pass through the hero's own body.
    HOBJECT m_hSkip = nullptr;
    void FreeGrid();
    bool AllocateGrid(int columns, int rows);
};

extern EDust g_Dust;
