// CPostacMgr: the level designers' aids: each character's route as lines and
// a block of state text over its head.
#include "characters/PostacMgr.h"

#include "characters/PathMgr.h"

#include "game/MainGame.h"
#include "platform/win32/EventScript.h"
#include "shell/Console.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "render/Font.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr DWORD kStartupFrames = 400;
constexpr const char* TAG_PATH_VB = "pathpoints VB";
constexpr DWORD kPathPointsColor = 0xff40ff40;
constexpr DWORD kNodePointsColor = 0xffffff40;
constexpr DWORD kLabelColor = 0xffffffff;
constexpr float kLineLift = 0.1f;
constexpr float kLabelSize = 14.0f;
constexpr float kLabelRowHeight = 16.0f;
constexpr float kLabelRange = 80.0f;

struct LineVertex
{
    float x, y, z;
    DWORD color;
};
static_assert(sizeof(LineVertex) == 16, "a position and a diffuse colour");

// Draws the points as one line strip through a buffer made for it.
void DrawStrip(const D3DXVECTOR3* points, DWORD count, DWORD fvf, DWORD color)
{
    if (!g_pD3DInterface || count < 2)
        return;
    IDirect3DVertexBuffer9* vb = nullptr;
    const UINT bytes = count * sizeof(LineVertex);
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb,
                                                   nullptr)) ||
        !vb)
        return;
    g_Debug.AddAllocation(TAG_PATH_VB);
    void* data = nullptr;
    if (SUCCEEDED(vb->Lock(0, bytes, &data, 0)) && data)
    {
        auto* v = static_cast<LineVertex*>(data);
        // A little above the points, which lie on the ground, so the ground does not hide them.
        for (DWORD i = 0; i < count; ++i)
            v[i] = {points[i].x, points[i].y + kLineLift, points[i].z, color};
        vb->Unlock();
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        g_pD3DInterface->SetTransform(D3DTS_WORLD, &identity);
        g_pD3DInterface->SetFVF(fvf);
        g_pD3DInterface->SetStreamSource(0, vb, 0, sizeof(LineVertex));
        g_pD3DInterface->DrawPrimitive(D3DPT_LINESTRIP, 0, count - 1);
    }
    vb->Release();
    g_Debug.RemoveAllocation(TAG_PATH_VB);
}

// The point on the screen, in pixels; false behind the camera.
bool ToScreen(const D3DXVECTOR3& world, float& x, float& y)
{
    D3DXVECTOR4 view;
    D3DXVec3Transform(&view, &world, &g_Camera.m_mView);
    D3DXVECTOR4 clip;
    D3DXVec4Transform(&clip, &view, &g_Camera.m_mProjection);
    if (clip.w <= 0.01f)
        return false;
    const float width = static_cast<float>(g_d3dpp.BackBufferWidth ? g_d3dpp.BackBufferWidth : 1024);
    const float height = static_cast<float>(g_d3dpp.BackBufferHeight ? g_d3dpp.BackBufferHeight : 768);
    x = (clip.x / clip.w * 0.5f + 0.5f) * width;
    y = (0.5f - clip.y / clip.w * 0.5f) * height;
    return true;
}

void Append(char* out, size_t size, const char* line)
{
    const size_t used = std::strlen(out);
    if (used + 1 >= size)
        return;
    std::snprintf(out + used, size - used, "%s%s", used ? "\n" : "", line);
}
} // namespace

void CPostacMgr::DebugDraw()
{
    if (g_Options.DrawPaths && g_pD3DInterface)
    {
        DWORD lighting = 0;
        g_pD3DInterface->GetRenderState(D3DRS_LIGHTING, &lighting);
        g_pD3DInterface->SetRenderState(D3DRS_LIGHTING, FALSE);
        g_PathMgr.RenderDebug();
        g_pD3DInterface->SetRenderState(D3DRS_LIGHTING, lighting);
    }
    if (g_MainGame.m_iLevelFrame < kStartupFrames)
        return;
    DrawPaths();
    if (g_Options.DrawCharacterPaths)
        DrawCharacterLabels();
}

