#pragma once
// D3DX fonts: ID3DXFont over the font core (FontRaster.h). A font draws one
// laid-out text at a time through its device: the text's coverage goes into a
// glyph texture of the font's own (white, coverage in alpha) and one
// pre-transformed quad draws it in the colour asked, blended by source alpha,
// into the current render target and viewport. The states the draw changes are
// put back afterwards.
//
// Like the native font, a font counts as holding default-pool objects from its
// creation: the device refuses Reset until OnLostDevice has been called, and
// OnResetDevice takes the font back into use (its texture is made again at the
// next draw). Between the two a font measures but draws nothing.
//
// Sprites are not supported; a font drawn through one draws directly.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/FontTypes.h"

#ifndef LF_FACESIZE
#define LF_FACESIZE 32
#endif

struct ID3DXSprite;
typedef ID3DXSprite* LPD3DXSPRITE;

struct D3DXFONT_DESCA
{
    INT Height;
    UINT Width;
    UINT Weight;
    UINT MipLevels;
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    CHAR FaceName[LF_FACESIZE];
};
typedef D3DXFONT_DESCA D3DXFONT_DESC;

struct TEXTMETRICA
{
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
typedef TEXTMETRICA TEXTMETRIC;

struct ID3DXFont : IUnknown
{
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetDescA(D3DXFONT_DESCA* pDesc) = 0;
    virtual BOOL GetTextMetricsA(TEXTMETRICA* pTextMetrics) = 0;
    // Rasterises the glyphs of the character codes first..last (0..255).
    virtual HRESULT PreloadCharacters(UINT First, UINT Last) = 0;
    // Rasterises the glyphs of a text (count < 0: up to its terminator).
    virtual HRESULT PreloadTextA(LPCSTR pString, INT Count) = 0;
    // Draws (or with DT_CALCRECT measures) `Count` bytes of the text (all up
    // to the terminator when negative) in the rectangle with the DrawText
    // formats. Returns the text's height (see TkFontRaster::DrawText), 0 when
    // nothing was laid out.
    virtual INT DrawTextA(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format,
                          D3DCOLOR Color) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;

    // The names the game's code uses for the 8-bit calls.
    HRESULT GetDesc(D3DXFONT_DESCA* pDesc) { return GetDescA(pDesc); }
    BOOL GetTextMetrics(TEXTMETRICA* pTextMetrics) { return GetTextMetricsA(pTextMetrics); }
    HRESULT PreloadText(LPCSTR pString, INT Count) { return PreloadTextA(pString, Count); }
    INT DrawText(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format, D3DCOLOR Color)
    {
        return DrawTextA(pSprite, pString, Count, pRect, Format, Color);
    }
};
typedef ID3DXFont* LPD3DXFONT;

// Creates a font for the device. The face is found by name (application fonts
// first, then the system's; a missing name takes the default face with one
// line on stderr). D3DERR_INVALIDCALL without a device or out pointer, E_FAIL
// when no face exists or the height is out of range.
HRESULT D3DXCreateFontA(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels,
                        BOOL Italic, DWORD CharSet, DWORD OutputPrecision, DWORD Quality,
                        DWORD PitchAndFamily, LPCSTR pFaceName, ID3DXFont** ppFont);

inline HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels,
                              BOOL Italic, DWORD CharSet, DWORD OutputPrecision, DWORD Quality,
                              DWORD PitchAndFamily, LPCSTR pFaceName, ID3DXFont** ppFont)
{
    return D3DXCreateFontA(pDevice, Height, Width, Weight, MipLevels, Italic, CharSet, OutputPrecision,
                           Quality, PitchAndFamily, pFaceName, ppFont);
}
