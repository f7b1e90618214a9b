// Device loss through the main loop: no frame and no input while lost, the
// release and recreate orders, the saved fog colour, a reset that keeps
// failing while something still holds a default-pool object.
#include "device_fixture.h"

#include "platform/win32/EventScript.h"
#include "support/TestWindow.h"

using namespace devicetest;

namespace
{
const std::vector<std::string> kLoseFocus = {"EMouse::SaveState", "EFocusMgr::SaveFogColor",
                                             "EEngine::ReleaseMouse", "EEngine::UnacquireInput",
                                             "EEffectMgr::OnLostDevice"};

// After the Reset, with the menu open or not.
std::vector<std::string> AfterReset(bool menuOpen)
{
    std::vector<std::string> steps = {"EEngine::CreateMouse", "EMouse::RestoreState",
                                      "CCommandMgr::RefreshKeyboard"};
    if (menuOpen)
        steps.push_back("CMenu::OnResetDevice");
    for (const char* step : {"D3DMain::SetDefaultRenderStates", "IDirect3DDevice9::GetRenderTarget",
                             "ECamera::SetGamma", "ECamera::UpdateProjection"})
        steps.push_back(step);
    return steps;
}

const std::vector<std::string> kRelease = {
    "CShadowCubeMaps::OnLostDevice",       "ESkyShadow::OnLostDevice", "EPostProcess::OnDeviceLost",
    "PAutoMap::ReleaseDeviceObjectsThunk", "EFont::OnLostDevice",      "EFxMgr::OnLostDevice",
    "CAmbientProbe::OnLostDevice",         "ETTFontMgr::OnLostDevice",
};

const std::vector<std::string> kRecreate = {
    "EEffectMgr::OnResetDevice",      "EFxMgr::OnResetDevice",
    "EFont::OnResetDevice",           "PAutoMap::CreateDeviceObjectsThunk",
    "CShadowCubeMaps::OnResetDevice", "ESkyShadow::OnResetDevice",
    "EPostProcess::Recreate",         "CAmbientProbe::OnResetDevice",
    "ETTFontMgr::OnResetDevice",
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<std::string> kGainFocus = Join(
    {kRelease, {"IDirect3DDevice9::Reset"}, AfterReset(false), kRecreate, {"EFocusMgr::RestoreFogColor"}});

// A second window that counts what reaches it: messages flow while the
// game's own window hands everything to the default procedure.
int g_counted = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP + 7)
        ++g_counted;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

DWORD RenderState(D3DRENDERSTATETYPE state)
{
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(g_pD3DInterface->GetRenderState(state, &value), D3D_OK);
    return value;
}

class FocusTest : public DeviceShellTest
{
protected:
    void SetUp() override
    {
        DeviceShellTest::SetUp();
        m_counter = OpenWindow("FocusTestCounter", CountingProc, 8, 8, WS_POPUP, "");
        ASSERT_NE(m_counter, nullptr);
        g_counted = 0;
    }

    UINT Presents() const { return TkD3D9GetPresentCount(g_pD3DInterface); }

    // Posts one message to the counting window and runs the passes of one frame.
    void PostAndRunFrame()
    {
        ASSERT_TRUE(PostMessageA(m_counter, WM_APP + 7, 0, 0));
        RunFrames(1);
    }

    HWND m_counter = nullptr;
};

TEST_F(FocusTest, NoFrameAndNoInputWhileTheDeviceIsLost)
{
    StartRunning();
    TkLoadScriptText("frame 5: device lost\nframe 9: device restored\n", "focus test");

    struct FrameSeen
    {
        DWORD engineFrame;
        UINT presents;
        size_t polls;
    };
    std::vector<FrameSeen> seen;
    for (int frame = 1; frame <= 12; ++frame)
    {
        // The 10 ms input timer keeps coming whatever the device does.
        ASSERT_TRUE(PostMessageA(g_hWnd, WM_TIMER, 1, 0));
        RunFrames(1);
        size_t polls = 0;
        for (const auto& call : Calls())
            polls += call == "EMouse::Poll";
        seen.push_back({g_Engine.m_iFrame, Presents(), polls});
    }
    // Frames 1 to 4 run; the loss at 5 stops them; the restore at 9 resets
    // (that pass runs no frame either); from 10 on they run again.
    for (int frame = 2; frame <= 12; ++frame)
    {
        const FrameSeen& now = seen[frame - 1];
        const FrameSeen& before = seen[frame - 2];
        const bool runs = frame < 5 || frame >= 10;
        SCOPED_TRACE("frame " + std::to_string(frame));
        EXPECT_EQ(now.engineFrame - before.engineFrame, runs ? 1u : 0u);
        EXPECT_EQ(now.presents - before.presents, runs ? 1u : 0u);
        // The timer of a pass is handled before that pass's focus check.
        const bool polled = frame <= 5 || frame >= 10;
        EXPECT_EQ(now.polls - before.polls, polled ? 1u : 0u);
    }
    const auto log = Log();
    EXPECT_EQ(Count(log, "Probuje FocusMgr::GainFocus"), 1);
    EXPECT_TRUE(Contains(log, "g_pD3DInterface->Reset(&g_d3dpp) succeeded!"));
    EXPECT_TRUE(Contains(log, "hr==D3DERR_DEVICENOTRESET, trying to gain focus"));
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 1);
}

