#pragma once
// D3DX effects on the OpenGL device: ID3DXEffect over the layer's effect files
// (EffectFormat.md). Shaders are GLSL created through the device's shader calls
// (GlslShaders.h); parameter values reach them as uniforms of the parameter's
// name, sent at BeginPass and CommitChanges, and only those that changed.
//
// Like the native effect, an effect counts as holding default-pool objects from
// its creation: the device refuses Reset until OnLostDevice has been called;
// OnResetDevice takes it back into use with every parameter value it had.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/Mesh.h" // ID3DXBuffer
#include "platform/d3dx/D3DXMath.h"

typedef LPCSTR D3DXHANDLE;

// Flags of D3DXCreateEffect* (accepted; our compiler has no options).
#define D3DXSHADER_DEBUG (1 << 0)
#define D3DXSHADER_SKIPVALIDATION (1 << 1)
#define D3DXSHADER_SKIPOPTIMIZATION (1 << 2)
#define D3DXSHADER_OPTIMIZATION_LEVEL0 (1 << 14)
#define D3DXSHADER_OPTIMIZATION_LEVEL1 0
#define D3DXSHADER_OPTIMIZATION_LEVEL2 ((1 << 14) | (1 << 15))
#define D3DXSHADER_OPTIMIZATION_LEVEL3 (1 << 15)
#define D3DXFX_NOT_CLONEABLE (1 << 11)
#define D3DXFX_LARGEADDRESSAWARE (1 << 17)

// Flags of ID3DXEffect::Begin.
#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)

enum D3DXPARAMETER_CLASS
{
    D3DXPC_SCALAR,
    D3DXPC_VECTOR,
    D3DXPC_MATRIX_ROWS,
    D3DXPC_MATRIX_COLUMNS,
    D3DXPC_OBJECT,
    D3DXPC_STRUCT,
    D3DXPC_FORCE_DWORD = 0x7fffffff,
};

enum D3DXPARAMETER_TYPE
{
    D3DXPT_VOID,
    D3DXPT_BOOL,
    D3DXPT_INT,
    D3DXPT_FLOAT,
    D3DXPT_STRING,
    D3DXPT_TEXTURE,
    D3DXPT_TEXTURE1D,
    D3DXPT_TEXTURE2D,
    D3DXPT_TEXTURE3D,
    D3DXPT_TEXTURECUBE,
    D3DXPT_SAMPLER,
    D3DXPT_SAMPLER1D,
    D3DXPT_SAMPLER2D,
    D3DXPT_SAMPLER3D,
    D3DXPT_SAMPLERCUBE,
    D3DXPT_PIXELSHADER,
    D3DXPT_VERTEXSHADER,
    D3DXPT_FORCE_DWORD = 0x7fffffff,
};

struct D3DXPARAMETER_DESC
{
    LPCSTR Name;
    LPCSTR Semantic;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;
};

struct D3DXTECHNIQUE_DESC
{
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
};

struct D3DXPASS_DESC
{
    LPCSTR Name;
    UINT Annotations;
    const DWORD* pVertexShaderFunction; // the GLSL source as the device takes it
    const DWORD* pPixelShaderFunction;
};

struct D3DXEFFECT_DESC
{
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
};

struct D3DXMACRO
{
    LPCSTR Name;
    LPCSTR Definition;
};

struct ID3DXInclude; // custom include handlers are not supported
typedef ID3DXInclude* LPD3DXINCLUDE;

// Kept for the calls' shape: effects share no parameters through it.
struct ID3DXEffectPool : IUnknown
{
};
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

