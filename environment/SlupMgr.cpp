#include "environment/SlupMgr.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/SkyLight.h"
#include "render/Renderer.h"
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
#include <cstring>
#include <new>

ESlupMgr g_SlupMgr;

namespace
{
constexpr float kTwoPi = 6.2831855f;
constexpr int kLine = 256;
constexpr const char* kFolder = "scripts\\slupy";
constexpr float kDefaultThickness = 0.05f;
constexpr float kThinnest = 0.01f;
constexpr float kShortest = 0.01f;
constexpr float kSagPerUnit = 0.03f;
constexpr float kWindRate = 1.6f;
constexpr DWORD kUpperEdge = 0xFF0000;
constexpr DWORD kSegmentVertices = 12;

// The eleven points of a span: how far along, how deep in the sag, and how
// much the wind moves them.
constexpr float kAlong[11] = {0.0f, 0.05f, 0.125f, 0.225f, 0.375f, 0.5f, 0.625f, 0.775f, 0.875f, 0.95f, 1.0f};
constexpr float kDepth[11] = {0.0f, 0.2f, 0.4f, 0.6f, 0.75f, 0.8f, 0.75f, 0.6f, 0.4f, 0.2f, 0.0f};
constexpr float kSway[11] = {0.0f, 0.1f, 0.2f, 0.3f, 0.375f, 0.4f, 0.375f, 0.3f, 0.2f, 0.1f, 0.0f};

DWORD ColourWord(float weight, float phase)
{
    return static_cast<DWORD>(weight * 255.0f) | (static_cast<DWORD>(phase * 255.0f) << 8);
}

D3DXVECTOR4 Colour(DWORD packed)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / 255.0f,
                       static_cast<float>((packed >> 8) & 0xFF) / 255.0f,
                       static_cast<float>(packed & 0xFF) / 255.0f, 1.0f);
}
} // namespace

ESlupMgr::~ESlupMgr()
{
    // The buffer went with the world; only the records are left at exit.
    m_pCableVB = nullptr;
    FreeLines();
}

void ESlupMgr::Load()
{
    // A world loaded again without the release between keeps no earlier line
    // or buffer.
    FreeLines();
    m_vLastCamera = D3DXVECTOR3(999999.0f, 999999.0f, 999999.0f);
    const std::string script = FindScript();
    if (!script.empty())
        ParseScript(script.c_str());
    m_dwTriangles = 0;
    m_dwVertices = 0;
    m_fWindPhase = 0.0f;
}

