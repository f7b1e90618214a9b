#pragma once
// CLoadingScreen: the screen shown while a world loads and until the player
// continues. It plays the loading music and the level's voiced briefing (each
// line both a voice file and a text key, shown as up to three centred lines
// while its voice plays); once the world has loaded it shows ">StartLevel" and
// waits for a key or the left mouse button to be pressed and released.

#include "platform/win32/WinTypes.h"
#include "render/Rect.h"

struct strSound;

constexpr int BRIEFING_KEYS = 64;
constexpr int BRIEFING_LINE_SIZE = 256;
constexpr int BRIEFING_LEVELS = 15;

// Everything of the loading screen but its rectangle (a test snapshot copies it).
struct LoadingScreenState
{
    BYTE m_bActive = 0;
    BYTE m_bLoading = 0;
    float m_fTimer = 0.0f;
    BYTE m_bKeyWasDown = 0;
    BYTE m_bMouseWasDown = 0;
    const char* m_apszKeys[BRIEFING_KEYS] = {};
    DWORD m_iLine = 0;
    char m_szLine1[BRIEFING_LINE_SIZE] = {};
    char m_szLine2[BRIEFING_LINE_SIZE] = {};
    char m_szLine3[BRIEFING_LINE_SIZE] = {};
    BYTE m_bChosen = 0;
    strSound* m_hVoice = nullptr;
    BYTE m_bBriefing = 0;
};

class CLoadingScreen : public LoadingScreenState
{
public:
    CLoadingScreen() = default;
    virtual ~CLoadingScreen() = default;
    CLoadingScreen(const CLoadingScreen&) = delete;
    CLoadingScreen& operator=(const CLoadingScreen&) = delete;

    // A world starts loading: the screen is up and the loading music plays.
    void Start(const char* world);
    // The world has loaded: the screen waits for the player.
    void LoadTextures();
    // Per frame: the briefing's next line, and the finish on a released key
    // or left mouse button once loaded.
    void Update();
    void Render();
    // The briefing's lines alone (the console's loading frame draws them).
    void RenderBriefingLines();
    // The briefing of a level (numbers below 14).
    void SetupDialog(int level);
    // The screen goes: the music stops, the loading picture is released.
    void Finish();

    // The briefing level of a world file, or -1 when it has none.
    static int LevelOfWorld(const char* world);
    // Cuts a briefing text into up to three lines at blanks before column 81.
    static void WrapLines(const char* text, char* line1, char* line2, char* line3);

    ERect m_Bar;

private:
    void StartVoice(const char* key);
    void ReleaseVoice();
    void ClearLines();
};

extern CLoadingScreen g_LoadingScreen;
