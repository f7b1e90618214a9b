#include "sound/GameMusic.h"

#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Path.h"
#include "player/ItemMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
bool MusicForbidden()
{
    return g_GameAI.IsVariableSet(GameMusic::VAR_FORBIDDEN);
}

bool MusicForced()
{
    return g_GameAI.IsVariableSet(GameMusic::VAR_FORCED);
}

void ClearScriptVariables()
{
    g_GameAI.UnsetVariable(GameMusic::VAR_FORBIDDEN, nullptr);
    g_GameAI.UnsetVariable(GameMusic::VAR_FORCED, nullptr);
}

// A hostile character: neither a civilian, nor the hero's partner, nor the hero's own record.
bool Hostile(const strpostac& p)
{
    return !p.civilian && !p.partner && !p.player_record;
}

// The character fights the stand-in hero ("fake_hero"), not the hero himself.
bool FightsFakeHero(const strpostac& p)
{
    const strpostac* target = p.target ? PMgr.FindCharacterByObject(p.target) : nullptr;
    return target && CompareNoCase(target->name, CPostacMgr::FAKE_HERO_NAME) == 0;
}
} // namespace

void GameMusic::Start(const char* file, BYTE loop, BYTE force)
{
    if (CombatLoopPlaying() && !force && !MusicForbidden())
        return;
    std::snprintf(m_szTrack, sizeof m_szTrack, "%s", file ? file : "");
    m_bLoop = loop;
    m_szCurrentFile[0] = 0;
    m_bLevelMusic = m_bMusicActive = m_bCombatLoop = 0;
    g_SoundMgr.Music_Release();
    g_SoundMgr.SetMusicVolume(g_Options.MusicVolume);
    g_SoundMgr.SetMasterVolume(g_Options.MasterVolume);
    if (!file || std::strlen(file) < MIN_TRACK_NAME || std::strlen(file) >= TRACK_NAME_SIZE ||
        !g_Options.MusicOn)
        return;
    FILE* f = TkFopen(file, "rb");
    if (!f)
        return;
    std::fclose(f);
    std::snprintf(m_szCurrentFile, sizeof m_szCurrentFile, "%s", file);
    g_SoundMgr.Music_Play(file, loop != 0);
    g_SoundMgr.SetMusicVolume(g_Options.MusicVolume);
    m_bLevelMusic = 1;
    m_bMusicActive = 1;
    m_fCalmTime = 0.0f;
}

void GameMusic::Update()
{
    const float frameTime = g_Engine.m_fDeltaTime;
    // 1. A combat loop waits for calm, then gives way to the gong.
    if (CombatLoopPlaying())
    {
        DWORD engaged = 0;
        if (CountEngagedEnemies(ENGAGE_RADIUS, &engaged, false) == 0)
            m_fCalmTime = MusicForced() ? 0.0f : m_fCalmTime + frameTime;
        if (m_fCalmTime > CALM_BEFORE_GONG)
        {
            Start(GONG, 0, 1);
            return;
        }
        m_iMostEngaged = std::max(m_iMostEngaged, engaged);
    }
    // 2. A track found ended lets its thread go.
    if (m_bMusicActive)
    {
        if (g_SoundMgr.Music_IsPlaying())
            return;
        g_SoundMgr.Music_Release();
        m_bMusicActive = 0;
        m_bCombatLoop = 0;
    }
    // 3. A second of engagement with no music starts a combat loop.
    if (g_MainGame.m_iLevelFrame < FIRST_COMBAT_FRAME)
        return;
    if (!MusicForbidden() && CountEngagedEnemies(ENGAGE_RADIUS, nullptr, false) > 0)
    {
        m_fStartDelay -= frameTime;
        if (m_fStartDelay > 0.0f)
            return;
        char loop[TRACK_NAME_SIZE];
        std::snprintf(loop, sizeof loop, COMBAT_LOOP_PATTERN, std::rand() % COMBAT_LOOPS + 1);
        Start(loop, 1, 1);
        if (m_bMusicActive)
        {
            m_bLevelMusic = 0;
            m_bCombatLoop = 1;
        }
        else
            m_fStartDelay = START_DELAY; // a loop that would not start is tried again in a second
        return;
    }
    m_fStartDelay = START_DELAY;
    m_iMostEngaged = 0;
}

void GameMusic::ResetFlags()
{
    m_szCurrentFile[0] = 0;
    m_bLevelMusic = m_bMusicActive = m_bCombatLoop = 0;
    m_fStartDelay = START_DELAY;
    m_fCalmTime = 0.0f;
    m_iMostEngaged = 0;
    ClearScriptVariables();
}

void GameMusic::StopAndReset()
{
    // Forced: a combat loop must not play on through the level's release.
    Start(nullptr, 0, 1);
    ClearScriptVariables();
}

int GameMusic::CountEngagedEnemies(float radius, DWORD* count, bool includeAll)
{
    if (count)
        *count = 0;
    if (g_Panel.LetterboxOn() || !PMgr.m_Postacie)
        return 0;
    DWORD counted = 0;
    bool alarmed = false;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = PMgr.m_Postacie[i];
        if (!p.used || p.dead || !p.engaged || !Hostile(p) || p.camera_distance > radius)
            continue;
        if (!includeAll && p.faza && p.faza->ignore_music)
            continue;
        // A silenced weapon makes no fight the music should answer.
        if ((p.weapon && p.weapon->m_bSilenced) || FightsFakeHero(p))
            continue;
        ++counted;
        alarmed = alarmed || p.alarmed;
    }
    if (count)
        *count = counted;
    return alarmed ? 2 : counted ? 1 : 0;
}

void GameMusic::RegisterScriptActions()
{
    TkRegisterScriptAction("music",
                           [](const std::string&)
                           {
                               const GameMusic& m = g_GameMusic;
                               char line[TRACK_NAME_SIZE + 96];
                               std::snprintf(
                                   line, sizeof line, "Music %s level %d active %d combat %d calm %.2f",
                                   m.m_szCurrentFile[0] ? m.m_szCurrentFile : "-", m.m_bLevelMusic,
                                   m.m_bMusicActive, m.m_bCombatLoop, static_cast<double>(m.m_fCalmTime));
                               g_Console.Print(line);
                               return true;
                           });
}
