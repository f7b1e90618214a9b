#include "player/Player.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "game/BulletHit.h"
#include "game/CutScene.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/QuestSystem.h"
#include "game/SaveMgr.h"
#include "physics/PhysicsMgr.h"
#include "physics/PlayerHeli.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "render/PostProcess.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Menu.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"
#include "world/ShakeParams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <string>

CPlayer Player;
EPlayerStats PlayerStats;

namespace
{
constexpr const char* HERO_MESH = "prefabs\\special\\hero.x";
constexpr const char* HERO_NAME = "hero";
constexpr const char* START_MARKER = "game_start_point";
constexpr DWORD kHeroFlags = 2048;
constexpr DWORD kHeroFlags2 = 0x18000000;
constexpr DWORD kHeroFlags3 = 128;

// Timing of the crouch, jump and aim keys.
constexpr float kHoldTime = 0.4f; // a key held longer is a hold, not a tap
constexpr float kCrouchAfterJump = 0.8f;
constexpr float kJumpSoundGap = 0.2f;
constexpr float kJumpStamina = 0.2f;
constexpr float kMinJumpStamina = 0.1f;

// Stamina.
constexpr float kRunDrain = 0.25f;
constexpr float kRefillMoving = 1.0f / 15.0f;
constexpr float kRefillStill = 1.0f / 8.0f;
constexpr float kExhausted = 0.1f;
constexpr float kRecovered = 0.2f;
constexpr float kBreathHalf = 0.5f;
constexpr float kBreathGapExhausted = 3.0f;
constexpr float kBreathGapHalf = 4.0f;

// Walking: acceleration on the ground and in the air, and the speed caps.
constexpr float kForwardAccel = 5.0f;
constexpr float kStrafeAccel = 4.0f;
constexpr float kAirAccel = 1.0f;
constexpr float kCapWalk = 0.09f;
constexpr float kCapRun = 0.2f;
constexpr float kCapCrouch = 0.05f;
constexpr float kCapAimBlend = 0.0603f;
constexpr float kFocusSlow = 0.67f;
constexpr float kAimBlendLimit = 0.2f;
constexpr float kFriction = 0.95f;
constexpr float kFrictionScale = 0.75f;
constexpr float kMinSpeed = 0.01f;
constexpr float kHurtWait = 0.5f;

// Footsteps.
constexpr float kStepRun = 0.35f;
constexpr float kStepWalk = 0.6f;
constexpr float kStepRangeRun = 20.0f;
constexpr float kStepRangeWalk = 3.0f;
constexpr int kStepSounds = 5;

// Body and eyes.
constexpr float kCrouchEye = -0.4f;
constexpr float kHalfWidth = 0.25f;
constexpr float kHalfStand = 0.92f;
constexpr float kHalfCrouch = 0.4f;
constexpr float kFeetStand = 0.9f;
constexpr float kFeetCrouch = 0.38f;
constexpr float kProbeDepth = 2.0f;
constexpr float kProbeLift = 0.04f;
constexpr float kProbeEvery = 0.1f;
constexpr float kLongFrame = 0.5f;
constexpr float kRadiusSlack = 0.1f;
constexpr float kRadiusStill = 10.0f;
constexpr float kRadiusNone = 0.1f;

// The view.
constexpr float kPitchLimit = 1.5358899f;
constexpr float kLookBlend = 0.85f;
constexpr float kLookBlendAimed = 0.65f;
constexpr float kLookAimBlend = 0.8f;
constexpr DWORD kSlowLookKind = 5;
constexpr float kEyeStand = 0.9f;
constexpr float kEyeCrouch = 0.4f;
constexpr float kEyeSpeed = 1.0f;
constexpr float kLeanRate = 0.25f;
constexpr float kLeanBack = 0.2f;
constexpr float kLeanMax = 0.04f;
constexpr float kLeanRoll = 1.9f;
constexpr float kBobStep = 11.5f;
constexpr float kBobSize = 0.1f;
constexpr float kBobEyeSide = 1.5f;
constexpr float kBobEyeUp = 1.2f;
constexpr float kBobWeaponSide = 0.1f;
constexpr float kBobWeaponUp = 0.05f;
constexpr float kPi = 3.14159265f;
constexpr float kDegree = kPi / 180.0f;
constexpr float kLookFromBlend = 2.0f; // the look from an object turns to it at twice the frame time
// The heartbeat slows the look.
constexpr float kHeartbeatLook = 0.001f;
constexpr float kHeartbeatLookMax = 0.99f;
constexpr float kHeartbeatBlendMin = 0.024f;
constexpr float kHeartbeatBlendMax = 0.4f;
// Sprinting: the bob without eye offset, and its pull on the aim.
constexpr float kSprintBobAfter = 0.4f;
constexpr float kSprintBobSide = 0.2f;
constexpr float kSprintBobUp = 0.125f;
constexpr float kBobSteerRun = 0.06f;
constexpr float kBobSteerWalk = 0.03f;
constexpr float kBobSteerAimedYaw = 0.5f;
constexpr float kBobSteerAimedPitch = 0.4f;
constexpr float kBobAimed = 0.5f; // above this aim blend the bob steers the aimed weapon
constexpr float kCatchUpTime = 0.2f;

// The recoil kick: the look and the eye pitch up by (k1 x aim blend + k2) x recoil.
struct ERecoilKick
{
    float k1;
    float k2;
};
constexpr ERecoilKick kLookKick = {0.06f, 0.08f};
constexpr ERecoilKick kLookKickAimed = {0.01f, 0.02f};
constexpr ERecoilKick kLookKickCrouchedAimed = {0.005f, 0.005f};
constexpr float kLookKickAimedAbove = 0.9f;
constexpr ERecoilKick kEyeKick = {0.05f, 0.04f};
constexpr ERecoilKick kEyeKickAimed = {0.02f, 0.015f};
constexpr ERecoilKick kEyeKickCrouchedAimed = {0.01f, 0.01f};
constexpr float kEyeKickAimedFrom = 0.5f;

// The scope's wobble and the held breath.
constexpr float kScopeAimBlend = 0.8f;
constexpr float kScopeSwayRecovering = 2.0f; // per second
constexpr float kScopeSwayRise = 0.1f;       // per second
constexpr float kScopeSwayPitch = 0.006f;
constexpr float kScopeSwayPitchRate = 0.8f;
constexpr float kScopeSwayYaw = 0.001f;
constexpr float kScopeSwayYawRate = 2.2f;
constexpr float kHoldFromSway = 0.2f;
constexpr float kBreathRate = 4.0f; // breath held counts this many a second
constexpr float kBreathOut = 15.0f;
constexpr float kBreathRecovery = 5.0f;
constexpr float kHoldTimeSpeed = 0.6f;
constexpr float kPartnerShot = 0.25f;
constexpr float kBreathSoundAfter = 4.0f; // no breath sound in the level's first seconds
constexpr const char* BREATH_IN_SOUND = "sounds\\hero\\chep.wav";
// The Geiger counter clicks while the hero is being hurt (radiation).
// The developer's test soldier.
constexpr const char* DRAISINE_NAME = "drezyna";
constexpr const char* TEST_SOLDIER_MODEL = "models\\postacie\\soldat1\\soldat1.x";
constexpr const char* TEST_SOLDIER_WEAPON = "prefabs\\bronie_static\\ak_low.x";
constexpr const char* TEST_SOLDIER_SOCKET = "ak47_prawa";
constexpr const char* TEST_SOLDIER_CROUCHING = "kuca_patrzy_lewo_prawo";
constexpr const char* TEST_SOLDIER_TALKING = "stoi_rozmawia1";
constexpr float kTestSoldierAhead = 3.0f;
constexpr DWORD TEST_SOLDIER_KIND = 2; // a character, for the segment tests and the HUD
constexpr int TEST_SOLDIER_SEEN = 9999999;
constexpr float kTestSoldierDrop = 20.0f;
constexpr const char* GEIGER_SOUND = "sounds\\special\\geiger01.wav";
constexpr float kGeigerHurt = 0.5f;
// The heartbeat loops while health is low.
constexpr const char* HEARTBEAT_SOUND = "sounds\\hero\\serducho.wav";
constexpr const char* BREATH_OUT_SOUND = "sounds\\hero\\wydech.wav";

// The sprint sway: 25 keys at 30 a second, offsets in 1/64 units and angles.
constexpr int SPRINT_SWAY_KEYS = 25;
constexpr float kSwayKeyTime = 1.0f / 30.0f;
constexpr float kSwayUnit = 1.0f / 64.0f;
constexpr float kSwayDelay = 0.4f;
constexpr float kSwayKeyPace = 0.5f; // the key time runs at half the frame time
constexpr float kSwayPitchScale = 2.0f;
constexpr float kSwayStrengthRate = 4.0f;
constexpr float kSwayStrength = 0.2f;
constexpr float kSwayStrengthTired = 0.3f;
constexpr float kSwayTiredBelow = 0.3f;
constexpr float kSwayOutOfCombat = 0.6f;
constexpr float kSwayShrinkFrom = 0.1f;
constexpr float kSwayShrinkRate = 16.0f;
constexpr float kSwayAngleReturn = 6.0f;
struct ESwayKey
{
    float offset[3];
    float angle[3];
};
constexpr ESwayKey SPRINT_SWAY[SPRINT_SWAY_KEYS] = {
    {{1.0786f, -3.4683f, 2.6305f}, {-0.0149f, 0.0417f, 0.0846f}},
    {{0.9313f, -2.1975f, 1.9652f}, {0.0036f, 0.0216f, 0.0680f}},
    {{0.8622f, -0.9031f, 0.9342f}, {0.0185f, 0.0108f, 0.0443f}},
    {{0.9124f, 0.2304f, -0.1742f}, {0.0396f, 0.0155f, 0.0144f}},
    {{1.0493f, 0.8982f, -0.6807f}, {0.0867f, 0.0503f, -0.0160f}},
    {{0.7611f, 0.7116f, 0.0753f}, {0.1469f, 0.0528f, -0.0191f}},
    {{0.0647f, 0.2190f, 1.1786f}, {0.1771f, 0.0158f, -0.0093f}},
    {{-0.9717f, -0.4301f, 2.3348f}, {0.1718f, -0.0541f, 0.0014f}},
    {{-1.9182f, -0.7773f, 2.9127f}, {0.1354f, -0.1051f, 0.0133f}},
    {{-2.6195f, -0.6069f, 2.7379f}, {0.0877f, -0.0932f, 0.0509f}},
    {{-3.1334f, -0.1170f, 2.0410f}, {0.0302f, -0.0559f, 0.0937f}},
    {{-3.4364f, 0.5887f, 0.9510f}, {-0.0275f, -0.0108f, 0.1304f}},
    {{-3.1777f, 1.1925f, 0.0968f}, {-0.0225f, 0.0172f, 0.1154f}},
    {{-2.3857f, 1.6845f, -0.6023f}, {0.0013f, 0.0363f, 0.0931f}},
    {{-1.1625f, 2.0819f, -1.2637f}, {0.0362f, 0.0427f, 0.0722f}},
    {{0.2070f, 2.3771f, -1.9746f}, {0.0585f, 0.0152f, 0.0795f}},
    {{1.0835f, 2.3634f, -2.7012f}, {0.0824f, -0.0068f, 0.0977f}},
    {{1.5734f, 2.1074f, -3.3335f}, {0.1084f, -0.0023f, 0.1173f}},
    {{1.7312f, 1.6516f, -3.7639f}, {0.1349f, 0.0345f, 0.1354f}},
    {{1.6923f, 0.9882f, -3.5800f}, {0.1443f, 0.0721f, 0.1421f}},
    {{1.6228f, 0.2222f, -2.8201f}, {0.1302f, 0.0853f, 0.1338f}},
    {{1.5426f, -0.6793f, -1.5460f}, {0.0988f, 0.0815f, 0.1180f}},
    {{1.4028f, -1.7282f, 0.1270f}, {0.0559f, 0.0682f, 0.1012f}},
    {{1.2031f, -2.8895f, 1.8058f}, {0.0081f, 0.0511f, 0.0894f}},
    {{1.0844f, -3.5195f, 2.6498f}, {-0.0157f, 0.0425f, 0.0852f}},
};

// Switching combat mode on selects this slot, or the first of the others that holds a weapon.
constexpr DWORD kCombatSlot = 3;
constexpr DWORD kCombatFallbackSlots[] = {1, 0};

// The crosshair probe.
constexpr float kAimProbeEvery = 0.2f;
constexpr DWORD kAimProbeAfterLoad = 5; // frames after a save game's level start
constexpr float kUseReach = 3.2f;
constexpr BYTE USE_NONE = 0;
constexpr float kInputFadeLimit = 0.5f; // above this HUD fade the hero takes no input
constexpr int CMD_TASK_LOG = 70;
constexpr int CMD_TASK = 71;
constexpr BYTE USE_NOW = 1;
constexpr float kLaserHearing = 0.0f;
constexpr float kLaserOpenLine = 4.0f;
constexpr float kLaserSight = 8.0f;
// The pick-up target.
constexpr float kPickupReach = 2.0f;
constexpr float kPickupCosine = 0.9f;

// Health.
constexpr float kRegenRun = 1.1f;
constexpr float kRegenWalk = 2.0f;
constexpr float kRegenStill = 4.0f;
constexpr float kRegenCrouch = 8.0f;
constexpr float kRegenEasy = 1.2f;
constexpr float kRegenHard = 0.7f;
constexpr float kPulseHealth = 20.0f;
constexpr float kPulseHalf = 50.0f;
constexpr float kPulseTime = 4.5f;
constexpr float kDeadBelow = 1.0f;
constexpr float kGodHealth = 1.01f;
constexpr float kDamageDelay = 5.0f;
constexpr float kLoadGrace = 4.0f;
constexpr float kLoadGraceFactor = 0.2f;
constexpr float kFallFree = 4.0f;
constexpr float kFallPerUnit = 13.0f;
constexpr float kExplosionRadius = 8.0f;
constexpr float kExplosionReach = 8.0f; // in radii
constexpr float kExplosionDamage = 70.0f;
constexpr float kExplosionLift = 0.25f;
constexpr float kHeroLift = 1.0f;
constexpr float kBulletScale = 1.2f * 0.4f;
constexpr float kBulletTail = 0.85f;
constexpr float kProtected = 0.7f;
constexpr float kBodyHitRange = 20.0f;
constexpr int kBodyHitSounds = 3;
constexpr float kSavedGrace = 5.0f;
constexpr float kSavedGraceHealth = 25.0f;
constexpr float kHitShake[SHAKE_VALUES] = {0.5f, 0.5f, 0.2f, 0.3f, 0.05f, 0.3f, 240.0f, 1.6f};
// A hit while aimed through a scope shakes harder and longer.
constexpr float kScopedHitShake[SHAKE_VALUES] = {0.9f, 0.7f, 0.2f, 0.3f, 0.05f, 0.3f, 240.0f, 2.6f};
constexpr float kRidingHitShake[SHAKE_VALUES] = {0.15f, 0.3f, 0.06f, 0.3f, 0.01f, 0.3f, 240.0f, 1.0f};
constexpr float kRidingHit = 0.6f; // riding or on a mounted gun
constexpr float kLadderSwayFall = 4.0f;
constexpr float kScopedHitAim = 0.8f;
// A blast's shake; its range is six blast radii.
constexpr float kBlastShake[SHAKE_VALUES] = {3.8f, 0.6f, 1.6f, 0.5f, 0.4f, 0.4f, 0.0f, 2.2f};
constexpr int kShakeRange = 6;
constexpr float kBlastShakeRanges = 6.0f;
constexpr const char* kBloodEffect = "afx_hit_blood01";
constexpr float kHeartbeatHealth = 40.0f;
constexpr float kOuchGap = 3.0f;
constexpr float kDeathWait = 2.0f;
constexpr float kDeathDrop = 8.0f;
constexpr float kDeathFloor = 0.4f;
constexpr float kDeathTurnRate = 0.7f;
constexpr float kDeathTurnMax = 1.0995574f;
constexpr float kDeathRoll = -1.3f;
constexpr float kDeathPitch = 0.8f;
constexpr float kKillerBlendMin = 0.01f;
constexpr float kKillerBlendMax = 0.95f;
constexpr float kKillerRollRate = 1.2f;
constexpr float kKillerRollMax = 1.5707963f;
constexpr const char* kDeathOverride = "HandlePlayerDeath";
constexpr const char* kDeathHandler = "PlayerDeathHandler";

// Difficulty: damage factor and floor, explosion factor.
struct EDifficulty
{
    float damage;
    float minDamage;
    float explosion;
};
constexpr EDifficulty kDifficulties[] = {
    {0.9f, 0.0f, 1.0f},
    {1.25f, 0.0f, 1.6f},
    {1.65f, 0.0f, 2.2f},
    {2.4f, 24.0f, 4.0f},
};
constexpr int kDifficultyCount = sizeof kDifficulties / sizeof kDifficulties[0];

const EDifficulty& Difficulty(int d)
{
    return kDifficulties[std::clamp(d, 0, kDifficultyCount - 1)];
}

int Random(int count)
{
    return count > 0 ? std::rand() % count : 0;
}

// The engine's forced view holds the camera at an object: the hero then
// neither moves it nor takes harm.
bool CameraDriven()
{
    return g_Engine.m_pLookFrom != nullptr;
}
bool Letterbox()
{
    return g_Panel.LetterboxOn();
}

// The hero's noises and his aim point: heard and seen by the characters for
// one update.
void AddAlarm(const D3DVECTOR& at, float hearing, float openLine, float sight)
{
    const D3DXVECTOR3 position(at.x, at.y, at.z);
    PMgr.AddAlarm(&position, hearing, openLine, 0, sight, 1, 0, 0);
}

// Whether the aimed object is a character's model; the HUD's crosshair then
// marks a partner, a civilian or else an enemy.
bool MarkCharacter(HOBJECT object)
{
    const strpostac* p = PMgr.FindCharacterByObject(object);
    if (!p)
        return false;
    if (p->partner)
        g_Panel.m_bFriendAimed = 1;
    else if (p->civilian)
        g_Panel.m_bOtherAimed = 1;
    else
        g_Panel.m_bEnemyAimed = 1;
    return true;
}
bool MountedByCharacter(const char* name)
{
    return PMgr.IsMountedByCharacter(name);
}
void ClearCrosshairMarks()
{
    g_Panel.m_bFriendAimed = g_Panel.m_bOtherAimed = g_Panel.m_bEnemyAimed = 0;
}

// The HUD's use prompt and pick-up target.
void ShowUseHint(BYTE use)
{
    g_Panel.m_bObjectAimed = use != 0;
    g_Panel.m_dwAimKind = use;
}
void ShowPickupTarget(const EItemInstance* item)
{
    g_Panel.m_bItemAimed = item != nullptr;
    CopyCut(g_Panel.m_szAimedItem, sizeof g_Panel.m_szAimedItem,
            item && item->m_pDesc ? item->m_pDesc->Name : "");
}

// The flown helicopter and a mounted gun take the mouse for their controls.
bool LookTakenElsewhere()
{
    return g_PlayerHeli.m_bFlying != 0 || Player.m_bOnGun != 0 || OBE.m_bRunning != 0;
}

bool SkipHero(HOBJECT candidate, RayTestUser user)
{
    return candidate != reinterpret_cast<HOBJECT>(user);
}

bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
} // namespace

