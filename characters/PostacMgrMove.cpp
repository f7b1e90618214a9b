// CPostacMgr: how far a character moves each frame (read off its
// animation's name), its footsteps, the talking head, pushes, dropping a
// path, skeleton refreshes thinned with distance, placing the model, the look
// direction and the turn towards it, and the model's solidity.
#include "characters/PathMgr.h"
#include "characters/PostacGeometry.h"
#include "characters/PostacMgr.h"

#include "mesh/SkinMesh.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
using namespace postacgeometry;
struct SpeedRow
{
    const char* name;
    float speed;
};

// Units a second by animation name; of the names the animation contains the
// longest wins, so "bieg_bron" and "idzie2" are not taken for "bieg" and "idzie".
constexpr SpeedRow kSpeeds[] = {
    {"bieg", 5.0f},
    {"bieg_bron", 5.0f},
    {"bieg2", 5.0f},
    {"chodzi_ambient", 1.6f},
    {"chodzi_ambient_wolniej", 1.2f},
    {"arab_scene1_walk", 1.6f},
    {"idzie", 1.8f},
    {"idzie_celuje", 1.8f},
    {"idzie_przod_bron_nisko", 1.8f},
    {"idzie2", 1.4f},
    {"patrol", 1.6f},
    {"sprint", 5.6f},
    {"sprint2", 5.6f},
};
constexpr float kDefaultSpeed = 2.0f;

struct StepRow
{
    const char* name;
    float first;
    float second;
};

constexpr StepRow kSteps[] = {
    {"idzie_nisko", 0.36f, 1.07f},
    {"czujny_idzie", 0.77f, 1.77f},
    {"biegnie_zaalarmowany1", 0.3f, 0.68f},
    {"biegnie_zaalarmowany2", 0.3f, 1.68f},
    {"biegnie", 0.3f, 0.77f},
};

constexpr float kStepRange = 15.0f;
constexpr float kStepHeight = 5.0f;
constexpr float kStepLoop = 0.2f;
constexpr float kStepSoundRange = 60.0f;
constexpr int kStepVariants = 5;
constexpr float kPushForce = 1.2f;
constexpr float kDetailNear = 20.0f;
constexpr float kDetailFar = 40.0f;
constexpr float kDetailSpread = 120.0f;
constexpr float kDetailMax = 0.05f;
constexpr float kMoved = 0.001f;
constexpr float kTurned = 0.03f;
constexpr float kModelOffsetScale = 0.01f;
constexpr float kFacingCone = 0.2f;
constexpr float kSeenRecently = 2.0f;
constexpr float kOppositeDot = -0.98f;
constexpr float kOppositeNudge = 0.1f;
constexpr float kTurnRunning = 4.0f;
constexpr float kTurnStanding = 12.0f;
constexpr float kTurnScale = 1.3f;
constexpr float kTurnNotBot = 0.8f;
constexpr float kTurnEngagedRun = 0.5f;
constexpr float kTurnMin = 0.02f;
constexpr float kTurnMax = 0.59f;
constexpr float kSolidReachExtra = 2.0f;
constexpr float kSolidReachMin = 4.0f;
constexpr DWORD kSolidFlag = 0x4;

ESkinMesh* SkinOf(HOBJECT o)
{
    return o && o->bUsed && o->Type == OT_SKINMESH ? static_cast<ESkinMesh*>(o->Object) : nullptr;
}

D3DXVECTOR3 ObjectPosition(HOBJECT o)
{
    D3DVECTOR at;
    g_Engine.GetObjectPosition(o, &at);
    return D3DXVECTOR3(at.x, at.y, at.z);
}
} // namespace

