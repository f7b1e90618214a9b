#pragma once
// EViewLines: debug arrows in world space (a shaft and a two-line head in one
// colour) drawn with the fixed-function pipeline from a six-vertex buffer that
// lives from each world start to its reset.

#include "platform/d3d9/D3D9.h"

struct EOrientation;

class EViewLines
{
public:
    static constexpr DWORD LINE_VERTICES = 6;
    static constexpr DWORD LINE_VERTEX_SIZE = 16;

    EViewLines();
    virtual ~EViewLines();
    EViewLines(const EViewLines&) = delete;
    EViewLines& operator=(const EViewLines&) = delete;

    void CreateVB();
    void Release();
    void DrawArrow(const float* from, const float* to, DWORD color, const EOrientation* orientation);

    DWORD m_dwFVF;
    IDirect3DVertexBuffer9* m_pVB;
};

extern EViewLines g_ViewLines;
