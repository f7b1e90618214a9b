// The baked sky lights: the bake over a small yard (what it records, the
// texture it reads and lets go of), its ".def" cache (written whole, and a
// damaged one never trusted), the merge, and the frame's pick near the camera.
#include "render_fixture.h"

#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "support/BoxMesh.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr const char* kWorld = "worlds\\yard.w";
constexpr const char* kCache = "worlds/yard.w.def";

std::string U32(DWORD v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string F32(float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    return U32(d);
}

struct Header
{
    DWORD check = 1;
    float grid = 2.5f, radius = 20.0f, p80 = 80.0f, stepA = 36.0f, stepB = 80.0f, p07 = 0.7f, p08 = 0.8f;
};

std::string Cache(const Header& h, const std::vector<SkyLight>& a, const std::vector<SkyLight>& b)
{
    std::string s = U32(h.check) + F32(h.grid) + F32(h.radius) + F32(h.p80) + F32(h.stepA) + F32(h.stepB) +
                    F32(h.p07) + F32(h.p08);
    for (const auto* table : {&a, &b})
    {
        s += U32(static_cast<DWORD>(table->size()));
        for (const SkyLight& l : *table)
            s += F32(l.vPosition.x) + F32(l.vPosition.y) + F32(l.vPosition.z) + F32(l.vColor.x) +
                 F32(l.vColor.y) + F32(l.vColor.z);
    }
    return s;
}

const std::vector<SkyLight> kTableA = {{{36, 0, -72}, {0.5f, 0.4f, 0.3f}}, {{0, 36, 0}, {0.2f, 0.2f, 0.2f}}};
const std::vector<SkyLight> kTableB = {{{80, 0, 0}, {0.6f, 0.64f, 0.48f}}};

class SkyLightsTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        g_Engine.DeleteAllObjects();
        g_SkyLights.Clear();
        std::filesystem::create_directories("meshes");
        std::filesystem::create_directories("worlds");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes/box.x", BoxMesh(), tk::xfile::XFormat::Text));
        WriteTga("textures/box.tga", 0xFFC08040, 8);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        Env.SetAmbientColor(0x464646);
        const D3DVECTOR sun = {0.3f, -1.0f, 0.2f};
        Env.SetSkyLightDirection(&sun);
        g_Options.DrawVPL = 1;
    }

    void TearDown() override
    {
        g_SkyLights.Clear();
        g_Engine.DeleteAllObjects();
        g_MeshMgr.ReleaseAll();
        RenderTest::TearDown();
    }

    static HOBJECT Box(const char* name, D3DXVECTOR3 at, D3DXVECTOR3 scale, DWORD flags = 1)
    {
        HOBJECT o = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", flags, 0, &at.x, &scale.x);
        EXPECT_TRUE(o) << name;
        if (!o)
            return nullptr;
        std::snprintf(o->szName, sizeof o->szName, "%s", name);
        g_Engine.PrepareObject(o);
        return o;
    }

    // A floor with walls on three sides and the hidden skylight box over it.
    static void Yard()
    {
        Box("floor", {0, -0.5f, 0}, {60, 1, 60});
        Box("wall_n", {0, 10, 20}, {40, 20, 1});
        Box("wall_w", {-20, 10, 0}, {1, 20, 40});
        Box("wall_e", {20, 10, 0}, {1, 20, 40});
        Box("skylight", {0, 30, 0}, {30, 1, 30}, EIntersectSegment::FLAG1_NO_SEGMENT);
    }

    static void Look(D3DXVECTOR3 from, D3DXVECTOR3 forward)
    {
        g_Camera.SetPosition(from);
        EOrientation look;
        D3DXVECTOR3 up(0, 1, 0);
        D3DXVec3Normalize(&forward, &forward);
        look.SetDirectionAndUp(&forward, &up);
        g_Camera.SetOrientation(look);
        g_Camera.UpdateView();
    }

    static size_t Count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
};

