// Resource creation, the format table, and the memory Lock hands out.
#include "d3d9_fixture.h"

#include "platform/d3d9/Formats.h"

using namespace d3d9test;

namespace
{
struct FormatCase
{
    D3DFORMAT format;
    UINT width;
    UINT height;
    INT pitch; // bytes between rows (rows of 4x4 blocks when compressed)
    UINT rows; // rows of the lock
};

// Sizes with odd widths catch pitch computed from the wrong size; DXT rows
// are rows of blocks, rounded up.
const FormatCase kFormatCases[] = {
    {D3DFMT_A8R8G8B8, 7, 3, 28, 3}, {D3DFMT_X8R8G8B8, 5, 2, 20, 2},
    {D3DFMT_R5G6B5, 9, 4, 18, 4},   {D3DFMT_A8, 13, 2, 13, 2},
    {D3DFMT_L8, 3, 3, 3, 3},        {D3DFMT_R32F, 6, 2, 24, 2},
    {D3DFMT_G16R16F, 6, 2, 24, 2},  {D3DFMT_A16B16G16R16F, 3, 5, 24, 5},
    {D3DFMT_DXT1, 10, 6, 24, 2},    {D3DFMT_DXT3, 8, 8, 32, 2},
    {D3DFMT_DXT5, 2, 2, 16, 1},
};
} // namespace

class FormatLock : public DeviceTest, public ::testing::WithParamInterface<FormatCase>
{
};

TEST_P(FormatLock, ManagedTextureLockGivesPitchAndWritableRows)
{
    const FormatCase& c = GetParam();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(c.width, c.height, 1, 0, c.format, D3DPOOL_MANAGED, &texture, nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, c.pitch);
    // Every byte of every row is the caller's to write (ASan catches overruns).
    for (UINT row = 0; row < c.rows; ++row)
        std::memset(static_cast<BYTE*>(locked.pBits) + size_t(row) * locked.Pitch, 0x5a, size_t(c.pitch));
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatLock, ::testing::ValuesIn(kFormatCases));

TEST(D3D9Formats, TableGivesSizesAndKinds)
{
    using namespace tk::d3d9;
    EXPECT_EQ(GetFormatInfo(D3DFMT_A8R8G8B8).bytes, 4u);
    EXPECT_EQ(GetFormatInfo(D3DFMT_A16B16G16R16F).bytes, 8u);
    EXPECT_EQ(GetFormatInfo(D3DFMT_D16).bytes, 2u);
    EXPECT_EQ(GetFormatInfo(D3DFMT_D24S8).stencilBits, 8u);
    EXPECT_EQ(GetFormatInfo(D3DFMT_D24X8).stencilBits, 0u);
    EXPECT_EQ(GetFormatInfo(D3DFMT_DXT1).kind, FormatKind::Compressed);
    // An unknown format is refused rather than guessed.
    EXPECT_EQ(GetFormatInfo(static_cast<D3DFORMAT>(999)).kind, FormatKind::Unknown);
    EXPECT_EQ(GetFormatInfo(static_cast<D3DFORMAT>(999)).bytes, 0u);
}

TEST(D3D9Formats, HalfFloatsRoundTrip)
{
    using namespace tk::d3d9;
    for (float v : {0.0f, 1.0f, -2.5f, 0.333f, 65504.0f, 6.1e-5f})
        EXPECT_NEAR(HalfToFloat(FloatToHalf(v)), v, std::abs(v) * 1e-3f + 1e-7f) << v;
    EXPECT_EQ(FloatToHalf(1.0f), 0x3c00);
    EXPECT_EQ(FloatToHalf(1e9f), 0x7c00); // overflow becomes infinity
}

