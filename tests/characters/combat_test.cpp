// Characters in a fight: the damage a bullet does, wounds, explosions with and
// without a wall, deaths that run once with their marker, dropped weapon and
// corpse, bursts, and the shots' magazine.
#include "characters_fixture.h"

#include "characters/KillCam.h"
#include "characters/PostacSockets.h"
#include "game/DialogueMgr.h"
#include "game/BulletHit.h"
#include "mesh/MeshSocketsMgr.h"
#include "player/LaserMgr.h"
#include "shell/HitStats.h"
#include "sound/NpcChatter.h"
#include "ui/Panel.h"
#include "world/IntersectSegment.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>
#include <string>

using namespace chartest;

namespace
{
constexpr const char* kSoldierModel = "models\\soldier\\soldier.x";

class CombatTest : public CharactersTest
{
protected:
    // A soldier description, a partner and the rifle, and the hero's object.
    void World(const std::string& extra = "", const std::string& rifle = "Ammo 30\n")
    {
        ASSERT_NO_FATAL_FAILURE(Figure("soldier"));
        temp->Write("scripts/items.txt", std::string("item Rifle\nName Rifle\nWeapon\nUnique_Id 1\nHit 100\n"
                                                     "Enemy_Hit 10\nLethal\nDrop_Object ") +
                                             BOX_MESH + "\nHeld_Object " + BOX_MESH + "\n" + rifle);
        ItemMgr.LoadDescriptions();
        Scripts(std::string("postac soldier\nmodel ") + kSoldierModel +
                "\nweapon Rifle\nHP 100\nhead_shot_multiplier 4\n" + extra + "faza stoi\nanimacja stoi\n" +
                "postac buddy\npartner\nmodel " + kSoldierModel + "\nweapon Rifle\nHP 100\n");
        const float at[3] = {0.0f, 0.0f, -50.0f};
        Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
        g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
        Player.m_vPosition = {0.0f, 0.0f, -50.0f};
        Player.m_bRiding = 0;
        Player.m_bOnGun = 0;
        g_Options.Difficulty = 0;
    }

    // A character of the description with its model and weapon.
    strpostac* Armed(const char* desc, const D3DXVECTOR3& at, const char* name)
    {
        strpostac* p = Character(desc, at, name);
        if (!p)
            return nullptr;
        PMgr.CreateCharacterModel(p, nullptr);
        EXPECT_NE(p->model, nullptr);
        p->faza = CPostacMgr::FindFaza(p->desc, "stoi");
        return p;
    }

    static int Markers()
    {
        int n = 0;
        for (int i = 0; i < MAX_OBJECTS; ++i)
        {
            const strObject& o = g_Engine.m_Objects[i];
            n += o.bUsed && !o.bDeletePending && CompareNoCase(o.szFileName, CPostacMgr::MARKER_MODEL) == 0 &&
                         o.dwFlags2 == 0x18000000
                     ? 1
                     : 0;
        }
        return n;
    }

    static int LyingRifles()
    {
        int n = 0;
        for (const EItemInstance& item : ItemMgr.items)
            n += item.m_bUsed && item.m_iState == ITEM_LYING && item.m_hWorldObject ? 1 : 0;
        return n;
    }

    // A bullet of the rifle from the shooter on the character's body part.
    static void Shoot(strpostac* p, HOBJECT shooter, DWORD part = BODY_PART_NONE)
    {
        RayTestResult hit;
        hit.pObject = p->model;
        hit.vPoint = p->position + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        hit.iBodyPart = part;
        PMgr.OnBulletHit(p, shooter, &hit.vPoint, &hit, ItemMgr.FindDescription("Rifle"), false);
    }
};
} // namespace