// ---- Keys ----------------------------------------------------------------------------

bool CPlayer::CommandDown(int command) const
{
    return g_CommandMgr.IsCommandDown(command);
}

bool CPlayer::CommandPressed(int command, BYTE& latch) const
{
    const bool down = CommandDown(command);
    const bool pressed = down && !latch;
    latch = down ? 1 : 0;
    return pressed;
}

void CPlayer::LoadLastCheckpoint()
{
    ++m_iCheckpointLoads;
    g_SaveMgr.LoadLastCheckpoint();
}

bool CPlayer::QuickLoad()
{
    if (!CommandPressed(CMD_QUICK_LOAD, m_bQuickLoadLatch))
        return false;
    LoadLastCheckpoint();
    m_bLoadAsked = 1;
    return true;
}

// ---- Level ---------------------------------------------------------------------------

void CPlayer::RegisterScriptActions()
{
    TkRegisterScriptAction("hero position",
                           [](const std::string&)
                           {
                               char line[128];
                               std::snprintf(line, sizeof line, "Hero position %.4f %.4f %.4f look %.4f %.4f",
                                             Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z,
                                             g_Mouse.m_State.x, g_Mouse.m_State.y);
                               g_Console.Print(line);
                               return true;
                           });
    // The view matrix the last frame drew with: its forward column and its
    // translation, after the number of that frame.
    TkRegisterScriptAction(
        "camera view",
        [](const std::string&)
        {
            const D3DXMATRIX& v = g_Camera.m_mView;
            const uint32_t frame = TkFrameCount();
            char line[160];
            std::snprintf(line, sizeof line, "Camera view drawn by frame %u: %.5f %.5f %.5f %.5f %.5f %.5f",
                          frame > 0 ? frame - 1 : 0, v._13, v._23, v._33, v._41, v._42, v._43);
            g_Console.Print(line);
            return true;
        });
}