TEST_F(SkyLightsTest, TheBakeRecordsBouncesOnTheGridAndCachesThemForTheNextStart)
{
    Yard();
    const size_t from = ConsoleLog().size();
    g_SkyLights.LoadForWorld(kWorld);
    ASSERT_GT(g_SkyLights.m_dwRawCount, 0u) << ConsoleLog().substr(from);
    ASSERT_GT(g_SkyLights.m_dwCountA, 0u);
    ASSERT_GT(g_SkyLights.m_dwCountB, 0u);
    for (DWORD i = 0; i < g_SkyLights.m_dwCountA; ++i)
    {
        const SkyLight& l = g_SkyLights.m_LightsA[i];
        for (float c : {l.vPosition.x, l.vPosition.y, l.vPosition.z})
            EXPECT_EQ(std::fmod(c, 36.0f), 0.0f) << "snapped to the A grid";
        EXPECT_GT(l.vColor.x, l.vColor.z) << "tinted by the orange texture";
    }
    for (DWORD i = 0; i < g_SkyLights.m_dwCountB; ++i)
        EXPECT_NEAR(D3DXVec3Length(&g_SkyLights.m_LightsB[i].vColor), 1.0f, 1e-4f);
    // The texture was read once and let go: it locks again.
    strtexture* t = g_Renderer.FindTexture("box.tga");
    ASSERT_TRUE(t && t->m_pTexture);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(t->m_pTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    t->m_pTexture->UnlockRect(0);
    const std::string log = ConsoleLog().substr(from);
    EXPECT_EQ(Count(log, "Exiting CreateSkyLights"), 1u) << log;
    EXPECT_EQ(Count(log, "LockRect FAILED!"), 0u) << log;

    const std::string cache = dir.Read(kCache);
    EXPECT_EQ(cache.size(), 36 + 24 * g_SkyLights.m_dwCountA + 4 + 24 * g_SkyLights.m_dwCountB);
    EXPECT_FALSE(dir.Exists(std::string(kCache) + ".tmp"));
    // The next start of the world takes the cache as it is, without a bake.
    std::vector<SkyLight> a(g_SkyLights.m_LightsA, g_SkyLights.m_LightsA + g_SkyLights.m_dwCountA);
    const size_t again = ConsoleLog().size();
    g_SkyLights.Release();
    g_SkyLights.LoadForWorld(kWorld);
    EXPECT_EQ(ConsoleLog().substr(again).find("CreateSkyLights"), std::string::npos);
    ASSERT_EQ(g_SkyLights.m_dwCountA, a.size());
    for (size_t i = 0; i < a.size(); ++i)
    {
        EXPECT_EQ(g_SkyLights.m_LightsA[i].vPosition, a[i].vPosition);
        EXPECT_EQ(g_SkyLights.m_LightsA[i].vColor, a[i].vColor);
    }
}

TEST_F(SkyLightsTest, ANewWorldStartsWithNoBakedLights)
{
    Yard();
    g_SkyLights.LoadForWorld(kWorld);
    ASSERT_GT(g_SkyLights.m_dwCountA, 0u);
    Look({0, 2, 0}, {0, 0, 1});
    g_SkyLights.PickLights();
    // The engine's reset, then a world without a "skylight" object.
    g_SkyLights.Release();
    EXPECT_EQ(g_SkyLights.m_dwCountA, 0u);
    EXPECT_EQ(g_SkyLights.m_dwCountB, 0u);
    EXPECT_EQ(g_SkyLights.m_dwPickedCount, 0u);
    g_Engine.DeleteAllObjects();
    Box("floor", {0, -0.5f, 0}, {60, 1, 60});
    const size_t from = ConsoleLog().size();
    g_SkyLights.LoadForWorld("worlds\\bare.w");
    EXPECT_NE(ConsoleLog().substr(from).find("No skylight object!"), std::string::npos);
    EXPECT_EQ(g_SkyLights.m_dwRawCount, 0u);
    EXPECT_EQ(g_SkyLights.m_dwCountA, 0u);
    EXPECT_EQ(g_SkyLights.m_dwCountB, 0u);
    // Its empty tables are cached like any others.
    EXPECT_EQ(dir.Read("worlds/bare.w.def").size(), 36u + 4u);
    g_SkyLights.PickLights();
    EXPECT_EQ(g_SkyLights.m_dwPickedCount, 0u);
}

TEST_F(SkyLightsTest, ACacheCutAnywhereOrDamagedIsNeverTrusted)
{
    const std::string good = Cache(Header{}, kTableA, kTableB);
    g_SkyLights.LoadForWorld(nullptr); // no world: stock parameters
    g_SkyLights.LoadForWorld(kWorld);  // remembers the name; no skylight object, so an empty bake
    ASSERT_EQ(g_SkyLights.m_fGridStep, 1.0f);
    dir.Write(kCache, good);
    ASSERT_TRUE(g_SkyLights.LoadCache());
    EXPECT_EQ(g_SkyLights.m_dwCountA, 2u);
    EXPECT_EQ(g_SkyLights.m_dwCountB, 1u);
    EXPECT_EQ(g_SkyLights.m_LightsA[0].vPosition, D3DXVECTOR3(36, 0, -72));
    EXPECT_EQ(g_SkyLights.m_fGridStep, 2.5f) << "a whole cache brings its parameters";
    EXPECT_EQ(g_SkyLights.m_fLightRadius, 20.0f);

    std::filesystem::remove(kCache);
    g_SkyLights.LoadForWorld(kWorld); // stock parameters again
    ASSERT_EQ(g_SkyLights.m_fGridStep, 1.0f);
    for (size_t length = 0; length < good.size(); ++length)
    {
        dir.Write(kCache, good.substr(0, length));
        g_SkyLights.m_dwCountA = 7;
        EXPECT_FALSE(g_SkyLights.LoadCache()) << length;
        EXPECT_EQ(g_SkyLights.m_dwCountA, 0u) << length;
        EXPECT_EQ(g_SkyLights.m_fGridStep, 1.0f) << length;
    }
    struct Damage
    {
        const char* what;
        std::string bytes;
    };
    auto with = [](auto change)
    {
        Header h;
        change(h);
        return Cache(h, kTableA, kTableB);
    };
    std::string tooManyA = good;
    tooManyA.replace(32, 4, U32(MAX_MERGED_SKY_LIGHTS));
    std::string hugeB = good;
    hugeB.replace(36 + 24 * kTableA.size(), 4, U32(0xFFFFFFFFu));
    std::string notFinite = good;
    notFinite.replace(36, 4, F32(std::nanf("")));
    const Damage damages[] = {
        {"check 2", with([](Header& h) { h.check = 2; })},
        {"check 0", with([](Header& h) { h.check = 0; })},
        {"grid step 0", with([](Header& h) { h.grid = 0.0f; })},
        {"grid step below 0", with([](Header& h) { h.grid = -1.0f; })},
        {"grid step not a number", with([](Header& h) { h.grid = std::nanf(""); })},
        {"merge step infinite", with([](Header& h) { h.stepA = INFINITY; })},
        {"count A over the table", tooManyA},
        {"count B far over the file", hugeB},
        {"a light not a number", notFinite},
        {"bytes after the tables", good + "x"},
    };
    for (const Damage& d : damages)
    {
        dir.Write(kCache, d.bytes);
        EXPECT_FALSE(g_SkyLights.LoadCache()) << d.what;
        EXPECT_EQ(g_SkyLights.m_dwCountA, 0u) << d.what;
        EXPECT_EQ(g_SkyLights.m_fGridStep, 1.0f) << d.what;
        // The world start bakes again (with a sound step) and writes a good cache over it.
        Yard();
        const size_t from = ConsoleLog().size();
        g_SkyLights.LoadForWorld(kWorld);
        EXPECT_NE(ConsoleLog().substr(from).find("CreateSkyLights"), std::string::npos) << d.what;
        EXPECT_GT(g_SkyLights.m_dwCountA, 0u) << d.what;
        const DWORD baked = g_SkyLights.m_dwCountA;
        g_SkyLights.Clear();
        EXPECT_TRUE(g_SkyLights.LoadCache()) << d.what;
        EXPECT_EQ(g_SkyLights.m_dwCountA, baked) << d.what;
        g_Engine.DeleteAllObjects();
    }
}

TEST_F(SkyLightsTest, ACacheThatCannotBeWrittenLeavesTheBakedTablesAndSaysSo)
{
    Yard();
    // A folder where the cache should go: neither the temporary file's rename nor a write can land.
    std::filesystem::create_directories(kCache);
    const size_t from = ConsoleLog().size();
    g_SkyLights.LoadForWorld(kWorld);
    EXPECT_GT(g_SkyLights.m_dwCountA, 0u);
    EXPECT_NE(ConsoleLog().substr(from).find("Can't save worlds\\yard.w.def"), std::string::npos)
        << ConsoleLog().substr(from);
    EXPECT_FALSE(dir.Exists(std::string(kCache) + ".tmp"));
}

TEST_F(SkyLightsTest, ABlockCompressedTextureGivesItsDecodedColour)
{
    Yard();
    // The yard's texture as one DXT1 block pattern: every texel pure red.
    strtexture* t = g_Renderer.FindTexture("box.tga");
    ASSERT_TRUE(t && t->m_pTexture);
    IDirect3DTexture9* dxt = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &dxt, nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(dxt->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 2; ++bx)
        {
            BYTE* block = static_cast<BYTE*>(locked.pBits) + by * locked.Pitch + bx * 8;
            const BYTE red[8] = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0}; // c0 red, c1 black, every index 0
            std::memcpy(block, red, 8);
        }
    dxt->UnlockRect(0);
    t->m_pTexture->Release();
    t->m_pTexture = dxt;
    g_SkyLights.BuildSkyLights();
    ASSERT_GT(g_SkyLights.m_dwRawCount, 0u);
    for (DWORD i = 0; i < g_SkyLights.m_dwRawCount; ++i)
    {
        const D3DXVECTOR3& c = g_SkyLights.m_RawLights[i].vColor;
        EXPECT_GT(c.x, 2.0f * c.y) << i;
        EXPECT_FLOAT_EQ(c.y, c.z) << i;
    }
}

