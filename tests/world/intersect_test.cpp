// Segment tests against scene objects: nearest hits, filters, the flags that
// keep objects out of shots or sight, the hero stick, hit zones and body
// parts, moving and deleted objects, and segments that are no segments.
#include "world_fixture.h"

#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "shell/Debug.h"
#include "shell/Geometry.h"
#include "world/Camera.h"
#include "world/CollisionMgr.h"
#include "world/IntersectSegment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace worldtest
{
namespace
{
constexpr const char* FIGURE_FILE = "models\\figure\\figure.x";
constexpr const char* HERO_STICK_FILE = "prefabs\\special\\hero_stick.x";
constexpr const char* SUBSETS_FILE = "meshes\\two_sides.x";
constexpr float ZONE_RADIUS = 0.3f;

struct FigureBone
{
    const char* name;
    float x, y, z; // from the root
    const char* hitZone;
    DWORD part;
};

// A root and five limbs, each with one sphere zone named as the game names body parts.
const FigureBone kFigure[] = {
    {"Bip01", 0.0f, 0.0f, 0.0f, "tulow", BODY_PART_NONE},
    {"Bip01_Head", 0.0f, 1.0f, 0.0f, "glowa", BODY_PART_HEAD},
    {"Bip01_L_Arm", -1.0f, 0.5f, 0.0f, "lewa_reka", BODY_PART_LEFT_ARM},
    {"Bip01_R_Arm", 1.0f, 0.5f, 0.0f, "prawa_reka", BODY_PART_RIGHT_ARM},
    {"Bip01_L_Leg", -0.5f, -1.0f, 0.0f, "lewa_noga", BODY_PART_LEFT_LEG},
    {"Bip01_R_Leg", 0.5f, -1.0f, 0.0f, "prawa_noga", BODY_PART_RIGHT_LEG},
};

class Intersect : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        g_IntersectSegment.RebuildAll();
        std::filesystem::create_directories("prefabs/special");
        std::filesystem::create_directories("models/figure");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(HERO_STICK_FILE, BoxMesh(), tk::xfile::XFormat::Text));
        // A cube whose +x side is subset 1 and every other side subset 0.
        tk::xfile::XMeshDesc sides = BoxMesh();
        sides.materials.push_back(sides.materials[0]);
        for (size_t f = 0; f < sides.indices.size() / 3; ++f)
        {
            bool plusX = true;
            for (size_t k = 0; k < 3; ++k)
                plusX &= sides.positions[sides.indices[f * 3 + k] * 3] > 0.0f;
            sides.faceMaterials.push_back(plusX ? 1 : 0);
        }
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(SUBSETS_FILE, sides, tk::xfile::XFormat::Text));
        WriteFigure();
    }
    void TearDown() override
    {
        g_Engine.DeleteAllObjects();
        // Deleting every object empties every table.
        EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 0u);
        EXPECT_EQ(g_IntersectSegment.GetSeeThroughCount(), 0u);
        EXPECT_EQ(g_IntersectSegment.GetHeroStickCount(), 0u);
        EXPECT_EQ(g_IntersectSegment.GetSkinMeshCount(), 0u);
        WorldTest::TearDown();
    }

    void WriteFigure()
    {
        SkinModelDesc model;
        for (const FigureBone& b : kFigure)
        {
            SkinModelBone bone;
            bone.name = b.name;
            bone.parent = model.bones.empty() ? -1 : 0;
            D3DXMatrixTranslation(&bone.local, b.x, b.y, b.z);
            model.bones.push_back(bone);
        }
        model.mesh = BoxMesh();
        model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
        ASSERT_TRUE(WriteSkinModelFile(FIGURE_FILE, model, tk::xfile::XFormat::Text));
        temp->Write("models/figure/animations/animations_desc.txt", "\n");
        std::string zones;
        for (const FigureBone& b : kFigure)
            zones += std::string("sphere ") + b.name + "_ball\nnode_name " + b.name +
                     "\nradius 0.3\nhit_zone_name " + b.hitZone + "\n";
        temp->Write("models/figure/collisions.txt", zones);
    }

    // A cube of the given edge at the point, entered in the tables as the
    // engine enters the objects of a loaded world.
    static HOBJECT Cube(D3DXVECTOR3 at, float edge = 1.0f, const char* file = MESH_FILE, DWORD flags = 0,
                        DWORD flags2 = 0)
    {
        const float scale[3] = {edge, edge, edge};
        HOBJECT o = g_Engine.CreateObject(OT_MESH, file, flags, flags2, &at.x, scale);
        g_Engine.PrepareObject(o);
        return o;
    }

    static HOBJECT Figure(D3DXVECTOR3 at)
    {
        HOBJECT o = g_Engine.CreateObject(OT_SKINMESH, FIGURE_FILE, 0, 0, &at.x, nullptr);
        g_Engine.UpdateSkinMeshNodes(o);
        g_Engine.PrepareObject(o);
        return o;
    }

    static bool Shoot(D3DXVECTOR3 from, D3DXVECTOR3 to, RayTestResult* r,
                      RayTestFilter filter = RayTestAcceptAll, RayTestUser user = 0, BYTE seeThrough = 0,
                      BYTE noSkinned = 0)
    {
        RayTestQuery q;
        q.Init();
        q.pFrom = &from.x;
        q.pTo = &to.x;
        q.pfnFilter = filter;
        q.dwUser = user;
        q.bSeeThrough = seeThrough;
        q.bNoSkinned = noSkinned;
        const bool hit = g_IntersectSegment.Test(&q, r);
        EXPECT_EQ(hit, r->bHit != 0);
        return hit;
    }

    static HOBJECT HitBy(D3DXVECTOR3 from, D3DXVECTOR3 to, BYTE seeThrough = 0, BYTE noSkinned = 0)
    {
        RayTestResult r;
        return Shoot(from, to, &r, RayTestAcceptAll, 0, seeThrough, noSkinned) ? r.pObject : nullptr;
    }
};

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tolerance = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

bool SkipGiven(HOBJECT candidate, RayTestUser user)
{
    return candidate != reinterpret_cast<HOBJECT>(user);
}

bool RefuseAll(HOBJECT, RayTestUser)
{
    return false;
}

TEST_F(Intersect, TheNearestObjectIsReportedWhateverTheOrderOfRegistration)
{
    HOBJECT far = Cube({6.0f, 0.0f, 0.0f});
    HOBJECT near = Cube({3.0f, 0.0f, 0.0f});
    HOBJECT aside = Cube({3.0f, 5.0f, 0.0f});
    ASSERT_TRUE(far && near && aside);

    RayTestResult r;
    ASSERT_TRUE(Shoot({0.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}, &r));
    EXPECT_EQ(r.pObject, near);
    EXPECT_FALSE(r.bSkinnedHit);
    EXPECT_NEAR(r.fDistance, 2.5f, 1e-4f);
    ExpectNear(r.vPoint, {2.5f, 0.0f, 0.0f});
    ExpectNear(r.vNormal, {-1.0f, 0.0f, 0.0f});
    ExpectNear(r.vFrom, {0.0f, 0.0f, 0.0f});
    ExpectNear(r.vTo, {10.0f, 0.0f, 0.0f});

    // From the other side the far one is the near one.
    ASSERT_TRUE(Shoot({10.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, &r));
    EXPECT_EQ(r.pObject, far);
    ExpectNear(r.vNormal, {1.0f, 0.0f, 0.0f});

    // Ending inside the near cube still meets its face; stopping short of it meets nothing.
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {3.0f, 0.0f, 0.0f}), near);
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {2.4f, 0.0f, 0.0f}), nullptr);
    EXPECT_EQ(HitBy({0.0f, 5.0f, -9.0f}, {0.0f, 5.0f, 9.0f}), nullptr);
}

