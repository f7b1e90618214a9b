// EEngineObject: the per-frame object pass, the continuation of running
// actions (moves, turns, door swings, delayed hand-ons) and the walk-in
// triggers, plus the socket ties and the two held targets.
#include "world/EngineObject.h"

#include "environment/FxMgr.h"
#include "game/MainGame.h"
#include "game/GameAI.h"
#include "game/SaveMgr.h"
#include "game/BezierMgr.h"
#include "physics/PhysicsMgr.h"
#include "platform/win32/EventScript.h"
#include "player/Player.h"
#include "shell/Profiler.h"
#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "ui/LoadingScreen.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

EEngineObject g_EngineObject;

namespace
{
constexpr float kNotImportantRange = 240.0f;
constexpr float kWalkInRange = 5.0f;
constexpr float kShortestMove = 0.001f;
constexpr float kHealthAwayScale = 1.5f;
constexpr float kDefaultDoorSpeed = 80.0f; // degrees a second
constexpr DWORD kSkipObjectFlag = 0x400;   // flag word 1: the object pass leaves it alone
constexpr float kDegrees = 3.14159265f / 180.0f;
constexpr DWORD kCrushFlag = 0x800000;    // flag word 1: crushes characters inside its body
constexpr float kPeriodicPeriod = 0.6f;   // the crush step's period
constexpr DWORD kNearMarkedKind = 0x1000; // flag word 3
constexpr float kNearMarkedRange = 15.0f;
constexpr float kNearMarkedDeathWait = 2.0f;

// The profiler sections of the update's steps.
constexpr int kSectionCamera = 32;
constexpr int kSectionAmbient = 34;
constexpr int kSectionRespawners = 35;
constexpr int kSectionObjects = 36;
constexpr int kSectionVisibility = 39;
constexpr int kSectionLighting = 40;

template <int Section> struct InSection
{
    InSection() { g_Profiler.BeginSection(Section); }
    ~InSection() { g_Profiler.EndSection(Section); }
};

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

// Moves value toward target by step; true when it got there.
bool StepToward(float* value, float target, float step)
{
    if (step < 0.0f)
        step = -step;
    if (std::fabs(target - *value) <= step)
    {
        *value = target;
        return true;
    }
    *value += target > *value ? step : -step;
    return false;
}

bool HasTurn(const EObjectActionParams& p)
{
    return p.action_rotation[0] != 0.0f || p.action_rotation[1] != 0.0f || p.action_rotation[2] != 0.0f ||
           p.action_door;
}

// A blinking record counts too: without it a light that only blinks would
// never be updated, and so never blink.
bool Updatable(const strObject& o)
{
    constexpr DWORD kKind8 = 8;
    constexpr DWORD kMarkedKind = 0x1000;
    return o.pFxName || o.pSound || o.Type == OT_SKINMESH || o.pPhysicsBody || o.dwFlags3 == kKind8 ||
           o.pFx || o.bShooting || (o.pActionParams && o.pActionParams->dwEnabled) ||
           (o.pDeathParams && o.pDeathParams->bEnabled) || (o.dwFlags3 & kMarkedKind) || o.bTied ||
           o.fLifetime > 0.0f || o.pBlinking || o.bFalling;
}

constexpr DWORD kEmitterLevelFrame = 200;
// Looping effects start from this level frame on.
constexpr DWORD kFxStartFrame = 150;
constexpr float kGreyLevels = 255.0f;

// A random part of up to `range`.
float RandomPart(float range)
{
    // The fraction first: range times the raw number may overflow.
    return range > 0.0f ? range * (static_cast<float>(std::rand() & 0xFFFF) / 65535.0f) : 0.0f;
}
} // namespace

EEngineObject::EEngineObject()
{
    EObjectActionParams defaults;
    m_CameraPositioning = defaults.action_camera_positioning;
}

