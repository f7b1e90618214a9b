// Offscreen surfaces: pictures scaled into a system-memory surface, a fixed
// part copied onto the back buffer, saved as BMP, refused paths.

#include "render_fixture.h"

#include "render/Surface.h"
#include "support/ConsoleLog.h"

namespace
{
constexpr DWORD kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

class SurfaceTest : public RenderTest
{
protected:
    D3DPRESENT_PARAMETERS Params() override { return WindowedParams(320, 300); }
};

TEST_F(SurfaceTest, ASmallPictureIsScaledToTheSurface)
{
    WriteTga("menu/shot.tga", kRed, 2);
    ESurface surface;
    ASSERT_EQ(surface.Create("menu\\shot.tga", 8, 8), 0);
    ASSERT_NE(surface.m_pSurface, nullptr);
    D3DSURFACE_DESC desc = {};
    surface.m_pSurface->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(surface.m_ImageInfo.Width, 2u);
    D3DCOLOR c = 0;
    ASSERT_TRUE(TkD3D9ReadPixel(surface.m_pSurface, 7, 7, &c));
    EXPECT_EQ(c & 0xFFFFFF, kRed & 0xFFFFFF);
}

TEST_F(SurfaceTest, DrawCopiesOnlyTheSourceRectangleToThePosition)
{
    WriteTga("menu/blue.tga", kBlue, 4);
    ESurface surface;
    ASSERT_EQ(surface.LoadFromFile("menu\\blue.tga", true, 0, 0), 0);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
    surface.SetPositionAndDraw(10, 20);
    EXPECT_EQ(BackPixel(10, 20) & 0xFFFFFF, kBlue & 0xFFFFFF);
    EXPECT_EQ(BackPixel(265, 275) & 0xFFFFFF, kBlue & 0xFFFFFF);
    EXPECT_EQ(BackPixel(266, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(BackPixel(5, 100) & 0xFFFFFF, 0u);
}

TEST_F(SurfaceTest, APathThatIsNotPlainIsRefused)
{
    WriteTga("menu/my shot.tga", kRed);
    ESurface surface;
    EXPECT_EQ(surface.Create("menu\\my shot.tga", 8, 8), -1);
    EXPECT_EQ(surface.m_pSurface, nullptr);
    EXPECT_NE(dir.Read("!error.txt").find("menu\\my shot.tga"), std::string::npos);
    EXPECT_EQ(surface.Create("menu\\missing.tga", 8, 8), D3DERR_NOTFOUND);
}

TEST_F(SurfaceTest, SavingWritesABmpAndSaysSo)
{
    ESurface empty;
    empty.SaveToFile("empty.bmp");
    EXPECT_FALSE(dir.Exists("empty.bmp"));
    EXPECT_EQ(ConsoleLog().find("Save"), std::string::npos);

    WriteTga("shot.tga", kRed);
    ESurface surface;
    ASSERT_EQ(surface.Create("shot.tga", 4, 4), 0);
    surface.SaveToFile("thumb.bmp");
    EXPECT_EQ(dir.Read("thumb.bmp").substr(0, 2), "BM");
    EXPECT_NE(ConsoleLog().find("Save OK"), std::string::npos);
    surface.SaveToFile("no\\such\\folder\\thumb.bmp");
    EXPECT_NE(ConsoleLog().find("Save failed"), std::string::npos);
}
} // namespace
