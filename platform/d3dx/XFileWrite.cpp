// Writing .x files: the templates an object list uses, then the objects, as text (laid out with the
// templates' separators), binary (integer and float lists) or either of them MSZIP-compressed.
#include "platform/d3dx/XFile.h"
#include "platform/d3dx/XFormat.h"

#include "platform/win32/Path.h"

#include <zlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <map>
#include <set>

namespace tk::xfile
{
namespace
{
constexpr const char* kMaterialGuid = "3D82AB4D-62DA-11cf-AB39-0020AF71E433";
constexpr const char* kAnimationGuid = "3D82AB4F-62DA-11cf-AB39-0020AF71E433";

// The standard templates, members in the order the values follow.
constexpr XTemplateDecl kTemplates[] = {
    {"Header", "3D82AB43-62DA-11cf-AB39-0020AF71E433", "WORD major; WORD minor; DWORD flags;"},
    {"Vector", "3D82AB5E-62DA-11cf-AB39-0020AF71E433", "FLOAT x; FLOAT y; FLOAT z;"},
    {"Coords2d", "F6F23F44-7686-11cf-8F52-0040333594A3", "FLOAT u; FLOAT v;"},
    {"Matrix4x4", "F6F23F45-7686-11cf-8F52-0040333594A3", "array FLOAT matrix[16];"},
    {"ColorRGBA", "35FF44E0-6C7C-11cf-8F52-0040333594A3", "FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha;"},
    {"ColorRGB", "D3E16E81-7835-11cf-8F52-0040333594A3", "FLOAT red; FLOAT green; FLOAT blue;"},
    {"IndexedColor", "1630B820-7842-11cf-8F52-0040333594A3", "DWORD index; ColorRGBA indexColor;"},
    {"Material", kMaterialGuid,
     "ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor; [...]"},
    {"TextureFilename", "A42790E1-7810-11cf-8F52-0040333594A3", "STRING filename;"},
    {"MeshFace", "3D82AB5F-62DA-11cf-AB39-0020AF71E433",
     "DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices];"},
    {"MeshTextureCoords", "F6F23F40-7686-11cf-8F52-0040333594A3",
     "DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords];"},
    {"MeshNormals", "F6F23F43-7686-11cf-8F52-0040333594A3",
     "DWORD nNormals; array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace "
     "faceNormals[nFaceNormals];"},
    {"MeshVertexColors", "1630B821-7842-11cf-8F52-0040333594A3",
     "DWORD nVertexColors; array IndexedColor vertexColors[nVertexColors];"},
    {"MeshMaterialList", "F6F23F42-7686-11cf-8F52-0040333594A3",
     "DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes]; [Material "
     "<3D82AB4D-62DA-11cf-AB39-0020AF71E433>]"},
    {"Mesh", "3D82AB44-62DA-11cf-AB39-0020AF71E433",
     "DWORD nVertices; array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...]"},
    {"FrameTransformMatrix", "F6F23F41-7686-11cf-8F52-0040333594A3", "Matrix4x4 frameMatrix;"},
    {"Frame", "3D82AB46-62DA-11cf-AB39-0020AF71E433", "[...]"},
    {"FloatKeys", "10DD46A9-775B-11cf-8F52-0040333594A3", "DWORD nValues; array FLOAT values[nValues];"},
    {"TimedFloatKeys", "F406B180-7B3B-11cf-8F52-0040333594A3", "DWORD time; FloatKeys tfkeys;"},
    {"AnimationKey", "10DD46A8-775B-11cf-8F52-0040333594A3",
     "DWORD keyType; DWORD nKeys; array TimedFloatKeys keys[nKeys];"},
    {"AnimationOptions", "E2BF56C0-840F-11cf-8F52-0040333594A3", "DWORD openclosed; DWORD positionquality;"},
    {"Animation", kAnimationGuid, "[...]"},
    {"AnimationSet", "3D82AB50-62DA-11cf-AB39-0020AF71E433",
     "[Animation <3D82AB4F-62DA-11cf-AB39-0020AF71E433>]"},
    {"AnimTicksPerSecond", "9E415A43-7BA6-4a73-8743-B73D47E88476", "DWORD AnimTicksPerSecond;"},
    {"XSkinMeshHeader", "3CF169CE-FF7C-44ab-93C0-F78F62D172E2",
     "WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace; WORD nBones;"},
    {"VertexDuplicationIndices", "B8D65549-D7C9-4995-89CF-53A9A8B031E3",
     "DWORD nIndices; DWORD nOriginalVertices; array DWORD indices[nIndices];"},
    {"SkinWeights", "6F0D123B-BAD2-4167-A0D0-80224F25FABB",
     "STRING transformNodeName; DWORD nWeights; array DWORD vertexIndices[nWeights]; array FLOAT "
     "weights[nWeights]; Matrix4x4 matrixOffset;"},
    {"FVFData", "B6E70A0E-8EF9-4e83-94AD-ECC8B0C04897",
     "DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords];"},
    {"VertexElement", "F752461C-1E23-48f6-B9F8-8350850F336F",
     "DWORD Type; DWORD Method; DWORD Usage; DWORD UsageIndex;"},
    {"DeclData", "BF22E553-292C-4781-9FEA-62BD554BDD93",
     "DWORD nElements; array VertexElement Elements[nElements]; DWORD nDWords; array DWORD data[nDWords];"},
    {"EffectInstance", "E331F7E4-0559-4cc2-8E99-1CEC1657928F", "STRING EffectFilename; [...]"},
    {"EffectParamFloats", "3014B9A0-62F5-478c-9B86-E4AC9F4E418B",
     "STRING ParamName; DWORD nFloats; array FLOAT Floats[nFloats];"},
    {"EffectParamString", "1DBC4C88-94C1-46ee-9076-2C28818C9481", "STRING ParamName; STRING Value;"},
    {"EffectParamDWord", "E13963BC-AE51-4c5d-B00F-CFA3A9D97CE5", "STRING ParamName; DWORD Value;"},
};

struct Member
{
    bool array = false;
    std::string type;
    std::string name;
    std::string dim; // a number or the name of an earlier member
};

struct Layout
{
    std::vector<Member> members;
    std::vector<std::string> restrictions; // "[...]" pieces, as written
};

std::string Trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && s[a] == ' ')
        ++a;
    while (b > a && s[b - 1] == ' ')
        --b;
    return s.substr(a, b - a);
}

