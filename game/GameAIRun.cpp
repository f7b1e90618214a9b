// GameAI: running the level scripts. At each world start the level record of
// that world is chosen; every frame each named action of it is evaluated as a
// chain of conditions and commands; world objects call named actions and
// report the objects shot; the `once` actions' state goes into save games.
#include "game/GameAI.h"
#include "characters/PostacMgr.h"

#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "game/CutScene.h"
#include "game/DialogueMgr.h"
#include "game/MainGame.h"
#include "game/Rockets.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// Level frames before which nothing of the scripts runs.
constexpr DWORD kFirstUpdateFrame = 150;
constexpr DWORD kFirstNamedActionFrame = 12;
// Distances and times at or below these mean "no condition".
constexpr float kNoDistance = 1.0f;
constexpr float kNoSeconds = 0.001f;
// Flag word 1 of a deactivated object: hidden, nothing else.
constexpr DWORD kDeactivatedFlags = 128;
constexpr DWORD kAllFlags = 0xFFFFFFFFu;
constexpr BYTE kOnceEntry = 1;
constexpr BYTE kOnceEnd = 0;
const char* const kStopMusic = "*";

bool Used(const char* field)
{
    return field[0] != 0;
}

bool SamePesel(const DWORD (&a)[3], const DWORD (&b)[3])
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

void CopyPesel(DWORD (&to)[3], const DWORD (&from)[3])
{
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

float CameraDistance(HOBJECT object)
{
    D3DVECTOR at;
    g_Engine.GetObjectPosition(object, &at);
    const D3DXVECTOR3 d = D3DXVECTOR3(at.x, at.y, at.z) - g_Camera.GetPosition();
    return D3DXVec3Length(&d);
}

// i32 arithmetic held at the type's limits.
int AddClamped(int value, int amount)
{
    const long long sum = static_cast<long long>(value) + amount;
    if (sum > INT_MAX)
        return INT_MAX;
    if (sum < INT_MIN)
        return INT_MIN;
    return static_cast<int>(sum);
}

// ---- Characters ------------------------------------------------------------------------
// A slot in use of that name (case ignored) whose character is dead.
bool CharacterIsDead(const char* name)
{
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = PMgr.m_Postacie[i];
        if (p.used && p.dead && CompareNoCase(p.name, name) == 0)
            return true;
    }
    return false;
}
// The distance of the named character to the player; false when there is no such character.
bool CharacterDistanceToPlayer(const char* name, float* distance)
{
    const strpostac* p = PMgr.FindCharacterByName(name, false);
    if (!p)
        return false;
    const D3DXVECTOR3 d =
        p->position - D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    *distance = D3DXVec3Length(&d);
    return true;
}
// The phase is forced through the characters' manager, which enters it.
void CharacterSetPhase(const char* character, const char* phase)
{
    ActionCalls::CharacterForcePhase(character, phase);
}
// The first live character of the name dies; false when there is none.
bool CharacterKillByName(const char* name)
{
    strpostac* p = PMgr.FindCharacterByName(name, true);
    if (!p)
        return false;
    PMgr.Zabij(p, &p->position, &p->position, nullptr, false, false, false);
    return true;
}
// Every live character not held immortal and fighting within 3000 units dies.
void KillEveryCharacter()
{
    constexpr float kReach = 3000.0f;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        if (!p.used || p.dead || p.player_record || p.immortal || (p.faza && p.faza->immortal) ||
            !(p.target_distance < kReach))
            continue;
        PMgr.Zabij(&p, &p.position, &p.position, nullptr, false, false, false);
    }
}
// Every live character whose phase is not immortal is marked for removal;
// the characters' frame removes it.
void DeleteEveryCharacter()
{
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        if (p.used && !p.dead && !(p.faza && p.faza->immortal))
            p.delete_request = 1;
    }
}
// The character's dialogues stop without success; false when no such character lives.
bool StopDialogueOfCharacter(const char* name)
{
    strpostac* p = PMgr.FindCharacterByName(name, true);
    if (!p)
        return false;
    g_DialogueMgr.StopDialoguesOf(p, false);
    return true;
}
} // namespace

// ---- World start and level start ----------------------------------------------------------

