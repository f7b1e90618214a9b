#pragma once
// Picture files made in memory for the texture tests: DDS files of any level
// count and face count, and uncompressed or run-length TGA files.

#include "platform/d3d9/D3D9Types.h"

#include <string>
#include <vector>

// A DDS file: header for `format` (A8R8G8B8, X8R8G8B8, L8, A8, R5G6B5, DXT1/3/5
// or a float format), then `payload` as given (every face's levels, largest first).
// `mipCount` 0 leaves the mip-count flag out.
std::string DdsFile(D3DFORMAT format, unsigned width, unsigned height, unsigned mipCount, bool cube,
                    const std::string& payload);

// An A8R8G8B8 level of one colour.
std::string SolidArgbLevel(unsigned width, unsigned height, DWORD argb);
// A DXT1 level whose every block is one opaque 5:6:5 colour.
std::string SolidDxt1Level(unsigned width, unsigned height, unsigned short rgb565);

// A 32-bit (alpha) or 24-bit TGA, rows top-down, of the given ARGB pixels;
// with `rle`, every row is one run-length packet per pixel.
std::string TgaFile(unsigned width, unsigned height, const std::vector<DWORD>& argb, bool alpha,
                    bool rle = false);

// An uncompressed 24-bit BMP (bottom-up rows padded to 4 bytes) of one colour.
std::string BmpFile(unsigned width, unsigned height, DWORD rgb);

// A PNG that names its size in the header and holds no pixel data.
std::string PngHeaderOnly(unsigned width, unsigned height);
