// D3DX textures from files: sizes, levels, formats, mip chains, skipped DDS
// levels, cube faces, colour keys and surfaces loaded from a part of a picture.

#include "d3d9_fixture.h"
#include "platform/d3d9/GlslShaders.h"
#include "platform/d3dx/Texture.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
constexpr DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

class TextureFileTest : public d3d9test::DeviceTest
{
protected:
    // The ARGB value of one texel of a 32-bit level.
    DWORD Texel(IDirect3DTexture9* texture, UINT level, UINT x, UINT y)
    {
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        DWORD value = 0;
        std::memcpy(&value, static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
        texture->UnlockRect(level);
        return value;
    }

    D3DSURFACE_DESC Desc(IDirect3DTexture9* texture, UINT level)
    {
        D3DSURFACE_DESC desc = {};
        EXPECT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
        return desc;
    }

    TempDir dir;
};

TEST_F(TextureFileTest, DdsLevelsComeFromTheFileAndTheRestAreFiltered)
{
    // 4 x 4 with two stored levels: red, then green; the 1 x 1 level is made.
    dir.Write("textures/Two.dds", DdsFile(D3DFMT_A8R8G8B8, 4, 4, 2, false,
                                          SolidArgbLevel(4, 4, kRed) + SolidArgbLevel(2, 2, kGreen)));
    IDirect3DTexture9* texture = nullptr;
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "TEXTURES\\two.DDS", D3DX_DEFAULT, D3DX_DEFAULT,
                                           D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                           D3DX_DEFAULT, 0, &info, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.MipLevels, 2u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(Desc(texture, 0).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel(texture, 0, 3, 3), kRed);
    EXPECT_EQ(Texel(texture, 1, 1, 1), kGreen);
    EXPECT_EQ(Texel(texture, 2, 0, 0), kGreen);
    texture->Release();
}

TEST_F(TextureFileTest, TgaGetsABoxFilteredChain)
{
    // 2 x 2: red, green / blue, white; the 1 x 1 level is their average.
    dir.Write("quad.tga", TgaFile(2, 2, {kRed, kGreen, kBlue, kWhite}, true));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, "quad.tga", &texture), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(Texel(texture, 0, 0, 0), kRed);
    EXPECT_EQ(Texel(texture, 0, 1, 0), kGreen);
    EXPECT_EQ(Texel(texture, 0, 0, 1), kBlue);
    // (255 + 0 + 0 + 255 + 2) / 4 = 128 per colour channel, alpha stays 255.
    EXPECT_EQ(Texel(texture, 1, 0, 0), 0xFF808080u);
    texture->Release();
}

TEST_F(TextureFileTest, SizesRoundUpToPowersOfTwoUnlessAskedOtherwise)
{
    dir.Write("odd.tga", TgaFile(3, 2, std::vector<DWORD>(6, kBlue), false));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, "odd.tga", &texture), D3D_OK);
    EXPECT_EQ(Desc(texture, 0).Width, 4u);
    EXPECT_EQ(Desc(texture, 0).Height, 2u);
    EXPECT_EQ(Desc(texture, 0).Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel(texture, 0, 3, 1) | 0xFF000000u, kBlue);
    texture->Release();

    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "odd.tga", D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1,
                                           0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           nullptr, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(Desc(texture, 0).Width, 3u);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    EXPECT_EQ(Texel(texture, 0, 2, 1), kBlue);
    texture->Release();
}

TEST_F(TextureFileTest, SkippedDdsLevelsDropTheLargest)
{
    // 8 x 8 with four levels of four colours; skipping two starts at the 2 x 2 one.
    dir.Write("chain.dds", DdsFile(D3DFMT_A8R8G8B8, 8, 8, 4, false,
                                   SolidArgbLevel(8, 8, kRed) + SolidArgbLevel(4, 4, kGreen) +
                                       SolidArgbLevel(2, 2, kBlue) + SolidArgbLevel(1, 1, kWhite)));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "chain.dds", D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                           D3DX_SKIP_DDS_MIP_LEVELS(2, D3DX_FILTER_LINEAR), 0, nullptr,
                                           nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(D3DX_SKIP_DDS_MIP_LEVELS(2, D3DX_FILTER_LINEAR), 0x08000003u);
    EXPECT_EQ(Desc(texture, 0).Width, 2u);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(Texel(texture, 0, 1, 1), kBlue);
    EXPECT_EQ(Texel(texture, 1, 0, 0), kWhite);
    texture->Release();
}

TEST_F(TextureFileTest, DxtIsKeptCompressedWhenTheDeviceTakesItAndDecodedOnRequest)
{
    // Pure red in 5:6:5 is 0xF800; with its whole chain in the file.
    dir.Write("red.dds", DdsFile(D3DFMT_DXT1, 8, 8, 4, false,
                                 SolidDxt1Level(8, 8, 0xF800) + SolidDxt1Level(4, 4, 0xF800) +
                                     SolidDxt1Level(2, 2, 0xF800) + SolidDxt1Level(1, 1, 0xF800)));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, "red.dds", &texture), D3D_OK);
    EXPECT_EQ(Desc(texture, 0).Format, D3DFMT_DXT1);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    texture->Release();

    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "red.dds", D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           nullptr, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(Desc(texture, 0).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel(texture, 0, 7, 7), kRed);
    EXPECT_EQ(Texel(texture, 3, 0, 0), kRed);
    texture->Release();
}

