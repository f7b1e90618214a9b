// ID3DXEffect on the headless device: creation and its errors, parameters,
// annotations and techniques by handle and by name, values and their type
// checks, the pass calls with the states they save and put back, what a pass
// commits to the shaders, and device loss.

#include "platform/d3dx/Effect.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace
{

const char* kEffect = R"(// a test effect
float4x4 g_mWorld : WORLD;
float4 g_Colour < string UIName = "Colour"; float UIMax = 2.0; int Steps = 8; > = {1, 0.5, 0.25, 1};
float g_fScale = 2.0;
int g_iCount = 3;
bool g_bOn = true;
float4 g_Taps[4] < string Convert = "g_fTexel"; >;
float g_fTexel[7];
float4x4 g_mBones[3];
texture g_Texture;
texture g_Other;
string g_Name = "banner";

sampler Diffuse = sampler_state { Texture = <g_Texture>; MinFilter = Point; AddressU = Clamp; };
sampler Other = sampler_state { Texture = <g_Other>; MagFilter = Point; };

vertexshader VS
{
    layout(location = TK_POSITION) in vec3 inPosition;
    void main() { gl_Position = vec4(inPosition, 1.0) * g_mWorld; }
}
pixelshader PS
{
    layout(location = 0) out vec4 outColour;
    void main() { outColour = g_Colour * g_fScale; }
}

technique Opaque < string Kind = "solid"; >
{
    pass First < float Weight = 0.5; >
    {
        ZFunc = Always;
        CullMode = None;
        VertexShader = VS;
        PixelShader = PS;
    }
    pass Second
    {
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        VertexShader = VS;
        PixelShader = PS;
    }
}
technique Plain
{
    pass { VertexShader = VS; PixelShader = PS; }
}
)";

class EffectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        params = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        dir.Write("fx/test.fxc", kEffect);
        ASSERT_EQ(Create("fx\\TEST.fxc", &effect), D3D_OK);
        ASSERT_NE(effect, nullptr);
    }

    void TearDown() override
    {
        if (effect)
        {
            EXPECT_EQ(effect->Release(), 0u);
        }
        ReleaseHeadlessDevice(d3d, device);
    }

    HRESULT Create(const char* file, ID3DXEffect** out, std::string* messages = nullptr)
    {
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = D3DXCreateEffectFromFileA(device, file, nullptr, nullptr, D3DXFX_NOT_CLONEABLE, nullptr,
                                               out, &errors);
        if (errors)
        {
            if (messages)
                *messages = static_cast<const char*>(errors->GetBufferPointer());
            errors->Release();
        }
        return hr;
    }

    DWORD RenderState(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0;
        EXPECT_EQ(device->GetRenderState(state, &value), D3D_OK);
        return value;
    }

    IDirect3DTexture9* MakeTexture()
    {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        return texture;
    }

    TempDir dir;
    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXEffect* effect = nullptr;
};

