// Drawing the effects: batches per texture and their limits, the atlas
// frames, the blends, flat and wide quads, and pixels read back from the
// device.
#include "fx_fixture.h"

#include "render/RenderStates.h"

#include <algorithm>

using namespace fxtest;

namespace
{
constexpr D3DCOLOR kBlack = D3DCOLOR_XRGB(0, 0, 0);

EFxDef Sprite(const char* texture, const D3DXVECTOR3& pos)
{
    EFxDef d;
    d.Type = FX_SPRITE;
    d.Life_Time = 10.0f;
    d.Pos = pos;
    d.dwColor = 1;
    d.Color[0] = D3DXVECTOR3(255, 255, 255);
    d.dwAlpha = 1;
    d.Alpha[0] = 255;
    std::snprintf(d.Filename[0], FX_NAME_SIZE, "%s", texture);
    d.FilenameCount = 1;
    return d;
}

int Channel(D3DCOLOR c, int shift)
{
    return static_cast<int>((c >> shift) & 0xFF);
}
} // namespace

TEST_F(FxTest, SevenHundredSpritesOfOneTextureAreListedOnceAFrame)
{
    Texture("textures/puff.tga");
    Load();
    EFxDef d = Sprite("puff.tga", D3DXVECTOR3(0, 0, 10));
    d.Life_Time = -1.0f;
    while (FX.CreateFx(&d, nullptr, nullptr, 0) != FX.Reserved())
    {
    }
    ASSERT_EQ(Active(), MAX_FX - 1);
    const TextureIndex t = g_Renderer.GetTextureIndex("puff.tga");
    FX.Update();
    FX.UpdateSprites();
    EXPECT_EQ(FX.m_Batches[t].m_iCount, 511u);
    EXPECT_EQ(FX.m_Batches[t].m_iQuads, 511u);
    // Listed again without an update in between (the menu is open, or a
    // script froze the game): the same sprites, each once, however many
    // frames pass.
    for (int frame = 0; frame < 6; ++frame)
    {
        FX.UpdateSprites();
        EXPECT_EQ(FX.m_Batches[t].m_iCount, 511u);
        EXPECT_EQ(FX.m_Batches[t].m_iQuads, 511u);
    }
    FX.Update();
    EXPECT_EQ(FX.m_Batches[t].m_iCount, 0u);
}

namespace
{
// The first vertex of a batch: position, colour and texture coordinates.
struct SpriteVertex
{
    float x, y, z;
    DWORD color;
    float u, v;
};

std::vector<SpriteVertex> BatchVertices(const EFxSpriteBatch& b)
{
    std::vector<SpriteVertex> out(b.m_iQuads * 6);
    void* data = nullptr;
    if (!b.m_pVB || FAILED(b.m_pVB->Lock(0, 0, &data, D3DLOCK_READONLY)))
        return {};
    std::memcpy(out.data(), data, out.size() * sizeof(SpriteVertex));
    b.m_pVB->Unlock();
    return out;
}
} // namespace

TEST_F(FxTest, AnimatedSpritesPickTheirFrameFromTheAtlas)
{
    Texture("textures/atlas.tga");
    Load();
    EFxDef d = Sprite("atlas.tga", D3DXVECTOR3(0, 0, 10));
    d.Animated_Sprite_Texture = 1;
    d.Animated_Sprite_FPS = 10.0f;
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    FX.Update();
    const EFxSpriteBatch& b = FX.m_Batches[fx->m_iTexture];
    struct Case
    {
        float clock;
        float u, v;
    };
    // 6.4 s a round; one reduction only, so a clock far past it gives a frame past 63, taken modulo 64.
    for (const Case& c : {Case{0.05f, 0.0f, 0.0f}, Case{0.95f, 0.125f, 0.125f}, Case{6.35f, 0.875f, 0.875f},
                          Case{13.05f, 0.25f, 0.0f}})
    {
        fx->m_fAnimClock = c.clock;
        FX.m_fFrameTime = 0.0f;
        FX.m_Batches[fx->m_iTexture].m_iCount = 0;
        FX.UpdateSprites();
        const std::vector<SpriteVertex> v = BatchVertices(b);
        ASSERT_EQ(v.size(), 6u);
        EXPECT_FLOAT_EQ(v[0].u, c.u) << c.clock;
        EXPECT_FLOAT_EQ(v[0].v, c.v) << c.clock;
        EXPECT_FLOAT_EQ(v[1].u, c.u + 0.125f);
        EXPECT_FLOAT_EQ(v[2].v, c.v + 0.125f);
    }
}

