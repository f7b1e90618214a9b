#pragma once
// D3DX 9 as the game calls it: fonts so far; each header can be included alone.

#include "platform/d3dx/Font.h"
