// The people of the demo world: a soldier model authored in centimetres (the
// characters' models are drawn at a hundredth of their size) with its
// sockets, hit zones and animations; two hats and the eyes; the character
// description scripts and the hats file; and the
// respawners that bring a soldier on guard at the east end of the town, a
// partner beside the hero and a civilian by the houses when the level starts.
#include "tools/worldgen/DemoWorld.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "platform/win32/Path.h"
#include "tools/skingen/BoxFigure.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace worldgen
{
namespace
{
constexpr float kPi = 3.14159265f;
constexpr double kKeysPerSecond = 30.0;
constexpr const char* kFolder = "models/demo_soldier";
constexpr const char* kTexture = "demo_stone.tga";
constexpr const char* kHatCap = "meshes\\demo\\hat_cap.x";
constexpr const char* kHatHelmet = "meshes\\demo\\hat_helmet.x";
constexpr const char* kEye = "meshes\\demo\\eye.x";
constexpr const char* kScripts = "scripts\\postacie.txt";
constexpr const char* kFolderScript = "scripts\\postacie\\demo_people.txt";
constexpr const char* kHats = "scripts\\character_hats.txt";

using Bone = boxfigure::BoxBone;

// The townsfolk's skeleton at a hundred times their size: feet at the origin.
const std::vector<Bone>& Bones()
{
    static const std::vector<Bone> bones = {
        {"Bip01", -1, 0, 95, 0, {-1, -1, -1}, {1, 1, 1}},
        {"Bip01_Pelvis", 0, 0, 0, 0, {-17, -10, -10}, {17, 5, 10}},
        {"Bip01_Spine", 1, 0, 5, 0, {-16, 0, -9}, {16, 20, 9}},
        {"Bip01_Spine1", 2, 0, 20, 0, {-19, 0, -10}, {19, 26, 10}},
        {"Bip01_Neck", 3, 0, 26, 0, {-5, 0, -5}, {5, 6, 5}},
        {"Bip01_Head", 4, 0, 6, 0, {-10, 0, -11}, {10, 24, 11}},
        {"Bip01_L_UpperArm", 3, -25, 23, 0, {-5, -30, -5}, {5, 0, 5}},
        {"Bip01_L_Forearm", 6, 0, -30, 0, {-4.5f, -28, -4.5f}, {4.5f, 0, 4.5f}},
        {"Bip01_R_UpperArm", 3, 25, 23, 0, {-5, -30, -5}, {5, 0, 5}},
        {"Bip01_R_Forearm", 8, 0, -30, 0, {-4.5f, -28, -4.5f}, {4.5f, 0, 4.5f}},
        {"Bip01_L_Thigh", 1, -10, -5, 0, {-7, -42, -7}, {7, 0, 7}},
        {"Bip01_L_Calf", 10, 0, -42, 0, {-6, -40, -6}, {6, 0, 6}},
        {"Bip01_L_Foot", 11, 0, -40, 0, {-5, -8, -6}, {5, 0, 16}},
        {"Bip01_R_Thigh", 1, 10, -5, 0, {-7, -42, -7}, {7, 0, 7}},
        {"Bip01_R_Calf", 13, 0, -42, 0, {-6, -40, -6}, {6, 0, 6}},
        {"Bip01_R_Foot", 14, 0, -40, 0, {-5, -8, -6}, {5, 0, 16}},
    };
    return bones;
}

// Where things sit on the figure: the hat on the crown, the eyes and the look
// point in the face, the weapon in the right hand.
constexpr const char* kSockets = "hat Bip01_Head 0 24 0 0 0 0\r\n"
                                 "oczy Bip01_Head 0 14 11 0 0 0\r\n"
                                 "oko_l Bip01_Head -4 14 11 0 0 0\r\n"
                                 "oko_p Bip01_Head 4 14 11 0 0 0\r\n"
                                 "hand_r Bip01_R_Forearm 0 -28 6 0 0 0\r\n"
                                 // The rocket launcher on the right shoulder, a grenade in the right hand.
                                 "rpg Bip01_R_UpperArm 0 4 -6 0 0 0\r\n"
                                 "granat Bip01_R_Forearm 0 -30 0 0 0 0\r\n";

// Hit zones named so that the first letters give the body part: "glowa" the
// head, "lewa_reka"/"prawa_reka" the arms, "lewa_noga"/"prawa_noga" the legs.
// Their nodes move with the model's scale but their sizes are taken as they
// stand, so the sizes are in world units.
constexpr const char* kHitZones =
    "sphere glowa\r\nnode_name Bip01_Head\r\nradius 0.14\r\nhit_zone_name glowa\r\n"
    "cylinder tulow\r\nstart_node_name Bip01_Pelvis\r\nfinish_node_name Bip01_Neck\r\n"
    "thickness 0.2\r\nhit_zone_name tulow\r\n"
    "cylinder lewa_reka\r\nstart_node_name Bip01_L_UpperArm\r\nfinish_node_name Bip01_L_Forearm\r\n"
    "thickness 0.06\r\nhit_zone_name lewa_reka\r\n"
    "cylinder prawa_reka\r\nstart_node_name Bip01_R_UpperArm\r\nfinish_node_name Bip01_R_Forearm\r\n"
    "thickness 0.06\r\nhit_zone_name prawa_reka\r\n"
    "cylinder lewa_noga\r\nstart_node_name Bip01_L_Thigh\r\nfinish_node_name Bip01_L_Foot\r\n"
    "thickness 0.08\r\nhit_zone_name lewa_noga\r\n"
    "cylinder prawa_noga\r\nstart_node_name Bip01_R_Thigh\r\nfinish_node_name Bip01_R_Foot\r\n"
    "thickness 0.08\r\nhit_zone_name prawa_noga\r\n";

// A bone's turn (pitch about x, roll about z, radians) and the root's drop at time t.
struct Turn
{
    float pitch = 0.0f, roll = 0.0f, drop = 0.0f;
};
using Pose = std::function<Turn(const std::string& bone, double t)>;

BinaContent Animate(double length, const Pose& pose)
{
    BinaContent c;
    c.dKeyTimeScale = kKeysPerSecond;
    c.dLength = length;
    const int keys = static_cast<int>(std::lround(length * kKeysPerSecond));
    for (const Bone& b : Bones())
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        for (int k = 0; k <= keys; ++k)
        {
            const Turn turn = pose(b.name, static_cast<double>(k) / kKeysPerSecond);
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, turn.pitch, turn.roll);
            track.fTimeTranslation.push_back(static_cast<float>(k));
            track.vTranslation.push_back(D3DXVECTOR3(b.x, b.y - turn.drop, b.z));
            track.fTimeRotation.push_back(static_cast<float>(k));
            track.qRotation.push_back(q);
        }
        c.nodes.push_back(track);
    }
    return c;
}

