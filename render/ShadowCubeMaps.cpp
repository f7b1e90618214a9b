// STAND-IN: see ShadowCubeMaps.h.
#include "render/ShadowCubeMaps.h"

CShadowCubeMaps g_ShadowCubeMaps;
