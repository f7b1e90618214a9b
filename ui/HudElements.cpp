// Panel: the element renderers Panel::Render calls in its fixed order.
#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "mesh/SkinMesh.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Font.h"
#include "shell/CommandMgr.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/HudLayout.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "environment/FxMgr.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace hud;

namespace
{
constexpr int kHardest = 3;   // "Difficulty" that hides ammunition, minimap and grenade pointer
constexpr int kNoAimTint = 2; // from this difficulty the crosshair is never tinted
constexpr DWORD kEnemyTint = 0x80FF0000;
constexpr DWORD kFriendTint = 0x6000FF00;
constexpr float kAimSpread = 0.54f;
constexpr float kAirSpread = 2.0f, kCrouchMoveSpread = 2.0f, kCrouchSpread = 0.7f, kRunSpread = 6.0f,
                kWalkSpread = 3.0f;
constexpr float kSpreadEase = 38.0f;
constexpr float kCrosshairBase = 12.0f;
constexpr float kPlainCrosshair = 24.0f;
constexpr float kHintY = 200.0f;
constexpr float kLabelSize = 20.0f;
constexpr int CMD_AIM = 1;
constexpr int CMD_USE = 18;
constexpr int CMD_GET_UP = 34;
// Use prompt.
constexpr float kUseIconX = 520.0f, kUseIconY = 482.0f, kUseIconSize = 64.0f, kShadow = 2.0f;
constexpr DWORD kShadowColor = 0x80000000;
constexpr float kPromptX = 522.0f, kPromptY = 402.0f, kPromptStep = 36.0f, kGunPromptDrop = 100.0f,
                kGunPromptSize = 18.0f;
// Hit direction.
constexpr float kHitFade = 0.7f, kHitHalf = 166.0f, kHitAlphaScale = 160.0f;
// Blood.
constexpr float kBloodFrom = 0.2f, kBloodMore = 0.5f;
constexpr int kBloodSecondA = 1, kBloodSecondB = 4;
// Minimap, in vertical units.
constexpr float kMapLeft = 22.0f, kMapTop = 584.0f, kMapRight = 182.0f, kMapBottom = 746.0f;
constexpr float kMapCentreX = 102.0f, kMapCentreY = 666.0f;
constexpr float kMapReach = 23.4375f, kMapScale = 1.0f / 0.325f;
constexpr float kMapPoint = 8.0f, kPointerShrink = 128.0f, kPointerSmallest = 8.0f;
constexpr float kCharacterMarkHalf = 8.0f;
// Without a neck node the mark sits this far above the character's feet.
constexpr float kCharacterMarkRise = 0.9f;
// Markers.
constexpr float kMarkerHalf = 12.0f, kMarkerInset = 16.0f, kMarkerTextRise = 36.0f, kMarkerTextSize = 24.0f;
constexpr DWORD kMarkerTextAlpha = 0xC0;
constexpr float kWaypointAhead = 1.0f, kExplosiveAhead = 10.0f;
constexpr float kBehindDistance = 128.0f;
constexpr int kArrowSteps = 2000;
constexpr float kArrowInset = 24.0f, kArrowEdge = 24.0f * 1.4f, kArrowHalf = 24.0f;
// Grenade pointer.
constexpr float kGrenadeRadius = 80.0f, kGrenadeHalf = 32.0f;
// Ammunition.
constexpr float kPanelLeft = 788.0f, kPanelTop = 691.0f, kPanelRight = 1008.0f, kPanelBottom = 746.0f;
constexpr DWORD kSmallMagazine = 10;
constexpr float kSmallX = 912.0f, kSmallY = 706.0f, kSmallW = 2.0f, kSmallH = 8.0f, kSmallStep = 3.0f;
constexpr float kBigX = 900.0f, kBigY = 693.0f, kBigW = 6.0f, kBigH = 24.0f, kBigStep = 8.0f;
constexpr DWORD kSmallRedBelow = 6, kBigRedBelow = 4;
constexpr DWORD kSmallRedAtMost = 5, kBigRedAtMost = 3;
constexpr float kRoundsX = 924.0f, kSpareX = 994.0f, kNumbersY = 699.0f, kGrenadesX = 940.0f,
                kGrenadesY = 725.0f;
// Texts.
constexpr DWORD kSavedColor = 0xFFE0E080;
constexpr float kSavedDrop = 96.0f, kSavedSeconds = 4.0f, kSavedSize = 24.0f;
constexpr float kHintX = 100.0f, kHintTextY = 690.0f, kHintSeconds = 10.0f;
constexpr float kCountdownY = 64.0f, kCountdownSize = 34.0f, kCountdownRise = 20.0f, kCountdownRed = 10.0f;
constexpr float kClickBelow = 11.0f;
constexpr float kDeathImageDelay = 0.5f, kDeathImageRate = 0.6f, kDeathCoverRate = 1.45f;
constexpr float kDeathX = 514.0f, kDeathY = 362.0f, kDeathTitle = 28.0f, kDeathLine = 32.0f;
constexpr float kCutSceneBar = 90.0f, kLetterboxBar = 96.0f, kLetterboxRate = 8.0f;
constexpr DWORD kMessageColor = 0xFFD1CCB1;
constexpr float kMessageSize = 22.0f, kMessageSeconds = 8.0f;
constexpr float kCaptionY = 280.0f, kCaptionSize = 24.0f, kCaptionIn = 1.0f, kCaptionHold = 6.0f,
                kCaptionOut = 7.0f;
constexpr float kSubtitleReach = 160.0f, kSubtitleSize = 16.0f;
constexpr float kLevelEpsilon = 1e-4f;

const char* KeyName(int command)
{
    const DWORD code = g_CommandMgr.m_dwBindings[command][0];
    return code < CCommandMgr::KEY_CODES ? g_CommandMgr.m_szKeyNames[code] : "";
}

const EItemDesc* CurrentDesc()
{
    return Bronie.current ? Bronie.current->m_pDesc : nullptr;
}

// The angle on the ground plane from the camera's forward direction to a
// point (negative to the left); 0 when the point has no level direction.
float LevelAngleTo(const D3DXVECTOR3& point)
{
    const D3DXVECTOR3& f = g_Camera.GetOrientation().Forward;
    const D3DXVECTOR3& c = g_Camera.GetPosition();
    float dx = point.x - c.x, dz = point.z - c.z;
    float fx = f.x, fz = f.z;
    const float dl = std::sqrt(dx * dx + dz * dz), fl = std::sqrt(fx * fx + fz * fz);
    if (dl < kLevelEpsilon || fl < kLevelEpsilon)
        return 0.0f;
    dx /= dl;
    dz /= dl;
    fx /= fl;
    fz /= fl;
    return std::atan2(fz * dx - fx * dz, fx * dx + fz * dz);
}

bool ProjectPoint(const D3DXVECTOR3& p, float* sx, float* sy)
{
    float x = -1.0e30f, y = -1.0e30f;
    g_Panel.WorldToScreen(&p.x, &x, &y);
    if (x <= -1.0e30f)
        return false;
    *sx = x;
    *sy = y;
    return true;
}

// A direction turned from `from` toward `to` by t (vector slerp).
D3DXVECTOR3 TurnToward(const D3DXVECTOR3& from, const D3DXVECTOR3& to, float t)
{
    const float cosA = std::clamp(D3DXVec3Dot(&from, &to), -1.0f, 1.0f);
    const float angle = std::acos(cosA);
    const float sinA = std::sin(angle);
    if (sinA < kLevelEpsilon)
    {
        // Straight behind: turn over the camera's up axis.
        const D3DXVECTOR3& up = g_Camera.GetOrientation().Up;
        return from * std::cos(t * angle) + up * std::sin(t * angle);
    }
    return from * (std::sin((1.0f - t) * angle) / sinA) + to * (std::sin(t * angle) / sinA);
}
} // namespace

