// QuestSystem: running the command list from level frame 209, the waits, the
// warzones and the other fail conditions, the drawing over the HUD and the
// "QuestSystem" save section.
#include "game/QuestSystem.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "game/BezierFollowState.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/QuestSystemCalls.h"
#include "environment/FxInstance.h"
#include "game/Rockets.h"
#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"
#include "player/Player.h"
#include "render/Font.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/RecordBytes.h"
#include "shell/SaveFile.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/GameMusic.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace
{
// The codes the runner names (their rows in the command table).
enum Code : DWORD
{
    WAIT = 0,
    GOTO,
    SET,
    UNSET,
    ACTIVATE,
    HERO_DIALOGUE,
    SUPER_LINE,
    USE,
    BEZIER_MOVE,
    SOUND_AMBIENT,
    MUSIC,
    ENEMIES_DEAD,
    SET_WARZONE,
    SET_HIDE_ZONE,
    ALLOW_SHOOTING,
    FORBID_SHOOTING,
    UNHIDE,
    HIDE,
    SET_ANIM,
    SET_FAIL_ON_SHOT,
    UNSET_FAIL_ON_SHOT,
    MARK_CHARACTER,
    UNMARK_CHARACTER,
    WAIT_END_HERO_DIALOGUE,
    ENEMY_DEAD,
    START_WORLD,
    ALLOW_OBE,
    FORBID_OBE,
    ALARM,
    ROCKET,
    SECTOR_SHOW,
    SECTOR_HIDE,
    FAR_Z,
    CHECKPOINT,
    KILL_EM_ALL,
    MISSION_FAILED,
    MOVEMENT_RADIUS_ON,
    MOVEMENT_RADIUS_OFF,
    COMBAT_MODE_ON,
    COMBAT_MODE_OFF,
    ALLOW_BEZIER_PASS_BLOCKERS,
    FORBID_BEZIER_PASS_BLOCKERS,
    SET_DETAILED_SHADOW,
    IMMORTAL_CHARACTER,
    MORTAL_CHARACTER,
    SET_GRASS_WIDTH,
    PANORAMIC_ON,
    PANORAMIC_OFF,
    SET_FAIL_ON_ENEMY_REACH,
    UNSET_FAIL_ON_ENEMY_REACH,
    CHARACTER_PHASE,
    SET_ROTATE_TO_PLAYER,
    UNSET_ROTATE_TO_PLAYER,
    CHARACTER_TELEPORT,
    CAMERA_MOVE,
    CAMERA_STOP,
    FOV,
    FADE_OUT,
    FADE_IN,
    OBJECT_TELEPORT,
    BLACK_OUT,
    SOUND_3D,
    SOUND,
    PLAYER_START_MOVING_ON_OBJECT,
    PLAYER_STOP_MOVING_ON_OBJECT,
    WAIT_OBJECT_DESTROYED,
    WIND_CALM,
    WIND_NORMAL,
    MOVE_CHARACTER,
    SET_LOOK_AT,
    UNSET_LOOK_AT,
    ALLOW_CLOUDS,
    FORBID_CLOUDS,
    SET_HELI_SOUND,
    UNSET_WARZONE,
    UNSET_ALL_WARZONES,
    SET_PLAYER_LOOK_AT,
    UNSET_PLAYER_LOOK_AT,
    SET_DOF_TARGET,
    UNSET_DOF_TARGET,
    DIALOGUE,
    WAIT_END_DIALOGUE,
    GUN_FORBID_DISMOUNTING,
    GUN_ALLOW_DISMOUNTING,
    GUN_DISMOUNT,
    BATTLEFIELD_ENABLE,
    SET_PHASE,
    DELETE_CHARACTER,
    BF_ATTACK,
    GUN_FORBID_MOUNTING,
    GUN_ALLOW_MOUNTING,
    QUIT,
    WHITE_ON,
    WHITE_OFF,
};
static_assert(WHITE_OFF + 1 == QuestSystem::COMMAND_COUNT);

constexpr float kStartFade = 0.4f;
constexpr DWORD kDetailedShadowFlag = 0x1000000;
constexpr DWORD kRotateToPlayerFlag = 0x80000000u;
constexpr DWORD kHiddenFlags = 128;
constexpr DWORD kHiddenFlags2 = 403771456;
constexpr DWORD kAllFlags = 0xFFFFFFFFu;
constexpr float kWarningX = 512.0f, kWarningY = 420.0f, kCountdownGap = 36.0f;
constexpr DWORD kWarningColour = 0xFFFFFFB0, kCountdownColour = 0xFFFF0000;
constexpr float kWarningSize = 32.0f, kCountdownSize = 24.0f;
constexpr float kEnemiesX = 980.0f, kEnemiesY = 400.0f, kEnemiesSize = 24.0f;
constexpr DWORD kHudTextColour = 0xFFD9D5BF;
const char* const kWarningKey = ">G36";
const char* const kEnemiesKey = ">G37";

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

HOBJECT Find(const char* name)
{
    return name && name[0] ? g_Engine.FindObject(name, 0) : nullptr;
}

D3DXVECTOR3 PositionOf(HOBJECT o)
{
    D3DVECTOR p;
    g_Engine.GetObjectPosition(o, &p);
    return D3DXVECTOR3(p.x, p.y, p.z);
}

// The mission's rocket flies from the launcher straight at the target's
// position of this moment.
void FireMissionRocket(HOBJECT launcher, HOBJECT target)
{
    constexpr float kSpeed = 8700.0f;
    constexpr float kSoundRange = 82000.0f;
    RocketLaunch launch;
    launch.vFrom = PositionOf(launcher);
    launch.vDirection = PositionOf(target) - launch.vFrom;
    launch.fSpeed = kSpeed;
    launch.hShooter = launcher;
    launch.szSound = ROCKET_SOUND;
    launch.fSoundRange = kSoundRange;
    // The mission's rocket is its powerful kind: it ends in the big blast,
    // and carries the mission's damage factor.
    constexpr float kMissionDamageFactor = 24.0f;
    if (EFxInstance* fx = LaunchWorldRocket(launch))
    {
        fx->m_bBigExplosion = 1;
        fx->m_fDamageFactor = kMissionDamageFactor;
    }
}

float HeroDistance(HOBJECT o)
{
    const D3DXVECTOR3 d =
        PositionOf(o) - D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    return D3DXVec3Length(&d);
}

bool SamePesel(const DWORD (&a)[3], const DWORD (&b)[3])
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// The text of ">" and a key, bounded; a key that does not fit gives "".
const char* KeyText(const char* key)
{
    char full[QS_TEXT_SIZE];
    if (!key || std::snprintf(full, sizeof full, ">%s", key) >= static_cast<int>(sizeof full))
        return "";
    return g_TextMgr.GetText(full);
}

// Hides or shows an object tree (the object, its child and sibling links).
// The mark is set (or cleared) before the links are followed, so two objects
// linked to each other end the walk.
struct HiddenMark
{
    HOBJECT object;
    DWORD pesel[3];
    DWORD flags, flags2;
};
std::vector<HiddenMark> g_Hidden;

int HiddenIndex(HOBJECT o)
{
    for (size_t i = 0; i < g_Hidden.size(); ++i)
        if (g_Hidden[i].object == o && SamePesel(g_Hidden[i].pesel, o->PESEL))
            return static_cast<int>(i);
    return -1;
}

void HideTree(HOBJECT o)
{
    if (!o || !o->bUsed || HiddenIndex(o) >= 0)
        return;
    g_Hidden.push_back({o, {o->PESEL[0], o->PESEL[1], o->PESEL[2]}, o->dwFlags, o->dwFlags2});
    g_Engine.SetObjectFlags(o, kHiddenFlags, kAllFlags);
    g_Engine.SetObjectFlags2(o, kHiddenFlags2, kAllFlags);
    g_HeliMgr.HideHeli(o);
    g_SkyShadow.m_bRendered[0] = 0;
    if (o->pPhysicsBody)
    {
        g_PhysicsMgr.PlaceTruckBodyBelowObject(o);
        if (const ETruck* truck = g_PhysicsMgr.GetTruck(o))
            for (DWORD w = 0; w < truck->iNumWheels; ++w)
                HideTree(truck->hWheel[w]);
    }
    QuestCalls::Note("QuestSystem hide %s", o->szName);
    HideTree(o->pLinked1);
    HideTree(o->pLinked2);
}

void UnhideTree(HOBJECT o)
{
    const int i = o && o->bUsed ? HiddenIndex(o) : -1;
    if (i < 0)
        return;
    const HiddenMark mark = g_Hidden[i];
    g_Hidden.erase(g_Hidden.begin() + i);
    g_Engine.SetObjectFlags(o, mark.flags, kAllFlags);
    g_Engine.SetObjectFlags2(o, mark.flags2, kAllFlags);
    g_HeliMgr.UnhideHeli(o);
    if (o->pPhysicsBody)
    {
        g_PhysicsMgr.PlaceTruckBodyAtObject(o);
        if (const ETruck* truck = g_PhysicsMgr.GetTruck(o))
            for (DWORD w = 0; w < truck->iNumWheels; ++w)
                UnhideTree(truck->hWheel[w]);
    }
    QuestCalls::Note("QuestSystem unhide %s", o->szName);
    UnhideTree(o->pLinked1);
    UnhideTree(o->pLinked2);
}

void Teleport(const QuestCommand& c)
{
    HOBJECT o = Find(c.arg1);
    HOBJECT target = Find(c.arg2);
    if (!o || !target)
    {
        g_Console.Print2("Object_Teleport can't find object ", o ? c.arg2 : c.arg1);
        return;
    }
    const D3DXVECTOR3 at = PositionOf(target);
    g_Engine.SetObjectPosition(o, &at, 0);
}
} // namespace