void CPlayer::Init()
{
    m_fStamina = 1.0f;
    m_bAllowClouds = 1;
    m_bExhausted = 0;
    m_fTimeSinceHurt = 10.0f;
    m_fTimeSinceExplosion = 5.0f;
    m_fTimeSinceDamage = 10.0f;
    m_fTimeSinceInit = 0.0f;
    m_fHitFlash = 1.0f;
    m_fHeartbeatLevel = 0.0f;
    m_fRadiation = 0.0f;
    m_Geiger.tried = 0;
    m_Heartbeat.tried = 0;
    m_fCrouchEyeOffset = 0.0f;
    m_bCrouched = 0;
    m_bJumping = 0;
    m_bUpdated = 0;
    m_bPhysicsSkip = 0;
    m_bRadiusOn = 0;
    m_iForceCrouch = 0;
    m_fFallStartY = NO_FALL;
    m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_fTimeSinceDeath = 0.0f;
    m_iCheckpointLoads = 0;
    m_hAimObject = nullptr;
    m_hPickupObject = nullptr;
    m_fAimTimer = 0.0f;
    m_fBreathHeld = m_fBreathRecovery = m_fScopeSway = 0.0f;
    m_bLookingFrom = 0;
    m_bOnLadder = 0;
    m_fLadderSway = 0.0f;
    m_fStepPhase = 0.0f;
    m_hSlideSound = nullptr;
    m_bRiding = 0;
    m_bOnGun = 0;
    m_bCanDismount = 1;
    m_bBezier = m_bBezierFast = 0;
    m_bCountdown = 0;
    m_hCountdownTarget = nullptr;
    m_hHideZone = nullptr;
    PlayerStats.m_bMissionFailed = 0;
    PlayerStats.m_bDead = 0;
    PlayerStats.m_fLevelTime = 0.0f;
    CreateHero();
    MoveToStart();
    if (!g_SaveMgr.m_bLoadedFromSave)
        SetCombatMode(true);
    g_PlayerHeli.InitHud();
}

void CPlayer::CreateHero()
{
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    m_hObject = g_Engine.CreateObject(OT_MESH, HERO_MESH, kHeroFlags, kHeroFlags2, &origin.x, nullptr);
    if (!m_hObject)
    {
        g_Console.Print("FATAL - brak Player.m_hObject");
        return;
    }
    g_Engine.SetObjectFlags3(m_hObject, kHeroFlags3, kHeroFlags3);
    g_Engine.SetObjectName(m_hObject, HERO_NAME);
    g_Engine.RespawnObject(m_hObject);
    g_Console.Print(m_hObject->pPhysicsBody ? "TworzPostacGracza - JEST bDurezPhysics"
                                            : "TworzPostacGracza - BRAK bDurezPhysics");
    D3DXVECTOR3 start = origin;
    if (HOBJECT marker = g_Engine.FindObject(START_MARKER, 0))
        start = marker->vPosition;
    g_PhysicsMgr.CreatePlayerController(&start);
}

void CPlayer::MoveToStart()
{
    HOBJECT marker = g_Engine.FindObject(START_MARKER, 0);
    if (!marker)
        return;
    m_fTimeSinceHurt = 10.0f;
    const D3DXVECTOR3 start = marker->vPosition;
    m_vPosition = start;
    m_vSafePosition = start;
    m_vPrevPosition = start;
    g_Engine.SetObjectPosition(m_hObject, &start, 0);
    m_hStandObject = nullptr;
    m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_fFallStartY = NO_FALL;
    g_PhysicsMgr.CreatePlayerController(&start);
    g_PhysicsMgr.WarpPlayer(&start);
    // The look yaw from the marker's flattened forward axis.
    D3DXVECTOR3 forward = marker->Orientation.Forward;
    forward.y = 0.0f;
    const float length = Length(forward);
    if (length > 0.0f)
    {
        forward /= length;
        float yaw = std::acos(std::clamp(forward.z, -1.0f, 1.0f));
        if (forward.x < 0.0f)
            yaw = -yaw;
        g_Mouse.m_State.x = yaw;
        g_Mouse.m_State.rawX = yaw;
        g_Mouse.m_State.y = 0.0;
    }
    SetHealth(PlayerStats.m_fMaxHealth, 1);
    m_Look = EOrientation(static_cast<float>(g_Mouse.m_State.x), 0.0f, 0.0f);
    if (!CameraDriven())
    {
        g_Camera.SetOrientation(m_Look);
        PlaceCamera();
    }
    g_QuestSystem.ResetShotTrigger();
    m_bOnLadder = 0;
}

void CPlayer::Release()
{
    StopSlideSound();
    StopMovingOnObject();
    g_PlayerHeli.Release();
    PlayerStats.m_bMissionFailed = 0;
    StopGeiger();
    StopHeartbeat();
    StopBreath();
    if (m_hObject)
        g_Engine.DeleteObject(m_hObject);
    m_hObject = nullptr;
    m_hStandObject = nullptr;
    m_hAimObject = nullptr;
    m_hPickupObject = nullptr;
    EndBreathHold();
}

// ---- Frame ---------------------------------------------------------------------------

void CPlayer::Update()
{
    // A kill-camera shot advances only in its branch below: any way out of
    // this update before that branch ends the shot, so time never stays slowed.
    struct KillCamBranch
    {
        bool reached = false;
        ~KillCamBranch()
        {
            if (!reached && OBE.m_bRunning)
                OBE.Stop();
        }
    } killCam;
    // 1. Time.
    const float dt = g_Engine.m_fDeltaTime;
    m_fFrameTime = dt;
    m_dGameTime += dt;
    m_fTimeSinceHurt += dt;
    m_fTimeSinceExplosion += dt;
    m_fTimeSinceDamage += dt;
    m_fTimeSinceInit += dt;
    m_fTimeSinceJump += dt;
    m_fCrouchTime += dt;
    m_fOuchTimer += dt;
    m_fBreathTimer += dt;
    OBE.m_fCoolDown += dt;
    // 2.
    UpdateSprintSway();
    // 3. The camera is driven from elsewhere: the heartbeat and the breath stop.
    if (CameraDriven())
    {
        StopHeartbeat();
        StopBreath();
        return;
    }
    // 4. The menu key (held back after it skipped a cut-scene, until let go).
    const bool menuKeyHeldBack = g_CutScene.HoldsMenuKey();
    if (CommandDown(CMD_MENU) && !g_Menu.m_bMenuActive && !g_MainGame.worldPending &&
        !g_CutScene.m_bPlaying && !menuKeyHeldBack)
    {
        g_Menu.Open(0, 0);
        return;
    }
    if (g_MainGame.m_iLevelFrame < FRAME_UPDATE)
        return;
    // 5.
    if (g_CutScene.m_bPlaying)
    {
        StopHeartbeat();
        StopBreath();
        return;
    }
    // 6.
    m_vPrevPosition = m_vPosition;
    m_bUpdated = 1;
    if (!m_bOnLadder)
        m_fStepPhase = std::max(0.0f, m_fStepPhase - dt);
    // 7. A breath that has played goes. Letterbox refills the stamina and
    // silences the breath and the heartbeat (whose own step does not run
    // while health is left alone in letterbox).
    if (m_hBreathSound && !g_SoundMgr.IsPlaying(m_hBreathSound))
        StopBreath();
    if (Letterbox())
    {
        m_fStamina = 1.0f;
        StopBreath();
        StopHeartbeat();
    }
    // 8. Dead or failed.
    if (PlayerStats.m_bDead || PlayerStats.m_bMissionFailed)
    {
        // A load may restart the world under this update: it ends here.
        if (m_fTimeSinceDeath > kDeathWait && CommandDown(CMD_FIRE))
        {
            m_bOnLadder = 0;
            StopSlideSound();
            LoadLastCheckpoint();
            return;
        }
        if (QuickLoad())
            return;
        if (PlayerStats.m_bDead)
            DeathView();
        else
            m_fTimeSinceDeath += dt;
        return;
    }
    // 9.
    StaminaStep();
    // 10. Exactly one branch: the ladder, the mounted gun (its view is the
    // pre-render step's), the flown helicopter, fly mode, the kill camera, or walking.
    if (m_bOnLadder)
    {
        LadderStep();
        CountdownStep();
        ChangeHealth(0.0f);
        return;
    }
    if (m_bOnGun)
    {
        g_PhysicsMgr.Step();
        CountdownStep();
        ChangeHealth(0.0f);
        return;
    }
    if (g_PlayerHeli.m_bFlying)
    {
        g_PlayerHeli.Update();
        g_PhysicsMgr.Step();
        g_PlayerHeli.UpdateCamera();
        ChangeHealth(0.0f);
        return;
    }
    if (g_Options.mucha && g_Options.GameplayRunning)
    {
        FlyStep();
        g_PhysicsMgr.Step();
        ChangeHealth(0.0f);
        return;
    }
    if (OBE.m_bRunning)
    {
        killCam.reached = true;
        OBE.Update();
        g_PhysicsMgr.Step();
        return;
    }
    StopSlideSound();
    m_fLadderSway = std::max(0.0f, m_fLadderSway - kLadderSwayFall * dt);
    GeigerStep();
    UpdateAimTarget();
    UpdatePickupTarget();
    m_bLoadAsked = 0;
    if (m_bBezier)
        BezierStep();
    else if (!g_Menu.m_bMenuActive)
        InputStep();
    // A load may have restarted the world under this update: it ends here.
    if (m_bLoadAsked)
        return;
    VelocityLimiter();
    ControllerStep();
    CountdownStep();
    if (m_bRadiusOn && m_fRadius < kRadiusStill)
    {
        m_bRunning = 0;
        m_bMoving = 0;
        m_bCanMove = 1;
    }
    if (!g_Menu.m_bMenuActive)
        PlaceCamera();
    // 11.
    ChangeHealth(0.0f);
    // 12.
    m_vHalfExtents = {kHalfWidth, m_bCrouched ? kHalfCrouch : kHalfStand, kHalfWidth};
    // A level made to be flown through (its script says "no_clip") puts the
    // hero into fly mode once the world has settled.
    if (g_MainGame.m_iLevelFrame >= FRAME_NO_CLIP && g_GameAI.m_pCurrentLevel &&
        g_GameAI.m_pCurrentLevel->noClip)
        g_Options.mucha = 1;
    m_fStandTime = m_bCrouched ? 0.0f : m_fStandTime + dt;
}

void CPlayer::UpdateLook()
{
    if (CameraDriven() || !g_Options.GameplayRunning || g_MainGame.m_iLevelFrame < FRAME_UPDATE ||
        g_CutScene.m_bPlaying || PlayerStats.m_bDead || PlayerStats.m_bMissionFailed ||
        g_MainGame.worldPending)
    {
        // A breath held when the look stops is let out, so the game's speed never stays slowed.
        EndBreathHold();
        return;
    }
    MouseLook();
}

