#include "environment/Dust.h"

#include "environment/FxMgr.h"
#include "mesh/Mesh.h"
#include "player/Player.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

EDust g_Dust;

namespace
{
constexpr float kTwoPi = 6.2831855f;
constexpr float kDropLength = 500.0f;
constexpr float kClimb = 1.0f;
constexpr float kBornNear = 20.0f;
constexpr float kBornSpread = 40.0f;
constexpr float kFarthest = 80.0f;
constexpr float kFrameSeconds = 0.07f;
constexpr int kFrames = 16;
constexpr DWORD kLeafColour = 0xFFFFFFFF;
constexpr size_t kHeaderBytes = 8;
constexpr size_t kPointBytes = 12;

struct DustVertex
{
    float x, y, z;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(DustVertex) == EDust::VERTEX_SIZE, "a leaf vertex is 24 bytes");

DWORD GetU32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

void PutU32(BYTE* p, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

float GetF32(const BYTE* p)
{
    const DWORD d = GetU32(p);
    float f;
    std::memcpy(&f, &d, 4);
    return f;
}

void PutF32(BYTE* p, float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    PutU32(p, d);
}

// Length of an open file, or -1.
long FileLength(FILE* f)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    const long n = std::ftell(f);
    if (std::fseek(f, 0, SEEK_SET) != 0)
        return -1;
    return n;
}

void SetLeafTexture(DustVertex* v, const D3DXVECTOR3& p, float u, float tv)
{
    *v = DustVertex{p.x, p.y, p.z, kLeafColour, u, tv};
}
} // namespace

EDust::EDust() = default;

// The level's release frees the grid and the buffer; at the program's end
// the allocation tracker may be gone already, so only the memory goes here.
EDust::~EDust()
{
    delete[] m_pvCoords;
    m_pvCoords = nullptr;
}

const char* EDust::GetGridFileName()
{
    static char name[256];
    const int n = std::snprintf(name, sizeof name, "%s.dst", g_Engine.m_szWorld);
    if (n < 0 || static_cast<size_t>(n) >= sizeof name)
        name[0] = 0;
    return name;
}

void EDust::FreeGrid()
{
    if (m_pvCoords)
    {
        delete[] m_pvCoords;
        g_Debug.RemoveAllocation(GRID_TAG);
    }
    m_pvCoords = nullptr;
    m_iSzer = 0;
    m_iDl = 0;
}

bool EDust::AllocateGrid(int columns, int rows)
{
    FreeGrid();
    m_pvCoords = new (std::nothrow) DV[static_cast<size_t>(columns) * static_cast<size_t>(rows)];
    if (!m_pvCoords)
    {
        g_Console.Print("FATAL! m_pvCoords=new DV[m_iSzer*m_iDl] == 0!");
        return false;
    }
    g_Debug.AddAllocation(GRID_TAG);
    m_iSzer = columns;
    m_iDl = rows;
    return true;
}

bool EDust::LoadGrid()
{
    const char* name = GetGridFileName();
    if (!name[0])
        return false;
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    // Only a file whose length is exactly what its counts ask for is taken;
    // anything else is built again from the scene.
    const long length = FileLength(f);
    BYTE header[kHeaderBytes];
    bool ok =
        length >= static_cast<long>(kHeaderBytes) && std::fread(header, 1, kHeaderBytes, f) == kHeaderBytes;
    const DWORD columns = ok ? GetU32(header) : 0;
    const DWORD rows = ok ? GetU32(header + 4) : 0;
    ok = ok && columns >= 1 && rows >= 1 && columns <= MAX_POINTS && rows <= MAX_POINTS / columns;
    const size_t points = ok ? static_cast<size_t>(columns) * rows : 0;
    ok = ok && static_cast<size_t>(length) == kHeaderBytes + kPointBytes * points;
    ok = ok && AllocateGrid(static_cast<int>(columns), static_cast<int>(rows));
    BYTE bytes[kPointBytes];
    for (size_t i = 0; ok && i < points; ++i)
    {
        ok = std::fread(bytes, 1, kPointBytes, f) == kPointBytes;
        const DV p = {GetF32(bytes), GetF32(bytes + 4), GetF32(bytes + 8)};
        ok = ok && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        if (ok)
            m_pvCoords[i] = p;
    }
    std::fclose(f);
    if (!ok)
        FreeGrid();
    return ok;
}

