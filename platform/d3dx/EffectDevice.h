#pragma once
// Where the effect meets the device: shader creation and uniform values,
// through the calls of GlslShaders.h.

#include "platform/d3d9/GlslShaders.h"

#include <string>

// Compiles GLSL into a shader object of the device; on failure answers the
// device's code and puts the info log in *log.
HRESULT TkFxCreateVertexShader(IDirect3DDevice9* device, const std::string& glsl,
                               IDirect3DVertexShader9** out, std::string* log);
HRESULT TkFxCreatePixelShader(IDirect3DDevice9* device, const std::string& glsl, IDirect3DPixelShader9** out,
                              std::string* log);
// Whether a vertex and pixel shader that both compiled link into one
// program on the current context; the linker's log otherwise.
bool TkFxLinks(const std::string& vertexGlsl, const std::string& pixelGlsl, std::string* log);
HRESULT TkFxSetUniform(IDirect3DDevice9* device, const char* name, TkUniformType type, const void* data,
                       UINT count);