// ---- Crosshair -----------------------------------------------------------------------------

float Panel::CrosshairTargetSpread() const
{
    const EItemInstance* weapon = Bronie.current;
    if (!weapon)
        return 0.0f;
    float spread = weapon->m_fDispersion;
    if (Bronie.aiming)
        spread *= kAimSpread;
    if (!Player.m_bCanMove)
        spread *= kAirSpread;
    else if (Player.m_bCrouched)
        spread *= Player.m_bMoving ? kCrouchMoveSpread : kCrouchSpread;
    else if (Player.m_bRunning)
    {
        if (Player.m_bMoving)
            spread *= kRunSpread;
    }
    else if (Player.m_bMoving)
        spread *= kWalkSpread;
    return spread;
}

DWORD Panel::CrosshairColor() const
{
    if (g_Options.Difficulty < kNoAimTint)
    {
        if (m_bEnemyAimed)
            return kEnemyTint;
        if (m_bFriendAimed || m_bOtherAimed)
            return kFriendTint;
    }
    return m_dwLabelColor;
}

void Panel::RenderCrosshair()
{
    const EItemDesc* d = CurrentDesc();
    if (!Bronie.current)
        return;
    if (hud::HeroOnMountedGun())
    {
        RenderPlainCrosshair();
        return;
    }
    if ((d && d->Snajper_Celownik && Bronie.aiming) || CameraHeld() || OBE.m_bRunning ||
        (Bronie.aiming && Bronie.aimProgress >= 1.0f) || hud::HeroOnBezier() ||
        (d && d->Laser && Bronie.laserOn))
        return;
    float alpha = 1.0f;
    if (Player.m_fSwayDelay > 0.0f)
        alpha = Player.m_fSwayDelay >= 1.0f ? 0.0f : 1.0f - Player.m_fSwayDelay;
    const DWORD color = WithAlpha(CrosshairColor(), Alpha(alpha));

    const float target = CrosshairTargetSpread();
    const float step = kSpreadEase * g_Engine.m_fDeltaTime;
    if (m_fSpread < target)
        m_fSpread = std::min(target, m_fSpread + step);
    else
        m_fSpread = std::max(target, m_fSpread - step);

    const float half = m_fSpread * ScaleX() + X(kCrosshairBase);
    m_Crosshair.Begin2D(false);
    DrawSquare(m_Crosshair, ScreenWidth() / 2.0f, ScreenHeight() / 2.0f, half, half, color);
    m_Crosshair.Restore2D();
}

