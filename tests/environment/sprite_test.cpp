// Sprite pages: one per texture with at most 640 sprites, lazy visibility,
// the blend buffers a page is made with, and pixels on the back buffer.
#include "fx_fixture.h"

#include <memory>

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

    HOBJECT Add(int i, const D3DXVECTOR3& pos, DWORD flags = SPRITE_DRAWN, DWORD flags2 = 0)
    {
        EObjectDesc desc;
        desc.Type = OT_SPRITE;
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "dot.tga");
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
    HOBJECT o = Add(0, D3DXVECTOR3(0, 0, 10), SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME);
    g_Camera.UpdateView();
    g_SpriteMgr.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    g_SpriteMgr.DrawSprites();
    device->EndScene();
    EXPECT_EQ(BackPixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(BackPixel(1, 1) & 0xFFFFFF, 0u);

    // Coloured through the engine's operation; gone once removed.
    ESpriteMgr::SetSpriteColor(o, 0xFFFF0000);
    g_SpriteMgr.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    g_SpriteMgr.DrawSprites();
    device->EndScene();
    EXPECT_EQ(BackPixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0xFF0000u);
    g_SpriteMgr.RemoveSprite(o);
    g_SpriteMgr.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    device->BeginScene();
    g_SpriteMgr.DrawSprites();
    device->EndScene();
    EXPECT_EQ(BackPixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0u);
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
