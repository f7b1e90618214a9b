// The DDS reader and the block decoder on their own, and every damaged picture
// file refused as invalid data without a texture.

#include "d3d9_fixture.h"
#include "platform/d3dx/ImageFile.h"
#include "platform/d3dx/Texture.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using tk::d3dx::DecodeDxt;

TEST(DxtBlocks, Dxt1ThreeColourModeHasATransparentEntry)
{
    // c0 = blue (0x001F) <= c1 = red (0xF800): three colours and transparent.
    // Indices per pixel 0, 1, 2, 3, then all 3.
    const BYTE block[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xFF, 0xFF, 0xFF};
    DWORD out[16] = {};
    DecodeDxt(D3DFMT_DXT1, block, 4, 4, out);
    EXPECT_EQ(out[0], 0xFF0000FFu);
    EXPECT_EQ(out[1], 0xFFFF0000u);
    EXPECT_EQ(out[2], 0xFF7F007Fu);
    EXPECT_EQ(out[3], 0u);
    EXPECT_EQ(out[15], 0u);
}

TEST(DxtBlocks, Dxt1FourColourModeInterpolatesThirds)
{
    // c0 = white > c1 = black: colours 2 and 3 are 2/3 and 1/3 white.
    const BYTE block[8] = {0xFF, 0xFF, 0x00, 0x00, 0xE4, 0, 0, 0};
    DWORD out[16] = {};
    DecodeDxt(D3DFMT_DXT1, block, 4, 4, out);
    EXPECT_EQ(out[2], 0xFFAAAAAAu);
    EXPECT_EQ(out[3], 0xFF555555u);
}

TEST(DxtBlocks, Dxt5AlphaInterpolatesAndDxt3AlphaIsExplicit)
{
    // DXT5: alpha 255 and 0 with indices 0, 1, 2, 7 for the first four pixels.
    BYTE dxt5[16] = {255, 0};
    const unsigned long long indices = 0 | 1 << 3 | 2 << 6 | 7 << 9;
    for (int i = 0; i < 6; ++i)
        dxt5[2 + i] = BYTE(indices >> (8 * i));
    DWORD out[16] = {};
    DecodeDxt(D3DFMT_DXT5, dxt5, 4, 4, out);
    EXPECT_EQ(out[0] >> 24, 255u);
    EXPECT_EQ(out[1] >> 24, 0u);
    EXPECT_EQ(out[2] >> 24, 218u); // (255 * 6 + 0) / 7
    EXPECT_EQ(out[3] >> 24, 36u);  // (255 * 1) / 7

    BYTE dxt3[16] = {0x0F, 0xF0};
    DecodeDxt(D3DFMT_DXT3, dxt3, 4, 4, out);
    EXPECT_EQ(out[0] >> 24, 255u);
    EXPECT_EQ(out[1] >> 24, 0u);
    EXPECT_EQ(out[3] >> 24, 255u);
}

TEST(DxtBlocks, PartialBlocksAreClippedToTheLevel)
{
    const BYTE block[8] = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
    DWORD out[2] = {};
    DecodeDxt(D3DFMT_DXT1, block, 2, 1, out);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFFFF0000u);
}

std::string Patch32(std::string file, size_t offset, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        file[offset + i] = char(value >> (8 * i));
    return file;
}

class DamagedFileTest : public d3d9test::DeviceTest
{
protected:
    TempDir dir;
};