void GameAI::SelectLevel()
{
    m_pCurrentLevel = nullptr;
    for (strai* l = m_pLevels; l; l = l->older)
        if (CompareNoCase(l->name, g_Engine.m_szWorld) == 0)
        {
            m_pCurrentLevel = l;
            break;
        }
    if (strai* l = m_pCurrentLevel)
    {
        if (std::strlen(l->name) < sizeof g_Options.runworld)
            CopyCut(g_Options.runworld, sizeof g_Options.runworld, l->name);
        else
            g_Console.Print3("ERROR: the level name \"", l->name, "\" is too long for runworld; it stays");
        CopyCut(m_szLevelDisplayName, sizeof m_szLevelDisplayName, l->displayName);
        g_Options.LightPowerMultiplier = l->lightPowerMultiplier;
    }
    else
        m_szLevelDisplayName[0] = 0;
    // The weapons read the level's "clear_weapons" when the level starts.
    Bronie.m_bClearWeapons = m_pCurrentLevel ? m_pCurrentLevel->clearWeapons : 0;

    // Two `once` actions of one name in one level share their saved state.
    for (strai* l = m_pLevels; l; l = l->older)
        for (strakcje* a = l->actions; a; a = a->older)
        {
            if (!a->once || !a->name[0])
                continue;
            for (strakcje* b = a->older; b; b = b->older)
                if (b->once && b->name[0] && CompareNoCase(a->name, b->name) == 0)
                {
                    char line[AI_LONG_SIZE + 2 * AI_NAME_SIZE + 64];
                    std::snprintf(line, sizeof line, "Swiat: %s Porownuje %s z %s *** Identyczne!", l->name,
                                  a->name, b->name);
                    g_Console.Print(line);
                }
        }
}

void GameAI::PrepareActions()
{
    if (strai* level = m_pCurrentLevel)
    {
        for (strakcje* a = level->actions; a; a = a->older)
        {
            if (Used(a->music) && a->music[0] != '*' && ContainsNoCase(a->music, ".wav"))
                g_Engine.PreloadFile(a->music, EEngine::PRELOAD_SOUND);
            if (Used(a->sound))
                g_Engine.PreloadFile(a->sound, EEngine::PRELOAD_SOUND);
        }
        for (strakcje* a = level->actions; a; a = a->older)
        {
            if (!a->name[0])
                continue;
            for (strakcje* b = a->older; b; b = b->older)
                if (b->name[0] && CompareNoCase(a->name, b->name) == 0)
                {
                    g_Console.Print2("*** Error! Repeated AI action name ", a->name);
                    break;
                }
        }
    }
    m_bLevelStarted = 0;
}

// ---- The frame --------------------------------------------------------------------------------

void GameAI::Update(float frameTime)
{
    if (!m_bLevelStarted || !m_pCurrentLevel || g_MainGame.m_iLevelFrame < kFirstUpdateFrame)
        return;
    m_fFrameTime = frameTime;
    AdvanceCounters(frameTime);
    for (strakcje* a = m_pCurrentLevel->actions; a; a = a->older)
        if (a->name[0] && !a->editorOnly && !(a->once && a->done))
            a->done = ExecuteCommand(a) ? 1 : 0;
    for (auto& hit : m_szHits)
        hit[0] = 0;
}

// The record's condition: the first field in use decides. `isCondition`
// is false for a record that holds none (a command record).
bool GameAI::TestCondition(strakcje* r, bool* isCondition)
{
    *isCondition = true;
    if (Used(r->ifSet))
        return IsVariableSet(r->ifSet);
    if (Used(r->ifNotSet))
    {
        const strzmienne* v = FindVariable(r->ifNotSet);
        return v && !v->isSet;
    }
    if (r->ifSeenByHostile || r->ifActionHostile)
        return false;
    if (r->hostileNearerThan > kNoDistance)
        return false;
    if (r->meshNearerThan > kNoDistance || r->meshFartherThan > kNoDistance)
    {
        HOBJECT o = r->meshFound;
        if (!o || !o->bUsed || !SamePesel(o->PESEL, r->meshPesel) ||
            CompareNoCase(o->szName, r->distanceMesh))
        {
            o = g_Engine.FindObject(r->distanceMesh, 0);
            r->meshFound = o;
            if (o)
                CopyPesel(r->meshPesel, o->PESEL);
        }
        if (!o)
            return false;
        const float d = CameraDistance(o);
        return r->meshNearerThan > kNoDistance ? d < r->meshNearerThan : d > r->meshFartherThan;
    }
    if (r->intGreater != 0 || r->intLess != 0)
    {
        const strzmienne* v = FindVariable(r->intName);
        if (!v)
            return false;
        return r->intGreater != 0 ? v->value > r->intGreater : v->value < r->intLess;
    }
    if (r->counterGreater > kNoSeconds || r->counterLess > kNoSeconds)
    {
        // A missing counter leaves the decision to the fields after it.
        if (const strzmienne* v = FindVariable(r->counterName))
            return r->counterGreater > kNoSeconds ? v->seconds > r->counterGreater
                                                  : v->seconds < r->counterLess;
    }
    if (Used(r->ifPlayerSeenBy) || Used(r->ifPlayerHas))
        return false;
    if (r->playerNearerThan > kNoDistance || r->playerFartherThan > kNoDistance)
    {
        float d = 0.0f;
        if (!CharacterDistanceToPlayer(r->distanceCharacter, &d))
            return false;
        // Within one unit both conditions pass on to the next field.
        if (d > kNoDistance)
            return r->playerNearerThan > kNoDistance ? d < r->playerNearerThan : d > r->playerFartherThan;
    }
    if (Used(r->ifDead))
        return CharacterIsDead(r->ifDead);
    if (Used(r->ifShot))
        return false;
    if (Used(r->ifHit))
    {
        const bool hit = WasHit(r->ifHit);
        if (hit && g_Options.Debug >= 3)
            g_Console.Print3("Sprawdzono postrzal obiektu ", r->ifHit, " - TRUE!");
        return hit;
    }
    if (Used(r->ifAction))
        return false;
    *isCondition = false;
    return true;
}