TEST_F(Intersect, ScaledTurnedAndMovedMeshesAreMetWhereTheyStand)
{
    HOBJECT big = Cube({0.0f, 0.0f, 20.0f}, 4.0f);
    RayTestResult r;
    ASSERT_TRUE(Shoot({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 40.0f}, &r));
    EXPECT_EQ(r.pObject, big);
    EXPECT_NEAR(r.fDistance, 18.0f, 1e-3f);

    EOrientation turn;
    turn.SetYawPitchRoll(std::acos(-1.0f) / 4.0f, 0.0f, 0.0f);
    g_Engine.SetObjectRotation(big, &turn);
    // Turned 45 degrees about Y, the cube's front edge stands at x = 0 and
    // its faces slope back from it.
    ASSERT_TRUE(Shoot({0.5f, 0.0f, 0.0f}, {0.5f, 0.0f, 40.0f}, &r));
    EXPECT_NEAR(r.fDistance, 20.0f - 2.0f * std::sqrt(2.0f) + 0.5f, 1e-3f);
    ExpectNear(r.vNormal, {std::sqrt(0.5f), 0.0f, -std::sqrt(0.5f)}, 1e-3f);

    // Moved away, it is no longer where it was, and is where it went.
    const D3DXVECTOR3 away(50.0f, 0.0f, 20.0f);
    g_Engine.SetObjectPosition(big, &away, 0);
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 40.0f}), nullptr);
    EXPECT_EQ(HitBy({50.0f, 0.0f, 0.0f}, {50.0f, 0.0f, 40.0f}), big);

    // Mirrored and stretched along x, it reaches as far as the stretch says.
    const D3DXVECTOR3 mirrored(-3.0f, 1.0f, 1.0f);
    const EOrientation straight;
    g_Engine.SetObjectRotation(big, &straight);
    g_Engine.SetObjectScale(big, &mirrored);
    EXPECT_EQ(HitBy({51.2f, -5.0f, 20.0f}, {51.2f, 5.0f, 20.0f}), big);
    EXPECT_EQ(HitBy({51.6f, -5.0f, 20.0f}, {51.6f, 5.0f, 20.0f}), nullptr);

    // Grown, it reaches a segment that passed beside it.
    const D3DXVECTOR3 grown(10.0f, 10.0f, 10.0f);
    EXPECT_EQ(HitBy({54.0f, 0.0f, 0.0f}, {54.0f, 0.0f, 40.0f}), nullptr);
    g_Engine.SetObjectScale(big, &grown);
    EXPECT_EQ(HitBy({54.0f, 0.0f, 0.0f}, {54.0f, 0.0f, 40.0f}), big);
}

// Every segment that crosses a face of a turned cube is reported, at the
// first crossing: the box pre-tests never throw away a real hit.
TEST_F(Intersect, NoSegmentThatCrossesATurnedCubeIsLost)
{
    const D3DXVECTOR3 centre(1.0f, 2.0f, 3.0f);
    HOBJECT cube = Cube(centre, 2.0f);
    EOrientation turn;
    turn.SetYawPitchRoll(0.7f, 0.4f, 1.1f);
    g_Engine.SetObjectRotation(cube, &turn);
    const EMesh* mesh = static_cast<const EMesh*>(cube->Object);
    const tk::xfile::XMeshDesc box = BoxMesh();
    std::vector<D3DXVECTOR3> corners;
    for (size_t i = 0; i < box.positions.size(); i += 3)
    {
        D3DXVECTOR3 v(box.positions[i], box.positions[i + 1], box.positions[i + 2]);
        D3DXVec3TransformCoord(&v, &v, &mesh->m_mWorld);
        corners.push_back(v);
    }

    std::mt19937 random(19);
    std::uniform_real_distribution<float> spread(-3.0f, 3.0f);
    int crossing = 0;
    for (int i = 0; i < 2000; ++i)
    {
        const D3DXVECTOR3 a = centre + D3DXVECTOR3(spread(random), spread(random), spread(random));
        const D3DXVECTOR3 b = centre + D3DXVECTOR3(spread(random), spread(random), spread(random));
        float nearest = std::numeric_limits<float>::max();
        for (size_t f = 0; f < box.indices.size(); f += 3)
        {
            float point[3], t = 0.0f;
            if (Geom::IntersectTriangle(&a.x, &b.x, &corners[box.indices[f]].x,
                                        &corners[box.indices[f + 1]].x, &corners[box.indices[f + 2]].x, point,
                                        &t))
                nearest = std::min(nearest, t);
        }
        RayTestResult r;
        const bool hit = Shoot(a, b, &r);
        const bool expected = nearest <= 1.0f;
        ASSERT_EQ(hit, expected) << "segment " << i;
        // The mesh's own box test, over its collision record, agrees.
        if (expected)
            EXPECT_TRUE(mesh->Intersect(&a, &b)) << "segment " << i;
        if (expected)
        {
            const D3DXVECTOR3 d = b - a;
            EXPECT_NEAR(r.fDistance, nearest * D3DXVec3Length(&d), 1e-3f) << "segment " << i;
            ++crossing;
        }
    }
    // The table holds enough crossing segments to mean something.
    EXPECT_GT(crossing, 200);
}

TEST_F(Intersect, FiltersSeeEveryCandidateWithTheCallersValue)
{
    HOBJECT shooter = Cube({1.0f, 0.0f, 0.0f});
    HOBJECT target = Cube({4.0f, 0.0f, 0.0f});
    RayTestResult r;
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}), shooter);
    ASSERT_TRUE(Shoot({0.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}, &r, SkipGiven,
                      reinterpret_cast<RayTestUser>(shooter)));
    EXPECT_EQ(r.pObject, target);
    EXPECT_FALSE(Shoot({0.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}, &r, RefuseAll));
    EXPECT_EQ(r.pObject, nullptr);
    // A figure behind both is refused by the same filter.
    Figure({8.0f, 0.0f, 0.0f});
    EXPECT_FALSE(Shoot({8.0f, 0.0f, -5.0f}, {8.0f, 0.0f, 5.0f}, &r, RefuseAll));
    // A null filter counts as accepting everything.
    ASSERT_TRUE(Shoot({0.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}, &r, nullptr));
    EXPECT_EQ(r.pObject, shooter);
}

TEST_F(Intersect, FlagsTakeObjectsOutOfShotsOrSight)
{
    HOBJECT wall = Cube({3.0f, 0.0f, 0.0f});
    HOBJECT glass = Cube({3.0f, 3.0f, 0.0f}, 1.0f, MESH_FILE, 0, EIntersectSegment::FLAG2_SEE_THROUGH);
    HOBJECT ghost = Cube({3.0f, 6.0f, 0.0f}, 1.0f, MESH_FILE, 0, EIntersectSegment::FLAG2_NO_SEGMENT);
    const D3DXVECTOR3 from(0.0f, 0.0f, 0.0f), to(6.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 3.0f, 0.0f), up2(0.0f, 6.0f, 0.0f);

    struct Case
    {
        D3DXVECTOR3 offset;
        BYTE sight;
        HOBJECT expected;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, wall}, {{0, 0, 0}, 1, wall}, {up, 0, glass},
        {up, 1, nullptr},     {up2, 0, nullptr},    {up2, 1, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitBy(from + c.offset, to + c.offset, c.sight), c.expected)
            << "y " << c.offset.y << " sight " << int(c.sight);

    // While the camera looks from the wall it is out of shots; afterwards it is back.
    g_Engine.ForceCameraToLook(wall, nullptr);
    EXPECT_EQ(HitBy(from, to), nullptr);
    g_Engine.ForceCameraToLook(nullptr, nullptr);
    EXPECT_EQ(HitBy(from, to), wall);
    // The see-through bit set later takes the wall out of sight tests only.
    g_Engine.SetObjectFlags2(wall, EIntersectSegment::FLAG2_SEE_THROUGH,
                             EIntersectSegment::FLAG2_SEE_THROUGH);
    EXPECT_EQ(HitBy(from, to, 1), nullptr);
    EXPECT_EQ(HitBy(from, to, 0), wall);
    // Cleared again, the ghost takes part.
    g_Engine.SetObjectFlags2(ghost, 0, EIntersectSegment::FLAG2_NO_SEGMENT);
    EXPECT_EQ(HitBy(from + up2, to + up2), ghost);
}

