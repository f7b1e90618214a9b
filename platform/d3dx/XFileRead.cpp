// Reading .x files: the 16-byte header, MSZIP inflation, then the text or binary token stream into
// an XDocument. Every count is checked against the bytes that remain before anything is allocated.
#include "platform/d3dx/XFile.h"
#include "platform/d3dx/XFormat.h"

#include "platform/win32/Path.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tk::xfile
{
void XObject::Float(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    values.push_back({XValue::Float, bits});
}

void XObject::Floats(const float* f, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        Float(f[i]);
}

void XObject::String(const std::string& s)
{
    values.push_back({XValue::String, static_cast<uint32_t>(strings.size())});
    strings.push_back(s);
}

int XDocument::Add(int parent, const std::string& type, const std::string& name)
{
    const int index = static_cast<int>(objects.size());
    objects.emplace_back();
    objects.back().type = type;
    objects.back().name = name;
    if (parent < 0)
        roots.push_back(index);
    else
        objects[parent].children.push_back({index, {}});
    return index;
}

void XDocument::AddReference(int parent, const std::string& name)
{
    objects[parent].children.push_back({-1, name});
}

int XDocument::FindByName(const std::string& name) const
{
    if (name.empty())
        return -1;
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i].name == name)
            return static_cast<int>(i);
    return -1;
}

bool XCursor::Str(std::string* out)
{
    if (m_next >= m_values.size() || m_values[m_next].kind != XValue::String)
        return false;
    const uint32_t index = m_values[m_next].bits;
    if (index >= m_object.strings.size())
        return false;
    *out = m_object.strings[index];
    ++m_next;
    return true;
}

namespace
{
uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// MSZIP: a total size, then blocks of (uncompressed size, compressed size with "CK", "CK", deflate),
// each block inflated with the previous block's output as its dictionary.
bool Inflate(const uint8_t* data, size_t size, std::vector<uint8_t>* out)
{
    if (size < sizeof(uint32_t))
        return false;
    const uint64_t declared = Le32(data);
    const size_t compressed = size - sizeof(uint32_t);
    if (declared > kMaxXBytes || declared > uint64_t(compressed) * kMaxInflateRatio + kXHeaderSize)
        return false;
    out->clear();
    out->reserve(static_cast<size_t>(declared));
    size_t pos = sizeof(uint32_t);
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    bool ok = true;
    size_t previousStart = 0;
    size_t previousSize = 0;
    while (ok && pos < size)
    {
        if (size - pos < kZipBlockHeader)
        {
            ok = false;
            break;
        }
        const size_t plain = Le16(data + pos);
        const size_t packed = Le16(data + pos + 2);
        if (packed < kZipSignatureSize || packed > size - pos - 4 || data[pos + 4] != 'C' ||
            data[pos + 5] != 'K' || out->size() + plain > declared)
        {
            ok = false;
            break;
        }
        const size_t start = out->size();
        out->resize(start + plain);
        if (inflateReset(&z) != Z_OK ||
            (previousSize &&
             inflateSetDictionary(&z, out->data() + previousStart, static_cast<uInt>(previousSize)) != Z_OK))
        {
            ok = false;
            break;
        }
        z.next_in = const_cast<Bytef*>(data + pos + kZipBlockHeader);
        z.avail_in = static_cast<uInt>(packed - kZipSignatureSize);
        z.next_out = out->data() + start;
        z.avail_out = static_cast<uInt>(plain);
        const int r = inflate(&z, Z_FINISH);
        if (r != Z_STREAM_END || z.avail_out != 0)
        {
            ok = false;
            break;
        }
        previousStart = start;
        previousSize = plain;
        pos += 4 + packed;
    }
    inflateEnd(&z);
    // Writers count the total with or without the 16-byte header.
    return ok && (out->size() == declared || out->size() + kXHeaderSize == declared);
}

// ---- Text -------------------------------------------------------------------------------------

class TextParser
{
public:
    TextParser(const char* p, const char* end, XDocument* doc) : m_p(p), m_end(end), m_doc(doc) {}

    bool Run()
    {
        for (;;)
        {
            SkipBlanks();
            if (m_p >= m_end)
                return true;
            std::string word;
            if (!Name(&word))
                return false;
            if (word == "template")
            {
                if (!Template())
                    return false;
                continue;
            }
            if (!Object(-1, word, 0))
                return false;
        }
    }

private:
    static bool IsNameChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
    }

