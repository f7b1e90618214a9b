// STAND-IN: see LensFlare.h.
#include "render/LensFlare.h"

ELensFlare g_LensFlare;
