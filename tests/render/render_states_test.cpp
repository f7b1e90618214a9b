// The render-state cache: the modes' state sequences and effect flags, culling
// written only on a change, sampler defaults, and one effect pass at a time.

#include "render_fixture.h"

#include "render/EffectMgr.h"
#include "support/UnusedEffect.h"
#include "render/RenderStates.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// An effect that writes down what it is asked, and fails where told to.
class RecordingEffect : public UnusedEffect
{
public:
    explicit RecordingEffect(std::vector<std::string>* log, const char* name) : m_log(log), m_name(name) {}
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    D3DXHANDLE GetTechniqueByName(LPCSTR name) override
    {
        Note(std::string("GetTechniqueByName ") + name);
        return name;
    }
    HRESULT SetTechnique(D3DXHANDLE technique) override
    {
        Note(std::string("SetTechnique ") + (technique ? technique : "null"));
        return failTechnique ? D3DERR_INVALIDCALL : D3D_OK;
    }
    HRESULT Begin(UINT* passes, DWORD) override
    {
        Note("Begin");
        *passes = 1;
        return D3D_OK;
    }
    HRESULT BeginPass(UINT pass) override
    {
        Note("BeginPass " + std::to_string(pass));
        return failPass ? D3DERR_INVALIDCALL : D3D_OK;
    }
    HRESULT EndPass() override { return Note("EndPass"), D3D_OK; }
    HRESULT End() override { return Note("End"), D3D_OK; }
    HRESULT SetBool(D3DXHANDLE parameter, BOOL value) override
    {
        Note(std::string(parameter) + (value ? " TRUE" : " FALSE"));
        return D3D_OK;
    }

    bool failTechnique = false;
    bool failPass = false;

private:
    void Note(const std::string& what) { m_log->push_back(m_name + ": " + what); }
    std::vector<std::string>* m_log;
    std::string m_name;
};

class RenderStatesTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        g_RenderStates = ERenderStates();
        // The record as the effect manager fills it: each handle is the
        // recording effect's answer for its name, so a call through a stored
        // handle is logged under that name.
        for (int i = 0; i < g_EffectHandleCount; ++i)
            record.*(g_EffectHandleNames[i].field) = g_EffectHandleNames[i].name;
        record.m_pEffect = &effect;
    }

    DWORD RS(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0;
        EXPECT_EQ(device->GetRenderState(state, &value), D3D_OK);
        return value;
    }

    std::vector<std::string> log;
    RecordingEffect effect{&log, "A"};
    RecordingEffect other{&log, "B"};
    EEffect record{};
};

