#include "render/Rect.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"

#include <cstring>

namespace
{
constexpr DWORD kFvfRect = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kTriangles = 2;
constexpr DWORD k2DAlphaRef = 6;
constexpr DWORD kFirstOtherStage = 1;
constexpr DWORD kLastStage = 7;
constexpr DWORD kLinearSamplers = 2;
constexpr float kAlphaScale = 255.0f;
constexpr DWORD kAlphaShift = 24;
constexpr DWORD kColorMask = 0x00FFFFFFu;

struct RectVertex
{
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
static_assert(sizeof(RectVertex) == ERect::VERTEX_SIZE, "the 2D vertex is 28 bytes");

// The saved states in the order they are saved and written back: a render
// state, or a state of texture stage 0.
struct SavedState
{
    bool stage;
    DWORD type;
};
constexpr SavedState kSaved[ERect::SAVED_STATES] = {
    {false, D3DRS_ALPHABLENDENABLE}, {true, D3DTSS_ALPHAARG1}, {true, D3DTSS_ALPHAARG2},
    {true, D3DTSS_ALPHAOP},          {true, D3DTSS_COLORARG1}, {true, D3DTSS_COLORARG2},
    {true, D3DTSS_COLOROP},          {false, D3DRS_SRCBLEND},  {false, D3DRS_DESTBLEND},
    {false, D3DRS_BLENDOP},          {false, D3DRS_ALPHAREF},  {false, D3DRS_ALPHATESTENABLE},
    {false, D3DRS_ALPHAFUNC},        {false, D3DRS_CULLMODE},  {false, D3DRS_ZWRITEENABLE},
    {false, D3DRS_ZENABLE}};

void RS(D3DRENDERSTATETYPE state, DWORD value)
{
    g_pD3DInterface->SetRenderState(state, value);
}

void TSS(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    g_pD3DInterface->SetTextureStageState(stage, type, value);
}

// The fixed 2D states after the stage-0 operations: depth off, no culling,
// the alpha test that drops the nearly clear.
void SetCommon2DStates()
{
    RS(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    RS(D3DRS_ALPHAREF, k2DAlphaRef);
    RS(D3DRS_ALPHATESTENABLE, TRUE);
    RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    RS(D3DRS_CULLMODE, D3DCULL_NONE);
    RS(D3DRS_ZWRITEENABLE, FALSE);
    RS(D3DRS_ZENABLE, FALSE);
}
} // namespace

ERect::ERect()
    : m_dwFVF(kFvfRect), m_dwSaved{}, m_bCreated(0), m_bVBCurrent(0), m_iTexture(0), m_pVB(nullptr),
      m_fLeft(0), m_fTop(0), m_fRight(0), m_fBottom(0), m_dwColor(0)
{
    g_Debug.AddAllocation("::ERect");
}

ERect::~ERect()
{
    // A rectangle destroyed without Release would otherwise leak its buffer.
    Release();
    g_Debug.RemoveAllocation("::ERect");
}

void ERect::Create(const char* texture, float left, float top, float right, float bottom, DWORD color)
{
    if (m_bCreated)
        Release();
    m_iTexture = g_Renderer.GetTextureIndex(texture);
    if (!m_iTexture || !g_pD3DInterface)
        return;
    m_fLeft = left;
    m_fTop = top;
    m_fRight = right;
    m_fBottom = bottom;
    m_dwColor = color;
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(VERTEX_COUNT * VERTEX_SIZE, D3DUSAGE_WRITEONLY, m_dwFVF,
                                                   D3DPOOL_MANAGED, &m_pVB, nullptr)) ||
        !m_pVB)
    {
        m_pVB = nullptr;
        return;
    }
    g_Debug.AddAllocation("ERectVB");
    m_bCreated = 1;
    m_bVBCurrent = 0;
}

void ERect::SetRect(float left, float top, float right, float bottom)
{
    if (!m_bCreated)
        return;
    m_fLeft = left;
    m_fTop = top;
    m_fRight = right;
    m_fBottom = bottom;
    m_bVBCurrent = 0;
}

void ERect::SetColor(DWORD color)
{
    m_dwColor = color;
    m_bVBCurrent = 0;
}

void ERect::SetAlpha(float alpha)
{
    if (!(alpha > 0.0f))
        alpha = 0.0f;
    if (alpha > 1.0f)
        alpha = 1.0f;
    m_dwColor = (m_dwColor & kColorMask) | DWORD(alpha * kAlphaScale) << kAlphaShift;
    m_bVBCurrent = 0;
}

