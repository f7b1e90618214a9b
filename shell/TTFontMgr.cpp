// STAND-IN: see TTFontMgr.h.
#include "shell/TTFontMgr.h"

ETTFontMgr g_TTFontMgr;