TEST_F(FocusTest, LossAndResetCallTheManagersInTheirOrders)
{
    StartRunning();
    RunFrames(2);
    TkD3D9LoseDevices();
    RunFrames(1);
    EXPECT_EQ(Calls(), kLoseFocus);
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 0);
    RunFrames(3); // still lost: nothing more
    EXPECT_EQ(Calls(), kLoseFocus);

    TkD3D9RestoreDevices();
    RunFrames(1);
    EXPECT_EQ(Calls(), Join({kLoseFocus, kGainFocus}));
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 1);
    const auto log = Log();
    const int trying = IndexOf(log, "Probuje FocusMgr::GainFocus");
    ASSERT_GE(trying, 0);
    EXPECT_EQ(IndexOf(log, "g_pD3DInterface->Reset(&g_d3dpp) succeeded!"), trying + 1);
    EXPECT_EQ(IndexOf(log, "Focus gained"), trying + 2);
}

TEST_F(FocusTest, OpenConsoleKeepsTheKeyboardAndOpenMenuRecreatesItsObjects)
{
    StartRunning();
    g_Console.m_bOpen = 1;
    g_Menu.m_bMenuActive = 1;
    TkD3D9LoseDevices();
    RunFrames(1);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"EMouse::SaveState", "EFocusMgr::SaveFogColor",
                                                 "EEngine::ReleaseMouse", "EEffectMgr::OnLostDevice"}));
    TkRecordDeviceCalls(true);
    TkD3D9RestoreDevices();
    RunFrames(1);
    EXPECT_EQ(Calls(), Join({kRelease,
                             {"IDirect3DDevice9::Reset"},
                             AfterReset(true),
                             kRecreate,
                             {"EFocusMgr::RestoreFogColor"}}));
}

TEST_F(FocusTest, TheFogColourSavedAtTheLossIsRestored)
{
    StartRunning();
    Env.SetFogColor(0x00336699);
    RunFrames(1);
    TkD3D9LoseDevices();
    RunFrames(1);
    // Something changes the fog while the device is away.
    Env.SetFogColor(0);
    TkD3D9RestoreDevices();
    RunFrames(1);
    ASSERT_EQ(g_FocusMgr.m_bOnFocus, 1);
    EXPECT_EQ(Env.m_dwFogColor, 0x00336699u);
    EXPECT_EQ(g_Camera.m_dwFogColor, 0x00336699u);
    float red = 0.0f;
    ASSERT_TRUE(g_Console.GetVariable("FogR", &red));
    EXPECT_EQ(red, 51.0f);
}

// Lost and restored between two checks: the loss is never seen as lost, yet
// the effects must let go first and the fog colour must be the one of now.
TEST_F(FocusTest, ALossMissedBetweenTwoPassesIsStillReleasedFirst)
{
    StartRunning();
    Env.SetFogColor(0x00112233);
    RunFrames(1);
    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    RunFrames(1);
    EXPECT_EQ(Calls(), Join({kLoseFocus, kGainFocus}));
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 1);
    EXPECT_EQ(Env.m_dwFogColor, 0x00112233u);
}

TEST_F(FocusTest, AHeldDefaultPoolTextureKeepsTheLoopWaitingUntilReleased)
{
    StartRunning();
    IDirect3DTexture9* held = nullptr;
    ASSERT_EQ(g_pD3DInterface->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                             D3DPOOL_DEFAULT, &held, nullptr),
              D3D_OK);
    RunFrames(1);
    TkD3D9LoseDevices();
    RunFrames(1);
    TkD3D9RestoreDevices();

    const DWORD frames = g_Engine.m_iFrame;
    const UINT presents = Presents();
    for (int i = 0; i < 4; ++i)
        PostAndRunFrame();
    EXPECT_EQ(g_counted, 4); // messages keep flowing
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 0);
    EXPECT_EQ(g_Engine.m_iFrame, frames);
    EXPECT_EQ(Presents(), presents);
    EXPECT_EQ(TkD3D9GetDeviceState(g_pD3DInterface), TkDeviceState::NotReset);
    auto log = Log();
    EXPECT_EQ(Count(log, "Probuje FocusMgr::GainFocus"), 4);
    EXPECT_EQ(Count(log, "Reset failed!"), 4);
    EXPECT_EQ(Count(log, "Invalid call!"), 4);
    const int failed = IndexOf(log, "Reset failed!");
    EXPECT_EQ(log[failed + 1], "Invalid call!");
    EXPECT_FALSE(Contains(log, "Focus gained"));

    held->Release();
    RunFrames(1);
    log = Log();
    EXPECT_EQ(Count(log, "Focus gained"), 1);
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 1);
    RunFrames(1);
    EXPECT_EQ(g_Engine.m_iFrame, frames + 1);
    EXPECT_EQ(Presents(), presents + 1);
}