const QuestCommand* QuestSystem::Current() const
{
    return m_iCurrent >= 0 && m_iCurrent < static_cast<int>(m_Commands.size()) ? &m_Commands[m_iCurrent]
                                                                               : nullptr;
}

int QuestSystem::ArmedWarzones() const
{
    int n = 0;
    for (const QuestWarzone& zone : m_Warzones)
        n += zone.active ? 1 : 0;
    return n;
}

void QuestSystem::Update()
{
    if (m_Commands.empty())
        return;
    if (g_MainGame.m_iLevelFrame < FIRST_FRAME)
    {
        // The fade from black is asked every frame until the start.
        QuestCalls::Note("Panel::FadeIn %.2f", kStartFade);
        g_Panel.FadeIn(kStartFade);
        return;
    }
    if (OBE.m_bRunning || PlayerStats.m_bDead || PlayerStats.m_bMissionFailed)
        return;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    if (m_iCurrent < 0 && !m_bStarted)
    {
        ActionCalls::PanelFadeIn(kStartFade);
        m_bStarted = 1;
        m_dStartSeconds = Seconds();
        ExecuteCommand(0);
    }
    else if (m_iCurrent >= 0)
        UpdateWaiting();
    if (ArmedWarzones() > 0 && !g_Options.mucha)
        CheckWarzones();
    else
        m_fOutsideTime = 0.0f;
    if (m_bFailOnReach)
        CheckReach();
    if (m_bFailOnShot)
        CheckShot();
}

