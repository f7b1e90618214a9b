// The calls object actions make; see ObjectActionCalls.h.
#include "world/ObjectActionCalls.h"

#include "characters/PathMgr.h"
#include "physics/PlayerHeli.h"
#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "game/DialogueMgr.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "game/QuestSystem.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/PostProcess.h"
#include "shell/CallJournal.h"
#include "shell/Mouse.h"
#include "ui/Panel.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace ActionCalls
{
namespace
{
// The kill action's health change: more than any hero has.
constexpr float kKillAmount = -1000.0f;
CallJournal<JOURNAL_LINES, JOURNAL_LINE_SIZE> g_Journal;

void Note(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    g_Journal.Add(false, format, args);
    va_end(args);
}

const char* S(const char* text)
{
    return text ? text : "";
}

const char* NameOf(HOBJECT o)
{
    return o ? o->szName : "";
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

void QuestObjectUsed(HOBJECT o)
{
    Note("QuestSystem::OnObjectUsed %s", NameOf(o));
    g_QuestSystem.OnObjectUsed(o);
}
bool HeroIsDead()
{
    return PlayerStats.m_bDead != 0;
}
void HeroMountGun(const char* name)
{
    Note("CPlayer::MountGun %s", S(name));
    Player.MountGun(name);
}
void HeroStartCountdown(HOBJECT o)
{
    Note("CPlayer::StartCountdown %s", NameOf(o));
    Player.StartCountdown(o);
}
void HeroStopCountdown()
{
    Note("CPlayer::StopCountdown");
    Player.StopCountdown();
}
void HeroFlyHelicopter(HOBJECT o)
{
    Note("CPlayer::FlyHelicopter %s", NameOf(o));
    if (!g_PlayerHeli.m_bFlying)
        g_PlayerHeli.Enter(o);
}
void HeroFullAmmo()
{
    Note("CPlayer::FullAmmo");
    Bronie.FillAmmo();
}
void HeroSetHeartbeatLevel(float level)
{
    Note("CPlayer::SetHeartbeatLevel %g", level);
    Player.SetHeartbeatLevel(level);
}
void HeroMovementRadiusOn(float radius)
{
    Note("CPlayer::MovementRadiusOn %g", radius);
    Player.MovementRadiusOn(radius);
}
void HeroMovementRadiusOff()
{
    Note("CPlayer::MovementRadiusOff");
    Player.MovementRadiusOff();
}
void HeroStartBezier(const char* path, BYTE running)
{
    Note("CPlayer::StartBezier %s %d", S(path), running);
    Player.StartBezier(path, running);
}
void HeroStopBezier()
{
    Note("CPlayer::StopBezier");
    Player.StopBezier();
}
void HeroChangeHealth(float amount)
{
    Note("CPlayer::ChangeHealth %g", amount);
    Player.ChangeHealth(amount);
}
void HeroKill()
{
    Note("CPlayer::Kill");
    Player.ChangeHealth(kKillAmount);
}
void HeroSetRunAllowed(BYTE allowed)
{
    Note("PlayerStats::RunAllowed %d", allowed);
    PlayerStats.m_bCanRun = allowed ? 1 : 0;
}
void HeroSetJumpAllowed(BYTE allowed)
{
    Note("PlayerStats::JumpAllowed %d", allowed);
    PlayerStats.m_bCanJump = allowed ? 1 : 0;
}
void HeroSetHighJump(BYTE on)
{
    Note("PlayerStats::HighJump %d", on);
    // The record's byte after the jump permission; nothing else reads it.
    PlayerStats.m_bReserved = on ? 1 : 0;
}
void HeroGrabLadder(HOBJECT o)
{
    Note("CPlayer::GrabLadder %s", NameOf(o));
    Player.GrabLadder(o);
}
void HeroTeleport(const D3DXVECTOR3& p, float yaw, BYTE crouching)
{
    Note("CPlayer::TeleportTo %g %g %g yaw %g crouch %d", p.x, p.y, p.z, yaw, crouching);
    // The hero arrives where he was put, looking the way the object faces,
    // and, asked to, crouching for the stance's input steps.
    Player.m_vPrevPosition = p;
    g_Mouse.m_State.x = g_Mouse.m_State.rawX = yaw;
    if (crouching)
    {
        Player.SetCrouch(true);
        Player.m_iForceCrouch = crouching;
    }
}
HOBJECT HeroObject()
{
    return Player.m_hObject;
}
void GameEndGame()
{
    Note("CMainGame::EndGame");
}
void HudDirectionPointer(HOBJECT o)
{
    Note("Panel::DirectionPointer %s", NameOf(o));
    g_Panel.RestartDirectionPointer();
}
void PanelFadeIn(float seconds)
{
    Note("Panel::FadeIn %g", seconds);
    g_Panel.FadeIn(seconds);
}
void PanelFadeOut(float seconds)
{
    Note("Panel::FadeOut %g", seconds);
    g_Panel.FadeOut(seconds);
}
void PostMotionBlur(BYTE on)
{
    Note("EPostProcess::MotionBlur %d", on);
    PostProcess.m_bMotionBlur = on;
}
void PostMotionBlurAmount(float amount)
{
    Note("EPostProcess::MotionBlurAmount %g", amount);
    PostProcess.m_fMotionBlurAmount = amount;
}
void PostMonochrome(BYTE on)
{
    Note("EPostProcess::Monochrome %d", on);
    PostProcess.m_bMonochrome = on;
}
void PostObjectEffect(BYTE on)
{
    Note("EPostProcess::ObjectEffect %d", on);
    if (!on)
    {
        PostProcess.DisableObjectEffect(1);
        return;
    }
    // A forced effect already running keeps its objects.
    if (!(PostProcess.m_bBW && PostProcess.m_bBWForced))
        PostProcess.ClearEffectObjects();
    PostProcess.EnableObjectEffect(1);
}
void PostAddEffectObject(HOBJECT o)
{
    Note("EPostProcess::AddEffectObject %s", NameOf(o));
    PostProcess.AddEffectObject(o);
}
void PostAddEffectCharacter(const char* name)
{
    Note("EPostProcess::AddEffectCharacter %s", S(name));
    const strpostac* p = PMgr.FindCharacterByName(S(name), false);
    if (!p)
        return;
    for (HOBJECT o : {p->model, p->eye_l, p->eye_r})
        PostProcess.AddEffectObject(o);
    if (p->weapon && p->weapon->m_hHeldModel)
        PostProcess.AddEffectObject(p->weapon->m_hHeldModel);
}
void SaveCheckpoint()
{
    Note("CSaveMgr::Checkpoint");
    g_SaveMgr.RequestCheckpoint();
}
void DialogueStart(const char* d, const char* a0, const char* a1, const char* a2)
{
    Note("CDialogueMgr::StartDialogue %s %s %s %s", S(d), S(a0), S(a1), S(a2));
    auto actor = [](const char* name)
    { return name && name[0] ? PMgr.FindCharacterByName(name, true) : nullptr; };
    g_DialogueMgr.StartDialogue(d, actor(a0), actor(a1), actor(a2));
}
void DialogueStartByName(const char* d, HOBJECT o)
{
    Note("CDialogueMgr::StartDialogueByName %s %s", S(d), NameOf(o));
    g_DialogueMgr.StartDialogueByName(d, o);
}
void DialogueStartHero(const char* d)
{
    Note("CDialogueMgr::StartHeroDialogue %s", S(d));
    g_DialogueMgr.StartHeroDialogue(d);
}
bool CharacterExists(const char* name)
{
    return PMgr.FindCharacterByName(name, true) != nullptr;
}
void CharacterTeleport(const char* name, const D3DXVECTOR3& p)
{
    Note("CPostacMgr::TeleportCharacter %s %g %g %g", S(name), p.x, p.y, p.z);
    PMgr.TeleportCharacter(name, &p);
}
void CharacterRunTo(const char* name, const char* target, const char* bezier, const char* phase,
                    const char* animation)
{
    Note("CPostacMgr::RunToByName %s %s %s %s %s", S(name), S(target), S(bezier), S(phase), S(animation));
    PMgr.RunToByName(name, target, bezier, phase, animation);
}
void CharacterForcePhase(const char* name, const char* phase)
{
    Note("CPostacMgr::ForceFazaByName %s %s", S(name), S(phase));
    PMgr.ForceFazaByName(name, phase);
}
bool CharacterKill(const char* name, const D3DXVECTOR3& killer)
{
    Note("CPostacMgr::Zabij %s", S(name));
    strpostac* p = PMgr.FindCharacterByName(name, true);
    if (!p)
        return false;
    PMgr.Zabij(p, &killer, &p->position, nullptr, false, false, false);
    return true;
}
bool ItemDescriptionExists(const char* name)
{
    return name && name[0] && ItemMgr.FindDescription(name) != nullptr;
}
void ActivateAIAction(const char* name)
{
    Note("GameAI::ActivateAIAction %s", S(name));
    g_GameAI.ActivateAIAction(name);
}
void HeroSpeak(int speaker, const char* file, const char* subtitle)
{
    Note("CDialogueMgr::SayHeroLine %d %s %s", speaker, S(file), S(subtitle));
    g_DialogueMgr.SayHeroLine(speaker, file, subtitle);
}
bool PathCacheNearest(HOBJECT o)
{
    Note("CPathMgr::CacheNearest %s", NameOf(o));
    if (!o)
        return false;
    strPath* path = nullptr;
    const strPlace* place = g_PathMgr.FindNearestPathNode(o->vPosition, &path);
    if (!place || !path)
        return false;
    o->iRespawnPath[0] = path->ids[0];
    o->iRespawnPath[1] = path->ids[1];
    o->iRespawnPath[2] = path->ids[2];
    o->iRespawnPlace = static_cast<int>(place->number);
    return true;
}
bool PathFindById(const int (&ids)[3])
{
    return g_PathMgr.FindPathById(ids) != nullptr;
}
bool PathFindPlace(const int (&ids)[3], int place)
{
    return CPathMgr::FindNodeByIndex(g_PathMgr.FindPathById(ids), place) != nullptr;
}
void PreloadCharacterSounds(const char* character)
{
    Note("CPostacMgr::PreloadSounds %s", S(character));
    PMgr.PreloadCharacterSounds(character);
}
void CharacterRespawn(const char* name, const D3DXVECTOR3& p, const char* phase, HOBJECT respawner)
{
    Note("CPostacMgr::RespawnCharacter %s %g %g %g %s %s", S(name), p.x, p.y, p.z, S(phase),
         NameOf(respawner));
    EOrientation orientation;
    if (respawner)
        orientation = respawner->Orientation;
    PMgr.RespawnCharacter(name, &p, &orientation, phase, respawner);
}
bool CharacterAliveFrom(HOBJECT respawner)
{
    return PMgr.IsAliveFrom(respawner);
}
void LevelRegisterHit(const char* name)
{
    Note("GameAI::RegisterHit %s", S(name));
    g_GameAI.RegisterHit(name);
}
void FxMortarExplosion(HOBJECT o, const D3DXVECTOR3& p)
{
    Note("EFxMgr::CreateMortarExplosion %g %g %g", p.x, p.y, p.z);
    g_FxMgr.CreateMortarExplosion(o, &p, false);
}
void GameExplosionNearPlayer(const D3DXVECTOR3& p, float power)
{
    Note("CMainGame::ExplosionNearPlayer %g %g %g %g", p.x, p.y, p.z, power);
    g_MainGame.ExplosionNearPlayer(&p, power);
}
bool SegmentClear(const D3DXVECTOR3& from, const D3DXVECTOR3& to, HOBJECT ignore)
{
    RayTestQuery q;
    q.pFrom = &from.x;
    q.pTo = &to.x;
    q.pfnFilter = [](HOBJECT candidate, RayTestUser user)
    { return candidate != reinterpret_cast<HOBJECT>(user); };
    q.dwUser = reinterpret_cast<RayTestUser>(ignore);
    RayTestResult r;
    return !g_IntersectSegment.Test(&q, &r);
}
} // namespace ActionCalls
