#include "render/SpriteMgr.h"

#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>

ESpriteMgr g_SpriteMgr;

namespace
{
constexpr const char* kPageTag = "strSprites";
constexpr const char* kPageCtorTag = "::strSprites";
constexpr const char* kBufferNames[SPRITE_BLEND_MODES] = {"AdditiveVB", "MultiplyVB", "NormalVB"};
constexpr DWORD kSpriteFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr int kAdditive = 0;
constexpr int kMultiply = 1;
constexpr int kNormal = 2;
constexpr float kRecheckDistance = 5120.0f;
constexpr float kNoFarPlane = 16000.0f;
constexpr float kViewCone = -0.5f; // cos of 120 degrees between the view and the way back to the camera
constexpr float kGrowFrom = 100.0f;
constexpr float kGrow = 0.1f;
constexpr float kHalf = 0.5f;
constexpr int kStages = 5;
constexpr DWORD kWhite = 0xFFFFFFFF;

struct Vertex
{
    float x, y, z;
    DWORD color;
    float u, v;
};
static_assert(sizeof(Vertex) == SPRITE_VERTEX_SIZE, "sprite vertices are 24 bytes");

strSingleSprite* SpriteOf(HOBJECT object)
{
    return object ? static_cast<strSingleSprite*>(object->pSprite) : nullptr;
}

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

int ModeOf(DWORD flags2)
{
    if (flags2 & SPRITE_ADDITIVE)
        return kAdditive;
    if (flags2 & SPRITE_MULTIPLY)
        return kMultiply;
    return kNormal;
}

void CopyAxes(strSingleSprite* s)
{
    s->vForward = s->Orientation.Forward;
    s->vUp = s->Orientation.Up;
    s->vRight = s->Orientation.Right;
}
} // namespace

strSingleSprite::strSingleSprite()
{
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    Orientation = EOrientation();
    dwColor = kWhite;
}

strSprites::strSprites()
{
    g_Debug.AddAllocation(kPageCtorTag);
}

ESpriteMgr::~ESpriteMgr() = default;

void ESpriteMgr::AddSprite(HOBJECT object, const EObjectDesc* desc)
{
    if (!object || !desc || !g_Options.DrawSprites)
        return;
    const TextureIndex texture = g_Renderer.GetTextureIndex(desc->szFileName);
    if (texture >= static_cast<TextureIndex>(MAX_SPRITE_PAGES))
        return;
    strSprites* page = m_pPageTable[texture];
    if (!page)
    {
        page = new strSprites;
        // Zeroed whole after construction, the records' own defaults included;
        // each record gets its values when it is taken.
        std::memset(static_cast<void*>(page), 0, sizeof *page);
        page->pNext = m_pPages;
        if (m_pPages)
            m_pPages->pPrev = page;
        m_pPages = page;
        g_Debug.AddAllocation(kPageTag);
        page->iTexture = texture;
        m_pPageTable[texture] = page;
        for (int mode = 0; mode < SPRITE_BLEND_MODES; ++mode)
        {
            const bool wanted = (mode == kAdditive && (desc->dwFlags2 & SPRITE_ADDITIVE)) ||
                                (mode == kMultiply && (desc->dwFlags2 & SPRITE_MULTIPLY)) ||
                                (mode == kNormal && !(desc->dwFlags2 & (SPRITE_ADDITIVE | SPRITE_MULTIPLY)));
            if (!wanted || !g_pD3DInterface)
                continue;
            if (FAILED(g_pD3DInterface->CreateVertexBuffer(SPRITE_VB_SIZE, D3DUSAGE_WRITEONLY, kSpriteFVF,
                                                           D3DPOOL_MANAGED, &page->pVB[mode], nullptr)))
                page->pVB[mode] = nullptr;
            else
                g_Debug.AddAllocation(kBufferNames[mode]);
        }
    }
    strSingleSprite* s = nullptr;
    for (strSingleSprite& candidate : page->Sprites)
        if (!candidate.bUsed)
        {
            s = &candidate;
            break;
        }
    if (!s)
    {
        object->Object = nullptr;
        object->pSprite = nullptr;
        return;
    }
    *s = strSingleSprite();
    s->bUsed = 1;
    ++page->iLive;
    s->dwFlags = desc->dwFlags;
    s->dwFlags2 = desc->dwFlags2;
    s->vPosition = desc->vPosition;
    s->vScale = desc->vScale;
    s->Orientation = desc->Orientation;
    CopyAxes(s);
    s->dwColor = kWhite;
    s->hObject = object;
    s->pPage = page;
    object->Object = s;
    object->pSprite = s;
    page->bSkip = (desc->dwFlags2 & SPRITE_PAGE_SKIPPED) ? 1 : 0;
}

void ESpriteMgr::RemoveSprite(HOBJECT object)
{
    strSingleSprite* s = SpriteOf(object);
    if (!object || !object->bUsed || !s || !s->pPage)
        return;
    if (s->bUsed)
    {
        --s->pPage->iLive;
        s->bUsed = 0;
    }
}

