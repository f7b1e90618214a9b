// STAND-IN: see FxMgr.h.
#include "environment/FxMgr.h"

EFxMgr g_FxMgr;