TEST_F(Intersect, SkinnedObjectsFollowTheirFlagsToo)
{
    HOBJECT figure = Figure({0.0f, 0.0f, 10.0f});
    const D3DXVECTOR3 from(0.0f, 1.0f, 0.0f), to(0.0f, 1.0f, 20.0f);
    EXPECT_EQ(HitBy(from, to), figure);
    EXPECT_EQ(HitBy(from, to, 1), figure);
    g_Engine.ForceCameraToLook(figure, nullptr);
    EXPECT_EQ(HitBy(from, to), nullptr);
    EXPECT_EQ(HitBy(from, to, 1), figure);
    g_Engine.ForceCameraToLook(nullptr, nullptr);
    g_Engine.SetObjectFlags2(figure, EIntersectSegment::FLAG2_SEE_THROUGH,
                             EIntersectSegment::FLAG2_SEE_THROUGH);
    EXPECT_EQ(HitBy(from, to), figure);
    EXPECT_EQ(HitBy(from, to, 1), nullptr);
    g_Engine.SetObjectFlags2(figure, EIntersectSegment::FLAG2_NO_SEGMENT,
                             EIntersectSegment::FLAG2_NO_SEGMENT);
    EXPECT_EQ(HitBy(from, to), nullptr);
}

TEST_F(Intersect, TheHeroStickIsMetOnlyByTestsWithoutSkinnedMeshes)
{
    HOBJECT stick = Cube({3.0f, 0.0f, 0.0f}, 1.0f, HERO_STICK_FILE);
    HOBJECT wall = Cube({3.0f, 3.0f, 0.0f});
    Figure({3.0f, 20.0f, 0.0f});
    EXPECT_EQ(g_IntersectSegment.GetHeroStickCount(), 1u);
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 1u);
    const D3DXVECTOR3 from(0.0f, 0.0f, 0.0f), to(6.0f, 0.0f, 0.0f), up(0.0f, 3.0f, 0.0f),
        high(0.0f, 20.0f, 0.0f);
    EXPECT_EQ(HitBy(from, to), nullptr);
    EXPECT_EQ(HitBy(from, to, 0, 1), stick);
    EXPECT_EQ(HitBy(from + up, to + up, 0, 1), nullptr);
    EXPECT_EQ(HitBy(from + up, to + up), wall);
    EXPECT_EQ(HitBy(from + high, to + high, 0, 1), nullptr);
    EXPECT_NE(HitBy(from + high, to + high), nullptr);
    // Moving the stick keeps it in its own table only.
    const D3DXVECTOR3 moved(3.0f, -3.0f, 0.0f);
    g_Engine.SetObjectPosition(stick, &moved, 0);
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 1u);
    EXPECT_EQ(HitBy(from - up, to - up, 0, 1), stick);
}

TEST_F(Intersect, HitZonesGiveBodyPartsAndTheirNames)
{
    const D3DXVECTOR3 at(0.0f, 10.0f, 30.0f);
    HOBJECT figure = Figure(at);
    ASSERT_NE(figure, nullptr);
    for (const FigureBone& b : kFigure)
    {
        const D3DXVECTOR3 node = at + D3DXVECTOR3(b.x, b.y, b.z);
        RayTestResult r;
        ASSERT_TRUE(Shoot(node + D3DXVECTOR3(0.0f, 0.0f, -5.0f), node + D3DXVECTOR3(0.0f, 0.0f, 5.0f), &r))
            << b.name;
        EXPECT_EQ(r.pObject, figure);
        EXPECT_TRUE(r.bSkinnedHit);
        EXPECT_EQ(r.iBodyPart, b.part) << b.hitZone;
        EXPECT_EQ(std::string(r.szZoneName), std::string(b.name) + "_ball");
        EXPECT_STREQ(r.Skinned.szHitZoneName, b.hitZone);
        EXPECT_EQ(r.Skinned.pObject, figure);
        EXPECT_NEAR(r.fDistance, 5.0f - ZONE_RADIUS, 1e-3f);
        ExpectNear(r.vNormal, {0.0f, 0.0f, -1.0f}, 1e-3f);
        // Tests without skinned meshes pass straight through.
        EXPECT_EQ(HitBy(node + D3DXVECTOR3(0.0f, 0.0f, -5.0f), node + D3DXVECTOR3(0.0f, 0.0f, 5.0f), 0, 1),
                  nullptr);
    }
    // Between the zones there is nothing to hit.
    EXPECT_EQ(HitBy(at + D3DXVECTOR3(0.5f, 0.5f, -5.0f), at + D3DXVECTOR3(0.5f, 0.5f, 5.0f)), nullptr);

    // The figure walks off: its zones go with it.
    const D3DXVECTOR3 walked = at + D3DXVECTOR3(20.0f, 0.0f, 0.0f);
    g_Engine.SetObjectPosition(figure, &walked, 0);
    g_Engine.UpdateSkinMeshNodes(figure);
    EXPECT_EQ(HitBy(at + D3DXVECTOR3(0.0f, 1.0f, -5.0f), at + D3DXVECTOR3(0.0f, 1.0f, 5.0f)), nullptr);
    EXPECT_EQ(HitBy(walked + D3DXVECTOR3(0.0f, 1.0f, -5.0f), walked + D3DXVECTOR3(0.0f, 1.0f, 5.0f)), figure);
}

