// CPostacMgr: the character records: creation from a description, the model
// with its eyes and weapon, lookups, marks, teleports and deletion.
#include "characters/PostacMgr.h"

#include "game/DialogueMgr.h"
#include "player/ItemMgr.h"
#include "player/LaserMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/NpcChatter.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr const char* TAG_POSTAC = "strpostac";
constexpr DWORD KIND_CHARACTER = 2;
constexpr float kNoDisappear = 9999999.0f;
constexpr float kHitPlayerDamage = 40.0f;
constexpr float kLoopSoundHeight = 1.0f;

void DeleteObjectHandle(HOBJECT& object)
{
    if (object)
        g_Engine.DeleteObject(object);
    object = nullptr;
}

// A static mesh of the model scale placed at the character, or null.
HOBJECT AddStaticObject(const char* file, const D3DXVECTOR3& position, const D3DXVECTOR3& scale)
{
    if (!file || !file[0])
        return nullptr;
    EObjectDesc desc;
    desc.Type = OT_MESH;
    CopyCut(desc.szFileName, sizeof desc.szFileName, file);
    desc.vPosition = position;
    desc.vScale = scale;
    desc.dwFlags = CHARACTER_WORN_FLAGS;
    desc.dwFlags2 = CHARACTER_WORN_FLAGS2;
    HOBJECT o = g_Engine.AddObject(&desc);
    if (o)
        g_Engine.SetObjectScale(o, &scale);
    return o;
}
} // namespace

// ---- Level start and end ----------------------------------------------------------------

void CPostacMgr::Init()
{
    ClearAlarms();
    // The objects of the last level's preloads went with its world.
    for (int i = 0; i < MAX_PRELOADED_MODELS; ++i)
    {
        m_hPreloaded[i] = nullptr;
        m_szPreloaded[i][0] = 0;
    }
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
        m_Descriptions[i].preloaded = 0;
    LoadHats();
    CreateFakeHero();
    PreloadPainVoices();
}

void CPostacMgr::Release()
{
    ClearHats();
    DeleteAllCharacters();
    ReleasePreloads();
}

void CPostacMgr::Forget()
{
    FreeDescriptions();
    for (int i = 0; i < MAX_POSTACI; ++i)
        m_Postacie[i] = strpostac{};
    for (strAlarm& a : m_Alarms)
        a = strAlarm{};
    ClearHats();
    for (int i = 0; i < MAX_PRELOADED_MODELS; ++i)
    {
        m_hPreloaded[i] = nullptr;
        m_szPreloaded[i][0] = 0;
    }
    m_iSegmentTests = 0;
    m_iAlarms = 0;
    m_LastAlarm = {};
    m_iDeleteDeadRequests = 0;
}

// ---- Creation --------------------------------------------------------------------------

strpostac* CPostacMgr::CreateCharacter(strPostacDsc* desc)
{
    if (!desc)
        return nullptr;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (p.used)
            continue;
        g_Debug.AddAllocation(TAG_POSTAC);
        p = strpostac{};
        p.slot = static_cast<DWORD>(i);
        p.desc = desc;
        p.used = 1;
        if (ContainsNoCase(desc->models[0], "arab"))
            p.arab_voice = 1;
        else if (ContainsNoCase(desc->models[0], "marine"))
            p.marine_voice = 1;
        p.hit_points = desc->HP;
        p.partner = desc->partner;
        p.hero_keyword = desc->hero;
        p.contact_distance = desc->odleglosc_kontaktu;
        p.civilian = desc->civilian;
        p.armed = desc->zbrojny;
        p.sniper = desc->snajper;
        p.RPG = desc->RPG;
        p.anim_factor = 1.0f;
        p.shot_factor = 1.0f;
        p.target_distance = NO_TARGET_DISTANCE;
        p.path_index = -1;
        return &p;
    }
    return nullptr;
}

strpostac* CPostacMgr::CreateCharacterByName(const char* name)
{
    return CreateCharacter(FindDescription(name));
}

strpostac* CPostacMgr::SpawnCharacter(const char* name, const D3DXVECTOR3* position,
                                      const EOrientation* orientation)
{
    strpostac* p = CreateCharacterByName(name);
    if (!p)
    {
        if (!FindDescription(name))
            g_Console.Print2("Nie ma description ", name ? name : "");
        return nullptr;
    }
    if (position)
    {
        p->position = *position;
        p->rest_position = *position;
    }
    if (orientation)
    {
        p->orientation = *orientation;
        p->start_orientation = *orientation;
    }
    D3DXVECTOR3 forward = p->orientation.Forward;
    D3DXVec3Normalize(&forward, &forward);
    p->look_direction = forward;
    p->look_direction_start = forward;
    return p;
}