bool GameAI::ExecuteCommand(strakcje* record)
{
    for (strakcje* r = record; r; r = r->next)
    {
        bool isCondition = false;
        const bool holds = TestCondition(r, &isCondition);
        if (isCondition)
        {
            if (!holds)
                return false;
            continue;
        }
        if (!RunCommands(r))
            return true; // the chain ended early (a world change)
    }
    return true;
}

// The record's commands in their fixed order; false when the chain ends here.
bool GameAI::RunCommands(strakcje* r)
{
    if (Used(r->startWorld))
    {
        g_Engine.RequestWorldChange(r->startWorld);
        return false;
    }
    if (Used(r->explosiveTarget))
        g_EngineObject.SetExplosiveTarget(r->explosiveTarget);
    if (Used(r->setName))
        SetVariable(r->setName, nullptr);
    if (Used(r->unsetName))
        UnsetVariable(r->unsetName, nullptr);
    if (Used(r->deactivateName))
        Deactivate(r->deactivateName);
    if (Used(r->activateName))
        Activate(r->activateName);
    if (Used(r->rocketLauncher) && Used(r->rocketTarget) && r->rocketSpeed > 0.0f)
        LaunchRocket(r);
    if (Used(r->animObject) && Used(r->animName))
    {
        HOBJECT o = g_Engine.FindObject(r->animObject, 0);
        if (!o)
            g_Console.Print3("Object to set anim ", r->animObject, " NOT found!");
        else if (o->Type != OT_SKINMESH)
            g_Console.Print3("Object to set anim ", r->animObject, " is NOT a skinmesh!");
        else
        {
            g_Engine.SetObjectAnimation(o, r->animName, r->animLoop, 0.0f, 1.0f);
            if (g_Options.Debug >= 2)
                g_Console.Print4("Anim ", r->animName, " set to ", r->animObject);
        }
    }
    if (r->incAmount != 0)
    {
        strzmienne* v = FindVariable(r->incName);
        if (v && v->type == strzmienne::TYPE_INT)
        {
            v->value = AddClamped(v->value, r->incAmount);
            if (g_Options.Debug >= 2)
            {
                char line[AI_NAME_SIZE + 32];
                std::snprintf(line, sizeof line, "%s zwiekszam o %d", v->name, r->incAmount);
                g_Console.Print(line);
            }
        }
    }
    if (r->decAmount != 0)
    {
        strzmienne* v = FindVariable(r->decName);
        if (v && v->type == strzmienne::TYPE_INT)
            v->value = AddClamped(v->value, r->decAmount == INT_MIN ? INT_MAX : -r->decAmount);
    }
    if (Used(r->phase))
    {
        CharacterSetPhase(r->phaseCharacter, r->phase);
        if (g_Options.Debug)
            g_Console.Print4("AI ustawia postaci ", r->phaseCharacter, " faze ", r->phase);
    }
    if (Used(r->music))
    {
        if (std::strcmp(r->music, kStopMusic) == 0)
            g_MainGame.StopMusic();
        else
            g_MainGame.PlayMusic(r->music, 1);
    }
    if (Used(r->sound))
        g_SoundMgr.PlaySoundOnce(r->sound, 1.0f, 0.0f);
    if (Used(r->ambientSound))
    {
        if (std::strcmp(r->ambientSound, kStopMusic) == 0)
            g_EngineObject.SetAmbientSound("", 0.0f);
        else
            g_EngineObject.SetAmbientSound(r->ambientSound, 1.0f);
    }
    if (Used(r->printText))
        g_Console.Print(r->printText);
    if (r->killEmAll)
        KillEveryCharacter();
    if (r->deleteEmAll)
        DeleteEveryCharacter();
    if (Used(r->stopDialogueCharacter))
    {
        if (g_Options.Debug)
            g_Console.Print2("Zatrzymuje dialog w ktorym udzial bierze ", r->stopDialogueCharacter);
        if (!StopDialogueOfCharacter(r->stopDialogueCharacter))
            g_Console.Print2("Nie ma postaci do zatrzymania dialogu: ", r->stopDialogueCharacter);
    }
    if (Used(r->objectAction))
        g_Engine.RunObjectAction(r->objectAction, 0);
    if (Used(r->attachObject))
    {
        if (g_Options.Debug)
        {
            char line[3 * AI_NAME_SIZE + 32];
            std::snprintf(line, sizeof line, "Attachuje %s do %s na sokecie %s", r->attachObject,
                          r->attachTarget, r->attachSocket);
            g_Console.Print(line);
        }
        if (HOBJECT o = g_Engine.FindObject(r->attachObject, 0))
            g_EngineObject.TieToSocket(o, r->attachSocket, r->attachTarget);
        else
            g_Console.Print("Nie znaleziono obiektu do attachowania!");
    }
    if (Used(r->killObject))
        if (HOBJECT o = g_Engine.FindObject(r->killObject, 0))
            g_EngineObject.HandleDeath(o);
    if (Used(r->killCharacter))
    {
        const bool found = CharacterKillByName(r->killCharacter);
        if (g_Options.Debug)
        {
            g_Console.Print2("Zabijam z AI postac ", r->killCharacter);
            g_Console.Print(found ? "Znaleziona" : "NIE znaleziona");
        }
    }
    if (Used(r->cutscene))
        g_CutScene.Start(r->cutscene);
    return true;
}