TEST_F(CombatTest, TheDamageFactorOfAHit)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    strpostac* near = Armed("buddy", D3DXVECTOR3(3, 0, 0), "near");
    strpostac* far = Armed("buddy", D3DXVECTOR3(30, 0, 0), "far");
    strpostac* enemy = Armed("soldier", D3DXVECTOR3(3, 0, 3), "enemy");
    ASSERT_TRUE(p && near && far && enemy);
    const EItemDesc* rifle = ItemMgr.FindDescription("Rifle");
    struct Case
    {
        const char* what;
        DWORD part;
        int difficulty;
        BYTE running, wounded, armoured, riding;
        HOBJECT shooter;
        float factor;
    };
    const HOBJECT hero = Player.m_hObject;
    const Case cases[] = {
        {"a body hit", BODY_PART_NONE, 0, 0, 0, 0, 0, enemy->model, 1.0f},
        {"the head takes the description's multiplier", BODY_PART_HEAD, 0, 0, 0, 0, 0, enemy->model, 4.0f},
        {"an arm at difficulty 0", BODY_PART_LEFT_ARM, 0, 0, 0, 0, 0, enemy->model, 1.0f},
        {"an arm at difficulty 1", BODY_PART_RIGHT_ARM, 1, 0, 0, 0, 0, enemy->model, 0.9f},
        {"a leg at difficulty 1", BODY_PART_LEFT_LEG, 1, 0, 0, 0, 0, enemy->model, 0.85f},
        {"running through nodes", BODY_PART_NONE, 0, 1, 0, 0, 0, enemy->model, 2.0f},
        {"a body hit during a wound", BODY_PART_NONE, 0, 0, 1, 0, 0, enemy->model, 0.9f},
        {"a head hit during a wound", BODY_PART_HEAD, 0, 0, 1, 0, 0, enemy->model, 8.0f},
        {"a partner shooting from 3 units", BODY_PART_NONE, 0, 0, 0, 0, 0, near->model, 5.0f},
        {"a partner shooting from 30 units", BODY_PART_NONE, 0, 0, 0, 0, 0, far->model, 1.0f},
        {"armour on the body", BODY_PART_NONE, 0, 0, 0, 1, 0, enemy->model, 0.6f},
        {"armour keeps the head from the multiplier", BODY_PART_HEAD, 0, 0, 0, 1, 0, enemy->model, 1.0f},
        {"the hero riding", BODY_PART_NONE, 0, 0, 0, 0, 1, enemy->model, 3.0f},
        {"the hero's lethal weapon on the body", BODY_PART_NONE, 0, 0, 0, 0, 0, hero, 10.0f},
        {"no shooter", BODY_PART_NONE, 0, 0, 0, 0, 0, nullptr, 1.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_Options.Difficulty = c.difficulty;
        p->running_nodes = c.running;
        p->wound_reaction = c.wounded;
        p->armoured = c.armoured;
        Player.m_bRiding = c.riding;
        EXPECT_NEAR(PMgr.HitDamageFactor(p, c.shooter, c.part, rifle), c.factor, 1e-5f);
    }
}

TEST_F(CombatTest, HitsTakeHealthByShooterWithAMinimumAndPartnersFearOnlyTheHero)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    strpostac* buddy = Armed("buddy", D3DXVECTOR3(20, 0, 0), "buddy");
    strpostac* enemy = Armed("soldier", D3DXVECTOR3(40, 0, 0), "enemy");
    ASSERT_TRUE(p && buddy && enemy);
    const int hits = g_HitStats.m_iHits;
    Shoot(p, enemy->model);
    EXPECT_FLOAT_EQ(p->hit_points, 90.0f) << "another character's bullet does the second damage value";
    EXPECT_EQ(g_HitStats.m_iHits, hits + 1);
    g_Options.Difficulty = 3;
    Shoot(p, enemy->model);
    EXPECT_FLOAT_EQ(p->hit_points, 40.0f) << "at the hardest level a hit takes at least 50";
    g_Options.Difficulty = 0;

    Shoot(buddy, enemy->model);
    Shoot(buddy, enemy->model, BODY_PART_HEAD);
    EXPECT_FLOAT_EQ(buddy->hit_points, 100.0f);
    g_Options.Difficulty = 3;
    Shoot(buddy, enemy->model);
    EXPECT_FLOAT_EQ(buddy->hit_points, 100.0f) << "the minimum does not reach a partner either";
    g_Options.Difficulty = 0;
    Shoot(buddy, nullptr);
    EXPECT_FLOAT_EQ(buddy->hit_points, 100.0f);
    buddy->wound_reaction = 1; // no wound reaction in the way
    Shoot(buddy, Player.m_hObject);
    EXPECT_LT(buddy->hit_points, 100.0f) << "the hero's bullet hurts a partner";
}

TEST_F(CombatTest, TheSeventhHitDuringAWoundKillsWhateverTheHealth)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    strpostac* enemy = Armed("soldier", D3DXVECTOR3(40, 0, 0), "enemy");
    ASSERT_TRUE(p && enemy);
    p->hit_points = 1e6f;
    p->wound_reaction = 1;
    for (int i = 1; i <= 6; ++i)
    {
        Shoot(p, enemy->model);
        ASSERT_FALSE(p->dead) << "hit " << i;
    }
    Shoot(p, enemy->model);
    EXPECT_TRUE(p->dead);
    EXPECT_GT(p->hit_points, 0.0f);
    // Hits on the body only show.
    const float health = p->hit_points;
    Shoot(p, enemy->model);
    EXPECT_FLOAT_EQ(p->hit_points, health);
}