void CPostacMgr::CreateFakeHero()
{
    // One player record at most: a save loaded into a restarted world comes
    // after the level start that already made one.
    for (int i = 0; i < MAX_POSTACI; ++i)
        if (m_Postacie[i].used && m_Postacie[i].player_record)
            return;
    strpostac* p = CreateCharacterByName(FAKE_HERO_DESCRIPTION);
    if (!p)
        return;
    CopyCut(p->name, sizeof p->name, FAKE_HERO_NAME);
    p->player_record = 1;
}

void CPostacMgr::CreateCharacterModel(strpostac* p, const char* fixedModel)
{
    if (!p || !p->desc || p->model_made)
        return;
    p->model_made = 1;
    const strPostacDsc& d = *p->desc;
    if (p->player_record)
    {
        EObjectDesc desc;
        desc.Type = OT_MESH;
        CopyCut(desc.szFileName, sizeof desc.szFileName, MARKER_MODEL);
        desc.vPosition = p->position;
        desc.dwFlags = OF_NO_SEGMENT;
        desc.dwFlags2 = CHARACTER_WORN_FLAGS2;
        p->model = g_Engine.AddObject(&desc);
        if (p->model)
        {
            g_Engine.SetObjectName(p->model, "Fake hero");
            p->model->bHidden = 1;
        }
        return;
    }

    const char* model = d.models[0];
    if (d.model_count > 1 && !p->fixed_model)
        model = d.models[static_cast<DWORD>(std::rand()) % d.model_count];
    if (fixedModel && fixedModel[0])
        model = fixedModel;

    if (!p->model && model[0])
    {
        EObjectDesc desc;
        desc.Type = OT_SKINMESH;
        CopyCut(desc.szFileName, sizeof desc.szFileName, model);
        desc.vPosition = p->position;
        desc.Orientation = p->orientation;
        desc.vScale = m_vModelScale;
        desc.dwFlags = CHARACTER_OBJECT_SHOWN;
        desc.dwFlags3 = KIND_CHARACTER;
        desc.fDisappearRange = kNoDisappear;
        p->model = g_Engine.AddObject(&desc);
        if (!p->model)
        {
            char line[512];
            std::snprintf(line, sizeof line, "Failed creating model \"%s for character %s", model, p->name);
            g_Console.Print(line);
        }
        else
        {
            g_Engine.SetObjectName(p->model, p->name);
            // The sequence list drives this model under the character's name.
            CopyCut(p->anim.szName, sizeof p->anim.szName, p->name);
            p->anim.hObject = p->model;
            g_Engine.SetObjectTransform(p->model, &p->position, &p->orientation, 1, 0);
            g_Engine.SetObjectScale(p->model, &m_vModelScale);
            g_Engine.SetObjectDisappearRange(p->model, static_cast<int>(kNoDisappear));
            g_Engine.SetObjectFlags3(p->model, KIND_CHARACTER, ~0u);
            AddHat(p);
            p->eye_l = AddStaticObject(d.oko_l_model, p->position, m_vModelScale);
            p->eye_r = AddStaticObject(d.oko_p_model, p->position, m_vModelScale);
        }
    }

    const char* weapon = d.weapon;
    if (p->weapon_override[0])
        weapon = p->weapon_override;
    if (d.random_weapon[0] && std::rand() % 3 == 0)
        weapon = d.random_weapon;
    if (weapon[0] && !p->weapon)
    {
        EItemInstance* item =
            ItemMgr.FindDescription(weapon) ? AddItem(weapon, &p->position, &p->orientation) : nullptr;
        if (!item)
        {
            char line[512];
            std::snprintf(line, sizeof line, "Failed weapon \"%s\" for character %s", weapon, p->name);
            g_Console.Print(line);
        }
        else
        {
            // A held weapon has no object lying in the world, only its held model.
            g_Engine.DeleteObject(item->m_hWorldObject);
            item->m_hWorldObject = nullptr;
            item->m_iState = ITEM_HELD;
            ItemMgr.CreateHeldModel(item);
            if (item->m_hHeldModel)
                g_Engine.SetObjectFlags(item->m_hHeldModel, CHARACTER_OBJECT_SHOWN, CHARACTER_OBJECT_SHOWN);
            p->shotgun = item->m_bShotgun;
            p->weapon = item;
            p->anim.pWeapon = item->m_pDesc;
        }
    }
    AddRandomAttachments(p);
}

