// Skinned models and their instances: shared models, bone palettes, masks, blends between
// animations, the four slots, saves, hit zones and sockets.
#include "skin_fixture.h"

#include "game/MainGame.h"
#include "mesh/SkinMeshCollision.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

using namespace skintest;

namespace
{
bool InTable(const ESkinMeshBase* base)
{
    return std::find(std::begin(g_SkinMeshMgr.m_pBases), std::end(g_SkinMeshMgr.m_pBases), base) !=
           std::end(g_SkinMeshMgr.m_pBases);
}

bool NearIdentity(const D3DXMATRIX& m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(m.m[r][c] - (r == c ? 1.0f : 0.0f)) > 1e-4f)
                return false;
    return true;
}

D3DXVECTOR3 NodeAt(const ESkinMesh& skin, const char* name)
{
    D3DXVECTOR3 at(-99.0f, -99.0f, -99.0f);
    EXPECT_TRUE(skin.GetNodePosition(name, &at)) << name;
    return at;
}

const std::vector<std::pair<std::string, BinaContent>>& Animations()
{
    static const std::vector<std::pair<std::string, BinaContent>> animations = {
        {"stand", Motion(Figure(), "Bip01", {0.0f, 0.0f, 0.0f}, 1.0)},
        {"crouch", Motion(Figure(), "Bip01", {1.0f, 0.0f, 0.0f}, 1.0, {0.0f, -0.6f, 0.0f})},
        {"wave", Motion(Figure(), "Bip01_R_UpperArm", {0.0f, 0.5f, 0.0f}, 1.0)},
        {"oneshot", Motion(Figure(), "Bip01", {0.0f, 0.0f, 1.0f}, 0.5)},
    };
    return animations;
}
} // namespace

TEST_F(SkinTest, TwoLetterCasesShareOneBaseAndTwoReleasesDestroyIt)
{
    WriteFigure("hero", {});
    ESkinMesh a, b;
    ASSERT_TRUE(a.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(b.Create("MODELS\\Hero\\HERO.X"));
    ESkinMeshBase* base = a.m_pBase;
    EXPECT_EQ(b.m_pBase, base);
    EXPECT_EQ(base->m_iReferenceCount, 2);
    EXPECT_EQ(a.m_pNodes.size(), Figure().size());
    a.Destroy();
    EXPECT_TRUE(InTable(base));
    EXPECT_EQ(base->m_iReferenceCount, 1);
    b.Destroy();
    EXPECT_FALSE(InTable(base));
}

TEST_F(SkinTest, SeventyBonesSkinWithAPaletteOfSixtyFourAndBindPoseGivesIdentityPalettes)
{
    std::vector<Bone> chain;
    static std::vector<std::string> names;
    names.clear();
    for (int i = 0; i < 70; ++i)
        names.push_back("b" + std::to_string(i));
    for (int i = 0; i < 70; ++i)
        chain.push_back({names[i].c_str(), i - 1, 0.0f, 0.1f, 0.0f});
    WriteFigure("snake", {}, chain);
    ESkinMesh snake;
    ASSERT_TRUE(snake.Create("models\\snake\\snake.x"));
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("ATTENTION in GenerateSkinnedMesh()\nskinmesh: snake.x\nNumBones=70 > MaxMatrices=64"),
              std::string::npos)
        << log;
    ASSERT_EQ(snake.m_pMeshes.size(), 1u);
    const D3DXMESHCONTAINER_DERIVED* c = snake.m_pMeshes[0].pMeshContainer;
    EXPECT_EQ(c->NumPaletteEntries, 64u);
    EXPECT_EQ(c->NumBones, 70u);
    EXPECT_GE(c->NumAttributeGroups, 2u) << "70 bones cannot share one palette of 64";
    // Every group still names the one material its faces came from: drawing picks groups by it.
    for (DWORD g = 0; g < c->NumAttributeGroups; ++g)
        EXPECT_EQ(c->pBoneCombination[g].AttribId, 0u) << "group " << g;

    snake.ComputeBoneMatrices();
    for (DWORD g = 0; g < snake.m_pMeshes[0].iNumPalettes; ++g)
        for (DWORD p = 0; p < c->NumPaletteEntries; ++p)
            if (c->pBoneCombination[g].BoneId[p] < c->NumBones)
                EXPECT_TRUE(NearIdentity(snake.m_pMeshes[0].pBoneMatrices[g][p]))
                    << "group " << g << " entry " << p;
}

