// The item catalogue "scripts\items.txt" and the models of its items (boxes
// and six-sided cylinders through the .x writer), and the items the demo
// world lays out on its square.
//
// The models are larger than life: the mesh loader welds corners closer than
// a tenth of a unit, so every part is at least 0.12 thick and parts keep
// their corners apart.
#include "tools/worldgen/DemoWorld.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "platform/d3dx/XMesh.h"
#include "platform/win32/Path.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <system_error>

namespace worldgen
{
namespace
{
using tk::xfile::XMaterialDesc;
using tk::xfile::XMeshDesc;

constexpr int kCylinderSides = 6;
constexpr float kTurn = 6.28318530718f;

enum Paint
{
    IRON,
    WOOD,
    WHITE,
    RED,
    PAINTS
};

XMaterialDesc Material(const char* texture, float r, float g, float b)
{
    XMaterialDesc m;
    m.texture = texture;
    m.diffuse[0] = r;
    m.diffuse[1] = g;
    m.diffuse[2] = b;
    return m;
}

// A model from boxes and cylinders, given in its own space: x across, y up,
// z along the barrel, the lowest point at y 0 so it lies on the ground.
class Model
{
public:
    explicit Model(const char* name)
    {
        m_mesh.name = name;
        m_mesh.materials = {
            Material("demo_iron.tga", 0.25f, 0.25f, 0.27f), Material("demo_wood.tga", 0.55f, 0.38f, 0.2f),
            Material("demo_plaster.tga", 0.95f, 0.95f, 0.92f), Material("demo_roof.tga", 0.8f, 0.1f, 0.1f)};
    }

    void Box(float x0, float y0, float z0, float x1, float y1, float z1, Paint paint)
    {
        const float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
        for (int axis = 0; axis < 3; ++axis)
            for (int side = 0; side < 2; ++side)
            {
                const int u = (axis + 1) % 3, v = (axis + 2) % 3;
                float n[3] = {0, 0, 0};
                n[axis] = side ? 1.0f : -1.0f;
                const uint32_t base = Vertices();
                const float square[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
                for (const auto& c : square)
                {
                    float p[3];
                    p[axis] = side ? hi[axis] : lo[axis];
                    p[u] = c[0] ? hi[u] : lo[u];
                    p[v] = c[1] ? hi[v] : lo[v];
                    Vertex(p, n, c[0], c[1]);
                }
                // (u, v) turns counter-clockwise seen from +axis: clockwise needs
                // the other order on the + side.
                if (side)
                    Quad(base, base + 2, base + 1, base, base + 3, base + 2, paint);
                else
                    Quad(base, base + 1, base + 2, base, base + 2, base + 3, paint);
            }
    }

    // A cylinder along z from z0 to z1 around (x, y).
    void Cylinder(float x, float y, float radius, float z0, float z1, Paint paint)
    {
        for (int i = 0; i < kCylinderSides; ++i)
        {
            const float a0 = kTurn * static_cast<float>(i) / kCylinderSides;
            const float a1 = kTurn * static_cast<float>(i + 1) / kCylinderSides;
            const float mid = (a0 + a1) * 0.5f;
            const float n[3] = {std::cos(mid), std::sin(mid), 0.0f};
            const uint32_t base = Vertices();
            for (const auto& [a, z] :
                 {std::pair{a0, z0}, std::pair{a0, z1}, std::pair{a1, z1}, std::pair{a1, z0}})
            {
                const float p[3] = {x + radius * std::cos(a), y + radius * std::sin(a), z};
                Vertex(p, n, a == a0 ? 0.0f : 1.0f, z == z0 ? 0.0f : 1.0f);
            }
            Quad(base, base + 1, base + 2, base, base + 2, base + 3, paint);
        }
        for (const float z : {z0, z1})
        {
            const float n[3] = {0.0f, 0.0f, z == z0 ? -1.0f : 1.0f};
            const uint32_t centre = Vertices();
            const float c[3] = {x, y, z};
            Vertex(c, n, 0.5f, 0.5f);
            for (int i = 0; i < kCylinderSides; ++i)
            {
                const float a = kTurn * static_cast<float>(i) / kCylinderSides;
                const float p[3] = {x + radius * std::cos(a), y + radius * std::sin(a), z};
                Vertex(p, n, 0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a));
            }
            for (int i = 0; i < kCylinderSides; ++i)
            {
                const uint32_t a = centre + 1 + static_cast<uint32_t>(i);
                const uint32_t b = centre + 1 + static_cast<uint32_t>((i + 1) % kCylinderSides);
                if (z == z0)
                    Triangle(centre, a, b, paint);
                else
                    Triangle(centre, b, a, paint);
            }
        }
    }