// The hero's own place: the camera may look from elsewhere (a forced look, a
// cut-scene) while he stands still.
D3DXVECTOR3 EEngineObject::HeroPosition()
{
    return D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
}

void EEngineObject::RegisterScriptActions()
{
    TkRegisterScriptAction("light state",
                           [](const std::string& args)
                           {
                               const size_t first = args.find_first_not_of(" \t");
                               if (first == std::string::npos)
                                   return false;
                               const std::string name =
                                   args.substr(first, args.find_last_not_of(" \t") - first + 1);
                               HOBJECT light = g_Engine.FindObject(name.c_str(), 0);
                               const char* state = !light || !light->bUsed || light->Type != OT_LIGHT
                                                       ? "missing"
                                                   : (light->dwFlags & OF_PHYSICS) ? "on"
                                                                                   : "off";
                               g_Console.Print4("Light ", name.c_str(), " ", state);
                               return true;
                           });
}

void EEngineObject::Init()
{
    g_Engine.LoadCharacterEyes();
}

void EEngineObject::Release()
{
    m_hDirectionPointerTarget = m_hExplosiveTarget = nullptr;
    m_szDirectionPointerTarget[0] = m_szExplosiveTarget[0] = 0;
    ResetWorldState();
    StopAmbientSound();
    m_szAmbientRequested[0] = 0;
    m_fAmbientTarget = 0.0f;
}

void EEngineObject::RandomiseOffsets()
{
    constexpr float kScale = 99999.0f / 65536.0f * 64.0f;
    float* v[3] = {&m_vRandom.x, &m_vRandom.y, &m_vRandom.z};
    for (float* f : v)
    {
        const float sign = (std::rand() & 1) ? 1.0f : -1.0f;
        *f = sign * static_cast<float>(std::rand() & 0xFFFF) * kScale;
    }
    m_bRecomputeVisibility = 1;
}

void EEngineObject::ResetWorldState()
{
    constexpr float kResetDistance = 10000.0f;
    constexpr float kResetAngle = 1.5707964f;
    m_vRandom = m_vSecond = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    m_fDistance = kResetDistance;
    m_fAngle = kResetAngle;
    m_bCameraPositioning = 0;
    m_hLastShake = nullptr;
    m_iActionRuns = m_iActionDepth = 0;
    m_bChainReported = 0;
    m_DeferredRuns.clear();
    m_bHeroTrigger = 0;
    m_bBadValueReported = 0;
    m_iActiveObjects = m_iUpdatedObjects = m_iTooFarObjects = m_iNearObjects = 0;
    m_fVisibilityTimer = 0.0f;
    m_iVisibilityTested = m_iDetailedShadowMeshes = m_iDetailedShadowSkins = 0;
    m_fPeriodicTimer = 0.0f;
    m_fCameraPositioningTime = 0.0f;
}

// ---- Frame -------------------------------------------------------------------------------

void EEngineObject::Update()
{
    // 1.
    m_iActiveObjects = m_iUpdatedObjects = m_iTooFarObjects = m_iNearObjects = 0;
    m_iActionRuns = 0;
    m_iActionDepth = 0;
    m_bChainReported = 0;
    ++m_iFrame;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    g_PhysicsMgr.ClearNearMarkedObject();
    RunDeferredActions();
    {
        InSection<kSectionAmbient> section; // 2.
        UpdateAmbientSound(m_fFrameTime);
    }
    {
        InSection<kSectionRespawners> section; // 3.
        if (g_MainGame.m_iLevelFrame == CMainGame::FRAME_REPAIR_MESHES && g_Engine.m_bWorldLoaded)
            g_Engine.StepRespawnerData();
    }
    {
        InSection<kSectionObjects> section; // 4.
        UpdateObjects();
    }
    {
        InSection<kSectionCamera> section; // 5.
        StepCameraPositioning();
    }
    {
        InSection<kSectionVisibility> section; // 6.
        g_Engine.BuildSkyShadowLists();
    }
    {
        InSection<kSectionLighting> section; // 7.
        StepLighting();
    }
}