TEST_F(SkinTest, ABoneWithoutItsFrameFailsTheModelAndLeavesNoBase)
{
    const std::string path = WriteFigure("bad", {});
    std::string text = temp->Read("models/bad/bad.x");
    const size_t at = text.find("\"Bip01_Head\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 12, "\"Bip01_Hed\"");
    temp->Write("models/bad/bad.x", text);
    ESkinMesh bad;
    EXPECT_FALSE(bad.Create(path.c_str()));
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("Bad Bone Name:\nBip01_Hed\nSetupBoneMatrixPointers failed, File=bad.x"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("ERROR: Loading Base Skin Mesh: <models\\bad\\bad.x> Failed..."), std::string::npos);
    EXPECT_EQ(bad.m_pBase, nullptr);
    for (ESkinMeshBase* base : g_SkinMeshMgr.m_pBases)
        EXPECT_EQ(base, nullptr);
}

TEST_F(SkinTest, MasksFollowTheNamedBones)
{
    WriteFigure("hero", {});
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    struct Row
    {
        const char* node;
        BYTE m1, m2, m3;
    };
    const Row rows[] = {
        {"Bip01", 0, 0, 0},      {"Bip01_Spine1", 1, 0, 0},     {"Bip01_Neck", 1, 0, 0},
        {"Bip01_Head", 1, 0, 0}, {"Bip01_L_UpperArm", 1, 0, 0}, {"Bip01_R_UpperArm", 1, 0, 0},
    };
    for (const Row& r : rows)
    {
        const int n = hero.FindNode(r.node);
        ASSERT_GE(n, 0) << r.node;
        EXPECT_EQ(hero.m_pNodes[n].bMask[0], r.m1) << r.node;
        EXPECT_EQ(hero.m_pNodes[n].bMask[1], r.m2) << r.node;
        EXPECT_EQ(hero.m_pNodes[n].bMask[2], r.m3) << r.node;
    }
    EXPECT_EQ(hero.m_pNodes[0].iParent, -1);
    for (size_t i = 1; i < hero.m_pNodes.size(); ++i)
        EXPECT_LT(hero.m_pNodes[i].iParent, static_cast<int>(i)) << "a parent comes before its children";
}

TEST_F(SkinTest, ABlendMovesFromTheOldPoseToTheNewWhileTheTimeStaysZero)
{
    WriteFigure("hero", Animations());
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("stand", 1));
    hero.Update(0.1f);
    EXPECT_NEAR(NodeAt(hero, "Bip01").y, 1.0f, 1e-4f);

    ASSERT_TRUE(hero.SetAnimation("crouch", 1, 0.3, 1.0));
    EXPECT_FALSE(hero.CanBeInterrupted());
    hero.Update(0.1f);
    EXPECT_EQ(hero.m_iSlotState[0], SLOT_BLENDING);
    EXPECT_EQ(hero.m_Slots[0].dTime, 0.0);
    EXPECT_NEAR(NodeAt(hero, "Bip01").y, 0.8f, 1e-3f);
    hero.Update(0.1f);
    EXPECT_EQ(hero.m_Slots[0].dTime, 0.0);
    EXPECT_NEAR(NodeAt(hero, "Bip01").y, 0.6f, 1e-3f);
    EXPECT_NEAR(NodeAt(hero, "Bip01_Head").y, 1.8f, 1e-3f) << "children follow the blended root";
    hero.Update(0.1f);
    hero.Update(0.1f);
    EXPECT_EQ(hero.m_iSlotState[0], SLOT_PLAYING);
    EXPECT_GT(hero.m_Slots[0].dTime, 0.0);
    EXPECT_NEAR(NodeAt(hero, "Bip01").y, 0.4f, 1e-3f);
    EXPECT_GT(NodeAt(hero, "Bip01").x, 0.0f) << "the new animation runs after its blend";

    EXPECT_FALSE(hero.SetAnimation("missing", 1, 0.3, 1.0));
    EXPECT_STREQ(hero.m_Slots[0].szName, "crouch") << "a missing animation leaves the slots alone";
}

