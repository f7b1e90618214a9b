// Mesh objects of .x files to D3DX meshes and back: D3DXLoadMeshFromX and D3DXSaveMeshToX.
#include "platform/d3dx/MeshContent.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

using tk::xfile::XCursor;
using tk::xfile::XDocument;
using tk::xfile::XObject;

namespace tk::d3dx
{
namespace
{
constexpr DWORD kVectorFloats = 3;
constexpr DWORD kUvFloats = 2;
constexpr DWORD kColorFloats = 4;
constexpr DWORD kMatrixFloats = 16;
constexpr DWORD kElementDwords = 4;
constexpr DWORD kMaxFaceCorners = 1u << 16;
constexpr BYTE kMaxUsage = D3DDECLUSAGE_SAMPLE;
constexpr D3DCOLORVALUE kDefaultGrey = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr uint8_t kWhite = 0xFF;
constexpr size_t kAlign = 8;

#define TK_CHECK(expr)                                                                                       \
    do                                                                                                       \
    {                                                                                                        \
        if (!(expr))                                                                                         \
            return D3DXERR_INVALIDDATA;                                                                      \
    } while (0)

// A child object of the given type, following references by name (only to objects of that type).
std::vector<int> Children(const XDocument& doc, const XObject& o, const char* type)
{
    std::vector<int> out;
    for (const xfile::XChild& c : o.children)
    {
        int index = c.object;
        if (index < 0)
        {
            index = doc.FindByName(c.reference);
            if (index < 0)
            {
                out.push_back(-1); // a missing reference
                continue;
            }
        }
        if (doc.objects[index].type == type)
            out.push_back(index);
    }
    return out;
}

bool MissingReference(const XDocument& doc, const XObject& o)
{
    for (const xfile::XChild& c : o.children)
        if (c.object < 0 && doc.FindByName(c.reference) < 0)
            return true;
    return false;
}

// Floats read in place from a value list (integers convert); every value is checked once, and a
// list that holds floats only is copied as bits.
struct FloatView
{
    const tk::xfile::XValue* values = nullptr;
    size_t count = 0;
    bool allFloats = false;

