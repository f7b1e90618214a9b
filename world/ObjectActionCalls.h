#pragma once
// The calls object actions make into the hero, the characters, the HUD, the
// post-process switches, dialogues, the mission scripts and the save manager.
// Each call here is noted in a short journal (so a level designer can trace
// it with "Debug" and tests can see it) and then made.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

namespace ActionCalls
{
constexpr int JOURNAL_LINES = 64;
constexpr int JOURNAL_LINE_SIZE = 160;

// The journal: the newest JOURNAL_LINES calls, oldest first.
int JournalCount();
const char* JournalLine(int i);
// True when a noted call starts with the text.
bool Called(const char* prefix);
void ClearJournal();

// QuestSystem::OnObjectUsed (the mission scripts), noted as well.
void QuestObjectUsed(HOBJECT object);
// The hero (CPlayer, PlayerStats and his weapons).
bool HeroIsDead();
void HeroMountGun(const char* objectName);
void HeroStartCountdown(HOBJECT object);
void HeroStopCountdown();
void HeroFlyHelicopter(HOBJECT object);
void HeroFullAmmo();
void HeroSetHeartbeatLevel(float level);
void HeroMovementRadiusOn(float radius);
void HeroMovementRadiusOff();
void HeroStartBezier(const char* path, BYTE running);
void HeroStopBezier();
void HeroChangeHealth(float amount);
void HeroKill();
void HeroSetRunAllowed(BYTE allowed);
void HeroSetJumpAllowed(BYTE allowed);
void HeroSetHighJump(BYTE on);
void HeroGrabLadder(HOBJECT object);
// The hero's position, previous position and view after a teleport.
void HeroTeleport(const D3DXVECTOR3& position, float yaw, BYTE crouching);
HOBJECT HeroObject();
// CMainGame's end-game operation: an empty one, noted only.
void GameEndGame();
// The HUD's direction-pointer notice.
void HudDirectionPointer(HOBJECT target);
// The HUD's black fades.
void PanelFadeIn(float seconds);
void PanelFadeOut(float seconds);
// EPostProcess switches: motion blur, its amount, monochrome, and the
// black-and-white object effect with its objects (a character brings its
// model, eyes and held weapon).
void PostMotionBlur(BYTE on);
void PostMotionBlurAmount(float amount);
void PostMonochrome(BYTE on);
void PostObjectEffect(BYTE on);
void PostAddEffectObject(HOBJECT object);
void PostAddEffectCharacter(const char* name);
// CSaveMgr's checkpoint request (noted in the journal too).
void SaveCheckpoint();
// CDialogueMgr, journalled; the actors are found among the live characters by name.
void DialogueStart(const char* dialogue, const char* actor0, const char* actor1, const char* actor2);
void DialogueStartByName(const char* dialogue, HOBJECT object);
void DialogueStartHero(const char* dialogue);
// CPostacMgr, journalled. A kill is true when a live character had the name.
bool CharacterExists(const char* name);
void CharacterTeleport(const char* name, const D3DXVECTOR3& position);
void CharacterRunTo(const char* name, const char* target, const char* bezier, const char* phase,
                    const char* animation);
void CharacterForcePhase(const char* name, const char* phase);
bool CharacterKill(const char* name, const D3DXVECTOR3& position);
// EItemMgr::FindDescription: the item catalogue holds the named description.
bool ItemDescriptionExists(const char* name);
// GameAI::ActivateAIAction (the level scripts), noted as well.
void ActivateAIAction(const char* name);
// CPostacMgr::RespawnCharacter, journalled; and whether a live character
// made by the respawner still exists.
void CharacterRespawn(const char* name, const D3DXVECTOR3& position, const char* phase, HOBJECT respawner);
bool CharacterAliveFrom(HOBJECT respawner);
// CDialogueMgr::SayHeroLine: one of the hero's voices says a voice line
// with its subtitle, noted as well.
void HeroSpeak(int speaker, const char* file, const char* subtitle);
// CPathMgr: the nearest path and place for a respawner (kept in the
// respawner), and their lookups by identifier.
bool PathCacheNearest(HOBJECT respawner);
bool PathFindById(const int (&ids)[3]);
bool PathFindPlace(const int (&ids)[3], int place);
void PreloadCharacterSounds(const char* character);
// GameAI::RegisterHit (the level scripts), noted as well.
void LevelRegisterHit(const char* name);
// EFxMgr::CreateMortarExplosion at the dying object (a thrown grenade's blast), noted as well.
void FxMortarExplosion(HOBJECT object, const D3DXVECTOR3& position);
// CMainGame::ExplosionNearPlayer, noted as well.
void GameExplosionNearPlayer(const D3DXVECTOR3& point, float power);
// True when the segment meets no object but the one to ignore (segment tests).
bool SegmentClear(const D3DXVECTOR3& from, const D3DXVECTOR3& to, HOBJECT ignore);
} // namespace ActionCalls