TEST_F(EffectTest, ParametersAndAnnotationsByHandleAndByName)
{
    D3DXEFFECT_DESC desc;
    ASSERT_EQ(effect->GetDesc(&desc), D3D_OK);
    ASSERT_EQ(desc.Parameters, 11u);
    EXPECT_EQ(desc.Techniques, 2u);

    // Handles are stable, and a name serves wherever a handle does.
    D3DXHANDLE colour = effect->GetParameterByName(nullptr, "g_Colour");
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "g_Colour"), colour);
    EXPECT_EQ(effect->GetParameter(nullptr, 1), colour);
    EXPECT_EQ(effect->GetParameterBySemantic(nullptr, "world"), effect->GetParameter(nullptr, 0));
    EXPECT_EQ(effect->GetParameterByName(nullptr, "g_colour"), nullptr);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "missing"), nullptr);
    EXPECT_EQ(effect->GetParameter(nullptr, desc.Parameters), nullptr);

    struct Shape
    {
        const char* name;
        D3DXPARAMETER_CLASS cls;
        D3DXPARAMETER_TYPE type;
        UINT rows, columns, elements, annotations, bytes;
    };
    const Shape shapes[] = {
        {"g_mWorld", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4, 0, 0, 64},
        {"g_Colour", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 0, 3, 16},
        {"g_fScale", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0, 0, 4},
        {"g_iCount", D3DXPC_SCALAR, D3DXPT_INT, 1, 1, 0, 0, 4},
        {"g_bOn", D3DXPC_SCALAR, D3DXPT_BOOL, 1, 1, 0, 0, 4},
        {"g_Taps", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 4, 1, 64},
        {"g_mBones", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4, 3, 0, 192},
        {"g_Texture", D3DXPC_OBJECT, D3DXPT_TEXTURE, 1, 1, 0, 0, sizeof(void*)},
        {"g_Name", D3DXPC_OBJECT, D3DXPT_STRING, 1, 1, 0, 0, sizeof(void*)},
    };
    for (const Shape& s : shapes)
    {
        D3DXPARAMETER_DESC d;
        ASSERT_EQ(effect->GetParameterDesc(s.name, &d), D3D_OK) << s.name;
        EXPECT_STREQ(d.Name, s.name);
        EXPECT_EQ(d.Class, s.cls) << s.name;
        EXPECT_EQ(d.Type, s.type) << s.name;
        EXPECT_EQ(d.Rows, s.rows) << s.name;
        EXPECT_EQ(d.Columns, s.columns) << s.name;
        EXPECT_EQ(d.Elements, s.elements) << s.name;
        EXPECT_EQ(d.Annotations, s.annotations) << s.name;
        EXPECT_EQ(d.Bytes, s.bytes) << s.name;
    }

    // Annotations: by index and name, read with the getters.
    D3DXHANDLE ui = effect->GetAnnotationByName(colour, "UIName");
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(effect->GetAnnotation(colour, 0), ui);
    LPCSTR text = nullptr;
    ASSERT_EQ(effect->GetString(ui, &text), D3D_OK);
    EXPECT_STREQ(text, "Colour");
    FLOAT max = 0;
    EXPECT_EQ(effect->GetFloat(effect->GetAnnotationByName("g_Colour", "UIMax"), &max), D3D_OK);
    EXPECT_FLOAT_EQ(max, 2.0f);
    INT steps = 0;
    EXPECT_EQ(effect->GetInt(effect->GetAnnotation(colour, 2), &steps), D3D_OK);
    EXPECT_EQ(steps, 8);
    EXPECT_EQ(effect->GetAnnotation(colour, 3), nullptr);
    // An annotation is read-only, and is no parameter of the effect.
    EXPECT_EQ(effect->SetFloat(effect->GetAnnotation(colour, 1), 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "UIMax"), nullptr);

    // The post-processing walk: a string annotation names another parameter.
    for (UINT i = 0; D3DXHANDLE p = effect->GetParameter(nullptr, i); ++i)
    {
        D3DXHANDLE convert = effect->GetAnnotationByName(p, "Convert");
        if (!convert)
            continue;
        ASSERT_EQ(effect->GetString(convert, &text), D3D_OK);
        EXPECT_NE(effect->GetParameterByName(nullptr, text), nullptr);
    }
    ASSERT_EQ(effect->GetString("g_Name", &text), D3D_OK);
    EXPECT_STREQ(text, "banner");

    // Techniques and passes.
    D3DXHANDLE opaque = effect->GetTechniqueByName("Opaque");
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(effect->GetTechnique(0), opaque);
    EXPECT_EQ(effect->GetTechniqueByName("Missing"), nullptr);
    D3DXTECHNIQUE_DESC t;
    ASSERT_EQ(effect->GetTechniqueDesc("Plain", &t), D3D_OK);
    EXPECT_EQ(t.Passes, 1u);
    ASSERT_EQ(effect->GetString(effect->GetAnnotationByName(opaque, "Kind"), &text), D3D_OK);
    EXPECT_STREQ(text, "solid");
    D3DXHANDLE first = effect->GetPass(opaque, 0);
    EXPECT_EQ(effect->GetPassByName(opaque, "First"), first);
    EXPECT_EQ(effect->GetAnnotationByName(first, "Weight"), effect->GetAnnotation(first, 0));
    D3DXPASS_DESC pass;
    ASSERT_EQ(effect->GetPassDesc(first, &pass), D3D_OK);
    EXPECT_STREQ(pass.Name, "First");
    // The shader text the device gets: our declarations, then the file's code.
    std::string glsl = reinterpret_cast<const char*>(pass.pVertexShaderFunction);
    EXPECT_EQ(glsl.rfind("#version 450 core\n", 0), 0u);
    EXPECT_NE(glsl.find("uniform mat4 g_mWorld;"), std::string::npos);
    EXPECT_NE(glsl.find("uniform vec4 g_Taps[4];"), std::string::npos);
    EXPECT_NE(glsl.find("uniform sampler2D Diffuse;"), std::string::npos);
    EXPECT_NE(glsl.find("gl_Position = vec4(inPosition, 1.0) * g_mWorld;"), std::string::npos);
    // A technique handle is no parameter, and a parameter no technique.
    EXPECT_EQ(effect->GetParameterDesc(opaque, nullptr), D3DERR_INVALIDCALL);
    D3DXPARAMETER_DESC d;
    EXPECT_EQ(effect->GetParameterDesc(opaque, &d), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique(colour), D3DERR_INVALIDCALL);
}