float Wave(double t, double period)
{
    return static_cast<float>(std::sin(2.0 * kPi * t / period));
}

// Standing, breathing; the arms hold the rifle forward.
Turn Stand(const std::string& bone, double t, float aim)
{
    Turn turn;
    const float s = Wave(t, 2.0);
    if (bone == "Bip01_Spine1")
        turn.pitch = 0.03f * s;
    else if (bone == "Bip01_R_UpperArm")
        turn.pitch = -0.6f - aim;
    else if (bone == "Bip01_L_UpperArm")
        turn.pitch = -0.9f - aim, turn.roll = -0.3f;
    else if (bone == "Bip01_R_Forearm" || bone == "Bip01_L_Forearm")
        turn.pitch = -0.5f;
    return turn;
}

// Legs swinging with the stride; a run swings wider and faster.
Turn Stride(const std::string& bone, double t, double period, float swing)
{
    Turn turn = Stand(bone, 0.0, 0.0f);
    const float s = Wave(t, period);
    if (bone == "Bip01_L_Thigh")
        turn.pitch = -swing * s;
    else if (bone == "Bip01_R_Thigh")
        turn.pitch = swing * s;
    else if (bone == "Bip01_L_Calf")
        turn.pitch = swing * (s > 0 ? s : 0);
    else if (bone == "Bip01_R_Calf")
        turn.pitch = swing * (s < 0 ? -s : 0);
    return turn;
}

