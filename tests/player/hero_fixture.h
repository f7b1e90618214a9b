#pragma once
// The hero on flat ground: a ground box with its top at 0, the default key
// bindings, gameplay running, and the hero's record fresh before and after
// each test.

#include "player_fixture.h"

#include "game/GameAI.h"
#include "player/ItemDesc.h"
#include "shell/CommandMgr.h"

#include <cmath>

namespace playertest
{
constexpr const char* HERO_MESH = "prefabs\\special\\hero.x";
constexpr const char* GROUND_MESH = "meshes\\ground.x";
constexpr float kNear = 0.05f;
constexpr float kGroundHalf = 50.0f;

class HeroTest : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(HERO_MESH, BoxMesh(), tk::xfile::XFormat::Text));
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(GROUND_MESH, BoxMesh(), tk::xfile::XFormat::Text));
        log = std::make_unique<ConsoleLogHere>();
        g_PhysicsMgr.Init();
        ASSERT_TRUE(g_PhysicsMgr.HasWorld());
        // Ground with its top at 0.
        const float at[3] = {0.0f, -1.0f, 0.0f};
        const float size[3] = {kGroundHalf * 2.0f, 2.0f, kGroundHalf * 2.0f};
        ground = g_Engine.CreateObject(OT_MESH, GROUND_MESH, OF_STATIC_BODY, 0, at, size);
        ASSERT_NE(ground, nullptr);
        ASSERT_EQ(g_PhysicsMgr.GiveLoadedObjectBody(ground), EBodyChoice::Box);
        g_CommandMgr.SetDefaultKeys();
        std::fill(std::begin(g_CommandMgr.m_bKeyState), std::end(g_CommandMgr.m_bKeyState), BYTE(0));
        g_Camera.SetOrientation(EOrientation()); // looking along +z
        g_Options.GameplayRunning = 1;
        g_Options.Difficulty = 1;
        g_Options.God = 0;
        g_Options.developer = 0;
        g_MainGame.m_bWorldActive = 1;
        g_MainGame.m_iLevelFrame = 0;
        PlayerStats = EPlayerStats();
        Player = CPlayer();
    }

    void TearDown() override
    {
        std::fill(std::begin(g_CommandMgr.m_bKeyState), std::end(g_CommandMgr.m_bKeyState), BYTE(0));
        Player = CPlayer();
        PlayerStats = EPlayerStats();
        g_PhysicsMgr.Shutdown();
        log.reset();
        PlayerTest::TearDown();
    }

    // A start marker at a place, looking along a direction.
    HOBJECT Marker(const D3DXVECTOR3& at, const D3DXVECTOR3& look = D3DXVECTOR3(0, 0, 1))
    {
        HOBJECT m = g_Engine.CreateObject(OT_MESH, "prefabs\\special\\marker.x", 0, 0, &at.x, nullptr);
        EXPECT_NE(m, nullptr);
        g_Engine.SetObjectName(m, "game_start_point");
        const EOrientation o(&look);
        g_Engine.SetObjectRotation(m, &o);
        return m;
    }

    static void Key(int command, bool down)
    {
        g_CommandMgr.m_bKeyState[g_CommandMgr.m_dwBindings[command][0]] = down ? 1 : 0;
    }

    // Frames of the hero's update at a level frame that counts on.
    static void Frames(int n, float dt = kFrame)
    {
        for (int i = 0; i < n; ++i)
        {
            g_Engine.m_fDeltaTime = dt;
            Player.Update();
            ++g_MainGame.m_iLevelFrame;
        }
    }

    // Starts the level at a marker and lets the hero settle on the ground,
    // with the level past the start-up.
    void Start(const D3DXVECTOR3& at = D3DXVECTOR3(0, 2, 0))
    {
        Marker(at);
        g_MainGame.m_iLevelFrame = CPlayer::FRAME_UPDATE;
        Player.Init();
        Frames(CPlayer::FRAME_MOVE - CPlayer::FRAME_UPDATE + 10);
        ASSERT_TRUE(Player.m_bCanMove) << "the hero stands on the ground";
    }

    static D3DXVECTOR3 At()
    {
        return D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    }

    std::unique_ptr<ConsoleLogHere> log;
    HOBJECT ground = nullptr;
};
} // namespace playertest