void EDust::SaveGrid()
{
    const char* name = GetGridFileName();
    if (!name[0] || !m_pvCoords)
        return;
    // Written whole under another name first: a game stopped half-way leaves
    // the old cache or none, never a cut one.
    const std::string target = name;
    const std::string temporary = target + ".tmp";
    FILE* f = TkFopen(temporary.c_str(), "wb");
    if (!f)
    {
        g_Console.Print2("Nie moge otworzyc pliku do zapisu: ", target.c_str());
        return;
    }
    BYTE header[kHeaderBytes];
    PutU32(header, static_cast<DWORD>(m_iSzer));
    PutU32(header + 4, static_cast<DWORD>(m_iDl));
    bool ok = std::fwrite(header, 1, kHeaderBytes, f) == kHeaderBytes;
    const size_t points = static_cast<size_t>(m_iSzer) * static_cast<size_t>(m_iDl);
    BYTE bytes[kPointBytes];
    for (size_t i = 0; ok && i < points; ++i)
    {
        PutF32(bytes, m_pvCoords[i].x);
        PutF32(bytes + 4, m_pvCoords[i].y);
        PutF32(bytes + 8, m_pvCoords[i].z);
        ok = std::fwrite(bytes, 1, kPointBytes, f) == kPointBytes;
    }
    ok = std::fclose(f) == 0 && ok;
    ok = ok && MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok)
    {
        DeleteFileA(temporary.c_str());
        g_Console.Print2("Nie moge otworzyc pliku do zapisu: ", target.c_str());
    }
}

void EDust::BuildGrid()
{
    m_fStep = STEP;
    if (LoadGrid())
    {
        m_bReady = 1;
        return;
    }
    HOBJECT grass = g_Engine.FindObject("grass", 0);
    if (!grass || grass->Type != 0 || !grass->Object)
        return;
    const EMesh* mesh = static_cast<const EMesh*>(grass->Object);
    const float width = std::fabs(mesh->m_vMax.x - mesh->m_vMin.x) * mesh->m_vScale.x;
    const float depth = std::fabs(mesh->m_vMax.z - mesh->m_vMin.z) * mesh->m_vScale.z;
    const float height = std::fabs(mesh->m_vMax.y - mesh->m_vMin.y) * mesh->m_vScale.y;
    const float columns = width / m_fStep;
    const float rows = depth / m_fStep;
    if (!(columns >= 1.0f) || !(rows >= 1.0f) || columns * rows > static_cast<float>(MAX_POINTS))
        return;
    if (!AllocateGrid(static_cast<int>(columns), static_cast<int>(rows)))
        return;
    const D3DXVECTOR3 at = grass->vPosition;
    for (int i = 0; i < m_iSzer * m_iDl; ++i)
        m_pvCoords[i] = DV{0.0f, at.y, 0.0f};
    const float x0 = at.x - width / 2.0f;
    const float z0 = at.z - depth / 2.0f;
    const float y0 = at.y + height / 2.0f;
    m_hSkip = Player.m_hObject;
    for (int r = 0; r < m_iDl; ++r)
        for (int c = 0; c < m_iSzer; ++c)
            DropPoint(
                D3DXVECTOR3(x0 + m_fStep * static_cast<float>(c), y0, z0 + m_fStep * static_cast<float>(r)),
                &m_pvCoords[r * m_iSzer + c]);
    m_hSkip = nullptr;
    m_bReady = 1;
    SaveGrid();
}

void EDust::DropPoint(const D3DXVECTOR3& start, DV* out)
{
    D3DXVECTOR3 from = start;
    D3DXVECTOR3 to = start - D3DXVECTOR3(0.0f, kDropLength, 0.0f);
    if (!TraceSegment(&from, &to, m_hSkip, 1, nullptr, 0, 0, 0))
    {
        out->x = start.x;
        out->z = start.z;
        return;
    }
    // At least a unit above what was hit, and higher still while a wall or a
    // narrow gap leaves no room around the point.
    D3DXVECTOR3 h = from + D3DXVECTOR3(0.0f, kClimb, 0.0f);
    while (h.y < start.y && !IsClearAround(h))
        h.y += kClimb;
    *out = DV{h.x, h.y, h.z};
}

bool EDust::IsClearAround(const D3DXVECTOR3& p)
{
    const float reach = m_fStep / 2.0f;
    const D3DXVECTOR3 ways[4] = {
        {reach, 0.0f, 0.0f}, {-reach, 0.0f, 0.0f}, {0.0f, 0.0f, -reach}, {0.0f, 0.0f, reach}};
    for (const D3DXVECTOR3& way : ways)
    {
        D3DXVECTOR3 from = p;
        D3DXVECTOR3 to = p + way;
        if (TraceSegment(&from, &to, m_hSkip, 1, nullptr, 0, 0, 0))
            return false;
    }
    return true;
}

