#pragma once
// A small headless device for the benchmarks. Made the engine's device unless
// told otherwise; a benchmark that loads through the engine's managers derives
// from it and releases them in its own destructor, before the device goes.
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "shell/D3DMain.h"

#include <cstdint>

struct BenchDevice
{
    explicit BenchDevice(bool engineDevice = true, UINT width = 64, UINT height = 48)
        : m_engineDevice(engineDevice)
    {
        TkSetBackend(TkBackend::Headless);
        TkD3D9ResetHeadless();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(static_cast<uintptr_t>(1)),
                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        if (m_engineDevice)
            g_pD3DInterface = device;
    }
    ~BenchDevice()
    {
        if (m_engineDevice)
            g_pD3DInterface = nullptr;
        if (device)
            device->Release();
        if (d3d)
            d3d->Release();
    }
    BenchDevice(const BenchDevice&) = delete;
    BenchDevice& operator=(const BenchDevice&) = delete;

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;

private:
    bool m_engineDevice;
};
