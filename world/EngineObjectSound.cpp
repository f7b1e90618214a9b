// EEngineObject: the world's one ambient sound loop, which object actions
// switch with a cross-fade, and the voice lines object actions play.
#include "world/EngineObject.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace
{
constexpr float kFadePerSecond = 0.5f;
constexpr float kMetroVolumeCap = 0.7f;
constexpr const char* kMetroWorld = "metro_train";
constexpr float kVoiceDistance = 40960.0f;
constexpr int kVoicePathSize = 256;

} // namespace

void EEngineObject::SetAmbientSound(const char* name, float volume)
{
    m_fAmbientTarget = volume;
    if (ContainsNoCase(g_Engine.m_szWorld, kMetroWorld) && m_fAmbientTarget > kMetroVolumeCap)
        m_fAmbientTarget = kMetroVolumeCap;
    if (!name || strcasecmp(name, m_szAmbientName) == 0)
        return;
    if (std::strlen(name) >= sizeof m_szAmbientRequested)
    {
        g_Console.Print2("Ambient sound name too long: ", name);
        return;
    }
    std::snprintf(m_szAmbientRequested, sizeof m_szAmbientRequested, "%s", name);
}

void EEngineObject::StopAmbientSound()
{
    if (m_pAmbientSound)
    {
        g_SoundMgr.StopSound(m_pAmbientSound);
        g_SoundMgr.DeleteSound(m_pAmbientSound);
        m_pAmbientSound = nullptr;
    }
    m_szAmbientName[0] = 0;
    m_fAmbientVolume = 0.0f;
}

void EEngineObject::UpdateAmbientSound(float dt)
{
    const float step = dt * kFadePerSecond;
    if (m_szAmbientRequested[0])
    {
        // The old sound fades out; then it ends for good (stopped and freed,
        // its name cleared) and the requested one starts silent.
        m_fAmbientVolume -= step;
        if (m_fAmbientVolume < 0.0f)
        {
            StopAmbientSound();
            if (!FileExists(m_szAmbientRequested))
            {
                g_Console.Print2("Ambient sound missing: ", m_szAmbientRequested);
                m_szAmbientRequested[0] = 0;
            }
            else if (!(m_pAmbientSound = g_SoundMgr.CreateSound(m_szAmbientRequested)))
            {
                // A file that will not load is no sound: nothing ramps up, and
                // the name stays free to be asked for again.
                g_Console.Print2("Ambient sound cannot be loaded: ", m_szAmbientRequested);
                m_szAmbientRequested[0] = 0;
            }
            else
            {
                g_SoundMgr.SetSoundVolume(m_pAmbientSound, 0.0f);
                g_SoundMgr.PlaySound(m_pAmbientSound, true);
                std::memcpy(m_szAmbientName, m_szAmbientRequested, sizeof m_szAmbientName);
                m_szAmbientRequested[0] = 0;
                m_fAmbientVolume = 0.0f;
            }
        }
    }
    else if (m_fAmbientVolume < m_fAmbientTarget)
        m_fAmbientVolume =
            m_fAmbientVolume + step > m_fAmbientTarget ? m_fAmbientTarget : m_fAmbientVolume + step;
    else if (m_fAmbientVolume > m_fAmbientTarget)
        m_fAmbientVolume =
            m_fAmbientVolume - step < m_fAmbientTarget ? m_fAmbientTarget : m_fAmbientVolume - step;
    if (m_pAmbientSound)
        g_SoundMgr.SetSoundVolume(m_pAmbientSound, m_fAmbientVolume < 0.0f ? 0.0f : m_fAmbientVolume);
    // Without an ambient sound (and none asked for) there is nothing to hear.
    if (!m_szAmbientName[0] && !m_szAmbientRequested[0])
        m_fAmbientVolume = 0.0f;
}

bool EEngineObject::SaveAmbientSound(FILE* file)
{
    bool ok = WriteBytes(file, m_szAmbientRequested, AMBIENT_NAME_SIZE);
    ok = WriteBytes(file, m_szAmbientName, AMBIENT_NAME_SIZE) && ok;
    ok = WriteFloat(file, m_fAmbientTarget) && ok;
    return WriteFloat(file, m_fAmbientVolume) && ok;
}

bool EEngineObject::LoadAmbientSound(FILE* file)
{
    StopAmbientSound();
    bool ok = ReadBytes(file, m_szAmbientRequested, AMBIENT_NAME_SIZE);
    ok = ReadBytes(file, m_szAmbientName, AMBIENT_NAME_SIZE) && ok;
    m_szAmbientRequested[AMBIENT_NAME_SIZE - 1] = m_szAmbientName[AMBIENT_NAME_SIZE - 1] = 0;
    ok = ReadFloat(file, &m_fAmbientTarget) && ok;
    ok = ReadFloat(file, &m_fAmbientVolume) && ok;
    if (!ok)
    {
        m_szAmbientRequested[0] = m_szAmbientName[0] = 0;
        m_fAmbientTarget = m_fAmbientVolume = 0.0f;
        return false;
    }
    if (m_szAmbientName[0])
    {
        m_pAmbientSound = g_SoundMgr.CreateSound(m_szAmbientName);
        if (m_pAmbientSound)
        {
            g_SoundMgr.SetSoundVolume(m_pAmbientSound, m_fAmbientVolume);
            g_SoundMgr.PlaySound(m_pAmbientSound, true);
        }
    }
    return true;
}

void EEngineObject::PlayActionVoice(HOBJECT o)
{
    if (!o || !o->pActionParams)
        return;
    const EObjectActionParams& p = *o->pActionParams;
    const char* const keys[] = {p.action_voice_hero0, p.action_voice_hero1, p.action_voice_other,
                                p.action_voice_enemy};
    int speaker = -1;
    for (int i = 0; i < 4 && speaker < 0; ++i)
        if (keys[i][0])
            speaker = i;
    if (speaker < 0)
    {
        g_Console.Print("Nie ma klucza");
        g_Console.Print("Nie ma path");
        return;
    }
    char file[kVoicePathSize];
    char subtitle[kVoicePathSize];
    std::snprintf(file, sizeof file, "%s%s.wav", "voices\\Dialogues\\", keys[speaker]);
    std::snprintf(subtitle, sizeof subtitle, ">%s", keys[speaker]);
    if (!FileExists(file))
    {
        g_Console.Print2(file, " nie istnieje!");
        return;
    }
    constexpr int kHeroSpeakers = 2;
    if (speaker < kHeroSpeakers)
    {
        ActionCalls::HeroSpeak(speaker, file, subtitle);
        return;
    }
    strSound* voice = g_SoundMgr.CreateSound3D(file);
    if (!voice)
        return;
    voice->bAutoDelete = 1;
    g_SoundMgr.SetSoundPosition(voice, o->vPosition);
    g_SoundMgr.SetSoundDistance(voice, kVoiceDistance);
    g_SoundMgr.PlaySound(voice, false);
}