TEST_F(DamagedFileTest, EveryDamagedPictureIsInvalidDataAndLeavesNoTexture)
{
    const std::string good = DdsFile(D3DFMT_A8R8G8B8, 4, 4, 3, false, std::string(4 * (16 + 4 + 1), '\x7F'));
    std::string cubeOneFace = DdsFile(D3DFMT_A8R8G8B8, 2, 2, 1, true, std::string(4 * 4 * 6, '\0'));
    cubeOneFace = Patch32(cubeOneFace, 112, 0x200 | 0x400);
    const std::vector<DWORD> pixels(4, 0xFF00FF00u);
    std::string badRun = TgaFile(2, 2, pixels, true, true);
    badRun[18] = char(0x80 | 0x7F); // one run of 128 pixels in a picture of four

    const struct
    {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"magic only", "DDS "},
        {"truncated levels", good.substr(0, good.size() - 1)},
        {"mip count past the chain", Patch32(good, 28, 4)},
        {"huge mip count", Patch32(good, 28, 0xFFFFFFFFu)},
        {"zero width", Patch32(good, 16, 0)},
        {"width that overflows", Patch32(Patch32(good, 16, 0xFFFFFFFFu), 12, 0xFFFFFFFFu)},
        {"unknown pixel format", Patch32(good, 88, 24)},
        {"wrong header size", Patch32(good, 4, 100)},
        {"cube with one face", cubeOneFace},
        {"cube that is not square",
         Patch32(DdsFile(D3DFMT_A8R8G8B8, 2, 2, 1, true, std::string(96, '\0')), 16, 4)},
        {"volume", Patch32(good, 112, 0x200000)},
        {"truncated tga", TgaFile(2, 2, pixels, true).substr(0, 25)},
        {"tga run past the picture", badRun},
        {"tga rle without data", TgaFile(2, 2, pixels, true, true).substr(0, 18)},
        {"garbage", std::string(64, '\x5A')},
        // Found by fuzzing: JPEG is not read at all (its decoder read past a table), and
        // pictures whose header claims more pixels than the file holds are refused before
        // anything is allocated or decoded for them.
        {"jpeg", std::string("\xFF\xD8\xFF\xC4\xA1\xBF\x00\xA1\xBF", 9)},
        {"bmp header of 16384 x 16384 without pixels",
         std::string("\x42\x4D\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00"
                     "\x00\x40\x00\x00\x00\x40\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x00\x00"
                     "\x00\x00\x13\x0B\x00\x00\x13\x0B\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00",
                     54)},
        {"bmp of 13575 x 11024 cut inside its header",
         std::string("\x42\x4D\x46\x0C\x00\x00\x00\x20\x14\x00\x01\x04\x00\x00\x7C\x00\x00\x00"
                     "\x07\x35\x00\x00\x10\x2B\x00\x00\x01\x00\x04",
                     29)},
        {"bmp one row short", BmpFile(3, 2, 0x102030).substr(0, 54 + 12)},
        {"png header of 16384 x 16384 without pixels", PngHeaderOnly(16384, 16384)},
    };
    for (const auto& c : cases)
    {
        dir.Write("bad.dds", c.bytes);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(this);
        EXPECT_EQ(D3DXCreateTextureFromFileA(device, "bad.dds", &texture), D3DXERR_INVALIDDATA) << c.what;
        EXPECT_EQ(texture, nullptr) << c.what;
        IDirect3DCubeTexture9* cube = nullptr;
        EXPECT_EQ(D3DXCreateCubeTextureFromFileA(device, "bad.dds", &cube), D3DXERR_INVALIDDATA) << c.what;
        EXPECT_EQ(cube, nullptr);
    }
    dir.Write("good.dds", good);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, "good.dds", &texture), D3D_OK);
    texture->Release();
}

TEST_F(DamagedFileTest, WholeBmpFilesStillLoad)
{
    dir.Write("whole.bmp", BmpFile(3, 2, 0x102030));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "whole.bmp", D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1,
                                           0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                           D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture),
              D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    DWORD last = 0;
    std::memcpy(&last, static_cast<const BYTE*>(locked.pBits) + locked.Pitch + 2 * 4, 4);
    texture->UnlockRect(0);
    texture->Release();
    EXPECT_EQ(last, 0xFF102030u);
}

// A cube made from a flat picture takes its edge from the picture's width: a long thin picture
// would make six faces of 8192 x 8192 and scale each of them. Such a texture is refused before
// any of that work; the same picture as a 2D texture is small and loads.
TEST_F(DamagedFileTest, TexturesLargerThanTheLayerMakesAreRefusedBeforeScaling)
{
    dir.Write("strip.tga", TgaFile(4103, 2, std::vector<DWORD>(4103 * 2, 0xFF336699u), false));
    IDirect3DCubeTexture9* cube = reinterpret_cast<IDirect3DCubeTexture9*>(this);
    EXPECT_EQ(D3DXCreateCubeTextureFromFileA(device, "strip.tga", &cube), D3DXERR_INVALIDDATA);
    EXPECT_EQ(cube, nullptr);
    IDirect3DTexture9* flat = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, "strip.tga", D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           nullptr, nullptr, &flat),
              D3D_OK);
    D3DSURFACE_DESC desc = {};
    flat->GetLevelDesc(0, &desc);
    flat->Release();
    EXPECT_EQ(desc.Width, 8192u);
    EXPECT_EQ(desc.Height, 2u);
    // A small flat picture still makes a cube.
    dir.Write("small.tga", TgaFile(4, 4, std::vector<DWORD>(16, 0xFF336699u), false));
    ASSERT_EQ(D3DXCreateCubeTextureFromFileA(device, "small.tga", &cube), D3D_OK);
    cube->Release();
}

