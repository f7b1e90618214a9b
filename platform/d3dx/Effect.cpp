// ID3DXEffect over an effect file: parameters and annotations keep their
// values here and reach the device as uniforms when a pass begins or commits;
// a pass sets its render states, shaders and samplers; Begin and End save and
// put back what the technique's passes change.

#include "platform/d3dx/Effect.h"

#include "platform/d3d9/Diagnostics.h"
#include "platform/d3dx/EffectDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/d3dx/EffectFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace
{

constexpr int kMatrixSide = 4;
constexpr int kMatrixWords = kMatrixSide * kMatrixSide;
constexpr int kVectorWords = 4;
// Draw states kept as changes on top of earlier ones before they are folded
// into one full record.
constexpr UINT kMaxDrawStateChain = 32;
constexpr const char* kCreator = "Tovak effect layer";

// The attribute location names every shader may use (GlslShaders.h).
struct AttribName
{
    const char* name;
    UINT location;
};
const AttribName kAttribNames[] = {
    {"TK_POSITION", TK_ATTRIB_POSITION},
    {"TK_BLENDWEIGHT", TK_ATTRIB_BLENDWEIGHT},
    {"TK_BLENDINDICES", TK_ATTRIB_BLENDINDICES},
    {"TK_NORMAL", TK_ATTRIB_NORMAL},
    {"TK_COLOR0", TK_ATTRIB_COLOR0},
    {"TK_COLOR1", TK_ATTRIB_COLOR1},
    {"TK_TANGENT", TK_ATTRIB_TANGENT},
    {"TK_BINORMAL", TK_ATTRIB_BINORMAL},
};
constexpr int kTexcoordSets = 8;

class Effect;

// What the effects know of each device: the effect whose pass is open (the
// draw log asks it for its state) and the effect that last sent values, since
// values under shared names (g_mWorld in every effect) must be sent again when
// another effect sent its own. Slots are never removed, so an effect can keep
// a pointer to its device's slot.
struct DeviceSlot
{
    Effect* open = nullptr;
    const void* lastCommitter = nullptr;
};
std::mutex g_slotsMutex;
std::map<const IDirect3DDevice9*, std::unique_ptr<DeviceSlot>> g_slots;

DeviceSlot* SlotOf(const IDirect3DDevice9* device)
{
    // Drawing asks for the same device again and again.
    thread_local const IDirect3DDevice9* cachedDevice = nullptr;
    thread_local DeviceSlot* cachedSlot = nullptr;
    if (cachedSlot && cachedDevice == device)
        return cachedSlot;
    std::lock_guard<std::mutex> lock(g_slotsMutex);
    std::unique_ptr<DeviceSlot>& slot = g_slots[device];
    if (!slot)
        slot = std::make_unique<DeviceSlot>();
    cachedDevice = device;
    cachedSlot = slot.get();
    return cachedSlot;
}

float WordFloat(uint32_t w)
{
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

uint32_t FloatWord(float f)
{
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

struct Param
{
    TkFxValue decl;
    bool annotation = false;
    int firstAnnotation = 0;
    int annotationCount = 0;
    bool uniform = false; // numeric parameter sent to the shaders
    TkUniformType uniformType = TkUniformType::Float;
    IDirect3DBaseTexture9* texture = nullptr;
    bool dirty = false;
    std::vector<int> samplers; // samplers that read this texture parameter
};

struct Sampler
{
    std::string name;
    bool cube = false;
    int textureParam = -1;
    std::vector<TkFxSamplerState> states;
    DWORD stage = 0;
};

struct Shader
{
    bool pixel = false;
    std::string glsl;
    IUnknown* object = nullptr;
};

struct Pass
{
    std::string name;
    int firstAnnotation = 0;
    int annotationCount = 0;
    std::vector<TkFxRenderState> states;
    int vertexShader = -1;
    int pixelShader = -1;
    int technique = 0;
};

struct Technique
{
    std::string name;
    int firstAnnotation = 0;
    int annotationCount = 0;
    int firstPass = 0;
    int passCount = 0;
    bool valid = true;
};

struct SavedState
{
    enum Kind
    {
        Render,
        SamplerState,
        Texture,
    } kind;
    DWORD stage;
    DWORD type;
    DWORD value;
    IDirect3DBaseTexture9* texture;
};

enum class SetKind
{
    Bool,
    Int,
    Float,
};

class Effect final : public ID3DXEffect
{
public:
    Effect(IDirect3DDevice9* device, std::string file)
        : m_device(device), m_file(std::move(file)), m_slot(SlotOf(device))
    {
        m_device->AddRef();
    }

    // Builds the effect from parsed declarations; compile failures go to *errors.
    bool Build(const TkFxFile& fx, const D3DXMACRO* defines, std::string* errors)
    {
        size_t total = fx.parameters.size();
        for (const TkFxValue& p : fx.parameters)
            total += p.annotations.size();
        for (const TkFxTechnique& t : fx.techniques)
        {
            total += t.annotations.size();
            for (const TkFxPass& p : t.passes)
                total += p.annotations.size();
        }
        // Handles point into these arrays: they are sized once and never grow.
        m_params.reserve(total);
        for (const TkFxValue& p : fx.parameters)
        {
            Param param;
            param.decl = p;
            param.decl.annotations.clear();
            if (p.base != TkFxBase::Texture && p.base != TkFxBase::String)
            {
                param.uniform = true;
                param.uniformType = UniformType(p);
                param.dirty = true;
                m_dirty.push_back(int(m_params.size()));
            }
            m_params.push_back(std::move(param));
        }
        m_topParams = int(m_params.size());
        m_pending.resize(m_params.size());
        for (int i = 0; i < m_topParams; ++i)
            AddAnnotations(fx.parameters[size_t(i)].annotations, &m_params[size_t(i)].firstAnnotation,
                           &m_params[size_t(i)].annotationCount);

        for (size_t i = 0; i < fx.samplers.size(); ++i)
        {
            const TkFxSampler& s = fx.samplers[i];
            Sampler sampler;
            sampler.name = s.name;
            sampler.cube = s.cube;
            sampler.states = s.states;
            sampler.stage = DWORD(i);
            sampler.textureParam = s.texture.empty() ? -1 : FindTopParam(s.texture.c_str());
            if (sampler.textureParam >= 0)
                m_params[size_t(sampler.textureParam)].samplers.push_back(int(i));
            m_samplers.push_back(std::move(sampler));
        }

        size_t passes = 0;
        for (const TkFxTechnique& t : fx.techniques)
            passes += t.passes.size();
        m_passes.reserve(passes);
        m_techniques.reserve(fx.techniques.size());
        for (const TkFxTechnique& t : fx.techniques)
        {
            Technique technique;
            technique.name = t.name;
            technique.firstPass = int(m_passes.size());
            technique.passCount = int(t.passes.size());
            AddAnnotations(t.annotations, &technique.firstAnnotation, &technique.annotationCount);
            for (const TkFxPass& p : t.passes)
            {
                Pass pass;
                pass.name = p.name;
                pass.states = p.states;
                pass.vertexShader = p.vertexShader;
                pass.pixelShader = p.pixelShader;
                pass.technique = int(m_techniques.size());
                AddAnnotations(p.annotations, &pass.firstAnnotation, &pass.annotationCount);
                m_passes.push_back(std::move(pass));
            }
            m_techniques.push_back(std::move(technique));
        }

        std::string prelude = Prelude(defines);
        bool ok = true;
        for (const TkFxShader& s : fx.shaders)
        {
            Shader shader;
            shader.pixel = s.pixel;
            shader.glsl = prelude + s.body;
            std::string log;
            HRESULT hr;
            if (s.pixel)
            {
                IDirect3DPixelShader9* ps = nullptr;
                hr = TkFxCreatePixelShader(m_device, shader.glsl, &ps, &log);
                shader.object = ps;
            }
            else
            {
                IDirect3DVertexShader9* vs = nullptr;
                hr = TkFxCreateVertexShader(m_device, shader.glsl, &vs, &log);
                shader.object = vs;
            }
            if (FAILED(hr) || !shader.object)
            {
                ok = false;
                *errors += s.file + "(" + std::to_string(s.line) +
                           "): error: " + (s.pixel ? "pixel" : "vertex") + " shader '" + s.name +
                           "' does not compile\n";
                *errors += WithFileNames(log, fx.files);
                if (!log.empty() && log.back() != '\n')
                    *errors += '\n';
            }
            m_shaders.push_back(std::move(shader));
        }
        if (!ok)
            return false;
        // A technique whose passes do not all link stays in the effect, invalid.
        TkFxLinkCheck check;
        for (Technique& t : m_techniques)
        {
            for (int i = 0; i < t.passCount && t.valid; ++i)
            {
                const Pass& p = m_passes[size_t(t.firstPass + i)];
                std::string log;
                if (!check.Links(m_shaders[size_t(p.vertexShader)].glsl,
                                 m_shaders[size_t(p.pixelShader)].glsl, &log))
                {
                    t.valid = false;
                    std::fprintf(stderr, "%s: technique '%s' pass %d does not link\n%s\n", m_file.c_str(),
                                 t.name.c_str(), i, log.c_str());
                }
            }
        }
        m_technique = 0;
        TkD3D9HoldDefaultPoolObject(m_device, this, ("ID3DXEffect \"" + m_file + "\"").c_str());
        m_holding = true;
        return true;
    }

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        if (m_refs == 0)
            return 0;
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    // ---- Descriptions and handles ----------------------------------------------

    HRESULT GetDesc(D3DXEFFECT_DESC* pDesc) override
    {
        if (!pDesc)
            return D3DERR_INVALIDCALL;
        pDesc->Creator = kCreator;
        pDesc->Parameters = UINT(m_topParams);
        pDesc->Techniques = UINT(m_techniques.size());
        pDesc->Functions = UINT(m_shaders.size());
        return D3D_OK;
    }

    HRESULT GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) override
    {
        Param* p = ParamOf(hParameter, true);
        if (!p || !pDesc)
            return D3DERR_INVALIDCALL;
        const TkFxValue& d = p->decl;
        pDesc->Name = d.name.c_str();
        pDesc->Semantic = d.semantic.empty() ? nullptr : d.semantic.c_str();
        pDesc->Class = d.base == TkFxBase::Texture || d.base == TkFxBase::String ? D3DXPC_OBJECT
                       : d.rows > 1                                              ? D3DXPC_MATRIX_ROWS
                       : d.columns > 1                                           ? D3DXPC_VECTOR
                                                                                 : D3DXPC_SCALAR;
        static const D3DXPARAMETER_TYPE kTypes[] = {D3DXPT_BOOL, D3DXPT_INT, D3DXPT_FLOAT, D3DXPT_TEXTURE,
                                                    D3DXPT_STRING};
        pDesc->Type = kTypes[int(d.base)];
        pDesc->Rows = UINT(d.rows);
        pDesc->Columns = UINT(d.columns);
        pDesc->Elements = UINT(d.elements);
        pDesc->Annotations = UINT(p->annotationCount);
        pDesc->StructMembers = 0;
        pDesc->Flags = 0;
        pDesc->Bytes = ByteSize(*p);
        return D3D_OK;
    }

    HRESULT GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) override
    {
        Technique* t = TechniqueOf(hTechnique);
        if (!t || !pDesc)
            return D3DERR_INVALIDCALL;
        pDesc->Name = t->name.c_str();
        pDesc->Passes = UINT(t->passCount);
        pDesc->Annotations = UINT(t->annotationCount);
        return D3D_OK;
    }

    HRESULT GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) override
    {
        Pass* p = PassOf(hPass);
        if (!p || !pDesc)
            return D3DERR_INVALIDCALL;
        pDesc->Name = p->name.c_str();
        pDesc->Annotations = UINT(p->annotationCount);
        pDesc->pVertexShaderFunction =
            reinterpret_cast<const DWORD*>(m_shaders[size_t(p->vertexShader)].glsl.c_str());
        pDesc->pPixelShaderFunction =
            reinterpret_cast<const DWORD*>(m_shaders[size_t(p->pixelShader)].glsl.c_str());
        return D3D_OK;
    }

    D3DXHANDLE GetParameter(D3DXHANDLE hParameter, UINT Index) override
    {
        // Parameters have no members: only the top level has an index.
        if (hParameter || Index >= UINT(m_topParams))
            return nullptr;
        return Handle(m_params[Index]);
    }

    D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) override
    {
        if (hParameter || !pName)
            return nullptr;
        int i = FindTopParam(pName);
        return i < 0 ? nullptr : Handle(m_params[size_t(i)]);
    }

    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE hParameter, LPCSTR pSemantic) override
    {
        if (hParameter || !pSemantic)
            return nullptr;
        for (int i = 0; i < m_topParams; ++i)
        {
            if (!m_params[size_t(i)].decl.semantic.empty() &&
                CaseBlindEqual(m_params[size_t(i)].decl.semantic.c_str(), pSemantic))
                return Handle(m_params[size_t(i)]);
        }
        return nullptr;
    }

    D3DXHANDLE GetTechnique(UINT Index) override
    {
        return Index < m_techniques.size() ? Handle(m_techniques[Index]) : nullptr;
    }

    D3DXHANDLE GetTechniqueByName(LPCSTR pName) override
    {
        if (!pName)
            return nullptr;
        for (Technique& t : m_techniques)
        {
            if (t.name == pName)
                return Handle(t);
        }
        return nullptr;
    }

    D3DXHANDLE GetPass(D3DXHANDLE hTechnique, UINT Index) override
    {
        Technique* t = TechniqueOf(hTechnique);
        if (!t || Index >= UINT(t->passCount))
            return nullptr;
        return Handle(m_passes[size_t(t->firstPass) + Index]);
    }

    D3DXHANDLE GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName) override
    {
        Technique* t = TechniqueOf(hTechnique);
        if (!t || !pName)
            return nullptr;
        for (int i = 0; i < t->passCount; ++i)
        {
            if (m_passes[size_t(t->firstPass + i)].name == pName)
                return Handle(m_passes[size_t(t->firstPass + i)]);
        }
        return nullptr;
    }

    D3DXHANDLE GetAnnotation(D3DXHANDLE hObject, UINT Index) override
    {
        int first, count;
        if (!AnnotationsOf(hObject, &first, &count) || Index >= UINT(count))
            return nullptr;
        return Handle(m_params[size_t(first) + Index]);
    }

    D3DXHANDLE GetAnnotationByName(D3DXHANDLE hObject, LPCSTR pName) override
    {
        int first, count;
        if (!pName || !AnnotationsOf(hObject, &first, &count))
            return nullptr;
        for (int i = first; i < first + count; ++i)
        {
            if (m_params[size_t(i)].decl.name == pName)
                return Handle(m_params[size_t(i)]);
        }
        return nullptr;
    }

    // ---- Values ----------------------------------------------------------------

    HRESULT SetValue(D3DXHANDLE hParameter, const void* pData, UINT Bytes) override
    {
        Param* p = ParamOf(hParameter, false);
        if (!p || !pData)
            return D3DERR_INVALIDCALL;
        if (p->decl.base == TkFxBase::Texture)
        {
            if (Bytes != sizeof(IDirect3DBaseTexture9*))
                return D3DERR_INVALIDCALL;
            IDirect3DBaseTexture9* texture;
            std::memcpy(&texture, pData, sizeof texture);
            return SetTexture(hParameter, texture);
        }
        if (!p->uniform || Bytes != ByteSize(*p))
            return D3DERR_INVALIDCALL;
        std::vector<uint32_t> words(p->decl.data.size());
        std::memcpy(words.data(), pData, Bytes);
        if (p->decl.base == TkFxBase::Bool)
        {
            for (uint32_t& w : words)
                w = w != 0;
        }
        Store(*p, 0, words.data(), words.size());
        return D3D_OK;
    }

    HRESULT GetValue(D3DXHANDLE hParameter, void* pData, UINT Bytes) override
    {
        Param* p = ParamOf(hParameter, true);
        if (!p || !pData)
            return D3DERR_INVALIDCALL;
        if (p->decl.base == TkFxBase::Texture)
        {
            if (Bytes != sizeof(IDirect3DBaseTexture9*))
                return D3DERR_INVALIDCALL;
            if (p->texture)
                p->texture->AddRef();
            std::memcpy(pData, &p->texture, sizeof p->texture);
            return D3D_OK;
        }
        if (p->decl.base == TkFxBase::String || Bytes != ByteSize(*p))
            return D3DERR_INVALIDCALL;
        std::memcpy(pData, p->decl.data.data(), Bytes);
        return D3D_OK;
    }

    HRESULT SetBool(D3DXHANDLE h, BOOL b) override { return SetScalar(h, SetKind::Bool, uint32_t(b != 0)); }
    HRESULT SetInt(D3DXHANDLE h, INT n) override { return SetScalar(h, SetKind::Int, uint32_t(n)); }
    HRESULT SetFloat(D3DXHANDLE h, FLOAT f) override { return SetScalar(h, SetKind::Float, FloatWord(f)); }
    HRESULT GetBool(D3DXHANDLE h, BOOL* pb) override { return GetScalar(h, SetKind::Bool, pb); }
    HRESULT GetInt(D3DXHANDLE h, INT* pn) override { return GetScalar(h, SetKind::Int, pn); }
    HRESULT GetFloat(D3DXHANDLE h, FLOAT* pf) override { return GetScalar(h, SetKind::Float, pf); }

    HRESULT SetBoolArray(D3DXHANDLE h, const BOOL* pb, UINT Count) override
    {
        return SetArray(h, SetKind::Bool, pb, Count);
    }
    HRESULT SetIntArray(D3DXHANDLE h, const INT* pn, UINT Count) override
    {
        return SetArray(h, SetKind::Int, pn, Count);
    }
    HRESULT SetFloatArray(D3DXHANDLE h, const FLOAT* pf, UINT Count) override
    {
        return SetArray(h, SetKind::Float, pf, Count);
    }
    HRESULT GetBoolArray(D3DXHANDLE h, BOOL* pb, UINT Count) override
    {
        return GetArray(h, SetKind::Bool, pb, Count);
    }
    HRESULT GetIntArray(D3DXHANDLE h, INT* pn, UINT Count) override
    {
        return GetArray(h, SetKind::Int, pn, Count);
    }
    HRESULT GetFloatArray(D3DXHANDLE h, FLOAT* pf, UINT Count) override
    {
        return GetArray(h, SetKind::Float, pf, Count);
    }

    HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* pVector) override
    {
        Param* p = ParamOf(h, false);
        if (!p || !pVector || !p->uniform || p->decl.rows != 1 || p->decl.elements)
            return D3DERR_INVALIDCALL;
        return StoreVectors(*p, pVector, 1);
    }

    HRESULT GetVector(D3DXHANDLE h, D3DXVECTOR4* pVector) override
    {
        Param* p = ParamOf(h, true);
        if (!p || !pVector || !Numeric(*p) || p->decl.rows != 1 || p->decl.elements)
            return D3DERR_INVALIDCALL;
        return LoadVectors(*p, pVector, 1);
    }

    HRESULT SetVectorArray(D3DXHANDLE h, const D3DXVECTOR4* pVector, UINT Count) override
    {
        Param* p = ParamOf(h, false);
        if (!p || !p->uniform || p->decl.rows != 1 || Count > ElementCount(*p) || (Count && !pVector))
            return D3DERR_INVALIDCALL;
        return StoreVectors(*p, pVector, Count);
    }

    HRESULT GetVectorArray(D3DXHANDLE h, D3DXVECTOR4* pVector, UINT Count) override
    {
        Param* p = ParamOf(h, true);
        if (!p || !Numeric(*p) || p->decl.rows != 1 || Count > ElementCount(*p) || (Count && !pVector))
            return D3DERR_INVALIDCALL;
        return LoadVectors(*p, pVector, Count);
    }

    HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* pMatrix) override
    {
        return SetMatrices(h, pMatrix, 1, false, true);
    }
    HRESULT GetMatrix(D3DXHANDLE h, D3DXMATRIX* pMatrix) override
    {
        return GetMatrices(h, pMatrix, 1, false, true);
    }
    HRESULT SetMatrixArray(D3DXHANDLE h, const D3DXMATRIX* pMatrix, UINT Count) override
    {
        return SetMatrices(h, pMatrix, Count, false, false);
    }
    HRESULT GetMatrixArray(D3DXHANDLE h, D3DXMATRIX* pMatrix, UINT Count) override
    {
        return GetMatrices(h, pMatrix, Count, false, false);
    }
    HRESULT SetMatrixTranspose(D3DXHANDLE h, const D3DXMATRIX* pMatrix) override
    {
        return SetMatrices(h, pMatrix, 1, true, true);
    }
    HRESULT GetMatrixTranspose(D3DXHANDLE h, D3DXMATRIX* pMatrix) override
    {
        return GetMatrices(h, pMatrix, 1, true, true);
    }

    HRESULT GetString(D3DXHANDLE h, LPCSTR* ppString) override
    {
        Param* p = ParamOf(h, true);
        if (!p || !ppString || p->decl.base != TkFxBase::String)
            return D3DERR_INVALIDCALL;
        *ppString = p->decl.text.c_str();
        return D3D_OK;
    }

    HRESULT SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* pTexture) override
    {
        Param* p = ParamOf(h, false);
        if (!p || p->decl.base != TkFxBase::Texture)
            return D3DERR_INVALIDCALL;
        if (p->texture == pTexture)
            return D3D_OK;
        if (pTexture)
            pTexture->AddRef();
        if (p->texture)
            p->texture->Release();
        p->texture = pTexture;
        MarkDirty(*p);
        return D3D_OK;
    }

    HRESULT GetTexture(D3DXHANDLE h, IDirect3DBaseTexture9** ppTexture) override
    {
        Param* p = ParamOf(h, true);
        if (!p || !ppTexture || p->decl.base != TkFxBase::Texture)
            return D3DERR_INVALIDCALL;
        *ppTexture = p->texture;
        if (p->texture)
            p->texture->AddRef();
        return D3D_OK;
    }

    // ---- Techniques and passes -------------------------------------------------

    HRESULT GetPool(ID3DXEffectPool** ppPool) override
    {
        if (!ppPool)
            return D3DERR_INVALIDCALL;
        *ppPool = nullptr;
        return D3D_OK;
    }

    HRESULT SetTechnique(D3DXHANDLE hTechnique) override
    {
        Technique* t = TechniqueOf(hTechnique);
        if (!t || m_begun)
            return D3DERR_INVALIDCALL;
        m_technique = int(t - m_techniques.data());
        return D3D_OK;
    }

    D3DXHANDLE GetCurrentTechnique() override
    {
        return m_technique < 0 ? nullptr : Handle(m_techniques[size_t(m_technique)]);
    }

    HRESULT ValidateTechnique(D3DXHANDLE hTechnique) override
    {
        Technique* t = TechniqueOf(hTechnique);
        if (!t)
            return D3DERR_INVALIDCALL;
        return t->valid ? D3D_OK : D3DERR_INVALIDCALL;
    }

    HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) override
    {
        if (!pTechnique)
            return D3DERR_INVALIDCALL;
        *pTechnique = nullptr;
        size_t start = 0;
        if (hTechnique)
        {
            Technique* t = TechniqueOf(hTechnique);
            if (!t)
                return D3DERR_INVALIDCALL;
            start = size_t(t - m_techniques.data()) + 1;
        }
        for (size_t i = start; i < m_techniques.size(); ++i)
        {
            if (m_techniques[i].valid)
            {
                *pTechnique = Handle(m_techniques[i]);
                return D3D_OK;
            }
        }
        return S_FALSE;
    }

    HRESULT Begin(UINT* pPasses, DWORD Flags) override
    {
        if (m_begun || m_technique < 0 || !m_techniques[size_t(m_technique)].valid)
            return D3DERR_INVALIDCALL;
        const Technique& t = m_techniques[size_t(m_technique)];
        m_saved.clear();
        m_savedShaders = false;
        if (!(Flags & D3DXFX_DONOTSAVESTATE))
            SaveStates(t, Flags);
        m_begun = true;
        if (pPasses)
            *pPasses = UINT(t.passCount);
        return D3D_OK;
    }

    HRESULT BeginPass(UINT Pass) override
    {
        if (!m_begun || m_pass >= 0 || Pass >= UINT(m_techniques[size_t(m_technique)].passCount))
            return D3DERR_INVALIDCALL;
        const Technique& t = m_techniques[size_t(m_technique)];
        m_pass = t.firstPass + int(Pass);
        const struct Pass& p = m_passes[size_t(m_pass)];
        for (const TkFxRenderState& s : p.states)
            m_device->SetRenderState(s.state, s.value);
        m_device->SetVertexShader(
            static_cast<IDirect3DVertexShader9*>(m_shaders[size_t(p.vertexShader)].object));
        m_device->SetPixelShader(
            static_cast<IDirect3DPixelShader9*>(m_shaders[size_t(p.pixelShader)].object));
        for (const Sampler& s : m_samplers)
        {
            for (const TkFxSamplerState& st : s.states)
                m_device->SetSamplerState(s.stage, st.type, st.value);
            // A sampler without a texture of the effect leaves its stage's
            // texture to the caller, as D3DX does.
            if (s.textureParam >= 0)
                m_device->SetTexture(s.stage, m_params[size_t(s.textureParam)].texture);
            const INT stage = INT(s.stage);
            TkFxSetUniform(m_device, s.name.c_str(), TkUniformType::Sampler, &stage, 1);
        }
        if (m_slot->lastCommitter != this)
            MarkAllDirty();
        m_slot->lastCommitter = this;
        m_slot->open = this;
        m_passState.reset();
        Commit();
        return D3D_OK;
    }

    HRESULT CommitChanges() override
    {
        if (m_pass < 0)
            return D3D_OK; // values outside a pass go out at the next BeginPass
        if (m_slot->lastCommitter != this)
            MarkAllDirty();
        m_slot->lastCommitter = this;
        Commit();
        return D3D_OK;
    }

    HRESULT EndPass() override
    {
        if (m_pass < 0)
            return D3DERR_INVALIDCALL;
        m_pass = -1;
        m_passState.reset();
        if (m_slot->open == this)
            m_slot->open = nullptr;
        return D3D_OK;
    }

    HRESULT End() override
    {
        if (!m_begun)
            return D3DERR_INVALIDCALL;
        if (m_pass >= 0)
            EndPass();
        RestoreStates();
        m_begun = false;
        return D3D_OK;
    }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        if (!ppDevice)
            return D3DERR_INVALIDCALL;
        m_device->AddRef();
        *ppDevice = m_device;
        return D3D_OK;
    }

    HRESULT OnLostDevice() override
    {
        if (m_holding)
            TkD3D9ReleaseDefaultPoolObject(m_device, this);
        m_holding = false;
        return D3D_OK;
    }

    HRESULT OnResetDevice() override
    {
        if (!m_holding)
            TkD3D9HoldDefaultPoolObject(m_device, this, ("ID3DXEffect \"" + m_file + "\"").c_str());
        m_holding = true;
        // A reset device starts from default values: everything goes out again.
        MarkAllDirty();
        return D3D_OK;
    }

