// EWorldMgr: the keys of the current object, by the type it was created as.
// Records an object keeps through pointers (road fences, texture painting,
// rigid body, light control) are changed by copy, change and write back.
#include "world/WorldMgr.h"

#include "physics/PhysicsDesc.h"
#include "shell/Console.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace
{
constexpr float DEGREES_TO_RADIANS = 3.14159265358979f / 180.0f;
constexpr DWORD ALL_BITS = 0xFFFFFFFFu;
constexpr DWORD FLAG1_VISIBLE = 0x1;
constexpr DWORD FLAG3_INVISIBLE_IN_GAME = 0x20000;
constexpr DWORD FLAG3_INVISIBLE_IN_EDITOR = 0x80000;

// Capacities of the texts (the longest text is one less).
constexpr unsigned NAME_CAPACITY = 32;
constexpr unsigned SOUND_FILE_CAPACITY = 256;
constexpr unsigned SOUND_CONDITION_CAPACITY = 32;
constexpr unsigned SKIN_SOUND_FILE_CAPACITY = 255;
constexpr unsigned SKIN_SOUND_CONDITION_CAPACITY = 63;
constexpr unsigned PREFAB_CAPACITY = 254;
constexpr unsigned ROAD_TEXTURE_CAPACITY = 66;
constexpr unsigned PAINT_TEXTURE_CAPACITY = 254;
constexpr unsigned PHYSICS_NAME_CAPACITY = 31;
constexpr unsigned PHYSICS_SOUND_CAPACITY = 254;
constexpr unsigned PHYSICS_PREFAB_CAPACITY = 127;
constexpr int LIGHT_NAME_CHARS = LIGHT_CONTROL_NAME_SIZE;
constexpr int MESH_LIGHT_KEYS = 7;
constexpr int PATH_GEN_VALUES = 5;
// The flag (0) and the node count (4) are integers kept in their 32 bits, as
// a fresh mesh keeps them; the other three are floats.
constexpr float PATH_GEN_DEFAULTS[PATH_GEN_VALUES] = {0.0f, 2.0f, 0.5f, 30.0f, 0.0f};
constexpr int PATH_GEN_DEFAULT_NODES = 2000;

float IntBits(int v)
{
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}
constexpr int PAINT_SUBSET_BITS = 16;

// A light name of the light-control record: up to 32 characters, the slot
// filled without a terminator when it takes all 32 (readers stop at 32).
void SetLightName(ELightControlParams& r, int index, const char* name)
{
    char* slot = r.szLights[index];
    std::memset(slot, 0, LIGHT_CONTROL_NAME_SIZE);
    std::memcpy(slot, name, strnlen(name, LIGHT_NAME_CHARS));
}
} // namespace

void EWorldMgr::FlushPosition()
{
    if (!m_hPositioned)
        return;
    HOBJECT o = m_hPositioned;
    m_hPositioned = nullptr;
    g_Engine.SetObjectPosition(o, &m_vPosition, 0);
}

