#pragma once
// The device: owns the implicit swap-chain surfaces, keeps every state and
// binding, draws (logging every call, and rasterising pre-transformed
// triangles into the render target), and follows the native loss and reset
// rules. Its methods are spread over Device*.cpp by theme.

#include "platform/d3d9/DeviceChild.h"
#include "platform/d3d9/DeviceRecords.h"
#include "platform/d3d9/GlslShaders.h"
#include "platform/d3d9/SdlPresenter.h"

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tk::d3d9
{
class Direct3D9;
class Surface;
class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;
class GlContext;
struct GlRenderer;
struct LinkedProgram;
struct GlDraw;
struct PendingClear;
template <class Interface> class ShaderObject;
using VertexShader = ShaderObject<IDirect3DVertexShader9>;
using PixelShader = ShaderObject<IDirect3DPixelShader9>;

struct BoundTexture
{
    IDirect3DBaseTexture9* texture = nullptr;
    Tracked* object = nullptr;
};

struct StreamBinding
{
    VertexBuffer* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
};

class Device final : public IDirect3DDevice9
{
public:
    // 16 pixel samplers, the displacement-map sampler and 4 vertex samplers.
    static constexpr UINT kSamplerSlots = TK_D3D_PIXEL_SAMPLERS + 5;
    static constexpr UINT kWorldMatrices = 256;
    static constexpr UINT kMaxBackBuffers = 3;

    Device(Direct3D9* d3d, HWND focusWindow, DWORD behaviorFlags, const D3DPRESENT_PARAMETERS& params,
           std::unique_ptr<GlContext> context);
    ~Device();

    // Checks presentation parameters as CreateDevice and Reset do and fills in
    // what the native runtime fills in (back-buffer count, size and format).
    static HRESULT CompletePresentParameters(HWND focusWindow, D3DPRESENT_PARAMETERS* params);

    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override;
    void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override;

    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DCubeTexture9** ppCubeTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL Discard,
                                      IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;

    HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                          IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                        IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                        D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;

    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;

    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT GetFVF(DWORD* pFVF) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) override;
    HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData,
                                     UINT Vector4fCount) override;
    HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData,
                                    UINT Vector4fCount) override;
    HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                            UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                 UINT NumVertices, UINT startIndex, UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;

    // ---- Inside the layer ------------------------------------------------------
    void AddRefPrivate() { ++m_privateRefs; }
    void ReleasePrivate();
    void RegisterObject(Tracked* object) { m_objects.push_back(object); }
    void UnregisterObject(Tracked* object);

    TkDeviceState State() const { return m_state; }
    void Lose();
    void Restore();
    UINT PresentCount() const { return m_presentCount; }
    const std::vector<TkDrawRecord>& DrawLog(TkFrame frame) const;
    UINT DrawCount(TkFrame frame) const;
    std::vector<std::string> LiveDefaultPoolObjects() const;
    std::vector<std::string> GlBackedObjects() const;
    void HoldExternal(const void* owner, const char* description);
    void ReleaseExternal(const void* owner);
    bool LastPresented(TkSurfacePixels* out) const;
    // For back buffer 0 after a Present and before anything is drawn into it
    // again: the picture the player saw (through the gamma ramp).
    bool ShownPicture(const Surface* surface, TkSurfacePixels* out) const;

    // The surface behind an interface pointer if this device made it.
    Surface* OwnSurface(IDirect3DSurface9* surface) const;

    // ---- The OpenGL side (DeviceGl.cpp) ---------------------------------------------
    // Makes the device's context the one GL calls go to.
    void MakeCurrent();
    // Someone else changed GL state on the context: apply everything anew.
    void ForgetGlState();
    // Nothing to wait for: reads of GL images wait for the draws before them.
    void FlushGl() {}
    // A texture of `levels` levels for a format; 0 when GL cannot hold the
    // format (the surfaces then live in memory only). `clear` zeroes it.
    GLuint CreateGlTexture(GLenum target, D3DFORMAT format, UINT width, UINT height, UINT levels, bool clear);
    // Makes a clear a surface kept, on its image alone; the GL state the
    // device applied is left as it was.
    void ClearSurfaceNow(Surface* surface, const PendingClear& clear);
    // Drops what refers to a texture or shader about to be deleted.
    void ForgetGlTexture(GLuint texture);
    void ForgetShader(GLuint shader);
    HRESULT SetUniform(const char* name, TkUniformType type, const void* data, UINT count);
    const std::string& LastShaderLog() const;

