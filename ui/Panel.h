#pragma once
// Panel: the in-game head-up display. One global, g_Panel, owns every 2D
// element drawn over the running world and the state behind them. The game
// layer drives it (Init per world, Update per frame, Render from the 2D
// overlay pass, Release before the world goes); scripts and game code change
// what it shows only through the services below. The code is split by topic:
// Panel.cpp (lifecycle, frame order, save section), PanelServices.cpp (fades,
// messages, subtitles, captions, countdown, markers) and HudElements.cpp (the
// element renderers).
//
// Everything is laid out on the virtual 1024 x 768 screen and scaled by the
// two factors of g_Options before it reaches an ERect or EFont.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Rect.h"
#include "world/ObjectHandle.h"

#include <cstdio>

struct strpostac; // a character record (the characters' manager owns them)

constexpr int MAX_SUBTITLES = 10;
constexpr int SUBTITLE_LINES = 10;
constexpr int SUBTITLE_LINE_SIZE = 40; // bytes of one wrapped line, terminator included
constexpr int MAX_HIT_MARKERS = 64;
constexpr int MESSAGE_LINES = 3;
constexpr int PANEL_TEXT_SIZE = 256;
constexpr int BLOOD_RECTS = 20;
constexpr int BLOOD_TEXTURES = 7;
constexpr int SCOPE_MASKS = 4;
constexpr int SCOPE_BARS = 4;
constexpr int EDGE_ARROWS = 4;
constexpr int USE_ICONS = 6;
constexpr int OUTLINE_VERTICES = 8;
constexpr int WEAPON_SLOT_TIMERS = 25;
constexpr int MESSAGE_WRAP_COLUMN = 81; // a speaker-less subtitle breaks at or before this column

// One subtitle over a speaker's head.
struct PanelSubtitle
{
    strpostac* speaker = nullptr; // null: the slot is empty
    HOBJECT object = nullptr;     // the speaker's engine object when the line was given
    DWORD pesel[3] = {};          // that object's PESEL, to notice a slot taken by another
    float age = 0.0f;
    int lines = 0;
    char text[SUBTITLE_LINES][SUBTITLE_LINE_SIZE] = {};
    float x = 0.0f, y = 0.0f; // projected screen position
    BYTE visible = 0;
};

struct PanelHitMarker
{
    BYTE active = 0;
    D3DXVECTOR3 position = {0.0f, 0.0f, 0.0f};
    float time = 0.0f;
};

// One fader: black (fade-in from black, fade-out to black) or white.
struct PanelFader
{
    BYTE fadeIn = 0;
    BYTE fadeOut = 0;
    float inDuration = 0.0f;
    float outDuration = 0.0f;
    float alpha = 0.0f; // 0..1
};

// Everything of the HUD but its device objects: the part a test snapshot copies.
struct PanelState
{
    static constexpr DWORD MAIN_COLOR = 0xFFA2FAFF;
    static constexpr DWORD LABEL_COLOR = 0xFFA2FAFF;
    static constexpr DWORD SECOND_COLOR = 0xFF8C8D60;
    static constexpr DWORD OUTLINE_FVF = 68; // D3DFVF_XYZRHW | D3DFVF_DIFFUSE

    float m_fSavedNoticeTime = 10.0f; // seconds since the last save
    float m_fDeathTime = 0.0f;
    float m_fLastCountdownSecond = -1.0f;
    BYTE m_bHint = 0;
    float m_fHintTime = 0.0f;

    char m_szCaption[PANEL_TEXT_SIZE] = {};
    float m_fCaptionTime = 0.0f;
    float m_fCaptionTime2 = 0.0f;
    BYTE m_bCaptionShown = 0;

    PanelSubtitle m_Subtitles[MAX_SUBTITLES];

    // The black fader; the mouse poll reads its alpha.
    BYTE m_bFadeIn = 0;
    BYTE m_bFadeOut = 0;
    float m_fFadeInDuration = 0.0f;
    float m_fFadeOutDuration = 0.0f;
    float m_fFadeAlpha = 0.0f; // 0..1, 1 black
    PanelFader m_White;