bool EWorldMgr::CommonObjectKeys(HOBJECT o, bool transform)
{
    if (Key("name"))
    {
        const char* rest = GetValue(m_pLine);
        if (rest[0])
        {
            char name[NAME_CAPACITY];
            CopyText("name", sizeof name, name, rest);
            g_Engine.SetObjectName(o, name);
        }
    }
    else if (Key("xpos") || Key("ypos") || Key("zpos"))
    {
        if (m_hPositioned != o)
        {
            FlushPosition();
            D3DVECTOR p = {};
            g_Engine.GetObjectPosition(o, &p);
            m_vPosition = D3DXVECTOR3(p.x, p.y, p.z);
            m_hPositioned = o;
        }
        const float v = RestFloat();
        if (m_szKeyword[0] == 'x')
            m_vPosition.x = v;
        else if (m_szKeyword[0] == 'y')
            m_vPosition.y = v;
        else
            m_vPosition.z = v;
    }
    else if (transform && Key("rotation_angles"))
    {
        const float pitch = Float(1);
        const float yaw = Float(2);
        const float roll = Float(3);
        const EOrientation orientation(yaw * DEGREES_TO_RADIANS, pitch * DEGREES_TO_RADIANS,
                                       roll * DEGREES_TO_RADIANS);
        g_Engine.SetObjectRotation(o, &orientation);
        o->StartOrientation = orientation;
        o->bRotationSet = 1;
    }
    else if (transform && Key("scaling_axis"))
    {
        const float x = Float(1);
        const float y = Float(2);
        const D3DXVECTOR3 scale(x, y, Float(3));
        g_Engine.SetObjectScale(o, &scale);
    }
    else if (Key("flags"))
        g_Engine.SetObjectFlags(o, static_cast<DWORD>(RestInt()), ALL_BITS);
    else if (transform && Key("invisible_in_game"))
    {
        if (RestInt())
        {
            g_Engine.SetObjectFlags(o, 0, FLAG1_VISIBLE);
            g_Engine.SetObjectFlags3(o, FLAG3_INVISIBLE_IN_GAME, FLAG3_INVISIBLE_IN_GAME);
        }
        else
            g_Engine.SetObjectFlags3(o, 0, FLAG3_INVISIBLE_IN_GAME);
    }
    else if (transform && Key("invisible_in_edytor"))
        g_Engine.SetObjectFlags3(o, RestInt() ? FLAG3_INVISIBLE_IN_EDITOR : 0, FLAG3_INVISIBLE_IN_EDITOR);
    else if (Key("flag2"))
        g_Engine.SetObjectFlags2(o, static_cast<DWORD>(RestInt()), ALL_BITS);
    else
        return false;
    return true;
}

void EWorldMgr::MeshKeys(HOBJECT o)
{
    if (CommonObjectKeys(o, true))
        return;
    if (Key("editor_display_radius"))
        o->iEditorDisplayRadius = RestInt();
    else if (Key("terrain_mesh"))
        o->bTerrainMesh = 1;
    else if (Key("road_mesh"))
        o->bRoadMesh = 1;
    else if (Key("disappear_range"))
        g_Engine.SetObjectDisappearRange(o, Int(1));
    else if (Key("sound_for_mesh"))
    {
        const float range = Float(1);
        char file[SOUND_FILE_CAPACITY];
        if (CopyText("sound_for_mesh", sizeof file, file, GetNthValue(m_pLine, 2)))
            g_Engine.SetObjectSound(o, file, range, "", 1);
    }
    else if (Key("sound_for_mes_ifset"))
    {
        char file[OBJECT_SOUND_FILE_SIZE] = {};
        char condition[OBJECT_SOUND_CONDITION_SIZE] = {};
        float range = 0.0f;
        g_Engine.GetObjectSound(o, file, &range, condition);
        if (CopyText("sound_for_mes_ifset", SOUND_CONDITION_CAPACITY, condition, GetValue(m_pLine)))
            g_Engine.SetObjectSound(o, file, range, condition, 1);
    }
    else if (Key("bush_sound"))
    {
        const float range = Float(1);
        char file[SOUND_FILE_CAPACITY];
        if (CopyText("bush_sound", sizeof file, file, GetNthValue(m_pLine, 2)))
            g_Engine.SetObjectBushSound(o, file, range);
    }
    else if (Key("land_mine"))
        o->bLandMine = Flag(1) ? 1 : 0;
    else if (Key("is_it_tree"))
        o->bIsTree = Flag(1) ? 1 : 0;
    else if (Key("item_dropped"))
        o->bItemDropped = Flag(1) ? 1 : 0;
    else if (RoadKeys(o) || TexturePaintKeys(o))
        return;
    else if (Key("mesh_link_by_socket"))
        LinkBySocket(o, "szObjectName", "szSocketName", LINK_NAME_CAPACITY);
    else if (PhysicsKeys(o))
        return;
    else if (Key("path_generation"))
    {
        float values[PATH_GEN_VALUES];
        std::memcpy(values, PATH_GEN_DEFAULTS, sizeof values);
        values[4] = IntBits(PATH_GEN_DEFAULT_NODES);
        g_Engine.GetObjectPathGenParams(o, values);
        values[0] = IntBits(Flag(1) ? 1 : 0);
        for (int i = 1; i < 4; ++i)
            values[i] = Float(i + 1);
        values[4] = IntBits(Int(5));
        g_Engine.SetObjectPathGenParams(o, values);
    }
    else if (MeshLightKeys(o))
        return;
    ParseBezierStart(this, m_pLine, o);
    ParseObjectLights(this, m_pLine, o);
    ParseObjectActionParams(this, m_pLine, o);
    ParseDeathParams(this, m_pLine, o);
}

