#pragma once
// GameMusic: which music plays (the level's tracks, combat loops, the gong).
// The level's tracks play through the sound manager's music thread at the
// options' music volume, and a track that has ended lets its thread go.
// STAND-IN: the combat loops, the closing gong and the script variables that
// forbid or force music wait for the characters' combat state.

#include "platform/win32/WinTypes.h"

class GameMusic
{
public:
    static constexpr int TRACK_NAME_SIZE = 256;
    // A name shorter than this ("x.ogg" at the least) is no track.
    static constexpr int MIN_TRACK_NAME = 4;

    // A null or empty file stops the music. A track that does not exist, or
    // music switched off in the options, leaves silence without a message.
    void Start(const char* file, BYTE loop, BYTE force);
    // Per frame: a track found ended lets its music thread go.
    void Update();
    void ResetFlags();
    void StopAndReset() { Start(nullptr, 0, 0); }

    char m_szTrack[TRACK_NAME_SIZE] = {}; // the track asked for last
    BYTE m_bLoop = 0;
    BYTE m_bLevelMusic = 0;  // the current track is the level's, not a combat loop
    BYTE m_bMusicActive = 0; // a track was started and has not been found ended
    BYTE m_bCombatLoop = 0;
};

inline GameMusic g_GameMusic;