void EEngineObject::UpdateObjects()
{
    if (!g_Options.UpdateObjects)
        return;
    if (g_Options.UpdateBezier)
        g_BezierMgr.UpdateObjectsOnBezier();
    m_bHeroTrigger = g_Engine.m_bWorldLoaded && g_MainGame.m_iLevelFrame > CMainGame::FRAME_START_MENU &&
                     !g_SaveMgr.loadInProgress && !SaveJustLoaded() && !g_LoadingScreen.m_bActive;
    m_vHero = HeroPosition();
    if (!m_bHeroTrigger)
        m_vHeroLast = m_vHero;
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    const float dt = m_fFrameTime;
    m_fPeriodicTimer -= dt;
    if (g_Options.UpdateObjectsLoop)
    {
        for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
        {
            strObject& o = g_Engine.m_Objects[i];
            if (!o.bUsed || o.bDeletePending)
                continue;
            if (o.bHidden)
            {
                o.bRefresh = 0;
                continue;
            }
            if (o.dwFlags & kSkipObjectFlag)
                continue;
            o.fCameraDistance = Distance(o.vPosition, camera);
            o.fHeroDistance = Distance(o.vPosition, m_vHero);
            o.fGeneralTimer -= dt;
            o.fSinceLastAction += dt;
            ++m_iActiveObjects;
            if (!o.bKeepUpdated && StepPhysicsCulling(&o))
                continue;
            o.bTooFar = o.iDisappearRange > 1 && o.fCameraDistance > static_cast<float>(o.iDisappearRange);
            if (o.bTooFar)
                ++m_iTooFarObjects;
            o.bSkippedFar =
                !o.bKeepUpdated && (o.dwFlags & OF_NOT_IMPORTANT) && o.fCameraDistance > kNotImportantRange;
            if (o.bSkippedFar)
                continue;
            if (!o.bUpdatableComputed)
            {
                o.bUpdatable = Updatable(o);
                o.bUpdatableComputed = 1;
            }
            if (!o.bUpdatable)
                continue;
            ++m_iUpdatedObjects;
            if (m_fPeriodicTimer < 0.0f && (o.dwFlags & kCrushFlag))
                StepCrush(&o);
            StepLoopingFx(&o);
            if (o.pSound)
            {
                StepSoundEmitter(&o);
                StepPeriodicSound(&o);
            }
            if (o.pBlinking)
                StepBlinking(&o);
            if (o.bFalling)
                StepFalling(&o);
            if (o.bShooting)
                StepShooting(&o);
            if (o.Type == OT_SKINMESH)
            {
                if (o.Object)
                    static_cast<ESkinMesh*>(o.Object)->Update(dt);
                else if (g_Options.Debug > 2)
                    g_Console.Print2("NO Object for ", o.szName);
            }
            if (o.pActionParams && m_bHeroTrigger)
            {
                if (o.bHandOnPending || o.bActionRunning)
                    ContinueActions(&o);
                if (o.bUsed && o.pActionParams)
                    TryWalkIn(&o, *o.pActionParams);
            }
            if (o.pActionParams && o.pActionParams->action_respawn_character_name[0] && o.bActionHasRun)
                UpdateRespawner(&o);
            if (o.fCameraDistance < kNearMarkedRange && (o.dwFlags3 & kNearMarkedKind) &&
                o.fDeathWait < kNearMarkedDeathWait)
                g_PhysicsMgr.MarkNearObject(&o, o.vPosition);
            if (o.fDeathWait > 0.0f)
            {
                o.fDeathWait -= dt;
                if (o.fDeathWait <= 0.0f)
                {
                    HandleDeath(&o);
                    continue;
                }
            }
            if (o.fLifetime > 0.0f)
            {
                o.fLifetime -= dt;
                if (o.fLifetime <= 0.0f)
                    o.bDeletePending = 1;
            }
        }
    }
    m_vHeroLast = m_vHero;
    g_Console.SetVariable("NumTotalActiveObjects", static_cast<float>(m_iActiveObjects), 0);
    g_Console.SetVariable("NumTotalUpdatedObjects", static_cast<float>(m_iUpdatedObjects), 0);
    g_Console.SetVariable("NumTotalTooFarObjects", static_cast<float>(m_iTooFarObjects), 0);
    // 6. Visible skinned meshes bring their nodes up to date.
    const int highSkin = std::min(g_Engine.GetHighWaterMark(OT_SKINMESH), FIRST_LIGHT_SLOT);
    for (int i = FIRST_SKINMESH_SLOT; i < highSkin; ++i)
    {
        strObject& o = g_Engine.m_Objects[i];
        if (o.bUsed && o.bVisible && o.Object && o.Type == OT_SKINMESH)
            static_cast<ESkinMesh*>(o.Object)->UpdateNodeTransforms();
    }
    // 7.
    if (m_fPeriodicTimer < 0.0f)
        m_fPeriodicTimer = kPeriodicPeriod;
}