TEST_F(CombatTest, ExplosionsFallOffAndAWallShieldsBeyondTwoUnits)
{
    ASSERT_NO_FATAL_FAILURE(World());
    // Power 1: the reach is 30, the damage (30 - d) x 400 / 30.
    const D3DXVECTOR3 blast(0, 0, 0);
    struct Case
    {
        const char* what;
        float distance;
        bool wall;
        float damage;
    };
    const Case cases[] = {
        {"in the open at 15", 15.0f, false, 200.0f},
        {"behind a wall at 5", 5.0f, true, 0.0f},
        {"behind a wall at 1.9", 1.9f, true, (30.0f - 1.9f) * 400.0f / 30.0f},
        {"beyond the reach", 31.0f, false, 0.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        PMgr.DeleteAllCharacters();
        g_Engine.DeleteAllObjects();
        if (c.wall)
            Wall(D3DXVECTOR3(0.0f, 1.0f, c.distance / 2.0f), D3DXVECTOR3(20.0f, 20.0f, 0.2f));
        strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, c.distance), "s");
        ASSERT_NE(p, nullptr);
        p->hit_points = 1e4f;
        PMgr.ApplyExplosion(&blast, 1.0f);
        EXPECT_NEAR(1e4f - p->hit_points, c.damage, 0.01f);
    }
    // No power, or power that is no number, hurts nobody and breaks no health.
    PMgr.DeleteAllCharacters();
    g_Engine.DeleteAllObjects();
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    for (float power : {0.0f, -1.0f, std::nanf("")})
    {
        PMgr.ApplyExplosion(&blast, power);
        EXPECT_FLOAT_EQ(p->hit_points, 100.0f);
    }
    // A blast that kills.
    PMgr.ApplyExplosion(&blast, 1.0f);
    EXPECT_TRUE(p->dead);
}

TEST_F(CombatTest, ADeathRunsOnceWithOneMarkerAndTheRifleLeftLying)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->weapon, nullptr);
    p->weapon->m_iMagazine = 7;
    const D3DXVECTOR3 killer(0, 0, -10);
    PMgr.Zabij(p, &killer, &p->position, nullptr, false, false, false);
    ASSERT_TRUE(p->dead);
    // A second death of any kind, and a blast on the body, do nothing more.
    PMgr.Zabij(p, &killer, &p->position, nullptr, false, false, false);
    const D3DXVECTOR3 blast(0, 0, 0);
    PMgr.ApplyExplosion(&blast, 1.0f);
    ASSERT_TRUE(ActionCalls::CharacterKill("s", killer) == false) << "no live character of the name is left";
    EXPECT_EQ(Markers(), 1);
    EXPECT_EQ(g_Engine.GetObjectFlags3(p->model), 0x10u);
    EXPECT_EQ(g_Engine.GetObjectFlags2(p->model), 0x1000u);
    EXPECT_EQ(p->weapon, nullptr);
    ASSERT_EQ(LyingRifles(), 1);
    const EItemInstance* dropped = nullptr;
    for (const EItemInstance& item : ItemMgr.items)
        if (item.m_bUsed && item.m_iState == ITEM_LYING)
            dropped = &item;
    EXPECT_EQ(dropped->m_iMagazine, 7u);
    EXPECT_FLOAT_EQ(dropped->m_fLife, 600.0f);
    EXPECT_EQ(g_Engine.GetObjectFlags(dropped->m_hWorldObject), 0x100281u);

    // The marker goes after 8 s, the corpse after 60 s; deleting the corpse
    // leaves the lying rifle alone.
    g_Engine.m_fDeltaTime = 0.5f;
    for (int i = 0; i < 16; ++i)
        PMgr.UpdateCorpse(p);
    EXPECT_EQ(Markers(), 1);
    PMgr.UpdateCorpse(p);
    EXPECT_EQ(Markers(), 0);
    EXPECT_EQ(CPostacMgr::DeathMarker(p), nullptr);
    while (p->corpse_time <= 59.9f)
        PMgr.UpdateCorpse(p);
    EXPECT_FALSE(p->delete_request);
    PMgr.UpdateCorpse(p);
    EXPECT_TRUE(p->delete_request);
    PMgr.DeleteCharacter(p);
    EXPECT_EQ(LyingRifles(), 1);
}

