// Frame hierarchies from .x files through the caller's allocator, and the animation sets beside them.
#include "platform/d3dx/Frame.h"
#include "platform/d3dx/MeshContent.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

using tk::xfile::XCursor;
using tk::xfile::XDocument;
using tk::xfile::XObject;

namespace
{
constexpr double kDefaultTicksPerSecond = 4800.0;
constexpr DWORD kMatrixFloats = 16;
constexpr int kKeyTypes = 5;
constexpr UINT kKeyValues[kKeyTypes] = {4, 3, 3, 0, 16};

struct Track
{
    std::vector<DWORD> times;
    std::vector<float> values;
};

struct Animation
{
    std::string target;
    Track tracks[kKeyTypes];
};

class AnimationSet final : public ID3DXAnimationSet
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (!left)
            delete this;
        return left;
    }
    LPCSTR GetName() override { return name.c_str(); }
    double GetSourceTicksPerSecond() override { return ticks; }
    UINT GetNumAnimations() override { return static_cast<UINT>(animations.size()); }
    HRESULT GetAnimationNameByIndex(UINT index, LPCSTR* out) override
    {
        if (index >= animations.size() || !out)
            return D3DERR_INVALIDCALL;
        *out = animations[index].target.c_str();
        return D3D_OK;
    }
    UINT GetNumKeys(UINT index, D3DXANIMATIONKEYTYPE type) override
    {
        if (index >= animations.size() || type < 0 || type >= kKeyTypes)
            return 0;
        return static_cast<UINT>(animations[index].tracks[type].times.size());
    }
    HRESULT GetKey(UINT index, D3DXANIMATIONKEYTYPE type, UINT key, DWORD* time, FLOAT* values) override
    {
        if (index >= animations.size() || type < 0 || type >= kKeyTypes || !kKeyValues[type] ||
            key >= animations[index].tracks[type].times.size())
            return D3DERR_INVALIDCALL;
        const Track& t = animations[index].tracks[type];
        if (time)
            *time = t.times[key];
        if (values)
            std::memcpy(values, &t.values[size_t(key) * kKeyValues[type]], kKeyValues[type] * sizeof(float));
        return D3D_OK;
    }

    std::string name;
    double ticks = kDefaultTicksPerSecond;
    std::vector<Animation> animations;

private:
    ~AnimationSet() = default;
    std::atomic<ULONG> m_refs{1};
};

class AnimationController final : public ID3DXAnimationController
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (!left)
            delete this;
        return left;
    }
    UINT GetNumAnimationSets() override { return static_cast<UINT>(sets.size()); }
    HRESULT GetAnimationSet(UINT index, ID3DXAnimationSet** out) override
    {
        if (index >= sets.size() || !out)
            return D3DERR_INVALIDCALL;
        *out = sets[index];
        sets[index]->AddRef();
        return D3D_OK;
    }
    HRESULT GetAnimationSetByName(LPCSTR name, ID3DXAnimationSet** out) override
    {
        if (!name || !out)
            return D3DERR_INVALIDCALL;
        for (AnimationSet* s : sets)
            if (s->name == name)
            {
                *out = s;
                s->AddRef();
                return D3D_OK;
            }
        return D3DERR_NOTFOUND;
    }

    std::vector<AnimationSet*> sets;

private:
    ~AnimationController()
    {
        for (AnimationSet* s : sets)
            s->Release();
    }
    std::atomic<ULONG> m_refs{1};
};

#define TK_CHECK(expr)                                                                                       \
    do                                                                                                       \
    {                                                                                                        \
        if (!(expr))                                                                                         \
            return D3DXERR_INVALIDDATA;                                                                      \
    } while (0)