TEST_F(EffectTest, ValuesRoundTripAndWrongTypesOrSizesAreRefused)
{
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i)
        m.m[i / 4][i % 4] = float(i + 1);
    ASSERT_EQ(effect->SetMatrix("g_mWorld", &m), D3D_OK);
    D3DXMATRIX back;
    ASSERT_EQ(effect->GetMatrix("g_mWorld", &back), D3D_OK);
    EXPECT_EQ(std::memcmp(&back, &m, sizeof m), 0);
    ASSERT_EQ(effect->GetMatrixTranspose("g_mWorld", &back), D3D_OK);
    EXPECT_EQ(back.m[0][1], m.m[1][0]);
    ASSERT_EQ(effect->SetMatrixTranspose("g_mWorld", &m), D3D_OK);
    ASSERT_EQ(effect->GetMatrix("g_mWorld", &back), D3D_OK);
    EXPECT_EQ(back.m[3][0], m.m[0][3]);

    D3DXVECTOR4 v(0.1f, 0.2f, 0.3f, 0.4f), vb;
    ASSERT_EQ(effect->SetVector("g_Colour", &v), D3D_OK);
    ASSERT_EQ(effect->GetVector("g_Colour", &vb), D3D_OK);
    EXPECT_FLOAT_EQ(vb.z, 0.3f);
    // A scalar takes a vector's first component.
    ASSERT_EQ(effect->SetVector("g_fScale", &v), D3D_OK);
    FLOAT f = 0;
    ASSERT_EQ(effect->GetFloat("g_fScale", &f), D3D_OK);
    EXPECT_FLOAT_EQ(f, 0.1f);

    // Scalars convert between bool, int and float as D3DX does.
    ASSERT_EQ(effect->SetFloat("g_iCount", 7.9f), D3D_OK);
    INT n = 0;
    ASSERT_EQ(effect->GetInt("g_iCount", &n), D3D_OK);
    EXPECT_EQ(n, 7);
    ASSERT_EQ(effect->SetInt("g_bOn", 5), D3D_OK);
    BOOL b = FALSE;
    ASSERT_EQ(effect->GetBool("g_bOn", &b), D3D_OK);
    EXPECT_EQ(b, TRUE);
    ASSERT_EQ(effect->SetFloat("g_iCount", 1e30f), D3D_OK);
    ASSERT_EQ(effect->GetInt("g_iCount", &n), D3D_OK);
    EXPECT_EQ(n, INT32_MAX);

    // Arrays: fewer elements than the array holds change only those.
    const float texel[7] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(effect->SetFloatArray("g_fTexel", texel, 7), D3D_OK);
    const D3DXVECTOR4 taps[2] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    ASSERT_EQ(effect->SetVectorArray("g_Taps", taps, 2), D3D_OK);
    D3DXVECTOR4 tapsBack[4];
    ASSERT_EQ(effect->GetVectorArray("g_Taps", tapsBack, 4), D3D_OK);
    EXPECT_FLOAT_EQ(tapsBack[1].w, 8.0f);
    EXPECT_FLOAT_EQ(tapsBack[2].x, 0.0f);
    D3DXMATRIX bones[3] = {m, m, m};
    bones[2].m[3][3] = 99.0f;
    ASSERT_EQ(effect->SetMatrixArray("g_mBones", bones, 3), D3D_OK);
    float words[48];
    ASSERT_EQ(effect->GetFloatArray("g_mBones", words, 48), D3D_OK);
    EXPECT_FLOAT_EQ(words[47], 99.0f);

    // SetValue takes exactly the parameter's size.
    const float colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    EXPECT_EQ(effect->SetValue("g_Colour", colour, sizeof colour), D3D_OK);
    EXPECT_EQ(effect->SetValue("g_Colour", colour, 12), D3DERR_INVALIDCALL);

    struct Refused
    {
        const char* what;
        HRESULT hr;
    };
    const Refused refused[] = {
        {"matrix into a vector", effect->SetMatrix("g_Colour", &m)},
        {"matrix into an array", effect->SetMatrix("g_mBones", &m)},
        {"too many matrices", effect->SetMatrixArray("g_mBones", bones, 4)},
        {"vector into a matrix", effect->SetVector("g_mWorld", &v)},
        {"too many vectors", effect->SetVectorArray("g_Taps", taps, 5)},
        {"float into a vector", effect->SetFloat("g_Colour", 1.0f)},
        {"float into a texture", effect->SetFloat("g_Texture", 1.0f)},
        {"too many floats", effect->SetFloatArray("g_fTexel", words, 8)},
        {"bool into a string", effect->SetBool("g_Name", TRUE)},
        {"texture into a float", effect->SetTexture("g_fScale", nullptr)},
        {"value into a string", effect->SetValue("g_Name", colour, sizeof(void*))},
        {"unknown name", effect->SetFloat("g_fMissing", 1.0f)},
        {"null handle", effect->SetFloat(nullptr, 1.0f)},
        {"null data", effect->SetVector("g_Colour", nullptr)},
    };
    for (const Refused& r : refused)
        EXPECT_EQ(r.hr, D3DERR_INVALIDCALL) << r.what;

    // A texture parameter holds its texture.
    IDirect3DTexture9* texture = MakeTexture();
    ASSERT_EQ(effect->SetTexture("g_Texture", texture), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 3u);
    texture->Release();
    IDirect3DBaseTexture9* held = nullptr;
    ASSERT_EQ(effect->GetTexture("g_Texture", &held), D3D_OK);
    EXPECT_EQ(held, texture);
    held->Release();
    ASSERT_EQ(effect->SetTexture("g_Texture", nullptr), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(EffectTest, TechniquesAreChosenByHandleOrName)
{
    D3DXHANDLE first = nullptr, next = nullptr;
    ASSERT_EQ(effect->FindNextValidTechnique(nullptr, &first), D3D_OK);
    EXPECT_EQ(first, effect->GetTechniqueByName("Opaque"));
    ASSERT_EQ(effect->FindNextValidTechnique(first, &next), D3D_OK);
    EXPECT_EQ(next, effect->GetTechniqueByName("Plain"));
    EXPECT_EQ(effect->FindNextValidTechnique(next, &next), S_FALSE);
    EXPECT_EQ(next, nullptr);
    EXPECT_EQ(effect->ValidateTechnique("Plain"), D3D_OK);

    EXPECT_EQ(effect->GetCurrentTechnique(), first);
    EXPECT_EQ(effect->SetTechnique("Missing"), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->GetCurrentTechnique(), first);
    ASSERT_EQ(effect->SetTechnique("Plain"), D3D_OK);
    EXPECT_EQ(effect->GetCurrentTechnique(), effect->GetTechnique(1));
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    // The technique cannot change while it runs.
    EXPECT_EQ(effect->SetTechnique("Opaque"), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->End(), D3D_OK);
}

TEST_F(EffectTest, PassCallsOutOfOrderAreRefused)
{
    UINT passes = 0;
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->BeginPass(2), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->BeginPass(1), D3D_OK);
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->End(), D3D_OK);
    EXPECT_EQ(TkEffectCurrentDrawState(device), nullptr);
}

