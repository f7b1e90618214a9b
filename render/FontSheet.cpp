// EFont: building the glyph sheets. Every character code 0 to 255 gets a cell
// on a sheet of 16 rows by 16 codes; the TrueType font draws the character
// in white on black into a render target, the pixels are read back and each
// becomes a texel whose alpha carries the glyph and a soft dark halo around it.
#include "render/Font.h"

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/Diagnostics.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/TTFontMgr.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
constexpr int kCodesPerRow = 16;
constexpr int kRows = 16;
constexpr int kCellMargin = 8;  // pixels a cell is wider than its character
constexpr int kGlyphInset = 4;  // the character is drawn this far into its cell
constexpr int kHalo = 2;        // pixels of halo kept on each side of a glyph
constexpr int kSpaceWidth = 10; // a space measures nothing useful; it gets this
constexpr int kGlyphSpan = 32;  // sheet rows a glyph quad shows, halo included
constexpr int kHaloRadius = 2;  // the halo sums the 5 x 5 pixels around a pixel

// The width a character takes on the sheet; 0 for one without glyph (code 0,
// control characters). The current TrueType font measures it.
int CharWidth(unsigned char c)
{
    if (c == 0)
        return 0;
    if (c == ' ')
        return kSpaceWidth;
    const char text[2] = {static_cast<char>(c), 0};
    return std::max(0, g_TTFontMgr.GetTextWidth(text));
}

// The widest row of cells. Measured with the same cells the glyphs are drawn
// in, so that no cell runs past the sheet's edge.
int SheetWidth()
{
    int widest = 0;
    for (int row = 0; row < kRows; ++row)
    {
        int width = 0;
        for (int col = 0; col < kCodesPerRow; ++col)
            width += CharWidth(static_cast<unsigned char>(row * kCodesPerRow + col)) + kCellMargin;
        widest = std::max(widest, width);
    }
    return widest;
}

// The halo: each pixel's brightness plus a glow from the 5 x 5 pixels around
// it, in alpha; the colour darkens towards the glow's edge.
void ConvertSheet(const BYTE* src, int srcPitch, BYTE* dst, int dstPitch, int width, int height)
{
    std::vector<int> bright(size_t(width) * height);
    for (int y = 0; y < height; ++y)
    {
        const BYTE* row = src + ptrdiff_t(y) * srcPitch;
        for (int x = 0; x < width; ++x)
        {
            const BYTE* p = row + x * 4; // B, G, R, A
            bright[size_t(y) * width + x] = (p[0] + p[1] + p[2]) / 3;
        }
    }
    // Sums over the window, first along rows, then along columns.
    std::vector<int> across(bright.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            int sum = 0;
            for (int dx = -kHaloRadius; dx <= kHaloRadius; ++dx)
                if (x + dx >= 0 && x + dx < width)
                    sum += bright[size_t(y) * width + x + dx];
            across[size_t(y) * width + x] = sum;
        }
    for (int y = 0; y < height; ++y)
    {
        const BYTE* srcRow = src + ptrdiff_t(y) * srcPitch;
        BYTE* dstRow = dst + ptrdiff_t(y) * dstPitch;
        for (int x = 0; x < width; ++x)
        {
            int sum = 0;
            for (int dy = -kHaloRadius; dy <= kHaloRadius; ++dy)
                if (y + dy >= 0 && y + dy < height)
                    sum += across[size_t(y + dy) * width + x];
            const int s = sum / 9;
            const float g = static_cast<float>(s) / 256.0f;
            const int b = bright[size_t(y) * width + x];
            const int alpha = std::min(255, b + static_cast<int>(256.0f * std::sqrt(g)));
            const int grey = std::min(255, srcRow[x * 4] + static_cast<int>(32.0f * g * g));
            const uint32_t texel =
                (uint32_t(alpha) << 24) | (uint32_t(grey) << 16) | (uint32_t(grey) << 8) | uint32_t(grey);
            std::memcpy(dstRow + x * 4, &texel, 4);
        }
    }
}

// Draws every character into its cell and records where its glyph lies.
void DrawGlyphs(strfont& font)
{
    const float sheetW = static_cast<float>(font.iWidth), sheetH = static_cast<float>(font.iHeight);
    for (int row = 0; row < kRows; ++row)
    {
        const int y = row * EFont::ROW_HEIGHT;
        int x = 0;
        for (int col = 0; col < kCodesPerRow; ++col)
        {
            const unsigned char c = static_cast<unsigned char>(row * kCodesPerRow + col);
            const int width = CharWidth(c);
            if (width > 0)
            {
                const char text[2] = {static_cast<char>(c), 0};
                g_TTFontMgr.DrawText(text, static_cast<float>(x + kGlyphInset),
                                     static_cast<float>(y + kGlyphInset), 0xFFFFFFFF, 0, 0);
                // The glyph with its halo: from kHalo pixels before the
                // character to kHalo pixels after it.
                const int left = x + kGlyphInset - kHalo;
                font.iLeft[c] = left;
                font.iRight[c] = left + width;
                font.uLeft[c] = static_cast<float>(left) / sheetW;
                font.uRight[c] = static_cast<float>(left + width + 2 * kHalo) / sheetW;
                font.vTop[c] = static_cast<float>(y + kGlyphInset - kHalo) / sheetH;
                font.vBottom[c] = static_cast<float>(y + kGlyphInset - kHalo + kGlyphSpan) / sheetH;
            }
            x += width + kCellMargin;
        }
    }
}
} // namespace