Turn Crouch(const std::string& bone, double t)
{
    Turn turn = Stand(bone, t, 0.2f);
    if (bone == "Bip01")
        turn.drop = 35.0f;
    else if (bone == "Bip01_L_Thigh" || bone == "Bip01_R_Thigh")
        turn.pitch = -1.3f;
    else if (bone == "Bip01_L_Calf" || bone == "Bip01_R_Calf")
        turn.pitch = 1.6f;
    return turn;
}

// Falling backwards over the animation and lying still at its end.
Turn Fall(const std::string& bone, double t, double length, float from)
{
    const float f = static_cast<float>(t / length);
    Turn turn;
    if (bone == "Bip01")
    {
        turn.pitch = -1.5f * f;
        turn.drop = from + (80.0f - from) * f;
    }
    else if (bone == "Bip01_L_UpperArm" || bone == "Bip01_R_UpperArm")
        turn.roll = (bone[5] == 'L' ? -1.0f : 1.0f) * f;
    return turn;
}

// ---- Fighting stances: standing, crouching and lying to shoot, the moves
// between them, leaning out of cover, the launcher and the throw.

// Lying on the belly, the rifle held forward on the elbows.
Turn Prone(const std::string& bone, double t)
{
    Turn turn;
    const float s = Wave(t, 2.0);
    if (bone == "Bip01")
    {
        turn.pitch = 1.45f;
        turn.drop = 80.0f;
    }
    else if (bone == "Bip01_Head")
        turn.pitch = -1.1f;
    else if (bone == "Bip01_R_UpperArm" || bone == "Bip01_L_UpperArm")
        turn.pitch = -2.5f + 0.02f * s;
    else if (bone == "Bip01_R_Forearm" || bone == "Bip01_L_Forearm")
        turn.pitch = -0.4f;
    return turn;
}

// The crouch with the rifle up at the shoulder.
Turn CrouchAim(const std::string& bone, double t)
{
    Turn turn = Crouch(bone, t);
    if (bone == "Bip01_R_UpperArm")
        turn.pitch = -1.2f;
    else if (bone == "Bip01_L_UpperArm")
        turn.pitch = -1.5f, turn.roll = -0.3f;
    return turn;
}

// Crouched and leaning to one side (+1 right, -1 left) past cover.
Turn Leaned(const std::string& bone, double t, float side)
{
    Turn turn = CrouchAim(bone, t);
    if (bone == "Bip01_Spine")
        turn.roll = -0.35f * side;
    else if (bone == "Bip01_Spine1")
        turn.roll = -0.2f * side;
    return turn;
}

Turn Mix(const Turn& a, const Turn& b, float f)
{
    Turn turn;
    turn.pitch = a.pitch + (b.pitch - a.pitch) * f;
    turn.roll = a.roll + (b.roll - a.roll) * f;
    turn.drop = a.drop + (b.drop - a.drop) * f;
    return turn;
}

// A move from one pose to another over the animation's length, eased at both ends.
Pose Between(Pose from, Pose to, double length)
{
    return [from, to, length](const std::string& bone, double t)
    {
        const float u = static_cast<float>(t / length);
        const float eased = u * u * (3.0f - 2.0f * u);
        return Mix(from(bone, t), to(bone, t), eased);
    };
}

Turn StandAim(const std::string& bone, double t)
{
    return Stand(bone, t, 0.5f);
}

// The grenade throw: the right arm swings back, then over the shoulder.
Turn Throw(const std::string& bone, double t, double length)
{
    Turn turn = Stand(bone, t, 0.0f);
    const float u = static_cast<float>(t / length);
    if (bone == "Bip01_R_UpperArm")
        turn.pitch = u < 0.5f ? 1.2f * (u / 0.5f) : 1.2f - 4.0f * (u - 0.5f);
    else if (bone == "Bip01_Spine1")
        turn.roll = 0.2f * Wave(t, length);
    return turn;
}

struct Animation
{
    const char* name;
    double length;
    Pose pose;
};

