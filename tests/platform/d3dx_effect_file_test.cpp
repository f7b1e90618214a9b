// The effect file reader: declarations, includes through the path resolver,
// and refusals that name the file and line.

#include "platform/d3dx/EffectFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace
{

// Files held in memory, named as the reader asks for them.
struct Files
{
    std::map<std::string, std::string> text;

    TkFxReadFile Reader() const
    {
        return [this](const std::string& name, std::string* out)
        {
            auto it = text.find(name);
            if (it == text.end())
                return false;
            *out = it->second;
            return true;
        };
    }
};

float AsFloat(uint32_t w)
{
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

const char* kShaders = "vertexshader VS { void main() { gl_Position = vec4(0.0); } }\n"
                       "pixelshader PS { out vec4 c; void main() { c = vec4(1.0); } }\n";

std::string WithTechnique(const std::string& body)
{
    return body + kShaders + "technique T { pass P { VertexShader = VS; PixelShader = PS; } }\n";
}

TEST(EffectFile, ReadsParametersSamplersAndTechniques)
{
    Files files;
    files.text["fx\\full.fxc"] =
        "// every kind of declaration\n"
        "bool b = true;\n"
        "int n = -3;\n"
        "float f : TIME < string UIName = \"Time\"; float UIMax = 2.5; int Steps = 4; > = 0.5f;\n"
        "float3 v = {1, 2, 3};\n"
        "float4x4 m : WORLD;\n"
        "float4 arr[2] = {{1, 2, 3, 4}, {5, 6, 7, 8}};\n"
        "float taps[7];\n"
        "texture tex;\n"
        "string s = \"hello\";\n"
        "samplerCUBE cubeSampler = sampler_state { Texture = <tex>; AddressU = Clamp; MinFilter = Point; "
        "MipMapLodBias = -1.5; };\n" +
        std::string(kShaders) +
        "technique First < string Kind = \"a\"; > {\n"
        "  pass P0 { ZEnable = false; CullMode = None; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha;\n"
        "            ColorWriteEnable = Red | Alpha; AlphaRef = 0x80; StencilFunc = GreaterEqual;\n"
        "            StencilPass = IncrSat; DepthBias = 0.25; VertexShader = VS; PixelShader = PS; }\n"
        "  pass P1 { zwriteenable = TRUE; VertexShader = VS; PixelShader = PS; }\n"
        "}\n";
    TkFxFile fx;
    std::string errors;
    ASSERT_TRUE(TkParseEffect("fx\\full.fxc", files.Reader(), &fx, &errors)) << errors;

    ASSERT_EQ(fx.parameters.size(), 9u);
    EXPECT_EQ(fx.parameters[0].base, TkFxBase::Bool);
    EXPECT_EQ(fx.parameters[0].data, std::vector<uint32_t>{1});
    EXPECT_EQ(int32_t(fx.parameters[1].data[0]), -3);
    const TkFxValue& f = fx.parameters[2];
    EXPECT_EQ(f.semantic, "TIME");
    EXPECT_FLOAT_EQ(AsFloat(f.data[0]), 0.5f);
    ASSERT_EQ(f.annotations.size(), 3u);
    EXPECT_EQ(f.annotations[0].text, "Time");
    EXPECT_FLOAT_EQ(AsFloat(f.annotations[1].data[0]), 2.5f);
    EXPECT_EQ(f.annotations[2].data[0], 4u);
    EXPECT_FLOAT_EQ(AsFloat(fx.parameters[3].data[2]), 3.0f);
    EXPECT_EQ(fx.parameters[4].rows, 4);
    EXPECT_EQ(fx.parameters[4].data.size(), 16u);
    EXPECT_EQ(fx.parameters[5].elements, 2);
    EXPECT_FLOAT_EQ(AsFloat(fx.parameters[5].data[7]), 8.0f);
    EXPECT_EQ(fx.parameters[6].data.size(), 7u);
    EXPECT_EQ(fx.parameters[7].base, TkFxBase::Texture);
    EXPECT_EQ(fx.parameters[8].text, "hello");

    ASSERT_EQ(fx.samplers.size(), 1u);
    EXPECT_TRUE(fx.samplers[0].cube);
    EXPECT_EQ(fx.samplers[0].texture, "tex");
    ASSERT_EQ(fx.samplers[0].states.size(), 3u);
    EXPECT_EQ(fx.samplers[0].states[0].type, D3DSAMP_ADDRESSU);
    EXPECT_EQ(fx.samplers[0].states[0].value, DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(fx.samplers[0].states[1].value, DWORD(D3DTEXF_POINT));
    EXPECT_FLOAT_EQ(AsFloat(fx.samplers[0].states[2].value), -1.5f);

    ASSERT_EQ(fx.techniques.size(), 1u);
    const TkFxTechnique& t = fx.techniques[0];
    EXPECT_EQ(t.annotations[0].text, "a");
    ASSERT_EQ(t.passes.size(), 2u);
    struct Expected
    {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    const Expected expected[] = {
        {D3DRS_ZENABLE, D3DZB_FALSE},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA},
        {D3DRS_ALPHAREF, 0x80},
        {D3DRS_STENCILFUNC, D3DCMP_GREATEREQUAL},
        {D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT},
    };
    const std::vector<TkFxRenderState>& states = t.passes[0].states;
    ASSERT_EQ(states.size(), std::size(expected) + 1);
    for (size_t i = 0; i < std::size(expected); ++i)
    {
        EXPECT_EQ(states[i].state, expected[i].state) << i;
        EXPECT_EQ(states[i].value, expected[i].value) << i;
    }
    EXPECT_FLOAT_EQ(AsFloat(states.back().value), 0.25f);
    EXPECT_EQ(t.passes[1].states[0].state, D3DRS_ZWRITEENABLE);
    EXPECT_EQ(t.passes[1].states[0].value, DWORD(TRUE));
    EXPECT_EQ(fx.shaders[size_t(t.passes[1].pixelShader)].name, "PS");
}

TEST(EffectFile, IncludesResolveBesideTheIncludingFileAndMarkTheirLines)
{
    Files files;
    files.text["fx\\a.fxc"] = "#include \"parts\\params.fxh\"\n"
                              "vertexshader VS {\n"
                              "  #include \"parts/lib.glsl\"\n"
                              "  void main() { gl_Position = Zero(); }\n"
                              "}\n"
                              "pixelshader PS { out vec4 c; void main() { c = vec4(1.0); } }\n"
                              "technique T { pass P { VertexShader = VS; PixelShader = PS; } }\n";
    files.text["fx\\parts\\params.fxh"] = "float k = 2;\n#include \"more.fxh\"\n";
    files.text["fx\\parts\\more.fxh"] = "float j = 3;\n";
    files.text["fx\\parts/lib.glsl"] = "vec4 Zero()\n{ return vec4(0.0); }\n";
    TkFxFile fx;
    std::string errors;
    ASSERT_TRUE(TkParseEffect("fx\\a.fxc", files.Reader(), &fx, &errors)) << errors;
    ASSERT_EQ(fx.parameters.size(), 2u);
    EXPECT_EQ(fx.parameters[1].name, "j");
    EXPECT_EQ(fx.parameters[1].line, 1);
    ASSERT_EQ(fx.files.size(), 4u);
    EXPECT_EQ(fx.files[3], "fx\\parts/lib.glsl");
    // The shader's text carries where each run of lines came from.
    const std::string& body = fx.shaders[0].body;
    EXPECT_NE(body.find("#line 1 3\nvec4 Zero()\n{ return vec4(0.0); }\n#line 4 0\n"), std::string::npos)
        << body;
    EXPECT_EQ(fx.shaders[0].line, 2);
}

TEST(EffectFile, LineEndsOfEveryKindCountTheSame)
{
    for (const char* end : {"\n", "\r\n", "\r"})
    {
        Files files;
        files.text["e.fxc"] = std::string("float a;") + end + end + "float a;" + end;
        TkFxFile fx;
        std::string errors;
        EXPECT_FALSE(TkParseEffect("e.fxc", files.Reader(), &fx, &errors));
        EXPECT_NE(errors.find("e.fxc(3): error: 'a' is declared twice"), std::string::npos) << errors;
    }
}

TEST(EffectFile, BadFilesAreRefusedWithFileAndLine)
{
    struct Case
    {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"syntax", WithTechnique("float a\nfloat b;\n"), "bad.fxc(2): error: expected ';' but found 'float'"},
        {"unknown state",
         "vertexshader VS { }\npixelshader PS { }\ntechnique T { pass P {\n ZEnabel = true; } }\n",
         "bad.fxc(4): error: unknown state name 'ZEnabel'"},
        {"unknown value", WithTechnique("") + "technique U { pass { CullMode = Sideways; } }",
         "bad.fxc(4): error: unknown value 'Sideways'"},
        {"type mismatch", WithTechnique("float4 v = {1, 2, 3};\n"), "bad.fxc(1): error: type mismatch"},
        {"string to float", WithTechnique("float v = \"x\";\n"), "type mismatch"},
        {"fraction to int", WithTechnique("int v = 1.5;\n"), "type mismatch"},
        {"unknown type", WithTechnique("double d;\n"), "unknown type 'double'"},
        {"empty array", WithTechnique("float a[0];\n"), "array size"},
        {"huge array", WithTechnique("float4x4 a[100000];\n"), "array size"},
        {"sampler of a float", WithTechnique("float t;\nsampler s = sampler_state { Texture = <t>; };\n"),
         "bad.fxc(2): error: 't' is not a texture parameter"},
        {"shader not closed", "vertexshader VS {\n void main() {\n",
         "bad.fxc(1): error: shader 'VS' not closed"},
        {"comment not closed", "float a; /* \n\n", "comment not closed"},
        {"no technique", "float a;\n", "no technique"},
        {"empty file", "", "no technique"},
        {"pass without shaders", "technique T { pass P { ZEnable = true; } }\n",
         "needs a vertex and a pixel shader"},
        {"shader kind", std::string(kShaders) + "technique T { pass P { VertexShader = PS; } }\n",
         "'PS' is a pixel shader"},
        {"directive", "#pragma once\n", "unknown directive"},
        {"missing include", "\n#include \"nothere.fxh\"\n", "bad.fxc(2): error: cannot read include"},
        {"include without name", "#include nothere.fxh\n", "needs a quoted file name"},
        {"too many values", WithTechnique("float2 v = {{{1, 2, 3, 4, 5, 6}}};\n"), "too many values"},
        {"brace depth", WithTechnique("float v = {{{{{{{{{{1}}}}}}}}}};\n"), "nested too deep"},
        // Found by fuzzing: numbers past the integer range were converted before they were checked.
        {"huge int", WithTechnique("int count = 1e10;\n"), "bad.fxc(1): error: type mismatch"},
        {"huge negative int", WithTechnique("int count = -1e300;\n"), "type mismatch"},
        {"huge state value", std::string(kShaders) + "technique T { pass P { AlphaRef = 1e30; } }\n",
         "value out of range"},
        {"state value below the range",
         std::string(kShaders) + "technique T { pass P { AlphaRef = -1e19; } }\n", "value out of range"},
    };
    for (const Case& c : cases)
    {
        Files files;
        files.text["bad.fxc"] = c.text;
        TkFxFile fx;
        std::string errors;
        EXPECT_FALSE(TkParseEffect("bad.fxc", files.Reader(), &fx, &errors)) << c.what;
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.what << ": " << errors;
    }
}

TEST(EffectFile, IncludeCyclesAndRunawayNestingAreRefused)
{
    Files files;
    files.text["fx\\a.fxc"] = "#include \"b.fxh\"\n";
    files.text["fx\\b.fxh"] = "float b;\n#include \"C.FXH\"\n";
    files.text["fx\\C.FXH"] = "#include \"sub\\..\\A.fxc\"\n";
    TkFxFile fx;
    std::string errors;
    EXPECT_FALSE(TkParseEffect("fx\\a.fxc", files.Reader(), &fx, &errors));
    EXPECT_NE(errors.find("fx\\C.FXH(1): error: include cycle"), std::string::npos) << errors;

    // A chain of distinct files runs into the nesting limit.
    Files deep;
    const int kChain = 40;
    for (int i = 0; i < kChain; ++i)
        deep.text["f" + std::to_string(i)] = "#include \"f" + std::to_string(i + 1) + "\"\n";
    errors.clear();
    EXPECT_FALSE(TkParseEffect("f0", deep.Reader(), &fx, &errors));
    EXPECT_NE(errors.find("includes nested deeper than"), std::string::npos) << errors;
}

TEST(EffectFile, ReadsThroughThePathResolverCaseBlind)
{
    TempDir dir;
    dir.Write("fx/Lit.fxc", WithTechnique("#include \"Shared\\COMMON.fxh\"\n"));
    dir.Write("fx/shared/common.fxh", "float4 g_Colour = {1, 0, 0, 1};\n");
    dir.Write("fx/big.fxc", std::string(TK_FX_MAX_FILE_BYTES + 1, ' '));
    TkFxFile fx;
    std::string errors;
    ASSERT_TRUE(TkParseEffect("FX\\lit.FXC", TkFxReadThroughResolver, &fx, &errors)) << errors;
    ASSERT_EQ(fx.parameters.size(), 1u);
    EXPECT_EQ(fx.parameters[0].name, "g_Colour");

    errors.clear();
    EXPECT_FALSE(TkParseEffect("fx\\big.fxc", TkFxReadThroughResolver, &fx, &errors));
    EXPECT_NE(errors.find("file too large"), std::string::npos) << errors;
    errors.clear();
    EXPECT_FALSE(TkParseEffect("fx\\none.fxc", TkFxReadThroughResolver, &fx, &errors));
    EXPECT_NE(errors.find("fx\\none.fxc(0): error: cannot be read"), std::string::npos) << errors;
}

} // namespace
