// EEffectMgr: the effects of the folder "fx" loaded at start, found by name in
// any case, their handles looked up once, failures reported and skipped, and
// the device loss and reset passed on.

#include "support/BuildPaths.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "render/EffectMgr.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "support/FontDevice.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace
{

std::string Effect(const std::string& params, const std::string& technique = "RenderScene")
{
    return params +
           "\nvertexshader VS { void main() { gl_Position = vec4(0.0); } }\n"
           "pixelshader PS { layout(location = 0) out vec4 c; void main() { c = vec4(1.0); } }\n"
           "technique " +
           technique + " { pass P0 { VertexShader = VS; PixelShader = PS; } }\n";
}

class EffectMgrTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(dev.device, nullptr); }
    void TearDown() override
    {
        g_EffectMgr.Release();
        g_Options.SystemDebug = m_oldSystemDebug;
    }

    bool Logged(const std::string& line) { return ConsoleLog().find(line) != std::string::npos; }

    TempDir dir;
    FontDevice dev{64, 48};
    int m_oldSystemDebug = g_Options.SystemDebug;
};

TEST_F(EffectMgrTest, LoadsEveryEffectFileAndFindsItInAnyCase)
{
    dir.Write("fx/a.fxc", Effect("float4x4 g_mWorld;"));
    dir.Write("fx/B.fxc", Effect("float g_fFarClip;"));
    dir.Write("fx/x.fxc/inside.fxc", Effect(""));
    dir.Write("fx/.hidden.fxc", Effect(""));
    dir.Write("fx/notes.txt", "not an effect");
    g_EffectMgr.Init();
    EXPECT_EQ(g_EffectMgr.m_bInitialised, 1);
    EXPECT_NE(g_EffectMgr.m_pEffectPool, nullptr);

    EEffect* a = g_EffectMgr.FindEffect("A");
    EEffect* b = g_EffectMgr.FindEffect("b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(a->m_szName, "a");
    EXPECT_STREQ(a->m_szPath, "fx\\a.fxc");
    EXPECT_STREQ(b->m_szName, "B");
    EXPECT_EQ(g_EffectMgr.FindEffect("x"), nullptr);
    EXPECT_EQ(g_EffectMgr.FindEffect(".hidden"), nullptr);
    EXPECT_EQ(g_EffectMgr.FindEffect("notes"), nullptr);
    // Newest first: the list holds exactly the two, in reverse loading order.
    EXPECT_EQ(g_EffectMgr.m_pEffects, b);
    EXPECT_EQ(b->m_pNext, a);
    EXPECT_EQ(a->m_pPrev, b);
    EXPECT_EQ(a->m_pNext, nullptr);

    // Handles: looked up once, null where the effect lacks the name.
    EXPECT_EQ(a->g_mWorld, a->m_pEffect->GetParameterByName(nullptr, "g_mWorld"));
    EXPECT_NE(a->g_mWorld, nullptr);
    EXPECT_EQ(b->g_mWorld, nullptr);
    EXPECT_NE(b->g_fFarClip, nullptr);
    EXPECT_EQ(a->RenderScene, a->m_pEffect->GetTechniqueByName("RenderScene"));
    EXPECT_EQ(a->m_hTechnique, a->RenderScene);
    EXPECT_EQ(a->RenderSceneBase, nullptr);

    // A name loaded again keeps the first record; a short path loads nothing.
    EXPECT_EQ(g_EffectMgr.CreateEffect("A", "fx\\b.fxc"), a);
    EXPECT_EQ(g_EffectMgr.CreateEffect("c", "c.f"), nullptr);
    EXPECT_EQ(g_EffectMgr.FindEffect("c"), nullptr);

    g_EffectMgr.Release();
    EXPECT_EQ(g_EffectMgr.m_pEffects, nullptr);
    EXPECT_EQ(g_EffectMgr.m_bInitialised, 0);
    EXPECT_EQ(g_EffectMgr.FindEffect("a"), nullptr);
}

TEST_F(EffectMgrTest, HandlesFollowTheirFixedOrder)
{
    // Spot checks along the table: its ends, the second light position and
    // the techniques between the parameter runs.
    struct Pinned
    {
        int index;
        D3DXHANDLE EEffect::*field;
        const char* name;
        bool technique;
    };
    const Pinned pinned[] = {
        {0, &EEffect::g_SkyLightDir, "g_SkyLightDir", false},
        {17, &EEffect::g_mWorld, "g_mWorld", false},
        {39, &EEffect::g_vLightPos, "g_vLightPos", false},
        {67, &EEffect::g_vLightPos2, "g_vLightPos", false},
        {102, &EEffect::g_fAdditionalColorSaturation, "g_fAdditionalColorSaturation", false},
        {103, &EEffect::RenderSkinMesh20, "RenderSkinMesh20", true},
        {109, &EEffect::RenderScene, "RenderScene", true},
        {114, &EEffect::RenderSceneAmbientWater20, "RenderSceneAmbientWater20", true},
        {115, &EEffect::g_fOcclusionData, "g_fOcclusionData", false},
        {117, &EEffect::g_bSelectedInEditor, "g_bSelectedInEditor", false},
    };
    ASSERT_EQ(g_EffectHandleCount, 118);
    for (const Pinned& p : pinned)
    {
        const EEffectHandleName& h = g_EffectHandleNames[p.index];
        EXPECT_TRUE(h.field == p.field) << p.index;
        EXPECT_STREQ(h.name, p.name) << p.index;
        EXPECT_EQ(h.technique, p.technique) << p.index;
    }
    // Fields lie in the record in table order.
    for (int i = 1; i < g_EffectHandleCount; ++i)
    {
        EEffect e;
        const auto* base = reinterpret_cast<const char*>(&e);
        EXPECT_LT(reinterpret_cast<const char*>(&(e.*g_EffectHandleNames[i - 1].field)) - base,
                  reinterpret_cast<const char*>(&(e.*g_EffectHandleNames[i].field)) - base)
            << i;
    }

    // Both fields of g_vLightPos get its handle.
    dir.Write("fx/light.fxc", Effect("float4 g_vLightPos;"));
    g_EffectMgr.Init();
    EEffect* light = g_EffectMgr.FindEffect("light");
    ASSERT_NE(light, nullptr);
    EXPECT_NE(light->g_vLightPos, nullptr);
    EXPECT_EQ(light->g_vLightPos2, light->g_vLightPos);
}

TEST_F(EffectMgrTest, FailuresAreReportedAndTheRestLoad)
{
    dir.Write("fx/good.fxc", Effect("float g_fFarClip;"));
    dir.Write("fx/broken.fxc", "float g_fFarClip;\nfloat4 g_Colour = {1, 2};\n");
    // Its one technique reads what its vertex shader never writes: it does not link.
    dir.Write("fx/unlinked.fxc", "vertexshader VS { void main() { gl_Position = vec4(0.0); } }\n"
                                 "pixelshader PS { in vec2 never; layout(location = 0) out vec4 c;\n"
                                 "  void main() { c = vec4(never, 0.0, 1.0); } }\n"
                                 "technique T { pass { VertexShader = VS; PixelShader = PS; } }\n");
    g_EffectMgr.Init();
    EXPECT_EQ(g_EffectMgr.FindEffect("unlinked"), nullptr);
    EXPECT_TRUE(Logged("effect fx\\unlinked.fxc - no valid technique!")) << ConsoleLog();
    EXPECT_NE(g_EffectMgr.FindEffect("good"), nullptr);
    EXPECT_EQ(g_EffectMgr.FindEffect("broken"), nullptr);
    EXPECT_TRUE(Logged("effect broken (fx\\broken.fxc) create error D3DXERR_INVALIDDATA (2905)!"))
        << ConsoleLog();
    EXPECT_TRUE(Logged("fx\\broken.fxc(2): error: type mismatch")) << ConsoleLog();
    g_EffectMgr.Release();

    // Without a device every file fails with an invalid call.
    IDirect3DDevice9* device = g_pD3DInterface;
    g_pD3DInterface = nullptr;
    EXPECT_EQ(g_EffectMgr.CreateEffect("good", "fx\\good.fxc"), nullptr);
    g_pD3DInterface = device;
    EXPECT_TRUE(Logged("effect good (fx\\good.fxc) create error D3DERR_INVALIDCALL (2156)!")) << ConsoleLog();

    AddEffectParam(nullptr, "g_mWorld");
    EXPECT_TRUE(Logged("AddEffectParam: one of params is NULL"));
}

TEST_F(EffectMgrTest, RecordsAreCountedUnderOneTag)
{
    g_Options.SystemDebug = 1;
    dir.Write("fx/a.fxc", Effect(""));
    dir.Write("fx/b.fxc", Effect(""));
    g_EffectMgr.Init();
    auto count = []
    {
        for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
        {
            if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], "efekt") == 0)
                return g_Debug.m_iCounts[i];
        }
        return DWORD(0);
    };
    EXPECT_EQ(count(), 2u);
    g_EffectMgr.Release();
    EXPECT_EQ(count(), 0u);
    EXPECT_FALSE(Logged("nie ma odpowiednika"));
}

