// STAND-IN: see SkyShadow.h.
#include "render/SkyShadow.h"

ESkyShadow g_SkyShadow;
