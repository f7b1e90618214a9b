// Device loss and Reset as callers may rely on them.
#include "d3d9_fixture.h"

#include "platform/win32/EventScript.h"

using namespace d3d9test;

TEST_F(DeviceTest, LossAndRestoreWalkTheCooperativeLevels)
{
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    TkD3D9LoseDevices();
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // Reset cannot help while the cause lasts.
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
    TkD3D9RestoreDevices();
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(TkD3D9GetPresentCount(device), 0u);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(TkD3D9GetPresentCount(device), 1u);
}

TEST_F(DeviceTest, EventScriptVerbsLoseAndRestoreTheDevice)
{
    ASSERT_TRUE(TkRunScriptAction("device lost", ""));
    EXPECT_EQ(TkD3D9GetDeviceState(device), TkDeviceState::Lost);
    ASSERT_TRUE(TkRunScriptAction("device restored", ""));
    EXPECT_EQ(TkD3D9GetDeviceState(device), TkDeviceState::NotReset);
    EXPECT_FALSE(TkRunScriptAction("device lost", "now please"));
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
}

TEST_F(DeviceTest, ResetIsRefusedWhileADefaultPoolTextureLives)
{
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                    &target, nullptr),
              D3D_OK);
    TkD3D9SetObjectName(target, "HDRTex");
    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    const auto live = TkD3D9GetLiveDefaultPoolObjects(device);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_NE(live[0].find("HDRTex"), std::string::npos);
    // Bound but released by the game: no longer in the way.
    ASSERT_EQ(device->SetTexture(3, target), D3D_OK);
    EXPECT_EQ(target->Release(), 0u);
    EXPECT_TRUE(TkD3D9GetLiveDefaultPoolObjects(device).empty());
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
    IDirect3DBaseTexture9* bound = nullptr;
    ASSERT_EQ(device->GetTexture(3, &bound), D3D_OK);
    EXPECT_EQ(bound, nullptr); // Reset unbinds textures
}

TEST_F(DeviceTest, ResetIsRefusedWhileTheBackBufferIsHeld)
{
    IDirect3DSurface9* back = BackBuffer();
    IDirect3DSurface9* target0 = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &target0), D3D_OK);
    EXPECT_EQ(target0, back);
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    back->Release();
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL); // one reference left
    target0->Release();
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    depth->Release();
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(DeviceTest, ExternalHoldersBlockResetUntilTheyLetGo)
{
    int font = 0;
    TkD3D9HoldDefaultPoolObject(device, &font, "font glyph target");
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    TkD3D9ReleaseDefaultPoolObject(device, &font);
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
}

TEST_F(DeviceTest, ManagedAndSystemMemoryResourcesSurviveReset)
{
    IDirect3DTexture9* managed = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    IDirect3DSurface9* system = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system, nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(managed->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<DWORD*>(locked.pBits)[5] = 0x12345678;
    managed->UnlockRect(0);

    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    D3DPRESENT_PARAMETERS pp = params;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);

    ASSERT_EQ(managed->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<DWORD*>(locked.pBits)[5], 0x12345678u);
    managed->UnlockRect(0);
    managed->Release();
    system->Release();
}

TEST_F(DeviceTest, ResetRestoresDefaultStatesAndViewport)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(7, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    const D3DVIEWPORT9 small = {4, 4, 8, 8, 0.25f, 0.5f};
    ASSERT_EQ(device->SetViewport(&small), D3D_OK);

    // The new parameters: a larger back buffer without depth surface.
    D3DPRESENT_PARAMETERS pp = WindowedParams(100, 80);
    pp.EnableAutoDepthStencil = FALSE;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);

    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CCW));
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, DWORD(TRUE));
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_FALSE)); // no automatic depth surface now
    device->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_POINT));
    device->GetSamplerState(7, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, DWORD(D3DTOP_DISABLE));

    D3DVIEWPORT9 viewport = {};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.X, 0u);
    EXPECT_EQ(viewport.Width, 100u);
    EXPECT_EQ(viewport.Height, 80u);
    EXPECT_EQ(viewport.MaxZ, 1.0f);
    IDirect3DSurface9* back = BackBuffer();
    D3DSURFACE_DESC desc = {};
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 100u);
    back->Release();
    IDirect3DSurface9* depth = nullptr;
    EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
}