TEST_F(CombatTest, AKeptBackWeaponIsDeletedOnceAndNothingLies)
{
    ASSERT_NO_FATAL_FAILURE(World("nie_zostawiaj_gana\n"));
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    const DWORD slot = p->weapon->m_iSlot;
    PMgr.Zabij(p, nullptr, nullptr, nullptr, false, false, false);
    EXPECT_EQ(LyingRifles(), 0);
    EXPECT_EQ(ItemMgr.items[slot].m_bUsed, 0);
    // The slot's next item is not the character's to delete.
    const D3DXVECTOR3 at(5, 0, 5);
    EItemInstance* other = AddItem("Rifle", &at, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->m_iSlot, slot);
    PMgr.DeleteCharacter(p);
    EXPECT_EQ(ItemMgr.items[slot].m_bUsed, 1);
}

TEST_F(CombatTest, TheDeathAnimationFollowsTheStance)
{
    ASSERT_NO_FATAL_FAILURE(World());
    struct Case
    {
        const char* animation;
        int stance;
        const char* death;
        int variants;
    };
    const Case cases[] = {
        {"kuca_strzela", 1, "smierc_z_kucania", 4},
        {"STOI_DOL", -1, "smierc_z_kucania", 4},
        {"lezy_strzela", 2, "smierc_z_lezenia", 0},
        {"stoi_do_lezy", 2, "smierc_z_lezenia", 0},
        // Lying stance, but up on its knees for a lean.
        {"wychyl_kuca_lewo_strzela", 2, "smierc_z_kucania", 4},
        // A lying animation outside the lying stance.
        {"lezy", 0, "smierc_ze_stania", 8},
        {"stoi", 0, "smierc_ze_stania", 8},
        {"", -1, "smierc_ze_stania", 8},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.animation);
        for (int seed = 1; seed <= 12; ++seed)
        {
            std::srand(static_cast<unsigned>(seed));
            strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
            ASSERT_NE(p, nullptr);
            CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, c.animation);
            p->stance_index = c.stance;
            PMgr.Zabij(p, nullptr, nullptr, nullptr, false, false, false);
            const std::string death = p->anim.szAnimation;
            ASSERT_EQ(death.rfind(c.death, 0), 0u) << death;
            if (c.variants)
            {
                const int n = std::atoi(death.c_str() + std::strlen(c.death));
                EXPECT_GE(n, 1);
                EXPECT_LE(n, c.variants);
            }
            else
                EXPECT_EQ(death, c.death);
            EXPECT_EQ(p->anim.bLoop, 0);
            PMgr.DeleteCharacter(p);
        }
    }
}

TEST_F(CombatTest, BurstsAndTheirPauses)
{
    ASSERT_NO_FATAL_FAILURE(World("burst\n"));
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    for (int seed = 1; seed <= 40; ++seed)
    {
        std::srand(static_cast<unsigned>(seed));
        p->sniper = seed % 2;
        PMgr.NewBurst(p);
        EXPECT_GE(p->burst_count, 10u);
        EXPECT_LE(p->burst_count, 19u);
        if (p->sniper)
            EXPECT_FLOAT_EQ(p->burst_pause, 3.0f);
        else
        {
            EXPECT_GE(p->burst_pause, 0.4f);
            EXPECT_LT(p->burst_pause, 0.8f);
        }
    }
}

TEST_F(CombatTest, AnEmptyMagazineRefillsAndAZeroSizeOneNeverWraps)
{
    for (const char* rifle : {"Ammo 3\n", "Ammo 0\n"})
    {
        SCOPED_TRACE(rifle);
        ASSERT_NO_FATAL_FAILURE(World("", rifle));
        strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
        ASSERT_NE(p, nullptr);
        p->sees_target = 1;
        p->target = Player.m_hObject;
        p->weapon->m_iMagazine = 0;
        // A plain shot spends the frame on the refill; a single one refills and fires.
        PMgr.StrzalWlasciwy(p, false);
        EXPECT_EQ(p->weapon->m_iMagazine, ItemMgr.FindDescription("Rifle")->Ammo);
        EXPECT_FALSE(p->fired_this_frame);
        p->weapon->m_iMagazine = 0;
        PMgr.StrzalWlasciwy(p, true);
        EXPECT_TRUE(p->fired_this_frame);
        const DWORD ammo = ItemMgr.FindDescription("Rifle")->Ammo;
        EXPECT_EQ(p->weapon->m_iMagazine, ammo ? ammo - 1 : 0u);
        PMgr.DeleteAllCharacters();
        PMgr.Forget();
        ItemMgr.Release();
        ItemMgr.Forget();
        g_Engine.DeleteAllObjects();
    }
}

