#pragma once
// GameMusic: which music plays (the level's tracks, combat loops, the gong).
// STAND-IN: remembers the track asked for; nothing plays. The music work
// replaces it.

#include "platform/win32/WinTypes.h"

#include <cstdio>

class GameMusic
{
public:
    static constexpr int TRACK_NAME_SIZE = 256;
    virtual ~GameMusic() = default;
    // A null file stops the music. Not forced, a running combat loop keeps playing.
    void Start(const char* file, BYTE loop, BYTE force)
    {
        std::snprintf(m_szTrack, sizeof m_szTrack, "%s", file ? file : "");
        m_bLoop = loop;
        (void)force;
    }
    void Update() {}
    void ResetFlags() {}
    void StopAndReset() { m_szTrack[0] = 0; }
    char m_szTrack[TRACK_NAME_SIZE] = {};
    BYTE m_bLoop = 0;
};

inline GameMusic g_GameMusic;
