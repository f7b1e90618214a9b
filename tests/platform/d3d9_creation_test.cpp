// Device creation with the headless controls a caller's fall-backs need.
#include "d3d9_fixture.h"

#include "platform/win32/Win32.h"

#include <utility>

using namespace d3d9test;

class CreationTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartHeadlessD3D(&d3d)); }
    void TearDown() override
    {
        IDirect3DDevice9* none = nullptr;
        ReleaseHeadlessDevice(d3d, none);
    }

    HRESULT Create(DWORD flags, IDirect3DDevice9** device, D3DPRESENT_PARAMETERS pp = WindowedParams())
    {
        return d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), flags, &pp, device);
    }

    IDirect3D9* d3d = nullptr;
};

TEST_F(CreationTest, WrongSdkVersionGivesNoObject)
{
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
}

TEST_F(CreationTest, InjectedFailuresComeFirstThenCreationWorks)
{
    TkD3D9FailCreateDevice(3);
    IDirect3DDevice9* device = nullptr;
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        EXPECT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device), D3DERR_NOTAVAILABLE);
        EXPECT_EQ(device, nullptr);
    }
    ASSERT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
}

TEST_F(CreationTest, WithoutHardwareVertexProcessingOnlySoftwareCreates)
{
    TkD3D9SetHardwareVertexProcessing(false);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(Create(D3DCREATE_MIXED_VERTEXPROCESSING, &device), D3DERR_NOTAVAILABLE);
    ASSERT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING, &device), D3D_OK);
    D3DCAPS9 caps = {};
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_EQ(device->Release(), 0u);
}

TEST_F(CreationTest, CreationChecksItsArguments)
{
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(Create(0, &device), D3DERR_INVALIDCALL); // no vertex processing named
    EXPECT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING, &device),
              D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS pp = WindowedParams();
    EXPECT_EQ(
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
        D3DERR_INVALIDCALL); // no window at all
    EXPECT_EQ(
        d3d->CreateDevice(1, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(
        d3d->CreateDevice(0, D3DDEVTYPE_REF, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
        D3DERR_NOTAVAILABLE);
    pp = WindowedParams();
    pp.BackBufferFormat = D3DFMT_R32F;
    EXPECT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device, pp), D3DERR_INVALIDCALL);
    pp = WindowedParams();
    pp.Windowed = FALSE;
    pp.BackBufferWidth = 123; // not a display mode
    EXPECT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device, pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
}

TEST_F(CreationTest, ZeroSizesAndCountAreFilledIn)
{
    D3DPRESENT_PARAMETERS pp = WindowedParams(0, 0);
    pp.BackBufferCount = 0;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
        D3D_OK);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_GT(pp.BackBufferWidth, 0u);
    EXPECT_GT(pp.BackBufferHeight, 0u);
    EXPECT_EQ(device->Release(), 0u);
}

TEST_F(CreationTest, ShaderVersionsReachTheCaps)
{
    TkD3D9SetShaderVersions(D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0));
    D3DCAPS9 caps = {};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(D3DSHADER_VERSION_MAJOR(caps.PixelShaderVersion), 2u);
    EXPECT_LT(caps.PixelShaderVersion, D3DPS_VERSION(3, 0));
    EXPECT_EQ(caps.NumSimultaneousRTs, 4u);
}

