#pragma once
// EMultiTexturePaintingScripts: the painted blend weights of large meshes. A ".dat" file per mesh
// under "scripts\multi_texture_painting\" holds one record per face with the three corner positions
// and colours; a corner within 0.01 of the vertex it names takes the colour into colour 0.

#include "world/ObjectHandle.h"

#include <cstddef>

constexpr unsigned MULTI_TEXTURE_DATA_VERSION = 2;

class EMultiTexturePaintingScripts
{
public:
    virtual ~EMultiTexturePaintingScripts() = default;
    void LoadDataFromScript(HOBJECT object);
    // The ".dat" file of a mesh file name.
    static void GetDataFileName(const char* meshFileName, char* out, size_t size);
};

inline EMultiTexturePaintingScripts g_MultiTexturePainting;