    void SkipBlanks()
    {
        while (m_p < m_end)
        {
            const char c = *m_p;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';')
                ++m_p;
            else if (c == '#' || (c == '/' && m_p + 1 < m_end && m_p[1] == '/'))
            {
                while (m_p < m_end && *m_p != '\n' && *m_p != '\r')
                    ++m_p;
            }
            else
                break;
        }
    }

    bool Name(std::string* out)
    {
        const char* start = m_p;
        while (m_p < m_end && IsNameChar(*m_p))
            ++m_p;
        if (m_p == start)
            return false;
        out->assign(start, m_p);
        return true;
    }

    bool SkipGuid()
    {
        if (m_p >= m_end || *m_p != '<')
            return true;
        while (m_p < m_end && *m_p != '>')
            ++m_p;
        if (m_p >= m_end)
            return false;
        ++m_p;
        return true;
    }

    bool Template()
    {
        SkipBlanks();
        std::string name;
        if (!Name(&name))
            return false;
        SkipBlanks();
        if (m_p >= m_end || *m_p != '{')
            return false;
        // Template bodies hold member declarations and restrictions, never braces.
        while (m_p < m_end && *m_p != '}')
            ++m_p;
        if (m_p >= m_end)
            return false;
        ++m_p;
        m_doc->templates.push_back(name);
        return true;
    }

    bool Object(int parent, const std::string& type, int depth)
    {
        if (depth >= kMaxXNesting)
            return false;
        SkipBlanks();
        std::string name;
        if (m_p < m_end && *m_p != '{')
            if (!Name(&name))
                return false;
        SkipBlanks();
        if (m_p >= m_end || *m_p != '{')
            return false;
        ++m_p;
        const int self = m_doc->Add(parent, type, name);
        SkipBlanks();
        if (!SkipGuid())
            return false;
        for (;;)
        {
            SkipBlanks();
            if (m_p >= m_end)
                return false;
            const char c = *m_p;
            if (c == '}')
            {
                ++m_p;
                return true;
            }
            if (c == '{')
            {
                if (!Reference(self))
                    return false;
                continue;
            }
            if (c == '"')
            {
                if (!String(self))
                    return false;
                continue;
            }
            if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')
            {
                if (!Number(self))
                    return false;
                continue;
            }
            std::string childType;
            if (!Name(&childType))
                return false;
            if (!Object(self, childType, depth + 1))
                return false;
        }
    }

    bool Reference(int self)
    {
        ++m_p;
        SkipBlanks();
        std::string name;
        if (!Name(&name))
            return false;
        SkipBlanks();
        // An optional GUID, bare or in angle brackets.
        while (m_p < m_end && *m_p != '}' && *m_p != '{')
            ++m_p;
        if (m_p >= m_end || *m_p != '}')
            return false;
        ++m_p;
        m_doc->AddReference(self, name);
        return true;
    }

    bool String(int self)
    {
        ++m_p;
        const char* start = m_p;
        while (m_p < m_end && *m_p != '"')
            ++m_p;
        if (m_p >= m_end)
            return false;
        m_doc->objects[self].String(std::string(start, m_p));
        ++m_p;
        return true;
    }

    bool Number(int self)
    {
        const char* start = m_p;
        bool real = false;
        while (m_p < m_end)
        {
            const char c = *m_p;
            if (c == '.' || c == 'e' || c == 'E')
                real = true;
            else if (!((c >= '0' && c <= '9') || c == '-' || c == '+'))
                break;
            ++m_p;
        }
        const char* first = *start == '+' ? start + 1 : start;
        if (first >= m_p)
            return false;
        XObject& o = m_doc->objects[self];
        if (!real && *first != '-')
        {
            uint32_t v = 0;
            const auto r = std::from_chars(first, m_p, v);
            if (r.ec == std::errc() && r.ptr == m_p)
            {
                o.values.push_back({XValue::Int, v});
                return true;
            }
        }
        float f = 0.0f;
        const auto r = std::from_chars(first, m_p, f);
        if (r.ec == std::errc::result_out_of_range)
            f = 0.0f;
        else if (r.ec != std::errc() || r.ptr != m_p)
            return false;
        o.Float(f);
        return true;
    }

    const char* m_p;
    const char* m_end;
    XDocument* m_doc;
};

// ---- Binary -----------------------------------------------------------------------------------

class BinaryParser
{
public:
    BinaryParser(const uint8_t* p, const uint8_t* end, bool doubles, XDocument* doc)
        : m_p(p), m_end(end), m_doubles(doubles), m_doc(doc)
    {
    }