void QuestSystem::Finish()
{
    m_iCurrent = -1;
    g_Console.Print("Koniec QS");
    char text[96];
    std::snprintf(text, sizeof text, "QuestSystem was active for %.2f seconds.", Seconds() - m_dStartSeconds);
    g_Console.Print(text);
}

void QuestSystem::ExecuteCommand(int command)
{
    for (int i = command; i >= 0 && i < static_cast<int>(m_Commands.size()); ++i)
    {
        m_iCurrent = i;
        m_WaitObject = QuestObjectRef();
        QuestCommand& c = m_Commands[i];
        if (c.comment[0])
            g_Console.Print2("QS comment: ", c.comment);
        if (c.objective[0])
            QuestCalls::TaskSet(c.objective);
        if (c.waypoint[0])
            g_EngineObject.SetDirectionPointerTarget(c.waypoint);
        if (c.explosiveTarget[0])
            g_EngineObject.SetExplosiveTarget(c.explosiveTarget);
        if (c.code == ENEMIES_DEAD || c.code == ENEMY_DEAD)
            m_fWaitTime = 1.0f;
        if (Run(c))
            return;
        // A command may end the level (the list is freed with it).
        if (m_iCurrent != i)
            return;
    }
    Finish();
}

bool QuestSystem::Run(QuestCommand& c)
{
    switch (c.code)
    {
    case WAIT:
        m_fWaitTime = c.value;
        return true;
    case GOTO:
    case USE:
    case ENEMIES_DEAD:
    case ENEMY_DEAD:
    case WAIT_END_HERO_DIALOGUE:
    case WAIT_OBJECT_DESTROYED:
    case WAIT_END_DIALOGUE:
        return true;
    case SET:
        g_GameAI.SetVariable(c.arg1, nullptr);
        return false;
    case UNSET:
        g_GameAI.UnsetVariable(c.arg1, nullptr);
        return false;
    case ACTIVATE:
        QuestCalls::CharacterActivateParams(c.gotoTarget, c.bezier, c.phaseOnTarget, c.dontInterrupt,
                                            c.alwaysInSight, c.stopRunningWhenShot);
        if (HOBJECT o = Find(c.arg1))
            g_EngineObject.RunObjectActions(o, 0);
        QuestCalls::CharacterActivateParams("", "", "", 0, 0, 0);
        return false;
    case HERO_DIALOGUE:
        ActionCalls::DialogueStartHero(c.arg1);
        return false;
    case SUPER_LINE:
        g_Panel.SetCaption(KeyText(c.arg1));
        return false;
    case BEZIER_MOVE:
        if (HOBJECT o = Find(c.arg1))
        {
            // The follow state starts afresh on the named path.
            BezierFollowState follow;
            CopyCut(follow.szStartNode, sizeof follow.szStartNode, c.bezier);
            follow.bOn = 1;
            g_Engine.SetObjectBezierFollowState(o, &follow);
            g_Engine.StartBezierMoving(o);
        }
        else
            g_Console.Print2("QS ERROR: not existing object for bezier_move: ", c.arg1);
        return false;
    case SOUND_AMBIENT:
        g_EngineObject.SetAmbientSound(c.arg1, 1.0f);
        return false;
    case MUSIC:
        g_GameMusic.Start(c.arg1, c.loop, 0);
        return false;
    case SET_WARZONE:
        SetWarzone(c);
        return false;
    case SET_HIDE_ZONE:
        QuestCalls::HeroCall("SetHideZone", c.arg1);
        Player.SetHideZone(c.arg1, c.distance);
        return false;
    case ALLOW_SHOOTING:
    case FORBID_SHOOTING:
        QuestCalls::HeliShooting(c.arg1, c.code == ALLOW_SHOOTING, c.distance, c.burst, c.burstInterval);
        return false;
    case UNHIDE:
        UnhideTree(Find(c.arg1));
        return false;
    case HIDE:
        HideTree(Find(c.arg1));
        return false;
    case SET_ANIM:
        if (HOBJECT o = Find(c.arg1))
            g_Engine.SetObjectAnimation(o, c.arg2, c.loop, 0.2f, 1.0f);
        return false;
    case SET_FAIL_ON_SHOT:
        m_bFailOnShot = 1;
        m_bShotTriggered = 0;
        m_fShotTimer = 0.0f;
        m_fFailOnShotDelay = c.value;
        return false;
    case UNSET_FAIL_ON_SHOT:
        m_bFailOnShot = 0;
        return false;
    case MARK_CHARACTER:
    case UNMARK_CHARACTER:
        PMgr.MarkCharacter(c.arg1, c.code == MARK_CHARACTER ? 1 : 0);
        return false;
    case START_WORLD:
        g_MainGame.ScheduleWorldStart(c.arg1);
        return true;
    case ALLOW_OBE:
    case FORBID_OBE:
        QuestCalls::KillCamAllowed(c.code == ALLOW_OBE);
        return false;
    case ALARM:
        QuestCalls::CharacterCall("AlarmCharacter", c.arg1);
        return false;
    case ROCKET:
        if (!Find(c.arg1) || !Find(c.arg2))
            g_Console.Print2("QSRocket: brak ", Find(c.arg1) ? c.arg2 : c.arg1);
        else
            FireMissionRocket(Find(c.arg1), Find(c.arg2));
        return false;
    case SECTOR_SHOW:
    case SECTOR_HIDE:
        if (c.number > 0)
            g_Engine.SetSectorHidden(static_cast<DWORD>(c.number), c.code == SECTOR_HIDE);
        return false;
    case FAR_Z:
        if (c.value >= 1.0f)
            g_Camera.SetFarPlane(c.value);
        return false;
    case CHECKPOINT:
        ActionCalls::SaveCheckpoint();
        return false;
    case KILL_EM_ALL:
        QuestCalls::KillEmAll(c.value);
        return false;
    case MISSION_FAILED:
        g_Console.Print("QS odpala GameFailed");
        GameFailed(0);
        return false;
    case MOVEMENT_RADIUS_ON:
        Player.MovementRadiusOn(c.value);
        return false;
    case MOVEMENT_RADIUS_OFF:
        Player.MovementRadiusOff();
        return false;
    case COMBAT_MODE_ON:
    case COMBAT_MODE_OFF:
        Player.SetCombatMode(c.code == COMBAT_MODE_ON);
        return false;
    case ALLOW_BEZIER_PASS_BLOCKERS:
    case FORBID_BEZIER_PASS_BLOCKERS:
        if (HOBJECT o = Find(c.arg1))
            o->bPassBlockers = c.code == ALLOW_BEZIER_PASS_BLOCKERS;
        return false;
    case SET_DETAILED_SHADOW:
        if (HOBJECT o = Find(c.arg1))
            g_Engine.SetObjectFlags(o, kDetailedShadowFlag, kDetailedShadowFlag);
        return false;
    case IMMORTAL_CHARACTER:
    case MORTAL_CHARACTER:
        if (!QuestCalls::CharacterMortality(c.arg1, c.code == MORTAL_CHARACTER))
            g_Console.Print2(c.code == MORTAL_CHARACTER ? "QS Nie znalazl MortalCharacter "
                                                        : "QS Nie znalazl ImmortalCharacter ",
                             c.arg1);
        return false;
    case SET_GRASS_WIDTH:
        return false;
    case PANORAMIC_ON:
    case PANORAMIC_OFF:
        g_Panel.m_bPanoramic = c.code == PANORAMIC_ON;
        return false;
    case SET_FAIL_ON_ENEMY_REACH:
        m_bFailOnReach = 1;
        CopyCut(m_szReachObject, sizeof m_szReachObject, c.arg1);
        m_fReachRadius = c.distance;
        return false;
    case UNSET_FAIL_ON_ENEMY_REACH:
        m_bFailOnReach = 0;
        return false;
    case CHARACTER_PHASE:
        if (ActionCalls::CharacterExists(c.arg1))
            ActionCalls::CharacterForcePhase(c.arg1, c.arg2);
        else
            g_Console.Print2("QS cannot find character to set phase: ", c.arg1);
        return false;
    case SET_ROTATE_TO_PLAYER:
    case UNSET_ROTATE_TO_PLAYER:
        if (HOBJECT o = Find(c.arg1))
            g_Engine.SetObjectFlags2(o, c.code == SET_ROTATE_TO_PLAYER ? kRotateToPlayerFlag : 0,
                                     kRotateToPlayerFlag);
        return false;
    case CHARACTER_TELEPORT:
        if (HOBJECT target = Find(c.arg2))
            ActionCalls::CharacterTeleport(c.arg1, PositionOf(target));
        else
            g_Console.Print2("QS cannot find target for character_teleport: ", c.arg2);
        return false;
    case CAMERA_MOVE:
        g_MainGame.CameraMove(c.cameraStart, c.cameraDest, c.cameraTarget, c.value);
        return false;
    case CAMERA_STOP:
        g_MainGame.CameraMoveStop();
        return false;
    case FOV:
        if (c.value > 0.0f)
        {
            g_Options.FOV = c.value;
            m_bFovSet = 1;
            m_fFovValue = c.value;
        }
        else
        {
            g_Options.FOV = g_Options.FOV2;
            m_bFovSet = 0;
        }
        return false;
    case FADE_OUT:
        ActionCalls::PanelFadeOut(c.value);
        return false;
    case FADE_IN:
        ActionCalls::PanelFadeIn(c.value);
        return false;
    case OBJECT_TELEPORT:
        Teleport(c);
        return false;
    case BLACK_OUT:
        QuestCalls::PanelBlackOut();
        return false;
    case SOUND_3D:
        if (HOBJECT o = Find(c.arg2))
        {
            const D3DXVECTOR3 at = PositionOf(o);
            g_SoundMgr.PlaySound3DOnce(c.arg1, &at, c.value);
        }
        else
            g_Console.Print2("sound_3d can't find object ", c.arg2);
        return false;
    case SOUND:
        g_SoundMgr.PlaySoundOnce(c.arg1, 1.0f, 0.0f);
        return false;
    case PLAYER_START_MOVING_ON_OBJECT:
        QuestCalls::HeroCall("StartMovingOnObject", c.arg1);
        Player.StartMovingOnObject(c.arg1, c.arg2);
        return false;
    case PLAYER_STOP_MOVING_ON_OBJECT:
        QuestCalls::HeroCall("StopMovingOnObject", "");
        Player.StopMovingOnObject();
        return false;
    case WIND_CALM:
    case WIND_NORMAL:
        QuestCalls::Wind(c.code == WIND_CALM);
        return false;
    case MOVE_CHARACTER:
        if (ActionCalls::CharacterExists(c.arg1))
            ActionCalls::CharacterRunTo(c.arg1, c.gotoTarget, c.bezier, c.phaseOnTarget, c.movingAnim);
        else
            g_Console.Print2("QS Move_Character - character NOT found: ", c.arg1);
        return false;
    case SET_LOOK_AT:
    case UNSET_LOOK_AT:
        if (ActionCalls::CharacterExists(c.arg1))
            QuestCalls::CharacterLookAt(c.arg1, c.code == SET_LOOK_AT ? c.arg2 : "");
        else if (Find(c.arg1))
            QuestCalls::Note("QuestSystem object look-at %s %s", c.arg1, c.code == SET_LOOK_AT ? c.arg2 : "");
        else
            g_Console.Print2("QS set_look_at - character NOT found: ", c.arg1);
        return false;
    case ALLOW_CLOUDS:
    case FORBID_CLOUDS:
        QuestCalls::HeroCall(c.code == ALLOW_CLOUDS ? "AllowClouds" : "ForbidClouds", "");
        Player.m_bAllowClouds = c.code == ALLOW_CLOUDS ? 1 : 0;
        return false;
    case SET_HELI_SOUND:
        QuestCalls::HeliSound(c.arg1, c.arg2);
        return false;
    case UNSET_WARZONE:
        for (QuestWarzone& zone : m_Warzones)
            if (zone.active && CompareNoCase(zone.name, c.arg1) == 0)
                zone.active = 0;
        return false;
    case UNSET_ALL_WARZONES:
        for (QuestWarzone& zone : m_Warzones)
            zone.active = 0;
        return false;
    case SET_PLAYER_LOOK_AT:
        g_Camera.LookFrom(c.arg1, c.value);
        return false;
    case UNSET_PLAYER_LOOK_AT:
        g_Camera.LookFrom("", 0.0f);
        return false;
    case SET_DOF_TARGET:
        QuestCalls::OverlayName(c.arg1);
        return false;
    case UNSET_DOF_TARGET:
        QuestCalls::OverlayName("");
        return false;
    case DIALOGUE:
        ActionCalls::DialogueStart(c.arg1, c.arg3, c.arg4, c.arg5);
        return false;
    case GUN_FORBID_DISMOUNTING:
        QuestCalls::HeroCall("GunForbidDismounting", "");
        Player.m_bCanDismount = 0;
        return false;
    case GUN_ALLOW_DISMOUNTING:
        QuestCalls::HeroCall("GunAllowDismounting", "");
        Player.m_bCanDismount = 1;
        return false;
    case GUN_DISMOUNT:
        QuestCalls::HeroCall("GunDismount", c.arg1);
        Player.DismountGun(1, c.arg1[0] ? c.arg1 : nullptr);
        return false;
    case BATTLEFIELD_ENABLE:
        QuestCalls::BattlefieldEnable(c.arg1);
        return false;
    case SET_PHASE:
        ActionCalls::CharacterForcePhase(c.arg1, c.arg2);
        return false;
    case DELETE_CHARACTER:
        QuestCalls::CharacterDelete(c.arg1);
        return false;
    case BF_ATTACK:
        QuestCalls::BattlefieldAttack(c.arg1);
        return false;
    case GUN_FORBID_MOUNTING:
    case GUN_ALLOW_MOUNTING:
    {
        const char* word = c.code == GUN_FORBID_MOUNTING ? "QS: GunForbidMounting " : "QS: GunAllowMounting ";
        HOBJECT gun = Find(c.arg1);
        if (!gun)
            g_Console.Print3(word, c.arg1, " doesn't exist!");
        else if (!QuestCalls::GunMounting(gun, c.code == GUN_ALLOW_MOUNTING))
            g_Console.Print3(word, c.arg1, " NOT a gun!");
        return false;
    }
    case QUIT:
        g_Engine.RequestQuit();
        return true;
    case WHITE_ON:
    case WHITE_OFF:
        QuestCalls::PanelWhite(c.code == WHITE_ON, c.value);
        return false;
    default:
        return false;
    }
}

