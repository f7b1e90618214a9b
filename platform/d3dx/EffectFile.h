#pragma once
// The effect file reader (format in EffectFormat.md): turns the text of an
// effect and its includes into declarations, without a device. Shader code is
// kept as GLSL text to be compiled later.

#include "platform/d3d9/D3D9States.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TkFxBase
{
    Bool,
    Int,
    Float,
    Texture,
    String,
};

// A parameter or an annotation.
struct TkFxValue
{
    std::string name;
    std::string semantic;
    TkFxBase base = TkFxBase::Float;
    int rows = 1;
    int columns = 1;
    int elements = 0;           // 0: not an array
    std::vector<uint32_t> data; // one 32-bit word per component (float bits, int, bool 0/1)
    std::string text;           // string values
    std::vector<TkFxValue> annotations;
    int line = 0;

    // Components of one element and of the whole value.
    int ElementComponents() const { return rows * columns; }
    int Components() const { return ElementComponents() * (elements ? elements : 1); }
};

struct TkFxSamplerState
{
    D3DSAMPLERSTATETYPE type;
    DWORD value;
};

struct TkFxSampler
{
    std::string name;
    bool cube = false;
    std::string texture; // the texture parameter it reads; may be empty
    std::vector<TkFxSamplerState> states;
    int line = 0;
};

struct TkFxShader
{
    std::string name;
    bool pixel = false;
    std::string body; // GLSL with #line marks: source number = index into TkFxFile::files
    std::string file;
    int line = 0;
};

struct TkFxRenderState
{
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct TkFxPass
{
    std::string name;
    std::vector<TkFxValue> annotations;
    std::vector<TkFxRenderState> states;
    int vertexShader = -1; // index into TkFxFile::shaders
    int pixelShader = -1;
    std::string file;
    int line = 0;
};

struct TkFxTechnique
{
    std::string name;
    std::vector<TkFxValue> annotations;
    std::vector<TkFxPass> passes;
    int line = 0;
};

struct TkFxFile
{
    std::vector<TkFxValue> parameters;
    std::vector<TkFxSampler> samplers;
    std::vector<TkFxShader> shaders;
    std::vector<TkFxTechnique> techniques;
    std::vector<std::string> files; // the effect file first, then each include
};

// Limits that keep a damaged file from costing more than a page of memory.
constexpr size_t TK_FX_MAX_FILE_BYTES = 1u << 20;
constexpr size_t TK_FX_MAX_TOTAL_BYTES = 4u << 20;
constexpr int TK_FX_MAX_INCLUDE_DEPTH = 16;
constexpr int TK_FX_MAX_ELEMENTS = 4096;
constexpr int TK_FX_MAX_SAMPLERS = 16;

// Reads a file's text; false when it cannot be read. `name` is the resolved
// name of the file the reader is asked for.
using TkFxReadFile = std::function<bool(const std::string& name, std::string* text)>;

// Parses the effect `name` (read through `read`); includes are named relative
// to the folder of the file that includes them. On failure answers false and
// appends "FILE(LINE): error: TEXT" lines to `errors`.
bool TkParseEffect(const std::string& name, const TkFxReadFile& read, TkFxFile* out, std::string* errors);

// Reads through the path resolver, refusing files over TK_FX_MAX_FILE_BYTES.
bool TkFxReadThroughResolver(const std::string& name, std::string* text);