TEST_F(CombatTest, ABulletOnACharactersModelIsTheCharactersHit)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    strpostac* enemy = Armed("soldier", D3DXVECTOR3(40, 0, 0), "enemy");
    ASSERT_TRUE(p && enemy);
    RayTestResult hit;
    hit.pObject = p->model;
    hit.vPoint = D3DXVECTOR3(0, 1, 0);
    const int hits = g_HitStats.m_iHits;
    HandleBulletHit(ItemMgr.FindDescription("Rifle"), &hit, enemy->model, 0, 0, 1.0f);
    EXPECT_FLOAT_EQ(p->hit_points, 90.0f);
    EXPECT_EQ(g_HitStats.m_iHits, hits + 1);
}

TEST_F(CombatTest, TheWeaponSitsInTheHandOrAtTheFeetAndCasingsFlyNearTheTarget)
{
    ASSERT_NO_FATAL_FAILURE(World("", "Ammo 30\nEnemySocketR hand_r\nShoot_Socket_Enemy muzzle\n"));
    temp->Write("scripts/mesh_sockets/box.txt",
                "mesh_filename meshes\\box.x\r\nsocket muzzle 0 0 1\r\nsocket luska 0 0.5 0\r\n");
    ASSERT_TRUE(g_MeshSockets.LoadFile("scripts\\mesh_sockets\\box.txt"));
    strpostac* p = Armed("soldier", D3DXVECTOR3(3, 0, 4), "s");
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->weapon, nullptr);
    // The figure has no "hand_r": said once, and the weapon stands at the character.
    PMgr.UpdatePozycjeGanow(p);
    PMgr.UpdatePozycjeGanow(p);
    EXPECT_EQ(Count(ConsoleLog(), "brak socketa broni hand_r u s"), 1u);
    EXPECT_TRUE(p->weapon_placed);
    EXPECT_NEAR(p->weapon->m_hHeldModel->vPosition.x, 3.0f, 1e-4f);
    EXPECT_NEAR(p->weapon->m_hHeldModel->vPosition.z, 4.0f, 1e-4f);
    EXPECT_TRUE(p->muzzle_known) << "the weapon model's own muzzle";

    struct Case
    {
        const char* what;
        float target;
        BYTE drawNotImportant;
        int casings;
    };
    const Case cases[] = {
        {"a target 20 away", 20.0f, 1, 1},
        {"a target 21 away", 21.0f, 1, 0},
        {"details off", 5.0f, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_Options.DrawNotImportant = c.drawNotImportant;
        p->aim_point = p->position + D3DXVECTOR3(0.0f, 0.0f, c.target);
        const int before = PMgr.m_iCasings;
        PMgr.EjectCasing(p);
        EXPECT_EQ(PMgr.m_iCasings - before, c.casings);
    }
    g_MeshSockets.Clear();
}