Layout ParseLayout(const char* members)
{
    Layout layout;
    std::string text = members;
    size_t pos = 0;
    while (pos < text.size())
    {
        std::string piece;
        if (text[pos] == '[' || (text[pos] == ' ' && Trim(text.substr(pos)).rfind('[', 0) == 0))
        {
            const size_t end = text.find(']', pos);
            piece = Trim(text.substr(pos, end == std::string::npos ? std::string::npos : end + 1 - pos));
            layout.restrictions.push_back(piece);
            pos = end == std::string::npos ? text.size() : end + 1;
            continue;
        }
        const size_t end = text.find(';', pos);
        piece = Trim(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end == std::string::npos ? text.size() : end + 1;
        if (piece.empty())
            continue;
        Member m;
        if (piece.rfind("array ", 0) == 0)
        {
            m.array = true;
            piece = Trim(piece.substr(6));
        }
        const size_t space = piece.find(' ');
        m.type = piece.substr(0, space);
        std::string rest = Trim(piece.substr(space + 1));
        const size_t bracket = rest.find('[');
        if (bracket != std::string::npos)
        {
            m.name = rest.substr(0, bracket);
            m.dim = rest.substr(bracket + 1, rest.find(']') - bracket - 1);
        }
        else
            m.name = rest;
        layout.members.push_back(m);
    }
    return layout;
}

bool IsPrimitive(const std::string& type)
{
    return type == "DWORD" || type == "WORD" || type == "FLOAT" || type == "STRING" || type == "DOUBLE";
}

// The templates an object's type needs, dependencies first.
void CollectTemplates(const std::string& type, std::vector<const XTemplateDecl*>* order,
                      std::set<std::string>* seen)
{
    if (seen->count(type))
        return;
    const XTemplateDecl* decl = FindStandardTemplate(type.c_str());
    if (!decl)
        return;
    seen->insert(type);
    for (const Member& m : ParseLayout(decl->members).members)
        if (!IsPrimitive(m.type))
            CollectTemplates(m.type, order, seen);
    order->push_back(decl);
}

void CollectObjectTemplates(const XDocument& doc, int index, std::vector<const XTemplateDecl*>* order,
                            std::set<std::string>* seen, int depth)
{
    if (index < 0 || index >= static_cast<int>(doc.objects.size()) || depth > kMaxXNesting)
        return;
    CollectTemplates(doc.objects[index].type, order, seen);
    for (const XChild& c : doc.objects[index].children)
        CollectObjectTemplates(doc, c.object, order, seen, depth + 1);
}

std::string FloatText(float f)
{
    if (!std::isfinite(f))
        f = 0.0f;
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, f);
    std::string s(buffer, r.ptr);
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

float AsFloat(const XValue& v)
{
    float f;
    std::memcpy(&f, &v.bits, sizeof f);
    return f;
}

// ---- Text -------------------------------------------------------------------------------------

class TextWriter
{
public:
    TextWriter(const XDocument& doc, std::string* out) : m_doc(doc), m_out(*out) {}

    void Template(const XTemplateDecl& decl)
    {
        m_out += "template ";
        m_out += decl.name;
        m_out += " {\n <";
        m_out += decl.guid;
        m_out += ">\n";
        const Layout layout = ParseLayout(decl.members);
        for (const Member& m : layout.members)
        {
            m_out += ' ';
            if (m.array)
                m_out += "array ";
            m_out += m.type + " " + m.name;
            if (m.array)
                m_out += "[" + m.dim + "]";
            m_out += ";\n";
        }
        for (const std::string& r : layout.restrictions)
            m_out += " " + r + "\n";
        m_out += "}\n\n";
    }

    void Object(int index, int indent)
    {
        const XObject& o = m_doc.objects[index];
        const std::string pad(indent, ' ');
        m_out += pad + o.type;
        if (!o.name.empty())
            m_out += " " + o.name;
        m_out += " {\n";
        size_t next = 0;
        const XTemplateDecl* decl = FindStandardTemplate(o.type.c_str());
        std::string body;
        if (decl && Struct(o, ParseLayout(decl->members), &next, &body, 0))
        {
            if (!body.empty())
            {
                std::string indented;
                for (char c : body)
                {
                    indented += c;
                    if (c == '\n')
                        indented += pad;
                }
                m_out += pad + " " + indented + "\n";
            }
        }
        else
            next = 0;
        // Values beyond what the template lays out (or of an unknown template), one per member.
        for (; next < o.values.size(); ++next)
            m_out += pad + " " + Value(o, o.values[next]) + ";\n";
        for (const XChild& c : o.children)
        {
            if (c.object >= 0)
                Object(c.object, indent + 1);
            else
                m_out += pad + " { " + c.reference + " }\n";
        }
        m_out += pad + "}\n";
    }

private:
    std::string Value(const XObject& o, const XValue& v) const
    {
        switch (v.kind)
        {
        case XValue::Int:
            return std::to_string(v.bits);
        case XValue::Float:
            return FloatText(AsFloat(v));
        default:
            return "\"" + (v.bits < o.strings.size() ? o.strings[v.bits] : std::string()) + "\"";
        }
    }

    // One member's element: a primitive value or a whole structure (each of its members ends with ';').
    bool Element(const XObject& o, const std::string& type, size_t* next, std::string* out, uint32_t* number,
                 int depth)
    {
        if (IsPrimitive(type))
        {
            if (*next >= o.values.size())
                return false;
            const XValue& v = o.values[*next];
            const bool wantString = type == "STRING";
            if (wantString != (v.kind == XValue::String) || (type != "FLOAT" && v.kind == XValue::Float))
                return false;
            if (number)
                *number = v.bits;
            *out += Value(o, v);
            ++*next;
            return true;
        }
        const XTemplateDecl* decl = FindStandardTemplate(type.c_str());
        return decl && depth < kMaxXNesting && Struct(o, ParseLayout(decl->members), next, out, depth + 1);
    }

    bool Struct(const XObject& o, const Layout& layout, size_t* next, std::string* out, int depth)
    {
        std::map<std::string, uint32_t> dims;
        for (const Member& m : layout.members)
        {
            if (!m.array)
            {
                uint32_t number = 0;
                if (!Element(o, m.type, next, out, &number, depth))
                    return false;
                dims[m.name] = number;
                *out += depth == 0 ? ";\n " : ";";
                continue;
            }
            uint64_t count = 0;
            if (!m.dim.empty() && m.dim[0] >= '0' && m.dim[0] <= '9')
                count = std::strtoul(m.dim.c_str(), nullptr, 10);
            else if (dims.count(m.dim))
                count = dims[m.dim];
            else
                return false;
            if (count > o.values.size() - *next)
                return false;
            const bool structured = !IsPrimitive(m.type);
            for (uint64_t i = 0; i < count; ++i)
            {
                if (i)
                    *out += structured ? ",\n " : ",";
                if (!Element(o, m.type, next, out, nullptr, depth))
                    return false;
            }
            *out += ";";
            if (structured || count > 0)
                *out += "\n ";
        }
        while (!out->empty() && (out->back() == ' ' || out->back() == '\n'))
            out->pop_back();
        return true;
    }

    const XDocument& m_doc;
    std::string& m_out;
};

// ---- Binary -----------------------------------------------------------------------------------

class BinaryWriter
{
public:
    BinaryWriter(const XDocument& doc, std::vector<uint8_t>* out) : m_doc(doc), m_out(*out) {}

    void Template(const XTemplateDecl& decl)
    {
        Token(kTokenTemplate);
        Name(decl.name);
        Token(kTokenObrace);
        Guid(decl.guid);
        const Layout layout = ParseLayout(decl.members);
        for (const Member& m : layout.members)
        {
            if (m.array)
                Token(kTokenArray);
            Type(m.type);
            Name(m.name);
            if (m.array)
            {
                Token(kTokenObracket);
                if (m.dim[0] >= '0' && m.dim[0] <= '9')
                {
                    Token(kTokenInteger);
                    Dword(static_cast<uint32_t>(std::strtoul(m.dim.c_str(), nullptr, 10)));
                }
                else
                    Name(m.dim);
                Token(kTokenCbracket);
            }
            Token(kTokenSemicolon);
        }
        for (const std::string& r : layout.restrictions)
        {
            Token(kTokenObracket);
            if (r == "[...]")
            {
                Token(kTokenDot);
                Token(kTokenDot);
                Token(kTokenDot);
            }
            else
            {
                const size_t space = r.find(' ');
                Name(r.substr(1, space - 1));
                const size_t open = r.find('<');
                if (open != std::string::npos)
                    Guid(r.substr(open + 1, r.find('>') - open - 1).c_str());
            }
            Token(kTokenCbracket);
        }
        Token(kTokenCbrace);
    }

    void Object(int index)
    {
        const XObject& o = m_doc.objects[index];
        Name(o.type);
        if (!o.name.empty())
            Name(o.name);
        Token(kTokenObrace);
        size_t i = 0;
        while (i < o.values.size())
        {
            const XValue::Kind kind = o.values[i].kind;
            if (kind == XValue::String)
            {
                const uint32_t s = o.values[i].bits;
                Token(kTokenString);
                const std::string text = s < o.strings.size() ? o.strings[s] : std::string();
                Dword(static_cast<uint32_t>(text.size()));
                m_out.insert(m_out.end(), text.begin(), text.end());
                Token(kTokenSemicolon);
                ++i;
                continue;
            }
            size_t j = i;
            while (j < o.values.size() && o.values[j].kind == kind)
                ++j;
            Token(kind == XValue::Int ? kTokenIntegerList : kTokenFloatList);
            Dword(static_cast<uint32_t>(j - i));
            for (; i < j; ++i)
            {
                if (kind == XValue::Float && m_doc.doubles)
                {
                    const double d = AsFloat(o.values[i]);
                    uint8_t bytes[sizeof d];
                    std::memcpy(bytes, &d, sizeof d);
                    m_out.insert(m_out.end(), bytes, bytes + sizeof d);
                }
                else
                    Dword(o.values[i].bits);
            }
        }
        for (const XChild& c : o.children)
        {
            if (c.object >= 0)
                Object(c.object);
            else
            {
                Token(kTokenObrace);
                Name(c.reference);
                Token(kTokenCbrace);
            }
        }
        Token(kTokenCbrace);
    }

private:
    void Token(uint16_t t)
    {
        m_out.push_back(static_cast<uint8_t>(t));
        m_out.push_back(static_cast<uint8_t>(t >> 8));
    }

    void Dword(uint32_t v)
    {
        for (int shift = 0; shift < 32; shift += 8)
            m_out.push_back(static_cast<uint8_t>(v >> shift));
    }

    void Name(const std::string& s)
    {
        Token(kTokenName);
        Dword(static_cast<uint32_t>(s.size()));
        m_out.insert(m_out.end(), s.begin(), s.end());
    }

    void Type(const std::string& type)
    {
        if (type == "DWORD")
            Token(kTokenDword);
        else if (type == "WORD")
            Token(kTokenWord);
        else if (type == "FLOAT")
            Token(kTokenFloat);
        else if (type == "STRING")
            Token(kTokenLpstr);
        else
            Name(type);
    }

    // "3D82AB44-62DA-11cf-AB39-0020AF71E433": one dword, two words and eight bytes, little-endian.
    void Guid(const char* text)
    {
        std::string hex;
        for (const char* p = text; *p; ++p)
            if (*p != '-')
                hex += *p;
        auto byteAt = [&](size_t i)
        { return static_cast<uint8_t>(std::strtoul(hex.substr(i * 2, 2).c_str(), nullptr, 16)); };
        Token(kTokenGuid);
        const int order[kGuidSize] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        for (int i : order)
            m_out.push_back(hex.size() >= kGuidSize * 2 ? byteAt(static_cast<size_t>(i)) : 0);
    }

    const XDocument& m_doc;
    std::vector<uint8_t>& m_out;
};

bool Deflate(const std::vector<uint8_t>& body, std::vector<uint8_t>* out)
{
    const uint32_t total = static_cast<uint32_t>(body.size() + kXHeaderSize);
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back(static_cast<uint8_t>(total >> shift));
    z_stream z = {};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    bool ok = true;
    for (size_t start = 0; ok && start < body.size(); start += kZipBlockPlain)
    {
        const size_t plain = std::min(kZipBlockPlain, body.size() - start);
        std::vector<uint8_t> packed(deflateBound(&z, static_cast<uLong>(plain)) + kZipBlockHeader);
        ok = deflateReset(&z) == Z_OK;
        if (ok && start >= kZipBlockPlain)
            ok = deflateSetDictionary(&z, body.data() + start - kZipBlockPlain,
                                      static_cast<uInt>(kZipBlockPlain)) == Z_OK;
        z.next_in = const_cast<Bytef*>(body.data() + start);
        z.avail_in = static_cast<uInt>(plain);
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        ok = ok && deflate(&z, Z_FINISH) == Z_STREAM_END;
        const size_t size = packed.size() - z.avail_out + kZipSignatureSize;
        ok = ok && size <= UINT16_MAX;
        if (!ok)
            break;
        out->push_back(static_cast<uint8_t>(plain));
        out->push_back(static_cast<uint8_t>(plain >> 8));
        out->push_back(static_cast<uint8_t>(size));
        out->push_back(static_cast<uint8_t>(size >> 8));
        out->push_back('C');
        out->push_back('K');
        out->insert(out->end(), packed.begin(), packed.begin() + (size - kZipSignatureSize));
    }
    deflateEnd(&z);
    return ok;
}
} // namespace