// ---- Deactivating objects -----------------------------------------------------------------

int GameAI::FindDeactivated(HOBJECT object) const
{
    for (int i = 0; i < m_iDeactivated; ++i)
        if (m_Deactivated[i].object == object && SamePesel(m_Deactivated[i].pesel, object->PESEL))
            return i;
    return -1;
}

void GameAI::Deactivate(const char* name)
{
    HOBJECT o = g_Engine.FindObject(name, 0);
    if (!o)
    {
        g_Console.Print2("GameAI.Deactivate can't find object ", name);
        return;
    }
    if (FindDeactivated(o) >= 0)
        return;
    // Entries of objects deleted since are dropped first.
    int kept = 0;
    for (int i = 0; i < m_iDeactivated; ++i)
    {
        const Deactivated& d = m_Deactivated[i];
        if (d.object->bUsed && SamePesel(d.pesel, d.object->PESEL))
            m_Deactivated[kept++] = d;
    }
    m_iDeactivated = kept;
    if (m_iDeactivated >= MAX_DEACTIVATED)
    {
        g_Console.Print("MAX_DEACTIVATED hit!");
        return;
    }
    Deactivated& d = m_Deactivated[m_iDeactivated++];
    d.object = o;
    CopyPesel(d.pesel, o->PESEL);
    d.flags = o->dwFlags;
    g_Engine.SetObjectFlags(o, kDeactivatedFlags, kAllFlags);
    o->bVisible = 0;
}

void GameAI::Activate(const char* name)
{
    HOBJECT o = g_Engine.FindObject(name, 0);
    if (!o)
    {
        g_Console.Print2("GameAI.Activate can't find object ", name);
        return;
    }
    const int i = FindDeactivated(o);
    if (i < 0)
        return;
    g_Engine.SetObjectFlags(o, m_Deactivated[i].flags, kAllFlags);
    o->bVisible = 1;
    m_Deactivated[i] = m_Deactivated[--m_iDeactivated];
}

// ---- Rockets -------------------------------------------------------------------------------