void Panel::RenderPlainCrosshair()
{
    m_Crosshair.Begin2D(false);
    const float half = X(kPlainCrosshair);
    DrawSquare(m_Crosshair, ScreenWidth() / 2.0f, ScreenHeight() / 2.0f, half, half,
               WithAlpha(CrosshairColor(), 0xFF));
    m_Crosshair.Restore2D();
}

void Panel::RenderScope()
{
    if (!Bronie.current)
        return;
    const EItemDesc* d = CurrentDesc();
    int mask = 0;
    if (d)
    {
        const char* names[SCOPE_MASKS] = {"", "barrett", "saiga", "dragunov"};
        for (int i = 1; i < SCOPE_MASKS; ++i)
            if (std::strstr(d->name, names[i]))
                mask = i;
    }
    m_ScopeColor.Begin2D(false);
    m_ScopeColor.Render(true);
    m_ScopeMasks[mask].Render(true);
    for (ERect& bar : m_ScopeBars)
        bar.Render(true);
    m_ScopeColor.Restore2D();
}

void Panel::RenderZoomHint()
{
    if (!Bronie.current)
        return;
    RenderScope();
    if (Player.m_bScoped && Player.m_bCanHoldBreath && !Player.m_bHoldingBreath)
    {
        char text[PANEL_TEXT_SIZE];
        std::snprintf(text, sizeof text, "%s %s %s", g_TextMgr.GetText(">G01"), KeyName(CMD_AIM),
                      g_TextMgr.GetText(">G14"));
        g_Font.DrawText(text, X(CENTRE_X), Y(kHintY), m_dwLabelColor, kLabelSize, 0, true, false);
    }
}

// ---- Markers over the world ------------------------------------------------------------------

// A mark over the neck of each marked character whose skinned object is drawn.
void Panel::RenderCharacterMarks()
{
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = PMgr.m_Postacie[i];
        if (!p.used || !p.mark)
            continue;
        const strObject* o = p.model;
        if (!o || !o->bUsed || o->Type != OT_SKINMESH || !o->Object || !o->bVisible)
            continue;
        D3DXVECTOR3 at;
        if (!static_cast<const ESkinMesh*>(o->Object)->GetNodePosition("Bip01_Neck", &at))
            at = p.position + D3DXVECTOR3(0.0f, kCharacterMarkRise, 0.0f);
        float x, y;
        if (ProjectPoint(at, &x, &y))
            DrawSquare(m_CharacterMark, x, y, Y(kCharacterMarkHalf), Y(kCharacterMarkHalf), m_dwMainColor);
    }
}

void Panel::RenderHitDirection()
{
    if (g_Menu.m_bMenuActive)
        return;
    m_fHitAlpha -= kHitFade * g_Engine.m_fDeltaTime;
    if (m_fHitAlpha <= 0.0f)
    {
        m_fHitAlpha = 0.0f;
        m_bHitShown = 0;
        return;
    }
    for (ERect& blood : m_Blood)
        if (blood.m_bCreated)
            DrawFullScreen(blood, WithAlpha(WHITE, Alpha(m_fHitAlpha)));
    const DWORD a = static_cast<DWORD>(m_fHitAlpha * kHitAlphaScale);
    const DWORD color = a << 24 | a << 16 | a << 8 | a;
    DrawTurnedSquare(m_HitMarker, ScreenWidth() / 2.0f, ScreenHeight() / 2.0f, X(kHitHalf),
                     LevelAngleTo(m_vHitSource), color);
}