TEST_F(SkyLightsTest, TheHashMergeKeepsWhatTheWalkKeeps)
{
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> near(-150.0f, 150.0f), colour(0.0f, 1.0f);
    std::vector<SkyLight> raw(6000);
    for (SkyLight& l : raw)
        l = SkyLight{{near(random), near(random) * 0.2f, near(random)},
                     {colour(random), colour(random), colour(random)}};
    // Small negative coordinates snap to -0, the same spot as 0.
    raw[10].vPosition = D3DXVECTOR3(-3.0f, 0.5f, -0.25f);
    raw[11].vPosition = D3DXVECTOR3(2.0f, -0.5f, 4.0f);
    struct Case
    {
        const char* what;
        SkyLightMergeRule rule;
        DWORD capacity;
    };
    const Case cases[] = {
        {"table A", {36.0f, 1.0f, 0.6f, false}, MAX_MERGED_SKY_LIGHTS},
        {"table B", {80.0f, 2.0f, 0.3f, true}, MAX_MERGED_SKY_LIGHTS},
        {"a fine grid that fills the table", {2.0f, 1.0f, 0.6f, false}, 700},
        {"a step below twice the distance", {1.5f, 1.0f, 0.6f, false}, 3000},
    };
    for (const Case& c : cases)
    {
        std::vector<SkyLight> hashed(c.capacity), walked(c.capacity);
        const DWORD h =
            MergeSkyLights(raw.data(), static_cast<DWORD>(raw.size()), c.rule, hashed.data(), c.capacity);
        const DWORD w = MergeSkyLightsByWalk(raw.data(), static_cast<DWORD>(raw.size()), c.rule,
                                             walked.data(), c.capacity);
        ASSERT_EQ(h, w) << c.what;
        EXPECT_LT(h, c.capacity) << c.what;
        EXPECT_GT(h, 1u) << c.what;
        for (DWORD i = 0; i < h; ++i)
        {
            EXPECT_EQ(hashed[i].vPosition, walked[i].vPosition) << c.what << " " << i;
            EXPECT_EQ(hashed[i].vColor, walked[i].vColor) << c.what << " " << i;
        }
    }
}

