// The HUD's frame: the start-up cover by load state, the crosshair's spread
// and tint, what the hardest difficulty hides, the ammunition bullets, the
// edge arrow for a target behind the camera, the death screen, and "mucha".

#include "ui_fixture.h"

#include "support/BoxMesh.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "ui/HudLayout.h"
#include "world/Camera.h"
#include "world/EngineObject.h"
#include "world/Object.h"

#include <cmath>
#include <filesystem>

namespace uitest
{
namespace
{
class HudRender : public HudTest
{
protected:
    void SetUp() override
    {
        HudTest::SetUp();
        desc = {};
        desc.Ammo = 30;
        desc.Unique_Id = 1;
        weapon = {};
        weapon.m_bUsed = 1;
        weapon.m_pDesc = &desc;
        weapon.m_iMagazine = 30;
        weapon.m_fDispersion = 4.0f;
        Bronie.current = &weapon;
        PlayerStats = EPlayerStats();
        Player = CPlayer();
        g_Options.Difficulty = 1;
        // Looking along +z from the origin.
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetOrientation(EOrientation());
        g_Camera.UpdateProjection();
        g_Camera.UpdateView();
    }

    void TearDown() override
    {
        Bronie.current = nullptr;
        HudTest::TearDown();
    }

    EItemDesc desc{};
    EItemInstance weapon{};
};

TEST_F(HudRender, OnlyTheBlackCoverShowsUntilTheWorldIsShownByLoadState)
{
    struct Case
    {
        BYTE fromSave;
        int levelFrame;
        bool coverOnly;
    };
    const Case cases[] = {{0, 210, true}, {0, 211, false}, {1, 199, true}, {1, 200, false}};
    for (const Case& c : cases)
    {
        g_SaveMgr.m_bLoadedFromSave = c.fromSave;
        g_MainGame.m_iLevelFrame = c.levelFrame;
        g_Panel.m_fCoverAlpha = 0.0f;
        Frame();
        SCOPED_TRACE(testing::Message() << "from save " << int(c.fromSave) << ", frame " << c.levelFrame);
        EXPECT_EQ(Count(g_Panel.m_Crosshair), c.coverOnly ? 0u : 1u);
        if (c.coverOnly)
        {
            const std::vector<DrawnRect> cover = Drawn(g_Panel.m_Cover);
            ASSERT_EQ(cover.size(), 1u);
            EXPECT_EQ(cover[0].color, 0xFF000000u) << "opaque black";
            EXPECT_FLOAT_EQ(g_Panel.m_fCoverAlpha, 1.5f) << "half a second of black, then a second's fade";
        }
    }
}

TEST_F(HudRender, TheHardestDifficultyHidesAmmunitionMinimapAndGrenadePointer)
{
    g_Panel.m_bGrenadeWarning = 1;
    g_Panel.m_vGrenade = D3DXVECTOR3(3.0f, 0.0f, 3.0f);
    for (int difficulty = 0; difficulty <= 3; ++difficulty)
    {
        g_Options.Difficulty = difficulty;
        Frame();
        const size_t shown = difficulty < 3 ? 1u : 0u;
        SCOPED_TRACE(difficulty);
        EXPECT_EQ(Count(g_Panel.m_AmmoPanel), shown);
        EXPECT_EQ(Count(g_Panel.m_MapCircle), shown);
        EXPECT_EQ(Count(g_Panel.m_GrenadePointer), shown);
        EXPECT_EQ(Count(g_Panel.m_Crosshair), 1u) << "the crosshair always shows";
    }
}

TEST_F(HudRender, TheCrosshairTintsOnlyBelowDifficultyTwo)
{
    struct Case
    {
        int difficulty;
        BYTE enemy, friendly;
        DWORD color;
    };
    const Case cases[] = {{0, 1, 0, 0x80FF0000u},
                          {1, 0, 1, 0x6000FF00u},
                          {1, 0, 0, 0xFFA2FAFFu},
                          {2, 1, 0, 0xFFA2FAFFu},
                          {3, 0, 1, 0xFFA2FAFFu}};
    for (const Case& c : cases)
    {
        g_Options.Difficulty = c.difficulty;
        g_Panel.m_bEnemyAimed = c.enemy;
        g_Panel.m_bFriendAimed = c.friendly;
        Frame();
        const std::vector<DrawnRect> drawn = Drawn(g_Panel.m_Crosshair);
        ASSERT_EQ(drawn.size(), 1u);
        // Full alpha replaces the tint's own alpha byte.
        EXPECT_EQ(drawn[0].color, (c.color & 0x00FFFFFFu) | 0xFF000000u) << "difficulty " << c.difficulty;
    }
}

TEST_F(HudRender, TheCrosshairSpreadEasesTowardTheMovementTarget)
{
    // Walking triples the weapon's spread: 4 becomes 12.
    Player.m_bMoving = 1;
    EXPECT_FLOAT_EQ(g_Panel.CrosshairTargetSpread(), 12.0f);
    g_Panel.m_fSpread = 4.0f;
    Frame();
    EXPECT_NEAR(g_Panel.m_fSpread, 4.0f + 38.0f * kFrame, 1e-4f);
    for (int i = 0; i < 60; ++i)
        Frame();
    EXPECT_FLOAT_EQ(g_Panel.m_fSpread, 12.0f) << "never overshoots";
    const std::vector<DrawnRect> drawn = Drawn(g_Panel.m_Crosshair);
    ASSERT_EQ(drawn.size(), 1u);
    const float half = 12.0f * hud::ScaleX() + 12.0f * hud::ScaleX();
    EXPECT_NEAR(drawn[0].right - drawn[0].left, 2.0f * half, 0.01f);
    EXPECT_NEAR((drawn[0].left + drawn[0].right) / 2.0f, kWidth / 2.0f, 0.01f);

    struct Case
    {
        BYTE canMove, crouched, running, moving, aiming;
        float factor;
    };
    const Case cases[] = {{0, 0, 0, 0, 0, 2.0f},     {1, 1, 0, 1, 0, 2.0f}, {1, 1, 0, 0, 0, 0.7f},
                          {1, 0, 1, 1, 0, 6.0f},     {1, 0, 1, 0, 0, 1.0f}, {1, 0, 0, 0, 0, 1.0f},
                          {1, 0, 0, 1, 1, 3 * 0.54f}};
    for (const Case& c : cases)
    {
        Player.m_bCanMove = c.canMove;
        Player.m_bCrouched = c.crouched;
        Player.m_bRunning = c.running;
        Player.m_bMoving = c.moving;
        Bronie.aiming = c.aiming;
        EXPECT_NEAR(g_Panel.CrosshairTargetSpread(), 4.0f * c.factor, 1e-4f);
    }
}

TEST_F(HudRender, BulletsShowOnePerRoundRedWhenFewAndStopAtThePanelEdge)
{
    struct Case
    {
        DWORD magazine, rounds;
        size_t small, big;
        bool red;
    };
    const Case cases[] = {{30, 5, 5, 0, true},
                          {30, 6, 6, 0, false},
                          {8, 3, 0, 3, true},
                          {8, 4, 0, 4, false},
                          {100000, 100000, 42, 0, false}};
    for (const Case& c : cases)
    {
        desc.Ammo = c.magazine;
        weapon.m_iMagazine = c.rounds;
        Frame();
        SCOPED_TRACE(testing::Message() << c.rounds << " of " << c.magazine);
        EXPECT_EQ(Count(g_Panel.m_BulletSmall), c.small);
        EXPECT_EQ(Count(g_Panel.m_BulletBig), c.big);
        const std::vector<DrawnRect> bullets = Drawn(c.small ? g_Panel.m_BulletSmall : g_Panel.m_BulletBig);
        ASSERT_FALSE(bullets.empty());
        EXPECT_EQ(bullets.back().color == hud::RED, c.red);
        EXPECT_GE(bullets.back().left, 788.0f * hud::ScaleX() - 0.01f) << "inside the panel";
    }
}

TEST_F(HudRender, ATargetBehindTheCameraGivesAnEdgeArrowEvenWhenItProjectsOnScreen)
{
    strObject target = {};
    target.bUsed = 1;
    g_EngineObject.m_hDirectionPointerTarget = &target;
    // In front: the 3D marker.
    target.vPosition = D3DXVECTOR3(0.0f, 0.0f, 50.0f);
    Frame();
    EXPECT_EQ(Count(g_Panel.m_Waypoint3D), 2u) << "drawn normally, then additively";
    // Straight behind: it would mirror onto the centre, but an arrow shows at the edge.
    target.vPosition = D3DXVECTOR3(0.5f, 0.0f, -50.0f);
    Frame();
    EXPECT_EQ(Count(g_Panel.m_Waypoint3D), 0u);
    size_t arrows = 0;
    for (const ERect& arrow : g_Panel.m_Arrows)
        for (const DrawnRect& d : Drawn(arrow))
        {
            ++arrows;
            const float cx = (d.left + d.right) / 2.0f, cy = (d.top + d.bottom) / 2.0f;
            EXPECT_TRUE(std::isfinite(cx) && std::isfinite(cy));
            const bool atEdge = cx <= hud::X(24.0f) + 1.0f || cx >= hud::X(1000.0f) - 1.0f ||
                                cy <= hud::Y(24.0f) + 1.0f || cy >= hud::Y(744.0f) - 1.0f;
            EXPECT_TRUE(atEdge) << cx << "," << cy;
        }
    EXPECT_EQ(arrows, 1u);
    g_EngineObject.m_hDirectionPointerTarget = nullptr;
}

TEST_F(HudRender, TheEdgeArrowIsChosenByTheEdgeThePointReaches)
{
    struct Case
    {
        float x, y;
        int arrow;
    };
    const Case cases[] = {
        {320.0f, -500.0f, 0}, {1500.0f, 240.0f, 1}, {320.0f, 1500.0f, 2}, {-900.0f, 240.0f, 3}};
    for (const Case& c : cases)
    {
        float x = c.x, y = c.y;
        EXPECT_EQ(g_Panel.EdgeArrowAt(x, y), c.arrow) << c.x << "," << c.y;
        EXPECT_GE(x, hud::X(24.0f) - 1.0f);
        EXPECT_LE(x, hud::X(1000.0f) + 1.0f);
        EXPECT_GE(y, hud::Y(24.0f) - 1.0f);
        EXPECT_LE(y, hud::Y(744.0f) + 1.0f);
    }
}

TEST_F(HudRender, AHitFromStraightAboveDrawsTheMarkerUnturned)
{
    const float above[3] = {0.0f, 40.0f, 0.0f};
    g_Panel.ShowHitDirection(above);
    Frame();
    const std::vector<DrawnRect> drawn = Drawn(g_Panel.m_HitMarker);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(std::isfinite(drawn[0].left) && std::isfinite(drawn[0].top));
    EXPECT_NEAR(drawn[0].right - drawn[0].left, 2.0f * hud::X(166.0f), 0.01f) << "an upright square";
}

TEST_F(HudRender, TheDeathScreenTitleShowsAtOnceAndTheImageAfterHalfASecond)
{
    PlayerStats.m_bDead = 1;
    Frame();
    EXPECT_EQ(Count(g_Panel.m_Death), 0u);
    EXPECT_EQ(Count(g_Panel.m_Crosshair), 0u) << "no crosshair for the dead";
    for (int i = 0; i < 40; ++i)
        Frame();
    EXPECT_EQ(Count(g_Panel.m_Death), 1u);
    PlayerStats.m_bDead = 0;
    Frame();
    EXPECT_EQ(g_Panel.m_fDeathTime, 0.0f);
}

TEST_F(HudRender, WithMuchaNothingIsDrawnAndARunningFadeWaits)
{
    g_Panel.FadeOut(1.0f);
    g_Options.mucha = 1;
    Frame();
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Last), 0u);
    EXPECT_EQ(g_Panel.m_fFadeAlpha, 0.0f);
    g_Options.mucha = 0;
    Frame();
    EXPECT_NEAR(g_Panel.m_fFadeAlpha, kFrame, 1e-5f);
}