void EDust::Init()
{
    m_bReady = 0;
    for (strDustLeaf& leaf : m_Leaves)
        leaf = strDustLeaf{};
    BuildGrid();
    m_iDustTriangles = 0;
    if (!m_bReady || !g_Options.DrawDust)
        return;
    m_iLeafTexture = g_Renderer.GetTextureIndex(TEXTURE);
    if (m_pDustVB)
    {
        m_pDustVB->Release();
        m_pDustVB = nullptr;
        g_Debug.RemoveAllocation(VB_TAG);
    }
    if (!g_pD3DInterface)
        return;
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(VB_SIZE, D3DUSAGE_WRITEONLY, FVF, D3DPOOL_MANAGED,
                                                   &m_pDustVB, nullptr)) ||
        !m_pDustVB)
    {
        m_pDustVB = nullptr;
        return;
    }
    g_Debug.AddAllocation(VB_TAG);
}

void EDust::Update()
{
    if (!m_bReady || !g_Options.DrawDust)
        return;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    UpdateLeaves();
    FillDustVB();
}

void EDust::Render()
{
    if (!m_bReady || !g_Options.DrawDust || !g_pD3DInterface)
        return;
    g_pD3DInterface->SetVertexShader(nullptr);
    g_pD3DInterface->SetPixelShader(nullptr);
    g_pD3DInterface->SetVertexDeclaration(nullptr);
    RenderDust();
}

void EDust::Release()
{
    // Safe to run again: a second release (a world change followed by the
    // program's end) finds nothing to free.
    FreeGrid();
    if (m_pDustVB)
    {
        m_pDustVB->Release();
        g_Debug.RemoveAllocation(VB_TAG);
    }
    m_pDustVB = nullptr;
    m_bReady = 0;
    m_iDustTriangles = 0;
    for (strDustLeaf& leaf : m_Leaves)
        leaf.m_bActive = 0;
}

void EDust::SpawnLeaf(strDustLeaf& leaf)
{
    if (!m_pvCoords)
        return;
    D3DXVECTOR3 dir(static_cast<float>(std::rand()) / 65536.0f, 0.0f,
                    static_cast<float>(std::rand()) / 65536.0f);
    if (std::rand() & 1)
        dir.x = -dir.x;
    if (std::rand() & 1)
        dir.z = -dir.z;
    dir.z = -std::fabs(dir.z);
    D3DXVec3Normalize(&dir, &dir);
    const float distance = kBornNear + RandomFloat(kBornSpread);
    const D3DXVECTOR3 q = g_Camera.m_vPosition + dir * distance;

    int col = 0;
    for (int c = 1; c < m_iSzer; ++c)
        if (std::fabs(Point(c, 0).x - q.x) < std::fabs(Point(col, 0).x - q.x))
            col = c;
    int row = 0;
    for (int r = 1; r < m_iDl; ++r)
        if (std::fabs(Point(0, r).z - q.z) < std::fabs(Point(0, row).z - q.z))
            row = r;

    leaf = strDustLeaf{};
    leaf.m_bActive = 1;
    leaf.m_iCol = col;
    leaf.m_iRow = row;
    const DV& p = Point(col, row);
    leaf.m_vFrom = D3DXVECTOR3(p.x, p.y, p.z);
    leaf.m_iSize = (std::rand() & 15) == 0 ? 3 : std::rand() % 3;
    leaf.m_fBobSpeed = 1.0f + RandomFloat(2.0f);
    leaf.m_fBobAmp = 0.25f + RandomFloat(0.25f);
    NextTarget(leaf);
}

void EDust::NextTarget(strDustLeaf& leaf)
{
    leaf.m_iNextRow = leaf.m_iRow + 1;
    leaf.m_iNextCol = leaf.m_iCol + std::rand() % 3 - 1;
    if (leaf.m_iNextRow >= m_iDl || leaf.m_iNextCol < 0 || leaf.m_iNextCol >= m_iSzer || !m_pvCoords)
    {
        leaf.m_bActive = 0;
        return;
    }
    const DV& p = Point(leaf.m_iNextCol, leaf.m_iNextRow);
    leaf.m_vTo = D3DXVECTOR3(p.x, p.y, p.z);
    const D3DXVECTOR3 d = leaf.m_vTo - leaf.m_vFrom;
    leaf.m_fSegment = D3DXVec3Length(&d);
    leaf.m_fSpeed = 2.0f + RandomFloat(2.0f);
    D3DXVec3Normalize(&leaf.m_vDir, &d);
}

