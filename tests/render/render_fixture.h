#pragma once
// The renderer tests' starting point: a fresh temporary data tree as the
// current and start-up folder, a headless device as the game's device, and a
// texture registry emptied before and after the test.

#include "platform/d3d9/D3D9.h"
#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "support/HeadlessD3D.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class RenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_Options = GameOptions{};
        g_Engine.m_bQuit = 0;
        EmptyRegistry();
        params = Params();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        g_pD3DInterface = device;
    }

    void TearDown() override
    {
        EmptyRegistry();
        g_pD3DInterface = nullptr;
        ReleaseHeadlessDevice(d3d, device);
    }

    // The back buffer of the test's device.
    virtual D3DPRESENT_PARAMETERS Params() { return WindowedParams(); }

    D3DCOLOR BackPixel(UINT x, UINT y)
    {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DCOLOR color = 0;
        EXPECT_TRUE(TkD3D9ReadPixel(back, x, y, &color));
        back->Release();
        return color;
    }

    static void EmptyRegistry()
    {
        g_Renderer.ClearTextures();
        g_Renderer.FreeTexturePaths();
        g_Renderer.FreeTextureSubstitutes();
    }

    // A 2 x 2 TGA of one colour.
    void WriteTga(const std::string& path, DWORD argb, unsigned edge = 2)
    {
        dir.Write(path, TgaFile(edge, edge, std::vector<DWORD>(edge * edge, argb), true));
    }

    // A DDS of one colour per level with its whole chain.
    void WriteDdsChain(const std::string& path, unsigned edge, const std::vector<DWORD>& levelColours)
    {
        std::string payload;
        unsigned e = edge;
        for (DWORD colour : levelColours)
        {
            payload += SolidArgbLevel(e, e, colour);
            e = e > 1 ? e / 2 : 1;
        }
        dir.Write(path, DdsFile(D3DFMT_A8R8G8B8, edge, edge, unsigned(levelColours.size()), false, payload));
    }

    TempDir dir;
    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