void QuestSystem::UpdateWaiting()
{
    QuestCommand* c = m_iCurrent >= 0 && m_iCurrent < static_cast<int>(m_Commands.size())
                          ? &m_Commands[m_iCurrent]
                          : nullptr;
    if (!c)
        return;
    const int next = m_iCurrent + 1;
    switch (c->code)
    {
    case WAIT:
        m_fWaitTime -= m_fFrameTime;
        if (m_fWaitTime < 0.0f)
            ExecuteCommand(next);
        return;
    case GOTO:
    {
        HOBJECT o = m_WaitObject.Get(c->arg1);
        if (!o)
        {
            g_Console.Print3("QS: Goto target ", c->arg1, " NOT found!");
            ExecuteCommand(next);
        }
        else if (HeroDistance(o) < c->distance)
            ExecuteCommand(next);
        return;
    }
    case USE:
    {
        HOBJECT o = m_WaitObject.Get(c->arg1);
        if (!o || o->bActionHasRun)
            ExecuteCommand(next);
        return;
    }
    case ENEMIES_DEAD:
        m_fWaitTime -= m_fFrameTime;
        if (m_fWaitTime <= 0.0f)
        {
            m_iEnemiesLeft = QuestCalls::EngagedEnemiesWithin(c->value);
            if (m_iEnemiesLeft == 0)
                ExecuteCommand(next);
        }
        return;
    case ENEMY_DEAD:
        m_fWaitTime -= m_fFrameTime;
        // Missing or dead: no live character carries the name.
        if (m_fWaitTime <= 0.0f && !PMgr.FindCharacterByName(c->arg1, true))
            ExecuteCommand(next);
        return;
    case WAIT_END_HERO_DIALOGUE:
        if (!QuestCalls::HeroDialogueRunning())
            ExecuteCommand(next);
        return;
    case WAIT_END_DIALOGUE:
        if (!QuestCalls::DialogueRunning())
            ExecuteCommand(next);
        return;
    case WAIT_OBJECT_DESTROYED:
    {
        HOBJECT o = m_WaitObject.Get(c->arg1);
        if (!o || o->bDead)
            ExecuteCommand(next);
        return;
    }
    default:
        return;
    }
}