TEST_F(EffectTest, BeginAndEndPutBackWhatThePassesChange)
{
    IDirect3DTexture9* before = MakeTexture();
    IDirect3DTexture9* mine = MakeTexture();
    ASSERT_EQ(effect->SetTexture("g_Texture", mine), D3D_OK);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetTexture(0, before);

    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_ALWAYS));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    DWORD filter = 0;
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    EXPECT_EQ(filter, DWORD(D3DTEXF_POINT));
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, mine);
    if (bound)
        bound->Release();
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->BeginPass(1), D3D_OK);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK);

    EXPECT_EQ(RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_LESS));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    EXPECT_EQ(filter, DWORD(D3DTEXF_LINEAR));
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, before);
    if (bound)
        bound->Release();

    // Without saving, the pass states stay.
    ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK);
    EXPECT_EQ(RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_ALWAYS));
    // Render states only: samplers keep the pass's values, the rest comes back.
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESAMPLERSTATE), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK); // ends the open pass too
    EXPECT_EQ(RenderState(D3DRS_ZFUNC), DWORD(D3DCMP_LESS));
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    EXPECT_EQ(filter, DWORD(D3DTEXF_POINT));

    device->SetTexture(0, nullptr);
    effect->SetTexture("g_Texture", nullptr);
    EXPECT_EQ(before->Release(), 0u);
    EXPECT_EQ(mine->Release(), 0u);
}

