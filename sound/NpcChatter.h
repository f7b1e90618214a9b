#pragma once
// CNpcChatter: two idle characters near the hero holding an ambient
// conversation of recorded lines ("voices\Dialogues\DL01a.wav" to "DL20c.wav":
// 20 lines in three takes each), heard as 3D voices at the speaker. The chat
// stops when a speaker is gone, dies or gets busy, or a letterbox view comes on.

#include "platform/win32/WinTypes.h"

struct strpostac;
struct strSound;

class CNpcChatter
{
public:
    static constexpr DWORD LINES = 20;
    static constexpr int TAKES = 3;
    static constexpr const char* LINE_PATTERN = "voices\\Dialogues\\DL%02u%c.wav";
    // The first line of a chat is drawn among the first ones.
    static constexpr DWORD FIRST_LINES = 4;
    // Each next line lies 1 to this many lines on.
    static constexpr DWORD MOST_LINES_ON = 5;
    // Speakers stand this far from the hero, and the second this far from the first.
    static constexpr float NEAREST = 10.0f;
    static constexpr float FARTHEST = 2000.0f;
    static constexpr float MOST_APART = 800.0f;
    // The voice is heard this high above the speaker, this far: an ambient layer
    // rather than a head, so the chat carries over the street.
    static constexpr float VOICE_HEIGHT = 114.0f;
    static constexpr float VOICE_RANGE = 5000.0f;

    virtual ~CNpcChatter() = default;
    // Level start: everything cleared (the level's sounds are gone already).
    void Reset();
    void Update();
    // When the character is one of the speakers, the chat stops.
    void StopIfSpeaker(const strpostac* p);
    // Level end: the voice stopped and deleted, the chat over.
    void Release();

    // The line `step` lines after `index`, wrapped to 0..19.
    static DWORD NextLineIndex(DWORD index, DWORD step) { return (index + step) % LINES; }
    // A record that may start a chat, and one that may go on with it.
    static bool MayStart(const strpostac& p);
    static bool MayGoOn(const strpostac& p);

    DWORD m_bActive = 0;
    DWORD m_iLine = 0;
    strpostac* m_pSpeakerA = nullptr;
    strpostac* m_pSpeakerB = nullptr;
    DWORD m_iSpeaker = 0; // 0 for A, 1 for B
    strSound* m_pVoice = nullptr;

private:
    void SayNextLine();
    void Stop();
    strpostac* Speaker() const { return m_iSpeaker ? m_pSpeakerB : m_pSpeakerA; }
};

inline CNpcChatter g_NpcChatter;