    bool Run()
    {
        while (m_p < m_end)
        {
            uint16_t token;
            if (!Token(&token))
                return false;
            if (token == kTokenTemplate)
            {
                if (!Template())
                    return false;
                continue;
            }
            if (token != kTokenName)
                return false;
            std::string type;
            if (!NameBody(&type) || !Object(-1, type, 0))
                return false;
        }
        return true;
    }

private:
    size_t Left() const { return static_cast<size_t>(m_end - m_p); }

    bool Token(uint16_t* out)
    {
        if (Left() < sizeof(uint16_t))
            return false;
        *out = Le16(m_p);
        m_p += sizeof(uint16_t);
        return true;
    }

    bool Dword(uint32_t* out)
    {
        if (Left() < sizeof(uint32_t))
            return false;
        *out = Le32(m_p);
        m_p += sizeof(uint32_t);
        return true;
    }

    bool Bytes(size_t n, const uint8_t** out)
    {
        if (Left() < n)
            return false;
        *out = m_p;
        m_p += n;
        return true;
    }

    bool NameBody(std::string* out)
    {
        uint32_t count;
        const uint8_t* bytes;
        if (!Dword(&count) || !Bytes(count, &bytes))
            return false;
        out->assign(reinterpret_cast<const char*>(bytes), count);
        return true;
    }

    // A string ends with a separator token; files written as a DWORD hold it and two zero bytes
    // (no token is zero, so the two forms are told apart).
    bool StringEnd()
    {
        uint16_t separator;
        if (!Token(&separator) || (separator != kTokenSemicolon && separator != kTokenComma))
            return false;
        if (Left() >= sizeof(uint16_t) && Le16(m_p) == 0)
            m_p += sizeof(uint16_t);
        return true;
    }

    // Skips one token's payload (for template bodies).
    bool SkipPayload(uint16_t token)
    {
        uint32_t count;
        const uint8_t* bytes;
        switch (token)
        {
        case kTokenName:
            return Dword(&count) && Bytes(count, &bytes);
        case kTokenString:
            return Dword(&count) && Bytes(count, &bytes) && StringEnd();
        case kTokenInteger:
            return Dword(&count);
        case kTokenGuid:
            return Bytes(kGuidSize, &bytes);
        case kTokenIntegerList:
            return Dword(&count) && count <= Left() / sizeof(uint32_t) &&
                   Bytes(size_t(count) * sizeof(uint32_t), &bytes);
        case kTokenFloatList:
        {
            const size_t each = m_doubles ? sizeof(double) : sizeof(float);
            return Dword(&count) && count <= Left() / each && Bytes(size_t(count) * each, &bytes);
        }
        default:
            return token >= kTokenObrace && token <= kTokenLastKeyword;
        }
    }

    bool Template()
    {
        uint16_t token;
        std::string name;
        if (!Token(&token) || token != kTokenName || !NameBody(&name))
            return false;
        if (!Token(&token) || token != kTokenObrace)
            return false;
        for (;;)
        {
            if (!Token(&token))
                return false;
            if (token == kTokenCbrace)
                break;
            if (token == kTokenObrace || !SkipPayload(token))
                return false;
        }
        m_doc->templates.push_back(name);
        return true;
    }