private:
    ~Effect()
    {
        if (m_begun)
            End();
        for (Param& p : m_params)
        {
            if (p.texture)
                p.texture->Release();
        }
        for (Shader& s : m_shaders)
        {
            if (s.object)
                s.object->Release();
        }
        if (m_slot->open == this)
            m_slot->open = nullptr;
        if (m_slot->lastCommitter == this)
            m_slot->lastCommitter = nullptr;
        if (m_holding)
            TkD3D9ReleaseDefaultPoolObject(m_device, this);
        m_device->Release();
    }

    static TkUniformType UniformType(const TkFxValue& v)
    {
        if (v.base == TkFxBase::Bool)
            return TkUniformType::Bool;
        if (v.base == TkFxBase::Int)
            return TkUniformType::Int;
        if (v.rows == kMatrixSide)
            return TkUniformType::Mat4;
        static const TkUniformType kVectors[] = {TkUniformType::Float, TkUniformType::Vec2,
                                                 TkUniformType::Vec3, TkUniformType::Vec4};
        return kVectors[v.columns - 1];
    }

    static const char* GlslType(const Param& p)
    {
        switch (p.uniformType)
        {
        case TkUniformType::Bool:
            return "bool";
        case TkUniformType::Int:
            return "int";
        case TkUniformType::Vec2:
            return "vec2";
        case TkUniformType::Vec3:
            return "vec3";
        case TkUniformType::Vec4:
            return "vec4";
        case TkUniformType::Mat4:
            return "mat4";
        default:
            return "float";
        }
    }

    std::string Prelude(const D3DXMACRO* defines) const
    {
        std::string s = "#version 450 core\n";
        for (const AttribName& a : kAttribNames)
            s += "#define " + std::string(a.name) + " " + std::to_string(a.location) + "\n";
        for (int i = 0; i < kTexcoordSets; ++i)
            s += "#define TK_TEXCOORD" + std::to_string(i) + " " + std::to_string(TK_ATTRIB_TEXCOORD0 + i) +
                 "\n";
        for (const D3DXMACRO* m = defines; m && m->Name; ++m)
            s += "#define " + std::string(m->Name) + " " + (m->Definition ? m->Definition : "") + "\n";
        for (int i = 0; i < m_topParams; ++i)
        {
            const Param& p = m_params[size_t(i)];
            if (!p.uniform)
                continue;
            s += "uniform " + std::string(GlslType(p)) + " " + p.decl.name;
            if (p.decl.elements)
                s += "[" + std::to_string(p.decl.elements) + "]";
            s += ";\n";
        }
        for (const Sampler& sm : m_samplers)
            s += std::string("uniform ") + (sm.cube ? "samplerCube " : "sampler2D ") + sm.name + ";\n";
        return s;
    }

    // The compiler names places as "SOURCE:LINE(COLUMN)" or "SOURCE(LINE)",
    // SOURCE being the file number of our #line marks: name the file instead.
    static std::string WithFileNames(const std::string& log, const std::vector<std::string>& files)
    {
        std::string out;
        size_t start = 0;
        while (start < log.size())
        {
            size_t end = log.find('\n', start);
            if (end == std::string::npos)
                end = log.size();
            out += NamePlace(log.substr(start, end - start), files) + "\n";
            start = end + 1;
        }
        return out;
    }

    static size_t Digits(const std::string& s, size_t from)
    {
        size_t p = from;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9')
            ++p;
        return p - from;
    }

    static std::string NamePlace(const std::string& line, const std::vector<std::string>& files)
    {
        const size_t sourceDigits = Digits(line, 0);
        if (sourceDigits == 0 || sourceDigits + 1 >= line.size())
            return line;
        const char mark = line[sourceDigits];
        const size_t lineDigits = Digits(line, sourceDigits + 1);
        const size_t after = sourceDigits + 1 + lineDigits;
        if ((mark != ':' && mark != '(') || lineDigits == 0 || after >= line.size())
            return line;
        size_t rest;
        if (mark == ':' && line[after] == '(')
            rest = line.find(')', after);
        else if (mark == '(' && line[after] == ')')
            rest = after;
        else
            return line;
        const unsigned long source = std::strtoul(line.substr(0, sourceDigits).c_str(), nullptr, 10);
        if (rest == std::string::npos || source >= files.size())
            return line;
        return files[source] + "(" + line.substr(sourceDigits + 1, lineDigits) + ")" + line.substr(rest + 1);
    }

    void AddAnnotations(const std::vector<TkFxValue>& list, int* first, int* count)
    {
        *first = int(m_params.size());
        *count = int(list.size());
        for (const TkFxValue& a : list)
        {
            Param p;
            p.decl = a;
            p.annotation = true;
            m_params.push_back(std::move(p));
        }
    }

    // -- handles: a pointer to one of our records, or else a name
    template <class T> static D3DXHANDLE Handle(const T& record)
    {
        return reinterpret_cast<D3DXHANDLE>(&record);
    }

    template <class T> static T* Within(std::vector<T>& records, D3DXHANDLE h)
    {
        if (records.empty())
            return nullptr;
        auto p = reinterpret_cast<uintptr_t>(h);
        auto begin = reinterpret_cast<uintptr_t>(records.data());
        auto end = begin + records.size() * sizeof(T);
        if (p < begin || p >= end || (p - begin) % sizeof(T) != 0)
            return nullptr;
        return &records[(p - begin) / sizeof(T)];
    }

    bool Ours(D3DXHANDLE h) { return Within(m_params, h) || Within(m_techniques, h) || Within(m_passes, h); }

    Param* ParamOf(D3DXHANDLE h, bool annotationsToo)
    {
        if (!h)
            return nullptr;
        if (Param* p = Within(m_params, h))
            return (!p->annotation || annotationsToo) ? p : nullptr;
        if (Ours(h))
            return nullptr;
        int i = FindTopParam(h);
        return i < 0 ? nullptr : &m_params[size_t(i)];
    }

    Technique* TechniqueOf(D3DXHANDLE h)
    {
        if (!h)
            return nullptr;
        if (Technique* t = Within(m_techniques, h))
            return t;
        if (Ours(h))
            return nullptr;
        for (Technique& t : m_techniques)
        {
            if (t.name == h)
                return &t;
        }
        return nullptr;
    }

    Pass* PassOf(D3DXHANDLE h) { return h ? Within(m_passes, h) : nullptr; }

    bool AnnotationsOf(D3DXHANDLE h, int* first, int* count)
    {
        if (!h)
            return false;
        if (Param* p = Within(m_params, h))
        {
            *first = p->firstAnnotation;
            *count = p->annotationCount;
            return true;
        }
        if (Technique* t = Within(m_techniques, h))
        {
            *first = t->firstAnnotation;
            *count = t->annotationCount;
            return true;
        }
        if (Pass* p = Within(m_passes, h))
        {
            *first = p->firstAnnotation;
            *count = p->annotationCount;
            return true;
        }
        // A name: parameters first, then techniques, as D3DX looks them up.
        if (int i = FindTopParam(h); i >= 0)
            return AnnotationsOf(Handle(m_params[size_t(i)]), first, count);
        if (Technique* t = TechniqueOf(h))
            return AnnotationsOf(Handle(*t), first, count);
        return false;
    }

    int FindTopParam(const char* name) const
    {
        for (int i = 0; i < m_topParams; ++i)
        {
            if (m_params[size_t(i)].decl.name == name)
                return i;
        }
        return -1;
    }

    static bool CaseBlindEqual(const char* a, const char* b)
    {
        for (;; ++a, ++b)
        {
            char x = *a, y = *b;
            if (x >= 'A' && x <= 'Z')
                x = char(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = char(y - 'A' + 'a');
            if (x != y)
                return false;
            if (!x)
                return true;
        }
    }

    // -- values
    static bool Numeric(const Param& p)
    {
        return p.decl.base != TkFxBase::Texture && p.decl.base != TkFxBase::String;
    }
    static UINT ElementCount(const Param& p) { return UINT(p.decl.elements ? p.decl.elements : 1); }
    static UINT ByteSize(const Param& p)
    {
        if (p.decl.base == TkFxBase::Texture)
            return sizeof(IDirect3DBaseTexture9*);
        if (p.decl.base == TkFxBase::String)
            return sizeof(LPCSTR);
        return UINT(p.decl.data.size() * sizeof(uint32_t));
    }

    // One word converted from a setter's kind to the parameter's base.
    static uint32_t Convert(uint32_t word, SetKind from, TkFxBase to)
    {
        float f = from == SetKind::Float ? WordFloat(word) : float(int32_t(word));
        switch (to)
        {
        case TkFxBase::Bool:
            return from == SetKind::Float ? uint32_t(f != 0.0f) : uint32_t(word != 0);
        case TkFxBase::Int:
            if (from != SetKind::Float)
                return word;
            // Out-of-range floats are held to the int range rather than overflowing.
            if (!(f > -2147483648.0f))
                return uint32_t(INT32_MIN);
            if (f >= 2147483648.0f)
                return uint32_t(INT32_MAX);
            return uint32_t(int32_t(f));
        default:
            return from == SetKind::Float ? word : FloatWord(f);
        }
    }

    static uint32_t ConvertOut(uint32_t word, TkFxBase from, SetKind to)
    {
        if (from == TkFxBase::Float)
        {
            if (to == SetKind::Float)
                return word;
            float f = WordFloat(word);
            if (to == SetKind::Bool)
                return f != 0.0f;
            if (!(f > -2147483648.0f))
                return uint32_t(INT32_MIN);
            if (f >= 2147483648.0f)
                return uint32_t(INT32_MAX);
            return uint32_t(int32_t(f));
        }
        if (to == SetKind::Float)
            return FloatWord(float(int32_t(word)));
        if (to == SetKind::Bool)
            return word != 0;
        return word;
    }

    void MarkDirty(Param& p)
    {
        if (!p.dirty)
        {
            p.dirty = true;
            m_dirty.push_back(int(&p - m_params.data()));
        }
    }

    void MarkAllDirty()
    {
        for (int i = 0; i < m_topParams; ++i)
        {
            Param& p = m_params[size_t(i)];
            if (p.uniform || p.decl.base == TkFxBase::Texture)
                MarkDirty(p);
        }
    }

    void Store(Param& p, size_t first, const uint32_t* words, size_t count)
    {
        if (std::memcmp(p.decl.data.data() + first, words, count * sizeof(uint32_t)) == 0)
            return;
        std::memcpy(p.decl.data.data() + first, words, count * sizeof(uint32_t));
        MarkDirty(p);
    }

    HRESULT SetScalar(D3DXHANDLE h, SetKind kind, uint32_t word)
    {
        Param* p = ParamOf(h, false);
        if (!p || !p->uniform || p->decl.data.size() != 1)
            return D3DERR_INVALIDCALL;
        uint32_t w = Convert(word, kind, p->decl.base);
        Store(*p, 0, &w, 1);
        return D3D_OK;
    }

    template <class T> HRESULT GetScalar(D3DXHANDLE h, SetKind kind, T* out)
    {
        Param* p = ParamOf(h, true);
        if (!p || !out || !Numeric(*p) || p->decl.data.size() != 1)
            return D3DERR_INVALIDCALL;
        uint32_t w = ConvertOut(p->decl.data[0], p->decl.base, kind);
        std::memcpy(out, &w, sizeof w);
        return D3D_OK;
    }

    HRESULT SetArray(D3DXHANDLE h, SetKind kind, const void* data, UINT count)
    {
        Param* p = ParamOf(h, false);
        if (!p || !p->uniform || count > p->decl.data.size() || (count && !data))
            return D3DERR_INVALIDCALL;
        std::vector<uint32_t> words(count);
        std::memcpy(words.data(), data, count * sizeof(uint32_t));
        for (uint32_t& w : words)
            w = Convert(w, kind, p->decl.base);
        Store(*p, 0, words.data(), words.size());
        return D3D_OK;
    }

    HRESULT GetArray(D3DXHANDLE h, SetKind kind, void* data, UINT count)
    {
        Param* p = ParamOf(h, true);
        if (!p || !Numeric(*p) || count > p->decl.data.size() || (count && !data))
            return D3DERR_INVALIDCALL;
        for (UINT i = 0; i < count; ++i)
        {
            uint32_t w = ConvertOut(p->decl.data[i], p->decl.base, kind);
            std::memcpy(static_cast<char*>(data) + i * sizeof w, &w, sizeof w);
        }
        return D3D_OK;
    }

    HRESULT StoreVectors(Param& p, const D3DXVECTOR4* v, UINT count)
    {
        const size_t columns = size_t(p.decl.columns);
        for (UINT e = 0; e < count; ++e)
        {
            const float xyzw[kVectorWords] = {v[e].x, v[e].y, v[e].z, v[e].w};
            uint32_t words[kVectorWords];
            for (size_t c = 0; c < columns; ++c)
                words[c] = Convert(FloatWord(xyzw[c]), SetKind::Float, p.decl.base);
            Store(p, e * columns, words, columns);
        }
        return D3D_OK;
    }

    HRESULT LoadVectors(const Param& p, D3DXVECTOR4* v, UINT count)
    {
        const size_t columns = size_t(p.decl.columns);
        for (UINT e = 0; e < count; ++e)
        {
            float xyzw[kVectorWords] = {};
            for (size_t c = 0; c < columns; ++c)
                xyzw[c] = WordFloat(ConvertOut(p.decl.data[e * columns + c], p.decl.base, SetKind::Float));
            v[e] = D3DXVECTOR4(xyzw[0], xyzw[1], xyzw[2], xyzw[3]);
        }
        return D3D_OK;
    }

    bool IsMatrix(const Param& p) const
    {
        return p.decl.base == TkFxBase::Float && p.decl.rows == kMatrixSide && p.decl.columns == kMatrixSide;
    }

    HRESULT SetMatrices(D3DXHANDLE h, const D3DXMATRIX* m, UINT count, bool transpose, bool single)
    {
        Param* p = ParamOf(h, false);
        if (!p || !IsMatrix(*p) || (single && p->decl.elements) || count > ElementCount(*p) || (count && !m))
            return D3DERR_INVALIDCALL;
        for (UINT e = 0; e < count; ++e)
        {
            uint32_t words[kMatrixWords];
            for (int r = 0; r < kMatrixSide; ++r)
            {
                for (int c = 0; c < kMatrixSide; ++c)
                    words[r * kMatrixSide + c] = FloatWord(transpose ? m[e].m[c][r] : m[e].m[r][c]);
            }
            Store(*p, size_t(e) * kMatrixWords, words, kMatrixWords);
        }
        return D3D_OK;
    }

    HRESULT GetMatrices(D3DXHANDLE h, D3DXMATRIX* m, UINT count, bool transpose, bool single)
    {
        Param* p = ParamOf(h, true);
        if (!p || !IsMatrix(*p) || (single && p->decl.elements) || count > ElementCount(*p) || (count && !m))
            return D3DERR_INVALIDCALL;
        for (UINT e = 0; e < count; ++e)
        {
            for (int r = 0; r < kMatrixSide; ++r)
            {
                for (int c = 0; c < kMatrixSide; ++c)
                {
                    float f = WordFloat(p->decl.data[e * kMatrixWords + size_t(r * kMatrixSide + c)]);
                    (transpose ? m[e].m[c][r] : m[e].m[r][c]) = f;
                }
            }
        }
        return D3D_OK;
    }

    // -- commit
    // Sends the changed values to the device. What was sent is kept aside
    // (the latest value per parameter) until the draw log asks for the state.
    void Commit()
    {
        for (int index : m_dirty)
        {
            Param& p = m_params[size_t(index)];
            p.dirty = false;
            if (p.decl.base == TkFxBase::Texture)
            {
                for (int s : p.samplers)
                    m_device->SetTexture(m_samplers[size_t(s)].stage, p.texture);
                continue;
            }
            if (!p.uniform)
                continue;
            TkFxSetUniform(m_device, p.decl.name.c_str(), p.uniformType, p.decl.data.data(), ElementCount(p));
            Pending& pending = m_pending[size_t(index)];
            if (!pending.waiting)
            {
                pending.waiting = true;
                m_pendingOrder.push_back(index);
            }
            pending.words.assign(p.decl.data.begin(), p.decl.data.end());
        }
        m_dirty.clear();
    }

public:
    // The state of the open pass as the draw log keeps it.
    std::shared_ptr<const TkEffectDrawState> DrawState()
    {
        if (m_pass < 0)
            return nullptr;
        if (m_passState && m_pendingOrder.empty())
            return m_passState;
        const Pass& pass = m_passes[size_t(m_pass)];
        auto state = std::make_shared<TkEffectDrawState>();
        state->effect = this;
        state->file = m_file;
        state->technique = m_techniques[size_t(pass.technique)].name;
        state->pass = pass.name;
        state->passIndex = UINT(m_pass - m_techniques[size_t(pass.technique)].firstPass);
        state->committed.reserve(m_pendingOrder.size());
        for (int index : m_pendingOrder)
        {
            Param& p = m_params[size_t(index)];
            Pending& pending = m_pending[size_t(index)];
            state->committed.push_back({p.decl.name, p.uniformType, ElementCount(p), pending.words});
            pending.waiting = false;
        }
        m_pendingOrder.clear();
        // Values sent before still hold on the device: keep them reachable.
        std::shared_ptr<const TkEffectDrawState> earlier = m_passState ? m_passState : m_lastState;
        if (earlier)
        {
            state->earlier = earlier;
            state->depth = earlier->depth + 1;
        }
        if (state->depth > kMaxDrawStateChain)
            Fold(*state);
        m_passState = state;
        m_lastState = state;
        return state;
    }

private:
    // Folds the chain of earlier states into this one's own values.
    static void Fold(TkEffectDrawState& state)
    {
        std::vector<TkEffectValueRecord> all = state.committed;
        for (const TkEffectDrawState* s = state.earlier.get(); s; s = s->earlier.get())
        {
            for (const TkEffectValueRecord& v : s->committed)
            {
                bool known = std::any_of(all.begin(), all.end(),
                                         [&](const TkEffectValueRecord& a) { return a.name == v.name; });
                if (!known)
                    all.push_back(v);
            }
        }
        state.committed = std::move(all);
        state.earlier.reset();
        state.depth = 0;
    }

    // -- state saving
    void SaveStates(const Technique& t, DWORD flags)
    {
        std::vector<DWORD> renderStates;
        for (int i = 0; i < t.passCount; ++i)
        {
            for (const TkFxRenderState& s : m_passes[size_t(t.firstPass + i)].states)
            {
                if (std::find(renderStates.begin(), renderStates.end(), DWORD(s.state)) == renderStates.end())
                    renderStates.push_back(DWORD(s.state));
            }
        }
        for (DWORD s : renderStates)
        {
            DWORD value = 0;
            if (SUCCEEDED(m_device->GetRenderState(D3DRENDERSTATETYPE(s), &value)))
                m_saved.push_back({SavedState::Render, 0, s, value, nullptr});
        }
        if (!(flags & D3DXFX_DONOTSAVESAMPLERSTATE))
        {
            for (const Sampler& sm : m_samplers)
            {
                for (const TkFxSamplerState& st : sm.states)
                {
                    DWORD value = 0;
                    if (SUCCEEDED(m_device->GetSamplerState(sm.stage, st.type, &value)))
                        m_saved.push_back(
                            {SavedState::SamplerState, sm.stage, DWORD(st.type), value, nullptr});
                }
                IDirect3DBaseTexture9* texture = nullptr;
                if (SUCCEEDED(m_device->GetTexture(sm.stage, &texture)))
                    m_saved.push_back({SavedState::Texture, sm.stage, 0, 0, texture});
            }
        }
        if (!(flags & D3DXFX_DONOTSAVESHADERSTATE))
        {
            m_savedVS = nullptr;
            m_savedPS = nullptr;
            m_device->GetVertexShader(&m_savedVS);
            m_device->GetPixelShader(&m_savedPS);
            m_savedShaders = true;
        }
    }

    void RestoreStates()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
        {
            switch (it->kind)
            {
            case SavedState::Render:
                m_device->SetRenderState(D3DRENDERSTATETYPE(it->type), it->value);
                break;
            case SavedState::SamplerState:
                m_device->SetSamplerState(it->stage, D3DSAMPLERSTATETYPE(it->type), it->value);
                break;
            case SavedState::Texture:
                m_device->SetTexture(it->stage, it->texture);
                if (it->texture)
                    it->texture->Release();
                break;
            }
        }
        m_saved.clear();
        if (m_savedShaders)
        {
            m_device->SetVertexShader(m_savedVS);
            m_device->SetPixelShader(m_savedPS);
            if (m_savedVS)
                m_savedVS->Release();
            if (m_savedPS)
                m_savedPS->Release();
            m_savedVS = nullptr;
            m_savedPS = nullptr;
            m_savedShaders = false;
        }
    }

    IDirect3DDevice9* m_device;
    std::string m_file;
    ULONG m_refs = 1;
    bool m_holding = false;

    std::vector<Param> m_params; // parameters first, then every annotation
    int m_topParams = 0;
    std::vector<Sampler> m_samplers;
    std::vector<Shader> m_shaders;
    std::vector<Technique> m_techniques;
    std::vector<Pass> m_passes;
    std::vector<int> m_dirty;

    int m_technique = -1;
    bool m_begun = false;
    int m_pass = -1;
    std::vector<SavedState> m_saved;
    bool m_savedShaders = false;
    IDirect3DVertexShader9* m_savedVS = nullptr;
    IDirect3DPixelShader9* m_savedPS = nullptr;
    DeviceSlot* m_slot;
    struct Pending
    {
        bool waiting = false;
        std::vector<uint32_t> words;
    };
    std::vector<Pending> m_pending; // per parameter
    std::vector<int> m_pendingOrder;
    std::shared_ptr<const TkEffectDrawState> m_passState;
    std::shared_ptr<const TkEffectDrawState> m_lastState;
};