void CPostacMgr::PlaceModel(strpostac* p)
{
    if (p && p->model)
        g_Engine.SetObjectTransform(p->model, &p->position, &p->orientation, 0, 1);
}

// ---- Lookups ---------------------------------------------------------------------------

strpostac* CPostacMgr::FindCharacterByName(const char* name, bool liveOnly)
{
    if (!name || !name[0])
        return nullptr;
    const bool hero = CompareNoCase(name, "hero") == 0;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (!p.used || (liveOnly && p.dead))
            continue;
        if (CompareNoCase(p.name, name) == 0 || (hero && p.player_record))
            return &p;
    }
    return nullptr;
}

strpostac* CPostacMgr::FindCharacterByObject(HOBJECT object)
{
    if (!object)
        return nullptr;
    for (int i = 0; i < MAX_POSTACI; ++i)
        if (m_Postacie[i].used && m_Postacie[i].model == object)
            return &m_Postacie[i];
    return nullptr;
}

void CPostacMgr::MarkCharacter(const char* name, BYTE value)
{
    if (strpostac* p = FindCharacterByName(name, true))
        p->mark = value;
}

namespace
{
// The first used, live, not ghost record of the name (case ignored).
strpostac* FindLiveByName(strpostac* records, const char* name)
{
    if (!name)
        return nullptr;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = records[i];
        if (p.used && !p.dead && !p.ghost && CompareNoCase(p.name, name) == 0)
            return &p;
    }
    return nullptr;
}
} // namespace

void CPostacMgr::TeleportCharacter(const char* name, const D3DXVECTOR3* position)
{
    const bool debug = g_Options.Debug > 0;
    if (debug)
        g_Console.Print2("TeleportCharacter ", name ? name : "");
    strpostac* p = FindLiveByName(m_Postacie, name);
    if (!p)
    {
        if (debug)
            g_Console.Print3("Nie znalazlem zywej postaci ", name ? name : "", " do teleportowania!");
        return;
    }
    if (!position)
        return;
    if (debug)
    {
        g_Console.Print3("Postac ", p->name, " znaleziona, teleportuje!");
        g_Console.PrintVector("Pozycja: ", *position);
    }
    p->position = *position;
    p->rest_position = *position;
    p->movement_counters[0] = 0;
    p->movement_counters[1] = 0;
    SetPosition(p, p->position, p->orientation);
    ClearPath(p);
    p->running = 0;
    p->running_nodes = 0;
    p->in_burst = 0;
}

void CPostacMgr::ForceFazaByName(const char* name, const char* faza)
{
    strpostac* p = FindLiveByName(m_Postacie, name);
    if (!p || !p->desc)
        return;
    SetFaza(p, faza);
}

// ---- Objects worn and held ----------------------------------------------------------------

void CPostacMgr::ShareModelValues(strpostac* p)
{
    if (!p || !p->model || !p->model->bUsed)
        return;
    // What lights the body lights what it wears and holds: the weapon, the
    // hat and the eyes take the model's count of lights and the three lights.
    const strObject& model = *p->model;
    HOBJECT worn[] = {p->weapon ? p->weapon->m_hHeldModel : nullptr, p->second_object, p->hat, p->eye_l,
                      p->eye_r};
    for (HOBJECT o : worn)
    {
        if (!o || !o->bUsed || o == p->model || o->Type == OT_LIGHT)
            continue;
        o->iNumLights = model.iNumLights;
        for (int i = 0; i < OBJECT_MAX_LIGHTS; ++i)
            o->apLights[i] = model.apLights[i];
    }
}

// ---- Deletion ----------------------------------------------------------------------------

void CPostacMgr::DeleteCharacter(strpostac* p)
{
    if (!p || !p->used)
        return;
    g_DialogueMgr.StopDialoguesOf(p, false);
    g_NpcChatter.StopIfSpeaker(p);
    RemoveLaserBeam(p);
    DeleteObjectHandle(p->eye_l);
    DeleteObjectHandle(p->eye_r);
    DeleteObjectHandle(p->hat);
    if (p->loop_sound)
    {
        g_SoundMgr.StopSound(p->loop_sound);
        g_SoundMgr.DeleteSound(p->loop_sound);
        p->loop_sound = nullptr;
    }
    if (p->second_sound)
    {
        g_SoundMgr.StopSound(p->second_sound);
        g_SoundMgr.DeleteSound(p->second_sound);
        p->second_sound = nullptr;
    }
    if (p->speech)
    {
        g_SoundMgr.StopSound(p->speech);
        g_SoundMgr.DeleteSound(p->speech);
        p->speech = nullptr;
    }
    if (p->weapon)
    {
        ItemMgr.DeleteItem(p->weapon->m_iSlot);
        p->weapon = nullptr;
    }
    p->anim.pWeapon = nullptr;
    DeleteDeathMarker(p);
    DeleteObjectHandle(p->model);
    p->anim.hObject = nullptr;
    DeleteObjectHandle(p->second_object);
    for (HOBJECT& a : p->attachments)
        DeleteObjectHandle(a);
    p->attachment_count = 0;
    for (HOBJECT& o : p->extra_objects)
        DeleteObjectHandle(o);
    p->used = 0;
    g_Debug.RemoveAllocation(TAG_POSTAC);
}