std::string ESlupMgr::FindScript() const
{
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA((std::string(kFolder) + "\\*.txt").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    std::string result;
    char line[kLine + 1];
    do
    {
        if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        char path[256];
        const int n = std::snprintf(path, sizeof path, "%s\\%s", kFolder, found.cFileName);
        if (n < 0 || static_cast<size_t>(n) >= sizeof path)
            continue;
        FILE* f = TkFopen(path, "r");
        if (!f)
            continue;
        for (;;)
        {
            ReadLine(f, line, kLine);
            if (IsKeyword(line, "world"))
            {
                // The search lower-cases both texts, so it works on copies.
                char world[256];
                char wanted[kLine + 1];
                CopyCut(world, sizeof world, g_Engine.m_szWorld);
                CopyCut(wanted, sizeof wanted, GetLineValue(line));
                if (FindNoCase(world, wanted))
                {
                    result = path;
                    break;
                }
            }
            if (std::feof(f) || std::ferror(f))
                break;
        }
        std::fclose(f);
    } while (result.empty() && FindNextFileA(find, &found));
    FindClose(find);
    return result;
}

strLinia* ESlupMgr::AddLine()
{
    strLinia* line = new (std::nothrow) strLinia{};
    if (!line)
        return nullptr;
    line->fThickness = kDefaultThickness;
    line->pNext = m_pLinie;
    m_pLinie = line;
    return line;
}

void ESlupMgr::AddPole(strLinia* line, const char* name)
{
    strSlup* pole = new (std::nothrow) strSlup{};
    if (!pole)
        return;
    pole->pNext = line->pSlupy;
    line->pSlupy = pole;
    HOBJECT o = g_Engine.FindObject(name, 0);
    if (!o)
    {
        g_Console.Print2("Brak slupa ", name);
        return;
    }
    pole->bFound = 1;
    CopyCut(pole->szName, sizeof pole->szName, name);
    pole->vPosition = o->vPosition;
    for (DWORD i = 0; i < line->dwSockets; ++i)
    {
        D3DXMATRIX m;
        if (g_Engine.GetObjectSocket(o, line->szSockets[i], &m, nullptr))
        {
            pole->vSockets[i] = D3DXVECTOR3(m._41, m._42, m._43);
            pole->bSocketRead[i] = 1;
        }
        else
            g_Console.Print4("Slup ", pole->szName, " - brak socketa ", line->szSockets[i]);
        pole->fSag[i] = RandomFloat(0.44f) + 0.9f;
        pole->fPhase[i] = RandomFloat(kTwoPi);
    }
}

void ESlupMgr::ParseScript(const char* path)
{
    FILE* f = TkFopen(path, "r");
    if (!f)
        return;
    char line[kLine + 1];
    strLinia* current = nullptr;
    for (;;)
    {
        ReadLine(f, line, kLine);
        if (IsKeyword(line, "linia"))
            current = AddLine();
        else if (current && IsKeyword(line, "grubosc_kabla"))
            current->fThickness = static_cast<float>(std::atof(GetLineValue(line)));
        else if (current && IsKeyword(line, "socket"))
        {
            const char* name = GetLineValue(line);
            if (std::strlen(name) >= SLUP_SOCKET_NAME)
                g_Console.Print2("Socket name too long: ", path);
            else if (current->dwSockets < MAX_LISTED_SOCKETS)
                CopyCut(current->szSockets[current->dwSockets++], SLUP_SOCKET_NAME, name);
        }
        else if (current && IsKeyword(line, "slup"))
        {
            char name[kLine + 1];
            CopyCut(name, sizeof name, GetLineValue(line));
            AddPole(current, name);
        }
        if (std::feof(f) || std::ferror(f))
            break;
    }
    std::fclose(f);
}

void ESlupMgr::Update()
{
    const D3DXVECTOR3 d = g_Camera.m_vPosition - m_vLastCamera;
    if (D3DXVec3Length(&d) > REBUILD_DISTANCE)
    {
        RebuildCables();
        m_vLastCamera = g_Camera.m_vPosition;
    }
    m_fWindPhase += g_Engine.m_fDeltaTime * kWindRate;
    if (m_fWindPhase > kTwoPi)
        m_fWindPhase -= kTwoPi;
}

bool ESlupMgr::CreateCableVB()
{
    if (m_pCableVB)
    {
        m_pCableVB->Release();
        m_pCableVB = nullptr;
        g_Debug.RemoveAllocation(VB_TAG);
    }
    m_dwCapacity = CAPACITY;
    if (!g_pD3DInterface ||
        FAILED(g_pD3DInterface->CreateVertexBuffer(CAPACITY * VERTEX_SIZE, D3DUSAGE_WRITEONLY, 0,
                                                   D3DPOOL_MANAGED, &m_pCableVB, nullptr)) ||
        !m_pCableVB)
    {
        m_pCableVB = nullptr;
        g_Console.Print("Failed to create cable VB!");
        return false;
    }
    g_Debug.AddAllocation(VB_TAG);
    return true;
}

void ESlupMgr::RebuildCables()
{
    if (!m_pLinie)
        return;
    if (!m_pCableVB && !CreateCableVB())
        return;
    void* bytes = nullptr;
    if (FAILED(m_pCableVB->Lock(0, 0, &bytes, D3DLOCK_DISCARD)) || !bytes)
    {
        g_Console.Print("Failed to lock cable VB!");
        return;
    }
    m_pCursor = static_cast<BYTE*>(bytes);
    m_dwVertices = 0;
    m_dwTriangles = 0;
    const float reach = g_Camera.GetFarPlane() + REACH_BEYOND_FAR;
    const D3DXVECTOR3 eye = g_Camera.m_vPosition;
    for (strLinia* line = m_pLinie; line; line = line->pNext)
        for (strSlup* p = line->pSlupy; p && p->pNext; p = p->pNext)
        {
            const strSlup* q = p->pNext;
            // A pole that was not found has no place to hang a cable from.
            if (!p->bFound || !q->bFound)
                continue;
            const D3DXVECTOR3 dp = p->vPosition - eye;
            const D3DXVECTOR3 dq = q->vPosition - eye;
            if (D3DXVec3Length(&dp) > reach && D3DXVec3Length(&dq) > reach)
                continue;
            for (DWORD i = 0; i < line->dwSockets; ++i)
                if (p->bSocketRead[i] && q->bSocketRead[i])
                    AddSpan(p->vSockets[i], q->vSockets[i], line->fThickness, p->fSag[i], p->fPhase[i]);
        }
    m_pCableVB->Unlock();
    m_pCursor = nullptr;
}

void ESlupMgr::AddSpan(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float thickness, float sagFactor,
                       float phase)
{
    if (!m_pCableVB || !m_pCursor)
        return;
    const D3DXVECTOR3 ab = b - a;
    const float sag = D3DXVec3Length(&ab) * kSagPerUnit * sagFactor;
    D3DXVECTOR3 points[11];
    for (int j = 0; j < 11; ++j)
    {
        points[j] = a + ab * kAlong[j];
        points[j].y -= sag * kDepth[j];
    }
    for (int j = 0; j < 10; ++j)
        AddCableSegment(points[j], points[j + 1], thickness, kSway[j], kSway[j + 1], phase);
}

void ESlupMgr::AddCableSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, float thickness, float w0,
                               float w1, float phase)
{
    if (thickness < kThinnest || !m_pCableVB || !m_pCursor || m_dwVertices > m_dwCapacity - 13)
        return;
    const D3DXVECTOR3 along = p1 - p0;
    const float lengthSq = D3DXVec3LengthSq(&along);
    if (lengthSq < kShortest * kShortest)
        return;
    // The right axis of an orientation looking along the segment with no
    // roll: horizontal, across the cable (world +X for a vertical one).
    D3DXVECTOR3 right(along.z, 0.0f, -along.x);
    const float flatSq = right.x * right.x + right.z * right.z;
    right = flatSq > 1e-12f * lengthSq ? right / std::sqrt(flatSq) : D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 r = right * (0.7f * thickness);
    const D3DXVECTOR3 e(0.0f, 0.5f * thickness, 0.0f);
    const DWORD c0 = ColourWord(w0, phase), c1 = ColourWord(w1, phase);
    const DWORD c0u = c0 | kUpperEdge, c1u = c1 | kUpperEdge;
    struct Corner
    {
        D3DXVECTOR3 position;
        DWORD colour;
        float u, v;
    };
    const Corner corners[kSegmentVertices] = {
        {p0 - r, c0, 0, 1}, {p1 - r, c1, 0, 0},  {p0 + r, c0, 1, 1},  {p0 + r, c0, 1, 1},
        {p1 - r, c1, 0, 0}, {p1 + r, c1, 1, 0},  {p0 - e, c0, 1, 1},  {p0 + e, c0u, 0, 1},
        {p1 - e, c1, 1, 0}, {p0 + e, c0u, 0, 1}, {p1 + e, c1u, 0, 0}, {p1 - e, c1, 1, 0},
    };
    // Twelve vertices fit (checked above): written through a local cursor, so
    // the members are not read again after every byte stored.
    BYTE* out = m_pCursor;
    for (const Corner& c : corners)
    {
        std::memcpy(out + 0, &c.position, 12);
        std::memcpy(out + 12, &c.colour, 4);
        std::memcpy(out + 16, &p0, 12);
        const float uv[2] = {c.u, c.v};
        std::memcpy(out + 52, uv, 8);
        out += VERTEX_SIZE;
    }
    m_pCursor = out;
    m_dwVertices += kSegmentVertices;
    m_dwTriangles += kSegmentVertices / 3;
}