void Panel::UpdateHealthPulse()
{
    const float share = HealthShare();
    if (share > 0.5f)
    {
        m_fPulse = 0.0f;
        return;
    }
    const float t = static_cast<float>(g_Engine.m_fLastTime);
    m_fPulse = std::sqrt(std::fabs(std::sin(2.0f * t) * (0.5f - share)));
}

void Panel::RenderBloodScreens()
{
    if (!g_Options.BloodScreens)
        return;
    const float hurt = 1.0f - HealthShare();
    if (hurt < kBloodFrom)
        return;
    const DWORD color = WithAlpha(WHITE, Alpha(hurt));
    for (int twice = 0; twice < 2; ++twice)
        DrawFullScreen(m_Blood[0], color);
    if (hurt > kBloodMore)
        for (int twice = 0; twice < 2; ++twice)
        {
            DrawFullScreen(m_Blood[kBloodSecondA], color);
            DrawFullScreen(m_Blood[kBloodSecondB], color);
        }
}

void Panel::RenderGrenadePointer()
{
    if (!m_bGrenadeWarning || g_Options.Difficulty >= kHardest)
        return;
    const float angle = LevelAngleTo(m_vGrenade);
    const float cx = ScreenWidth() / 2.0f + std::sin(angle) * X(kGrenadeRadius);
    const float cy = ScreenHeight() / 2.0f - std::cos(angle) * X(kGrenadeRadius);
    DrawTurnedSquare(m_GrenadePointer, cx, cy, X(kGrenadeHalf), angle, m_dwLabelColor);
    DrawTurnedSquare(m_GrenadeArrow, cx, cy, X(kGrenadeHalf), angle, m_dwLabelColor);
}

void Panel::RenderMinimap()
{
    if (g_Options.Difficulty >= kHardest)
        return;
    const DWORD frame = HealthShiftedColor();
    m_MapCircle.SetRect(Y(kMapLeft), Y(kMapTop), Y(kMapRight), Y(kMapBottom));
    m_MapCircle.SetColor(frame);
    m_MapCircle.Render(true);

    const D3DXVECTOR3& cam = g_Camera.GetPosition();
    const D3DXVECTOR3& f = g_Camera.GetOrientation().Forward;
    float fx = f.x, fz = f.z;
    const float fl = std::sqrt(fx * fx + fz * fz);
    if (fl > kLevelEpsilon)
    {
        fx /= fl;
        fz /= fl;
    }
    else
    {
        fx = 0.0f;
        fz = 1.0f;
    }
    const float centreX = Y(kMapCentreX), centreY = Y(kMapCentreY);
    auto point = [&](const D3DXVECTOR3& p, float half)
    {
        float rx = p.x - cam.x, rz = p.z - cam.z;
        const float length = std::sqrt(rx * rx + rz * rz);
        if (length > kMapReach)
        {
            rx *= kMapReach / length;
            rz *= kMapReach / length;
        }
        const float across = rx * fz - rz * fx; // to the right of the heading
        const float ahead = rx * fx + rz * fz;
        DrawSquare(m_MapPoint, centreX + across * Y(kMapScale), centreY - ahead * Y(kMapScale), X(half),
                   X(half), m_dwMainColor);
    };
    for (const PanelHitMarker& marker : m_HitMarkers)
        if (marker.active)
            point(marker.position, kMapPoint);
    if (HOBJECT target = g_EngineObject.m_hDirectionPointerTarget)
    {
        m_fDirectionPointer =
            std::max(kPointerSmallest, m_fDirectionPointer - kPointerShrink * g_Engine.m_fDeltaTime);
        point(target->vPosition, m_fDirectionPointer);
    }
    if (HOBJECT target = g_EngineObject.m_hExplosiveTarget)
        point(target->vPosition, kMapPoint);
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = PMgr.m_Postacie[i];
        if (p.used && !p.dead && p.mark)
            point(p.position, kMapPoint);
    }

    m_MapTriangle.SetRect(Y(kMapLeft), Y(kMapTop), Y(kMapRight), Y(kMapBottom));
    m_MapTriangle.SetColor(m_dwMainColor);
    m_MapTriangle.Render(true);
}