TEST_F(DeviceTest, FailedResetLeavesTheDeviceWaitingForAGoodOne)
{
    D3DPRESENT_PARAMETERS bad = params;
    bad.AutoDepthStencilFormat = D3DFMT_D15S1; // not supported by default
    EXPECT_EQ(device->Reset(&bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS good = params;
    good.AutoDepthStencilFormat = D3DFMT_D16;
    EXPECT_EQ(device->Reset(&good), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(DeviceTest, SwapChainSurfacesKeepTheDeviceAlive)
{
    IDirect3DSurface9* back = BackBuffer();
    EXPECT_EQ(device->Release(), 0u);
    // The device lives on for its back buffer; the surface still reads.
    D3DSURFACE_DESC desc = {};
    EXPECT_EQ(back->GetDesc(&desc), D3D_OK);
    IDirect3DDevice9* again = nullptr;
    ASSERT_EQ(back->GetDevice(&again), D3D_OK);
    // Taken up again, the device draws into its back buffer as before.
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(again->GetRenderTarget(0, &target), D3D_OK);
    EXPECT_EQ(target, back);
    target->Release();
    const D3DVIEWPORT9 viewport = {1, 1, 8, 8, 0.0f, 1.0f};
    EXPECT_EQ(again->SetViewport(&viewport), D3D_OK);
    EXPECT_EQ(again->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 9, 0), 1.0f, 0),
              D3D_OK);
    D3DCOLOR pixel = 0;
    ASSERT_TRUE(TkD3D9ReadPixel(back, 2, 2, &pixel));
    EXPECT_EQ(pixel, D3DCOLOR_XRGB(0, 9, 0));
    back->Release();
    device = again; // the fixture releases it
}

namespace
{
// A frame drawn from default-pool resources (a dynamic texture, a render
// target texture, vertex and index buffers) and one managed texture: the
// dynamic texture is drawn into the target, then the target and the managed
// texture side by side into the back buffer.
class LossScene
{
public:
    static constexpr UINT kTexels = 4;
    static constexpr UINT kTarget = 16;

    explicit LossScene(IDirect3DDevice9* device) : m_device(device) {}

    void CreateDefaultPool()
    {
        ASSERT_EQ(m_device->CreateTexture(kTexels, kTexels, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                          D3DPOOL_DEFAULT, &dynamic, nullptr),
                  D3D_OK);
        Fill(dynamic, [](UINT x, UINT y) { return D3DCOLOR_ARGB(255, x * 60, y * 60, 100); });
        ASSERT_EQ(m_device->CreateTexture(kTarget, kTarget, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                          D3DPOOL_DEFAULT, &target, nullptr),
                  D3D_OK);
        // Quads of 4 vertices (upper left, upper right, lower right, lower
        // left): the target's whole area, then two halves of the back buffer.
        const float s = float(kTarget), h = 32, w = 64;
        const Vertex2D v[] = {{0, 0, 0, 1, ~0u, 0, 0}, {s, 0, 0, 1, ~0u, 1, 0}, {s, s, 0, 1, ~0u, 1, 1},
                              {0, s, 0, 1, ~0u, 0, 1}, {0, 0, 0, 1, ~0u, 0, 0}, {h, 0, 0, 1, ~0u, 1, 0},
                              {h, h, 0, 1, ~0u, 1, 1}, {0, h, 0, 1, ~0u, 0, 1}, {h, 0, 0, 1, ~0u, 0, 0},
                              {w, 0, 0, 1, ~0u, 1, 0}, {w, h, 0, 1, ~0u, 1, 1}, {h, h, 0, 1, ~0u, 0, 1}};
        ASSERT_EQ(m_device->CreateVertexBuffer(sizeof v, D3DUSAGE_WRITEONLY, kFvf2D, D3DPOOL_DEFAULT,
                                               &vertices, nullptr),
                  D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, v, sizeof v);
        vertices->Unlock();
        const WORD clockwise[] = {0, 1, 2, 0, 2, 3};
        ASSERT_EQ(m_device->CreateIndexBuffer(sizeof clockwise, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                              D3DPOOL_DEFAULT, &indices, nullptr),
                  D3D_OK);
        ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, clockwise, sizeof clockwise);
        indices->Unlock();
        TkD3D9SetObjectName(dynamic, "Dynamic");
        TkD3D9SetObjectName(target, "Target");
        TkD3D9SetObjectName(vertices, "Vertices");
        TkD3D9SetObjectName(indices, "Indices");
    }

    void CreateManaged()
    {
        ASSERT_EQ(m_device->CreateTexture(kTexels, kTexels, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed,
                                          nullptr),
                  D3D_OK);
        Fill(managed, [](UINT x, UINT y) { return D3DCOLOR_ARGB(255, 200, x * 50, y * 50); });
        TkD3D9SetObjectName(managed, "Managed");
    }

    // The back buffer's pixels after drawing the frame.
    std::vector<D3DCOLOR> Draw()
    {
        IDirect3DDevice9* d = m_device;
        IDirect3DSurface9* back = nullptr;
        IDirect3DSurface9* level = nullptr;
        d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        target->GetSurfaceLevel(0, &level);
        d->SetFVF(kFvf2D);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetStreamSource(0, vertices, 0, sizeof(Vertex2D));
        d->SetIndices(indices);
        d->BeginScene();
        d->SetRenderTarget(0, level);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        d->SetTexture(0, dynamic);
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
        d->SetRenderTarget(0, back);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0);
        d->SetTexture(0, target);
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);
        d->SetTexture(0, managed);
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 8, 0, 4, 0, 2), D3D_OK);
        d->EndScene();
        d->SetTexture(0, nullptr);
        d->SetStreamSource(0, nullptr, 0, 0);
        d->SetIndices(nullptr);
        std::vector<D3DCOLOR> pixels;
        D3DSURFACE_DESC desc = {};
        back->GetDesc(&desc);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
            {
                D3DCOLOR c = 0;
                EXPECT_TRUE(TkD3D9ReadPixel(back, x, y, &c));
                pixels.push_back(c);
            }
        level->Release();
        back->Release();
        return pixels;
    }

    void ReleaseDefaultPool()
    {
        for (IUnknown** object :
             {reinterpret_cast<IUnknown**>(&dynamic), reinterpret_cast<IUnknown**>(&target),
              reinterpret_cast<IUnknown**>(&vertices), reinterpret_cast<IUnknown**>(&indices)})
            if (*object)
            {
                (*object)->Release();
                *object = nullptr;
            }
    }

    void ReleaseManaged()
    {
        if (managed)
            managed->Release();
        managed = nullptr;
    }

    IDirect3DTexture9* dynamic = nullptr;
    IDirect3DTexture9* target = nullptr;
    IDirect3DTexture9* managed = nullptr;
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;