TEST_F(SkinTest, WithModelUpdatesOffNoPoseChanges)
{
    WriteFigure("hero", Animations());
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("crouch", 1));
    hero.Update(0.1f);
    const D3DXVECTOR3 before = NodeAt(hero, "Bip01");
    g_Options.UpdateModels = 0;
    hero.Update(0.5f);
    EXPECT_EQ(NodeAt(hero, "Bip01"), before);
    g_Options.UpdateModels = 1;
    hero.Update(0.5f);
    EXPECT_GT(NodeAt(hero, "Bip01").x, before.x);
}

TEST_F(SkinTest, BackgroundFiguresStopOnceTheLevelHasSettled)
{
    WriteFigure("hero", Animations());
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    auto owner = std::make_unique<strObject>();
    owner->dwFlags3 = ESkinMesh::KIND_BACKGROUND;
    hero.SetOwner(owner.get());
    ASSERT_TRUE(hero.SetAnimationNoBlend("crouch", 1));
    // The level's frames count, not the engine's: after a world change the
    // engine has run many frames while the new level has just begun.
    const DWORD savedFrame = g_Engine.m_iFrame;
    const DWORD savedLevelFrame = g_MainGame.m_iLevelFrame;
    g_Engine.m_iFrame = ESkinMesh::BACKGROUND_FRAMES * 10;
    g_MainGame.m_iLevelFrame = ESkinMesh::BACKGROUND_FRAMES;
    hero.Update(0.1f);
    const D3DXVECTOR3 settled = NodeAt(hero, "Bip01");
    EXPECT_GT(settled.x, 0.0f) << "still animating at level frame 350";
    g_Engine.m_iFrame = 0;
    g_MainGame.m_iLevelFrame = ESkinMesh::BACKGROUND_FRAMES + 1;
    hero.Update(0.3f);
    EXPECT_EQ(NodeAt(hero, "Bip01"), settled);
    owner->dwFlags = 1; // bit 0 keeps it animating
    hero.Update(0.3f);
    EXPECT_GT(NodeAt(hero, "Bip01").x, settled.x);
    g_Engine.m_iFrame = savedFrame;
    g_MainGame.m_iLevelFrame = savedLevelFrame;
    hero.SetOwner(nullptr);
}

// The named bones are found once, case-blind, with the old head name standing
// in for a missing "Bip01_Head"; a bone the model lacks, or a name that is not
// one of them, is -1.
TEST_F(SkinTest, NamedBonesAreFoundOnceWithTheOldHeadName)
{
    std::vector<Bone> bones = Figure();
    bones[3].name = "bip01_GLOWA";
    bones[1].name = "BIP01_spine1";
    WriteFigure("old", {}, bones);
    ESkinMesh old;
    ASSERT_TRUE(old.Create("models\\old\\old.x"));
    EXPECT_EQ(old.NamedBone("Bip01"), old.FindNode("Bip01"));
    EXPECT_EQ(old.NamedBone("Bip01_Spine1"), 1);
    EXPECT_EQ(old.NamedBone("Bip01_Head"), 3);
    EXPECT_EQ(old.m_iHeadNode, 3);
    EXPECT_EQ(old.NamedBone("Bip01_L_Finger2Nub"), -1) << "not in the model";
    EXPECT_EQ(old.NamedBone("Bip01_glowa"), -1) << "not a named bone";
    for (const char* name : ESkinMesh::NAMED_BONE_NAMES)
        ASSERT_NE(name, nullptr);
}