HRESULT ReadAnimationSet(const XDocument& doc, const XObject& o, double ticks, AnimationSet* set)
{
    set->name = o.name;
    set->ticks = ticks;
    for (const tk::xfile::XChild& c : o.children)
    {
        const int index = c.object >= 0 ? c.object : doc.FindByName(c.reference);
        TK_CHECK(index >= 0);
        const XObject& a = doc.objects[index];
        if (a.type != "Animation")
            continue;
        Animation anim;
        for (const tk::xfile::XChild& k : a.children)
        {
            if (k.object < 0)
            {
                anim.target = k.reference; // the animated frame
                continue;
            }
            const XObject& key = doc.objects[k.object];
            if (key.type != "AnimationKey")
                continue;
            XCursor kc(key);
            uint32_t type, count;
            TK_CHECK(kc.U32(&type) && type < kKeyTypes && kKeyValues[type] && kc.U32(&count) &&
                     count <= kc.Remaining() / (2 + kKeyValues[type]));
            Track& track = anim.tracks[type];
            for (uint32_t i = 0; i < count; ++i)
            {
                uint32_t time, n;
                TK_CHECK(kc.U32(&time) && kc.U32(&n) && n == kKeyValues[type]);
                float values[kMatrixFloats];
                TK_CHECK(kc.F32s(values, n));
                track.times.push_back(time);
                track.values.insert(track.values.end(), values, values + n);
            }
        }
        set->animations.push_back(std::move(anim));
    }
    return D3D_OK;
}

class Loader
{
public:
    Loader(const XDocument& doc, DWORD options, IDirect3DDevice9* device, ID3DXAllocateHierarchy* alloc)
        : m_doc(doc), m_options(options), m_device(device), m_alloc(alloc)
    {
    }

    // A frame and everything below it; on failure *out is what was built so far (to destroy).
    HRESULT Frame(int index, const char* name, const std::vector<int>& children, D3DXFRAME** out, int depth)
    {
        *out = nullptr;
        TK_CHECK(depth <= tk::xfile::kMaxXNesting);
        HRESULT hr = m_alloc->CreateFrame(name, out);
        if (FAILED(hr) || !*out)
            return FAILED(hr) ? hr : E_OUTOFMEMORY;
        D3DXFRAME* frame = *out;
        D3DXMatrixIdentity(&frame->TransformationMatrix);
        D3DXMESHCONTAINER** nextContainer = &frame->pMeshContainer;
        D3DXFRAME** nextChild = &frame->pFrameFirstChild;
        for (int child : children)
        {
            const XObject& o = m_doc.objects[child];
            if (o.type == "FrameTransformMatrix" && index >= 0)
            {
                XCursor c(o);
                TK_CHECK(c.F32s(&frame->TransformationMatrix._11, kMatrixFloats));
            }
            else if (o.type == "Mesh")
            {
                D3DXMESHCONTAINER* container = nullptr;
                if (FAILED(hr = Container(child, &container)))
                    return hr;
                if (container)
                {
                    *nextContainer = container;
                    while (*nextContainer)
                        nextContainer = &(*nextContainer)->pNextMeshContainer;
                }
            }
            else if (o.type == "Frame")
            {
                D3DXFRAME* sub = nullptr;
                hr = Frame(child, o.name.c_str(), Children(m_doc.objects[child]), &sub, depth + 1);
                *nextChild = sub;
                if (sub)
                    nextChild = &sub->pFrameSibling;
                if (FAILED(hr))
                    return hr;
            }
        }
        return D3D_OK;
    }

