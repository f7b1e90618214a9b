#pragma once
// Pictures read from files for the D3DX texture and surface loaders: DDS by the
// reader in DdsReader.cpp, TGA, BMP and PNG by stb_image (JPEG is refused: the
// game's textures are .tga and .dds, its thumbnails .bmp). A picture keeps its
// pixels in a Direct3D format, face by face and level by level, so the loaders
// can copy what a texture takes as it is.

#include "platform/d3dx/Texture.h"

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <string>
#include <vector>

namespace tk::d3dx
{
// Bytes that are written before they are read: a resize leaves them as they
// are instead of zeroing megabytes that a file read overwrites at once.
template <class T> struct UninitializedAllocator : std::allocator<T>
{
    template <class U> struct rebind
    {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U> UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using ByteBuffer = std::vector<BYTE, UninitializedAllocator<BYTE>>;

// Largest edge we accept from any file: bigger pictures are refused as damaged
// before anything is allocated for them.
constexpr UINT kMaxImageEdge = 16384;
// Most pixels a picture decoded from a file may hold, and most texels the
// texture loaders compute for one texture (all faces of its top level): as
// much as one 8192 x 8192 texture.
constexpr size_t kMaxImagePixels = size_t(8192) * 8192;

struct Image
{
    D3DXIMAGE_INFO info = {};
    D3DFORMAT format = D3DFMT_UNKNOWN; // format of the bytes held
    UINT width = 0;
    UINT height = 0;
    UINT levels = 0;
    UINT faces = 0; // 1, or 6 for a cube map
    ByteBuffer bytes;
    std::vector<size_t> offsets; // into bytes, face-major: face * levels + level

    UINT LevelWidth(UINT level) const { return width >> level ? width >> level : 1; }
    UINT LevelHeight(UINT level) const { return height >> level ? height >> level : 1; }
    const BYTE* Level(UINT face, UINT level) const { return bytes.data() + offsets[face * levels + level]; }
};

// Reads a whole file through the path resolver; false when it cannot be opened
// or read.
bool ReadWholeFile(const char* path, ByteBuffer* out);

// The picture in `data`; false with a reason for a damaged or unknown one. The
// DDS reader checks every count against the file before it allocates.
bool DecodeImage(const BYTE* data, size_t size, Image* out, std::string* why);
// The same, taking over the file's bytes (DDS levels are then used in place).
bool DecodeImageFile(ByteBuffer&& file, Image* out, std::string* why);
// Only the header: the size, levels, format and kind of file.
bool ReadImageInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO* out, std::string* why);

// The DDS container on its own (both are used by the calls above).
bool DecodeDds(const BYTE* data, size_t size, Image* out, std::string* why);
bool TakeDds(ByteBuffer&& file, Image* out, std::string* why);
bool ReadDdsInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO* out, std::string* why);

// One level of a block-compressed format (DXT1, DXT3, DXT5) into A8R8G8B8
// pixels, `width` x `height`, rows of `width` DWORDs.
void DecodeDxt(D3DFORMAT format, const BYTE* blocks, UINT width, UINT height, DWORD* out);

// Bytes one level of `format` takes at this size (0 for formats we do not hold).
size_t LevelBytes(D3DFORMAT format, UINT width, UINT height);
} // namespace tk::d3dx
