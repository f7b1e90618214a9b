// Panel: the HUD's lifecycle, its per-frame update, the fixed drawing order
// and the "Panel" save section.
#include "ui/Panel.h"

#include "characters/KillCam.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "physics/PlayerHeli.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Font.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "ui/HudLayout.h"
#include "ui/Objective.h"
#include "world/Engine.h"

#include <cmath>
#include <cstring>

Panel g_Panel;

namespace
{
constexpr float kNoticeIdle = 10.0f; // saved notice and blink timers after Init: nothing shows
constexpr float kDirectionPointerStart = 48.0f;
constexpr int kLevelFrameShownAfterLoad = 200;
constexpr int kLevelFrameShown = 211;
constexpr float kStartCoverAlpha = 1.5f; // 0.5 s of black, then a 1 s fade
constexpr DWORD kMessageBackColor = 0xA0000000;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kBlack = 0xFF000000;
constexpr DWORD kGodColor = 0xFFFFFF80;
constexpr float kGodSize = 20.0f;
constexpr int kTexturedBlood = BLOOD_TEXTURES;

// Scope square: x 512 - y 380 to x 512 + y 380 across, y 4 to y 764 down.
constexpr float kScopeHalf = 380.0f;
constexpr float kScopeTop = 4.0f;
constexpr float kScopeBottom = 764.0f;
// Radiation gauge: (x 20, y 20) to (x 148, y 148.8).
constexpr float kRadiationLeft = 20.0f, kRadiationTop = 20.0f, kRadiationRight = 148.0f,
                kRadiationBottom = 148.8f;
constexpr float kHitMarkerSize = 128.0f;
constexpr float kDefaultRectSize = 64.0f;

const char* const kArrowTextures[EDGE_ARROWS] = {"hud_waypoint_gora.tga", "hud_waypoint_prawo.tga",
                                                 "hud_waypoint_dol.tga", "hud_waypoint_lewo.tga"};
const char* const kScopeMasks[SCOPE_MASKS] = {"hud_celownik_sniper.tga", "hud_barrett_sniper.tga",
                                              "hud_saiga_noc.tga", "hud_dragunov_sniper.tga"};

void Small(ERect& rect, const char* texture)
{
    rect.Create(texture, 0.0f, 0.0f, kDefaultRectSize, kDefaultRectSize, kWhite);
}

float Clamp01(float value)
{
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}
} // namespace

bool Panel::FadedPast(float limit) const
{
    return !g_Options.mucha && m_fFadeAlpha > limit;
}