TEST_F(Intersect, BodyPartsFollowTheLettersOfTheZoneName)
{
    const struct
    {
        const char* name;
        DWORD part;
    } cases[] = {
        {"glowa", BODY_PART_HEAD},
        {"GLOWA", BODY_PART_HEAD},
        {"lewa_reka", BODY_PART_LEFT_ARM},
        {"lewa_noga", BODY_PART_LEFT_LEG},
        {"prawa_reka", BODY_PART_RIGHT_ARM},
        {"prawa_noga", BODY_PART_RIGHT_LEG},
        {"lewa", BODY_PART_NONE},
        {"prawa_", BODY_PART_NONE},
        {"tulow", BODY_PART_NONE},
        {"", BODY_PART_NONE},
        {nullptr, BODY_PART_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EIntersectSegment::BodyPartOf(c.name), c.part) << (c.name ? c.name : "null");
}

TEST_F(Intersect, SkinnedAndStaticHitsCompeteByDistance)
{
    HOBJECT figure = Figure({0.0f, 0.0f, 10.0f});
    HOBJECT before = Cube({0.0f, 0.0f, 5.0f});
    HOBJECT behind = Cube({0.0f, 1.0f, 15.0f});
    RayTestResult r;
    ASSERT_TRUE(Shoot({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 20.0f}, &r));
    EXPECT_EQ(r.pObject, before);
    EXPECT_FALSE(r.bSkinnedHit);
    ASSERT_TRUE(Shoot({0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 20.0f}, &r));
    EXPECT_EQ(r.pObject, figure);
    EXPECT_TRUE(r.bSkinnedHit);
    EXPECT_EQ(r.iBodyPart, BODY_PART_HEAD);
    EXPECT_EQ(r.iFace, 0u);
    ASSERT_TRUE(Shoot({0.0f, 1.0f, 20.0f}, {0.0f, 1.0f, 0.0f}, &r));
    EXPECT_EQ(r.pObject, behind);
    EXPECT_FALSE(r.bSkinnedHit);
    EXPECT_EQ(r.iBodyPart, BODY_PART_NONE);
}

TEST_F(Intersect, FarCharactersAreHitAtTheirCentreInCoarseMode)
{
    const D3DXVECTOR3 at(0.0f, 0.0f, 40.0f);
    HOBJECT figure = Figure(at);
    RayTestQuery q;
    q.Init();
    const D3DXVECTOR3 from(0.0f, 1.0f, 0.0f), to(0.0f, 1.0f, 80.0f);
    q.pFrom = &from.x;
    q.pTo = &to.x;
    q.bOption = 1;
    q.fMaxDistance = 20.0f;
    RayTestResult r;
    ASSERT_TRUE(g_IntersectSegment.Test(&q, &r));
    EXPECT_EQ(r.pObject, figure);
    EXPECT_STREQ(r.szZoneName, "Bip01");
    EXPECT_STREQ(r.Skinned.szHitZoneName, "tulow");
    EXPECT_EQ(r.iBodyPart, BODY_PART_NONE);
    const D3DXVECTOR3 centre = static_cast<const ESkinMesh*>(figure->Object)->m_vPosition;
    ExpectNear(r.vPoint, centre);
    const D3DXVECTOR3 gap = centre - from;
    EXPECT_NEAR(r.fDistance, D3DXVec3Length(&gap), 1e-3f);
    ExpectNear(r.vNormal, {0.0f, 0.0f, -1.0f});
    // Near enough, the zones answer.
    q.fMaxDistance = 100.0f;
    ASSERT_TRUE(g_IntersectSegment.Test(&q, &r));
    EXPECT_EQ(r.iBodyPart, BODY_PART_HEAD);
}

TEST_F(Intersect, TheFaceHitCarriesItsSubset)
{
    HOBJECT cube = Cube({0.0f, 0.0f, 0.0f}, 1.0f, SUBSETS_FILE);
    RayTestResult r;
    ASSERT_TRUE(Shoot({5.0f, 0.1f, 0.1f}, {0.0f, 0.1f, 0.1f}, &r));
    EXPECT_EQ(r.pObject, cube);
    EXPECT_EQ(r.dwSubsetValue, 1u);
    ASSERT_TRUE(Shoot({0.1f, 0.1f, -5.0f}, {0.1f, 0.1f, 0.0f}, &r));
    EXPECT_EQ(r.dwSubsetValue, 0u);
}

TEST_F(Intersect, SegmentsThatAreNoSegmentsMeetNothing)
{
    Cube({0.0f, 0.0f, 0.0f}, 4.0f);
    Figure({10.0f, 0.0f, 0.0f});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case
    {
        const char* name;
        D3DXVECTOR3 from, to;
    } cases[] = {
        {"zero length inside a mesh", {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
        {"zero length on a face", {2.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}},
        {"zero length in a hit zone", {10.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}},
        {"wholly inside a mesh", {-1.0f, 0.0f, 0.0f}, {1.0f, 0.5f, 0.0f}},
        {"not a number", {nan, 0.0f, 0.0f}, {5.0f, 0.0f, 0.0f}},
        {"infinite", {-inf, 0.0f, 0.0f}, {inf, 0.0f, 0.0f}},
    };
    for (const Case& c : cases)
    {
        RayTestResult r;
        EXPECT_FALSE(Shoot(c.from, c.to, &r)) << c.name;
        EXPECT_EQ(r.pObject, nullptr) << c.name;
    }
    RayTestQuery q;
    q.Init();
    RayTestResult r;
    EXPECT_FALSE(g_IntersectSegment.Test(&q, &r));
    EXPECT_FALSE(g_IntersectSegment.Test(nullptr, &r));
    EXPECT_FALSE(g_IntersectSegment.Test(&q, nullptr));
}

TEST_F(Intersect, DeletedObjectsLeaveEveryTable)
{
    HOBJECT a = Cube({3.0f, 0.0f, 0.0f});
    HOBJECT b = Cube({6.0f, 0.0f, 0.0f});
    HOBJECT figure = Figure({9.0f, 0.0f, 0.0f});
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 2u);
    EXPECT_EQ(g_IntersectSegment.GetSkinMeshCount(), 1u);
    // Registering again does not enter an object twice.
    g_IntersectSegment.RegisterObject(a);
    g_IntersectSegment.RegisterObject(figure);
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 2u);
    EXPECT_EQ(g_IntersectSegment.GetSkinMeshCount(), 1u);

    g_Engine.DeleteObject(a);
    // The freed entry sits below a used one: the count stays, the entry is free.
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 2u);
    EXPECT_FALSE(g_IntersectSegment.GetIntersectEntry(0).bUsed);
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {20.0f, 0.0f, 0.0f}), b);
    g_Engine.DeleteObject(b);
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), 0u);
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {20.0f, 0.0f, 0.0f}), figure);
    g_Engine.DeleteObject(figure);
    EXPECT_EQ(g_IntersectSegment.GetSkinMeshCount(), 0u);
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {20.0f, 0.0f, 0.0f}), nullptr);
    // A new object reuses the slots and is met as itself.
    HOBJECT c = Cube({3.0f, 0.0f, 0.0f});
    EXPECT_EQ(HitBy({0.0f, 0.0f, 0.0f}, {20.0f, 0.0f, 0.0f}), c);
}
// A figure whose zones reach out along -x and +y from its root, and one more
// zone far out in the corner between them: the hit-zone box's corners lo and
// hi are both nearer the root than that zone.
TEST_F(Intersect, AZoneInAFarCornerOfTheZoneBoxIsStillHit)
{
    std::filesystem::create_directories("models/leaning/animations");
    temp->Write("models/leaning/animations/animations_desc.txt", "\n");
    const FigureBone bones[] = {
        {"Bip01", 0.0f, 0.0f, 0.0f, "tulow", BODY_PART_NONE},
        {"Bip01_Out", -2.7f, 0.0f, 0.0f, "tulow", BODY_PART_NONE},
        {"Bip01_Up", 0.0f, 2.7f, 0.0f, "tulow", BODY_PART_NONE},
        {"Bip01_Hand", -2.7f, 2.7f, 0.0f, "prawa_reka", BODY_PART_RIGHT_ARM},
    };
    SkinModelDesc model;
    std::string zones;
    for (const FigureBone& b : bones)
    {
        SkinModelBone bone;
        bone.name = b.name;
        bone.parent = model.bones.empty() ? -1 : 0;
        D3DXMatrixTranslation(&bone.local, b.x, b.y, b.z);
        model.bones.push_back(bone);
        zones += std::string("sphere ") + b.name + "_ball\nnode_name " + b.name +
                 "\nradius 0.3\nhit_zone_name " + b.hitZone + "\n";
    }
    model.mesh = BoxMesh();
    model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
    ASSERT_TRUE(WriteSkinModelFile("models\\leaning\\leaning.x", model, tk::xfile::XFormat::Text));
    temp->Write("models/leaning/collisions.txt", zones);
    const D3DXVECTOR3 at(0.0f, 0.0f, 10.0f);
    HOBJECT figure = g_Engine.CreateObject(OT_SKINMESH, "models\\leaning\\leaning.x", 0, 0, &at.x, nullptr);
    ASSERT_NE(figure, nullptr);
    g_Engine.UpdateSkinMeshNodes(figure);
    g_Engine.PrepareObject(figure);

    RayTestResult r;
    ASSERT_TRUE(Shoot({-2.7f, 2.7f, 0.0f}, {-2.7f, 2.7f, 20.0f}, &r));
    EXPECT_EQ(r.pObject, figure);
    EXPECT_EQ(r.iBodyPart, BODY_PART_RIGHT_ARM);
}

