// CPostacMgr: the characters' save section ("PMgr").
#include "characters/PostacMgr.h"

#include "mesh/SequenceList.h"
#include "mesh/SkinMesh.h"
#include "player/ItemMgr.h"
#include "shell/Console.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace
{
constexpr BYTE kMarkerEnd = 0;
constexpr BYTE kMarkerLive = 1;
constexpr BYTE kMarkerDead = 2;
constexpr DWORD kKindCharacter = 2;
constexpr DWORD kKindDead = 0x10;
constexpr float kAnimationBlend = 0.2f;
constexpr float kAnimationSpeed = 1.0f;
constexpr DWORD kMaxRoutePoint = MAX_ROUTE_POINTS - 1;

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The writer and the reader walk one layout (Layout below), so the two can
// never drift apart. Each item is one save primitive.
struct Writer
{
    FILE* f;
    bool ok = true;
    void Bool(BYTE& b) { ok = WriteBool(f, b != 0) && ok; }
    void U32(DWORD& v) { ok = WriteDword(f, v) && ok; }
    void I32(int& v) { ok = WriteDword(f, static_cast<DWORD>(v)) && ok; }
    void F32(float& v) { ok = WriteFloat(f, v) && ok; }
    void F32(double& v) { ok = WriteFloat(f, static_cast<float>(v)) && ok; }
    void Vec(D3DXVECTOR3& v) { ok = WriteVector(f, &v.x) && ok; }
    void Orient(EOrientation& o) { ok = WriteNamedRecord(f, &o) && ok; }
    void Name(char* s, size_t n) { ok = WriteBytes(f, s, static_cast<DWORD>(n)) && ok; }
    void Text(char* s, size_t) { ok = WriteString(f, s) && ok; }
    void Route(D3DXVECTOR3* v, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            Vec(v[i]);
    }
};

struct Reader
{
    FILE* f;
    bool ok = true;
    void Bool(BYTE& b) { ok = ok && ReadBool(f, &b); }
    void U32(DWORD& v) { ok = ok && ReadDword(f, &v); }
    void I32(int& v)
    {
        DWORD d = 0;
        ok = ok && ReadDword(f, &d);
        v = static_cast<int>(d);
    }
    void F32(float& v) { ok = ok && ReadFloat(f, &v) && std::isfinite(v); }
    void F32(double& v)
    {
        float x = 0.0f;
        F32(x);
        v = x;
    }
    void Vec(D3DXVECTOR3& v) { ok = ok && ReadVector(f, &v.x) && Finite(v); }
    void Orient(EOrientation& o) { ok = ok && ReadNamedRecord(f, &o); }
    // A fixed name field: ended within its last byte whatever the file held.
    void Name(char* s, size_t n)
    {
        ok = ok && ReadBytes(f, s, static_cast<DWORD>(n));
        s[n - 1] = 0;
    }
    void Text(char* s, size_t n) { ok = ok && ReadString(f, s, n); }
    void Route(D3DXVECTOR3* v, size_t n)
    {
        for (size_t i = 0; i < n && ok; ++i)
            Vec(v[i]);
    }
};

// Items 2 to 10 of a character's record, in file order. The values a record
// holds twice are the same field twice: the second occurrence is what a
// load keeps.
template <typename IO> void Layout(IO& io, strpostac& p, char* animation, size_t animationSize)
{
    strPostacSaved& s = p.saved;
    io.Vec(p.death_position);
    for (BYTE* b :
         {&p.immortal,      &p.second_bot_shot, &p.first_bot_shot, &p.holding_weapon, &p.following_bezier,
          &p.running_nodes, &s.run_to_player,   &s.path_run,       &p.model_made,     &p.dead,
          &p.fixed_model,   &p.ghost,           &s.ai_byte,        &p.riding,         &s.shot_byte_a,
          &s.has_laser,     &s.shot_byte_b,     &p.contact,        &s.phase_held,     &s.fired_in_phase,
          &p.suspended,     &p.sees_target,     &s.enemy_runs_away})
        io.Bool(*b);
    io.I32(p.path_index);
    io.U32(p.far_count);
    io.U32(s.ground_material);
    io.U32(s.node_count);
    io.U32(p.path_point_count);
    io.U32(s.path_value);
    for (float* v : {&p.camera_distance, &s.carried_step, &s.run_node_timer, &s.burst_timer,
                     &s.shot_countdown, &s.timer_a, &s.shot_value_a, &s.run_anim_timer, &s.shot_value_b,
                     &p.time_in_phase, &s.run_speed, &p.hit_points, &s.aim_timer, &s.timer_b,
                     &p.target_distance, &p.sway_amplitude, &p.sway_phase, &s.wake_timer, &s.death_value})
        io.F32(*v);
    io.Name(p.remembered_faza, sizeof p.remembered_faza);
    io.U32(s.last_bot_choice);
    io.U32(p.burst_count);
    io.Name(s.name_block, sizeof s.name_block);
    io.Orient(s.weapon_orientation);
    io.Orient(p.orientation);
    for (D3DXVECTOR3* v : {&s.weapon_position, &p.move_direction, &p.look_direction, &s.path_vector,
                           &s.run_vector_a, &s.run_vector_b, &s.look_vector})
        io.Vec(*v);
    io.Route(p.path_points, MAX_ROUTE_POINTS);
    for (D3DXVECTOR3* v : {&p.turn_target, &p.aim_point, &p.target_position, &p.exact_run_target})
        io.Vec(*v);
    io.Bool(s.far_phase_fired);
    io.Bool(s.death_byte);
    io.Bool(s.keep_fixed_model);
    io.Text(p.weapon_override, sizeof p.weapon_override);
    io.Text(animation, animationSize);
    io.Bool(s.estimate_pending);
    io.Bool(s.choose_again);
    io.Bool(s.estimate_phase);
    io.U32(s.respawn_value);
    io.Bool(s.grenade_byte);
    io.F32(s.speed);
    io.F32(p.contact_distance);
    io.F32(s.third_value);
    io.Bool(s.blend_byte);
    io.F32(s.anim_step_timer);
    io.Text(s.ground_surface, sizeof s.ground_surface);
    io.U32(s.record_value);
    for (float& t : s.timers)
        io.F32(t);
    io.F32(s.sight_timer);
    io.F32(s.value_c);
    io.F32(p.since_wound);
    io.Bool(p.talk_look);
    io.Vec(p.talk_look_point);
    io.Bool(p.talking);
    io.Bool(p.hero_keyword);
    io.Bool(s.third_talk);
    io.Bool(s.weapon_byte);
    io.Bool(s.phase_held);
    io.Bool(s.fired_in_phase);
    io.F32(s.timer_c);
    io.Bool(p.riding);
    io.Bool(p.running_nodes);
    io.F32(s.run_node_timer);
    io.Bool(p.following_bezier);
    io.Text(s.bezier_name, sizeof s.bezier_name);
    io.Bool(s.bezier_byte);
    io.F32(s.bezier_time);
    io.F32(s.bezier_length);
    io.F32(s.distance_travelled);
    io.F32(s.run_value_a);
    io.U32(s.last_bot_choice);
    io.F32(s.run_anim_timer);
    io.Bool(s.path_run);
    io.Vec(s.run_vector_a);
    io.Vec(s.run_vector_b);
    io.Bool(p.postac_running);
    io.Bool(s.phase_change_in_run);
    io.F32(s.run_value_b);
    io.Text(p.run_to_mesh, sizeof p.run_to_mesh);
    io.Text(s.run_to_word2, sizeof s.run_to_word2);
    io.Text(s.run_to_word3, sizeof s.run_to_word3);
    io.F32(s.run_timer);
    io.U32(s.run_mode);
    io.Text(s.run_anim_name, sizeof s.run_anim_name);
    io.Bool(p.anim.bLoop);
    io.Bool(s.shot_byte_c);
    io.Bool(p.stay_on_death);
    io.Bool(s.wait_interruptible);
    io.Bool(s.estimate_flag);
}

ESkinMesh* SkinOf(HOBJECT o)
{
    return o && o->bUsed && o->Type == OT_SKINMESH ? static_cast<ESkinMesh*>(o->Object) : nullptr;
}

bool Saved(const strpostac& p)
{
    return p.used && !p.delete_request && p.model && !p.ghost && !p.player_record && p.desc && p.faza;
}

// The skinned state of a record whose character could not be made is read
// into a temporary instance of its saved model; false when even that cannot
// be made, since the block has no length of its own.
bool ReadSkinWithoutCharacter(FILE* file, const char* model)
{
    EObjectDesc desc;
    desc.Type = OT_SKINMESH;
    CopyCut(desc.szFileName, sizeof desc.szFileName, model);
    HOBJECT temporary = model[0] ? g_Engine.AddObject(&desc) : nullptr;
    ESkinMesh* skin = SkinOf(temporary);
    const bool ok = skin && skin->LoadState(file);
    if (temporary)
        g_Engine.DeleteObject(temporary);
    return ok;
}
} // namespace