void EDust::MoveLeaf(strDustLeaf& leaf)
{
    const float dt = m_fFrameTime;
    leaf.m_fTravel += leaf.m_fSpeed * dt;
    if (leaf.m_fTravel > leaf.m_fSegment)
    {
        leaf.m_iCol = leaf.m_iNextCol;
        leaf.m_iRow = leaf.m_iNextRow;
        leaf.m_vFrom = leaf.m_vTo;
        leaf.m_fTravel -= leaf.m_fSegment;
        NextTarget(leaf);
        if (!leaf.m_bActive)
            return;
    }
    leaf.m_vDrawPos = leaf.m_vFrom + leaf.m_vDir * leaf.m_fTravel;
    const float dx = leaf.m_vDrawPos.x - g_Camera.m_vPosition.x;
    const float dz = leaf.m_vDrawPos.z - g_Camera.m_vPosition.z;
    if (dx * dx + dz * dz > kFarthest * kFarthest)
    {
        leaf.m_bActive = 0;
        return;
    }
    leaf.m_fFrameClock += dt;
    if (leaf.m_fFrameClock > kFrameSeconds)
    {
        leaf.m_iFrame = (leaf.m_iFrame + 1) % kFrames;
        leaf.m_fFrameClock -= kFrameSeconds;
    }
    leaf.m_fBobPhase += leaf.m_fBobSpeed * dt;
    if (leaf.m_fBobPhase > kTwoPi)
    {
        leaf.m_fBobPhase -= kTwoPi;
        leaf.m_fBobAmp = 0.4f + RandomFloat(0.6f);
        leaf.m_fBobSpeed = 0.5f + RandomFloat(1.0f);
    }
    leaf.m_vDrawPos.y += std::sin(leaf.m_fBobPhase) * leaf.m_fBobAmp;
}

void EDust::UpdateLeaves()
{
    for (strDustLeaf& leaf : m_Leaves)
    {
        if (!leaf.m_bActive)
            SpawnLeaf(leaf);
        if (leaf.m_bActive)
            MoveLeaf(leaf);
    }
}

void EDust::FillDustVB()
{
    if (!m_pDustVB)
        return;
    m_iDustTriangles = 0;
    void* bytes = nullptr;
    if (FAILED(m_pDustVB->Lock(0, 0, &bytes, D3DLOCK_DISCARD)) || !bytes)
    {
        g_Console.Print("Failed to lock m_pDustVB");
        return;
    }
    DustVertex* v = static_cast<DustVertex*>(bytes);
    for (const strDustLeaf& leaf : m_Leaves)
    {
        if (!leaf.m_bActive)
            continue;
        const float h = leaf.m_iSize == 3 ? 0.5f : 0.25f;
        const D3DXVECTOR3 r = g_Camera.m_vRight * h;
        const D3DXVECTOR3 u = g_Camera.m_vUp * h;
        const D3DXVECTOR3& c = leaf.m_vDrawPos;
        const float uL = static_cast<float>(leaf.m_iFrame % 8) * 0.125f;
        const float vT = static_cast<float>(leaf.m_iSize) * 0.25f + (leaf.m_iFrame >= 8 ? 0.125f : 0.0f);
        const float uR = uL + 0.125f;
        const float vB = vT + 0.125f;
        SetLeafTexture(v++, c + r - u, uL, vT);
        SetLeafTexture(v++, c + r + u, uR, vT);
        SetLeafTexture(v++, c - r + u, uR, vB);
        SetLeafTexture(v++, c - r + u, uR, vB);
        SetLeafTexture(v++, c - r - u, uL, vB);
        SetLeafTexture(v++, c + r - u, uL, vT);
        m_iDustTriangles += 2;
    }
    m_pDustVB->Unlock();
}

void EDust::RenderDust()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d || !m_pDustVB || !m_iDustTriangles)
        return;
    const D3DRENDERSTATETYPE saved[9] = {D3DRS_BLENDOP,   D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,
                                         D3DRS_DESTBLEND, D3DRS_ALPHATESTENABLE,  D3DRS_ALPHAREF,
                                         D3DRS_ALPHAFUNC, D3DRS_ZENABLE,          D3DRS_ZWRITEENABLE};
    DWORD values[9] = {};
    for (int k = 0; k < 9; ++k)
        d->GetRenderState(saved[k], &values[k]);

    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);

    g_Renderer.SetTexture(0, m_iLeafTexture);
    d->SetStreamSource(0, m_pDustVB, 0, VERTEX_SIZE);
    d->SetVertexShader(nullptr);
    d->SetFVF(FVF);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, m_iDustTriangles);

    for (int k = 0; k < 9; ++k)
        d->SetRenderState(saved[k], values[k]);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}