void CPostacMgr::DrawPaths()
{
    if (!g_Options.DebugCharacters || !g_pD3DInterface)
        return;
    DWORD lighting = 0, depth = 0;
    g_pD3DInterface->GetRenderState(D3DRS_LIGHTING, &lighting);
    g_pD3DInterface->GetRenderState(D3DRS_ZENABLE, &depth);
    g_pD3DInterface->SetRenderState(D3DRS_LIGHTING, FALSE);
    // Routes show through walls: the designer follows a character behind a house.
    g_pD3DInterface->SetRenderState(D3DRS_ZENABLE, FALSE);
    for (int i = 0; i < MAX_POSTACI; ++i)
        if (m_Postacie[i].used)
        {
            DrawNodePoints(&m_Postacie[i]);
            DrawPathPoints(&m_Postacie[i]);
        }
    g_pD3DInterface->SetRenderState(D3DRS_ZENABLE, depth);
    g_pD3DInterface->SetRenderState(D3DRS_LIGHTING, lighting);
}

void CPostacMgr::DrawPathPoints(strpostac* p)
{
    if (p)
        DrawStrip(p->path_points,
                  p->path_point_count < MAX_ROUTE_POINTS ? p->path_point_count : MAX_ROUTE_POINTS,
                  m_dwViewLineFVF, kPathPointsColor);
}

void CPostacMgr::DrawNodePoints(strpostac* p)
{
    if (p)
        DrawStrip(p->node_points,
                  p->node_point_count < MAX_ROUTE_POINTS ? p->node_point_count : MAX_ROUTE_POINTS,
                  m_dwViewLineFVF, kNodePointsColor);
}

void CPostacMgr::FormatCharacterLabel(const strpostac* p, char* out, size_t size) const
{
    if (!out || size == 0)
        return;
    out[0] = 0;
    if (!p)
        return;
    char line[160];
    if (p->target)
        std::snprintf(line, sizeof line, "hTarget: %s", p->target->szName);
    else
        std::snprintf(line, sizeof line, "Brak targetu!");
    Append(out, size, line);
    if (p->suspended)
        Append(out, size, "Suspended");
    if (p->running)
        Append(out, size, "bBiegnie");
    if (p->riding && p->faza)
    {
        std::snprintf(line, sizeof line, "Jedzie na %s", p->faza->jedzie_na);
        Append(out, size, line);
    }
    if (p->holding_weapon && p->weapon && p->weapon->m_pDesc)
    {
        std::snprintf(line, sizeof line, "Holding weapon %s", p->weapon->m_pDesc->name);
        Append(out, size, line);
    }
    if (p->reloading)
        Append(out, size, "Reload");
    if (p->anim.pSequence && p->anim.pStep)
    {
        std::snprintf(line, sizeof line, "Sekwencja animacji %s, faza %s", p->anim.pSequence->szName,
                      p->anim.pStep->szName);
        Append(out, size, line);
    }
    if (p->anim.szAnimation[0])
    {
        std::snprintf(line, sizeof line, "Animacja: %s", p->anim.szAnimation);
        Append(out, size, line);
    }
    if (p->faza && p->faza->bot && CompareNoCase(p->faza->name, "bot_stoi") == 0)
    {
        std::snprintf(line, sizeof line, "BotStoi. Czas: %f.", p->bot_stand_time);
        Append(out, size, line);
    }
    if (p->bad_shots)
    {
        std::snprintf(line, sizeof line, "Zlych strzalow: %u", static_cast<unsigned>(p->bad_shots));
        Append(out, size, line);
    }
    if (p->sees_target)
        Append(out, size, "Can see target");
    if (p->may_shoot)
        Append(out, size, "Can shoot in this phase");
    if (p->sees_target && p->may_shoot && p->target_in_front)
        Append(out, size, "Will hit target");
    if (p->following_bezier && p->faza)
    {
        std::snprintf(line, sizeof line, "Moving on bezier \"%s\"", p->faza->bezier);
        Append(out, size, line);
    }
    if (p->look_at[0])
    {
        std::snprintf(line, sizeof line, "LookAt \"%s\"", p->look_at);
        Append(out, size, line);
    }
    if (p->faza && p->faza->estimate_do_mesha[0])
    {
        std::snprintf(line, sizeof line, "EstimateDoMesha \"%s\"", p->faza->estimate_do_mesha);
        Append(out, size, line);
    }
    if (p->postac_running)
    {
        std::snprintf(line, sizeof line, "Character running to mesh \"%s\"", p->run_to_mesh);
        Append(out, size, line);
    }
    if (!p->faza)
        Append(out, size, "NO PHASE");
    else
    {
        std::snprintf(line, sizeof line, "Faza: %s", p->faza->name);
        Append(out, size, line);
    }
}

