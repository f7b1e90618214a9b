// The per-frame draw log: what a test sees of each draw call and its state.
#include "d3d9_fixture.h"

using namespace d3d9test;

namespace
{
// The engine's 64-byte mesh vertex layout.
const D3DVERTEXELEMENT9 kMeshDecl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                       {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       {0, 28, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
                                       {0, 40, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BINORMAL, 0},
                                       {0, 52, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                       {0, 60, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 1},
                                       D3DDECL_END()};
} // namespace

class DrawLogTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ASSERT_EQ(device->CreateVertexDeclaration(kMeshDecl, &decl), D3D_OK);
        ASSERT_EQ(device->CreateVertexBuffer(64 * 8, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr),
                  D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(2 * 12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib,
                                            nullptr),
                  D3D_OK);
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
    }
    void TearDown() override
    {
        device->SetTexture(1, nullptr);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        device->SetVertexDeclaration(nullptr);
        texture->Release();
        ib->Release();
        vb->Release();
        decl->Release();
        DeviceTest::TearDown();
    }

    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DTexture9* texture = nullptr;
};

TEST_F(DrawLogTest, IndexedDrawIsRecordedWithItsState)
{
    D3DMATRIX world = {};
    world._11 = world._22 = world._33 = world._44 = 1.0f;
    world._41 = 5.0f;
    ASSERT_EQ(device->SetTransform(D3DTS_WORLD, &world), D3D_OK);
    ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, vb, 64, 64), D3D_OK);
    ASSERT_EQ(device->SetIndices(ib), D3D_OK);
    ASSERT_EQ(device->SetTexture(1, texture), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER), D3D_OK);
    ASSERT_EQ(device->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2), D3D_OK);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 6, 3, 3), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, 0, 2), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);

    const auto& log = TkD3D9GetDrawLog(device, TkFrame::Current);
    ASSERT_EQ(log.size(), 2u);
    const TkDrawRecord& draw = log[0];
    EXPECT_EQ(draw.call, TkDrawCall::IndexedPrimitive);
    EXPECT_EQ(draw.primitiveType, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draw.primitiveCount, 3u);
    EXPECT_EQ(draw.baseVertexIndex, 1);
    EXPECT_EQ(draw.numVertices, 6u);
    EXPECT_EQ(draw.startIndex, 3u);
    EXPECT_EQ(draw.declaration, decl);
    EXPECT_EQ(draw.fvf, 0u);
    EXPECT_EQ(draw.streams[0].buffer, vb);
    EXPECT_EQ(draw.streams[0].offset, 64u);
    EXPECT_EQ(draw.streams[0].stride, 64u);
    EXPECT_EQ(draw.indices, ib);
    EXPECT_EQ(draw.indexFormat, D3DFMT_INDEX16);
    EXPECT_EQ(draw.textures[0], nullptr);
    EXPECT_EQ(draw.textures[1], texture);
    EXPECT_EQ(draw.RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_GREATER));
    EXPECT_EQ(draw.SamplerState(1, D3DSAMP_MINFILTER), DWORD(D3DTEXF_ANISOTROPIC));
    EXPECT_EQ(draw.StageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG2));
    EXPECT_EQ(draw.world._41, 5.0f);
    EXPECT_EQ(draw.viewport.Width, 64u);
    IDirect3DSurface9* back = BackBuffer();
    EXPECT_EQ(draw.renderTargets[0], back);
    EXPECT_EQ(draw.renderTargets[1], nullptr);
    back->Release();
    // The second draw saw the state as it was then.
    EXPECT_EQ(log[1].RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_LESSEQUAL));
    EXPECT_EQ(log[1].call, TkDrawCall::Primitive);

    // Present moves the frame to "last" and starts an empty one.
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(TkD3D9GetDrawLog(device, TkFrame::Current).empty());
    EXPECT_EQ(TkD3D9GetDrawLog(device, TkFrame::Last).size(), 2u);
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Last), 2u);
}

TEST_F(DrawLogTest, DrawsOutsideASceneOrBeyondTheirBuffersAreRefused)
{
    ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, vb, 0, 64), D3D_OK);
    ASSERT_EQ(device->SetIndices(ib), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 1), D3DERR_INVALIDCALL); // 9 vertices of 8
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 8, 6, 3),
              D3DERR_INVALIDCALL); // 15 of 12 indices
    EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1), D3DERR_INVALIDCALL);
    // Counts whose vertex or index total wraps around 32 bits into a small one.
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 0xFFFFFFFFu), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x55555556u), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 8, 0, 0x55555556u), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLEFAN, 0, 0, 8, 0, 0xFFFFFFFEu), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 0u);
}

TEST_F(DrawLogTest, LostDeviceDrawsNothing)
{
    ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, vb, 0, 64), D3D_OK);
    TkD3D9LoseDevices();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 0u);
    TkD3D9RestoreDevices();
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetVertexDeclaration(nullptr);
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
}

TEST_F(DrawLogTest, PresentKeepsTheShownBackBuffer)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // Read before anything else is drawn, the back buffer still holds the frame.
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DCOLOR kept = 0;
    EXPECT_TRUE(TkD3D9ReadPixel(back, 7, 10, &kept));
    EXPECT_EQ(kept & 0xffffff, 0x010203u);
    back->Release();
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(9, 9, 9), 1.0f, 0), D3D_OK);
    TkSurfacePixels shown;
    ASSERT_TRUE(TkD3D9GetLastPresented(device, &shown));
    DWORD pixel;
    std::memcpy(&pixel, shown.bits + 10 * shown.pitch + 4 * 7, 4);
    EXPECT_EQ(pixel & 0xffffff, 0x010203u);
    EXPECT_EQ(TkD3D9GetPresentCount(device), 1u);
    const RECT rect = {0, 0, 1, 1};
    EXPECT_EQ(device->Present(&rect, nullptr, nullptr, nullptr),
              D3DERR_INVALIDCALL); // DISCARD takes no rectangles
}

TEST_F(DrawLogTest, GammaRampIsKept)
{
    D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(65535 - i * 257);
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
    D3DGAMMARAMP back = {};
    device->GetGammaRamp(0, &back);
    EXPECT_EQ(back.red[0], 65535);
    EXPECT_EQ(back.blue[255], 0);
}
