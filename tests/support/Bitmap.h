#pragma once
// Reads back the BMP files the engine writes (screenshots, saved surfaces):
// a 14-byte file header and a 40-byte info header, little-endian, then
// bottom-up rows of 24- or 32-bit pixels (blue, green, red[, alpha]), each
// row padded to a multiple of 4 bytes.

#include <cstddef>
#include <cstdint>
#include <string>

struct Bitmap
{
    // The whole file.
    std::string bytes;

    // The header fields as stored.
    uint32_t fileSize = 0;
    uint32_t reserved = 0;
    uint32_t offset = 0; // where the pixels start
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0; // positive: bottom-up rows
    uint16_t planes = 0;
    uint16_t bpp = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;

    // Takes a file's bytes and reads its headers. False unless it is a "BM"
    // file of 24 or 32 bits a pixel, of positive size, whose rows all lie
    // within the bytes.
    bool Parse(std::string file);

    // Bytes a stored row takes, padding included.
    size_t Stride() const;
    // Pixel (x, y), y counted from the top, as 0xRRGGBB.
    uint32_t Pixel(int x, int y) const;
    // Its alpha byte (32-bit files only).
    uint8_t Alpha(int x, int y) const;

private:
    // Where pixel (x, y) starts in `bytes`, or `bytes.size()` (with a test
    // failure) when it lies outside the picture.
    size_t At(int x, int y) const;
};

class TempDir;

// A 0xRRGGBB pixel's red, green and blue added up (0 to 765).
inline int Brightness(uint32_t rgb)
{
    return static_cast<int>(((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF));
}

// The demo level's daylight sky: bright, and bluer than red (the menu's
// picture is a dusk, dark at the top).
inline bool DaylightSky(uint32_t rgb)
{
    return Brightness(rgb) > 400 && (rgb & 0xFF) > ((rgb >> 16) & 0xFF);
}

// The picture a file of the folder holds, with a test failure naming it when it is none.
Bitmap BitmapIn(const TempDir& dir, const std::string& name);
// The game's numbered screenshot n ("tk_screen0000.bmp" on) in the folder.
Bitmap ScreenshotIn(const TempDir& dir, int n);