    const XMeshDesc& Desc() const { return m_mesh; }

private:
    uint32_t Vertices() const { return static_cast<uint32_t>(m_mesh.positions.size() / 3); }

    void Vertex(const float* p, const float* n, float u, float v)
    {
        m_mesh.positions.insert(m_mesh.positions.end(), {p[0], p[1], p[2]});
        m_mesh.normals.insert(m_mesh.normals.end(), {n[0], n[1], n[2]});
        m_mesh.texcoords.insert(m_mesh.texcoords.end(), {u, 1.0f - v});
    }

    void Triangle(uint32_t a, uint32_t b, uint32_t c, Paint paint)
    {
        // Clockwise seen from the front: flip any triangle whose winding faces away from its normal.
        const float* P = m_mesh.positions.data();
        const float* N = m_mesh.normals.data();
        const float e1[3] = {P[3 * b] - P[3 * a], P[3 * b + 1] - P[3 * a + 1], P[3 * b + 2] - P[3 * a + 2]};
        const float e2[3] = {P[3 * c] - P[3 * a], P[3 * c + 1] - P[3 * a + 1], P[3 * c + 2] - P[3 * a + 2]};
        const float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
        const float facing = cross[0] * N[3 * a] + cross[1] * N[3 * a + 1] + cross[2] * N[3 * a + 2];
        if (facing < 0.0f)
            std::swap(b, c);
        m_mesh.indices.insert(m_mesh.indices.end(), {a, b, c});
        m_mesh.faceMaterials.push_back(static_cast<uint32_t>(paint));
    }

    void Quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f, Paint paint)
    {
        Triangle(a, b, c, paint);
        Triangle(d, e, f, paint);
    }