void ESlupMgr::AddVertex(const D3DXVECTOR3& position, const D3DXVECTOR3& anchor, DWORD colour, float u,
                         float v)
{
    if (!m_pCableVB || !m_pCursor || m_dwVertices >= m_dwCapacity)
        return;
    // The vertex as the device reads it; the tangent, binormal and second
    // colour are left as they are.
    BYTE* p = m_pCursor;
    std::memcpy(p + 0, &position, 12);
    std::memcpy(p + 12, &colour, 4);
    std::memcpy(p + 16, &anchor, 12);
    const float uv[2] = {u, v};
    std::memcpy(p + 52, uv, 8);
    m_pCursor += VERTEX_SIZE;
    ++m_dwVertices;
}

void ESlupMgr::FreeLines()
{
    for (strLinia* line = m_pLinie; line;)
    {
        for (strSlup* pole = line->pSlupy; pole;)
        {
            strSlup* next = pole->pNext;
            delete pole;
            pole = next;
        }
        strLinia* next = line->pNext;
        delete line;
        line = next;
    }
    m_pLinie = nullptr;
    if (m_pCableVB)
    {
        m_pCableVB->Release();
        g_Debug.RemoveAllocation(VB_TAG);
    }
    m_pCableVB = nullptr;
    m_pCursor = nullptr;
    m_dwVertices = 0;
    m_dwTriangles = 0;
}

