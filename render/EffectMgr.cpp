// STAND-IN: see EffectMgr.h.
#include "render/EffectMgr.h"

EEffectMgr g_EffectMgr;