namespace
{
float SpeedByName(const char* animation)
{
    const SpeedRow* best = nullptr;
    for (const SpeedRow& row : kSpeeds)
        if (ContainsNoCase(animation, row.name) && (!best || std::strlen(row.name) > std::strlen(best->name)))
            best = &row;
    return best ? best->speed : kDefaultSpeed;
}

// The speed is asked for several times a frame for every moving character,
// from a handful of names: the last names read keep their speeds, which
// depend on the name alone.
constexpr int kSpeedMemoSize = 16;
constexpr size_t kSpeedMemoName = 64;
struct SpeedMemo
{
    char name[kSpeedMemoName];
    float speed;
};
thread_local SpeedMemo t_speedMemo[kSpeedMemoSize] = {};
thread_local int t_speedMemoUsed = 0;
thread_local int t_speedMemoNext = 0;
} // namespace

float CPostacMgr::AnimationSpeed(const char* animation)
{
    if (!animation)
        return SpeedByName(animation);
    for (int i = 0; i < t_speedMemoUsed; ++i)
        if (std::strcmp(t_speedMemo[i].name, animation) == 0)
            return t_speedMemo[i].speed;
    const float speed = SpeedByName(animation);
    if (const size_t length = std::strlen(animation); length < kSpeedMemoName)
    {
        SpeedMemo& slot = t_speedMemo[t_speedMemoNext];
        std::memcpy(slot.name, animation, length + 1);
        slot.speed = speed;
        t_speedMemoNext = (t_speedMemoNext + 1) % kSpeedMemoSize;
        t_speedMemoUsed = std::min(t_speedMemoUsed + 1, kSpeedMemoSize);
    }
    return speed;
}

float CPostacMgr::GetMoveStep(const strpostac* p) const
{
    if (!p || p->player_record || !p->model)
        return 0.0f;
    return AnimationSpeed(p->anim.szAnimation) * g_Engine.m_fDeltaTime;
}

bool CPostacMgr::FootstepTimes(const char* animation, float* first, float* second)
{
    for (const StepRow& row : kSteps)
        if (ContainsNoCase(animation, row.name))
        {
            if (first)
                *first = row.first;
            if (second)
                *second = row.second;
            return true;
        }
    return false;
}

const char* CPostacMgr::FootstepSet(DWORD material)
{
    switch (material)
    {
    case 1:
        return "sounds\\steps\\metal";
    case 2:
        return "sounds\\steps\\wood";
    case 3:
        return "sounds\\steps\\sand";
    case 7:
        return "sounds\\steps\\glass";
    default:
        return "sounds\\steps\\concrete";
    }
}

bool CPostacMgr::FootstepDue(int* state, float time, float first, float second)
{
    if (*state < 0 || *state > 2)
        *state = 2;
    if (*state == 0 && time > first)
    {
        *state = 1;
        return true;
    }
    if (*state == 1 && time > second)
    {
        *state = 2;
        return true;
    }
    if (*state == 2 && time < kStepLoop)
        *state = 0;
    return false;
}

void CPostacMgr::UpdateFootsteps(strpostac* p)
{
    if (!p || !p->running || !p->faza || !p->model || !p->anim.szAnimation[0])
        return;
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    if (Distance(p->position, camera) > kStepRange || std::fabs(p->position.y - camera.y) > kStepHeight)
        return;
    float first = 0.0f, second = 0.0f;
    if (!FootstepTimes(p->anim.szAnimation, &first, &second))
        return;
    ESkinMesh* skin = SkinOf(p->model);
    if (!skin)
        return;
    if (!FootstepDue(&p->footstep_state, static_cast<float>(skin->GetAnimationTime()), first, second))
        return;
    char file[128];
    std::snprintf(file, sizeof file, "%s%s%i.wav", FootstepSet(p->ground_material),
                  (std::rand() & 1) ? "L" : "R", 1 + std::rand() % kStepVariants);
    g_SoundMgr.PlaySound3DOnce(file, &p->position, kStepSoundRange);
    ++m_iFootsteps;
}

