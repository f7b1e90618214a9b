#pragma once
// ID3DXBuffer: a block of bytes handed back by D3DX calls (compiler messages,
// and the like).

#include "platform/win32/Unknown.h"

struct ID3DXBuffer : IUnknown
{
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

// A zero-filled buffer of NumBytes; E_OUTOFMEMORY when it cannot be had,
// D3DERR_INVALIDCALL without an out pointer.
HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);