TEST_F(RenderStatesTest, AlphaTestAfterBlendingTurnsBlendingOffFirst)
{
    g_RenderStates.AlphaBlendOn(&record);
    EXPECT_EQ(RS(D3DRS_ZWRITEENABLE), DWORD(FALSE));
    EXPECT_EQ(RS(D3DRS_ALPHAREF), 0u);
    log.clear();

    g_RenderStates.AlphaTestOn(&record);
    EXPECT_EQ(log, (std::vector<std::string>{"A: g_bDrawTranslucent FALSE", "A: g_bDrawTransparent TRUE"}));
    EXPECT_EQ(RS(D3DRS_ZWRITEENABLE), DWORD(TRUE));
    EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    EXPECT_EQ(RS(D3DRS_ALPHAREF), 128u);
    EXPECT_EQ(RS(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATER));
    EXPECT_EQ(RS(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RS(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_TRUE(g_RenderStates.m_bAlphaTest);
    EXPECT_FALSE(g_RenderStates.m_bAlphaBlend);

    log.clear();
    g_RenderStates.AlphaBlendOn(&record);
    EXPECT_EQ(log, (std::vector<std::string>{"A: g_bDrawTransparent FALSE", "A: g_bDrawTranslucent TRUE"}));
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
    EXPECT_EQ(RS(D3DRS_ALPHAFUNC), DWORD(D3DCMP_ALWAYS));
    EXPECT_FALSE(g_RenderStates.m_bAlphaTest);
}

TEST_F(RenderStatesTest, OffSwitchesAlwaysWriteTheirStates)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    g_RenderStates.AlphaBlendOff(&record);
    EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(RS(D3DRS_ZWRITEENABLE), DWORD(TRUE));
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    g_RenderStates.AlphaTestOff(nullptr);
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
    EXPECT_EQ(RS(D3DRS_ALPHAFUNC), DWORD(D3DCMP_ALWAYS));
}

TEST_F(RenderStatesTest, CullingIsWrittenOnlyWhenItChanges)
{
    // A state changed behind the cache's back shows which calls wrote it.
    g_RenderStates.EnableCulling(true);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    g_RenderStates.EnableCulling(true);
    EXPECT_EQ(RS(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    g_RenderStates.EnableCulling(false);
    EXPECT_EQ(RS(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    g_RenderStates.EnableCulling(false);
    EXPECT_EQ(RS(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    g_RenderStates.EnableCulling(true);
    EXPECT_EQ(RS(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    g_RenderStates.SetCullCCW();
    EXPECT_TRUE(g_RenderStates.m_bCulling);
}

TEST_F(RenderStatesTest, SamplerDefaultsStopAtSixteenAndFollowTheTextureQuality)
{
    for (DWORD s = 0; s < 16; ++s)
        device->SetSamplerState(s, D3DSAMP_MAXANISOTROPY, 1);
    g_Options.VideoLevel1 = 1;
    g_Options.VideoLevel3 = 2;
    g_RenderStates.SetSamplerDefaults(20);
    DWORD value = 0;
    for (DWORD s : {0u, 15u})
    {
        device->GetSamplerState(s, D3DSAMP_MAXANISOTROPY, &value);
        EXPECT_EQ(value, 8u);
        device->GetSamplerState(s, D3DSAMP_MINFILTER, &value);
        EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
        device->GetSamplerState(s, D3DSAMP_ADDRESSV, &value);
        EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
    }
    g_Options.VideoLevel1 = 0;
    g_RenderStates.SetSamplerDefaults(2);
    device->GetSamplerState(1, D3DSAMP_MIPFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_ANISOTROPIC));
    device->GetSamplerState(2, D3DSAMP_MIPFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
}

TEST_F(RenderStatesTest, TexturesGoOnlyToTheSixteenStages)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    // Every sampler the device has: the sixteen pixel stages, the
    // displacement map and the four vertex samplers.
    std::vector<DWORD> samplers;
    for (DWORD s = 0; s < 16; ++s)
        samplers.push_back(s);
    samplers.insert(samplers.end(), {D3DDMAPSAMPLER, D3DVERTEXTEXTURESAMPLER0, D3DVERTEXTEXTURESAMPLER1,
                                     D3DVERTEXTEXTURESAMPLER2, D3DVERTEXTEXTURESAMPLER3});
    const auto bound = [&](DWORD s)
    {
        IDirect3DBaseTexture9* t = nullptr;
        device->GetTexture(s, &t);
        if (t)
            t->Release();
        return t;
    };
    for (DWORD s : samplers)
        ASSERT_EQ(bound(s), nullptr) << s;
    // Stages past the sixteenth (a wrap-around or the special samplers'
    // numbers) reach no sampler at all.
    for (DWORD stage : {16u, 17u, 31u, DWORD(D3DVERTEXTEXTURESAMPLER0), DWORD(D3DDMAPSAMPLER)})
    {
        g_RenderStates.SetTexture(stage, texture);
        g_RenderStates.SetTexture2(stage, texture);
        for (DWORD s : samplers)
            EXPECT_EQ(bound(s), nullptr) << "stage " << stage << " reached sampler " << s;
    }
    // The last of the sixteen does take it.
    g_RenderStates.SetTexture2(15, texture);
    EXPECT_EQ(bound(15), texture);
    g_RenderStates.SetTexture(15, nullptr);
    texture->Release();
}

TEST_F(RenderStatesTest, OneEffectPassIsOpenAtATimeAndTheCacheEndsTheOneItBegan)
{
    ASSERT_TRUE(g_RenderStates.BeginEffect(&effect, "RenderScene", true));
    EXPECT_FALSE(g_RenderStates.m_bAlphaTest);
    EXPECT_TRUE(g_RenderStates.m_bEffectActive);
    ASSERT_TRUE(g_RenderStates.BeginEffectByName(&other, "RenderSceneBase", false));
    g_RenderStates.EndEffect(&other);
    g_RenderStates.EndEffect(&other);
    EXPECT_EQ(log, (std::vector<std::string>{"A: SetTechnique RenderScene", "A: Begin", "A: BeginPass 0",
                                             "B: GetTechniqueByName RenderSceneBase", "A: EndPass", "A: End",
                                             "B: SetTechnique RenderSceneBase", "B: Begin", "B: BeginPass 0",
                                             "B: EndPass", "B: End"}));
    EXPECT_FALSE(g_RenderStates.m_bEffectActive);
    EXPECT_EQ(g_RenderStates.m_hTechnique, nullptr);
}

TEST_F(RenderStatesTest, AFailedBeginLeavesNoEffectBegun)
{
    EXPECT_FALSE(g_RenderStates.BeginEffect(nullptr, "x", false));
    EXPECT_FALSE(g_RenderStates.BeginEffectByName(nullptr, "x", false));

    effect.failPass = true;
    EXPECT_FALSE(g_RenderStates.BeginEffect(&effect, "RenderScene", false));
    EXPECT_EQ(log, (std::vector<std::string>{"A: SetTechnique RenderScene", "A: Begin", "A: BeginPass 0",
                                             "A: End"}));
    EXPECT_FALSE(g_RenderStates.m_bEffectActive);

    log.clear();
    other.failTechnique = true;
    EXPECT_FALSE(g_RenderStates.BeginEffect(&other, "Missing", false));
    EXPECT_EQ(log, (std::vector<std::string>{"B: SetTechnique Missing"}));
    g_RenderStates.EndEffect(&other);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(RenderStatesTest, ATechniqueBegunWithAResetEndsTheAlphaTestOfTheMaterialBefore)
{
    // A cut-out material, then a technique switch before an opaque one: the
    // device, the shader's flag and the record all end up without alpha
    // testing, so the opaque material is not cut.
    g_RenderStates.AlphaTestOn(&record);
    ASSERT_EQ(RS(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    log.clear();
    ASSERT_TRUE(g_RenderStates.BeginEffect(&effect, "RenderScene1", true));
    EXPECT_FALSE(g_RenderStates.m_bAlphaTest);
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
    EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_NE(std::find(log.begin(), log.end(), "A: g_bDrawTransparent FALSE"), log.end());
    // Without a reset the cut-out state stays for the next material of its kind.
    g_RenderStates.AlphaTestOn(&record);
    ASSERT_TRUE(g_RenderStates.BeginEffect(&effect, "RenderScene", false));
    EXPECT_TRUE(g_RenderStates.m_bAlphaTest);
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    g_RenderStates.EndEffect(&effect);
}

} // namespace
