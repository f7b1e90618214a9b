#pragma once
// Direct3D 9 as the game calls it: the Direct3D object, the device and its
// resources. The device draws through OpenGL 4.5 core, in the game's window
// or on a surfaceless context headless, and keeps every resource and state
// so that tests can read them (HeadlessDevice.h); Diagnostics.h holds the
// few extras the game may use.

#include "platform/d3d9/D3D9States.h"
#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/Unknown.h"

struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DSurface9;

struct IDirect3DResource9 : IUnknown
{
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DBaseTexture9 : IDirect3DResource9
{
    virtual DWORD GetLevelCount() = 0;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9
{
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) = 0;
    virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect(UINT Level) = 0;
};

struct IDirect3DCubeTexture9 : IDirect3DBaseTexture9
{
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                                      IDirect3DSurface9** ppCubeMapSurface) = 0;
    virtual HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                             const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) = 0;
};

struct IDirect3DSurface9 : IDirect3DResource9
{
    virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect() = 0;
};

struct IDirect3DVertexBuffer9 : IDirect3DResource9
{
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DIndexBuffer9 : IDirect3DResource9
{
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DVertexDeclaration9 : IUnknown
{
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) = 0;
};

// Shaders made by the effect layer (GlslShaders.h says how); null selects
// the fixed-function processing of that half of the pipeline.
struct IDirect3DVertexShader9 : IUnknown
{
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
};
struct IDirect3DPixelShader9 : IUnknown
{
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
};

struct IDirect3DDevice9 : IUnknown
{
    // Device state and presentation.
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual UINT GetAvailableTextureMem() = 0;
    virtual HRESULT GetDirect3D(IDirect3D9** ppD3D9) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* pCaps) = 0;
    virtual HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) = 0;
    virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                            const RGNDATA* pDirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                  IDirect3DSurface9** ppBackBuffer) = 0;
    virtual HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) = 0;
    virtual void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) = 0;
    virtual void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) = 0;

    // Resources.
    virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                  D3DPOOL Pool, IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                      D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture,
                                      HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                       D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                       BOOL Lockable, IDirect3DSurface9** ppSurface,
                                       HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                              D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                              BOOL Discard, IDirect3DSurface9** ppSurface,
                                              HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                            IDirect3DVertexDeclaration9** ppDecl) = 0;
    virtual HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) = 0;
    virtual HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) = 0;

    // Copies between surfaces.
    virtual HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                  IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) = 0;
    virtual HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                        IDirect3DSurface9* pDestSurface) = 0;
    virtual HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                D3DTEXTUREFILTERTYPE Filter) = 0;
    virtual HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) = 0;

    // Targets, scene and clearing.
    virtual HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) = 0;
    virtual HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) = 0;
    virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                          DWORD Stencil) = 0;

    // Fixed-function and pipeline states.
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
    virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) = 0;
    virtual HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) = 0;
    virtual HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) = 0;
    virtual HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) = 0;

    // Vertex input.
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) = 0;
    virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) = 0;
    virtual HRESULT SetFVF(DWORD FVF) = 0;
    virtual HRESULT GetFVF(DWORD* pFVF) = 0;
    virtual HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) = 0;
    virtual HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) = 0;
    virtual HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) = 0;
    virtual HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) = 0;
    virtual HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData,
                                             UINT Vector4fCount) = 0;
    virtual HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                             UINT Vector4fCount) = 0;
    virtual HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData,
                                            UINT Vector4fCount) = 0;
    virtual HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) = 0;
    virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                    UINT OffsetInBytes, UINT Stride) = 0;
    virtual HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                    UINT* pOffsetInBytes, UINT* pStride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) = 0;

    // Drawing.
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                         UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                         UINT primCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                    const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                           UINT NumVertices, UINT PrimitiveCount, const void* pIndexData,
                                           D3DFORMAT IndexDataFormat, const void* pVertexStreamZeroData,
                                           UINT VertexStreamZeroStride) = 0;
};

struct IDirect3D9 : IUnknown
{
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) = 0;
    virtual UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) = 0;
    virtual HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                    D3DFORMAT BackBufferFormat, BOOL bWindowed) = 0;
    virtual HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                      DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) = 0;
    virtual HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                               BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType,
                                               DWORD* pQualityLevels) = 0;
    virtual HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                           D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) = 0;
    virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) = 0;
    virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

// The Direct3D object; null unless SDKVersion is D3D_SDK_VERSION.
IDirect3D9* Direct3DCreate9(UINT SDKVersion);

// Pointer types the game's declarations use.
typedef IDirect3D9* LPDIRECT3D9;
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;
typedef IDirect3DCubeTexture9* LPDIRECT3DCUBETEXTURE9;
typedef IDirect3DBaseTexture9* LPDIRECT3DBASETEXTURE9;
typedef IDirect3DSurface9* LPDIRECT3DSURFACE9;
typedef IDirect3DVertexBuffer9* LPDIRECT3DVERTEXBUFFER9;
typedef IDirect3DIndexBuffer9* LPDIRECT3DINDEXBUFFER9;
typedef IDirect3DVertexDeclaration9* LPDIRECT3DVERTEXDECLARATION9;
typedef IDirect3DVertexShader9* LPDIRECT3DVERTEXSHADER9;
typedef IDirect3DPixelShader9* LPDIRECT3DPIXELSHADER9;
