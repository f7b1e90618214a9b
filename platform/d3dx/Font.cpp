#include "platform/d3dx/Font.h"

#include "platform/d3d9/Diagnostics.h"
#include "platform/d3dx/FontDraw.h"
#include "platform/d3dx/FontRaster.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace
{
class TkD3DXFont final : public ID3DXFont
{
public:
    TkD3DXFont(IDirect3DDevice9* device, std::unique_ptr<TkFontRaster> raster)
        : m_device(device), m_raster(std::move(raster))
    {
        m_device->AddRef();
        const TkFontDesc& desc = m_raster->Desc();
        std::snprintf(m_description, sizeof m_description, "ID3DXFont \"%s\" %d", desc.faceName.c_str(),
                      desc.height);
        Hold();
    }

    ULONG AddRef() override { return ++m_refs; }

    ULONG Release() override
    {
        if (m_refs == 0)
            return 0;
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        if (!ppDevice)
            return D3DERR_INVALIDCALL;
        m_device->AddRef();
        *ppDevice = m_device;
        return D3D_OK;
    }

    HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override
    {
        if (!pDesc)
            return D3DERR_INVALIDCALL;
        const TkFontDesc& d = m_raster->Desc();
        *pDesc = D3DXFONT_DESCA{};
        pDesc->Height = d.height;
        pDesc->Width = d.width;
        pDesc->Weight = d.weight;
        pDesc->MipLevels = d.mipLevels;
        pDesc->Italic = d.italic ? TRUE : FALSE;
        pDesc->CharSet = d.charSet;
        pDesc->OutputPrecision = d.outputPrecision;
        pDesc->Quality = d.quality;
        pDesc->PitchAndFamily = d.pitchAndFamily;
        std::snprintf(pDesc->FaceName, sizeof pDesc->FaceName, "%s", d.faceName.c_str());
        return D3D_OK;
    }

    BOOL GetTextMetricsA(TEXTMETRICA* tm) override
    {
        if (!tm)
            return FALSE;
        const TkFontMetrics& m = m_raster->Metrics();
        *tm = TEXTMETRICA{};
        tm->tmHeight = m.height;
        tm->tmAscent = m.ascent;
        tm->tmDescent = m.descent;
        tm->tmInternalLeading = m.internalLeading;
        tm->tmAveCharWidth = m.averageWidth;
        tm->tmMaxCharWidth = m.maxWidth;
        tm->tmWeight = m.weight;
        tm->tmDigitizedAspectX = 96;
        tm->tmDigitizedAspectY = 96;
        tm->tmFirstChar = 0x20;
        tm->tmLastChar = 0xFF;
        tm->tmDefaultChar = 0x1F;
        tm->tmBreakChar = 0x20;
        tm->tmItalic = m.italic ? 1 : 0;
        tm->tmPitchAndFamily = m_raster->Desc().pitchAndFamily;
        tm->tmCharSet = m_raster->Desc().charSet;
        return TRUE;
    }

    HRESULT PreloadCharacters(UINT First, UINT Last) override
    {
        if (First > Last)
            return D3DERR_INVALIDCALL;
        for (UINT c = First; c <= std::min(Last, 255u); ++c)
            m_raster->Glyph(static_cast<unsigned char>(c));
        return D3D_OK;
    }

    HRESULT PreloadTextA(LPCSTR pString, INT Count) override
    {
        if (!pString)
            return D3DERR_INVALIDCALL;
        for (INT i = 0; (Count < 0 || i < Count) && pString[i]; ++i)
            m_raster->Glyph(static_cast<unsigned char>(pString[i]));
        return D3D_OK;
    }

    INT DrawTextA(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format,
                  D3DCOLOR Color) override
    {
        if (!pString)
            return 0;
        if (Format & DT_CALCRECT)
            return m_raster->Measure(pString, Count, pRect, Format);
        if (pSprite && !m_spriteWarned)
        {
            m_spriteWarned = true;
            std::fprintf(stderr, "D3DX: fonts draw without sprites; text given a sprite is drawn directly\n");
        }
        const TkTextLayout layout = m_raster->Layout(pString, Count, pRect, Format);
        if (layout.lines == 0)
            return 0;
        // Between OnLostDevice and OnResetDevice nothing may be made on the
        // device; fully transparent text has nothing to draw.
        if (m_lost || (Color >> 24) == 0)
            return layout.result;
        RECT bounds;
        if (!TkFontTargetBounds(m_device, &bounds))
            return layout.result;
        // A text drawn as before (same characters, place, format and target
        // area) draws its kept texture: nothing is laid out into it again
        // and no texture the frame already uses is written.
        TextKey key;
        key.text.assign(pString, Count < 0 ? std::strlen(pString) : strnlen(pString, size_t(Count)));
        key.format = Format;
        key.rect = pRect ? *pRect : RECT{};
        key.hasRect = pRect != nullptr;
        key.bounds = bounds;
        if (KeptText* kept = FindKept(key))
        {
            kept->lastUse = ++m_useClock;
            TkFontDrawQuad(m_device, kept->texture, kept->quad, Color);
            return layout.result;
        }
        TkTextCoverage coverage;
        if (!TkFontRaster::Coverage(layout, &bounds, &coverage))
            return layout.result;
        KeptText& slot = SlotFor(key);
        if (SUCCEEDED(TkFontUploadCoverage(m_device, &slot.texture, coverage)))
        {
            slot.key = std::move(key);
            slot.quad = {coverage.left, coverage.top, coverage.width, coverage.height};
            slot.lastUse = ++m_useClock;
            slot.valid = true;
            TkFontDrawQuad(m_device, slot.texture, slot.quad, Color);
        }
        return layout.result;
    }

    HRESULT OnLostDevice() override
    {
        ReleaseKept();
        TkD3D9ReleaseDefaultPoolObject(m_device, this);
        m_lost = true;
        return D3D_OK;
    }

    HRESULT OnResetDevice() override
    {
        if (m_lost)
            Hold();
        m_lost = false;
        return D3D_OK;
    }

private:
    ~TkD3DXFont()
    {
        ReleaseKept();
        TkD3D9ReleaseDefaultPoolObject(m_device, this);
        m_device->Release();
    }

    // Fonts keep device objects of their own natively (a sprite, glyph
    // textures), so a font in use blocks Reset whether it has drawn or not.
    void Hold() { TkD3D9HoldDefaultPoolObject(m_device, this, m_description); }

    struct TextKey
    {
        std::string text;
        DWORD format = 0;
        RECT rect = {};
        bool hasRect = false;
        RECT bounds = {};
        bool operator==(const TextKey& o) const
        {
            return format == o.format && hasRect == o.hasRect && SameRect(rect, o.rect) &&
                   SameRect(bounds, o.bounds) && text == o.text;
        }
    };
    // A text drawn recently, with its own glyph texture.
    struct KeptText
    {
        TextKey key;
        IDirect3DTexture9* texture = nullptr;
        TkCoverageQuad quad;
        uint64_t lastUse = 0;
        bool valid = false;
    };
    // Enough for every line a frame draws (the console's recent lines with
    // their shadows, the overlays), so steady text is never written again.
    static constexpr size_t kKeptTexts = 48;

    static bool SameRect(const RECT& a, const RECT& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }

    KeptText* FindKept(const TextKey& key)
    {
        for (KeptText& k : m_kept)
            if (k.valid && k.key == key)
                return &k;
        return nullptr;
    }

    // A new slot while there is room, else the one drawn longest ago.
    KeptText& SlotFor(const TextKey&)
    {
        if (m_kept.size() < kKeptTexts)
            return m_kept.emplace_back();
        KeptText* oldest = &m_kept.front();
        for (KeptText& k : m_kept)
            if (k.lastUse < oldest->lastUse)
                oldest = &k;
        oldest->valid = false;
        return *oldest;
    }

    void ReleaseKept()
    {
        for (KeptText& k : m_kept)
            SAFE_RELEASE(k.texture);
        m_kept.clear();
    }

    ULONG m_refs = 1;
    IDirect3DDevice9* m_device;
    std::unique_ptr<TkFontRaster> m_raster;
    std::vector<KeptText> m_kept;
    uint64_t m_useClock = 0;
    bool m_lost = false;
    bool m_spriteWarned = false;
    char m_description[96] = {};
};
} // namespace

