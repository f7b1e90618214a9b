// STAND-IN: see AmbientProbe.h.
#include "render/AmbientProbe.h"

CAmbientProbe g_AmbientProbe;
