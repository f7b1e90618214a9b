#pragma once
// D3DX 9 as the game calls it; each piece has its own header as well.

#include "platform/d3dx/Font.h"
