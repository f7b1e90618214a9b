#pragma once
// An effect whose every call answers "not implemented", for test doubles that
// write down only the calls they care about.

#include "platform/d3dx/Effect.h"

class UnusedEffect : public ID3DXEffect
{
public:
    HRESULT GetDesc(D3DXEFFECT_DESC*) override { return E_NOTIMPL; }
    HRESULT GetParameterDesc(D3DXHANDLE, D3DXPARAMETER_DESC*) override { return E_NOTIMPL; }
    HRESULT GetTechniqueDesc(D3DXHANDLE, D3DXTECHNIQUE_DESC*) override { return E_NOTIMPL; }
    HRESULT GetPassDesc(D3DXHANDLE, D3DXPASS_DESC*) override { return E_NOTIMPL; }
    D3DXHANDLE GetParameter(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetParameterByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE, LPCSTR) override { return nullptr; }
    D3DXHANDLE GetTechnique(UINT) override { return nullptr; }
    D3DXHANDLE GetTechniqueByName(LPCSTR) override { return nullptr; }
    D3DXHANDLE GetPass(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetPassByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    D3DXHANDLE GetAnnotation(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    HRESULT SetValue(D3DXHANDLE, const void*, UINT) override { return E_NOTIMPL; }
    HRESULT GetValue(D3DXHANDLE, void*, UINT) override { return E_NOTIMPL; }
    HRESULT SetBool(D3DXHANDLE, BOOL) override { return E_NOTIMPL; }
    HRESULT GetBool(D3DXHANDLE, BOOL*) override { return E_NOTIMPL; }
    HRESULT SetBoolArray(D3DXHANDLE, const BOOL*, UINT) override { return E_NOTIMPL; }
    HRESULT GetBoolArray(D3DXHANDLE, BOOL*, UINT) override { return E_NOTIMPL; }
    HRESULT SetInt(D3DXHANDLE, INT) override { return E_NOTIMPL; }
    HRESULT GetInt(D3DXHANDLE, INT*) override { return E_NOTIMPL; }
    HRESULT SetIntArray(D3DXHANDLE, const INT*, UINT) override { return E_NOTIMPL; }
    HRESULT GetIntArray(D3DXHANDLE, INT*, UINT) override { return E_NOTIMPL; }
    HRESULT SetFloat(D3DXHANDLE, FLOAT) override { return E_NOTIMPL; }
    HRESULT GetFloat(D3DXHANDLE, FLOAT*) override { return E_NOTIMPL; }
    HRESULT SetFloatArray(D3DXHANDLE, const FLOAT*, UINT) override { return E_NOTIMPL; }
    HRESULT GetFloatArray(D3DXHANDLE, FLOAT*, UINT) override { return E_NOTIMPL; }
    HRESULT SetVector(D3DXHANDLE, const D3DXVECTOR4*) override { return E_NOTIMPL; }
    HRESULT GetVector(D3DXHANDLE, D3DXVECTOR4*) override { return E_NOTIMPL; }
    HRESULT SetVectorArray(D3DXHANDLE, const D3DXVECTOR4*, UINT) override { return E_NOTIMPL; }
    HRESULT GetVectorArray(D3DXHANDLE, D3DXVECTOR4*, UINT) override { return E_NOTIMPL; }
    HRESULT SetMatrix(D3DXHANDLE, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT GetMatrix(D3DXHANDLE, D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetMatrixArray(D3DXHANDLE, const D3DXMATRIX*, UINT) override { return E_NOTIMPL; }
    HRESULT GetMatrixArray(D3DXHANDLE, D3DXMATRIX*, UINT) override { return E_NOTIMPL; }
    HRESULT SetMatrixTranspose(D3DXHANDLE, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT GetMatrixTranspose(D3DXHANDLE, D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT GetString(D3DXHANDLE, LPCSTR*) override { return E_NOTIMPL; }
    HRESULT SetTexture(D3DXHANDLE, IDirect3DBaseTexture9*) override { return E_NOTIMPL; }
    HRESULT GetTexture(D3DXHANDLE, IDirect3DBaseTexture9**) override { return E_NOTIMPL; }
    HRESULT GetPool(ID3DXEffectPool**) override { return E_NOTIMPL; }
    HRESULT SetTechnique(D3DXHANDLE) override { return E_NOTIMPL; }
    D3DXHANDLE GetCurrentTechnique() override { return nullptr; }
    HRESULT ValidateTechnique(D3DXHANDLE) override { return E_NOTIMPL; }
    HRESULT FindNextValidTechnique(D3DXHANDLE, D3DXHANDLE*) override { return E_NOTIMPL; }
    HRESULT Begin(UINT*, DWORD) override { return E_NOTIMPL; }
    HRESULT BeginPass(UINT) override { return E_NOTIMPL; }
    HRESULT CommitChanges() override { return E_NOTIMPL; }
    HRESULT EndPass() override { return E_NOTIMPL; }
    HRESULT End() override { return E_NOTIMPL; }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    HRESULT OnLostDevice() override { return E_NOTIMPL; }
    HRESULT OnResetDevice() override { return E_NOTIMPL; }
};
