#pragma once
// EFont: the game's bitmap fonts for 2D text. The glyph sheets are built once
// by drawing the TrueType fonts (ETTFontMgr) into a render target and reading
// the pixels back, with a soft dark halo added around every glyph. Texts are
// laid out into quads of pre-transformed vertices: into the shared dynamic
// buffer "FontVB" for text drawn once (DrawText), or into a buffer of their
// own for text kept and drawn every frame (EText). Sizes are given for the
// 1024 x 768 layout and multiplied by the vertical scale factor; a size of 32
// shows the glyph sheet texel for pixel at 768 lines.

#include "platform/d3dx/SavedStates.h"
#include "platform/win32/WinTypes.h"

// A text laid out once. Without a buffer of its own it lives in "FontVB" and
// is good only until the next text is made there.
class EText
{
public:
    IDirect3DVertexBuffer9* m_pVB = nullptr; // "ETextVB", or null in the shared buffer
    int m_iNumChars = 0;                     // glyphs laid out
    int m_iFont = 0;                         // bitmap font index
};

// One bitmap font: its glyph sheet and where each character code lies on it.
struct strfont
{
    static constexpr int CHARS = 256;
    static constexpr float NO_GLYPH = 2.0f; // a uLeft above 1 marks a character without glyph

    BYTE bBuilt = 0;
    IDirect3DTexture9* pTexture = nullptr;       // the glyph sheet: managed, A8R8G8B8
    IDirect3DSurface9* pSurface = nullptr;       // its level 0
    IDirect3DTexture9* pTarget = nullptr;        // render target drawn into while building
    IDirect3DSurface9* pTargetSurface = nullptr; // its level 0
    IDirect3DSurface9* pDepth = nullptr;         // depth-stencil surface while building
    IDirect3DSurface9* pSysMem = nullptr;        // the target read back while building
    int iWidth = 0;
    int iHeight = 0;
    float uLeft[CHARS];
    float uRight[CHARS];
    float vTop[CHARS];
    float vBottom[CHARS];
    int iLeft[CHARS];  // left pixel column of the glyph on the sheet
    int iRight[CHARS]; // right pixel column (left + the character's width)
    int iTTFont = 0;   // the TrueType font it was built from
    // The screen scale already in the sheet's glyphs (the TrueType font's own
    // height followed the screen): the layout takes it out again.
    float fSheetScale = 1.0f;

    strfont() { Clear(); }
    void Clear();
    bool HasGlyph(unsigned char c) const { return uLeft[c] <= 1.0f; }
};

class EFont
{
public:
    static constexpr int MAX_FONTS = 8;
    static constexpr int MAX_CHARS = 256;            // characters of one text's buffer
    static constexpr int MAX_GLYPHS = MAX_CHARS - 1; // glyphs laid out of one text
    static constexpr int VERTEX_BYTES = 28;          // XYZRHW, DIFFUSE, TEX1
    static constexpr int SHEET_HEIGHT = 640;         // 16 rows of 40 pixels
    static constexpr int ROW_HEIGHT = 40;

    EFont();
    virtual ~EFont() = default;

    // Makes the shared buffer "FontVB" (default pool).
    void CreateVB();
    // The sheet's objects for TrueType font n, as the next bitmap font.
    void CreateFontTextures(int n);
    // Draws and converts the glyphs of a font whose sheet objects exist.
    void RenderGlyphs(strfont& font);
    // Once per run: bitmap fonts 0 and 1 from TrueType fonts 1 and 2.
    void CreateFonts();

    // Width in screen pixels of the text at this size in bitmap font `font`.
    float GetTextWidth(const char* text, float size, int font);
    // A laid-out text, or null (no text, no such font, no buffer).
    EText* CreateText(const char* text, float x, float y, DWORD color, float size, int font, bool centre,
                      bool right, bool shared);
    void DrawTextObject(EText* text);
    void DeleteText(EText* text);
    // A text drawn once, through the shared buffer.
    void DrawText(const char* text, float x, float y, DWORD color, float size, int font, bool centre,
                  bool right);

    // The states text drawing needs, from BeginText until EndText, which puts
    // back what was there. Text drawn outside such a block opens one for itself.
    void BeginText();
    void EndText();

    void OnLostDevice();
    void OnResetDevice();
    void Release();

    // The font record (tests and the debug overlay); null out of range.
    const strfont* GetFont(int index) const;

    BYTE m_bCreated = 0;
    DWORD m_dwFVF;
    int m_iMaxChars = MAX_CHARS;
    IDirect3DVertexBuffer9* m_pVB = nullptr;
    strfont m_Fonts[MAX_FONTS];
    int m_iNumFonts = 0;

private:
    bool UsableFont(int font) const;
    void ReleaseBuildObjects(strfont& font);

    bool m_bInText = false;
    TkSavedStates m_SavedStates;
    TkSavedBindings m_SavedBindings;
};

extern EFont g_Font;