TEST_F(CombatTest, AKilledPartnerFailsTheMissionByBulletOrKnifeButAnArmouredOneTakesNoKnife)
{
    ASSERT_NO_FATAL_FAILURE(World());
    struct Case
    {
        const char* what;
        bool knife;
        BYTE armoured;
        bool dies;
        int reason;
    };
    const Case cases[] = {
        {"killed", false, 0, true, 0},
        {"knifed", true, 0, true, 1},
        {"an armoured one knifed", true, 1, false, -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        PlayerStats.m_bMissionFailed = 0;
        PlayerStats.m_iFailReason = -1;
        strpostac* buddy = Armed("buddy", D3DXVECTOR3(5, 0, 5), "buddy");
        ASSERT_NE(buddy, nullptr);
        buddy->armoured = c.armoured;
        if (c.knife)
            PMgr.KillByKnife(buddy->model);
        else
            PMgr.Zabij(buddy, nullptr, nullptr, nullptr, false, false, false);
        EXPECT_EQ(buddy->dead != 0, c.dies);
        EXPECT_EQ(PlayerStats.m_bMissionFailed != 0, c.dies);
        EXPECT_EQ(PlayerStats.m_iFailReason, c.reason);
        PMgr.DeleteCharacter(buddy);
    }
    PlayerStats.m_bMissionFailed = 0;
}

TEST_F(CombatTest, ARespawnTakesTheRespawnersNameWeaponAndKillCameraWish)
{
    ASSERT_NO_FATAL_FAILURE(World());
    temp->Write("scripts/items.txt",
                std::string("item Rifle\nName Rifle\nWeapon\nUnique_Id 1\nDrop_Object ") + BOX_MESH +
                    "\nHeld_Object " + BOX_MESH +
                    "\n\nitem Carbine\nName Carbine\nWeapon\nUnique_Id 1\nDrop_Object " + BOX_MESH +
                    "\nHeld_Object " + BOX_MESH + "\n");
    ItemMgr.Release();
    ItemMgr.Forget();
    ItemMgr.LoadDescriptions();
    const float at[3] = {7.0f, 0.0f, 9.0f};
    HOBJECT respawner = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    ASSERT_NE(respawner, nullptr);
    g_Engine.SetObjectName(respawner, "gate_spawn");
    EObjectActionParams params;
    CopyCut(params.action_respawn_force_weapon, sizeof params.action_respawn_force_weapon, "Carbine");
    params.action_respawn_obe_after_death = 1;
    params.dwEnabled = 1;
    g_Engine.SetObjectActionParams(respawner, &params);
    const D3DXVECTOR3 where(7.0f, 0.0f, 9.0f);
    const EOrientation facing;
    strpostac* p = PMgr.RespawnCharacter("soldier", &where, &facing, "stoi", respawner);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->name, "gate_spawn");
    ASSERT_NE(p->weapon, nullptr);
    EXPECT_STREQ(p->weapon->m_pDesc->Name, "Carbine");
    EXPECT_EQ(p->forced_kill_camera, 1);
    EXPECT_TRUE(PMgr.IsAliveFrom(respawner));
    PMgr.Zabij(p, nullptr, nullptr, nullptr, false, false, false);
    EXPECT_TRUE(OBE.m_bRunning) << "the respawner asked for the kill camera on this death";
    OBE.Stop();
    EXPECT_FALSE(PMgr.IsAliveFrom(respawner));
    EXPECT_EQ(PMgr.RespawnCharacter("nobody", &where, &facing, "", respawner), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "RespawnCharacter nobody failed!"), 1u);
}

TEST_F(CombatTest, ABotCrouchingOrLyingAimsSteadier)
{
    ASSERT_NO_FATAL_FAILURE(World("", "Ammo 30\ndispersion 10\n"));
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    Player.m_fTimeSinceExplosion = 5.0f;
    // Past the burst's first shots and short of its steady eighth.
    p->burst_count = 6;
    const float plain = 10.0f * 0.4f * 3.14159265f / 180.0f;
    struct Case
    {
        BYTE bot;
        int stance;
        float factor;
    };
    const Case cases[] = {
        {1, 0, 1.0f}, {1, 1, 0.8f}, {1, 2, 0.5f}, {1, -1, 1.0f}, {0, 1, 1.0f}, {0, 2, 1.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "bot " << int(c.bot) << ", stance " << c.stance);
        p->bot = c.bot;
        p->stance_index = c.stance;
        EXPECT_NEAR(PMgr.ShotSpread(p, *p->weapon->m_pDesc), plain * c.factor, 1e-6f);
    }
}

TEST_F(CombatTest, AnEngagedCharacterHoldsItsFireUntilItsShootingPoseStarts)
{
    ASSERT_NO_FATAL_FAILURE(World("faza strzela\nstrzal 1\n"));
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    p->faza = CPostacMgr::FindFaza(p->desc, "strzela");
    ASSERT_NE(p->faza, nullptr);
    p->weapon->m_iMagazine = 30;
    p->target = Player.m_hObject;
    p->aim_point = Player.m_vPosition;
    p->sees_target = 1;
    p->may_shoot = 1;
    p->engaged = 1;
    p->stance_change = 1;
    PMgr.UpdateStrzal(p);
    EXPECT_FALSE(p->fired_this_frame) << "the new stance's pose has not started";
    p->stance_change = 0;
    PMgr.UpdateStrzal(p);
    EXPECT_TRUE(p->fired_this_frame);
}

TEST_F(CombatTest, AShooterThatSparesTheNearbyHurtsNobodyWithinSixteenUnits)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    ASSERT_NE(p, nullptr);
    struct Case
    {
        BYTE spares;
        float distance;
        bool hurt;
    };
    const Case cases[] = {{1, 16.0f, false}, {1, 16.5f, true}, {0, 5.0f, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "spares " << int(c.spares) << " at " << c.distance);
        const float at[3] = {c.distance, 0.0f, 0.0f};
        HOBJECT shooter = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
        ASSERT_NE(shooter, nullptr);
        shooter->bSpareNearby = c.spares;
        p->hit_points = 100.0f;
        const DWORD hits = p->hit_count;
        Shoot(p, shooter);
        EXPECT_EQ(p->hit_points < 100.0f, c.hurt);
        EXPECT_EQ(p->hit_count != hits, c.hurt);
        g_Engine.DeleteObject(shooter);
    }
}