void CPlayer::MouseLook()
{
    if (g_Menu.m_bMenuActive || OnLadder() || LookTakenElsewhere())
        return;
    // The pitch never passes the limit, whatever the mouse state holds; a
    // state that is not a number leaves the look as it was.
    EMouseState& m = g_Mouse.m_State;
    if (!std::isfinite(m.x) || !std::isfinite(m.y))
        return;
    const float dt = g_Engine.m_fDeltaTime;
    m.y = std::clamp(m.y, -static_cast<double>(kPitchLimit), static_cast<double>(kPitchLimit));
    // 1, 2. The target: the mouse's yaw and pitch, or turned from the object the camera looks from.
    EOrientation target(static_cast<float>(m.x), static_cast<float>(m.y), 0.0f);
    if (g_Camera.m_bLookFrom)
        LookFromTarget(target, dt);
    else
        m_bLookingFrom = 0;
    // 3. The blend; the heartbeat makes the look heavy.
    float blend = kLookBlend;
    if (m_fHeartbeatLevel > kHeartbeatLook)
    {
        const float level = std::min(m_fHeartbeatLevel, kHeartbeatLookMax);
        blend = std::clamp((1.0f - level) * dt, kHeartbeatBlendMin, kHeartbeatBlendMax);
    }
    else if (Bronie.currentKind == kSlowLookKind && Bronie.aimProgress > kLookAimBlend)
        blend = kLookBlendAimed;
    m_Look.Slerp(&target.Quaternion, blend);
    // 4, 5.
    RecoilLook();
    ScopeBreath(dt);
    // 6.
    g_Camera.SetOrientation(m_Look);
    m_vLookForward = m_Look.Forward;
    m_vLookRight = m_Look.Right;
}

void CPlayer::LookFromTarget(EOrientation& target, float dt)
{
    HOBJECT from = g_Engine.FindObject(g_Camera.m_szLookFromName, 0);
    if (!from)
    {
        g_Camera.m_bLookFrom = 0;
        m_bLookingFrom = 0;
        return;
    }
    // The look starts from the camera's frame and turns towards the object.
    if (!m_bLookingFrom)
        m_LookFromFrame = g_Camera.GetOrientation();
    m_bLookingFrom = 1;
    const D3DXVECTOR3 way = from->vPosition - g_Camera.GetPosition();
    if (Length(way) > 0.0f)
    {
        const EOrientation towards(&way);
        m_LookFromFrame.Slerp(&towards.Quaternion, std::min(1.0f, kLookFromBlend * dt));
    }
    // The mouse turns the frame within the look's angle.
    EMouseState& m = g_Mouse.m_State;
    const double limit = static_cast<double>(g_Camera.m_fLookAngle * kDegree);
    m.x = std::clamp(m.x, -limit, limit);
    m.y = std::clamp(m.y, -limit, limit);
    target = m_LookFromFrame;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    target.RotateAxisAngle(&up, static_cast<float>(m.x));
    const D3DXVECTOR3 right = target.Right;
    target.RotateAxisAngle(&right, static_cast<float>(m.y));
}

void CPlayer::RecoilLook()
{
    const float recoil = Bronie.recoilStrength;
    if (!(recoil > 0.0f))
        return;
    const float aim = Bronie.aimProgress;
    ERecoilKick k = kLookKick;
    if (m_bCrouched && Bronie.aiming)
        k = kLookKickCrouchedAimed;
    else if (aim > kLookKickAimedAbove)
        k = kLookKickAimed;
    // A turn about the right axis by a negative angle lifts the view.
    const D3DXVECTOR3 right = m_Look.Right;
    m_Look.RotateAxisAngle(&right, -(k.k1 * aim + k.k2) * recoil);
}

void CPlayer::ScopeBreath(float dt)
{
    const EItemDesc* d = Bronie.current ? Bronie.current->m_pDesc : nullptr;
    m_bScoped = d && d->Snajper_Celownik && Bronie.aimProgress > kScopeAimBlend && g_Options.Difficulty != 0;
    if (!m_bScoped)
    {
        m_fScopeSway = 0.0f;
        m_fBreathHeld = 0.0f;
        m_bCanHoldBreath = 0;
        EndBreathHold();
        return;
    }
    m_fBreathRecovery = std::max(0.0f, m_fBreathRecovery - dt);
    const bool recovering = m_fBreathRecovery > 0.0f;
    m_fScopeSway = std::min(1.0f, m_fScopeSway + (recovering ? kScopeSwayRecovering : kScopeSwayRise) * dt);
    // The held breath stills the wobble.
    const float w = std::clamp(m_fScopeSway, 0.0f, 1.0f) * (1.0f - std::clamp(m_fBreathHeld, 0.0f, 1.0f));
    const float t = g_Engine.m_fGameClock;
    const D3DXVECTOR3 right = m_Look.Right;
    m_Look.RotateAxisAngle(&right, kScopeSwayPitch * w * std::sin(kScopeSwayPitchRate * t));
    const D3DXVECTOR3 up = m_Look.Up;
    m_Look.RotateAxisAngle(&up, kScopeSwayYaw * w * std::sin(kScopeSwayYawRate * t));
    m_bCanHoldBreath = m_fScopeSway > kHoldFromSway && !recovering;
    if (!(CommandDown(CMD_RUN) && m_bCanHoldBreath))
    {
        m_fBreathHeld = 0.0f;
        EndBreathHold();
        return;
    }
    if (!m_bHoldingBreath)
    {
        m_bHoldingBreath = 1;
        m_fTimeSpeedBeforeHold = g_Options.GlobalTimeSpeed;
        if (m_fTimeSinceInit > kBreathSoundAfter)
            g_SoundMgr.PlaySoundOnce(BREATH_IN_SOUND, 1.0f, 0.0f);
    }
    m_fBreathHeld += kBreathRate * dt;
    g_Options.GlobalTimeSpeed = kHoldTimeSpeed;
    if (m_fBreathHeld > kBreathOut)
    {
        g_SoundMgr.PlaySoundOnce(BREATH_OUT_SOUND, 1.0f, 0.0f);
        m_fBreathRecovery = kBreathRecovery;
        m_fScopeSway = 0.0f;
        m_fBreathHeld = 0.0f;
        m_bCanHoldBreath = 0;
        EndBreathHold();
    }
}

void CPlayer::EndBreathHold()
{
    if (!m_bHoldingBreath)
        return;
    m_bHoldingBreath = 0;
    // The game's speed goes back to what the hold found, unless something
    // else has set it since.
    if (g_Options.GlobalTimeSpeed == kHoldTimeSpeed)
        g_Options.GlobalTimeSpeed = m_fTimeSpeedBeforeHold;
}

void CPlayer::PlaceCamera()
{
    const float dt = m_fFrameTime;
    // 1. The eye eases to its height.
    const float rise = m_bCrouched ? kEyeCrouch : kEyeStand;
    m_fEyeRise = m_fEyeRise < rise ? std::min(rise, m_fEyeRise + kEyeSpeed * dt)
                                   : std::max(rise, m_fEyeRise - kEyeSpeed * dt);
    D3DXVECTOR3 eye(m_vPosition.x, m_vPosition.y + m_fEyeRise, m_vPosition.z);
    if (m_fCatchUpTimer > 0.0f)
    {
        m_fCatchUpTimer -= dt;
        const D3DXVECTOR3 from = g_Camera.GetPosition();
        const D3DXVECTOR3 way = eye - from;
        const float length = Length(way);
        if (length > dt && length > 0.0f)
            eye = from + way * (dt / length);
    }
    // 2. Lean.
    if (m_bStrafeLeft)
        m_fLean = std::min(kLeanMax, m_fLean + kLeanRate * dt);
    else if (m_bStrafeRight)
        m_fLean = std::max(-kLeanMax, m_fLean - kLeanRate * dt);
    else
        m_fLean = m_fLean > 0.0f ? std::max(0.0f, m_fLean - kLeanBack * dt)
                                 : std::min(0.0f, m_fLean + kLeanBack * dt);
    // 3. Head bob; a stop finishes the current half cycle. A sprint bobs only the weapon.
    m_fSprintTime = m_bRunning && m_bMoving && !m_bCrouched ? m_fSprintTime + dt : 0.0f;
    const bool sprinting = m_bMoving && m_fSprintTime > kSprintBobAfter;
    const float half = m_fBobPhase <= 2.0f * kPi ? 2.0f * kPi : 4.0f * kPi;
    const bool bobbing = m_bMoving || (m_fBobPhase > 0.0f);
    m_fSideBob = m_fVerticalBob = 0.0f;
    if (bobbing)
    {
        const float a = kBobSize * std::sin(m_fBobPhase / 2.0f);
        const float b = kBobSize * std::sin(m_fBobPhase);
        if (sprinting)
        {
            m_fSideBob = kSprintBobSide * a;
            m_fVerticalBob = kSprintBobUp * b;
        }
        else
        {
            eye += m_Look.Right * (kBobEyeSide * a) + m_Look.Up * (kBobEyeUp * b);
            m_fSideBob = kBobWeaponSide * a;
            m_fVerticalBob = kBobWeaponUp * b;
        }
        m_fBobPhase += kBobStep * dt;
        if (!m_bMoving && m_fBobPhase >= half)
            m_fBobPhase = 0.0f;
        if (m_fBobPhase > 4.0f * kPi)
            m_fBobPhase = 0.0f;
    }
    // 4. The frame rolls with the lean and lifts with the recoil.
    EOrientation frame = m_Look;
    const D3DXVECTOR3 axis = frame.Forward;
    frame.RotateAxisAngle(&axis, kLeanRoll * m_fLean);
    if (Bronie.recoilStrength > 0.0f)
    {
        const float aim = Bronie.aimProgress;
        const ERecoilKick k = aim < kEyeKickAimedFrom ? kEyeKick
                              : m_bCrouched           ? kEyeKickCrouchedAimed
                                                      : kEyeKickAimed;
        const D3DXVECTOR3 right = frame.Right;
        frame.RotateAxisAngle(&right, -(k.k1 * aim + k.k2) * Bronie.recoilStrength);
    }
    g_Camera.SetOrientation(frame);
    // 5. The sprint sway moves the eye and turns the weapon; the weapon goes in front of the eye.
    eye += m_vSwayOffset * m_fSwayStrength;
    Bronie.m_vSprintAngles = m_vSwayAngles * m_fSwayStrength;
    Bronie.PlaceWeaponView(&eye, &frame, m_fSideBob, m_fVerticalBob);
    // 6. Walking, the bob pulls at the aim.
    if (m_bMoving)
    {
        EMouseState& m = g_Mouse.m_State;
        if (Bronie.aimProgress <= kBobAimed)
            m.x += m_fSideBob * (m_bRunning ? kBobSteerRun : kBobSteerWalk) * dt;
        else
        {
            m.x += kBobSteerAimedYaw * m_fSideBob * dt;
            m.y -= kBobSteerAimedPitch * m_fVerticalBob * dt;
        }
    }
    // 7.
    g_Camera.SetPosition(eye);
}