void Panel::Init()
{
    using namespace hud;
    m_bCaptionShown = 0;
    m_fSavedNoticeTime = kNoticeIdle;
    m_fSinceBlink = kNoticeIdle;
    m_bHold1 = 0;
    for (PanelHitMarker& marker : m_HitMarkers)
        marker.active = 0;
    m_bFadeIn = m_bFadeOut = 0;
    m_fFadeAlpha = m_fFadeInDuration = m_fFadeOutDuration = 0.0f;
    m_White = PanelFader();
    m_bPanoramic = 0;
    m_fLetterbox = 0.0f;
    RestartDirectionPointer();

    const float screenW = ScreenWidth(), screenH = ScreenHeight();
    m_Radiation.Create("hud_promieniowanie.tga", X(kRadiationLeft), Y(kRadiationTop), X(kRadiationRight),
                       Y(kRadiationBottom), kWhite);
    Small(m_Waypoint3D, "hud_waypoint_3D.tga");
    Small(m_Explosive3D, "hud_explosive_3D.tga");
    for (int i = 0; i < EDGE_ARROWS; ++i)
        Small(m_Arrows[i], kArrowTextures[i]);
    Small(m_Crosshair, "hud_celownik.tga");
    Small(m_AmmoPanel, "hud_pod_bron.tga");
    Small(m_BulletBig, "hud_bullet_big.tga");
    Small(m_BulletSmall, "hud_bullet_small.tga");
    Small(m_GrenadePointer, "hud_grenade_pointer.tga");
    Small(m_GrenadeArrow, "hud_grenade_pointer_arrow.tga");
    // The use-prompt icons have no picture: created without a texture, they draw nothing.
    for (ERect& icon : m_UseIcons)
        Small(icon, nullptr);
    Small(m_MapPoint, "minimap_point.tga");
    Small(m_MapCircle, "minimap_circle.tga");
    Small(m_MapTriangle, "minimap_triangle.tga");
    for (int i = 0; i < kTexturedBlood; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof name, "hud_ekran_krwi%d.tga", i);
        m_Blood[i].Create(name, 0.0f, 0.0f, screenW, screenH, kWhite);
    }
    const float scopeLeft = X(CENTRE_X) - Y(kScopeHalf), scopeRight = X(CENTRE_X) + Y(kScopeHalf);
    const float scopeTop = Y(kScopeTop), scopeBottom = Y(kScopeBottom);
    m_ScopeColor.Create("hud_celownik_sniper_kolor.tga", scopeLeft, scopeTop, scopeRight, scopeBottom,
                        kWhite);
    for (int i = 0; i < SCOPE_MASKS; ++i)
        m_ScopeMasks[i].Create(kScopeMasks[i], scopeLeft, scopeTop, scopeRight, scopeBottom, kWhite);
    m_ScopeBars[0].Create("menu_black.tga", 0.0f, 0.0f, screenW, scopeTop, kWhite);
    m_ScopeBars[1].Create("menu_black.tga", 0.0f, scopeBottom, screenW, screenH, kWhite);
    m_ScopeBars[2].Create("menu_black.tga", 0.0f, scopeTop, scopeLeft, scopeBottom, kWhite);
    m_ScopeBars[3].Create("menu_black.tga", scopeRight, scopeTop, screenW, scopeBottom, kWhite);
    Small(m_CharacterMark, "hud_character_mark.tga");
    Small(m_MessageBack, "bialy.tga");
    m_Death.Create("hud_ekran_death.tga", 0.0f, 0.0f, screenW, screenH, kWhite);
    m_HitMarker.Create("hud_indicator_hit.tga", 0.0f, 0.0f, kHitMarkerSize, kHitMarkerSize, kWhite);
    m_Cover.Create("bialy.tga", 0.0f, 0.0f, screenW, screenH, kBlack);
    m_WhiteFader.Create("bialy.tga", 0.0f, 0.0f, screenW, screenH, kWhite);
    m_WhiteLayer.Create("bialy.tga", 0.0f, 0.0f, screenW, screenH, kWhite);

    m_bHitShown = 0;
    m_bHold2 = 0;
    if (!m_pOutlineVB && g_pD3DInterface &&
        SUCCEEDED(g_pD3DInterface->CreateVertexBuffer(OUTLINE_VERTICES * OUTLINE_VERTEX_SIZE,
                                                      D3DUSAGE_WRITEONLY, m_dwOutlineFVF, D3DPOOL_MANAGED,
                                                      &m_pOutlineVB, nullptr)) &&
        m_pOutlineVB)
        g_Debug.AddAllocation("PanelOutlineVB");
    m_MessageBack.SetColor(kMessageBackColor);
    for (PanelSubtitle& slot : m_Subtitles)
        slot = PanelSubtitle();
    m_bInitialised = 1;
}

void Panel::Release()
{
    // The message goes first: clearing it must not write into a freed outline.
    ShowMessage(nullptr, nullptr, nullptr);
    for (PanelSubtitle& slot : m_Subtitles)
        slot = PanelSubtitle();
    ERect* all[] = {&m_Radiation, &m_Waypoint3D,  &m_Explosive3D,    &m_Crosshair,     &m_AmmoPanel,
                    &m_BulletBig, &m_BulletSmall, &m_GrenadePointer, &m_GrenadeArrow,  &m_MapPoint,
                    &m_MapCircle, &m_MapTriangle, &m_ScopeColor,     &m_CharacterMark, &m_MessageBack,
                    &m_Death,     &m_HitMarker,   &m_Cover,          &m_WhiteFader,    &m_WhiteLayer};
    for (ERect* rect : all)
        rect->Release();
    for (ERect& rect : m_Arrows)
        rect.Release();
    for (ERect& rect : m_UseIcons)
        rect.Release();
    for (ERect& rect : m_Blood)
        rect.Release();
    for (ERect& rect : m_ScopeMasks)
        rect.Release();
    for (ERect& rect : m_ScopeBars)
        rect.Release();
    if (m_pOutlineVB)
    {
        m_pOutlineVB->Release();
        m_pOutlineVB = nullptr;
        g_Debug.RemoveAllocation("PanelOutlineVB");
    }
    m_bInitialised = 0;
}