    float m_fDirectionPointer = 48.0f;
    PanelHitMarker m_HitMarkers[MAX_HIT_MARKERS];

    char m_szMessage[MESSAGE_LINES][PANEL_TEXT_SIZE] = {};
    float m_fMessageX[MESSAGE_LINES] = {};
    float m_fMessageY[MESSAGE_LINES] = {};
    float m_fMessageAge = 0.0f;

    DWORD m_dwOutlineFVF = OUTLINE_FVF;

    float m_fHitAlpha = 0.0f;
    D3DXVECTOR3 m_vHitSource = {0.0f, 0.0f, 0.0f};
    BYTE m_bHitShown = 0;

    float m_fLetterbox = 0.0f; // bar extent 0..1
    BYTE WideScreen = 0;       // the cut-scene letterbox; also the setting "WideScreen"
    BYTE m_bPanoramic = 0;     // the animated letterbox of panoramic_on/off and object actions
    BYTE m_bSniperScope = 0;   // the zoom-mode byte: the weapon's scope view
    BYTE m_bGLauncherView = 0; // the second view byte (grenade-launcher sight)
    BYTE m_bMPView = 0;        // the third view byte (machine-gun sight)
    BYTE m_bHold1 = 0;
    BYTE m_bHold2 = 0;
    float m_fCoverAlpha = 0.0f; // the black cover: values above 1 draw as 1
    float m_fSinceBlink = 10.0f;

    DWORD m_dwMainColor = MAIN_COLOR;
    DWORD m_dwLabelColor = LABEL_COLOR;
    DWORD m_dwSecondColor = SECOND_COLOR;

    // Kept for displays that are not drawn.
    DWORD m_dwPickupKind = 0;
    float m_fPickupAlpha = 0.0f;
    float m_fSlotTimers[WEAPON_SLOT_TIMERS] = {};

    // State the element renderers read, written by the hero and object logic.
    BYTE m_bEnemyAimed = 0;
    BYTE m_bFriendAimed = 0;
    BYTE m_bOtherAimed = 0;
    float m_fSpread = 0.0f;
    BYTE m_bGrenadeWarning = 0;
    D3DXVECTOR3 m_vGrenade = {0.0f, 0.0f, 0.0f};
    DWORD m_dwAimKind = 0;    // 1 or 2: which use prompt for a usable object
    BYTE m_bItemAimed = 0;    // the aim test sees an item
    BYTE m_bObjectAimed = 0;  // ... a usable object
    BYTE m_bVehicleAimed = 0; // ... and that object is a vehicle
    BYTE m_bGunAimed = 0;     // ... a mounted gun
    char m_szAimedItem[64] = {};

    float m_fPulse = 0.0f; // the low-health pulse handed to post-processing
    BYTE m_bInitialised = 0;
};

class Panel : public PanelState
{
public:
    Panel() = default;
    virtual ~Panel() = default;
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // ---- Lifecycle (Panel.cpp) --------------------------------------------------------
    void Init();
    void Release();
    void Update();
    void Render();
    void Save(FILE* file);
    void Load(FILE* file);
    void ResetHint();

    // Either letterbox view is up: the cut-scene bars or the panoramic view.
    bool LetterboxOn() const { return WideScreen || m_bPanoramic; }
    // The black fader hides the view past `limit`. In fly mode the HUD draws
    // nothing and its fades wait, so nothing is hidden and input goes on.
    bool FadedPast(float limit) const;
    // The letterbox is closed: neither view and no bars left on screen.
    bool LetterboxClosed() const { return !LetterboxOn() && m_fLetterbox <= 0.0f; }

