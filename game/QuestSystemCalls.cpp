// The mission scripts' calls into other managers, each noted in the journal
// QuestSystemCalls.h describes.
#include "game/QuestSystemCalls.h"

#include "game/Battlefield.h"
#include "game/DialogueMgr.h"
#include "physics/HeliMgr.h"
#include "render/PostProcess.h"
#include "render/SkyLight.h"
#include "sound/GameMusic.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"
#include "characters/PostacMgr.h"
#include "characters/KillCam.h"
#include "shell/CallJournal.h"
#include "shell/TextUtils.h"
#include "ui/Objective.h"
#include "ui/Panel.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace QuestCalls
{
namespace
{
CallJournal<JOURNAL_LINES, JOURNAL_LINE_SIZE> g_Journal;

const char* S(const char* text)
{
    return text ? text : "";
}
} // namespace

int JournalCount()
{
    return g_Journal.Count();
}

const char* JournalLine(int i)
{
    return g_Journal.Line(i);
}

bool Called(const char* prefix)
{
    return g_Journal.Called(prefix);
}

void ClearJournal()
{
    g_Journal.Clear();
}

void Note(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    g_Journal.Add(true, format, args);
    va_end(args);
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
    return g_DialogueMgr.IsAnyActive();
}
bool HeroDialogueRunning()
{
    return g_DialogueMgr.IsHeroDialogueActive();
}
void CharacterActivateParams(const char* gotoTarget, const char* bezier, const char* phase,
                             BYTE dontInterrupt, BYTE alwaysInSight, BYTE stopRunningWhenShot)
{
    Note("CPostacMgr::SetActivateParams %s %s %s %u %u %u", S(gotoTarget), S(bezier), S(phase), dontInterrupt,
         alwaysInSight, stopRunningWhenShot);
    PMgr.SetActivateParams(gotoTarget, bezier, phase, dontInterrupt, alwaysInSight, stopRunningWhenShot);
}
void CharacterCall(const char* what, const char* name)
{
    Note("CPostacMgr::%s %s", S(what), S(name));
    if (std::strcmp(S(what), "AlarmCharacter") == 0)
        PMgr.AlarmCharacter(name);
}
int EngagedEnemiesWithin(float radius)
{
    DWORD count = 0;
    GameMusic::CountEngagedEnemies(radius, &count, true);
    return static_cast<int>(count);
}
bool CharacterMortality(const char* name, bool mortal)
{
    Note("CPostacMgr::%s %s", mortal ? "MortalCharacter" : "ImmortalCharacter", S(name));
    strpostac* p = PMgr.FindCharacterByName(S(name), true);
    if (!p)
        return false;
    p->immortal = mortal ? 0 : 1;
    return true;
}
void KillEmAll(float radius)
{
    Note("CPostacMgr::KillEmAll %.2f", radius);
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        if (!p.used || p.dead || p.player_record || p.immortal || p.partner || p.civilian ||
            (p.faza && p.faza->immortal) || !(p.target_distance < radius))
            continue;
        Note("CPostacMgr::Zabij %s", p.name);
        PMgr.Zabij(&p, &p.position, &p.position, nullptr, false, false, false);
    }
}
bool EnemyWithin(const float* point, float radius)
{
    if (!point)
        return false;
    const D3DXVECTOR3 at(point[0], point[1], point[2]);
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = PMgr.m_Postacie[i];
        if (!p.used || p.dead || p.player_record || p.partner || p.civilian ||
            CompareNoCase(p.name, "fake_hero") == 0)
            continue;
        const D3DXVECTOR3 d = p.position - at;
        if (D3DXVec3Length(&d) < radius)
            return true;
    }
    return false;
}
void KillCamAllowed(bool allowed)
{
    Note("CKillCam::%s", allowed ? "Allow" : "Forbid");
    OBE.m_bAllowed = allowed ? 1 : 0;
}
void HeliShooting(const char* name, bool allowed, float distance, float burst, float interval)
{
    Note("CHeli::%s %s %.2f %.2f %.2f", allowed ? "AllowShooting" : "ForbidShooting", S(name), distance,
         burst, interval);
    HOBJECT o = name ? g_Engine.FindObject(name, 0) : nullptr;
    if (allowed)
        g_HeliMgr.AllowShooting(o, distance, burst, interval);
    else
        g_HeliMgr.ForbidShooting(o);
}
void HeliSound(const char* name, const char* file)
{
    Note("CHeli::SetSound %s %s", S(name), S(file));
    g_HeliMgr.SetHeliSound(name ? g_Engine.FindObject(name, 0) : nullptr, file);
}
void BattlefieldEnable(const char* direction)
{
    Note("CBattlefield::Enable %s", S(direction));
    g_Battlefield.Enable(direction);
}
void BattlefieldAttack(const char* target)
{
    Note("CBattlefield::Attack %s", S(target));
    g_Battlefield.Attack(target);
}
void HeroCall(const char* what, const char* name)
{
    Note("CPlayer::%s %s", S(what), S(name));
}
bool GunMounting(HOBJECT gun, bool allowed)
{
    Note("CPlayer::%s %s", allowed ? "GunAllowMounting" : "GunForbidMounting", gun ? gun->szName : "");
    if (!gun || !gun->pActionParams || !gun->pActionParams->mount_gun)
        return false;
    gun->pActionParams->mount_gun_forbidden = allowed ? 0 : 1;
    return true;
}
void Wind(bool calm)
{
    Note("ESkyLight::Wind %s", calm ? "calm" : "normal");
    Env.m_bWindCalm = calm ? 1 : 0;
}
void OverlayName(const char* name)
{
    Note("EPostProcess::SetOverlayName %s", S(name));
    PostProcess.SetOverlayName(name);
}
} // namespace QuestCalls