class EffectPool final : public ID3DXEffectPool
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        if (m_refs == 0)
            return 0;
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ~EffectPool() = default;
    ULONG m_refs = 1;
};

HRESULT Messages(const std::string& text, LPD3DXBUFFER* out)
{
    if (!out)
        return D3D_OK;
    *out = nullptr;
    if (text.empty())
        return D3D_OK;
    if (FAILED(D3DXCreateBuffer(DWORD(text.size() + 1), out)))
        return E_OUTOFMEMORY;
    std::memcpy((*out)->GetBufferPointer(), text.c_str(), text.size() + 1);
    return D3D_OK;
}

} // namespace

const TkEffectValueRecord* TkEffectDrawState::Find(const char* name) const
{
    for (const TkEffectDrawState* s = this; s; s = s->earlier.get())
    {
        for (const TkEffectValueRecord& v : s->committed)
        {
            if (v.name == name)
                return &v;
        }
    }
    return nullptr;
}

std::vector<float> TkEffectDrawState::Floats(const char* name) const
{
    std::vector<float> out;
    const TkEffectValueRecord* v = Find(name);
    if (!v)
        return out;
    for (uint32_t w : v->words)
        out.push_back(v->type == TkUniformType::Bool || v->type == TkUniformType::Int ||
                              v->type == TkUniformType::Sampler
                          ? float(int32_t(w))
                          : WordFloat(w));
    return out;
}