void CPlayer::UpdateSprintSway()
{
    const float dt = m_fFrameTime;
    const bool active = m_bRunning && m_bMoving && (m_bCanMove || m_bWasOnGround) && !m_bCrouched &&
                        !g_CutScene.m_bPlaying && !Letterbox() && !CameraDriven();
    if (!active)
    {
        m_fSwayDelay = 0.0f;
        const float length = Length(m_vSwayOffset);
        if (length > kSwayShrinkFrom)
        {
            m_vSwayOffset *= std::max(0.0f, length - kSwayShrinkRate * dt) / length;
            m_vSwayAngles *= std::max(0.0f, 1.0f - kSwayAngleReturn * dt);
        }
        else
        {
            m_vSwayOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
            m_vSwayAngles = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        }
        m_iSwayKey = 0;
        m_fSwayKeyTime = 0.0f;
        m_fSwayStrength = 0.0f;
        return;
    }
    m_fSwayDelay += dt;
    if (m_fSwayDelay < kSwayDelay)
        return;
    const ESwayKey& k0 = SPRINT_SWAY[m_iSwayKey];
    const ESwayKey& k1 = SPRINT_SWAY[(m_iSwayKey + 1) % SPRINT_SWAY_KEYS];
    const float f = std::clamp(m_fSwayKeyTime / kSwayKeyTime, 0.0f, 1.0f);
    auto mix = [f](float a, float b) { return a + (b - a) * f; };
    m_vSwayOffset = D3DXVECTOR3(mix(k0.offset[0], k1.offset[0]), mix(k0.offset[1], k1.offset[1]),
                                mix(k0.offset[2], k1.offset[2])) *
                    kSwayUnit;
    m_vSwayAngles =
        D3DXVECTOR3(mix(k0.angle[0], k1.angle[0]), kSwayPitchScale * mix(k0.angle[1], k1.angle[1]), 0.0f);
    m_fSwayKeyTime += kSwayKeyPace * dt;
    // A long frame advances as many keys as it covers.
    while (m_fSwayKeyTime >= kSwayKeyTime)
    {
        m_fSwayKeyTime -= kSwayKeyTime;
        m_iSwayKey = (m_iSwayKey + 1) % SPRINT_SWAY_KEYS;
    }
    float cap = m_fStamina < kSwayTiredBelow ? kSwayStrengthTired : kSwayStrength;
    if (!PlayerStats.m_bCombatMode)
        cap *= kSwayOutOfCombat;
    m_fSwayStrength = std::min(cap, m_fSwayStrength + kSwayStrengthRate * dt);
}

void CPlayer::UpdateAimTarget()
{
    m_fAimTimer -= m_fFrameTime;
    if (m_fAimTimer > 0.0f)
        return;
    m_fAimTimer = kAimProbeEvery;
    // 1.
    ClearCrosshairMarks();
    if ((g_SaveMgr.m_bLoadedFromSave && g_SaveMgr.m_iFramesSinceLevelStart < kAimProbeAfterLoad) ||
        m_hPickupObject)
        return;
    // 2, 3.
    m_hAimObject = nullptr;
    m_iUseHint = USE_NONE;
    ShowUseHint(USE_NONE);
    if (OnLadder())
        return;
    const float reach = g_Camera.GetFarPlane();
    const D3DXVECTOR3 from = g_Camera.GetPosition();
    const D3DXVECTOR3 to = from + g_Camera.m_vForward * reach;
    RayTestResult hit;
    // 4.
    if (!(reach > 0.0f) || !SegmentPastHero(from, to, &hit))
    {
        m_fAimDistance = reach;
        return;
    }
    m_vAimPoint = hit.vPoint;
    m_fAimDistance = Length(hit.vPoint - from);
    if (Bronie.current && Bronie.laserOn)
        AddAlarm(hit.vPoint, kLaserHearing, kLaserOpenLine, kLaserSight);
    // 5, 6.
    HOBJECT o = hit.pObject;
    if (!o || !o->bUsed || o->bDeletePending || MarkCharacter(o))
        return;
    const BYTE use = g_Engine.CanUseObject(o);
    if (use == USE_NOW && o->pActionParams && o->pActionParams->action_action_on_look)
    {
        g_EngineObject.RunObjectActions(o, 1);
        return;
    }
    if (m_fAimDistance > kUseReach)
        return;
    m_iUseHint = use;
    ShowUseHint(use);
    if (use == USE_NOW && !MountedByCharacter(o->szName))
    {
        m_hAimObject = o;
        std::memcpy(m_AimPesel, o->PESEL, sizeof m_AimPesel);
    }
}

void CPlayer::UpdatePickupTarget()
{
    m_hPickupObject = nullptr;
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR3 view = g_Camera.m_vForward;
    EItemInstance* best = nullptr;
    float bestCosine = kPickupCosine;
    for (EItemInstance& item : ItemMgr.items)
    {
        if (!item.m_bUsed || item.m_iState != ITEM_LYING || !item.m_hWorldObject)
            continue;
        const D3DXVECTOR3 way = item.m_hWorldObject->vPosition - eye;
        const float distance = Length(way);
        if (!(distance <= kPickupReach) || distance <= 0.0f)
            continue;
        const float cosine = (way.x * view.x + way.y * view.y + way.z * view.z) / distance;
        if (cosine < bestCosine || (best && cosine == bestCosine) || !ItemMgr.CanPickUpItem(item))
            continue;
        best = &item;
        bestCosine = cosine;
    }
    if (best)
        m_hPickupObject = best->m_hWorldObject;
    ShowPickupTarget(best);
}

void CPlayer::RunAimedActions()
{
    // The aimed object may have gone since the probe looked at it, and its
    // slot may hold another object by now.
    HOBJECT aimed = m_hAimObject;
    if (aimed && aimed->bUsed && !aimed->bDeletePending &&
        std::memcmp(aimed->PESEL, m_AimPesel, sizeof m_AimPesel) == 0)
        g_EngineObject.RunObjectActions(aimed, 1);
}

void CPlayer::FlyStep()
{
    // The look from the mouse; the movement keys fly along it.
    const EMouseState& m = g_Mouse.m_State;
    if (std::isfinite(m.x) && std::isfinite(m.y))
        m_Look = EOrientation(static_cast<float>(m.x), static_cast<float>(m.y), 0.0f);
    m_vLookForward = m_Look.Forward;
    m_vLookRight = m_Look.Right;
    const float step = g_Options.MuchaSpeed * m_fFrameTime;
    D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    if (CommandDown(CMD_FORWARD))
        p += m_vLookForward * step;
    if (CommandDown(CMD_BACK))
        p -= m_vLookForward * step;
    if (CommandDown(CMD_STRAFE_RIGHT))
        p += m_vLookRight * step;
    if (CommandDown(CMD_STRAFE_LEFT))
        p -= m_vLookRight * step;
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
        m_vPosition = p;
    if (CommandPressed(CMD_USE, m_bUseLatch))
        RunAimedActions();
    g_Camera.SetPosition(p);
    g_Camera.SetOrientation(m_Look);
    g_PhysicsMgr.WarpPlayer(&p);
}

void CPlayer::GeigerStep()
{
    if (m_fTimeSinceHurt > kGeigerHurt)
    {
        StopGeiger();
        return;
    }
    m_fRadiation += m_fFrameTime;
    m_Geiger.Start(GEIGER_SOUND);
}

void CPlayer::StopGeiger()
{
    m_fRadiation = 0.0f;
    m_Geiger.Stop();
}

void EHeroLoop::Start(const char* file)
{
    if (sound || tried)
        return;
    tried = 1;
    sound = g_SoundMgr.CreateSound(file);
    g_SoundMgr.PlaySound(sound, true);
}

void EHeroLoop::Stop()
{
    tried = 0;
    if (!sound)
        return;
    g_SoundMgr.StopSound(sound);
    g_SoundMgr.DeleteSound(sound);
    sound = nullptr;
}

void CPlayer::UseKey()
{
    RunAimedActions();
    if (m_hPickupObject)
        ItemMgr.PickUp(m_hPickupObject);
    m_hPickupObject = nullptr;
}

void CPlayer::StaminaStep()
{
    const float before = std::clamp(m_fStamina, 0.0f, 1.0f);
    float s = before;
    if (m_bRunning && m_bMoving && m_bCanMove)
        s -= kRunDrain * m_fFrameTime;
    else if (!(m_bRunning && m_bMoving))
        s += (m_bMoving ? kRefillMoving : kRefillStill) * m_fFrameTime;
    s = std::clamp(s, 0.0f, 1.0f);
    if (before > kExhausted && s <= kExhausted)
    {
        s = 0.0f;
        m_bExhausted = 1;
        if (m_fBreathTimer > kBreathGapExhausted)
            PlayBreath(2);
    }
    if (s > kRecovered)
        m_bExhausted = 0;
    if (before > kBreathHalf && s < kBreathHalf && m_fBreathTimer > kBreathGapHalf)
        PlayBreath(1);
    m_fStamina = s;
}

void CPlayer::PlayBreath(int n)
{
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "voices\\Hero\\hero0breath%i.wav", n + 1);
    // A new breath cuts the last one short.
    StopBreath();
    m_hBreathSound = g_SoundMgr.CreateSound(name);
    g_SoundMgr.PlaySound(m_hBreathSound, false);
    m_fBreathTimer = 0.0f;
}

void CPlayer::StopBreath()
{
    if (!m_hBreathSound)
        return;
    g_SoundMgr.StopSound(m_hBreathSound);
    g_SoundMgr.DeleteSound(m_hBreathSound);
    m_hBreathSound = nullptr;
}