    // Nested objects, and references to meshes.
    std::vector<int> Children(const XObject& o) const
    {
        std::vector<int> out;
        for (const tk::xfile::XChild& c : o.children)
        {
            if (c.object >= 0)
                out.push_back(c.object);
            else
            {
                const int target = m_doc.FindByName(c.reference);
                if (target >= 0 && m_doc.objects[target].type == "Mesh")
                    out.push_back(target);
            }
        }
        return out;
    }

private:
    HRESULT Container(int meshIndex, D3DXMESHCONTAINER** out)
    {
        tk::d3dx::MeshContent content;
        HRESULT hr = tk::d3dx::ReadMeshContent(m_doc, meshIndex, &content);
        if (FAILED(hr))
            return hr;
        if (content.data.FaceCount() == 0 || content.data.VertexCount() == 0)
            return D3D_OK;
        DWORD options = m_options;
        constexpr DWORD kMax16BitVertices = 0x10000;
        if (content.data.VertexCount() > kMax16BitVertices)
            options |= D3DXMESH_32BIT;
        tk::d3dx::Mesh* mesh = nullptr;
        if (FAILED(hr = tk::d3dx::Mesh::Create(m_device, options, content.data, &mesh)))
            return hr;
        std::vector<DWORD> adjacency;
        tk::d3dx::Adjacency(content.data, 0.0f, &adjacency);
        ID3DXBuffer *materials = nullptr, *effects = nullptr;
        tk::d3dx::PackMaterials(content.materials, &materials, &effects);
        ID3DXSkinInfo* skin = nullptr;
        if (!content.skins.empty())
        {
            std::vector<D3DVERTEXELEMENT9> decl = content.data.decl;
            decl.push_back(D3DDECL_END());
            hr = D3DXCreateSkinInfo(content.data.VertexCount(), decl.data(),
                                    static_cast<DWORD>(content.skins.size()), &skin);
            for (DWORD b = 0; SUCCEEDED(hr) && b < content.skins.size(); ++b)
            {
                const tk::d3dx::SkinContent& s = content.skins[b];
                skin->SetBoneName(b, s.bone.c_str());
                skin->SetBoneOffsetMatrix(b, &s.offset);
                hr = skin->SetBoneInfluence(b, static_cast<DWORD>(s.vertices.size()), s.vertices.data(),
                                            s.weights.data());
            }
        }
        if (SUCCEEDED(hr))
        {
            D3DXMESHDATA data = {D3DXMESHTYPE_MESH, mesh};
            const std::string& name = m_doc.objects[meshIndex].name;
            hr = m_alloc->CreateMeshContainer(
                name.c_str(), &data,
                materials ? static_cast<D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr,
                effects ? static_cast<D3DXEFFECTINSTANCE*>(effects->GetBufferPointer()) : nullptr,
                static_cast<DWORD>(content.materials.size()), adjacency.data(), skin, out);
        }
        if (skin)
            skin->Release();
        if (materials)
            materials->Release();
        if (effects)
            effects->Release();
        mesh->Release();
        return hr;
    }

    const XDocument& m_doc;
    DWORD m_options;
    IDirect3DDevice9* m_device;
    ID3DXAllocateHierarchy* m_alloc;
};

HRESULT LoadHierarchy(const XDocument& doc, DWORD options, IDirect3DDevice9* device,
                      ID3DXAllocateHierarchy* alloc, D3DXFRAME** ppFrame,
                      ID3DXAnimationController** ppController)
{
    Loader loader(doc, options, device, alloc);
    // One top-level frame is the root; otherwise an unnamed root holds every top-level frame and mesh.
    std::vector<int> top;
    double ticks = kDefaultTicksPerSecond;
    for (int root : doc.roots)
    {
        const std::string& type = doc.objects[root].type;
        if (type == "Frame" || type == "Mesh")
            top.push_back(root);
        else if (type == "AnimTicksPerSecond")
        {
            XCursor c(doc.objects[root]);
            uint32_t t;
            if (c.U32(&t) && t > 0)
                ticks = t;
        }
    }
    if (top.empty())
        return D3DXERR_LOADEDMESHHASNODATA;
    D3DXFRAME* root = nullptr;
    HRESULT hr;
    if (top.size() == 1 && doc.objects[top[0]].type == "Frame")
        hr = loader.Frame(top[0], doc.objects[top[0]].name.c_str(), loader.Children(doc.objects[top[0]]),
                          &root, 0);
    else
        hr = loader.Frame(-1, nullptr, top, &root, 0);
    AnimationController* controller = nullptr;
    if (SUCCEEDED(hr) && ppController)
    {
        controller = new AnimationController();
        for (int r : doc.roots)
            if (doc.objects[r].type == "AnimationSet")
            {
                auto* set = new AnimationSet();
                controller->sets.push_back(set);
                if (FAILED(hr = ReadAnimationSet(doc, doc.objects[r], ticks, set)))
                    break;
            }
    }
    if (FAILED(hr))
    {
        if (root)
            D3DXFrameDestroy(root, alloc);
        if (controller)
            controller->Release();
        return hr;
    }
    *ppFrame = root;
    if (ppController)
        *ppController = controller;
    return D3D_OK;
}