void CPostacMgr::UpdateSpeechHead(strpostac* p)
{
    if (!p || !p->speech || g_SoundMgr.IsPlaying(p->speech))
        return;
    g_SoundMgr.DeleteSound(p->speech);
    p->speech = nullptr;
    if (p->model)
        g_Engine.SetSkinMeshAnimationSlot2(p->model, p->head_variant ? "h_glowa_nie_gada" : "glowa_nie_gada",
                                           1, 0.0f);
}

void CPostacMgr::PushObject(strpostac* p, const char* object)
{
    if (!p || !object || !object[0])
        return;
    HOBJECT o = g_Engine.FindObject(object, 0);
    if (!o)
        return;
    D3DXVECTOR3 force = ObjectPosition(o) - p->position;
    const float len = D3DXVec3Length(&force);
    if (len > 0.0f)
        force /= len;
    force *= kPushForce;
    g_Engine.PutForceToObject(o, &force, 1.0f);
}

void CPostacMgr::ClearPath(strpostac* p)
{
    if (!p)
        return;
    p->place = nullptr;
    CPathMgr::ClearRoute(p);
    p->segment_start = p->position;
    g_PathMgr.FindPlaceFor(p);
}

void CPostacMgr::UpdateAnimationDetail(strpostac* p, bool forced)
{
    if (!p || p->ghost || p->player_record)
        return;
    ESkinMesh* skin = SkinOf(p->model);
    if (!skin || (p->skip_detail && !forced))
        return;
    const float distance = Distance(p->position, g_Camera.GetPosition());
    if (distance < kDetailNear)
        p->detail_interval = 0.0f;
    p->detail_interval -= g_Engine.m_fDeltaTime;
    skin->UpdateNodeTransforms();
    if (distance >= kDetailFar)
        p->detail_interval = std::min((distance - kDetailFar) / kDetailSpread, kDetailMax);
}

void CPostacMgr::SetPosition(strpostac* p, const D3DXVECTOR3& position, const EOrientation& orientation)
{
    if (!p || !p->model)
        return;
    const bool moved = !p->model_placed || Distance(position, p->model_position_set) > kMoved;
    D3DXVECTOR3 forward = Flat(orientation.Forward);
    if (D3DXVec3Length(&forward) == 0.0f)
        forward = Flat(p->orientation.Forward);
    EOrientation wanted(&forward);
    bool turned = !p->model_placed || Distance(forward, p->model_forward_set) > kTurned;
    if (p->yaw_offset != 0.0f)
        turned = true;
    if (p->running_nodes && p->path_point_count >= 3 && p->path_index >= 0 &&
        static_cast<DWORD>(p->path_index) + 2 <= p->path_point_count)
        turned = true;
    if (p->yaw_offset != 0.0f)
    {
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        wanted.RotateAxisAngle(&up, p->yaw_offset);
    }
    const D3DXVECTOR3 at = position + p->model_offset * kModelOffsetScale;
    if (!moved)
        g_Engine.SetObjectRotation(p->model, &wanted);
    else if (!turned)
    {
        g_Engine.SetObjectPosition(p->model, &at, 1);
        p->model_position_set = position;
        g_Engine.SetObjectRotation(p->model, &wanted);
    }
    else
    {
        g_Engine.SetObjectTransform(p->model, &at, &wanted, 0, 1);
        p->model_position_set = position;
    }
    p->model_forward_set = forward;
    p->model_placed = 1;
}

