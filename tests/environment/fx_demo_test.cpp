// The bundled demo world, run in-process on the headless window, clock and
// device over a copy of the data tree: its objects start their fire and
// chimney smoke, an effect sits on a crate's socket, and an explosion started
// through the pool is on screen at its peak and gone after its life.
#include "fx_fixture.h"

#include "characters/PostacMgr.h"
#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "shell/FocusMgr.h"
#include "shell/Input.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "ui/LoadingScreen.h"
#include "ui/Objective.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kGuard = 5000;
// Effects run from the level start at 201; the HUD's start-up fade from black
// is over at 301, so the pictures show the scene at full light.
constexpr DWORD kRunning = 305;
constexpr double kFrameMs = 20.0;
const D3DXVECTOR3 kBlast(-37.4f, 0.7f, -8.5f); // between the first two barrels

class DemoWorld : public ::testing::Test
{
protected:
    void SetUp() override
    {
        globals = std::make_unique<GlobalsSnapshot>();
        dir = std::make_unique<TempDir>();
        ResetHeadlessGame();
        CopyDataTree(dir->path());
        TkHeadlessSetFrameStepMs(kFrameMs);
        ASSERT_NE(OpenGameWindow("FxDemoTest", kWidth, kHeight), nullptr);
        g_bQuitting = 0;
        g_Input.Create();
        ASSERT_TRUE(CreateGameDevice());
        ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        // The frame without the post-processing target the renderer work brings.
        g_Options.PostProcessOff = 1;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\level01.w");
    }

    void TearDown() override
    {
        CloseInProcessGame();
        dir.reset();
        globals.reset();
    }

    // One pass of the main loop that runs a frame, the camera held where the test put it.
    void Pass()
    {
        // The hero's eye would take the camera: the test's view is the engine's
        // forced look from the start marker, moved to the eye.
        if (HOBJECT from = g_Engine.FindObject("game_start_point", 0))
        {
            g_Engine.SetObjectPosition(from, &eye, 0);
            if (g_Engine.m_pLookFrom != from)
                g_Engine.ForceCameraToLook(from, nullptr);
        }
        g_Camera.SetPosition(eye);
        g_Camera.SetOrientation(EOrientation(&look));
        const uint32_t end = TkFrameCount() + 1;
        for (int guard = 0; TkFrameCount() < end && guard < kGuard; ++guard)
            ASSERT_TRUE(RunLoopPass(msg));
    }
    void PassUntilLevelFrame(DWORD frame)
    {
        for (int guard = 0; g_MainGame.m_iLevelFrame < frame && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_MainGame.m_iLevelFrame, frame);
    }
    void Start()
    {
        g_MainGame.Init();
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_Engine.m_bWorldLoaded, 1);
        PassUntilLevelFrame(CMainGame::FRAME_LOADING_HOLD);
        LeaveLoadingScreen([this] { Pass(); }, kGuard);
        Pass();
        Pass();
        ASSERT_EQ(g_LoadingScreen.m_bActive, 0);
        PassUntilLevelFrame(kRunning);
        // The mission's first task opens the task box; the pictures look at the
        // effects, so it is closed before them.
        g_Objective.Clear();
    }
    // The next frame's back buffer as saved by the engine's screenshot.
    Bitmap Shot(const char* copyAs)
    {
        g_Engine.m_bScreenshot = 1;
        Pass();
        Bitmap bmp;
        std::filesystem::path newest;
        for (const auto& e : std::filesystem::directory_iterator(dir->path()))
            if (e.path().filename().string().rfind("tk_screen", 0) == 0 && e.path().extension() == ".bmp" &&
                (newest.empty() || e.path().filename() > newest.filename()))
                newest = e.path();
        EXPECT_FALSE(newest.empty());
        EXPECT_TRUE(bmp.Parse(dir->Read(newest.filename().string())));
        // Kept for a look when TK_SHOT_DIR names a folder.
        if (const char* keep = std::getenv("TK_SHOT_DIR"))
            std::filesystem::copy_file(newest, std::filesystem::path(keep) / copyAs,
                                       std::filesystem::copy_options::overwrite_existing);
        return bmp;
    }
    // Pixels of the picture that are fire-coloured: bright, red above blue.
    static int Fiery(const Bitmap& bmp)
    {
        int n = 0;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x)
            {
                const uint32_t c = bmp.Pixel(x, y);
                const int r = (c >> 16) & 0xFF, b = c & 0xFF;
                n += r > 180 && r > b + 60;
            }
        return n;
    }
    // Pixels of the picture that are grey and not dark: smoke over the black scene.
    static int Smoky(const Bitmap& bmp)
    {
        int n = 0;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x)
            {
                const uint32_t c = bmp.Pixel(x, y);
                const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
                n += r > 30 && std::abs(r - g) < 12 && std::abs(g - b) < 12;
            }
        return n;
    }
    static int Named(const char* name)
    {
        int n = 0;
        for (const EFxInstance& fx : FX.m_Fx)
            n += fx.m_bActive && std::strcmp(fx.m_szName, name) == 0;
        return n;
    }

    std::unique_ptr<GlobalsSnapshot> globals;
    std::unique_ptr<TempDir> dir;
    MSG msg = {};
    // The camera: on the yard, looking north and a little down.
    D3DXVECTOR3 eye = D3DXVECTOR3(kBlast.x, 4.0f, kBlast.z - 16.0f);
    D3DXVECTOR3 look = D3DXVECTOR3(0.0f, -0.2f, 1.0f);
};
} // namespace

