#pragma once
// D3DX 9 as the game calls it: fonts, meshes, frame hierarchies and skin information,
// textures and effects; each header can be included alone.

#include "platform/d3dx/Effect.h"
#include "platform/d3dx/Font.h"
#include "platform/d3dx/Frame.h"
#include "platform/d3dx/Mesh.h"
#include "platform/d3dx/SkinInfo.h"
#include "platform/d3dx/Texture.h"