    bool Take(XCursor& c, size_t n)
    {
        const tk::xfile::XValue* v = c.Take(n);
        if (!v)
            return false;
        // Counted without a branch per value (the lists run to millions); only a list that is not all
        // floats is looked at again for strings.
        size_t floats = 0;
        for (size_t i = 0; i < n; ++i)
            floats += v[i].kind == tk::xfile::XValue::Float;
        if (floats != n)
            for (size_t i = 0; i < n; ++i)
                if (v[i].kind == tk::xfile::XValue::String)
                    return false;
        values = v;
        count = n;
        allFloats = floats == n;
        return true;
    }
    bool empty() const { return count == 0; }
    size_t size() const { return count; }
    float operator[](size_t i) const
    {
        const tk::xfile::XValue& v = values[i];
        if (v.kind == tk::xfile::XValue::Int)
            return static_cast<float>(v.bits);
        float f;
        std::memcpy(&f, &v.bits, sizeof f);
        return f;
    }
    // n floats from value `first` on to out (n is small: one vertex's element).
    void Copy(size_t first, size_t n, uint8_t* out) const
    {
        if (allFloats)
            for (size_t i = 0; i < n; ++i)
                std::memcpy(out + i * sizeof(float), &values[first + i].bits, sizeof(float));
        else
            for (size_t i = 0; i < n; ++i)
            {
                const float f = (*this)[first + i];
                std::memcpy(out + i * sizeof(float), &f, sizeof f);
            }
    }
};

// A buffer whose elements are left unset when it is made: every element in use is written before it
// is read, so large lists cost no clearing pass.
template <class T> struct RawArray
{
    std::unique_ptr<T[]> items;
    size_t size = 0;

    void Allocate(size_t n)
    {
        items.reset(n ? new T[n] : nullptr);
        size = 0;
    }
    T& operator[](size_t i) { return items[i]; }
    const T& operator[](size_t i) const { return items[i]; }
    T* data() { return items.get(); }
    const T* data() const { return items.get(); }
};

// Faces as one list of corners: face f runs from start[f] to start[f + 1].
struct FaceList
{
    RawArray<uint32_t> start;
    RawArray<uint32_t> corners;
    size_t count = 0;
    size_t Count() const { return count; }
    size_t CornerCount() const { return count ? start[count] : 0; }
    uint32_t Size(size_t f) const { return start[f + 1] - start[f]; }
    bool SameAs(const FaceList& o) const
    {
        return count == o.count && std::equal(start.data(), start.data() + count + 1, o.start.data()) &&
               std::equal(corners.data(), corners.data() + CornerCount(), o.corners.data());
    }
    bool SameShapeAs(const FaceList& o) const
    {
        return count == o.count && std::equal(start.data(), start.data() + count + 1, o.start.data());
    }
};

HRESULT ReadFaces(XCursor& c, DWORD vertexLimit, FaceList* faces)
{
    uint32_t count;
    TK_CHECK(c.U32(&count) && count <= c.Remaining());
    // Each face takes its corner count and at least three corners; its corners never run past the
    // values that remain, so the list holds at most that many.
    const size_t remaining = c.Remaining();
    TK_CHECK(size_t(count) * (kCorners + 1) <= remaining);
    faces->count = 0;
    faces->start.Allocate(size_t(count) + 1);
    faces->corners.Allocate(remaining);
    const tk::xfile::XValue* v = c.Take(0);
    uint32_t* start = faces->start.data();
    uint32_t* out = faces->corners.data();
    size_t used = 0, written = 0;
    start[0] = 0;
    for (uint32_t f = 0; f < count; ++f)
    {
        TK_CHECK(used < remaining && v[used].kind == tk::xfile::XValue::Int);
        const uint32_t n = v[used].bits;
        ++used;
        TK_CHECK(n >= kCorners && n <= kMaxFaceCorners && n <= remaining - used);
        const tk::xfile::XValue* corner = v + used;
        uint32_t bad = 0;
        for (uint32_t i = 0; i < n; ++i)
        {
            bad |= static_cast<uint32_t>(corner[i].kind != tk::xfile::XValue::Int) |
                   static_cast<uint32_t>(corner[i].bits >= vertexLimit);
            out[written + i] = corner[i].bits;
        }
        TK_CHECK(!bad);
        used += n;
        written += n;
        start[f + 1] = static_cast<uint32_t>(written);
    }
    c.Take(used);
    faces->count = count;
    return D3D_OK;
}

HRESULT ReadMaterial(const XDocument& doc, const XObject& o, MaterialContent* out)
{
    XCursor c(o);
    float f[11];
    TK_CHECK(c.F32s(f, 11));
    D3DMATERIAL9& m = out->material;
    m.Diffuse = {f[0], f[1], f[2], f[3]};
    m.Ambient = {0, 0, 0, 0};
    m.Power = f[4];
    m.Specular = {f[5], f[6], f[7], 1.0f};
    m.Emissive = {f[8], f[9], f[10], 1.0f};
    TK_CHECK(!MissingReference(doc, o));
    for (int t : Children(doc, o, "TextureFilename"))
    {
        XCursor tc(doc.objects[t]);
        TK_CHECK(tc.Str(&out->texture));
        out->hasTexture = true;
        break;
    }
    for (int e : Children(doc, o, "EffectInstance"))
    {
        const XObject& effect = doc.objects[e];
        XCursor ec(effect);
        TK_CHECK(ec.Str(&out->effect));
        out->hasEffect = true;
        for (const xfile::XChild& child : effect.children)
        {
            if (child.object < 0)
                continue;
            const XObject& p = doc.objects[child.object];
            XCursor pc(p);
            EffectParamContent param;
            TK_CHECK(pc.Str(&param.name));
            if (p.type == "EffectParamFloats")
            {
                uint32_t n;
                TK_CHECK(pc.U32(&n) && n <= pc.Remaining());
                std::vector<float> floats(n);
                TK_CHECK(pc.F32s(floats.data(), n));
                param.type = D3DXEDT_FLOATS;
                param.value.resize(n * sizeof(float));
                if (n)
                    std::memcpy(param.value.data(), floats.data(), param.value.size());
            }
            else if (p.type == "EffectParamString")
            {
                std::string s;
                TK_CHECK(pc.Str(&s));
                param.type = D3DXEDT_STRING;
                param.value.assign(s.begin(), s.end());
                param.value.push_back(0);
            }
            else if (p.type == "EffectParamDWord")
            {
                uint32_t v;
                TK_CHECK(pc.U32(&v));
                param.type = D3DXEDT_DWORD;
                param.value.resize(sizeof v);
                std::memcpy(param.value.data(), &v, sizeof v);
            }
            else
                continue;
            out->params.push_back(std::move(param));
        }
        break;
    }
    return D3D_OK;
}

void AddElement(std::vector<D3DVERTEXELEMENT9>* decl, DWORD* stride, BYTE type, BYTE usage, BYTE index)
{
    decl->push_back({0, static_cast<WORD>(*stride), type, D3DDECLMETHOD_DEFAULT, usage, index});
    *stride += DeclTypeSize(type);
}

bool HasUsage(const std::vector<D3DVERTEXELEMENT9>& decl, BYTE usage, BYTE index)
{
    return std::any_of(decl.begin(), decl.end(),
                       [&](const D3DVERTEXELEMENT9& e) { return e.Usage == usage && e.UsageIndex == index; });
}
} // namespace

HRESULT ReadMeshContent(const XDocument& doc, int meshIndex, MeshContent* out)
{
    *out = MeshContent();
    const XObject& mesh = doc.objects[meshIndex];
    XCursor c(mesh);
    uint32_t vertexCount;
    TK_CHECK(c.U32(&vertexCount) && vertexCount <= c.Remaining() / kVectorFloats);
    FloatView positions;
    TK_CHECK(positions.Take(c, size_t(vertexCount) * kVectorFloats));
    FaceList faces;
    if (HRESULT hr = ReadFaces(c, vertexCount, &faces); FAILED(hr))
        return hr;
    TK_CHECK(!MissingReference(doc, mesh));

    // Children.
    FloatView normals;
    static const tk::xfile::XValue kZeroNormal[kVectorFloats] = {
        {tk::xfile::XValue::Int, 0}, {tk::xfile::XValue::Int, 0}, {tk::xfile::XValue::Int, 0}};
    FaceList normalFaces;
    FloatView uvs;
    std::vector<std::pair<bool, D3DCOLORVALUE>> colors;
    std::vector<DWORD> faceMaterials;
    bool hasList = false;
    std::vector<D3DVERTEXELEMENT9> extraDecl;
    DWORD extraStride = 0;
    std::vector<uint32_t> extraData;
    for (const xfile::XChild& child : mesh.children)
    {
        const int index = child.object >= 0 ? child.object : doc.FindByName(child.reference);
        if (index < 0)
            return D3DXERR_INVALIDDATA;
        const XObject& o = doc.objects[index];
        XCursor k(o);
        if (o.type == "MeshNormals" && normals.empty())
        {
            uint32_t n;
            TK_CHECK(k.U32(&n) && n <= k.Remaining() / kVectorFloats);
            TK_CHECK(normals.Take(k, size_t(n) * kVectorFloats));
            if (HRESULT hr = ReadFaces(k, n, &normalFaces); FAILED(hr))
                return hr;
            TK_CHECK(normalFaces.SameShapeAs(faces));
            if (n == 0)
            {
                // Keeps the element; every face then names normal 0.
                normals.values = kZeroNormal;
                normals.count = kVectorFloats;
            }
        }
        else if (o.type == "MeshTextureCoords" && uvs.empty())
        {
            uint32_t n;
            TK_CHECK(k.U32(&n) && n == vertexCount && n <= k.Remaining() / kUvFloats);
            TK_CHECK(uvs.Take(k, size_t(n) * kUvFloats));
        }
        else if (o.type == "MeshVertexColors" && colors.empty())
        {
            uint32_t n;
            TK_CHECK(k.U32(&n) && n <= k.Remaining() / (kColorFloats + 1));
            colors.assign(vertexCount, {false, {1, 1, 1, 1}});
            for (uint32_t i = 0; i < n; ++i)
            {
                uint32_t v;
                float f[kColorFloats];
                TK_CHECK(k.U32(&v) && v < vertexCount && k.F32s(f, kColorFloats));
                colors[v] = {true, {f[0], f[1], f[2], f[3]}};
            }
        }
        else if (o.type == "MeshMaterialList" && !hasList)
        {
            hasList = true;
            uint32_t materialCount, n;
            TK_CHECK(k.U32(&materialCount) && k.U32(&n) && n <= k.Remaining() && n <= faces.Count());
            faceMaterials.resize(n);
            TK_CHECK(k.U32s(faceMaterials.data(), n));
            TK_CHECK(!MissingReference(doc, o));
            // Each material is an object or a reference; a count larger than the materials given
            // leaves the rest grey.
            TK_CHECK(materialCount <= o.children.size() + faces.Count() + 1);
            out->materials.resize(materialCount);
            size_t next = 0;
            for (int m : Children(doc, o, "Material"))
            {
                if (next >= materialCount)
                    break;
                if (HRESULT hr = ReadMaterial(doc, doc.objects[m], &out->materials[next]); FAILED(hr))
                    return hr;
                ++next;
            }
            for (; next < materialCount; ++next)
                out->materials[next].material.Diffuse = kDefaultGrey;
            for (DWORD& m : faceMaterials)
                TK_CHECK(m < materialCount);
        }
        else if (o.type == "DeclData" && extraDecl.empty())
        {
            uint32_t n;
            TK_CHECK(k.U32(&n) && n <= MAXD3DDECLLENGTH && n <= k.Remaining() / kElementDwords);
            for (uint32_t i = 0; i < n; ++i)
            {
                uint32_t e[kElementDwords];
                TK_CHECK(k.U32s(e, kElementDwords));
                TK_CHECK(e[0] < D3DDECLTYPE_UNUSED && e[1] <= D3DDECLMETHOD_LOOKUPPRESAMPLED &&
                         e[2] <= kMaxUsage && e[3] <= 0xFF && DeclTypeSize(static_cast<BYTE>(e[0])));
                TK_CHECK(e[2] != D3DDECLUSAGE_POSITION || e[3] != 0);
                TK_CHECK(!HasUsage(extraDecl, static_cast<BYTE>(e[2]), static_cast<BYTE>(e[3])));
                AddElement(&extraDecl, &extraStride, static_cast<BYTE>(e[0]), static_cast<BYTE>(e[2]),
                           static_cast<BYTE>(e[3]));
                extraDecl.back().Method = static_cast<BYTE>(e[1]);
            }
            uint32_t dwords;
            TK_CHECK(k.U32(&dwords) && dwords <= k.Remaining());
            TK_CHECK(uint64_t(dwords) * sizeof(uint32_t) == uint64_t(extraStride) * vertexCount);
            extraData.resize(dwords);
            TK_CHECK(k.U32s(extraData.data(), dwords));
        }
        else if (o.type == "FVFData" && extraDecl.empty())
        {
            uint32_t fvf, dwords;
            TK_CHECK(k.U32(&fvf));
            D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
            // The data covers what the format holds beyond position and normal.
            TK_CHECK(SUCCEEDED(D3DXDeclaratorFromFVF(fvf & ~(D3DFVF_POSITION_MASK | D3DFVF_NORMAL), decl)));
            for (UINT i = 0; i < D3DXGetDeclLength(decl); ++i)
                AddElement(&extraDecl, &extraStride, decl[i].Type, decl[i].Usage, decl[i].UsageIndex);
            TK_CHECK(k.U32(&dwords) && dwords <= k.Remaining());
            TK_CHECK(uint64_t(dwords) * sizeof(uint32_t) == uint64_t(extraStride) * vertexCount);
            extraData.resize(dwords);
            TK_CHECK(k.U32s(extraData.data(), dwords));
        }
        else if (o.type == "SkinWeights")
        {
            SkinContent skin;
            uint32_t n;
            TK_CHECK(k.Str(&skin.bone) && k.U32(&n) && n <= k.Remaining() / 2);
            skin.vertices.resize(n);
            skin.weights.resize(n);
            TK_CHECK(k.U32s(skin.vertices.data(), n) && k.F32s(skin.weights.data(), n));
            for (DWORD v : skin.vertices)
                TK_CHECK(v < vertexCount);
            TK_CHECK(k.F32s(&skin.offset._11, kMatrixFloats));
            out->skins.push_back(std::move(skin));
        }
    }

    // Vertices: every file vertex keeps its number; a vertex used with a second normal is copied.
    const bool hasNormals = !normals.empty();
    std::vector<DWORD> source(vertexCount);   // output vertex -> file vertex
    std::vector<DWORD> normalOf(vertexCount); // output vertex -> normal index
    std::vector<char> assigned(hasNormals ? vertexCount : 0, 0);
    for (DWORD v = 0; v < vertexCount; ++v)
    {
        source[v] = v;
        normalOf[v] = hasNormals && v < normals.size() / kVectorFloats ? v : 0;
    }
    std::map<std::pair<DWORD, DWORD>, DWORD> splits;
    std::vector<uint32_t>& indices = out->data.indices;
    std::vector<DWORD>& attributes = out->data.attributes;
    const size_t faceCount = faces.Count();
    const uint32_t* faceStart = faces.start.data();
    // A face of n corners makes n - 2 triangles.
    const size_t triangles = faces.CornerCount() - 2 * faceCount;
    indices.resize(triangles * kCorners);
    attributes.resize(triangles);
    uint32_t* index = indices.data();
    DWORD* attribute = attributes.data();
    // Normals numbered as the positions (the common case) need no vertex copied.
    const bool splitByNormal = hasNormals && !faces.SameAs(normalFaces);
    std::vector<DWORD> corners;
    for (size_t f = 0; f < faceCount; ++f)
    {
        const uint32_t first = faceStart[f];
        const uint32_t size = faceStart[f + 1] - first;
        const DWORD* corner = faces.corners.data() + first;
        if (splitByNormal)
        {
            corners.assign(corner, corner + size);
            for (size_t i = 0; i < size; ++i)
            {
                const DWORD v = corners[i];
                const DWORD n = normalFaces.corners[first + i];
                if (!assigned[v])
                {
                    assigned[v] = 1;
                    normalOf[v] = n;
                }
                else if (normalOf[v] != n)
                {
                    const auto key = std::make_pair(v, n);
                    auto it = splits.find(key);
                    if (it == splits.end())
                    {
                        it = splits.emplace(key, static_cast<DWORD>(source.size())).first;
                        source.push_back(v);
                        normalOf.push_back(n);
                    }
                    corners[i] = it->second;
                }
            }
            corner = corners.data();
        }
        const DWORD material =
            faceMaterials.empty() ? 0 : faceMaterials[std::min<size_t>(f, faceMaterials.size() - 1)];
        for (size_t i = 1; i + 1 < size; ++i)
        {
            index[0] = corner[0];
            index[1] = corner[i];
            index[2] = corner[i + 1];
            index += kCorners;
            *attribute++ = material;
        }
    }

    // A mesh without materials draws as one grey subset (every face is on material 0).
    if (out->materials.empty())
    {
        out->materials.resize(1);
        out->materials[0].material.Diffuse = kDefaultGrey;
    }

    // The declaration: position, the standard channels the extra data does not hold, the extra data.
    MeshData& data = out->data;
    data.stride = 0;
    AddElement(&data.decl, &data.stride, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
    const bool useNormals = hasNormals && !HasUsage(extraDecl, D3DDECLUSAGE_NORMAL, 0);
    const bool useColors = !colors.empty() && !HasUsage(extraDecl, D3DDECLUSAGE_COLOR, 0);
    const bool useUvs = !uvs.empty() && !HasUsage(extraDecl, D3DDECLUSAGE_TEXCOORD, 0);
    if (useNormals)
        AddElement(&data.decl, &data.stride, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (useColors)
        AddElement(&data.decl, &data.stride, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (useUvs)
        AddElement(&data.decl, &data.stride, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0);
    const DWORD extraOffset = data.stride;
    for (D3DVERTEXELEMENT9 e : extraDecl)
    {
        e.Offset = static_cast<WORD>(e.Offset + extraOffset);
        data.decl.push_back(e);
    }
    data.stride += extraStride;
    TK_CHECK(data.decl.size() <= MAXD3DDECLLENGTH);

    const DWORD outCount = static_cast<DWORD>(source.size());
    data.vertices.assign(size_t(outCount) * data.stride, 0);
    for (DWORD v = 0; v < outCount; ++v)
    {
        uint8_t* p = data.Vertex(v);
        const DWORD s = source[v];
        positions.Copy(size_t(s) * kVectorFloats, kVectorFloats, p);
        DWORD offset = sizeof(float) * kVectorFloats;
        if (useNormals)
        {
            const DWORD n = normalOf[v] < normals.size() / kVectorFloats ? normalOf[v] : 0;
            normals.Copy(size_t(n) * kVectorFloats, kVectorFloats, p + offset);
            offset += sizeof(float) * kVectorFloats;
        }
        if (useColors)
        {
            const D3DCOLORVALUE col = colors[s].first ? colors[s].second : D3DCOLORVALUE{1, 1, 1, 1};
            const float f[4] = {col.r, col.g, col.b, col.a};
            D3DVERTEXELEMENT9 e = {0, static_cast<WORD>(offset), D3DDECLTYPE_D3DCOLOR,
                                   0, D3DDECLUSAGE_COLOR,        0};
            WriteElement(p, e, f);
            if (!colors[s].first)
                std::memset(p + offset, kWhite, sizeof(D3DCOLOR));
            offset += sizeof(D3DCOLOR);
        }
        if (useUvs)
        {
            uvs.Copy(size_t(s) * kUvFloats, kUvFloats, p + offset);
            offset += sizeof(float) * kUvFloats;
        }
        if (extraStride)
            std::memcpy(p + extraOffset,
                        reinterpret_cast<const uint8_t*>(extraData.data()) + size_t(s) * extraStride,
                        extraStride);
    }

    // Skin weights follow copied vertices.
    if (!splits.empty())
        for (SkinContent& skin : out->skins)
        {
            std::map<DWORD, float> byVertex;
            for (size_t i = 0; i < skin.vertices.size(); ++i)
                byVertex[skin.vertices[i]] = skin.weights[i];
            for (DWORD v = vertexCount; v < outCount; ++v)
            {
                const auto it = byVertex.find(source[v]);
                if (it != byVertex.end())
                {
                    skin.vertices.push_back(v);
                    skin.weights.push_back(it->second);
                }
            }
        }
    return D3D_OK;
}

void AppendMeshContent(MeshContent* into, const MeshContent& more)
{
    MeshData& a = into->data;
    const MeshData& b = more.data;
    std::vector<D3DVERTEXELEMENT9> decl = a.decl;
    DWORD stride = a.stride;
    for (const D3DVERTEXELEMENT9& e : b.decl)
        if (!HasUsage(decl, e.Usage, e.UsageIndex) && decl.size() < MAXD3DDECLLENGTH)
            AddElement(&decl, &stride, e.Type, e.Usage, e.UsageIndex);
    std::vector<uint8_t> first, second;
    ConvertVertices(a, decl, stride, &first);
    ConvertVertices(b, decl, stride, &second);
    const DWORD base = a.VertexCount();
    const DWORD materialBase = static_cast<DWORD>(into->materials.size());
    a.decl = decl;
    a.stride = stride;
    a.vertices = std::move(first);
    a.vertices.insert(a.vertices.end(), second.begin(), second.end());
    for (uint32_t i : b.indices)
        a.indices.push_back(i + base);
    for (DWORD m : b.attributes)
        a.attributes.push_back(m + materialBase);
    into->materials.insert(into->materials.end(), more.materials.begin(), more.materials.end());
    for (SkinContent skin : more.skins)
    {
        for (DWORD& v : skin.vertices)
            v += base;
        into->skins.push_back(std::move(skin));
    }
}

void TransformMeshContent(MeshContent* content, const D3DXMATRIX& m)
{
    MeshData& data = content->data;
    const D3DVERTEXELEMENT9* normal = data.Find(D3DDECLUSAGE_NORMAL);
    for (DWORD v = 0; v < data.VertexCount(); ++v)
    {
        D3DXVECTOR3 p = data.Position(v), q;
        D3DXVec3TransformCoord(&q, &p, &m);
        data.SetPosition(v, q);
        if (normal && normal->Type == D3DDECLTYPE_FLOAT3)
        {
            D3DXVECTOR3 n, t;
            std::memcpy(&n, data.Vertex(v) + normal->Offset, sizeof n);
            D3DXVec3TransformNormal(&t, &n, &m);
            if (D3DXVec3Length(&t) > 0.0f)
                D3DXVec3Normalize(&t, &t);
            std::memcpy(data.Vertex(v) + normal->Offset, &t, sizeof t);
        }
    }
}

void PackMaterials(const std::vector<MaterialContent>& materials, ID3DXBuffer** ppMaterials,
                   ID3DXBuffer** ppEffects)
{
    auto align = [](size_t n) { return (n + kAlign - 1) / kAlign * kAlign; };
    if (ppMaterials)
    {
        *ppMaterials = nullptr;
        size_t size = align(materials.size() * sizeof(D3DXMATERIAL));
        for (const MaterialContent& m : materials)
            if (m.hasTexture)
                size += m.texture.size() + 1;
        if (!materials.empty())
        {
            auto* buffer = new Buffer(size);
            auto* base = static_cast<uint8_t*>(buffer->GetBufferPointer());
            auto* records = reinterpret_cast<D3DXMATERIAL*>(base);
            size_t text = align(materials.size() * sizeof(D3DXMATERIAL));
            for (size_t i = 0; i < materials.size(); ++i)
            {
                records[i].MatD3D = materials[i].material;
                records[i].pTextureFilename = nullptr;
                if (materials[i].hasTexture)
                {
                    records[i].pTextureFilename = reinterpret_cast<char*>(base + text);
                    std::memcpy(base + text, materials[i].texture.c_str(), materials[i].texture.size() + 1);
                    text += materials[i].texture.size() + 1;
                }
            }
            *ppMaterials = buffer;
        }
    }
    if (ppEffects)
    {
        *ppEffects = nullptr;
        if (materials.empty())
            return;
        size_t params = 0, bytes = 0;
        for (const MaterialContent& m : materials)
        {
            params += m.params.size();
            bytes += align(m.effect.size() + 1);
            for (const EffectParamContent& p : m.params)
                bytes += align(p.name.size() + 1) + align(p.value.size());
        }
        const size_t head = align(materials.size() * sizeof(D3DXEFFECTINSTANCE));
        const size_t table = align(params * sizeof(D3DXEFFECTDEFAULT));
        auto* buffer = new Buffer(head + table + bytes);
        auto* base = static_cast<uint8_t*>(buffer->GetBufferPointer());
        auto* instances = reinterpret_cast<D3DXEFFECTINSTANCE*>(base);
        auto* defaults = reinterpret_cast<D3DXEFFECTDEFAULT*>(base + head);
        size_t at = head + table;
        auto put = [&](const void* p, size_t n)
        {
            uint8_t* where = base + at;
            if (n)
                std::memcpy(where, p, n);
            at += align(n);
            return where;
        };
        for (size_t i = 0; i < materials.size(); ++i)
        {
            const MaterialContent& m = materials[i];
            instances[i].pEffectFilename =
                m.hasEffect ? reinterpret_cast<char*>(put(m.effect.c_str(), m.effect.size() + 1)) : nullptr;
            instances[i].NumDefaults = static_cast<DWORD>(m.params.size());
            instances[i].pDefaults = m.params.empty() ? nullptr : defaults;
            for (const EffectParamContent& p : m.params)
            {
                defaults->pParamName = reinterpret_cast<char*>(put(p.name.c_str(), p.name.size() + 1));
                defaults->Type = p.type;
                defaults->NumBytes = static_cast<DWORD>(p.value.size());
                defaults->pValue = p.value.empty() ? nullptr : put(p.value.data(), p.value.size());
                ++defaults;
            }
        }
        *ppEffects = buffer;
    }
}

void WriteMeshContent(XDocument* doc, int parent, const std::string& name, const MeshData& data,
                      const D3DXMATERIAL* materials, const D3DXEFFECTINSTANCE* effects, DWORD count)
{
    const DWORD vertices = data.VertexCount();
    const DWORD faces = data.FaceCount();
    const int mesh = doc->Add(parent, "Mesh", name);
    {
        XObject& o = doc->objects[mesh];
        o.Int(vertices);
        for (DWORD v = 0; v < vertices; ++v)
        {
            const D3DXVECTOR3 p = data.Position(v);
            o.Float(p.x);
            o.Float(p.y);
            o.Float(p.z);
        }
        o.Int(faces);
        for (DWORD f = 0; f < faces; ++f)
        {
            o.Int(kCorners);
            for (DWORD c = 0; c < kCorners; ++c)
                o.Int(data.indices[f * kCorners + c]);
        }
    }
    // The standard channels for every reader; the whole declaration in DeclData when they do not
    // describe it exactly.
    std::vector<D3DVERTEXELEMENT9> standard;
    DWORD standardStride = 0;
    AddElement(&standard, &standardStride, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
    const D3DVERTEXELEMENT9* normal = data.Find(D3DDECLUSAGE_NORMAL);
    const D3DVERTEXELEMENT9* color = data.Find(D3DDECLUSAGE_COLOR);
    const D3DVERTEXELEMENT9* uv = data.Find(D3DDECLUSAGE_TEXCOORD);
    auto channel = [&](const D3DVERTEXELEMENT9* e, BYTE type)
    {
        if (!e)
            return (const D3DVERTEXELEMENT9*)nullptr;
        AddElement(&standard, &standardStride, type, e->Usage, 0);
        return e;
    };
    normal = channel(normal, D3DDECLTYPE_FLOAT3);
    color = channel(color, D3DDECLTYPE_D3DCOLOR);
    uv = channel(uv, D3DDECLTYPE_FLOAT2);
    bool exact = standard.size() == data.decl.size() && standardStride == data.stride;
    for (size_t i = 0; exact && i < standard.size(); ++i)
        exact = std::memcmp(&standard[i], &data.decl[i], sizeof(D3DVERTEXELEMENT9)) == 0;
    if (normal)
    {
        XObject& o = doc->objects[doc->Add(mesh, "MeshNormals")];
        o.Int(vertices);
        for (DWORD v = 0; v < vertices; ++v)
        {
            float f[4];
            ReadElement(data.Vertex(v), *normal, f);
            o.Floats(f, kVectorFloats);
        }
        o.Int(faces);
        for (DWORD f = 0; f < faces; ++f)
        {
            o.Int(kCorners);
            for (DWORD c = 0; c < kCorners; ++c)
                o.Int(data.indices[f * kCorners + c]);
        }
    }
    if (uv)
    {
        XObject& o = doc->objects[doc->Add(mesh, "MeshTextureCoords")];
        o.Int(vertices);
        for (DWORD v = 0; v < vertices; ++v)
        {
            float f[4];
            ReadElement(data.Vertex(v), *uv, f);
            o.Floats(f, kUvFloats);
        }
    }
    if (color)
    {
        XObject& o = doc->objects[doc->Add(mesh, "MeshVertexColors")];
        o.Int(vertices);
        for (DWORD v = 0; v < vertices; ++v)
        {
            float f[4];
            ReadElement(data.Vertex(v), *color, f);
            o.Int(v);
            o.Floats(f, kColorFloats);
        }
    }
    if (count)
    {
        const int list = doc->Add(mesh, "MeshMaterialList");
        {
            XObject& o = doc->objects[list];
            o.Int(count);
            o.Int(faces);
            for (DWORD f = 0; f < faces; ++f)
                o.Int(std::min(data.attributes[f], count - 1));
        }
        for (DWORD i = 0; i < count; ++i)
        {
            const D3DMATERIAL9 m =
                materials ? materials[i].MatD3D : D3DMATERIAL9{kDefaultGrey, {}, {}, {}, 0.0f};
            const int mo = doc->Add(list, "Material");
            XObject& o = doc->objects[mo];
            o.Float(m.Diffuse.r);
            o.Float(m.Diffuse.g);
            o.Float(m.Diffuse.b);
            o.Float(m.Diffuse.a);
            o.Float(m.Power);
            o.Float(m.Specular.r);
            o.Float(m.Specular.g);
            o.Float(m.Specular.b);
            o.Float(m.Emissive.r);
            o.Float(m.Emissive.g);
            o.Float(m.Emissive.b);
            if (materials && materials[i].pTextureFilename)
                doc->objects[doc->Add(mo, "TextureFilename")].String(materials[i].pTextureFilename);
            if (effects && effects[i].pEffectFilename)
            {
                const int eo = doc->Add(mo, "EffectInstance");
                doc->objects[eo].String(effects[i].pEffectFilename);
                for (DWORD d = 0; d < effects[i].NumDefaults && effects[i].pDefaults; ++d)
                {
                    const D3DXEFFECTDEFAULT& p = effects[i].pDefaults[d];
                    const std::string pname = p.pParamName ? p.pParamName : "";
                    if (p.Type == D3DXEDT_FLOATS)
                    {
                        XObject& po = doc->objects[doc->Add(eo, "EffectParamFloats")];
                        po.String(pname);
                        const DWORD n = p.pValue ? p.NumBytes / sizeof(float) : 0;
                        po.Int(n);
                        po.Floats(static_cast<const float*>(p.pValue), n);
                    }
                    else if (p.Type == D3DXEDT_STRING)
                    {
                        XObject& po = doc->objects[doc->Add(eo, "EffectParamString")];
                        po.String(pname);
                        po.String(p.pValue
                                      ? std::string(static_cast<const char*>(p.pValue),
                                                    strnlen(static_cast<const char*>(p.pValue), p.NumBytes))
                                      : std::string());
                    }
                    else if (p.Type == D3DXEDT_DWORD)
                    {
                        XObject& po = doc->objects[doc->Add(eo, "EffectParamDWord")];
                        po.String(pname);
                        DWORD v = 0;
                        if (p.pValue && p.NumBytes >= sizeof v)
                            std::memcpy(&v, p.pValue, sizeof v);
                        po.Int(v);
                    }
                }
            }
        }
    }
    if (!exact)
    {
        // Every element but the position, packed in order.
        std::vector<D3DVERTEXELEMENT9> packed;
        DWORD packedStride = 0;
        for (const D3DVERTEXELEMENT9& e : data.decl)
            if (!(e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0))
                AddElement(&packed, &packedStride, e.Type, e.Usage, e.UsageIndex);
        XObject& o = doc->objects[doc->Add(mesh, "DeclData")];
        o.Int(static_cast<uint32_t>(packed.size()));
        for (size_t i = 0; i < packed.size(); ++i)
        {
            o.Int(packed[i].Type);
            o.Int(data.Find(packed[i].Usage, packed[i].UsageIndex)->Method);
            o.Int(packed[i].Usage);
            o.Int(packed[i].UsageIndex);
        }
        o.Int(packedStride / sizeof(uint32_t) * vertices);
        for (DWORD v = 0; v < vertices; ++v)
            for (const D3DVERTEXELEMENT9& e : packed)
            {
                const D3DVERTEXELEMENT9* src = data.Find(e.Usage, e.UsageIndex);
                for (UINT b = 0; b < DeclTypeSize(e.Type); b += sizeof(uint32_t))
                {
                    uint32_t word;
                    std::memcpy(&word, data.Vertex(v) + src->Offset + b, sizeof word);
                    o.Int(word);
                }
            }
    }
}
} // namespace tk::d3dx

using namespace tk::d3dx;

namespace
{
// Every Mesh of the file once, with the transformation of the frames around it.
void CollectMeshes(const XDocument& doc, int index, const D3DXMATRIX& parent, int depth,
                   std::vector<std::pair<int, D3DXMATRIX>>* out, std::set<int>* seen)
{
    if (depth > tk::xfile::kMaxXNesting)
        return;
    const XObject& o = doc.objects[index];
    if (o.type == "Mesh")
    {
        if (seen->insert(index).second)
            out->push_back({index, parent});
        return;
    }
    if (o.type != "Frame")
        return;
    D3DXMATRIX local;
    D3DXMatrixIdentity(&local);
    for (const tk::xfile::XChild& c : o.children)
        if (c.object >= 0 && doc.objects[c.object].type == "FrameTransformMatrix")
        {
            XCursor k(doc.objects[c.object]);
            D3DXMATRIX m;
            if (k.F32s(&m._11, 16))
                local = m;
            break;
        }
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &local, &parent);
    for (const tk::xfile::XChild& c : o.children)
    {
        int child = c.object;
        if (child < 0)
        {
            child = doc.FindByName(c.reference);
            if (child < 0 || doc.objects[child].type != "Mesh")
                continue;
        }
        CollectMeshes(doc, child, world, depth + 1, out, seen);
    }
}

HRESULT LoadFromDocument(const XDocument& doc, DWORD Options, IDirect3DDevice9* pD3DDevice,
                         ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                         ID3DXBuffer** ppEffectInstances, DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    std::vector<std::pair<int, D3DXMATRIX>> meshes;
    std::set<int> seen;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (int root : doc.roots)
        CollectMeshes(doc, root, identity, 0, &meshes, &seen);
    if (meshes.empty())
        return D3DXERR_LOADEDMESHHASNODATA;
    MeshContent all;
    for (size_t i = 0; i < meshes.size(); ++i)
    {
        MeshContent one;
        const HRESULT hr = ReadMeshContent(doc, meshes[i].first, &one);
        if (FAILED(hr))
            return hr;
        if (std::memcmp(&meshes[i].second, &identity, sizeof identity) != 0)
            TransformMeshContent(&one, meshes[i].second);
        if (i == 0)
            all = std::move(one);
        else
            AppendMeshContent(&all, one);
    }
    if (all.data.FaceCount() == 0 || all.data.VertexCount() == 0)
        return D3DXERR_LOADEDMESHHASNODATA;
    // Meshes too large for 16-bit indices take 32-bit ones.
    constexpr DWORD kMax16BitVertices = 0x10000;
    DWORD options = Options;
    if (all.data.VertexCount() > kMax16BitVertices)
        options |= D3DXMESH_32BIT;
    Mesh* mesh = nullptr;
    const HRESULT hr = Mesh::Create(pD3DDevice, options, all.data, &mesh);
    if (FAILED(hr))
        return hr;
    if (ppAdjacency)
    {
        std::vector<DWORD> adjacency;
        Adjacency(all.data, 0.0f, &adjacency);
        auto* buffer = new Buffer(adjacency.size() * sizeof(DWORD));
        std::memcpy(buffer->GetBufferPointer(), adjacency.data(), adjacency.size() * sizeof(DWORD));
        *ppAdjacency = buffer;
    }
    PackMaterials(all.materials, ppMaterials, ppEffectInstances);
    if (pNumMaterials)
        *pNumMaterials = static_cast<DWORD>(all.materials.size());
    *ppMesh = mesh;
    return D3D_OK;
}

HRESULT StartLoad(IDirect3DDevice9* device, ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                  ID3DXBuffer** ppEffectInstances, DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    for (ID3DXBuffer** p : {ppAdjacency, ppMaterials, ppEffectInstances})
        if (p)
            *p = nullptr;
    if (pNumMaterials)
        *pNumMaterials = 0;
    if (!ppMesh || !device)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    return D3D_OK;
}
} // namespace

HRESULT D3DXLoadMeshFromXA(const char* pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice,
                           ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                           ID3DXBuffer** ppEffectInstances, DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    if (HRESULT hr =
            StartLoad(pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances, pNumMaterials, ppMesh);
        FAILED(hr) || !pFilename)
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    XDocument doc;
    const tk::xfile::XResult r = tk::xfile::XReadFile(pFilename, &doc);
    if (r == tk::xfile::XResult::NoFile)
        return E_FAIL;
    if (r != tk::xfile::XResult::Ok)
        return D3DXERR_INVALIDDATA;
    return LoadFromDocument(doc, Options, pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances,
                            pNumMaterials, ppMesh);
}

HRESULT D3DXLoadMeshFromXInMemory(const void* Memory, DWORD SizeOfMemory, DWORD Options,
                                  IDirect3DDevice9* pD3DDevice, ID3DXBuffer** ppAdjacency,
                                  ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                                  DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    if (HRESULT hr =
            StartLoad(pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances, pNumMaterials, ppMesh);
        FAILED(hr) || !Memory)
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    XDocument doc;
    if (tk::xfile::XReadMemory(Memory, SizeOfMemory, &doc) != tk::xfile::XResult::Ok)
        return D3DXERR_INVALIDDATA;
    return LoadFromDocument(doc, Options, pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances,
                            pNumMaterials, ppMesh);
}

HRESULT D3DXSaveMeshToXA(const char* pFilename, ID3DXMesh* pMesh, const DWORD*,
                         const D3DXMATERIAL* pMaterials, const D3DXEFFECTINSTANCE* pEffectInstances,
                         DWORD NumMaterials, DWORD Format)
{
    Mesh* mesh = pMesh ? AsMesh(pMesh) : nullptr;
    MeshData data;
    if (!pFilename || !mesh || !mesh->Read(&data) || !data.IndicesValid() ||
        !data.Find(D3DDECLUSAGE_POSITION))
        return D3DERR_INVALIDCALL;
    XDocument doc;
    WriteMeshContent(&doc, -1, std::string(), data, pMaterials, pEffectInstances, NumMaterials);
    const bool text = (Format & D3DXF_FILEFORMAT_TEXT) != 0;
    const bool zip = (Format & D3DXF_FILEFORMAT_COMPRESSED) != 0;
    const tk::xfile::XFormat format =
        text ? (zip ? tk::xfile::XFormat::TextZip : tk::xfile::XFormat::Text)
             : (zip ? tk::xfile::XFormat::BinaryZip : tk::xfile::XFormat::Binary);
    return tk::xfile::XWriteFile(pFilename, doc, format) ? D3D_OK : E_FAIL;
}