void EWorldMgr::SkinMeshKeys(HOBJECT o)
{
    if (CommonObjectKeys(o, true))
        return;
    if (Key("skinmesh_sound_range_and_filename"))
    {
        char file[OBJECT_SOUND_FILE_SIZE] = {};
        char condition[OBJECT_SOUND_CONDITION_SIZE] = {};
        float range = 0.0f;
        g_Engine.GetObjectSound(o, file, &range, condition);
        range = Float(1);
        if (CopyText("skinmesh_sound_range_and_filename", SKIN_SOUND_FILE_CAPACITY, file,
                     GetNthValue(m_pLine, 2)))
            g_Engine.SetObjectSound(o, file, range, condition, 1);
    }
    else if (Key("skinmesh_sound_ifset"))
    {
        char file[OBJECT_SOUND_FILE_SIZE] = {};
        char condition[OBJECT_SOUND_CONDITION_SIZE] = {};
        float range = 0.0f;
        g_Engine.GetObjectSound(o, file, &range, condition);
        if (CopyText("skinmesh_sound_ifset", SKIN_SOUND_CONDITION_CAPACITY, condition,
                     GetNthValue(m_pLine, 1)))
            g_Engine.SetObjectSound(o, file, range, condition, 1);
    }
    ParseObjectActionParams(this, m_pLine, o);
    ParseDeathParams(this, m_pLine, o);
    ParseObjectLights(this, m_pLine, o);
}

void EWorldMgr::LightKeys(HOBJECT o)
{
    if (CommonObjectKeys(o, false))
        return;
    if (Key("range"))
        g_Engine.SetLightRange(o, RestFloat());
    else if (Key("power"))
        o->fLightValue = o->fLightValue2 = RestFloat();
    else if (Key("diffuse"))
    {
        const float r = Float(1);
        const float g = Float(2);
        o->vLightColor = D3DXVECTOR3(r, g, Float(3));
        o->bLightCacheValid = 0;
    }
    else if (Key("light_link_by_socket"))
        LinkBySocket(o, "light_link_by_socket_ObjectName", "light_link_by_socket_SocketName",
                     LIGHT_LINK_NAME_CAPACITY);
    ParseObjectActionParams(this, m_pLine, o);
    ParseDeathParams(this, m_pLine, o);
}

bool EWorldMgr::RoadKeys(HOBJECT o)
{
    const bool use = Key("plotek_use");
    const bool prefab = !use && Key("plotek_prefab");
    const bool road = !use && !prefab && Key("plotek_road");
    if (!use && !prefab && !road)
        return false;
    auto r = std::make_unique<ERoadParams>();
    if (const ERoadParams* held = g_Engine.GetObjectRoadParams(o))
        *r = *held;
    if (use)
    {
        r->bLeftUsed = Flag(1) ? 1 : 0;
        r->bRightUsed = Flag(2) ? 1 : 0;
        r->fLeftWidth = Float(3);
        r->fRightWidth = Float(4);
        r->bLeftFlag2 = Flag(5) ? 1 : 0;
        r->bRightFlag2 = Flag(6) ? 1 : 0;
    }
    else if (prefab)
    {
        const int side = Int(1);
        const int index = Int(2);
        if ((side != 0 && side != 1) || index < 0 || index >= ROAD_PREFABS)
            return true;
        char* field = side == 0 ? r->szLeftPrefabs[index] : r->szRightPrefabs[index];
        CopyText(side == 0 ? "Plotek.Prefab.Lewy" : "Plotek.Prefab.Prawy", PREFAB_CAPACITY, field,
                 GetNthValue(m_pLine, 3));
    }
    else
    {
        r->bRoadFlags[0] = Flag(1) ? 1 : 0;
        r->bRoadFlags[1] = Flag(2) ? 1 : 0;
        for (int i = 0; i < 4; ++i)
            r->fRoadValues[i] = Float(i + 3);
        CopyText("plotek_road", ROAD_TEXTURE_CAPACITY, r->szRoadTexture, GetNthValue(m_pLine, 7));
    }
    g_Engine.SetObjectRoadParams(o, r.get());
    return true;
}

