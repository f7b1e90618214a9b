#pragma once
// A small real mesh for tests that need a mesh object to load.

#include "platform/d3dx/XMesh.h"

// A unit box, 8 corners and 12 faces, with one textured material.
inline tk::xfile::XMeshDesc BoxMesh()
{
    tk::xfile::XMeshDesc box;
    for (int c = 0; c < 8; ++c)
        box.positions.insert(box.positions.end(),
                             {(c & 1) ? 0.5f : -0.5f, (c & 2) ? 0.5f : -0.5f, (c & 4) ? 0.5f : -0.5f});
    box.indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 4, 6, 0, 6, 2,
                   1, 3, 7, 1, 7, 5, 0, 1, 5, 0, 5, 4, 2, 6, 7, 2, 7, 3};
    tk::xfile::XMaterialDesc material;
    material.texture = "box.tga";
    box.materials = {material};
    return box;
}
