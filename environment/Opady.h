#pragma once
// COpady: rain around the camera in worlds that hold an object named "Rain".
// A pool of drops lives in a box around the camera; each frame the active
// drops fall, the ones past their floor are placed anew, and the drops and a
// few sheets of rain are written into two buffers drawn additively after the
// scene.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Renderer.h"

struct strKropla
{
    D3DXVECTOR3 vPos;
    BYTE bActive;
};

class COpady
{
public:
    static constexpr DWORD MAX_DROPS = 640;
    static constexpr DWORD MAX_ACTIVE_DROPS = 119;
    static constexpr DWORD MAX_SHEET_QUADS = 120;
    static constexpr DWORD VERTEX_SIZE = 24;
    static constexpr DWORD DROP_VB_SIZE = MAX_DROPS * 6 * VERTEX_SIZE;        // 92160
    static constexpr DWORD SHEET_VB_SIZE = MAX_SHEET_QUADS * 6 * VERTEX_SIZE; // 17280
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    static constexpr const char* ALLOCATION_TAG = "OpadyVB";
    // The level frame from which the rain moves and draws.
    static constexpr DWORD FIRST_FRAME = 120;

    COpady();
    virtual ~COpady();
    COpady(const COpady&) = delete;
    COpady& operator=(const COpady&) = delete;

    void Init();
    void ResetDrop(DWORD i, bool initial);
    // Per frame in play: the drops fall and both buffers are refilled.
    void Update();
    void Render();
    void Release();

    DWORD m_iActiveDrops = 0;
    DWORD m_iDropQuads = 0;
    DWORD m_iSheetQuads = 0;
    strKropla m_Drops[MAX_DROPS] = {};
    IDirect3DVertexBuffer9* m_pDropVB = nullptr;
    IDirect3DVertexBuffer9* m_pSheetVB = nullptr;
    TextureIndex m_hDropTexture = 0;
    TextureIndex m_hSheetTexture = 0;
    // Seconds the rain has run; scrolls the sheets.
    float m_fTime = 0.0f;
    BYTE m_bActive = 0;
    float m_fFloor[MAX_DROPS] = {};
    D3DXVECTOR3 m_vBox;
    D3DXVECTOR3 m_vFall;
    D3DXVECTOR3 m_vCameraPos = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vCameraDir = {0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_vCameraRight = {1.0f, 0.0f, 0.0f};

private:
    void CopyCamera();
    void FillDrops();
    void FillSheets();
};

extern COpady g_Opady;
