// EFont: text layout into quads and the text drawing states. The glyph
// sheets are built in FontSheet.cpp.
#include "render/Font.h"

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/Diagnostics.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"

#include <cmath>
#include <cstring>
#include <new>

EFont g_Font;

namespace
{
struct TextVertex
{
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
static_assert(sizeof(TextVertex) == EFont::VERTEX_BYTES, "text vertices are 28 bytes");

constexpr UINT kTextBufferBytes = EFont::MAX_CHARS * 6 * EFont::VERTEX_BYTES;

// The size factor of a text: size 32 at 768 lines is one sheet texel per
// pixel. A sheet drawn from a font whose height already followed the screen
// is not scaled by the screen a second time, so its texts grow with the
// screen's height like every other, not with its square.
float SizeScale(float size, const strfont& font)
{
    return size / 32.0f * g_Options.fScreenScaleY / font.fSheetScale;
}
} // namespace

void strfont::Clear()
{
    bBuilt = 0;
    pTexture = nullptr;
    pSurface = nullptr;
    pTarget = nullptr;
    pTargetSurface = nullptr;
    pDepth = nullptr;
    pSysMem = nullptr;
    iWidth = 0;
    iHeight = 0;
    for (int c = 0; c < CHARS; ++c)
    {
        uLeft[c] = NO_GLYPH;
        uRight[c] = vTop[c] = vBottom[c] = 0.0f;
        iLeft[c] = iRight[c] = 0;
    }
    iTTFont = 0;
    fSheetScale = 1.0f;
}

EFont::EFont() : m_dwFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1) {}

void EFont::CreateVB()
{
    SAFE_RELEASE(m_pVB);
    if (!g_pD3DInterface ||
        FAILED(g_pD3DInterface->CreateVertexBuffer(kTextBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                                   m_dwFVF, D3DPOOL_DEFAULT, &m_pVB, nullptr)))
    {
        m_pVB = nullptr;
        g_Console.Print("EFont FAILED to create m_pVB!");
        return;
    }
    TkD3D9SetObjectName(m_pVB, "FontVB");
}

void EFont::CreateFonts()
{
    if (m_bCreated)
        return;
    m_bCreated = 1;
    CreateFontTextures(1);
    CreateFontTextures(2);
    for (strfont& font : m_Fonts)
        if (!font.bBuilt)
            RenderGlyphs(font);
}

bool EFont::UsableFont(int font) const
{
    return font >= 0 && font < MAX_FONTS && m_Fonts[font].bBuilt && m_Fonts[font].pTexture;
}

const strfont* EFont::GetFont(int index) const
{
    return index >= 0 && index < MAX_FONTS ? &m_Fonts[index] : nullptr;
}

float EFont::GetTextWidth(const char* text, float size, int font)
{
    if (!UsableFont(font) || !text || !text[0])
        return 0.0f;
    const strfont& f = m_Fonts[font];
    const float s = SizeScale(size, f);
    float width = 0.0f;
    int count = 0;
    for (const char* p = text; *p; ++p)
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (!f.HasGlyph(c))
            continue;
        // The last glyph a text's buffer takes is not counted, so at the
        // limit the width falls one glyph short of the laid-out text.
        if (++count >= MAX_GLYPHS)
            break;
        width += std::trunc(static_cast<float>(f.iRight[c] - f.iLeft[c] + 4) * s - 2.0f * s);
    }
    return width;
}

