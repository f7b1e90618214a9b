// Effects drawing on the device: a textured mesh through the shipped
// "skylight" RenderScene technique, read back by its pixels; what the draw log
// keeps of the effect per draw; drawing again after a device loss and reset.

#include "support/BuildPaths.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/Effect.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace
{

struct MeshVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

const D3DVERTEXELEMENT9 kMeshElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

constexpr UINT kWidth = 64;
constexpr UINT kHeight = 48;
constexpr D3DCOLOR kTexel = 0xFFC86428; // 200, 100, 40

// Two clockwise quads side by side at depth 0.5: the left one faces the
// viewer (normal -z), the right one faces away (normal +z).
std::vector<MeshVertex> TwoQuads()
{
    std::vector<MeshVertex> v;
    auto quad = [&](float left, float right, float nz)
    {
        const MeshVertex tl{left, 0.8f, 0.5f, 0, 0, nz, 0, 0}, tr{right, 0.8f, 0.5f, 0, 0, nz, 1, 0};
        const MeshVertex br{right, -0.8f, 0.5f, 0, 0, nz, 1, 1}, bl{left, -0.8f, 0.5f, 0, 0, nz, 0, 1};
        for (const MeshVertex& m : {tl, tr, br, tl, br, bl})
            v.push_back(m);
    };
    quad(-0.9f, -0.1f, -1.0f);
    quad(0.1f, 0.9f, 1.0f);
    return v;
}

class EffectDrawTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        params = WindowedParams(kWidth, kHeight);
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        ID3DXBuffer* errors = nullptr;
        ASSERT_EQ(D3DXCreateEffectFromFileA(device, "fx\\skylight.fxc", nullptr, nullptr,
                                            D3DXSHADER_OPTIMIZATION_LEVEL3 | D3DXFX_NOT_CLONEABLE, nullptr,
                                            &effect, &errors),
                  D3D_OK)
            << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        ASSERT_EQ(device->CreateVertexDeclaration(kMeshElements, &decl), D3D_OK);
        ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT rect;
        ASSERT_EQ(texture->LockRect(0, &rect, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                std::memcpy(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch + x * 4, &kTexel, 4);
        texture->UnlockRect(0);

        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        ASSERT_EQ(effect->SetMatrix("g_mWorld", &identity), D3D_OK);
        ASSERT_EQ(effect->SetMatrix("g_mWorldViewProjection", &identity), D3D_OK);
        ASSERT_EQ(effect->SetTexture("g_Texture", texture), D3D_OK);
        // The sun's light travels away from the viewer, onto the face turned to it.
        const D3DXVECTOR4 intoTheScreen(0, 0, 1, 0), sun(0.5f, 0.5f, 0.5f, 0),
            ambient(0.25f, 0.25f, 0.25f, 1);
        ASSERT_EQ(effect->SetVector("g_SkyLightDir", &intoTheScreen), D3D_OK);
        ASSERT_EQ(effect->SetVector("g_SkyLightDiffuse", &sun), D3D_OK);
        ASSERT_EQ(effect->SetVector("g_AmbientLightDiffuse", &ambient), D3D_OK);
    }

    void TearDown() override
    {
        if (effect)
            effect->Release();
        if (decl)
            decl->Release();
        if (texture)
            texture->Release();
        ReleaseHeadlessDevice(d3d, device);
    }

    void DrawScene()
    {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
        const std::vector<MeshVertex> quads = TwoQuads();
        ASSERT_EQ(effect->SetTechnique("RenderScene"), D3D_OK);
        UINT passes = 0;
        ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
        for (UINT p = 0; p < passes; ++p)
        {
            ASSERT_EQ(effect->BeginPass(p), D3D_OK);
            ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 4, quads.data(), sizeof(MeshVertex)),
                      D3D_OK)
                << TkGetLastShaderLog(device);
            ASSERT_EQ(effect->EndPass(), D3D_OK);
        }
        ASSERT_EQ(effect->End(), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    D3DCOLOR Pixel(UINT x, UINT y)
    {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DCOLOR c = 0;
        EXPECT_TRUE(TkD3D9ReadPixel(back, x, y, &c));
        back->Release();
        return c;
    }

    // Each channel within 3 of the texel scaled by `light`.
    void ExpectLit(D3DCOLOR c, float light)
    {
        const int channels[3] = {int((kTexel >> 16) & 0xFF), int((kTexel >> 8) & 0xFF), int(kTexel & 0xFF)};
        const int got[3] = {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
        for (int i = 0; i < 3; ++i)
            EXPECT_LE(std::abs(got[i] - int(channels[i] * light + 0.5f)), 3)
                << std::hex << c << " channel " << i;
    }

    TempDir dir;
    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXEffect* effect = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DTexture9* texture = nullptr;
};

TEST_F(EffectDrawTest, SkylightLightsTheFaceTurnedToTheSun)
{
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    ASSERT_NO_FATAL_FAILURE(DrawScene());
    // Lit: ambient plus the full sun; turned away: ambient only.
    ExpectLit(Pixel(kWidth / 4, kHeight / 2), 0.75f);
    ExpectLit(Pixel(kWidth * 3 / 4, kHeight / 2), 0.25f);
    EXPECT_EQ(Pixel(kWidth / 2, kHeight / 2) & 0xFFFFFF, 0u);
    EXPECT_EQ(Pixel(1, 1) & 0xFFFFFF, 0u);

    // The log keeps the effect, technique, pass and values with the draw.
    const std::vector<TkDrawRecord>& log = TkD3D9GetDrawLog(device, TkFrame::Current);
    ASSERT_FALSE(log.empty());
    const TkDrawRecord& draw = log.back();
    ASSERT_NE(draw.effect, nullptr);
    EXPECT_EQ(draw.effect->effect, effect);
    EXPECT_EQ(draw.effect->file, "fx\\skylight.fxc");
    EXPECT_EQ(draw.effect->technique, "RenderScene");
    EXPECT_EQ(draw.effect->pass, "P0");
    EXPECT_EQ(draw.effect->Floats("g_SkyLightDiffuse"), (std::vector<float>{0.5f, 0.5f, 0.5f, 0}));
    EXPECT_EQ(draw.RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    EXPECT_EQ(draw.textures[0], texture);

    // End put back what the pass changed.
    DWORD cull = 0, zfunc = 0;
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    device->GetRenderState(D3DRS_ZFUNC, &zfunc);
    EXPECT_EQ(cull, DWORD(D3DCULL_NONE));
    EXPECT_EQ(zfunc, DWORD(D3DCMP_ALWAYS));
    IDirect3DVertexShader9* vs = nullptr;
    device->GetVertexShader(&vs);
    EXPECT_EQ(vs, nullptr);
}

TEST_F(EffectDrawTest, AParameterChangedInsideThePassReachesTheNextDraw)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
    const std::vector<MeshVertex> quads = TwoQuads();
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quads.data(), sizeof(MeshVertex)), D3D_OK);
    // The right quad, with the sun turned towards its face and committed.
    const D3DXVECTOR4 away(0, 0, -1, 0); // towards the viewer, onto the right face
    ASSERT_EQ(effect->SetVector("g_SkyLightDir", &away), D3D_OK);
    ASSERT_EQ(effect->CommitChanges(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quads.data() + 6, sizeof(MeshVertex)), D3D_OK);
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ExpectLit(Pixel(kWidth / 4, kHeight / 2), 0.75f);
    ExpectLit(Pixel(kWidth * 3 / 4, kHeight / 2), 0.75f);

    const std::vector<TkDrawRecord>& log = TkD3D9GetDrawLog(device, TkFrame::Current);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].effect->Floats("g_SkyLightDir"), (std::vector<float>{0, 0, 1, 0}));
    EXPECT_EQ(log.back().effect->Floats("g_SkyLightDir"), (std::vector<float>{0, 0, -1, 0}));
}

