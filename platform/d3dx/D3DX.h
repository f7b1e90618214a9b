#pragma once
// D3DX 9 as the game calls it: fonts and textures; each header can be included alone.

#include "platform/d3dx/Font.h"
#include "platform/d3dx/Texture.h"