TEST_F(CombatTest, ALyingBotThatShootsABodyGetsUp)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* body = Armed("soldier", D3DXVECTOR3(0, 0, 0), "body");
    ASSERT_NE(body, nullptr);
    PMgr.Zabij(body, nullptr, nullptr, nullptr, false, false, false);
    ASSERT_TRUE(body->dead);
    struct Case
    {
        BYTE bot;
        int stance;
        bool getsUp;
    };
    const Case cases[] = {{1, 2, true}, {0, 2, false}, {1, 1, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "bot " << int(c.bot) << ", stance " << c.stance);
        strpostac* shooter = Armed("soldier", D3DXVECTOR3(10, 0, 0), "shooter");
        ASSERT_NE(shooter, nullptr);
        shooter->bot = c.bot;
        shooter->stance_index = c.stance;
        shooter->stance_timer = 10.0f;
        Shoot(body, shooter->model);
        EXPECT_EQ(shooter->stance_index != c.stance, c.getsUp);
        PMgr.DeleteCharacter(shooter);
    }
}

TEST_F(CombatTest, ADeathEndsTheCharactersTalkAndThrowsOffWhatItCarried)
{
    ASSERT_NO_FATAL_FAILURE(World());
    strpostac* p = Armed("soldier", D3DXVECTOR3(0, 0, 0), "s");
    strpostac* other = Armed("soldier", D3DXVECTOR3(5, 0, 0), "o");
    ASSERT_TRUE(p && other);
    g_NpcChatter.m_bActive = 1;
    g_NpcChatter.m_pSpeakerA = other;
    g_NpcChatter.m_pSpeakerB = p;
    g_DialogueMgr.m_ActiveDialogues[0].active = 1;
    g_DialogueMgr.m_ActiveDialogues[0].actors[1] = p;
    g_DialogueMgr.m_ActiveDialogues[1].active = 1;
    g_DialogueMgr.m_ActiveDialogues[1].actors[0] = other;
    g_Panel.ShowSubtitle("Halt!", p);
    auto speaks = [](const strpostac* who)
    {
        for (const PanelSubtitle& s : g_Panel.m_Subtitles)
            if (s.speaker == who)
                return true;
        return false;
    };
    ASSERT_TRUE(speaks(p));
    const float at[3] = {0.0f, 1.0f, 0.5f};
    HOBJECT crate = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    HOBJECT puppet = g_Engine.CreateObject(OT_SKINMESH, kSoldierModel, 0, 0, at, nullptr);
    ASSERT_TRUE(crate && puppet);
    g_Engine.SetObjectName(crate, "crate");
    p->attached_object = crate;
    CopyCut(p->attached_name, sizeof p->attached_name, "crate");
    other->attached_object = puppet;
    puppet->bTied = 1;
    puppet->pTiedTo = other->model;

    PMgr.Zabij(p, nullptr, nullptr, nullptr, false, false, false);
    EXPECT_FALSE(g_NpcChatter.m_bActive);
    EXPECT_FALSE(g_DialogueMgr.m_ActiveDialogues[0].active);
    EXPECT_TRUE(g_DialogueMgr.m_ActiveDialogues[1].active) << "another character's dialogue goes on";
    EXPECT_FALSE(speaks(p));
    EXPECT_EQ(g_Engine.FindObject("crate", 0), nullptr) << "a plain attached object goes with the death";
    EXPECT_EQ(p->attached_object, nullptr);

    PMgr.Zabij(other, nullptr, nullptr, nullptr, false, false, false);
    EXPECT_TRUE(puppet->bUsed && !puppet->bDeletePending) << "a skinned one is thrown off and stays";
    EXPECT_FALSE(puppet->bTied);
    EXPECT_EQ(puppet->pTiedTo, nullptr);
    EXPECT_EQ(other->attached_object, nullptr);
}

namespace
{
int LaserBeams()
{
    int n = 0;
    for (const ELaserMgr::Beam& b : g_LaserMgr.m_Beams)
        n += b.used ? 1 : 0;
    return n;
}

// The laser manager is not among the globals the fixture puts back.
struct BeamsCleared
{
    ~BeamsCleared() { g_LaserMgr.ClearBeams(); }
};
} // namespace

