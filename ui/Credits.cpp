#include "ui/Credits.h"

#include "game/GameAI.h"
#include "render/Font.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "ui/HudLayout.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <cstring>

CCredits g_Credits;

namespace
{
constexpr const char* kVariable = "credits";
constexpr DWORD kDarken = 0x80000000;
constexpr float kStart = 768.0f;
constexpr float kLineStep = 32.0f;
constexpr float kAbove = -64.0f;
constexpr float kX = 510.0f;
constexpr float kSize = 26.0f;
constexpr float kSpeed = 18.0f; // virtual pixels a second

// A heading key and the names under it.
struct CreditsBlock
{
    const char* key;
    int names;
    const char* const* lines;
};

// The people and teams of this build, one a line.
constexpr const char* kDirection[] = {"Tovak engine team"};
constexpr const char* kDesign[] = {"Level design team"};
constexpr const char* kArt[] = {"Art team"};
constexpr const char* kProgramming[] = {"Engine programming", "Game programming", "Tools programming",
                                        "Sound programming", "Interface programming"};
constexpr const char* kSound[] = {"Sound design", "Music"};
constexpr const char* kTesting[] = {"Quality assurance", "Automated testing"};
constexpr const char* kProduction[] = {"Production"};
constexpr const char* kThanks[] = {"Our families", "Our friends", "The players"};
constexpr const char* kTools[] = {"SDL2", "Bullet Physics", "Ogg Vorbis", "FreeType"};

constexpr CreditsBlock kBlocks[] = {{">CR02", 1, kDirection},   {">CR06", 1, kDesign}, {">CR07", 1, kArt},
                                    {">CR08", 5, kProgramming}, {">CR04", 2, kSound},  {">CR09", 2, kTesting},
                                    {">CR10", 1, kProduction},  {">CR12", 3, kThanks}, {">CR14", 4, kTools}};
} // namespace

void CCredits::AddLine(const char* text)
{
    if (m_iLines >= MAX_LINES)
        return;
    CopyCut(m_aszLines[m_iLines], sizeof m_aszLines[m_iLines], text ? text : "");
    ++m_iLines;
}

void CCredits::Build()
{
    m_bBuilt = 1;
    std::memset(m_aszLines, 0, sizeof m_aszLines);
    m_iLines = 0;
    m_fScroll = kStart;
    AddLine(g_TextMgr.GetText(">GameName"));
    AddLine(g_TextMgr.GetText(">Trans"));
    AddLine("");
    AddLine(g_TextMgr.GetText(">CR01"));
    AddLine("");
    for (const CreditsBlock& block : kBlocks)
    {
        AddLine(g_TextMgr.GetText(block.key));
        for (int i = 0; i < block.names; ++i)
            AddLine(block.lines[i]);
        AddLine("");
    }
}

void CCredits::Render()
{
    if (!g_GameAI.IsVariableSet(kVariable))
        return;
    if (!m_bBuilt)
        Build();
    ERect& layer = g_Panel.m_WhiteLayer;
    layer.Begin2D(false);
    layer.SetRect(0.0f, 0.0f, hud::ScreenWidth(), hud::ScreenHeight());
    layer.SetColor(kDarken);
    layer.Render(true);
    layer.Restore2D();

    g_Font.BeginText();
    RenderLines(m_fScroll, g_Panel.m_dwSecondColor);
    g_Font.EndText();
    m_fScroll -= kSpeed * g_Engine.m_fDeltaTime;
}

void CCredits::RenderLines(float scroll, DWORD color)
{
    if (!m_bBuilt)
        Build();
    const float sy = hud::ScaleY();
    for (int i = 0; i < CREDITS_LINES; ++i)
    {
        const float y = (kLineStep * static_cast<float>(i) + scroll) * sy;
        if (y >= kAbove && y <= hud::VIRTUAL_HEIGHT * sy && m_aszLines[i][0])
            g_Font.DrawText(m_aszLines[i], hud::X(kX), y, color, kSize, 0, true, false);
    }
}
