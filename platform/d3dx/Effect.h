#pragma once
// ID3DXEffect as the render-state cache drives it: a technique chosen by handle
// or name, begun with one pass, and bool parameters set by name.
// STAND-IN: only the calls the render-state cache makes; the effect work gives
// the whole interface and its implementation on the device.

#include "platform/win32/Unknown.h"
#include "platform/win32/WinTypes.h"

// A parameter or technique; a name string is accepted wherever a handle is.
typedef const char* D3DXHANDLE;

struct ID3DXEffect : IUnknown
{
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR pName) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE hTechnique) = 0;
    virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
    virtual HRESULT BeginPass(UINT Pass) = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT SetBool(D3DXHANDLE hParameter, BOOL b) = 0;
};