TEST_F(HudRender, FadesRunOutAndStop)
{
    g_Panel.FadeIn(0.5f);
    for (int i = 0; i < 40; ++i)
        Frame();
    EXPECT_EQ(g_Panel.m_fFadeAlpha, 0.0f);
    EXPECT_EQ(g_Panel.m_bFadeIn, 0);
    // White: in goes to white and stays, out fades it away and stops.
    g_Panel.Fader2In(0.25f);
    for (int i = 0; i < 20; ++i)
        Frame();
    EXPECT_EQ(g_Panel.m_White.alpha, 1.0f);
    EXPECT_EQ(Count(g_Panel.m_WhiteFader), 1u);
    g_Panel.Fader2Out(0.25f);
    for (int i = 0; i < 20; ++i)
        Frame();
    EXPECT_EQ(g_Panel.m_White.alpha, 0.0f);
    EXPECT_EQ(g_Panel.m_White.fadeOut, 0);
    EXPECT_EQ(Count(g_Panel.m_WhiteFader), 0u);
}

TEST_F(HudRender, TheLetterboxBarsGrowAtEightPerSecondAndHideThePlayElements)
{
    g_Panel.m_bPanoramic = 1;
    Frame();
    EXPECT_NEAR(g_Panel.m_fLetterbox, 8.0f * kFrame, 1e-5f);
    EXPECT_EQ(Count(g_Panel.m_AmmoPanel), 0u);
    EXPECT_EQ(Count(g_Panel.m_Crosshair), 0u);
    EXPECT_EQ(Count(g_Panel.m_Cover), 2u) << "two bars";
    for (int i = 0; i < 10; ++i)
        Frame();
    EXPECT_EQ(g_Panel.m_fLetterbox, 1.0f);
    g_Panel.m_bPanoramic = 0;
    for (int i = 0; i < 10; ++i)
        Frame();
    EXPECT_EQ(g_Panel.m_fLetterbox, 0.0f);
    Frame();
    EXPECT_EQ(Count(g_Panel.m_AmmoPanel), 1u);
}