void ESpriteMgr::SetSpritePosition(HOBJECT object, const D3DXVECTOR3* position)
{
    if (strSingleSprite* s = SpriteOf(object); s && position)
        s->vPosition = *position;
}

void ESpriteMgr::GetSpritePosition(HOBJECT object, D3DXVECTOR3* out)
{
    if (strSingleSprite* s = SpriteOf(object); s && out)
        *out = s->vPosition;
}

void ESpriteMgr::SetSpriteColor(HOBJECT object, DWORD color)
{
    if (strSingleSprite* s = SpriteOf(object))
        s->dwColor = color;
}

void ESpriteMgr::SetSpriteOrientation(HOBJECT object, const EOrientation* orientation)
{
    if (strSingleSprite* s = SpriteOf(object); s && orientation)
    {
        s->Orientation = *orientation;
        CopyAxes(s);
    }
}

void ESpriteMgr::GetSpriteOrientation(HOBJECT object, EOrientation* out)
{
    if (strSingleSprite* s = SpriteOf(object); s && out)
        *out = s->Orientation;
}

void ESpriteMgr::SetSpriteScale(HOBJECT object, const D3DXVECTOR3* scale)
{
    if (strSingleSprite* s = SpriteOf(object); s && scale)
        s->vScale = *scale;
}

void ESpriteMgr::GetSpriteScale(HOBJECT object, D3DXVECTOR3* out)
{
    if (strSingleSprite* s = SpriteOf(object); s && out)
        *out = s->vScale;
}

void ESpriteMgr::SetSpriteFlags(HOBJECT object, DWORD flags)
{
    if (strSingleSprite* s = SpriteOf(object))
        s->dwFlags = flags;
}

void ESpriteMgr::SetSpriteFlags2(HOBJECT object, DWORD flags)
{
    if (strSingleSprite* s = SpriteOf(object))
        s->dwFlags2 = flags;
}

// ---- Frame -----------------------------------------------------------------------------

void ESpriteMgr::Update()
{
    if (!m_bActive || !g_Options.DrawSprites)
        return;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    m_vCameraPosition = g_Camera.GetPosition();
    m_vCameraDirection = g_Camera.m_vForward;
    m_vCameraRight = g_Camera.m_vRight;
    m_vCameraUp = g_Camera.m_vUp;
    m_fFarPlane = g_Camera.GetFarPlane();
    UpdateVisibility();
    FillVertexBuffers();
}

void ESpriteMgr::UpdateVisibility()
{
    for (strSprites* page = m_pPages; page; page = page->pNext)
        for (strSingleSprite& s : page->Sprites)
        {
            if (!s.bUsed)
                continue;
            if (!(s.dwFlags & SPRITE_CHECK_EVERY_FRAME))
            {
                s.fTimer -= m_fFrameTime;
                if (s.fTimer > 0.0f)
                    continue;
            }
            const D3DXVECTOR3 d = m_vCameraPosition - s.vPosition;
            const float dist = Length(d);
            s.fTimer = dist / kRecheckDistance;
            if (!(s.dwFlags2 & SPRITE_NO_FAR_PLANE) &&
                (dist > m_fFarPlane || Length(d + m_vCameraDirection) > dist))
            {
                s.bVisible = 0;
                continue;
            }
            const D3DXVECTOR3 n = dist > 0.0f ? d / dist : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
            const float cosine =
                m_vCameraDirection.x * n.x + m_vCameraDirection.y * n.y + m_vCameraDirection.z * n.z;
            s.bVisible = cosine < kViewCone ? 1 : 0;
        }
}