TEST_F(DemoWorld, ObjectsStartTheirEffectsAndAnExplosionComesAndGoes)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    // The bundled definitions load without a complaint, and every child is found.
    EXPECT_EQ(ConsoleLog().find("FX definition "), std::string::npos);
    std::istringstream log(ConsoleLog());
    for (std::string line; std::getline(log, line);)
        EXPECT_FALSE(line.rfind("Effect ", 0) == 0 && line.find(" not found") != std::string::npos) << line;
    EXPECT_FALSE(std::filesystem::exists(dir->path() / "!fx_bugs.txt"));
    for (const EFxDef& d : FX.m_Defs)
        for (int k = 0; k < FX_CHILDREN; ++k)
        {
            EXPECT_TRUE(!d.AfterName[k][0] || d.AfterDef[k]) << d.Name << " " << d.AfterName[k];
            EXPECT_TRUE(!d.EveryName[k][0] || d.EveryDef[k]) << d.Name << " " << d.EveryName[k];
        }
    // The world's own effects: a burning barrel and two chimneys.
    HOBJECT barrel = g_Engine.FindObject("barrel_03", 0);
    ASSERT_NE(barrel, nullptr);
    ASSERT_NE(barrel->pFx, nullptr);
    EXPECT_EQ(barrel->pFx->m_bActive, 1);
    EXPECT_STREQ(barrel->pFx->m_szName, "e_ogien_beczka");
    EXPECT_EQ(barrel->pFx->m_bFire, 1);
    EXPECT_NE(barrel->pFx->m_pSound, nullptr); // its looping fire sound
    EXPECT_NEAR(barrel->pFx->m_vPos.y, barrel->vPosition.y + 1.5f, 1e-4f);
    EXPECT_EQ(Named("dym_komin"), 2);
    EXPECT_GT(Named("smoke_puff"), 0);

    // An effect on a crate's socket, one unit along the socket's forward axis.
    HOBJECT crate = g_Engine.FindObject("crate_01", 0);
    ASSERT_NE(crate, nullptr);
    EFxDef marker;
    marker.Type = FX_TYPE_NONE;
    marker.Life_Time = 5.0f;
    marker.Pos = D3DXVECTOR3(0, 0, 1);
    EFxInstance* onSocket = FX.CreateFx(&marker, crate, "top", 1);
    ASSERT_NE(onSocket, FX.Reserved());
    EXPECT_NEAR(onSocket->m_vPos.x, crate->vPosition.x + crate->Orientation.Forward.x, 1e-4f);
    EXPECT_NEAR(onSocket->m_vPos.y, crate->vPosition.y + 1.5f + crate->Orientation.Forward.y, 1e-4f);
    EXPECT_NEAR(onSocket->m_vPos.z, crate->vPosition.z + crate->Orientation.Forward.z, 1e-4f);

    const Bitmap before = Shot("fx_before.bmp");
    const int calm = Fiery(before);

    // The barrel's explosion comes with the damage work; here it is started by
    // hand. The characters are taken out of its way first: a partner it kills
    // fails the mission, and the screen leaves the world.
    PMgr.DeleteAllCharacters();
    EFxInstance* blast = FX.CreateFxByName("explosion", &kBlast, nullptr);
    ASSERT_NE(blast, nullptr);
    ASSERT_NE(blast, FX.Reserved());
    EXPECT_EQ(blast->m_iAfterCount, 5u);
    for (int i = 0; i < 8; ++i)
        Pass();
    EXPECT_EQ(Named("explosion_fireball"), 1);
    EXPECT_GT(Named("sparks"), 0);
    const Bitmap peak = Shot("fx_peak.bmp");
    EXPECT_GT(Fiery(peak), calm + 200);

    // Two seconds in, its smoke rises (alpha-blended grey).
    for (int i = 0; i < 100; ++i)
        Pass();
    EXPECT_GT(Named("smoke_big"), 10);
    const Bitmap smoke = Shot("fx_smoke.bmp");
    EXPECT_GT(Smoky(smoke), Smoky(before) + 200);

    // Fourteen seconds on, nothing of it is left, on screen or in the pool.
    for (int i = 0; i < 600; ++i)
        Pass();
    for (const char* name : {"explosion", "explosion_fireball", "explosion_flash", "explosion_smoke",
                             "sparks", "sparks_burst", "dust_puff", "explosion_dust"})
        EXPECT_EQ(Named(name), 0) << name;
    const Bitmap after = Shot("fx_after.bmp");
    EXPECT_LE(Fiery(after), calm + 20);

    // The burning barrel, seen from a few steps away: flames stand on it.
    eye = barrel->vPosition + D3DXVECTOR3(0.0f, 2.0f, -7.0f);
    look = D3DXVECTOR3(0.0f, -0.05f, 1.0f);
    Pass();
    const Bitmap fire = Shot("fx_fire.bmp");
    EXPECT_GT(Fiery(fire), 100);

    // Its sound stops while the camera is far away and starts again on the way back.
    eye = barrel->vPosition + D3DXVECTOR3(0.0f, 2.0f, -1500.0f);
    Pass();
    Pass();
    EXPECT_EQ(barrel->pFx->m_pSound, nullptr);
    EXPECT_EQ(barrel->pFx->m_bActive, 1);
    eye = barrel->vPosition + D3DXVECTOR3(0.0f, 2.0f, -7.0f);
    Pass();
    Pass();
    EXPECT_NE(barrel->pFx->m_pSound, nullptr);
}