void GameAI::LaunchRocket(const strakcje* r)
{
    HOBJECT launcher = g_Engine.FindObject(r->rocketLauncher, 0);
    if (!launcher)
    {
        g_Console.Print2("Brak obiektu startowego rakiety: ", r->rocketLauncher);
        return;
    }
    HOBJECT target = g_Engine.FindObject(r->rocketTarget, 0);
    if (!target)
    {
        g_Console.Print2("Brak obiektu docelowego rakiety: ", r->rocketTarget);
        return;
    }
    D3DVECTOR from, to;
    g_Engine.GetObjectPosition(launcher, &from);
    g_Engine.GetObjectPosition(target, &to);
    D3DXVECTOR3 direction(to.x - from.x, to.y - from.y, to.z - from.z);
    const float distance = D3DXVec3Length(&direction);
    // A launcher standing on its target has no direction to fly.
    if (!(distance > 0.0f) || !std::isfinite(distance))
    {
        g_Console.Print4("ERROR: the rocket from ", r->rocketLauncher, " has no way to ", r->rocketTarget);
        return;
    }
    RocketLaunch launch;
    launch.vFrom = D3DXVECTOR3(from.x, from.y, from.z);
    launch.vDirection = direction;
    launch.fSpeed = r->rocketSpeed;
    launch.hShooter = launcher;
    launch.fLifeLeft = distance / r->rocketSpeed;
    LaunchWorldRocket(launch);
}

// ---- Named actions and hits -----------------------------------------------------------------

void GameAI::ActivateAIAction(const char* name)
{
    if (!m_pCurrentLevel || !name || !name[0] || g_MainGame.m_iLevelFrame < kFirstNamedActionFrame)
        return;
    for (strakcje* a = m_pCurrentLevel->actions; a; a = a->older)
        if (a->name[0] && CompareNoCase(a->name, name) == 0)
            ExecuteCommand(a);
}

bool GameAI::HasAIEntry(const char* name)
{
    if (!m_pCurrentLevel || !name || !name[0])
        return false;
    for (strakcje* a = m_pCurrentLevel->actions; a; a = a->older)
        if (CompareNoCase(a->ifDead, name) == 0)
            return true;
    return false;
}

// Names are kept cut to 63 characters, and `if_hit` compares the cut forms,
// so a long object name still registers and matches.
void GameAI::RegisterHit(const char* name)
{
    if (!name || !name[0])
        return;
    for (auto& hit : m_szHits)
        if (!hit[0])
        {
            CopyCut(hit, sizeof hit, name);
            if (g_Options.Debug > 2)
                g_Console.Print2("GameAI zarejestrowalo trafienie obiektu ", name);
            return;
        }
    if (g_Options.Debug > 2)
        g_Console.Print3("obiekt ", name, " postrzelony NIE zarejestrowany - OVERFLOW");
}

bool GameAI::WasHit(const char* name) const
{
    char cut[strzmienne::NAME_SIZE];
    CopyCut(cut, sizeof cut, name);
    for (const auto& hit : m_szHits)
        if (hit[0] && CompareNoCase(hit, cut) == 0)
            return true;
    return false;
}

// ---- Save section ------------------------------------------------------------------------------

// The `once` part is always written, an empty one as the closing byte alone,
// so the section reads the same whether or not the loading game has scripts
// for the world.
bool GameAI::Save(FILE* file)
{
    bool ok = SaveVariables(file);
    if (m_pCurrentLevel)
        for (const strakcje* a = m_pCurrentLevel->actions; a; a = a->older)
        {
            if (!a->once || !a->name[0])
                continue;
            ok = WriteBytes(file, &kOnceEntry, 1) && ok;
            ok = WriteString(file, a->name) && ok;
            ok = WriteBytes(file, &a->done, 1) && ok;
        }
    ok = WriteBytes(file, &kOnceEnd, 1) && ok;
    return ok;
}

bool GameAI::Load(FILE* file)
{
    if (!LoadVariables(file))
        return false;
    for (;;)
    {
        BYTE marker = kOnceEnd;
        if (!ReadBytes(file, &marker, 1))
            return false;
        if (marker == kOnceEnd)
            return true;
        char name[AI_NAME_SIZE];
        BYTE done = 0;
        if (!ReadString(file, name, sizeof name) || !ReadBytes(file, &done, 1))
            return false;
        if (!m_pCurrentLevel)
            continue;
        for (strakcje* a = m_pCurrentLevel->actions; a; a = a->older)
            if (a->once && a->name[0] && CompareNoCase(a->name, name) == 0)
            {
                a->done = done;
                g_Console.Print3("Oznaczam akcje ", a->name, done ? " jako executed." : " jako NIE executed");
            }
    }
}