TEST_F(FxTest, EachSpriteKeepsItsOwnBlendInASharedBatch)
{
    Texture("textures/glow.tga");
    Load();
    EFxDef add = Sprite("glow.tga", D3DXVECTOR3(0, 0, 10));
    add.Additive = 1;
    EFxDef normal = Sprite("glow.tga", D3DXVECTOR3(1, 0, 10));
    EFxDef multiply = Sprite("glow.tga", D3DXVECTOR3(2, 0, 10));
    multiply.Multiply = 1;
    FX.CreateFx(&add, nullptr, nullptr, 0);
    FX.CreateFx(&normal, nullptr, nullptr, 0);
    FX.CreateFx(&normal, nullptr, nullptr, 0);
    FX.CreateFx(&multiply, nullptr, nullptr, 0);
    FX.Update();
    FX.UpdateSprites();
    const EFxSpriteBatch& b = FX.m_Batches[g_Renderer.GetTextureIndex("glow.tga")];
    EXPECT_EQ(b.m_iQuads, 4u);
    EXPECT_EQ(b.m_iBlendQuads[FX_BLEND_MULTIPLY], 1u);
    EXPECT_EQ(b.m_iBlendQuads[FX_BLEND_NORMAL], 2u);
    EXPECT_EQ(b.m_iBlendQuads[FX_BLEND_ADDITIVE], 1u);
    // Drawn in pass order: the multiply quad first.
    EXPECT_EQ(b.m_iFirstQuad[FX_BLEND_MULTIPLY], 0u);
    EXPECT_EQ(b.m_iFirstQuad[FX_BLEND_ADDITIVE], 3u);
    const std::vector<SpriteVertex> v = BatchVertices(b);
    ASSERT_EQ(v.size(), 24u);
    EXPECT_NEAR(v[0].x + v[2].x, 2 * 2.0f, 1e-4f); // the multiply sprite's centre x
}

TEST_F(FxTest, FlatSpritesLieInTheHorizontalPlane)
{
    Texture("textures/stain.tga");
    Load();
    EFxDef d = Sprite("stain.tga", D3DXVECTOR3(0, -2, 10));
    d.Flat_Rotation = 1;
    d.Scale = D3DXVECTOR3(2, 2, 2);
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    EOrientation tilted(0.3f, 0.7f, 0.0f);
    g_Camera.SetOrientation(tilted);
    FX.Update();
    FX.UpdateSprites();
    const std::vector<SpriteVertex> v = BatchVertices(FX.m_Batches[fx->m_iTexture]);
    ASSERT_EQ(v.size(), 6u);
    for (const SpriteVertex& p : v)
        EXPECT_FLOAT_EQ(p.y, -2.0f);
    EXPECT_FLOAT_EQ(std::fabs(v[0].x), 1.0f);
}