const std::vector<Animation>& Animations()
{
    static const std::vector<Animation> animations = []
    {
        std::vector<Animation> a = {
            {"idle", 2.0, [](const std::string& b, double t) { return Stand(b, t, 0.0f); }},
            {"aim", 2.0, [](const std::string& b, double t) { return Stand(b, t, 0.5f); }},
            {"walk", 1.0, [](const std::string& b, double t) { return Stride(b, t, 1.0, 0.45f); }},
            {"run", 0.6, [](const std::string& b, double t) { return Stride(b, t, 0.6, 0.8f); }},
            // The civilian's wary walk: two footsteps a loop, at 0.77 s and 1.77 s.
            {"czujny_idzie", 2.0, [](const std::string& b, double t) { return Stride(b, t, 2.0, 0.4f); }},
            {"crouch", 2.0, Crouch},
            {"glowa_gada", 0.5,
             [](const std::string& b, double t)
             {
                 Turn turn;
                 if (b == "Bip01_Head")
                     turn.pitch = 0.1f * Wave(t, 0.5);
                 return turn;
             }},
            {"glowa_nie_gada", 0.5, [](const std::string&, double) { return Turn(); }},
            {"smierc_z_lezenia", 1.0, [](const std::string& b, double) { return Fall(b, 1.0, 1.0, 80.0f); }},
        };
        // Poses held while shooting (looped) and the moves between the stances.
        const Pose stand = StandAim;
        const Pose crouch = Crouch;
        const Pose crouchAim = CrouchAim;
        const Pose prone = Prone;
        const Pose right = [](const std::string& b, double t) { return Leaned(b, t, 1.0f); };
        const Pose left = [](const std::string& b, double t) { return Leaned(b, t, -1.0f); };
        a.push_back({"stoi_strzela", 2.0, stand});
        a.push_back({"stoi2", 2.0, [](const std::string& b, double t) { return Stand(b, t, 0.2f); }});
        a.push_back({"stoi_celuje_lewo_prawo", 4.0,
                     [](const std::string& b, double t)
                     {
                         Turn turn = Stand(b, t, 0.4f);
                         if (b == "Bip01_Spine1")
                             turn.roll = 0.25f * Wave(t, 4.0);
                         return turn;
                     }});
        a.push_back({"kuca", 2.0, crouch});
        a.push_back({"kuca_strzela", 2.0, crouchAim});
        a.push_back({"lezy", 2.0, prone});
        a.push_back({"lezy_strzela", 2.0, prone});
        a.push_back({"stoi_do_kuca", 0.6, Between(stand, crouchAim, 0.6)});
        a.push_back({"kuca_do_stoi", 0.6, Between(crouchAim, stand, 0.6)});
        a.push_back({"stoi_do_lezy", 1.2, Between(stand, prone, 1.2)});
        a.push_back({"lezy_do_stoi", 1.2, Between(prone, stand, 1.2)});
        a.push_back({"kuca_do_lezy", 0.9, Between(crouchAim, prone, 0.9)});
        a.push_back({"lezy_do_kuca", 0.9, Between(prone, crouchAim, 0.9)});
        a.push_back({"wychyl_kuca_prawo_do", 0.5, Between(crouchAim, right, 0.5)});
        a.push_back({"wychyl_kuca_prawo_strzela", 1.0, right});
        a.push_back({"wychyl_kuca_prawo_od", 0.5, Between(right, crouchAim, 0.5)});
        a.push_back({"wychyl_kuca_lewo_do", 0.5, Between(crouchAim, left, 0.5)});
        a.push_back({"wychyl_kuca_lewo_strzela", 1.0, left});
        a.push_back({"wychyl_kuca_lewo_od", 0.5, Between(left, crouchAim, 0.5)});
        // The launcher: kneeling with the tube on the shoulder, and its kick.
        a.push_back({"kuca_strzela_gora", 2.0,
                     [](const std::string& b, double t)
                     {
                         Turn turn = Crouch(b, t);
                         if (b == "Bip01_R_UpperArm" || b == "Bip01_L_UpperArm")
                             turn.pitch = -1.9f;
                         return turn;
                     }});
        a.push_back({"rpg_strzela1", 3.5,
                     [](const std::string& b, double t)
                     {
                         Turn turn;
                         if (b == "Bip01_Spine1" && t > 3.0)
                             turn.pitch = -0.15f * static_cast<float>(3.5 - t) / 0.5f;
                         return turn;
                     }});
        a.push_back(
            {"rzut_granatem_01", 3.2, [](const std::string& b, double t) { return Throw(b, t, 3.2); }});
        static const char* const standing[] = {"smierc_ze_stania1", "smierc_ze_stania2", "smierc_ze_stania3",
                                               "smierc_ze_stania4", "smierc_ze_stania5", "smierc_ze_stania6",
                                               "smierc_ze_stania7", "smierc_ze_stania8"};
        for (const char* name : standing)
            a.push_back({name, 1.2, [](const std::string& b, double t) { return Fall(b, t, 1.2, 0.0f); }});
        static const char* const crouching[] = {"smierc_z_kucania1", "smierc_z_kucania2", "smierc_z_kucania3",
                                                "smierc_z_kucania4"};
        for (const char* name : crouching)
            a.push_back({name, 0.8, [](const std::string& b, double t) { return Fall(b, t, 0.8, 35.0f); }});
        return a;
    }();
    return animations;
}