    bool Object(int parent, const std::string& type, int depth)
    {
        if (depth >= kMaxXNesting)
            return false;
        uint16_t token;
        std::string name;
        if (!Token(&token))
            return false;
        if (token == kTokenName)
        {
            if (!NameBody(&name) || !Token(&token))
                return false;
        }
        if (token == kTokenGuid)
        {
            const uint8_t* guid;
            if (!Bytes(kGuidSize, &guid) || !Token(&token))
                return false;
        }
        if (token != kTokenObrace)
            return false;
        const int self = m_doc->Add(parent, type, name);
        for (;;)
        {
            if (!Token(&token))
                return false;
            switch (token)
            {
            case kTokenCbrace:
                return true;
            case kTokenComma:
            case kTokenSemicolon:
                break;
            case kTokenInteger:
            {
                uint32_t v;
                if (!Dword(&v))
                    return false;
                m_doc->objects[self].Int(v);
                break;
            }
            case kTokenIntegerList:
            {
                uint32_t count;
                if (!Dword(&count) || count > Left() / sizeof(uint32_t))
                    return false;
                auto& values = m_doc->objects[self].values;
                const size_t start = values.size();
                values.resize(start + count);
                XValue* out = values.data() + start;
                for (uint32_t i = 0; i < count; ++i)
                    out[i] = XValue(XValue::Int, Le32(m_p + size_t(i) * sizeof(uint32_t)));
                m_p += size_t(count) * sizeof(uint32_t);
                break;
            }
            case kTokenFloatList:
            {
                uint32_t count;
                const size_t each = m_doubles ? sizeof(double) : sizeof(float);
                if (!Dword(&count) || count > Left() / each)
                    return false;
                auto& values = m_doc->objects[self].values;
                const size_t start = values.size();
                values.resize(start + count);
                XValue* out = values.data() + start;
                for (uint32_t i = 0; i < count; ++i)
                {
                    uint32_t bits;
                    if (m_doubles)
                    {
                        double d;
                        std::memcpy(&d, m_p + size_t(i) * each, sizeof d);
                        const float f = static_cast<float>(d);
                        std::memcpy(&bits, &f, sizeof bits);
                    }
                    else
                        bits = Le32(m_p + size_t(i) * each);
                    out[i] = XValue(XValue::Float, bits);
                }
                m_p += size_t(count) * each;
                break;
            }
            case kTokenString:
            {
                uint32_t count;
                const uint8_t* bytes;
                if (!Dword(&count) || !Bytes(count, &bytes) || !StringEnd())
                    return false;
                m_doc->objects[self].String(std::string(reinterpret_cast<const char*>(bytes), count));
                break;
            }
            case kTokenObrace:
            {
                std::string ref;
                if (!Token(&token) || token != kTokenName || !NameBody(&ref) || !Token(&token))
                    return false;
                if (token == kTokenGuid)
                {
                    const uint8_t* guid;
                    if (!Bytes(kGuidSize, &guid) || !Token(&token))
                        return false;
                }
                if (token != kTokenCbrace)
                    return false;
                m_doc->AddReference(self, ref);
                break;
            }
            case kTokenName:
            {
                std::string childType;
                if (!NameBody(&childType) || !Object(self, childType, depth + 1))
                    return false;
                break;
            }
            default:
                return false;
            }
        }
    }

    const uint8_t* m_p;
    const uint8_t* m_end;
    bool m_doubles;
    XDocument* m_doc;
};
} // namespace

XResult XReadMemory(const void* bytes, size_t size, XDocument* out)
{
    *out = XDocument();
    const auto* p = static_cast<const uint8_t*>(bytes);
    if (!p || size < kXHeaderSize || std::memcmp(p, "xof ", 4) != 0)
        return XResult::BadData;
    const bool doubles = std::memcmp(p + 12, "0064", 4) == 0;
    if (!doubles && std::memcmp(p + 12, "0032", 4) != 0)
        return XResult::BadData;
    out->doubles = doubles;
    const char* format = reinterpret_cast<const char*>(p + 8);
    std::vector<uint8_t> inflated;
    const uint8_t* body = p + kXHeaderSize;
    size_t bodySize = size - kXHeaderSize;
    bool binary;
    if (std::memcmp(format, "txt ", 4) == 0 || std::memcmp(format, "bin ", 4) == 0)
        binary = format[0] == 'b';
    else if (std::memcmp(format, "tzip", 4) == 0 || std::memcmp(format, "bzip", 4) == 0)
    {
        binary = format[0] == 'b';
        if (!Inflate(body, bodySize, &inflated))
            return XResult::BadData;
        body = inflated.data();
        bodySize = inflated.size();
    }
    else
        return XResult::BadData;

    bool ok;
    if (binary)
        ok = BinaryParser(body, body + bodySize, doubles, out).Run();
    else
    {
        const char* text = reinterpret_cast<const char*>(body);
        ok = TextParser(text, text + bodySize, out).Run();
    }
    if (!ok)
    {
        *out = XDocument();
        return XResult::BadData;
    }
    return XResult::Ok;
}

XResult XReadFile(const char* path, XDocument* out)
{
    *out = XDocument();
    FILE* f = path ? TkFopen(path, "rb") : nullptr;
    if (!f)
        return XResult::NoFile;
    std::unique_ptr<uint8_t[]> bytes;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && static_cast<uint64_t>(size) <= kMaxXBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok)
    {
        bytes.reset(new uint8_t[static_cast<size_t>(size) + 1]);
        ok = std::fread(bytes.get(), 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
    }
    std::fclose(f);
    if (!ok)
        return XResult::BadData;
    return XReadMemory(bytes.get(), static_cast<size_t>(size), out);
}
} // namespace tk::xfile