// A looping effect whose name is set but that is not alive starts again,
// from the level frame effects start on. A name without a definition is
// tried (and reported) once, on that first frame.
void EEngineObject::StepLoopingFx(HOBJECT o)
{
    const DWORD frame = g_MainGame.m_iLevelFrame;
    if (!o->pFxName || !o->pFxName[0] || EEngine::HeldFx(o) || frame < kFxStartFrame)
        return;
    if (!FX.FindFxDef(o->pFxName) && frame != kFxStartFrame)
        return;
    // SetObjectFx copies the name it is given into pFxName: hand it a copy.
    char name[OBJECT_FX_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s", o->pFxName);
    g_Engine.SetObjectFx(o, name);
    if (!o->pFx)
        g_Console.Print3(o->szName, " - proba stworzenia FX nie powiodla sie: ", name);
}

// The emitter's looping sound plays while the camera is within its range and
// its condition variable (when it has one) is on; otherwise it is stopped and
// freed.
void EEngineObject::StepSoundEmitter(HOBJECT o)
{
    EObjectSound& s = *o->pSound;
    if (g_MainGame.m_iLevelFrame < kEmitterLevelFrame || !s.bLooping || !s.szFile[0])
        return;
    const bool wanted =
        o->fCameraDistance <= s.fValue && (!s.szCondition[0] || g_GameAI.IsVariableOn(s.szCondition));
    if (wanted && !s.pSound)
    {
        s.pSound = g_SoundMgr.CreateSound3D(s.szFile);
        if (s.pSound)
        {
            g_SoundMgr.SetSoundPosition(s.pSound, o->vPosition);
            g_SoundMgr.SetSoundDistance(s.pSound, s.fValue);
            g_SoundMgr.PlaySound(s.pSound, true);
        }
    }
    else if (!wanted && s.pSound)
    {
        g_SoundMgr.StopSound(s.pSound);
        g_SoundMgr.DeleteSound(s.pSound);
        s.pSound = nullptr;
    }
}

// Values of the blinking record: the period and its random part, the bright
// intensity and its random part, the dim intensity and its random part.
void EEngineObject::StepBlinking(HOBJECT o)
{
    const EBlinkingParams& b = *o->pBlinking;
    if (!b.bEnabled)
        return;
    enum
    {
        PERIOD,
        PERIOD_RANDOM,
        BRIGHT,
        BRIGHT_RANDOM,
        DIM,
        DIM_RANDOM,
    };
    o->fBlinkTimer -= m_fFrameTime;
    if (o->fBlinkTimer > 0.0f)
        return;
    // The sums are taken in double: two values near the float limit add up to
    // infinity in float, and infinity over infinity is no grey level.
    const double period = static_cast<double>(b.fValues[PERIOD]) + RandomPart(b.fValues[PERIOD_RANDOM]);
    o->fBlinkTimer = std::isfinite(period) ? static_cast<float>(std::min(period, double{FLT_MAX})) : 0.0f;
    o->bBlinkOn = o->bBlinkOn ? 0 : 1;
    const double intensity =
        o->bBlinkOn ? static_cast<double>(b.fValues[BRIGHT]) + RandomPart(b.fValues[BRIGHT_RANDOM])
                    : static_cast<double>(b.fValues[DIM]) + RandomPart(b.fValues[DIM_RANDOM]);
    const double brightest = std::max(static_cast<double>(b.fValues[BRIGHT]) + b.fValues[BRIGHT_RANDOM],
                                      static_cast<double>(b.fValues[DIM]) + b.fValues[DIM_RANDOM]);
    o->fLightValue = std::isfinite(intensity)
                         ? static_cast<float>(std::clamp(intensity, -double{FLT_MAX}, double{FLT_MAX}))
                         : 0.0f;
    double grey = brightest > 0.0 ? intensity / brightest * kGreyLevels : 0.0;
    // Only a checked value is turned into a colour byte.
    if (!std::isfinite(grey))
        grey = 0.0;
    grey = std::clamp(grey, 0.0, double{kGreyLevels});
    const DWORD g = static_cast<DWORD>(grey);
    o->dwLightColor = (g << 24) | (g << 16) | (g << 8) | g;
    o->bLightCacheValid = 0;
}

void EEngineObject::TryWalkIn(HOBJECT o, const EObjectActionParams& p)
{
    if (!p.dwEnabled || !p.action_general_opt || !p.action_general_2 || o->bActionRunning)
        return;
    if (p.action_general_2_once && o->bActionHasRun)
        return;
    if (!(o->fHeroDistance < o->fRadius || o->fHeroDistance < kWalkInRange))
        return;
    ++m_iNearObjects;
    // The hero's step from last frame to this one must cross the object.
    bool crosses = true;
    if (o->Type == OT_MESH && o->Object)
        crosses = static_cast<const EMesh*>(o->Object)->Intersect(&m_vHeroLast, &m_vHero);
    if (crosses && !SaveJustLoaded())
        RunObjectActions(o, 1);
}

// ---- The continuation of a run ------------------------------------------------------------

void EEngineObject::ContinueActions(HOBJECT o)
{
    // A dead object's runs end with it: no delayed hand-on, no more moves.
    if (!o->pActionParams || g_SaveMgr.loadInProgress || o->bDead)
        return;
    const EObjectActionParams p = *o->pActionParams;
    const float dt = m_fFrameTime;
    // 1. A delayed hand-on.
    if (o->bHandOnPending)
    {
        o->fHandOnTimer += dt;
        if (o->fHandOnTimer >= p.action_give_action_to___delay)
        {
            o->bHandOnPending = 0;
            g_Engine.RunObjectAction(p.action_give_action_to___mesh, 0);
        }
    }
    if (!o->bUsed || !o->bActionRunning)
        return;
    // 2.
    o->fActionRunTime += dt;
    if (p.action_take_health_away != 0.0f)
        ActionCalls::HeroChangeHealth(-dt * p.action_take_health_away * kHealthAwayScale);
    // 3 - 5.
    const bool moved = StepMovement(o, p);
    const bool turned = StepRotation(o, p);
    const bool swung = StepDoor(o, p);
    if (HasTurn(p))
    {
        if (!o->bActionBaseSet)
        {
            o->ActionBaseOrientation = o->Orientation;
            o->bActionBaseSet = 1;
        }
        EOrientation r = o->ActionBaseOrientation;
        const D3DXVECTOR3 forward = r.Forward;
        const D3DXVECTOR3 right = r.Right;
        const D3DXVECTOR3 up = r.Up;
        if (o->fRotation[0] != 0.0f)
            r.RotateAxisAngle(&forward, o->fRotation[0] * kDegrees);
        if (o->fRotation[1] != 0.0f)
            r.RotateAxisAngle(&right, o->fRotation[1] * kDegrees);
        if (o->fRotation[2] != 0.0f)
            r.RotateAxisAngle(&up, o->fRotation[2] * kDegrees);
        if (o->fDoorSwing != 0.0f)
            r.RotateAxisAngle(&up, o->fDoorSwing * kDegrees);
        if (!o->bTied)
            g_Engine.SetObjectRotation(o, &r);
    }
    // 6. Everything done: the run ends and the object changes state.
    if (moved && turned && swung)
    {
        o->bActionRunning = 0;
        o->bActionToggled = o->bActionToggled ? 0 : 1;
        o->bKnob = 0;
        if (o->bCameraTurned)
        {
            g_Engine.ForceCameraToLook(nullptr, nullptr);
            o->bCameraTurned = 0;
        }
    }
    // 7.
    constexpr float kRefreshReach = 512.0f;
    if (!(moved && turned && swung) && o->fHeroDistance < kRefreshReach)
        Player.m_bRefresh = 1;
    // 8.
    const D3DXVECTOR3 d(p.action_moving[0], p.action_moving[1], p.action_moving[2]);
    if (D3DXVec3Length(&d) > kShortestMove && !o->bTied)
    {
        const D3DXVECTOR3 position = o->vStartPosition + o->vMoveOffset;
        g_Engine.SetObjectPosition(o, &position, 1);
    }
}

bool EEngineObject::StepMovement(HOBJECT o, const EObjectActionParams& p)
{
    D3DXVECTOR3 direction(p.action_moving[0], p.action_moving[1], p.action_moving[2]);
    if (D3DXVec3Length(&direction) <= kShortestMove)
        return true;
    const float speed = std::fabs(p.action_moving[3]);
    const float travel = std::fabs(p.action_moving[4]);
    bool done;
    if (!o->bActionToggled)
        done = StepToward(&o->fMoveDistance, travel, speed * m_fFrameTime);
    else
        done = StepToward(&o->fMoveDistance, 0.0f, speed * m_fFrameTime);
    D3DXVec3Normalize(&direction, &direction);
    o->vMoveOffset = direction * o->fMoveDistance;
    return done;
}

bool EEngineObject::StepRotation(HOBJECT o, const EObjectActionParams& p)
{
    // The angles turn toward values one, three and two.
    const float targets[3] = {p.action_rotation[0], p.action_rotation[2], p.action_rotation[1]};
    const float step =
        (p.action_rotation_acceleration * o->fActionRunTime + p.action_rotation[3]) * m_fFrameTime;
    bool done = true;
    for (int i = 0; i < 3; ++i)
    {
        if (targets[i] == 0.0f)
            continue;
        done = StepToward(&o->fRotation[i], o->bActionToggled ? 0.0f : targets[i], step) && done;
    }
    return done;
}

bool EEngineObject::StepDoor(HOBJECT o, const EObjectActionParams& p)
{
    if (!p.action_door)
        return true;
    if (o->bKnob)
        o->fKnobTimer += m_fFrameTime;
    const float speed = p.action_door_speed > 0.0f ? p.action_door_speed : kDefaultDoorSpeed;
    const float target = o->bActionToggled ? 0.0f : o->fDoorAngle;
    return StepToward(&o->fDoorSwing, target, speed * m_fFrameTime);
}

// ---- Ties and targets -------------------------------------------------------------------------

// A tie needs both names to fit their fields: a longer one is refused and the
// tie stays as it was. A target that does not exist yet is looked up by the
// tie step until it does; a target without the socket leaves the tie alone.
void EEngineObject::TieToSocket(HOBJECT object, const char* socket, const char* target)
{
    if (!object || !socket || !target || !socket[0] || !target[0])
        return;
    if (std::strlen(target) >= static_cast<size_t>(OBJECT_TIE_NAME_SIZE))
    {
        g_Console.Print("!!! 1");
        return;
    }
    if (std::strlen(socket) >= static_cast<size_t>(OBJECT_TIE_NAME_SIZE))
    {
        g_Console.Print("!!! 2");
        return;
    }
    HOBJECT t = g_Engine.FindObject(target, 0);
    if (t)
    {
        D3DXMATRIX m;
        EOrientation orientation;
        if (!g_Engine.GetObjectSocket(t, socket, &m, &orientation))
        {
            g_Console.Print4("Tie: ", target, " nie ma socketa ", socket);
            return;
        }
    }
    object->bTied = 1;
    object->bTieReported = 0;
    std::snprintf(object->szTieSocket, sizeof object->szTieSocket, "%s", socket);
    std::snprintf(object->szTieObject, sizeof object->szTieObject, "%s", target);
    object->pTiedTo = t;
    for (int i = 0; i < 3; ++i)
        object->TiedToPesel[i] = t ? t->PESEL[i] : 0;
}

void EEngineObject::SetTieOrientation(HOBJECT object, const EOrientation* orientation)
{
    if (!object)
        return;
    object->bUseTieOrientation = orientation ? 1 : 0;
    object->TieOrientation = orientation ? *orientation : EOrientation();
}

void EEngineObject::LockOrientation(HOBJECT object, BYTE locked)
{
    if (object)
        object->bLockOrientation = locked ? 1 : 0;
}

bool EEngineObject::SaveJustLoaded()
{
    constexpr DWORD kFramesAfterLoad = 5;
    return g_SaveMgr.m_bLoadedFromSave && g_SaveMgr.m_iFramesSinceLevelStart < kFramesAfterLoad;
}

void EEngineObject::Untie(HOBJECT object)
{
    if (!object)
        return;
    // The names stay: tying again finds the same socket.
    object->bTied = 0;
    object->pTiedTo = nullptr;
}

// The tie step: every tied object follows its target's socket, turned further
// by its own action rotation. A held target is checked each time: once it has
// gone (swapped for its wreck, say) the name is looked up again.
void EEngineObject::UpdateTies()
{
    if (!g_Options.UpdateObjectsLinked)
        return;
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = g_Engine.m_Objects[i];
        if (!o.bUsed || !o.bTied)
            continue;
        HOBJECT t = o.pTiedTo;
        if (t && (!t->bUsed || t->PESEL[0] != o.TiedToPesel[0] || t->PESEL[1] != o.TiedToPesel[1] ||
                  t->PESEL[2] != o.TiedToPesel[2]))
            t = nullptr;
        if (!t)
        {
            t = g_Engine.FindObject(o.szTieObject, 0);
            o.pTiedTo = t;
            for (int k = 0; k < 3; ++k)
                o.TiedToPesel[k] = t ? t->PESEL[k] : 0;
            if (!t)
            {
                if (!o.bTieReported)
                    g_Console.Print2(o.szName, " - niby przywiazany, ale nie ma obiektu do przywiazania!");
                o.bTieReported = 1;
                continue;
            }
        }
        // Neither seen nor shown: nothing to follow until one of them is.
        if ((!o.bVisible && !t->bVisible) || (!(o.dwFlags & OF_PHYSICS) && !(t->dwFlags & OF_PHYSICS)))
            continue;
        D3DXMATRIX socket;
        EOrientation orientation;
        if (!g_Engine.GetObjectSocket(t, o.szTieSocket, &socket, &orientation))
        {
            if (!o.bTieReported)
                g_Console.Print2("No socket to tie object: ", o.szTieSocket);
            o.bTieReported = 1;
            continue;
        }
        const D3DXVECTOR3 position = D3DXVECTOR3(socket._41, socket._42, socket._43) + o.vMoveOffset;
        const D3DXVECTOR3 moved = position - o.vPosition;
        constexpr float kSmallestMove = 0.1f;
        constexpr float kNearCamera = 180.0f;
        const D3DXVECTOR3 toCamera = o.vPosition - camera;
        if (D3DXVec3Length(&moved) > kSmallestMove || o.bVisible || D3DXVec3Length(&toCamera) < kNearCamera)
            g_Engine.SetObjectPosition(&o, &position, 1);
        if (o.bUseTieOrientation)
        {
            EOrientation tied = o.TieOrientation;
            tied.Multiply(&orientation.Quaternion);
            orientation = tied;
        }
        if (o.pActionParams && o.bActionHasRun)
        {
            const D3DXVECTOR3 forward = orientation.Forward;
            const D3DXVECTOR3 right = orientation.Right;
            const D3DXVECTOR3 up = orientation.Up;
            if (o.fRotation[0] != 0.0f)
                orientation.RotateAxisAngle(&forward, o.fRotation[0] * kDegrees);
            if (o.fRotation[1] != 0.0f)
                orientation.RotateAxisAngle(&right, o.fRotation[1] * kDegrees);
            if (o.fRotation[2] != 0.0f)
                orientation.RotateAxisAngle(&up, o.fRotation[2] * kDegrees);
        }
        if (!o.bLockOrientation)
            g_Engine.SetObjectRotation(&o, &orientation);
        constexpr DWORD kNoNodeRefresh = 0x8000;
        if (o.Type == OT_SKINMESH && o.Object)
        {
            auto* skin = static_cast<ESkinMesh*>(o.Object);
            skin->Update(m_fFrameTime);
            if (!(o.dwFlags & kNoNodeRefresh))
                skin->UpdateNodeTransforms();
        }
    }
}