TEST_F(FocusTest, UsableDeviceWhileUnfocusedGetsAFullReset)
{
    StartRunning();
    g_FocusMgr.m_bOnFocus = 0;
    EXPECT_FALSE(g_FocusMgr.Check());
    const auto log = Log();
    const int warned = IndexOf(log, "*** TestCooperativeLevel()==D3D_OK, but m_bOnFocus==false!");
    ASSERT_GE(warned, 0);
    EXPECT_EQ(log[warned + 1], "Probuje FocusMgr::GainFocus");
    EXPECT_EQ(Calls(), kGainFocus);
    EXPECT_EQ(g_FocusMgr.m_bOnFocus, 1);
    EXPECT_TRUE(g_FocusMgr.Check());
}

TEST_F(FocusTest, WithoutADeviceNoFrameRuns)
{
    EXPECT_FALSE(g_FocusMgr.Check());
    g_FocusMgr.Activate();
    EXPECT_FALSE(g_FocusMgr.Check());
}

TEST_F(FocusTest, AfterTheResetTheDeviceIsSetUpAsCreated)
{
    g_Options.EnableAntialiasing = 1;
    StartRunning();
    const D3DPRESENT_PARAMETERS created = g_d3dpp;
    ASSERT_EQ(created.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);
    // Settings changed since: the gamma through the console, then straight
    // on the camera; the fill mode option switched off after the console set it.
    g_Console.ApplySetting("Gamma", "2.5", 0);
    g_Camera.SetGamma(1.7f);
    g_Console.ApplySetting("WireFrame", "1", 0);
    g_Options.WireFrame = 0;
    const DWORD projections = g_Camera.m_iProjectionUpdates;

    TkD3D9LoseDevices();
    RunFrames(1);
    TkD3D9RestoreDevices();
    RunFrames(1);
    ASSERT_EQ(g_FocusMgr.m_bOnFocus, 1);

    EXPECT_EQ(g_d3dpp.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);
    EXPECT_EQ(g_d3dpp.AutoDepthStencilFormat, created.AutoDepthStencilFormat);
    ASSERT_NE(g_pBackBuffer, nullptr);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(g_pD3DInterface->GetRenderTarget(0, &target), D3D_OK);
    EXPECT_EQ(target, g_pBackBuffer);
    target->Release();
    D3DSURFACE_DESC desc = {};
    g_pBackBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);

    // Reset put the device's states back to its defaults; ours are set again.
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_LINEAR));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    // The console variables are not applied again: gamma and fill mode keep
    // what they were set to last.
    EXPECT_FLOAT_EQ(g_Camera.GetGamma(), 1.7f);
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));
    EXPECT_GT(g_Camera.m_iProjectionUpdates, projections);
}

// Closing the window ends the program even while the device is lost.
TEST_F(FocusTest, ClosingTheWindowWhileLostEndsTheLoop)
{
    StartRunning();
    TkD3D9LoseDevices();
    RunFrames(1);
    ASSERT_EQ(g_FocusMgr.m_bOnFocus, 0);
    ASSERT_TRUE(DestroyWindow(g_hWnd));
    MSG msg = {};
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i)
        ended = !RunLoopPass(msg);
    EXPECT_TRUE(ended);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(g_bQuitting, 1);
    EXPECT_EQ(g_pD3DInterface, nullptr); // shut down on the way out
}
} // namespace

namespace
{
// Closing the window before the device exists (the launcher is still up)
// ends the program too, without shutting down an engine that never started:
// the Direct3D object stays for start-up to let go on its short way out.
TEST_F(FocusTest, ClosingTheWindowBeforeTheDeviceExistsQuitsWithoutAShutdown)
{
    g_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(g_pD3D, nullptr);
    ASSERT_EQ(g_D3DMain.m_bDeviceReady, 0);
    ASSERT_TRUE(DestroyWindow(g_hWnd));
    EXPECT_EQ(g_bQuitting, 1);
    EXPECT_NE(g_pD3D, nullptr) << "the start-up's Direct3D object was released by a shutdown";
    MSG msg = {};
    bool quit = false;
    while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}
} // namespace
