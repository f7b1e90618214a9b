#pragma once
// Our own reader and writer of DirectX .x files: text ("txt "), binary ("bin ") and their MSZIP
// compressed forms ("tzip", "bzip"), with 32- or 64-bit floats.
//
// A file becomes an XDocument: a flat list of data objects, the top-level ones in `roots`, each with
// its template name, optional object name, its data values in file order (integers, floats, strings)
// and its children (nested objects or references by name). Separators carry no meaning for the reader:
// the consumers of the standard templates read the values in their known order.
//
// Writer API (stable; world and data generators build on it):
//   XDocument doc;
//   int mesh = doc.Add(-1, "Mesh", "box");          // -1: a top-level object; returns its index
//   doc.objects[mesh].Int(8); doc.objects[mesh].Float(1.0f); doc.objects[mesh].String("a.tga");
//   doc.AddReference(parent, "MaterialName");      // a "{ MaterialName }" child
//   XWriteFile("data\\box.x", doc, XFormat::Text); // or XWriteMemory(doc, format, &bytes)
// Values must follow the template's member order; the writer declares the standard templates it uses
// and lays the text out with the template's separators, so other .x readers take the files too.
// For whole meshes, XMeshDesc (XMesh.h) fills the Mesh object and its children.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tk::xfile
{
enum class XFormat
{
    Text,
    Binary,
    TextZip,
    BinaryZip,
};

struct XValue
{
    enum Kind : uint8_t
    {
        Int,
        Float,
        String,
    };
    // Left unset by default, so long value lists are filled without being cleared first.
    XValue() {}
    XValue(Kind k, uint32_t b) : kind(k), bits(b) {}
    Kind kind;
    uint32_t bits; // the integer, the float's bits, or the index into the object's strings
};

// One child of an object: a nested object (index into XDocument::objects) or a reference by name.
struct XChild
{
    int object = -1;
    std::string reference; // used when object is -1
};

struct XObject
{
    std::string type;
    std::string name;
    std::vector<XValue> values;
    std::vector<std::string> strings;
    std::vector<XChild> children;

    void Int(uint32_t v) { values.push_back({XValue::Int, v}); }
    void Float(float f);
    void Floats(const float* f, size_t n);
    void String(const std::string& s);
};

struct XDocument
{
    std::vector<XObject> objects;
    std::vector<int> roots;
    std::vector<std::string> templates; // names of the templates the file declared
    bool doubles = false;               // the file stored 64-bit floats (the writer: write them so)

    // A new object under parent (-1: top level); returns its index. References stay valid, the
    // XObject& of earlier objects do not (the list may grow).
    int Add(int parent, const std::string& type, const std::string& name = std::string());
    void AddReference(int parent, const std::string& name);
    // The first top-level or nested object of that name, or -1.
    int FindByName(const std::string& name) const;
};

// Reading an XObject's values in order: every read fails past the end or on a value of the wrong
// kind (an integer read as a float is converted; a float never reads as an integer).
class XCursor
{
public:
    explicit XCursor(const XObject& object) : m_values(object.values), m_object(object) {}
    bool U32(uint32_t* out)
    {
        if (m_next >= m_values.size() || m_values[m_next].kind != XValue::Int)
            return false;
        *out = m_values[m_next++].bits;
        return true;
    }
    bool F32(float* out)
    {
        if (m_next >= m_values.size() || m_values[m_next].kind == XValue::String)
            return false;
        const XValue& v = m_values[m_next++];
        if (v.kind == XValue::Float)
            std::memcpy(out, &v.bits, sizeof *out);
        else
            *out = static_cast<float>(v.bits);
        return true;
    }
    bool Str(std::string* out);
    // count values at once; fails without reading when fewer remain or one has the wrong kind.
    bool F32s(float* out, size_t count)
    {
        if (Remaining() < count)
            return false;
        const XValue* v = m_values.data() + m_next;
        for (size_t i = 0; i < count; ++i)
        {
            if (v[i].kind == XValue::Float)
                std::memcpy(&out[i], &v[i].bits, sizeof(float));
            else if (v[i].kind == XValue::Int)
                out[i] = static_cast<float>(v[i].bits);
            else
                return false;
        }
        m_next += count;
        return true;
    }
    bool U32s(uint32_t* out, size_t count)
    {
        if (Remaining() < count)
            return false;
        const XValue* v = m_values.data() + m_next;
        for (size_t i = 0; i < count; ++i)
        {
            if (v[i].kind != XValue::Int)
                return false;
            out[i] = v[i].bits;
        }
        m_next += count;
        return true;
    }
    // The next count values, passed over; null (and nothing passed) when fewer remain.
    const XValue* Take(size_t count)
    {
        if (Remaining() < count)
            return nullptr;
        const XValue* v = m_values.data() + m_next;
        m_next += count;
        return v;
    }
    size_t Remaining() const { return m_values.size() - m_next; }
    size_t Position() const { return m_next; }

private:
    const std::vector<XValue>& m_values;
    const XObject& m_object;
    size_t m_next = 0;
};

enum class XResult
{
    Ok,
    BadData, // not a .x file, truncated, malformed, or beyond the reader's limits
    NoFile,
};

// Nesting deeper than this is refused, so damaged files cannot exhaust the stack.
constexpr int kMaxXNesting = 128;

XResult XReadMemory(const void* bytes, size_t size, XDocument* out);
// Through the layer's path resolver (backslashes, case-blind names).
XResult XReadFile(const char* path, XDocument* out);

bool XWriteMemory(const XDocument& doc, XFormat format, std::vector<uint8_t>* out);
bool XWriteFile(const char* path, const XDocument& doc, XFormat format);
} // namespace tk::xfile