    // ---- Services (PanelServices.cpp) ---------------------------------------------------
    void FadeIn(float duration);
    void FadeOut(float duration);
    void Fader2In(float duration);
    void Fader2Out(float duration);
    void BlackOut();
    void StartFlash();
    void ShowMessage(const char* line1, const char* line2, const char* line3);
    void ShowSubtitle(const char* text, strpostac* speaker);
    void ClearSpeaker(strpostac* speaker);
    void SetCaption(const char* text);
    void ShowPickup(DWORD kind);
    void ShowWeaponSlots();
    void RestartDirectionPointer();
    void AddHitMarker(const float* position);
    void ShowHitDirection(const float* position);
    void WorldToScreen(const float* position, float* x, float* y);
    void ClearSaveFlash();

    // Wraps a subtitle for a speaker into lines of the slot; the line count.
    static int WrapSpeakerText(const char* text, char (*lines)[SUBTITLE_LINE_SIZE]);
    // The countdown text for a remaining time.
    static void CountdownText(float seconds, char* text, int size);

    // ---- Element renderers (HudElements.cpp) --------------------------------------------
    void RenderCrosshair();
    void RenderPlainCrosshair();
    void RenderZoomHint();
    void RenderScope();
    void RenderCharacterMarks();
    void RenderHitDirection();
    void UpdateHealthPulse();
    void RenderBloodScreens();
    void RenderGrenadePointer();
    void RenderMinimap();
    void RenderWaypointMarker();
    void RenderExplosiveMarker();
    void RenderAmmoBars();
    void RenderRadiation();
    void RenderUseIcons();
    void RenderPickupPrompt();
    void RenderSavedNotice();
    void RenderHint();
    void RenderCountdown();
    void RenderAmmoNumbers();
    void RenderDeathScreen();
    void RenderCutSceneBars();
    void RenderLetterboxBars();
    void RenderFaders();
    void RenderCover();
    // The message box's frame, outside the text block (it binds its own
    // texture state); false when no message is up.
    bool RenderMessageBox();
    void RenderMessageText();
    void RenderCaption();
    void RenderSubtitles();

    // Where an edge arrow goes for a screen point: walks toward the centre
    // until inside the inset screen, then picks the arrow (0 up, 1 right,
    // 2 down, 3 left). Coordinates in pixels.
    int EdgeArrowAt(float& x, float& y) const;
    // The crosshair's target spread for the current weapon and hero state.
    float CrosshairTargetSpread() const;
    // The crosshair's colour (before its alpha) at the current difficulty.
    DWORD CrosshairColor() const;
    // The number of bullets the ammunition bar draws and whether they are small.
    static int BulletsToDraw(DWORD magazineSize, DWORD rounds, bool* small);

    // ---- Device objects -------------------------------------------------------------------
    ERect m_Radiation;
    ERect m_Waypoint3D, m_Explosive3D;
    ERect m_Arrows[EDGE_ARROWS];
    ERect m_Crosshair;
    ERect m_AmmoPanel, m_BulletBig, m_BulletSmall;
    ERect m_GrenadePointer, m_GrenadeArrow;
    ERect m_UseIcons[USE_ICONS];
    ERect m_MapPoint, m_MapCircle, m_MapTriangle;
    ERect m_Blood[BLOOD_RECTS];
    ERect m_ScopeColor;
    ERect m_ScopeMasks[SCOPE_MASKS];
    ERect m_ScopeBars[SCOPE_BARS];
    ERect m_CharacterMark;
    ERect m_MessageBack;
    ERect m_Death;
    ERect m_HitMarker;
    ERect m_Cover; // the black cover: black faders, blink, letterbox bars
    ERect m_WhiteFader;
    ERect m_WhiteLayer;
    IDirect3DVertexBuffer9* m_pOutlineVB = nullptr;

private:
    void WriteOutline(float left, float top, float right, float bottom);
    void ProjectSubtitle(PanelSubtitle& slot);
    void DrawFullScreen(ERect& rect, DWORD color);
    void DrawSquare(ERect& rect, float cx, float cy, float halfW, float halfH, DWORD color);
    void DrawTurnedSquare(ERect& rect, float cx, float cy, float half, float angle, DWORD color);
    void RenderTargetMarker(ERect& image, HOBJECT target, float aheadDistance, bool distanceText);
    float HealthShare() const;
    DWORD HealthShiftedColor() const;
};

extern Panel g_Panel;