TEST_F(HudRender, TheRadiationGaugeShowsTheHerosRadiationAboveATenth)
{
    Player.m_fRadiation = 0.05f;
    Frame();
    EXPECT_EQ(Count(g_Panel.m_Radiation), 0u);
    Player.m_fRadiation = 0.5f;
    Frame();
    const std::vector<DrawnRect> gauge = Drawn(g_Panel.m_Radiation);
    ASSERT_EQ(gauge.size(), 1u);
    EXPECT_EQ(gauge[0].color >> 24, hud::Alpha(0.5f)) << "the radiation value is its alpha";
}

TEST_F(HudRender, AMarkedCharacterWithADrawnSkinnedObjectGetsAMarkOverItsNeck)
{
    // A one-bone skinned box: no neck node, so the mark rises from the feet.
    SkinModelDesc model;
    model.bones.push_back({"Bip01", -1, {}});
    D3DXMatrixIdentity(&model.bones[0].local);
    model.mesh = BoxMesh();
    model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
    std::filesystem::create_directories("models/soldier");
    ASSERT_TRUE(WriteSkinModelFile("models\\soldier\\soldier.x", model, tk::xfile::XFormat::Text));
    const float at[3] = {0.0f, 0.0f, 10.0f};
    HOBJECT body = g_Engine.CreateObject(OT_SKINMESH, "models\\soldier\\soldier.x", 0, 0, at, nullptr);
    ASSERT_NE(body, nullptr);
    body->bVisible = 1;
    strpostac& guard = PMgr.m_Postacie[5];
    guard = strpostac{};
    guard.used = 1;
    guard.model = body;
    guard.position = D3DXVECTOR3(0.0f, 0.0f, 10.0f);

    Frame();
    EXPECT_EQ(Count(g_Panel.m_CharacterMark), 0u) << "not marked";
    guard.mark = 1;
    Frame();
    const std::vector<DrawnRect> marks = Drawn(g_Panel.m_CharacterMark);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_NEAR((marks[0].left + marks[0].right) / 2.0f, kWidth / 2.0f, 0.5f);
    EXPECT_LT((marks[0].top + marks[0].bottom) / 2.0f, kHeight / 2.0f) << "above the feet";
    EXPECT_NEAR(marks[0].bottom - marks[0].top, 2.0f * 8.0f * kHeight / 768.0f, 0.5f);
    body->bVisible = 0;
    Frame();
    EXPECT_EQ(Count(g_Panel.m_CharacterMark), 0u) << "an object not drawn this frame";

    guard = strpostac{};
    g_Engine.DeleteAllObjects();
    g_SkinMeshMgr.Release();
}