void CPostacMgr::DrawCharacterLabels()
{
    char text[1024];
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = m_Postacie[i];
        if (!p.used || p.player_record || !p.model || p.camera_distance > kLabelRange)
            continue;
        D3DXVECTOR3 at = p.position;
        at.y += 2.0f;
        g_Engine.GetSkinMeshNodePosition(p.model, "Bip01_Neck", &at);
        float x = 0.0f;
        float y = 0.0f;
        if (!ToScreen(at, x, y))
            continue;
        FormatCharacterLabel(&p, text, sizeof text);
        // One row per line, the block ending just above the neck.
        int rows = 1;
        for (const char* c = text; *c; ++c)
            rows += *c == '\n';
        float rowY = y - kLabelRowHeight * static_cast<float>(rows);
        for (char* line = text; line;)
        {
            char* next = std::strchr(line, '\n');
            if (next)
                *next++ = 0;
            g_Font.DrawText(line, x, rowY, kLabelColor, kLabelSize, 0, true, false);
            rowY += kLabelRowHeight;
            line = next;
        }
    }
}

void CPostacMgr::RegisterScriptActions()
{
    TkRegisterScriptAction("characters",
                           [](const std::string&)
                           {
                               char line[512];
                               for (int i = 0; i < MAX_POSTACI; ++i)
                               {
                                   const strpostac& p = PMgr.m_Postacie[i];
                                   if (!p.used)
                                       continue;
                                   std::snprintf(line, sizeof line,
                                                 "Character %s desc %s phase %s model %d hat %d weapon %d "
                                                 "target %s sees %d engaged %d alarmed %d player %d dead %d",
                                                 p.name, p.desc ? p.desc->name : "-",
                                                 p.faza ? p.faza->name : "-", p.model ? 1 : 0, p.hat ? 1 : 0,
                                                 p.weapon ? 1 : 0, p.target ? p.target->szName : "-",
                                                 p.sees_target, p.engaged, p.alarmed, p.player_record,
                                                 p.dead);
                                   g_Console.Print(line);
                               }
                               std::snprintf(line, sizeof line, "Alarms raised %d", PMgr.m_iAlarms);
                               g_Console.Print(line);
                               return true;
                           });
    // "routes": where each character is on its graph and how far it has walked.
    TkRegisterScriptAction(
        "routes",
        [](const std::string&)
        {
            char line[512];
            for (int i = 0; i < MAX_POSTACI; ++i)
            {
                const strpostac& p = PMgr.m_Postacie[i];
                if (!p.used || p.player_record)
                    continue;
                std::snprintf(line, sizeof line,
                              "Route %s phase %s place %d x %.2f z %.2f nodes %u points %u "
                              "running %d scripted %d",
                              p.name, p.faza ? p.faza->name : "-",
                              p.place ? static_cast<int>(p.place->number) : -1,
                              static_cast<double>(p.position.x), static_cast<double>(p.position.z),
                              p.route_node_count, p.path_point_count, p.running_nodes, p.postac_running);
                g_Console.Print(line);
            }
            std::snprintf(line, sizeof line, "Footsteps %d", PMgr.m_iFootsteps);
            g_Console.Print(line);
            return true;
        });
}
