// STAND-IN: see Renderer.h.
#include "render/Renderer.h"

ERenderer g_Renderer;
