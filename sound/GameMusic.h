#pragma once
// GameMusic: which music plays. The level's own tracks come from scripts,
// menus and the game object; when enemies engage the hero for a second with
// no music playing, a random combat loop starts; when the fight has been
// calm for two seconds in all, a gong closes it. The script variables
// "zabron_muzyke" (music forbidden) and "wymus_muzyke" (music forced, the
// gong held back) steer it.

#include "platform/win32/WinTypes.h"

class GameMusic
{
public:
    static constexpr int TRACK_NAME_SIZE = 256;
    // A name shorter than this ("x.ogg" at the least) is no track.
    static constexpr int MIN_TRACK_NAME = 4;
    static constexpr const char* VAR_FORBIDDEN = "zabron_muzyke";
    static constexpr const char* VAR_FORCED = "wymus_muzyke";
    static constexpr const char* GONG = "music\\gong_02.ogg";
    static constexpr int COMBAT_LOOPS = 5;
    // "music\loop\A1.ogg" to "A5.ogg".
    static constexpr const char* COMBAT_LOOP_PATTERN = "music\\loop\\A%d.ogg";
    // Seconds of engagement before a combat loop, and of calm before the gong.
    static constexpr float START_DELAY = 1.0f;
    static constexpr float CALM_BEFORE_GONG = 2.0f;
    // Enemies count within this of the hero.
    static constexpr float ENGAGE_RADIUS = 100.0f;
    // No combat music before this level frame.
    static constexpr DWORD FIRST_COMBAT_FRAME = 280;

    // A null or empty file stops the music. While a combat loop plays only a
    // forced call (or one while music is forbidden) gets through. A track that
    // does not exist, or music switched off in the options, leaves silence.
    void Start(const char* file, BYTE loop, BYTE force);
    // Per frame: combat loops, the gong, and a track found ended lets its thread go.
    void Update();
    // Level start: everything cleared and both script variables off.
    void ResetFlags();
    // Level release and a new game: whatever plays stops, combat loop or not.
    void StopAndReset();
    // Enemies engaged with the hero within the radius: 2 when one of them is
    // alarmed, 1 when any are, 0 when none are or a letterbox view is up.
    static int CountEngagedEnemies(float radius, DWORD* count, bool includeAll);

    // The event script's "music": one console line with the track and the state bytes.
    static void RegisterScriptActions();

    bool CombatLoopPlaying() const { return m_bMusicActive && m_bCombatLoop; }

    char m_szTrack[TRACK_NAME_SIZE] = {}; // the track asked for last
    BYTE m_bLoop = 0;
    char m_szCurrentFile[TRACK_NAME_SIZE] = {}; // the track playing ("" after a stop)
    BYTE m_bLevelMusic = 0;                     // the current track is not a combat loop
    BYTE m_bMusicActive = 0;                    // a track was started and has not been found ended
    BYTE m_bCombatLoop = 0;                     // the current track is a combat loop
    float m_fStartDelay = START_DELAY;
    float m_fCalmTime = 0.0f;
    DWORD m_iMostEngaged = 0;
};

inline GameMusic g_GameMusic;