void ESpriteMgr::FillVertexBuffers()
{
    if (g_Options.NoLight)
        return;
    for (strSprites* page = m_pPages; page; page = page->pNext)
    {
        if (!page->iLive)
            continue;
        for (int mode = 0; mode < SPRITE_BLEND_MODES; ++mode)
        {
            page->iDrawn[mode] = 0;
            IDirect3DVertexBuffer9* vb = page->pVB[mode];
            void* data = nullptr;
            if (!vb || FAILED(vb->Lock(0, SPRITE_VB_SIZE, &data, D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)) ||
                !data)
                continue;
            auto* v = static_cast<Vertex*>(data);
            for (const strSingleSprite& s : page->Sprites)
            {
                if (page->iDrawn[mode] >= static_cast<DWORD>(MAX_SPRITES_PER_PAGE))
                    break;
                if (!s.bUsed || !s.bVisible || !(s.dwFlags & SPRITE_DRAWN) || ModeOf(s.dwFlags2) != mode)
                    continue;
                const float dist = Length(m_vCameraPosition - s.vPosition);
                if (dist > ((s.dwFlags2 & SPRITE_NO_FAR_PLANE) ? kNoFarPlane : m_fFarPlane))
                    continue;
                float half = kHalf;
                if ((s.dwFlags & SPRITE_GROWS_WITH_DISTANCE) && dist > kGrowFrom)
                    half = std::sqrt(dist) * kGrow * kHalf;
                const float w = s.vScale.x * half;
                const float h = s.vScale.y * half;
                const bool oriented = (s.dwFlags & SPRITE_ORIENTED) != 0;
                const D3DXVECTOR3 u = (oriented ? s.vUp : m_vCameraUp) * h;
                const D3DXVECTOR3 r = (oriented ? s.vRight : m_vCameraRight) * w;
                const D3DXVECTOR3& p = s.vPosition;
                const D3DXVECTOR3 a = p + u - r, b = p + u + r, c = p + r - u, e = p - r - u;
                const DWORD col = s.dwColor;
                *v++ = {a.x, a.y, a.z, col, 0.0f, 0.0f};
                *v++ = {b.x, b.y, b.z, col, 1.0f, 0.0f};
                *v++ = {c.x, c.y, c.z, col, 1.0f, 1.0f};
                *v++ = {c.x, c.y, c.z, col, 1.0f, 1.0f};
                *v++ = {e.x, e.y, e.z, col, 0.0f, 1.0f};
                *v++ = {a.x, a.y, a.z, col, 0.0f, 0.0f};
                ++page->iDrawn[mode];
            }
            vb->Unlock();
        }
    }
}

void ESpriteMgr::DrawSprites()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (g_Options.NoLight || !m_bActive || !g_Options.DrawSprites || !d)
        return;
    const D3DRENDERSTATETYPE kept[] = {D3DRS_BLENDOP,   D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,
                                       D3DRS_DESTBLEND, D3DRS_ALPHATESTENABLE,  D3DRS_ALPHAREF,
                                       D3DRS_ALPHAFUNC, D3DRS_ZENABLE,          D3DRS_ZWRITEENABLE};
    constexpr int kKept = sizeof kept / sizeof kept[0];
    DWORD saved[kKept] = {};
    for (int i = 0; i < kKept; ++i)
        d->GetRenderState(kept[i], &saved[i]);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_WORLD, &identity);
    for (int stage = 1; stage < kStages; ++stage)
    {
        d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    DWORD zEnable = saved[7];
    for (int mode = 0; mode < SPRITE_BLEND_MODES; ++mode)
    {
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
        if (mode == kAdditive)
        {
            d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
            d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        }
        else if (mode == kMultiply)
        {
            d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
            d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        }
        else
        {
            d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            d->SetRenderState(D3DRS_ALPHAREF, 0);
            d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        }
        for (strSprites* page = m_pPages; page; page = page->pNext)
        {
            if (page->bSkip || !page->iLive || !page->iDrawn[mode] || !page->pVB[mode])
                continue;
            const DWORD wantZ = (page->Sprites[0].dwFlags & SPRITE_NO_DEPTH_TEST) ? FALSE : TRUE;
            if (wantZ != zEnable)
            {
                d->SetRenderState(D3DRS_ZENABLE, wantZ);
                zEnable = wantZ;
            }
            g_Renderer.SetTexture(0, page->iTexture);
            d->SetStreamSource(0, page->pVB[mode], 0, SPRITE_VERTEX_SIZE);
            d->SetVertexShader(nullptr);
            d->SetFVF(kSpriteFVF);
            d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, page->iDrawn[mode] * 2);
        }
    }
    for (int i = 0; i < kKept; ++i)
        d->SetRenderState(kept[i], saved[i]);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void ESpriteMgr::Reset()
{
    // The table finds the pages that live: a page made before the reset
    // (the world's own sprites) takes the next sprites of its texture and
    // gives out the slots its removed sprites left.
    std::memset(m_pPageTable, 0, sizeof m_pPageTable);
    for (strSprites* page = m_pPages; page; page = page->pNext)
        if (page->iTexture < static_cast<DWORD>(MAX_SPRITE_PAGES) && !m_pPageTable[page->iTexture])
            m_pPageTable[page->iTexture] = page;
    m_bActive = 1;
}

void ESpriteMgr::Release()
{
    while (m_pPages)
    {
        strSprites* page = m_pPages;
        m_pPages = page->pNext;
        // Objects that outlive their page keep no pointer into it.
        for (strSingleSprite& sprite : page->Sprites)
            if (sprite.hObject && sprite.hObject->pSprite == &sprite)
            {
                sprite.hObject->pSprite = nullptr;
                sprite.hObject->Object = nullptr;
            }
        for (int mode = 0; mode < SPRITE_BLEND_MODES; ++mode)
            if (page->pVB[mode])
            {
                page->pVB[mode]->Release();
                g_Debug.RemoveAllocation(kBufferNames[mode]);
            }
        g_Debug.RemoveAllocation(kPageCtorTag);
        delete page;
        g_Debug.RemoveAllocation(kPageTag);
    }
    std::memset(m_pPageTable, 0, sizeof m_pPageTable);
    m_bActive = 0;
}
