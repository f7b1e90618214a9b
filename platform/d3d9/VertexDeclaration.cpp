#include "platform/d3d9/VertexDeclaration.h"

#include <cstdio>

namespace tk::d3d9
{
UINT DeclTypeSize(BYTE type)
{
    switch (type)
    {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
    case D3DDECLTYPE_FLOAT16_2:
        return 4;
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4:
        return 8;
    case D3DDECLTYPE_FLOAT3:
        return 12;
    case D3DDECLTYPE_FLOAT4:
        return 16;
    default:
        return 0;
    }
}

VertexDeclaration::VertexDeclaration(Device* device, std::vector<D3DVERTEXELEMENT9> elements)
    : DeviceChild(device, D3DPOOL_MANAGED, Ownership::Owned), m_elements(std::move(elements))
{
}

std::string VertexDeclaration::Describe() const
{
    char text[64];
    std::snprintf(text, sizeof text, "vertex declaration of %u elements", unsigned(m_elements.size() - 1));
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements)
{
    if (!pNumElements)
        return D3DERR_INVALIDCALL;
    if (pElement)
        for (size_t i = 0; i < m_elements.size(); ++i)
            pElement[i] = m_elements[i];
    *pNumElements = static_cast<UINT>(m_elements.size());
    return D3D_OK;
}

const D3DVERTEXELEMENT9* VertexDeclaration::Find(BYTE usage, BYTE usageIndex) const
{
    for (const auto& e : m_elements)
        if (e.Stream != 0xFF && e.Usage == usage && e.UsageIndex == usageIndex)
            return &e;
    return nullptr;
}

bool VertexDeclaration::Validate(const D3DVERTEXELEMENT9* elements, std::vector<D3DVERTEXELEMENT9>* out)
{
    if (!elements)
        return false;
    out->clear();
    for (UINT i = 0;; ++i)
    {
        const D3DVERTEXELEMENT9& e = elements[i];
        if (e.Stream == 0xFF)
        {
            if (e.Type != D3DDECLTYPE_UNUSED)
                return false;
            out->push_back(e);
            return true;
        }
        if (i >= MAXD3DDECLLENGTH || e.Stream >= 16 || DeclTypeSize(e.Type) == 0 ||
            e.Method > D3DDECLMETHOD_LOOKUPPRESAMPLED || e.Usage > D3DDECLUSAGE_SAMPLE || e.Offset % 4 != 0)
            return false;
        for (const auto& seen : *out)
            if (seen.Usage == e.Usage && seen.UsageIndex == e.UsageIndex)
                return false;
        out->push_back(e);
    }
}
} // namespace tk::d3d9