// The instance keeps its distance from the camera, measured at each update
// and each node refresh.
TEST_F(SkinTest, TheInstanceKnowsItsDistanceFromTheCamera)
{
    WriteFigure("hero", Animations());
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    const D3DXVECTOR3 saved = g_Camera.GetPosition();
    g_Camera.SetPosition(D3DXVECTOR3(3.0f, 0.0f, 4.0f));
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    hero.SetPosition(&at);
    hero.Update(0.1f);
    EXPECT_FLOAT_EQ(hero.m_fCameraDistance, 5.0f);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 12.0f, 0.0f));
    hero.UpdateNodeTransforms();
    EXPECT_FLOAT_EQ(hero.m_fCameraDistance, 12.0f);
    g_Camera.SetPosition(saved);
}

TEST_F(SkinTest, SlotTwoPlaysBesideSlotZeroUntilSlotZeroRestarts)
{
    WriteFigure("hero", Animations());
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("stand", 1));
    ASSERT_TRUE(hero.SetAnimationSlot2("wave", 1, 0.0));
    hero.Update(0.1f);
    hero.Update(0.4f);
    EXPECT_EQ(hero.m_iSlotState[0], SLOT_PLAYING);
    EXPECT_EQ(hero.m_iSlotState[2], SLOT_PLAYING);
    EXPECT_GT(hero.m_Slots[2].dTime, 0.0);
    EXPECT_EQ(hero.m_Slots[2].iMask, 2);

    ASSERT_TRUE(hero.SetAnimationSlot1("wave", 1, 0.0));
    ASSERT_TRUE(hero.SetAnimation("crouch", 1, 0.2, 1.0));
    EXPECT_EQ(hero.m_iSlotState[1], SLOT_STOPPED);
    EXPECT_EQ(hero.m_iSlotState[2], SLOT_STOPPED);
    const double waved = hero.m_Slots[2].dTime;
    hero.Update(0.1f);
    EXPECT_EQ(hero.m_Slots[2].dTime, waved) << "a stopped slot neither advances nor applies";
}

TEST_F(SkinTest, AOneShotCanBeInterruptedOnlyAtItsEnd)
{
    WriteFigure("hero", Animations());
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimation("oneshot", 0, 0.2, 1.0));
    std::string seen;
    for (int i = 0; i < 12; ++i)
    {
        hero.Update(0.1f);
        seen += hero.CanBeInterrupted() ? '1' : '0';
    }
    // Two frames of blend, the rest until 0.5 s of play, then free.
    EXPECT_EQ(seen.substr(0, 3), "000");
    EXPECT_EQ(seen.back(), '1');
    EXPECT_EQ(seen.find('1'), seen.rfind('0') + 1) << seen;
    EXPECT_EQ(hero.m_Slots[0].bEndReached, 1);
}