std::shared_ptr<const TkEffectDrawState> TkEffectCurrentDrawState(IDirect3DDevice9* device)
{
    if (!device)
        return nullptr;
    DeviceSlot* slot = SlotOf(device);
    return slot->open ? slot->open->DrawState() : nullptr;
}

HRESULT D3DXCreateEffectFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                  LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool,
                                  LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors)
{
    (void)Flags;
    (void)pPool;
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pDevice || !pSrcFile || !*pSrcFile || !ppEffect || pInclude)
        return D3DERR_INVALIDCALL;
    *ppEffect = nullptr;
    TkFxFile fx;
    std::string errors;
    if (!TkParseEffect(pSrcFile, TkFxReadThroughResolver, &fx, &errors))
    {
        std::fprintf(stderr, "%s", errors.c_str());
        Messages(errors, ppCompilationErrors);
        return D3DXERR_INVALIDDATA;
    }
    Effect* effect = new Effect(pDevice, pSrcFile);
    if (!effect->Build(fx, pDefines, &errors))
    {
        effect->Release();
        std::fprintf(stderr, "%s", errors.c_str());
        Messages(errors, ppCompilationErrors);
        return D3DXERR_INVALIDDATA;
    }
    *ppEffect = effect;
    return D3D_OK;
}

HRESULT D3DXCreateEffectPool(LPD3DXEFFECTPOOL* ppPool)
{
    if (!ppPool)
        return D3DERR_INVALIDCALL;
    *ppPool = new EffectPool();
    return D3D_OK;
}