void CPlayer::InputStep()
{
    if (!g_Options.GameplayRunning || g_MainGame.m_iLevelFrame < FRAME_UPDATE || g_CutScene.m_bPlaying)
        return;
    if (QuickLoad())
        return;
    if (g_MainGame.m_iLevelFrame < FRAME_MOVE || g_Panel.FadedPast(kInputFadeLimit))
        return;
    const float dt = m_fFrameTime;
    // 1. Directions.
    const EOrientation& view = g_Camera.GetOrientation();
    D3DXVECTOR3 forward = view.Forward;
    forward.y = 0.0f;
    const float length = Length(forward);
    forward = length > 0.0f ? forward / length : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    const D3DXVECTOR3 right = view.Right;
    // 2.
    if (CommandDown(CMD_TASK_LOG))
        g_Objective.PressToggleKey();
    if (CommandDown(CMD_TASK))
        g_Objective.PressTaskKey();
    m_bRunning = m_bMoving = m_bMovingBack = m_bStrafeLeft = m_bStrafeRight = 0;
    const bool onGround = m_bCanMove != 0;
    // 3. The developer's keys.
    if (g_Options.developer)
        DeveloperKeys();
    // 5. Running.
    m_bRunning = CommandDown(CMD_RUN) && PlayerStats.m_bCanRun && !m_bExhausted;
    // 6. Aiming: click to toggle, or hold and release.
    const bool moveKey = CommandDown(CMD_FORWARD) || CommandDown(CMD_BACK) || CommandDown(CMD_STRAFE_LEFT) ||
                         CommandDown(CMD_STRAFE_RIGHT);
    const bool aimDown =
        CommandDown(CMD_AIM) && Bronie.current && Bronie.current->m_bAimAllowed && !m_bRunning;
    if (aimDown && !m_bAimLatch)
    {
        m_fAimHoldTime = 0.0f;
        Bronie.ToggleAim();
    }
    else if (aimDown)
        m_fAimHoldTime += dt;
    else if (m_bAimLatch && m_fAimHoldTime > kHoldTime && Bronie.aiming)
        Bronie.ToggleAim();
    m_bAimLatch = aimDown ? 1 : 0;
    if (m_bRunning && moveKey && Bronie.aiming)
        Bronie.ToggleAim();
    // 7. The weapon slots: the slot key and the nine key codes after it pick
    // slots 0 to 9, and two keys step through the weapons; on each press.
    // The knife (not while riding) and the grenade, on their presses too.
    WeaponKeys();
    if (CommandPressed(CMD_KNIFE, m_bKnifeLatch) && !m_bRiding)
        Bronie.KnifeAttack();
    if (CommandPressed(CMD_GRENADE, m_bGrenadeLatch))
        Bronie.ThrowGrenade();
    if (CommandPressed(CMD_RELOAD, m_bReloadLatch))
        Bronie.Reload();
    // 8, 9. Crouch and jump.
    CrouchStep(onGround);
    JumpStep(onGround);
    if (m_bCrouched || Bronie.aimProgress > kAimBlendLimit)
        m_bRunning = 0;
    // 10. Walking.
    const float forwardAccel = (onGround ? kForwardAccel : kAirAccel) * dt;
    const float strafeAccel = (onGround ? kStrafeAccel : kAirAccel) * dt;
    struct EMoveKey
    {
        int command;
        D3DXVECTOR3 dir;
        float accel;
        BYTE* flag;
    };
    const EMoveKey keys[] = {
        {CMD_FORWARD, forward, forwardAccel, nullptr},
        {CMD_BACK, -forward, forwardAccel, &m_bMovingBack},
        {CMD_STRAFE_LEFT, -right, strafeAccel, &m_bStrafeLeft},
        {CMD_STRAFE_RIGHT, right, strafeAccel, &m_bStrafeRight},
    };
    for (const EMoveKey& k : keys)
    {
        if (!CommandDown(k.command))
            continue;
        m_vVelocity += k.dir * k.accel;
        m_bMoveInput = 1;
        if (onGround)
        {
            m_bMoving = 1;
            if (k.flag)
                *k.flag = 1;
        }
    }
    // 11. The trigger, held or let go.
    if (CommandDown(CMD_FIRE))
        Bronie.TriggerDown();
    else
        Bronie.triggerReleased = 1;
    // 12. Use.
    if (CommandPressed(CMD_USE, m_bUseLatch))
        UseKey();
    // 13. Laser.
    if (CommandPressed(CMD_LASER, m_bLaserLatch))
        Bronie.ToggleLaser();
    // 14.
    if (m_iForceCrouch > 0)
        --m_iForceCrouch;
    if (m_bRadiusOn && m_fRadius < kRadiusNone)
        m_bRunning = m_bMoving = 0;
}

void CPlayer::DeveloperKeys()
{
    // F2 freezes and thaws the models and the bezier paths; F1 switches the
    // characters' debug drawing.
    if (CommandPressed(CMD_DEV_UPDATE_MODELS, m_bDebugKeyLatch[0]))
    {
        g_Options.UpdateModels = !g_Options.UpdateModels;
        g_Options.UpdateBezier = g_Options.UpdateModels;
    }
    if (CommandPressed(CMD_DEV_DEBUG_CHARACTERS, m_bDebugKeyLatch[2]))
        g_Options.DebugCharacters = !g_Options.DebugCharacters;
    // F3 switches the frame counter (with "God", also the HUD's god-mode line).
    if (CommandPressed(CMD_DEV_DISPLAY, m_bDebugKeyLatch[1]))
        g_Options.DrawFPS = !g_Options.DrawFPS;
    // F4 and F5 put a test soldier in front of the camera, crouching or talking.
    if (CommandPressed(CMD_DEV_SOLDIER_CROUCHING, m_bDebugKeyLatch[3]))
        SpawnTestSoldier(TEST_SOLDIER_CROUCHING);
    if (CommandPressed(CMD_DEV_SOLDIER_TALKING, m_bDebugKeyLatch[4]))
        SpawnTestSoldier(TEST_SOLDIER_TALKING);
}

HOBJECT CPlayer::SpawnTestSoldier(const char* animation)
{
    const EOrientation& view = g_Camera.GetOrientation();
    D3DXVECTOR3 ahead(view.Forward.x, 0.0f, view.Forward.z);
    const float length = Length(ahead);
    ahead = length > 0.0f ? ahead / length : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 at = g_Camera.GetPosition() + ahead * kTestSoldierAhead;
    // Stood on whatever is below that point, or left at the camera's height.
    RayTestResult ground;
    const D3DXVECTOR3 above(at.x, at.y + kTestSoldierDrop, at.z), below(at.x, at.y - kTestSoldierDrop, at.z);
    if (SegmentPastHero(above, below, &ground))
        at.y = ground.vPoint.y;
    // A character's model: authored in centimetres, drawn at the characters' scale, seen from afar.
    const D3DXVECTOR3& scale = PMgr.m_vModelScale;
    HOBJECT soldier =
        g_Engine.CreateObject(OT_SKINMESH, TEST_SOLDIER_MODEL, CHARACTER_OBJECT_SHOWN, 0, &at.x, &scale.x);
    if (!soldier)
        return nullptr;
    const EOrientation facing;
    g_Engine.SetObjectTransform(soldier, &at, &facing, 1, 0);
    g_Engine.SetObjectScale(soldier, &scale);
    g_Engine.SetObjectFlags3(soldier, TEST_SOLDIER_KIND, ~0u);
    g_Engine.SetObjectDisappearRange(soldier, TEST_SOLDIER_SEEN);
    char name[32];
    std::snprintf(name, sizeof name, "hero%i", m_iTestSoldiers++);
    g_Engine.SetObjectName(soldier, name);
    g_Engine.SetObjectAnimation(soldier, animation, 1, 0.0f, 1.0f);
    // The rifle is shown in his hand like a character's weapon.
    if (HOBJECT weapon =
            g_Engine.CreateObject(OT_MESH, TEST_SOLDIER_WEAPON, CHARACTER_OBJECT_SHOWN, 0, &at.x, nullptr))
        g_EngineObject.TieToSocket(weapon, TEST_SOLDIER_SOCKET, name);
    return soldier;
}

void CPlayer::WeaponKeys()
{
    int slot = -1;
    for (int k = 0; k < WEAPON_SLOT_KEYS && slot < 0; ++k)
        if (g_CommandMgr.IsCommandDown(CMD_SLOT, k))
            slot = k;
    if (slot >= 0 && !m_bSlotLatch)
        Bronie.SelectSlot(static_cast<DWORD>(slot));
    m_bSlotLatch = slot >= 0 ? 1 : 0;
    if (CommandPressed(CMD_NEXT_WEAPON, m_bNextWeaponLatch))
        Bronie.NextWeapon();
    if (CommandPressed(CMD_PREVIOUS_WEAPON, m_bPreviousWeaponLatch))
        Bronie.PreviousWeapon();
}

void CPlayer::CrouchStep(bool onGround)
{
    const bool down = CommandDown(CMD_CROUCH);
    bool wantCrouch = false;
    bool wantStand = false;
    if (down && !m_bCrouchKeyLatch)
    {
        m_fCrouchKeyTime = 0.0f;
        (m_bCrouched ? wantStand : wantCrouch) = true;
    }
    if (down)
        m_fCrouchKeyTime += m_fFrameTime;
    else if (m_bCrouchKeyLatch && m_fCrouchKeyTime > kHoldTime)
        wantStand = true;
    m_bCrouchKeyLatch = down ? 1 : 0;
    const bool moveKey = CommandDown(CMD_FORWARD) || CommandDown(CMD_BACK) || CommandDown(CMD_STRAFE_LEFT) ||
                         CommandDown(CMD_STRAFE_RIGHT);
    if (CommandDown(CMD_JUMP) || (m_bRunning && moveKey))
        wantStand = true;
    if (m_bRadiusOn)
    {
        wantCrouch = false;
        wantStand = true;
    }
    const bool forced = m_iForceCrouch > 0;
    if (forced)
        wantCrouch = true;
    if (wantCrouch && !m_bCrouched && onGround && !m_bRiding &&
        (forced || (m_fCrouchTime > kHoldTime && m_fTimeSinceJump > kCrouchAfterJump)))
    {
        SetCrouch(true);
        m_fCrouchTime = 0.0f;
    }
    else if (wantStand && !forced && m_bCrouched && onGround)
        SetCrouch(false);
}

void CPlayer::JumpStep(bool onGround)
{
    const bool down = CommandDown(CMD_JUMP);
    if (down && !m_bRiding && PlayerStats.m_bCanJump && m_fStamina > kMinJumpStamina && onGround &&
        g_PhysicsMgr.PlayerCanJump() && !m_bJumping && !m_bJumpLatch && m_fStandTime > kHoldTime)
    {
        m_fStamina -= kJumpStamina;
        m_fFallStartY = NO_FALL;
        g_PhysicsMgr.PlayerJump();
        m_bJumping = 1;
        m_bJumpStarted = 1;
        m_bMoveInput = 1;
        if (m_fTimeSinceJump > kJumpSoundGap)
        {
            g_SoundMgr.PlaySoundOnce("sounds\\hero\\skok.wav", 1.0f, 0.0f);
            char voice[MAX_PATH];
            std::snprintf(voice, sizeof voice, "voices\\Hero\\hero0jump%i.wav", Random(3));
            g_SoundMgr.PlaySoundOnce(voice, 1.0f, 0.0f);
            m_fTimeSinceJump = 0.0f;
        }
    }
    m_bJumpLatch = down ? 1 : 0;
}

