#include "ui/LoadingScreen.h"

#include "game/MainGame.h"
#include "render/Font.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Mouse.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/GameMusic.h"
#include "sound/SoundMgr.h"
#include "ui/HudLayout.h"
#include "world/Engine.h"

#include <cstring>

CLoadingScreen g_LoadingScreen;

namespace
{
constexpr int KEYBOARD_KEYS = 256;
constexpr const char* kMusic = "music\\LoadingLevel.ogg";
constexpr float kChooseAfter = 1.0f;
constexpr DWORD kChooseFrames = 3;
constexpr DWORD kChooseFramesAlways = 10;
constexpr int kWrapColumn = 81;
constexpr int kLevelWithTrace = 13;
constexpr int kLevelFrameLoaded = 199;
constexpr DWORD kLineColor = 0xFFD9D5BF;
constexpr float kLineSize = 20.0f, kLinesTop = 24.0f, kLinesTopThree = 16.0f, kLineStep = 22.0f;
constexpr float kBarHalf = 220.0f, kBarTop = 708.0f, kBarBottom = 738.0f, kTextDrop = 4.0f;
constexpr DWORD kBarColor = 0x80808080;
constexpr float kCacheX = 80.0f, kCacheY = 698.0f, kCacheSize = 18.0f;
constexpr float kTextureSize = 64.0f;

struct Briefing
{
    int level;
    const char* world;
    const char* const* keys; // null-terminated
};

constexpr const char* kLevel1[] = {"L01T01", "L01T02", "L01T03", "L01T04", "L01T05", nullptr};
constexpr const char* kLevel2[] = {"L02T01", "L02T02", "L02T03", "L02T04", "L02T05",
                                   "L02T06", "L02T07", "L02T08", nullptr};
constexpr const char* kLevel3[] = {"L3T01", "L3T02", "L3T03", "L3T04", nullptr};
constexpr const char* kLevel4[] = {"L04T01", "L04T02", "L04T03", "L04T04", "L04T05", "L04T06",
                                   "L04T07", "L04T08", "L04T09", "L04T10", nullptr};
constexpr const char* kLevel5[] = {"L05T01", "L05T02", nullptr};
constexpr const char* kLevel6[] = {"L06T01", "L06T02", "L06T03", "L06T04", nullptr};
constexpr const char* kLevel7[] = {"L07T01", "L07T02", "L07T03", "L07T04", "L07T05", "L07T06", nullptr};
constexpr const char* kLevel8[] = {"L08T01", "L08T02", "L08T03", nullptr};
constexpr const char* kLevel9[] = {"L09T01", "L09T02", "L09T03", "L09T04", nullptr};
constexpr const char* kLevel10[] = {"L10T01", "L10T02", "L10T03", "L10T04",
                                    "L10T05", "L10T06", "L10T07", nullptr};
constexpr const char* kLevel13[] = {"L13T001", "L13T002", "L13T003", "L13T004",
                                    "L13T005", "L13T006", nullptr};
constexpr const char* kNone[] = {nullptr};

// The briefing table by level number. The first level also answers to the
// other spellings its world file goes by.
constexpr Briefing kBriefings[] = {{0, "worlds\\testXXX.w", kLevel1},
                                   {1, "worlds\\level01.w", kLevel1},
                                   {2, "worlds\\level02.w", kLevel2},
                                   {3, "worlds\\level03.w", kLevel3},
                                   {4, "worlds\\level04.w", kLevel4},
                                   {5, "worlds\\level05.w", kLevel5},
                                   {6, "worlds\\level06.w", kLevel6},
                                   {7, "worlds\\level07.w", kLevel7},
                                   {8, "worlds\\level08.w", kLevel8},
                                   {9, "worlds\\level09.w", kLevel9},
                                   {10, "worlds\\level10.w", kLevel10},
                                   {11, "", kNone},
                                   {12, "", kNone},
                                   {13, "worlds\\level13.w", kLevel13},
                                   {14, "", kNone},
                                   {1, "worlds\\level_01.w", kLevel1},
                                   {1, "worlds\\l01.w", kLevel1}};

const char* const* KeysOfLevel(int level)
{
    for (const Briefing& b : kBriefings)
        if (b.level == level)
            return b.keys;
    return kNone;
}

bool AnyKeyDown()
{
    for (int key = 0; key < KEYBOARD_KEYS; ++key)
        if (g_CommandMgr.m_bKeyState[key])
            return true;
    return false;
}
} // namespace