TEST_F(EffectDrawTest, EffectsKeepDrawingAfterALossAndReset)
{
    ASSERT_NO_FATAL_FAILURE(DrawScene());
    const D3DCOLOR lit = Pixel(kWidth / 4, kHeight / 2);
    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->OnLostDevice(), D3D_OK);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    ASSERT_EQ(effect->OnResetDevice(), D3D_OK);
    // No parameter is set again: the effect keeps them through the reset.
    ASSERT_NO_FATAL_FAILURE(DrawScene());
    EXPECT_EQ(Pixel(kWidth / 4, kHeight / 2), lit);
    ExpectLit(Pixel(kWidth * 3 / 4, kHeight / 2), 0.25f);
}

TEST_F(EffectDrawTest, ShaderErrorsNameTheFileAndLineAndUnlinkedTechniquesAreInvalid)
{
    dir.Write("fx/lib.glsl", "vec4 Broken()\n{\n    return undefinedThing;\n}\n");
    dir.Write("fx/glsl.fxc", "float g_f;\n"
                             "vertexshader VS { void main() { gl_Position = vec4(g_f); } }\n"
                             "pixelshader PS {\n"
                             "#include \"lib.glsl\"\n"
                             "  layout(location = 0) out vec4 c;\n"
                             "  void main() { c = Broken(); }\n"
                             "}\n"
                             "technique T { pass { VertexShader = VS; PixelShader = PS; } }\n");
    ID3DXEffect* bad = nullptr;
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXCreateEffectFromFileA(device, "fx\\glsl.fxc", nullptr, nullptr, 0, nullptr, &bad, &errors),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(bad, nullptr);
    ASSERT_NE(errors, nullptr);
    const std::string text = static_cast<const char*>(errors->GetBufferPointer());
    errors->Release();
    EXPECT_NE(text.find("fx\\glsl.fxc(3): error: pixel shader 'PS' does not compile"), std::string::npos)
        << text;
    // The compiler's own line points into the included file.
    EXPECT_NE(text.find("fx\\lib.glsl(3)"), std::string::npos) << text;

    // A pixel shader reading what the vertex shader never writes does not link.
    dir.Write("fx/link.fxc",
              "vertexshader VS { out vec3 written; void main() { written = vec3(0.0); gl_Position = "
              "vec4(0.0); } }\n"
              "pixelshader PS { in vec2 neverWritten; layout(location = 0) out vec4 c;\n"
              "  void main() { c = vec4(neverWritten, 0.0, 1.0); } }\n"
              "pixelshader Fine { layout(location = 0) out vec4 c; void main() { c = vec4(1.0); } }\n"
              "technique Unlinked { pass { VertexShader = VS; PixelShader = PS; } }\n"
              "technique Linked { pass { VertexShader = VS; PixelShader = Fine; } }\n");
    ID3DXEffect* link = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileA(device, "fx\\link.fxc", nullptr, nullptr, 0, nullptr, &link, nullptr),
              D3D_OK);
    EXPECT_EQ(link->ValidateTechnique("Unlinked"), D3DERR_INVALIDCALL);
    EXPECT_EQ(link->ValidateTechnique("Linked"), D3D_OK);
    D3DXHANDLE first = nullptr;
    ASSERT_EQ(link->FindNextValidTechnique(nullptr, &first), D3D_OK);
    EXPECT_EQ(first, link->GetTechniqueByName("Linked"));
    ASSERT_EQ(link->SetTechnique("Unlinked"), D3D_OK);
    UINT passes = 0;
    EXPECT_EQ(link->Begin(&passes, 0), D3DERR_INVALIDCALL);
    link->Release();
}

} // namespace