void CPlayer::VelocityLimiter()
{
    // 1.
    D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    g_PhysicsMgr.GetPlayerPosition(&p);
    if (m_fTimeSinceHurt > kHurtWait)
        m_vSafePosition = p;
    const bool onGround = m_bCanMove != 0;
    // 2. Landing.
    if (onGround && !m_bWasOnGround)
    {
        if (m_fFallStartY != NO_FALL)
            FallDamage(m_fFallStartY, p.y);
        m_fFallStartY = NO_FALL;
    }
    // 3. Running footsteps are heard.
    if (onGround && m_bMoving && m_bRunning)
        AddAlarm(m_vPosition, 2.0f, 4.0f, 5.0f);
    // 4. Leaving the ground; a rising jump ends at its top.
    if (!onGround && m_bWasOnGround && !m_bJumping)
        m_fFallStartY = p.y;
    // Rising: the last physics step lifted the hero (the frame that starts a
    // jump has not stepped it yet).
    const bool rising = m_bJumpStarted || p.y > m_fLastStepY;
    if (m_bJumping && !rising && m_bUpdated)
    {
        m_bJumping = 0;
        m_fFallStartY = p.y;
    }
    m_fLastStepY = p.y;
    m_bJumpStarted = 0;
    // 5. The speed cap.
    m_vVelocity.y = 0.0f;
    float cap = kCapWalk;
    if (Bronie.aiming)
        m_bRunning = 0;
    if (m_bRunning && onGround)
        cap = kCapRun;
    if (m_bCrouched)
    {
        cap = kCapCrouch;
        m_bRunning = 0;
    }
    else if (Bronie.aimProgress > kAimBlendLimit)
    {
        cap = kCapAimBlend;
        m_bRunning = 0;
    }
    if (m_bFocusMode)
        cap *= kFocusSlow;
    m_fSpeedCap = cap;
    // 6. Friction, and the limits.
    if (onGround && !m_bMoveInput)
        m_vVelocity *= (kFriction - m_fFrameTime) * kFrictionScale;
    const float speed = Length(m_vVelocity);
    if (speed < kMinSpeed)
        m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    else if (speed > cap)
        m_vVelocity *= cap / speed;
    m_bMoveInput = 0;
    // 7. Footsteps (none while riding).
    if (m_bMoving && !m_bRiding)
    {
        m_fStepTimer -= m_fFrameTime;
        if (m_fStepTimer < 0.0f)
        {
            m_fStepTimer = m_bRunning ? kStepRun : kStepWalk;
            Footstep();
        }
    }
}

void CPlayer::Footstep()
{
    static constexpr const char* kFolders[] = {"sounds\\steps\\concrete", "sounds\\steps\\metal",
                                               "sounds\\steps\\wood", "sounds\\steps\\sand"};
    static constexpr DWORD kGlass = 7;
    const char* folder = m_iSurface == kGlass                                ? "sounds\\steps\\glass"
                         : m_iSurface < sizeof kFolders / sizeof kFolders[0] ? kFolders[m_iSurface]
                                                                             : kFolders[0];
    if (!m_bCrouched && !m_bFocusMode && !Letterbox() && !CameraDriven())
    {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%s%s%i.wav", folder, m_bLeftFoot ? "L" : "R",
                      1 + Random(kStepSounds));
        g_SoundMgr.PlaySound3DOnce(name, &m_vPosition, m_bRunning ? kStepRangeRun : kStepRangeWalk);
    }
    m_bLeftFoot = !m_bLeftFoot;
}