void Panel::Update()
{
    const float dt = g_Engine.m_fDeltaTime;
    for (PanelSubtitle& slot : m_Subtitles)
    {
        if (!slot.speaker)
            continue;
        if (!hud::SpeakerStillThere(slot))
        {
            slot = PanelSubtitle();
            continue;
        }
        ProjectSubtitle(slot);
        slot.age += dt;
        if (slot.age > hud::SUBTITLE_SECONDS)
            slot = PanelSubtitle();
    }
    for (PanelHitMarker& marker : m_HitMarkers)
        if (marker.active)
        {
            marker.time -= dt;
            if (marker.time <= 0.0f)
                marker.active = 0;
        }
    m_fSinceBlink += dt;
    m_fPickupAlpha = m_fPickupAlpha > hud::PICKUP_FADE * dt ? m_fPickupAlpha - hud::PICKUP_FADE * dt : 0.0f;
    for (float& timer : m_fSlotTimers)
        timer = timer > dt ? timer - dt : 0.0f;
}

void Panel::Render()
{
    if (g_Options.mucha)
        return;
    m_fPulse = 0.0f;

    const int shownFrom = g_SaveMgr.m_bLoadedFromSave ? kLevelFrameShownAfterLoad : kLevelFrameShown;
    if (g_MainGame.m_iLevelFrame < shownFrom)
    {
        m_Cover.Begin2D(false);
        DrawFullScreen(m_Cover, kBlack);
        m_Cover.Restore2D();
        m_fCoverAlpha = kStartCoverAlpha;
        return;
    }

    if (g_GameAI.IsVariableSet(hud::VAR_SNIPER_VIEW))
        RenderScope();

    const bool heli = g_PlayerHeli.m_hObject != nullptr;
    const bool heroDown = PlayerStats.m_bDead || PlayerStats.m_bMissionFailed;
    if (!heli && LetterboxClosed() && !hud::CameraHeld() && !OBE.m_bRunning && Bronie.current && !heroDown)
    {
        RenderCrosshair();
        if (m_bSniperScope)
            RenderZoomHint();
    }

    m_Cover.Begin2D(false);
    RenderFaders();
    if (WideScreen || hud::CameraHeld())
        RenderCutSceneBars();
    else if (LetterboxClosed())
    {
        RenderCharacterMarks();
        if (m_bHitShown)
            RenderHitDirection();
        UpdateHealthPulse();
        RenderBloodScreens();
        RenderGrenadePointer();
        if (!heli)
            RenderMinimap();
        RenderWaypointMarker();
        RenderExplosiveMarker();
        if (!heli)
            RenderAmmoBars();
        RenderRadiation();
        if (!heli && !hud::HeroOnLadder())
            RenderUseIcons();
        g_Objective.RenderFrame();
        if (g_pD3DInterface)
            g_pD3DInterface->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    }
    else
        RenderLetterboxBars();
    m_Cover.Restore2D();

    g_Font.BeginText();
    if (LetterboxClosed() && !hud::CameraHeld())
    {
        if (!heli && !OBE.m_bRunning)
            RenderPickupPrompt();
        RenderSavedNotice();
        RenderHint();
        RenderCountdown();
        if (!heli)
            RenderAmmoNumbers();
        if (g_Options.DrawFPS && g_Options.God)
            g_Font.DrawText("God mode", hud::X(2.0f), hud::Y(2.0f), kGodColor, kGodSize, 0, false, false);
    }
    RenderSubtitles();
    g_Objective.RenderText();
    g_Font.EndText();

    m_Cover.Begin2D(false);
    if (m_bFadeIn || m_bFadeOut || m_fFadeAlpha > 0.0f)
        hud::AdvanceFader(m_bFadeIn, m_bFadeOut, m_fFadeInDuration, m_fFadeOutDuration, m_fFadeAlpha,
                          g_Engine.m_fDeltaTime);
    if (m_fFadeAlpha > 0.0f)
        DrawFullScreen(m_Cover, hud::Alpha(m_fFadeAlpha) << 24);
    else
        m_fFadeAlpha = 0.0f;
    if (heroDown)
        RenderDeathScreen();
    else
        m_fDeathTime = 0.0f;
    RenderCover();
    m_Cover.Restore2D();

    const bool message = RenderMessageBox();
    g_Font.BeginText();
    if (message)
        RenderMessageText();
    RenderCaption();
    g_Font.EndText();
}

