// Picture files as the texture loaders read them: the DDS reader with its
// block decoder, the TGA check and stb_image behind it. Every level of every
// face that the reader accepts is decoded to pixels.

#include "platform/d3dx/ImageFile.h"
#include "platform/d3dx/ImagePixels.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string why;
    D3DXIMAGE_INFO info = {};
    tk::d3dx::ReadImageInfo(data, size, &info, &why);
    tk::d3dx::Image image;
    if (!tk::d3dx::DecodeImage(data, size, &image, &why))
        return 0;
    for (UINT face = 0; face < image.faces; ++face)
        for (UINT level = 0; level < image.levels; ++level)
        {
            const RECT whole = {0, 0, LONG(image.LevelWidth(level)), LONG(image.LevelHeight(level))};
            tk::d3dx::Pixels pixels;
            tk::d3dx::TakePixels(image, face, level, whole, &pixels);
        }
    return 0;
}