// A "mesh" zone takes its triangles from its prefab; a prefab that does not
// load is named on the console and its zone never hit.
TEST_F(Intersect, MeshZonesAreHitThroughTheirPrefabsTriangles)
{
    std::filesystem::create_directories("models/helmeted/animations");
    temp->Write("models/helmeted/animations/animations_desc.txt", "\n");
    SkinModelDesc model;
    for (const FigureBone& b : kFigure)
    {
        SkinModelBone bone;
        bone.name = b.name;
        bone.parent = model.bones.empty() ? -1 : 0;
        D3DXMatrixTranslation(&bone.local, b.x, b.y, b.z);
        model.bones.push_back(bone);
    }
    model.mesh = BoxMesh();
    model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
    ASSERT_TRUE(WriteSkinModelFile("models\\helmeted\\helmeted.x", model, tk::xfile::XFormat::Text));
    temp->Write("models/helmeted/collisions.txt", "mesh helmet\n"
                                                  "prefab_filename meshes\\box.x\n"
                                                  "tie_node_name Bip01_Head\n"
                                                  "translation 0 0.5 0\n"
                                                  "hit_zone_name glowa\n"
                                                  "mesh lost\n"
                                                  "prefab_filename meshes\\missing.x\n"
                                                  "tie_node_name Bip01\n"
                                                  "hit_zone_name tulow\n");
    const D3DXVECTOR3 at(0.0f, 0.0f, 10.0f);
    HOBJECT figure = g_Engine.CreateObject(OT_SKINMESH, "models\\helmeted\\helmeted.x", 0, 0, &at.x, nullptr);
    ASSERT_NE(figure, nullptr);
    g_Engine.UpdateSkinMeshNodes(figure);
    g_Engine.PrepareObject(figure);
    EXPECT_NE(ConsoleLog().find("Collision Element Prefab Not Found: meshes\\missing.x"), std::string::npos);
    // Only the figure is left of the objects the prefabs needed.
    EXPECT_EQ(g_Engine.GetObjectCount(), 1u);

    // The helmet is a unit cube half a unit above the head.
    RayTestResult r;
    ASSERT_TRUE(Shoot({0.0f, 1.8f, 0.0f}, {0.0f, 1.8f, 20.0f}, &r));
    EXPECT_EQ(r.pObject, figure);
    EXPECT_STREQ(r.szZoneName, "helmet");
    EXPECT_EQ(r.iBodyPart, BODY_PART_HEAD);
    EXPECT_NEAR(r.fDistance, 9.5f, 1e-3f);
    ExpectNear(r.vPoint, {0.0f, 1.8f, 9.5f}, 1e-3f);
    ExpectNear(r.vNormal, {0.0f, 0.0f, -1.0f}, 1e-3f);
    EXPECT_FALSE(Shoot({0.0f, 2.1f, 0.0f}, {0.0f, 2.1f, 20.0f}, &r));
}

int g_FilterCalls = 0;

bool CountingFilter(HOBJECT, RayTestUser)
{
    ++g_FilterCalls;
    return true;
}

TEST_F(Intersect, PreTestsComeBeforeTheFilterAndTheNearestHitEndsTheSearch)
{
    // Ten cubes in a row along the segment, one beside it within the
    // segment's box, and one far off.
    std::vector<HOBJECT> row;
    for (int i = 1; i <= 10; ++i)
        row.push_back(Cube({2.0f * static_cast<float>(i), 0.2f * static_cast<float>(i), 0.0f}));
    Cube({15.0f, 0.2f, 0.0f});
    Cube({100.0f, 100.0f, 100.0f});
    IntersectSegmentStats stats = {};
    g_IntersectSegment.SetStats(&stats);
    g_FilterCalls = 0;
    RayTestResult r;
    ASSERT_TRUE(Shoot({0.0f, 0.0f, 0.0f}, {25.0f, 2.5f, 0.0f}, &r, CountingFilter));
    g_IntersectSegment.SetStats(nullptr);
    EXPECT_EQ(r.pObject, row[0]);
    EXPECT_EQ(stats.iEntries, 12u);
    // The far cube and the one beside the segment never reach the filter.
    EXPECT_EQ(g_FilterCalls, 10);
    EXPECT_EQ(stats.iCandidates, 10u);
    EXPECT_EQ(stats.iBoxRejected + stats.iSphereRejected, 2u);
    // Only the first cube's triangles are looked at: every other one starts beyond its hit.
    EXPECT_EQ(stats.iExactTests, 1u);
}

// Where the segment first meets an axis-aligned box, as a segment parameter; false when it misses.
bool FirstCrossing(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const D3DXVECTOR3& lo,
                   const D3DXVECTOR3& hi, float* t)
{
    float enter = 0.0f, leave = 1.0f;
    for (int axis = 0; axis < 3; ++axis)
    {
        const float a = (&from.x)[axis], d = (&to.x)[axis] - a;
        const float l = (&lo.x)[axis], h = (&hi.x)[axis];
        if (std::fabs(d) < 1e-9f)
        {
            if (a < l || a > h)
                return false;
            continue;
        }
        float t0 = (l - a) / d, t1 = (h - a) / d;
        if (t0 > t1)
            std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
        if (enter > leave)
            return false;
    }
    *t = enter;
    return true;
}