TEST_F(TextureFileTest, AColourKeyMakesMatchingPixelsTransparentBlack)
{
    dir.Write("key.tga", TgaFile(2, 1, {0xFF000000u, kGreen}, false));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "key.tga", D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT,
                                           0xFF000000u, nullptr, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(Desc(texture, 0).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel(texture, 0, 0, 0), 0u);
    EXPECT_EQ(Texel(texture, 0, 1, 0), kGreen);
    texture->Release();
}

TEST_F(TextureFileTest, CubeFacesComeFromTheirPlaceInTheFile)
{
    const DWORD faces[6] = {kRed, kGreen, kBlue, kWhite, 0xFF808080u, 0xFF102030u};
    std::string payload;
    for (DWORD colour : faces)
        payload += SolidArgbLevel(2, 2, colour) + SolidArgbLevel(1, 1, colour);
    dir.Write("sky.dds", DdsFile(D3DFMT_A8R8G8B8, 2, 2, 2, true, payload));

    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3DXGetImageInfoFromFileA("sky.dds", &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);

    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileA(device, "sky.dds", &cube), D3D_OK);
    for (UINT face = 0; face < 6; ++face)
        for (UINT level = 0; level < 2; ++level)
        {
            D3DLOCKED_RECT locked = {};
            ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(face), level, &locked, nullptr, D3DLOCK_READONLY),
                      D3D_OK);
            DWORD value = 0;
            std::memcpy(&value, locked.pBits, 4);
            cube->UnlockRect(D3DCUBEMAP_FACES(face), level);
            EXPECT_EQ(value, faces[face]) << "face " << face << " level " << level;
        }
    cube->Release();
}

TEST_F(TextureFileTest, ADrawnCubeFromADdsFileShowsEachFaceInItsDirection)
{
    // Six faces of one colour each, as DXT1 blocks and as 32-bit texels: the
    // GPU samples the face a direction points at.
    const unsigned short faces565[6] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0xF81F, 0x07FF};
    const D3DCOLOR faces[6] = {D3DCOLOR_XRGB(255, 0, 0),   D3DCOLOR_XRGB(0, 255, 0),
                               D3DCOLOR_XRGB(0, 0, 255),   D3DCOLOR_XRGB(255, 255, 255),
                               D3DCOLOR_XRGB(255, 0, 255), D3DCOLOR_XRGB(0, 255, 255)};
    std::string dxt, argb;
    for (UINT face = 0; face < 6; ++face)
    {
        dxt += SolidDxt1Level(4, 4, faces565[face]);
        argb += SolidArgbLevel(4, 4, faces[face]);
    }
    dir.Write("dxt.dds", DdsFile(D3DFMT_DXT1, 4, 4, 1, true, dxt));
    dir.Write("argb.dds", DdsFile(D3DFMT_A8R8G8B8, 4, 4, 1, true, argb));

    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
    const char* vsText = R"(#version 450 core
layout(location = 0) in vec3 a_position;
out vec2 v_ndc;
void main() { gl_Position = vec4(a_position, 1.0); v_ndc = a_position.xy; }
)";
    // Six columns across the screen look along +x, -x, +y, -y, +z and -z.
    const char* psText = R"(#version 450 core
in vec2 v_ndc;
uniform samplerCube u_sky;
out vec4 o;
const vec3 kDirections[6] = vec3[6](vec3(1, 0, 0), vec3(-1, 0, 0), vec3(0, 1, 0), vec3(0, -1, 0),
                                    vec3(0, 0, 1), vec3(0, 0, -1));
void main() { o = texture(u_sky, kDirections[min(int((v_ndc.x * 0.5 + 0.5) * 6.0), 5)]); }
)";
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(device->CreateVertexShader(reinterpret_cast<const DWORD*>(vsText), &vs), D3D_OK);
    ASSERT_EQ(device->CreatePixelShader(reinterpret_cast<const DWORD*>(psText), &ps), D3D_OK);
    device->SetVertexDeclaration(decl);
    device->SetVertexShader(vs);
    device->SetPixelShader(ps);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    const int stage = 2;
    ASSERT_EQ(TkSetShaderUniform(device, "u_sky", TkUniformType::Sampler, &stage, 1), D3D_OK);
    const float quad[] = {-1, 1, 0.5f, 1, 1, 0.5f, -1, -1, 0.5f, 1, -1, 0.5f};
    for (const char* file : {"dxt.dds", "argb.dds"})
    {
        SCOPED_TRACE(file);
        IDirect3DCubeTexture9* cube = nullptr;
        ASSERT_EQ(D3DXCreateCubeTextureFromFileA(device, file, &cube), D3D_OK);
        device->SetTexture(stage, cube);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 3 * sizeof(float)), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        // The back buffer is 64 pixels wide: each column is about 10.
        for (UINT face = 0; face < 6; ++face)
            EXPECT_EQ(BackPixel(face * 64 / 6 + 5, 24), faces[face]) << "face " << face;
        device->SetTexture(stage, nullptr);
        cube->Release();
    }
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetVertexDeclaration(nullptr);
    vs->Release();
    ps->Release();
    decl->Release();
}

