// The .x reader and writer: every format gives back the same objects, values and references; hand-
// written text with comments, templates and unknown objects reads; damaged files are refused.
#include "platform/d3dx/XFile.h"
#include "platform/d3dx/XMesh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tk::xfile;

namespace
{
XDocument Sample()
{
    XMeshDesc mesh;
    mesh.name = "quad";
    mesh.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    mesh.normals = {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1};
    mesh.texcoords = {0, 1, 1, 1, 1, 0, 0, 0};
    mesh.colors = {0xFF102030u, 0x80FFFFFFu, 0u, 0xFFFF0000u};
    mesh.indices = {0, 1, 2, 0, 2, 3};
    mesh.faceMaterials = {1, 0};
    XMaterialDesc a;
    a.texture = "stone.tga";
    XMaterialDesc b;
    b.diffuse[0] = 0.25f;
    b.power = 7.5f;
    mesh.materials = {a, b};
    XDocument doc;
    const int frame = doc.Add(-1, "Frame", "root");
    XAddMesh(&doc, frame, mesh);
    XAddMaterial(&doc, -1, a, "Shared");
    const int list = doc.Add(frame, "MeshMaterialList");
    doc.objects[list].Int(1);
    doc.objects[list].Int(0);
    doc.AddReference(list, "Shared");
    const int big = doc.Add(-1, "Custom", "odd");
    doc.objects[big].Float(-1.5e-7f);
    doc.objects[big].Int(4000000000u);
    doc.objects[big].String("with spaces");
    return doc;
}

// The same tree from the roots down: types, names, values (bit for bit), strings and children.
void ExpectSameObject(const XDocument& a, int ia, const XDocument& b, int ib)
{
    const XObject& x = a.objects[ia];
    const XObject& y = b.objects[ib];
    EXPECT_EQ(x.type, y.type);
    EXPECT_EQ(x.name, y.name);
    ASSERT_EQ(x.values.size(), y.values.size()) << x.type;
    for (size_t v = 0; v < x.values.size(); ++v)
    {
        EXPECT_EQ(x.values[v].kind, y.values[v].kind) << x.type << " value " << v;
        EXPECT_EQ(x.values[v].bits, y.values[v].bits) << x.type << " value " << v;
    }
    EXPECT_EQ(x.strings, y.strings);
    ASSERT_EQ(x.children.size(), y.children.size());
    for (size_t c = 0; c < x.children.size(); ++c)
    {
        EXPECT_EQ(x.children[c].reference, y.children[c].reference);
        ASSERT_EQ(x.children[c].object < 0, y.children[c].object < 0);
        if (x.children[c].object >= 0)
            ExpectSameObject(a, x.children[c].object, b, y.children[c].object);
    }
}

void ExpectSame(const XDocument& a, const XDocument& b)
{
    ASSERT_EQ(a.roots.size(), b.roots.size());
    ASSERT_EQ(a.objects.size(), b.objects.size());
    for (size_t r = 0; r < a.roots.size(); ++r)
        ExpectSameObject(a, a.roots[r], b, b.roots[r]);
}
} // namespace

TEST(XFile, EveryFormatReadsBackTheSameTree)
{
    const XDocument doc = Sample();
    for (XFormat format : {XFormat::Text, XFormat::Binary, XFormat::TextZip, XFormat::BinaryZip})
    {
        SCOPED_TRACE(static_cast<int>(format));
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(XWriteMemory(doc, format, &bytes));
        XDocument back;
        ASSERT_EQ(XReadMemory(bytes.data(), bytes.size(), &back), XResult::Ok);
        ExpectSame(doc, back);
        // Written twice, byte for byte the same.
        std::vector<uint8_t> again;
        ASSERT_TRUE(XWriteMemory(back, format, &again));
        EXPECT_EQ(bytes, again);
    }
}

TEST(XFile, DoublesAreReadAsFloats)
{
    XDocument doc = Sample();
    doc.doubles = true;
    for (XFormat format : {XFormat::Text, XFormat::Binary, XFormat::BinaryZip})
    {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(XWriteMemory(doc, format, &bytes));
        EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "0064");
        XDocument back;
        ASSERT_EQ(XReadMemory(bytes.data(), bytes.size(), &back), XResult::Ok);
        EXPECT_TRUE(back.doubles);
        ExpectSame(doc, back);
    }
}

TEST(XFile, TextLaysOutValuesWithTheTemplateSeparators)
{
    XDocument doc;
    const int m = doc.Add(-1, "MeshFace");
    doc.objects[m].Int(3);
    doc.objects[m].Int(0);
    doc.objects[m].Int(1);
    doc.objects[m].Int(2);
    const int mat = doc.Add(-1, "Material", "m");
    for (int i = 0; i < 11; ++i)
        doc.objects[mat].Float(0.5f);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(XWriteMemory(doc, XFormat::Text, &bytes));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("xof 0303txt 0032", 0), 0u);
    EXPECT_NE(text.find("template MeshFace {\n <3D82AB5F-62DA-11cf-AB39-0020AF71E433>"), std::string::npos);
    EXPECT_NE(text.find("MeshFace {\n 3;\n 0,1,2;\n}"), std::string::npos) << text;
    EXPECT_NE(text.find(" 0.5;0.5;0.5;0.5;;\n 0.5;\n 0.5;0.5;0.5;;\n 0.5;0.5;0.5;;\n}"), std::string::npos)
        << text;
}

