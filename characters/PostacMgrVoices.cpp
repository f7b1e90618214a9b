// CPostacMgr: the characters' voices: alarm shouts, wounded and death cries
// from the voice set of the character's model, and the wave file of a
// dialogue line by its label.
#include "characters/PostacMgr.h"

#include "game/MainGame.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"

#include <cstdio>
#include <cstdlib>

namespace
{
constexpr float kShoutAgainSeconds = 4.0f;
constexpr float kCryAgainSeconds = 4.0f;
constexpr float kShoutDistance = 30.0f;
constexpr float kWoundedDistance = 60.0f;
constexpr float kDeathDistance = 100.0f;
constexpr float kShoutRange = 500.0f;
constexpr float kDeathRange = 300.0f;
// Level frames at the start during which no voice plays.
constexpr DWORD kSilentFrames = 20;

// A uniform number in [low, high].
int Draw(int low, int high)
{
    return low + std::rand() % (high - low + 1);
}

// No voice while the phase says "shut_up" or the level has only just started.
bool Silenced(const strpostac* p)
{
    return !p || (p->faza && p->faza->shut_up) || g_MainGame.m_iLevelFrame < kSilentFrames;
}

void Play3D(const strpostac* p, const char* file, float range)
{
    const D3DVECTOR at = {p->position.x, p->position.y, p->position.z};
    g_SoundMgr.PlaySound3DOnce(file, &at, range);
}
} // namespace

void CPostacMgr::AlarmShoutFile(const strpostac* p, int number, char* out, size_t size)
{
    if (p && p->arab_voice)
    {
        if (number < 10)
            std::snprintf(out, size, "voices\\EnemyAQN\\EN0%i.wav", number);
        else
            std::snprintf(out, size, "voices\\EnemyAQN\\EN%i.wav", number);
    }
    else if (p && p->marine_voice)
        std::snprintf(out, size, "voices\\USA\\%i.wav", number);
    else
        std::snprintf(out, size, "voices\\Enemies\\alarm%i.wav", number);
}

void CPostacMgr::ShoutAlarm(strpostac* p)
{
    if (Silenced(p))
        return;
    if (p->has_shouted && p->since_shout < kShoutAgainSeconds && p->contact)
        return;
    if (p->has_shouted ? std::rand() % 10 != 0 : std::rand() % 3 == 0)
        return;
    if (p->camera_distance > kShoutDistance || p->dead)
        return;
    const int number = p->arab_voice ? Draw(1, 25) : p->marine_voice ? Draw(10, 19) : Draw(0, 15);
    char file[64];
    AlarmShoutFile(p, number, file, sizeof file);
    Play3D(p, file, kShoutRange);
    p->has_shouted = 1;
    p->since_shout = 0.0f;
}

void CPostacMgr::CryWounded(strpostac* p, bool forced)
{
    if (Silenced(p))
        return;
    if (!forced && p->since_cry < kCryAgainSeconds)
        return;
    if (p->camera_distance > kWoundedDistance || p->dead)
        return;
    char file[64];
    if (p->arab_voice)
        std::snprintf(file, sizeof file, "voices\\EnemyAQN\\EN%i.wav", Draw(48, 56));
    else if (p->marine_voice)
        std::snprintf(file, sizeof file, "voices\\USA\\%i.wav", Draw(1, 9));
    else
        std::snprintf(file, sizeof file, "voices\\Enemies\\ranny%i.wav", Draw(0, 11));
    Play3D(p, file, kShoutRange);
    p->since_cry = 0.0f;
}

void CPostacMgr::CryDeath(strpostac* p)
{
    if (Silenced(p))
        return;
    if (p->camera_distance > kDeathDistance)
        return;
    char file[64];
    std::snprintf(file, sizeof file, "voices\\Enemies\\dead%i.wav", Draw(0, 20));
    Play3D(p, file, kDeathRange);
    p->since_cry = 0.0f;
}

const char* CPostacMgr::FindDialogueWav(const int* counter, const char* label, bool variants)
{
    static char path[POSTAC_PATH_SIZE * 2];
    path[0] = 0;
    if (!label || !label[0])
        return path;
    const char* base = "voices\\Hero\\";
    std::snprintf(path, sizeof path, "%s%s.wav", base, label);
    if (!FileExists(path))
    {
        base = "voices\\Dialogues\\";
        std::snprintf(path, sizeof path, "%s%s.wav", base, label);
        if (!FileExists(path))
        {
            g_Console.Print2("Could not find a wav file for label ", label);
            path[0] = 0;
            return path;
        }
    }
    if (!variants || !counter)
        return path;
    int n = 1;
    char variant[sizeof path];
    std::snprintf(variant, sizeof variant, "%s%sa.wav", base, label);
    if (FileExists(variant))
    {
        n = 2;
        std::snprintf(variant, sizeof variant, "%s%sb.wav", base, label);
        if (FileExists(variant))
            n = 3;
    }
    const int choice = ((*counter % n) + n) % n + 1;
    if (choice == 2)
        std::snprintf(path, sizeof path, "%s%sa.wav", base, label);
    else if (choice == 3)
        std::snprintf(path, sizeof path, "%s%sb.wav", base, label);
    return path;
}