void QuestSystem::OnObjectUsed(HOBJECT object)
{
    const QuestCommand* c = Current();
    if (object && c && c->code == USE && CompareNoCase(c->arg1, object->szName) == 0)
        ExecuteCommand(m_iCurrent + 1);
}

void QuestSystem::OnEnemyDead(const char* character, const D3DVECTOR& position)
{
    const QuestCommand* c = Current();
    if (!character || !c || c->code != ENEMY_DEAD || m_fWaitTime > 0.0f)
        return;
    bool done = CompareNoCase(character, c->arg1) == 0;
    // With a distance, a death near the named character counts too.
    if (!done && c->distance >= 1.0f)
        if (const strpostac* named = PMgr.FindCharacterByName(c->arg1, false))
        {
            const D3DXVECTOR3 d = named->position - D3DXVECTOR3(position.x, position.y, position.z);
            done = D3DXVec3Length(&d) < c->distance;
        }
    if (done)
        ExecuteCommand(m_iCurrent + 1);
}

void QuestSystem::OnPlayerShot()
{
    ++m_iPlayerShots;
    if (m_bFailOnShot && !m_bShotTriggered)
    {
        m_bShotTriggered = 1;
        m_fShotTimer = 0.0f;
    }
}

void QuestSystem::ResetShotTrigger()
{
    m_bShotTriggered = 0;
    m_fShotTimer = 0.0f;
}

