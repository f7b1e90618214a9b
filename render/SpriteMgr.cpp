// STAND-IN: see SpriteMgr.h.
#include "render/SpriteMgr.h"

ESpriteMgr g_SpriteMgr;