void CPostacMgr::DeleteDeadCharacters()
{
    ++m_iDeleteDeadRequests;
    for (int i = 0; i < MAX_POSTACI; ++i)
        if (m_Postacie[i].used && m_Postacie[i].dead)
            DeleteCharacter(&m_Postacie[i]);
}

void CPostacMgr::DeleteAllCharacters()
{
    for (int i = 0; i < MAX_POSTACI; ++i)
        if (m_Postacie[i].used)
            DeleteCharacter(&m_Postacie[i]);
}

// ---- Small services ------------------------------------------------------------------------

void CPostacMgr::HitPlayer(strpostac* p)
{
    if (p)
        Player.TakeDamage(&p->position, kHitPlayerDamage);
}

void CPostacMgr::SetLookAt(strpostac* p, const char* target, bool objectOnly)
{
    if (!p)
        return;
    // The scene objects keep no look-at name of their own: the record's is the one.
    if (!objectOnly)
        CopyCut(p->look_at, sizeof p->look_at, target ? target : "");
}

void CPostacMgr::ClearTalkFlag(strpostac* p)
{
    if (p)
        p->talk_look = 0;
}

void CPostacMgr::GetTargetPosition(const strpostac* p, D3DXVECTOR3* out) const
{
    if (p && out)
        *out = p->target_position;
}

void CPostacMgr::SetLoopSound(strpostac* p, const char* file, float range)
{
    if (!p)
        return;
    if (p->loop_sound)
    {
        g_SoundMgr.StopSound(p->loop_sound);
        g_SoundMgr.DeleteSound(p->loop_sound);
        p->loop_sound = nullptr;
    }
    if (!file || !file[0])
        return;
    D3DVECTOR at = {p->position.x, p->position.y + kLoopSoundHeight, p->position.z};
    p->loop_sound = g_SoundMgr.CreateSound3DAt(file, &at, range, true, true);
    p->loop_sound_range = range;
}

void CPostacMgr::UpdateLoopSoundVolume(strpostac* p)
{
    if (!p || !p->loop_sound)
        return;
    float volume = 0.0f;
    if (p->loop_sound_range > 0.0f && p->camera_distance < p->loop_sound_range)
    {
        volume = (1.0f - p->camera_distance / p->loop_sound_range) * 2.0f;
        if (volume > 1.0f)
            volume = 1.0f;
    }
    g_SoundMgr.SetSoundVolume(p->loop_sound, volume);
}

bool CPostacMgr::IsMountedByCharacter(const char* object)
{
    if (!object || !object[0])
        return false;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = m_Postacie[i];
        if (p.used && !p.dead && p.faza && CompareNoCase(p.faza->mount, object) == 0)
            return true;
    }
    return false;
}

void CPostacMgr::SetActivateParams(const char* object, const char* path, const char* animation, BYTE b0,
                                   BYTE b1, BYTE b2)
{
    m_hActivateObject = (object && object[0]) ? g_Engine.FindObject(object, 0) : nullptr;
    CopyCut(m_szActivatePath, sizeof m_szActivatePath, path ? path : "");
    CopyCut(m_szActivateAnim, sizeof m_szActivateAnim, animation ? animation : "");
    m_bActivate[0] = b0;
    m_bActivate[1] = b1;
    m_bActivate[2] = b2;
}

void CPostacMgr::PlaySoundWithSubtitle(const char* sound, const char* key)
{
    if (!sound || !sound[0] || !key || !key[0])
        return;
    g_SoundMgr.PlaySoundOnce(sound, 1.0f, 0.0f);
    // A line nobody in the world speaks: the HUD shows it in its message box.
    g_Panel.ShowSubtitle(g_TextMgr.GetText(key), nullptr);
}

bool CPostacMgr::HasContactPhases(const strpostac* p) const
{
    return p && p->faza && p->faza->on_kontakt.count > 0;
}
