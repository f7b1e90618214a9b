#pragma once
// Changes device states and remembers what they were, so that code drawing
// over someone else's frame (fonts, 2D text) can put everything back.

#include "platform/d3d9/D3D9.h"

#include <vector>

class TkSavedStates
{
public:
    TkSavedStates() = default;
    explicit TkSavedStates(IDirect3DDevice9* device) : m_device(device) {}
    TkSavedStates(const TkSavedStates&) = delete;
    TkSavedStates& operator=(const TkSavedStates&) = delete;

    void SetDevice(IDirect3DDevice9* device) { m_device = device; }
    void SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    // Alpha blending as text and sprites use it: the source weighted by its
    // alpha, added over the destination weighted by the rest.
    void SetAlphaBlend();
    // Colour and alpha of `stage`: its texture times the vertex colour.
    void SetTextureTimesDiffuse(DWORD stage);
    // Puts back every value changed since the last restore, newest change first.
    void Restore();
    bool Empty() const { return m_entries.empty(); }

private:
    enum class Kind
    {
        Render,
        Stage,
        Sampler,
    };
    struct Entry
    {
        Kind kind;
        DWORD stage;
        DWORD type;
        DWORD value;
    };

    IDirect3DDevice9* m_device = nullptr;
    std::vector<Entry> m_entries;
};

// The texture of one stage, the vertex input (declaration or FVF), the shaders
// and stream 0, taken before drawing and put back after. Holds references to
// what it saved until Restore.
class TkSavedBindings
{
public:
    TkSavedBindings() = default;
    ~TkSavedBindings() { Drop(); }
    TkSavedBindings(const TkSavedBindings&) = delete;
    TkSavedBindings& operator=(const TkSavedBindings&) = delete;

    void Save(IDirect3DDevice9* device, DWORD textureStage);
    void Restore();

private:
    void Drop();

    IDirect3DDevice9* m_device = nullptr;
    DWORD m_stage = 0;
    IDirect3DBaseTexture9* m_texture = nullptr;
    IDirect3DVertexDeclaration9* m_declaration = nullptr;
    DWORD m_fvf = 0;
    IDirect3DVertexShader9* m_vertexShader = nullptr;
    IDirect3DPixelShader9* m_pixelShader = nullptr;
    IDirect3DVertexBuffer9* m_stream = nullptr;
    UINT m_streamOffset = 0;
    UINT m_streamStride = 0;
};
