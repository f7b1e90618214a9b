// The demo world's placed trees and crates in the running game, in-process on
// the headless window and device: near the hero they are scene objects, far
// ones impostors, and walking 100 units east along the road swaps some of
// each; ending the world leaves none of their objects.
#include "game_fixture.h"

#include "platform/win32/Headless.h"
#include "support/GameWindow.h"
#include "world/Camera.h"
#include "world/Object.h"
#include "world/ObjectMgr.h"

#include <cmath>
#include <string>
#include <vector>

using namespace gametest;

namespace
{
// Each instance of the world: an object (true) or not.
std::vector<bool> Objects()
{
    std::vector<bool> state;
    for (DWORD g = 0; g < g_ObjectMgr.GroupCount(); ++g)
        for (const EPlacedInstance& i : g_ObjectMgr.Group(g)->Instances)
            state.push_back(i.hObject != nullptr);
    return state;
}

int CountPlaced()
{
    int n = 0;
    for (const strObject& o : g_Engine.m_Objects)
        n += o.bUsed && o.bPlacedObject;
    return n;
}

class PlacedObjectsWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("PlacedObjectsWorldTest", 64, 48));
    }
    void TearDown() override
    {
        CloseInProcessGame();
        GameTest::TearDown();
    }
};
} // namespace

TEST_F(PlacedObjectsWorld, WalkingAHundredUnitsSwapsNearObjectsAndImpostors)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    EXPECT_FALSE(Contains(Log(), "NIE ma object"));
    EXPECT_FALSE(Contains(Log(), "ObjectMgr FAILED to create VB"));
    ASSERT_GE(g_ObjectMgr.GroupCount(), 2u);
    EXPECT_GT(g_ObjectMgr.FindGroup("meshes\\demo\\placed_tree.x")->Instances.size(), 100u);

    const std::vector<bool> before = Objects();
    const int near = CountPlaced();
    EXPECT_GT(near, 0) << "trees and crates near the start are objects";
    EXPECT_LT(static_cast<size_t>(near), before.size()) << "and the far ones are not";
    EXPECT_GT(g_ObjectMgr.SpriteCount(), 0u) << "some far ones are impostors";
    const D3DXVECTOR3 start = g_Camera.GetPosition();

    // The atlas was built once: the tree drawn in its cell over the grey clear.
    EXPECT_TRUE(Contains(Log(), "RenderAllObjects()"));
    ASSERT_EQ(g_ObjectMgr.m_bAtlasRendered, 1);
    ASSERT_NE(g_ObjectMgr.m_pTexture, nullptr);
    const EPlacedGroup* trees = g_ObjectMgr.FindGroup("meshes\\demo\\placed_tree.x");
    D3DLOCKED_RECT atlas = {};
    ASSERT_TRUE(SUCCEEDED(g_ObjectMgr.m_pTexture->LockRect(0, &atlas, nullptr, D3DLOCK_READONLY)));
    const auto pixel = [&](float u, float v, UINT dx, UINT dy)
    {
        const UINT x = static_cast<UINT>(u * OBJECTMGR_ATLAS_SIZE) + dx,
                   y = static_cast<UINT>(v * OBJECTMGR_ATLAS_SIZE) + dy;
        return *reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(atlas.pBits) +
                                               static_cast<size_t>(y) * atlas.Pitch +
                                               static_cast<size_t>(x) * 4) &
               0xFFFFFF;
    };
    const DWORD corner = pixel(trees->fAtlasU, trees->fAtlasV, 2, 2);
    const DWORD middle =
        pixel(trees->fAtlasU, trees->fAtlasV, OBJECTMGR_CELL_SIZE / 2, OBJECTMGR_CELL_SIZE / 2);
    g_ObjectMgr.m_pTexture->UnlockRect(0);
    EXPECT_EQ(corner, 0x606060u);
    EXPECT_NE(middle, 0x606060u);

    D3DVECTOR east = {Player.m_vPosition.x + 100.0f, Player.m_vPosition.y, Player.m_vPosition.z};
    Player.TeleportTo(&east);
    ASSERT_TRUE(RunUntil([&] { return std::fabs(g_Camera.GetPosition().x - start.x - 100.0f) < 5.0f; }, 60))
        << "the camera follows the hero";
    Pass();
    const std::vector<bool> after = Objects();
    ASSERT_EQ(after.size(), before.size());
    int created = 0, removed = 0;
    for (size_t i = 0; i < after.size(); ++i)
    {
        created += !before[i] && after[i];
        removed += before[i] && !after[i];
    }
    EXPECT_GT(created, 0);
    EXPECT_GT(removed, 0);
    EXPECT_EQ(CountPlaced(), near + created - removed) << "no object left behind by a swap";
    EXPECT_FALSE(Contains(Log(), "NIE ma object"));

    // The world's end takes every placed object with it.
    g_Engine.StartWorld("*");
    EXPECT_EQ(CountPlaced(), 0);
    EXPECT_EQ(g_ObjectMgr.GroupCount(), 0u);
    EXPECT_EQ(g_ObjectMgr.m_pVB, nullptr);
}
