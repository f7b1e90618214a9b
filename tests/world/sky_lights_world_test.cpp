// The baked sky lights through a real world start: the bake runs once the
// world's objects are in the segment tables, its cache is taken at the next
// start, and a world without a "skylight" object starts with none.
#include "world_fixture.h"

#include "render/SkyLights.h"
#include "support/ImageFiles.h"
#include "world/WorldMgr.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace worldtest;

namespace
{
std::string MeshLines(const char* name, float x, float y, float z, float sx, float sy, float sz, int flags)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "mesh meshes\\box.x\nname %s\nxpos %g\nypos %g\nzpos %g\nscaling_axis %g %g %g\nflags %d\n",
                  name, x, y, z, sx, sy, sz, flags);
    return text;
}

class SkyLightsWorld : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        temp->Write("textures/box.tga", TgaFile(4, 4, std::vector<DWORD>(16, 0xFF90A0B0), true));
        temp->Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        const std::string general = "world_general_properties\nglobal_ambient_light 4605510\n"
                                    "sky_light_direction 60 135\n";
        // A yard: a floor, two walls, and the skylight box over it (hidden, out of segment tests).
        temp->Write("worlds/yard.w", general + MeshLines("floor", 0, -0.5f, 0, 60, 1, 60, 1) +
                                         MeshLines("wall_n", 0, 10, 20, 40, 20, 1, 1) +
                                         MeshLines("wall_e", 20, 10, 0, 1, 20, 40, 1) +
                                         MeshLines("skylight", 0, 30, 0, 30, 1, 30, 128));
        temp->Write("worlds/bare.w", general + MeshLines("floor", 0, -0.5f, 0, 60, 1, 60, 1));
    }

    void TearDown() override
    {
        g_Engine.StartWorld("*");
        WorldTest::TearDown();
    }
};

TEST_F(SkyLightsWorld, TheWorldStartBakesTheRegisteredSceneOnceAndANewWorldStartsEmpty)
{
    size_t from = ConsoleLog().size();
    ASSERT_TRUE(g_Engine.StartWorld("worlds\\yard.w"));
    EXPECT_NE(ConsoleLog().substr(from).find("CreateSkyLights"), std::string::npos);
    EXPECT_GT(g_SkyLights.m_dwCountA, 0u)
        << "the bake met the floor and the walls" << ConsoleLog().substr(from);
    const DWORD baked = g_SkyLights.m_dwCountA;
    EXPECT_TRUE(temp->Exists("worlds/yard.w.def"));

    from = ConsoleLog().size();
    ASSERT_TRUE(g_Engine.StartWorld("worlds\\bare.w"));
    EXPECT_EQ(g_SkyLights.m_dwCountA, 0u);
    EXPECT_EQ(g_SkyLights.m_dwCountB, 0u);
    EXPECT_NE(ConsoleLog().substr(from).find("No skylight object!"), std::string::npos);

    from = ConsoleLog().size();
    ASSERT_TRUE(g_Engine.StartWorld("worlds\\yard.w"));
    EXPECT_EQ(ConsoleLog().substr(from).find("CreateSkyLights"), std::string::npos) << "the cache, no bake";
    EXPECT_EQ(g_SkyLights.m_dwCountA, baked);

    // A cache with a wrong check value is baked and written again.
    std::string cache = temp->Read("worlds/yard.w.def");
    ASSERT_GE(cache.size(), 4u);
    cache[0] = 2;
    temp->Write("worlds/yard.w.def", cache);
    from = ConsoleLog().size();
    ASSERT_TRUE(g_Engine.StartWorld("worlds\\yard.w"));
    EXPECT_NE(ConsoleLog().substr(from).find("CreateSkyLights"), std::string::npos);
    EXPECT_GT(g_SkyLights.m_dwCountA, 0u);
    EXPECT_EQ(temp->Read("worlds/yard.w.def")[0], 1);
}
} // namespace
