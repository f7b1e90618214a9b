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
    // Each state with a value of the caller's and the value drawing needs.
    const struct
    {
        D3DRENDERSTATETYPE state;
        DWORD before, during;
    } renders[] = {
        {D3DRS_ALPHABLENDENABLE, FALSE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_MAX, D3DBLENDOP_ADD},
    };
    const struct
    {
        D3DTEXTURESTAGESTATETYPE type;
        DWORD before, during;
    } stages[] = {
        {D3DTSS_COLOROP, D3DTOP_DISABLE, D3DTOP_MODULATE},
        {D3DTSS_COLORARG1, D3DTA_CURRENT, D3DTA_TEXTURE},
        {D3DTSS_COLORARG2, D3DTA_TFACTOR, D3DTA_DIFFUSE},
        {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_MODULATE},
        {D3DTSS_ALPHAARG1, D3DTA_CURRENT, D3DTA_TEXTURE},
        {D3DTSS_ALPHAARG2, D3DTA_TFACTOR, D3DTA_DIFFUSE},
    };
    for (const auto& r : renders)
        device->SetRenderState(r.state, r.before);
    for (const auto& s : stages)
        device->SetTextureStageState(1, s.type, s.before);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);

    TkSavedStates states(device);
    states.SetAlphaBlend();
    states.SetTextureTimesDiffuse(1);
    for (const auto& r : renders)
        EXPECT_EQ(RenderState(device, r.state), r.during) << "render state " << r.state;
    for (const auto& s : stages)
        EXPECT_EQ(StageState(device, 1, s.type), s.during) << "stage state " << s.type;
    // Only the stage asked for changes.
    EXPECT_EQ(StageState(device, 0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG2));
    EXPECT_FALSE(states.Empty());

    states.Restore();
    EXPECT_TRUE(states.Empty());
    for (const auto& r : renders)
        EXPECT_EQ(RenderState(device, r.state), r.before) << "render state " << r.state;
    for (const auto& s : stages)
        EXPECT_EQ(StageState(device, 1, s.type), s.before) << "stage state " << s.type;
}
} // namespace
