// The sun's lens flare (see LensFlare.h).

#include "render/LensFlare.h"

#include "platform/win32/Path.h"
#include "player/Player.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "render/SpriteMgr.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

ELensFlare g_LensFlare;

namespace
{
constexpr int kLineChars = 256;
constexpr float kStoredScale = 128.0f;
constexpr int kSunDisc = 3; // flare 4
constexpr int kHalo = 10;   // flare 11
constexpr float kSunDiscScale = 40.0f;
constexpr float kSunDiscPush = 48.0f;
constexpr float kAxisReach = 32.0f;
constexpr float kAxisStep = 0.05f;
constexpr float kMaxOffset = 1.1309734582901f; // 0.36 pi
constexpr float kSmallProduct = 0.0001f;
constexpr float kSmallStand = 0.01f;
constexpr float kOcclusionReach = 200.0f;
constexpr float kOverlayFade = 0.75f;
constexpr DWORD kShown = 0x1;
constexpr float kFarAway = 1e11f;

float Number(const char* text)
{
    while (*text == ' ')
        ++text;
    float v = 0.0f;
    std::from_chars(text, text + std::strlen(text), v, std::chars_format::general);
    return std::isfinite(v) ? v : 0.0f;
}

// The segment test refuses the hero's own body: from his eyes the segment
// starts inside it.
bool NotTheHero(HOBJECT candidate, RayTestUser)
{
    return !Player.IsHeroObject(candidate);
}

float Product(float ax, float ay, float bx, float by)
{
    const float p = std::sqrt(ax * ax + ay * ay) * std::sqrt(bx * bx + by * by);
    return p < kSmallProduct ? kSmallStand : p;
}
} // namespace

void ELensFlare::Load()
{
    if (!m_szDefinitionFile[0])
        return;
    FILE* file = TkFopen(m_szDefinitionFile, "rt");
    if (!file)
    {
        g_Console.Print2("No lens flare file ", m_szDefinitionFile);
        return;
    }
    char lines[FLARES][LINES_PER_FLARE][kLineChars + 1] = {};
    int read = 0;
    for (; read < FLARES * LINES_PER_FLARE; ++read)
    {
        char* line = lines[read / LINES_PER_FLARE][read % LINES_PER_FLARE];
        if (std::feof(file))
            break;
        ReadLine(file, line, kLineChars);
        if (std::feof(file) && !line[0])
            break;
    }
    std::fclose(file);
    if (read < FLARES * LINES_PER_FLARE)
    {
        char message[DEFINITION_FILE_SIZE + 80];
        std::snprintf(message, sizeof message, "Lens flare file %s has %d of its %d lines: no lens flare",
                      m_szDefinitionFile, read, FLARES * LINES_PER_FLARE);
        g_Console.Print(message);
        return;
    }
    for (int i = 0; i < FLARES; ++i)
    {
        m_hFlares[i] = nullptr;
        m_fBrightness[i] = Number(lines[i][1]);
        m_fAxisPosition[i] = Number(lines[i][2]);
        m_fScale[i] = Number(lines[i][3]) * kStoredScale;
        const char* texture = lines[i][0];
        while (*texture == ' ')
            ++texture;
        // A missing texture would end the game: that flare is left out.
        if (!texture[0] || !g_Renderer.FindTexturePath(texture))
        {
            g_Console.Print2("Lens flare texture missing: ", texture);
            continue;
        }
        EObjectDesc desc;
        desc.Type = OT_SPRITE;
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", texture);
        desc.vPosition = D3DXVECTOR3(kFarAway, kFarAway, kFarAway);
        if (Number(lines[i][4]) != 0.0f)
            desc.dwFlags2 |= SPRITE_ADDITIVE;
        m_hFlares[i] = g_Engine.AddObject(&desc);
        if (!m_hFlares[i])
            continue;
        const float s = i == kSunDisc ? m_fScale[i] * kSunDiscScale : m_fScale[i];
        const D3DXVECTOR3 scale(s, s, s);
        g_Engine.SetObjectScale(m_hFlares[i], &scale);
    }
    m_bShown = 1;
    HideFlares();
    m_bLoaded = m_bUpdate = 1;
    m_fTestCountdown = 0.0f;
    m_bOccluded = 0;
}