TEST_F(EffectTest, APassCommitsOnlyWhatChanged)
{
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    auto state = TkEffectCurrentDrawState(device);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->effect, effect);
    EXPECT_EQ(state->technique, "Opaque");
    EXPECT_EQ(state->pass, "First");
    EXPECT_EQ(state->passIndex, 0u);
    // The first pass sends every value, defaults included.
    EXPECT_EQ(state->Floats("g_Colour"), (std::vector<float>{1, 0.5f, 0.25f, 1}));
    EXPECT_EQ(state->Floats("g_bOn"), std::vector<float>{1});
    EXPECT_EQ(state->Floats("g_mBones").size(), 48u);

    // A change inside the pass reaches the shaders at the commit, alone.
    ASSERT_EQ(effect->SetFloat("g_fScale", 4.0f), D3D_OK);
    EXPECT_EQ(TkEffectCurrentDrawState(device), state);
    ASSERT_EQ(effect->CommitChanges(), D3D_OK);
    auto committed = TkEffectCurrentDrawState(device);
    ASSERT_NE(committed, state);
    ASSERT_EQ(committed->committed.size(), 1u);
    EXPECT_EQ(committed->committed[0].name, "g_fScale");
    EXPECT_EQ(committed->Floats("g_fScale"), std::vector<float>{4.0f});
    EXPECT_EQ(committed->Floats("g_Colour"), (std::vector<float>{1, 0.5f, 0.25f, 1}));
    // Setting the value it already has sends nothing.
    ASSERT_EQ(effect->SetFloat("g_fScale", 4.0f), D3D_OK);
    ASSERT_EQ(effect->CommitChanges(), D3D_OK);
    EXPECT_EQ(TkEffectCurrentDrawState(device), committed);
    ASSERT_EQ(effect->EndPass(), D3D_OK);

    // The next pass sends only what changed since.
    ASSERT_EQ(effect->BeginPass(1), D3D_OK);
    auto second = TkEffectCurrentDrawState(device);
    EXPECT_EQ(second->pass, "Second");
    EXPECT_TRUE(second->committed.empty());
    EXPECT_EQ(second->Floats("g_fScale"), std::vector<float>{4.0f});
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK);

    // Another effect that sends the same names makes this one send all again.
    ID3DXEffect* other = nullptr;
    ASSERT_EQ(Create("fx\\test.fxc", &other), D3D_OK);
    ASSERT_EQ(other->SetFloat("g_fScale", 9.0f), D3D_OK);
    ASSERT_EQ(other->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(other->BeginPass(0), D3D_OK);
    EXPECT_EQ(TkEffectCurrentDrawState(device)->Floats("g_fScale"), std::vector<float>{9.0f});
    other->End();
    other->Release();
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    auto again = TkEffectCurrentDrawState(device);
    EXPECT_EQ(again->Floats("g_fScale"), std::vector<float>{4.0f});
    EXPECT_GT(again->committed.size(), 1u);

    // Many commits keep every value reachable.
    for (int i = 0; i < 100; ++i)
    {
        ASSERT_EQ(effect->SetInt("g_iCount", i), D3D_OK);
        ASSERT_EQ(effect->CommitChanges(), D3D_OK);
    }
    auto last = TkEffectCurrentDrawState(device);
    EXPECT_EQ(last->Floats("g_iCount"), std::vector<float>{99});
    EXPECT_EQ(last->Floats("g_Colour"), (std::vector<float>{1, 0.5f, 0.25f, 1}));
    EXPECT_LE(last->depth, 64u);
    ASSERT_EQ(effect->End(), D3D_OK);
}

