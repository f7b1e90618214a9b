#include "support/ImageFiles.h"

namespace
{
void Put32(std::string& s, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(char(v >> (8 * i)));
}
void Put16(std::string& s, unsigned v)
{
    s.push_back(char(v));
    s.push_back(char(v >> 8));
}

bool IsFourCC(D3DFORMAT f)
{
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT3 || f == D3DFMT_DXT5 || f == D3DFMT_R32F ||
           f == D3DFMT_G16R16F || f == D3DFMT_A16B16G16R16F;
}
} // namespace

std::string DdsFile(D3DFORMAT format, unsigned width, unsigned height, unsigned mipCount, bool cube,
                    const std::string& payload)
{
    std::string s = "DDS ";
    Put32(s, 124);
    Put32(s, 0x1007 | (mipCount ? 0x20000 : 0)); // caps, height, width, pixel format (+ mip count)
    Put32(s, height);
    Put32(s, width);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, mipCount);
    for (int i = 0; i < 11; ++i)
        Put32(s, 0);
    Put32(s, 32);
    DWORD flags = 0, bits = 0, r = 0, g = 0, b = 0, a = 0, four = 0;
    if (IsFourCC(format))
        flags = 0x4, four = format;
    else if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8)
    {
        flags = 0x40 | (format == D3DFMT_A8R8G8B8 ? 0x1 : 0);
        bits = 32, r = 0xFF0000, g = 0xFF00, b = 0xFF, a = format == D3DFMT_A8R8G8B8 ? 0xFF000000u : 0;
    }
    else if (format == D3DFMT_R5G6B5)
        flags = 0x40, bits = 16, r = 0xF800, g = 0x7E0, b = 0x1F;
    else if (format == D3DFMT_L8)
        flags = 0x20000, bits = 8, r = 0xFF;
    else if (format == D3DFMT_A8)
        flags = 0x2, bits = 8, a = 0xFF;
    Put32(s, flags);
    Put32(s, four);
    Put32(s, bits);
    Put32(s, r);
    Put32(s, g);
    Put32(s, b);
    Put32(s, a);
    Put32(s, 0x1000 | (mipCount > 1 ? 0x400008 : 0) | (cube ? 0x8 : 0));
    Put32(s, cube ? 0x200 | 0xFC00 : 0);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    return s + payload;
}

std::string SolidArgbLevel(unsigned width, unsigned height, DWORD argb)
{
    std::string s;
    for (unsigned i = 0; i < width * height; ++i)
        Put32(s, argb);
    return s;
}

std::string SolidDxt1Level(unsigned width, unsigned height, unsigned short rgb565)
{
    std::string s;
    const unsigned blocks = ((width + 3) / 4) * ((height + 3) / 4);
    for (unsigned i = 0; i < blocks; ++i)
    {
        Put16(s, rgb565);
        Put16(s, 0);
        Put32(s, 0); // every pixel takes colour 0
    }
    return s;
}

std::string TgaFile(unsigned width, unsigned height, const std::vector<DWORD>& argb, bool alpha, bool rle)
{
    std::string s;
    s.push_back(0);            // no image id
    s.push_back(0);            // no colour map
    s.push_back(rle ? 10 : 2); // true colour, optionally run-length coded
    s.append(5, '\0');         // colour-map description
    Put16(s, 0);               // x origin
    Put16(s, 0);               // y origin
    Put16(s, width);
    Put16(s, height);
    s.push_back(alpha ? 32 : 24);
    s.push_back(char(0x20 | (alpha ? 8 : 0))); // top-down rows, alpha bits
    for (DWORD c : argb)
    {
        if (rle)
            s.push_back(0); // a raw packet of one pixel
        s.push_back(char(c));
        s.push_back(char(c >> 8));
        s.push_back(char(c >> 16));
        if (alpha)
            s.push_back(char(c >> 24));
    }
    return s;
}

std::string BmpFile(unsigned width, unsigned height, DWORD rgb)
{
    const unsigned row = (width * 3 + 3) / 4 * 4;
    std::string s = "BM";
    Put32(s, 54 + row * height);
    Put32(s, 0);
    Put32(s, 54); // pixels after the two headers
    Put32(s, 40);
    Put32(s, width);
    Put32(s, height);
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0); // uncompressed
    Put32(s, row * height);
    for (int i = 0; i < 4; ++i)
        Put32(s, 0);
    for (unsigned y = 0; y < height; ++y)
    {
        for (unsigned x = 0; x < width; ++x)
        {
            s.push_back(char(rgb));
            s.push_back(char(rgb >> 8));
            s.push_back(char(rgb >> 16));
        }
        s.append(row - width * 3, '\0');
    }
    return s;
}

std::string PngHeaderOnly(unsigned width, unsigned height)
{
    std::string s = "\x89PNG\r\n\x1A\n";
    const auto big32 = [&](DWORD v)
    {
        for (int i = 3; i >= 0; --i)
            s.push_back(char(v >> (8 * i)));
    };
    big32(13);
    s += "IHDR";
    big32(width);
    big32(height);
    s.push_back(8); // bit depth
    s.push_back(6); // RGBA
    s.append(3, '\0');
    big32(0); // the checksum (not checked by the reader)
    big32(0);
    s += "IEND";
    big32(0);
    return s;
}