int Panel::EdgeArrowAt(float& x, float& y) const
{
    const float left = X(kArrowInset), right = X(hud::VIRTUAL_WIDTH - kArrowInset);
    const float top = Y(kArrowInset), bottom = Y(hud::VIRTUAL_HEIGHT - kArrowInset);
    const float cx = X(CENTRE_X), cy = Y(CENTRE_Y);
    const float dx = cx - x, dy = cy - y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length > 0.0f && (x < left || x > right || y < top || y > bottom))
    {
        // How far the one-pixel walk toward the centre goes before it is inside:
        // the farthest of the distances to enter each band, in whole steps.
        const float ux = dx / length, uy = dy / length;
        float need = 0.0f;
        if (x < left && ux > 0.0f)
            need = std::max(need, (left - x) / ux);
        if (x > right && ux < 0.0f)
            need = std::max(need, (right - x) / ux);
        if (y < top && uy > 0.0f)
            need = std::max(need, (top - y) / uy);
        if (y > bottom && uy < 0.0f)
            need = std::max(need, (bottom - y) / uy);
        const float steps = std::min(std::ceil(need), static_cast<float>(kArrowSteps));
        x += ux * steps;
        y += uy * steps;
    }
    if (y - 0.0f < Y(kArrowEdge))
        return 0;
    if (ScreenWidth() - x < X(kArrowEdge))
        return 1;
    if (ScreenHeight() - y < Y(kArrowEdge))
        return 2;
    return 3;
}

void Panel::RenderTargetMarker(ERect& image, HOBJECT target, float aheadDistance, bool distanceText)
{
    const D3DXVECTOR3& cam = g_Camera.GetPosition();
    const D3DXVECTOR3& forward = g_Camera.GetOrientation().Forward;
    const D3DXVECTOR3 p = target->vPosition;
    const D3DXVECTOR3 ahead = cam + forward * aheadDistance;
    D3DXVECTOR3 toAhead = p - ahead, toCam = p - cam;
    const bool inFront = D3DXVec3Length(&toAhead) < D3DXVec3Length(&toCam);
    float sx = 0.0f, sy = 0.0f;
    if (inFront && ProjectPoint(p, &sx, &sy) && sx >= X(kMarkerInset) &&
        sx <= X(hud::VIRTUAL_WIDTH - kMarkerInset) && sy >= Y(kMarkerInset) &&
        sy <= Y(hud::VIRTUAL_HEIGHT - kMarkerInset))
    {
        DrawSquare(image, sx, sy, X(kMarkerHalf), X(kMarkerHalf), m_dwLabelColor);
        ERect::SetBlendMode(true);
        image.Render(true);
        ERect::SetBlendMode(false);
        if (distanceText)
        {
            char text[PANEL_TEXT_SIZE];
            std::snprintf(text, sizeof text, "%i %s", static_cast<int>(D3DXVec3Length(&toCam)),
                          g_TextMgr.GetText(">G35"));
            g_Font.DrawText(text, sx, sy - Y(kMarkerTextRise), WithAlpha(m_dwLabelColor, kMarkerTextAlpha),
                            kMarkerTextSize, 0, true, false);
        }
        return;
    }
    // Off screen or behind: an arrow at the screen's edge.
    D3DXVECTOR3 point = p;
    const float distance = D3DXVec3Length(&toCam);
    if (distance < kLevelEpsilon)
        return;
    D3DXVECTOR3 dir = toCam / distance;
    const float cosA = D3DXVec3Dot(&dir, &forward);
    if (!inFront)
    {
        const D3DXVECTOR3 turned = TurnToward(dir, forward, 1.0f - std::fabs(cosA) / 2.0f);
        point = cam + turned * kBehindDistance;
    }
    if (!ProjectPoint(point, &sx, &sy))
    {
        // Still on the camera's plane: push it out from the centre along its view-space direction.
        D3DXVECTOR4 in(point.x, point.y, point.z, 1.0f), view;
        D3DXVec4Transform(&view, &in, &g_Camera.m_mView);
        const float l = std::sqrt(view.x * view.x + view.y * view.y);
        if (l < kLevelEpsilon)
            return;
        sx = X(CENTRE_X) + view.x / l * ScreenWidth();
        sy = Y(CENTRE_Y) - view.y / l * ScreenHeight();
    }
    const int arrow = EdgeArrowAt(sx, sy);
    ERect& rect = distanceText ? m_Arrows[arrow] : image;
    DrawSquare(rect, sx, sy, X(kArrowHalf), Y(kArrowHalf), WithAlpha(m_dwLabelColor, kMarkerTextAlpha));
}

void Panel::RenderWaypointMarker()
{
    if (HOBJECT target = g_EngineObject.m_hDirectionPointerTarget)
        RenderTargetMarker(m_Waypoint3D, target, kWaypointAhead, true);
}

void Panel::RenderExplosiveMarker()
{
    if (HOBJECT target = g_EngineObject.m_hExplosiveTarget)
        RenderTargetMarker(m_Explosive3D, target, kExplosiveAhead, false);
}

// ---- Ammunition ------------------------------------------------------------------------------

int Panel::BulletsToDraw(DWORD magazineSize, DWORD rounds, bool* small)
{
    *small = magazineSize > kSmallMagazine;
    // Bullets stop at the panel's left edge, however large a magazine.
    const float room = *small ? (kSmallX - kPanelLeft) / kSmallStep : (kBigX - kPanelLeft) / kBigStep;
    const DWORD fit = static_cast<DWORD>(room) + 1;
    return static_cast<int>(std::min(rounds, fit));
}

