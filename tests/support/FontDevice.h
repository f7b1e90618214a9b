#pragma once
// A headless Direct3D 9 device published as the game's device
// (g_pD3DInterface), for tests of code that draws 2D text through it: fonts,
// bitmap texts, the console. The back buffer is X8R8G8B8, cleared to black.
// Tests read what reached it: single pixels, the box of pixels that differ
// from black, and whole pictures to compare two drawings.

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "shell/D3DMain.h"
#include "support/HeadlessD3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class FontDevice
{
public:
    FontDevice(UINT width, UINT height) : m_width(width), m_height(height)
    {
        m_oldDevice = g_pD3DInterface;
        m_params = Params();
        CreateHeadlessDevice(m_params, &m_d3d, &device);
        if (!device)
            return;
        g_pD3DInterface = device;
        Clear();
    }

    ~FontDevice()
    {
        g_pD3DInterface = m_oldDevice;
        ReleaseHeadlessDevice(m_d3d, device);
    }

    FontDevice(const FontDevice&) = delete;
    FontDevice& operator=(const FontDevice&) = delete;

    D3DPRESENT_PARAMETERS Params() const { return WindowedParams(m_width, m_height, D3DFMT_D16); }

    void Clear(D3DCOLOR color = 0xFF000000)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0);
    }

    // The device lost and given back, then reset with the creation parameters.
    HRESULT LoseAndReset()
    {
        TkD3D9LoseDevices();
        TkD3D9RestoreDevices();
        return Reset();
    }

    HRESULT Reset()
    {
        D3DPRESENT_PARAMETERS pp = Params();
        return device->Reset(&pp);
    }

    // One back-buffer pixel as 0x00RRGGBB (X8R8G8B8: the top byte means nothing).
    uint32_t Pixel(UINT x, UINT y)
    {
        const TkSurfacePixels back = BackBuffer();
        if (!back.bits || x >= back.width || y >= back.height)
        {
            ADD_FAILURE() << "pixel " << x << "," << y << " is outside the back buffer";
            return 0;
        }
        uint32_t color;
        std::memcpy(&color, back.bits + size_t(y) * size_t(back.pitch) + size_t(x) * 4, 4);
        return color & 0x00FFFFFFu;
    }

    // The back buffer's colours, row by row.
    std::vector<uint32_t> Picture()
    {
        std::vector<uint32_t> picture;
        picture.reserve(size_t(m_width) * m_height);
        for (UINT y = 0; y < m_height; ++y)
            for (UINT x = 0; x < m_width; ++x)
                picture.push_back(Pixel(x, y));
        return picture;
    }

    // The box of pixels that are not black inside `area` (the whole buffer
    // when null); false when all are black.
    bool Ink(RECT* box, const RECT* area = nullptr)
    {
        const RECT a = area ? *area : RECT{0, 0, LONG(m_width), LONG(m_height)};
        bool any = false;
        for (LONG y = a.top; y < a.bottom; ++y)
            for (LONG x = a.left; x < a.right; ++x)
                if (Pixel(UINT(x), UINT(y)) != 0)
                {
                    if (!any)
                        *box = RECT{x, y, x + 1, y + 1};
                    box->left = std::min(box->left, x);
                    box->top = std::min(box->top, y);
                    box->right = std::max(box->right, x + 1);
                    box->bottom = std::max(box->bottom, y + 1);
                    any = true;
                }
        return any;
    }

    // Pixels in `area` that are not black.
    int InkCount(const RECT& area)
    {
        int count = 0;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x)
                count += Pixel(UINT(x), UINT(y)) != 0;
        return count;
    }

    UINT Width() const { return m_width; }
    UINT Height() const { return m_height; }

    std::vector<std::string> LiveDefaultPool() { return TkD3D9GetLiveDefaultPoolObjects(device); }

    IDirect3DDevice9* device = nullptr;

private:
    TkSurfacePixels BackBuffer()
    {
        TkSurfacePixels pixels = {};
        IDirect3DSurface9* back = nullptr;
        if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && back)
        {
            TkD3D9ReadSurface(back, &pixels);
            back->Release();
        }
        return pixels;
    }

    UINT m_width;
    UINT m_height;
    IDirect3D9* m_d3d = nullptr;
    IDirect3DDevice9* m_oldDevice = nullptr;
    D3DPRESENT_PARAMETERS m_params = {};
};