int CLoadingScreen::LevelOfWorld(const char* world)
{
    if (!world || !world[0])
        return -1;
    for (const Briefing& b : kBriefings)
        if (b.world[0] && CompareNoCase(b.world, world) == 0)
            return b.level;
    return -1;
}

void CLoadingScreen::Start(const char*)
{
    m_bActive = 1;
    m_bLoading = 1;
    m_iLine = 0;
    for (const char*& key : m_apszKeys)
        key = nullptr;
    m_bBriefing = 0;
    g_GameMusic.Start(nullptr, 0, 1);
    g_GameMusic.Start(kMusic, 1, 1);
    m_hVoice = nullptr;
    m_bChosen = 0;
    m_bKeyWasDown = 0;
    m_bMouseWasDown = 0;
    m_fTimer = 0.0f;
    g_Console.m_dwLoadingFrames = 0;
    ClearLines();
}

void CLoadingScreen::LoadTextures()
{
    m_bLoading = 0;
    m_Bar.Create("menu_pasek_pod_menu.tga", 0.0f, 0.0f, kTextureSize, kTextureSize, hud::WHITE);
}

void CLoadingScreen::ClearLines()
{
    m_szLine1[0] = m_szLine2[0] = m_szLine3[0] = 0;
}

void CLoadingScreen::ReleaseVoice()
{
    if (m_hVoice && g_SoundMgr.Holds(m_hVoice))
    {
        g_SoundMgr.StopSound(m_hVoice);
        g_SoundMgr.DeleteSound(m_hVoice);
    }
    m_hVoice = nullptr;
}

void CLoadingScreen::WrapLines(const char* text, char* line1, char* line2, char* line3)
{
    line1[0] = line2[0] = line3[0] = 0;
    char plain[BRIEFING_LINE_SIZE * 3];
    CopyCut(plain, sizeof plain, text ? text : "");
    for (char* c = plain; *c; ++c)
        if (*c == '*')
            *c = ' ';
    // A text of 82 characters or more is cut at the last blank at or before
    // column 81; the blank begins the next part.
    const char* rest = nullptr;
    if (!hud::CutAtBlank(plain, kWrapColumn, line1, BRIEFING_LINE_SIZE, &rest))
    {
        CopyCut(line1, BRIEFING_LINE_SIZE, plain);
        return;
    }
    const char* third = nullptr;
    if (!hud::CutAtBlank(rest, kWrapColumn, line2, BRIEFING_LINE_SIZE, &third))
    {
        CopyCut(line2, BRIEFING_LINE_SIZE, rest);
        return;
    }
    CopyCut(line3, BRIEFING_LINE_SIZE, third);
}

void CLoadingScreen::StartVoice(const char* key)
{
    ReleaseVoice();
    char file[BRIEFING_LINE_SIZE];
    std::snprintf(file, sizeof file, "voices\\dialogues\\%s.wav", key);
    m_hVoice = g_SoundMgr.CreateSound(file);
    if (m_hVoice)
        g_SoundMgr.PlaySound(m_hVoice, false);
    char textKey[BRIEFING_LINE_SIZE];
    std::snprintf(textKey, sizeof textKey, ">%s", key);
    WrapLines(g_TextMgr.GetText(textKey), m_szLine1, m_szLine2, m_szLine3);
}

void CLoadingScreen::SetupDialog(int level)
{
    if (level < 0 || level >= BRIEFING_LEVELS - 1)
        return;
    char line[32];
    std::snprintf(line, sizeof line, "SetupDialog %i", level);
    g_Console.Print(line);
    for (const char*& key : m_apszKeys)
        key = nullptr;
    m_iLine = 0;
    m_bBriefing = 0;
    if (level == kLevelWithTrace)
        g_Console.Print("W 13");
    const char* const* keys = KeysOfLevel(level);
    for (int i = 0; keys[i] && i < BRIEFING_KEYS - 1; ++i)
        m_apszKeys[i] = keys[i];
    if (!m_apszKeys[0])
        return;
    StartVoice(m_apszKeys[0]);
    if (m_hVoice)
        m_bBriefing = 1;
    else
        ClearLines();
}

