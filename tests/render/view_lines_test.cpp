// Debug arrows: the shaft and the head's fixed size, the shortest arrow, the
// states left behind, and no drawing without a buffer.

#include "render_fixture.h"

#include "render/ViewLines.h"
#include "shell/Orientation.h"

#include <cmath>
#include <cstring>

namespace
{
class ViewLinesTest : public RenderTest
{
protected:
    void TearDown() override
    {
        lines.Release();
        RenderTest::TearDown();
    }

    std::vector<float> Vertices()
    {
        void* bits = nullptr;
        EXPECT_EQ(lines.m_pVB->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
        std::vector<float> v(EViewLines::LINE_VERTICES * 4);
        std::memcpy(v.data(), bits, v.size() * 4);
        lines.m_pVB->Unlock();
        return v;
    }

    UINT Draws() { return TkD3D9GetDrawCount(device, TkFrame::Current); }

    EViewLines lines;
};

float Distance(const float* a, const float* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

TEST_F(ViewLinesTest, WithoutABufferNothingIsDrawn)
{
    const float a[3] = {0, 0, 0}, b[3] = {0, 0, 5};
    lines.DrawArrow(a, b, 0xFFFF0000u, nullptr);
    EXPECT_EQ(Draws(), 0u);
}

TEST_F(ViewLinesTest, ArrowsShorterThanOneAreNotDrawn)
{
    lines.CreateVB();
    ASSERT_NE(lines.m_pVB, nullptr);
    const float a[3] = {1, 1, 1}, close[3] = {1.99f, 1, 1}, one[3] = {2, 1, 1};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    lines.DrawArrow(a, close, 0xFF00FF00u, nullptr);
    EXPECT_EQ(Draws(), 0u);
    lines.DrawArrow(a, one, 0xFF00FF00u, nullptr);
    lines.DrawArrow(nullptr, one, 0xFF00FF00u, nullptr);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(Draws(), 1u);
    const TkDrawRecord& draw = TkD3D9GetDrawLog(device, TkFrame::Current)[0];
    EXPECT_EQ(draw.primitiveType, D3DPT_LINELIST);
    EXPECT_EQ(draw.primitiveCount, 3u);
    EXPECT_EQ(draw.fvf, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    EXPECT_EQ(draw.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(draw.textures[0], nullptr);
}

TEST_F(ViewLinesTest, TheHeadIsHalfLongAndHalfWideWhateverTheLength)
{
    lines.CreateVB();
    for (float length : {1.0f, 40.0f})
    {
        const float a[3] = {3, 2, 1}, b[3] = {3, 2, 1 + length};
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        D3DMATRIX moved = {};
        moved._11 = moved._22 = moved._33 = moved._44 = 2.0f;
        device->SetTransform(D3DTS_WORLD, &moved);
        lines.DrawArrow(a, b, 0xFF0000FFu, nullptr);
        const std::vector<float> v = Vertices();
        EXPECT_FLOAT_EQ(v[4 * 1 + 2], 1 + length); // the shaft ends at the target
        const float* left = &v[4 * 3];
        const float* right = &v[4 * 5];
        EXPECT_NEAR(Distance(left, right), 0.5f, 1e-5f) << length;
        EXPECT_NEAR(left[2], 1 + length - 0.5f, 1e-5f) << length;
        DWORD color = 0;
        std::memcpy(&color, &v[4 * 3 + 3], 4);
        EXPECT_EQ(color, 0xFF0000FFu);

        DWORD cull = 0;
        device->GetRenderState(D3DRS_CULLMODE, &cull);
        EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
        D3DMATRIX world = {};
        device->GetTransform(D3DTS_WORLD, &world);
        EXPECT_EQ(world._11, 1.0f);
        EXPECT_EQ(world._44, 1.0f);
    }
}

TEST_F(ViewLinesTest, AGivenOrientationSetsTheHeadsSide)
{
    lines.CreateVB();
    EOrientation orientation;
    orientation.Right = D3DXVECTOR3(0, 1, 0);
    const float a[3] = {0, 0, 0}, b[3] = {10, 0, 0};
    lines.DrawArrow(a, b, 0xFFFFFFFFu, &orientation);
    const std::vector<float> v = Vertices();
    EXPECT_NEAR(v[4 * 3 + 0], 9.5f, 1e-5f);
    EXPECT_NEAR(v[4 * 3 + 1], 0.25f, 1e-5f);
    EXPECT_NEAR(v[4 * 5 + 1], -0.25f, 1e-5f);
}
} // namespace
