#pragma once
// Menu tests: a temporary data tree holding the bundled menu textures, the
// backdrop's figure and rifle and the hover sound, a headless 640 x 480 device
// as the game's device, the headless sound sink, and every manager global put
// back afterwards. The mouse is driven as the poll leaves it: a position in
// 0..pi on each axis and the left button's byte.

#include "support/BuildPaths.h"
#include "support/Globals.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/dsound/DSoundHeadless.h"
#include "render/Renderer.h"
#include "shell/CommandMgr.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "sound/SoundMgr.h"
#include "ui/Menu.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace menutest
{
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kFrame = 1.0f / 60.0f;
constexpr double kPi = 3.14159265358979323846;

class MenuTest : public ::testing::Test
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
        g_Options.sound = 1;
        g_Engine.m_bQuit = 0;
        g_Engine.m_fDeltaTime = kFrame;
        g_Engine.m_szNextWorld[0] = 0;
        for (const char* folder : {"textures/hud", "textures/misc", "textures/menu", "textures/demo",
                                   "models/postacie", "prefabs/bronie_static", "sounds/special"})
            CopyBundled(folder);
        EmptyRegistry();
        params = WindowedParams(kWidth, kHeight, D3DFMT_D24S8);
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        g_pD3DInterface = device;
        g_Renderer.ScanTextureDirectory();
        TkSetBackend(TkBackend::Headless);
        TkSoundResetHeadless();
        ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
        g_CommandMgr.SetDefaultKeys();
        g_Mouse.m_State = EMouseState();
        g_MainGame.m_iLevelFrame = 0;
    }

    void TearDown() override
    {
        g_Menu.Close();
        g_SaveMgr.ReleaseThumbnail(); // closing takes the save thumbnail
        g_Menu.ReleaseBackdrop();
        g_Menu.ClearItems();
        g_Menu.SetLoadRows(nullptr);
        static_cast<MenuState&>(g_Menu) = MenuState();
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_SoundMgr.Release();
        TkSoundResetHeadless();
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

    // One menu frame: the update, then the drawing in a scene.
    void Frame()
    {
        g_Menu.Update();
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_Menu.Render();
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    // The cursor to a pixel (the poll's position in radians).
    static void MoveTo(float x, float y)
    {
        g_Mouse.m_State.x = x / kWidth * kPi;
        g_Mouse.m_State.y = y / kHeight * kPi;
    }

    // The cursor over an item of the page.
    static void MoveToItem(DWORD id)
    {
        const strMenuItem* item = g_Menu.FindItem(id);
        ASSERT_NE(item, nullptr) << "item " << id;
        MoveTo(item->x + 12.0f, item->y + 6.0f);
    }

    static void Button(bool down)
    {
        g_Mouse.m_State.buttons[0] = down ? 1 : 0;
        g_CommandMgr.m_bKeyState[CCommandMgr::MOUSE_BUTTON_CODE] = down ? 1 : 0;
    }

    // Press and release over an item, a frame each.
    void Click(DWORD id)
    {
        MoveToItem(id);
        Button(true);
        Frame();
        Button(false);
        Frame();
    }

    // Opens the start menu and lets the requested page be built.
    void OpenAtStart(int page = CMenu::PAGE_MAIN)
    {
        g_Menu.Open(1, page);
        Frame();
    }

    // Runs frames until the requested page has been built.
    void Settle()
    {
        for (int i = 0; i < 3 && g_Menu.m_iRequestedPage >= 0; ++i)
            Frame();
        // A frame with the button up, as between a player's clicks.
        Frame();
    }

    // The sounds of the hover sound now in the sound manager's list.
    static int HoverSounds()
    {
        int n = 0;
        for (strSound* s = g_SoundMgr.m_pSounds; s; s = s->pNext)
            if (std::strstr(s->szFileName, "menu.wav"))
                ++n;
        return n;
    }

    std::unique_ptr<GlobalsSnapshot> globals;
    TempDir dir;
    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
} // namespace menutest
