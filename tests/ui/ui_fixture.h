#pragma once
// HUD tests: a temporary data tree holding the bundled HUD textures, a
// headless 640 x 480 device as the game's device, the texture registry
// scanned from the tree, and every manager global put back afterwards. Frames
// draw the HUD alone and read the draw log: which textures were drawn, with
// which colours and where.

#include "support/BuildPaths.h"
#include "support/Globals.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "platform/d3d9/DeviceRecords.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "render/Font.h"
#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace uitest
{
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kFrame = 1.0f / 60.0f;

struct DrawnRect
{
    DWORD color = 0;
    float left = 0, top = 0, right = 0, bottom = 0;
};

class HudTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        globals = std::make_unique<GlobalsSnapshot>();
        g_Options = GameOptions{};
        g_Options.screenwidth = kWidth;
        g_Options.screenheight = kHeight;
        g_Options.fScreenScaleX = kWidth / 1024.0f;
        g_Options.fScreenScaleY = kHeight / 768.0f;
        g_Engine.m_bQuit = 0;
        g_Engine.m_fDeltaTime = kFrame;
        CopyBundled("textures/hud");
        CopyBundled("textures/misc");
        EmptyRegistry();
        params = WindowedParams(kWidth, kHeight, D3DFMT_D24S8);
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        g_pD3DInterface = device;
        g_Renderer.ScanTextureDirectory();
        g_Panel.Init();
        g_MainGame.m_iLevelFrame = 300;
    }

    void TearDown() override
    {
        g_Panel.Release();
        g_Objective.Release();
        EmptyRegistry();
        g_pD3DInterface = nullptr;
        ReleaseHeadlessDevice(d3d, device);
        globals.reset();
    }

    static void EmptyRegistry()
    {
        g_Renderer.ClearTextures();
        g_Renderer.FreeTexturePaths();
        g_Renderer.FreeTextureSubstitutes();
    }

    void CopyBundled(const std::string& folder)
    {
        const std::filesystem::path from = tk::test::DataDir() / folder;
        const std::filesystem::path to = dir.path() / folder;
        std::filesystem::create_directories(to);
        std::filesystem::copy(from, to,
                              std::filesystem::copy_options::overwrite_existing |
                                  std::filesystem::copy_options::recursive);
    }

    // One frame of the HUD alone, presented.
    void Frame()
    {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_Panel.Render();
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }

    IDirect3DBaseTexture9* TextureOf(const ERect& rect)
    {
        strtexture* t = g_Renderer.GetTexture(rect.m_iTexture);
        return t ? t->m_pTexture : nullptr;
    }

    // The rectangles drawn last frame with this rectangle's texture, as the
    // first vertex's colour and the vertices' bounds.
    std::vector<DrawnRect> Drawn(const ERect& rect)
    {
        std::vector<DrawnRect> out;
        IDirect3DBaseTexture9* texture = TextureOf(rect);
        if (!texture)
            return out;
        for (const TkDrawRecord& r : TkD3D9GetDrawLog(device, TkFrame::Last))
        {
            if (r.textures[0] != texture || r.primitiveType != D3DPT_TRIANGLELIST)
                continue;
            out.push_back(Bounds(r));
        }
        return out;
    }

    size_t Count(const ERect& rect) { return Drawn(rect).size(); }

    // The vertices of a drawn rectangle: read back from its buffer.
    DrawnRect Bounds(const TkDrawRecord& r)
    {
        DrawnRect d;
        IDirect3DVertexBuffer9* vb = r.streams[0].buffer;
        void* bits = nullptr;
        if (!vb || FAILED(vb->Lock(0, 0, &bits, D3DLOCK_READONLY)) || !bits)
            return d;
        float v[ERect::VERTEX_COUNT * 7];
        std::memcpy(v, static_cast<const char*>(bits) + r.startVertex * ERect::VERTEX_SIZE, sizeof v);
        vb->Unlock();
        d.left = d.right = v[0];
        d.top = d.bottom = v[1];
        std::memcpy(&d.color, &v[4], sizeof d.color);
        for (int i = 0; i < static_cast<int>(ERect::VERTEX_COUNT); ++i)
        {
            d.left = std::min(d.left, v[i * 7]);
            d.right = std::max(d.right, v[i * 7]);
            d.top = std::min(d.top, v[i * 7 + 1]);
            d.bottom = std::max(d.bottom, v[i * 7 + 1]);
        }
        return d;
    }

    std::unique_ptr<GlobalsSnapshot> globals;
    TempDir dir;
    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
} // namespace uitest