TEST_F(TextureFileTest, AFlatPictureFillsEveryCubeFace)
{
    dir.Write("flat.tga", TgaFile(2, 2, std::vector<DWORD>(4, kGreen), true));
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileExA(device, "flat.tga", D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_FILTER_LINEAR, 0, nullptr,
                                               nullptr, &cube),
              D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    DWORD value = 0;
    std::memcpy(&value, locked.pBits, 4);
    cube->UnlockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, 0);
    EXPECT_EQ(value, kGreen);
    cube->Release();
}

TEST_F(TextureFileTest, SurfaceLoadsAPartOfAPictureScaledToItsRectangle)
{
    // Left half red, right half blue; only the right column goes into a 4 x 4
    // surface, opaque black keyed out on the way.
    dir.Write("halves.tga", TgaFile(2, 1, {kRed, kBlue}, false));
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(
        device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr),
        D3D_OK);
    const RECT src = {1, 0, 2, 1};
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3DXLoadSurfaceFromFileA(surface, nullptr, nullptr, "halves.tga", &src, D3DX_DEFAULT,
                                       0xFF000000u, &info),
              D3D_OK);
    EXPECT_EQ(info.Width, 2u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
    EXPECT_EQ(Pixel(surface, 0, 0), kBlue);
    EXPECT_EQ(Pixel(surface, 3, 3), kBlue);

    const RECT outside = {1, 0, 3, 1};
    EXPECT_EQ(
        D3DXLoadSurfaceFromFileA(surface, nullptr, nullptr, "halves.tga", &outside, D3DX_DEFAULT, 0, nullptr),
        D3DERR_INVALIDCALL);
    surface->Release();
}

TEST_F(TextureFileTest, FilterTextureRebuildsTheChainFromALevel)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
        {
            const DWORD c = (x + y) % 2 ? kWhite : 0xFF000000u;
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
        }
    texture->UnlockRect(0);
    ASSERT_EQ(D3DXFilterTexture(texture, nullptr, 0, D3DX_DEFAULT), D3D_OK);
    // A checker averages to middle grey at every level below the first.
    EXPECT_EQ(Texel(texture, 1, 1, 0), 0xFF808080u);
    EXPECT_EQ(Texel(texture, 2, 0, 0), 0xFF808080u);
    EXPECT_EQ(D3DXFilterTexture(texture, nullptr, 3, D3DX_DEFAULT), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXFilterTexture(nullptr, nullptr, 0, D3DX_DEFAULT), D3DERR_INVALIDCALL);
    texture->Release();
}

TEST_F(TextureFileTest, ImageInfoReadsOnlyTheHeader)
{
    dir.Write("rgb.tga", TgaFile(4, 2, std::vector<DWORD>(8, kRed), false));
    dir.Write("l8.dds", DdsFile(D3DFMT_L8, 4, 4, 3, false, std::string(16 + 4 + 1, '\x40')));
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3DXGetImageInfoFromFileA("rgb.tga", &info), D3D_OK);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8) << "a 24-bit TGA is reported as its header says";
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    ASSERT_EQ(D3DXGetImageInfoFromFileA("l8.dds", &info), D3D_OK);
    EXPECT_EQ(info.Format, D3DFMT_L8);
    EXPECT_EQ(info.MipLevels, 3u);
    EXPECT_EQ(D3DXGetImageInfoFromFileA("missing.tga", &info), D3DERR_NOTFOUND);
}

TEST_F(TextureFileTest, OtherDdsFormatsLoadAsTheyAre)
{
    struct Case
    {
        D3DFORMAT format;
        unsigned bytesPerPixel;
    } cases[] = {{D3DFMT_L8, 1},      {D3DFMT_A8, 1},      {D3DFMT_R5G6B5, 2},
                 {D3DFMT_R32F, 4},    {D3DFMT_G16R16F, 4}, {D3DFMT_A16B16G16R16F, 8},
                 {D3DFMT_X8R8G8B8, 4}};
    for (const Case& c : cases)
    {
        dir.Write("f.dds", DdsFile(c.format, 2, 2, 2, false, std::string(c.bytesPerPixel * 5, '\x11')));
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileA(device, "f.dds", &texture), D3D_OK) << c.format;
        EXPECT_EQ(Desc(texture, 0).Format, c.format);
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[0], 0x11) << c.format;
        texture->UnlockRect(1);
        texture->Release();
    }
}
} // namespace
