// Sprite pages: one per texture with at most 640 sprites, lazy visibility,
// the blend buffers a page is made with, and pixels on the back buffer.
#include "fx_fixture.h"

#include <memory>
#include <vector>

using namespace fxtest;

namespace
{
class Sprites : public FxTest
{
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        Texture("textures/dot.tga");
        g_Renderer.ScanTextureDirectory();
        g_SpriteMgr.Reset();
        objects = std::make_unique<strObject[]>(kObjects);
        std::memset(static_cast<void*>(objects.get()), 0, sizeof(strObject) * kObjects);
    }

    HOBJECT Add(int i, const D3DXVECTOR3& pos, DWORD flags = SPRITE_DRAWN, DWORD flags2 = 0,
                const char* file = "dot.tga")
    {
        EObjectDesc desc;
        desc.Type = OT_SPRITE;
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", file);
        desc.vPosition = pos;
        desc.vScale = D3DXVECTOR3(2, 2, 2);
        desc.dwFlags = flags;
        desc.dwFlags2 = flags2;
        HOBJECT o = &objects[i];
        o->bUsed = 1;
        o->Type = OT_SPRITE;
        g_SpriteMgr.AddSprite(o, &desc);
        return o;
    }

    static strSingleSprite* Of(HOBJECT o) { return static_cast<strSingleSprite*>(o->pSprite); }

    static constexpr int kObjects = 700;
    std::unique_ptr<strObject[]> objects;
};
} // namespace

TEST_F(Sprites, APageHolds640SpritesAndTheNextIsRefused)
{
    for (int i = 0; i < MAX_SPRITES_PER_PAGE; ++i)
        ASSERT_NE(Of(Add(i, D3DXVECTOR3(0, 0, 10))), nullptr) << i;
    HOBJECT extra = Add(MAX_SPRITES_PER_PAGE, D3DXVECTOR3(0, 0, 10));
    EXPECT_EQ(extra->pSprite, nullptr);
    EXPECT_EQ(extra->Object, nullptr);
    strSprites* page = Of(&objects[0])->pPage;
    EXPECT_EQ(page->iLive, 640u);
    g_SpriteMgr.RemoveSprite(&objects[3]);
    EXPECT_EQ(page->iLive, 639u);
    EXPECT_EQ(Of(Add(MAX_SPRITES_PER_PAGE, D3DXVECTOR3(0, 0, 10))), &page->Sprites[3]);
}

TEST_F(Sprites, VisibilityIsStrictAndFarSpritesAreRecheckedLate)
{
    const float a59 = 59.0f * D3DX_PI / 180.0f, a61 = 61.0f * D3DX_PI / 180.0f;
    HOBJECT in = Add(0, D3DXVECTOR3(10 * std::sin(a59), 0, 10 * std::cos(a59)),
                     SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME);
    HOBJECT out = Add(1, D3DXVECTOR3(10 * std::sin(a61), 0, 10 * std::cos(a61)),
                      SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME);
    HOBJECT behind = Add(2, D3DXVECTOR3(0, 0, -10), SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME);
    HOBJECT far = Add(3, D3DXVECTOR3(0, 0, 512), SPRITE_DRAWN);
    g_SpriteMgr.Update();
    EXPECT_EQ(Of(in)->bVisible, 1);
    EXPECT_EQ(Of(out)->bVisible, 0);
    EXPECT_EQ(Of(behind)->bVisible, 0);
    EXPECT_EQ(Of(far)->bVisible, 1);
    EXPECT_NEAR(Of(far)->fTimer, 0.1f, 1e-4f);

    // The camera turns round: the far sprite keeps its answer for 512 / 5120 s.
    g_Camera.SetOrientation(EOrientation(D3DX_PI, 0.0f, 0.0f));
    g_Engine.m_fDeltaTime = 0.04f;
    g_SpriteMgr.Update();
    EXPECT_EQ(Of(far)->bVisible, 1);
    EXPECT_EQ(Of(behind)->bVisible, 1);
    g_SpriteMgr.Update();
    g_SpriteMgr.Update();
    EXPECT_EQ(Of(far)->bVisible, 0);
}

TEST_F(Sprites, APageKeepsTheBuffersOfItsFirstSprite)
{
    HOBJECT glow = Add(0, D3DXVECTOR3(0, 0, 10), SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME, SPRITE_ADDITIVE);
    HOBJECT plain = Add(1, D3DXVECTOR3(0, 0, 10), SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME, 0);
    strSprites* page = Of(glow)->pPage;
    EXPECT_EQ(Of(plain)->pPage, page);
    EXPECT_NE(page->pVB[0], nullptr);
    EXPECT_EQ(page->pVB[1], nullptr);
    EXPECT_EQ(page->pVB[2], nullptr);
    g_SpriteMgr.Update();
    EXPECT_EQ(page->iDrawn[0], 1u);
    EXPECT_EQ(page->iDrawn[2], 0u); // the normal sprite has no buffer and is never drawn
}