private:
    struct ExternalHold
    {
        const void* owner;
        std::string description;
    };

    void CreateImplicitSurfaces();
    void DestroyImplicitSurfaces();
    void UnbindAll();
    void ResetStates();
    void FullViewport();
    int SamplerSlot(DWORD sampler) const;
    D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE state);

    void BindSurface(Surface*& slot, Surface* surface);
    void BindTexture(BoundTexture& slot, IDirect3DBaseTexture9* texture, Tracked* object);
    void BindStream(StreamBinding& slot, VertexBuffer* buffer, UINT offset, UINT stride);
    void BindIndices(IndexBuffer* buffer);
    void BindDeclaration(VertexDeclaration* declaration);

    // Drawing (DeviceDraw.cpp).
    HRESULT CheckDrawable(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT* vertexCount) const;
    void RecordDraw(TkDrawRecord& record);

    // Drawing on the GPU (DeviceGl.cpp).
    void InitGl();
    void ShutdownGl();
    HRESULT DrawGl(const GlDraw& draw);
    LinkedProgram* ProgramForDraw(const std::vector<D3DVERTEXELEMENT9>& elements, bool pretransformed);
    LinkedProgram* FixedProgram(const std::vector<D3DVERTEXELEMENT9>& elements, bool pretransformed);
    void SendUniforms(LinkedProgram& program, bool pretransformed);
    bool BindTargets();
    void ApplyRenderStates();
    void BindTextures(const LinkedProgram& program);
    bool BindVertexInput(const std::vector<D3DVERTEXELEMENT9>& elements, const void* layoutId,
                         const GlDraw& draw, GLintptr* indexOffset);
    const std::vector<D3DVERTEXELEMENT9>& FvfElements(DWORD fvf);
    void MarkTargetsWritten();
    bool ClearGl(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
    // A clear of whole surfaces kept on them instead of made now; false when
    // the viewport leaves part of one out.
    bool DeferWholeClear(DWORD flags, const float rgba[4], float z, DWORD stencil);
    void PresentGl();
    // A colour copy between two surfaces the GPU holds; false when either has no GL image.
    bool BlitGl(Surface* src, const RECT& from, Surface* dst, const RECT& to, bool linear);
    void ShowInWindow();
    void ReadPresented() const;

    Direct3D9* m_d3d;
    HWND m_focusWindow;
    DWORD m_behaviorFlags;
    D3DPRESENT_PARAMETERS m_params;
    ULONG m_publicRefs = 1;
    ULONG m_privateRefs = 0;
    TkDeviceState m_state = TkDeviceState::Ok;
    bool m_inScene = false;

    std::vector<Tracked*> m_objects;
    std::vector<ExternalHold> m_external;
    std::vector<Surface*> m_backBuffers;
    Surface* m_autoDepthStencil = nullptr;

    Surface* m_renderTargets[TK_D3D_MAX_RENDER_TARGETS] = {};
    Surface* m_depthStencil = nullptr;
    BoundTexture m_textures[kSamplerSlots];
    StreamBinding m_streams[TK_D3D_MAX_STREAMS];
    IndexBuffer* m_indices = nullptr;
    VertexDeclaration* m_declaration = nullptr;
    DWORD m_fvf = 0;

    DWORD m_renderStates[TK_D3D_RENDER_STATES];
    DWORD m_samplerStates[kSamplerSlots][TK_D3D_SAMPLER_STATES];
    DWORD m_stageStates[TK_D3D_TEXTURE_STAGES][TK_D3D_STAGE_STATES];
    D3DMATRIX m_view;
    D3DMATRIX m_projection;
    D3DMATRIX m_textureTransforms[TK_D3D_TEXTURE_STAGES];
    D3DMATRIX m_world[kWorldMatrices];
    D3DVIEWPORT9 m_viewport;
    D3DGAMMARAMP m_gamma;

    std::vector<TkDrawRecord> m_currentLog;
    std::vector<TkDrawRecord> m_lastLog;
    UINT m_currentDrawCount = 0;
    UINT m_lastDrawCount = 0;
    UINT m_presentCount = 0;
    mutable std::vector<BYTE> m_lastPresented;
    mutable TkSurfacePixels m_lastPresentedDesc = {};
    std::unique_ptr<SdlPresenter> m_presenter;

    std::unique_ptr<GlRenderer> m_gl;
    VertexShader* m_vertexShader = nullptr;
    PixelShader* m_pixelShader = nullptr;
    std::unordered_map<DWORD, std::vector<D3DVERTEXELEMENT9>> m_fvfElements;
    // The presented frame is read back from the GPU only when asked for.
    mutable bool m_presentedStale = false;
    bool m_backDrawnSincePresent = false;
};
} // namespace tk::d3d9