void QuestSystem::ApplyFov()
{
    if (!m_bFovSet)
        return;
    g_Options.FOV = m_fFovValue;
    g_Camera.UpdateProjection();
}

// ---- Fail conditions ----------------------------------------------------------------------

void QuestSystem::SetWarzone(const QuestCommand& c)
{
    if (!Current() || !Find(c.arg1) || c.distance < 1.0f)
    {
        g_Console.Print2("Error: SetWarzone NIE znalazlo obiektu ", c.arg1);
        return;
    }
    for (QuestWarzone& zone : m_Warzones)
    {
        if (zone.active)
            continue;
        zone = QuestWarzone();
        zone.active = 1;
        CopyCut(zone.name, sizeof zone.name, c.arg1);
        zone.radius = c.distance;
        const char* warning = c.text[0] ? KeyText(c.text) : g_TextMgr.GetText(kWarningKey);
        CopyCut(m_szWarningText, sizeof m_szWarningText, warning);
        return;
    }
    g_Console.Print("MAX_WARZONES exceeded!");
}

HOBJECT QuestObjectRef::Get(const char* name)
{
    HOBJECT o = found;
    if (o && o->bUsed && SamePesel(pesel, o->PESEL) && CompareNoCase(o->szName, name) == 0)
        return o;
    o = Find(name);
    found = o;
    if (o)
        std::memcpy(pesel, o->PESEL, sizeof pesel);
    return o;
}