bool EWorldMgr::TexturePaintKeys(HOBJECT o)
{
    static constexpr std::string_view KEYS[] = {"texture_paint_slot_used",
                                                "texture_paint_texture_name",
                                                "texture_paint_texture_density",
                                                "texture_paint_texture_sharpness",
                                                "texture_paint_texture_brightness",
                                                "texture_paint_texture_add_color_saturation",
                                                "texture_paint_texture_additional_color",
                                                "texture_paint_subset_used"};
    int which = -1;
    for (int i = 0; i < static_cast<int>(sizeof KEYS / sizeof KEYS[0]) && which < 0; ++i)
        if (Key(KEYS[i]))
            which = i;
    if (which < 0)
        return false;
    auto t = std::make_unique<ETexturePaintParams>();
    if (!g_Engine.GetObjectTexturePaint(o, t.get()))
        t->Reset();
    const auto slotOk = [](int slot) { return slot >= 0 && slot < TEXTURE_PAINT_SLOTS; };
    switch (which)
    {
    case 0:
    {
        const int slot = Int(1);
        if (!slotOk(slot))
            return true;
        t->bUsed[slot] = Flag(2) ? 1 : 0;
        break;
    }
    case 1:
    {
        const int slot = Int(1);
        if (!slotOk(slot))
            return true;
        CopyText("TP.TextureName", PAINT_TEXTURE_CAPACITY, t->szTextures[slot], GetNthValue(m_pLine, 2));
        break;
    }
    case 2:
    case 3:
    case 4:
    case 5:
    {
        float* field = which == 2   ? t->fDensity
                       : which == 3 ? t->fSharpness
                       : which == 4 ? t->fBrightness
                                    : t->fAddSaturation;
        for (int i = 0; i < TEXTURE_PAINT_SLOTS; ++i)
            field[i] = Float(i + 1);
        break;
    }
    case 6:
    {
        const int slot = Int(1);
        if (!slotOk(slot))
            return true;
        for (int c = 0; c < 3; ++c)
            t->fAddColor[slot][c] = Float(c + 2);
        break;
    }
    default:
    {
        const int subset = Int(1);
        if (subset < 0 || subset >= TEXTURE_PAINT_SUBSETS)
            return true;
        const DWORD mask = static_cast<DWORD>(Int(2));
        for (int i = 0; i < PAINT_SUBSET_BITS; ++i)
            t->bSubsetUsed[subset][i] = (mask >> i) & 1u;
        break;
    }
    }
    g_Engine.SetObjectTexturePaint(o, t.get());
    return true;
}