// Near and far segments, short and long, through a field of cubes spread over
// many cells and one cube wider than the search keeps by cells, as cubes move
// across the field and leave it: the test finds the cube a plain box walk
// finds. Segments whose answer hangs on a hair (a box grazed, two crossings
// within a hair) are left out.
TEST_F(Intersect, EverySegmentFindsTheCubeAPlainWalkFinds)
{
    std::mt19937 random(35);
    std::uniform_real_distribution<float> across(-70.0f, 70.0f), height(-4.0f, 4.0f), turn(0.0f, 6.2831853f),
        reach(0.5f, 200.0f);
    struct Placed
    {
        HOBJECT object;
        D3DXVECTOR3 centre;
        float edge;
    };
    std::vector<Placed> cubes;
    for (int i = 0; i < 600; ++i)
    {
        const D3DXVECTOR3 at(across(random), height(random), across(random));
        cubes.push_back({Cube(at, 1.0f), at, 1.0f});
    }
    // Its top lies just under the lowest segments' reach.
    const D3DXVECTOR3 slab(10.0f, -52.0f, -10.0f);
    cubes.push_back({Cube(slab, 100.0f), slab, 100.0f});
    for (const Placed& c : cubes)
        ASSERT_NE(c.object, nullptr);

    // The cube a walk over every box finds first, with each box grown and
    // shrunk by a hair: nullptr when the two disagree.
    auto expected = [&cubes](const D3DXVECTOR3& from, const D3DXVECTOR3& to, bool* clear)
    {
        HOBJECT found[2] = {nullptr, nullptr};
        float best[2] = {2.0f, 2.0f}, second[2] = {2.0f, 2.0f};
        const float hairs[2] = {-1e-3f, 1e-3f};
        for (int k = 0; k < 2; ++k)
            for (const Placed& c : cubes)
            {
                const float half = c.edge * 0.5f + hairs[k];
                const D3DXVECTOR3 h(half, half, half);
                float t = 0.0f;
                if (!FirstCrossing(from, to, c.centre - h, c.centre + h, &t))
                    continue;
                if (t < best[k])
                {
                    second[k] = best[k];
                    best[k] = t;
                    found[k] = c.object;
                }
                else if (t < second[k])
                    second[k] = t;
            }
        const D3DXVECTOR3 d = to - from;
        const float hair = 1e-2f / std::max(D3DXVec3Length(&d), 1e-3f);
        *clear = found[0] == found[1] && best[0] > hair && (!found[0] || second[1] - best[0] > hair);
        return found[0];
    };

    auto check = [&](const char* stage)
    {
        SCOPED_TRACE(stage);
        int compared = 0, hits = 0;
        for (int s = 0; s < 400; ++s)
        {
            const D3DXVECTOR3 from(across(random), height(random), across(random));
            const float angle = turn(random), length = reach(random);
            const D3DXVECTOR3 to =
                from + D3DXVECTOR3(std::cos(angle) * length, height(random), std::sin(angle) * length);
            bool clear = false;
            const HOBJECT want = expected(from, to, &clear);
            if (!clear)
                continue;
            ++compared;
            hits += want ? 1 : 0;
            const HOBJECT got = HitBy(from, to);
            EXPECT_EQ(got, want) << "from " << from.x << " " << from.y << " " << from.z << " to " << to.x
                                 << " " << to.y << " " << to.z;
        }
        // Enough clear cases, hits and misses alike, for the comparison to say something.
        EXPECT_GT(hits, 50);
        EXPECT_GT(compared - hits, 50);
    };
    check("as placed");

    // Every third cube steps over a few cells; the wide one moves under a
    // different part of the field.
    for (size_t i = 0; i < cubes.size(); i += 3)
    {
        Placed& c = cubes[i];
        c.centre += c.edge > 10.0f ? D3DXVECTOR3(-30.0f, 0.0f, 25.0f) : D3DXVECTOR3(13.0f, 0.0f, -21.0f);
        g_Engine.SetObjectPosition(c.object, &c.centre, 0);
    }
    check("moved");

    // Every fourth cube leaves.
    std::vector<Placed> kept;
    for (size_t i = 0; i < cubes.size(); ++i)
        if (i % 4 == 1)
            g_Engine.DeleteObject(cubes[i].object);
        else
            kept.push_back(cubes[i]);
    cubes = kept;
    check("some deleted");
}

// The corners of the box lo..hi as a mesh placed with the scale, turn and
// position keeps them: round one face, then round the opposite one.
struct TurnedBox
{
    D3DXVECTOR3 corners[8];
};
TurnedBox PlaceBox(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi, const D3DXVECTOR3& scale,
                   const D3DXVECTOR3& turn, const D3DXVECTOR3& at)
{
    static constexpr bool kHigh[8][3] = {{false, false, false}, {false, true, false}, {true, true, false},
                                         {true, false, false},  {false, false, true}, {false, true, true},
                                         {true, true, true},    {true, false, true}};
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, turn.x, turn.y, turn.z);
    D3DXMATRIX world;
    D3DXMatrixTransformation(&world, nullptr, nullptr, &scale, nullptr, &q, &at);
    TurnedBox box;
    for (int c = 0; c < 8; ++c)
    {
        const D3DXVECTOR3 local(kHigh[c][0] ? hi.x : lo.x, kHigh[c][1] ? hi.y : lo.y,
                                kHigh[c][2] ? hi.z : lo.z);
        D3DXVec3TransformCoord(&box.corners[c], &local, &world);
    }
    return box;
}