void Panel::RenderAmmoBars()
{
    const EItemInstance* weapon = Bronie.current;
    if (!weapon || !weapon->m_pDesc || !PlayerStats.m_bCombatMode || g_Options.Difficulty >= kHardest)
        return;
    m_AmmoPanel.SetRect(X(kPanelLeft), Y(kPanelTop), X(kPanelRight), Y(kPanelBottom));
    m_AmmoPanel.SetColor(HealthShiftedColor());
    m_AmmoPanel.Render(true);

    bool small = false;
    const DWORD rounds = weapon->m_iMagazine;
    const int count = BulletsToDraw(weapon->m_pDesc->Ammo, rounds, &small);
    const bool red = rounds < (small ? kSmallRedBelow : kBigRedBelow);
    const DWORD color = red ? RED : m_dwMainColor;
    ERect& bullet = small ? m_BulletSmall : m_BulletBig;
    ERect::SetBlendMode(true);
    for (int i = 0; i < count; ++i)
    {
        const float x = small ? kSmallX - kSmallStep * i : kBigX - kBigStep * i;
        const float y = small ? kSmallY : kBigY;
        const float w = small ? kSmallW : kBigW, h = small ? kSmallH : kBigH;
        bullet.SetRect(X(x), Y(y), X(x + w), Y(y + h));
        bullet.SetColor(color);
        bullet.Render(true);
    }
    ERect::SetBlendMode(false);
}

void Panel::RenderAmmoNumbers()
{
    const EItemInstance* weapon = Bronie.current;
    if (!weapon || !weapon->m_pDesc || g_Options.Difficulty >= kHardest)
        return;
    const DWORD rounds = weapon->m_iMagazine;
    const bool small = weapon->m_pDesc->Ammo > kSmallMagazine;
    const bool red = rounds <= (small ? kSmallRedAtMost : kBigRedAtMost);
    char text[32];
    std::snprintf(text, sizeof text, "%i", static_cast<int>(rounds));
    g_Font.DrawText(text, X(kRoundsX), Y(kNumbersY), red ? RED : m_dwMainColor, kLabelSize, 0, false, false);
    const DWORD kind = weapon->m_pDesc->Unique_Id;
    const DWORD spare = kind < static_cast<DWORD>(MAX_ROZNYCH_BRONI) ? Bronie.counters[kind] : 0;
    std::snprintf(text, sizeof text, "%i", static_cast<int>(spare));
    g_Font.DrawText(text, X(kSpareX), Y(kNumbersY), m_dwSecondColor, kLabelSize, 0, false, true);
    std::snprintf(text, sizeof text, "%i", static_cast<int>(Bronie.grenades));
    g_Font.DrawText(text, X(kGrenadesX), Y(kGrenadesY), m_dwMainColor, kLabelSize, 0, false, false);
}

void Panel::RenderRadiation()
{
    const float radiation = HeroRadiation();
    if (!(radiation > 0.1f))
        return;
    m_Radiation.SetColor(WithAlpha(WHITE, Alpha(radiation)));
    m_Radiation.Render(true);
}

// ---- Prompts and texts ------------------------------------------------------------------------

void Panel::RenderUseIcons()
{
    if (OBE.m_bRunning)
        return;
    auto pair = [&](int first)
    {
        const float x = X(kUseIconX), y = Y(kUseIconY), w = X(kUseIconSize), h = Y(kUseIconSize);
        DrawSquare(m_UseIcons[first + 1], x + X(kShadow) + w / 2, y + Y(kShadow) + h / 2, w / 2, h / 2,
                   kShadowColor);
        DrawSquare(m_UseIcons[first], x + w / 2, y + h / 2, w / 2, h / 2, WHITE);
    };
    if (m_bItemAimed)
        pair(0);
    if (m_bObjectAimed)
        pair(m_dwAimKind == 2 ? 4 : 2);
}

void Panel::RenderPickupPrompt()
{
    char text[PANEL_TEXT_SIZE];
    float y = Y(kPromptY);
    if (m_bItemAimed)
    {
        std::snprintf(text, sizeof text, "'%s' %s %s.", KeyName(CMD_USE), g_TextMgr.GetText(">G02"),
                      m_szAimedItem);
        g_Font.DrawText(text, X(kPromptX), y, m_dwMainColor, kLabelSize, 0, false, false);
        y += Y(kPromptStep);
    }
    if (m_bObjectAimed)
    {
        std::snprintf(text, sizeof text, "'%s' %s", KeyName(CMD_USE),
                      g_TextMgr.GetText(m_bVehicleAimed ? ">G13" : ">G03"));
        g_Font.DrawText(text, X(kPromptX), y, m_dwMainColor, kLabelSize, 0, false, false);
        y += Y(kPromptStep);
    }
    if (m_bGunAimed)
    {
        std::snprintf(text, sizeof text, "'%s' %s", KeyName(CMD_USE), g_TextMgr.GetText(">G15"));
        g_Font.DrawText(text, X(CENTRE_X), y + Y(kGunPromptDrop), m_dwMainColor, kGunPromptSize, 0, true,
                        false);
    }
}