void EEngineObject::ForgetObject(HOBJECT object)
{
    if (object && m_hDirectionPointerTarget == object)
        m_hDirectionPointerTarget = nullptr;
    if (object && m_hExplosiveTarget == object)
        m_hExplosiveTarget = nullptr;
    if (object && m_hLastShake == object)
        m_hLastShake = nullptr;
}

// The direction pointer and the explosive target hold an object found by
// name; a name that finds nothing clears them.
void EEngineObject::SetDirectionPointerTarget(const char* name)
{
    m_hDirectionPointerTarget = nullptr;
    m_szDirectionPointerTarget[0] = 0;
    if (!name || !name[0])
        return;
    if (g_Options.Debug)
        g_Console.Print2("Setting direction pointer to ", name);
    HOBJECT o = g_Engine.FindObject(name, 0);
    if (!o || std::strlen(o->szName) >= sizeof m_szDirectionPointerTarget)
    {
        if (g_Options.Debug)
            g_Console.Print("Object not found, resetting direction pointer.");
        return;
    }
    if (g_Options.Debug)
        g_Console.Print("Object found and set as target.");
    m_hDirectionPointerTarget = o;
    std::snprintf(m_szDirectionPointerTarget, sizeof m_szDirectionPointerTarget, "%s", o->szName);
    ActionCalls::HudDirectionPointer(o);
}

void EEngineObject::SetExplosiveTarget(const char* name)
{
    m_hExplosiveTarget = nullptr;
    m_szExplosiveTarget[0] = 0;
    if (!name || !name[0])
        return;
    if (g_Options.Debug)
        g_Console.Print2("Setting explosive target to ", name);
    HOBJECT o = g_Engine.FindObject(name, 0);
    if (!o || std::strlen(o->szName) >= sizeof m_szExplosiveTarget)
    {
        if (g_Options.Debug)
            g_Console.Print("Object not found, resetting explosive target.");
        return;
    }
    if (g_Options.Debug)
        g_Console.Print("Object found and set as explosive target.");
    m_hExplosiveTarget = o;
    std::snprintf(m_szExplosiveTarget, sizeof m_szExplosiveTarget, "%s", o->szName);
}