void QuestSystem::CheckWarzones()
{
    if (std::strlen(m_szWarningText) < 3)
        CopyCut(m_szWarningText, sizeof m_szWarningText, g_TextMgr.GetText(kWarningKey));
    for (QuestWarzone& zone : m_Warzones)
    {
        if (!zone.active)
            continue;
        HOBJECT o = zone.object.Get(zone.name);
        if (!o)
        {
            zone.active = 0;
            continue;
        }
        if (HeroDistance(o) < zone.radius)
        {
            m_fOutsideTime = 0.0f;
            return;
        }
    }
    m_fOutsideTime += m_fFrameTime;
    if (m_fOutsideTime > WARZONE_FAIL_SECONDS)
    {
        m_fOutsideTime = 0.0f;
        for (QuestWarzone& zone : m_Warzones)
            zone.active = 0;
        g_Console.Print("Warzone odpala GameFailed");
        GameFailed(0);
    }
}

void QuestSystem::CheckReach()
{
    HOBJECT o = Find(m_szReachObject);
    if (!o)
    {
        m_bFailOnReach = 0;
        return;
    }
    const D3DXVECTOR3 at = PositionOf(o);
    if (QuestCalls::EnemyWithin(&at.x, m_fReachRadius))
    {
        g_Console.Print("FailOnEnemyReach odpala GameFailed");
        GameFailed(0);
    }
}

void QuestSystem::CheckShot()
{
    if (!m_bShotTriggered)
        return;
    m_fShotTimer += m_fFrameTime;
    if (m_fShotTimer > m_fFailOnShotDelay)
    {
        g_Console.Print("FailOnShot odpala GameFailed");
        GameFailed(0);
    }
}

// ---- Drawing and the console ----------------------------------------------------------------

void QuestSystem::DrawDebug()
{
    if (ArmedWarzones() > 0 && m_fOutsideTime > WARZONE_WARN_SECONDS)
    {
        const float y = kWarningY * g_Options.fScreenScaleY;
        const float x = kWarningX * g_Options.fScreenScaleX;
        g_Font.DrawText(m_szWarningText, x, y, kWarningColour, kWarningSize, 0, true, false);
        const float left = std::fmax(0.0f, WARZONE_FAIL_SECONDS - m_fOutsideTime);
        const unsigned whole = static_cast<unsigned>(left);
        const unsigned hundredths = static_cast<unsigned>((left - whole) * 100.0f) % 100;
        char seconds[8];
        CopyCut(seconds, sizeof seconds, TwoDigitString(whole));
        char countdown[24];
        std::snprintf(countdown, sizeof countdown, "%s:%s", seconds, TwoDigitString(hundredths));
        g_Font.DrawText(countdown, x, (kWarningY + kCountdownGap) * g_Options.fScreenScaleY, kCountdownColour,
                        kCountdownSize, 0, true, false);
    }
    const QuestCommand* c = Current();
    if (c && c->code == ENEMIES_DEAD && c->display)
    {
        char text[QS_TEXT_SIZE + 16];
        std::snprintf(text, sizeof text, "%s %i", g_TextMgr.GetText(kEnemiesKey), m_iEnemiesLeft);
        g_Font.DrawText(text, kEnemiesX * g_Options.fScreenScaleX, kEnemiesY * g_Options.fScreenScaleY,
                        kHudTextColour, kEnemiesSize, 0, false, false);
    }
}