const XTemplateDecl* FindStandardTemplate(const char* name)
{
    if (!name)
        return nullptr;
    for (const XTemplateDecl& t : kTemplates)
        if (std::strcmp(t.name, name) == 0)
            return &t;
    return nullptr;
}

bool XWriteMemory(const XDocument& doc, XFormat format, std::vector<uint8_t>* out)
{
    out->clear();
    std::vector<const XTemplateDecl*> order;
    std::set<std::string> seen;
    for (int root : doc.roots)
        CollectObjectTemplates(doc, root, &order, &seen, 0);

    const bool binary = format == XFormat::Binary || format == XFormat::BinaryZip;
    const bool zip = format == XFormat::TextZip || format == XFormat::BinaryZip;
    std::vector<uint8_t> body;
    if (binary)
    {
        BinaryWriter w(doc, &body);
        for (const XTemplateDecl* t : order)
            w.Template(*t);
        for (int root : doc.roots)
            w.Object(root);
    }
    else
    {
        std::string text;
        TextWriter w(doc, &text);
        for (const XTemplateDecl* t : order)
            w.Template(*t);
        for (int root : doc.roots)
            w.Object(root, 0);
        body.assign(text.begin(), text.end());
    }
    const char* kind = binary ? (zip ? "bzip" : "bin ") : (zip ? "tzip" : "txt ");
    std::string header = "xof 0303";
    header += kind;
    header += doc.doubles ? "0064" : "0032";
    out->assign(header.begin(), header.end());
    if (!binary && !zip)
        out->push_back('\n');
    if (zip)
        return Deflate(body, out);
    out->insert(out->end(), body.begin(), body.end());
    return true;
}

bool XWriteFile(const char* path, const XDocument& doc, XFormat format)
{
    std::vector<uint8_t> bytes;
    if (!path || !XWriteMemory(doc, format, &bytes))
        return false;
    FILE* f = TkFopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
} // namespace tk::xfile