void CPlayer::ControllerStep()
{
    // 1, 2.
    if (m_fFrameTime > kLongFrame)
    {
        m_bPhysicsSkip = 1;
        return;
    }
    if (g_MainGame.m_iLevelFrame < FRAME_UPDATE)
    {
        m_bPhysicsSkip = 1;
        m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return;
    }
    // 3.
    if (!g_MainGame.m_bWorldActive)
        return;
    D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    if (m_bPhysicsSkip)
    {
        g_PhysicsMgr.WarpPlayer(&p);
        m_bPhysicsSkip = 0;
        return;
    }
    // 4. Standing on an object whose actions fire on contact runs them (the
    // record's own checks keep a run under way or a spent one-off quiet).
    if (m_hStandObject && m_hStandObject->pActionParams && m_hStandObject->pActionParams->action_general_2)
        g_EngineObject.RunObjectActions(m_hStandObject, 1);
    const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
    g_PhysicsMgr.SetWalkDirection(m_bBezier ? &still : &m_vVelocity);
    g_PhysicsMgr.Step();
    RadiusPull();
    g_PhysicsMgr.GetPlayerPosition(&p);
    m_vPosition = p;
    if (m_bRiding)
    {
        RideStep();
        p = D3DXVECTOR3(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    }
    else if (m_bBezier)
    {
        p = m_vBezierPoint;
        m_vPosition = p;
        g_PhysicsMgr.WarpPlayer(&p);
    }
    // 5. The eyes drop while crouched.
    if (m_bCrouched)
        m_fCrouchEyeOffset = std::max(kCrouchEye, m_fCrouchEyeOffset - m_fFrameTime);
    else
        m_fCrouchEyeOffset = std::min(0.0f, m_fCrouchEyeOffset + m_fFrameTime);
    const D3DXVECTOR3 shown(p.x, p.y + m_fCrouchEyeOffset, p.z);
    g_Engine.SetObjectPosition(m_hObject, &shown, 0);
    // 6.
    m_bWasOnGround = m_bCanMove;
    m_bCanMove = g_PhysicsMgr.PlayerOnGround() ? 1 : 0;
    m_fGroundProbeTimer -= m_fFrameTime;
    if (m_fGroundProbeTimer <= 0.0f)
    {
        GroundProbe();
        m_fGroundProbeTimer = kProbeEvery;
    }
}

bool CPlayer::SegmentPastHero(const D3DXVECTOR3& from, const D3DXVECTOR3& to, RayTestResult* hit) const
{
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = SkipHero;
    query.dwUser = reinterpret_cast<RayTestUser>(m_hObject);
    return g_IntersectSegment.Test(&query, hit);
}

void CPlayer::GroundProbe()
{
    const D3DXVECTOR3 from(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    const D3DXVECTOR3 to(from.x, from.y - kProbeDepth, from.z);
    RayTestResult hit;
    m_fGroundHeight = from.y - (m_bCrouched ? kFeetCrouch : kFeetStand);
    if (SegmentPastHero(from, to, &hit))
    {
        m_fGroundHeight = hit.vPoint.y + kProbeLift;
        // A mesh or figure underfoot gives the footsteps its face's surface.
        const bool onObject =
            hit.pObject && (hit.pObject->Type == OT_MESH || hit.pObject->Type == OT_SKINMESH);
        if (onObject)
            m_iSurface = BulletHit::SurfaceOf(hit);
        m_hStandObject = onObject ? hit.pObject : nullptr;
    }
    else
        m_hStandObject = nullptr;
    g_PhysicsMgr.m_hStandObject = m_hStandObject;
}

void CPlayer::RadiusPull()
{
    if (!m_bRadiusOn)
        return;
    D3DXVECTOR3 p;
    g_PhysicsMgr.GetPlayerPosition(&p);
    if (m_fRadius < kRadiusNone)
    {
        TeleportTo(&m_vRadiusCentre);
        return;
    }
    D3DXVECTOR3 off = p - m_vRadiusCentre;
    const float d = Length(off);
    if (d > m_fRadius + kRadiusSlack)
    {
        const D3DXVECTOR3 back = m_vRadiusCentre + off * (m_fRadius / d);
        TeleportTo(&back);
        m_fCatchUpTimer = kCatchUpTime;
    }
}

// ---- Commands ------------------------------------------------------------------------

void CPlayer::RenderHeliHud()
{
    g_PlayerHeli.DrawHud();
}

void CPlayer::TeleportTo(const D3DVECTOR* position)
{
    if (!position || !std::isfinite(position->x) || !std::isfinite(position->y) ||
        !std::isfinite(position->z))
        return;
    m_vPosition = *position;
    const D3DXVECTOR3 p(position->x, position->y, position->z);
    g_PhysicsMgr.WarpPlayer(&p);
    m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_fFallStartY = NO_FALL;
    if (g_Options.Debug)
        g_Console.PrintVector("CPlayer::TeleportTo ", *position);
}

void CPlayer::SetCrouch(bool on)
{
    const D3DXVECTOR3 scale(1.0f, on ? 0.5f : 1.0f, 1.0f);
    g_Engine.SetObjectScale(m_hObject, &scale);
    m_bCrouched = on ? 1 : 0;
    m_bMoving = 1;
}

void CPlayer::MovementRadiusOn(float radius)
{
    m_fRadius = radius;
    m_vRadiusCentre = D3DXVECTOR3(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    m_bRadiusOn = 1;
}

// ---- Health --------------------------------------------------------------------------

float CPlayer::DamageFactor(int difficulty, float amount)
{
    const EDifficulty& d = Difficulty(difficulty);
    return std::max(amount * d.damage, d.minDamage);
}

float CPlayer::ExplosionFactor(int difficulty)
{
    return Difficulty(difficulty).explosion;
}

float CPlayer::RegenerationRate(bool running, bool moving, bool crouched, int difficulty)
{
    float rate = kRegenStill;
    if (running)
        rate = kRegenRun;
    else if (moving)
        rate = kRegenWalk;
    else if (crouched)
        rate = kRegenCrouch;
    if (difficulty == 0)
        rate *= kRegenEasy;
    else if (difficulty == kDifficultyCount - 1)
        rate *= kRegenHard;
    return rate;
}

void CPlayer::SetHealth(float value, BYTE force)
{
    if (!std::isfinite(value))
        return;
    PlayerStats.m_fHealth = force ? value : std::min(value, PlayerStats.m_fMaxHealth);
}

void CPlayer::ChangeHealth(float amount, float, BYTE, BYTE resetHurt)
{
    EPlayerStats& s = PlayerStats;
    if (s.m_bDead || s.m_bMissionFailed || g_MainGame.m_iLevelFrame < FRAME_HEALTH || CameraDriven() ||
        Letterbox() || !std::isfinite(amount))
        return;
    const bool wasHalf = s.m_fHealth >= kPulseHalf;
    if (g_Options.developer && g_Options.God)
    {
        s.m_fHealth = s.m_fMaxHealth;
        return;
    }
    if (amount > 0.0f)
        s.m_fHealth += amount;
    else if (amount < 0.0f)
    {
        // Riding the draisine halves every hurt.
        constexpr float kDraisineShare = 0.5f;
        if (m_hStandObject && CompareNoCase(m_hStandObject->szName, DRAISINE_NAME) == 0)
            amount *= kDraisineShare;
        s.m_fHealth += amount;
        m_fTimeSinceDamage = 0.0f;
        if (resetHurt)
            m_fTimeSinceHurt = 0.0f;
    }
    if (m_fTimeSinceHurt > kHurtWait && s.m_fHealth < s.m_fMaxHealth)
        s.m_fHealth += m_fFrameTime * RegenerationRate(m_bRunning && m_bMoving, m_bMoving, m_bCrouched,
                                                       g_Options.Difficulty);
    s.m_fHealth = std::clamp(s.m_fHealth, 0.0f, s.m_fMaxHealth);
    // The screen flashes red for a hit and remembers how hurt the hero is.
    PostProcess.OnHeroHealth(amount < 0.0f ? -amount : 0.0f, s.m_fHealth, s.m_fMaxHealth);
    m_fPulseTimer -= m_fFrameTime;
    if ((m_fPulseTimer < 0.0f && s.m_fHealth < kPulseHealth) || (wasHalf && s.m_fHealth < kPulseHalf))
    {
        m_fDamagePulse = 1.0f;
        m_fPulseTimer = kPulseTime;
    }
    if (s.m_fHealth < kDeadBelow)
    {
        StopHeartbeat();
        // A level can take the hero's death over: he lives on at full health
        // and its handler object runs, once.
        if (g_GameAI.IsVariableSet(kDeathOverride))
        {
            s.m_fHealth = s.m_fMaxHealth;
            g_Engine.RunObjectAction(kDeathHandler, 0);
            g_GameAI.UnsetVariable(kDeathOverride, nullptr);
            return;
        }
        if (g_Options.God)
        {
            char line[64];
            std::snprintf(line, sizeof line, "DEAD!!! %lu", static_cast<unsigned long>(g_Engine.m_iFrame));
            g_Console.Print(line);
            s.m_fHealth = kGodHealth;
        }
        else
            HandleDeath();
        return;
    }
    HeartbeatStep();
}

void CPlayer::TakeDamage(const D3DXVECTOR3* source, float amount, float)
{
    if (PlayerStats.m_bDead || PlayerStats.m_bMissionFailed || CameraDriven() || Letterbox() ||
        !std::isfinite(amount))
        return;
    amount = DamageFactor(g_Options.Difficulty, amount);
    if (g_SaveMgr.m_bLoadedFromSave && g_SaveMgr.timeSinceLoad < kLoadGrace)
        amount *= kLoadGraceFactor;
    if (m_fTimeSinceInit > kDamageDelay)
        ChangeHealth(-amount);
    if (source)
        g_Panel.ShowHitDirection(&source->x);
}

void CPlayer::ApplyExplosion(const D3DXVECTOR3* position, float strength)
{
    if (!position)
        return;
    const float radius = strength > 1.0f ? kExplosionRadius * strength : kExplosionRadius;
    const D3DXVECTOR3 hero(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    const float d = Length(hero - *position);
    if (!(d <= kExplosionReach * radius))
        return;
    m_fTimeSinceExplosion = 0.0f;
    EShakeParams shake;
    shake.bEnabled = 1;
    for (int i = 0; i < SHAKE_VALUES; ++i)
        shake.fValues[i] = kBlastShake[i];
    shake.fValues[kShakeRange] = kBlastShakeRanges * radius;
    g_Camera.StartShake(shake, D3DXVECTOR3(position->x, position->y + kExplosionLift, position->z));
    if (d >= radius || Letterbox() || CameraDriven())
        return;
    const D3DXVECTOR3 from(position->x, position->y + kExplosionLift, position->z);
    const D3DXVECTOR3 to(hero.x, hero.y + kHeroLift, hero.z);
    RayTestResult hit;
    if (SegmentPastHero(from, to, &hit))
        return;
    ChangeHealth(-(1.0f - d / radius) * kExplosionDamage * ExplosionFactor(g_Options.Difficulty), 0.0f, 1);
}

bool CPlayer::OnBulletHit(const EItemDesc* weapon, const RayTestResult* hit, HOBJECT shooter, float,
                          float factor)
{
    if (!weapon || !hit || !shooter || shooter == m_hObject || !m_hObject || hit->pObject != m_hObject ||
        !std::isfinite(factor) || OBE.m_bRunning)
        return false;
    if (g_SaveMgr.m_bLoadedFromSave && g_SaveMgr.timeSinceLoad < kSavedGrace &&
        PlayerStats.m_fHealth < kSavedGraceHealth)
        return false;
    char sound[MAX_PATH];
    std::snprintf(sound, sizeof sound, "sounds\\hero\\wcialo%i.wav", 1 + Random(kBodyHitSounds));
    g_SoundMgr.PlaySound3DOnce(sound, &hit->vPoint, kBodyHitRange);
    PainVoice();
    if (m_bOnLadder && m_iLadderPhase != 1)
    {
        StopSlideSound();
        LeaveLadder();
    }
    // Standing in a cart or a cage shields the hero.
    const bool shielded = m_hStandObject && (SameName(m_hStandObject->szName, "wozek") ||
                                             SameName(m_hStandObject->szName, "klatka"));
    float amount = weapon->Hit * kBulletScale;
    if (shielded)
        amount *= kProtected;
    if (m_bRiding || m_bOnGun)
        amount *= kRidingHit;
    amount *= kBulletTail * factor;
    // A partner's stray bullet deals a quarter.
    if (const strpostac* character = PMgr.FindCharacterByObject(shooter); character && character->partner)
        amount *= kPartnerShot;
    const D3DXVECTOR3 from = shooter->vPosition;
    TakeDamage(&from, amount);
    m_bKillerKnown = PlayerStats.m_bDead;
    if (m_bKillerKnown)
        m_vKillerPos = D3DXVECTOR3(from.x, from.y + kHeroLift, from.z);
    if (!shielded)
        g_FxMgr.CreateFxByName(kBloodEffect, &hit->vPoint, nullptr);
    const EItemInstance* w = Bronie.current;
    const bool scoped = w && w->m_pDesc && w->m_pDesc->Snajper_Celownik && Bronie.aimProgress > kScopedHitAim;
    EShakeParams shake;
    shake.bEnabled = 1;
    for (int i = 0; i < SHAKE_VALUES; ++i)
        shake.fValues[i] = m_bRiding ? kRidingHitShake[i] : scoped ? kScopedHitShake[i] : kHitShake[i];
    g_Camera.StartShake(shake, hit->vPoint);
    m_fHitFlash = 0.0f;
    return true;
}

void CPlayer::FallDamage(float fallStart, float landing)
{
    const float h = fallStart - landing - kFallFree;
    if (!(h > 0.0f) || g_MainGame.m_iLevelFrame <= FRAME_FALL_HURT)
        return;
    const float damage = kFallPerUnit * h;
    ChangeHealth(-damage);
    g_SoundMgr.PlaySoundOnce("sounds\\hero\\spad.wav", 1.0f, 0.0f);
    char voice[MAX_PATH];
    std::snprintf(voice, sizeof voice, "voices\\Hero\\hero0fall%i.wav", Random(4));
    g_SoundMgr.PlaySoundOnce(voice, 1.0f, 0.0f);
    char line[64];
    std::snprintf(line, sizeof line, "Spadl - damage == %g", damage);
    g_Console.Print(line);
    AddAlarm(m_vPosition, 2.0f, 10.0f, 10.0f);
}

void CPlayer::HandleDeath()
{
    if (m_bOnGun)
    {
        DismountGun(1, nullptr);
        m_bOnGun = 0;
        m_iGunState = 0;
        const D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
        g_PhysicsMgr.UnfreezePlayerAt(&p);
    }
    StopMovingOnObject();
    m_iWeaponAtDeath = static_cast<int>(Bronie.currentKind);
    Bronie.PutAwayCurrent();
    m_vDeathCamPos = g_Camera.GetPosition();
    m_DeathCamFrame = g_Camera.GetViewFrame();
    EndBreathHold();
    PlayerStats.m_bDead = 1;
    m_fTimeSinceDeath = 0.0f;
    g_Options.UpdateBezier = 0;
    g_Console.Print("HandleDeath");
    DeathView();
}

void CPlayer::DeathView()
{
    // The camera sinks to the ground, rolling over and tipping forward; with
    // the killer known it turns towards him and rolls on.
    const float t = m_fTimeSinceDeath;
    const float drop = kDeathDrop * t;
    D3DXVECTOR3 p = m_vDeathCamPos;
    p.y = std::max(p.y - drop * drop, m_fGroundHeight + kDeathFloor);
    g_Camera.SetPosition(p);
    const float a = std::min(kDeathTurnRate * t, kDeathTurnMax);
    EOrientation frame = m_DeathCamFrame;
    const D3DXVECTOR3 forward = frame.Forward;
    const D3DXVECTOR3 right = frame.Right;
    frame.RotateAxisAngle(&forward, kDeathRoll * a);
    frame.RotateAxisAngle(&right, kDeathPitch * a);
    if (m_bKillerKnown)
    {
        const D3DXVECTOR3 toKiller = m_vKillerPos - p;
        if (Length(toKiller) > 0.0f)
        {
            const EOrientation facing(&toKiller);
            frame.Slerp(&facing.Quaternion, std::clamp(t, kKillerBlendMin, kKillerBlendMax));
            const D3DXVECTOR3 f = frame.Forward;
            frame.RotateAxisAngle(&f, std::clamp(kKillerRollRate * t, kKillerBlendMin, kKillerRollMax));
        }
    }
    g_Camera.SetOrientation(frame);
    m_fTimeSinceDeath += m_fFrameTime;
}

void CPlayer::HeartbeatStep()
{
    // Focus: the post-processing's object effect forced on while the
    // heartbeat is up; the heart keeps beating whatever the health.
    constexpr float kFocusHeartbeat = 0.001f;
    m_bFocusMode =
        PostProcess.m_bBW && PostProcess.m_bBWForced && m_fHeartbeatLevel > kFocusHeartbeat ? 1 : 0;
    if (!m_bFocusMode && (PlayerStats.m_fHealth > kHeartbeatHealth || Letterbox()))
    {
        StopHeartbeat();
        return;
    }
    m_Heartbeat.Start(HEARTBEAT_SOUND);
}

void CPlayer::StopHeartbeat()
{
    m_Heartbeat.Stop();
}

void CPlayer::PainVoice()
{
    if (m_fOuchTimer < kOuchGap)
        return;
    char voice[MAX_PATH];
    std::snprintf(voice, sizeof voice, "voices\\Hero\\hero0ouch%i.wav", Random(5));
    g_SoundMgr.PlaySoundOnce(voice, 1.0f, 0.0f);
    m_fOuchTimer = 0.0f;
}

void CPlayer::SetCombatMode(bool on)
{
    if (!on)
        Bronie.PutAwayCurrent();
    PlayerStats.m_bCombatMode = on ? 1 : 0;
    if (!on)
        return;
    // The sniper's slot; with nothing in hand or coming, the rifle's, then the pistol's.
    Bronie.SelectSlot(kCombatSlot);
    for (const DWORD slot : kCombatFallbackSlots)
    {
        if (Bronie.current || Bronie.pending)
            return;
        Bronie.pending = nullptr;
        Bronie.SelectSlot(slot);
    }
}
