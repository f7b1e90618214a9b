#pragma once
// ERect: one textured, coloured rectangle in back-buffer pixels, drawn as two
// pre-transformed triangles from a six-vertex buffer of its own that is
// refilled only after a change. It can put the device into the 2D state and
// restore the states it saved afterwards. HUD, menus, fades and overlays draw
// through it.

#include "platform/d3d9/D3D9.h"
#include "render/Renderer.h"

class ERect
{
public:
    static constexpr DWORD VERTEX_COUNT = 6;
    static constexpr DWORD VERTEX_SIZE = 28;
    static constexpr DWORD SAVED_STATES = 16;

    ERect();
    virtual ~ERect();
    ERect(const ERect&) = delete;
    ERect& operator=(const ERect&) = delete;

    void Create(const char* texture, float left, float top, float right, float bottom, DWORD color);
    void SetRect(float left, float top, float right, float bottom);
    void SetColor(DWORD color);
    void SetAlpha(float alpha);
    // Corners top-left, top-right, bottom-right, bottom-left.
    void SetQuad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3, float uLeft,
                 float uRight, float vTop, float vBottom, float z);
    void Render(bool bindTexture);
    void Begin2D(bool additive);
    void Restore2D();
    void RenderWithStates(bool bindTexture, bool blend);
    static void SetBlendMode(bool additive);
    void Release();

    DWORD m_dwFVF;
    DWORD m_dwSaved[SAVED_STATES];
    BYTE m_bCreated;
    BYTE m_bVBCurrent;
    TextureIndex m_iTexture;
    IDirect3DVertexBuffer9* m_pVB;
    float m_fLeft, m_fTop, m_fRight, m_fBottom;
    DWORD m_dwColor;

private:
    void Refill();
    void Draw(bool bindTexture);
    void SaveStates();
};