TEST(XFile, HandWrittenTextWithTemplatesCommentsAndUnknownObjects)
{
    const std::string text =
        "xof 0302txt 0032\r\n"
        "# a comment\r"
        "template Thing {\n <01234567-0000-0000-0000-000000000000>\n DWORD a;\n [...]\n}\n"
        "// another comment\n"
        "Thing t1 { <01234567-0000-0000-0000-000000000000> 7; Unknown { 1;2;3; Deeper {} } }\n"
        "Frame f {\n  { t1 }\n  {t1 <01234567-0000-0000-0000-000000000000>}\n"
        "  Frame g { -2; +3; 1e3; \"s;t\"; }\n}\n";
    XDocument doc;
    ASSERT_EQ(XReadMemory(text.data(), text.size(), &doc), XResult::Ok);
    ASSERT_EQ(doc.templates, std::vector<std::string>{"Thing"});
    ASSERT_EQ(doc.roots.size(), 2u);
    const XObject& t1 = doc.objects[doc.roots[0]];
    EXPECT_EQ(t1.type, "Thing");
    ASSERT_EQ(t1.children.size(), 1u);
    EXPECT_EQ(doc.objects[t1.children[0].object].values.size(), 3u);
    const XObject& f = doc.objects[doc.roots[1]];
    ASSERT_EQ(f.children.size(), 3u);
    EXPECT_EQ(f.children[0].reference, "t1");
    EXPECT_EQ(f.children[1].reference, "t1");
    const XObject& g = doc.objects[f.children[2].object];
    XCursor c(g);
    float minus2, three, thousand;
    ASSERT_TRUE(c.F32(&minus2));
    ASSERT_TRUE(c.F32(&three));
    ASSERT_TRUE(c.F32(&thousand));
    EXPECT_EQ(minus2, -2.0f);
    EXPECT_EQ(three, 3.0f);
    EXPECT_EQ(thousand, 1000.0f);
    std::string s;
    ASSERT_TRUE(c.Str(&s));
    EXPECT_EQ(s, "s;t");
    EXPECT_EQ(doc.FindByName("g"), f.children[2].object);
}

TEST(XFile, CursorRefusesWrongKindsAndTheEnd)
{
    XObject o;
    o.Float(1.5f);
    o.String("a");
    XCursor c(o);
    uint32_t u;
    EXPECT_FALSE(c.U32(&u)); // a float is never an integer
    float f;
    float two[2];
    EXPECT_FALSE(c.F32s(two, 2));
    EXPECT_EQ(c.Position(), 0u);
    ASSERT_TRUE(c.F32(&f));
    EXPECT_FALSE(c.F32(&f));
    std::string s;
    ASSERT_TRUE(c.Str(&s));
    EXPECT_FALSE(c.Str(&s));
}

TEST(XFile, DamagedFilesAreRefused)
{
    const XDocument doc = Sample();
    for (XFormat format : {XFormat::Text, XFormat::Binary, XFormat::TextZip, XFormat::BinaryZip})
    {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(XWriteMemory(doc, format, &bytes));
        // A compressed file cut anywhere is refused; text and binary ones cut between two top-level
        // objects read the objects before the cut. None reads past the end (the sanitizers watch).
        const bool zip = format == XFormat::TextZip || format == XFormat::BinaryZip;
        for (size_t n = 0; n < bytes.size(); ++n)
        {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
            XDocument back;
            const XResult r = XReadMemory(cut.data(), cut.size(), &back);
            if (zip || n < 16)
            {
                EXPECT_EQ(r, XResult::BadData) << "format " << static_cast<int>(format) << " length " << n;
            }
        }
    }
    const std::vector<std::string> bad = {
        "xof 0303txt 0016 Frame {}",                           // float size
        "xof 0303abc 0032 Frame {}",                           // format
        "xyz 0303txt 0032 Frame {}",                           // magic
        "xof 0303txt 0032 Frame { 1 2 3",                      // unclosed
        "xof 0303txt 0032 Frame { {unclosed }",                // reference not closed by name
        "xof 0303txt 0032 Frame { \"open string }",            // string
        "xof 0303txt 0032 Frame { 1.2.3e; }",                  // number
        "xof 0303tzip0032 \x10\x00\x00\x00\x05\x00\x07\x00XX", // no CK signature
    };
    for (const std::string& text : bad)
    {
        XDocument back;
        EXPECT_EQ(XReadMemory(text.data(), text.size(), &back), XResult::BadData) << text;
    }
    // Deep nesting is refused instead of exhausting the stack.
    std::string deep = "xof 0303txt 0032 ";
    for (int i = 0; i < 10000; ++i)
        deep += "F{";
    XDocument back;
    EXPECT_EQ(XReadMemory(deep.data(), deep.size(), &back), XResult::BadData);
}

TEST(XFile, BinaryCountsBeyondTheFileAreRefused)
{
    XDocument doc;
    const int o = doc.Add(-1, "Thing");
    for (int i = 0; i < 4; ++i)
        doc.objects[o].Float(1.0f);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(XWriteMemory(doc, XFormat::Binary, &bytes));
    // The float list's count follows its token: make it huge.
    for (size_t i = 16; i + 6 <= bytes.size(); ++i)
        if (bytes[i] == 7 && bytes[i + 1] == 0 && bytes[i + 2] == 4)
        {
            bytes[i + 2] = 0xFF;
            bytes[i + 5] = 0x7F;
            break;
        }
    XDocument back;
    EXPECT_EQ(XReadMemory(bytes.data(), bytes.size(), &back), XResult::BadData);
    // A compressed file declaring a gigantic size is refused before anything is allocated.
    std::string zip = "xof 0303bzip0032";
    zip += std::string("\xFF\xFF\xFF\x7F", 4);
    zip += std::string("\x10\x00\x08\x00"
                       "CK\x03\x00\x00\x00",
                       10);
    EXPECT_EQ(XReadMemory(zip.data(), zip.size(), &back), XResult::BadData);
}
