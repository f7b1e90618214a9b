// The mission scripts' calls into other managers; the stand-ins among them are
// marked in QuestSystemCalls.h.
#include "game/QuestSystemCalls.h"

#include "characters/PostacMgr.h"
#include "ui/Objective.h"
#include "ui/Panel.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace QuestCalls
{
namespace
{
char g_Lines[JOURNAL_LINES][JOURNAL_LINE_SIZE];
int g_First = 0;
int g_Count = 0;

const char* S(const char* text)
{
    return text ? text : "";
}
} // namespace

int JournalCount()
{
    return g_Count;
}

const char* JournalLine(int i)
{
    return i >= 0 && i < g_Count ? g_Lines[(g_First + i) % JOURNAL_LINES] : "";
}

bool Called(const char* prefix)
{
    const size_t n = std::strlen(S(prefix));
    for (int i = 0; i < g_Count; ++i)
        if (std::strncmp(JournalLine(i), prefix, n) == 0)
            return true;
    return false;
}

void ClearJournal()
{
    g_First = g_Count = 0;
}

void Note(const char* format, ...)
{
    char line[JOURNAL_LINE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (g_Count > 0 && std::strcmp(JournalLine(g_Count - 1), line) == 0)
        return;
    const int slot = (g_First + g_Count) % JOURNAL_LINES;
    if (g_Count < JOURNAL_LINES)
        ++g_Count;
    else
        g_First = (g_First + 1) % JOURNAL_LINES;
    std::memcpy(g_Lines[slot], line, sizeof line);
}

void TaskSet(const char* key)
{
    Note("Objective::SetTask %s", S(key));
    g_Objective.SetTask(key);
}
void PanelBlackOut()
{
    Note("Panel::BlackOut");
    g_Panel.BlackOut();
}
void PanelWhite(bool on, float seconds)
{
    Note("Panel::%s %.2f", on ? "WhiteOn" : "WhiteOff", seconds);
    if (on)
        g_Panel.Fader2In(seconds);
    else
        g_Panel.Fader2Out(seconds);
}
void CharacterLookAt(const char* name, const char* target)
{
    Note("CPostacMgr::SetLookAt %s %s", S(name), S(target));
    PMgr.SetLookAt(PMgr.FindCharacterByName(name, true), S(target), false);
}
void CharacterDelete(const char* name)
{
    Note("CPostacMgr::Delete %s", S(name));
    // The player's own record is never removed by a script.
    strpostac* p = PMgr.FindCharacterByName(name, false);
    if (p && !p->player_record)
        p->delete_request = 1;
}
bool DialogueRunning()
{
    return false;
}
bool HeroDialogueRunning()
{
    return false;
}
void CharacterActivateParams(const char* gotoTarget, const char* bezier, const char* phase,
                             BYTE dontInterrupt, BYTE alwaysInSight, BYTE stopRunningWhenShot)
{
    Note("CPostacMgr::SetActivateParams %s %s %s %u %u %u", S(gotoTarget), S(bezier), S(phase), dontInterrupt,
         alwaysInSight, stopRunningWhenShot);
}
void CharacterCall(const char* what, const char* name)
{
    Note("CPostacMgr::%s %s", S(what), S(name));
}
int EngagedEnemiesWithin(float)
{
    return 0;
}
void KillEmAll(float radius)
{
    Note("CPostacMgr::KillEmAll %.2f", radius);
}
bool EnemyWithin(const float*, float)
{
    return false;
}
void KillCamAllowed(bool allowed)
{
    Note("CKillCam::%s", allowed ? "Allow" : "Forbid");
}
void HeliShooting(const char* name, bool allowed, float distance, float burst, float interval)
{
    Note("CHeli::%s %s %.2f %.2f %.2f", allowed ? "AllowShooting" : "ForbidShooting", S(name), distance,
         burst, interval);
}
void HeliSound(const char* name, const char* file)
{
    Note("CHeli::SetSound %s %s", S(name), S(file));
}
void BattlefieldEnable(const char* direction)
{
    Note("CBattlefield::Enable %s", S(direction));
}
void BattlefieldAttack(const char* target)
{
    Note("CBattlefield::Attack %s", S(target));
}
void HeroCall(const char* what, const char* name)
{
    Note("CPlayer::%s %s", S(what), S(name));
}
void Wind(bool calm)
{
    Note("ESkyLight::Wind %s", calm ? "calm" : "normal");
}
void OverlayName(const char* name)
{
    Note("EPostProcess::SetOverlayName %s", S(name));
}
} // namespace QuestCalls