TEST_F(Sprites, ASpriteIsDrawnFacingTheCamera)
{
    // A texture of four colours (red, green over blue, white) on a sprite
    // straight ahead of a camera turned aside and tilted: the sprite shows
    // square on the screen, upright and not mirrored, whichever way the
    // camera looks.
    std::vector<DWORD> quadrants(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            quadrants[y * 16 + x] =
                y < 8 ? (x < 8 ? 0xFFFF0000u : 0xFF00FF00u) : (x < 8 ? 0xFF0000FFu : 0xFFFFFFFFu);
    temp->Write("textures/quadrants.tga", TgaFile(16, 16, quadrants, true));
    g_Renderer.ScanTextureDirectory();
    g_Camera.SetOrientation(EOrientation(0.7f, 0.3f, 0.0f));
    g_Camera.UpdateView();
    const D3DXVECTOR3 ahead = g_Camera.GetPosition() + g_Camera.m_vForward * 10.0f;
    HOBJECT o = Add(0, ahead, SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME, 0, "quadrants.tga");
    g_SpriteMgr.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    g_SpriteMgr.DrawSprites();
    device->EndScene();
    const UINT cx = kWidth / 2, cy = kHeight / 2;
    EXPECT_EQ(BackPixel(cx - 2, cy - 2) & 0xFFFFFF, 0xFF0000u) << "upper left";
    EXPECT_EQ(BackPixel(cx + 2, cy - 2) & 0xFFFFFF, 0x00FF00u) << "upper right";
    EXPECT_EQ(BackPixel(cx - 2, cy + 2) & 0xFFFFFF, 0x0000FFu) << "lower left";
    EXPECT_EQ(BackPixel(cx + 2, cy + 2) & 0xFFFFFF, 0xFFFFFFu) << "lower right";
    EXPECT_EQ(BackPixel(1, 1) & 0xFFFFFF, 0u);
    // Square on the screen: as wide through its middle as it is high.
    UINT left = cx, right = cx, top = cy, bottom = cy;
    while (left > 0 && (BackPixel(left - 1, cy) & 0xFFFFFF))
        --left;
    while (right + 1 < kWidth && (BackPixel(right + 1, cy) & 0xFFFFFF))
        ++right;
    while (top > 0 && (BackPixel(cx, top - 1) & 0xFFFFFF))
        --top;
    while (bottom + 1 < kHeight && (BackPixel(cx, bottom + 1) & 0xFFFFFF))
        ++bottom;
    EXPECT_GE(right - left, 6u);
    EXPECT_NEAR(double(right - left), double(bottom - top), 1.0);
    EXPECT_NEAR(double(left + right) / 2.0, double(cx), 1.0);
    EXPECT_NEAR(double(top + bottom) / 2.0, double(cy), 1.0);

    // Coloured through the engine's operation; gone once removed.
    ESpriteMgr::SetSpriteColor(o, 0xFFFF0000);
    g_SpriteMgr.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    g_SpriteMgr.DrawSprites();
    device->EndScene();
    EXPECT_EQ(BackPixel(cx + 2, cy + 2) & 0xFFFFFF, 0xFF0000u) << "the white quarter in the colour";
    EXPECT_EQ(BackPixel(cx - 2, cy + 2) & 0xFFFFFF, 0u) << "the blue quarter has no red";
    g_SpriteMgr.RemoveSprite(o);
    g_SpriteMgr.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    g_SpriteMgr.DrawSprites();
    device->EndScene();
    EXPECT_EQ(BackPixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0u);
}

TEST_F(Sprites, AResetKeepsThePagesOfTheWorldsSpritesInUse)
{
    // The world's sprites are added before the start-up's reset; sprites
    // added after it go into the same page, into the slots removed ones left.
    HOBJECT first = Add(0, D3DXVECTOR3(0, 0, 10));
    HOBJECT second = Add(1, D3DXVECTOR3(0, 0, 10));
    strSprites* page = Of(first)->pPage;
    for (int world = 0; world < 3; ++world)
    {
        g_SpriteMgr.Reset();
        g_SpriteMgr.RemoveSprite(second);
        second = Add(1, D3DXVECTOR3(0, 0, 10));
        EXPECT_EQ(Of(second), &page->Sprites[1]);
    }
    int pages = 0;
    for (strSprites* p = g_SpriteMgr.m_pPages; p; p = p->pNext)
        ++pages;
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(page->iLive, 2u);
}

TEST_F(Sprites, ReleaseLeavesNoObjectPointingIntoAFreedPage)
{
    HOBJECT o = Add(0, D3DXVECTOR3(0, 0, 10));
    ASSERT_NE(o->pSprite, nullptr);
    g_SpriteMgr.Release();
    EXPECT_EQ(o->pSprite, nullptr);
    g_SpriteMgr.RemoveSprite(o);
    ESpriteMgr::SetSpritePosition(o, &o->vPosition);
}
