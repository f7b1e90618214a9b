// The bundled figure loads with its side files, plays its default animation, walks, and its skinned
// vertices follow their bones through the palettes.
#include "support/BuildPaths.h"
#include "skin_fixture.h"

#include "mesh/SkinMeshCollision.h"

#include <cmath>

using namespace skintest;

namespace
{
class SkinDataTest : public SkinTest
{
protected:
    void SetUp() override
    {
        SkinTest::SetUp();
        const std::filesystem::path from = tk::test::DataDir() / "models" / "hero";
        ASSERT_TRUE(std::filesystem::exists(from)) << from;
        std::filesystem::create_directories("models");
        std::filesystem::copy(from, "models/hero", std::filesystem::copy_options::recursive);
    }
};

D3DXVECTOR3 NodeAt(const ESkinMesh& skin, const char* name)
{
    D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(skin.GetNodePosition(name, &at)) << name;
    return at;
}
} // namespace

TEST_F(SkinDataTest, TheFigureLoadsWithItsSideFilesAndIdlesByDefault)
{
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    EXPECT_GE(hero.m_pNodes.size(), 20u);
    EXPECT_LE(hero.m_pNodes.size(), 30u);
    EXPECT_EQ(hero.m_pNodes[0].szName, std::string("Bip01"));
    EXPECT_STREQ(hero.m_pBase->m_szDefaultAnimation, "idle");
    EXPECT_STREQ(hero.m_Slots[0].szName, "idle");
    EXPECT_EQ(hero.m_iSlotState[0], SLOT_PLAYING);
    EXPECT_TRUE(hero.HasAnimation("RUN"));
    EXPECT_EQ(hero.m_pBase->m_Descriptions.size(), 4u);
    EXPECT_EQ(hero.m_pBase->m_Collisions.iNumCollisionElements, 6u);
    EXPECT_EQ(ConsoleLog().find("ERROR"), std::string::npos) << ConsoleLog();

    hero.Update(0.1f);
    D3DXVECTOR3 weapon;
    ASSERT_TRUE(hero.GetSocketMatrix("weapon", &weapon, nullptr));
    EXPECT_NEAR(weapon.x, NodeAt(hero, "Bip01_R_Hand").x, 1e-3f);
    EXPECT_NEAR(NodeAt(hero, "Bip01_HeadNub").y, 76.0f, 0.5f) << "the top of the head, in inches";

    strSkinZoneHit hit;
    const D3DXVECTOR3 eye(0.0f, 65.0f, -100.0f), through(0.0f, 65.0f, 100.0f);
    ASSERT_TRUE(ESkinMeshCollision::IntersectSegment(&hero, eye, through, &hit));
    EXPECT_STREQ(hit.szHitZoneName, "head");
}

TEST_F(SkinDataTest, WalkingSwingsTheLegsAndThePalettesCarryTheVertices)
{
    ESkinMesh hero;
    ASSERT_TRUE(hero.Create("models\\hero\\hero.x"));
    ASSERT_TRUE(hero.SetAnimationNoBlend("walk", 1));
    hero.Update(0.25f); // a quarter of the stride: the legs are furthest apart
    const float left = NodeAt(hero, "Bip01_L_Foot").z, right = NodeAt(hero, "Bip01_R_Foot").z;
    EXPECT_GT(std::fabs(left - right), 10.0f) << left << " " << right;

    // A vertex skinned to the left foot moves with the foot: palette times bind position.
    hero.ComputeBoneMatrices();
    const strSkinMeshRecord& record = hero.m_pMeshes.at(0);
    const D3DXMESHCONTAINER_DERIVED* c = record.pMeshContainer;
    const int foot = hero.FindNode("Bip01_L_Foot");
    bool checked = false;
    for (DWORD g = 0; g < record.iNumPalettes && !checked; ++g)
        for (DWORD p = 0; p < c->NumPaletteEntries && !checked; ++p)
        {
            const DWORD bone = c->pBoneCombination[g].BoneId[p];
            if (bone >= c->NumBones || c->tBonesIndexes[bone] != foot)
                continue;
            D3DXMATRIX bind;
            D3DXMatrixInverse(&bind, nullptr, &c->pBoneOffsetMatrices[bone]);
            const D3DXVECTOR3 origin(bind._41, bind._42, bind._43);
            D3DXVECTOR3 moved;
            D3DXVec3TransformCoord(&moved, &origin, &record.pBoneMatrices[g][p]);
            const D3DXVECTOR3 at = NodeAt(hero, "Bip01_L_Foot");
            EXPECT_NEAR(moved.x, at.x, 1e-2f);
            EXPECT_NEAR(moved.y, at.y, 1e-2f);
            EXPECT_NEAR(moved.z, at.z, 1e-2f);
            checked = true;
        }
    EXPECT_TRUE(checked) << "the foot drives a palette entry";
}
