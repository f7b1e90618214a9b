// The sky light's record: clamped fog maximum and channels, and its save
// section, which brings the fog colour to the camera and the console again.
#include "render_fixture.h"

#include "render/SkyLight.h"
#include "shell/Console.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdio>

namespace
{
using SkyLightTest = RenderTest;

float Variable(const char* name)
{
    float v = -1.0f;
    EXPECT_TRUE(g_Console.GetVariable(name, &v)) << name;
    return v;
}

TEST_F(SkyLightTest, FogMaximumAndColourChannelsAreHeldToTheirRanges)
{
    const struct
    {
        float in, out;
    } fogMax[] = {{1.7f, 1.0f}, {-2.0f, 0.0f}, {0.55f, 0.55f}, {std::nanf(""), 0.0f}};
    for (const auto& c : fogMax)
    {
        Env.SetFogMax(c.in);
        float out = -1.0f;
        EXPECT_FLOAT_EQ(Env.GetFogMax(&out), c.out);
        EXPECT_FLOAT_EQ(out, c.out);
    }
    // A typed 300 is full strength and -1 none, the other channels kept.
    Env.SetSkyLightColor(0x00102030);
    Env.SetSkyLightG(300.0f);
    EXPECT_EQ(Env.m_dwSkyLight, 0x0010FF30u);
    Env.SetSkyLightR(-1.0f);
    EXPECT_EQ(Env.m_dwSkyLight, 0x0000FF30u);
    Env.SetAmbientColor(0);
    Env.SetAmbientB(127.9f);
    EXPECT_EQ(Env.m_dwAmbient, 0x0000007Fu);
    // A fog channel reaches the camera and the console at once.
    Env.SetFogColor(0);
    Env.SetFogR(200.0f);
    EXPECT_EQ(g_Camera.m_dwFogColor, 0x00C80000u);
    EXPECT_FLOAT_EQ(Variable("FogR"), 200.0f);
}

TEST_F(SkyLightTest, TheSaveSectionRestoresColoursPowerDirectionsAndTheWorldByte)
{
    Env.SetAmbientColor(0x00112233);
    Env.SetFogColor(0x00445566);
    Env.SkyLightPower = 1.25f;
    Env.SetSkyLightColor(0x00778899);
    const D3DVECTOR sun = {0.5f, -0.75f, 0.25f}, flare = {-0.5f, 0.75f, -0.25f};
    Env.SetSkyLightDirection(&sun);
    Env.SetLensFlareDirection(&flare);
    Env.InitForWorld();
    Env.SetFogMax(0.3f);
    Env.SkyFogHeight = 500.0f;
    FILE* f = std::fopen("env.sav", "w+b");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Env.SaveState(f));
    // Dwords, then six floats, then one byte.
    EXPECT_EQ(std::ftell(f), long(4 * 4 + 6 * 4 + 1));

    ESkyLight other;
    other.SetFogMax(0.9f);
    std::rewind(f);
    ASSERT_TRUE(other.LoadState(f));
    std::fclose(f);
    EXPECT_EQ(other.m_dwAmbient, 0x00112233u);
    EXPECT_EQ(other.m_dwFogColor, 0x00445566u);
    EXPECT_FLOAT_EQ(other.SkyLightPower, 1.25f);
    EXPECT_EQ(other.m_dwSkyLight, 0x00778899u);
    EXPECT_FLOAT_EQ(other.m_vSkyLightDir.y, -0.75f);
    EXPECT_FLOAT_EQ(other.m_vLensFlareDir.z, -0.25f);
    EXPECT_EQ(other.m_bWorldInitialised, 1);
    // Neither the fog maximum nor the sky fog travel with the save.
    EXPECT_FLOAT_EQ(other.GetFogMax(nullptr), 0.9f);
    EXPECT_FLOAT_EQ(other.SkyFogHeight, 100000.0f);
    // The loaded fog reaches the camera and the console, not only the record.
    EXPECT_EQ(g_Camera.m_dwFogColor, 0x00445566u);
    EXPECT_FLOAT_EQ(Variable("FogG"), float(0x55));
}

TEST_F(SkyLightTest, ASectionCutShortChangesNothing)
{
    Env.SetAmbientColor(0x00010203);
    FILE* f = std::fopen("short.sav", "w+b");
    ASSERT_NE(f, nullptr);
    const unsigned char bytes[] = {9, 9, 9, 9, 8, 8};
    std::fwrite(bytes, 1, sizeof bytes, f);
    std::rewind(f);
    EXPECT_FALSE(Env.LoadState(f));
    std::fclose(f);
    EXPECT_EQ(Env.m_dwAmbient, 0x00010203u);
    EXPECT_FALSE(Env.LoadState(nullptr));
    EXPECT_FALSE(Env.SaveState(nullptr));
}
} // namespace