EText* EFont::CreateText(const char* text, float x, float y, DWORD color, float size, int font, bool centre,
                         bool right, bool shared)
{
    if (!UsableFont(font) || !text || !text[0])
        return nullptr;
    if (centre)
        x -= GetTextWidth(text, size, font) / 2.0f;
    else if (right)
        x -= GetTextWidth(text, size, font);

    EText* t = new (std::nothrow) EText;
    if (!t)
        return nullptr;
    g_Debug.AddAllocation("::EText");
    t->m_iFont = font;
    IDirect3DVertexBuffer9* vb = nullptr;
    if (shared)
    {
        if (!m_pVB)
        {
            g_Console.Print("EFont - !m_pVB!");
            DeleteText(t);
            return nullptr;
        }
        vb = m_pVB;
    }
    else
    {
        if (!g_pD3DInterface ||
            FAILED(g_pD3DInterface->CreateVertexBuffer(kTextBufferBytes, D3DUSAGE_WRITEONLY, m_dwFVF,
                                                       D3DPOOL_MANAGED, &t->m_pVB, nullptr)))
        {
            t->m_pVB = nullptr;
            g_Console.Print("Failed to create text VB!");
            DeleteText(t);
            return nullptr;
        }
        g_Debug.AddAllocation("EText");
        TkD3D9SetObjectName(t->m_pVB, "ETextVB");
        vb = t->m_pVB;
    }

    void* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, shared ? D3DLOCK_DISCARD : 0)) || !data)
    {
        g_Console.Print("Failed to lock text");
        DeleteText(t);
        return nullptr;
    }
    const strfont& f = m_Fonts[font];
    const float s = SizeScale(size, f);
    const float h = 32.0f * s;
    BYTE* out = static_cast<BYTE*>(data);
    int written = 0;
    for (const char* p = text; *p && written < MAX_GLYPHS; ++p)
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (!f.HasGlyph(c))
            continue;
        const float w = static_cast<float>(f.iRight[c] - f.iLeft[c] + 4) * s;
        const TextVertex quad[6] = {
            {x, y, 1.0f, 1.0f, color, f.uLeft[c], f.vTop[c]},
            {x, y + h, 1.0f, 1.0f, color, f.uLeft[c], f.vBottom[c]},
            {x + w, y + h, 1.0f, 1.0f, color, f.uRight[c], f.vBottom[c]},
            {x + w, y + h, 1.0f, 1.0f, color, f.uRight[c], f.vBottom[c]},
            {x + w, y, 1.0f, 1.0f, color, f.uRight[c], f.vTop[c]},
            {x, y, 1.0f, 1.0f, color, f.uLeft[c], f.vTop[c]},
        };
        std::memcpy(out + size_t(written) * sizeof quad, quad, sizeof quad);
        ++written;
        // Neighbouring glyphs overlap by their halos.
        x = std::trunc(x + w - 2.0f * s);
    }
    vb->Unlock();
    t->m_iNumChars = written;
    return t;
}

void EFont::DrawTextObject(EText* text)
{
    if (!text || text->m_iNumChars <= 0 || !UsableFont(text->m_iFont) || !g_pD3DInterface)
        return;
    IDirect3DVertexBuffer9* vb = text->m_pVB ? text->m_pVB : m_pVB;
    if (!vb)
        return;
    const bool ownBlock = !m_bInText;
    if (ownBlock)
        BeginText();
    g_pD3DInterface->SetTexture(0, m_Fonts[text->m_iFont].pTexture);
    g_pD3DInterface->SetStreamSource(0, vb, 0, VERTEX_BYTES);
    g_pD3DInterface->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(2 * text->m_iNumChars));
    if (ownBlock)
        EndText();
}

void EFont::DeleteText(EText* text)
{
    if (!text)
        return;
    if (text->m_pVB)
    {
        text->m_pVB->Release();
        text->m_pVB = nullptr;
        g_Debug.RemoveAllocation("EText");
    }
    delete text;
    g_Debug.RemoveAllocation("::EText");
}

void EFont::DrawText(const char* text, float x, float y, DWORD color, float size, int font, bool centre,
                     bool right)
{
    if (!text || !UsableFont(font))
        return;
    EText* t = CreateText(text, x, y, color, size, font, centre, right, true);
    if (!t)
        return;
    DrawTextObject(t);
    DeleteText(t);
}

void EFont::BeginText()
{
    if (m_bInText || !g_pD3DInterface)
        return;
    m_bInText = true;
    IDirect3DDevice9* device = g_pD3DInterface;
    m_SavedBindings.Save(device, 0);
    m_SavedStates.SetDevice(device);
    for (DWORD sampler = 0; sampler < 2; ++sampler)
    {
        m_SavedStates.SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
        m_SavedStates.SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
        m_SavedStates.SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_ANISOTROPIC);
    }
    m_SavedStates.SetAlphaBlend();
    m_SavedStates.SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    m_SavedStates.SetRenderState(D3DRS_ALPHAREF, 6);
    m_SavedStates.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    m_SavedStates.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_SavedStates.SetRenderState(D3DRS_ZENABLE, FALSE);
    m_SavedStates.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_SavedStates.SetTextureTimesDiffuse(0);
    for (DWORD stage = 1; stage < 8; ++stage)
    {
        m_SavedStates.SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        m_SavedStates.SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    device->SetVertexShader(nullptr);
    device->SetFVF(m_dwFVF);
}

void EFont::EndText()
{
    if (!m_bInText)
        return;
    m_SavedStates.Restore();
    m_SavedBindings.Restore();
    m_bInText = false;
}

void EFont::OnLostDevice()
{
    SAFE_RELEASE(m_pVB);
}

void EFont::OnResetDevice()
{
    SAFE_RELEASE(m_pVB);
    CreateVB();
}

void EFont::Release()
{
    for (strfont& font : m_Fonts)
    {
        ReleaseBuildObjects(font);
        SAFE_RELEASE(font.pSurface);
        SAFE_RELEASE(font.pTexture);
        font.Clear();
    }
    SAFE_RELEASE(m_pVB);
    m_iNumFonts = 0;
    m_bCreated = 0;
}