void ESlupMgr::Release()
{
    FreeLines();
}

void ESlupMgr::RenderCableSkyLightF()
{
    RenderCables(true);
}

void ESlupMgr::RenderCableSkyLight()
{
    RenderCables(false);
}

void ESlupMgr::RenderCables(bool fast)
{
    // A world without cables draws nothing and touches no state.
    if (!m_pCableVB || !m_dwTriangles)
        return;
    EEffect* effect = g_Renderer.FindPassEffect(fast ? "skylightF" : "skylight");
    if (!effect)
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    IDirect3DDevice9* d = g_pD3DInterface;
    g_Renderer.BeginSkyLitFrame(effect);
    if (!g_RenderStates.BeginEffectByName(fx, TECHNIQUE, true))
    {
        g_RenderStates.EndEffect(fx);
        return;
    }
    D3DXMATRIX identity, viewProj, viewInv;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    fx->SetMatrix(effect->g_mWorld, &identity);
    fx->SetMatrix(effect->g_mWorldView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mWorldViewProjection, &viewProj);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    DWORD fog = 0;
    Env.GetFogColor(&fog);
    const D3DXVECTOR4 ambient = Colour(Env.m_dwAmbient), fogColour = Colour(fog);
    fx->SetVector(effect->g_AmbientLightDiffuse, &ambient);
    fx->SetVector(effect->g_FogColor, &fogColour);
    fx->SetBool(effect->g_bUseSkyLight, TRUE);
    // The cables' fog thickens over a fixed 2000 units, whatever the far plane.
    if (g_Camera.GetFarPlane() > 1.0f)
        fx->SetFloat("g_fFarZ1", 0.0005f);
    fx->SetFloat("g_fGrassX0", m_fWindPhase);
    fx->CommitChanges();

    g_RenderStates.AlphaTestOn(effect);
    if (d)
    {
        d->SetRenderState(D3DRS_ALPHAREF, 128);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
    g_RenderStates.EnableCulling(false);
    const TextureIndex texture = g_Renderer.GetTextureIndex(TEXTURE);
    if (!texture)
        g_Renderer.PrintOncePerWorld("Brak tekstury!");
    g_Renderer.SetTexture(0, texture);
    if (d)
    {
        d->SetStreamSource(0, m_pCableVB, 0, VERTEX_SIZE);
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, m_dwTriangles);
        for (DWORD s = 3; s <= 7; ++s)
        {
            d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        }
    }
    // The other passes of the effect read the far plane's own fog scale.
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.SetCullCCW();
    g_RenderStates.EndEffect(fx);
}