HRESULT D3DXCreateFontA(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels,
                        BOOL Italic, DWORD CharSet, DWORD OutputPrecision, DWORD Quality,
                        DWORD PitchAndFamily, LPCSTR pFaceName, ID3DXFont** ppFont)
{
    if (!ppFont)
        return D3DERR_INVALIDCALL;
    *ppFont = nullptr;
    if (!pDevice)
        return D3DERR_INVALIDCALL;
    TkFontDesc desc;
    desc.height = Height;
    desc.width = Width;
    desc.weight = Weight;
    desc.mipLevels = MipLevels;
    desc.italic = Italic != FALSE;
    desc.charSet = static_cast<BYTE>(CharSet);
    desc.outputPrecision = static_cast<BYTE>(OutputPrecision);
    desc.quality = static_cast<BYTE>(Quality);
    desc.pitchAndFamily = static_cast<BYTE>(PitchAndFamily);
    // Face names are at most LF_FACESIZE - 1 characters, as the native call cuts them.
    if (pFaceName)
        desc.faceName.assign(pFaceName, strnlen(pFaceName, LF_FACESIZE - 1));
    std::unique_ptr<TkFontRaster> raster = TkFontRaster::Create(desc);
    if (!raster)
        return E_FAIL;
    TkD3DXFont* font = new (std::nothrow) TkD3DXFont(pDevice, std::move(raster));
    if (!font)
        return E_OUTOFMEMORY;
    *ppFont = font;
    return D3D_OK;
}