void ERect::SetQuad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3,
                    float uLeft, float uRight, float vTop, float vBottom, float z)
{
    if (!m_bCreated || !m_pVB)
        return;
    void* bits = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &bits, 0)) || !bits)
        return;
    const RectVertex v[VERTEX_COUNT] = {
        {x0, y0, z, z, m_dwColor, uLeft, vTop},    {x2, y2, z, z, m_dwColor, uRight, vBottom},
        {x3, y3, z, z, m_dwColor, uLeft, vBottom}, {x0, y0, z, z, m_dwColor, uLeft, vTop},
        {x1, y1, z, z, m_dwColor, uRight, vTop},   {x2, y2, z, z, m_dwColor, uRight, vBottom}};
    std::memcpy(bits, v, sizeof v);
    m_pVB->Unlock();
    m_bVBCurrent = 1;
}

void ERect::Refill()
{
    void* bits = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &bits, D3DLOCK_DISCARD)) || !bits)
    {
        g_Console.Print("Failed to lock ERect VB!");
        m_bVBCurrent = 0;
        return;
    }
    const float one = 1.0f;
    const RectVertex v[VERTEX_COUNT] = {
        {m_fLeft, m_fTop, one, one, m_dwColor, 0, 0},     {m_fLeft, m_fBottom, one, one, m_dwColor, 0, 1},
        {m_fRight, m_fBottom, one, one, m_dwColor, 1, 1}, {m_fRight, m_fBottom, one, one, m_dwColor, 1, 1},
        {m_fRight, m_fTop, one, one, m_dwColor, 1, 0},    {m_fLeft, m_fTop, one, one, m_dwColor, 0, 0}};
    std::memcpy(bits, v, sizeof v);
    m_pVB->Unlock();
    m_bVBCurrent = 1;
}

void ERect::Draw(bool bindTexture)
{
    if (!m_bVBCurrent)
        Refill();
    if (bindTexture)
        g_Renderer.SetTexture(0, m_iTexture);
    g_pD3DInterface->SetStreamSource(0, m_pVB, 0, VERTEX_SIZE);
    g_pD3DInterface->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kTriangles);
}

void ERect::Render(bool bindTexture)
{
    if (!m_bCreated || !m_pVB || !g_pD3DInterface)
        return;
    Draw(bindTexture);
}

void ERect::SaveStates()
{
    for (DWORD i = 0; i < SAVED_STATES; ++i)
    {
        m_dwSaved[i] = 0;
        if (kSaved[i].stage)
            g_pD3DInterface->GetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(kSaved[i].type), &m_dwSaved[i]);
        else
            g_pD3DInterface->GetRenderState(D3DRENDERSTATETYPE(kSaved[i].type), &m_dwSaved[i]);
    }
}

void ERect::Restore2D()
{
    if (!g_pD3DInterface)
        return;
    for (DWORD i = 0; i < SAVED_STATES; ++i)
    {
        if (kSaved[i].stage)
            TSS(0, D3DTEXTURESTAGESTATETYPE(kSaved[i].type), m_dwSaved[i]);
        else
            RS(D3DRENDERSTATETYPE(kSaved[i].type), m_dwSaved[i]);
    }
}

void ERect::Begin2D(bool additive)
{
    if (!g_pD3DInterface)
        return;
    SaveStates();
    for (DWORD s = 0; s < kLinearSamplers; ++s)
    {
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    RS(D3DRS_ALPHABLENDENABLE, TRUE);
    TSS(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    TSS(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    TSS(0, D3DTSS_COLORARG2, additive ? D3DTA_CURRENT : D3DTA_DIFFUSE);
    TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    RS(D3DRS_SRCBLEND, additive ? D3DBLEND_SRCCOLOR : D3DBLEND_SRCALPHA);
    RS(D3DRS_DESTBLEND, additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
    SetCommon2DStates();
    for (DWORD s = kFirstOtherStage; s <= kLastStage; ++s)
    {
        TSS(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
        TSS(s, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    g_pD3DInterface->SetFVF(m_dwFVF);
    g_pD3DInterface->SetVertexShader(nullptr);
    g_pD3DInterface->SetPixelShader(nullptr);
}

void ERect::RenderWithStates(bool bindTexture, bool blend)
{
    if (!m_bCreated || !m_pVB || !g_pD3DInterface)
        return;
    SaveStates();
    if (blend)
    {
        RS(D3DRS_ALPHABLENDENABLE, TRUE);
        TSS(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        TSS(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        TSS(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    }
    else
    {
        RS(D3DRS_ALPHABLENDENABLE, FALSE);
        TSS(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    TSS(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    TSS(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetCommon2DStates();
    g_pD3DInterface->SetFVF(m_dwFVF);
    g_pD3DInterface->SetVertexShader(nullptr);
    Draw(bindTexture);
    Restore2D();
}

void ERect::SetBlendMode(bool additive)
{
    if (!g_pD3DInterface)
        return;
    RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    RS(D3DRS_DESTBLEND, additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
}

void ERect::Release()
{
    if (m_pVB)
    {
        m_pVB->Release();
        m_pVB = nullptr;
        g_Debug.RemoveAllocation("ERectVB");
    }
    m_bCreated = 0;
}