void CPostacMgr::ChooseLookDirection(strpostac* p)
{
    if (!p || !p->faza)
        return;
    const strFaza* f = p->faza;
    const D3DXVECTOR3 heading = Flat(p->orientation.Forward);
    bool face = f->obrot_do_gracza || (f->bot && !p->running) || p->look_requested;
    if (!face && p->target && f->bot && !p->running && p->since_target_seen <= kSeenRecently)
    {
        const D3DXVECTOR3 to = Flat(p->target_position - p->position);
        face = D3DXVec3Dot(&to, &heading) > kFacingCone;
    }
    if (f->bot && p->running && !p->postac_running)
    {
        const D3DXVECTOR3 run = Flat(p->move_direction);
        if (D3DXVec3Length(&run) > 0.0f)
            p->look_direction = run;
        return;
    }
    if (face && p->target)
    {
        D3DXVECTOR3 point = p->aim_point;
        if (p->partner && f->obrot_do_gracza && !p->running)
            point = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
        const D3DXVECTOR3 d = Flat(point - p->position);
        if (D3DXVec3Length(&d) > 0.0f)
            p->look_direction = d;
        return;
    }
    if (p->postac_running)
        return;
    if (f->obrot_do_mesha[0])
    {
        if (HOBJECT o = g_Engine.FindObject(f->obrot_do_mesha, 0))
        {
            const D3DXVECTOR3 d = Flat(ObjectPosition(o) - p->position);
            if (D3DXVec3Length(&d) > 0.0f)
                p->look_direction = d;
        }
        return;
    }
    if (f->obrot_do_postaci[0])
    {
        if (strpostac* o = FindCharacterByName(f->obrot_do_postaci, true))
        {
            const D3DXVECTOR3 d = Flat(o->position - p->position);
            if (D3DXVec3Length(&d) > 0.0f)
                p->look_direction = d;
        }
        return;
    }
    if (!p->look_at[0] || p->running)
        return;
    D3DXVECTOR3 point;
    if (CompareNoCase(p->look_at, "hero") == 0)
        point = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    else if (strpostac* o = FindCharacterByName(p->look_at, true); o && o != p)
        point = o->position;
    else if (HOBJECT obj = g_Engine.FindObject(p->look_at, 0))
        point = ObjectPosition(obj);
    else
    {
        p->look_at[0] = 0;
        return;
    }
    const D3DXVECTOR3 d = Flat(point - p->position);
    if (D3DXVec3Length(&d) > 0.0f)
    {
        p->look_direction = d;
        p->move_direction = d;
    }
}

float CPostacMgr::TurnBlend(float frameTime, bool running, float modObrotu, bool bot, bool engagedRunning)
{
    float blend = frameTime * (running ? kTurnRunning : kTurnStanding) * kTurnScale;
    if (modObrotu != 0.0f)
        blend *= modObrotu;
    if (!bot)
        blend *= kTurnNotBot;
    if (engagedRunning)
        blend *= kTurnEngagedRun;
    return std::clamp(blend, kTurnMin, kTurnMax);
}

void CPostacMgr::TurnToLook(strpostac* p)
{
    if (!p || !p->faza)
        return;
    const D3DXVECTOR3 look = Flat(p->look_direction);
    if (D3DXVec3Length(&look) == 0.0f)
        return;
    const EOrientation wanted(&look);
    const D3DXVECTOR3 forward = Flat(p->orientation.Forward);
    if (D3DXVec3Dot(&forward, &look) < kOppositeDot)
    {
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        p->orientation.RotateAxisAngle(&up, kOppositeNudge);
    }
    const float blend = TurnBlend(g_Engine.m_fDeltaTime, p->running != 0, p->faza->mod_obrotu,
                                  p->faza->bot != 0, p->engaged && p->running);
    p->orientation.Slerp(&wanted.Quaternion, blend);
}

void CPostacMgr::UpdateSolidity(strpostac* p)
{
    if (!p || !p->model || !p->faza)
        return;
    const float reach = std::max(p->model->fRadius + kSolidReachExtra, kSolidReachMin);
    const float distance = Distance(p->position, g_Camera.GetPosition());
    const bool solid = (p->model->dwFlags & kSolidFlag) != 0;
    if (solid && (distance > reach || p->faza->not_solid))
        g_Engine.SetObjectFlags(p->model, 0, kSolidFlag);
    else if (!solid && distance < reach && !p->faza->not_solid)
        g_Engine.SetObjectFlags(p->model, kSolidFlag, kSolidFlag);
}