TEST_F(SkinTest, SlotsSurviveASaveAndAMissingAnimationLeavesItsSlotEmpty)
{
    WriteFigure("hero", Animations());
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        ESkinMesh hero;
        ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
        ASSERT_TRUE(hero.SetAnimation("crouch", 1, 0.1, 1.0));
        ASSERT_TRUE(hero.SetAnimationSlot2("wave", 1, 0.0));
        for (int i = 0; i < 5; ++i)
            hero.Update(0.1f);
        ASSERT_TRUE(hero.SaveState(file));
        EXPECT_EQ(std::ftell(file),
                  long(ESkinMesh::SAVED_HEADER_SIZE + hero.m_pNodes.size() * ESkinMesh::SAVED_NODE_SIZE));

        std::rewind(file);
        ESkinMesh back;
        ASSERT_TRUE(back.Create("models\\hero\\hero.x"));
        ASSERT_TRUE(back.LoadState(file));
        for (int s = 0; s < SKIN_ANIMATION_SLOTS; ++s)
        {
            EXPECT_EQ(back.m_iSlotState[s], hero.m_iSlotState[s]) << s;
            EXPECT_STREQ(back.m_Slots[s].szName, hero.m_Slots[s].szName) << s;
            EXPECT_EQ(back.m_Slots[s].dTime, hero.m_Slots[s].dTime) << s;
            EXPECT_EQ(back.m_Slots[s].iAnimation, hero.m_Slots[s].iAnimation) << s;
        }
        for (size_t n = 0; n < hero.m_pNodes.size(); ++n)
            EXPECT_EQ(back.m_pNodes[n].mLocal, hero.m_pNodes[n].mLocal) << n;
        back.Update(0.1f);
        hero.Update(0.1f);
        EXPECT_EQ(NodeAt(back, "Bip01_R_UpperArm"), NodeAt(hero, "Bip01_R_UpperArm"));
    }
    g_SkinMeshMgr.Release();
    std::filesystem::remove("models/hero/animations/wave.bin");
    std::rewind(file);
    ESkinMesh later;
    ASSERT_TRUE(later.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(later.LoadState(file));
    EXPECT_GE(later.m_Slots[0].iAnimation, 0);
    EXPECT_EQ(later.m_Slots[2].iAnimation, -1);
    later.Update(0.1f); // a slot without its animation is passed over
    std::fclose(file);
}

TEST_F(SkinTest, AStoredStateOfAMissingModelFailsTheLoadWithALine)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::vector<char> bytes(ESkinMesh::SAVED_HEADER_SIZE + 2 * ESkinMesh::SAVED_NODE_SIZE);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    EXPECT_FALSE(ESkinMesh::SkipState(file));
    EXPECT_NE(ConsoleLog().find("cannot be skipped"), std::string::npos);
    std::fclose(file);
}

TEST_F(SkinTest, AnUpperBodySlotPosesItsOwnNodesAndRestsThoseItsAnimationLacks)
{
    // "nod" moves the head and has no track for the left arm.
    BinaContent nod = Motion(Figure(), "Bip01_Head", {0.0f, 0.0f, 0.0f}, 1.0, {0.0f, 0.1f, 0.0f});
    std::erase_if(nod.nodes, [](const tNodeAnim& t) { return std::string(t.szName) == "Bip01_L_UpperArm"; });
    WriteFigure("hero", {{"crouch", Motion(Figure(), "Bip01", {0.0f, 0.0f, 0.0f}, 1.0, {0.0f, -0.6f, 0.0f})},
                         {"nod", nod}});
    ESkinMesh hero, other;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("crouch", 1));
    ASSERT_TRUE(hero.SetAnimationSlot1("nod", 1, 0.0));
    // Made once the animations are loaded, its nodes find their pose records.
    ASSERT_TRUE(other.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(other.SetAnimationNoBlend("crouch", 1));
    for (int frame = 0; frame < 3; ++frame)
    {
        hero.Update(0.1f);
        // Another figure sampled in between changes nothing of the first one's pose.
        other.Update(0.1f);
    }
    // The root is slot 0's (crouched), the head slot 1's, the arm at rest
    // (its node's origin at its parent's) because "nod" has no track for it.
    EXPECT_NEAR(NodeAt(hero, "Bip01").y, 0.4f, 1e-3f);
    EXPECT_NEAR(NodeAt(hero, "Bip01_Head").y - NodeAt(hero, "Bip01_Neck").y, 0.3f, 1e-3f);
    const D3DXVECTOR3 arm = NodeAt(hero, "Bip01_L_UpperArm"), neck = NodeAt(hero, "Bip01_Neck");
    EXPECT_NEAR(arm.x, neck.x, 1e-3f);
    EXPECT_NEAR(arm.y, neck.y, 1e-3f);
    EXPECT_NEAR(NodeAt(other, "Bip01_Head").y - NodeAt(other, "Bip01_Neck").y, 0.2f, 1e-3f);
    EXPECT_NEAR(NodeAt(other, "Bip01_L_UpperArm").x - NodeAt(other, "Bip01_Neck").x, -0.3f, 1e-3f);
}