void EFont::ReleaseBuildObjects(strfont& font)
{
    SAFE_RELEASE(font.pTargetSurface);
    SAFE_RELEASE(font.pTarget);
    SAFE_RELEASE(font.pDepth);
    SAFE_RELEASE(font.pSysMem);
}

void EFont::CreateFontTextures(int n)
{
    if (n < 0 || n >= ETTFontMgr::MAX_FONTS)
        return;
    if (m_iNumFonts >= MAX_FONTS)
    {
        g_Console.Print("Font not created - overflow!");
        return;
    }
    IDirect3DDevice9* device = g_pD3DInterface;
    g_TTFontMgr.SetCurrentFont(n);
    const int width = std::max(1, SheetWidth());
    strfont& font = m_Fonts[m_iNumFonts];
    font.Clear();
    font.iTTFont = n;
    font.fSheetScale = g_TTFontMgr.GetCreatedScale(n);
    font.iWidth = width;
    font.iHeight = SHEET_HEIGHT;
    const UINT w = static_cast<UINT>(width), h = static_cast<UINT>(SHEET_HEIGHT);

    const char* failure = nullptr;
    if (!device ||
        FAILED(device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                     &font.pTarget, nullptr)) ||
        FAILED(font.pTarget->GetSurfaceLevel(0, &font.pTargetSurface)))
        failure = "failed 1";
    else if (FAILED(device->CreateDepthStencilSurface(w, h, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                      &font.pDepth, nullptr)))
        failure = "CreateDepthStencilSurface failed";
    else if (FAILED(device->CreateOffscreenPlainSurface(w, h, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                        &font.pSysMem, nullptr)))
        failure = "failed 2";
    else if (FAILED(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &font.pTexture,
                                          nullptr)))
        failure = "Unable to create font target texture";
    else if (FAILED(font.pTexture->GetSurfaceLevel(0, &font.pSurface)))
        failure = "failed 8";

    if (failure)
    {
        g_Console.Print(failure);
        // Nothing half made is kept: default-pool leftovers would block every reset.
        ReleaseBuildObjects(font);
        SAFE_RELEASE(font.pSurface);
        SAFE_RELEASE(font.pTexture);
        font.Clear();
    }
    else
    {
        TkD3D9SetObjectName(font.pTarget, "EFont glyph target");
        TkD3D9SetObjectName(font.pDepth, "EFont glyph depth");
        TkD3D9SetObjectName(font.pTexture, "EFont glyphs");
        ++m_iNumFonts;
    }
    g_TTFontMgr.SetCurrentFont(0);
}

void EFont::RenderGlyphs(strfont& font)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device || !font.pTargetSurface || !font.pDepth || !font.pSysMem || !font.pSurface)
        return;
    IDirect3DSurface9* oldTarget = nullptr;
    IDirect3DSurface9* oldDepth = nullptr;
    D3DVIEWPORT9 oldViewport = {};
    device->GetRenderTarget(0, &oldTarget);
    device->GetDepthStencilSurface(&oldDepth);
    const bool haveViewport = SUCCEEDED(device->GetViewport(&oldViewport));

    const D3DVIEWPORT9 sheet = {0,    0,   static_cast<DWORD>(font.iWidth), static_cast<DWORD>(font.iHeight),
                                0.0f, 1.0f};
    const char* failure = nullptr;
    if (FAILED(device->SetRenderTarget(0, font.pTargetSurface)))
        failure = "SetRenderTarget FAILED";
    else if (FAILED(device->SetDepthStencilSurface(font.pDepth)))
        failure = "SetDepthStencilSurface FAILED";
    else if (FAILED(device->SetViewport(&sheet)))
        failure = "SetViewport FAILED";
    else if (FAILED(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0)))
        failure = "Clear FAILED";
    else
    {
        // Built from the first frame's scene normally; anywhere else the
        // glyphs need a scene of their own.
        const bool ownScene = SUCCEEDED(device->BeginScene());
        g_TTFontMgr.SetCurrentFont(font.iTTFont);
        DrawGlyphs(font);
        g_TTFontMgr.SetCurrentFont(0);
        if (ownScene)
            device->EndScene();
        D3DLOCKED_RECT from, to;
        if (FAILED(device->GetRenderTargetData(font.pTargetSurface, font.pSysMem)))
            failure = "GetRenderTargetData FAILED";
        else if (FAILED(font.pSysMem->LockRect(&from, nullptr, D3DLOCK_READONLY)))
            failure = "LockRect r0 FAILED";
        else if (FAILED(font.pSurface->LockRect(&to, nullptr, 0)))
        {
            font.pSysMem->UnlockRect();
            failure = "LockRect r1 FAILED";
        }
        else
        {
            ConvertSheet(static_cast<const BYTE*>(from.pBits), from.Pitch, static_cast<BYTE*>(to.pBits),
                         to.Pitch, font.iWidth, font.iHeight);
            font.pSurface->UnlockRect();
            font.pSysMem->UnlockRect();
        }
    }
    if (failure)
        g_Console.Print(failure);

    device->SetRenderTarget(0, oldTarget);
    device->SetDepthStencilSurface(oldDepth);
    if (haveViewport)
        device->SetViewport(&oldViewport);
    SAFE_RELEASE(oldTarget);
    SAFE_RELEASE(oldDepth);
    ReleaseBuildObjects(font);
    font.bBuilt = failure ? 0 : 1;
}