// The pixel formats a DDS file may hold: each is reported as the file has it and loads with its
// channels scaled to eight bits.
TEST_F(DamagedFileTest, EveryMaskedAndPremultipliedFormatIsReadAndConverted)
{
    constexpr DWORD kRgb = 0x40, kAlphaPixels = 0x1, kLuminance = 0x20000, kFourCC = 0x4;
    BYTE dxt4Block[16] = {255, 0};
    BYTE dxt2Block[16];
    std::memset(dxt2Block, 0xFF, 8);
    for (BYTE* block : {dxt4Block + 8, dxt2Block + 8})
    {
        const BYTE red[8] = {0x00, 0xF8, 0, 0, 0, 0, 0, 0};
        std::memcpy(block, red, 8);
    }
    const struct
    {
        D3DFORMAT format;
        DWORD flags, fourcc, bits, r, g, b, a;
        std::string pixels;
        DWORD argb;
    } cases[] = {
        {D3DFMT_R8G8B8, kRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0, "\x30\x20\x10", 0xFF102030u},
        {D3DFMT_X1R5G5B5, kRgb, 0, 16, 0x7C00, 0x3E0, 0x1F, 0, std::string("\x00\x7C", 2), 0xFFFF0000u},
        {D3DFMT_A1R5G5B5, kRgb | kAlphaPixels, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, "\xE0\x03", 0x0000FF00u},
        {D3DFMT_A4R4G4B4, kRgb | kAlphaPixels, 0, 16, 0xF00, 0xF0, 0xF, 0xF000, std::string("\x00\x8F", 2),
         0x88FF0000u},
        {D3DFMT_X8B8G8R8, kRgb, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0, std::string("\x10\x20\x30\x00", 4),
         0xFF102030u},
        {D3DFMT_A2R10G10B10, kRgb | kAlphaPixels, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u,
         std::string("\xFF\x03\x00\xC0", 4), 0xFF0000FFu},
        {D3DFMT_R3G3B2, kRgb, 0, 8, 0xE0, 0x1C, 0x3, 0, "\xE3", 0xFFFF00FFu},
        {D3DFMT_A8L8, kLuminance | kAlphaPixels, 0, 16, 0xFF, 0, 0, 0xFF00, "\x80\x40", 0x40808080u},
        {D3DFMT_A4L4, kLuminance | kAlphaPixels, 0, 8, 0xF, 0, 0, 0xF0, "\x3C", 0x33CCCCCCu},
        {D3DFMT_L16, kLuminance, 0, 16, 0xFFFF, 0, 0, 0, "\xFF\xFF", 0xFFFFFFFFu},
        {D3DFMT_L8, kLuminance, 0, 8, 0xFF, 0, 0, 0, "\x7F", 0xFF7F7F7Fu},
        {D3DFMT_DXT2, kFourCC, D3DFMT_DXT2, 0, 0, 0, 0, 0,
         std::string(reinterpret_cast<const char*>(dxt2Block), 16), 0xFFFF0000u},
        {D3DFMT_DXT4, kFourCC, D3DFMT_DXT4, 0, 0, 0, 0, 0,
         std::string(reinterpret_cast<const char*>(dxt4Block), 16), 0xFFFF0000u},
    };
    for (const auto& c : cases)
    {
        const bool block = c.flags == kFourCC;
        const unsigned edge = block ? 4 : 1;
        std::string file = DdsFile(D3DFMT_A8R8G8B8, edge, edge, 1, false, c.pixels);
        const DWORD fields[] = {c.flags, c.fourcc, c.bits, c.r, c.g, c.b, c.a};
        for (size_t i = 0; i < std::size(fields); ++i)
            file = Patch32(file, 80 + 4 * i, fields[i]);
        dir.Write("format.dds", file);
        D3DXIMAGE_INFO info = {};
        ASSERT_EQ(D3DXGetImageInfoFromFileA("format.dds", &info), D3D_OK) << c.format;
        EXPECT_EQ(info.Format, c.format);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(
                      device, "format.dds", D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_A8R8G8B8,
                      D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture),
                  D3D_OK)
            << c.format;
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        DWORD first = 0;
        std::memcpy(&first, locked.pBits, 4);
        texture->UnlockRect(0);
        texture->Release();
        EXPECT_EQ(first, c.argb) << c.format;
    }
    // A file one byte short of a converted format's level is refused.
    std::string shortFile = DdsFile(D3DFMT_A8R8G8B8, 2, 1, 1, false, "\x30\x20\x10\x30\x20");
    const DWORD r8g8b8[] = {kRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
    for (size_t i = 0; i < std::size(r8g8b8); ++i)
        shortFile = Patch32(shortFile, 80 + 4 * i, r8g8b8[i]);
    dir.Write("short.dds", shortFile);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, "short.dds", &texture), D3DXERR_INVALIDDATA);
}

