#include "platform/d3d9/FixedFunction.h"

#include <algorithm>
#include <string>

namespace tk::d3d9
{
namespace
{
std::string Num(UINT n)
{
    return std::to_string(n);
}

const char* kVaryings = "vec4 v_diffuse;\nvec4 v_specular;\nvec4 v_tex[8];\nfloat v_fog;\n";

std::string Argument(DWORD arg, UINT stage)
{
    std::string base;
    switch (arg & D3DTA_SELECTMASK)
    {
    case D3DTA_DIFFUSE:
        base = "diffuse";
        break;
    case D3DTA_CURRENT:
        base = "current";
        break;
    case D3DTA_TEXTURE:
        base = "tex";
        break;
    case D3DTA_TFACTOR:
        base = TK_FF_TFACTOR;
        break;
    case D3DTA_SPECULAR:
        base = "specular";
        break;
    case D3DTA_TEMP:
        base = "temp";
        break;
    case D3DTA_CONSTANT:
        base = std::string(TK_FF_CONSTANTS "[") + Num(stage) + "]";
        break;
    default:
        base = "vec4(0.0)";
        break;
    }
    if (arg & D3DTA_COMPLEMENT)
        base = "(vec4(1.0) - " + base + ")";
    if (arg & D3DTA_ALPHAREPLICATE)
        base = "vec4((" + base + ").a)";
    return base;
}

// The result of one operation as a vec4 expression.
std::string Operation(DWORD op, const std::string& a, const std::string& b, const std::string& c0)
{
    switch (op)
    {
    case D3DTOP_SELECTARG1:
        return a;
    case D3DTOP_SELECTARG2:
        return b;
    case D3DTOP_MODULATE:
        return "(" + a + " * " + b + ")";
    case D3DTOP_MODULATE2X:
        return "(" + a + " * " + b + " * 2.0)";
    case D3DTOP_MODULATE4X:
        return "(" + a + " * " + b + " * 4.0)";
    case D3DTOP_ADD:
        return "(" + a + " + " + b + ")";
    case D3DTOP_ADDSIGNED:
        return "(" + a + " + " + b + " - vec4(0.5))";
    case D3DTOP_ADDSIGNED2X:
        return "((" + a + " + " + b + " - vec4(0.5)) * 2.0)";
    case D3DTOP_SUBTRACT:
        return "(" + a + " - " + b + ")";
    case D3DTOP_ADDSMOOTH:
        return "(" + a + " + " + b + " - " + a + " * " + b + ")";
    case D3DTOP_BLENDDIFFUSEALPHA:
        return "mix(" + b + ", " + a + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
        return "mix(" + b + ", " + a + ", tex.a)";
    case D3DTOP_BLENDFACTORALPHA:
        return "mix(" + b + ", " + a + ", " TK_FF_TFACTOR ".a)";
    case D3DTOP_BLENDCURRENTALPHA:
        return "mix(" + b + ", " + a + ", current.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return "(" + a + " + " + b + " * (1.0 - tex.a))";
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
        return "(" + a + " + (" + a + ").a * " + b + ")";
    case D3DTOP_MODULATECOLOR_ADDALPHA:
        return "(" + a + " * " + b + " + vec4((" + a + ").a))";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return "((1.0 - (" + a + ").a) * " + b + " + " + a + ")";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return "((vec4(1.0) - " + a + ") * " + b + " + vec4((" + a + ").a))";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(4.0 * dot((" + a + ").rgb - vec3(0.5), (" + b + ").rgb - vec3(0.5)), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD:
        return "(" + c0 + " + " + a + " * " + b + ")";
    case D3DTOP_LERP:
        return "mix(" + b + ", " + a + ", " + c0 + ")";
    default:
        return "(" + a + " * " + b + ")";
    }
}

const char* Comparison(DWORD func)
{
    switch (func)
    {
    case D3DCMP_NEVER:
        return "false";
    case D3DCMP_LESS:
        return "alpha < " TK_FF_ALPHAREF;
    case D3DCMP_EQUAL:
        return "alpha == " TK_FF_ALPHAREF;
    case D3DCMP_LESSEQUAL:
        return "alpha <= " TK_FF_ALPHAREF;
    case D3DCMP_GREATER:
        return "alpha > " TK_FF_ALPHAREF;
    case D3DCMP_NOTEQUAL:
        return "alpha != " TK_FF_ALPHAREF;
    case D3DCMP_GREATEREQUAL:
        return "alpha >= " TK_FF_ALPHAREF;
    default:
        return "true";
    }
}
} // namespace

std::string FixedVertexShader(const FixedKey& key)
{
    std::string s = "#version 450 core\n";
    s += "layout(location = 0) in vec4 a_position;\n";
    s += "layout(location = 4) in vec4 a_color0;\n";
    s += "layout(location = 5) in vec4 a_color1;\n";
    const UINT sets = std::min<UINT>(key.texCoordSets, kMaxTexCoordSets);
    for (UINT i = 0; i < sets; ++i)
        s += "layout(location = " + Num(8 + i) + ") in vec4 a_tex" + Num(i) + ";\n";
    s += "uniform vec4 " TK_FF_VIEWPORT ";\nuniform mat4 " TK_FF_WORLDVIEWPROJ
         ";\nuniform mat4 " TK_FF_WORLDVIEW ";\nuniform vec4 " TK_FF_FOGPARAMS ";\n";
    s += std::string("out ") + "Varyings {\n" + kVaryings + "} o;\n";
    s += "void main()\n{\n";
    if (key.pretransformed)
    {
        // Screen pixels to clip space through the viewport; 1/rhw restores w
        // so that colours and texture coordinates stay perspective-correct.
        s +=
            "    float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;\n"
            "    vec2 ndc = vec2((a_position.x - " TK_FF_VIEWPORT ".x) / " TK_FF_VIEWPORT ".z * 2.0 - 1.0,\n"
            "                    1.0 - (a_position.y - " TK_FF_VIEWPORT ".y) / " TK_FF_VIEWPORT ".w * 2.0);\n"
            "    gl_Position = vec4(ndc * w, a_position.z * w, w);\n";
    }
    else
        s += "    gl_Position = vec4(a_position.xyz, 1.0) * " TK_FF_WORLDVIEWPROJ ";\n";
    s += key.hasDiffuse ? "    o.v_diffuse = a_color0;\n" : "    o.v_diffuse = vec4(1.0);\n";
    s += key.hasSpecular ? "    o.v_specular = a_color1;\n" : "    o.v_specular = vec4(0.0);\n";
    for (UINT i = 0; i < kMaxTexCoordSets; ++i)
        s += "    o.v_tex[" + Num(i) +
             "] = " + (i < sets ? "a_tex" + Num(i) : std::string("vec4(0.0, 0.0, 0.0, 1.0)")) + ";\n";
    s += "    o.v_fog = 1.0;\n";
    if (key.fogMode != D3DFOG_NONE)
    {
        if (key.fogFromSpecular)
            s += "    o.v_fog = o.v_specular.a;\n";
        else
        {
            s += "    float d = abs((vec4(a_position.xyz, 1.0) * " TK_FF_WORLDVIEW ").z);\n";
            if (key.fogMode == D3DFOG_LINEAR)
                s += "    o.v_fog = clamp((" TK_FF_FOGPARAMS ".y - d) / max(" TK_FF_FOGPARAMS
                     ".y - " TK_FF_FOGPARAMS ".x, 1e-6), 0.0, 1.0);\n";
            else if (key.fogMode == D3DFOG_EXP)
                s += "    o.v_fog = exp(-d * " TK_FF_FOGPARAMS ".z);\n";
            else
                s += "    o.v_fog = exp(-(d * " TK_FF_FOGPARAMS ".z) * (d * " TK_FF_FOGPARAMS ".z));\n";
        }
    }
    s += "}\n";
    return s;
}

std::string FixedFragmentShader(const FixedKey& key)
{
    std::string s = "#version 450 core\n";
    s += std::string("in ") + "Varyings {\n" + kVaryings + "} i;\n";
    s += "uniform vec4 " TK_FF_TFACTOR ";\nuniform vec4 " TK_FF_CONSTANTS
         "[8];\nuniform float " TK_FF_ALPHAREF ";\nuniform vec4 " TK_FF_FOGCOLOR ";\n";
    const UINT stages = std::min<UINT>(key.stageCount, TK_D3D_TEXTURE_STAGES);
    for (UINT st = 0; st < stages; ++st)
        if (key.stages[st].sampler)
            s += std::string("uniform ") + (key.stages[st].sampler == 2 ? "samplerCube " : "sampler2D ") +
                 TK_FF_SAMPLER + Num(st) + ";\n";
    s += "layout(location = 0) out vec4 o_color;\n";
    s += "void main()\n{\n"
         "    vec4 diffuse = i.v_diffuse;\n"
         "    vec4 specular = i.v_specular;\n"
         "    vec4 current = diffuse;\n"
         "    vec4 temp = vec4(0.0);\n"
         "    vec4 tex = vec4(1.0);\n";
    const UINT sets = std::min<UINT>(key.texCoordSets, kMaxTexCoordSets);
    for (UINT st = 0; st < stages; ++st)
    {
        const FixedStage& f = key.stages[st];
        s += "    // stage " + Num(st) + "\n";
        // A stage without a texture, or a vertex without coordinates, reads opaque white.
        if (f.sampler && sets > 0)
        {
            const UINT set = std::min<UINT>(f.texCoordSet & 0xffff, sets - 1);
            s += "    tex = texture(" + std::string(TK_FF_SAMPLER) + Num(st) + ", i.v_tex[" + Num(set) +
                 "]." + (f.sampler == 2 ? "xyz" : "xy") + ");\n";
        }
        else
            s += "    tex = vec4(1.0);\n";
        const std::string color = Operation(f.colorOp, Argument(f.colorArg1, st), Argument(f.colorArg2, st),
                                            Argument(f.colorArg0, st));
        const std::string alpha = f.alphaOp == D3DTOP_DISABLE
                                      ? std::string("current")
                                      : Operation(f.alphaOp, Argument(f.alphaArg1, st),
                                                  Argument(f.alphaArg2, st), Argument(f.alphaArg0, st));
        s += "    {\n        vec3 rgb = (" + color + ").rgb;\n        float a = (" + alpha + ").a;\n" +
             "        current = clamp(vec4(rgb, a), 0.0, 1.0);\n    }\n";
    }
    if (key.alphaFunc != D3DCMP_ALWAYS)
        s += std::string("    float alpha = floor(current.a * 255.0 + 0.5);\n    if (!(") +
             Comparison(key.alphaFunc) + "))\n        discard;\n";
    if (key.fogMode != D3DFOG_NONE)
        s += "    current.rgb = mix(" TK_FF_FOGCOLOR ".rgb, current.rgb, clamp(i.v_fog, 0.0, 1.0));\n";
    s += "    o_color = current;\n}\n";
    return s;
}
} // namespace tk::d3d9
