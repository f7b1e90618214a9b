#pragma once
// The calls mission scripts make into other managers: the task box, the HUD's
// faders, the characters, helicopters, the kill camera, dialogues, the hero's
// riding and guns, the wind and the post-processing overlay.
// Each call is noted in a short journal (tests and "Debug" traces can see it)
// and then made.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

namespace QuestCalls
{
constexpr int JOURNAL_LINES = 64;
constexpr int JOURNAL_LINE_SIZE = 160;

int JournalCount();
const char* JournalLine(int i);
// True when a noted call starts with the text.
bool Called(const char* prefix);
void ClearJournal();
// Notes one call; a call the same as the newest one noted is not repeated.
void Note(const char* format, ...);

// The task box's new task.
void TaskSet(const char* key);
// The HUD's black-out and second (white) fader: on fades to white, off fades it away.
void PanelBlackOut();
void PanelWhite(bool on, float seconds);
// CDialogueMgr's "a dialogue runs" and "the hero's dialogue runs".
bool DialogueRunning();
bool HeroDialogueRunning();
// A character's look-at target ("" clears it) and its removal mark.
void CharacterLookAt(const char* name, const char* target);
void CharacterDelete(const char* name);
// The activation order ("activate") for the characters the object's actions
// create; empty names clear it. CharacterCall passes "AlarmCharacter" on to
// the characters.
void CharacterActivateParams(const char* gotoTarget, const char* bezier, const char* phase,
                             BYTE dontInterrupt, BYTE alwaysInSight, BYTE stopRunningWhenShot);
void CharacterCall(const char* what, const char* name);
// Makes the live character of the name mortal or immortal; false when there is none.
bool CharacterMortality(const char* name, bool mortal);
// The engaged hostile characters within the radius (GameMusic::CountEngagedEnemies).
int EngagedEnemiesWithin(float radius);
// Every live enemy not held immortal (by the mission or its phase) whose
// distance to its current target is below the radius dies.
void KillEmAll(float radius);
// True when a live character that is neither a partner nor a civilian (nor
// the hero's own record) stands within the radius of the point.
bool EnemyWithin(const float* point, float radius);
// The kill camera's allowed byte (journalled too).
void KillCamAllowed(bool allowed);
// The scripted helicopters.
void HeliShooting(const char* name, bool allowed, float distance, float burst, float interval);
void HeliSound(const char* name, const char* file);
// The background battlefield's front and attack target.
void BattlefieldEnable(const char* direction);
void BattlefieldAttack(const char* target);
// The hero's hide zone, riding, mounted guns and clouds byte, noted as the
// mission makes the call.
void HeroCall(const char* what, const char* name);
// Lets the hero man the mounted gun or keeps him off it; false (and nothing
// changes) when the object is no mounted gun.
bool GunMounting(HOBJECT gun, bool allowed);
// The environment's wind: calm or blowing.
void Wind(bool calm);
// The post-processing's overlay (depth-of-field target) name; "" clears it.
void OverlayName(const char* name);
} // namespace QuestCalls
