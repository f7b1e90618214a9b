#include "platform/d3dx/SurfaceSave.h"

#include "platform/d3d9/DeviceChild.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/DeviceRecords.h"
#include "platform/win32/Path.h"

#include <cstdio>
#include <vector>

namespace
{
using tk::d3d9::Color4;

constexpr DWORD BMP_FILE_HEADER = 14;
constexpr DWORD BMP_INFO_HEADER = 40;

void Put16(std::vector<BYTE>& out, WORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void Put32(std::vector<BYTE>& out, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

BYTE Channel(float v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= 1.0f)
        return 255;
    return static_cast<BYTE>(v * 255.0f + 0.5f);
}

// BITMAPFILEHEADER and BITMAPINFOHEADER, field by field.
void PutHeaders(std::vector<BYTE>& out, LONG width, LONG height, WORD bits, DWORD imageSize)
{
    Put16(out, 0x4D42); // "BM"
    Put32(out, BMP_FILE_HEADER + BMP_INFO_HEADER + imageSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, BMP_FILE_HEADER + BMP_INFO_HEADER);
    Put32(out, BMP_INFO_HEADER);
    Put32(out, static_cast<DWORD>(width));
    Put32(out, static_cast<DWORD>(height)); // positive: rows bottom-up
    Put16(out, 1);                          // planes
    Put16(out, bits);
    Put32(out, 0); // BI_RGB
    Put32(out, imageSize);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
}
} // namespace

HRESULT D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat,
                               IDirect3DSurface9* srcSurface, const PALETTEENTRY*, const RECT* srcRect)
{
    if (!destFile || !srcSurface)
        return D3DERR_INVALIDCALL;
    if (destFormat != D3DXIFF_BMP)
    {
        tk::d3d9::LogOnce("D3DXSaveSurfaceToFileA: only BMP files are written");
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc;
    if (FAILED(srcSurface->GetDesc(&desc)))
        return D3DERR_INVALIDCALL;
    const tk::d3d9::FormatInfo info = tk::d3d9::GetFormatInfo(desc.Format);
    if (info.kind != tk::d3d9::FormatKind::Color)
    {
        tk::d3d9::LogOnce("D3DXSaveSurfaceToFileA: the surface format has no colour to save");
        return D3DERR_INVALIDCALL;
    }
    RECT r = {0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    if (srcRect)
    {
        if (srcRect->left < 0 || srcRect->top < 0 || srcRect->right > r.right || srcRect->bottom > r.bottom ||
            srcRect->left >= srcRect->right || srcRect->top >= srcRect->bottom)
            return D3DERR_INVALIDCALL;
        r = *srcRect;
    }
    const LONG width = r.right - r.left;
    const LONG height = r.bottom - r.top;
    const bool alpha = desc.Format == D3DFMT_A8R8G8B8;
    const WORD bits = alpha ? 32 : 24;
    const DWORD rowBytes = (static_cast<DWORD>(width) * (bits / 8) + 3) & ~3u;
    const DWORD imageSize = rowBytes * static_cast<DWORD>(height);

    // A back buffer just presented is saved as the player saw it (through
    // the gamma ramp). A surface that refuses locks (a back buffer without
    // the lockable flag) is read from its memory, as D3DX copies such
    // surfaces out first.
    D3DLOCKED_RECT locked;
    TkSurfacePixels pixels;
    const bool shown = (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
                       TkD3D9ReadShownSurface(srcSurface, &pixels);
    const bool locks = !shown && SUCCEEDED(srcSurface->LockRect(&locked, &r, D3DLOCK_READONLY));
    if (!locks)
    {
        if (!shown && !TkD3D9ReadSurface(srcSurface, &pixels))
            return D3DERR_INVALIDCALL;
        locked.Pitch = pixels.pitch;
        locked.pBits = const_cast<BYTE*>(pixels.bits) + static_cast<size_t>(r.top) * pixels.pitch +
                       static_cast<size_t>(r.left) * info.bytes;
    }
    std::vector<BYTE> out;
    out.reserve(BMP_FILE_HEADER + BMP_INFO_HEADER + imageSize);
    PutHeaders(out, width, height, bits, imageSize);
    for (LONG y = height - 1; y >= 0; --y)
    {
        const BYTE* row = static_cast<const BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        const size_t start = out.size();
        for (LONG x = 0; x < width; ++x)
        {
            Color4 c = {0.0f, 0.0f, 0.0f, 1.0f};
            tk::d3d9::UnpackColor(desc.Format, row + static_cast<size_t>(x) * info.bytes, &c);
            out.push_back(Channel(c.b));
            out.push_back(Channel(c.g));
            out.push_back(Channel(c.r));
            if (alpha)
                out.push_back(Channel(c.a));
        }
        out.resize(start + rowBytes, 0);
    }
    if (locks)
        srcSurface->UnlockRect();

    FILE* f = TkFopen(destFile, "wb");
    if (!f)
        return D3DERR_INVALIDCALL;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    const bool closed = std::fclose(f) == 0;
    return written && closed ? D3D_OK : D3DERR_INVALIDCALL;
}