TEST_F(EffectMgrTest, ShippedEffectsLoadAndOutliveADeviceReset)
{
    std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                          std::filesystem::copy_options::recursive);
    g_EffectMgr.Init();
    for (const char* name : {"SimplestMesh", "skylight"})
    {
        EEffect* e = g_EffectMgr.FindEffect(name);
        ASSERT_NE(e, nullptr) << name << "\n" << ConsoleLog();
        EXPECT_NE(e->RenderScene, nullptr) << name;
        EXPECT_NE(e->g_mWorldViewProjection, nullptr) << name;
        EXPECT_NE(e->g_Texture, nullptr) << name;
    }
    EEffect* sky = g_EffectMgr.FindEffect("SKYLIGHT");
    ASSERT_NE(sky, nullptr);
    for (D3DXHANDLE h :
         {sky->g_SkyLightDir, sky->g_SkyLightDiffuse, sky->g_AmbientLightDiffuse, sky->g_mWorld,
          sky->g_bDrawTransparent, sky->g_bDrawTranslucent, sky->g_bUseSkyLight})
        EXPECT_NE(h, nullptr);

    const D3DXVECTOR4 sun(0.0f, 0.0f, -1.0f, 0.0f);
    ASSERT_EQ(sky->m_pEffect->SetVector(sky->g_SkyLightDir, &sun), D3D_OK);
    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    EXPECT_EQ(dev.Reset(), D3DERR_INVALIDCALL);
    g_EffectMgr.OnLostDevice();
    ASSERT_EQ(dev.Reset(), D3D_OK);
    g_EffectMgr.OnResetDevice();

    UINT passes = 0;
    ASSERT_EQ(sky->m_pEffect->SetTechnique(sky->RenderScene), D3D_OK);
    ASSERT_EQ(sky->m_pEffect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(sky->m_pEffect->BeginPass(0), D3D_OK);
    auto state = TkEffectCurrentDrawState(dev.device);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->Floats("g_SkyLightDir"), (std::vector<float>{0, 0, -1, 0}));
    ASSERT_EQ(sky->m_pEffect->EndPass(), D3D_OK);
    ASSERT_EQ(sky->m_pEffect->End(), D3D_OK);
}

} // namespace