    XMeshDesc m_mesh;
};

// ---- The models ----------------------------------------------------------------------------

Model Pistol()
{
    Model m("pistol");
    m.Box(-0.1f, 0.35f, -0.2f, 0.1f, 0.6f, 0.6f, IRON);     // slide
    m.Box(-0.07f, 0.0f, -0.15f, 0.07f, 0.45f, 0.08f, WOOD); // grip
    return m;
}

Model Rifle()
{
    Model m("rifle");
    m.Box(-0.12f, 0.25f, -0.5f, 0.12f, 0.55f, 0.6f, IRON); // receiver
    m.Cylinder(0.0f, 0.42f, 0.12f, 0.75f, 1.8f, IRON);     // barrel
    m.Box(-0.1f, 0.2f, -1.3f, 0.1f, 0.5f, -0.65f, WOOD);   // stock
    m.Box(-0.09f, 0.0f, 0.1f, 0.09f, 0.12f, 0.4f, IRON);   // magazine
    return m;
}

Model Shotgun()
{
    Model m("shotgun");
    m.Box(-0.12f, 0.15f, -0.4f, 0.12f, 0.45f, 0.4f, IRON);
    m.Cylinder(0.0f, 0.32f, 0.13f, 0.55f, 1.9f, IRON);
    m.Box(-0.11f, 0.0f, 0.7f, 0.11f, 0.17f, 1.2f, WOOD); // pump
    m.Box(-0.1f, 0.05f, -1.2f, 0.1f, 0.4f, -0.55f, WOOD);
    return m;
}

Model SniperRifle(float length)
{
    Model m("sniper_rifle");
    m.Box(-0.12f, 0.0f, -0.5f, 0.12f, 0.3f, 0.6f, IRON);
    m.Cylinder(0.0f, 0.17f, 0.12f, 0.75f, length, IRON);
    m.Cylinder(0.0f, 0.5f, 0.15f, -0.3f, 0.45f, IRON); // scope
    m.Box(-0.1f, 0.0f, -1.4f, 0.1f, 0.28f, -0.65f, WOOD);
    return m;
}

Model RocketLauncher()
{
    Model m("rocket_launcher");
    m.Cylinder(0.0f, 0.6f, 0.25f, -1.2f, 1.2f, IRON);   // tube
    m.Box(-0.1f, 0.0f, -0.1f, 0.1f, 0.25f, 0.2f, IRON); // grip
    return m;
}

Model Knife()
{
    Model m("knife");
    m.Box(-0.06f, 0.0f, -0.45f, 0.06f, 0.14f, 0.0f, WOOD);  // handle
    m.Box(-0.07f, 0.02f, 0.12f, 0.07f, 0.16f, 0.9f, WHITE); // blade
    return m;
}

Model Grenade()
{
    Model m("grenade");
    m.Box(-0.2f, 0.0f, -0.2f, 0.2f, 0.45f, 0.2f, IRON);
    m.Box(-0.06f, 0.57f, -0.12f, 0.06f, 0.7f, 0.12f, IRON); // fuse
    return m;
}

Model AmmoBox()
{
    Model m("ammo_box");
    m.Box(-0.35f, 0.0f, -0.2f, 0.35f, 0.35f, 0.2f, IRON);
    m.Box(-0.15f, 0.47f, -0.06f, 0.15f, 0.6f, 0.06f, IRON); // handle
    return m;
}

Model MedicalKit()
{
    Model m("medical_kit");
    m.Box(-0.4f, 0.0f, -0.3f, 0.4f, 0.3f, 0.3f, WHITE);
    m.Box(-0.25f, 0.42f, -0.07f, 0.25f, 0.55f, 0.07f, RED); // the cross
    m.Box(-0.07f, 0.44f, -0.22f, 0.07f, 0.57f, 0.22f, RED);
    return m;
}

// ---- The catalogue -------------------------------------------------------------------------

struct ItemModel
{
    const char* file;
    Model (*make)();
};

constexpr const char* PISTOL = "prefabs\\bronie\\pistol.x";
constexpr const char* RIFLE = "prefabs\\bronie\\rifle.x";
constexpr const char* SHOTGUN = "prefabs\\bronie\\shotgun.x";
constexpr const char* SNIPER = "prefabs\\bronie\\sniper_rifle.x";
constexpr const char* HEAVY_SNIPER = "prefabs\\bronie\\heavy_sniper_rifle.x";
constexpr const char* LAUNCHER = "prefabs\\bronie\\rocket_launcher.x";
constexpr const char* KNIFE = "prefabs\\bronie\\knife.x";
constexpr const char* GRENADE = "prefabs\\bronie\\grenade.x";
constexpr const char* AMMO_BOX = "prefabs\\bronie\\ammo_box.x";
constexpr const char* MEDICAL_KIT = "prefabs\\items\\medical_kit.x";

Model Sniper()
{
    return SniperRifle(2.1f);
}
Model HeavySniper()
{
    return SniperRifle(2.6f);
}

const ItemModel MODELS[] = {
    {PISTOL, Pistol},
    {RIFLE, Rifle},
    {SHOTGUN, Shotgun},
    {SNIPER, Sniper},
    {HEAVY_SNIPER, HeavySniper},
    {LAUNCHER, RocketLauncher},
    {KNIFE, Knife},
    {GRENADE, Grenade},
    {AMMO_BOX, AmmoBox},
    {MEDICAL_KIT, MedicalKit},
};

// ---- The models in the hero's hands -------------------------------------------------------
// The weapons the hero holds are the drop models at hand size, in the
// hundredths of a unit held models are drawn at; their files sit in a folder
// of their own beside the drop models.
constexpr const char* DROP_FOLDER = "prefabs\\bronie\\";
constexpr const char* HELD_FOLDER = "prefabs\\bronie\\held\\";
constexpr float kHeldSize = 0.3f;           // of the drop model's size
constexpr float kHeldUnitsPerUnit = 100.0f; // held models are drawn at a hundredth

std::string HeldFile(const char* dropModel)
{
    const std::string drop = dropModel;
    return HELD_FOLDER + drop.substr(std::string(DROP_FOLDER).size());
}

XMeshDesc HeldMesh(XMeshDesc mesh)
{
    for (float& p : mesh.positions)
        p *= kHeldSize * kHeldUnitsPerUnit;
    return mesh;
}

const ItemModel HELD_MODELS[] = {
    {PISTOL, Pistol},
    {RIFLE, Rifle},
    {SHOTGUN, Shotgun},
    {SNIPER, Sniper},
    {HEAVY_SNIPER, HeavySniper},
    {LAUNCHER, RocketLauncher},
};

// What every firearm shares: its sounds, its effects by name, its sockets and its model in hand.
std::string Firearm(const char* name, const char* display, int kind, int ammo, int carried, const char* model)
{
    return std::string("item ") + name + "\nName " + display + "\nWeapon\nUnique_Id " + std::to_string(kind) +
           "\nAmmo " + std::to_string(ammo) + "\nMax_Ammo_Carried " + std::to_string(carried) +
           "\nDrop_Object " + model + "\nHeld_Object " + HeldFile(model) +
           "\nShoot_Sound sounds\\weapons\\shot.wav\nShoot_Sound_Enemy sounds\\weapons\\shot.wav"
           "\nReload_Sound sounds\\weapons\\reload.wav\nDraw_Sound sounds\\weapons\\draw.wav"
           "\nShoot_Socket muzzle\nShoot_Socket_Enemy muzzle\nEnemySocketR hand_r\nPlayer_Shoot_FX "
           "muzzle_flash"
           "\nEnemy_Shoot_FX muzzle_flash\nHit_Concrete_FX dust_puff\nHit_Wood_FX dust_puff"
           "\nHit_Metal_FX sparks\nHit_Sand_FX dust_puff\nHit_Body_FX krew\nPlayer_After_Shoot_FX "
           "smoke_puff\n";
}

std::string Catalogue()
{
    std::string t =
        "// The items of Duskmere 2: weapons by kind (Unique_Id), their ammunition, grenades and\n"
        "// pick-ups. Written by tk_worldgen; effect names are those of the effect definitions.\n\n";
    t += Firearm("p99", "Pistol", 0, 15, 150, PISTOL) +
         "Laser\nLight_Socket laser\nSingle_Shot\npredkosc 2400\nzasieg 60\nHit 25\nEnemy_Hit "
         "20\nPartner_Hit 10\nHitBack 0.3\n"
         "Shoot_Delay 0.15\nCarried_Pos 0.3 -0.35 0.6\nAim_Pos 0 -0.22 0.5\nAim_Fov 0.8\nMovement 0.5\nScale "
         "1\n"
         "Anim_Idle idle\nAnim_Shoot shoot\nAnim_Reload reload\nAnim_Select draw\n\n";
    t += Firearm("AW", "Rifle", 1, 30, 300, RIFLE) +
         "predkosc 3000\nzasieg 120\nHit 35\nEnemy_Hit 25\nPartner_Hit 12\nHitBack 0.5\nShoot_Delay 0.1\n"
         "MP_Celownik\nCarried_Pos 0.3 -0.4 0.7\nAim_Pos 0 -0.25 0.55\nAim_Fov 0.7\nMovement 0.6\nScale 1\n"
         "Anim_Idle idle\nAnim_Shoot shoot\nAnim_Reload reload\nAnim_Select draw\n\n";
    t += Firearm("saiga", "Shotgun", 2, 8, 80, SHOTGUN) +
         "Shotgun\nSingle_Shot\npredkosc 1800\nzasieg 30\nHit 18\nEnemy_Hit 15\nPartner_Hit 8\nHitBack 0.9\n"
         "Shoot_Delay 0.7\ndispersion 0.06\nCarried_Pos 0.3 -0.4 0.7\nAim_Pos 0 -0.25 0.55\nAim_Fov 0.8\n"
         "Movement 0.6\nScale 1\nreload_anim_coef 0.8\n\n";
    t += Firearm("dragunov", "Sniper rifle", 3, 10, 100, SNIPER) +
         "Single_Shot\npowerful_bullet\nSnajper_Celownik\npredkosc 5000\nzasieg 300\nHit 90\nEnemy_Hit 60\n"
         "Partner_Hit 30\nHitBack 0.8\nShoot_Delay 1.0\nCarried_Pos 0.3 -0.4 0.7\nAim_Pos 0 -0.25 0.5\n"
         "Aim_Fov 0.4\nMovement 0.6\nScale 1\n\n";
    t += Firearm("barrett", "Heavy sniper rifle", 4, 5, 50, HEAVY_SNIPER) +
         "Single_Shot\npowerful_bullet\nBig_Gun\nSnajper_Celownik\npredkosc 6000\nzasieg 400\nHit 150\n"
         "Enemy_Hit 100\nPartner_Hit 50\nHitBack 1\nShoot_Delay 1.5\nCarried_Pos 0.3 -0.45 0.75\n"
         "Aim_Pos 0 -0.25 0.5\nAim_Fov 0.3\nMovement 0.7\nScale 1\n\n";
    t += Firearm("rpg", "Rocket launcher", 5, 1, 5, LAUNCHER) +
         "Rocket_Launcher\nSingle_Shot\nBig_Gun\nzasieg 200\nHit 200\nEnemy_Hit 150\nPartner_Hit 60\nHitBack "
         "1\n"
         "Shoot_Delay 2\nno_aim\nCarried_Pos 0.35 -0.3 0.4\nMovement 0.7\nScale 1\n\n";
    // The damage records of the characters' rockets: "rlauncher" for a phase's
    // rocket, "glauncher" for a rocket carrier's shot; no one picks them up.
    t += "item rlauncher\nName Rocket\nWeapon\nBig_Gun\nUnique_Id 5\nAmmo 1\nHit 200\nEnemy_Hit 150\n"
         "Partner_Hit 60\n\n";
    t += "item glauncher\nName Launched rocket\nWeapon\nBig_Gun\nUnique_Id 5\nAmmo 1\nHit 150\n"
         "Enemy_Hit 100\nPartner_Hit 40\n\n";
    t += std::string("item knife\nName Knife\nWeapon\nLethal\nfull_ammo\nSingle_Shot\nUnique_Id 6\nAmmo 1\n"
                     "Max_Ammo_Carried 1\nHit 100\nCut_Body_FX krew\nno_aim\nDrop_Object ") +
         KNIFE + "\n\n";
    t += std::string("item granat\nName Grenade\nWeapon\nGrenade\nUnique_Id 7\nAmmo 1\nMax_Ammo_Carried 6\n"
                     "Hit 120\nDrop_Object ") +
         GRENADE + "\n\n";
    // Ammunition: boxes of the rifle's and the pistol's kind.
    t += std::string(
             "item ammo_aw\nName Rifle ammunition\nWeapon\nUnique_Id 1\nAmmo 30\nMax_Ammo_Carried 300\n"
             "Drop_Object ") +
         AMMO_BOX + "\n\n";
    t += std::string("item medkit\nName Medical kit\nPainkiller\nDrop_Object ") + MEDICAL_KIT + "\n\n";
    t += DemoHeroKitCatalogue();
    return t;
}

// ---- The hero's hand models --------------------------------------------------------------
// The hand grenade and the knife the hero holds are skinned models of one
// bone, "Bip01", each animation a turn of that bone.

constexpr const char* HAND_GRENADE = "models\\!bronie\\granat\\granat.x";
constexpr const char* HAND_KNIFE = "models\\!bronie\\da\\da.x";
constexpr const char* THROWN_GRENADE = "prefabs\\bronie\\m67_low.x";
// The launcher a respawned rocket carrier holds.
constexpr const char* CARRIED_LAUNCHER = "prefabs\\bronie\\rpg7.x";
constexpr double kTicksPerSecond = 4800.0;
constexpr int kKeysPerSecond = 30;

struct HandAnimation
{
    const char* name;
    double seconds;
    float pitch; // the bone's turn about x at the middle of the animation, radians
};

struct HandModel
{
    const char* file;
    const char* folder; // of its animations
    Model (*make)();
    HandAnimation animations[2];
};

SkinModelDesc OneBone(const Model& m)
{
    SkinModelDesc desc;
    SkinModelBone bone;
    bone.name = "Bip01";
    D3DXMatrixIdentity(&bone.local);
    desc.bones.push_back(bone);
    desc.mesh = m.Desc();
    desc.weights.assign(desc.mesh.positions.size() / 3, {{0, 1.0f}});
    return desc;
}

// The bone turns out and back once over the animation.
BinaContent Turn(const HandAnimation& a)
{
    BinaContent c;
    c.dKeyTimeScale = kTicksPerSecond;
    c.dLength = a.seconds;
    tNodeAnim track;
    std::snprintf(track.szName, sizeof track.szName, "%s", "Bip01");
    const int keys = static_cast<int>(std::ceil(a.seconds * kKeysPerSecond)) + 1;
    for (int k = 0; k < keys; ++k)
    {
        const double t = std::min(a.seconds, static_cast<double>(k) / kKeysPerSecond);
        D3DXQUATERNION q;
        const float u = static_cast<float>(std::sin(3.14159265358979 * t / a.seconds));
        D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, a.pitch * u, 0.0f);
        track.fTimeRotation.push_back(static_cast<float>(t * kTicksPerSecond));
        track.qRotation.push_back(q);
    }
    track.fTimeTranslation.push_back(0.0f);
    track.vTranslation.push_back(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    c.nodes.push_back(track);
    return c;
}

Model HandGrenade()
{
    return Grenade();
}

const HandModel HAND_MODELS[] = {
    {HAND_GRENADE, "models/!bronie/granat/animations", HandGrenade, {{"rzut_granat", 0.6, -1.2f}, {}}},
    {HAND_KNIFE, "models/!bronie/da/animations", Knife, {{"niesie", 1.0, 0.05f}, {"dziabie", 0.3, 0.6f}}},
};

bool WriteFile(const std::filesystem::path& root, const std::string& relative, const std::string& bytes)
{
    const std::filesystem::path path = root / Slashes(relative);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    FILE* f = TkFopen(path.string().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

void AddDemoItems(std::vector<DemoObject>* objects)
{
    // A row of pick-ups on the square, south of the road.
    objects->push_back(MeshAt("item_pistol", PISTOL, -6.0f, 0.0f, -4.0f));
    objects->push_back(MeshAt("item_rifle", RIFLE, -3.0f, 0.0f, -4.0f));
    objects->push_back(MeshAt("item_shotgun", SHOTGUN, 0.0f, 0.0f, -4.0f));
    objects->push_back(MeshAt("item_ammo", AMMO_BOX, 3.0f, 0.0f, -4.0f));
    objects->push_back(MeshAt("item_grenade", GRENADE, 5.0f, 0.0f, -4.0f));
    objects->push_back(MeshAt("item_medkit", MEDICAL_KIT, 7.0f, 0.0f, -4.0f));
}

void AddDemoItemFiles(std::vector<std::string>* files)
{
    files->push_back(ITEMS_CATALOGUE);
    for (const ItemModel& m : MODELS)
        files->push_back(m.file);
    files->push_back(THROWN_GRENADE);
    files->push_back(CARRIED_LAUNCHER);
    for (const ItemModel& m : HELD_MODELS)
        files->push_back(HeldFile(m.file));
    for (const HandModel& h : HAND_MODELS)
    {
        files->push_back(h.file);
        files->push_back(std::string(h.folder) + "/animations_desc.txt");
        for (const HandAnimation& a : h.animations)
            if (a.name)
            {
                files->push_back(std::string(h.folder) + "/" + a.name + ".bin");
                files->push_back(std::string(h.folder) + "/" + a.name + ".txt");
            }
    }
}

bool WriteDemoItems(const std::filesystem::path& root)
{
    bool ok = WriteFile(root, ITEMS_CATALOGUE, Catalogue());
    for (const ItemModel& m : MODELS)
    {
        const std::string path = Slashes(m.file);
        const std::filesystem::path full = root / path;
        std::error_code ec;
        std::filesystem::create_directories(full.parent_path(), ec);
        ok =
            tk::xfile::XWriteMeshFile(full.string().c_str(), m.make().Desc(), tk::xfile::XFormat::Text) && ok;
    }
    ok = tk::xfile::XWriteMeshFile((root / Slashes(THROWN_GRENADE)).string().c_str(), Grenade().Desc(),
                                   tk::xfile::XFormat::Text) &&
         ok;
    ok = tk::xfile::XWriteMeshFile((root / Slashes(CARRIED_LAUNCHER)).string().c_str(),
                                   RocketLauncher().Desc(), tk::xfile::XFormat::Text) &&
         ok;
    for (const ItemModel& m : HELD_MODELS)
    {
        const std::string path = Slashes(HeldFile(m.file));
        std::error_code ec;
        std::filesystem::create_directories((root / path).parent_path(), ec);
        ok = tk::xfile::XWriteMeshFile((root / path).string().c_str(), HeldMesh(m.make().Desc()),
                                       tk::xfile::XFormat::Text) &&
             ok;
    }
    for (const HandModel& h : HAND_MODELS)
    {
        const std::string path = Slashes(h.file);
        std::error_code ec;
        std::filesystem::create_directories(root / h.folder, ec);
        ok =
            WriteSkinModelFile((root / path).string().c_str(), OneBone(h.make()), tk::xfile::XFormat::Text) &&
            ok;
        std::string desc;
        for (const HandAnimation& a : h.animations)
        {
            if (!a.name)
                continue;
            desc += std::string(a.name) + " 0 0 0 1 0 0\n";
            const std::filesystem::path bin = root / h.folder / (std::string(a.name) + ".bin");
            ok = bina::WriteFile(bin.string().c_str(), Turn(a)) && ok;
            ok = WriteFile(root, std::string(h.folder) + "/" + a.name + ".txt",
                           "standard_params 0 0 0 1 0 0\n") &&
                 ok;
        }
        ok = WriteFile(root, std::string(h.folder) + "/animations_desc.txt", desc) && ok;
    }
    return ok;
}
} // namespace worldgen
