#include "environment/Opady.h"

#include "environment/FxServices.h"
#include "environment/RandomSpread.h"
#include "game/MainGame.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

COpady g_Opady;

namespace
{
constexpr float kFloorTraceLength = 4524.0f;
constexpr float kBelowHitWhenActive = 620.0f;
constexpr float kBelowCameraWithoutHit = 340.0f;

// A drop's streak: as long as the drop falls in this many seconds, and this wide.
constexpr float kStreakSeconds = 0.03f;
constexpr float kStreakWidth = 2.0f;
constexpr DWORD kDropColour = 0xFFD8E0E8;

// The sheets: rings of camera-facing quads close round the camera.
constexpr DWORD kSheetRings = 3;
constexpr DWORD kSheetsPerRing = 8;
constexpr float kSheetRadius[kSheetRings] = {12.0f, 30.0f, 70.0f};
constexpr float kSheetWidth = 40.0f;
constexpr float kSheetHeight = 160.0f;
constexpr float kSheetScroll = 1.6f; // texture heights a second
constexpr DWORD kSheetColour = 0xFFB8C0C8;

struct RainVertex
{
    float x, y, z;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(RainVertex) == COpady::VERTEX_SIZE, "a rain vertex is 24 bytes");

// Static meshes only: the ground and the buildings end the drops.
bool StaticWorldFilter(HOBJECT candidate, RayTestUser)
{
    return candidate && candidate->Type == 0;
}

// Two triangles of a quad from its four corners (top left, top right, bottom right, bottom left).
RainVertex* WriteQuad(RainVertex* v, const D3DXVECTOR3 c[4], DWORD colour, float v0, float v1)
{
    const float uv[4][2] = {{0.0f, v0}, {1.0f, v0}, {1.0f, v1}, {0.0f, v1}};
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int k : order)
        *v++ = RainVertex{c[k].x, c[k].y, c[k].z, colour, uv[k][0], uv[k][1]};
    return v;
}
} // namespace

COpady::COpady() : m_vBox(4000.0f, 900.0f, 4000.0f), m_vFall(0.0f, -932.0f, 0.0f) {}

// The global outlives the device; the level's release frees the buffers.
COpady::~COpady() = default;

void COpady::CopyCamera()
{
    m_vCameraPos = g_Camera.m_vPosition;
    m_vCameraDir = g_Camera.m_vForward;
    m_vCameraRight = g_Camera.m_vRight;
}

void COpady::Init()
{
    // A second start of a level without a release in between would otherwise
    // leave the first buffers behind.
    Release();
    m_iActiveDrops = 0;
    m_iDropQuads = 0;
    m_iSheetQuads = 0;
    m_fTime = 0.0f;
    if (!g_Engine.FindObject("Rain", 0) || !g_pD3DInterface)
        return;
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(DROP_VB_SIZE, D3DUSAGE_WRITEONLY, FVF, D3DPOOL_MANAGED,
                                                   &m_pDropVB, nullptr)) ||
        !m_pDropVB)
    {
        m_pDropVB = nullptr;
        return;
    }
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(SHEET_VB_SIZE, D3DUSAGE_WRITEONLY, FVF, D3DPOOL_MANAGED,
                                                   &m_pSheetVB, nullptr)) ||
        !m_pSheetVB)
    {
        m_pSheetVB = nullptr;
        m_pDropVB->Release();
        m_pDropVB = nullptr;
        return;
    }
    g_Debug.AddAllocation(ALLOCATION_TAG);
    // The drops are placed round this level's camera, not the previous one's.
    CopyCamera();
    for (strKropla& drop : m_Drops)
        drop.bActive = 0;
    for (DWORD i = 0; i < MAX_DROPS; ++i)
        ResetDrop(i, true);
    m_hDropTexture = g_Renderer.GetTextureIndex("tankowiec_deszcz_kropla.tga");
    m_hSheetTexture = g_Renderer.GetTextureIndex("tankowiec_deszcz.tga");
    m_bActive = 1;
}

void COpady::ResetDrop(DWORD i, bool initial)
{
    if (i >= MAX_DROPS)
        return;
    strKropla& drop = m_Drops[i];
    const float x = RandomSpread(m_vBox.x);
    const float z = RandomSpread(m_vBox.z);
    const float height = m_vBox.y;
    const float r1 = RandomFloat(height);
    float y = height - 0.5f * r1;
    if (initial)
        y += 0.5f * RandomFloat(height);
    drop.vPos = D3DXVECTOR3(x, y, z) + m_vCameraPos;

    if (drop.bActive)
        --m_iActiveDrops;
    drop.bActive = 0;
    if (m_iActiveDrops < MAX_ACTIVE_DROPS)
    {
        drop.bActive = 1;
        ++m_iActiveDrops;
    }

    D3DXVECTOR3 fall = m_vFall;
    D3DXVec3Normalize(&fall, &fall);
    const D3DXVECTOR3 to = drop.vPos + fall * kFloorTraceLength;
    RayTestQuery query;
    query.pFrom = &drop.vPos.x;
    query.pTo = &to.x;
    query.pfnFilter = StaticWorldFilter;
    query.dwUser = 0;
    query.bSeeThrough = 1;
    query.bOption = 1;
    query.fMaxDistance = 1.0f;
    RayTestResult result;
    if (FxSegmentTest(&query, &result) && result.bHit)
        m_fFloor[i] = result.vPoint.y - (drop.bActive ? kBelowHitWhenActive : 0.0f);
    else
        m_fFloor[i] = g_Camera.m_vPosition.y - kBelowCameraWithoutHit;
}

