// Screenshots: the back buffer goes to the first free "tk_screenNNNN.bmp" as
// a BMP any image viewer opens.
#include "world_fixture.h"

#include "platform/d3d9/D3D9.h"
#include "shell/D3DMain.h"
#include "support/Bitmap.h"
#include "support/HeadlessD3D.h"

#include <cstdint>
#include <string>

using namespace worldtest;

namespace
{
constexpr UINT WIDTH = 10; // 30 bytes of pixels, padded to 32 a row
constexpr UINT HEIGHT = 6;

class Screenshot : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        D3DPRESENT_PARAMETERS pp = WindowedParams(WIDTH, HEIGHT, D3DFMT_D16);
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(pp, &d3d, &device));
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        savedDevice = g_pD3DInterface;
        savedBack = g_pBackBuffer;
        g_pD3DInterface = device;
        g_pBackBuffer = back;

        // Dark blue everywhere, a red top-left pixel, a green bottom-right one.
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(10, 20, 200), 1.0f, 0);
        const D3DRECT topLeft = {0, 0, 1, 1};
        device->Clear(1, &topLeft, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.0f, 0);
        const D3DRECT bottomRight = {WIDTH - 1, HEIGHT - 1, WIDTH, HEIGHT};
        device->Clear(1, &bottomRight, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 1.0f, 0);
    }
    void TearDown() override
    {
        g_pD3DInterface = savedDevice;
        g_pBackBuffer = savedBack;
        if (back)
            back->Release();
        ReleaseHeadlessDevice(d3d, device);
        WorldTest::TearDown();
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DSurface9* back = nullptr;
    IDirect3DDevice9* savedDevice = nullptr;
    IDirect3DSurface9* savedBack = nullptr;
};
} // namespace

TEST_F(Screenshot, RequestsWriteNumberedBitmapsOfTheBackBuffer)
{
    g_Engine.m_bScreenshot = 1;
    g_Engine.SaveScreenshot();
    EXPECT_EQ(g_Engine.m_bScreenshot, 0);
    ASSERT_TRUE(temp->Exists("tk_screen0000.bmp"));
    EXPECT_FALSE(temp->Exists("tk_screen0000.txt"));
    g_Engine.SaveScreenshot();
    ASSERT_TRUE(temp->Exists("tk_screen0001.bmp"));
    EXPECT_FALSE(temp->Exists("tk_screen0002.bmp"));

    Bitmap bmp;
    ASSERT_TRUE(bmp.Parse(temp->Read("tk_screen0000.bmp")));
    const uint32_t rowBytes = 32;
    ASSERT_EQ(bmp.bytes.size(), 54u + rowBytes * HEIGHT);
    EXPECT_EQ(bmp.Stride(), rowBytes);
    EXPECT_EQ(bmp.fileSize, bmp.bytes.size());
    EXPECT_EQ(bmp.offset, 54u);
    EXPECT_EQ(bmp.infoSize, 40u);
    EXPECT_EQ(bmp.width, int32_t(WIDTH));
    EXPECT_EQ(bmp.height, int32_t(HEIGHT)); // positive: bottom-up rows
    EXPECT_EQ(bmp.planes, 1);
    EXPECT_EQ(bmp.bpp, 24);
    EXPECT_EQ(bmp.compression, 0u); // uncompressed
    EXPECT_EQ(bmp.imageSize, rowBytes * HEIGHT);

    EXPECT_EQ(bmp.Pixel(0, 0), 0xff0000u);
    EXPECT_EQ(bmp.Pixel(WIDTH - 1, HEIGHT - 1), 0x00ff00u);
    EXPECT_EQ(bmp.Pixel(4, 2), 0x0a14c8u);
    EXPECT_EQ(bmp.bytes.substr(54 + 30, 2), std::string(2, '\0')); // row padding
}

TEST_F(Screenshot, NothingIsWrittenWhenAThousandNamesAreTaken)
{
    for (int n = 0; n < 1000; ++n)
    {
        char name[32];
        std::snprintf(name, sizeof name, "tk_screen%04d.bmp", n);
        temp->Write(name, "");
    }
    g_Engine.SaveScreenshot();
    EXPECT_FALSE(temp->Exists("tk_screen1000.bmp"));
    EXPECT_EQ(temp->Read("tk_screen0999.bmp"), "");
}

TEST_F(Screenshot, NoDeviceNoScreenshot)
{
    g_pD3DInterface = nullptr;
    g_pBackBuffer = nullptr;
    g_Engine.SaveScreenshot();
    EXPECT_FALSE(temp->Exists("tk_screen0000.bmp"));
}

TEST_F(Screenshot, RenderSetsTheSceneStatesOnTheDevice)
{
    const BYTE savedInitialised = g_Engine.m_bInitialised;
    const BYTE savedWireFrame = g_Options.WireFrame;
    g_Engine.m_bInitialised = 1;
    for (BYTE wire : {BYTE(1), BYTE(0)})
    {
        g_Options.WireFrame = wire;
        device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
        device->SetRenderState(D3DRS_DEPTHBIAS, 5);
        g_Engine.Render();
        DWORD v = 0;
        device->GetRenderState(D3DRS_FILLMODE, &v);
        EXPECT_EQ(v, DWORD(wire ? D3DFILL_WIREFRAME : D3DFILL_SOLID));
        device->GetRenderState(D3DRS_ZENABLE, &v);
        EXPECT_EQ(v, DWORD(TRUE));
        device->GetRenderState(D3DRS_DITHERENABLE, &v);
        EXPECT_EQ(v, DWORD(FALSE));
        device->GetRenderState(D3DRS_NORMALIZENORMALS, &v);
        EXPECT_EQ(v, DWORD(TRUE));
        device->GetRenderState(D3DRS_DEPTHBIAS, &v);
        EXPECT_EQ(v, 0u);
    }
    g_Options.WireFrame = savedWireFrame;
    g_Engine.m_bInitialised = savedInitialised;
}
