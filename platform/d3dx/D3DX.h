#pragma once
// D3DX 9 as the game calls it; each header can be included alone.

#include "platform/d3dx/Buffer.h"
#include "platform/d3dx/Effect.h"
#include "platform/d3dx/Font.h"