// The plain answer, in doubles: the segment's points as c0 + a e1 + b e2 + c e3
// over the box's three edges from corner 0, whose coordinates must all lie in
// 0..1. The entry and the way out as segment parameters; false when it misses.
bool ReferenceEntry(const TurnedBox& box, const D3DXVECTOR3& from, const D3DXVECTOR3& to, double* enter,
                    double* leave)
{
    using V = std::array<double, 3>;
    const auto d = [](const D3DXVECTOR3& v) { return V{v.x, v.y, v.z}; };
    const auto sub = [](const V& a, const V& b) { return V{a[0] - b[0], a[1] - b[1], a[2] - b[2]}; };
    const auto cross = [](const V& a, const V& b) {
        return V{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    const auto dot = [](const V& a, const V& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    const V c0 = d(box.corners[0]);
    const V edges[3] = {sub(d(box.corners[3]), c0), sub(d(box.corners[1]), c0), sub(d(box.corners[4]), c0)};
    const double volume = dot(edges[0], cross(edges[1], edges[2]));
    const V p = sub(d(from), c0), dir = sub(d(to), d(from));
    *enter = 0.0;
    *leave = 1.0;
    for (int axis = 0; axis < 3; ++axis)
    {
        // The dual of the edge gives the point's coordinate along it.
        const V dual = cross(edges[(axis + 1) % 3], edges[(axis + 2) % 3]);
        const double start = dot(p, dual) / volume, change = dot(dir, dual) / volume;
        if (change == 0.0)
        {
            if (start < 0.0 || start > 1.0)
                return false;
            continue;
        }
        double t0 = (0.0 - start) / change, t1 = (1.0 - start) / change;
        if (t0 > t1)
            std::swap(t0, t1);
        *enter = std::max(*enter, t0);
        *leave = std::min(*leave, t1);
    }
    return *enter <= *leave;
}

// Turned, scaled and flattened boxes against segments that start outside,
// inside, pass by, end inside: the entry is the plain one, never past it and
// short of it by no more than rounding; a segment that clearly misses the
// box misses it. Cases whose answer hangs on a hair are left out.
TEST(IntersectBoxEntry, TheEntryIsThePlainOneAndNeverPastIt)
{
    std::mt19937 random(41);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), size(0.05f, 40.0f), angle(-3.2f, 3.2f),
        far(-300.0f, 300.0f);
    int entered = 0, inside = 0, missed = 0;
    for (int b = 0; b < 400; ++b)
    {
        const D3DXVECTOR3 lo(unit(random) * 5.0f, unit(random) * 5.0f, unit(random) * 5.0f);
        D3DXVECTOR3 extent(size(random), size(random), size(random));
        const D3DXVECTOR3 scale(size(random) * 0.1f, size(random) * 0.1f, size(random) * 0.1f);
        // Every fourth box is a tenth thick along one axis in the world, as a
        // thin wall or floor is (the box with an edge of no length is below).
        if (b % 4 == 0)
            (&extent.x)[b / 4 % 3] = 0.1f / (&scale.x)[b / 4 % 3];
        const D3DXVECTOR3 turn(angle(random), angle(random), angle(random));
        const D3DXVECTOR3 at(far(random), unit(random) * 50.0f, far(random));
        const TurnedBox box = PlaceBox(lo, lo + extent, scale, turn, at);
        D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
        for (const D3DXVECTOR3& c : box.corners)
            centre += c * 0.125f;
        const D3DXVECTOR3 span = box.corners[6] - box.corners[0];
        const float reach = D3DXVec3Length(&span);
        // How far the box's faces may lie off the corners' own: each corner is
        // rounded to its floats, which turns a face by as much as the rounding
        // over its shortest edge, and shifts it by that over its longest.
        float largest = 0.0f, shortest = std::numeric_limits<float>::max(), longest = 0.0f;
        for (const D3DXVECTOR3& c : box.corners)
            largest = std::max({largest, std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)});
        for (int e : {1, 3, 4})
        {
            const D3DXVECTOR3 edge = box.corners[e] - box.corners[0];
            shortest = std::min(shortest, D3DXVec3Length(&edge));
            longest = std::max(longest, D3DXVec3Length(&edge));
        }
        const float placing = 16.0f * std::numeric_limits<float>::epsilon() * largest * longest / shortest;
        for (int s = 0; s < 100; ++s)
        {
            // Ends around the box, some within it, some far off.
            const float spread = s % 3 == 0 ? 0.3f : (s % 3 == 1 ? 1.0f : 4.0f);
            const D3DXVECTOR3 from =
                centre + D3DXVECTOR3(unit(random), unit(random), unit(random)) * reach * spread;
            const D3DXVECTOR3 to =
                centre + D3DXVECTOR3(unit(random), unit(random), unit(random)) * reach * spread;
            double enter = 0.0, leave = 0.0;
            const bool meets = ReferenceEntry(box, from, to, &enter, &leave);
            float key = -1.0f;
            const bool got = EIntersectSegment::BoxEntry(box.corners, from, to, &key);
            SCOPED_TRACE(testing::Message()
                         << "box " << b << " segment " << s << " enter " << enter << " leave " << leave);
            // The gap by which the segment must miss, or the length it must run
            // inside, to be clear of the faces' rounding, as a segment parameter.
            const D3DXVECTOR3 along = to - from;
            const double off = placing / D3DXVec3Length(&along);
            const double hair = 1e-4 + 2.0 * off;
            if (meets && leave - enter > hair)
            {
                ASSERT_TRUE(got);
                EXPECT_LE(key, enter + off + 1e-6);
                EXPECT_GE(key, enter - off - 1e-3);
                if (enter == 0.0)
                {
                    EXPECT_EQ(key, 0.0f);
                    ++inside;
                }
                else
                    ++entered;
            }
            else if (!meets && enter - leave > hair)
            {
                EXPECT_FALSE(got);
                ++missed;
            }
        }
    }
    // Each kind of case came up often enough to say something.
    EXPECT_GT(entered, 1000);
    EXPECT_GT(inside, 1000);
    EXPECT_GT(missed, 1000);
}

// Segments that only touch the box along an edge or at a corner enter it
// there, not at their start; a box with an edge of no length is bounded only
// along its other edges, as its faces are.
TEST(IntersectBoxEntry, EdgesCornersAndFlatBoxes)
{
    const TurnedBox cube = PlaceBox({0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f},
                                    {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    const TurnedBox floor = PlaceBox({-1.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f},
                                     {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    struct Case
    {
        const char* name;
        const TurnedBox& box;
        D3DXVECTOR3 from, to;
        bool meets;
        float key;
    };
    const Case cases[] = {
        {"through an edge only", cube, {-1.0f, 0.5f, 1.0f}, {1.0f, 0.5f, -1.0f}, true, 0.5f},
        {"through a corner only", cube, {-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}, true, 0.5f},
        {"along an edge", cube, {-1.0f, 0.0f, 0.0f}, {3.0f, 0.0f, 0.0f}, true, 0.25f},
        {"past a corner", cube, {-1.0f, 0.5f, 3.2f}, {3.2f, 0.5f, -1.0f}, false, 0.0f},
        {"from a face outward", cube, {0.5f, 1.0f, 0.5f}, {0.5f, 3.0f, 0.5f}, true, 0.0f},
        {"from inside through a corner", cube, {0.5f, 0.5f, 0.5f}, {1.5f, 1.5f, 1.5f}, true, 0.0f},
        {"across a floor", floor, {0.2f, 2.0f, 0.3f}, {0.2f, -2.0f, 0.3f}, true, 0.0f},
        {"above a floor", floor, {0.2f, 2.0f, 0.3f}, {0.4f, 1.0f, 0.3f}, true, 0.0f},
        {"into a floor's side", floor, {-3.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, true, 0.5f},
        {"beside a floor", floor, {1.5f, 2.0f, 0.0f}, {1.5f, -2.0f, 0.0f}, false, 0.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        float key = -1.0f;
        ASSERT_EQ(EIntersectSegment::BoxEntry(c.box.corners, c.from, c.to, &key), c.meets);
        if (c.meets)
        {
            EXPECT_LE(key, c.key);
            EXPECT_NEAR(key, c.key, 1e-5f);
        }
    }
}

// A cube scaled to nothing along one axis ("scaling_axis 1 1" leaves z at 0)
// has no inverse: the segment passes it and meets the cube behind.
TEST_F(Intersect, AMeshScaledToNothingIsPassedThrough)
{
    HOBJECT flat = Cube({3.0f, 0.0f, 0.0f});
    const D3DXVECTOR3 squashed(1.0f, 1.0f, 0.0f);
    g_Engine.SetObjectScale(flat, &squashed);
    HOBJECT behind = Cube({6.0f, 0.0f, 0.0f});
    for (float z : {0.0f, 0.2f, -0.3f})
    {
        SCOPED_TRACE(z);
        EXPECT_EQ(HitBy({0.0f, 0.1f, z}, {10.0f, 0.1f, z}), behind);
    }
}

// A mesh moved while out of segment tests, or while it had no inverse, is
// met where it stands once a test reaches it, and no longer where it was.
TEST_F(Intersect, AMeshIsMetWhereItLastMovedWhateverItsFlagsOrScaleWereThen)
{
    struct Case
    {
        const char* name;
        DWORD flags, flags2;
        BYTE sight;
        bool flat;  // scaled to nothing before the move, back to its size after it
        bool clear; // the flags cleared after the move
        bool met;   // met where it stood before the move
    };
    const Case cases[] = {
        {"plain", 0, 0, 0, false, false, false},
        {"met, then moved", 0, 0, 0, false, false, true},
        {"flat, met, then grown back", 0, 0, 0, true, false, true},
        {"out of shots, sight test", EIntersectSegment::FLAG1_NO_SEGMENT, 0, 1, false, false, true},
        {"out of shots, then back", EIntersectSegment::FLAG1_NO_SEGMENT, 0, 0, false, true, false},
        {"out of every test, then back", 0, EIntersectSegment::FLAG2_NO_SEGMENT, 0, false, true, false},
        {"flat, then grown back", 0, 0, 0, true, false, false},
    };
    float z = 0.0f;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        z += 10.0f;
        // Flagged after it came in, as the camera does to the object it looks from.
        HOBJECT cube = Cube({3.0f, 0.0f, z});
        if (c.flags)
            g_Engine.SetObjectFlags(cube, c.flags, c.flags);
        if (c.flags2)
            g_Engine.SetObjectFlags2(cube, c.flags2, c.flags2);
        if (c.flat)
        {
            const D3DXVECTOR3 squashed(1.0f, 1.0f, 0.0f);
            g_Engine.SetObjectScale(cube, &squashed);
        }
        if (c.met)
            EXPECT_EQ(HitBy({0.0f, 0.0f, z}, {6.0f, 0.0f, z}, c.sight), c.flat ? nullptr : cube);
        const D3DXVECTOR3 there(3.0f, 4.0f, z);
        g_Engine.SetObjectPosition(cube, &there, 0);
        if (c.flat)
        {
            const D3DXVECTOR3 whole(1.0f, 1.0f, 1.0f);
            g_Engine.SetObjectScale(cube, &whole);
        }
        if (c.clear && c.flags)
            g_Engine.SetObjectFlags(cube, 0, c.flags);
        if (c.clear && c.flags2)
            g_Engine.SetObjectFlags2(cube, 0, c.flags2);
        EXPECT_EQ(HitBy({0.0f, 4.0f, z}, {6.0f, 4.0f, z}, c.sight), cube);
        EXPECT_EQ(HitBy({0.0f, 0.0f, z}, {6.0f, 0.0f, z}, c.sight), nullptr);
    }
}

// Segments tested after an area was gathered find what they found before,
// inside the area or reaching out of it, through either table; an object
// moved into the area afterwards is found as well.
TEST_F(Intersect, AGatheredAreaGivesWhatTheWholeTableGives)
{
    for (int i = 0; i < 6; ++i)
        Cube({2.0f * static_cast<float>(i), 0.5f * static_cast<float>(i), 3.0f});
    Cube({5.0f, 0.0f, 6.0f}, 1.0f, MESH_FILE, 0, EIntersectSegment::FLAG2_SEE_THROUGH);
    HOBJECT far = Cube({0.0f, 0.0f, -40.0f});
    struct Segment
    {
        D3DXVECTOR3 from, to;
        BYTE sight;
    };
    const Segment segments[] = {
        {{0.0f, 5.0f, 3.0f}, {0.0f, -5.0f, 3.0f}, 0},   {{4.0f, 5.0f, 3.0f}, {4.0f, -5.0f, 3.0f}, 0},
        {{4.3f, 5.0f, 3.2f}, {4.3f, -5.0f, 3.2f}, 1},   {{-1.0f, 0.0f, 3.0f}, {11.0f, 2.5f, 3.0f}, 0},
        {{-30.0f, 0.0f, 3.0f}, {30.0f, 0.0f, 3.0f}, 0}, {{5.0f, 5.0f, 6.0f}, {5.0f, -5.0f, 6.0f}, 0},
        {{5.0f, 5.0f, 6.0f}, {5.0f, -5.0f, 6.0f}, 1},   {{1.0f, 5.0f, 7.0f}, {1.0f, -5.0f, 7.0f}, 0},
    };
    std::vector<RayTestResult> before;
    for (const Segment& s : segments)
    {
        before.emplace_back();
        Shoot(s.from, s.to, &before.back(), RayTestAcceptAll, 0, s.sight);
    }
    ASSERT_NE(before[0].pObject, nullptr);
    RayTestQuery kind;
    const float lo[3] = {-2.0f, -6.0f, 0.0f}, hi[3] = {12.0f, 6.0f, 8.0f};
    g_IntersectSegment.GatherArea(&kind, lo, hi);
    for (size_t i = 0; i < std::size(segments); ++i)
    {
        SCOPED_TRACE(i);
        RayTestResult r;
        Shoot(segments[i].from, segments[i].to, &r, RayTestAcceptAll, 0, segments[i].sight);
        EXPECT_EQ(r.pObject, before[i].pObject);
        EXPECT_EQ(r.fDistance, before[i].fDistance);
        EXPECT_EQ(r.iFace, before[i].iFace);
    }
    const D3DXVECTOR3 into(8.0f, 0.0f, 0.5f);
    g_Engine.SetObjectPosition(far, &into, 0);
    EXPECT_EQ(HitBy({8.0f, 5.0f, 0.5f}, {8.0f, -5.0f, 0.5f}), far);
}

// The object-info overlay picks the mesh at the view's centre, describes it
// and its lights, marks it, and a refresh clears the old mark first.
TEST_F(Intersect, TheObjectInfoOverlayPicksAndMarksTheObjectInView)
{
    HOBJECT near = Cube({0.0f, 0.0f, 5.0f}, 2.0f);
    g_Engine.SetObjectName(near, "pillar");
    HOBJECT lamp = Light("lamp");
    lamp->bDrawn = 1;
    ELightControlParams lights;
    lights.bEnabled = 1;
    std::snprintf(lights.szLights[0], sizeof lights.szLights[0], "%s", "lamp");
    g_Engine.SetObjectLightControl(near, &lights);
    g_Engine.LinkControlledLights(near);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    g_Camera.SetOrientation(EOrientation());

    g_Debug.DrawObjectInfo();
    ASSERT_EQ(g_Debug.m_hPickedObject, near);
    EXPECT_EQ(g_Debug.m_bPickValid, 1);
    EXPECT_NEAR(g_Debug.m_vPickedPoint[2], 4.0f, 1e-3f) << "the near face";
    EXPECT_EQ(near->bSelected, 1);
    const std::vector<std::string> counts = EDebug::FormatObjectCounts();
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[1], "Total lights rendered: 1");
    const std::vector<std::string> block = EDebug::FormatPickedObjectInfo(near);
    ASSERT_GE(block.size(), 6u);
    EXPECT_EQ(block[0].rfind("Name: pillar (radius == ", 0), 0u);
    EXPECT_EQ(block[2], "Lights: 1 (bForceLightControl)");
    EXPECT_EQ(block[3], "Sector enabled!");
    EXPECT_EQ(block[5].rfind("lamp (radius == ", 0), 0u);

    // Looking away: no pick, and a refresh clears the mark.
    g_Camera.SetOrientation(EOrientation(3.14159265f, 0.0f, 0.0f));
    g_Debug.RefreshObjectInfo();
    EXPECT_EQ(near->bSelected, 0);
    EXPECT_EQ(g_Debug.m_hPickedObject, nullptr);
    EXPECT_EQ(g_Debug.m_bPickValid, 0);
}

// Objects the engine's slots cannot hold in such numbers, to fill the tables.
class TableLimits : public Intersect
{
protected:
    void TearDown() override
    {
        for (strObject& o : fakes)
            g_IntersectSegment.RemoveObject(&o);
        Intersect::TearDown();
    }
    // n objects of the type, all showing the given object's visual.
    void MakeFakes(size_t n, HOBJECT like)
    {
        fakes.assign(n, strObject{});
        for (strObject& o : fakes)
        {
            o.bUsed = 1;
            o.Type = like->Type;
            o.Object = like->Object;
        }
    }
    std::vector<strObject> fakes;
};

TEST_F(TableLimits, AFullTableRefusesWithItsLineAndNeverWritesPastItsEnd)
{
    HOBJECT cube = Cube({3.0f, 0.0f, 0.0f});
    MakeFakes(MAX_INTERSECT_SEGMENT_OBJECTS, cube);
    for (strObject& o : fakes)
        g_IntersectSegment.RegisterObject(&o);
    EXPECT_EQ(g_IntersectSegment.GetIntersectCount(), static_cast<DWORD>(MAX_INTERSECT_SEGMENT_OBJECTS));
    EXPECT_NE(ConsoleLog().find("ERROR: EIntersectSegment::AddObject() ---> "
                                "m_Max_Intersect>=MAX_INTERSECT_SEGMENT_OBJECTS"),
              std::string::npos);
    EXPECT_EQ(g_IntersectSegment.GetIntersectEntry(MAX_INTERSECT_SEGMENT_OBJECTS - 1).hObject, &fakes[4094]);
    // A freed entry is taken by the next object, at its place.
    g_IntersectSegment.RemoveObject(&fakes[100]);
    g_IntersectSegment.RegisterObject(&fakes.back());
    EXPECT_EQ(g_IntersectSegment.GetIntersectEntry(fakes.back().iIntersectIndex).hObject, &fakes.back());
    EXPECT_EQ(fakes.back().iIntersectIndex, fakes[100].iIntersectIndex);
}

TEST_F(TableLimits, TheSkinnedTableHoldsItsLimitAndStopsThere)
{
    HOBJECT figure = Figure({0.0f, 0.0f, 0.0f});
    MakeFakes(MAX_INTERSECT_SEGMENT_SKIN_MESHES, figure);
    for (strObject& o : fakes)
        g_IntersectSegment.RegisterObject(&o);
    EXPECT_EQ(g_IntersectSegment.GetSkinMeshCount(), static_cast<DWORD>(MAX_INTERSECT_SEGMENT_SKIN_MESHES));
    EXPECT_NE(ConsoleLog().find("ERROR: EIntersectSegment::AddSkinMesh() ---> "
                                "m_Max_SkinMeshes>=MAX_INTERSECT_SEGMENT_SKIN_MESHES"),
              std::string::npos);
    EXPECT_FALSE(fakes.back().iIntersectIndex > 0);
}
} // namespace
} // namespace worldtest
