// STAND-IN: see AutoMap.h.
#include "ui/AutoMap.h"

PAutoMap g_AutoMap;
