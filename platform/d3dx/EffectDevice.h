#pragma once
// Where the effect meets the device: shader creation and uniform values,
// through the calls of GlslShaders.h.

#include "platform/d3d9/GlslShaders.h"

#include <map>
#include <string>
#include <utility>

// Compiles GLSL into a shader object of the device; on failure answers the
// device's code and puts the info log in *log.
HRESULT TkFxCreateVertexShader(IDirect3DDevice9* device, const std::string& glsl,
                               IDirect3DVertexShader9** out, std::string* log);
HRESULT TkFxCreatePixelShader(IDirect3DDevice9* device, const std::string& glsl, IDirect3DPixelShader9** out,
                              std::string* log);
// Whether vertex and pixel shaders that each compiled link into one program,
// tried on the current context (the device's, after it made the shaders).
// Each source is compiled once and each pair linked once per check; the
// sources are named by address and must outlive the check.
class TkFxLinkCheck
{
public:
    TkFxLinkCheck() = default;
    ~TkFxLinkCheck();
    TkFxLinkCheck(const TkFxLinkCheck&) = delete;
    TkFxLinkCheck& operator=(const TkFxLinkCheck&) = delete;

    // False with the linker's log when the pair does not link.
    bool Links(const std::string& vertexGlsl, const std::string& pixelGlsl, std::string* log);

private:
    unsigned Compiled(const std::string& source, bool pixel);

    std::map<const std::string*, unsigned> m_compiled;
    std::map<std::pair<const std::string*, const std::string*>, bool> m_linked;
};

HRESULT TkFxSetUniform(IDirect3DDevice9* device, const char* name, TkUniformType type, const void* data,
                       UINT count);