bool EWorldMgr::PhysicsKeys(HOBJECT o)
{
    static constexpr std::string_view PREFIX = "rigid_body_physics_";
    if (m_iKeywordLength < PREFIX.size() || std::memcmp(m_szKeyword, PREFIX.data(), PREFIX.size()) != 0)
        return false;
    EPhysicsDesc d;
    g_Engine.GetObjectPhysicsDesc(o, &d);
    const auto name = [&](const char* label, char* field, unsigned capacity, int n)
    { CopyText(label, capacity, field, GetNthValue(m_pLine, n)); };
    if (Key("rigid_body_physics_general"))
    {
        d.iShape = Int(1);
        d.fMassOrSize = Float(2);
        d.bRigidBody = Flag(3) ? 1 : 0;
    }
    else if (Key("rigid_body_physics_react_after_bullet_hit"))
        d.bBulletHits = Flag(1) ? 1 : 0;
    else if (Key("rigid_body_physics_react_after_explosion"))
        d.bExplosions = Flag(1) ? 1 : 0;
    else if (Key("rigid_body_physics_friction_coef"))
        d.fFriction = Float(1);
    else if (Key("rigid_body_physics_joint_general"))
    {
        d.bJoint = Flag(1) ? 1 : 0;
        d.fJointValue = Float(2);
    }
    else if (Key("rigid_body_physics_joint_my_socket"))
        name("szJointMySocket", d.szJointSocket, PHYSICS_NAME_CAPACITY, 1);
    else if (Key("rigid_body_physics_joint_to_object"))
        name("szJointToObject", d.szJointPartner, PHYSICS_NAME_CAPACITY, 1);
    else if (Key("rigid_body_physics_joint_object_socket"))
        name("szJointObjectSocket", d.szPartnerSocket, PHYSICS_NAME_CAPACITY, 1);
    else if (Key("rigid_body_physics_disable_collision_with_1"))
        name("szDisableCollisionWith", d.szNoCollision[0], PHYSICS_NAME_CAPACITY, 1);
    else if (Key("rigid_body_physics_disable_collision_with_list"))
    {
        const int index = Int(1);
        if (index < 0 || index >= PHYSICS_NO_COLLISION_NAMES)
            return true;
        name("szDisableCollisionWith", d.szNoCollision[index], PHYSICS_NAME_CAPACITY, 2);
    }
    else if (Key("rigid_body_physics_give_action_to"))
        name("rigid_body_physics_give_action_to", d.szGiveActionTo, PHYSICS_NAME_CAPACITY, 1);
    else if (Key("rigid_body_physics_sound_filename"))
        name("rigid_body_physics_sound_filename", d.szHitSound, PHYSICS_SOUND_CAPACITY, 1);
    else if (Key("rigid_body_physics_sound_params"))
    {
        d.bHitSound = Flag(1) ? 1 : 0;
        d.fHitSoundValue = Float(2);
    }
    else if (Key("rigid_body_physics_silence_between_sounds"))
        d.fHitSoundPause = Float(1);
    else if (Key("rigid_body_physics_collision_sound"))
    {
        d.fCollisionSoundValue = Float(1);
        name("rigid_body_physics_collision_sound", d.szCollisionSound, PHYSICS_SOUND_CAPACITY, 2);
    }
    else if (Key("rigid_body_physics_disable_all_collisions"))
        d.bNoCollisions = Flag(1) ? 1 : 0;
    else if (Key("rigid_body_physics_disable_collisions_with_other_physics"))
        d.bNoCollisionsWithBodies = Flag(1) ? 1 : 0;
    else if (Key("rigid_body_physics_not_important"))
        d.bNotImportant = Flag(1) ? 1 : 0;
    else if (Key("rigid_body_physics_construction_prefab_filename"))
        name("rigid_body_physics_construction_prefab_filename", d.szPrefab, PHYSICS_PREFAB_CAPACITY, 1);
    else
        return false;
    g_Engine.SetObjectPhysicsDesc(o, &d);
    return true;
}

bool EWorldMgr::MeshLightKeys(HOBJECT o)
{
    static constexpr std::string_view LIGHT_KEYS[MESH_LIGHT_KEYS] = {
        "mesh_light_control_light0", "mesh_light_control_light1", "mesh_light_control_light2",
        "mesh_light_control_light3", "mesh_light_control_light4", "mesh_light_control_light5",
        "mesh_light_control_light6"};
    int index = -1;
    const char* name = nullptr;
    const bool params = Key("mesh_light_control_params");
    if (!params && Key("mesh_light_control2_light"))
    {
        index = Int(1);
        if (index < 0 || index >= LIGHT_CONTROL_NAMES)
        {
            g_Console.Print("ERROR: blad w pliku *.w, zly numer swiatla na mesha...");
            Refuse("light number out of range", m_szKeyword);
            return true;
        }
        name = GetNthValue(m_pLine, 2);
    }
    for (int i = 0; !params && index < 0 && i < MESH_LIGHT_KEYS; ++i)
        if (Key(LIGHT_KEYS[i]))
        {
            index = i;
            name = GetValue(m_pLine);
        }
    if (!params && index < 0)
        return false;
    ELightControlParams r;
    g_Engine.GetObjectLightControl(o, &r);
    if (params)
    {
        r.bEnabled = Flag(1) ? 1 : 0;
        r.bFlag2 = Flag(2) ? 1 : 0;
    }
    else
    {
        char text[LIGHT_NAME_CHARS + 1];
        if (!CopyText(m_szKeyword, sizeof text, text, name))
            return true;
        SetLightName(r, index, text);
    }
    g_Engine.SetObjectLightControl(o, &r);
    return true;
}
