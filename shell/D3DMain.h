#pragma once
// D3DMain: the Direct3D 9 object and the one device; drives one rendered frame.
// STAND-IN (in part): creation without the fall-backs and stencil search,
// a frame that clears and presents. The device work replaces it.

#include "platform/win32/WinTypes.h"

struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DSurface9;

class D3DMain
{
public:
    virtual ~D3DMain() = default;
    void Create(HWND hwnd);
    void Render();
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // "save\video.cfg" (defined with the launcher).
    bool LoadVideoConfig();
    void SaveVideoConfig();
    void SetDefaultVideoOptions();
    void Shutdown();

    DWORD m_dwVersion = 9;
    BYTE m_bDeviceReady = 0;
    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
};

extern D3DMain g_D3DMain;
extern IDirect3D9* g_pD3D;
extern IDirect3DDevice9* g_pD3DInterface;
extern IDirect3DSurface9* g_pBackBuffer;
