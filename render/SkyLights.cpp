// STAND-IN: see SkyLights.h.
#include "render/SkyLights.h"

CSkyLights g_SkyLights;
