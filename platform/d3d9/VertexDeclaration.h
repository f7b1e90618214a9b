#pragma once
// A vertex declaration: the element list, kept as given (with its end marker).

#include "platform/d3d9/DeviceChild.h"

#include <vector>

namespace tk::d3d9
{
class VertexDeclaration final : public DeviceChild<IDirect3DVertexDeclaration9>
{
public:
    // `elements` ends with the D3DDECL_END marker; validated by Validate.
    VertexDeclaration(Device* device, std::vector<D3DVERTEXELEMENT9> elements);

    std::string Describe() const override;

    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return m_elements; }
    // The element of a usage, or null.
    const D3DVERTEXELEMENT9* Find(BYTE usage, BYTE usageIndex) const;

    // Reads and checks an element list up to its end marker: known types,
    // methods and usages, streams below 16, 4-byte aligned offsets, no usage
    // twice, at most MAXD3DDECLLENGTH elements. False for a bad list.
    static bool Validate(const D3DVERTEXELEMENT9* elements, std::vector<D3DVERTEXELEMENT9>* out);

private:
    std::vector<D3DVERTEXELEMENT9> m_elements;
};

// Bytes of one element of a declaration type; 0 for an unknown type.
UINT DeclTypeSize(BYTE type);
} // namespace tk::d3d9