void Panel::ResetHint()
{
    m_bHint = 0;
    m_fHintTime = 0.0f;
}

void Panel::Save(FILE* file)
{
    if (!file)
        return;
    const BYTE bytes[] = {m_bPanoramic, m_bHold1,       m_bFadeIn,        m_bFadeOut, m_bHold2,
                          m_bHitShown,  m_bSniperScope, m_bGLauncherView, WideScreen, m_bMPView};
    for (BYTE b : bytes)
        WriteBool(file, b != 0);
    const float floats[] = {m_fLetterbox,      m_fCoverAlpha,      m_fFadeAlpha, m_fSinceBlink,
                            m_fFadeInDuration, m_fFadeOutDuration, m_fHitAlpha};
    for (float f : floats)
        WriteFloat(file, f);
    WriteBool(file, m_bHint != 0);
    WriteFloat(file, m_fHintTime);
}

void Panel::Load(FILE* file)
{
    if (!file)
        return;
    BYTE* bytes[] = {&m_bPanoramic, &m_bHold1,       &m_bFadeIn,        &m_bFadeOut, &m_bHold2,
                     &m_bHitShown,  &m_bSniperScope, &m_bGLauncherView, &WideScreen, &m_bMPView};
    for (BYTE* b : bytes)
        ReadBool(file, b);
    float* floats[] = {&m_fLetterbox,      &m_fCoverAlpha,      &m_fFadeAlpha, &m_fSinceBlink,
                       &m_fFadeInDuration, &m_fFadeOutDuration, &m_fHitAlpha};
    for (float* f : floats)
    {
        ReadFloat(file, f);
        *f = hud::Finite(*f);
    }
    ReadBool(file, &m_bHint);
    ReadFloat(file, &m_fHintTime);
    m_fHintTime = hud::Finite(m_fHintTime);

    // A damaged section must still give a HUD whose fades end.
    m_fLetterbox = Clamp01(m_fLetterbox);
    m_fFadeAlpha = Clamp01(m_fFadeAlpha);
    m_fHitAlpha = Clamp01(m_fHitAlpha);
    if (m_fCoverAlpha < 0.0f || m_fCoverAlpha > kStartCoverAlpha)
        m_fCoverAlpha = Clamp01(m_fCoverAlpha);
    if (m_bFadeIn && !(m_fFadeInDuration > 0.0f))
        m_bFadeIn = 0;
    if (m_bFadeOut && !(m_fFadeOutDuration > 0.0f))
        m_bFadeOut = 0;
    m_fPulse = 0.0f;
}

// ---- Small drawing helpers ---------------------------------------------------------------

void Panel::DrawFullScreen(ERect& rect, DWORD color)
{
    rect.SetRect(0.0f, 0.0f, hud::ScreenWidth(), hud::ScreenHeight());
    rect.SetColor(color);
    rect.Render(true);
}

void Panel::DrawSquare(ERect& rect, float cx, float cy, float halfW, float halfH, DWORD color)
{
    rect.SetRect(cx - halfW, cy - halfH, cx + halfW, cy + halfH);
    rect.SetColor(color);
    rect.Render(true);
}

void Panel::DrawTurnedSquare(ERect& rect, float cx, float cy, float half, float angle, DWORD color)
{
    const float c = std::cos(angle) * half, s = std::sin(angle) * half;
    // Corners top-left, top-right, bottom-right, bottom-left, turned clockwise on screen.
    rect.SetColor(color);
    rect.SetQuad(cx + (-c + s), cy + (-s - c), cx + (c + s), cy + (s - c), cx + (c - s), cy + (s + c),
                 cx + (-c - s), cy + (-s + c), 0.0f, 1.0f, 0.0f, 1.0f, 0.0f);
    rect.Render(true);
}

float Panel::HealthShare() const
{
    // A maximum of 0 or below counts as full health for the HUD.
    if (!(PlayerStats.m_fMaxHealth > 0.0f))
        return 1.0f;
    return Clamp01(PlayerStats.m_fHealth / PlayerStats.m_fMaxHealth);
}

DWORD Panel::HealthShiftedColor() const
{
    const float share = HealthShare();
    if (share >= 0.5f)
        return m_dwMainColor;
    return LerpColor(m_dwMainColor, hud::RED, (0.5f - share) * 2.0f);
}
