// The effect file reader: includes are spliced line by line first (each line
// remembers its file and number for messages and for the shaders' #line
// marks), then one recursive-descent pass reads the declarations.

#include "platform/d3dx/EffectFile.h"

#include "platform/win32/Path.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace
{

// Words of parameter data a whole file may declare (arrays included).
constexpr size_t kMaxDataWords = 1u << 20;
constexpr int kMaxAnnotationColumns = 4;
constexpr int kMatrixSide = 4;
constexpr int kHexBase = 16;

struct SourceLine
{
    std::string text;
    int file;
    int line;
};

struct ParseError
{
    size_t line; // index into the spliced lines
    std::string message;
};

// The name as a key for finding cycles: one kind of slash, one case, and
// "." and ".." folded away.
std::string Normalised(const std::string& name)
{
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&]()
    {
        if (part == "..")
        {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else
                parts.push_back(part);
        }
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        part.clear();
    };
    for (char c : name)
    {
        if (c == '\\' || c == '/')
            flush();
        else
            part += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    flush();
    std::string out;
    for (const std::string& p : parts)
        out += "/" + p;
    return out;
}

std::string FolderOf(const std::string& name)
{
    size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

// ---- Includes ------------------------------------------------------------------

class Splicer
{
public:
    Splicer(const TkFxReadFile& read, TkFxFile* out, std::string* errors)
        : m_read(read), m_out(out), m_errors(errors)
    {
    }

    std::vector<SourceLine> lines;

    bool Load(const std::string& name, const std::string& from, int fromLine)
    {
        std::string key = Normalised(name);
        for (const std::string& open : m_stack)
        {
            if (open == key)
                return Fail(from, fromLine, "include cycle: \"" + name + "\" includes itself");
        }
        if (int(m_stack.size()) > TK_FX_MAX_INCLUDE_DEPTH)
            return Fail(from, fromLine,
                        "includes nested deeper than " + std::to_string(TK_FX_MAX_INCLUDE_DEPTH));
        std::string text;
        if (!m_read(name, &text))
        {
            if (from.empty())
                return Fail(name, 0, "cannot be read");
            return Fail(from, fromLine, "cannot read include \"" + name + "\"");
        }
        m_total += text.size();
        if (text.size() > TK_FX_MAX_FILE_BYTES || m_total > TK_FX_MAX_TOTAL_BYTES)
            return Fail(from.empty() ? name : from, fromLine, "file too large: \"" + name + "\"");

        int file = int(m_out->files.size());
        m_out->files.push_back(name);
        m_stack.push_back(key);
        bool ok = Split(text, file, name);
        m_stack.pop_back();
        return ok;
    }

private:
    bool Split(const std::string& text, int file, const std::string& name)
    {
        size_t i = 0;
        int number = 0;
        while (i < text.size())
        {
            size_t end = text.find_first_of("\r\n", i);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(i, end - i);
            i = end;
            if (i < text.size())
                i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            ++number;
            std::string include;
            int kind = IncludeLine(line, &include);
            if (kind < 0)
                return Fail(name, number, "#include needs a quoted file name");
            if (kind > 0)
            {
                if (!Load(FolderOf(name) + include, name, number))
                    return false;
                continue;
            }
            lines.push_back({std::move(line), file, number});
        }
        return true;
    }

    // 1 with the name for an include line, 0 for any other line, -1 for a
    // malformed include.
    static int IncludeLine(const std::string& line, std::string* name)
    {
        size_t p = line.find_first_not_of(" \t");
        if (p == std::string::npos || line.compare(p, 8, "#include") != 0)
            return 0;
        p = line.find_first_not_of(" \t", p + 8);
        if (p == std::string::npos || line[p] != '"')
            return -1;
        size_t close = line.find('"', p + 1);
        if (close == std::string::npos || close == p + 1)
            return -1;
        *name = line.substr(p + 1, close - p - 1);
        return 1;
    }

    bool Fail(const std::string& file, int line, const std::string& message)
    {
        *m_errors += file + "(" + std::to_string(line) + "): error: " + message + "\n";
        return false;
    }

    const TkFxReadFile& m_read;
    TkFxFile* m_out;
    std::string* m_errors;
    std::vector<std::string> m_stack;
    size_t m_total = 0;
};

// ---- Tokens --------------------------------------------------------------------

enum class Tok
{
    End,
    Ident,
    Number,
    String,
    Punct,
};

struct Token
{
    Tok kind = Tok::End;
    std::string text;
    size_t line = 0;
};

bool IsIdentStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool SameNoCase(const std::string& a, const char* b)
{
    size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// ---- State names and values ------------------------------------------------------

enum class ValueKind
{
    Bool,
    Dword,
    Float,
    ZBuffer,
    Fill,
    Cull,
    Cmp,
    Blend,
    BlendOp,
    StencilOp,
    ColorWrite,
    Address,
    Filter,
};

struct StateName
{
    const char* name;
    DWORD state;
    ValueKind kind;
};

const StateName kRenderStates[] = {
    {"ZEnable", D3DRS_ZENABLE, ValueKind::ZBuffer},
    {"FillMode", D3DRS_FILLMODE, ValueKind::Fill},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, ValueKind::Bool},
    {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, ValueKind::Bool},
    {"SrcBlend", D3DRS_SRCBLEND, ValueKind::Blend},
    {"DestBlend", D3DRS_DESTBLEND, ValueKind::Blend},
    {"CullMode", D3DRS_CULLMODE, ValueKind::Cull},
    {"ZFunc", D3DRS_ZFUNC, ValueKind::Cmp},
    {"AlphaRef", D3DRS_ALPHAREF, ValueKind::Dword},
    {"AlphaFunc", D3DRS_ALPHAFUNC, ValueKind::Cmp},
    {"DitherEnable", D3DRS_DITHERENABLE, ValueKind::Bool},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, ValueKind::Bool},
    {"FogEnable", D3DRS_FOGENABLE, ValueKind::Bool},
    {"StencilEnable", D3DRS_STENCILENABLE, ValueKind::Bool},
    {"StencilFail", D3DRS_STENCILFAIL, ValueKind::StencilOp},
    {"StencilZFail", D3DRS_STENCILZFAIL, ValueKind::StencilOp},
    {"StencilPass", D3DRS_STENCILPASS, ValueKind::StencilOp},
    {"StencilFunc", D3DRS_STENCILFUNC, ValueKind::Cmp},
    {"StencilRef", D3DRS_STENCILREF, ValueKind::Dword},
    {"StencilMask", D3DRS_STENCILMASK, ValueKind::Dword},
    {"StencilWriteMask", D3DRS_STENCILWRITEMASK, ValueKind::Dword},
    {"TextureFactor", D3DRS_TEXTUREFACTOR, ValueKind::Dword},
    {"ColorWriteEnable", D3DRS_COLORWRITEENABLE, ValueKind::ColorWrite},
    {"ColorWriteEnable1", D3DRS_COLORWRITEENABLE1, ValueKind::ColorWrite},
    {"ColorWriteEnable2", D3DRS_COLORWRITEENABLE2, ValueKind::ColorWrite},
    {"ColorWriteEnable3", D3DRS_COLORWRITEENABLE3, ValueKind::ColorWrite},
    {"BlendOp", D3DRS_BLENDOP, ValueKind::BlendOp},
    {"ScissorTestEnable", D3DRS_SCISSORTESTENABLE, ValueKind::Bool},
    {"SlopeScaleDepthBias", D3DRS_SLOPESCALEDEPTHBIAS, ValueKind::Float},
    {"DepthBias", D3DRS_DEPTHBIAS, ValueKind::Float},
    {"TwoSidedStencilMode", D3DRS_TWOSIDEDSTENCILMODE, ValueKind::Bool},
    {"CCW_StencilFail", D3DRS_CCW_STENCILFAIL, ValueKind::StencilOp},
    {"CCW_StencilZFail", D3DRS_CCW_STENCILZFAIL, ValueKind::StencilOp},
    {"CCW_StencilPass", D3DRS_CCW_STENCILPASS, ValueKind::StencilOp},
    {"CCW_StencilFunc", D3DRS_CCW_STENCILFUNC, ValueKind::Cmp},
    {"BlendFactor", D3DRS_BLENDFACTOR, ValueKind::Dword},
    {"SRGBWriteEnable", D3DRS_SRGBWRITEENABLE, ValueKind::Bool},
    {"SeparateAlphaBlendEnable", D3DRS_SEPARATEALPHABLENDENABLE, ValueKind::Bool},
    {"SrcBlendAlpha", D3DRS_SRCBLENDALPHA, ValueKind::Blend},
    {"DestBlendAlpha", D3DRS_DESTBLENDALPHA, ValueKind::Blend},
    {"BlendOpAlpha", D3DRS_BLENDOPALPHA, ValueKind::BlendOp},
};

const StateName kSamplerStates[] = {
    {"AddressU", D3DSAMP_ADDRESSU, ValueKind::Address},
    {"AddressV", D3DSAMP_ADDRESSV, ValueKind::Address},
    {"AddressW", D3DSAMP_ADDRESSW, ValueKind::Address},
    {"BorderColor", D3DSAMP_BORDERCOLOR, ValueKind::Dword},
    {"MagFilter", D3DSAMP_MAGFILTER, ValueKind::Filter},
    {"MinFilter", D3DSAMP_MINFILTER, ValueKind::Filter},
    {"MipFilter", D3DSAMP_MIPFILTER, ValueKind::Filter},
    {"MipMapLodBias", D3DSAMP_MIPMAPLODBIAS, ValueKind::Float},
    {"MaxMipLevel", D3DSAMP_MAXMIPLEVEL, ValueKind::Dword},
    {"MaxAnisotropy", D3DSAMP_MAXANISOTROPY, ValueKind::Dword},
    {"SRGBTexture", D3DSAMP_SRGBTEXTURE, ValueKind::Bool},
};

struct ValueName
{
    ValueKind kind;
    const char* name;
    DWORD value;
};

const ValueName kValueNames[] = {
    {ValueKind::Bool, "true", TRUE},
    {ValueKind::Bool, "false", FALSE},
    {ValueKind::ZBuffer, "true", D3DZB_TRUE},
    {ValueKind::ZBuffer, "false", D3DZB_FALSE},
    {ValueKind::ZBuffer, "UseW", D3DZB_USEW},
    {ValueKind::Fill, "Point", D3DFILL_POINT},
    {ValueKind::Fill, "Wireframe", D3DFILL_WIREFRAME},
    {ValueKind::Fill, "Solid", D3DFILL_SOLID},
    {ValueKind::Cull, "None", D3DCULL_NONE},
    {ValueKind::Cull, "CW", D3DCULL_CW},
    {ValueKind::Cull, "CCW", D3DCULL_CCW},
    {ValueKind::Cmp, "Never", D3DCMP_NEVER},
    {ValueKind::Cmp, "Less", D3DCMP_LESS},
    {ValueKind::Cmp, "Equal", D3DCMP_EQUAL},
    {ValueKind::Cmp, "LessEqual", D3DCMP_LESSEQUAL},
    {ValueKind::Cmp, "Greater", D3DCMP_GREATER},
    {ValueKind::Cmp, "NotEqual", D3DCMP_NOTEQUAL},
    {ValueKind::Cmp, "GreaterEqual", D3DCMP_GREATEREQUAL},
    {ValueKind::Cmp, "Always", D3DCMP_ALWAYS},
    {ValueKind::Blend, "Zero", D3DBLEND_ZERO},
    {ValueKind::Blend, "One", D3DBLEND_ONE},
    {ValueKind::Blend, "SrcColor", D3DBLEND_SRCCOLOR},
    {ValueKind::Blend, "InvSrcColor", D3DBLEND_INVSRCCOLOR},
    {ValueKind::Blend, "SrcAlpha", D3DBLEND_SRCALPHA},
    {ValueKind::Blend, "InvSrcAlpha", D3DBLEND_INVSRCALPHA},
    {ValueKind::Blend, "DestAlpha", D3DBLEND_DESTALPHA},
    {ValueKind::Blend, "InvDestAlpha", D3DBLEND_INVDESTALPHA},
    {ValueKind::Blend, "DestColor", D3DBLEND_DESTCOLOR},
    {ValueKind::Blend, "InvDestColor", D3DBLEND_INVDESTCOLOR},
    {ValueKind::Blend, "SrcAlphaSat", D3DBLEND_SRCALPHASAT},
    {ValueKind::Blend, "BlendFactor", D3DBLEND_BLENDFACTOR},
    {ValueKind::Blend, "InvBlendFactor", D3DBLEND_INVBLENDFACTOR},
    {ValueKind::BlendOp, "Add", D3DBLENDOP_ADD},
    {ValueKind::BlendOp, "Subtract", D3DBLENDOP_SUBTRACT},
    {ValueKind::BlendOp, "RevSubtract", D3DBLENDOP_REVSUBTRACT},
    {ValueKind::BlendOp, "Min", D3DBLENDOP_MIN},
    {ValueKind::BlendOp, "Max", D3DBLENDOP_MAX},
    {ValueKind::StencilOp, "Keep", D3DSTENCILOP_KEEP},
    {ValueKind::StencilOp, "Zero", D3DSTENCILOP_ZERO},
    {ValueKind::StencilOp, "Replace", D3DSTENCILOP_REPLACE},
    {ValueKind::StencilOp, "IncrSat", D3DSTENCILOP_INCRSAT},
    {ValueKind::StencilOp, "DecrSat", D3DSTENCILOP_DECRSAT},
    {ValueKind::StencilOp, "Invert", D3DSTENCILOP_INVERT},
    {ValueKind::StencilOp, "Incr", D3DSTENCILOP_INCR},
    {ValueKind::StencilOp, "Decr", D3DSTENCILOP_DECR},
    {ValueKind::ColorWrite, "Red", D3DCOLORWRITEENABLE_RED},
    {ValueKind::ColorWrite, "Green", D3DCOLORWRITEENABLE_GREEN},
    {ValueKind::ColorWrite, "Blue", D3DCOLORWRITEENABLE_BLUE},
    {ValueKind::ColorWrite, "Alpha", D3DCOLORWRITEENABLE_ALPHA},
    {ValueKind::Address, "Wrap", D3DTADDRESS_WRAP},
    {ValueKind::Address, "Mirror", D3DTADDRESS_MIRROR},
    {ValueKind::Address, "Clamp", D3DTADDRESS_CLAMP},
    {ValueKind::Address, "Border", D3DTADDRESS_BORDER},
    {ValueKind::Address, "MirrorOnce", D3DTADDRESS_MIRRORONCE},
    {ValueKind::Filter, "None", D3DTEXF_NONE},
    {ValueKind::Filter, "Point", D3DTEXF_POINT},
    {ValueKind::Filter, "Linear", D3DTEXF_LINEAR},
    {ValueKind::Filter, "Anisotropic", D3DTEXF_ANISOTROPIC},
};

const StateName* FindState(const StateName* begin, const StateName* end, const std::string& name)
{
    for (const StateName* s = begin; s != end; ++s)
    {
        if (SameNoCase(name, s->name))
            return s;
    }
    return nullptr;
}

bool FindValueName(ValueKind kind, const std::string& name, DWORD* value)
{
    for (const ValueName& v : kValueNames)
    {
        if (v.kind == kind && SameNoCase(name, v.name))
        {
            *value = v.value;
            return true;
        }
    }
    return false;
}

// A whole number between low and high (so converting it to an integer type is exact).
bool WholeWithin(double d, double low, double high)
{
    return d >= low && d <= high && d == std::trunc(d);
}

uint32_t FloatBits(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// ---- The reader ----------------------------------------------------------------

class Reader
{
public:
    Reader(const std::vector<SourceLine>& lines, TkFxFile* out) : m_lines(lines), m_out(out) { Advance(); }

    void ReadFile()
    {
        while (m_token.kind != Tok::End)
            ReadDeclaration();
    }

private:
    // -- cursor over the spliced lines
    char Peek(size_t ahead = 0) const
    {
        if (m_line >= m_lines.size())
            return 0;
        const std::string& t = m_lines[m_line].text;
        return m_col + ahead < t.size() ? t[m_col + ahead] : '\n';
    }

    void Step()
    {
        if (m_line >= m_lines.size())
            return;
        if (m_col < m_lines[m_line].text.size())
            ++m_col;
        else
        {
            ++m_line;
            m_col = 0;
        }
    }

    void SkipSpaceAndComments()
    {
        for (;;)
        {
            char c = Peek();
            if (c == 0)
                return;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\v')
                Step();
            else if (c == '/' && Peek(1) == '/')
            {
                ++m_line;
                m_col = 0;
            }
            else if (c == '/' && Peek(1) == '*')
            {
                size_t start = m_line;
                Step();
                Step();
                while (!(Peek() == '*' && Peek(1) == '/'))
                {
                    if (Peek() == 0)
                        throw ParseError{start, "comment not closed"};
                    Step();
                }
                Step();
                Step();
            }
            else
                return;
        }
    }

    void Advance()
    {
        SkipSpaceAndComments();
        m_token = Token{};
        m_token.line = std::min(m_line, m_lines.empty() ? 0 : m_lines.size() - 1);
        char c = Peek();
        if (c == 0)
            return;
        if (IsIdentStart(c))
        {
            m_token.kind = Tok::Ident;
            while (IsIdentChar(Peek()))
            {
                m_token.text += Peek();
                Step();
            }
        }
        else if (IsDigit(c) || ((c == '-' || c == '.') && (IsDigit(Peek(1)) || Peek(1) == '.')))
        {
            m_token.kind = Tok::Number;
            m_token.text += c;
            Step();
            while (IsIdentChar(Peek()) || Peek() == '.' ||
                   ((Peek() == '-' || Peek() == '+') &&
                    (m_token.text.back() == 'e' || m_token.text.back() == 'E')))
            {
                m_token.text += Peek();
                Step();
            }
        }
        else if (c == '"')
        {
            m_token.kind = Tok::String;
            Step();
            while (Peek() != '"')
            {
                if (Peek() == '\n' || Peek() == 0)
                    throw ParseError{m_token.line, "string not closed"};
                m_token.text += Peek();
                Step();
            }
            Step();
        }
        else
        {
            m_token.kind = Tok::Punct;
            m_token.text = c;
            Step();
        }
    }

    [[noreturn]] void Fail(const std::string& message) const { throw ParseError{m_token.line, message}; }

    std::string Describe() const
    {
        if (m_token.kind == Tok::End)
            return "end of file";
        return "'" + m_token.text + "'";
    }

    bool IsPunct(char c) const { return m_token.kind == Tok::Punct && m_token.text[0] == c; }

    void Expect(char c)
    {
        if (!IsPunct(c))
            Fail(std::string("expected '") + c + "' but found " + Describe());
        Advance();
    }

    bool Accept(char c)
    {
        if (!IsPunct(c))
            return false;
        Advance();
        return true;
    }

    std::string ExpectIdent(const char* what)
    {
        if (m_token.kind != Tok::Ident)
            Fail(std::string("expected ") + what + " but found " + Describe());
        std::string name = m_token.text;
        Advance();
        return name;
    }

    // -- numbers
    static bool ParseNumber(const std::string& text, double* out)
    {
        std::string t = text;
        if (!t.empty() && (t.back() == 'f' || t.back() == 'F') && t.find_first_of("xX") == std::string::npos)
            t.pop_back();
        const char* first = t.data();
        const char* last = t.data() + t.size();
        bool negative = first != last && *first == '-';
        if (last - first > 2 + negative && first[negative] == '0' &&
            (first[negative + 1] == 'x' || first[negative + 1] == 'X'))
        {
            uint64_t v = 0;
            auto r = std::from_chars(first + negative + 2, last, v, kHexBase);
            if (r.ec != std::errc() || r.ptr != last)
                return false;
            *out = negative ? -double(v) : double(v);
            return true;
        }
        auto r = std::from_chars(first, last, *out);
        return r.ec == std::errc() && r.ptr == last && *out == *out;
    }

    double ExpectNumber()
    {
        double sign = 1.0;
        if (IsPunct('-'))
        {
            Advance();
            sign = -1.0;
        }
        if (m_token.kind != Tok::Number)
            Fail("expected a number but found " + Describe());
        double v;
        if (!ParseNumber(m_token.text, &v))
            Fail("bad number '" + m_token.text + "'");
        Advance();
        return sign * v;
    }

    // -- types
    bool ReadType(const std::string& word, TkFxValue* v) const
    {
        struct TypeName
        {
            const char* name;
            TkFxBase base;
            int rows, columns;
        };
        static const TypeName kTypes[] = {
            {"bool", TkFxBase::Bool, 1, 1},           {"int", TkFxBase::Int, 1, 1},
            {"float", TkFxBase::Float, 1, 1},         {"float1", TkFxBase::Float, 1, 1},
            {"float2", TkFxBase::Float, 1, 2},        {"float3", TkFxBase::Float, 1, 3},
            {"float4", TkFxBase::Float, 1, 4},        {"float4x4", TkFxBase::Float, kMatrixSide, kMatrixSide},
            {"texture", TkFxBase::Texture, 1, 1},     {"texture2D", TkFxBase::Texture, 1, 1},
            {"textureCUBE", TkFxBase::Texture, 1, 1}, {"string", TkFxBase::String, 1, 1},
        };
        for (const TypeName& t : kTypes)
        {
            if (word == t.name)
            {
                v->base = t.base;
                v->rows = t.rows;
                v->columns = t.columns;
                return true;
            }
        }
        return false;
    }

    // The components of an initializer, flattened; strings come back in *text.
    void ReadInitializer(TkFxValue* v)
    {
        if (m_token.kind == Tok::String)
        {
            if (v->base != TkFxBase::String)
                Fail("type mismatch: '" + v->name + "' is not a string");
            v->text = m_token.text;
            Advance();
            return;
        }
        if (v->base == TkFxBase::String)
            Fail("type mismatch: '" + v->name + "' takes a string");
        if (v->base == TkFxBase::Texture)
            Fail("type mismatch: texture '" + v->name + "' takes no value");
        std::vector<double> values;
        ReadValues(&values, 0, v->Components());
        if (int(values.size()) != v->Components())
        {
            Fail("type mismatch: '" + v->name + "' takes " + std::to_string(v->Components()) + " values, " +
                 std::to_string(values.size()) + " given");
        }
        for (size_t i = 0; i < values.size(); ++i)
        {
            double d = values[i];
            if (v->base == TkFxBase::Float)
                v->data[i] = FloatBits(float(d));
            else if (v->base == TkFxBase::Bool)
            {
                if (d != 0.0 && d != 1.0)
                    Fail("type mismatch: '" + v->name + "' is bool");
                v->data[i] = d != 0.0;
            }
            else
            {
                if (!WholeWithin(d, double(INT32_MIN), double(INT32_MAX)))
                    Fail("type mismatch: '" + v->name + "' is int");
                v->data[i] = uint32_t(int32_t(d));
            }
        }
    }

    void ReadValues(std::vector<double>* values, int depth, int limit)
    {
        constexpr int kMaxBraceDepth = 8;
        if (IsPunct('{'))
        {
            if (depth >= kMaxBraceDepth)
                Fail("braces nested too deep");
            Advance();
            if (!IsPunct('}'))
            {
                do
                {
                    ReadValues(values, depth + 1, limit);
                    if (int(values->size()) > limit)
                        Fail("too many values");
                } while (Accept(','));
            }
            Expect('}');
            return;
        }
        if (m_token.kind == Tok::Ident && (m_token.text == "true" || m_token.text == "false"))
        {
            values->push_back(m_token.text == "true" ? 1.0 : 0.0);
            Advance();
            return;
        }
        values->push_back(ExpectNumber());
    }

    void Allocate(TkFxValue* v)
    {
        size_t words = size_t(v->Components());
        m_words += words;
        if (m_words > kMaxDataWords)
            Fail("parameters too large");
        v->data.assign(words, 0);
    }

    // -- annotations: < TYPE NAME = VALUE; ... >
    void ReadAnnotations(std::vector<TkFxValue>* out)
    {
        if (!Accept('<'))
            return;
        while (!Accept('>'))
        {
            TkFxValue a;
            a.line = m_lines.empty() ? 0 : m_lines[m_token.line].line;
            std::string type = ExpectIdent("an annotation type");
            if (!ReadType(type, &a) || a.base == TkFxBase::Texture || a.rows != 1 ||
                a.columns > kMaxAnnotationColumns)
                Fail("unknown annotation type '" + type + "'");
            a.name = ExpectIdent("an annotation name");
            Allocate(&a);
            Expect('=');
            ReadInitializer(&a);
            Expect(';');
            out->push_back(std::move(a));
        }
    }

    // -- declarations
    void ReadDeclaration()
    {
        if (IsPunct('#'))
            Fail("unknown directive");
        std::string word = ExpectIdent("a declaration");
        if (word == "technique")
            ReadTechnique();
        else if (word == "vertexshader" || word == "pixelshader")
            ReadShader(word == "pixelshader");
        else if (word == "sampler" || word == "sampler2D" || word == "samplerCUBE")
            ReadSampler(word == "samplerCUBE");
        else
            ReadParameter(word);
    }

    bool NameTaken(const std::string& name) const
    {
        for (const TkFxValue& p : m_out->parameters)
        {
            if (p.name == name)
                return true;
        }
        for (const TkFxSampler& s : m_out->samplers)
        {
            if (s.name == name)
                return true;
        }
        return false;
    }

    void ReadParameter(const std::string& type)
    {
        TkFxValue v;
        v.line = m_lines[m_token.line].line;
        if (!ReadType(type, &v))
            Fail("unknown type '" + type + "'");
        v.name = ExpectIdent("a parameter name");
        if (NameTaken(v.name))
            Fail("'" + v.name + "' is declared twice");
        if (Accept('['))
        {
            double n = ExpectNumber();
            if (n < 1 || n > TK_FX_MAX_ELEMENTS || n != double(int(n)))
                Fail("array size of '" + v.name + "' out of range");
            if (v.base == TkFxBase::Texture || v.base == TkFxBase::String)
                Fail("arrays of '" + type + "' are not supported");
            v.elements = int(n);
            Expect(']');
        }
        if (Accept(':'))
            v.semantic = ExpectIdent("a semantic");
        if (v.base != TkFxBase::String && v.base != TkFxBase::Texture)
            Allocate(&v);
        ReadAnnotations(&v.annotations);
        if (Accept('='))
            ReadInitializer(&v);
        Expect(';');
        m_out->parameters.push_back(std::move(v));
    }

    DWORD ReadStateValue(ValueKind kind)
    {
        if (kind == ValueKind::Float)
            return FloatBits(float(ExpectNumber()));
        if (kind == ValueKind::ColorWrite)
        {
            DWORD mask = 0;
            do
            {
                if (m_token.kind == Tok::Ident)
                {
                    DWORD bit;
                    if (!FindValueName(kind, m_token.text, &bit))
                        Fail("unknown value " + Describe());
                    mask |= bit;
                    Advance();
                }
                else
                    mask |= DWORD(ReadDword());
            } while (Accept('|'));
            return mask;
        }
        if (m_token.kind == Tok::Ident)
        {
            DWORD value;
            if (!FindValueName(kind, m_token.text, &value) &&
                !(kind == ValueKind::Dword && FindValueName(ValueKind::Bool, m_token.text, &value)))
            {
                Fail("unknown value " + Describe());
            }
            Advance();
            return value;
        }
        return ReadDword();
    }

    DWORD ReadDword()
    {
        double d = ExpectNumber();
        if (!WholeWithin(d, double(INT32_MIN), double(UINT32_MAX)))
            Fail("value out of range");
        return DWORD(uint32_t(int64_t(d)));
    }

    void ReadSampler(bool cube)
    {
        TkFxSampler s;
        s.cube = cube;
        s.line = m_lines[m_token.line].line;
        s.name = ExpectIdent("a sampler name");
        if (NameTaken(s.name))
            Fail("'" + s.name + "' is declared twice");
        if (int(m_out->samplers.size()) >= TK_FX_MAX_SAMPLERS)
            Fail("more than " + std::to_string(TK_FX_MAX_SAMPLERS) + " samplers");
        Expect('=');
        if (m_token.kind != Tok::Ident || m_token.text != "sampler_state")
            Fail("expected sampler_state but found " + Describe());
        Advance();
        Expect('{');
        while (!Accept('}'))
        {
            std::string state = ExpectIdent("a sampler state");
            Expect('=');
            if (SameNoCase(state, "Texture"))
            {
                Expect('<');
                s.texture = ExpectIdent("a texture parameter");
                Expect('>');
                const TkFxValue* p = FindParameter(s.texture);
                if (!p || p->base != TkFxBase::Texture)
                    Fail("'" + s.texture + "' is not a texture parameter");
            }
            else
            {
                const StateName* n = FindState(std::begin(kSamplerStates), std::end(kSamplerStates), state);
                if (!n)
                    Fail("unknown sampler state '" + state + "'");
                s.states.push_back({D3DSAMPLERSTATETYPE(n->state), ReadStateValue(n->kind)});
            }
            Expect(';');
        }
        Expect(';');
        m_out->samplers.push_back(std::move(s));
    }

    const TkFxValue* FindParameter(const std::string& name) const
    {
        for (const TkFxValue& p : m_out->parameters)
        {
            if (p.name == name)
                return &p;
        }
        return nullptr;
    }

    void ReadShader(bool pixel)
    {
        TkFxShader s;
        s.pixel = pixel;
        s.line = m_lines[m_token.line].line;
        s.file = m_out->files[size_t(m_lines[m_token.line].file)];
        s.name = ExpectIdent("a shader name");
        for (const TkFxShader& other : m_out->shaders)
        {
            if (other.name == s.name)
                Fail("shader '" + s.name + "' is declared twice");
        }
        // The body is raw GLSL: take it from the character after the brace
        // to the matching one, without tokenising it.
        // The token read ahead is the brace; the cursor stands just after it.
        if (!IsPunct('{'))
            Fail("expected '{' after shader '" + s.name + "'");
        size_t start = m_token.line;
        int depth = 1;
        int lastFile = -1, lastLine = -1;
        std::string body;
        auto mark = [&]()
        {
            if (m_line >= m_lines.size())
                return;
            const SourceLine& l = m_lines[m_line];
            if (l.file != lastFile || l.line != lastLine + 1)
                body += "#line " + std::to_string(l.line) + " " + std::to_string(l.file) + "\n";
            lastFile = l.file;
            lastLine = l.line;
        };
        mark();
        body += std::string(m_col, ' ');
        for (;;)
        {
            char c = Peek();
            if (c == 0)
                throw ParseError{start, "shader '" + s.name + "' not closed"};
            if (c == '/' && Peek(1) == '/')
            {
                const std::string& t = m_lines[m_line].text;
                body.append(t, m_col, std::string::npos);
                m_col = t.size();
                continue;
            }
            if (c == '/' && Peek(1) == '*')
            {
                body += "/*";
                Step();
                Step();
                while (!(Peek() == '*' && Peek(1) == '/'))
                {
                    if (Peek() == 0)
                        throw ParseError{start, "comment not closed"};
                    if (Peek() == '\n')
                    {
                        body += '\n';
                        Step();
                        mark();
                        continue;
                    }
                    body += Peek();
                    Step();
                }
                body += "*/";
                Step();
                Step();
                continue;
            }
            if (c == '{')
                ++depth;
            else if (c == '}' && --depth == 0)
            {
                Step();
                break;
            }
            if (c == '\n')
            {
                body += '\n';
                Step();
                mark();
                continue;
            }
            body += c;
            Step();
        }
        body += '\n';
        s.body = std::move(body);
        m_out->shaders.push_back(std::move(s));
        Advance();
    }

    int FindShader(const std::string& name, bool pixel) const
    {
        for (size_t i = 0; i < m_out->shaders.size(); ++i)
        {
            if (m_out->shaders[i].name == name)
            {
                if (m_out->shaders[i].pixel != pixel)
                    Fail("'" + name + "' is a " + (pixel ? "vertex" : "pixel") + " shader");
                return int(i);
            }
        }
        Fail("unknown shader '" + name + "'");
    }

    void ReadTechnique()
    {
        TkFxTechnique t;
        t.line = m_lines[m_token.line].line;
        t.name = ExpectIdent("a technique name");
        for (const TkFxTechnique& other : m_out->techniques)
        {
            if (other.name == t.name)
                Fail("technique '" + t.name + "' is declared twice");
        }
        ReadAnnotations(&t.annotations);
        Expect('{');
        while (!Accept('}'))
        {
            std::string word = ExpectIdent("a pass");
            if (word != "pass")
                Fail("expected 'pass' but found '" + word + "'");
            t.passes.push_back(ReadPass());
        }
        if (t.passes.empty())
            Fail("technique '" + t.name + "' has no pass");
        m_out->techniques.push_back(std::move(t));
    }

    TkFxPass ReadPass()
    {
        TkFxPass p;
        p.line = m_lines[m_token.line].line;
        p.file = m_out->files[size_t(m_lines[m_token.line].file)];
        if (m_token.kind == Tok::Ident)
            p.name = ExpectIdent("a pass name");
        ReadAnnotations(&p.annotations);
        Expect('{');
        while (!Accept('}'))
        {
            std::string state = ExpectIdent("a render state");
            Expect('=');
            if (SameNoCase(state, "VertexShader") || SameNoCase(state, "PixelShader"))
            {
                bool pixel = SameNoCase(state, "PixelShader");
                int shader = FindShader(ExpectIdent("a shader name"), pixel);
                (pixel ? p.pixelShader : p.vertexShader) = shader;
            }
            else
            {
                const StateName* n = FindState(std::begin(kRenderStates), std::end(kRenderStates), state);
                if (!n)
                    Fail("unknown state name '" + state + "'");
                p.states.push_back({D3DRENDERSTATETYPE(n->state), ReadStateValue(n->kind)});
            }
            Expect(';');
        }
        if (p.vertexShader < 0 || p.pixelShader < 0)
            Fail("pass '" + p.name + "' needs a vertex and a pixel shader");
        return p;
    }

    const std::vector<SourceLine>& m_lines;
    TkFxFile* m_out;
    size_t m_line = 0;
    size_t m_col = 0;
    size_t m_words = 0;
    Token m_token;
};

} // namespace

bool TkParseEffect(const std::string& name, const TkFxReadFile& read, TkFxFile* out, std::string* errors)
{
    *out = TkFxFile{};
    Splicer splicer(read, out, errors);
    if (!splicer.Load(name, std::string(), 0))
        return false;
    if (splicer.lines.empty())
    {
        *errors += name + "(1): error: no technique\n";
        return false;
    }
    try
    {
        Reader reader(splicer.lines, out);
        reader.ReadFile();
    }
    catch (const ParseError& e)
    {
        const SourceLine& l = splicer.lines[std::min(e.line, splicer.lines.size() - 1)];
        *errors +=
            out->files[size_t(l.file)] + "(" + std::to_string(l.line) + "): error: " + e.message + "\n";
        return false;
    }
    if (out->techniques.empty())
    {
        *errors += name + "(" + std::to_string(splicer.lines.back().line) + "): error: no technique\n";
        return false;
    }
    return true;
}

bool TkFxReadThroughResolver(const std::string& name, std::string* text)
{
    FILE* f = TkFopen(name.c_str(), "rb");
    if (!f)
        return false;
    text->clear();
    char chunk[4096];
    size_t n;
    bool ok = true;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    {
        if (text->size() + n > TK_FX_MAX_FILE_BYTES)
        {
            // Keep one byte too many so the caller reports the size.
            text->append(chunk, std::min(n, TK_FX_MAX_FILE_BYTES + 1 - text->size()));
            break;
        }
        text->append(chunk, n);
    }
    if (std::ferror(f))
        ok = false;
    std::fclose(f);
    return ok;
}
