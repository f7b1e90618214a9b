#include "render/ViewLines.h"

#include "platform/d3dx/D3DXMath.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Orientation.h"

#include <cstring>

EViewLines g_ViewLines;

namespace
{
constexpr DWORD kFvfLine = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr DWORD kLines = 3;
constexpr float kShortestArrow = 1.0f;
constexpr float kHeadHalfWidth = 0.25f;
constexpr float kHeadLength = 0.5f;

struct LineVertex
{
    float x, y, z;
    DWORD color;
};
static_assert(sizeof(LineVertex) == EViewLines::LINE_VERTEX_SIZE, "a line vertex is 16 bytes");
} // namespace

EViewLines::EViewLines() : m_dwFVF(kFvfLine), m_pVB(nullptr) {}

// The world reset releases the buffer; the global instance outlives the
// device, so its destructor leaves the buffer alone.
EViewLines::~EViewLines() = default;

void EViewLines::CreateVB()
{
    if (m_pVB || !g_pD3DInterface)
        return;
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(LINE_VERTICES * LINE_VERTEX_SIZE, D3DUSAGE_WRITEONLY,
                                                   m_dwFVF, D3DPOOL_MANAGED, &m_pVB, nullptr)) ||
        !m_pVB)
    {
        m_pVB = nullptr;
        g_Console.Print("Failed to create VB for View Lines");
    }
}

void EViewLines::Release()
{
    if (m_pVB)
    {
        m_pVB->Release();
        m_pVB = nullptr;
    }
}

void EViewLines::DrawArrow(const float* from, const float* to, DWORD color, const EOrientation* orientation)
{
    // Without a buffer (its creation failed) there is nothing to draw into.
    if (!from || !to || !m_pVB || !g_pD3DInterface)
        return;
    const D3DXVECTOR3 a(from[0], from[1], from[2]), b(to[0], to[1], to[2]);
    D3DXVECTOR3 d = b - a;
    if (D3DXVec3Length(&d) < kShortestArrow)
        return;
    D3DXVec3Normalize(&d, &d);
    const D3DXVECTOR3 side = orientation ? orientation->Right : EOrientation(&d).Right;

    void* bits = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &bits, 0)) || !bits)
    {
        g_Console.Print("Strzalka failed to lock VB for Line");
        return;
    }
    const D3DXVECTOR3 left = b + side * kHeadHalfWidth - d * kHeadLength;
    const D3DXVECTOR3 right = b - side * kHeadHalfWidth - d * kHeadLength;
    const LineVertex v[LINE_VERTICES] = {{a.x, a.y, a.z, color}, {b.x, b.y, b.z, color},
                                         {b.x, b.y, b.z, color}, {left.x, left.y, left.z, color},
                                         {b.x, b.y, b.z, color}, {right.x, right.y, right.z, color}};
    std::memcpy(bits, v, sizeof v);
    m_pVB->Unlock();

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    g_pD3DInterface->SetTransform(D3DTS_WORLD, &identity);
    g_pD3DInterface->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    g_pD3DInterface->SetStreamSource(0, m_pVB, 0, LINE_VERTEX_SIZE);
    g_pD3DInterface->SetVertexShader(nullptr);
    g_pD3DInterface->SetPixelShader(nullptr);
    g_pD3DInterface->SetFVF(m_dwFVF);
    g_pD3DInterface->SetTexture(0, nullptr);
    g_pD3DInterface->DrawPrimitive(D3DPT_LINELIST, 0, kLines);
    g_pD3DInterface->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}
