#pragma once
// Fighting characters for the tests: a centimetre figure with every stance,
// pose, lean, rocket and throw animation (and the "rpg" and "granat"
// sockets), descriptions of a soldier, a sniper, a partner and a rocket
// carrier with the bots' phases, and frame steps of their timers and models.

#include "characters_fixture.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinMesh.h"

#include <string>
#include <vector>

namespace chartest
{
inline constexpr float kFightFrame = 1.0f / 60.0f;
inline constexpr const char* kFighterModel = "models\\fighter\\fighter.x";

// Every stance, pose and lean animation; transitions last 0.5 s, loops 1 s.
inline const char* const kStanceAnimations[] = {
    "stoi_strzela",
    "kuca",
    "lezy",
    "stoi_do_kuca",
    "stoi_do_lezy",
    "kuca_do_stoi",
    "kuca_do_lezy",
    "lezy_do_stoi",
    "lezy_do_kuca",
    "kuca_strzela",
    "lezy_strzela",
    "stoi2",
    "stoi_celuje_lewo_prawo",
    "wychyl_kuca_prawo_do",
    "wychyl_kuca_prawo_strzela",
    "wychyl_kuca_prawo_od",
    "wychyl_kuca_lewo_do",
    "wychyl_kuca_lewo_strzela",
    "wychyl_kuca_lewo_od",
    "kuca_strzela_gora",
    "rpg_strzela1",
    "rzut_granatem_01",
};

inline ESkinMesh* Skin(const strpostac* p)
{
    return p->model && p->model->Type == OT_SKINMESH ? static_cast<ESkinMesh*>(p->model->Object) : nullptr;
}

class FightersTest : public CharactersTest
{
protected:
    // A centimetre figure with every stance animation but `missing`.
    void Fighter(const std::string& missing = "")
    {
        const std::vector<boxfigure::BoxBone> bones = {
            {"Bip01", -1, 0, 100, 0, {-30, -100, -20}, {30, 0, 20}},
            {"Bip01_Spine1", 0, 0, 0, 0, {-35, 0, -20}, {35, 70, 20}},
            {"Bip01_Head", 1, 0, 70, 0, {-12, 0, -12}, {12, 25, 12}},
        };
        SkinModelDesc desc = boxfigure::Model(bones);
        desc.mesh.materials = {tk::xfile::XMaterialDesc()};
        std::filesystem::create_directories("models/fighter/animations");
        ASSERT_TRUE(WriteSkinModelFile(kFighterModel, desc, tk::xfile::XFormat::Text));
        temp->Write("models/fighter/sockets.txt", "rpg Bip01_Spine1 20 60 0 0 0 0\n"
                                                  "granat Bip01_Spine1 30 50 10 0 0 0\n");
        for (const char* name : kStanceAnimations)
        {
            if (missing == name)
                continue;
            const std::string n(name);
            const bool loop = n.find("strzela") != std::string::npos || n == "kuca" || n == "lezy" ||
                              n == "stoi2" || n == "stoi_celuje_lewo_prawo";
            BinaContent c;
            c.dKeyTimeScale = 100.0;
            c.dLength = loop ? 1.0 : 0.5;
            for (const auto& b : bones)
            {
                tNodeAnim track;
                std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
                track.fTimeTranslation = {0.0f, static_cast<float>(c.dLength * 100.0)};
                track.vTranslation = {D3DXVECTOR3(b.x, b.y, b.z), D3DXVECTOR3(b.x, b.y, b.z)};
                track.fTimeRotation = {0.0f};
                track.qRotation = {{0.0f, 0.0f, 0.0f, 1.0f}};
                c.nodes.push_back(track);
            }
            ASSERT_TRUE(bina::WriteFile(("models\\fighter\\animations\\" + n + ".bin").c_str(), c));
        }
    }

    // Descriptions of a soldier, a sniper, a partner and a rocket carrier.
    void People(const std::string& missing = "")
    {
        Fighter(missing);
        const std::string model = std::string("model ") + kFighterModel + "\n";
        const std::string phases = "faza bot_stoi\nbot\nloop\n"
                                   "faza bot_do_strzalu\nbot\n"
                                   "faza bot_chowa_sie\nbot\n"
                                   "faza bot_do_gracza\nbot\n"
                                   "faza trzyma\nbot\nnie_odbiegaj\n";
        Scripts("postac soldier\n" + model + "default_faza bot_stoi\n" + phases + "postac sniper\nsnajper\n" +
                model + "default_faza bot_stoi\n" + phases + "postac partner\npartner\n" + model +
                "default_faza bot_stoi\n" + phases + "postac rpg\nRPG\n" + model + "default_faza bot_stoi\n" +
                phases);
    }

    // A character with its model at a point, facing +z.
    strpostac* Fighter(const char* desc, const D3DXVECTOR3& at, const char* name = "f")
    {
        strpostac* p = Character(desc, at, name);
        if (!p)
            return nullptr;
        PMgr.CreateCharacterModel(p, nullptr);
        EXPECT_NE(Skin(p), nullptr);
        PMgr.PlaceModel(p);
        return p;
    }

    // One frame of the parts these tests drive: the timers, then the model.
    static void Step(strpostac* p, float seconds = kFightFrame)
    {
        g_Engine.m_fDeltaTime = seconds;
        // As the per-frame update does for a bot.
        p->stance_timer += seconds;
        p->blend_timer += seconds;
        p->choice_timer += seconds;
        PMgr.AdvanceCombatTimers(p, seconds);
        if (ESkinMesh* skin = Skin(p))
            skin->Update(seconds);
    }

    // Steps until the playing animation may be interrupted.
    static void Finish(strpostac* p)
    {
        for (int i = 0; i < 300 && !g_Engine.CanAnimationBeInterrupted(p->model); ++i)
            Step(p);
    }
};
} // namespace chartest