void ELensFlare::Release()
{
    for (HOBJECT& flare : m_hFlares)
    {
        if (flare && flare->bUsed)
            g_Engine.DeleteObject(flare);
        flare = nullptr;
    }
    // A next world has flares only when its own file names them.
    m_vSunDirection = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_bLoaded = m_bUpdate = m_bShown = 0;
    m_fOverlayFade = 0.0f;
    m_szDefinitionFile[0] = 0;
}

void ELensFlare::ShowFlares()
{
    for (HOBJECT flare : m_hFlares)
        if (flare)
            g_Engine.SetObjectFlags(flare, kShown, kShown);
    m_bShown = 1;
}

void ELensFlare::HideFlares()
{
    for (HOBJECT flare : m_hFlares)
        if (flare)
            g_Engine.SetObjectFlags(flare, 0, kShown);
    m_bShown = 0;
}

bool ELensFlare::SunBlocked()
{
    const D3DXVECTOR3 to = m_vCameraPosition - m_vSunDirection * kOcclusionReach;
    RayTestQuery query;
    query.pFrom = &m_vCameraPosition.x;
    query.pTo = &to.x;
    query.pfnFilter = NotTheHero;
    RayTestResult result;
    return g_IntersectSegment.Test(&query, &result);
}

void ELensFlare::Update()
{
    if (!m_bLoaded || !m_bUpdate)
        return;
    const D3DVECTOR& dir = Env.m_vLensFlareDir;
    m_vSunDirection = D3DXVECTOR3(dir.x, dir.y, dir.z);
    D3DXVec3Normalize(&m_vSunDirection, &m_vSunDirection);
    m_vCameraPosition = g_Camera.GetPosition();
    m_vCameraForward = g_Camera.m_vForward;
    const D3DXVECTOR3& s = m_vSunDirection;
    const D3DXVECTOR3& f = m_vCameraForward;
    const D3DXVECTOR3 sum = s + f;
    const bool inFront = std::sqrt(D3DXVec3LengthSq(&s) + D3DXVec3LengthSq(&f)) > D3DXVec3Length(&sum);
    auto hide = [this]
    {
        if (m_bShown)
            HideFlares();
        m_fOverlayFade = 0.0f;
    };
    if (!inFront)
    {
        hide();
        return;
    }
    m_fOffset1 = (s.z * f.x - s.x * f.z) / Product(s.x, s.z, f.x, f.z);
    m_fOffset2 = (s.y * f.x - s.x * f.y) / Product(s.x, s.y, f.x, f.y);
    const float d = std::sqrt(m_fOffset1 * m_fOffset1 + m_fOffset2 * m_fOffset2);
    if (!(d < kMaxOffset))
    {
        hide();
        return;
    }
    const float fade = (kMaxOffset - d) / kMaxOffset;
    m_fTestCountdown -= g_Engine.m_fDeltaTime;
    if (m_fTestCountdown <= 0.0f)
    {
        m_fTestCountdown = TEST_INTERVAL;
        m_bOccluded = SunBlocked() ? 1 : 0;
    }
    if (m_bOccluded)
    {
        hide();
        return;
    }
    if (!m_bShown)
        ShowFlares();
    const D3DXVECTOR3 p0 = m_vCameraPosition - s * kAxisReach;
    const D3DXVECTOR3 p1 = m_vCameraPosition + f * kAxisReach;
    const D3DXVECTOR3 t = (p1 - p0) * kAxisStep;
    for (int i = 0; i < FLARES; ++i)
    {
        HOBJECT flare = m_hFlares[i];
        if (!flare)
            continue;
        D3DXVECTOR3 at = p0;
        if (i < kSunDisc)
            at = p0 - t * m_fAxisPosition[i];
        else if (i > kSunDisc && i < kHalo)
            at = p0 + t * m_fAxisPosition[i];
        if (i == kSunDisc)
            at = m_vCameraPosition + (at - m_vCameraPosition) * kSunDiscPush;
        g_Engine.SetObjectPosition(flare, &at, 0);
        if (i < kHalo)
        {
            // The square root taken twice; a negative product gives NaN, which
            // the colour setter turns into 0.
            const float c = std::sqrt(std::sqrt(m_fBrightness[i] * fade));
            g_Engine.SetSpriteColorF(flare, c, c, c, c);
        }
        else
        {
            const float v = m_fBrightness[i] * fade;
            g_Engine.SetObjectFlags(flare, kShown, kShown);
            g_Engine.SetSpriteColorF(flare, v * v, v, v, v);
            m_fOverlayFade = kOverlayFade * v * v;
        }
    }
}
