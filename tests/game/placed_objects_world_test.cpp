// The demo world's placed trees and crates in the running game, in-process on
// the headless window and device: near the hero they are scene objects, far
// ones impostors, and walking 100 units east along the road swaps some of
// each; ending the world leaves none of their objects.
#include "game_fixture.h"

#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "support/GameWindow.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Object.h"
#include "world/ObjectMgr.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
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
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("PlacedObjectsWorldTest", m_width, m_height));
    }
    void TearDown() override
    {
        CloseInProcessGame();
        GameTest::TearDown();
    }
    // The next frame's picture as 0xRRGGBB rows; a copy goes as "<name>.ppm"
    // to the folder TK_PLACED_PICTURES names, to look at.
    struct Picture
    {
        int width = 0, height = 0;
        std::vector<uint32_t> pixels;
        uint32_t Pixel(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    };
    Picture Look(const D3DXVECTOR3& from, const D3DXVECTOR3& at, const char* name)
    {
        Picture p;
        LookFrom(from, at, 1);
        TkSurfacePixels shown = {};
        EXPECT_TRUE(TkD3D9GetLastPresented(g_pD3DInterface, &shown) && shown.bits);
        if (!shown.bits)
            return p;
        p.width = static_cast<int>(shown.width);
        p.height = static_cast<int>(shown.height);
        for (UINT y = 0; y < shown.height; ++y)
            for (UINT x = 0; x < shown.width; ++x)
            {
                const BYTE* c =
                    shown.bits + static_cast<size_t>(y) * shown.pitch + static_cast<size_t>(x) * 4;
                p.pixels.push_back(static_cast<uint32_t>(c[2]) << 16 | static_cast<uint32_t>(c[1]) << 8 |
                                   c[0]);
            }
        if (const char* dir = std::getenv("TK_PLACED_PICTURES"))
        {
            std::ofstream out(std::string(dir) + "/" + name + ".ppm", std::ios::binary);
            out << "P6\n" << p.width << " " << p.height << "\n255\n";
            for (uint32_t c : p.pixels)
                out.put(static_cast<char>(c >> 16)).put(static_cast<char>(c >> 8)).put(static_cast<char>(c));
        }
        return p;
    }
    // The sprites the last frame drew: one draw of 4 triangles a sprite from
    // the 36-byte buffer with the atlas in stage 0.
    static UINT SpriteTriangles()
    {
        UINT n = 0;
        for (const TkDrawRecord& r : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
            if (r.effect && r.effect->technique == "RenderTGrass" && r.call == TkDrawCall::Primitive &&
                r.streams[0].stride == OBJECTMGR_VERTEX_SIZE && r.textures[0] == g_ObjectMgr.m_pTexture)
                n += r.primitiveCount;
        return n;
    }
    int m_width = 64, m_height = 48;
};

// Large enough a picture to find one far instance in.
class PlacedObjectsPicture : public PlacedObjectsWorld
{
protected:
    PlacedObjectsPicture()
    {
        m_width = 320;
        m_height = 240;
    }
    void TearDown() override
    {
        g_Console.m_iRecentLines = m_consoleLines;
        PlacedObjectsWorld::TearDown();
    }
    DWORD m_consoleLines = g_Console.m_iRecentLines;
};

// An instance of a sprite group seen from a little beyond its group's switch
// distance with nothing placed near the line of sight, the eye as near the
// town as there is one: the instance's sprite centre and the eye.
bool FindClearSprite(D3DXVECTOR3* centre, D3DXVECTOR3* eye)
{
    bool found = false;
    for (DWORD g = 0; g < g_ObjectMgr.GroupCount() && g < OBJECTMGR_BOUNDED_GROUPS; ++g)
    {
        const EPlacedGroup& group = *g_ObjectMgr.Group(g);
        if (!group.bSprites)
            continue;
        const float distance = group.fDistance + 20.0f;
        for (const EPlacedInstance& target : group.Instances)
            for (int k = 0; k < 16; ++k)
            {
                const float a = static_cast<float>(k) * 0.3926991f;
                const D3DXVECTOR3 c =
                    target.vPosition + (g_ObjectMgr.m_vMin[g] + g_ObjectMgr.m_vMax[g]) * 0.5f;
                const D3DXVECTOR3 e(c.x + std::cos(a) * distance, c.y + 12.0f, c.z + std::sin(a) * distance);
                if (found && std::hypot(e.x, e.z) >= std::hypot(eye->x, eye->z))
                    continue;
                // Every other instance well away from the line across the ground.
                bool clear = true;
                for (DWORD h = 0; h < g_ObjectMgr.GroupCount() && clear; ++h)
                    for (const EPlacedInstance& other : g_ObjectMgr.Group(h)->Instances)
                    {
                        if (&other == &target)
                            continue;
                        const float dx = e.x - c.x, dz = e.z - c.z;
                        const float px = other.vPosition.x - c.x, pz = other.vPosition.z - c.z;
                        const float t =
                            std::fmax(0.0f, std::fmin(1.2f, (px * dx + pz * dz) / (dx * dx + dz * dz)));
                        if (std::hypot(px - t * dx, pz - t * dz) < 14.0f)
                        {
                            clear = false;
                            break;
                        }
                    }
                if (clear)
                {
                    *centre = c;
                    *eye = e;
                    found = true;
                }
            }
    }
    return found;
}
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

TEST_F(PlacedObjectsPicture, AFarInstanceIsDrawnAsItsImpostorInBothRenderModes)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    // The console's recent lines, the mission's fade from black and the
    // swaying grass stay off the pictures.
    g_Console.m_iRecentLines = 0;
    g_Panel.m_fCoverAlpha = 0.0f;
    g_Panel.m_fFadeAlpha = 0.0f;
    g_Panel.m_bFadeIn = 0;
    g_Options.DrawGrass = 0;
    ASSERT_EQ(g_ObjectMgr.m_bAtlasRendered, 1);
    D3DXVECTOR3 centre, eye;
    ASSERT_TRUE(FindClearSprite(&centre, &eye));
    std::vector<DWORD> sprites;
    for (DWORD g = 0; g < g_ObjectMgr.GroupCount(); ++g)
        sprites.push_back(g_ObjectMgr.Group(g)->bSprites);
    for (const BYTE postProcessOff : {BYTE(0), BYTE(1)})
    {
        SCOPED_TRACE(postProcessOff ? "Fast" : "Realistic");
        g_Options.PostProcessOff = postProcessOff;
        for (DWORD g = 0; g < g_ObjectMgr.GroupCount(); ++g)
            g_ObjectMgr.Group(g)->bSprites = sprites[g];
        g_ObjectMgr.m_bSpritesDirty = 1;
        g_ObjectMgr.ForceUpdate();
        ASSERT_NO_FATAL_FAILURE(LookFrom(eye, centre, 4));
        ASSERT_GT(g_ObjectMgr.SpriteCount(), 0u);
        EXPECT_EQ(SpriteTriangles(), 4 * g_ObjectMgr.SpriteCount());
        EXPECT_EQ(g_ObjectMgr.m_iDrawnSprites, g_ObjectMgr.SpriteCount());
        const Picture with = Look(eye, centre, postProcessOff ? "impostor_fast" : "impostor");

        // The same view without sprites.
        for (DWORD g = 0; g < g_ObjectMgr.GroupCount(); ++g)
            g_ObjectMgr.Group(g)->bSprites = 0;
        g_ObjectMgr.m_bSpritesDirty = 1;
        g_ObjectMgr.ForceUpdate();
        ASSERT_NO_FATAL_FAILURE(LookFrom(eye, centre, 2));
        EXPECT_EQ(g_ObjectMgr.SpriteCount(), 0u);
        EXPECT_EQ(SpriteTriangles(), 0u);
        const Picture without = Look(eye, centre, postProcessOff ? "no_impostor_fast" : "no_impostor");
        ASSERT_EQ(with.width, without.width);
        ASSERT_EQ(with.height, without.height);

        // Where the instance stands on the screen the pictures differ; the
        // picture's top rows (the sky over the far land) do not.
        D3DXMATRIX viewProj;
        D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &centre, &viewProj);
        const int cx = static_cast<int>((ndc.x + 1.0f) * 0.5f * static_cast<float>(with.width));
        const int cy = static_cast<int>((1.0f - ndc.y) * 0.5f * static_cast<float>(with.height));
        auto differs = [&](int x, int y)
        {
            const uint32_t a = with.Pixel(x, y), b = without.Pixel(x, y);
            for (int shift : {0, 8, 16})
                if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
                    24)
                    return true;
            return false;
        };
        int inside = 0, box = 0;
        for (int y = cy - 3; y <= cy + 3; ++y)
            for (int x = cx - 3; x <= cx + 3; ++x)
                if (x >= 0 && y >= 0 && x < with.width && y < with.height)
                {
                    ++box;
                    inside += differs(x, y);
                }
        ASSERT_GT(box, 0) << "the instance is on the screen";
        EXPECT_GT(inside * 2, box) << "the impostor covers its place: " << inside << " of " << box;
        int sky = 0;
        for (int x = 0; x < with.width; ++x)
            sky += differs(x, 1);
        EXPECT_EQ(sky, 0);
    }

    // A lost and restored device: the managed atlas and buffer stay and draw.
    for (DWORD g = 0; g < g_ObjectMgr.GroupCount(); ++g)
        g_ObjectMgr.Group(g)->bSprites = sprites[g];
    g_ObjectMgr.m_bSpritesDirty = 1;
    g_ObjectMgr.ForceUpdate();
    const uint32_t now = TkFrameCount();
    TkLoadScriptText("frame " + std::to_string(now + 1) + ": device lost\nframe " + std::to_string(now + 4) +
                         ": device restored\n",
                     "loss.txt");
    ASSERT_NO_FATAL_FAILURE(LookFrom(eye, centre, 12));
    TkClearScript();
    EXPECT_EQ(TkD3D9GetDeviceState(g_pD3DInterface), TkDeviceState::Ok);
    ASSERT_GT(g_ObjectMgr.SpriteCount(), 0u);
    EXPECT_EQ(SpriteTriangles(), 4 * g_ObjectMgr.SpriteCount());
    const Picture after = Look(eye, centre, "impostor_after_reset");
    ASSERT_EQ(after.width, 320);
}
