#include "sound/GameMusic.h"

#include "platform/win32/Path.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"

#include <cstdio>
#include <cstring>

void GameMusic::Start(const char* file, BYTE loop, BYTE)
{
    std::snprintf(m_szTrack, sizeof m_szTrack, "%s", file ? file : "");
    m_bLoop = loop;
    m_bLevelMusic = m_bMusicActive = m_bCombatLoop = 0;
    g_SoundMgr.Music_Release();
    g_SoundMgr.SetMusicVolume(g_Options.MusicVolume);
    g_SoundMgr.SetMasterVolume(g_Options.MasterVolume);
    if (!file || std::strlen(file) < MIN_TRACK_NAME || !g_Options.MusicOn)
        return;
    FILE* f = TkFopen(file, "rb");
    if (!f)
        return;
    std::fclose(f);
    g_SoundMgr.Music_Play(file, loop != 0);
    g_SoundMgr.SetMusicVolume(g_Options.MusicVolume);
    m_bLevelMusic = 1;
    m_bMusicActive = 1;
}

void GameMusic::Update()
{
    if (!m_bMusicActive || g_SoundMgr.Music_IsPlaying())
        return;
    g_SoundMgr.Music_Release();
    m_bMusicActive = 0;
}

void GameMusic::ResetFlags()
{
    m_bLevelMusic = m_bMusicActive = m_bCombatLoop = 0;
}