TEST_F(SkyLightsTest, ThePickTakesLightsNearAndInFrontOfTheCamera)
{
    g_SkyLights.m_fLightRadius = 30.0f;
    g_SkyLights.m_fColorScale[0] = 0.5f;
    const D3DXVECTOR3 eye(0, 2, 0);
    g_SkyLights.m_dwCountA = 4;
    g_SkyLights.m_LightsA[0] = {{0, 2, 120}, {1, 1, 1}}; // too far
    g_SkyLights.m_LightsA[1] = {{0, 2, -50}, {1, 1, 1}}; // behind, beyond 1.5 radii
    g_SkyLights.m_LightsA[2] = {{0, 2, 40}, {1, 1, 1}};  // in front
    g_SkyLights.m_LightsA[3] = {{5, 2, -5}, {1, 1, 1}};  // behind but around the camera
    Look(eye, {0, 0, 1});
    g_SkyLights.PickLights();
    ASSERT_EQ(g_SkyLights.m_dwPickedCount, 2u);
    EXPECT_EQ(g_SkyLights.m_dwConsidered, 2u);
    EXPECT_EQ(g_SkyLights.m_Picked[0].vPosition, D3DXVECTOR3(0, 2, 40));
    EXPECT_EQ(g_SkyLights.m_Picked[0].bCameraInside, 0);
    EXPECT_FLOAT_EQ(g_SkyLights.m_Picked[0].vColor.x, 0.5f);
    EXPECT_FLOAT_EQ(g_SkyLights.m_Picked[0].fRadius, 30.0f);
    EXPECT_EQ(g_SkyLights.m_Picked[1].bCameraInside, 1);
    // A box whose near face the near plane cuts away counts as around the camera.
    g_SkyLights.m_dwCountA = 1;
    g_SkyLights.m_LightsA[0] = {{0, 2, 30.0f + g_Camera.m_fNearPlane * 0.5f}, {1, 1, 1}};
    g_SkyLights.PickLights();
    ASSERT_EQ(g_SkyLights.m_dwPickedCount, 1u);
    EXPECT_EQ(g_SkyLights.m_Picked[0].bCameraInside, 1);

    // At most 250 are handed on; the rest are only counted.
    g_SkyLights.m_dwCountA = 300;
    for (DWORD i = 0; i < 300; ++i)
        g_SkyLights.m_LightsA[i] = {{0, 2, 10.0f + 0.1f * static_cast<float>(i)}, {1, 1, 1}};
    g_SkyLights.PickLights();
    EXPECT_EQ(g_SkyLights.m_dwPickedCount, MAX_PICKED_SKY_LIGHTS);
    EXPECT_EQ(g_SkyLights.m_dwConsidered, 300u);

    // The frame's update keeps the last picks while picking is off.
    g_SkyLights.m_bPickEveryFrame = 0;
    g_SkyLights.m_dwCountA = 0;
    g_SkyLights.Update();
    EXPECT_EQ(g_SkyLights.m_dwPickedCount, MAX_PICKED_SKY_LIGHTS);
    g_SkyLights.m_bPickEveryFrame = 1;
    g_SkyLights.m_dwCountA = 300;
    g_Options.DrawVPL = 0;
    g_SkyLights.Update();
    EXPECT_EQ(g_SkyLights.m_dwPickedCount, 0u) << "nothing picked, and the count reset, while DrawVPL is off";
}

TEST_F(SkyLightsTest, TheLightCubeFacesOutwards)
{
    g_SkyLights.BuildCubeVertices();
    D3DXVECTOR3 sum(0, 0, 0);
    for (DWORD t = 0; t < SKY_LIGHT_CUBE_VERTICES; t += 3)
    {
        D3DXVECTOR3 p[3];
        for (int k = 0; k < 3; ++k)
        {
            const SkyLightCubeVertex& v = g_SkyLights.m_CubeVertices[t + k];
            p[k] = D3DXVECTOR3(v.fPosition[0], v.fPosition[1], v.fPosition[2]);
            EXPECT_EQ(v.fPosition[3], 1.0f);
            for (float c : v.fPosition)
                EXPECT_EQ(std::fabs(c), 1.0f);
        }
        const D3DXVECTOR3 centre = (p[0] + p[1] + p[2]) / 3.0f;
        const D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[0];
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &e1, &e2);
        // Clockwise seen from outside: the edges' cross product points out.
        EXPECT_GT(D3DXVec3Dot(&n, &centre), 0.0f) << "triangle " << t / 3;
        sum += n;
    }
    EXPECT_LT(D3DXVec3Length(&sum), 1e-4f) << "a closed box";
}
} // namespace