void CLoadingScreen::Update()
{
    if (!m_bActive)
        return;
    m_fTimer += g_Engine.m_fDeltaTime;
    const DWORD frames = ++g_Console.m_dwLoadingFrames;
    if (!m_bChosen && ((frames >= kChooseFrames && m_fTimer > kChooseAfter) || frames > kChooseFramesAlways))
    {
        m_bChosen = 1;
        const int level = LevelOfWorld(g_Engine.m_szWorld);
        if (level >= 0)
            SetupDialog(level);
    }
    // A world's reset deletes every sound, the briefing's voice with them.
    if (m_hVoice && !g_SoundMgr.Holds(m_hVoice))
        m_hVoice = nullptr;
    if (m_bBriefing && !g_SoundMgr.IsPlaying(m_hVoice))
    {
        ++m_iLine;
        const char* key = m_iLine < BRIEFING_KEYS ? m_apszKeys[m_iLine] : nullptr;
        if (!key)
        {
            ReleaseVoice();
            ClearLines();
            m_bBriefing = 0;
        }
        else
            StartVoice(key);
    }
    if (m_bLoading)
        return;
    const BYTE keyDown = AnyKeyDown() ? 1 : 0;
    const BYTE mouseDown = g_CommandMgr.m_bKeyState[CCommandMgr::MOUSE_BUTTON_CODE] ? 1 : 0;
    if ((m_bKeyWasDown && !keyDown) || (m_bMouseWasDown && !mouseDown))
    {
        Finish();
        return;
    }
    m_bKeyWasDown = keyDown;
    m_bMouseWasDown = mouseDown;
}

void CLoadingScreen::Finish()
{
    g_GameMusic.Start(nullptr, 0, 1);
    g_Console.ReleaseLoadingPicture();
    m_bActive = 0;
    m_bChosen = 0;
    m_bBriefing = 0;
    m_iLine = 0;
    g_Mouse.m_State.y = 0.0;
    g_Mouse.m_SavedState.y = 0.0;
    m_bKeyWasDown = 0;
    m_bMouseWasDown = 0;
    m_bLoading = 0;
    ReleaseVoice();
    ClearLines();
    m_Bar.Release();
}

void CLoadingScreen::RenderBriefingLines()
{
    if (!m_bBriefing)
        return;
    const float sy = hud::ScaleY();
    const float top = (m_szLine3[0] ? kLinesTopThree : kLinesTop) * sy;
    const char* lines[] = {m_szLine1, m_szLine2, m_szLine3};
    for (int i = 0; i < 3; ++i)
        if (lines[i][0])
            g_Font.DrawText(lines[i], hud::X(hud::CENTRE_X), top + kLineStep * sy * static_cast<float>(i),
                            kLineColor, kLineSize, 0, true, false);
}

void CLoadingScreen::Render()
{
    if (!m_bActive || !g_pD3DInterface)
        return;
    g_pD3DInterface->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
    g_pD3DInterface->Clear(0, nullptr, D3DMain::FullClearFlags(), D3DCOLOR_ARGB(0xFF, 0, 0, 0), 1.0f, 0);
    if (FAILED(g_pD3DInterface->BeginScene()))
        return;
    g_Console.DrawLoadingPicture();
    RenderBriefingLines();
    const float sx = hud::ScaleX(), sy = hud::ScaleY();
    if (g_MainGame.m_iLevelFrame >= kLevelFrameLoaded)
    {
        m_Bar.Begin2D(true);
        m_Bar.SetRect((hud::CENTRE_X - kBarHalf) * sx, kBarTop * sy, (hud::CENTRE_X + kBarHalf) * sx,
                      kBarBottom * sy);
        m_Bar.SetColor(kBarColor);
        m_Bar.Render(true);
        m_Bar.Restore2D();
        g_Font.DrawText(g_TextMgr.GetText(">StartLevel"), hud::CENTRE_X * sx, (kBarTop + kTextDrop) * sy,
                        kBarColor, kLineSize, 0, true, false);
    }
    else
    {
        g_Font.DrawText(g_TextMgr.GetText(">Cache"), kCacheX * sx, kCacheY * sy, kLineColor, kCacheSize, 0,
                        false, false);
        g_Console.DrawProgressBar();
    }
    // Both branches end the scene: a scene left open refuses the next one.
    g_pD3DInterface->EndScene();
    g_pD3DInterface->Present(nullptr, nullptr, nullptr, nullptr);
    if (g_Engine.m_bScreenshot)
        g_Engine.SaveScreenshot();
}