// The depth-stencil search of the device set-up: each format checked as a
// depth surface and against the X8R8G8B8 target.
TEST_F(CreationTest, DepthFormatSupportFollowsTheControls)
{
    struct Case
    {
        D3DFORMAT format;
        bool supported;
    };
    const Case defaults[] = {{D3DFMT_D16, true},      {D3DFMT_D24S8, true},    {D3DFMT_D24X8, true},
                             {D3DFMT_D32, true},      {D3DFMT_D24X4S4, false}, {D3DFMT_D15S1, false},
                             {D3DFMT_A8R8G8B8, false}};
    for (const Case& c : defaults)
    {
        const HRESULT format = d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                      D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, c.format);
        const HRESULT match =
            d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, c.format);
        EXPECT_EQ(format, c.supported ? D3D_OK : D3DERR_NOTAVAILABLE) << c.format;
        EXPECT_EQ(match, c.supported ? D3D_OK : D3DERR_NOTAVAILABLE) << c.format;
    }
    TkD3D9SetDepthFormatSupported(D3DFMT_D24S8, false);
    TkD3D9SetDepthFormatSupported(D3DFMT_D24X4S4, true);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, D3DFMT_D24S8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(
        d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D24X4S4),
        D3D_OK);
    // A device cannot be created on a depth format the adapter lacks.
    D3DPRESENT_PARAMETERS pp = WindowedParams();
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device, pp), D3DERR_INVALIDCALL);
}

TEST_F(CreationTest, MultisampleSupportFollowsTheControls)
{
    DWORD quality = 0;
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_4_SAMPLES, &quality),
              D3D_OK);
    EXPECT_EQ(quality, 1u);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_8_SAMPLES, &quality),
              D3DERR_NOTAVAILABLE);
    TkD3D9SetMultiSampleSupported(D3DMULTISAMPLE_4_SAMPLES, false);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_4_SAMPLES, nullptr),
              D3DERR_NOTAVAILABLE);
    D3DPRESENT_PARAMETERS pp = WindowedParams();
    pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device, pp), D3DERR_INVALIDCALL);
    pp.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    ASSERT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING, &device, pp), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
}

TEST_F(CreationTest, AdapterModesAreAscendingAndEnumerable)
{
    const UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GT(count, 3u);
    D3DDISPLAYMODE previous = {};
    for (UINT i = 0; i < count; ++i)
    {
        D3DDISPLAYMODE mode = {};
        ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode), D3D_OK);
        EXPECT_TRUE(mode.Width > previous.Width ||
                    (mode.Width == previous.Width && mode.Height > previous.Height));
        previous = mode;
    }
    D3DDISPLAYMODE mode;
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A16B16G16R16F), 0u);
    D3DADAPTER_IDENTIFIER9 id;
    ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_GT(std::strlen(id.Description), 0u);
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
}

namespace
{
// The device's window takes the device's mode: full screen at the chosen size
// (the game opens it 1 x 1 for that), windowed at the back buffer's size; a
// size the display lacks is refused and leaves the window as it was.
TEST_F(CreationTest, TheDeviceWindowTakesTheSizeAndModeOfTheDevice)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FitTest";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND window =
        CreateWindowExA(0, "FitTest", "fit", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    auto clientSize = [&]
    {
        RECT r = {};
        GetClientRect(window, &r);
        return std::make_pair(static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    };

    D3DPRESENT_PARAMETERS pp = WindowedParams(1000, 700);
    pp.Windowed = FALSE;
    pp.FullScreen_RefreshRateInHz = 0;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(clientSize(), std::make_pair(1L, 1L));

    pp = WindowedParams(1024, 768);
    pp.Windowed = FALSE;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    EXPECT_EQ(clientSize(), std::make_pair(1024L, 768L));

    D3DPRESENT_PARAMETERS windowed = WindowedParams(640, 480);
    ASSERT_EQ(device->Reset(&windowed), D3D_OK);
    EXPECT_EQ(clientSize(), std::make_pair(640L, 480L));
    D3DPRESENT_PARAMETERS missing = WindowedParams(1000, 700);
    missing.Windowed = FALSE;
    EXPECT_EQ(device->Reset(&missing), D3DERR_INVALIDCALL);
    EXPECT_EQ(clientSize(), std::make_pair(640L, 480L));

    EXPECT_EQ(device->Release(), 0u);
    DestroyWindow(window);
    UnregisterClassA("FitTest", nullptr);
}
} // namespace
