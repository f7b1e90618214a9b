#pragma once
// ESurface: one picture in a system-memory surface of the back buffer's
// format (save-game thumbnails, menu pictures): loaded from an image file,
// copied onto the back buffer at a point, saved as a BMP file.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/Texture.h"

class ESurface
{
public:
    static constexpr LONG DEFAULT_SOURCE_EDGE = 256;

    ESurface();
    ~ESurface();
    ESurface(const ESurface&) = delete;
    ESurface& operator=(const ESurface&) = delete;

    // 0 (D3D_OK) on success, -1 for a refused path or no back buffer, else the failing result.
    INT LoadFromFile(const char* path, bool useBackBufferSize, UINT width, UINT height);
    INT Create(const char* path, UINT width, UINT height) { return LoadFromFile(path, false, width, height); }
    void SetPosition(LONG x, LONG y);
    void Draw(IDirect3DSurface9* source);
    void SetPositionAndDraw(LONG x, LONG y);
    void SaveToFile(const char* path);
    void Release();

    IDirect3DSurface9* m_pSurface;
    D3DXIMAGE_INFO m_ImageInfo;
    RECT m_SourceRect;
    POINT m_Position;
};