TEST_F(EffectTest, DeviceLossWaitsForOnLostDeviceAndKeepsValues)
{
    ASSERT_EQ(effect->SetFloat("g_fScale", 3.0f), D3D_OK);
    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    // A live effect holds the device's default pool until it lets go.
    auto live = TkD3D9GetLiveDefaultPoolObjects(device);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_NE(live[0].find("ID3DXEffect \"fx\\TEST.fxc\""), std::string::npos);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->OnLostDevice(), D3D_OK);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    ASSERT_EQ(effect->OnResetDevice(), D3D_OK);

    FLOAT scale = 0;
    ASSERT_EQ(effect->GetFloat("g_fScale", &scale), D3D_OK);
    EXPECT_FLOAT_EQ(scale, 3.0f);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    auto state = TkEffectCurrentDrawState(device);
    ASSERT_NE(state, nullptr);
    // Everything goes out again after a reset.
    bool sentScale = false;
    for (const TkEffectValueRecord& v : state->committed)
        sentScale = sentScale || v.name == "g_fScale";
    EXPECT_TRUE(sentScale);
    ASSERT_EQ(effect->End(), D3D_OK);
}

TEST_F(EffectTest, CreationRefusesBadArgumentsAndBadFilesWithTheirLines)
{
    ID3DXEffect* bad = nullptr;
    EXPECT_EQ(D3DXCreateEffectFromFileA(nullptr, "fx\\test.fxc", nullptr, nullptr, 0, nullptr, &bad, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateEffectFromFileA(device, nullptr, nullptr, nullptr, 0, nullptr, &bad, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        D3DXCreateEffectFromFileA(device, "fx\\test.fxc", nullptr, nullptr, 0, nullptr, nullptr, nullptr),
        D3DERR_INVALIDCALL);

    std::string messages;
    EXPECT_EQ(Create("fx\\missing.fxc", &bad, &messages), D3DXERR_INVALIDDATA);
    EXPECT_EQ(bad, nullptr);
    EXPECT_NE(messages.find("fx\\missing.fxc"), std::string::npos) << messages;

    dir.Write("fx/broken.fxc", std::string(kEffect) + "\ntechnique Broken { pass { Zenable = maybe; } }\n");
    EXPECT_EQ(Create("fx\\broken.fxc", &bad, &messages), D3DXERR_INVALIDDATA);
    EXPECT_EQ(bad, nullptr);
    const std::string text = kEffect;
    const std::string line = std::to_string(std::count(text.begin(), text.end(), '\n') + 2);
    EXPECT_NE(messages.find("fx\\broken.fxc(" + line + "): error: unknown value 'maybe'"), std::string::npos)
        << messages;

    // Macros reach every shader.
    const D3DXMACRO macros[] = {{"QUALITY", "2"}, {nullptr, nullptr}};
    ID3DXEffect* withMacros = nullptr;
    ASSERT_EQ(
        D3DXCreateEffectFromFileA(device, "fx\\test.fxc", macros, nullptr, 0, nullptr, &withMacros, nullptr),
        D3D_OK);
    D3DXPASS_DESC pass;
    ASSERT_EQ(withMacros->GetPassDesc(withMacros->GetPass("Plain", 0), &pass), D3D_OK);
    EXPECT_NE(
        std::string(reinterpret_cast<const char*>(pass.pPixelShaderFunction)).find("#define QUALITY 2\n"),
        std::string::npos);

    // Counting: the effect lives while referenced and holds its device.
    EXPECT_EQ(withMacros->AddRef(), 2u);
    EXPECT_EQ(withMacros->Release(), 1u);
    EXPECT_EQ(withMacros->Release(), 0u);

    ID3DXEffectPool* pool = nullptr;
    ASSERT_EQ(D3DXCreateEffectPool(&pool), D3D_OK);
    EXPECT_EQ(pool->Release(), 0u);
}

} // namespace