struct ID3DXEffect : IUnknown
{
    // Descriptions and handles. A handle is a stable pointer into the effect;
    // where a handle is asked for, a name string serves as well.
    virtual HRESULT GetDesc(D3DXEFFECT_DESC* pDesc) = 0;
    virtual HRESULT GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) = 0;
    virtual HRESULT GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) = 0;
    virtual HRESULT GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) = 0;
    virtual D3DXHANDLE GetParameter(D3DXHANDLE hParameter, UINT Index) = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) = 0;
    virtual D3DXHANDLE GetParameterBySemantic(D3DXHANDLE hParameter, LPCSTR pSemantic) = 0;
    virtual D3DXHANDLE GetTechnique(UINT Index) = 0;
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR pName) = 0;
    virtual D3DXHANDLE GetPass(D3DXHANDLE hTechnique, UINT Index) = 0;
    virtual D3DXHANDLE GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName) = 0;
    virtual D3DXHANDLE GetAnnotation(D3DXHANDLE hObject, UINT Index) = 0;
    virtual D3DXHANDLE GetAnnotationByName(D3DXHANDLE hObject, LPCSTR pName) = 0;

    // Values. Setters answer D3DERR_INVALIDCALL for a parameter of another
    // type or too small for what is set.
    virtual HRESULT SetValue(D3DXHANDLE hParameter, const void* pData, UINT Bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE hParameter, void* pData, UINT Bytes) = 0;
    virtual HRESULT SetBool(D3DXHANDLE hParameter, BOOL b) = 0;
    virtual HRESULT GetBool(D3DXHANDLE hParameter, BOOL* pb) = 0;
    virtual HRESULT SetBoolArray(D3DXHANDLE hParameter, const BOOL* pb, UINT Count) = 0;
    virtual HRESULT GetBoolArray(D3DXHANDLE hParameter, BOOL* pb, UINT Count) = 0;
    virtual HRESULT SetInt(D3DXHANDLE hParameter, INT n) = 0;
    virtual HRESULT GetInt(D3DXHANDLE hParameter, INT* pn) = 0;
    virtual HRESULT SetIntArray(D3DXHANDLE hParameter, const INT* pn, UINT Count) = 0;
    virtual HRESULT GetIntArray(D3DXHANDLE hParameter, INT* pn, UINT Count) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) = 0;
    virtual HRESULT GetFloat(D3DXHANDLE hParameter, FLOAT* pf) = 0;
    virtual HRESULT SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) = 0;
    virtual HRESULT GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) = 0;
    virtual HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) = 0;
    virtual HRESULT GetVector(D3DXHANDLE hParameter, D3DXVECTOR4* pVector) = 0;
    virtual HRESULT SetVectorArray(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector, UINT Count) = 0;
    virtual HRESULT GetVectorArray(D3DXHANDLE hParameter, D3DXVECTOR4* pVector, UINT Count) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT SetMatrixArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT GetMatrixArray(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT SetMatrixTranspose(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT GetMatrixTranspose(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT GetString(D3DXHANDLE hParameter, LPCSTR* ppString) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) = 0;
    virtual HRESULT GetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture) = 0;

    // Techniques and drawing.
    virtual HRESULT GetPool(ID3DXEffectPool** ppPool) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE hTechnique) = 0;
    virtual D3DXHANDLE GetCurrentTechnique() = 0;
    virtual HRESULT ValidateTechnique(D3DXHANDLE hTechnique) = 0;
    virtual HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) = 0;
    virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
    virtual HRESULT BeginPass(UINT Pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXEffect* LPD3DXEFFECT;

// Creates an effect from an effect file (read through the path resolver).
// D3DERR_INVALIDCALL without a device, file name or out pointer, or with an
// include handler; D3DXERR_INVALIDDATA for a file that cannot be read, does not
// parse or whose shaders do not compile, with "FILE(LINE): error: ..." lines in
// *ppCompilationErrors when asked for. Macros become #define lines of every
// shader. The pool is accepted and shares nothing.
HRESULT D3DXCreateEffectFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                  LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool,
                                  LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors);

inline HRESULT D3DXCreateEffectFromFile(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                        LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool,
                                        LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors)
{
    return D3DXCreateEffectFromFileA(pDevice, pSrcFile, pDefines, pInclude, Flags, pPool, ppEffect,
                                     ppCompilationErrors);
}

HRESULT D3DXCreateEffectPool(LPD3DXEFFECTPOOL* ppPool);