void QuestSystem::PrintActiveWarzones()
{
    char text[32];
    std::snprintf(text, sizeof text, "Active warzones: %i", ArmedWarzones());
    g_Console.Print(text);
    for (const QuestWarzone& zone : m_Warzones)
        if (zone.active)
            g_Console.Print2("  ", zone.name);
}

void QuestSystem::Reset()
{
    FreeCommands();
    for (QuestWarzone& zone : m_Warzones)
        zone.active = 0;
    m_bStarted = 0;
    g_Hidden.clear();
    QuestCalls::OverlayName("");
}

// ---- The save section -----------------------------------------------------------------------

bool QuestSystem::Save(FILE* file) const
{
    const QuestCommand* c = Current();
    bool ok = WriteBool(file, c != nullptr);
    if (c)
        ok = WriteDword(file, c->index) && ok;
    BYTE zones[MAX_WARZONES * WARZONE_RECORD_BYTES];
    RecordOut out(zones, sizeof zones);
    for (int i = 0; i < MAX_WARZONES; ++i)
    {
        const size_t at = static_cast<size_t>(i) * WARZONE_RECORD_BYTES;
        out.U8(at, m_Warzones[i].active);
        out.Chars(at + 1, m_Warzones[i].name, QuestWarzone::NAME_SIZE);
        out.F32(at + 516, m_Warzones[i].radius);
    }
    ok = WriteBytes(file, zones, sizeof zones) && ok;
    BYTE reach[REACH_RECORD_BYTES];
    RecordOut r(reach, sizeof reach);
    r.U8(0, m_bFailOnReach);
    r.Chars(1, m_szReachObject, REACH_NAME_SIZE);
    r.F32(260, m_fReachRadius);
    ok = WriteBytes(file, reach, sizeof reach) && ok;
    ok = WriteBool(file, m_bStarted != 0) && ok;
    ok = WriteBool(file, m_bFailOnShot != 0) && ok;
    ok = WriteBool(file, m_bShotTriggered != 0) && ok;
    ok = WriteFloat(file, m_fShotTimer) && ok;
    ok = WriteFloat(file, m_fFailOnShotDelay) && ok;
    ok = WriteFloat(file, m_fWaitTime) && ok;
    return ok;
}

bool QuestSystem::Load(FILE* file)
{
    BYTE hasCurrent = 0;
    DWORD index = 0;
    if (!ReadBool(file, &hasCurrent) || (hasCurrent && !ReadDword(file, &index)))
        return false;
    BYTE zones[MAX_WARZONES * WARZONE_RECORD_BYTES];
    BYTE reach[REACH_RECORD_BYTES];
    if (!ReadBytes(file, zones, sizeof zones) || !ReadBytes(file, reach, sizeof reach))
        return false;
    BYTE started = 0, failOnShot = 0, triggered = 0;
    float shotTimer = 0.0f, delay = 0.0f, waitTime = 0.0f;
    if (!ReadBool(file, &started) || !ReadBool(file, &failOnShot) || !ReadBool(file, &triggered) ||
        !ReadFloat(file, &shotTimer) || !ReadFloat(file, &delay) || !ReadFloat(file, &waitTime))
        return false;
    m_iCurrent = -1;
    m_WaitObject = QuestObjectRef();
    if (hasCurrent)
        for (size_t i = 0; i < m_Commands.size(); ++i)
            if (m_Commands[i].index == index)
            {
                m_iCurrent = static_cast<int>(i);
                break;
            }
    const RecordIn in(zones, sizeof zones);
    for (int i = 0; i < MAX_WARZONES; ++i)
    {
        const size_t at = static_cast<size_t>(i) * WARZONE_RECORD_BYTES;
        QuestWarzone& zone = m_Warzones[i];
        zone = QuestWarzone();
        zone.active = in.U8(at) ? 1 : 0;
        in.Chars(at + 1, zone.name, QuestWarzone::NAME_SIZE);
        zone.radius = in.F32(at + 516);
    }
    const RecordIn r(reach, sizeof reach);
    m_bFailOnReach = r.U8(0) ? 1 : 0;
    r.Chars(1, m_szReachObject, REACH_NAME_SIZE);
    m_fReachRadius = r.F32(260);
    m_bStarted = started;
    m_bFailOnShot = failOnShot;
    m_bShotTriggered = triggered;
    m_fShotTimer = shotTimer;
    m_fFailOnShotDelay = delay;
    m_fWaitTime = waitTime;
    // Neither is in the section: a load never keeps the running game's.
    m_bFovSet = 0;
    m_fOutsideTime = 0.0f;
    return true;
}