TEST_F(CombatTest, ALaserSightShinesAlongTheWeaponFollowsItAndGoesDarkAtDeath)
{
    const BeamsCleared cleared;
    g_LaserMgr.ClearBeams();
    ASSERT_NO_FATAL_FAILURE(World("", "Ammo 30\nLight_Socket laser\n"));
    temp->Write("scripts/mesh_sockets/box.txt", "mesh_filename meshes\\box.x\r\nsocket laser 0 0 1\r\n");
    ASSERT_TRUE(g_MeshSockets.LoadFile("scripts\\mesh_sockets\\box.txt"));
    strpostac* p = Armed("soldier", D3DXVECTOR3(3, 0, 4), "s");
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(CPostacMgr::HasLaserSight(p));
    PMgr.UpdatePozycjeGanow(p);
    EXPECT_FALSE(p->laser_shown) << "no beam unless the character was given one";
    p->saved.has_laser = 1;
    PMgr.UpdatePozycjeGanow(p);
    ASSERT_TRUE(p->laser_shown);
    ASSERT_EQ(LaserBeams(), 1);
    D3DXVECTOR3 socket;
    ASSERT_TRUE(SocketTransform(p->weapon->m_hHeldModel, "laser", &socket, nullptr));
    const ELaserMgr::Beam* beam = &g_LaserMgr.m_Beams[p->laser_beam];
    EXPECT_NEAR(beam->origin.z, socket.z, 1e-4f);
    EXPECT_NEAR(beam->target.z - beam->origin.z, 100.0f, 1e-3f) << "nothing in the way";

    // A wall stops the beam; the beam moves with the weapon and stays one.
    Wall(D3DXVECTOR3(3, 0, 20), D3DXVECTOR3(4, 4, 1));
    p->position = D3DXVECTOR3(3, 0, 10);
    PMgr.UpdatePozycjeGanow(p);
    ASSERT_TRUE(p->laser_shown);
    EXPECT_EQ(LaserBeams(), 1);
    beam = &g_LaserMgr.m_Beams[p->laser_beam];
    EXPECT_NEAR(beam->origin.z, socket.z + 6.0f, 1e-4f);
    EXPECT_GT(beam->target.z, beam->origin.z);
    EXPECT_LT(beam->target.z, 21.0f) << "the beam ends at the wall";

    PMgr.Zabij(p, nullptr, nullptr, nullptr, false, false, false);
    EXPECT_FALSE(p->laser_shown);
    EXPECT_EQ(LaserBeams(), 0);
    PMgr.UpdatePozycjeGanow(p);
    EXPECT_EQ(LaserBeams(), 0) << "a body shines no beam";
    g_MeshSockets.Clear();
}

TEST_F(CombatTest, ARespawnedRocketCarrierHoldsItsLauncherAndItsLaserShines)
{
    const BeamsCleared cleared;
    g_LaserMgr.ClearBeams();
    ASSERT_NO_FATAL_FAILURE(World("RPG\n", "Ammo 30\nLight_Socket laser\n"));
    std::filesystem::create_directories("prefabs/bronie");
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("prefabs\\bronie\\rpg7.x", BoxMesh(), tk::xfile::XFormat::Text));
    temp->Write("scripts/mesh_sockets/box.txt", "mesh_filename meshes\\box.x\r\nsocket laser 0 0 1\r\n");
    ASSERT_TRUE(g_MeshSockets.LoadFile("scripts\\mesh_sockets\\box.txt"));
    const float at[3] = {7.0f, 0.0f, 9.0f};
    HOBJECT respawner = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    ASSERT_NE(respawner, nullptr);
    g_Engine.SetObjectName(respawner, "gate_spawn");
    EObjectActionParams params;
    params.dwEnabled = 1;
    g_Engine.SetObjectActionParams(respawner, &params);
    const D3DXVECTOR3 where(7.0f, 0.0f, 9.0f);
    const EOrientation facing;
    strpostac* p = PMgr.RespawnCharacter("soldier", &where, &facing, "stoi", respawner);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->launcher, nullptr);
    HOBJECT launcher = p->launcher;
    EXPECT_EQ(CompareNoCase(launcher->szFileName, "prefabs\\bronie\\rpg7.x"), 0);
    D3DXVECTOR3 scale;
    g_Engine.GetObjectScale(launcher, &scale);
    EXPECT_FLOAT_EQ(scale.x, 0.9f);
    EXPECT_TRUE(p->saved.has_laser);
    EXPECT_TRUE(p->laser_shown);
    EXPECT_EQ(LaserBeams(), 1);
    PMgr.DeleteCharacter(p);
    EXPECT_TRUE(!launcher->bUsed || launcher->bDeletePending) << "the launcher goes with its carrier";
    g_MeshSockets.Clear();
}