TEST_F(HudRender, TheMinimapShowsLiveMarkedCharactersOnly)
{
    strpostac& marked = PMgr.m_Postacie[3];
    strpostac& plain = PMgr.m_Postacie[4];
    marked = strpostac{};
    plain = strpostac{};
    marked.used = plain.used = 1;
    marked.mark = 1;
    marked.position = D3DXVECTOR3(0.0f, 0.0f, 5.0f); // ahead of the camera
    plain.position = D3DXVECTOR3(5.0f, 0.0f, 0.0f);
    Frame();
    const std::vector<DrawnRect> points = Drawn(g_Panel.m_MapPoint);
    ASSERT_EQ(points.size(), 1u) << "the marked character alone";
    const float scale = kHeight / 768.0f;
    EXPECT_NEAR((points[0].left + points[0].right) / 2.0f, 102.0f * scale, 0.5f) << "on the heading";
    EXPECT_LT((points[0].top + points[0].bottom) / 2.0f, 666.0f * scale) << "above the map's centre";
    marked.dead = 1;
    Frame();
    EXPECT_EQ(Count(g_Panel.m_MapPoint), 0u) << "a dead character leaves the map";
    marked = strpostac{};
    plain = strpostac{};
}

TEST_F(HudRender, AMaximumHealthOfZeroCountsAsFullHealth)
{
    PlayerStats.m_fMaxHealth = 0.0f;
    PlayerStats.m_fHealth = 10.0f;
    Frame();
    EXPECT_EQ(Count(g_Panel.m_Blood[0]), 0u);
    EXPECT_EQ(g_Panel.m_fPulse, 0.0f);
    const std::vector<DrawnRect> frame = Drawn(g_Panel.m_MapCircle);
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(frame[0].color, PanelState::MAIN_COLOR);
    PlayerStats.m_fMaxHealth = 100.0f;
    Frame();
    EXPECT_EQ(Count(g_Panel.m_Blood[0]), 2u) << "badly hurt: the first blood screen twice";
}
} // namespace
} // namespace uitest