TEST_F(DeviceTest, TextureMipChainHalvesDownToOne)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    const UINT widths[] = {16, 8, 4, 2, 1}, heights[] = {4, 2, 1, 1, 1};
    for (UINT level = 0; level < 5; ++level)
    {
        D3DSURFACE_DESC desc = {};
        ASSERT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, widths[level]);
        EXPECT_EQ(desc.Height, heights[level]);
    }
    D3DSURFACE_DESC desc;
    EXPECT_EQ(texture->GetLevelDesc(5, &desc), D3DERR_INVALIDCALL);
    // Asking for more levels than the chain has is refused.
    IDirect3DTexture9* tooDeep = nullptr;
    EXPECT_EQ(device->CreateTexture(16, 4, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tooDeep, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tooDeep, nullptr);
    texture->Release();
}

TEST_F(DeviceTest, LevelSurfacesShareTheTextureReferences)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    IDirect3DSurface9* level1 = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(1, &level1), D3D_OK);
    // The texture lives on through its surface.
    EXPECT_EQ(texture->Release(), 1u);
    D3DSURFACE_DESC desc = {};
    EXPECT_EQ(level1->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(level1->Release(), 0u);
}

TEST_F(DeviceTest, LockRulesFollowPoolAndUsage)
{
    IDirect3DTexture9* plain = nullptr;
    IDirect3DTexture9* dynamic = nullptr;
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &plain, nullptr), D3D_OK);
    ASSERT_EQ(
        device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &dynamic, nullptr),
        D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                                    nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(plain->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(target->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    // A second lock of a locked level, and an unlock of an unlocked one, are refused.
    EXPECT_EQ(dynamic->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->UnlockRect(0), D3D_OK);
    EXPECT_EQ(dynamic->UnlockRect(0), D3DERR_INVALIDCALL);
    // A sub-rectangle starts at its own corner.
    const RECT rect = {1, 2, 3, 4};
    ASSERT_EQ(dynamic->LockRect(0, &locked, &rect, 0), D3D_OK);
    D3DLOCKED_RECT whole;
    dynamic->UnlockRect(0);
    ASSERT_EQ(dynamic->LockRect(0, &whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits) - static_cast<BYTE*>(whole.pBits), 2 * 16 + 1 * 4);
    dynamic->UnlockRect(0);
    const RECT outside = {2, 2, 5, 3};
    EXPECT_EQ(dynamic->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    plain->Release();
    dynamic->Release();
    target->Release();
}

TEST_F(DeviceTest, CreationRefusesImpossibleCombinations)
{
    IDirect3DTexture9* texture = nullptr;
    // Render targets live in the default pool only.
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    &texture, nullptr),
              D3DERR_INVALIDCALL);
    // Dynamic managed textures do not exist.
    EXPECT_EQ(
        device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_INVALIDCALL);
    // Compressed formats cannot be render targets; zero sizes are refused.
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_DXT1, D3DPOOL_DEFAULT, &texture,
                                    nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &surface, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateDepthStencilSurface(4, 4, D3DFMT_D24X4S4, D3DMULTISAMPLE_NONE, 0, TRUE, &surface,
                                                nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer9* indices = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices, nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DVertexBuffer9* vertices = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(10, 0, kFvf2D, D3DPOOL_MANAGED, &vertices, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, RenderTargetSurfacesOfEveryTargetFormat)
{
    struct Case
    {
        D3DFORMAT format;
        bool multisampled; // 4 samples offered for it
    };
    const Case cases[] = {{D3DFMT_X8R8G8B8, true}, {D3DFMT_A8R8G8B8, true}, {D3DFMT_R5G6B5, true},
                          {D3DFMT_R32F, false},    {D3DFMT_G16R16F, false}, {D3DFMT_A16B16G16R16F, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.format);
        DWORD quality = 0;
        EXPECT_EQ(
            d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, c.format, TRUE, D3DMULTISAMPLE_NONE, &quality),
            D3D_OK);
        EXPECT_EQ(quality, 1u);
        IDirect3DSurface9* target = nullptr;
        ASSERT_EQ(
            device->CreateRenderTarget(16, 8, c.format, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
            D3D_OK);
        target->Release();
        EXPECT_EQ(
            device->CreateRenderTarget(16, 8, c.format, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, &target, nullptr),
            c.multisampled ? D3D_OK : D3DERR_INVALIDCALL);
        if (target)
            target->Release();
    }
}

TEST_F(DeviceTest, BuffersLockInsideTheirSizeOnly)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(168, D3DUSAGE_WRITEONLY, kFvf2D, D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memset(data, 1, 168);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    void* tail = nullptr;
    ASSERT_EQ(vb->Lock(140, 28, &tail, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(tail) - static_cast<BYTE*>(data), 140);
    vb->Unlock();
    EXPECT_EQ(vb->Lock(150, 28, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    D3DVERTEXBUFFER_DESC desc = {};
    ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 168u);
    EXPECT_EQ(desc.FVF, kFvf2D);
    vb->Release();

    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(400, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
    ASSERT_EQ(ib->Lock(0, 400, &data, 0), D3D_OK);
    static_cast<uint32_t*>(data)[99] = 70000; // 32-bit indices hold values above 65535
    ib->Unlock();
    D3DINDEXBUFFER_DESC idesc = {};
    ib->GetDesc(&idesc);
    EXPECT_EQ(idesc.Format, D3DFMT_INDEX32);
    ib->Release();
}

TEST_F(DeviceTest, CubeTextureFacesAreSeparateSurfaces)
{
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, D3DPOOL_DEFAULT, &cube,
                                        nullptr),
              D3D_OK);
    IDirect3DSurface9* px = nullptr;
    IDirect3DSurface9* nz = nullptr;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_X, 0, &px), D3D_OK);
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, &nz), D3D_OK);
    EXPECT_NE(px, nz);
    EXPECT_EQ(device->SetRenderTarget(0, nz), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 255, 0, 0), 1.0f, 0), D3D_OK);
    TkSurfacePixels pixels;
    ASSERT_TRUE(TkD3D9ReadSurface(nz, &pixels));
    float value;
    std::memcpy(&value, pixels.bits, 4);
    EXPECT_FLOAT_EQ(value, 1.0f); // red 255 reaches an R32F target as 1.0
    ASSERT_TRUE(TkD3D9ReadSurface(px, &pixels));
    std::memcpy(&value, pixels.bits, 4);
    EXPECT_FLOAT_EQ(value, 0.0f);
    EXPECT_EQ(cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(6), 0, &px), D3DERR_INVALIDCALL);
    IDirect3DSurface9* back = BackBuffer();
    device->SetRenderTarget(0, back);
    back->Release();
    px->Release();
    nz->Release();
    cube->Release();
}

TEST_F(DeviceTest, VertexDeclarationsAreValidatedAndReadBack)
{
    const D3DVERTEXELEMENT9 skin[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
        {0, 28, D3DDECLTYPE_UBYTE4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDINDICES, 0},
        {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        {0, 68, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(skin, &decl), D3D_OK);
    UINT count = 0;
    ASSERT_EQ(decl->GetDeclaration(nullptr, &count), D3D_OK);
    ASSERT_EQ(count, 6u);
    D3DVERTEXELEMENT9 back[6];
    ASSERT_EQ(decl->GetDeclaration(back, &count), D3D_OK);
    EXPECT_EQ(back[4].Offset, 68);
    EXPECT_EQ(back[5].Stream, 0xFF);
    decl->Release();

    const D3DVERTEXELEMENT9 twice[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       D3DDECL_END()};
    const D3DVERTEXELEMENT9 unaligned[] = {{0, 2, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                           D3DDECL_END()};
    EXPECT_EQ(device->CreateVertexDeclaration(twice, &decl), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexDeclaration(unaligned, &decl), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexDeclaration(nullptr, &decl), D3DERR_INVALIDCALL);
}
