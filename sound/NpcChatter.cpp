#include "sound/NpcChatter.h"

#include "characters/PostacMgr.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"

#include <cstdio>
#include <cstdlib>

namespace
{
constexpr char kTakes[CNpcChatter::TAKES] = {'a', 'b', 'c'};

D3DVECTOR Mouth(const strpostac& p)
{
    return D3DVECTOR{p.position.x, p.position.y + CNpcChatter::VOICE_HEIGHT, p.position.z};
}

// Busy with anything but standing about: talking, fighting, alarmed, on a run,
// riding, at a gun, on a path, or out of the frame's updates.
bool Occupied(const strpostac& p)
{
    return p.talking || p.engaged || p.alarmed || p.running || p.postac_running || p.riding || p.mounted ||
           p.following_bezier || p.suspended || p.ghost;
}
} // namespace

bool CNpcChatter::MayStart(const strpostac& p)
{
    return p.used && !p.dead && !p.player_record && !p.delete_request && !Occupied(p);
}

bool CNpcChatter::MayGoOn(const strpostac& p)
{
    return p.used && !p.dead && !p.delete_request && !p.engaged && !p.alarmed && !p.talking;
}

void CNpcChatter::Reset()
{
    *this = CNpcChatter();
}

void CNpcChatter::Release()
{
    Stop();
}

void CNpcChatter::Stop()
{
    if (m_pVoice)
    {
        g_SoundMgr.StopSound(m_pVoice);
        g_SoundMgr.DeleteSound(m_pVoice);
        m_pVoice = nullptr;
    }
    m_bActive = 0;
    m_pSpeakerA = m_pSpeakerB = nullptr;
}

void CNpcChatter::StopIfSpeaker(const strpostac* p)
{
    if (m_bActive && p && (p == m_pSpeakerA || p == m_pSpeakerB))
        Stop();
}

void CNpcChatter::SayNextLine()
{
    m_iSpeaker ^= 1;
    if (m_pVoice)
    {
        g_SoundMgr.DeleteSound(m_pVoice);
        m_pVoice = nullptr;
    }
    m_iLine = NextLineIndex(m_iLine, 1 + static_cast<DWORD>(std::rand()) % MOST_LINES_ON);
    const strpostac* speaker = Speaker();
    if (!speaker)
    {
        Stop();
        return;
    }
    char file[64];
    std::snprintf(file, sizeof file, LINE_PATTERN, static_cast<unsigned>(m_iLine + 1),
                  kTakes[std::rand() % TAKES]);
    const D3DVECTOR at = Mouth(*speaker);
    m_pVoice = g_SoundMgr.CreateSound3DAt(file, &at, VOICE_RANGE, true, false);
}

void CNpcChatter::Update()
{
    if (m_bActive)
    {
        if (g_Panel.LetterboxOn() || !m_pSpeakerA || !m_pSpeakerB || !MayGoOn(*m_pSpeakerA) ||
            !MayGoOn(*m_pSpeakerB))
        {
            Stop();
            return;
        }
        if (m_pVoice)
            g_SoundMgr.SetSoundPosition(m_pVoice, Mouth(*Speaker()));
        if (!g_SoundMgr.IsPlaying(m_pVoice))
            SayNextLine();
        return;
    }
    if (g_Panel.LetterboxOn() || !PMgr.m_Postacie)
        return;
    // The records that may chat, in record order, with their positions side by
    // side: the pair search then runs over a small dense array.
    int candidates[MAX_POSTACI];
    D3DXVECTOR3 positions[MAX_POSTACI];
    int n = 0;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = PMgr.m_Postacie[i];
        if (MayStart(p) && p.camera_distance >= NEAREST && p.camera_distance <= FARTHEST)
        {
            candidates[n] = i;
            positions[n++] = p.position;
        }
    }
    constexpr float kMostApartSquared = MOST_APART * MOST_APART;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
        {
            const D3DXVECTOR3 d = positions[a] - positions[b];
            if (d.x * d.x + d.y * d.y + d.z * d.z > kMostApartSquared)
                continue;
            m_pSpeakerA = &PMgr.m_Postacie[candidates[a]];
            m_pSpeakerB = &PMgr.m_Postacie[candidates[b]];
            m_iLine = static_cast<DWORD>(std::rand()) % FIRST_LINES;
            m_iSpeaker = static_cast<DWORD>(std::rand()) % 2;
            m_bActive = 1;
            SayNextLine();
            return;
        }
}