void COpady::Update()
{
    if (!m_bActive || g_MainGame.m_iLevelFrame < FIRST_FRAME)
        return;
    const float dt = g_Engine.m_fDeltaTime;
    CopyCamera();
    m_fTime += dt;
    for (DWORD i = 0; i < MAX_DROPS; ++i)
    {
        strKropla& drop = m_Drops[i];
        if (!drop.bActive)
            continue;
        drop.vPos += m_vFall * dt;
        if (drop.vPos.y < m_fFloor[i])
            ResetDrop(i, false);
    }
    FillDrops();
    FillSheets();
}

void COpady::FillDrops()
{
    m_iDropQuads = 0;
    void* bytes = nullptr;
    if (!m_pDropVB || FAILED(m_pDropVB->Lock(0, 0, &bytes, D3DLOCK_DISCARD)) || !bytes)
        return;
    RainVertex* v = static_cast<RainVertex*>(bytes);
    const D3DXVECTOR3 streak = m_vFall * kStreakSeconds;
    D3DXVECTOR3 along;
    D3DXVec3Normalize(&along, &streak);
    for (const strKropla& drop : m_Drops)
    {
        if (!drop.bActive || m_iDropQuads >= MAX_DROPS)
            continue;
        // The streak turns its face to the camera about its own length.
        D3DXVECTOR3 toCamera = m_vCameraPos - drop.vPos;
        D3DXVECTOR3 side;
        D3DXVec3Cross(&side, &along, &toCamera);
        if (D3DXVec3LengthSq(&side) <= 1e-6f)
            side = m_vCameraRight;
        D3DXVec3Normalize(&side, &side);
        side *= 0.5f * kStreakWidth;
        const D3DXVECTOR3 top = drop.vPos - streak;
        const D3DXVECTOR3 corners[4] = {top - side, top + side, drop.vPos + side, drop.vPos - side};
        v = WriteQuad(v, corners, kDropColour, 0.0f, 1.0f);
        ++m_iDropQuads;
    }
    m_pDropVB->Unlock();
}

void COpady::FillSheets()
{
    m_iSheetQuads = 0;
    void* bytes = nullptr;
    if (!m_pSheetVB || FAILED(m_pSheetVB->Lock(0, 0, &bytes, D3DLOCK_DISCARD)) || !bytes)
        return;
    RainVertex* v = static_cast<RainVertex*>(bytes);
    const float scroll = std::fmod(m_fTime * kSheetScroll, 1.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    for (DWORD ring = 0; ring < kSheetRings; ++ring)
    {
        for (DWORD k = 0; k < kSheetsPerRing && m_iSheetQuads < MAX_SHEET_QUADS; ++k)
        {
            // Half a step between rings, so the sheets of one ring fill the gaps of the next.
            const float angle = (static_cast<float>(k) + 0.5f * static_cast<float>(ring)) * 6.2831855f /
                                static_cast<float>(kSheetsPerRing);
            const D3DXVECTOR3 out(std::sin(angle), 0.0f, std::cos(angle));
            const D3DXVECTOR3 centre = m_vCameraPos + out * kSheetRadius[ring];
            // Each sheet faces the camera: its width runs across the line to the camera.
            const D3DXVECTOR3 across(out.z, 0.0f, -out.x);
            const D3DXVECTOR3 half = across * (0.5f * kSheetWidth);
            const D3DXVECTOR3 top = centre + up * (0.5f * kSheetHeight);
            const D3DXVECTOR3 bottom = centre - up * (0.5f * kSheetHeight);
            const D3DXVECTOR3 corners[4] = {top - half, top + half, bottom + half, bottom - half};
            const float v0 = -scroll + 0.3f * static_cast<float>(ring);
            v = WriteQuad(v, corners, kSheetColour, v0, v0 + 2.0f);
            ++m_iSheetQuads;
        }
    }
    m_pSheetVB->Unlock();
}

void COpady::Render()
{
    if (!m_bActive || g_MainGame.m_iLevelFrame < FIRST_FRAME || !g_pD3DInterface)
        return;
    IDirect3DDevice9* d = g_pD3DInterface;
    const D3DRENDERSTATETYPE saved[5] = {D3DRS_BLENDOP, D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,
                                         D3DRS_DESTBLEND, D3DRS_LIGHTING};
    DWORD values[5] = {};
    for (int k = 0; k < 5; ++k)
        d->GetRenderState(saved[k], &values[k]);

    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetFVF(FVF);

    g_Renderer.SetTexture(0, m_hDropTexture);
    d->SetStreamSource(0, m_pDropVB, 0, VERTEX_SIZE);
    if (m_iDropQuads)
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2 * m_iDropQuads);
    g_Renderer.SetTexture(0, m_hSheetTexture);
    d->SetStreamSource(0, m_pSheetVB, 0, VERTEX_SIZE);
    if (m_iSheetQuads)
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2 * m_iSheetQuads);

    for (int k = 0; k < 5; ++k)
        d->SetRenderState(saved[k], values[k]);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void COpady::Release()
{
    if (!m_bActive && !m_pDropVB && !m_pSheetVB)
        return;
    if (m_bActive)
        g_Debug.RemoveAllocation(ALLOCATION_TAG);
    if (m_pDropVB)
        m_pDropVB->Release();
    if (m_pSheetVB)
        m_pSheetVB->Release();
    m_pDropVB = nullptr;
    m_pSheetVB = nullptr;
    m_bActive = 0;
    m_iDropQuads = 0;
    m_iSheetQuads = 0;
}