TEST_F(SkinTest, TwoModelsAnimateWithoutDisturbingEachOther)
{
    WriteFigure("hero", {{"walk", Motion(Figure(), "Bip01", {2.0f, 0.0f, 0.0f}, 1.0)}});
    std::vector<Bone> beastBones = {{"Bip01", -1, 0.0f, 1.0f, 0.0f}, {"Tail", 0, 0.0f, 0.0f, -1.0f}};
    WriteFigure("beast", {{"walk", Motion(beastBones, "Bip01", {0.0f, 0.0f, 4.0f}, 2.0)}}, beastBones);
    ESkinMesh hero, beast;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(beast.Create("models\\beast\\beast.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("walk", 1));
    ASSERT_TRUE(beast.SetAnimationNoBlend("walk", 1));
    hero.Update(0.5f);
    beast.Update(0.5f);
    const D3DXVECTOR3 heroRoot = NodeAt(hero, "Bip01"), beastRoot = NodeAt(beast, "Bip01");
    EXPECT_NEAR(heroRoot.x, 1.0f, 1e-4f);
    EXPECT_NEAR(heroRoot.z, 0.0f, 1e-4f);
    EXPECT_NEAR(beastRoot.x, 0.0f, 1e-4f);
    EXPECT_NEAR(beastRoot.z, 1.0f, 1e-4f);
    EXPECT_NEAR(NodeAt(beast, "Tail").z, 0.0f, 1e-4f);
    EXPECT_NE(hero.m_pBase->FindAnimation("walk"), -1);
    EXPECT_NE(hero.m_pBase->m_pAnimations[hero.m_Slots[0].iAnimation],
              beast.m_pBase->m_pAnimations[beast.m_Slots[0].iAnimation]);
}

TEST_F(SkinTest, TheNearestHitZoneAnswersWithItsNames)
{
    WriteFigure("hero", {});
    temp->Write("models/hero/collisions.txt", "sphere head_ball\r\n"
                                              "node_name Bip01_Head\r\n"
                                              "radius 0.15\r\n"
                                              "hit_zone_name head\r\n"
                                              "cylinder torso\r\n"
                                              "start_node_name Bip01\r\n"
                                              "finish_node_name Bip01_Neck\r\n"
                                              "thickness 0.2\r\n"
                                              "hit_zone_name body\r\n"
                                              "sphere lost\r\n"
                                              "node_name Bip01_Tail\r\n"
                                              "radius 5\r\n");
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    EXPECT_NE(
        ConsoleLog().find("ERROR in SkinMeshCollisions.cpp: Node not found!\nskin mesh: hero.x\nbad node "
                          "name: Bip01_Tail"),
        std::string::npos);
    const D3DXVECTOR3 at(10.0f, 0.0f, 0.0f);
    hero.SetPosition(&at);
    hero.UpdateNodeTransforms();

    struct Case
    {
        D3DXVECTOR3 from, to;
        const char* zone;
        const char* hitZone;
        float distance;
    };
    const Case cases[] = {
        // Through the head and past the neck's end: the head is met first.
        {{10.0f, 2.2f, -5.0f}, {10.0f, 2.2f, 5.0f}, "head_ball", "head", 4.85f},
        {{10.0f, 1.5f, -5.0f}, {10.0f, 1.5f, 5.0f}, "torso", "body", 5.0f},
        // Straight down through the head into the torso's axis.
        {{10.0f, 5.0f, 0.0f}, {10.0f, 0.0f, 0.0f}, "head_ball", "head", 2.65f},
    };
    for (const Case& c : cases)
    {
        strSkinZoneHit hit;
        ASSERT_TRUE(ESkinMeshCollision::IntersectSegment(&hero, c.from, c.to, &hit)) << c.zone;
        EXPECT_STREQ(hit.szZoneName, c.zone);
        EXPECT_STREQ(hit.szHitZoneName, c.hitZone);
        EXPECT_NEAR(hit.fDistance, c.distance, 1e-3f) << c.zone;
    }
    strSkinZoneHit miss;
    EXPECT_FALSE(ESkinMeshCollision::IntersectSegment(&hero, {0.0f, 2.2f, -5.0f}, {0.0f, 2.2f, 5.0f}, &miss));
}

TEST(SkinCollisionFiles, TheHundredAndFirstElementIsRefusedAndPhysicsFilesGiveSpheres)
{
    TempDir temp;
    std::string many;
    for (int i = 0; i < 101; ++i)
        many += "sphere s" + std::to_string(i) + "\nnode_name Bip01\nhit_zone_name " + std::string(200, 'z') +
                "\n";
    temp.Write("collisions.txt", many);
    strSkinCollisionElements elements;
    EXPECT_TRUE(ESkinMeshCollision::ReadCollisions("collisions.txt", &elements, "m.x"));
    EXPECT_EQ(elements.iNumCollisionElements, 100u);
    EXPECT_NE(ConsoleLog().find(
                  "iNumCollisionElements>=MAX_SKINMESH_COLLISIONS_ELEMENTS\nfilename: collisions.txt"),
              std::string::npos);
    const auto* last = static_cast<const strSkinCollisionSphere*>(elements.Elements[99].pRecord);
    EXPECT_STREQ(last->szName, "s99");
    EXPECT_EQ(std::strlen(last->szHitZoneName), 63u) << "long names are cut to their field";
    ESkinMeshCollision::ReleaseElements(&elements);
    EXPECT_EQ(elements.iNumCollisionElements, 0u);

    EXPECT_FALSE(ESkinMeshCollision::ReadCollisions("missing.txt", &elements, "m.x"));
    temp.Write("physics.txt", "Bip01_Head 1 0.25 head\nlonely\n\nBip01_L_Foot 1 0.1 leg_l");
    EXPECT_TRUE(ESkinMeshCollision::ReadPhysics("physics.txt", &elements));
    ASSERT_EQ(elements.iNumCollisionElements, 2u);
    const auto* head = static_cast<const strSkinCollisionSphere*>(elements.Elements[0].pRecord);
    EXPECT_STREQ(head->szName, "sphere_Bip01_Head");
    EXPECT_STREQ(head->szNodeName, "Bip01_Head");
    EXPECT_EQ(head->dRadius, 0.25);
    EXPECT_STREQ(static_cast<const strSkinCollisionSphere*>(elements.Elements[1].pRecord)->szHitZoneName,
                 "leg_l");
    ESkinMeshCollision::ReleaseElements(&elements);
}

TEST_F(SkinTest, SocketsFollowTheirBones)
{
    WriteFigure("hero", Animations());
    temp->Write("models/hero/sockets.txt", "gun Bip01_R_UpperArm 0.1 0 0 0 0 0\n\nhat Bip01_Head\n");
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("wave", 1));
    hero.Update(0.5f);
    D3DXVECTOR3 gun;
    EOrientation facing;
    ASSERT_TRUE(hero.GetSocketMatrix("GUN", &gun, &facing));
    const D3DXVECTOR3 arm = NodeAt(hero, "Bip01_R_UpperArm");
    EXPECT_NEAR(gun.x, arm.x + 0.1f, 1e-4f);
    EXPECT_NEAR(gun.y, arm.y, 1e-4f);
    EXPECT_NEAR(arm.y, 2.25f, 1e-3f) << "the arm is half way up its wave";
    D3DXVECTOR3 hat;
    EXPECT_TRUE(hero.GetSocketMatrix("hat", &hat, nullptr));
    EXPECT_FALSE(hero.GetSocketMatrix("boot", &hat, nullptr));
}