// A 2 x 2 TGA with a header of the given type and bits and zeroed pixels (and a grey palette of
// two entries when it is colour-mapped).
std::string TgaHeader(BYTE type, BYTE bits, BYTE descriptor, unsigned width = 2, unsigned height = 2)
{
    const bool mapped = (type & 7) == 1;
    std::string s(18, '\0');
    s[1] = mapped ? 1 : 0;
    s[2] = char(type);
    if (mapped)
    {
        s[5] = 2;  // two entries
        s[7] = 24; // of 24 bits
    }
    s[12] = char(width);
    s[13] = char(width >> 8);
    s[14] = char(height);
    s[15] = char(height >> 8);
    s[16] = char(bits);
    s[17] = char(descriptor);
    if (mapped)
        s.append(6, '\x40');
    const size_t pixels = size_t(width) * height;
    if (type & 8)
        for (size_t i = 0; i < pixels; ++i)
            s += '\0' + std::string((bits + 7) / 8, '\0'); // raw packets of one pixel
    else
        s.append(pixels * ((bits + 7) / 8), '\0');
    return s;
}

TEST_F(DamagedFileTest, TgaInformationFollowsTheHeader)
{
    const struct
    {
        const char* what;
        std::string file;
        D3DFORMAT format;
    } cases[] = {
        {"true colour 24", TgaHeader(2, 24, 0), D3DFMT_R8G8B8},
        {"true colour 32 with alpha", TgaHeader(2, 32, 8), D3DFMT_A8R8G8B8},
        {"true colour 16", TgaHeader(2, 16, 1), D3DFMT_A1R5G5B5},
        {"true colour 15", TgaHeader(2, 15, 0), D3DFMT_X1R5G5B5},
        {"run-length 24", TgaHeader(10, 24, 0x20), D3DFMT_R8G8B8},
        {"run-length 32", TgaHeader(10, 32, 0x28), D3DFMT_A8R8G8B8},
        {"grey", TgaHeader(3, 8, 0), D3DFMT_L8},
        {"run-length grey", TgaHeader(11, 8, 0), D3DFMT_L8},
        {"colour-mapped", TgaHeader(1, 8, 0), D3DFMT_P8},
        {"unknown type", TgaHeader(4, 24, 0), D3DFMT_UNKNOWN},
        {"no width", TgaHeader(2, 24, 0, 0, 2), D3DFMT_UNKNOWN},
    };
    for (const auto& c : cases)
    {
        dir.Write("header.tga", c.file);
        D3DXIMAGE_INFO info = {};
        const HRESULT hr = D3DXGetImageInfoFromFileA("header.tga", &info);
        if (c.format == D3DFMT_UNKNOWN)
        {
            EXPECT_EQ(hr, D3DXERR_INVALIDDATA) << c.what;
            continue;
        }
        ASSERT_EQ(hr, D3D_OK) << c.what;
        EXPECT_EQ(info.Format, c.format) << c.what;
        EXPECT_EQ(info.Width, 2u) << c.what;
        EXPECT_EQ(info.Height, 2u) << c.what;
        EXPECT_EQ(info.Depth, 1u) << c.what;
        EXPECT_EQ(info.MipLevels, 1u) << c.what;
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE) << c.what;
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA) << c.what;
        // Every such picture loads.
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(device, "header.tga", &texture), D3D_OK) << c.what;
        if (texture)
            texture->Release();
    }
}

TEST_F(DamagedFileTest, TheMipCountIsReadOnlyWithItsFlag)
{
    const std::string chain = DdsFile(D3DFMT_A8R8G8B8, 4, 4, 3, false, std::string(4 * (16 + 4 + 1), '\x7F'));
    dir.Write("flagged.dds", chain);
    dir.Write("unflagged.dds", Patch32(chain, 8, 0x1007));
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3DXGetImageInfoFromFileA("flagged.dds", &info), D3D_OK);
    EXPECT_EQ(info.MipLevels, 3u);
    ASSERT_EQ(D3DXGetImageInfoFromFileA("unflagged.dds", &info), D3D_OK);
    EXPECT_EQ(info.MipLevels, 1u);
}

TEST_F(DamagedFileTest, AMissingFileIsNotFound)
{
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, "nothing.tga", &texture), D3DERR_NOTFOUND);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, nullptr, &texture), D3DERR_INVALIDCALL);
}
} // namespace
