#include "platform/d3dx/FontDraw.h"

#include "platform/d3d9/Diagnostics.h"
#include "platform/d3dx/SavedStates.h"

#include <algorithm>
#include <cstring>

namespace
{
// The glyph texture starts at this size and doubles per side as texts need.
constexpr UINT kMinTextureWidth = 256;
constexpr UINT kMinTextureHeight = 64;

struct FontVertex
{
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kFontVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

UINT Grow(UINT have, UINT need, UINT least)
{
    UINT size = std::max(have, least);
    while (size < need)
        size *= 2;
    return size;
}

// A texture at least w x h, the one given when it is large enough.
bool FitTexture(IDirect3DDevice9* device, IDirect3DTexture9** texture, UINT w, UINT h, UINT* texW, UINT* texH)
{
    UINT haveW = 0, haveH = 0;
    if (*texture)
    {
        D3DSURFACE_DESC desc;
        if (SUCCEEDED((*texture)->GetLevelDesc(0, &desc)))
        {
            haveW = desc.Width;
            haveH = desc.Height;
        }
        if (haveW >= w && haveH >= h)
        {
            *texW = haveW;
            *texH = haveH;
            return true;
        }
        SAFE_RELEASE(*texture);
    }
    const UINT newW = Grow(haveW, w, kMinTextureWidth), newH = Grow(haveH, h, kMinTextureHeight);
    // Dynamic, so that each text can be written into it; default pool, so
    // that the font must let go of it before the device is reset.
    if (FAILED(device->CreateTexture(newW, newH, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                     texture, nullptr)))
        return false;
    TkD3D9SetObjectName(*texture, "ID3DXFont glyphs");
    *texW = newW;
    *texH = newH;
    return true;
}

bool Upload(IDirect3DTexture9* texture, const TkTextCoverage& coverage)
{
    D3DLOCKED_RECT locked;
    const RECT area{0, 0, coverage.width, coverage.height};
    if (FAILED(texture->LockRect(0, &locked, &area, D3DLOCK_DISCARD)))
        return false;
    for (int y = 0; y < coverage.height; ++y)
    {
        const uint8_t* src = coverage.alpha.data() + size_t(y) * size_t(coverage.width);
        uint8_t* row = static_cast<uint8_t*>(locked.pBits) + ptrdiff_t(y) * locked.Pitch;
        for (int x = 0; x < coverage.width; ++x)
        {
            const uint32_t texel = (uint32_t(src[x]) << 24) | 0x00FFFFFFu;
            std::memcpy(row + size_t(x) * 4, &texel, 4);
        }
    }
    texture->UnlockRect(0);
    return true;
}
} // namespace

bool TkFontTargetBounds(IDirect3DDevice9* device, RECT* out)
{
    if (!device || !out)
        return false;
    IDirect3DSurface9* target = nullptr;
    if (FAILED(device->GetRenderTarget(0, &target)) || !target)
        return false;
    D3DSURFACE_DESC desc;
    const HRESULT hr = target->GetDesc(&desc);
    target->Release();
    if (FAILED(hr))
        return false;
    D3DVIEWPORT9 viewport;
    if (FAILED(device->GetViewport(&viewport)))
        viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    const int64_t left = std::min<int64_t>(viewport.X, desc.Width);
    const int64_t top = std::min<int64_t>(viewport.Y, desc.Height);
    const int64_t right = std::min<int64_t>(int64_t(viewport.X) + viewport.Width, desc.Width);
    const int64_t bottom = std::min<int64_t>(int64_t(viewport.Y) + viewport.Height, desc.Height);
    *out = RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)};
    return right > left && bottom > top;
}

HRESULT TkFontDrawCoverage(IDirect3DDevice9* device, IDirect3DTexture9** texture,
                           const TkTextCoverage& coverage, D3DCOLOR color)
{
    const HRESULT hr = TkFontUploadCoverage(device, texture, coverage);
    if (FAILED(hr))
        return hr;
    return TkFontDrawQuad(device, *texture, {coverage.left, coverage.top, coverage.width, coverage.height},
                          color);
}

HRESULT TkFontUploadCoverage(IDirect3DDevice9* device, IDirect3DTexture9** texture,
                             const TkTextCoverage& coverage)
{
    if (!device || !texture || coverage.width <= 0 || coverage.height <= 0)
        return D3DERR_INVALIDCALL;
    UINT texW = 0, texH = 0;
    if (!FitTexture(device, texture, UINT(coverage.width), UINT(coverage.height), &texW, &texH))
        return E_OUTOFMEMORY;
    return Upload(*texture, coverage) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT TkFontDrawQuad(IDirect3DDevice9* device, IDirect3DTexture9* texture, const TkCoverageQuad& coverage,
                       D3DCOLOR color)
{
    if (!device || !texture || coverage.width <= 0 || coverage.height <= 0)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    if (FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width < UINT(coverage.width) ||
        desc.Height < UINT(coverage.height))
        return D3DERR_INVALIDCALL;
    const UINT texW = desc.Width, texH = desc.Height;

    // Pixel centres lie on whole coordinates: the quad's edges go half a pixel
    // out, so every pixel reads its own texel's centre.
    const float x0 = float(coverage.left) - 0.5f, y0 = float(coverage.top) - 0.5f;
    const float x1 = x0 + float(coverage.width), y1 = y0 + float(coverage.height);
    const float u1 = float(coverage.width) / float(texW), v1 = float(coverage.height) / float(texH);
    const FontVertex quad[4] = {
        {x0, y0, 0.0f, 1.0f, color, 0.0f, 0.0f},
        {x1, y0, 0.0f, 1.0f, color, u1, 0.0f},
        {x0, y1, 0.0f, 1.0f, color, 0.0f, v1},
        {x1, y1, 0.0f, 1.0f, color, u1, v1},
    };

    TkSavedBindings bindings;
    bindings.Save(device, 0);
    TkSavedStates states(device);
    states.SetAlphaBlend();
    states.SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
    states.SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    states.SetRenderState(D3DRS_ZENABLE, FALSE);
    states.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    states.SetRenderState(D3DRS_STENCILENABLE, FALSE);
    states.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    states.SetRenderState(D3DRS_FOGENABLE, FALSE);
    states.SetRenderState(D3DRS_LIGHTING, FALSE);
    states.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    states.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    states.SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    states.SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                                      D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
    states.SetTextureTimesDiffuse(0);
    states.SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    states.SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    states.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    states.SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    states.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    states.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    states.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    states.SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    states.SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    states.SetSamplerState(0, D3DSAMP_SRGBTEXTURE, FALSE);
    device->SetTexture(0, texture);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(kFontVertexFvf);
    const HRESULT hr = device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(FontVertex));
    states.Restore();
    bindings.Restore();
    return hr;
}