bool CPostacMgr::Save(FILE* file)
{
    if (!file)
        return false;
    bool ok = true;
    for (int i = 0; m_Postacie && i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (!Saved(p))
            continue;
        const BYTE marker = p.dead ? kMarkerDead : kMarkerLive;
        ok = WriteBytes(file, &marker, 1) && ok;
        Writer w{file};
        char descName[POSTAC_NAME_SIZE] = {}, name[POSTAC_NAME_SIZE] = {}, faza[POSTAC_NAME_SIZE] = {};
        CopyCut(descName, sizeof descName, p.desc->name);
        CopyCut(name, sizeof name, p.name);
        CopyCut(faza, sizeof faza, p.faza->name);
        w.Name(descName, sizeof descName);
        w.Vec(p.position);
        w.Orient(p.start_orientation);
        char model[OBJECT_FILE_NAME_SIZE];
        CopyCut(model, sizeof model, p.model->szFileName);
        w.Text(model, sizeof model);
        w.Name(name, sizeof name);
        w.Name(faza, sizeof faza);
        w.U32(p.model->dwFlags);
        w.U32(p.model->dwFlags2);
        char animation[OBJECT_ANIMATION_SIZE];
        CopyCut(animation, sizeof animation,
                p.model->szAnimation[0] ? p.model->szAnimation : p.anim.szAnimation);
        Layout(w, p, animation, sizeof animation);
        ok = w.ok && ok;
        ESkinMesh* skin = SkinOf(p.model);
        ok = (skin ? skin->SaveState(file) : false) && ok;
    }
    ok = WriteBytes(file, &kMarkerEnd, 1) && ok;
    return ok;
}