// The file of an animation: the model starts the one whose name ends in "_DEFAULT".
std::string AnimationFile(const Animation& a)
{
    const bool first = std::strcmp(a.name, "idle") == 0;
    return std::string(kFolder) + "/animations/" + a.name + (first ? "_DEFAULT.bin" : ".bin");
}

std::string ParamsFile(const Animation& a)
{
    return std::string(kFolder) + "/animations/" + a.name + ".txt";
}

bool WriteFile(const std::filesystem::path& root, const std::string& relative, const std::string& text)
{
    const std::filesystem::path path = root / Slashes(relative);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    FILE* f = TkFopen(path.string().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

// ---- The description scripts ----------------------------------------------------------------

// The soldier's phases: on guard he looks left and right until he sees the
// player near him or hears or sees a fight; then he stands (the bot's standing
// phase), moves to a firing place, takes cover, rushes the player; the
// estimate phase picks one.
constexpr const char* kSoldierPhases = "faza warta\r\n"
                                       "animacja stoi_celuje_lewo_prawo\r\n"
                                       "loop\r\n"
                                       "show_weapon\r\n"
                                       "on_kontakt estimate\r\n"
                                       "faza estimate\r\n"
                                       "faza_estimate\r\n"
                                       "on_koniec bot_stoi\r\n"
                                       "faza bot_stoi\r\n"
                                       "animacja idle\r\n"
                                       "animacja_dn crouch\r\n"
                                       "loop\r\n"
                                       "bot\r\n"
                                       "show_weapon\r\n"
                                       "obrot_do_gracza\r\n"
                                       "on_postrzal0 bot_chowa_sie 0.5\r\n"
                                       "faza bot_do_strzalu\r\n"
                                       "animacja run\r\n"
                                       "bot\r\n"
                                       "estimate_do_strzalu\r\n"
                                       "on_koniec bot_stoi\r\n"
                                       "faza bot_chowa_sie\r\n"
                                       "animacja run\r\n"
                                       "bot\r\n"
                                       "estimate_kryjowka\r\n"
                                       "on_koniec bot_stoi\r\n"
                                       "faza bot_do_gracza\r\n"
                                       "animacja run\r\n"
                                       "bot\r\n"
                                       "estimate_do_gracza\r\n"
                                       "on_koniec bot_stoi\r\n"
                                       "faza czujny_idzie\r\n"
                                       "animacja walk\r\n"
                                       "loop\r\n"
                                       "estimate_patrol\r\n"
                                       "on_koniec bot_stoi\r\n"
                                       // Between two cover points, for good.
                                       "faza do_oslony_a\r\n"
                                       "animacja run\r\n"
                                       "loop\r\n"
                                       "estimate_do_mesha cover_a\r\n"
                                       "on_koniec do_oslony_b\r\n"
                                       "faza do_oslony_b\r\n"
                                       "animacja run\r\n"
                                       "loop\r\n"
                                       "estimate_do_mesha cover_b\r\n"
                                       "on_koniec do_oslony_a\r\n";

std::string Description(const char* name, const char* extra, const char* phases)
{
    return std::string("postac ") + name + "\r\nmodel " + DEMO_CHARACTER_MODEL + "\r\noko_l " + kEye +
           " oko_l\r\noko_p " + kEye + " oko_p\r\nsocket_eyes oczy\r\n" + extra + phases;
}

std::string MainScript()
{
    return "// The characters of Duskmere 2: each \"postac\" one kind of character, each \"faza\" one\r\n"
           "// state of its behaviour. Written by tk_worldgen.\r\n\r\n" +
           Description(DEMO_SOLDIER,
                       "weapon AW\r\nzbrojny\r\nHP 100\r\nodleglosc_kontaktu 15\r\n"
                       "kat_kontaktu 60\r\ndefault_faza bot_stoi\r\nsmierc_gracza bot_stoi\r\n",
                       kSoldierPhases) +
           "\r\n" +
           Description(DEMO_SNIPER,
                       "weapon dragunov\r\nsnajper\r\nzbrojny\r\nHP 80\r\nodleglosc_kontaktu 20\r\n"
                       "kat_kontaktu 45\r\ndefault_faza bot_stoi\r\nsmierc_gracza bot_stoi\r\n",
                       kSoldierPhases);
}

std::string FolderScript()
{
    return "// The hero's partner and a townsman, read after the main script.\r\n\r\n" +
           Description(DEMO_PARTNER,
                       "weapon AW\r\npartner\r\nzbrojny\r\nHP 150\r\nodleglosc_kontaktu 10\r\n"
                       "kat_kontaktu 90\r\ndefault_faza stoi\r\nsmierc_gracza stoi\r\n",
                       "faza stoi\r\nanimacja idle\r\nloop\r\nshow_weapon\r\n") +
           "\r\n" +
           Description(DEMO_CIVILIAN,
                       "civilian\r\nHP 40\r\nodleglosc_kontaktu 10\r\nkat_kontaktu 90\r\n"
                       "default_faza czujny_idzie\r\nsmierc_gracza czujny_idzie\r\n",
                       // First to the marker by the start, then a patrol from node to node.
                       "faza idzie_do_znacznika\r\nanimacja czujny_idzie\r\nloop\r\n"
                       "run_to civilian_goal brak czujny_idzie czujny_idzie\r\n"
                       "faza czujny_idzie\r\nanimacja czujny_idzie\r\nloop\r\nestimate_patrol\r\n"
                       "on_koniec czujny_idzie\r\n"
                       "faza ucieka\r\nanimacja run\r\nestimate_od_gracza\r\non_koniec czujny_idzie\r\n");
}

std::string HatsFile()
{
    return std::string("// Hats by the model that wears them: the socket they sit on and the hats\r\n"
                       "// one is chosen from.\r\nmodel ") +
           DEMO_CHARACTER_MODEL + "\r\nsocket hat\r\nhat " + kHatCap + "\r\nhat " + kHatHelmet + "\r\n";
}

// ---- The respawners ---------------------------------------------------------------------------

struct Spawn
{
    const char* object;
    const char* description;
    const char* phase;
    float x, y, z;
    float yaw; // degrees, 0 facing north
};

const Spawn kSpawns[] = {
    // On guard between two houses south of the road, looking at the road.
    {DEMO_SOLDIER_SPAWN, DEMO_SOLDIER, DEMO_SOLDIER_GUARD_PHASE, DEMO_SOLDIER_AT[0], 0.0f, DEMO_SOLDIER_AT[1],
     0.0f},
    // Beside him on the road, looking where he looks.
    {DEMO_PARTNER_SPAWN, DEMO_PARTNER, "stoi", -28.0f, DEMO_ROAD_TOP, -5.0f, 0.0f},
    // By the houses north of the road.
    {DEMO_CIVILIAN_SPAWN, DEMO_CIVILIAN, DEMO_CIVILIAN_FIRST_PHASE, -18.0f, 0.0f, 11.0f, 90.0f},
};
} // namespace

void AddDemoCharacters(std::vector<DemoObject>& objects)
{
    // The level's start hands its actions to the first respawner, each
    // respawner to the next: every one makes its character once.
    for (DemoObject& o : objects)
        if (o.name == DEMO_LEVEL_START)
            o.keys.push_back(std::string("action_give_action_to___mesh ") + kSpawns[0].object);
    const size_t n = sizeof kSpawns / sizeof kSpawns[0];
    for (size_t i = 0; i < n; ++i)
    {
        const Spawn& s = kSpawns[i];
        char turn[64];
        std::snprintf(turn, sizeof turn, "rotation_angles 0 %g 0", static_cast<double>(s.yaw));
        DemoObject o = MeshAt(s.object, DEMO_LEVEL_START_MESH, s.x, s.y, s.z);
        o.keys = {"flags 0",
                  "action_general_opt 1 0",
                  "action_general_2 0 1",
                  turn,
                  std::string("action_respawn_character_name ") + s.description,
                  std::string("action_respawn_character_phase0 ") + s.phase,
                  std::string("action_respawn_character_phase1 ") + s.phase,
                  "action_respawn_params 5 0"};
        if (i + 1 < n)
            o.keys.push_back(std::string("action_give_action_to___mesh ") + kSpawns[i + 1].object);
        objects.push_back(o);
    }
    // The lookout near the soldier, for the console's "Teleport".
    objects.push_back(MeshAt(DEMO_LOOKOUT, DEMO_LEVEL_START_MESH, DEMO_LOOKOUT_AT[0], DEMO_START[1] - 64.0f,
                             DEMO_LOOKOUT_AT[1], {"flags 0"}));
}

namespace
{
// The developer's test soldier (F4 and F5): the soldier's figure with the
// rifle socket "ak47_prawa" and the two animations the keys ask for.
constexpr const char* kTestSoldierFolder = "models/postacie/soldat1";
constexpr const char* kTestSoldierSockets = "ak47_prawa Bip01_R_Forearm 0 -28 6 0 0 0\r\n";

const std::vector<Animation>& TestSoldierAnimations()
{
    static const std::vector<Animation> animations = {
        {"idle", 2.0, [](const std::string& b, double t) { return Stand(b, t, 0.0f); }},
        {"kuca_patrzy_lewo_prawo", 4.0,
         [](const std::string& b, double t)
         {
             Turn turn = Crouch(b, t);
             if (b == "Bip01_Head")
                 turn.roll = 0.5f * Wave(t, 4.0);
             return turn;
         }},
        {"stoi_rozmawia1", 2.0,
         [](const std::string& b, double t)
         {
             Turn turn = Stand(b, t, 0.0f);
             if (b == "Bip01_Head")
                 turn.pitch = 0.12f * Wave(t, 1.0);
             else if (b == "Bip01_L_Forearm")
                 turn.pitch = -0.5f - 0.4f * Wave(t, 2.0);
             return turn;
         }},
    };
    return animations;
}

std::string TestSoldierAnimationFile(const Animation& a)
{
    const bool first = std::strcmp(a.name, "idle") == 0;
    return std::string(kTestSoldierFolder) + "/animations/" + a.name + (first ? "_DEFAULT.bin" : ".bin");
}

std::string TestSoldierParamsFile(const Animation& a)
{
    return std::string(kTestSoldierFolder) + "/animations/" + a.name + ".txt";
}

bool WriteTestSoldier(const std::filesystem::path& root, const SkinModelDesc& model)
{
    std::error_code ec;
    std::filesystem::create_directories(root / kTestSoldierFolder / "animations", ec);
    bool ok = WriteSkinModelFile((root / kTestSoldierFolder / "soldat1.x").string().c_str(), model,
                                 tk::xfile::XFormat::Text);
    ok = WriteFile(root, std::string(kTestSoldierFolder) + "/sockets.txt", kTestSoldierSockets) && ok;
    // His hit zones also give the figure its bounds, so he is drawn whole up close.
    ok = WriteFile(root, std::string(kTestSoldierFolder) + "/collisions.txt", kHitZones) && ok;
    std::string desc;
    for (const Animation& a : TestSoldierAnimations())
    {
        desc += std::string(a.name) + " 0 0 0 1 0 0\r\n";
        ok = bina::WriteFile((root / TestSoldierAnimationFile(a)).string().c_str(),
                             Animate(a.length, a.pose)) &&
             ok;
        ok = WriteFile(root, TestSoldierParamsFile(a), "standard_params 0 0 0 1 0 0\r\n") && ok;
    }
    return WriteFile(root, std::string(kTestSoldierFolder) + "/animations/animations_desc.txt", desc) && ok;
}

void AddTestSoldierFiles(std::vector<std::string>* files)
{
    files->push_back(std::string(kTestSoldierFolder) + "/soldat1.x");
    files->push_back(std::string(kTestSoldierFolder) + "/sockets.txt");
    files->push_back(std::string(kTestSoldierFolder) + "/collisions.txt");
    files->push_back(std::string(kTestSoldierFolder) + "/animations/animations_desc.txt");
    for (const Animation& a : TestSoldierAnimations())
    {
        files->push_back(TestSoldierAnimationFile(a));
        files->push_back(TestSoldierParamsFile(a));
    }
}
} // namespace

bool WriteDemoCharacters(const std::filesystem::path& root)
{
    SkinModelDesc model = boxfigure::Model(Bones());
    model.mesh.materials = {tk::xfile::XMaterialDesc()};
    model.mesh.materials[0].texture = kTexture;
    std::error_code ec;
    std::filesystem::create_directories(root / kFolder / "animations", ec);
    bool ok = WriteSkinModelFile((root / Slashes(DEMO_CHARACTER_MODEL)).string().c_str(), model,
                                 tk::xfile::XFormat::Text);
    ok = WriteFile(root, std::string(kFolder) + "/sockets.txt", kSockets) && ok;
    ok = WriteFile(root, std::string(kFolder) + "/collisions.txt", kHitZones) && ok;
    std::string desc;
    for (const Animation& a : Animations())
    {
        desc += std::string(a.name) + " 0 0 0 1 0 0\r\n";
        ok = bina::WriteFile((root / AnimationFile(a)).string().c_str(), Animate(a.length, a.pose)) && ok;
        ok = WriteFile(root, ParamsFile(a), "standard_params 0 0 0 1 0 0\r\n") && ok;
    }
    ok = WriteFile(root, std::string(kFolder) + "/animations/animations_desc.txt", desc) && ok;
    ok = WriteTestSoldier(root, model) && ok;

    // Hats and eyes, in the centimetres of the model.
    const float olive[3] = {0.30f, 0.34f, 0.20f};
    const float red[3] = {0.60f, 0.12f, 0.10f};
    const float white[3] = {0.90f, 0.90f, 0.88f};
    ok = WriteBoxMesh(root, Slashes(kHatCap), "hat_cap",
                      {{{-11, 0, -12}, {11, 7, 12}, {red[0], red[1], red[2]}, "demo_roof.tga"},
                       {{-11, 0, 12.2f}, {11, 1.5f, 20}, {red[0], red[1], red[2]}, "demo_roof.tga"}}) &&
         ok;
    ok = WriteBoxMesh(root, Slashes(kHatHelmet), "hat_helmet",
                      {{{-13, -4, -13}, {13, 9, 13}, {olive[0], olive[1], olive[2]}, kTexture}}) &&
         ok;
    ok = WriteBoxMesh(
             root, Slashes(kEye), "eye",
             {{{-1.5f, -1.5f, -0.5f}, {1.5f, 1.5f, 0.5f}, {white[0], white[1], white[2]}, kTexture}}) &&
         ok;
    ok = WriteFile(root, kScripts, MainScript()) && ok;
    ok = WriteFile(root, kFolderScript, FolderScript()) && ok;
    ok = WriteFile(root, kHats, HatsFile()) && ok;
    ok = WriteDemoVoices(root) && ok;
    return ok;
}

std::vector<std::string> DemoCharacterFiles()
{
    std::vector<std::string> files = {Slashes(DEMO_CHARACTER_MODEL),
                                      std::string(kFolder) + "/sockets.txt",
                                      std::string(kFolder) + "/collisions.txt",
                                      std::string(kFolder) + "/animations/animations_desc.txt",
                                      Slashes(kHatCap),
                                      Slashes(kHatHelmet),
                                      Slashes(kEye),
                                      Slashes(kScripts),
                                      Slashes(kFolderScript),
                                      Slashes(kHats)};
    for (const Animation& a : Animations())
    {
        files.push_back(AnimationFile(a));
        files.push_back(ParamsFile(a));
    }
    for (const std::string& f : DemoVoiceFiles())
        files.push_back(f);
    AddTestSoldierFiles(&files);
    return files;
}
} // namespace worldgen
