#include "support/Bitmap.h"

#include "support/LittleEndian.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

namespace
{
constexpr size_t kHeaderBytes = 54; // file header and info header
} // namespace

bool Bitmap::Parse(std::string file)
{
    bytes = std::move(file);
    if (bytes.size() < kHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    fileSize = Le32(bytes, 2);
    reserved = Le32(bytes, 6);
    offset = Le32(bytes, 10);
    infoSize = Le32(bytes, 14);
    width = static_cast<int32_t>(Le32(bytes, 18));
    height = static_cast<int32_t>(Le32(bytes, 22));
    planes = Le16(bytes, 26);
    bpp = Le16(bytes, 28);
    compression = Le32(bytes, 30);
    imageSize = Le32(bytes, 34);
    if ((bpp != 24 && bpp != 32) || width <= 0 || height <= 0)
        return false;
    return offset <= bytes.size() && (bytes.size() - offset) / Stride() >= static_cast<size_t>(height);
}

size_t Bitmap::Stride() const
{
    return (static_cast<size_t>(width) * (bpp / 8) + 3) & ~size_t(3);
}

size_t Bitmap::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || (bpp != 24 && bpp != 32))
    {
        ADD_FAILURE() << "pixel " << x << "," << y << " is outside the " << width << "x" << height
                      << " bitmap";
        return bytes.size();
    }
    return offset + Stride() * static_cast<size_t>(height - 1 - y) + static_cast<size_t>(x) * (bpp / 8);
}

uint32_t Bitmap::Pixel(int x, int y) const
{
    const size_t at = At(x, y);
    if (at + 3 > bytes.size())
        return 0;
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16;
}

uint8_t Bitmap::Alpha(int x, int y) const
{
    EXPECT_EQ(bpp, 32) << "only 32-bit bitmaps keep an alpha";
    const size_t at = At(x, y);
    if (bpp != 32 || at + 4 > bytes.size())
        return 0;
    return static_cast<uint8_t>(bytes[at + 3]);
}

Bitmap BitmapIn(const TempDir& dir, const std::string& name)
{
    Bitmap b;
    EXPECT_TRUE(b.Parse(dir.Read(name))) << name;
    return b;
}

Bitmap ScreenshotIn(const TempDir& dir, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "tk_screen%04d.bmp", n);
    return BitmapIn(dir, name);
}
