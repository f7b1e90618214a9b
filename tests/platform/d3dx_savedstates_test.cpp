// TkSavedStates: states changed for a draw over someone else's frame, and put
// back afterwards.
#include "d3d9_fixture.h"

#include "platform/d3dx/SavedStates.h"

using namespace d3d9test;

namespace
{
using SavedStates = DeviceTest;

DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state)
{
    DWORD v = 0xDEADBEEF;
    device->GetRenderState(state, &v);
    return v;
}

DWORD StageState(IDirect3DDevice9* device, DWORD stage, D3DTEXTURESTAGESTATETYPE type)
{
    DWORD v = 0xDEADBEEF;
    device->GetTextureStageState(stage, type, &v);
    return v;
}

TEST_F(SavedStates, AlphaBlendAndTextureTimesDiffuseAreSetAndPutBack)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_MAX);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);

    TkSavedStates states(device);
    states.SetAlphaBlend();
    states.SetTextureTimesDiffuse(1);
    EXPECT_EQ(RenderState(device, D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(device, D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(device, D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(RenderState(device, D3DRS_BLENDOP), DWORD(D3DBLENDOP_ADD));
    EXPECT_EQ(StageState(device, 1, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(device, 1, D3DTSS_COLORARG1), DWORD(D3DTA_TEXTURE));
    EXPECT_EQ(StageState(device, 1, D3DTSS_COLORARG2), DWORD(D3DTA_DIFFUSE));
    EXPECT_EQ(StageState(device, 1, D3DTSS_ALPHAOP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(device, 1, D3DTSS_ALPHAARG1), DWORD(D3DTA_TEXTURE));
    EXPECT_EQ(StageState(device, 1, D3DTSS_ALPHAARG2), DWORD(D3DTA_DIFFUSE));
    // Only the stage asked for changes.
    EXPECT_EQ(StageState(device, 0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG2));
    EXPECT_FALSE(states.Empty());

    states.Restore();
    EXPECT_TRUE(states.Empty());
    EXPECT_EQ(RenderState(device, D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(RenderState(device, D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(device, D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(device, D3DRS_BLENDOP), DWORD(D3DBLENDOP_MAX));
    EXPECT_EQ(StageState(device, 1, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(StageState(device, 1, D3DTSS_COLORARG1), DWORD(D3DTA_CURRENT));
    EXPECT_EQ(StageState(device, 1, D3DTSS_COLORARG2), DWORD(D3DTA_TFACTOR));
    EXPECT_EQ(StageState(device, 1, D3DTSS_ALPHAOP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(StageState(device, 1, D3DTSS_ALPHAARG1), DWORD(D3DTA_CURRENT));
    EXPECT_EQ(StageState(device, 1, D3DTSS_ALPHAARG2), DWORD(D3DTA_TFACTOR));
}
} // namespace
