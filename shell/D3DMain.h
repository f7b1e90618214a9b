#pragma once
// D3DMain: the Direct3D 9 object and the one device. Creates the device with
// its fall-backs, finds a depth-stencil format, makes the engine's vertex
// declarations, sets the fixed render states, drives one rendered frame,
// forwards window messages to the engine and input, and releases everything
// at exit.

#include "platform/d3d9/D3D9.h"
#include "platform/win32/WinTypes.h"

class D3DMain
{
public:
    virtual ~D3DMain() = default;

    // Creates and prepares the device; success shows as m_bDeviceReady.
    void Create(HWND hwnd);
    // One frame: pre-render updates, scene or menu, HUD, console, present.
    void Render();
    // Clears, builds the glyph textures, draws the loading caption, presents.
    void RenderStartupFrame();
    // While focused: key messages to the engine, the 10 ms timer to the input.
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Also run after every reset.
    void SetDefaultRenderStates();

    void InitCaps();
    void CheckPixelShaders();
    void CheckDepthFormats();
    bool Supports4xMultisample(D3DFORMAT format);
    // The first depth-stencil format, in a fixed order, that has at least
    // m_dwMinDepthBits and m_dwMinStencilBits and goes with the adapter format.
    bool FindStencilFormat(D3DFORMAT adapterFormat, D3DFORMAT* out);
    void LogAdapter();

    // "save\video.cfg" (defined with the launcher).
    bool LoadVideoConfig();
    void SaveVideoConfig();
    void SetDefaultVideoOptions();

    void Shutdown();

    // The clear flags of a full-frame clear: the stencil only when the depth
    // format in use has one (clearing a missing stencil is an invalid call).
    static DWORD FullClearFlags();

    DWORD m_dwVersion = 9; // version dword of "save\video.cfg"
    DWORD m_dwMinDepthBits = 0;
    DWORD m_dwMinStencilBits = 0;
    BYTE m_bUnused = 0;
    BYTE m_bDeviceReady = 0;
    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
};

// The engine's static-mesh vertex (g_pDeclMesh).
struct TK_VERTEX
{
    float x, y, z;
    DWORD color0; // painted blend weights
    float nx, ny, nz;
    float tx, ty, tz;
    float bx, by, bz;
    float u, v;
    DWORD color1;
};
static_assert(sizeof(TK_VERTEX) == 64, "TK_VERTEX is 64 bytes");

extern D3DMain g_D3DMain;
extern IDirect3D9* g_pD3D;
extern IDirect3DDevice9* g_pD3DInterface;
extern IDirect3DSurface9* g_pBackBuffer;
// The parameters of the last successful creation; every reset reuses them.
extern D3DPRESENT_PARAMETERS g_d3dpp;
extern float g_fScreenScaleX;
extern float g_fScreenScaleY;

extern IDirect3DVertexDeclaration9* g_pDeclMesh;
// Per-instance 3 x 4 matrices in stream 1.
extern IDirect3DVertexDeclaration9* g_pDeclMeshInstanced;
extern IDirect3DVertexDeclaration9* g_pDeclSimple;
extern IDirect3DVertexDeclaration9* g_pDeclSkin;