void Panel::RenderSavedNotice()
{
    m_fSavedNoticeTime += g_Engine.m_fDeltaTime;
    if (m_fSavedNoticeTime >= kSavedSeconds)
        return;
    ERect::SetBlendMode(true);
    g_Font.DrawText(g_TextMgr.GetText(">SGMOK"), ScreenWidth() / 2.0f, ScreenHeight() / 2.0f + Y(kSavedDrop),
                    kSavedColor, kSavedSize, 0, true, false);
    ERect::SetBlendMode(false);
}

void Panel::RenderHint()
{
    if (!m_bHint && g_GameAI.IsVariableSet(VAR_HINT))
        m_bHint = 1;
    if (!m_bHint)
        return;
    m_fHintTime += g_Engine.m_fDeltaTime;
    if (m_fHintTime >= kHintSeconds)
        return;
    char text[PANEL_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%s '%s' %s", g_TextMgr.GetText(">G01"), KeyName(CMD_GET_UP),
                  g_TextMgr.GetText(">G05"));
    g_Font.DrawText(text, X(kHintX), Y(kHintTextY), RED, kLabelSize, 0, false, false);
}

void Panel::RenderCountdown()
{
    float seconds = 0.0f;
    if (!HeroCountdown(&seconds))
        return;
    char text[32];
    CountdownText(seconds, text, sizeof text);
    const float whole = std::floor(std::max(0.0f, std::min(seconds, 2147483520.0f)));
    g_Font.DrawText(text, X(CENTRE_X), Y(kCountdownY), whole <= kCountdownRed ? RED : GREEN, kCountdownSize,
                    0, true, false);
    g_Font.DrawText(g_TextMgr.GetText(">G32"), X(CENTRE_X), Y(kCountdownY - kCountdownRise), m_dwLabelColor,
                    kLabelSize, 0, true, false);
    if (whole < kClickBelow && whole != m_fLastCountdownSecond)
        g_SoundMgr.PlaySoundOnce("sounds\\special\\clock_click.wav", 1.0f, 0.0f);
    m_fLastCountdownSecond = whole;
}

void Panel::RenderDeathScreen()
{
    const float imageAlpha = (m_fDeathTime - kDeathImageDelay) * kDeathImageRate;
    if (imageAlpha > 0.0f)
        DrawFullScreen(m_Death, WithAlpha(WHITE, Alpha(imageAlpha)));
    DrawFullScreen(m_Cover, WithAlpha(0, Alpha(m_fDeathTime * kDeathCoverRate)));
    g_Font.DrawText(g_TextMgr.GetText(">G08"), X(kDeathX), Y(kDeathY), RED, kDeathTitle, 0, true, false);
    g_Font.DrawText(g_TextMgr.GetText(">G23"), X(kDeathX), Y(kDeathY + kDeathLine),
                    WithAlpha(m_dwMainColor, Alpha(imageAlpha)), kLabelSize, 0, true, false);
    m_fDeathTime += g_Engine.m_fDeltaTime;
}

void Panel::RenderCutSceneBars()
{
    const DWORD black = 0xFF000000;
    m_Cover.SetRect(0.0f, 0.0f, ScreenWidth(), Y(kCutSceneBar));
    m_Cover.SetColor(black);
    m_Cover.Render(true);
    m_Cover.SetRect(0.0f, ScreenHeight() - Y(kCutSceneBar), ScreenWidth(), ScreenHeight());
    m_Cover.Render(true);
}

void Panel::RenderLetterboxBars()
{
    const float step = kLetterboxRate * g_Engine.m_fDeltaTime;
    m_fLetterbox = m_bPanoramic ? std::min(1.0f, m_fLetterbox + step) : std::max(0.0f, m_fLetterbox - step);
    const float bar = m_fLetterbox * Y(kLetterboxBar);
    if (bar <= 0.0f)
        return;
    m_Cover.SetColor(0xFF000000);
    m_Cover.SetRect(0.0f, 0.0f, ScreenWidth(), bar);
    m_Cover.Render(true);
    m_Cover.SetRect(0.0f, ScreenHeight() - bar, ScreenWidth(), ScreenHeight());
    m_Cover.Render(true);
}