private:
    template <class Texel> static void Fill(IDirect3DTexture9* texture, Texel texel)
    {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < kTexels; ++y)
            for (UINT x = 0; x < kTexels; ++x)
            {
                const D3DCOLOR c = texel(x, y);
                std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
            }
        texture->UnlockRect(0);
    }

    IDirect3DDevice9* m_device;
};

bool Names(const std::vector<std::string>& held, const char* name)
{
    return std::any_of(held.begin(), held.end(),
                       [&](const std::string& d)
                       { return d.compare(0, std::strlen(name) + 1, std::string(name) + ":") == 0; });
}
} // namespace

TEST_F(DeviceTest, ALostDeviceDropsItsDefaultPoolObjectsAndTheRecreatedOnesDrawTheSamePixels)
{
    LossScene scene(device);
    ASSERT_NO_FATAL_FAILURE(scene.CreateManaged());
    ASSERT_NO_FATAL_FAILURE(scene.CreateDefaultPool());
    const std::vector<D3DCOLOR> before = scene.Draw();
    // The picture holds what was drawn: the dynamic texture through the
    // target on the left (each texel 8 x 8 pixels), the managed one on the right.
    ASSERT_EQ(before.size(), 64u * 48u);
    EXPECT_EQ(before[1 * 64 + 1], D3DCOLOR_XRGB(0, 0, 100));
    EXPECT_EQ(before[20 * 64 + 12], D3DCOLOR_XRGB(60, 120, 100));
    EXPECT_EQ(before[12 * 64 + 44], D3DCOLOR_XRGB(200, 50, 50));
    EXPECT_EQ(before[40 * 64 + 10], D3DCOLOR_XRGB(1, 2, 3));
    auto held = TkD3D9GetGlBackedObjects(device);
    for (const char* name : {"Dynamic", "Target", "Vertices", "Indices", "Managed"})
        EXPECT_TRUE(Names(held, name)) << name;

    TkD3D9LoseDevices();
    // Only the managed texture keeps an image; the lost ones refuse locks.
    held = TkD3D9GetGlBackedObjects(device);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_TRUE(Names(held, "Managed"));
    void* data = &data;
    EXPECT_EQ(scene.vertices->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(scene.indices->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(scene.dynamic->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT managedLock;
    EXPECT_EQ(scene.managed->LockRect(0, &managedLock, nullptr, D3DLOCK_READONLY), D3D_OK);
    scene.managed->UnlockRect(0);

    TkD3D9RestoreDevices();
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    scene.ReleaseDefaultPool();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_NO_FATAL_FAILURE(scene.CreateDefaultPool());
    EXPECT_EQ(scene.Draw(), before);
    scene.ReleaseDefaultPool();
    scene.ReleaseManaged();
}