TEST_F(FxTest, AWideBulletStreakIsATenthWide)
{
    Load();
    EFxDef d;
    d.Type = FX_BULLET;
    d.Move = 1;
    d.NoCollision = 1;
    d.Life_Time = 5.0f;
    d.Pos = D3DXVECTOR3(0, 0, 5);
    d.Vel = D3DXVECTOR3(0, 0, 10);
    EFxInstance* narrow = FX.CreateFx(&d, nullptr, nullptr, 0);
    d.WideSpark = 1;
    EFxInstance* wide = FX.CreateFx(&d, nullptr, nullptr, 0);
    FX.Update();
    FX.Update();
    ASSERT_EQ(FX.m_iSparkCount, 2u);
    struct V
    {
        float x, y, z;
        DWORD c;
    };
    std::vector<V> v(2 * FX_SPARK_VERTICES);
    void* data = nullptr;
    ASSERT_EQ(FX.m_pSparkVB->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    std::memcpy(v.data(), data, v.size() * sizeof(V));
    FX.m_pSparkVB->Unlock();
    // Vertex 1 is X1 = P + s * up.
    EXPECT_NEAR(v[1].y - v[0].y, 0.01f, 1e-5f);
    EXPECT_NEAR(v[FX_SPARK_VERTICES + 1].y - v[FX_SPARK_VERTICES].y, 0.1f, 1e-5f);
    EXPECT_EQ(v[0].z, narrow->m_vPos.z);
    EXPECT_EQ(v[FX_SPARK_VERTICES].z, wide->m_vPos.z);
}

TEST_F(FxTest, ASpriteIsSeenOnTheBackBufferUntilItsLifeEnds)
{
    Texture("textures/white.tga");
    Load();
    EFxDef d = Sprite("white.tga", D3DXVECTOR3(0, 0, 10));
    d.Additive = 1;
    d.Scale = D3DXVECTOR3(4, 4, 4);
    d.Life_Time = 0.2f;
    FX.CreateFx(&d, nullptr, nullptr, 0);
    // The state cache believes culling is off while the device culls: as after
    // a frame that set culling on the device itself.
    g_RenderStates.m_bCulling = 0;
    auto frame = [&]
    {
        FX.Update();
        FX.UpdateSprites();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        device->BeginScene();
        g_Camera.UpdateView();
        FX.Render();
        device->EndScene();
    };
    frame();
    const D3DCOLOR centre = BackPixel(kWidth / 2, kHeight / 2);
    EXPECT_GT(Channel(centre, 16), 200);
    EXPECT_GT(Channel(centre, 8), 200);
    EXPECT_EQ(BackPixel(1, 1) & 0xFFFFFF, 0u);

    g_Options.DrawSprites = 0;
    frame();
    EXPECT_EQ(BackPixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0u);
    g_Options.DrawSprites = 1;

    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_EQ(Active(), 0);
    EXPECT_EQ(BackPixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0u);
}

TEST_F(FxTest, SparksDrawWhileSpritesAreOff)
{
    Load();
    EFxDef d;
    d.Type = FX_SPARK;
    d.Move = 1;
    d.WideSpark = 1;
    d.Life_Time = 5.0f;
    d.HasAimPoint = 1;
    // A streak across the view, two units ahead.
    d.AimPoint = D3DXVECTOR3(1, 0, 2);
    d.Pos = D3DXVECTOR3(-1, 0, 2);
    FX.CreateFx(&d, nullptr, nullptr, 0);
    g_Options.DrawSprites = 0;
    FX.Update();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    device->BeginScene();
    g_Camera.UpdateView();
    FX.Render();
    device->EndScene();
    auto reddest = [&]
    {
        int best = 0;
        for (UINT y = 0; y < kHeight; ++y)
            best = std::max(best, Channel(BackPixel(kWidth / 2, y), 16));
        return best;
    };
    EXPECT_GT(reddest(), 100); // orange
    g_Options.DrawFX = 0;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    FX.Render();
    EXPECT_EQ(reddest(), 0);
}

TEST_F(FxTest, ALightSpriteIsListedOnlyWhileNothingStandsBeforeIt)
{
    Texture("textures/glow.tga");
    Load();
    EFxDef d = Sprite("glow.tga", D3DXVECTOR3(0, 0, 50));
    d.Light_Sprite = 1;
    d.Additive = 1;
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    EXPECT_EQ(fx->m_dwSpriteFlags & 0x800u, 0x800u); // drawn through walls once listed
    const EFxSpriteBatch& b = FX.m_Batches[fx->m_iTexture];
    FX.Update();
    FX.UpdateSprites();
    EXPECT_EQ(fx->m_bLightVisible, 1);
    EXPECT_EQ(b.m_iQuads, 1u);
    EXPECT_NEAR(fx->m_fLightTimer, 0.5f, 1e-4f); // a light 50 away is looked at twice a second

    strObject wall;
    std::memset(static_cast<void*>(&wall), 0, sizeof wall);
    wall.bUsed = 1;
    Planes() = {{&wall, {0, 0, 20}, {0, 0, -1}}};
    FX.Update(); // not yet looked at again
    FX.UpdateSprites();
    EXPECT_EQ(b.m_iQuads, 1u);
    for (int i = 0; i < 10; ++i)
        FX.Update();
    FX.UpdateSprites();
    EXPECT_EQ(fx->m_bLightVisible, 0);
    EXPECT_EQ(b.m_iQuads, 0u);
}

TEST_F(FxTest, LiveEffectsOutlastALostDevice)
{
    Texture("textures/puff.tga");
    Load();
    EFxDef d = Sprite("puff.tga", D3DXVECTOR3(0, 0, 10));
    EFxInstance* fx = FX.CreateFx(&d, nullptr, nullptr, 0);
    FX.Update();
    FX.UpdateSprites();
    ASSERT_NE(FX.m_pSparkVB, nullptr);
    ASSERT_NE(FX.m_Batches[fx->m_iTexture].m_pVB, nullptr);
    FX.OnLostDevice();
    EXPECT_EQ(FX.m_pSparkVB, nullptr);
    EXPECT_EQ(FX.m_Batches[fx->m_iTexture].m_pVB, nullptr);
    EXPECT_EQ(fx->m_bActive, 1);
    FX.OnResetDevice();
    EXPECT_NE(FX.m_pSparkVB, nullptr);
    FX.Update();
    FX.UpdateSprites();
    EXPECT_EQ(FX.m_Batches[fx->m_iTexture].m_iQuads, 1u);
}

TEST_F(FxTest, TheQuadLaysItsTextureTurnedAsTheVertexOrderSays)
{
    // Quadrants: top left yellow, top right red, bottom left cyan, bottom right blue.
    std::vector<DWORD> px(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            px[y * 16 + x] = 0xFF000000u | (y < 8 ? 0xFF0000u : 0x0000FFu) | (x < 8 ? 0x00FF00u : 0u);
    temp->Write("textures/quadrants.tga", TgaFile(16, 16, px, true));
    Load();
    EFxDef d = Sprite("quadrants.tga", D3DXVECTOR3(0, 0, 10));
    d.Scale = D3DXVECTOR3(6, 6, 6);
    FX.CreateFx(&d, nullptr, nullptr, 0);
    FX.Update();
    FX.UpdateSprites();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    device->BeginScene();
    g_Camera.UpdateView();
    FX.Render();
    device->EndScene();
    // The texture's top row runs up the quad's right side and its left column
    // along the quad's bottom: the picture is mirrored across the diagonal from
    // top right to bottom left. The bundled effect textures are drawn that way.
    constexpr UINT l = kWidth / 2 - 6, r = kWidth / 2 + 6, t = kHeight / 2 - 6, b = kHeight / 2 + 6;
    EXPECT_EQ(BackPixel(r, t) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(BackPixel(l, b) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(BackPixel(r, b) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(BackPixel(l, t) & 0xFFFFFF, 0x0000FFu);
}