void Panel::RenderFaders()
{
    // The white fader's fade-in goes to white and its fade-out away from it
    // (the black fader's rules with the directions its services name).
    const float dt = g_Engine.m_fDeltaTime;
    if (m_White.fadeIn)
        m_White.alpha =
            m_White.inDuration > 0.0f ? std::min(1.0f, m_White.alpha + dt / m_White.inDuration) : 1.0f;
    if (m_White.fadeOut)
    {
        m_White.alpha = m_White.outDuration > 0.0f ? m_White.alpha - dt / m_White.outDuration : 0.0f;
        if (m_White.alpha < 0.0f)
        {
            m_White.alpha = 0.0f;
            m_White.fadeOut = 0;
        }
    }
    if (m_White.alpha > 0.0f)
    {
        const DWORD a = Alpha(m_White.alpha);
        DrawFullScreen(m_WhiteFader, a << 24 | a << 16 | a << 8 | a);
    }
    else
        m_White.alpha = 0.0f;
}

void Panel::RenderCover()
{
    if (!(m_fCoverAlpha > 0.0f))
        return;
    DrawFullScreen(m_Cover, WithAlpha(0, Alpha(std::min(m_fCoverAlpha, 1.0f))));
    m_fCoverAlpha -= g_Engine.m_fDeltaTime;
}

bool Panel::RenderMessageBox()
{
    bool any = false;
    for (const char* line : m_szMessage)
        any = any || line[0];
    if (!any)
        return false;
    m_fMessageAge += g_Engine.m_fDeltaTime;
    if (m_fMessageAge > kMessageSeconds)
    {
        ShowMessage("", "", "");
        return false;
    }
    m_MessageBack.Begin2D(false);
    m_MessageBack.Render(true);
    if (m_pOutlineVB && g_pD3DInterface)
    {
        g_pD3DInterface->SetTexture(0, nullptr);
        g_pD3DInterface->SetFVF(m_dwOutlineFVF);
        g_pD3DInterface->SetStreamSource(0, m_pOutlineVB, 0, OUTLINE_VERTEX_SIZE);
        g_pD3DInterface->DrawPrimitive(D3DPT_LINESTRIP, 0, OUTLINE_VERTICES - 1);
    }
    m_MessageBack.Restore2D();
    return true;
}

void Panel::RenderMessageText()
{
    for (int i = 0; i < MESSAGE_LINES; ++i)
        if (m_szMessage[i][0])
            g_Font.DrawText(m_szMessage[i], X(CENTRE_X), m_fMessageY[i], kMessageColor, kMessageSize, 0, true,
                            false);
}

void Panel::RenderCaption()
{
    if (!m_bCaptionShown)
        return;
    m_fCaptionTime += g_Engine.m_fDeltaTime;
    m_fCaptionTime2 += g_Engine.m_fDeltaTime;
    const float t = m_fCaptionTime;
    if (t > kCaptionOut)
    {
        m_bCaptionShown = 0;
        return;
    }
    float alpha = 1.0f;
    if (t < kCaptionIn)
        alpha = t / kCaptionIn;
    else if (t > kCaptionHold)
        alpha = (kCaptionOut - t) / (kCaptionOut - kCaptionHold);
    const DWORD mainAlpha = m_dwMainColor >> 24;
    g_Font.DrawText(m_szCaption, X(CENTRE_X), Y(kCaptionY),
                    WithAlpha(m_dwMainColor, static_cast<DWORD>(Alpha(alpha) * mainAlpha / 0xFF)),
                    kCaptionSize, 0, true, false);
}

void Panel::RenderSubtitles()
{
    const D3DXVECTOR3& cam = g_Camera.GetPosition();
    for (PanelSubtitle& slot : m_Subtitles)
    {
        if (!slot.speaker || !slot.visible)
            continue;
        D3DXVECTOR3 head;
        if (!SpeakerHead(slot, &head))
            continue;
        D3DXVECTOR3 toHead = head - cam;
        if (D3DXVec3Length(&toHead) > kSubtitleReach)
            continue;
        if (!SpeakerAlwaysHeard(slot))
        {
            D3DXVECTOR3 from = cam, to = head;
            if (TraceSegment(&from, &to, slot.object, 0, nullptr, 0, 0, 0) != 0)
                continue;
        }
        for (int i = 0; i < slot.lines && i < SUBTITLE_LINES; ++i)
            g_Font.DrawText(slot.text[i], slot.x, slot.y + Y(SUBTITLE_LINE_STEP) * static_cast<float>(i),
                            WHITE, kSubtitleSize, 0, true, false);
    }
}