HRESULT Start(ID3DXAllocateHierarchy* alloc, IDirect3DDevice9* device, D3DXFRAME** ppFrame,
              ID3DXAnimationController** ppController)
{
    if (ppController)
        *ppController = nullptr;
    if (!ppFrame || !alloc || !device)
        return D3DERR_INVALIDCALL;
    *ppFrame = nullptr;
    return D3D_OK;
}
} // namespace

HRESULT D3DXLoadMeshHierarchyFromXA(LPCSTR Filename, DWORD MeshOptions, IDirect3DDevice9* pDevice,
                                    ID3DXAllocateHierarchy* pAlloc, ID3DXLoadUserData*,
                                    D3DXFRAME** ppFrameHierarchy, ID3DXAnimationController** ppAnimController)
{
    if (HRESULT hr = Start(pAlloc, pDevice, ppFrameHierarchy, ppAnimController); FAILED(hr) || !Filename)
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    XDocument doc;
    const tk::xfile::XResult r = tk::xfile::XReadFile(Filename, &doc);
    if (r == tk::xfile::XResult::NoFile)
        return E_FAIL;
    if (r != tk::xfile::XResult::Ok)
        return D3DXERR_INVALIDDATA;
    return LoadHierarchy(doc, MeshOptions, pDevice, pAlloc, ppFrameHierarchy, ppAnimController);
}

HRESULT D3DXLoadMeshHierarchyFromXInMemory(const void* Memory, DWORD SizeOfMemory, DWORD MeshOptions,
                                           IDirect3DDevice9* pDevice, ID3DXAllocateHierarchy* pAlloc,
                                           ID3DXLoadUserData*, D3DXFRAME** ppFrameHierarchy,
                                           ID3DXAnimationController** ppAnimController)
{
    if (HRESULT hr = Start(pAlloc, pDevice, ppFrameHierarchy, ppAnimController); FAILED(hr) || !Memory)
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    XDocument doc;
    if (tk::xfile::XReadMemory(Memory, SizeOfMemory, &doc) != tk::xfile::XResult::Ok)
        return D3DXERR_INVALIDDATA;
    return LoadHierarchy(doc, MeshOptions, pDevice, pAlloc, ppFrameHierarchy, ppAnimController);
}

LPD3DXFRAME D3DXFrameFind(const D3DXFRAME* pFrameRoot, LPCSTR Name)
{
    // As D3DX searches: the frame, then its siblings (each with its own siblings and children
    // before the frame's children), then its children. The sibling chain is walked in a loop, so a
    // long chain costs no stack.
    std::vector<const D3DXFRAME*> chain;
    for (const D3DXFRAME* f = pFrameRoot; f; f = f->pFrameSibling)
    {
        if ((Name && f->Name && std::strcmp(Name, f->Name) == 0) || (!Name && !f->Name))
            return const_cast<D3DXFRAME*>(f);
        chain.push_back(f);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (D3DXFRAME* found = D3DXFrameFind((*it)->pFrameFirstChild, Name))
            return found;
    return nullptr;
}

HRESULT D3DXFrameDestroy(D3DXFRAME* pFrameRoot, ID3DXAllocateHierarchy* pAlloc)
{
    if (!pFrameRoot || !pAlloc)
        return D3DERR_INVALIDCALL;
    D3DXFRAME* f = pFrameRoot;
    while (f)
    {
        D3DXFRAME* sibling = f->pFrameSibling;
        if (f->pFrameFirstChild)
            D3DXFrameDestroy(f->pFrameFirstChild, pAlloc);
        D3DXMESHCONTAINER* c = f->pMeshContainer;
        while (c)
        {
            D3DXMESHCONTAINER* next = c->pNextMeshContainer;
            pAlloc->DestroyMeshContainer(c);
            c = next;
        }
        pAlloc->DestroyFrame(f);
        f = sibling;
    }
    return D3D_OK;
}