bool CPostacMgr::Load(FILE* file)
{
    if (!file || !m_Postacie)
        return false;
    auto scratch = std::make_unique<strpostac>();
    for (;;)
    {
        BYTE marker = 0;
        // The end of the file is a damaged section, never a clean end.
        if (!ReadBytes(file, &marker, 1))
            return false;
        if (marker == kMarkerEnd)
            break;
        if (marker != kMarkerLive && marker != kMarkerDead)
        {
            g_Console.Print("PMgr load: a character record has an unknown marker");
            return false;
        }
        Reader r{file};
        char descName[POSTAC_NAME_SIZE] = {}, name[POSTAC_NAME_SIZE] = {}, faza[POSTAC_NAME_SIZE] = {};
        char model[OBJECT_FILE_NAME_SIZE] = {};
        D3DXVECTOR3 position(0.0f, 0.0f, 0.0f);
        EOrientation start;
        r.Name(descName, sizeof descName);
        r.Vec(position);
        r.Orient(start);
        r.Text(model, sizeof model);
        if (!r.ok)
            return false;

        // 1. The character from its description, with the saved model.
        strpostac* p = SpawnCharacter(descName, &position, &start);
        if (p)
        {
            p->position = position;
            p->fixed_model = 1;
            CreateCharacterModel(p, model);
            if (p->model)
                g_Engine.SetObjectTransform(p->model, &p->position, &p->start_orientation, 1, 0);
        }
        // 2. The name and the phase, entered without its entry steps: the
        // other sections already restored what those steps would change.
        r.Name(name, sizeof name);
        r.Name(faza, sizeof faza);
        DWORD flags1 = 0, flags2 = 0;
        r.U32(flags1);
        r.U32(flags2);
        strpostac& target = p ? *p : (*scratch = strpostac{}, *scratch);
        if (p)
        {
            CopyCut(p->name, sizeof p->name, name);
            if (p->model)
                g_Engine.SetObjectName(p->model, p->name);
            if (FindFaza(p->desc, faza))
            {
                m_bEnteringFromSave = true;
                SetFaza(p, faza);
                m_bEnteringFromSave = false;
                if (!p->faza)
                    p->faza = FindFaza(p->desc, faza);
            }
            else
                g_Console.Print2("PMgr load: the phase does not exist: ", faza);
            // 3. The flag words, whole.
            if (p->model)
            {
                g_Engine.SetObjectFlags(p->model, flags1, ~0u);
                g_Engine.SetObjectFlags2(p->model, flags2, ~0u);
            }
        }
        // 4. The rest of the record.
        char animation[OBJECT_ANIMATION_SIZE] = {};
        Layout(r, target, animation, sizeof animation);
        if (!r.ok)
            return false;
        target.ghost = 0;
        target.path_point_count = std::min(target.path_point_count, kMaxRoutePoint);
        if (target.path_index > static_cast<int>(target.path_point_count))
            target.path_index = static_cast<int>(target.path_point_count);
        target.saved.node_count = 0;

        // 5. The skinned model's pose.
        ESkinMesh* skin = p ? SkinOf(p->model) : nullptr;
        const bool skinRead = skin ? skin->LoadState(file) : ReadSkinWithoutCharacter(file, model);
        if (!skinRead)
        {
            g_Console.Print2("PMgr load: the skinned state of a character cannot be read: ", model);
            return false;
        }
        if (!p)
            continue;
        p->dead = marker == kMarkerDead ? 1 : 0;
        if (p->model)
            g_Engine.SetObjectFlags3(p->model, p->dead ? kKindDead : kKindCharacter, ~0u);
        if (p->dead && p->weapon)
        {
            // The weapon a dead character dropped lies in the world (the items' section).
            ItemMgr.DeleteItem(p->weapon->m_iSlot);
            p->weapon = nullptr;
        }
        // 6. The animation again, or the saved pose of a body that stays.
        p->anim.hObject = p->model;
        CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, animation);
        if (!p->stay_on_death)
        {
            if (animation[0])
                g_SequenceList.SetCharacterAnimation(&p->anim, animation, p->anim.bLoop, kAnimationBlend,
                                                     kAnimationSpeed);
        }
        else if (skin)
        {
            skin->Update(0.0f);
            skin->UpdateNodeTransforms();
        }
    }
    ClearAlarms();
    CreateFakeHero();
    return true;
}
